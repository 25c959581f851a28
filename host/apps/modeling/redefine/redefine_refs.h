/* The references a form feature is placed on and bounded by, as the
 * redefinition of a feature's references reads and changes them.
 *
 * A reference here is a face or edge reference (FREF_ask_fref_of_face,
 * EREF_ask_eref_of_edge: the kernel's persistent tag of the face or edge,
 * host/model/feature/feature.h). A form feature's link-face record is its
 * placement face (the target; none on a datum plane), its tool face (a
 * planar face of its body the record keeps for the feature: none when
 * made; host::feature::set_tool_face gives one; the build does not read it)
 * and, for a feature that runs along an X direction (pad, rectangular
 * pocket, slot: RPO_frec_takes_dir_ref), its direction reference: an edge
 * or planar face of its body that sets the X direction, held in the first
 * slot (horizontal: X along it) or the second (vertical: Y along it, X
 * then Y x direction), none when made (the X direction given stands). An
 * edge sets the direction of its line, a face its normal, each laid onto
 * the placement plane; the flip flag (RPO_set_flip_x_dir_of_face) reverses
 * the X direction so found. Its through faces are the faces a hole or slot
 * runs through (a hole one, a slot two).
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
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

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

/* The tool face and the direction reference: checks and changes. */
int RPO_frec_takes_dir_ref(unsigned int feature);
/* 1 when the referenced edge is straight. */
int MODL__is_linear_edge(unsigned int eref);
/* Gives the feature the referenced tool face (a planar face of its body).
 * Raises on failure. */
void MODL__reattach_tool_face(unsigned int feature, unsigned int ref, char flag);
/* Sets the direction reference (an edge or face reference) into the first
 * slot (flag 1) or the second (0); the value is kept for the journal. The
 * feature's X direction follows it (made again at the next update). Raises
 * FEAT_ERR_BAD_REFERENCE for a reference that lies along the feature's
 * direction, FEAT_ERR_BAD_PARAMETERS for a feature that takes none. */
void MODL__reattach_dir_ref(unsigned int feature, unsigned int ref, int value, char flag);
/* Reverses (flip 1) or keeps (0) the X direction found from the
 * feature's direction reference from the next reattachment on. */
void RPO_set_flip_x_dir_of_face(unsigned int feature, char flip);
/* The X direction (unit, into out[3]) that the reference (an edge or face
 * reference) would give a feature placed on the referenced face: value 1
 * horizontal, else vertical (as the slots above). Answers 0, or
 * FEAT_ERR_BAD_REFERENCE when the face is not planar or the reference
 * lies along its normal. */
int RPO_calculate_ref_dir(unsigned int feature, unsigned int face_ref, int value, unsigned int ref, double out[3]);

/* Time order of any entity: 1 when the object (a face, edge, curve, point
 * or datum) was made by a feature earlier than the feature or by none;
 * with own_is_newer 0 the feature's own objects pass too. */
int MODL_check_eid_time_stamp(unsigned int feature, unsigned int object, int own_is_newer);
/* The feature whose step made the referenced face (0 for none). */
unsigned int FREF_ask_frec_of_fref(unsigned int fref);
/* The feature that positions the feature: itself when it is a form
 * feature placed on a face, else 0. */
unsigned int RPO_ask_rpo_frec_of_fref_frec(unsigned int feature);

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

#include <vector>

namespace host {
class Call;
}

namespace host::feature {
struct Record;
// FEAT_redefine that takes the references as given, none included (a
// feature moved onto a datum plane keeps only its through faces).
int redefine_all(unsigned int feature, const std::vector<unsigned int>& refs, const std::vector<double>& numbers);
// The fixed numbers of the form feature standing on the datum plane as it
// lies now: location onto it, direction along its normal on the side the
// feature ran before. False when the plane is gone.
bool numbers_on_datum_plane(const Record& r, unsigned int plane, std::vector<double>* numbers);
// Gives a form feature a tool face (a face object of its body; 0: none).
void set_tool_face(unsigned int feature, unsigned int face);
// The fixed numbers of the form feature standing on the kernel face (a
// plane; a turned face for a groove) as a reattached feature stands:
// location onto the face, direction along its normal. Raises
// FEAT_ERR_BAD_REFERENCE for a face it cannot stand on.
std::vector<double> numbers_on_face(const Call& call, const Record& r, int kernel_face);
// The features whose steps made the kernel face, or one of the faces of
// the kernel edge.
std::vector<unsigned int> makers_of(int kernel_entity);
// The record of a live feature; raises HOST_ERR_DEAD_TAG for no live
// object, FEAT_ERR_NOT_A_FEATURE for another object.
const Record& require_record(const Call& call, unsigned int feature);
// Hands the tags out as a host array (SM_alloc, null when empty).
void hand_out(const std::vector<unsigned int>& tags, int* count, unsigned int** out);
}  // namespace host::feature
#endif

#endif
