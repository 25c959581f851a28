/* Direct face operations of the solid kernel: edits of a body that move,
 * resize, copy or scale some of its faces, each a step of the body's
 * recipe (made again by ZQ_BODY_regenerate with its numbers and faces).
 *
 *   ZQ_BODY_offset_faces_to  moves planar faces along their normals so
 *                            that each lies at `distance` from the plane of
 *                            the reference face (a planar face of the body,
 *                            parallel to them), counted from that plane
 *                            towards the side the face lies on (a negative
 *                            distance crosses the plane); distance 0 puts
 *                            them into its plane. Step numbers: {distance}.
 *   ZQ_BODY_offset_region    moves the faces along their outward normals
 *                            by the distance, the faces around following.
 *                            Step numbers: {distance}.
 *   ZQ_BODY_resize_faces     gives cylindrical and spherical faces the
 *                            radius (an offset of each face by the
 *                            difference, the rest of the solid following).
 *                            Step numbers: {radius}.
 *   ZQ_BODY_transform_region takes the region (the faces given) off the
 *                            body, the kernel closing the gap it leaves
 *                            (defeaturing), and puts it back transformed:
 *                            material the region added is united again,
 *                            material it took away is subtracted again.
 *                            numbers (ZQ_REGION_NUMBERS): keep (1: the
 *                            region stays where it is as well), n1, the
 *                            first map M1 (12 numbers: 3 rows of 4), n2,
 *                            the second map M2; the region is put back at
 *                            M1^i M2^j for 0 <= i < n1, 0 <= j < n2 but
 *                            (0, 0). A move is keep 0, n1 2, n2 1; a
 *                            rectangular pattern keep 1 with two
 *                            translations; a scale may be any affine map.
 *   ZQ_BODY_set_step_refs    gives step `step` other faces or edges to
 *                            work on (kernel tags of the body before it);
 *                            the body changes on the next regeneration.
 * Faces are moved by the kernel's offset; where it cannot make the change
 * and the faces are planar, each face sweeps a prism that is united with
 * the body or cut from it (the face lives on as the prism's far end).
 * Failures: KERNEL_ERR_WRONG_ENTITY for a face of the wrong kind (not
 * planar, not parallel, no radius), KERNEL_ERR_NOT_DONE when the kernel
 * cannot make the change, KERNEL_ERR_INVALID_RESULT for a result that is
 * no valid body, KERNEL_ERR_DEGENERATE for bad numbers; the body stays as
 * it was. */
#ifndef HOST_KERNEL_DFO_H
#define HOST_KERNEL_DFO_H

#define ZQ_REGION_NUMBERS 27

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_BODY_offset_faces_to(int body, int n, const int faces[], int reference, double distance);
void ZQ_BODY_offset_region(int body, int n, const int faces[], double distance);
void ZQ_BODY_resize_faces(int body, int n, const int faces[], double radius);
void ZQ_BODY_transform_region(int body, int n, const int faces[], const double numbers[ZQ_REGION_NUMBERS]);
void ZQ_BODY_set_step_refs(int body, int step, int n, const int refs[]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
