/* Parts: create, open, save and close part files, and the queries around
 * them (displayed part, loaded parts, names, units, modified flag,
 * compression flags). */
#ifndef KX_PART_H
#define KX_PART_H

#include "kx_types.h"

/* The longest part file name, and so the longest name that the functions
 * below copy into a caller's buffer (KX_PART_ask_part_name,
 * KX_PART_name_for_display): such a buffer must hold
 * KX_PART_MAX_NAME_CHARS + 1 bytes; a longer text is cut. */
#define KX_PART_MAX_NAME_CHARS 255

/* Units of a part. */
#define KX_PART_METRIC  1
#define KX_PART_ENGLISH 2

/* Codes of the load report for components that could not be loaded:
 * KX_PART_ERR_COMPONENT_MISSING and KX_PART_ERR_COMPONENT_BAD (kx_codes.h). */

/* The load report of an open: failed (nonzero when some file could not be
 * loaded); count; count file names; count codes. Free the names with
 * KX_free_string_array(n_parts, file_names) and the codes with KX_free. */
typedef struct load_status_s {
    int failed;
    int n_parts;
    char** file_names;
    int* statuses;
} load_status;

/* Options of KX_PART_export_with_options: new_status (the objects'
 * attributes go along when true), params_mode (0, 1 or 2) and exp_mode (1:
 * the part's expressions go along). */
typedef struct KX_PART_export_options_s {
    logical new_status;
    int params_mode;
    int exp_mode;
} KX_PART_export_options_t;

typedef struct KX_PART_compress_flags_s {
    logical compress_solids;
    logical compress_features;
    logical compress_expressions;
} KX_PART_compress_flags_t;

KX_BEGIN_DECLS

/* Names marked "decoded" may be given in the product-data manager's
 * command-line form "@DB/<item>/<revision>".
 *
 * Codes of the host's part service that the functions below pass on:
 * 641001 file not found, 641002 not a part file (a foreign file, a
 * directory), 641003 written by a newer format version, 641004 damaged or
 * truncated file, 641005 read error, 641006 the file cannot be written (a
 * read-only target ...), 641007 a name longer than KX_PART_MAX_NAME_CHARS,
 * 641008 a part of that name is loaded already, 641009 no work part,
 * 641010 the part is modified and the unload option keeps modified parts,
 * 641011 an empty name, 641012 the part is not loaded. A file that cannot
 * be read leaves nothing of it in the session; a file is written through a
 * temporary file, so that a failed save leaves the old file as it was. */

/* name decoded; units KX_PART_METRIC or KX_PART_ENGLISH (else 641022). The
 * new part becomes the displayed part and the work part. */
KXAPI int KX_PART_new(const char* name, int units, tag* part);
/* Opens the file and the components it lists. status reports the files
 * that could not be loaded: the host's entries (file name, reason code),
 * then one entry per failed component under its display name with
 * KX_PART_ERR_COMPONENT_MISSING or KX_PART_ERR_COMPONENT_BAD, each name
 * and code once. Answers the open's code; failed components do not fail the
 * open. */
KXAPI int KX_PART_open(const char* name, tag* part, load_status* status);
/* As KX_PART_open without messages; answers the first code of status when
 * anything failed (and then no part). */
KXAPI int KX_PART_open_quiet(const char* name, tag* part, load_status* status);
/* A part set is the host's identifier of a set of component files; it is
 * passed to the host as it stands. */
KXAPI int KX_PART_open_cset(tag part_set, load_status* status);
KXAPI int KX_PART_close_cset(tag part_set);
/* Saves the work part. */
KXAPI int KX_PART_save(void);
/* Saves the work part under a new name (decoded), which it takes. */
KXAPI int KX_PART_save_as(const char* name);
/* On failure *parts and *codes hold *count entries; free both with KX_free. */
KXAPI int KX_PART_save_all(int* count, tag** parts, int** codes);
/* scope: 0 the part, 1 with its components (others: 0); unload_option: 0
 * keep modified parts, 1 and 2 discard their changes (others: 2). Answers
 * 1 for no part or a failed reopen. */
KXAPI int KX_PART_reopen(tag part, int scope, int unload_option, tag* new_part);
/* Writes the objects (of one part) to a new part file (name decoded);
 * 1050044 for objects that cannot be exported. */
KXAPI int KX_PART_export(const char* name, int count, const tag* objects);
KXAPI int KX_PART_export_with_options(const char* name, int count, const tag* objects,
                                      const KX_PART_export_options_t* options);
/* scope and unload_option as for KX_PART_reopen; 1405058 while a drawing
 * view is expanded. */
KXAPI int KX_PART_close(tag part, int scope, int unload_option);
KXAPI int KX_PART_close_all(void);
/* option 0 drops the records of parts that could not be loaded; 1 also
 * closes unmodified parts that no loaded part lists and that are neither
 * the displayed nor the work part; 641050 for another option. */
KXAPI int KX_PART_cleanup(int option);

KXAPI tag KX_PART_ask_display_part(void);
KXAPI int KX_PART_set_display_part(tag part);
KXAPI int KX_PART_ask_num_parts(void);
KXAPI tag KX_PART_ask_nth_part(int index);
KXAPI tag KX_PART_ask_part_tag(const char* name);
/* 0 not loaded, 1 fully loaded, 2 partially loaded (some components could
 * not be loaded); a name matches with or without its directory. */
KXAPI int KX_PART_is_loaded(const char* name);
KXAPI logical KX_PART_is_modified(tag part);
/* buffer: KX_PART_MAX_NAME_CHARS + 1 bytes. */
KXAPI int KX_PART_ask_part_name(tag part, char* buffer);
/* buffer: KX_PART_MAX_NAME_CHARS + 1 bytes. */
KXAPI int KX_PART_name_for_display(const char* name, char* buffer);
KXAPI int KX_PART_ask_tag_of_disp_name(const char* display_name, tag* part);
KXAPI int KX_PART_ask_units(tag part, int* units);
KXAPI int KX_PART_rename(tag part, const char* new_name);
KXAPI int KX_PART_ask_compression_flags(tag part, KX_PART_compress_flags_t* flags);
KXAPI int KX_PART_set_compression_flags(tag part, const KX_PART_compress_flags_t* flags);

KX_END_DECLS

#endif
