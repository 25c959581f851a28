// Moving a hole onto another face and through the bottom under fault
// simulation: every run with a host error at one host call ends clean (the
// model as before a failed call, no mark, frame or block left behind).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/data/parts.h"
#include "host/feature/feature.h"
#include "host/feature/form_features.h"
#include "host/kernel/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_hole = 0, g_top = 0, g_bottom = 0;

unsigned int face(int body, double nz) {
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense * nz > 0.999) return host::kernel::object_of(f);
    }
    return 0;
}

// A 100 x 50 x 20 block with a blind hole into its top, made straight
// through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("redef.prt");
    host::parts::set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    g_top = face(body, 1);
    g_bottom = face(body, -1);
    const char* at[] = {"30", "25", "20"};
    const char* along[] = {"0", "0", "-1"};
    const char* parms[] = {"10", "8", "0"};
    int status = 0;
    FORMF_create_simple_hole(at, along, parms, g_top, 0, &status);
    g_hole = FORMF_ask_created_frec();
    host::control::clear_journal();
}

int redefine() {
    STEP(KX_initialize());
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG, f1 = NULL_TAG, f2 = NULL_TAG;
    logical flag = 0;
    STEP(KX_MODL_ask_link_faces(g_hole, &target, &tool, &dir, &flag));
    tag faces[] = {g_bottom};
    STEP(KX_MODL_add_thru_faces(g_hole, 1, faces));
    STEP(KX_MODL_ask_thru_faces(g_hole, &f1, &f2));
    STEP(KX_MODL_reattach_thru_faces(g_hole, 1, faces, 0));
    STEP(KX_MODL_remove_thru_faces(g_hole));
    STEP(KX_MODL_reattach_target_face(g_hole, g_bottom, 0, 0, 0));
    return 0;
}

TEST(RedefineFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"redefine", redefine, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
