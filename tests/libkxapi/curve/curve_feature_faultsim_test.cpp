// Curve features under fault simulation: bridge, projected and combined
// curve features made, asked and edited, curves joined (one chain and the
// chains found), an analysis display set; every run with a host error at
// one host call ends clean (a failed call leaves the model, the undo marks
// and the live blocks as they were).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/store/entities/entity_types.h"
#include "host/model/feature/profiles.h"
#include "host/base/services/memory.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

int curve_features() {
    tag part = NULL_TAG, ground = NULL_TAG, left = NULL_TAG, right = NULL_TAG, slope = NULL_TAG;
    STEP(KX_initialize());
    STEP(KX_PART_new("curvefeatures.prt", 1, &part));
    tag matrix = NULL_TAG;
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    STEP(KX_CSYS_create_matrix(rows, &matrix));
    arc_data a{matrix, 0, M_PI / 2, {0, 0, 0}, 5};
    STEP(KX_CURVE_create_arc(&a, &left));
    arc_data b{matrix, M_PI / 2, M_PI, {20, 0, 0}, 5};
    STEP(KX_CURVE_create_arc(&b, &right));
    line_data l{{-10, 0, -3}, {10, 0, 7}};
    STEP(KX_CURVE_create_line(&l, &slope));
    const double origin[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    ground = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, origin, up);

    // A bridge: made, asked, edited.
    int per[1] = {1}, dir[1] = {1};
    tag first_objects[1] = {left}, second_objects[1] = {right};
    string_list first{1, per, dir, first_objects}, second{1, per, dir, second_objects};
    bridge_data d{};
    d.method = 1;
    d.first_curve = &first;
    d.second_curve = &second;
    d.first_position = const_cast<char*>("100");
    d.second_position = const_cast<char*>("0");
    d.first_shape = const_cast<char*>("100");
    d.second_shape = const_cast<char*>("100");
    tag bridge = NULL_TAG;
    STEP(KX_CURVE_create_bridge_feature(&d, &bridge));
    bridge_data back{};
    STEP(KX_CURVE_ask_bridge_feature(bridge, &back));
    for (string_list* s : {back.first_curve, back.second_curve}) {
        KX_MODL_free_string_list(s);
        KX_free(s);
    }
    for (char* t : {back.first_position, back.second_position, back.first_shape, back.second_shape}) KX_free(t);
    d.second_position = const_cast<char*>("50");
    STEP(KX_CURVE_edit_bridge_feature(bridge, &d));

    // A projection onto a plane: made and edited.
    proj_data p{};
    p.proj_type = 1;
    tag projected = NULL_TAG;
    STEP(KX_CURVE_create_proj_curves(1, &slope, 1, &ground, 3, &p, &projected));
    p.proj_type = 3;
    p.proj_vector[1] = 1;
    p.proj_vector[2] = -1;
    STEP(KX_CURVE_edit_proj_curves(projected, 1, &slope, 1, &ground, &p));

    // A combined curve.
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    tag ring = NULL_TAG, combined = NULL_TAG;
    arc_data r{matrix, 0.2, 1.3, {0, 0, 0}, 5};
    STEP(KX_CURVE_create_arc(&r, &ring));
    STEP(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &combined));

    // A joined curve.
    tag_list* list = nullptr;
    STEP(KX_MODL_create_list(&list));
    STEP(KX_MODL_put_list_item(list, left));
    tag tail = NULL_TAG;
    line_data t{{0, 5, 0}, {-10, 5, 0}};
    STEP(KX_CURVE_create_line(&t, &tail));
    STEP(KX_MODL_put_list_item(list, tail));
    tag joined = NULL_TAG;
    int closed = 0;
    STEP(KX_CURVE_create_joined_curve(list, 1, &joined, &closed));
    tag chain[2] = {left, tail}, chains[2] = {NULL_TAG, NULL_TAG};
    int count = 0;
    STEP(KX_CURVE_auto_join_curves(chain, 2, 2, chains, &count));
    analysis_display shown{};
    shown.show_comb = 1;
    shown.density = 5;
    STEP(KX_CURVE_set_analysis_display(joined, &shown));
    return step("KX_MODL_delete_list", [&] { return KX_MODL_delete_list(&list); });
}

TEST(CurveFeatureFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"curve features", curve_features});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
