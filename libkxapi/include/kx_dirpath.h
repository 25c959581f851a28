/* Directory search paths: ordered lists of directories that a program
 * builds from an environment variable (split at ':') or from directory
 * names, extends, queries, iterates and searches for a file. The paths are
 * the host's; they are freed when the session ends.
 *
 * Texts handed out are the caller's to free with KX_free, the array of
 * KX_DIRPATH_ask_dirs with KX_free_string_array. Queries answer 0, or 1
 * when there is nothing to give (an iteration past its ends, a file that
 * no directory holds). */
#ifndef KX_DIRPATH_H
#define KX_DIRPATH_H

#include "kx_types.h"

KX_BEGIN_DECLS

typedef struct KX_DIRPATH_s* KX_DIRPATH_t;

KXAPI int KX_DIRPATH_create_from_env(const char* variable, KX_DIRPATH_t* path);
KXAPI int KX_DIRPATH_create_from_dirs(int count, const char* const* dirs, KX_DIRPATH_t* path);
KXAPI int KX_DIRPATH_append(KX_DIRPATH_t path, const char* dir);
KXAPI int KX_DIRPATH_append_from_env(KX_DIRPATH_t path, const char* variable);
KXAPI int KX_DIRPATH_append_from_dirs(KX_DIRPATH_t path, int count, const char* const* dirs);
KXAPI int KX_DIRPATH_ask_dirs(KX_DIRPATH_t path, int* count, char*** dirs);
/* The number of directories. */
KXAPI int KX_DIRPATH_ask_dir_count(KX_DIRPATH_t path);
/* The index of the iteration: -1 before the first directory. */
KXAPI int KX_DIRPATH_ask_dir_index(KX_DIRPATH_t path);
KXAPI int KX_DIRPATH_ask_nth_dir(KX_DIRPATH_t path, int index, char** dir);
/* *full: "<dir>/<name>" of the first directory that holds the file. */
KXAPI int KX_DIRPATH_find_file(KX_DIRPATH_t path, const char* name, char** full);
KXAPI int KX_DIRPATH_start_dir_iteration(KX_DIRPATH_t path);
KXAPI int KX_DIRPATH_ask_next_dir(KX_DIRPATH_t path, char** dir);
KXAPI int KX_DIRPATH_ask_prev_dir(KX_DIRPATH_t path, char** dir);
KXAPI int KX_DIRPATH_ask_curr_dir(KX_DIRPATH_t path, char** dir);

KX_END_DECLS

#endif
