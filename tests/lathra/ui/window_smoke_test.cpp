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
    TempDir dir;
    const auto r = run_program({"timeout", "120", "xvfb-run", "-a", binary, "-Defo=" + (dir / "job")}, "",
                               {{"LATHRA_UI", std::nullopt},
                                {"LATHRA_TEST_PRESS_EXIT", "1"},
                                {"TEMP", dir.path().string()}});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("lathra: test hook presses the exit button"), std::string::npos) << r.out;
    // The console back end did not take over.
    EXPECT_EQ(r.out.find("commands:"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "lathra.ini"));
#endif
}

}  // namespace
