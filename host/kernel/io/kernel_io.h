/* The kernel interface of the foundation library: bodies written to and
 * read from kernel data files, the kernel journal, the kernel's partitions
 * and tag counts, and the host's part import.
 *
 * A kernel data file is one header line of ours (PX_KERNEL_FILE_HEADER,
 * ended by a line break) followed by the kernel's own text form of the
 * bodies (host/kernel/engine/kernel_files.cpp). CFI_is_brankel_file tells such a
 * file by its header line.
 *
 * Transfer routines report through a failure word (0 success):
 *   pxexpo_(&list, &count, &name, &option, &ifail)
 *       writes the bodies of the host list (KI_crlist kind 10001, the body
 *       objects added with KI_ptinli) to the file; nothing is written when
 *       an object is no body (KERNEL_ERR_WRONG_ENTITY), the list is empty
 *       or unknown (HOST_ERR_BAD_ARGUMENT), or the file cannot be made
 *       (HOST_ERR_BAD_ARGUMENT).
 *   pximpo_(&name, &list, &ifail)
 *       reads the file into new bodies with their objects in the work part;
 *       *list is a new host list (kind 10001) of the body objects, read with
 *       KI_colist and KI_gttgli and freed with KI_free_list (0 on failure).
 *       A missing file gives HOST_ERR_BAD_ARGUMENT, a file without our
 *       header line or with damaged kernel data KERNEL_ERR_BAD_DATA;
 *       nothing is made then.
 *
 * The journal: kernel interface parameter 2 (KI_ouintp/KI_seintp) is its
 * state; zrwrld_ holds a copy of it and the journal file's name (by default
 * "kernel_journal.txt" in the current directory, given at the first comment). KI_coment
 * appends one line "comment: <text>" to the journal file.
 */
#ifndef HOST_KERNEL_IO_KERNEL_IO_H
#define HOST_KERNEL_IO_KERNEL_IO_H

#define PX_KERNEL_FILE_HEADER "KXHOST KERNEL DATA 1"
#define PX_FILE_NAME_SIZE     260

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* A file name handed to the transfer routines. */
typedef struct PX_file_name_s {
    int length; /* characters without the terminator */
    char text[PX_FILE_NAME_SIZE];
} PX_file_name_t;

/* The kernel interface's common block. */
typedef struct zrwrld_s {
    int journal_state;
    char journal_file[PX_FILE_NAME_SIZE];
} zrwrld_t;
extern zrwrld_t zrwrld_;

void pxexpo_(const int* list, const int* count, const PX_file_name_t* name, const int* option, int* ifail);
void pximpo_(const PX_file_name_t* name, int* list, int* ifail);
/* 1 when the file starts with the header line of a kernel data file. */
int CFI_is_brankel_file(const char* name);

/* Appends a comment of `length` characters to the journal file. */
void KI_coment(int length, const char* text);

/* The kernel trimmed curve of a curve object (line, arc, conic, spline) or
 * an edge object: a new kernel entity; *ifail 0. Raises
 * KERNEL_ERR_WRONG_ENTITY for another object. */
void pxcutc_(const unsigned int* curve, int* zr_curve, int* ifail);

/* Partitions (UNDO_ZR_cre_partition: host/kernel/engine/brep_states.h): the
 * current one, which new kernel entities go into; an entity's partition is
 * the one current when it was made (0: made before any partition). */
void UNDO_ZR_ask_current_partition(int* partition);
/* Raises HOST_ERR_BAD_ARGUMENT for a partition not made yet. */
void UNDO_ZR_set_current_partition(int partition);
/* Answers 0, or KERNEL_ERR_NO_ENTITY for a tag of no entity (*partition 0). */
int ZQ_ENTITY_ask_partition(int entity, int* partition);
/* The highest kernel tag given out so far, and how many remain. */
int ZQ_SESSION_ask_tag_highest(int* tag);
int ZQ_SESSION_ask_tags_remaining(int* count);

/* The host's error traceback switch (1 on). */
void ERROR_set_traceback(int on);
int ERROR_ask_traceback(void);

/* Writes the bodies of n objects to the file (as pxexpo_) with the data
 * linked to them (with_attributes, with_links: flags); `filter` 0 keeps
 * every body, else only the bodies of that body type (ZQ_BODY_SOLID ...);
 * *written the number of bodies written. Answers the failure code it also
 * writes in *ifail (0 success): HOST_ERR_BAD_ARGUMENT for no objects or a
 * name of PX_FILE_NAME_SIZE characters or more (nothing written). */
int PX_export_filtered(int n, const unsigned int objects[], const char* file, int with_attributes, int with_links,
                       int filter, int option, int* written, int* ifail);

/* The host's part import record. */
typedef struct base_import_s {
    int options[5];
    unsigned char flags[2];
    unsigned char third_flag;
    int trailing;
} base_import_t;

/* Merges the bodies of a part file into the work part: each body turned by
 * the orthonormal matrix (rows X, Y, Z), scaled by `scale` about the
 * origin and moved to `point`; *group a new group holding the new objects.
 * Answers 0, or HOST_ERR_BAD_ARGUMENT for no work part, a scale that is not
 * finite and above 0, a point that is not finite, or a file that cannot be
 * found; the part file reader's code for a file it refuses. */
int base_import_part(const char* name, const base_import_t* record, const double matrix[9], const double point[3],
                     double scale, unsigned int* group);
/* The file of that name (its last component) found in the part search
 * directories (the variable JQII_PART_SEARCH_DIRS, directories split at
 * ':'), into buffer (PX_FILE_NAME_SIZE characters); "" for none. */
void PART_locate(const char* name, char* buffer);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::kernel_io {
// The record of the last base_import_part (zeros before any).
base_import_t last_import_record();
}  // namespace host::kernel_io
#endif

#endif
