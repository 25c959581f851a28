// Vector functions: 2, 3 and 4 components on plain arrays of doubles.
// The arithmetic is done here; unit vectors, perpendiculars, components,
// angles and the parallel and perpendicular tests come from the host's
// mathematics routines.
#include <cmath>

#include "host/numeric/linalg.h"
#include "kx_mtx.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/mtx/kx_mtx_internal.h"

namespace la = kx::linalg;

namespace {

// The test functions store their flag and return it as well.
int answer(int* result, bool holds) {
    const int v = holds ? 1 : 0;
    *result = v;
    return v;
}

template <int N>
int is_equal(const double* a, const double* b, double tolerance, int* result) {
    return answer(result, std::fabs(la::distance_sq<N>(a, b)) <= tolerance * tolerance);
}

template <int N>
int is_zero(const double* v, double tolerance, int* result) {
    return answer(result, la::dot<N>(v, v) <= tolerance * tolerance);
}

// Component-wise test of the first three components of a 4D vector.
int within3(const double* a, const double* b, double tolerance, int* result) {
    bool holds = true;
    for (int i = 0; i < 3; ++i) holds = holds && std::fabs(a[i] - (b ? b[i] : 0.0)) <= tolerance;
    return answer(result, holds);
}

int flag(int host_answer) { return host_answer != 0 ? 0 : 1; }

}  // namespace

extern "C" {

/* ---- 2D ---- */

KXAPI void KX_VEC2_add(const double vec1[2], const double vec2[2], double vec_sum[2]) {
    la::combine<2>(1.0, vec1, 1.0, vec2, vec_sum);
}

KXAPI void KX_VEC2_sub(const double vec1[2], const double vec2[2], double vec_diff[2]) {
    la::combine<2>(1.0, vec1, -1.0, vec2, vec_diff);
}

KXAPI void KX_VEC2_negate(const double vec[2], double vec_negated[2]) { la::scale<2>(-1.0, vec, vec_negated); }

KXAPI void KX_VEC2_scale(double scale, const double vec[2], double vec_scaled[2]) { la::scale<2>(scale, vec, vec_scaled); }

KXAPI void KX_VEC2_affine_comb(const double vec[2], double scale, const double vec_dir[2], double vec_comb[2]) {
    la::combine<2>(1.0, vec, scale, vec_dir, vec_comb);
}

KXAPI void KX_VEC2_convex_comb(double parameter, const double vec1[2], const double vec2[2], double vec_comb[2]) {
    la::combine<2>(1.0 - parameter, vec1, parameter, vec2, vec_comb);
}

KXAPI void KX_VEC2_linear_comb(double scale1, const double vec1[2], double scale2, const double vec2[2], double vec_comb[2]) {
    la::combine<2>(scale1, vec1, scale2, vec2, vec_comb);
}

KXAPI void KX_VEC2_midpt(const double vec1[2], const double vec2[2], double mid_pt[2]) {
    la::combine<2>(0.5, vec1, 0.5, vec2, mid_pt);
}

KXAPI void KX_VEC2_dot(const double vec1[2], const double vec2[2], double* dot_product) {
    *dot_product = la::dot<2>(vec1, vec2);
}

KXAPI void KX_VEC2_cross(const double vec1[2], const double vec2[2], double* cross_product) {
    *cross_product = vec1[0] * vec2[1] - vec1[1] * vec2[0];
}

KXAPI void KX_VEC2_mag(const double vec[2], double* magnitude) { *magnitude = std::sqrt(la::dot<2>(vec, vec)); }

KXAPI void KX_VEC2_distance(const double pt1[2], const double pt2[2], double* distance) {
    *distance = std::sqrt(la::distance_sq<2>(pt1, pt2));
}

KXAPI void KX_VEC2_rotate(const double vec[2], double angle, double vec_rotated[2]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double x = vec[0], y = vec[1];
    vec_rotated[0] = x * c - y * s;
    vec_rotated[1] = x * s + y * c;
}

KXAPI void KX_VEC2_copy(const double vec_src[2], double vec_dst[2]) { la::store<2>(la::load<2>(vec_src), vec_dst); }

KXAPI void KX_VEC2_vec3(const double vec_2d[2], double vec_3d[3]) {
    const double r[3] = {vec_2d[0], vec_2d[1], 0.0};
    la::store<3>(la::load<3>(r), vec_3d);
}

KXAPI int KX_VEC2_is_equal(const double vec1[2], const double vec2[2], double tolerance, int* result) {
    return is_equal<2>(vec1, vec2, tolerance, result);
}

KXAPI int KX_VEC2_is_zero(const double vec[2], double tolerance, int* result) { return is_zero<2>(vec, tolerance, result); }

KXAPI int KX_VEC2_unitize(const double vec[2], double tolerance, double* magnitude, double unit_vec[2]) {
    return kx::guarded([&] { return flag(VEC2_unitize(vec, tolerance, magnitude, unit_vec)); });
}

KXAPI int KX_VEC2_components(const double vec[2], const double x_dir[2], const double y_dir[2], double tolerance,
                       double* x_comp, double* y_comp) {
    return kx::guarded([&] { return flag(VEC2_components(vec, x_dir, y_dir, tolerance, x_comp, y_comp)); });
}

KXAPI int KX_VEC2_ask_perpendicular(const double vec[2], double perp_vec[2]) {
    return kx::guarded([&] { return VEC2_ask_perpendicular(vec, perp_vec); });
}

KXAPI int KX_VEC2_is_parallel(const double vec1[2], const double vec2[2], double tolerance, int* result) {
    return kx::guarded([&] { return answer(result, VEC2_is_parallel(vec1, vec2, tolerance) != 0); });
}

KXAPI int KX_VEC2_is_perpendicular(const double vec1[2], const double vec2[2], double tolerance, int* result) {
    return kx::guarded([&] { return answer(result, VEC2_is_perpendicular(vec1, vec2, tolerance) != 0); });
}

/* ---- 3D ---- */

KXAPI void KX_VEC3_add(const double vec1[3], const double vec2[3], double vec_sum[3]) {
    la::combine<3>(1.0, vec1, 1.0, vec2, vec_sum);
}

KXAPI void KX_VEC3_sub(const double vec1[3], const double vec2[3], double vec_diff[3]) {
    la::combine<3>(1.0, vec1, -1.0, vec2, vec_diff);
}

KXAPI void KX_VEC3_negate(const double vec[3], double vec_negated[3]) { la::scale<3>(-1.0, vec, vec_negated); }

KXAPI void KX_VEC3_scale(double scale, const double vec[3], double vec_scaled[3]) { la::scale<3>(scale, vec, vec_scaled); }

KXAPI void KX_VEC3_affine_comb(const double vec[3], double scale, const double vec_dir[3], double vec_comb[3]) {
    la::combine<3>(1.0, vec, scale, vec_dir, vec_comb);
}

KXAPI void KX_VEC3_convex_comb(double parameter, const double vec1[3], const double vec2[3], double vec_comb[3]) {
    la::combine<3>(1.0 - parameter, vec1, parameter, vec2, vec_comb);
}

KXAPI void KX_VEC3_linear_comb(double scale1, const double vec1[3], double scale2, const double vec2[3], double vec_comb[3]) {
    la::combine<3>(scale1, vec1, scale2, vec2, vec_comb);
}

KXAPI void KX_VEC3_midpt(const double vec1[3], const double vec2[3], double mid_pt[3]) {
    la::combine<3>(0.5, vec1, 0.5, vec2, mid_pt);
}

KXAPI void KX_VEC3_dot(const double vec1[3], const double vec2[3], double* dot_product) {
    *dot_product = la::dot<3>(vec1, vec2);
}

// Stored component by component, as callers of this function have always
// been told: the output must not be one of the inputs.
KXAPI void KX_VEC3_cross(const double vec1[3], const double vec2[3], double vec_product[3]) {
    la::cross(vec1, vec2, vec_product);
}

KXAPI void KX_VEC3_triple(const double vec1[3], const double vec2[3], const double vec3[3], double* triple_product) {
    double c[3];
    la::cross(vec2, vec3, c);
    *triple_product = la::dot<3>(vec1, c);
}

KXAPI void KX_VEC3_mag(const double vec[3], double* magnitude) { *magnitude = std::sqrt(la::dot<3>(vec, vec)); }

KXAPI void KX_VEC3_distance(const double pt1[3], const double pt2[3], double* distance) {
    *distance = std::sqrt(la::distance_sq<3>(pt1, pt2));
}

KXAPI void KX_VEC3_copy(const double vec_src[3], double vec_dst[3]) { la::store<3>(la::load<3>(vec_src), vec_dst); }

KXAPI int KX_VEC3_is_equal(const double vec1[3], const double vec2[3], double tolerance, int* result) {
    return is_equal<3>(vec1, vec2, tolerance, result);
}

KXAPI int KX_VEC3_is_zero(const double vec[3], double tolerance, int* result) { return is_zero<3>(vec, tolerance, result); }

KXAPI int KX_VEC3_distance_to_plane(const double pt[3], const double plane_pt[3], const double plane_normal[3],
                              double tolerance, double* distance) {
    const double nn = la::dot<3>(plane_normal, plane_normal);
    if (nn <= tolerance * tolerance) {
        *distance = 0.0;
        return 1;
    }
    double d[3];
    la::combine<3>(1.0, pt, -1.0, plane_pt, d);
    *distance = la::dot<3>(d, plane_normal) / std::sqrt(nn);
    return 0;
}

KXAPI void KX_VEC3_angle_between(const double vec1[3], const double vec2[3], const double reference[3], double* angle) {
    kx::guarded([&] { *angle = VEC3_angle_between(vec1, vec2, reference); });
}

KXAPI int KX_VEC3_unitize(const double vec[3], double tolerance, double* magnitude, double unit_vec[3]) {
    return kx::guarded([&] { return flag(VEC3_unitize(vec, tolerance, magnitude, unit_vec)); });
}

KXAPI int KX_VEC3_ask_perpendicular(const double vec[3], double perp_vec[3]) {
    return kx::guarded([&] { return VEC3_ask_perpendicular(vec, perp_vec); });
}

KXAPI int KX_VEC3_is_parallel(const double vec1[3], const double vec2[3], double tolerance, int* result) {
    return kx::guarded([&] { return answer(result, VEC3_is_parallel(vec1, vec2, tolerance) != 0); });
}

KXAPI int KX_VEC3_is_perpendicular(const double vec1[3], const double vec2[3], double tolerance, int* result) {
    return kx::guarded([&] { return answer(result, VEC3_is_perpendicular(vec1, vec2, tolerance) != 0); });
}

KXAPI void KX_VEC3_vec2(const double vec_3d[3], double vec_2d[2]) { la::store<2>(la::load<2>(vec_3d), vec_2d); }

KXAPI void KX_VEC3_vec4(const double vec_3d[3], double vec_4d[4]) { la::homogen(vec_3d, 1.0, vec_4d); }

KXAPI void KX_VEC3_vec4_homogen(const double vec_3d[3], double weight, double vec_4d[4]) {
    la::homogen(vec_3d, weight, vec_4d);
}

/* ---- 4D ---- */

KXAPI void KX_VEC4_copy(const double vec_src[4], double vec_dst[4]) { la::store<4>(la::load<4>(vec_src), vec_dst); }

KXAPI void KX_VEC4_scale(double scale, const double vec[4], double vec_scaled[4]) { la::scale<4>(scale, vec, vec_scaled); }

KXAPI int KX_VEC4_is_equal(const double vec1[4], const double vec2[4], double tolerance, int* result) {
    return within3(vec1, vec2, tolerance, result);
}

KXAPI int KX_VEC4_is_zero(const double vec[4], double tolerance, int* result) {
    return within3(vec, nullptr, tolerance, result);
}

KXAPI void KX_VEC4_vec3(const double vec_4d[4], double vec_3d[3]) { la::store<3>(la::load<3>(vec_4d), vec_3d); }

KXAPI void KX_VEC4_vec3_homogen(const double vec_4d[4], double vec_3d[3]) {
    const double w = vec_4d[3];
    const double r[3] = {vec_4d[0] / w, vec_4d[1] / w, vec_4d[2] / w};
    la::store<3>(la::load<3>(r), vec_3d);
}

}  // extern "C"
