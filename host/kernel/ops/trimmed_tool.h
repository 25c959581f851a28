/* Booleans whose tool is trimmed by faces of the body before it is used
 * (the tools of trimming user-defined features).
 *
 * The faces' surfaces, carried on past the faces' edges, cut the tool into
 * pieces; a piece that lies beyond the trim face nearest to it (on the side
 * that face's outward normal points to) goes, the rest is the tool. Each
 * run of the step (a regeneration) trims the tool made again with the
 * step's numbers by the faces as the body has them then; a trim face that
 * a split made into pieces trims with every piece. When every piece lies
 * beyond, the run fails with KERNEL_ERR_EMPTY_RESULT.
 *
 * ZQ_BODY_set_trim_faces gives step `step` of the body (a boolean) the n
 * faces (kernel tags of faces of the body before that step; n 0: the tool
 * is no longer trimmed) and marks it for the next ZQ_BODY_regenerate.
 * Raises KERNEL_ERR_BAD_PARAMETER for a step that is no boolean,
 * HOST_ERR_BAD_ARGUMENT for a negative count. */
#ifndef HOST_KERNEL_UDF_TRIM_H
#define HOST_KERNEL_UDF_TRIM_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_BODY_set_trim_faces(int body, int step, int n, const int faces[]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
