// The operation frame and the boundary guard: status rules under injected
// host errors, the variants, the caller's own frames, and the helpers that
// every function uses (parameter codes, clearing outputs, undo bracket).
#include <csetjmp>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.h"
#include "host/store/entities/display.h"
#include "host/model/feature/undo.h"
#include "host/base/services/objects.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"
#include "kx_abort.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "kx_part.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace {

using hc = host::control::CaptureStreams;
namespace ctl = host::control;

class Frame : public FreshProcess {
protected:
    void open() {
        ASSERT_EQ(KX_initialize(), 0);
        ctl::clear_journal();
    }
};

// ---- Host errors become the status --------------------------------------------

struct Injected {
    const char* name;  // the host function that raises
    int (*call)();     // the library call; answers its status
};

int call_allocate() {
    int error = -1;
    void* p = KX_allocate_memory(16, &error);
    EXPECT_EQ(p == nullptr, error != 0);
    KX_free(p);
    return error;
}
int call_reallocate() {
    int error = -1;
    void* p = KX_reallocate_memory(nullptr, 16, &error);
    EXPECT_EQ(p == nullptr, error != 0);
    KX_free(p);
    return error;
}
int call_reallocate_to_zero() {
    int error = -1;
    void* block = SM_alloc_persistent(4);
    void* p = KX_reallocate_memory(block, 0, &error);
    EXPECT_EQ(p, nullptr);
    if (error != 0) SM_free(block);
    return error;
}
int call_ask_abort() {
    logical flag = 7;
    return KX_ABORT_ask_flag_status(&flag);
}
int call_compose() {
    char* handle = reinterpret_cast<char*>(1);
    int st = KX_TAG_compose_handle("NFpart.prt", 3, 1, &handle);
    if (st == 0) KX_free(handle);
    else EXPECT_EQ(handle, nullptr);
    return st;
}
int call_decompose() {
    char* file = nullptr;
    unsigned sub = 0, version = 0;
    int st = KX_TAG_decompose_handle("NFpart.prt#00000003#00000001", &file, &sub, &version);
    if (st == 0) KX_free(file);
    return st;
}

class HostErrors : public Frame, public ::testing::WithParamInterface<Injected> {};

TEST_P(HostErrors, BecomeTheStatusAndConsumeTheFrame) {
    open();
    const Injected& c = GetParam();
    const std::size_t blocks = ctl::live_blocks();
    EXPECT_EQ(c.call(), 0) << "runs through without the script";
    EXPECT_EQ(ctl::call_count("ERROR_set_handler"), 1);
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 1);
    ctl::clear_log();

    for (int code : {HOST_ERR_NO_MEMORY, 750003, 1055004}) {
        ctl::clear_journal();
        ctl::raise_on(c.name, code, 1);
        EXPECT_EQ(c.call(), code) << c.name;
        ctl::clear_script(c.name);
        EXPECT_EQ(ctl::frame_depth(), 0);
        EXPECT_EQ(ctl::call_count("ERROR_set_handler"), 1);
        EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 0) << "the raise consumed the frame";
        EXPECT_EQ(ctl::call_count("ERROR_ask_failure_code"), 1);
    }
    EXPECT_TRUE(ctl::log_lines().empty());
    EXPECT_EQ(ctl::live_blocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, HostErrors,
    ::testing::Values(Injected{"SM_alloc_persistent", call_allocate},
                      Injected{"SM_realloc_persistent", call_reallocate}, Injected{"SM_free", call_reallocate_to_zero},
                      Injected{"ABORT_ask_flag_status", call_ask_abort},
                      Injected{"ABORT_clear_abort", [] { return KX_ABORT_clear_abort(); }},
                      Injected{"ABORT_increment_lock_level", [] { return KX_ABORT_disable_abort(); }},
                      Injected{"ABORT_decrement_lock_level", [] { return KX_ABORT_enable_abort(); }},
                      Injected{"TAG_ask_dm_of_name", call_compose}, Injected{"TAG_compose_handle", call_compose},
                      Injected{"TAG_decompose_handle", call_decompose}, Injected{"TAG_ask_name_of_dm", call_decompose}),
    [](const auto& info) { return std::to_string(info.index) + "_" + info.param.name; });

// ---- Variants of the frame ----------------------------------------------------

struct Variant {
    const char* name;
    int (*call)();
    int uninitialised_status;
    bool arms_when_uninitialised;
};

class Variants : public Frame, public ::testing::WithParamInterface<Variant> {};

TEST_P(Variants, BeforeInitialize) {
    const Variant& v = GetParam();
    EXPECT_EQ(v.call(), v.uninitialised_status);
    EXPECT_EQ(ctl::call_count("ERROR_set_handler"), v.arms_when_uninitialised ? 1 : 0);
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), ctl::call_count("ERROR_set_handler"));
    EXPECT_EQ(ctl::frame_depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Functions, Variants,
                         ::testing::Values(Variant{"allocate_checks_first", call_allocate, 1105000, false},
                                           Variant{"reallocate_arms_first", call_reallocate, 1105000, true},
                                           Variant{"abort_arms_first", [] { return KX_ABORT_clear_abort(); }, 1105000,
                                                   true},
                                           Variant{"compose_needs_no_session", call_compose, 0, true},
                                           Variant{"decompose_needs_no_session", call_decompose, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Frame, AbortFamilyAnswersTheHost) {
    open();
    const int level = host::support::abort_lock_level();
    EXPECT_EQ(KX_ABORT_disable_abort(), 0);
    EXPECT_EQ(KX_ABORT_disable_abort(), 0);
    EXPECT_EQ(KX_ABORT_enable_abort(), 0);
    EXPECT_EQ(host::support::abort_lock_level(), level + 1);

    host::support::set_abort_flag(true);
    logical flag = 0;
    EXPECT_EQ(KX_ABORT_ask_flag_status(&flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(KX_ABORT_clear_abort(), 0);
    EXPECT_EQ(KX_ABORT_ask_flag_status(&flag), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(KX_ABORT_ask_flag_status(nullptr), 1105004);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

// ---- The helper itself ------------------------------------------------------------

TEST(FrameHelpers, ParameterCodes) {
    const int expected[] = {1105004, 1105005, 1105006, 1105007, 1105013, 1105014, 1105015, 1105016, 1105027, 1105028};
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(kx::param(n), expected[n - 1]) << n;
    int x = 0;
    int* none = nullptr;
    EXPECT_EQ(kx::check({{true, 1}, {&x, 2}}), 0);
    EXPECT_EQ(kx::check({{true, 1}, {none, 6}, {false, 2}}), 1105014);
    EXPECT_EQ(kx::check({{false, 10}}), 1105028);
}

TEST(FrameHelpers, ClearOutputs) {
    tag t = 5;
    int n = 3;
    double d = 2.5;
    char* p = reinterpret_cast<char*>(&n);
    logical l = 1;
    kx::clear(&t, &n, &d, &p, &l, static_cast<int*>(nullptr));
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(l, 0);
}

TEST_F(Frame, OrderOfTheSteps) {
    int* out = nullptr;
    int value = 9;
    // Not initialised: refused before the prologue runs.
    bool prologue_ran = false;
    EXPECT_EQ(kx::frame(
                  [&] {
                      prologue_ran = true;
                      return 0;
                  },
                  [&] { return 0; }),
              1105000);
    EXPECT_FALSE(prologue_ran);
    EXPECT_EQ(kx::frame(kx::Opts{.not_init = 641049}, [] { return 0; }), 641049);

    open();
    // A refused argument: no frame armed, outputs cleared.
    EXPECT_EQ(kx::frame(
                  [&] {
                      kx::clear(&value);
                      return kx::check({{out, 2}});
                  },
                  [&] { return 0; }),
              1105005);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(ctl::call_count("ERROR_set_handler"), 0);

    // The work runs under the frame; its status is returned; the frame is cancelled.
    int depth_inside = -1;
    EXPECT_EQ(kx::frame([&] {
                  depth_inside = ctl::frame_depth();
                  return 17;
              }),
              17);
    EXPECT_EQ(depth_inside, 1);
    EXPECT_EQ(ctl::frame_depth(), 0);
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 1);

    // no_frame: host errors are not caught here but by the frame further out.
    auto inner = [] { return kx::frame(kx::no_frame, [] { ERROR_raise("test", 1, 750003, "x"); }); };
    EXPECT_EQ(kx::frame([&] { return inner() + 1; }), 750003);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

// The steps before the check and after a caught error, and the codes that a
// frame acknowledges, in one table: what ran, the status, what the host was
// told.
TEST_F(Frame, StepsBeforeTheCheckAndAfterAnError) {
    struct Case {
        const char* title;
        bool open;
        int raise;          // raised by the work; 0: the work answers 5
        int before_answer;  // answer of the step before the check
        int status;
        const char* steps;  // b: before the check, p: prologue, w: work, e: on error
        std::vector<int> acknowledged;
    };
    const Case cases[] = {
        {"closed session: only the step before the check", false, 0, 0, 1105000, "b", {}},
        {"a refusal before the check ends the call", true, 0, 1105004, 1105004, "b", {}},
        {"the work's status", true, 0, 0, 5, "bpw", {}},
        {"a caught error runs the clean-up, then is acknowledged", true, 1510002, 0, 1510002, "bpwe", {1510002}},
        {"a code the predicate refuses is not acknowledged", true, 641005, 0, 641005, "bpwe", {}},
    };
    for (const Case& c : cases) {
        ctl::reset();
        kx_reset_session_for_tests();
        if (c.open) open();
        std::string steps;
        const int st = kx::frame(
            kx::Opts{.acknowledge = [](int code) { return code == 1510002; }}, kx::before_check([&] {
                steps += 'b';
                return c.before_answer;
            }),
            kx::on_error([&] { steps += 'e'; }),
            [&] {
                steps += 'p';
                return 0;
            },
            [&] {
                steps += 'w';
                if (c.raise) ERROR_raise("test", 3, c.raise, "work");
                return 5;
            });
        EXPECT_EQ(st, c.status) << c.title;
        EXPECT_EQ(steps, c.steps) << c.title;
        EXPECT_EQ(ctl::acknowledged_codes(), c.acknowledged) << c.title;
        EXPECT_EQ(ctl::frame_depth(), 0) << c.title;
    }
}

// A frame around internal code: cancelled on the way out, gone once an
// error consumed it, and cancelled with what was armed inside and left.
TEST_F(Frame, ScopeAroundInternalCode) {
    open();
    {
        kx::frame_scope scope;
        EXPECT_EQ(ctl::frame_depth(), 1);
    }
    EXPECT_EQ(ctl::frame_depth(), 0);
    {
        kx::frame_scope scope;
        try {
            ERROR_raise("test", 5, 750003, "inside");
        } catch (const host::HostError& e) {
            EXPECT_TRUE(scope.caught(e));
        }
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 1);
    {
        kx::frame_scope scope;
        ERROR_set_handler(ERROR__default_handler, nullptr);  // left behind inside
    }
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Frame, NestedFramesEachCatchTheirOwn) {
    open();
    int after_inner = 0;
    const int st = kx::frame([&] {
        after_inner = kx::frame([] { ERROR_raise("test", 2, 1480004, "inner"); });
        EXPECT_EQ(ctl::frame_depth(), 1);
        ERROR_raise("test", 3, 1480005, "outer");
    });
    EXPECT_EQ(after_inner, 1480004);
    EXPECT_EQ(st, 1480005);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Frame, ErrorBeforeArmingGoesFurtherOut) {
    open();
    // Raised in the prologue: this frame is not armed yet, the outer one catches.
    auto code = ctl::raised_code([] {
        kx::frame(
            [] {
                ERROR_raise("test", 4, 875009, "prologue");
                return 0;
            },
            [] { return 0; });
        ADD_FAILURE() << "the raise must not come back here";
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 875009);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Frame, ForeignExceptionsBecomeInternalErrors) {
    open();
    EXPECT_EQ(kx::frame([]() -> int { throw std::bad_alloc(); }), HOST_ERR_INTERNAL);
    EXPECT_EQ(kx::frame([]() -> int { throw std::runtime_error("boom"); }), HOST_ERR_INTERNAL);
    EXPECT_EQ(ctl::frame_depth(), 0);
    // Without a frame of its own the error goes to the caller's frame.
    auto code = ctl::raised_code([] { kx::guarded([] { throw std::out_of_range("x"); }); });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, HOST_ERR_INTERNAL);
}

TEST_F(Frame, FramelessCallInsideAFrameReportsToIt) {
    open();
    int bogus = 0;
    EXPECT_EQ(kx::frame([&] { KX_free(&bogus); }), HOST_ERR_BAD_BLOCK);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

// ---- The caller's own frame ----------------------------------------------------------

// A user program's pattern: arm its own frame, call a function that has no
// frame of its own, get the status of the host error raised inside it.
int user_program_frees(void* block, int* code) {
    static std::jmp_buf buffer;  // NOLINT: the program's own jump buffer
    volatile int handler = -1;
    if (setjmp(buffer) == 0) {
        handler = KX_ERROR_set_handler(buffer);
        if (handler < 0) return -1;
        KX_free(block);
        KX_ERROR_cancel_handler(handler);
        *code = 0;
        return 0;
    }
    *code = KX_ERROR_ask_failure_code();
    return 1;
}

TEST_F(Frame, UserFrameGetsTheErrorOfAFramelessCall) {
    open();
    int code = -1;
    int bogus = 0;
    EXPECT_EQ(user_program_frees(&bogus, &code), 1) << "came back through the jump";
    EXPECT_EQ(code, HOST_ERR_BAD_BLOCK);
    EXPECT_EQ(ctl::frame_depth(), 0) << "the host popped the user frame";

    // A valid block: no error, the frame is cancelled by the program.
    EXPECT_EQ(user_program_frees(SM_alloc(8), &code), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Frame, UserFrameAcrossNestedLibraryCalls) {
    open();
    // KX_MODL_delete_loop_list calls KX_MODL_delete_list inside: the error of
    // the inner call unwinds through the outer one before the jump.
    kx::loop_spec specs[] = {{1, {5, 6}}, {2, {7}}};
    loop_list* loops = kx::make_loop_list(specs);
    tag_list* const first_edge = loops->edge_list;  // freed after the second: its free raises
    static std::jmp_buf buffer;
    volatile int jumped = 0;
    if (setjmp(buffer) == 0) {
        const int id = KX_ERROR_set_handler(buffer);
        ctl::raise_on("SM_free", 670042, 2);
        KX_MODL_delete_loop_list(&loops);
        KX_ERROR_cancel_handler(id);
    } else {
        jumped = 1;
    }
    ctl::clear_scripts();
    EXPECT_EQ(jumped, 1);
    EXPECT_EQ(KX_ERROR_ask_failure_code(), 670042);
    EXPECT_EQ(ctl::frame_depth(), 0);
    EXPECT_FALSE(kx::detail::g_in_library);
    // The list is partly freed (a list goes from its tail); release what is
    // left.
    EXPECT_EQ(first_edge->next, nullptr);
    SM_free(first_edge);
    SM_free(loops->next->edge_list);
    SM_free(loops);
}

TEST_F(Frame, UserFrameIsNotUsedByAFunctionWithItsOwnFrame) {
    open();
    static std::jmp_buf buffer;
    volatile int jumped = 0;
    int error = 0;
    if (setjmp(buffer) == 0) {
        const int id = KX_ERROR_set_handler(buffer);
        ASSERT_GT(id, 0);
        ctl::raise_on("SM_alloc_persistent", HOST_ERR_NO_MEMORY);
        EXPECT_EQ(KX_allocate_memory(8, &error), nullptr);
        EXPECT_EQ(ctl::frame_depth(), 1);
        KX_ERROR_cancel_handler(id);
    } else {
        jumped = 1;
    }
    EXPECT_EQ(jumped, 0);
    EXPECT_EQ(error, HOST_ERR_NO_MEMORY);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Frame, HandlerFunctionsRefuse) {
    std::jmp_buf buffer;
    EXPECT_EQ(KX_ERROR_set_handler(buffer), -1) << "not initialised";
    EXPECT_EQ(KX_ERROR_ask_failure_code(), 1105000);
    KX_ERROR_cancel_handler(3);
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 0);
    open();
    EXPECT_EQ(KX_ERROR_set_handler(nullptr), -1);
    KX_ERROR_cancel_handler(-1);
    EXPECT_EQ(ctl::call_count("ERROR_set_handler"), 0);
    EXPECT_EQ(ctl::call_count("ERROR_cancel_handler"), 0);
}

// ---- The undo bracket --------------------------------------------------------------

class RecordingUndo : public kx::UndoService {
public:
    std::vector<std::string> events;
    kx::mark_id set_mark(int visibility, const char* name) override {
        events.push_back("set " + std::to_string(visibility) + " " + name);
        return 42;
    }
    void undo_to_mark(kx::mark_id id, const char*) override { events.push_back("undo " + std::to_string(id)); }
    void delete_mark(kx::mark_id id, const char*) override { events.push_back("delete " + std::to_string(id)); }
    void delete_to_mark(kx::mark_id id, const char*) override { events.push_back("delete to " + std::to_string(id)); }
};

TEST_F(Frame, UndoBracket) {
    open();
    kx::UndoService* const installed = &kx::undo_service();
    RecordingUndo undo;
    kx::set_undo_service(&undo);
    struct Case {
        int outcome;  // 0 success, >0 a status, <0 a host error of -outcome
        int status;
        std::vector<std::string> events;
    };
    const std::vector<std::string> rolled_back = {"set 1 Edit thing", "undo 42", "delete 42"};
    for (const Case& c : {Case{0, 0, {"set 1 Edit thing", "delete 42"}}, Case{1480005, 1480005, rolled_back},
                          Case{-750003, 750003, rolled_back}}) {
        undo.events.clear();
        const int st = kx::frame([&] {
            return kx::undo_bracket(1, "Edit thing", [&] {
                if (c.outcome < 0) ERROR_raise("test", 5, -c.outcome, "edit failed");
                return c.outcome;
            });
        });
        EXPECT_EQ(st, c.status);
        EXPECT_EQ(undo.events, c.events) << c.outcome;
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
    kx::set_undo_service(nullptr);
    // The default service does nothing visible.
    EXPECT_EQ(kx::frame([] { return kx::undo_bracket(0, "x", [] { return 3; }); }), 3);
    for (const std::string& name : ctl::call_names()) EXPECT_EQ(name.find("UNDO"), std::string::npos) << name;
    kx::set_undo_service(installed);
}

// With the host's undo service: a failed edit is rolled back and leaves no
// mark behind; the marks set before the bracket stay.
TEST_F(Frame, UndoBracketLeavesNoMarkBehind) {
    open();
    int status = 0;
    const unsigned user_mark = UNDO_JQ_set_mark(1, "user", &status);
    ASSERT_EQ(status, 0);
    struct Case {
        int outcome;  // as above
        int status;
        bool kept;
    };
    int n = 0;
    for (Case c : {Case{1480005, 1480005, false}, Case{-750003, 750003, false}, Case{0, 0, true}}) {
        const std::string file = "edit" + std::to_string(n++) + ".prt";
        tag made = NULL_TAG;
        const int st = kx::frame([&] {
            return kx::undo_bracket(1, "Edit thing", [&] {
                made = ctl::make_part(file, {{3, 0}}).objects[0];
                if (c.outcome < 0) ERROR_raise("test", 6, -c.outcome, "edit failed");
                return c.outcome;
            });
        });
        EXPECT_EQ(st, c.status);
        EXPECT_EQ(host::objects::is_alive(made), c.kept) << c.outcome;
        const auto marks = host::undo::marks();
        ASSERT_EQ(marks.size(), 1u) << c.outcome;
        EXPECT_EQ(marks[0].id, user_mark);
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
}

// A probe changes the model only for its own length: what it made is gone
// and no mark stays, whether it answers 0, a status or raises; its status
// is the answer.
TEST_F(Frame, ProbeAlwaysGoesBackToItsMark) {
    open();
    int status = 0;
    const unsigned user_mark = UNDO_JQ_set_mark(1, "user", &status);
    ASSERT_EQ(status, 0);
    struct Case {
        int outcome;  // as above
        int status;
    };
    int n = 0;
    for (Case c : {Case{0, 0}, Case{1480005, 1480005}, Case{-750003, 750003}}) {
        const std::string file = "probe" + std::to_string(n++) + ".prt";
        tag made = NULL_TAG;
        bool alive_inside = false;
        const int st = kx::frame([&] {
            return kx::probe_under_mark([&] {
                made = ctl::make_part(file, {{3, 0}}).objects[0];
                alive_inside = host::objects::is_alive(made);
                if (c.outcome < 0) ERROR_raise("test", 8, -c.outcome, "probe failed");
                return c.outcome;
            });
        });
        EXPECT_EQ(st, c.status);
        EXPECT_TRUE(alive_inside) << c.outcome;
        EXPECT_FALSE(host::objects::is_alive(made)) << c.outcome;
        const auto marks = host::undo::marks();
        ASSERT_EQ(marks.size(), 1u) << c.outcome;
        EXPECT_EQ(marks[0].id, user_mark);
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
}

// The roll-back after a host error fails too: noted on the log, the
// program goes on, and the error that failed the edit stays the status.
TEST_F(Frame, UndoBracketSurvivesAFailedRollBack) {
    open();
    ctl::raise_on("UNDO_JQ_undo_to_mark", 1055001);
    const int st = kx::frame(
        [] { return kx::undo_bracket(1, "Edit thing", [] { ERROR_raise("test", 7, 750003, "edit failed"); }); });
    ctl::clear_scripts();
    EXPECT_EQ(st, 750003) << "the error that failed the edit";
    EXPECT_EQ(ctl::frame_depth(), 0);
    const auto log = ctl::log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("kx_util"), std::string::npos);
    EXPECT_NE(log[0].find("failed with error 1055001"), std::string::npos);
}

// ---- Releases in clean-up ----------------------------------------------------------

// A held host block whose free fails: the failure is the status when
// nothing failed before it, and only noted on the log when an earlier error
// is the status; no error ever leaves the destructor.
TEST_F(Frame, ReleaseFailureIsTheStatusOrANote) {
    open();
    struct Case {
        const char* what;
        int earlier;  // a host error raised after the block is held, 0 none
        int status;
        std::size_t notes;
    };
    for (const Case& c : {Case{"nothing failed before", 0, 750003, 0}, Case{"an earlier error", 1055001, 1055001, 1}}) {
        ctl::clear_log();
        const std::size_t blocks = ctl::live_blocks();
        ctl::raise_on("SM_free", 750003);
        void* block = nullptr;
        const int st = kx::frame([&] {
            const kx::host_ptr<void> held(block = SM_alloc(8));
            if (c.earlier) ERROR_raise("test", 8, c.earlier, "work failed");
            return 0;
        });
        ctl::clear_scripts();
        EXPECT_EQ(st, c.status) << c.what;
        EXPECT_EQ(ctl::frame_depth(), 0) << c.what;
        const auto log = ctl::log_lines();
        ASSERT_EQ(log.size(), c.notes) << c.what;
        if (c.notes) {
            EXPECT_NE(log[0].find("Release failed with error 750003"), std::string::npos) << log[0];
        }
        EXPECT_EQ(ctl::live_blocks(), blocks + 1) << "the host kept the block it did not free";
        SM_free(block);
    }
}

// A release that fails in a bracketed edit fails the edit: it is rolled
// back and its mark goes.
TEST_F(Frame, ReleaseFailureRollsTheEditBack) {
    open();
    ctl::raise_on("SM_free", 750003);
    tag made = NULL_TAG;
    void* block = nullptr;
    const int st = kx::frame([&] {
        return kx::edit_with_tail([&] {
            const kx::host_ptr<void> held(block = SM_alloc(8));
            made = ctl::make_part("released.prt", {{3, 0}}).objects[0];
        });
    });
    ctl::clear_scripts();
    EXPECT_EQ(st, 750003);
    EXPECT_FALSE(host::objects::is_alive(made));
    EXPECT_TRUE(host::undo::marks().empty());
    EXPECT_EQ(ctl::frame_depth(), 0);
    SM_free(block);
}

// A frameless function: a release failure still pending at its end goes
// to the caller's own frame, as every host error there.
TEST_F(Frame, ReleaseFailureOfAFramelessCallReachesTheCallersFrame) {
    open();
    ctl::raise_on("SM_free", 750003);
    void* block = nullptr;
    const auto code =
        ctl::raised_code([&] { kx::guarded([&] { const kx::host_ptr<void> held(block = SM_alloc(8)); }); });
    ctl::clear_scripts();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 750003);
    EXPECT_EQ(ctl::frame_depth(), 0);
    SM_free(block);
}

// ---- regenerate_after_edit -----------------------------------------------------------

TEST_F(Frame, RegenerateAfterEdit) {
    const auto f = ctl::make_part("p.prt", {{70, 0}, {3, 0}});
    struct Case {
        int mode;
        tag object;
        int updates;
    };
    for (Case c : {Case{1, f.objects[0], 1}, Case{0, f.objects[0], 0}, Case{1, f.objects[1], 0}}) {
        ctl::reset();
        const auto g = ctl::make_part("p.prt", {{70, 0}, {3, 0}});
        tag object = c.object == f.objects[0] ? g.objects[0] : g.objects[1];
        int mode = c.mode;
        EXPECT_EQ(regenerate_after_edit(&mode, &object), 0);
        EXPECT_EQ(host::display::state().updates, c.updates) << c.mode;
        ASSERT_EQ(host::display::state().regenerated.size(), 1u);
        EXPECT_EQ(host::display::state().regenerated[0], object);
    }
}



// ---- Frames as a user's process has them ----------------------------------------

// With the journal off and nothing scripted (as the shipped library runs),
// the frames arm and cancel on the host's frame stack in place. The same
// rules hold: each frame catches what is raised below it, a raise before
// arming goes further out, a frame left armed inside a scope goes with it,
// and the caller's own frame gets the error of a frameless call.
TEST_F(Frame, FramesInPlaceWithTheJournalOff) {
    open();
    ctl::set_journal(false);
    const int first_id = host::error::g_frames.next_id;
    int after_inner = 0;
    EXPECT_EQ(kx::frame([&] {
                  after_inner = kx::frame([] { ERROR_raise("test", 2, 1480004, "inner"); });
                  EXPECT_EQ(ctl::frame_depth(), 1);
                  ERROR_raise("test", 3, 1480005, "outer");
              }),
              1480005);
    EXPECT_EQ(after_inner, 1480004);
    EXPECT_EQ(ctl::frame_depth(), 0);
    EXPECT_EQ(kx::frame([] { return 7; }), 7);
    EXPECT_EQ(host::error::g_frames.next_id, first_id + 3) << "three frames armed in place";

    auto code = ctl::raised_code([] {
        kx::frame(
            [] {
                ERROR_raise("test", 4, 875009, "prologue");
                return 0;
            },
            [] { return 0; });
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 875009);
    {
        kx::frame_scope scope;
        ERROR_set_handler(ERROR__default_handler, nullptr);  // left behind inside
    }
    EXPECT_EQ(ctl::frame_depth(), 0);

    int user_code = -1;
    int bogus = 0;
    EXPECT_EQ(user_program_frees(&bogus, &user_code), 1);
    EXPECT_EQ(user_code, HOST_ERR_BAD_BLOCK);
    EXPECT_EQ(ctl::frame_depth(), 0);

    // A type query, framed, answers as with the journal on.
    int type = -1, subtype = -1;
    const double at[3] = {2.5, -1.25, 4.0};
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new("frames_in_place", 1, &part), 0);
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(const_cast<double*>(at), &point), 0);
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(point, &type, &subtype), 0);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(point + 1000, &type, &subtype), 1105004);
    EXPECT_EQ(ctl::frame_depth(), 0);
    ctl::set_journal(true);
    // The scope's cancel found a frame armed inside it: noted as before.
    bool noted = false;
    for (const auto& line : ctl::log_lines()) noted = noted || line.find("is not the innermost") != std::string::npos;
    EXPECT_TRUE(noted);
}

}  // namespace
