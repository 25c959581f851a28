/* The solid kernel's sheets made from faces, sheets and points: each
 * routine answers a new body (kernel tag) with its objects, made as one
 * fixed step (a regeneration gives it unchanged), except ZQ_FFS_reverse,
 * which edits the sheet in place.
 *
 *   ZQ_FFS_offset_face  the face's surface moved along the face normal by
 *                       a distance interpolated bilinearly between four
 *                       (u, v) points (d = a + b u + c v + e u v through
 *                       the four; points that fix no such function fall
 *                       back to the least-squares plane in (u, v), then to
 *                       their mean); equal distances give the exact offset
 *                       surface, others a B-surface fitted within the
 *                       tolerance; the face's parameter box bounds it
 *   ZQ_FFS_thicken      the solid between the sheet moved by the first and
 *                       by the second distance along its normal
 *   ZQ_FFS_cloud        a B-surface of the degrees and patches fitted by
 *                       least squares to points as heights over a frame
 *                       (rows X, Y, Z; null: the world axes); fit (or
 *                       null) receives the mean and greatest height of the
 *                       points off the surface and the index of the
 *                       farthest point
 *   ZQ_FFS_reverse      turns the faces of a sheet body over (in place)
 *   ZQ_FFS_reverse_again  a reversal (step `step` of the sheet) that no
 *                       longer turns over the sheet before it (an earlier
 *                       step was made again) takes that sheet instead;
 *                       answers 1 when it changed (the body then changes
 *                       at its next regeneration), 0 when it was current
 *
 * Failures: KERNEL_ERR_WRONG_ENTITY for an entity of the wrong kind,
 * KERNEL_ERR_DEGENERATE for sizes that make nothing, KERNEL_ERR_NOT_DONE
 * when the kernel cannot build, KERNEL_ERR_INVALID_RESULT for an invalid
 * result.
 */
#ifndef HOST_KERNEL_FF_SHEETS_H
#define HOST_KERNEL_FF_SHEETS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_FFS_offset_face(int face, const double distances[4], const double uv[8], double tolerance, int* body);
void ZQ_FFS_thicken(int sheet, double first, double second, int* body);
void ZQ_FFS_cloud(int n, const double points[], const double frame[9], int degree_u, int degree_v, int patches_u,
                  int patches_v, double fit[3], int* body);
void ZQ_FFS_reverse(int sheet);
int ZQ_FFS_reverse_again(int sheet, int step);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
