// Booleans between bodies, body replacement, the active target, reorder,
// suppression (also by expression) and parent curves on real bodies made
// through the host's feature service.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"
#include "tests/support/part_files.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Box {
    double x, y, z, dx, dy, dz;
};

class Operation : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("operation.prt");
        CONTEXT_set_work_part(part_);
        target_ = block({0, 0, 0, 100, 50, 20});
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    unsigned int feature(const char* kind, std::vector<std::string> formulas, std::vector<double> numbers,
                         unsigned int target = 0, int sign = 0) const {
        std::vector<const char*> f;
        for (const std::string& s : formulas) f.push_back(s.c_str());
        unsigned int t = 0;
        EXPECT_EQ(FEAT_create(host::parts::work_part(), kind, int(f.size()), f.data(), int(numbers.size()),
                              numbers.data(), 0, nullptr, target, sign, &t),
                  0)
            << kind;
        return t;
    }
    // A block's body in the work part.
    tag block(Box b) const {
        return FREC_ask_body(feature("BLOCK", {num(b.dx), num(b.dy), num(b.dz)}, {b.x, b.y, b.z}));
    }
    // A cylinder of radius 10 along Z through the 100 x 50 x 20 block.
    tag cylinder(double x = 50, double y = 25) const {
        return FREC_ask_body(feature("CYLINDER", {"20", "40"}, {x, y, -10, 0, 0, 1}));
    }
    static std::string num(double v) { return std::to_string(v); }

    static double volume(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    static int faces(tag body) { return int(host::kernel::faces_of(host::kernel::entity_of(body)).size()); }
    static int marks() { return UNDO_JQ_ask_number_of_marks(1) + UNDO_JQ_ask_number_of_marks(0); }
    static bool inside(tag body, double x, double y, double z) {
        const double p[3] = {x, y, z};
        int where = 0;
        ZQ_BODY_ask_containment(host::kernel::entity_of(body), p, &where);
        return where == ZQ_INSIDE;
    }
    // The last feature of the body.
    static tag last_feature(tag body) {
        int n = 0;
        unsigned int* f = nullptr;
        FREC_ask_body_features(body, &n, &f);
        const tag last = n > 0 ? f[n - 1] : NULL_TAG;
        SM_free(f);
        return last;
    }
    static tag_list* list_of(std::vector<tag> tags) { return kx::make_tag_list(tags); }
    static std::vector<tag> take(tag_list*& list) {
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }

    unsigned int part_ = 0;
    tag target_ = NULL_TAG;
};

// ---- booleans ----------------------------------------------------------------

TEST_F(Operation, BooleansAgainstClosedForms) {
    struct Row {
        const char* what;
        int code;
        Box tool;  // dz 0: the radius-10 cylinder through the middle
        int count;
        std::vector<int> faces;
        double volume;  // of all resulting bodies
    };
    const std::vector<Row> rows = {
        {"cylinder subtracted", 2, {50, 25, 0, 0, 0, 0}, 1, {7}, 100000 - 2000 * kPi},
        {"slab through the middle", 2, {45, -5, -5, 10, 60, 30}, 2, {6, 6}, 90000},
        {"overlapping block intersected", 3, {50, 25, 10, 100, 50, 20}, 1, {6}, 50 * 25 * 10},
        {"overlapping block united", 1, {50, 25, 10, 100, 50, 20}, 1, {}, 200000 - 50 * 25 * 10},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        const tag tool = r.tool.dz == 0 ? cylinder(r.tool.x, r.tool.y) : block(r.tool);
        int count = -1;
        tag* bodies = nullptr;
        const int marks_before = marks();
        int st = 0;
        if (r.code == 1) st = KX_MODL_unite_bodies(target_, tool);
        else if (r.code == 2) st = KX_MODL_subtract_bodies(target_, tool, &count, &bodies);
        else st = KX_MODL_intersect_bodies(target_, tool, &count, &bodies);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(marks(), marks_before);
        EXPECT_FALSE(host::objects::is_alive(tool));  // the tool went into the target
        if (r.code == 1) {
            EXPECT_EQ(faces(target_), 12);  // a block on a block: 6 + 6 faces, two of them notched
            EXPECT_NEAR(volume(target_), r.volume, 1e-6 * r.volume);
            continue;
        }
        ASSERT_EQ(count, r.count);
        ASSERT_NE(bodies, nullptr);
        EXPECT_EQ(bodies[0], target_);
        double total = 0;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(faces(bodies[i]), r.faces[i]) << i;
            total += volume(bodies[i]);
        }
        EXPECT_NEAR(total, r.volume, 1e-6 * r.volume);
        KX_free(bodies);
    }
}

TEST_F(Operation, TheBooleanIsAFeatureOfTheTarget) {
    const tag tool = cylinder();
    const tag tool_feature = last_feature(tool);
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target_, tool, &count, &bodies), 0);
    KX_free(bodies);
    const tag boolean = last_feature(target_);
    char* kind = FREC_ask_feature_type(boolean);
    EXPECT_STREQ(kind, "SUBTRACT");
    SM_free(kind);
    // The tool's features are nested under the boolean.
    tag_list* nested = nullptr;
    ASSERT_EQ(KX_MODL_ask_nested_frecs(boolean, &nested), 0);
    EXPECT_EQ(take(nested), std::vector<tag>{tool_feature});
    EXPECT_EQ(KX_MODL_ask_nested_frecs(target_, &nested), 875233);
}

TEST_F(Operation, ToolsOfAnotherPart) {
    const unsigned int other = host::parts::create("tools.prt");
    CONTEXT_set_work_part(other);
    const tag tool = cylinder();
    CONTEXT_set_work_part(part_);
    // Unite takes no tool from another part; the model stays.
    EXPECT_EQ(KX_MODL_unite_bodies(target_, tool), 875027);
    EXPECT_NEAR(volume(target_), 100000, 1e-6);
    // Subtract copies it into the work part; the other part keeps its own.
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target_, tool, &count, &bodies), 0);
    EXPECT_EQ(count, 1);
    KX_free(bodies);
    EXPECT_NEAR(volume(target_), 100000 - 2000 * kPi, 1e-3);
    EXPECT_TRUE(host::objects::is_alive(tool));
    EXPECT_NEAR(volume(tool), 4000 * kPi, 1e-3);
}

TEST_F(Operation, RefusalsLeaveModelAndUndoListAsTheyWere) {
    const tag promoted = block({50, 25, 10, 100, 50, 20});
    host::feature::make_promotion(part_, promoted);
    const tag controlled = block({50, 25, 10, 100, 50, 20});
    host::feature::set_flags(FREC_ask_root_frec_of_body(controlled), true, true, false);
    const tag apart = block({500, 0, 0, 10, 10, 10});
    const tag feature = last_feature(target_);
    struct Row {
        const char* what;
        tag target, tool;
        int code;
        int status;
    };
    const std::vector<Row> rows = {
        {"null target", NULL_TAG, promoted, 1, 875027},
        {"feature as target", feature, promoted, 2, 875032},
        {"null tool of unite", target_, NULL_TAG, 1, 875027},
        {"null tool of subtract", target_, NULL_TAG, 2, 875027},
        {"feature as tool", target_, feature, 2, 875032},
        {"promotion's base as tool", target_, promoted, 1, 1750010},
        {"combination the feature tree refuses", target_, controlled, 1, 875283},
        {"disjoint bodies", target_, apart, 1, KERNEL_ERR_DISJOINT},
        {"tool that misses", target_, apart, 2, KERNEL_ERR_DISJOINT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const int marks_before = marks();
        int count = -1;
        tag* bodies = nullptr;
        const int st = r.code == 1 ? KX_MODL_unite_bodies(r.target, r.tool)
                                   : KX_MODL_subtract_bodies(r.target, r.tool, &count, &bodies);
        EXPECT_EQ(st, r.status);
        EXPECT_EQ(marks(), marks_before);
        EXPECT_NEAR(volume(target_), 100000, 1e-6);
        EXPECT_TRUE(r.tool == NULL_TAG || host::objects::is_alive(r.tool));
        if (r.code == 2) {
            EXPECT_EQ(count, 0);
            EXPECT_EQ(bodies, nullptr);
        }
    }
    int count = 0;
    tag* bodies = nullptr;
    EXPECT_EQ(KX_MODL_subtract_bodies(target_, promoted, nullptr, &bodies), 1105006);
    EXPECT_EQ(KX_MODL_intersect_bodies(target_, promoted, &count, nullptr), 1105007);
    EXPECT_EQ(KX_MODL_operations(target_, promoted, 1), 1750010);
    EXPECT_EQ(KX_MODL_operations(target_, controlled, 2), 875283);
    EXPECT_EQ(KX_MODL_operations(target_, feature, 2), 875032);
    EXPECT_NEAR(volume(target_), 100000, 1e-6);
}

TEST_F(Operation, OlderBooleanEntry) {
    const tag tool = cylinder();
    const int marks_before = marks();
    ASSERT_EQ(KX_MODL_operations(target_, tool, 2), 0);
    EXPECT_EQ(marks(), marks_before);
    EXPECT_NEAR(volume(target_), 100000 - 2000 * kPi, 1e-3);
}

TEST_F(Operation, BooleansAreMadeAgainFromAReopenedPart) {
    // A target that no feature made, a slab across it (the target keeps
    // one piece) and a hole through it.
    const double origin[3] = {0, 0, 0}, size[3] = {100, 50, 20};
    int made = 0;
    ZQ_BODY_make_block(origin, size, &made);
    const tag target = host::kernel::object_of(made);
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target, block({45, -5, -5, 10, 60, 30}), &count, &bodies), 0);
    ASSERT_EQ(count, 2);
    KX_free(bodies);
    const double kept = volume(target);
    double box[6] = {};
    ZQ_TOPOL_find_box(host::kernel::entity_of(target), box);
    ASSERT_EQ(KX_MODL_subtract_bodies(target, cylinder((box[0] + box[3]) / 2, 25), &count, &bodies), 0);
    KX_free(bodies);
    const std::string file = (std::filesystem::temp_directory_path() / "kx_operation_reopen.prt").string();
    std::filesystem::remove(file);
    PART_rename_part(part_, file.c_str());
    part_ = kxtest::reopen_part(part_, file, fresh);
    std::filesystem::remove(file);
    ASSERT_NE(part_, 0u);
    const tag hole = FREC_ask_frec_from_name(part_, "SUBTRACT(6)");
    ASSERT_NE(hole, NULL_TAG);
    const tag body = FREC_ask_body(hole);
    EXPECT_NEAR(volume(body), kept - 2000 * kPi, 1e-3);
    // Suppressing the hole makes the body again from its features.
    tag_list* list = list_of({hole});
    ASSERT_EQ(KX_MODL_suppress_feature(list), 0);
    EXPECT_NEAR(volume(body), kept, 1e-6);
    ASSERT_EQ(KX_MODL_unsuppress_feature(list), 0);
    EXPECT_NEAR(volume(body), kept - 2000 * kPi, 1e-3);
    KX_MODL_delete_list(&list);
}

// ---- replacement, active target, reorder ---------------------------------------

TEST_F(Operation, ReplacingTheToolGivesTheNewBodyAfterUpdate) {
    ASSERT_EQ(KX_MODL_unite_bodies(target_, block({90, 0, 0, 20, 50, 20})), 0);
    const tag boolean = last_feature(target_);
    EXPECT_NEAR(volume(target_), 110000, 1e-6);
    const tag other = block({-30, 0, 0, 40, 50, 20});
    ASSERT_EQ(KX_MODL_replace_boolean_body(boolean, 1, other), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(target_), 130000, 1e-6);
    EXPECT_TRUE(inside(target_, -20, 25, 10));
    EXPECT_FALSE(inside(target_, 105, 25, 10));
}

TEST_F(Operation, ReplacingTheTarget) {
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target_, cylinder(), &count, &bodies), 0);
    KX_free(bodies);
    const tag boolean = last_feature(target_);
    const tag other = block({0, 0, 0, 100, 50, 20});
    ASSERT_EQ(KX_MODL_replace_boolean_body(boolean, 0, other), 0);
    EXPECT_NEAR(volume(target_), 100000, 1e-6);
    EXPECT_NEAR(volume(other), 100000 - 2000 * kPi, 1e-3);
}

TEST_F(Operation, ReplacementRefusals) {
    ASSERT_EQ(KX_MODL_unite_bodies(target_, block({90, 0, 0, 20, 50, 20})), 0);
    const tag boolean = last_feature(target_);
    const tag block_feature = FREC_ask_root_frec_of_body(target_);
    const unsigned int other = host::parts::create("other.prt");
    CONTEXT_set_work_part(other);
    const tag elsewhere = block({0, 0, 0, 10, 10, 10});
    CONTEXT_set_work_part(part_);
    const int marks_before = marks();
    EXPECT_EQ(KX_MODL_replace_boolean_body(block_feature, 1, target_), 1105004);
    EXPECT_EQ(KX_MODL_replace_boolean_body(boolean, 1, block_feature), 875032);
    EXPECT_EQ(KX_MODL_replace_boolean_body(boolean, 1, elsewhere), 875304);
    // A body that takes part already: the host's refusal, model as it was.
    EXPECT_EQ(KX_MODL_replace_boolean_body(boolean, 1, target_), FEAT_ERR_BAD_REFERENCE);
    EXPECT_EQ(marks(), marks_before);
    EXPECT_NEAR(volume(target_), 110000, 1e-6);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_replace_boolean_body(boolean, 1, target_), 1105000);
}

TEST_F(Operation, ActivePart) {
    const tag second = block({0, 100, 0, 10, 10, 10});
    ASSERT_EQ(KX_MODL_active_part(second, 1), 0);
    EXPECT_EQ(BREF_ask_current_target(part_), second);
    EXPECT_EQ(KX_MODL_active_part(last_feature(second), 0), 875008);
    EXPECT_EQ(BREF_ask_current_target(part_), second);
}

TEST_F(Operation, ReorderAndItsFailure) {
    const tag first = feature("CYLINDER", {"20", "40"}, {30, 25, -10, 0, 0, 1}, target_, FEAT_SIGN_SUBTRACT);
    const tag second = feature("CYLINDER", {"10", "40"}, {70, 25, -10, 0, 0, 1}, target_, FEAT_SIGN_SUBTRACT);
    const double before = volume(target_);
    tag_list* list = list_of({second});
    ASSERT_EQ(KX_MODL_reorder_feature(first, list, 1), 0);
    EXPECT_LT(FREC_ask_time_stamp(second), FREC_ask_time_stamp(first));
    EXPECT_NEAR(volume(target_), before, 1e-6);
    // Before the feature that makes the body: refused, nothing moved, no mark left.
    const int marks_before = marks();
    EXPECT_EQ(KX_MODL_reorder_feature(FREC_ask_root_frec_of_body(target_), list, 1), FEAT_ERR_BASE_FEATURE);
    EXPECT_LT(FREC_ask_time_stamp(second), FREC_ask_time_stamp(first));
    EXPECT_EQ(marks(), marks_before);
    EXPECT_EQ(KX_MODL_reorder_feature(target_, list, 1), 875233);
    KX_MODL_delete_list(&list);
}

// ---- suppression -----------------------------------------------------------------

TEST_F(Operation, SuppressingTheSubtractBringsTheBlockBack) {
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target_, cylinder(), &count, &bodies), 0);
    KX_free(bodies);
    const tag boolean = last_feature(target_);
    const tag base = FREC_ask_root_frec_of_body(target_);
    // The base feature cannot be suppressed and is dropped from the list:
    // alone, the host is called with an empty list.
    tag_list* only_base = list_of({base});
    host::control::clear_journal();
    ASSERT_EQ(KX_MODL_suppress_feature(only_base), 0);
    EXPECT_EQ(host::control::call_count("SUP_suppress_feature_list"), 1);
    EXPECT_EQ(host::control::call_count("FREC_set_suppressed"), 0);
    KX_MODL_delete_list(&only_base);
    tag_list* list = list_of({base, boolean});
    ASSERT_EQ(KX_MODL_suppress_feature(list), 0);
    EXPECT_NEAR(volume(target_), 100000, 1e-6);
    int suppressed = -1;
    ASSERT_EQ(KX_MODL_ask_suppress_feature(boolean, &suppressed), 0);
    EXPECT_EQ(suppressed, 1);
    tag_list* listed = nullptr;
    ASSERT_EQ(KX_MODL_ask_suppress_list(&listed), 0);
    EXPECT_EQ(take(listed), std::vector<tag>{boolean});

    // An expression s=0 bound to it keeps it suppressed.
    unsigned int s = 0;
    ASSERT_EQ(EXP_create_exp(part_, "s=0", &s), 0);
    ASSERT_EQ(KX_MODL_set_suppress_exp_tag(boolean, s), 0);
    tag bound = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_suppress_exp_tag(boolean, &bound), 0);
    EXPECT_EQ(bound, s);
    ASSERT_EQ(KX_MODL_unsuppress_feature(list), 0);
    EXPECT_NEAR(volume(target_), 100000, 1e-6);
    // Without it the feature keeps its state; unsuppressing brings the hole back.
    ASSERT_EQ(KX_MODL_unset_suppress_exp_tag(boolean), 0);
    ASSERT_EQ(KX_MODL_ask_suppress_feature(boolean, &suppressed), 0);
    EXPECT_EQ(suppressed, 1);
    ASSERT_EQ(KX_MODL_unsuppress_feature(list), 0);
    EXPECT_NEAR(volume(target_), 100000 - 2000 * kPi, 1e-3);
    ASSERT_EQ(KX_MODL_ask_suppress_list(&listed), 0);
    EXPECT_EQ(take(listed), std::vector<tag>{});
    KX_MODL_delete_list(&list);
}

TEST_F(Operation, SuppressionExpressionChecks) {
    const tag active = feature("CYLINDER", {"20", "40"}, {30, 25, -10, 0, 0, 1}, target_, FEAT_SIGN_SUBTRACT);
    const tag dormant = feature("CYLINDER", {"10", "40"}, {70, 25, -10, 0, 0, 1}, target_, FEAT_SIGN_SUBTRACT);
    tag_list* list = list_of({dormant});
    ASSERT_EQ(KX_MODL_suppress_feature(list), 0);
    KX_MODL_delete_list(&list);
    const tag base = FREC_ask_root_frec_of_body(target_);
    auto exp = [&](const char* assignment) {
        unsigned int t = 0;
        EXPECT_EQ(EXP_create_exp(part_, assignment, &t), 0) << assignment;
        return tag(t);
    };
    const tag zero = exp("off=0"), one = exp("on=1"), zero2 = exp("off2=0");
    const tag parameter = FREC_ask_parm_exp(active, "Diameter");
    struct Row {
        const char* what;
        tag feature, expression;
        int status;
    };
    const std::vector<Row> rows = {
        {"feature that makes the body", base, zero, 875004},
        {"not a feature", target_, zero, 875233},
        {"null expression", active, NULL_TAG, 875013},
        {"value 0 on an active feature", active, zero, 875013},
        {"value 1 on a suppressed feature", dormant, one, 875013},
        {"expression the feature's size uses", dormant, parameter, 875017},
        {"value 0 on a suppressed feature", dormant, zero, 0},
        {"feature bound already", dormant, zero2, 875017},
        {"expression another feature is bound to, value 0, active feature", active, zero, 875013},
        {"value 1 on an active feature", active, one, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const int marks_before = marks();
        EXPECT_EQ(KX_MODL_set_suppress_exp_tag(r.feature, r.expression), r.status);
        EXPECT_EQ(marks(), marks_before);
    }
    tag bound = 1;
    ASSERT_EQ(KX_MODL_ask_suppress_exp_tag(dormant, &bound), 0);
    EXPECT_EQ(bound, zero);
    EXPECT_EQ(KX_MODL_ask_suppress_exp_tag(target_, &bound), 875233);
    EXPECT_EQ(bound, NULL_TAG);
    // Null outputs: the code of their position.
    int suppressed = -1;
    tag_list* none = nullptr;
    EXPECT_EQ(KX_MODL_ask_suppress_exp_tag(dormant, nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_suppress_feature(dormant, nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_nested_frecs(dormant, nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_suppress_list(nullptr), 1105004);
    EXPECT_EQ(KX_MODL_ask_nested_frecs(dormant, &none), 0);
    EXPECT_EQ(take(none), std::vector<tag>{});
    // The expression decides at the update.
    ASSERT_EQ(EXP_edit_exp(part_, zero, "1"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    ASSERT_EQ(KX_MODL_ask_suppress_feature(dormant, &suppressed), 0);
    EXPECT_EQ(suppressed, 0);
}

TEST_F(Operation, AFailedSuppressionIsTakenBack) {
    const tag hole = feature("CYLINDER", {"20", "40"}, {30, 25, -10, 0, 0, 1}, target_, FEAT_SIGN_SUBTRACT);
    const double before = volume(target_);
    host::control::raise_on("SUP_suppress_feature_list", 670099, 1);
    tag_list* list = list_of({hole});
    const int marks_before = marks();
    EXPECT_EQ(KX_MODL_suppress_feature(list), 670099);
    EXPECT_EQ(marks(), marks_before);
    EXPECT_NEAR(volume(target_), before, 1e-6);
    int suppressed = -1;
    ASSERT_EQ(KX_MODL_ask_suppress_feature(hole, &suppressed), 0);
    EXPECT_EQ(suppressed, 0);
    KX_MODL_delete_list(&list);
}

// ---- parent curves -----------------------------------------------------------------

TEST_F(Operation, ParentCurvesShownTwiceIntoTheSameArrays) {
    unsigned int hidden = 0, shown = 0;
    const double a[6] = {0, 0, 0, 10, 0, 0}, b[6] = {0, 0, 0, 0, 10, 0};
    ES_create_line_in_part(part_, a, &hidden);
    ES_create_line_in_part(part_, b, &shown);
    ES_write_blank_status(hidden, 1);
    ES_layer_move_entity(hidden, 7);
    const tag curves = host::feature::create(part_, "LINES", {}, {hidden, shown});
    const tag child = host::feature::create(part_, "EXTRUDED", {curves});

    int na = 0, nb = 0;
    parent_curve_entry* pa = nullptr;
    parent_curve_entry* pb = nullptr;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(KX_MODL_show_parent_curves(child, 0, &na, &pa, &nb, &pb), 0);
        ASSERT_EQ(na, 1);
        ASSERT_EQ(nb, 1);
        EXPECT_EQ(pb[0].curve, shown);
        EXPECT_EQ(pa[0].curve, hidden);
        EXPECT_EQ(ES_is_blanked(hidden), 0);
    }
    // The hidden curve's entry keeps what it was before the first showing.
    EXPECT_EQ(pa[0].value_a, 7);
    EXPECT_EQ(pa[0].value_b, 1);
    EXPECT_EQ(KX_MODL_show_parent_curves(curves, 0, &na, &pa, nullptr, &pb), 1105013);
    EXPECT_EQ(KX_MODL_show_parent_curves(hidden, 0, &na, &pa, &nb, &pb), 875233);

    // Hiding: entries whose curve is gone are dropped from array B and the
    // end is cleared.
    parent_curve_entry* two = static_cast<parent_curve_entry*>(SM_alloc(2 * sizeof(parent_curve_entry)));
    two[0] = {child, 3, 4, 0};  // no curve
    two[1] = {shown, 1, 0, 0};
    const parent_curve_entry back = {hidden, 7, 1, 0};
    ASSERT_EQ(KX_MODL_hide_parent_curves(child, 1, &back, 2, &two), 0);
    EXPECT_EQ(ES_is_blanked(hidden), 1);
    EXPECT_EQ(ES_ask_entity_layer(hidden), 7);
    EXPECT_EQ(two[0].curve, shown);
    EXPECT_EQ(two[0].keep, 1);
    EXPECT_EQ(two[1].curve, NULL_TAG);
    EXPECT_EQ(two[1].value_a, 0);
    EXPECT_EQ(two[1].keep, 0);
    KX_free(two);
    KX_free(pa);
    KX_free(pb);
}

}  // namespace
