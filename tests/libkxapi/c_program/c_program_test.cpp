// Runs the stories of the C user program (scenario.c), each as a fresh
// process would: host and library reset, a temporary directory for the
// part files, the program's own reason shown when a story fails.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/control/control.h"
#include "scenario.h"
#include "tests/support/fresh_process.h"

namespace {

namespace ctl = host::control;

class CProgram : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxcprogram-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        fresh();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // A new process: the session state and the whole host start afresh.
    static void fresh() { kxtest::fresh_process(); }
    // Runs one story; its reason is the failure message.
    void run(int (*story)(const char*, char*, size_t)) {
        char why[512] = "";
        EXPECT_EQ(story(dir_.c_str(), why, sizeof why), 0) << why;
        EXPECT_EQ(ctl::frame_depth(), 0) << "a frame was left armed";
    }
    // Lines of the host log that report an internal fault.
    static std::string internal_errors() {
        std::string out;
        for (const std::string& line : ctl::log_lines())
            if (line.find("internal error") != std::string::npos) out += line + "\n";
        return out;
    }
    std::filesystem::path dir_;
};

TEST_F(CProgram, ModelIsBuiltUndoneMeasuredSavedAndFoundAgain) {
    run(scenario_model);
    EXPECT_EQ(internal_errors(), "");
    ASSERT_TRUE(std::filesystem::exists(dir_ / "c_user_model.prt"));

    // The same file opened by a new process.
    fresh();
    run(scenario_reopen);
    EXPECT_EQ(internal_errors(), "");
}

TEST_F(CProgram, OwnErrorHandlerCatchesAHostErrorAndTheLibraryGoesOn) {
    run(scenario_error_handler);
    EXPECT_EQ(internal_errors(), "");
}

TEST_F(CProgram, RefusalsAnswerTheirCodesAndTexts) {
    run(scenario_refusals);
    EXPECT_EQ(internal_errors(), "");
}

}  // namespace
