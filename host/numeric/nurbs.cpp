// Rational B-spline evaluation (see nurbs.h).
#include "host/numeric/nurbs.h"

#include <algorithm>
#include <cmath>

#include "host/numeric/curves.h"

namespace hostnum::nurbs {

namespace {

// Orders above this are refused by valid(); evaluation works in stack storage.
constexpr int kMaxOrder = 32;
constexpr int kMaxDers = kMaxDerivatives;

}  // namespace

bool valid(int n_poles, int order, const double* poles, const double* knots) {
    if (poles == nullptr || knots == nullptr) return false;
    if (order < 2 || order > kMaxOrder || n_poles < order) return false;
    const int m = n_poles + order;
    int run = 1;
    for (int i = 0; i < m; ++i) {
        if (!std::isfinite(knots[i])) return false;
        if (i > 0) {
            if (knots[i] < knots[i - 1]) return false;
            run = knots[i] == knots[i - 1] ? run + 1 : 1;
            if (run > order) return false;
        }
    }
    if (!(knots[order - 1] < knots[n_poles])) return false;
    for (int i = 0; i < n_poles; ++i) {
        const double* p = poles + 4 * i;
        for (int k = 0; k < 4; ++k)
            if (!std::isfinite(p[k])) return false;
        if (!(p[3] > 0)) return false;
    }
    return true;
}

int find_span(int n_poles, int order, const double* knots, double t) {
    const int p = order - 1;
    int lo = p, hi = n_poles - 1;
    // The first and last non-empty spans bound the search.
    while (lo < hi && knots[lo] == knots[lo + 1]) ++lo;
    while (hi > lo && knots[hi] == knots[hi + 1]) --hi;
    if (t < knots[lo + 1]) return lo;
    if (t >= knots[hi]) return hi;
    // knots[lo + 1] <= t < knots[hi]: the last i with knots[i] <= t.
    const double* it = std::upper_bound(knots + lo + 1, knots + hi + 1, t);
    int i = static_cast<int>(it - knots) - 1;
    while (knots[i] == knots[i + 1]) --i;  // skip empty spans at repeated knots
    return i;
}

void basis_derivatives(int order, const double* U, int i, double t, int nd, double* ders) {
    const int p = order - 1;
    double ndu[kMaxOrder][kMaxOrder];
    double left[kMaxOrder], right[kMaxOrder];
    ndu[0][0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - U[i + 1 - j];
        right[j] = U[i + j] - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];  // knot differences
            const double temp = ndu[r][j - 1] / ndu[j][r];
            ndu[r][j] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        ndu[j][j] = saved;
    }
    for (int j = 0; j <= p; ++j) ders[j] = ndu[j][p];
    for (int k = 1; k <= nd; ++k)
        for (int j = 0; j <= p; ++j) ders[k * order + j] = 0.0;
    const int top = std::min(nd, p);
    double a[2][kMaxOrder];
    for (int r = 0; r <= p; ++r) {
        int s1 = 0, s2 = 1;
        a[0][0] = 1.0;
        for (int k = 1; k <= top; ++k) {
            double d = 0.0;
            const int rk = r - k, pk = p - k;
            if (r >= k) {
                a[s2][0] = a[s1][0] / ndu[pk + 1][rk];
                d = a[s2][0] * ndu[rk][pk];
            }
            const int j1 = rk >= -1 ? 1 : -rk;
            const int j2 = r - 1 <= pk ? k - 1 : p - r;
            for (int j = j1; j <= j2; ++j) {
                a[s2][j] = (a[s1][j] - a[s1][j - 1]) / ndu[pk + 1][rk + j];
                d += a[s2][j] * ndu[rk + j][pk];
            }
            if (r <= pk) {
                a[s2][k] = -a[s1][k - 1] / ndu[pk + 1][r];
                d += a[s2][k] * ndu[r][pk];
            }
            ders[k * order + r] = d;
            std::swap(s1, s2);
        }
    }
    double f = p;
    for (int k = 1; k <= top; ++k) {
        for (int j = 0; j <= p; ++j) ders[k * order + j] *= f;
        f *= (p - k);
    }
}

void evaluate(int n_poles, int order, const double* poles, const double* knots, double t, int n, double* out) {
    n = std::clamp(n, 0, kMaxDers);
    const int span = find_span(n_poles, order, knots, t);
    const int nd = std::min(n, order - 1);
    double ders[(kMaxDers + 1) * kMaxOrder];
    basis_derivatives(order, knots, span, t, nd, ders);

    // Derivatives of the weighted curve (w x, w y, w z, w); zero beyond the degree.
    double aw[kMaxDers + 1][4] = {};
    const double* base = poles + 4 * (span - order + 1);
    for (int k = 0; k <= nd; ++k)
        for (int r = 0; r < order; ++r) {
            const double b = ders[k * order + r];
            for (int c = 0; c < 4; ++c) aw[k][c] += b * base[4 * r + c];
        }

    // C(k) = (A(k) - sum over i = 1..k of binom(k, i) w(i) C(k - i)) / w,
    // with the binomials of row k kept as Pascal's triangle goes down.
    double binom[kMaxDers + 1];
    binom[0] = 1.0;
    const double w = aw[0][3];
    for (int k = 0; k <= n; ++k) {
        if (k > 0) {
            binom[k] = 1.0;
            for (int i = k - 1; i > 0; --i) binom[i] += binom[i - 1];
        }
        double v[3] = {aw[k][0], aw[k][1], aw[k][2]};
        for (int i = 1; i <= k; ++i) {
            const double f = binom[i] * aw[i][3];
            if (f == 0.0) continue;
            for (int c = 0; c < 3; ++c) v[c] -= f * out[3 * (k - i) + c];
        }
        for (int c = 0; c < 3; ++c) out[3 * k + c] = v[c] / w;
    }
}

std::vector<double> breakpoints(int n_poles, int order, const double* knots) {
    std::vector<double> b;
    for (int i = order - 1; i <= n_poles; ++i)
        if (b.empty() || knots[i] > b.back()) b.push_back(knots[i]);
    return b;
}

}  // namespace hostnum::nurbs
