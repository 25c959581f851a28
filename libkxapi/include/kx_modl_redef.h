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
 * The reattaching functions and the queries answer 875030 when the host
 * fails under them; the model is then as before. */
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

KX_END_DECLS

#endif
