/* Part families: a template part holds families; a family has attributes
 * (column names) and members (a name and a value per attribute). A member
 * becomes an instance part: a part of its own whose file is
 *     <directory>/<template file's stem>_<member name>.prt
 * where the directory is the family's save directory, else the session's
 * instance save directory, else the template's directory. An instance
 * part keeps an instance record: its family, its member and the member's
 * values as they were when the instance was made or last updated; it is
 * current while those equal the family's.
 *
 * Families and instance records are host records with tags of their own
 * (from FAM_TAG_BASE up), not objects of a part. A template part's
 * families are saved with it (section "FAMS"), an instance part's record
 * with the instance (section "FAMI": the template file, the family's name,
 * the member's name and values); a reopened instance finds its family
 * again by the template's file name and the family's name once the template
 * is loaded (before that its family is 0).
 *
 * Members are numbered from 0 in the order they were added. Selecting a
 * member by number or name: a number of 0 or more selects by number, -1 by
 * name.
 *
 * Results: the PART_ routines answer 0 or a code: PART_ERR_NO_FAMILY for a
 * tag of no family, PART_ERR_NO_MEMBER for a member the family does not
 * have, PART_ERR_NO_INSTANCE for a tag of no instance record; a part
 * service code when an instance part cannot be made, opened or saved.
 * Dead part tags raise HOST_ERR_DEAD_TAG, null outputs
 * HOST_ERR_NULL_ARGUMENT. The FAM_ routines that build families raise
 * their codes instead (as host errors).
 */
#ifndef HOST_FAMILIES_FAMILIES_H
#define HOST_FAMILIES_FAMILIES_H

#include "host/base/services/codes.h"
#include "host/store/parts/parts.h"

#define HOST_FAMILY_CODES(X)                                                               \
    X(PART_ERR_NO_FAMILY, 641090) /* the tag names no family */                            \
    X(PART_ERR_SAVE_NOT_DONE, 641091) /* an unchanged instance part was not saved again */ \
    X(PART_ERR_NO_MEMBER, 641092) /* the family has no such member */                      \
    X(PART_ERR_NO_INSTANCE, 641093) /* the tag names no instance record */                 \
    X(PART_ERR_FAMILY_EXISTS, 641094) /* the template has a family of that name already */
HOST_BARE_CODE_CONSTANTS(HOST_FAMILY_CODES);

#define FAM_TAG_BASE 0x7F000000u

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- Building families (raise their codes) ---- */
void FAM_create_family(unsigned int template_part, const char* name, int n_attributes, const char* const attributes[],
                       unsigned int* family);
/* Adds a member with a value per attribute; *member its number. */
void FAM_add_member(unsigned int family, const char* name, const char* const values[], int* member);
void FAM_set_member_value(unsigned int family, int member, int attribute, const char* value);
/* Name and values of a member: the family's own texts (valid until it
 * changes). */
void FAM_ask_member(unsigned int family, int member, const char** name, int* n_values, const char* const** values);
int FAM_ask_member_count(unsigned int family);

/* The template part of a family (0 for a tag of no family). */
unsigned int FAM_ask_part(unsigned int family);

/* ---- Instance records ---- */
/* Binds the part to the member as an instance record (mode 1: the part
 * need not be an instance part already; the template itself may be bound,
 * to try a member); answers 0 or a code. */
int FAM_create_instance(unsigned int part, unsigned int family, int member, int mode, unsigned int* instance);
int FAM_delete_instance(unsigned int instance);
void FAM_ask_data_of_instance(unsigned int instance, unsigned int* family, int* member);

/* ---- The part service's family routines ---- */
/* The loaded instance part of a member (by number, or by name with member
 * -1); with load 1 one not loaded is opened from its file, or made when
 * there is none. *part 0 when none is found; *made 1 when it was made. */
int PART_find_family_instance(unsigned int family, int member, const char* name, int load, unsigned int* part,
                              unsigned char* made);
/* The instance part of a member: the loaded one, else opened from its file,
 * else made (and displayed); *instance its instance record. mode 0. */
int PART_create_family_instance(unsigned int family, int member, int mode, unsigned int* part, unsigned int* instance);
/* Brings the member's instance part up to date with the family: *changed
 * the number of values that changed; *part the instance part. With save 1
 * the instance part is saved; a failure of that save is reported in
 * *save_failed and *failures (PART_ERR_SAVE_NOT_DONE for an instance that
 * had nothing to save), not in the result. *scratch is journalled only. */
int PART_update_family_instance(unsigned int family, int member, int save, unsigned char* scratch,
                                unsigned char* save_failed, PART_save_failures_t* failures, int* changed,
                                unsigned int* part);
void PART_free_save_failures(PART_save_failures_t* failures);
int PART_is_family_instance(unsigned int part, unsigned char* is);
int PART_is_family_instance_current(unsigned int part, unsigned char* is);
int PART_is_family_template(unsigned int part, unsigned char* is);
/* The template's families (SM_alloc, null for none). */
int PART_ask_families(unsigned int part, int* count, unsigned int** families);
/* The instance record of an instance part (0 for another part). */
int PART_ask_family_instance(unsigned int part, unsigned int* instance);
/* The file name of a part, or of a family's template (SM_alloc). */
char* PART_ask_filename_of_tag(unsigned int tag);
/* Directories: at most PART_MAX_NAME_CHARS characters (else
 * PART_ERR_NAME_TOO_LONG); "" or null for none. The buffers hold
 * PART_MAX_NAME_CHARS + 1 bytes. */
int PART_set_family_inst_save_dir(const char* directory);
int PART_ask_family_inst_save_dir(char* buffer);
int PART_set_family_save_dir(unsigned int family, const char* directory);
int PART_ask_family_save_dir(unsigned int family, char* buffer);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
