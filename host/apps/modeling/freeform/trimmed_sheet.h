/* The host's trimmed sheets: a feature whose sheet body is a sheet body
 * cut by curves projected onto it, the chosen region kept. The solid
 * kernel computes the sheet (host/kernel/ops/trimmed_sheets.h); every model update
 * makes it again from the feature's definition, which the edit changes.
 *
 * Arguments (the interface passes all but the projection record as the
 * caller gave them):
 *   create (12): sheet body; number of bounding objects; the bounding
 *     curves or edges; the projection record; number of region points;
 *     the points (three doubles each); region flag (0 keeps the pieces
 *     holding the points, 1 keeps the others); distance tolerance; angle
 *     tolerance (degrees, kept with the definition); trimmed sheet body
 *     out; number of faces kept out; feature out.
 *   edit (9): feature, then arguments 2 to 9 of create.
 *   ask (9): feature; sheet body out; number of bounding objects out;
 *     the bounding objects out (SM_alloc); the projection record to fill;
 *     number of region points out; the points out (SM_alloc); region flag
 *     out; the two tolerances out.
 * Projection methods of the host's record: 0 and 3 along the direction
 * of the three doubles, 1 and 4 along the direction of an object (a
 * linear edge or datum axis, the normal of a planar face or datum plane),
 * 2 and 5 along the sheet's normal.
 *
 * Answers 0 or a code: HOST_ERR_DEAD_TAG for a dead tag, FEAT_ERR_NOT_A_
 * FEATURE for a live object that is no trimmed sheet (edit, ask),
 * ST_ERR_BAD_INPUT for a sheet that is no sheet body, no bounding objects
 * or points, a null array, a method out of range or a tolerance not above
 * 0, a kernel code when the sheet cannot be made; nothing is changed then.
 */
#ifndef HOST_FREEFORM_TRIMMED_SHEET_H
#define HOST_FREEFORM_TRIMMED_SHEET_H

#include "host/base/services/codes.h"

#define HOST_TRIMMED_SHEET_CODES(X) X(ST_ERR_BAD_INPUT, 671230)
HOST_BARE_CODE_CONSTANTS(HOST_TRIMMED_SHEET_CODES);

#define ST_KIND "TRIMMED_SHEET"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct ST_projection_s {
    int method;
    int reserved;
    union {
        double direction[3];
        unsigned int object;
    } u;
} ST_projection_t;

int ST_kx_create_trimmed_sheet(unsigned int sheet, int n_bounds, const unsigned int* bounds,
                               const ST_projection_t* projection, int n_points, const double* points, int region,
                               double distance_tolerance, double angle_tolerance, unsigned int* body, int* n_faces,
                               unsigned int* feature);
int ST_kx_edit_trimmed_sheet(unsigned int feature, int n_bounds, const unsigned int* bounds,
                             const ST_projection_t* projection, int n_points, const double* points, int region,
                             double distance_tolerance, double angle_tolerance);
int ST_kx_ask_trimmed_sheet(unsigned int feature, unsigned int* sheet, int* n_bounds, unsigned int** bounds,
                            ST_projection_t* projection, int* n_points, double** points, int* region,
                            double tolerances[2]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::freeform {
// Puts the sheet body (kernel tag) made again in place of the feature's
// result body, which keeps its tag and object (a feature whose body is
// gone takes the new one).
void replace_result_body(unsigned int feature, int made);
}  // namespace host::freeform
#endif

#endif
