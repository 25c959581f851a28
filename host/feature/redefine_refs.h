/* The references a form feature is placed on and bounded by, as the
 * redefinition of a feature's references reads and changes them.
 *
 * A reference here is a face reference (FREF_ask_fref_of_face: the kernel's
 * persistent tag of the face, host/feature/feature.h). A form feature's
 * link-face record is its placement face (the target; none on a datum
 * plane); form features keep no tool face and no direction reference. Its
 * through faces are the faces a hole or slot runs through (a hole one, a
 * slot two).
 *
 * Subtypes of holes and slots: a hole is 1 (blind) or 2 (through a face), a
 * slot 1 (blind) or 3 (through two faces); other features answer 0.
 *
 * The changes are recorded on the feature through FEAT_redefine and logged
 * for the next update, which builds the feature on its new references. */
#ifndef HOST_FEATURE_REDEFINE_REFS_H
#define HOST_FEATURE_REDEFINE_REFS_H

#define FEAT_SUBTYPE_BLIND     1
#define FEAT_SUBTYPE_THRU_HOLE 2
#define FEAT_SUBTYPE_THRU_SLOT 3

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

/* The link faces of a feature: target face, tool face and the two
 * direction slots (0 where empty). Answers 0, or 1 for a feature without a
 * link-face record (not a form feature). */
int RPO_ask_frec_link_face_parms(unsigned int feature, unsigned int* target, unsigned int* tool, unsigned int* dir1,
                                 unsigned int* dir2);
/* 1 when the reference's face or edge lies on the feature's body. */
int MODL_is_the_same_body(unsigned int feature, unsigned int ref);
/* 1 when the reference's face was made by a feature earlier in time order
 * than the feature (or is no feature's own face); with `own_is_newer` 0 a
 * face the feature made itself passes too. */
int MODL_check_ref_time_stamp(unsigned int feature, unsigned int ref, int own_is_newer);
/* 1 when a feature can be placed on the referenced face (a planar face). */
int MODL__is_ref_good_for_att(unsigned int ref);
/* 1 for a groove; a groove sits on a cylindrical or conical face, inside a
 * bore (internal) or on a shaft. */
int ui_is_groove_feature(unsigned int feature);
int MODL__is_good_for_groove_att(unsigned int ref);
/* 1 when the referenced turned face faces its axis (a bore's face). */
int MODL__is_internal_face(unsigned int ref);
/* 1 when the groove sits in a bore. */
int MODL_is_internal_groove(unsigned int feature);

/* Places the form feature on the referenced face: its location goes onto
 * the face's plane and its direction along the face's normal (into the body
 * for a feature that cuts, out of it for one that adds); the two values and
 * the flag are kept for the host's journal. Raises on failure. */
void MODL__reattach_target_face(unsigned int feature, unsigned int ref, int value1, int value2, char flag);
/* Gives the hole or slot the referenced through faces (as many as it has
 * now). Raises on failure. */
void MODL__reattach_thru_faces(unsigned int feature, int count, const unsigned int refs[], char flag);

/* The subtype of a hole or slot (above), 0 for any other feature. */
int FEAT_ask_subtype(unsigned int feature);
/* The references of the feature's through faces (at most 2); answers
 * their count. */
int FEAT_ask_thru_refs(unsigned int feature, unsigned int refs[2]);
/* A blind hole through a face, a blind slot through two faces, and back.
 * Answer 0 or a code of the feature band (FEAT_ERR_BAD_PARAMETERS for a
 * feature of another kind or subtype, FEAT_ERR_BAD_REFERENCE for a face it
 * cannot run through). */
int HOLE_add_thru_face(unsigned int feature, unsigned int ref);
int HOLE_remove_thru_face(unsigned int feature);
int SLOT_add_thru_faces(unsigned int feature, int count, const unsigned int refs[]);
int SLOT_remove_thru_faces(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
