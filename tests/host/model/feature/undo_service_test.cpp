// The host's undo service and feature records: snapshots that roll back
// features and objects, the service refusing work while it calls a
// callback, and the part and tag event hooks.
#include <gtest/gtest.h>

#include <vector>

#include "host/control/control.h"
#include "host/store/entities/events.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/base/services/objects.h"

namespace {

class HostFeature : public ::testing::Test {
protected:
    void SetUp() override {
        host::control::reset();
        part = host::objects::create_part("p");
    }
    void TearDown() override { host::control::reset(); }
    unsigned int part = 0;
};

TEST_F(HostFeature, UndoRestoresFeatureRecordsAndTheirObjects) {
    const unsigned int body = host::objects::create({OM_CLASS_RM_ENTITY, 70, 0, part});
    const unsigned int f = host::feature::create(part, "BLOCK", {}, {body});
    int st = -1;
    const unsigned int mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "m", &st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(FEAT_delete_one(f), 0);
    EXPECT_EQ(host::feature::find(f), nullptr);
    EXPECT_FALSE(host::objects::is_alive(body));
    const unsigned int later = host::feature::create(part, "HOLE");
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    ASSERT_NE(host::feature::find(f), nullptr);
    EXPECT_EQ(host::feature::find(f)->results, std::vector<unsigned int>{body});
    EXPECT_TRUE(host::objects::is_alive(body));
    EXPECT_EQ(host::feature::find(later), nullptr);
    // Tags are not handed out again after a roll-back.
    EXPECT_NE(host::feature::create(part, "HOLE"), later);
}

TEST_F(HostFeature, SetMarkAnswersTheStatusForABadVisibility) {
    int st = 0;
    EXPECT_EQ(UNDO_JQ_set_mark(3, "m", &st), 0u);
    EXPECT_EQ(st, UNDO_ERR_BAD_VISIBILITY);
    EXPECT_TRUE(host::undo::marks().empty());
}

unsigned int inner_status_mark = 0;
int inner_set_status = 0;
int inner_undo_status = 0;
void busy_cb(int, unsigned int, void*, void*) {
    inner_status_mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "inner", &inner_set_status);
    inner_undo_status = UNDO_JQ_undo_to_last_mark(UNDO_VISIBLE, "");
}

TEST_F(HostFeature, ServiceIsBusyWhileItCallsACallback) {
    unsigned int id = 0;
    ASSERT_EQ(UNDO_JQ_register_misc_cb(UNDO_CB_MARK_SET, nullptr, UNDO_VISIBLE, busy_cb, nullptr, &id), 0);
    int st = -1;
    EXPECT_NE(UNDO_JQ_set_mark(UNDO_VISIBLE, "outer", &st), 0u);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(inner_status_mark, 0u);
    EXPECT_EQ(inner_set_status, UNDO_ERR_BUSY);
    EXPECT_EQ(inner_undo_status, UNDO_ERR_BUSY);
    EXPECT_EQ(host::undo::marks().size(), 1u);
}

unsigned int second_cb = 0;
int second_calls = 0;
void removes_second(int, unsigned int, void*, void*) { UNDO_JQ_unregister_misc_cb(second_cb); }
void second(int, unsigned int, void*, void*) { ++second_calls; }

TEST_F(HostFeature, CallbackRemovedByAnEarlierOneIsNotCalled) {
    unsigned int first = 0;
    ASSERT_EQ(UNDO_JQ_register_misc_cb(UNDO_CB_ALL_DELETED, nullptr, 0, removes_second, nullptr, &first), 0);
    ASSERT_EQ(UNDO_JQ_register_misc_cb(UNDO_CB_ALL_DELETED, nullptr, 2, second, nullptr, &second_cb), 0);
    EXPECT_EQ(UNDO_JQ_delete_all_marks(), 0);
    EXPECT_EQ(second_calls, 0);
    EXPECT_EQ(host::undo::misc_callback_count(), 1);
}

TEST_F(HostFeature, RegisterMiscCallbackRefusesBadKindAndVisibility) {
    unsigned int id = 0;
    EXPECT_EQ(UNDO_JQ_register_misc_cb(6, nullptr, 1, second, nullptr, &id), UNDO_ERR_BAD_KIND);
    EXPECT_EQ(UNDO_JQ_register_misc_cb(0, nullptr, 3, second, nullptr, &id), UNDO_ERR_BAD_VISIBILITY);
    EXPECT_EQ(host::control::raised_code([] {
                  unsigned int i;
                  UNDO_JQ_register_misc_cb(0, nullptr, 1, nullptr, nullptr, &i);
              }),
              670002);
}

TEST_F(HostFeature, DeletionListsAndTheirChecks) {
    int list = 0;
    ASSERT_EQ(KI_crlist(KI_LIST_FEATURES, &list), 0);
    EXPECT_EQ(host::feature::list_kind(list), KI_LIST_FEATURES);
    const unsigned int f = host::feature::create(part, "BLOCK");
    CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(f));
    EXPECT_EQ(host::feature::list_objects(list).size(), 1u);
    EXPECT_EQ(host::control::raised_code([&] { CM_ptcmtgli(list, 1, 1, 5); }), 670004);
    EXPECT_EQ(host::control::raised_code([&] { CM_ptcmtgli(list + 100, 0, 1, 5); }), 670004);
    EXPECT_EQ(host::control::raised_code([] { CM_ask_object_of_eid(0); }), 670003);
    int st = -1;
    ui_delete_feature_(&list, &st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(host::objects::is_alive(f));
    KI_free_list(list);
    EXPECT_EQ(host::feature::list_count(), 0);
    EXPECT_EQ(host::control::raised_code([&] { KI_free_list(list); }), 670004);
}

// The deletion list holds entity ids, which parts opened together may share:
// an id names the work part's object, so a feature of another part with the
// same id is never deleted in its place.
TEST_F(HostFeature, DeletionTakesTheWorkPartsObjectOfASharedEntityId) {
    const unsigned int a = host::parts::create("a.prt");
    const unsigned int b = host::parts::create("b.prt");
    const unsigned int feature = host::feature::create(a, "BLOCK");
    const unsigned int eid = CM_ask_object_of_eid(feature);
    const unsigned int curve = host::objects::create_with_eid({OM_CLASS_RM_ENTITY, 3, 0, b}, eid);
    auto delete_eid = [&] {
        int list = 0, st = -1;
        EXPECT_EQ(KI_crlist(KI_LIST_FEATURES, &list), 0);
        CM_ptcmtgli(list, 0, 1, eid);
        ui_delete_feature_(&list, &st);
        KI_free_list(list);
        return st;
    };
    host::parts::set_work_part(b);
    EXPECT_EQ(delete_eid(), FEAT_ERR_NOT_A_FEATURE);
    EXPECT_TRUE(host::objects::is_alive(feature));
    EXPECT_TRUE(host::objects::is_alive(curve));
    host::parts::set_work_part(a);
    EXPECT_EQ(delete_eid(), 0);
    EXPECT_FALSE(host::objects::is_alive(feature));
    EXPECT_TRUE(host::objects::is_alive(curve));
}

// ---- Event hooks ----------------------------------------------------------------

std::vector<unsigned int> seen;
int remover_hook = 0;
void hook_a(const void* data, void*) { seen.push_back(static_cast<const PART_event_data*>(data)->part); }
void hook_removing(const void*, void*) {
    seen.push_back(0);
    CALLBACK_remove_function(remover_hook);
}

TEST_F(HostFeature, PartEventHooksRunInOrderAndSurviveRemovalDuringDispatch) {
    seen.clear();
    const int a = CALLBACK_add_function(PART_save_part_reason, hook_removing, nullptr);
    remover_hook = CALLBACK_add_function(PART_save_part_reason, hook_a, nullptr);
    CALLBACK_add_function(PART_save_part_reason, hook_a, nullptr);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(seen, (std::vector<unsigned int>{0, part}));
    EXPECT_EQ(host::events::part_hook_count(host::events::kSaved), 2);
    EXPECT_EQ(CALLBACK_remove_function(a), 1);
    EXPECT_EQ(CALLBACK_remove_function(a), 0);
    // A work-part hook is not removed through the part-event service.
    const int w = CONTEXT_add_chg_work_part_cb(hook_a, nullptr);
    EXPECT_EQ(CALLBACK_remove_function(w), 0);
    EXPECT_EQ(CONTEXT_remove_chg_work_part_cb(w), 1);
    EXPECT_EQ(host::control::raised_code([] { CALLBACK_add_function(3, hook_a, nullptr); }), 670004);
    EXPECT_EQ(host::control::raised_code([] { host::events::fire_part_event(7, 1); }), 670004);
}

}  // namespace
