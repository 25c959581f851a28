// A program written against the old file interface: files on channels,
// directory walks, headers, names, arguments and the clock, on real files.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/libkxapi/cfi/cfi_fixture.h"

namespace {

using Program = CfiSession;

TEST_F(Program, WritesReadsPositionsAndClosesAFile) {
    const std::string file = path("data.bin");
    const int out = uc4504(file.c_str(), 0, 0);
    ASSERT_GT(out, 0);
    const int words[3] = {7, -1, 1 << 20};
    const double reals[2] = {0.5, -2.25};
    EXPECT_EQ(uc4521(out, 3, words), 0);
    EXPECT_EQ(uc4522(out, 2, reals), 0);
    EXPECT_EQ(uc4520(out, 5, "bytes"), 0);
    EXPECT_EQ(uc4524(out, "a line of text"), 0);
    EXPECT_EQ(uc4524(out, "second"), 0);
    EXPECT_EQ(uc4525(out), 0);
    int size = -1;
    EXPECT_EQ(uc4544(out, 1, &size), 0);
    EXPECT_EQ(size, 12 + 16 + 5 + 15 + 7);
    EXPECT_EQ(uc4540(out, 0), 0);

    const int in = uc4500(file.c_str(), 0, 0);
    ASSERT_GT(in, 0);
    int w[3] = {};
    double r[2] = {};
    char b[6] = {};
    EXPECT_EQ(uc4511(in, 3, w), 0);
    EXPECT_EQ(uc4512(in, 2, r), 0);
    EXPECT_EQ(uc4510(in, 5, b), 0);
    EXPECT_EQ(std::vector<int>(w, w + 3), std::vector<int>(words, words + 3));
    EXPECT_EQ(r[1], -2.25);
    EXPECT_STREQ(b, "bytes");
    char line[KX_CFI_LINE_BUFSIZE];
    EXPECT_EQ(uc4514(in, line), 14);
    EXPECT_STREQ(line, "a line of text");
    EXPECT_EQ(uc4514(in, line), 6);
    EXPECT_EQ(uc4514(in, line), -7);  // the end of the file

    // Positions: back to the start, skip the words, read the first real.
    EXPECT_EQ(uc4536(in), 0);
    EXPECT_EQ(uc4534(in), 0);
    EXPECT_EQ(uc4531(in, 3), 0);
    EXPECT_EQ(uc4534(in), 12);
    EXPECT_EQ(uc4512(in, 1, r), 0);
    EXPECT_EQ(r[0], 0.5);
    EXPECT_EQ(uc4532(in, -2), 0);  // backwards over two reals
    EXPECT_EQ(uc4534(in), 4);
    EXPECT_EQ(uc4535(in, 28), 0);
    EXPECT_EQ(uc4513(in, 5, b), 0);
    EXPECT_STREQ(b, "bytes");
    EXPECT_EQ(uc4516(in, -7, 2, 0), 0);  // seven bytes before the end
    EXPECT_EQ(uc4514(in, line), 6);
    EXPECT_STREQ(line, "second");
    int record = 3;  // record 3 of 4 bytes
    EXPECT_EQ(uc4517(in, &record, 4), 3);
    EXPECT_EQ(uc4534(in), 12);
    record = -1;  // only asks
    EXPECT_EQ(uc4517(in, &record, 4), 3);
    int at_end = -1, mode = -1;
    EXPECT_EQ(uc4544(in, 5, &at_end), 0);
    EXPECT_EQ(at_end, 0);
    EXPECT_EQ(uc4544(in, 2, &mode), 0);
    EXPECT_EQ(mode, 1);
    int kind = -1;
    EXPECT_EQ(uc4547(in, 1, &kind), 0);
    EXPECT_EQ(kind, 1);
    EXPECT_LT(uc4520(in, 1, "x"), 0);  // a read channel does not write
    EXPECT_EQ(uc4540(in, 0), 0);
    EXPECT_EQ(uc4540(in, 0), -6);  // closed already

    // Update in place, fill, cut the length, then close with deletion.
    const int both = uc4506(file.c_str(), 0, 0);
    ASSERT_GT(both, 0);
    EXPECT_EQ(uc4535(both, 28), 0);
    EXPECT_EQ(uc4527(both, 5, '*'), 0);
    EXPECT_EQ(uc4526(both, 33, 1, 0), 0);
    EXPECT_EQ(uc4540(both, 0), 0);
    EXPECT_EQ(read_file("data.bin").substr(28), "*****");
    EXPECT_EQ(uc4560(file.c_str(), 0), 0);
    const int gone = uc4500(file.c_str(), 0, 0);
    EXPECT_EQ(uc4540(gone, 1), 0);
    EXPECT_EQ(uc4560(file.c_str(), 0), -1);
    EXPECT_EQ(uc4500(file.c_str(), 0, 0), -1020001);  // an open answers the host's code negated
}

TEST_F(Program, OperatesOnFiles) {
    write_file("a.txt", "alpha\n");
    EXPECT_EQ(uc4563(path("sub").c_str()), 0);
    EXPECT_EQ(uc4562(path("a.txt").c_str(), path("sub/b.txt").c_str(), 0), 0);
    EXPECT_FALSE(std::filesystem::exists(path("a.txt")));
    EXPECT_EQ(uc4566(path("sub").c_str(), 1), 0);
    char cwd[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4565(0, cwd), 0);
    EXPECT_EQ(std::string(cwd), path("sub"));
    // Relative names are taken from the default directory.
    EXPECT_EQ(uc4567("b.txt", "copy", 0, 0, 2), 0);
    EXPECT_EQ(read_file("sub/copy.prt"), "alpha\n");
    EXPECT_EQ(uc4567("b.txt", "copy", 0, 0, 2), -2);  // the target exists
    EXPECT_EQ(uc4567("b.txt", "copy", 1, 0, 2), 0);
    EXPECT_EQ(uc4561("copy.prt", 0), 0);
    EXPECT_EQ(uc4561("copy.prt", 0), -1);
    EXPECT_EQ(uc4561(nullptr, 0), 1105004);
    EXPECT_EQ(uc4561("b.txt", -1), 1105005);
}

// A tree: top/{a.txt, b.prt, d1/{c.txt, d2/{e.txt}}}.
TEST_F(Program, WalksADirectoryTreeAndReadsTheEntries) {
    namespace fs = std::filesystem;
    fs::create_directories(path("top/d1/d2"));
    write_file("top/a.txt", "12345");
    write_file("top/b.prt", "part");
    write_file("top/d1/c.txt", "");
    write_file("top/d1/d2/e.txt", "e");

    std::vector<std::string> seen;
    std::function<void(const std::string&)> walk = [&](const std::string& prefix) {
        char name[KX_CFI_FSPEC_BUFSIZE];
        while (uc4518() == 0) {
            ASSERT_EQ(uc4600(name), 0);
            const std::string entry = prefix + name;
            seen.push_back(entry + ":" + std::to_string(uc4601()));
            char spec[KX_CFI_FSPEC_BUFSIZE];
            EXPECT_EQ(uc4519(spec), 0);
            EXPECT_EQ(std::string(spec), path("top/" + entry));
            if (std::filesystem::is_directory(spec)) {
                ASSERT_EQ(uc4509(), 0);
                walk(entry + "/");
                EXPECT_EQ(uc4549(), 0);
            }
        }
    };
    const int channel = uc4508(path("top").c_str(), nullptr, 0, 0);
    ASSERT_GT(channel, 0);
    walk("");
    EXPECT_EQ(uc4548(), 0);
    EXPECT_EQ(uc4518(), KX_CFI_NO_SCAN);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], "a.txt:5");
    EXPECT_EQ(seen[1], "b.prt:4");
    EXPECT_EQ(seen[2].substr(0, 3), "d1:");
    EXPECT_EQ(seen[3], "d1/c.txt:0");
    EXPECT_EQ(seen[5], "d1/d2/e.txt:1");

    // A pattern selects names.
    ASSERT_GT(uc4508(path("top").c_str(), "*.prt", 0, 0), 0);
    char name[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4518(), 0);
    EXPECT_EQ(uc4600(name), 0);
    EXPECT_STREQ(name, "b.prt");
    EXPECT_EQ(uc4518(), -7);
    EXPECT_EQ(uc4548(), 0);
}

TEST_F(Program, ReadsAndWritesHeaders) {
    write_file("p.prt", "part");
    write_file("t.txt", "text");
    const std::string part = path("p.prt"), text = path("t.txt");
    EXPECT_EQ(uc4612(part.c_str(), 0, 42), 0);
    EXPECT_EQ(uc4617(part.c_str(), 2, "first text"), 0);
    EXPECT_EQ(uc4618(part.c_str(), 98, "second text"), 0);
    EXPECT_EQ(uc4612(text.c_str(), 0, 1), KX_CFI_BAD_KIND);  // no part file

    EXPECT_EQ(uc4564(part.c_str(), 0, 0x65), 0);
    int value = 0;
    char t1[KX_CFI_TEXT_BUFSIZE], t2[KX_CFI_TEXT_BUFSIZE], owner[KX_CFI_OWNER_BUFSIZE];
    EXPECT_EQ(uc4602(&value), 0);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(uc4607(t1), 0);
    EXPECT_STREQ(t1, "first text");
    EXPECT_EQ(uc4608(t2), 0);
    EXPECT_STREQ(t2, "second text");
    EXPECT_EQ(uc4601(), 4);
    char name[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4600(name), 0);
    EXPECT_STREQ(name, "p.prt");

    // The owner is the name of the file's user.
    EXPECT_EQ(uc4603(owner), 0);
    const passwd* me = ::getpwuid(::getuid());
    if (me) {
        EXPECT_EQ(std::string(owner), std::string(me->pw_name).substr(0, 15));
    }
    EXPECT_EQ(uc4613(text.c_str(), 5, "someone"), 0);
    EXPECT_EQ(uc4564(text.c_str(), 0, 1), 0);
    EXPECT_EQ(uc4603(owner), 0);
    EXPECT_STREQ(owner, "someone");

    // The change time converts into the clock's texts.
    const int when[2] = {uc4605(), uc4609()};
    char date[KX_CFI_DATE_BUFSIZE], time[KX_CFI_DATE_BUFSIZE];
    EXPECT_EQ(uc4582(when, date, time), 0);
    int back[2] = {};
    EXPECT_EQ(uc4583(date, time, back), 0);
    EXPECT_EQ(back[0], when[0]);
    EXPECT_EQ(back[1], when[1]);
    double accessed = 0, changed = 0, status = 0;
    EXPECT_EQ(uc4606(&accessed, &changed, &status), 0);
    EXPECT_EQ(static_cast<long long>(changed), static_cast<long long>(when[0]) * 86400 + when[1]);
}

TEST_F(Program, ReadsItsArgumentsAndTheClock) {
    const char* argv[] = {"prog", "-Defo=job", "first", "-Verbose", "second", nullptr};
    EXPECT_EQ(uc4624(0, 5, const_cast<char**>(argv)), 0);
    char value[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4620("DEfo", value), 3);  // "-Defo" gives at least two letters
    EXPECT_STREQ(value, "job");
    EXPECT_EQ(uc4620("Verbose", value), 1);
    EXPECT_EQ(uc4620("Output", value), 0);
    char arg[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4621(arg), 1);
    EXPECT_STREQ(arg, "first");
    EXPECT_EQ(uc4621(arg), 1);
    EXPECT_STREQ(arg, "second");
    EXPECT_EQ(uc4621(arg), 0);
    EXPECT_STREQ(arg, "");

    const int epoch_day[2] = {20431, 3723};
    char date[KX_CFI_DATE_BUFSIZE], time[KX_CFI_DATE_BUFSIZE];
    EXPECT_EQ(uc4582(epoch_day, date, time), 0);
    EXPECT_STREQ(date, "09-Dec-2025");
    EXPECT_STREQ(time, "01:02:03");
    int words[2] = {};
    EXPECT_EQ(uc4583("29-Feb-2024", "23:59", words), 0);
    EXPECT_EQ(words[1], 23 * 3600 + 59 * 60);
    EXPECT_EQ(uc4583("30-Feb-2024", "00:00", words), 1);
    char version[KX_CFI_VERSION_BUFSIZE];
    EXPECT_EQ(uc4901(version), 0);
    EXPECT_GT(std::strlen(version), 0u);
}

TEST_F(Program, RequestsADirectoryListing) {
    write_file("a.prt", "1");
    write_file("b.txt", "22");
    write_file("c.prt", "333");
    int flags[13] = {};
    int selections[12] = {};
    flags[0] = 1;  // field 1 only: the size
    EXPECT_EQ(uc4650(dir.c_str(), 2, 1, flags, selections, "*.prt"), 0);
    EXPECT_EQ(host::cfi::request_lines(), (std::vector<std::string>{"a.prt 1", "c.prt 3"}));
    EXPECT_EQ(uc4650(dir.c_str(), 5, 1, flags, selections, "b"), 0);
    EXPECT_EQ(host::cfi::request_lines(), (std::vector<std::string>{"b.txt 2"}));
    EXPECT_EQ(uc4650(dir.c_str(), 3, 1, flags, selections, "01-Jan-1990"), 0);  // changed since
    EXPECT_EQ(host::cfi::request_lines().size(), 3u);
    EXPECT_EQ(uc4650(dir.c_str(), 4, 1, flags, selections, "01-Jan-1990"), 0);  // before
    EXPECT_TRUE(host::cfi::request_lines().empty());
}

// A header read that fails, by the host's code or a host error at any of
// its calls, keeps the entry read before: its name, size and header
// integer, and the blocks live as they were.
TEST_F(Program, FailedHeaderReadKeepsTheEntryReadBefore) {
    write_file("p.prt", "part");
    write_file("q.prt", "longer part");
    ASSERT_EQ(uc4612(path("p.prt").c_str(), 0, 42), 0);
    struct Row {
        const char* name;
        const char* routine;  // raises at its nth call; null: no raise
        int nth;
        const char* file;
        int status;
    };
    const Row rows[] = {
        {"no_such_file", nullptr, 0, "none.prt", -1},
        {"file_type", "CFI_get_file_type", 1, "q.prt", 670099},
        {"header", "PFEDIT_get_part_file_header", 1, "q.prt", 670099},
        {"name", "SM_string_copy", 1, "q.prt", 670099},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(uc4564(path("p.prt").c_str(), 0, 0x5), 0);
        const std::size_t blocks = host::control::live_blocks();
        if (r.routine) host::control::raise_on(r.routine, 670099, r.nth);
        const int st = uc4564(path(r.file).c_str(), 0, 0x5);
        const int calls = r.routine ? host::control::call_count(r.routine) : 0;
        host::control::clear_scripts();
        EXPECT_EQ(st, r.status);
        if (r.routine) {
            EXPECT_GE(calls, r.nth) << "the read makes no such call";
        }
        EXPECT_EQ(host::control::live_blocks(), blocks);
        char name[KX_CFI_FSPEC_BUFSIZE];
        EXPECT_EQ(uc4600(name), 0);
        EXPECT_STREQ(name, "p.prt");
        EXPECT_EQ(uc4601(), 4);
        int value = 0;
        EXPECT_EQ(uc4602(&value), 0);
        EXPECT_EQ(value, 42);
    }
    // A read that goes through describes the new entry.
    ASSERT_EQ(uc4564(path("q.prt").c_str(), 0, 0x5), 0);
    char name[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4600(name), 0);
    EXPECT_STREQ(name, "q.prt");
    EXPECT_EQ(uc4601(), 11);
}

}  // namespace
