// Face divisions that follow their curves, under fault simulation: a host
// error at each host call of the story (the division, a smart curve moved
// by its expression, the update that moves the division, the undo) must
// leave a clean status, no armed frame, no leaked block and, where a call
// failed, the model and the undo marks as before it.
#include <gtest/gtest.h>

#include <tuple>

#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/host_block.h"
#include "tests/support/faultsim.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_body = 0, g_top = 0;
tag g_line = NULL_TAG;

// The block with a smart line across its top at x = cut_x (30).
void model() {
    unsigned int block = 0;
    std::tie(g_part, block) = fresh_host_block("subdiv_follow.prt");
    KX_initialize();
    g_body = FREC_ask_body(block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_body))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 19.5) g_top = host::kernel::object_of(f);
    }
    tag x = NULL_TAG;
    KX_MODL_create_exp_tag("cut_x=30", &x);
    tag points[2] = {};
    const double ys[2] = {0, 50};
    for (int i = 0; i < 2; ++i) {
        tag scalars[3] = {};
        KX_SO_create_scalar_exp(g_part, 0, x, &scalars[0]);
        KX_SO_create_scalar_double(g_part, 0, ys[i], &scalars[1]);
        KX_SO_create_scalar_double(g_part, 0, 20, &scalars[2]);
        KX_SO_create_point_3_scalars(g_part, 0, scalars, &points[i]);
    }
    KX_SO_create_line_two_points(g_part, 0, points, &g_line);
}

int story() {
    tag curves[2] = {g_line, NULL_TAG};
    tag feature = NULL_TAG;
    STEP(KX_MODL_create_subdiv_face(curves, 0, g_top, 0, 0, &feature));
    KX_UNDO_mark_id_t mark = 0;
    STEP(KX_UNDO_set_mark(KX_UNDO_visible, "move the cut", &mark));
    STEP(KX_MODL_edit_exp("cut_x=60"));
    STEP(KX_MODL_update());
    return faultsim::step("KX_UNDO_undo_to_mark", [&] { return KX_UNDO_undo_to_mark(mark, nullptr); });
}

TEST(SubdivFollowFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"face division following", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
