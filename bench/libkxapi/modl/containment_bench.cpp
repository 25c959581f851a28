// Point containment at scale.
//
// PointContainment: classifies 100,000 points against a body of 1,000
// faces (a prism over a regular polygon of 998 sides) with
// KX_MODL_ask_point_containment, which sets and removes an undo mark and
// makes and deletes a kernel point per call, and in the same process
// classifies the same points against the same shape with Open CASCADE's own
// classifier loaded once. The sides alternate and each side's median over
// the rounds (the argument) counts (bench/paired_rounds.h). Counters:
// asked_s, occ_s, "ratio" the interface's time over Open CASCADE's (goal:
// within 1.5, so that a query's mark never copies the model), rounds, load.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "kx_core.h"
#include "kx_modl_geometry.h"
#include "libkxapi/core/kx_session.h"

namespace {

using bench::cpu_seconds;

void PointContainment(benchmark::State& state) {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int body = 0;
    ZQ_BODY_make_prism(base, z, 100, 998, 10, &body);
    const tag object = host::kernel::object_of(body);
    // Points spread through a box around the prism: inside, outside and
    // a few on its faces.
    constexpr int kPoints = 100000;
    std::vector<double> points;
    points.reserve(3 * kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double a = 0.61803398875 * i, r = 130.0 * (i % 997) / 997;
        points.insert(points.end(), {r * std::cos(a), r * std::sin(a), -2.0 + 14.0 * (i % 101) / 100});
    }
    int inside = 0, kernel_inside = 0;
    bench::Paired p;
    for (auto _ : state) {
        auto asked = [&] {
            const double t0 = cpu_seconds();
            inside = 0;
            for (int i = 0; i < kPoints; ++i) {
                int c = 0;
                KX_MODL_ask_point_containment(&points[3 * static_cast<std::size_t>(i)], object, &c);
                if (c == KX_MODL_POINT_INSIDE) ++inside;
            }
            return cpu_seconds() - t0;
        };
        auto direct = [&] {
            const double t0 = cpu_seconds();
            kernel_inside = host::measure::direct_containment(body, points.data(), kPoints);
            return cpu_seconds() - t0;
        };
        bench::alternate(p, static_cast<int>(state.range(0)), asked, direct);
    }
    state.counters["faces"] = static_cast<double>(host::kernel::faces_of(body).size());
    state.counters["inside"] = inside;
    state.counters["occ_inside"] = kernel_inside;
    bench::report(state, p, "asked");
}
BENCHMARK(PointContainment)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
