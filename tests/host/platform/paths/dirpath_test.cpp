// The host's directory search paths: building, handles and their end.
#include "host/platform/paths/dirpath.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/services/memory.h"
#include "tests/host/host_test.h"

namespace {

namespace hc = host::control;

class Paths : public HostTest {};

TEST_F(Paths, EnvironmentValuesSplitAtColons) {
    struct Case {
        const char* value;
        int count;
    } cases[] = {{"/a", 1}, {"/a:/b", 2}, {"/a::/b:", 2}, {"", 0}, {":::", 0}};
    for (const Case& c : cases) {
        hc::set_env("KX_PATHS_TEST", c.value);
        DIRPATH_p_t p = DIRPATH_create_from_env("KX_PATHS_TEST");
        EXPECT_EQ(DIRPATH_ask_dir_count(p), c.count) << '"' << c.value << '"';
    }
}

TEST_F(Paths, HandlesEndWithTheFileServicesAndAReset) {
    const char* dirs[] = {"/x"};
    DIRPATH_p_t p = DIRPATH_create_from_dirs(1, dirs);
    EXPECT_EQ(host::paths::live_paths(), 1);
    int status = -1;
    fm1901_(&status);
    EXPECT_EQ(host::paths::live_paths(), 0);
    EXPECT_EQ(hc::raised_code([&] { DIRPATH_ask_dir_count(p); }), HOST_ERR_BAD_HANDLE);
    DIRPATH_create_from_dirs(1, dirs);
    hc::reset();
    EXPECT_EQ(host::paths::live_paths(), 0);
}

TEST_F(Paths, BadListsAreRefusedWhole) {
    const char* dirs[] = {"/a", nullptr};
    EXPECT_EQ(hc::raised_code([&] { DIRPATH_create_from_dirs(2, dirs); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([&] { DIRPATH_create_from_dirs(1, nullptr); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([&] { DIRPATH_create_from_dirs(-1, dirs); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(host::paths::live_paths(), 0);
    DIRPATH_p_t empty = DIRPATH_create_from_dirs(0, nullptr);
    char* full = nullptr;
    EXPECT_EQ(DIRPATH_find_file(empty, "x", &full), DIRPATH_NONE);
    EXPECT_EQ(full, nullptr);
}

}  // namespace
