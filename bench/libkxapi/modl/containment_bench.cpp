// Point containment at scale.
//
// PointContainment: classifies 100,000 points against a body of 1,000
// faces (a prism over a regular polygon of 998 sides) with
// KX_MODL_ask_point_containment, which sets and removes an undo mark and
// makes and deletes a kernel point per call, and in the same run
// classifies the same points with the kernel's own classifier loaded once;
// the counter "ratio" is the interface's time over the kernel's (goal:
// within 1.5, so that a query's mark never copies the model).
#include <benchmark/benchmark.h>
#include <time.h>

#include <cmath>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "kx_core.h"
#include "kx_modl_geometry.h"
#include "libkxapi/core/kx_session.h"

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void PointContainment(benchmark::State& state) {
    kx_reset_session_for_tests();
    host::control::reset();
    host::control::set_journal(false);
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
    double asked = 0, direct = 0;
    int inside = 0, kernel_inside = 0;
    for (auto _ : state) {
        const double t0 = cpu_seconds();
        inside = 0;
        for (int i = 0; i < kPoints; ++i) {
            int c = 0;
            KX_MODL_ask_point_containment(&points[3 * static_cast<std::size_t>(i)], object, &c);
            if (c == KX_MODL_POINT_INSIDE) ++inside;
        }
        const double t1 = cpu_seconds();
        kernel_inside = host::measure::direct_containment(body, points.data(), kPoints);
        const double t2 = cpu_seconds();
        asked += t1 - t0;
        direct += t2 - t1;
    }
    state.counters["faces"] = static_cast<double>(host::kernel::faces_of(body).size());
    state.counters["inside"] = inside;
    state.counters["kernel_inside"] = kernel_inside;
    state.counters["ratio"] = direct > 0 ? asked / direct : 0;
}
BENCHMARK(PointContainment)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
