// Splines by poles and knots, their repair and smoothing, and splines
// through points: checked against closed forms.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "curve_fixture.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/kernel/curves/splines.h"
#include "kx_codes.h"
#include "kx_curve.h"
#include "reopen_fixture.h"
#include "tests/support/fresh_process.h"

namespace {

class SplineTest : public CurveTest {
protected:
    // A spline record over the caller's arrays.
    static spline_data record(std::vector<double>& knots, std::vector<std::array<double, 4>>& poles, int order) {
        spline_data d{};
        d.num_poles = static_cast<int>(poles.size());
        d.order = order;
        d.knots = knots.data();
        d.poles = reinterpret_cast<double(*)[4]>(poles.data());
        d.start_param = knots[order - 1];
        d.end_param = knots[poles.size()];
        return d;
    }
    static double norm(const std::vector<double>& p) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }
    static spline_point pt(double x, double y, double z) {
        spline_point p{};
        p.point[0] = x;
        p.point[1] = y;
        p.point[2] = z;
        p.slope_type = -1;
        p.crvatr_type = -1;
        return p;
    }
};

// The quarter circle as a quadratic rational spline: every point of it lies
// at radius 1, and it reads back as it was given.
TEST_F(SplineTest, QuadraticRationalSplineIsAnExactCircleArc) {
    const double w = std::sqrt(0.5);
    std::vector<double> knots{0, 0, 0, 1, 1, 1};
    std::vector<std::array<double, 4>> poles{{1, 0, 0, 1}, {w, w, 0, w}, {0, 1, 0, 1}};
    spline_data d = record(knots, poles, 3);
    tag s = NULL_TAG;
    int n = -1;
    spline_state* states = nullptr;
    ASSERT_EQ(KX_CURVE_create_spline(&d, &s, &n, &states), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(states, nullptr);
    ASSERT_NE(s, NULL_TAG);
    for (int i = 0; i <= 20; ++i) EXPECT_NEAR(norm(point_at(s, i / 20.0)), 1.0, 1e-12) << i;
    const auto mid = point_at(s, 0.5);
    EXPECT_NEAR(mid[0], mid[1], 1e-12);

    spline_data back{};
    ASSERT_EQ(KX_CURVE_ask_spline_data(s, &back), 0);
    EXPECT_EQ(back.num_poles, 3);
    EXPECT_EQ(back.order, 3);
    EXPECT_EQ(back.is_rational, 1);
    EXPECT_EQ(back.start_param, 0.0);
    EXPECT_EQ(back.end_param, 1.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(back.poles[i][j], poles[i][j], 1e-15);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back.knots[i], knots[i]);
    KX_free(back.knots);
    KX_free(back.poles);
}

TEST_F(SplineTest, UnitWeightsReadAsNotRationalAndOtherObjectsAreRefused) {
    std::vector<double> knots{0, 0, 1, 1};
    std::vector<std::array<double, 4>> poles{{0, 0, 0, 1}, {1, 2, 3, 1}};
    spline_data d = record(knots, poles, 2);
    tag s = NULL_TAG;
    int n = 0;
    spline_state* states = nullptr;
    ASSERT_EQ(KX_CURVE_create_spline(&d, &s, &n, &states), 0);
    spline_data back{};
    ASSERT_EQ(KX_CURVE_ask_spline_data(s, &back), 0);
    EXPECT_EQ(back.is_rational, 0);
    KX_free(back.knots);
    KX_free(back.poles);
    EXPECT_EQ(KX_CURVE_ask_spline_data(line(0, 0, 0, 1, 0, 0), &back), 1480011);
    EXPECT_EQ(back.knots, nullptr);
    EXPECT_EQ(back.poles, nullptr);
}

TEST_F(SplineTest, CreationRefusesDataThatMakeNoSpline) {
    struct Case {
        const char* what;
        std::vector<double> knots;
        std::vector<std::array<double, 4>> poles;
        int order;
    } cases[] = {
        {"order 1", {0, 1}, {{0, 0, 0, 1}}, 1},
        {"fewer poles than the order", {0, 0, 0, 1, 1}, {{0, 0, 0, 1}, {1, 0, 0, 1}}, 3},
        {"zero weight", {0, 0, 1, 1}, {{0, 0, 0, 1}, {1, 0, 0, 0}}, 2},
        {"decreasing knots", {0, 0, 1, 0.5}, {{0, 0, 0, 1}, {1, 0, 0, 1}}, 2},
    };
    for (auto& c : cases) {
        spline_data d = record(c.knots, c.poles, c.order);
        d.start_param = 0;
        d.end_param = 1;
        tag s = 7;
        int n = 0;
        spline_state* states = nullptr;
        EXPECT_EQ(KX_CURVE_create_spline(&d, &s, &n, &states), 1480015) << c.what;
        EXPECT_EQ(s, NULL_TAG) << c.what;
    }
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), 0);
}

// A clamped cubic through two points with the derivatives given at both
// ends is the cubic Hermite curve of those data.
TEST_F(SplineTest, ClampedCubicThroughPointsWithEndSlopesIsTheHermiteCurve) {
    const double p0[3] = {0, 0, 0}, p1[3] = {4, 0, 1}, d0[3] = {1, 3, 0}, d1[3] = {2, -3, 0};
    spline_point pts[2] = {pt(0, 0, 0), pt(4, 0, 1)};
    pts[0].slope_type = 2;
    pts[1].slope_type = 2;
    for (int i = 0; i < 3; ++i) {
        pts[0].slope[i] = d0[i];
        pts[1].slope[i] = d1[i];
    }
    double params[2] = {0, 1};
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 2, pts, params, 1, &s), 0);
    for (int k = 0; k <= 10; ++k) {
        const double t = k / 10.0, t2 = t * t, t3 = t2 * t;
        const double h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = -2 * t3 + 3 * t2, h11 = t3 - t2;
        const auto p = point_at(s, t);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], h00 * p0[i] + h10 * d0[i] + h01 * p1[i] + h11 * d1[i], 1e-12);
    }
    spline_data back{};
    ASSERT_EQ(KX_CURVE_ask_spline_data(s, &back), 0);
    ASSERT_EQ(back.num_poles, 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(back.poles[1][i], p0[i] + d0[i] / 3, 1e-12);
        EXPECT_NEAR(back.poles[2][i], p1[i] - d1[i] / 3, 1e-12);
    }
    KX_free(back.knots);
    KX_free(back.poles);
}

TEST_F(SplineTest, SplineThroughPointsPassesThroughThemAtAnyDegree) {
    spline_point pts[6] = {pt(0, 0, 0), pt(1, 2, 0), pt(3, 3, 1), pt(5, 1, 1), pt(6, -1, 0), pt(8, 0, 2)};
    for (int degree : {1, 2, 3, 5}) {
        tag s = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_spline_thru_pts(degree, 0, 6, pts, nullptr, 1, &s), 0) << degree;
        int deg = 0, per = -1, n = 0;
        spline_point* back = nullptr;
        double* params = nullptr;
        ASSERT_EQ(KX_CURVE_ask_spline_thru_pts(s, &deg, &per, &n, &back, &params), 0);
        EXPECT_EQ(deg, degree);
        EXPECT_EQ(per, 0);
        ASSERT_EQ(n, 6);
        EXPECT_EQ(params[0], 0.0);
        EXPECT_EQ(params[5], 1.0);
        for (int i = 0; i < 6; ++i)
            EXPECT_LT(distance(point_at(s, params[i]), pts[i].point), 1e-9) << degree << " " << i;
        KX_free(back);
        KX_free(params);
    }
}

// The end-slope type keeps the derivative given; a curvature needs a slope.
TEST_F(SplineTest, SlopesAndCurvaturesReadBackWithTheirTypes) {
    spline_point pts[4] = {pt(0, 0, 0), pt(1, 1, 0), pt(2, 0, 0), pt(3, 1, 0)};
    pts[0].slope_type = 0;
    pts[0].slope[0] = 2;
    pts[1].slope_type = 1;
    pts[1].slope[0] = 1;
    pts[1].slope[1] = 1;
    pts[3].slope_type = 2;
    pts[3].slope[1] = 3;
    pts[3].crvatr_type = 1;
    pts[3].crvatr[0] = -1;
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 4, pts, nullptr, 1, &s), 0);
    int deg = 0, per = 0, n = 0;
    spline_point* back = nullptr;
    double* params = nullptr;
    ASSERT_EQ(KX_CURVE_ask_spline_thru_pts(s, &deg, &per, &n, &back, &params), 0);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(back[0].slope_type, 0);
    EXPECT_EQ(back[1].slope_type, 1);
    EXPECT_EQ(back[2].slope_type, -1);
    EXPECT_EQ(back[3].slope_type, 2);
    EXPECT_EQ(back[3].crvatr_type, 1);
    EXPECT_EQ(back[3].slope[1], 3);
    // The end slope is the derivative given at the end.
    auto c = host::curves::curve_of(s);
    ASSERT_TRUE(c.has_value());
    double p[3], d[3];
    hostnum::curve_evaluate(c->record(), 1, 1.0, p, d);
    EXPECT_NEAR(d[0], 0, 1e-9);
    EXPECT_NEAR(d[1], 3, 1e-9);
    KX_free(back);
    KX_free(params);
}

// Slope type 0 with a zero slope gives no direction: the spline still runs
// through the points, along the direction its neighbouring points give
// (the end chord at an open end, the chord from the point before to the
// point after elsewhere, round the ring when periodic), with the length of
// the chord over the parameter span. A slope vector of zero length (types
// 1 and 2) is still refused.
TEST_F(SplineTest, ADirectionLeftOutIsTheOneThePointsGive) {
    struct Case {
        const char* what;
        int periodic;
        std::vector<spline_point> points;
        std::vector<int> left_out;  // points of slope type 0 without a slope
    };
    const Case cases[] = {
        {"open, at the start and inside", 0, {pt(0, 0, 0), pt(4, 1, 0), pt(7, 5, 1), pt(12, 4, 2)}, {0, 2}},
        {"open, at the end", 0, {pt(0, 0, 0), pt(4, 1, 0), pt(7, 5, 1), pt(12, 4, 2)}, {3}},
        {"periodic, at the first point and inside", 1, {pt(3, 0, 0), pt(0, 2, 1), pt(-4, 0, 0), pt(0, -1, 0)}, {0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<spline_point> pts = c.points;
        for (int i : c.left_out) pts[static_cast<std::size_t>(i)].slope_type = 0;
        const int n = static_cast<int>(pts.size());
        tag s = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, c.periodic, n, pts.data(), nullptr, 1, &s), 0);
        int deg = 0, per = 0, count = 0;
        spline_point* back = nullptr;
        double* params = nullptr;
        ASSERT_EQ(KX_CURVE_ask_spline_thru_pts(s, &deg, &per, &count, &back, &params), 0);
        ASSERT_EQ(count, n);
        // The chord length of the points, round the ring when periodic.
        double chord = 0;
        for (int i = 1; i < n + c.periodic; ++i) {
            const double* a = pts[static_cast<std::size_t>(i % n)].point;
            chord += distance({a[0], a[1], a[2]}, pts[static_cast<std::size_t>(i - 1)].point);
        }
        auto curve = host::curves::curve_of(s);
        ASSERT_TRUE(curve.has_value());
        for (int i = 0; i < n; ++i) {
            EXPECT_LT(distance(point_at(s, params[i]), pts[static_cast<std::size_t>(i)].point), 1e-9) << i;
            if (std::find(c.left_out.begin(), c.left_out.end(), i) == c.left_out.end()) continue;
            EXPECT_EQ(back[i].slope_type, 0) << i;
            const int before = i > 0 ? i - 1 : c.periodic ? n - 1 : 0;
            const int after = i < n - 1 ? i + 1 : c.periodic ? 0 : n - 1;
            double want[3];
            for (int k = 0; k < 3; ++k)
                want[k] = pts[static_cast<std::size_t>(after)].point[k] - pts[static_cast<std::size_t>(before)].point[k];
            const double length = std::sqrt(want[0] * want[0] + want[1] * want[1] + want[2] * want[2]);
            double p[3], d[3];
            hostnum::curve_evaluate(curve->record(), 1, params[i], p, d);
            const double span = params[n - 1 + c.periodic] - params[0];
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(d[k], want[k] / length * chord / span, 1e-7) << i;
        }
        KX_free(back);
        KX_free(params);
    }
    for (int type : {1, 2}) {
        spline_point pts[3] = {pt(0, 0, 0), pt(4, 1, 0), pt(7, 5, 1)};
        pts[1].slope_type = type;
        tag s = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 3, pts, nullptr, 1, &s), 875262) << type;
        EXPECT_EQ(s, NULL_TAG);
    }
}

TEST_F(SplineTest, PeriodicSplineHandsOutOneFewerPointsThanItsDefiningPoints) {
    spline_point pts[4] = {pt(1, 0, 0), pt(0, 1, 0), pt(-1, 0, 0), pt(0, -1, 0)};
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 1, 4, pts, nullptr, 1, &s), 0);
    int deg = 0, per = 0, n = 0;
    spline_point* back = nullptr;
    double* params = nullptr;
    ASSERT_EQ(KX_CURVE_ask_spline_thru_pts(s, &deg, &per, &n, &back, &params), 0);
    EXPECT_EQ(per, 1);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(params[4], 1.0);
    for (int i = 0; i < 4; ++i) EXPECT_LT(distance(point_at(s, params[i]), pts[i].point), 1e-9);
    KX_free(back);
    KX_free(params);
}

TEST_F(SplineTest, PointChecksComeBeforeAnyFitting) {
    spline_point two[2] = {pt(0, 0, 0), pt(1, 0, 0)};
    spline_point curv[3] = {pt(0, 0, 0), pt(1, 0, 0), pt(2, 1, 0)};
    curv[1].crvatr_type = 1;
    spline_point same[3] = {pt(0, 0, 0), pt(0, 0, 0), pt(2, 1, 0)};
    spline_point three[3] = {pt(0, 0, 0), pt(1, 0, 0), pt(2, 1, 0)};
    struct Case {
        int degree, periodic, n;
        spline_point* points;
        int code;
    } cases[] = {
        {0, 0, 2, two, 1105004}, {3, 2, 2, two, 1105005}, {1, 0, 1, two, 1105006},  {2, 0, 3, curv, 875265},
        {3, 0, 2, two, 875257},  {2, 0, 3, same, 875258}, {2, 1, 3, three, 875259}, {3, 1, 2, two, 875260},
    };
    for (const Case& c : cases) {
        tag s = NULL_TAG;
        host::control::clear_journal();
        EXPECT_EQ(KX_CURVE_create_spline_thru_pts(c.degree, c.periodic, c.n, c.points, nullptr, 1, &s), c.code)
            << c.degree << " " << c.periodic << " " << c.n;
        EXPECT_EQ(host::control::call_count("BCEV_create_exact"), 0);
    }
    tag s = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_spline_thru_pts(1, 0, 2, two, nullptr, 1, &s), 0);
}

TEST_F(SplineTest, EditReplacesTheCurveAndKeepsOrDropsTheDefiningData) {
    spline_point pts[3] = {pt(0, 0, 0), pt(1, 1, 0), pt(2, 0, 0)};
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(2, 0, 3, pts, nullptr, 1, &s), 0);
    logical in_sync = false;
    ASSERT_EQ(KX_CURVE_is_spline_in_sync(s, &in_sync), 0);
    EXPECT_TRUE(in_sync);
    pts[1].point[1] = 5;
    ASSERT_EQ(KX_CURVE_edit_spline_thru_pts(s, 2, 0, 3, pts, nullptr, 1), 0);
    EXPECT_NEAR(point_at(s, 0.5)[1], 5, 1e-9);
    es0929sync(s, 1);
    ASSERT_EQ(KX_CURVE_is_spline_in_sync(s, &in_sync), 0);
    EXPECT_FALSE(in_sync);
    ASSERT_EQ(KX_CURVE_edit_spline_thru_pts(s, 2, 0, 3, pts, nullptr, 0), 0);
    int deg = 0, per = 0, n = 0;
    spline_point* back = nullptr;
    double* params = nullptr;
    EXPECT_EQ(KX_CURVE_ask_spline_thru_pts(s, &deg, &per, &n, &back, &params), 875267);
    EXPECT_EQ(KX_CURVE_edit_spline_thru_pts(s, 2, 0, 3, nullptr, nullptr, 0), 875268);
    EXPECT_EQ(KX_CURVE_edit_spline_thru_pts(line(0, 0, 0, 1, 1, 1), 2, 0, 3, pts, nullptr, 0), 875033);
    EXPECT_EQ(KX_CURVE_is_spline_in_sync(line(0, 0, 0, 1, 1, 1), &in_sync), 875033);
}

// ---- repair -------------------------------------------------------------------

struct FixCase {
    const char* what;
    std::vector<double> knots;
    std::vector<std::array<double, 4>> poles;
    int order;
    double tolerance;
    int code;
    int poles_after;
    std::vector<int> states;  // interface states handed out, in order
};

TEST_F(SplineTest, RepairsAsATable) {
    const std::vector<FixCase> cases = {
        {"valid clamped cubic",
         {0, 0, 0, 0, 1, 1, 1, 1},
         {{0, 0, 0, 1}, {1, 1, 0, 1}, {2, 1, 0, 1}, {3, 0, 0, 1}},
         4,
         1e-6,
         0,
         4,
         {}},
        {"range mapped onto 0..1", {0, 0, 10, 10}, {{0, 0, 0, 1}, {1, 0, 0, 1}}, 2, 1e-6, 0, 2, {52}},
        // A knot of full multiplicity where the curve is continuous.
        {"knot of full multiplicity reduced",
         {0, 0, 0.5, 0.5, 1, 1},
         {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1}, {2, 0, 0, 1}},
         2,
         1e-6,
         0,
         3,
         {51}},
        // A stretch where the polyline stands still.
        {"degenerate stretch removed",
         {0, 0, 1.0 / 3, 2.0 / 3, 1, 1},
         {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1}, {2, 0, 0, 1}},
         2,
         1e-6,
         0,
         3,
         {53}},
        {"poles collapse into a point", {0, 0, 1, 1}, {{1, 1, 1, 1}, {1, 1, 1, 1}}, 2, 1e-6, 1480013, 2, {}},
        {"order above the poles", {0, 0, 0, 1, 1, 1}, {{1, 1, 1, 1}, {2, 1, 1, 1}}, 3, 1e-6, BC_ERR_ORDER, 2, {}},
    };
    for (const FixCase& c : cases) {
        std::vector<double> knots = c.knots;
        std::vector<std::array<double, 4>> poles = c.poles;
        spline_data d = record(knots, poles, std::min<int>(c.order, static_cast<int>(poles.size())));
        d.order = c.order;
        d.start_param = c.knots[c.order - 1 < static_cast<int>(c.knots.size()) ? c.order - 1 : 0];
        d.end_param = c.knots.back();
        int n = -1;
        spline_state* states = nullptr;
        EXPECT_EQ(KX_CURVE_fix_spline_data(&d, c.tolerance, &n, &states), c.code) << c.what;
        EXPECT_EQ(d.num_poles, c.poles_after) << c.what;
        ASSERT_EQ(n, static_cast<int>(c.states.size())) << c.what;
        for (int i = 0; i < n; ++i) EXPECT_EQ(states[i].state, c.states[i]) << c.what;
        KX_free(states);
    }
}

TEST_F(SplineTest, RepairMapsTheRangeAndReportsTheMap) {
    std::vector<double> knots{2, 2, 6, 6};
    std::vector<std::array<double, 4>> poles{{0, 0, 0, 1}, {1, 0, 0, 1}};
    spline_data d = record(knots, poles, 2);
    int n = 0;
    spline_state* states = nullptr;
    ASSERT_EQ(KX_CURVE_fix_spline_data(&d, 1e-6, &n, &states), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(states[0].state, 52);
    EXPECT_EQ(states[0].flag, 1);
    EXPECT_DOUBLE_EQ(states[0].value[0], 0.25);
    EXPECT_DOUBLE_EQ(states[0].value[1], -0.5);
    EXPECT_DOUBLE_EQ(d.start_param, 0);
    EXPECT_DOUBLE_EQ(d.end_param, 1);
    EXPECT_EQ(knots[3], 1.0);
    KX_free(states);
}

TEST_F(SplineTest, ZeroToleranceWithoutAWorkPartIsRefused) {
    host::parts::set_work_part(0);
    std::vector<double> knots{0, 0, 1, 1};
    std::vector<std::array<double, 4>> poles{{0, 0, 0, 1}, {1, 0, 0, 1}};
    spline_data d = record(knots, poles, 2);
    int n = 0;
    spline_state* states = nullptr;
    EXPECT_EQ(KX_CURVE_fix_spline_data(&d, 0.0, &n, &states), 1105012);
    double tol[3] = {0, 0, 0};
    EXPECT_EQ(KX_CURVE_smooth_spline_data_st(&d, 0, tol, 0, 0, &n, &states), 1105012);
}

// ---- smoothing ------------------------------------------------------------------

TEST_F(SplineTest, SmoothingRemovesKnotsThatTheCurveCanDoWithout) {
    // A cubic Bezier split at 0.5 (de Casteljau): the knot 0.5 three times
    // makes it only C0 in its knots, yet the curve is the smooth Bezier.
    const std::vector<std::array<double, 4>> bez{{0, 0, 0, 1}, {1, 2, 0, 1}, {2, 2, 0, 1}, {3, 0, 0, 1}};
    auto lerp = [](std::array<double, 4> a, std::array<double, 4> b) {
        return std::array<double, 4>{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, 0, 1};
    };
    const auto a = bez[0], b = bez[1], c = bez[2], e = bez[3];
    const auto ab = lerp(a, b), bc = lerp(b, c), ce = lerp(c, e);
    const auto abc = lerp(ab, bc), bce = lerp(bc, ce), mid = lerp(abc, bce);
    std::vector<double> knots{0, 0, 0, 0, 0.5, 0.5, 0.5, 1, 1, 1, 1};
    std::vector<std::array<double, 4>> poles{a, ab, abc, mid, bce, ce, e};
    spline_data d = record(knots, poles, 4);
    int n = 0;
    spline_state* states = nullptr;
    ASSERT_EQ(KX_CURVE_smooth_spline_data(&d, 3, 1e-9, 0, 0, &n, &states), 0);
    EXPECT_EQ(d.num_poles, 4);
    EXPECT_EQ(d.is_rational, 0);
    bool smoothed = false;
    for (int i = 0; i < n; ++i) smoothed = smoothed || states[i].state == 56;
    EXPECT_TRUE(smoothed);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(d.poles[i][j], bez[i][j], 1e-9);
    KX_free(states);
}

TEST_F(SplineTest, SmoothingThatWouldMoveTheCurveTooFarFailsAndLeavesTheArrays) {
    // A polyline with a sharp corner: order 2 with continuity 1 asked.
    std::vector<double> knots{0, 0, 0.5, 1, 1};
    std::vector<std::array<double, 4>> poles{{0, 0, 0, 1}, {1, 1, 0, 1}, {2, 0, 0, 1}};
    const auto before = poles;
    spline_data d = record(knots, poles, 2);
    int n = 0;
    spline_state* states = nullptr;
    EXPECT_EQ(KX_CURVE_smooth_spline_data(&d, 1, 1e-3, 0, 0, &n, &states), 1480015);
    EXPECT_EQ(d.num_poles, 3);
    EXPECT_EQ(poles, before);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(states[0].state, 57);
    // The deviation it would take, back in lengths: the corner's height.
    EXPECT_NEAR(states[0].value[1], 1.0, 0.05);
    KX_free(states);
}

TEST_F(SplineTest, SmoothingChecksRangeAndContinuityContinuityWinning) {
    std::vector<double> knots{0, 0, 1, 1};
    std::vector<std::array<double, 4>> poles{{0, 0, 0, 1}, {1, 0, 0, 1}};
    spline_data d = record(knots, poles, 2);
    int n = 0;
    spline_state* states = nullptr;
    d.end_param = d.start_param;
    EXPECT_EQ(KX_CURVE_smooth_spline_data(&d, 2, 1e-3, 0, 0, &n, &states), 1480018);
    EXPECT_EQ(KX_CURVE_smooth_spline_data(&d, -1, 1e-3, 0, 0, &n, &states), 1480018);
    EXPECT_EQ(KX_CURVE_smooth_spline_data(&d, 1, 1e-3, 0, 0, &n, &states), 1480005);
}

}  // namespace

namespace {

class SplineQueryTest : public CurveTest {
protected:
    tag through(std::vector<std::array<double, 2>> xy) {
        std::vector<spline_point> pts(xy.size());
        for (std::size_t i = 0; i < xy.size(); ++i) {
            pts[i] = spline_point{};
            pts[i].point[0] = xy[i][0];
            pts[i].point[1] = xy[i][1];
            pts[i].slope_type = -1;
            pts[i].crvatr_type = -1;
        }
        tag s = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, static_cast<int>(pts.size()), pts.data(), nullptr, 0, &s), 0);
        return s;
    }
};

TEST_F(SplineQueryTest, SelfIntersectionOfSplines) {
    logical crosses = false;
    // A loop: through (0,0), up and back across its own path.
    ASSERT_EQ(KX_CURVE_is_spline_self_int(through({{0, 0}, {4, 0}, {4, 3}, {2, 4}, {2, -2}}), &crosses), 0);
    EXPECT_TRUE(crosses);
    ASSERT_EQ(KX_CURVE_is_spline_self_int(through({{0, 0}, {1, 1}, {2, 0}, {3, 1}}), &crosses), 0);
    EXPECT_FALSE(crosses);
    EXPECT_EQ(KX_CURVE_is_spline_self_int(line(0, 0, 0, 1, 0, 0), &crosses), 875033);
    EXPECT_TRUE(crosses);
    host::control::raise_on("CMP_is_self_intersect_curve", 670004);
    EXPECT_EQ(KX_CURVE_is_spline_self_int(through({{0, 0}, {1, 1}, {2, 0}, {3, 1}}), &crosses), 670004);
    EXPECT_TRUE(crosses);
    EXPECT_EQ(host::control::acknowledged_codes().back(), 670004);
}

TEST_F(SplineQueryTest, AnalysisRecordOfASpline) {
    const tag s = through({{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    CRVANL_CARecord_t r = host::crvanl::default_record();
    r.show[0] = 1;
    r.show[3] = 4;
    r.scale = 2.5;
    host::crvanl::set_record(s, r);
    int values[4] = {};
    double value = 0;
    ASSERT_EQ(KX_CURVE_ask_spline_sap(s, values, &value), 0);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[3], 4);
    EXPECT_EQ(value, 2.5);
    EXPECT_EQ(KX_CURVE_ask_spline_sap(line(0, 0, 0, 1, 0, 0), values, &value), 1105004);
}

// ---- part files ------------------------------------------------------------------

namespace pf = host::part_file;

class SplineFileTest : public SplineTest {
protected:
    // A cubic through four points with slopes and a curvature at given
    // parameters, a periodic cubic, and a spline edited without its data
    // while out of step with it.
    void make() {
        open_pts = {pt(0, 0, 0), pt(3, 1, 0), pt(6, -1, 2), pt(10, 0, 1)};
        open_pts[0].slope_type = 0;
        open_pts[0].slope[0] = 1;
        open_pts[0].slope[1] = 2;
        open_pts[3].slope_type = 2;
        open_pts[3].slope[2] = -4;
        open_pts[3].crvatr_type = 1;
        open_pts[3].crvatr[0] = 0.5;
        double params[4] = {0, 0.2, 0.7, 1};
        ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 4, open_pts.data(), params, 1, &open), 0);
        spline_point ring[4] = {pt(2, 0, 0), pt(0, 3, 0), pt(-2, 0, 1), pt(0, -3, 0)};
        ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 1, 4, ring, nullptr, 1, &periodic), 0);
        spline_point three[3] = {pt(0, 0, 0), pt(1, 1, 0), pt(2, 0, 0)};
        ASSERT_EQ(KX_CURVE_create_spline_thru_pts(2, 0, 3, three, nullptr, 1, &dropped), 0);
        es0929sync(dropped, 1);
        ASSERT_EQ(KX_CURVE_edit_spline_thru_pts(dropped, 2, 0, 3, three, nullptr, 0), 0);
        straight = line(0, 0, 0, 1, 2, 3);
    }
    struct Read {
        int degree = 0, periodic = 0, n = 0;
        std::vector<spline_point> points;
        std::vector<double> params;
    };
    static int read(tag s, Read* r) {
        spline_point* back = nullptr;
        double* params = nullptr;
        const int st = KX_CURVE_ask_spline_thru_pts(s, &r->degree, &r->periodic, &r->n, &back, &params);
        if (st == 0) {
            r->points.assign(back, back + r->n);
            r->params.assign(params, params + r->n + r->periodic);
        }
        KX_free(back);
        KX_free(params);
        return st;
    }
    static bool in_sync(tag s) {
        logical answer = false;
        EXPECT_EQ(KX_CURVE_is_spline_in_sync(s, &answer), 0);
        return answer;
    }
    static void expect_same(const Read& a, const Read& b) {
        EXPECT_EQ(a.degree, b.degree);
        EXPECT_EQ(a.periodic, b.periodic);
        ASSERT_EQ(a.n, b.n);
        EXPECT_EQ(a.params, b.params);
        for (int i = 0; i < a.n; ++i) {
            const spline_point &p = a.points[i], &q = b.points[i];
            EXPECT_EQ(std::vector<double>(p.point, p.point + 3), std::vector<double>(q.point, q.point + 3)) << i;
            EXPECT_EQ(p.slope_type, q.slope_type) << i;
            EXPECT_EQ(std::vector<double>(p.slope, p.slope + 3), std::vector<double>(q.slope, q.slope + 3)) << i;
            EXPECT_EQ(p.crvatr_type, q.crvatr_type) << i;
            EXPECT_EQ(std::vector<double>(p.crvatr, p.crvatr + 3), std::vector<double>(q.crvatr, q.crvatr + 3)) << i;
        }
    }

    std::vector<spline_point> open_pts;
    tag open = NULL_TAG, periodic = NULL_TAG, dropped = NULL_TAG, straight = NULL_TAG;
};

TEST_F(SplineFileTest, SplinesThroughPointsKeepTheirDefiningDataInAFreshProcess) {
    make();
    Read a, b;
    ASSERT_EQ(read(open, &a), 0);
    ASSERT_EQ(read(periodic, &b), 0);
    std::map<unsigned int, unsigned int> now = reopen_part(part, [] { kxtest::fresh_process(); });
    open = now[open];
    periodic = now[periodic];
    dropped = now[dropped];
    Read a2, b2, none;
    ASSERT_EQ(read(open, &a2), 0);
    ASSERT_EQ(read(periodic, &b2), 0);
    expect_same(a2, a);
    expect_same(b2, b);
    EXPECT_EQ(b2.n, 4);
    EXPECT_TRUE(in_sync(open));
    EXPECT_FALSE(in_sync(dropped));
    EXPECT_EQ(read(dropped, &none), 875267);
    // The data read back edits the spline: one point moved, the curve
    // passes through it at its parameter and keeps the end slope given.
    a2.points[1].point[1] = -2;
    ASSERT_EQ(KX_CURVE_edit_spline_thru_pts(open, 3, 0, 4, a2.points.data(), a2.params.data(), 1), 0);
    const std::vector<double> moved = point_at(open, 0.2);
    EXPECT_LT(distance(moved, a2.points[1].point), 1e-9);
    auto c = host::curves::curve_of(open);
    ASSERT_TRUE(c.has_value());
    double p[3], d[3];
    hostnum::curve_evaluate(c->record(), 1, 1.0, p, d);
    EXPECT_NEAR(d[0], 0, 1e-9);
    EXPECT_NEAR(d[2], -4, 1e-9);
}

// Section "SPDF" row: u8 flags, i32 degree, i32 periodic, u32 count, per
// point 3 f64, i32, 3 f64, i32, 3 f64 (80 bytes), then the parameters.
TEST_F(SplineFileTest, DamagedDefiningDataIsRefusedWithTheModelUnchanged) {
    make();
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    const std::vector<unsigned int> objects = host::objects::objects_of_part(part);
    const auto number = [&](tag t) {
        return static_cast<std::uint32_t>(std::find(objects.begin(), objects.end(), t) - objects.begin() + 1);
    };
    using Row = kxtest::SectionRow;
    const std::vector<Row> rows = kxtest::section_rows(kxtest::section_of(image, "SPDF"));
    ASSERT_EQ(rows.size(), 3u);
    const auto of = [&](std::vector<Row>& r, tag t) -> std::string& {
        return std::find_if(r.begin(), r.end(), [&](const Row& x) { return x.number == number(t); })->bytes;
    };
    const auto put = [](std::string& s, std::size_t at, auto v) {
        pf::Writer w;
        if constexpr (std::is_same_v<decltype(v), double>) w.f64(v);
        else w.u32(static_cast<std::uint32_t>(v));
        s.replace(at, w.view().size(), w.view());
    };
    constexpr std::size_t kPoint = 13, kSize = 80;  // the first point, the size of one
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void(std::vector<Row>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"a row of a line", [&](auto& r) { r[0].number = number(straight); }},
        {"a row of the part's matrix", [&](auto& r) { r[0].number = number(identity); }},
        {"unknown flags", [&](auto& r) { of(r, open)[0] = 4; }},
        {"no flags", [&](auto& r) { of(r, dropped)[0] = 0; }},
        {"degree 0", [&](auto& r) { put(of(r, open), 1, 0); }},
        {"degree 25", [&](auto& r) { put(of(r, open), 1, 25); }},
        {"periodicity 2", [&](auto& r) { put(of(r, open), 5, 2); }},
        {"a periodic quadratic", [&](auto& r) { put(of(r, periodic), 1, 2); }},
        {"one point", [&](auto& r) { put(of(r, open), 9, 1); }},
        {"a count beyond the row", [&](auto& r) { put(of(r, open), 9, 1000); }},
        {"a position not finite", [&](auto& r) { put(of(r, open), kPoint + 8, nan); }},
        {"an unknown slope type", [&](auto& r) { put(of(r, open), kPoint + 24, 3); }},
        {"an unknown curvature type", [&](auto& r) { put(of(r, open), kPoint + 3 * kSize + 52, 5); }},
        {"a curvature without a slope", [&](auto& r) { put(of(r, open), kPoint + kSize + 52, 1); }},
        {"two points in one place",
         [&](auto& r) {
             std::string& b = of(r, open);
             b.replace(kPoint + kSize, 24, b.substr(kPoint, 24));
         }},
        {"parameters that go back", [&](auto& r) { put(of(r, open), kPoint + 4 * kSize + 8, 0.9); }},
        {"a row cut short", [&](auto& r) { of(r, open).resize(60); }},
        {"a row given twice", [&](auto& r) { r.push_back(r[0]); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<Row> r = rows;
        k.spoil(r);
        kxtest::expect_refused_with(image, "SPDF", kxtest::rows_payload(r));
    }
    // A file without the section still opens: its splines are the curves
    // they were, without defining data.
    const pf::Image without = kxtest::without_section(image, "SPDF");
    int code = -1;
    const tag opened = pf::apply(without, "without.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag again = host::objects::objects_of_part(opened)[number(open) - 1];
    Read none;
    EXPECT_EQ(read(again, &none), 875267);
    EXPECT_LT(distance(point_at(again, 0.7), open_pts[2].point), 1e-9);
}

}  // namespace
