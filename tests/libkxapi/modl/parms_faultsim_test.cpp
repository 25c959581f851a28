// Feature parameter texts, directions and locations of a block and a
// cylinder under fault simulation: every run with a host error at one host
// call ends clean (no text leaked, no mark or frame left behind).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/data/parts.h"
#include "host/feature/feature.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_block = 0, g_cylinder = 0;

void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("parms.prt");
    host::parts::set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &g_block);
    const char* cyl[] = {"10", "30"};
    const double axis[] = {200, 0, 0, 0, 0, 1};
    FEAT_create(part, "CYLINDER", 2, cyl, 6, axis, 0, nullptr, 0, 0, &g_cylinder);
    host::control::clear_journal();
}

int parms() {
    STEP(KX_initialize());
    char* sizes[3] = {};
    STEP(KX_MODL_ask_block_parms(g_block, 0, sizes));
    for (char* s : sizes) KX_free(s);
    char *diameter = nullptr, *height = nullptr;
    STEP(KX_MODL_ask_cylinder_parms(g_cylinder, 0, &diameter, &height));
    KX_free(diameter);
    KX_free(height);
    double first[3], second[3], at[3];
    STEP(KX_MODL_ask_feat_direction(g_cylinder, first, second));
    STEP(KX_MODL_ask_feat_location(g_block, at));
    return 0;
}

TEST(ParmsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"parms", parms, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
