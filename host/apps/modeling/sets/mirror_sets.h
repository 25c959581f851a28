/* Mirror sets of the modelling library: a feature "MIRROR_SET" that
 * repeats features of a body mirrored about a plane.
 *
 * The mirrored features (its inputs, also its parents) cut or unite tools
 * of their own into one body (holes, bosses, pockets ...; all cutting or
 * all uniting) or are instance sets of such features, which count with
 * their sources (the whole pattern is mirrored). The set copies their tools
 * mirrored about the plane, and applies the copies to the body as the
 * inputs were applied, in one step after them (the kernel's instance
 * tools, host/kernel/ops/tool_copies.h). The update makes the step again with
 * the body, and makes the copies again when the inputs' tools changed (a
 * mirrored hole's diameter edited: host/apps/modeling/sets/instance_set_rows.h). A
 * face's place and normal are taken when the plane is given: a face that
 * moves later does not move the copies; a datum plane that moves takes
 * the copies with it at the next update.
 *
 * The mirror plane is a face reference (host/model/feature/feature.h: the
 * kernel's persistent tag of a face) or a datum plane's reference
 * (create_dplane_fref, host/apps/modeling/form/form_slots.h);
 * MOD_UI_ask_fref_of_disp_entity answers the reference of a planar face
 * of a body or of a datum plane, and 0 for any other object (a curved
 * face, a datum axis, a dead tag). The feature's parameter
 * object (FREC_ask_parms_of_frec) is of a class under
 * "DM_mirror_pattern_c".
 *
 * DM_create_mirror_pattern (features, count, plane, flag): the new mirror
 * set; the flag must be 0. DM_replace_input_frec (set, features, count,
 * flag): other inputs (flag 1); DM_mirror_replace_dplane (set, plane):
 * another plane. The two edits change the set's step at once and log the
 * set for the next update, which makes the body again with it.
 * DM_ask_mirror_plane: the plane's reference. DM_ask_user_input_frec: the
 * inputs, in the order given (SM_alloc, a block also for none).
 * Failures raise and leave the model as it was: FEAT_ERR_BAD_PARAMETERS
 * for no inputs or a flag other than allowed, FEAT_ERR_NOT_A_FEATURE for
 * an input that is no live feature, FEAT_ERR_BAD_REFERENCE for inputs of
 * several bodies or of no tool, a plane that is no planar face or datum
 * plane, a set that is no mirror set, inputs newer than the set; the
 * kernel's code when the copies cannot be made (a mixture of cutting and
 * uniting inputs).
 *
 * Instance sets: ISET_is_an_initial_master_frec answers 1 for a feature
 * that an instance set ("CIRCULAR_ISET", "LINEAR_ISET") copies, 0 for any
 * other object; ISET_ask_instances_of_master the instance sets that copy
 * it, in time order (SM_alloc, null for none).
 */
#ifndef HOST_FEATURE_MIRROR_SETS_H
#define HOST_FEATURE_MIRROR_SETS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

unsigned int MOD_UI_ask_fref_of_disp_entity(unsigned int entity);
unsigned int DM_create_mirror_pattern(const unsigned int features[], int count, unsigned int plane, int flag);
unsigned int DM_ask_mirror_plane(unsigned int set);
void DM_ask_user_input_frec(unsigned int set, int* count, unsigned int** features);
void DM_replace_input_frec(unsigned int set, const unsigned int features[], int count, int flag);
void DM_mirror_replace_dplane(unsigned int set, unsigned int plane);
int ISET_is_an_initial_master_frec(unsigned int feature);
void ISET_ask_instances_of_master(unsigned int master, int* count, unsigned int** instances);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
