/* Kernel operations of the whole-body features.
 *
 * ZQ_BODY_hollow_faces: the solid kernel's hollow with faces of their own thickness: a solid
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
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_BODY_hollow_faces(int body, double thickness, int n_open, const int open[], int n_own, const int own[],
                          const double own_thickness[]);

/* Sews the body to the body `tool` where they meet at the faces given: the
 * body loses its faces `faces`, the tool its faces `tool_faces`, and what
 * is left of both is sewn into one body within the tolerance (a closed
 * result is a solid). The tool is consumed; the step keeps it as it was,
 * so a regeneration sews it again. Failures: HOST_ERR_BAD_ARGUMENT for no
 * faces or the body as its own tool, KERNEL_ERR_DEGENERATE for a tolerance
 * not above 0, KERNEL_ERR_DISJOINT when what is left does not close up
 * into one piece. */
void ZQ_BODY_sew_faces(int body, int n, const int faces[], int tool, int n_tool, const int tool_faces[],
                       double tolerance);

/* Divides a face of the body by the n wire bodies (left as they are; the
 * step keeps them as they were): with project 0 they lie on the face, with
 * project 1 they are projected onto it along its normal at its middle. The
 * face keeps its tag on one piece; the others are new faces split from it.
 * Failures: KERNEL_ERR_NOT_DONE when the wires do not divide the face,
 * HOST_ERR_BAD_ARGUMENT for no wires or another projection. */
void ZQ_BODY_subdivide_face(int body, int face, int n, const int wires[], int project);

/* Step `step` of the body, a face division, takes the n wire bodies (left
 * as they are) in place of the curves it divides by, when they lie
 * elsewhere than those (*changed 1; the body changes on the next
 * regeneration); else nothing changes (*changed 0). KERNEL_ERR_BAD_PARAMETER
 * for a step that is no face division, HOST_ERR_BAD_ARGUMENT for no wires. */
void ZQ_BODY_divide_face_again(int body, int step, int n, const int wires[], int* changed);

/* Runs step `step` of body `from` (a body read from a part file) again at
 * the end of the body's steps, with the first n faces or edges it works on
 * taken to be `refs` (of the body); the others (of its other input) stay
 * as they were. KERNEL_ERR_BAD_PARAMETER for a step that is not there or
 * takes fewer faces or edges. */
void ZQ_BODY_run_step_again(int body, int from, int step, int n, const int refs[]);

/* Merges the faces of the body that lie on one surface and meet into one
 * face, and the edges that then run along one curve into one edge (what a
 * boolean leaves where two faces of one plane met). A merged face keeps
 * the tag of the first of the n faces and edges `keep` among its pieces, else of one
 * of its pieces (edges alike); a face or edge left as it was keeps its
 * tag. The merge is one step of the body, made again with it. Failures:
 * HOST_ERR_BAD_ARGUMENT for a negative count, KERNEL_ERR_NOT_DONE when the
 * kernel cannot merge the faces. */
void ZQ_BODY_merge_faces(int body, int n, const int keep[]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
