/* Modelling: geometric properties of curves, edges, faces and bodies,
 * geometry checks, measurement, comparison, point containment and boxes.
 *
 * Curve parameters are normalised: 0 at the curve's start, 1 at its end.
 * Lengths are model units; an occurrence answers in the occurrence's
 * coordinates where a query says so. Arrays the functions allocate are
 * freed by the caller with KX_free. */
#ifndef KX_MODL_GEOMETRY_H
#define KX_MODL_GEOMETRY_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Capacity of each array the caller gives KX_MODL_ask_face_min_radii, in
 * radii: the radii array holds this many doubles, the positions three
 * times as many, the parameters twice as many. */
#define KX_MODL_MAX_MIN_RADII 2

/* Dimensionality of an object. */
#define KX_MODL_DIM_UNKNOWN (-1)
#define KX_MODL_DIM_POINT   0
#define KX_MODL_DIM_LINE    1
#define KX_MODL_DIM_PLANE   2
#define KX_MODL_DIM_SPACE   3

/* Containment of a point in a body. */
#define KX_MODL_POINT_INSIDE   1
#define KX_MODL_POINT_OUTSIDE  2
#define KX_MODL_POINT_ON_BOUND 3

/* What a geometry check found: the number of faulty entities (edges,
 * faces, pairs of faces ...), the code of the first one's fault (0 where
 * the check names none), the first one (NULL_TAG where it has no tag) and
 * a point at it. */
typedef struct geometry_check_result_s {
    int count;
    int code;
    tag entity;
    double point[3];
} geometry_check_result;

/* One fault of the structure check. */
typedef struct structure_fault_s {
    int code;
    tag entity;
} structure_fault;

/* ---- curve properties ---- */
/* The normalised parameter of the point's foot on the curve (lines taken
 * unbounded, arcs as their whole round; a closed curve brings a foot past
 * its seam back into range) and the foot. 875033: not a curve; 875030: no
 * foot. */
KXAPI int KX_MODL_ask_curve_parm(tag curve, double ref_pnt[3], double* parm, double curve_pnt[3]);
/* The same within the curve's own ends, without the foot. */
KXAPI int KX_MODL_ask_curve_parm_no_ext(tag curve, double ref_pnt[3], double* parm);
/* At a normalised parameter of a curve or edge: the point, the tangent
 * (derivative by the normalised parameter), the binormal (vector_a), the
 * principal normal (vector_b), the torsion and the radius of curvature (a
 * straight stretch answers a very large radius). */
KXAPI int KX_MODL_ask_curve_props(tag curve, double parm, double point[3], double tangent[3], double vector_a[3],
                                  double vector_b[3], double* torsion, double* radius);
/* 1 when the curve or edge is closed, else 0 (also before initialisation).
 * No status and no frame of its own: a host error goes to the caller's
 * handler. */
KXAPI int KX_MODL_ask_curve_closed(tag curve);
/* 0 open, 1 closed and periodic, 2 closed but not periodic; status -1 when
 * the object has no curve. */
KXAPI int KX_MODL_ask_curve_periodicity(tag curve, int* periodicity);
/* Point, and for derivative flag 1 or 2 that many derivatives by the
 * curve's own parameter, at a normalised parameter: 3, 6 or 9 doubles.
 * 875120: a flag outside 0 to 2; 875051: the curve cannot be evaluated. */
KXAPI int KX_MODL_evaluate_curve(tag curve, double* parm, int* deriv_flag, double* values);
/* The largest curvature on range (the curve's own parameters) and the
 * parameter where it is; reserved is not read. 875033: not a curve;
 * 1105005: a range the curve does not have. */
KXAPI int KX_MODL_ask_max_curvature(tag curve, double range[2], int* reserved, double* curvature, double* parm);
/* The face's (u, v) nearest to the reference point and the point there;
 * 1 for a face without a kernel face. */
KXAPI int KX_MODL_ask_face_parm(tag face, double ref_pnt[3], double parm[2], double face_pnt[3]);
/* At (u, v): point, first and second derivatives in u and v, the face's
 * unit normal and the principal radii (0 for a flat direction). */
KXAPI int KX_MODL_ask_face_props(tag face, double parm[2], double point[3], double u1[3], double v1[3], double u2[3],
                                 double v2[3], double unit_norm[3], double radii[2]);
/* Radians: the smaller and the larger of the angle between the vectors'
 * lines and its supplement. */
KXAPI int KX_MODL_ask_vector_angle(double vec1[3], double vec2[3], double* small_angle, double* large_angle);
/* KX_MODL_DIM_*, with data = a point and a direction (the line's, or the
 * plane's normal). 875027: not an object; -1: a curve without evaluator. */
KXAPI int KX_MODL_ask_obj_dimensionality(tag object, int* dimensionality, double data[6]);

/* ---- geometry checks ---- */
/* Edges, faces or a curve smaller than the tolerance (not above 0: the
 * modelling distance tolerance). 875186: the check could not run. */
KXAPI int KX_MODL_ask_tiny_geometry(tag object, double tolerance, geometry_check_result* result);
/* Lines, straight edges and planar faces within the angle (degrees; not
 * above 0: the modelling angle tolerance) of an axis of the frame (rows X,
 * Y, Z; null: the absolute axes) but not on it. */
KXAPI int KX_MODL_ask_misalign_geometry(tag object, double frame[9], double angle, geometry_check_result* result);
/* The open boundaries of a sheet: the number of boundaries, the edges of
 * each and all edges, boundary after boundary (both arrays null for
 * none). 875032: not a body. */
KXAPI int KX_MODL_ask_body_boundaries(tag body, int* num_boundaries, int** num_edges, tag** edges);
/* Whether the faces at the edge meet within the angle (degrees; not above
 * 0: the modelling angle tolerance); an edge of one face is smooth. */
KXAPI int KX_MODL_ask_edge_smoothness(tag edge, double angle, logical* smooth);
KXAPI int KX_MODL_ask_edge_tolerance(tag edge, double* tolerance);
/* Spikes and cuts in the face's boundary. 875028: not a face. */
KXAPI int KX_MODL_ask_face_spikes(tag face, geometry_check_result* result);
/* The smallest radii of curvature of the face (at most
 * KX_MODL_MAX_MIN_RADII), each with its position and (u, v). */
KXAPI int KX_MODL_ask_face_min_radii(tag face, int* count, double radii[], double positions[], double params[]);
/* The code of the face's first self-intersection fault (0: none) and a
 * point where it crosses itself. */
KXAPI int KX_MODL_ask_face_self_intersect(tag face, int* fault, double point[3]);
KXAPI int KX_MODL_ask_face_smoothness(tag face, logical* smooth);
/* Topological faults of a solid or sheet body (faults null for none).
 * 875343: the check could not run. */
KXAPI int KX_MODL_ask_body_structures(tag body, int* count, structure_fault** faults);
/* Geometric faults of a solid or sheet body: their codes (null for none)
 * and the first fault. */
KXAPI int KX_MODL_ask_body_consistency(tag body, int* count, int** codes, geometry_check_result* result);
/* Pairs of faces of the body that cross each other. */
KXAPI int KX_MODL_ask_face_face_intersect(tag body, int* count, geometry_check_result* result);

/* ---- measurement ---- */
/* Minimum distance and the closest points. A hint (given non-zero) picks,
 * among equally close pairs, the one whose point on that object is nearest
 * to the hint point; a body's hint is not used. */
KXAPI int KX_MODL_ask_minimum_dist(tag object1, tag object2, int guess1_given, double guess1[3], int guess2_given,
                                   double guess2[3], double* distance, double point1[3], double point2[3]);
/* The same, with the accuracy of a measurement on a facetted model (0
 * otherwise). */
KXAPI int KX_MODL_ask_minimum_dist_2(tag object1, tag object2, int guess1_given, double guess1[3], int guess2_given,
                                     double guess2[3], double* distance, double point1[3], double point2[3],
                                     double* accuracy);
/* The point of a face or edge farthest along dir1, among equal ones along
 * dir2, then dir3; for a face whose extreme lies on one of its edges, that
 * edge. 875040: the kernel refuses the directions. */
KXAPI int KX_MODL_ask_extreme(tag object, double dir1[3], double dir2[3], double dir3[3], tag* subentity,
                              double point[3]);
/* Whether two faces or two edges have the same geometry (type 1 only):
 * result 1 same, 0 not. */
KXAPI int KX_MODL_compare(tag object1, tag object2, int type, int* result);
/* Whether two faces or two edges have the same topology (loops, edges and
 * vertices, counted into counts1 and counts2), with geometry non-zero also
 * edges on the same curves within the tolerance. */
KXAPI int KX_MODL_compare_topology(tag object1, tag object2, int geometry, double tolerance, int* same, int counts1[3],
                                   int counts2[3]);
/* KX_MODL_POINT_INSIDE, _OUTSIDE or _ON_BOUND (0: no answer). */
KXAPI int KX_MODL_ask_point_containment(double point[3], tag body, int* containment);
/* Points along a curve or edge within the chordal tolerance, turning less
 * than the angle (degrees) between neighbours and at most step apart (0:
 * no bound). 875216: a tolerance or step the generator refuses. */
KXAPI int KX_MODL_ask_curve_points(tag curve, double chord, double angle, double step, int* num_points,
                                   double** points);
/* Minimum x, y, z, then maximum x, y, z. 1105004: no box. */
KXAPI int KX_MODL_ask_bounding_box(tag object, double box[6]);
/* The next live object of the type and subtype after *object (NULL_TAG:
 * the first) in the work part. 875033: no further object. */
KXAPI int KX_MODL_ask_object(int type, int subtype, tag* object);

KX_END_DECLS

#endif
