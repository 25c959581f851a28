// Geometric properties, geometry checks and measurement against closed
// forms: curve parameters, properties and evaluation of lines, arcs,
// ellipses and splines; dimensionality; the checks on a valid block and on
// bodies with real defects; the fault tokens mapped to codes; distances,
// extreme points, comparison, containment, boxes and the object cycle.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/occurrences.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "kx_facet.h"
#include "kx_modl_geometry.h"
#include "tests/libkxapi/curve/curve_fixture.h"

namespace {

using V = std::array<double, 3>;
V of(const double* p) { return {p[0], p[1], p[2]}; }

void expect_near(const double* got, V want, double tol, const std::string& what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tol) << what << " [" << i << "]";
}
// Equal up to the sign.
void expect_parallel(const double* got, V want, double tol, const std::string& what) {
    const double s = got[0] * want[0] + got[1] * want[1] + got[2] * want[2] < 0 ? -1 : 1;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s * got[i], want[i], tol) << what << " [" << i << "]";
}

class Geometry : public CurveTest {
protected:
    tag ellipse(double a, double b, double t0, double t1) {
        conic_data d{identity, KX_CONIC_ELLIPSE, 0, t0, t1, {0, 0, 0}, a, b};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_conic(&d, &t), 0);
        return t;
    }
    // A cubic spline (order 4) through the poles (weights 1), clamped.
    tag spline(const std::vector<V>& poles) {
        const int n = static_cast<int>(poles.size());
        std::vector<double> knots(4, 0.0), p;
        for (int i = 1; i < n - 3; ++i) knots.push_back(i);
        for (int i = 0; i < 4; ++i) knots.push_back(n - 3);
        for (const V& q : poles) p.insert(p.end(), {q[0], q[1], q[2], 1.0});
        tag t = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_spline(n, 4, knots.data(), p.data(), &t, 0, 0), 0);
        return t;
    }
    static int block(V at, V size) {
        int b = 0;
        ZQ_BODY_make_block(at.data(), size.data(), &b);
        return b;
    }
    static tag body_object(int body) { return host::kernel::object_of(body); }
    // The face of the body whose box is the given one within 1e-9.
    static tag face_with_box(int body, std::array<double, 6> want) {
        for (int f : host::kernel::faces_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            bool same = true;
            for (int i = 0; i < 6; ++i) same = same && std::abs(box[i] - want[i]) < 1e-7;
            if (same) return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no such face";
        return NULL_TAG;
    }
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
    // A sheet of a closed polygon.
    static int sheet(const std::vector<V>& corners) {
        std::vector<double> p;
        for (const V& c : corners) p.insert(p.end(), c.begin(), c.end());
        int profile = 0, s = 0;
        ZQ_BODY_make_wire(static_cast<int>(corners.size()), p.data(), 1, &profile);
        ZQ_BODY_make_plane_sheet(profile, &s);
        return s;
    }
};

// ---- curve parameters ------------------------------------------------------------

TEST_F(Geometry, CurveParameterOfEachCurveKindAgainstItsClosedForm) {
    const double q = kPi / 2;
    struct Row {
        const char* what;
        tag curve;
        V point;
        double parm;  // with the extension
        V foot;
        double parm_no_ext;  // within the curve's ends
    };
    const tag l = line(0, 0, 0, 10, 0, 0);
    const tag quarter = arc(0, 0, 5, 0, q);
    const tag round = arc(0, 0, 5, 1, 1 + kTwoPi);
    const tag e = ellipse(4, 2, 0, kTwoPi);
    const tag s = spline({{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}, {6, 1, 0}});
    const Row rows[] = {
        {"line start", l, {0, 3, 0}, 0, {0, 0, 0}, 0},
        {"line end", l, {10, -1, 0}, 1, {10, 0, 0}, 1},
        {"line middle", l, {5, 3, 4}, 0.5, {5, 0, 0}, 0.5},
        {"line beyond its end", l, {15, 1, 0}, 1.5, {15, 0, 0}, 1},
        {"quarter arc middle",
         quarter,
         {7 * std::cos(q / 2), 7 * std::sin(q / 2), 0},
         0.5,
         {5 * std::cos(q / 2), 5 * std::sin(q / 2), 0},
         0.5},
        {"quarter arc start", quarter, {6, 0, 0}, 0, {5, 0, 0}, 0},
        {"quarter arc end", quarter, {0, 9, 0}, 1, {0, 5, 0}, 1},
        // Angle 0.5 lies before the start angle 1: past the seam, brought
        // back by one turn.
        {"full arc past its seam",
         round,
         {5 * std::cos(0.5), 5 * std::sin(0.5), 0},
         (0.5 + kTwoPi - 1) / kTwoPi,
         {5 * std::cos(0.5), 5 * std::sin(0.5), 0},
         (0.5 + kTwoPi - 1) / kTwoPi},
        {"ellipse top", e, {0, 3, 0}, 0.25, {0, 2, 0}, 0.25},
        {"ellipse left", e, {-6, 0, 0}, 0.5, {-4, 0, 0}, 0.5},
        {"spline start", s, {0, 0, 0}, 0, {0, 0, 0}, 0},
        {"spline end", s, {6, 1, 0}, 1, {6, 1, 0}, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double point[3] = {r.point[0], r.point[1], r.point[2]}, parm = -9, foot[3] = {-9, -9, -9};
        ASSERT_EQ(KX_MODL_ask_curve_parm(r.curve, point, &parm, foot), 0);
        EXPECT_NEAR(parm, r.parm, 1e-7);
        expect_near(foot, r.foot, 1e-7, "foot");
        ASSERT_EQ(KX_MODL_ask_curve_parm_no_ext(r.curve, point, &parm), 0);
        EXPECT_NEAR(parm, r.parm_no_ext, 1e-7);
    }
}

// A closed spline through eight points of a circle: the parameter of
// each point, evaluated, gives the point back, every parameter lies in
// [0, 1], and the curve is closed and periodic.
TEST_F(Geometry, ClosedSplineParametersRoundTrip) {
    std::vector<spline_point> through(8);
    for (int i = 0; i < 8; ++i) {
        through[i] = spline_point{};
        through[i].slope_type = through[i].crvatr_type = -1;  // none
        through[i].point[0] = 5 * std::cos(kTwoPi * i / 8);
        through[i].point[1] = 5 * std::sin(kTwoPi * i / 8);
    }
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 1, 8, through.data(), nullptr, 0, &s), 0);
    EXPECT_EQ(KX_MODL_ask_curve_closed(s), 1);
    int periodicity = 0;
    ASSERT_EQ(KX_MODL_ask_curve_periodicity(s, &periodicity), 0);
    EXPECT_EQ(periodicity, 1);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        // Points a little off the curve, all the way round.
        double at[3] = {5.5 * std::cos(kTwoPi * (i + 0.25) / 16), 5.5 * std::sin(kTwoPi * (i + 0.25) / 16), 1};
        double parm = -1, foot[3];
        ASSERT_EQ(KX_MODL_ask_curve_parm(s, at, &parm, foot), 0);
        EXPECT_GE(parm, 0);
        EXPECT_LE(parm, 1);
        double values[3];
        int flag = 0;
        ASSERT_EQ(KX_MODL_evaluate_curve(s, &parm, &flag, values), 0);
        expect_near(values, of(foot), 1e-9, "evaluated at the parameter");
        EXPECT_NEAR(std::hypot(foot[0], foot[1]), 5, 0.05);
    }
}

TEST_F(Geometry, CurveParameterRefusesWhatIsNoCurve) {
    const tag face = face_of_type(block({0, 0, 0}, {1, 1, 1}), ZQ_SURF_PLANE);
    double p[3] = {0, 0, 0}, parm = 0, foot[3];
    for (tag t : {NULL_TAG, tag{999999}, face}) {
        EXPECT_EQ(KX_MODL_ask_curve_parm(t, p, &parm, foot), 875033);
        EXPECT_EQ(KX_MODL_ask_curve_parm_no_ext(t, p, &parm), 875033);
    }
    const tag l = line(0, 0, 0, 1, 0, 0);
    EXPECT_EQ(KX_MODL_ask_curve_parm(l, nullptr, &parm, foot), 1105005);
    EXPECT_EQ(KX_MODL_ask_curve_parm(l, p, nullptr, foot), 1105006);
    EXPECT_EQ(KX_MODL_ask_curve_parm(l, p, &parm, nullptr), 1105007);
    // The projection finding no foot.
    host::control::give_outputs("em0150_", {0});
    EXPECT_EQ(KX_MODL_ask_curve_parm(l, p, &parm, foot), 875030);
}

// ---- properties and evaluation -------------------------------------------------

TEST_F(Geometry, CurvePropertiesAgainstClosedForms) {
    const double q = kPi / 2;
    struct Row {
        const char* what;
        tag curve;
        double parm;
        V point, tangent;  // tangent by the normalised parameter
        double radius;
    };
    const Row rows[] = {
        {"line", line(0, 0, 0, 10, 0, 0), 0.3, {3, 0, 0}, {10, 0, 0}, 1e19},
        // Radius 5; the quarter's tangent is r (-sin, cos) times pi/2.
        {"radius-5 arc",
         arc(0, 0, 5, 0, q),
         0.5,
         {5 * std::cos(q / 2), 5 * std::sin(q / 2), 0},
         {-5 * q * std::sin(q / 2), 5 * q * std::cos(q / 2), 0},
         5},
        // Ellipse 4 x 2: curvature a / b^2 at the end of the major axis, b / a^2 at the minor.
        {"ellipse at its major axis", ellipse(4, 2, 0, kTwoPi), 0, {4, 0, 0}, {0, 2 * kTwoPi, 0}, 1},
        {"ellipse at its minor axis", ellipse(4, 2, 0, kTwoPi), 0.25, {0, 2, 0}, {-4 * kTwoPi, 0, 0}, 8},
        // Evenly spaced poles on a line: the spline runs along it at an even
        // pace, 3 over its parameter range.
        {"straight spline", spline({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}), 0.5, {1.5, 0, 0}, {3, 0, 0}, 1e19},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double point[3], tangent[3], a[3], b[3], torsion = -1, radius = 0;
        ASSERT_EQ(KX_MODL_ask_curve_props(r.curve, r.parm, point, tangent, a, b, &torsion, &radius), 0);
        expect_near(point, r.point, 1e-7, "point");
        expect_near(tangent, r.tangent, 1e-6, "tangent");
        EXPECT_NEAR(radius, r.radius, r.radius * 1e-7);
        EXPECT_NEAR(torsion, 0, 1e-9);  // plane curves
        if (r.radius < 1e10) expect_parallel(a, {0, 0, 1}, 1e-9, "binormal");
    }
    // An edge of a block answers as its line.
    const int b = block({0, 0, 0}, {10, 10, 10});
    const tag edge = host::kernel::object_of(host::kernel::edges_of(b)[0]);
    double point[3], tangent[3], a[3], bn[3], torsion = 0, radius = 0;
    EXPECT_EQ(KX_MODL_ask_curve_props(edge, 0.5, point, tangent, a, bn, &torsion, &radius), 0);
    EXPECT_NEAR(std::sqrt(tangent[0] * tangent[0] + tangent[1] * tangent[1] + tangent[2] * tangent[2]), 10, 1e-9);
    EXPECT_EQ(KX_MODL_ask_curve_props(body_object(b), 0.5, point, tangent, a, bn, &torsion, &radius), 875033);
}

TEST_F(Geometry, EvaluationOfPointAndDerivatives) {
    const tag l = line(0, 0, 0, 10, 0, 0);
    const tag a = arc(1, 2, 5, 0, kPi);
    struct Row {
        const char* what;
        tag curve;
        double parm;
        int flag;
        std::vector<double> want;
    };
    const double t = kPi / 3;
    const Row rows[] = {
        {"line point", l, 0.25, 0, {2.5, 0, 0}},
        {"line first derivative", l, 0.5, 1, {5, 0, 0, 1, 0, 0}},
        {"arc second derivative",
         a,
         1.0 / 3,
         2,
         {1 + 5 * std::cos(t), 2 + 5 * std::sin(t), 0, -5 * std::sin(t), 5 * std::cos(t), 0, -5 * std::cos(t),
          -5 * std::sin(t), 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double parm = r.parm, values[9];
        int flag = r.flag;
        ASSERT_EQ(KX_MODL_evaluate_curve(r.curve, &parm, &flag, values), 0);
        for (std::size_t i = 0; i < r.want.size(); ++i) EXPECT_NEAR(values[i], r.want[i], 1e-9) << i;
    }
    double parm = 0.5, values[9];
    int flag = 3;
    EXPECT_EQ(KX_MODL_evaluate_curve(l, &parm, &flag, values), 875120);
    flag = 0;
    const int b = block({0, 0, 0}, {1, 1, 1});
    EXPECT_EQ(KX_MODL_evaluate_curve(body_object(b), &parm, &flag, values), 875033);
    double at[3] = {1, 1, 1};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(at, &point), 0);
    EXPECT_EQ(KX_MODL_evaluate_curve(point, &parm, &flag, values), 875051);
}

TEST_F(Geometry, ClosureAndPeriodicity) {
    const tag l = line(0, 0, 0, 10, 0, 0);
    const tag quarter = arc(0, 0, 5, 0, kPi / 2);
    const tag round = arc(0, 0, 5, 0, kTwoPi);
    EXPECT_EQ(KX_MODL_ask_curve_closed(l), 0);
    EXPECT_EQ(KX_MODL_ask_curve_closed(quarter), 0);
    EXPECT_EQ(KX_MODL_ask_curve_closed(round), 1);
    EXPECT_EQ(KX_MODL_ask_curve_closed(NULL_TAG), 0);
    int p = -9;
    EXPECT_EQ(KX_MODL_ask_curve_periodicity(l, &p), 0);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(KX_MODL_ask_curve_periodicity(round, &p), 0);
    EXPECT_EQ(p, 1);
    const int b = block({0, 0, 0}, {1, 1, 1});
    EXPECT_EQ(KX_MODL_ask_curve_periodicity(body_object(b), &p), -1);

    // Before initialisation a closed curve answers 0, never the code.
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_ask_curve_closed(round), 0);
}

TEST_F(Geometry, VectorAnglesAndMaximumCurvature) {
    struct Row {
        V a, b;
        double small, large;
    } rows[] = {
        {{1, 0, 0}, {2, 0, 0}, 0, kPi},
        {{1, 0, 0}, {-3, 0, 0}, 0, kPi},
        {{1, 0, 0}, {0, 4, 0}, kPi / 2, kPi / 2},
        {{1, 0, 0}, {1, 1, 0}, kPi / 4, 3 * kPi / 4},
    };
    for (Row& r : rows) {
        double s = -1, l = -1;
        ASSERT_EQ(KX_MODL_ask_vector_angle(r.a.data(), r.b.data(), &s, &l), 0);
        EXPECT_NEAR(s, r.small, 1e-12);
        EXPECT_NEAR(l, r.large, 1e-12);
    }
    // Ellipse 4 x 2: the strongest bending a / b^2 = 1 at the major axis.
    const tag e = ellipse(4, 2, 0, kTwoPi);
    double range[2] = {0, 1}, k = 0, at = 9;
    ASSERT_EQ(KX_MODL_ask_max_curvature(e, range, nullptr, &k, &at), 0);
    EXPECT_NEAR(k, 1, 1e-9);
    EXPECT_NEAR(at, 0, 1e-6);
    double empty[2] = {1, 1};
    EXPECT_EQ(KX_MODL_ask_max_curvature(e, empty, nullptr, &k, &at), 1105005);
    const int b = block({0, 0, 0}, {1, 1, 1});
    EXPECT_EQ(KX_MODL_ask_max_curvature(body_object(b), range, nullptr, &k, &at), 875033);
}

TEST_F(Geometry, FaceParameterAndPropertiesOfACylinder) {
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cyl = 0;
    ZQ_BODY_make_cylinder(base, z, 4, 10, &cyl);
    const tag side = face_of_type(cyl, ZQ_SURF_CYLINDER);
    double ref[3] = {0, 8, 3}, uv[2], foot[3];
    ASSERT_EQ(KX_MODL_ask_face_parm(side, ref, uv, foot), 0);
    expect_near(foot, {0, 4, 3}, 1e-9, "foot");
    double point[3], du[3], dv[3], duu[3], dvv[3], n[3], radii[2];
    ASSERT_EQ(KX_MODL_ask_face_props(side, uv, point, du, dv, duu, dvv, n, radii), 0);
    expect_near(point, {0, 4, 3}, 1e-9, "point");
    expect_near(n, {0, 1, 0}, 1e-9, "normal");
    EXPECT_NEAR(std::max(radii[0], radii[1]), 4, 1e-9);
    EXPECT_NEAR(std::min(radii[0], radii[1]), 0, 1e-9);
}

// ---- dimensionality ------------------------------------------------------------------

TEST_F(Geometry, DimensionalityOfEachObjectKind) {
    double at[3] = {1, 2, 3};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(at, &point), 0);
    const int b = block({0, 0, 0}, {10, 20, 30});
    const int flat = sheet({{0, 0, 5}, {4, 0, 5}, {4, 3, 5}, {0, 3, 5}});
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cyl = 0;
    ZQ_BODY_make_cylinder(base, z, 4, 10, &cyl);
    tag circle_edge = NULL_TAG;
    for (int e : host::kernel::edges_of(cyl)) {
        int type = 0;
        PX_edge_ask_type(host::kernel::object_of(e), &type);
        if (type == ZQ_CURVE_CIRCLE) circle_edge = host::kernel::object_of(e);
    }
    struct Row {
        const char* what;
        tag object;
        int dim;
        V point;  // NaN: any
        V direction;
    };
    const double any = std::nan("");
    const Row rows[] = {
        {"point", point, 0, {1, 2, 3}, {0, 0, 0}},
        {"line", line(1, 1, 1, 4, 5, 1), 1, {1, 1, 1}, {0.6, 0.8, 0}},
        {"arc", arc(0, 0, 5, 0, 1), 2, {any, any, any}, {0, 0, 1}},
        {"straight spline",
         spline({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}),
         1,
         {0, 0, 0},
         {1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 1 / std::sqrt(3.0)}},
        {"planar spline", spline({{0, 0, 2}, {1, 3, 2}, {2, -1, 2}, {3, 0, 2}}), 2, {0, 0, 2}, {0, 0, 1}},
        {"twisted spline", spline({{0, 0, 0}, {1, 3, 0}, {2, -1, 4}, {3, 0, 0}}), 3, {any, any, any}, {0, 0, 0}},
        {"planar face", face_with_box(b, {0, 0, 30, 10, 20, 30}), 2, {any, any, 30}, {0, 0, 1}},
        {"planar sheet", body_object(flat), 2, {any, any, 5}, {0, 0, 1}},
        {"circular edge", circle_edge, 2, {any, any, any}, {0, 0, 1}},
        {"block", body_object(b), 3, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        int dim = -9;
        double data[6];
        ASSERT_EQ(KX_MODL_ask_obj_dimensionality(r.object, &dim, data), 0);
        EXPECT_EQ(dim, r.dim);
        if (dim == 3) continue;
        for (int i = 0; i < 3; ++i) {
            if (!std::isnan(r.point[i])) {
                EXPECT_NEAR(data[i], r.point[i], 1e-9) << i;
            }
        }
        expect_parallel(data + 3, r.direction, 1e-9, "direction");
    }
    int dim = 0;
    double data[6];
    EXPECT_EQ(KX_MODL_ask_obj_dimensionality(NULL_TAG, &dim, data), 875027);
    EXPECT_EQ(dim, -1);
    EXPECT_EQ(KX_MODL_ask_obj_dimensionality(point, nullptr, data), 1105005);
}

// ---- geometry checks -----------------------------------------------------------------

// Every check passes a valid block: no faults.
TEST_F(Geometry, EveryCheckFindsNothingOnAValidBlock) {
    const int b = block({0, 0, 0}, {10, 20, 30});
    const tag body = body_object(b);
    geometry_check_result r{};
    ASSERT_EQ(KX_MODL_ask_tiny_geometry(body, 0.01, &r), 0);
    EXPECT_EQ(r.count, 0);
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(body, nullptr, 1, &r), 0);
    EXPECT_EQ(r.count, 0);
    for (int f : host::kernel::faces_of(b)) {
        const tag face = host::kernel::object_of(f);
        ASSERT_EQ(KX_MODL_ask_face_spikes(face, &r), 0);
        EXPECT_EQ(r.count, 0);
        int fault = -1;
        double at[3];
        ASSERT_EQ(KX_MODL_ask_face_self_intersect(face, &fault, at), 0);
        EXPECT_EQ(fault, 0);
        logical smooth = 0;
        ASSERT_EQ(KX_MODL_ask_face_smoothness(face, &smooth), 0);
        EXPECT_EQ(smooth, 1);
        int n = -1;
        double radii[KX_MODL_MAX_MIN_RADII], pos[3 * KX_MODL_MAX_MIN_RADII], uv[2 * KX_MODL_MAX_MIN_RADII];
        ASSERT_EQ(KX_MODL_ask_face_min_radii(face, &n, radii, pos, uv), 0);
        EXPECT_EQ(n, 0);
    }
    int n = -1;
    structure_fault* faults = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_structures(body, &n, &faults), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(faults, nullptr);
    int* codes = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_consistency(body, &n, &codes, &r), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(codes, nullptr);
    ASSERT_EQ(KX_MODL_ask_face_face_intersect(body, &n, &r), 0);
    EXPECT_EQ(n, 0);
    int boundaries = -1, *counts = nullptr;
    tag* edges = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_boundaries(body, &boundaries, &counts, &edges), 0);
    EXPECT_EQ(boundaries, 0);
    EXPECT_EQ(counts, nullptr);
    double tol = 0;
    ASSERT_EQ(KX_MODL_ask_edge_tolerance(host::kernel::object_of(host::kernel::edges_of(b)[0]), &tol), 0);
    EXPECT_GT(tol, 0);
    EXPECT_LT(tol, 1e-5);
}

// A block whose profile has an edge of 0.001: the edge and the narrow face
// along it are tiny for 0.01, not for 0.0001.
TEST_F(Geometry, TinyGeometryOfABodyWithATinyEdge) {
    const double profile[] = {0, 0, 0, 10, 0, 0, 10, 10, 0, 0.001, 10, 0, 0, 10, 0};
    int wire = 0, body = 0;
    ZQ_BODY_make_wire(5, profile, 1, &wire);
    const double z[3] = {0, 0, 1};
    ZQ_BODY_extrude(wire, z, 5, &body);
    geometry_check_result r{};
    ASSERT_EQ(KX_MODL_ask_tiny_geometry(body_object(body), 0.01, &r), 0);
    EXPECT_EQ(r.count, 3);  // two short edges and the narrow face
    EXPECT_NE(r.entity, NULL_TAG);
    EXPECT_NEAR(r.point[1], 10, 1e-6);
    ASSERT_EQ(KX_MODL_ask_tiny_geometry(body_object(body), 0.0001, &r), 0);
    EXPECT_EQ(r.count, 0);
    // A short line is tiny as a whole.
    ASSERT_EQ(KX_MODL_ask_tiny_geometry(line(0, 0, 0, 0.005, 0, 0), 0.01, &r), 0);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(KX_MODL_ask_tiny_geometry(NULL_TAG, 0.01, &r), 875033);
}

// A block turned half a degree about Z: its four side faces and eight
// horizontal edges are off the axes, its top, bottom and upright edges on
// them.
TEST_F(Geometry, MisalignedFacesAndEdgesOfATurnedBlock) {
    const int b = block({0, 0, 0}, {10, 10, 10});
    const double a = 0.5 * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double turn[12] = {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0};
    ZQ_BODY_transform(b, turn);
    geometry_check_result r{};
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(body_object(b), nullptr, 1, &r), 0);
    EXPECT_EQ(r.count, 12);
    EXPECT_NE(r.entity, NULL_TAG);
    // Half a degree is outside a tolerance of a quarter.
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(body_object(b), nullptr, 0.25, &r), 0);
    EXPECT_EQ(r.count, 0);
    // Against a frame turned with the block nothing is off.
    double frame[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(body_object(b), frame, 1, &r), 0);
    EXPECT_EQ(r.count, 0);
}

// A sheet whose outline runs up a spike 10 long and 0.002 wide and back:
// the spike's tip is found with the modelling tolerance; a square has none.
TEST_F(Geometry, SpikeInAFaceOutline) {
    const int spiked =
        sheet({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {5.001, 10, 0}, {5, 20, 0}, {4.999, 10, 0}, {0, 10, 0}});
    geometry_check_result r{};
    ASSERT_EQ(KX_MODL_ask_face_spikes(host::kernel::object_of(host::kernel::faces_of(spiked)[0]), &r), 0);
    EXPECT_EQ(r.count, 1);
    expect_near(r.point, {5, 20, 0}, 1e-9, "the spike's tip");
    const int square = sheet({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}});
    ASSERT_EQ(KX_MODL_ask_face_spikes(host::kernel::object_of(host::kernel::faces_of(square)[0]), &r), 0);
    EXPECT_EQ(r.count, 0);
}

TEST_F(Geometry, MisalignedLinesAgainstTheAxes) {
    geometry_check_result r{};
    const double off = std::tan(0.5 * kPi / 180);  // half a degree
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(line(0, 0, 0, 10, 10 * off, 0), nullptr, 1, &r), 0);
    EXPECT_EQ(r.count, 1);
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(line(0, 0, 0, 10, 0, 0), nullptr, 1, &r), 0);
    EXPECT_EQ(r.count, 0);
    ASSERT_EQ(KX_MODL_ask_misalign_geometry(line(0, 0, 0, 10, 10, 0), nullptr, 1, &r), 0);
    EXPECT_EQ(r.count, 0);
}

// A B-surface whose section loops across itself (a cubic over four poles
// crossing at about (5, 2.94)), drawn 10 along Z.
TEST_F(Geometry, SelfIntersectingFaceIsFoundWithItsPoint) {
    const double u[4][2] = {{0, 0}, {20, 10}, {-10, 10}, {10, 0}};
    std::vector<double> poles;
    for (double z : {0.0, 10.0})
        for (const auto& p : u) poles.insert(poles.end(), {p[0], p[1], z});
    int body = 0;
    ZQ_BODY_bsurface(4, 2, poles.data(), 3, 1, &body);
    const tag face = host::kernel::object_of(host::kernel::faces_of(body)[0]);
    int fault = 0;
    double at[3] = {9, 9, 9};
    const int zero = 0, ten = 10;
    int before = -1, fail = 0;
    KI_ouintp(&ten, &before, &fail);
    ASSERT_EQ(KX_MODL_ask_face_self_intersect(face, &fault, at), 0);
    EXPECT_EQ(fault, 875317);
    // Where the loop crosses: x(t) = 60 t (1 - t)^2 - 30 t^2 (1 - t) + 10 t^3
    // is 5 at t and 1 - t (t near 0.11), and there y = 30 t (1 - t).
    double lo = 0, hi = 0.3;
    for (int i = 0; i < 100; ++i) {
        const double t = (lo + hi) / 2;
        const double x = 60 * t * (1 - t) * (1 - t) - 30 * t * t * (1 - t) + 10 * t * t * t;
        (x < 5 ? lo : hi) = t;
    }
    EXPECT_NEAR(at[0], 5, 1e-4);
    EXPECT_NEAR(at[1], 30 * lo * (1 - lo), 1e-4);
    EXPECT_GE(at[2], -1e-9);
    EXPECT_LE(at[2], 10 + 1e-9);
    int after = -1;
    KI_ouintp(&ten, &after, &fail);
    EXPECT_EQ(after, before);  // the kernel option is put back
    (void)zero;

    // The valid block's faces do not cross themselves; a face of another
    // kind of object is refused.
    EXPECT_EQ(KX_MODL_ask_face_self_intersect(body_object(body), &fault, at), 875028);
    EXPECT_EQ(fault, 0);
    EXPECT_EQ(at[0], 0);
}

// The shell of a box whose pyramid roof folds down through its floor: its
// faces cross each other.
TEST_F(Geometry, FacesCrossingEachOther) {
    using P = V;
    const P a{0, 0, 0}, b{10, 0, 0}, c{10, 10, 0}, d{0, 10, 0};
    const P ta{0, 0, 10}, tb{10, 0, 10}, tc{10, 10, 10}, td{0, 10, 10}, apex{5, 5, -5};
    const std::vector<std::vector<P>> polygons = {
        {a, d, c, b},   {a, b, tb, ta}, {b, c, tc, tb}, {c, d, td, tc}, {d, a, ta, td},
        {ta, tb, apex}, {tb, tc, apex}, {tc, td, apex}, {td, ta, apex},
    };
    std::vector<int> sheets;
    for (const auto& p : polygons) sheets.push_back(sheet(p));
    ZQ_BODY_sew(sheets[0], static_cast<int>(sheets.size() - 1), sheets.data() + 1, 1e-6);
    int n = 0;
    geometry_check_result r{};
    ASSERT_EQ(KX_MODL_ask_face_face_intersect(body_object(sheets[0]), &n, &r), 0);
    EXPECT_GT(n, 0);
    EXPECT_EQ(r.count, n);
    EXPECT_EQ(r.code, 875317);
    EXPECT_NE(r.entity, NULL_TAG);
}

// Each row of the token table, injected as the consistency check's
// finding; a token the table does not hold is 875342.
TEST_F(Geometry, FaultTokensMapToCodes) {
    const int rows[][2] = {
        {13801, 875311}, {13802, 875312}, {13803, 875314}, {13804, 875315}, {13805, 875316}, {13806, 875317},
        {13807, 875318}, {13808, 875313}, {13810, 875319}, {13812, 875333}, {13816, 875320}, {13817, 875321},
        {13818, 875322}, {13819, 875323}, {13820, 875324}, {13821, 875325}, {13822, 875326}, {13823, 875327},
        {13824, 875328}, {13825, 875329}, {13826, 875330}, {13827, 875331}, {13828, 875332}, {13829, 875334},
        {13830, 875335}, {13831, 875336}, {13832, 875341}, {13833, 875338}, {13834, 875339}, {13835, 875337},
        {13836, 875340}, {13809, 875342},
    };
    const tag body = body_object(block({0, 0, 0}, {1, 1, 1}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        host::control::give_outputs("do_consistency", {row[0]});
        int n = 0, *codes = nullptr;
        geometry_check_result r{};
        ASSERT_EQ(KX_MODL_ask_body_consistency(body, &n, &codes, &r), 0);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(codes[0], row[1]);
        EXPECT_EQ(r.code, row[1]);
        KX_free(codes);
        host::control::give_outputs("do_structures", {row[0]});
        structure_fault* faults = nullptr;
        ASSERT_EQ(KX_MODL_ask_body_structures(body, &n, &faults), 0);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(faults[0].code, row[1]);
        EXPECT_EQ(faults[0].entity, body);
        KX_free(faults);
    }
}

// A check that fails gives its code; a raise becomes the status, and the
// kernel's option is put back either way.
TEST_F(Geometry, CheckFailuresAndRaisesRestoreTheKernelOption) {
    const int b = block({0, 0, 0}, {1, 1, 1});
    const tag body = body_object(b);
    const tag face = host::kernel::object_of(host::kernel::faces_of(b)[0]);
    const int twelve = 12;
    int before = -1, fail = 0;
    KI_ouintp(&twelve, &before, &fail);
    struct Row {
        const char* routine;
        int code;  // raised
        std::function<int()> call;
    };
    const Row rows[] = {
        {"do_face_smooth", 670099,
         [&] {
             logical s = 0;
             return KX_MODL_ask_face_smoothness(face, &s);
         }},
        {"do_structures", 670098,
         [&] {
             int n = 0;
             structure_fault* f = nullptr;
             return KX_MODL_ask_body_structures(body, &n, &f);
         }},
        {"do_consistency", 670097,
         [&] {
             int n = 0, *c = nullptr;
             geometry_check_result r{};
             return KX_MODL_ask_body_consistency(body, &n, &c, &r);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.routine);
        host::control::raise_on(r.routine, r.code);
        EXPECT_EQ(r.call(), r.code);
        host::control::clear_scripts();
        int now = -1;
        KI_ouintp(&twelve, &now, &fail);
        EXPECT_EQ(now, before);
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
    // Failure flags.
    geometry_check_result r{};
    host::control::return_status("do_tiny", 1);
    EXPECT_EQ(KX_MODL_ask_tiny_geometry(body, 0.1, &r), 875186);
    host::control::return_status("do_spikes_cuts", 1);
    EXPECT_EQ(KX_MODL_ask_face_spikes(face, &r), 875186);
    host::control::return_status("do_structures", 1);
    int n = 0;
    structure_fault* f = nullptr;
    EXPECT_EQ(KX_MODL_ask_body_structures(body, &n, &f), 875343);
    host::control::return_status("do_ff_intersect", 7);
    EXPECT_EQ(KX_MODL_ask_face_face_intersect(body, &n, &r), 7);
    host::control::clear_scripts();
    // Wrong classes.
    EXPECT_EQ(KX_MODL_ask_body_structures(face, &n, &f), 875032);
    EXPECT_EQ(KX_MODL_ask_face_spikes(body, &r), 875028);
    logical s = 0;
    EXPECT_EQ(KX_MODL_ask_edge_smoothness(face, 1, &s), 875031);
    double radii[2], pos[6], uv[4];
    EXPECT_EQ(KX_MODL_ask_face_min_radii(NULL_TAG, &n, radii, pos, uv), 875027);
    EXPECT_EQ(KX_MODL_ask_face_min_radii(body, &n, radii, pos, uv), 875028);
}

// A raise inside the minimum radii on a face the kernel finds faulty is
// 875313; on a sound face the raised code stays.
TEST_F(Geometry, MinimumRadiiOfFacesAndTheirFailures) {
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cyl = 0, ball = 0;
    ZQ_BODY_make_cylinder(o, z, 4, 10, &cyl);
    ZQ_BODY_make_sphere(o, 5, &ball);
    int n = 0;
    double radii[KX_MODL_MAX_MIN_RADII], pos[3 * KX_MODL_MAX_MIN_RADII], uv[2 * KX_MODL_MAX_MIN_RADII];
    ASSERT_EQ(KX_MODL_ask_face_min_radii(face_of_type(cyl, ZQ_SURF_CYLINDER), &n, radii, pos, uv), 0);
    ASSERT_EQ(n, 1);
    EXPECT_NEAR(radii[0], 4, 1e-9);
    EXPECT_NEAR(std::hypot(pos[0], pos[1]), 4, 1e-9);
    const tag sphere = face_of_type(ball, ZQ_SURF_SPHERE);
    ASSERT_EQ(KX_MODL_ask_face_min_radii(sphere, &n, radii, pos, uv), 0);
    ASSERT_EQ(n, 2);
    EXPECT_NEAR(radii[0], 5, 1e-9);
    EXPECT_NEAR(radii[1], 5, 1e-9);

    // The host is given the capacity of the caller's arrays.
    const auto asked = host::control::calls("PX_face_ask_min_radii");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().arg[1], KX_MODL_MAX_MIN_RADII);

    host::control::raise_on("PX_face_ask_min_radii", 670099);
    EXPECT_EQ(KX_MODL_ask_face_min_radii(sphere, &n, radii, pos, uv), 670099);
    host::control::give_outputs("KI_chcken", {13802});
    EXPECT_EQ(KX_MODL_ask_face_min_radii(sphere, &n, radii, pos, uv), 875313);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KI_list_count(), 0);
}

// The two boundaries of a sheet with a hole.
TEST_F(Geometry, BoundariesOfASheetWithAHole) {
    const int s = sheet({{0, 0, 0}, {20, 0, 0}, {20, 20, 0}, {0, 20, 0}});
    const double base[3] = {10, 10, -1}, z[3] = {0, 0, 1};
    int tool = 0;
    ZQ_BODY_make_cylinder(base, z, 3, 2, &tool);
    ZQ_BODY_boolean(s, tool, ZQ_SUBTRACT);
    int n = 0, *counts = nullptr;
    tag* edges = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_boundaries(body_object(s), &n, &counts, &edges), 0);
    ASSERT_EQ(n, 2);
    std::multiset<int> sizes(counts, counts + 2);
    EXPECT_EQ(*sizes.rbegin(), 4);  // the square
    std::set<tag> seen(edges, edges + counts[0] + counts[1]);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(counts[0] + counts[1]));
    EXPECT_EQ(seen.count(NULL_TAG), 0u);
    KX_free(counts);
    KX_free(edges);
    EXPECT_EQ(KX_MODL_ask_body_boundaries(line(0, 0, 0, 1, 0, 0), &n, &counts, &edges), 875032);
}

// A blended edge's new edges join the blend tangentially; a block edge
// turns a right angle.
TEST_F(Geometry, BlendedEdgeIsSmoothABlockEdgeIsNot) {
    const int b = block({0, 0, 0}, {10, 10, 10});
    const tag sharp = host::kernel::object_of(host::kernel::edges_of(b)[0]);
    logical smooth = 9;
    ASSERT_EQ(KX_MODL_ask_edge_smoothness(sharp, 1, &smooth), 0);
    EXPECT_EQ(smooth, 0);
    int edge = host::kernel::edges_of(b)[0];
    ZQ_BODY_blend_edges(b, 1, &edge, 2, 2);
    const tag blend = face_of_type(b, ZQ_SURF_CYLINDER);
    int* around = nullptr;
    int n = 0;
    ASSERT_EQ(KI_idcoen_sm(ES_solid_ask_fermalith_tag(blend), ZQ_CLASS_EDGE, &around, &n), 0);
    int straight = 0;
    for (int i = 0; i < n; ++i) {
        int type = 0;
        PX_edge_ask_type(host::kernel::object_of(around[i]), &type);
        if (type != ZQ_CURVE_LINE) continue;
        ++straight;
        ASSERT_EQ(KX_MODL_ask_edge_smoothness(host::kernel::object_of(around[i]), 1, &smooth), 0);
        EXPECT_EQ(smooth, 1);
    }
    SM_free(around);
    EXPECT_EQ(straight, 2);
    // An edge of a single face (a sheet's boundary) is smooth.
    const int s = sheet({{0, 0, 0}, {4, 0, 0}, {4, 3, 0}});
    ASSERT_EQ(KX_MODL_ask_edge_smoothness(host::kernel::object_of(host::kernel::edges_of(s)[0]), 1, &smooth), 0);
    EXPECT_EQ(smooth, 1);
}

// ---- measurement ------------------------------------------------------------------

TEST_F(Geometry, DistancesAgainstClosedForms) {
    const int a = block({0, 0, 0}, {10, 10, 10});
    const double centre[3] = {20, 5, 5};
    int ball = 0;
    ZQ_BODY_make_sphere(centre, 3, &ball);
    const int b = block({15, 0, 0}, {10, 10, 10});
    struct Row {
        const char* what;
        tag one, two;
        double distance;
        V p1, p2;
    };
    const Row rows[] = {
        {"block to sphere", body_object(a), body_object(ball), 7, {10, 5, 5}, {17, 5, 5}},
        {"sphere face to plane face",
         face_of_type(ball, ZQ_SURF_SPHERE),
         face_with_box(a, {10, 0, 0, 10, 10, 10}),
         7,
         {17, 5, 5},
         {10, 5, 5}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double d = 0, p1[3], p2[3];
        ASSERT_EQ(KX_MODL_ask_minimum_dist(r.one, r.two, 0, nullptr, 0, nullptr, &d, p1, p2), 0);
        EXPECT_NEAR(d, r.distance, 1e-7);
        // The kernel's closest points on a sphere are good to some 1e-6.
        expect_near(p1, r.p1, 1e-5, "first point");
        expect_near(p2, r.p2, 1e-5, "second point");
    }
    double d = 0, p1[3], p2[3], accuracy = -1;
    ASSERT_EQ(KX_MODL_ask_minimum_dist_2(body_object(a), body_object(b), 0, nullptr, 0, nullptr, &d, p1, p2, &accuracy),
              0);
    EXPECT_NEAR(d, 5, 1e-9);
    EXPECT_EQ(accuracy, 0);

    // A facetted model of the second block: the same distance, with the
    // model's tolerance as accuracy.
    facet_parameters fp{};
    ASSERT_EQ(KX_FACET_ask_default_parameters(&fp), 0);
    tag model = NULL_TAG;
    ASSERT_EQ(KX_FACET_facet_solid(body_object(b), &fp, &model), 0);
    ASSERT_EQ(KX_MODL_ask_minimum_dist_2(body_object(a), model, 0, nullptr, 0, nullptr, &d, p1, p2, &accuracy), 0);
    EXPECT_NEAR(d, 5, 1e-9);
    EXPECT_NEAR(p1[0], 10, 1e-9);
    EXPECT_NEAR(p2[0], 15, 1e-9);
    EXPECT_GE(accuracy, 0);
}

// A line above the block's top: every point of it is 2 away. The hint on
// the line picks the end nearest to it; a hint on the body is not used.
TEST_F(Geometry, HintsPickAmongEquallyClosePoints) {
    const int a = block({0, 0, 0}, {10, 10, 10});
    const tag l = line(0, 5, 12, 10, 5, 12);
    const tag top = face_with_box(a, {0, 0, 10, 10, 10, 10});
    for (double x : {1.0, 9.0}) {
        double hint[3] = {x, 5, 12}, d = 0, p1[3], p2[3];
        ASSERT_EQ(KX_MODL_ask_minimum_dist(l, top, 1, hint, 0, nullptr, &d, p1, p2), 0);
        EXPECT_NEAR(d, 2, 1e-9);
        EXPECT_NEAR(p1[0], x < 5 ? 0 : 10, 1e-6) << x;
    }
    double none[3], d0 = 0, q1[3], q2[3];
    ASSERT_EQ(KX_MODL_ask_minimum_dist(l, body_object(a), 0, nullptr, 0, nullptr, &d0, none, q2), 0);
    for (double x : {1.0, 9.0}) {
        double hint[3] = {x, 5, 10}, d = 0;
        ASSERT_EQ(KX_MODL_ask_minimum_dist(l, body_object(a), 0, nullptr, 1, hint, &d, q1, q2), 0);
        EXPECT_NEAR(d, d0, 1e-12);
        expect_near(q1, of(none), 1e-12, "ignoring the body's hint");
    }
}

TEST_F(Geometry, MeasurementCodesAreMappedAndAcknowledged) {
    const tag one = line(0, 0, 0, 1, 0, 0), two = line(0, 1, 0, 1, 1, 0);
    double d = 0, p1[3], p2[3];
    for (const auto& [code, want] : {std::pair{1057, 875136}, std::pair{16, 875137}}) {
        host::control::raise_on("s392_", code);
        EXPECT_EQ(KX_MODL_ask_minimum_dist(one, two, 0, nullptr, 0, nullptr, &d, p1, p2), want);
        const std::vector<int> acknowledged = host::control::acknowledged_codes();
        ASSERT_FALSE(acknowledged.empty());
        EXPECT_EQ(acknowledged.back(), code);
        host::control::clear_scripts();
        host::control::return_status("s392_", code);
        EXPECT_EQ(KX_MODL_ask_minimum_dist(one, two, 0, nullptr, 0, nullptr, &d, p1, p2), want);
        host::control::clear_scripts();
    }
    // An object without geometry.
    EXPECT_EQ(KX_MODL_ask_minimum_dist(one, NULL_TAG, 0, nullptr, 0, nullptr, &d, p1, p2), 875136);
    EXPECT_EQ(KX_MODL_ask_minimum_dist(one, two, 0, nullptr, 0, nullptr, nullptr, p1, p2), 1105015);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Geometry, ExtremePointOfACylinderFace) {
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cyl = 0;
    ZQ_BODY_make_cylinder(base, z, 5, 10, &cyl);
    const tag side = face_of_type(cyl, ZQ_SURF_CYLINDER);
    double v1[3] = {0, 1, 0}, v2[3] = {0, 0, 1}, v3[3] = {1, 0, 0}, at[3];
    tag sub = 7;
    ASSERT_EQ(KX_MODL_ask_extreme(side, v1, v2, v3, &sub, at), 0);
    expect_near(at, {0, 5, 10}, 1e-7, "extreme");
    ASSERT_NE(sub, NULL_TAG);
    int type = 0;
    PX_edge_ask_type(sub, &type);
    EXPECT_EQ(type, ZQ_CURVE_CIRCLE);
    double box[6];
    PX_ask_box(sub, box);
    EXPECT_NEAR(box[2], 10, 1e-7);  // the top circle
    // Down along the axis first: the bottom.
    double down[3] = {0, 0, -1};
    ASSERT_EQ(KX_MODL_ask_extreme(side, down, v1, v3, &sub, at), 0);
    EXPECT_NEAR(at[2], 0, 1e-7);
    EXPECT_NEAR(std::hypot(at[0], at[1]), 5, 1e-7);
    // The face in an assembly, turned a quarter about Z and moved 100
    // along X: +X of the assembly is -Y of the part, where the top circle
    // lies farthest at (0, -5, 10), in the assembly (105, 0, 10).
    const unsigned int assembly = host::parts::create("assembly.prt");
    const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, origin[3] = {100, 0, 0};
    const unsigned int po = host::occurrences::create_part_occurrence(assembly, part, turned, origin);
    const tag occurrence = OCC_find_occurrence(po, side);
    double x[3] = {1, 0, 0};
    ASSERT_EQ(KX_MODL_ask_extreme(occurrence, x, v2, v3, &sub, at), 0);
    expect_near(at, {105, 0, 10}, 1e-7, "extreme in the occurrence");
    ASSERT_NE(sub, NULL_TAG);
    EXPECT_TRUE(OCC_is_occurrence(sub));
    PX_edge_ask_type(OCC_ask_prototype_of_occ(sub), &type);
    EXPECT_EQ(type, ZQ_CURVE_CIRCLE);
    // An occurrence of the face alone has no part occurrence for the edge.
    const tag alone = host::occurrences::make_occurrence_of(part, side, turned, origin);
    ASSERT_EQ(KX_MODL_ask_extreme(alone, x, v2, v3, &sub, at), 0);
    expect_near(at, {105, 0, 10}, 1e-7, "extreme in the lone occurrence");
    EXPECT_EQ(sub, NULL_TAG);
    EXPECT_EQ(host::control::frame_depth(), 0);

    double zero[3] = {0, 0, 0};
    EXPECT_EQ(KX_MODL_ask_extreme(side, zero, v2, v3, &sub, at), 875040);
    EXPECT_EQ(KX_MODL_ask_extreme(NULL_TAG, v1, v2, v3, &sub, at), 875027);
    EXPECT_EQ(KX_MODL_ask_extreme(body_object(cyl), v1, v2, v3, &sub, at), 875033);
}

TEST_F(Geometry, ComparisonOfGeometryAndTopology) {
    const int a = block({0, 0, 0}, {10, 10, 10});
    const int b = block({20, 0, 0}, {5, 5, 10});
    const tag top_a = face_with_box(a, {0, 0, 10, 10, 10, 10});
    const tag top_b = face_with_box(b, {20, 0, 10, 25, 5, 10});
    const tag side_a = face_with_box(a, {0, 0, 0, 10, 0, 10});
    const tag edge = host::kernel::object_of(host::kernel::edges_of(a)[0]);
    int result = 9;
    ASSERT_EQ(KX_MODL_compare(top_a, top_b, 1, &result), 0);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(KX_MODL_compare(top_a, side_a, 1, &result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(KX_MODL_compare(top_a, top_b, 2, &result), 875035);
    EXPECT_EQ(KX_MODL_compare(top_a, edge, 1, &result), 875034);
    EXPECT_EQ(KX_MODL_compare(top_a, body_object(b), 1, &result), 875033);
    EXPECT_EQ(KX_MODL_compare(top_a, NULL_TAG, 1, &result), 875027);

    int same = 9, c1[3], c2[3];
    ASSERT_EQ(KX_MODL_compare_topology(top_a, top_b, 0, 1e-6, &same, c1, c2), 0);
    EXPECT_EQ(same, 1);
    EXPECT_EQ(c1[0], 1);
    EXPECT_EQ(c1[1], 4);
    EXPECT_EQ(c1[2], 4);
    ASSERT_EQ(KX_MODL_compare_topology(top_a, top_b, 1, 1e-6, &same, c1, c2), 0);
    EXPECT_EQ(same, 0);  // the edges lie on other lines
    EXPECT_EQ(KX_MODL_compare_topology(top_a, edge, 0, 1e-6, &same, c1, c2), 875287);
    // The host's answers.
    for (const auto& [answer, code] : {std::pair{1, 875287}, std::pair{2, 875288}, std::pair{3, 875289}}) {
        host::control::return_status("COMPARE_TOPOL_compare", answer);
        EXPECT_EQ(KX_MODL_compare_topology(top_a, top_b, 0, 1e-6, &same, c1, c2), code);
    }
    host::control::clear_scripts();
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(Geometry, PointContainmentInABlockAndItsOccurrence) {
    const int b = block({0, 0, 0}, {10, 10, 10});
    const tag body = body_object(b);
    struct Row {
        V point;
        int containment;
    } rows[] = {{{5, 5, 5}, 1}, {{20, 5, 5}, 2}, {{10, 5, 5}, 3}, {{0, 0, 0}, 3}, {{5, 5, -0.001}, 2}};
    const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, at[3] = {100, 0, 0};
    const tag occurrence = host::occurrences::make_occurrence_of(part, body, turned, at);
    for (Row& r : rows) {
        int c = -1;
        ASSERT_EQ(KX_MODL_ask_point_containment(r.point.data(), body, &c), 0);
        EXPECT_EQ(c, r.containment);
        // The same point carried into the occurrence.
        double moved[3];
        OCC_transform_point(occurrence, r.point.data(), moved);
        ASSERT_EQ(KX_MODL_ask_point_containment(moved, occurrence, &c), 0);
        EXPECT_EQ(c, r.containment);
    }
    EXPECT_TRUE(host::undo::marks().empty());
    int c = 9;
    double p[3] = {1, 1, 1};
    EXPECT_EQ(KX_MODL_ask_point_containment(p, line(0, 0, 0, 1, 0, 0), &c), 875032);
    EXPECT_EQ(c, 0);
    host::control::return_status("KI_encont", 5);
    EXPECT_EQ(KX_MODL_ask_point_containment(p, body, &c), 875030);
    host::control::clear_scripts();
    EXPECT_EQ(KX_MODL_ask_point_containment(nullptr, body, &c), 1105004);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(Geometry, BoxesOfABlockARotatedBlockAndALine) {
    const int a = block({1, 2, 3}, {10, 20, 30});
    const int r = block({0, 0, 0}, {10, 10, 10});
    const double c = std::cos(kPi / 4), s = std::sin(kPi / 4);
    const double turn[12] = {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0};
    ZQ_BODY_transform(r, turn);
    double at[3] = {4, 5, 6};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(at, &point), 0);
    struct Row {
        const char* what;
        tag object;
        std::array<double, 6> box;
    };
    const Row rows[] = {
        {"block", body_object(a), {1, 2, 3, 11, 22, 33}},
        {"rotated block", body_object(r), {-10 * s, 0, 0, 10 * c, 10 * (s + c), 10}},
        {"line", line(0, 0, 0, 10, 0, 0), {0, 0, 0, 10, 0, 0}},
        {"arc", arc(0, 0, 5, 0, kPi / 2), {0, 0, 0, 5, 5, 0}},
        {"point", point, {4, 5, 6, 4, 5, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        double box[6];
        ASSERT_EQ(KX_MODL_ask_bounding_box(row.object, box), 0);
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(box[i], row.box[i], 1e-6) << i;
    }
    EXPECT_TRUE(host::kernel::bodies().size() == 2u);  // no wire body left behind
    double box[6];
    EXPECT_EQ(KX_MODL_ask_bounding_box(NULL_TAG, box), 1105004);
    EXPECT_EQ(KX_MODL_ask_bounding_box(identity, box), 1105004);
}

TEST_F(Geometry, CurvePointsAndTheirCodes) {
    int n = 0;
    double* points = nullptr;
    ASSERT_EQ(KX_MODL_ask_curve_points(line(0, 0, 0, 10, 0, 0), 0.01, 10, 0, &n, &points), 0);
    ASSERT_EQ(n, 2);
    EXPECT_NEAR(points[3], 10, 1e-12);
    KX_free(points);
    ASSERT_EQ(KX_MODL_ask_curve_points(line(0, 0, 0, 10, 0, 0), 0.01, 10, 2.5, &n, &points), 0);
    EXPECT_EQ(n, 5);
    KX_free(points);
    const tag a = arc(0, 0, 5, 0, kPi);
    ASSERT_EQ(KX_MODL_ask_curve_points(a, 0.01, 5, 0, &n, &points), 0);
    ASSERT_GT(n, 10);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(std::hypot(points[3 * i], points[3 * i + 1]), 5, 1e-9);
    KX_free(points);
    for (int code : {820958, 820959, 820960}) {
        host::control::raise_on("MODL_ask_curve_points", code);
        EXPECT_EQ(KX_MODL_ask_curve_points(a, 0.01, 5, 0, &n, &points), 875216);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(points, nullptr);
    }
    host::control::clear_scripts();
    EXPECT_EQ(KX_MODL_ask_curve_points(a, 0, 5, 0, &n, &points), 875216);
    host::control::raise_on("MODL_ask_curve_points", 670099);
    EXPECT_EQ(KX_MODL_ask_curve_points(a, 0.01, 5, 0, &n, &points), 670099);
}

TEST_F(Geometry, CyclingByTypeAndSubtype) {
    const tag first = line(0, 0, 0, 1, 0, 0);
    arc(0, 0, 1, 0, 1);
    const tag second = line(0, 0, 0, 0, 1, 0);
    tag at = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_object(HOST_TYPE_LINE, 0, &at), 0);
    EXPECT_EQ(at, first);
    ASSERT_EQ(KX_MODL_ask_object(HOST_TYPE_LINE, 0, &at), 0);
    EXPECT_EQ(at, second);
    EXPECT_EQ(KX_MODL_ask_object(HOST_TYPE_LINE, 0, &at), 875033);
    EXPECT_EQ(at, NULL_TAG);
    at = 999999;
    EXPECT_EQ(KX_MODL_ask_object(HOST_TYPE_LINE, 0, &at), 875027);
    EXPECT_EQ(KX_MODL_ask_object(HOST_TYPE_LINE, 0, nullptr), 1105006);
    // Bodies, faces and edges by subtype.
    const int b = block({0, 0, 0}, {1, 1, 1});
    at = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_object(HOST_TYPE_SOLID, HOST_SUBTYPE_BODY, &at), 0);
    EXPECT_EQ(at, body_object(b));
    int faces = 0;
    for (at = NULL_TAG; KX_MODL_ask_object(HOST_TYPE_SOLID, HOST_SUBTYPE_FACE, &at) == 0;) ++faces;
    EXPECT_EQ(faces, 6);
}

// A null tag and a tag of no object get each function's code, never a
// crash.
TEST_F(Geometry, NullAndDeadTagsGetTheirCodes) {
    for (tag t : {NULL_TAG, tag{999999}}) {
        SCOPED_TRACE(t);
        double p[3] = {0, 0, 0}, q[3], parm = 0, m[6], big[9], d = 0;
        double range[2] = {0, 1}, uv[2] = {0, 0}, radii[2], pos[6], uvs[4];
        int i = 0, flag = 0, n = 0, *ints = nullptr, c1[3], c2[3];
        logical l = 0;
        tag sub = NULL_TAG, *tags = nullptr;
        geometry_check_result r{};
        structure_fault* faults = nullptr;
        double* points = nullptr;
        struct Row {
            const char* what;
            int got, want;
        };
        const Row rows[] = {
            {"curve parm", KX_MODL_ask_curve_parm(t, p, &parm, q), 875033},
            {"curve parm no ext", KX_MODL_ask_curve_parm_no_ext(t, p, &parm), 875033},
            {"curve props", KX_MODL_ask_curve_props(t, 0, p, q, m, m + 3, &d, &d), 875033},
            {"curve closed", KX_MODL_ask_curve_closed(t), 0},
            {"periodicity", KX_MODL_ask_curve_periodicity(t, &i), -1},
            {"evaluate", KX_MODL_evaluate_curve(t, &parm, &flag, big), 875033},
            {"max curvature", KX_MODL_ask_max_curvature(t, range, nullptr, &d, &parm), 875033},
            {"face parm", KX_MODL_ask_face_parm(t, p, uv, q), 1},
            {"face props", KX_MODL_ask_face_props(t, uv, p, q, m, m + 3, big, big + 3, radii), 1},
            {"dimensionality", KX_MODL_ask_obj_dimensionality(t, &i, m), 875027},
            {"tiny", KX_MODL_ask_tiny_geometry(t, 0, &r), 875033},
            {"misaligned", KX_MODL_ask_misalign_geometry(t, nullptr, 0, &r), 875033},
            {"boundaries", KX_MODL_ask_body_boundaries(t, &n, &ints, &tags), 875032},
            {"edge smoothness", KX_MODL_ask_edge_smoothness(t, 0, &l), 875031},
            {"edge tolerance", KX_MODL_ask_edge_tolerance(t, &d), 875031},
            {"spikes", KX_MODL_ask_face_spikes(t, &r), 875028},
            {"min radii", KX_MODL_ask_face_min_radii(t, &n, radii, pos, uvs), 875027},
            {"self intersect", KX_MODL_ask_face_self_intersect(t, &i, p), 875028},
            {"face smoothness", KX_MODL_ask_face_smoothness(t, &l), 875028},
            {"structures", KX_MODL_ask_body_structures(t, &n, &faults), 875032},
            {"consistency", KX_MODL_ask_body_consistency(t, &n, &ints, &r), 875032},
            {"face-face", KX_MODL_ask_face_face_intersect(t, &n, &r), 875032},
            {"distance", KX_MODL_ask_minimum_dist(t, t, 0, nullptr, 0, nullptr, &d, p, q), 875136},
            {"extreme", KX_MODL_ask_extreme(t, p, p, p, &sub, q), 875027},
            {"compare", KX_MODL_compare(t, t, 1, &i), 875027},
            {"compare topology", KX_MODL_compare_topology(t, t, 0, 0, &i, c1, c2), 875287},
            {"containment", KX_MODL_ask_point_containment(p, t, &i), 875032},
            {"curve points", KX_MODL_ask_curve_points(t, 0.1, 1, 0, &n, &points), 1105004},
            {"box", KX_MODL_ask_bounding_box(t, m), 1105004},
        };
        for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.what;
        EXPECT_EQ(host::control::frame_depth(), 0);
        EXPECT_TRUE(host::undo::marks().empty());
    }
}

}  // namespace
