// Display settings: strict checks of the caller's values, conversion of
// the caller's records to and from the host's, and the refresh each change
// needs.
#include <cmath>
#include <cstring>

#include "kx_disp_settings.h"
#include "libkxapi/core/frame.h"

#include "host/store/entities/csys_support.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/display/layout.h"
#include "host/model/display/settings.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"

namespace {

constexpr double kSlack = 1e-10;
constexpr double kMaxBound = 1e12;
constexpr int kShown = 2, kSuppressed = 3;  // the host's display suppression states
constexpr int kOwnTolerances = 5;
constexpr int kReflectionLines = 2, kContourLines = 3;
constexpr int kSettingFlag1 = 0x3, kSettingFlag2 = 0x4;
constexpr int kNamesShown = 0x1, kNamesWorkViewOnly = 0x2;

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool within(double v, double lo, double hi) { return v >= lo - kSlack && v <= hi + kSlack; }

int no_active_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }
int no_root_part() { return CONTEXT_ask_root_part() != NULL_TAG ? 0 : kx::kPartNotLoaded; }

bool values_ok(int model, const double* v) {
    return v && within(v[0], 0, model == KX_DISP_rgb_model ? 1 : 360) && within(v[1], 0, 1) && within(v[2], 0, 1);
}

bool live(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

// ---- system parameters ----
bool system_parameters_ok(const display_system_parameters& p) {
    bool ok = p.curve_tolerance >= 0 && p.scale_value > 0 && p.shaded_tolerance_1 >= 0 && p.shaded_tolerance_2 >= 0 &&
              within(p.shaded_angle_tolerance, 0, 360) && in(p.system_color, 1, 216) && in(p.font_mode, 0, 2) &&
              in(p.flag_setting_1, 0, 2) && in(p.flag_setting_2, 0, 2) && p.show_face_edges <= 1 &&
              in(p.hidden_face_edges, -2, 15);
    if (p.font_mode == 1) ok = ok && p.pattern_value_1 >= 0 && p.pattern_value_2 >= 0;
    return ok;
}

// ---- surface analysis ----
bool nonzero(const double v[3]) {
    return std::fabs(v[0]) > kSlack || std::fabs(v[1]) > kSlack || std::fabs(v[2]) > kSlack;
}

bool analysis_ok(const surface_analysis_parameters& p) {
    const bool tol =
        p.tolerances[0] >= 0 && p.tolerances[1] >= 0 && within(p.tolerances[2], 0, 360) && p.tolerances[3] >= 0;
    const int angle = p.option_7 == 2 ? 90 : 128;
    return nonzero(p.reference_direction) && nonzero(p.second_direction) && p.analysis_value >= 0 && tol &&
           in(p.option_1, 0, 9) && in(p.tolerance_preset, 0, 5) && in(p.option_2, 0, 4) && in(p.option_3, 1, 256) &&
           in(p.option_4, 0, 2) && in(p.option_5, 0, 2) && in(p.option_6, 0, 100) && in(p.option_7, 0, 2) &&
           in(p.option_8, -angle, angle) && in(p.option_9, 0, 1) && in(p.option_10, 0, 32) && in(p.display_mode, 0, 3);
}

void to_host(const surface_analysis_parameters& p, SRFANL_rec_t& r) {
    r.analysis_value = p.analysis_value;
    std::memcpy(r.reference_point, p.reference_point, sizeof r.reference_point);
    std::memcpy(r.reference_direction, p.reference_direction, sizeof r.reference_direction);
    std::memcpy(r.second_direction, p.second_direction, sizeof r.second_direction);
    r.mapping[0] = p.mapping_value_1;
    r.mapping[1] = p.mapping_value_2;
    std::memcpy(r.tolerances, p.tolerances, sizeof r.tolerances);
    r.option_1 = p.option_1;
    r.tolerance_preset = p.tolerance_preset;
    const int options[9] = {p.option_2, p.option_3, p.option_4, p.option_5, p.option_6,
                            p.option_7, p.option_8, p.option_9, p.option_10};
    std::memcpy(r.options, options, sizeof r.options);
    r.display_mode = p.display_mode;
}

void from_host(const SRFANL_rec_t& r, surface_analysis_parameters& p) {
    p.analysis_value = r.analysis_value;
    std::memcpy(p.reference_point, r.reference_point, sizeof p.reference_point);
    std::memcpy(p.reference_direction, r.reference_direction, sizeof p.reference_direction);
    std::memcpy(p.second_direction, r.second_direction, sizeof p.second_direction);
    p.mapping_value_1 = r.mapping[0];
    p.mapping_value_2 = r.mapping[1];
    std::memcpy(p.tolerances, r.tolerances, sizeof p.tolerances);
    p.option_1 = r.option_1;
    p.tolerance_preset = r.tolerance_preset;
    int* const options[9] = {&p.option_2, &p.option_3, &p.option_4, &p.option_5, &p.option_6,
                             &p.option_7, &p.option_8, &p.option_9, &p.option_10};
    for (int i = 0; i < 9; ++i) *options[i] = r.options[i];
    p.display_mode = r.display_mode;
}

bool same(double a, double b) { return std::fabs(a - b) <= kSlack; }
bool same3(const double* a, const double* b) { return same(a[0], b[0]) && same(a[1], b[1]) && same(a[2], b[2]); }

bool is_model_bounds(tag object) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    return type == HOST_TYPE_BOUNDS && subtype == HOST_SUBTYPE_MODEL_BOUNDS;
}

// An ask routine that reads one value: clears and checks the output (after
// the active part, where one is needed), then stores what `value` yields.
template <class T, class Value>
int ask_one(T* out, bool needs_part, Value value) {
    return kx::frame(
        [&] {
            kx::clear(out);
            if (needs_part) {
                if (int st = no_active_part()) return st;
            }
            return kx::check({{out, 1}});
        },
        [&] {
            *out = value();
            return 0;
        });
}

// A set routine whose only argument check is `ok` (argument 1) and whose work
// is `apply`, which cannot fail.
template <class Apply>
int set_one(bool ok, Apply apply) {
    return kx::frame(
        [&] {
            return kx::check({{ok, 1}});
        },
        [&] {
            apply();
            return 0;
        });
}

// The status of one bit of the name settings: shown when the bit reads as
// `shown_when_set`.
int ask_name_status(int* status, int bit, bool shown_when_set) {
    return ask_one(status, true, [&] { return ((DISPLAY_ask_name_settings() & bit) != 0) == shown_when_set ? 1 : 0; });
}

int set_name_status(int status, int bit, bool set_means_one) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            return kx::check({{in(status, 0, 1), 1}});
        },
        [&] {
            int word = DISPLAY_ask_name_settings();
            const bool set = set_means_one ? status == 1 : status == 0;
            word = set ? (word | bit) : (word & ~bit);
            DISPLAY_set_name_settings(word);
            return 0;
        });
}

}  // namespace

// ---- Colours ----

KXAPI int KX_DISP_ask_color_count(int* count) {
    return kx::frame(
        [&] {
            kx::clear(count);
            if (int st = no_active_part()) return st;
            return kx::check({{count, 1}});
        },
        [&] {
            *count = UICO_ask_color_count();
            return 0;
        });
}

KXAPI int KX_DISP_ask_color(int color, int model, char* name, double values[3]) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            return kx::check({{in(model, 0, 2), 2}, {name, 3}, {values, 4}});
        },
        [&] {
            if (!in(color, 0, UICO_ask_color_count() - 1)) return kx::param(1);
            UICO_ask_color(color, model, name, values);
            return 0;
        });
}

KXAPI int KX_DISP_set_color(int color, int model, const char* name, const double values[3]) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            if (!in(model, 0, 2)) return kx::param(2);
            // The background (colour 0) may keep its name; every name is held
            // within the host's 32 characters.
            if ((color != 0 && !name) ||
                (name && strnlen(name, KX_DISP_MAX_COLOR_NAME_LEN + 1) > KX_DISP_MAX_COLOR_NAME_LEN))
                return kx::param(3);
            return kx::check({{values_ok(model, values), 4}});
        },
        [&] {
            if (!in(color, 0, UICO_ask_color_count() - 1)) return kx::param(1);
            UICO_set_color(color, model, name, values);
            return 0;
        });
}

KXAPI int KX_DISP_ask_closest_color(int model, const double values[3], int method, int* color) {
    return kx::frame(
        [&] {
            kx::clear(color);
            if (int st = no_active_part()) return st;
            return kx::check({{in(model, 0, 2), 1}, {values_ok(model, values), 2}, {method == 1, 3}, {color, 4}});
        },
        [&] {
            *color = UICO_ask_closest_color(model, values, method);
            return 0;
        });
}

// ---- System parameters ----

KXAPI int KX_DISP_ask_system_parameters(display_system_parameters* p) {
    return kx::frame(
        [&] {
            if (int st = no_root_part()) return st;
            return kx::check({{p, 1}});
        },
        [&] {
            *p = display_system_parameters{};
            p->curve_tolerance = DISPLAY_ask_curve_tol();
            p->pattern_value_1 = DISPLAY_ask_pattern_value(1);
            p->pattern_value_2 = DISPLAY_ask_pattern_value(2);
            p->scale_value = DISPLAY_ask_scale_value();
            int setting = 0;
            double tol[3] = {};
            DISPLAY_ask_shaded_tol(&setting, tol);
            p->shaded_tolerance_1 = tol[0];
            p->shaded_tolerance_2 = tol[1];
            p->shaded_angle_tolerance = tol[2];
            p->system_color = DISPLAY_ask_system_color();
            p->font_mode = DISPLAY_ask_font_mode() + 1;
            const int word = DISPLAY_ask_settings_word();
            p->flag_setting_1 = (word & 0x1) ? 1 : 2;
            p->flag_setting_2 = (word & kSettingFlag2) ? 1 : 2;
            p->show_face_edges = DISPLAY_ask_show_face_edges() ? 1 : 0;
            p->hidden_face_edges = DISPLAY_ask_hidden_face_edges();
            return 0;
        });
}

KXAPI int KX_DISP_set_system_parameters(const display_system_parameters* p) {
    return kx::frame(
        [&] {
            if (int st = no_root_part()) return st;
            return kx::check({{p && system_parameters_ok(*p), 1}});
        },
        [&] {
            int setting = 0;
            DISPLAY_unmap_shaded_tol(p->shaded_tolerance_1, p->shaded_tolerance_2, p->shaded_angle_tolerance, &setting);
            DISPLAY_set_system_color(p->system_color);
            const int color = DISPLAY_ask_system_color();
            gt363_(&color);
            clr033_();
            if (p->font_mode != 0) DISPLAY_set_font_mode(p->font_mode - 1);
            if (p->flag_setting_1 != 0) {
                const int word = DISPLAY_ask_settings_word();
                DISPLAY_set_settings_word(p->flag_setting_1 == 1 ? word | kSettingFlag1 : word & ~kSettingFlag1);
                const int erase = 2, draw = 1;
                gt630_(&erase);
                gt630_(&draw);
            }
            if (p->flag_setting_2 != 0) {
                const int word = DISPLAY_ask_settings_word();
                DISPLAY_set_settings_word(p->flag_setting_2 == 1 ? word | kSettingFlag2 : word & ~kSettingFlag2);
            }
            if (p->curve_tolerance > 0) DISPLAY_set_curve_tol(p->curve_tolerance);
            if (p->font_mode == 1) {
                if (p->pattern_value_1 > 0) DISPLAY_set_pattern_value(1, p->pattern_value_1);
                if (p->pattern_value_2 > 0) DISPLAY_set_pattern_value(2, p->pattern_value_2);
            }
            DISPLAY_set_scale_value(p->scale_value);
            DISPLAY_set_show_face_edges(p->show_face_edges);
            DISPLAY_set_hidden_face_edges(p->hidden_face_edges);
            DISPLAY_set_shaded_tol(setting, p->shaded_tolerance_1, p->shaded_tolerance_2, p->shaded_angle_tolerance);
            return 0;
        });
}

// ---- Surface analysis ----

KXAPI int KX_DISP_ask_srfanl_params(surface_analysis_parameters* p) {
    return kx::frame(
        [&] {
            if (int st = no_root_part()) return st;
            return kx::check({{p, 1}});
        },
        [&] {
            SRFANL_rec_t r{};
            SRFANL_read_rec(&r);
            from_host(r, *p);
            if (!nonzero(p->reference_point) && !nonzero(p->reference_direction)) p->reference_direction[2] = 1.0;
            if (!nonzero(p->second_direction)) p->second_direction[2] = 1.0;
            return 0;
        });
}

KXAPI int KX_DISP_set_srfanl_params(surface_analysis_parameters* p) {
    return kx::frame(
        [&] { return no_root_part(); },
        [&] {
            if (!p) return kx::param(1);
            SRFANL_rec_t now{};
            SRFANL_read_rec(&now);
            if (p->display_mode != now.display_mode &&
                (p->display_mode == kReflectionLines || p->display_mode == kContourLines) && RTENV_ask_env() != 1 &&
                !DSS_DVC_is_texture_mapping())
                return p->display_mode == kReflectionLines ? int{KX_DISP_ERR_REFLECTION_LINES_DISPLAY_UNSUPPORTED}
                                                           : int{KX_DISP_ERR_CONTOUR_LINES_DISPLAY_UNSUPPORTED};
            if (!analysis_ok(*p)) return kx::param(1);
            if (p->tolerance_preset != kOwnTolerances) DISPLAY_map_analysis_tol(p->tolerance_preset, p->tolerances);
            SRFANL_rec_t next{};
            to_host(*p, next);
            const bool regen = next.display_mode != now.display_mode || next.option_1 != now.option_1 ||
                               next.tolerance_preset != now.tolerance_preset ||
                               !same3(next.reference_point, now.reference_point) ||
                               !same3(next.reference_direction, now.reference_direction) ||
                               !same3(next.second_direction, now.second_direction);
            bool atts = next.display_mode != now.display_mode || !same(next.analysis_value, now.analysis_value);
            for (int i = 0; i < 9; ++i) atts = atts || next.options[i] != now.options[i];
            const bool mappings = !same(next.mapping[0], now.mapping[0]) || !same(next.mapping[1], now.mapping[1]);
            SRFANL_write_rec(&next);
            if (regen) DSS_SRF_regen_all_anal_faces();
            if (atts) DSS_SRF_update_display_atts();
            if (mappings && !regen) DSS_SRF_update_mappings();
            return 0;
        });
}

// ---- Names ----

KXAPI int KX_DISP_ask_name_display_status(int* status) { return ask_name_status(status, kNamesShown, true); }

KXAPI int KX_DISP_set_name_display_status(int status) { return set_name_status(status, kNamesShown, true); }

KXAPI int KX_DISP_ask_name_view_status(int* status) {
    return ask_name_status(status, kNamesWorkViewOnly, false);
}

KXAPI int KX_DISP_set_name_view_status(int status) {
    return set_name_status(status, kNamesWorkViewOnly, false);
}

// ---- Work plane ----

KXAPI int KX_DISP_ask_work_plane_emphasis(logical* flag) {
    return ask_one(flag, false, [] { return DISPLAY_ask_work_plane_emphasis() ? 1 : 0; });
}

KXAPI int KX_DISP_set_work_plane_emphasis(logical flag) {
    return kx::frame(
        [&] {
            return kx::check({{flag <= 1, 1}});
        },
        [&] {
            if ((DISPLAY_ask_work_plane_emphasis() != 0) == (flag == 1)) return 0;
            DISPLAY_set_work_plane_emphasis(flag);
            if (CONTEXT_ask_active_part_exists() && DSS_ask_suppress_display() == kShown)
                DSS_update_work_plane_emphasis(flag);
            return 0;
        });
}

KXAPI int KX_DISP_ask_work_plane_sel(logical* flag) {
    return ask_one(flag, false, [] { return DISPLAY_ask_work_plane_sel() ? 1 : 0; });
}

KXAPI int KX_DISP_set_work_plane_sel(logical flag) {
    return set_one(flag <= 1, [&] { DISPLAY_set_work_plane_sel(flag); });
}

KXAPI int KX_DISP_ask_work_plane_dim_clr(int* color) {
    return ask_one(color, false, [] {
        const int c = DSS_HILT_ask_work_plane_dim_clr();
        return c < 1 ? 1 : c > 216 ? 216 : c;
    });
}

KXAPI int KX_DISP_set_work_plane_dim_clr(int color) {
    return set_one(in(color, 1, 216), [&] { DSS_HILT_set_work_plane_dim_clr(color); });
}

// ---- Display suppression and refresh ----

KXAPI int KX_DISP_ask_display(int* flag) {
    return kx::frame(
        [&] {
            return kx::check({{flag, 1}});
        },
        [&] {
            *flag = DSS_ask_suppress_display() == kSuppressed ? 0 : 1;
            return 0;
        });
}

KXAPI int KX_DISP_set_display(int flag) {
    return kx::frame(
        [&] {
            return kx::check({{in(flag, 0, 1), 1}});
        },
        [&] {
            if (RTENV_ask_env() != 1) DSS_set_suppress_display(flag == 0 ? kSuppressed : kShown);
            return 0;
        });
}

KXAPI int KX_DISP_refresh(void) {
    return kx::frame(kx::bare, [&] {
        DSS_refresh_display();
        return 0;
    });
}

KXAPI int KX_DISP_make_display_up_to_date(void) {
    return kx::frame([&] {
        DSS_update_ws_if_needed();
        return 0;
    });
}

KXAPI int KX_DISP_set_highlight(tag object, int flag) {
    return kx::frame([&] {
        if (!live(object)) return kx::param(1);
        int type = 0, subtype = 0;
        RM_ask_entity_type_and_subtype(object, &type, &subtype);
        if (type == HOST_TYPE_FEATURE) {
            if (flag == 1) MODL_highlight_frec(object);
            else MODL_unhighlight_frec(object);
        } else if (flag == 1) {
            DSS_HILT_highlight_object(object);
        } else {
            DSS_HILT_unhighlight_object(object);
        }
        return 0;
    });
}

// ---- Model bounds ----

KXAPI int KX_DISP_ask_model_bounds(tag bounds_object, double bounds[6]) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            return kx::check({{bounds_object != NULL_TAG, 1}, {bounds, 2}});
        },
        [&] {
            if (!live(bounds_object) || !is_model_bounds(bounds_object)) return kx::param(1);
            MDL_BND_ask_model_bounds(bounds_object, bounds);
            return 0;
        });
}

KXAPI int KX_DISP_ask_model_bounds_tag(tag* bounds_object) {
    return kx::frame(
        [&] {
            kx::clear(bounds_object);
            if (int st = no_active_part()) return st;
            return kx::check({{bounds_object, 1}});
        },
        [&] {
            *bounds_object = MDL_BND_ask_model_bounds_object();
            return 0;
        });
}

KXAPI int KX_DISP_compute_model_bounds(logical* found, int store) {
    return kx::frame(
        [&] {
            kx::clear(found);
            if (int st = no_active_part()) return st;
            return kx::check({{found, 1}});
        },
        [&] {
            *found = MDL_BND_compute_model_bounds(0, store);
            return 0;
        });
}

KXAPI int KX_DISP_set_model_bounds(tag bounds_object, const double bounds[6]) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            return kx::check({{bounds_object != NULL_TAG, 1}});
        },
        [&] {
            if (!bounds) return kx::param(2);
            for (int i = 0; i < 6; ++i)
                if (!(std::fabs(bounds[i]) <= kMaxBound)) return kx::param(2);
            for (int i = 0; i < 3; ++i)
                if (bounds[2 * i] > bounds[2 * i + 1]) return kx::param(2);
            if (!live(bounds_object) || !is_model_bounds(bounds_object)) return kx::param(1);
            MDL_BND_set_model_bounds(bounds_object, bounds);
            return 0;
        });
}

// ---- View regeneration ----

KXAPI int KX_DISP_regenerate_view(tag view) {
    int saved = -1;  // the suppression state, put back also when the host fails
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (saved < 0) return;
            kx::frame_scope scope;
            try {
                DSS_set_suppress_display(saved);
            } catch (const host::HostError& e) {
                if (!scope.caught(e)) throw;
            }
        }),
        [&] {
            if (int st = no_active_part()) return st;
            return kx::check({{view != NULL_TAG, 1}});
        },
        [&] {
            if (!live(view) || RM_ask_entity_type(view) != HOST_TYPE_VIEW) return kx::param(1);
            const tag layout = DISPLAY_ask_current_layout();
            const int sequence = layout == NULL_TAG ? 0 : DISPLAY_ask_vseq_of_tag(layout, view);
            if (sequence == 0) return kx::param(1);
            saved = DSS_ask_suppress_display();
            const int minus = -sequence;
            gt660_(&minus);
            DSS_set_suppress_display(saved);
            saved = -1;
            return 0;
        });
}
