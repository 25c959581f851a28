// The body, face, edge and feature queries under fault simulation: a host
// error at each host call of the story must leave a clean status, no armed
// frame, no leaked block and no list handed out by a call that failed.
#include <gtest/gtest.h>

#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_body = NULL_TAG, g_hole = NULL_TAG;

// A block of 70 by 45 by 20 with a hole of radius 9 through it.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("walk.prt");
    CONTEXT_set_work_part(part);
    unsigned int block = 0;
    const char* b[] = {"70", "45", "20"};
    const double at[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    g_body = FREC_ask_body(block);
    const char* c[] = {"18", "40"};
    const double axis[] = {31, 17, -10, 0, 0, 1};
    FEAT_create(part, "CYLINDER", 2, c, 6, axis, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &g_hole);
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
