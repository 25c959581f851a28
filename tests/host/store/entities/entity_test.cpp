// The host's entity store: attributes and their snapshots, the delete list
// and the model update, cycling, the work coordinate system and the
// creation defaults.
#include <vector>

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/defaults.h"
#include "host/store/entities/entity_cycle.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

namespace he = host::entity;
namespace hv = host::views;

class Entity : public ::testing::Test {
protected:
    void SetUp() override {
        host::control::reset();
        part = host::parts::create("entity.prt");
        host::parts::set_work_part(part);
    }
    void TearDown() override { host::control::reset(); }
    unsigned int make(int type, int subtype = 0) { return he::create({OM_CLASS_RM_ENTITY, type, subtype, part}); }
    unsigned int part = 0;
};

TEST_F(Entity, AttributesRollBackWithTheModel) {
    const unsigned int line = make(3);
    he::attrs(line).color = 20;
    const host::ModelSnapshot snap = host::snapshot_model();
    he::attrs(line).color = 30;
    ES_layer_move_entity(line, 40);
    host::restore_model(snap);
    EXPECT_EQ(ES_ask_entity_color(line), 20);
    EXPECT_EQ(ES_ask_entity_layer(line), 1);
    EXPECT_EQ(host::control::raised_code([] { ES_layer_move_entity(99999, 2); }), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(host::control::raised_code([&] { ES_layer_move_entity(line, 257); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(Entity, DeleteListLogsUntilTheUpdate) {
    const hv::Body body = hv::make_body(part, 2);
    const unsigned int drawing = hv::make_drawing(part, false);
    const unsigned int view = hv::make_view(drawing, 1);
    EXPECT_EQ(host::control::raised_code([&] { UPDATE_log_entity_to_delete(body.body); }), HOST_ERR_INTERNAL);
    LM_open_list_for_delete();
    EXPECT_EQ(host::control::raised_code([] { LM_open_list_for_delete(); }), HOST_ERR_INTERNAL);
    UPDATE_log_entity_to_delete(body.body);
    UPDATE_log_entity_to_delete(drawing);
    EXPECT_TRUE(host::objects::is_alive(body.body));
    EXPECT_EQ(UPDATE_do_update(), 0);
    for (unsigned int t : {body.body, body.faces[0], body.faces[1], drawing, view})
        EXPECT_FALSE(host::objects::is_alive(t)) << t;
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_EQ(he::deleted_by_update(), (std::vector<unsigned int>{body.body, drawing}));
}

TEST_F(Entity, AbortedListDeletesNothing) {
    const unsigned int line = make(3);
    LM_open_list_for_delete();
    UPDATE_log_entity_to_delete(line);
    LM_abort_list();
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_EQ(UPDATE_do_update(), 0);
    EXPECT_TRUE(host::objects::is_alive(line));
}

TEST_F(Entity, CyclesFollowCreationOrderPastDeadObjects) {
    const unsigned int a = make(3);
    const unsigned int b = make(5);
    const unsigned int c = make(3);
    const unsigned int f = host::feature::create(part, "BLOCK");
    unsigned int t = 0;
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, a);
    host::objects::destroy(a);
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, c);
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, 0u);
    EXPECT_EQ(RM_start_cycle_in_part(part), b);
    EXPECT_EQ(RM_next_entity(c), 0u);  // feature records are no entities
    ES_cycle_frecs(part, &t);
    EXPECT_EQ(t, f);
    t = 0;
    es0067_(&t);
    EXPECT_EQ(t, b);
    EXPECT_EQ(host::control::raised_code([] {
                  unsigned int x = 0;
                  ES_cycle_frecs(0, &x);
              }),
              HOST_ERR_DEAD_TAG);
}

// A cycle sees the objects of its part as they are at each step: objects made
// while it runs (also after others were made and deleted), and after a
// roll-back the objects it brought back but not those it took away; objects
// of other parts made meanwhile stay out.
TEST_F(Entity, CyclesSeeObjectsMadeAndRolledBackMeanwhile) {
    auto rest = [&](unsigned int from) {
        std::vector<unsigned int> seen;
        for (unsigned int t = RM_next_entity(from); t != 0 && seen.size() < 50; t = RM_next_entity(t))
            seen.push_back(t);
        return seen;
    };
    const unsigned int other = host::parts::create("other.prt");
    const unsigned int a = make(3);
    const unsigned int b = make(5);
    unsigned int t = 0;
    ES_cycle_entities_by_type(part, 3, &t);
    ASSERT_EQ(t, a);
    host::objects::destroy(make(3));  // made and gone during the cycle
    he::create({OM_CLASS_RM_ENTITY, 3, 0, other});
    const unsigned int c = make(3);
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, c);
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, 0u);

    // Rolled back in the middle of a cycle.
    const host::ModelSnapshot snap = host::snapshot_model();
    const unsigned int undone = make(3);
    host::objects::destroy(b);
    const unsigned int first = RM_start_cycle_in_part(part);
    ASSERT_EQ(first, a);
    EXPECT_EQ(rest(first), (std::vector<unsigned int>{c, undone}));
    host::restore_model(snap);
    EXPECT_EQ(rest(first), (std::vector<unsigned int>{b, c}));
    const unsigned int after = make(9);  // its tag follows the rolled-back one
    EXPECT_EQ(rest(first), (std::vector<unsigned int>{b, c, after}));
}

// Objects that a roll-back took away before any step of a cycle saw them
// must not hide an object made after it from that cycle.
TEST_F(Entity, CyclesSeeAnObjectMadeAfterARollBackOfUnseenObjects) {
    const unsigned int a = make(3);
    unsigned int t = 0;
    ES_cycle_entities_by_type(part, 3, &t);
    ASSERT_EQ(t, a);
    const host::ModelSnapshot snap = host::snapshot_model();
    make(3);
    make(5);
    host::restore_model(snap);
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, 0u);
    const unsigned int made = make(3);
    t = a;
    ES_cycle_entities_by_type(part, 3, &t);
    EXPECT_EQ(t, made);
    EXPECT_EQ(RM_next_entity(a), made);
}

TEST_F(Entity, ReorientingMakesANewWorkCoordinateSystem) {
    EXPECT_EQ(WCS_ask_tag(), 0u);
    const unsigned int first = host::wcs::make_wcs(part);
    const double origin[3] = {1, 2, 3};
    const double axes[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    base_WCS_Orient(origin, axes);
    const unsigned int now = WCS_ask_tag();
    EXPECT_NE(now, first);
    EXPECT_TRUE(host::objects::is_alive(first));
    double o[3];
    ES_ask_csys_origin(now, o);
    EXPECT_EQ(o[2], 3.0);
    unsigned int m = 0;
    ES_ask_matrix_tag_of_entity(now, &m);
    EXPECT_EQ(WCS_ask_skeleton(), m);
    double v[9];
    ES_ask_elements_of_matrix(m, v);
    EXPECT_EQ(v[3], -1.0);
    EXPECT_TRUE(WCS_is_permanent());
    EXPECT_EQ(WCS_set(first), now);
    EXPECT_EQ(host::control::raised_code([&] { WCS_set(m); }), HOST_ERR_WRONG_CLASS);
    host::objects::destroy(first);
    EXPECT_EQ(WCS_ask_tag(), 0u);
}

TEST_F(Entity, DefaultSettingsHandBackTheValuesInForce) {
    int c = -1, l = 12, w = -1, f = -1;
    ES_default_settings(&c, &l, &w, &f);
    EXPECT_EQ(c, 15);
    EXPECT_EQ(l, 12);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(f, 1);
    int bad = 217;
    EXPECT_EQ(host::control::raised_code([&] { ES_default_settings(&bad, &l, &w, &f); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(host::defaults::general().color, 15);
}

TEST_F(Entity, CreationSettingsPerTypeAndPart) {
    EXPECT_EQ(ES_set_work_creation_color(3, 0, 0, 50), 0);
    EXPECT_EQ(ES_set_work_creation_color(15, 0, 0, 50), HOST_ERR_BAD_ARGUMENT);  // not displayable
    int c = 0, f = 0, w = 0;
    EXPECT_EQ(RM_ask_creation_display_data(part, 3, 0, 0, &c, &f, &w), 0);
    EXPECT_EQ(c, 50);
    EXPECT_EQ(f, ES_CRE_DEFAULT);
    EXPECT_EQ(RM_ask_creation_display_data(part, 15, 0, 0, &c, &f, &w), 0);
    EXPECT_EQ(c, -1);
    const unsigned int other = host::parts::create("other.prt");
    EXPECT_EQ(RM_ask_creation_display_data(other, 3, 0, 0, &c, &f, &w), 0);
    EXPECT_EQ(c, ES_CRE_DEFAULT);  // settings belong to their part
    EXPECT_EQ(RM_ask_creation_display_data(0, 3, 0, 0, &c, &f, &w), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(ES_ask_entity_color(make(3)), 50);
}

TEST_F(Entity, NamesAreKeptAsGivenAndComparedWithoutCase) {
    const unsigned int t = make(3);
    int result = 9;
    ES_add_entity_name(t, "Abc", 3, &result);
    EXPECT_EQ(result, 0);
    char buf[30];
    int len = 0, named = 0;
    ES_read_entity_name(t, buf, &len, &named);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(len)), "Abc");
    ES_add_entity_name(t, "x", 31, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(STR_compare_i("abC", "ABC"), 0);
    EXPECT_LT(STR_compare_i("ab", "abc"), 0);
}

}  // namespace
