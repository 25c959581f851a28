/* The solid kernel's hollow with faces of their own thickness: a solid
 * made into a shell whose walls lie inside it, `thickness` thick, opened
 * at the faces given and `own[i]` thick at the faces of their own. With
 * no face to open the solid keeps a closed cavity. The step keeps the
 * thicknesses (step parameter 0 the wall, then one per face of its own) so
 * that ZQ_BODY_edit_parameter and a regeneration change them.
 * Failures: HOST_ERR_BAD_ARGUMENT for negative counts, KERNEL_ERR_DEGENERATE
 * for a thickness not above 0, KERNEL_ERR_NOT_DONE when the shell cannot be
 * made.
 */
#ifndef HOST_KERNEL_BODY_OPS_H
#define HOST_KERNEL_BODY_OPS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

void ZQ_BODY_hollow_faces(int body, double thickness, int n_open, const int open[], int n_own, const int own[],
                          const double own_thickness[]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
