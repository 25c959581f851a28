/* Matrices and vectors: a small linear-algebra kit on plain arrays of doubles.
 *
 * Vectors have 2, 3 or 4 components. Matrices are row-major: a 2x2 matrix
 * is 4 doubles (rows: X axis, Y axis); a 3x3 matrix is 9 doubles whose rows
 * are the X, Y and Z axes of an orientation; a 4x4 matrix is 16 doubles with
 * the rotation rows in elements 0-2, 4-6 and 8-10, the translation in 3, 7
 * and 11, zeros in 12-14 and the scale in 15. "m v" takes the rows of m
 * against v, "m^T v" its columns.
 *
 * These functions keep no state, need no initialisation of the interface and
 * never allocate. An output may be the same array as an input, except for
 * KX_VEC3_cross. Return values:
 *  - functions building a matrix or unit vector (KX_MTX2_initialize,
 *    KX_MTX3_initialize*, KX_VEC*_unitize, KX_VEC2_components): 0 on
 *    success, 1 when the input gives no result;
 *  - KX_MTX3/4_multiply*, *_ortho_normalize, KX_MTX3_rotate_about_axis,
 *    KX_MTX4_invert and KX_VEC*_ask_perpendicular: 0 on success, non-zero
 *    when the input gives no result (a singular or degenerate input);
 *  - KX_MTX4_rotation, KX_MTX4_mirror, KX_MTX4_csys_to_csys: 0, or 875053
 *    when the input gives no transform; KX_MTX4_scaling: always 0;
 *  - the tests (is_equal, is_zero, is_parallel, is_perpendicular): the flag
 *    that is also stored through the last argument.
 */
#ifndef KX_MTX_H
#define KX_MTX_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* ---- 2x2 matrices ---- */
KXAPI void KX_MTX2_copy(const double mtx_src[4], double mtx_dst[4]);
KXAPI void KX_MTX2_determinant(const double mtx[4], double* determinant);
KXAPI void KX_MTX2_identity(double mtx[4]);
/* Unit X, and Y made perpendicular to it; 1 when x is zero or y parallel. */
KXAPI int KX_MTX2_initialize(const double x_vec[2], const double y_vec[2], double mtx[4]);
/* mtx_product = mtx_2 mtx_1 (multiply_t: mtx_2 mtx_1^T). */
KXAPI void KX_MTX2_multiply(const double mtx_1[4], const double mtx_2[4], double mtx_product[4]);
KXAPI void KX_MTX2_multiply_t(const double mtx_1[4], const double mtx_2[4], double mtx_product[4]);
KXAPI void KX_MTX2_transpose(const double mtx[4], double mtx_transpose[4]);
KXAPI void KX_MTX2_vec_multiply(const double vec[2], const double mtx[4], double vec_product[2]);
KXAPI void KX_MTX2_vec_multiply_t(const double vec[2], const double mtx[4], double vec_product[2]);
KXAPI void KX_MTX2_x_vec(const double mtx[4], double x_vec[2]);
KXAPI void KX_MTX2_y_vec(const double mtx[4], double y_vec[2]);

/* ---- 3x3 matrices ---- */
KXAPI void KX_MTX3_copy(const double mtx_src[9], double mtx_dst[9]);
KXAPI void KX_MTX3_determinant(const double mtx[9], double* determinant);
KXAPI void KX_MTX3_identity(double mtx[9]);
/* Orientation with X along x_vec and Y in the plane of x_vec and y_vec. */
KXAPI int KX_MTX3_initialize(const double x_vec[3], const double y_vec[3], double mtx[9]);
KXAPI int KX_MTX3_initialize_x(const double x_vec[3], double mtx[9]);
KXAPI int KX_MTX3_initialize_z(const double z_vec[3], double mtx[9]);
KXAPI void KX_MTX3_mtx4(const double mtx_3d[9], double mtx_4d[16]);
KXAPI int KX_MTX3_multiply(const double mtx_1[9], const double mtx_2[9], double mtx_product[9]);
KXAPI int KX_MTX3_multiply_t(const double mtx_1[9], const double mtx_2[9], double mtx_product[9]);
KXAPI int KX_MTX3_ortho_normalize(double mtx[9]);
/* Rotation by angle (radians, right hand) about rotation_axis. */
KXAPI int KX_MTX3_rotate_about_axis(const double rotation_axis[3], double angle, double mtx[9]);
KXAPI void KX_MTX3_transpose(const double mtx[9], double mtx_transpose[9]);
KXAPI void KX_MTX3_vec_multiply(const double vec[3], const double mtx[9], double vec_product[3]);
KXAPI void KX_MTX3_vec_multiply_t(const double vec[3], const double mtx[9], double vec_product[3]);
KXAPI void KX_MTX3_x_vec(const double mtx[9], double x_vec[3]);
KXAPI void KX_MTX3_y_vec(const double mtx[9], double y_vec[3]);
KXAPI void KX_MTX3_z_vec(const double mtx[9], double z_vec[3]);

/* ---- 4x4 matrices ---- */
KXAPI void KX_MTX4_initialize(double scale, const double translation[3], const double rotation[9], double mtx[16]);
KXAPI void KX_MTX4_ask_rotation(const double mtx[16], double rotation[9]);
KXAPI void KX_MTX4_edit_rotation(double mtx[16], const double rotation[9]);
KXAPI void KX_MTX4_ask_translation(const double mtx[16], double translation[3]);
KXAPI void KX_MTX4_edit_translation(double mtx[16], const double translation[3]);
KXAPI void KX_MTX4_ask_scale(const double mtx[16], double* scale);
KXAPI void KX_MTX4_edit_scale(double mtx[16], double scale);
KXAPI void KX_MTX4_copy(const double mtx_src[16], double mtx_dst[16]);
KXAPI void KX_MTX4_identity(double mtx[16]);
KXAPI void KX_MTX4_transpose(const double mtx[16], double mtx_transpose[16]);
KXAPI int KX_MTX4_multiply(const double mtx_1[16], const double mtx_2[16], double mtx_product[16]);
KXAPI int KX_MTX4_multiply_t(const double mtx_1[16], const double mtx_2[16], double mtx_product[16]);
KXAPI int KX_MTX4_ortho_normalize(double mtx[16]);
KXAPI void KX_MTX4_vec_multiply(const double vec[4], const double mtx[16], double vec_product[4]);
KXAPI void KX_MTX4_vec_multiply_t(const double vec[4], const double mtx[16], double vec_product[4]);
/* The point (p, 1) transformed, divided by its fourth component. */
KXAPI void KX_MTX4_vec3_multiply(const double vec[3], const double mtx[16], double vec_product[3]);
KXAPI void KX_MTX4_vec3_multiply_t(const double vec[3], const double mtx[16], double vec_product[3]);
KXAPI void KX_MTX4_x_vec(const double mtx[16], double x_vec[3]);
KXAPI void KX_MTX4_y_vec(const double mtx[16], double y_vec[3]);
KXAPI void KX_MTX4_z_vec(const double mtx[16], double z_vec[3]);
/* Scaling about point by three factors (X, Y, Z). */
KXAPI int KX_MTX4_scaling(const double point[3], const double scale_factors[3], double mtx[16]);
/* Rotation by angle (radians) about the line through point along axis. */
KXAPI int KX_MTX4_rotation(const double point[3], const double axis[3], double angle, double mtx[16]);
/* Reflection in the plane through point with the given normal. */
KXAPI int KX_MTX4_mirror(const double point[3], const double normal[3], double mtx[16]);
/* Carries what lies in the first coordinate system (origin, X and Y
 * directions) to the same place relative to the second. */
KXAPI int KX_MTX4_csys_to_csys(const double from_origin[3], const double from_x_axis[3], const double from_y_axis[3],
                               const double to_origin[3], const double to_x_axis[3], const double to_y_axis[3],
                               double mtx[16]);
KXAPI int KX_MTX4_invert(const double mtx[16], double inverse[16]);

/* ---- 2D vectors ---- */
KXAPI void KX_VEC2_add(const double vec1[2], const double vec2[2], double vec_sum[2]);
KXAPI void KX_VEC2_sub(const double vec1[2], const double vec2[2], double vec_diff[2]);
KXAPI void KX_VEC2_negate(const double vec[2], double vec_negated[2]);
KXAPI void KX_VEC2_scale(double scale, const double vec[2], double vec_scaled[2]);
/* vec + scale * vec_dir */
KXAPI void KX_VEC2_affine_comb(const double vec[2], double scale, const double vec_dir[2], double vec_comb[2]);
/* (1 - parameter) * vec1 + parameter * vec2 */
KXAPI void KX_VEC2_convex_comb(double parameter, const double vec1[2], const double vec2[2], double vec_comb[2]);
KXAPI void KX_VEC2_linear_comb(double scale1, const double vec1[2], double scale2, const double vec2[2],
                               double vec_comb[2]);
KXAPI void KX_VEC2_midpt(const double vec1[2], const double vec2[2], double mid_pt[2]);
KXAPI void KX_VEC2_dot(const double vec1[2], const double vec2[2], double* dot_product);
KXAPI void KX_VEC2_cross(const double vec1[2], const double vec2[2], double* cross_product);
KXAPI void KX_VEC2_mag(const double vec[2], double* magnitude);
KXAPI void KX_VEC2_distance(const double pt1[2], const double pt2[2], double* distance);
KXAPI void KX_VEC2_rotate(const double vec[2], double angle, double vec_rotated[2]);
KXAPI void KX_VEC2_copy(const double vec_src[2], double vec_dst[2]);
KXAPI void KX_VEC2_vec3(const double vec_2d[2], double vec_3d[3]);
KXAPI int KX_VEC2_is_equal(const double vec1[2], const double vec2[2], double tolerance, int* is_equal);
KXAPI int KX_VEC2_is_zero(const double vec[2], double tolerance, int* is_zero);
KXAPI int KX_VEC2_unitize(const double vec[2], double tolerance, double* magnitude, double unit_vec[2]);
/* Splits vec into x_comp * x_dir + y_comp * y_dir. */
KXAPI int KX_VEC2_components(const double vec[2], const double x_dir[2], const double y_dir[2], double tolerance,
                             double* x_comp, double* y_comp);
KXAPI int KX_VEC2_ask_perpendicular(const double vec[2], double perp_vec[2]);
/* Parallel in either sense: |a x b| <= tolerance |a| |b|. */
KXAPI int KX_VEC2_is_parallel(const double vec1[2], const double vec2[2], double tolerance, int* is_parallel);
/* Perpendicular: |a . b| <= tolerance |a| |b|. */
KXAPI int KX_VEC2_is_perpendicular(const double vec1[2], const double vec2[2], double tolerance, int* is_perp);

/* ---- 3D vectors ---- */
KXAPI void KX_VEC3_add(const double vec1[3], const double vec2[3], double vec_sum[3]);
KXAPI void KX_VEC3_sub(const double vec1[3], const double vec2[3], double vec_diff[3]);
KXAPI void KX_VEC3_negate(const double vec[3], double vec_negated[3]);
KXAPI void KX_VEC3_scale(double scale, const double vec[3], double vec_scaled[3]);
KXAPI void KX_VEC3_affine_comb(const double vec[3], double scale, const double vec_dir[3], double vec_comb[3]);
KXAPI void KX_VEC3_convex_comb(double parameter, const double vec1[3], const double vec2[3], double vec_comb[3]);
KXAPI void KX_VEC3_linear_comb(double scale1, const double vec1[3], double scale2, const double vec2[3],
                               double vec_comb[3]);
KXAPI void KX_VEC3_midpt(const double vec1[3], const double vec2[3], double mid_pt[3]);
KXAPI void KX_VEC3_dot(const double vec1[3], const double vec2[3], double* dot_product);
/* vec_product must be neither vec1 nor vec2. */
KXAPI void KX_VEC3_cross(const double vec1[3], const double vec2[3], double vec_product[3]);
/* vec1 . (vec2 x vec3) */
KXAPI void KX_VEC3_triple(const double vec1[3], const double vec2[3], const double vec3[3], double* triple_product);
KXAPI void KX_VEC3_mag(const double vec[3], double* magnitude);
KXAPI void KX_VEC3_distance(const double pt1[3], const double pt2[3], double* distance);
KXAPI void KX_VEC3_copy(const double vec_src[3], double vec_dst[3]);
KXAPI int KX_VEC3_is_equal(const double vec1[3], const double vec2[3], double tolerance, int* is_equal);
KXAPI int KX_VEC3_is_zero(const double vec[3], double tolerance, int* is_zero);
/* Signed distance of pt from the plane; 1 (distance 0) for a zero normal. */
KXAPI int KX_VEC3_distance_to_plane(const double pt[3], const double plane_pt[3], const double plane_normal[3],
                                    double tolerance, double* distance);
/* Angle in [0, 2 pi) from vec1 to vec2, counter-clockwise about reference. */
KXAPI void KX_VEC3_angle_between(const double vec1[3], const double vec2[3], const double reference[3], double* angle);
KXAPI int KX_VEC3_unitize(const double vec[3], double tolerance, double* magnitude, double unit_vec[3]);
KXAPI int KX_VEC3_ask_perpendicular(const double vec[3], double perp_vec[3]);
KXAPI int KX_VEC3_is_parallel(const double vec1[3], const double vec2[3], double tolerance, int* is_parallel);
KXAPI int KX_VEC3_is_perpendicular(const double vec1[3], const double vec2[3], double tolerance, int* is_perp);
KXAPI void KX_VEC3_vec2(const double vec_3d[3], double vec_2d[2]);
KXAPI void KX_VEC3_vec4(const double vec_3d[3], double vec_4d[4]);
KXAPI void KX_VEC3_vec4_homogen(const double vec_3d[3], double weight, double vec_4d[4]);

/* ---- 4D vectors ---- */
KXAPI void KX_VEC4_copy(const double vec_src[4], double vec_dst[4]);
KXAPI void KX_VEC4_scale(double scale, const double vec[4], double vec_scaled[4]);
/* Compares the first three components only. */
KXAPI int KX_VEC4_is_equal(const double vec1[4], const double vec2[4], double tolerance, int* is_equal);
KXAPI int KX_VEC4_is_zero(const double vec[4], double tolerance, int* is_zero);
KXAPI void KX_VEC4_vec3(const double vec_4d[4], double vec_3d[3]);
KXAPI void KX_VEC4_vec3_homogen(const double vec_4d[4], double vec_3d[3]);

KX_END_DECLS

#endif
