/* Kernel operations of instance sets and extracted faces.
 *
 * ZQ_BODY_make_instance_tool: a new body (a compound of solids) of copies
 * of the tools that steps of a body used, each copy moved by each of the
 * moves (12 numbers each, rows of a 3x4 matrix: rotation and translation,
 * as ZQ_BODY_transform takes them). Every step named must be a boolean of
 * the body (its tool as it was taken when the step last ran), all of one
 * operation, which *operation answers (ZQ_UNITE, ZQ_SUBTRACT ...). Raises
 * HOST_ERR_BAD_ARGUMENT for no steps or no moves, a step out of range or a
 * mixture of operations, KERNEL_ERR_WRONG_ENTITY for a step that is no
 * boolean.
 *
 * ZQ_BODY_ask_instance_copies: what the tool of step `step` of a body (a
 * boolean whose tool ZQ_BODY_make_instance_tool made) was made of: its
 * moves (SM_alloc, 12 numbers each, *n_moves of them) and whether its
 * copies are of the tools that the steps named hold now (*current 1: the
 * same tools, or tools made again from the same numbers), so that a set
 * of copies can be made again when the tools it copies changed. Raises
 * KERNEL_ERR_BAD_PARAMETER for a step that is no boolean,
 * KERNEL_ERR_WRONG_ENTITY for a tool made otherwise, and as
 * ZQ_BODY_make_instance_tool for the steps named.
 *
 * ZQ_FACE_extract: a new sheet body of one face of a body: mode 0 the face
 * as it is, 1 the face with its holes filled (its outer loop only), 2 its
 * surface over the face's parameter box. Raises HOST_ERR_BAD_ARGUMENT for
 * another mode, KERNEL_ERR_NO_ENTITY / _WRONG_ENTITY for a tag of no face.
 */
#ifndef HOST_KERNEL_INSTANCES_H
#define HOST_KERNEL_INSTANCES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_BODY_make_instance_tool(int body, int n_steps, const int steps[], int n_moves, const double moves[], int* tool,
                                int* operation);
void ZQ_BODY_ask_instance_copies(int body, int step, int n_steps, const int steps[], int* n_moves, double** moves,
                                 int* current);
void ZQ_FACE_extract(int face, int mode, int* sheet);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
