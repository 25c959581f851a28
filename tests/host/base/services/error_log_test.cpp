// The error service's records that a process adds to for as long as it
// runs: the host log and the acknowledged codes keep their newest entries
// only, so that what they hold stays bounded however much is noted.
#include <cstddef>
#include <string>
#include <vector>

#include "host/base/services/error.h"
#include "tests/host/host_test.h"
#include "tests/support/heap.h"

namespace hc = host::control;
namespace he = host::error;

namespace {

using kxtest::heap_in_use;

// Line I's text: long enough that no string keeps it in place.
std::string text_of(int i) { return "the part's rebuild noted step " + std::to_string(i) + " of many"; }

std::string line_of(int i) { return "ring_module " + std::to_string(i) + ": " + text_of(i); }

void note(int from, int to) {
    for (int i = from; i < to; ++i) ERROR_note("ring_module", i, text_of(i).c_str());
}

class ErrorRecords : public HostTest {
protected:
    // A user's process: no journal of the calls.
    void SetUp() override {
        HostTest::SetUp();
        hc::set_journal(false);
    }
};

TEST_F(ErrorRecords, TheLogKeepsItsNewestLinesOldestFirst) {
    const int kept = static_cast<int>(he::kLogKept);
    struct Row {
        int noted;
        int first;  // the oldest line kept
    };
    // Below the bound, at it, one past it and far past it.
    for (const Row row : {Row{kept - 3, 0}, Row{kept, 0}, Row{kept + 1, 1}, Row{25 * kept + 7, 24 * kept + 7}}) {
        hc::reset();
        hc::set_journal(false);
        note(0, row.noted);
        const std::vector<std::string> lines = hc::log_lines();
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(row.noted - row.first)) << row.noted;
        EXPECT_EQ(lines.front(), line_of(row.first)) << row.noted;
        EXPECT_EQ(lines.back(), line_of(row.noted - 1)) << row.noted;
        EXPECT_EQ(lines[lines.size() / 2], line_of(row.first + static_cast<int>(lines.size() / 2))) << row.noted;
        EXPECT_EQ(he::lines_noted(), static_cast<std::size_t>(row.noted));
    }
}

TEST_F(ErrorRecords, NotingFarMoreLinesThanKeptLeavesTheHeapAsItWas) {
    const int kept = static_cast<int>(he::kLogKept);
    note(0, 3 * kept);  // the ring is full and its strings made
    const std::size_t before = heap_in_use();
    note(3 * kept, 40 * kept);
    const std::size_t after = heap_in_use();
    EXPECT_EQ(hc::log_lines().size(), he::kLogKept);
    std::size_t bytes = 0;
    for (const std::string& line : hc::log_lines()) bytes += line.size();
    EXPECT_LT(bytes, he::kLogKept * line_of(40 * kept).size() + 1);
    // 37,000 lines of some 60 bytes each would take over two megabytes.
    EXPECT_LT(after, before + 16 * 1024) << "the log grew by " << after - before << " bytes";
    EXPECT_EQ(hc::log_lines().back(), line_of(40 * kept - 1));
}

TEST_F(ErrorRecords, ClearingTheLogStartsItsCountAgain) {
    note(0, static_cast<int>(he::kLogKept) + 40);
    hc::clear_log();
    EXPECT_TRUE(hc::log_lines().empty());
    EXPECT_EQ(he::lines_noted(), 0u);
    note(7, 9);
    EXPECT_EQ(hc::log_lines(), (std::vector<std::string>{line_of(7), line_of(8)}));
    EXPECT_EQ(he::lines_noted(), 2u);
}

TEST_F(ErrorRecords, TheAcknowledgedCodesKeepTheNewest) {
    const int kept = static_cast<int>(he::kAcknowledgedKept);
    struct Row {
        int acknowledged;
        int first;
    };
    for (const Row row : {Row{kept, 0}, Row{kept + 1, 1}, Row{31 * kept + 5, 30 * kept + 5}}) {
        hc::reset();
        hc::set_journal(false);
        for (int i = 0; i < row.acknowledged; ++i) ERROR_acknowledge_handled(670000 + 3 * i);
        const std::vector<int> codes = hc::acknowledged_codes();
        ASSERT_EQ(codes.size(), static_cast<std::size_t>(row.acknowledged - row.first)) << row.acknowledged;
        EXPECT_EQ(codes.front(), 670000 + 3 * row.first);
        EXPECT_EQ(codes.back(), 670000 + 3 * (row.acknowledged - 1));
        EXPECT_EQ(he::acknowledged_count(), static_cast<std::size_t>(row.acknowledged));
    }
}

TEST_F(ErrorRecords, AcknowledgingFarMoreCodesThanKeptLeavesTheHeapAsItWas) {
    const int kept = static_cast<int>(he::kAcknowledgedKept);
    for (int i = 0; i < 2 * kept; ++i) ERROR_acknowledge_handled(670004);
    const std::size_t before = heap_in_use();
    for (int i = 0; i < 60 * kept; ++i) ERROR_acknowledge_handled(670001 + i % 7);
    EXPECT_LT(heap_in_use(), before + 4 * 1024);
    EXPECT_EQ(hc::acknowledged_codes().size(), he::kAcknowledgedKept);
    EXPECT_EQ(hc::acknowledged_codes().back(), 670001 + (60 * kept - 1) % 7);
}

}  // namespace
