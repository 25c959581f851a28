// Object display properties (layer, colour, font, width, blank status,
// highlight, face analysis, partial shading), the general creation
// defaults and the creation settings of entity types.
#include <cstring>

#include "kx_disp.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/obj/kx_disp_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/defaults.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"

namespace {

constexpr int kBadTag = KX_ERR_BAD_PARAM_1;
constexpr int kNoActivePart = KX_OBJ_ERR_NO_ACTIVE_PART;
constexpr int kNoSetting = KX_OBJ_ERR_NO_DISPLAY_SETTING;
constexpr int kBadType = KX_OBJ_ERR_BAD_DISPLAY_TYPE;
constexpr int kShadedStyle = HOST_VIEW_STYLE_PARTIALLY_SHADED;

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool alive(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

// Argument checks of the setters: a null tag (1105004), then the value's
// range (1105005). No host call.
int check_value(tag object, bool value_ok) { return kx::check({{object != NULL_TAG, 1}, {value_ok, 2}}); }

// One change of colour, font or width through the host's change record.
void change_cfw(tag object, int value, int which) {
    ES_cfw_change_t change{};
    if (which == 0) change.color = value, change.change_color = 1;
    if (which == 1) change.font = value, change.change_font = 1;
    if (which == 2) change.width = value, change.change_width = 1;
    ES_change_color_font_width(object, &change);
}

unsigned char move_member_to_layer(unsigned int member, void* layer) {
    ES_layer_move_entity(member, *static_cast<int*>(layer));
    return false;
}

void apply_blank(unsigned int object, int status) {
    ES_write_blank_status(object, status);
    SOLVIEW_mark_visibility_changed(object, 0);
    DSS_REGEN_regen_object(object);
    if (OCC_is_occurrence(object) && RM_ask_entity_type(object) == HOST_TYPE_COMPONENT)
        OCC_redraw_part_occ_and_reps(object, 1, 0);
}

unsigned char blank_member(unsigned int member, void* status) {
    apply_blank(member, *static_cast<int*>(status));
    return false;
}

// The object and its members (of a sketch or a group) in one display batch.
void blank_in_batch(tag object, int blank_status) {
    d7390_();
    try {
        apply_blank(object, blank_status);
        const int type = RM_ask_entity_type(object);
        if (type == HOST_TYPE_SKETCH) ES_loop_over_sketch(object, 7, blank_member, &blank_status);
        if (type == HOST_TYPE_GROUP) ES_loop_over_group(object, 1, blank_member, &blank_status);
    } catch (...) {
        // The batch is closed on every way out, so that the host's display
        // does not stay held.
        kx::release([] { d7392_(); }, true);
        throw;
    }
    d7392_();
}

unsigned char find_shading_view(unsigned int view, void* found, const int* record) {
    if (record[3] == kShadedStyle) {
        int flag = 0, other = 0;
        ES_ask_view_surface_data(view, &flag, &other);
        if (flag == 1) {
            *static_cast<int*>(found) = 1;
            return false;
        }
    }
    return true;
}

// The faces that a face or a body stands for: the face alone, or every face
// of the body (a host array, freed with the holder).
class Faces {
public:
    Faces(tag object, bool body) : one_(object) {
        if (!body) return;
        unsigned int* raw = nullptr;
        PX_body_ask_faces_sm(object, &count_, &raw);
        body_faces_.reset(raw);
    }
    const unsigned int* data() const { return body_faces_ ? body_faces_.get() : &one_; }
    int size() const { return count_; }

private:
    unsigned int one_;
    int count_ = 1;
    kx::host_ptr<unsigned int> body_faces_;
};

}  // namespace

// ---- Display properties --------------------------------------------------------

KXAPI int KX_OBJ_ask_display_properties(tag object, display_properties* properties) {
    return kx::frame(
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {properties, 2}});
        },
        [&] {
            std::memset(properties, 0, sizeof *properties);
            properties->layer = ES_ask_entity_layer(object);
            const int color = ES_ask_entity_color(object);
            properties->color = in(color, 1, 216) ? color : 11;
            properties->highlight_status = ES_is_highlit(object) ? 1 : 0;
            properties->blank_status = ES_is_blanked(object) ? 1 : 0;
            const int width = ES_ask_line_width(object);
            properties->line_width = in(width, 0, 2) ? width : 0;
            const int font = ES_ask_line_font(object);
            properties->font = in(font, 1, 7) ? font : 1;
        });
}

KXAPI int KX_OBJ_set_color(tag object, int color) {
    return kx::frame([&] { return check_value(object, in(color, 1, 216)); },
                     [&] {
                         return kx::edit_with_tail([&] {
                             change_cfw(object, color, 0);
                             DSS_REGEN_regen_object(object);
                         });
                     });
}

KXAPI int KX_OBJ_set_font(tag object, int font) {
    return kx::frame([&] { return check_value(object, in(font, 1, 7)); },
                     [&] {
                         return kx::edit_with_tail([&] {
                             change_cfw(object, font, 1);
                             DSS_REGEN_regen_object(object);
                         });
                     });
}

KXAPI int KX_OBJ_set_line_width(tag object, int width) {
    return kx::frame([&] { return check_value(object, in(width, 0, 2)); },
                     [&] {
                         return kx::edit_with_tail([&] {
                             change_cfw(object, width, 2);
                             if (DISPLAY_is_width_display()) DSS_REGEN_regen_object(object);
                         });
                     });
}

KXAPI int KX_OBJ_set_layer(tag object, int layer) {
    return kx::frame([&] { return check_value(object, in(layer, 1, 256)); },
                     [&] {
                         if (ES_ask_entity_layer(object) > 256) return 0;
                         return kx::edit_with_tail([&] {
                             const int type = RM_ask_entity_type(object);
                             if (type != HOST_TYPE_SOLVER_VERTEX) ES_layer_move_entity(object, layer);
                             if (type == HOST_TYPE_SKETCH)
                                 ES_loop_over_sketch(object, 70, move_member_to_layer, &layer);
                         });
                     });
}

KXAPI int KX_OBJ_set_blank_status(tag object, int blank_status) {
    return kx::frame([&] { return check_value(object, blank_status == 0 || blank_status == 1); },
                     [&] { return kx::edit_with_tail([&] { blank_in_batch(object, blank_status); }); });
}

KXAPI int KX_OBJ_reverse_blank_all(void) {
    // The host reverses object by object: a failure part way takes the
    // objects reversed before it back.
    return kx::frame(kx::no_check, [&] { return kx::edit_with_tail([] { DSS_ATTR_reverse_blank(); }); });
}

KXAPI int KX_OBJ_set_face_analysis(tag object, int value) {
    return kx::frame([&] { return alive(object) ? 0 : kBadTag; },
                     [&] {
                         int type = 0, subtype = 0;
                         RM_ask_entity_type_and_subtype(object, &type, &subtype);
                         if (type != HOST_TYPE_SOLID || (subtype != HOST_SUBTYPE_BODY && subtype != HOST_SUBTYPE_FACE))
                             return kBadTag;
                         return kx::edit_with_tail([&] {
                             const Faces faces(object, subtype == HOST_SUBTYPE_BODY);
                             if (RTENV_ask_env() != RTENV_KIND_USER_PROGRAM)
                                 DSS_SRF_change_face_attr(faces.data(), faces.size(), value);
                             for (int i = 0; i < faces.size(); ++i) ES_write_srfanl(faces.data()[i], value);
                         });
                     });
}

namespace {

// The two queries of a face's value: the object's type and subtype decide
// whether the host's reader is asked.
int read_face_value(tag object, int* value, bool (*accepts)(int type, int subtype),
                    void (*reader)(unsigned int, int*)) {
    return kx::frame(
        [&] {
            return alive(object) ? kx::check({{value, 2}}) : kBadTag;
        },
        [&] {
            int type = 0, subtype = 0;
            RM_ask_entity_type_and_subtype(object, &type, &subtype);
            if (!accepts(type, subtype)) return kBadTag;
            reader(object, value);
            return 0;
        });
}

}  // namespace

KXAPI int KX_OBJ_ask_face_analysis(tag object, int* value) {
    // Refused is only what is neither a solid nor of subtype 2; the host's
    // reader decides on the rest.
    return read_face_value(
        object, value, [](int type, int subtype) { return type == HOST_TYPE_SOLID || subtype == HOST_SUBTYPE_FACE; },
        ES_read_srfanl);
}

KXAPI int KX_OBJ_set_partially_shaded(tag object, int value) {
    return kx::frame([&] { return alive(object) ? 0 : kBadTag; },
                     [&] {
                         int type = 0, subtype = 0;
                         RM_ask_entity_type_and_subtype(object, &type, &subtype);
                         const bool face = type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_FACE;
                         const bool body = type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_BODY;
                         if (!face && !body && type != HOST_TYPE_FACETED) return kBadTag;
                         return kx::edit_with_tail([&] {
                             const Faces faces(object, body);
                             for (int i = 0; i < faces.size(); ++i) ES_write_shaded(faces.data()[i], value);
                             if (RTENV_ask_env() != RTENV_KIND_USER_PROGRAM) {
                                 int found = 0;
                                 DSS_VIEW_for_all_views(1, find_shading_view, &found);
                                 if (found) gt600_(&object);
                             }
                         });
                     });
}

KXAPI int KX_OBJ_ask_partially_shaded(tag object, int* value) {
    return read_face_value(
        object, value,
        [](int type, int subtype) {
            return (type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_FACE) || type == HOST_TYPE_FACETED;
        },
        ES_read_shaded);
}

// ---- General creation defaults -----------------------------------------------------

namespace {

struct Defaults {
    int color, layer, width, font;
};

// The defaults that KX_OBJ_return_prev_defaults restores (process-wide).
constexpr Defaults kFactoryDefaults{7, 1, 0, 1};
Defaults g_saved = kFactoryDefaults;

int check_defaults(const Defaults& d) {
    auto ok = [](int v, int lo, int hi) { return v == -1 || in(v, lo, hi); };
    return kx::check(
        {{ok(d.color, 1, 216), 1}, {ok(d.layer, 1, 256), 2}, {ok(d.width, 0, 2), 3}, {ok(d.font, 1, 7), 4}});
}

void set_defaults(Defaults d) { ES_default_settings(&d.color, &d.layer, &d.width, &d.font); }

}  // namespace

extern "C" void kx_disp_reset_for_tests(void) { g_saved = kFactoryDefaults; }

KXAPI int KX_OBJ_reset_defaults(int color, int layer, int width, int font) {
    const Defaults d{color, layer, width, font};
    return kx::frame(
        kx::acknowledging, [&] { return check_defaults(d); }, [&] { set_defaults(d); });
}

KXAPI int KX_OBJ_modify_defaults(int color, int layer, int width, int font) {
    const Defaults d{color, layer, width, font};
    return kx::frame(
        kx::acknowledging, [&] { return check_defaults(d); },
        [&] {
            // The host hands the values in force back through
            // its arguments; they are kept only when it
            // succeeds, so a failed call loses no saved set.
            Defaults current{-1, -1, -1, -1};
            ES_default_settings(&current.color, &current.layer, &current.width, &current.font);
            g_saved = current;
            set_defaults(d);
        });
}

KXAPI int KX_OBJ_return_prev_defaults(void) {
    return kx::frame(
        kx::acknowledging, [] { return 0; }, [&] { set_defaults(g_saved); });
}

extern "C" KXAPI void kx5025_(int* color, int* layer, int* width, int* font) {
    if (!color || !layer || !width || !font) return;
    const Defaults d{*color, *layer, *width, *font};
    if (check_defaults(d) != 0) return;
    kx::frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code}, [&] { set_defaults(d); });
}

// ---- Creation settings of entity types -------------------------------------------

namespace {

using Setter = int (*)(int, int, int, int);

int set_creation(int type, int subtype, int selector, int value, Setter setter) {
    return kx::frame([&] { return type == 0 ? kBadType : 0; }, [&] { return setter(type, subtype, selector, value); });
}

int set_default_creation(int value, Setter setter) {
    return kx::frame([&] { return setter(0, -1, 0, value); });
}

enum Field { kColor, kFont, kWidth };

int is_default_setting(int type, int subtype, int selector, logical* is_default, Field field) {
    return kx::frame(
        [&] {
            kx::clear(is_default);
            return kx::check({{is_default, 4}});
        },
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kNoActivePart;
            if (!in(type, 1, 254)) return kBadType;
            int values[3] = {0, 0, 0};
            const int st = RM_ask_creation_display_data(CONTEXT_ask_work_part(), type, subtype, selector,
                                                        &values[kColor], &values[kFont], &values[kWidth]);
            if (st != 0) return st;
            if (values[field] == -1) return kNoSetting;
            *is_default = values[field] == KX_OBJ_CRE_DEFAULT ? 1 : 0;
            return 0;
        });
}

}  // namespace

KXAPI int KX_OBJ_ask_cre_settings(int type, int subtype, int selector, creation_settings* settings) {
    return kx::frame(
        [&] {
            return type == 0 ? kBadType : kx::check({{settings, 4}});
        },
        [&] {
            const int st = ES_ask_work_creation_disp_data(type, subtype, selector, &settings->color, &settings->font,
                                                          &settings->width);
            if (st != 0) return st;
            int* values[3] = {&settings->color, &settings->font, &settings->width};
            bool marked = false;
            for (int* v : values) marked = marked || *v == KX_OBJ_CRE_DEFAULT;
            if (!marked) return 0;
            creation_settings def{};
            const int dst = ES_ask_work_creation_disp_data(0, -1, 0, &def.color, &def.font, &def.width);
            if (dst != 0) return dst;
            const int defaults[3] = {def.color, def.font, def.width};
            for (int i = 0; i < 3; ++i)
                if (*values[i] == KX_OBJ_CRE_DEFAULT) *values[i] = defaults[i];
            return 0;
        });
}

KXAPI int KX_OBJ_set_cre_color(int type, int subtype, int selector, int color) {
    return set_creation(type, subtype, selector, color, ES_set_work_creation_color);
}

KXAPI int KX_OBJ_set_cre_line_font(int type, int subtype, int selector, int font) {
    return set_creation(type, subtype, selector, font, ES_set_work_creation_line_font);
}

KXAPI int KX_OBJ_set_cre_width(int type, int subtype, int selector, int width) {
    return set_creation(type, subtype, selector, width, ES_set_work_creation_width);
}

KXAPI int KX_OBJ_set_cre_color_to_def(int type, int subtype, int selector) {
    return set_creation(type, subtype, selector, KX_OBJ_CRE_DEFAULT, ES_set_work_creation_color);
}

KXAPI int KX_OBJ_set_cre_line_font_to_def(int type, int subtype, int selector) {
    return set_creation(type, subtype, selector, KX_OBJ_CRE_DEFAULT, ES_set_work_creation_line_font);
}

KXAPI int KX_OBJ_set_cre_width_to_def(int type, int subtype, int selector) {
    return set_creation(type, subtype, selector, KX_OBJ_CRE_DEFAULT, ES_set_work_creation_width);
}

KXAPI int KX_OBJ_ask_def_cre_settings(creation_settings* settings) {
    return kx::frame(
        [&] {
            return kx::check({{settings, 1}});
        },
        [&] { return ES_ask_work_creation_disp_data(0, -1, 0, &settings->color, &settings->font, &settings->width); });
}

KXAPI int KX_OBJ_set_def_cre_color(int color) {
    return set_default_creation(color, ES_set_work_creation_color);
}

KXAPI int KX_OBJ_set_def_cre_line_font(int font) {
    return set_default_creation(font, ES_set_work_creation_line_font);
}

KXAPI int KX_OBJ_set_def_cre_width(int width) {
    return set_default_creation(width, ES_set_work_creation_width);
}

KXAPI int KX_OBJ_is_def_cre_color(int type, int subtype, int selector, logical* is_default) {
    return is_default_setting(type, subtype, selector, is_default, kColor);
}

KXAPI int KX_OBJ_is_def_cre_line_font(int type, int subtype, int selector, logical* is_default) {
    return is_default_setting(type, subtype, selector, is_default, kFont);
}

KXAPI int KX_OBJ_is_def_cre_width(int type, int subtype, int selector, logical* is_default) {
    return is_default_setting(type, subtype, selector, is_default, kWidth);
}
