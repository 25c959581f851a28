// Curve queries checked against closed forms: evaluation, ranges, lengths
// in units, centroids, turn angles, inflections, the analysis record, and
// intersections of lines, arcs and conics with each other and with faces.
#include <cmath>

#include "curve_fixture.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/views.h"
#include "host/numeric/acom.h"
#include "host/numeric/evc.h"
#include "host/base/services/error.h"

namespace {

class QueryTest : public CurveTest {
protected:
    tag conic(int type, double rotation, double start, double end, double k1, double k2) {
        conic_data d{identity, type, rotation, start, end, {0, 0, 0}, k1, k2};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_conic(&d, &t), 0);
        return t;
    }
    using Surface = host::kernel_surfaces::Surface;
    // A surface about the Z axis through the origin, unbounded in u.
    static Surface surface(int kind, double r0, double r1, double vmin, double vmax) {
        Surface s;
        s.kind = kind;
        s.radii[0] = r0;
        s.radii[1] = r1;
        s.box[0] = 0;
        s.box[1] = kTwoPi;
        s.box[2] = vmin;
        s.box[3] = vmax;
        return s;
    }
    // A body of one face carrying the surface.
    tag face_body(const Surface& s, tag* face = nullptr) {
        const auto b = host::views::make_body(part, 1);
        host::kernel_surfaces::define(b.faces[0], s);
        if (face) *face = b.faces[0];
        return b.body;
    }
    static curve_intersection hit(tag a, tag b, std::vector<double> ref, int code = 0) {
        curve_intersection x{};
        x.type_of_intersection = 99;
        EXPECT_EQ(KX_CURVE_intersect(a, b, ref.data(), &x), code);
        return x;
    }
};

void expect_point(const curve_intersection& x, double px, double py, double pz, double tol = 1e-9) {
    EXPECT_NEAR(x.curve_point[0], px, tol);
    EXPECT_NEAR(x.curve_point[1], py, tol);
    EXPECT_NEAR(x.curve_point[2], pz, tol);
}

// ---- evaluation and ranges ------------------------------------------------------

TEST_F(QueryTest, EvaluateLineAndArc) {
    const tag l = line(0, 0, 0, 3, 4, 0);
    double r[9];
    ASSERT_EQ(KX_CURVE_evaluate_curve(l, 2.5, 1, r), 0);
    EXPECT_NEAR(r[0], 1.5, 1e-12);
    EXPECT_NEAR(r[1], 2, 1e-12);
    EXPECT_NEAR(r[3], 0.6, 1e-12);
    EXPECT_NEAR(r[4], 0.8, 1e-12);

    const tag a = arc(1, 1, 2, 0, kPi);
    ASSERT_EQ(KX_CURVE_evaluate_curve(a, kPi / 2, 2, r), 0);
    EXPECT_NEAR(r[0], 1, 1e-12);
    EXPECT_NEAR(r[1], 3, 1e-12);
    EXPECT_NEAR(r[3], -2, 1e-12);  // first derivative
    EXPECT_NEAR(r[7], -2, 1e-12);  // second derivative points to the center

    double p[3] = {0, 0, 0};
    tag pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(p, &pt), 0);
    const unsigned int spline = host::entity::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    EXPECT_EQ(KX_CURVE_evaluate_curve(l, 0, 3, r), 875120);
    EXPECT_EQ(KX_CURVE_evaluate_curve(l, 0, -1, r), 875120);
    EXPECT_EQ(KX_CURVE_evaluate_curve(pt, 0, 0, r), 875033);
    EXPECT_EQ(KX_CURVE_evaluate_curve(spline, 0, 0, r), 875033);  // no evaluator
    EXPECT_EQ(host::evc::live_count(), 0);                        // every evaluator freed
}

TEST_F(QueryTest, ParameterizationAndPeriodicity) {
    double range[2];
    int periodicity = -1;
    ASSERT_EQ(KX_CURVE_ask_parameterization(line(0, 0, 0, 3, 4, 0), range, &periodicity), 0);
    EXPECT_NEAR(range[1] - range[0], 5, 1e-12);
    EXPECT_EQ(periodicity, 0);
    ASSERT_EQ(KX_CURVE_ask_parameterization(arc(0, 0, 1, 0, kTwoPi), range, &periodicity), 0);
    EXPECT_NEAR(range[1] - range[0], kTwoPi, 1e-12);
    EXPECT_EQ(periodicity, 1);
    ASSERT_EQ(KX_CURVE_ask_parameterization(arc(0, 0, 1, 0, 1), range, &periodicity), 0);
    EXPECT_EQ(periodicity, 0);
    EXPECT_EQ(KX_CURVE_ask_parameterization(identity, range, &periodicity), 875033);
    const unsigned int spline = host::entity::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    EXPECT_EQ(KX_CURVE_ask_parameterization(spline, range, &periodicity), 875033);
    EXPECT_EQ(host::evc::live_count(), 0);
}

// ---- centroid and length ------------------------------------------------------

TEST_F(QueryTest, CentroidOfLineAndArc) {
    double c[3];
    ASSERT_EQ(KX_CURVE_ask_centroid(line(1, 2, 3, 3, 6, 7), c), 0);
    EXPECT_NEAR(c[0], 2, 1e-12);
    EXPECT_NEAR(c[1], 4, 1e-12);
    EXPECT_NEAR(c[2], 5, 1e-12);
    // An arc of radius r and half-angle h about the X axis: r sin(h) / h.
    const double r = 2, h = 0.7;
    ASSERT_EQ(KX_CURVE_ask_centroid(arc(0, 0, r, -h, h), c), 0);
    EXPECT_NEAR(c[0], r * std::sin(h) / h, 1e-12);
    EXPECT_NEAR(c[1], 0, 1e-12);
    // A whole ellipse: its center.
    ASSERT_EQ(KX_CURVE_ask_centroid(conic(2, 0.4, 0, kTwoPi, 3, 1), c), 0);
    EXPECT_NEAR(c[0], 0, 1e-10);
    EXPECT_NEAR(c[1], 0, 1e-10);
    EXPECT_EQ(KX_CURVE_ask_centroid(identity, c), 875033);
    EXPECT_EQ(KX_CURVE_ask_centroid(line(0, 0, 0, 1, 0, 0), nullptr), 1105005);
    EXPECT_EQ(host::evc::live_count(), 0);
}

TEST_F(QueryTest, ArcLengthInUnits) {
    const tag l = line(0, 0, 0, 25.4, 0, 0);
    struct Case {
        int units;
        double length;
    } metric[] = {{0, 25.4}, {1, 1}, {2, 25.4}, {3, 2.54}, {4, 0.0254}};
    for (const Case& c : metric) {
        double len = -1;
        ASSERT_EQ(KX_CURVE_ask_arc_length(l, 0, 1, c.units, &len), 0);
        EXPECT_NEAR(len, c.length, 1e-12) << c.units;
    }
    acom_[1246] = 2;  // an inch part
    const tag inch = line(0, 0, 0, 2, 0, 0);
    struct Case inches[] = {{0, 2}, {1, 2}, {2, 50.8}, {3, 5.08}, {4, 0.0508}};
    for (const Case& c : inches) {
        double len = -1;
        ASSERT_EQ(KX_CURVE_ask_arc_length(inch, 0, 1, c.units, &len), 0);
        EXPECT_NEAR(len, c.length, 1e-12) << c.units;
    }
    acom_[1246] = 0;

    // A part of an arc between normalised parameters: a quarter of a
    // half circle of radius 2 is pi / 2 long; reversed the same.
    const tag a = arc(0, 0, 2, 0, kPi);
    double len = 0;
    ASSERT_EQ(KX_CURVE_ask_arc_length(a, 0.25, 0.75, 0, &len), 0);
    EXPECT_NEAR(len, kPi, 1e-10);
    ASSERT_EQ(KX_CURVE_ask_arc_length(a, 0.5, 0, 0, &len), 0);
    EXPECT_NEAR(len, kPi, 1e-10);

    host::control::clear_journal();
    ASSERT_EQ(KX_CURVE_ask_arc_length(a, 0.3, 0.3, 0, &len), 0);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(host::control::call_count("e7009_"), 0);
    EXPECT_EQ(KX_CURVE_ask_arc_length(a, 0, 1, 5, &len), 1105007);
    EXPECT_EQ(KX_CURVE_ask_arc_length(identity, 0, 1, 0, &len), 1105004);

    // A curve the host cannot load: its code, acknowledged, no crash.
    const unsigned int spline = host::entity::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    EXPECT_EQ(KX_CURVE_ask_arc_length(spline, 0, 1, 0, &len), 670006);
    const auto acks = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acks.begin(), acks.end(), 670006), acks.end());
}

// ---- turn angle and inflections -------------------------------------------------

TEST_F(QueryTest, TurnAngle) {
    double up[3] = {0, 0, 1}, down[3] = {0, 0, -1}, angle = 0;
    ASSERT_EQ(KX_CURVE_ask_curve_turn_angle(arc(0, 0, 3, 0.2, 0.2 + kPi / 2), up, &angle), 0);
    EXPECT_NEAR(angle, kPi / 2, 1e-12);
    ASSERT_EQ(KX_CURVE_ask_curve_turn_angle(arc(0, 0, 3, 0, 1.5 * kPi), down, &angle), 0);
    EXPECT_NEAR(angle, -1.5 * kPi, 1e-12);
    ASSERT_EQ(KX_CURVE_ask_curve_turn_angle(line(0, 0, 0, 1, 2, 0), up, &angle), 0);
    EXPECT_NEAR(angle, 0, 1e-15);
    // The right branch of x^2 - y^2 = 1 run upwards turns clockwise, by
    // less than the angle between its asymptotes.
    ASSERT_EQ(KX_CURVE_ask_curve_turn_angle(conic(4, 0, -1.2, 1.2, 1, 1), up, &angle), 0);
    EXPECT_LT(angle, -1.4);
    EXPECT_GT(angle, -kPi / 2);

    const unsigned int edge = host::entity::create({OM_CLASS_RM_ENTITY, 70, 3, part});
    const double s[3] = {0, 0, 0}, e[3] = {1, 0, 0};
    host::curves::attach_line(edge, s, e);
    EXPECT_EQ(KX_CURVE_ask_curve_turn_angle(edge, up, &angle), 875033);
}

TEST_F(QueryTest, InflectionsOfAnSCurve) {
    // A cubic with poles (0,0) (1,1) (2,-1) (3,0): one inflection, in the middle.
    const double poles[] = {0, 0, 0, 1, 1, 1, 0, 1, 2, -1, 0, 1, 3, 0, 0, 1};
    const double knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
    const unsigned int s = host::entity::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    host::curves::attach_curve(s, *hostnum::Curve::spline(4, 4, poles, knots));

    double range[2] = {-1e-11, 100 + 1e-11};
    int n = -1;
    double* data = nullptr;
    ASSERT_EQ(KX_CURVE_ask_curve_inflections(s, 1, range, &n, &data), 0);
    ASSERT_EQ(n, 1);
    EXPECT_NEAR(data[0], 50, 1e-9);
    EXPECT_NEAR(data[1], 1.5, 1e-9);
    EXPECT_NEAR(data[2], 0, 1e-9);
    KX_free(data);
    EXPECT_EQ(range[0], -1e-11);  // the caller's range is not changed

    double early[2] = {0, 40};
    ASSERT_EQ(KX_CURVE_ask_curve_inflections(s, 0, early, &n, &data), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(data, nullptr);
    ASSERT_EQ(KX_CURVE_ask_curve_inflections(arc(0, 0, 1, 0, 3), 0, range, &n, &data), 0);
    EXPECT_EQ(n, 0);

    double bad[2] = {-0.1, 50}, beyond[2] = {0, 100.1};
    EXPECT_EQ(KX_CURVE_ask_curve_inflections(s, 0, bad, &n, &data), 1105006);
    EXPECT_EQ(KX_CURVE_ask_curve_inflections(s, 0, beyond, &n, &data), 1105006);
    // The last failing test gives the code.
    EXPECT_EQ(KX_CURVE_ask_curve_inflections(identity, 0, bad, &n, &data), 1105006);
    EXPECT_EQ(KX_CURVE_ask_curve_inflections(identity, 0, early, &n, &data), 1105004);
}

// ---- analysis display ---------------------------------------------------------------

TEST_F(QueryTest, AnalysisDisplayCopiesTheRecord) {
    const tag l = line(0, 0, 0, 1, 0, 0);
    CRVANL_CARecord_t r{};
    r.show[1] = 5;
    r.scale = 2.5;
    r.density = 20;
    r.options[3] = 7;
    r.limits_on = 1;
    r.limits[2] = 9;
    r.styles[5] = 11;
    host::crvanl::set_record(l, r);
    curve_analysis_display d{};
    ASSERT_EQ(KX_CURVE_ask_analysis_display(l, &d), 0);
    EXPECT_EQ(d.scale, 2.5);
    EXPECT_EQ(d.show_flags[0], 0);
    EXPECT_EQ(d.show_flags[1], 1);
    EXPECT_EQ(d.density, 20);
    EXPECT_EQ(d.options[3], 7);
    EXPECT_EQ(d.show_limits, 1);
    EXPECT_EQ(d.limits[2], 9);
    EXPECT_EQ(d.styles[5], 11);

    EXPECT_EQ(KX_CURVE_ask_analysis_display(identity, &d), 1105004);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_CURVE_ask_analysis_display(l, &d), 1105012);
}

// ---- intersections ------------------------------------------------------------------

TEST_F(QueryTest, CurveCurveIntersections) {
    const tag d1 = line(0, 0, 0, 2, 2, 0), d2 = line(0, 2, 0, 2, 0, 0);
    auto x = hit(d1, d2, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, 1, 0);
    EXPECT_NEAR(x.curve_parm, std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(x.entity_parms[0], std::sqrt(2.0), 1e-9);
    EXPECT_EQ(x.entity_parms[1], 0);

    // A chord of the unit circle: the crossing nearer the reference point.
    const tag circle = arc(0, 0, 1, 0, kTwoPi);
    const tag chord = line(-2, 0.5, 0, 2, 0.5, 0);
    x = hit(chord, circle, {1, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, std::sqrt(0.75), 0.5, 0);
    x = hit(circle, chord, {-1, 0, 0});
    expect_point(x, -std::sqrt(0.75), 0.5, 0);
    EXPECT_NEAR(x.curve_parm, kPi - std::asin(0.5), 1e-9);

    // Touching and missing.
    x = hit(line(-2, 1, 0, 2, 1, 0), circle, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 2);
    expect_point(x, 0, 1, 0, 1e-6);
    x = hit(line(-2, 2, 0, 2, 2, 0), circle, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);
    EXPECT_EQ(x.curve_point[0], 0);
    // Skew lines in space do not meet.
    x = hit(d1, line(0, 2, 1, 2, 0, 1), {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);
    // The crossing of the lines lies beyond the end of the second one.
    x = hit(d1, line(0, 2, 0, 0.9, 1.1, 0), {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);
    // Lines along each other meet where one's end lies on the other: a
    // touch at the end nearer the reference.
    const tag along = line(0, 0, 0, 2, 0, 0), further = line(1, 0, 0, 3, 0, 0);
    x = hit(along, further, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 2);
    expect_point(x, 1, 0, 0);
    x = hit(along, further, {5, 0, 0});
    expect_point(x, 2, 0, 0);
    EXPECT_NEAR(x.entity_parms[0], 1, 1e-9);
}

TEST_F(QueryTest, ConicIntersections) {
    // Circle of radius 2 and ellipse x^2/9 + y^2 = 1: x^2 = 27/8, y^2 = 5/8.
    const tag circle = arc(0, 0, 2, 0, kTwoPi);
    const tag ellipse = conic(2, 0, 0, kTwoPi, 3, 1);
    auto x = hit(circle, ellipse, {3, 3, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, std::sqrt(27.0 / 8), std::sqrt(5.0 / 8), 0);

    // Parabola y^2 = x (v from -2 to 2) and the line x = 1.
    const tag parabola = conic(3, 0, -2, 2, 1, 0);
    x = hit(line(1, -5, 0, 1, 5, 0), parabola, {1, -3, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, -1, 0);
    // Touching its vertex.
    x = hit(line(0, -5, 0, 0, 5, 0), parabola, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 2);
    expect_point(x, 0, 0, 0, 1e-6);

    // Hyperbola x^2 - y^2 = 1 (right branch) and the line y = 0.
    const tag hyperbola = conic(4, 0, -1, 1, 1, 1);
    x = hit(hyperbola, line(-3, 0, 0, 3, 0, 0), {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, 0, 0);
    // The left branch is not part of the curve.
    x = hit(hyperbola, line(-3, 0.5, 0, -0.5, 0.5, 0), {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);
}

TEST_F(QueryTest, CurveFaceIntersections) {
    Surface plane;  // z = 1, 0 <= x, y <= 1
    plane.origin[2] = 1;
    tag plane_face = NULL_TAG;
    const tag body = face_body(plane, &plane_face);
    const tag l = line(0.5, 0.25, 0, 0.5, 0.25, 5);
    auto x = hit(l, body, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 0.5, 0.25, 1);
    EXPECT_NEAR(x.curve_parm, 1, 1e-12);
    EXPECT_NEAR(x.entity_parms[0], 0.5, 1e-12);
    EXPECT_NEAR(x.entity_parms[1], 0.25, 1e-12);
    x = hit(l, plane_face, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    // Outside the face's bounds.
    x = hit(line(2, 2, 0, 2, 2, 5), body, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);

    // A sphere of radius 2 about (0, 0, 3): the hit nearer the reference.
    Surface sphere = surface(PX_SURF_SPHERE, 2, 0, -kPi / 2, kPi / 2);
    sphere.origin[2] = 3;
    const tag axis_line = line(0, 0, 0, 0, 0, 10);
    x = hit(axis_line, face_body(sphere), {0, 0, 10});
    expect_point(x, 0, 0, 5);
    EXPECT_NEAR(x.entity_parms[1], kPi / 2, 1e-9);
    x = hit(axis_line, face_body(sphere), {0, 0, 0});
    expect_point(x, 0, 0, 1);

    // A torus (3, 1) about Z and the X axis: hits at 2 and 4 either side.
    const tag x_axis = line(-10, 0, 0, 10, 0, 0);
    const Surface torus = surface(PX_SURF_TORUS, 3, 1, -kPi, kPi);
    x = hit(x_axis, face_body(torus), {10, 0, 0});
    expect_point(x, 4, 0, 0);
    x = hit(x_axis, face_body(torus), {0.5, 0, 0});
    expect_point(x, 2, 0, 0);

    // A cone opening upwards at 45 degrees from radius 1, and a vertical
    // line at x = 2: it meets the cone at z = 1.
    x = hit(line(2, 0, -5, 2, 0, 5), face_body(surface(PX_SURF_CONE, 1, kPi / 4, -10, 10)), {0, 0, 0});
    expect_point(x, 2, 0, 1);

    // A circle touching a plane.
    Surface wall;  // the plane x = 1
    wall.origin[0] = 1;
    wall.axis[0] = 1;
    wall.axis[2] = 0;
    wall.ref[0] = 0;
    wall.ref[1] = 1;
    x = hit(arc(0, 0, 1, 0, kTwoPi), face_body(wall), {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, 0, 0, 1e-6);

    // Surfaces outside the host's analytic kinds.
    Surface swept;
    swept.kind = PX_SURF_SWEPT;
    hit(l, face_body(swept), {0, 0, 0}, 670009);
}

// Faces of the host's table meet splines, and curves that only touch
// their surface, where the kernel's intersection of curve and surface puts
// them.
TEST_F(QueryTest, TableFacesMeetSplinesAndTouchingCurves) {
    // A rational quarter of the circle of radius 2 about the origin meets
    // the plane x = 1 at 60 degrees.
    Surface wall;
    wall.origin[0] = 1;
    wall.axis[0] = 1;
    wall.axis[2] = 0;
    wall.ref[0] = 0;
    wall.ref[1] = 1;
    wall.box[1] = 2;
    wall.box[2] = -1;
    tag wall_face = NULL_TAG;
    face_body(wall, &wall_face);
    const double w = std::sqrt(0.5);
    const double poles[] = {2, 0, 0, 1, 2, 2, 0, w, 0, 2, 0, 1}, knots[] = {0, 0, 0, 1, 1, 1};
    const auto quarter = hostnum::Curve::spline(3, 3, poles, knots, hostnum::Curve::PoleForm::cartesian);
    ASSERT_TRUE(quarter.has_value());
    const unsigned int spline = host::entity::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    host::curves::attach_curve(spline, *quarter);
    const double ref[3] = {0, 0, 0};
    int status = 0;
    double point[3], t = 0, uv[2];
    ASSERT_EQ(PX_intersect_edge_and_face(spline, wall_face, ref, &status, point, &t, uv), 0);
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(point[0], 1, 1e-9);
    EXPECT_NEAR(point[1], std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(uv[0], std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(uv[1], 0, 1e-9);
    double on[3];
    ASSERT_EQ(hostnum::curve_evaluate(quarter->record(), 0, t, on, nullptr), hostnum::CurveError::ok);
    EXPECT_NEAR(std::hypot(on[0] - point[0], on[1] - point[1], on[2] - point[2]), 0, 1e-9);

    // The cylinder of radius 1 about X meets it at 30 degrees.
    Surface tube = surface(PX_SURF_CYLINDER, 1, 0, -3, 3);
    tube.axis[0] = 1;
    tube.axis[2] = 0;
    tube.ref[0] = 0;
    tube.ref[1] = 1;
    tag tube_face = NULL_TAG;
    face_body(tube, &tube_face);
    ASSERT_EQ(PX_intersect_edge_and_face(spline, tube_face, ref, &status, point, &t, uv), 0);
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(point[0], std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(point[1], 1, 1e-9);
    EXPECT_NEAR(uv[0], 0, 1e-9);
    EXPECT_NEAR(uv[1], std::sqrt(3.0), 1e-9);

    // A line along Y at x = 1 touches the cylinder of radius 1 about Z.
    tag cylinder = NULL_TAG;
    face_body(surface(PX_SURF_CYLINDER, 1, 0, 0, 2), &cylinder);
    const double near[3] = {1, 0, 1};
    ASSERT_EQ(PX_intersect_edge_and_face(line(1, -3, 1, 1, 3, 1), cylinder, near, &status, point, &t, uv), 0);
    EXPECT_EQ(status, 2);
    EXPECT_NEAR(point[0], 1, 1e-9);
    EXPECT_NEAR(point[1], 0, 1e-7);
    EXPECT_NEAR(point[2], 1, 1e-9);
    EXPECT_NEAR(t, 3, 1e-7);
}

// Faces of real kernel bodies meet curves where the kernel's surfaces lie,
// with the kernel's face parameters.
TEST_F(QueryTest, CurvesMeetFacesOfKernelBodies) {
    // A cone along Z opening at 45 degrees from radius 1 to radius 3, and
    // a vertical line at x = 2: it meets the cone at z = 1, a generator's
    // length of sqrt(2) from the base.
    const double origin[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cone = 0;
    ZQ_BODY_make_cone(origin, z, 1, 3, 2, &cone);
    tag conical = NULL_TAG;  // a body of several faces is refused: the face is given
    for (int f : host::kernel::faces_of(cone)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_CONE) conical = host::kernel::object_of(f);
    }
    auto x = hit(line(2, 0, -0.5, 2, 0, 1.5), conical, {2, 0, 1.2});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 2, 0, 1);
    EXPECT_NEAR(x.entity_parms[1], std::sqrt(2.0), 1e-9);

    // A sphere of radius 2 about (0, 0, 3), a body of one face: the hit
    // nearer the reference.
    const double centre[3] = {0, 0, 3};
    int sphere = 0;
    ZQ_BODY_make_sphere(centre, 2, &sphere);
    x = hit(line(0.5, 0, 0, 0.5, 0, 10), host::kernel::object_of(sphere), {0, 0, 10});
    expect_point(x, 0.5, 0, 3 + std::sqrt(3.75));
    EXPECT_NEAR(x.entity_parms[1], std::asin(std::sqrt(3.75) / 2), 1e-9);

    // The top of a block with a hole through it: a line through the hole
    // meets no face, one beside it meets the top within its boundary.
    const double corner[3] = {0, 0, 0}, size[3] = {10, 10, 10}, under[3] = {5, 5, -1};
    int block = 0, hole = 0;
    ZQ_BODY_make_block(corner, size, &block);
    ZQ_BODY_make_cylinder(under, z, 2, 12, &hole);
    ZQ_BODY_boolean(block, hole, ZQ_SUBTRACT);
    tag top = NULL_TAG;
    for (int f : host::kernel::faces_of(block)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 9.99 && box[5] < 10.01) top = host::kernel::object_of(f);
    }
    ASSERT_NE(top, NULL_TAG);
    x = hit(line(5, 5, 9, 5, 5, 11), top, {5, 5, 10});
    EXPECT_EQ(x.type_of_intersection, 0);
    x = hit(line(1, 1, 9, 1, 1, 11), top, {5, 5, 10});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, 1, 10);
}

TEST_F(QueryTest, ExtendedSearchAndFaceBounds) {
    // A cylinder of radius 1 about Z, bounded to 0 <= z <= 2.
    const tag body = face_body(surface(PX_SURF_CYLINDER, 1, 0, 0, 2));
    // A short line that stops before the cylinder: the extended search
    // finds the crossing beyond its end.
    const tag short_line = line(5, 0, 1, 4, 0, 1);
    auto x = hit(short_line, body, {0, 0, 1});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 1, 0, 1);
    EXPECT_NEAR(x.curve_parm, 4, 1e-9);
    EXPECT_EQ(host::control::call_count("CRV_int_ext_curve_and_face"), 1);
    // Above the face's bounds there is nothing.
    x = hit(line(5, 0, 3, -5, 0, 3), body, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 0);
    // An edge is not extended.
    const unsigned int edge = host::entity::create({OM_CLASS_RM_ENTITY, 70, 3, part});
    const double s[3] = {5, 0, 1}, e[3] = {4, 0, 1};
    host::curves::attach_line(edge, s, e);
    x = hit(edge, body, {0, 0, 1});
    EXPECT_EQ(x.type_of_intersection, 0);

    // A datum plane answers no face parameters.
    const unsigned int datum = host::entity::create({OM_CLASS_RM_ENTITY, 197, 0, part});
    Surface plane;
    plane.origin[0] = -7;
    plane.origin[1] = -8;
    plane.box[1] = plane.box[3] = 100;
    host::kernel_surfaces::define(datum, plane);
    x = hit(line(0, 0, -1, 0, 0, 1), datum, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    EXPECT_EQ(x.entity_parms[0], 0);
    EXPECT_EQ(x.entity_parms[1], 0);
}

TEST_F(QueryTest, IntersectionCodes) {
    const tag l = line(0, 0, 0, 1, 0, 0);
    double p[3] = {0, 0, 0};
    tag pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(p, &pt), 0);
    const auto two = host::views::make_body(part, 2);
    hit(pt, l, {0, 0, 0}, 1105004);
    hit(l, pt, {0, 0, 0}, 1105005);
    hit(l, two.body, {0, 0, 0}, 1105005);
    EXPECT_EQ(KX_CURVE_intersect(l, l, p, nullptr), 1105006);
    EXPECT_EQ(host::control::live_blocks(), 0u);  // the face list went with the mark
}

// A release at the end of a query that fails is the query's status, never
// a success: the evaluator's free, the scratch memory's free to its mark.
TEST_F(QueryTest, FailedReleasesAreTheStatus) {
    const tag l = line(0, 0, 0, 3, 4, 0);
    const tag m = line(0, 2, 0, 4, 2, 0);
    double r[9];
    struct Case {
        const char* release;
        int (*call)(tag, tag, double*);
    };
    const Case cases[] = {
        {"evcrvf", [](tag a, tag, double* out) { return KX_CURVE_evaluate_curve(a, 1, 1, out); }},
        {"SM_free_to_mark",
         [](tag a, tag b, double*) {
             double ref[3] = {1, 2, 0};
             curve_intersection x{};
             return KX_CURVE_intersect(a, b, ref, &x);
         }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.call(l, m, r), 0) << c.release;
        host::control::clear_log();
        host::control::raise_on(c.release, 750003, 1);
        EXPECT_EQ(c.call(l, m, r), 750003) << c.release;
        host::control::clear_scripts();
        EXPECT_EQ(host::control::frame_depth(), 0) << c.release;
        EXPECT_TRUE(host::control::log_lines().empty()) << c.release;
    }
}

TEST_F(QueryTest, ScriptedAnswerForASurfaceOutsideTheScope) {
    Surface spun;
    spun.kind = PX_SURF_SPUN;
    const tag body = face_body(spun);
    const tag l = line(0, 0, 0, 0, 0, 1);
    auto x = hit(l, body, {0, 0, 0}, HOST_ERR_OUT_OF_SCOPE);
    EXPECT_EQ(x.type_of_intersection, 0);
    host::control::give_outputs("PX_intersect_edge_and_face", {1, 0.0, 0.0, 0.5, 0.5, 1.25, 2.5});
    x = hit(l, body, {0, 0, 0});
    EXPECT_EQ(x.type_of_intersection, 1);
    expect_point(x, 0, 0, 0.5);
    EXPECT_EQ(x.entity_parms[1], 2.5);
}

}  // namespace
