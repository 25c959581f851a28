// Matrix functions: products and their order, frames built from directions,
// transforms, inversion, degenerate input, and what goes to the host.
#include <gtest/gtest.h>

#include <array>
#include <csetjmp>
#include <cmath>
#include <numbers>
#include <vector>

#include "host/control/control.h"
#include "kx_core.h"
#include "kx_mtx.h"
#include "libkxapi/core/kx_session.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kEps = 1e-12;

template <size_t N>
void expect_near(const std::array<double, N>& got, const std::array<double, N>& want, double tol = kEps) {
    for (size_t i = 0; i < N; ++i) EXPECT_NEAR(got[i], want[i], tol) << "element " << i;
}

// Reference product b a (or b a^T) for n x n row-major matrices.
std::vector<double> ref_product(const double* a, const double* b, int n, bool transpose_a) {
    std::vector<double> r(n * n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) r[i * n + j] += b[i * n + k] * (transpose_a ? a[j * n + k] : a[k * n + j]);
    return r;
}

bool is_orthonormal(const std::array<double, 9>& m, double tol = 1e-12) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double d = 0;
            for (int k = 0; k < 3; ++k) d += m[3 * i + k] * m[3 * j + k];
            if (std::fabs(d - (i == j ? 1.0 : 0.0)) > tol) return false;
        }
    return true;
}

double det3(const std::array<double, 9>& m) {
    double d;
    KX_MTX3_determinant(m.data(), &d);
    return d;
}

class Mtx : public ::testing::Test {
protected:
    void SetUp() override { host::control::reset(); }
};

TEST_F(Mtx, DeterminantsOfRegularAndSingularMatrices) {
    struct Case2 {
        std::array<double, 4> m;
        double det;
    } cases2[] = {{{1, 0, 0, 1}, 1}, {{2, 3, 4, 5}, -2}, {{1, 2, 2, 4}, 0}, {{0, 0, 0, 0}, 0}};
    for (const auto& c : cases2) {
        double d = -99;
        KX_MTX2_determinant(c.m.data(), &d);
        EXPECT_DOUBLE_EQ(d, c.det);
    }
    struct Case3 {
        std::array<double, 9> m;
        double det;
    } cases3[] = {
        {{1, 0, 0, 0, 1, 0, 0, 0, 1}, 1},   {{2, 0, 0, 0, 3, 0, 0, 0, 4}, 24},
        {{0, 1, 0, 1, 0, 0, 0, 0, 1}, -1},  // a reflection
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 0},   // dependent rows
        {{1, 2, 3, 4, 5, 6, 7, 8, 10}, -3},
    };
    for (const auto& c : cases3) EXPECT_NEAR(det3(c.m), c.det, 1e-12);
}

TEST_F(Mtx, ProductsTakeTheSecondMatrixFirst) {
    const double a2[4] = {1, 2, 3, 4}, b2[4] = {0, 1, -1, 2};
    const double a3[9] = {1, 2, 0, -1, 3, 1, 2, 0, 1}, b3[9] = {0, 1, 2, 1, 0, -1, 3, 1, 0};
    double a4[16], b4[16];
    for (int i = 0; i < 16; ++i) {
        a4[i] = std::sin(1.0 + i);
        b4[i] = std::cos(2.0 * i);
    }
    for (bool t : {false, true}) {
        double o2[4], o3[9], o4[16];
        (t ? KX_MTX2_multiply_t : KX_MTX2_multiply)(a2, b2, o2);
        EXPECT_EQ((t ? KX_MTX3_multiply_t : KX_MTX3_multiply)(a3, b3, o3), 0);
        EXPECT_EQ((t ? KX_MTX4_multiply_t : KX_MTX4_multiply)(a4, b4, o4), 0);
        const auto r2 = ref_product(a2, b2, 2, t), r3 = ref_product(a3, b3, 3, t), r4 = ref_product(a4, b4, 4, t);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(o2[i], r2[i], kEps) << "2x2 transposed=" << t;
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(o3[i], r3[i], kEps) << "3x3 transposed=" << t;
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(o4[i], r4[i], kEps) << "4x4 transposed=" << t;
    }
}

TEST_F(Mtx, ResultsMayOverwriteAnInput) {
    double a[9] = {1, 2, 0, -1, 3, 1, 2, 0, 1};
    const double b[9] = {0, 1, 2, 1, 0, -1, 3, 1, 0};
    const auto want = ref_product(a, b, 3, false);
    KX_MTX3_multiply(a, b, a);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], want[i], kEps);

    double m2[4] = {1, 2, 3, 4};
    KX_MTX2_multiply(m2, m2, m2);
    expect_near(std::to_array(m2), {7, 10, 15, 22});
    KX_MTX2_transpose(m2, m2);
    expect_near(std::to_array(m2), {7, 15, 10, 22});

    double m4[16];
    for (int i = 0; i < 16; ++i) m4[i] = i;
    KX_MTX4_transpose(m4, m4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(m4[4 * i + j], 4 * j + i);

    double v[3] = {1, 2, 3};
    const double rot[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    KX_MTX3_vec_multiply(v, rot, v);
    expect_near(std::to_array(v), {-2, 1, 3});
    KX_MTX3_vec_multiply_t(v, rot, v);
    expect_near(std::to_array(v), {1, 2, 3});
}

TEST_F(Mtx, RowsAndVectorProducts) {
    const double m2[4] = {1, 2, 3, 4};
    double v2[2] = {1, 1}, o2[2];
    KX_MTX2_vec_multiply(v2, m2, o2);
    expect_near(std::to_array(o2), {3, 7});
    KX_MTX2_vec_multiply_t(v2, m2, o2);
    expect_near(std::to_array(o2), {4, 6});
    KX_MTX2_x_vec(m2, o2);
    expect_near(std::to_array(o2), {1, 2});
    KX_MTX2_y_vec(m2, o2);
    expect_near(std::to_array(o2), {3, 4});

    const double m3[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    double r[3];
    KX_MTX3_x_vec(m3, r);
    expect_near(std::to_array(r), {1, 2, 3});
    KX_MTX3_y_vec(m3, r);
    expect_near(std::to_array(r), {4, 5, 6});
    KX_MTX3_z_vec(m3, r);
    expect_near(std::to_array(r), {7, 8, 9});

    double m4[16];
    for (int i = 0; i < 16; ++i) m4[i] = i;
    KX_MTX4_x_vec(m4, r);
    expect_near(std::to_array(r), {0, 1, 2});
    KX_MTX4_y_vec(m4, r);
    expect_near(std::to_array(r), {4, 5, 6});
    KX_MTX4_z_vec(m4, r);
    expect_near(std::to_array(r), {8, 9, 10});
    const double v4[4] = {1, 0, 0, 1};
    double o4[4];
    KX_MTX4_vec_multiply(v4, m4, o4);
    expect_near(std::to_array(o4), {3, 11, 19, 27});
    KX_MTX4_vec_multiply_t(v4, m4, o4);
    expect_near(std::to_array(o4), {12, 14, 16, 18});
}

TEST_F(Mtx, IdentityCopyAndFourByFourParts) {
    double m2[4] = {9, 9, 9, 9}, m3[9], m4[16];
    KX_MTX2_identity(m2);
    expect_near(std::to_array(m2), {1, 0, 0, 1});
    KX_MTX3_identity(m3);
    expect_near(std::to_array(m3), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    KX_MTX4_identity(m4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m4[i], i % 5 == 0 ? 1.0 : 0.0);

    const double rot[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, t[3] = {5, 6, 7};
    KX_MTX4_initialize(2.0, t, rot, m4);
    expect_near(std::to_array(m4), {0, 1, 0, 5, -1, 0, 0, 6, 0, 0, 1, 7, 0, 0, 0, 2});
    double r[9], tr[3], s;
    KX_MTX4_ask_rotation(m4, r);
    expect_near(std::to_array(r), std::to_array(rot));
    KX_MTX4_ask_translation(m4, tr);
    expect_near(std::to_array(tr), {5, 6, 7});
    KX_MTX4_ask_scale(m4, &s);
    EXPECT_EQ(s, 2.0);

    const double t2[3] = {-1, -2, -3};
    KX_MTX4_edit_rotation(m4, m3);
    KX_MTX4_edit_translation(m4, t2);
    KX_MTX4_edit_scale(m4, 1.0);
    expect_near(std::to_array(m4), {1, 0, 0, -1, 0, 1, 0, -2, 0, 0, 1, -3, 0, 0, 0, 1});

    double c[16];
    KX_MTX4_copy(m4, c);
    expect_near(std::to_array(c), std::to_array(m4));
    KX_MTX3_mtx4(rot, c);
    expect_near(std::to_array(c), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    double c3[9], c2[4];
    KX_MTX3_copy(rot, c3);
    expect_near(std::to_array(c3), std::to_array(rot));
    KX_MTX2_copy(m2, c2);
    expect_near(std::to_array(c2), std::to_array(m2));
}

TEST_F(Mtx, InitializeBuildsOrientationsAndRefusesDegenerateDirections) {
    struct Case {
        const char* what;
        std::array<double, 3> x, y;
        int status;
    } cases[] = {
        {"scaled x, oblique y", {2, 0, 0}, {1, 1, 0}, 0},
        {"general", {1, 2, 3}, {-1, 0.5, 2}, 0},
        {"parallel", {1, 1, 0}, {2, 2, 0}, 1},
        {"antiparallel", {1, 0, 0}, {-3, 0, 0}, 1},
        {"zero x", {0, 0, 0}, {0, 1, 0}, 1},
        {"zero y", {1, 0, 0}, {0, 0, 0}, 1},
        {"x below the tolerance", {1e-11, 0, 0}, {0, 1, 0}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<double, 9> m;
        m.fill(42);
        ASSERT_EQ(KX_MTX3_initialize(c.x.data(), c.y.data(), m.data()), c.status);
        if (c.status != 0) {
            for (double v : m) EXPECT_EQ(v, 42) << "output untouched";
            continue;
        }
        EXPECT_TRUE(is_orthonormal(m));
        EXPECT_NEAR(det3(m), 1.0, kEps);
        // X along x, Y on the side of y within the plane of x and y.
        const double nx = std::sqrt(c.x[0] * c.x[0] + c.x[1] * c.x[1] + c.x[2] * c.x[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(m[i], c.x[i] / nx, kEps);
        EXPECT_GT(m[3] * c.y[0] + m[4] * c.y[1] + m[5] * c.y[2], 0);
        EXPECT_NEAR(m[6] * c.y[0] + m[7] * c.y[1] + m[8] * c.y[2], 0, kEps);
    }
    std::array<double, 9> m;
    KX_MTX3_initialize(std::array{2.0, 0.0, 0.0}.data(), std::array{1.0, 1.0, 0.0}.data(), m.data());
    expect_near(m, {1, 0, 0, 0, 1, 0, 0, 0, 1});

    double m2[4];
    EXPECT_EQ(KX_MTX2_initialize(std::array{0.0, 3.0}.data(), std::array{-1.0, 1.0}.data(), m2), 0);
    expect_near(std::to_array(m2), {0, 1, -1, 0});
    EXPECT_EQ(KX_MTX2_initialize(std::array{1.0, 1.0}.data(), std::array{-2.0, -2.0}.data(), m2), 1);
    EXPECT_EQ(KX_MTX2_initialize(std::array{0.0, 0.0}.data(), std::array{1.0, 0.0}.data(), m2), 1);
}

TEST_F(Mtx, InitializeFromOneAxis) {
    const std::array<double, 3> axes[] = {{0, 0, 1}, {1, 0, 0}, {0, -5, 0}, {1, 2, 3}, {-1e-3, 1e-3, 1}};
    for (const auto& a : axes) {
        const double n = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        std::array<double, 9> mx, mz;
        ASSERT_EQ(KX_MTX3_initialize_x(a.data(), mx.data()), 0);
        ASSERT_EQ(KX_MTX3_initialize_z(a.data(), mz.data()), 0);
        EXPECT_TRUE(is_orthonormal(mx));
        EXPECT_TRUE(is_orthonormal(mz));
        EXPECT_NEAR(det3(mx), 1.0, kEps);
        EXPECT_NEAR(det3(mz), 1.0, kEps);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(mx[i], a[i] / n, kEps);
            EXPECT_NEAR(mz[6 + i], a[i] / n, kEps);
        }
    }
    std::array<double, 9> m;
    KX_MTX3_initialize_z(std::array{0.0, 0.0, 2.0}.data(), m.data());
    expect_near(m, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(KX_MTX3_initialize_x(zero, m.data()), 1);
    EXPECT_EQ(KX_MTX3_initialize_z(zero, m.data()), 1);
}

TEST_F(Mtx, RotationAboutAxis) {
    struct Case {
        std::array<double, 3> axis;
        double angle;
        std::array<double, 3> v, want;
    } cases[] = {
        {{0, 0, 1}, kPi / 2, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 5}, -kPi / 2, {1, 0, 0}, {0, -1, 0}},
        {{1, 0, 0}, kPi, {0, 1, 1}, {0, -1, -1}},   {{1, 1, 1}, 2 * kPi / 3, {1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, 0.0, {3, 4, 5}, {3, 4, 5}},
    };
    for (const auto& c : cases) {
        std::array<double, 9> m;
        ASSERT_EQ(KX_MTX3_rotate_about_axis(c.axis.data(), c.angle, m.data()), 0);
        EXPECT_TRUE(is_orthonormal(m));
        std::array<double, 3> out;
        KX_MTX3_vec_multiply(c.v.data(), m.data(), out.data());
        expect_near(out, c.want);
    }
    std::array<double, 9> m;
    m.fill(7);
    EXPECT_NE(KX_MTX3_rotate_about_axis(std::array{0.0, 0.0, 0.0}.data(), 1.0, m.data()), 0);
    for (double v : m) EXPECT_EQ(v, 7);
}

TEST_F(Mtx, OrthoNormalizeKeepsXAndHandedness) {
    // A rotation disturbed by a small shear, right- and left-handed.
    for (double hand : {1.0, -1.0}) {
        std::array<double, 9> m = {2, 0.01, 0, 0.02, 1, 0.001, 0, 0, 3 * hand};
        ASSERT_EQ(KX_MTX3_ortho_normalize(m.data()), 0);
        EXPECT_TRUE(is_orthonormal(m));
        EXPECT_NEAR(det3(m), hand, kEps);
        EXPECT_NEAR(m[0], 2 / std::hypot(2, 0.01), kEps);
        EXPECT_NEAR(m[2], 0, kEps);
    }
    std::array<double, 9> singular = {1, 0, 0, 2, 0, 0, 0, 0, 1};
    const auto before = singular;
    EXPECT_NE(KX_MTX3_ortho_normalize(singular.data()), 0);
    EXPECT_EQ(singular, before);
    std::array<double, 9> flat = {1, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_NE(KX_MTX3_ortho_normalize(flat.data()), 0);

    std::array<double, 16> m4 = {1, 0.1, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 2};
    ASSERT_EQ(KX_MTX4_ortho_normalize(m4.data()), 0);
    std::array<double, 9> r;
    KX_MTX4_ask_rotation(m4.data(), r.data());
    EXPECT_TRUE(is_orthonormal(r));
    EXPECT_EQ(m4[3], 5);
    EXPECT_EQ(m4[7], 6);
    EXPECT_EQ(m4[11], 7);
    EXPECT_EQ(m4[15], 2);
}

TEST_F(Mtx, PointThroughFourByFour) {
    double id[16], p[3] = {1.5, -2, 3}, out[3];
    KX_MTX4_identity(id);
    KX_MTX4_vec3_multiply(p, id, out);
    expect_near(std::to_array(out), std::to_array(p));
    KX_MTX4_vec3_multiply_t(p, id, out);
    expect_near(std::to_array(out), std::to_array(p));

    // Translation moves the point; the scale element divides it.
    const double rot[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, t[3] = {10, 20, 30};
    double m[16];
    KX_MTX4_initialize(1.0, t, rot, m);
    KX_MTX4_vec3_multiply(p, m, out);
    expect_near(std::to_array(out), {12, 21.5, 33});
    KX_MTX4_initialize(2.0, t, rot, m);
    KX_MTX4_vec3_multiply(p, m, out);
    expect_near(std::to_array(out), {6, 10.75, 16.5});
    // With m^T the translation lands in the fourth component.
    KX_MTX4_initialize(1.0, t, rot, m);
    KX_MTX4_vec3_multiply_t(p, m, out);
    const double w = 10 * 1.5 + 20 * -2 + 30 * 3 + 1;
    expect_near(std::to_array(out), {-2 / w, -1.5 / w, 3 / w});
}

TEST_F(Mtx, TransformsMovePointsAsTheyShould) {
    const double p[3] = {1, 2, 3};
    double m[16], out[3];

    // Rotation a quarter turn about the vertical line through (1, 0, 0).
    ASSERT_EQ(KX_MTX4_rotation(std::array{1.0, 0.0, 0.0}.data(), std::array{0.0, 0.0, 1.0}.data(), kPi / 2, m), 0);
    KX_MTX4_vec3_multiply(std::array{2.0, 0.0, 4.0}.data(), m, out);
    expect_near(std::to_array(out), {1, 1, 4});

    // Mirror in the plane x = 2.
    ASSERT_EQ(KX_MTX4_mirror(std::array{2.0, 5.0, 5.0}.data(), std::array{3.0, 0.0, 0.0}.data(), m), 0);
    KX_MTX4_vec3_multiply(p, m, out);
    expect_near(std::to_array(out), {3, 2, 3});

    // Scaling about (1, 1, 1).
    ASSERT_EQ(KX_MTX4_scaling(std::array{1.0, 1.0, 1.0}.data(), std::array{2.0, 3.0, -1.0}.data(), m), 0);
    KX_MTX4_vec3_multiply(p, m, out);
    expect_near(std::to_array(out), {1, 4, -1});

    // From the absolute system to one at (10, 0, 0) turned a quarter about Z.
    const double o0[3] = {0, 0, 0}, x0[3] = {1, 0, 0}, y0[3] = {0, 1, 0};
    const double o1[3] = {10, 0, 0}, x1[3] = {0, 1, 0}, y1[3] = {-1, 0, 0};
    ASSERT_EQ(KX_MTX4_csys_to_csys(o0, x0, y0, o1, x1, y1, m), 0);
    KX_MTX4_vec3_multiply(p, m, out);
    expect_near(std::to_array(out), {8, 1, 3});
    // And back: the composition is the identity.
    double back[16], both[16];
    ASSERT_EQ(KX_MTX4_csys_to_csys(o1, x1, y1, o0, x0, y0, back), 0);
    KX_MTX4_multiply(m, back, both);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(both[i], i % 5 == 0 ? 1 : 0, kEps);
}

TEST_F(Mtx, DegenerateTransformsAnswerTheModellingCode) {
    const double p[3] = {1, 2, 3}, zero[3] = {0, 0, 0}, x[3] = {1, 0, 0};
    double m[16];
    EXPECT_EQ(KX_MTX4_rotation(p, zero, 1.0, m), 875053);
    EXPECT_EQ(KX_MTX4_mirror(p, zero, m), 875053);
    EXPECT_EQ(KX_MTX4_csys_to_csys(p, x, x, p, x, std::array{0.0, 1.0, 0.0}.data(), m), 875053);
    EXPECT_EQ(KX_MTX4_csys_to_csys(p, x, std::array{0.0, 1.0, 0.0}.data(), p, zero, x, m), 875053);
    // Scaling answers 0 even for factors that give no usable transform.
    EXPECT_EQ(KX_MTX4_scaling(p, zero, m), 0);
}

TEST_F(Mtx, InvertRegularAndSingular) {
    double rot[9];
    KX_MTX3_rotate_about_axis(std::array{1.0, 2.0, 2.0}.data(), 0.7, rot);
    double m[16], inv[16], prod[16];
    KX_MTX4_initialize(1.0, std::array{3.0, -4.0, 5.0}.data(), rot, m);
    m[12] = 0.5;  // a general matrix, not only a rigid motion
    ASSERT_EQ(KX_MTX4_invert(m, inv), 0);
    KX_MTX4_multiply(inv, m, prod);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(prod[i], i % 5 == 0 ? 1 : 0, 1e-12);
    // In place.
    double same[16];
    KX_MTX4_copy(m, same);
    ASSERT_EQ(KX_MTX4_invert(same, same), 0);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(same[i], inv[i], 1e-12);

    const std::array<double, 16> singulars[] = {
        {},                                                // zero
        {1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1},  // two rows dependent
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0},  // scale 0
    };
    for (const auto& s : singulars) {
        std::array<double, 16> out;
        out.fill(9);
        EXPECT_NE(KX_MTX4_invert(s.data(), out.data()), 0);
        for (double v : out) EXPECT_EQ(v, 9);
    }
}

TEST_F(Mtx, ArithmeticMakesNoHostCall) {
    double a[16], b[16], o[16], d;
    KX_MTX4_identity(a);
    KX_MTX4_identity(b);
    KX_MTX2_multiply(a, b, o);
    KX_MTX3_transpose(a, o);
    KX_MTX3_determinant(a, &d);
    KX_MTX4_vec3_multiply(a, b, o);
    KX_MTX4_initialize(1.0, a, b, o);
    EXPECT_TRUE(host::control::journal().empty());
}

TEST_F(Mtx, HostAnswersReachTheCallerAsTheirConventionSays) {
    double a[16] = {}, o[16];
    const double axis[3] = {0, 0, 1};
    host::control::return_status("MTX3_multiply", 7);
    EXPECT_EQ(KX_MTX3_multiply(a, a, o), 7);
    host::control::return_status("MTX4_invert", 3);
    EXPECT_EQ(KX_MTX4_invert(a, o), 3);
    // A non-zero answer of a transform routine becomes the modelling code ...
    host::control::return_status("MTX4_rotation", 2);
    EXPECT_EQ(KX_MTX4_rotation(a, axis, 1.0, o), 875053);
    // ... and scaling ignores the answer.
    host::control::return_status("MTX4_scaling", 2);
    EXPECT_EQ(KX_MTX4_scaling(a, axis, o), 0);
    // The builders' answer is turned around.
    host::control::return_status("MTX2_init", 0);
    EXPECT_EQ(KX_MTX2_initialize(axis, axis, o), 1);
    host::control::return_status("MTX3_init_z", 5);
    EXPECT_EQ(KX_MTX3_initialize_z(a, o), 0);

    const auto rot = host::control::calls("MTX4_rotation");
    ASSERT_EQ(rot.size(), 1u);
    EXPECT_EQ(rot[0].arg[0], reinterpret_cast<std::intptr_t>(a));
    EXPECT_EQ(rot[0].arg[1], reinterpret_cast<std::intptr_t>(axis));
    EXPECT_EQ(rot[0].real(2), 1.0);
}

TEST_F(Mtx, InitializeUnitisesBothDirectionsThenBuilds) {
    double m[9];
    KX_MTX3_initialize(std::array{2.0, 0.0, 0.0}.data(), std::array{1.0, 1.0, 0.0}.data(), m);
    EXPECT_EQ(host::control::call_names(), (std::vector<std::string>{"VEC3_unitize", "VEC3_unitize", "MTX3_init"}));
    EXPECT_EQ(host::control::calls("VEC3_unitize")[0].real(1), 1e-10);

    host::control::clear_journal();
    KX_MTX3_initialize(std::array{0.0, 0.0, 0.0}.data(), std::array{1.0, 1.0, 0.0}.data(), m);
    EXPECT_EQ(host::control::call_names(), (std::vector<std::string>{"VEC3_unitize"}));
}

// No frame of their own: a host error raised below goes to the caller's
// error handler, after the library's own objects have unwound.
TEST_F(Mtx, HostErrorReachesTheCallersHandler) {
    kx_reset_session_for_tests();
    ASSERT_EQ(KX_initialize(), 0);
    host::control::raise_on("MTX4_invert", 670004);
    double m[16], out[16];
    KX_MTX4_identity(m);
    static std::jmp_buf buffer;  // static: it outlives the jump
    volatile int reached = 0;
    const int id = KX_ERROR_set_handler(buffer);
    ASSERT_GT(id, 0);
    if (setjmp(buffer) == 0) {
        KX_MTX4_invert(m, out);
        reached = 1;  // not reached
    }
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(KX_ERROR_ask_failure_code(), 670004);
    EXPECT_EQ(host::control::frame_depth(), 0);
    kx_reset_session_for_tests();
}

}  // namespace
