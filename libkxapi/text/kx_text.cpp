// Text conversion between C strings and host text objects, the code set
// and translation files.
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "kx_text.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/memory.h"
#include "host/base/services/text.h"

namespace {

constexpr const char* kModule = "kx_text";
// The line number that the host's log shows with the assertion on max_size.
constexpr int kLineMaxSize = 257;

// The drafting service fills the caller's record directly.
static_assert(sizeof(KX_TEXT_jqstring_t) == sizeof(DRF_jqstring_t));
static_assert(offsetof(KX_TEXT_jqstring_t, num_strings) == offsetof(DRF_jqstring_t, num_strings));
static_assert(offsetof(KX_TEXT_jqstring_t, strings) == offsetof(DRF_jqstring_t, strings));

// A host text held for the length of a call.
void free_text(TEXT_s* text) { TEXT_free(text); }
using text_ptr = kx::held<TEXT_s, free_text>;

void free_locale(char* s) { TEXT_free_locale(s); }
using locale_ptr = kx::held<char, free_locale>;

// A caller-owned copy (SM_alloc) of n bytes and a NUL.
char* caller_copy(const char* bytes, std::size_t n) {
    kx::host_ptr<char> out(static_cast<char*>(SM_alloc(n + 1)));
    std::memcpy(out.get(), bytes, n);
    out.get()[n] = '\0';
    return out.release();
}

// A text from a C string in the session's text mode (a null string gives
// an empty text), made by the host with no frame of its own: its errors go
// to the caller's frame.
KX_TEXT_p_t make_text(const char* string) {
    if (!string) return TEXT_init_string("");
    return kx::text_mode() == 1 ? TEXT_create_string(string) : TEXT_init_string(string);
}

// A text from a C string (see make_text); a host error gives its code and
// an empty text. The empty text is made under a frame too: when the host
// fails again there, the output is null and the first error stays the
// status.
int to_text(const char* string, KX_TEXT_p_t* text) {
    if (!string) {
        *text = TEXT_init_string("");
        return 0;
    }
    *text = nullptr;
    const int status = kx::frame(kx::no_check, [&] {
        *text = make_text(string);
        return 0;
    });
    if (status != 0) {
        *text = nullptr;
        kx::frame(kx::no_check, [&] {
            *text = TEXT_init_string("");
            return 0;
        });
    }
    return status;
}

// No initialisation check; a host error is the status, acknowledged, as the
// call answers it.
constexpr kx::Opts kAnswering{.check_init = false, .acknowledge = kx::every_code};

}  // namespace

extern "C" {

KXAPI int KX_TEXT_set_text_mode(int mode) {
    kx::set_text_mode(mode);
    return 0;
}

KXAPI int KX_TEXT_convert_to_textpt(KX_TEXT_p_t* text, const char* string) {
    return kx::guarded([&] {
        if (!text) return kx::param(1);
        return to_text(string, text);
    });
}

KXAPI int KX_TEXT_convert_to_user(char** string, KX_TEXT_p_t text, int max_size) {
    return kx::guarded([&] {
        if (!string) return kx::param(1);
        *string = nullptr;
        if (!text) return 0;
        return kx::frame(kx::no_check, [&] {
            if (kx::text_mode() == 1) {
                if (max_size == -1) {
                    kx::host_ptr<char> out(
                        static_cast<char*>(SM_alloc(static_cast<std::size_t>(TEXT_strlen(text)) + 1)));
                    TEXT_strcpy(out.get(), text);
                    *string = out.release();
                    return 0;
                }
                if (kx::checking() && !(max_size > 0))
                    ERROR_internal(kModule, kLineMaxSize, "Assertion failed: %s", "max_size > 0");
                text_ptr cut(TEXT_truncate(text, max_size));
                kx::host_ptr<char> out(
                    static_cast<char*>(SM_alloc(static_cast<std::size_t>(TEXT_strlen(cut.get())) + 1)));
                TEXT_strcpy(out.get(), cut.get());
                *string = out.release();
                return 0;
            }
            locale_ptr local(TEXT_to_locale_sized(text, max_size));
            *string = caller_copy(local.get(), std::strlen(local.get()));
            return 0;
        });
    });
}

KXAPI int KX_TEXT_cstring_to_jqstring(char** strings, KX_TEXT_jqstring_t* output, int n) {
    // One frame around the conversions, the hand-over and the release of
    // the texts: the first host error ends the call with its code, and the
    // record is then left empty (what the drafting service had made for it
    // goes back). The drafting service's own refusals pass as they are.
    kx::FailureMemory made;
    return kx::frame(
        kAnswering, kx::on_error([&] {
            made.release();
            if (output) *output = KX_TEXT_jqstring_t{0, nullptr};
        }),
        [] { return 0; },
        [&] {
            std::vector<text_ptr> held;
            std::vector<KX_TEXT_p_t> texts;
            if (strings && n > 0) {
                held.reserve(static_cast<std::size_t>(n));
                texts.reserve(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i) {
                    held.emplace_back(make_text(strings[i]));
                    texts.push_back(held.back().get());
                }
            }
            made.set();
            return DRF_textpt_to_jqstring(texts.empty() ? nullptr : texts.data(),
                                          reinterpret_cast<DRF_jqstring_t*>(output), n);
        });
}

KXAPI int KX_TEXT_load_translation_file(const char* file_name) {
    return kx::frame([&] { return NLM_load_translation_file(file_name); });
}

KXAPI int KX_ask_codeset(int* codeset) {
    return kx::frame(
        [&] {
            return kx::check({{codeset, 1}});
        },
        [&] {
            int scratch = 0;
            *codeset = TEXT_cs_get_codeset(&scratch);
            return 0;
        });
}

}  // extern "C"
