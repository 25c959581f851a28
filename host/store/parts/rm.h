/* Entity queries of the host's record manager over the object store
 * (host/base/services/objects.h). A tag of no live object raises HOST_ERR_DEAD_TAG,
 * a null output pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_DATA_RM_H
#define HOST_DATA_RM_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int RM_ask_entity_type(unsigned int object);
void RM_ask_entity_type_and_subtype(unsigned int object, int* type, int* subtype);
/* Tag of the live object with this persistent entity id, or 0. Ids are
 * unique within a part only (parts saved in different sessions may share
 * them): the work part's object comes first, else the first one made. */
unsigned int RM_ask_new_tag_of_entity(unsigned int entity);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
