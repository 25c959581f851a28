// A handler of the caller's own around a call without a frame of its own
// (the pre-processing module's initialisation), under fault simulation: a
// host error in the call comes back to the caller's jump buffer with its
// code, and every run ends clean with no frame left armed.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include "host/control/control.h"
#include "kx_cam.h"
#include "kx_core.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

void model() {
    kxtest::fresh_process();
    KX_initialize();
}

std::jmp_buf g_jump;
volatile int g_handler = -1;

// As a program uses the pair: armed in one call, errors of the later calls
// come back to the setjmp, cancelled after them (and in the branch the
// jump landed in, where the cancel is quiet). Nothing here has a
// destructor: the jump lands in it.
int story() {
    if (setjmp(g_jump) == 0) {
        if (int st = faultsim::step("KX_ERROR_set_handler", [] {
                g_handler = KX_ERROR_set_handler(g_jump);
                return g_handler == -1 ? -1 : 0;
            }))
            return st;
        if (int st = faultsim::step("KX_CAM_PREPRO_init_module", [] { return KX_CAM_PREPRO_init_module(); }))
            return st;
        return faultsim::step("KX_ERROR_cancel_handler", [] {
            KX_ERROR_cancel_handler(g_handler);
            return 0;
        });
    }
    KX_ERROR_cancel_handler(g_handler);
    const int code = KX_ERROR_ask_failure_code();
    return code == faultsim::kInjectedCode ? code : -2;
}

TEST(MiscWalkHandlerFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"own_handler", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

// The module's registration failing: the call has no frame, so the error
// comes back to the caller's jump buffer with its code, and the armed
// frames are as before the handler was set.
TEST(MiscWalkHandler, AnErrorOfTheModuleInitialisationComesBackToTheCaller) {
    model();
    const int depth = host::control::frame_depth();
    host::control::raise_on("ERROR_register_decoder_fn", 670042, 1);
    static volatile int answered = -7;
    if (setjmp(g_jump) == 0) {
        g_handler = KX_ERROR_set_handler(g_jump);
        ASSERT_NE(g_handler, -1);
        answered = KX_CAM_PREPRO_init_module();
        KX_ERROR_cancel_handler(g_handler);
        FAIL() << "the call answered " << answered;
    }
    KX_ERROR_cancel_handler(g_handler);
    EXPECT_EQ(answered, -7);
    EXPECT_EQ(KX_ERROR_ask_failure_code(), 670042);
    EXPECT_EQ(host::control::frame_depth(), depth);
    EXPECT_EQ(KX_CAM_PREPRO_init_module(), 0);  // the next call registers the band
    model();
}

}  // namespace
