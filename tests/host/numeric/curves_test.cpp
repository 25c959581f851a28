// Curve mathematics: evaluation against closed forms and finite
// differences, frames, closest points, arc lengths, limits and periodicity,
// degenerate data, and the record's storage.
#include "host/numeric/curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using hostnum::Curve;
using hostnum::CurveError;

constexpr double kPi = std::numbers::pi;

struct P3 {
    double x, y, z;
};

P3 at(const curve_struct& c, double t, int k = 0) {
    double p[3], d[3 * 3];
    EXPECT_EQ(hostnum::curve_evaluate(c, 3, t, p, d), CurveError::ok);
    if (k == 0) return {p[0], p[1], p[2]};
    return {d[3 * (k - 1)], d[3 * (k - 1) + 1], d[3 * (k - 1) + 2]};
}

double dist(P3 a, P3 b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }
double len(P3 a) { return std::hypot(a.x, a.y, a.z); }

const double kO[3] = {1, -2, 0.5};
const double kX[3] = {0, 1, 0};
const double kY[3] = {0, 0, 1};

// A rational quadratic quarter of the unit circle about the origin, as a
// spline with weights 1, sqrt(1/2), 1.
Curve quarter_circle() {
    const double w = std::sqrt(0.5);
    const double poles[] = {1, 0, 0, 1, 1, 1, 0, w, 0, 1, 0, 1};
    const double knots[] = {0, 0, 0, 1, 1, 1};
    return *Curve::spline(3, 3, poles, knots, Curve::PoleForm::cartesian);
}

// The whole unit circle: nine rational quadratic poles, closed, periodic.
Curve full_circle() {
    const double w = std::sqrt(0.5);
    const double poles[] = {1, 0, 0,  1,  1, 1, 0, w,  0, 1, 0, 1,  -1, 1, 0, w, -1, 0,
                            0, 1, -1, -1, 0, w, 0, -1, 0, 1, 1, -1, 0,  w, 1, 0, 0,  1};
    const double knots[] = {0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4};
    return *Curve::spline(9, 3, poles, knots, Curve::PoleForm::cartesian, true);
}

// A cubic rational spline with uneven knots and a double interior knot.
Curve wavy_spline() {
    const double poles[] = {0, 0, 0, 1, 1, 2, 0, 2, 2, -1, 1, 0.5, 3, 0, 2, 1, 4, 3, 0, 3, 5, 1, -1, 1, 6, 0, 0, 1};
    const double knots[] = {0, 0, 0, 0, 0.3, 1.1, 1.1, 2, 2, 2, 2};
    return *Curve::spline(7, 4, poles, knots, Curve::PoleForm::cartesian);
}

struct Named {
    std::string name;
    Curve curve;
};

std::vector<Named> all_kinds() {
    const double a[3] = {1, 2, 3}, b[3] = {4, -2, 7};
    std::vector<Named> v;
    v.push_back({"line", *Curve::line(a, b)});
    v.push_back({"arc", *Curve::arc(kO, kX, kY, 2.5, -0.5, 2.0)});
    v.push_back({"ellipse", *Curve::ellipse(kO, kX, kY, 3.0, 1.2, 0.2, 5.0)});
    v.push_back({"parabola", *Curve::parabola(kO, kX, kY, 0.7, -2.0, 3.0)});
    v.push_back({"hyperbola", *Curve::hyperbola(kO, kX, kY, 1.5, 0.8, -1.2, 1.7)});
    v.push_back({"quarter circle spline", quarter_circle()});
    v.push_back({"wavy spline", wavy_spline()});
    v.push_back({"periodic circle spline", full_circle()});
    return v;
}

// ---- evaluation ----

TEST(CurveEval, DerivativesMatchFiniteDifferences) {
    for (const auto& [name, curve] : all_kinds()) {
        SCOPED_TRACE(name);
        const auto& c = curve.record();
        double lim[2];
        hostnum::curve_limits(c, lim);
        const double h = 1e-5 * (lim[1] - lim[0]);
        for (int i = 1; i < 10; ++i) {
            // Keep away from knots: the wavy spline is only C0 at 1.1.
            const double t = lim[0] + (lim[1] - lim[0]) * (i + 0.37) / 10.5;
            for (int k = 1; k <= 3; ++k) {
                const P3 lo = at(c, t - h, k - 1), hi = at(c, t + h, k - 1), d = at(c, t, k);
                const P3 fd = {(hi.x - lo.x) / (2 * h), (hi.y - lo.y) / (2 * h), (hi.z - lo.z) / (2 * h)};
                EXPECT_LE(dist(fd, d), 1e-5 * (1 + len(d))) << "derivative " << k << " at " << t;
            }
        }
    }
}

TEST(CurveEval, PointsSatisfyTheirClosedForms) {
    // Local coordinates of a point in the plane of kO, kX, kY.
    auto local = [](P3 p) { return std::pair{p.y - kO[1], p.z - kO[2]}; };
    const auto arc = *Curve::arc(kO, kX, kY, 2.5, -0.5, 2.0);
    const auto ell = *Curve::ellipse(kO, kX, kY, 3.0, 1.2, 0.0, 2 * kPi);
    const auto par = *Curve::parabola(kO, kX, kY, 0.7, -2.0, 3.0);
    const auto hyp = *Curve::hyperbola(kO, kX, kY, 1.5, 0.8, -1.2, 1.7);
    for (double t : {-0.4, 0.0, 0.3, 1.0, 1.6}) {
        auto [x, y] = local(at(arc.record(), t));
        EXPECT_NEAR(x, 2.5 * std::cos(t), 1e-14);
        EXPECT_NEAR(y, 2.5 * std::sin(t), 1e-14);
        std::tie(x, y) = local(at(ell.record(), t));
        EXPECT_NEAR(x * x / 9 + y * y / 1.44, 1.0, 1e-14);
        std::tie(x, y) = local(at(par.record(), t));
        EXPECT_NEAR(y * y, 4 * 0.7 * x, 1e-14);
        EXPECT_NEAR(y, t, 1e-14);
        std::tie(x, y) = local(at(hyp.record(), t));
        EXPECT_NEAR(x * x / 2.25 - y * y / 0.64, 1.0, 1e-12);
        EXPECT_GT(x, 0);
        EXPECT_EQ(at(arc.record(), t).x, kO[0]);  // all in the plane
    }
    // The rational splines are exact circles.
    for (const Curve& c : {quarter_circle(), full_circle()}) {
        double lim[2];
        hostnum::curve_limits(c.record(), lim);
        for (int i = 0; i <= 40; ++i) {
            const P3 p = at(c.record(), lim[0] + (lim[1] - lim[0]) * i / 40);
            EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-14);
        }
    }
    const P3 mid = at(quarter_circle().record(), 0.5);
    EXPECT_NEAR(mid.x, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(mid.y, std::sqrt(0.5), 1e-15);
}

TEST(CurveEval, HigherDerivativesVanishWhereTheyShould) {
    const double a[3] = {0, 0, 0}, b[3] = {3, 4, 0};
    const auto line = *Curve::line(a, b);
    EXPECT_EQ(len(at(line.record(), 2.0, 1)), 1.0);  // unit speed: the parameter is the distance
    EXPECT_EQ(len(at(line.record(), 2.0, 2)), 0.0);
    const auto par = *Curve::parabola(kO, kX, kY, 0.5, -1, 1);
    EXPECT_EQ(len(at(par.record(), 0.3, 3)), 0.0);
    // A polynomial cubic spline (all weights 1): the fourth derivative is 0
    // and the third is constant within a span.
    const double poles[] = {0, 0, 0, 1, 1, 3, 0, 1, 2, -1, 0, 1, 4, 2, 1, 1, 5, 0, 0, 1};
    const double knots[] = {0, 0, 0, 0, 0.5, 1, 1, 1, 1};
    const auto s = *Curve::spline(5, 4, poles, knots);
    double p[3], d[12];
    ASSERT_EQ(hostnum::curve_evaluate(s.record(), 4, 0.7, p, d), CurveError::ok);
    EXPECT_EQ(std::hypot(d[9], d[10], d[11]), 0.0);
    EXPECT_NEAR(dist(at(s.record(), 0.6, 3), at(s.record(), 0.9, 3)), 0.0, 1e-10);
}

TEST(CurveEval, ArgumentsAreChecked) {
    const auto arc = *Curve::arc(kO, kX, kY, 1, 0, 1);
    double p[3] = {7, 7, 7}, d[3];
    EXPECT_EQ(hostnum::curve_evaluate(arc.record(), 0, 0.5, p, nullptr), CurveError::ok);
    EXPECT_EQ(hostnum::curve_evaluate(arc.record(), 1, 0.5, p, nullptr), CurveError::bad_argument);
    EXPECT_EQ(hostnum::curve_evaluate(arc.record(), -1, 0.5, p, d), CurveError::bad_argument);
    EXPECT_EQ(hostnum::curve_evaluate(arc.record(), hostnum::kMaxDerivatives + 1, 0.5, p, d), CurveError::bad_argument);
    EXPECT_EQ(hostnum::curve_evaluate(arc.record(), 1, 0.5, nullptr, d), CurveError::bad_argument);
    curve_struct bogus = arc.record();
    bogus.type = 7;
    EXPECT_EQ(hostnum::curve_evaluate(bogus, 1, 0.5, p, d), CurveError::bad_type);
    EXPECT_EQ(hostnum::curve_check(bogus), CurveError::bad_type);
    bogus.data = nullptr;
    EXPECT_EQ(hostnum::curve_check(bogus), CurveError::bad_argument);
}

// ---- limits and periodicity ----

TEST(CurveLimits, RangesAndPeriodicity) {
    struct Case {
        const char* what;
        std::optional<Curve> curve;
        double lo, hi;
        bool periodic;
    } cases[] = {
        {"arc", Curve::arc(kO, kX, kY, 1, 0.5, 2), 0.5, 2, false},
        {"circle", Curve::arc(kO, kX, kY, 1, -kPi, kPi), -kPi, kPi, true},
        {"almost a full turn is closed", Curve::arc(kO, kX, kY, 1, 0, 2 * kPi - 5e-11), 0, 2 * kPi, true},
        {"ellipse", Curve::ellipse(kO, kX, kY, 2, 1, 0, 2 * kPi), 0, 2 * kPi, true},
        {"parabola", Curve::parabola(kO, kX, kY, 1, -3, 2), -3, 2, false},
        {"hyperbola", Curve::hyperbola(kO, kX, kY, 1, 1, -1, 0.5), -1, 0.5, false},
        {"line", Curve::line(kO, kX), 0, std::hypot(1, 3, 0.5), false},
        {"periodic spline", full_circle(), 0, 4, true},
        {"open spline", wavy_spline(), 0, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.curve.has_value());
        double lim[2];
        hostnum::curve_limits(c.curve->record(), lim);
        EXPECT_NEAR(lim[0], c.lo, 1e-15);
        EXPECT_NEAR(lim[1], c.hi, 1e-14);
        EXPECT_EQ(hostnum::curve_is_periodic(c.curve->record()), c.periodic);
        if (c.periodic) {
            // The curve repeats beyond its range, derivatives included.
            const double period = c.hi - c.lo;
            for (double t : {c.lo + 0.3 * period, c.lo + 0.9 * period})
                for (int k = 0; k <= 2; ++k) {
                    EXPECT_LT(dist(at(c.curve->record(), t, k), at(c.curve->record(), t + 2 * period, k)), 1e-12);
                    EXPECT_LT(dist(at(c.curve->record(), t, k), at(c.curve->record(), t - period, k)), 1e-12);
                }
        }
    }
    // A negative span: the range runs from start + span to start.
    auto line = *Curve::line(kO, kX);
    line.record().start = 5;
    line.record().span = -2;
    double lim[2];
    hostnum::curve_limits(line.record(), lim);
    EXPECT_EQ(lim[0], 3);
    EXPECT_EQ(lim[1], 5);
}

// ---- degenerate data ----

TEST(CurveBuild, DegenerateDataMakeNoCurve) {
    const double zero[3] = {0, 0, 0}, x[3] = {1, 0, 0}, two_x[3] = {2, 0, 0};
    EXPECT_FALSE(Curve::line(kO, kO));
    EXPECT_FALSE(Curve::arc(kO, kX, kY, 0, 0, 1));
    EXPECT_FALSE(Curve::arc(kO, kX, kY, -1, 0, 1));
    EXPECT_FALSE(Curve::arc(kO, x, two_x, 1, 0, 1));  // parallel axes
    EXPECT_FALSE(Curve::arc(kO, zero, kY, 1, 0, 1));
    EXPECT_FALSE(Curve::arc(kO, kX, kY, 1, 1, 1));  // empty sweep
    EXPECT_FALSE(Curve::arc(kO, kX, kY, 1, 2, 1));  // reversed
    EXPECT_FALSE(Curve::arc(kO, kX, kY, 1, 0, 2 * kPi + 1e-9));
    EXPECT_FALSE(Curve::arc(kO, kX, kY, NAN, 0, 1));
    EXPECT_FALSE(Curve::ellipse(kO, kX, kY, 1, 0, 0, 1));
    EXPECT_FALSE(Curve::parabola(kO, kX, kY, 0, 0, 1));
    EXPECT_FALSE(Curve::hyperbola(kO, kX, kY, 1, -1, 0, 1));
    EXPECT_FALSE(Curve::hyperbola(kO, kX, kY, 1, 1, 1, 0));

    const double poles[] = {0, 0, 0, 1, 1, 1, 0, 1, 2, 0, 0, 1};
    struct Case {
        const char* what;
        int n, order;
        std::vector<double> knots;
        double weight;
    } bad[] = {
        {"decreasing knots", 3, 3, {0, 0, 0, 1, 0.5, 1}, 1},
        {"empty range", 3, 3, {0, 0, 0, 0, 1, 1}, 1},
        {"knot repeated beyond the order", 3, 2, {0, 0, 0, 1, 1}, 1},
        {"order above the pole count", 3, 4, {0, 0, 0, 0, 1, 1, 1}, 1},
        {"order 1", 3, 1, {0, 1, 2, 3}, 1},
        {"zero weight", 3, 3, {0, 0, 0, 1, 1, 1}, 0},
        {"negative weight", 3, 3, {0, 0, 0, 1, 1, 1}, -1},
        {"infinite knot", 3, 3, {0, 0, 0, INFINITY, INFINITY, INFINITY}, 1},
    };
    for (const auto& c : bad) {
        std::vector<double> p(poles, poles + 12);
        p[7] = c.weight;
        EXPECT_FALSE(Curve::spline(c.n, c.order, p.data(), c.knots.data())) << c.what;
    }
    // Periodic only when closed.
    const double knots[] = {0, 0, 0, 1, 1, 1};
    EXPECT_FALSE(Curve::spline(3, 3, poles, knots, Curve::PoleForm::weighted, true));
    EXPECT_TRUE(Curve::spline(3, 3, poles, knots, Curve::PoleForm::weighted, false));

    // A record spoiled after creation is found out by the check.
    auto arc = *Curve::arc(kO, kX, kY, 1, 0, 1);
    static_cast<curve_arc_data*>(arc.record().data)->radius = 0;
    EXPECT_EQ(hostnum::curve_check(arc.record()), CurveError::degenerate);
    double t, p[3], l;
    EXPECT_EQ(hostnum::curve_closest_point(arc.record(), kO, &t, p), CurveError::degenerate);
    EXPECT_EQ(hostnum::curve_arc_length(arc.record(), 0, 1, &l), CurveError::degenerate);
}

TEST(CurveBuild, AxesAreMadeUnitAndPerpendicular) {
    const double x[3] = {2, 0, 0}, y[3] = {1, 3, 0};
    const auto arc = *Curve::arc(kO, x, y, 2, 0, 1);
    const auto& d = *static_cast<const curve_arc_data*>(arc.record().data);
    EXPECT_EQ(arc.record().type, CURVE_ARC);
    EXPECT_DOUBLE_EQ(d.x_axis[0], 1);
    EXPECT_NEAR(d.y_axis[0], 0, 1e-15);
    EXPECT_NEAR(d.y_axis[1], 1, 1e-15);
    EXPECT_EQ(d.start_angle, 0);
    EXPECT_EQ(d.end_angle, 1);
    EXPECT_EQ(d.radius, 2);
    EXPECT_EQ(hostnum::curve_check(arc.record()), CurveError::ok);
}

TEST(CurveBuild, HyperbolaDataHoldOrdinatesRatioAndSquaredAxis) {
    const auto h = *Curve::hyperbola(kO, kX, kY, 1.5, 0.8, -1.2, 1.7);
    const auto& d = *static_cast<const curve_conic_data*>(h.record().data);
    EXPECT_EQ(d.subtype, CONIC_HYPERBOLA);
    EXPECT_EQ(hostnum::evaluator_type(h.record()), EVAL_HYPERBOLA);
    EXPECT_NEAR(d.c[0], 0.8 * std::sinh(-1.2), 1e-15);
    EXPECT_NEAR(d.c[1], 0.8 * std::sinh(1.7), 1e-15);
    EXPECT_NEAR(d.c[2], 1.5 / 0.8, 1e-15);
    EXPECT_NEAR(d.c[3], 0.64, 1e-15);
    // The ordinates are those of the end points.
    EXPECT_NEAR(at(h.record(), -1.2).z - kO[2], d.c[0], 1e-14);
    EXPECT_NEAR(at(h.record(), 1.7).z - kO[2], d.c[1], 1e-14);
}

// ---- frames ----

TEST(CurveFrame, TangentNormalBinormal) {
    double p[3], t[3], n[3], b[3];
    const auto arc = *Curve::arc(kO, kX, kY, 2, 0, 3);
    ASSERT_EQ(hostnum::curve_unit_vectors(arc.record(), kPi / 2, p, t, n, b), CurveError::ok);
    // At the top of the circle: moving along -X, normal towards the center, binormal the axis.
    EXPECT_NEAR(t[1], -1, 1e-15);
    EXPECT_NEAR(n[2], -1, 1e-15);
    EXPECT_NEAR(b[0], 1, 1e-15);

    const auto line = *Curve::line(kO, kX);
    ASSERT_EQ(hostnum::curve_unit_vectors(line.record(), 0.5, p, t, n, b), CurveError::ok);
    const P3 T{t[0], t[1], t[2]}, N{n[0], n[1], n[2]}, B{b[0], b[1], b[2]};
    EXPECT_NEAR(len(T), 1, 1e-15);
    EXPECT_NEAR(len(N), 1, 1e-15);
    EXPECT_NEAR(len(B), 1, 1e-15);
    EXPECT_NEAR(T.x * N.x + T.y * N.y + T.z * N.z, 0, 1e-15);
    EXPECT_NEAR(T.x * B.x + T.y * B.y + T.z * B.z, 0, 1e-15);

    for (const auto& [name, curve] : all_kinds()) {
        SCOPED_TRACE(name);
        double lim[2];
        hostnum::curve_limits(curve.record(), lim);
        const double u = 0.5 * (lim[0] + lim[1]) + 0.01;
        ASSERT_EQ(hostnum::curve_unit_vectors(curve.record(), u, p, t, n, b), CurveError::ok);
        // Right-handed orthonormal frame with the tangent along C'.
        const P3 d1 = at(curve.record(), u, 1);
        EXPECT_NEAR((d1.x * t[0] + d1.y * t[1] + d1.z * t[2]) / len(d1), 1, 1e-12);
        EXPECT_NEAR(t[1] * n[2] - t[2] * n[1], b[0], 1e-12);
        EXPECT_NEAR(t[2] * n[0] - t[0] * n[2], b[1], 1e-12);
        EXPECT_NEAR(t[0] * n[1] - t[1] * n[0], b[2], 1e-12);
    }
    // A point (or a spline with a cusp) has no tangent.
    const auto pt = *Curve::point(kO);
    EXPECT_EQ(hostnum::curve_unit_vectors(pt.record(), 0, p, t, n, b), CurveError::no_frame);
}

// ---- closest point ----

TEST(CurveClosest, FootOfAPointOffTheCurve) {
    for (const auto& [name, curve] : all_kinds()) {
        SCOPED_TRACE(name);
        const auto& c = curve.record();
        double lim[2];
        hostnum::curve_limits(c, lim);
        for (double f : {0.13, 0.5, 0.81}) {
            const double u = lim[0] + f * (lim[1] - lim[0]);
            double p[3], t[3], n[3], b[3];
            ASSERT_EQ(hostnum::curve_unit_vectors(c, u, p, t, n, b), CurveError::ok);
            // Off the curve along its normal and binormal, well within the radius of curvature.
            const double off[3] = {p[0] + 0.05 * n[0] + 0.3 * b[0], p[1] + 0.05 * n[1] + 0.3 * b[1],
                                   p[2] + 0.05 * n[2] + 0.3 * b[2]};
            double got_t, got[3];
            ASSERT_EQ(hostnum::curve_closest_point(c, off, &got_t, got), CurveError::ok);
            EXPECT_NEAR(got_t, u, 1e-7 * (lim[1] - lim[0])) << "at fraction " << f;
            EXPECT_NEAR(dist({got[0], got[1], got[2]}, {p[0], p[1], p[2]}), 0, 1e-7);
        }
    }
}

TEST(CurveClosest, EndsAxisAndWrap) {
    double t, p[3];
    // Beyond the end of a line: its end.
    const double a[3] = {0, 0, 0}, b[3] = {10, 0, 0}, far[3] = {15, 3, 0}, before[3] = {-4, 1, 1};
    const auto line = *Curve::line(a, b);
    hostnum::curve_closest_point(line.record(), far, &t, p);
    EXPECT_EQ(t, 10);
    hostnum::curve_closest_point(line.record(), before, &t, p);
    EXPECT_EQ(t, 0);

    // An arc of the upper half: a point below it goes to the nearer end.
    const double c[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    const auto half = *Curve::arc(c, x, y, 1, 0, kPi);
    const double below_right[3] = {0.5, -2, 0}, below_left[3] = {-0.2, -2, 0}, on_axis[3] = {0, 0, 5};
    hostnum::curve_closest_point(half.record(), below_right, &t, p);
    EXPECT_EQ(t, 0);
    hostnum::curve_closest_point(half.record(), below_left, &t, p);
    EXPECT_EQ(t, kPi);
    hostnum::curve_closest_point(half.record(), on_axis, &t, p);
    EXPECT_EQ(t, 0);  // every point is as near: the start

    // A circle starting at -pi answers within its range.
    const auto circle = *Curve::arc(c, x, y, 1, -kPi, kPi);
    const double q[3] = {0, -3, 0};
    hostnum::curve_closest_point(circle.record(), q, &t, p);
    EXPECT_NEAR(t, -kPi / 2, 1e-15);

    // The periodic spline across its seam.
    const auto sp = full_circle();
    const double near_seam[3] = {2, -0.001, 0};
    hostnum::curve_closest_point(sp.record(), near_seam, &t, p);
    EXPECT_GT(t, 3.9);
    EXPECT_LE(t, 4.0);
    EXPECT_NEAR(std::atan2(p[1], p[0]), std::atan2(-0.001, 2), 1e-9);

    // Beyond the open end of a parabola.
    const auto par = *Curve::parabola(c, x, y, 1, -1, 1);
    const double out[3] = {0, 5, 0};
    hostnum::curve_closest_point(par.record(), out, &t, p);
    EXPECT_EQ(t, 1);
}

// ---- arc length ----

TEST(CurveLength, ClosedForms) {
    double l;
    const double a[3] = {1, 1, 1}, b[3] = {4, 5, 1};
    const auto line = *Curve::line(a, b);
    ASSERT_EQ(hostnum::curve_arc_length(line.record(), 0, 5, &l), CurveError::ok);
    EXPECT_DOUBLE_EQ(l, 5);
    const auto arc = *Curve::arc(kO, kX, kY, 3, 0, 2);
    hostnum::curve_arc_length(arc.record(), 2, 0.5, &l);  // either order
    EXPECT_DOUBLE_EQ(l, 4.5);

    const double k = 0.7;
    const auto par = *Curve::parabola(kO, kX, kY, k, -2, 3);
    auto closed = [&](double t) {
        const double u = t / (2 * k);
        return k * (u * std::sqrt(1 + u * u) + std::asinh(u));
    };
    hostnum::curve_arc_length(par.record(), -2, 3, &l);
    EXPECT_NEAR(l, closed(3) - closed(-2), 1e-10 * l);

    const auto circle = *Curve::ellipse(kO, kX, kY, 2, 2, 0, 2 * kPi);
    hostnum::curve_arc_length(circle.record(), 0, 2 * kPi, &l);
    EXPECT_NEAR(l, 4 * kPi, 1e-11);
    const auto ell = *Curve::ellipse(kO, kX, kY, 2, 1, 0, 2 * kPi);
    hostnum::curve_arc_length(ell.record(), 0, 2 * kPi, &l);
    EXPECT_NEAR(l, 9.688448220547675, 1e-10);  // 8 E(sqrt(3)/2)

    hostnum::curve_arc_length(quarter_circle().record(), 0, 1, &l);
    EXPECT_NEAR(l, kPi / 2, 1e-11);
    // Over two turns of the periodic spline: four pi.
    hostnum::curve_arc_length(full_circle().record(), 0.5, 8.5, &l);
    EXPECT_NEAR(l, 4 * kPi, 1e-10);
}

TEST(CurveLength, AgreesWithAFinePolyline) {
    for (const auto& [name, curve] : all_kinds()) {
        SCOPED_TRACE(name);
        double lim[2], l;
        hostnum::curve_limits(curve.record(), lim);
        ASSERT_EQ(hostnum::curve_arc_length(curve.record(), lim[0], lim[1], &l), CurveError::ok);
        double poly = 0;
        const int steps = 20000;
        P3 prev = at(curve.record(), lim[0]);
        for (int i = 1; i <= steps; ++i) {
            const P3 p = at(curve.record(), lim[0] + (lim[1] - lim[0]) * i / steps);
            poly += dist(prev, p);
            prev = p;
        }
        EXPECT_GE(l, poly * (1 - 1e-12));  // a chord is never longer than its arc
        EXPECT_NEAR(l, poly, 1e-6 * l);
    }
}

// ---- splines with a knot held `order` times ----

// A quadratic that breaks at t = 1: the straight stretch 2t along X on
// [0, 1), then a rational quarter of the unit circle about (5, 0, 0) from
// (6, 0, 0) to (5, 1, 0) on [1, 2].
Curve broken_spline() {
    const double w = std::sqrt(0.5);
    const double poles[] = {0, 0, 0, 1, 1, 0, 0, 1, 2, 0, 0, 1, 6, 0, 0, 1, 6, 1, 0, w, 5, 1, 0, 1};
    const double knots[] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    return *Curve::spline(6, 3, poles, knots, Curve::PoleForm::cartesian);
}

// The quarter of the unit circle with a pole and a knot beyond either end
// of its range: the end knots are held three times inside the knot vector.
Curve unclamped_quarter(bool at_start) {
    const double w = std::sqrt(0.5);
    const double start[] = {9, 9, 9, 1, 1, 0, 0, 1, 1, 1, 0, w, 0, 1, 0, 1};
    const double end[] = {1, 0, 0, 1, 1, 1, 0, w, 0, 1, 0, 1, 9, 9, 9, 1};
    const double start_knots[] = {-1, 0, 0, 0, 1, 1, 1}, end_knots[] = {0, 0, 0, 1, 1, 1, 2};
    return *Curve::spline(4, 3, at_start ? start : end, at_start ? start_knots : end_knots, Curve::PoleForm::cartesian);
}

TEST(CurveBreak, EvaluationTakesTheStretchThatHoldsTheParameter) {
    const auto c = broken_spline();
    const double r = std::sqrt(0.5);
    struct Case {
        double t;
        P3 point, tangent;
    } cases[] = {
        {0, {0, 0, 0}, {2, 0, 0}},
        {0.5, {1, 0, 0}, {2, 0, 0}},
        {0.999, {1.998, 0, 0}, {2, 0, 0}},
        {1, {6, 0, 0}, {0, std::sqrt(2.0), 0}},  // the break: the stretch after it
        {1.5, {5 + r, r, 0}, {-1, 1, 0}},        // direction only (checked below)
        {2, {5, 1, 0}, {-std::sqrt(2.0), 0, 0}},
        {-1, {-2, 0, 0}, {2, 0, 0}},  // the first stretch continues before the start
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.t);
        EXPECT_NEAR(dist(at(c.record(), k.t), k.point), 0, 1e-12);
        const P3 d = at(c.record(), k.t, 1);
        if (k.t == 1.5) {
            EXPECT_NEAR(d.x + d.y, 0, 1e-12);  // at 45 degrees the tangent runs along (-1, 1)
            EXPECT_LT(d.x, 0);
        } else {
            EXPECT_NEAR(dist(d, k.tangent), 0, 1e-12);
        }
    }
    // A quarter circle whose end knots are held three times inside its knot
    // vector is the circle on its range.
    for (bool at_start : {true, false}) {
        const auto q = unclamped_quarter(at_start);
        for (double t : {0.0, 0.3, 0.5, 1.0}) {
            const P3 p = at(q.record(), t);
            EXPECT_NEAR(std::hypot(p.x, p.y), 1, 1e-14) << t;
            EXPECT_EQ(p.z, 0) << t;
        }
        EXPECT_NEAR(dist(at(q.record(), 0.5), {std::sqrt(0.5), std::sqrt(0.5), 0}), 0, 1e-14);
    }
}

TEST(CurveBreak, ClosestPointsAndLengthsFollowTheStretches) {
    const auto c = broken_spline();
    double t, p[3];
    struct Case {
        P3 ref, point;
        double lo, hi;  // where the parameter lies
    } cases[] = {
        {{1, 0.5, 0}, {1, 0, 0}, 0.5, 0.5},
        {{0.3, -2, 0}, {0.3, 0, 0}, 0.15, 0.15},
        {{5 + 2 * std::cos(kPi / 6), 2 * std::sin(kPi / 6), 0}, {5 + std::cos(kPi / 6), std::sin(kPi / 6), 0}, 1, 2},
        {{8, -1, 0}, {6, 0, 0}, 1, 1},
        // Nearest to the end of the straight stretch, which the curve
        // reaches at the break.
        {{2.5, 0.1, 0}, {2, 0, 0}, 1, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.ref.x);
        const double ref[3] = {k.ref.x, k.ref.y, k.ref.z};
        ASSERT_EQ(hostnum::curve_closest_point(c.record(), ref, &t, p), CurveError::ok);
        EXPECT_NEAR(dist({p[0], p[1], p[2]}, k.point), 0, 1e-9);
        EXPECT_GE(t, k.lo - 1e-9);
        EXPECT_LE(t, k.hi + 1e-9);
    }

    double l;
    ASSERT_EQ(hostnum::curve_arc_length(c.record(), 0, 2, &l), CurveError::ok);
    EXPECT_NEAR(l, 2 + kPi / 2, 1e-11);
    ASSERT_EQ(hostnum::curve_arc_length(c.record(), 1.5, 0.5, &l), CurveError::ok);
    EXPECT_NEAR(l, 1 + kPi / 4, 1e-11);

    for (bool at_start : {true, false}) {
        const auto q = unclamped_quarter(at_start);
        ASSERT_EQ(hostnum::curve_arc_length(q.record(), 0, 1, &l), CurveError::ok);
        EXPECT_NEAR(l, kPi / 2, 1e-11);
        const double ref[3] = {2 * std::cos(0.4), 2 * std::sin(0.4), 0};
        ASSERT_EQ(hostnum::curve_closest_point(q.record(), ref, &t, p), CurveError::ok);
        EXPECT_NEAR(dist({p[0], p[1], p[2]}, {std::cos(0.4), std::sin(0.4), 0}), 0, 1e-9);
    }
}

// ---- storage, transforms, equivalence ----

TEST(CurveRecord, CopiesOwnTheirDataAndMovesKeepThem) {
    std::optional<Curve> copy;
    const curve_struct* moved_head = nullptr;
    {
        Curve original = wavy_spline();
        copy = original;  // deep copy
        Curve moved = std::move(original);
        moved_head = &moved.record();
        EXPECT_TRUE(hostnum::curve_is_equivalent(moved.record(), copy->record(), 0.0));
        Curve again = std::move(moved);
        EXPECT_EQ(&again.record(), moved_head);  // the record did not move
    }
    // The originals are gone; the copy still evaluates on its own poles.
    const auto& d = *static_cast<const curve_spline_data*>(copy->record().data);
    EXPECT_EQ(d.n_poles, 7);
    EXPECT_EQ(d.order, 4);
    EXPECT_EQ(d.knots[4], 0.3);
    EXPECT_EQ(d.poles[4 * 1 + 3], 2);      // weights kept
    EXPECT_EQ(d.poles[4 * 1 + 1], 2 * 2);  // coordinates stored weighted
    const P3 p = at(copy->record(), 0.7);
    EXPECT_TRUE(std::isfinite(p.x));
}

// A record owned by a Curve keeps the kernel's curves between queries, and
// its queries follow any change of the record: of its head, of its data
// through the writable record, and in a moved copy.
TEST(CurveRecord, KernelCurvesAreKeptUntilTheRecordChanges) {
    const double a[3] = {0, 0, 0}, b[3] = {10, 0, 0};
    auto line = *Curve::line(a, b);
    const Curve& kept = line;
    const auto first = hostnum::kernel_curve_of(kept.record());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(hostnum::kernel_curve_of(kept.record()), first);
    EXPECT_NEAR(dist(at(kept.record(), 4), {4, 0, 0}), 0, 1e-15);

    curve_struct& head = line.record();
    auto& d = *static_cast<curve_line_data*>(head.data);
    d.direction[0] = 0;
    d.direction[1] = 1;
    EXPECT_NEAR(dist(at(kept.record(), 4), {0, 4, 0}), 0, 1e-15);
    double t, p[3];
    const double off[3] = {3, 7, 0};
    ASSERT_EQ(hostnum::curve_closest_point(kept.record(), off, &t, p), CurveError::ok);
    EXPECT_NEAR(t, 7, 1e-12);

    // The head changed through the reference taken before the queries.
    head.start = 2;
    head.span = 3;
    ASSERT_EQ(hostnum::curve_closest_point(kept.record(), off, &t, p), CurveError::ok);
    EXPECT_NEAR(t, 5, 1e-12);

    const Curve copy = kept;
    EXPECT_NEAR(dist(at(copy.record(), 4), {0, 4, 0}), 0, 1e-15);
    const double R[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, move[3] = {0, 0, 1};
    EXPECT_NEAR(dist(at(copy.transformed(R, move).record(), 4), {0, 4, 1}), 0, 1e-15);
}

TEST(CurveRecord, TransformedCurvesMoveRigidly) {
    // A quarter turn about Z, then a shift.
    const double rot[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, shift[3] = {10, 20, 30};
    auto move = [&](P3 p) { return P3{-p.y + 10, p.x + 20, p.z + 30}; };
    for (const auto& [name, curve] : all_kinds()) {
        SCOPED_TRACE(name);
        const Curve moved = curve.transformed(rot, shift);
        EXPECT_EQ(hostnum::curve_check(moved.record()), CurveError::ok);
        double lim[2];
        hostnum::curve_limits(curve.record(), lim);
        for (double f : {0.0, 0.4, 1.0}) {
            const double t = lim[0] + f * (lim[1] - lim[0]);
            EXPECT_LT(dist(at(moved.record(), t), move(at(curve.record(), t))), 1e-12);
        }
        EXPECT_FALSE(hostnum::curve_is_equivalent(curve.record(), moved.record(), 1e-6));
        const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, none[3] = {0, 0, 0};
        EXPECT_TRUE(hostnum::curve_is_equivalent(curve.record(), curve.transformed(id, none).record(), 1e-12));
    }
}

TEST(CurveRecord, EquivalenceNeedsTheSameKindAndRange) {
    const double c[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    const auto circle = *Curve::arc(c, x, y, 1, 0, 2 * kPi);
    const auto ell = *Curve::ellipse(c, x, y, 1, 1, 0, 2 * kPi);
    const auto shorter = *Curve::arc(c, x, y, 1, 0, kPi);
    EXPECT_FALSE(hostnum::curve_is_equivalent(circle.record(), ell.record(), 1e-9));
    EXPECT_FALSE(hostnum::curve_is_equivalent(circle.record(), shorter.record(), 1e-9));
    EXPECT_TRUE(hostnum::curve_is_equivalent(circle.record(), Curve(circle).record(), 0));
}

}  // namespace
