/* The host's geometric measurement and geometry checks: curve projection,
 * frames and curvature, face parameters and properties, oriented boxes,
 * the data-quality checks of the solid kernel (do_*), laminar edges,
 * smoothness, minimum radii, distances (with hints, and to facetted
 * models), extreme points, geometry and topology comparison, point
 * containment, points along a curve, boxes of displayable objects.
 *
 * Curves are those of host/store/entities/curve_entities.h (and edges carrying one)
 * with the parameters of the host's evaluators (host/numeric/evc.h);
 * kernel tags and objects are those of host/kernel/engine/kernel.h. The
 * arithmetic is the solid kernel's: the routines over kernel entities live
 * in host/kernel/measure*.cpp, the curve routines here evaluate through the
 * evaluators (whose curves are the kernel's, host/numeric/curves.h).
 *
 * Fault tokens (MEASURE_TOKEN_*): the kernel's analysis of a body, face or
 * edge names each fault it finds with a token of 13801 to 13836.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a kernel tag of
 * no entity KERNEL_ERR_NO_ENTITY, one of the wrong class
 * KERNEL_ERR_WRONG_ENTITY, a null pointer HOST_ERR_NULL_ARGUMENT; a kernel
 * failure KERNEL_ERR_EXCEPTION. */
#ifndef HOST_MEASURE_MEASURE_H
#define HOST_MEASURE_MEASURE_H

#include "host/base/services/codes.h"

/* Fault tokens of the kernel's analysis. */
#define MEASURE_TOKEN_POINT_ON_CURVE   13801 /* a vertex lies off its edge's curve */
#define MEASURE_TOKEN_GEOMETRY         13802 /* an edge's curves disagree (3D curve and curve on surface) */
#define MEASURE_TOKEN_TOPOLOGY         13803 /* faces do not close up: free or multiply used edges */
#define MEASURE_TOKEN_POINT_ON_SURFACE 13804 /* a vertex lies off its face's surface */
#define MEASURE_TOKEN_NO_CURVE         13805 /* an edge without 3D curve or curve on surface */
#define MEASURE_TOKEN_SELF_INTERSECT   13806 /* a face's boundary or two faces cross */
#define MEASURE_TOKEN_SAME_PARAMETER   13807 /* an edge's curves are not parametrised alike */
#define MEASURE_TOKEN_ORIENTATION      13808 /* a shell or solid is inside out or misoriented */
#define MEASURE_TOKEN_NOT_CONNECTED    13810 /* a wire or shell falls apart */
#define MEASURE_TOKEN_EMPTY            13812 /* an empty wire, shell or solid */
#define MEASURE_TOKEN_REDUNDANT        13816 /* a redundant or duplicated boundary */
#define MEASURE_TOKEN_LOOP_ORDER       13817 /* boundary loops out of order or misplaced */
#define MEASURE_TOKEN_NOT_CLOSED       13818 /* a wire or shell that should close does not */
#define MEASURE_TOKEN_BAD_LOOP         13819 /* an intersecting or badly placed loop */
#define MEASURE_TOKEN_OTHER            13836 /* any other fault */

/* The first fault a check found. */
typedef struct MEASURE_check_s {
    int count;          /* faulty entities (faces, edges, pairs of faces ...) found */
    int token;          /* fault token of the first (0: none) */
    int entity;         /* its kernel tag (0: none) */
    unsigned int first; /* its object (0: none or an entity without object) */
    double point[3];    /* a point at the first fault, kernel lengths */
} MEASURE_check_t;

/* One fault of the structure check. */
typedef struct MEASURE_fault_s {
    int token;
    int entity;
    unsigned int object;
} MEASURE_fault_t;

/* A distance with the closest points. */
typedef struct MEASURE_distance_s {
    double distance;
    double point1[3];
    double point2[3];
} MEASURE_distance_t;

/* Answers of KI_encont. */
#define MEASURE_INSIDE  5701
#define MEASURE_OUTSIDE 5702
#define MEASURE_ON      5703

/* Host codes of the curve-point generator. */
#define HOST_MEASURE_CODES(X)              \
    X(MEASURE_ERR_CHORD_TOLERANCE, 820958) \
    X(MEASURE_ERR_ANGLE_TOLERANCE, 820959) \
    X(MEASURE_ERR_STEP, 820960)
HOST_BARE_CODE_CONSTANTS(HOST_MEASURE_CODES);

/* Codes of the measurement. */
#define MEASURE_ERR_NO_GEOMETRY 1057 /* an object without geometry to measure */
#define MEASURE_ERR_NO_ANSWER   16   /* the kernel found no closest points */

/* Kernel answer of KI_enexen for a direction it cannot use. */
#define MEASURE_ERR_BAD_DIRECTION 952

/* Host's limit of minimum radii a face answers (one per parameter
 * direction). */
#define MEASURE_MAX_MIN_RADII 2

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- tolerances ---- */
/* The modelling distance tolerance (model units) and angle tolerance
 * (degrees): srfc1_. */
double MODL_ask_distance_tol(void);
double MODL_ask_angular_tol(void);

/* ---- curves (host/kernel/measure/curves.cpp) ---- */
/* Start and end parameter of a curve or edge. */
void es0330_(const unsigned int* curve, double range[2]);
/* The foot of the point on the curve: the parameter, the point and the
 * number of feet found (0 or 1). With extend 1 a line is taken as
 * unbounded and an arc or ellipse as its whole round; with 0 the curve
 * ends where it ends. */
void em0150_(const unsigned int* curve, const double point[3], const int* extend, double* parameter, double foot[3],
             int* count);
/* For a parameter outside [start, end]: *shifted 1 and *periods the number
 * of periods (may be negative) that bring it into [start, start + period);
 * else *shifted 0. The parameter is not changed. */
void h006_(const double* parameter, const double* start, const double* end, const double* period, int* shifted,
           int* periods);
/* On the curve that e7009_ loaded: point and derivative at the parameter;
 * the frame (unit tangent, principal normal, binormal, 9 doubles), the
 * torsion and the curvature. On a straight stretch the curvature is 0, the
 * torsion 0 and the normal any perpendicular. */
void e7008_(const double* parameter, double point[3], double tangent[3]);
void e7004_(const double* parameter, double frame[9], double* torsion, double* curvature);
/* The angle between two vectors, 0 to pi (0 when one is a zero vector). */
void h061_(const double a[3], const double b[3], double* angle);
/* The largest curvature of the curve on [start, end] (its own parameters)
 * and where it is; answers 0, or 2 when the range is empty or leaves the
 * curve's. */
int CRV_PROPS_calc_max_curvature(unsigned int curve, double start, double end, double* curvature, double* parameter);
/* Of a spline evaluator: 1 when its poles lie on a line (data: a pole and
 * the unit direction), 2 in a plane (a pole and the unit normal), 3
 * otherwise. */
int em0945(unsigned int evaluator, double data[6]);

/* ---- faces and boxes (host/kernel/measure/measure.cpp) ---- */
/* The (u, v) of the point of the face's surface nearest to the reference,
 * and that point; answers 0, or 1 when the face has no kernel face. */
int MODL_ask_face_parm(unsigned int face, const double reference[3], double uv[2], double point[3]);
/* At (u, v): point, first and second derivatives in u and v, the face's
 * unit normal and the principal radii of curvature (0 for a flat
 * direction); answers 0 or 1 as above. */
int MODL_ask_face_props(unsigned int face, const double uv[2], double point[3], double du[3], double dv[3],
                        double duu[3], double dvv[3], double unit_normal[3], double radii[2]);
/* Oriented box of the geometry of a face or edge object: an origin and
 * three edge vectors (a flat face has one of zero length, a straight edge
 * two). Answers 0 or a kernel code. */
int BoxSurface(unsigned int object, double origin[3], double edges[9]);

/* ---- data-quality checks (host/kernel/engine/measure_checks.cpp) ----
 * Each answers its failure flag: 0 when the check ran, else a code. */
/* Edges shorter than the tolerance and faces narrower than it; a curve
 * object shorter than it. */
int do_tiny(unsigned int object, double tolerance, MEASURE_check_t* result);
/* Lines, edges and planar faces within the angle (degrees) of an axis of
 * the frame (rows X, Y, Z; null: the absolute axes) but not on it. */
int do_misaligned(unsigned int object, const double frame[9], double angle, MEASURE_check_t* result);
/* Vertices of a face's boundary where the boundary turns back on itself
 * (a spike or a cut narrower than the tolerance). */
int do_spikes_cuts(int face, double tolerance, MEASURE_check_t* result);
/* The surface of the face is tangent-continuous: *faults 0; else the
 * number of breaks. */
int do_face_smooth(int face, int* faults);
/* The first fault token of a face whose boundary or surface crosses
 * itself (0: none) and a point where it does (kernel lengths). */
int do_face_self_intersect(int face, int* token, double point[3]);
/* Topological faults of a body: *faults from SM_alloc (null when none). */
int do_structures(int body, int* count, MEASURE_fault_t** faults);
/* Geometric consistency of a body: the fault tokens (*tokens from
 * SM_alloc, null when none) and the first fault. */
int do_consistency(int body, int* count, int** tokens, MEASURE_check_t* result);
/* Faces of the body that cross each other: pairs found, the first pair. */
int do_ff_intersect(int body, int* count, MEASURE_check_t* result);
/* The boundaries of a body's open faces: edges used by one face only,
 * grouped into connected boundaries. counts (edges per boundary) and edges
 * (kernel tags, boundary after boundary) from SM_alloc, null when none. */
void ZQ_BODY_find_laminar_edges(int body, int* boundaries, int** counts, int** edges);
/* 1 when the faces at the edge meet within the angle (radians) along it;
 * an edge of fewer than two faces is not smooth. */
void ZQ_EDGE_is_smooth(int edge, double angle, int* smooth);
/* The kernel's tolerance of an edge. */
void KI_outlen(const int* edge, double* tolerance, int* ifail);
/* The smallest radii of curvature of a face, at most capacity of them (and
 * never more than MEASURE_MAX_MIN_RADII): radius, position (3 doubles) and
 * the face's (u, v) there (2 doubles) each; kernel lengths. A flat face
 * has none. */
void PX_face_ask_min_radii(int face, int capacity, int* count, double* radii, double* positions, double* uvs);

/* ---- measurement (host/kernel/measure/measure.cpp) ---- */
/* Minimum distance between two objects (bodies, faces, edges, curves,
 * points; 0: none given, an error): the closest points. Where several
 * pairs are equally close, a hint (flag 1) picks the pair whose point on
 * that object lies nearest to the hint. *error 0, or MEASURE_ERR_NO_ANSWER;
 * an object without geometry raises MEASURE_ERR_NO_GEOMETRY. */
void s392_(const unsigned int* object1, const unsigned int* object2, const int* hint1, const double point1[3],
           const int* hint2, const double point2[3], double* distance, double closest1[3], double closest2[3],
           int* error);
/* The same where one object (or both) is a facetted model: its facets are
 * measured; *accuracy is the chordal tolerance of a model made from a
 * solid (0 otherwise). Answers 0 or a code. */
int FACET_measure_distance(unsigned int object1, unsigned int object2, MEASURE_distance_t* result, double* accuracy);
/* The point of a face or edge farthest along v1, among equal ones farthest
 * along v2, then v3; *sub the kernel entity it lies on (the face or edge
 * itself, an edge or a vertex of its boundary). *ifail 0,
 * MEASURE_ERR_BAD_DIRECTION for a zero v1, or a kernel code. */
void KI_enexen(const int* entity, const double v1[3], const double v2[3], const double v3[3], double point[3], int* sub,
               int* ifail);
/* Whether two surfaces (faces) or two curves (edges) are the same geometry
 * within the kernel's precision: *result 1 same, 0 not. */
void KI_eneqge(const int* geometry1, const int* geometry2, int* result, int* ifail);
/* Compares the topology of two faces or two edges: *same 1 when they have
 * as many loops, edges and vertices (counts1, counts2: loops, edges,
 * vertices) and, with geometry 1, their edges pair up with equal curves
 * within the tolerance. Answers 0, 1 for objects that are not two faces
 * or two edges, 2 for one without a kernel entity, 3 when the kernel
 * fails. */
int COMPARE_TOPOL_compare(unsigned int object1, unsigned int object2, int geometry, double tolerance, int* same,
                          int counts1[3], int counts2[3]);
/* A kernel point (ZQ_ENTITY_delete deletes it). Points are no model state. */
void PX_point_create(const double point[3], int* kernel_point);
/* Where a kernel point lies against a body: MEASURE_INSIDE, _OUTSIDE or
 * _ON. A sheet or wire body has no inside. */
void KI_encont(const int* point, const int* body, int* answer, int* ifail);
/* Points along a curve or edge (its own range) closer than the chordal
 * tolerance to it, turning less than the angle (degrees) between
 * neighbours and at most `step` apart (0: no bound): *points from SM_alloc,
 * 3 doubles each. */
void MODL_ask_curve_points(unsigned int curve, double chord, double angle, double step, int* count, double** points);
/* A wire body (no objects) of a curve object's curve over its range:
 * model state, undo takes it back. */
void ZQ_CURVE_make_wire_body_2(unsigned int curve, int* body);

/* ---- display (host/kernel/measure/display_box.cpp) ---- */
/* 1 for a live object that is drawn (points, curves, solids, facetted
 * models, datums, coordinate systems), else 0. */
int RM_is_entity_displayable(unsigned int object);
/* Adds the object, turned by the 4 x 4 matrix, to the box (x min, x max,
 * y min, y max, z min, z max); answers 1 when it could, 0 for an object
 * this accumulator cannot box. */
int DSS_FIT_add_obj_to_bounding_box(unsigned int object, const double matrix[16], double box[6]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::measure {
// The kernel's own point classification of `count` points (3 doubles
// each) against a body, with one classifier loaded once: the reference of
// the host's containment cost. Answers the number of points inside.
int direct_containment(int body, const double* points, int count);
}  // namespace host::measure
#endif

#endif
