/* Smart objects: associative points, directions, axes, scalars, offsets,
 * transforms and lines defined from other objects, which follow those
 * objects (their parents) when the model updates.
 *
 * Every function arms its error frame first, then refuses with 1105000
 * before initialisation, then refuses a null tag or pointer with the code of
 * its position (1105004 to 1105007 for parameters 1 to 4, 1105013 to
 * 1105016 for 5 to 8); a host error becomes the status. The creators take
 * an owner (an object of the part to create in) and an update option, and
 * answer the new object last. Edits of values enter the object in the
 * host's update list so that its children follow at the next update.
 *
 * Host codes: 875033 not a smart object (the update-state questions),
 * 875058 the object is not defined as the question needs (the scalars of a
 * point), 875059 a zero direction or equal points, 875060 (update error
 * code) a parent was deleted and the object has become dumb.
 */
#ifndef KX_SO_H
#define KX_SO_H

#include "kx_types.h"

/* A general spline's record: first_flag 0 or 1, order 1 to 24, second_flag
 * 0 or 1 (when 1 the parameters hold one value more than there are points),
 * count (at least 2) points with a kind (0 to 4) each, the parameters (may
 * be null), the objects qualifying the points (an entry of first_objects is
 * used where the kind is at least 1, of second_objects where it is 2 or 4,
 * of third_objects where it is at least 3, else it is NULL_TAG) and two
 * further words. The spline's poles are its points. */
typedef struct so_spline_data_s {
    int first_flag;
    int order;
    int second_flag;
    int count;
    int* kinds;
    tag* points;
    double* parameters;
    tag* first_objects;
    tag* second_objects;
    tag* third_objects;
    int word1;
    int word2;
} so_spline_data;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- points ---- */
/* position: a scalar (or expression) giving the fraction of the curve (a
 * line or arc), 0 at its start, 1 at its end. */
KXAPI int KX_SO_create_point_on_curve(tag owner, int option, tag curve, tag position, tag* point);
KXAPI int KX_SO_create_point_offset(tag owner, int option, tag point, tag offset, tag* result);
KXAPI int KX_SO_create_point_3_scalars(tag owner, int option, tag scalars[3], tag* point);
/* position: a scalar giving the distance along the axis from its point. */
KXAPI int KX_SO_create_point_on_axis(tag owner, int option, tag axis, tag position, tag* point);
KXAPI int KX_SO_ask_3_scalars_of_point(tag point, tag scalars[3]);
KXAPI int KX_SO_set_display_marker_of_point(tag point, int marker);
KXAPI int KX_SO_ask_display_marker_of_point(tag point, int* marker);

/* ---- axes ---- */
KXAPI int KX_SO_create_axis_doubles(tag owner, int option, double point[3], double direction[3], tag* axis);
KXAPI int KX_SO_create_axis_point_dir(tag owner, int option, tag point, tag direction, tag* axis);
KXAPI int KX_SO_ask_point_of_axis(tag axis, double point[3]);
KXAPI int KX_SO_ask_direction_of_axis(tag axis, double direction[3]);
KXAPI int KX_SO_set_point_of_axis(tag axis, double point[3]);
KXAPI int KX_SO_set_direction_of_axis(tag axis, double direction[3]);

/* ---- directions ---- */
KXAPI int KX_SO_create_dirr_doubles(tag owner, int option, double direction[3], tag* dirr);
KXAPI int KX_SO_create_dirr_doubles_pnt(tag owner, int option, void* base, double direction[3], tag* dirr);
/* From the first point towards the second. */
KXAPI int KX_SO_create_dirr_two_points(tag owner, int option, tag points[2], tag* dirr);
/* Along the line from its start to its end (reverse 0), or back. */
KXAPI int KX_SO_create_dirr_line(tag owner, int option, tag line, int reverse, tag* dirr);
KXAPI int KX_SO_ask_direction_of_dirr(tag dirr, double direction[3]);
KXAPI int KX_SO_set_direction_of_dirr(tag dirr, double direction[3]);

/* ---- scalars ---- */
KXAPI int KX_SO_create_scalar_double(tag owner, int option, double value, tag* scalar);
KXAPI int KX_SO_create_scalar_double_dim(tag owner, int option, double value, int dimensionality, tag* scalar);
KXAPI int KX_SO_create_scalar_exp(tag owner, int option, tag exp, tag* scalar);
KXAPI int KX_SO_create_scalar_exp_dim(tag owner, int option, tag exp, int dimensionality, tag* scalar);
KXAPI int KX_SO_create_scalar_dist_2_pnts(tag owner, int option, tag points[2], tag* scalar);
KXAPI int KX_SO_create_scalar_length_crv(tag owner, int option, tag curve, tag* scalar);
KXAPI int KX_SO_set_double_of_scalar(tag scalar, double value);
KXAPI int KX_SO_ask_double_of_scalar(tag scalar, double* value);
KXAPI int KX_SO_ask_exp_of_scalar(tag scalar, tag* exp);

/* ---- offsets ---- */
KXAPI int KX_SO_create_offset_double(tag owner, int option, double offset[3], tag* result);
KXAPI int KX_SO_create_offset_double_pnt(tag owner, int option, void* base, double offset[3], tag* result);
/* The unit direction times the scalar's value. */
KXAPI int KX_SO_create_offset_dir_dist(tag owner, int option, tag direction, tag distance, tag* result);
KXAPI int KX_SO_create_offset_3_scalars(tag owner, int option, tag scalars[3], tag* result);
KXAPI int KX_SO_ask_offset_of_offset(tag offset, double value[3]);
KXAPI int KX_SO_set_offset_of_offset(tag offset, double value[3]);

/* ---- transforms ----
 * Values: origin, X, Y, Z directions, scale, and the 4x4 matrix (row-major:
 * rows X, Y, Z times the scale with the origin as last column, then 0 0 0
 * 1). NULL_TAG given to a query stands for the identity placement. */
KXAPI int KX_SO_create_xform_doubles(tag owner, int option, double origin[3], double x_direction[3],
                                     double y_direction[3], double scale, tag* xform);
KXAPI int KX_SO_create_xform_pnt_xy_dirs(tag owner, int option, tag point, tag x_direction, tag y_direction, tag scale,
                                         tag* xform);
/* Of a point, X and Z directions (Y = Z x X) or Y and Z (X = Y x Z). */
KXAPI int KX_SO_create_xform_pnt_xz_dirs(tag owner, int option, tag point, tag x_direction, tag z_direction, tag scale,
                                         tag* xform);
KXAPI int KX_SO_create_xform_pnt_yz_dirs(tag owner, int option, tag point, tag y_direction, tag z_direction, tag scale,
                                         tag* xform);
KXAPI int KX_SO_create_xform_extract(tag owner, int option, tag xform, int value, tag* result);
/* Whether the transform relates assembly occurrences (*answer cleared first). */
KXAPI int KX_SO_is_assy_ctxt_xform(tag xform, logical* answer);
KXAPI int KX_SO_ask_point_of_xform(tag xform, double origin[3]);
KXAPI int KX_SO_ask_x_direction_of_xform(tag xform, double x_direction[3]);
KXAPI int KX_SO_ask_y_direction_of_xform(tag xform, double y_direction[3]);
KXAPI int KX_SO_ask_z_direction_of_xform(tag xform, double z_direction[3]);
KXAPI int KX_SO_ask_scale_of_xform(tag xform, double* scale);
KXAPI int KX_SO_ask_matrix_of_xform(tag xform, double matrix[16]);
KXAPI int KX_SO_set_point_of_xform(tag xform, double origin[3]);
KXAPI int KX_SO_set_xy_direction_of_xform(tag xform, double x_direction[3], double y_direction[3]);
KXAPI int KX_SO_set_scale_of_xform(tag xform, double scale);

/* Angles are scalars in degrees. A point of the arc at the angle from the
 * X axis of its matrix (value passed to the host). */
KXAPI int KX_SO_create_point_on_arc_angle(tag owner, int option, tag arc, tag angle, int value, tag* point);
/* The tangent of a line or arc at the fraction given by a scalar, reversed
 * when reverse is not 0 (value passed to the host). */
KXAPI int KX_SO_create_dirr_on_curve(tag owner, int option, tag curve, tag position, int reverse, int value, tag* dirr);
/* The center of an arc or conic; the normal of its plane (reversed when
 * reverse is not 0). */
KXAPI int KX_SO_create_point_conic_center(tag owner, int option, tag conic, tag* point);
KXAPI int KX_SO_create_dirr_axis_of_conic(tag owner, int option, tag conic, int reverse, tag* dirr);
/* The three scalars as coordinates in the transform's axes (times its scale). */
KXAPI int KX_SO_create_point_3_scalars_csys(tag owner, tag xform, int value, tag scalars[3], tag* point);
/* An extract of a point with the display marker of the new point. */
KXAPI int KX_SO_create_point_extract_with_disp_marker(tag owner, int option, tag point, int value, int marker,
                                                      tag* result);
/* Normal to two directions: the first crossed with the second. */
KXAPI int KX_SO_create_dirr_two_dirs(tag owner, int option, tag directions[2], tag* dirr);
/* (r cos a, r sin a, height). */
KXAPI int KX_SO_create_offset_cylindrical(tag owner, int option, tag radius, tag angle, tag height, tag* result);
/* (r cos e cos a, r cos e sin a, r sin e): e the elevation from the XY plane. */
KXAPI int KX_SO_create_offset_spherical(tag owner, int option, tag radius, tag angle, tag elevation, tag* result);

/* ---- extracts: a copy of the source's value that follows it ---- */
KXAPI int KX_SO_create_point_extract(tag owner, int option, tag point, int value, tag* result);
KXAPI int KX_SO_create_axis_extract(tag owner, int option, tag axis, int value, tag* result);
KXAPI int KX_SO_create_dirr_extract(tag owner, int option, tag dirr, int value, tag* result);
KXAPI int KX_SO_create_scalar_extract(tag owner, int option, tag scalar, int value, tag* result);
KXAPI int KX_SO_create_scalar_extract_dim(tag owner, int option, tag scalar, int value, int dimensionality,
                                          tag* result);
KXAPI int KX_SO_create_offset_extract(tag owner, int option, tag offset, int value, tag* result);

/* ---- curves ---- */
/* A record out of its ranges: 1105005; a null result 1105006. */
KXAPI int KX_SO_create_spline(tag owner, so_spline_data* data, tag* spline);
/* The record as made; its arrays are new blocks, the caller's to free with
 * KX_free (parameters null unless the spline was given all of them). */
KXAPI int KX_SO_ask_spline(tag spline, so_spline_data* data);
/* Through three points, from the first over the second to the third. */
KXAPI int KX_SO_create_arc_three_points(tag owner, int option, tag points[3], tag* arc);
/* About the center (first point) from the second to the direction of the third. */
KXAPI int KX_SO_create_arc_center_2_pnts(tag owner, int option, tag points[3], tag* arc);
KXAPI int KX_SO_create_line_two_points(tag owner, int option, tag points[2], tag* line);

/* ---- any smart object ---- */
KXAPI int KX_SO_is_subclass(tag object, logical* answer);
KXAPI int KX_SO_is_so(tag object, logical* answer);
/* 0 shown, 1 hidden. */
KXAPI int KX_SO_ask_visibility_option(tag object, int* option);
KXAPI int KX_SO_set_visibility_option(tag object, int option);
/* The object takes the defining data of the replacement (a smart object of
 * its class) and its value from them. */
KXAPI int KX_SO_replace_parms(tag object, tag replacement);
/* The object keeps its value and no longer follows its parents (dumb). */
KXAPI int KX_SO_delete_parms(tag object);
/* 0 its parents are present, 1 it has none (defined by values), 2 a parent
 * was deleted. */
KXAPI int KX_SO_ask_parent_status(tag object, int* status);
/* Draws the object (its parents) until the next regeneration, in the view
 * of the display sequence (-1 the work view) with the colour; points as
 * markers of the type. */
KXAPI int KX_SO_display(tag object, int sequence, int color, int marker);
KXAPI int KX_SO_display_parents(tag object, int sequence, int color, int marker);
KXAPI int KX_SO_ask_update_error_code(tag object, int* code);
/* New arrays owned by the caller (KX_free). */
KXAPI int KX_SO_ask_parents(tag object, int kind, int* count, tag** parents);
KXAPI int KX_SO_ask_children(tag object, int kind, int* count, tag** children);
KXAPI int KX_SO_is_out_of_date(tag object, logical* answer);
KXAPI int KX_SO_has_become_dumb(tag object, logical* answer);

#ifdef __cplusplus
}
#endif

#endif
