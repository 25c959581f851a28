/* The solid kernel's bridge sheets.
 *
 *   ZQ_FFS_bridge  a sheet between two edges of two faces, leaving each
 *                  face along its own cross tangent (a cubic in the
 *                  bridging direction); each edge is run forwards (1) or
 *                  backwards (-1), so that both start at the same open
 *                  side of the bridge. The answer is a new body (kernel
 *                  tag) made as one fixed step (a regeneration gives it
 *                  unchanged).
 *
 * Sides (null: none). The two open sides of the bridge run between the
 * edges' starts and between their ends. A side face's edge or a side
 * string (curves and edges, one after the other, in any sense each) whose
 * two ends lie within the tolerance of the two corners of an open side
 * shapes that side: the bridge's edge there runs along it, and the sheet
 * between is the blend (a Coons patch over the four boundaries) of the
 * cubics across with the sides. Between the open sides the bridge still
 * leaves each main face in the face's tangent plane (the part of the
 * sides' pull along the face's normal is taken out); on a side itself it
 * keeps to the side, so a side should leave each corner in the main face's
 * tangent plane there. Side faces are taken before side strings, each one
 * the open side it joins best; a side that joins no open side still free
 * is left out (that open side stays the cubic between the corners).
 *
 * Failures: KERNEL_ERR_WRONG_ENTITY for an entity of the wrong kind,
 * KERNEL_ERR_DEGENERATE for edges that touch or run along the normal,
 * KERNEL_ERR_NOT_DONE when the kernel cannot build, KERNEL_ERR_INVALID_RESULT
 * for an invalid result.
 */
#ifndef HOST_KERNEL_FF_BRIDGE_H
#define HOST_KERNEL_FF_BRIDGE_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct ZQ_FFS_bridge_sides_s {
    double tolerance;             /* how near the corners a side must end */
    int n_faces;                  /* side faces, 0 to 2 */
    int faces[2];                 /* kernel tags of the side faces */
    int edges[2];                 /* kernel tags of their edges along the sides */
    int n_strings;                /* side strings, 0 to 2 */
    int per_string[2];            /* objects in each string */
    const unsigned int* objects;  /* curve or edge objects, one string after the other */
} ZQ_FFS_bridge_sides_t;

void ZQ_FFS_bridge(const int faces[2], const int edges[2], const int directions[2], const ZQ_FFS_bridge_sides_t* sides,
                   int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
