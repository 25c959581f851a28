// Conics (ellipse, parabola, hyperbola): create, read and edit in standard
// form, and convert between the standard form and the general
// second-degree equation with two end points.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/wcs.h"
#include "host/numeric/conics.h"
#include "host/numeric/linalg.h"
#include "kx_curve.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace {

namespace kc = kx::curve;

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Validation of a standard-form record, shared by create, edit and the
// conversion to the general form: the first failing test's code, or 0.
// An ellipse whose sweep exceeds a full turn by less than 1e-11 is valid;
// *end receives its end parameter clamped to start + 2 pi (otherwise the
// record's own end). The record itself is not changed here: callers store
// the clamped end only when the record is accepted.
int validate(const conic_data& r, double* end) {
    *end = r.end_param;
    int code = 0;
    switch (r.conic_type) {
        case KX_CONIC_ELLIPSE: {
            const double sweep = r.end_param - r.start_param;
            if (r.start_param < 0 || r.start_param > kTwoPi) code = kc::kStartOutOfRange;
            else if (sweep - 1e-11 > kTwoPi) code = kc::kSweepTooLarge;
            else if (sweep < 0) code = kc::kStartAfterEnd;
            else if (!(r.k1 > 0) || !(r.k2 > 0)) code = kc::kDegenerateConic;
            if (sweep > kTwoPi) *end = r.start_param + kTwoPi;
            break;
        }
        case KX_CONIC_HYPERBOLA:
            if (r.start_param < -kPi / 2 || r.start_param > kPi / 2 || r.end_param < -kPi / 2 || r.end_param > kPi / 2)
                code = kc::kStartOutOfRange;
            else if (r.k1 == 0 || !(std::fabs(r.k2) > 1e-10)) code = kc::kDegenerateConic;
            else if (r.end_param < r.start_param) code = kc::kStartAfterEnd;
            break;
        case KX_CONIC_PARABOLA:
            if (!(std::fabs(r.k1) > 1e-10)) code = kc::kDegenerateConic;
            break;
        default: return kc::kBadConicType;
    }
    if (code != 0) return code;
    if (r.matrix_tag != NULL_TAG && kc::type_of(r.matrix_tag).type != HOST_TYPE_MATRIX) return kc::kNotMatrix;
    return 0;
}

// Validation where a record without a matrix is refused with 1480003 in
// place of any other code (creating and editing need the matrix). On
// success the clamped end parameter is stored in the caller's record.
int validate_for_model(conic_data& r) {
    double end = 0;
    const int code = validate(r, &end);
    if (r.matrix_tag == NULL_TAG) return kc::kNotMatrix;
    if (code == 0) r.end_param = end;
    return code;
}

// The host's form of a standard record: a hyperbola's parameters become
// values of v.
CONIC_std_data_t host_record(const conic_data& r) {
    CONIC_std_data_t h{};
    h.matrix = r.matrix_tag;
    h.type = r.conic_type;
    h.rotation = r.rotation_angle;
    h.start = r.start_param;
    h.end = r.end_param;
    for (int i = 0; i < 3; ++i) h.center[i] = r.center[i];
    h.k1 = r.k1;
    h.k2 = r.k2;
    if (r.conic_type == KX_CONIC_HYPERBOLA) {
        h.start = r.k2 * std::tan(r.start_param);
        h.end = r.k2 * std::tan(r.end_param);
    }
    return h;
}

// The standard record of the thirteen conic values of a conic of the type.
conic_data record_of_values(tag matrix, int type, const double v[CONIC_VALUE_COUNT]) {
    conic_data r{};
    r.matrix_tag = matrix;
    r.conic_type = type;
    r.rotation_angle = std::atan2(v[CONIC_V_SIN], v[CONIC_V_COS]);
    r.start_param = v[CONIC_V_START];
    r.end_param = v[CONIC_V_END];
    if (type == KX_CONIC_HYPERBOLA) {
        r.start_param = std::atan(v[CONIC_V_START] / v[CONIC_V_K2]);
        r.end_param = std::atan(v[CONIC_V_END] / v[CONIC_V_K2]);
    }
    r.center[0] = v[CONIC_V_CENTER_X];
    r.center[1] = v[CONIC_V_CENTER_Y];
    r.center[2] = v[CONIC_V_HEIGHT];
    r.k1 = v[CONIC_V_K1];
    r.k2 = v[CONIC_V_K2];
    return r;
}

// Angle of a point about a center (x and y of each), in [0, 2 pi).
double kx0235_(const double* center, const double* p) {
    const double r = std::hypot(p[0] - center[0], p[1] - center[1]);
    if (h805_(p[0] - r, center[0], 1)) return 0;
    if (h805_(p[0] + r, center[0], 1)) return kPi;
    return h053_((p[1] - center[1]) / r, (p[0] - center[0]) / r);
}

double planar_distance(double x0, double y0, const double* p) { return std::hypot(x0 - p[0], y0 - p[1]); }

// One standard solution of classified data: the thirteen conic values and
// the solution's frame (the conic's own axes turned into the frame of the
// caller's matrix).
struct Solution {
    double values[CONIC_VALUE_COUNT];
    double frame[9];
};

// The solution of classified data d; false when the data give no conic (a
// parabola too narrow to place). matrix: the values of the caller's matrix.
bool solution(int type, std::array<double, 13> d, const conic_general_data& g, const double matrix[9], Solution& out) {
    const double theta = d[6];
    const double turn[9] = {std::cos(theta), -std::sin(theta), 0, std::sin(theta), std::cos(theta), 0, 0, 0, 1};
    double inverse[9];
    h110_(matrix, inverse);
    MTX3_multiply(inverse, turn, out.frame);
    double* v = out.values;
    // Coordinates of the end points on the conic's own axes.
    auto on_axes = [&](const double* p, double* u, double* w) {
        const double phi = h053_(p[1] - d[1], p[0] - d[0]) - theta;
        const double rho = std::hypot(p[0] - d[0], p[1] - d[1]);
        *u = rho * std::cos(phi);
        *w = rho * std::sin(phi);
    };
    double us, vs, ue, ve;
    on_axes(g.start_point, &us, &vs);
    on_axes(g.end_point, &ue, &ve);
    switch (type) {
        case KX_CONIC_ELLIPSE:
            d[4] = kx0235_(d.data(), g.start_point) + kTwoPi - theta;
            d[5] = kx0235_(d.data(), g.end_point) + kTwoPi - theta;
            if (d[5] < d[4]) d[5] += kTwoPi;
            k0671_(d.data(), v);
            return true;
        case KX_CONIC_PARABOLA:
            d[4] = std::min(vs, ve);
            d[5] = ve < vs ? vs : ve;
            if (vs == ve) d[4] = d[5] = vs;
            if (!(d[2] >= 0.001)) return false;
            k0672_(d.data(), v);
            return true;
        default:
            d[4] = std::min(vs, ve);
            d[5] = ve < vs ? vs : ve;
            k0673_(d.data(), v);
            return true;
    }
}

// The body of the conversion to the standard form.
int convert_conic_to_standard(const conic_general_data& g, conic_data* out, logical* sense) {
    const double coefficients[6] = {g.A, g.B, g.C, g.D, g.E, g.F};
    int status = 0, type = 0;
    std::array<double, 13> d{};
    k0680_(coefficients, &status, &type, d.data());
    if (status != 0) return kc::kDegenerateConic;
    d[7] = g.start_point[2];
    double matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (g.matrix_tag != NULL_TAG) ES_ask_elements_of_matrix(g.matrix_tag, matrix);

    Solution one{}, two{};
    const double* first = one.values;
    const double* second = two.values;
    if (!solution(type, d, g, matrix, one)) return kc::kDegenerateConic;
    if (type == KX_CONIC_ELLIPSE &&
        planar_distance(first[CONIC_V_START_X], first[CONIC_V_START_Y], &first[CONIC_V_END_X]) < 1e-10) {
        *out = record_of_values(g.matrix_tag, type, first);
        *sense = 1;
        return 0;
    }
    const bool branches = type == KX_CONIC_HYPERBOLA;
    if (branches) {
        std::array<double, 13> other = d;
        other[6] += kPi;
        solution(type, other, g, matrix, two);
    }

    // Distances between computed and given end points, each with the mark
    // of the candidate it speaks for: 0 first solution as it runs, 1 first
    // reversed, 2 and 3 the same for the other branch.
    struct Candidate {
        double distance;
        int mark;
    };
    std::vector<Candidate> c;
    auto add = [&](const double* v, int mark) {
        c.push_back({planar_distance(v[CONIC_V_START_X], v[CONIC_V_START_Y], g.start_point), mark});
        c.push_back({planar_distance(v[CONIC_V_END_X], v[CONIC_V_END_Y], g.end_point), mark});
        c.push_back({planar_distance(v[CONIC_V_START_X], v[CONIC_V_START_Y], g.end_point), mark + 1});
        c.push_back({planar_distance(v[CONIC_V_END_X], v[CONIC_V_END_Y], g.start_point), mark + 1});
    };
    add(first, 0);
    if (branches) add(second, 2);
    // Exchange sort that swaps only when strictly smaller: equal distances
    // keep their order.
    for (std::size_t i = 0; i < c.size(); ++i)
        for (std::size_t j = i + 1; j < c.size(); ++j)
            if (c[j].distance < c[i].distance) std::swap(c[i], c[j]);
    if ((c[1].distance - c[0].distance) * 1.1 < c[2].distance - c[1].distance && c[1].mark != c[0].mark)
        return kc::kNoBranch;
    const bool other_branch = c[0].mark >= 2;
    *out = record_of_values(g.matrix_tag, type, other_branch ? second : first);
    *sense = (c[0].mark == 1 || c[0].mark == 3) ? 0 : 1;
    return 0;
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_create_conic(conic_data* conic_data_rec, tag* conic) {
    return kx::frame(
        [&] {
            kx::clear(conic);
            if (int st = kx::check({{conic_data_rec, 1}, {conic, 2}})) return st;
            return validate_for_model(*conic_data_rec);
        },
        [&] {
            const conic_data& r = *conic_data_rec;
            CONIC_std_data_t h = host_record(r);
            double start[3], end[3];
            CONIC_ask_endpoints(&h, start, end);
            double v[CONIC_VALUE_COUNT];
            v[CONIC_V_START] = h.start;
            v[CONIC_V_END] = h.end;
            v[CONIC_V_HEIGHT] = r.center[2];
            v[CONIC_V_START_X] = start[0];
            v[CONIC_V_START_Y] = start[1];
            v[CONIC_V_END_X] = end[0];
            v[CONIC_V_END_Y] = end[1];
            v[CONIC_V_CENTER_X] = r.center[0];
            v[CONIC_V_CENTER_Y] = r.center[1];
            v[CONIC_V_K1] = r.k1;
            v[CONIC_V_K2] = r.k2;
            v[CONIC_V_SIN] = std::sin(r.rotation_angle);
            v[CONIC_V_COS] = std::cos(r.rotation_angle);
            const int type = r.conic_type;
            const unsigned int matrix = r.matrix_tag;
            return kc::create(conic, [&](tag* out) { es0600_(&type, v, &matrix, out); });
        });
}

KXAPI int KX_CURVE_ask_conic_data(tag conic, conic_data* conic_data_rec) {
    return kx::frame(
        [&] {
            if (kc::type_of(conic).type != HOST_TYPE_CONIC) return kc::kNotConic;
            return kx::check({{conic_data_rec, 2}});
        },
        [&] {
            const tag matrix = kc::matrix_of(conic);
            double v[CONIC_VALUE_COUNT];
            es0610_(&conic, v);
            *conic_data_rec = record_of_values(matrix, kc::type_of(conic).subtype, v);
            return 0;
        });
}

KXAPI int KX_CURVE_edit_conic_data(tag conic, conic_data* conic_data_rec) {
    return kx::frame(
        kx::arm_first,
        [&] {
            if (int st = kc::refuse_edit(conic, HOST_TYPE_CONIC, kc::kNotConic)) return st;
            const kc::TypeOf t = kc::type_of(conic);
            if (int st = kx::check({{conic_data_rec, 2}})) return st;
            if (conic_data_rec->conic_type != t.subtype) return kc::kBadConicType;
            return validate_for_model(*conic_data_rec);
        },
        [&] {
            const CONIC_std_data_t h = host_record(*conic_data_rec);
            return kc::edit(conic, [&] {
                CONIC_set_data(conic, &h);
                ES_set_matrix_of_entity(conic, conic_data_rec->matrix_tag);
            });
        });
}

KXAPI int KX_CURVE_convert_conic_to_gen(conic_data* conic_data_rec, conic_general_data* gen_conic_data) {
    return kx::frame(
        [&] {
            if (int st = kx::check({{conic_data_rec, 1}, {gen_conic_data, 2}})) return st;
            double end = 0;
            const int code = validate(*conic_data_rec, &end);
            if (code == 0) conic_data_rec->end_param = end;
            return code;
        },
        [&] {
            const conic_data& r = *conic_data_rec;
            const CONIC_std_data_t h = host_record(r);
            conic_general_data g{};
            CONIC_ask_endpoints(&h, g.start_point, g.end_point);
            const double s = std::sin(r.rotation_angle), c = std::cos(r.rotation_angle);
            const double cx = r.center[0], cy = r.center[1], k1 = r.k1, k2 = r.k2;
            double P, Q, R, U = 0, V = 0, W;
            switch (r.conic_type) {
                case KX_CONIC_ELLIPSE:
                    P = k1 * k1;
                    Q = k2 * k2;
                    R = Q - P;
                    W = -k2 * k2 * k1;
                    break;
                case KX_CONIC_HYPERBOLA:
                    P = -k1 * k1;
                    Q = k2 * k2;
                    R = Q - P;
                    W = -k2 * k2 * k1;
                    break;
                default:  // parabola
                    P = 1;
                    Q = 0;
                    R = -1;
                    U = -c * k1;
                    V = -s * k1;
                    W = c * cx + s * cy;
                    break;
            }
            g.matrix_tag = r.matrix_tag;
            g.A = P * s * s + Q * c * c;
            g.B = 2 * R * c * s;
            g.C = Q * s * s + P * c * c;
            g.D = U - (2 * g.A * cx + g.B * cy);
            g.E = V - (2 * g.C * cy + g.B * cx);
            g.F = W * k1 + g.A * cx * cx + g.B * cx * cy + g.C * cy * cy;
            *gen_conic_data = g;
            return 0;
        });
}

KXAPI int KX_CURVE_convert_conic_to_std(conic_general_data* gen_conic_data, conic_data* conic_data_rec,
                                        logical* sense) {
    return kx::frame(
        [&] {
            if (int st = kx::check({{gen_conic_data, 1}, {conic_data_rec, 2}, {sense, 3}})) return st;
            const conic_general_data& g = *gen_conic_data;
            if (g.matrix_tag != NULL_TAG && kc::type_of(g.matrix_tag).type != HOST_TYPE_MATRIX) return kc::kNotMatrix;
            if (std::fabs(g.start_point[2] - g.end_point[2]) > 1e-10) return kc::kHeightsDiffer;
            return 0;
        },
        [&] { return convert_conic_to_standard(*gen_conic_data, conic_data_rec, sense); });
}

}  // extern "C"
