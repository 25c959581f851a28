/* Face divisions of the modelling library: a face of a body divided by
 * curves, as a feature "SUBDIVIDE_FACE" of the body that the update makes
 * again with it.
 *
 * MODL_divide_create_frec (face, curves, project, record): face is the
 * kernel face; curves a list of curve objects ended by 0 (at least one);
 * project 0 takes the curves as they lie on the face, 1 projects them onto
 * the face along its normal at its middle. The feature keeps its curves
 * (the objects) and the shapes they had when it last divided the face: at
 * each model update, once the bodies are made again (and smart curves have
 * followed their parents), a division whose curves all still exist and
 * now lie elsewhere divides its face by them where they lie (its body is
 * made again); curves moved off the face fail the update, naming the
 * division (the model stays as before it); a division whose curve was
 * deleted stays where it is. Part files keep the shapes with the body's
 * steps and the curves in section "SDIV" (a file without it opens, its
 * divisions staying where they were).
 * Answers 0, FEAT_ERR_BAD_REFERENCE for a kernel tag of no face of a body,
 * FEAT_ERR_BAD_PARAMETERS for no curves or another projection, or the
 * kernel's code (KERNEL_ERR_NOT_DONE when the curves do not divide the
 * face); nothing is left on failure.
 */
#ifndef HOST_BODYOPS_SUBDIVIDE_H
#define HOST_BODYOPS_SUBDIVIDE_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int MODL_divide_create_frec(int face, const unsigned int* curves, int project, unsigned int* record);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
