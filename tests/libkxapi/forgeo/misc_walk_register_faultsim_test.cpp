// Registering a foreign surface kind under fault simulation: a host error
// at any host call ends clean (the call answers 1, its documented answer
// for every failure of the host, with the error marked handled).
#include <gtest/gtest.h>

#include <cstdio>

#include "kx_core.h"
#include "kx_forgeo.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void model() {
    kxtest::fresh_process();
    KX_initialize();
}

// A tilted plane z = 0.5 x - 2 y.
int tilted(void*, const double uv[2], double point[3]) {
    point[0] = uv[0];
    point[1] = uv[1];
    point[2] = 0.5 * uv[0] - 2 * uv[1];
    return 0;
}

int g_data = 3;

int story() {
    STEP(KX_FORGEO_register_surface("tilted", tilted, &g_data));
    return 0;
}

TEST(MiscWalkRegisterFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"register_walk", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
