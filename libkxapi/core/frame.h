// The operation frame: the one pattern that every exported function of the
// library follows, and the boundary guard that keeps host errors (C++
// exceptions inside the library) from crossing the C boundary.
//
// Internal to the library; not a public header.
//
// ---- The frame ------------------------------------------------------------
//
//     KXAPI int KX_OBJ_ask_type_and_subtype(tag object, int* type, int* subtype) {
//         return kx::frame(
//             [&] {                                   // prologue: before the host frame is armed
//                 kx::clear(type, subtype);           // outputs to NULL_TAG / 0 / nullptr
//                 return kx::check({{object != NULL_TAG, 1}, {type, 2}, {subtype, 3}});
//             },
//             [&] {                                   // the work, under an armed host frame
//                 RM_ask_entity_type_and_subtype(object, type, subtype);
//                 return 0;
//             });
//     }
//
// kx::frame([opts,] [prologue,] work) runs, in this order:
//   1. status 0; with opts.arm_first, arm the host frame now;
//   2. unless opts.check_init is false: refuse with opts.not_init (1105000)
//      when the session is not open (KX_is_initialized);
//   3. the prologue (clear outputs, cheap argument checks): a non-zero
//      answer is returned as it stands (kx::param(n) gives the code of a bad
//      parameter n);
//   4. arm a library frame with the host error service (as
//      ERROR_set_handler(ERROR__default_handler, NULL) does) unless opts.arm is
//      false or it is armed already;
//   5. the work; its answer is the status;
//   6. cancel it (as ERROR_cancel_handler does) on every normal way out (refusals after arming
//      included). A host error raised below the armed frame comes back here
//      as host::HostError: the status becomes ERROR_ask_failure_code() and the
//      frame is not cancelled (the raise consumed it).
// Outputs that the work has set before an error stay set.
//
// Options (kx::Opts, an aggregate; the named sets cover the usual cases):
//     kx::standard   check, then frame (the default)
//     kx::arm_first  frame before the check (abort family, reallocation ...)
//     kx::no_check   frame, no initialisation check (tag handles ...)
//     kx::no_frame   check, no frame: host errors go to the caller's frame
//     kx::bare       neither: only the boundary guard
//     kx::Opts{.not_init = 641049}   another refusal code
//     kx::Opts{.acknowledge = f}     a caught host error whose code f accepts
//                                    is acknowledged (ERROR_acknowledge_handled)
//                                    after its code is taken, so that the host
//                                    does not report it again;
//                                    kx::acknowledging accepts every code
//
// Two more steps may come before the prologue, each made by its own helper:
//     kx::before_check(f)   runs first of all, before the frame is armed and
//                           before the initialisation check (outputs that are
//                           cleared also when the call is refused ...); a
//                           non-zero answer is the status
//     kx::on_error(f)       runs when a host error was caught by the frame,
//                           after its code is taken and before it is
//                           acknowledged, and when a release failure made
//                           the status of work that answered 0 (outputs
//                           that a failure clears ...)
// in this order: kx::frame(opts, kx::before_check(b), kx::on_error(e), prologue, work);
// either may be left out.
//
// A function that needs the status after the frame (to note it on the log,
// to hand it through an error argument ...) takes kx::frame's answer and
// works on; host calls after the frame belong inside kx::guarded:
//
//     return kx::guarded([&] {
//         int st = kx::frame(kx::no_check, [&] { ...; return 0; });
//         if (st != 0) ERROR_note("kx_cfi", 123, "...");
//         return st;
//     });
//
// ---- The boundary guard -------------------------------------------------
//
// kx::frame is guarded already. A function without a frame of its own that
// calls the host (or anything that may throw) wraps its body:
//
//     KXAPI void KX_free(void* block) {
//         kx::guarded([&] { SM_free(block); });
//     }
//
// Rules of the guard: a host error meant for a library frame passes on (its
// frame is further out); any other host error that reaches the OUTERMOST
// guard of the library is handed to the host, which pops the caller's own
// frame (KX_ERROR_set_handler) and longjmps to it, or, with no frame armed,
// stops the program with its message. The library calls its own functions
// through internal C++ functions, never through its exported entry points;
// a guard met inside the outermost one (a frame within a guarded step) lets
// the error pass, so that the C++ objects of the outer steps unwind before
// the jump. A C++ exception other than a host
// error (std::bad_alloc, say) is turned into a host internal error
// (ERROR_internal, code 670001) where it is caught, and then follows the
// same rules.
//
// The library calls user routines (callbacks) through kx::call_user, which
// clears the inside-the-library flag for the user code, so that errors raised in the
// interface functions the routine calls go to the routine's own frames.
//
// ---- A frame around internal code ------------------------------------------
//
// Code that is not an exported function's work but must not let a host
// error through (the calls of user routines, the roll-back of a failed edit)
// holds a kx::frame_scope: it arms a library frame when it is made and
// cancels it when it goes (also when the cancel has to remove frames that
// were armed inside it and left behind). A catch block asks caught(e):
// true when the error consumed the scope's frame, which then is gone.
//
// ---- Releases in clean-up --------------------------------------------------
//
// A destructor that gives something back to the host (SM_free, TEXT_free,
// an evaluator, a routine put back in place ...) makes the call through
// kx::release, which never lets an error out of the destructor: the call
// runs under a library frame of its own, and its error
//   - becomes the status when nothing failed before it: it is kept as the
//     pending release failure, which the frame around the work (kx::frame)
//     and the undo bracket (kx::undo_bracket, which then rolls the edit
//     back) take as their status when the work answered 0;
//   - is noted on the host log when an earlier error is already the status
//     (an error is on its way through the destructor, or the work answered
//     a non-zero status, or the frame caught a host error).
// Every holder of the library (kx::host_ptr, kx::held ...) releases through
// it.
//
// This file is the only one that arms, consumes or cancels a library frame.
#ifndef KX_CORE_FRAME_H
#define KX_CORE_FRAME_H

#include <exception>
#include <initializer_list>
#include <type_traits>
#include <utility>

#include "host/base/hook.h"
#include "host/base/services/error.h"
#include "kx_codes.h"
#include "kx_types.h"

namespace kx {

// ---- Status codes of the general band ------------------------------------

// The library's names for the codes that every family answers; the codes
// themselves are listed in kx_codes.h.
inline constexpr int kNotInitialized = KX_ERR_NOT_INITIALIZED;
inline constexpr int kNotCallableInternal = KX_ERR_NOT_CALLABLE_INTERNAL;
inline constexpr int kInitAfterTerminate = KX_ERR_INIT_AFTER_TERMINATE;
inline constexpr int kPartNotLoaded = KX_PART_ERR_NOT_LOADED;
inline constexpr int kNotSupported = KX_ERR_NOT_SUPPORTED;
inline constexpr int kNotFullyLoaded = KX_ERR_NOT_FULLY_LOADED;
inline constexpr int kNoWorkPart = KX_ERR_NO_WORK_PART;
inline constexpr int kOnlyAscii = KX_ERR_ONLY_ASCII;

// The line number that the host's log shows for the assertion below.
inline constexpr int kParamAssertionLine = 63;

// Code of a bad parameter n (counted from 1 in the argument list): 1105004
// to 1105007 for 1 to 4, 1105013 to 1105016 for 5 to 8, 1105027 and 1105028
// for 9 and 10. Other numbers are a fault of the caller: ERROR_internal.
constexpr int param(int n) {
    if (n >= 1 && n <= 4) return KX_ERR_BAD_PARAM_1 + (n - 1);
    if (n >= 5 && n <= 8) return KX_ERR_BAD_PARAM_5 + (n - 5);
    if (n == 9 || n == 10) return KX_ERR_BAD_PARAM_9 + (n - 9);
    ERROR_internal("kx_util", kParamAssertionLine, "Assertion failed: %s", "parameter number 1 to 10");
}

// One argument check: the condition that must hold, and the parameter's
// number. Pointers convert to their non-null test.
struct Arg {
    bool ok;
    int n;
    constexpr Arg(bool condition, int parameter) : ok(condition), n(parameter) {}
    template <class T>
    constexpr Arg(T* pointer, int parameter) : ok(pointer != nullptr), n(parameter) {}
};

// Code of the first failing check (in the order given), or 0. The
// conditions are all evaluated first: keep them cheap and independent
// (write dependent checks as plain ifs).
inline int check(std::initializer_list<Arg> args) {
    for (const Arg& a : args)
        if (!a.ok) return param(a.n);
    return 0;
}

// Clears output arguments: each non-null pointer's target becomes its zero
// value (NULL_TAG, 0, false, nullptr).
template <class... T>
inline void clear(T*... outputs) {
    ((outputs ? void(*outputs = T{}) : void()), ...);
}

// ---- Options ---------------------------------------------------------------

struct Opts {
    bool check_init = true;  // refuse with not_init when the session is not open
    bool arm = true;         // arm a host frame around the work
    bool arm_first = false;  // arm it before the initialisation check
    int not_init = kNotInitialized;
    bool (*acknowledge)(int code) = nullptr;  // caught codes to acknowledge; null: none
};

constexpr bool every_code(int) { return true; }

inline constexpr Opts standard{};
inline constexpr Opts acknowledging{.acknowledge = every_code};
inline constexpr Opts arm_first{.check_init = true, .arm = true, .arm_first = true};
inline constexpr Opts no_check{.check_init = false, .arm = true, .arm_first = false};
inline constexpr Opts no_frame{.check_init = true, .arm = false, .arm_first = false};
inline constexpr Opts bare{.check_init = false, .arm = false, .arm_first = false};

// ---- Internals ---------------------------------------------------------------

namespace detail {

// Session flag of the library (kx_initialize.cpp). The fast path of the
// initialisation check reads it; when it is clear, session_open_slow asks
// the host's environment kind, as KX_is_initialized does.
extern bool g_initialized;
bool session_open_slow();

// True while a call into the library runs under its outermost guard: only
// that guard hands errors to the host; guards inside it let them pass.
extern bool g_in_library;

// Turns the exception in flight (not a host error) into a host internal
// error. Call only inside a catch block.
[[noreturn]] void raise_foreign_exception();

// The pending release failure (see kx::release): 0 while none.
extern int g_release_failure;
// Notes on the host log that a release failed with the code while an
// earlier error is the status. Never raises.
void note_release_failure(int code) noexcept;
// The status after the work answered st: a pending release failure becomes
// it when st is 0, else it is noted. Clears the pending failure.
inline int merge_release_failure(int st) noexcept {
    const int pending = g_release_failure;
    if (pending == 0) return st;
    g_release_failure = 0;
    if (st == 0) return pending;
    note_release_failure(pending);
    return st;
}

// A function without a frame of its own: a release failure still pending
// when it ends is raised to the caller's frame, as any host error there.
[[noreturn]] void raise_release_failure();
inline void raise_pending_release_failure() {
    if (g_release_failure != 0) raise_release_failure();
}

// True while the host's journal or a test's script watches its routines:
// the frames are armed and cancelled through them then, so that both see
// every call. Otherwise a library frame is a record pushed on the host's
// frame stack in place and popped again, a few stores.
inline bool frames_watched() { return host::hook_detail::j_on || host::hook_detail::scripted != 0; }

// Arms a library frame; answers its id.
inline int arm_frame() {
    if (frames_watched()) return ERROR_set_handler(ERROR__default_handler, nullptr);
    auto& stack = host::error::g_frames;
    const int id = stack.next_id++;
    stack.frames.push_back({id, ERROR__default_handler, nullptr});
    return id;
}

// Cancels the library frame `id`; the host's routine when it is not the
// innermost (it drops what was armed inside it and notes the fault).
inline void cancel_frame(int id) {
    auto& frames = host::error::g_frames.frames;
    if (!frames_watched() && !frames.empty() && frames.back().id == id) {
        frames.pop_back();
        return;
    }
    ERROR_cancel_handler(id);
}
// True when the error in hand was raised below the library frame `id` and
// consumed it (the raise popped that frame and nothing further out).
inline bool consumed_frame(const host::HostError& e, int id) { return id != 0 && e.library_frame() == id; }

// Runs f, turning foreign exceptions into host errors. Always inlined, so
// that a frame compiles into its exported function as one piece (the
// framed-query benchmark measures it).
template <class F>
[[gnu::always_inline]] inline auto run_converting(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const host::HostError&) {
        throw;
    } catch (...) {
        raise_foreign_exception();
    }
}

template <class F>
inline int call_status(F& f) {
    if constexpr (std::is_void_v<decltype(f())>) {
        f();
        return 0;
    } else {
        return static_cast<int>(f());
    }
}

struct NoPrologue {
    int operator()() const { return 0; }
};
struct NoStep {
    void operator()() const {}
};

template <class F>
struct BeforeCheck {
    F f;
};
template <class F>
struct OnError {
    F f;
};

}  // namespace detail

// The extra steps of a frame (see above).
template <class F>
detail::BeforeCheck<F> before_check(F f) {
    return {std::move(f)};
}
template <class F>
detail::OnError<F> on_error(F f) {
    return {std::move(f)};
}

// True when the interface may be used (the same answer as KX_is_initialized).
inline bool session_open() { return detail::g_initialized || detail::session_open_slow(); }

// ---- The boundary guard -----------------------------------------------------

template <class F>
[[gnu::always_inline]] inline auto guarded(F&& f) -> decltype(f()) {
    // Inside the library (a frame within a guarded step ...): the outermost
    // guard decides.
    if (detail::g_in_library) return detail::run_converting(f);
    detail::g_in_library = true;
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            detail::run_converting(f);
            detail::raise_pending_release_failure();
            detail::g_in_library = false;
            return;
        } else {
            auto result = detail::run_converting(f);
            detail::raise_pending_release_failure();
            detail::g_in_library = false;
            return result;
        }
    } catch (const host::HostError& e) {
        detail::merge_release_failure(-1);  // the error in hand is the one passed on
        detail::g_in_library = false;
        if (e.for_library_frame()) throw;  // its frame is further out
        host::stash_for_user_frame(e);
    }
    // Outside the catch block: no C++ object of the library is live here.
    host::deliver_to_user_frame();
}

// Calls a user routine: the routine's own calls into the library get
// outermost guards again, so errors they raise reach the routine's frames.
template <class Fn, class... A>
auto call_user(Fn* routine, A&&... args) -> decltype(routine(std::forward<A>(args)...)) {
    const bool saved = detail::g_in_library;
    detail::g_in_library = false;
    struct Restore {
        bool saved;
        ~Restore() { detail::g_in_library = saved; }
    } restore{saved};
    return routine(std::forward<A>(args)...);
}

// ---- The frame ----------------------------------------------------------------

template <class Before, class OnErr, class Pro, class Work>
int frame(const Opts& o, detail::BeforeCheck<Before> before, detail::OnError<OnErr> failed, Pro&& prologue,
          Work&& work) {
    return guarded([&, before = std::move(before), failed = std::move(failed)]() __attribute__((always_inline)) -> int {
        // A release failure pending further out stays with the work out there.
        struct KeepOuter {
            int saved = std::exchange(detail::g_release_failure, 0);
            ~KeepOuter() {
                if (saved != 0) detail::g_release_failure = saved;
            }
        } keep_outer;
        int id = 0;      // handler id of the armed frame, 0 while none
        int caught = 0;  // the code of the error that consumed our frame
        auto arm = [&] { id = detail::arm_frame(); };
        auto cancel = [&] {
            if (id != 0) detail::cancel_frame(id);
        };
        try {
            return detail::run_converting([&]() -> int {
                if (int st = detail::call_status(before.f); st != 0) return st;
                if (o.arm && o.arm_first) arm();
                if (o.check_init && !session_open()) {
                    cancel();
                    return o.not_init;
                }
                if (int st = detail::call_status(prologue); st != 0) {
                    cancel();
                    return st;
                }
                if (o.arm && id == 0) arm();
                const int done = detail::call_status(work);
                const int st = detail::merge_release_failure(done);
                if (done == 0 && st != 0) {
                    // A release failed: the call failed, as after a caught error.
                    failed.f();
                    if (o.acknowledge && o.acknowledge(st)) ERROR_acknowledge_handled(st);
                }
                cancel();
                return st;
            });
        } catch (const host::HostError& e) {
            if (!detail::consumed_frame(e, id)) throw;
            caught = e.code();
        }
        // The error consumed our frame: its code is the status. The host's
        // failure code is the same unless a clean-up on the way out (a
        // release, a roll-back) failed too: that one is noted on the log,
        // and the error that ended the work stays the status.
        const int asked = ERROR_ask_failure_code();
        const int st = caught != 0 ? caught : asked;
        detail::merge_release_failure(st);
        failed.f();
        if (o.acknowledge && o.acknowledge(st)) ERROR_acknowledge_handled(st);
        return st;
    });
}

template <class Before, class Pro, class Work>
int frame(const Opts& o, detail::BeforeCheck<Before> before, Pro&& prologue, Work&& work) {
    return frame(o, std::move(before), on_error(detail::NoStep{}), prologue, work);
}

template <class OnErr, class Pro, class Work>
int frame(const Opts& o, detail::OnError<OnErr> failed, Pro&& prologue, Work&& work) {
    return frame(o, before_check(detail::NoPrologue{}), std::move(failed), prologue, work);
}

template <class Pro, class Work>
int frame(const Opts& o, Pro&& prologue, Work&& work) {
    return frame(o, before_check(detail::NoPrologue{}), on_error(detail::NoStep{}), prologue, work);
}

template <class Work>
int frame(const Opts& o, Work&& work) {
    return frame(o, detail::NoPrologue{}, std::forward<Work>(work));
}

template <class Work>
int frame(Work&& work) {
    return frame(standard, detail::NoPrologue{}, std::forward<Work>(work));
}

template <class Pro, class Work>
requires std::is_invocable_v<Pro&>
int frame(Pro&& prologue, Work&& work) {
    return frame(standard, std::forward<Pro>(prologue), std::forward<Work>(work));
}

// ---- A frame around internal code --------------------------------------------

class frame_scope {
public:
    frame_scope() : id_(detail::arm_frame()) {}
    ~frame_scope() {
        if (id_ != 0) detail::cancel_frame(id_);
    }
    frame_scope(const frame_scope&) = delete;
    frame_scope& operator=(const frame_scope&) = delete;

    // In a catch block: true when the error in hand consumed this frame
    // (nothing is left to cancel then).
    bool caught(const host::HostError& e) {
        if (!detail::consumed_frame(e, id_)) return false;
        id_ = 0;
        return true;
    }

private:
    int id_;
};

// ---- Releases in clean-up (see the head of this file) ---------------------------

// after_error: the caller knows that an earlier error is the status (a
// catch block that passes it on).
template <class F>
void release(F&& f, bool after_error = false) noexcept {
    const bool earlier_error = after_error || std::uncaught_exceptions() > 0;
    int code = 0;
    try {
        frame_scope scope;
        try {
            f();
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
            code = ERROR_ask_failure_code();
        }
    } catch (...) {
        // An error meant for a frame further out, or not a host error: the
        // release is still failed, and its destructor must not pass it on.
        code = code != 0 ? code : HOST_ERR_INTERNAL;
    }
    if (code == 0) return;
    if (earlier_error || detail::g_release_failure != 0) detail::note_release_failure(code);
    else detail::g_release_failure = code;
}

// A resource of the host held for the length of a call, given back through
// Free on every way out (by kx::release). release() hands it on.
template <class T, void (*Free)(T*)>
class held {
public:
    held() = default;
    explicit held(T* p) : p_(p) {}
    held(held&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    held& operator=(held&& other) noexcept {
        if (this != &other) reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~held() { reset(); }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T* release() { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) {
        if (T* old = std::exchange(p_, p)) kx::release([old] { Free(old); });
    }

private:
    T* p_ = nullptr;
};

}  // namespace kx

#endif
