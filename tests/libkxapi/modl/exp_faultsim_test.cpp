// Expressions under fault simulation: a host error at each host call of
// the story must leave a clean status, no armed frame, no leaked block
// and, where a call failed, the model (expressions and dimensions
// included) as before it.
#include <gtest/gtest.h>

#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_block = 0, g_length = 0, g_width = 0;

// The model: a named length driving a block, positioned against one of
// its faces through a system expression.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("faults.prt");
    CONTEXT_set_work_part(part);
    EXP_create_exp(part, "length=100", &g_length);
    const char* b[] = {"length", "50", "20"};
    const double at[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &g_block);
    g_width = FREC_ask_parm_exp(g_block, "Width (YC)");
    unsigned int distance = 0;
    EXP_create_system_exp(part, "12", &distance);
    const int body = host::kernel::entity_of(FREC_ask_body(g_block));
    host::feature::add_constraint(g_block, "Perpendicular", host::kernel::object_of(host::kernel::faces_of(body)[0]),
                                  {distance});
}

int expressions() {
    STEP(KX_MODL_create_exp("twice=length*2"));
    STEP(KX_MODL_edit_exp("length=120"));
    STEP(KX_MODL_rename_exp("twice", "double_length"));
    double v = 0;
    STEP(KX_MODL_eval_exp("double_length", &v));
    char text[KX_MODL_EXP_TEXT];
    STEP(KX_MODL_ask_exp("double_length", text));
    tag t = NULL_TAG;
    STEP(KX_MODL_create_exp_tag("3*4", &t));
    char* name = nullptr;
    char* formula = nullptr;
    STEP(KX_MODL_dissect_exp_string("length=5", &name, &formula, &t));
    KX_free(name);
    KX_free(formula);
    int n = 0;
    char** texts = nullptr;
    tag* exps = nullptr;
    STEP(KX_MODL_ask_exp_desc_of_feat(g_block, &n, &texts, &exps));
    KX_free_string_array(n, texts);
    KX_free(exps);
    STEP(KX_MODL_ask_rpo_desc_of_feat(g_block, &n, &texts, &exps));
    KX_free_string_array(n, texts);
    KX_free(exps);
    char* descriptor = nullptr;
    STEP(KX_MODL_ask_descriptor_of_exp(g_width, &descriptor));
    KX_free(descriptor);
    STEP(KX_MODL_export_exp("out.exp"));
    STEP(KX_MODL_import_exp("out.exp", KX_MODL_EXP_IMPORT_REPLACE));
    tag* dims = nullptr;
    STEP(KX_MODL_get_dimension_data(g_length, &n, &dims));
    KX_free(dims);
    return step("KX_MODL_delete_exp", [] { return KX_MODL_delete_exp("double_length"); });
}

TEST(ExpFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"expressions", expressions, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
