/* The host's B-curve service: spline entities (entity type 9) and the
 * spline work done on the solid kernel's spline tools (knot insertion and
 * removal, segments, interpolation with derivative conditions); curves made
 * from the kernel's edges and faces (an edge's curve, iso-parameter curves
 * of a face's surface).
 *
 * Spline data, as the interface hands it over: n poles of four doubles in
 * weighted form (w x, w y, w z, w), n + k knots (k the order), non-decreasing.
 * A knot held k times at an end of the range clamps the curve there: the
 * poles beyond it (and their knots) are dropped from the kernel's curve.
 * Held k times within the range it breaks the curve, which a spline entity
 * cannot hold: BC_ERR_KNOTS.
 * The unweighted form (BCEV_bcurve_t) keeps the poles as (x, y, z, w).
 *
 * States. Repairs and smoothing report what they changed in a state list:
 * a host state code with three values. Codes:
 *    4  a knot was removed (value: the knot)
 *    9  the parameter map of a repair: t -> a t + b (values a, b)
 *   12  a pole of a degenerate stretch was removed (value: its index)
 *   16  the ends were clamped (values: start, end)
 *   24  a knot was smoothed to the continuity asked (values: knot, deviation
 *       over the tolerance, 0)
 *   28  a knot could not be smoothed within the tolerance (values: knot,
 *       the deviation it would take over the tolerance, 0)
 * A list holds at most BC_MAX_STATES entries; further states are dropped.
 *
 * Defining data of a spline through points: the degree, periodic flag,
 * points with slopes and curvatures and their parameters. Host slope types:
 *   0  the direction given; the length is chosen from the chord lengths.
 *      A zero vector gives no direction: the points give it (the chord
 *      from the point before to the point after, the end chord at an open
 *      end)
 *   1  the slope vector as given: the derivative at the point
 *   2  the slope as a derivative per unit chord length (the vector times
 *      the total chord length of the points)
 *   6  no slope
 * Host curvature types: 1 the second derivative as given; 0 a second
 * derivative per unit chord length squared; 2 none. A spline keeps its
 * defining data when made with them; it is in sync while its poles are
 * those its defining data give.
 *
 * Fitting codes (BCRVFIT_check_integer_data, BCURVE_convert_to_bcdf,
 * BCEV_create_exact, BC_edit_exact, BCDF_check_defining_data): the
 * BC_FIT_ codes below.
 *
 * Checks: a null pointer raises HOST_ERR_NULL_ARGUMENT, a dead tag
 * HOST_ERR_DEAD_TAG, an object that is no spline HOST_ERR_WRONG_CLASS; a
 * failure inside the kernel's tools a code of the kernel band.
 */
#ifndef HOST_KERNEL_SPLINES_H
#define HOST_KERNEL_SPLINES_H

#include "host/base/services/codes.h"

/* The B-curve service's own codes. */
#define HOST_SPLINE_CODES(X)                                                                                          \
    X(BC_ERR_ORDER, 1005301) /* order below 2 or above 25, or fewer poles than the order */                           \
    X(BC_ERR_WEIGHT, 1005302) /* a weight not above 1e-10 */                                                          \
    /* knots decreasing, repeated more than the order, an empty range, or a knot held order times within the range */ \
    X(BC_ERR_KNOTS, 1005303)                                                                                          \
    X(BC_ERR_VALUE, 1005304) /* a value is not finite */                                                              \
    X(BC_ERR_DEGEN, 1005305) /* the poles collapse into one point */                                                  \
    /* Fitting codes. */                                                                                              \
    X(BC_FIT_TOO_FEW_POINTS, 1005309) /* fewer conditions than the degree needs */                                    \
    X(BC_FIT_COINCIDENT, 1005310) /* two successive points coincide */                                                \
    X(BC_FIT_PARAMETERS, 1005311) /* parameters not increasing */                                                     \
    X(BC_FIT_DEGREE, 1005315) /* degree not possible (above 24, or periodic not cubic) */                             \
    X(BC_FIT_SLOPES, 1005317) /* a slope vector (types 1, 2) of zero length */                                        \
    X(BC_FIT_CURVATURE_SLOPE, 1005318) /* a curvature without a slope at its point */                                 \
    X(BC_FIT_SLOPE_TYPE, 1005319) /* an unknown slope or curvature type */                                            \
    X(BC_FIT_PERIODIC_CURV, 1005320) /* curvatures on a periodic spline */                                            \
    X(BC_FIT_PERIODIC, 1005321) /* a periodic spline through fewer than three points */                               \
    X(BC_FIT_FAILED, 1005322) /* the kernel's interpolation found no spline */                                        \
    /* Codes of least-squares fitting. */                                                                             \
    X(BC_FIT_ORDER_POINTS, 1005202) /* the order needs more points than there are */                                  \
    X(BC_FIT_ORDER_SLOPES, 1005203) /* slopes on a spline of order 2 */
HOST_BARE_CODE_CONSTANTS(HOST_SPLINE_CODES);

#define BC_MAX_STATES 64
#define BC_MAX_ORDER  25

#define BC_SLOPE_DIRECTION 0
#define BC_SLOPE_VECTOR    1
#define BC_SLOPE_PER_CHORD 2
#define BC_SLOPE_NONE      6
#define BC_CURV_PER_CHORD  0
#define BC_CURV_VECTOR     1
#define BC_CURV_NONE       2

typedef struct BC_state_s {
    int code;
    double value[3];
} BC_state_t;

typedef struct BC_states_s {
    int count;
    BC_state_t entry[BC_MAX_STATES];
} BC_states_t;

/* A B-curve in unweighted form; the arrays come from SM_alloc
 * (BCEV_free_bcurve frees them). */
typedef struct BCEV_bcurve_s {
    int n;
    int order;
    double* poles; /* n x (x, y, z, w) */
    double* knots; /* n + order */
} BCEV_bcurve_t;

/* One point of a spline through points, in the host's types. */
typedef struct BC_df_point_s {
    double point[3];
    int slope_type;
    double slope[3];
    int curvature_type;
    double curvature[3];
} BC_df_point_t;

/* Defining data; arrays from SM_alloc (BCDF_free_structure frees them).
 * A periodic spline's last point repeats the first (points holds it). */
typedef struct BC_df_s {
    int degree;
    int periodic;
    int n_points;
    BC_df_point_t* points;
    double* parameters; /* one per point */
} BC_df_t;

/* A least-squares fit: points with weights, end slopes, the order, and a
 * tolerance or a number of segments (SM_alloc'ed with its arrays: a memory
 * mark releases it). */
typedef struct BC_fit_s {
    int n_points;
    double* points;  /* 3 per point */
    double* weights; /* 1 per point */
    double tolerance;
    int segments; /* 0: as many as the tolerance needs */
    int order;
    int slope_at[2]; /* start, end slope given */
    double slope[2][3];
} BC_fit_t;

/* What a fit made: the spline, the largest distance of a point from it and
 * that point's number (from 1). */
typedef struct BC_fit_result_s {
    unsigned int curve;
    double max_error;
    int max_index;
} BC_fit_result_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- B-curve data ---- */
/* 0 when order, pole count and weights make a B-curve (range, when not
 * null, must be increasing), else a BC_ERR_ code. */
int BCURVE_validate_bcurve_data(const double* range, int order, int n, const double* poles);
/* A new spline entity in the work part from the data; *spline 0 and a
 * BC_ERR_ code answered when the kernel takes no curve of them. range is
 * the part of the curve wanted (null: all). */
int BC_create_bcurve(const double* range, int order, int n, const double* knots, const double* poles,
                     unsigned int* spline, BC_states_t* states);
/* The same from poles (x, y, z, w) that may need its knots fixed up (knot_fix) or
 * its weights checked (pole_fix): answers 0 with the curve made, 1 when a
 * fix-up changed the data (the curve is made), or raises. */
int BC_create_nurb(int n, int order, const double* knots, const double* poles, unsigned int* spline, int knot_fix,
                   int pole_fix);
/* Pole count and order of a spline (old numbered routine). */
void es0911_(const unsigned int* spline, int* n, int* order);
/* Its poles (weighted, 4 doubles each) and knots into the caller's arrays. */
void es0910_(const unsigned int* spline, double* poles, double* knots);
void BCEV_free_states(BC_states_t* states);

/* ---- Repair and smoothing (unweighted form) ---- */
/* Maps the knots onto [0, 1] when their range is another: answers 1 with
 * t' = scale t + offset, else 0 (knots unchanged). */
int BCEV_normalize_knots(int order, int n, double* knots, double* scale, double* offset);
/* The unweighted form of weighted data (new arrays). */
void BCEV_from_bcurve_data_uw(int order, int n, const double* knots, const double* poles, BCEV_bcurve_t* curve);
void BCEV_free_bcurve(BCEV_bcurve_t* curve);
/* Snaps knots closer than the tolerance, then removes every interior knot
 * that the curve can do without within the tolerance; 0 on success, 1 when
 * the order or pole count is invalid. */
int BCEV_fix_bcurve_knots_uw(BCEV_bcurve_t* curve, double tolerance, BC_states_t* states);
/* Removes poles of degenerate stretches (a pole within the tolerance of
 * the one before) where the curve can do without them; 0, or 1 when the
 * poles collapse into one point. */
int BCEV_fix_bcurve_degen_uw(BCEV_bcurve_t* curve, double tolerance, BC_states_t* states);
/* The curve's parameter range when its end knots are not clamped (answers
 * 1), else 0. */
int BCEV_ask_bcurve_limits(const BCEV_bcurve_t* curve, double* start, double* end);
/* Clamps the ends at the limits (the curve between them). */
void BCEV_clamp_bcurve_ends_uw(BCEV_bcurve_t* curve, double start, double end, BC_states_t* states);
/* Raises the continuity at the interior knots to `continuity` where the
 * curve stays within the tolerance (the root mean square of the three
 * values); options 0 and 1 are kept for the host's modes (unused). 0, or 1
 * when a knot could not be smoothed. */
int BCEV_smooth_bcurve_data_uw(int continuity, const double tolerance[3], int option1, int option2,
                               BCEV_bcurve_t* curve, BC_states_t* states);

/* ---- Splines through points ---- */
int BCRVFIT_check_integer_data(int degree, int periodic, int n_points, int n_slopes, int n_curvatures);
/* Defining data from the points (copied; parameters null: chord lengths
 * over [0, 1]); 0 or a fitting code (and *df empty). */
int BCURVE_convert_to_bcdf(int degree, int periodic, int n_points, const BC_df_point_t* points,
                           const double* parameters, BC_df_t* df);
/* Slopes and curvatures in the host's form (direction-only slopes get
 * their length). */
void BCDF_update_slopes(BC_df_t* df);
void BCDF_update_curvatures(BC_df_t* df);
void BCDF_free_structure(BC_df_t* df);
/* The kernel's interpolation of the defining data: an unweighted curve;
 * 0 or a fitting code. */
int BCEV_create_exact(const BC_df_t* df, BCEV_bcurve_t* curve);
/* A new spline from the curve, keeping the defining data when keep. */
void BC_generate_eid(const BC_df_t* df, const BCEV_bcurve_t* curve, int keep, unsigned int* spline);
/* The spline's defining data (copies), *found 0 when it has none. */
void BC_read_df_data_internal(unsigned int spline, BC_df_t* df, int* found);
int BCDF_check_defining_data(const BC_df_t* df);
/* Replaces the spline's curve by the interpolation of the data; keeps them
 * as its defining data when keep, else drops its defining data. 0 or a
 * fitting code. */
int BC_edit_exact(const BC_df_t* df, unsigned int spline, int regenerate, int keep);
/* 1 when the spline's poles are not those its defining data give. */
int BC_is_spline_out_of_sync(unsigned int spline);
/* Sets (1) or clears (0) the spline's out-of-sync flag. */
void es0929sync(unsigned int spline, int out_of_sync);
/* Number of defining points kept with the spline (0: none). */
int es0918np_(const unsigned int* spline);

/* ---- Least-squares fitting ---- */
/* A fit definition of n points (dimension 3; `clamped` 1 keeps the end
 * points): order 4, tolerance 1e-3, weights 1. */
void BCDF_create_df_from_pts(const double* points, int n, int dimension, int clamped, BC_fit_t** fit);
void BCDF_change_tolerance(BC_fit_t* fit, double tolerance);
void BCDF_change_number_of_segments(BC_fit_t* fit, int segments);
/* The weight of point `index` (from 0). */
void BCDF_replace_weight(BC_fit_t* fit, int index, double weight);
/* A slope (kind 1: a direction whose length follows the fit) at point 0
 * or at the last point. */
void BCDF_change_slope(BC_fit_t* fit, int kind, const double slope[3], int index);
/* Raises BC_FIT_ORDER_POINTS or BC_FIT_ORDER_SLOPES for an order the
 * points and slopes do not allow. */
void BCDF_change_order(BC_fit_t* fit, int order);
/* The fitted spline (a new entity) with its error; *flag 1 when the
 * tolerance was not met with as many segments as the points allow (the
 * spline is made all the same). */
void BC_create_fitted(const BC_fit_t* fit, int create, BC_fit_result_t* result, int* flag);

/* ---- Curves from modelling objects ---- */
/* A new spline (or line or arc, as the edge's curve is) copy of a kernel
 * edge's curve over the edge; *error 1 when the edge has no curve. */
void pxedcu_(const unsigned int* edge, unsigned int* curve, int* error);
/* A temporary curve copied from a kernel edge within the tolerance (as
 * pxedcu_); *error 1 when the edge has no curve. */
void kfp_edge(unsigned int edge, double tolerance, unsigned int* curve, int* error);
/* The curves replaced by lines and arcs within the tolerance (each curve
 * in turn, from its start to its end): new entities, *segments from
 * SM_alloc. Answers 0, or 1 (nothing made) for a curve the host cannot
 * evaluate or one that needs pieces finer than it makes. */
int CRV_SIMP_simplify_curves(int n, const unsigned int* curves, double tolerance, int* count, unsigned int** segments);
/* The face's parameter ranges {u0, u1, v0, v1} from the kernel. */
void SRFCRV_ask_face_ranges(unsigned int face, double ranges[4]);
/* Iso-parameter curves of the face's surface at the parameter in direction
 * 1 (u constant) or 2 (v constant), trimmed to the face: the pieces inside
 * the face as new splines (exact where the kernel's iso curve is a
 * B-curve, else its spline form within the tolerance). *curves from
 * SM_alloc; *error 0, 901 when the parameter misses the face, 1 when the
 * kernel gives no curve. */
void SRFCRV_create_iso_curves(unsigned int face, int direction, double parameter, int trim, double tolerance,
                              unsigned int** curves, int* count, int* error);

/* Isoclines: the curves of the face where the angle between the face's
 * normal and the direction is `angle` (radians), traced on the face's
 * parameter grid and refined onto the curve, each fitted by a spline
 * within the tolerance (degree 5 with quintic 1, else 3). *curves from
 * SM_alloc; *error 0, 901 when the face has no such curve, 1 when the
 * kernel fails. */
void SRFCRV_create_isocline_curves(unsigned int face, const double direction[3], double angle, double tolerance,
                                   int quintic, int trim, unsigned int** curves, int* count, int* error);
/* 1 when the spline crosses or touches itself away from neighbouring
 * stretches (the kernel's extrema between its pieces), else 0. */
int CMP_is_self_intersect_curve(unsigned int spline);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
