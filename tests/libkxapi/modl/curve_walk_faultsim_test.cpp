// Curves from edges and faces, splines made, fitted, simplified and
// evaluated, the comparison of faces, the direction of a curve at a point,
// and b-surfaces with edges, trimmed in parameter space and smoothed, under
// fault simulation: a host error at each host call of a story must leave a
// clean status, no armed frame, no leaked block and, where a call failed,
// the model as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_edge = NULL_TAG, g_top_a = NULL_TAG, g_top_b = NULL_TAG, g_side = NULL_TAG, g_line = NULL_TAG;

tag face_at(int body, int axis, double at) {
    for (int f : host::kernel::faces_of(body)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (std::abs(box[axis] - at) < 1e-6 && std::abs(box[axis + 3] - at) < 1e-6) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

tag line(double ax, double ay, double bx, double by) {
    line_data d{{ax, ay, 0}, {bx, by, 0}};
    tag l = NULL_TAG;
    KX_CURVE_create_line(&d, &l);
    return l;
}

// Two kernel blocks, a kernel cylinder and a line in a fresh work part.
void shapes() {
    kxtest::fresh_process();
    KX_initialize();
    host::parts::set_work_part(host::parts::create("curves_walk.prt"));
    int a = 0, b = 0, cyl = 0;
    const double o1[3] = {0, 0, 0}, s1[3] = {10, 10, 10}, o2[3] = {20, 0, 0}, s2[3] = {5, 5, 10};
    ZQ_BODY_make_block(o1, s1, &a);
    ZQ_BODY_make_block(o2, s2, &b);
    const double base[3] = {50, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 5, 10, &cyl);
    g_top_a = face_at(a, 2, 10);
    g_top_b = face_at(b, 2, 10);
    g_edge = host::kernel::object_of(host::kernel::edges_of(a)[0]);
    for (int f : host::kernel::faces_of(cyl)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER) g_side = host::kernel::object_of(f);
    }
    g_line = line(0, 0, 7, 3);
    host::control::clear_journal();
}

int curves() {
    tag curve = NULL_TAG;
    STEP(KX_MODL_create_curve_from_edge(g_edge, &curve));
    tag* made = nullptr;
    int n = 0;
    STEP(KX_MODL_create_isocurve(g_top_a, 1, 3.5, 1e-6, &made, &n));
    KX_free(made);
    double x[3] = {1, 0, 0};
    STEP(KX_MODL_create_isocline_curves(g_side, x, 90, 1e-6, &made, &n));
    KX_free(made);
    double knots[7] = {0, 0, 0, 0.4, 1, 1, 1}, poles[16] = {0, 0, 0, 1, 3, 4, 0, 1, 6, 1, 2, 1, 9, 5, 0, 1};
    tag spline = NULL_TAG;
    STEP(KX_MODL_create_spline(4, 3, knots, poles, &spline, 0, 0));
    double parm = 0.3, values[3];
    int flag = 0;
    STEP(KX_MODL_evaluate_curve(spline, &parm, &flag, values));
    std::vector<double> points;
    for (int i = 0; i < 9; ++i) points.insert(points.end(), {i / 8.0, (i / 8.0) * (i / 8.0), 0.0});
    fit_data f{};
    f.points = points.data();
    f.point_count = 9;
    f.degree = 3;
    f.tolerance = 1e-3;
    double error = 0;
    int index = 0;
    STEP(KX_MODL_create_fitted_spline(&f, &error, &index, &curve));
    tag in[1] = {g_line}, segs[8] = {};
    STEP(KX_MODL_create_simplified_curve(1, in, 1e-3, &n, segs));
    int result = 0;
    STEP(KX_MODL_compare(g_top_a, g_top_b, 1, &result));
    double near_end[3] = {6.9, 3, 0};
    int direction = 0;
    return faultsim::step("KX_MODL_get_curve_edge_direction",
                          [&] { return KX_MODL_get_curve_edge_direction(near_end, g_line, &direction); });
}

// A 4 x 4 cubic patch over 30 x 30, raised inside.
struct Patch {
    double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    std::vector<double> poles;
    Patch(bool flat) {
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                poles.insert(poles.end(),
                             {10.0 * i, 10.0 * j, flat || j == 0 || j == 3 || i == 0 || i == 3 ? 10.0 : 14.0, 1});
    }
};

// A segment in the parameter plane.
tag segment(double ax, double ay, double bx, double by) {
    double knots[4] = {0, 0, 1, 1};
    double poles[2][4] = {{ax, ay, 0, 1}, {bx, by, 0, 1}};
    spline_data d{2, 2, 0, knots, poles, 0, 1};
    tag t = NULL_TAG;
    int n = 0;
    spline_state* st = nullptr;
    KX_CURVE_create_spline(&d, &t, &n, &st);
    KX_free(st);
    return t;
}

tag g_square[4] = {};

void parameter_square() {
    kxtest::fresh_process();
    KX_initialize();
    host::parts::set_work_part(host::parts::create("bsurf_walk.prt"));
    const double a = 0.25, b = 0.75;
    g_square[0] = segment(a, a, b, a);
    g_square[1] = segment(b, a, b, b);
    g_square[2] = segment(b, b, a, b);
    g_square[3] = segment(a, b, a, a);
    host::control::clear_journal();
}

int b_surfaces() {
    Patch raised(false), flat(true);
    tag sheet = NULL_TAG, faces[2] = {}, edges[4] = {};
    STEP(KX_MODL_create_bs_edges(4, 4, 4, 4, raised.knots, raised.knots, raised.poles.data(), &sheet, faces, edges, 0,
                                 0));
    STEP(KX_MODL_create_bs_2d_edges(4, 4, 4, 4, raised.knots, raised.knots, raised.poles.data(), &sheet, faces, edges,
                                    0, 0));
    int count = 4, senses[4] = {1, 1, 1, 1};
    STEP(KX_MODL_cre_2dtrim_bsurf(4, 4, 4, 4, flat.knots, flat.knots, flat.poles.data(), 1, &count, senses, g_square,
                                  1e-6, &sheet, 0, 0));
    raised.poles[4 * 5 + 3] = 2.0;
    bsurface_data r{4, 4, 4, 4, 0, raised.knots, raised.knots, raised.poles.data()};
    int n = 0;
    bsurface_state* states = nullptr;
    const int st = faultsim::step("KX_MODL_smooth_bsurface_data",
                                  [&] { return KX_MODL_smooth_bsurface_data(1, 1, 0.001, 0, 0, &r, &n, &states); });
    KX_free(states);
    return st;
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(CurveWalkFaultSimulation, CurvesFromObjectsAndSplines) { expect_clean({"curve_walk_curves", curves, shapes}); }
TEST(CurveWalkFaultSimulation, BSurfacesWithEdgesTrimmedAndSmoothed) {
    expect_clean({"curve_walk_bsurf", b_surfaces, parameter_square});
}

}  // namespace
