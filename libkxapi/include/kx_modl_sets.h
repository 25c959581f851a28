/* Modelling: feature sets and mirror sets.
 *
 * A feature set groups features of the work part under a name, so that
 * they are handled and hidden together (a hidden set's members leave the
 * feature browser). A mirror set is a feature that repeats features of a
 * body (holes, bosses, pockets ... and instance sets of them) mirrored
 * about a planar face; the initial master of an instance set stands for
 * the set's first instance.
 *
 *   KX_MODL_create_set_of_feature   a new set (flag not 0: hidden from the
 *                                   start) of the members, the model then
 *                                   updated
 *   KX_MODL_edit_set_members        other members (count 0: none); each
 *                                   must be older than the set
 *   KX_MODL_edit_set_hide_state     hides (*state not 0) or shows the set;
 *                                   *state becomes the hidden flag now
 *   KX_MODL_is_feature_a_set_member 1 when a set holds the feature
 *   KX_MODL_ask_sets_of_member      the sets holding the feature (null
 *                                   for none)
 *   KX_MODL_ask_set_from_name       the feature of that name: a set by its
 *                                   name, any feature by its display name
 *   KX_MODL_ask_all_members_of_set  the members (an array also for none)
 *   KX_MODL_create_mirror_set       a new mirror set, the model then updated
 *   KX_MODL_ask_plane_of_mirror_set the mirror plane
 *   KX_MODL_ask_features_of_mirror_set  the mirrored features (an array
 *                                   also for none)
 *   KX_MODL_edit_mirror_set         other features (count 0: they stay) and
 *                                   another plane; the next KX_MODL_update
 *                                   moves the copies
 *
 * Codes: 875014 an empty set name or no feature of the name; 875033 a tag
 * that is no feature, or a member newer than the set; 875004 a feature
 * that is no set; 875007 a mirror plane that is no planar face. A null
 * text, output or array with a positive count, or a negative count, gives
 * the code of its parameter. A creation that fails leaves the model and
 * the undo marks as they were. Arrays handed out are freed with KX_free.
 */
#ifndef KX_MODL_SETS_H
#define KX_MODL_SETS_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_create_set_of_feature(const char* name, tag* members, int count, int flag, tag* set);
KXAPI int KX_MODL_edit_set_members(tag set, tag* members, int count);
KXAPI int KX_MODL_edit_set_hide_state(tag set, int* state);
KXAPI int KX_MODL_is_feature_a_set_member(tag feature, int* is_member);
KXAPI int KX_MODL_ask_sets_of_member(tag feature, tag** sets, int* count);
KXAPI int KX_MODL_ask_set_from_name(const char* name, tag* set);
KXAPI int KX_MODL_ask_all_members_of_set(tag set, tag** members, int* count);
KXAPI int KX_MODL_create_mirror_set(tag* features, int count, tag plane, tag* set);
KXAPI int KX_MODL_ask_plane_of_mirror_set(tag set, tag* plane);
KXAPI int KX_MODL_ask_features_of_mirror_set(tag set, tag** features, int* count);
KXAPI int KX_MODL_edit_mirror_set(tag set, tag* features, int count, tag plane);

KX_END_DECLS

#endif
