/* Tool bodies of form features: a solid made from a closed profile in a
 * frame, kept as one step whose numbers a later edit may change (a boolean
 * with such a tool takes its numbers, so the feature's sizes and place are
 * edited through the boolean's step, as with the other primitives).
 *
 * The frame: an origin O, a unit Z axis and an X axis (made perpendicular
 * to Z); Y = Z x X. The profile is a list of points (a, b, k):
 *   k == 0  a sharp corner;
 *   k > 0   a corner rounded with radius k;
 *   k < 0   the middle point of an arc from the point before it to the point
 *           after it (a circle through the three).
 * Forms:
 *   ZQ_FORM_REVOLVE   points at O + a X + b Z (a >= 0), turned once about
 *                     the Z axis;
 *   ZQ_FORM_PRISM_Z   points at O + a X + b Y + z0 Z, swept along Z by the
 *                     length; a second profile of the same points (the
 *                     top, at z0 + length) makes a ruled taper;
 *   ZQ_FORM_PRISM_X   points at O + x0 X + a Y + b Z, swept along X by the
 *                     length.
 * Numbers of the step (ZQ_BODY_edit_parameter indices): 0 the form, 1-3 O,
 * 4-6 Z, 7-9 X, 10 z0 or x0 (0 for a revolution), 11 the length, 12 the
 * number of points n, then 3 n numbers of the profile (for ZQ_FORM_PRISM_Z
 * a second 3 n of the top profile, then the radius with which the top's
 * edges are rounded, 0 for sharp). A profile the kernel cannot make a
 * solid of raises KERNEL_ERR_DEGENERATE. */
#ifndef HOST_KERNEL_FORM_TOOLS_H
#define HOST_KERNEL_FORM_TOOLS_H

#define ZQ_FORM_REVOLVE     1
#define ZQ_FORM_PRISM_Z     2
#define ZQ_FORM_PRISM_X     3
#define ZQ_FORM_FIRST_POINT 13

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* A new body: the tool of the numbers above (n numbers). */
void ZQ_BODY_make_form_tool(int n, const double numbers[], int* body);
/* A chamfer of the edges set back by d1 on the first face of each edge and
 * d2 on the other (d1 == d2: ZQ_BODY_chamfer_edges). */
void ZQ_BODY_chamfer_edges2(int body, int n, const int edges[], double d1, double d2);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
