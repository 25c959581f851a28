// The rest of the old file interface under fault simulation: the channels'
// transfers and positions, the directory scan and the entry read, the file
// operations, names, system queries and program arguments, and the storage
// files' streams. With a host error raised at each host call in turn, every
// call ends with a status (or hands the error to the program's own frame,
// where it has none of its own), leaves no frame armed and no block behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "kx_cfi.h"
#include "kx_core.h"
#include "kx_types.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

// A step whose call answers `expected` when it goes through: 0 then, else
// the call's answer (a failure), or -1 for another success.
template <class F>
int expect(const char* call, int expected, F&& f) {
    const int got = step(call, std::forward<F>(f));
    if (got == expected) return 0;
    return got != 0 ? got : -1;
}

// The call as a step that must answer `expected`.
#define EXPECT_STEP(call, expected)                                              \
    do {                                                                         \
        if (int st_ = expect(#call, expected, [&] { return call; })) return st_; \
    } while (0)

void fresh() {
    kxtest::fresh_process();
    kx_cfi_reset_for_tests();
    kx_cfi_reset_arguments_for_tests();
}

// A file of 40 bytes "0123456789" four times, written by a channel and read
// back through the block, line and position calls.
int channel_story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    const int out = step("uc4504", [] { return uc4504("c.dat", 0, 0); });
    if (out <= 0) return out < 0 ? out : -1;
    const int words[2] = {0x01020304, 0x05060708};
    const double d = 2.5;
    EXPECT_STEP(uc4520(out, 4, "abcd"), 0);
    EXPECT_STEP(uc4521(out, 2, words), 0);
    EXPECT_STEP(uc4522(out, 1, &d), 0);
    EXPECT_STEP(uc4523(out, 3, "xyz"), 0);
    EXPECT_STEP(uc4524(out, "a line"), 0);
    EXPECT_STEP(uc4527(out, 5, '*'), 0);
    EXPECT_STEP(uc4525(out), 0);
    EXPECT_STEP(uc4540(out, 0), 0);

    const int both = step("uc4506", [] { return uc4506("c.dat", 0, 0); });
    if (both <= 0) return both < 0 ? both : -1;
    char bytes[8];
    int w[2];
    double back = 0;
    EXPECT_STEP(uc4510(both, 4, bytes), 0);
    EXPECT_STEP(uc4511(both, 2, w), 0);
    EXPECT_STEP(uc4512(both, 1, &back), 0);
    EXPECT_STEP(uc4513(both, 3, bytes), 0);
    char line[KX_CFI_LINE_BUFSIZE];
    EXPECT_STEP(uc4514(both, line), 6);
    EXPECT_STEP(uc4536(both), 0);
    EXPECT_STEP(uc4530(both, 4), 0);
    EXPECT_STEP(uc4531(both, 2), 0);
    EXPECT_STEP(uc4532(both, 1), 0);
    EXPECT_STEP(uc4533(both, -3), 0);
    EXPECT_STEP(uc4534(both), 17);
    EXPECT_STEP(uc4535(both, 4), 0);
    EXPECT_STEP(uc4516(both, -5, 2, 0), 0);
    int record = 2;
    EXPECT_STEP(uc4517(both, &record, 4), 2);
    int value = 0;
    EXPECT_STEP(uc4544(both, 1, &value), 0);
    EXPECT_STEP(uc4547(both, 1, &value), 0);
    EXPECT_STEP(uc4526(both, 30, 1, 0), 0);
    EXPECT_STEP(uc4540(both, 0), 0);

    const int rec = step("uc4507", [] { return uc4507("r.dat", 2, 8, 0); });
    if (rec <= 0) return rec < 0 ? rec : -1;
    EXPECT_STEP(uc4520(rec, 8, "recorded"), 0);
    return expect("uc4540", 0, [&] { return uc4540(rec, 1); });
}

TEST(CfiChannelsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"cfi_channels", channel_story, fresh});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// A tree top/{a.txt, p.prt, d/{e.txt}} scanned and its entries read; the
// header of a part file written and read; renames and the default
// directory; names, system codes and queries; the program's arguments.
int file_story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    const int top = step("uc4508", [] { return uc4508("top", nullptr, 0, 0); });
    if (top <= 0) return top < 0 ? top : -1;
    char name[KX_CFI_FSPEC_BUFSIZE], spec[KX_CFI_FSPEC_BUFSIZE];
    EXPECT_STEP(uc4518(), 0);
    EXPECT_STEP(uc4600(name), 0);
    EXPECT_STEP(uc4519(spec), 0);
    EXPECT_STEP(uc4601(), 5);
    EXPECT_STEP(uc4518(), 0);
    EXPECT_STEP(uc4509(), 0);
    EXPECT_STEP(uc4518(), 0);
    EXPECT_STEP(uc4549(), 0);
    EXPECT_STEP(uc4548(), 0);

    EXPECT_STEP(uc4613("top/p.prt", 2, "someone"), 0);
    EXPECT_STEP(uc4618("top/p.prt", 2, "second text"), 0);
    EXPECT_STEP(uc4564("top/p.prt", 0, 0x65), 0);
    int value = 0;
    char owner[KX_CFI_OWNER_BUFSIZE], text[KX_CFI_TEXT_BUFSIZE];
    EXPECT_STEP(uc4602(&value), 0);
    EXPECT_STEP(uc4603(owner), 0);
    EXPECT_STEP(uc4607(text), 0);
    EXPECT_STEP(uc4608(text), 0);
    const int day = step("uc4605", [] { return uc4605(); });
    if (day <= 0) return day < 0 ? day : -1;
    const int second = step("uc4609", [] { return uc4609(); });
    if (second < 0) return second;
    double accessed = 0, changed = 0, status_changed = 0;
    EXPECT_STEP(uc4606(&accessed, &changed, &status_changed), 0);

    EXPECT_STEP(uc4560("top/a.txt", 1), 0);
    EXPECT_STEP(uc4562("top/a.txt", "top/b.txt", 0), 0);
    EXPECT_STEP(uc4571("top", 1), 0);
    EXPECT_STEP(uc4572("*.prt", 0), 0);
    char release[KX_CFI_TEXT_BUFSIZE];
    EXPECT_STEP(uc4623("top/p.prt", release), 0);
    EXPECT_STEP(uc4566("top", 1), 0);
    EXPECT_STEP(uc4577(name), 0);
    char code[KX_CFI_CODE_BUFSIZE];
    EXPECT_STEP(uc4580(1, code), 0);
    EXPECT_STEP(uc4581(0), 1);
    EXPECT_STEP(uc4596(3, &value), 0);

    const char* argv[] = {"prog", "-Defo=job", "first", nullptr};
    EXPECT_STEP(uc4624(0, 3, const_cast<char**>(argv)), 0);
    EXPECT_STEP(uc4620("DEfo", name), 3);
    return expect("uc4621", 1, [&] { return uc4621(name); });
}

// The tree of the file story, in the directory every run copies.
std::string tree() {
    namespace fs = std::filesystem;
    static const fs::path dir = fs::temp_directory_path() / ("kx_cfi_walk_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "top/d");
    std::ofstream(dir / "top/a.txt") << "12345";
    std::ofstream(dir / "top/p.prt") << "part";
    std::ofstream(dir / "top/d/e.txt") << "e";
    return dir.string();
}

TEST(CfiFilesFaultSimulation, EveryRunEndsClean) {
    faultsim::Story s{"cfi_files", file_story, fresh, tree()};
    const faultsim::Report r = faultsim::simulate(s);
    std::filesystem::remove_all(s.files);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// A storage file with a storage and a stream in it: the stream read back,
// positioned and asked, lent to a channel, the storage copied.
int storage_story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    int status = -1;
    if (int st = step("KX_CFI_ask_file_exist", [&] { return KX_CFI_ask_file_exist("walk.kxs", &status); })) return st;
    KX_CFI_storage_t root = nullptr, parts = nullptr;
    KX_CFI_stream_t s = nullptr;
    const int w = KX_CFI_MODE_WRITE | KX_CFI_MODE_CREATE;
    if (int st = step("KX_CFI_open_storage_file", [&] { return KX_CFI_open_storage_file("walk.kxs", w, &root); }))
        return st;
    if (int st = step("KX_CFI_open_storage", [&] { return KX_CFI_open_storage(root, "parts", w, &parts); })) return st;
    if (int st = step("KX_CFI_open_stream", [&] { return KX_CFI_open_stream(parts, "data", w, &s); })) return st;
    if (int st = step("KX_CFI_write_to_stream", [&] { return KX_CFI_write_to_stream(s, 10, "0123456789"); }))
        return st;
    if (int st = step("KX_CFI_set_stream_absolute_pos", [&] { return KX_CFI_set_stream_absolute_pos(s, 2); }))
        return st;
    if (int st = step("KX_CFI_set_stream_relative_pos", [&] { return KX_CFI_set_stream_relative_pos(s, 3); }))
        return st;
    long long at = 0;
    if (int st = step("KX_CFI_ask_stream_current_pos", [&] { return KX_CFI_ask_stream_current_pos(s, &at); }))
        return st;
    char buf[4];
    if (int st = step("KX_CFI_read_from_stream", [&] { return KX_CFI_read_from_stream(s, 4, buf); })) return st;
    KX_CFI_stream_stats_t stats{};
    if (int st = step("KX_CFI_ask_stream_stats", [&] { return KX_CFI_ask_stream_stats(s, &stats); })) return st;
    int channel = -1;
    if (int st = step("KX_CFI_convert_stream_to_fileid",
                      [&] { return KX_CFI_convert_stream_to_fileid(s, 1, &channel); }))
        return st;
    if (int st = step("KX_CFI_release_stream_fileid", [&] { return KX_CFI_release_stream_fileid(s, channel); }))
        return st;
    if (int st = step("KX_CFI_close_stream", [&] { return KX_CFI_close_stream(s); })) return st;
    if (int st = step("KX_CFI_close_storage", [&] { return KX_CFI_close_storage(parts); })) return st;
    if (int st = step("KX_CFI_copy_storage_element",
                      [&] { return KX_CFI_copy_storage_element(root, "parts", root, "parts_copy"); }))
        return st;
    if (int st = step("KX_CFI_close_storage", [&] { return KX_CFI_close_storage(root); })) return st;
    logical is_storage = false;
    return step("KX_CFI_is_storage_file", [&] { return KX_CFI_is_storage_file("walk.kxs", &is_storage); });
}

TEST(CfiStorageFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"cfi_storage", storage_story, fresh});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
