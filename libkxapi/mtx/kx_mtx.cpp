// Matrix functions: 2x2, 3x3 and 4x4 matrices on plain arrays of doubles.
// No session state is involved: these compute in place or hand the work to
// the host's mathematics routines, and return the host's answer as their
// conventions say (see kx_mtx.h).
#include "kx_mtx.h"

#include "host/numeric/linalg.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/mtx/kx_mtx_internal.h"

namespace la = kx::linalg;

namespace {

// A transform routine refused its input: a modelling code without text here.
constexpr int kTransformRefused = KX_MODL_ERR_TRANSFORM_REFUSED;

// Host builders answer non-zero on success; the interface answers 0 then.
int flag(int host_answer) { return host_answer != 0 ? 0 : 1; }

int code(int host_answer) { return host_answer != 0 ? kTransformRefused : 0; }

// Rotation rows of a 4x4 matrix <-> a 3x3 matrix.
void rotation_of(const double* m4, double* m3) {
    la::Arr<9> r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[3 * i + j] = m4[4 * i + j];
    la::store<9>(r, m3);
}

void set_rotation(double* m4, const double* m3) {
    const auto r = la::load<9>(m3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m4[4 * i + j] = r[3 * i + j];
}

// p' = (p, 1) through m (or m^T), divided by its fourth component.
void point_through(const double* p, const double* m, bool transposed, double* out) {
    const double h[4] = {p[0], p[1], p[2], 1.0};
    double r[4];
    la::mul_vec<4>(h, m, transposed, r);
    for (int i = 0; i < 3; ++i) out[i] = r[i] / r[3];
}

// out = b a (or b a^T) for 2x2 matrices.
void mul2(const double* a, const double* b, bool transpose_a, double* out) {
    la::Arr<4> r;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            r[2 * i + j] =
                b[2 * i] * (transpose_a ? a[2 * j] : a[j]) + b[2 * i + 1] * (transpose_a ? a[2 * j + 1] : a[2 + j]);
    la::store<4>(r, out);
}

}  // namespace

int kx::mtx::frame_of_rows(const double x_vec[3], const double y_vec[3], double mtx[9]) {
    double x[3], y[3], magnitude;
    if (!VEC3_unitize(x_vec, 1e-10, &magnitude, x) || !VEC3_unitize(y_vec, 1e-10, &magnitude, y)) return 1;
    // The part of y at right angles to x: (x cross y) cross x.
    double z[3], y_perp[3];
    la::cross(x, y, z);
    la::cross(z, x, y_perp);
    return flag(MTX3_init(x, y_perp, mtx));
}

extern "C" {

/* ---- 2x2 ---- */

KXAPI void KX_MTX2_copy(const double mtx_src[4], double mtx_dst[4]) { la::store<4>(la::load<4>(mtx_src), mtx_dst); }

KXAPI void KX_MTX2_determinant(const double mtx[4], double* determinant) { *determinant = mtx[0] * mtx[3] - mtx[2] * mtx[1]; }

KXAPI void KX_MTX2_identity(double mtx[4]) { la::identity<2>(mtx); }

KXAPI int KX_MTX2_initialize(const double x_vec[2], const double y_vec[2], double mtx[4]) {
    return kx::guarded([&] { return flag(MTX2_init(x_vec, y_vec, mtx)); });
}

KXAPI void KX_MTX2_multiply(const double mtx_1[4], const double mtx_2[4], double mtx_product[4]) {
    mul2(mtx_1, mtx_2, false, mtx_product);
}

KXAPI void KX_MTX2_multiply_t(const double mtx_1[4], const double mtx_2[4], double mtx_product[4]) {
    mul2(mtx_1, mtx_2, true, mtx_product);
}

KXAPI void KX_MTX2_transpose(const double mtx[4], double mtx_transpose[4]) { la::transpose<2>(mtx, mtx_transpose); }

KXAPI void KX_MTX2_vec_multiply(const double vec[2], const double mtx[4], double vec_product[2]) {
    la::mul_vec<2>(vec, mtx, false, vec_product);
}

KXAPI void KX_MTX2_vec_multiply_t(const double vec[2], const double mtx[4], double vec_product[2]) {
    la::mul_vec<2>(vec, mtx, true, vec_product);
}

KXAPI void KX_MTX2_x_vec(const double mtx[4], double x_vec[2]) { la::take_row<2, 2>(mtx, 0, x_vec); }

KXAPI void KX_MTX2_y_vec(const double mtx[4], double y_vec[2]) { la::take_row<2, 2>(mtx, 1, y_vec); }

/* ---- 3x3 ---- */

KXAPI void KX_MTX3_copy(const double mtx_src[9], double mtx_dst[9]) { la::store<9>(la::load<9>(mtx_src), mtx_dst); }

KXAPI void KX_MTX3_determinant(const double m[9], double* determinant) {
    *determinant =
        m[0] * (m[4] * m[8] - m[7] * m[5]) - m[3] * (m[1] * m[8] - m[7] * m[2]) + m[6] * (m[1] * m[5] - m[2] * m[4]);
}

KXAPI void KX_MTX3_identity(double mtx[9]) { la::identity<3>(mtx); }

KXAPI int KX_MTX3_initialize(const double x_vec[3], const double y_vec[3], double mtx[9]) {
    return kx::guarded([&] { return kx::mtx::frame_of_rows(x_vec, y_vec, mtx); });
}

KXAPI int KX_MTX3_initialize_x(const double x_vec[3], double mtx[9]) {
    return kx::guarded([&] { return flag(MTX3_init_x(x_vec, mtx)); });
}

KXAPI int KX_MTX3_initialize_z(const double z_vec[3], double mtx[9]) {
    return kx::guarded([&] { return flag(MTX3_init_z(z_vec, mtx)); });
}

KXAPI void KX_MTX3_mtx4(const double mtx_3d[9], double mtx_4d[16]) {
    la::Arr<16> r{};
    set_rotation(r.data(), mtx_3d);
    r[15] = 1.0;
    la::store<16>(r, mtx_4d);
}

KXAPI int KX_MTX3_multiply(const double mtx_1[9], const double mtx_2[9], double mtx_product[9]) {
    return kx::guarded([&] { return MTX3_multiply(mtx_1, mtx_2, mtx_product); });
}

KXAPI int KX_MTX3_multiply_t(const double mtx_1[9], const double mtx_2[9], double mtx_product[9]) {
    return kx::guarded([&] { return MTX3_multiply_t(mtx_1, mtx_2, mtx_product); });
}

KXAPI int KX_MTX3_ortho_normalize(double mtx[9]) {
    return kx::guarded([&] { return MTX3_ortho_normalize(mtx); });
}

KXAPI int KX_MTX3_rotate_about_axis(const double rotation_axis[3], double angle, double mtx[9]) {
    return kx::guarded([&] { return MTX3_rot_about_axis(angle, rotation_axis, mtx); });
}

KXAPI void KX_MTX3_transpose(const double mtx[9], double mtx_transpose[9]) { la::transpose<3>(mtx, mtx_transpose); }

KXAPI void KX_MTX3_vec_multiply(const double vec[3], const double mtx[9], double vec_product[3]) {
    la::mul_vec<3>(vec, mtx, false, vec_product);
}

KXAPI void KX_MTX3_vec_multiply_t(const double vec[3], const double mtx[9], double vec_product[3]) {
    la::mul_vec<3>(vec, mtx, true, vec_product);
}

KXAPI void KX_MTX3_x_vec(const double mtx[9], double x_vec[3]) { la::take_row<3, 3>(mtx, 0, x_vec); }
KXAPI void KX_MTX3_y_vec(const double mtx[9], double y_vec[3]) { la::take_row<3, 3>(mtx, 1, y_vec); }
KXAPI void KX_MTX3_z_vec(const double mtx[9], double z_vec[3]) { la::take_row<3, 3>(mtx, 2, z_vec); }

/* ---- 4x4 ---- */

KXAPI void KX_MTX4_initialize(double scale, const double translation[3], const double rotation[9], double mtx[16]) {
    la::Arr<16> r{};
    set_rotation(r.data(), rotation);
    r[3] = translation[0];
    r[7] = translation[1];
    r[11] = translation[2];
    r[15] = scale;
    la::store<16>(r, mtx);
}

KXAPI void KX_MTX4_ask_rotation(const double mtx[16], double rotation[9]) { rotation_of(mtx, rotation); }

KXAPI void KX_MTX4_edit_rotation(double mtx[16], const double rotation[9]) { set_rotation(mtx, rotation); }

KXAPI void KX_MTX4_ask_translation(const double mtx[16], double translation[3]) {
    const double t[3] = {mtx[3], mtx[7], mtx[11]};
    la::store<3>(la::load<3>(t), translation);
}

KXAPI void KX_MTX4_edit_translation(double mtx[16], const double translation[3]) {
    const auto t = la::load<3>(translation);
    mtx[3] = t[0];
    mtx[7] = t[1];
    mtx[11] = t[2];
}

KXAPI void KX_MTX4_ask_scale(const double mtx[16], double* scale) { *scale = mtx[15]; }

KXAPI void KX_MTX4_edit_scale(double mtx[16], double scale) { mtx[15] = scale; }

KXAPI void KX_MTX4_copy(const double mtx_src[16], double mtx_dst[16]) { la::store<16>(la::load<16>(mtx_src), mtx_dst); }

KXAPI void KX_MTX4_identity(double mtx[16]) { la::identity<4>(mtx); }

KXAPI void KX_MTX4_transpose(const double mtx[16], double mtx_transpose[16]) { la::transpose<4>(mtx, mtx_transpose); }

KXAPI int KX_MTX4_multiply(const double mtx_1[16], const double mtx_2[16], double mtx_product[16]) {
    return kx::guarded([&] { return MTX4_multiply(mtx_1, mtx_2, mtx_product); });
}

KXAPI int KX_MTX4_multiply_t(const double mtx_1[16], const double mtx_2[16], double mtx_product[16]) {
    return kx::guarded([&] { return MTX4_multiply_t(mtx_1, mtx_2, mtx_product); });
}

KXAPI int KX_MTX4_ortho_normalize(double mtx[16]) {
    return kx::guarded([&] { return MTX4_ortho_normalize(mtx); });
}

KXAPI void KX_MTX4_vec_multiply(const double vec[4], const double mtx[16], double vec_product[4]) {
    la::mul_vec<4>(vec, mtx, false, vec_product);
}

KXAPI void KX_MTX4_vec_multiply_t(const double vec[4], const double mtx[16], double vec_product[4]) {
    la::mul_vec<4>(vec, mtx, true, vec_product);
}

KXAPI void KX_MTX4_vec3_multiply(const double vec[3], const double mtx[16], double vec_product[3]) {
    point_through(vec, mtx, false, vec_product);
}

KXAPI void KX_MTX4_vec3_multiply_t(const double vec[3], const double mtx[16], double vec_product[3]) {
    point_through(vec, mtx, true, vec_product);
}

KXAPI void KX_MTX4_x_vec(const double mtx[16], double x_vec[3]) { la::take_row<3, 4>(mtx, 0, x_vec); }
KXAPI void KX_MTX4_y_vec(const double mtx[16], double y_vec[3]) { la::take_row<3, 4>(mtx, 1, y_vec); }
KXAPI void KX_MTX4_z_vec(const double mtx[16], double z_vec[3]) { la::take_row<3, 4>(mtx, 2, z_vec); }

KXAPI int KX_MTX4_scaling(const double point[3], const double scale_factors[3], double mtx[16]) {
    kx::guarded([&] { MTX4_scaling(point, scale_factors, mtx); });
    return 0;
}

KXAPI int KX_MTX4_rotation(const double point[3], const double axis[3], double angle, double mtx[16]) {
    return kx::guarded([&] { return code(MTX4_rotation(point, axis, angle, mtx)); });
}

KXAPI int KX_MTX4_mirror(const double point[3], const double normal[3], double mtx[16]) {
    return kx::guarded([&] { return code(MTX4_mirror(point, normal, mtx)); });
}

KXAPI int KX_MTX4_csys_to_csys(const double from_origin[3], const double from_x_axis[3], const double from_y_axis[3],
                         const double to_origin[3], const double to_x_axis[3], const double to_y_axis[3],
                         double mtx[16]) {
    return kx::guarded([&] {
        return code(MTX4_csys_to_csys(from_origin, from_x_axis, from_y_axis, to_origin, to_x_axis, to_y_axis, mtx));
    });
}

KXAPI int KX_MTX4_invert(const double mtx[16], double inverse[16]) {
    return kx::guarded([&] { return MTX4_invert(mtx, inverse); });
}

}  // extern "C"
