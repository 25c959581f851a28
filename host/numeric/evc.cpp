// The host's curve evaluators (see evc.h).
#include "host/numeric/evc.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace {

using hostnum::Curve;
using hostnum::CurveError;

// Distance within which two evaluators describe the same curve.
constexpr double kSameCurve = 1e-9;

struct Evaluators {
    std::unordered_map<unsigned int, Curve> live;
    // Handles count on across resets, so that no number is ever used twice.
    unsigned int next = 0x1000;
    void reset() { live.clear(); }
};
Evaluators& evaluators() { return host::service_state<Evaluators>("evaluators"); }
std::unordered_map<unsigned int, Curve>& table() { return evaluators().live; }
const bool registered = (evaluators(), true);

unsigned int add(Curve curve) {
    const unsigned int h = ++evaluators().next;
    table().emplace(h, std::move(curve));
    return h;
}

const Curve& live(unsigned int evaluator, const host::Call& call) {
    auto it = table().find(evaluator);
    if (it == table().end()) call.fail(HOST_ERR_BAD_HANDLE, "%u is not a live evaluator", evaluator);
    return it->second;
}

// The record of a live evaluator of the given type.
const curve_struct& of_type(unsigned int evaluator, int type, const host::Call& call) {
    const curve_struct& c = live(evaluator, call).record();
    if (hostnum::evaluator_type(c) != type)
        call.fail(HOST_ERR_WRONG_CLASS, "the evaluator's curve is of type %d", hostnum::evaluator_type(c));
    return c;
}

void copy3(const double* from, double* to) { std::copy(from, from + 3, to); }

// The record of a live evaluator of the given type and its data block, of
// the kind that type keeps, after a check of the caller's output.
template <class Data>
std::pair<const curve_struct&, const Data&> data_of(unsigned int evaluator, int type, const void* out,
                                                    const host::Call& call) {
    const curve_struct& c = of_type(evaluator, type, call);
    call.need(out);
    return {c, *static_cast<const Data*>(c.data)};
}

// The parameter limits and the placement (center, X and Y axis) shared by
// the data of arcs and conics.
template <class Data>
void placement(const curve_struct& c, const Data& d, double limits[2], double center[3], double x_axis[3],
               double y_axis[3]) {
    hostnum::curve_limits(c, limits);
    copy3(d.center, center);
    copy3(d.x_axis, x_axis);
    copy3(d.y_axis, y_axis);
}

void check(CurveError e, const host::Call& call) {
    if (e == CurveError::ok) return;
    call.fail(HOST_ERR_BAD_ARGUMENT, "the curve cannot be evaluated here (%d)", static_cast<int>(e));
}

}  // namespace

namespace host::evc {

const curve_struct* record(unsigned int evaluator) {
    auto it = table().find(evaluator);
    return it == table().end() ? nullptr : &it->second.record();
}

unsigned int make(const hostnum::Curve& curve) { return add(curve); }

int live_count() { return static_cast<int>(table().size()); }

}  // namespace host::evc

extern "C" {

unsigned int evcrvx(unsigned int evaluator, const double rotation[9], const double translation[3]) {
    auto call = HOST_ENTRY(evaluator, rotation, translation);
    const Curve& c = live(evaluator, call);
    call.need(rotation);
    call.need(translation);
    return add(c.transformed(rotation, translation));
}

void EVC_free(unsigned int evaluator) {
    auto call = HOST_ENTRY(evaluator);
    live(evaluator, call);
    table().erase(evaluator);
}

int EVC_is_live(unsigned int evaluator) {
    HOST_ENTRY(evaluator);
    return table().count(evaluator) ? 1 : 0;
}

void EVC_ask_curve_limits(unsigned int evaluator, double limits[2]) {
    auto call = HOST_ENTRY(evaluator, limits);
    const Curve& c = live(evaluator, call);
    call.need(limits);
    hostnum::curve_limits(c.record(), limits);
}

int EVC_is_curve_periodic(unsigned int evaluator) {
    auto call = HOST_ENTRY(evaluator);
    if (int st; call.status(st)) return st;
    return hostnum::curve_is_periodic(live(evaluator, call).record()) ? 1 : 0;
}

int EVC_ask_curve_type(unsigned int evaluator) {
    auto call = HOST_ENTRY(evaluator);
    if (int st; call.status(st)) return st;
    return hostnum::evaluator_type(live(evaluator, call).record());
}

void EVC_evaluate(unsigned int evaluator, int n, double parameter, double point[3], double* derivs) {
    auto call = HOST_ENTRY(evaluator, n, parameter, point);
    const Curve& c = live(evaluator, call);
    call.need(point);
    if (n < 0 || n > EVC_MAX_DERIVATIVES) call.fail(HOST_ERR_BAD_ARGUMENT, "%d derivatives", n);
    if (n > 0) call.need(derivs);
    check(hostnum::curve_evaluate(c.record(), n, parameter, point, derivs), call);
}

void EVC_evaluate_unit_vectors(unsigned int evaluator, double parameter, double point[3], double tangent[3],
                               double normal[3], double binormal[3]) {
    auto call = HOST_ENTRY(evaluator, parameter, point, tangent);
    const Curve& c = live(evaluator, call);
    for (const void* p : {static_cast<const void*>(point), static_cast<const void*>(tangent),
                          static_cast<const void*>(normal), static_cast<const void*>(binormal)})
        call.need(p);
    check(hostnum::curve_unit_vectors(c.record(), parameter, point, tangent, normal, binormal), call);
}

void EVC_ask_closest_point(unsigned int evaluator, const double reference[3], double* parameter, double point[3]) {
    auto call = HOST_ENTRY(evaluator, reference, parameter, point);
    const Curve& c = live(evaluator, call);
    call.need(reference);
    call.need(parameter);
    call.need(point);
    check(hostnum::curve_closest_point(c.record(), reference, parameter, point), call);
}

int EVC_is_equivalent(unsigned int evaluator, unsigned int other) {
    auto call = HOST_ENTRY(evaluator, other);
    if (int st; call.status(st)) return st;
    const Curve& a = live(evaluator, call);
    const Curve& b = live(other, call);
    return hostnum::curve_is_equivalent(a.record(), b.record(), kSameCurve) ? 1 : 0;
}

void EVC_ask_line_data(unsigned int evaluator, EVC_line_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_line_data>(evaluator, EVAL_LINE, data, call);
    double lim[2];
    hostnum::curve_limits(c, lim);
    hostnum::curve_evaluate(c, 0, lim[0], data->start, nullptr);
    hostnum::curve_evaluate(c, 0, lim[1], data->end, nullptr);
    const double speed = std::hypot(d.direction[0], d.direction[1], d.direction[2]);
    for (int i = 0; i < 3; ++i) data->direction[i] = d.direction[i] / speed;
    data->length = speed * (lim[1] - lim[0]);
}

void EVC_ask_arc_data(unsigned int evaluator, EVC_arc_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_arc_data>(evaluator, EVAL_ARC, data, call);
    data->is_periodic = c.periodic ? 1 : 0;
    placement(c, d, data->limits, data->center, data->x_axis, data->y_axis);
    data->radius = d.radius;
}

void EVC_ask_ellipse_data(unsigned int evaluator, EVC_ellipse_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_conic_data>(evaluator, EVAL_ELLIPSE, data, call);
    data->is_periodic = c.periodic ? 1 : 0;
    placement(c, d, data->limits, data->center, data->x_axis, data->y_axis);
    data->major = d.c[2];
    data->minor = d.c[3];
}

void EVC_ask_parabola_data(unsigned int evaluator, EVC_parabola_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_conic_data>(evaluator, EVAL_PARABOLA, data, call);
    placement(c, d, data->limits, data->vertex, data->x_axis, data->y_axis);
    data->focal_length = d.c[2];
}

void EVC_ask_hyperbola_data(unsigned int evaluator, EVC_hyperbola_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_conic_data>(evaluator, EVAL_HYPERBOLA, data, call);
    placement(c, d, data->limits, data->center, data->x_axis, data->y_axis);
    data->k2 = std::sqrt(d.c[3]);
    data->k1 = d.c[2] * data->k2;
}

void EVC_ask_bcurve_data(unsigned int evaluator, EVC_bcurve_data_t* data) {
    auto call = HOST_ENTRY(evaluator, data);
    const auto [c, d] = data_of<curve_spline_data>(evaluator, EVAL_SPLINE, data, call);
    bool rational = false;
    for (int i = 0; i < d.n_poles; ++i) rational = rational || d.poles[4 * i + 3] != d.poles[3];
    data->is_rational = rational ? 1 : 0;
    data->is_periodic = c.periodic ? 1 : 0;
    data->order = d.order;
    data->num_knots = d.n_poles + d.order;
    data->num_control_pts = d.n_poles;
}

void EVC_ask_bcurve_knots(unsigned int evaluator, double* knots) {
    auto call = HOST_ENTRY(evaluator, knots);
    const auto& d = data_of<curve_spline_data>(evaluator, EVAL_SPLINE, knots, call).second;
    std::copy(d.knots, d.knots + d.n_poles + d.order, knots);
}

void EVC_ask_bcurve_control_4(unsigned int evaluator, double* poles) {
    auto call = HOST_ENTRY(evaluator, poles);
    const auto& d = data_of<curve_spline_data>(evaluator, EVAL_SPLINE, poles, call).second;
    std::copy(d.poles, d.poles + 4 * d.n_poles, poles);
}

}  // extern "C"
