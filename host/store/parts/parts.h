/* The host's part service: the list of parts in the session, the displayed
 * part and the work part, units, the modified flag, load states, load-failure
 * records, and the part files behind them (host/store/parts/part_file.h holds the
 * file format).
 *
 * A part is an object of class PART_c in the object store; its file name is
 * its PartInfo::file and its name. Parts enter the session by creation
 * (base_new_part) or by opening a file (BASE_open_part ...); they leave it by
 * closing. Opening a part also opens the component files that it lists; a
 * component that cannot be loaded stays behind as a load-failure record: a
 * part tag that knows its file name and its failure code but is not loaded
 * (load state PART_NOT_LOADED); the part that lists it is then partially
 * loaded. Failure group 1 holds components whose file is missing, group 2
 * those whose file exists but cannot be read (damaged, foreign, newer
 * version). Load-failure records are dropped by PART_cleanup and when their
 * file is opened successfully later. Every file name in the session has at
 * most PART_MAX_NAME_CHARS characters: a component whose name, taken
 * relative to the listing part's directory, would be longer is not loaded;
 * it fails with PART_ERR_NAME_TOO_LONG (group 2) and its record keeps the
 * name as the part lists it.
 *
 * Units: the host's unit code 0 is millimetres, 1 inches (PART_UNITS_*).
 * base_new_part takes the interface's numbering (1 metric, 2 English) and
 * stores the host's code. The work part's units are also kept in the host's
 * common block (host/numeric/acom.h), word PART_ACOM_UNITS_WORD, where the
 * curve functions read them: 2 for a part in inches, 1 for a part in
 * millimetres, 0 while there is no work part; the word follows every change
 * of the work part (an undo that brings another work part back included).
 *
 * Names: a part's file name is at most PART_MAX_NAME_CHARS characters; a
 * display name (PART_name_for_display) is the file name without its
 * directory (mode 0) or without directory and extension (mode 4).
 *
 * Events: creating fires the create event, opening the open event (for the
 * opened part, not for its components), saving the save event, closing the
 * delete event, renaming (and save-as) the rename event, editing a part's
 * data the modified event, a change of the work part the work-part event
 * (host/store/entities/events.h).
 *
 * Failures of the files themselves (missing, damaged, not writable, bad
 * names) come back as result codes; the functions raise for arguments that
 * name nothing: HOST_ERR_DEAD_TAG for a tag of no live part,
 * PART_ERR_NOT_LOADED for a load-failure record where a loaded part is
 * needed, HOST_ERR_NULL_ARGUMENT for a null pointer that they need,
 * PART_ERR_EXPORT for objects that cannot be exported.
 */
#ifndef HOST_DATA_PARTS_H
#define HOST_DATA_PARTS_H

#include "host/base/services/codes.h"

#include <stddef.h>

/* Codes of the part service (band 641000). */
#define HOST_PART_CODES(X)                                                                                             \
    X(PART_ERR_FILE_NOT_FOUND, 641001, "The part file was not found")                                                  \
    X(PART_ERR_NOT_PART_FILE, 641002, "The file is not a part file") /* a foreign format, a directory */               \
    X(PART_ERR_BAD_VERSION, 641003, "The part file was written by a newer version")                                    \
    X(PART_ERR_CORRUPT, 641004, "The part file is damaged or truncated")                                               \
    X(PART_ERR_READ, 641005, "The part file could not be read")                                                        \
    X(PART_ERR_WRITE, 641006, "The part file could not be written") /* a read-only target ... */                       \
    X(PART_ERR_NAME_TOO_LONG, 641007, "The file name is longer than 255 characters") /* PART_MAX_NAME_CHARS */         \
    X(PART_ERR_ALREADY_LOADED, 641008, "A part with this file name is already loaded")                                 \
    X(PART_ERR_NO_WORK_PART, 641009, "There is no work part") /* none to save */                                       \
    X(PART_ERR_MODIFIED, 641010, "The part has unsaved changes") /* and the option keeps modified parts */             \
    X(PART_ERR_BAD_NAME, 641011, "The file name is empty") /* or null */                                               \
    X(PART_ERR_NOT_LOADED, 641012, "The part is not loaded") /* a load-failure record */                               \
    X(PART_ERR_UNKEPT_OBJECT, 641013, "The part holds an object that the part file cannot keep") /* nothing written */ \
    X(PART_ERR_BAD_UNITS, 641022, "The part units must be metric (1) or English (2)")                                  \
    X(PART_ERR_PDM_NOT_ACTIVE, 641049, "The product-data manager is not active")                                       \
    X(PART_ERR_PDM_BAD_NAME, 641051, "The product-data manager part name is malformed")                                \
    X(PART_ERR_MISSING_COMPONENT, 641112, "A component part file was not found") /* load failure, group 1 */           \
    X(PART_ERR_BAD_COMPONENT, 641113, "A component part file could not be read") /* load failure, group 2 */           \
    X(PART_ERR_EXPORT, 1050044, "The object cannot be exported")
HOST_CODE_CONSTANTS(HOST_PART_CODES);

#define PART_MAX_NAME_CHARS 255

#define PART_UNITS_MM   0
#define PART_UNITS_INCH 1

/* Word of acom_ that holds the work part's units (see above). */
#define PART_ACOM_UNITS_WORD 1246

/* Load states (PART_is_part_loaded_tol, host::parts::load_state). */
#define PART_NOT_LOADED       0
#define PART_FULLY_LOADED     1
#define PART_PARTIALLY_LOADED 2

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The load report of an open: failed (nonzero when some file could not be
 * loaded), count, then count file names and count codes. The arrays come
 * from SM_alloc; the record's owner frees them. */
typedef struct PART_load_status_s {
    int failed;
    int n_parts;
    char** file_names;
    int* statuses;
} PART_load_status_t;

/* What the host hands to the load-failure routine during an open: group 1
 * (missing files) and group 2 (unreadable files), as tags of their
 * load-failure records. */
typedef struct PROM_load_failure_s {
    int reserved[3];
    int n_group1;
    unsigned int* group1;
    int reserved2[4];
    int n_group2;
    unsigned int* group2;
} PROM_load_failure_t;
typedef void (*PROM_load_fail_msg_fn)(const PROM_load_failure_t* failure);

/* Failures of PART_save_all_parts: count, then arrays of parts and codes
 * (SM_alloc; the receiver frees them). */
typedef struct PART_save_failures_s {
    int count;
    int reserved;
    unsigned int* parts;
    int* codes;
} PART_save_failures_t;

/* Result of base_Part_Reopen. The entries and the array come from SM_alloc
 * (PART_free_reopen_result frees them). */
typedef struct PART_reopen_entry_s {
    unsigned char failed;
    unsigned int part; /* the part loaded now, 0 when it failed */
    int code;
} PART_reopen_entry_t;
typedef struct PART_reopen_result_s {
    int count;
    unsigned char any_failed;
    unsigned char reserved;
    PART_reopen_entry_t** entries;
} PART_reopen_result_t;

/* Options of PART_export_part: a flag (the attributes of the objects go
 * along when true), params_mode (0, 1 or 2) and exp_mode (0 or 1). */
typedef struct PART_export_options_s {
    unsigned char new_status;
    int params_mode;
    int exp_mode;
} PART_export_options_t;

/* Compression flags of a part (kept with the part and in its file). */
typedef struct PART_compress_flags_s {
    unsigned char compress_solids;
    unsigned char compress_features;
    unsigned char compress_expressions;
} PART_compress_flags_t;

/* ---- Creating, opening, saving, closing ---- */
/* units: 1 metric, 2 English. *result 0 or a code. */
void base_new_part(const char* name, int* length, int* units, int* result);
/* Opens the file and its components; fills *status (arrays allocated here,
 * the record is overwritten); answers 0 or the open's code. Calls the
 * registered load-failure routine once for every part whose components
 * failed. */
int BASE_open_part(const char* name, unsigned int* part, PART_load_status_t* status);
/* The same without the load-failure routine; answers the part or 0. */
unsigned int BASE_open_part_quietly(const char* name, PART_load_status_t* status);
/* Registers the load-failure routine (null: the host's own); answers the
 * routine it replaces. */
PROM_load_fail_msg_fn PROM_reg_prom_load_fail_msg_fn(PROM_load_fail_msg_fn fn);
/* Saves *part, or the work part when part is null; *components 1 also saves
 * its modified components; *mode is journalled. */
void base_save_part(unsigned int* part, int* components, int* mode, int* result);
/* Saves the work part under a new name (which it takes). */
void base_part_save_as(const char* name, int* length, int* mode, int* result);
void PART_save_all_parts(PART_save_failures_t* failures);
/* scope 0: the part, 1: with its components; option 0: refuse modified
 * parts, 1 and 2: discard their changes. */
void base_Part_Reopen(unsigned int part, int scope, int option, PART_reopen_result_t* result);
void PART_free_reopen_result(PART_reopen_result_t* result);
int PART_export_part(const char* name, int count, const unsigned int* objects, const PART_export_options_t* options);
int base_Part_Close(unsigned int part, int scope, int option);
void PART_delete_all_parts(void);
/* option 0: drops load-failure records; 1: also closes unmodified parts
 * that no loaded part lists as a component and that are not displayed.
 * Answers 1, or 0 for another option. */
int PART_cleanup(int option);
/* Component sets: a set is a tag made by host::parts::create_cset. */
void PART_load_cset(unsigned int set, PART_load_status_t* status);
void PART_unload_cset(unsigned int set, int option);

/* ---- Queries and settings (raise on a dead tag) ---- */
unsigned int CONTEXT_ask_root_part(void);
unsigned int CONTEXT_ask_work_part(void);
/* 1 while the work part is edited in the context of an assembly: a work
 * part is set and it is not the displayed part (a component of the
 * displayed assembly made the work part); 0 otherwise. Making the
 * displayed part the work part again ends it. */
int CONTEXT_ask_in_context(void);
void CONTEXT_set_work_part(unsigned int part);
/* The same without the work-part event (a routine that sets the work part
 * for a while and puts it back). */
void CONTEXT_set_work_part_quietly(unsigned int part);
/* Loads again the components that the parts (count of them) miss: a
 * partially loaded part whose components now load is fully loaded. *status
 * reports the components that still fail (arrays allocated here, as an
 * open's); option and flags are journalled. */
void PART_ensure_parts_fully_loaded(int option, int count, const unsigned int* parts, int flags,
                                    PART_load_status_t* status);
void PART_set_displayed_part(unsigned int part); /* 0 allowed */
int PART_ask_num_parts(void);                    /* loaded parts */
unsigned int PART_ask_nth_part(int index);       /* 0 when out of range */
int PART_is_part_loaded(const char* name);
unsigned int PART_ask_part_of_filename(const char* name); /* 0 when none */
/* *state: PART_NOT_LOADED, PART_FULLY_LOADED or PART_PARTIALLY_LOADED;
 * answers 0 (a null name or state: HOST_ERR_NULL_ARGUMENT). */
int PART_is_part_loaded_tol(const char* name, int* state);
int PART_ask_modified(unsigned int part);
void PART_set_modified(unsigned int part);
/* Strings from SM_alloc. A test may script the text that
 * PART_ask_filename_of_part and PART_name_for_display answer (output 0). */
char* PART_ask_filename_of_part(unsigned int part);
char* PART_name_for_display(int mode, const char* name);
char* PART_get_stripped_part_name(unsigned int part);
unsigned int EXP_ask_part_of_name(const char* display_name); /* raises when none */
int PART_ask_units(unsigned int part);
void PART_rename_part(unsigned int part, const char* name);
void PART_ask_compression_flags(unsigned int part, PART_compress_flags_t* flags);
void PART_set_compression_flags(unsigned int part, const PART_compress_flags_t* flags);

/* ---- Neighbours of the part service ---- */
int DMV_is_view_expanded(void);
void FR_ZRMARK_set_part_close(int on);
void JQUI_update_menubar(void);
/* Turns the product-data manager's command-line form "@DB/<item>/<rev>"
 * into the file name "<item>_<rev>.prt"; other names are copied. *decoded
 * from SM_alloc; answers 0 or a code (then *decoded is null). */
int JQMGR_decode_cli_part_file(const char* name, char** decoded);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::parts {

using tag_t = unsigned int;

struct PartState {
    int units = PART_UNITS_MM;
    bool modified = false;
    int saves = 0;  // times written to its file (an undo does not take it back)
    int load_state = PART_FULLY_LOADED;
    int failure_code = 0;   // of a load-failure record
    int failure_group = 0;  // 1 or 2 for a load-failure record
    PART_compress_flags_t compress = {0, 0, 0};
    std::vector<std::string> components;  // component file names, in order
};

// Loaded parts in the order they entered the session (load-failure records
// not included).
std::vector<tag_t> loaded_parts();
// Load-failure records, oldest first.
std::vector<tag_t> failure_records();
// Null for a tag that is no part of the service.
const PartState* state(tag_t part);
int load_state(tag_t part);  // PART_NOT_LOADED for an unknown tag
bool is_loaded(tag_t part);
tag_t display_part();
tag_t work_part();
// The C++ forms of the settings (events fired as by the host functions).
void set_display_part(tag_t part);
void set_work_part(tag_t part);
// Marks the part modified and fires the modified event when it was not.
void mark_modified(tag_t part);
// An object of the model was made, changed or deleted: marks its loaded
// owning part modified (nothing for an object of no part or of a part that
// is not loaded). The services that change objects call it.
void note_change(tag_t object);
// Adds a component file name to the part's list (written with the part).
void add_component(tag_t part, const std::string& file);
// A part made directly, as base_new_part does (no file); raises on failure.
tag_t create(const std::string& file, int host_units = PART_UNITS_MM);
// A component set for PART_load_cset.
tag_t create_cset(const std::vector<std::string>& files);

// State of the neighbours, for tests.
void set_view_expanded(bool on);
bool part_close_mark();
int menubar_updates();
PROM_load_fail_msg_fn load_fail_routine();

}  // namespace host::parts
#endif

#endif
