// Curve evaluators: the frame and argument codes, stale handles, scratch
// and caller memory, and the answers for each curve kind.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "eval_fixture.h"
#include "host/kernel/engine/kernel.h"

namespace {

namespace ctl = host::control;
using hostnum::Curve;

const double kO[3] = {0, 0, 0}, kX[3] = {1, 0, 0}, kY[3] = {0, 1, 0};

using Eval = EvalTest;

TEST_F(Eval, EveryFunctionNeedsTheSessionFirst) {
    const evaluator e = of(Curve::arc(kO, kX, kY, 1, 0, 1));
    kx_reset_session_for_tests();  // the host keeps the evaluator
    double d[6] = {}, p[3] = {};
    int n = 0;
    double* a = nullptr;
    logical b = 0;
    evaluator out = 0;
    eval_line_data line;
    eval_spline_data spl;
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"initialize", [&] { return KX_EVAL_initialize(1, &out); }},
        {"copy", [&] { return KX_EVAL_copy(e, &out); }},
        {"free", [&] { return KX_EVAL_free(e); }},
        {"limits", [&] { return KX_EVAL_ask_limits(e, d); }},
        {"periodic", [&] { return KX_EVAL_is_periodic(e, &b); }},
        {"evaluate", [&] { return KX_EVAL_evaluate(e, 1, 0.5, p, d); }},
        {"unit vectors", [&] { return KX_EVAL_evaluate_unit_vectors(e, 0.5, p, d, d, d); }},
        {"closest", [&] { return KX_EVAL_evaluate_closest_point(e, p, d, p); }},
        {"equal", [&] { return KX_EVAL_is_equal(e, e, &b); }},
        {"is arc", [&] { return KX_EVAL_is_arc(e, &b); }},
        {"is spline", [&] { return KX_EVAL_is_spline(e, &b); }},
        {"ask line", [&] { return KX_EVAL_ask_line(e, &line); }},
        {"ask spline", [&] { return KX_EVAL_ask_spline(e, &spl); }},
        {"knots", [&] { return KX_EVAL_ask_spline_knots(e, &n, &a); }},
        {"poles", [&] { return KX_EVAL_ask_spline_control_pts(e, &n, &a); }},
        {"curve struct", [&] { return KX_CURVE_ask_curve_struct(1, &out); }},
        {"curve struct data", [&] { return KX_CURVE_ask_curve_struct_data(e, &n, &a); }},
        {"free curve struct", [&] { return KX_CURVE_free_curve_struct(e); }},
    };
    ctl::clear_journal();
    for (const auto& [name, call] : calls) EXPECT_EQ(call(), 1105000) << name;
    EXPECT_EQ(ctl::call_count("EVC_is_live"), 0);
    EXPECT_EQ(host::evc::live_count(), 1);
    EXPECT_EQ(out, 0u);
}

TEST_F(Eval, EvaluatesAnArcEntityInItsOwnPlane) {
    // The arc's plane: X along (0, 1, 0), Y along (0, 0, 1); its center
    // (1, 2, 3) in that frame is (3, 1, 2) in absolute coordinates.
    const double rows[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0}, center[3] = {1, 2, 3};
    const tag arc = arc_entity(rows, 0.25, 2.0, center, 2.0);
    evaluator e = 0;
    ASSERT_EQ(KX_EVAL_initialize(arc, &e), 0);
    ASSERT_NE(e, 0u);
    const double t = 1.1;
    double p[3], d[6];
    ASSERT_EQ(KX_EVAL_evaluate(e, 2, t, p, d), 0);
    const double want[3] = {3, 1 + 2 * std::cos(t), 2 + 2 * std::sin(t)};
    const double want1[3] = {0, -2 * std::sin(t), 2 * std::cos(t)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(p[i], want[i], 1e-14);
        EXPECT_NEAR(d[i], want1[i], 1e-14);
        EXPECT_NEAR(d[3 + i], -(want[i] - (i == 0 ? 3 : i == 1 ? 1 : 2)), 1e-14);
    }
    double lim[2];
    ASSERT_EQ(KX_EVAL_ask_limits(e, lim), 0);
    EXPECT_EQ(lim[0], 0.25);
    EXPECT_EQ(lim[1], 2.0);
    logical per = 1;
    ASSERT_EQ(KX_EVAL_is_periodic(e, &per), 0);
    EXPECT_EQ(per, 0);

    eval_arc_data a;
    ASSERT_EQ(KX_EVAL_ask_arc(e, &a), 0);
    EXPECT_EQ(a.is_periodic, 0);
    EXPECT_EQ(a.radius, 2.0);
    EXPECT_EQ(a.limits[0], 0.25);
    EXPECT_NEAR(a.center[0], 3, 1e-15);
    EXPECT_NEAR(a.x_axis[1], 1, 1e-15);
    EXPECT_NEAR(a.y_axis[2], 1, 1e-15);
    EXPECT_EQ(KX_EVAL_free(e), 0);
}

TEST_F(Eval, EvaluateArgumentsAndTheScratchBlock) {
    const evaluator e = of(Curve::arc(kO, kX, kY, 1, 0, 3));
    double p[3] = {9, 9, 9}, d[3 * KX_EVAL_MAX_DERIVATIVES];
    // No derivatives: a null array is fine and only the point is filled.
    ASSERT_EQ(KX_EVAL_evaluate(e, 0, 0.0, p, nullptr), 0);
    EXPECT_EQ(p[0], 1);
    struct Case {
        const char* what;
        evaluator e;
        int n;
        double* point;
        double* ders;
        int code;
    } cases[] = {
        {"null evaluator", 0, 1, p, d, 1105004},
        {"made-up evaluator", 77, 1, p, d, 1105004},
        {"negative count", e, -1, p, d, 1105005},
        {"count above the most", e, KX_EVAL_MAX_DERIVATIVES + 1, p, d, 1105005},
        {"null point", e, 1, nullptr, d, 1105007},
        {"null derivatives", e, 1, p, nullptr, 1105013},
    };
    for (const auto& c : cases) {
        double before[3] = {p[0], p[1], p[2]};
        EXPECT_EQ(KX_EVAL_evaluate(c.e, c.n, 0.5, c.point, c.ders), c.code) << c.what;
        EXPECT_EQ(std::memcmp(before, p, sizeof before), 0) << c.what << ": outputs untouched";
    }
    // Every derivative up to the most; the scratch block is freed, also
    // when the host fails.
    const std::size_t blocks = ctl::live_blocks();
    ASSERT_EQ(KX_EVAL_evaluate(e, KX_EVAL_MAX_DERIVATIVES, 0.5, p, d), 0);
    EXPECT_NEAR(d[3 * 2 + 0], std::sin(0.5), 1e-15);  // the third derivative of cos is sin
    EXPECT_NEAR(d[3 * (KX_EVAL_MAX_DERIVATIVES - 1)], std::cos(0.5), 1e-15);
    EXPECT_EQ(ctl::live_blocks(), blocks);
    ctl::raise_on("EVC_evaluate", 670004);
    EXPECT_EQ(KX_EVAL_evaluate(e, 2, 0.5, p, d), 670004);
    EXPECT_EQ(ctl::live_blocks(), blocks);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Eval, StaleHandlesAndDoubleFreeAreRefused) {
    const evaluator e = of(Curve::arc(kO, kX, kY, 1, 0, 3));
    evaluator copy = 0;
    ASSERT_EQ(KX_EVAL_copy(e, &copy), 0);
    EXPECT_NE(copy, e);
    EXPECT_EQ(KX_EVAL_free(e), 0);
    EXPECT_EQ(KX_EVAL_free(e), 1105004);  // a second free
    double p[3], lim[2];
    logical b;
    EXPECT_EQ(KX_EVAL_evaluate(e, 0, 0.5, p, nullptr), 1105004);
    EXPECT_EQ(KX_EVAL_ask_limits(e, lim), 1105004);
    EXPECT_EQ(KX_EVAL_is_equal(copy, e, &b), 1105005);
    EXPECT_EQ(KX_CURVE_free_curve_struct(e), 1105004);
    // The copy lives on by itself.
    ASSERT_EQ(KX_EVAL_evaluate(copy, 0, 0.0, p, nullptr), 0);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(KX_EVAL_free(copy), 0);
    EXPECT_EQ(KX_EVAL_free(0), 1105004);
    EXPECT_EQ(host::evc::live_count(), 0);
    EXPECT_EQ(ctl::call_count("EVC_free"), 2);  // refused frees never reach the host
}

TEST_F(Eval, CopyIsAnEqualCurveMadeThroughTheMovedCopy) {
    const evaluator e = of(Curve::ellipse(kO, kX, kY, 3, 2, 0, 2 * kPi));
    evaluator copy = 0;
    ctl::clear_journal();
    ASSERT_EQ(KX_EVAL_copy(e, &copy), 0);
    const auto calls = ctl::calls("evcrvx");
    ASSERT_EQ(calls.size(), 1u);
    const double* rot = reinterpret_cast<const double*>(calls[0].arg[1]);
    const double* shift = reinterpret_cast<const double*>(calls[0].arg[2]);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(rot[i], i % 4 == 0 ? 1.0 : 0.0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(shift[i], 0.0);
    logical same = 0;
    ASSERT_EQ(KX_EVAL_is_equal(e, copy, &same), 0);
    EXPECT_EQ(same, 1);
    const evaluator other = of(Curve::ellipse(kO, kX, kY, 3, 2.5, 0, 2 * kPi));
    ASSERT_EQ(KX_EVAL_is_equal(e, other, &same), 0);
    EXPECT_EQ(same, 0);
    evaluator out = 5;
    EXPECT_EQ(KX_EVAL_copy(e, nullptr), 1105005);
    EXPECT_EQ(KX_EVAL_copy(0, &out), 1105004);
    EXPECT_EQ(out, 5u);
}

TEST_F(Eval, KindsAndTheirDefiningData) {
    const double a[3] = {1, 1, 1}, b[3] = {4, 5, 1};
    evaluator line = 0;
    ASSERT_EQ(KX_EVAL_initialize(line_entity(a, b), &line), 0);
    const evaluator arc = of(Curve::arc(kO, kX, kY, 2, 0, 2 * kPi));
    const evaluator ell = of(Curve::ellipse(kO, kX, kY, 3, 1, 0, 1));
    const evaluator par = of(Curve::parabola(kO, kX, kY, 0.5, -1, 2));
    const evaluator hyp = of(Curve::hyperbola(kO, kX, kY, 2, 0.5, -1, 1));
    const evaluator spl = host::evc::make(spline());
    struct Kind {
        const char* name;
        evaluator e;
        int (*is)(evaluator, logical*);
    } kinds[] = {{"line", line, KX_EVAL_is_line},          {"arc", arc, KX_EVAL_is_arc},
                 {"ellipse", ell, KX_EVAL_is_ellipse},     {"parabola", par, KX_EVAL_is_parabola},
                 {"hyperbola", hyp, KX_EVAL_is_hyperbola}, {"spline", spl, KX_EVAL_is_spline}};
    for (const auto& k : kinds)
        for (const auto& q : kinds) {
            logical r = 7;
            ASSERT_EQ(q.is(k.e, &r), 0);
            EXPECT_EQ(r, k.e == q.e ? 1 : 0) << k.name << " asked whether " << q.name;
        }
    logical r;
    EXPECT_EQ(KX_EVAL_is_arc(arc, nullptr), 1105005);
    EXPECT_EQ(KX_EVAL_is_arc(0, &r), 1105004);

    eval_line_data ld;
    ASSERT_EQ(KX_EVAL_ask_line(line, &ld), 0);
    EXPECT_EQ(ld.start[0], 1);
    EXPECT_EQ(ld.end[1], 5);
    EXPECT_NEAR(ld.direction[0], 0.6, 1e-15);
    EXPECT_NEAR(ld.length, 5, 1e-14);
    eval_arc_data ad;
    ASSERT_EQ(KX_EVAL_ask_arc(arc, &ad), 0);
    EXPECT_EQ(ad.is_periodic, 1);
    eval_ellipse_data ed;
    ASSERT_EQ(KX_EVAL_ask_ellipse(ell, &ed), 0);
    EXPECT_EQ(ed.major, 3);
    EXPECT_EQ(ed.minor, 1);
    EXPECT_EQ(ed.is_periodic, 0);
    EXPECT_EQ(ed.limits[1], 1);
    eval_parabola_data pd;
    ASSERT_EQ(KX_EVAL_ask_parabola(par, &pd), 0);
    EXPECT_EQ(pd.k1, 0.5);
    EXPECT_EQ(pd.limits[0], -1);
    eval_hyperbola_data hd;
    ASSERT_EQ(KX_EVAL_ask_hyperbola(hyp, &hd), 0);
    EXPECT_NEAR(hd.k1, 2, 1e-15);
    EXPECT_NEAR(hd.k2, 0.5, 1e-15);
    eval_spline_data sd;
    ASSERT_EQ(KX_EVAL_ask_spline(spl, &sd), 0);
    EXPECT_EQ(sd.is_rational, 1);
    EXPECT_EQ(sd.is_periodic, 0);
    EXPECT_EQ(sd.order, 4);
    EXPECT_EQ(sd.num_knots, 8);
    EXPECT_EQ(sd.num_control_pts, 4);

    // Another kind is an invalid first argument; the record stays as it was.
    eval_arc_data untouched;
    std::memset(&untouched, 0x5a, sizeof untouched);
    const eval_arc_data before = untouched;
    EXPECT_EQ(KX_EVAL_ask_arc(line, &untouched), 1105004);
    EXPECT_EQ(std::memcmp(&before, &untouched, sizeof before), 0);
    EXPECT_EQ(KX_EVAL_ask_spline(arc, &sd), 1105004);
    EXPECT_EQ(KX_EVAL_ask_line(line, nullptr), 1105005);
    EXPECT_EQ(KX_EVAL_ask_hyperbola(par, &hd), 1105004);
    // The first argument is checked first: another kind with a null record
    // is still an invalid first argument.
    EXPECT_EQ(KX_EVAL_ask_arc(line, nullptr), 1105004);
    int n = 0;
    EXPECT_EQ(KX_EVAL_ask_spline_knots(arc, nullptr, nullptr), 1105004);
    EXPECT_EQ(KX_EVAL_ask_spline_control_pts(line, &n, nullptr), 1105004);
}

TEST_F(Eval, SplineKnotsAndControlPointsAreTheCallersArrays) {
    const evaluator spl = host::evc::make(spline());
    const std::size_t blocks = ctl::live_blocks();
    int n = 0;
    double* knots = nullptr;
    ASSERT_EQ(KX_EVAL_ask_spline_knots(spl, &n, &knots), 0);
    ASSERT_EQ(n, 8);
    EXPECT_EQ(knots[3], 0);
    EXPECT_EQ(knots[4], 1);
    double* poles = nullptr;
    ASSERT_EQ(KX_EVAL_ask_spline_control_pts(spl, &n, &poles), 0);
    ASSERT_EQ(n, 4);
    // Weighted form: the second pole (1, 2, 0) with weight 2.
    EXPECT_EQ(poles[4], 2);
    EXPECT_EQ(poles[5], 4);
    EXPECT_EQ(poles[7], 2);
    EXPECT_EQ(ctl::live_blocks(), blocks + 2);  // the scratch block is gone
    KX_free(knots);
    KX_free(poles);
    EXPECT_EQ(ctl::live_blocks(), blocks);

    const evaluator arc = of(Curve::arc(kO, kX, kY, 1, 0, 1));
    n = -1;
    knots = nullptr;
    EXPECT_EQ(KX_EVAL_ask_spline_knots(arc, &n, &knots), 1105004);
    EXPECT_EQ(KX_EVAL_ask_spline_control_pts(arc, &n, &poles), 1105004);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(KX_EVAL_ask_spline_knots(spl, nullptr, &knots), 1105005);
    EXPECT_EQ(KX_EVAL_ask_spline_control_pts(spl, &n, nullptr), 1105006);
    // A host failure half way leaves no block behind.
    ctl::raise_on("EVC_ask_bcurve_control_4", 670004);
    EXPECT_EQ(KX_EVAL_ask_spline_control_pts(spl, &n, &poles), 670004);
    EXPECT_EQ(ctl::live_blocks(), blocks);
    EXPECT_EQ(n, -1);
}

TEST_F(Eval, UnitVectorsAndClosestPoint) {
    const evaluator e = of(Curve::arc(kO, kX, kY, 2, 0, kPi));
    double p[3], t[3], n[3], b[3];
    struct Case {
        double *point, *tangent, *normal, *binormal;
        int code;
    } cases[] = {{nullptr, t, n, b, 1105006},
                 {p, nullptr, n, b, 1105007},
                 {p, t, nullptr, b, 1105013},
                 {p, t, n, nullptr, 1105014},
                 {p, t, n, b, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(KX_EVAL_evaluate_unit_vectors(e, kPi / 2, c.point, c.tangent, c.normal, c.binormal), c.code);
    EXPECT_NEAR(p[1], 2, 1e-15);
    EXPECT_NEAR(t[0], -1, 1e-15);
    EXPECT_NEAR(n[1], -1, 1e-15);
    EXPECT_NEAR(b[2], 1, 1e-15);

    const double ref[3] = {3, 3, 7};
    double u = 0, q[3];
    ASSERT_EQ(KX_EVAL_evaluate_closest_point(e, ref, &u, q), 0);
    EXPECT_NEAR(u, kPi / 4, 1e-14);
    EXPECT_NEAR(q[0], std::sqrt(2.0), 1e-14);
    EXPECT_EQ(KX_EVAL_evaluate_closest_point(e, nullptr, &u, q), 1105005);
    EXPECT_EQ(KX_EVAL_evaluate_closest_point(e, ref, nullptr, q), 1105006);
    EXPECT_EQ(KX_EVAL_evaluate_closest_point(e, ref, &u, nullptr), 1105007);

    // A point has no tangent: the host refuses and the frame answers its code.
    const evaluator pt = of(Curve::point(ref));
    EXPECT_EQ(KX_EVAL_evaluate_unit_vectors(pt, 0, p, t, n, b), 670004);
}

TEST_F(Eval, EdgesOfBodiesEvaluateLikeCurves) {
    // A straight and a circular edge of a body.
    const auto body = ctl::make_part("block.prt", {{70, 0}, {70, 3}, {70, 3}});
    host::parts::set_work_part(part_);
    const double a[3] = {1, 2, 3}, b[3] = {1, 2, 7};
    host::curves::attach_line(body.objects[1], a, b);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0;
    ES_create_matrix_in_part(part_, rows, 3, &m);
    const double arc[6] = {0, kPi / 2, 0, 0, 5, 3};
    host::curves::attach_arc(body.objects[2], m, arc);

    evaluator straight = 0, round = 0;
    ASSERT_EQ(KX_EVAL_initialize(body.objects[1], &straight), 0);
    ASSERT_EQ(KX_EVAL_initialize(body.objects[2], &round), 0);
    logical is = 0;
    ASSERT_EQ(KX_EVAL_is_line(straight, &is), 0);
    EXPECT_EQ(is, 1);
    ASSERT_EQ(KX_EVAL_is_arc(round, &is), 0);
    EXPECT_EQ(is, 1);
    double p[3], d[3];
    ASSERT_EQ(KX_EVAL_evaluate(straight, 1, 1.5, p, d), 0);
    EXPECT_NEAR(p[2], 4.5, 1e-14);
    EXPECT_NEAR(d[2], 1, 1e-14);
    ASSERT_EQ(KX_EVAL_evaluate(round, 1, kPi / 6, p, d), 0);
    EXPECT_NEAR(p[0], 3 * std::cos(kPi / 6), 1e-14);
    EXPECT_NEAR(p[1], 3 * std::sin(kPi / 6), 1e-14);
    EXPECT_NEAR(p[2], 5, 1e-14);
    EXPECT_NEAR(d[0], -3 * std::sin(kPi / 6), 1e-14);
    // The body itself carries no curve.
    evaluator none = 0;
    EXPECT_EQ(KX_EVAL_initialize(body.objects[0], &none), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(none, 0u);
}

TEST_F(Eval, EdgesOfKernelBodiesEvaluateTheKernelsCurves) {
    // A cylinder of radius 3 about the Z axis from z = 5: its circles are
    // arcs over their angles, its seam a line over its length.
    host::parts::set_work_part(part_);
    const double base[3] = {0, 0, 5}, z[3] = {0, 0, 1};
    int cylinder = 0;
    ZQ_BODY_make_cylinder(base, z, 3, 4, &cylinder);
    unsigned int round = 0, straight = 0;
    for (int e : host::kernel::edges_of(cylinder)) {
        const unsigned int o = host::kernel::object_of(e);
        if (PX_curve_ask_type(o) == PX_CURVE_CIRCLE && round == 0) round = o;
        if (PX_curve_ask_type(o) == PX_CURVE_LINE) straight = o;
    }
    ASSERT_NE(round, 0u);
    ASSERT_NE(straight, 0u);
    evaluator arc = 0, line = 0;
    ASSERT_EQ(KX_EVAL_initialize(round, &arc), 0);
    ASSERT_EQ(KX_EVAL_initialize(straight, &line), 0);
    logical is = 0;
    ASSERT_EQ(KX_EVAL_is_arc(arc, &is), 0);
    EXPECT_EQ(is, 1);
    ASSERT_EQ(KX_EVAL_is_line(line, &is), 0);
    EXPECT_EQ(is, 1);
    double p[3], d[3];
    ASSERT_EQ(KX_EVAL_evaluate(arc, 1, kPi / 6, p, d), 0);
    EXPECT_NEAR(std::hypot(p[0], p[1]), 3, 1e-12);
    EXPECT_NEAR(std::atan2(p[1], p[0]), kPi / 6, 1e-12);
    EXPECT_NEAR(d[0] * p[0] + d[1] * p[1], 0, 1e-12);  // tangent to the circle
    ASSERT_EQ(KX_EVAL_evaluate(line, 1, 1.5, p, d), 0);
    EXPECT_NEAR(std::hypot(p[0], p[1]), 3, 1e-12);
    EXPECT_NEAR(std::fabs(d[2]), 1, 1e-12);
    KX_EVAL_free(arc);
    KX_EVAL_free(line);
}

TEST_F(Eval, InitializeRefusesNonCurvesThroughTheHost) {
    evaluator e = 3;
    EXPECT_EQ(KX_EVAL_initialize(NULL_TAG, &e), 1105004);
    EXPECT_EQ(KX_EVAL_initialize(part_, nullptr), 1105005);
    EXPECT_EQ(e, 3u);
    EXPECT_EQ(KX_EVAL_initialize(part_, &e), HOST_ERR_WRONG_CLASS);  // a live object without a curve
    const double a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
    const tag line = line_entity(a, b);
    ASSERT_EQ(KX_CURVE_ask_curve_struct(line, &e), 0);
    EXPECT_EQ(host::evc::record(e)->type, CURVE_LINE);
    EXPECT_EQ(KX_CURVE_free_curve_struct(e), 0);
    EXPECT_EQ(host::evc::record(e), nullptr);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

}  // namespace
