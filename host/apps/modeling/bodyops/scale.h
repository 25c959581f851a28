/* Scale features of the modelling library: a body scaled by one, two or
 * three factors (expressions), one feature per body, that the update makes
 * again when a factor changes.
 *
 * Kinds: type 0 uniform (factor 1 in every direction; feature "SCALE"),
 * type 1 axial (factor 1 along the axis, factor 2 across it;
 * "SCALE_AXIAL"), type 2 general (factors 1, 2, 3 along X, Y and Z;
 * "SCALE_GENERAL"). Type 0 takes text 0 of the record, type 1 texts 1
 * and 2, type 2 texts 3, 4 and 5.
 *
 * The tags of the record: point, a point object whose place is the centre
 * of the scale (0: the origin); axis, a line whose direction is the axis of
 * an axial scale (0: Z); csys, a coordinate system (0: absolute; no other
 * is made). A factor must be above 0.
 *
 * SCALE_make_scale answers 0 and *features (SM_alloc, one per body, the
 * caller frees it) and *n, or a code: HOST_ERR_BAD_ARGUMENT for a type or
 * tag it does not take, the code of a factor that is no expression or
 * body that cannot be scaled. The features made for the bodies before a
 * failing one stay: the caller rolls back to its undo mark.
 */
#ifndef HOST_BODYOPS_SCALE_H
#define HOST_BODYOPS_SCALE_H

#define SCALE_FACTOR_CHARS 133
#define SCALE_TEXTS        6

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct SCALE_record_s {
    int reserved;
    int type;
    int type_again;
    int unset[3];
    unsigned int point;
    int unset_28;
    unsigned int axis;
    int unset_36;
    unsigned int csys;
    unsigned int* bodies; /* SM_alloc, count entries */
    int n_bodies;
    char factors[SCALE_TEXTS][SCALE_FACTOR_CHARS];
    int tail[2];
} SCALE_record_t;

int SCALE_make_scale(const SCALE_record_t* record, unsigned int** features, int* n);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
