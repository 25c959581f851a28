// The expression queries of features and parts, the suppression and nesting
// queries of a boolean, and the modeling settings queries under fault
// simulation: a host error at each host call of a story must leave a clean
// status, no armed frame, no leaked block and nothing handed out by a call
// that failed.
#include <gtest/gtest.h>

#include "host/base/services/memory.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_block = 0, g_length = 0, g_placed = 0;

// A named length driving a block, positioned against one of its faces
// through a system expression and a named one.
void positioned_block() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("exp_walk.prt");
    CONTEXT_set_work_part(g_part);
    EXP_create_exp(g_part, "length=72.5", &g_length);
    const char* b[] = {"length", "31", "17"};
    const double at[] = {0, 0, 0};
    FEAT_create(g_part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &g_block);
    EXP_create_system_exp(g_part, "12.25", &g_placed);
    const int body = host::kernel::entity_of(FREC_ask_body(g_block));
    host::feature::add_constraint(g_block, "Perpendicular", host::kernel::object_of(host::kernel::faces_of(body)[0]),
                                  {g_length, g_placed});
}

int expression_queries() {
    int n = 0;
    char** texts = nullptr;
    tag* exps = nullptr;
    STEP(KX_MODL_ask_exp_desc_of_frec(g_block, &n, &texts, &exps));
    KX_free_string_array(n, texts);
    KX_free(exps);
    STEP(KX_MODL_ask_rpo_desc_of_frec(g_block, &n, &texts, &exps));
    KX_free_string_array(n, texts);
    KX_free(exps);
    STEP(KX_MODL_ask_exps_of_feature(g_block, &n, &exps));
    KX_free(exps);
    STEP(KX_MODL_ask_exps_of_part(g_part, &n, &exps));
    KX_free(exps);
    tag* features = nullptr;
    STEP(KX_MODL_ask_features_of_exp(g_length, &n, &features));
    KX_free(features);
    tag owner = NULL_TAG;
    STEP(KX_MODL_ask_owning_feat_of_exp(g_placed, &owner));
    double value = 0;
    STEP(KX_MODL_ask_exp_tag_value(g_length, &value));
    char* assignment = nullptr;
    STEP(KX_MODL_ask_exp_tag_string(g_length, &assignment));
    KX_free(assignment);
    return 0;
}

TEST(ExpWalkFaultSimulation, ExpressionQueriesEndClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"exp_walk_expressions", expression_queries, positioned_block});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

tag g_boolean = NULL_TAG;

// A block with a cylinder subtracted from it, the subtraction bound to a
// suppression expression s=1 (kept, not suppressed).
void subtracted_block() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("exp_walk_boolean.prt");
    CONTEXT_set_work_part(g_part);
    const char* b[] = {"90", "44", "18"};
    const double at[] = {0, 0, 0};
    unsigned int block = 0, cylinder = 0;
    FEAT_create(g_part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const char* c[] = {"14", "40"};
    const double axis[] = {37, 21, -10, 0, 0, 1};
    FEAT_create(g_part, "CYLINDER", 2, c, 6, axis, 0, nullptr, 0, FEAT_SIGN_NEW, &cylinder);
    const tag target = FREC_ask_body(block);
    int count = 0;
    tag* bodies = nullptr;
    KX_MODL_subtract_bodies(target, FREC_ask_body(cylinder), &count, &bodies);
    KX_free(bodies);
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_body_features(target, &n, &features);
    g_boolean = n > 0 ? features[n - 1] : NULL_TAG;
    SM_free(features);
    unsigned int s = 0;
    EXP_create_exp(g_part, "s=1", &s);
    KX_MODL_set_suppress_exp_tag(g_boolean, s);
}

int boolean_queries() {
    tag_list* nested = nullptr;
    STEP(KX_MODL_ask_nested_frecs(g_boolean, &nested));
    STEP(KX_MODL_delete_list(&nested));
    tag bound = NULL_TAG;
    return faultsim::step("KX_MODL_ask_suppress_exp_tag",
                          [&] { return KX_MODL_ask_suppress_exp_tag(g_boolean, &bound); });
}

TEST(ExpWalkFaultSimulation, SuppressionAndNestingQueriesEndClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"exp_walk_boolean", boolean_queries, subtracted_block});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

tag g_axis = NULL_TAG;

// An otherwise empty work part holding a datum axis through a point along
// a direction, its display size edited to 13.
void datum_axis() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("exp_walk_settings.prt");
    CONTEXT_set_work_part(g_part);
    const double at[3] = {3.5, -2, 7};
    unsigned int point = 0;
    ES_create_point(at, &point);
    double along[3] = {0.6, 0, 0.8};
    tag dirr = NULL_TAG;
    KX_SO_create_dirr_doubles(g_part, 0, along, &dirr);
    KX_MODL_create_point_dirr_daxis(point, dirr, &g_axis);
    KX_MODL_edit_point_dirr_daxis_size(g_axis, 13);
}

int rpo(tag) { return 0; }

// The void functions of the story answer 0.
int settings_queries() {
    double size = 0;
    STEP(KX_MODL_ask_daxis_size(g_axis, &size));
    int kind = 0;
    STEP(KX_MODL_ask_body_type_pref(&kind));
    double density = 0;
    STEP(KX_MODL_ask_default_density(2, &density));
    int dynamic = -1;
    STEP(KX_MODL_ask_dynamic_update(&dynamic));
    STEP(KX_MODL_register_rpo_routine(rpo));
    int (*routine)(tag) = nullptr;
    STEP(KX_MODL_ask_rpo_routine(&routine));
    double tolerance = 0;
    if (int st = faultsim::step("KX_MODL_ask_distance_tolerance", [&] {
            KX_MODL_ask_distance_tolerance(&tolerance);
            return 0;
        }))
        return st;
    return faultsim::step("KX_MODL_ask_angle_tolerance", [&] {
        KX_MODL_ask_angle_tolerance(&tolerance);
        return 0;
    });
}

TEST(ExpWalkFaultSimulation, SettingsQueriesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"exp_walk_settings", settings_queries, datum_axis});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace

namespace {

// The set-ups hold what the stories ask about: without a raise the
// queries answer the values the set-ups put there.
TEST(ExpWalkSetUps, TheQueriesFindWhatTheStoriesAsk) {
    positioned_block();
    double value = 0;
    ASSERT_EQ(KX_MODL_ask_exp_tag_value(g_length, &value), 0);
    EXPECT_EQ(value, 72.5);
    tag owner = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_owning_feat_of_exp(g_placed, &owner), 0);
    EXPECT_EQ(owner, g_block);
    int n = 0;
    char** texts = nullptr;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_rpo_desc_of_frec(g_block, &n, &texts, &exps), 0);
    EXPECT_EQ(n, 2);
    KX_free_string_array(n, texts);
    KX_free(exps);

    subtracted_block();
    tag_list* nested = nullptr;
    ASSERT_EQ(KX_MODL_ask_nested_frecs(g_boolean, &nested), 0);
    int listed = 0;
    ASSERT_EQ(KX_MODL_ask_list_count(nested, &listed), 0);
    EXPECT_EQ(listed, 1);
    KX_MODL_delete_list(&nested);
    tag bound = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_suppress_exp_tag(g_boolean, &bound), 0);
    EXPECT_NE(bound, NULL_TAG);

    datum_axis();
    double size = 0;
    ASSERT_EQ(KX_MODL_ask_daxis_size(g_axis, &size), 0);
    EXPECT_EQ(size, 13);
    kxtest::fresh_process();
}

}  // namespace
