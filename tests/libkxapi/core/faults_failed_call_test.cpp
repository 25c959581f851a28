// Host errors raised inside uc4599, which answers nothing: each row names
// the host routine that raises. The error is noted on the log and
// acknowledged, no frame stays armed, and no block is kept (a copy of the
// text that the host refused to free is given back once more).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>

#include "host/base/services/fm.h"
#include "host/control/control.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kInjected = 670099;
namespace ctl = host::control;

struct Row {
    const char* name;
    const char* routine;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Row kRows[] = {
    // The error was neither acknowledged nor, for the free, the copy given back.
    {"TextRaises", "CFI_get_error_text"},
    {"CopyRaises", "SM_string_copy"},
    {"FreeRaises", "SM_free"},
};

class Uc4599FailedCall : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        host::fm::set_error_text(-23, "Directory not writable");
    }
    void TearDown() override { kxtest::fresh_process(); }
};

TEST_P(Uc4599FailedCall, NotesAndAcknowledgesAndKeepsNoBlock) {
    const Row& row = GetParam();
    char text[133];
    ctl::clear_log();
    const std::size_t blocks = ctl::live_blocks();
    ctl::raise_on(row.routine, kInjected, 1);
    uc4599(-23, text);
    ctl::clear_scripts();
    EXPECT_EQ(ctl::frame_depth(), 0);
    EXPECT_EQ(ctl::live_blocks(), blocks);
    const std::vector<int> codes = ctl::acknowledged_codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), kInjected), codes.end()) << "not acknowledged";
    const std::vector<std::string> log = ctl::log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("Routine uc4599 failed with error 670099"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, Uc4599FailedCall, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
