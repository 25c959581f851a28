// Least-squares splines through points: fits within their tolerance,
// weights, end slopes and the checks of the fit record.
#include <algorithm>
#include <cmath>
#include <vector>

#include "curve_fixture.h"
#include "host/kernel/curves/splines.h"
#include "kx_codes.h"
#include "kx_curve.h"

namespace {

class FittedSplineTest : public CurveTest {
protected:
    static fit_data record(std::vector<double>& points, int degree) {
        fit_data f{};
        f.points = points.data();
        f.point_count = static_cast<int>(points.size() / 3);
        f.degree = degree;
        f.tolerance = 1e-3;
        return f;
    }
    // Points y = f(x) at n abscissae over [0, 1].
    template <class F>
    static std::vector<double> samples(int n, F f) {
        std::vector<double> p;
        for (int i = 0; i < n; ++i) {
            const double x = static_cast<double>(i) / (n - 1);
            p.insert(p.end(), {x, f(x), 0.0});
        }
        return p;
    }
    // The largest distance of the points from the curve: the nearest of
    // many samples, refined by a ternary search between its neighbours.
    double farthest(tag curve, const std::vector<double>& points) {
        const auto l = curve_limits(curve);
        constexpr int kSamples = 2000;
        auto at = [&](double t) { return point_at(curve, t); };
        auto param = [&](int i) { return l[0] + (l[1] - l[0]) * std::clamp(i, 0, kSamples) / kSamples; };
        std::vector<std::vector<double>> on;
        for (int i = 0; i <= kSamples; ++i) on.push_back(at(param(i)));
        double worst = 0;
        for (std::size_t k = 0; k < points.size(); k += 3) {
            int best = 0;
            for (int i = 0; i <= kSamples; ++i)
                if (distance(on[i], &points[k]) < distance(on[best], &points[k])) best = i;
            double a = param(best - 1), b = param(best + 1);
            for (int it = 0; it < 80; ++it) {
                const double m1 = a + (b - a) / 3, m2 = b - (b - a) / 3;
                if (distance(at(m1), &points[k]) < distance(at(m2), &points[k])) b = m2;
                else a = m1;
            }
            worst = std::max(worst, distance(at((a + b) / 2), &points[k]));
        }
        return worst;
    }
};

TEST_F(FittedSplineTest, ACubicFitsPointsOfAParabolaClosely) {
    auto pts = samples(21, [](double x) { return x * x; });
    fit_data f = record(pts, 3);
    f.tolerance = 1e-6;
    double err = -1;
    int index = 0;
    tag curve = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 0);
    EXPECT_LE(err, 1e-6);
    EXPECT_GE(index, 1);
    EXPECT_LT(farthest(curve, pts), 2e-6);
    // The ends are kept.
    const auto l = curve_limits(curve);
    EXPECT_LT(distance(point_at(curve, l[0]), &pts[0]), 1e-12);
    EXPECT_LT(distance(point_at(curve, l[1]), &pts[60]), 1e-12);
}

TEST_F(FittedSplineTest, FitsStayWithinTheirTolerance) {
    auto pts = samples(60, [](double x) { return 0.3 * std::sin(9 * x) + 0.002 * std::cos(97 * x); });
    for (double tol : {0.05, 0.01, 0.004}) {
        fit_data f = record(pts, 3);
        f.tolerance = tol;
        double err = 0;
        int index = 0;
        tag curve = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 0) << tol;
        EXPECT_LE(err, tol);
        EXPECT_LE(farthest(curve, pts), tol * 1.01);
    }
}

TEST_F(FittedSplineTest, ATolerancePastReachMakesTheSplineAndSaysSo) {
    // A point of weight 0 does not count in the fit, but its distance does.
    auto pts = samples(12, [](double x) { return (static_cast<int>(x * 11 + 0.5) % 2) * 0.5; });
    pts[3 * 6 + 2] = 3;
    fit_data f = record(pts, 3);
    double zero = 0;
    int at = 7;
    f.weights = &zero;
    f.weight_count = 1;
    f.weight_positions = &at;
    f.tolerance = 1e-6;
    double err = 0;
    int index = 0;
    tag curve = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 875108);
    EXPECT_NE(curve, NULL_TAG);
    EXPECT_GT(err, 1e-6);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), 1);
}

TEST_F(FittedSplineTest, AWeightPullsTheFitToItsPoint) {
    auto pts = samples(9, [](double x) { return std::fabs(x - 0.5) < 0.01 ? 1.0 : 0.0; });
    fit_data f = record(pts, 3);
    f.segments = 1;
    double err = 0;
    int index = 0;
    tag plain = NULL_TAG, weighted = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &plain), 0);
    EXPECT_EQ(index, 5);
    double w = 1000;
    int at = 5;
    f.weights = &w;
    f.weight_count = 1;
    f.weight_positions = &at;
    ASSERT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &weighted), 0);
    const std::vector<double> peak{0.5, 1.0, 0.0};
    auto near_peak = [&](tag c) { return farthest(c, peak); };
    EXPECT_LT(near_peak(weighted), near_peak(plain) / 2);
}

// The end slope alone is the end slope given, not the start slope.
TEST_F(FittedSplineTest, EndSlopeOnlyUsesTheEndSlope) {
    auto pts = samples(15, [](double x) { return 0.1 * x * x; });
    double slopes[6] = {0, 1, 0, 1, 1, 0};
    fit_data f = record(pts, 3);
    f.slopes = slopes;
    f.slope_type = 2;
    f.segments = 3;
    double err = 0;
    int index = 0;
    tag curve = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 0);
    auto c = host::curves::curve_of(curve);
    ASSERT_TRUE(c.has_value());
    const auto l = curve_limits(curve);
    double p[3], d[3];
    hostnum::curve_evaluate(c->record(), 1, l[1], p, d);
    EXPECT_NEAR(d[0], d[1], 1e-9 * std::fabs(d[0]));
    EXPECT_GT(d[0], 0);  // not the start triple (0, 1, 0)
}

TEST_F(FittedSplineTest, RecordChecksInTheOrderOfTheirCodes) {
    auto pts = samples(4, [](double x) { return x; });
    double slopes[6] = {1, 0, 0, 1, 0, 0};
    double weights[5] = {1, 1, 1, 1, 1};
    int bad_at[1] = {0};
    struct Case {
        const char* what;
        int degree, slope_type, weight_count;
        int* positions;
        int code;
    } cases[] = {
        {"degree 0", 0, 0, 0, nullptr, 875107},
        {"degree 25", 25, 0, 0, nullptr, 875107},
        {"degree 1 with a start slope", 1, 1, 0, nullptr, 875107},
        {"order above the points", 4, 0, 0, nullptr, 875109},
        {"order within points and slopes", 4, 3, 0, nullptr, 0},
        {"more weights than points", 3, 0, 5, nullptr, 875110},
        {"weights without positions", 3, 0, 1, nullptr, 875111},
        {"weight position 0", 3, 0, 1, bad_at, 875111},
    };
    for (const Case& c : cases) {
        fit_data f = record(pts, c.degree);
        f.slopes = slopes;
        f.slope_type = c.slope_type;
        f.weights = weights;
        f.weight_count = c.weight_count;
        f.weight_positions = c.positions;
        double err = 0;
        int index = 0;
        tag curve = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), c.code) << c.what;
    }
    fit_data f = record(pts, 3);
    f.slope_type = 1;  // no slopes given
    double err = 0;
    int index = 0;
    tag curve = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 1105004);
}

TEST_F(FittedSplineTest, HostOrderCodesBecomeTheOrderCodeAndTheMemoryIsReleased) {
    auto pts = samples(6, [](double x) { return x * x; });
    fit_data f = record(pts, 3);
    double err = 0;
    int index = 0;
    tag curve = NULL_TAG;
    const std::size_t blocks = host::control::live_blocks();
    for (int code : {1005202, 1005203}) {
        host::control::raise_on("BC_create_fitted", code);
        EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 875107);
    }
    host::control::raise_on("BC_create_fitted", 670004);
    EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &err, &index, &curve), 670004);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
