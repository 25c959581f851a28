// Directory search paths.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/platform/paths/dirpath.h"
#include "host/base/services/error.h"
#include "kx_core.h"
#include "kx_dirpath.h"
#include "tests/libkxapi/core/fixture.h"

namespace {

namespace ctl = host::control;
namespace fs = std::filesystem;

class Dirpath : public FreshProcess {
protected:
    void SetUp() override {
        FreshProcess::SetUp();
        root_ = fs::temp_directory_path() / ("kx_dirpath_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        for (const char* d : {"a", "b", "c"}) fs::create_directories(root_ / d);
        for (const char* f : {"a/only_a", "b/shared", "c/shared", "c/only_c"}) std::ofstream(root_ / f) << f;
        fs::create_directories(root_ / "b/subdir");
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override {
        FreshProcess::TearDown();
        fs::remove_all(root_);
    }
    std::string dir(const char* name) const { return (root_ / name).string(); }

    // The path a, b, c.
    KX_DIRPATH_t three() {
        const std::string a = dir("a"), b = dir("b"), c = dir("c");
        const char* dirs[] = {a.c_str(), b.c_str(), c.c_str()};
        KX_DIRPATH_t path = nullptr;
        EXPECT_EQ(KX_DIRPATH_create_from_dirs(3, dirs, &path), 0);
        return path;
    }

    static std::string take(char* text) {
        std::string s = text ? text : "<none>";
        KX_free(text);
        return s;
    }

    fs::path root_;
};

TEST_F(Dirpath, FindsFilesAlongThePathInOrder) {
    KX_DIRPATH_t path = three();
    struct Case {
        std::string name;
        int status;
        std::string found;
    } cases[] = {
        {"only_a", 0, dir("a") + "/only_a"},
        {"shared", 0, dir("b") + "/shared"},  // the first directory that holds it
        {"only_c", 0, dir("c") + "/only_c"},
        {"nowhere", DIRPATH_NONE, "<none>"},
        {"subdir", DIRPATH_NONE, "<none>"},               // a directory is not a file
        {dir("c") + "/only_c", 0, dir("c") + "/only_c"},  // an absolute name as it stands
        {"", HOST_ERR_BAD_ARGUMENT, "<none>"},
    };
    for (const Case& c : cases) {
        char* full = nullptr;
        EXPECT_EQ(KX_DIRPATH_find_file(path, c.name.c_str(), &full), c.status) << c.name;
        EXPECT_EQ(take(full), c.found) << c.name;
    }
}

TEST_F(Dirpath, CountQueriesAndAppending) {
    KX_DIRPATH_t path = three();
    EXPECT_EQ(KX_DIRPATH_ask_dir_count(path), 3);
    char* d = nullptr;
    EXPECT_EQ(KX_DIRPATH_ask_nth_dir(path, 1, &d), 0);
    EXPECT_EQ(take(d), dir("b"));
    EXPECT_EQ(KX_DIRPATH_ask_nth_dir(path, 3, &d), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(KX_DIRPATH_append(path, "/extra"), 0);
    const char* more[] = {"/m1", "/m2"};
    EXPECT_EQ(KX_DIRPATH_append_from_dirs(path, 2, more), 0);
    ctl::set_env("KX_DIRPATH_MORE", "/e1::/e2:");
    EXPECT_EQ(KX_DIRPATH_append_from_env(path, "KX_DIRPATH_MORE"), 0);
    int count = 0;
    char** dirs = nullptr;
    ASSERT_EQ(KX_DIRPATH_ask_dirs(path, &count, &dirs), 0);
    std::vector<std::string> got(dirs, dirs + count);
    KX_free_string_array(count, dirs);
    EXPECT_EQ(got, (std::vector<std::string>{dir("a"), dir("b"), dir("c"), "/extra", "/m1", "/m2", "/e1", "/e2"}));
    const char* bad[] = {"/ok", ""};
    EXPECT_EQ(KX_DIRPATH_append_from_dirs(path, 2, bad), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(KX_DIRPATH_ask_dir_count(path), 8) << "a refused list adds nothing";
}

TEST_F(Dirpath, FromTheEnvironment) {
    ctl::set_env("KX_DIRPATH_TEST", dir("a") + ":" + dir("c"));
    KX_DIRPATH_t path = nullptr;
    ASSERT_EQ(KX_DIRPATH_create_from_env("KX_DIRPATH_TEST", &path), 0);
    EXPECT_EQ(KX_DIRPATH_ask_dir_count(path), 2);
    char* full = nullptr;
    EXPECT_EQ(KX_DIRPATH_find_file(path, "shared", &full), 0);
    EXPECT_EQ(take(full), dir("c") + "/shared");

    path = reinterpret_cast<KX_DIRPATH_t>(&path);
    EXPECT_EQ(KX_DIRPATH_create_from_env("KX_DIRPATH_UNDEFINED", &path), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(path, nullptr);
    ctl::raise_on("DIRPATH_create_from_env", 1020003);
    path = reinterpret_cast<KX_DIRPATH_t>(&path);
    EXPECT_EQ(KX_DIRPATH_create_from_env("KX_DIRPATH_TEST", &path), 1020003);
    EXPECT_EQ(path, nullptr);
    EXPECT_EQ(KX_DIRPATH_create_from_env("KX_DIRPATH_TEST", nullptr), 1105005);
}

TEST_F(Dirpath, IterationBothWays) {
    KX_DIRPATH_t path = three();
    EXPECT_EQ(KX_DIRPATH_start_dir_iteration(path), 0);
    EXPECT_EQ(KX_DIRPATH_ask_dir_index(path), -1);
    char* d = nullptr;
    EXPECT_EQ(KX_DIRPATH_ask_curr_dir(path, &d), DIRPATH_NONE);
    // Each step: the call, its answer, the directory and the index after it.
    struct Step {
        int (*call)(KX_DIRPATH_t, char**);
        int status;
        std::string dir;
        int index;
    } steps[] = {
        {KX_DIRPATH_ask_next_dir, 0, dir("a"), 0},
        {KX_DIRPATH_ask_next_dir, 0, dir("b"), 1},
        {KX_DIRPATH_ask_curr_dir, 0, dir("b"), 1},
        {KX_DIRPATH_ask_next_dir, 0, dir("c"), 2},
        {KX_DIRPATH_ask_next_dir, DIRPATH_NONE, "<none>", 3},
        {KX_DIRPATH_ask_next_dir, DIRPATH_NONE, "<none>", 3},
        {KX_DIRPATH_ask_prev_dir, 0, dir("c"), 2},
        {KX_DIRPATH_ask_prev_dir, 0, dir("b"), 1},
        {KX_DIRPATH_ask_prev_dir, 0, dir("a"), 0},
        {KX_DIRPATH_ask_prev_dir, DIRPATH_NONE, "<none>", -1},
    };
    int n = 0;
    for (const Step& s : steps) {
        char* out = nullptr;
        EXPECT_EQ(s.call(path, &out), s.status) << "step " << n;
        EXPECT_EQ(take(out), s.dir) << "step " << n;
        EXPECT_EQ(KX_DIRPATH_ask_dir_index(path), s.index) << "step " << n;
        ++n;
    }
}

TEST_F(Dirpath, PathsAreFreedWhenTheSessionEnds) {
    KX_DIRPATH_t path = three();
    EXPECT_EQ(host::paths::live_paths(), 1);
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_EQ(host::paths::live_paths(), 0);
    kx_reset_session_for_tests();
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(KX_DIRPATH_ask_dir_count(path), HOST_ERR_BAD_HANDLE) << "a path of the ended session";
}

TEST_F(Dirpath, BeforeInitialize) {
    KX_DIRPATH_t path = three();
    KX_terminate();
    KX_DIRPATH_t made = nullptr;
    EXPECT_EQ(KX_DIRPATH_create_from_env("PATH", &made), 1105000);
    EXPECT_EQ(KX_DIRPATH_ask_dir_count(path), 1105000);
    EXPECT_EQ(ctl::call_count("DIRPATH_ask_dir_count"), 0);
}

}  // namespace
