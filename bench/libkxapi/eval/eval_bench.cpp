// Points with first and second derivatives per second through the
// interface's curve evaluators, on an arc and on a rational cubic spline
// (argument checks, error frame and scratch block included).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/control/control.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "kx_core.h"
#include "kx_eval.h"

namespace {

using hostnum::Curve;

Curve arc() {
    const double c[3] = {1, 2, 3}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    return *Curve::arc(c, x, y, 5.0, 0.0, 3.0);
}

Curve spline() {
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

void run(benchmark::State& state, const Curve& curve) {
    // One session for the whole program: a terminated session does not reopen.
    static const bool opened = (host::control::reset(), KX_initialize() == 0);
    if (!opened) state.SkipWithError("no session");
    host::control::set_journal(false);  // the journal would grow with every call
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

void BM_EvalArcPointAndTwoDerivatives(benchmark::State& state) {
    run(state, arc());
}
BENCHMARK(BM_EvalArcPointAndTwoDerivatives);

void BM_EvalSplinePointAndTwoDerivatives(benchmark::State& state) {
    run(state, spline());
}
BENCHMARK(BM_EvalSplinePointAndTwoDerivatives);

}  // namespace
