/* The host's hidden-line renderer as far as silhouettes and shadow
 * outlines need it, the orientation of views, and loops of curves.
 *
 * Views: each view has a matrix (rows X, Y, Z: the view's axes in model
 * space; Z points from the scene towards the viewer), an origin, a
 * perspective vector (zero: parallel projection) and a scale; a view that
 * was never oriented looks down the model's Z axis (identity, origin 0,
 * scale 1). host::hidden_lines::orient_view orients one.
 *
 * Rendering: DSS_SOLID_set_transform_matrix takes the transform (4 x 4,
 * as h111_ hands it on: the transpose of the rows [m0 m1 m2 ox] [m3 m4 m5
 * oy] [m6 m7 m8 oz] [px py pz s]); DSS_REND_render_solids renders the
 * bodies listed (DSS_REND_add_to_list) along the transform's view
 * direction, and each body's silhouette curves (host/kernel/engine/
 * plane_sections.h) join the hidden-line collection of hl205_: operation
 * 1 starts it (empty), 3 answers the count, 4 the curve number *index
 * (from 1), 5 ends it. Rendering with no collection started raises
 * HOST_ERR_BAD_ARGUMENT.
 *
 * CRV_LST_make_loops chains curves whose ends meet within the tolerance
 * into loops (a closed curve is a loop of its own), outer loops first (a
 * loop inside no other), then inner loops; arrays from SM_alloc. Curves
 * that close no loop are left out. */
#ifndef HOST_SECTION_HIDDEN_LINES_H
#define HOST_SECTION_HIDDEN_LINES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The hidden-line block; word 31 is set before rendering. */
extern int hidlin_[64];

void VIEW_ask_matrix(unsigned int view, double matrix[9]);
void VIEW_ask_origin(unsigned int view, double origin[3]);
void VIEW_ask_perspective_vector(unsigned int view, double vector[3]);
double VIEW_ask_scale(unsigned int view);
/* out = the transpose of in (4 x 4). */
void h111_(const double in[16], double out[16]);
void DSS_SOLID_set_transform_matrix(const double matrix[16]);

void hl205_(const int* operation, int* index, unsigned int* curve);
void DSS_REND_init_list(void);
void DSS_REND_add_to_list(unsigned int body);
void DSS_REND_render_solids(int a, int b, int mode, int f1, int f2, int f3, int f4);
void DSS_REND_delete_list(void);

/* The curve projected along the plane's normal onto the plane (point,
 * normal): *count 1 with the new curve in *curves (SM_alloc), or 0 when it
 * projects to a point. `handed` and `options` are kept for the host's
 * modes. */
void CPROJ_create_curves_plane(unsigned int curve, const double plane[6], int handed, const int options[6], int* count,
                               unsigned int** curves);
int CRV_LST_make_loops(int n, const unsigned int* curves, double tolerance, int* n_outer, int* n_inner, int** per_loop,
                       unsigned int** loop_curves);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::hidden_lines {
// Fixture: orients the view (rows X, Y, Z as above).
void orient_view(unsigned int view, const double rows[9], const double origin[3]);
}  // namespace host::hidden_lines
#endif

#endif
