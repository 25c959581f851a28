// Cost of the operation frame: a query without a frame, the same query
// framed, and a framed call into the host. The host runs as shipped: its
// call journal is left as a reset leaves it.
#include <benchmark/benchmark.h>

#include "host/control/control.h"
#include "kx_abort.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"

namespace {

void open_session() {
    kx_reset_session_for_tests();
    host::control::reset();
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

}  // namespace
