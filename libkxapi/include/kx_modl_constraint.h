/* Positioning constraints of form features: the routine run on each new
 * form feature (kx_modl_cre_feat.h registers it) and the queries of a
 * feature's constraints.
 *
 * A form feature placed on a face is positioned by dimensions between a
 * target object of its body (an edge or face: the target side) and the
 * feature (one of its edges, or its location: the tool side), measured in
 * the frame of its link face (the placement face: origin on its plane, Z
 * its outward normal, X the model's X laid onto the plane, else the
 * model's Y). The host makes them; editing a dimension's expression moves
 * the feature at the next model update. A feature's constraints are its
 * link-face constraint (kind text "LINK_FACE_PARMS_c") and its dimensions
 * ("DIM_CONSTRAINT_PARMS_c").
 *
 * Plane points are two doubles in the link face's frame. The dimension
 * queries take the feature, the constraint, an int that is not read, four
 * plane-point outputs, the expression text output (the dimension
 * expression's assignment, freed with KX_free), and the tool and target
 * objects (left as they were for a side without an object). The third
 * pair of a side is the unit direction of its segment ((0, 0) for a point).
 *
 * Codes: 875233 when the first argument is no feature; 875003 for a
 * feature without constraints; 875002 for a constraint without a record;
 * 875004 for a link constraint that is not the link-face constraint;
 * 670286 for a perpendicular dimension whose first reference is on the
 * tool side; host codes otherwise (the outputs written before stay). None
 * of these functions asks whether the interface is initialised (the
 * feature check of KX_MODL_ask_constraints answers 1105000 before). */
#ifndef KX_MODL_CONSTRAINT_H
#define KX_MODL_CONSTRAINT_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* A new list (deleted by the caller with KX_MODL_delete_list, also when
 * the answer is 875003) of the feature's constraints in order; null after
 * a host error. */
KXAPI int KX_MODL_ask_constraints(tag feature, tag_list** constraints);
/* The kind text of the constraint (KX_free); left as it was when the
 * call fails. */
KXAPI int KX_MODL_ask_constraint_type(tag constraint, char** type);
/* The link face's frame: X, Y and Z rows, then the origin. */
KXAPI int KX_MODL_ask_link_face_plane(tag feature, tag constraint, double plane[12]);

/* Target point, tool point, target's third pair, tool's third pair. */
KXAPI int KX_MODL_ask_horz_dime(tag feature, tag constraint, int unused, double target_point[2], double tool_point[2],
                                double target_third[2], double tool_third[2], char** expression, tag* tool,
                                tag* target);
KXAPI int KX_MODL_ask_vert_dime(tag feature, tag constraint, int unused, double target_point[2], double tool_point[2],
                                double target_third[2], double tool_third[2], char** expression, tag* tool,
                                tag* target);
KXAPI int KX_MODL_ask_para_dist(tag feature, tag constraint, int unused, double target_point[2], double tool_point[2],
                                double target_third[2], double tool_third[2], char** expression, tag* tool,
                                tag* target);
/* The midpoint of the target segment, the target point, the midpoint of
 * the tool segment, the tool point. */
KXAPI int KX_MODL_ask_angle_edge(tag feature, tag constraint, int unused, double target_mid[2], double target_point[2],
                                 double tool_mid[2], double tool_point[2], char** expression, tag* tool, tag* target);
/* The target segment's two points, the tool point and its third pair; left
 * as they were when the target segment is shorter than 1e-7 in both
 * coordinates. */
KXAPI int KX_MODL_ask_perp_dist(tag feature, tag constraint, int unused, double segment_start[2], double segment_end[2],
                                double tool_point[2], double tool_third[2], char** expression, tag* tool, tag* target);
/* Both segments longer than 1e-7 (in a coordinate): flag 1, the target
 * segment's two points, then the tool segment's (its points swapped when it
 * runs against the target's), and a null expression; otherwise flag 0, the
 * target segment's two points, the tool segment's first point and the
 * tool's third pair, and the expression text. */
KXAPI int KX_MODL_ask_para_edge(tag feature, tag constraint, int unused, double p1[2], double p2[2], double p3[2],
                                double p4[2], int* flag, char** expression, tag* tool, tag* target);

KX_END_DECLS

#endif
