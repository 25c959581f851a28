// Curve features under fault simulation: intersection curves of a block
// and a datum plane, section features of the three kinds of plane family,
// and the questions on projected and combined curves. A host error at any
// host call ends clean (a failed call hands nothing over and leaves the
// model, the undo marks and the live blocks as they were).
#include <gtest/gtest.h>

#include <cmath>

#include "host/kernel/engine/kernel.h"
#include "host/model/feature/profiles.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_block = NULL_TAG, g_low = NULL_TAG, g_high = NULL_TAG, g_axis = NULL_TAG, g_point = NULL_TAG,
    g_line = NULL_TAG, g_projected = NULL_TAG, g_combined = NULL_TAG, g_ring = NULL_TAG, g_slope = NULL_TAG;

// A 6 x 4 x 9 block, datum planes across it at heights 2 and 5, a datum
// axis through its middle, a point off it, a line along it; and a
// projection and a combined curve made before the story.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("curve_feature_walk.prt");
    host::parts::set_display_part(g_part);
    host::parts::set_work_part(g_part);
    int body = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {6, 4, 9};
    ZQ_BODY_make_block(origin, size, &body);
    g_block = host::kernel::object_of(body);
    const double low[3] = {0, 0, 2}, high[3] = {0, 0, 5}, z[3] = {0, 0, 1}, mid[3] = {3, 2, 0};
    g_low = host::profiles::create_direction_object(g_part, HOST_TYPE_DATUM_PLANE, low, z);
    g_high = host::profiles::create_direction_object(g_part, HOST_TYPE_DATUM_PLANE, high, z);
    g_axis = host::profiles::create_direction_object(g_part, HOST_TYPE_DATUM_AXIS, mid, z);
    double off[3] = {11, 2, 0};
    KX_CURVE_create_point(off, &g_point);
    line_data l{{3, 2, 1}, {3, 2, 8}};
    KX_CURVE_create_line(&l, &g_line);

    line_data s{{-7, 0, -2}, {8, 0, 6}};
    KX_CURVE_create_line(&s, &g_slope);
    proj_data p{};
    p.proj_type = 1;
    KX_CURVE_create_proj_curves(1, &g_slope, 1, &g_low, 3, &p, &g_projected);
    tag matrix = NULL_TAG;
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    KX_CSYS_create_matrix(rows, &matrix);
    arc_data r{matrix, 0.2, 1.3, {0, 0, 0}, 5};
    KX_CURVE_create_arc(&r, &g_ring);
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    KX_CURVE_create_combine_curves(g_ring, &d1, g_slope, &d2, const_cast<char*>("0.001"), &g_combined);
}

int intersections() {
    tag set1[1] = {g_block}, set2[1] = {g_low};
    tag feature = NULL_TAG;
    STEP(KX_CURVE_create_int_object(1, set1, 1, set2, &feature));
    int n1 = 0, n2 = 0;
    tag *s1 = nullptr, *s2 = nullptr;
    STEP(KX_CURVE_ask_int_parms(feature, &n1, &s1, &n2, &s2));
    KX_free(s1);
    KX_free(s2);
    int count = 0;
    tag* curves = nullptr;
    STEP(KX_CURVE_ask_int_curves(feature, &count, &curves));
    const tag first = count > 0 ? curves[0] : NULL_TAG;
    KX_free(curves);
    curves = nullptr;
    tag of = NULL_TAG, parents[2] = {NULL_TAG, NULL_TAG};
    STEP(KX_CURVE_ask_int_curve_parents(first, &of, parents));
    STEP(KX_CURVE_ask_feature_curves(feature, &count, &curves));
    KX_free(curves);
    set2[0] = g_high;
    STEP(KX_CURVE_edit_int_object(1, set1, 1, set2, feature));
    return 0;
}

section_general general(tag* objects) {
    section_general g{};
    g.objects = objects;
    g.count = 1;
    g.associative = 1;
    g.output = 1;
    g.tolerance = 0.001;
    return g;
}

int sections() {
    tag objects[1] = {g_block};
    section_general g = general(objects);
    tag planes_objects[1] = {g_high};
    section_planes planes{planes_objects, 1};
    tag by_planes = NULL_TAG, radial = NULL_TAG, perp = NULL_TAG;
    STEP(KX_CURVE_section_from_planes(&g, &planes, &by_planes));
    section_radial r{g_axis, g_point, {0, 90, 90}};
    STEP(KX_CURVE_section_from_radial_planes(&g, &r, &radial));
    section_perpcrv c{g_line, NULL_TAG, 1, {2}};
    STEP(KX_CURVE_section_from_perpcrv_planes(&g, &c, &perp));

    section_general back{};
    section_planes pb{};
    STEP(KX_CURVE_section_ask_planes_data(by_planes, &back, &pb));
    KX_free(back.objects);
    KX_free(pb.planes);
    back = {};
    section_radial rb{};
    STEP(KX_CURVE_section_ask_radial_data(radial, &back, &rb));
    KX_free(back.objects);
    back = {};
    section_perpcrv cb{};
    STEP(KX_CURVE_section_ask_perpcrv_data(perp, &back, &cb));
    KX_free(back.objects);
    int count = 0;
    tag* curves = nullptr;
    STEP(KX_CURVE_ask_feature_curves(by_planes, &count, &curves));
    const tag first = count > 0 ? curves[0] : NULL_TAG;
    KX_free(curves);
    tag of = NULL_TAG, object = NULL_TAG, plane = NULL_TAG;
    int index = 0;
    STEP(KX_CURVE_section_curve_ask_parents(first, &of, &object, &plane, &index));
    return 0;
}

int projections_and_combinations() {
    int count = 0;
    tag* curves = nullptr;
    STEP(KX_CURVE_ask_proj_curves(g_projected, &count, &curves));
    const tag first = count > 0 ? curves[0] : NULL_TAG;
    KX_free(curves);
    tag of = NULL_TAG, input = NULL_TAG, face = NULL_TAG;
    STEP(KX_CURVE_ask_proj_curve_parents(first, &of, &input, &face));
    tag a = NULL_TAG, b = NULL_TAG;
    combine_direction da{}, db{};
    char* tolerance = nullptr;
    tag_list* list = nullptr;
    STEP(KX_CURVE_ask_combine_curves(g_combined, &a, &da, &b, &db, &tolerance, &list));
    KX_free(tolerance);
    KX_MODL_delete_list(&list);
    db.vector[0] = 0.5;
    STEP(KX_CURVE_edit_combine_curves(g_combined, a, &da, b, &db, const_cast<char*>("0.002")));
    return 0;
}

void run(const char* name, int (*story)()) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{name, story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(CurveFeatureWalkFaultSimulation, IntersectionCurves) { run("curve_intersections", intersections); }
TEST(CurveFeatureWalkFaultSimulation, Sections) { run("curve_sections", sections); }
TEST(CurveFeatureWalkFaultSimulation, ProjectionsAndCombinations) {
    run("curve_projections_and_combinations", projections_and_combinations);
}

}  // namespace
