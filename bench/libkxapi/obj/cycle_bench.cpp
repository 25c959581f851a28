// Cycling through a large part: one whole cycle by type, through all
// objects, and by name over 100 000 objects. A whole cycle should grow
// linearly with the number of objects (compare the two sizes).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/shipped_host.h"
#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_obj.h"
#include "libkxapi/core/kx_session.h"

namespace {

// A fresh host and session with a work part of `count` objects: lines,
// arcs and points in turn; the last line is named "LAST".
tag large_part(int count) {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    const tag part = host::parts::create("large.prt");
    host::parts::set_work_part(part);
    static const int kTypes[] = {3, 5, 2};
    tag last_line = NULL_TAG;
    for (int i = 0; i < count; ++i) {
        const int type = kTypes[i % 3];
        const tag t = host::entity::create({OM_CLASS_RM_ENTITY, type, 0, part});
        if (type == 3) last_line = t;
    }
    KX_OBJ_set_name(last_line, "LAST");
    return part;
}

void BM_cycle_by_type(benchmark::State& state) {
    const tag part = large_part(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int seen = 0;
        tag t = NULL_TAG;
        do {
            KX_OBJ_cycle_objs_in_part(part, 3, &t);
            ++seen;
        } while (t != NULL_TAG);
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_cycle_by_type)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_cycle_all(benchmark::State& state) {
    const tag part = large_part(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int seen = 0;
        for (tag t = KX_OBJ_cycle_all(part, NULL_TAG); t != NULL_TAG; t = KX_OBJ_cycle_all(part, t)) ++seen;
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_cycle_all)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Finding the last named object goes through the host's index of names:
// the time should not grow with the number of objects.
void BM_cycle_by_name(benchmark::State& state) {
    large_part(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tag t = NULL_TAG;
        KX_OBJ_cycle_by_name("last", &t);
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_cycle_by_name)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same by name and type.
void BM_cycle_by_name_and_type(benchmark::State& state) {
    const tag part = large_part(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tag t = NULL_TAG;
        KX_OBJ_cycle_by_name_and_type(part, "last", 3, false, &t);
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_cycle_by_name_and_type)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
