/* Datum coordinate systems: a feature holding a coordinate system and
 * seven datums, all placed by a smart transform (host/model/smart/smart.h).
 *
 * CSYSTEM_xform_create (object, kind, xform) makes a smart coordinate
 * system (entity type 45 with its matrix) in the part of the object (a part
 * or any object of one) whose origin and axes are those of the transform;
 * kind 2 is the kind made (a coordinate system of a transform), another
 * kind raises HOST_ERR_BAD_ARGUMENT; a transform that is no smart transform
 * raises HOST_ERR_WRONG_CLASS. CSYSTEM_ask_xform answers the transform of
 * such a coordinate system (0 for another object).
 *
 * DATUM_CSYS_create_feature (csys, option, record) makes the feature
 * "DATUM_CSYS" in the work part (the coordinate system must be a smart one
 * of the work part: HOST_ERR_BAD_ARGUMENT otherwise) with seven
 * components, in this order:
 *   1     the origin, a point
 *   2..4  the datum axes along X, Y and Z
 *   5..7  the datum planes XY, YZ and ZX (normal Z, X and Y)
 * Option 0: the coordinate system and its components follow the transform
 * at every update; option 1: they keep the place they were made at.
 * Another option raises HOST_ERR_BAD_ARGUMENT. Answers 0 with the record.
 *
 * DATUM_CSYS_ask_csys_tag_of_datum_csys answers the feature's coordinate
 * system (0 for a feature of another kind); DATUM_CSYS__ask_feature_
 * components its seven components in the order above (FEAT_ERR_NOT_A_FEATURE
 * for a feature of another kind).
 *
 * Part files keep the coordinate systems' transforms (sections "CSXF" and
 * "DCSY"; the transforms themselves with the smart objects, host/model/smart):
 * a reopened part answers the same components and transform and follows
 * it as before. A file without these sections opens with the objects no
 * longer tied.
 *
 * A dead tag raises HOST_ERR_DEAD_TAG, a null pointer
 * HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_DATUM_CSYS_H
#define HOST_FEATURE_DATUM_CSYS_H

#define CSYSTEM_KIND_XFORM 2
#define DATUM_CSYS_COMPONENTS 7

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

unsigned int CSYSTEM_xform_create(unsigned int object, int kind, unsigned int xform);
unsigned int CSYSTEM_ask_xform(unsigned int csys);
int DATUM_CSYS_create_feature(unsigned int csys, int option, unsigned int* record);
unsigned int DATUM_CSYS_ask_csys_tag_of_datum_csys(unsigned int feature);
void DATUM_CSYS__ask_feature_components(unsigned int feature, unsigned int components[DATUM_CSYS_COMPONENTS]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
