// Display settings: colour table, display parameters, surface analysis,
// names, work plane, highlighting, model bounds, view regeneration.
#include "host/model/display/settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/model/display/layout.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/numeric/curves.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::display_settings {
namespace {

constexpr int kColors = 217;

struct Colour {
    double rgb[3] = {0, 0, 0};
    std::string name;
};

std::array<Colour, kColors> palette() {
    std::array<Colour, kColors> c{};
    c[0].name = "Background";
    static const char* const level[6] = {"0", "20", "40", "60", "80", "100"};
    for (int i = 0; i < 216; ++i) {
        const int r = i / 36, g = (i / 6) % 6, b = i % 6;
        Colour& k = c[static_cast<std::size_t>(i + 1)];
        k.rgb[0] = r / 5.0;
        k.rgb[1] = g / 5.0;
        k.rgb[2] = b / 5.0;
        k.name = std::string("R") + level[r] + "G" + level[g] + "B" + level[b];
    }
    return c;
}

struct Settings {
    std::array<Colour, kColors> colours = palette();
    double curve_tol = 0.01;
    double pattern[2] = {5.0, 2.5};
    double scale = 1.0;
    int shaded_setting = 2;
    double shaded[3] = {0.05, 0.05, 15.0};
    int system_color = 1;
    int font_mode = 0;
    int settings_word = 0x3;  // first flag on, second off
    int show_face_edges = 0;
    int hidden_face_edges = -1;
    SRFANL_rec_t srfanl = {
        0, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1}, {0.05, 0.05, 15.0, 0.0}, 0, 1, {0, 1, 0, 0, 0, 0, 0, 0, 0}, 0};
    int name_settings = 0x1;  // names shown, in every view
    int emphasis = 0;
    int plane_sel = 0;
    int dim_color = 87;
    bool texture_mapping = false;
};
Settings& st() { return service_state<Settings>("display settings"); }
Log& log_st() { return service_state<Log>("display settings log"); }

struct BoundsRow {
    double v[6] = {0, 0, 0, 0, 0, 0};
};
TagTable<BoundsRow>& bounds_table() {
    static auto* t = new TagTable<BoundsRow>("model bounds");  // lives as long as the process
    return *t;
}
const bool registered = (st(), log_st(), bounds_table(), true);

// Part-file section "MBND": the values of the model bounds object. Payload:
// rows of objects (host/store/parts/part_file.h); a row: 6 f64, the minimum and
// maximum of x, y and z in pairs. Values that are not finite or a minimum
// above its maximum, a second bounds object of the part, or a row for an
// object that is no bounds object, make the file corrupt.
namespace pf = host::part_file;

bool is_bounds(const objects::Object* o) {
    return o && o->cls == OM_CLASS_RM_ENTITY && o->type == HOST_TYPE_BOUNDS && o->subtype == HOST_SUBTYPE_MODEL_BOUNDS;
}

void write_bounds(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [](pf::Writer& row, unsigned int object) {
        if (!is_bounds(objects::find(object))) return;
        const BoundsRow* r = bounds_table().find(object);
        const BoundsRow none;
        for (double v : (r ? r : &none)->v) row.f64(v);
    });
}

void read_bounds(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, BoundsRow>> rows;
    pf::read_rows(in, ctx, {"bounds row", 8 + 48, false}, [&](unsigned int t, pf::Reader& row) {
        if (!is_bounds(objects::find(t))) throw pf::FormatError("a bounds row of an object that is no bounds object");
        BoundsRow r;
        for (double& v : r.v) v = row.f64();
        for (int i = 0; i < 3; ++i)
            if (!std::isfinite(r.v[2 * i]) || !std::isfinite(r.v[2 * i + 1]) || !(r.v[2 * i] <= r.v[2 * i + 1]))
                throw pf::FormatError("model bounds that bound nothing");
        rows.emplace_back(t, r);
    });
    for (const auto& [t, r] : rows) bounds_table()[t] = r;
}

// A part holds at most one bounds object.
const char* one_bounds_rule(unsigned int part) {
    int n = 0;
    for (unsigned int t : objects::objects_of_part(part))
        if (is_bounds(objects::find(t)) && ++n > 1) return "two model bounds objects";
    return nullptr;
}

const bool section_registered =
    (host::part_rules::register_known_kind(OM_CLASS_RM_ENTITY, HOST_TYPE_BOUNDS, HOST_SUBTYPE_MODEL_BOUNDS,
                                           HOST_SUBTYPE_MODEL_BOUNDS, "ENTS MBND"),
     pf::register_section({{'M', 'B', 'N', 'D'}, write_bounds, read_bounds}),
     host::part_rules::register_rule(one_bounds_rule), true);

constexpr double kShadedPresets[3][3] = {{0.5, 0.5, 30.0}, {0.05, 0.05, 15.0}, {0.005, 0.005, 5.0}};
constexpr double kAnalysisPresets[5][4] = {{0.5, 0.5, 30.0, 0.1},
                                           {0.1, 0.1, 15.0, 0.05},
                                           {0.05, 0.05, 15.0, 0.01},
                                           {0.01, 0.01, 5.0, 0.005},
                                           {0.001, 0.001, 1.0, 0.001}};

// ---- Colour models ----
void hsv_to_rgb(const double in[3], double out[3]) {
    const double h = std::fmod(std::max(in[0], 0.0), 360.0) / 60.0, s = in[1], v = in[2];
    const int i = static_cast<int>(h);
    const double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    const double table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    std::copy(table[i % 6], table[i % 6] + 3, out);
}
void rgb_to_hsv(const double in[3], double out[3]) {
    const double mx = std::max({in[0], in[1], in[2]}), mn = std::min({in[0], in[1], in[2]}), d = mx - mn;
    double h = 0;
    if (d > 0) {
        if (mx == in[0]) h = 60 * std::fmod((in[1] - in[2]) / d + 6, 6.0);
        else if (mx == in[1]) h = 60 * ((in[2] - in[0]) / d + 2);
        else h = 60 * ((in[0] - in[1]) / d + 4);
    }
    out[0] = h;
    out[1] = mx > 0 ? d / mx : 0;
    out[2] = mx;
}
// Hue, lightness, saturation.
void hls_to_rgb(const double in[3], double out[3]) {
    const double l = in[1], s = in[2];
    const double v = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double hsv[3] = {in[0], v > 0 ? 2 * (v - l) / v : 0, v};
    hsv_to_rgb(hsv, out);
}
void rgb_to_hls(const double in[3], double out[3]) {
    const double mx = std::max({in[0], in[1], in[2]}), mn = std::min({in[0], in[1], in[2]});
    double hsv[3];
    rgb_to_hsv(in, hsv);
    const double l = (mx + mn) / 2, d = mx - mn;
    out[0] = hsv[0];
    out[1] = l;
    out[2] = d <= 0 ? 0 : (l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn));
}

void to_rgb(const Call& call, int model, const double in[3], double out[3]) {
    const double hue_max = model == 0 ? 1.0 : 360.0;
    if (!(in[0] >= -1e-10 && in[0] <= hue_max + 1e-10))
        call.fail(HOST_ERR_BAD_ARGUMENT, "first value %g in model %d", in[0], model);
    for (int i = 1; i < 3; ++i)
        if (!(in[i] >= -1e-10 && in[i] <= 1 + 1e-10)) call.fail(HOST_ERR_BAD_ARGUMENT, "value %g", in[i]);
    double c[3];
    for (int i = 0; i < 3; ++i) c[i] = std::clamp(in[i], 0.0, i == 0 ? hue_max : 1.0);
    switch (model) {
        case 0: std::copy(c, c + 3, out); break;
        case 1: hsv_to_rgb(c, out); break;
        case 2: hls_to_rgb(c, out); break;
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "colour model %d", model);
    }
}

void check_number(const Call& call, int number) {
    if (number < 0 || number >= kColors) call.fail(HOST_ERR_BAD_ARGUMENT, "colour %d", number);
}

const objects::Object& bounds_object(const Call& call, unsigned int bounds) {
    const objects::Object& o = call.live_of_type(bounds, HOST_TYPE_BOUNDS);
    if (o.subtype != HOST_SUBTYPE_MODEL_BOUNDS) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no model bounds", bounds);
    return o;
}

void grow(double box[6], bool& any, const double p[3]) {
    for (int i = 0; i < 3; ++i) {
        if (!any || p[i] < box[2 * i]) box[2 * i] = p[i];
        if (!any || p[i] > box[2 * i + 1]) box[2 * i + 1] = p[i];
    }
    any = true;
}

}  // namespace

const Log& log() { return log_st(); }
void set_texture_mapping(bool on) { st().texture_mapping = on; }

bool model_box(unsigned int part, double box[6]) {
    bool any = false;
    for (unsigned int o : objects::objects_of_part(part)) {
        const objects::Object& ob = objects::require(o);
        if (ob.type == HOST_TYPE_SOLID && ob.subtype == HOST_SUBTYPE_BODY) {
            const int body = kernel::entity_of(o);
            if (body == 0) continue;
            double b[6];
            ZQ_TOPOL_find_box(body, b);
            const double lo[3] = {b[0], b[1], b[2]}, hi[3] = {b[3], b[4], b[5]};
            grow(box, any, lo);
            grow(box, any, hi);
        } else if (ob.type == HOST_TYPE_POINT) {
            double p[3];
            ES_ask_coordinates_of_point(o, p);
            grow(box, any, p);
        } else if (auto c = curves::curve_of(o)) {
            double lim[2];
            hostnum::curve_limits(c->record(), lim);
            for (int k = 0; k <= 32; ++k) {
                double p[3];
                if (hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * k / 32.0, p, nullptr) ==
                    hostnum::CurveError::ok)
                    grow(box, any, p);
            }
        }
    }
    return any;
}

}  // namespace host::display_settings

namespace hs = host::display_settings;

extern "C" {

int UICO_ask_color_count(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hs::kColors));
}

void UICO_ask_color(int number, int model, char* name, double values[3]) {
    auto call = HOST_ENTRY(number, model, name, values);
    call.need(name, "the name");
    call.need(values, "the values");
    hs::check_number(call, number);
    const hs::Colour& c = hs::st().colours[static_cast<std::size_t>(number)];
    switch (model) {
        case 0: std::copy(c.rgb, c.rgb + 3, values); break;
        case 1: hs::rgb_to_hsv(c.rgb, values); break;
        case 2: hs::rgb_to_hls(c.rgb, values); break;
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "colour model %d", model);
    }
    const std::size_t n = std::min(c.name.size(), static_cast<std::size_t>(UICO_NAME_CHARS));
    std::memcpy(name, c.name.data(), n);
    name[n] = '\0';
}

void UICO_set_color(int number, int model, const char* name, const double values[3]) {
    auto call = HOST_ENTRY_TEXT(name, number, model, values);
    call.need(values, "the values");
    hs::check_number(call, number);
    if (name && std::strlen(name) > UICO_NAME_CHARS) call.fail(HOST_ERR_BAD_ARGUMENT, "a name over 32 characters");
    double rgb[3];
    hs::to_rgb(call, model, values, rgb);
    hs::Colour& c = hs::st().colours[static_cast<std::size_t>(number)];
    std::copy(rgb, rgb + 3, c.rgb);
    if (name) c.name = name;
}

int UICO_ask_closest_color(int model, const double values[3], int method) {
    auto call = HOST_ENTRY(model, values, method);
    call.need(values, "the values");
    if (method != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "method %d", method);
    double rgb[3];
    hs::to_rgb(call, model, values, rgb);
    int best = 1;
    double best_d = 1e300;
    for (int i = 1; i < hs::kColors; ++i) {
        const double* c = hs::st().colours[static_cast<std::size_t>(i)].rgb;
        const double d =
            (c[0] - rgb[0]) * (c[0] - rgb[0]) + (c[1] - rgb[1]) * (c[1] - rgb[1]) + (c[2] - rgb[2]) * (c[2] - rgb[2]);
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return static_cast<int>(call.int_out(0, best));
}

double DISPLAY_ask_curve_tol(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, hs::st().curve_tol);
}
void DISPLAY_set_curve_tol(double tolerance) {
    auto call = HOST_ENTRY(tolerance);
    if (!(tolerance > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "curve tolerance %g", tolerance);
    hs::st().curve_tol = tolerance;
}
double DISPLAY_ask_pattern_value(int which) {
    auto call = HOST_ENTRY(which);
    if (which != 1 && which != 2) call.fail(HOST_ERR_BAD_ARGUMENT, "pattern value %d", which);
    return hs::st().pattern[which - 1];
}
void DISPLAY_set_pattern_value(int which, double value) {
    auto call = HOST_ENTRY(which, value);
    if ((which != 1 && which != 2) || !(value > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "pattern value %d", which);
    hs::st().pattern[which - 1] = value;
}
double DISPLAY_ask_scale_value(void) {
    HOST_ENTRY();
    return hs::st().scale;
}
void DISPLAY_set_scale_value(double value) {
    auto call = HOST_ENTRY(value);
    if (!(value > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "scale %g", value);
    hs::st().scale = value;
}
void DISPLAY_unmap_shaded_tol(double tolerance_1, double tolerance_2, double angle, int* setting) {
    auto call = HOST_ENTRY(tolerance_1, tolerance_2, angle, setting);
    call.need(setting, "the setting");
    *setting = DISPLAY_SHADED_CUSTOM;
    for (int i = 0; i < 3; ++i) {
        const double* p = hs::kShadedPresets[i];
        if (std::fabs(p[0] - tolerance_1) < 1e-10 && std::fabs(p[1] - tolerance_2) < 1e-10 &&
            std::fabs(p[2] - angle) < 1e-10)
            *setting = i + 1;
    }
}
void DISPLAY_ask_shaded_tol(int* setting, double tolerances[3]) {
    auto call = HOST_ENTRY(setting, tolerances);
    call.need(setting, "the setting");
    call.need(tolerances, "the tolerances");
    *setting = hs::st().shaded_setting;
    std::copy(hs::st().shaded, hs::st().shaded + 3, tolerances);
}
void DISPLAY_set_shaded_tol(int setting, double tolerance_1, double tolerance_2, double angle) {
    auto call = HOST_ENTRY(setting, tolerance_1, tolerance_2, angle);
    if (setting < 1 || setting > DISPLAY_SHADED_CUSTOM) call.fail(HOST_ERR_BAD_ARGUMENT, "setting %d", setting);
    hs::st().shaded_setting = setting;
    if (setting == DISPLAY_SHADED_CUSTOM) {
        hs::st().shaded[0] = tolerance_1;
        hs::st().shaded[1] = tolerance_2;
        hs::st().shaded[2] = angle;
    } else {
        std::copy(hs::kShadedPresets[setting - 1], hs::kShadedPresets[setting - 1] + 3, hs::st().shaded);
    }
}
int DISPLAY_ask_system_color(void) {
    HOST_ENTRY();
    return hs::st().system_color;
}
void DISPLAY_set_system_color(int color) {
    auto call = HOST_ENTRY(color);
    if (color < 1 || color > 216) call.fail(HOST_ERR_BAD_ARGUMENT, "colour %d", color);
    hs::st().system_color = color;
}
void gt363_(const int* color) {
    auto call = HOST_ENTRY(color ? *color : 0);
    call.need(color, "the colour");
    ++hs::log_st().system_colors_applied;
}
void clr033_(void) {
    HOST_ENTRY();
    ++hs::log_st().colormap_refreshes;
}
int DISPLAY_ask_font_mode(void) {
    HOST_ENTRY();
    return hs::st().font_mode;
}
void DISPLAY_set_font_mode(int mode) {
    auto call = HOST_ENTRY(mode);
    if (mode != 0 && mode != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "font mode %d", mode);
    hs::st().font_mode = mode;
}
int DISPLAY_ask_settings_word(void) {
    HOST_ENTRY();
    return hs::st().settings_word;
}
void DISPLAY_set_settings_word(int word) {
    HOST_ENTRY(word);
    hs::st().settings_word = word;
}
void gt630_(const int* step) {
    auto call = HOST_ENTRY(step ? *step : 0);
    call.need(step, "the step");
    hs::log_st().refresh_steps.push_back(*step);
}
int DISPLAY_ask_show_face_edges(void) {
    HOST_ENTRY();
    return hs::st().show_face_edges;
}
void DISPLAY_set_show_face_edges(int show) {
    HOST_ENTRY(show);
    hs::st().show_face_edges = show != 0;
}
int DISPLAY_ask_hidden_face_edges(void) {
    HOST_ENTRY();
    return hs::st().hidden_face_edges;
}
void DISPLAY_set_hidden_face_edges(int value) {
    auto call = HOST_ENTRY(value);
    if (value < -2 || value > 15) call.fail(HOST_ERR_BAD_ARGUMENT, "hidden face edges %d", value);
    hs::st().hidden_face_edges = value;
}

void SRFANL_read_rec(SRFANL_rec_t* rec) {
    auto call = HOST_ENTRY(rec);
    call.need(rec, "the record");
    *rec = hs::st().srfanl;
}
void SRFANL_write_rec(const SRFANL_rec_t* rec) {
    auto call = HOST_ENTRY(rec);
    call.need(rec, "the record");
    hs::st().srfanl = *rec;
}
int DSS_DVC_is_texture_mapping(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hs::st().texture_mapping ? 1 : 0));
}
void DISPLAY_map_analysis_tol(int preset, double tolerances[4]) {
    auto call = HOST_ENTRY(preset, tolerances);
    call.need(tolerances, "the tolerances");
    if (preset < 0 || preset > 4) call.fail(HOST_ERR_BAD_ARGUMENT, "preset %d", preset);
    std::copy(hs::kAnalysisPresets[preset], hs::kAnalysisPresets[preset] + 4, tolerances);
}
void DSS_SRF_regen_all_anal_faces(void) {
    HOST_ENTRY();
    ++hs::log_st().anal_regens;
}
void DSS_SRF_update_display_atts(void) {
    HOST_ENTRY();
    ++hs::log_st().att_updates;
}
void DSS_SRF_update_mappings(void) {
    HOST_ENTRY();
    ++hs::log_st().mapping_updates;
}

int DISPLAY_ask_name_settings(void) {
    HOST_ENTRY();
    return hs::st().name_settings;
}
void DISPLAY_set_name_settings(int word) {
    HOST_ENTRY(word);
    hs::st().name_settings = word;
}
int DISPLAY_ask_work_plane_emphasis(void) {
    HOST_ENTRY();
    return hs::st().emphasis;
}
void DISPLAY_set_work_plane_emphasis(int flag) {
    HOST_ENTRY(flag);
    hs::st().emphasis = flag != 0;
}
int DISPLAY_ask_work_plane_sel(void) {
    HOST_ENTRY();
    return hs::st().plane_sel;
}
void DISPLAY_set_work_plane_sel(int flag) {
    HOST_ENTRY(flag);
    hs::st().plane_sel = flag != 0;
}
int DSS_HILT_ask_work_plane_dim_clr(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hs::st().dim_color));
}
void DSS_HILT_set_work_plane_dim_clr(int color) {
    auto call = HOST_ENTRY(color);
    if (color < 1 || color > 216) call.fail(HOST_ERR_BAD_ARGUMENT, "colour %d", color);
    hs::st().dim_color = color;
}
void DSS_HILT_highlight_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    host::entity::attrs(object).highlighted = true;
}
void DSS_HILT_unhighlight_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    host::entity::attrs(object).highlighted = false;
}
void MODL_highlight_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    call.live_of_type(feature, HOST_TYPE_FEATURE);
    host::entity::attrs(feature).highlighted = true;
}
void MODL_unhighlight_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    call.live_of_type(feature, HOST_TYPE_FEATURE);
    host::entity::attrs(feature).highlighted = false;
}
void DSS_refresh_display(void) {
    HOST_ENTRY();
    ++hs::log_st().refreshes;
}
void DSS_update_ws_if_needed(void) {
    HOST_ENTRY();
    ++hs::log_st().ws_updates;
}
void gt660_(const int* minus_sequence) {
    auto call = HOST_ENTRY(minus_sequence ? *minus_sequence : 0);
    call.need(minus_sequence, "the sequence");
    const unsigned int layout = DISPLAY_ask_current_layout();
    const int seq = -*minus_sequence;
    if (layout == 0 || seq < 1 || seq > host::layout::view_count(layout))
        call.fail(HOST_ERR_BAD_ARGUMENT, "display sequence %d", seq);
    for (unsigned int v : host::objects::objects_of_type(HOST_TYPE_VIEW))
        if (DISPLAY_ask_vseq_of_tag(layout, v) == seq) hs::log_st().regenerated_views.push_back(v);
}

unsigned int MDL_BND_ask_model_bounds_object(void) {
    auto call = HOST_ENTRY();
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    for (unsigned int o : host::objects::objects_of_type(HOST_TYPE_BOUNDS))
        if (host::objects::require(o).part == work && host::objects::require(o).subtype == HOST_SUBTYPE_MODEL_BOUNDS)
            return o;
    const unsigned int b =
        host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_BOUNDS, HOST_SUBTYPE_MODEL_BOUNDS, work});
    hs::bounds_table()[b] = hs::BoundsRow{};
    return b;
}
void MDL_BND_ask_model_bounds(unsigned int bounds, double values[6]) {
    auto call = HOST_ENTRY(bounds, values);
    hs::bounds_object(call, bounds);
    call.need(values, "the values");
    const hs::BoundsRow* r = hs::bounds_table().find(bounds);
    const hs::BoundsRow none;
    std::copy(r ? r->v : none.v, (r ? r->v : none.v) + 6, values);
}
void MDL_BND_set_model_bounds(unsigned int bounds, const double values[6]) {
    auto call = HOST_ENTRY(bounds, values);
    hs::bounds_object(call, bounds);
    call.need(values, "the values");
    for (int i = 0; i < 3; ++i)
        if (!(values[2 * i] <= values[2 * i + 1])) call.fail(HOST_ERR_BAD_ARGUMENT, "bounds of axis %d", i);
    std::copy(values, values + 6, hs::bounds_table()[bounds].v);
    host::parts::note_change(bounds);
}
unsigned char MDL_BND_compute_model_bounds(int mode, int store) {
    auto call = HOST_ENTRY(mode, store);
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    double box[6];
    if (!hs::model_box(work, box)) return static_cast<unsigned char>(call.int_out(0, 0));
    if (store == 1) {
        const unsigned int b = MDL_BND_ask_model_bounds_object();
        std::copy(box, box + 6, hs::bounds_table()[b].v);
    }
    return static_cast<unsigned char>(call.int_out(0, 1));
}

}  // extern "C"
