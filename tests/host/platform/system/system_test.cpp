// The host's system services: name resolution of the loader, the clock's
// date text, memory pools, program search and the storage-file handles.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/services/memory.h"
#include "host/platform/cfi/storage.h"
#include "host/platform/system/loader.h"
#include "host/platform/system/system.h"
#include "tests/host/host_test.h"

namespace {

namespace hc = host::control;
namespace fs = std::filesystem;

class System : public HostTest {};

TEST_F(System, LibraryNamesResolve) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string long_name(FM_NAME_MAX + 1, 'n');
    struct Case {
        std::string name;
        int mode;
        int status;
        std::string resolved;
    } cases[] = {
        {"libuser.so", 0, 0, "libuser.so"},  // the loader searches
        {"/opt/lib/libuser.so", 0, 0, "/opt/lib/libuser.so"},
        {"lib/libuser.so", 0, 0, std::string(cwd) + "/lib/libuser.so"},
        {"libuser.so", 1, -4, ""},
        {long_name, 0, -4, ""},
    };
    for (const Case& c : cases) {
        const int length = static_cast<int>(c.name.size());
        int out_length = -1, status = 1;
        char out[FM_NAME_MAX + 1] = {};
        fm1821_(&length, c.name.data(), &c.mode, &out_length, out, &status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(std::string(out, static_cast<std::size_t>(out_length)), c.resolved) << c.name;
    }
}

TEST_F(System, DateText) {
    const CLOCK_decoded_time t{2026, 12, 9, 23, 5, 7};
    char buffer[128];
    CLOCK_get_date_string(&t, 1, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "09-Dec-2026 23:05:07");
    char small[6];
    CLOCK_get_date_string(&t, 1, small, sizeof small);
    EXPECT_STREQ(small, "09-De") << "cut to the buffer";
    EXPECT_EQ(hc::raised_code([&] { CLOCK_get_date_string(&t, 2, buffer, sizeof buffer); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(System, PoolsAreWalkedFromMinusTwoBackToMinusTwo) {
    host::bsm::register_pool("Extra", [](host::bsm::PoolFigures& f) {
        f = {1, 2, 3};
        return false;
    });
    std::string names;
    int words[4] = {};
    int readable = 0;
    for (int p = BSM_next_pool(-2); p != -2; p = BSM_next_pool(p)) {
        names += std::string(BSM_ask_pool_name(p)) + " ";
        if (BSM_ask_pool_statistics(p, words) == 0) ++readable;
    }
    host::bsm::unregister_pool("Extra");
    EXPECT_EQ(names, "SM Extra ");
    EXPECT_EQ(readable, 1) << "the extra pool cannot be read";
    EXPECT_EQ(BSM_ask_pool_statistics(99, words), BSM_POOL_UNREADABLE);
}

TEST_F(System, ProgramsAreFoundByPathOrAlongPath) {
    const fs::path plain = fs::temp_directory_path() / ("kx_host_plain_" + std::to_string(getpid()));
    { std::ofstream(plain) << "not a program"; }
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    struct Case {
        const char* name;
        int status;
    } cases[] = {
        {"sh", 0},
        {"/bin/sh", 0},
        {"no_such_program_anywhere", CFI_ERR_NOT_FOUND},
        {"/no/such/program", CFI_ERR_NOT_FOUND},
        {plain.c_str(), CFI_ERR_DENIED},  // exists, not executable
        {"", CFI_ERR_BAD_SPEC},
    };
    const std::size_t start = host::memory::stats().live_blocks;
    for (const Case& c : cases) {
        char* full = nullptr;
        EXPECT_EQ(CFI_spawn_format_program_name(c.name, 3, 0, &full), c.status) << c.name;
        EXPECT_EQ(full != nullptr, c.status == 0) << c.name;
        if (full) {
            EXPECT_EQ(full[0], '/') << full;
        }
        SM_free(full);
    }
    EXPECT_EQ(host::memory::stats().live_blocks, start);
    fs::remove(plain);
}

TEST_F(System, StaleAndMadeUpHandlesAreErrors) {
    const fs::path file = fs::temp_directory_path() / ("kx_host_cfi_" + std::to_string(getpid()));
    CFI_storage_p_t root = CFI_open_storage_file(file.c_str(), CFI_MODE_WRITE | CFI_MODE_CREATE);
    EXPECT_EQ(CFI_close_storage(root), 0);
    EXPECT_EQ(hc::raised_code([&] { CFI_close_storage(root); }), HOST_ERR_BAD_HANDLE);
    int junk = 0;
    EXPECT_EQ(hc::raised_code([&] { CFI_ask_stream_current_pos(reinterpret_cast<CFI_stream_p_t>(&junk)); }),
              HOST_ERR_BAD_HANDLE);
    EXPECT_EQ(hc::raised_code([&] { CFI_open_storage_file(file.c_str(), CFI_MODE_CREATE); }), HOST_ERR_BAD_ARGUMENT)
        << "neither read nor write";
    fs::remove(file);
}

TEST_F(System, FileServicesShutdownClosesEveryHandle) {
    const fs::path file = fs::temp_directory_path() / ("kx_host_cfi_sd_" + std::to_string(getpid()));
    CFI_storage_p_t root = CFI_open_storage_file(file.c_str(), CFI_MODE_WRITE | CFI_MODE_CREATE);
    CFI_stream_p_t s = CFI_open_stream(root, "s", CFI_MODE_WRITE | CFI_MODE_CREATE);
    EXPECT_EQ(CFI_write_to_stream(s, 2, "ok"), 2u);
    EXPECT_EQ(host::cfi::open_handles(), 2);
    int status = -1;
    fm1901_(&status);
    EXPECT_EQ(host::cfi::open_handles(), 0);
    EXPECT_EQ(CFI_is_storage_file(file.c_str()), 1) << "written on the way out";
    fs::remove(file);
}

}  // namespace
