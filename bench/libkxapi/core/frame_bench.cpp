// Cost of the operation frame: a query without a frame, the same query
// framed, and a framed call into the host. The host runs as shipped, its
// call journal off (bench/shipped_host.h).
#include <benchmark/benchmark.h>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/rm.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "kx_part.h"
#include "kx_abort.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"

namespace {

void open_session() {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
}

void BM_is_initialized(benchmark::State& state) {
    open_session();
    for (auto _ : state) benchmark::DoNotOptimize(KX_is_initialized());
}
BENCHMARK(BM_is_initialized);

// The same query inside the standard frame (check, arm, cancel).
void BM_framed_is_initialized(benchmark::State& state) {
    open_session();
    for (auto _ : state) benchmark::DoNotOptimize(kx::frame([] { return KX_is_initialized(); }));
}
BENCHMARK(BM_framed_is_initialized);

// A framed ask that calls the host: the abort flag.
void BM_framed_ask_abort_flag(benchmark::State& state) {
    open_session();
    logical flag = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KX_ABORT_ask_flag_status(&flag));
        benchmark::DoNotOptimize(flag);
    }
}
BENCHMARK(BM_framed_ask_abort_flag);

// A guarded call without a frame: reading an item of a tag list.
void BM_guarded_list_item(benchmark::State& state) {
    open_session();
    tag_list* list = nullptr;
    KX_MODL_create_list(&list);
    KX_MODL_put_list_item(list, 5);
    tag t = 0;
    for (auto _ : state) benchmark::DoNotOptimize(KX_MODL_ask_list_item(list, 0, &t));
    KX_MODL_delete_list(&list);
}
BENCHMARK(BM_guarded_list_item);

// The framed type query against the host routine that answers it, on the
// same point, in alternated rounds of a million calls each; the medians per
// call, their ratio (goal: within 3), the rounds and the load.
void TypeQueryAgainstHost(benchmark::State& state) {
    open_session();
    tag part = NULL_TAG;
    KX_PART_new("type_query_bench", 1, &part);
    tag point = NULL_TAG;
    double at[3] = {12.5, -3.25, 7.0};  // a point is of type 2
    KX_CURVE_create_point(at, &point);
    constexpr int kCalls = 1'000'000;
    const int rounds = static_cast<int>(state.range(0));
    bench::Paired p;
    int type = 0, subtype = 0;
    for (auto _ : state) {
        bench::alternate(
            p, rounds,
            [&] {
                const double t0 = bench::cpu_seconds();
                for (int i = 0; i < kCalls; ++i) {
                    benchmark::DoNotOptimize(KX_OBJ_ask_type_and_subtype(point, &type, &subtype));
                    benchmark::DoNotOptimize(type);
                }
                return bench::cpu_seconds() - t0;
            },
            [&] {
                const double t0 = bench::cpu_seconds();
                for (int i = 0; i < kCalls; ++i) {
                    RM_ask_entity_type_and_subtype(point, &type, &subtype);
                    benchmark::DoNotOptimize(type);
                }
                return bench::cpu_seconds() - t0;
            });
    }
    if (type != 2) state.SkipWithError("the query answered another type");
    state.counters["framed_ns"] = 1e9 * p.ours_median() / kCalls;
    state.counters["host_ns"] = 1e9 * p.occ_median() / kCalls;
    state.counters["ratio"] = p.ratio();
    state.counters["rounds"] = static_cast<double>(p.ours.size());
    state.counters["load"] = bench::load_average();
}
BENCHMARK(TypeQueryAgainstHost)->Arg(15)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
