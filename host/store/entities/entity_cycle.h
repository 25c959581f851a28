/* Cycling through the objects of a part, in creation order.
 *
 * The entities of a part are its live objects of the entity classes
 * (RM_entity_c and its subclasses, light-weight occurrences) other than
 * feature records; feature records (entity type 205) are cycled apart. A
 * cycle is carried by the last object handed out: the next one is the first
 * after it in creation order, so a cycle goes on even when the last object
 * was deleted meanwhile. 0 starts a cycle and marks its end.
 *
 * Checks: a part of no live part raises HOST_ERR_DEAD_TAG, a null pointer
 * HOST_ERR_NULL_ARGUMENT.
 */
#ifndef HOST_CORE_ENTITY_CYCLE_H
#define HOST_CORE_ENTITY_CYCLE_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ES_cycle_entities_by_type(unsigned int part, int type, unsigned int* object);
void ES_cycle_frecs(unsigned int part, unsigned int* feature);
/* The part's first entity, or 0. */
unsigned int RM_start_cycle_in_part(unsigned int part);
/* The next entity of the object's part, or 0. */
unsigned int RM_next_entity(unsigned int object);
/* The work part's next entity after *object (0: the first); 0 at the end. */
void es0067_(unsigned int* object);
/* The part's next entity after *object (0: the first) whose name equals
 * name without regard to case; 0 at the end. Through the index of names:
 * a step costs the same whatever the number of objects. */
void ES_cycle_entities_by_name(unsigned int part, const char* name, unsigned int* object);
/* The same among the part's feature records. */
void ES_cycle_frecs_by_name(unsigned int part, const char* name, unsigned int* feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
