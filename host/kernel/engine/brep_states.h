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

#include "host/kernel/engine/kernel.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

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

/* Classes of an edge by the angle its faces make across it. */
#define PX_BREP_EDGE_CONVEX  1 /* the faces turn away from the outside */
#define PX_BREP_EDGE_CONCAVE 2 /* the faces turn towards the outside */
#define PX_BREP_EDGE_SMOOTH  3 /* the faces meet within the tolerance (a seam too) */
#define PX_BREP_EDGE_OPEN    4 /* one face only: the border of a sheet */

/* The class of an edge, judged at its middle: smooth when the normals of
 * its faces there differ by less than tolerance (radians). Raises the
 * kernel's codes for a tag that is no edge. */
int PX_BREP_ask_edge_class(int edge, double tolerance, int* edge_class);

/* The geometry of one face, edge or vertex: the surface of a face, the
 * curve of an edge (ZQ_FACE_ask_data and ZQ_EDGE_ask_curve_data give the
 * meaning of the numbers), the point of a vertex (type 0). With the spline
 * form asked, spline holds the face's or edge's spline form (empty for a
 * vertex). type -1: the entity was skipped (see the states). */
typedef struct PX_BREP_geometry_s {
    int entity;
    int type;
    double point[3];
    double direction[3];
    double radius, radius2;
    int sense;
    ZQ_bspline_t spline;
} PX_BREP_geometry_t;

/* The geometry of n entities, a record each in their order in *geometry
 * (freed with PX_BREP_free_geometry_data). An entity that is no face, edge
 * or vertex is skipped with a state: first the code (KERNEL_ERR_NO_ENTITY,
 * KERNEL_ERR_WRONG_ENTITY), second its tag, fourth its place in the list.
 * Answers 0, or the code of the first skipped entity. */
int PX_BREP_ask_geometry(int n, const int entities[], int as_spline, int* n_geometry, PX_BREP_geometry_t** geometry,
                         PX_BREP_state_t** states);
/* Frees the n records of PX_BREP_ask_geometry with their spline forms. */
int PX_BREP_free_geometry_data(int n, PX_BREP_geometry_t* geometry);

/* Forgets what the kernel keeps worked out about n bodies (the places of
 * their entities, their mass properties); it is worked out again when next
 * needed. Raises the kernel's codes for a tag that is no body. */
int PX_BREP_release_topology(int n, const int bodies[]);
/* The operation of its body that made a face or edge: the number of the
 * body's step (0 for the first) whose result first has it; -1 for a loop,
 * vertex or body, or an entity no step names. */
int PX_BREP_ask_topology_source(int entity, int* step);

/* Heals a body the check finds faulty (a sound one is left as it is): its shape (gaps closed within tolerance, faces
 * and wires mended, tolerances kept under max_tolerance); *changed is 1 when the shape was mended (faces and edges keep
 * their tags where they stay). A state per fault the check found before healing: first the fault token, second the
 * body, values the centre of its box, third 1 when healing cleared it. Answers 0, or KERNEL_ERR_INVALID_RESULT when a
 * fault remains. */
int PX_BREP_heal_body(int body, double tolerance, double max_tolerance, int* changed, PX_BREP_state_t** states);

/* Faces to make a body of, sewn within tolerance. */
typedef struct PX_BREP_face_set_s {
    int n;
    const int* faces;
    double tolerance;
} PX_BREP_face_set_t;

/* A new body (with its model object) of copies of the faces sewn together:
 * a solid when they close, else a sheet. A state per edge left free: first
 * ZQ_CLASS_EDGE, values the middle of the edge. Answers 0; raises the
 * kernel's codes for a tag that is no face or faces that make no body. */
int PX_BREP_make_body(const PX_BREP_face_set_t* faces, int* body, PX_BREP_state_t** states);

/* The identifier of a kernel entity: its kernel tag, which stays with it
 * through operations and regeneration. */
int PX_BREP_ask_identifier(int entity, int* identifier);

/* Attaches geometry to a body (host/kernel/engine/brep_foreign.cpp): a point
 * (type 0), a line (ZQ_CURVE_LINE: point, direction), a circle
 * (ZQ_CURVE_CIRCLE: centre, axis, radius) or a plane (ZQ_SURF_PLANE: point,
 * normal) per record, without the spline form; tags[i] is the new kernel tag
 * of record i, or 0 when it cannot be attached: then a state, first the
 * code (KERNEL_ERR_DEGENERATE for a zero direction or radius or a number
 * that is not finite, KERNEL_ERR_WRONG_ENTITY for another type), second the
 * body, fourth the record's place. Answers 0, or the first state's code.
 * PX_BREP_ask_geometry answers an attached tag's record (directions made
 * unit); the geometry goes with its body. */
int PX_BREP_attach_geometry(int body, int n, const PX_BREP_geometry_t geometry[], int tags[],
                            PX_BREP_state_t** states);
/* Takes attached geometry away from its body; raises KERNEL_ERR_NO_ENTITY
 * (KERNEL_ERR_WRONG_ENTITY for a face, edge ... of a body) for a tag of none. */
int PX_BREP_delete_geometry(int geometry);

/* Kernel partitions: a new partition starts a new part of the kernel's
 * history, numbered from 1 (0: none yet in this model); an undo takes
 * partitions made after its mark away with the rest of the model. */
void UNDO_ZR_cre_partition(int* partition);
int UNDO_ZR_ask_partition(void);

/* The kernel tag of a body, face or edge object: 0 when it has none, -1
 * for a tag of no live object. */
int PX_ask_ptag_of_jq_eid(unsigned int object);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
