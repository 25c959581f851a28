/* Temporary display: markers, lines, arcs and text drawn in the graphics
 * window until the next regeneration, without creating objects. */
#ifndef KX_DISP_TEMP_H
#define KX_DISP_TEMP_H

#include "kx_disp.h"
#include "kx_types.h"

/* View choice: KX_DISP_USE_VIEW_TAG draws in the given view (of the current
 * layout); the others choose views of the current layout for the host. */
enum KX_DISP_view_type_e {
    KX_DISP_USE_VIEW_TAG = 0,
    KX_DISP_USE_WORK_VIEW = 1,
    KX_DISP_USE_ACTIVE_PLUS = 2,
    KX_DISP_USE_ACTIVE_MINUS = 3,
    KX_DISP_USE_ALL_ACTIVE = 4
};

/* Line width and font that take the work part's creation defaults. */
#define KX_DISP_WIDTH_DEFAULT (-1)
#define KX_DISP_FONT_DEFAULT  0

KX_BEGIN_DECLS

KXAPI int KX_DISP_display_temporary_point(tag view, int view_type, const double point[3],
                                          const display_properties* properties, int marker_type);
KXAPI int KX_DISP_display_temporary_line(tag view, int view_type, const double start[3], const double end[3],
                                         const display_properties* properties);
KXAPI int KX_DISP_display_temporary_arc(tag view, int view_type, const double matrix[9], double start_angle,
                                        double end_angle, const double centre[3], double radius,
                                        const display_properties* properties);
KXAPI int KX_DISP_display_temporary_text(tag view, int view_type, const char* text, const double origin[3],
                                         int reference, const display_properties* properties, double char_size,
                                         int multiline);

KX_END_DECLS

#endif
