// Face blends: the caller's face-blend records converted to and from the
// host's face-blend data, the blend feature made from them, and the values
// of the radius laws that a face blend keeps.
#include <array>
#include <cstring>

#include "kx_modl_blend.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_modl_gen_pktpad.h"

#include "host/blend/face_blend.h"
#include "host/data/parts.h"
#include "host/data/rm.h"
#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/numeric/tolerances.h"
#include "host/services/error.h"
#include "host/services/memory.h"

namespace {

constexpr const char* kDefaultRadius = "0.25";
constexpr int kCurveType = 70;

// Trim options by the caller's number.
constexpr std::array<int, 6> kTrim = {BLEF_TRIM_NONE,     BLEF_TRIM_ALL,    BLEF_TRIM_ALL_SHORT,
                                      BLEF_TRIM_ALL_LONG, BLEF_TRIM_SECOND, BLEF_TRIM_FIRST};

// Radius types by the caller's number: law flag, variation, kind.
struct RadiusType {
    int law_flag, variation, kind;
};
constexpr std::array<RadiusType, 9> kRadiusTypes = {
    {{0, 0, 0}, {0, 0, 2}, {0, 0, 1}, {1, 0, 3}, {1, 0, 4}, {0, 1, 2}, {0, 3, 2}, {1, 1, 5}, {1, 1, 6}}};

// The host's face-blend data, released on every way out.
struct HostData {
    BLEF_ui_data_t data{};
    HostData() { BLEF_init_ui_data(&data); }
    ~HostData() {
        kx::release([&] { BLEF_clean_ui_data(&data); });
    }
    HostData(const HostData&) = delete;
    HostData& operator=(const HostData&) = delete;
};

bool bad_set(const tag* items, int n) { return n < 0 || (n > 0 && !items); }

// Checks of the caller's face sets before any host call.
int check_sets(const face_blend_data* d) {
    if (!d || d->number_of_faces_1 < 1 || d->number_of_faces_2 < 1 || !d->faces_1 || !d->faces_2 ||
        bad_set(d->aux_objects, d->number_of_aux_objects) || bad_set(d->curves, d->number_of_curves) ||
        bad_set(d->radius_objects, d->number_of_radius_objects))
        return KX_MODL_ERR_BLEND_NO_FACES;
    return 0;
}

// Curves go to slot 0 of a group when the first is of the curve entity
// type, else to slot 1.
void put_curves(BLEF_ui_data_t* h, int group, int n, const tag* items) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(items[0], &type, &subtype);
    const int slot = type == kCurveType ? 0 : 1;
    SM_free(h->curves[group][slot]);
    auto* copy = static_cast<unsigned int*>(SM_alloc(static_cast<std::size_t>(n) * sizeof(unsigned int)));
    std::memcpy(copy, items, static_cast<std::size_t>(n) * sizeof(unsigned int));
    h->curves[group][slot] = copy;
    h->number_of_curves[group][slot] = n;
}

// A caller's law into a law slot. A plain expression text in laws[1] or
// laws[2] is taken as a constant law of that text, and those laws lose
// their spine.
void put_law(BLEF_ui_data_t* h, int slot, const KX_MODL_parm* parm, bool plain_as_constant) {
    KX_MODL_parm constant{};
    KX_MODL_law law{};
    if (plain_as_constant && parm->method == 0) {
        law.method = 0;
        std::memcpy(law.u.values.start_value, parm->u.expression, sizeof law.u.values.start_value);
        law.u.values.start_value[KX_MODL_VALUE_TEXT - 1] = '\0';
        constant.method = 2;
        constant.u.law = &law;
        parm = &constant;
    }
    char text[KX_MODL_VALUE_TEXT];
    host_law* made = nullptr;
    kx::law::create_law_from_parm(parm, text, &made);
    if (!made) ERROR_raise("kx_modl_face_blend", __LINE__, KX_MODL_ERR_BLEND_FACE_DATA, "");
    if (plain_as_constant) made->spine = 0;
    BLEF_free_law(h->laws[slot]);
    h->laws[slot] = made;
}

// The value of an expression text in the work part; false when it is none.
bool value_of(const char* text, double* value) {
    return EXP_ask_value_of_exp_str(CONTEXT_ask_work_part(), text, value) == 0;
}

void copy_text(char (&to)[BLEF_TEXT_CHARS], const char* from) {
    const std::size_t n = strnlen(from, BLEF_TEXT_CHARS - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

// The caller's record into the host data; a status for a record that does
// not fit its radius type.
int record_to_host(const face_blend_data& d, const face_blend_limits* limits, BLEF_ui_data_t* h) {
    h->flags[0] = d.flag_1 == 0 ? 1 : 0;
    h->flags[1] = d.flag_2 == 0 ? 1 : 0;
    h->flags[2] = d.flag_3;
    h->flags[3] = d.flag_4 == 0 ? 1 : 0;
    h->flags[4] = d.flag_5;
    if (d.radius_type < 0 || d.radius_type > 8) return KX_MODL_ERR_BLEND_RADIUS_TYPE;
    if (d.trim_option < 0 || d.trim_option > 5) return KX_MODL_ERR_BLEND_FACE_DATA;
    const RadiusType t = kRadiusTypes[static_cast<std::size_t>(d.radius_type)];
    h->law_flag = t.law_flag;
    h->variation = t.variation;
    h->kind = t.kind;
    h->trim_option = kTrim[static_cast<std::size_t>(d.trim_option)];
    BLEF_fill_faces_set(h, 0, d.number_of_faces_1, d.faces_1);
    BLEF_fill_faces_set(h, 1, d.number_of_faces_2, d.faces_2);
    if (!BLEF_is_trim_option_valid(h->trim_option, h)) return KX_MODL_ERR_BLEND_FACE_DATA;
    if (d.number_of_aux_objects != 0) {
        const auto n = static_cast<std::size_t>(d.number_of_aux_objects);
        h->aux_objects = static_cast<unsigned int*>(SM_alloc(n * sizeof(unsigned int)));
        std::memcpy(h->aux_objects, d.aux_objects, n * sizeof(unsigned int));
        h->number_of_aux_objects = d.number_of_aux_objects;
    }
    if (d.number_of_curves == 0) {
        if (t.kind == 1 || t.kind == 5 || t.kind == 6) return KX_MODL_ERR_BLEND_FACE_DATA;
    } else {
        put_curves(h, (t.kind == 3 || t.kind == 4) && d.flag_4 == 0 ? 1 : 0, d.number_of_curves, d.curves);
    }
    if (t.kind == 5 || t.kind == 6) {
        if (d.number_of_radius_objects == 0) return KX_MODL_ERR_BLEND_FACE_DATA;
        put_curves(h, 1, d.number_of_radius_objects, d.radius_objects);
    }
    const char* tolerance = d.tolerance ? d.tolerance : "";
    double value = 0;
    if (strnlen(tolerance, BLEF_TEXT_CHARS) >= BLEF_TEXT_CHARS || !value_of(tolerance, &value) || value < 0)
        return KX_MODL_ERR_BLEND_TOLERANCE;
    copy_text(h->tolerance, tolerance);
    KX_MODL_parm* const* laws = d.laws;
    const auto law = [&](int i) { return laws ? laws[i] : nullptr; };
    switch (t.kind) {
        case 0: {
            const char* radius = d.radius ? d.radius : kDefaultRadius;
            if (strnlen(radius, BLEF_TEXT_CHARS) >= BLEF_TEXT_CHARS || !value_of(radius, &value) || !(value > 0))
                return KX_MODL_ERR_BLEND_RADIUS;
            copy_text(h->radius, radius);
            break;
        }
        case 2:
            if (!law(0)) return KX_MODL_ERR_BLEND_RADIUS;
            put_law(h, 0, law(0), false);
            break;
        case 3:
        case 4:
        case 6:
            if (t.kind == 3) {
                if (!law(2)) return KX_MODL_ERR_BLEND_FACE_DATA;
                put_law(h, 0, law(2), true);
            }
            if (!law(0) || !law(1)) return KX_MODL_ERR_BLEND_FACE_DATA;
            put_law(h, 1, law(0), false);
            put_law(h, 2, law(1), true);
            break;
        case 5:
            if (!law(0)) return KX_MODL_ERR_BLEND_FACE_DATA;
            put_law(h, 1, law(0), false);
            break;
        default: break;
    }
    if (limits && d.trim_option > 1) {
        const std::array<std::pair<logical, const double*>, 3> blocks = {{{limits->active_1, limits->values_1},
                                                                          {limits->active_2, limits->values_2},
                                                                          {limits->active_3, limits->values_3}}};
        constexpr std::array<int, 3> at = {0, 6, 12}, count = {6, 6, 3};
        for (std::size_t b = 0; b < 3; ++b) {
            h->limits_active[b] = blocks[b].first;
            if (blocks[b].first) std::memcpy(h->limits + at[b], blocks[b].second, sizeof(double) * count[b]);
        }
    }
    return 0;
}

}  // namespace

extern "C" KXAPI int KX_MODL_init_face_blend_data(face_blend_data* data) {
    return kx::frame(
        kx::Opts{.check_init = false},
        [&] {
            return kx::check({{data, 1}});
        },
        [&] {
            std::memset(data, 0, sizeof *data);
            data->flag_4 = data->flag_5 = 1;
            char text[EXP_VALUE_CHARS];
            EXP_format_value(srfc1_[0], text);
            // Each record has texts of its own: the caller frees them.
            data->tolerance = static_cast<char*>(SM_alloc(std::strlen(text) + 1));
            std::strcpy(data->tolerance, text);
            data->radius = static_cast<char*>(SM_alloc(std::strlen(kDefaultRadius) + 1));
            std::strcpy(data->radius, kDefaultRadius);
            return 0;
        });
}

extern "C" KXAPI int KX_MODL_create_face_blend(const face_blend_data* data, const face_blend_limits* limits,
                                               tag* feature, int* count_1, tag** result_1, int* count_2,
                                               tag** result_2) {
    return kx::frame(
        kx::Opts{.check_init = false, .acknowledge = kx::every_code},
        [&] {
            kx::clear(feature, count_1, result_1, count_2, result_2);
            if (int st = kx::check({{feature, 3}})) return st;
            return check_sets(data);
        },
        [&] {
            return kx::create_bracketed(1, feature, [&] {
                HostData host;
                if (int st = record_to_host(*data, limits, &host.data)) return st;
                tag made = NULL_TAG;
                int error = 0;
                BLEF_create_feature(&host.data, &made, &error);
                if (error != 0) return error;
                *feature = made;
                return 0;
            });
        });
}

namespace {

int check_face_blend(tag feature) {
    if (feature == NULL_TAG) return KX_MODL_ERR_BAD_FLAG;
    if (!BLEF_is_face_blend(feature)) return KX_MODL_ERR_WRONG_OBJECT;
    return 0;
}

int ask_law_radii(tag feature, int slot, double** radii, int* count) {
    return kx::frame(
        [&] {
            kx::clear(radii, count);
            return kx::check({{radii, 2}, {count, 3}});
        },
        [&] {
            if (int st = check_face_blend(feature)) return st;
            BLEF_ask_law_reals(feature, slot, count, radii);
            return *count == 0 ? static_cast<int>(KX_MODL_ERR_BLEND_LAW) : 0;
        });
}

int set_law_radii(tag feature, int slot, const double* radii, int count) {
    return kx::frame([&] { return count > 0 && !radii ? kx::param(2) : 0; },
                     [&] {
                         if (int st = check_face_blend(feature)) return st;
                         if (BLEF_set_law_reals(feature, slot, count, radii) != 0)
                             return static_cast<int>(KX_MODL_ERR_BLEND_LAW);
                         UPDATE_log_object_to_update(feature);
                         return 0;
                     });
}

}  // namespace

extern "C" KXAPI int KX_MODL_ask_face_blend_law_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 0, radii, count);
}
extern "C" KXAPI int KX_MODL_ask_face_blend_law_range1_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 1, radii, count);
}
extern "C" KXAPI int KX_MODL_ask_face_blend_law_range2_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 2, radii, count);
}
extern "C" KXAPI int KX_MODL_set_face_blend_law_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 0, radii, count);
}
extern "C" KXAPI int KX_MODL_set_face_blend_law_range1_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 1, radii, count);
}
extern "C" KXAPI int KX_MODL_set_face_blend_law_range2_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 2, radii, count);
}
