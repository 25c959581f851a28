// Points with first and second derivatives per second on an arc and on a
// rational cubic spline, and closest points on the spline.
#include <benchmark/benchmark.h>

#include "bench/curve_fixtures.h"
#include "host/numeric/curves.h"

namespace {

using hostnum::Curve;

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
    evaluate_with_two_derivatives(state, bench_curves::arc());
}
BENCHMARK(BM_ArcPointAndTwoDerivatives);

void BM_SplinePointAndTwoDerivatives(benchmark::State& state) {
    evaluate_with_two_derivatives(state, bench_curves::spline());
}
BENCHMARK(BM_SplinePointAndTwoDerivatives);

void BM_SplineClosestPoint(benchmark::State& state) {
    const Curve s = bench_curves::spline();
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
