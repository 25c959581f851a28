// Joined curves (one curve of a chain, or one of each chain found) and
// joined-curve features through the host's curve-joining service, and the
// curve-analysis display settings of a curve or spline.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"
#include "libkxapi/curve/kx_curve_internal.h"
#include "libkxapi/core/kx_list.h"

namespace {

// The status of a join's answer.
int join_status(int answer) {
    switch (answer) {
        case 0: return 0;
        case 1: return KX_CURVE_ERR_JOIN_GAP;
        case 3: return KX_CURVE_ERR_JOIN_BRANCH;
        case 4: return KX_MODL_ERR_EMPTY_LIST;
        case 5: return KX_CURVE_ERR_JOIN_CLOSED_CURVE;
        case 6: return KX_MODL_ERR_SPLINE_DATA;
        case 7: return KX_MODL_ERR_NO_OBJECT_DATA;
        case 8: return KX_MODL_ERR_WRONG_OBJECT;
        case 9: return KX_ERR_BAD_PARAM_2;
        case 10: return KX_ERR_BAD_PARAM_1;
        default: return KX_MODL_ERR_NO_FACE_RANGE;
    }
}

// The status of a joined-curve feature's creation: a join's, and the
// host's refusal of the curves' record as a bad first argument.
constexpr int kHostBadRecord = KX_CURVE_ERR_HOST_BAD_RECORD;
int feature_status(int answer) { return answer == kHostBadRecord ? KX_ERR_BAD_PARAM_1 : join_status(answer); }

const CMP_strings_t* host_strings(const string_list* s) { return reinterpret_cast<const CMP_strings_t*>(s); }

// 875027 for a dead object, 875033 for one of another class.
int check_joinable(tag c, bool edges) {
    if (kx::curve::type_of(c).type == 0 || es0022_(&c) != 3) return KX_MODL_ERR_NO_OBJECT_DATA;
    const int cls = es0017_(&c);
    return cls == ES_CLASS_CURVE || (edges && cls == ES_CLASS_EDGE) ? 0 : kx::curve::kBadCurve;
}

void regenerate(tag curve) {
    int mode = 1;
    regenerate_after_edit(&mode, &curve);
}

bool is_curve_type(int type) {
    return type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE;
}

}  // namespace

KXAPI int KX_CURVE_create_joined_curve(tag_list* curves, int method, tag* joined, int* closed) {
    kx::clear(joined, closed);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!curves) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            if (method < 1 || method > 3) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            return kx::check({{joined, 3}, {closed, 4}});
        },
        [&] {
            const int count = kx::ask_list_count(curves);
            if (count < 0) return count;
            const std::vector<tag> items = kx::tags_of(curves);
            if (items.empty()) return static_cast<int>(KX_MODL_ERR_EMPTY_LIST);
            for (tag c : items)
                if (int st = check_joinable(c, true)) return st;
            // The new curve and its display are one change: a failure takes
            // the curve back.
            return kx::curve::model_change([&] {
                unsigned int made = 0;
                int second = 0;
                const int st = join_status(CRV_JOIN_create_joined_curve(static_cast<int>(items.size()), items.data(),
                                                                        method, srfc1_, &made, &second));
                if (st == 0 && made != 0) regenerate(made);
                if (st == 0) {
                    *joined = made;
                    *closed = second;
                }
                return st;
            });
        });
}

KXAPI int KX_CURVE_auto_join_curves(tag* curves, int n, int method, tag* joined, int* count) {
    kx::clear(count);
    return kx::curve::frame_with_memory(
        kx::no_check,
        [&] {
            return kx::check({{curves || n <= 0, 1}, {joined || n <= 0, 4}, {count, 5}});
        },
        [&] {
            for (int i = 0; i < n; ++i)
                if (int st = check_joinable(curves[i], false)) return st;
            return kx::curve::model_change([&] {
                int made = 0;
                unsigned int* list = nullptr;
                const int st = join_status(CRV_JOIN_auto_join_curves(n, curves, method, srfc1_, &made, &list));
                const std::vector<tag> curves_made(list, list + (list ? made : 0));
                SM_free(list);
                if (st != 0) return st;
                for (tag c : curves_made) regenerate(c);
                std::copy(curves_made.begin(), curves_made.end(), joined);
                *count = made;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_create_joined_feature(string_list* curves, int method, tag* feature, tag* joined) {
    kx::clear(feature, joined);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!curves) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            if (method < 1 || method > 3) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            return kx::check({{feature, 3}, {joined, 4}});
        },
        [&] {
            return kx::curve::model_change([&] {
                // The profile's tolerance pair is the modelling tolerances;
                // the feature keeps the distance tolerance as its first and
                // third values.
                const double pair[2] = {srfc1_[0], srfc1_[1]};
                CRV_JOIN_frec_t rec{};
                rec.method = method - 1;
                rec.tolerances[0] = srfc1_[0];
                rec.tolerances[1] = srfc1_[0];
                rec.tolerances[2] = srfc1_[1];
                int st = CRV_JOIN_create_profile(host_strings(curves), pair, 0, &rec.profile);
                unsigned int made = 0;
                if (st == 0) st = CRV_JOIN_create_frec(&rec, &made);
                if (st != 0) return feature_status(st);
                regenerate(rec.joined);
                *feature = made;
                *joined = rec.joined;
                return 0;
            });
        });
}

// The host's record of a joined-curve feature: 1105012 without an active
// part, 1105004 for a null tag or no such feature.
int check_join_feature(tag feature) {
    if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
    if (feature == NULL_TAG || !CRV_JOIN_is_join_frec(feature)) return KX_ERR_BAD_PARAM_1;
    return 0;
}

KXAPI int KX_CURVE_edit_joined_feature(tag feature, string_list* curves, int method, double tolerances[3]) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!curves) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            if (method < 1 || method > 3) return static_cast<int>(KX_ERR_BAD_PARAM_3);
            return kx::check({{tolerances, 4}});
        },
        [&] {
            if (int st = check_join_feature(feature)) return st;
            return kx::curve::model_change([&] {
                // The caller's first two values are the profile's pair; the
                // record holds the third, then the first and the second.
                CRV_JOIN_frec_t rec{};
                rec.method = method - 1;
                rec.tolerances[0] = tolerances[2];
                rec.tolerances[1] = tolerances[0];
                rec.tolerances[2] = tolerances[1];
                if (int st = CRV_JOIN_create_profile(host_strings(curves), tolerances, 0, &rec.profile)) return st;
                return CRV_JOIN_update_frec(&rec, feature);
            });
        });
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_joined_parms(tag feature, string_list* curves, int* method, double tolerances[3]) {
    kx::clear(method);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{curves, 2}, {method, 3}, {tolerances, 4}});
        },
        [&] {
            if (int st = check_join_feature(feature)) return st;
            CRV_JOIN_frec_t rec{};
            if (int st = CRV_JOIN_read_frec(feature, &rec)) return st;
            CMP_set_string_from_cm(1, &rec.profile, reinterpret_cast<CMP_strings_t*>(curves));
            *method = rec.method + 1;
            tolerances[0] = rec.tolerances[1];
            tolerances[1] = rec.tolerances[2];
            tolerances[2] = rec.tolerances[0];
            return 0;
        });
}

KXAPI int KX_CURVE_set_analysis_display(tag curve, analysis_display* display) {
    return kx::frame(
        [&] {
            if (CONTEXT_ask_root_part() == 0 || CONTEXT_ask_work_part() == 0) return kx::kPartNotLoaded;
            if (!is_curve_type(kx::curve::type_of(curve).type)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{display, 2}});
        },
        [&] {
            CRVANL_record_t r{};
            const char shown[4] = {display->show_comb, display->show_peaks, display->show_inflections,
                                   display->show_length};
            for (int i = 0; i < 4; ++i) r.show[i] = shown[i] ? 1 : 0;
            r.values[0] = display->first_value;
            r.values[1] = display->second_value;
            r.density = static_cast<int>(display->density);  // truncated toward zero
            std::memcpy(r.options, display->options, sizeof r.options);
            r.limits_on = display->limits_on ? 1 : 0;
            r.scale = display->scale;
            r.limit = display->limit;
            std::memcpy(r.limits, display->limits, sizeof r.limits);
            CRVANL_write_CARecord(curve, &r);
            return 0;
        });
}

KXAPI int KX_CURVE_set_spline_sap(tag spline, char options[16], int first, int second) {
    return kx::frame(
        [&] {
            if (kx::curve::type_of(spline).type != HOST_TYPE_SPLINE) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            return kx::check({{options, 2}});
        },
        [&] {
            CRVANL_sap_record_t r{};
            std::memcpy(r.options, options, sizeof r.options);
            r.first = first;
            r.second = second;
            CRVANL_write_sap_record(spline, &r);
            return 0;
        });
}
