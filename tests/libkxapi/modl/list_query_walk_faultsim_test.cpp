// The body, face, edge and feature queries under fault simulation: a host
// error at each host call of the story must leave a clean status, no armed
// frame, no leaked block and no list handed out by a call that failed.
#include <gtest/gtest.h>

#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/libkxapi/modl/holed_block_fixture.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_body = NULL_TAG, g_hole = NULL_TAG;

void model() {
    const kxtest::HoledBlock made = kxtest::make_holed_block("walk.prt");
    g_body = made.body;
    g_hole = made.hole;
}

int queries() {
    tag_list* faces = nullptr;
    STEP(KX_MODL_ask_feat_faces(g_hole, &faces));
    const tag face = faces->item;
    STEP(KX_MODL_delete_list(&faces));
    tag_list* list = nullptr;
    STEP(KX_MODL_ask_face_feats(face, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_body_edges(g_body, &list));
    const tag edge = list->item;
    STEP(KX_MODL_delete_list(&list));
    tag body = NULL_TAG;
    STEP(KX_MODL_ask_feat_body(g_hole, &body));
    STEP(KX_MODL_ask_face_body(face, &body));
    STEP(KX_MODL_ask_edge_body(edge, &body));
    int kind = 0;
    STEP(KX_MODL_ask_body_type(g_body, &kind));
    STEP(KX_MODL_ask_face_type(face, &kind));
    STEP(KX_MODL_ask_edge_type(edge, &kind));
    STEP(KX_MODL_ask_feature_sign(g_hole, &kind));
    char* type = nullptr;
    STEP(KX_MODL_ask_feat_type(g_hole, &type));
    KX_free(type);
    return 0;
}

TEST(ListQueryWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"list_query_walk", queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
