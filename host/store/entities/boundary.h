/* Boundary objects: entity type 14, a chain of curves, edges and points in
 * order, of boundary type 0 or 1, optionally tied to a view, with a mode
 * and two values (the boundary's tolerances: mode 1 offsets the chain by
 * the first value inside and the second outside; mode 0 uses none).
 *
 * The boundaries of an object (es1440_, rm407_ with relationship code
 * BOUND_RELATION_MEMBER) are the live boundaries whose chain holds it, in
 * creation order; a boundary whose entity-store state (es0022_) is 2 is
 * one being deleted.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a boundary tag
 * of another type HOST_ERR_WRONG_CLASS, a null pointer
 * HOST_ERR_NULL_ARGUMENT, a count below 1, a type other than 0 and 1, a
 * view that is no view, a member that is no curve, edge or point, or an
 * index outside 1..count HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_CORE_BOUNDARY_H
#define HOST_CORE_BOUNDARY_H

#define BOUND_RELATION_MEMBER 1401

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct BOUND_settings_s {
    int mode;
    double first_value;
    double second_value;
} BOUND_settings_t;

typedef struct BOUND_member_s {
    unsigned int object;
    int data;
} BOUND_member_t;

/* What BOUND_ask_boundary_data fills; members from SM_alloc (null when
 * none), freed by the caller. */
typedef struct BOUND_data_s {
    int type;
    unsigned int view;
    BOUND_settings_t settings;
    int member_count;
    BOUND_member_t* members;
} BOUND_data_t;

void BOUND_create_boundary(int type, unsigned int view, const BOUND_settings_t* settings, int count,
                           const BOUND_member_t* members, unsigned int* boundary);
void BOUND_ask_boundary_data(unsigned int boundary, BOUND_data_t* data);
/* The number of boundaries whose chain holds the object. */
void es1440_(const unsigned int* object, int* count);
/* The index-th (from 1) object related to the object by the relationship
 * code; mode 1 reads the relation from the member's side. */
void rm407_(const unsigned int* object, const int* code, const int* index, const int* mode, unsigned int* related);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
