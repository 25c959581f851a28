// Vector routines of the host's mathematics library (see linalg.h).
#include <cmath>
#include <numbers>

#include "host/base/hook.h"
#include "host/numeric/linalg.h"
#include "host/numeric/linalg_impl.h"
#include "host/numeric/v3.h"

namespace hostnum {

namespace {

V3 as3(const double* v, int n) { return n == 2 ? V3{v[0], v[1], 0} : V3::load(v); }

}  // namespace

bool unitize(const double* v, int n, double tolerance, double* magnitude, double* unit) {
    if (v == nullptr || unit == nullptr) return false;
    double sq = 0;
    for (int i = 0; i < n; ++i) sq += v[i] * v[i];
    const double mag = std::sqrt(sq);
    if (magnitude != nullptr) *magnitude = mag;
    if (!(mag > tolerance) || mag == 0.0) return false;
    double tmp[3];
    for (int i = 0; i < n; ++i) tmp[i] = v[i] / mag;
    for (int i = 0; i < n; ++i) unit[i] = tmp[i];
    return true;
}

bool perpendicular3(const double* v, double* out) {
    if (v == nullptr || out == nullptr) return false;
    double u[3];
    if (!unitize(v, 3, 0.0, nullptr, u)) return false;
    // The coordinate axis least aligned with v, minus its part along v.
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(u[i]) < std::fabs(u[axis])) axis = i;
    const V3 e = axis == 0 ? V3{1, 0, 0} : (axis == 1 ? V3{0, 1, 0} : V3{0, 0, 1});
    const V3 uu = V3::load(u);
    double p[3];
    (e - dot(e, uu) * uu).store(p);
    return unitize(p, 3, 0.0, nullptr, out);
}

bool relation(const double* a, const double* b, int n, double tolerance, bool parallel) {
    if (a == nullptr || b == nullptr) return false;
    const V3 va = as3(a, n), vb = as3(b, n);
    const double bound = tolerance * norm(va) * norm(vb);
    const double measure = parallel ? norm(cross(va, vb)) : std::fabs(dot(va, vb));
    return measure <= bound;
}

}  // namespace hostnum

// Journals the call and answers a status that a test scripted for it.
#define NUMERIC_ENTRY(...)                \
    auto call_ = HOST_ENTRY(__VA_ARGS__); \
    if (int scripted_; call_.status(scripted_)) return scripted_

extern "C" {

int VEC2_unitize(const double v[2], double tolerance, double* magnitude, double unit[2]) {
    NUMERIC_ENTRY(v, tolerance, magnitude, unit);
    return hostnum::unitize(v, 2, tolerance, magnitude, unit) ? 1 : 0;
}

int VEC3_unitize(const double v[3], double tolerance, double* magnitude, double unit[3]) {
    NUMERIC_ENTRY(v, tolerance, magnitude, unit);
    return hostnum::unitize(v, 3, tolerance, magnitude, unit) ? 1 : 0;
}

int VEC2_components(const double v[2], const double x_dir[2], const double y_dir[2], double tolerance, double* x_comp,
                    double* y_comp) {
    NUMERIC_ENTRY(v, x_dir, y_dir, tolerance);
    if (v == nullptr || x_dir == nullptr || y_dir == nullptr || x_comp == nullptr || y_comp == nullptr) return 0;
    const double lx = std::hypot(x_dir[0], x_dir[1]);
    const double ly = std::hypot(y_dir[0], y_dir[1]);
    if (!(lx > tolerance) || !(ly > tolerance) || lx == 0.0 || ly == 0.0) return 0;
    const double det = x_dir[0] * y_dir[1] - x_dir[1] * y_dir[0];
    if (std::fabs(det) <= tolerance * lx * ly) return 0;
    // Cramer's rule on v = a x + b y.
    const double a = (v[0] * y_dir[1] - v[1] * y_dir[0]) / det;
    const double b = (x_dir[0] * v[1] - x_dir[1] * v[0]) / det;
    *x_comp = a;
    *y_comp = b;
    return 1;
}

int VEC2_ask_perpendicular(const double v[2], double out[2]) {
    NUMERIC_ENTRY(v, out);
    if (v == nullptr || out == nullptr) return NUMERIC_DEGENERATE;
    const double p[2] = {-v[1], v[0]};
    return hostnum::unitize(p, 2, 0.0, nullptr, out) ? 0 : NUMERIC_DEGENERATE;
}

int VEC3_ask_perpendicular(const double v[3], double out[3]) {
    NUMERIC_ENTRY(v, out);
    return hostnum::perpendicular3(v, out) ? 0 : NUMERIC_DEGENERATE;
}

unsigned char VEC2_is_parallel(const double a[2], const double b[2], double tolerance) {
    NUMERIC_ENTRY(a, b, tolerance);
    return hostnum::relation(a, b, 2, tolerance, true) ? 1 : 0;
}

unsigned char VEC3_is_parallel(const double a[3], const double b[3], double tolerance) {
    NUMERIC_ENTRY(a, b, tolerance);
    return hostnum::relation(a, b, 3, tolerance, true) ? 1 : 0;
}

unsigned char VEC2_is_perpendicular(const double a[2], const double b[2], double tolerance) {
    NUMERIC_ENTRY(a, b, tolerance);
    return hostnum::relation(a, b, 2, tolerance, false) ? 1 : 0;
}

unsigned char VEC3_is_perpendicular(const double a[3], const double b[3], double tolerance) {
    NUMERIC_ENTRY(a, b, tolerance);
    return hostnum::relation(a, b, 3, tolerance, false) ? 1 : 0;
}

double VEC3_angle_between(const double a[3], const double b[3], const double reference[3]) {
    auto call = HOST_ENTRY(a, b, reference);
    if (call.outputs() > 0) return call.real_out(0, 0.0);
    if (a == nullptr || b == nullptr || reference == nullptr) return 0.0;
    const hostnum::V3 va = hostnum::V3::load(a), vb = hostnum::V3::load(b);
    const hostnum::V3 c = hostnum::cross(va, vb);
    double angle = std::atan2(hostnum::norm(c), hostnum::dot(va, vb));
    if (hostnum::dot(c, hostnum::V3::load(reference)) < 0) angle = 2 * std::numbers::pi - angle;
    if (angle >= 2 * std::numbers::pi) angle = 0.0;
    return angle;
}

void vunt3_(const double v[3], double unit[3], int* ok) {
    auto call = HOST_ENTRY(v, unit, ok);
    call.need(v);
    call.need(unit);
    call.need(ok);
    const hostnum::V3 a = hostnum::V3::load(v);
    const double len = hostnum::norm(a);
    *ok = len > 0 ? 1 : 0;
    if (*ok) ((1 / len) * a).store(unit);
}

}  // extern "C"
