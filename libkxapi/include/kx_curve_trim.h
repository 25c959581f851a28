/* Trim curve features: a curve chain trimmed or extended to one bounding
 * object, between two, or by a length; and the edits of curves in place. */
#ifndef KX_CURVE_TRIM_H
#define KX_CURVE_TRIM_H

#include "kx_modl.h"
#include "kx_modl_law.h"
#include "kx_types.h"

/* Status of a trim that meets a bound more than once: the candidate points
 * are handed back (the code has no message text). */
#define KX_CURVE_ERR_SEVERAL_INTERSECTIONS 1480017

KX_BEGIN_DECLS

/* A bounding object: the objects of string, or object when string is
 * empty; use_point non-zero picks the intersection nearest point. */
typedef struct trim_bound_s {
    string_list string;
    tag object;
    char use_point;
    double point[3];
} trim_bound;

/* trim_type 4: to one bound; 5: between two bounds; 6 and 7: by a length
 * (the length text is an expression's formula). */
typedef struct trim_data_s {
    string_list curve;
    int spline_extension;
    int trim_type;
    double tolerances[2];
    union {
        struct {
            int option;
            trim_bound bound;
            char flag;
            KX_MODL_vector* direction;
        } one;
        struct {
            int first_option;
            int second_option;
            trim_bound first_bound;
            trim_bound second_bound;
            char flag;
            KX_MODL_vector* direction;
        } two;
        struct {
            int option;
            char length_text[KX_MODL_VALUE_TEXT];
        } length;
    } u;
} trim_data;

/* Points that choose among several intersections (in), or the candidates
 * of an ambiguous trim (out, status 1480017). */
typedef struct trim_extension_points_s {
    int first_count;
    double* first_points;
    int second_count;
    double* second_points;
} trim_extension_points;

KXAPI int KX_CURVE_create_trim(trim_data* data, trim_extension_points* points, tag* feature);
KXAPI int KX_CURVE_edit_trim(tag feature, trim_data* data);
KXAPI int KX_CURVE_ask_trim(tag feature, trim_data* data);
KXAPI int KX_CURVE_free_trim(trim_data* data);

/* Edits in place: the curve trimmed to the bound (the end nearest
 * first_point kept, at the intersection nearest second_point); its length
 * changed by length (kind 1) or set to length (kind 2) at its end (options
 * 0 and 1), its start (2) or both ends (3). */
KXAPI int KX_CURVE_edit_trim_curve(tag curve, tag bound, double first_point[3], double second_point[3], int option);
KXAPI int KX_CURVE_edit_length(tag curve, int kind, double length, int option, int extension);

/* What a reshape after a template made: the largest deviation of the
 * curve's points from the reshaped curve, the reshaped curve's pole count
 * and order, the number (from 1) of the point farthest from it; failed 1
 * (and zeros, -1 for that number) when the host refused the reshape, which
 * leaves the curve unchanged. */
typedef struct template_result_s {
    double deviation;
    int n_poles;
    int order;
    int max_index;
    int failed;
} template_result;

/* Moves several defining points of a spline. data is the host's point-move
 * record, passed through: a count, the numbers of the points (from 0) and
 * their new places (three doubles each). */
KXAPI int KX_CURVE_edit_move_mult_points(tag curve, void* data);
/* Reshapes a spline after a template spline: the template's order and
 * knots, the poles a least-squares fit of the curve's points. */
KXAPI int KX_CURVE_edit_with_template(tag curve, tag template_curve, template_result* result);

KX_END_DECLS

#endif
