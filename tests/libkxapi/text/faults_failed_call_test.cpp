// Host errors raised inside the text conversions: each row names the call,
// the host routine that raises (at each of its calls that the call makes,
// one run per call) and the outcome. No error passes the call to the
// caller's handler; no frame stays armed; a record that failed to be made
// is left empty with no block kept.
#include <gtest/gtest.h>

#include <setjmp.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "host/base/services/memory.h"
#include "host/base/services/text.h"
#include "host/control/control.h"
#include "kxapi.h"
#include "tests/libkxapi/text/text_fixture.h"

namespace {

constexpr int kInjected = 670099;
namespace ctl = host::control;

// Runs the call under a handler of the caller's own: answers false when a
// host error came back to it past the call.
bool ran_through(const std::function<void()>& call) {
    jmp_buf env;
    volatile int id = -1;
    if (setjmp(env) == 0) {
        id = KX_ERROR_set_handler(env);
        call();
        KX_ERROR_cancel_handler(id);
        return true;
    }
    KX_ERROR_cancel_handler(id);
    return false;
}

bool acknowledged(int code) {
    const std::vector<int> codes = ctl::acknowledged_codes();
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Three strings, the second null, in the host's own characters.
int to_record(KX_TEXT_jqstring_t* out) {
    char first[] = "bolt M8", third[] = "washer";
    char* strings[3] = {first, nullptr, third};
    return KX_TEXT_cstring_to_jqstring(strings, out, 3);
}

struct JqRow {
    const char* name;
    const char* routine;
};

void PrintTo(const JqRow& row, std::ostream* os) { *os << row.name; }

const JqRow kJqRows[] = {
    // A conversion that failed was taken as made: the status said 0.
    {"ConversionRaises", "TEXT_create_string"},
    {"EmptyTextRaises", "TEXT_init_string"},
    {"AllocationRaises", "SM_alloc"},
    // The hand-over and the release had no frame: the error went past the
    // call to the caller's handler.
    {"HandOverRaises", "DRF_textpt_to_jqstring"},
    {"ReleaseRaises", "TEXT_free"},
};

class JqstringFailedCall : public TextSession, public ::testing::WithParamInterface<JqRow> {};

TEST_P(JqstringFailedCall, AnswersTheErrorAndHandsOutNothing) {
    const JqRow& row = GetParam();
    KX_TEXT_set_text_mode(1);
    KX_TEXT_jqstring_t out{};
    ctl::clear_journal();
    ASSERT_EQ(to_record(&out), 0);
    ASSERT_EQ(out.num_strings, 3);
    KX_free_string_array(out.num_strings, out.strings);
    const int calls = ctl::call_count(row.routine);
    ASSERT_GT(calls, 0) << row.routine;
    for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(row.routine) + " call " + std::to_string(nth));
        ctl::clear_journal();
        const std::size_t blocks = ctl::live_blocks();
        const int texts = host::text::live_texts();
        KX_TEXT_jqstring_t rec{-1, reinterpret_cast<char**>(1)};
        volatile int st = -1;
        ctl::raise_on(row.routine, kInjected, nth);
        const bool through = ran_through([&] { st = to_record(&rec); });
        ctl::clear_scripts();
        EXPECT_TRUE(through) << "the error passed the call";
        EXPECT_EQ(ctl::frame_depth(), 0);
        if (!through) continue;
        EXPECT_EQ(st, kInjected);
        EXPECT_TRUE(acknowledged(kInjected));
        EXPECT_EQ(rec.num_strings, 0);
        EXPECT_EQ(rec.strings, nullptr);
        // A release that raised kept its text: the test gives it back.
        if (std::string(row.routine) == "TEXT_free") {
            const auto frees = ctl::calls("TEXT_free");
            ASSERT_GE(frees.size(), static_cast<std::size_t>(nth));
            TEXT_free(reinterpret_cast<KX_TEXT_p_t>(frees[static_cast<std::size_t>(nth - 1)].arg[0]));
        }
        EXPECT_EQ(ctl::live_blocks(), blocks);
        EXPECT_EQ(host::text::live_texts(), texts);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, JqstringFailedCall, ::testing::ValuesIn(kJqRows),
                         [](const ::testing::TestParamInfo<JqRow>& info) { return std::string(info.param.name); });

// The conversion fails, and so does the making of the empty text it hands
// out then: the first error is the status, the output null, and nothing
// passes to the caller's handler.
TEST_F(TextSession, ConvertFallbackRaisesToo) {
    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        KX_TEXT_set_text_mode(mode);
        // Every call of the routine raises: in mode 0 the conversion and
        // the empty text both call it.
        if (mode == 1) ctl::raise_on("TEXT_create_string", kInjected, 1);
        ctl::raise_on("TEXT_init_string", mode == 1 ? kInjected + 1 : kInjected);
        KX_TEXT_p_t text = reinterpret_cast<KX_TEXT_p_t>(1);
        volatile int st = -1;
        const std::size_t blocks = ctl::live_blocks();
        const bool through = ran_through([&] { st = KX_TEXT_convert_to_textpt(&text, "spanner"); });
        ctl::clear_scripts();
        EXPECT_TRUE(through) << "the second error passed the call";
        EXPECT_EQ(ctl::frame_depth(), 0);
        if (!through) continue;
        EXPECT_EQ(st, kInjected);
        EXPECT_EQ(text, nullptr);
        EXPECT_EQ(ctl::live_blocks(), blocks);
    }
}

}  // namespace
