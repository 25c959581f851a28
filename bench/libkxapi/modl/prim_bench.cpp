// Blocks made one by one as new bodies.
//
// Blocks/N: makes N blocks (each a new body, 10 x 20 x 30, 50 apart) with
// KX_MODL_create_block in a fresh part, and in the same run N boxes of the
// same size with the kernel's calls alone; the two sides alternate (the
// first of a round changes from round to round) and each side's median
// over the rounds counts. Counters: "us_per_block" and "kernel_us_per_box"
// (processor time), their "ratio" (goal: within 1.5), "rounds" and "load". The
// cost per block should stay flat from N = 100 to N = 1,000.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "kx_core.h"
#include "kx_modl_cre_prim.h"
#include "libkxapi/core/kx_session.h"

namespace {

constexpr double kSize[3] = {10, 20, 30};
constexpr double kPitch = 50;
constexpr int kRounds = 7;

using bench::cpu_seconds;
using bench::median;

// N blocks through the interface in a fresh session and part: the seconds
// the creations took, or a negative value when one failed.
double interface_blocks(int n) {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const char* sizes[] = {"10", "20", "30"};
    const double t0 = cpu_seconds();
    for (int i = 0; i < n; ++i) {
        double corner[] = {kPitch * i, 0, 0};
        tag block = NULL_TAG;
        if (KX_MODL_create_block(0, NULL_TAG, corner, sizes, &block) != 0) return -1;
    }
    return cpu_seconds() - t0;
}

// N boxes with the kernel's calls alone; they are given back outside the
// time, as the interface's blocks are (at the next reset).
double kernel_boxes(int n) {
    const double t0 = cpu_seconds();
    host::kernel::direct_boxes(n, kSize, kPitch);
    const double t = cpu_seconds() - t0;
    host::kernel::direct_boxes(0, kSize, kPitch);
    return t;
}

void Blocks(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> made, direct;
    for (auto _ : state) {
        // Both sides start warm.
        interface_blocks(10);
        kernel_boxes(10);
        for (int round = 0; round < kRounds; ++round) {
            double a = 0, b = 0;
            if (round % 2 == 0) {
                a = interface_blocks(n);
                b = kernel_boxes(n);
            } else {
                b = kernel_boxes(n);
                a = interface_blocks(n);
            }
            if (a < 0) state.SkipWithError("a block failed");
            made.push_back(a);
            direct.push_back(b);
        }
    }
    const double m = median(made), d = median(direct);
    state.counters["us_per_block"] = 1e6 * m / n;
    state.counters["kernel_us_per_box"] = 1e6 * d / n;
    state.counters["ratio"] = d > 0 ? m / d : 0;
    state.counters["rounds"] = kRounds;
    state.counters["load"] = bench::load_average();
    kx_reset_session_for_tests();
    bench::reset_host();
}
BENCHMARK(Blocks)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
