// The solid kernel through the host against the kernel's calls alone.
//
// PlateHoles: a plate 200 x 100 x 10 with 200 holes of radius 2 cut one at
// a time, each cut a separate boolean through the host (bracketed by an
// undo mark set before it and deleted after it, as the library's boolean
// does), and the same cuts with Open CASCADE alone on the same shapes, in
// the same process. The sides alternate and each side's median over the
// rounds (the argument) counts (bench/paired_rounds.h); the volumes are
// compared. Counters: host_s and occ_s (processor time), their ratio (the
// host's share: tags, history, objects, snapshots, result checks),
// rounds and load. The host runs as shipped, its call journal off
// (bench/shipped_host.h).
//
// MemoryPerFace: a prism over a polygon of 9,998 sides (10,000 faces):
// heap bytes per face that the body holds through the host (kernel shapes,
// kernel tags, steps, objects and the entity store's rows), and the same
// shape made by the kernel's calls alone.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"

namespace {

constexpr double kPlate[3] = {200, 100, 10};
constexpr int kHoles = 200;
constexpr double kRadius = 2, kPitch = 10;

using bench::cpu_seconds;

double host_plate() {
    bench::reset_host();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const double origin[3] = {0, 0, 0};
    int plate = 0;
    ZQ_BODY_make_block(origin, kPlate, &plate);
    const int per_row = static_cast<int>(kPlate[0] / kPitch);
    for (int i = 0; i < kHoles; ++i) {
        int status = 0;
        const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "JQ Open Boolean Operation", &status);
        const double at[3] = {(i % per_row + 0.5) * kPitch, (i / per_row + 0.5) * kPitch, -1}, z[3] = {0, 0, 1};
        int tool = 0;
        ZQ_BODY_make_cylinder(at, z, kRadius, kPlate[2] + 2, &tool);
        ZQ_BODY_boolean(plate, tool, ZQ_SUBTRACT);
        UNDO_JQ_delete_mark(mark, nullptr);
    }
    double props[ZQ_MP_COUNT];
    ZQ_BODY_ask_mass_props(plate, props);
    return props[ZQ_MP_VOLUME];
}

void PlateHoles(benchmark::State& state) {
    bench::Paired p;
    for (auto _ : state) {
        // Both paths start warm: the kernel's first use sets up tables.
        host::kernel::direct_plate_with_holes(kPlate, 5, kRadius, kPitch);
        double v1 = 0, v2 = 0;
        auto ours = [&] {
            const double t0 = cpu_seconds();
            v1 = host_plate();
            return cpu_seconds() - t0;
        };
        auto occ = [&] {
            const double t0 = cpu_seconds();
            v2 = host::kernel::direct_plate_with_holes(kPlate, kHoles, kRadius, kPitch);
            return cpu_seconds() - t0;
        };
        for (int r = 0; r < state.range(0); ++r) {
            bench::alternate(p, 1, ours, occ, r % 2 == 1);
            if (std::fabs(v1 - v2) > 1e-6 * v2) state.SkipWithError("the host and Open CASCADE disagree");
        }
    }
    bench::report(state, p, "host");
    bench::reset_host();
}
BENCHMARK(PlateHoles)->Arg(5)->Iterations(1)->Unit(benchmark::kSecond);

void MemoryPerFace(benchmark::State& state) {
    double per_face = 0, kernel_per_face = 0;
    for (auto _ : state) {
        bench::reset_host();
        CONTEXT_set_work_part(host::parts::create("bench.prt"));
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        int body = 0;
        ZQ_BODY_make_prism(base, z, 1000, 9998, 10, &body);
        const std::size_t after = mallinfo2().uordblks;
        const std::size_t faces = host::kernel::faces_of(body).size();
        per_face = static_cast<double>(after - before) / static_cast<double>(faces);
        state.counters["faces"] = static_cast<double>(faces);
        bench::reset_host();
        malloc_trim(0);
        kernel_per_face = host::kernel::direct_prism_bytes(9998, [] { return double(mallinfo2().uordblks); }) /
                          static_cast<double>(faces);
    }
    state.counters["bytes_per_face"] = per_face;
    state.counters["kernel_bytes_per_face"] = kernel_per_face;
    bench::reset_host();
}
BENCHMARK(MemoryPerFace)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
