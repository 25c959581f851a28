// Knot vectors of rational B-splines (see nurbs.h).
#include "host/numeric/nurbs.h"

#include <algorithm>
#include <cmath>

#include "host/numeric/curves.h"

namespace hostnum::nurbs {

namespace {

// Orders above this are refused by valid(): the kernel's splines go up to
// degree 25.
constexpr int kMaxOrder = 26;

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

std::vector<double> breakpoints(int n_poles, int order, const double* knots) {
    std::vector<double> b;
    for (int i = order - 1; i <= n_poles; ++i)
        if (b.empty() || knots[i] > b.back()) b.push_back(knots[i]);
    return b;
}

}  // namespace hostnum::nurbs
