/* The solid kernel's bead: a cross-section swept along a chain of curves
 * over faces of a body and united with it, as one step of the body's
 * recipe (ZQ_BODY_edit_parameter on the numbers below changes it at the
 * next regeneration).
 *
 * The section lies in the plane across the first curve's start: its base
 * (width) on the placement face, rising by the depth along the rise
 * direction (the given direction, else the first placement face's normal
 * at the start, made square to the curve). Shapes: 0 round (the arc
 * through the base's ends and the top), 1 U (a trapezoid whose sides lean
 * in by the side angle, in degrees), 2 V (a triangle). The section runs a
 * little into the body below its base so that the union is clean; what the
 * body gains is the section above the face times the length of the sweep.
 *
 * Bounds: 0 none; 1 the bounding faces (the bead is kept only over them:
 * the sweep is cut to the prisms of those faces along their normals);
 * 2 a plane (point, normal): the bead is kept on the side of the curves'
 * start.
 *
 * refs: the placement faces (numbers[ZQ_BEAD_N_PLACEMENT] of them), then
 * the bounding faces; curves: curve or edge objects, end to end.
 * Failures: KERNEL_ERR_DEGENERATE for a size the section cannot have,
 * KERNEL_ERR_NOT_DONE when the sweep or its bounds cannot be built,
 * KERNEL_ERR_DISJOINT when the bead does not meet the body.
 */
#ifndef HOST_KERNEL_BEAD_SWEEP_H
#define HOST_KERNEL_BEAD_SWEEP_H

/* Numbers of a bead step, by index. */
#define ZQ_BEAD_SHAPE       0
#define ZQ_BEAD_WIDTH       1
#define ZQ_BEAD_DEPTH       2
#define ZQ_BEAD_ANGLE       3
#define ZQ_BEAD_HAS_RISE    4
#define ZQ_BEAD_RISE        5 /* three */
#define ZQ_BEAD_BOUND       8
#define ZQ_BEAD_PLANE_POINT 9  /* three */
#define ZQ_BEAD_PLANE_NORM  12 /* three */
#define ZQ_BEAD_N_PLACEMENT 15
#define ZQ_BEAD_NUMBERS     16

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void ZQ_BODY_bead(int body, int n_curves, const unsigned int curves[], int n_refs, const int refs[],
                  const double numbers[ZQ_BEAD_NUMBERS]);
/* The bead of step `step` of body `from` (a body read from a file) made
 * again on `body` with the faces and numbers: the same guide. */
void ZQ_BODY_bead_again(int body, int from, int step, int n_refs, const int refs[],
                        const double numbers[ZQ_BEAD_NUMBERS]);
/* Gives the body's bead step `step` new curves, faces and numbers; the
 * body follows at its next regeneration (ZQ_BODY_regenerate). */
void ZQ_BODY_set_bead_inputs(int body, int step, int n_curves, const unsigned int curves[], int n_refs,
                             const int refs[], const double numbers[ZQ_BEAD_NUMBERS]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
