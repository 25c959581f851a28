/* Display primitives: how a user-defined object describes itself to the
 * host inside its display, fit, selection and attention-point routines.
 * The host hands the routine an opaque display context; each primitive
 * draws, fits, selects or searches with its geometry according to the
 * context's mode. */
#ifndef KX_DISP_PRIM_H
#define KX_DISP_PRIM_H

#include "kx_types.h"

/* The host's display context (opaque). */
typedef struct display_context_s display_context;

/* Modes of a display context. */
enum KX_DISP_context_mode_e {
    KX_DISP_DISPLAY_MODE = 0,
    KX_DISP_FIT_MODE = 1,
    KX_DISP_SELECT_PICK_MODE = 2,
    KX_DISP_SELECT_AREA_MODE = 3,
    KX_DISP_ATTENTION_POINT_MODE = 4
};

/* What KX_DISP_ask_display_context tells of a context. */
typedef struct context_info_s {
    int mode;
    logical is_surface_view;
    int surface_style;
    logical has_attention_point;
    double attention_point[3];
    logical is_type_10_view;
    tag view;
} context_info;

/* One facet: its vertices (three doubles each) and data handed to the host
 * with it. */
typedef struct facet_s {
    const double* vertices;
    const void* data;
} facet;

/* Facet kinds. */
enum KX_DISP_facet_kind_e { KX_DISP_TRIANGLES = 0, KX_DISP_POLYGONS = 1, KX_DISP_TRIANGLE_STRIPS = 2 };

KX_BEGIN_DECLS

KXAPI int KX_DISP_ask_display_context(display_context* context, context_info* info);
KXAPI int KX_DISP_display_arc(const double matrix[9], double start_angle, double end_angle, const double centre[3],
                              double radius, display_context* context);
KXAPI int KX_DISP_display_circle(const double matrix[9], const double centre[3], double radius, logical filled,
                                 display_context* context);
KXAPI int KX_DISP_display_polyline(const double* points, int count, display_context* context);
KXAPI int KX_DISP_display_points(const double* points, int count, int marker_type, display_context* context);
KXAPI int KX_DISP_display_polygon(const double* points, int count, logical filled, display_context* context);
KXAPI int KX_DISP_display_facets(const facet* facets, int vertices_per_facet, int facet_count, int facet_kind,
                                 display_context* context);
KXAPI int KX_DISP_display_text(const char* text, const double origin[3], int reference, display_context* context);

KX_END_DECLS

#endif
