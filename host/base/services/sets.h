/* Sets of objects: a temporary collection that host routines fill for a
 * caller (the expressions held by a positioning constraint ...). A set is
 * a small id; it holds each object once, in the order added, and lives
 * until OM_delete_set. Sets are no part of the model: undo leaves them, a
 * reset of the host drops them all.
 *
 * Checks: an id of no set raises HOST_ERR_BAD_ARGUMENT, a null pointer
 * HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_SERVICES_SETS_H
#define HOST_SERVICES_SETS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* A new empty set; answers its id (never 0). */
int OM_create_set(void);
void OM_add_to_set(int set, unsigned int object);
/* The objects of the set, in order (SM_alloc, null when empty). */
void OM_flatten_set(int set, int* count, unsigned int** objects);
void OM_delete_set(int set);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::objects {
int set_count();  // sets not deleted yet
}
#endif

#endif
