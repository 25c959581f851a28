/* Object display properties, creation defaults and creation settings. */
#ifndef KX_DISP_H
#define KX_DISP_H

#include "kx_types.h"

/* One object's display state. */
typedef struct display_properties_s {
    int layer;        /* 1 to 256 */
    int color;        /* 1 to 216 */
    int blank_status; /* 1 blanked, 0 shown */
    int line_width;   /* 0 to 2 */
    int font;         /* 1 to 7 */
    logical highlight_status;
} display_properties, *display_properties_p;

/* Creation settings of an entity type. */
typedef struct creation_settings_s {
    int color;
    int font;
    int width;
} creation_settings, *creation_settings_p;

/* A creation setting holding this value follows the default settings. */
#define KX_OBJ_CRE_DEFAULT 2147483647

KX_BEGIN_DECLS

/* ---- Display properties ---- */
KXAPI int KX_OBJ_ask_display_properties(tag object, display_properties* properties);
KXAPI int KX_OBJ_set_color(tag object, int color);
KXAPI int KX_OBJ_set_font(tag object, int font);
KXAPI int KX_OBJ_set_line_width(tag object, int width);
KXAPI int KX_OBJ_set_layer(tag object, int layer);
KXAPI int KX_OBJ_set_blank_status(tag object, int blank_status);
KXAPI int KX_OBJ_reverse_blank_all(void);
KXAPI int KX_OBJ_set_face_analysis(tag object, int value);
KXAPI int KX_OBJ_ask_face_analysis(tag object, int* value);
KXAPI int KX_OBJ_set_partially_shaded(tag object, int value);
KXAPI int KX_OBJ_ask_partially_shaded(tag object, int* value);

/* ---- Creation defaults (-1 keeps a value) ---- */
KXAPI int KX_OBJ_reset_defaults(int color, int layer, int width, int font);
KXAPI int KX_OBJ_modify_defaults(int color, int layer, int width, int font);
KXAPI int KX_OBJ_return_prev_defaults(void);
KXAPI void kx5025_(int* color, int* layer, int* width, int* font);

/* ---- Creation settings per entity type ---- */
KXAPI int KX_OBJ_ask_cre_settings(int type, int subtype, int selector, creation_settings* settings);
KXAPI int KX_OBJ_set_cre_color(int type, int subtype, int selector, int color);
KXAPI int KX_OBJ_set_cre_line_font(int type, int subtype, int selector, int font);
KXAPI int KX_OBJ_set_cre_width(int type, int subtype, int selector, int width);
KXAPI int KX_OBJ_set_cre_color_to_def(int type, int subtype, int selector);
KXAPI int KX_OBJ_set_cre_line_font_to_def(int type, int subtype, int selector);
KXAPI int KX_OBJ_set_cre_width_to_def(int type, int subtype, int selector);
KXAPI int KX_OBJ_ask_def_cre_settings(creation_settings* settings);
KXAPI int KX_OBJ_set_def_cre_color(int color);
KXAPI int KX_OBJ_set_def_cre_line_font(int font);
KXAPI int KX_OBJ_set_def_cre_width(int width);
KXAPI int KX_OBJ_is_def_cre_color(int type, int subtype, int selector, logical* is_default);
KXAPI int KX_OBJ_is_def_cre_line_font(int type, int subtype, int selector, logical* is_default);
KXAPI int KX_OBJ_is_def_cre_width(int type, int subtype, int selector, logical* is_default);

KX_END_DECLS

#endif
