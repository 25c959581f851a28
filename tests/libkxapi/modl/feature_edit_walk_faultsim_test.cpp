// The feature list edited (reorder, current feature, delete), features
// sorted and asked whether they make a body, expressions asked and deleted,
// and a user-defined feature placed into a target body, under fault
// simulation: a host error at each host call of a story must leave a clean
// status, no armed frame, no leaked block and, where a call failed, the
// model as before it.
#include <gtest/gtest.h>

#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/udf/udf.h"
#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/host_block.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag_list* g_second_only = nullptr;
unsigned int g_part = 0, g_block = 0, g_first = 0, g_second = 0, g_spare = 0, g_measured = 0;

// A block driven by length, two holes through it, a spare expression and
// one measuring an edge of the block.
void holes() {
    if (g_second_only) KX_MODL_delete_list(&g_second_only);  // of the set-up before
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("feature_edit.prt");
    CONTEXT_set_work_part(g_part);
    unsigned int exp = 0;
    EXP_create_exp(g_part, "length=100", &exp);
    EXP_create_exp(g_part, "spare=12.5", &g_spare);
    const char* b[] = {"length", "50", "20"};
    const double at[] = {0, 0, 0};
    FEAT_create(g_part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &g_block);
    const unsigned int body = FREC_ask_body(g_block);
    const char* c[] = {"20", "40"};
    const double first[] = {30, 25, -10, 0, 0, 1}, second[] = {70, 25, -10, 0, 0, 1};
    FEAT_create(g_part, "CYLINDER", 2, c, 6, first, 0, nullptr, body, FEAT_SIGN_SUBTRACT, &g_first);
    const char* d[] = {"10", "40"};
    FEAT_create(g_part, "CYLINDER", 2, d, 6, second, 0, nullptr, body, FEAT_SIGN_SUBTRACT, &g_second);
    const unsigned int edge =
        host::kernel::object_of(host::kernel::edges_of(host::kernel::entity_of(body)).front());
    EXP_create_geometric_exp(g_part, "edge_length", EXP_MEASURE_LENGTH, 1, &edge, &g_measured);
    KX_MODL_create_list(&g_second_only);
    KX_MODL_put_list_item(g_second_only, g_second);
    host::control::clear_journal();
}

int feature_edits() {
    logical on = 0;
    STEP(KX_MODL_is_body_feature(g_first, &on));
    int order = 0;
    STEP(KX_MODL_sort_features(g_second, g_block, &order));
    logical found = 0;
    STEP(KX_MODL_is_exp_in_part(g_part, "length", &found));
    logical geometric = 0;
    STEP(KX_MODL_is_geometric_expression(g_measured, &geometric));
    STEP(KX_MODL_delete_exp_tag(g_spare));
    STEP(KX_MODL_reorder_feature(g_first, g_second_only, 1));
    STEP(KX_MODL_set_current_feature(g_second));
    STEP(KX_MODL_set_current_feature(g_first));
    return faultsim::step("KX_MODL_delete_feature", [&] { return KX_MODL_delete_feature(g_second_only); });
}

unsigned int g_target_body = 0;

// A block with a 30 x 20 x 8 pocket in its top, a second block elsewhere
// and no current target.
void pocket() {
    const auto [part, block] = fresh_host_block("udf_walk.prt");
    const unsigned int body = FREC_ask_body(block);
    g_target_body = body;
    unsigned int top = 0;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) top = host::kernel::object_of(f);
    }
    unsigned int exp = 0;
    host::expr::create(part, "pocket_depth", "8", &exp);
    int list = 0;
    KI_crlist(KI_LIST_FEATURES, &list);
    CM_ptcmtgli(list, 0, 1, FREF_ask_fref_of_face(top));
    CM_misc_set_link_fref_list(list);
    const char* at[] = {"50", "25", "20"};
    const char* down[] = {"0", "0", "-1"};
    const char* x[] = {"1", "0", "0"};
    const char* parms[] = {"30", "20", "pocket_depth", "0", "0", "0"};
    int status = 0;
    ui_create_rect_pocket(at, down, x, parms, &status);
    CM_misc_set_link_fref_list(0);
    KI_free_list(list);
    BREF_set_current_target(body);
    host::control::clear_journal();
}

int udf_into_target() {
    STEP(KX_initialize());
    const udf_input_parm inputs[] = {{"pocket_depth", "Depth?"}};
    STEP(KX_MODL_export_udf("loose.udf", 1, inputs, 0));
    double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, point[3] = {0, 0, -5};
    tag udf = NULL_TAG, placed = NULL_TAG;
    STEP(KX_MODL_import_udf("loose.udf", orientation, point, &udf));
    return faultsim::step("KX_MODL_boolean_udf_1", [&] {
        return KX_MODL_boolean_udf_1(udf, NULL_TAG, NULL_TAG, nullptr, 0, nullptr, 0, nullptr, 0, g_target_body, 0,
                                     &placed);
    });
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(FeatureEditWalkFaultSimulation, ListEditedAndExpressions) {
    expect_clean({"feature_edit_walk", feature_edits, holes});
    KX_MODL_delete_list(&g_second_only);
}
TEST(FeatureEditWalkFaultSimulation, UdfIntoTheTargetBodyGiven) {
    expect_clean({"feature_edit_walk_udf", udf_into_target, pocket});
}

}  // namespace
