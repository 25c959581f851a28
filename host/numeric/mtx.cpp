// Matrix routines of the host's mathematics library (see linalg.h).
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "host/base/hook.h"
#include "host/numeric/linalg.h"
#include "host/numeric/linalg_impl.h"
#include "host/numeric/v3.h"

using hostnum::V3;

namespace {

using M3 = std::array<double, 9>;
using M4 = std::array<double, 16>;

V3 row(const M3& m, int i) { return {m[3 * i], m[3 * i + 1], m[3 * i + 2]}; }

void set_row(M3& m, int i, V3 v) {
    m[3 * i] = v.x;
    m[3 * i + 1] = v.y;
    m[3 * i + 2] = v.z;
}

bool unit(V3 v, V3& out) {
    const double n = hostnum::norm(v);
    if (!(n > NUMERIC_FRAME_TOLERANCE)) return false;
    out = (1.0 / n) * v;
    return true;
}

M3 load3(const double* m) {
    M3 r;
    std::copy(m, m + 9, r.begin());
    return r;
}

M4 load4(const double* m) {
    M4 r;
    std::copy(m, m + 16, r.begin());
    return r;
}

// out[i][j] = sum over k of b[i][k] a'[k][j], where a' is a or its transpose.
template <int N>
std::array<double, N * N> product(const double* a, const double* b, bool transpose_a) {
    std::array<double, N * N> r{};
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            double s = 0;
            for (int k = 0; k < N; ++k) s += b[i * N + k] * (transpose_a ? a[j * N + k] : a[k * N + j]);
            r[i * N + j] = s;
        }
    return r;
}

// Orthonormal rows from x and y (Gram-Schmidt), z = x cross y.
bool frame(V3 x, V3 y, M3& out) {
    V3 ux, uy;
    if (!unit(x, ux) || !unit(y, uy)) return false;
    if (!unit(uy - hostnum::dot(uy, ux) * ux, uy)) return false;
    set_row(out, 0, ux);
    set_row(out, 1, uy);
    set_row(out, 2, hostnum::cross(ux, uy));
    return true;
}

// A 4x4 transform from rotation rows r and translation t (scale 1).
M4 transform(const M3& r, V3 t) {
    M4 m{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[4 * i + j] = r[3 * i + j];
    }
    m[3] = t.x;
    m[7] = t.y;
    m[11] = t.z;
    m[15] = 1.0;
    return m;
}

// R p for rotation rows r.
V3 apply(const M3& r, V3 p) {
    return {hostnum::dot(row(r, 0), p), hostnum::dot(row(r, 1), p), hostnum::dot(row(r, 2), p)};
}

bool rotation3(double angle, const double* axis, M3& out) {
    V3 k;
    if (axis == nullptr || !unit(V3::load(axis), k)) return false;
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    out = {t * k.x * k.x + c,       t * k.x * k.y - s * k.z, t * k.x * k.z + s * k.y,
           t * k.x * k.y + s * k.z, t * k.y * k.y + c,       t * k.y * k.z - s * k.x,
           t * k.x * k.z - s * k.y, t * k.y * k.z + s * k.x, t * k.z * k.z + c};
    return true;
}

bool ortho_normalize(M3& m) {
    const V3 x = row(m, 0), y = row(m, 1), z = row(m, 2);
    V3 ux, uy, uz;
    if (!unit(x, ux)) return false;
    if (!unit(y - hostnum::dot(y, ux) * ux, uy)) return false;
    uz = hostnum::cross(ux, uy);
    // Keep the handedness the third row had.
    const double side = hostnum::dot(z, uz);
    if (std::fabs(side) <= NUMERIC_FRAME_TOLERANCE * std::max(1.0, hostnum::norm(z))) return false;
    if (side < 0) uz = -uz;
    set_row(m, 0, ux);
    set_row(m, 1, uy);
    set_row(m, 2, uz);
    return true;
}

}  // namespace

bool hostnum::frame3(const double* x, const double* y, double out[9]) {
    M3 m{};
    if (x == nullptr || y == nullptr || !frame(V3::load(x), V3::load(y), m)) return false;
    std::copy(m.begin(), m.end(), out);
    return true;
}

// Journals the call and answers a status that a test scripted for it.
#define NUMERIC_ENTRY(...)                \
    auto call_ = HOST_ENTRY(__VA_ARGS__); \
    if (int scripted_; call_.status(scripted_)) return scripted_

extern "C" {

int MTX2_init(const double x[2], const double y[2], double out[4]) {
    NUMERIC_ENTRY(x, y, out);
    if (x == nullptr || y == nullptr || out == nullptr) return 0;
    M3 m{};
    if (!frame({x[0], x[1], 0}, {y[0], y[1], 0}, m)) return 0;
    const double r[4] = {m[0], m[1], m[3], m[4]};
    std::copy(r, r + 4, out);
    return 1;
}

int MTX3_init(const double x[3], const double y[3], double out[9]) {
    NUMERIC_ENTRY(x, y, out);
    return out != nullptr && hostnum::frame3(x, y, out) ? 1 : 0;
}

int MTX3_init_x(const double x[3], double out[9]) {
    NUMERIC_ENTRY(x, out);
    double y[3];
    if (out == nullptr || !hostnum::perpendicular3(x, y)) return 0;
    return hostnum::frame3(x, y, out) ? 1 : 0;
}

int MTX3_init_z(const double z[3], double out[9]) {
    NUMERIC_ENTRY(z, out);
    double x[3];
    V3 uz;
    if (out == nullptr || !hostnum::perpendicular3(z, x) || !unit(V3::load(z), uz)) return 0;
    M3 m{};
    const V3 ux = V3::load(x);
    set_row(m, 0, ux);
    set_row(m, 1, hostnum::cross(uz, ux));
    set_row(m, 2, uz);
    std::copy(m.begin(), m.end(), out);
    return 1;
}

void MTX3_init_x_y_z(const double x[3], const double y[3], const double z[3], double out[9]) {
    HOST_ENTRY(x, y, z, out);
    M3 m{};
    set_row(m, 0, V3::load(x));
    set_row(m, 1, V3::load(y));
    set_row(m, 2, V3::load(z));
    std::copy(m.begin(), m.end(), out);
}

int MTX3_is_ortho_normal(const double m[9]) {
    NUMERIC_ENTRY(m);
    if (m == nullptr) return 0;
    const M3 a = load3(m);
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j) {
            const double expect = i == j ? 1.0 : 0.0;
            if (!(std::fabs(hostnum::dot(row(a, i), row(a, j)) - expect) <= 1e-8)) return 0;
        }
    return 1;
}

int MTX3_multiply(const double a[9], const double b[9], double out[9]) {
    NUMERIC_ENTRY(a, b, out);
    const auto r = product<3>(a, b, false);
    std::copy(r.begin(), r.end(), out);
    return 0;
}

int MTX3_multiply_t(const double a[9], const double b[9], double out[9]) {
    NUMERIC_ENTRY(a, b, out);
    const auto r = product<3>(a, b, true);
    std::copy(r.begin(), r.end(), out);
    return 0;
}

int MTX4_multiply(const double a[16], const double b[16], double out[16]) {
    NUMERIC_ENTRY(a, b, out);
    const auto r = product<4>(a, b, false);
    std::copy(r.begin(), r.end(), out);
    return 0;
}

int MTX4_multiply_t(const double a[16], const double b[16], double out[16]) {
    NUMERIC_ENTRY(a, b, out);
    const auto r = product<4>(a, b, true);
    std::copy(r.begin(), r.end(), out);
    return 0;
}

int MTX3_ortho_normalize(double m[9]) {
    NUMERIC_ENTRY(m);
    if (m == nullptr) return NUMERIC_DEGENERATE;
    M3 a = load3(m);
    if (!ortho_normalize(a)) return NUMERIC_DEGENERATE;
    std::copy(a.begin(), a.end(), m);
    return 0;
}

int MTX4_ortho_normalize(double m[16]) {
    NUMERIC_ENTRY(m);
    if (m == nullptr) return NUMERIC_DEGENERATE;
    M3 a{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[3 * i + j] = m[4 * i + j];
    if (!ortho_normalize(a)) return NUMERIC_DEGENERATE;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[4 * i + j] = a[3 * i + j];
    return 0;
}

int MTX3_rot_about_axis(double angle, const double axis[3], double out[9]) {
    NUMERIC_ENTRY(angle, axis, out);
    M3 r{};
    if (out == nullptr || !rotation3(angle, axis, r)) return NUMERIC_DEGENERATE;
    std::copy(r.begin(), r.end(), out);
    return 0;
}

int MTX4_scaling(const double point[3], const double factors[3], double out[16]) {
    NUMERIC_ENTRY(point, factors, out);
    if (point == nullptr || factors == nullptr || out == nullptr) return NUMERIC_DEGENERATE;
    const M3 s = {factors[0], 0, 0, 0, factors[1], 0, 0, 0, factors[2]};
    const V3 p = V3::load(point);
    const M4 m = transform(s, p - apply(s, p));
    std::copy(m.begin(), m.end(), out);
    return 0;
}

int MTX4_rotation(const double point[3], const double axis[3], double angle, double out[16]) {
    NUMERIC_ENTRY(point, axis, angle, out);
    M3 r{};
    if (point == nullptr || out == nullptr || !rotation3(angle, axis, r)) return NUMERIC_DEGENERATE;
    const V3 p = V3::load(point);
    const M4 m = transform(r, p - apply(r, p));
    std::copy(m.begin(), m.end(), out);
    return 0;
}

int MTX4_mirror(const double point[3], const double normal[3], double out[16]) {
    NUMERIC_ENTRY(point, normal, out);
    V3 n;
    if (point == nullptr || normal == nullptr || out == nullptr || !unit(V3::load(normal), n))
        return NUMERIC_DEGENERATE;
    // p' = p - 2 n (n . (p - q)).
    const M3 r = {1 - 2 * n.x * n.x, -2 * n.x * n.y, -2 * n.x * n.z, -2 * n.y * n.x,   1 - 2 * n.y * n.y,
                  -2 * n.y * n.z,    -2 * n.z * n.x, -2 * n.z * n.y, 1 - 2 * n.z * n.z};
    const M4 m = transform(r, (2 * hostnum::dot(n, V3::load(point))) * n);
    std::copy(m.begin(), m.end(), out);
    return 0;
}

int MTX4_csys_to_csys(const double from_origin[3], const double from_x[3], const double from_y[3],
                      const double to_origin[3], const double to_x[3], const double to_y[3], double out[16]) {
    NUMERIC_ENTRY(from_origin, from_x, from_y, to_origin);
    if (from_origin == nullptr || from_x == nullptr || from_y == nullptr || to_origin == nullptr || to_x == nullptr ||
        to_y == nullptr || out == nullptr)
        return NUMERIC_DEGENERATE;
    M3 f{}, t{};
    if (!frame(V3::load(from_x), V3::load(from_y), f) || !frame(V3::load(to_x), V3::load(to_y), t))
        return NUMERIC_DEGENERATE;
    // p' = To + T^T F (p - Fo): coordinates in the first system, placed in the second.
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += t[3 * k + i] * f[3 * k + j];
            r[3 * i + j] = s;
        }
    const M4 m = transform(r, V3::load(to_origin) - apply(r, V3::load(from_origin)));
    std::copy(m.begin(), m.end(), out);
    return 0;
}

int MTX4_invert(const double in[16], double out[16]) {
    NUMERIC_ENTRY(in, out);
    if (in == nullptr || out == nullptr) return NUMERIC_DEGENERATE;
    M4 a = load4(in);
    M4 inv{};
    for (int i = 0; i < 4; ++i) inv[5 * i] = 1.0;
    double scale = 0;
    for (double v : a) scale = std::max(scale, std::fabs(v));
    if (!(scale > 0)) return NUMERIC_DEGENERATE;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[4 * r + col]) > std::fabs(a[4 * pivot + col])) pivot = r;
        if (!(std::fabs(a[4 * pivot + col]) > 1e-14 * scale)) return NUMERIC_DEGENERATE;
        if (pivot != col)
            for (int j = 0; j < 4; ++j) {
                std::swap(a[4 * pivot + j], a[4 * col + j]);
                std::swap(inv[4 * pivot + j], inv[4 * col + j]);
            }
        const double d = a[4 * col + col];
        for (int j = 0; j < 4; ++j) {
            a[4 * col + j] /= d;
            inv[4 * col + j] /= d;
        }
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double f = a[4 * r + col];
            if (f == 0.0) continue;
            for (int j = 0; j < 4; ++j) {
                a[4 * r + j] -= f * a[4 * col + j];
                inv[4 * r + j] -= f * inv[4 * col + j];
            }
        }
    }
    std::copy(inv.begin(), inv.end(), out);
    return 0;
}

}  // extern "C"
