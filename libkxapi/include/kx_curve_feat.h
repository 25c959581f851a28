/* Curve features: bridge, projected, combined, joined, intersection,
 * isocline and wrapped curves (associative: they follow their inputs at
 * each model update); joined curves, plain bridge curves, curve fillets
 * and curve-analysis display settings.
 *
 * Every creation and edit of the model is one undo step: a failed one
 * leaves the model as it was. Feature data handed out by the ask
 * functions belongs to the caller (strings and texts free with
 * KX_MODL_free_string_list and KX_free; tag lists with KX_MODL_delete_list;
 * arrays with KX_free). */
#ifndef KX_CURVE_FEAT_H
#define KX_CURVE_FEAT_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* ---- bridge curve features ---- */

/* method 0 to 5; the curves are strings holding one curve or edge each;
 * positions are expression texts in percent of each curve (0 to 100); a
 * point, when given, decides its position; shapes are expression texts
 * (method 5: one shape from 0.01 to 0.99; method 4: none); method3_option
 * 0 to 2 (method 3); reference: one edge or spline (method 4). */
typedef struct bridge_data_s {
    int method;
    string_list* first_curve;
    string_list* second_curve;
    char* first_position;
    char* second_position;
    tag first_point;
    tag second_point;
    char first_reverse;
    char second_reverse;
    char* first_shape;
    char* second_shape;
    int method3_option;
    string_list* reference;
} bridge_data;

KXAPI int KX_CURVE_create_bridge_feature(bridge_data* data, tag* feature);
KXAPI int KX_CURVE_edit_bridge_feature(tag feature, bridge_data* data);
/* Fills data with new string lists and texts (the caller's). */
KXAPI int KX_CURVE_ask_bridge_feature(tag feature, bridge_data* data);

/* A plain bridge curve (no feature) from curves[0] at parameters[0] to
 * curves[1] at parameters[1] (each curve's own parameter): continuity 0
 * matches the tangents, any other value the curvature too. A reverse flag
 * turns the bridge's direction at its end. An unusable first curve answers
 * 1105004, second 1105006. */
KXAPI int KX_CURVE_create_bridge_curve(int continuity, tag curves[2], double parameters[2], int reverse[2],
                                       tag* bridge);

/* ---- projected curves ---- */

/* proj_type 1 along the face normal, 2 toward a point, 3 along a vector, 4
 * at an angle (degrees, strictly between -90 and 90) to a vector, 5 toward
 * a line, 6 equal arc length. */
typedef struct proj_data_s {
    int proj_type;
    tag proj_object;
    double proj_vector[3];
    double second_vector[3];
    int multiplicity;
    int arclength_option;
    double angle;
    double angle_vector[3];
} proj_data;

/* output 3 makes a projection feature, any other output plain curves in a
 * new group (the result). */
KXAPI int KX_CURVE_create_proj_curves(int n_curves, tag* curves, int n_targets, tag* targets, int output,
                                      proj_data* data, tag* result);
KXAPI int KX_CURVE_edit_proj_curves(tag feature, int n_curves, tag* curves, int n_targets, tag* targets,
                                    proj_data* data);
/* The feature's curves (an array to free with KX_free). */
KXAPI int KX_CURVE_ask_proj_curves(tag feature, int* count, tag** curves);
/* The feature of a projected curve, and the curve and the face it was
 * projected from and onto. */
KXAPI int KX_CURVE_ask_proj_curve_parents(tag curve, tag* feature, tag* input_curve, tag* input_face);

/* ---- combined curves ---- */

/* use_vector 0 sweeps along the normal of the curve's plane, 1 along
 * vector. */
typedef struct combine_direction_s {
    int use_vector;
    double vector[3];
} combine_direction;

KXAPI int KX_CURVE_create_combine_curves(tag first, combine_direction* first_direction, tag second,
                                         combine_direction* second_direction, char* tolerance, tag* feature);
KXAPI int KX_CURVE_edit_combine_curves(tag feature, tag first, combine_direction* first_direction, tag second,
                                       combine_direction* second_direction, char* tolerance);
/* The tolerance text (free with KX_free) and the feature's curves (a new
 * tag list). */
KXAPI int KX_CURVE_ask_combine_curves(tag feature, tag* first, combine_direction* first_direction, tag* second,
                                      combine_direction* second_direction, char** tolerance, tag_list** curves);

/* ---- joined curves ---- */

/* method 1 exact, 2 cubic, 3 quintic; closed is 1 when the joined curve
 * is closed. */
KXAPI int KX_CURVE_create_joined_curve(tag_list* curves, int method, tag* joined, int* closed);
/* One joined curve for each chain of two or more curves, into joined (room
 * for n tags). */
KXAPI int KX_CURVE_auto_join_curves(tag* curves, int n, int method, tag* joined, int* count);

/* ---- joined-curve features ---- */

/* One curve of the curves (method 1 exact, 2 cubic, 3 quintic) that
 * follows them at each model update: the feature and its curve. */
KXAPI int KX_CURVE_create_joined_feature(string_list* curves, int method, tag* feature, tag* joined);
/* tolerances: the distance and angle tolerances of the join's profile
 * (the join runs at the first), and a third value kept with the feature. */
KXAPI int KX_CURVE_edit_joined_feature(tag feature, string_list* curves, int method, double tolerances[3]);
/* Fills curves with new arrays (free with KX_MODL_free_string_list). */
KXAPI int KX_CURVE_ask_joined_parms(tag feature, string_list* curves, int* method, double tolerances[3]);

/* ---- intersection curves ---- */

/* Each set is one solid body, faces of one body, or one datum plane (not
 * both datum planes): a refused set 1 answers 1105005, set 2 1105007, two
 * datum planes 1395062. The feature's curves follow its sets at each model
 * update. */
KXAPI int KX_CURVE_create_int_object(int count1, tag* set1, int count2, tag* set2, tag* feature);
KXAPI int KX_CURVE_edit_int_object(int count1, tag* set1, int count2, tag* set2, tag feature);
/* The sets (arrays to free with KX_free). */
KXAPI int KX_CURVE_ask_int_parms(tag feature, int* count1, tag** set1, int* count2, tag** set2);
/* The feature's curves (an array to free with KX_free). */
KXAPI int KX_CURVE_ask_int_curves(tag feature, int* count, tag** curves);
/* The feature of a curve, and the objects of set 1 and set 2 it lies on
 * (NULL_TAG for a parent that is missing). */
KXAPI int KX_CURVE_ask_int_curve_parents(tag curve, tag* feature, tag parents[2]);

/* ---- isocline curves ---- */

/* The curves on the faces where the face's normal makes an angle with the
 * direction: without third, one angle (angle, a formula in degrees from 0
 * to 180); with third, the angles from second to third in steps of angle.
 * Texts longer than 132 characters are refused with the code of their
 * parameter. When no face has such a curve no feature is made (875198). */
KXAPI int KX_CURVE_create_isocline(int count, tag* faces, double direction[3], char* angle, char* second, char* third,
                                   tag* feature);
KXAPI int KX_CURVE_edit_isocline(tag feature, int count, tag* faces, double direction[3], char* angle, char* second,
                                 char* third);
/* The faces and curves (arrays) and the texts (second and third null
 * without a range) belong to the caller: free each with KX_free. */
KXAPI int KX_CURVE_ask_isocline(tag feature, int* count, tag** faces, double direction[3], char** angle, char** second,
                                char** third, int* curve_count, tag** curves);

/* ---- wrapped curves ---- */

/* kind 1 wraps the curves (second_objects) from the plane `reference` onto
 * the faces (first_objects: faces of one cylinder or cone that the plane
 * touches along a line); kind 2 unwraps curves lying on the faces onto the
 * plane. text: a formula in degrees, the angle about the axis (from the
 * line where the plane touches) at which the surface is cut open for
 * unwrapping, at most 132 characters. first_value: the distance tolerance
 * of the curves made (0: the modelling tolerance); second_value is kept
 * with the feature. One curve is made of each curve given. */
typedef struct wrap_data_s {
    int kind;
    int first_count;
    tag* first_objects;
    tag reference;
    int second_count;
    tag* second_objects;
    char* text;
    double first_value;
    double second_value;
} wrap_data;

KXAPI int KX_CURVE_create_wrap_object(wrap_data* data, tag* feature);
KXAPI int KX_CURVE_edit_wrap_object(wrap_data* data, tag feature);
/* Fills data with new arrays and text: free them with
 * KX_CURVE_free_wrap_parms. */
KXAPI int KX_CURVE_ask_wrap_parms(tag feature, wrap_data* data);
KXAPI int KX_CURVE_free_wrap_parms(wrap_data* data);
/* The feature's curves (an array to free with KX_free). */
KXAPI int KX_CURVE_ask_wrap_curves(tag feature, int* count, tag** curves);
/* The curve a wrapped curve was made of, the first face and the plane of
 * its feature (NULL_TAG for one deleted since), and the feature. */
KXAPI int KX_CURVE_ask_wrap_curve_parents(tag curve, tag* input, tag* face, tag* reference, tag* feature);

/* The curves that a feature made (an array to free with KX_free): any
 * curve feature's, a trim curve feature's or a section feature's. 1105004
 * for a tag of no feature or a feature that makes no curves. */
KXAPI int KX_CURVE_ask_feature_curves(tag feature, int* count, tag** curves);

/* ---- curve fillet ---- */

/* An arc of the radius touching both objects (lines, arcs, conics, splines
 * or points, in one plane), its centre the one nearest `centre`; kind must
 * be 0. trims[i] 1 trims object i (a line or arc) at the arc, keeping the
 * piece the arc does not run along; a curve trimmed to nothing is deleted.
 * When both curves are trimmed and lie in one sketch, the arc joins the
 * sketch, named "ARC<n>" (n counting for the process). `further` is not
 * read. The arc, trims and sketch records are one change: a failure takes
 * them back. */
KXAPI int KX_CURVE_create_fillet(int kind, tag objects[2], double centre[3], double radius, int trims[2], int* further,
                                 tag* fillet);
/* ---- offset curves and offset features ---- */

/* The texts of an offset: first_text the distance (types 1 to 4) or the
 * height (types 5 to 8), second_text the draft angle in degrees (types 5 to
 * 8), expression texts of at most 255 characters each; extension the
 * longest extension of a piece at a corner (types 4 and 8). */
typedef struct offset_type_data_s {
    char* first_text;
    char* second_text;
    double extension;
} offset_type_data;

/* offset_type: 1 to 4 by distance in the chain's plane, 5 to 8 by height
 * along the plane's normal and draft angle (the distance in the plane is
 * height x tan(angle)); corners: types 1 and 5 leave each curve's offset on
 * its own, 2 and 6 round them, 3 and 7 extend the pieces until they meet, 4
 * and 8 as far as the extension. A positive distance goes to the side that
 * KX_CURVE_ask_offset_direction tells. distance_tolerance is answered by
 * KX_CURVE_ask_offset_parms (ignored on input). */
typedef struct offset_data_s {
    string_list* curves;
    double tolerance;
    double distance_tolerance;
    int offset_type;
    offset_type_data* type_data;
} offset_data;

/* Plain offset curves of the chain (an array to free with KX_free). */
KXAPI int KX_CURVE_create_offset_curve(offset_data* data, int* count, tag** curves);
/* An offset feature (types 1, 3, 5 and 7) whose curves follow the chain and
 * the texts' expressions at each model update. */
KXAPI int KX_CURVE_create_offset_object(offset_data* data, tag* feature);
KXAPI int KX_CURVE_edit_offset_object(offset_data* data, tag feature);
/* Fills data with a new string list, a new type_data record and new texts
 * (the extension is not answered); KX_CURVE_free_offset_parms frees them. */
KXAPI int KX_CURVE_ask_offset_parms(tag feature, offset_data* data);
KXAPI int KX_CURVE_free_offset_parms(offset_data* data);
/* The chain's frame: the unit normal of its plane (turned toward +Z; a
 * straight chain takes the part of +Z across it), the side a positive
 * offset goes at the chain's start, and the start point with the unit
 * tangent there. A chain in no plane answers its start as well, with +Z as
 * the normal. */
KXAPI int KX_CURVE_ask_offset_direction(string_list* curves, double normal[3], double side[3], double start[6]);
/* The feature's curves (an array to free with KX_free). */
KXAPI int KX_CURVE_ask_offset_curves(tag feature, int* count, tag** curves);

/* ---- spline features ---- */

/* A feature holding a spline as its curve; an edit gives it another spline
 * (taken at the next model update). */
KXAPI int KX_CURVE_create_spline_feature(tag spline, tag* feature);
KXAPI int KX_CURVE_edit_spline_feature(tag spline, tag feature);
KXAPI int KX_CURVE_ask_spline_feature(tag feature, tag* spline);

/* ---- curve analysis display ---- */

typedef struct analysis_display_s {
    int first_value;
    int second_value;
    char show_comb;
    char show_peaks;
    char show_inflections;
    char show_length;
    double density;
    char options[16];
    char limits_on;
    double scale;
    int limit;
    double limits[3];
} analysis_display;

KXAPI int KX_CURVE_set_analysis_display(tag curve, analysis_display* display);
KXAPI int KX_CURVE_set_spline_sap(tag spline, char options[16], int first, int second);

KX_END_DECLS

#endif
