// The host's file interface on real files: channels, directory channels,
// counted texts, the clock and the bit routines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/platform/cfi/cfi.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "tests/host/host_test.h"

namespace {

class Cfi : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string pattern = ::testing::TempDir() + "host_cfi_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        HostTest::TearDown();
        std::filesystem::remove_all(dir);
    }
    std::string dir;
};

TEST_F(Cfi, ChannelsOnFilesAndTheirFailures) {
    const std::string f = dir + "/f.txt";
    int ch = 0;
    EXPECT_EQ(CFI_open_file(f.c_str(), 0, 0, 1, &ch), CFI_ERR_NOT_FOUND);
    EXPECT_EQ(CFI_open_file(f.c_str(), 0, 0, 4, &ch), CFI_ERR_BAD_SPEC);
    EXPECT_EQ(CFI_open_file(dir.c_str(), 0, 0, 1, &ch), CFI_ERR_DENIED);
    EXPECT_EQ(CFI_open_file(std::string(260, 'x').c_str(), 0, 0, 2, &ch), CFI_ERR_BAD_SPEC);
    ASSERT_EQ(CFI_open_file(f.c_str(), 0, 0, 2, &ch), 0);
    EXPECT_EQ(CFI_write_line(ch, "one"), 0);
    char* line = nullptr;
    int one = 1, status = 0;
    fm1320_(&ch, &status);
    EXPECT_EQ(CFI_read_line(ch, &line), CFI_ERR_END_OF_FILE);  // a write channel reads nothing
    EXPECT_EQ(host::cfi::open_channels(), 1);
    int keep = 0;
    fm1400_(&ch, &keep, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(CFI_write_line(ch, "two"), CFI_ERR_NOT_OPEN);
    fm1100_(&ch, &one, &keep, &status);
    EXPECT_EQ(status, -6);

    // CR LF ends a line too; the last line needs no end.
    std::ofstream(f, std::ios::binary) << "a\r\nb";
    ASSERT_EQ(CFI_open_file(f.c_str(), 0, 0, 1, &ch), 0);
    ASSERT_EQ(CFI_read_line(ch, &line), 0);
    EXPECT_STREQ(line, "a");
    SM_free(line);
    ASSERT_EQ(CFI_read_line(ch, &line), 0);
    EXPECT_STREQ(line, "b");
    SM_free(line);
    EXPECT_EQ(CFI_write_line(ch, "no"), CFI_ERR_DENIED);
    // A reset closes what is open.
    host::control::reset();
    EXPECT_EQ(host::cfi::open_channels(), 0);
}

TEST_F(Cfi, DirectoryChannelsReadEntriesInOrder) {
    std::filesystem::create_directory(dir + "/sub");
    std::ofstream(dir + "/b.prt") << "x";
    std::ofstream(dir + "/a.txt") << "yy";
    int ch = 0;
    ASSERT_EQ(CFI_open_directory(dir.c_str(), nullptr, 0, &ch), 0);
    CFI_header_record_t r{};
    std::string names;
    while (CFI_read_next_directory_entry(ch, nullptr, &r) == 0) names += std::string(r.h_nam) + ";";
    EXPECT_EQ(names, "a.txt;b.prt;sub;");
    EXPECT_EQ(CFI_read_next_directory_entry(ch, nullptr, &r), CFI_ERR_END_OF_FILE);
    int status = 0;
    fm1061(ch, &r, &status);  // the last entry is the directory
    EXPECT_GT(status, ch);
    int mode = 0, sub = status;
    fm1400_(&sub, &mode, &status);
    // Only files of a type.
    int parts = 0;
    ASSERT_EQ(CFI_open_directory(dir.c_str(), nullptr, 2, &parts), 0);
    EXPECT_EQ(CFI_read_next_directory_entry(parts, nullptr, &r), 0);
    EXPECT_STREQ(r.h_nam, "b.prt");
    EXPECT_EQ(r.size, 1);
    fm1061(parts, &r, &status);
    EXPECT_EQ(status, -3);  // no directory
    int no = 0;
    EXPECT_EQ(CFI_open_directory((dir + "/none").c_str(), nullptr, 0, &no), CFI_ERR_NO_DIRECTORY);
    SM_free(r.h_nam);
    fm1400_(&ch, &mode, &status);
    fm1400_(&parts, &mode, &status);
    EXPECT_EQ(host::cfi::open_channels(), 0);
}

TEST_F(Cfi, CountedTextsKeepToTheirCapacity) {
    CMSG_t c;
    EXPECT_EQ(CMSG_convert_c_to_cmsg("abc", &c, 3), 0);
    EXPECT_EQ(c.length, 3);
    EXPECT_EQ(CMSG_convert_c_to_cmsg("abcd", &c, 3), CFI_ERR_TOO_LONG);
    EXPECT_EQ(c.length, 3);  // nothing written
    EXPECT_EQ(CMSG_convert_c_to_cmsg(nullptr, &c, 3), CFI_ERR_BAD_SPEC);
    char out[3];
    EXPECT_EQ(CMSG_convert_cmsg_to_c(&c, CMSG_MAX_CHARS, out, sizeof out), CFI_ERR_TOO_LONG);
    EXPECT_STREQ(out, "ab");
    c.length = 1000;  // a length beyond the field reads as the field
    char big[8];
    EXPECT_EQ(CMSG_convert_cmsg_to_c(&c, 2, big, sizeof big), 0);
    EXPECT_STREQ(big, "ab");
    c.length = -5;
    EXPECT_EQ(CMSG_convert_cmsg_to_c(&c, 2, big, sizeof big), 0);
    EXPECT_STREQ(big, "");
}

TEST_F(Cfi, ClockTextsAndTwoWordTimes) {
    struct Row {
        const char* date;
        const char* time;
        int day, second;
    } rows[] = {{"01-Jan-1970", "00:00:00", 0, 0},
                {"29-Feb-2000", "12:34:56", 11016, 45296},
                {"31-Dec-1969", "23:59:59", -1, 86399},
                {"01-Mar-2100", "00:00:01", 47541, 1}};
    for (const Row& r : rows) {
        int words[2] = {};
        EXPECT_EQ(CLOCK_string_to_jq_comp(r.date, r.time, words), 1) << r.date;
        EXPECT_EQ(words[0], r.day) << r.date;
        EXPECT_EQ(words[1], r.second) << r.date;
        char* date = nullptr;
        char* time = nullptr;
        CLOCK_jq_comp_to_string(r.day, r.second, &date, &time);
        EXPECT_STREQ(date, r.date);
        EXPECT_STREQ(time, r.time);
        SM_free(date);
        SM_free(time);
    }
    const std::pair<const char*, const char*> bad[] = {{"29-Feb-1900", "00:00"},
                                                       {"1-Foo-2000", "00:00"},
                                                       {"01-Jan-2000", "24:00"},
                                                       {"01-Jan-2000x", "00:00"},
                                                       {"01-jan-2000", "1:2:3:4"}};
    for (const auto& [date, time] : bad) {
        int words[2] = {};
        EXPECT_EQ(CLOCK_string_to_jq_comp(date, time, words), 0) << date << " " << time;
    }
    int words[2] = {};
    EXPECT_EQ(CLOCK_string_to_jq_comp("01-jan-2000", "1:02", words), 1);  // letter case and short hours
    char* date = nullptr;
    char* time = nullptr;
    EXPECT_EQ(host::control::raised_code([&] { CLOCK_jq_comp_to_string(0, 86400, &date, &time); }),
              std::optional<int>(HOST_ERR_BAD_ARGUMENT));
}

TEST_F(Cfi, BitsAreNumberedFromZeroAcrossWords) {
    int words[4] = {};
    for (int bit : {0, 31, 32, 110}) mbtst_(words, &bit);
    EXPECT_EQ(words[0], static_cast<int>(0x80000001u));
    EXPECT_EQ(words[1], 1);
    EXPECT_EQ(words[3], 1 << 14);
    int probe = 33;
    EXPECT_EQ(mbtts_(words, &probe), 0);
    probe = 110;
    EXPECT_EQ(mbtts_(words, &probe), 1);
}

}  // namespace
