// The feature relation queries under a host error: each row names the query
// and the host routine that raises (at each of its calls that the query
// makes, one run per call). A query that fails answers the raised code,
// hands out nothing (no array, no list, the caller's value left as it was)
// and keeps no block beyond the one a failed free kept; one that goes
// through hands out its answer.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "host/base/services/memory.h"
#include "host/control/control.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/holed_block_fixture.h"

namespace {

constexpr int kInjected = 670099;
// What a value output holds before the call: no answer of the queries.
constexpr int kUntouched = -7;

// What a query handed out: whether anything, and how to give it back.
struct Out {
    bool handed = false;
    std::function<void()> give_back = [] {};
};

struct Row {
    const char* name;
    const char* routine;
    bool hole_suppressed;
    // The query on the model: its status; what it handed out in `out`.
    std::function<int(Out&)> call;
};

tag g_hole = NULL_TAG, g_block = NULL_TAG, g_edge = NULL_TAG;

// The holed block, its two features and an edge of the hole (on the top
// face, so that both features own a face at it); the hole suppressed when
// asked.
void model(bool suppress_hole) {
    const kxtest::HoledBlock made = kxtest::make_holed_block("feat_rows.prt");
    g_hole = made.hole;
    int n = 0;
    unsigned int* parents = nullptr;
    FREC_ask_parents(g_hole, &n, &parents);
    g_block = n > 0 ? parents[0] : NULL_TAG;
    SM_free(parents);
    tag_list* edges = nullptr;
    KX_MODL_ask_feat_edges(g_hole, &edges);
    g_edge = edges ? edges->item : NULL_TAG;
    KX_MODL_delete_list(&edges);
    if (suppress_hole) {
        tag_list* hole = nullptr;
        KX_MODL_create_list(&hole);
        KX_MODL_put_list_item(hole, g_hole);
        KX_MODL_suppress_feature(hole);
        KX_MODL_delete_list(&hole);
    }
}

int edge_feats(Out& out) {
    tag_list* list = nullptr;
    const int st = KX_MODL_ask_edge_feats(g_edge, &list);
    out.handed = list != nullptr;
    out.give_back = [list]() mutable { KX_MODL_delete_list(&list); };
    return st;
}

int feat_object(Out& out) {
    int count = kUntouched;
    tag* objects = nullptr;
    const int st = KX_MODL_ask_feat_object(g_block, &count, &objects);
    out.handed = objects != nullptr || count > 0;
    out.give_back = [objects] { KX_free(objects); };
    return st;
}

std::function<int(Out&)> relatives_of(const tag* feature) {
    return [feature](Out& out) {
        int np = kUntouched, nc = kUntouched;
        tag *parents = nullptr, *children = nullptr;
        const int st = KX_MODL_ask_feat_relatives(*feature, &np, &parents, &nc, &children);
        out.handed = parents != nullptr || children != nullptr || np > 0 || nc > 0;
        out.give_back = [parents, children] {
            KX_free(parents);
            KX_free(children);
        };
        return st;
    };
}

int suppress_feature(Out& out) {
    int suppressed = kUntouched;
    const int st = KX_MODL_ask_suppress_feature(g_hole, &suppressed);
    out.handed = suppressed != kUntouched;
    return st;
}

int suppress_list(Out& out) {
    tag_list* list = nullptr;
    const int st = KX_MODL_ask_suppress_list(&list);
    out.handed = list != nullptr;
    out.give_back = [list]() mutable { KX_MODL_delete_list(&list); };
    return st;
}

const Row kRows[] = {
    // A free of the work that fails is the call's failure: the answer made
    // from it is not handed out.
    {"EdgeFeatsFreeFails", "SM_free", false, edge_feats},
    {"FeatObjectFreeFails", "SM_free", false, feat_object},
    {"ChildrenOfBlockFreeFails", "SM_free", false, relatives_of(&g_block)},
    {"ParentsOfHoleFreeFails", "SM_free", false, relatives_of(&g_hole)},
    {"SuppressListFreeFails", "SM_free", true, suppress_list},
    // The host look-ups answer the raised code.
    {"FeatObjectLookupRaises", "MOD_UI_ask_disp_entity_of_frec", false, feat_object},
    {"EdgeFeatsFacesRaise", "CM_ask_frecs_of_face", false, edge_feats},
    // The answer goes out once the query's undo mark is gone.
    {"SuppressFeatureMarkDeleteFails", "UNDO_JQ_delete_mark", true, suppress_feature},
    {"SuppressFeatureAskRaises", "SUP_ask_suppress_frec", true, suppress_feature},
};

// A failing row is named by its name, not its bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class FeatWalkFailedCall : public ::testing::TestWithParam<Row> {};

TEST_P(FeatWalkFailedCall, FailedQueryHandsOutNothing) {
    const Row& row = GetParam();
    const bool suppress = row.hole_suppressed;
    model(suppress);
    ASSERT_NE(g_block, NULL_TAG);
    ASSERT_NE(g_edge, NULL_TAG);
    // The clean run counts the routine's calls and hands out an answer.
    host::control::set_journal(true);
    const int first = host::control::call_count(row.routine);
    Out clean;
    ASSERT_EQ(row.call(clean), 0);
    const int calls = host::control::call_count(row.routine) - first;
    host::control::set_journal(false);
    EXPECT_TRUE(clean.handed);
    clean.give_back();
    ASSERT_GT(calls, 0) << row.routine;
    for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(row.routine) + " call " + std::to_string(nth));
        model(suppress);
        const std::size_t blocks = host::control::live_blocks();
        host::control::set_journal(true);
        const int before = host::control::call_count(row.routine);
        host::control::raise_on(row.routine, kInjected, nth);
        Out out;
        const int st = row.call(out);
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
        if (st == 0) {
            EXPECT_TRUE(out.handed);
        } else {
            EXPECT_EQ(st, kInjected);
            EXPECT_FALSE(out.handed);
            // A free that raised kept its block.
            EXPECT_LE(host::control::live_blocks(), blocks + (free_raised ? 1 : 0));
        }
        out.give_back();
        // The test gives the kept block back (the host frees it only when
        // the free goes through).
        if (kept) (void)host::control::raised_code([&] { SM_free(kept); });
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FeatWalkFailedCall, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

}  // namespace
