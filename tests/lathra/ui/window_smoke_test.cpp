// The desktop window opens on a virtual display and closes with the exit
// button (pressed by the program's test hook after the first drawing).
#include <gtest/gtest.h>

#include "tests/lathra/app/test_support.h"

namespace {

using namespace lathra_test;

bool in_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string p = path != nullptr ? path : "";
    std::size_t i = 0;
    while (i <= p.size()) {
        const auto j = std::min(p.find(':', i), p.size());
        if (j > i && ::access((p.substr(i, j - i) + "/" + name).c_str(), X_OK) == 0) return true;
        i = j + 1;
    }
    return false;
}

TEST(WindowSmokeTest, OpensAndClosesWithTheExitButton) {
#ifndef LATHRA_WITH_FLTK
    GTEST_SKIP() << "this build has no desktop window";
#else
    if (!in_path("xvfb-run") || !in_path("timeout")) GTEST_SKIP() << "xvfb-run is not installed";
    const std::string binary = KX_BINARY_DIR "/bin/lathra";
    if (!std::filesystem::exists(binary)) GTEST_SKIP() << "lathra is not built";
    // The leak checker of a sanitizer build sees the whole of each stack,
    // and passes over the toolkits' process-wide caches (listed with their
    // reasons in the suppressions file), never the program's allocations.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asan_options = std::string(asan != nullptr ? asan : "") + ":fast_unwind_on_malloc=0";
    const std::string suppressions = std::string(KX_TEST_DATA_DIR) + "/window_toolkit.supp";
    struct Case {
        const char* hook;
        const char* chooser;  // what the hook says of the chooser, if it opens one
    };
    // "browse": the desktop chooser of the file-select dialog opens and is
    // closed with Escape before the exit button is pressed.
    for (const Case c : {Case{"1", nullptr}, Case{"browse", "lathra: test hook closed the chooser (cancelled)"}}) {
        TempDir dir;
        // The toolkits keep their settings in a home of the test's own.
        const auto r = run_program({"timeout", "120", "xvfb-run", "-a", binary, "-Defo=" + (dir / "job")}, "",
                                   {{"LATHRA_UI", std::nullopt},
                                    {"LATHRA_TEST_PRESS_EXIT", c.hook},
                                    {"TEMP", dir.path().string()},
                                    {"HOME", dir.path().string()},
                                    {"XDG_CONFIG_HOME", std::nullopt},
                                    {"XDG_DATA_HOME", std::nullopt},
                                    {"ASAN_OPTIONS", asan_options},
                                    {"LSAN_OPTIONS", "suppressions=" + suppressions}});
        EXPECT_EQ(r.exit_code, 0) << c.hook << "\n" << r.out;
        EXPECT_NE(r.out.find("lathra: test hook presses the exit button"), std::string::npos) << r.out;
        if (c.chooser != nullptr) {
            EXPECT_NE(r.out.find(c.chooser), std::string::npos) << r.out;
        }
        // The console back end did not take over.
        EXPECT_EQ(r.out.find("commands:"), std::string::npos) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir / "lathra.ini"));
    }
#endif
}

TEST(WindowSmokeTest, ADisplayThatCannotBeOpenedFallsBackToTheConsole) {
    const std::string binary = KX_BINARY_DIR "/bin/lathra";
    if (!std::filesystem::exists(binary)) GTEST_SKIP() << "lathra is not built";
    TempDir dir;
    for (int run = 0; run < 3; ++run) {
        const auto r = run_program({binary, "-Defo=" + (dir / "job")}, "exit\n",
                                   {{"LATHRA_UI", std::nullopt}, {"DISPLAY", ":65000"}, {"TEMP", dir.path().string()}});
        EXPECT_EQ(r.exit_code, 0) << r.out;
        EXPECT_NE(r.out.find("commands:"), std::string::npos) << r.out;
    }
}

}  // namespace
