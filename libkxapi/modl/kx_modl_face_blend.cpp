// Face blends: the caller's face-blend records converted to and from the
// host's face-blend data, the blend feature made from them, and the values
// of the radius laws that a face blend keeps.
#include <array>
#include <cstring>
#include <span>
#include <utility>

#include "kx_modl_blend.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_gen_pktpad.h"

#include "host/apps/modeling/blend/face_blend.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kDefaultRadius = "0.25";
constexpr int kCurveType = 70;

// Trim options by the caller's number.
constexpr std::array<int, 6> kTrim = {BLEF_TRIM_NONE,     BLEF_TRIM_ALL,    BLEF_TRIM_ALL_SHORT,
                                      BLEF_TRIM_ALL_LONG, BLEF_TRIM_SECOND, BLEF_TRIM_FIRST};

// The three blocks of limits: where their doubles start in the host's
// limits and how many they are.
constexpr std::array<int, 3> kLimitAt = {0, 6, 12}, kLimitCount = {6, 6, 3};

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
    auto* copy = static_cast<unsigned int*>(SM_alloc(static_cast<std::size_t>(n) * sizeof(unsigned int)));
    std::memcpy(copy, items, static_cast<std::size_t>(n) * sizeof(unsigned int));
    SM_free(std::exchange(h->curves[group][slot], copy));
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

void copy_limits(const face_blend_limits* limits, int trim_option, BLEF_ui_data_t* h) {
    if (!limits || trim_option <= 1) return;
    const std::array<std::pair<logical, const double*>, 3> blocks = {{{limits->active_1, limits->values_1},
                                                                      {limits->active_2, limits->values_2},
                                                                      {limits->active_3, limits->values_3}}};
    for (std::size_t b = 0; b < 3; ++b) {
        h->limits_active[b] = blocks[b].first;
        if (blocks[b].first) std::memcpy(h->limits + kLimitAt[b], blocks[b].second, sizeof(double) * kLimitCount[b]);
    }
}

bool any_limit(const BLEF_ui_data_t& h) { return h.limits_active[0] || h.limits_active[1] || h.limits_active[2]; }

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
    copy_limits(limits, d.trim_option, h);
    return 0;
}

// The preset record. Each record has texts of its own: the caller frees
// them.
int init_record(face_blend_data* data) {
    char text[EXP_VALUE_CHARS];
    EXP_format_value(srfc1_[0], text);
    kx::host_ptr<char> tolerance(static_cast<char*>(SM_alloc(std::strlen(text) + 1)));
    std::strcpy(tolerance.get(), text);
    kx::host_ptr<char> radius(static_cast<char*>(SM_alloc(std::strlen(kDefaultRadius) + 1)));
    std::strcpy(radius.get(), kDefaultRadius);
    std::memset(data, 0, sizeof *data);
    data->flag_4 = data->flag_5 = 1;
    data->tolerance = tolerance.release();
    data->radius = radius.release();
    return 0;
}

// What a creator made: the feature, or the blend's faces and the faces
// they meet (held until handed to the caller).
struct Made {
    tag feature = NULL_TAG;
    int n_1 = 0, n_2 = 0;
    kx::host_ptr<unsigned int> faces_1, faces_2;
    void hand_over(tag* f, int* count_1, tag** result_1, int* count_2, tag** result_2) {
        *f = feature;
        if (count_1 && result_1) {
            *count_1 = n_1;
            *result_1 = faces_1.release();
        }
        if (count_2 && result_2) {
            *count_2 = n_2;
            *result_2 = faces_2.release();
        }
    }
};

// The blend made by the host from its data: a feature, or its faces.
int make(BLEF_ui_data_t* h, bool as_faces, Made* made) {
    int error = 0;
    if (as_faces) {
        unsigned int *f1 = nullptr, *f2 = nullptr;
        BLEF_create_blend(h, &made->n_1, &f1, &made->n_2, &f2, &error);
        made->faces_1.reset(f1);
        made->faces_2.reset(f2);
    } else {
        BLEF_create_feature(h, &made->feature, &error);
    }
    return error;
}

// Checks of the older creator's face sets before any host call.
int check_older_sets(const blend_faces_data* d) {
    if (!d || d->number_of_faces_1 < 1 || d->number_of_faces_2 < 1 || !d->faces_1 || !d->faces_2 ||
        bad_set(d->aux_objects, d->number_of_aux_objects) || bad_set(d->curves, d->number_of_curves))
        return KX_MODL_ERR_BLEND_NO_FACES;
    return 0;
}

// A law tag of the older creator: an expression, taken as a constant law
// of its value.
host_law* law_of_tag(tag exp) {
    if (exp == NULL_TAG || !host::objects::is_alive(exp) || OM_ask_class(exp) != OM_CLASS_EXPRESSION) return nullptr;
    double value = 0;
    if (EXP_ask_value_of_exp(exp, &value) != 0) return nullptr;
    host_law* law = BLEF_new_law();
    try {
        law->parameters = static_cast<double*>(SM_alloc(2 * sizeof(double)));
        law->values = static_cast<double*>(SM_alloc(2 * sizeof(double)));
        law->expressions = static_cast<unsigned int*>(SM_alloc(2 * sizeof(unsigned int)));
    } catch (...) {
        kx::release([&] { BLEF_free_law(law); });
        throw;
    }
    law->type = 1;
    law->n_values = 2;
    law->parameters[0] = 0;
    law->parameters[1] = 1;
    law->values[0] = law->values[1] = value;
    law->expressions[0] = exp;
    law->expressions[1] = NULL_TAG;
    return law;
}

// The older creator's record into the host data.
int older_record_to_host(const blend_faces_data& d, const face_blend_limits* limits, BLEF_ui_data_t* h) {
    h->flags[0] = d.flag_1 == 0 ? 1 : 0;
    h->flags[1] = d.flag_2 == 0 ? 1 : 0;
    h->flags[2] = d.flag_3;
    h->flags[3] = d.flag_4 == 0 ? 1 : 0;
    h->flags[4] = d.flag_5 == 0 || d.flag_5 == 1 ? d.flag_5 : 0;
    if (d.radius_type < 0 || d.radius_type > 4) return KX_MODL_ERR_BLEND_FACE_DATA;
    if (d.trim_option < 0 || d.trim_option > 5) return KX_MODL_ERR_BLEND_FACE_DATA;
    const RadiusType t = kRadiusTypes[static_cast<std::size_t>(d.radius_type)];
    h->law_flag = t.law_flag;
    h->variation = t.variation;
    h->kind = t.kind;
    h->trim_option = kTrim[static_cast<std::size_t>(d.trim_option)];
    BLEF_fill_faces_set(h, 0, d.number_of_faces_1, d.faces_1);
    BLEF_fill_faces_set(h, 1, d.number_of_faces_2, d.faces_2);
    if (!BLEF_is_trim_option_valid(h->trim_option, h)) return KX_MODL_ERR_BLEND_FACE_DATA;
    if (d.aux_objects) {
        if (d.number_of_aux_objects == 0) return KX_MODL_ERR_BLEND_AUX_COUNT;
        const auto n = static_cast<std::size_t>(d.number_of_aux_objects);
        h->aux_objects = static_cast<unsigned int*>(SM_alloc(n * sizeof(unsigned int)));
        std::memcpy(h->aux_objects, d.aux_objects, n * sizeof(unsigned int));
        h->number_of_aux_objects = d.number_of_aux_objects;
    }
    // Curves: required by type 2, refused when given with count 0 to types
    // 0 and 1 (type 2 counts them as missing), not taken by types 3 and 4.
    if (d.radius_type == 2 && (!d.curves || d.number_of_curves == 0)) return KX_MODL_ERR_BLEND_NO_CURVES;
    if (d.radius_type <= 1 && d.curves && d.number_of_curves == 0) return KX_MODL_ERR_BLEND_NO_CURVES;
    if (d.radius_type >= 3 && d.number_of_curves != 0) return KX_MODL_ERR_BLEND_FACE_DATA;
    if (d.number_of_curves > 0) put_curves(h, 0, d.number_of_curves, d.curves);
    const char* tolerance = d.tolerance ? d.tolerance : "";
    double value = 0;
    if (strnlen(tolerance, BLEF_TEXT_CHARS) >= BLEF_TEXT_CHARS || !value_of(tolerance, &value))
        return KX_MODL_ERR_BLEND_TOLERANCE;
    copy_text(h->tolerance, tolerance);
    const auto law_tag = [&](int i) { return d.law_tags ? d.law_tags[i] : NULL_TAG; };
    const auto put = [&](int slot, int i) {
        host_law* law = law_of_tag(law_tag(i));
        if (!law) return false;
        BLEF_free_law(h->laws[slot]);
        h->laws[slot] = law;
        return true;
    };
    switch (d.radius_type) {
        case 0: {
            const char* radius = d.radius ? d.radius : kDefaultRadius;
            if (strnlen(radius, BLEF_TEXT_CHARS) >= BLEF_TEXT_CHARS || !value_of(radius, &value))
                return KX_MODL_ERR_BLEND_RADIUS;
            copy_text(h->radius, radius);
            break;
        }
        case 1:
            if (!put(0, 0)) return KX_MODL_ERR_BLEND_FACE_DATA;
            break;
        case 3:
        case 4:
            if ((d.radius_type == 3) != (law_tag(2) != NULL_TAG)) return KX_MODL_ERR_BLEND_FACE_DATA;
            if (d.radius_type == 3 && !put(0, 2)) return KX_MODL_ERR_BLEND_FACE_DATA;
            if (!put(1, 0) || !put(2, 1)) return KX_MODL_ERR_BLEND_FACE_DATA;
            break;
        default: break;
    }
    copy_limits(limits, d.trim_option, h);
    return 0;
}

}  // namespace

KXAPI int KX_MODL_init_face_blend_data(face_blend_data* data) {
    return kx::frame(
        kx::Opts{.check_init = false},
        [&] {
            return kx::check({{data, 1}});
        },
        [&] { return init_record(data); });
}

namespace {

// The frame of both creators: outputs cleared, the caller's sets checked
// before any host call, the record converted and the blend made under an
// undo bracket; the results handed over only when it was made.
template <class Record, class ToHost>
int create(const Record* data, tag* feature, int* count_1, tag** result_1, int* count_2, tag** result_2,
           int (*check)(const Record*), ToHost&& to_host) {
    return kx::frame(
        kx::Opts{.check_init = false, .acknowledge = kx::every_code},
        [&] {
            kx::clear(feature, count_1, result_1, count_2, result_2);
            if (int st = kx::check({{feature, 3}})) return st;
            return check(data);
        },
        [&] {
            Made made;
            const int st = kx::undo_bracket(1, nullptr, [&] {
                HostData host;
                bool as_faces = false;
                if (int st = to_host(&host.data, &as_faces)) return st;
                return make(&host.data, as_faces, &made);
            });
            if (st == 0) made.hand_over(feature, count_1, result_1, count_2, result_2);
            return st;
        });
}

}  // namespace

KXAPI int KX_MODL_create_face_blend(const face_blend_data* data, const face_blend_limits* limits,
                                               tag* feature, int* count_1, tag** result_1, int* count_2,
                                               tag** result_2) {
    return create(data, feature, count_1, result_1, count_2, result_2, check_sets,
                  [&](BLEF_ui_data_t* h, bool* as_faces) {
                      const int st = record_to_host(*data, limits, h);
                      *as_faces = any_limit(*h);
                      return st;
                  });
}

// Always a feature: only it is handed out, the four result outputs stay
// cleared.
KXAPI int KX_MODL_create_blend_faces(const blend_faces_data* data, const face_blend_limits* limits,
                                                tag* feature, int* count_1, tag** result_1, int* count_2,
                                                tag** result_2) {
    return create(data, feature, count_1, result_1, count_2, result_2, check_older_sets,
                  [&](BLEF_ui_data_t* h, bool*) { return older_record_to_host(*data, limits, h); });
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
                         // The values, then the feature logged for the update:
                         // both or neither.
                         return kx::edit_with_tail([&] {
                             if (BLEF_set_law_reals(feature, slot, count, radii) != 0)
                                 return static_cast<int>(KX_MODL_ERR_BLEND_LAW);
                             UPDATE_log_object_to_update(feature);
                             return 0;
                         });
                     });
}

}  // namespace

KXAPI int KX_MODL_ask_face_blend_law_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 0, radii, count);
}
KXAPI int KX_MODL_ask_face_blend_law_range1_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 1, radii, count);
}
KXAPI int KX_MODL_ask_face_blend_law_range2_radii(tag feature, double** radii, int* count) {
    return ask_law_radii(feature, 2, radii, count);
}
KXAPI int KX_MODL_set_face_blend_law_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 0, radii, count);
}
KXAPI int KX_MODL_set_face_blend_law_range1_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 1, radii, count);
}
KXAPI int KX_MODL_set_face_blend_law_range2_radii(tag feature, const double* radii, int count) {
    return set_law_radii(feature, 2, radii, count);
}

namespace {

// Frees what a face-blend record read back holds: its arrays, texts and
// laws (each law's data block, the law and the array of three).
void free_record(face_blend_data* d) {
    SM_free(d->faces_1);
    SM_free(d->faces_2);
    SM_free(d->aux_objects);
    SM_free(d->curves);
    SM_free(d->radius_objects);
    SM_free(d->tolerance);
    SM_free(d->radius);
    if (d->laws) {
        for (int i = 0; i < 3; ++i)
            if (d->laws[i]) {
                kx::law::free_law_parm_data(d->laws[i]);
                SM_free(d->laws[i]);
            }
        SM_free(d->laws);
    }
    std::memset(d, 0, sizeof *d);
}

// A record read back, freed unless handed over.
struct OwnedRecord {
    face_blend_data record{};
    ~OwnedRecord() {
        kx::release([&] { free_record(&record); });
    }
};

tag* copy_tags(int n, const unsigned int* items) {
    return n > 0 && items ? kx::copy_array(std::span<const tag>(items, static_cast<std::size_t>(n))) : nullptr;
}

char* copy_string(const char* text) {
    const std::size_t n = strnlen(text, BLEF_TEXT_CHARS - 1);
    auto* out = static_cast<char*>(SM_alloc(n + 1));
    std::memcpy(out, text, n);
    out[n] = '\0';
    return out;
}

// The objects of a slot group: the slot that holds any.
void group_objects(const BLEF_ui_data_t& h, int group, int* n, tag** items) {
    for (int k = 0; k < 2; ++k)
        if (h.number_of_curves[group][k] > 0) {
            *n = h.number_of_curves[group][k];
            *items = copy_tags(*n, h.curves[group][k]);
            return;
        }
}

// A law slot as a new parameter record; lender's spine is lent to a law
// by points that lost its own. A plain constant law (method 0) comes back
// as an expression text when plain_text.
KX_MODL_parm* law_parm(const host_law* law, const host_law* lender, bool plain_text) {
    if (!law) return nullptr;
    host_law lent = *law;
    if ((lent.type == 4 || lent.type == 6) && lent.spine == 0 && lender) lent.spine = lender->spine;
    // A law by points needs its spine (one read from a part file has none).
    if ((lent.type == 4 || lent.type == 6) && lent.spine == 0)
        ERROR_raise("kx_modl_face_blend", __LINE__, kx::law::kBadLaw, "Bad spine in KX_MODL_parm");
    auto* parm = static_cast<KX_MODL_parm*>(SM_alloc(sizeof(KX_MODL_parm)));
    std::memset(parm, 0, sizeof *parm);
    try {
        kx::law::ask_blend_law_parm_data(NULL_TAG, &lent, parm);
    } catch (...) {
        kx::release([&] {
            kx::law::free_law_parm_data(parm);
            SM_free(parm);
        });
        throw;
    }
    if (plain_text && parm->method == 2 && static_cast<KX_MODL_law*>(parm->u.law)->method == 0) {
        char text[KX_MODL_VALUE_TEXT];
        std::memcpy(text, static_cast<KX_MODL_law*>(parm->u.law)->u.values.start_value, sizeof text);
        kx::law::free_law_parm_data(parm);
        std::memset(parm, 0, sizeof *parm);
        parm->method = 0;
        std::memcpy(parm->u.expression, text, sizeof text);
    }
    return parm;
}

int host_to_record(const BLEF_ui_data_t& h, face_blend_data* d, face_blend_limits* limits) {
    d->trim_option = 0;
    for (std::size_t i = 0; i < kTrim.size(); ++i)
        if (kTrim[i] == h.trim_option) d->trim_option = static_cast<int>(i);
    d->faces_1 = copy_tags(h.number_of_faces[0], h.faces[0]);
    d->number_of_faces_1 = d->faces_1 ? h.number_of_faces[0] : 0;
    d->faces_2 = copy_tags(h.number_of_faces[1], h.faces[1]);
    d->number_of_faces_2 = d->faces_2 ? h.number_of_faces[1] : 0;
    d->flag_1 = h.flags[0] == 0 ? 1 : 0;
    d->flag_2 = h.flags[1] == 0 ? 1 : 0;
    d->flag_3 = h.flags[2];
    d->flag_4 = h.flags[3] == 0 ? 1 : 0;
    d->flag_5 = h.flags[4];
    int type = -1;
    for (std::size_t i = 0; i < kRadiusTypes.size(); ++i) {
        const RadiusType& t = kRadiusTypes[i];
        if (t.law_flag == h.law_flag && t.variation == h.variation && t.kind == h.kind) type = static_cast<int>(i);
    }
    if (type < 0) return KX_MODL_ERR_BLEND_FACE_DATA;
    d->radius_type = type;
    d->aux_objects = copy_tags(h.number_of_aux_objects, h.aux_objects);
    d->number_of_aux_objects = d->aux_objects ? h.number_of_aux_objects : 0;
    group_objects(h, 0, &d->number_of_curves, &d->curves);
    if (!d->curves) group_objects(h, 1, &d->number_of_curves, &d->curves);
    if (h.kind == 5 || h.kind == 6) {
        group_objects(h, 1, &d->number_of_radius_objects, &d->radius_objects);
        if (!d->radius_objects) return KX_MODL_ERR_BLEND_FACE_DATA;
    }
    SM_free(std::exchange(d->tolerance, copy_string(h.tolerance)));
    if (h.kind == 0) SM_free(std::exchange(d->radius, copy_string(h.radius)));
    d->laws = static_cast<KX_MODL_parm**>(SM_alloc(3 * sizeof(KX_MODL_parm*)));
    d->laws[0] = d->laws[1] = d->laws[2] = nullptr;
    switch (h.kind) {
        case 2: d->laws[0] = law_parm(h.laws[0], nullptr, false); break;
        case 3: d->laws[2] = law_parm(h.laws[0], h.laws[1], true); [[fallthrough]];
        case 4:
        case 6:
            d->laws[0] = law_parm(h.laws[1], nullptr, false);
            d->laws[1] = law_parm(h.laws[2], h.laws[1], true);
            break;
        case 5: d->laws[0] = law_parm(h.laws[1], nullptr, false); break;
        default: break;
    }
    if (limits) {
        const std::array<std::pair<logical*, double*>, 3> blocks = {{{&limits->active_1, limits->values_1},
                                                                     {&limits->active_2, limits->values_2},
                                                                     {&limits->active_3, limits->values_3}}};
        for (std::size_t b = 0; b < 3; ++b) {
            *blocks[b].first = h.limits_active[b];
            if (h.limits_active[b])
                std::memcpy(blocks[b].second, h.limits + kLimitAt[b], sizeof(double) * kLimitCount[b]);
        }
    }
    return 0;
}

}  // namespace

// The record comes back in copies of the caller's own: every array, text
// and law (free each law's data block with KX_free, then the law, then
// the array of three).
KXAPI int KX_MODL_ask_blend_face_data(tag feature, face_blend_data* data, face_blend_limits* limits) {
    return kx::frame(
        kx::acknowledging, [&] { return data ? 0 : kx::param(2); },
        [&] {
            std::memset(data, 0, sizeof *data);
            if (limits) std::memset(limits, 0, sizeof *limits);
            if (int st = check_face_blend(feature)) return st;
            OwnedRecord out;
            face_blend_limits read_limits{};
            {
                HostData host;
                BLEF_load_ui_data_from_parms(feature, &host.data);
                if (int st = init_record(&out.record)) return st;
                if (int st = host_to_record(host.data, &out.record, &read_limits)) return st;
            }
            if (kx::detail::g_release_failure != 0) return 0;  // the frame takes it as the status
            *data = out.record;
            std::memset(&out.record, 0, sizeof out.record);
            if (limits) *limits = read_limits;
            return 0;
        });
}
