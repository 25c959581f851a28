// A linear instance set, a face offset and an extracted face under fault
// simulation: every run with a host error at one host call ends clean (the
// model, the marks and the host's lists as before a call that failed).
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

unsigned int g_top = 0, g_hole = 0;

// A 100 x 50 x 20 block with a hole in its top face, made through the host
// before the story; the block is the part's current target.
void model() {
    const auto [part, block] = fresh_host_block("iset.prt");
    const unsigned int body = FREC_ask_body(block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) g_top = host::kernel::object_of(f);
    }
    const char* at[] = {"10", "10", "20"};
    const char* down[] = {"0", "0", "-1"};
    const char* parms[] = {"6", "10", "0"};
    int status = 0;
    FORMF_create_simple_hole(at, down, parms, g_top, 0, &status);
    g_hole = FORMF_ask_created_frec();
    BREF_set_current_target(body);
    host::control::clear_journal();
}

int instances() {
    STEP(KX_initialize());
    tag_list* list = nullptr;
    STEP(KX_MODL_create_list(&list));
    STEP(KX_MODL_put_list_item(list, g_hole));
    tag set = NULL_TAG;
    STEP(KX_MODL_create_linear_iset(0, "2", "30", "1", "0", list, &set));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_create_list(&list));
    STEP(KX_MODL_put_list_item(list, g_top));
    tag offset = NULL_TAG;
    STEP(KX_MODL_create_face_offset("5", list, &offset));
    STEP(KX_MODL_delete_list(&list));
    tag sheet = NULL_TAG;
    STEP(KX_MODL_extract_face(g_top, 1, &sheet));
    return 0;
}

TEST(InstanceSetFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"instances", instances, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
