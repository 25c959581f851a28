/* The solid kernel's trimmed and enlarged sheets.
 *
 *   ZQ_FF_enlarge  a new sheet body of one face: the face's surface over
 *                  its parameter box widened by percentages of the box's
 *                  ranges (u start, u end, v start, v end; a negative
 *                  percentage narrows that side). A surface that ends (a
 *                  B-surface) is extended along its own shape, at a side
 *                  of curvature continuity (type 0) or by a straight run
 *                  (type 1). Periodic directions are not widened past
 *                  one period.
 *   ZQ_FF_trim     a new sheet body of the pieces of a sheet body that
 *                  curves projected onto it cut out: each curve or edge
 *                  is projected along a direction (direction given) or
 *                  along the sheet's normal (direction null), the sheet
 *                  is split by the projections, and the pieces holding
 *                  the region points are kept (keep 0) or left out, the
 *                  others kept (keep 1).
 *
 * Failures: KERNEL_ERR_WRONG_ENTITY for a face or body of the wrong class
 * or an object that is no curve or edge, KERNEL_ERR_NOT_DONE when the
 * projection misses the sheet, the split leaves no piece to keep, or the
 * kernel cannot build the sheet.
 */
#ifndef HOST_KERNEL_FF_TRIM_H
#define HOST_KERNEL_FF_TRIM_H

#include "host/kernel/bsurf/bsurf.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Per parameter direction of a face's surface, 1 where it closes on
 * itself (a torus both ways), else 0. */
void ZQ_FF_ask_closed(int face, int closed[2]);
void ZQ_FF_enlarge(int face, int type, const double percent[4], int* body);
/* The spline form of the face's surface over its parameter box, fitted
 * within the tolerance where it is not a spline already: a new record
 * (SM_alloc) with its arrays, released with ev4350 and SM_free. */
BSRF_surface_t* ZQ_FF_surface_record(int face, double tolerance);
/* `body` (a sheet made by ZQ_FF_enlarge or ZQ_FF_trim) takes the shape of
 * `made`, another such sheet, keeping its tag and object; `made` goes. */
void ZQ_FF_replace_sheet(int body, int made);
void ZQ_FF_trim(int sheet, int n_bounds, const unsigned int bounds[], const double* direction, int n_points,
                const double points[], int keep, double tolerance, int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
