// A story of layers, categories, groups, boundaries and display settings
// under fault simulation: a host error at each host call it makes must end
// clean.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "kx_bound.h"
#include "kx_core.h"
#include "kx_disp_settings.h"
#include "kx_group.h"
#include "kx_layer.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

tag part = NULL_TAG, line = NULL_TAG, point = NULL_TAG;

void fresh_with_part() {
    kxtest::fresh_process();
    part = host::parts::create("layer_story.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    line = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, part});
    point = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, part});
}

int story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    if (int st = step("KX_LAYER_set_status", [] { return KX_LAYER_set_status(5, 3); })) return st;
    const KX_LAYER_status_info_t pairs[] = {{7, 1}, {1, 4}};
    if (int st = step("KX_LAYER_set_many_layers_status", [&] { return KX_LAYER_set_many_layers_status(2, pairs); }))
        return st;
    KX_LAYER_category_info_t info{};
    std::strcpy(info.name, "story");
    info.layer_mask[4] = 1;
    std::strcpy(info.descr, "a category");
    tag category = NULL_TAG;
    if (int st = step("KX_LAYER_create_category", [&] { return KX_LAYER_create_category(&info, &category); }))
        return st;
    if (int st = step("KX_LAYER_edit_category_name", [&] { return KX_LAYER_edit_category_name(category, "told"); }))
        return st;
    if (int st = step("KX_LAYER_ask_category_info", [&] { return KX_LAYER_ask_category_info(category, &info); }))
        return st;
    tag object = NULL_TAG;
    if (int st = step("KX_LAYER_cycle_by_layer", [&] { return KX_LAYER_cycle_by_layer(0, &object); })) return st;

    const tag members[] = {line, point};
    tag group = NULL_TAG;
    if (int st = step("KX_GROUP_create_group", [&] { return KX_GROUP_create_group(members, 2, &group); })) return st;
    tag* got = nullptr;
    int n = 0;
    if (int st = step("KX_GROUP_ask_group_data", [&] { return KX_GROUP_ask_group_data(group, &got, &n); })) return st;
    KX_free(got);
    if (int st =
            step("KX_GROUP_del_member_from_group", [&] { return KX_GROUP_del_member_from_group(point, NULL_TAG); }))
        return st;

    const boundary_member chain[] = {{line, 0}, {point, 0}};
    tag boundary = NULL_TAG;
    if (int st = step("KX_BOUND_create_boundary", [&] {
            return KX_BOUND_create_boundary(0, NULL_TAG, {1, 0, 0}, 2, chain, &boundary);
        }))
        return st;
    boundary_data data{};
    if (int st = step("KX_BOUND_ask_boundary_data", [&] { return KX_BOUND_ask_boundary_data(boundary, &data); }))
        return st;
    KX_free(data.members);
    if (int st = step("KX_BOUND_ask_number_of_boundaries", [&] { return KX_BOUND_ask_number_of_boundaries(line, &n); }))
        return st;

    const double red[3] = {1, 0, 0};
    if (int st = step("KX_DISP_set_color", [&] { return KX_DISP_set_color(3, 0, "red", red); })) return st;
    tag bounds = NULL_TAG;
    if (int st = step("KX_DISP_ask_model_bounds_tag", [&] { return KX_DISP_ask_model_bounds_tag(&bounds); })) return st;
    const double box[6] = {0, 1, 0, 1, 0, 1};
    return step("KX_DISP_set_model_bounds", [&] { return KX_DISP_set_model_bounds(bounds, box); });
}

TEST(LayerFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"layers", story, fresh_with_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    // The one fault left is the undo bracket's, shared by every bracketed
    // edit of the library: a failure to delete the mark after a successful
    // edit is reported while the edit stays. Any other fault is new.
    for (const faultsim::Fault& f : r.faults)
        EXPECT_TRUE(f.call == "UNDO_JQ_delete_mark" && f.check == "model" && f.where == "KX_LAYER_create_category")
            << faultsim::describe(f);
}

}  // namespace
