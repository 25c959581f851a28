// Spline features: a spline of the part held by a feature, created, given
// another spline and asked.
#include "host/store/entities/edit_log.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/feature.h"
#include "kx_codes.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace {

// The frame is armed before the initialisation check; a host error raised
// inside is answered here (acknowledged).
constexpr kx::Opts kSplineFrame{.check_init = true, .arm = true, .arm_first = true, .acknowledge = kx::every_code};

}  // namespace

KXAPI int KX_CURVE_create_spline_feature(tag spline, tag* feature) {
    kx::clear(feature);
    return kx::frame(
        kSplineFrame,
        [&] {
            return kx::check({{spline != NULL_TAG, 1}, {feature, 2}});
        },
        [&] {
            tag made = NULL_TAG;
            const int st = kx::undo_bracket(1, nullptr, [&] {
                int status = 0;
                BCURVE_create_frec(spline, &made, &status);
                return status != 0 ? static_cast<int>(KX_MODL_ERR_SPLINE_HOST) : 0;
            });
            if (st == 0) *feature = made;
            return st;
        });
}

KXAPI int KX_CURVE_edit_spline_feature(tag spline, tag feature) {
    return kx::frame(
        kSplineFrame,
        [&] {
            return kx::check({{spline != NULL_TAG, 1}, {feature != NULL_TAG, 2}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                CM_ask_object_of_eid(feature);
                const unsigned int parms = BCURVE_ask_frec_parms(feature);
                BCURVE_set_parms_spline(parms, spline);
                UPDATE_log_entity_to_update(feature);
                return 0;
            });
        });
}

KXAPI int KX_CURVE_ask_spline_feature(tag feature, tag* spline) {
    kx::clear(spline);
    return kx::frame(
        kSplineFrame,
        [&] {
            return kx::check({{feature != NULL_TAG, 1}, {spline, 2}});
        },
        [&] {
            *spline = BCURVE_ask_parms_spline(BCURVE_ask_frec_parms(feature));
            return 0;
        });
}
