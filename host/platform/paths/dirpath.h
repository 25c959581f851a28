/* The host's directory search paths: ordered lists of directories, built
 * from an environment variable (its value split at ':', empty parts
 * skipped) or from a list of directory names, which a program extends,
 * queries, iterates and searches for a file.
 *
 * A path is a handle made by the create routines; a handle that is not a
 * live path raises HOST_ERR_BAD_HANDLE. Every path is freed when the file
 * services shut down at the end of a program's session (fm1901_), and by a
 * reset of the host.
 *
 * Answers: 0 done; DIRPATH_NONE for a query with nothing to give (an
 * iteration past its ends, a file that no directory holds). Texts handed
 * out are SM_alloc copies that the caller frees; an array of texts is
 * freed text by text and then itself. Errors raised: an undefined variable
 * (HOST_ERR_BAD_ARGUMENT), a null or empty name or directory
 * (HOST_ERR_BAD_ARGUMENT), an index outside the path (HOST_ERR_BAD_ARGUMENT).
 *
 * Iteration: DIRPATH_start_dir_iteration puts the index before the first
 * directory (-1); next and previous move it by one and give the directory
 * there, or DIRPATH_NONE when they leave the path (the index then stays at
 * -1 or at the count); current gives the directory at the index. */
#ifndef HOST_PATHS_DIRPATH_H
#define HOST_PATHS_DIRPATH_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct DIRPATH_s* DIRPATH_p_t;
#define DIRPATH_NONE 1

DIRPATH_p_t DIRPATH_create_from_env(const char* variable);
DIRPATH_p_t DIRPATH_create_from_dirs(int count, const char* const* dirs);
int DIRPATH_append(DIRPATH_p_t path, const char* dir);
int DIRPATH_append_from_env(DIRPATH_p_t path, const char* variable);
int DIRPATH_append_from_dirs(DIRPATH_p_t path, int count, const char* const* dirs);
int DIRPATH_ask_dirs(DIRPATH_p_t path, int* count, char*** dirs);
int DIRPATH_ask_dir_count(DIRPATH_p_t path);
int DIRPATH_ask_dir_index(DIRPATH_p_t path);
int DIRPATH_ask_nth_dir(DIRPATH_p_t path, int index, char** dir);
/* The first directory, in order, that holds the file: *full receives
 * "<dir>/<name>" (a name starting with '/' is tried as it stands). */
int DIRPATH_find_file(DIRPATH_p_t path, const char* name, char** full);
int DIRPATH_start_dir_iteration(DIRPATH_p_t path);
int DIRPATH_ask_next_dir(DIRPATH_p_t path, char** dir);
int DIRPATH_ask_prev_dir(DIRPATH_p_t path, char** dir);
int DIRPATH_ask_curr_dir(DIRPATH_p_t path, char** dir);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::paths {
int live_paths();
}
#endif

#endif
