/* Coordinate spaces, temporary coordinate systems and the display side of
 * the work coordinate system, over the coordinate systems and matrices of
 * host/store/entities/wcs.h.
 *
 * Coordinate spaces of CONTEXT_adjust_point: 3 absolute coordinates of the
 * displayed part, 4 the work coordinate system, 5 absolute coordinates of
 * the work part. The work part is not placed inside the displayed part by
 * this host (no component positions), so spaces 3 and 5 coincide; without a
 * work coordinate system, space 4 is the absolute one.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, an object of
 * the wrong type HOST_ERR_WRONG_CLASS, a null pointer
 * HOST_ERR_NULL_ARGUMENT, a space code other than 3, 4, 5
 * HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_CORE_CSYS_SUPPORT_H
#define HOST_CORE_CSYS_SUPPORT_H

#define CONTEXT_ROOT_SPACE 3
#define CONTEXT_WCS_SPACE  4
#define CONTEXT_WORK_SPACE 5

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void CONTEXT_adjust_point(int input_space, const double point[3], int output_space, double result[3]);
/* A coordinate system in the work part with the matrix's orientation (its
 * own copy of the matrix, answered through work_matrix, may be NULL). */
void ES_create_csys_in_wkpt(unsigned int matrix, unsigned int* work_matrix, const double origin[3], int temporary,
                            unsigned int* csys);
/* A live object of a displayable entity type. */
int ES_is_eligible_for_display(unsigned int object);
/* Redraws the emphasis of the work plane (counted, see below). */
void DSS_update_work_plane_emphasis(int flag);
/* Gives an arc, a conic or a coordinate system another matrix object
 * (type 55); a coordinate system then shares the given matrix object. */
void ES_replace_matrix_of_entity(unsigned int object, unsigned int matrix);
/* Moves the origin of a coordinate system. */
void es4520_(const unsigned int* csys, const double origin[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::csys_support {
// Calls of DSS_update_work_plane_emphasis since the last reset, and the
// flag of the last one.
int emphasis_updates();
int last_emphasis_flag();
}  // namespace host::csys_support
#endif

#endif
