// User-defined objects under fault simulation: their data of every kind
// added, edited and deleted, their links and owned objects, their
// features, and the routines of their classes, with a host error raised at
// each host call the stories make; every run must end clean (a failed call
// leaves the model and the live blocks as they were, a failed query hands
// nothing back).
#include <gtest/gtest.h>

#include <cstdio>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/display/context.h"
#include "host/apps/modeling/udo/udo.h"
#include "kx_core.h"
#include "kx_disp_prim.h"
#include "kx_obj.h"
#include "kx_udobj.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_part = NULL_TAG, g_line = NULL_TAG, g_other = NULL_TAG;

// A fresh process with a work part holding two entities to link to.
void work_part() {
    kxtest::fresh_process();
    g_part = host::parts::create("udo_walk.prt");
    host::parts::set_work_part(g_part);
    g_line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, g_part});
    g_other = host::entity::create({OM_CLASS_RM_ENTITY, 2, 0, g_part});
}

int open_class(udo_class_id* cls, tag* udo) {
    STEP(KX_initialize());
    STEP(KX_UDOBJ_create_class("walked", "Walked object", cls));
    STEP(KX_UDOBJ_create_udo(*cls, udo));
    return 0;
}

// Every kind of value: added, edited in place, and some deleted.
int values() {
    udo_class_id cls = 0;
    tag udo = NULL_TAG;
    if (int st = open_class(&cls, &udo)) return st;
    const double doubles[3] = {0.125, -7.5, 3.25}, areas[2] = {12.5, 0.75}, volumes[2] = {33.25, 4.5};
    char first[] = "alpha", second[] = "beta", third[] = "gamma";
    char* const strings[3] = {first, second, third};
    const int ints[3] = {17, -4, 9};
    STEP(KX_UDOBJ_add_integers(udo, 3, ints));
    STEP(KX_UDOBJ_add_doubles(udo, 3, doubles));
    STEP(KX_UDOBJ_add_lengths(udo, 2, areas));
    STEP(KX_UDOBJ_add_areas(udo, 2, areas));
    STEP(KX_UDOBJ_add_volumes(udo, 2, volumes));
    STEP(KX_UDOBJ_add_strings(udo, 3, strings));

    const int ints2[3] = {5, 6, 7};
    const double d2[3] = {1.75, 2.75, 3.75};
    char* const strings2[3] = {third, first, second};
    STEP(KX_UDOBJ_edit_integers(udo, ints2));
    STEP(KX_UDOBJ_edit_doubles(udo, d2));
    STEP(KX_UDOBJ_edit_lengths(udo, volumes));
    STEP(KX_UDOBJ_edit_areas(udo, volumes));
    STEP(KX_UDOBJ_edit_volumes(udo, areas));
    STEP(KX_UDOBJ_edit_strings(udo, strings2));

    STEP(KX_UDOBJ_delete_integers(udo, 1, 2));
    STEP(KX_UDOBJ_delete_doubles(udo, 0, 2));
    STEP(KX_UDOBJ_delete_lengths(udo, 1, 1));
    STEP(KX_UDOBJ_delete_areas(udo, 0, 1));
    STEP(KX_UDOBJ_delete_volumes(udo, 1, 1));
    STEP(KX_UDOBJ_delete_strings(udo, 1, 2));
    return 0;
}

// Links to entities and objects owned by another object.
int links() {
    udo_class_id cls = 0;
    tag udo = NULL_TAG;
    if (int st = open_class(&cls, &udo)) return st;
    const udo_link links[2] = {{3, g_line, NULL_TAG, 0}, {1, g_other, NULL_TAG, 0}};
    STEP(KX_UDOBJ_add_links(udo, 2, links));
    logical is = 0;
    STEP(KX_UDOBJ_is_obj_linked_to_udo(g_line, &is));
    int count = 0;
    tag* udos = nullptr;
    STEP(KX_UDOBJ_ask_udo_links_to_obj(g_line, &count, &udos));
    KX_free(udos);
    STEP(KX_UDOBJ_clear_link_status(udo, &links[0]));
    STEP(KX_UDOBJ_clear_udo_status(udo));
    const udo_link swap{2, g_line, NULL_TAG, 0};
    STEP(KX_UDOBJ_edit_link(udo, &swap, 1));
    const udo_link both[2] = {{4, g_other, NULL_TAG, 0}, {1, g_line, NULL_TAG, 0}};
    STEP(KX_UDOBJ_edit_links(udo, both, 2, 0));
    STEP(KX_UDOBJ_delete_link(udo, &both[0]));

    tag owner = NULL_TAG;
    STEP(KX_UDOBJ_create_udo(cls, &owner));
    const tag owned[2] = {udo, g_other};
    STEP(KX_UDOBJ_add_owning_links(owner, 2, owned));
    STEP(KX_UDOBJ_is_owned(g_other, &is));
    tag who = NULL_TAG;
    STEP(KX_UDOBJ_ask_owning_udo(udo, &who));
    tag* objects = nullptr;
    STEP(KX_UDOBJ_ask_owned_objects(owner, &count, &objects));
    KX_free(objects);
    STEP(KX_UDOBJ_set_owned_object_selection(owner, 1));
    STEP(KX_UDOBJ_delete_owning_link(owner, g_other));
    return 0;
}

int g_deleted = 0;
int on_delete(tag) {
    ++g_deleted;
    return 0;
}
// The routines use the library as a program's routines do: the update
// routine reads its object's data, the information routine its class
// name, the fit and attention point routines draw a circle.
int on_update(tag udo) {
    udo_data data;
    if (int st = KX_UDOBJ_ask_udo_data(udo, &data)) return st;
    return KX_UDOBJ_free_udo_data(&data);
}
int on_info(tag udo) {
    char* name = nullptr;
    const int st = KX_UDOBJ_ask_udo_class_name(udo, &name);
    KX_free(name);
    return st;
}
int on_display(tag, display_context* context) {
    static const double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    static const double centre[3] = {4.5, -2.25, 0};
    return KX_DISP_display_circle(m, centre, 1.75, 1, context);
}

// Features of objects, the routines of a class, versions and cycling; the
// deletion routine is called as its object goes.
int features() {
    udo_class_id cls = 0;
    tag udo = NULL_TAG;
    if (int st = open_class(&cls, &udo)) return st;
    STEP(KX_UDOBJ_register_delete_cb(cls, on_delete));
    STEP(KX_UDOBJ_register_update_cb(cls, on_update));
    STEP(KX_UDOBJ_register_fit_cb(cls, on_display));
    STEP(KX_UDOBJ_register_attn_pt_cb(cls, on_display));
    STEP(KX_UDOBJ_register_info_obj_cb(cls, on_info));

    // The host calls the routines.
    DSS_fit_record_t fit{host::context::new_fit_box(), 0};
    STEP(host::udo::fit(udo, fit));
    DSS_attention_record_t attention = host::context::attention_record(1);
    STEP(host::udo::attention_point(udo, attention));
    STEP(host::udo::update(udo));
    STEP(host::udo::information(udo));

    tag feature = NULL_TAG, back = NULL_TAG, other = NULL_TAG;
    STEP(KX_UDOBJ_create_udo_feature_from_udo(udo, &feature));
    logical is = 0;
    STEP(KX_UDOBJ_is_udo_feature(feature, &is));
    STEP(KX_UDOBJ_ask_udo_feature_of_udo(udo, &back));
    STEP(KX_UDOBJ_ask_udo_of_udo_feature(feature, &back));
    STEP(KX_UDOBJ_create_udo(cls, &other));
    STEP(KX_UDOBJ_edit_udo_of_udo_feature(feature, other));
    STEP(KX_UDOBJ_log_udo_feature_for_update(feature));
    STEP(KX_UDOBJ_version_udo(udo, 3));
    char* name = nullptr;
    STEP(KX_UDOBJ_ask_udo_class_name(other, &name));
    KX_free(name);
    tag at = NULL_TAG;
    STEP(KX_UDOBJ_cycle_udos_by_class(g_part, cls, &at));
    STEP(KX_UDOBJ_cycle_udos_by_class(g_part, cls, &at));
    STEP(KX_OBJ_delete_object(udo));
    return 0;
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(UdoWalkFaultSimulation, ValuesEndClean) { expect_clean({"udo values", values, work_part}); }

TEST(UdoWalkFaultSimulation, LinksAndOwnedObjectsEndClean) {
    expect_clean({"udo links and owned objects", links, work_part});
}

TEST(UdoWalkFaultSimulation, FeaturesAndRoutinesEndClean) {
    expect_clean({"udo features and routines", features, work_part});
}

}  // namespace
