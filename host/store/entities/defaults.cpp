// Creation defaults and the work part's creation settings.
#include "host/store/entities/defaults.h"

#include <map>
#include <tuple>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::defaults {
namespace {

General& gen() { return service_state<General>("creation defaults"); }
const bool general_registered = (gen(), true);

using Key = std::tuple<int, int, int>;
struct Settings {
    std::map<unsigned int, std::map<Key, Display>> parts;
};
Settings& settings() { return model_state<Settings>("creation settings"); }
const bool settings_registered = (settings(), true);

constexpr Key kDefaultKey{0, -1, 0};
constexpr Display kPartDefaults{15, 1, 1};
constexpr Display kUnset{ES_CRE_DEFAULT, ES_CRE_DEFAULT, ES_CRE_DEFAULT};

bool is_default_key(int type, int subtype, int selector) { return Key{type, subtype, selector} == kDefaultKey; }
bool displayable(int type) { return type >= 1 && type <= 255 && (eprops_[type - 1] & ES_PROP_DISPLAYABLE) != 0; }

Display lookup(unsigned int part, int type, int subtype, int selector) {
    const bool dflt = is_default_key(type, subtype, selector);
    if (!dflt && !displayable(type)) return {-1, -1, -1};
    auto& rows = settings().parts[part];
    auto it = rows.find(Key{type, subtype, selector});
    if (it != rows.end()) return it->second;
    return dflt ? kPartDefaults : kUnset;
}

enum class Field { Color, Font, Width };

int set_field(const Call& call, int type, int subtype, int selector, Field f, int value) {
    int status;
    if (call.status(status)) return status;
    unsigned int part = CONTEXT_ask_work_part();
    if (!host::objects::part_info(part)) return HOST_ERR_DEAD_TAG;
    const bool dflt = is_default_key(type, subtype, selector);
    if (!dflt && !displayable(type)) return HOST_ERR_BAD_ARGUMENT;
    const bool marker = value == ES_CRE_DEFAULT;
    if (marker && dflt) return HOST_ERR_BAD_ARGUMENT;
    bool ok = marker;
    if (!ok) {
        switch (f) {
            case Field::Color: ok = value >= 1 && value <= 216; break;
            case Field::Font: ok = value >= 1 && value <= 7; break;
            case Field::Width: ok = value >= 0 && value <= 2; break;
        }
    }
    if (!ok) return HOST_ERR_BAD_ARGUMENT;
    Display d = lookup(part, type, subtype, selector);
    (f == Field::Color ? d.color : f == Field::Font ? d.font : d.width) = value;
    settings().parts[part][Key{type, subtype, selector}] = d;
    return 0;
}

int ask(unsigned int part, int type, int subtype, int selector, int* color, int* font, int* width) {
    if (!host::objects::part_info(part)) return HOST_ERR_DEAD_TAG;
    Display d = lookup(part, type, subtype, selector);
    if (color) *color = d.color;
    if (font) *font = d.font;
    if (width) *width = d.width;
    return 0;
}

}  // namespace

const General& general() { return gen(); }

Display stored(unsigned int part, int type, int subtype, int selector) { return lookup(part, type, subtype, selector); }

Display for_new_object(unsigned int part, int type, int subtype) {
    Display base{gen().color, gen().font, gen().width};
    if (!host::objects::part_info(part)) return base;
    Display part_default = lookup(part, 0, -1, 0);
    Display d = lookup(part, type, subtype, 0);
    auto pick = [](int own, int fallback) { return own == ES_CRE_DEFAULT || own == -1 ? fallback : own; };
    return {pick(d.color, part_default.color), pick(d.font, part_default.font), pick(d.width, part_default.width)};
}

}  // namespace host::defaults

namespace hdf = host::defaults;

extern "C" {

void ES_default_settings(int* color, int* layer, int* width, int* font) {
    auto call = HOST_ENTRY(color ? *color : 0, layer ? *layer : 0, width ? *width : 0, font ? *font : 0);
    if (!color || !layer || !width || !font) call.fail(HOST_ERR_NULL_ARGUMENT, "a value is null");
    auto bad = [](int v, int lo, int hi) { return v != -1 && (v < lo || v > hi); };
    if (bad(*color, 1, 216) || bad(*layer, 1, 256) || bad(*width, 0, 2) || bad(*font, 1, 7))
        call.fail(HOST_ERR_BAD_ARGUMENT, "a value is out of range");
    hdf::General& g = hdf::gen();
    if (*color != -1) g.color = *color;
    if (*layer != -1) g.layer = *layer;
    if (*width != -1) g.width = *width;
    if (*font != -1) g.font = *font;
    *color = g.color;
    *layer = g.layer;
    *width = g.width;
    *font = g.font;
}

int ES_ask_work_creation_disp_data(int type, int subtype, int selector, int* color, int* font, int* width) {
    auto call = HOST_ENTRY(type, subtype, selector);
    int status;
    if (call.status(status)) return status;
    return hdf::ask(CONTEXT_ask_work_part(), type, subtype, selector, color, font, width);
}

int RM_ask_creation_display_data(unsigned int part, int type, int subtype, int selector, int* color, int* font,
                                 int* width) {
    auto call = HOST_ENTRY(part, type, subtype, selector);
    int status;
    if (call.status(status)) return status;
    return hdf::ask(part, type, subtype, selector, color, font, width);
}

int ES_set_work_creation_color(int type, int subtype, int selector, int color) {
    auto call = HOST_ENTRY(type, subtype, selector, color);
    return hdf::set_field(call, type, subtype, selector, hdf::Field::Color, color);
}

int ES_set_work_creation_line_font(int type, int subtype, int selector, int font) {
    auto call = HOST_ENTRY(type, subtype, selector, font);
    return hdf::set_field(call, type, subtype, selector, hdf::Field::Font, font);
}

int ES_set_work_creation_width(int type, int subtype, int selector, int width) {
    auto call = HOST_ENTRY(type, subtype, selector, width);
    return hdf::set_field(call, type, subtype, selector, hdf::Field::Width, width);
}

}  // extern "C"
