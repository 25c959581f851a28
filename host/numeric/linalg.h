// Matrix and vector routines of the host's mathematics library.
//
// Plain arrays of doubles: vectors of 2, 3 or 4 components; matrices
// row-major (mtx2: 4 doubles, mtx3: 9, mtx4: 16 with the rotation rows in
// 0-2, 4-6, 8-10, the translation in 3, 7, 11 and the scale in 15).
// A product "m v" takes the rows of m against v.
//
// Two answer conventions, as callers of this library expect them:
//  - the builders and tests (`*_init*`, `*_unitize`, `VEC2_components`,
//    `*_is_*`) answer non-zero when they succeed or the test holds, 0 when not;
//  - the computing routines (`*_multiply*`, `*_ortho_normalize`,
//    `MTX3_rot_about_axis`, `MTX4_*` transforms, `MTX4_invert`,
//    `VEC*_ask_perpendicular`) answer 0 on success and
//    `NUMERIC_DEGENERATE` when the input cannot give a result.
// Every routine forms its result in local storage before storing it, so an
// output may be the same array as an input. Outputs are left unchanged when
// a routine fails. None of them keeps state or allocates.
#ifndef HOST_NUMERIC_LINALG_H
#define HOST_NUMERIC_LINALG_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Answer of the computing routines for input without a result. */
#define NUMERIC_DEGENERATE 1

/* Tolerance below which a length counts as zero when building frames. */
#define NUMERIC_FRAME_TOLERANCE 1e-10

/* ---- vectors ---- */

/* unit = v / |v| unless |v| <= tolerance; the magnitude (may be NULL) is
 * stored in either case. */
int VEC2_unitize(const double v[2], double tolerance, double* magnitude, double unit[2]);
int VEC3_unitize(const double v[3], double tolerance, double* magnitude, double unit[3]);
/* unit = v / |v|; *ok 1, or 0 (unit untouched) for a zero vector. Null
 * arguments raise HOST_ERR_NULL_ARGUMENT (the older numbered entry). */
void vunt3_(const double v[3], double unit[3], int* ok);

/* Splits v into a x_dir + b y_dir. Fails when a direction is shorter than
 * the tolerance or the two are parallel within it (as a sine). */
int VEC2_components(const double v[2], const double x_dir[2], const double y_dir[2], double tolerance, double* x_comp,
                    double* y_comp);

/* A unit vector at right angles to v; fails for a zero v. In 3D the
 * coordinate axis least aligned with v is taken and made perpendicular. */
int VEC2_ask_perpendicular(const double v[2], double out[2]);
int VEC3_ask_perpendicular(const double v[3], double out[3]);

/* Parallel (either sense) when |a x b| <= tol |a| |b|; perpendicular when
 * |a . b| <= tol |a| |b|. A zero vector is both. */
unsigned char VEC2_is_parallel(const double a[2], const double b[2], double tolerance);
unsigned char VEC3_is_parallel(const double a[3], const double b[3], double tolerance);
unsigned char VEC2_is_perpendicular(const double a[2], const double b[2], double tolerance);
unsigned char VEC3_is_perpendicular(const double a[3], const double b[3], double tolerance);

/* Angle from a to b in [0, 2 pi), counter-clockwise seen from the tip of
 * the reference direction; 0 when a or b is a zero vector. */
double VEC3_angle_between(const double a[3], const double b[3], const double reference[3]);

/* ---- matrices ---- */

/* Orientation from an X direction and a Y direction: both are made unit,
 * Y is made perpendicular to X (and Z = X x Y in 3D). Fails when either is
 * zero or they are parallel. */
int MTX2_init(const double x[2], const double y[2], double out[4]);
int MTX3_init(const double x[3], const double y[3], double out[9]);
/* Orientation with the given X (Z) axis; the other axes follow from
 * VEC3_ask_perpendicular. */
int MTX3_init_x(const double x[3], double out[9]);
int MTX3_init_z(const double z[3], double out[9]);
/* Rows copied as given. */
void MTX3_init_x_y_z(const double x[3], const double y[3], const double z[3], double out[9]);
/* Rows of unit length and mutually perpendicular within 1e-8. */
int MTX3_is_ortho_normal(const double m[9]);

/* out = b a, and out = b a^T. */
int MTX3_multiply(const double a[9], const double b[9], double out[9]);
int MTX3_multiply_t(const double a[9], const double b[9], double out[9]);
int MTX4_multiply(const double a[16], const double b[16], double out[16]);
int MTX4_multiply_t(const double a[16], const double b[16], double out[16]);

/* Gram-Schmidt on the rows (X kept in direction, Y then Z made
 * perpendicular), keeping the handedness. MTX4 works on its rotation rows. */
int MTX3_ortho_normalize(double m[9]);
int MTX4_ortho_normalize(double m[16]);

/* Rotation by angle (radians, right hand) about axis: m v turns v. */
int MTX3_rot_about_axis(double angle, const double axis[3], double out[9]);

/* Transforms applied as KX_MTX4_vec3_multiply does: p' = R p + t.
 * scaling: about the point by the three factors; rotation: about the line
 * through the point along the axis; mirror: in the plane through the point
 * with the normal; csys_to_csys: carries what lies in the first coordinate
 * system (origin, X and Y directions) to the same place in the second. */
int MTX4_scaling(const double point[3], const double factors[3], double out[16]);
int MTX4_rotation(const double point[3], const double axis[3], double angle, double out[16]);
int MTX4_mirror(const double point[3], const double normal[3], double out[16]);
int MTX4_csys_to_csys(const double from_origin[3], const double from_x[3], const double from_y[3],
                      const double to_origin[3], const double to_x[3], const double to_y[3], double out[16]);

/* General inverse with partial pivoting; fails for a singular matrix. */
int MTX4_invert(const double in[16], double out[16]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
