/* Positioning centerlines of form features: the lines and arcs that a
 * positioning dimension may measure from on the feature's own side.
 *
 * A round feature (hole, boss, cylindrical pocket) has one: an arc (entity
 * type HOST_TYPE_ARC) about its axis on its placement plane, of its first
 * parameter's half (its diameter's radius). A feature that runs along an X
 * direction (pad, rectangular pocket, slot) has two: lines (HOST_TYPE_LINE)
 * through its location along X, then along Y (Y = direction x X), of its
 * first parameter's length. Grooves and features of other kinds have none.
 *
 * They are curves of the feature's part, made the first time they are asked
 * (model state: undo takes them back with the mark they were made under)
 * and drawn where the feature stands then. A dimension measures from them
 * as the feature stands at the time: from its location along the line, or
 * from the arc's centre (its location).
 *
 * The update and the positioning read the lines' rows and directions
 * (host/model/feature/redefine_rows.h).
 *
 * Checks: a tag of no live feature raises FEAT_ERR_NOT_A_FEATURE, a null
 * pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_REDEFINE_CENTERLINES_H
#define HOST_FEATURE_REDEFINE_CENTERLINES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The feature's centerlines in order (SM_alloc, null for none). */
void RPO_CL_get_centerlines(unsigned int feature, int* count, unsigned int** lines);
/* 1 when the object is a centerline of the feature, else 0. */
int RPO_CL_is_cl_of_feat(unsigned int object, unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
