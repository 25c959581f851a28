// Offset curves of a chain (plain curves, or an offset feature that follows
// the chain), the offset's directions, and the feature's parameters asked
// and freed.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/queries.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"

namespace {

// A caller's text holds at most 255 characters: the buffers the ask hands
// out are of 256 bytes.
constexpr std::size_t kTextBytes = 256;
// The extension of extended corners without a limit of the caller.
constexpr double kUnlimited = 1e8;

bool by_height(int type) { return type >= 5; }
int corner_of(int type) {
    switch ((type - 1) % 4) {
        case 0: return 0;   // each curve on its own
        case 1: return 2;   // rounded
        default: return 1;  // extended (types 3 and 7 without a limit)
    }
}
bool feature_type(int type) { return type == 1 || type == 3 || type == 5 || type == 7; }

bool fits(const char* text) { return text && strnlen(text, kTextBytes) < kTextBytes; }

// The checks of the caller's record: 0, or the code of the parameter that
// holds it (a missing part, a type out of range, a text missing or longer
// than its field).
int check_data(const offset_data* data, int n) {
    if (!data || !data->curves || !data->type_data) return kx::param(n);
    if (data->offset_type < 1 || data->offset_type > 8) return kx::param(n);
    if (!fits(data->type_data->first_text)) return kx::param(n);
    if (by_height(data->offset_type) && !fits(data->type_data->second_text)) return kx::param(n);
    return 0;
}

// The host's record of the caller's (texts checked to fit).
void fill(OFFCRV_rec_t* r, const offset_data& d, bool feature) {
    const int type = d.offset_type;
    r->method = by_height(type) ? 1 : 0;
    if (by_height(type)) {
        std::strcpy(r->height_text, d.type_data->first_text);
        std::strcpy(r->angle_text, d.type_data->second_text);
    } else {
        std::strcpy(r->distance_text, d.type_data->first_text);
    }
    r->tolerance = d.tolerance;
    r->words[0] = 1;
    r->words[1] = 0;
    r->associative = feature ? 1 : 0;
    r->corner_mode = corner_of(type);
    // Plain curves: the extension of extended corners (a feature's has no
    // limit).
    if (!feature && r->corner_mode == 1) r->extension = (type == 4 || type == 8) ? d.type_data->extension : kUnlimited;
    r->distance_tolerance = srfc1_[0];
    r->reference[0] = r->reference[1] = 0;
    r->reference[2] = 1;
    r->words2[0] = 1;
    r->words2[1] = 0;
    r->feature_flag = feature ? 1 : 0;
    r->keep_parms = feature ? 1 : 0;
    r->byte = 1;
}

// The chain's profile, deleted when the call ends.
struct Profile {
    int id = 0;
    ~Profile() {
        if (id != 0) kx::release([id = id] { CMP_delete_profile(1, 0, id); });
    }
};

int make_profile(string_list* curves, Profile* profile) {
    return OFFCRV_create_profile(reinterpret_cast<const CMP_strings_t*>(curves), 0, &profile->id);
}

// Validation, profile and frame of the record, in order: the first
// non-zero status.
int prepare(OFFCRV_rec_t* rec, string_list* curves, Profile* profile) {
    if (int st = OFFCRV_validate_input(rec)) return st;
    if (int st = make_profile(curves, profile)) return st;
    rec->profile = profile->id;
    return OFFCRV_compute_vectors_profile(profile->id, 0, rec->reference, rec->start, rec->start_frame, rec->end,
                                          rec->side, rec->normal, &rec->planar);
}

tag* caller_copy(int n, const unsigned int* from) {
    if (n <= 0 || !from) return nullptr;
    auto* out = static_cast<tag*>(SM_alloc_persistent(sizeof(tag) * static_cast<std::size_t>(n)));
    std::copy(from, from + n, out);
    return out;
}

// Creates the feature (existing NULL_TAG) or edits it from the caller's
// record; *feature its tag.
int offset_feature_from_data(const offset_data& data, tag existing, tag* feature) {
    OFFCRV_rec_t rec{};
    fill(&rec, data, true);
    Profile profile;
    if (int st = prepare(&rec, data.curves, &profile)) return st;
    if (existing == NULL_TAG) {
        cdUIaskoutput_quintic(0, &rec.quintic);
        unsigned int made = 0;
        if (int st = OFFCRV_create_frec(&rec, &made)) return st;
        *feature = made;
        return 0;
    }
    rec.quintic = OFFCRV_ask_quintic_type(existing);
    rec.feature = existing;
    if (int st = OFFCRV_update_frec(&rec, existing)) return st;
    if (feature) *feature = existing;
    return 0;
}

int part_check() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

char* text_copy(const char* from) {
    auto* t = static_cast<char*>(SM_alloc_persistent(kTextBytes));
    std::strncpy(t, from, kTextBytes - 1);
    t[kTextBytes - 1] = '\0';
    return t;
}

// Frees what KX_CURVE_ask_offset_parms handed out.
void free_parms(offset_data* data) {
    if (data->curves) {
        SM_free(data->curves->per_string);
        SM_free(data->curves->dir);
        SM_free(data->curves->objects);
        SM_free(data->curves);
        data->curves = nullptr;
    }
    const int t = data->offset_type;
    if (data->type_data && feature_type(t)) {
        SM_free(data->type_data->first_text);
        if (by_height(t)) SM_free(data->type_data->second_text);
        SM_free(data->type_data);
        data->type_data = nullptr;
    }
}

}  // namespace

KXAPI int KX_CURVE_create_offset_curve(offset_data* data, int* count, tag** curves) {
    kx::clear(count, curves);
    kx::curve::CallMemory memory;
    tag* copy = nullptr;
    // The caller's array is made within the undo bracket (a failure to make
    // it takes the curves back); a failure after it gives it back.
    auto give_back = [&] {
        kx::release([&] { SM_free(std::exchange(copy, nullptr)); }, true);
        memory.release();
    };
    return kx::frame(
        kx::standard, kx::on_error(give_back),
        [&] {
            if (int st = part_check()) return st;
            if (int st = check_data(data, 1)) return st;
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            memory.set();
            int made_count = 0;
            const int st = kx::undo_bracket(1, nullptr, [&] {
                OFFCRV_rec_t rec{};
                fill(&rec, *data, false);
                cdUIaskoutput_quintic(0, &rec.quintic);
                Profile profile;
                if (int st = prepare(&rec, data->curves, &profile)) return st;
                unsigned int made = 0;
                if (int st = OFFCRV_create_frec(&rec, &made)) return st;
                int n = 0, inputs = 0;
                unsigned int* list = nullptr;
                if (int st = OFFCRV_ask_offset_curves(made, &n, &list, &inputs)) return st;
                const std::vector<tag> out(list, list + (list ? n : 0));
                SM_free(list);
                if (int st = OFFCRV_remove_parms(made)) return st;
                copy = caller_copy(static_cast<int>(out.size()), out.data());
                made_count = static_cast<int>(out.size());
                return 0;
            });
            if (st != 0) {
                give_back();
                return st;
            }
            *curves = std::exchange(copy, nullptr);
            *count = made_count;
            return 0;
        });
}

KXAPI int KX_CURVE_create_offset_object(offset_data* data, tag* feature) {
    kx::clear(feature);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (int st = part_check()) return st;
            if (int st = check_data(data, 1)) return st;
            if (!feature_type(data->offset_type)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{feature, 2}});
        },
        [&] {
            tag made = NULL_TAG;
            const int st =
                kx::undo_bracket(1, nullptr, [&] { return offset_feature_from_data(*data, NULL_TAG, &made); });
            if (st == 0) *feature = made;
            return st;
        });
}

KXAPI int KX_CURVE_edit_offset_object(offset_data* data, tag feature) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (int st = part_check()) return st;
            // An edit needs its feature: NULL_TAG would make a new one.
            if (feature == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            if (int st = check_data(data, 1)) return st;
            return feature_type(data->offset_type) ? 0 : static_cast<int>(KX_ERR_BAD_PARAM_1);
        },
        [&] {
            if (!OFFCRV_frec_is_a_offset_curve(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            return kx::undo_bracket(1, nullptr, [&] { return offset_feature_from_data(*data, feature, nullptr); });
        });
}

KXAPI int KX_CURVE_ask_offset_parms(tag feature, offset_data* data) {
    offset_data out{};
    kx::curve::CallMemory memory;
    // A failure gives back what was handed out so far: the caller's blocks
    // here, the host's arrays with the call's memory.
    auto undo_out = [&] {
        SM_free(out.curves);
        if (out.type_data) {
            SM_free(out.type_data->first_text);
            SM_free(out.type_data->second_text);
            SM_free(out.type_data);
        }
        memory.release();
    };
    return kx::frame(
        kx::standard, kx::on_error(undo_out),
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            if (!OFFCRV_frec_is_a_offset_curve(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            memory.set();
            OFFCRV_rec_t rec{};
            if (int st = OFFCRV_read_frec(feature, &rec)) return st;
            out.curves = static_cast<string_list*>(SM_alloc_persistent(sizeof(string_list)));
            *out.curves = string_list{0, nullptr, nullptr, nullptr};
            CMP_set_string_from_cm(1, &rec.profile, reinterpret_cast<CMP_strings_t*>(out.curves));
            out.tolerance = rec.tolerance;
            out.distance_tolerance = rec.distance_tolerance;
            const bool height = rec.method == 1;
            out.offset_type = (height ? 5 : 1) + (rec.corner_mode != 0 ? 2 : 0);
            out.type_data = static_cast<offset_type_data*>(SM_alloc_persistent(sizeof(offset_type_data)));
            *out.type_data = offset_type_data{nullptr, nullptr, 0};
            out.type_data->first_text = text_copy(height ? rec.height_text : rec.distance_text);
            if (height) out.type_data->second_text = text_copy(rec.angle_text);
            *data = out;
            return 0;
        });
}

KXAPI int KX_CURVE_free_offset_parms(offset_data* data) {
    return kx::frame(
        [&] {
            return kx::check({{data, 1}});
        },
        [&] {
            free_parms(data);
            return 0;
        });
}

KXAPI int KX_CURVE_ask_offset_direction(string_list* curves, double normal[3], double side[3],
                                                   double start[6]) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{curves, 1}, {normal, 2}, {side, 3}, {start, 4}});
        },
        [&] {
            double n[3], s[3], frame[6];
            const int st = kx::undo_bracket(1, nullptr, [&] {
                Profile profile;
                if (int st = make_profile(curves, &profile)) return st;
                const double reference[3] = {0, 0, 1};
                double first[3], last[3];
                int planar = 0;
                const int answer =
                    OFFCRV_compute_vectors_profile(profile.id, 0, reference, first, frame, last, s, n, &planar);
                // A chain in no plane still has its directions.
                return answer == KX_CURVE_ERR_OFFSET_NO_PLANE ? 0 : answer;
            });
            if (st != 0) return st;
            std::memcpy(normal, n, sizeof n);
            std::memcpy(side, s, sizeof s);
            std::memcpy(start, frame, sizeof frame);
            return 0;
        });
}

KXAPI int KX_CURVE_ask_offset_curves(tag feature, int* count, tag** curves) {
    kx::clear(count, curves);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (int st = part_check()) return st;
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            if (!OFFCRV_frec_is_a_offset_curve(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            int n = 0, inputs = 0;
            unsigned int* list = nullptr;
            if (int st = OFFCRV_ask_offset_curves(feature, &n, &list, &inputs)) return st;
            const std::vector<tag> out(list, list + (list ? n : 0));
            SM_free(list);
            *curves = caller_copy(static_cast<int>(out.size()), out.data());
            *count = static_cast<int>(out.size());
            return 0;
        });
}
