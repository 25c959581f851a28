/* The host's smart objects: associative construction objects whose values
 * follow the objects they are defined from (their parents).
 *
 * Classes (all subclasses of the class of smart objects, CSO_c, so that
 * SO_is_subclass and SO_is_so answer 1 for them):
 *   point      an entity point (type 2) whose coordinates follow
 *   line       an entity line (type 3) whose end points follow
 *   arc        an entity arc (type 5): its matrix and data follow
 *   direction  a unit vector                       (DIRR_c)
 *   axis       a point and a unit direction         (AXIS_c)
 *   scalar     a value                              (SCALAR_c)
 *   offset     a vector                             (OFFSET_c)
 *   transform  origin, X, Y, Z directions, scale    (XFORM_c)
 * Each object keeps its parameters: the class of its defining method
 * ("POINT_three_scalars_parms_c" ...), its parents (tags, in the order the
 * method takes them) and its own numbers (the values of a "doubles" method,
 * the curve fraction or the distance of the others).
 *
 * Values: a point on a curve lies at the fraction (the value of a scalar,
 * 0 at the start, 1 at the end) of a line or arc; a point on an axis at the
 * scalar's distance along the axis from its point; an offset point is the
 * point plus the offset; a direction of two points runs from the first to
 * the second; a direction of a line from its start to its end; a scalar of
 * an expression has the expression's value, one of two points their
 * distance, one of a curve its length; an offset of a direction and a
 * scalar is the unit direction times the value; three scalars give the
 * coordinates of a point or an offset; a transform of a point and X and Y
 * directions has the point as origin, X, Y made orthogonal to X and Z = X x Y.
 * Parents may be plain points, lines and arcs of the model, expressions
 * (host/model/expr/expr.h) and smart objects; the methods on faces, planes and
 * curves below also take faces of kernel bodies, plane objects, splines,
 * conics and edges, and the transforms of an assembly context take part
 * occurrences (host/store/entities/occurrences.h): they follow the occurrences'
 * placements.
 *
 * Update: the model's update (UPDATE_do_update, host/model/feature/feature.h)
 * computes every smart object again from its parents, parents before
 * children. An object is out of date (RM_ask_out_of_date_state) when its
 * value computed from the current values of its ancestors differs from the
 * value it holds; it becomes dumb (RM_ask_got_dumb_state) when a parent is
 * deleted: it keeps its last value and its update error code is
 * SO_ERR_PARENT_DELETED. Setting the numbers of an object (AXIS_set_point,
 * SCALAR_set_double ...) changes its value at once; its children follow at
 * the next update.
 *
 * Part files keep the smart points, lines, arcs, directions, axes,
 * scalars, offsets and transforms written with a part (section "SMRT",
 * smart.cpp): parameters, update option and value, so that they answer
 * their parents and follow them after reopening. One defined on faces or
 * by help points, or one with a parent left out of the file, is kept dumb
 * (its value); smart splines come back as the plain splines they show.
 *
 * Visibility option: 0 shown (the default), 1 hidden; a hidden object is
 * condemned (RM_ask_condemned_state answers 1) until it is shown again.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG; an object of
 * the wrong class HOST_ERR_WRONG_CLASS; a null pointer
 * HOST_ERR_NULL_ARGUMENT; a zero direction or two equal points
 * SO_ERR_DEGENERATE. Smart objects are part of the model: undo marks roll
 * them back.
 */
#ifndef HOST_SMART_SMART_H
#define HOST_SMART_SMART_H

#include "host/base/services/codes.h"

#define HOST_SMART_CODES(X)                                                      \
    X(SO_ERR_WRONG_PARMS, 875058)                                                \
    X(SO_ERR_DEGENERATE, 875059)                                                 \
    X(SO_ERR_PARENT_DELETED, 875060)                                             \
    X(SO_ERR_NO_SOLUTION, 875401) /* nothing meets; a length beyond the curve */
HOST_BARE_CODE_CONSTANTS(HOST_SMART_CODES);

#define SO_PARENTS_PRESENT 0
#define SO_PARENTS_NONE    1
#define SO_PARENTS_LOST    2

/* Parameters of a smart object as SO_ask_parms answers them. */
typedef struct SO_parms_s {
    const char* parms_class; /* name of the defining method's class */
    int n_parents;
    unsigned int parents[4];
    double numbers[13];
} SO_parms_t;

/* The defining record of a general spline: two flags and the order, the
 * points (count, at least 2) with a kind each (0 to 4), the parameters
 * (count values, one more when second_flag is 1; null for none), the
 * objects that qualify the points (first where the kind is at least 1,
 * second where it is 2 or 4, third where it is at least 3; NULL_TAG
 * elsewhere) and two further words. */
typedef struct SO_spline_s {
    int first_flag;
    int order;
    int second_flag;
    int count;
    const int* kinds;
    const unsigned int* points;
    const double* parameters;
    const unsigned int* first_objects;
    const unsigned int* second_objects;
    const unsigned int* third_objects;
    int word1;
    int word2;
} SO_spline_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- points ---- */
unsigned int POINT_create_on_curve(unsigned int owner, int option, unsigned int curve, unsigned int fraction);
unsigned int POINT_create_offset(unsigned int owner, int option, unsigned int point, unsigned int offset);
unsigned int POINT_create_three_scalars(unsigned int owner, int option, const unsigned int scalars[3]);
unsigned int POINT_create_on_axis(unsigned int owner, int option, unsigned int axis, unsigned int distance);
void POINT_set_display_marker(unsigned int point, int marker);
int POINT_ask_display_marker(unsigned int point);
/* ---- directions ---- */
unsigned int DIRR_create_doubles(unsigned int owner, int option, const void* base, const double direction[3]);
unsigned int DIRR_create_two_points(unsigned int owner, int option, const unsigned int points[2]);
unsigned int DIRR_create_line(unsigned int owner, int option, unsigned int line, int reverse);
void DIRR_ask_direction(unsigned int dirr, double direction[3]);
void DIRR_set_direction(unsigned int dirr, const double direction[3]);
/* ---- axes ---- */
unsigned int AXIS_create_doubles(unsigned int owner, int option, const double point[3], const double direction[3]);
unsigned int AXIS_create_point_dir(unsigned int owner, int option, unsigned int point, unsigned int dirr);
void AXIS_ask_point(unsigned int axis, double point[3]);
void AXIS_ask_direction(unsigned int axis, double direction[3]);
void AXIS_set_point(unsigned int axis, const double point[3]);
void AXIS_set_direction(unsigned int axis, const double direction[3]);
/* ---- scalars ---- */
unsigned int SCALAR_create_double(unsigned int owner, int option, double value, int dimensionality);
unsigned int SCALAR_create_exp(unsigned int owner, int option, unsigned int exp, int dimensionality);
unsigned int SCALAR_create_dist_2_points(unsigned int owner, int option, const unsigned int points[2]);
unsigned int SCALAR_create_length_curve(unsigned int owner, int option, unsigned int curve, int dimensionality);
double SCALAR_ask_double(unsigned int scalar);
void SCALAR_set_double(unsigned int scalar, double value);
unsigned int SCALAR_ask_exp(unsigned int scalar);
/* ---- offsets ---- */
unsigned int OFFSET_create_doubles(unsigned int owner, int option, const void* base, const double offset[3]);
unsigned int OFFSET_create_dir_dist(unsigned int owner, int option, unsigned int dirr, unsigned int distance);
unsigned int OFFSET_create_three_scalars(unsigned int owner, int option, const unsigned int scalars[3]);
void OFFSET_ask_offset(unsigned int offset, double value[3]);
void OFFSET_set_offset(unsigned int offset, const double value[3]);
/* ---- transforms ---- */
unsigned int XFORM_create_doubles(unsigned int owner, int option, const double origin[3], const double x[3],
                                  const double y[3], double scale);
unsigned int XFORM_create_point_xy_dirs(unsigned int owner, int option, unsigned int point, unsigned int x,
                                        unsigned int y, unsigned int scale);
void XFORM_ask_point(unsigned int xform, double origin[3]);
void XFORM_ask_x_direction(unsigned int xform, double x[3]);
void XFORM_ask_y_direction(unsigned int xform, double y[3]);
void XFORM_ask_z_direction(unsigned int xform, double z[3]);
double XFORM_ask_scale(unsigned int xform);
/* Row-major 4x4: rows X, Y, Z (times the scale) with the origin as the
 * last column, then 0 0 0 1. */
void XFORM_ask_xform(unsigned int xform, double matrix[16]);
void XFORM_set_point(unsigned int xform, const double origin[3]);
void XFORM_set_xy_directions(unsigned int xform, const double x[3], const double y[3]);
void XFORM_set_scale(unsigned int xform, double scale);
/* Of a point and two directions: X and Z (Y = Z x X), or Y and Z (X = Y x Z). */
unsigned int XFORM_create_point_xz_dirs(unsigned int owner, int option, unsigned int point, unsigned int x,
                                        unsigned int z, unsigned int scale);
unsigned int XFORM_create_point_yz_dirs(unsigned int owner, int option, unsigned int point, unsigned int y,
                                        unsigned int z, unsigned int scale);
/* Of three points (parameters "XFORM_three_points_parms_c"): origin at the
 * first, X towards the second, Y in the plane of the three (Z = X x the
 * way to the third), scale 1. Points on one line raise SO_ERR_DEGENERATE. */
unsigned int XFORM_create_three_points(unsigned int owner, int option, const unsigned int points[3]);
/* 1 for a transform relating assembly occurrences. */
int XFORM_is_assy_context_xform(unsigned int xform);
/* ---- extracts: an object of the source's class whose value is the
 * source's (a plain point or an expression for points and scalars) ---- */
unsigned int POINT_create_extract(unsigned int owner, int option, unsigned int point, int value);
unsigned int DIRR_create_extract(unsigned int owner, int option, unsigned int dirr, int value);
unsigned int AXIS_create_extract(unsigned int owner, int option, unsigned int axis, int value);
unsigned int SCALAR_create_extract(unsigned int owner, int option, unsigned int scalar, int value, int dimensionality);
unsigned int OFFSET_create_extract(unsigned int owner, int option, unsigned int offset, int value);
unsigned int XFORM_create_extract(unsigned int owner, int option, unsigned int xform, int value);
/* Angles of these are scalars in degrees. A point of the arc at the angle
 * from its matrix's X axis (value passed over). */
unsigned int POINT_create_on_arc_at_angle(unsigned int owner, int option, unsigned int arc, unsigned int angle,
                                          int value);
/* The tangent of a line or arc at the fraction (a scalar), reversed when
 * reverse is not 0 (value passed over). */
unsigned int DIRR_create_on_curve(unsigned int owner, int option, unsigned int curve, unsigned int fraction,
                                  int reverse, int value);
/* The center of an arc or conic; the normal of its plane (the Z axis of its
 * matrix), reversed when reverse is not 0. */
unsigned int POINT_create_center_of_conic(unsigned int owner, int option, unsigned int conic);
unsigned int DIRR_create_axis_of_conic(unsigned int owner, int option, unsigned int conic, int reverse);
/* The point of three scalars as coordinates in the transform's axes (times
 * its scale) from its origin; value is the update option. */
unsigned int POINT_create_csys_3_scalars(unsigned int owner, const unsigned int scalars[3], int value,
                                         unsigned int xform);
/* An extract of a point shown with the display marker. */
unsigned int POINT_create_extract_with_display_marker(unsigned int owner, int option, unsigned int point, int value,
                                                      int marker);
/* Normal to two directions: the first crossed with the second. */
unsigned int DIRR_create_two_dirs(unsigned int owner, int option, const unsigned int dirs[2]);
/* (r cos a, r sin a, height). */
unsigned int OFFSET_create_cylindrical(unsigned int owner, int option, unsigned int radius, unsigned int angle,
                                       unsigned int height);
/* (r cos e cos a, r cos e sin a, r sin e): a from X in the XY plane, e the
 * elevation from that plane. */
unsigned int OFFSET_create_spherical(unsigned int owner, int option, unsigned int radius, unsigned int angle,
                                     unsigned int elevation);
/* ---- curves ---- */
/* A spline (entity type 9) whose poles are the record's points, of the
 * order (at most the count), on clamped uniform knots; it follows the
 * points. A record outside its ranges raises HOST_ERR_BAD_ARGUMENT. */
unsigned int BCURVE_create_general(unsigned int owner, const SO_spline_t* record);
/* The record as stored; the arrays are SM_alloc'd (parameters null when
 * none were given, objects NULL_TAG where the kind uses none). */
void BCURVE_ask_general(unsigned int spline, SO_spline_t* record);
/* An arc (entity type 5) through three points, from the first over the
 * second to the third; of a center and two points: about the center from
 * the second point (the radius) to the direction of the third. Points on
 * one line raise SO_ERR_DEGENERATE. */
unsigned int ARC_create_three_points(unsigned int owner, int option, const unsigned int points[3]);
unsigned int ARC_create_center_two_points(unsigned int owner, int option, const unsigned int points[3]);
unsigned int LINE_create_two_points(unsigned int owner, int option, const unsigned int points[2]);
/* ---- on faces, planes and curves ----
 * Faces are face objects of kernel bodies; u and v (and the pair of
 * fractions) are scalars giving fractions of the face's parameter box, 0 at
 * its low and 1 at its high end. Planes are plane objects (type 46) and
 * planar faces (their outward normal); datum planes give a normal only.
 * Curves are lines, arcs, conics, splines and edges; a curve's fraction is
 * a fraction of its parameter range. */
/* The point of the face at the fractions. */
unsigned int POINT_create_on_surface(unsigned int owner, int option, unsigned int face, unsigned int u, unsigned int v);
/* Where two curves meet, or a face or plane (first) and a curve (second):
 * the meeting nearest to the help points (points; their middle when both
 * are given; 0 for none), else nearest to the start of the curve.
 * Nothing meets: SO_ERR_NO_SOLUTION. */
unsigned int POINT_create_two_curves(unsigned int owner, int option, unsigned int first, unsigned int second,
                                     unsigned int help1, unsigned int help2);
/* The point at the distance (a scalar: a length, or per cent of the
 * curve's length when percent is not 0) along the curve from its point
 * nearest to the point, towards the curve's end, or its start when reverse
 * is not 0 (a negative distance goes the other way). A distance beyond the
 * end: SO_ERR_NO_SOLUTION. */
unsigned int POINT_create_along_curve(unsigned int owner, int option, unsigned int curve, unsigned int point,
                                      unsigned int distance, int percent, int reverse);
/* The unit normal of a plane or planar face; the axis of a face's surface
 * (a plane's normal); the face's normal at its point nearest to the point:
 * reversed when reverse is not 0. */
unsigned int DIRR_create_plane(unsigned int owner, int option, unsigned int plane, int reverse);
unsigned int DIRR_create_axis_of_surface(unsigned int owner, int option, unsigned int face, int reverse);
unsigned int DIRR_create_nor_to_surf_pt(unsigned int owner, int option, unsigned int face, unsigned int point,
                                        int reverse);
/* On the face at the fractions: kind 0 its normal, 1 the u tangent, 2 the
 * v tangent, 3 the reference (a direction) turned into the tangent plane;
 * reversed when flag is not 0. A kind out of range raises
 * HOST_ERR_BAD_ARGUMENT, kind 3 without a reference HOST_ERR_NULL_ARGUMENT. */
unsigned int DIRR_create_on_surf(unsigned int owner, int option, unsigned int face, const unsigned int fractions[2],
                                 int kind, unsigned int reference, unsigned char flag);
/* Curvature vectors (the curvature times the unit normal towards the
 * centre of curvature; zero where straight): of the curve at the
 * fraction; of the face at the fractions along u (kind 0), v (kind 1) or
 * the reference direction (kind 2, which needs one). */
unsigned int OFFSET_create_curve_cvtr(unsigned int owner, int option, unsigned int curve, unsigned int fraction);
unsigned int OFFSET_create_surf_cvtr(unsigned int owner, int option, unsigned int face, const unsigned int fractions[2],
                                     int kind, unsigned int reference);
/* A copy of a curve or edge that follows it: a line of a straight one, an
 * arc of a circular one, else (and whenever as_spline is not 0) a cubic
 * spline through its points within the tolerance. value is passed over;
 * dumb not 0: the copy keeps its geometry and follows nothing. */
unsigned int CURVE_create_extract(unsigned int owner, int option, unsigned int curve, int value, int as_spline,
                                  int dumb, double tolerance);
/* A spline of the degree (1 to 24) through count (at least 2) points,
 * closed (back to the first) when closed is not 0, at the parameters
 * (count values, one more when closed; null: chord lengths), leaving the
 * first point along the start slope and reaching the last along the end
 * slope (directions, 0 for free); the new spline in *spline. */
void BCURVE_create_thru_points(unsigned int owner, int option, const unsigned int* points, int count, int degree,
                               int closed, const double* parameters, unsigned int start_slope, unsigned int end_slope,
                               unsigned int* spline);
/* An arc in the transform's XY plane about its origin, from its X axis: of
 * the radius (a scalar) over the angle (a scalar in degrees; 0 for a full
 * circle); through the directions of two points (the first gives the
 * radius), counter-clockwise about Z when sense is 1, else clockwise, a
 * full circle when full is not 0. */
unsigned int ARC_create_radius_angles(unsigned int owner, int option, unsigned int xform, unsigned int radius,
                                      unsigned int angle);
unsigned int ARC_create_xform_two_points(unsigned int owner, int option, unsigned int xform,
                                         const unsigned int points[2], int sense, int full);
/* A transform in the work part relating two part occurrences of one
 * assembly: the axes of the first occurrence's part within those of the
 * second's (origin 0, scale 1). It follows their placements. */
unsigned int XFORM_assy_context_parms_create(unsigned int occurrence, unsigned int context, int option);
/* The occurrence that the transform's context stands for with a part
 * occurrence of its part: the context itself within the same assembly, the
 * assembly's root where the context is a root, else 0. */
unsigned int XFORM_map_part_occurrence(unsigned int xform, unsigned int occurrence);

/* ---- any smart object ---- */
/* The object drops its parameters (it keeps its value and becomes dumb),
 * and the hidden smart objects among its former ancestors that nothing
 * else uses are deleted. */
void SO_delete_non_deletables(unsigned int object);
void SO_ask_parms(unsigned int object, SO_parms_t* parms);
/* The object takes the parameters of the replacement (of its class) and
 * its value from them. */
void SO_replace_parms(unsigned int object, unsigned int replacement);
/* The object drops its parameters: it keeps its value and becomes dumb. */
void SO_delete_parms(unsigned int object);
/* Draws the object (its parents) in the temporary display in the view of
 * the display sequence and the colour: points as markers of the type,
 * lines, directions and offsets (from the origin), axes, a transform's
 * three axes (times its scale) and arcs; scalars and splines have nothing
 * to draw. */
void SO_temp_display(unsigned int object, int sequence, int color, int marker);
void SO_temp_display_parents(unsigned int object, int sequence, int color, int marker);
/* The update option the object was made with. */
int SO_ask_update_option(unsigned int object);
int SO_ask_visibility_option(unsigned int object);
void SO_set_visibility_option(unsigned int object, int option);
int RM_ask_condemned_state(unsigned int object);
/* Parents (children) as a new SM_alloc'd array; kind is passed over. */
void SO_ask_parents(unsigned int object, int kind, int* count, unsigned int** tags);
void SO_ask_children(unsigned int object, int kind, int* count, unsigned int** tags);
int RM_ask_out_of_date_state(unsigned int object);
/* SO_PARENTS_PRESENT, SO_PARENTS_NONE (defined by values alone) or
 * SO_PARENTS_LOST (a parent was deleted). */
int SO_ask_parent_status(unsigned int object);
int RM_ask_got_dumb_state(unsigned int object);
int SO_ask_update_error_code(unsigned int object);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::smart {
// Computes every smart object again from its parents (the update does).
void follow_update();
}  // namespace host::smart
#endif

#endif
