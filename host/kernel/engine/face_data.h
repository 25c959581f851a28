/* Face data of the solid kernel as the interface's face queries take it:
 * the face-type numbers of the host's surface-type conversion, and the
 * parameter box of a kernel face with a failure word.
 *
 * Face types (pxzrus_), by the kernel's surface type (kernel.h):
 *   22 plane (4001)      16 cylinder (4002)   17 cone (4003)
 *   18 sphere (4004)     19 torus (4005)      20 revolved (4010)
 *   43 spline (4006)     46 extruded (4009)   65 offset (4008)
 * and 0 for any other surface (4011).
 */
#ifndef HOST_KERNEL_FACE_DATA_H
#define HOST_KERNEL_FACE_DATA_H

#define PX_FACE_CYLINDER 16
#define PX_FACE_CONE     17
#define PX_FACE_SPHERE   18
#define PX_FACE_TORUS    19
#define PX_FACE_REVOLVED 20
#define PX_FACE_PLANE    22
#define PX_FACE_SPLINE   43
#define PX_FACE_EXTRUDED 46
#define PX_FACE_OFFSET   65

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Converts a kernel surface type into the face type of the face object.
 * *type holds the kernel's surface type on entry (ZQ_SURF_ of kernel.h)
 * and the face type on return; a word holding no kernel surface type (0,
 * say) is first filled with the surface type of the face's kernel face
 * (an occurrence's: its prototype's), and a face without one answers 0. */
void pxzrus_(const unsigned int* face, int* type);

/* The parameter box of a kernel face: u = {u0, u1}, v = {v0, v1}; *ifail 0,
 * or the kernel's code (no entity, not a face, the kernel failed) with the
 * box left as it was. */
void KI_enpben(const int* face, double u[2], double v[2], int* ifail);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
