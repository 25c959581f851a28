// Points features and datums from a point and a direction, with the
// display size of such a datum axis.
#include <algorithm>

#include "host/apps/modeling/bodyops/datums.h"
#include "host/model/feature/feature.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/base/services/objects.h"
#include "kx_modl_body_ops.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace {

constexpr const char* kPointsMark = "Create Datum_Points";
constexpr double kSizeTolerance = 1e-10;

using Create = int (*)(unsigned int, unsigned int, unsigned int*);

int create_datum(Create make, tag point, tag direction, tag* datum) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(datum);
            return kx::check({{point != NULL_TAG, 1}, {direction != NULL_TAG, 2}, {datum, 3}});
        },
        [&] { return make(point, direction, datum); });
}

// The feature of a point-direction datum axis, or 0.
tag axis_feature(tag datum) {
    if (!TAG_ask_pointer_of_tag(datum) || RM_ask_entity_type(datum) != HOST_TYPE_DATUM_AXIS) return NULL_TAG;
    const tag feature = MODL_ask_feature_of_rm_entity(datum);
    return feature != NULL_TAG && DATUM_is_daxis_axis_frec(feature) ? feature : NULL_TAG;
}

}  // namespace

KXAPI int KX_MODL_create_points_feature(int count, tag* points, tag* feature) {
    return kx::frame(
        [&] {
            kx::clear(feature);
            if (count < 0) return kx::param(1);
            if (count > 0 && !points) return kx::param(2);
            return feature ? 0 : kx::param(3);
        },
        [&] {
            unsigned int record = 0;
            const int st =
                kx::undo_bracket(1, kPointsMark, [&] { return POINT_create_edit_feature(count, points, 1, &record); });
            if (st == 0) *feature = record;
            return st;
        });
}

KXAPI int KX_MODL_create_point_dirr_daxis(tag point, tag direction, tag* datum) {
    return create_datum(DATUM_daxis_axis_create_frec, point, direction, datum);
}

KXAPI int KX_MODL_create_point_dirr_dplane(tag point, tag direction, tag* datum) {
    return create_datum(DATUM_dplane_axis_create_frec, point, direction, datum);
}

KXAPI int KX_MODL_edit_point_dirr_daxis_size(tag datum_axis, double size) {
    return kx::frame(
        kx::arm_first, [&] { return size < -kSizeTolerance ? kx::param(2) : 0; },
        [&] {
            const tag feature = axis_feature(datum_axis);
            if (feature == NULL_TAG) return kx::param(1);
            // A size within the tolerance below 0 is 0.
            DATUM_edit_point_dirr_daxis_size(feature, std::max(size, 0.0));
            return 0;
        });
}

KXAPI int KX_MODL_ask_daxis_size(tag datum_axis, double* size) {
    return kx::frame(
        kx::arm_first, [&] { return size ? 0 : kx::param(2); },
        [&] {
            const tag feature = axis_feature(datum_axis);
            if (feature == NULL_TAG) return kx::param(1);
            DATUM_ask_point_dirr_daxis_size(feature, size);
            return 0;
        });
}
