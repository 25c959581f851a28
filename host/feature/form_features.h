/* Form features on a planar face of a solid: holes, bosses and cylindrical
 * pockets made by the feature service (kinds "SIMPLE HOLE", "BOSS",
 * "CYL_POCKET") and made again by the update.
 *
 * Every creator takes the location and the direction as three coordinate
 * texts each (numbers written by the caller), the size texts in the order
 * of its kind (they become the feature's expressions, in that order), the
 * placement face (a planar face of a body of the work part) and, for a
 * hole, an optional through face (0: a blind hole); it writes the status
 * (0, or the code of the failure: the model is then as before) and answers
 * the new feature through FORMF_ask_created_frec.
 *
 *   SIMPLE HOLE  Diameter, Depth, Tip Angle; the tool runs from the
 *                location along the direction, to the depth or, with a
 *                through face, to that face's plane (depth and tip angle
 *                are then not used); subtracted.
 *   BOSS         Diameter, Height, Taper Angle; a cylinder from the
 *                location against the direction (out of the face);
 *                united.
 *   CYL_POCKET   Diameter, Depth, Corner Radius, Floor Radius; a
 *                cylinder into the body along the direction; subtracted.
 * The faces the feature was placed on and bounded by are its references
 * (placement first, then the through face).
 *
 * Sizes the kernel builds: diameters, depths and heights above 0; tip and
 * taper angles and the pocket's radii 0 (others raise
 * FEAT_ERR_BAD_PARAMETERS). The tool starts one millimetre outside the
 * placement face so that it never shares that face with the body. */
#ifndef HOST_FEATURE_FORM_FEATURES_H
#define HOST_FEATURE_FORM_FEATURES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

void FORMF_create_simple_hole(const char* const location[3], const char* const direction[3], const char* const parms[3],
                              unsigned int face, unsigned int thru_face, int* status);
void FORMF_create_boss(const char* const location[3], const char* const direction[3], const char* const parms[3],
                       unsigned int face, int* status);
void FORMF_create_cyl_pocket(const char* const location[3], const char* const direction[3], const char* const parms[4],
                             unsigned int face, int* status);
/* A chamfer (kind "CHAMFER": Offset 1, Offset 2, Angle) of the edges of
 * one body: chamfer type 1 cuts each edge back by offset 1 on both faces;
 * other types raise FEAT_ERR_BAD_PARAMETERS. */
void FORMF_create_chamfer(int type, const char* text1, const char* text2, const char* text3, int n,
                          const unsigned int edges[], int* status);
/* The feature the last successful creator made (0 after a failure). */
unsigned int FORMF_ask_created_frec(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
