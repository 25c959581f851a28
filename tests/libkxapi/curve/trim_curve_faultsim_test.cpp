// Trim curve features and the edits of curves in place under fault
// simulation: every run with a host error at one host call ends clean (a
// failed call leaves the model, the undo marks and the live blocks as they
// were).
#include <gtest/gtest.h>

#include <string>

#include "host/kernel/curves/spline_edits.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

int trims() {
    tag part = NULL_TAG, base = NULL_TAG, bound = NULL_TAG, feature = NULL_TAG, other = NULL_TAG;
    STEP(KX_initialize());
    STEP(KX_PART_new("trims.prt", 1, &part));
    line_data l{{0, 0, 0}, {10, 0, 0}};
    STEP(KX_CURVE_create_line(&l, &base));
    line_data b{{8, -10, 0}, {8, 10, 0}};
    STEP(KX_CURVE_create_line(&b, &bound));
    line_data o{{0, 5, 0}, {10, 5, 0}};
    STEP(KX_CURVE_create_line(&o, &other));

    trim_data d{};
    int per_string[1] = {1}, dir[1] = {1};
    tag objects[1] = {base};
    d.curve = string_list{1, per_string, dir, objects};
    d.trim_type = 4;
    d.tolerances[0] = 0.001;
    d.u.one.option = 10;
    d.u.one.bound.object = bound;
    KX_MODL_vector v{};
    v.u.components[2] = 1;
    d.u.one.direction = &v;
    trim_extension_points pts{};
    int st = step("KX_CURVE_create_trim", [&] { return KX_CURVE_create_trim(&d, &pts, &feature); });
    if (st == 0) {
        trim_data back{};
        st = step("KX_CURVE_ask_trim", [&] { return KX_CURVE_ask_trim(feature, &back); });
        if (st == 0) st = step("KX_CURVE_free_trim", [&] { return KX_CURVE_free_trim(&back); });
        d.u.one.option = 11;
        if (st == 0) st = step("KX_CURVE_edit_trim", [&] { return KX_CURVE_edit_trim(feature, &d); });
    }
    if (st != 0) return st;

    double keep[3] = {0, 0, 0}, near[3] = {8, 0, 0};
    STEP(KX_CURVE_edit_trim_curve(other, bound, keep, near, 0));
    STEP(KX_CURVE_edit_length(base, 2, 4, 1, 0));
    // The update makes the trimmed line again from the shorter base.
    STEP(KX_MODL_update());

    // Splines edited in place: defining points moved, a reshape after a
    // template.
    spline_point through[4]{};
    for (int i = 0; i < 4; ++i) {
        through[i].point[0] = i;
        through[i].point[1] = i % 2;
        through[i].slope_type = through[i].crvatr_type = -1;
    }
    tag spline = NULL_TAG, templ = NULL_TAG;
    STEP(KX_CURVE_create_spline_thru_pts(3, 0, 4, through, nullptr, 1, &spline));
    int moved[2] = {1, 2};
    double places[6] = {1, 2, 0, 2, -1, 0};
    BCMMCP_data_t move{2, moved, places};
    STEP(KX_CURVE_edit_move_mult_points(spline, &move));
    STEP(KX_CURVE_create_spline_thru_pts(3, 0, 4, through, nullptr, 1, &templ));
    template_result result{};
    STEP(KX_CURVE_edit_with_template(spline, templ, &result));
    return 0;
}

TEST(TrimFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"trims", trims});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
