// Deleting features as one undoable edit: success, dependents, refusals and
// host errors half-way, each leaving the model either edited or as it was.
#include <set>
#include <vector>

#include "host/model/feature/feature.h"
#include "kx_modl.h"
#include "kx_undo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "tests/libkxapi/undo/undo_fixture.h"

namespace {

// A part with a block (f1) and a hole in it (f2), and a second block (f3);
// each feature made one body.
class FeatureDelete : public UndoSession {
protected:
    void SetUp() override {
        UndoSession::SetUp();
        b1 = create('a');
        b2 = create('b');
        b3 = create('c');
        f1 = host::feature::create(part_, "BLOCK", {}, {b1});
        f2 = host::feature::create(part_, "HOLE", {f1}, {b2});
        f3 = host::feature::create(part_, "BLOCK", {}, {b3});
        host::control::clear_journal();
    }

    // The live objects of the part (features, bodies) with each feature's
    // record: the model's state.
    std::vector<std::string> model() const {
        std::vector<std::string> out;
        for (unsigned int t : host::objects::objects_of_part(part_)) {
            std::string row = std::to_string(t);
            if (const auto* r = host::feature::find(t)) {
                row += " " + r->kind;
                for (unsigned int p : r->parents) row += " p" + std::to_string(p);
                for (unsigned int o : r->results) row += " r" + std::to_string(o);
            }
            out.push_back(row);
        }
        return out;
    }

    int delete_features(std::vector<tag> features) {
        tag_list* list = kx::make_tag_list(features);
        const int st = KX_MODL_delete_feature(list);
        KX_MODL_delete_list(&list);
        return st;
    }

public:
    unsigned int b1 = 0, b2 = 0, b3 = 0, f1 = 0, f2 = 0, f3 = 0;
};

TEST_F(FeatureDelete, DeletesTheListedFeaturesAndLeavesNoMark) {
    EXPECT_EQ(delete_features({f2, f3}), 0);
    EXPECT_EQ(alive(), "a");
    EXPECT_TRUE(host::objects::is_alive(f1));
    EXPECT_FALSE(host::objects::is_alive(f2));
    EXPECT_FALSE(host::objects::is_alive(f3));
    EXPECT_EQ(mark_names(), "");
    // The mark is set (visibility 1, its name) before the host list is made.
    const auto marks = host::control::calls("UNDO_JQ_set_mark");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].arg[0], 1);
    EXPECT_STREQ(marks[0].text, "JQ Open Delete Feature");
    EXPECT_TRUE(host::control::called_before("ERROR_set_handler", "UNDO_JQ_set_mark"));
    EXPECT_TRUE(host::control::called_before("UNDO_JQ_set_mark", "KI_crlist"));
    EXPECT_EQ(host::control::calls("KI_crlist")[0].arg[0], 10001);
    EXPECT_EQ(host::control::call_count("CM_ptcmtgli"), 2);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), 0);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), 1);
    // The host list goes when the deletion ends.
    EXPECT_EQ(host::control::call_count("KI_free_list"), 1);
    EXPECT_EQ(host::feature::list_count(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(FeatureDelete, DependentFeaturesGoWithTheirParent) {
    EXPECT_EQ(delete_features({f1}), 0);
    EXPECT_EQ(alive(), "c");
    EXPECT_FALSE(host::objects::is_alive(f2));
    EXPECT_TRUE(host::objects::is_alive(f3));
}

TEST_F(FeatureDelete, MarksOfTheCallerStay) {
    KX_UNDO_mark_id_t mine = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "mine", &mine), 0);
    EXPECT_EQ(delete_features({f3}), 0);
    EXPECT_EQ(mark_names(), "mine");
    // The caller's mark still rolls the deletion back.
    EXPECT_EQ(KX_UNDO_undo_to_mark(mine, "mine"), 0);
    EXPECT_EQ(alive(), "abc");
    EXPECT_NE(host::feature::find(f3), nullptr);
}

// A failure anywhere leaves the model exactly as it was, and no mark.
struct FailureRow {
    const char* title;
    void (*arrange)(FeatureDelete&);
    int status;
};

class FeatureDeleteFailures : public FeatureDelete, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(FeatureDeleteFailures, ModelIsAsItWas) {
    const auto before = model();
    const std::string before_alive = alive();
    GetParam().arrange(*this);
    // f1 and f3 listed: f1, its hole f2 and f3 go in this order.
    EXPECT_EQ(delete_features({f1, f3}), GetParam().status);
    EXPECT_EQ(model(), before);
    EXPECT_EQ(alive(), before_alive);
    EXPECT_EQ(mark_names(), "");
    EXPECT_EQ(host::feature::list_count(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    HalfWay, FeatureDeleteFailures,
    ::testing::Values(
        FailureRow{"HostErrorOnTheSecondFeature",
                   [](FeatureDelete&) { host::control::raise_on("FEAT_delete_one", 875399, 2); }, 875399},
        FailureRow{"HostErrorOnTheLastFeature",
                   [](FeatureDelete&) { host::control::raise_on("FEAT_delete_one", 875399, 3); }, 875399},
        FailureRow{"RefusedStatusOnTheSecondFeature",
                   [](FeatureDelete& t) { host::feature::set_undeletable(t.f2, true); }, FEAT_ERR_UNDELETABLE},
        FailureRow{"RefusedStatusOfTheWholeDeletion",
                   [](FeatureDelete&) { host::control::return_status("FEAT_delete_one", 875398); }, 875398},
        FailureRow{"ListCreationFails", [](FeatureDelete&) { host::control::return_status("KI_crlist", 875397); },
                   875397},
        FailureRow{"AppendRaises", [](FeatureDelete&) { host::control::raise_on("CM_ptcmtgli", 670004, 2); }, 670004},
        FailureRow{"SettingTheMarkRaises", [](FeatureDelete&) { host::control::raise_on("UNDO_JQ_set_mark", 1055098); },
                   1055098}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return std::string(info.param.title); });

TEST_F(FeatureDelete, ErrorWhileRollingBackDoesNotHideTheFirstError) {
    const auto before = model();
    host::control::raise_on("FEAT_delete_one", 875399, 2);
    host::control::raise_on("UNDO_JQ_delete_mark", 1055097, 1);
    EXPECT_EQ(delete_features({f1, f3}), 875399);
    EXPECT_EQ(model(), before);
    EXPECT_EQ(host::feature::list_count(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(FeatureDelete, ObjectThatIsNotAFeatureIsRefused) {
    const auto before = model();
    EXPECT_EQ(delete_features({f3, b1}), FEAT_ERR_NOT_A_FEATURE);
    EXPECT_EQ(model(), before);
}

TEST_F(FeatureDelete, DeadTagBecomesTheStatusAndNothingChanges) {
    const auto before = model();
    EXPECT_EQ(delete_features({f3, 99999}), 670003);
    EXPECT_EQ(model(), before);
    EXPECT_EQ(mark_names(), "");
}

TEST_F(FeatureDelete, EmptyAndNullListsDeleteNothing) {
    const auto before = model();
    EXPECT_EQ(delete_features({}), 0);
    EXPECT_EQ(KX_MODL_delete_feature(nullptr), 0);
    EXPECT_EQ(model(), before);
    EXPECT_EQ(mark_names(), "");
    EXPECT_EQ(host::feature::list_count(), 0);
}

TEST_F(FeatureDelete, NeedsNoSession) {
    ASSERT_EQ(KX_terminate(), 0);
    EXPECT_EQ(delete_features({f3}), 0);
    EXPECT_FALSE(host::objects::is_alive(f3));
}

TEST_F(FeatureDelete, UndoBracketRollsBackAFailedEditAndDropsTheMarkOnSuccess) {
    // The library's undo bracket goes through the same undo service.
    tag made = NULL_TAG;
    const int failed = kx::frame([&] {
        return kx::undo_bracket(1, "Edit", [&] {
            made = create('x');
            return 875001;
        });
    });
    EXPECT_EQ(failed, 875001);
    EXPECT_FALSE(host::objects::is_alive(made));
    const int ok = kx::frame([&] { return kx::undo_bracket(1, "Edit", [&] { made = create('y'); }); });
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(host::objects::is_alive(made));
    int n = -1;
    ASSERT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
    EXPECT_EQ(n, 0);  // the failed edit deletes its mark after the roll-back
}

}  // namespace
