// Read-only queries on curves and edges: evaluation, parameter range,
// centroid, arc length, turn angle, inflections, the curve-analysis display
// settings, and intersections with curves and faces.
#include <cmath>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "host/numeric/acom.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/base/services/memory.h"
#include "kx_curve.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace {

namespace kc = kx::curve;

constexpr int kBadDerivatives = KX_MODL_ERR_VALUE_OUT_OF_RANGE;
constexpr int kCentroidFailed = KX_MODL_ERR_CENTROID_FAILED;
// Word of acom_ that holds 2 for a part in inches.
constexpr int kUnitWord = 1246;

int class_of(tag object) {
    if (kc::type_of(object).type == 0) return ES_CLASS_OTHER;
    return es0017_(&object);
}

bool curve_or_edge(tag object) {
    const int c = class_of(object);
    return c == ES_CLASS_CURVE || c == ES_CLASS_EDGE;
}

// An evaluator held for the length of a call: freed on every way out.
class Held {
public:
    explicit Held(unsigned int evaluator) : e_(evaluator) {}
    ~Held() {
        if (e_ != 0) kx::release([this] { evcrvf(e_); });
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    unsigned int get() const { return e_; }

private:
    unsigned int e_;
};

// Factor from the part's length unit to the asked unit.
double unit_factor(int units) {
    const bool inch_part = acom_[kUnitWord] == 2;
    double f = 1.0;
    if (inch_part && units >= 2) f = 25.4;
    if (!inch_part && units == 1) f = 0.03937007874015748;
    if (units == 3) f *= 0.1;
    if (units == 4) f *= 0.001;
    return f;
}

bool face_like(const kc::TypeOf& t) {
    return (t.type == HOST_TYPE_SOLID && (t.subtype == HOST_SUBTYPE_BODY || t.subtype == HOST_SUBTYPE_FACE)) ||
           t.type == HOST_TYPE_PLANE || t.type == HOST_TYPE_DATUM_PLANE;
}

bool curve_type(int type) {
    return type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE;
}

bool is_edge(const kc::TypeOf& t) { return t.type == HOST_TYPE_SOLID && t.subtype == HOST_SUBTYPE_EDGE; }

// The work of the intersection, with the host allocator marked.
int intersect(tag first, tag second, const double* reference, curve_intersection* out) {
    const kc::TypeOf t1 = kc::type_of(first), t2 = kc::type_of(second);
    if (!is_edge(t1) && !curve_type(t1.type)) return kx::param(1);
    tag face = second;
    if (t2.type == HOST_TYPE_SOLID && t2.subtype == HOST_SUBTYPE_BODY) {
        int count = 0;
        unsigned int* faces = nullptr;
        PX_body_ask_faces_sm(second, &count, &faces);
        if (count == 1) face = faces[0];
        if (count != 1) return kx::param(2);
    } else if (!face_like(t2) && !is_edge(t2) && !curve_type(t2.type)) {
        return kx::param(2);
    }
    if (!reference || !out) return kx::param(3);
    *out = curve_intersection{};
    int status = 0;
    double point[3] = {0, 0, 0}, parameter = 0, uv[2] = {0, 0};
    if (face_like(t2)) {
        double ref[3];
        map02_(reference, ref);
        int hit = PX_intersect_edge_and_face(first, face, ref, &status, point, &parameter, uv);
        if (hit == 1 && !is_edge(t1))
            hit = CRV_int_ext_curve_and_face(first, face, ref, &status, point, &parameter, uv);
        if (hit != 0) return 0;
        out->type_of_intersection = 1;
        for (int i = 0; i < 3; ++i) out->curve_point[i] = point[i];
        out->curve_parm = parameter;
        if (t2.type != HOST_TYPE_PLANE && t2.type != HOST_TYPE_DATUM_PLANE) {
            out->entity_parms[0] = uv[0];
            out->entity_parms[1] = uv[1];
        }
        return 0;
    }
    double ref[3], second_parameter = 0;
    map13_(reference, ref);
    em10_(&first, &second, ref, &status, point, &parameter, &second_parameter);
    if (status == 1 || status == 2) {
        out->type_of_intersection = status;
        for (int i = 0; i < 3; ++i) out->curve_point[i] = point[i];
        out->curve_parm = parameter;
        out->entity_parms[0] = second_parameter;
    }
    return 0;
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_evaluate_curve(tag curve, double parameter, int derivatives, double* result) {
    return kx::frame([&] {
        if (!curve_or_edge(curve)) return kc::kBadCurve;
        if (derivatives < 0 || derivatives > 2) return kBadDerivatives;
        if (int st = kx::check({{result, 4}})) return st;
        const Held e(evcrvu_p(curve));
        if (e.get() == 0) return kc::kBadCurve;
        evcrve(e.get(), derivatives, parameter, result);
        return 0;
    });
}

KXAPI int KX_CURVE_ask_parameterization(tag curve, double param_range[2], int* periodicity) {
    return kx::frame([&] {
        if (!curve_or_edge(curve)) return kc::kBadCurve;
        if (int st = kx::check({{param_range, 2}, {periodicity, 3}})) return st;
        const Held e(evcrvu(curve));
        const curve_struct* head = host::evc::record(e.get());
        if (!head) return kc::kBadCurve;
        param_range[0] = head->start;
        param_range[1] = head->start + head->span;
        if (em05_(&curve) == 1) *periodicity = 0;
        else *periodicity = head->periodic ? 1 : 2;
        return 0;
    });
}

KXAPI int KX_CURVE_ask_centroid(tag curve, double centroid[3]) {
    return kx::frame([&] {
        if (!curve_or_edge(curve)) return kc::kBadCurve;
        if (!centroid) return kx::param(2);
        for (int i = 0; i < 3; ++i) centroid[i] = 0;
        const Held e(evcrvu_p(curve));
        if (e.get() == 0) return kc::kBadCurve;
        int failed = 0;
        CRV_PROPS_calc_centroid(e.get(), centroid, &failed);
        return failed ? kCentroidFailed : 0;
    });
}

KXAPI int KX_CURVE_ask_arc_length(tag curve, double start_param, double end_param, int units, double* arc_length) {
    // The frame is armed before the curve is loaded, so that a curve the
    // host cannot load ends the call with its code.
    bool empty = false;
    return kx::frame(
        kx::acknowledging,
        [&] {
            if (!curve_or_edge(curve)) return kx::param(1);
            if (units < 0 || units > 4) return kx::param(4);
            if (!arc_length) return kx::param(5);
            empty = !(std::fabs(start_param - end_param) > 1e-10);
            return 0;
        },
        [&] {
            if (empty) {
                *arc_length = 0;  // nothing to measure: the curve is not read
                return 0;
            }
            e7009_(&curve, nullptr, nullptr);
            const double from = crvcom_.t0 + (crvcom_.t1 - crvcom_.t0) * start_param;
            const double to = crvcom_.t0 + (crvcom_.t1 - crvcom_.t0) * end_param;
            double length = 0;
            int status = 0;
            em7013_(&from, &to, &length, &status);
            *arc_length = length * unit_factor(units);
            return status;
        });
}

KXAPI int KX_CURVE_ask_curve_turn_angle(tag curve, double orientation[3], double* angle) {
    return kx::frame([&] {
        if (class_of(curve) != ES_CLASS_CURVE) return kc::kBadCurve;
        double w1[CRV_WORK_DOUBLES], w2[CRV_WORK_DOUBLES];
        e7009_(&curve, w1, w2);
        em24_(w1, w2, orientation, angle);
        return 0;
    });
}

KXAPI int KX_CURVE_ask_curve_inflections(tag curve, int option, double range[2], int* num_inflections,
                                         double** inflections) {
    return kx::frame([&] {
        kx::clear(num_inflections, inflections);
        if (int st = kx::check({{range, 3}, {num_inflections, 4}, {inflections, 5}})) return st;
        // Every test runs; the last one that fails gives the code.
        int code = 0;
        if (class_of(curve) != ES_CLASS_CURVE) code = kx::param(1);
        double start = range[0], end = range[1];
        if (std::fabs(start) < 1e-10) start = 0;
        else if (start < 0) code = kx::param(3);
        if (std::fabs(end - 100) < 1e-10) end = 100;
        else if (end > 100) code = kx::param(3);
        if (code != 0) return code;
        CRV_PROPS_calc_inflection_pts(curve, option, start, end, num_inflections, inflections);
        return 0;
    });
}

KXAPI int KX_CURVE_ask_analysis_display(tag curve, curve_analysis_display* display) {
    return kx::frame(
        [&] {
            if (CONTEXT_ask_root_part() == 0 || CONTEXT_ask_work_part() == 0) return kx::kPartNotLoaded;
            return 0;
        },
        [&] {
            if (kc::type_of(curve).type == 0) return kx::param(1);
            const int type = ES_ask_entity_type(curve);
            if (!curve_type(type)) return kx::param(1);
            if (!display) return kx::param(2);
            CRVANL_CARecord_t r{};
            CRVANL_read_CARecord(curve, &r);
            curve_analysis_display d{};
            d.scale = r.scale;
            for (int i = 0; i < 4; ++i) d.show_flags[i] = r.show[i] != 0;
            d.density = r.density;
            for (int i = 0; i < 4; ++i) d.options[i] = r.options[i];
            d.show_limits = r.limits_on;
            for (int i = 0; i < 3; ++i) d.limits[i] = r.limits[i];
            for (int i = 0; i < 6; ++i) d.styles[i] = r.styles[i];
            *display = d;
            return 0;
        });
}

KXAPI int KX_CURVE_intersect(tag curve, tag entity, double ref_point[3], curve_intersection* intersection) {
    return kx::frame(
        kx::acknowledging, [] { return 0; },
        [&] {
            const int mark = SM_set_mark();
            struct Release {
                int mark;
                ~Release() {
                    kx::release([this] { SM_free_to_mark(mark); });
                }
            } release{mark};
            return intersect(curve, entity, ref_point, intersection);
        });
}

}  // extern "C"
