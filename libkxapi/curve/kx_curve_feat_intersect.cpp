// Intersection curves: the curves where two sets of objects (one body, the
// faces of one body, or one datum plane each) meet, made a feature by the
// host's intersection service; created, edited and read back.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"

namespace {

constexpr int kWrongClass = KX_MODL_ERR_WRONG_KIND;  // 875004: a feature of another kind

enum SetKind { kNone = 0, kBody = 1, kFaces = 2, kPlane = 3 };

// The kind of one set (kNone when the set is refused): one body, faces of
// one body, or one datum plane.
SetKind kind_of_set(int count, const tag* objects) {
    if (count <= 0 || !objects) return kNone;
    SetKind kind = kNone;
    tag body = NULL_TAG;
    for (int i = 0; i < count; ++i) {
        int type = 0, subtype = 0;
        RM_ask_entity_type_and_subtype(objects[i], &type, &subtype);
        SetKind k = kNone;
        if (type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_BODY) {
            k = kBody;
        } else if (type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_FACE) {
            k = kFaces;
            tag owner = NULL_TAG;
            es7009_(&objects[i], &owner);
            if (body == NULL_TAG) body = owner;
            if (owner == NULL_TAG || owner != body) return kNone;
        } else if (type == HOST_TYPE_DATUM_PLANE) {
            k = kPlane;
        } else {
            return kNone;
        }
        if (kind == kNone) kind = k;
        else if (!(kind == kFaces && k == kFaces)) return kNone;
    }
    return kind;
}

// The record of the two sets (the host's copies live to the call's memory
// mark); a status for a refused set.
int build_record(int count1, tag* set1, int count2, tag* set2, ICURVES_parms_t* r) {
    const SetKind k1 = kind_of_set(count1, set1);
    if (k1 == kNone) return KX_ERR_BAD_PARAM_2;
    const SetKind k2 = kind_of_set(count2, set2);
    if (k2 == kNone) return KX_ERR_BAD_PARAM_4;
    if (k1 == kPlane && k2 == kPlane) return KX_CURVE_ERR_TWO_DATUM_PLANES;
    r->kind1 = k1;
    r->kind2 = k2;
    r->n1 = count1;
    r->set1 = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * count1));
    std::copy(set1, set1 + count1, r->set1);
    r->n2 = count2;
    r->set2 = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * count2));
    std::copy(set2, set2 + count2, r->set2);
    r->word = 0;
    cdUIaskoutput_quintic(0, &r->quintic);
    return 0;
}

void free_sets(ICURVES_parms_t* r) {
    SM_free(r->set1);
    SM_free(r->set2);
    r->set1 = r->set2 = nullptr;
}

// The class check of the functions that take an intersection feature.
int check_feature(tag feature, int missing) {
    switch (ICURVES_is_icurves_frec(feature)) {
        case 0: return missing;
        case 2: return kWrongClass;
        default: return 0;
    }
}

}  // namespace

KXAPI int KX_CURVE_create_int_object(int count1, tag* set1, int count2, tag* set2, tag* feature) {
    if (feature) *feature = NULL_TAG;
    return kx::curve::frame_with_memory(
        kx::acknowledging,
        [&] {
            return kx::check({{feature, 5}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                ICURVES_parms_t rec{};
                rec.tolerance = srfc1_[0];
                if (int st = build_record(count1, set1, count2, set2, &rec)) return st;
                unsigned int made = 0;
                ICURVES_create_feature(&rec, &made);
                free_sets(&rec);
                if (int st = ICURVES_validate_frec(made)) return st;
                *feature = made;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_edit_int_object(int count1, tag* set1, int count2, tag* set2, tag feature) {
    return kx::curve::frame_with_memory(
        kx::acknowledging, [&] { return check_feature(feature, KX_ERR_BAD_PARAM_5); },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                ICURVES_parms_t old{};
                ICURVES_read_parms(feature, &old);
                free_sets(&old);
                ICURVES_parms_t rec{};
                rec.tolerance = old.tolerance;
                if (int st = build_record(count1, set1, count2, set2, &rec)) return st;
                rec.quintic = old.quintic;
                ICURVES_update_feature(&rec, feature);
                free_sets(&rec);
                return ICURVES_validate_frec(feature);
            });
        });
}

KXAPI int KX_CURVE_ask_int_parms(tag feature, int* count1, tag** set1, int* count2, tag** set2) {
    kx::clear(count1, set1, count2, set2);
    kx::curve::CallMemory memory;
    tag* first = nullptr;
    // The first array goes when the second cannot be made.
    return kx::frame(
        kx::standard, kx::on_error([&] {
            memory.release();
            kx::release([&] { SM_free(first); }, true);
        }),
        [&] {
            if (int st = check_feature(feature, KX_ERR_BAD_PARAM_1)) return st;
            return kx::check({{count1, 2}, {set1, 3}, {count2, 4}, {set2, 5}});
        },
        [&] {
            memory.set();
            ICURVES_parms_t rec{};
            ICURVES_read_parms(feature, &rec);
            first = kx::curve::tags_for_caller(rec.n1, rec.set1);
            tag* second = kx::curve::tags_for_caller(rec.n2, rec.set2);
            free_sets(&rec);
            *count1 = rec.n1;
            *set1 = first;
            *count2 = rec.n2;
            *set2 = second;
            return 0;
        });
}

KXAPI int KX_CURVE_ask_int_curves(tag feature, int* count, tag** curves) {
    kx::clear(count, curves);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (int st = check_feature(feature, KX_ERR_BAD_PARAM_1)) return st;
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            int n = 0;
            unsigned int* made = nullptr;
            ICURVES_ask_developed_curves(feature, &n, &made);
            *count = n;
            *curves = kx::curve::tags_for_caller(n, made);
            SM_free(made);
            return 0;
        });
}

KXAPI int KX_CURVE_ask_int_curve_parents(tag curve, tag* feature, tag parents[2]) {
    kx::clear(feature);
    if (parents) parents[0] = parents[1] = NULL_TAG;
    return kx::frame(
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (curve == NULL_TAG) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{feature, 2}, {parents, 3}});
        },
        [&] {
            const tag f = DCRV_ask_feature_of_dcurve(curve);
            *feature = f;
            // Parents that are missing (no intersection feature, or deleted
            // since) answer NULL_TAG.
            if (f != NULL_TAG && ICURVES_is_icurves_frec(f) == 1) {
                unsigned int found[2] = {0, 0};
                ICURVES_ask_curve_parents(f, curve, found);
                parents[0] = found[0];
                parents[1] = found[1];
            }
            return 0;
        });
}

// Any feature that made curves: curve features (bridge, projection,
// combined, intersection, joined, offset ...), trim curve features and
// section features.
KXAPI int KX_CURVE_ask_feature_curves(tag feature, int* count, tag** curves) {
    kx::clear(count, curves);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (kx::curve::type_of(feature).type != HOST_TYPE_FEATURE) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            int n = 0;
            unsigned int* made = nullptr;
            if (!FREC_collect_all_dcurve(feature, &n, &made)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            *count = n;
            *curves = kx::curve::tags_for_caller(n, made);
            SM_free(made);
            return 0;
        });
}
