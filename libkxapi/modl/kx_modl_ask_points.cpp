// Points against bodies and along curves, and the cycle through objects:
// where a point lies against a body, the points the host generates along a
// curve, and the next live object of a type and subtype.
#include <algorithm>

#include "kx_codes.h"
#include "kx_modl_geometry.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_measure.h"

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_cycle.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace km = kx::modl::measure;

namespace {

constexpr const char* kModule = "kx_modl_ask_points";

// A kernel point held for the length of a query.
class KernelPoint {
public:
    explicit KernelPoint(const double at[3]) { PX_point_create(at, &tag_); }
    ~KernelPoint() {
        if (tag_ != 0) kx::release([t = tag_] { ZQ_ENTITY_delete(t); });
    }
    KernelPoint(const KernelPoint&) = delete;
    KernelPoint& operator=(const KernelPoint&) = delete;
    int tag() const { return tag_; }

private:
    int tag_ = 0;
};

int containment_of(int answer) {
    switch (answer) {
        case MEASURE_INSIDE: return KX_MODL_POINT_INSIDE;
        case MEASURE_OUTSIDE: return KX_MODL_POINT_OUTSIDE;
        case MEASURE_ON: return KX_MODL_POINT_ON_BOUND;
        default: return 0;
    }
}

bool curve_points_code(int code) {
    return code == MEASURE_ERR_CHORD_TOLERANCE || code == MEASURE_ERR_ANGLE_TOLERANCE || code == MEASURE_ERR_STEP;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_ask_point_containment(double point[3], tag body, int* containment) {
    double at[3] = {0, 0, 0};
    return kx::frame(
        kx::acknowledging, kx::before_check([&] {
            kx::clear(containment);
            return 0;
        }),
        [&] {
            if (int st = kx::check({{point, 1}, {containment, 3}})) return st;
            std::copy(point, point + 3, at);
            return 0;
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                int type = 0, subtype = 0;
                if (!km::type_of(body, &type, &subtype) || type != HOST_TYPE_SOLID)
                    ERROR_raise(kModule, 0, KX_MODL_ERR_NOT_A_BODY, "tag %u is no solid entity", body);
                if (OCC_is_occurrence(body)) OCC_untransform_point(body, at, at);
                const KernelPoint p(at);
                int entity = 0;
                es7010_occ_(&body, &entity);
                if (entity == 0)
                    ERROR_raise(kModule, 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "body %u has no kernel body", body);
                const int kp = p.tag();
                int answer = 0, fail = 0;
                KI_encont(&kp, &entity, &answer, &fail);
                if (fail != 0)
                    ERROR_raise(kModule, 0, KX_MODL_ERR_NO_FACE_RANGE, "the kernel cannot classify the point (%d)",
                                fail);
                *containment = containment_of(answer);
                return 0;
            });
        });
}

KXAPI int KX_MODL_ask_curve_points(tag curve, double chord, double angle, double step, int* num_points,
                                   double** points) {
    return kx::guarded([&] {
        const int st = kx::frame(
            kx::no_check,
            [&] {
                kx::clear(num_points, points);
                return kx::check({{num_points, 5}, {points, 6}});
            },
            [&] {
                // A curve or an edge.
                if (!TAG_ask_pointer_of_tag(curve)) return kx::param(1);
                const int cls = es0017_(&curve);
                if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return kx::param(1);
                // The points are the caller's only when the call succeeds.
                int n = 0;
                double* raw = nullptr;
                MODL_ask_curve_points(curve, chord, angle, step, &n, &raw);
                kx::host_ptr<double> made(raw);
                if (OCC_is_occurrence(curve))
                    for (int i = 0; i < n; ++i) OCC_transform_point(curve, raw + 3 * i, raw + 3 * i);
                *points = made.release();
                *num_points = n;
                return 0;
            });
        return curve_points_code(st) ? static_cast<int>(KX_MODL_ERR_CURVE_POINTS) : st;
    });
}

KXAPI int KX_MODL_ask_object(int type, int subtype, tag* object) {
    return kx::frame(
        kx::bare,
        [&] {
            return kx::check({{object, 3}});
        },
        [&] {
            if (*object != NULL_TAG && !TAG_ask_pointer_of_tag(*object))
                return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            const unsigned int part = CONTEXT_ask_work_part();
            if (part == 0) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            unsigned int at = *object;
            for (;;) {
                ES_cycle_entities_by_type(part, type, &at);
                if (at == NULL_TAG) {
                    *object = NULL_TAG;
                    return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
                }
                int t = 0, s = 0;
                km::type_of(at, &t, &s);
                if (s == subtype && es0022_(&at) == 3) {
                    *object = at;
                    return 0;
                }
            }
        });
}

}  // extern "C"
