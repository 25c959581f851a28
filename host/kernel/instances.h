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
#pragma GCC visibility push(default) /* exported: see host/export.h */

void ZQ_BODY_make_instance_tool(int body, int n_steps, const int steps[], int n_moves, const double moves[], int* tool,
                                int* operation);
void ZQ_FACE_extract(int face, int mode, int* sheet);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
