/* Geometric expressions: features of the work part that measure geometry
 * (the distance between two objects, the angle defined by three, the length
 * of one) and own an expression whose value follows the measured geometry
 * at every model update.
 *
 * Each operand is an object and a companion tag that qualifies it; in the
 * argument lists the objects come first, then their companions in the same
 * order. The host measures faces and edges of bodies: the smallest distance,
 * the length of an edge, and the angle in degrees between the first two
 * objects of an angle (planar faces or straight edges), whose third operand
 * is its reference.
 *
 * Status: 0, 1105000 before initialisation, 1105004 for a null feature (edit
 * and ask), the code of the position of a null output, or the host's own
 * status (670514: an object that cannot be measured). Outputs
 * are written only on success.
 */
#ifndef KX_GEXP_H
#define KX_GEXP_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_GEXP_create_distance(tag object1, tag object2, tag companion1, tag companion2, tag* feature,
                                  tag* expression);
KXAPI int KX_GEXP_create_angle(tag object1, tag object2, tag object3, tag companion1, tag companion2, tag companion3,
                               tag* feature, tag* expression);
KXAPI int KX_GEXP_create_length(tag object, tag companion, tag* feature, tag* expression);
KXAPI int KX_GEXP_edit_distance(tag feature, tag object1, tag object2, tag companion1, tag companion2);
KXAPI int KX_GEXP_edit_angle(tag feature, tag object1, tag object2, tag object3, tag companion1, tag companion2,
                             tag companion3);
KXAPI int KX_GEXP_edit_length(tag feature, tag object, tag companion);
KXAPI int KX_GEXP_ask_distance_parms(tag feature, tag* object1, tag* object2, tag* companion1, tag* companion2);
KXAPI int KX_GEXP_ask_angle_parms(tag feature, tag* object1, tag* object2, tag* object3, tag* companion1,
                                  tag* companion2, tag* companion3);
KXAPI int KX_GEXP_ask_length_parms(tag feature, tag* object, tag* companion);

KX_END_DECLS

#endif
