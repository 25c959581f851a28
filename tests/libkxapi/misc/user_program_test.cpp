// A user program in C uses the session utilities, the file services and
// the search paths from start to end.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "host/platform/paths/dirpath.h"
#include "host/platform/cfi/storage.h"
#include "tests/libkxapi/core/fixture.h"

extern "C" int user_program_run(const char* dir, const char* library, char* report, std::size_t size);

namespace {

namespace fs = std::filesystem;

class UserProgram : public FreshProcess {};

TEST_F(UserProgram, RunsFromStartToEnd) {
    const fs::path dir = fs::temp_directory_path() / ("kx_user_program_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    char report[256] = {};
    EXPECT_EQ(user_program_run(dir.c_str(), KX_TEST_USER_LIBRARY, report, sizeof report), 0);
    const std::string expected = "scaled 42, child 4, data \"kept data\", found the file";
    EXPECT_STREQ(report, expected.c_str());
    const auto log = host::control::log_lines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "user program started");
    EXPECT_EQ(log[1], "kx_util 311: " + expected);
    EXPECT_EQ(host::paths::live_paths(), 0) << "freed at the session's end";
    EXPECT_EQ(host::cfi::open_handles(), 0);
    fs::remove_all(dir);
}

}  // namespace
