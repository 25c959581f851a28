// The codes of the old file interface, its host calls and the limits it
// keeps to.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/platform/support/support.h"
#include "tests/libkxapi/cfi/cfi_fixture.h"

namespace {

using Codes = CfiSession;
namespace hc = host::control;

TEST_F(Codes, FileCodesAreMappedIntoTheNegativeBand) {
    struct Row {
        int host, expected;
    } rows[] = {{0, 0},   {1020001, -1},   {1020005, -5}, {1020188, -188}, {1020189, 1020189}, {1020000, 1020000},
                {-3, -3}, {670004, 670004}};
    for (const Row& r : rows) {
        hc::return_status("CFI_write_line", r.host);
        EXPECT_EQ(uc4524(1, "x"), r.expected) << r.host;
        hc::return_status("CFI_delete_file", r.host);
        EXPECT_EQ(uc4561("x", 0), r.expected) << r.host;
        hc::return_status("CFI_validate_file_specification", r.host);
        EXPECT_EQ(uc4570("x", 0), r.expected) << r.host;
    }
}

TEST_F(Codes, AnOpenAnswersTheChannelOrTheHostsCodeNegated) {
    write_file("f", "");
    struct Row {
        int host, expected;
    } rows[] = {{12, -12}, {1020004, -1020004}, {-3, -3}};
    for (const Row& r : rows) {
        hc::return_status("CFI_open_file", r.host);
        EXPECT_EQ(uc4500(path("f").c_str(), 0, 0), r.expected) << r.host;
    }
    hc::clear_scripts();
    const int ch = uc4500(path("f").c_str(), 0, 0);
    EXPECT_GT(ch, 0);
    EXPECT_EQ(uc4540(ch, 0), 0);
    hc::raise_on("CFI_open_file", 670004);
    EXPECT_EQ(uc4500(path("f").c_str(), 0, 0), -670004);  // a caught error, negated
    hc::raise_on("fm1100_", 670004);
    char b[4];
    EXPECT_EQ(uc4510(1, 4, b), 670004);  // an init entry keeps it
}

// The six entries that refuse with -1105000, the ones that refuse with
// 1105000, and entries that do not ask.
TEST_F(Codes, WithoutASessionTheEntriesRefuseOrCallTheHost) {
    kx_reset_session_for_tests();
    hc::clear_journal();
    char buf[KX_CFI_FSPEC_BUFSIZE];
    int v = 0;
    int w[2] = {};
    const std::vector<std::pair<const char*, std::function<int()>>> negated = {
        {"uc4500", [] { return uc4500("f", 0, 0); }},
        {"uc4504", [] { return uc4504("f", 0, 0); }},
        {"uc4506", [] { return uc4506("f", 0, 0); }},
        {"uc4507", [] { return uc4507("f", 1, 0, 0); }},
        {"uc4508", [] { return uc4508("d", nullptr, 0, 0); }},
        {"uc4650", [] { return uc4650("d", 1, 1, nullptr, nullptr, ""); }},
    };
    for (const auto& [name, f] : negated) EXPECT_EQ(f(), -1105000) << name;
    const std::vector<std::pair<const char*, std::function<int()>>> plain = {
        {"uc4510", [&] { return uc4510(1, 1, buf); }},
        {"uc4511", [&] { return uc4511(1, 1, buf); }},
        {"uc4512", [&] { return uc4512(1, 1, buf); }},
        {"uc4513", [&] { return uc4513(1, 1, buf); }},
        {"uc4547", [&] { return uc4547(1, 1, &v); }},
        {"uc4560", [] { return uc4560("f", 0); }},
        {"uc4561", [] { return uc4561("f", 0); }},
        {"uc4562", [] { return uc4562("f", "g", 0); }},
        {"uc4563", [] { return uc4563("d"); }},
        {"uc4565", [&] { return uc4565(0, buf); }},
        {"uc4566", [] { return uc4566("d", 0); }},
        {"uc4567", [] { return uc4567("f", "g", 0, 0, 0); }},
        {"uc4519", [&] { return uc4519(buf); }},
        {"uc4564", [] { return uc4564("f", 0, 1); }},
        {"uc4570", [] { return uc4570("f", 0); }},
        {"uc4573", [&] { return uc4573("f", 0, buf); }},
        {"uc4574", [&] { return uc4574("f", 0, buf); }},
        {"uc4575", [&] { return uc4575("d", 0, "f", buf); }},
        {"uc4576", [&] { return uc4576("f", 0, buf, buf); }},
        {"uc4577", [&] { return uc4577(buf); }},
        {"uc4578", [&] { return uc4578("f", 0, buf); }},
        {"uc4579", [&] { return uc4579("f", 0, buf); }},
        {"uc4595", [&] { return uc4595(1, buf); }},
        {"uc4901", [&] { return uc4901(buf); }},
        {"uc4583", [&] { return uc4583("01-Jan-2000", "00:00", w); }},
    };
    for (const auto& [name, f] : plain) EXPECT_EQ(f(), 1105000) << name;
    for (const std::string& name : hc::call_names()) EXPECT_EQ(name, "RTENV_ask_env");  // the session check only
    // Entries without the check go to the host.
    EXPECT_EQ(uc4540(99, 0), -6);
    EXPECT_EQ(uc4571(dir.c_str(), 1), 0);
    EXPECT_EQ(uc4524(99, "x"), -6);
    const int t[2] = {0, 0};
    char date[KX_CFI_DATE_BUFSIZE], time[KX_CFI_DATE_BUFSIZE];
    EXPECT_EQ(uc4582(t, date, time), 0);
    EXPECT_STREQ(date, "01-Jan-1970");
}

TEST_F(Codes, TransfersGoInPiecesOf32768Elements) {
    struct Row {
        const char* entry;
        const char* routine;
        std::function<int(int, int, void*)> call;
        std::size_t size;
    } rows[] = {
        {"uc4510", "fm1100_", [](int c, int n, void* b) { return uc4510(c, n, b); }, 1},
        {"uc4511", "fm1101_", [](int c, int n, void* b) { return uc4511(c, n, b); }, 4},
        {"uc4512", "fm1102_", [](int c, int n, void* b) { return uc4512(c, n, b); }, 8},
        {"uc4513", "fm1103_", [](int c, int n, void* b) { return uc4513(c, n, b); }, 1},
        {"uc4520", "fm1200_", [](int c, int n, void* b) { return uc4520(c, n, b); }, 1},
        {"uc4521", "fm1201_", [](int c, int n, void* b) { return uc4521(c, n, b); }, 4},  // loops too
        {"uc4522", "fm1202_", [](int c, int n, void* b) { return uc4522(c, n, b); }, 8},
        {"uc4523", "fm1203_", [](int c, int n, void* b) { return uc4523(c, n, b); }, 1},
    };
    std::vector<unsigned char> buffer(40000 * 8);
    for (const Row& r : rows) {
        hc::clear_journal();
        hc::return_status(r.routine, 0);
        EXPECT_EQ(r.call(5, 40000, buffer.data()), 0) << r.entry;
        auto calls = hc::calls(r.routine);
        ASSERT_EQ(calls.size(), 2u) << r.entry;
        EXPECT_EQ(calls[0].arg[0], 5);
        EXPECT_EQ(calls[0].arg[1], 32768);
        EXPECT_EQ(calls[1].arg[1], 7232);
        EXPECT_EQ(calls[1].arg[2] - calls[0].arg[2], static_cast<std::int64_t>(32768 * r.size)) << r.entry;
        // A failure stops the transfer; no count makes no call.
        hc::clear_journal();
        hc::return_status(r.routine, -7);
        EXPECT_EQ(r.call(5, 40000, buffer.data()), -7) << r.entry;
        EXPECT_EQ(hc::call_count(r.routine), 1) << r.entry;
        EXPECT_EQ(r.call(5, 0, buffer.data()), 0);
        EXPECT_EQ(r.call(5, -3, buffer.data()), 0);
        EXPECT_EQ(hc::call_count(r.routine), 1) << r.entry;
        hc::clear_scripts();
    }
}

TEST_F(Codes, SkipsGoInPiecesWithTheSignOfTheRequest) {
    const std::pair<const char*, int (*)(int, int)> rows[] = {
        {"fm1300_", uc4530}, {"fm1301_", uc4531}, {"fm1302_", uc4532}, {"fm1303_", uc4533}};
    for (const auto& [routine, entry] : rows) {
        hc::clear_journal();
        hc::return_status(routine, 0);
        EXPECT_EQ(entry(3, -40000), 0);
        auto calls = hc::calls(routine);
        ASSERT_EQ(calls.size(), 2u) << routine;
        EXPECT_EQ(calls[0].arg[1], -32768);
        EXPECT_EQ(calls[1].arg[1], -7232);
        EXPECT_EQ(entry(3, 0), 0);
        EXPECT_EQ(hc::call_count(routine), 2);
        hc::clear_scripts();
    }
}

TEST_F(Codes, KindsOutsideTheirRangeAreRefused) {
    int v = 5;
    EXPECT_EQ(uc4544(1, 7, &v), -123);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(uc4544(1, 0, &v), -123);
    v = 5;
    EXPECT_EQ(uc4547(1, 2, &v), -123);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(uc4596(4, &v), -123);
    char text[KX_CFI_FSPEC_BUFSIZE] = "x";
    EXPECT_EQ(uc4595(2, text), -123);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(hc::call_count("fm1440_") + hc::call_count("fm1920_"), 0);
    EXPECT_EQ(uc4596(3, &v), 0);
    EXPECT_EQ(v, 259);
    const int items[] = {2, 1, 5, 7, 8, 9};
    write_file("f", "abc");
    const int ch = uc4500(path("f").c_str(), 0, 0);
    for (int kind = 1; kind <= 6; ++kind) {
        hc::clear_journal();
        EXPECT_EQ(uc4544(ch, kind, &v), 0);
        EXPECT_EQ(hc::calls("fm1440_").at(0).arg[1], items[kind - 1]);
    }
    EXPECT_EQ(uc4540(ch, 0), 0);
}

TEST_F(Codes, SystemCodes) {
    struct Row {
        int index, result;
        const char* code;
    } rows[] = {{0, 1, "JQ  "}, {5, 0, "    "}, {128, 0, "    "}, {129, -38, ""}, {-1, -38, ""}};
    for (const Row& r : rows) {
        char code[KX_CFI_CODE_BUFSIZE] = "zzzz";
        EXPECT_EQ(uc4580(r.index, code), r.result) << r.index;
        EXPECT_STREQ(code, r.code);
    }
    EXPECT_EQ(uc4581(0), 1);
}

TEST_F(Codes, NamesAsATable) {
    struct Row {
        const char* what;
        std::function<int(char*)> call;
        int result;
        std::string out;
    } rows[] = {
        {"simple name", [](char* o) { return uc4574("/a/b/name.prt", 0, o); }, 0, "name.prt"},
        {"stem", [](char* o) { return uc4574("/a/b/name.prt", 1, o); }, 0, "name"},
        {"merge", [](char* o) { return uc4575("/a/b", 2, "part", o); }, 0, "/a/b/part.prt"},
        {"merge keeps", [](char* o) { return uc4575("/a/b", 2, "part.txt", o); }, 0, "/a/b/part.txt"},
        {"merge absolute", [](char* o) { return uc4575("/a/b", 0, "/c/d", o); }, 0, "/c/d"},
        {"no extension", [](char* o) { return uc4578("/a/b/name.prt", 0, o); }, 0, "/a/b/name"},
        {"nothing to remove", [](char* o) { return uc4578("/a/b/name", 0, o); }, CFI_ERR_BAD_SPEC, ""},
        {"empty name", [](char* o) { return uc4574("", 0, o); }, CFI_ERR_BAD_SPEC, ""},
        {"full", [](char* o) { return uc4573("/a/./b/../c", 0, o); }, 0, "/a/c"},
        {"full of nothing", [](char* o) { return uc4573("", 0, o); }, -4, ""},
    };
    for (const Row& r : rows) {
        char out[KX_CFI_FSPEC_BUFSIZE] = "untouched";
        EXPECT_EQ(r.call(out), r.result) << r.what;
        EXPECT_EQ(std::string(out), r.out) << r.what;
    }
    char d[KX_CFI_FSPEC_BUFSIZE], n[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4576("/a/b/name.prt", 0, d, n), 0);
    EXPECT_STREQ(d, "/a/b");
    EXPECT_STREQ(n, "name.prt");
    EXPECT_EQ(uc4576("", 0, d, n), CFI_ERR_BAD_SPEC);
    EXPECT_STREQ(d, "");
    EXPECT_STREQ(n, "");
    // The third argument goes to the host in second place.
    hc::clear_journal();
    const char* directory = "/x";
    char out[KX_CFI_FSPEC_BUFSIZE];
    uc4575(directory, 7, "nm", out);
    auto merge = hc::calls("CFI_merge_filespec").at(0);
    EXPECT_STREQ(merge.text, "nm");
    EXPECT_EQ(merge.arg[0], reinterpret_cast<std::intptr_t>(directory));
    EXPECT_EQ(merge.arg[1], 7);
    EXPECT_EQ(uc4577(nullptr), 1105004);
    EXPECT_EQ(uc4577(out), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(uc4579("/a", 0, out), 0);
    EXPECT_NE(std::string(out).find(":/a"), std::string::npos);
    EXPECT_EQ(uc4572("*.prt", 0), 0);
    EXPECT_EQ(uc4572("[ab", 0), -4);
    EXPECT_EQ(uc4571(path("none").c_str(), 1), -3);
}

TEST_F(Codes, SwitchesAreAskedWithTheirCapitalsAsTheShortestAbbreviation) {
    const std::pair<const char*, int> rows[] = {{"DEfo", 2}, {"defo", 0}, {"DEFO", 4}, {"O", 1}};
    char value[KX_CFI_FSPEC_BUFSIZE];
    for (const auto& [name, abbreviation] : rows) {
        hc::clear_journal();
        uc4620(name, value);
        EXPECT_EQ(hc::calls("ARG_get_switch").at(0).arg[0], abbreviation) << name;
    }
}

TEST_F(Codes, ArgumentsAreAskedInTurnAnsweredOrNot) {
    const char* argv[] = {"prog", "one", "two"};
    uc4624(0, 3, const_cast<char**>(argv));
    char arg[KX_CFI_FSPEC_BUFSIZE];
    const int expected[] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        hc::clear_journal();
        EXPECT_EQ(uc4621(arg), expected[i]);
        EXPECT_EQ(hc::calls("ARG_get_argument").at(0).arg[0], i + 1);
    }
    // uc4624 starts the data manager only for a user program.
    hc::clear_journal();
    host::support::set_env_kind(1);
    uc4624(0, 3, const_cast<char**>(argv));
    EXPECT_EQ(hc::call_count("JQMGR_initialise_if_required"), 1);
    EXPECT_TRUE(hc::called_before("SYS_init_basics", "ARG_init_module"));
}

TEST_F(Codes, TheScanAnswersWithoutAnOpenScan) {
    char buf[KX_CFI_FSPEC_BUFSIZE] = "x";
    EXPECT_EQ(uc4509(), -14);
    EXPECT_EQ(uc4518(), -14);
    EXPECT_EQ(uc4548(), -14);
    EXPECT_EQ(uc4549(), -14);
    EXPECT_EQ(uc4519(buf), -14);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(uc4600(buf), 1135000);
    char owner[KX_CFI_OWNER_BUFSIZE];
    EXPECT_EQ(uc4603(owner), -14);  // no entry to name
    EXPECT_EQ(uc4508(path("none").c_str(), nullptr, 0, 0), -1020003);
    EXPECT_EQ(uc4518(), -14);  // a failed open leaves no scan
}

TEST_F(Codes, HeaderArgumentsAndKinds) {
    kx_reset_session_for_tests();
    EXPECT_EQ(uc4564(nullptr, 0, 1), 1105004);  // checked before the session
    EXPECT_EQ(uc4564("f", -1, 1), 1105005);
    EXPECT_EQ(uc4564("f", 0, 0), 1105006);
    ASSERT_EQ(KX_initialize(), 0);
    write_file("f.prt", "");
    hc::give_outputs("CFI_get_file_type", {5});
    EXPECT_EQ(uc4612(path("f.prt").c_str(), 0, 3), -123);
    EXPECT_EQ(hc::call_count("PFEDIT_set_part_file_header"), 0);
    hc::clear_scripts();
    EXPECT_EQ(uc4564(path("none.prt").c_str(), 2, 1), CFI_ERR_NOT_FOUND);  // the part-file editor's code
    EXPECT_EQ(uc4564(path("none.txt").c_str(), 5, 1), -1);
    // Without the field kept by the host, nothing is written.
    EXPECT_EQ(uc4564(path("f.prt").c_str(), 2, 4), 0);
    hc::give_outputs("fm1920_", {0});
    int v = 77;
    EXPECT_EQ(uc4602(&v), 0);
    EXPECT_EQ(v, 77);
    char text[KX_CFI_TEXT_BUFSIZE] = "kept";
    EXPECT_EQ(uc4607(text), 0);
    EXPECT_STREQ(text, "kept");
}

TEST_F(Codes, AnOwnerWithoutANameIsUnknownAndIsAskedOnce) {
    write_file("f.txt", "");
    ASSERT_GT(uc4508(dir.c_str(), nullptr, 0, 0), 0);
    ASSERT_EQ(uc4518(), 0);
    host::cfi::set_owner_unknown(true);
    char owner[KX_CFI_OWNER_BUFSIZE];
    EXPECT_EQ(uc4603(owner), 0);
    EXPECT_STREQ(owner, "<UNKNOWN>");
    EXPECT_EQ(uc4603(owner), 0);
    EXPECT_EQ(hc::call_count("CFI_ask_owner_name"), 1);
    EXPECT_EQ(uc4548(), 0);
}

// ---- Limits kept where a plain copy would overrun ------------------------------

TEST_F(Codes, CopiesIntoBuffersKeepToTheirSizes) {
    // A line longer than the buffer is cut; the answer is its whole length.
    const std::string long_line(3000, 'x');
    write_file("long.txt", long_line + "\n");
    const int ch = uc4500(path("long.txt").c_str(), 0, 0);
    auto line = std::make_unique<char[]>(KX_CFI_LINE_BUFSIZE);
    EXPECT_EQ(uc4514(ch, line.get()), 3000);
    EXPECT_EQ(std::strlen(line.get()), static_cast<std::size_t>(KX_CFI_LINE_BUFSIZE - 1));
    EXPECT_EQ(uc4540(ch, 0), 0);

    // An owner longer than 15 characters.
    write_file("f.txt", "");
    ASSERT_GT(uc4508(dir.c_str(), "f.txt", 0, 0), 0);
    ASSERT_EQ(uc4518(), 0);
    hc::give_outputs("CFI_ask_owner_name", {"averyveryverylongownername"});
    auto owner = std::make_unique<char[]>(KX_CFI_OWNER_BUFSIZE);
    EXPECT_EQ(uc4603(owner.get()), 0);
    EXPECT_STREQ(owner.get(), "averyveryverylo");
    EXPECT_EQ(uc4548(), 0);

    // A switch value and an argument longer than a specification.
    const std::string big = "-Name=" + std::string(400, 'v');
    const std::string arg(400, 'a');
    const char* argv[] = {"prog", big.c_str(), arg.c_str()};
    uc4624(0, 3, const_cast<char**>(argv));
    auto value = std::make_unique<char[]>(KX_CFI_FSPEC_BUFSIZE);
    EXPECT_EQ(uc4620("Name", value.get()), 3);
    EXPECT_EQ(std::strlen(value.get()), static_cast<std::size_t>(KX_CFI_FSPEC_BUFSIZE - 1));
    EXPECT_EQ(uc4621(value.get()), 1);
    EXPECT_EQ(std::strlen(value.get()), static_cast<std::size_t>(KX_CFI_FSPEC_BUFSIZE - 1));

    // A default directory and a release text from the host, longer than their buffers.
    hc::give_outputs("CFI_get_default_directory", {std::string(600, 'd')});
    hc::return_status("CFI_get_default_directory", 0);
    hc::give_outputs("PART_get_file_release_string", {std::string(600, 'r')});
    hc::return_status("PART_get_file_release_string", 0);
    auto directory = std::make_unique<char[]>(KX_CFI_FSPEC_BUFSIZE);
    EXPECT_EQ(uc4565(0, directory.get()), 0);
    EXPECT_EQ(std::strlen(directory.get()), static_cast<std::size_t>(KX_CFI_FSPEC_BUFSIZE - 1));
    auto release = std::make_unique<char[]>(KX_CFI_TEXT_BUFSIZE);
    EXPECT_EQ(uc4623("p.prt", release.get()), 0);
    EXPECT_EQ(std::strlen(release.get()), static_cast<std::size_t>(KX_CFI_TEXT_BUFSIZE - 1));
}

TEST_F(Codes, ADirectoryRequestRefusesLongTexts) {
    int flags[13] = {}, sel[12] = {};
    const std::string at_limit = dir + "/" + std::string(258 - dir.size(), 'n');
    const std::string over = at_limit + "n";
    ASSERT_EQ(at_limit.size(), 259u);
    EXPECT_EQ(uc4650(over.c_str(), 1, 1, flags, sel, ""), KX_CFI_TOO_LONG);
    EXPECT_EQ(uc4650(dir.c_str(), 2, 1, flags, sel, std::string(260, '*').c_str()), KX_CFI_TOO_LONG);
    EXPECT_EQ(uc4650(dir.c_str(), 2, 1, flags, sel, std::string(259, '*').c_str()), 0);
    EXPECT_EQ(uc4650(dir.c_str(), 3, 1, flags, sel, ("01-Jan-2000" + std::string(21, ' ')).c_str()), KX_CFI_TOO_LONG);
    EXPECT_EQ(uc4650(dir.c_str(), 3, 1, flags, sel, ("01-Jan-2000" + std::string(20, ' ')).c_str()),
              KX_CFI_BAD_REQUEST);
    EXPECT_EQ(hc::call_count("l1110a_"), 1);
}

TEST_F(Codes, DirectoryRequestBlock) {
    int flags[13] = {}, sel[12] = {};
    sel[3] = 1;
    EXPECT_EQ(uc4650(dir.c_str(), 7, 9, flags, sel, nullptr), 0);
    std::vector<int> bits;
    for (int b = 0; b < 128; ++b)
        if (mbtts_(fmgcom_.types, &b)) bits.push_back(b);
    EXPECT_EQ(bits, (std::vector<int>{5, 6, 15, 16}));
    EXPECT_EQ(fmgcom_.value, 1);
    // A later request chooses its own types only.
    sel[3] = 0;
    sel[0] = 1;
    EXPECT_EQ(uc4650(dir.c_str(), 7, 3, flags, sel, nullptr), 0);
    bits.clear();
    for (int b = 0; b < 128; ++b)
        if (mbtts_(fmgcom_.types, &b)) bits.push_back(b);
    EXPECT_EQ(bits, (std::vector<int>{1, 2}));
    EXPECT_EQ(fmgcom_.value, 3);
    sel[0] = 0;
    EXPECT_EQ(uc4650(dir.c_str(), 7, 1, flags, sel, nullptr), -121);  // no type chosen
    sel[0] = 9;
    EXPECT_EQ(uc4650(dir.c_str(), 4, 1, flags, sel, "01-Jan-2000"), 0);
    EXPECT_EQ(sel[0], 1);  // written back
    EXPECT_EQ(fmgcom_.date_mode, 1);
    EXPECT_EQ(uc4650(dir.c_str(), 9, 1, flags, sel, ""), -121);
    EXPECT_EQ(uc4650(dir.c_str(), 3, 1, flags, sel, "not a date"), -121);
    EXPECT_EQ(uc4650(path("none").c_str(), 1, 1, flags, sel, ""), -3);  // the request finds no directory
    flags[2] = 1;
    flags[12] = 1;
    uc4650(dir.c_str(), 1, 1, flags, sel, "");
    EXPECT_EQ(fmgcom_.fields, (1 << 3) | (1 << 13));
}

TEST_F(Codes, DescentStopsAtTheNinthLevel) {
    std::string deep = dir;
    for (int i = 1; i <= 10; ++i) {
        deep += "/l" + std::to_string(i);
        std::filesystem::create_directory(deep);
    }
    ASSERT_GT(uc4508(dir.c_str(), nullptr, 0, 0), 0);
    for (int level = 1; level < 9; ++level) {
        ASSERT_EQ(uc4518(), 0);
        ASSERT_EQ(uc4509(), 0) << level;
    }
    EXPECT_EQ(kx::cfi::scan().depth, 9);
    ASSERT_EQ(uc4518(), 0);
    const int channels = host::cfi::open_channels();
    EXPECT_EQ(uc4509(), KX_CFI_SCAN_TOO_DEEP);
    EXPECT_EQ(kx::cfi::scan().depth, 9);
    EXPECT_EQ(host::cfi::open_channels(), channels);
    char spec[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_EQ(uc4519(spec), 0);  // the scan is as it was
    EXPECT_NE(std::string(spec).find("/l8/l9"), std::string::npos);
    // A new scan closes every level of the old one.
    EXPECT_GT(uc4508(dir.c_str(), nullptr, 0, 0), 0);
    EXPECT_EQ(kx::cfi::scan().depth, 1);
    EXPECT_EQ(host::cfi::open_channels(), 1);
    ASSERT_EQ(uc4518(), 0);
    ASSERT_EQ(uc4509(), 0);
    EXPECT_EQ(uc4548(), 0);
    EXPECT_EQ(host::cfi::open_channels(), 0);
}

TEST_F(Codes, TheOwnerCheckComparesOnlyWithinTheSpecification) {
    write_file("a_rather_long_name.txt", "");
    ASSERT_GT(uc4508(dir.c_str(), nullptr, 0, 0), 0);
    ASSERT_EQ(uc4518(), 0);
    hc::set_checking_level(1);
    hc::give_outputs("fm1161", {"ab"});  // a specification shorter than the name
    char owner[KX_CFI_OWNER_BUFSIZE];
    EXPECT_EQ(hc::raised_code([&] { uc4603(owner); }), std::optional<int>(670001));
    hc::clear_scripts();
    EXPECT_EQ(uc4603(owner), 0);  // the real specification ends with the name
    EXPECT_EQ(uc4548(), 0);
}

}  // namespace

namespace {

// A text that does not fit the host's field is a failure (-9), never a
// positive code that reads as success.
TEST_F(Codes, TextsThatDoNotFitTheirFieldsAreRefused) {
    write_file("p.prt", "");
    const std::string part = path("p.prt");
    const std::string long_name(261, 'n');
    char out[KX_CFI_FSPEC_BUFSIZE] = "x";
    struct Row {
        const char* what;
        std::function<int()> call;
    } rows[] = {
        {"uc4560", [&] { return uc4560(long_name.c_str(), 0); }},
        {"uc4573", [&] { return uc4573(long_name.c_str(), 0, out); }},
        {"uc4613", [&] { return uc4613(part.c_str(), 2, "sixteen-chars-xx"); }},
        {"uc4617", [&] { return uc4617(part.c_str(), 2, std::string(133, 't').c_str()); }},
        {"uc4618", [&] { return uc4618(part.c_str(), 2, std::string(133, 't').c_str()); }},
    };
    for (const Row& r : rows) EXPECT_EQ(r.call(), KX_CFI_TOO_LONG) << r.what;
    EXPECT_EQ(hc::call_count("PFEDIT_set_part_file_header") + hc::call_count("CFI_set_file_header"), 0);
    EXPECT_EQ(uc4613(part.c_str(), 2, "fifteen-chars-x"), 0);
    EXPECT_EQ(uc4617(part.c_str(), 2, std::string(132, 't').c_str()), 0);
}

}  // namespace
