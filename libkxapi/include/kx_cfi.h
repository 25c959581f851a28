/* The old numbered file interface: numbered channels on files, block and
 * line transfers, positioning, operations on files, the directory scan and
 * the file header record, file names, program arguments and switches, the
 * clock texts, system queries and the directory request.
 *
 * Results: 0 or a non-negative value (a channel, a length, a count) is
 * success; a failure is negative, and a code c of the host's file
 * interface (1020000 < c <= 1020188) comes back as 1020000 - c (-1 to
 * -188), whose text uc4599 gives. The argument codes (1105004 ...) and the
 * initialisation code 1105000 are positive; uc4500, uc4504, uc4506, uc4507,
 * uc4508 and uc4650 answer -1105000 instead.
 *
 * Buffers that the functions fill are of the sizes below; no function
 * writes more than its buffer's size into it. A text given to a function
 * that does not fit the host's field for it is refused with
 * KX_CFI_TOO_LONG. */
#ifndef KX_CFI_H
#define KX_CFI_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Sizes of the output buffers, in bytes with the terminating NUL. */
#define KX_CFI_FSPEC_BUFSIZE   260  /* file specifications, names, directories, switch values, arguments */
#define KX_CFI_LINE_BUFSIZE    1024 /* a line read by uc4514 */
#define KX_CFI_OWNER_BUFSIZE   16   /* the owner of a file (uc4603) */
#define KX_CFI_TEXT_BUFSIZE    133  /* header texts (uc4607, uc4608), the release text (uc4623) */
#define KX_CFI_VERSION_BUFSIZE 137  /* the host's version (uc4901) */
#define KX_CFI_DATE_BUFSIZE    32   /* date and time texts (uc4582) */
#define KX_CFI_CODE_BUFSIZE    5    /* a system code (uc4580) */

/* Codes of the interface itself (the file interface's are -1 to -188). */
#define KX_CFI_NO_SCAN         (-14)  /* no directory scan is open */
#define KX_CFI_TOO_LONG        (-9)   /* a text does not fit its field */
#define KX_CFI_BAD_INDEX       (-38)  /* a system code index outside 0 to 128 */
#define KX_CFI_BAD_REQUEST     (-121) /* a directory request of a bad kind, type set or date */
#define KX_CFI_BAD_KIND        (-123) /* a kind (or file type) outside its range */
#define KX_CFI_SCAN_TOO_DEEP   (-189) /* a descent below the ninth level of a scan */
#define KX_CFI_MAX_SCAN_LEVELS 9
#define KX_CFI_NO_NAME         1135000 /* uc4600: no entry has been read */
#define KX_CFI_NO_BUFFER       1135001 /* uc4600: no buffer */

/* ---- Channels -------------------------------------------------------------
 * Open modes: uc4500 reads, uc4504 writes a new file, uc4506 reads and
 * writes an existing one; a2 is the file type to create (0 none), a3 the
 * record length (0 none). uc4507 takes (mode 1 to 3, record length, file
 * type). The result is the channel, or the host's code c negated (-c: a
 * file that does not exist gives -1020001). */
KXAPI int uc4500(const char* fspec, int a2, int a3);
KXAPI int uc4504(const char* fspec, int a2, int a3);
KXAPI int uc4506(const char* fspec, int a2, int a3);
KXAPI int uc4507(const char* fspec, int mode, int record_length, int type);

/* Block reads and writes of n elements (bytes, 4-byte words, 8-byte words,
 * characters); any n, moved in pieces of at most 32768 elements. */
KXAPI int uc4510(int channel, int n, void* buffer);
KXAPI int uc4511(int channel, int n, void* buffer);
KXAPI int uc4512(int channel, int n, void* buffer);
KXAPI int uc4513(int channel, int n, void* buffer);
KXAPI int uc4520(int channel, int n, const void* buffer);
KXAPI int uc4521(int channel, int n, const void* buffer);
KXAPI int uc4522(int channel, int n, const void* buffer);
KXAPI int uc4523(int channel, int n, const void* buffer);
/* Skips n elements of the same sizes, backwards when n is negative. */
KXAPI int uc4530(int channel, int n);
KXAPI int uc4531(int channel, int n);
KXAPI int uc4532(int channel, int n);
KXAPI int uc4533(int channel, int n);

/* Reads a line into line (KX_CFI_LINE_BUFSIZE bytes; a longer line is cut)
 * and answers its whole length; writes a line. */
KXAPI int uc4514(int channel, char* line);
KXAPI int uc4524(int channel, const char* text);

/* Positions: uc4516 (channel, offset, origin 0 start / 1 here / 2 end, not
 * used); uc4517 (channel, record in/out: moves there when 0 or more, then
 * answers the record now current; record length in bytes); uc4534 answers
 * the byte position, uc4535 moves to one, uc4536 goes back to the start. */
KXAPI int uc4516(int channel, int offset, int origin, int a4);
KXAPI int uc4517(int channel, int* record, int record_length);
KXAPI int uc4534(int channel);
KXAPI int uc4535(int channel, int position);
KXAPI int uc4536(int channel);
/* uc4525 writes what is buffered; uc4526 sets the length to (length, unit
 * bytes, not used); uc4527 writes count copies of a character. */
KXAPI int uc4525(int channel);
KXAPI int uc4526(int channel, int length, int unit, int a4);
KXAPI int uc4527(int channel, int count, int fill);
/* Closes a channel; close mode 1 deletes the file. */
KXAPI int uc4540(int channel, int close_mode);
/* Kinds: 1 size in bytes, 2 open mode, 3 record length, 4 byte position,
 * 5 1 at the end, 6 file type. uc4547 kind 1: 1 file, 2 directory. */
KXAPI int uc4544(int channel, int kind, int* result);
KXAPI int uc4547(int channel, int kind, int* result);

/* ---- Files ------------------------------------------------------------------ */
/* 0 when the file exists (access 1: and may be read, 2: written). */
KXAPI int uc4560(const char* name, int access);
/* Mode 0 a file, 1 also an empty directory. */
KXAPI int uc4561(const char* fspec, int mode);
/* replace 1 lets the target be replaced. */
KXAPI int uc4562(const char* from, const char* to, int replace);
KXAPI int uc4563(const char* directory);
/* The default directory (KX_CFI_FSPEC_BUFSIZE); uc4566 sets it (must_exist 1). */
KXAPI int uc4565(int kind, char* directory);
KXAPI int uc4566(const char* directory, int must_exist);
/* Copies source to the target name with the extension of the file type
 * (2 a part file); replace 1 lets the target be replaced. */
KXAPI int uc4567(const char* source, const char* target, int replace, int a4, int type);

/* ---- Directory scan and file header ----------------------------------------
 * One scan per process: uc4508 opens it on a directory (pattern of names,
 * null for all; a3 not used; file type 0 for all) and answers the channel
 * of level 1; uc4518 reads the next entry of the deepest level (-7 after
 * the last), uc4509 descends into the entry read (at most nine levels),
 * uc4549 leaves the deepest level, uc4548 ends the scan. */
KXAPI int uc4508(const char* directory, const char* pattern, int a3, int type);
KXAPI int uc4509(void);
KXAPI int uc4518(void);
KXAPI int uc4519(char* fspec);
KXAPI int uc4548(void);
KXAPI int uc4549(void);
/* Reads a file's header (file type 0: asked; mask of fields 1 owner, 4 the
 * header integer, 0x20 and 0x40 the texts). */
KXAPI int uc4564(const char* fspec, int type, int mask);
/* The entry read: name, size in bytes (uc4601), day and second of its last
 * change (uc4605, uc4609), header integer, owner, access, change and status
 * change times in seconds (uc4606), header texts. */
KXAPI int uc4600(char* name);
KXAPI int uc4601(void);
KXAPI int uc4602(int* value);
KXAPI int uc4603(char* owner);
KXAPI int uc4605(void);
KXAPI int uc4606(double* accessed, double* changed, double* status_changed);
KXAPI int uc4607(char* text);
KXAPI int uc4608(char* text);
KXAPI int uc4609(void);
/* Writes a header field of a part file (type 2 or 98; 0: asked). */
KXAPI int uc4612(const char* fspec, int type, int value);
KXAPI int uc4613(const char* fspec, int type, const char* owner);
KXAPI int uc4617(const char* fspec, int type, const char* text);
KXAPI int uc4618(const char* fspec, int type, const char* text);

/* ---- Names, system queries, arguments, clock -------------------------------- */
KXAPI int uc4570(const char* fspec, int must_exist);
KXAPI int uc4571(const char* directory, int must_exist);
KXAPI int uc4572(const char* wildcard, int a2);
/* The full specification of a name (mode 1: links resolved). */
KXAPI int uc4573(const char* name, int mode, char* fspec);
/* The simple name (without_extension 1: without its extension). */
KXAPI int uc4574(const char* fspec, int without_extension, char* name);
/* Joins a directory and a name, with the extension of the file type. */
KXAPI int uc4575(const char* directory, int type, const char* name, char* fspec);
KXAPI int uc4576(const char* fspec, int a2, char* directory, char* name);
KXAPI int uc4577(char* name);
KXAPI int uc4578(const char* fspec, int a2, char* result);
KXAPI int uc4579(const char* fspec, int a2, char* result);
KXAPI int uc4580(int index, char* code);
KXAPI int uc4581(int index);
/* Kind 1: the node name. */
KXAPI int uc4595(int kind, char* text);
/* Kind 2: the header fields kept; kind 3: the longest file specification. */
KXAPI int uc4596(int kind, int* value);
KXAPI int uc4901(char* text);
KXAPI int uc4623(const char* fspec, char* text);
/* Two-word time (days since 1 January 1970, second of the day) and the
 * texts "DD-Mon-YYYY" and "HH:MM:SS". uc4583 answers 1 for texts that do
 * not convert. */
KXAPI int uc4582(const int jq_time[2], char* date, char* time);
KXAPI int uc4583(const char* date, const char* time, int jq_time[2]);
/* Program arguments: uc4624 keeps them; uc4620 answers 3 and the value of
 * a switch (its capitals are the shortest abbreviation), 1 for one without
 * a value, 0 for none; uc4621 answers 1 and the next argument, 0 for none. */
KXAPI int uc4624(int a1, int argc, char** argv);
KXAPI int uc4620(const char* name, char* value);
KXAPI int uc4621(char* argument);
/* The directory request: kind 1 all, 2 names matching the text, 3 changed
 * since the date text, 4 before it, 5 names containing the text, 6 names
 * without it, 7 file types selected by selections[0..11], 8 selection
 * value selections[0]; value 1 to 5; flags[0..12] choose the fields. */
KXAPI int uc4650(const char* directory, int kind, int value, int flags[13], int selections[12], const char* text);

/* ---- File services: existence, child processes, storage files -----------
 * Whether a file exists, child processes, and storage files that keep
 * named storages and named streams inside one file. These functions answer
 * status codes as the rest of the interface does (0 is success).
 *
 * Storage files are written whole when a handle of them is closed after a
 * change; a file that is not a well-formed storage file is refused with
 * KX_CFI_ERR_DAMAGED. Reads and writes that move fewer bytes than asked
 * answer KX_CFI_ERR_END_OF_STREAM and KX_CFI_ERR_NOT_WRITTEN; a position
 * that cannot be reached KX_CFI_ERR_POSITION (kx_codes.h). */

/* *status 0 and result 0 when the file exists; *status 1 and result 0
 * when it does not; *status 1 and a file-band code when it cannot be
 * asked. */
KXAPI int KX_CFI_ask_file_exist(const char* file_spec, int* status);

/* Starts program (a path, or a name searched along PATH) with the
 * arguments; wait 0 returns at once, any other value after the child's
 * end. *process receives the child's process number. */
KXAPI int KX_CFI_spawn(const char* program, int argument_count, char** arguments, int wait, int* process);

#define KX_CFI_CHILD_RUNNING   0
#define KX_CFI_CHILD_EXITED    1
#define KX_CFI_CHILD_SIGNALLED 2
/* Asks a child without waiting: *state one of the above, *code its exit
 * status or the signal that ended it. */
KXAPI int KX_CFI_spawn_check_status(int process, int* state, int* code);

/* Open modes: READ or WRITE (which allows reading), with CREATE (make what
 * is missing) and TRUNCATE (a storage file starts empty). */
#define KX_CFI_MODE_READ     1
#define KX_CFI_MODE_WRITE    2
#define KX_CFI_MODE_CREATE   4
#define KX_CFI_MODE_TRUNCATE 8

typedef struct KX_CFI_storage_s* KX_CFI_storage_t;
typedef struct KX_CFI_stream_s* KX_CFI_stream_t;

#define KX_CFI_ELEMENT_NAME_MAX 255
#define KX_CFI_ELEMENT_STORAGE  1
#define KX_CFI_ELEMENT_STREAM   2
typedef struct KX_CFI_element_s {
    char name[KX_CFI_ELEMENT_NAME_MAX + 1];
    int type;
    long long size; /* bytes of a stream, elements of a storage */
} KX_CFI_element_t;

typedef struct KX_CFI_stream_stats_s {
    long long size;
    long long position;
    int mode;
    int channel; /* -1 when the stream is on no channel */
} KX_CFI_stream_stats_t;

KXAPI int KX_CFI_open_storage_file(const char* file_name, int mode, KX_CFI_storage_t* storage);
KXAPI int KX_CFI_open_storage(KX_CFI_storage_t parent, const char* name, int mode, KX_CFI_storage_t* storage);
KXAPI int KX_CFI_close_storage(KX_CFI_storage_t storage);
KXAPI int KX_CFI_open_stream(KX_CFI_storage_t storage, const char* name, int mode, KX_CFI_stream_t* stream);
KXAPI int KX_CFI_close_stream(KX_CFI_stream_t stream);
KXAPI int KX_CFI_ask_stream_current_pos(KX_CFI_stream_t stream, long long* position);
/* KX_CFI_ERR_POSITION when the position reached is not the one asked for. */
KXAPI int KX_CFI_set_stream_absolute_pos(KX_CFI_stream_t stream, long long position);
KXAPI int KX_CFI_set_stream_relative_pos(KX_CFI_stream_t stream, long long offset);
KXAPI int KX_CFI_write_to_stream(KX_CFI_stream_t stream, unsigned int count, const void* buffer);
KXAPI int KX_CFI_read_from_stream(KX_CFI_stream_t stream, unsigned int count, void* buffer);
/* Copies an element with all it holds, replacing one of the new name. */
KXAPI int KX_CFI_copy_storage_element(KX_CFI_storage_t source, const char* name, KX_CFI_storage_t target,
                                      const char* new_name);
KXAPI int KX_CFI_is_storage_file(const char* file_name, logical* is_storage);
/* The stream's bytes on a channel (a file descriptor): mode 0 reads, 1
 * reads and writes; what a mode-1 channel holds comes back into the stream
 * when it is released. */
KXAPI int KX_CFI_convert_stream_to_fileid(KX_CFI_stream_t stream, int mode, int* channel);
KXAPI int KX_CFI_release_stream_fileid(KX_CFI_stream_t stream, int channel);
KXAPI int KX_CFI_ask_stream_stats(KX_CFI_stream_t stream, KX_CFI_stream_stats_t* stats);
/* *contents: the elements (free with KX_free), NULL when there are none. */
KXAPI int KX_CFI_ask_storage_contents(KX_CFI_storage_t storage, int* count, KX_CFI_element_t** contents);

KX_END_DECLS

#endif
