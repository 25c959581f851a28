// Points with first and second derivatives per second on an arc and on a
// rational cubic spline, and closest points on the spline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/numeric/curves.h"

namespace {

using hostnum::Curve;

Curve bench_arc() {
    const double c[3] = {1, 2, 3}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    return *Curve::arc(c, x, y, 5.0, 0.0, 3.0);
}

// A rational cubic with 40 poles on a helix-like path and uneven knots.
Curve bench_spline() {
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
    return *Curve::spline(n, order, poles.data(), knots.data(), Curve::PoleForm::cartesian);
}

void evaluate_with_two_derivatives(benchmark::State& state, const Curve& curve) {
    const auto& c = curve.record();
    double lim[2];
    hostnum::curve_limits(c, lim);
    const double step = (lim[1] - lim[0]) / 1021;
    double t = lim[0], p[3], d[6];
    for (auto _ : state) {
        hostnum::curve_evaluate(c, 2, t, p, d);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(d);
        t += step;
        if (t > lim[1]) t = lim[0];
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ArcPointAndTwoDerivatives(benchmark::State& state) {
    evaluate_with_two_derivatives(state, bench_arc());
}
BENCHMARK(BM_ArcPointAndTwoDerivatives);

void BM_SplinePointAndTwoDerivatives(benchmark::State& state) {
    evaluate_with_two_derivatives(state, bench_spline());
}
BENCHMARK(BM_SplinePointAndTwoDerivatives);

void BM_SplineClosestPoint(benchmark::State& state) {
    const Curve s = bench_spline();
    double q[3] = {3, -4, 7}, t, p[3];
    for (auto _ : state) {
        hostnum::curve_closest_point(s.record(), q, &t, p);
        benchmark::DoNotOptimize(p);
        q[2] = q[2] > 18 ? 0 : q[2] + 0.37;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplineClosestPoint);

}  // namespace
