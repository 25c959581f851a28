// The constraint queries under a host error: each row names the query and
// the host routine that raises (at its n-th call from the query's start).
// A query that fails answers the raised code, hands out nothing (no list,
// no text) and keeps no block; the raise never passes its frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/store/parts/parts.h"
#include "kx_modl_constraint.h"
#include "kx_modl_cre_feat.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kInjected = 670099;

tag g_hole = NULL_TAG, g_dimension = NULL_TAG;

tag face_up(tag body) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

tag front_top_edge(tag body) {
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == 3001 && std::fabs(std::fabs(d[0]) - 1) < 1e-9 && std::fabs(p[1]) < 1e-9 && p[2] > 1)
            return host::kernel::object_of(e);
    }
    return NULL_TAG;
}

// A block of 58 by 33 by 13 with a simple hole of 5 at (19, 14) on its top,
// placed by a vertical dimension of 14 from the front top edge: two
// constraints, the link to the top face and the dimension.
void drilled_block() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("struct_failed_call.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[] = {"58", "33", "13"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const tag body = FREC_ask_body(block);
    double at[] = {19, 14, 13}, into[] = {0, 0, -1};
    g_hole = NULL_TAG;
    KX_MODL_create_simple_hole(at, into, "5", "6", "0", face_up(body), NULL_TAG, &g_hole);
    unsigned int dimension = 0;
    RPO_create_dimension(g_hole, RPO_DIM_VERTICAL, front_top_edge(body), NULL_TAG, "14", &dimension);
    g_dimension = dimension;
}

struct Row {
    const char* name;
    const char* routine;
    int nth;
    // The query: its status; what it handed out in `out` (a list or a
    // text), given back by `give_back`.
    std::function<int(void** out)> call;
    std::function<void(void* out)> give_back;
};

int constraints_of_hole(void** out) {
    tag_list* list = nullptr;
    const int st = KX_MODL_ask_constraints(g_hole, &list);
    *out = list;
    return st;
}
void delete_list(void* out) {
    tag_list* list = static_cast<tag_list*>(out);
    KX_MODL_delete_list(&list);
}
int type_of_dimension(void** out) {
    char* text = nullptr;
    const int st = KX_MODL_ask_constraint_type(g_dimension, &text);
    *out = text;
    return st;
}
void free_text(void* out) { KX_free(out); }

const Row kRows[] = {
    // The list was made before the query's mark: a failed mark kept it.
    {"ConstraintsMarkFails", "UNDO_JQ_set_mark", 1, constraints_of_hole, delete_list},
    {"ConstraintsLookupRaises", "RPO_ask_constraints", 1, constraints_of_hole, delete_list},
    // The second constraint's node.
    {"ConstraintsSecondNodeFails", "SM_alloc_persistent", 2, constraints_of_hole, delete_list},
    // The mark goes after the list is filled: the list is no longer the
    // caller's.
    {"ConstraintsMarkDeleteFails", "UNDO_JQ_delete_mark", 1, constraints_of_hole, delete_list},
    {"TypeMarkDeleteFails", "UNDO_JQ_delete_mark", 1, type_of_dimension, free_text},
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class StructFailedCall : public ::testing::TestWithParam<Row> {};

TEST_P(StructFailedCall, FailedQueryHandsOutNothing) {
    const Row& row = GetParam();
    drilled_block();
    ASSERT_NE(g_dimension, NULL_TAG);
    // The clean run hands its answer out.
    void* answer = nullptr;
    ASSERT_EQ(row.call(&answer), 0);
    ASSERT_NE(answer, nullptr);
    row.give_back(answer);

    const std::size_t blocks = host::control::live_blocks();
    host::control::raise_on(row.routine, kInjected, row.nth);
    void* out = nullptr;
    const int st = row.call(&out);
    host::control::clear_scripts();
    EXPECT_EQ(st, kInjected);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    EXPECT_EQ(host::control::frame_depth(), 0);
    if (out) row.give_back(out);
}

INSTANTIATE_TEST_SUITE_P(Rows, StructFailedCall, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

}  // namespace
