// Plane geometry and conic classification (see conics.h).
#include "host/numeric/conics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/base/hook.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

double wrap_pi(double a) {
    a = std::fmod(a + kPi, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a - kPi;
}

// Shared part of the three builders: everything but the parameters.
void base_values(const double d[13], int type, double start, double end, double v[13]) {
    for (int i = 0; i < CONIC_VALUE_COUNT; ++i) v[i] = 0;
    v[CONIC_V_START] = start;
    v[CONIC_V_END] = end;
    v[CONIC_V_HEIGHT] = d[7];
    v[CONIC_V_CENTER_X] = d[0];
    v[CONIC_V_CENTER_Y] = d[1];
    v[CONIC_V_K1] = d[2];
    v[CONIC_V_K2] = d[3];
    v[CONIC_V_SIN] = std::sin(d[6]);
    v[CONIC_V_COS] = std::cos(d[6]);
    double p[3];
    hostnum::conic_point(v, type, start, p);
    v[CONIC_V_START_X] = p[0];
    v[CONIC_V_START_Y] = p[1];
    hostnum::conic_point(v, type, end, p);
    v[CONIC_V_END_X] = p[0];
    v[CONIC_V_END_Y] = p[1];
}

}  // namespace

extern "C" {

double h053_(double y, double x) {
    HOST_ENTRY(y, x);
    if (x == 0 && y == 0) return 0;
    double a = std::atan2(y, x);
    if (a < 0) a += kTwoPi;
    return a >= kTwoPi ? 0 : a;
}

int h805_(double a, double b, int tolerance_class) {
    HOST_ENTRY(a, b, tolerance_class);
    const double tol = tolerance_class == 2 ? 1e-6 : 1e-10;
    return std::fabs(a - b) <= tol * std::max({1.0, std::fabs(a), std::fabs(b)}) ? 1 : 0;
}

int h601_(const double* a1, const double* b1, const double* e1, const double* a2, const double* b2, const double* e2,
          double* x, double* y) {
    HOST_ENTRY(*a1, *b1, *a2, *b2);
    const double det = *a1 * *b2 - *a2 * *b1;
    const double scale = std::max({std::fabs(*a1), std::fabs(*b1)}) * std::max({std::fabs(*a2), std::fabs(*b2)});
    if (!(scale > 0) || std::fabs(det) <= 1e-12 * scale) {
        // Parallel (or empty) equations: the same line when the right-hand
        // sides agree in proportion.
        const double n1 = std::hypot(*a1, *b1), n2 = std::hypot(*a2, *b2);
        if (n1 == 0 || n2 == 0) return (n1 == 0 && *e1 != 0) || (n2 == 0 && *e2 != 0) ? 0 : 1;
        const double s = (*a1 * *a2 + *b1 * *b2) >= 0 ? 1.0 : -1.0;
        return std::fabs(*e1 / n1 - s * *e2 / n2) <= 1e-10 * std::max({1.0, std::fabs(*e1 / n1), std::fabs(*e2 / n2)})
                   ? 1
                   : 0;
    }
    *x = (*e1 * *b2 - *e2 * *b1) / det;
    *y = (*a1 * *e2 - *a2 * *e1) / det;
    return 2;
}

void h100_(const double point[3], const double matrix[9], double out[3]) {
    HOST_ENTRY(point, matrix, out);
    double r[3];
    for (int i = 0; i < 3; ++i)
        r[i] = matrix[3 * i] * point[0] + matrix[3 * i + 1] * point[1] + matrix[3 * i + 2] * point[2];
    for (int i = 0; i < 3; ++i) out[i] = r[i];
}

void h110_(const double matrix[9], double out[9]) {
    HOST_ENTRY(matrix, out);
    double r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[3 * i + j] = matrix[3 * j + i];
    for (int i = 0; i < 9; ++i) out[i] = r[i];
}

void k0680_(const double k[6], int* status, int* type, double d[13]) {
    HOST_ENTRY(k, status, type, d);
    *status = 1;
    *type = 0;
    for (int i = 0; i < 13; ++i) d[i] = 0;
    const double scale = std::max({std::fabs(k[0]), std::fabs(k[1]), std::fabs(k[2])});
    if (!(scale > 0) || !std::isfinite(scale)) return;
    const double a = k[0] / scale, b = k[1] / scale, c = k[2] / scale, dd = k[3] / scale, e = k[4] / scale,
                 f = k[5] / scale;
    for (double v : {dd, e, f})
        if (!std::isfinite(v)) return;
    const double disc = b * b - 4 * a * c;
    double theta = 0.5 * std::atan2(b, a - c);
    auto lambda_u = [&](double t) {
        const double cs = std::cos(t), sn = std::sin(t);
        return a * cs * cs + b * cs * sn + c * sn * sn;
    };
    auto lambda_v = [&](double t) {
        const double cs = std::cos(t), sn = std::sin(t);
        return a * sn * sn - b * sn * cs + c * cs * cs;
    };
    if (std::fabs(disc) <= 1e-10) {
        // Parabola: the u axis along the direction without a quadratic term.
        if (std::fabs(lambda_u(theta)) > std::fabs(lambda_v(theta))) theta += kPi / 2;
        const double l2 = lambda_v(theta);
        const double cs = std::cos(theta), sn = std::sin(theta);
        const double du = dd * cs + e * sn, ev = -dd * sn + e * cs;
        if (std::fabs(du) <= 1e-12 * std::max(1.0, std::fabs(ev)) || l2 == 0) return;
        const double v0 = -ev / (2 * l2);
        const double u0 = -(f - l2 * v0 * v0) / du;
        double k1 = -du / l2;
        d[0] = u0 * cs - v0 * sn;
        d[1] = u0 * sn + v0 * cs;
        if (k1 < 0) {
            theta += kPi;
            k1 = -k1;
        }
        d[2] = k1;
        d[3] = 0;
        d[6] = std::fmod(theta + 2 * kTwoPi, kTwoPi);
        *type = HOST_CONIC_PARABOLA;
        *status = 0;
        return;
    }
    // Central conic: the center makes the linear terms vanish.
    const double det = 4 * a * c - b * b;
    const double cx = (-2 * c * dd + b * e) / det;
    const double cy = (-2 * a * e + b * dd) / det;
    const double fc = f + (dd * cx + e * cy) / 2;
    const double l1 = lambda_u(theta), l2 = lambda_v(theta);
    const double tol = 1e-12 * (1 + std::fabs(f) + std::fabs(dd * cx) + std::fabs(e * cy));
    if (std::fabs(fc) <= tol) return;  // a point or a pair of lines
    if (disc < 0) {
        if (-fc / l1 <= 0 || -fc / l2 <= 0) return;  // no real points
        d[2] = std::sqrt(-fc / l1);
        d[3] = std::sqrt(-fc / l2);
        *type = HOST_CONIC_ELLIPSE;
    } else {
        if (-fc / l1 > 0) {
            d[2] = std::sqrt(-fc / l1);
            d[3] = std::sqrt(fc / l2);
        } else {
            theta += kPi / 2;
            d[2] = std::sqrt(-fc / l2);
            d[3] = std::sqrt(fc / l1);
        }
        *type = HOST_CONIC_HYPERBOLA;
    }
    d[0] = cx;
    d[1] = cy;
    d[6] = std::fmod(theta + 2 * kTwoPi, kTwoPi);
    *status = 0;
}

void k0671_(const double d[13], double values[13]) {
    HOST_ENTRY(d, values);
    // Polar angles about the center become the ellipse's own angles: the
    // two lie in the same quadrant, so the correction stays within pi / 2.
    const double a = d[2], b = d[3];
    auto own = [&](double phi) { return phi + wrap_pi(std::atan2(a * std::sin(phi), b * std::cos(phi)) - phi); };
    double t0 = own(d[4]), t1 = own(d[5]);
    if (t1 - t0 <= 1e-12) t1 = t0 + kTwoPi;  // the same end point: the whole ellipse
    const double shift = kTwoPi * std::floor(t0 / kTwoPi);
    t0 -= shift;
    t1 -= shift;
    base_values(d, HOST_CONIC_ELLIPSE, t0, t1, values);
}

void k0672_(const double d[13], double values[13]) {
    HOST_ENTRY(d, values);
    base_values(d, HOST_CONIC_PARABOLA, d[4], d[5], values);
}

void k0673_(const double d[13], double values[13]) {
    HOST_ENTRY(d, values);
    base_values(d, HOST_CONIC_HYPERBOLA, d[4], d[5], values);
}

}  // extern "C"

namespace hostnum {

void conic_point(const double v[CONIC_VALUE_COUNT], int type, double t, double out[3]) {
    const double k1 = v[CONIC_V_K1], k2 = v[CONIC_V_K2];
    double u = 0, w = 0;
    switch (type) {
        case HOST_CONIC_ELLIPSE:
            u = k1 * std::cos(t);
            w = k2 * std::sin(t);
            break;
        case HOST_CONIC_PARABOLA:
            w = t;
            u = k1 != 0 ? t * t / k1 : 0;
            break;
        default:  // hyperbola
            w = t;
            u = k2 != 0 ? k1 * std::sqrt(1 + (t * t) / (k2 * k2)) : k1;
            break;
    }
    const double s = v[CONIC_V_SIN], c = v[CONIC_V_COS];
    out[0] = v[CONIC_V_CENTER_X] + u * c - w * s;
    out[1] = v[CONIC_V_CENTER_Y] + u * s + w * c;
    out[2] = v[CONIC_V_HEIGHT];
}

}  // namespace hostnum
