// The feature and body queries, the validity check and the model update
// under fault simulation: a host error at each host call of the story must
// leave a clean status, no armed frame, no leaked block and, where a call
// failed, the model as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_body = 0, g_hole = 0;

// The model: a block with a hole, the block's length edited and not yet
// updated.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("faults.prt");
    CONTEXT_set_work_part(part);
    unsigned int block = 0, exp = 0;
    EXP_create_exp(part, "length=100", &exp);
    const char* b[] = {"length", "50", "20"};
    const double at[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    g_body = FREC_ask_body(block);
    const char* c[] = {"20", "40"};
    const double axis[] = {50, 25, -10, 0, 0, 1};
    FEAT_create(part, "CYLINDER", 2, c, 6, axis, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &g_hole);
    EXP_edit_exp(part, exp, "120");
}

int queries() {
    tag_list* list = nullptr;
    STEP(KX_MODL_ask_body_feats(g_body, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_feat_edges(g_hole, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_body_faces(g_body, &list));
    STEP(KX_MODL_delete_list(&list));
    tag next = NULL_TAG;
    STEP(KX_MODL_ask_previous_feature(g_hole, &next));
    char* name = nullptr;
    STEP(KX_MODL_ask_feat_name(g_hole, &name));
    KX_free(name);
    int validity = 0;
    STEP(KX_MODL_validate_body(1, &g_body, &validity));
    STEP(KX_MODL_set_body_density(g_body, 3, 7.8));
    double d = 0;
    STEP(KX_MODL_ask_body_density(g_body, 1, &d));
    return step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(ModlQueryFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_queries", queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
