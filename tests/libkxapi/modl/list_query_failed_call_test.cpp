// The list queries of bodies, faces and features under a host error: each
// row names the query and the host routine that raises (at each of its
// calls that the query makes, one run per call). A query that fails hands
// out no list and keeps no block beyond the one a failed free kept; the
// raise never passes its frame.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host/base/services/memory.h"
#include "host/control/control.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/holed_block_fixture.h"

namespace {

constexpr int kInjected = 670099;

enum class Outcome {
    hands_nothing,  // 0 with a list, or a failure that handed out no list
    fails_with_code  // the injected code and no list
};

struct Row {
    const char* name;
    const char* routine;
    Outcome outcome;
    // The query on the model: its status, the list in `list`.
    std::function<int(tag_list**)> call;
};

tag g_body = NULL_TAG, g_hole = NULL_TAG, g_face = NULL_TAG;

void model() {
    const kxtest::HoledBlock made = kxtest::make_holed_block("lists.prt");
    g_body = made.body;
    g_hole = made.hole;
    tag_list* faces = nullptr;
    KX_MODL_ask_feat_faces(g_hole, &faces);
    g_face = faces ? faces->item : NULL_TAG;
    KX_MODL_delete_list(&faces);
}

const Row kRows[] = {
    {"BodyFeatsFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_body_feats(g_body, l); }},
    {"BodyFacesFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_body_faces(g_body, l); }},
    {"BodyEdgesFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_body_edges(g_body, l); }},
    {"FaceEdgesFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_face_edges(g_face, l); }},
    {"AdjacFacesFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_adjac_faces(g_face, l); }},
    {"FaceFeatsFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_face_feats(g_face, l); }},
    {"FeatFacesFreeFails", "SM_free", Outcome::hands_nothing, [](tag_list** l) { return KX_MODL_ask_feat_faces(g_hole, l); }},
    // The body check runs under the frame: its raise is the status.
    {"BodyFeatsCheckRaises", "RM_ask_entity_type_and_subtype", Outcome::fails_with_code,
     [](tag_list** l) { return KX_MODL_ask_body_feats(g_body, l); }},
    {"BodyFacesCheckRaises", "TAG_ask_pointer_of_tag", Outcome::fails_with_code,
     [](tag_list** l) { return KX_MODL_ask_body_faces(g_body, l); }},
    {"BodyEdgesCheckRaises", "RM_ask_entity_type_and_subtype", Outcome::fails_with_code,
     [](tag_list** l) { return KX_MODL_ask_body_edges(g_body, l); }},
    // The kernel look-ups of the feature's faces answer the raised code.
    {"FeatFacesKernelBodyRaises", "ES_solid_ask_fermalith_tag", Outcome::fails_with_code,
     [](tag_list** l) { return KX_MODL_ask_feat_faces(g_hole, l); }},
    {"FeatFacesLookupRaises", "pxlook_", Outcome::fails_with_code,
     [](tag_list** l) { return KX_MODL_ask_feat_faces(g_hole, l); }},
};

class ListQueryFailedCall : public ::testing::TestWithParam<Row> {};

TEST_P(ListQueryFailedCall, FailedQueryHandsOutNothing) {
    const Row& row = GetParam();
    model();
    ASSERT_NE(g_face, NULL_TAG);
    // The clean run counts the routine's calls.
    tag_list* list = nullptr;
    const int before_calls = host::control::call_count(row.routine);
    host::control::set_journal(true);
    const int first = host::control::call_count(row.routine);
    ASSERT_EQ(row.call(&list), 0);
    const int calls = host::control::call_count(row.routine) - first;
    (void)before_calls;
    host::control::set_journal(false);
    ASSERT_NE(list, nullptr);
    KX_MODL_delete_list(&list);
    ASSERT_GT(calls, 0) << row.routine;
    for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(row.routine) + " call " + std::to_string(nth));
        tag_list* out = nullptr;
        const std::size_t blocks = host::control::live_blocks();
        host::control::set_journal(true);
        const int before = host::control::call_count(row.routine);
        host::control::raise_on(row.routine, kInjected, nth);
        const int st = row.call(&out);
        host::control::clear_scripts();
        const bool free_raised = std::string(row.routine) == "SM_free" &&
                                 host::control::call_count(row.routine) - before >= nth;
        void* kept = nullptr;
        if (free_raised) {
            const auto records = host::control::calls("SM_free");
            kept = reinterpret_cast<void*>(records[static_cast<std::size_t>(before + nth - 1)].arg[0]);
        }
        host::control::set_journal(false);
        EXPECT_EQ(host::control::frame_depth(), 0);
        if (row.outcome == Outcome::fails_with_code) {
            EXPECT_EQ(st, kInjected);
        }
        if (st == 0) {
            EXPECT_NE(out, nullptr);
            KX_MODL_delete_list(&out);
        } else {
            EXPECT_EQ(out, nullptr);
            // A free that raised kept its block.
            EXPECT_LE(host::control::live_blocks(), blocks + (free_raised ? 1 : 0));
        }
        // The test gives the kept block back (the host frees it only when
        // the free goes through).
        if (kept) (void)host::control::raised_code([&] { SM_free(kept); });
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ListQueryFailedCall, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

}  // namespace
