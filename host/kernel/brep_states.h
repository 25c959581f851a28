/* Boundary-representation services of the solid kernel that answer a list
 * of states: records that tell about the entities of a body.
 *
 * A state list is the kernel's own: a chain of nodes from its head, freed
 * with PX_BREP_free_states. The fields of a node:
 *   topology states (PX_BREP_ask_topology), one per entity found:
 *     first  the entity's class (ZQ_CLASS_...)
 *     second its kernel tag
 *     values the centre of its box
 *     third  its type (surface type of a face, curve type of an edge, loop
 *            type of a loop, 0 for a vertex)
 *     fourth the number of its parts (loops of a face, edges of a loop,
 *            vertices of an edge, 0 for a vertex)
 *     fifth  its model object (0 for none)
 *   validation states (PX_BREP_validate_topology), one per fault found:
 *     first  the fault token (ZQ_FAULT_...)
 *     second the body's kernel tag
 *     values the centre of the body's box
 *     third, fourth, fifth 0
 *
 * The routines answer 0, or raise the kernel's codes for a bad entity. */
#ifndef HOST_KERNEL_BREP_STATES_H
#define HOST_KERNEL_BREP_STATES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

typedef struct PX_BREP_state_s {
    int first;
    int second;
    double values[3];
    int third;
    int fourth;
    int fifth;
    struct PX_BREP_state_s* next;
} PX_BREP_state_t;

/* The number of states in a list (0 for none). */
int PX_BREP_ask_num_states(const PX_BREP_state_t* states);
/* Frees a whole list (null: nothing). */
void PX_BREP_free_states(PX_BREP_state_t* states);

/* The entities of class cls connected to entity (as KI_idcoen_sm finds
 * them), at most limit of them (limit <= 0: all); *states null for none. */
int PX_BREP_ask_topology(int entity, int cls, int limit, PX_BREP_state_t** states);
/* Checks a body: a state per fault, none for a valid body. */
int PX_BREP_validate_topology(int body, PX_BREP_state_t** states);

/* The identifier of a kernel entity: its kernel tag, which stays with it
 * through operations and regeneration. */
int PX_BREP_ask_identifier(int entity, int* identifier);

/* The kernel tag of a body, face or edge object: 0 when it has none, -1
 * for a tag of no live object. */
int PX_ask_ptag_of_jq_eid(unsigned int object);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
