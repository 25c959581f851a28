// Smart objects of faces, planes and curves: places and normals of kernel
// faces, curvature, intersections, points along curves, extracted curves,
// splines through points, arcs in a transform's plane, transforms in an
// assembly context and the deletion of hidden construction objects. Each
// value is checked against its closed form, and again after a parent was
// edited and the model updated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"
#include "kx_obj.h"
#include "tests/libkxapi/so/so_fixture.h"
#include "tests/support/part_files.h"

namespace {

using smart_test::expect_near;
using smart_test::V;
constexpr double kPi = std::numbers::pi;

class SmartGeometryTest : public smart_test::SmartTest {
protected:
    // The face of the body whose kernel surface is of the type.
    static tag face_of_type(int body, int type) {
        for (int f : host::kernel::faces_of(body)) {
            int t = 0, sense = 0;
            double p[3], d[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &t, p, d, &r, &r2, &sense);
            if (t == type) return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no face of type " << type;
        return NULL_TAG;
    }
    // A cylinder of the radius about Z from z = 0 to z = 10.
    static int cylinder(double radius) {
        const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        int body = 0;
        ZQ_BODY_make_cylinder(base, z, radius, 10, &body);
        return body;
    }
    // An arc in the XY plane about the center.
    tag arc(V center, double radius, double start, double end) {
        const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        unsigned int m = 0, a = 0;
        ES_create_matrix_in_part(part, rows, 3, &m);
        const double data[6] = {start, end, center[0], center[1], center[2], radius};
        ES_create_arc(data, m, &a);
        return a;
    }
    tag xform(V origin, V x, V y) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_xform_doubles(part, 0, origin.data(), x.data(), y.data(), 1, &t), 0);
        return t;
    }
    tag direction(V v) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_dirr_doubles(part, 0, v.data(), &t), 0);
        return t;
    }
    // The point of a smart curve at the fraction of its range.
    tag at(tag curve, double fraction) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_point_on_curve(part, 0, curve, scalar(fraction), &t), 0);
        return t;
    }
    static int type_of(tag t) {
        int type = 0, subtype = 0;
        EXPECT_EQ(KX_OBJ_ask_type_and_subtype(t, &type, &subtype), 0);
        return type;
    }
    static double radial(const V& p) { return std::hypot(p[0], p[1]); }
    static double norm(const V& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
    static void grow(int body, double radius) {
        ZQ_BODY_edit_parameter(body, 0, 6, radius);  // the cylinder's radius
        ZQ_BODY_regenerate(body);
    }
};

TEST_F(SmartGeometryTest, PlacesNormalsAndCurvatureOfAFaceFollowIt) {
    const int body = cylinder(2);
    const tag wall = face_of_type(body, ZQ_SURF_CYLINDER);
    const tag u = scalar(0.25), v = scalar(0.5);
    tag p = NULL_TAG, p0 = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_surface(part, 0, wall, u, v, &p), 0);
    ASSERT_EQ(KX_SO_create_point_on_surface(part, 0, wall, scalar(0), v, &p0), 0);
    EXPECT_NEAR(radial(coords(p)), 2, 1e-9);
    EXPECT_NEAR(coords(p)[2], 5, 1e-9);
    // A quarter of the parameter box round is a quarter turn.
    const V a = coords(p0), b = coords(p);
    EXPECT_NEAR(a[0] * b[0] + a[1] * b[1], 0, 1e-9);

    tag axis = NULL_TAG, normal = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_surface_axis(part, 0, wall, 0, &axis), 0);
    EXPECT_NEAR(std::fabs(dirr(axis)[2]), 1, 1e-12);
    ASSERT_EQ(KX_SO_create_dirr_normal_to_surface_point(part, 0, wall, point({5, 0, 3}), 0, &normal), 0);
    expect_near(dirr(normal), {1, 0, 0}, "outward normal");
    ASSERT_EQ(KX_SO_create_dirr_normal_to_surface_point(part, 0, wall, point({0, -5, 3}), 1, &normal), 0);
    expect_near(dirr(normal), {0, 1, 0}, "reversed");

    // Directions at the place (0.25, 0.5): the normal is radial, the v
    // tangent along the axis, the u tangent round it, the reference turned
    // into the tangent plane.
    const V radius = {b[0] / 2, b[1] / 2, 0};
    const tag slanted = direction({radius[0] + 1, radius[1], 1});
    surface_dirr_data d{wall, u, v, 0, NULL_TAG, 0};
    tag n = NULL_TAG, tu = NULL_TAG, tv = NULL_TAG, tr = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_on_surf(part, 0, &d, &n), 0);
    expect_near(dirr(n), radius, "normal");
    d.kind = 1;
    ASSERT_EQ(KX_SO_create_dirr_on_surf(part, 0, &d, &tu), 0);
    const V t = dirr(tu);
    EXPECT_NEAR(t[0] * radius[0] + t[1] * radius[1], 0, 1e-9);
    EXPECT_NEAR(t[2], 0, 1e-9);
    d.kind = 2;
    ASSERT_EQ(KX_SO_create_dirr_on_surf(part, 0, &d, &tv), 0);
    EXPECT_NEAR(std::fabs(dirr(tv)[2]), 1, 1e-9);
    d.kind = 3;
    d.reference = slanted;
    d.flag = 1;
    ASSERT_EQ(KX_SO_create_dirr_on_surf(part, 0, &d, &tr), 0);
    // (r + x, 1) less its normal part, made unit and reversed: the x part
    // is the u tangent's, 1 along the axis.
    const V got = dirr(tr);
    EXPECT_NEAR(got[0] * radius[0] + got[1] * radius[1], 0, 1e-9);
    EXPECT_NEAR(got[2], -std::sqrt(1.0 / (1 + (radius[1] * radius[1]))), 1e-9);

    // Curvature: 1/r towards the axis along u, none along the axis, half of
    // it at 45 degrees between them.
    surf_cvtr_data c{wall, u, v, 0, NULL_TAG};
    tag ku = NULL_TAG, kv = NULL_TAG, k45 = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_surf_cvtr(part, 0, &c, &ku), 0);
    expect_near(offset(ku), {-radius[0] / 2, -radius[1] / 2, 0}, "along u");
    c.kind = 1;
    ASSERT_EQ(KX_SO_create_offset_surf_cvtr(part, 0, &c, &kv), 0);
    expect_near(offset(kv), {0, 0, 0}, "along v");
    c.kind = 2;
    c.reference = direction({t[0], t[1], 1});
    ASSERT_EQ(KX_SO_create_offset_surf_cvtr(part, 0, &c, &k45), 0);
    expect_near(offset(k45), {-radius[0] / 4, -radius[1] / 4, 0}, "at 45 degrees");

    // The records read back; the reference only where the kind uses it.
    surface_dirr_data back{};
    back.reference = 77;
    ASSERT_EQ(KX_SO_ask_dirr_on_surf(n, &back), 0);
    EXPECT_EQ((std::vector<tag>{back.surface, back.first, back.second, back.reference}),
              (std::vector<tag>{wall, u, v, 77}));
    EXPECT_EQ(back.kind, 0);
    EXPECT_EQ(back.flag, 0);
    ASSERT_EQ(KX_SO_ask_dirr_on_surf(tr, &back), 0);
    EXPECT_EQ(back.kind, 3);
    EXPECT_EQ(back.reference, slanted);
    EXPECT_EQ(back.flag, 1);
    surf_cvtr_data cback{};
    cback.reference = 77;
    ASSERT_EQ(KX_SO_ask_offset_surf_cvtr(ku, &cback), 0);
    EXPECT_EQ((std::vector<tag>{cback.surface, cback.first, cback.second, cback.reference}),
              (std::vector<tag>{wall, u, v, 77}));
    ASSERT_EQ(KX_SO_ask_offset_surf_cvtr(k45, &cback), 0);
    EXPECT_EQ(cback.kind, 2);
    EXPECT_EQ(cback.reference, c.reference);
    // Records of another kind are not read.
    EXPECT_EQ(KX_SO_ask_dirr_on_surf(normal, &back), 875058);
    EXPECT_EQ(KX_SO_ask_offset_surf_cvtr(n, &cback), 875058);

    // The body grows to radius 3: after the update every object follows.
    grow(body, 3);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(radial(coords(p)), 3, 1e-9);
    expect_near(dirr(n), radius, "normal after");
    expect_near(offset(ku), {-radius[0] / 3, -radius[1] / 3, 0}, "along u after");
    for (tag o : {p, n, ku, k45}) EXPECT_FALSE(out_of_date(o));
}

TEST_F(SmartGeometryTest, PlanesAndPlanarFaces) {
    const double o[3] = {0, 0, 4}, up[3] = {0, 0, 2};
    const tag plane = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, up);
    tag dp = NULL_TAG, rev = NULL_TAG, top = NULL_TAG, bottom = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_plane(part, 0, plane, 0, &dp), 0);
    ASSERT_EQ(KX_SO_create_dirr_plane(part, 0, plane, 1, &rev), 0);
    expect_near(dirr(dp), {0, 0, 1});
    expect_near(dirr(rev), {0, 0, -1});
    const int body = cylinder(1);
    int n = 0;
    for (int f : host::kernel::faces_of(body)) {
        int t = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &t, p, d, &r, &r2, &sense);
        if (t != ZQ_SURF_PLANE) continue;
        tag& out = p[2] > 5 ? top : bottom;
        ASSERT_EQ(KX_SO_create_dirr_plane(part, 0, host::kernel::object_of(f), 0, &out), 0);
        ++n;
    }
    ASSERT_EQ(n, 2);
    expect_near(dirr(top), {0, 0, 1}, "top faces up");
    expect_near(dirr(bottom), {0, 0, -1}, "bottom faces down");
    // A curved face has no plane.
    EXPECT_EQ(KX_SO_create_dirr_plane(part, 0, face_of_type(body, ZQ_SURF_CYLINDER), 0, &dp), 670006);
}

TEST_F(SmartGeometryTest, IntersectionsFollowTheirCurves) {
    const tag a = point({0, 0, 0}), b = point({10, 10, 0});
    tag ab[2] = {a, b}, diagonal = NULL_TAG;
    ASSERT_EQ(KX_SO_create_line_two_points(part, 0, ab, &diagonal), 0);
    const tag across = line({0, 4, 0}, {10, 4, 0});
    tag x = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_two_curves(part, 0, diagonal, across, NULL_TAG, NULL_TAG, &x), 0);
    expect_near(coords(x), {4, 4, 0}, "crossing");
    // The diagonal turns about its start: the crossing moves along y = 4.
    double moved[3] = {10, 5, 0};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(x), {8, 4, 0}, "after the update");

    // A circle meets a line twice: the help point chooses.
    const tag circle = arc({0, 0, 0}, 2, 0, 2 * kPi), horizontal = line({-5, 0, 0}, {5, 0, 0});
    tag left = NULL_TAG, right = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_two_curves(part, 0, circle, horizontal, point({-3, 1, 0}), NULL_TAG, &left), 0);
    ASSERT_EQ(KX_SO_create_point_two_curves(part, 0, circle, horizontal, NULL_TAG, point({3, 1, 0}), &right), 0);
    expect_near(coords(left), {-2, 0, 0}, "left");
    expect_near(coords(right), {2, 0, 0}, "right");

    // A plane and a face meet a line.
    const double o[3] = {0, 0, 3}, up[3] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, up);
    const tag slope = line({0, 0, 0}, {6, 0, 6});
    tag on_plane = NULL_TAG, on_wall = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_surface_crv(part, 0, plane, slope, NULL_TAG, NULL_TAG, &on_plane), 0);
    expect_near(coords(on_plane), {3, 0, 3}, "plane");
    const int body = cylinder(2);
    ASSERT_EQ(KX_SO_create_point_surface_crv(part, 0, face_of_type(body, ZQ_SURF_CYLINDER), slope, NULL_TAG, NULL_TAG,
                                             &on_wall),
              0);
    expect_near(coords(on_wall), {2, 0, 2}, "face");
    grow(body, 3);
    ASSERT_EQ(update(), 0);
    expect_near(coords(on_wall), {3, 0, 3}, "face after the update");

    // Nothing meets: a host code, nothing made.
    const tag far = line({0, 50, 0}, {1, 50, 0});
    tag none = 77;
    EXPECT_EQ(KX_SO_create_point_two_curves(part, 0, circle, far, NULL_TAG, NULL_TAG, &none), 875401);
    EXPECT_EQ(KX_SO_create_point_surface_crv(part, 0, plane, far, NULL_TAG, NULL_TAG, &none), 875401);
    EXPECT_EQ(none, 77u);
}

TEST_F(SmartGeometryTest, PointsAlongCurvesByLengthAndPerCent) {
    const tag l = line({0, 0, 0}, {10, 0, 0}), from = point({2, 5, 0}), d = scalar(3);
    struct Case {
        double distance;
        int percent, reverse;
        V want;
    };
    const Case cases[] = {
        {3, 0, 0, {5, 0, 0}},  {50, 1, 0, {7, 0, 0}}, {1, 0, 1, {1, 0, 0}},
        {-1, 0, 0, {1, 0, 0}}, {20, 1, 1, {0, 0, 0}}, {8, 0, 0, {10, 0, 0}},
    };
    for (const Case& c : cases) {
        tag p = NULL_TAG;
        ASSERT_EQ(KX_SO_create_point_along_curve(part, 0, l, from, scalar(c.distance), c.percent, c.reverse, &p), 0);
        expect_near(coords(p), c.want, std::to_string(c.distance).c_str());
    }
    tag beyond = 77;
    EXPECT_EQ(KX_SO_create_point_along_curve(part, 0, l, from, scalar(9), 0, 0, &beyond), 875401);
    EXPECT_EQ(beyond, 77u);

    // Round a half circle of radius 2 from its start: a length of pi is a
    // quarter turn.
    const tag half = arc({0, 0, 0}, 2, 0, kPi);
    tag q = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_along_curve(part, 0, half, point({3, 0, 0}), d, 0, 0, &q), 0);
    expect_near(coords(q), {2 * std::cos(1.5), 2 * std::sin(1.5), 0}, "three along the arc");
    ASSERT_EQ(KX_SO_set_double_of_scalar(d, kPi), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(q), {0, 2, 0}, "a quarter turn");
}

TEST_F(SmartGeometryTest, CurvatureOfCurves) {
    const tag half = arc({1, 1, 0}, 2, 0, kPi), l = line({0, 0, 0}, {5, 5, 0});
    curve_cvtr_data d{half, scalar(0.5)};
    tag k = NULL_TAG, straight = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_curve_cvtr(part, 0, &d, &k), 0);
    expect_near(offset(k), {0, -0.5, 0}, "towards the center");
    d.curve = l;
    ASSERT_EQ(KX_SO_create_offset_curve_cvtr(part, 0, &d, &straight), 0);
    expect_near(offset(straight), {0, 0, 0}, "straight");
    curve_cvtr_data back{};
    ASSERT_EQ(KX_SO_ask_offset_curve_cvtr(k, &back), 0);
    EXPECT_EQ(back.curve, half);
    EXPECT_EQ(back.parameter, d.parameter);
    EXPECT_EQ(KX_SO_ask_offset_curve_cvtr(scalar(1), &back), 875058);
    // With the host's checks on, a record of another kind is the host's
    // assertion.
    const tag one = scalar(1);
    host::control::set_checking_level(1);
    host::control::clear_journal();
    EXPECT_EQ(KX_SO_ask_offset_curve_cvtr(one, &back), 670001);
    EXPECT_EQ(host::control::call_count("ERROR_internal"), 1);
    host::control::set_checking_level(0);

    // The arc widens to radius 4.
    arc_data a{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(half, &a), 0);
    a.radius = 4;
    ASSERT_EQ(KX_CURVE_edit_arc_data(half, &a), 0);
    ASSERT_EQ(update(), 0);
    expect_near(offset(k), {0, -0.25, 0}, "after the update");
}

TEST_F(SmartGeometryTest, ExtractedCurvesFollowTheirSources) {
    const tag a = point({0, 0, 0}), b = point({4, 0, 0});
    tag ab[2] = {a, b}, source = NULL_TAG;
    ASSERT_EQ(KX_SO_create_line_two_points(part, 0, ab, &source), 0);
    tag copy = NULL_TAG, dumb = NULL_TAG;
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, source, 0, 0, 0, &copy), 0);
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, source, 0, 0, 1, &dumb), 0);
    EXPECT_EQ(type_of(copy), 3);
    line_data ld{};
    ASSERT_EQ(KX_CURVE_ask_line_data(copy, &ld), 0);
    expect_near({ld.end_point[0], ld.end_point[1], ld.end_point[2]}, {4, 0, 0}, "copy's end");
    logical gone = 0;
    ASSERT_EQ(KX_SO_has_become_dumb(dumb, &gone), 0);
    EXPECT_TRUE(gone);
    double moved[3] = {0, 0, 7};
    ASSERT_EQ(KX_CURVE_edit_point_data(b, moved), 0);
    ASSERT_EQ(update(), 0);
    ASSERT_EQ(KX_CURVE_ask_line_data(copy, &ld), 0);
    expect_near({ld.end_point[0], ld.end_point[1], ld.end_point[2]}, {0, 0, 7}, "copy follows");
    ASSERT_EQ(KX_CURVE_ask_line_data(dumb, &ld), 0);
    expect_near({ld.end_point[0], ld.end_point[1], ld.end_point[2]}, {4, 0, 0}, "dumb copy stays");

    // An arc gives an arc, or a spline within the tolerance when asked.
    const tag quarter = arc({1, 2, 0}, 3, 0, kPi / 2);
    tag as_arc = NULL_TAG, as_spline = NULL_TAG;
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, quarter, 0, 0, 0, &as_arc), 0);
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, quarter, 0, 1, 0, &as_spline), 0);
    EXPECT_EQ(type_of(as_arc), 5);
    EXPECT_EQ(type_of(as_spline), 9);
    tag len = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_length_crv(part, 0, as_arc, &len), 0);
    EXPECT_NEAR(scalar_value(len), 1.5 * kPi, 1e-9);
    for (double f : {0.0, 0.3, 1.0}) {
        const V p = coords(at(as_spline, f));
        EXPECT_NEAR(std::hypot(p[0] - 1, p[1] - 2), 3, 1e-3) << f;
    }
    expect_near(coords(at(as_arc, 1)), {1, 5, 0}, "arc's end");
}

// A spline's extract follows any change of its shape, also one that keeps
// its start, middle and end where they were.
TEST_F(SmartGeometryTest, ExtractedSplineFollowsAChangeInsideIt) {
    const auto spline_with = [](double d) {
        double knots[9] = {0, 0, 0, 0, 0.5, 1, 1, 1, 1};
        double poles[5][4] = {{0, 0, 0, 1}, {1, d, 0, 1}, {2, 0, 0, 1}, {3, -d, 0, 1}, {4, 0, 0, 1}};
        return hostnum::Curve::spline(5, 4, &poles[0][0], knots, hostnum::Curve::PoleForm::cartesian);
    };
    double knots[9] = {0, 0, 0, 0, 0.5, 1, 1, 1, 1};
    double poles[5][4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {2, 0, 0, 1}, {3, 0, 0, 1}, {4, 0, 0, 1}};
    spline_data data{5, 4, 0, knots, poles, 0, 1};
    tag source = NULL_TAG, copy = NULL_TAG;
    int n_states = 0;
    spline_state* states = nullptr;
    ASSERT_EQ(KX_CURVE_create_spline(&data, &source, &n_states, &states), 0);
    KX_free(states);
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, source, 0, 0, 0, &copy), 0);
    ASSERT_EQ(type_of(copy), 9);
    // Up on one side, down on the other: the ends and the middle stay.
    const auto bent = spline_with(1);
    ASSERT_TRUE(bent);
    EXPECT_EQ(RM_ask_out_of_date_state(copy), 0);
    host::curves::attach_curve(source, *bent);
    EXPECT_EQ(RM_ask_out_of_date_state(copy), 1);
    ASSERT_EQ(update(), 0);
    EXPECT_EQ(RM_ask_out_of_date_state(copy), 0);
    const auto copied = host::curves::curve_of(copy);
    ASSERT_TRUE(copied);
    double lim[2];
    hostnum::curve_limits(copied->record(), lim);
    for (double f : {0.25, 0.75}) {
        // On the bent source, away from the straight line it was.
        double b[3], t = 0, foot[3];
        hostnum::curve_evaluate(copied->record(), 0, lim[0] + f * (lim[1] - lim[0]), b, nullptr);
        ASSERT_EQ(hostnum::curve_closest_point(bent->record(), b, &t, foot), hostnum::CurveError::ok);
        // (a copy within the distance tolerance)
        EXPECT_NEAR(std::hypot(foot[0] - b[0], foot[1] - b[1], foot[2] - b[2]), 0, 0.01) << f;
        EXPECT_GT(std::fabs(b[1]), 0.1) << f;
    }
}

TEST_F(SmartGeometryTest, SplinesThroughPointsFollowThem) {
    const tag p[4] = {point({0, 0, 0}), point({1, 2, 0}), point({3, 2, 0}), point({4, 0, 0})};
    tag pts[4] = {p[0], p[1], p[2], p[3]}, sp = NULL_TAG, slope = direction({0, 1, 0});
    ASSERT_EQ(KX_SO_create_bcurve_thru_points(part, 0, pts, 4, 3, 0, nullptr, slope, NULL_TAG, &sp), 0);
    EXPECT_EQ(type_of(sp), 9);
    const auto passes = [&](const V& q) {
        const auto c = host::curves::curve_of(sp);
        ASSERT_TRUE(c);
        double t = 0, foot[3];
        ASSERT_EQ(hostnum::curve_closest_point(c->record(), q.data(), &t, foot), hostnum::CurveError::ok);
        EXPECT_NEAR(std::hypot(foot[0] - q[0], foot[1] - q[1], foot[2] - q[2]), 0, 1e-7);
    };
    for (V q : {V{0, 0, 0}, V{1, 2, 0}, V{3, 2, 0}, V{4, 0, 0}}) passes(q);
    const tag start = at(sp, 0);
    tag tangent = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_on_curve(part, 0, sp, scalar(0), 0, 0, &tangent), 0);
    const V leaving = dirr(tangent);  // a tangent by a short chord
    EXPECT_NEAR(leaving[1], 1, 1e-9);
    EXPECT_NEAR(leaving[0], 0, 1e-5);

    double moved[3] = {-1, 0, 0};
    ASSERT_EQ(KX_CURVE_edit_point_data(p[0], moved), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(start), {-1, 0, 0}, "start after the update");
    passes({1, 2, 0});

    // A closed one comes back to its first point.
    tag closed = NULL_TAG;
    ASSERT_EQ(KX_SO_create_bcurve_thru_points(part, 0, pts, 4, 3, 1, nullptr, NULL_TAG, NULL_TAG, &closed), 0);
    const V end = coords(at(closed, 1));
    expect_near(end, {-1, 0, 0}, "closed");
    // Two equal points make no spline.
    tag same[2] = {p[1], p[1]}, none = 77;
    EXPECT_EQ(KX_SO_create_bcurve_thru_points(part, 0, same, 2, 1, 0, nullptr, NULL_TAG, NULL_TAG, &none), 1005310);
    EXPECT_EQ(none, 77u);
}

TEST_F(SmartGeometryTest, ArcsInATransformsPlane) {
    const tag xf = xform({1, 2, 3}, {1, 0, 0}, {0, 1, 0}), r = scalar(2), angle = scalar(90);
    tag quarter = NULL_TAG, circle = NULL_TAG;
    ASSERT_EQ(KX_SO_create_arc_radius_angles(part, 0, xf, r, angle, &quarter), 0);
    ASSERT_EQ(KX_SO_create_arc_radius_angles(part, 0, xf, r, NULL_TAG, &circle), 0);
    EXPECT_EQ(type_of(quarter), 5);
    const tag s = at(quarter, 0), e = at(quarter, 1);
    expect_near(coords(s), {3, 2, 3}, "start");
    expect_near(coords(e), {1, 4, 3}, "end");
    tag len = NULL_TAG;
    ASSERT_EQ(KX_SO_create_scalar_length_crv(part, 0, circle, &len), 0);
    EXPECT_NEAR(scalar_value(len), 4 * kPi, 1e-9);

    ASSERT_EQ(KX_SO_set_double_of_scalar(r, 5), 0);
    double origin[3] = {0, 0, 0};
    ASSERT_EQ(KX_SO_set_point_of_xform(xf, origin), 0);
    ASSERT_EQ(update(), 0);
    expect_near(coords(e), {0, 5, 0}, "end after the update");

    // Through the directions of two points about the origin.
    const tag c = xform({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    tag two[2] = {point({2, 0, 0}), point({0, 7, 1})}, ccw = NULL_TAG;
    ASSERT_EQ(KX_SO_create_arc_xform_2_points(part, 0, c, two, &ccw), 0);
    expect_near(coords(at(ccw, 1)), {0, 2, 0}, "a quarter of radius 2");
    arc_data data{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(ccw, &data), 0);
    EXPECT_NEAR(data.end_angle - data.start_angle, kPi / 2, 1e-12);
    EXPECT_EQ(KX_SO_create_arc_radius_angles(part, 0, c, scalar(0), NULL_TAG, &ccw), 875059);
}

TEST_F(SmartGeometryTest, DeletingNonDeletablesTakesTheHiddenConstructionObjects) {
    const tag l = line({0, 0, 0}, {10, 0, 0});
    const tag hidden = scalar(0.5), shown = scalar(0.25), shared = scalar(0.75);
    const tag hidden_of_hidden = scalar(2);
    tag chain = NULL_TAG;  // hidden, and defined by another hidden scalar
    ASSERT_EQ(KX_SO_create_scalar_extract(part, 0, hidden_of_hidden, 0, &chain), 0);
    for (tag t : {hidden, shared, hidden_of_hidden, chain}) ASSERT_EQ(KX_SO_set_visibility_option(t, 1), 0);
    tag p = NULL_TAG, q = NULL_TAG, other = NULL_TAG, r = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, l, hidden, &p), 0);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, l, shown, &q), 0);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, l, shared, &r), 0);
    ASSERT_EQ(KX_SO_create_point_on_curve(part, 0, l, shared, &other), 0);
    tag o = NULL_TAG;
    ASSERT_EQ(KX_SO_create_offset_dir_dist(part, 0, direction({1, 0, 0}), chain, &o), 0);

    for (tag t : {p, q, r, o}) ASSERT_EQ(KX_SO_delete_non_deletables(t), 0);
    EXPECT_FALSE(host::objects::is_alive(hidden));
    EXPECT_FALSE(host::objects::is_alive(chain));
    EXPECT_FALSE(host::objects::is_alive(hidden_of_hidden));
    EXPECT_TRUE(host::objects::is_alive(shown));   // shown: kept
    EXPECT_TRUE(host::objects::is_alive(shared));  // still used by another point
    EXPECT_TRUE(host::objects::is_alive(l));       // not a smart object
    logical dumb = 0;
    ASSERT_EQ(KX_SO_has_become_dumb(p, &dumb), 0);
    EXPECT_TRUE(dumb);
    expect_near(coords(p), {5, 0, 0}, "keeps its value");
    expect_near(offset(o), {2, 0, 0}, "keeps its value");
    EXPECT_EQ(KX_SO_delete_non_deletables(NULL_TAG), 1105004);
    EXPECT_EQ(KX_SO_delete_non_deletables(l), 875033);
}

// ---- transforms in an assembly context ----

class AssemblyContextTest : public smart_test::SmartTest {
protected:
    void SetUp() override {
        SmartTest::SetUp();
        component = part;
        assembly = host::parts::create("assembly.prt");
        host::parts::set_work_part(assembly);
        const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // a quarter turn about Z
        first = host::occurrences::create_part_occurrence(assembly, component, turned);
        second = host::occurrences::create_part_occurrence(assembly, component);
        double p[3] = {1, 0, 0};
        unsigned int t = 0;
        host::parts::set_work_part(component);
        ES_create_point(p, &t);
        object = t;
        host::parts::set_work_part(assembly);
        live_before_ = host::control::live_blocks();
    }
    std::size_t live_before_ = 0;
    // A transform of values in the component.
    tag xform_in_component() const {
        double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_xform_doubles(object, 0, o, x, y, 1, &t), 0);
        return t;
    }
    tag assembly = NULL_TAG, component = NULL_TAG, first = NULL_TAG, second = NULL_TAG, object = NULL_TAG;
};

TEST_F(AssemblyContextTest, TransformsRelateOccurrencesAndFollowThem) {
    tag xf = 77;
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, NULL_TAG, &xf), 0);
    EXPECT_EQ(xf, NULL_TAG);

    // The first occurrence in the assembly's axes, in the component; the
    // work part changes for the while quietly (no part event).
    host::control::clear_journal();
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, first, &xf), 0);
    EXPECT_EQ(host::parts::work_part(), assembly);
    EXPECT_EQ(host::control::call_count("CONTEXT_set_work_part_quietly"), 2);
    EXPECT_EQ(host::control::call_count("host::events::fire_part_event"), 0);
    CONTEXT_set_work_part(component);  // where a plain setting fires one
    EXPECT_EQ(host::control::call_count("host::events::fire_part_event"), 1);
    CONTEXT_set_work_part(assembly);
    EXPECT_EQ(PART_ask_part_of_object(xf), component);
    V x{};
    ASSERT_EQ(KX_SO_ask_x_direction_of_xform(xf, x.data()), 0);
    expect_near(x, {0, 1, 0}, "turned");
    logical assy = 0;
    ASSERT_EQ(KX_SO_is_assy_ctxt_xform(xf, &assy), 0);
    EXPECT_TRUE(assy);
    tag ordinary = xform_in_component();
    ASSERT_EQ(KX_SO_is_assy_ctxt_xform(ordinary, &assy), 0);
    EXPECT_FALSE(assy);

    // The second in the first's axes: a quarter turn back.
    tag rel = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, first, second, &rel), 0);
    ASSERT_EQ(KX_SO_ask_x_direction_of_xform(rel, x.data()), 0);
    expect_near(x, {0, -1, 0}, "relative");

    // What the context stands for with an occurrence of the component.
    tag mapped = NULL_TAG;
    ASSERT_EQ(KX_SO_ask_assy_ctxt_part_occ(rel, second, &mapped), 0);
    EXPECT_EQ(mapped, first);
    ASSERT_EQ(KX_SO_ask_assy_ctxt_part_occ(xf, first, &mapped), 0);
    EXPECT_EQ(mapped, OCC_ask_root_of_occ_part(assembly));
    EXPECT_EQ(KX_SO_ask_assy_ctxt_part_occ(ordinary, first, &mapped), 1105004);
    EXPECT_EQ(KX_SO_ask_assy_ctxt_part_occ(xf, object, &mapped), 1105005);
    EXPECT_EQ(KX_SO_ask_assy_ctxt_part_occ(xf, NULL_TAG, &mapped), 1105005);
    EXPECT_EQ(mapped, NULL_TAG);

    // The first occurrence turns back: the transform follows at the update.
    const double straight[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    host::curves::set_occurrence_orientation(first, straight);
    ASSERT_EQ(update(), 0);
    ASSERT_EQ(KX_SO_ask_x_direction_of_xform(xf, x.data()), 0);
    expect_near(x, {1, 0, 0}, "after the update");
    EXPECT_EQ(host::parts::work_part(), assembly);
}

// No part file keeps part occurrences: the assembly holding them is not
// saved, and the component saved without them keeps its transform's value
// only, dumb.
TEST_F(AssemblyContextTest, APartFileKeepsTheTransformsValueOnly) {
    tag xf = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, first, &xf), 0);
    EXPECT_NE(host::part_file::unkept_object(assembly, nullptr), nullptr);
    ASSERT_EQ(host::part_file::unkept_object(component, nullptr), nullptr);
    host::part_file::Image image;
    ASSERT_EQ(host::part_file::decode(host::part_file::encode(component, nullptr, true), image), 0);
    const std::vector<unsigned int> before = host::objects::objects_of_part(component);
    int code = -1;
    const tag opened = host::part_file::apply(image, "component-again.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag again =
        host::objects::objects_of_part(opened)[std::find(before.begin(), before.end(), xf) - before.begin()];
    logical dumb = 0;
    ASSERT_EQ(KX_SO_has_become_dumb(again, &dumb), 0);
    EXPECT_TRUE(dumb);
    V x{};
    ASSERT_EQ(KX_SO_ask_x_direction_of_xform(again, x.data()), 0);
    expect_near(x, {0, 1, 0}, "the value kept");
}

// An occurrence placed away from the assembly's origin: the transform's
// origin is where the occurrence's origin stands in the context's axes.
TEST_F(AssemblyContextTest, TransformOriginFollowsTheOccurrencesPlaces) {
    const double straight[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double moved[3] = {10, 20, 30};
    const tag placed = host::occurrences::create_part_occurrence(assembly, component, straight, moved);
    tag xf = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, placed, &xf), 0);
    V o{};
    ASSERT_EQ(KX_SO_ask_point_of_xform(xf, o.data()), 0);
    expect_near(o, {10, 20, 30}, "in the assembly");
    // In the first occurrence's axes (a quarter turn about Z at the origin).
    tag rel = NULL_TAG;
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(object, first, placed, &rel), 0);
    ASSERT_EQ(KX_SO_ask_point_of_xform(rel, o.data()), 0);
    expect_near(o, {20, -10, 30}, "in the first's axes");
    // The faces and curves of an occurrence and the transform see one
    // orientation: turning the first occurrence turns both.
    host::curves::set_occurrence_orientation(first, straight);
    ASSERT_EQ(update(), 0);
    ASSERT_EQ(KX_SO_ask_point_of_xform(rel, o.data()), 0);
    expect_near(o, {10, 20, 30}, "after the turn");
    ASSERT_NE(host::occurrences::place_of(first), nullptr);
    EXPECT_EQ(host::occurrences::place_of(first)->rows[1], 0.0);
}

TEST_F(AssemblyContextTest, RefusalsByPosition) {
    const tag other = host::parts::create("other.prt");
    const tag stranger = host::occurrences::create_part_occurrence(other, component);
    host::parts::set_work_part(assembly);
    tag xf = 77;
    struct Case {
        const char* name;
        tag object, a, b;
        int code;
    };
    const Case cases[] = {
        {"no object", NULL_TAG, NULL_TAG, first, 1105004},
        {"a not an occurrence", object, object, first, 1105005},
        {"b not an occurrence", object, first, object, 1105006},
        {"not the same assembly", object, first, stranger, 1105006},
        {"b of another part", assembly, NULL_TAG, first, 1105006},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_SO_create_xform_assy_ctxt(c.object, c.a, c.b, &xf), c.code) << c.name;
        EXPECT_EQ(xf, NULL_TAG) << c.name;
        EXPECT_EQ(host::parts::work_part(), assembly) << c.name;
    }
    EXPECT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, first, nullptr), 1105007);
    // A host error on the way puts the work part back and is the status.
    host::control::raise_on("XFORM_assy_context_parms_create", 670099);
    EXPECT_EQ(KX_SO_create_xform_assy_ctxt(object, NULL_TAG, first, &xf), 670099);
    EXPECT_EQ(host::parts::work_part(), assembly);
}

}  // namespace

// A component whose own component is missing is loaded again when a
// transform is made in it: while the file is missing the object is refused.
TEST_F(AssemblyContextTest, TheComponentIsLoadedFullyFirst) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "kx_so_assy";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto save_and_close = [](unsigned int p) {
        ASSERT_EQ(kxtest::save_part(p), 0);
        ASSERT_EQ(base_Part_Close(p, 0, 1), 0);
    };
    const std::string file = (dir / "holder.prt").string();
    save_and_close([&] {
        const unsigned int holder = host::parts::create(file);
        host::parts::add_component(holder, "absent.prt");
        return holder;
    }());
    unsigned int holder = 0;
    kxtest::open_part(file, &holder);
    ASSERT_EQ(host::parts::load_state(holder), PART_PARTIALLY_LOADED);
    host::parts::set_work_part(holder);
    const double at[3] = {0, 0, 0};
    unsigned int inside = 0;
    ES_create_point(at, &inside);
    const tag occurrence = host::occurrences::create_part_occurrence(assembly, holder);
    host::parts::set_work_part(assembly);

    tag xf = 77;
    EXPECT_EQ(KX_SO_create_xform_assy_ctxt(inside, NULL_TAG, occurrence, &xf), 1105004);
    EXPECT_EQ(xf, NULL_TAG);
    EXPECT_EQ(host::control::live_blocks(), live_before_);

    save_and_close(host::parts::create((dir / "absent.prt").string()));
    host::parts::set_work_part(assembly);
    ASSERT_EQ(KX_SO_create_xform_assy_ctxt(inside, NULL_TAG, occurrence, &xf), 0);
    EXPECT_NE(xf, NULL_TAG);
    EXPECT_EQ(host::parts::load_state(holder), PART_FULLY_LOADED);
    EXPECT_EQ(host::parts::work_part(), assembly);
}

// ---- the codes of the argument checks ----

namespace {

struct CodeCase {
    const char* name;
    int code;
    std::function<int()> call;
};

TEST_F(SmartGeometryTest, CreatorsOfFacesAndCurvesRefuseByPositionAndMakeNothing) {
    const int body = cylinder(1);
    const tag f = face_of_type(body, ZQ_SURF_CYLINDER), l = line({0, 0, 0}, {1, 0, 0}), s = scalar(0.5);
    const tag p = point({0, 0, 0}), xf = xform({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    tag r = NULL_TAG, pts[2] = {p, point({1, 1, 0})};
    const surface_dirr_data dgood{f, s, s, 0, NULL_TAG, 0};
    const surf_cvtr_data cgood{f, s, s, 0, NULL_TAG};
    const auto dirr_on = [&](auto change) {
        surface_dirr_data d = dgood;
        change(d);
        return KX_SO_create_dirr_on_surf(part, 0, &d, &r);
    };
    const auto surf_cvtr = [&](auto change) {
        surf_cvtr_data d = cgood;
        change(d);
        return KX_SO_create_offset_surf_cvtr(part, 0, &d, &r);
    };
    curve_cvtr_data cc{l, s}, cc_no_parameter{l, NULL_TAG};
    const std::vector<CodeCase> cases = {
        {"on surface: owner", 1105004, [&] { return KX_SO_create_point_on_surface(NULL_TAG, 0, f, s, s, &r); }},
        {"on surface: surface", 1105006, [&] { return KX_SO_create_point_on_surface(part, 0, NULL_TAG, s, s, &r); }},
        {"on surface: u", 1105007, [&] { return KX_SO_create_point_on_surface(part, 0, f, NULL_TAG, s, &r); }},
        {"on surface: v", 1105013, [&] { return KX_SO_create_point_on_surface(part, 0, f, s, NULL_TAG, &r); }},
        {"on surface: result", 1105014, [&] { return KX_SO_create_point_on_surface(part, 0, f, s, s, nullptr); }},
        {"two curves: first", 1105006,
         [&] { return KX_SO_create_point_two_curves(part, 0, NULL_TAG, l, NULL_TAG, NULL_TAG, &r); }},
        {"two curves: second", 1105007,
         [&] { return KX_SO_create_point_two_curves(part, 0, l, NULL_TAG, NULL_TAG, NULL_TAG, &r); }},
        {"two curves: result", 1105015,
         [&] { return KX_SO_create_point_two_curves(part, 0, l, l, NULL_TAG, NULL_TAG, nullptr); }},
        {"surface curve: surface", 1105006,
         [&] { return KX_SO_create_point_surface_crv(part, 0, NULL_TAG, l, NULL_TAG, NULL_TAG, &r); }},
        {"surface curve: result", 1105015,
         [&] { return KX_SO_create_point_surface_crv(part, 0, f, l, NULL_TAG, NULL_TAG, nullptr); }},
        {"along: curve", 1105006, [&] { return KX_SO_create_point_along_curve(part, 0, NULL_TAG, p, s, 0, 0, &r); }},
        {"along: point", 1105007, [&] { return KX_SO_create_point_along_curve(part, 0, l, NULL_TAG, s, 0, 0, &r); }},
        {"along: distance", 1105013, [&] { return KX_SO_create_point_along_curve(part, 0, l, p, NULL_TAG, 0, 0, &r); }},
        {"along: result", 1105016, [&] { return KX_SO_create_point_along_curve(part, 0, l, p, s, 0, 0, nullptr); }},
        {"plane: plane", 1105006, [&] { return KX_SO_create_dirr_plane(part, 0, NULL_TAG, 0, &r); }},
        {"plane: result", 1105013, [&] { return KX_SO_create_dirr_plane(part, 0, f, 0, nullptr); }},
        {"axis: surface", 1105006, [&] { return KX_SO_create_dirr_surface_axis(part, 0, NULL_TAG, 0, &r); }},
        {"axis: result", 1105013, [&] { return KX_SO_create_dirr_surface_axis(part, 0, f, 0, nullptr); }},
        {"normal: surface", 1105006,
         [&] { return KX_SO_create_dirr_normal_to_surface_point(part, 0, NULL_TAG, p, 0, &r); }},
        {"normal: point", 1105007,
         [&] { return KX_SO_create_dirr_normal_to_surface_point(part, 0, f, NULL_TAG, 0, &r); }},
        {"normal: result", 1105014,
         [&] { return KX_SO_create_dirr_normal_to_surface_point(part, 0, f, p, 0, nullptr); }},
        {"on surf: no record", 1105006, [&] { return KX_SO_create_dirr_on_surf(part, 0, nullptr, &r); }},
        {"on surf: no surface", 1105006, [&] { return dirr_on([](auto& d) { d.surface = NULL_TAG; }); }},
        {"on surf: no second", 1105006, [&] { return dirr_on([](auto& d) { d.second = NULL_TAG; }); }},
        {"on surf: kind 4", 1105006, [&] { return dirr_on([](auto& d) { d.kind = 4; }); }},
        {"on surf: kind -1", 1105006, [&] { return dirr_on([](auto& d) { d.kind = -1; }); }},
        {"on surf: kind 3 alone", 1105006, [&] { return dirr_on([](auto& d) { d.kind = 3; }); }},
        {"on surf: result", 1105007,
         [&] {
             surface_dirr_data d = dgood;
             return KX_SO_create_dirr_on_surf(part, 0, &d, nullptr);
         }},
        {"surf cvtr: kind 3", 1105006, [&] { return surf_cvtr([](auto& d) { d.kind = 3; }); }},
        {"surf cvtr: kind 2 alone", 1105006, [&] { return surf_cvtr([](auto& d) { d.kind = 2; }); }},
        {"surf cvtr: no first", 1105006, [&] { return surf_cvtr([](auto& d) { d.first = NULL_TAG; }); }},
        {"curve cvtr: no record", 1105006, [&] { return KX_SO_create_offset_curve_cvtr(part, 0, nullptr, &r); }},
        {"curve cvtr: no parameter", 1105006,
         [&] { return KX_SO_create_offset_curve_cvtr(part, 0, &cc_no_parameter, &r); }},
        {"curve cvtr: result", 1105007, [&] { return KX_SO_create_offset_curve_cvtr(part, 0, &cc, nullptr); }},
        {"extract: owner", 1105004, [&] { return KX_SO_create_curve_extract(NULL_TAG, 0, l, 0, 0, 0, &r); }},
        {"extract: curve", 1105006, [&] { return KX_SO_create_curve_extract(part, 0, NULL_TAG, 0, 0, 0, &r); }},
        {"extract: result", 1105015, [&] { return KX_SO_create_curve_extract(part, 0, l, 0, 0, 0, nullptr); }},
        {"thru points: points", 1105006,
         [&] { return KX_SO_create_bcurve_thru_points(part, 0, nullptr, 2, 1, 0, nullptr, NULL_TAG, NULL_TAG, &r); }},
        {"thru points: result", 1105028,
         [&] { return KX_SO_create_bcurve_thru_points(part, 0, pts, 2, 1, 0, nullptr, NULL_TAG, NULL_TAG, nullptr); }},
        {"radius angles: xform", 1105006, [&] { return KX_SO_create_arc_radius_angles(part, 0, NULL_TAG, s, s, &r); }},
        {"radius angles: radius", 1105007,
         [&] { return KX_SO_create_arc_radius_angles(part, 0, xf, NULL_TAG, s, &r); }},
        {"radius angles: result", 1105014, [&] { return KX_SO_create_arc_radius_angles(part, 0, xf, s, s, nullptr); }},
        {"xform 2 points: owner", 1105004, [&] { return KX_SO_create_arc_xform_2_points(NULL_TAG, 0, xf, pts, &r); }},
        {"xform 2 points: xform", 1105006, [&] { return KX_SO_create_arc_xform_2_points(part, 0, NULL_TAG, pts, &r); }},
        {"xform 2 points: result", 1105013, [&] { return KX_SO_create_arc_xform_2_points(part, 0, xf, pts, nullptr); }},
    };
    const std::size_t objects = host::objects::live_objects().size();
    for (const CodeCase& c : cases) {
        host::control::clear_journal();
        EXPECT_EQ(c.call(), c.code) << c.name;
        EXPECT_EQ(host::objects::live_objects().size(), objects) << c.name;
        for (const auto& rec : host::control::journal())
            EXPECT_EQ(std::string(rec.name).rfind("ERROR_", 0), 0u)
                << c.name << ": " << rec.name << " before the check";
    }
}

TEST_F(SmartGeometryTest, QueriesOfRecordsRefuseByPositionAndBeforeInitialisation) {
    const tag s = scalar(1);
    surface_dirr_data d{};
    surf_cvtr_data c{};
    curve_cvtr_data cc{};
    tag r = NULL_TAG;
    const std::vector<CodeCase> cases = {
        {"dirr on surf: object", 1105004, [&] { return KX_SO_ask_dirr_on_surf(NULL_TAG, &d); }},
        {"dirr on surf: output", 1105005, [&] { return KX_SO_ask_dirr_on_surf(s, nullptr); }},
        {"surf cvtr: object", 1105004, [&] { return KX_SO_ask_offset_surf_cvtr(NULL_TAG, &c); }},
        {"surf cvtr: output", 1105005, [&] { return KX_SO_ask_offset_surf_cvtr(s, nullptr); }},
        {"curve cvtr: object", 1105004, [&] { return KX_SO_ask_offset_curve_cvtr(NULL_TAG, &cc); }},
        {"curve cvtr: output", 1105005, [&] { return KX_SO_ask_offset_curve_cvtr(s, nullptr); }},
        {"delete non-deletables", 1105004, [&] { return KX_SO_delete_non_deletables(NULL_TAG); }},
        {"assy part occ: result", 1105006, [&] { return KX_SO_ask_assy_ctxt_part_occ(s, s, nullptr); }},
    };
    for (const CodeCase& k : cases) EXPECT_EQ(k.call(), k.code) << k.name;

    kx_reset_session_for_tests();
    const std::vector<std::function<int()>> before = {
        [&] { return KX_SO_create_point_on_surface(part, 0, s, s, s, &r); },
        [&] { return KX_SO_create_dirr_on_surf(part, 0, &d, &r); },
        [&] { return KX_SO_ask_offset_surf_cvtr(s, &c); },
        [&] { return KX_SO_create_bcurve_thru_points(part, 0, &r, 2, 1, 0, nullptr, NULL_TAG, NULL_TAG, &r); },
        [&] { return KX_SO_create_xform_assy_ctxt(s, NULL_TAG, NULL_TAG, &r); },
        [&] { return KX_SO_ask_assy_ctxt_part_occ(s, s, &r); },
        [&] { return KX_SO_delete_non_deletables(s); },
    };
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i](), 1105000) << i;
}

}  // namespace
