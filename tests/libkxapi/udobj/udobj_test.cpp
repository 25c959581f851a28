// User-defined objects: classes, data, links, ownership and features over
// the host's service, and a class defined by a user library whose objects
// the host draws, fits, selects, searches and deletes through its routines.
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/display/context.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/udo/udo.h"
#include "kx_core.h"
#include "kx_obj.h"
#include "kx_udobj.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace hc = host::control;
namespace hx = host::context;

class Udo : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("udo.prt");
        host::parts::set_work_part(part);
        line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
        ASSERT_EQ(KX_UDOBJ_create_class("plain", nullptr, &cls), 0);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        hc::reset();
        hc::clear_decoders();
    }
    tag make() {
        tag u = NULL_TAG;
        EXPECT_EQ(KX_UDOBJ_create_udo(cls, &u), 0);
        return u;
    }
    unsigned int part = 0, line = 0;
    udo_class_id cls = 0;
};

TEST_F(Udo, ClassDataHandsBackCopiesAndANullFriendlyNameWhenThereIsNone) {
    udo_class_id named = 0;
    ASSERT_EQ(KX_UDOBJ_create_class("gear", "Gear wheel", &named), 0);
    char *name = nullptr, *friendly = nullptr;
    ASSERT_EQ(KX_UDOBJ_ask_class_data(named, &name, &friendly), 0);
    EXPECT_STREQ(name, "gear");
    EXPECT_STREQ(friendly, "Gear wheel");
    KX_free(name);
    KX_free(friendly);
    friendly = reinterpret_cast<char*>(1);
    ASSERT_EQ(KX_UDOBJ_ask_class_data(cls, &name, &friendly), 0);
    EXPECT_STREQ(name, "plain");
    EXPECT_EQ(friendly, nullptr);
    KX_free(name);
    EXPECT_EQ(KX_UDOBJ_ask_class_data(99, &name, &friendly), 1105004);
    EXPECT_EQ(KX_UDOBJ_ask_class_data(cls, nullptr, &friendly), 1105005);
    EXPECT_EQ(KX_UDOBJ_ask_class_data(cls, &name, nullptr), 1105006);
    // Outputs the layer writes itself are refused when null, not written through.
    EXPECT_EQ(KX_UDOBJ_create_class("cog", nullptr, nullptr), 1105006);
    logical flag = 0;
    tag out = NULL_TAG;
    EXPECT_EQ(KX_UDOBJ_is_udo_feature(NULL_TAG, nullptr), 1105005);
    EXPECT_EQ(KX_UDOBJ_ask_udo_feature_of_udo(NULL_TAG, nullptr), 1105005);
    EXPECT_EQ(KX_UDOBJ_ask_udo_of_udo_feature(NULL_TAG, nullptr), 1105005);
    EXPECT_EQ(KX_UDOBJ_is_udo_feature(NULL_TAG, &flag), 0);
    EXPECT_EQ(KX_UDOBJ_ask_udo_of_udo_feature(NULL_TAG, &out), 670006);
    // Outputs the host fills: a null one is the host's refusal.
    EXPECT_EQ(KX_UDOBJ_create_udo(cls, nullptr), 670002);
    // A class name given twice is the host's refusal.
    udo_class_id again = 0;
    EXPECT_EQ(KX_UDOBJ_create_class("gear", nullptr, &again), 670004);
}

TEST_F(Udo, DataKindsReachTheHostsCallsWithTheirKindValues) {
    const tag u = make();
    const double v[2] = {1.5, 2.5};
    struct Row {
        int (*add)(tag, int, const double*);
        long long kind;
    };
    const Row rows[] = {{KX_UDOBJ_add_doubles, 201606048},
                        {KX_UDOBJ_add_lengths, 201598240},
                        {KX_UDOBJ_add_areas, 201598336},
                        {KX_UDOBJ_add_volumes, 201598368}};
    for (const Row& r : rows) {
        hc::clear_journal();
        ASSERT_EQ(r.add(u, 2, v), 0);
        const auto calls = hc::calls("UDOBJ_add_doubles");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].arg[1], r.kind);
        EXPECT_EQ(calls[0].arg[2], 2);
    }
    const int ints[3] = {7, 8, 9};
    char a[] = "alpha", b[] = "beta";
    char* strings[2] = {a, b};
    ASSERT_EQ(KX_UDOBJ_add_integers(u, 3, ints), 0);
    ASSERT_EQ(KX_UDOBJ_add_strings(u, 2, strings), 0);
    const double edited[2] = {-1, -2};
    ASSERT_EQ(KX_UDOBJ_edit_areas(u, edited), 0);
    ASSERT_EQ(KX_UDOBJ_delete_integers(u, 0, 2), 0);
    ASSERT_EQ(KX_UDOBJ_delete_volumes(u, 1, 1), 0);
    EXPECT_EQ(KX_UDOBJ_delete_strings(u, 1, 5), 670004);
    char c[] = "gamma";
    char* one[2] = {c, b};
    ASSERT_EQ(KX_UDOBJ_edit_strings(u, one), 0);

    const std::size_t blocks = hc::live_blocks();
    udo_data data{};
    EXPECT_EQ(KX_UDOBJ_ask_udo_data(u, nullptr), 1105005);
    ASSERT_EQ(KX_UDOBJ_ask_udo_data(u, &data), 0);
    EXPECT_EQ(data.class_id, cls);
    ASSERT_EQ(data.num_ints, 1);
    EXPECT_EQ(data.ints[0], 9);
    ASSERT_EQ(data.num_areas, 2);
    EXPECT_EQ(data.areas[1], -2);
    EXPECT_EQ(data.num_volumes, 1);
    EXPECT_EQ(data.num_lengths, 2);
    ASSERT_EQ(data.num_strings, 2);
    EXPECT_STREQ(data.strings[0], "gamma");
    EXPECT_STREQ(data.strings[1], "beta");
    EXPECT_EQ(KX_UDOBJ_free_udo_data(nullptr), 1105004);
    ASSERT_EQ(KX_UDOBJ_free_udo_data(&data), 0);
    EXPECT_EQ(hc::live_blocks(), blocks);
    EXPECT_EQ(data.ints, nullptr);
}

TEST_F(Udo, LinksGoOutOfDateWhenTheLinkedObjectGoesAndAreClearedByType) {
    const tag u = make();
    const tag other = host::entity::create({OM_CLASS_RM_ENTITY, 2, 0, part});
    const udo_link links[2] = {{3, line, NULL_TAG, 0}, {1, other, NULL_TAG, 0}};
    ASSERT_EQ(KX_UDOBJ_add_links(u, 2, links), 0);
    logical linked = 0;
    ASSERT_EQ(KX_UDOBJ_is_obj_linked_to_udo(line, &linked), 0);
    EXPECT_EQ(linked, 1);
    int count = 0;
    tag* udos = nullptr;
    ASSERT_EQ(KX_UDOBJ_ask_udo_links_to_obj(line, &count, &udos), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(udos[0], u);
    KX_free(udos);
    EXPECT_EQ(KX_UDOBJ_ask_udo_links_to_obj(line, nullptr, &udos), 1105005);
    EXPECT_EQ(KX_UDOBJ_ask_udo_links_to_obj(line, &count, nullptr), 1105006);

    ASSERT_EQ(KX_OBJ_delete_object(line), 0);
    ASSERT_TRUE(host::udo::info(u).has_value());
    EXPECT_EQ(host::udo::info(u)->status, 1);
    EXPECT_EQ(host::udo::info(u)->links[0].status, 1);

    // Type 5 is refused before the host is asked; type 3 goes as its code.
    const udo_link bad{5, line, NULL_TAG, 0};
    EXPECT_EQ(KX_UDOBJ_clear_link_status(u, &bad), 1105005);
    EXPECT_EQ(KX_UDOBJ_clear_link_status(u, nullptr), 1105005);
    hc::clear_journal();
    ASSERT_EQ(KX_UDOBJ_clear_link_status(u, &links[0]), 0);
    const auto set = hc::calls("UDOBJ_find_and_set_link");
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(static_cast<unsigned int>(set[0].arg[1]), 0x9C022723u);
    EXPECT_EQ(set[0].arg[3], 0);
    EXPECT_EQ(host::udo::info(u)->links[0].status, 0);
    EXPECT_EQ(KX_UDOBJ_clear_link_status(other, &links[1]), 1105004);

    EXPECT_EQ(host::udo::info(u)->status, 1);
    ASSERT_EQ(KX_UDOBJ_clear_udo_status(u), 0);
    EXPECT_EQ(host::udo::info(u)->status, 0);
    EXPECT_EQ(KX_UDOBJ_clear_udo_status(other), 1105004);
    EXPECT_EQ(KX_UDOBJ_clear_udo_status(NULL_TAG), 1105004);

    const udo_link swap{2, u, NULL_TAG, 0};
    EXPECT_EQ(KX_UDOBJ_edit_link(u, nullptr, 0), 1105005);
    ASSERT_EQ(KX_UDOBJ_edit_link(u, &swap, 1), 0);
    EXPECT_EQ(host::udo::info(u)->links[1].link_type, 2);
    EXPECT_EQ(KX_UDOBJ_edit_links(u, nullptr, 1, 0), 1105005);
    ASSERT_EQ(KX_UDOBJ_delete_link(u, &swap), 0);
    EXPECT_EQ(host::udo::info(u)->links.size(), 1u);
}

TEST_F(Udo, OwnedObjectsKnowTheirOwner) {
    const tag owner = make();
    const tag part_of = make();
    const tag objects[2] = {part_of, line};
    ASSERT_EQ(KX_UDOBJ_add_owning_links(owner, 2, objects), 0);
    logical owned = 0;
    ASSERT_EQ(KX_UDOBJ_is_owned(line, &owned), 0);
    EXPECT_EQ(owned, 1);
    EXPECT_EQ(KX_UDOBJ_is_owned(line, nullptr), 1105005);
    tag who = NULL_TAG;
    ASSERT_EQ(KX_UDOBJ_ask_owning_udo(part_of, &who), 0);
    EXPECT_EQ(who, owner);
    EXPECT_EQ(KX_UDOBJ_ask_owning_udo(part_of, nullptr), 1105005);
    int count = 0;
    tag* list = nullptr;
    ASSERT_EQ(KX_UDOBJ_ask_owned_objects(owner, &count, &list), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(list[1], line);
    KX_free(list);
    EXPECT_EQ(KX_UDOBJ_ask_owned_objects(owner, nullptr, &list), 1105005);
    EXPECT_EQ(KX_UDOBJ_ask_owned_objects(owner, &count, nullptr), 1105006);
    ASSERT_EQ(KX_UDOBJ_set_owned_object_selection(owner, 1), 0);
    EXPECT_EQ(host::udo::info(owner)->owned_selection, 1);
    ASSERT_EQ(KX_UDOBJ_delete_owning_link(owner, line), 0);
    ASSERT_EQ(KX_UDOBJ_is_owned(line, &owned), 0);
    EXPECT_EQ(owned, 0);
    // The owner going leaves its objects unowned.
    ASSERT_EQ(KX_OBJ_delete_object(owner), 0);
    ASSERT_EQ(KX_UDOBJ_is_owned(part_of, &owned), 0);
    EXPECT_EQ(owned, 0);
}

TEST_F(Udo, FeaturesStandForTheirObjects) {
    tag u = NULL_TAG, feature = NULL_TAG;
    ASSERT_EQ(KX_UDOBJ_create_udo_feature(cls, &u, &feature), 0);
    logical is = 0;
    ASSERT_EQ(KX_UDOBJ_is_udo_feature(feature, &is), 0);
    EXPECT_EQ(is, 1);
    tag back = NULL_TAG;
    ASSERT_EQ(KX_UDOBJ_ask_udo_of_udo_feature(feature, &back), 0);
    EXPECT_EQ(back, u);
    ASSERT_EQ(KX_UDOBJ_ask_udo_feature_of_udo(u, &back), 0);
    EXPECT_EQ(back, feature);

    // The edit takes its arguments the other way round.
    const tag second = make();
    hc::clear_journal();
    EXPECT_EQ(KX_UDOBJ_edit_udo_of_udo_feature(feature, second), 0);
    const auto edit = hc::calls("UDOBJ_edit_udo_of_udo_feature");
    ASSERT_FALSE(edit.empty());
    EXPECT_EQ(edit[0].arg[0], second);
    EXPECT_EQ(edit[0].arg[1], feature);

    hc::clear_journal();
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(feature), 0);
    EXPECT_EQ(hc::call_count("UPDATE_log_entity_to_update"), 1);
    const unsigned int ordinary = host::feature::create(part, "BLOCK");
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(ordinary), 1105004);
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(u), 1105004);
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(NULL_TAG), 1105004);
    // The check comes before the session's.
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(ordinary), 1105004);
    EXPECT_EQ(KX_UDOBJ_log_udo_feature_for_update(feature), 1105000);
}

TEST_F(Udo, ObjectsCycleByClassAndVersion) {
    udo_class_id other = 0;
    ASSERT_EQ(KX_UDOBJ_create_class("other", "", &other), 0);
    const tag a = make();
    tag b = NULL_TAG;
    ASSERT_EQ(KX_UDOBJ_create_udo(other, &b), 0);
    const tag c = make();
    std::vector<tag> seen;
    tag at = NULL_TAG;
    do {
        ASSERT_EQ(KX_UDOBJ_cycle_udos_by_class(part, cls, &at), 0);
        if (at) seen.push_back(at);
    } while (at != NULL_TAG);
    EXPECT_EQ(seen, (std::vector<tag>{a, c}));
    char* name = nullptr;
    ASSERT_EQ(KX_UDOBJ_ask_udo_class_name(b, &name), 0);
    EXPECT_STREQ(name, "other");
    KX_free(name);
    EXPECT_EQ(KX_UDOBJ_ask_udo_class_name(b, nullptr), 1105005);
    ASSERT_EQ(KX_UDOBJ_version_udo(a, 3), 0);
    EXPECT_EQ(host::udo::info(a)->version, 3);
    EXPECT_EQ(KX_UDOBJ_version_udo(line, 3), 670006);
    tag none = NULL_TAG;
    EXPECT_EQ(KX_UDOBJ_create_udo(42, &none), 670004);
}

// ---- A class of a user library ----

struct Plugin {
    int (*define)(udo_class_id*);
    int (*make_ring)(udo_class_id, double, const double*, const char*, tag*);
    void (*counts)(int*, int*, unsigned int*, int*, int*, int*);
    void (*clear)();
};

const Plugin& plugin() {
    static const Plugin p = [] {
        // Kept loaded for the process: the host holds its routines.
        void* lib = dlopen(KX_TEST_UDO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(lib, nullptr) << dlerror();
        Plugin q{};
        q.define = reinterpret_cast<int (*)(udo_class_id*)>(dlsym(lib, "udo_plugin_define"));
        q.make_ring = reinterpret_cast<int (*)(udo_class_id, double, const double*, const char*, tag*)>(
            dlsym(lib, "udo_plugin_make_ring"));
        q.counts =
            reinterpret_cast<void (*)(int*, int*, unsigned int*, int*, int*, int*)>(dlsym(lib, "udo_plugin_counts"));
        q.clear = reinterpret_cast<void (*)()>(dlsym(lib, "udo_plugin_clear"));
        return q;
    }();
    return p;
}

struct Counts {
    int describe, deletes;
    unsigned int deleted;
    int updates, infos, mode;
};
Counts counts() {
    Counts c{};
    plugin().counts(&c.describe, &c.deletes, &c.deleted, &c.updates, &c.infos, &c.mode);
    return c;
}

class Rings : public Udo {
protected:
    void SetUp() override {
        Udo::SetUp();
        plugin().clear();
        ASSERT_EQ(plugin().define(&ring_class), 0);
        const double centre[3] = {10, 0, 0};
        ASSERT_EQ(plugin().make_ring(ring_class, 2, centre, "R1", &ring), 0);
    }
    udo_class_id ring_class = 0;
    tag ring = NULL_TAG;
};

int count_of(hx::Kind kind) {
    int n = 0;
    for (const hx::Drawn& d : hx::drawn()) n += d.kind == kind;
    return n;
}

TEST_F(Rings, AreDrawnThroughTheirRoutine) {
    DSS_display_record_t record{};
    ASSERT_EQ(host::udo::display(ring, record), 0);
    EXPECT_EQ(counts().mode, 0);
    EXPECT_EQ(count_of(hx::Kind::Circle), 1);
    EXPECT_EQ(count_of(hx::Kind::Line), 1);
    EXPECT_EQ(count_of(hx::Kind::Text), 1);
    EXPECT_EQ(hx::drawn()[0].points[0], 10);
    EXPECT_EQ(hx::drawn()[0].radius, 2);
    EXPECT_EQ(record.drawn, 1);
}

TEST_F(Rings, AreDrawnAgainWhenTheWindowIsRegenerated) {
    const double centre[3] = {0, 0, 0};
    tag second = NULL_TAG;
    ASSERT_EQ(plugin().make_ring(ring_class, 1, centre, nullptr, &second), 0);
    DISPLAY_regenerate();
    EXPECT_EQ(count_of(hx::Kind::Circle), 2);
    EXPECT_EQ(counts().describe, 2);
    DISPLAY_regenerate();
    EXPECT_EQ(count_of(hx::Kind::Circle), 2);
    ASSERT_EQ(KX_OBJ_delete_object(second), 0);
    DISPLAY_regenerate();
    EXPECT_EQ(count_of(hx::Kind::Circle), 1);
}

TEST_F(Rings, AreFittedSelectedAndSearched) {
    DSS_fit_record_t fit{hx::new_fit_box(), 0};
    ASSERT_EQ(host::udo::fit(ring, fit), 0);
    const hx::Box& box = hx::fit_box(fit.box);
    EXPECT_NEAR(box.min[0], 8, 1e-9);
    // The label "R1" hangs from the centre: three characters of 3.85 wide,
    // one line of 3.85 x 16/11 deep.
    EXPECT_NEAR(box.max[0], 10 + 3 * 3.85, 1e-9);
    EXPECT_NEAR(box.min[1], -3.85 * 16 / 11, 1e-9);
    EXPECT_NEAR(box.max[1], 2, 1e-9);
    EXPECT_TRUE(hx::drawn().empty());

    // A pick on the ring's edge hits; one at its centre is 2 away.
    const DSS_pick_view_t on_edge{{12, 0, 5, 0, 0, -1}, 0.1};
    DSS_pick_record_t pick = hx::pick_record(&on_edge);
    ASSERT_EQ(host::udo::pick(ring, pick), 0);
    EXPECT_EQ(pick.found, 1);
    EXPECT_NEAR(pick.best_distance, 0, 1e-9);
    const DSS_pick_view_t far_off{{10, 30, 5, 0, 0, -1}, 0.1};
    DSS_pick_record_t miss = hx::pick_record(&far_off);
    ASSERT_EQ(host::udo::pick(ring, miss), 0);
    EXPECT_EQ(miss.found, 0);

    // The label is left out of selections: the circle and the spoke count.
    hx::set_selection_area(0, -5, 20, 5);
    DSS_area_record_t area = hx::area_record();
    ASSERT_EQ(host::udo::select_area(ring, area), 0);
    EXPECT_EQ(area.class_count[1], 2);
    EXPECT_EQ(area.total, 2);
    hx::set_selection_area(11, -5, 20, 5);
    DSS_area_record_t across = hx::area_record();
    ASSERT_EQ(host::udo::select_area(ring, across), 0);
    EXPECT_EQ(across.class_count[2], 2);

    DSS_attention_record_t centre = hx::attention_record(1);
    ASSERT_EQ(host::udo::attention_point(ring, centre), 0);
    EXPECT_EQ(centre.state, DSS_ATTENTION_FOUND);
    EXPECT_EQ(centre.found_point[0], 10);
    EXPECT_EQ(counts().mode, 4);
}

TEST_F(Rings, AreDeletedWithTheirRoutineTold) {
    ASSERT_EQ(KX_OBJ_delete_object(ring), 0);
    EXPECT_FALSE(host::objects::is_alive(ring));
    EXPECT_EQ(counts().deletes, 1);
    EXPECT_EQ(counts().deleted, ring);
    EXPECT_FALSE(host::udo::info(ring).has_value());
    ASSERT_EQ(host::udo::update(ring), 0);
    EXPECT_EQ(counts().updates, 0);
}

TEST_F(Rings, AnErrorInTheirRoutineIsNotedAndAnswered) {
    const int faulty = 13;
    ASSERT_EQ(KX_UDOBJ_add_integers(ring, 1, &faulty), 0);
    DSS_display_record_t record{};
    hc::clear_log();
    EXPECT_EQ(host::udo::display(ring, record), 750013);
    EXPECT_EQ(hc::frame_depth(), 0);
    const auto log = hc::log_lines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("udo"), std::string::npos);
    // Other objects of the class draw on.
    tag good = NULL_TAG;
    const double centre[3] = {0, 0, 0};
    ASSERT_EQ(plugin().make_ring(ring_class, 1, centre, nullptr, &good), 0);
    ASSERT_EQ(host::udo::display(good, record), 0);
    EXPECT_EQ(count_of(hx::Kind::Circle), 1);
    ASSERT_EQ(host::udo::update(good), 0);
    ASSERT_EQ(host::udo::information(good), 0);
    EXPECT_EQ(counts().updates, 1);
    EXPECT_EQ(counts().infos, 1);
}

TEST_F(Rings, AContextOfAnUnknownModeIsRefusedByThePrimitives) {
    DSS_display_record_t record{};
    EXPECT_EQ(host::udo::call_with_context(ring, UDOBJ_METHOD_DISPLAY, 9, &record), 1105013);
    EXPECT_TRUE(hx::drawn().empty());
}

}  // namespace
