// The operation frame's internals, the shared helpers of kx_util.h, status
// texts, the caller's own error handlers and the common tail
// regenerate_after_edit.
#include "libkxapi/core/kx_util.h"

#include <cstdio>
#include <exception>
#include <new>
#include <typeinfo>
#include <utility>

#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_msg_tables.h"
#include "libkxapi/core/kx_undo_bracket.h"

#include "host/store/entities/display.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/platform/support/support.h"

namespace {

constexpr const char* kModule = "kx_util";
// The line number that the host's log shows with an unexpected exception.
constexpr int kLineForeignException = 120;

// The undo service used until the undo module installs its own: no marks.
class NoUndo final : public kx::UndoService {
public:
    kx::mark_id set_mark(int, const char*) override { return 0; }
    void undo_to_mark(kx::mark_id, const char*) override {}
    void delete_mark(kx::mark_id, const char*) override {}
    void delete_to_mark(kx::mark_id, const char*) override {}
};
// Zero-initialised before any constructor runs, so that the undo module may
// install its service from a static initialiser of its own.
kx::UndoService* undo_in_use = nullptr;

kx::UndoService& default_undo() {
    static NoUndo no_undo;
    return no_undo;
}

// The text of a code of the general band from the library's own table.
const char* general_text(int code) {
    for (const error_text_entry* row = kx_message_table(KX_BAND_GENERAL); row && row->text; ++row)
        if (row->code == code) return row->text;
    return nullptr;
}

}  // namespace

namespace kx {

// ---- Frame internals -----------------------------------------------------------

namespace detail {

int g_release_failure = 0;

void note_release_failure(int code) noexcept {
    try {
        frame_scope scope;
        try {
            char line[96];
            std::snprintf(line, sizeof line, "Release failed with error %d after an earlier error", code);
            ERROR_note(kModule, __LINE__, line);
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
        }
    } catch (...) {
        // The log itself failed: nothing is left to tell it to.
    }
}

void raise_release_failure() {
    const int code = std::exchange(g_release_failure, 0);
    ERROR_raise(kModule, __LINE__, code, "Release failed with error %d", code);
}

void raise_foreign_exception() {
    const char* what = "unknown exception";
    try {
        throw;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    ERROR_internal(kModule, kLineForeignException, "Unexpected exception: %s", what);
}

}  // namespace detail

// ---- Shared helpers ------------------------------------------------------------

void copy_bounded(char* dst, const char* src, std::size_t max_chars) {
    std::strncpy(dst, src ? src : "", max_chars);  // pads with NULs
    dst[max_chars] = '\0';
}

void copy_cut(char* dst, const char* src, std::size_t max_chars) {
    const std::size_t n = src ? strnlen(src, max_chars) : 0;
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

char* dup_string(std::string_view text) {
    char* out = static_cast<char*>(SM_alloc(text.size() + 1));
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return out;
}

char** string_array(std::span<const std::string> texts) {
    if (texts.empty()) return nullptr;
    host_ptr<char*> array(static_cast<char**>(SM_alloc(texts.size() * sizeof(char*))));
    std::size_t done = 0;
    try {
        for (; done < texts.size(); ++done) array.get()[done] = dup_string(texts[done]);
    } catch (...) {
        for (std::size_t i = 0; i < done; ++i) release([p = array.get()[i]] { SM_free(p); }, true);
        throw;
    }
    return array.release();
}

std::string from_fortran(const char* field, int length) {
    if (!field || length <= 0) return {};
    std::size_t n = 0;
    while (n < static_cast<std::size_t>(length) && field[n] != '\0') ++n;
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string(field, n);
}

void to_fortran(char* field, int length, std::string_view text) {
    if (!field || length <= 0) return;
    const std::size_t len = static_cast<std::size_t>(length);
    const std::size_t n = text.size() < len ? text.size() : len;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, ' ', len - n);
}

// ---- Undo seam -----------------------------------------------------------------

UndoService& undo_service() { return undo_in_use ? *undo_in_use : default_undo(); }
void set_undo_service(UndoService* service) { undo_in_use = service; }

void roll_back_after_error(UndoService& undo, mark_id mark, const char* name, bool to_mark) {
    // Each step under a frame of its own: the mark is deleted also when the
    // roll-back to it failed, so that no bracket stays behind.
    auto step = [&](const char* what, auto&& f) {
        frame_scope scope;
        try {
            f();
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
            char line[96];
            std::snprintf(line, sizeof line, "%s mark %u failed with error %d", what, mark, e.code());
            ERROR_note(kModule, __LINE__, line);
        }
    };
    step("Undo to", [&] { undo.undo_to_mark(mark, name); });
    step("Delete", [&] {
        if (to_mark) undo.delete_to_mark(mark, name);
        else undo.delete_mark(mark, name);
    });
}

}  // namespace kx

// ---- regenerate_after_edit -------------------------------------------------------

extern "C" int regenerate_after_edit(int* mode, tag* object) {
    if (*mode == 1 && RM_ask_entity_type(*object) == HOST_TYPE_SOLID) UPDATE_do_update_no_message();
    return DSS_REGEN_regen_object(*object);
}

// ---- Status texts -----------------------------------------------------------------

namespace kx {

int fail_message(int code, char* message) {
    if (code < 0) {
        // uc4599 leaves the buffer as it is when the host fails it: the
        // caller then reads an empty text, never what the buffer held.
        message[0] = '\0';
        old_code_text(code, message);
        return 0;
    }
    const char* text = ERROR_decode(code);
    if (!text) {
        if (code != kNotInitialized) {
            std::snprintf(message, KX_MESSAGE_BUFSIZE, "NO error text found for error %d", code);
            return 1;
        }
        // Answered even before any table is registered.
        text = general_text(code);
    }
    copy_bounded(message, text);
    return 0;
}

}  // namespace kx

KXAPI int KX_get_fail_message(int code, char message[KX_MESSAGE_BUFSIZE]) {
    if (!message) return 1;
    if (code < 0) {
        message[0] = '\0';
        kx::guarded([&] { kx::fail_message(code, message); });
        return 0;
    }
    return kx::guarded([&] { return kx::fail_message(code, message); });
}
