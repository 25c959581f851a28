/* Plane geometry routines of the host's mathematics library used by the
 * curve functions: angles, tolerant comparison, 2x2 linear systems, taking a
 * point into a frame, and the classification of a general second-degree
 * curve A x^2 + B x y + C y^2 + D x + E y + F = 0 into a conic in standard
 * form, with the builders of the thirteen conic values (below).
 *
 * Standard data d of a classified conic (thirteen doubles):
 *   d0, d1  center (ellipse, hyperbola) or vertex (parabola);
 *   d2, d3  k1 and k2 (parabola: d3 is 0);
 *   d4, d5  start and end parameter: for an ellipse the polar angles of the
 *           end points about the center, measured from the conic's u axis
 *           (the builder turns them into the ellipse's own angles); for a
 *           parabola and a hyperbola the v coordinates of the end points;
 *   d6      the rotation of the conic's u axis from the plane's X axis;
 *   d7      the plane's height;
 *   d8..d12 unused (0).
 * The conics have these shapes in their own axes (u, v): ellipse u = k1 cos t,
 * v = k2 sin t; parabola v^2 = k1 u; hyperbola u^2/k1^2 - v^2/k2^2 = 1.
 * Nothing here raises or keeps state.
 */
#ifndef HOST_NUMERIC_CONICS_H
#define HOST_NUMERIC_CONICS_H

/* Conic kinds (k0680_'s *type; also the subtypes of the host's conic
 * entities). */
#define HOST_CONIC_ELLIPSE   2
#define HOST_CONIC_PARABOLA  3
#define HOST_CONIC_HYPERBOLA 4

/* Indices of the thirteen conic values. */
#define CONIC_V_START     0
#define CONIC_V_END       1
#define CONIC_V_HEIGHT    2
#define CONIC_V_START_X   3
#define CONIC_V_START_Y   4
#define CONIC_V_END_X     5
#define CONIC_V_END_Y     6
#define CONIC_V_CENTER_X  7
#define CONIC_V_CENTER_Y  8
#define CONIC_V_K1        9
#define CONIC_V_K2        10
#define CONIC_V_SIN       11
#define CONIC_V_COS       12
#define CONIC_VALUE_COUNT 13

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Angle of the direction (x, y) from the X axis, in [0, 2 pi); 0 for (0, 0). */
double h053_(double y, double x);
/* 1 when a and b are equal within the tolerance of the class (class 1:
 * 1e-10 relative to the larger magnitude, at least 1e-10 absolute; class 2:
 * 1e-6 likewise), else 0. */
int h805_(double a, double b, int tolerance_class);
/* Solves a1 x + b1 y = e1, a2 x + b2 y = e2: answers 2 with the one
 * solution, 1 when the equations are the same line (x, y untouched), 0 when
 * they have no common solution. */
int h601_(const double* a1, const double* b1, const double* e1, const double* a2, const double* b2, const double* e2,
          double* x, double* y);
/* The point in the frame of the matrix (rows X, Y, Z): out = M p. */
void h100_(const double point[3], const double matrix[9], double out[3]);
/* The transpose (the inverse of an orientation). */
void h110_(const double matrix[9], double out[9]);

/* Classifies the six coefficients (A .. F): *status 0 and *type 2
 * (ellipse), 3 (parabola) or 4 (hyperbola) with the standard data d; a
 * nonzero *status when they describe no proper conic (no quadratic terms,
 * an imaginary or point ellipse, a pair of lines). */
void k0680_(const double coefficients[6], int* status, int* type, double d[13]);
/* Thirteen conic values of an ellipse, parabola and hyperbola from d. */
void k0671_(const double d[13], double values[13]);
void k0672_(const double d[13], double values[13]);
void k0673_(const double d[13], double values[13]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace hostnum {
// The point of a conic of the kind at parameter t, from its thirteen values
// (the shapes above), in the frame the values are given in.
void conic_point(const double values[CONIC_VALUE_COUNT], int type, double t, double out[3]);
}  // namespace hostnum
#endif

#endif
