// Curves made from modelling objects: edges of real bodies, splines from
// poles and knots, iso curves of faces.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "curve_fixture.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_curve.h"
#include "kx_obj.h"

namespace {

class FromObjectTest : public CurveTest {
protected:
    // The face objects of a body with the surface type asked.
    static std::vector<tag> faces_of_type(int body, int type) {
        std::vector<tag> out;
        for (int f : host::kernel::faces_of(body)) {
            int t = 0, sense = 0;
            double p[3], d[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &t, p, d, &r, &r2, &sense);
            if (t == type) out.push_back(host::kernel::object_of(f));
        }
        return out;
    }
    static std::array<double, 4> ranges(tag face) {
        std::array<double, 4> r{};
        ZQ_FACE_ask_uv_box(host::kernel::entity_of(face), r.data());
        return r;
    }
    static std::vector<double> surface_point(tag face, double u, double v) {
        double out[18], n[3];
        ZQ_SURF_eval(host::kernel::entity_of(face), u, v, 0, out, n);
        return {out[0], out[1], out[2]};
    }
    // Both ends of a curve.
    std::array<std::vector<double>, 2> ends(tag curve) {
        const auto l = curve_limits(curve);
        return {point_at(curve, l[0]), point_at(curve, l[1])};
    }
    static bool near(const std::vector<double>& a, const std::vector<double>& b, double tol) {
        return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                         (a[2] - b[2]) * (a[2] - b[2])) <= tol;
    }
    // The iso curve's ends are the surface's points at the ends of the
    // other parameter's range (the face is the whole box).
    void expect_iso_ends(tag face, int direction, double parameter) {
        tag* curves = nullptr;
        int n = 0;
        ASSERT_EQ(KX_MODL_create_isocurve(face, direction, parameter, 1e-6, &curves, &n), 0);
        ASSERT_EQ(n, 1);
        const auto r = ranges(face);
        const auto e = ends(curves[0]);
        const auto s0 = direction == 1 ? surface_point(face, parameter, r[2]) : surface_point(face, r[0], parameter);
        const auto s1 = direction == 1 ? surface_point(face, parameter, r[3]) : surface_point(face, r[1], parameter);
        EXPECT_TRUE((near(e[0], s0, 1e-7) && near(e[1], s1, 1e-7)) || (near(e[0], s1, 1e-7) && near(e[1], s0, 1e-7)));
        KX_free(curves);
    }
};

TEST_F(FromObjectTest, CurveCopiedFromACircularEdgeOfABooleanResult) {
    int block = 0, cyl = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {100, 60, 20};
    ZQ_BODY_make_block(origin, size, &block);
    const double base[3] = {50, 30, -5}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 10, 30, &cyl);
    ZQ_BODY_boolean(block, cyl, ZQ_SUBTRACT);
    int circles = 0, lines = 0;
    for (int e : host::kernel::edges_of(block)) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        tag curve = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_curve_from_edge(host::kernel::object_of(e), &curve), 0);
        double p0[9], p1[9];
        double interval[2];
        ZQ_CURVE_ask_interval(e, interval);
        ZQ_EDGE_eval(e, interval[0], 0, p0);
        ZQ_EDGE_eval(e, interval[1], 0, p1);
        const auto c = ends(curve);
        EXPECT_TRUE(near(c[0], {p0[0], p0[1], p0[2]}, 1e-9) || near(c[1], {p0[0], p0[1], p0[2]}, 1e-9));
        if (type == ZQ_CURVE_CIRCLE) {
            ++circles;
            int t = 0, st = 0;
            ASSERT_EQ(KX_OBJ_ask_type_and_subtype(curve, &t, &st), 0);
            EXPECT_EQ(t, 9);
            const auto l = curve_limits(curve);
            for (int i = 0; i <= 16; ++i) {
                const auto q = point_at(curve, l[0] + (l[1] - l[0]) * i / 16);
                EXPECT_NEAR(std::hypot(q[0] - 50, q[1] - 30), 10, 1e-9);
            }
        } else if (type == ZQ_CURVE_LINE) {
            ++lines;
        }
    }
    EXPECT_GE(circles, 2);
    EXPECT_EQ(lines, 13);  // the block's twelve and the seam of the hole
}

TEST_F(FromObjectTest, CurveFromEdgeRefusesOtherObjects) {
    tag curve = 5;
    EXPECT_EQ(KX_MODL_create_curve_from_edge(line(0, 0, 0, 1, 0, 0), &curve), 875004);
    EXPECT_EQ(curve, NULL_TAG);
    int block = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {1, 1, 1};
    ZQ_BODY_make_block(origin, size, &block);
    EXPECT_EQ(KX_MODL_create_curve_from_edge(host::kernel::object_of(host::kernel::faces_of(block)[0]), &curve),
              875004);
}

TEST_F(FromObjectTest, SplineFromPolesChecksItsDataAsATable) {
    auto uniform = [](int n, int k) {
        std::vector<double> knots;
        for (int i = 0; i < k; ++i) knots.push_back(0);
        for (int i = 1; i < n - k + 1; ++i) knots.push_back(i);
        for (int i = 0; i < k; ++i) knots.push_back(n - k + 1);
        return knots;
    };
    auto poles_of = [](int n) {
        std::vector<double> p;
        for (int i = 0; i < n; ++i) p.insert(p.end(), {double(i), double(i % 3), 0.0, 1.0});
        return p;
    };
    struct Case {
        const char* what;
        int n, k;
        std::vector<double> knots, poles;
        int code;
    } cases[] = {
        {"order 25 with 25 poles", 25, 25, uniform(25, 25), poles_of(25), 0},
        {"order 26", 26, 26, uniform(26, 26), poles_of(26), 875135},
        {"order 1", 3, 1, uniform(3, 1), poles_of(3), 875135},
        {"fewer poles than the order", 2, 3, uniform(3, 3), poles_of(3), 875135},
        {"equal successive knots", 5, 3, {0, 0, 0, 1, 1, 2, 2, 2}, poles_of(5), 0},
        {"decreasing knot", 4, 2, {0, 0, 2, 1, 3, 3}, poles_of(4), 875135},
    };
    for (auto& c : cases) {
        tag curve = 9;
        EXPECT_EQ(KX_MODL_create_spline(c.n, c.k, c.knots.data(), c.poles.data(), &curve, 0, 0), c.code) << c.what;
        EXPECT_EQ(curve != NULL_TAG, c.code == 0) << c.what;
    }
    std::vector<double> knots{0, 0, 1, 1}, poles{0, 0, 0, 1, 1, 0, 0, 1e-10};
    tag curve = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_spline(2, 2, knots.data(), poles.data(), &curve, 0, 0), 875135);
}

TEST_F(FromObjectTest, SplineFromPolesTakesCartesianPolesAndReportsFixUps) {
    const double w = std::sqrt(0.5);
    std::vector<double> knots{0, 0, 0, 1, 1, 1};
    std::vector<double> poles{2, 0, 0, 2, 2, 2, 0, 2 * w, 0, 2, 0, 2};  // weights 2, 2w, 2: the circle again
    tag curve = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_spline(3, 3, knots.data(), poles.data(), &curve, 0, 1), 875132);
    ASSERT_NE(curve, NULL_TAG);
    for (int i = 0; i <= 10; ++i) {
        const auto p = point_at(curve, i / 10.0);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 2, 1e-12);
    }
    host::control::raise_on("BC_create_nurb", 903);
    EXPECT_EQ(KX_MODL_create_spline(3, 3, knots.data(), poles.data(), &curve, 0, 0), 875029);
    host::control::raise_on("BC_create_nurb", 1234);
    EXPECT_EQ(KX_MODL_create_spline(3, 3, knots.data(), poles.data(), &curve, 0, 0), 875134);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(FromObjectTest, IsoCurvesOfCylinderAndSphereFaces) {
    int cyl = 0, sph = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 5, 10, &cyl);
    const double centre[3] = {20, 0, 0};
    ZQ_BODY_make_sphere(centre, 3, &sph);
    const tag side = faces_of_type(cyl, ZQ_SURF_CYLINDER).at(0);
    const tag ball = faces_of_type(sph, ZQ_SURF_SPHERE).at(0);
    const auto rc = ranges(side);
    expect_iso_ends(side, 1, (rc[0] + rc[1]) / 2);
    expect_iso_ends(side, 2, (rc[2] + rc[3]) / 2);
    // The v iso of the cylinder is a circle of its radius.
    tag* curves = nullptr;
    int n = 0;
    ASSERT_EQ(KX_MODL_create_isocurve(side, 2, (rc[2] + rc[3]) / 2, 1e-6, &curves, &n), 0);
    const auto l = curve_limits(curves[0]);
    for (int i = 0; i <= 8; ++i) {
        const auto p = point_at(curves[0], l[0] + (l[1] - l[0]) * i / 8);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 5, 1e-9);
    }
    KX_free(curves);
    // A meridian of the sphere: every point at the sphere's radius.
    const auto rs = ranges(ball);
    expect_iso_ends(ball, 1, rs[0] + 0.3);
    ASSERT_EQ(KX_MODL_create_isocurve(ball, 1, rs[0] + 0.3, 1e-6, &curves, &n), 0);
    const auto m = curve_limits(curves[0]);
    for (int i = 0; i <= 8; ++i) {
        const auto p = point_at(curves[0], m[0] + (m[1] - m[0]) * i / 8);
        EXPECT_NEAR(std::sqrt((p[0] - 20) * (p[0] - 20) + p[1] * p[1] + p[2] * p[2]), 3, 1e-9);
    }
    KX_free(curves);
}

TEST_F(FromObjectTest, IsoCurvesOfABlendedFace) {
    int block = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {10, 10, 10};
    ZQ_BODY_make_block(origin, size, &block);
    // The edge along y on the top face at x = 10.
    int edge = 0;
    for (int e : host::kernel::edges_of(block)) {
        double p1[3], p2[3];
        PX_edge_ask_vertices(host::kernel::object_of(e), p1, p2);
        if (p1[0] == 10 && p2[0] == 10 && p1[2] == 10 && p2[2] == 10) edge = e;
    }
    ASSERT_NE(edge, 0);
    ZQ_BODY_blend_edges(block, 1, &edge, 2, 2);
    std::vector<tag> blends;
    for (int type : {ZQ_SURF_CYLINDER, ZQ_SURF_BSURF, ZQ_SURF_OTHER})
        for (tag f : faces_of_type(block, type)) blends.push_back(f);
    ASSERT_EQ(blends.size(), 1u);
    const auto r = ranges(blends[0]);
    expect_iso_ends(blends[0], 1, (r[0] + r[1]) / 2);
    expect_iso_ends(blends[0], 2, (r[2] + r[3]) / 2);
    // Every point of the cross-section lies at the blend's radius from its
    // axis (x = 8, z = 8).
    tag* curves = nullptr;
    int n = 0;
    const int across = std::fabs(r[1] - r[0]) < std::fabs(r[3] - r[2]) ? 2 : 1;
    ASSERT_EQ(KX_MODL_create_isocurve(blends[0], across, across == 1 ? (r[0] + r[1]) / 2 : (r[2] + r[3]) / 2, 1e-6,
                                      &curves, &n),
              0);
    const auto l = curve_limits(curves[0]);
    for (int i = 0; i <= 8; ++i) {
        const auto p = point_at(curves[0], l[0] + (l[1] - l[0]) * i / 8);
        EXPECT_NEAR(std::hypot(p[0] - 8, p[2] - 8), 2, 1e-6);
    }
    KX_free(curves);
}

TEST_F(FromObjectTest, IsoCurveParameterAndArgumentChecks) {
    int cyl = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 5, 10, &cyl);
    const tag side = faces_of_type(cyl, ZQ_SURF_CYLINDER).at(0);
    const auto r = ranges(side);
    tag* curves = nullptr;
    int n = 0;
    struct Case {
        int direction;
        double parameter, tolerance;
        int code;
    } cases[] = {
        {1, r[1] + 1e-11, 1e-6, 0}, {1, r[1] + 1e-9, 1e-6, 875042}, {2, r[2] - 1e-9, 1e-6, 875042},
        {1, r[0], 1e-10, 875036},   {3, r[0], 1e-6, 875041},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_MODL_create_isocurve(side, c.direction, c.parameter, c.tolerance, &curves, &n), c.code)
            << c.direction << " " << c.parameter;
        KX_free(curves);
    }
    host::control::give_outputs("PX_face_ask_type", {4007});
    EXPECT_EQ(KX_MODL_create_isocurve(side, 2, r[2], 1e-6, &curves, &n), 875121);
    host::control::clear_scripts();
    host::control::give_outputs("SRFCRV_create_iso_curves", {901});
    EXPECT_EQ(KX_MODL_create_isocurve(side, 1, r[0], 1e-6, &curves, &n), 875029);
    host::control::give_outputs("SRFCRV_create_iso_curves", {7});
    EXPECT_EQ(KX_MODL_create_isocurve(side, 1, r[0], 1e-6, &curves, &n), 875043);
    host::control::clear_scripts();
    host::control::raise_on("SRFCRV_ask_face_ranges", 670004);
    EXPECT_EQ(KX_MODL_create_isocurve(side, 1, r[0], 1e-6, &curves, &n), 875030);
    host::control::clear_scripts();
    host::control::raise_on("SRFCRV_create_iso_curves", 670004);
    EXPECT_EQ(KX_MODL_create_isocurve(side, 1, r[0], 1e-6, &curves, &n), 875043);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(KX_MODL_create_isocurve(line(0, 0, 0, 1, 0, 0), 1, 0, 1e-6, &curves, &n), 875028);
}

}  // namespace

namespace {

class IsoclineTest : public FromObjectTest {};

// On a sphere the normal makes 60 degrees with the axis along the circle of
// latitude 30 degrees.
TEST_F(IsoclineTest, SphereIsoclineIsACircleOfLatitude) {
    int sph = 0;
    const double centre[3] = {0, 0, 0};
    ZQ_BODY_make_sphere(centre, 4, &sph);
    const tag ball = faces_of_type(sph, ZQ_SURF_SPHERE).at(0);
    double up[3] = {0, 0, 1};
    tag* curves = nullptr;
    int n = 0;
    ASSERT_EQ(KX_MODL_create_isocline_curves(ball, up, 60, 1e-4, &curves, &n), 0);
    ASSERT_EQ(n, 1);
    const auto l = curve_limits(curves[0]);
    for (int i = 0; i <= 32; ++i) {
        const auto p = point_at(curves[0], l[0] + (l[1] - l[0]) * i / 32);
        EXPECT_NEAR(p[2], 2, 2e-4);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 4 * std::sqrt(3.0) / 2, 2e-4);
    }
    KX_free(curves);
}

// On a cylinder along z the normal is at right angles to x along the two
// lines where y = +-r.
TEST_F(IsoclineTest, CylinderIsoclinesAtRightAnglesAreTwoLines) {
    int cyl = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 5, 10, &cyl);
    const tag side = faces_of_type(cyl, ZQ_SURF_CYLINDER).at(0);
    double x[3] = {1, 0, 0};
    tag* curves = nullptr;
    int n = 0;
    ASSERT_EQ(KX_MODL_create_isocline_curves(side, x, 90, 1e-6, &curves, &n), 0);
    ASSERT_EQ(n, 2);
    for (int k = 0; k < 2; ++k) {
        const auto l = curve_limits(curves[k]);
        const auto a = point_at(curves[k], l[0]), b = point_at(curves[k], l[1]);
        EXPECT_NEAR(std::fabs(a[2] - b[2]), 10, 1e-6);
        for (int i = 0; i <= 8; ++i) {
            const auto p = point_at(curves[k], l[0] + (l[1] - l[0]) * i / 8);
            EXPECT_NEAR(p[0], 0, 1e-6);
            EXPECT_NEAR(std::fabs(p[1]), 5, 1e-6);
        }
    }
    KX_free(curves);
}

TEST_F(IsoclineTest, NoIsoclineAndChecks) {
    int cyl = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 5, 10, &cyl);
    const tag side = faces_of_type(cyl, ZQ_SURF_CYLINDER).at(0);
    double z[3] = {0, 0, 1};
    tag* curves = nullptr;
    int n = 0;
    // The side's normal is always at right angles to the axis.
    EXPECT_EQ(KX_MODL_create_isocline_curves(side, z, 30, 1e-6, &curves, &n), 875029);
    EXPECT_EQ(KX_MODL_create_isocline_curves(side, z, 30, 1e-10, &curves, &n), 875036);
    EXPECT_EQ(KX_MODL_create_isocline_curves(line(0, 0, 0, 1, 0, 0), z, 30, 1e-6, &curves, &n), 875028);
    host::control::raise_on("SRFCRV_create_isocline_curves", 670004);
    EXPECT_EQ(KX_MODL_create_isocline_curves(side, z, 30, 1e-6, &curves, &n), 875198);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::calls("SRFCRV_create_isocline_curves").at(0).real(1), 30 * 0.017453292519943295);
}

}  // namespace
