// Isocline curves: the curves on faces where the normal makes given angles
// with a direction, made a feature by the host's isocline service; created,
// edited and read back.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/store/entities/entity_delete.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/queries.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"

namespace {

// The caller's texts: the angle, and the range's texts when there is a
// range. Texts must fit their fields.
struct Texts {
    const char* angle;
    const char* second;
    const char* third;
};

bool fits(const char* text) { return strnlen(text, CURVEFEAT_TEXT_CHARS) < CURVEFEAT_TEXT_CHARS; }

// The checks of the arguments both create and edit take; `first` is the
// position of the face count.
int check_arguments(int first, int count, const tag* faces, const double* direction, const Texts& t) {
    if (count < 1) return kx::param(first);
    if (int st = kx::check({{faces, first + 1}, {direction, first + 2}, {t.angle, first + 3}})) return st;
    if (!fits(t.angle)) return kx::param(first + 3);
    if (t.third) {
        if (!t.second || !fits(t.second)) return kx::param(first + 4);
        if (!fits(t.third)) return kx::param(first + 5);
    }
    return 0;
}

// The record of the caller's arguments (the faces are the caller's array).
ISOCLINE_parms_t record_of(int count, tag* faces, const double direction[3], const Texts& t, double tolerance) {
    ISOCLINE_parms_t r{};
    std::copy(direction, direction + 3, r.direction);
    r.range = t.third != nullptr;
    std::strncpy(r.angle, t.angle, CURVEFEAT_TEXT_CHARS - 1);
    if (r.range) {
        std::strncpy(r.second, t.second, CURVEFEAT_TEXT_CHARS - 1);
        std::strncpy(r.third, t.third, CURVEFEAT_TEXT_CHARS - 1);
    }
    r.n_faces = count;
    r.faces = faces;
    r.tolerance = tolerance;
    cdUIaskoutput_quintic(0, &r.quintic);
    r.last = 1;
    return r;
}

char* text_out(const char* text) {
    const std::size_t length = std::strlen(text) + 1;
    auto* out = static_cast<char*>(SM_alloc_persistent(length));
    std::memcpy(out, text, length);
    return out;
}

using kx::curve::CallerCopy;

}  // namespace

KXAPI int KX_CURVE_create_isocline(int count, tag* faces, double direction[3], char* angle, char* second,
                                              char* third, tag* feature) {
    kx::clear(feature);
    const Texts texts{angle, second, third};
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (int st = check_arguments(1, count, faces, direction, texts)) return st;
            return kx::check({{feature, 7}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                ISOCLINE_parms_t rec = record_of(count, faces, direction, texts, srfc1_[0]);
                if (int st = ISOCLINE_create_frec(&rec)) return st;
                if (int st = UPDATE_do_update()) return st;
                if (rec.feature == NULL_TAG) return static_cast<int>(KX_MODL_ERR_ISOCLINE_FAILED);
                *feature = rec.feature;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_edit_isocline(tag feature, int count, tag* faces, double direction[3], char* angle,
                                            char* second, char* third) {
    const Texts texts{angle, second, third};
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (feature == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return check_arguments(2, count, faces, direction, texts);
        },
        [&] {
            // Only an isocline takes isocline data.
            if (!ISOCLINE_frec_is_a_isocline(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::undo_bracket(1, nullptr, [&] {
                ISOCLINE_parms_t rec = record_of(count, faces, direction, texts, ISOCLINE_ask_tol(feature));
                rec.feature = feature;
                return ISOCLINE_update_frec(&rec);
            });
        });
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_isocline(tag feature, int* count, tag** faces, double direction[3], char** angle,
                                           char** second, char** third, int* curve_count, tag** curves) {
    kx::clear(count, faces, angle, second, third, curve_count, curves);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (feature == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{count, 2},
                              {faces, 3},
                              {direction, 4},
                              {angle, 5},
                              {second, 6},
                              {third, 7},
                              {curve_count, 8},
                              {curves, 9}});
        },
        [&] {
            if (!ISOCLINE_frec_is_a_isocline(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            ISOCLINE_parms_t rec{};
            ISOCLINE_read_frec(feature, &rec);
            int n = 0;
            unsigned int* made = nullptr;
            ISOCLINE_ask_output_curves(feature, &n, &made);
            // The caller's copies are made last; a copy that fails takes the
            // ones before it back.
            CallerCopy faces_copy(kx::curve::tags_for_caller(rec.n_faces, rec.faces));
            CallerCopy angle_copy(text_out(rec.angle));
            CallerCopy second_copy(rec.range ? text_out(rec.second) : nullptr);
            CallerCopy third_copy(rec.range ? text_out(rec.third) : nullptr);
            CallerCopy curves_copy(kx::curve::tags_for_caller(n, made));
            *count = rec.n_faces;
            *faces = static_cast<tag*>(faces_copy.release());
            std::copy(rec.direction, rec.direction + 3, direction);
            *angle = static_cast<char*>(angle_copy.release());
            *second = static_cast<char*>(second_copy.release());
            *third = static_cast<char*>(third_copy.release());
            *curve_count = n;
            *curves = static_cast<tag*>(curves_copy.release());
            SM_free(rec.faces);
            SM_free(made);
            return 0;
        });
}
