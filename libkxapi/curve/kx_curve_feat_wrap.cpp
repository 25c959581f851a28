// Wrapped curves: curves wrapped from a plane onto a cylinder or cone, or
// unwrapped from it, made a feature by the host's wrap service; created,
// edited and read back.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/store/entities/entity_store.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"

namespace {

using kx::curve::CallerCopy;

// A text the host's field holds with its terminator.
bool fits(const char* text) { return !text || strnlen(text, CURVEFEAT_TEXT_CHARS) < CURVEFEAT_TEXT_CHARS; }

// Makes (feature NULL_TAG) or remakes the feature from the caller's data.
int wrap_feature_from_data(const wrap_data& data, tag* feature) {
    if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
    if (*feature != NULL_TAG && !WRAP_frec_is_a_wrap(*feature)) return KX_ERR_BAD_PARAM_2;
    WRAP_rec_t rec{};
    rec.first_count = data.first_count;
    rec.first_objects = data.first_objects;
    rec.reference = data.reference;
    rec.second_count = data.second_count;
    rec.second_objects = data.second_objects;
    rec.kind = data.kind;
    if (data.text) std::strncpy(rec.text, data.text, CURVEFEAT_TEXT_CHARS - 1);
    rec.first_value = data.first_value;
    rec.second_value = data.second_value;
    rec.feature = *feature;
    if (int st = WRAP_validate_input(&rec)) return st;
    if (int st = *feature == NULL_TAG ? WRAP_create_frec(&rec) : WRAP_update_frec(&rec)) return st;
    *feature = rec.feature;
    return 0;
}

// The checks of the caller's data: 1105004 for none, or for a text longer
// than the host's field.
int check_data(const wrap_data* data) {
    if (!data || !fits(data->text)) return KX_ERR_BAD_PARAM_1;
    return 0;
}

}  // namespace

KXAPI int KX_CURVE_create_wrap_object(wrap_data* data, tag* feature) {
    kx::clear(feature);
    return kx::curve::frame_with_memory(
        kx::acknowledging,
        [&] {
            if (int st = check_data(data)) return st;
            return kx::check({{feature, 2}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                tag made = NULL_TAG;
                if (int st = wrap_feature_from_data(*data, &made)) return st;
                *feature = made;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_edit_wrap_object(wrap_data* data, tag feature) {
    return kx::curve::frame_with_memory(
        kx::acknowledging, [&] { return check_data(data); },
        [&] {
            if (feature == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            return kx::undo_bracket(1, nullptr, [&] {
                tag edited = feature;
                return wrap_feature_from_data(*data, &edited);
            });
        });
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_wrap_parms(tag feature, wrap_data* data) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            if (!WRAP_frec_is_a_wrap(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            WRAP_rec_t rec{};
            WRAP_read_frec(feature, &rec);
            // The caller's copies are made last; a copy that fails takes the
            // ones before it back.
            CallerCopy first_copy(kx::curve::tags_for_caller(rec.first_count, rec.first_objects));
            CallerCopy second_copy(kx::curve::tags_for_caller(rec.second_count, rec.second_objects));
            const std::size_t length = std::strlen(rec.text) + 1;
            CallerCopy text_copy(SM_alloc_persistent(length));
            std::memcpy(text_copy.get(), rec.text, length);
            wrap_data out{};
            out.kind = rec.kind;
            out.first_count = rec.first_count;
            out.first_objects = static_cast<tag*>(first_copy.release());
            out.reference = rec.reference;
            out.second_count = rec.second_count;
            out.second_objects = static_cast<tag*>(second_copy.release());
            out.text = static_cast<char*>(text_copy.release());
            out.first_value = rec.first_value;
            out.second_value = rec.second_value;
            SM_free(rec.first_objects);
            SM_free(rec.second_objects);
            *data = out;
            return 0;
        });
}

KXAPI int KX_CURVE_free_wrap_parms(wrap_data* data) {
    return kx::frame(
        [&] {
            return kx::check({{data, 1}});
        },
        [&] {
            for (void** block :
                 {reinterpret_cast<void**>(&data->first_objects), reinterpret_cast<void**>(&data->second_objects),
                  reinterpret_cast<void**>(&data->text)}) {
                SM_free(*block);
                *block = nullptr;
            }
            return 0;
        });
}

KXAPI int KX_CURVE_ask_wrap_curves(tag feature, int* count, tag** curves) {
    kx::clear(count, curves);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (!WRAP_frec_is_a_wrap(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            int n = 0;
            unsigned int* made = nullptr;
            WRAP_ask_output_curves(feature, &n, &made);
            *count = n;
            *curves = kx::curve::tags_for_caller(n, made);
            SM_free(made);
            return 0;
        });
}

KXAPI int KX_CURVE_ask_wrap_curve_parents(tag curve, tag* input, tag* face, tag* reference, tag* feature) {
    kx::clear(input, face, reference, feature);
    return kx::frame(
        [&] {
            return kx::check({{input, 2}, {face, 3}, {reference, 4}, {feature, 5}});
        },
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (curve == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return WRAP_ask_wrap_curve_parents(curve, input, face, reference, feature);
        });
}
