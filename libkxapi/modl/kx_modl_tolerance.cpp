// The modelling distance and angle tolerances, and the sign and boolean
// type of a feature.
#include <cmath>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_feature_ask.h"

#include "host/kernel/curves/kernel_surfaces.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"

namespace {

// How far below the lower bound a distance tolerance may lie and still be
// taken (as the bound).
constexpr double kBoundMargin = 1e-10;

// The kernel's smallest length in model units.
double distance_bound() {
    const int n = 1;
    double value = 0;
    int ifail = 0;
    KI_oumodp(&n, &value, &ifail);
    return value * pxsfac_[1];
}

// Sign values of the host mapped onto the interface's.
int mapped_sign(int sign) {
    switch (sign) {
        case 8: return 9;
        case 9: return 10;
        default: return sign;
    }
}

int host_sign(tag feature) { return get_resultant_feature(feature); }

// The boolean type of a sign: a new body or a unite tell from the root
// record (the feature that made the body) and its flag.
int boolean_type(tag feature, int sign) {
    switch (sign) {
        case 0:
        case 1: {
            const tag root = FREC_ask_root_of_frec(feature);
            if (sign == 1 && root != feature) return 6;
            return root != NULL_TAG && FREC_is_a_meta_frec(root) ? 5 : 4;
        }
        case 2: return 7;
        case 8: return 9;
        case 9: return 10;
        default: return 8;
    }
}

}  // namespace

KXAPI void KX_MODL_ask_distance_tolerance(double* tolerance) {
    if (tolerance) *tolerance = srfc1_[0];
}

KXAPI void KX_MODL_ask_angle_tolerance(double* tolerance) {
    if (tolerance) *tolerance = srfc1_[1];
}

// A null value is refused (result 1); nothing is written through a null
// result.
KXAPI void KX_MODL_set_distance_tolerance(double* tolerance, int* result) {
    kx::guarded([&] {
        int answer = 1;
        if (tolerance && !std::isnan(*tolerance)) {
            const double bound = distance_bound();
            if (*tolerance >= bound - kBoundMargin) {
                srfc1_[0] = *tolerance < bound ? bound : *tolerance;
                answer = 0;
            }
        }
        if (result) *result = answer;
    });
}

KXAPI void KX_MODL_set_angle_tolerance(double* tolerance, int* result) {
    kx::guarded([&] {
        int answer = 1;
        if (tolerance && !std::isnan(*tolerance) && *tolerance >= EQ_ask_number_tolerance()) {
            srfc1_[1] = *tolerance;
            answer = 0;
        }
        if (result) *result = answer;
    });
}

KXAPI int KX_MODL_ask_feature_sign(tag feature, int* sign) {
    return kx::modl::ask_of_feature(feature, sign, [&] { return mapped_sign(host_sign(feature)); });
}

KXAPI int KX_MODL_ask_feature_boolean(tag feature, int* type) {
    return kx::modl::ask_of_feature(feature, type, [&] { return boolean_type(feature, host_sign(feature)); });
}
