// The question on a combined curve that meets a host error once it has
// made the caller's list and text: it gives them back and hands nothing
// over.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kCode = 670099;

TEST(CombineFailedCall, AskingGivesBackTheListWhenTheTextCannotBeMade) {
    kxtest::fresh_process();
    ASSERT_EQ(KX_initialize(), 0);
    const unsigned int part = host::parts::create("combine_failed.prt");
    host::parts::set_work_part(part);
    tag matrix = NULL_TAG, ring = NULL_TAG, slope = NULL_TAG, combined = NULL_TAG;
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    ASSERT_EQ(KX_CSYS_create_matrix(rows, &matrix), 0);
    arc_data r{matrix, 0.2, 1.3, {0, 0, 0}, 5};
    ASSERT_EQ(KX_CURVE_create_arc(&r, &ring), 0);
    line_data s{{-7, 0, -2}, {8, 0, 6}};
    ASSERT_EQ(KX_CURVE_create_line(&s, &slope), 0);
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    ASSERT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &combined), 0);

    // The clean call's allocations: the last persistent one is the text.
    host::control::clear_journal();
    tag a = NULL_TAG, b = NULL_TAG;
    combine_direction da{}, db{};
    char* tolerance = nullptr;
    tag_list* list = nullptr;
    ASSERT_EQ(KX_CURVE_ask_combine_curves(combined, &a, &da, &b, &db, &tolerance, &list), 0);
    const int persistent = host::control::call_count("SM_alloc_persistent");
    ASSERT_GT(persistent, 1);
    KX_free(tolerance);
    KX_MODL_delete_list(&list);

    const std::size_t before = host::control::live_blocks();
    host::control::clear_journal();
    host::control::raise_on("SM_alloc_persistent", kCode, persistent);
    EXPECT_NE(KX_CURVE_ask_combine_curves(combined, &a, &da, &b, &db, &tolerance, &list), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(tolerance, nullptr);
    EXPECT_EQ(host::control::live_blocks(), before) << "the list made before the raise is given back";
}

}  // namespace
