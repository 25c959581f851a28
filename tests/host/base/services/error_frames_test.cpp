// The error service's frame stack: library frames, user jump-buffer frames,
// nesting, cancelling, and a raise with no frame.
#include <csetjmp>
#include <string>

#include "host/base/services/error.h"
#include "tests/host/host_test.h"

namespace hc = host::control;

namespace {

int destroyed = 0;  // objects unwound between a raise and its frame

struct Tracker {
    ~Tracker() { ++destroyed; }
};

void raise_deep(int depth, int code);
void (*volatile deeper)(int, int) = raise_deep;

void raise_deep(int depth, int code) {
    Tracker t;
    if (depth > 0) deeper(depth - 1, code);
    else ERROR_raise("deep_module", 77, code, "raised at depth %d", depth);
}

// The boundary guard of an exported function, as the library writes it: a
// host error for a library frame passes on, any other one is delivered to
// the user frame once the exception is finished (no C++ object of the guard
// is live at the longjmp).
template <class F>
int guard(F&& f) {
    try {
        return f();
    } catch (const host::HostError& e) {
        if (e.for_library_frame()) throw;
        host::stash_for_user_frame(e);
    }
    host::deliver_to_user_frame();
}

// Stands for an exported function of the library without a frame of its own.
int exported_without_frame(int code) {
    return guard([&] {
        raise_deep(3, code);
        return 0;
    });
}

// Stands for an exported function with a library frame: status or 0.
int exported_with_frame(int code) {
    return guard([&] {
        int id = host::arm_library_frame();
        try {
            if (code) raise_deep(2, code);
        } catch (const host::HostError&) {
            return ERROR_ask_failure_code();
        }
        ERROR_cancel_handler(id);
        return 0;
    });
}

using ErrorFrames = HostTest;

TEST_F(ErrorFrames, LibraryFrameCatchesAndIsConsumed) {
    destroyed = 0;
    EXPECT_EQ(exported_with_frame(1105004), 1105004);
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(hc::frame_depth(), 0);  // consumed by the unwinding, not cancelled
    EXPECT_EQ(ERROR_ask_failure_code(), 1105004);
    EXPECT_EQ(exported_with_frame(0), 0);
    EXPECT_EQ(hc::frame_depth(), 0);
    EXPECT_TRUE(hc::log_lines().empty());
}

TEST_F(ErrorFrames, InnermostLibraryFrameCatchesNestedRaise) {
    int outer = host::arm_library_frame();
    int inner_status = exported_with_frame(42);  // inner frame catches
    EXPECT_EQ(inner_status, 42);
    EXPECT_EQ(hc::frame_depth(), 1);
    // The outer frame still catches the next raise.
    bool caught = false;
    try {
        ERROR_raise("m", 1, 43, "second");
    } catch (const host::HostError& e) {
        caught = true;
        EXPECT_TRUE(e.for_library_frame());
        EXPECT_EQ(e.code(), 43);
        EXPECT_EQ(e.module(), "m");
        EXPECT_EQ(e.text(), "second");
    }
    EXPECT_TRUE(caught);
    EXPECT_EQ(hc::frame_depth(), 0);
    (void)outer;
}

TEST_F(ErrorFrames, UserFrameReceivesRaiseFromNestedCall) {
    destroyed = 0;
    static jmp_buf buffer;
    int id = ERROR_set_handler(ERROR__default_handler, buffer);
    EXPECT_GT(id, 0);
    EXPECT_TRUE(host::error::innermost_is_user_frame());
    if (setjmp(buffer) == 0) {
        exported_without_frame(1155003);
        FAIL() << "the raise did not reach the user frame";
    }
    EXPECT_EQ(destroyed, 4);  // every C++ object between raise and guard unwound
    EXPECT_EQ(ERROR_ask_failure_code(), 1155003);
    EXPECT_EQ(hc::frame_depth(), 0);
}

int handler_code = 0;
void recording_handler(jmp_buf, int code) { handler_code = code; }  // returns: the host jumps

TEST_F(ErrorFrames, UserHandlerIsCalledBeforeTheJump) {
    static jmp_buf buffer;
    handler_code = 0;
    ERROR_set_handler(recording_handler, buffer);
    if (setjmp(buffer) == 0) {
        exported_without_frame(1105012);
        FAIL();
    }
    EXPECT_EQ(handler_code, 1105012);
    EXPECT_EQ(hc::frame_depth(), 0);
}

TEST_F(ErrorFrames, LibraryFrameInsideUserFrameKeepsTheUserFrame) {
    static jmp_buf buffer;
    static int reached = 0;
    reached = 0;
    int id = ERROR_set_handler(ERROR__default_handler, buffer);
    if (setjmp(buffer) == 0) {
        EXPECT_EQ(exported_with_frame(5), 5);  // the library frame answers
        EXPECT_EQ(hc::frame_depth(), 1);
        reached = 1;
        exported_without_frame(6);  // now the user frame gets it
        reached = 2;
    }
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(ERROR_ask_failure_code(), 6);
    EXPECT_EQ(hc::frame_depth(), 0);
    (void)id;
}

TEST_F(ErrorFrames, UserFrameInsideLibraryFrame) {
    static jmp_buf buffer;
    int lib = host::arm_library_frame();
    int user = ERROR_set_handler(ERROR__default_handler, buffer);
    if (setjmp(buffer) == 0) {
        exported_without_frame(9);
        FAIL();
    }
    EXPECT_EQ(hc::frame_depth(), 1);
    ERROR_cancel_handler(lib);
    EXPECT_EQ(hc::frame_depth(), 0);
    EXPECT_TRUE(hc::log_lines().empty());
    (void)user;
}

// A program cancels every handler it armed, also in the branch that the jump
// landed in: the jump took that frame already, so the cancel is quiet and
// leaves the frames around it alone; a second cancel of it is a fault again.
TEST_F(ErrorFrames, CancelAfterTheJumpIsQuietAndKeepsOuterFrames) {
    static jmp_buf buffer;
    const int outer = host::arm_library_frame();
    volatile int user = -1;
    if (setjmp(buffer) == 0) {
        user = ERROR_set_handler(ERROR__default_handler, buffer);
        exported_without_frame(670007);
        FAIL();
    }
    EXPECT_EQ(hc::frame_depth(), 1);
    ERROR_cancel_handler(user);
    EXPECT_EQ(hc::frame_depth(), 1) << "the outer frame stays";
    EXPECT_TRUE(hc::log_lines().empty());
    ERROR_cancel_handler(user);
    ASSERT_EQ(hc::log_lines().size(), 1u);
    EXPECT_NE(hc::log_lines()[0].find("is not armed"), std::string::npos);
    ERROR_cancel_handler(outer);
    EXPECT_EQ(hc::frame_depth(), 0);
}

TEST_F(ErrorFrames, CancelOutOfOrderIsLoggedAndDropsInnerFrames) {
    int a = host::arm_library_frame();
    int b = host::arm_library_frame();
    int c = host::arm_library_frame();
    ERROR_cancel_handler(b);  // not innermost: b and c go
    EXPECT_EQ(hc::frame_depth(), 1);
    ASSERT_EQ(hc::log_lines().size(), 1u);
    EXPECT_NE(hc::log_lines()[0].find("handler " + std::to_string(b) + " is not the innermost"), std::string::npos);
    ERROR_cancel_handler(c);  // already gone
    EXPECT_EQ(hc::log_lines().size(), 2u);
    ERROR_cancel_handler(a);
    EXPECT_EQ(hc::frame_depth(), 0);
    EXPECT_EQ(hc::log_lines().size(), 2u);
}

TEST_F(ErrorFrames, LibraryErrorPassesThroughInnerGuards) {
    // A library frame armed outside an inner exported call without a frame:
    // the inner guard must let the error pass to the library frame.
    int id = host::arm_library_frame();
    int status = 0;
    try {
        exported_without_frame(31);
    } catch (const host::HostError& e) {
        status = e.code();
    }
    EXPECT_EQ(status, 31);
    EXPECT_EQ(hc::frame_depth(), 0);
    (void)id;
}

TEST_F(ErrorFrames, InternalErrorCarriesItsOwnCode) {
    auto code = hc::raised_code([] { ERROR_internal("kx_text", 257, "Assertion failed: %s", "max_size > 0"); });
    EXPECT_EQ(code, HOST_ERR_INTERNAL);
    EXPECT_EQ(hc::calls("ERROR_internal").at(0).arg[1], 257);
}

TEST_F(ErrorFrames, RaiseWithoutFrameStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(ERROR_raise("kx_misc", 12, 1105004, "nobody listens"),
                 "error 1105004 raised by kx_misc line 12: nobody listens.*no error handler is armed");
    EXPECT_DEATH(exported_without_frame(8), "no error handler is armed");
}

TEST_F(ErrorFrames, NotesLprintfAndAcknowledgements) {
    ERROR_note("kx_initialize", 321, "KX_terminate: KX_terminate called too many times ");
    ERROR_lprintf("value %d\n", 17);
    ERROR_acknowledge_handled(1510002);
    EXPECT_EQ(
        hc::log_lines(),
        (std::vector<std::string>{"kx_initialize 321: KX_terminate: KX_terminate called too many times ", "value 17"}));
    EXPECT_EQ(hc::acknowledged_codes(), std::vector<int>{1510002});
    EXPECT_STREQ(hc::calls("ERROR_note").at(0).text, "KX_terminate: KX_terminate called too many times ");
}

const error_text_entry kBandA[] = {{1105000, "first"}, {1105002, "third"}, {0, nullptr}};
const error_text_entry kBandB[] = {{1995001, "smart"}, {0, nullptr}};
const error_text_entry kBandA2[] = {{1105000, "replaced"}, {0, nullptr}};

TEST_F(ErrorFrames, DecodingThroughRegisteredBands) {
    hc::clear_decoders();
    ERROR_register_decoder_fn(1105000, 5000, ERROR_decode_in_table, kBandA);
    ERROR_register_decoder_fn(1995000, 3000, ERROR_decode_in_table, kBandB);
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {1105000, "first"}, {1105002, "third"}, {1105001, nullptr}, {1109999, nullptr},
        {1995001, "smart"}, {1998000, nullptr}, {0, nullptr},       {-5, nullptr},
    };
    for (const auto& c : cases) {
        const char* t = ERROR_decode(c.code);
        if (c.text) EXPECT_STREQ(t, c.text) << c.code;
        else EXPECT_EQ(t, nullptr) << c.code;
    }
    ERROR_register_decoder_fn(1105000, 5000, ERROR_decode_in_table, kBandA2);
    EXPECT_STREQ(ERROR_decode(1105000), "replaced");
    EXPECT_EQ(host::error::registrations().size(), 2u);
    hc::reset();  // registrations survive a reset
    EXPECT_STREQ(ERROR_decode(1995001), "smart");
    hc::clear_decoders();
    EXPECT_EQ(ERROR_decode(1995001), nullptr);
}

}  // namespace
