/* File services: whether a file exists, child processes, and storage files
 * that keep named storages and named streams inside one file.
 *
 * Storage files are written whole when a handle of them is closed after a
 * change; a file that is not a well-formed storage file is refused with
 * KX_CFI_ERR_DAMAGED. Reads and writes that move fewer bytes than asked
 * answer KX_CFI_ERR_END_OF_STREAM and KX_CFI_ERR_NOT_WRITTEN; a position
 * that cannot be reached KX_CFI_ERR_POSITION (kx_codes.h). */
#ifndef KX_CFI_H
#define KX_CFI_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* *status 0 and result 0 when the file exists; *status 1 and result 0
 * when it does not; *status 1 and a file-band code when it cannot be
 * asked. */
KXAPI int KX_CFI_ask_file_exist(const char *file_spec, int *status);

/* Starts program (a path, or a name searched along PATH) with the
 * arguments; wait 0 returns at once, any other value after the child's
 * end. *process receives the child's process number. */
KXAPI int KX_CFI_spawn(const char *program, int argument_count, char **arguments, int wait, int *process);

#define KX_CFI_CHILD_RUNNING 0
#define KX_CFI_CHILD_EXITED 1
#define KX_CFI_CHILD_SIGNALLED 2
/* Asks a child without waiting: *state one of the above, *code its exit
 * status or the signal that ended it. */
KXAPI int KX_CFI_spawn_check_status(int process, int *state, int *code);

/* Open modes: READ or WRITE (which allows reading), with CREATE (make what
 * is missing) and TRUNCATE (a storage file starts empty). */
#define KX_CFI_MODE_READ 1
#define KX_CFI_MODE_WRITE 2
#define KX_CFI_MODE_CREATE 4
#define KX_CFI_MODE_TRUNCATE 8

typedef struct KX_CFI_storage_s *KX_CFI_storage_t;
typedef struct KX_CFI_stream_s *KX_CFI_stream_t;

#define KX_CFI_ELEMENT_NAME_MAX 255
#define KX_CFI_ELEMENT_STORAGE 1
#define KX_CFI_ELEMENT_STREAM 2
typedef struct KX_CFI_element_s {
    char name[KX_CFI_ELEMENT_NAME_MAX + 1];
    int type;
    long long size;   /* bytes of a stream, elements of a storage */
} KX_CFI_element_t;

typedef struct KX_CFI_stream_stats_s {
    long long size;
    long long position;
    int mode;
    int channel;      /* -1 when the stream is on no channel */
} KX_CFI_stream_stats_t;

KXAPI int KX_CFI_open_storage_file(const char *file_name, int mode, KX_CFI_storage_t *storage);
KXAPI int KX_CFI_open_storage(KX_CFI_storage_t parent, const char *name, int mode, KX_CFI_storage_t *storage);
KXAPI int KX_CFI_close_storage(KX_CFI_storage_t storage);
KXAPI int KX_CFI_open_stream(KX_CFI_storage_t storage, const char *name, int mode, KX_CFI_stream_t *stream);
KXAPI int KX_CFI_close_stream(KX_CFI_stream_t stream);
KXAPI int KX_CFI_ask_stream_current_pos(KX_CFI_stream_t stream, long long *position);
/* KX_CFI_ERR_POSITION when the position reached is not the one asked for. */
KXAPI int KX_CFI_set_stream_absolute_pos(KX_CFI_stream_t stream, long long position);
KXAPI int KX_CFI_set_stream_relative_pos(KX_CFI_stream_t stream, long long offset);
KXAPI int KX_CFI_write_to_stream(KX_CFI_stream_t stream, unsigned int count, const void *buffer);
KXAPI int KX_CFI_read_from_stream(KX_CFI_stream_t stream, unsigned int count, void *buffer);
/* Copies an element with all it holds, replacing one of the new name. */
KXAPI int KX_CFI_copy_storage_element(KX_CFI_storage_t source, const char *name, KX_CFI_storage_t target,
                                      const char *new_name);
KXAPI int KX_CFI_is_storage_file(const char *file_name, logical *is_storage);
/* The stream's bytes on a channel (a file descriptor): mode 0 reads, 1
 * reads and writes; what a mode-1 channel holds comes back into the stream
 * when it is released. */
KXAPI int KX_CFI_convert_stream_to_fileid(KX_CFI_stream_t stream, int mode, int *channel);
KXAPI int KX_CFI_release_stream_fileid(KX_CFI_stream_t stream, int channel);
KXAPI int KX_CFI_ask_stream_stats(KX_CFI_stream_t stream, KX_CFI_stream_stats_t *stats);
/* *contents: the elements (free with KX_free), NULL when there are none. */
KXAPI int KX_CFI_ask_storage_contents(KX_CFI_storage_t storage, int *count, KX_CFI_element_t **contents);

KX_END_DECLS

#endif
