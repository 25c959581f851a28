/* Modelling: tag lists, loop lists and string lists (the small containers
 * that carry sets of objects between a program and the modelling
 * functions), and feature deletion.
 *
 * The list functions need no open session and only touch memory. Codes of the
 * modelling band: 875005 empty list, 875009 no list, 875010 negative index,
 * 875011 index past the end, 875164 tag not in the list. */
#ifndef KX_MODL_H
#define KX_MODL_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* A set of tags in insertion order. An empty list is one node holding
 * NULL_TAG; a tag is held at most once. Free with KX_MODL_delete_list. */
typedef struct tag_list_s {
    tag item;
    struct tag_list_s *next;
} tag_list;

/* The loops of a face: loop type (1, 2 or 3) and the loop's edges. All
 * nodes of one result share one block; free with KX_MODL_delete_loop_list. */
typedef struct loop_list_s {
    int type;
    tag_list *edge_list;
    struct loop_list_s *next;
} loop_list;

/* Objects grouped into strings, each with a direction flag. The record is
 * the caller's; its arrays come from KX_MODL_create_string_list and go back
 * with KX_MODL_free_string_list. */
typedef struct string_list_s {
    int count;        /* number of strings */
    int *per_string;  /* objects in each string, count entries */
    int *dir;         /* direction flag of each string, count entries */
    tag *objects;     /* the objects of all strings, string after string */
} string_list;

KXAPI int KX_MODL_create_list(tag_list **list);
KXAPI int KX_MODL_put_list_item(tag_list *list, tag object);
KXAPI int KX_MODL_ask_list_count(tag_list *list, int *count);
KXAPI int KX_MODL_ask_list_item(tag_list *list, int index, tag *object);
KXAPI int KX_MODL_delete_list_item(tag_list **list, tag object);
KXAPI int KX_MODL_delete_list(tag_list **list);

KXAPI int KX_MODL_ask_loop_list_count(loop_list *loops, int *count);
KXAPI int KX_MODL_ask_loop_list_item(loop_list *loops, int index, int *type,
                                     tag_list **edge_list);
KXAPI int KX_MODL_delete_loop_list(loop_list **loops);

KXAPI void KX_MODL_create_string_list(int n_strings, int n_objects, string_list *strings);
KXAPI void KX_MODL_init_string_list(string_list *strings);
KXAPI void KX_MODL_free_string_list(string_list *strings);

/* Deletes the features of the list (with the features that build on them)
 * in one edit: when the deletion fails, the model is rolled back to where
 * it was. Needs no open session. */
KXAPI int KX_MODL_delete_feature(tag_list *features);


KX_END_DECLS

#endif
