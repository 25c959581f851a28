/* Whole-body features: scale features of one, two or three factors and
 * hollows. */
#ifndef KX_MODL_BODY_OPS_H
#define KX_MODL_BODY_OPS_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* Slots of the factor texts: three of 256 bytes each. A factor is an
 * expression text of at most 132 characters. */
#define KX_MODL_SCALE_SLOT_CHARS 256

/* Scales each of the count bodies, one feature per body.
 * type: 0 uniform (factor 1), 1 axial (factor 1 along the axis, factor 2
 * across it), 2 general (factors 1, 2, 3 along X, Y and Z).
 * point: a point whose place is the centre of the scale (NULL_TAG: the
 * origin); axis: a line whose direction is the axis of an axial scale
 * (NULL_TAG: Z); csys: NULL_TAG (the absolute coordinate system).
 * *features: one tag per feature made, freed with KX_free; NULL on failure.
 * A failure leaves the model as it was. */
KXAPI int KX_MODL_create_scale(int type, tag* bodies, int count, tag point, tag axis, tag csys,
                               char factors[3][KX_MODL_SCALE_SLOT_CHARS], tag** features);
/* Retired: a uniform scale of one body about the origin. The second
 * argument is not read. */
KXAPI int KX_MODL_create_uniform_scale(tag body, tag unused, const char* factor, tag* feature);
/* Retired: a general scale of one body by three factors (X, Y, Z). */
KXAPI int KX_MODL_create_non_uni_scale(tag body, tag unused, const char* factors[3], tag* feature);

/* Hollows the body of the faces (the current target when the list is
 * empty), thickness an expression text of at most 255 characters; the
 * faces are opened. */
KXAPI int KX_MODL_create_hollow(const char* thickness, tag_list* faces, tag* feature);
/* Group 1: faces to open (none: the current target is hollowed closed);
 * group 2: further faces to open; group 3: faces with a thickness text of
 * their own each, taken as a value when the hollow is made. The thickness
 * is an expression that the update follows. tolerance: the smallest
 * thickness taken. */
KXAPI int KX_MODL_create_variable_hollow(double tolerance, const char* thickness, int n_open, tag* open,
                                         int n_more_open, tag* more_open, int n_own, tag* own, char** own_thickness,
                                         tag* feature);

KX_END_DECLS

#endif
