// The host's side of the expressions of features: positioning constraints
// and kept values in the feature's list, positioning expressions, sets of
// objects, instances of instance sets, dimensions of expressions, and
// hand-outs that a failed allocation leaves whole or not at all.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/model/expr/display.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "host/base/services/sets.h"
#include "tests/host/model/feature/feature_model_test.h"

namespace {

class FeatureExps : public FeatureModelTest {
protected:
    void SetUp() override {
        FeatureModelTest::SetUp();
        ASSERT_EQ(make("length=100"), 0);
        block_ = feature("BLOCK", {"length", "50", "20"}, {0, 0, 0});
        face_ = host::kernel::object_of(host::kernel::faces_of(body_of(block_)).front());
        ASSERT_EQ(EXP_create_system_exp(part_, "12", &distance_), 0);
    }
    std::vector<std::string> descriptors_of(unsigned int feature, std::vector<unsigned int>* objects = nullptr) const {
        unsigned int* raw = nullptr;
        char** texts = nullptr;
        int n = 0;
        EXPECT_EQ(FMI_invoke_ask_exps(feature, &raw, &texts, &n), 0);
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) {
            out.emplace_back(texts[i]);
            SM_free(texts[i]);
        }
        if (objects) objects->assign(raw, raw + n);
        SM_free(texts);
        SM_free(raw);
        return out;
    }

    unsigned int block_ = 0, face_ = 0, distance_ = 0;
};

TEST_F(FeatureExps, ConstraintsAndKeptValuesFollowTheParameters) {
    const unsigned int c = host::feature::add_constraint(block_, "Perpendicular", face_, {distance_});
    const unsigned int kept = host::feature::add_kept_value(block_, "Draft Angle", "0");
    std::vector<unsigned int> objects;
    EXPECT_EQ(descriptors_of(block_, &objects),
              (std::vector<std::string>{"Length (XC)", "Width (YC)", "Height (ZC)", "Perpendicular", "Draft Angle"}));
    EXPECT_EQ(objects[3], c);
    EXPECT_EQ(objects[4], kept);
    EXPECT_EQ(OM_ask_class(c), OM_ask_class_of_name(RPO_CONSTRAINT_CLASS_NAME));
    EXPECT_EQ(EXP_is_const_exp(kept), 1);
    EXPECT_EQ(RPO_ask_constraint_target(c), face_);
    // The feature uses their expressions: they cannot be deleted.
    EXPECT_EQ(host::feature::features_using(distance_), (std::vector<unsigned int>{block_}));
    EXPECT_EQ(EXP_delete_exp(distance_), EXP_ERR_IN_USE);
    // A constraint of no feature, or with an object that is no expression.
    EXPECT_EQ(raised([&] { host::feature::add_constraint(face_, "x", 0, {}); }), FEAT_ERR_NOT_A_FEATURE);
    EXPECT_EQ(raised([&] { host::feature::add_constraint(block_, "x", 0, {face_}); }), EXP_ERR_NOT_FOUND);
    EXPECT_EQ(raised([&] { RPO_ask_constraint_target(distance_); }), HOST_ERR_WRONG_CLASS);
}

TEST_F(FeatureExps, UndoTakesAConstraintBack) {
    int st = 0;
    const unsigned int mark = UNDO_JQ_set_mark(1, "before", &st);
    host::feature::add_constraint(block_, "Perpendicular", face_, {distance_});
    ASSERT_EQ(descriptors_of(block_).size(), 4u);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(descriptors_of(block_).size(), 3u);
    EXPECT_TRUE(host::feature::features_using(distance_).empty());
}

TEST_F(FeatureExps, PositioningExpressionsAsHostObjects) {
    unsigned int named = 0;
    ASSERT_EQ(EXP_create_exp(part_, "gap=3", &named), 0);
    host::feature::add_constraint(block_, "Parallel", face_, {named, distance_});
    host::feature::add_kept_value(block_, "Taper", "1");
    int n = 0;
    char** texts = nullptr;
    void** objects = nullptr;
    ASSERT_EQ(RPO_ask_exp_desc_of_frec(block_, &n, &texts, &objects), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(OM_ask_tag(objects[0]), named);
    EXPECT_EQ(OM_ask_tag(objects[1]), distance_);
    EXPECT_STREQ(texts[0], "Parallel");
    EXPECT_STREQ(texts[1], "Parallel");
    for (int i = 0; i < n; ++i) SM_free(texts[i]);
    SM_free(texts);
    SM_free(objects);
    // The set of a constraint's expressions, each once.
    const unsigned int c = host::feature::add_constraint(block_, "Twice", face_, {named, named});
    const int set = OM_create_set();
    extract_system_exp_from_parm_constraint(c, set);
    unsigned int* members = nullptr;
    OM_flatten_set(set, &n, &members);
    EXPECT_EQ(std::vector<unsigned int>(members, members + n), (std::vector<unsigned int>{named}));
    SM_free(members);
    OM_delete_set(set);
    EXPECT_EQ(host::objects::set_count(), 0);
    EXPECT_EQ(raised([&] { OM_delete_set(set); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(raised([&] { OM_ask_tag(nullptr); }), HOST_ERR_NULL_ARGUMENT);
}

TEST_F(FeatureExps, InstancesOfASet) {
    const unsigned int instance = host::feature::create(part_, "INSTANCE");
    int row = 9, column = 9;
    EXPECT_EQ(ISET_ask_instance_position(instance, &row, &column), 0);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(ISET_ask_initial_master_of_ins(instance), 0u);
    host::feature::make_instance(instance, block_, 2, 1);
    EXPECT_EQ(ISET_ask_instance_position(instance, &row, &column), 1);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(ISET_ask_initial_master_of_ins(instance), block_);
}

TEST_F(FeatureExps, DimensionsOfAnExpression) {
    unsigned int unused = 0;
    ASSERT_EQ(EXP_create_exp(part_, "unused=1", &unused), 0);
    int n = 0;
    unsigned int* dims = nullptr;
    EXPECT_EQ(EXP_DISP_display_expression(unused, &n, &dims), EXP_DISP_ERR_NOT_DISPLAYED);
    EXPECT_EQ(EXP_DISP_display_expression(block_, &n, &dims), EXP_DISP_ERR_NO_EXPRESSION);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(dims, nullptr);
    // length drives the block through the system expression of its length.
    ASSERT_EQ(EXP_DISP_display_expression(exp("length"), &n, &dims), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(host::objects::require(dims[0]).type, HOST_TYPE_DIMENSION);
    EXPECT_EQ(host::objects::require(dims[0]).name, "length");
    EXPECT_EQ(host::expr::find_dimension(dims[0])->feature, block_);
    SM_free(dims);
}

// A failed allocation in the middle of a hand-out leaves no block behind.
TEST_F(FeatureExps, HandOutsAreWholeOrNone) {
    host::feature::add_constraint(block_, "Perpendicular", face_, {distance_});
    struct Row {
        const char* what;
        const char* routine;  // the allocation that fails
        int nth;
        std::function<void()> call;
    };
    char* name = nullptr;
    char* formula = nullptr;
    unsigned int* objects = nullptr;
    char** texts = nullptr;
    void** pointers = nullptr;
    int n = 0;
    const std::vector<Row> rows = {
        {"the formula of a split", "SM_string_copy", 2, [&] { EXP_dissect_assignment("a=1", &name, &formula); }},
        {"the descriptor array", "SM_alloc", 2, [&] { FMI_invoke_ask_exps(block_, &objects, &texts, &n); }},
        {"the last descriptor", "SM_string_copy", 4, [&] { FMI_invoke_ask_exps(block_, &objects, &texts, &n); }},
        {"the positioning objects", "SM_alloc", 2, [&] { RPO_ask_exp_desc_of_frec(block_, &n, &texts, &pointers); }},
    };
    for (const Row& r : rows) {
        const std::size_t before = host::memory::stats().live_blocks;
        host::control::raise_on(r.routine, 670099, r.nth);
        EXPECT_EQ(raised(r.call), 670099) << r.what;
        host::control::clear_scripts();
        EXPECT_EQ(host::memory::stats().live_blocks, before) << r.what;
    }
}

}  // namespace
