// Curve geometry under fault simulation: arcs through points, conic
// conversions, the queries of a curve (range, centroid, turn, inflections,
// analysis settings, its flattened record) and splines made, asked,
// repaired, smoothed and edited. A host error at any host call ends clean
// (a failed call hands nothing over and leaves the model as it was).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("curve_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
}

int arcs_and_queries() {
    double a[3] = {4, 1, 0}, b[3] = {1, 4, 0}, c[3] = {-2, 1, 0};
    tag arc = NULL_TAG;
    STEP(KX_CURVE_create_arc_thru_3pts(1, a, b, c, &arc));
    double range[2] = {0, 0};
    int periodic = 0;
    STEP(KX_CURVE_ask_parameterization(arc, range, &periodic));
    double centroid[3];
    STEP(KX_CURVE_ask_centroid(arc, centroid));
    double z[3] = {0, 0, 1}, angle = 0;
    STEP(KX_CURVE_ask_curve_turn_angle(arc, z, &angle));
    curve_analysis_display display{};
    STEP(KX_CURVE_ask_analysis_display(arc, &display));
    evaluator record = 0;
    STEP(KX_CURVE_ask_curve_struct(arc, &record));
    int type = 0;
    double* data = nullptr;
    STEP(KX_CURVE_ask_curve_struct_data(record, &type, &data));
    KX_free(data);
    STEP(KX_CURVE_free_curve_struct(record));

    const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    tag matrix = NULL_TAG;
    STEP(KX_CSYS_create_matrix(identity, &matrix));
    conic_data ellipse{matrix, 2, 0.3, 0.2, 2.1, {1, 2, 3}, 5, 2};
    conic_general_data general{};
    STEP(KX_CURVE_convert_conic_to_gen(&ellipse, &general));
    conic_data back{};
    logical sense = false;
    STEP(KX_CURVE_convert_conic_to_std(&general, &back, &sense));
    return 0;
}

int splines() {
    spline_point points[4] = {};
    const double at[4][3] = {{0, 0, 0}, {2, 3, 0}, {5, -1, 0}, {7, 2, 1}};
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k) points[i].point[k] = at[i][k];
        points[i].slope_type = -1;
        points[i].crvatr_type = -1;
    }
    tag through = NULL_TAG;
    STEP(KX_CURVE_create_spline_thru_pts(3, 0, 4, points, nullptr, 1, &through));
    int degree = 0, periodic = 0, n = 0;
    spline_point* got = nullptr;
    double* params = nullptr;
    STEP(KX_CURVE_ask_spline_thru_pts(through, &degree, &periodic, &n, &got, &params));
    KX_free(got);
    KX_free(params);
    points[2].point[1] = -2;
    STEP(KX_CURVE_edit_spline_thru_pts(through, 3, 0, 4, points, nullptr, 1));
    logical yes = false;
    STEP(KX_CURVE_is_spline_in_sync(through, &yes));
    STEP(KX_CURVE_is_spline_self_int(through, &yes));
    double range[2] = {0, 100};
    int count = 0;
    double* inflections = nullptr;
    STEP(KX_CURVE_ask_curve_inflections(through, 1, range, &count, &inflections));
    KX_free(inflections);
    int values[4] = {};
    double value = 0;
    STEP(KX_CURVE_ask_spline_sap(through, values, &value));
    char options[16] = {1, 0, 1};
    STEP(KX_CURVE_set_spline_sap(through, options, 3, 7));

    spline_data asked{};
    STEP(KX_CURVE_ask_spline_data(through, &asked));
    // The record's arrays copied into the story's own, so that the host's
    // are given back before the steps that follow.
    std::vector<double> knots(asked.knots, asked.knots + asked.num_poles + asked.order);
    std::vector<std::array<double, 4>> poles(asked.num_poles);
    for (int i = 0; i < asked.num_poles; ++i)
        for (int k = 0; k < 4; ++k) poles[i][k] = asked.poles[i][k];
    KX_free(asked.knots);
    KX_free(asked.poles);
    spline_data d = asked;
    d.knots = knots.data();
    d.poles = reinterpret_cast<double(*)[4]>(poles.data());
    int ns = 0;
    spline_state* states = nullptr;
    STEP(KX_CURVE_fix_spline_data(&d, 1e-6, &ns, &states));
    KX_free(states);
    states = nullptr;
    double tolerance[3] = {0.01, 0.1, 0.1};
    STEP(KX_CURVE_smooth_spline_data_st(&d, 1, tolerance, 0, 0, &ns, &states));
    KX_free(states);
    states = nullptr;
    STEP(KX_CURVE_smooth_spline_data(&d, 1, 0.01, 0, 0, &ns, &states));
    KX_free(states);
    states = nullptr;
    tag spline = NULL_TAG;
    const int st = faultsim::step("KX_CURVE_create_spline", [&] { return KX_CURVE_create_spline(&d, &spline, &ns, &states); });
    KX_free(states);
    return st;
}

TEST(CurveGeometryWalkFaultSimulation, ArcsConicsAndQueries) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"curve_arcs_and_queries", arcs_and_queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(CurveGeometryWalkFaultSimulation, Splines) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"curve_splines", splines, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
