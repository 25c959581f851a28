/* The host's file interface for programs: file existence, child processes,
 * and storage files, which keep named storages and named streams in one
 * file of the host's own format.
 *
 * Codes of the file band (host/platform/cfi/cfi.h) that these routines answer or
 * raise: CFI_ERR_NOT_FOUND (a file, program or element that does not
 * exist), CFI_ERR_BAD_SPEC (a malformed name or a storage where a stream is
 * meant), CFI_ERR_DENIED (no permission, a write through a read-only
 * handle, an element in use), and two of their own: CFI_ERR_POSITION (a
 * position outside the stream) and CFI_ERR_DAMAGED (a file that is not a
 * well-formed storage file). Handles that are not live raise
 * HOST_ERR_BAD_HANDLE. Relative file names are taken from the file
 * interface's default directory.
 *
 * Storage file format (integers little-endian):
 *   header  "KXSTORE" 0x01 | u32 version 1 | u32 entries | u64 data size |
 *           u64 table size | u32 checksum (FNV-1a over data and table) |
 *           u32 0
 *   data    the streams' bytes, one after another
 *   table   one entry per element, parents before children:
 *           u32 parent (entry index, 0xffffffff: the root) | u8 type
 *           (1 storage, 2 stream) | u8 0 | u16 name length | name |
 *           u64 offset in the data area | u64 size
 * A file is written whole (to a new file renamed over the old one) when a
 * handle of it is closed after a change. */
#ifndef HOST_CFI_STORAGE_H
#define HOST_CFI_STORAGE_H

#include "host/base/services/codes.h"
#include "host/platform/cfi/cfi.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma GCC visibility push(default) /* exported: see host/base/export.h */

#define HOST_STORAGE_CODES(X)                                        \
    X(CFI_ERR_POSITION, 1020184) /* a position outside the stream */ \
    X(CFI_ERR_DAMAGED, 1020185) /* not a well-formed storage file */
HOST_BARE_CODE_CONSTANTS(HOST_STORAGE_CODES);

/* ---- File existence -------------------------------------------------- */

/* 0 when the file exists, 1 when it does not, or a code of the band. */
int CFI_ask_file_exist(const char* spec);

/* ---- Child processes -------------------------------------------------- */

/* Starts a new argument list; *status 0. */
void fm2310_(int* status);
void CFI_add_argument(const char* argument);
/* Kind 3: a program to run; flags 0. A name with a '/' must be an
 * executable file; a bare name is searched along PATH. *full receives the
 * program's path (SM_alloc; the caller frees it). Answers 0 or a code. */
int CFI_spawn_format_program_name(const char* name, int kind, int flags, char** full);
/* Starts the program with the argument list (argv[0] is the program's
 * path) and the host's environment (environment 0). Wait 0 returns at
 * once; any other value waits for the child's end. *process receives the
 * child's process number, *handle 0. Answers 0 or a code. */
int CFI_spawn(const char* full, int environment, int wait, int* process, int* handle);
/* Child states. */
#define CFI_CHILD_RUNNING   0
#define CFI_CHILD_EXITED    1
#define CFI_CHILD_SIGNALLED 2
/* Asks a child started by CFI_spawn without blocking: *state one of the
 * above, *code its exit status or the signal that ended it (0 while
 * running). An unknown process raises HOST_ERR_BAD_HANDLE. Answers 0. */
int CFI_ask_child_status(int process, int* state, int* code);

/* ---- Storage files and streams ---------------------------------------- */

/* Open modes: read or write (write allows reading) with CREATE (make a
 * missing file or element) and TRUNCATE (a storage file starts empty). */
#define CFI_MODE_READ     1
#define CFI_MODE_WRITE    2
#define CFI_MODE_CREATE   4
#define CFI_MODE_TRUNCATE 8

typedef struct CFI_storage_s* CFI_storage_p_t;
typedef struct CFI_stream_s* CFI_stream_p_t;

#define CFI_ELEMENT_NAME_MAX 255
#define CFI_ELEMENT_STORAGE  1
#define CFI_ELEMENT_STREAM   2
struct CFI_storage_element {
    char name[CFI_ELEMENT_NAME_MAX + 1];
    int type;
    long long size; /* bytes of a stream; elements of a storage */
};

struct CFI_stream_stats {
    long long size;
    long long position;
    int mode;
    int channel; /* -1 when the stream is not converted to a channel */
};

CFI_storage_p_t CFI_open_storage_file(const char* name, int mode);
CFI_storage_p_t CFI_open_storage(CFI_storage_p_t parent, const char* name, int mode);
/* Closes the handle; answers 0 or the code of writing the file. */
int CFI_close_storage(CFI_storage_p_t storage);
CFI_stream_p_t CFI_open_stream(CFI_storage_p_t storage, const char* name, int mode);
int CFI_close_stream(CFI_stream_p_t stream);
long long CFI_ask_stream_current_pos(CFI_stream_p_t stream);
/* Answers the position reached: the request, or the end of the stream
 * when the request lies beyond it (a negative request: 0). */
long long CFI_set_stream_absolute_pos(CFI_stream_p_t stream, long long position);
/* Answers 0, or CFI_ERR_POSITION (the position unchanged) when the move
 * leaves the stream. */
int CFI_set_stream_relative_pos(CFI_stream_p_t stream, long long offset);
/* Answer the number of bytes transferred. */
unsigned int CFI_write_to_stream(CFI_stream_p_t stream, unsigned int count, const void* buffer);
unsigned int CFI_read_from_stream(CFI_stream_p_t stream, unsigned int count, void* buffer);
/* Copies the element with all it holds; replace 1 replaces an element of
 * the new name, 0 refuses it (CFI_ERR_ACCESS). Answers 0. */
int CFI_copy_storage_element(CFI_storage_p_t source, const char* name, CFI_storage_p_t target, const char* new_name,
                             int replace);
/* 1 when the file is a well-formed storage file, else 0. */
int CFI_is_storage_file(const char* name);
/* The stream's bytes on a channel (a file descriptor positioned at the
 * stream's position): mode 0 reads, 1 reads and writes (what the channel
 * holds comes back into the stream when it is released). A stream has one
 * channel; converting again answers it. */
int CFI_convert_stream_to_fileid(CFI_stream_p_t stream, int mode);
/* Answers 0; a channel that is not the stream's raises HOST_ERR_BAD_ARGUMENT. */
int CFI_release_stream_fileid(CFI_stream_p_t stream, int channel);
void CFI_ask_stream_stats(CFI_stream_p_t stream, struct CFI_stream_stats* stats);
/* Answers the number of elements; *contents an array of them (SM_alloc,
 * the caller frees it), null when there are none. */
int CFI_ask_storage_contents(CFI_storage_p_t storage, struct CFI_storage_element** contents);

#pragma GCC visibility pop

#ifdef __cplusplus
}

namespace host::cfi {
int open_handles();  // live storage and stream handles
}
#endif

#endif
