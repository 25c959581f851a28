/* The solid kernel's bridge sheets.
 *
 *   ZQ_FFS_bridge  a sheet between two edges of two faces, leaving each
 *                  face along its own cross tangent (a cubic in the
 *                  bridging direction); each edge is run forwards (1) or
 *                  backwards (-1); the answer is a new body (kernel tag)
 *                  made as one fixed step (a regeneration gives it
 *                  unchanged)
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
#pragma GCC visibility push(default) /* exported: see host/export.h */

void ZQ_FFS_bridge(const int faces[2], const int edges[2], const int directions[2], int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
