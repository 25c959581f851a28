// Creating points as a user program does: no test-control call, so the
// host runs as shipped. Each round makes a new part and creates 1,000
// points in it, then another part with 300,000 points, and reports per
// point the time and the heap taken (mallinfo2 deltas) at both sizes and
// their ratios. Creating a point should cost about the same whatever the
// part already holds, and the heap a point takes should stay bounded.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kx_core.h"
#include "kx_curve.h"
#include "kx_part.h"

namespace {

struct Figures {
    double us_per_point = 0;
    double bytes_per_point = 0;
};

std::size_t heap_in_use() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

// A new work part named after the round and size, and `count` points in it.
Figures create_points(int count, int round) {
    tag part = NULL_TAG;
    const std::string name = "points_" + std::to_string(round) + "_" + std::to_string(count);
    if (KX_PART_new(name.c_str(), KX_PART_METRIC, &part) != 0) std::abort();
    const std::size_t heap0 = heap_in_use();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        double at[3] = {0.25 * i, 1.5 - 0.125 * (i % 97), 3.0 + 0.0625 * (i % 13)};
        tag point = NULL_TAG;
        if (KX_CURVE_create_point(at, &point) != 0) std::abort();
        benchmark::DoNotOptimize(point);
    }
    const auto t1 = std::chrono::steady_clock::now();
    const std::size_t heap1 = heap_in_use();
    Figures f;
    f.us_per_point = std::chrono::duration<double, std::micro>(t1 - t0).count() / count;
    f.bytes_per_point = (static_cast<double>(heap1) - static_cast<double>(heap0)) / count;
    return f;
}

void BM_create_points_small_and_large(benchmark::State& state) {
    // The parts are never saved; the session's directory is a temporary one
    // all the same.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kx_point_growth_bench";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    if (!KX_is_initialized() && KX_initialize() != 0) std::abort();
    Figures small_sum, large_sum;
    int rounds = 0;
    for (auto _ : state) {
        const Figures s = create_points(1000, rounds);
        const Figures l = create_points(300000, rounds);
        if (KX_PART_close_all() != 0) std::abort();
        small_sum.us_per_point += s.us_per_point;
        small_sum.bytes_per_point += s.bytes_per_point;
        large_sum.us_per_point += l.us_per_point;
        large_sum.bytes_per_point += l.bytes_per_point;
        ++rounds;
    }
    const double n = rounds ? rounds : 1;
    state.counters["us_per_point_1k"] = small_sum.us_per_point / n;
    state.counters["us_per_point_300k"] = large_sum.us_per_point / n;
    state.counters["time_ratio"] = large_sum.us_per_point / small_sum.us_per_point;
    state.counters["heap_per_point_1k"] = small_sum.bytes_per_point / n;
    state.counters["heap_per_point_300k"] = large_sum.bytes_per_point / n;
    state.counters["heap_ratio"] = large_sum.bytes_per_point / small_sum.bytes_per_point;
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0) state.counters["load_1min"] = load[0];
    state.counters["rounds"] = rounds;
}
BENCHMARK(BM_create_points_small_and_large)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
