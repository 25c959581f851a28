// Pattern objects: the two switches and how shading keeps within
// archiving, the flag bits of a pattern and the defaults, pattern points,
// and the refusals (no part, bad switch values, objects that are no
// pattern, null outputs).
#include <gtest/gtest.h>

#include <tuple>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/pattern/pattern.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"
#include "tests/support/host_call_points.h"

namespace {

class Pattern : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("patterns.prt");
        CONTEXT_set_work_part(part_);
        patern_ = patern_t{{0, 0, 0}};
    }
    void TearDown() override { kxtest::fresh_process(); }

    static std::pair<int, int> switches() {
        logical a = 7, s = 7;
        EXPECT_EQ(KX_PATT_is_archiving_on(&a), 0);
        EXPECT_EQ(KX_PATT_is_shading_on(&s), 0);
        return {a, s};
    }
    static std::tuple<int, int, int> params(tag pattern) {
        int f1 = 9, f2 = 9, f3 = 9;
        EXPECT_EQ(KX_PATT_ask_params(pattern, &f1, &f2, &f3), 0);
        return {f1, f2, f3};
    }

    unsigned int part_ = 0;
};

TEST_F(Pattern, ShadingKeepsWithinArchiving) {
    // Each row: the switch set, its value, then archiving and shading after.
    struct Row {
        bool shading;
        int on;
        std::pair<int, int> after;
    };
    const Row rows[] = {
        {true, 1, {1, 1}},   // shading on switches archiving on
        {false, 0, {0, 0}},  // archiving off switches shading off
        {false, 1, {1, 0}},  // archiving alone
        {true, 0, {1, 0}},   // shading off keeps archiving
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.shading << " " << r.on);
        EXPECT_EQ(r.shading ? KX_PATT_set_shading(r.on) : KX_PATT_set_archiving(r.on), 0);
        EXPECT_EQ(switches(), r.after);
    }
}

TEST_F(Pattern, SwitchValueOtherThanZeroOrOneChangesNothing) {
    ASSERT_EQ(KX_PATT_set_shading(1), 0);
    for (int bad : {2, -1}) {
        EXPECT_EQ(KX_PATT_set_archiving(bad), 1105004);
        EXPECT_EQ(KX_PATT_set_shading(bad), 1105004);
    }
    EXPECT_EQ(switches(), std::make_pair(1, 1));
}

TEST_F(Pattern, FlagsAreBitsOneToThreeOfThePatternsWord) {
    const tag pattern = PATTERN_create(part_, 0);
    struct Row {
        int in[3];
        int word;
        std::tuple<int, int, int> out;
    };
    const Row rows[] = {
        {{1, 0, 1}, 0b1010, {1, 0, 1}},
        {{0, 1, 0}, 0b0100, {0, 1, 0}},
        {{1, 1, 1}, 0b1110, {1, 1, 1}},
        {{5, -1, 2}, 0, {0, 0, 0}},  // only 1 sets a flag
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KX_PATT_set_params(pattern, r.in[0], r.in[1], r.in[2]), 0);
        int word = -1;
        es1012_(&pattern, &word);
        EXPECT_EQ(word, r.word);
        EXPECT_EQ(params(pattern), r.out);
    }
}

TEST_F(Pattern, NullTagReadsAndSetsTheDefaults) {
    patern_.flags[1] = 7;
    EXPECT_EQ(params(NULL_TAG), std::make_tuple(0, 1, 0));
    EXPECT_EQ(KX_PATT_set_params(NULL_TAG, 1, 0, 5), 0);
    EXPECT_EQ(patern_.flags[0], 1);
    EXPECT_EQ(patern_.flags[1], 0);
    EXPECT_EQ(patern_.flags[2], 0);
    EXPECT_EQ(params(NULL_TAG), std::make_tuple(1, 0, 0));
}

TEST_F(Pattern, PointIsMadeAndIsNoPattern) {
    double at[3] = {1, 2, 3};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_PATT_create_point(at, &point), 0);
    ASSERT_NE(point, NULL_TAG);
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(point, &type, &subtype);
    EXPECT_EQ(type, 2);
    int f1, f2, f3;
    EXPECT_EQ(KX_PATT_ask_params(point, &f1, &f2, &f3), 1105004);
    EXPECT_EQ(KX_PATT_set_params(point, 1, 1, 1), 1105004);
    EXPECT_EQ(KX_PATT_ask_params(0xFFFFFF, &f1, &f2, &f3), 1105004);
}

TEST_F(Pattern, NullArgumentsAreRefusedByPosition) {
    const tag pattern = PATTERN_create(part_, 0);
    int f = 0;
    tag point = 5;
    double at[3] = {0, 0, 0};
    EXPECT_EQ(KX_PATT_is_archiving_on(nullptr), 1105004);
    EXPECT_EQ(KX_PATT_is_shading_on(nullptr), 1105004);
    EXPECT_EQ(KX_PATT_ask_params(pattern, nullptr, &f, &f), 1105005);
    EXPECT_EQ(KX_PATT_ask_params(pattern, &f, nullptr, &f), 1105006);
    EXPECT_EQ(KX_PATT_ask_params(pattern, &f, &f, nullptr), 1105007);
    EXPECT_EQ(KX_PATT_create_point(nullptr, &point), 1105004);
    EXPECT_EQ(point, NULL_TAG);
    EXPECT_EQ(KX_PATT_create_point(at, nullptr), 1105005);
}

// A point is made whole or not at all: a host error at any host call of a
// clean creation (its regeneration included) leaves no point behind and
// the output unset.
TEST_F(Pattern, PointFailingAnywhereLeavesNoPoint) {
    double at[3] = {1.5, -2.25, 7};
    tag point = NULL_TAG;
    host::control::clear_journal();
    ASSERT_EQ(KX_PATT_create_point(at, &point), 0);
    for (const auto& [name, nth] : kxtest::host_call_points()) {
        SCOPED_TRACE(name + " #" + std::to_string(nth));
        TearDown();
        SetUp();
        const std::string before = host::control::model_fingerprint();
        host::control::raise_on(name.c_str(), 670055, nth);
        point = NULL_TAG;
        const int st = KX_PATT_create_point(at, &point);
        host::control::clear_scripts();
        EXPECT_EQ(host::control::frame_depth(), 0);
        if (st != 0) {
            EXPECT_EQ(point, NULL_TAG);
            EXPECT_EQ(host::control::model_fingerprint(), before);
        }
    }
}

TEST(PatternSession, EveryFunctionNeedsALoadedPart) {
    kxtest::fresh_process();
    ASSERT_EQ(KX_initialize(), 0);
    patern_ = patern_t{{0, 0, 0}};
    logical on = 0;
    int f = 0;
    double at[3] = {0, 0, 0};
    tag point = NULL_TAG;
    EXPECT_EQ(KX_PATT_is_archiving_on(&on), 1105012);
    EXPECT_EQ(KX_PATT_set_shading(1), 1105012);
    EXPECT_EQ(KX_PATT_ask_params(NULL_TAG, &f, &f, &f), 1105012);
    EXPECT_EQ(KX_PATT_set_params(NULL_TAG, 1, 1, 1), 1105012);
    EXPECT_EQ(KX_PATT_create_point(at, &point), 1105012);
    EXPECT_EQ(patern_.flags[0], 0);
    kxtest::fresh_process();
}

TEST_F(Pattern, UndoTakesBackTheSwitchesAndFlagWords) {
    const tag pattern = PATTERN_create(part_, 0);
    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark), 0);
    ASSERT_EQ(KX_PATT_set_shading(1), 0);
    ASSERT_EQ(KX_PATT_set_params(pattern, 1, 1, 1), 0);
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(switches(), std::make_pair(0, 0));
    EXPECT_EQ(params(pattern), std::make_tuple(0, 0, 0));
}

TEST(PatternSession, RefusedBeforeInitialisation) {
    kxtest::fresh_process();
    logical on = 0;
    EXPECT_EQ(KX_PATT_is_archiving_on(&on), 1105000);
    EXPECT_EQ(KX_PATT_set_archiving(1), 1105000);
    kxtest::fresh_process();
}

}  // namespace
