/* Form features on a solid: holes, bosses and cylindrical pockets placed on
 * a planar face.
 *
 * Each creator takes the feature's location and direction (model units),
 * its sizes as expression texts (handed to the host unchanged and kept as
 * the feature's expressions in the order given), the placement face and,
 * for a hole, an optional through face (NULL_TAG for a blind hole). It
 * writes the new feature into its last argument, NULL_TAG on failure; a
 * failure leaves the model and the undo marks as they were.
 *
 * Direction: a hole or pocket runs from the location along the direction
 * into the body; a boss grows from the location along the direction out of
 * the placement face.
 *
 * Codes: the bad argument's code (1105004 for the first, 1105005 for the
 * second ...) for a null location, direction, size text or output, for a
 * location that is not finite and for a direction that is not finite or
 * has no length, all before anything changes; 875006 for a placement that
 * is no planar face; 875044 when the host made no feature; the host's and
 * the kernel's codes (sizes the kernel cannot build) otherwise.
 *
 * A positioning routine registered with the library runs on each new
 * feature; a non-zero answer takes the feature back and becomes the
 * status; an error raised inside it counts as 0 (noted on the host log). */
#ifndef KX_MODL_CRE_FEAT_H
#define KX_MODL_CRE_FEAT_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* Diameter, depth and tip angle. With a through face the hole runs to that
 * face's plane: depth and tip angle may be null ("1.0" and "0.0" are kept
 * in their place). */
KXAPI int KX_MODL_create_simple_hole(double location[3], double direction[3], const char* diameter, const char* depth,
                                     const char* tip_angle, tag face, tag thru_face, tag* feature);

/* Diameter, height and taper angle. */
KXAPI int KX_MODL_create_boss(double location[3], double direction[3], const char* diameter, const char* height,
                              const char* taper_angle, tag face, tag* feature);

/* Diameter, depth, corner radius and floor radius. */
KXAPI int KX_MODL_create_cyl_pocket(double location[3], double direction[3], const char* diameter, const char* depth,
                                    const char* corner_radius, const char* floor_radius, tag face, tag* feature);

/* A chamfer of the edges (one body's) in the list: type 1 cuts each edge
 * back by offset 1 on both of its faces (offset 2 and angle may be null);
 * 875022 for a null or empty list. No positioning routine runs. */
KXAPI int KX_MODL_create_chamfer(int type, const char* offset1, const char* offset2, const char* angle, tag_list* edges,
                                 tag* feature);

KX_END_DECLS

#endif
