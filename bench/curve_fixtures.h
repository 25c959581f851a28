// The curves the evaluation benchmarks run on, the same for the host's
// curve code and for the interface's evaluators so that their figures
// compare: an arc, and a rational cubic with 40 poles on a helix-like path
// and uneven knots.
#pragma once

#include <cmath>
#include <vector>

#include "host/numeric/curves.h"

namespace bench_curves {

inline hostnum::Curve arc() {
    const double c[3] = {1, 2, 3}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    return *hostnum::Curve::arc(c, x, y, 5.0, 0.0, 3.0);
}

inline hostnum::Curve spline() {
    const int n = 40, order = 4;
    std::vector<double> poles, knots;
    for (int i = 0; i < n; ++i) {
        const double a = 0.3 * i;
        poles.insert(poles.end(), {std::cos(a) * 10, std::sin(a) * 10, 0.5 * i, 1.0 + 0.3 * (i % 3)});
    }
    for (int i = 0; i < order; ++i) knots.push_back(0);
    for (int i = 1; i < n - order + 1; ++i) knots.push_back(i + 0.1 * (i % 4));
    const double last = knots.back() + 1;
    for (int i = 0; i < order; ++i) knots.push_back(last);
    return *hostnum::Curve::spline(n, order, poles.data(), knots.data(), hostnum::Curve::PoleForm::cartesian);
}

}  // namespace bench_curves
