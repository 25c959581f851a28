/* Curves derived from bodies seen in a view and from other curves: the
 * silhouette of a body, the shadow outline of bodies (their silhouettes
 * projected onto the view plane and joined into loops) and simplified
 * curves (lines and arcs within a tolerance). */
#ifndef KX_CURVE_SILHOUETTE_H
#define KX_CURVE_SILHOUETTE_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* *curves: an array the caller frees with KX_free (NULL when none). */
KXAPI int KX_CURVE_create_silhouette(tag body, tag view, int* count, tag** curves);
/* Outer loops first, then inner loops; *curves_per_loop, each
 * (*loop_curves)[i] and *loop_curves are freed with KX_free. */
KXAPI int KX_CURVE_create_shadow_outline(int body_count, tag bodies[], tag view, int* loop_count, int** curves_per_loop,
                                         tag*** loop_curves, int projection);
/* *results: an array the caller frees with KX_free. */
KXAPI int KX_CURVE_create_simplified_curve(int count, tag curves[], double tolerance, int* result_count, tag** results);

KX_END_DECLS

#endif
