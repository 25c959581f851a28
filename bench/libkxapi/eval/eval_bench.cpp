// Points with first and second derivatives per second through the
// interface's curve evaluators, on an arc and on a rational cubic spline
// (argument checks, error frame and scratch block included).
#include <benchmark/benchmark.h>

#include "bench/shipped_host.h"
#include "bench/curve_fixtures.h"
#include "host/control/control.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "kx_core.h"
#include "kx_eval.h"

namespace {

using hostnum::Curve;

void run(benchmark::State& state, const Curve& curve) {
    // One session for the whole program: a terminated session does not reopen.
    static const bool opened = (bench::reset_host(), KX_initialize() == 0);
    if (!opened) state.SkipWithError("no session");
    const evaluator e = host::evc::make(curve);
    double lim[2], p[3], d[6];
    KX_EVAL_ask_limits(e, lim);
    const double step = (lim[1] - lim[0]) / 1021;
    double t = lim[0];
    for (auto _ : state) {
        if (KX_EVAL_evaluate(e, 2, t, p, d) != 0) state.SkipWithError("evaluation failed");
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(d);
        t += step;
        if (t > lim[1]) t = lim[0];
    }
    state.SetItemsProcessed(state.iterations());
    KX_EVAL_free(e);
}

void BM_EvalArcPointAndTwoDerivatives(benchmark::State& state) { run(state, bench_curves::arc()); }
BENCHMARK(BM_EvalArcPointAndTwoDerivatives);

void BM_EvalSplinePointAndTwoDerivatives(benchmark::State& state) { run(state, bench_curves::spline()); }
BENCHMARK(BM_EvalSplinePointAndTwoDerivatives);

}  // namespace
