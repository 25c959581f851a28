// The feature relation queries under fault simulation: a host error at each
// host call of the story must leave a clean status, no armed frame, no
// leaked block and nothing handed out by a call that failed. The model is
// the holed block; a second story suppresses its hole first, so that the
// suppression queries have something to find.
#include <gtest/gtest.h>

#include "host/base/services/memory.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/holed_block_fixture.h"
#include "tests/support/faultsim.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_body = NULL_TAG, g_hole = NULL_TAG;
// An expression of the hole's parameters: the object the hole uses.
tag g_radius = NULL_TAG;

void model() {
    const kxtest::HoledBlock made = kxtest::make_holed_block("feat_walk.prt");
    g_body = made.body;
    g_hole = made.hole;
    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(g_hole, &n, &exps);
    g_radius = n > 0 ? exps[0] : NULL_TAG;
    SM_free(exps);
}

// The holed block with its hole suppressed.
void suppressed_model() {
    model();
    tag_list* hole = nullptr;
    KX_MODL_create_list(&hole);
    KX_MODL_put_list_item(hole, g_hole);
    KX_MODL_suppress_feature(hole);
    KX_MODL_delete_list(&hole);
}

// Gives back what KX_MODL_ask_body_features handed out.
void free_entries(int count, body_feature_entry** entries) {
    for (int i = 0; i < count; ++i) {
        KX_free(entries[i]->objects);
        KX_free(entries[i]);
    }
    KX_free(entries);
}

int relations() {
    int count = 0;
    body_feature_entry** entries = nullptr;
    STEP(KX_MODL_ask_body_features(g_body, &count, &entries));
    free_entries(count, entries);

    int n_parents = 0, n_children = 0;
    tag *parents = nullptr, *children = nullptr;
    STEP(KX_MODL_ask_feat_relatives(g_hole, &n_parents, &parents, &n_children, &children));
    const tag block = n_parents > 0 ? parents[0] : NULL_TAG;
    KX_free(parents);
    KX_free(children);
    // The block: no parent, the hole its child.
    STEP(KX_MODL_ask_feat_relatives(block, &n_parents, &parents, &n_children, &children));
    KX_free(parents);
    KX_free(children);
    tag next = NULL_TAG;
    STEP(KX_MODL_ask_next_feature(block, &next));
    int stamp = 0;
    STEP(KX_MODL_ask_time_stamp_of_feature(g_hole, &stamp));
    int type = 0;
    STEP(KX_MODL_ask_feature_boolean(g_hole, &type));

    tag* objects = nullptr;
    STEP(KX_MODL_ask_feat_object(block, &count, &objects));
    KX_free(objects);
    tag feature = NULL_TAG;
    STEP(KX_MODL_ask_object_feat(g_radius, &feature));

    tag_list* list = nullptr;
    STEP(KX_MODL_ask_feat_edges(g_hole, &list));
    const tag edge = list->item;
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_edge_feats(edge, &list));
    STEP(KX_MODL_delete_list(&list));

    int value = 0;
    STEP(KX_MODL_ask_immediate_children(&value));
    return faultsim::step("KX_MODL_ask_free_form_result", [&] { return KX_MODL_ask_free_form_result(&value); });
}

int suppression() {
    int suppressed = 0;
    STEP(KX_MODL_ask_suppress_feature(g_hole, &suppressed));
    tag_list* list = nullptr;
    STEP(KX_MODL_ask_suppress_list(&list));
    return faultsim::step("KX_MODL_delete_list", [&] { return KX_MODL_delete_list(&list); });
}

// Without an error the stories' set-ups give the queries something to
// answer: the hole's parent is the block, which comes before it, and the
// suppressed hole is listed.
TEST(FeatWalkSetUp, QueriesFindTheRelations) {
    model();
    int n_parents = 0, n_children = 0;
    tag *parents = nullptr, *children = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_relatives(g_hole, &n_parents, &parents, &n_children, &children), 0);
    ASSERT_EQ(n_parents, 1);
    EXPECT_EQ(n_children, 0);
    const tag block = parents[0];
    KX_free(parents);
    KX_free(children);
    tag next = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_next_feature(block, &next), 0);
    EXPECT_EQ(next, g_hole);
    int count = 0;
    body_feature_entry** entries = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_features(g_body, &count, &entries), 0);
    EXPECT_EQ(count, 2);
    free_entries(count, entries);
    tag* objects = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_object(block, &count, &objects), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(objects[0], g_body);
    KX_free(objects);
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_object_feat(g_radius, &feature), 0);
    EXPECT_EQ(feature, g_hole);

    suppressed_model();
    int suppressed = 0;
    ASSERT_EQ(KX_MODL_ask_suppress_feature(g_hole, &suppressed), 0);
    EXPECT_EQ(suppressed, 1);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_suppress_list(&list), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item, g_hole);
    KX_MODL_delete_list(&list);
}

TEST(FeatWalkFaultSimulation, RelationQueriesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"feat_walk_relations", relations, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(FeatWalkFaultSimulation, SuppressionQueriesEndClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"feat_walk_suppression", suppression, suppressed_model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
