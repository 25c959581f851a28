/* The host's layout of views and the settings the temporary display reads.
 *
 * Layout: the views shown in the graphics window, each at its display
 * sequence (1, 2, ... in the order the views were put in the layout). One
 * layout is current; DISPLAY_ask_current_layout answers it (0 when none).
 * DISPLAY_ask_vseq_of_tag answers the display sequence of a view in a
 * layout, 0 when the view is not in it. VIEW_ask_type writes a view's view
 * type (0 ordinary; 10 a drawing-sheet view, say); views that were never
 * given one are of type 0.
 *
 * ES_ask_creation_display_data(part, type, subtype, selector, &colour,
 * &font, &width) reads the creation display data of a part as stored (the
 * part's default settings for type 0, subtype -1, selector 0); 0, or
 * HOST_ERR_DEAD_TAG for no such part.
 *
 * dimspc_: the drafting preferences' common block of doubles; its fifth
 * double (index 4) is the drafting character size (3.5 after a reset).
 * ACOM_ask_MEC: the factor of the part's units against the drafting
 * units (1 after a reset).
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a view tag that
 * is no view HOST_ERR_WRONG_CLASS, a null output HOST_ERR_NULL_ARGUMENT.
 */
#ifndef HOST_DISPLAY_LAYOUT_H
#define HOST_DISPLAY_LAYOUT_H

#define DIMSPC_DOUBLES   32
#define DIMSPC_CHAR_SIZE 4 /* index of the drafting character size */

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern double dimspc_[DIMSPC_DOUBLES];

unsigned int DISPLAY_ask_current_layout(void);
int DISPLAY_ask_vseq_of_tag(unsigned int layout, unsigned int view);
void VIEW_ask_type(unsigned int view, int* type);
int ES_ask_creation_display_data(unsigned int part, int type, int subtype, int selector, int* color, int* font,
                                 int* width);
double ACOM_ask_MEC(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::layout {
using tag_t = unsigned int;
// Fixture builders (no host call journalled). A model view of the part (a
// view object that no drawing holds) of the given view type.
tag_t make_model_view(tag_t part, int view_type = 0);
// A layout of the part showing the views in this order; made current when
// asked. Answers the layout's tag.
tag_t make_layout(tag_t part, const std::vector<tag_t>& views, bool current = true);
void set_current(tag_t layout);
void set_view_type(tag_t view, int view_type);
void set_units_factor(double mec);
// Views in a layout (0 for no layout); no host call journalled.
int view_count(tag_t layout);
}  // namespace host::layout
#endif

#endif
