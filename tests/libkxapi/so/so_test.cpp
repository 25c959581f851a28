// Smart objects: each creator's value against the geometry it is made
// from, the update that makes them follow an edited parent, dumb objects,
// transforms, and the codes of the argument checks.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/display/layout.h"
#include "host/model/display/temp.h"
#include "host/model/expr/expr.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "kx_so.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/so/so_fixture.h"

namespace {

using smart_test::expect_near;
using smart_test::SmartTest;
using smart_test::V;

TEST_F(SmartTest, PointsFollowTheGeometryTheyAreMadeFrom) {
    const tag l = line({0, 0, 0}, {10, 0, 0});
    tag p = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, l, scalar(0.3), &p), 0);
    expect_near(coords(p), {3, 0, 0}, "on line");
    logical smart = 0;
    ASSERT_EQ(KX_SO_is_so(p, &smart), 0);
    EXPECT_TRUE(smart);

    // An arc of radius 2 about (1, 1, 0) from 0 to pi: half way is its top.
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    const double data[6] = {0, std::numbers::pi, 1, 1, 0, 2};
    ES_create_arc(data, m, &arc);
    tag top = NULL_TAG, len = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, arc, scalar(0.5), &top), 0);
    expect_near(coords(top), {1, 3, 0}, "on arc");
    ASSERT_EQ(KX_SO_create_scalar_length_crv(part, 0, arc, &len), 0);
    EXPECT_NEAR(scalar_value(len), 2 * std::numbers::pi, 1e-9);

    double o[3] = {1, 1, 1};
    tag off = NULL_TAG, moved = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_double(part, 0, o, &off), 0);
    ASSERT_EQ(KX_SO_create_point_offset(part, 0, point({1, 2, 3}), off, &moved), 0);
    expect_near(coords(moved), {2, 3, 4}, "offset");

    tag s[3] = {scalar(4), scalar(5), scalar(6)}, p3 = NULL_TAG, back[3] = {};
    ASSERT_EQ(KX_SO_create_point_3_scalars(part, 0, s, &p3), 0);
    expect_near(coords(p3), {4, 5, 6}, "three scalars");
    ASSERT_EQ(KX_SO_ask_3_scalars_of_point(p3, back), 0);
    EXPECT_EQ(std::vector<tag>(back, back + 3), std::vector<tag>(s, s + 3));
    EXPECT_EQ(KX_SO_ask_3_scalars_of_point(p, back), 875058);
    EXPECT_EQ(KX_SO_ask_3_scalars_of_point(l, back), 875058);

    double ap[3] = {1, 0, 0}, ad[3] = {0, 0, 2};
    tag axis = NULL_TAG, on_axis = NULL_TAG;
    ASSERT_EQ(KX_SO_create_axis_doubles(part, 0, ap, ad, &axis), 0);
    ASSERT_EQ(KX_SO_create_point_on_axis(part, 0, axis, scalar(5), &on_axis), 0);
    expect_near(coords(on_axis), {1, 0, 5}, "on axis");

    int marker = 0;
    ASSERT_EQ(KX_SO_set_display_marker_of_point(p, 7), 0);
    ASSERT_EQ(KX_SO_ask_display_marker_of_point(p, &marker), 0);
    EXPECT_EQ(marker, 7);
}

TEST_F(SmartTest, DirectionsAxesScalarsAndOffsets) {
    const tag a = point({0, 0, 0}), b = point({0, 3, 4});
    tag pts[2] = {a, b};
    tag d = NULL_TAG, dl = NULL_TAG, rev = NULL_TAG, dd = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, pts, &d), 0);
    expect_near(dirr(d), {0, 0.6, 0.8}, "two points");
    const tag l = line({1, 1, 1}, {1, 1, -4});
    ASSERT_EQ(KX_SO_create_dirr_line(part, 0, l, 0, &dl), 0);
    ASSERT_EQ(KX_SO_create_dirr_line(part, 0, l, 1, &rev), 0);
    expect_near(dirr(dl), {0, 0, -1}, "line");
    expect_near(dirr(rev), {0, 0, 1}, "reversed");
    double v[3] = {2, 0, 0};
    ASSERT_EQ(KX_SO_create_dirr_doubles(part, 0, v, &dd), 0);
    expect_near(dirr(dd), {1, 0, 0}, "doubles");

    tag axis = NULL_TAG;
    ASSERT_EQ(KX_SO_create_axis_point_dir(part, 0, b, d, &axis), 0);
    V ap{}, ad{};
    ASSERT_EQ(KX_SO_ask_point_of_axis(axis, ap.data()), 0);
    ASSERT_EQ(KX_SO_ask_direction_of_axis(axis, ad.data()), 0);
    expect_near(ap, {0, 3, 4}, "axis point");
    expect_near(ad, {0, 0.6, 0.8}, "axis direction");

    tag dist = NULL_TAG, ex = NULL_TAG, dim = NULL_TAG, got = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, pts, &dist), 0);
    EXPECT_NEAR(scalar_value(dist), 5, 1e-12);
    const tag e = expression("depth=2.5");
    ASSERT_EQ(KX_SO_create_scalar_exp(part, 0, e, &ex), 0);
    EXPECT_NEAR(scalar_value(ex), 2.5, 1e-12);
    ASSERT_EQ(KX_SO_ask_exp_of_scalar(ex, &got), 0);
    EXPECT_EQ(got, e);
    ASSERT_EQ(KX_SO_create_scalar_exp_dim(part, 0, e, 1, &dim), 0);
    EXPECT_NEAR(scalar_value(dim), 2.5, 1e-12);

    tag od = NULL_TAG, o3 = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_dir_dist(part, 0, d, dist, &od), 0);
    expect_near(offset(od), {0, 3, 4}, "direction and distance");
    tag s[3] = {dist, ex, scalar(-1)};
    ASSERT_EQ(KX_SO_create_offset_3_scalars(part, 0, s, &o3), 0);
    expect_near(offset(o3), {5, 2.5, -1}, "three scalars");
    double w[3] = {7, 8, 9};
    tag op = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_double_pnt(part, 0, nullptr, w, &op), 0);
    expect_near(offset(op), {7, 8, 9}, "doubles");
}

TEST_F(SmartTest, EditedParentsAreFollowedAtTheUpdate) {
    const tag a = point({0, 0, 0}), b = point({10, 0, 0});
    tag pts[2] = {a, b};
    tag sl = NULL_TAG, frac = scalar(0.5), mid = NULL_TAG, dist = NULL_TAG, d = NULL_TAG, off = NULL_TAG;
    ASSERT_EQ(KX_SO_create_line_two_points(part, 0, pts, &sl), 0);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, sl, frac, &mid), 0);
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, pts, &dist), 0);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, pts, &d), 0);
    ASSERT_EQ(KX_SO_create_offset_dir_dist(part, 0, d, dist, &off), 0);
    const tag e = expression("k=3");
    tag ks = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_exp(part, 0, e, &ks), 0);
    line_data ld{};
    ASSERT_EQ(KX_CURVE_ask_line_data(sl, &ld), 0);
    expect_near({ld.end_point[0], ld.end_point[1], ld.end_point[2]}, {10, 0, 0}, "line end");
    for (tag t : {sl, mid, dist, d, off, ks}) EXPECT_FALSE(out_of_date(t));

    // Move a parent point, change a scalar's value and an expression.
    double moved[3] = {0, 0, 20};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(KX_SO_set_double_of_scalar(frac, 0.25), 0);
    ASSERT_EQ(EXP_edit_exp(part, e, "7"), 0);
    EXPECT_EQ(host::edit_log::update_log().back().object, frac);
    for (tag t : {sl, mid, dist, d, off, ks}) EXPECT_TRUE(out_of_date(t)) << t;
    expect_near(coords(mid), {5, 0, 0}, "before the update");

    ASSERT_EQ(update(), 0);
    ASSERT_EQ(KX_CURVE_ask_line_data(sl, &ld), 0);
    expect_near({ld.end_point[0], ld.end_point[1], ld.end_point[2]}, {0, 0, 20}, "line end");
    expect_near(coords(mid), {0, 0, 5}, "point on the line");
    EXPECT_NEAR(scalar_value(dist), 20, 1e-12);
    expect_near(dirr(d), {0, 0, 1}, "direction");
    expect_near(offset(off), {0, 0, 20}, "offset");
    EXPECT_NEAR(scalar_value(ks), 7, 1e-12);
    for (tag t : {sl, mid, dist, d, off, ks}) EXPECT_FALSE(out_of_date(t));
}

TEST_F(SmartTest, ParentsChildrenAndDumbObjects) {
    const tag a = point({0, 0, 0}), b = point({0, 0, 2});
    tag pts[2] = {a, b};
    tag d = NULL_TAG, dist = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, pts, &d), 0);
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, pts, &dist), 0);
    int n = 0;
    tag* tags = nullptr;
    ASSERT_EQ(KX_SO_ask_parents(d, 0, &n, &tags), 0);
    EXPECT_EQ(std::vector<tag>(tags, tags + n), (std::vector<tag>{a, b}));
    KX_free(tags);
    ASSERT_EQ(KX_SO_ask_children(a, 0, &n, &tags), 0);
    EXPECT_EQ(std::vector<tag>(tags, tags + n), (std::vector<tag>{d, dist}));
    KX_free(tags);

    logical dumb = 1;
    int code = -1;
    ASSERT_EQ(KX_SO_has_become_dumb(d, &dumb), 0);
    EXPECT_FALSE(dumb);
    // The deletion runs the model's update: the children of the point lose
    // a parent and become dumb.
    ASSERT_EQ(KX_OBJ_delete_object(b), 0);
    EXPECT_FALSE(host::objects::is_alive(b));
    ASSERT_EQ(KX_SO_has_become_dumb(d, &dumb), 0);
    EXPECT_TRUE(dumb);
    ASSERT_EQ(KX_SO_ask_update_error_code(d, &code), 0);
    EXPECT_EQ(code, 875060);
    expect_near(dirr(d), {0, 0, 1}, "kept");
    EXPECT_NEAR(scalar_value(dist), 2, 1e-12);
    ASSERT_EQ(KX_SO_ask_parents(d, 0, &n, &tags), 0);
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(out_of_date(d));
}

TEST_F(SmartTest, VisibilityHidesAndShows) {
    tag s = scalar(1);
    int option = -1;
    ASSERT_EQ(KX_SO_ask_visibility_option(s, &option), 0);
    EXPECT_EQ(option, 0);
    ASSERT_EQ(KX_SO_set_visibility_option(s, 1), 0);
    ASSERT_EQ(KX_SO_ask_visibility_option(s, &option), 0);
    EXPECT_EQ(option, 1);
    EXPECT_EQ(RM_ask_condemned_state(s), 1);
    ASSERT_EQ(KX_SO_set_visibility_option(s, 0), 0);
    EXPECT_EQ(RM_ask_condemned_state(s), 0);
}

TEST_F(SmartTest, TransformsAndTheirEdits) {
    double m[16];
    ASSERT_EQ(KX_SO_ask_matrix_of_xform(NULL_TAG, m), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    EXPECT_EQ(KX_SO_ask_matrix_of_xform(NULL_TAG, nullptr), 1105005);
    double scale = 0;
    ASSERT_EQ(KX_SO_ask_scale_of_xform(NULL_TAG, &scale), 0);
    EXPECT_EQ(scale, 1.0);
    V z{};
    ASSERT_EQ(KX_SO_ask_z_direction_of_xform(NULL_TAG, z.data()), 0);
    expect_near(z, {0, 0, 1});

    double o[3] = {1, 2, 3}, x[3] = {1, 1, 0}, y[3] = {0, 1, 0};
    tag xf = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_doubles(part, 0, o, x, y, 2.0, &xf), 0);
    const double h = std::sqrt(0.5);
    V got{};
    ASSERT_EQ(KX_SO_ask_x_direction_of_xform(xf, got.data()), 0);
    expect_near(got, {h, h, 0}, "x");
    ASSERT_EQ(KX_SO_ask_y_direction_of_xform(xf, got.data()), 0);
    expect_near(got, {-h, h, 0}, "y");
    ASSERT_EQ(KX_SO_ask_z_direction_of_xform(xf, got.data()), 0);
    expect_near(got, {0, 0, 1}, "z");
    ASSERT_EQ(KX_SO_ask_matrix_of_xform(xf, m), 0);
    const double want[16] = {2 * h, 2 * h, 0, 1, -2 * h, 2 * h, 0, 2, 0, 0, 2, 3, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], want[i], 1e-12) << i;

    double o2[3] = {5, 5, 5}, x2[3] = {0, 0, 1}, y2[3] = {1, 0, 0};
    ASSERT_EQ(KX_SO_set_point_of_xform(xf, o2), 0);
    ASSERT_EQ(KX_SO_set_xy_direction_of_xform(xf, x2, y2), 0);
    ASSERT_EQ(KX_SO_set_scale_of_xform(xf, 3), 0);
    ASSERT_EQ(KX_SO_ask_point_of_xform(xf, got.data()), 0);
    expect_near(got, {5, 5, 5}, "origin");
    ASSERT_EQ(KX_SO_ask_z_direction_of_xform(xf, got.data()), 0);
    expect_near(got, {0, 1, 0}, "z after the edit");
    ASSERT_EQ(KX_SO_ask_scale_of_xform(xf, &scale), 0);
    EXPECT_EQ(scale, 3);

    // Of a point and two directions: follows them.
    const tag a = point({0, 0, 0}), b = point({0, 2, 0}), c = point({0, 0, 4});
    tag ab[2] = {a, b}, ac[2] = {a, c}, dy = NULL_TAG, dz = NULL_TAG, px = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, ab, &dy), 0);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, ac, &dz), 0);
    ASSERT_EQ(KX_SO_create_xform_pnt_xy_dirs(part, 0, b, dy, dz, scalar(1.5), &px), 0);
    ASSERT_EQ(KX_SO_ask_z_direction_of_xform(px, got.data()), 0);
    expect_near(got, {1, 0, 0}, "z of two directions");
    ASSERT_EQ(KX_SO_ask_point_of_xform(px, got.data()), 0);
    expect_near(got, {0, 2, 0}, "origin of the point");
    double moved[3] = {3, 2, 0};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    ASSERT_EQ(KX_SO_ask_point_of_xform(px, got.data()), 0);
    expect_near(got, {3, 2, 0}, "origin after the update");

    // What the transform queries refuse: no object, not a transform.
    EXPECT_EQ(KX_SO_ask_point_of_xform(scalar(1), got.data()), 1105004);
    EXPECT_EQ(KX_SO_ask_point_of_xform(a, got.data()), 1105004);
    EXPECT_EQ(KX_SO_ask_point_of_xform(host::objects::next_tag() + 5, got.data()), 1105004);
}

TEST_F(SmartTest, UpdateStateOfAPlainObjectIsRefused) {
    const tag l = line({0, 0, 0}, {1, 0, 0});
    logical a = 0;
    EXPECT_EQ(KX_SO_is_out_of_date(l, &a), 875033);
    EXPECT_EQ(KX_SO_has_become_dumb(l, &a), 875033);
    EXPECT_EQ(KX_SO_is_subclass(l, &a), 0);
    EXPECT_FALSE(a);
}

TEST_F(SmartTest, DegenerateDirectionIsAHostError) {
    const tag a = point({1, 1, 1});
    tag same[2] = {a, a}, d = 77;
    EXPECT_EQ(KX_SO_create_dirr_two_points(part, 0, same, &d), 875059);
    EXPECT_EQ(d, 77u);
}

TEST_F(SmartTest, ExtractsFollowTheirSources) {
    const tag a = point({1, 2, 3}), b = point({1, 2, 7});
    tag pts[2] = {a, b};
    tag d = NULL_TAG, dist = NULL_TAG, axis = NULL_TAG, off = NULL_TAG, xf = NULL_TAG, s = scalar(3);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, pts, &d), 0);
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, pts, &dist), 0);
    ASSERT_EQ(KX_SO_create_axis_point_dir(part, 0, a, d, &axis), 0);
    ASSERT_EQ(KX_SO_create_offset_dir_dist(part, 0, d, s, &off), 0);
    ASSERT_EQ(KX_SO_create_xform_pnt_xy_dirs(part, 0, b, d, d, s, &xf), 875059);  // X and Y along one line
    tag ep = NULL_TAG, ed = NULL_TAG, es = NULL_TAG, esd = NULL_TAG, ea = NULL_TAG, eo = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_extract(part, 0, b, 0, &ep), 0);
    ASSERT_EQ(KX_SO_create_dirr_extract(part, 0, d, 0, &ed), 0);
    ASSERT_EQ(KX_SO_create_scalar_extract(part, 0, dist, 0, &es), 0);
    ASSERT_EQ(KX_SO_create_scalar_extract_dim(part, 0, dist, 0, 1, &esd), 0);
    ASSERT_EQ(KX_SO_create_axis_extract(part, 0, axis, 0, &ea), 0);
    ASSERT_EQ(KX_SO_create_offset_extract(part, 0, off, 0, &eo), 0);
    expect_near(coords(ep), {1, 2, 7}, "point");
    expect_near(dirr(ed), {0, 0, 1}, "direction");
    EXPECT_NEAR(scalar_value(es), 4, 1e-12);
    EXPECT_NEAR(scalar_value(esd), 4, 1e-12);
    expect_near(offset(eo), {0, 0, 3}, "offset");

    double moved[3] = {1, 5, 3};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(ep), {1, 5, 3}, "point after");
    expect_near(dirr(ed), {0, 1, 0}, "direction after");
    EXPECT_NEAR(scalar_value(es), 3, 1e-12);
    expect_near(offset(eo), {0, 3, 0}, "offset after");
    V ad{};
    ASSERT_EQ(KX_SO_ask_direction_of_axis(ea, ad.data()), 0);
    expect_near(ad, {0, 1, 0}, "axis after");
}

TEST_F(SmartTest, TransformsOfOtherDirectionPairsAndExtracts) {
    const tag o = point({0, 0, 0}), px = point({2, 0, 0}), py = point({0, 2, 0}), pz = point({0, 0, 2});
    tag ox[2] = {o, px}, oy[2] = {o, py}, oz[2] = {o, pz}, dx = NULL_TAG, dy = NULL_TAG, dz = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, ox, &dx), 0);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, oy, &dy), 0);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, oz, &dz), 0);
    const tag one = scalar(1);
    tag xz = NULL_TAG, yz = NULL_TAG, ex = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_pnt_xz_dirs(part, 0, o, dx, dz, one, &xz), 0);
    ASSERT_EQ(KX_SO_create_xform_pnt_yz_dirs(part, 0, o, dy, dz, one, &yz), 0);
    ASSERT_EQ(KX_SO_create_xform_extract(part, 0, yz, 0, &ex), 0);
    for (tag t : {xz, yz, ex}) {
        double m[16];
        ASSERT_EQ(KX_SO_ask_matrix_of_xform(t, m), 0);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], i % 5 == 0 ? 1.0 : 0.0, 1e-12) << t << " " << i;
    }
    logical assy = 1;
    ASSERT_EQ(KX_SO_is_assy_ctxt_xform(xz, &assy), 0);
    EXPECT_FALSE(assy);
    assy = 1;
    EXPECT_EQ(KX_SO_is_assy_ctxt_xform(NULL_TAG, &assy), 1105004);
    EXPECT_FALSE(assy);
    EXPECT_EQ(KX_SO_is_assy_ctxt_xform(one, &assy), 1105004);
}

TEST_F(SmartTest, ReplacedAndDeletedDefiningData) {
    const tag a = point({0, 0, 0}), b = point({3, 4, 0}), c = point({0, 0, 10});
    tag ab[2] = {a, b}, ac[2] = {a, c}, dist = NULL_TAG, other = NULL_TAG, off = NULL_TAG, d = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, ab, &dist), 0);
    ASSERT_EQ(KX_SO_create_scalar_dist_2_pnts(part, 0, ac, &other), 0);
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, ab, &d), 0);
    ASSERT_EQ(KX_SO_create_offset_dir_dist(part, 0, d, dist, &off), 0);
    ASSERT_EQ(KX_SO_replace_parms(dist, other), 0);
    EXPECT_NEAR(scalar_value(dist), 10, 1e-12);
    EXPECT_TRUE(out_of_date(off));
    ASSERT_EQ(update(), 0);
    expect_near(offset(off), {6, 8, 0}, "offset of the replaced scalar");
    EXPECT_EQ(KX_SO_replace_parms(dist, d), 670006);  // another class
    EXPECT_EQ(KX_SO_replace_parms(d, d), 670004);     // itself
    EXPECT_EQ(KX_SO_replace_parms(dist, NULL_TAG), 1105005);

    ASSERT_EQ(KX_SO_delete_parms(d), 0);
    logical dumb = 0;
    ASSERT_EQ(KX_SO_has_become_dumb(d, &dumb), 0);
    EXPECT_TRUE(dumb);
    double moved[3] = {0, 5, 0};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    expect_near(dirr(d), {0.6, 0.8, 0}, "kept");
}

TEST_F(SmartTest, AnglesOfArcsDirectionPairsAndPolarOffsets) {
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    const double data[6] = {0, std::numbers::pi, 1, 1, 0, 2};
    ES_create_arc(data, m, &arc);
    tag angle = scalar(90), p = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_arc_angle(part, 0, arc, angle, 0, &p), 0);
    expect_near(coords(p), {1, 3, 0}, "on the arc at 90 degrees");
    ASSERT_EQ(KX_SO_set_double_of_scalar(angle, 0), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(p), {3, 1, 0}, "at 0 degrees");

    double x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    tag dx = NULL_TAG, dy = NULL_TAG, n = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_doubles(part, 0, x, &dx), 0);
    ASSERT_EQ(KX_SO_create_dirr_doubles(part, 0, y, &dy), 0);
    tag both[2] = {dx, dy};
    ASSERT_EQ(KX_SO_create_dirr_two_dirs(part, 0, both, &n), 0);
    expect_near(dirr(n), {0, 0, 1}, "normal");

    tag cyl = NULL_TAG, sph = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_cylindrical(part, 0, scalar(2), scalar(90), scalar(5), &cyl), 0);
    expect_near(offset(cyl), {0, 2, 5}, "cylindrical");
    ASSERT_EQ(KX_SO_create_offset_spherical(part, 0, scalar(2), scalar(0), scalar(90), &sph), 0);
    expect_near(offset(sph), {0, 0, 2}, "spherical");
    EXPECT_EQ(KX_SO_create_offset_spherical(part, 0, cyl, NULL_TAG, cyl, &sph), 1105007);
    EXPECT_EQ(KX_SO_create_offset_cylindrical(part, 0, cyl, cyl, cyl, nullptr), 1105014);
    EXPECT_EQ(KX_SO_create_point_on_arc_angle(part, 0, arc, angle, 0, nullptr), 1105014);
    EXPECT_EQ(KX_SO_create_dirr_two_dirs(part, 0, both, nullptr), 1105007);
}

TEST_F(SmartTest, ArcsFollowTheirPoints) {
    const tag a = point({2, 0, 0}), b = point({0, 2, 0}), c = point({-2, 0, 0}), o = point({0, 0, 0});
    tag three[3] = {a, b, c}, centered[3] = {o, a, b}, arc = NULL_TAG, quarter = NULL_TAG;
    ASSERT_EQ(KX_SO_create_arc_three_points(part, 0, three, &arc), 0);
    ASSERT_EQ(KX_SO_create_arc_center_2_pnts(part, 0, centered, &quarter), 0);
    tag len = NULL_TAG, qlen = NULL_TAG, mid = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_length_crv(part, 0, arc, &len), 0);
    ASSERT_EQ(KX_SO_create_scalar_length_crv(part, 0, quarter, &qlen), 0);
    EXPECT_NEAR(scalar_value(len), 2 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(scalar_value(qlen), std::numbers::pi, 1e-9);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, arc, scalar(0.5), &mid), 0);
    expect_near(coords(mid), {0, 2, 0}, "half way");
    tag line3[3] = {a, o, c};
    EXPECT_EQ(KX_SO_create_arc_three_points(part, 0, line3, &arc), 875059);

    // Raise the middle point: the circle through the three points now has
    // radius 2.5 about (0, 1.5, 0).
    double moved[3] = {0, 4, 0};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(arc, &d), 0);
    EXPECT_NEAR(d.radius, 2.5, 1e-9);
    expect_near(coords(mid), {0, 4, 0}, "half way after");
    // Out of the XY plane: a new matrix follows.
    double up[3] = {0, 0, 2};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, up), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(mid), {0, 0, 2}, "half way in the XZ plane");
    EXPECT_NEAR(scalar_value(len), 2 * std::numbers::pi, 1e-9);
    EXPECT_EQ(KX_SO_create_arc_three_points(part, 0, three, nullptr), 1105007);
    EXPECT_EQ(KX_SO_create_arc_center_2_pnts(NULL_TAG, 0, centered, &arc), 1105004);
}

TEST_F(SmartTest, TangentsAndParentStatus) {
    const tag l = line({0, 0, 0}, {0, 3, 4});
    tag t = NULL_TAG, back = NULL_TAG, frac = scalar(0.5);
    ASSERT_EQ(KX_SO_create_dirr_on_curve(part, 0, l, frac, 0, 0, &t), 0);
    ASSERT_EQ(KX_SO_create_dirr_on_curve(part, 0, l, frac, 1, 0, &back), 0);
    expect_near(dirr(t), {0, 0.6, 0.8}, "tangent of the line");
    expect_near(dirr(back), {0, -0.6, -0.8}, "reversed");
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    const double data[6] = {0, std::numbers::pi, 0, 0, 0, 2};
    ES_create_arc(data, m, &arc);
    tag at = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_on_curve(part, 0, arc, frac, 0, 0, &at), 0);
    expect_near(dirr(at), {-1, 0, 0}, "tangent at the top of the arc");
    EXPECT_EQ(KX_SO_create_dirr_on_curve(part, 0, arc, NULL_TAG, 0, 0, &at), 1105007);
    EXPECT_EQ(KX_SO_create_dirr_on_curve(part, 0, arc, frac, 0, 0, nullptr), 1105015);

    int status = -1;
    ASSERT_EQ(KX_SO_ask_parent_status(t, &status), 0);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(KX_SO_ask_parent_status(frac, &status), 0);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(KX_OBJ_delete_object(l), 0);
    ASSERT_EQ(KX_SO_ask_parent_status(t, &status), 0);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(KX_SO_ask_parent_status(t, nullptr), 1105005);
}

TEST_F(SmartTest, TemporaryDisplayOfAnObjectAndItsParents) {
    const unsigned int view = host::layout::make_model_view(part);
    host::layout::make_layout(part, {view});
    const tag a = point({0, 0, 0}), b = point({0, 0, 3});
    tag pts[2] = {a, b}, axis = NULL_TAG, d = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_two_points(part, 0, pts, &d), 0);
    ASSERT_EQ(KX_SO_create_axis_point_dir(part, 0, b, d, &axis), 0);
    ASSERT_EQ(KX_SO_display(axis, 1, 5, 3), 0);
    ASSERT_EQ(host::temp::shown().size(), 1u);
    const host::temp::Drawn& line = host::temp::shown()[0];
    EXPECT_EQ(line.kind, host::temp::Kind::Polyline);
    EXPECT_EQ(line.color, 5);
    EXPECT_EQ(line.points, (std::vector<double>{0, 0, 3, 0, 0, 4}));
    ASSERT_EQ(KX_SO_display_parents(axis, 1, 6, 3), 0);
    ASSERT_EQ(host::temp::shown().size(), 3u);
    EXPECT_EQ(host::temp::shown()[1].kind, host::temp::Kind::Markers);
    EXPECT_EQ(host::temp::shown()[1].points, (std::vector<double>{0, 0, 3}));
    EXPECT_EQ(host::temp::shown()[2].points, (std::vector<double>{0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(KX_SO_display(NULL_TAG, 1, 5, 3), 1105004);
    EXPECT_EQ(KX_SO_display(axis, 1, 999, 3), 670004);  // a colour the display refuses
}

TEST_F(SmartTest, CentersAxesOfArcsAndPointsInATransform) {
    double rows[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};  // the arc lies in the XZ plane
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    const double data[6] = {0, 1, 1, 2, 3, 4};
    ES_create_arc(data, m, &arc);
    tag c = NULL_TAG, n = NULL_TAG, rn = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_conic_center(part, 0, arc, &c), 0);
    expect_near(coords(c), {1, -3, 2}, "center: x X + y Y + z Z");
    ASSERT_EQ(KX_SO_create_dirr_axis_of_conic(part, 0, arc, 0, &n), 0);
    ASSERT_EQ(KX_SO_create_dirr_axis_of_conic(part, 0, arc, 1, &rn), 0);
    expect_near(dirr(n), {0, -1, 0}, "normal");
    expect_near(dirr(rn), {0, 1, 0}, "reversed");
    EXPECT_EQ(KX_SO_create_point_conic_center(part, 0, c, &n), 670006);  // a point is no arc

    double o[3] = {1, 1, 1}, x[3] = {0, 1, 0}, y[3] = {-1, 0, 0};
    tag xf = NULL_TAG, p = NULL_TAG, s[3] = {scalar(1), scalar(2), scalar(3)};
    ASSERT_EQ(KX_SO_create_xform_doubles(part, 0, o, x, y, 2, &xf), 0);
    ASSERT_EQ(KX_SO_create_point_3_scalars_csys(part, xf, 0, s, &p), 0);
    expect_near(coords(p), {1 - 4, 1 + 2, 1 + 6}, "in the transform");
    EXPECT_EQ(KX_SO_create_point_3_scalars_csys(part, NULL_TAG, 0, s, &p), 1105005);
    EXPECT_EQ(KX_SO_create_point_3_scalars_csys(part, xf, 0, s, nullptr), 1105013);

    tag e = NULL_TAG;
    int marker = 0;
    ASSERT_EQ(KX_SO_create_point_extract_with_disp_marker(part, 0, c, 0, 4, &e), 0);
    expect_near(coords(e), {1, -3, 2}, "extract");
    ASSERT_EQ(KX_SO_ask_display_marker_of_point(e, &marker), 0);
    EXPECT_EQ(marker, 4);
    EXPECT_EQ(KX_SO_create_point_extract_with_disp_marker(part, 0, c, 0, 4, nullptr), 1105014);
}

TEST_F(SmartTest, SplinesThroughTheirPolesAndTheirRecords) {
    const tag a = point({0, 0, 0}), b = point({1, 2, 0}), c = point({3, 2, 0}), d = point({4, 0, 0});
    const tag q = point({9, 9, 9}), r = point({8, 8, 8});
    int kinds[4] = {0, 2, 4, 1};
    tag pts[4] = {a, b, c, d};
    double params[5] = {0, 0.3, 0.6, 1, 7};
    tag first[4] = {NULL_TAG, q, q, r}, second[4] = {NULL_TAG, r, q, NULL_TAG},
        third[4] = {NULL_TAG, NULL_TAG, r, NULL_TAG};
    so_spline_data data{0, 4, 1, 4, kinds, pts, params, first, second, third, 5, 6};
    tag sp = NULL_TAG;
    ASSERT_EQ(KX_SO_create_spline(part, &data, &sp), 0);
    int type = 0, subtype = 0;
    ASSERT_EQ(KX_OBJ_ask_type_and_subtype(sp, &type, &subtype), 0);
    EXPECT_EQ(type, 9);
    // A cubic on its four poles: it starts and ends at the end poles.
    tag s0 = NULL_TAG, s1 = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, sp, scalar(0), &s0), 0);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, sp, scalar(1), &s1), 0);
    expect_near(coords(s0), {0, 0, 0}, "start");
    expect_near(coords(s1), {4, 0, 0}, "end");

    so_spline_data back{};
    ASSERT_EQ(KX_SO_ask_spline(sp, &back), 0);
    EXPECT_EQ((std::vector<int>{back.first_flag, back.order, back.second_flag, back.count, back.word1, back.word2}),
              (std::vector<int>{0, 4, 1, 4, 5, 6}));
    EXPECT_EQ(std::vector<int>(back.kinds, back.kinds + 4), std::vector<int>(kinds, kinds + 4));
    EXPECT_EQ(std::vector<tag>(back.points, back.points + 4), std::vector<tag>(pts, pts + 4));
    ASSERT_NE(back.parameters, nullptr);
    EXPECT_EQ(std::vector<double>(back.parameters, back.parameters + 5), std::vector<double>(params, params + 5));
    EXPECT_EQ(std::vector<tag>(back.first_objects, back.first_objects + 4), std::vector<tag>(first, first + 4));
    EXPECT_EQ(std::vector<tag>(back.second_objects, back.second_objects + 4), std::vector<tag>(second, second + 4));
    EXPECT_EQ(std::vector<tag>(back.third_objects, back.third_objects + 4), std::vector<tag>(third, third + 4));
    for (void* block : {static_cast<void*>(back.kinds), static_cast<void*>(back.points),
                        static_cast<void*>(back.parameters), static_cast<void*>(back.first_objects),
                        static_cast<void*>(back.second_objects), static_cast<void*>(back.third_objects)})
        KX_free(block);

    // The spline follows its poles.
    double moved[3] = {4, 0, 5};
    ASSERT_EQ(KX_CURVE_edit_point_data(d, moved), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(s1), {4, 0, 5}, "end after");

    // Records out of range make nothing.
    const std::size_t objects = host::objects::live_objects().size();
    const auto with = [&](auto change) {
        so_spline_data bad = data;
        change(bad);
        tag t = NULL_TAG;
        return KX_SO_create_spline(part, &bad, &t);
    };
    EXPECT_EQ(with([](so_spline_data& x) { x.order = 25; }), 1105005);
    EXPECT_EQ(with([](so_spline_data& x) { x.count = 1; }), 1105005);
    EXPECT_EQ(with([](so_spline_data& x) { x.first_flag = 2; }), 1105005);
    EXPECT_EQ(with([](so_spline_data& x) { x.kinds = nullptr; }), 1105005);
    EXPECT_EQ(KX_SO_create_spline(part, nullptr, &sp), 1105005);
    EXPECT_EQ(KX_SO_create_spline(part, &data, nullptr), 1105006);
    EXPECT_EQ(host::objects::live_objects().size(), objects);
    data.parameters = nullptr;
    data.order = 24;  // above the count: the spline takes the count's order
    ASSERT_EQ(KX_SO_create_spline(part, &data, &sp), 0);
    ASSERT_EQ(KX_SO_ask_spline(sp, &back), 0);
    EXPECT_EQ(back.parameters, nullptr);
    EXPECT_EQ(back.order, 24);
    KX_free(back.kinds);
    KX_free(back.points);
    KX_free(back.first_objects);
    KX_free(back.second_objects);
    KX_free(back.third_objects);
    EXPECT_EQ(KX_SO_ask_spline(NULL_TAG, &back), 1105004);
    EXPECT_EQ(KX_SO_ask_spline(sp, nullptr), 1105005);
}

// ---- the codes of the argument checks ----

struct CodeCase {
    const char* name;
    int code;
    std::function<int()> call;
};

TEST_F(SmartTest, CreatorsRefuseNullArgumentsByPositionAndMakeNothing) {
    const tag l = line({0, 0, 0}, {1, 0, 0}), p = point({0, 0, 0}), s = scalar(0.5);
    tag d = NULL_TAG, axis = NULL_TAG, off = NULL_TAG;
    double v[3] = {0, 0, 1};
    ASSERT_EQ(KX_SO_create_dirr_doubles(part, 0, v, &d), 0);
    ASSERT_EQ(KX_SO_create_axis_doubles(part, 0, v, v, &axis), 0);
    ASSERT_EQ(KX_SO_create_offset_double(part, 0, v, &off), 0);
    const tag e = expression("q=1");
    tag r = NULL_TAG, pts[2] = {p, p}, s3[3] = {s, s, s};
    const std::vector<CodeCase> cases = {
        {"point on curve: owner", 1105004, [&] { return KX_SO_create_point_on_curve(NULL_TAG, 0, l, s, &r); }},
        {"point on curve: curve", 1105006, [&] { return KX_SO_create_point_on_curve(part, 0, NULL_TAG, s, &r); }},
        {"point on curve: position", 1105007, [&] { return KX_SO_create_point_on_curve(part, 0, l, NULL_TAG, &r); }},
        {"point on curve: result", 1105013, [&] { return KX_SO_create_point_on_curve(part, 0, l, s, nullptr); }},
        {"point offset: point", 1105006, [&] { return KX_SO_create_point_offset(part, 0, NULL_TAG, off, &r); }},
        {"point offset: offset", 1105007, [&] { return KX_SO_create_point_offset(part, 0, p, NULL_TAG, &r); }},
        {"point offset: result", 1105013, [&] { return KX_SO_create_point_offset(part, 0, p, off, nullptr); }},
        {"point 3 scalars: result", 1105007, [&] { return KX_SO_create_point_3_scalars(part, 0, s3, nullptr); }},
        {"point on axis: axis", 1105006, [&] { return KX_SO_create_point_on_axis(part, 0, NULL_TAG, s, &r); }},
        {"point on axis: result", 1105013, [&] { return KX_SO_create_point_on_axis(part, 0, axis, s, nullptr); }},
        {"axis doubles: point", 1105006, [&] { return KX_SO_create_axis_doubles(part, 0, nullptr, v, &r); }},
        {"axis doubles: direction", 1105007, [&] { return KX_SO_create_axis_doubles(part, 0, v, nullptr, &r); }},
        {"axis doubles: result", 1105013, [&] { return KX_SO_create_axis_doubles(part, 0, v, v, nullptr); }},
        {"axis point dir: point", 1105006, [&] { return KX_SO_create_axis_point_dir(part, 0, NULL_TAG, d, &r); }},
        {"axis point dir: dir", 1105007, [&] { return KX_SO_create_axis_point_dir(part, 0, p, NULL_TAG, &r); }},
        {"dirr doubles: direction", 1105006, [&] { return KX_SO_create_dirr_doubles(part, 0, nullptr, &r); }},
        {"dirr doubles: result", 1105007, [&] { return KX_SO_create_dirr_doubles(part, 0, v, nullptr); }},
        {"dirr doubles pnt: direction", 1105006,
         [&] { return KX_SO_create_dirr_doubles_pnt(part, 0, nullptr, nullptr, &r); }},
        {"dirr doubles pnt: result", 1105007,
         [&] { return KX_SO_create_dirr_doubles_pnt(part, 0, nullptr, v, nullptr); }},
        {"dirr two points: result", 1105007, [&] { return KX_SO_create_dirr_two_points(part, 0, pts, nullptr); }},
        {"dirr line: line", 1105006, [&] { return KX_SO_create_dirr_line(part, 0, NULL_TAG, 0, &r); }},
        {"dirr line: result", 1105013, [&] { return KX_SO_create_dirr_line(part, 0, l, 0, nullptr); }},
        {"scalar double: owner", 1105004, [&] { return KX_SO_create_scalar_double(NULL_TAG, 0, 1, &r); }},
        {"scalar double: result", 1105007, [&] { return KX_SO_create_scalar_double(part, 0, 1, nullptr); }},
        {"scalar double dim: result", 1105013, [&] { return KX_SO_create_scalar_double_dim(part, 0, 1, 1, nullptr); }},
        {"scalar exp: exp", 1105006, [&] { return KX_SO_create_scalar_exp(part, 0, NULL_TAG, &r); }},
        {"scalar exp: result", 1105007, [&] { return KX_SO_create_scalar_exp(part, 0, e, nullptr); }},
        {"scalar exp dim: result", 1105013, [&] { return KX_SO_create_scalar_exp_dim(part, 0, e, 1, nullptr); }},
        {"scalar distance: result", 1105007, [&] { return KX_SO_create_scalar_dist_2_pnts(part, 0, pts, nullptr); }},
        {"scalar length: curve", 1105006, [&] { return KX_SO_create_scalar_length_crv(part, 0, NULL_TAG, &r); }},
        {"scalar length: result", 1105007, [&] { return KX_SO_create_scalar_length_crv(part, 0, l, nullptr); }},
        {"offset double: offset", 1105006, [&] { return KX_SO_create_offset_double(part, 0, nullptr, &r); }},
        {"offset double: result", 1105007, [&] { return KX_SO_create_offset_double(part, 0, v, nullptr); }},
        {"offset double pnt: offset", 1105006,
         [&] { return KX_SO_create_offset_double_pnt(part, 0, nullptr, nullptr, &r); }},
        {"offset double pnt: result", 1105007,
         [&] { return KX_SO_create_offset_double_pnt(part, 0, nullptr, v, nullptr); }},
        {"offset dir dist: dir", 1105006, [&] { return KX_SO_create_offset_dir_dist(part, 0, NULL_TAG, s, &r); }},
        {"offset dir dist: dist", 1105007, [&] { return KX_SO_create_offset_dir_dist(part, 0, d, NULL_TAG, &r); }},
        {"offset dir dist: result", 1105013, [&] { return KX_SO_create_offset_dir_dist(part, 0, d, s, nullptr); }},
        {"offset 3 scalars: result", 1105007, [&] { return KX_SO_create_offset_3_scalars(part, 0, s3, nullptr); }},
        {"xform doubles: origin", 1105006, [&] { return KX_SO_create_xform_doubles(part, 0, nullptr, v, v, 1, &r); }},
        {"xform doubles: x", 1105007, [&] { return KX_SO_create_xform_doubles(part, 0, v, nullptr, v, 1, &r); }},
        {"xform doubles: y", 1105013, [&] { return KX_SO_create_xform_doubles(part, 0, v, v, nullptr, 1, &r); }},
        {"xform doubles: result", 1105015, [&] { return KX_SO_create_xform_doubles(part, 0, v, v, v, 1, nullptr); }},
        {"xform pnt: point", 1105006, [&] { return KX_SO_create_xform_pnt_xy_dirs(part, 0, NULL_TAG, d, d, s, &r); }},
        {"xform pnt: x", 1105007, [&] { return KX_SO_create_xform_pnt_xy_dirs(part, 0, p, NULL_TAG, d, s, &r); }},
        {"xform pnt: y", 1105013, [&] { return KX_SO_create_xform_pnt_xy_dirs(part, 0, p, d, NULL_TAG, s, &r); }},
        {"xform pnt: scale", 1105014, [&] { return KX_SO_create_xform_pnt_xy_dirs(part, 0, p, d, d, NULL_TAG, &r); }},
        {"xform pnt: result", 1105015, [&] { return KX_SO_create_xform_pnt_xy_dirs(part, 0, p, d, d, s, nullptr); }},
        {"line: owner", 1105004, [&] { return KX_SO_create_line_two_points(NULL_TAG, 0, pts, &r); }},
        {"line: result", 1105007, [&] { return KX_SO_create_line_two_points(part, 0, pts, nullptr); }},
    };
    const std::size_t objects = host::objects::live_objects().size();
    for (const CodeCase& c : cases) {
        host::control::clear_journal();
        EXPECT_EQ(c.call(), c.code) << c.name;
        EXPECT_EQ(host::objects::live_objects().size(), objects) << c.name;
    }
}

TEST_F(SmartTest, QueriesAndEditsRefuseNullArgumentsByPosition) {
    tag s = scalar(2);
    double v[3] = {0, 0, 1}, x = 0;
    int i = 0;
    tag t = NULL_TAG;
    logical b = 0;
    int n = 0;
    tag* tags = nullptr;
    const std::vector<CodeCase> cases = {
        {"ask double: scalar", 1105004, [&] { return KX_SO_ask_double_of_scalar(NULL_TAG, &x); }},
        {"ask double: value", 1105005, [&] { return KX_SO_ask_double_of_scalar(s, nullptr); }},
        {"set double: scalar", 1105004, [&] { return KX_SO_set_double_of_scalar(NULL_TAG, 1); }},
        {"ask exp: output", 1105005, [&] { return KX_SO_ask_exp_of_scalar(s, nullptr); }},
        {"ask 3 scalars: output", 1105005, [&] { return KX_SO_ask_3_scalars_of_point(s, nullptr); }},
        {"marker: point", 1105004, [&] { return KX_SO_set_display_marker_of_point(NULL_TAG, 1); }},
        {"ask marker: output", 1105005, [&] { return KX_SO_ask_display_marker_of_point(s, nullptr); }},
        {"axis point: output", 1105005, [&] { return KX_SO_ask_point_of_axis(s, nullptr); }},
        {"set axis direction: value", 1105005, [&] { return KX_SO_set_direction_of_axis(s, nullptr); }},
        {"dirr: object", 1105004, [&] { return KX_SO_ask_direction_of_dirr(NULL_TAG, v); }},
        {"set dirr: value", 1105005, [&] { return KX_SO_set_direction_of_dirr(s, nullptr); }},
        {"offset: output", 1105005, [&] { return KX_SO_ask_offset_of_offset(s, nullptr); }},
        {"set offset: object", 1105004, [&] { return KX_SO_set_offset_of_offset(NULL_TAG, v); }},
        {"xform set xy: y", 1105006, [&] { return KX_SO_set_xy_direction_of_xform(s, v, nullptr); }},
        {"xform set scale: object", 1105004, [&] { return KX_SO_set_scale_of_xform(NULL_TAG, 1); }},
        {"is so: answer", 1105005, [&] { return KX_SO_is_so(s, nullptr); }},
        {"is subclass: object", 1105004, [&] { return KX_SO_is_subclass(NULL_TAG, &b); }},
        {"visibility: output", 1105005, [&] { return KX_SO_ask_visibility_option(s, nullptr); }},
        {"set visibility: object", 1105004, [&] { return KX_SO_set_visibility_option(NULL_TAG, 1); }},
        {"error code: output", 1105005, [&] { return KX_SO_ask_update_error_code(s, nullptr); }},
        {"parents: count", 1105006, [&] { return KX_SO_ask_parents(s, 0, nullptr, &tags); }},
        {"parents: tags", 1105007, [&] { return KX_SO_ask_parents(s, 0, &n, nullptr); }},
        {"children: object", 1105004, [&] { return KX_SO_ask_children(NULL_TAG, 0, &n, &tags); }},
        {"out of date: object", 1105004, [&] { return KX_SO_is_out_of_date(NULL_TAG, &b); }},
        {"dumb: answer", 1105005, [&] { return KX_SO_has_become_dumb(s, nullptr); }},
    };
    for (const CodeCase& c : cases) {
        host::control::clear_journal();
        EXPECT_EQ(c.call(), c.code) << c.name;
        for (const auto& rec : host::control::journal())
            EXPECT_EQ(std::string(rec.name).rfind("ERROR_", 0), 0u)
                << c.name << ": " << rec.name << " before the check";
    }
    (void)i;
    (void)t;
}

TEST_F(SmartTest, EveryFunctionRefusesBeforeInitialisation) {
    kx_reset_session_for_tests();
    double v[3] = {0, 0, 1}, x = 0;
    tag r = NULL_TAG;
    logical b = 0;
    const std::vector<std::function<int()>> calls = {
        [&] { return KX_SO_create_point_on_curve(part, 0, 1, 1, &r); },
        [&] { return KX_SO_create_scalar_double(part, 0, 1, &r); },
        [&] { return KX_SO_create_xform_doubles(part, 0, v, v, v, 1, &r); },
        [&] { return KX_SO_ask_double_of_scalar(1, &x); },
        [&] { return KX_SO_ask_3_scalars_of_point(1, &r); },
        [&] { return KX_SO_ask_matrix_of_xform(NULL_TAG, v); },
        [&] { return KX_SO_is_out_of_date(1, &b); },
        [&] { return KX_SO_set_visibility_option(1, 0); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), 1105000) << i;
    EXPECT_EQ(r, NULL_TAG);
}

}  // namespace
