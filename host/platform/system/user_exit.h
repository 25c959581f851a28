/* User exits: the type of the user exit that runs, the search for a user's
 * application library, and the runner that calls a function of a user
 * library through the caller's adapter.
 *
 * The user-exit type is 0 while none runs; whoever starts one sets its type
 * and puts the previous one back afterwards.
 *
 * JQOPEN_find_shared_library looks for an "application" library along the
 * directories of the variable KX_APPLICATION_PATH (ENV_translate_variable,
 * directories separated by ':'): the name, with a ".dll" or ".so" at its
 * end dropped, is looked for as "<directory>/<name>.so", directory by
 * directory. When found, `found` (KXEXIT_NAME_CHARS characters) holds the
 * path and the answer is 1; otherwise, and for another kind or a path that
 * does not fit, 0. The caller's word for the lookup gets the number of
 * directories looked into.
 *
 * KXEXIT_run_kestrix_extension_internal loads the library (a name without a
 * directory and extension is loaded as "<name>.so" along the loader's
 * search), resolves the entry point and calls adapter(entry point,
 * context) once, under an error frame of its own, in the run-time
 * environment and user-exit type in force at the call; it puts both back
 * afterwards whatever the user's code did, and calls the clean-up routine
 * (when given) last. It answers 0, KXEXIT_ERR_NO_LIBRARY or
 * KXEXIT_ERR_NO_ENTRY (nothing called), or KXEXIT_ERR_USER_FAILED when an
 * error left the user's code; each failure is noted on the host log. The
 * library stays loaded unless the options ask for it to be unloaded. */
#ifndef HOST_SYSTEM_USER_EXIT_H
#define HOST_SYSTEM_USER_EXIT_H

#include "host/base/services/codes.h"

#define KXEXIT_NAME_CHARS 256

#define HOST_USER_EXIT_CODES(X)                                                \
    X(KXEXIT_ERR_NO_LIBRARY, 3145001) /* the user library cannot be loaded */  \
    X(KXEXIT_ERR_NO_ENTRY, 3145002) /* the library has no such entry point */  \
    X(KXEXIT_ERR_USER_FAILED, 3145003) /* an error left the user's function */
HOST_BARE_CODE_CONSTANTS(HOST_USER_EXIT_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* How the runner calls: `kind` 1 calls the entry point once; `unload`
 * non-zero unloads the library afterwards. */
typedef struct KXEXIT_run_options_s {
    int kind;
    unsigned char unload;
    unsigned char spare[3];
    int reserved[4];
} KXEXIT_run_options_t;

typedef void (*KXEXIT_adapter_fn)(void* entry_point, void* context);
typedef void (*KXEXIT_cleanup_fn)(void);

int KXEXIT_ask_user_exit_type(void);
void KXEXIT_set_user_exit_type(int type);

int JQOPEN_find_shared_library(const char* kind, int* word, const char* name, char found[KXEXIT_NAME_CHARS]);

int KXEXIT_run_kestrix_extension_internal(const char* library, const KXEXIT_run_options_t* options, void* instance,
                                          const char* entry, KXEXIT_cleanup_fn cleanup, KXEXIT_adapter_fn adapter,
                                          void* context);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
