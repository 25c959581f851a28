/* Curve queries of the host: the class of an object, the old evaluator
 * routines (evcrv*), the curve common block and the routines that work on
 * the curve loaded into it (length, turn angle), curve properties (centroid,
 * inflections), the curve-analysis record, the faces' surfaces, and the
 * intersections of a curve with a curve or a face.
 *
 * Curves are those of host/store/entities/curve_entities.h (and edges carrying one);
 * parameters are those of the host's evaluators (host/numeric/evc.h).
 *
 * Surfaces are those of the faces' kernel surfaces
 * (host/kernel/curves/kernel_surfaces.h: plane, cylinder, cone, sphere, torus),
 * asked through the kernel queries; a face is bounded by its parameter box
 * (umin, umax, vmin, vmax) where a pair with min < max is given, an angle u
 * being taken within [umin, umin + 2 pi). Offset, swept and spun surfaces are
 * outside what this host intersects: HOST_ERR_OUT_OF_SCOPE.
 *
 * A test may script the answer of the three intersection routines
 * (host::control::give_outputs): status, point x y z, parameter, and two
 * more values (the face's u v, or the second curve's parameter).
 *
 * Intersections are the solid kernel's (its curve-surface intersection and
 * its extrema between curves and surfaces) over the curve's range; a curve
 * and a face (or two curves) that meet within 1e-7 count as meeting. A
 * spline is not extended beyond its range (the kernel's splines end where
 * their knots do); a failure of the kernel raises KERNEL_ERR_NO_ANSWER. Among
 * several intersections the one nearest to the reference point is answered
 * (of a curve and a face, the first along the curve among equally near ones).
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, an object
 * without the needed curve or surface HOST_ERR_WRONG_CLASS, a null pointer
 * HOST_ERR_NULL_ARGUMENT, a bad count or option HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_CORE_CURVE_QUERIES_H
#define HOST_CORE_CURVE_QUERIES_H

#include "host/base/services/codes.h"

/* Classes of es0017_. */
#define ES_CLASS_OTHER 0
#define ES_CLASS_CURVE 1
#define ES_CLASS_POINT 2
#define ES_CLASS_BODY  3
#define ES_CLASS_FACE  4
#define ES_CLASS_EDGE  5

/* Doubles of each work buffer of e7009_. */
#define CRV_WORK_DOUBLES 16

/* The curve common block: the curve that e7009_ loaded and its parameter
 * range (lower end first). */
typedef struct CRVCOM_s {
    unsigned int curve;
    int type;
    double t0;
    double t1;
} CRVCOM_t;

/* The curve-analysis record of a curve: 24 words as the host keeps them
 * (words counted from 1). */
typedef struct CRVANL_CARecord_s {
    int show[4];             /* words 1-4 */
    double scale;            /* words 5-6 */
    int density;             /* word 7 */
    int reserved8;           /* word 8 */
    int options[4];          /* words 9-12 */
    unsigned char limits_on; /* word 13 */
    int reserved14;          /* word 14 */
    int limits[3];           /* words 15-17 */
    int reserved18;          /* word 18 */
    int styles[6];           /* words 19-24 */
} CRVANL_CARecord_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern CRVCOM_t crvcom_;

/* Class of an object (ES_CLASS_*): curves are lines, arcs, conics and
 * splines; edges are solid-kernel objects of subtype 3. */
int es0017_(const unsigned int* object);

/* ---- evaluators ---- */
/* Code of the modelling band: the object carries no curve. It is the host's
 * one name of 875033, which the smart objects raise too for an object of
 * another kind. */
#define HOST_EVALUATOR_CODES(X) X(EVC_ERR_NOT_A_CURVE, 875033, "The object is not of the required type")
HOST_CODE_CONSTANTS(HOST_EVALUATOR_CODES);

/* An evaluator of the curve or edge, 0 when it has no curve. */
unsigned int evcrvu_p(unsigned int curve);
/* The same; raises EVC_ERR_NOT_A_CURVE when it has no curve. */
unsigned int evcrvu(unsigned int curve);
/* Point and n derivatives (0 to 2) at the parameter: 3 (n + 1) doubles. */
void evcrve(unsigned int evaluator, int n, double parameter, double* result);
void evcrvf(unsigned int evaluator);
/* Closure flag: 1 when the curve is open (its ends do not meet within
 * 1e-9), 2 when it is closed. */
int em05_(const unsigned int* curve);

/* ---- curve properties ---- */
/* Centroid of the curve as a wire; *failed 1 (centroid untouched) for a
 * curve without length. */
void CRV_PROPS_calc_centroid(unsigned int evaluator, double centroid[3], int* failed);
/* Inflections within [start, end] per cent of the parameter range, where
 * the curve's bending changes its sense. option 0: per cent values; option 1:
 * per cent value and point (four doubles each). *data from SM_alloc (null
 * when none). */
void CRV_PROPS_calc_inflection_pts(unsigned int curve, int option, double start, double end, int* count, double** data);

/* ---- the curve common block ---- */
/* Loads the curve into crvcom_ and describes it in the work buffers
 * (CRV_WORK_DOUBLES each; either may be null): w1 = {curve, type, t0, t1},
 * w2 = {start point, end point}. */
void e7009_(const unsigned int* curve, double* w1, double* w2);
/* Length of the loaded curve between two of its parameters; *status 0, or
 * 1 when no curve is loaded. */
void em7013_(const double* from, const double* to, double* length, int* status);
/* Turn angle of the curve described by the work buffers about the
 * orientation axis: the angle through which its tangent turns, projected
 * into the plane normal to the axis, counter-clockwise positive. */
void em24_(const double* w1, const double* w2, const double* orientation, double* angle);

/* ---- curve analysis ---- */
void CRVANL_read_CARecord(unsigned int curve, CRVANL_CARecord_t* record);

/* ---- intersections ---- */
/* Points given to the intersection routines are taken into the model space
 * of the work part (the same as absolute space in this host, which has no
 * assembly positioning of the work part). */
void map02_(const double in[3], double out[3]);
void map13_(const double in[3], double out[3]);
/* Intersection of a curve (or edge) within its range with a face: answers 0
 * with the point, the curve's parameter and the face's (u, v), 1 when there
 * is none. *status 1 where the curve crosses the face, 2 where it touches. */
int PX_intersect_edge_and_face(unsigned int curve, unsigned int face, const double reference[3], int* status,
                               double point[3], double* parameter, double uv[2]);
/* The same with the curve extended beyond its ends (a line both ways, an arc
 * or ellipse to its whole circle, a parabola and a hyperbola tenfold). */
int CRV_int_ext_curve_and_face(unsigned int curve, unsigned int face, const double reference[3], int* status,
                               double point[3], double* parameter, double uv[2]);
/* Intersection of two curves within their ranges: *status 0 none, 1 where
 * they cross, 2 where they touch (parallel tangents). */
void em10_(const unsigned int* first, const unsigned int* second, const double reference[3], int* status,
           double point[3], double* first_parameter, double* second_parameter);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::crvanl {
// Sets the curve-analysis record of a curve (model state).
void set_record(unsigned int curve, const CRVANL_CARecord_t& record);
// The record a curve without one of its own answers.
CRVANL_CARecord_t default_record();
}  // namespace host::crvanl
#endif

#endif
