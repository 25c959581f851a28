/* The host's primitive creators: blocks, cones, cylinders and spheres as
 * features of the work part, from coordinate texts and size texts.
 *
 * Kinds (host/model/feature/feature.h): BLOCK (length, width, height; corner),
 * CYLINDER (diameter, height; origin, axis), CONE (base diameter, top
 * diameter, height, half angle; origin, axis) and SPHERE (diameter;
 * centre). Every size is one of the feature's expressions: the creators
 * hand the caller's size texts to the expression service unchanged, so a
 * size "2*L" follows the part's expression L at the next update. A cone's
 * half angle follows from its diameters and height (its formula names
 * their expressions; degrees): the body is built from the diameters and
 * the height, the half angle is there to be read. Coordinates are read as
 * numbers (a text that is none raises HOST_ERR_BAD_ARGUMENT).
 *
 * sign (FEAT_SIGN_...): 0 makes a new body; 1, 2 and 3 unite the
 * primitive with, subtract it from or intersect it with the work part's
 * current target (BREF_set_current_target), which must be a body with a
 * kernel body (else PRIM_ERR_NO_TARGET). Other signs are refused with
 * FEAT_ERR_BAD_PARAMETERS.
 *
 * Each creator answers 0 and writes the new feature's record (its entity
 * id: CM_ask_eid_of_object gives its tag) into *record, or answers the
 * code of the refusal with the model as it was and *record untouched: an
 * expression's code for a size that does not evaluate, the kernel's
 * KERNEL_ERR_DEGENERATE for a size that is not positive, a zero axis or a
 * coordinate that is not finite, PRIM_ERR_NO_TARGET. Null pointers raise
 * HOST_ERR_NULL_ARGUMENT.
 *
 * percent_g writes a number into a text slot of PRIM_SLOT_CHARS bytes, in
 * the shortest form that reads back (strtod) as the same double: "100",
 * "0.1", "-2.5e-07", "inf", "nan".
 */
#ifndef HOST_FEATURE_PRIMITIVES_H
#define HOST_FEATURE_PRIMITIVES_H

#include "host/base/services/codes.h"

#define PRIM_SLOT_CHARS 30

/* The current target of the work part is missing or has no kernel body
 * (the modelling band's code). */
#define HOST_PRIMITIVE_CODES(X) X(PRIM_ERR_NO_TARGET, 875288)
HOST_BARE_CODE_CONSTANTS(HOST_PRIMITIVE_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void percent_g(char* text, double value);

/* Corner texts (X, Y, Z) and the three edge lengths along X, Y and Z. */
int pxcreblk1(int sign, const char* const corner[3], const char* const sizes[3], unsigned int* record);
/* Origin texts, the base and top diameters, the height and the axis texts;
 * the cone rises from the origin along the axis. */
int pxcrecone1(int sign, const char* const origin[3], const char* const diameters[2], const char* height,
               const char* const axis[3], unsigned int* record);
/* Origin texts, height, diameter and axis texts. */
int pxcrecyl1(int sign, const char* const origin[3], const char* height, const char* diameter,
              const char* const axis[3], unsigned int* record);
/* Centre texts and diameter. */
int pxcresphere1(int sign, const char* const centre[3], const char* diameter, unsigned int* record);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
