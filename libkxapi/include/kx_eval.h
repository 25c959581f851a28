/* Curve evaluators: evaluate any curve or edge of the model through an
 * opaque handle, without knowing its kind (points and derivatives, unit
 * tangent, normal and binormal, closest point, parameter limits,
 * periodicity, and the defining data of lines, arcs, conics and splines);
 * and the curve record with its data flattened into one array.
 *
 * An evaluator lives from KX_EVAL_initialize (or KX_EVAL_copy) to
 * KX_EVAL_free. A handle that is not live (never made, or freed already)
 * is refused like a null one. Arrays handed out (knots, control points,
 * flattened data) are the caller's to free with KX_free.
 *
 * Parameters: a line's is the distance from its start; an arc's and an
 * ellipse's the angle in radians; a parabola's its ordinate in its own
 * axes; a hyperbola's t, with the point center + k1 cosh t x_axis +
 * k2 sinh t y_axis; a spline's its knot values.
 */
#ifndef KX_EVAL_H
#define KX_EVAL_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Opaque handle of a curve evaluator (also the curve record of
 * KX_CURVE_ask_curve_struct); 0 names none. */
typedef unsigned int evaluator;

/* Most derivatives KX_EVAL_evaluate computes in one call. */
#define KX_EVAL_MAX_DERIVATIVES 16

typedef struct eval_line_data_s {
    double start[3];
    double end[3];
    double direction[3]; /* unit, from start to end */
    double length;
} eval_line_data;

typedef struct eval_arc_data_s {
    int is_periodic;  /* 1 for a full circle */
    double limits[2]; /* start and end angle */
    double center[3];
    double radius;
    double x_axis[3]; /* angle 0 */
    double y_axis[3]; /* angle pi/2 */
} eval_arc_data;

typedef struct eval_ellipse_data_s {
    int is_periodic;
    double limits[2]; /* angles */
    double center[3];
    double major; /* semi-axis along x_axis */
    double minor; /* semi-axis along y_axis */
    double x_axis[3];
    double y_axis[3];
} eval_ellipse_data;

typedef struct eval_parabola_data_s {
    double limits[2];
    double center[3]; /* the vertex */
    double k1;        /* focal length */
    double x_axis[3]; /* the parabola opens along it */
    double y_axis[3];
} eval_parabola_data;

typedef struct eval_hyperbola_data_s {
    double limits[2];
    double center[3];
    double k1; /* real semi-axis, along x_axis */
    double k2; /* imaginary semi-axis, along y_axis */
    double x_axis[3];
    double y_axis[3];
} eval_hyperbola_data;

typedef struct eval_spline_data_s {
    logical is_rational;
    logical is_periodic;
    int order;
    int num_knots;
    int num_control_pts;
} eval_spline_data;

KXAPI int KX_EVAL_initialize(tag curve, evaluator* evaluator_out);
/* A new evaluator of the same curve. */
KXAPI int KX_EVAL_copy(evaluator evaluator_in, evaluator* evaluator_out);
KXAPI int KX_EVAL_free(evaluator evaluator_in);

KXAPI int KX_EVAL_ask_limits(evaluator evaluator_in, double limits[2]);
KXAPI int KX_EVAL_is_periodic(evaluator evaluator_in, logical* is_periodic);

/* The point and n_derivatives derivatives (3 n_derivatives doubles; may be
 * NULL when n_derivatives is 0). n_derivatives runs from 0 to
 * KX_EVAL_MAX_DERIVATIVES. */
KXAPI int KX_EVAL_evaluate(evaluator evaluator_in, int n_derivatives, double parameter, double point[3],
                           double* derivatives);
KXAPI int KX_EVAL_evaluate_unit_vectors(evaluator evaluator_in, double parameter, double point[3], double tangent[3],
                                        double normal[3], double binormal[3]);
KXAPI int KX_EVAL_evaluate_closest_point(evaluator evaluator_in, const double reference[3], double* parameter,
                                         double closest_point[3]);
KXAPI int KX_EVAL_is_equal(evaluator evaluator_in, evaluator other, logical* is_equal);

KXAPI int KX_EVAL_is_line(evaluator evaluator_in, logical* is_line);
KXAPI int KX_EVAL_is_arc(evaluator evaluator_in, logical* is_arc);
KXAPI int KX_EVAL_is_ellipse(evaluator evaluator_in, logical* is_ellipse);
KXAPI int KX_EVAL_is_parabola(evaluator evaluator_in, logical* is_parabola);
KXAPI int KX_EVAL_is_hyperbola(evaluator evaluator_in, logical* is_hyperbola);
KXAPI int KX_EVAL_is_spline(evaluator evaluator_in, logical* is_spline);

/* Defining data; an evaluator of another curve type is refused (1105004). */
KXAPI int KX_EVAL_ask_line(evaluator evaluator_in, eval_line_data* data);
KXAPI int KX_EVAL_ask_arc(evaluator evaluator_in, eval_arc_data* data);
KXAPI int KX_EVAL_ask_ellipse(evaluator evaluator_in, eval_ellipse_data* data);
KXAPI int KX_EVAL_ask_parabola(evaluator evaluator_in, eval_parabola_data* data);
KXAPI int KX_EVAL_ask_hyperbola(evaluator evaluator_in, eval_hyperbola_data* data);
KXAPI int KX_EVAL_ask_spline(evaluator evaluator_in, eval_spline_data* data);
/* New arrays: the knots; the control points, four doubles each in
 * weighted form (w x, w y, w z, w). */
KXAPI int KX_EVAL_ask_spline_knots(evaluator evaluator_in, int* n_knots, double** knots);
KXAPI int KX_EVAL_ask_spline_control_pts(evaluator evaluator_in, int* n_points, double** points);

/* ---- Curve record and flattened curve data ---- */

/* The curve record of a curve: the same as KX_EVAL_initialize. */
KXAPI int KX_CURVE_ask_curve_struct(tag curve, evaluator* curve_struct);
/* Frees it: the same as KX_EVAL_free. */
KXAPI int KX_CURVE_free_curve_struct(evaluator curve_struct);
/* The record's entity type (2 point, 3 line, 5 arc, 6 conic, 9 spline) and
 * its data as one new array. Except for a point it starts with the head
 * {parameter start, parameter span, periodic flag}; then
 *   point:  [0..2] the position (no head);
 *   line:   [3..5] the point at the lower end of the range, [6..8] the one
 *           at the upper end;
 *   arc:    [3] start angle, [4] end angle, [5] radius, [6..8] center,
 *           [9..11] X axis, [12..14] Y axis;
 *   conic:  [3..6] the conic's four values, [7] its subtype, [8..16] center,
 *           X axis, Y axis; for a hyperbola [3] and [4] are angles of the
 *           form atan(ordinate / k2) + 2 pi, [5] k1 and [6] k2, and the head
 *           is given in those angles;
 *   spline: [3] pole count n, [4] order k, [5 .. 4 + n + k] the knots, then
 *           the poles, four values each (w x, w y, w z, w).
 * Entity types other than these give 875033 after the type is stored. */
KXAPI int KX_CURVE_ask_curve_struct_data(evaluator curve_struct, int* type, double** data);

KX_END_DECLS

#endif
