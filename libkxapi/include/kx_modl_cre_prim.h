/* Primitives: blocks, cones, cylinders and spheres as features.
 *
 * Points and directions are in model units; sizes (edge lengths,
 * diameters, heights) are expression texts that become the feature's
 * expressions, so a size may name the part's expressions ("2*L") and the
 * body follows them at the next KX_MODL_update.
 *
 * sign: 0 makes a new body (the target is not looked at); 1 unites the
 * primitive with the target body, 2 subtracts it from the target, 3
 * intersects it with the target.
 *
 *   block      corner, edge lengths along X, Y and Z
 *   cone       origin, base and top diameters, height, axis: the cone
 *              rises from the origin along the axis (one diameter may be 0)
 *   cylinder   origin, height, diameter, axis
 *   sphere     centre, diameter
 *
 * The plain forms write the new feature into their last argument and
 * leave no undo mark behind; a failure leaves the model, the marks and
 * the output as they were. Codes: 1105000 before KX_initialize; 1105004
 * for a sign other than 0 to 3, 1105005 for a non-zero sign without a
 * target, then the position's code of a null point, direction, size text
 * or output (all before anything changes); 875288 for a target that is no
 * body or has no solid body; the expression service's code for a size
 * that does not evaluate; 670404 for a size that is not positive, a
 * direction of no length or a coordinate that is not finite; the undo
 * service's code when no undo mark can be set.
 *
 * The forms with the suffix 1 make the primitive without any frame: no
 * initialisation check, no undo mark, no error handling of their own (a
 * host error goes to the caller's own handler, KX_ERROR_set_handler). With
 * a non-zero sign they combine the primitive with the work part's current
 * target body (875288 when there is none). They refuse a null point,
 * direction, size text or output with its position's code. Each writes
 * its coordinates into text slots of its own that the next call of the
 * same function overwrites: they are not reentrant.
 */
#ifndef KX_MODL_CRE_PRIM_H
#define KX_MODL_CRE_PRIM_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_MODL_create_block(int sign, tag target, double corner[3], const char* edge_len[3], tag* block);
KXAPI int KX_MODL_create_cone(int sign, tag target, double origin[3], const char* diameters[2], const char* height,
                              double direction[3], tag* cone);
KXAPI int KX_MODL_create_cylinder(int sign, tag target, double origin[3], const char* height, const char* diameter,
                                  double direction[3], tag* cylinder);
KXAPI int KX_MODL_create_sphere(int sign, tag target, double center[3], const char* diameter, tag* sphere);

KXAPI int KX_MODL_create_block1(int sign, double corner[3], const char* edge_len[3], tag* block);
KXAPI int KX_MODL_create_cone1(int sign, double origin[3], const char* diameters[2], const char* height,
                               double direction[3], tag* cone);
KXAPI int KX_MODL_create_cyl1(int sign, double origin[3], const char* height, const char* diameter,
                              double direction[3], tag* cylinder);
KXAPI int KX_MODL_create_sphere1(int sign, double center[3], const char* diameter, tag* sphere);

KX_END_DECLS

#endif
