/* Faces and sketches of features other than form features, as the
 * redefinition of a feature's references reads and changes them:
 *   - the faces an offset ("OFFSET") or hollow ("HOLLOW") works on: the
 *     faces an offset moves, the faces a hollow opens;
 *   - the faces that trim a trimming user-defined feature: its meta record
 *     (a "UDF" meta record made by host::feature::make_trim_udf over its
 *     member features) keeps the references of the faces of the body that
 *     trim it; the faces its members made are its own;
 *   - the sketches of a sweep: a feature of a kind "SWEEP", "EXTRUDED" or
 *     "REVOLVED" sweeps the sketches among its parents (features of kind
 *     "SKETCH").
 * Checks: a tag of no live feature raises FEAT_ERR_NOT_A_FEATURE, a null
 * pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_REDEFINE_FACES_H
#define HOST_FEATURE_REDEFINE_FACES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* 1 for an offset, 2 for a hollow, 0 for any other feature. */
int MODL_ask_replace_faces_kind(unsigned int feature);
/* The offset moves (the hollow opens) the count faces (objects of its
 * body) in place of its own, from the next update on. Raises
 * FEAT_ERR_BAD_PARAMETERS for another feature or no faces,
 * FEAT_ERR_BAD_REFERENCE for a face of another body. */
void MODL__redef_replace_faces(unsigned int feature, int count, const unsigned int faces[]);

int UDF_is_a_trim_udf_meta(unsigned int feature);
/* 1 when a member of the user-defined feature made the referenced face. */
int UDF_is_fref_from_udf(unsigned int feature, unsigned int fref);
/* Its trim faces now (references, SM_alloc, null for none). */
void UDF_ask_trim_frefs(unsigned int feature, int* count, unsigned int** frefs);
/* Gives it the count references as its trim faces (the value is kept for
 * the journal) and logs it for the next update. Raises
 * FEAT_ERR_BAD_PARAMETERS for a feature that is no trimming user-defined
 * feature, FEAT_ERR_BAD_REFERENCE for a reference of no face. */
void MODL__reattach_trim_faces(unsigned int feature, int count, const unsigned int frefs[], int value);

int ui_is_sweep_feature(unsigned int feature);
/* The sketch features the feature sweeps, in its parents' order. */
void SKET_ask_asso_sket_frecs(unsigned int feature, int* count, unsigned int** sketches);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::feature {
// A trimming user-defined feature over the member features (of one part),
// trimmed by the faces (objects); answers its meta record.
unsigned int make_trim_udf(const std::vector<unsigned int>& members, const std::vector<unsigned int>& faces);
}  // namespace host::feature
#endif

#endif
