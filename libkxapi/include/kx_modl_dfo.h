/* Modelling: direct face operations.
 *
 * Each operation works on faces of one solid body and becomes a feature
 * that the model update makes again; its value texts are expressions of the
 * part (editing them and running KX_MODL_update changes the body):
 *   face constraint  moves the constrained face (a planar face), with the
 *                    region's faces, along its normal so that it lies at
 *                    the value from the plane of `to_object` (a parallel
 *                    planar face of the same body);
 *   resize face      gives cylindrical or spherical faces the radius text;
 *   replace face     puts planar faces into the plane of the first
 *                    replacement face;
 *   offset region    moves the region's faces along their normals;
 *   face patterns    copy the region: rectangular (two direction objects,
 *                    counts, spacings), circular (axis object, count, angle
 *                    in degrees between copies) or mirror (plane object);
 *   local scale      scales the region: type 0 by one factor about the
 *                    point of the first reference object, type 1 by the
 *                    first factor across Z and the second along Z about
 *                    the first object's point, type 2 by three factors
 *                    along X, Y and Z about the third object's point (a
 *                    point object; NULL_TAG: the origin);
 *   move region      moves the region by its motion record.
 * Patterns, scale and move take the region off the body and put it back
 * (copied, scaled or moved). A direction object is a line, a straight edge
 * or a planar face (its outward normal); an axis a line, a straight edge or
 * a cylindrical face; a plane a planar face; a point a point object.
 *
 * The faces of a region are its seed and second faces; the third faces are
 * kept with the feature and read back. The patterns keep the first two
 * sets, resize and replace the first and third.
 *
 * Edit functions keep what is not given (a null region or text, NULL_TAG,
 * a count of 0) and log the feature for the next KX_MODL_update. Ask
 * functions hand out new records, arrays and texts that the caller frees
 * with KX_free (a region's arrays and the region itself).
 *
 * Codes: 875365 the region cannot be used (no faces, faces of several or no
 * solid bodies, a null array with a positive count, a negative count, a
 * null record, a motion type outside 0 to 3, a pattern count below 1);
 * 875366 the face constraint or a direction, axis, plane or point object
 * cannot be used; 875367 the replacement faces cannot take the place of
 * the faces; 875368 the kernel cannot make the change; 875004 a feature of
 * another operation (or of another pattern kind); the parameter's code
 * (1105004 ...) for a text over 255 characters or a scale factor over 132;
 * KX_MODL_ask_local_scale answers 1 for a feature that is no local scale.
 * Codes of the band 3190001 to 3190024 that the table does not map, and
 * other host codes, pass unchanged. A failed create or edit leaves the
 * model as it was. */
#ifndef KX_MODL_DFO_H
#define KX_MODL_DFO_H

#include "kx_types.h"

KX_BEGIN_DECLS

#define KX_MODL_DFO_TEXT   256 /* value texts: at most 255 characters */
#define KX_MODL_DFO_FACTOR 132 /* the longest scale factor text */

typedef struct dfo_region_s {
    tag* seed_faces;
    int number_of_seed_faces;
    tag* second_faces;
    int number_of_second_faces;
    tag* third_faces;
    int number_of_third_faces;
} dfo_region;

typedef struct face_constraint_data_s {
    int constraint_type;
    tag from_face;
    tag to_object;
    tag point; /* may be NULL_TAG */
    char value[KX_MODL_DFO_TEXT];
} face_constraint_data;

/* Motion records of move region, by motion type 0 to 3. */
typedef struct move_point_to_point_s {
    tag from_point;
    tag to_point;
} move_point_to_point;

typedef struct move_distance_s {
    tag direction;
    char displacement[KX_MODL_DFO_TEXT];
} move_distance;

typedef struct move_angle_s {
    tag axis;
    tag point;                    /* on the axis; NULL_TAG: the axis object's own point */
    char angle[KX_MODL_DFO_TEXT]; /* degrees */
} move_angle;

typedef struct move_axis_to_axis_s {
    tag from_axis;
    tag to_axis;
    tag pivot_point;
} move_axis_to_axis;

KXAPI int KX_MODL_create_face_constraint(const dfo_region* region, const face_constraint_data* constraint,
                                         tag* feature);
KXAPI int KX_MODL_edit_face_constraint(tag feature, const dfo_region* region, const face_constraint_data* constraint);
KXAPI int KX_MODL_ask_face_constraint(tag feature, dfo_region** region, face_constraint_data** constraint);

KXAPI int KX_MODL_create_resize_face(const tag* faces, int number_of_faces, const tag* third_faces,
                                     int number_of_third_faces, const char* resize, tag* feature);
KXAPI int KX_MODL_edit_resize_face(tag feature, const tag* faces, int number_of_faces, const tag* third_faces,
                                   int number_of_third_faces, const char* resize);
KXAPI int KX_MODL_ask_resize_face(tag feature, tag** faces, int* number_of_faces, tag** third_faces,
                                  int* number_of_third_faces, char resize[KX_MODL_DFO_TEXT]);

KXAPI int KX_MODL_create_replace_face(const tag* faces, int number_of_faces, const tag* replacement_faces,
                                      int number_of_replacement_faces, int replacement_value, char option,
                                      tag* feature);
KXAPI int KX_MODL_edit_replace_face(tag feature, const tag* faces, int number_of_faces, const tag* replacement_faces,
                                    int number_of_replacement_faces, int replacement_value, char option);
KXAPI int KX_MODL_ask_replace_face(tag feature, tag** faces, int* number_of_faces, tag** replacement_faces,
                                   int* number_of_replacement_faces, int* replacement_value, char* option);

KXAPI int KX_MODL_create_offset_region(const dfo_region* region, const char* offset, tag* feature);
KXAPI int KX_MODL_edit_offset_region(tag feature, const dfo_region* region, const char* offset);
KXAPI int KX_MODL_ask_offset_region(tag feature, dfo_region** region, char offset[KX_MODL_DFO_TEXT]);

KXAPI int KX_MODL_create_rectangular_pattern_face(const dfo_region* region, tag direction_1, tag direction_2,
                                                  int count_1, int count_2, const char* spacing_1,
                                                  const char* spacing_2, tag* feature);
KXAPI int KX_MODL_edit_rectangular_pattern_face(tag feature, const dfo_region* region, tag direction_1, tag direction_2,
                                                int count_1, int count_2, const char* spacing_1, const char* spacing_2);
KXAPI int KX_MODL_ask_rectangular_pattern_face(tag feature, dfo_region** region, tag* direction_1, tag* direction_2,
                                               int* count_1, int* count_2, char spacing_1[KX_MODL_DFO_TEXT],
                                               char spacing_2[KX_MODL_DFO_TEXT]);

KXAPI int KX_MODL_create_circular_pattern_face(const dfo_region* region, tag axis, int count, const char* angle,
                                               tag* feature);
KXAPI int KX_MODL_edit_circular_pattern_face(tag feature, const dfo_region* region, tag axis, int count,
                                             const char* angle);
KXAPI int KX_MODL_ask_circular_pattern_face(tag feature, dfo_region** region, tag* axis, int* count,
                                            char angle[KX_MODL_DFO_TEXT]);

KXAPI int KX_MODL_create_mirror_pattern_face(const dfo_region* region, tag plane, tag* feature);
KXAPI int KX_MODL_edit_mirror_pattern_face(tag feature, const dfo_region* region, tag plane);
KXAPI int KX_MODL_ask_mirror_pattern_face(tag feature, dfo_region** region, tag* plane);

KXAPI int KX_MODL_create_local_scale(int scale_type, const dfo_region* region, tag reference_1, tag reference_2,
                                     tag reference_3, const char factors[][KX_MODL_DFO_TEXT], tag* feature);
KXAPI int KX_MODL_edit_local_scale(tag feature, int scale_type, const dfo_region* region, tag reference_1,
                                   tag reference_2, tag reference_3, const char factors[][KX_MODL_DFO_TEXT]);
KXAPI int KX_MODL_ask_local_scale(tag feature, int* scale_type, dfo_region** region, tag* reference_1, tag* reference_2,
                                  tag* reference_3, char factors[][KX_MODL_DFO_TEXT]);

/* motion points to the record of the motion type (move_point_to_point ...);
 * the ask hands out a new record of that type. */
KXAPI int KX_MODL_create_move_region(int motion_type, const dfo_region* region, const void* motion, tag* feature);
KXAPI int KX_MODL_edit_move_region(tag feature, int motion_type, const dfo_region* region, const void* motion);
KXAPI int KX_MODL_ask_move_region(tag feature, int* motion_type, dfo_region** region, void** motion);

KX_END_DECLS

#endif
