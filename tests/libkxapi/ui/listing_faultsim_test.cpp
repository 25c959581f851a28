// The listing window under fault simulation: opening, writing, saving,
// closing and leaving it, the numbered line writer to the window and to the
// listing device, and the selection filter's classes; a host error at each
// host call must end clean. The window's state is no part of the model
// that the simulation compares, so the story checks it itself: after every
// call, failed or not, the library's record of the window says what the
// screen shows (a window on the screen that the library holds closed would
// take no more writes; one it holds open that is gone would take them into
// nothing). A call that leaves them apart stops the process, which the
// simulation reports as a crash at the host call that caused it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/platform/support/listing.h"
#include "kx_core.h"
#include "kx_ui.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

// The step, then the check of the window's state.
template <class F>
int call(const char* name, F&& f) {
    const int st = faultsim::step(name, f);
    const auto& lw = host::listing::state();
    if (lw.shown != lw.kx_open) std::abort();
    return st;
}

#define STEP(expr)                                    \
    do {                                              \
        if (int st_ = call(#expr, [&] { return expr; })) return st_; \
    } while (0)

int listing() {
    STEP(KX_initialize());
    logical open = 0;
    STEP(KX_UI_is_listing_window_open(&open));
    STEP(KX_UI_open_listing_window());
    STEP(KX_UI_open_listing_window());  // open already: kept as it is
    STEP(KX_UI_write_listing_window("Bores: 3 of 7\n"));
    const std::string big(2345, 'k');
    STEP(KX_UI_write_listing_window(big.c_str()));  // in pieces of 1000
    STEP(uc4403("one line"));
    STEP(KX_UI_save_listing_window("listing.txt"));
    STEP(KX_UI_close_listing_window());
    STEP(KX_UI_open_listing_window());
    STEP(KX_UI_write_listing_window("again"));
    STEP(KX_UI_exit_listing_window());
    STEP(KX_UI_is_listing_window_open(&open));
    host::listing::set_device(6);
    STEP(uc4403("to the device, cut at 131 characters ........................................."));
    STEP(KX_UI_add_to_class_sel(42));
    STEP(KX_UI_add_to_class_sel(17));
    return 0;
}

TEST(ListingFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"listing window", listing});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
