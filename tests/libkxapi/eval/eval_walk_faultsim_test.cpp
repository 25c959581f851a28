// Curve evaluators under fault simulation: each kind of curve is asked its
// kind and its data, copied, compared and evaluated, with a host error
// raised at each host call the story makes; every run must end clean (a
// failed query hands nothing back and leaves the live blocks as they were).
#include <gtest/gtest.h>

#include <cstdio>

#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_eval.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using hostnum::Curve;

#define STEP FAULTSIM_STEP

const double kO[3] = {0.5, -1.25, 2}, kX[3] = {0.6, 0.8, 0}, kY[3] = {-0.8, 0.6, 0};

evaluator g_line = 0, g_ellipse = 0, g_parabola = 0, g_hyperbola = 0, g_spline = 0;

// A work part with a line entity, and evaluators of the conics and of a
// rational spline made straight through the host.
void curves() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("evaluators.prt");
    host::parts::set_work_part(part);
    const double ends[6] = {1, 2, 3, 4, 6, 3};
    unsigned int line = 0;
    ES_create_line_in_part(part, ends, &line);
    g_line = line;
    g_ellipse = host::evc::make(*Curve::ellipse(kO, kX, kY, 3.5, 1.25, 0.3, 2.9));
    g_parabola = host::evc::make(*Curve::parabola(kO, kX, kY, 0.75, -1.5, 2.25));
    g_hyperbola = host::evc::make(*Curve::hyperbola(kO, kX, kY, 2.5, 1.5, -0.7, 1.1));
    const double poles[] = {0, 0, 0, 1, 1, 1, 2, 0.5, 3, 2, 1, 1, 4, 0, 0, 1};
    const double knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
    g_spline = host::evc::make(*Curve::spline(4, 4, poles, knots, Curve::PoleForm::cartesian));
}

int line_and_copies() {
    STEP(KX_initialize());
    evaluator line = 0, copy = 0;
    STEP(KX_EVAL_initialize(static_cast<tag>(g_line), &line));
    logical is = 0;
    STEP(KX_EVAL_is_line(line, &is));
    eval_line_data data{};
    STEP(KX_EVAL_ask_line(line, &data));
    STEP(KX_EVAL_copy(line, &copy));
    STEP(KX_EVAL_is_equal(line, copy, &is));
    STEP(KX_EVAL_is_equal(line, g_spline, &is));
    double point[3] = {}, tangent[3] = {}, normal[3] = {}, binormal[3] = {};
    STEP(KX_EVAL_evaluate_unit_vectors(g_spline, 0.35, point, tangent, normal, binormal));
    const double reference[3] = {2.5, 1.5, 2.75};
    double parameter = 0;
    STEP(KX_EVAL_evaluate_closest_point(copy, reference, &parameter, point));
    STEP(KX_EVAL_evaluate_closest_point(g_spline, reference, &parameter, point));
    STEP(KX_EVAL_free(copy));
    STEP(KX_EVAL_free(line));
    return 0;
}

int conics_and_splines() {
    STEP(KX_initialize());
    logical is = 0;
    STEP(KX_EVAL_is_ellipse(g_ellipse, &is));
    STEP(KX_EVAL_is_parabola(g_parabola, &is));
    STEP(KX_EVAL_is_hyperbola(g_hyperbola, &is));
    STEP(KX_EVAL_is_spline(g_spline, &is));
    eval_ellipse_data ellipse{};
    STEP(KX_EVAL_ask_ellipse(g_ellipse, &ellipse));
    eval_parabola_data parabola{};
    STEP(KX_EVAL_ask_parabola(g_parabola, &parabola));
    eval_hyperbola_data hyperbola{};
    STEP(KX_EVAL_ask_hyperbola(g_hyperbola, &hyperbola));
    eval_spline_data spline{};
    STEP(KX_EVAL_ask_spline(g_spline, &spline));
    int n = 0;
    double* knots = nullptr;
    STEP(KX_EVAL_ask_spline_knots(g_spline, &n, &knots));
    KX_free(knots);
    double* poles = nullptr;
    STEP(KX_EVAL_ask_spline_control_pts(g_spline, &n, &poles));
    KX_free(poles);
    return 0;
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(EvalWalkFaultSimulation, LineCopiesAndEvaluationEndClean) {
    expect_clean({"evaluator line and copies", line_and_copies, curves});
}

TEST(EvalWalkFaultSimulation, ConicsAndSplinesEndClean) {
    expect_clean({"evaluator conics and splines", conics_and_splines, curves});
}

}  // namespace
