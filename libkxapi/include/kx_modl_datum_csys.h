/* Datum coordinate systems: a feature holding a coordinate system and
 * seven datums placed by a smart transform (kx_so.h): the origin point, the
 * datum axes along X, Y and Z, and the datum planes XY, YZ and ZX.
 *
 * KX_MODL_create_datum_csys takes an object of the part to hold the
 * coordinate system (the work part), the transform (made with update
 * option 1, its parameters of a point and two directions, three planes,
 * three points or an offset transform, or none), and the option: 0 the
 * datum coordinate system follows the transform at every update, 1 it
 * keeps the place it was made at. Codes: 1105004 for a null object,
 * 1105005 for a transform that is null, of another update option or of
 * other parameters, 1105007 for a null output, all before anything
 * changes; the host's code otherwise (the model as it was).
 *
 * KX_MODL_ask_datum_csys_components answers the coordinate system, the
 * origin point, the three datum planes (XY, YZ, ZX) and the three datum
 * axes (X, Y, Z). 1105004 for a tag that is no feature, 1105005 to 1105007
 * and 1105013 for a null output; the host's code for a feature of another
 * kind.
 *
 * KX_MODL_ask_xform_tag_of_datum_csys answers the transform of the datum
 * coordinate system, NULL_TAG for a tag that is no datum coordinate
 * system. */
#ifndef KX_MODL_DATUM_CSYS_H
#define KX_MODL_DATUM_CSYS_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_create_datum_csys(tag object, tag xform, int option, tag* feature);
KXAPI int KX_MODL_ask_datum_csys_components(tag feature, tag* csys, tag* origin, tag dplanes[3], tag daxes[3]);
KXAPI tag KX_MODL_ask_xform_tag_of_datum_csys(tag feature);

KX_END_DECLS

#endif
