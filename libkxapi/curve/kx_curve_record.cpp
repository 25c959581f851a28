// The curve record (an evaluator) and its data flattened into one array of
// doubles whose layout follows the curve's entity type (see kx_eval.h).
#include <algorithm>
#include <cmath>
#include <vector>

#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "kx_eval.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/eval/kx_eval_internal.h"

namespace {

// The modelling code for data this function cannot flatten.
constexpr int kCannotFlatten = KX_MODL_ERR_WRONG_OBJECT;
constexpr double kTwoPi = 6.283185307179586;

// The flat array of one record: its allocated size and the values filled
// from the start (the rest stays zero).
struct Flat {
    std::size_t size = 0;
    std::vector<double> v;
};

void put3(std::vector<double>& v, std::size_t at, const double* p) { std::copy(p, p + 3, v.begin() + at); }

// Head shared by every type but the point: start, span, periodic flag.
void head(std::vector<double>& v, const curve_struct& c) {
    v[0] = c.start;
    v[1] = c.span;
    v[2] = c.periodic;
}

// Lays the record out; answers 0 or the code that refuses it.
int flatten(const curve_struct& c, Flat& out) {
    switch (c.type) {
        case CURVE_POINT: {
            out.v.assign(out.size = 8, 0.0);
            put3(out.v, 0, static_cast<const curve_point_data*>(c.data)->position);
            return 0;
        }
        case CURVE_LINE: {
            const auto& d = *static_cast<const curve_line_data*>(c.data);
            out.v.assign(out.size = 15, 0.0);
            head(out.v, c);
            // The two ends, the lower parameter first.
            const double lo = c.span >= 0 ? c.start : c.start + c.span;
            const double hi = c.span >= 0 ? c.start + c.span : c.start;
            for (int i = 0; i < 3; ++i) {
                out.v[3 + i] = d.origin[i] + lo * d.direction[i];
                out.v[6 + i] = d.origin[i] + hi * d.direction[i];
            }
            return 0;
        }
        case CURVE_ARC: {
            const auto& a = *static_cast<const curve_arc_data*>(c.data);
            out.v.assign(out.size = 20, 0.0);
            head(out.v, c);
            out.v[3] = a.start_angle;
            out.v[4] = a.end_angle;
            out.v[5] = a.radius;
            put3(out.v, 6, a.center);
            put3(out.v, 9, a.x_axis);
            put3(out.v, 12, a.y_axis);
            return 0;
        }
        case CURVE_CONIC: {
            const auto& k = *static_cast<const curve_conic_data*>(c.data);
            std::vector<double> v(20, 0.0);
            head(v, c);
            if (k.subtype == CONIC_ELLIPSE || k.subtype == CONIC_PARABOLA) {
                std::copy(k.c, k.c + 4, v.begin() + 3);
            } else {
                // Angles of the ends from the ordinates: atan(c / r) + 2 pi,
                // with r the square root of the fourth value. Data without a
                // positive r define no such angles.
                const double r = std::fabs(std::sqrt(k.c[3]));
                if (!(r > 0) || !std::isfinite(r)) return kCannotFlatten;
                v[6] = r;
                v[5] = r * k.c[2];
                v[3] = std::atan2(k.c[0] / r, 1.0) + kTwoPi;
                v[4] = std::atan2(k.c[1] / r, 1.0) + kTwoPi;
                v[0] = v[3];
                v[1] = v[4] - v[3];
                v[2] = c.periodic;
            }
            v[7] = k.subtype;
            put3(v, 8, k.center);
            put3(v, 11, k.x_axis);
            put3(v, 14, k.y_axis);
            out.v = std::move(v);
            out.size = 20;
            return 0;
        }
        case CURVE_SPLINE: {
            const auto& s = *static_cast<const curve_spline_data*>(c.data);
            const std::size_t n = static_cast<std::size_t>(s.n_poles), k = static_cast<std::size_t>(s.order);
            out.v.assign(out.size = 5 * n + k + 20, 0.0);
            head(out.v, c);
            out.v[3] = static_cast<double>(n);
            out.v[4] = static_cast<double>(k);
            std::copy(s.knots, s.knots + n + k, out.v.begin() + 5);
            std::copy(s.poles, s.poles + 4 * n, out.v.begin() + 5 + static_cast<std::ptrdiff_t>(n + k));
            return 0;
        }
        default: return kCannotFlatten;
    }
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_ask_curve_struct(tag curve, evaluator* curve_struct) {
    return kx::eval::initialize(curve, curve_struct);
}

KXAPI int KX_CURVE_free_curve_struct(evaluator curve_struct) { return kx::eval::free(curve_struct); }

KXAPI int KX_CURVE_ask_curve_struct_data(evaluator curve_struct, int* type, double** data) {
    const ::curve_struct* record = nullptr;
    return kx::frame(
        [&] {
            record = host::evc::record(curve_struct);
            return kx::check({{record != nullptr, 1}, {type, 2}, {data, 3}});
        },
        [&] {
            *type = record->type;
            Flat flat;
            if (int st = flatten(*record, flat); st != 0) return st;
            double* out = kx::alloc_array<double>(flat.size);
            std::copy(flat.v.begin(), flat.v.end(), out);
            *data = out;
            return 0;
        });
}

}  // extern "C"
