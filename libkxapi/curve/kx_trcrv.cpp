// Trim curve features: the caller's trim record into the host's trim
// record and back; create, edit, ask and free.
#include <cstring>
#include <vector>

#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_curve_trim.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_internal.h"
#include "libkxapi/modl/kx_modl_gen_pktpad.h"

namespace {

constexpr const char* kModule = "kx_trcrv";
constexpr const char* kMarkName = "KX_CURVE_create_trim";
constexpr int kInvalidFeature = KX_MODL_ERR_INVALID_FEATURE;
constexpr int kNotTrim = KX_MODL_ERR_WRONG_KIND;
constexpr int kAmbiguous = KX_CURVE_ERR_SEVERAL_INTERSECTIONS;

// Extension points taken from the caller.
struct Extension {
    std::vector<double> first, second;  // three doubles a point
};

int option_value(int option, bool eight_or_nine) {
    if (option == 10 || (eight_or_nine && option == 8)) return 0;
    if (option == 11 || (eight_or_nine && option == 9)) return 1;
    return -1;
}

void put_bound(const trim_bound& b, int side, TRCRV_rec_t* rec) {
    if (b.string.count == 0) rec->bound_object[side] = b.object;
    else
        CMP_RT_from_string(reinterpret_cast<const CMP_strings_t*>(&b.string), rec->tolerances, 0, side + 1, rec->table);
    if (b.use_point) {
        rec->use_point[side] = 1;
        for (int i = 0; i < 3; ++i) rec->points[side][i] = b.point[i];
    }
}

void put_direction(const KX_MODL_vector* v, TRCRV_rec_t* rec) {
    if (!v) return;
    rec->direction_given = 1;
    if (v->type == 1) {
        rec->direction_mode = 2;
        rec->axis = v->u.axis;
    } else {
        rec->direction_mode = v->type == 4 ? 0 : 1;
    }
    kx::law::ask_direction_of_vector(v, rec->direction);
}

// The caller's record into the host record (its table initialised with
// three slots): 0, 1 for a bad spline extension, 2 for a bad trim type, 3
// for a bad option.
int to_host(const trim_data& d, const Extension* ext, TRCRV_rec_t* rec) {
    CMP_RT_init(3, &rec->table);
    rec->tolerances[0] = rec->tolerances2[0] = d.tolerances[0];
    rec->tolerances[1] = rec->tolerances2[1] = d.tolerances[1];
    rec->words[0] = 1;
    rec->constant_byte = 1;
    if (ext) {
        if (ext->first.size() >= 3) {
            rec->ext_present[0] = 1;
            std::memcpy(rec->ext_points[0], ext->first.data(), sizeof(double) * 3);
        }
        if (ext->first.size() >= 6) {
            rec->ext_present[1] = 1;
            std::memcpy(rec->ext_points[1], ext->first.data() + 3, sizeof(double) * 3);
        }
        if (ext->second.size() >= 3) {
            rec->ext_present[2] = 1;
            std::memcpy(rec->ext_points[2], ext->second.data(), sizeof(double) * 3);
        }
    }
    CMP_RT_from_string(reinterpret_cast<const CMP_strings_t*>(&d.curve), rec->tolerances, 0, 0, rec->table);
    if (d.spline_extension < 0 || d.spline_extension > 3) return 1;
    rec->spline_extension = d.spline_extension;
    switch (d.trim_type) {
        case 4:
        case 5: rec->kind = 0; break;
        case 6: rec->kind = 1; break;
        case 7: rec->kind = 2; break;
        default: return 2;
    }
    int result = 0;
    if (d.trim_type == 4) {
        rec->option = option_value(d.u.one.option, true);
        if (rec->option < 0) result = 3, rec->option = 0;
        put_bound(d.u.one.bound, 0, rec);
        rec->flag = d.u.one.flag ? 1 : 0;
        put_direction(d.u.one.direction, rec);
    } else if (d.trim_type == 5) {
        rec->first_option = option_value(d.u.two.first_option, false);
        rec->option = option_value(d.u.two.second_option, true);
        if (rec->first_option < 0 || rec->option < 0) result = 3;
        put_bound(d.u.two.first_bound, 0, rec);
        put_bound(d.u.two.second_bound, 1, rec);
        rec->flag = d.u.two.flag ? 1 : 0;
        put_direction(d.u.two.direction, rec);
    } else {
        rec->option = option_value(d.u.length.option, false);
        if (rec->option < 0) return 3;
        // The length text is the feature's length (its formula).
        std::strncpy(rec->length_text, d.u.length.length_text, TRCRV_TEXT_CHARS - 1);
    }
    return result;
}

// 875008 for a tag of no feature, 875004 for a feature of another kind.
void check_trim_feature(tag feature) {
    if (kx::curve::type_of(feature).type != HOST_TYPE_FEATURE)
        ERROR_raise(kModule, __LINE__, kInvalidFeature, "Invalid feature tag");
    if (!TRCRV_is_trim_frec(feature)) ERROR_raise(kModule, __LINE__, kNotTrim, "Not a trim curve feature tag");
}

void empty_strings(string_list* s) { *s = string_list{0, nullptr, nullptr, nullptr}; }

void bound_from(const TRCRV_rec_t& rec, int slot, int side, trim_bound* b) {
    std::memset(b, 0, sizeof(*b));
    if (slot > 0) {
        CMP_RT_to_string(rec.table, slot, reinterpret_cast<CMP_strings_t*>(&b->string));
    } else {
        empty_strings(&b->string);
        b->object = rec.bound_object[side];
    }
}

KX_MODL_vector* direction_from(const TRCRV_rec_t& rec) {
    if (rec.direction_given != 1) return nullptr;
    auto* v = static_cast<KX_MODL_vector*>(SM_alloc(sizeof(KX_MODL_vector)));
    std::memset(v, 0, sizeof(*v));
    if (rec.direction_mode == 0) {
        v->type = 4;
    } else if (rec.direction_mode == 2) {
        v->type = 1;
        v->u.axis = rec.axis;
    } else {
        v->type = 0;
        for (int i = 0; i < 3; ++i) v->u.components[i] = rec.direction[i];
    }
    return v;
}

void from_host(const TRCRV_rec_t& rec, trim_data* d) {
    CMP_RT_to_string(rec.table, 0, reinterpret_cast<CMP_strings_t*>(&d->curve));
    if (rec.spline_extension < 0 || rec.spline_extension > 3)
        ERROR_internal(kModule, __LINE__, "Bad trim curve spline extension data");
    d->spline_extension = rec.spline_extension;
    d->tolerances[0] = rec.tolerances2[0];
    d->tolerances[1] = rec.tolerances2[1];
    if (rec.kind == 1 || rec.kind == 2) {
        d->trim_type = rec.kind == 1 ? 6 : 7;
        d->u.length.option = rec.option == 0 ? 10 : 11;
        std::strncpy(d->u.length.length_text, rec.length_text, KX_MODL_VALUE_TEXT - 1);
        d->u.length.length_text[KX_MODL_VALUE_TEXT - 1] = '\0';
        return;
    }
    if (rec.kind != 0) ERROR_internal(kModule, __LINE__, "Bad trim curve type");
    const int n1 = CMP_RT_ask_rm_entities(rec.table, 1);
    const int n2 = CMP_RT_ask_rm_entities(rec.table, 2);
    const bool first = n1 > 0 || rec.bound_object[0] || rec.bound_present[0];
    const bool second = n2 > 0 || rec.bound_object[1] || rec.bound_present[1];
    if (first && second) {
        d->trim_type = 5;
        d->u.two.first_option = rec.first_option == 0 ? 10 : 11;
        d->u.two.second_option = rec.option == 0 ? 8 : 9;
        d->u.two.flag = static_cast<char>(rec.flag);
        bound_from(rec, n1 > 0 ? 1 : 0, 0, &d->u.two.first_bound);
        bound_from(rec, n2 > 0 ? 2 : 0, 1, &d->u.two.second_bound);
        d->u.two.direction = direction_from(rec);
        return;
    }
    d->trim_type = 4;
    d->u.one.option = rec.option == 0 ? 10 : 11;
    d->u.one.flag = static_cast<char>(rec.flag);
    if (n1 > 0) bound_from(rec, 1, 0, &d->u.one.bound);
    else if (rec.bound_object[0] || rec.bound_present[0]) bound_from(rec, 0, 0, &d->u.one.bound);
    else if (n2 > 0) bound_from(rec, 2, 1, &d->u.one.bound);
    else bound_from(rec, 0, 1, &d->u.one.bound);
    d->u.one.direction = direction_from(rec);
}

void free_strings(string_list* s) {
    s->count = 0;
    kx::free_and_clear(s->per_string);
    kx::free_and_clear(s->dir);
    kx::free_and_clear(s->objects);
}

// Frees what an ask handed out.
void release(trim_data* data) {
    free_strings(&data->curve);
    if (data->trim_type == 4) {
        free_strings(&data->u.one.bound.string);
        kx::free_and_clear(data->u.one.direction);
    } else if (data->trim_type == 5) {
        free_strings(&data->u.two.first_bound.string);
        free_strings(&data->u.two.second_bound.string);
        kx::free_and_clear(data->u.two.direction);
    }
}

// Candidate points of the host into a persistent block of the caller.
void hand_out_candidates(int which, int* count, double** out) {
    double* points = nullptr;
    TRCRV_get_mult_int(which, count, &points);
    if (*count > 0) {
        *out = static_cast<double*>(SM_alloc_persistent(sizeof(double) * 3 * static_cast<std::size_t>(*count)));
        std::memcpy(*out, points, sizeof(double) * 3 * static_cast<std::size_t>(*count));
    }
    SM_free(points);
}

}  // namespace

KXAPI int KX_CURVE_create_trim(trim_data* data, trim_extension_points* points, tag* feature) {
    if (feature) *feature = NULL_TAG;
    // Extension points are input for a trim whose option takes them; the
    // caller hands their arrays over, and the record comes back cleared.
    bool taken = false;
    trim_extension_points given{};
    if (data && points &&
        ((data->trim_type == 4 && (data->u.one.option == 8 || data->u.one.option == 9)) ||
         (data->trim_type == 5 && (data->u.two.second_option == 10 || data->u.two.second_option == 11)))) {
        taken = true;
        given = *points;
        if (data->trim_type == 4) given.second_count = 0, given.second_points = nullptr;
    }
    if (points) *points = trim_extension_points{0, nullptr, 0, nullptr};
    return kx::frame(
        [&] {
            return kx::check({{data, 1}, {points, 2}, {feature, 3}});
        },
        [&] {
            Extension ext;
            if (taken) {
                if (given.first_points)
                    ext.first.assign(given.first_points, given.first_points + 3 * std::max(given.first_count, 0));
                if (given.second_points)
                    ext.second.assign(given.second_points, given.second_points + 3 * std::max(given.second_count, 0));
                // Freed before any change: a block that is not the host's
                // is refused by the host and the trim is not made.
                SM_free(given.first_points);
                SM_free(given.second_points);
            }
            return kx::undo_bracket(1, kMarkName, [&] {
                TRCRV_rec_t rec{};
                if (to_host(*data, taken ? &ext : nullptr, &rec) != 0) {
                    CMP_RT_free(rec.table);
                    return static_cast<int>(KX_ERR_BAD_PARAM_1);
                }
                TRCRV_init_mult_int();
                int st = TRCRV_create_frec(&rec);
                if (st == TRCRV_ERR_SEVERAL) {
                    hand_out_candidates(1, &points->first_count, &points->first_points);
                    hand_out_candidates(2, &points->second_count, &points->second_points);
                    st = kAmbiguous;
                }
                TRCRV_free_mult_int(0);
                CMP_RT_free(rec.table);
                if (st == 0) *feature = rec.feature;
                return st;
            });
        });
}

KXAPI int KX_CURVE_edit_trim(tag feature, trim_data* data) {
    return kx::frame(
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            check_trim_feature(feature);
            return kx::undo_bracket(1, kMarkName, [&] {
                TRCRV_rec_t rec{};
                rec.feature = feature;
                const int conv = to_host(*data, nullptr, &rec);
                int st = conv;
                if (conv == 0) st = TRCRV_update_frec(&rec);
                CMP_RT_free(rec.table);
                if (st == 0) UPDATE_log_entity_to_update(feature);
                return st;
            });
        });
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_trim(tag feature, trim_data* data) {
    if (data) {
        empty_strings(&data->curve);
        data->trim_type = 6;
    }
    return kx::frame(
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            check_trim_feature(feature);
            TRCRV_rec_t rec{};
            TRCRV_read_parms(feature, 0, &rec, 0);
            trim_data out{};
            try {
                from_host(rec, &out);
                CMP_RT_free(rec.table);
            } catch (...) {
                release(&out);  // nothing half-built reaches the caller
                throw;
            }
            *data = out;
            return 0;
        });
}

KXAPI int KX_CURVE_free_trim(trim_data* data) {
    return kx::frame(
        [&] {
            return kx::check({{data, 1}});
        },
        [&] {
            release(data);
            return 0;
        });
}
