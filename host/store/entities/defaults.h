/* Creation defaults and settings: what new objects are created with.
 *
 * General defaults (session-wide): colour, layer, line width and line font,
 * read and set together with ES_default_settings. They start at colour 15,
 * layer 1, width 1, font 1.
 *
 * Work creation settings: per part, a colour, line font and width for each
 * (entity type, subtype, selector). The value ES_CRE_DEFAULT (2147483647)
 * means that the part's default settings (type 0, subtype -1, selector 0)
 * apply; a type that cannot be displayed (host/store/entities/entity_store.h, eprops_)
 * reads -1 (no setting). Settings that were never set read as the marker;
 * the default settings of a part start as colour 15, font 1, width 1.
 *
 * A new object takes its type's setting, else the part's default setting,
 * and the layer of the general defaults.
 *
 * Setters answer 0, or HOST_ERR_BAD_ARGUMENT for a value out of range
 * (colour 1..216, font 1..7, width 0..2; the marker is always accepted but
 * never for the default settings themselves) or a type that cannot be
 * displayed; ES_ask_work_creation_disp_data and RM_ask_creation_display_data
 * answer 0, or HOST_ERR_DEAD_TAG when there is no such part (no work part).
 * ES_default_settings raises HOST_ERR_BAD_ARGUMENT for a value out of range
 * (-1 keeps a value).
 */
#ifndef HOST_CORE_DEFAULTS_H
#define HOST_CORE_DEFAULTS_H

#define ES_CRE_DEFAULT 2147483647

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* In/out: a value of -1 keeps the default; every argument comes back with
 * the default in force afterwards. */
void ES_default_settings(int* color, int* layer, int* width, int* font);

int ES_ask_work_creation_disp_data(int type, int subtype, int selector, int* color, int* font, int* width);
int RM_ask_creation_display_data(unsigned int part, int type, int subtype, int selector, int* color, int* font,
                                 int* width);
int ES_set_work_creation_color(int type, int subtype, int selector, int color);
int ES_set_work_creation_line_font(int type, int subtype, int selector, int font);
int ES_set_work_creation_width(int type, int subtype, int selector, int width);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::defaults {
struct General {
    int color = 15;
    int layer = 1;
    int width = 1;
    int font = 1;
};
const General& general();
struct Display {
    int color;
    int font;
    int width;
};
// What an object of the type gets in the part (markers resolved).
Display for_new_object(unsigned int part, int type, int subtype);
// The stored setting (markers kept), no host call journalled.
Display stored(unsigned int part, int type, int subtype, int selector);
}  // namespace host::defaults
#endif

#endif
