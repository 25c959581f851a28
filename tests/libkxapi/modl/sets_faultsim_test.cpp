// Feature sets and mirror sets under fault simulation: every run with a
// host error at one host call ends clean (the model, the marks and the
// host's blocks as before a call that failed).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_boss = 0, g_hole = 0, g_middle = 0, g_sixty = 0;

// The planar face of the body whose outward normal is (nx, 0, nz).
unsigned int face_of(unsigned int body, double nx, double nz) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_PLANE && (d[0] * nx + d[2] * nz) * sense > 0.999) return host::kernel::object_of(f);
    }
    return 0;
}

// A 100 x 50 x 20 block with a boss and a hole on its top face, and a plate
// of its own whose faces lie in the planes x = 50 and x = 60, made through
// the host before the story.
void model() {
    const auto [part, block] = fresh_host_block("sets.prt");
    const unsigned int body = FREC_ask_body(block);
    const unsigned int top = face_of(body, 0, 1);
    const char* plate_sizes[] = {"10", "10", "10"};
    const double corner[] = {50, 200, 0};
    unsigned int plate = 0;
    FEAT_create(part, "BLOCK", 3, plate_sizes, 3, corner, 0, nullptr, 0, 0, &plate);
    g_middle = face_of(FREC_ask_body(plate), -1, 0);
    g_sixty = face_of(FREC_ask_body(plate), 1, 0);
    const char* up[] = {"0", "0", "1"};
    const char* down[] = {"0", "0", "-1"};
    const char* boss_at[] = {"30", "25", "20"};
    const char* boss_parms[] = {"10", "10", "0"};
    int status = 0;
    FORMF_create_boss(boss_at, up, boss_parms, top, &status);
    g_boss = FORMF_ask_created_frec();
    const char* hole_at[] = {"70", "10", "20"};
    const char* hole_parms[] = {"6", "10", "0"};
    FORMF_create_simple_hole(hole_at, down, hole_parms, top, 0, &status);
    g_hole = FORMF_ask_created_frec();
    host::control::clear_journal();
}

int sets() {
    STEP(KX_initialize());
    tag members[] = {g_boss, g_hole};
    tag set = NULL_TAG;
    STEP(KX_MODL_create_set_of_feature("both", members, 2, 0, &set));
    STEP(KX_MODL_edit_set_members(set, members, 1));
    int state = 1;
    STEP(KX_MODL_edit_set_hide_state(set, &state));
    int member = 0;
    STEP(KX_MODL_is_feature_a_set_member(g_boss, &member));
    tag* array = nullptr;
    int n = 0;
    STEP(KX_MODL_ask_sets_of_member(g_boss, &array, &n));
    KX_free(array);
    tag found = NULL_TAG;
    STEP(KX_MODL_ask_set_from_name("both", &found));
    STEP(KX_MODL_ask_all_members_of_set(set, &array, &n));
    KX_free(array);
    tag mirror = NULL_TAG;
    STEP(KX_MODL_create_mirror_set(members, 1, g_middle, &mirror));
    tag plane = NULL_TAG;
    STEP(KX_MODL_ask_plane_of_mirror_set(mirror, &plane));
    STEP(KX_MODL_ask_features_of_mirror_set(mirror, &array, &n));
    KX_free(array);
    STEP(KX_MODL_edit_mirror_set(mirror, members, 1, g_sixty));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(SetsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"sets", sets, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
