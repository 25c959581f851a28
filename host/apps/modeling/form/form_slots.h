/* What a form-feature creation hands the host before it calls the
 * creator: the host's list slots, references as list entries, the user's
 * directions, the current face and edge references and the words of the
 * modelling module's root record.
 *
 * List slots: four process-wide slots, each 0 (empty) or a host list
 * (KI_crlist): the link list (the placement), the trim list (a hole's
 * through face) and the two through lists of a slot. The creators of
 * form_features.h read the first entry of the slots they use. A list of
 * kind KI_LIST_FEATURES holds face references (FREF_ask_fref_of_face) or a
 * datum plane's reference (create_dplane_fref, converted to an integer by
 * CM_convert_tag_to_int); a list of kind KI_LIST_KERNEL holds kernel tags
 * (KI_pttgli). The slots are no part of the model (undo leaves them).
 *
 * The user's directions, the current references and the root record's
 * words are model state: an undo mark rolls them back.
 *
 * Checks: an unknown list raises HOST_ERR_BAD_ARGUMENT, a dead tag
 * HOST_ERR_DEAD_TAG, a null pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_FORM_SLOTS_H
#define HOST_FEATURE_FORM_SLOTS_H

/* Words of the module root record (CM_ask_module_root_word). */
#define CM_ROOT_WORDS 32

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void CM_misc_set_link_fref_list(int list);
void CM_misc_set_trim_fref_list(int list);
void CM_misc_set_thru_fref_list1(int list);
void CM_misc_set_thru_fref_list2(int list);
int CM_misc_ask_link_fref_list(void);
int CM_misc_ask_trim_fref_list(void);
int CM_misc_ask_thru_fref_list1(void);
int CM_misc_ask_thru_fref_list2(void);

/* Puts the integer at the 1-based position of the list (0: appended);
 * count must be 1. Kernel tags go into lists of KI_LIST_KERNEL with
 * KI_pttgli (host/apps/modeling/boolean/booleans.h). */
void KI_ptinli(int list, int position, int count, int value);
int CM_convert_tag_to_int(unsigned int tag);
/* A reference to a datum plane (object type 197), to go into a list. */
unsigned int create_dplane_fref(unsigned int datum_plane);
/* The datum plane of a list entry made from create_dplane_fref, else 0. */
unsigned int CM_ask_dplane_of_entry(int entry);

/* The unit normal of a datum plane (1), or 0 for an object that is none. */
int DATUM_ask_dplane_normal(unsigned int datum_plane, double normal[3]);
/* The current target solid of the datum plane's part, 0 for none. */
unsigned int DATUM_ask_target_of_dplane(unsigned int datum_plane);

void BREF_set_current_bref_of_face(unsigned int face);
void BREF_set_current_bref_of_edge(unsigned int edge);
unsigned int BREF_ask_current_bref_of_face(void);
unsigned int BREF_ask_current_bref_of_edge(void);

/* The user's X direction, and the Z-direction mode and flag. */
void save_users_x_dir(const double direction[3]);
void save_users_z_dir(int mode, const char* flag);
void ask_users_directions(double x_direction[3], int* z_mode, int* z_flag);

/* Words of the modelling module's root record (0 <= word < CM_ROOT_WORDS). */
int CM_ask_module_root_word(int word);
void CM_set_module_root_word(int word, int value);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
