// Layouts of views, view types and the drafting settings of the display.
#include "host/model/display/layout.h"

#include <algorithm>
#include <map>

#include "host/store/entities/defaults.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

double dimspc_[DIMSPC_DOUBLES];

namespace host::layout {
namespace {

constexpr double kDraftingCharSize = 3.5;

struct Layouts {
    tag_t current = 0;
    std::map<tag_t, std::vector<tag_t>> views;  // layout -> views in sequence
    std::map<tag_t, int> view_types;
};
Layouts& layouts() { return model_state<Layouts>("layouts"); }

struct Units {
    double mec = 1.0;
};
Units& units() { return service_state<Units>("display units"); }

void reset_dimspc() {
    std::fill(std::begin(dimspc_), std::end(dimspc_), 0.0);
    dimspc_[DIMSPC_CHAR_SIZE] = kDraftingCharSize;
}
const bool registered = (layouts(), units(), register_service_reset("dimspc", reset_dimspc), reset_dimspc(), true);

}  // namespace

tag_t make_model_view(tag_t part, int view_type) {
    const tag_t v = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_VIEW, 0, part});
    if (view_type != 0) layouts().view_types[v] = view_type;
    return v;
}

tag_t make_layout(tag_t part, const std::vector<tag_t>& views, bool current) {
    // A layout is an object of the part with no entity type of its own.
    const tag_t l = objects::create({OM_CLASS_OBJECT, 0, 0, part});
    layouts().views[l] = views;
    if (current) layouts().current = l;
    return l;
}

void set_current(tag_t layout) { layouts().current = layout; }
void set_view_type(tag_t view, int view_type) { layouts().view_types[view] = view_type; }
void set_units_factor(double mec) { units().mec = mec; }
int view_count(tag_t layout) {
    const auto& all = layouts().views;
    const auto it = all.find(layout);
    return it == all.end() ? 0 : static_cast<int>(it->second.size());
}

}  // namespace host::layout

namespace hl = host::layout;

unsigned int DISPLAY_ask_current_layout(void) {
    HOST_ENTRY();
    const unsigned int l = hl::layouts().current;
    return host::objects::is_alive(l) ? l : 0;
}

int DISPLAY_ask_vseq_of_tag(unsigned int layout, unsigned int view) {
    auto call = HOST_ENTRY(layout, view);
    call.live(layout);
    const auto& all = hl::layouts().views;
    const auto it = all.find(layout);
    if (it == all.end()) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a layout", layout);
    const auto pos = std::find(it->second.begin(), it->second.end(), view);
    return pos == it->second.end() ? 0 : static_cast<int>(pos - it->second.begin()) + 1;
}

void VIEW_ask_type(unsigned int view, int* type) {
    auto call = HOST_ENTRY(view, type);
    call.need(type, "the type output");
    call.live_of_type(view, HOST_TYPE_VIEW);
    const auto& types = hl::layouts().view_types;
    const auto it = types.find(view);
    *type = it == types.end() ? 0 : it->second;
}

int ES_ask_creation_display_data(unsigned int part, int type, int subtype, int selector, int* color, int* font,
                                 int* width) {
    auto call = HOST_ENTRY(part, type, subtype, selector);
    call.need(color, "the colour output");
    call.need(font, "the font output");
    call.need(width, "the width output");
    int status;
    if (call.status(status)) return status;
    if (!host::objects::part_info(part)) return HOST_ERR_DEAD_TAG;
    const host::defaults::Display d = host::defaults::stored(part, type, subtype, selector);
    *color = d.color, *font = d.font, *width = d.width;
    return 0;
}

double ACOM_ask_MEC(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, hl::units().mec);
}
