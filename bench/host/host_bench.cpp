// Cost of the two things every library call pays: arming and cancelling one
// library frame, and one journalled host call with nothing scripted.
#include <benchmark/benchmark.h>

#include "host/control/control.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"

namespace hc = host::control;

namespace {

// The journal is emptied every 64k records so that it stays in its
// preallocated storage (the check is part of the measured loop).
inline void keep_journal_small(unsigned& n) {
    if ((++n & 0xffffu) == 0) hc::clear_journal();
}

void ArmCancelLibraryFrame(benchmark::State& state) {
    hc::reset();
    hc::set_journal(state.range(0) != 0);
    unsigned n = 0;
    for (auto _ : state) {
        int id = host::arm_library_frame();
        benchmark::DoNotOptimize(id);
        ERROR_cancel_handler(id);
        keep_journal_small(n);
    }
    hc::reset();
}
BENCHMARK(ArmCancelLibraryFrame)->Arg(1)->Arg(0)->ArgName("journal");

void HostCallNothingScripted(benchmark::State& state) {
    hc::reset();
    hc::set_journal(state.range(0) != 0);
    unsigned n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RTENV_ask_env());
        keep_journal_small(n);
    }
    hc::reset();
}
BENCHMARK(HostCallNothingScripted)->Arg(1)->Arg(0)->ArgName("journal");

// Another function is scripted: the call looks its own name up.
void HostCallOtherFunctionScripted(benchmark::State& state) {
    hc::reset();
    hc::return_status("SM_alloc", 1);
    unsigned n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RTENV_ask_env());
        keep_journal_small(n);
    }
    hc::reset();
}
BENCHMARK(HostCallOtherFunctionScripted);

}  // namespace
