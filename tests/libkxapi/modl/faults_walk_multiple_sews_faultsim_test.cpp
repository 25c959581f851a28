// Several sheets sewn onto one sheet body in one call under fault
// simulation: a host error at each host call of the story must leave a
// clean status, no armed frame, no leaked block and, where the call failed,
// the model as before it (no sew made, the target not sewn).
#include <gtest/gtest.h>

#include <cstdio>

#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_target = NULL_TAG, g_tool[2] = {};

// A square sheet of side 10 on a face of the cube [0, 10]^3, made by the
// kernel.
tag square(int axis, double at) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    double pts[12] = {};
    const double corners[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
    for (int i = 0; i < 4; ++i) {
        pts[3 * i + axis] = at;
        pts[3 * i + u] = corners[i][0];
        pts[3 * i + v] = corners[i][1];
    }
    int body = 0;
    ZQ_BODY_points_sheet(2, 2, pts, &body);
    return host::kernel::object_of(body);
}

// Three faces of the cube as sheets in a work part: the target on z = 0,
// the tools on x = 0 and y = 0 (each meets the target along an edge).
void sheets() {
    kxtest::fresh_process();
    KX_initialize();
    host::parts::set_work_part(host::parts::create("sews_walk.prt"));
    g_target = square(2, 0);
    g_tool[0] = square(0, 0);
    g_tool[1] = square(1, 0);
    host::control::clear_journal();
}

int sews() {
    tag_list* made = nullptr;
    tag_list* bodies = nullptr;
    STEP(KX_MODL_create_multiple_sews(g_target, g_tool[0], NULL_TAG, g_tool[1], NULL_TAG, &made, &bodies));
    KX_MODL_delete_list(&made);
    KX_MODL_delete_list(&bodies);
    return 0;
}

TEST(MultipleSewsWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"multiple_sews_walk", sews, sheets});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
