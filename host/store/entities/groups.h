/* Groups: objects of entity type 15 that hold other objects (the group's
 * members, kept in order in the entity store's member list). Groups may
 * hold groups; an object belongs to at most one group. Only objects whose
 * entity type has the property ES_PROP_GROUPABLE (eprops_) can be members,
 * and no group can hold itself or a group that holds it.
 *
 * Record-type codes: RM__record_type_codes[RM_RECORD_GROUP_MEMBERS] is the
 * code with which rm404_ reads a group's members.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a group tag of
 * another type HOST_ERR_WRONG_CLASS, a null pointer HOST_ERR_NULL_ARGUMENT.
 * Making a group of, or adding to a group, an object that is in a group
 * already, cannot be grouped, or would make a cycle raises
 * GROUP_ERR_NOT_GROUPABLE; removing an object from a group it is not in
 * raises HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_CORE_GROUPS_H
#define HOST_CORE_GROUPS_H

#include "host/base/services/codes.h"

#define HOST_GROUP_CODES(X) X(GROUP_ERR_NOT_GROUPABLE, 660017)
HOST_BARE_CODE_CONSTANTS(HOST_GROUP_CODES);

#define RM_RECORD_GROUP_MEMBERS 3
#define RM_RECORD_CODES         8

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern const int RM__record_type_codes[RM_RECORD_CODES];

/* A new group of the work part holding the members, in order. */
unsigned int GROUP_create(int count, const unsigned int* members);
/* The group of the object (0 for none); *flag 1 when it is in one. */
void es1506_(const unsigned int* object, unsigned int* group, int* flag);
int ES_count_group_members(unsigned int group);
/* Reads up to *count members of the record-type code's list (mode 1: the
 * direct members) into array. */
void rm404_(const unsigned int* group, const int* code, const int* mode, const int* count, unsigned int* array);
void GROUP_add_member_to_group(unsigned int group, unsigned int member);
void es1503_(const unsigned int* group, const unsigned int* member);
/* Dissolves the group: its members are free again (es1521_), or also the
 * groups inside it, all the way down (es1523_). */
void es1521_(const unsigned int* group);
void es1523_(const unsigned int* group);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
