// Rational B-splines: knot spans, basis functions and their derivatives
// (as the kernel evaluates the host's splines) against the textbook
// recursion, validity of knot vectors.
#include "host/numeric/nurbs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "host/numeric/curves.h"

namespace {

namespace nurbs = hostnum::nurbs;

// Cox-de Boor recursion: basis function i of order k at t (spans half open).
double cox_de_boor(const std::vector<double>& U, int i, int k, double t) {
    if (k == 1) return (U[i] <= t && t < U[i + 1]) ? 1.0 : 0.0;
    double r = 0;
    if (U[i + k - 1] > U[i]) r += (t - U[i]) / (U[i + k - 1] - U[i]) * cox_de_boor(U, i, k - 1, t);
    if (U[i + k] > U[i + 1]) r += (U[i + k] - t) / (U[i + k] - U[i + 1]) * cox_de_boor(U, i + 1, k - 1, t);
    return r;
}

// The point of a non-rational spline at t from the polynomial of knot span
// `span` alone (de Boor's scheme; t may lie outside the span).
std::array<double, 3> de_boor(const std::vector<double>& U, const std::vector<double>& P, int order, int span,
                              double t) {
    std::vector<std::array<double, 3>> d(order);
    for (int r = 0; r < order; ++r)
        for (int c = 0; c < 3; ++c) d[r][c] = P[4 * (span - order + 1 + r) + c];
    for (int level = 1; level < order; ++level)
        for (int r = order - 1; r >= level; --r) {
            const int i = span - order + 1 + r;
            const double a = (t - U[i]) / (U[i + order - level] - U[i]);
            for (int c = 0; c < 3; ++c) d[r][c] = (1 - a) * d[r - 1][c] + a * d[r][c];
        }
    return d[order - 1];
}

// A spline answers at each parameter from the polynomial of the non-empty
// knot span that holds it (half open), and beyond its ends from the end
// spans.
TEST(Nurbs, EvaluationTakesTheSpanThatHoldsTheParameterAndClampsTheEnds) {
    // n = 6 poles, order 3: knots 0 0 0 1 2 2 3 3 3.
    const std::vector<double> U = {0, 0, 0, 1, 2, 2, 3, 3, 3};
    const std::vector<double> P = {0, 0, 0, 1, 1, 2, 0, 1, 2, -1, 1, 1, 3, 0, 2, 1, 4, 3, 0, 1, 5, 1, -1, 1};
    const auto curve = hostnum::Curve::spline(6, 3, P.data(), U.data());
    ASSERT_TRUE(curve.has_value());
    struct Case {
        double t;
        int span;
    } cases[] = {{-1, 2}, {0, 2}, {0.5, 2}, {1, 3}, {1.99, 3}, {2, 5}, {2.5, 5}, {3, 5}, {7, 5}};
    for (const auto& c : cases) {
        double p[3];
        ASSERT_EQ(hostnum::curve_evaluate(curve->record(), 0, c.t, p, nullptr), hostnum::CurveError::ok);
        const auto want = de_boor(U, P, 3, c.span, c.t);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], want[k], 1e-12) << "t = " << c.t;
    }
}

// The basis functions as splines with one unit pole: values against the
// recursion, first derivatives against its differences, partition of unity.
TEST(Nurbs, BasisMatchesTheRecursionAndItsDerivatives) {
    const std::vector<double> U = {0, 0, 0, 0, 0.2, 0.5, 0.5, 0.9, 1, 1, 1, 1};
    const int n = 8, order = 4;
    for (double t : {0.0, 0.1, 0.2, 0.37, 0.5, 0.77, 0.95, 0.999}) {
        double sum = 0, dsum = 0;
        for (int i = 0; i < n; ++i) {
            std::vector<double> P(4 * n, 0.0);
            for (int j = 0; j < n; ++j) P[4 * j + 3] = 1;
            P[4 * i] = 1;
            const auto basis = hostnum::Curve::spline(n, order, P.data(), U.data());
            ASSERT_TRUE(basis.has_value());
            double p[3], d[9];
            ASSERT_EQ(hostnum::curve_evaluate(basis->record(), 3, t, p, d), hostnum::CurveError::ok);
            EXPECT_NEAR(p[0], cox_de_boor(U, i, order, t), 1e-14) << "t " << t << " function " << i;
            // First derivative by central differences of the recursion (within the span).
            const double h = 1e-6;
            const auto span = std::upper_bound(U.begin(), U.end(), t) - U.begin() - 1;
            if (t - h >= U[span] && t + h < U[span + 1]) {
                const double fd = (cox_de_boor(U, i, order, t + h) - cox_de_boor(U, i, order, t - h)) / (2 * h);
                EXPECT_NEAR(d[0], fd, 1e-6);
            }
            sum += p[0];
            dsum += d[0] + d[3] + d[6];
        }
        EXPECT_NEAR(sum, 1.0, 1e-14);  // partition of unity
        EXPECT_NEAR(dsum, 0.0, 1e-9);  // so every derivative sums to zero
    }
}

TEST(Nurbs, EvaluateMatchesTheRationalQuotient) {
    const std::vector<double> U = {0, 0, 0, 0.4, 1, 1, 1};
    // Weighted poles (w x, w y, w z, w).
    const std::vector<double> P = {0, 0, 0, 1, 2, 3, 0, 2, 1.5, 0, 1.5, 0.5, 4, 4, 4, 1};
    const auto curve = hostnum::Curve::spline(4, 3, P.data(), U.data());
    ASSERT_TRUE(curve.has_value());
    for (double t : {0.0, 0.25, 0.4, 0.6, 1.0}) {
        double out[9];
        ASSERT_EQ(hostnum::curve_evaluate(curve->record(), 2, t, out, out + 3), hostnum::CurveError::ok);
        double num[3] = {0, 0, 0}, den = 0;
        for (int i = 0; i < 4; ++i) {
            const double b = t == 1.0 ? (i == 3 ? 1.0 : 0.0) : cox_de_boor(U, i, 3, t);
            for (int c = 0; c < 3; ++c) num[c] += b * P[4 * i + c];
            den += b * P[4 * i + 3];
        }
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], num[c] / den, 1e-14) << "t " << t;
    }
}

TEST(Nurbs, ValidityOfKnotVectorsAndBreakpoints) {
    const std::vector<double> P(4 * 5, 1.0);
    EXPECT_TRUE(nurbs::valid(5, 3, P.data(), std::vector<double>{0, 0, 0, 1, 2, 3, 3, 3}.data()));
    EXPECT_TRUE(nurbs::valid(5, 3, P.data(), std::vector<double>{0, 0, 0, 1, 1, 3, 3, 3}.data()));
    EXPECT_FALSE(nurbs::valid(5, 3, P.data(), std::vector<double>{0, 0, 0, 1, 1, 1, 1, 3}.data()));
    EXPECT_FALSE(nurbs::valid(5, 3, P.data(), std::vector<double>{0, 0, 0, 2, 1, 3, 3, 3}.data()));
    EXPECT_FALSE(nurbs::valid(5, 3, P.data(), std::vector<double>{0, 0, 0, NAN, 1, 3, 3, 3}.data()));
    EXPECT_FALSE(nurbs::valid(5, 6, P.data(), std::vector<double>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1}.data()));
    EXPECT_FALSE(nurbs::valid(5, 3, nullptr, std::vector<double>{0, 0, 0, 1, 2, 3, 3, 3}.data()));
    EXPECT_EQ(nurbs::breakpoints(5, 3, std::vector<double>{0, 0, 0, 1, 1, 3, 3, 3}.data()),
              (std::vector<double>{0, 1, 3}));
}

}  // namespace
