/* The solid kernel's level: bodies written to and read from kernel data
 * files, the kernel journal, kernel tags of model objects, kernel
 * partitions and the kernel session's tag counts. */
#ifndef KX_ZR_H
#define KX_ZR_H

#include "kx_modl.h"
#include "kx_types.h"

/* A kernel entity's identifier, distinct from a model tag. */
typedef int zr_tag;
/* A kernel partition. */
typedef int zr_partition;

/* Characters of a file name, its terminator included: a name is at most
 * KX_ZR_FILE_NAME_SIZE - 1 characters. A journal name buffer holds
 * KX_ZR_FILE_NAME_SIZE characters. */
#define KX_ZR_FILE_NAME_SIZE 260

KX_BEGIN_DECLS

/* Writes the bodies of the list to a kernel data file. */
KXAPI int KX_ZR_export_data(tag_list* objects, const char* file);
/* Reads a kernel data file into new bodies of the work part; *objects is a
 * new list of their body objects, which the caller deletes with
 * KX_MODL_delete_list (also after a failure that leaves it set). */
KXAPI int KX_ZR_import_data(const char* file, tag_list** objects);

/* Writes the n bodies to a kernel data file with the data linked to them;
 * filter 0 keeps every body, else only the bodies of that kernel body type;
 * *written the number written, *ifail the exporter's failure code, which is
 * also the answer. Leaves the host's error traceback on. */
KXAPI int KX_ZR_export_linked_data(int n, const tag objects[], const char* file, int filter, int option, int* written,
                                   int* ifail);

/* The journal: its state (1 on, 0 off) and the name of its file (at most
 * KX_ZR_FILE_NAME_SIZE bytes written). */
KXAPI int KX_ZR_ask_journal_data(int* state, char* file);
KXAPI int KX_ZR_set_journal_state(int state);
KXAPI int KX_ZR_write_to_journal(const char* text);

/* Model objects and kernel tags. */
KXAPI int KX_ZR_ask_object_of_zr_tag(zr_tag entity, tag* object);
KXAPI int KX_ZR_ask_zr_tag_of_object(tag object, zr_tag* entity);
KXAPI int KX_ZR_create_obj_from_zr_tag(zr_tag entity, tag* object);

/* A new kernel trimmed curve of a line, arc, conic or spline (any
 * subtype) or of an edge (entity type 70, subtype 3) over its own range:
 * *zr_curve its kernel tag (a kernel edge). 875033 for another object. */
KXAPI int KX_ZR_create_zr_trimmed_curve(tag curve, zr_tag* zr_curve);

/* Partitions. */
KXAPI int KX_ZR_create_partition(zr_partition* partition);
KXAPI int KX_ZR_ask_current_partition(zr_partition* partition);
KXAPI int KX_ZR_set_current_partition(zr_partition partition);
KXAPI int KX_ZR_ask_entity_partition(zr_tag entity, zr_partition* partition);

/* The kernel session's tags. */
KXAPI int KX_ZR_ask_current_highest_tag(zr_tag* highest);
KXAPI int KX_ZR_ask_tags_remaining(int* remaining);

KX_END_DECLS

#endif
