// Curve measurement of the host: ranges, projection onto a curve, the
// frame and curvature of the loaded curve, the angle between vectors, the
// largest curvature on a range and the planarity of a spline. Curves are
// evaluated through the host's curve mathematics (the kernel's curves).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/base/hook.h"
#include "host/kernel/measure/measure.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

struct V {
    double x = 0, y = 0, z = 0;
};
V of(const double* p) { return {p[0], p[1], p[2]}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(double k, V a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(V a) { return std::sqrt(dot(a, a)); }
void store(V a, double* out) {
    out[0] = a.x;
    out[1] = a.y;
    out[2] = a.z;
}

hostnum::Curve curve_of(const host::Call& call, unsigned int object) {
    call.live(object);
    std::optional<hostnum::Curve> c = host::curves::curve_of(object);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u carries no curve", object);
    return std::move(*c);
}

void range_of(const curve_struct& c, double r[2]) { hostnum::curve_limits(c, r); }

// Point and first three derivatives.
void derivatives(const host::Call& call, const curve_struct& c, double t, V& p, V& d1, V& d2, V& d3) {
    double point[3], d[9];
    if (hostnum::curve_evaluate(c, 3, t, point, d) != hostnum::CurveError::ok)
        call.fail(HOST_ERR_BAD_ARGUMENT, "the curve cannot be evaluated at %g", t);
    p = of(point);
    d1 = of(d);
    d2 = of(d + 3);
    d3 = of(d + 6);
}

double curvature_at(const host::Call& call, const curve_struct& c, double t) {
    V p, d1, d2, d3;
    derivatives(call, c, t, p, d1, d2, d3);
    const double speed = norm(d1);
    if (speed <= 0) return 0;
    return norm(cross(d1, d2)) / (speed * speed * speed);
}

// The curve loaded by e7009_.
hostnum::Curve loaded(const host::Call& call) {
    if (crvcom_.curve == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no curve is loaded");
    return curve_of(call, crvcom_.curve);
}

}  // namespace

extern "C" {

double MODL_ask_distance_tol(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, srfc1_[0]);
}

double MODL_ask_angular_tol(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, srfc1_[1]);
}

void es0330_(const unsigned int* curve, double range[2]) {
    auto call = HOST_ENTRY(curve ? *curve : 0u, range);
    call.need(curve, "the curve");
    call.need(range, "the range output");
    const hostnum::Curve c = curve_of(call, *curve);
    range_of(c.record(), range);
}

void em0150_(const unsigned int* curve, const double point[3], const int* extend, double* parameter, double foot[3],
             int* count) {
    auto call = HOST_ENTRY(curve ? *curve : 0u, point, extend ? *extend : 0, parameter);
    call.need(curve, "the curve");
    call.need(point, "the point");
    call.need(extend, "the extension flag");
    call.need(parameter, "the parameter output");
    call.need(foot, "the foot output");
    call.need(count, "the count output");
    *count = 0;
    if (call.outputs() > 0) {
        *count = static_cast<int>(call.int_out(0, 0));
        *parameter = call.real_out(1, 0);
        for (int i = 0; i < 3; ++i) foot[i] = call.real_out(2 + i, 0);
        return;
    }
    const hostnum::Curve c = curve_of(call, *curve);
    const curve_struct& r = c.record();
    const int kind = hostnum::evaluator_type(r);
    if (*extend == 1 && kind == EVAL_LINE) {
        // P(t) = origin + t direction, unbounded.
        const auto* d = static_cast<const curve_line_data*>(r.data);
        const V o = of(d->origin), u = of(d->direction);
        const double uu = dot(u, u);
        if (uu <= 0) return;
        *parameter = dot(of(point) - o, u) / uu;
        store(o + *parameter * u, foot);
        *count = 1;
        return;
    }
    if (*extend == 1 && kind == EVAL_ARC) {
        // The whole round: the angle of the point about the center.
        const auto* d = static_cast<const curve_arc_data*>(r.data);
        const V w = of(point) - of(d->center), x = of(d->x_axis), y = of(d->y_axis);
        const double a = std::atan2(dot(w, y), dot(w, x));
        *parameter = a;
        store(of(d->center) + d->radius * (std::cos(a) * x) + d->radius * (std::sin(a) * y), foot);
        *count = 1;
        return;
    }
    double t = 0;
    if (hostnum::curve_closest_point(r, point, &t, foot) != hostnum::CurveError::ok) return;
    *parameter = t;
    *count = 1;
}

void h006_(const double* parameter, const double* start, const double* end, const double* period, int* shifted,
           int* periods) {
    auto call =
        HOST_ENTRY(parameter ? *parameter : 0.0, start ? *start : 0.0, end ? *end : 0.0, period ? *period : 0.0);
    call.need(parameter, "the parameter");
    call.need(start, "the start");
    call.need(end, "the end");
    call.need(period, "the period");
    call.need(shifted, "the shift output");
    call.need(periods, "the period count output");
    *shifted = 0;
    *periods = 0;
    const double lo = std::min(*start, *end), hi = std::max(*start, *end);
    if (!(*period > 0) || (*parameter >= lo && *parameter <= hi)) return;
    *periods = static_cast<int>(-std::floor((*parameter - lo) / *period));
    *shifted = 1;
}

void e7008_(const double* parameter, double point[3], double tangent[3]) {
    auto call = HOST_ENTRY(parameter ? *parameter : 0.0, point, tangent);
    call.need(parameter, "the parameter");
    call.need(point, "the point output");
    call.need(tangent, "the tangent output");
    const hostnum::Curve c = loaded(call);
    V p, d1, d2, d3;
    derivatives(call, c.record(), *parameter, p, d1, d2, d3);
    store(p, point);
    store(d1, tangent);
}

void e7004_(const double* parameter, double frame[9], double* torsion, double* curvature) {
    auto call = HOST_ENTRY(parameter ? *parameter : 0.0, frame, torsion, curvature);
    call.need(parameter, "the parameter");
    call.need(frame, "the frame output");
    call.need(torsion, "the torsion output");
    call.need(curvature, "the curvature output");
    const hostnum::Curve c = loaded(call);
    double p[3];
    if (hostnum::curve_unit_vectors(c.record(), *parameter, p, frame, frame + 3, frame + 6) != hostnum::CurveError::ok)
        call.fail(HOST_ERR_BAD_ARGUMENT, "the curve has no tangent at %g", *parameter);
    V pt, d1, d2, d3;
    derivatives(call, c.record(), *parameter, pt, d1, d2, d3);
    const double speed = norm(d1);
    const V b = cross(d1, d2);
    const double bb = dot(b, b);
    *curvature = speed > 0 ? std::sqrt(bb) / (speed * speed * speed) : 0;
    *torsion = bb > 0 ? dot(b, d3) / bb : 0;
}

void h061_(const double a[3], const double b[3], double* angle) {
    auto call = HOST_ENTRY(a, b, angle);
    call.need(a, "the first vector");
    call.need(b, "the second vector");
    call.need(angle, "the angle output");
    const V u = of(a), v = of(b);
    const double s = norm(cross(u, v)), c = dot(u, v);
    *angle = s == 0 && c == 0 ? 0 : std::atan2(s, c);
}

int CRV_PROPS_calc_max_curvature(unsigned int curve, double start, double end, double* curvature, double* parameter) {
    auto call = HOST_ENTRY(curve, start, end, curvature);
    call.need(curvature, "the curvature output");
    call.need(parameter, "the parameter output");
    if (int st; call.status(st)) return st;
    const hostnum::Curve c = curve_of(call, curve);
    double r[2];
    range_of(c.record(), r);
    const double slack = 1e-9 * std::max(1.0, r[1] - r[0]);
    if (!(end > start) || start < r[0] - slack || end > r[1] + slack) return 2;
    // Samples, then a golden-section search between the best sample's
    // neighbours.
    const int n = 256;
    int best = 0;
    double top = -1;
    for (int i = 0; i <= n; ++i) {
        const double k = curvature_at(call, c.record(), start + (end - start) * i / n);
        if (k > top) {
            top = k;
            best = i;
        }
    }
    double a = start + (end - start) * std::max(0, best - 1) / n;
    double b = start + (end - start) * std::min(n, best + 1) / n;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double x1 = b - g * (b - a), x2 = a + g * (b - a);
    double f1 = curvature_at(call, c.record(), x1), f2 = curvature_at(call, c.record(), x2);
    for (int i = 0; i < 80 && b - a > 1e-14 * std::max(1.0, std::abs(a)); ++i) {
        if (f1 > f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - g * (b - a);
            f1 = curvature_at(call, c.record(), x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + g * (b - a);
            f2 = curvature_at(call, c.record(), x2);
        }
    }
    const double t = (a + b) / 2, k = curvature_at(call, c.record(), t);
    if (k >= top) {
        *curvature = k;
        *parameter = t;
    } else {
        *curvature = top;
        *parameter = start + (end - start) * best / n;
    }
    return 0;
}

int em0945(unsigned int evaluator, double data[6]) {
    auto call = HOST_ENTRY(evaluator, data);
    call.need(data, "the data output");
    EVC_bcurve_data_t d{};
    EVC_ask_bcurve_data(evaluator, &d);
    std::vector<double> raw(4 * static_cast<std::size_t>(std::max(d.num_control_pts, 0)));
    if (!raw.empty()) EVC_ask_bcurve_control_4(evaluator, raw.data());
    std::vector<V> poles;
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4)
        if (raw[i + 3] != 0) poles.push_back((1 / raw[i + 3]) * V{raw[i], raw[i + 1], raw[i + 2]});
    std::fill(data, data + 6, 0.0);
    if (poles.empty()) return 3;
    store(poles[0], data);
    double size = 0;
    std::size_t far = 0;
    for (std::size_t i = 0; i < poles.size(); ++i)
        if (norm(poles[i] - poles[0]) > size) {
            size = norm(poles[i] - poles[0]);
            far = i;
        }
    const double tol = 1e-9 * std::max(1.0, size);
    if (size <= tol) return 3;
    const V u = (1 / size) * (poles[far] - poles[0]);
    double off = 0;
    std::size_t side = 0;
    for (std::size_t i = 0; i < poles.size(); ++i) {
        const double h = norm(cross(poles[i] - poles[0], u));
        if (h > off) {
            off = h;
            side = i;
        }
    }
    if (off <= tol) {
        store(u, data + 3);
        return 1;
    }
    V n = cross(u, poles[side] - poles[0]);
    n = (1 / norm(n)) * n;
    for (const V& p : poles)
        if (std::abs(dot(p - poles[0], n)) > tol) return 3;
    store(n, data + 3);
    return 2;
}

}  // extern "C"
