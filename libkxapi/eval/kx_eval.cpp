// Curve evaluators: argument checks and the error frame around the host's
// evaluator service, and the copying of its answers into caller memory.
#include "kx_eval.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "host/numeric/evc.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/eval/kx_eval_internal.h"

namespace {

// Curve types of the evaluator service.
enum : int { kLine = 2, kArc = 3, kEllipse = 4, kParabola = 5, kHyperbola = 6, kSpline = 8 };

// A handle is usable when it names a live evaluator: null, freed and
// made-up handles are refused alike.
bool live(evaluator e) { return e != 0 && EVC_is_live(e) != 0; }

// The frame of every evaluator function: armed first, then the session
// check, then the argument checks of the prologue, then the work.
template <class Pro, class Work>
int eval_frame(Pro&& prologue, Work&& work) {
    return kx::frame(kx::arm_first, std::forward<Pro>(prologue), std::forward<Work>(work));
}

int is_type(evaluator e, logical* out, int type) {
    return eval_frame(
        [&] {
            return kx::check({{live(e), 1}, {out, 2}});
        },
        [&] {
            *out = EVC_ask_curve_type(e) == type;
            return 0;
        });
}

// The curve-data records of this interface are laid out exactly as the
// host's answers (the public header must stand alone, so it cannot take the
// host's declarations): every field sits at the same offset with the same
// type, which is checked here, so one copy of the bytes moves an answer into
// the caller's record.
#define KX_SAME_FIELD(Host, host_field, Record, field)                                     \
    static_assert(offsetof(Host, host_field) == offsetof(Record, field) &&                 \
                      std::is_same_v<decltype(Host::host_field), decltype(Record::field)>, \
                  #Record "." #field " is not laid out as " #Host "." #host_field)

KX_SAME_FIELD(EVC_line_data_t, start, eval_line_data, start);
KX_SAME_FIELD(EVC_line_data_t, end, eval_line_data, end);
KX_SAME_FIELD(EVC_line_data_t, direction, eval_line_data, direction);
KX_SAME_FIELD(EVC_line_data_t, length, eval_line_data, length);

KX_SAME_FIELD(EVC_arc_data_t, is_periodic, eval_arc_data, is_periodic);
KX_SAME_FIELD(EVC_arc_data_t, limits, eval_arc_data, limits);
KX_SAME_FIELD(EVC_arc_data_t, center, eval_arc_data, center);
KX_SAME_FIELD(EVC_arc_data_t, radius, eval_arc_data, radius);
KX_SAME_FIELD(EVC_arc_data_t, x_axis, eval_arc_data, x_axis);
KX_SAME_FIELD(EVC_arc_data_t, y_axis, eval_arc_data, y_axis);

KX_SAME_FIELD(EVC_ellipse_data_t, is_periodic, eval_ellipse_data, is_periodic);
KX_SAME_FIELD(EVC_ellipse_data_t, limits, eval_ellipse_data, limits);
KX_SAME_FIELD(EVC_ellipse_data_t, center, eval_ellipse_data, center);
KX_SAME_FIELD(EVC_ellipse_data_t, major, eval_ellipse_data, major);
KX_SAME_FIELD(EVC_ellipse_data_t, minor, eval_ellipse_data, minor);
KX_SAME_FIELD(EVC_ellipse_data_t, x_axis, eval_ellipse_data, x_axis);
KX_SAME_FIELD(EVC_ellipse_data_t, y_axis, eval_ellipse_data, y_axis);

KX_SAME_FIELD(EVC_parabola_data_t, limits, eval_parabola_data, limits);
KX_SAME_FIELD(EVC_parabola_data_t, vertex, eval_parabola_data, center);
KX_SAME_FIELD(EVC_parabola_data_t, focal_length, eval_parabola_data, k1);
KX_SAME_FIELD(EVC_parabola_data_t, x_axis, eval_parabola_data, x_axis);
KX_SAME_FIELD(EVC_parabola_data_t, y_axis, eval_parabola_data, y_axis);

KX_SAME_FIELD(EVC_hyperbola_data_t, limits, eval_hyperbola_data, limits);
KX_SAME_FIELD(EVC_hyperbola_data_t, center, eval_hyperbola_data, center);
KX_SAME_FIELD(EVC_hyperbola_data_t, k1, eval_hyperbola_data, k1);
KX_SAME_FIELD(EVC_hyperbola_data_t, k2, eval_hyperbola_data, k2);
KX_SAME_FIELD(EVC_hyperbola_data_t, x_axis, eval_hyperbola_data, x_axis);
KX_SAME_FIELD(EVC_hyperbola_data_t, y_axis, eval_hyperbola_data, y_axis);

KX_SAME_FIELD(EVC_bcurve_data_t, is_rational, eval_spline_data, is_rational);
KX_SAME_FIELD(EVC_bcurve_data_t, is_periodic, eval_spline_data, is_periodic);
KX_SAME_FIELD(EVC_bcurve_data_t, order, eval_spline_data, order);
KX_SAME_FIELD(EVC_bcurve_data_t, num_knots, eval_spline_data, num_knots);
KX_SAME_FIELD(EVC_bcurve_data_t, num_control_pts, eval_spline_data, num_control_pts);

#undef KX_SAME_FIELD

template <class HostRecord, class Record>
void copy_record(const HostRecord& h, Record& r) {
    static_assert(sizeof(HostRecord) == sizeof(Record) && std::is_trivially_copyable_v<Record>);
    std::memcpy(&r, &h, sizeof r);
}

// A live evaluator of the given curve type: one of another type is an
// invalid first argument too. Asked under the frame, which is armed first.
bool live_of_type(evaluator e, int type) { return live(e) && EVC_ask_curve_type(e) == type; }

// The defining data of one curve type.
template <class HostRecord, class Record>
int ask_data(evaluator e, Record* out, int type, void (*host_ask)(unsigned int, HostRecord*)) {
    return eval_frame(
        [&] {
            if (!live_of_type(e, type)) return kx::param(1);
            return kx::check({{out, 2}});
        },
        [&] {
            HostRecord local{};
            host_ask(e, &local);
            copy_record(local, *out);
            return 0;
        });
}

// The prologue of the two spline array functions.
int check_spline_arrays(evaluator e, const void* count, const void* array) {
    if (!live_of_type(e, kSpline)) return kx::param(1);
    return kx::check({{count, 2}, {array, 3}});
}

}  // namespace

namespace kx::eval {

int initialize(tag curve, evaluator* evaluator_out) {
    return eval_frame(
        [&] {
            return kx::check({{curve != NULL_TAG, 1}, {evaluator_out, 2}});
        },
        [&] {
            *evaluator_out = EVC_initialize(curve);
            return 0;
        });
}

int free(evaluator evaluator_in) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}});
        },
        [&] {
            EVC_free(evaluator_in);
            return 0;
        });
}

}  // namespace kx::eval

extern "C" {

KXAPI int KX_EVAL_initialize(tag curve, evaluator* evaluator_out) { return kx::eval::initialize(curve, evaluator_out); }

KXAPI int KX_EVAL_copy(evaluator evaluator_in, evaluator* evaluator_out) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {evaluator_out, 2}});
        },
        [&] {
            static constexpr double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            static constexpr double origin[3] = {0, 0, 0};
            *evaluator_out = evcrvx(evaluator_in, identity, origin);
            return 0;
        });
}

KXAPI int KX_EVAL_free(evaluator evaluator_in) { return kx::eval::free(evaluator_in); }

KXAPI int KX_EVAL_ask_limits(evaluator evaluator_in, double limits[2]) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {limits, 2}});
        },
        [&] {
            EVC_ask_curve_limits(evaluator_in, limits);
            return 0;
        });
}

KXAPI int KX_EVAL_is_periodic(evaluator evaluator_in, logical* is_periodic) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {is_periodic, 2}});
        },
        [&] {
            *is_periodic = EVC_is_curve_periodic(evaluator_in) != 0;
            return 0;
        });
}

KXAPI int KX_EVAL_evaluate(evaluator evaluator_in, int n_derivatives, double parameter, double point[3],
                           double* derivatives) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1},
                              {n_derivatives >= 0 && n_derivatives <= KX_EVAL_MAX_DERIVATIVES, 2},
                              {point, 4},
                              {derivatives != nullptr || n_derivatives == 0, 5}});
        },
        [&] {
            // The host writes the derivatives into a scratch block, freed on
            // every way out (a host error included).
            kx::host_ptr<double> scratch(kx::alloc_array<double>(3 * static_cast<std::size_t>(n_derivatives)));
            EVC_evaluate(evaluator_in, n_derivatives, parameter, point, scratch.get());
            if (n_derivatives > 0)
                std::memcpy(derivatives, scratch.get(), 3 * static_cast<std::size_t>(n_derivatives) * sizeof(double));
            return 0;
        });
}

KXAPI int KX_EVAL_evaluate_unit_vectors(evaluator evaluator_in, double parameter, double point[3], double tangent[3],
                                        double normal[3], double binormal[3]) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {point, 3}, {tangent, 4}, {normal, 5}, {binormal, 6}});
        },
        [&] {
            EVC_evaluate_unit_vectors(evaluator_in, parameter, point, tangent, normal, binormal);
            return 0;
        });
}

KXAPI int KX_EVAL_evaluate_closest_point(evaluator evaluator_in, const double reference[3], double* parameter,
                                         double closest_point[3]) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {reference, 2}, {parameter, 3}, {closest_point, 4}});
        },
        [&] {
            EVC_ask_closest_point(evaluator_in, reference, parameter, closest_point);
            return 0;
        });
}

KXAPI int KX_EVAL_is_equal(evaluator evaluator_in, evaluator other, logical* is_equal) {
    return eval_frame(
        [&] {
            return kx::check({{live(evaluator_in), 1}, {live(other), 2}, {is_equal, 3}});
        },
        [&] {
            *is_equal = EVC_is_equivalent(evaluator_in, other) != 0;
            return 0;
        });
}

KXAPI int KX_EVAL_is_line(evaluator e, logical* out) { return is_type(e, out, kLine); }
KXAPI int KX_EVAL_is_arc(evaluator e, logical* out) { return is_type(e, out, kArc); }
KXAPI int KX_EVAL_is_ellipse(evaluator e, logical* out) { return is_type(e, out, kEllipse); }
KXAPI int KX_EVAL_is_parabola(evaluator e, logical* out) { return is_type(e, out, kParabola); }
KXAPI int KX_EVAL_is_hyperbola(evaluator e, logical* out) { return is_type(e, out, kHyperbola); }
KXAPI int KX_EVAL_is_spline(evaluator e, logical* out) { return is_type(e, out, kSpline); }

KXAPI int KX_EVAL_ask_line(evaluator e, eval_line_data* data) { return ask_data(e, data, kLine, EVC_ask_line_data); }
KXAPI int KX_EVAL_ask_arc(evaluator e, eval_arc_data* data) { return ask_data(e, data, kArc, EVC_ask_arc_data); }
KXAPI int KX_EVAL_ask_ellipse(evaluator e, eval_ellipse_data* data) {
    return ask_data(e, data, kEllipse, EVC_ask_ellipse_data);
}
KXAPI int KX_EVAL_ask_parabola(evaluator e, eval_parabola_data* data) {
    return ask_data(e, data, kParabola, EVC_ask_parabola_data);
}
KXAPI int KX_EVAL_ask_hyperbola(evaluator e, eval_hyperbola_data* data) {
    return ask_data(e, data, kHyperbola, EVC_ask_hyperbola_data);
}
KXAPI int KX_EVAL_ask_spline(evaluator e, eval_spline_data* data) {
    return ask_data(e, data, kSpline, EVC_ask_bcurve_data);
}

KXAPI int KX_EVAL_ask_spline_knots(evaluator evaluator_in, int* n_knots, double** knots) {
    return eval_frame([&] { return check_spline_arrays(evaluator_in, n_knots, knots); },
                      [&] {
                          EVC_bcurve_data_t data{};
                          EVC_ask_bcurve_data(evaluator_in, &data);
                          kx::host_ptr<double> out(kx::alloc_array<double>(static_cast<std::size_t>(data.num_knots)));
                          EVC_ask_bcurve_knots(evaluator_in, out.get());
                          *n_knots = data.num_knots;
                          *knots = out.release();
                          return 0;
                      });
}

KXAPI int KX_EVAL_ask_spline_control_pts(evaluator evaluator_in, int* n_points, double** points) {
    return eval_frame([&] { return check_spline_arrays(evaluator_in, n_points, points); },
                      [&] {
                          EVC_bcurve_data_t data{};
                          EVC_ask_bcurve_data(evaluator_in, &data);
                          const std::size_t n = 4 * static_cast<std::size_t>(data.num_control_pts);
                          kx::host_ptr<double> scratch(kx::alloc_array<double>(n));
                          EVC_ask_bcurve_control_4(evaluator_in, scratch.get());
                          kx::host_ptr<double> out(kx::alloc_array<double>(n));
                          if (n > 0) std::memcpy(out.get(), scratch.get(), n * sizeof(double));
                          *n_points = data.num_control_pts;
                          *points = out.release();
                          return 0;
                      });
}

}  // extern "C"
