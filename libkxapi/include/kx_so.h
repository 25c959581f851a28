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
 * point, the record of a direction on a face ...), 875059 a zero direction
 * or equal points, 875060 (update error code) a parent was deleted and the
 * object has become dumb, 875401 nothing meets or a distance runs beyond
 * its curve.
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

/* A direction on a face (KX_SO_create_dirr_on_surf): the face, the
 * scalars first and second giving fractions of its parameter box (0 at the
 * low, 1 at the high end of u and v), kind 0 the face's normal, 1 the u
 * tangent, 2 the v tangent, 3 the reference (a smart direction) turned
 * into the tangent plane; flag not 0 reverses it. */
typedef struct surface_dirr_data_s {
    tag surface;
    tag first;
    tag second;
    int kind;
    tag reference;
    logical flag;
} surface_dirr_data;

/* The curvature vector of a curve at the fraction of its parameter range
 * given by a scalar (KX_SO_create_offset_curve_cvtr). */
typedef struct curve_cvtr_data_s {
    tag curve;
    tag parameter;
} curve_cvtr_data;

/* The curvature vector of a face at fractions of its parameter box (as in
 * surface_dirr_data), along u (kind 0), v (kind 1) or the reference
 * direction (kind 2). */
typedef struct surf_cvtr_data_s {
    tag surface;
    tag first;
    tag second;
    int kind;
    tag reference;
} surf_cvtr_data;

KX_BEGIN_DECLS

/* ---- on faces, planes and curves ----
 * Faces are face objects of solid bodies; planes are plane objects and
 * planar faces (their outward normal). Host code 875401: nothing meets, or
 * a distance runs beyond the curve. */
/* The point of the face at fractions u and v (scalars) of its parameter box. */
KXAPI int KX_SO_create_point_on_surface(tag owner, int option, tag surface, tag u, tag v, tag* point);
/* Where the curves meet (a face or plane and a curve): the meeting nearest
 * to the help points (their middle when both are given; NULL_TAG for
 * none), else nearest to the start of the (second) curve. */
KXAPI int KX_SO_create_point_two_curves(tag owner, int option, tag curve1, tag curve2, tag help1, tag help2,
                                        tag* point);
KXAPI int KX_SO_create_point_surface_crv(tag owner, int option, tag surface, tag curve, tag help1, tag help2,
                                         tag* point);
/* The point at the distance (a scalar: a length, or per cent of the
 * curve's length when percent is not 0) along the curve from its point
 * nearest to the point, towards its end, or its start when reverse is not
 * 0. */
KXAPI int KX_SO_create_point_along_curve(tag owner, int option, tag curve, tag point, tag distance, int percent,
                                         int reverse, tag* result);
/* The normal of a plane or planar face; the axis of a face's surface; a
 * face's normal at its point nearest to the point: reversed when reverse
 * is not 0. */
KXAPI int KX_SO_create_dirr_plane(tag owner, int option, tag plane, int reverse, tag* dirr);
KXAPI int KX_SO_create_dirr_surface_axis(tag owner, int option, tag surface, int reverse, tag* dirr);
KXAPI int KX_SO_create_dirr_normal_to_surface_point(tag owner, int option, tag surface, tag point, int reverse,
                                                    tag* dirr);
/* A record without its face or scalars, with a kind out of 0 to 3, or of
 * kind 3 without a reference: 1105006. */
KXAPI int KX_SO_create_dirr_on_surf(tag owner, int option, surface_dirr_data* data, tag* dirr);
/* reference is written only for kind 3. */
KXAPI int KX_SO_ask_dirr_on_surf(tag dirr, surface_dirr_data* data);
/* Curvature vectors: the curvature times the unit normal towards the
 * centre of curvature (zero where straight). A record with a null field
 * (the reference only for kind 2), or a kind out of 0 to 2: 1105006. */
KXAPI int KX_SO_create_offset_curve_cvtr(tag owner, int option, curve_cvtr_data* data, tag* offset);
KXAPI int KX_SO_create_offset_surf_cvtr(tag owner, int option, surf_cvtr_data* data, tag* offset);
KXAPI int KX_SO_ask_offset_curve_cvtr(tag offset, curve_cvtr_data* data);
/* reference is written only for kind 2. */
KXAPI int KX_SO_ask_offset_surf_cvtr(tag offset, surf_cvtr_data* data);

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
/* A transform in the part of the object relating two part occurrences of
 * an assembly: the axes of occurrence_b's part (the object's part) within
 * those of occurrence_a's (NULL_TAG: the assembly's root). Neither given:
 * 0 and NULL_TAG. The work part is the same afterwards. */
KXAPI int KX_SO_create_xform_assy_ctxt(tag object, tag occurrence_a, tag occurrence_b, tag* xform);
/* The occurrence that the transform's context stands for with a part
 * occurrence of the transform's part. */
KXAPI int KX_SO_ask_assy_ctxt_part_occ(tag xform, tag occurrence, tag* result);
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
/* A copy of a curve or edge that follows it: a line of a straight one, an
 * arc of a circular one, else (and whenever as_spline is not 0) a cubic
 * spline within the modelling distance tolerance. value is passed to the
 * host; dumb not 0: the copy follows nothing. */
KXAPI int KX_SO_create_curve_extract(tag owner, int option, tag curve, int value, int as_spline, int dumb, tag* result);
/* A spline of the degree (1 to 24) through count (at least 2) points,
 * closed when closed is not 0, at the parameters (count values, one more
 * when closed; NULL: chord lengths), along the start and end slopes
 * (smart directions; NULL_TAG: free). A null points array 1105006, a null
 * result 1105028. */
KXAPI int KX_SO_create_bcurve_thru_points(tag owner, int option, tag* points, int count, int degree, int closed,
                                          double* parameters, tag start_slope, tag end_slope, tag* spline);
/* An arc in the transform's XY plane about its origin from its X axis: of
 * the radius (a scalar) over the angle (a scalar in degrees; NULL_TAG for
 * a full circle); counter-clockwise about Z through the directions of two
 * points, the first giving the radius. */
KXAPI int KX_SO_create_arc_radius_angles(tag owner, int option, tag xform, tag radius, tag angle, tag* arc);
KXAPI int KX_SO_create_arc_xform_2_points(tag owner, int option, tag xform, tag points[2], tag* arc);

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
/* The same, and the hidden smart objects among its former ancestors that
 * nothing else uses are deleted. */
KXAPI int KX_SO_delete_non_deletables(tag object);
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

KX_END_DECLS

#endif
