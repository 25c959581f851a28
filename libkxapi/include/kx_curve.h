/* Curves: points, lines, circular arcs and conics (create, read, edit), the
 * conversions of a conic between its standard form and the general
 * second-degree equation, and queries on any curve or edge (evaluation,
 * parameter range, length, centroid, turn angle, inflections, the
 * curve-analysis display settings, intersections).
 *
 * Angles are radians. Entity types: 2 point, 3 line, 5 arc, 6 conic
 * (subtype 2 ellipse, 3 parabola, 4 hyperbola), 55 matrix, 70 solid-kernel
 * object (subtype 0 body, 2 face, 3 edge).
 *
 * Codes of the curve band: 1480000 not a point, 1480001 not a line or
 * straight edge, 1480002 not an arc or circular edge, 1480003 not a matrix,
 * 1480004 the angles differ by more than two pi, 1480005 the start angle
 * exceeds the end angle, 1480006 not a conic, 1480007 degenerate conic,
 * 1480008 start angle out of range, 1480009 general conic end points at
 * different heights, 1480010 bad conic type, 1480016 the end points select
 * no single branch and sense. 1995000: a smart object cannot be edited.
 * 875136: degenerate line or arc (ends too close, radius or sweep too
 * small). 670035: three points without a unique circle.
 */
#ifndef KX_CURVE_H
#define KX_CURVE_H

#include "kx_types.h"

/* A line between two points, absolute coordinates. */
typedef struct line_data_s {
    double start_point[3];
    double end_point[3];
} line_data, *line_data_p;

/* A circular arc: angles from the X axis of the matrix, center in the
 * coordinates of the matrix (the arc lies in the plane through the center
 * parallel to the matrix's XY plane). */
typedef struct arc_data_s {
    tag matrix_tag; /* matrix object, type 55 */
    double start_angle;
    double end_angle;
    double arc_center[3];
    double radius;
} arc_data, *arc_data_p;

/* Conic types (the entity subtype of a conic). */
#define KX_CONIC_ELLIPSE   2
#define KX_CONIC_PARABOLA  3
#define KX_CONIC_HYPERBOLA 4

/* A conic in standard form, in the XY plane of its matrix. With (u, v) the
 * coordinates along the conic's own axes, turned by rotation_angle from the
 * matrix's X axis about the center:
 *   ellipse    u^2/k1^2 + v^2/k2^2 = 1, parameters are angles (0 to 2 pi),
 *              u = k1 cos t, v = k2 sin t;
 *   hyperbola  u^2/k1^2 - v^2/k2^2 = 1, parameters t in -pi/2..pi/2 give
 *              v = k2 tan t;
 *   parabola   v^2 = k1 u (k2 unused), parameters are values of v. */
typedef struct conic_data_s {
    tag matrix_tag; /* matrix object, type 55 */
    int conic_type; /* KX_CONIC_* */
    double rotation_angle;
    double start_param;
    double end_param;
    double center[3]; /* in the matrix's coordinates; [2] is the plane's height */
    double k1;
    double k2;
} conic_data, *conic_data_p;

/* A conic as A x^2 + B x y + C y^2 + D x + E y + F = 0 in the XY plane of
 * its matrix, from the start point to the end point (matrix coordinates). */
typedef struct conic_general_data_s {
    tag matrix_tag;
    double A;
    double B;
    double C;
    double D;
    double E;
    double F;
    double start_point[3];
    double end_point[3];
} conic_general_data, *conic_general_data_p;

/* One intersection of a curve with a curve or a face. */
typedef struct curve_intersection_s {
    int type_of_intersection; /* 0 none found, 1 found, 2 found where the curves touch */
    double curve_point[3];
    double curve_parm;      /* parameter on the first object */
    double entity_parms[2]; /* u, v on a face; the second curve's parameter and 0 */
} curve_intersection, *curve_intersection_p;

/* The curve-analysis display settings of a curve. */
typedef struct curve_analysis_display_s {
    double scale;
    logical show_flags[4];
    double density;
    int options[4];
    logical show_limits;
    int limits[3];
    int styles[6];
} curve_analysis_display, *curve_analysis_display_p;

/* ---- Splines ---- */

/* A B-spline by its poles and knots: n poles in weighted form
 * (x w, y w, z w, w), n + order knots, non-decreasing. */
typedef struct spline_data_s {
    int num_poles;
    int order;       /* degree + 1 */
    int is_rational; /* 1 when some weight differs from 1 */
    double* knots;
    double (*poles)[4];
    double start_param;
    double end_param;
} spline_data, *spline_data_p;

/* A point of a spline through points. slope_type: -1 none, 0 the
 * direction (length chosen from the chord lengths; a zero slope gives no
 * direction and the neighbouring points give it), 1 a slope per unit
 * chord length, 2 the derivative as given. crvatr_type: -1 none, 1 the
 * second derivative as given, 2 per unit chord length squared. */
typedef struct spline_point_s {
    double point[3];
    int slope_type;
    double slope[3];
    int crvatr_type;
    double crvatr[3];
} spline_point, *spline_point_p;

/* One change reported by a repair or smoothing: state 51 a knot removed
 * (value[0] the knot), 52 with flag 1 the parameter map t -> value[0] t +
 * value[1], 53 a pole of a degenerate stretch removed, 54 the ends
 * clamped (start, end), 56 a knot smoothed (knot, deviation), 57 a knot
 * that could not be smoothed (knot, the deviation it would take). */
typedef struct spline_state_s {
    int state;
    int flag;
    double value[3];
} spline_state, *spline_state_p;

/* A least-squares spline through points (KX_MODL_create_fitted_spline). */
typedef struct fit_data_s {
    double* points;  /* 3 per point */
    double* slopes;  /* start slope, then end slope */
    double* weights; /* one per weighted point */
    int reserved;
    double tolerance; /* used when segments < 1 */
    int point_count;
    int slope_type; /* 1 start, 2 end, 3 both */
    int weight_count;
    int* weight_positions; /* point numbers from 1 */
    int segments;
    int degree;
} fit_data, *fit_data_p;

/* Units of KX_CURVE_ask_arc_length. */
#define KX_CURVE_UNITS_PART  0
#define KX_CURVE_UNITS_INCH  1
#define KX_CURVE_UNITS_MM    2
#define KX_CURVE_UNITS_CM    3
#define KX_CURVE_UNITS_METER 4

KX_BEGIN_DECLS

/* ---- Points, lines and arcs ---- */
KXAPI int KX_CURVE_create_point(double point_coords[3], tag* point);
KXAPI int KX_CURVE_ask_point_data(tag point, double point_coords[3]);
KXAPI int KX_CURVE_edit_point_data(tag point, double point_coords[3]);
KXAPI int KX_CURVE_create_line(line_data* line_coords, tag* line);
/* A line, or a straight edge of a solid body. */
KXAPI int KX_CURVE_ask_line_data(tag line, line_data* line_coords);
/* Stores only valid data: a refused edit leaves the line as it was. */
KXAPI int KX_CURVE_edit_line_data(tag line, line_data* line_coords);
KXAPI int KX_CURVE_create_arc(arc_data* arc_coords, tag* arc);
/* An arc, or a circular edge (which gets a new matrix object each call). */
KXAPI int KX_CURVE_ask_arc_data(tag arc, arc_data* arc_coords);
/* Stores only valid data: a refused edit leaves the arc as it was. */
KXAPI int KX_CURVE_edit_arc_data(tag arc, arc_data* arc_coords);
/* create_type 1: the arc from point_1 over point_2 to point_3; 2: the full
 * circle through the three points. */
KXAPI int KX_CURVE_create_arc_thru_3pts(int create_type, double point_1[3], double point_2[3], double point_3[3],
                                        tag* arc);

/* ---- Conics ---- */
/* Validation may clamp an ellipse's end parameter to start + 2 pi; a
 * refused record is not changed. */
KXAPI int KX_CURVE_create_conic(conic_data* conic_data_rec, tag* conic);
KXAPI int KX_CURVE_ask_conic_data(tag conic, conic_data* conic_data_rec);
KXAPI int KX_CURVE_edit_conic_data(tag conic, conic_data* conic_data_rec);
/* sense: true when the conic runs from the given start point to the given
 * end point. After a failure the outputs hold no defined values. */
KXAPI int KX_CURVE_convert_conic_to_std(conic_general_data* gen_conic_data, conic_data* conic_data_rec, logical* sense);
KXAPI int KX_CURVE_convert_conic_to_gen(conic_data* conic_data_rec, conic_general_data* gen_conic_data);

/* ---- Curve queries ---- */
/* result: the point, then `derivatives` derivative vectors (3 each). */
KXAPI int KX_CURVE_evaluate_curve(tag curve, double parameter, int derivatives, double* result);
/* periodicity: 0 open, 1 closed and periodic, 2 closed, not periodic. */
KXAPI int KX_CURVE_ask_parameterization(tag curve, double param_range[2], int* periodicity);
KXAPI int KX_CURVE_ask_centroid(tag curve, double centroid[3]);
/* start, end: normalised parameters (0 start, 1 end of the curve). */
KXAPI int KX_CURVE_ask_arc_length(tag curve, double start_param, double end_param, int units, double* arc_length);
/* The total angle through which the curve's tangent turns about the
 * orientation axis (counter-clockwise positive). */
KXAPI int KX_CURVE_ask_curve_turn_angle(tag curve, double orientation[3], double* angle);
/* range: per cent of the curve (0 to 100). option 0: each inflection as its
 * per cent value; option 1: per cent value and point (4 doubles each). The
 * array is freed with KX_free. */
KXAPI int KX_CURVE_ask_curve_inflections(tag curve, int option, double range[2], int* num_inflections,
                                         double** inflections);
KXAPI int KX_CURVE_ask_analysis_display(tag curve, curve_analysis_display* display);
/* The intersection nearest to ref_point of a curve (or edge) with a curve,
 * an edge, a face, a body of one face or a datum plane. */
KXAPI int KX_CURVE_intersect(tag curve, tag entity, double ref_point[3], curve_intersection* intersection);

/* ---- Splines ----
 * Arrays handed out are freed with KX_free. Repairs and smoothing write
 * into the record's arrays in place and only when the result fits them
 * (else 1480015 and the record as it was); a state count counts only the
 * states handed out. */
KXAPI int KX_CURVE_create_spline(spline_data* spline_data_rec, tag* spline, int* num_states, spline_state** states);
KXAPI int KX_CURVE_ask_spline_data(tag spline, spline_data* spline_data_rec);
KXAPI int KX_CURVE_fix_spline_data(spline_data* spline_data_rec, double tolerance, int* num_states,
                                   spline_state** states);
KXAPI int KX_CURVE_smooth_spline_data_st(spline_data* spline_data_rec, int continuity, double tolerance[3], int option1,
                                         int option2, int* num_states, spline_state** states);
KXAPI int KX_CURVE_smooth_spline_data(spline_data* spline_data_rec, int continuity, double tolerance, int option1,
                                      int option2, int* num_states, spline_state** states);
/* parameters: one per point (a periodic spline one more), or null for
 * chord lengths. save_def_data 1 keeps the points with the spline. */
KXAPI int KX_CURVE_create_spline_thru_pts(int degree, int periodicity, int num_points, spline_point* points,
                                          double* parameters, int save_def_data, tag* spline);
KXAPI int KX_CURVE_ask_spline_thru_pts(tag spline, int* degree, int* periodicity, int* num_points,
                                       spline_point** points, double** parameters);
KXAPI int KX_CURVE_edit_spline_thru_pts(tag spline, int degree, int periodicity, int num_points, spline_point* points,
                                        double* parameters, int save_def_data);
KXAPI int KX_CURVE_is_spline_in_sync(tag spline, logical* in_sync);
/* true when the spline crosses itself (also when the answer cannot be had). */
KXAPI int KX_CURVE_is_spline_self_int(tag spline, logical* self_int);
/* The first four words of the spline's curve-analysis record and the value
 * that follows them. */
KXAPI int KX_CURVE_ask_spline_sap(tag spline, int values[4], double* value);

/* ---- Curves made from modelling objects (no initialisation check) ---- */
KXAPI int KX_MODL_create_curve_from_edge(tag edge, tag* curve);
/* poles: 4 doubles each (x, y, z, weight as the host's B-curve service
 * takes them); knots: num_poles + order. */
KXAPI int KX_MODL_create_spline(int num_poles, int order, double* knots, double* poles, tag* curve, int knot_fixup,
                                int pole_fixup);
/* A least-squares spline; *max_index numbers the point of the largest
 * error from 1. slope_type 2 takes the end slope (the second triple). */
KXAPI int KX_MODL_create_fitted_spline(fit_data* data, double* max_error, int* max_index, tag* curve);
/* The curves and edges replaced by lines and arcs within the tolerance;
 * segments must hold as many tags as the count answered. curves is used
 * as scratch and always given back as it was; temporary curves made from
 * edges are removed. */
KXAPI int KX_MODL_create_simplified_curve(int n, tag* curves, double tolerance, int* count, tag* segments);
/* The curves of the face where its normal makes `angle` degrees with the
 * direction; *curves freed with KX_free. */
KXAPI int KX_MODL_create_isocline_curves(tag face, double direction[3], double angle, double tolerance, tag** curves,
                                         int* count);
/* direction 1: u constant, 2: v constant; *curves freed with KX_free. */
KXAPI int KX_MODL_create_isocurve(tag face, int direction, double parameter, double tolerance, tag** curves,
                                  int* count);

KX_END_DECLS

#endif
