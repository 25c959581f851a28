/* Loading user libraries, and the file-name service that resolves their
 * names.
 *
 * fm1821_ takes a counted name (length, characters) and a mode (0: a file
 * to load) and gives the resolved name as a counted text of at most
 * FM_NAME_MAX characters: a name with a directory part becomes absolute
 * (against the current directory), a bare name stays as it is (the loader
 * searches its own path). The status is 0, or negative: -4 for a length
 * outside 1 to FM_NAME_MAX or another mode.
 *
 * ldr_load opens the library (once per resolved name; each load counts)
 * and answers the symbol's address, with the status: 0 found, 1 the library
 * cannot be opened, 2 it does not export the symbol, 3 out of memory while
 * loading. ldr_unload drops one load of the library and closes it with the
 * last; it answers 0, or 1 when the library is not loaded. */
#ifndef HOST_SYSTEM_LOADER_H
#define HOST_SYSTEM_LOADER_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

#define FM_NAME_MAX 260
void fm1821_(const int* length, const char* name, const int* mode, int* out_length, char* out_name, int* status);

#define LDR_BAD_LIBRARY 1
#define LDR_NO_SYMBOL   2
#define LDR_NO_MEMORY   3
void* ldr_load(const char* library, const char* symbol, int* status);
int ldr_unload(const char* library);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::loader {
int loads(const char* resolved_name);  // loads counted for the library, 0 when not loaded
}
#endif

#endif
