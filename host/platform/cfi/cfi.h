/* The host's file interface on the machine's own files and directories:
 * numbered channels on real files, block and line transfers, positioning,
 * directory channels, file headers and owners, file names, program
 * arguments, the clock, system queries and the directory request.
 *
 * Two calling forms, as the old numbered interface expects them:
 *  - CFI_ routines take C strings and answer 0 or a code of the file
 *    interface's band (1020001 ...); strings they hand back are host blocks
 *    (SM_alloc) that the caller frees with SM_free;
 *  - the channel routines fmNNNN_ take every argument by address and report
 *    through a trailing status: 0 or more on success, the negative code of
 *    the old interface (-1 ... -188) on failure.
 *
 * Relative file specifications are taken from the host's default directory
 * (CFI_set_default_directory), which starts as the process's working
 * directory. Channels are numbers from 1 up; a reset of the host closes
 * every open channel.
 */
#ifndef HOST_CFI_CFI_H
#define HOST_CFI_CFI_H

#include "host/base/services/codes.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Codes of the file interface's band; the old interface answers them as
 * 1020000 - code (-1 ...). */
#define HOST_CFI_CODES(X)                                                                              \
    X(CFI_ERR_NOT_FOUND, 1020001) /* the file does not exist */                                        \
    X(CFI_ERR_EXISTS, 1020002) /* the file exists already */                                           \
    X(CFI_ERR_NO_DIRECTORY, 1020003) /* the directory does not exist */                                \
    X(CFI_ERR_BAD_SPEC, 1020004) /* the file specification is invalid */                               \
    X(CFI_ERR_DENIED, 1020005) /* access to the file is denied */                                      \
    X(CFI_ERR_NOT_OPEN, 1020006) /* no channel of that number is open */                               \
    X(CFI_ERR_END_OF_FILE, 1020007) /* end of file (or of the directory) */                            \
    X(CFI_ERR_NO_SPACE, 1020008) /* nothing more could be written */                                   \
    X(CFI_ERR_TOO_LONG, 1020009) /* a text is too long for its field */                                \
    X(CFI_ERR_WRONG_CHANNEL, 1020011) /* a file channel where a directory is needed, or the reverse */ \
    X(CFI_ERR_NOT_PART_FILE, 1020012) /* a part-file header of a file that is no part file */          \
    X(CFI_ERR_NO_HEADER, 1020183) /* an entry whose header could not be read (no error for a scan) */
HOST_BARE_CODE_CONSTANTS(HOST_CFI_CODES);

/* Characters of a file specification (the host's limit): longer ones are
 * refused with CFI_ERR_BAD_SPEC. */
#define CFI_MAX_SPEC 259
/* Characters of a counted text that a file specification fills. */
#define CMSG_MAX_CHARS 260

/* The host's counted text: a length, then the characters (no NUL). The
 * capacity is the field's: CMSG_MAX_CHARS for this type, less for the
 * fields of the header record. */
typedef struct {
    int length;
    char text[CMSG_MAX_CHARS];
} CMSG_t;

/* Copies a C string into a counted text of `capacity` characters: 0, or
 * CFI_ERR_TOO_LONG (nothing written) when it does not fit, CFI_ERR_BAD_SPEC
 * for a null text. */
int CMSG_convert_c_to_cmsg(const char* text, void* cmsg, int capacity);
/* Copies a counted text into a C buffer of `size` bytes (the characters and
 * a NUL): 0, or CFI_ERR_TOO_LONG when it had to be cut. A length below 0 or
 * above `capacity` reads as 0 characters ... capacity. */
int CMSG_convert_cmsg_to_c(const void* cmsg, int capacity, char* text, int size);

/* ---- Channels on files ------------------------------------------------------
 * Open modes: 1 read, 2 write a new file (an existing one is emptied), 3
 * read and write an existing file. a2 and a3 of CFI_open_file are passed on
 * from the caller: a2 0 or the file type to create, a3 the record length
 * (0: none). CFI_open_record_file takes (mode, record length, file type). */
int CFI_open_file(const char* spec, int a2, int a3, int mode, int* channel);
int CFI_open_record_file(const char* spec, int mode, int record_length, int type, int* channel);

/* Block transfers of *count elements of 1, 4, 8 and 1 bytes (reads fm110x_,
 * writes fm120x_); a read past the end gives -7 after moving what there was. */
void fm1100_(int* channel, int* count, void* buffer, int* status);
void fm1101_(int* channel, int* count, void* buffer, int* status);
void fm1102_(int* channel, int* count, void* buffer, int* status);
void fm1103_(int* channel, int* count, void* buffer, int* status);
void fm1200_(int* channel, int* count, const void* buffer, int* status);
void fm1201_(int* channel, int* count, const void* buffer, int* status);
void fm1202_(int* channel, int* count, const void* buffer, int* status);
void fm1203_(int* channel, int* count, const void* buffer, int* status);
/* Skips of *count elements of 1, 4, 8 and 1 bytes, backwards when negative. */
void fm1300_(int* channel, int* count, int* status);
void fm1301_(int* channel, int* count, int* status);
void fm1302_(int* channel, int* count, int* status);
void fm1303_(int* channel, int* count, int* status);

/* A line without its end (the text is a host block), or CFI_ERR_END_OF_FILE. */
int CFI_read_line(int channel, char** line);
int CFI_write_line(int channel, const char* text);

/* Positions. fm1120_: moves to *offset bytes from *origin (0 start, 1 here,
 * 2 end); a4 is not used. fm1130_: with *value 0 or more moves to record
 * *value of `record_bytes` bytes (below 1: bytes); then *value is the
 * record now current; the status is that record number too. */
void fm1120_(int* channel, int* offset, int* origin, int a4, int* status);
void fm1130_(int* channel, int* value, int record_bytes, int* status);
void fm1211_(int* channel, int* status); /* writes what is buffered */
/* Sets the file's length to *length units of *unit bytes (below 1: bytes). */
void fm1221_(int* channel, int* length, int* unit, int a4, int* status);
/* Writes *count bytes of the character `fill`. */
void fm1230_(int* channel, int* count, int fill, int* status);
void fm1310a_(int* channel, int* position, int* status); /* byte position */
void fm1311a_(int* channel, int* position, int* status); /* moves to a byte position */
void fm1320_(int* channel, int* status);                 /* back to the start */
/* Closes a file or directory channel; close mode 1 deletes a file too. */
void fm1400_(int* channel, int* mode, int* status);
/* Items of a channel: 1 open mode, 2 size in bytes, 5 record length, 6 kind
 * (1 file, 2 directory), 7 byte position, 8 1 at the end, 9 file type. */
void fm1440_(int* channel, int* item, int* value, int* status);

/* ---- File operations ------------------------------------------------------- */
/* Status 0 when the file exists (*access 1: and may be read, 2: written),
 * else -1 (none) or -5 (no access). */
void fm1500_(const CMSG_t* name, int* access, int* status);
/* Mode 0: the file; 1: also a directory (which must be empty). */
int CFI_delete_file(const char* spec, int mode);
/* replace 1 lets the target be replaced. */
int CFI_rename_file(const char* from, const char* to, int replace);
int CFI_create_directory(const char* spec);
/* The default directory (kind is not used). */
int CFI_get_default_directory(int kind, char** directory);
/* must_exist 1: refused with CFI_ERR_NO_DIRECTORY for none. */
int CFI_set_default_directory(const char* spec, int must_exist);
/* The name with the extension of the file type when it has none. */
int CFI_add_extension(const char* name, int type, char** spec);
/* Copies a file; replace 1 lets the target be replaced; a4 is not used.
 * *second is the code of carrying the header over (0). */
int CFI_copy_file(const char* from, const char* to, int replace, int a4, int type, int* second);
/* File types: 1 directory, 2 part file (extension .prt), 5 any other file. */
int CFI_get_file_type(const char* spec, int* type);

/* ---- Directory channels and the file header record -------------------------- */

/* The header record exchanged with the old interface. */
typedef struct {
    int length;
    char text[16];
} CFI_owner_t;
typedef struct {
    int length;
    char text[132];
} CFI_text132_t;
typedef struct CFI_header_record_s {
    char* h_nam;         /* simple name of the entry (host block) */
    int size;            /* first value: size in bytes */
    int host_flags;      /* the host's own */
    int mod_day;         /* second value: day of the last change (two-word time, word 1) */
    int header_int;      /* the header integer (mask 4) */
    CFI_owner_t owner;   /* mask 1 */
    int owner_word;      /* the owner's user id */
    double times[3];     /* last access, change and status change, seconds since 1970 */
    int mod_second;      /* third value: second of that day (word 2) */
    CFI_text132_t text1; /* mask 0x20 */
    CFI_text132_t text2; /* mask 0x40 */
} CFI_header_record_t;

/* The header fields the host keeps (answer of item 14 of fm1920_). */
#define CFI_HEADER_OWNER 0x1
#define CFI_HEADER_INT   0x4
#define CFI_HEADER_TEXT1 0x20
#define CFI_HEADER_TEXT2 0x40

typedef int (*CFI_part_header_reader_t)(const char* spec, int mask, CFI_header_record_t* record);

/* Opens a directory channel; pattern (null or empty: every entry) selects
 * names, type (0: every type) file types. */
int CFI_open_directory(const char* spec, const char* pattern, int type, int* channel);
/* Reads the next entry into the record (h_nam, values, owner id); reads a
 * part file's header with `reader`. CFI_ERR_END_OF_FILE after the last. */
int CFI_read_next_directory_entry(int channel, CFI_part_header_reader_t reader, CFI_header_record_t* record);
/* Opens a channel on the directory of the record's entry: *status is the new
 * channel, or -3 (not a directory), -6. */
void fm1061(int channel, CFI_header_record_t* record, int* status);
/* Full specification of the record's entry. */
void fm1161(int channel, const CFI_header_record_t* record, CMSG_t* spec, int* status);
int CFI_get_file_header(const char* spec, int type, int mask, CFI_header_record_t* record);
int CFI_set_file_header(const char* spec, int type, int mask, const CFI_header_record_t* record);
int PFEDIT_get_part_file_header(const char* spec, int mask, CFI_header_record_t* record);
int PFEDIT_set_part_file_header(const char* spec, int mask, const CFI_header_record_t* record);
/* The name of the file's owner (host block), or NULL when it has none. */
char* CFI_ask_owner_name(const char* spec);
/* System queries: item 12 the node name (value is a CMSG_t), 14 the header
 * fields kept, 21 the longest file specification. */
void fm1920_(int* item, void* value, int* status);

/* ---- Names ------------------------------------------------------------------- */
/* must_exist 1: the file (directory) must exist as well. */
int CFI_validate_file_specification(const char* spec, int must_exist);
int CFI_validate_directory_specification(const char* spec, int must_exist);
int CFI_validate_wildcard_specification(const char* spec, int a2);
/* The full specification of a name (mode 1: with links resolved). */
void fm1820_(const CMSG_t* name, int* mode, CMSG_t* spec, int* status);
/* without_extension 1: the simple name without its extension. */
int CFI_get_simple_name(const char* spec, int without_extension, char** name);
/* The directory joined with the name, with the file type's extension when
 * the name has none. */
int CFI_merge_filespec(const char* directory, const char* name, int type, char** spec);
/* Directory and name of a specification (a2 not used). */
int CFI_split_filespec(const char* spec, int a2, char** directory, char** name);
int CFI_create_unique_filename(char** name);
int CFI_remove_extension(const char* spec, int a2, char** result);
/* "<node>:<full specification>". */
int CFI_form_global_filespec(const char* spec, int a2, char** result);

/* ---- System codes, program arguments, clock ---------------------------------- */
void fm1870_(int* index, char code[8]);
void fm1871_(int* index, int* result);
/* The host's version: a counted text of up to 136 characters. */
typedef struct {
    int length;
    char text[136];
} CFI_version_t;
void nat004_(CFI_version_t* version);
int PART_get_file_release_string(const char* spec, char** release);

void SYS_init_basics(void);
void ARG_init_module(int argc, char** argv);
/* The value of a switch "-name=value" or "-name:value" given with at least
 * min_abbrev of its leading characters (letter case ignored): *answer 0 with
 * a value, 1 given without one, 2 not given. The value is the host's. */
const char* ARG_get_switch(const char* name, int min_abbrev, int* answer);
/* The n-th (from 1) argument that is no switch, or NULL. */
const char* ARG_get_argument(int n);
void JQMGR_initialise_if_required(void);

/* Two-word time: days since 1 January 1970, second of the day. Texts:
 * "DD-Mon-YYYY" and "HH:MM:SS" ("HH:MM" is read too). */
void CLOCK_jq_comp_to_string(int day, int second, char** date, char** time);
int CLOCK_string_to_jq_comp(const char* date, const char* time, int words[2]);

/* ---- The directory request --------------------------------------------------- */
typedef struct {
    CMSG_t name;   /* wildcard of the names (flag 11) */
    int selection; /* flag 2 */
    CMSG_t extra1; /* names containing it (flag 0) */
    CMSG_t extra2; /* names not containing it (flag 1) */
    int date[2];   /* flag 4: changed after (flag 15) or before the date */
    int date_mode;
    int host_reserved[3];
    int types[4]; /* file-type bits (flag 14) */
    int fields;   /* columns: bit 1 size, bit 2 date, bit 3 owner */
    int value;
    int flags;
} FMG_request_t;
extern FMG_request_t fmgcom_;
/* Runs the request on the directory: its lines go to the host's request
 * output (host::cfi::request_lines). */
void l1110a_(const CMSG_t* directory, int* status);
/* Bits of a word array, numbered from 0: mbtts_ tests one (1 when set),
 * mbtst_ sets one. */
int mbtts_(const int* words, const int* bit);
void mbtst_(int* words, const int* bit);
void movch_(const char* from, char* to, const int* count);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::cfi {
int open_channels();                        // channels open now
std::vector<std::string> request_lines();   // lines of the last directory request
void set_owner_unknown(bool on);            // owners answer NULL (a user id without a name)
void set_version(const std::string& text);  // nat004_'s text
}  // namespace host::cfi
#endif

#endif
