// Booleans and feature edits under fault simulation: a host error at each
// host call of the story must leave a clean status, no armed frame, no
// leaked block and, where a call failed, the model and the undo marks as
// before it.
#include <gtest/gtest.h>

#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_target = 0, g_hole = 0, g_slab = 0, g_foreign = 0, g_extra = 0, g_child = 0, g_exp = 0;

unsigned int body(unsigned int part, std::vector<const char*> sizes, const double at[3]) {
    unsigned int f = 0;
    FEAT_create(part, "BLOCK", 3, sizes.data(), 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    return FREC_ask_body(f);
}

// A 100 x 50 x 20 block, a cylinder through it, a slab across it, a block
// of another part, a block to unite, an expression and a feature with a
// hidden parent curve.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int other = host::parts::create("tools.prt");
    CONTEXT_set_work_part(other);
    const double origin[3] = {0, 0, 0}, foreign_at[3] = {20, 20, -10}, slab_at[3] = {75, -5, -5},
                 extra_at[3] = {90, 0, 0};
    g_foreign = body(other, {"10", "10", "40"}, foreign_at);
    g_part = host::parts::create("faults.prt");
    CONTEXT_set_work_part(g_part);
    g_target = body(g_part, {"100", "50", "20"}, origin);
    const char* c[] = {"20", "40"};
    const double axis[] = {50, 25, -10, 0, 0, 1};
    unsigned int cylinder = 0;
    FEAT_create(g_part, "CYLINDER", 2, c, 6, axis, 0, nullptr, 0, FEAT_SIGN_NEW, &cylinder);
    g_hole = FREC_ask_body(cylinder);
    g_slab = body(g_part, {"10", "60", "30"}, slab_at);
    g_extra = body(g_part, {"20", "50", "20"}, extra_at);
    EXP_create_exp(g_part, "off=0", &g_exp);
    unsigned int line = 0;
    const double ends[6] = {0, 0, 0, 10, 0, 0};
    ES_create_line_in_part(g_part, ends, &line);
    ES_write_blank_status(line, 1);
    g_child = host::feature::create(g_part, "EXTRUDED", {host::feature::create(g_part, "LINES", {}, {line})});
}

tag last_feature(tag b) {
    tag_list* list = nullptr;
    KX_MODL_ask_body_feats(b, &list);
    int n = 0;
    KX_MODL_ask_list_count(list, &n);
    tag f = NULL_TAG;
    KX_MODL_ask_list_item(list, n - 1, &f);
    KX_MODL_delete_list(&list);
    return f;
}

int story() {
    int count = 0;
    tag* bodies = nullptr;
    STEP(KX_MODL_subtract_bodies(g_target, g_hole, &count, &bodies));
    KX_free(bodies);
    STEP(KX_MODL_subtract_bodies(g_target, g_foreign, &count, &bodies));
    KX_free(bodies);
    STEP(KX_MODL_unite_bodies(g_target, g_extra));
    const tag unite = last_feature(g_target);
    STEP(KX_MODL_subtract_bodies(g_target, g_slab, &count, &bodies));
    KX_free(bodies);
    tag_list* list = nullptr;
    KX_MODL_create_list(&list);
    KX_MODL_put_list_item(list, unite);
    STEP(KX_MODL_suppress_feature(list));
    STEP(KX_MODL_set_suppress_exp_tag(unite, g_exp));
    STEP(KX_MODL_unset_suppress_exp_tag(unite));
    STEP(KX_MODL_unsuppress_feature(list));
    KX_MODL_delete_list(&list);
    int na = 0, nb = 0;
    parent_curve_entry* a = nullptr;
    parent_curve_entry* b = nullptr;
    STEP(KX_MODL_show_parent_curves(g_child, 0, &na, &a, &nb, &b));
    STEP(KX_MODL_hide_parent_curves(g_child, na, a, nb, &b));
    KX_free(a);
    KX_free(b);
    return faultsim::step("KX_MODL_active_part", [] { return KX_MODL_active_part(g_target, 1); });
}

TEST(OperationFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_operations", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
