// Rational B-splines: knot spans, basis functions and their derivatives
// against the textbook recursion, validity of knot vectors.
#include "host/numeric/nurbs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

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

TEST(Nurbs, FindSpanSkipsEmptySpansAndClampsTheEnds) {
    // n = 6 poles, order 3: knots 0 0 0 1 2 2 3 3 3.
    const std::vector<double> U = {0, 0, 0, 1, 2, 2, 3, 3, 3};
    struct Case {
        double t;
        int span;
    } cases[] = {{-1, 2}, {0, 2}, {0.5, 2}, {1, 3}, {1.99, 3}, {2, 5}, {2.5, 5}, {3, 5}, {7, 5}};
    for (const auto& c : cases) EXPECT_EQ(nurbs::find_span(6, 3, U.data(), c.t), c.span) << "t = " << c.t;
}

TEST(Nurbs, BasisMatchesTheRecursionAndItsDerivatives) {
    const std::vector<double> U = {0, 0, 0, 0, 0.2, 0.5, 0.5, 0.9, 1, 1, 1, 1};
    const int n = 8, order = 4;
    for (double t : {0.0, 0.1, 0.2, 0.37, 0.5, 0.77, 0.95, 0.999}) {
        const int span = nurbs::find_span(n, order, U.data(), t);
        double ders[4 * order];
        nurbs::basis_derivatives(order, U.data(), span, t, 3, ders);
        double sum = 0, dsum = 0;
        for (int r = 0; r < order; ++r) {
            const int i = span - order + 1 + r;
            EXPECT_NEAR(ders[r], cox_de_boor(U, i, order, t), 1e-14) << "t " << t << " function " << i;
            // First derivative by central differences of the recursion (within the span).
            const double h = 1e-6;
            if (t - h >= U[span] && t + h < U[span + 1]) {
                const double fd = (cox_de_boor(U, i, order, t + h) - cox_de_boor(U, i, order, t - h)) / (2 * h);
                EXPECT_NEAR(ders[order + r], fd, 1e-6);
            }
            sum += ders[r];
            dsum += ders[order + r] + ders[2 * order + r] + ders[3 * order + r];
        }
        EXPECT_NEAR(sum, 1.0, 1e-14);  // partition of unity
        EXPECT_NEAR(dsum, 0.0, 1e-9);  // so every derivative sums to zero
    }
}

TEST(Nurbs, EvaluateMatchesTheRationalQuotient) {
    const std::vector<double> U = {0, 0, 0, 0.4, 1, 1, 1};
    // Weighted poles (w x, w y, w z, w).
    const std::vector<double> P = {0, 0, 0, 1, 2, 3, 0, 2, 1.5, 0, 1.5, 0.5, 4, 4, 4, 1};
    for (double t : {0.0, 0.25, 0.4, 0.6, 1.0}) {
        double out[9];
        nurbs::evaluate(4, 3, P.data(), U.data(), t, 2, out);
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
