// The slot creators under fault simulation: a host error at any host call
// of a creation comes back as the call's status, the creation's mark rolled
// back and deleted, and the model as before the call.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/data/parts.h"
#include "host/feature/feature.h"
#include "host/kernel/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_top = 0, g_left = 0, g_right = 0;

// The body's planar face of outward normal n.
unsigned int face(int body, double nx, double ny, double nz) {
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && (d[0] * nx + d[1] * ny + d[2] * nz) * sense > 0.999)
            return host::kernel::object_of(f);
    }
    return 0;
}

// A 100 x 50 x 20 block, made straight through the host before the story.
void block() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("slot.prt");
    host::parts::set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int made = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &made);
    const int body = host::kernel::entity_of(FREC_ask_body(made));
    g_top = face(body, 0, 0, 1);
    g_left = face(body, -1, 0, 0);
    g_right = face(body, 1, 0, 0);
    host::control::clear_journal();
}

// Slots of three kinds into the top (the kinds differ only in the host's
// routine), one of them between the block's ends.
int slots() {
    STEP(KX_initialize());
    double at[] = {50, 10, 20}, into[] = {0, 0, -1}, along_x[] = {1, 0, 0};
    tag f = NULL_TAG;
    STEP(KX_MODL_create_rect_slot(at, into, along_x, "6", "4", "30", g_top, NULL_TAG, NULL_TAG, &f));
    at[1] = 20;
    STEP(KX_MODL_create_rect_slot(at, into, along_x, "4", "3", nullptr, g_top, g_left, g_right, &f));
    at[1] = 40;
    STEP(KX_MODL_create_u_slot(at, into, along_x, "6", "4", "1", "30", g_top, NULL_TAG, NULL_TAG, &f));
    at[0] = 20;
    STEP(KX_MODL_create_t_slot(at, into, along_x, "4", "3", "8", "2", "20", g_top, NULL_TAG, NULL_TAG, &f));
    return 0;
}

TEST(SlotFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"slots", slots, block});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
