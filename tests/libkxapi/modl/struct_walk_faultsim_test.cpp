// The structure queries under fault simulation: a hole's positioning
// constraints; the checks, named members, loops and object cycle of a holed
// block; tag lists made by the caller; the transform of a datum coordinate
// system. A host error at each host call must leave a clean status, no armed
// frame, no leaked block, the model as before and nothing handed out by a
// call that failed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/model/smart/smart.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "kx_modl_constraint.h"
#include "kx_modl_cre_feat.h"
#include "kx_modl_datum_csys.h"
#include "kx_modl_geometry.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/holed_block_fixture.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

// Runs the story under fault simulation: it goes through clean, and so does
// every run with a host error.
void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// The planar face of the body whose outward normal is along +Z.
tag top_face(tag body) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

// ---- positioning constraints of a hole -----------------------------------

tag g_hole = NULL_TAG, g_dimension = NULL_TAG;

// The block's top edge along Y at X = 0.
tag left_top_edge(tag body) {
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == 3001 && std::fabs(std::fabs(d[1]) - 1) < 1e-9 && std::fabs(p[0]) < 1e-9 && p[2] > 1)
            return host::kernel::object_of(e);
    }
    return NULL_TAG;
}

// A block of 64 by 38 by 17 with a simple hole of 7 drilled into its top at
// (23, 11), placed by a horizontal dimension of 23 from the block's left top
// edge: the hole's constraints are its link to the top face and the
// dimension.
void drilled_block() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("struct_walk_hole.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[] = {"64", "38", "17"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    double at[] = {23, 11, 17}, into[] = {0, 0, -1};
    g_hole = NULL_TAG;
    const tag body = FREC_ask_body(block);
    KX_MODL_create_simple_hole(at, into, "7", "9", "0", top_face(body), NULL_TAG, &g_hole);
    unsigned int dimension = 0;
    RPO_create_dimension(g_hole, RPO_DIM_HORIZONTAL, left_top_edge(body), NULL_TAG, "23", &dimension);
    g_dimension = dimension;
    host::control::clear_journal();
}

int constraints() {
    tag_list* list = nullptr;
    STEP(KX_MODL_ask_constraints(g_hole, &list));
    tag link = NULL_TAG, dimension = NULL_TAG;
    STEP(KX_MODL_ask_list_item(list, 0, &link));
    STEP(KX_MODL_ask_list_item(list, 1, &dimension));
    STEP(KX_MODL_delete_list(&list));
    char* type = nullptr;
    STEP(KX_MODL_ask_constraint_type(dimension, &type));
    const bool dimension_kind = std::strcmp(type, RPO_DIM_CLASS_NAME) == 0;
    KX_free(type);
    double plane[12] = {};
    STEP(KX_MODL_ask_link_face_plane(g_hole, link, plane));
    return dimension_kind && dimension == g_dimension && plane[11] == 17 ? 0 : 1;
}

TEST(StructWalkFaultSimulation, ConstraintsOfAHole) {
    expect_clean(faultsim::Story{"struct_walk_constraints", constraints, drilled_block});
}

// ---- checks, names, loops and cycles of a holed block --------------------

tag g_body = NULL_TAG, g_top = NULL_TAG;

// The holed block with its top face (an outer and an inner loop) named TOP.
void named_holed_block() {
    const kxtest::HoledBlock made = kxtest::make_holed_block("struct_walk_body.prt");
    g_body = made.body;
    g_top = top_face(g_body);
    int result = 0;
    ES_add_entity_name(g_top, "TOP", 3, &result);
    host::control::clear_journal();
}

int body_checks() {
    int n = -1;
    structure_fault* faults = nullptr;
    STEP(KX_MODL_ask_body_structures(g_body, &n, &faults));
    KX_free(faults);
    // Against axes turned 0.4 degrees about Z the side faces are off the
    // axes within a tolerance of 1 degree.
    const double a = 0.4 * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    double frame[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    geometry_check_result check{};
    STEP(KX_MODL_ask_misalign_geometry(g_body, frame, 1, &check));
    tag body = g_body, named = NULL_TAG;
    int kind = 2;  // faces of the body
    STEP(KX_MODL_ask_named_body_object(&body, &kind, "TOP", &named));
    tag face = NULL_TAG;
    STEP(KX_MODL_ask_object(HOST_TYPE_SOLID, HOST_SUBTYPE_FACE, &face));
    return check.count > 0 && named == g_top && face != NULL_TAG ? 0 : 1;
}

TEST(StructWalkFaultSimulation, ChecksNamesAndCycleOfABody) {
    expect_clean(faultsim::Story{"struct_walk_body", body_checks, named_holed_block});
}

int loops_and_lists() {
    loop_list* loops = nullptr;
    STEP(KX_MODL_ask_face_loops(g_top, &loops));
    int count = 0;
    STEP(KX_MODL_ask_loop_list_count(loops, &count));
    int type = 0;
    tag_list* edges = nullptr;
    STEP(KX_MODL_ask_loop_list_item(loops, count - 1, &type, &edges));
    tag edge = NULL_TAG;
    STEP(KX_MODL_ask_list_item(edges, 0, &edge));
    STEP(KX_MODL_delete_loop_list(&loops));
    tag_list* list = nullptr;
    STEP(KX_MODL_create_list(&list));
    STEP(KX_MODL_put_list_item(list, g_top));
    STEP(KX_MODL_put_list_item(list, edge));
    tag second = NULL_TAG;
    STEP(KX_MODL_ask_list_item(list, 1, &second));
    STEP(KX_MODL_delete_list(&list));
    return count == 2 && second == edge && edge != NULL_TAG ? 0 : 1;
}

TEST(StructWalkFaultSimulation, LoopsOfAFaceAndAListOfTheCaller) {
    expect_clean(faultsim::Story{"struct_walk_loops", loops_and_lists, named_holed_block});
}

// ---- the transform of a datum coordinate system --------------------------

tag g_csys_feature = NULL_TAG, g_xform = NULL_TAG;

// A datum coordinate system made from a three-point transform.
void datum_csys() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("struct_walk_csys.prt");
    host::parts::set_work_part(part);
    const double at[3][3] = {{4, -3, 6}, {4, 9, 6}, {-2, -3, 11}};
    unsigned int points[3] = {};
    for (int i = 0; i < 3; ++i) ES_create_point(at[i], &points[i]);
    g_xform = XFORM_create_three_points(part, 1, points);
    g_csys_feature = NULL_TAG;
    KX_MODL_create_datum_csys(part, g_xform, 0, &g_csys_feature);
    host::control::clear_journal();
}

int csys_transform() {
    tag xform = NULL_TAG;
    // No status: a call that failed answers no transform.
    if (int st = faultsim::step("KX_MODL_ask_xform_tag_of_datum_csys", [&] {
            xform = KX_MODL_ask_xform_tag_of_datum_csys(g_csys_feature);
            return xform == g_xform ? 0 : 1;
        }))
        return st;
    return 0;
}

TEST(StructWalkFaultSimulation, TransformOfADatumCsys) {
    expect_clean(faultsim::Story{"struct_walk_csys", csys_transform, datum_csys});
}

}  // namespace
