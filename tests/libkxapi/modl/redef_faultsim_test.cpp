// Moving a hole onto another face and through the bottom, changing the
// references of form features and making slots, under fault simulation:
// every run with a host error at one host call ends clean (the model as
// before a failed call, no mark, frame or block left behind).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_hole = 0, g_top = 0, g_bottom = 0;

// The body's planar face of outward normal (nx, ny, nz).
unsigned int face(int body, double nz, double nx = 0, double ny = 0) {
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && (d[0] * nx + d[1] * ny + d[2] * nz) * sense > 0.999)
            return host::kernel::object_of(f);
    }
    return 0;
}

// The body's straight edge along Y at x and z.
unsigned int edge_along_y(int body, double x, double z) {
    for (int e : host::kernel::edges_of(body)) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == ZQ_CURVE_LINE && std::fabs(std::fabs(d[1]) - 1) < 1e-9 && std::fabs(p[0] - x) < 1e-9 &&
            std::fabs(p[2] - z) < 1e-9)
            return host::kernel::object_of(e);
    }
    return 0;
}

// A 100 x 50 x 20 block with a blind hole into its top, made straight
// through the host before the story.
void model() {
    const auto [part, block] = fresh_host_block("redef.prt");
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

// The same block with a blind hole placed 30 from its left edge, an offset
// of its bottom, a trimming user-defined feature over the hole, a sketch
// swept, and a second block under it.
unsigned int g_block = 0, g_block2 = 0, g_dim = 0, g_left = 0, g_right = 0, g_side = 0, g_offset = 0, g_trim = 0,
             g_sweep = 0;
int g_body2 = 0;
unsigned int g_side2 = 0, g_slot = 0;
// The second block's face where each face of the first block stands.
std::map<unsigned int, unsigned int> g_counterparts;

void richer_model() {
    model();
    const unsigned int part = CONTEXT_ask_work_part();
    g_block = host::feature::features_of_part(part)[0];
    const int body = host::kernel::entity_of(FREC_ask_body(g_block));
    g_left = edge_along_y(body, 0, 20);
    g_right = edge_along_y(body, 100, 20);
    g_side = face(body, 0, 1, 0);
    RPO_create_dimension(g_hole, RPO_DIM_HORIZONTAL, g_left, 0, "30", &g_dim);
    host::feature::set_tool_face(g_hole, g_top);
    g_trim = host::feature::make_trim_udf({g_hole}, {g_bottom});
    g_sweep = host::feature::create(part, "SWEEP", {host::feature::create(part, "SKETCH")});
    const char* sizes[] = {"100", "50", "30"};
    const double origin[] = {0, 0, -40};
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &g_block2);
    g_body2 = host::kernel::entity_of(FREC_ask_body(g_block2));
    const char* by[] = {"2"};
    const unsigned int bottom[] = {face(g_body2, -1)};
    FEAT_create(part, "OFFSET", 1, by, 0, nullptr, 1, bottom, FREC_ask_body(g_block2), FEAT_SIGN_NEW, &g_offset);
    g_side2 = face(g_body2, 0, 1, 0);
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE)
            g_counterparts[host::kernel::object_of(f)] = face(g_body2, d[2] * sense, d[0] * sense, d[1] * sense);
    }
    // A slot 20 long along X into the top at (60, 25).
    int list = 0;
    KI_crlist(KI_LIST_FEATURES, &list);
    CM_ptcmtgli(list, 0, 1, FREF_ask_fref_of_face(g_top));
    CM_misc_set_link_fref_list(list);
    const char* at[] = {"60", "25", "20"};
    const char* into[] = {"0", "0", "-1"};
    const char* along_x[] = {"1", "0", "0"};
    const char* parms[] = {"10", "5", "20"};
    int status = 0;
    ui_create_rect_slot(at, into, along_x, parms, &status);
    g_slot = FORMF_ask_created_frec();
    CM_misc_set_link_fref_list(0);
    KI_free_list(list);
    host::control::clear_journal();
}

int redefine_more() {
    STEP(KX_initialize());
    double dir[3];
    const tag slot = g_slot;
    tag sketch = NULL_TAG;
    STEP(KX_MODL_reattach_dir_ref(slot, g_left, 0, 1));
    STEP(KX_MODL_reverse_dir_ref(slot, g_left, 0, 0, 1));
    STEP(KX_MODL_calculate_ref_dir(slot, g_top, 1, g_side, dir));
    STEP(KX_MODL_reattach_tool_face(g_hole, g_bottom, 0));
    STEP(KX_MODL_redefine_rpo_constraint(g_dim, g_right, 1, NULL_TAG, 5));
    tag sides[] = {g_side}, sides2[] = {g_side2};
    STEP(KX_MODL_redefine_replace_faces(g_offset, 1, sides2));
    STEP(KX_MODL_redefine_trim_faces(g_trim, 1, sides, 0));
    STEP(KX_MODL_ask_sketch_of_sweep(g_sweep, &sketch));
    STEP(KX_MODL_update());
    tag old[] = {g_block}, news[] = {g_block2};
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = 0;
    STEP(KX_MODL_replace_features(old, 1, news, 1, 1, 0, &pairs, &n));
    std::vector<KX_MODL_ref_pair_t> given(pairs, pairs + n);
    KX_free(pairs);
    for (KX_MODL_ref_pair_t& p : given) p.new_entity = g_counterparts[p.old_entity];
    KX_MODL_ref_pair_t* filled = given.data();
    STEP(KX_MODL_replace_features(old, 1, news, 1, 0, 0, &filled, &n));
    STEP(KX_MODL_update());
    return 0;
}

// Slots of three kinds (the kinds differ only in the host's routine) into
// the top of the same block beside its hole, one between the block's ends:
// a host error at any host call of a creation is its status, the creation's
// mark rolled back and deleted.
unsigned int g_left_end = 0, g_right_end = 0;

void slot_model() {
    model();
    const unsigned int block = host::feature::features_of_part(CONTEXT_ask_work_part())[0];
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    g_left_end = face(body, 0, -1);
    g_right_end = face(body, 0, 1);
    host::control::clear_journal();
}

int slots() {
    STEP(KX_initialize());
    const tag left = g_left_end, right = g_right_end;
    double at[] = {70, 10, 20}, into[] = {0, 0, -1}, along_x[] = {1, 0, 0};
    tag f = NULL_TAG;
    STEP(KX_MODL_create_rect_slot(at, into, along_x, "6", "4", "30", g_top, NULL_TAG, NULL_TAG, &f));
    at[1] = 40;
    STEP(KX_MODL_create_rect_slot(at, into, along_x, "4", "3", nullptr, g_top, left, right, &f));
    at[1] = 25;
    STEP(KX_MODL_create_u_slot(at, into, along_x, "6", "4", "1", "30", g_top, NULL_TAG, NULL_TAG, &f));
    at[0] = 20;
    at[1] = 10;
    STEP(KX_MODL_create_t_slot(at, into, along_x, "4", "3", "8", "2", "20", g_top, NULL_TAG, NULL_TAG, &f));
    return 0;
}

// The same block with two datum planes: one 5 above the bottom for the
// hole to run to, one 5 above the top to stand on.
unsigned int g_floor = 0, g_stand = 0;

void datum_model() {
    model();
    const unsigned int part = CONTEXT_ask_work_part();
    const double floor_at[] = {0, 0, 5}, stand_at[] = {0, 0, 25}, up[] = {0, 0, 1};
    g_floor = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, floor_at, up);
    g_stand = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, stand_at, up);
    host::control::clear_journal();
}

int datum_planes() {
    STEP(KX_initialize());
    tag floors[] = {g_floor};
    tag f1 = NULL_TAG, f2 = NULL_TAG, made = NULL_TAG;
    STEP(KX_MODL_add_thru_faces(g_hole, 1, floors));
    STEP(KX_MODL_ask_thru_faces(g_hole, &f1, &f2));
    STEP(KX_MODL_update());
    STEP(KX_MODL_reattach_target_face(g_hole, g_stand, 0, 0, 0));
    STEP(KX_MODL_update());
    STEP(KX_MODL_remove_thru_faces(g_hole));
    double at[] = {70, 25, 20}, down[] = {0, 0, -1};
    STEP(KX_MODL_create_simple_hole(at, down, "10", "8", "0", g_top, g_floor, &made));
    STEP(KX_MODL_update());
    return 0;
}

TEST(RedefineFaultSimulation, DatumPlaneChangesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"datum planes", datum_planes, datum_model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(RedefineFaultSimulation, SlotCreationsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"slots", slots, slot_model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(RedefineFaultSimulation, EveryReferenceChangeEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"redefine more", redefine_more, richer_model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(RedefineFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"redefine", redefine, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
