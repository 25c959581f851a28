/* Modelling: the parameters of a feature read back as expression texts,
 * and a feature's directions and location.
 *
 * Each KX_MODL_ask_<kind>_parms query takes the feature, an int that is
 * not read, and its outputs. A text is the assignment of the feature's
 * expression ("p12=10"); a constant-aware one (cone, chamfer) is the
 * expression's formula alone when the expression is a constant. The texts
 * come in the order the kind's creator takes its sizes; the countersunk
 * hole answers its c-sink diameter, c-sink angle, depth, diameter and tip
 * angle. A hole or slot bounded by through faces answers through flag 1
 * and NULL for its optional texts (a hole's depth and tip angle, a slot's
 * length), else flag 0. Texts come from the library's allocator: free
 * each with KX_free.
 *
 * Codes: 875004 a feature (or object) of another kind: the outputs are as
 * the caller left them; 875233 not a feature (directions, location);
 * 1105004 onwards a null output, by its position. A host error is the
 * status; texts already made are then freed and their outputs NULL. */
#ifndef KX_MODL_PARMS_H
#define KX_MODL_PARMS_H

#include "kx_modl.h"
#include "kx_modl_cre_feat.h"
#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_ask_simple_hole_parms(tag feature, int edit, char** diameter, char** depth, char** tip_angle,
                                        int* thru_flag);
KXAPI int KX_MODL_ask_c_bore_hole_parms(tag feature, int edit, char** cbore_diameter, char** cbore_depth,
                                        char** diameter, char** depth, char** tip_angle, int* thru_flag);
KXAPI int KX_MODL_ask_c_sunk_hole_parms(tag feature, int edit, char** csink_diameter, char** csink_angle, char** depth,
                                        char** diameter, char** tip_angle, int* thru_flag);
KXAPI int KX_MODL_ask_boss_parms(tag feature, int edit, char** diameter, char** height, char** taper_angle);
KXAPI int KX_MODL_ask_cyl_pocket_parms(tag feature, int edit, char** diameter, char** depth, char** corner_radius,
                                       char** floor_radius);
KXAPI int KX_MODL_ask_rect_pad_parms(tag feature, int edit, char* sizes[3], char** corner_radius, char** taper_angle);
KXAPI int KX_MODL_ask_rect_pocket_parms(tag feature, int edit, char* sizes[3], char** corner_radius,
                                        char** floor_radius, char** taper_angle);
KXAPI int KX_MODL_ask_rect_slot_parms(tag feature, int edit, char** width, char** depth, char** length, int* thru_flag);
KXAPI int KX_MODL_ask_ball_slot_parms(tag feature, int edit, char** ball_diameter, char** depth, char** length,
                                      int* thru_flag);
KXAPI int KX_MODL_ask_u_slot_parms(tag feature, int edit, char** width, char** depth, char** corner_radius,
                                   char** length, int* thru_flag);
KXAPI int KX_MODL_ask_t_slot_parms(tag feature, int edit, char** top_width, char** top_depth, char** bottom_width,
                                   char** bottom_depth, char** length, int* thru_flag);
KXAPI int KX_MODL_ask_dovetail_slot_parms(tag feature, int edit, char** width, char** depth, char** angle,
                                          char** length, int* thru_flag);
KXAPI int KX_MODL_ask_rect_groove_parms(tag feature, int edit, char** groove_diameter, char** width);
KXAPI int KX_MODL_ask_ball_groove_parms(tag feature, int edit, char** groove_diameter, char** ball_diameter);
KXAPI int KX_MODL_ask_u_groove_parms(tag feature, int edit, char** groove_diameter, char** width, char** corner_radius);
/* The chamfer's type (1 to 3, as created) and its three texts. */
KXAPI int KX_MODL_ask_chamfer_parms(tag feature, int edit, int* type, char** offset1, char** offset2, char** angle);

/* Primitives and further kinds. */
KXAPI int KX_MODL_ask_block_parms(tag feature, int edit, char* sizes[3]);
KXAPI int KX_MODL_ask_cylinder_parms(tag feature, int edit, char** diameter, char** height);
KXAPI int KX_MODL_ask_cone_parms(tag feature, int edit, char** base_diameter, char** top_diameter, char** height,
                                 char** half_angle);
KXAPI int KX_MODL_ask_sphere_parms(tag feature, int edit, char** diameter);
KXAPI int KX_MODL_ask_torus_parms(tag feature, int edit, char** major_radius, char** minor_radius);
KXAPI int KX_MODL_ask_prism_parms(tag feature, int edit, char** diameter, char** height, char** sides);
KXAPI int KX_MODL_ask_hollow_parms(tag feature, int edit, char** thickness);
KXAPI int KX_MODL_ask_offset_parms(tag feature, int edit, char** distance);
KXAPI int KX_MODL_ask_linear_iset_parms(tag feature, int edit, char** number_x, char** offset_x, char** number_y,
                                        char** offset_y);
/* The radius is NULL when the set keeps no expression for it (its copies
 * turn about an axis). */
KXAPI int KX_MODL_ask_circular_iset_parms(tag feature, int edit, char** radius, char** number, char** angle);
/* A sweep's three texts; the second and third are NULL where the sweep
 * keeps no expression. Constants come as their formulas alone. */
KXAPI int KX_MODL_ask_sweep_parms(tag feature, int edit, char** first, char** second, char** third);
/* The angle of a taper (any kind of taper). */
KXAPI int KX_MODL_ask_taper_parms(tag feature, int edit, char** angle);

/* The feature's directions: its axis first; the second is its X direction
 * for a pad, rectangular pocket or slot (a block: its X and Y axes), else
 * (0,0,0). The location: where the feature is placed, after its
 * positioning. A feature with no place answers the host's code. */
KXAPI int KX_MODL_ask_feat_direction(tag feature, double first[3], double second[3]);
KXAPI int KX_MODL_ask_feat_location(tag feature, double location[3]);

/* Instance sets and their instances. KX_MODL_ask_instance: the instance
 * standing at the set's own place (when there is one), then the features
 * the set copies; the caller deletes the list (KX_MODL_delete_list).
 * 875005 for a set of no members, 875004 for a feature that is no
 * instance set (linear or circular): no list is made on a failure.
 * KX_MODL_ask_instance_iset and KX_MODL_ask_master: the set and the
 * master of an instance; 875004 for a feature that is no instance (or an
 * instance whose set is deleted, for the set). An instance answers its
 * master's directions and location moved onto it (the linear set's
 * spacing, the circular set's turn; 875004 for an instance of no master);
 * a linear set answers the location of its first member, a failure there
 * written to the listing window. */
KXAPI int KX_MODL_ask_instance(tag iset, tag_list** instances);
KXAPI int KX_MODL_ask_instance_iset(tag instance, tag* iset);
KXAPI int KX_MODL_ask_master(tag instance, tag* master);

/* Datums. A datum plane's point (the middle of its display square) and
 * unit normal; its first text is the assignment of the offset of a plane
 * placed by an offset, its angle text that of the angle of a plane placed
 * at an angle, else NULL. Both vectors are (0,0,0) and both texts NULL
 * when the call fails. A datum axis's point and direction: (0,0,0) when
 * the call fails. KX_MODL_ask_datum_point_and_direction: the point and
 * direction of the datum plane or axis a feature made. 875004 for a
 * feature that made no datum of the kind. */
KXAPI int KX_MODL_ask_datum_plane_parms(tag feature, double point[3], double normal[3], char** offset, char** angle);
KXAPI int KX_MODL_ask_datum_axis_parms(tag feature, double point[3], double direction[3]);
KXAPI int KX_MODL_ask_datum_point_and_direction(tag feature, double point[3], double direction[3]);

/* The points a points feature owns (an array to free with KX_free). */
KXAPI int KX_MODL_ask_points_parms(tag feature, int* count, tag** points);

/* A hollow: the hollowed body, its kind (1 to 3, as made), the assignment
 * of its thickness, the faces it opens and their count, the faces with a
 * thickness of their own, their count and those thicknesses (values), the
 * thickness's value now, and 1 when it is hollowed closed. Texts and
 * arrays are freed with KX_free. The texts and arrays (3rd, 4th, 6th and
 * 8th outputs) are NULL when the call fails, even uninitialised. */
KXAPI int KX_MODL_ask_hollow_data(tag feature, tag* body, int* kind, char** thickness, tag** open, int* n_open,
                                  tag** own, int* n_own, double** own_thickness, double* value, int* closed);

/* Symbolic threads. */
/* The thread's definition as created: its faces, its direction, its
 * settings; text_2, text_3 and callout as given, text_1 and text_4 to
 * text_8 as the assignments of the thread's expressions. Every text is new
 * (free each with KX_free). 875004 for a feature that is no symbolic
 * thread (the record is as the caller left it). */
KXAPI int KX_MODL_ask_symb_thread_parms(tag feature, symb_thread_data* data);

/* Sews. A sew of sheets: its target body, its tool bodies (tools[n_tools],
 * free with KX_free) and its tolerance. A sew of faces: the target faces
 * and tool faces it took (tags as they were when sewn; free each array
 * with KX_free) and its tolerance. 875004 for a feature that is no sew of
 * the kind (the outputs are as the caller left them). */
KXAPI int KX_MODL_ask_sew_sheet_body(tag feature, tag* target, int* n_tools, tag** tools, double* tolerance);
KXAPI int KX_MODL_ask_sew_solid_body(tag feature, int* n_targets, tag** targets, int* n_tools, tag** tools,
                                     double* tolerance);

/* The user-defined feature's definition name (free with KX_free), its
 * input parameters' prompts and the values of their expressions in the
 * feature's part (the text after the assignment's "="; an empty text for
 * a variable the part no longer has), count entries each (the arrays are
 * allocated also when count is 0: free them with KX_free_string_array).
 * A UDF's meta record (its tool or placed feature) answers for the UDF.
 * 875004 for a feature of another kind. */
KXAPI int KX_MODL_ask_udf_parms(tag feature, char** name, char*** prompts, char*** values, int* count);

KX_END_DECLS

#endif
