// Vector functions: arithmetic (aliasing included), tolerance tests,
// unit vectors and perpendiculars, zero vectors, and the host calls.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "kx_mtx.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kEps = 1e-12;

template <size_t N>
void expect_near(const double* got, const std::array<double, N>& want, double tol = kEps) {
    for (size_t i = 0; i < N; ++i) EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

class Vec : public ::testing::Test {
protected:
    void SetUp() override { host::control::reset(); }
};

TEST_F(Vec, CombinationsInTwoAndThreeDimensions) {
    const double a3[3] = {1, 2, 3}, b3[3] = {-4, 0.5, 2};
    const double a2[2] = {1, 2}, b2[2] = {-4, 0.5};
    struct Case {
        const char* what;
        void (*f3)(const double*, const double*, double*);
        void (*f2)(const double*, const double*, double*);
        std::array<double, 3> want;
    } cases[] = {
        {"add", KX_VEC3_add, KX_VEC2_add, {-3, 2.5, 5}},
        {"sub", KX_VEC3_sub, KX_VEC2_sub, {5, 1.5, 1}},
        {"midpt", KX_VEC3_midpt, KX_VEC2_midpt, {-1.5, 1.25, 2.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        double o3[3], o2[2];
        c.f3(a3, b3, o3);
        c.f2(a2, b2, o2);
        expect_near<3>(o3, c.want);
        expect_near<2>(o2, {c.want[0], c.want[1]});
        // The output may be the first input.
        double in_place[3] = {1, 2, 3};
        c.f3(in_place, b3, in_place);
        expect_near<3>(in_place, c.want);
    }
    double o3[3], o2[2];
    KX_VEC3_negate(a3, o3);
    expect_near<3>(o3, {-1, -2, -3});
    KX_VEC2_negate(a2, o2);
    expect_near<2>(o2, {-1, -2});
    KX_VEC3_scale(-2, a3, o3);
    expect_near<3>(o3, {-2, -4, -6});
    KX_VEC2_scale(0.5, a2, o2);
    expect_near<2>(o2, {0.5, 1});
    KX_VEC3_affine_comb(a3, 2, b3, o3);  // a + 2 b
    expect_near<3>(o3, {-7, 3, 7});
    KX_VEC2_affine_comb(a2, 2, b2, o2);
    expect_near<2>(o2, {-7, 3});
    KX_VEC3_convex_comb(0.25, a3, b3, o3);  // 0.75 a + 0.25 b
    expect_near<3>(o3, {-0.25, 1.625, 2.75});
    KX_VEC2_convex_comb(1.0, a2, b2, o2);
    expect_near<2>(o2, {-4, 0.5});
    KX_VEC3_linear_comb(2, a3, -1, b3, o3);
    expect_near<3>(o3, {6, 3.5, 4});
    KX_VEC2_linear_comb(0, a2, 3, b2, o2);
    expect_near<2>(o2, {-12, 1.5});
}

TEST_F(Vec, ProductsLengthsAndDistances) {
    const double a[3] = {1, 2, 3}, b[3] = {4, -5, 6}, c[3] = {0, 1, 1};
    double d;
    KX_VEC3_dot(a, b, &d);
    EXPECT_EQ(d, 12);
    double x[3];
    KX_VEC3_cross(a, b, x);
    expect_near<3>(x, {27, 6, -13});
    KX_VEC3_triple(a, b, c, &d);  // a . (b x c) = det[a; b; c]
    EXPECT_NEAR(d, 1 * (-5 - 6) - 2 * (4 - 0) + 3 * (4 - 0), kEps);
    KX_VEC3_triple(a, a, b, &d);
    EXPECT_EQ(d, 0);
    KX_VEC3_mag(b, &d);
    EXPECT_NEAR(d, std::sqrt(77.0), kEps);
    KX_VEC3_distance(a, b, &d);
    EXPECT_NEAR(d, std::sqrt(9 + 49 + 9.0), kEps);

    const double p[2] = {3, 4}, q[2] = {-1, 1};
    KX_VEC2_dot(p, q, &d);
    EXPECT_EQ(d, 1);
    KX_VEC2_cross(p, q, &d);
    EXPECT_EQ(d, 7);
    KX_VEC2_mag(p, &d);
    EXPECT_EQ(d, 5);
    KX_VEC2_distance(p, q, &d);
    EXPECT_EQ(d, 5);
    const double zero[3] = {0, 0, 0};
    KX_VEC3_mag(zero, &d);
    EXPECT_EQ(d, 0);
}

TEST_F(Vec, RotateAndConvert) {
    double v[2] = {1, 0};
    KX_VEC2_rotate(v, kPi / 2, v);  // in place
    expect_near<2>(v, {0, 1});
    KX_VEC2_rotate(v, -3 * kPi / 4, v);
    expect_near<2>(v, {std::sqrt(0.5), -std::sqrt(0.5)});

    const double p2[2] = {1, 2}, p3[3] = {1, 2, 3}, p4[4] = {2, 4, 6, 2};
    double o2[2], o3[3], o4[4];
    KX_VEC2_copy(p2, o2);
    expect_near<2>(o2, {1, 2});
    KX_VEC2_vec3(p2, o3);
    expect_near<3>(o3, {1, 2, 0});
    KX_VEC3_copy(p3, o3);
    expect_near<3>(o3, {1, 2, 3});
    KX_VEC3_vec2(p3, o2);
    expect_near<2>(o2, {1, 2});
    KX_VEC3_vec4(p3, o4);
    expect_near<4>(o4, {1, 2, 3, 1});
    KX_VEC3_vec4_homogen(p3, 0.5, o4);
    expect_near<4>(o4, {0.5, 1, 1.5, 0.5});
    KX_VEC4_vec3_homogen(o4, o3);
    expect_near<3>(o3, {1, 2, 3});
    KX_VEC4_vec3(p4, o3);
    expect_near<3>(o3, {2, 4, 6});
    KX_VEC4_copy(p4, o4);
    expect_near<4>(o4, {2, 4, 6, 2});
    KX_VEC4_scale(-1, p4, o4);
    expect_near<4>(o4, {-2, -4, -6, -2});
}

TEST_F(Vec, EqualityAndZeroTestsAgainstTolerance) {
    struct Case {
        std::array<double, 3> a, b;
        double tol;
        int equal;
    } cases[] = {
        {{1, 2, 3}, {1, 2, 3}, 0.0, 1},
        {{1, 2, 3}, {1, 2, 3 + 1e-15}, 0.0, 0},  // tolerance 0: only identical vectors
        {{0, 0, 0}, {3, 4, 0}, 5.0, 1},          // distance equal to the tolerance
        {{0, 0, 0}, {3, 4, 0}, 4.999, 0},
        {{1, 1, 1}, {1.001, 1, 1}, 0.01, 1},
    };
    for (const auto& c : cases) {
        int r = -1;
        EXPECT_EQ(KX_VEC3_is_equal(c.a.data(), c.b.data(), c.tol, &r), c.equal);
        EXPECT_EQ(r, c.equal);
        if (c.a[2] == c.b[2]) {
            EXPECT_EQ(KX_VEC2_is_equal(c.a.data(), c.b.data(), c.tol, &r), c.equal);
        }
        // Zero tests: the difference compared with the zero vector.
        const double d[3] = {c.b[0] - c.a[0], c.b[1] - c.a[1], c.b[2] - c.a[2]};
        EXPECT_EQ(KX_VEC3_is_zero(d, c.tol, &r), c.equal);
        EXPECT_EQ(r, c.equal);
    }
    int r;
    EXPECT_EQ(KX_VEC2_is_equal(std::array{1.0, 2.0}.data(), std::array{1.0, 2.0}.data(), 0.0, &r), 1);
    EXPECT_EQ(KX_VEC2_is_equal(std::array{1.0, 2.0}.data(), std::array{1.0, 2.5}.data(), 0.4, &r), 0);
    EXPECT_EQ(KX_VEC2_is_zero(std::array{0.0, 0.0}.data(), 0.0, &r), 1);
    EXPECT_EQ(KX_VEC2_is_zero(std::array{0.3, 0.4}.data(), 0.5, &r), 1);
    EXPECT_EQ(KX_VEC2_is_zero(std::array{0.3, 0.4}.data(), 0.49, &r), 0);

    // Four components: component-wise on the first three, the fourth ignored.
    EXPECT_EQ(KX_VEC4_is_equal(std::array{1.0, 2.0, 3.0, 1.0}.data(), std::array{1.0, 2.0, 3.0, 9.0}.data(), 0.0, &r),
              1);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(KX_VEC4_is_equal(std::array{1.0, 2.0, 3.0, 1.0}.data(), std::array{1.1, 2.1, 3.1, 1.0}.data(), 0.11, &r),
              1);
    EXPECT_EQ(KX_VEC4_is_equal(std::array{1.0, 2.0, 3.0, 1.0}.data(), std::array{1.0, 2.0, 3.2, 1.0}.data(), 0.1, &r),
              0);
    EXPECT_EQ(KX_VEC4_is_zero(std::array{0.1, -0.1, 0.1, 7.0}.data(), 0.1, &r), 1);
    EXPECT_EQ(KX_VEC4_is_zero(std::array{0.1, -0.2, 0.1, 0.0}.data(), 0.1, &r), 0);
    EXPECT_EQ(r, 0);
}

TEST_F(Vec, UnitizeAndZeroVectors) {
    double mag = -1, u[3] = {7, 7, 7};
    EXPECT_EQ(KX_VEC3_unitize(std::array{0.0, 3.0, 4.0}.data(), 1e-10, &mag, u), 0);
    EXPECT_EQ(mag, 5);
    expect_near<3>(u, {0, 0.6, 0.8});
    // In place.
    double v[3] = {2, 0, 0};
    EXPECT_EQ(KX_VEC3_unitize(v, 0.0, &mag, v), 0);
    expect_near<3>(v, {1, 0, 0});

    struct Case {
        std::array<double, 3> v;
        double tol;
    } refused[] = {{{0, 0, 0}, 0.0}, {{0, 0, 0}, 1e-10}, {{1e-11, 0, 0}, 1e-10}, {{1, 0, 0}, 1.0}};
    for (const auto& c : refused) {
        double w[3] = {7, 7, 7};
        EXPECT_EQ(KX_VEC3_unitize(c.v.data(), c.tol, &mag, w), 1);
        expect_near<3>(w, {7, 7, 7});
    }
    double u2[2];
    EXPECT_EQ(KX_VEC2_unitize(std::array{-6.0, 8.0}.data(), 0.0, &mag, u2), 0);
    EXPECT_EQ(mag, 10);
    expect_near<2>(u2, {-0.6, 0.8});
    EXPECT_EQ(KX_VEC2_unitize(std::array{0.0, 0.0}.data(), 0.0, &mag, u2), 1);
}

TEST_F(Vec, PerpendicularsAreUnitAndAtRightAngles) {
    const std::array<double, 3> vs[] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {1, 2, 3}, {-5, 0.1, 0.1}, {1e-8, 1e-8, 0}};
    for (const auto& v : vs) {
        double p[3];
        ASSERT_EQ(KX_VEC3_ask_perpendicular(v.data(), p), 0);
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, kEps);
        EXPECT_NEAR((p[0] * v[0] + p[1] * v[1] + p[2] * v[2]) / std::hypot(v[0], v[1], v[2]), 0.0, kEps);
        if (v[0] == 0 && v[1] == 0) continue;  // no 2D direction
        double p2[2];
        ASSERT_EQ(KX_VEC2_ask_perpendicular(v.data(), p2), 0);
        EXPECT_NEAR(std::hypot(p2[0], p2[1]), 1.0, kEps);
        EXPECT_NEAR(p2[0] * v[0] + p2[1] * v[1], 0.0, kEps);
    }
    double p[3] = {9, 9, 9};
    EXPECT_NE(KX_VEC3_ask_perpendicular(std::array{0.0, 0.0, 0.0}.data(), p), 0);
    expect_near<3>(p, {9, 9, 9});
    EXPECT_NE(KX_VEC2_ask_perpendicular(std::array{0.0, 0.0}.data(), p), 0);
}

TEST_F(Vec, ParallelAndPerpendicularTests) {
    const double tol = 1e-6;
    struct Case {
        const char* what;
        std::array<double, 3> a, b;
        int parallel, perpendicular;
    } cases[] = {
        {"same direction", {1, 2, 0}, {2, 4, 0}, 1, 0},
        {"opposite", {1, 2, 0}, {-0.5, -1, 0}, 1, 0},
        {"right angle", {1, 2, 0}, {-2, 1, 0}, 0, 1},
        {"right angle, long and short", {1e6, 0, 0}, {0, 1e-3, 0}, 0, 1},
        {"oblique", {1, 0, 0}, {1, 1, 0}, 0, 0},
        {"almost parallel within tolerance", {1, 0, 0}, {1, 1e-7, 0}, 1, 0},
        {"almost perpendicular within tolerance", {1, 0, 0}, {1e-7, 1, 0}, 0, 1},
        {"just outside tolerance", {1, 0, 0}, {1, 1e-5, 0}, 0, 0},
        {"zero vector", {0, 0, 0}, {1, 0, 0}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int r = -1;
        EXPECT_EQ(KX_VEC3_is_parallel(c.a.data(), c.b.data(), tol, &r), c.parallel);
        EXPECT_EQ(r, c.parallel);
        EXPECT_EQ(KX_VEC3_is_perpendicular(c.a.data(), c.b.data(), tol, &r), c.perpendicular);
        EXPECT_EQ(r, c.perpendicular);
        EXPECT_EQ(KX_VEC2_is_parallel(c.a.data(), c.b.data(), tol, &r), c.parallel);
        EXPECT_EQ(KX_VEC2_is_perpendicular(c.a.data(), c.b.data(), tol, &r), c.perpendicular);
        EXPECT_EQ(r, c.perpendicular);
    }
    // Out of the plane: only the 3D tests see the third component.
    int r;
    EXPECT_EQ(KX_VEC3_is_perpendicular(std::array{1.0, 0.0, 0.0}.data(), std::array{0.0, 0.0, 1.0}.data(), tol, &r), 1);
    EXPECT_EQ(KX_VEC3_is_parallel(std::array{0.0, 0.0, 2.0}.data(), std::array{0.0, 0.0, -1.0}.data(), tol, &r), 1);
}

TEST_F(Vec, ComponentsAlongTwoDirections) {
    double a = 0, b = 0;
    EXPECT_EQ(KX_VEC2_components(std::array{3.0, 5.0}.data(), std::array{1.0, 0.0}.data(), std::array{1.0, 1.0}.data(),
                                 1e-9, &a, &b),
              0);
    EXPECT_NEAR(a, -2, kEps);
    EXPECT_NEAR(b, 5, kEps);
    EXPECT_EQ(KX_VEC2_components(std::array{3.0, 5.0}.data(), std::array{2.0, 0.0}.data(), std::array{0.0, -1.0}.data(),
                                 1e-9, &a, &b),
              0);
    EXPECT_NEAR(a, 1.5, kEps);
    EXPECT_NEAR(b, -5, kEps);
    a = b = 7;
    EXPECT_EQ(KX_VEC2_components(std::array{3.0, 5.0}.data(), std::array{1.0, 1.0}.data(),
                                 std::array{-2.0, -2.0}.data(), 1e-9, &a, &b),
              1);
    EXPECT_EQ(KX_VEC2_components(std::array{3.0, 5.0}.data(), std::array{0.0, 0.0}.data(), std::array{0.0, 1.0}.data(),
                                 1e-9, &a, &b),
              1);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 7);
}

TEST_F(Vec, DistanceToPlane) {
    double d = 9;
    const double q[3] = {0, 0, 1};
    EXPECT_EQ(
        KX_VEC3_distance_to_plane(std::array{5.0, 6.0, 4.0}.data(), q, std::array{0.0, 0.0, 2.0}.data(), 1e-9, &d), 0);
    EXPECT_NEAR(d, 3, kEps);
    EXPECT_EQ(
        KX_VEC3_distance_to_plane(std::array{5.0, 6.0, -4.0}.data(), q, std::array{0.0, 0.0, 0.5}.data(), 1e-9, &d), 0);
    EXPECT_NEAR(d, -5, kEps);
    EXPECT_EQ(
        KX_VEC3_distance_to_plane(std::array{5.0, 6.0, 4.0}.data(), q, std::array{0.0, 0.0, 1e-6}.data(), 1e-5, &d), 1);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(KX_VEC3_distance_to_plane(std::array{5.0, 6.0, 4.0}.data(), q, std::array{0.0, 0.0, 0.0}.data(), 0.0, &d),
              1);
}

TEST_F(Vec, AngleBetweenIsMeasuredAboutTheReference) {
    const double up[3] = {0, 0, 1}, down[3] = {0, 0, -1};
    struct Case {
        std::array<double, 3> a, b;
        const double* ref;
        double angle;
    } cases[] = {
        {{1, 0, 0}, {0, 1, 0}, up, kPi / 2},      {{1, 0, 0}, {0, 1, 0}, down, 3 * kPi / 2},
        {{1, 0, 0}, {-1, 0, 0}, up, kPi},         {{2, 0, 0}, {1, 0, 0}, up, 0},
        {{1, 0, 0}, {1, -1, 0}, up, 7 * kPi / 4},
    };
    for (const auto& c : cases) {
        double angle = -1;
        KX_VEC3_angle_between(c.a.data(), c.b.data(), c.ref, &angle);
        EXPECT_NEAR(angle, c.angle, kEps);
    }
}

TEST_F(Vec, HostRoutinesAndTheirAnswers) {
    const double a[3] = {1, 0, 0}, b[3] = {0, 1, 0};
    int r;
    KX_VEC3_is_perpendicular(a, b, 0.5, &r);
    KX_VEC2_is_parallel(a, b, 0.25, &r);
    const auto perp = host::control::calls("VEC3_is_perpendicular");
    ASSERT_EQ(perp.size(), 1u);
    EXPECT_EQ(perp[0].real(2), 0.5);
    EXPECT_EQ(host::control::call_count("VEC2_is_parallel"), 1);
    EXPECT_EQ(host::control::call_count("VEC3_is_parallel"), 0);

    // A non-zero byte answer is true; the unitize answer is turned around.
    host::control::return_status("VEC3_is_parallel", 2);
    EXPECT_EQ(KX_VEC3_is_parallel(a, b, 0.0, &r), 1);
    EXPECT_EQ(r, 1);
    host::control::return_status("VEC3_unitize", 0);
    double mag, u[3];
    EXPECT_EQ(KX_VEC3_unitize(a, 0.0, &mag, u), 1);
    host::control::give_outputs("VEC3_angle_between", {1.25});
    double angle;
    KX_VEC3_angle_between(a, b, a, &angle);
    EXPECT_EQ(angle, 1.25);

    host::control::clear_journal();
    double o[3], d;
    KX_VEC3_add(a, b, o);
    KX_VEC3_cross(a, b, o);
    KX_VEC3_is_equal(a, b, 1.0, &r);
    KX_VEC3_distance_to_plane(a, b, a, 0.0, &d);
    EXPECT_TRUE(host::control::journal().empty());
}

}  // namespace
