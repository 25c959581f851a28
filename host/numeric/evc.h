/* The host's curve evaluators: a handle through which any curve or edge of
 * the model is evaluated without knowing its kind.
 *
 * EVC_initialize makes an evaluator from a curve entity or an edge that
 * carries a curve (the curve in absolute coordinates, see
 * host/store/entities/curve_entities.h; EVC_initialize is defined with the curve
 * queries, host/store/entities/curve_queries.cpp); evcrvx makes a moved copy of one. Handles are
 * 32-bit numbers, never used twice in a process; EVC_is_live answers whether
 * one is live (made and not yet freed). Evaluators are a service, not model
 * state: undo marks leave them alone, a reset of the host frees them all.
 *
 * Parameters are those of the record (host/numeric/curves.h): a line's is
 * the distance from its start, an arc's and an ellipse's the angle, a
 * parabola's the ordinate v, a hyperbola's t with P = C + a cosh t X + b sinh t Y.
 *
 * Checks: a handle that is not live raises HOST_ERR_BAD_HANDLE; a dead tag
 * HOST_ERR_DEAD_TAG; a live object without a curve HOST_ERR_WRONG_CLASS; a
 * data query for another curve type HOST_ERR_WRONG_CLASS; a null pointer
 * HOST_ERR_NULL_ARGUMENT; a derivative count outside 0 to
 * EVC_MAX_DERIVATIVES, or a parameter where the curve has no tangent (unit
 * vectors), HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_NUMERIC_EVC_H
#define HOST_NUMERIC_EVC_H

#define EVC_MAX_DERIVATIVES 16

/* Defining data of the curve types, as the evaluator answers them. */
typedef struct EVC_line_data_s {
    double start[3];
    double end[3];
    double direction[3]; /* unit, start to end */
    double length;
} EVC_line_data_t;

typedef struct EVC_arc_data_s {
    int is_periodic;
    double limits[2]; /* angles */
    double center[3];
    double radius;
    double x_axis[3];
    double y_axis[3];
} EVC_arc_data_t;

typedef struct EVC_ellipse_data_s {
    int is_periodic;
    double limits[2]; /* angles */
    double center[3];
    double major; /* semi-axis along x_axis */
    double minor; /* semi-axis along y_axis */
    double x_axis[3];
    double y_axis[3];
} EVC_ellipse_data_t;

typedef struct EVC_parabola_data_s {
    double limits[2];
    double vertex[3];
    double focal_length;
    double x_axis[3]; /* the axis the parabola opens along */
    double y_axis[3];
} EVC_parabola_data_t;

typedef struct EVC_hyperbola_data_s {
    double limits[2];
    double center[3];
    double k1; /* real semi-axis, along x_axis */
    double k2; /* imaginary semi-axis, along y_axis */
    double x_axis[3];
    double y_axis[3];
} EVC_hyperbola_data_t;

typedef struct EVC_bcurve_data_s {
    unsigned char is_rational;
    unsigned char is_periodic;
    int order;
    int num_knots;
    int num_control_pts;
} EVC_bcurve_data_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

unsigned int EVC_initialize(unsigned int curve);
/* A new evaluator of the curve moved by p' = R p + t. */
unsigned int evcrvx(unsigned int evaluator, const double rotation[9], const double translation[3]);
void EVC_free(unsigned int evaluator);
int EVC_is_live(unsigned int evaluator);

void EVC_ask_curve_limits(unsigned int evaluator, double limits[2]);
int EVC_is_curve_periodic(unsigned int evaluator);
/* Curve type: 2 line, 3 arc, 4 ellipse, 5 parabola, 6 hyperbola, 8 spline. */
int EVC_ask_curve_type(unsigned int evaluator);

/* Point and n derivatives (3n doubles in derivs, which may be null for n 0). */
void EVC_evaluate(unsigned int evaluator, int n, double parameter, double point[3], double* derivs);
void EVC_evaluate_unit_vectors(unsigned int evaluator, double parameter, double point[3], double tangent[3],
                               double normal[3], double binormal[3]);
void EVC_ask_closest_point(unsigned int evaluator, const double reference[3], double* parameter, double point[3]);
/* The same curve over the same range (within 1e-9). */
int EVC_is_equivalent(unsigned int evaluator, unsigned int other);

void EVC_ask_line_data(unsigned int evaluator, EVC_line_data_t* data);
void EVC_ask_arc_data(unsigned int evaluator, EVC_arc_data_t* data);
void EVC_ask_ellipse_data(unsigned int evaluator, EVC_ellipse_data_t* data);
void EVC_ask_parabola_data(unsigned int evaluator, EVC_parabola_data_t* data);
void EVC_ask_hyperbola_data(unsigned int evaluator, EVC_hyperbola_data_t* data);
void EVC_ask_bcurve_data(unsigned int evaluator, EVC_bcurve_data_t* data);
/* num_knots doubles. */
void EVC_ask_bcurve_knots(unsigned int evaluator, double* knots);
/* num_control_pts poles of four doubles, weighted: (w x, w y, w z, w). */
void EVC_ask_bcurve_control_4(unsigned int evaluator, double* poles);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include "host/base/export.h"
#include "host/numeric/curves.h"

namespace host::evc {

// The record behind a live evaluator (its head is what callers read), or
// null. No host call is journalled.
HOST_API const curve_struct* record(unsigned int evaluator);

// Fixture: an evaluator of the given curve, as if made from an object.
unsigned int make(const hostnum::Curve& curve);

// Number of live evaluators.
int live_count();

}  // namespace host::evc
#endif

#endif
