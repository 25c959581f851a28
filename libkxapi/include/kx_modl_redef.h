/* Modelling: moving a feature onto other faces without making it again.
 *
 * A form feature (hole, boss, pocket, pad, slot, groove) sits on its target
 * face and a hole or slot may run through faces of its body. These
 * functions read those references and give the feature new ones: each
 * checks the new faces against the feature (the face lies on the feature's
 * body, 875166 otherwise; it is older than the feature, 875167 otherwise)
 * and records the change, which the next KX_MODL_update builds.
 *
 *   KX_MODL_reattach_target_face  places the feature on another face: its
 *                                 location goes onto the face's plane and
 *                                 its axis along the face's normal (a
 *                                 groove: onto the axis of another turned
 *                                 face); the two values and the flag are
 *                                 handed on to the host unchanged
 *   KX_MODL_reattach_thru_faces   other faces for the through faces the
 *                                 feature has (count 0 to 2)
 *   KX_MODL_add_thru_faces        a blind hole through one face, a blind
 *                                 slot through two
 *   KX_MODL_remove_thru_faces     a through hole or slot made blind again
 *   KX_MODL_ask_link_faces        target face, tool face and direction
 *                                 reference (datum planes answered as
 *                                 themselves); the flag tells which
 *                                 direction slot holds the reference
 *                                 (1 the first, 0 the second) and is left
 *                                 alone when neither does
 *   KX_MODL_ask_thru_faces        the through faces of a hole (face 1) or
 *                                 slot (faces 1 and 2)
 *
 *   KX_MODL_reattach_tool_face    another planar face of the body as the
 *                                 feature's tool face
 *   KX_MODL_reattach_dir_ref      a straight edge or planar face of the
 *                                 body as the direction reference of a
 *                                 pad, rectangular pocket or slot: its X
 *                                 direction runs along it (flag 1,
 *                                 horizontal) or across it (flag 0,
 *                                 vertical: its Y direction along it)
 *   KX_MODL_reverse_dir_ref       the same, the X direction reversed when
 *                                 flip is 1 (kept for later reattachments)
 *   KX_MODL_calculate_ref_dir     the X direction an edge or face would
 *                                 give on a planar face (value 1
 *                                 horizontal, else vertical), into
 *                                 direction[3]
 *   KX_MODL_ask_sketch_of_sweep   the first sketch feature a sweep sweeps
 *   KX_MODL_redefine_trim_faces   other trim faces of a trimming
 *                                 user-defined feature, and the model
 *                                 updated; a failed update takes the new
 *                                 faces back too
 *   KX_MODL_redefine_replace_faces  other faces for an offset to move or a
 *                                 hollow to open
 *   KX_MODL_redefine_rpo_constraint  other target and tool entities of a
 *                                 positioning dimension; the dimension
 *                                 keeps its value, and the feature moves at
 *                                 the next update to stand at it from the
 *                                 new target. A null tool is chosen among
 *                                 the feature's centerlines by the tool
 *                                 qualifier (2 or 4: the first; 6: the
 *                                 only or the second; 7: the second, or the
 *                                 only one; others: the first)
 *   KX_MODL_replace_features      old features (a body's root feature, or
 *                                 datum planes or axes) replaced by new
 *                                 ones: with ask_only the caller gets one
 *                                 pair per face or edge of the old features
 *                                 that their children use ({that entity,
 *                                 NULL_TAG}: the caller fills in the
 *                                 replacement; the caller frees the array
 *                                 with KX_free) and nothing changes;
 *                                 without it the children move onto the
 *                                 new features by the caller's pairs and
 *                                 the old features are deleted (option 0)
 *                                 or kept (any other option); 875304 when
 *                                 a pair is missing
 *
 * The reattaching functions and the queries answer 875030 when the host
 * fails under them; the model is then as before. Each function leaves the
 * model as it was when it refuses. */
#ifndef KX_MODL_REDEF_H
#define KX_MODL_REDEF_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_reattach_target_face(tag feature, tag face, int value1, int value2, logical flag);
KXAPI int KX_MODL_reattach_thru_faces(tag feature, int count, tag faces[], logical flag);
KXAPI int KX_MODL_add_thru_faces(tag feature, int count, tag faces[]);
KXAPI int KX_MODL_remove_thru_faces(tag feature);
KXAPI int KX_MODL_ask_link_faces(tag feature, tag* target_face, tag* tool_face, tag* dir_ref, logical* dir_flag);
KXAPI int KX_MODL_ask_thru_faces(tag feature, tag* face1, tag* face2);

KXAPI int KX_MODL_reattach_tool_face(tag feature, tag face, logical flag);
KXAPI int KX_MODL_reattach_dir_ref(tag feature, tag entity, int value, logical flag);
KXAPI int KX_MODL_reverse_dir_ref(tag feature, tag entity, int value, logical flag, logical flip);
KXAPI int KX_MODL_calculate_ref_dir(tag feature, tag face, int value, tag entity, double direction[3]);
KXAPI int KX_MODL_ask_sketch_of_sweep(tag feature, tag* sketch);
KXAPI int KX_MODL_redefine_trim_faces(tag feature, int count, tag faces[], int value);
KXAPI int KX_MODL_redefine_replace_faces(tag feature, int count, tag faces[]);
KXAPI int KX_MODL_redefine_rpo_constraint(tag constraint, tag target, int target_qualifier, tag tool,
                                          int tool_qualifier);

/* A reference pair of KX_MODL_replace_features: the entity of an old
 * reference and the entity that replaces it. */
typedef struct KX_MODL_ref_pair_s {
    tag old_entity;
    tag new_entity;
} KX_MODL_ref_pair_t;

KXAPI int KX_MODL_replace_features(tag old_features[], int n_old, tag new_features[], int n_new, logical ask_only,
                                   int option, KX_MODL_ref_pair_t** pairs, int* n_pairs);

KX_END_DECLS

#endif
