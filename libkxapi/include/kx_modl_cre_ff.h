/* Modelling: free-form features made from strings of curves and edges.
 *
 *   KX_MODL_create_sweep         sections swept along 1 to 3 guide strings
 *   KX_MODL_create_curve_mesh    a surface over primary and cross strings
 *   KX_MODL_create_thru_curves   a surface through 2 to 150 section strings
 *   KX_MODL_create_ruled         a ruled surface between two strings
 *   KX_MODL_create_bplane        a planar sheet bounded by closed strings
 *                                (the outer one and its holes)
 *   KX_MODL_create_curve_mesh1, KX_MODL_create_thru_curves1,
 *   KX_MODL_create_ruled1        the same combined with a target body
 *                                (boolean type 1 unite, 2 subtract,
 *                                3 intersect; 0 a new body)
 *   KX_MODL_assign_string_directions, KX_MODL_get_curve_edge_direction
 *                                the direction of a string (1 or -1) seen
 *                                from a point near its start
 *   KX_MODL_ask_free_form_result, KX_MODL_set_free_form_result
 *
 * The feature made is answered in the last argument (NULL_TAG on every
 * failure); its definition reads back with the queries of kx_modl_a_sweep.h.
 * A body option of 1 makes a solid when the strings close; the boolean
 * type is honoured only for a solid. The face constraints of the curve mesh
 * (4) and through curves (2) are compacted in the caller's array: the tags
 * given move to the front in their order, the rest become NULL_TAG.
 *
 * Codes: the count and method checks answer their own codes before any
 * change (875054 to 875105, 875192); strings that the host refuses answer
 * the code of their role and class; 875044 when the host cannot build the
 * feature. Every failure after the creator's undo mark leaves the model as
 * it was. */
#ifndef KX_MODL_CRE_FF_H
#define KX_MODL_CRE_FF_H

#include "kx_modl.h"
#include "kx_modl_a_sweep.h"
#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_create_sweep(string_list* guides, string_list* sections, string_list* spine,
                               sweep_method* orientation, sweep_method* scaling, int* alignment, int* section_method,
                               int* body_option, double tolerances[3], int* further, tag* result);
KXAPI int KX_MODL_create_curve_mesh(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                                    int* mesh_method, int* body_option, int* mesh_flag, int boolean_type,
                                    double tolerances[3], tag faces[4], int continuity[4], tag* result);
KXAPI int KX_MODL_create_thru_curves(string_list* sections, string_list* spine, int* patch_kind, int* alignment,
                                     double values[6], int* degree, int* closed, int* body_option, int boolean_type,
                                     double tolerances[3], tag faces[2], int continuity[2], tag* result);
KXAPI int KX_MODL_create_ruled(string_list* sections, string_list* spine, int* alignment, double values[6],
                               int* end_option, int* body_option, int boolean_type, double tolerances[3],
                               tag* result);
KXAPI int KX_MODL_create_bplane(string_list* boundaries, double tolerances[3], tag* result);
KXAPI int KX_MODL_create_curve_mesh1(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                                     int* mesh_method, int* body_option, int* reserved, int* mesh_flag,
                                     int boolean_type, tag target, double tolerances[3], tag faces[4],
                                     int continuity[4], int* further, tag* result);
KXAPI int KX_MODL_create_thru_curves1(string_list* sections, string_list* spine, int* patch_kind, int* alignment,
                                      double values[6], int* degree, int* closed, int* reserved, int* body_option,
                                      int boolean_type, tag target, double tolerances[3], tag faces[2],
                                      int continuity[2], int* further1, int* further2, tag* result);
KXAPI int KX_MODL_create_ruled1(string_list* sections, string_list* spine, int* alignment, double values[6],
                                int* end_option, int* body_option, int boolean_type, tag target,
                                double tolerances[3], tag* result);
KXAPI int KX_MODL_assign_string_directions(double points[][3], string_list* strings);
KXAPI int KX_MODL_get_curve_edge_direction(double point[3], tag object, int* direction);
KXAPI int KX_MODL_ask_free_form_result(int* result);
KXAPI int KX_MODL_set_free_form_result(int value);

/* Sheets from faces and points */
/* A boundary of a point cloud: a closed polygon, three doubles a point. */
typedef struct cloud_boundary_s {
    int n_points;
    const double* points;
} cloud_boundary;
/* The face moved along its normal by offsets interpolated between four
 * (u, v) points of its parameter box; the result is the new sheet body. */
KXAPI int KX_MODL_create_variable_offset(tag face, char* offsets[4], double points[4][2], tag* result);
/* The solid between the sheet moved by the two offsets (texts of at most
 * 132 characters), combined with the current target body by the boolean
 * type (1 unite, 2 subtract, 3 intersect; 0 a new body); the result is
 * the feature. */
KXAPI int KX_MODL_create_thicken_sheet(tag sheet, const char* first_offset, const char* second_offset,
                                       int boolean_type, tag* result);
/* A sheet bridging two edges of two faces, tangent to both; side faces,
 * side edges and side strings are optional (at most two in all); the
 * result is the new sheet body. */
KXAPI int KX_MODL_create_bridge_face(int bridge_type, void* reserved, tag faces[2], tag edges[2], int directions[2],
                                     string_list* side_string1, string_list* side_string2, tag side_faces[2],
                                     tag side_edges[2], tag* result);
/* A B-surface fitted to points (heights over the frame of the x and y
 * directions, or the world); the three further outputs (each may be
 * null) receive the mean and greatest distance of the points and the
 * index of the farthest; the result is the new sheet body. */
KXAPI int KX_MODL_create_surf_from_cloud(int n_points, double points[][3], double directions[6],
                                         cloud_boundary* boundary, int degree_u, int degree_v, int patches_u,
                                         int patches_v, int option, double* mean_error, double* max_error,
                                         int* farthest, tag* result);
/* Turns a sheet's faces over; with later features on the sheet only when
 * forced; the result is the feature. */
KXAPI int KX_MODL_create_reverse_normal(tag sheet, int force, tag* result);
/* Trimmed and enlarged sheets */
struct KX_MODL_vector_s; /* kx_modl_law.h */
/* A trimmed sheet: the sheet body cut by the bounding curves or edges
 * projected onto it, the pieces holding the region points kept (region 0)
 * or the others kept (region 1). Arguments: sheet body; number of bounding
 * objects; the objects; projection (type 0 along the components, 1 along
 * the direction of the axis object, a linear edge or datum axis, or the
 * normal of a planar face or datum plane; 5 along the sheet's normal; 6, 7
 * and 8 as 0, 1 and 5; reverse is not read); number of region points; the
 * points (three doubles each); region flag; distance tolerance (above 0);
 * angle tolerance in degrees (above 0, kept with the feature); the new
 * sheet body out; the number of its faces out; the feature out. Edit
 * takes the feature and arguments 2 to 9; ask answers them (bounding
 * objects and points in arrays the caller frees with KX_free, the two
 * tolerances). Other projection types answer 671231. */
KXAPI int KX_MODL_create_trimmed_sheet(tag sheet, int n_bounds, tag* bounds, struct KX_MODL_vector_s* projection,
                                       int n_points, double* points, int region, double distance_tolerance,
                                       double angle_tolerance, tag* body, int* n_faces, tag* feature);
KXAPI int KX_MODL_edit_trimmed_sheet(tag feature, int n_bounds, tag* bounds, struct KX_MODL_vector_s* projection,
                                     int n_points, double* points, int region, double distance_tolerance,
                                     double angle_tolerance);
KXAPI int KX_MODL_ask_trimmed_sheet(tag feature, tag* sheet, int* n_bounds, tag** bounds,
                                    struct KX_MODL_vector_s* projection, int* n_points, double** points, int* region,
                                    double tolerances[2]);
/* An enlarged sheet: the face's surface over its parameter box widened by
 * the four percentages (expression texts of at most 255 characters: u
 * start, u end, v start, v end) of its ranges; type 0 extends the surface
 * naturally (0 to 100), type 1 linearly and may also shrink (-99 to 100,
 * each direction's two together at least -99). The texts that ask answers
 * are the caller's to free with KX_free. */
KXAPI int KX_MODL_create_enlarge(tag face, int type, char* percent[4], double tolerance, tag* result);
KXAPI int KX_MODL_edit_enlarge(tag feature, int type, char* percent[4], double tolerance);
KXAPI int KX_MODL_ask_enlarge(tag feature, tag* face, int* type, char* percent[4], double* tolerance);

KX_END_DECLS

#endif
