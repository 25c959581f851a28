// Directory search paths under fault simulation: a path made from the
// environment, grown and walked both ways; a host error at any host call
// ends clean (no handle or string left to the caller of a failed call).
#include <gtest/gtest.h>

#include <string>

#include "host/control/control.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void setup() {
    kxtest::fresh_process();
    host::control::set_env("KX_WALK_PATH", "/walk/a:/walk/b");
    host::control::set_env("KX_WALK_MORE", "/walk/e1::/walk/e2");
}

// Frees a directory a step handed over, so the next step's block count
// starts from the same place.
int take(char* text) {
    KX_free(text);
    return 0;
}

int story() {
    STEP(KX_initialize());
    KX_DIRPATH_t path = nullptr;
    STEP(KX_DIRPATH_create_from_env("KX_WALK_PATH", &path));
    STEP(KX_DIRPATH_append(path, "/walk/c"));
    const char* more[] = {"/walk/m1", "/walk/m2"};
    STEP(KX_DIRPATH_append_from_dirs(path, 2, more));
    STEP(KX_DIRPATH_append_from_env(path, "KX_WALK_MORE"));
    if (faultsim::step("KX_DIRPATH_ask_dir_count", [&] { return KX_DIRPATH_ask_dir_count(path) == 7 ? 0 : 1; }))
        return 1;
    char* d = nullptr;
    STEP(KX_DIRPATH_ask_nth_dir(path, 4, &d));
    take(d);
    STEP(KX_DIRPATH_start_dir_iteration(path));
    d = nullptr;
    STEP(KX_DIRPATH_ask_next_dir(path, &d));
    take(d);
    d = nullptr;
    STEP(KX_DIRPATH_ask_next_dir(path, &d));
    take(d);
    d = nullptr;
    STEP(KX_DIRPATH_ask_curr_dir(path, &d));
    take(d);
    if (faultsim::step("KX_DIRPATH_ask_dir_index", [&] { return KX_DIRPATH_ask_dir_index(path) == 1 ? 0 : 1; }))
        return 1;
    d = nullptr;
    STEP(KX_DIRPATH_ask_prev_dir(path, &d));
    take(d);
    return 0;
}

TEST(DirpathWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"dirpath_walk", story, setup});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
