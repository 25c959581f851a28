/* Part families, part attributes, the history of part files and the list
 * of recently displayed parts.
 *
 * A family belongs to a template part: it has attributes (columns) and
 * members (a name and a value per attribute), numbered from 0. A member
 * becomes an instance part, a part of its own whose file is
 * "<directory>/<template stem>_<member name>.prt" (the directory: the
 * family's save directory, else the instance save directory, else the
 * template's). An instance is current while its values equal the
 * family's. Families and instance records are tags of the host.
 *
 * Codes of the host passed on: 641090 no family, 641091 an unchanged
 * instance was not saved again, 641092 no such member, 641093 no instance
 * record, 641094 the template has that family already, and the part
 * service's codes (kx_part.h). */
#ifndef KX_PART_FAM_H
#define KX_PART_FAM_H

#include "kx_types.h"

/* Parameters of the matching-parts search: mode 0 every recent part, 1
 * those loaded, 2 those not loaded, 3 those whose file exists; value above
 * 0: at most that many; by_name: sorted by name before recency (else the
 * most recent first). */
typedef struct matching_parts_params_s {
    int mode;
    int value;
    logical by_name;
} matching_parts_params;

/* A list of history entries gathered from parts. */
typedef struct KX_PART_history_list_s* KX_PART_history_list_p_t;

KX_BEGIN_DECLS

/* ---- Families ---- */
/* The loaded instance part of a member, chosen by number (member 0 or
 * more) or by name (member -1); with load 1 one not loaded is opened from
 * its file or made. *instance_part NULL_TAG when none is found. */
KXAPI int KX_PART_find_family_instance(tag family, int member, const char* name, int load, tag* instance_part);
/* Whether the member can be made an instance: binds and unbinds it. */
KXAPI int KX_PART_apply_family_instance(tag family, int member);
/* The member's instance part (loaded, opened or made); *instance its
 * instance record. */
KXAPI int KX_PART_create_family_instance(tag family, int member, tag* instance_part, tag* instance);
/* Brings a member's instance part up to date (saved when save is 1):
 * *changed the number of values that changed, *instance_part the part. A
 * failed save: *save_failed true, the parts and codes in caller-owned
 * arrays (KX_free); the status is then the first code other than 641091. */
KXAPI int KX_PART_update_family_instance(tag family, int member, int save, int* changed, logical* save_failed,
                                         int* n_failures, tag** failed_parts, int** failure_codes, tag* instance_part);
/* The file name of an instance's template in its display form; empty for
 * a part that is no instance. buffer: KX_PART_MAX_NAME_CHARS + 1 bytes. */
KXAPI int KX_PART_ask_template_filename(tag part, char* buffer);
KXAPI int KX_PART_is_family_instance(tag part, logical* is);
KXAPI int KX_PART_is_family_inst_current(tag part, logical* is);
KXAPI int KX_PART_is_family_template(tag part, logical* is);
/* The template's families (caller-owned array, KX_free; null for none). */
KXAPI int KX_PART_ask_families(tag part, int* count, tag** families);
KXAPI int KX_PART_ask_family_instance(tag part, tag* instance);
KXAPI int KX_PART_set_fam_inst_save_dir(const char* directory);
/* *directory caller-owned (KX_free). */
KXAPI int KX_PART_ask_fam_inst_save_dir(char** directory);
KXAPI int KX_PART_set_family_save_dir(tag family, const char* directory);
KXAPI int KX_PART_ask_family_save_dir(tag family, char** directory);

/* ---- Part attributes (saved with the part) ---- */
KXAPI int KX_PART_ask_customer_area(tag part, int* area);
KXAPI int KX_PART_set_customer_area(tag part, int area);
/* *description the host's text (valid for the session), NULL for none. */
KXAPI int KX_PART_ask_description(tag part, const char** description);
KXAPI int KX_PART_set_description(tag part, const char* description);
KXAPI int KX_PART_ask_status(tag part, int* status);
KXAPI int KX_PART_set_status(tag part, int status);

/* ---- History: an entry per save of a part file ---- */
KXAPI int KX_PART_create_history_list(KX_PART_history_list_p_t* list);
/* Appends the part's entries, newest first. */
KXAPI int KX_PART_ask_part_history(tag part, KX_PART_history_list_p_t list);
KXAPI int KX_PART_ask_num_histories(KX_PART_history_list_p_t list, int* count);
/* Entry index: version (1 the first save of the file), time (seconds since
 * 1970), user, machine and program (texts of the list, valid until it is
 * cleared or deleted). */
KXAPI int KX_PART_ask_nth_history(KX_PART_history_list_p_t list, int index, int* version, int* time, const char** user,
                                  const char** machine, const char** program);
KXAPI int KX_PART_clear_history_list(KX_PART_history_list_p_t list);
KXAPI int KX_PART_delete_history_list(KX_PART_history_list_p_t list);

/* ---- Recently displayed parts ---- */
/* The loaded parts of the recent list, the most recent first; parts may be
 * null (count only), else a caller-owned array (KX_free). */
KXAPI int KX_PART_ask_recent_display_part_list(int* count, tag** parts);
KXAPI int KX_PART_disable_cdp_list_update(void);
KXAPI int KX_PART_enable_cdp_list_update(void);
KXAPI int KX_PART_ask_cdp_default_params(matching_parts_params* params);
/* Recent parts that match (params null: the defaults): their parts
 * (NULL_TAG for one not loaded) and names (a loaded part with a
 * description by its description, else the file's display name), each
 * output optional and caller-owned (KX_free; names with
 * KX_free_string_array). */
KXAPI int KX_PART_ask_cdp_matching_parts(const matching_parts_params* params, int* count, tag** parts, char*** names);

KX_END_DECLS

#endif
