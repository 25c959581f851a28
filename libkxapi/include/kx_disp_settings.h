/* Display settings: the colour table, the display system parameters, the
 * surface-analysis parameters, name display, the work plane, display
 * suppression, highlighting, the model bounds and view regeneration. */
#ifndef KX_DISP_SETTINGS_H
#define KX_DISP_SETTINGS_H

#include "kx_types.h"

/* Colour models: red-green-blue (each 0 to 1), hue-saturation-value and
 * hue-lightness-saturation (hue 0 to 360, the others 0 to 1). */
#define KX_DISP_rgb_model          0
#define KX_DISP_hsv_model          1
#define KX_DISP_hls_model          2
#define KX_DISP_MAX_COLOR_NAME_LEN 32

typedef struct display_system_parameters_s {
    double curve_tolerance; /* 0 or more; applied when above 0 */
    double pattern_value_1; /* looked at when font_mode is 1 */
    double pattern_value_2;
    double scale_value;            /* above 0 */
    double shaded_tolerance_1;     /* 0 or more */
    double shaded_tolerance_2;     /* 0 or more */
    double shaded_angle_tolerance; /* 0 to 360 degrees */
    int system_color;              /* 1 to 216 */
    int font_mode;                 /* 0 leave, 1 and 2 the host's modes 0 and 1 */
    int flag_setting_1;            /* 0 leave, 1 on, 2 off */
    int flag_setting_2;
    logical show_face_edges; /* 0 or 1 */
    int hidden_face_edges;   /* -2 to 15 */
} display_system_parameters;

typedef struct surface_analysis_parameters_s {
    double analysis_value; /* 0 or more */
    double reference_point[3];
    double reference_direction[3]; /* not zero */
    double second_direction[3];    /* not zero */
    double mapping_value_1;
    double mapping_value_2;
    double tolerances[4]; /* the third an angle of 0 to 360, the others 0 or more */
    int option_1;         /* 0 to 9 */
    int tolerance_preset; /* 0 to 5; 5 the caller's own tolerances */
    int option_2;         /* 0 to 4 */
    int option_3;         /* 1 to 256 */
    int option_4;         /* 0 to 2 */
    int option_5;         /* 0 to 2 */
    int option_6;         /* 0 to 100 */
    int option_7;         /* 0 to 2 */
    int option_8;         /* -90 to 90 when option_7 is 2, else -128 to 128 */
    int option_9;         /* 0 or 1 */
    int option_10;        /* 0 to 32 */
    int display_mode;     /* 0 to 3: 2 reflection lines, 3 contour lines */
} surface_analysis_parameters;

KX_BEGIN_DECLS

KXAPI int KX_DISP_ask_color_count(int* count);
/* name: KX_DISP_MAX_COLOR_NAME_LEN + 1 bytes. */
KXAPI int KX_DISP_ask_color(int color, int model, char* name, double values[3]);
KXAPI int KX_DISP_set_color(int color, int model, const char* name, const double values[3]);
KXAPI int KX_DISP_ask_closest_color(int model, const double values[3], int method, int* color);
KXAPI int KX_DISP_ask_system_parameters(display_system_parameters* parameters);
KXAPI int KX_DISP_set_system_parameters(const display_system_parameters* parameters);
KXAPI int KX_DISP_ask_srfanl_params(surface_analysis_parameters* parameters);
/* With tolerance_preset other than 5 the preset's tolerances are written
 * into the caller's record. */
KXAPI int KX_DISP_set_srfanl_params(surface_analysis_parameters* parameters);
KXAPI int KX_DISP_ask_name_display_status(int* status);
KXAPI int KX_DISP_set_name_display_status(int status);
KXAPI int KX_DISP_ask_name_view_status(int* status);
KXAPI int KX_DISP_set_name_view_status(int status);
KXAPI int KX_DISP_ask_work_plane_emphasis(logical* flag);
KXAPI int KX_DISP_set_work_plane_emphasis(logical flag);
KXAPI int KX_DISP_ask_work_plane_sel(logical* flag);
KXAPI int KX_DISP_set_work_plane_sel(logical flag);
KXAPI int KX_DISP_ask_work_plane_dim_clr(int* color);
KXAPI int KX_DISP_set_work_plane_dim_clr(int color);
KXAPI int KX_DISP_ask_display(int* flag);
KXAPI int KX_DISP_set_display(int flag);
KXAPI int KX_DISP_refresh(void);
KXAPI int KX_DISP_make_display_up_to_date(void);
KXAPI int KX_DISP_set_highlight(tag object, int flag);
/* Bounds: x minimum, x maximum, y minimum, y maximum, z minimum, z maximum. */
KXAPI int KX_DISP_ask_model_bounds(tag bounds_object, double bounds[6]);
KXAPI int KX_DISP_ask_model_bounds_tag(tag* bounds_object);
/* *found 1 when the work part has something to bound; store 1 keeps the
 * computed bounds in the part's bounds object. */
KXAPI int KX_DISP_compute_model_bounds(logical* found, int store);
KXAPI int KX_DISP_set_model_bounds(tag bounds_object, const double bounds[6]);
KXAPI int KX_DISP_regenerate_view(tag view);

KX_END_DECLS

#endif
