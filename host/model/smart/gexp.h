/* Geometric-expression features: a feature of a part that measures model
 * geometry and owns a geometric expression (host/model/expr/expr.h) whose value
 * follows the measured objects at every update.
 *
 * An operand is an object (a face or edge of a body) and a companion tag
 * that qualifies it; the host keeps companions as given. A distance
 * measures the smallest distance between its two objects, a length the
 * length of its edge, an angle the angle (degrees) between its first two
 * objects (planar faces or straight edges); the third operand of an angle
 * is its reference, kept with the feature.
 *
 * The feature is of kind "GEOM_DISTANCE", "GEOM_ANGLE" or "GEOM_LENGTH"; its
 * expression is among its results, so deleting the feature deletes it.
 *
 * Routines answer 0 or a code (the expression service's: EXP_ERR_NO_MEASURE
 * for an object that cannot be measured) and change nothing on failure; a
 * null pointer raises HOST_ERR_NULL_ARGUMENT, a tag that is no
 * geometric-expression feature of the kind HOST_ERR_WRONG_CLASS.
 */
#ifndef HOST_SMART_GEXP_H
#define HOST_SMART_GEXP_H

typedef struct GEXP_operand_s {
    unsigned int object;
    unsigned int companion;
} GEXP_operand_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int GEXP_create_distance_feature(unsigned int part, const GEXP_operand_t* first, const GEXP_operand_t* second,
                                 unsigned int* feature);
int GEXP_create_angle_feature(unsigned int part, const GEXP_operand_t* first, const GEXP_operand_t* second,
                              const GEXP_operand_t* third, unsigned int* feature);
int GEXP_create_length_feature(unsigned int part, unsigned int object, unsigned int companion, unsigned int* feature);
int GEXP_edit_distance_feature(unsigned int feature, const GEXP_operand_t* first, const GEXP_operand_t* second);
int GEXP_edit_angle_feature(unsigned int feature, const GEXP_operand_t* first, const GEXP_operand_t* second,
                            const GEXP_operand_t* third);
int GEXP_edit_length_feature(unsigned int feature, unsigned int object, unsigned int companion);
int GEXP_ask_distance_parms(unsigned int feature, GEXP_operand_t* first, GEXP_operand_t* second);
int GEXP_ask_angle_parms(unsigned int feature, GEXP_operand_t* first, GEXP_operand_t* second, GEXP_operand_t* third);
int GEXP_ask_length_parms(unsigned int feature, unsigned int* object, unsigned int* companion);
/* The feature's expression. */
unsigned int GEXP_ask_exp(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
