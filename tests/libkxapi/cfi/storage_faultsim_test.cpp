// A host error at any host call of the file services, the search paths and
// the session utilities ends clean.
#include <gtest/gtest.h>

#include <cstdio>

#include "kx_cfi.h"
#include "kx_core.h"
#include "kx_dirpath.h"
#include "kx_misc.h"
#include "kx_types.h"
#include "tests/support/faultsim.h"

namespace {

using faultsim::step;

int story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    KX_CFI_storage_t root = nullptr;
    KX_CFI_stream_t s = nullptr;
    const int w = KX_CFI_MODE_WRITE | KX_CFI_MODE_CREATE;
    if (int st = step("KX_CFI_open_storage_file", [&] { return KX_CFI_open_storage_file("story.kxs", w, &root); }))
        return st;
    if (int st = step("KX_CFI_open_stream", [&] { return KX_CFI_open_stream(root, "data", w, &s); })) return st;
    if (int st = step("KX_CFI_write_to_stream", [&] { return KX_CFI_write_to_stream(s, 4, "abcd"); })) return st;
    if (int st = step("KX_CFI_close_stream", [&] { return KX_CFI_close_stream(s); })) return st;
    if (int st = step("KX_CFI_close_storage", [&] { return KX_CFI_close_storage(root); })) return st;
    if (int st = step("KX_CFI_open_storage_file", [&] { return KX_CFI_open_storage_file("story.kxs", 1, &root); }))
        return st;
    int count = 0;
    KX_CFI_element_t* contents = nullptr;
    if (int st =
            step("KX_CFI_ask_storage_contents", [&] { return KX_CFI_ask_storage_contents(root, &count, &contents); }))
        return st;
    KX_free(contents);
    if (int st = step("KX_CFI_close_storage", [&] { return KX_CFI_close_storage(root); })) return st;

    const char* dirs[] = {"."};
    KX_DIRPATH_t path = nullptr;
    if (int st = step("KX_DIRPATH_create_from_dirs", [&] { return KX_DIRPATH_create_from_dirs(1, dirs, &path); }))
        return st;
    char* full = nullptr;
    if (int st = step("KX_DIRPATH_find_file", [&] { return KX_DIRPATH_find_file(path, "story.kxs", &full); }))
        return st;
    KX_free(full);
    int n = 0;
    char** all = nullptr;
    if (int st = step("KX_DIRPATH_ask_dirs", [&] { return KX_DIRPATH_ask_dirs(path, &n, &all); })) return st;
    KX_free_string_array(n, all);

    char* release = nullptr;
    if (int st = step("KX_get_release", [&] { return KX_get_release(&release); })) return st;
    KX_free(release);
    char* value = nullptr;
    if (int st = step("KX_get_customer_default", [&] { return KX_get_customer_default("none", 1, &value); }); st != 1)
        return st == 0 ? -1 : st;
    KX_system_info_t info{};
    if (int st = step("KX_ask_system_info", [&] { return KX_ask_system_info(&info); })) return st;
    KX_free_system_info(&info);
    int process = 0, state = 0, code = 0;
    if (int st = step("KX_CFI_spawn", [&] { return KX_CFI_spawn("true", 0, nullptr, 1, &process); })) return st;
    if (int st = step("KX_CFI_spawn_check_status", [&] { return KX_CFI_spawn_check_status(process, &state, &code); }))
        return st;
    KX_bsm_stats_t stats{};
    if (int st = step("KX_init_bsm_stats", [&] { return KX_init_bsm_stats(&stats); })) return st;
    return step("KX_terminate", [] { return KX_terminate(); });
}

TEST(FileServicesFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"file_services", story});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    // A free that fails frees nothing: the block it was given stays live.
    // That is the only finding allowed.
    for (const faultsim::Fault& f : r.faults)
        if (!(f.call == "SM_free" && f.check == "leak")) ADD_FAILURE() << faultsim::describe(f);
}

}  // namespace
