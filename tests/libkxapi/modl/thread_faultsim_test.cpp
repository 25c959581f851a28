// A symbolic thread made by callout in a through hole and read back, under
// fault simulation: every run with a host error at one host call ends
// clean (no block leaked, no mark or frame left, the model as before).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_hole_face = NULL_TAG, g_top = NULL_TAG;

void model() {
    const auto [part, block] = fresh_host_block("thread.prt");
    const unsigned int body = FREC_ask_body(block);
    BREF_set_current_target(body);
    unsigned int top = 0, bottom = 0;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[0] == 0 && d[1] == 0) (p[2] > 10 ? top : bottom) = host::kernel::object_of(f);
    }
    const char* at[] = {"30", "25", "20"};
    const char* along[] = {"0", "0", "-1"};
    const char* parms[] = {"8.5", "1.0", "0.0"};
    int st = 0;
    FORMF_create_simple_hole(at, along, parms, top, bottom, &st);
    g_top = top;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER) g_hole_face = host::kernel::object_of(f);
    }
    host::control::clear_journal();
}

int thread() {
    STEP(KX_initialize());
    symb_thread_data d{};
    d.thread_face = g_hole_face;
    d.start_face = g_top;
    d.direction[2] = -2;
    d.option_1 = 1;
    d.text_1 = "12";
    d.text_2 = "Cut";
    d.text_3 = "Metric";
    d.callout = "M10x1.5";
    tag feature = NULL_TAG;
    STEP(KX_MODL_create_symb_thread(&d, &feature));
    symb_thread_data back{};
    STEP(KX_MODL_ask_symb_thread_parms(feature, &back));
    for (const char* t : {back.text_1, back.text_2, back.text_3, back.callout, back.text_4, back.text_5, back.text_6,
                          back.text_7, back.text_8})
        KX_free(const_cast<char*>(t));
    return 0;
}

TEST(ThreadFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"thread", thread, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
