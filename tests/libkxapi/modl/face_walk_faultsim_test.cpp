// The face queries (topology, parameters and properties, curvature, the
// geometry checks, extremes and distance), the curve's strongest bending
// and the blends' radius queries under fault simulation: a host error at
// each host call of a story must leave a clean status, no armed frame, no
// leaked block and, where a call failed, the model as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

namespace hk = host::kernel;

unsigned int g_part = 0, g_body = 0, g_top = 0, g_front = 0, g_bottom = 0, g_wall = 0, g_line = 0, g_edge = 0;
tag g_torus = NULL_TAG, g_ellipse = NULL_TAG, g_edge_blend = NULL_TAG, g_face_blend = NULL_TAG;

bool near(double a, double b) { return std::abs(a - b) < 1e-6; }

// A 70 x 45 x 15 block made through the host's feature service with a
// hole of diameter 18 through it at (30, 20); its top, bottom and front
// faces, the hole's wall, the top's back edge, and a line above the block.
void holed_block() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("face_walk.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"70", "45", "15"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0, hole = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    g_body = FREC_ask_body(block);
    const char* cylinder[2] = {"18", "30"};
    const double axis[6] = {30, 20, -5, 0, 0, 1};
    FEAT_create(g_part, "CYLINDER", 2, cylinder, 6, axis, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &hole);
    const int body = hk::entity_of(g_body);
    for (int f : hk::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0, box[6];
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        ZQ_TOPOL_find_box(f, box);
        if (type == ZQ_SURF_CYLINDER) g_wall = hk::object_of(f);
        else if (near(box[2], 15) && near(box[5], 15)) g_top = hk::object_of(f);
        else if (near(box[2], 0) && near(box[5], 0)) g_bottom = hk::object_of(f);
        else if (near(box[1], 0) && near(box[4], 0)) g_front = hk::object_of(f);
    }
    for (int e : hk::edges_of(body)) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (near(box[2], 15) && near(box[5], 15) && near(box[1], 45) && near(box[4], 45)) g_edge = hk::object_of(e);
    }
    const double ends[6] = {-8, 12, 27, 64, 31, 22};
    ES_create_line_in_part(g_part, ends, &g_line);
}

void block_model() {
    holed_block();
    host::control::clear_journal();
}

// The holed block's faces: what they are, where they lie, how they bend.
int face_queries() {
    tag alive = NULL_TAG;
    STEP(KX_MODL_ask_alive_face(g_top, &alive));
    int us = 0, vs = 0, topology = 0;
    double up = 0, vp = 0;
    STEP(KX_MODL_ask_face_periodicity(g_wall, &us, &up, &vs, &vp));
    STEP(KX_MODL_ask_face_topology(g_wall, &topology));
    double ref[3] = {41, 26, 7}, uv[2] = {0, 0}, on[3];
    STEP(KX_MODL_ask_face_parm(g_wall, ref, uv, on));
    double point[3], u1[3], v1[3], u2[3], v2[3], normal[3], radii[2];
    STEP(KX_MODL_ask_face_props(g_wall, uv, point, u1, v1, u2, v2, normal, radii));
    int n = 0;
    double least[KX_MODL_MAX_MIN_RADII], at[3 * KX_MODL_MAX_MIN_RADII], parms[2 * KX_MODL_MAX_MIN_RADII];
    STEP(KX_MODL_ask_face_min_radii(g_wall, &n, least, at, parms));
    double x[3] = {0.6, -0.8, 0}, z[3] = {0, 0, 1}, y[3] = {0.8, 0.6, 0}, far[3];
    tag sub = NULL_TAG;
    STEP(KX_MODL_ask_extreme(g_wall, x, z, y, &sub, far));
    double d = 0, p1[3], p2[3], accuracy = 0;
    STEP(KX_MODL_ask_minimum_dist_2(g_line, g_body, 0, nullptr, 0, nullptr, &d, p1, p2, &accuracy));
    return 0;
}

tag g_occurrence = NULL_TAG;

// The holed block placed in an assembly, turned a quarter about Z and
// moved by (120, -35, 8): the occurrence of the hole's wall.
void placed_block() {
    holed_block();
    const unsigned int assembly = host::parts::create("face_walk_assembly.prt");
    const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, origin[3] = {120, -35, 8};
    const unsigned int placed = host::occurrences::create_part_occurrence(assembly, g_part, turned, origin);
    g_occurrence = OCC_find_occurrence(placed, g_wall);
    host::control::clear_journal();
}

// The wall seen in the assembly; the distance with hints; small geometry
// of a curve and of an edge.
int placed_queries() {
    double x[3] = {1, 0, 0}, z[3] = {0, 0, 1}, y[3] = {0, 1, 0}, far[3];
    tag sub = NULL_TAG;
    STEP(KX_MODL_ask_extreme(g_occurrence, x, z, y, &sub, far));
    int n = 0;
    double least[KX_MODL_MAX_MIN_RADII], at[3 * KX_MODL_MAX_MIN_RADII], parms[2 * KX_MODL_MAX_MIN_RADII];
    STEP(KX_MODL_ask_face_min_radii(g_occurrence, &n, least, at, parms));
    double hint1[3] = {20, 14, 22}, hint2[3] = {33, 27, 15}, d = 0, p1[3], p2[3], accuracy = 0;
    STEP(KX_MODL_ask_minimum_dist_2(g_line, g_top, 1, hint1, 1, hint2, &d, p1, p2, &accuracy));
    geometry_check_result r{};
    STEP(KX_MODL_ask_tiny_geometry(g_line, 0.02, &r));
    return faultsim::step("KX_MODL_ask_tiny_geometry", [&] { return KX_MODL_ask_tiny_geometry(g_edge, 0.02, &r); });
}

tag g_solid = NULL_TAG, g_facets = NULL_TAG;

// Two kernel blocks 8 x 6 x 5, the second 14 along X and a facetted model
// of it.
void facetted_block() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("face_walk_facets.prt");
    host::parts::set_work_part(g_part);
    const double a[3] = {0, 0, 0}, b[3] = {14, 2, 1}, size[3] = {8, 6, 5};
    int one = 0, two = 0;
    ZQ_BODY_make_block(a, size, &one);
    ZQ_BODY_make_block(b, size, &two);
    g_solid = hk::object_of(one);
    facet_parameters fp{};
    KX_FACET_ask_default_parameters(&fp);
    KX_FACET_facet_solid(hk::object_of(two), &fp, &g_facets);
    host::control::clear_journal();
}

// The distance from a solid to a facetted model, with the model's
// accuracy.
int facetted_distance() {
    double d = 0, p1[3], p2[3], accuracy = 0;
    return faultsim::step("KX_MODL_ask_minimum_dist_2", [&] {
        return KX_MODL_ask_minimum_dist_2(g_solid, g_facets, 0, nullptr, 0, nullptr, &d, p1, p2, &accuracy);
    });
}

// The holed block's checks: smoothness, spikes, crossing faces, tiny
// geometry.
int face_checks() {
    logical smooth = 0;
    STEP(KX_MODL_ask_face_smoothness(g_wall, &smooth));
    geometry_check_result r{};
    STEP(KX_MODL_ask_face_spikes(g_top, &r));
    int crossings = 0;
    STEP(KX_MODL_ask_face_face_intersect(g_body, &crossings, &r));
    return faultsim::step("KX_MODL_ask_tiny_geometry", [&] { return KX_MODL_ask_tiny_geometry(g_body, 0.02, &r); });
}

// A torus of radii 13 and 4 made by the kernel, and an ellipse 6 x 2.5
// over a part of its turn.
void torus_and_ellipse() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("face_walk_torus.prt");
    CONTEXT_set_work_part(g_part);
    const double centre[3] = {3, -2, 1}, axis[3] = {0, 0, 1};
    int torus = 0;
    ZQ_BODY_make_torus(centre, axis, 13, 4, &torus);
    g_torus = hk::object_of(hk::faces_of(torus).at(0));
    const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    tag matrix = NULL_TAG;
    KX_CSYS_create_matrix(identity, &matrix);
    conic_data e{matrix, KX_CONIC_ELLIPSE, 0, 0.3, 4.1, {2, 1, 0}, 6, 2.5};
    KX_CURVE_create_conic(&e, &g_ellipse);
    host::control::clear_journal();
}

int torus_and_curve() {
    int type = 0;
    STEP(KX_MODL_ask_face_torus_type(g_torus, &type));
    double range[2] = {1.2, 3.6}, k = 0, at = 0;
    return faultsim::step("KX_MODL_ask_max_curvature",
                          [&] { return KX_MODL_ask_max_curvature(g_ellipse, range, nullptr, &k, &at); });
}

// The holed block with an edge blend of radius 2.5 on the top's back edge
// and a face blend between its bottom and front faces whose radius (the
// third law of the record) and both ranges are constant laws.
void blends() {
    holed_block();
    tag_list* edges = nullptr;
    KX_MODL_create_list(&edges);
    KX_MODL_put_list_item(edges, g_edge);
    KX_MODL_create_blend("2.5", edges, 0, 0, 0, 0.01, &g_edge_blend);
    KX_MODL_delete_list(&edges);
    tag first[1] = {g_bottom}, second[1] = {g_front};
    face_blend_data d{};
    KX_MODL_init_face_blend_data(&d);
    char* own_tolerance = d.tolerance;
    char* own_radius = d.radius;
    d.faces_1 = first;
    d.number_of_faces_1 = 1;
    d.faces_2 = second;
    d.number_of_faces_2 = 1;
    d.radius_type = 3;
    KX_MODL_law laws[3] = {};
    KX_MODL_parm parms[3] = {};
    KX_MODL_parm* of[3] = {};
    const char* values[3] = {"3.5", "6", "4.5"};
    for (int i = 0; i < 3; ++i) {
        std::strcpy(laws[i].u.values.start_value, values[i]);
        parms[i].method = 2;
        parms[i].u.law = &laws[i];
        of[i] = &parms[i];
    }
    d.laws = of;
    int n1 = 0, n2 = 0;
    tag *r1 = nullptr, *r2 = nullptr;
    KX_MODL_create_face_blend(&d, nullptr, &g_face_blend, &n1, &r1, &n2, &r2);
    KX_free(r1);
    KX_free(r2);
    KX_free(own_tolerance);
    KX_free(own_radius);
    host::control::clear_journal();
}

int blend_radii() {
    char* radius = nullptr;
    STEP(KX_MODL_ask_blend_parms(g_edge_blend, 0, &radius));
    KX_free(radius);
    double* radii = nullptr;
    int count = 0;
    STEP(KX_MODL_ask_face_blend_law_radii(g_face_blend, &radii, &count));
    KX_free(radii);
    radii = nullptr;
    STEP(KX_MODL_ask_face_blend_law_range2_radii(g_face_blend, &radii, &count));
    KX_free(radii);
    return 0;
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// The set-ups show each query working: the answers the stories walk.
TEST(FaceWalkSetUps, AnswerAsTheirGeometry) {
    holed_block();
    ASSERT_NE(g_wall, NULL_TAG);
    ASSERT_NE(g_top, NULL_TAG);
    ASSERT_NE(g_edge, NULL_TAG);
    int topology = 0;
    ASSERT_EQ(KX_MODL_ask_face_topology(g_wall, &topology), 0);
    EXPECT_NE(topology, 0);
    double ref[3] = {41, 26, 7}, uv[2] = {0, 0}, on[3];
    ASSERT_EQ(KX_MODL_ask_face_parm(g_wall, ref, uv, on), 0);
    // The wall's point nearest (41, 26) lies on radius 9 about (30, 20).
    const double len = std::hypot(11.0, 6.0);
    EXPECT_NEAR(on[0], 30 + 9 * 11 / len, 1e-6);
    EXPECT_NEAR(on[1], 20 + 9 * 6 / len, 1e-6);
    EXPECT_NEAR(on[2], 7, 1e-6);
    int n = 0;
    double least[KX_MODL_MAX_MIN_RADII], at[3 * KX_MODL_MAX_MIN_RADII], parms[2 * KX_MODL_MAX_MIN_RADII];
    ASSERT_EQ(KX_MODL_ask_face_min_radii(g_wall, &n, least, at, parms), 0);
    ASSERT_GE(n, 1);
    EXPECT_NEAR(least[0], 9, 1e-9);
    double x[3] = {0.6, -0.8, 0}, z[3] = {0, 0, 1}, y[3] = {0.8, 0.6, 0}, far[3];
    tag sub = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_extreme(g_wall, x, z, y, &sub, far), 0);
    EXPECT_NEAR(far[0], 30 + 9 * 0.6, 1e-6);
    EXPECT_NEAR(far[1], 20 - 9 * 0.8, 1e-6);
    EXPECT_NEAR(far[2], 15, 1e-6);
    kxtest::fresh_process();

    facetted_block();
    double d = 0, p1[3], p2[3], accuracy = -1;
    ASSERT_EQ(KX_MODL_ask_minimum_dist_2(g_solid, g_facets, 0, nullptr, 0, nullptr, &d, p1, p2, &accuracy), 0);
    EXPECT_NEAR(d, 6, 1e-9);
    EXPECT_GE(accuracy, 0);
    kxtest::fresh_process();

    torus_and_ellipse();
    int type = 0;
    ASSERT_EQ(KX_MODL_ask_face_torus_type(g_torus, &type), 0);
    EXPECT_EQ(type, 1);
    double range[2] = {1.2, 3.6}, k = 0, t = 0;
    ASSERT_EQ(KX_MODL_ask_max_curvature(g_ellipse, range, nullptr, &k, &t), 0);
    // The ellipse bends most at the end of its major axis: a / b^2.
    EXPECT_NEAR(k, 6 / (2.5 * 2.5), 1e-9);
    EXPECT_NEAR(t, std::acos(-1.0), 1e-6);
    kxtest::fresh_process();

    blends();
    char* radius = nullptr;
    ASSERT_EQ(KX_MODL_ask_blend_parms(g_edge_blend, 0, &radius), 0);
    ASSERT_NE(radius, nullptr);
    EXPECT_NE(std::strstr(radius, "2.5"), nullptr) << radius;
    KX_free(radius);
    double* radii = nullptr;
    int count = 0;
    ASSERT_EQ(KX_MODL_ask_face_blend_law_radii(g_face_blend, &radii, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_DOUBLE_EQ(radii[0], 4.5) << "the radius is the record's third law";
    KX_free(radii);
    ASSERT_EQ(KX_MODL_ask_face_blend_law_range2_radii(g_face_blend, &radii, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_DOUBLE_EQ(radii[0], 6) << "the second range is the record's second law";
    KX_free(radii);
    kxtest::fresh_process();
}

TEST(FaceWalkFaultSimulation, FaceQueries) { expect_clean({"face_walk_queries", face_queries, block_model}); }
TEST(FaceWalkFaultSimulation, PlacedFace) { expect_clean({"face_walk_placed", placed_queries, placed_block}); }
TEST(FaceWalkFaultSimulation, FacettedDistance) {
    expect_clean({"face_walk_facets", facetted_distance, facetted_block});
}
TEST(FaceWalkFaultSimulation, FaceChecks) { expect_clean({"face_walk_checks", face_checks, block_model}); }
TEST(FaceWalkFaultSimulation, TorusAndCurve) { expect_clean({"face_walk_torus", torus_and_curve, torus_and_ellipse}); }
TEST(FaceWalkFaultSimulation, BlendRadii) { expect_clean({"face_walk_blends", blend_radii, blends}); }

}  // namespace
