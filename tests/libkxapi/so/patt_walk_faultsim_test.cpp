// Pattern switches, flags and points under fault simulation: every run with
// a host error at one host call ends clean (a failed switch or creation
// leaves the model as it was, a failed question hands nothing back).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "host/control/control.h"
#include "host/model/pattern/pattern.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_pattern = 0;

// A work part with a pattern whose first and third flags are set, made
// straight through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("patt_walk.prt");
    host::parts::set_work_part(part);
    g_pattern = PATTERN_create(part, 0b1010);
    host::control::clear_journal();
}

int switches_and_points() {
    STEP(KX_initialize());
    logical archiving = 0, shading = 1;
    STEP(KX_PATT_set_archiving(1));
    STEP(KX_PATT_is_archiving_on(&archiving));
    STEP(KX_PATT_is_shading_on(&shading));
    int f1 = -1, f2 = -1, f3 = -1;
    STEP(KX_PATT_ask_params(g_pattern, &f1, &f2, &f3));
    STEP(KX_PATT_ask_params(NULL_TAG, &f1, &f2, &f3));
    double at[3] = {2.5, -1.25, 4};
    tag point = NULL_TAG;
    STEP(KX_PATT_create_point(at, &point));
    STEP(KX_PATT_set_archiving(0));
    return 0;
}

TEST(PatternWalkFaultSimulation, EveryRunEndsClean) {
    const auto start = std::chrono::steady_clock::now();
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"patt_switches_and_points", switches_and_points, model});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s (%.1f s)\n", faultsim::describe(r).c_str(), seconds);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
