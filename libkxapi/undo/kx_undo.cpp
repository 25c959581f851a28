// Undo marks: the interface to the host's undo service, with its optional
// debug trace, and the undo service behind the library's undo bracket.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "kx_undo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_undo_bracket.h"

#include "host/model/feature/queries.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"

namespace {

// The undo functions' debug token, known to the host from the session start.
const kx::session_member registered{"undo", 20, [] { RDEBUG_register_token("KX_UNDO"); }};

constexpr const char* kModule = "kx_undo";
constexpr const char* kDebugToken = "KX_UNDO";
constexpr int kIndentStep = 2;
constexpr int kIndentMax = 100;
constexpr int kMarkDoesNotExist = KX_UNDO_ERR_NO_MARK;

bool good_visibility(int v) { return v >= 0 && v <= 2; }
const char* shown(const char* s) { return s ? s : "(null)"; }

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, ap);
    va_end(ap);
    return out;
}

// The debug trace of one call: on when the host's checks are on, the
// KX_UNDO token is set and routine debugging selects the function. Each
// line goes to the host log and to standard output.
class Trace {
public:
    template <class ArgLine>
    Trace(const char* function, ArgLine&& arg_line) : function_(function) {
        on_ =
            MACH__checking_level >= 1 && RDEBUG_ask_flag(kDebugToken, 1) == 1 && DEBUG_routine(kModule, function) == 1;
        if (!on_) return;
        saved_indent_ = DEBUG_indentation;
        if (DEBUG_indentation < kIndentMax) DEBUG_indentation += kIndentStep;
        emit(format("%*sEntering %s: ", DEBUG_indentation, "", function_) + arg_line() + "\n");
    }
    ~Trace() {
        if (!on_) return;
        // A trace line that the host fails to write is noted on its log;
        // the call's own status stands.
        if (reached_frame_)
            kx::release(
                [this] { emit(format("%*sLeaving  %s: ", DEBUG_indentation, "", function_) + "default exit\n"); },
                true);
        DEBUG_indentation = saved_indent_;
    }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void reached_frame() { reached_frame_ = true; }
    void line(int number, const char* text) {
        if (on_) emit(format("%*sLine %d in %s: ", DEBUG_indentation, "", number, function_) + text + "\n");
    }

private:
    static void emit(const std::string& text) {
        ERROR_lprintf("%s", text.c_str());
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
    const char* function_;
    bool on_ = false;
    bool reached_frame_ = false;
    int saved_indent_ = 0;
};

std::string no_args() { return {}; }

// A traced function: the trace is decided and the entering line written
// before the initialisation check, then the frame runs the prologue and
// the work.
template <class ArgLine, class Pro, class Work>
int traced(const char* function, ArgLine&& arg_line, Pro&& prologue, Work&& work) {
    return kx::guarded([&] {
        Trace trace(function, arg_line);
        return kx::frame(kx::standard, prologue, [&] {
            trace.reached_frame();
            return work(trace);
        });
    });
}

template <class Work>
int traced(const char* function, Work&& work) {
    return traced(
        function, no_args, [] { return 0; }, std::forward<Work>(work));
}

// The undo service behind the library's undo bracket: a step that the host
// refuses raises the host's code.
class HostUndo : public kx::UndoService {
    static void must(int code, const char* what, kx::mark_id mark) {
        if (code != 0) ERROR_raise(kModule, __LINE__, code, "%s mark %u failed", what, mark);
    }

public:
    kx::mark_id set_mark(int visibility, const char* name) override {
        int status = 0;
        return try_set_mark(visibility, name, &status);
    }
    kx::mark_id try_set_mark(int visibility, const char* name, int* status) override {
        *status = 0;
        const kx::mark_id mark = UNDO_JQ_set_mark(visibility, name, status);
        return *status == 0 ? mark : 0;
    }
    void undo_to_mark(kx::mark_id mark, const char* name) override {
        if (mark != 0) must(UNDO_JQ_undo_to_mark(mark, name), "Undo to", mark);
    }
    void delete_mark(kx::mark_id mark, const char* name) override {
        if (mark != 0) must(UNDO_JQ_delete_mark(mark, name), "Delete", mark);
    }
    void delete_to_mark(kx::mark_id mark, const char* name) override {
        if (mark != 0) must(UNDO_JQ_delete_to_mark(mark, name), "Delete to", mark);
    }
    void make_important(kx::mark_id mark) override {
        unsigned char was = 0;
        must(UNDO_JQ_set_mark_importance(mark, 0, &was), "Make important", mark);
    }
};
HostUndo host_undo;
const bool installed = (kx::set_undo_service(&host_undo), true);

}  // namespace

extern "C" {

KXAPI int KX_UNDO_set_mark(int visibility, const char* name, KX_UNDO_mark_id_t* mark_id) {
    return traced(
        "KX_UNDO_set_mark", [&] { return format("visibility = %d, mark_name = %s", visibility, shown(name)); },
        [&] {
            return kx::check({{good_visibility(visibility), 1}, {mark_id, 3}});
        },
        [&](Trace&) {
            const char* mark_name = name && *name ? name : KX_UNDO_DEFAULT_MARK_NAME;
            int status = 0;
            *mark_id = UNDO_JQ_set_mark(visibility, mark_name, &status);
            return status;
        });
}

KXAPI int KX_UNDO_undo_to_mark(KX_UNDO_mark_id_t mark_id, const char* name) {
    return traced(
        "KX_UNDO_undo_to_mark",
        [&] { return format("mark_id = %d,  mark_name = %s", static_cast<int>(mark_id), shown(name)); },
        [] { return 0; },
        [&](Trace& trace) {
            if (!UNDO_JQ_ask_mark_exist(mark_id, name)) {
                trace.line(232, ">>> The mark does not exist <<<");
                return kMarkDoesNotExist;
            }
            trace.line(237, "Calling UNDO_JQ_undo_to_mark...");
            return UNDO_JQ_undo_to_mark(mark_id, name);
        });
}

KXAPI int KX_UNDO_undo_to_last_mark(int visibility, const char* name) {
    return traced(
        "KX_UNDO_undo_to_last_mark", [&] { return format("visibility = %d", visibility); },
        [&] {
            return kx::check({{good_visibility(visibility), 1}, {name, 2}});
        },
        [&](Trace&) { return UNDO_JQ_undo_to_last_mark(visibility, name); });
}

KXAPI int KX_UNDO_undo_to_prev_mark(int visibility, KX_UNDO_mark_id_t previous_to, const char* name) {
    return traced(
        "KX_UNDO_undo_to_prev_mark",
        [&] { return format("visibility = %d,  previous_to = %d", visibility, static_cast<int>(previous_to)); },
        [&] {
            return kx::check({{good_visibility(visibility), 1}, {name, 3}});
        },
        [&](Trace&) { return UNDO_JQ_undo_to_previous_mark(visibility, previous_to, name); });
}

KXAPI int KX_UNDO_ask_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int* visibility) {
    return kx::frame(
        [&] {
            return kx::check({{visibility, 3}});
        },
        [&] { return UNDO_JQ_ask_mark_visibility(mark_id, name, visibility); });
}

KXAPI int KX_UNDO_set_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int visibility) {
    return traced(
        "KX_UNDO_set_mark_visibility",
        [&] {
            return format("mark_id =%d. mark name = %s, visibility = %d", static_cast<int>(mark_id), shown(name),
                          visibility);
        },
        [&] {
            return kx::check({{good_visibility(visibility), 3}});
        },
        [&](Trace&) { return UNDO_JQ_set_mark_visibility(mark_id, name, visibility); });
}

KXAPI int KX_UNDO_set_to_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int visibility) {
    return traced(
        "KX_UNDO_set_to_mark_visibility",
        [&] {
            return format("to_mark =%d, mark name = %s, visibility = %d", static_cast<int>(mark_id), shown(name),
                          visibility);
        },
        [&] {
            return kx::check({{good_visibility(visibility), 3}});
        },
        [&](Trace&) { return UNDO_JQ_set_to_mark_visibility(mark_id, name, visibility); });
}

KXAPI int KX_UNDO_ask_mark_exist(KX_UNDO_mark_id_t mark_id, const char* name, int* exists) {
    return kx::frame(
        [&] {
            return kx::check({{exists, 3}});
        },
        [&] {
            *exists = UNDO_JQ_ask_mark_exist(mark_id, name);
            return 0;
        });
}

KXAPI int KX_UNDO_ask_any_mark_exist(int visibility, int* exists) {
    return kx::frame(
        [&] {
            return kx::check({{good_visibility(visibility), 1}, {exists, 2}});
        },
        [&] {
            *exists = UNDO_JQ_ask_any_mark_exist(visibility);
            return 0;
        });
}

KXAPI int KX_UNDO_ask_number_of_marks(int visibility, int* number) {
    return kx::frame(
        [&] {
            return kx::check({{good_visibility(visibility), 1}, {number, 2}});
        },
        [&] {
            *number = UNDO_JQ_ask_number_of_marks(visibility);
            return 0;
        });
}

KXAPI int KX_UNDO_delete_mark(KX_UNDO_mark_id_t mark_id, const char* name) {
    return traced(
        "KX_UNDO_delete_mark",
        [&] { return format("mark_id = %d, mark name = %s", static_cast<int>(mark_id), shown(name)); },
        [] { return 0; }, [&](Trace&) { return UNDO_JQ_delete_mark(mark_id, name); });
}

KXAPI int KX_UNDO_delete_all_marks(void) {
    return traced("KX_UNDO_delete_all_marks", [](Trace&) { return UNDO_JQ_delete_all_marks(); });
}

KXAPI int KX_UNDO_delete_to_mark(KX_UNDO_mark_id_t mark_id, const char* name) {
    return traced(
        "KX_UNDO_delete_to_mark",
        [&] { return format("mark_id = %d, mark name = %s", static_cast<int>(mark_id), shown(name)); },
        [] { return 0; }, [&](Trace&) { return UNDO_JQ_delete_to_mark(mark_id, name); });
}

KXAPI int KX_UNDO_ask_next_vis_mark(KX_UNDO_mark_id_t* mark_id) {
    return kx::frame([&] { return kx::check({{mark_id, 1}}); }, [&] { return UNDO_JQ_ask_next_vis_mark(mark_id); });
}

KXAPI int KX_UNDO_undo_to_next_vis_mark(void) {
    return traced("KX_UNDO_undo_to_next_vis_mark", [](Trace&) { return UNDO_JQ_undo_to_next_vis_mark(); });
}

KXAPI int KX_UNDO_register_misc_cb(int kind, void* owner, int visibility, KX_UNDO_misc_cb_t routine, void* user_data,
                                   unsigned int* callback_id) {
    return traced(
        "KX_UNDO_register_misc_cb", no_args,
        [&] {
            return kx::check({{kind >= 0 && kind <= 5, 1},
                              {good_visibility(visibility), 3},
                              {routine != nullptr, 4},
                              {callback_id, 6}});
        },
        [&](Trace&) { return UNDO_JQ_register_misc_cb(kind, owner, visibility, routine, user_data, callback_id); });
}

KXAPI int KX_UNDO_unregister_misc_cb(unsigned int callback_id) {
    return traced("KX_UNDO_unregister_misc_cb", [&](Trace&) { return UNDO_JQ_unregister_misc_cb(callback_id); });
}

KXAPI int KX_UNDO_delete_all_misc_cbs(void) {
    return traced("KX_UNDO_delete_all_misc_cbs", [](Trace&) { return UNDO_JQ_delete_all_misc_cbs(); });
}

KXAPI int KX_UNDO_disable_misc_cbs(void) {
    return traced("KX_UNDO_disable_misc_cbs", [](Trace&) { return UNDO_JQ_disable_misc_cbs(); });
}

KXAPI int KX_UNDO_enable_misc_cbs(void) {
    return traced("KX_UNDO_enable_misc_cbs", [](Trace&) { return UNDO_JQ_enable_misc_cbs(); });
}

}  // extern "C"
