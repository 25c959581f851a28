// Plain curves made from other model data: the curve of an edge, a spline
// from poles and knots, and the iso-parameter curves of a face.
#include <algorithm>
#include <cmath>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/queries.h"
#include "host/kernel/curves/splines.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_curve.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_internal.h"
#include "libkxapi/obj/kx_obj_internal.h"

namespace {

namespace kc = kx::curve;

constexpr int kMaxPoles = 2147483600;
constexpr double kMinWeight = 1e-10;
constexpr double kParameterSnap = 1e-10;
constexpr double kMinTolerance = 1e-10;
constexpr double kRadiansPerDegree = 0.017453292519943295;
// The host's code of a parameter that misses its face, and of memory
// exhausted inside the B-curve service.
constexpr int kHostMissesFace = 901;
constexpr int kHostMemory = 903;
// A surface kind that has no v-direction iso curves.
constexpr int kSurfaceWithoutV = 4007;

// The regeneration tail of a curve made here.
void regenerate(tag curve) { DSS_REGEN_regen_object(curve); }

// The curves the host made on a face, handed to the caller and regenerated;
// a host answer of failure maps to `failed` (a parameter off the face has a
// code of its own).
int hand_out_curves(unsigned int* made, int n, int error, int failed, tag** curves, int* count) {
    if (error == kHostMissesFace) return KX_MODL_ERR_PARAMETER_MISSES_FACE;
    if (error != 0) return failed;
    *curves = made;
    for (int i = 0; i < n; ++i) regenerate(made[i]);
    *count = n;
    return 0;
}

int spline_data_refused(int n, int k, const double* knots, const double* poles) {
    if (n < 0 || n > kMaxPoles || k < 2 || k > BC_MAX_ORDER || n < k) return KX_MODL_ERR_SPLINE_DATA;
    if (!knots || !poles) return KX_MODL_ERR_SPLINE_DATA;
    for (int i = 1; i < n + k; ++i)
        if (!(knots[i] >= knots[i - 1])) return KX_MODL_ERR_SPLINE_DATA;
    for (int i = 0; i < n; ++i)
        if (!(poles[4 * i + 3] > kMinWeight)) return KX_MODL_ERR_SPLINE_DATA;
    return 0;
}

// The spline of checked poles and knots, in the host's memory released to
// a mark on every way out; *fixed becomes 875132 when the host fixed the
// data up (the spline is made all the same).
int make_spline(int n, int k, const double* knots, const double* poles, tag* curve, int knot_fixup, int pole_fixup,
                int& fixed) {
    const int mark = SM_set_mark();
    tag made = NULL_TAG;
    int answer = 0;
    {
        kx::frame_scope scope;
        try {
            answer = BC_create_nurb(n, k, knots, poles, &made, knot_fixup, pole_fixup);
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
            const int code = ERROR_ask_failure_code();
            SM_free_to_mark(mark);
            return code == kHostMemory ? KX_MODL_ERR_PARAMETER_MISSES_FACE : KX_MODL_ERR_SPLINE_HOST;
        }
    }
    SM_free_to_mark(mark);
    if (made == NULL_TAG) return KX_MODL_ERR_SPLINE_NOT_MADE;
    regenerate(made);
    *curve = made;
    fixed = answer != 0 ? KX_MODL_ERR_SPLINE_FIXED : 0;
    return 0;
}

// The face's surface checks shared by the iso and isocline curves.
int face_with_surface(tag face) {
    if (es0022_(&face) != 3) return KX_MODL_ERR_NO_OBJECT_DATA;
    unsigned int entity = 0;
    int faces = 0;
    es7034_(&face, &entity, &faces);
    return entity != 0 ? 0 : KX_MODL_ERR_FACE_DATA;
}

// The checks of a fit record, in the order of their codes; a record
// without the points or slopes it names is refused as a bad first argument.
int fit_refused(const fit_data& f) {
    const int order = f.degree + 1;
    const bool slopes = f.slope_type >= 1;
    if (order < 2 || order > BC_MAX_ORDER || (order == 2 && slopes)) return KX_MODL_ERR_FIT_ORDER;
    if (order > f.point_count + (slopes ? 2 : 0)) return KX_MODL_ERR_FIT_TOO_FEW_POINTS;
    if (f.weight_count > f.point_count) return KX_MODL_ERR_FIT_WEIGHT_COUNT;
    if (f.weight_count > 0) {
        if (!f.weight_positions) return KX_MODL_ERR_FIT_WEIGHT_POSITION;
        for (int i = 0; i < f.weight_count; ++i)
            if (f.weight_positions[i] < 1 || f.weight_positions[i] > f.point_count)
                return KX_MODL_ERR_FIT_WEIGHT_POSITION;
    }
    const bool slopes_used = f.slope_type >= 1 && f.slope_type <= 3;
    if (!f.points || f.point_count < 2 || (slopes_used && !f.slopes) || (f.weight_count > 0 && !f.weights))
        return kx::param(1);
    return 0;
}

// The fit of a checked record: the host's fit definition made in its
// memory after `mark`, released to it here (after a host error the
// caller's failure step releases it).
int fit(const fit_data& f, int mark, double* max_error, int* max_index, tag* curve) {
    BC_fit_t* def = nullptr;
    BCDF_create_df_from_pts(f.points, f.point_count, 3, 1, &def);
    if (f.segments < 1) BCDF_change_tolerance(def, f.tolerance);
    else BCDF_change_number_of_segments(def, f.segments);
    for (int i = 0; i < f.weight_count; ++i) BCDF_replace_weight(def, f.weight_positions[i] - 1, f.weights[i]);
    const double* start = f.slopes;
    const double* end = f.slopes ? f.slopes + 3 : nullptr;
    const int last = f.point_count - 1;
    switch (f.slope_type) {
        case 1: BCDF_change_slope(def, 1, start, 0); break;
        case 2: BCDF_change_slope(def, 1, end, last); break;
        case 3:
            BCDF_change_slope(def, 1, start, 0);
            BCDF_change_slope(def, 1, end, last);
            break;
        default: break;
    }
    BCDF_change_order(def, f.degree + 1);
    BC_fit_result_t result{};
    int flag = 0;
    BC_create_fitted(def, 1, &result, &flag);
    SM_free_to_mark(mark);
    *max_error = result.max_error;
    *max_index = result.max_index;
    if (result.curve != NULL_TAG) {
        regenerate(result.curve);
        *curve = result.curve;
    }
    return flag == 1 ? KX_MODL_ERR_FIT_FAILED : 0;
}

using kx::curve::delete_temporary;

// The steps of a simplification between taking the caller's array and
// giving it back: edges are replaced in the array by temporary curves
// (noted in `temps`), then the host makes the segments.
int simplify_steps(int n, tag* curves, double tolerance, std::vector<tag>& temps, int* count, tag* segments) {
    for (int i = 0; i < n; ++i) {
        const int cls = es0017_(&curves[i]);
        if (cls == ES_CLASS_EDGE) {
            tag temp = NULL_TAG;
            int error = 0;
            kfp_edge(curves[i], tolerance, &temp, &error);
            if (error != 0 || temp == NULL_TAG) return KX_MODL_ERR_OPERATION_FAILED;
            temps.push_back(temp);
            curves[i] = temp;
        } else if (cls != ES_CLASS_CURVE) {
            return KX_MODL_ERR_WRONG_OBJECT;
        }
    }
    int made = 0;
    unsigned int* segs = nullptr;
    const int answer = CRV_SIMP_simplify_curves(n, curves, tolerance, &made, &segs);
    if (answer != 0 || made == 0) {
        SM_free(segs);
        return KX_MODL_ERR_OPERATION_FAILED;
    }
    for (int i = 0; i < made; ++i) segments[i] = segs[i];
    SM_free(segs);
    for (int i = 0; i < made; ++i) regenerate(segments[i]);
    *count = made;
    return 0;
}

// A simplification under the caller's frame: whatever happens, the
// caller's array is given back as it was and the temporary curves go.
int simplify(int n, tag* curves, double tolerance, int* count, tag* segments) {
    const std::vector<tag> given(curves, curves + n);
    std::vector<tag> temps;
    int status = 0;
    {
        kx::frame_scope scope;
        try {
            status = simplify_steps(n, curves, tolerance, temps, count, segments);
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
            status = ERROR_ask_failure_code();
            *count = 0;
        }
    }
    // The caller's array as it was, and no temporary curve left.
    std::copy(given.begin(), given.end(), curves);
    for (tag t : temps) delete_temporary(t);
    return status;
}

}  // namespace

namespace kx::curve {

// Removes a temporary curve (through the delete list, as every
// curve goes).
void delete_temporary(tag curve) {
    // Deleted at once, or refused: nothing further (KX_BAND_OBJ + 2 asks for
    // the delete list).
    if (kx::obj::delete_directly(curve) != KX_BAND_OBJ + 2) return;
    kx::obj::DeleteList list;
    try {
        kx::obj::log_for_delete(curve);
        list.finish();
    } catch (...) {
        list.abandon();
        throw;
    }
}

}  // namespace kx::curve

extern "C" {

KXAPI int KX_MODL_create_curve_from_edge(tag edge, tag* curve) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(curve);
            return kx::check({{curve, 2}});
        },
        [&]() -> int {
            const kc::TypeOf t = kc::type_of(edge);
            if (t.type != HOST_TYPE_SOLID || t.subtype != HOST_SUBTYPE_EDGE) return KX_MODL_ERR_WRONG_KIND;
            return kc::model_change([&]() -> int {
                int error = 0;
                tag made = NULL_TAG;
                pxedcu_(&edge, &made, &error);
                if (error != 0 || made == NULL_TAG) return KX_MODL_ERR_EDGE_CURVE_FAILED;
                regenerate(made);
                *curve = made;
                return 0;
            });
        });
}

KXAPI int KX_MODL_create_spline(int num_poles, int order, double* knots, double* poles, tag* curve, int knot_fixup,
                                int pole_fixup) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(curve);
            return kx::check({{curve, 5}});
        },
        [&]() -> int {
            if (int st = spline_data_refused(num_poles, order, knots, poles)) return st;
            // A spline made with its data fixed up stays, with its code.
            int fixed = 0;
            const int st = kc::model_change(
                [&] { return make_spline(num_poles, order, knots, poles, curve, knot_fixup, pole_fixup, fixed); });
            return st != 0 ? st : fixed;
        });
}

KXAPI int KX_MODL_create_isocurve(tag face, int direction, double parameter, double tolerance, tag** curves,
                                  int* count) {
    return kx::frame(
        kx::no_check, kx::on_error([&] {
            if (curves) kx::free_and_clear(*curves);
            kx::clear(count);
        }),
        [&] {
            kx::clear(curves, count);
            return kx::check({{curves, 5}, {count, 6}});
        },
        [&]() -> int {
            return kc::model_change([&]() -> int {
                kx::frame_scope scope;
                try {
                    if (int st = face_with_surface(face)) return st;
                    if (direction == 2) {
                        int type = 0;
                        PX_face_ask_type(face, &type);
                        if (type == kSurfaceWithoutV) return KX_MODL_ERR_ISO_V_REFUSED;
                    } else if (direction != 1) {
                        return KX_MODL_ERR_BAD_ISO_DIRECTION;
                    }
                    double ranges[4] = {0, 0, 0, 0};
                    {
                        kx::frame_scope range_scope;
                        try {
                            SRFCRV_ask_face_ranges(face, ranges);
                        } catch (const host::HostError& e) {
                            if (!range_scope.caught(e)) throw;
                            return KX_MODL_ERR_NO_FACE_RANGE;
                        }
                    }
                    const double lo = direction == 1 ? ranges[0] : ranges[2];
                    const double hi = direction == 1 ? ranges[1] : ranges[3];
                    if (std::fabs(parameter - lo) <= kParameterSnap) parameter = lo;
                    if (std::fabs(parameter - hi) <= kParameterSnap) parameter = hi;
                    if (parameter < lo || parameter > hi) return KX_MODL_ERR_ISO_OUT_OF_RANGE;
                    if (tolerance <= kMinTolerance) return KX_MODL_ERR_BAD_TOLERANCE;
                    unsigned int* made = nullptr;
                    int n = 0, error = 0;
                    SRFCRV_create_iso_curves(face, direction, parameter, 1, tolerance, &made, &n, &error);
                    return hand_out_curves(made, n, error, KX_MODL_ERR_ISO_FAILED, curves, count);
                } catch (const host::HostError& e) {
                    if (!scope.caught(e)) throw;
                    kx::free_and_clear(*curves);
                    return KX_MODL_ERR_ISO_FAILED;
                }
            });
        });
}

KXAPI int KX_MODL_create_fitted_spline(fit_data* data, double* max_error, int* max_index, tag* curve) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(max_error, max_index, curve);
            return kx::check({{data, 1}, {max_error, 2}, {max_index, 3}, {curve, 4}});
        },
        [&]() -> int {
            if (int st = fit_refused(*data)) return st;
            // A spline made outside the tolerance stays, with its code.
            int warning = 0;
            const int st = kc::model_change([&]() -> int {
                kx::frame_scope scope;
                int mark = 0;
                try {
                    mark = SM_set_mark();
                    warning = fit(*data, mark, max_error, max_index, curve);
                    return 0;
                } catch (const host::HostError& e) {
                    if (!scope.caught(e)) throw;
                    if (mark != 0) SM_free_to_mark(mark);
                    kx::clear(curve);
                    const int code = ERROR_ask_failure_code();
                    return code == BC_FIT_ORDER_POINTS || code == BC_FIT_ORDER_SLOPES ? KX_MODL_ERR_FIT_ORDER : code;
                }
            });
            return st != 0 ? st : warning;
        });
}

KXAPI int KX_MODL_create_simplified_curve(int n, tag* curves, double tolerance, int* count, tag* segments) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(count);
            if (n < 1) return 0;
            if (tolerance <= 0) return static_cast<int>(KX_MODL_ERR_BAD_TOLERANCE);
            return kx::check({{curves, 2}, {count, 4}, {segments, 5}});
        },
        [&]() -> int {
            if (n < 1) return 0;
            return kc::model_change([&] { return simplify(n, curves, tolerance, count, segments); });
        });
}

KXAPI int KX_MODL_create_isocline_curves(tag face, double direction[3], double angle, double tolerance, tag** curves,
                                         int* count) {
    const double radians = angle * kRadiansPerDegree;
    return kx::frame(
        kx::no_check, kx::on_error([&] {
            if (curves) kx::free_and_clear(*curves);
            kx::clear(count);
        }),
        [&] {
            kx::clear(curves, count);
            return kx::check({{direction, 2}, {curves, 5}, {count, 6}});
        },
        [&]() -> int {
            return kc::model_change([&]() -> int {
                kx::frame_scope scope;
                try {
                    if (int st = face_with_surface(face)) return st;
                    if (tolerance <= kMinTolerance) return KX_MODL_ERR_BAD_TOLERANCE;
                    int quintic = 0;
                    cdUIaskoutput_quintic(0, &quintic);
                    unsigned int* made = nullptr;
                    int n = 0, error = 0;
                    SRFCRV_create_isocline_curves(face, direction, radians, tolerance, quintic, 1, &made, &n, &error);
                    return hand_out_curves(made, n, error, KX_MODL_ERR_ISOCLINE_FAILED, curves, count);
                } catch (const host::HostError& e) {
                    if (!scope.caught(e)) throw;
                    kx::free_and_clear(*curves);
                    return KX_MODL_ERR_ISOCLINE_FAILED;
                }
            });
        });
}

}  // extern "C"
