// Smart objects: their parameters, the computation of their values from
// their parents, and the update that makes them follow.
#include "host/model/smart/smart.h"

#include <algorithm>
#include <optional>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/display/temp.h"
#include "host/model/expr/expr.h"
#include "host/numeric/conics.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/model/smart/geometry.h"

namespace {

using host::Call;
using tag_t = unsigned int;

enum class Cls { point, line, dirr, axis, scalar, offset, xform, arc, spline };

enum class Method {
    point_on_curve,
    point_offset,
    point_three_scalars,
    point_on_axis,
    dirr_doubles,
    dirr_two_points,
    dirr_line,
    axis_doubles,
    axis_point_dir,
    scalar_double,
    scalar_exp,
    scalar_dist,
    scalar_length,
    offset_doubles,
    offset_dir_dist,
    offset_three_scalars,
    xform_doubles,
    xform_point_xy_dirs,
    line_two_points,
    xform_point_xz_dirs,
    xform_point_yz_dirs,
    extract,
    point_on_arc_angle,
    dirr_two_dirs,
    offset_cylindrical,
    offset_spherical,
    arc_three_points,
    arc_center_two_points,
    dirr_on_curve,
    point_conic_center,
    dirr_axis_of_conic,
    point_csys_three_scalars,
    spline_general,
    point_on_surface,
    point_two_curves,
    point_along_curve,
    dirr_plane,
    dirr_axis_of_surface,
    dirr_normal_to_surface,
    dirr_on_surface,
    offset_curve_curvature,
    offset_surface_curvature,
    curve_extract,
    bcurve_thru_points,
    arc_radius_angles,
    arc_xform_two_points,
    xform_assy_context,
    xform_three_points,
};

const char* parms_class(Method m) {
    static const char* const names[] = {
        "POINT_on_curve_parms_c",
        "POINT_offset_parms_c",
        "POINT_three_scalars_parms_c",
        "POINT_on_axis_parms_c",
        "DIRR_doubles_parms_c",
        "DIRR_two_points_parms_c",
        "DIRR_line_parms_c",
        "AXIS_doubles_parms_c",
        "AXIS_point_dir_parms_c",
        "SCALAR_double_parms_c",
        "SCALAR_exp_parms_c",
        "SCALAR_dist_2_points_parms_c",
        "SCALAR_length_curve_parms_c",
        "OFFSET_doubles_parms_c",
        "OFFSET_dir_dist_parms_c",
        "OFFSET_three_scalars_parms_c",
        "XFORM_parms_c",
        "XFORM_parms_c",
        "LINE_two_points_parms_c",
        "XFORM_parms_c",
        "XFORM_parms_c",
        "SO_extract_parms_c",
        "POINT_on_arc_at_angle_parms_c",
        "DIRR_two_dirs_parms_c",
        "OFFSET_cylindrical_parms_c",
        "OFFSET_spherical_parms_c",
        "ARC_three_points_parms_c",
        "ARC_center_two_points_parms_c",
        "DIRR_on_curve_parms_c",
        "POINT_center_of_conic_parms_c",
        "DIRR_axis_of_conic_parms_c",
        "POINT_csys_three_scalars_parms_c",
        "BCURVE_general_parms_c",
        "POINT_on_surface_parms_c",
        "POINT_two_curves_parms_c",
        "POINT_along_curve_parms_c",
        "DIRR_plane_parms_c",
        "DIRR_axis_of_surface_parms_c",
        "DIRR_nor_to_surf_pt_parms_c",
        "DIRR_on_surf_parms_c",
        "OFFSET_curve_cvtr_parms_c",
        "OFFSET_surf_cvtr_parms_c",
        "CURVE_extract_parms_c",
        "BCURVE_thru_points_parms_c",
        "ARC_radius_angles_parms_c",
        "ARC_xform_two_points_parms_c",
        "XFORM_assy_context_parms_c",
        "XFORM_three_points_parms_c",
    };
    return names[static_cast<int>(m)];
}

struct Row {
    Cls cls = Cls::scalar;
    Method method = Method::scalar_double;
    std::vector<tag_t> parents;
    double numbers[13] = {};  // the method's own numbers
    double value[13] = {};    // the value held
    int option = 0;
    int dimensionality = 0;
    int marker = 0;
    int visibility = 0;
    bool dumb = false;
    // A spline's record beyond its points (the parents).
    struct Spline {
        short flags[3] = {};  // first flag, order, second flag
        short words[2] = {};
        std::vector<unsigned char> kinds;
        std::vector<double> parameters;
        std::vector<tag_t> objects;  // the used ones, in order: first, second, third of each point
    };
    std::shared_ptr<const Spline> spline;
};

host::TagTable<Row>& rows() {
    static auto* t = new host::TagTable<Row>("smart objects");
    return *t;
}
const bool registered = (rows(), true);

OM_class_t class_of(Cls c) {
    static const OM_class_t cso = host::objects::register_class("CSO_c", OM_CLASS_RM_ENTITY);
    static const OM_class_t classes[] = {
        OM_CLASS_RM_ENTITY,
        OM_CLASS_RM_ENTITY,
        host::objects::register_class("DIRR_c", cso),
        host::objects::register_class("AXIS_c", cso),
        host::objects::register_class("SCALAR_c", cso),
        host::objects::register_class("OFFSET_c", cso),
        host::objects::register_class("XFORM_c", cso),
        OM_CLASS_RM_ENTITY,
        OM_CLASS_RM_ENTITY,
    };
    return classes[static_cast<int>(c)];
}

const char* cls_name(Cls c) {
    static const char* const names[] = {"a smart point",     "a smart line",   "a smart direction",
                                        "a smart axis",      "a smart scalar", "a smart offset",
                                        "a smart transform", "a smart arc",    "a smart spline"};
    return names[static_cast<int>(c)];
}

namespace geo = host::smart::geometry;

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadPerDeg = kPi / 180;

// ---- vectors ----
struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 v3(const double* p) { return {p[0], p[1], p[2]}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(V3 a) { return std::sqrt(dot(a, a)); }
void put(double* out, V3 a) {
    out[0] = a.x;
    out[1] = a.y;
    out[2] = a.z;
}
V3 unit(const Call& call, V3 a) {
    const double n = norm(a);
    if (!(n > EQ_ask_length_tolerance())) call.fail(SO_ERR_DEGENERATE, "a zero direction");
    return (1.0 / n) * a;
}

// ---- what a parent gives ----
const Row* smart_row(tag_t t) { return rows().find(t); }

// A direction of a method whose first number asks it reversed.
V3 reversed(const Row& r, V3 d) { return r.numbers[0] != 0 ? -1.0 * d : d; }

const Row& row_of(const Call& call, tag_t t, Cls c) {
    call.live(t);
    const Row* r = smart_row(t);
    if (!r || r->cls != c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not %s", t, cls_name(c));
    return *r;
}

// Values are computed either from what the parents hold (the update, which
// goes parents first) or afresh through the ancestors (out-of-date test).
// FNV-1a over a spline's data (type, range, poles and knots), kept to the
// 52 bits a double holds exactly; 0 for any other record.
double fingerprint(const curve_struct& c) {
    if (c.type != CURVE_SPLINE || !c.data) return 0;
    const auto& d = *static_cast<const curve_spline_data*>(c.data);
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    mix(&c.start, sizeof c.start);
    mix(&c.span, sizeof c.span);
    mix(&d.n_poles, sizeof d.n_poles);
    mix(&d.order, sizeof d.order);
    if (d.poles) mix(d.poles, sizeof(double) * 4 * static_cast<std::size_t>(d.n_poles));
    if (d.knots) mix(d.knots, sizeof(double) * static_cast<std::size_t>(d.n_poles + d.order));
    return static_cast<double>(h >> 12);
}

struct Eval {
    const Call& call;
    bool fresh;
    void value_of(tag_t t, double out[13]) const;
    double scalar(tag_t t) const {
        if (const Row* r = smart_row(t)) {
            if (r->cls != Cls::scalar) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a scalar", t);
            double v[13];
            value_of(t, v);
            return v[0];
        }
        call.live(t);
        if (host::expr::find(t)) return host::expr::value(t);
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a scalar", t);
    }
    V3 point(tag_t t) const {
        if (const Row* r = smart_row(t); r && r->cls == Cls::point) {
            double v[13];
            value_of(t, v);
            return v3(v);
        }
        call.live(t);
        const auto* e = host::curves::find(t);
        if (!e || e->kind != host::curves::Kind::point) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a point", t);
        return v3(e->point);
    }
    V3 vec(tag_t t, Cls c) const {
        row_of(call, t, c);
        double v[13];
        value_of(t, v);
        return v3(v);
    }
    // A point of an arc at the angle (radians) from its matrix's X axis.
    V3 on_arc_at(tag_t arc, double angle) const {
        call.live(arc);
        const auto* e = host::curves::find(arc);
        if (!e || e->kind != host::curves::Kind::arc) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an arc", arc);
        double m[9];
        host::curves::matrix_values(*e, m);
        const V3 X = v3(m), Y = v3(m + 3), Z = v3(m + 6);
        const double* d = e->arc();
        return d[2] * X + d[3] * Y + d[4] * Z + (d[5] * std::cos(angle)) * X + (d[5] * std::sin(angle)) * Y;
    }
    // The center and the matrix rows (X, Y, Z) of an arc or a conic.
    V3 conic_frame(tag_t curve, double m[9]) const {
        call.live(curve);
        const auto* e = host::curves::find(curve);
        if (!e || (e->kind != host::curves::Kind::arc && e->kind != host::curves::Kind::conic))
            call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an arc or a conic", curve);
        host::curves::matrix_values(*e, m);
        const V3 X = v3(m), Y = v3(m + 3), Z = v3(m + 6);
        if (e->kind == host::curves::Kind::arc) return e->arc()[2] * X + e->arc()[3] * Y + e->arc()[4] * Z;
        const double* c = e->conic();
        return c[CONIC_V_CENTER_X] * X + c[CONIC_V_CENTER_Y] * Y + c[CONIC_V_HEIGHT] * Z;
    }
    // A line's or arc's point at the fraction, and its length.
    V3 on_curve(tag_t curve, double f, double* length) const {
        call.live(curve);
        const auto* e = host::curves::find(curve);
        if (const Row* r = smart_row(curve); r && r->cls == Cls::line) {
            double v[13];
            value_of(curve, v);
            const V3 a = v3(v), b = v3(v + 3);
            if (length) *length = norm(b - a);
            return a + f * (b - a);
        }
        if (e && e->kind == host::curves::Kind::line) {
            const V3 a = v3(e->start()), b = v3(e->end());
            if (length) *length = norm(b - a);
            return a + f * (b - a);
        }
        if (e && e->kind == host::curves::Kind::arc) {
            double m[9];
            host::curves::matrix_values(*e, m);
            const V3 X = v3(m), Y = v3(m + 3), Z = v3(m + 6);
            const double* d = e->arc();
            const double a = d[0] + f * (d[1] - d[0]);
            if (length) *length = d[5] * std::fabs(d[1] - d[0]);
            const V3 c = d[2] * X + d[3] * Y + d[4] * Z;
            return c + (d[5] * std::cos(a)) * X + (d[5] * std::sin(a)) * Y;
        }
        if (e && e->kind == host::curves::Kind::other && e->other()) {
            const curve_struct& c = e->other()->record();
            double lim[2], pt[3] = {};
            hostnum::curve_limits(c, lim);
            if (length && hostnum::curve_arc_length(c, lim[0], lim[1], length) != hostnum::CurveError::ok)
                call.fail(SO_ERR_DEGENERATE, "the length of curve %u", curve);
            if (hostnum::curve_evaluate(c, 0, lim[0] + f * (lim[1] - lim[0]), pt, nullptr) != hostnum::CurveError::ok)
                call.fail(SO_ERR_DEGENERATE, "curve %u cannot be evaluated", curve);
            return v3(pt);
        }
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a curve", curve);
    }
    // The start of a curve.
    V3 curve_start(tag_t curve) const {
        const hostnum::Curve c = geo::curve_of(call, curve);
        double lim[2], p[3];
        hostnum::curve_limits(c.record(), lim);
        hostnum::curve_evaluate(c.record(), 0, lim[0], p, nullptr);
        return v3(p);
    }
    // The value of an extracted curve: a line's ends; an arc's center, X
    // (towards its start), Y, radius and sweep; a spline's start, middle
    // and end and a fingerprint of all its poles and knots (what it
    // follows: any change of the source's shape makes it out of date).
    void curve_value(const Row& r, double out[13]) const {
        const hostnum::Curve c = geo::curve_of(call, r.parents[0]);
        double lim[2], a[3], b[3], d[6];
        hostnum::curve_limits(c.record(), lim);
        hostnum::curve_evaluate(c.record(), 0, lim[1], b, nullptr);
        if (hostnum::curve_evaluate(c.record(), 2, lim[0], a, d) != hostnum::CurveError::ok)
            call.fail(SO_ERR_DEGENERATE, "curve %u cannot be evaluated", r.parents[0]);
        put(out, v3(a));
        if (r.cls == Cls::line) {
            put(out + 3, v3(b));
        } else if (r.cls == Cls::arc) {
            // Over its angle: P'' = -R (cos t X + sin t Y) points to the center.
            const V3 d2 = v3(d + 3);
            put(out, v3(a) + d2);
            put(out + 3, unit(call, -1.0 * d2));
            put(out + 6, unit(call, v3(d)));
            out[9] = norm(d2);
            out[10] = lim[1] - lim[0];
        } else {
            double m[3];
            hostnum::curve_evaluate(c.record(), 0, 0.5 * (lim[0] + lim[1]), m, nullptr);
            put(out + 3, v3(m));
            put(out + 6, v3(b));
            out[9] = fingerprint(c.record());
        }
    }
    void compute(const Row& r, double out[13]) const;
};

void Eval::value_of(tag_t t, double out[13]) const {
    const Row& r = *smart_row(t);
    if (fresh && !r.dumb) compute(r, out);
    else std::memcpy(out, r.value, sizeof r.value);
}

void Eval::compute(const Row& r, double out[13]) const {
    std::memcpy(out, r.numbers, sizeof r.numbers);
    const auto& p = r.parents;
    switch (r.method) {
        case Method::point_on_curve: put(out, on_curve(p[0], scalar(p[1]), nullptr)); break;
        case Method::point_offset: put(out, point(p[0]) + vec(p[1], Cls::offset)); break;
        case Method::point_three_scalars:
        case Method::offset_three_scalars:
            for (int i = 0; i < 3; ++i) out[i] = scalar(p[i]);
            break;
        case Method::point_on_axis: {
            double a[13];
            row_of(call, p[0], Cls::axis);
            value_of(p[0], a);
            put(out, v3(a) + scalar(p[1]) * v3(a + 3));
            break;
        }
        case Method::dirr_doubles: put(out, unit(call, v3(r.numbers))); break;
        case Method::dirr_two_points: put(out, unit(call, point(p[1]) - point(p[0]))); break;
        case Method::dirr_line: {
            const V3 a = on_curve(p[0], 0, nullptr), b = on_curve(p[0], 1, nullptr);
            put(out, unit(call, r.numbers[0] != 0 ? a - b : b - a));
            break;
        }
        case Method::axis_doubles: put(out + 3, unit(call, v3(r.numbers + 3))); break;
        case Method::axis_point_dir:
            put(out, point(p[0]));
            put(out + 3, vec(p[1], Cls::dirr));
            break;
        case Method::scalar_double:
        case Method::offset_doubles: break;
        case Method::scalar_exp: out[0] = scalar(p[0]); break;
        case Method::scalar_dist: out[0] = norm(point(p[1]) - point(p[0])); break;
        case Method::scalar_length: on_curve(p[0], 0, &out[0]); break;
        case Method::offset_dir_dist: put(out, scalar(p[1]) * vec(p[0], Cls::dirr)); break;
        case Method::xform_doubles:
        case Method::xform_point_xy_dirs:
        case Method::xform_point_xz_dirs:
        case Method::xform_point_yz_dirs: {
            V3 o = v3(r.numbers), x = v3(r.numbers + 3), y = v3(r.numbers + 6);
            double s = r.numbers[12];
            if (r.method != Method::xform_doubles) {
                o = point(p[0]);
                const V3 a = vec(p[1], Cls::dirr), b = vec(p[2], Cls::dirr);
                s = scalar(p[3]);
                // Y follows from X and Z (Z x X), X from Y and Z (Y x Z).
                x = r.method == Method::xform_point_yz_dirs ? cross(a, b) : a;
                y = r.method == Method::xform_point_xy_dirs   ? b
                    : r.method == Method::xform_point_xz_dirs ? cross(b, a)
                                                              : a;
            }
            x = unit(call, x);
            const V3 z = unit(call, cross(x, y));
            put(out, o);
            put(out + 3, x);
            put(out + 6, cross(z, x));
            put(out + 9, z);
            out[12] = s;
            break;
        }
        case Method::line_two_points:
            put(out, point(p[0]));
            put(out + 3, point(p[1]));
            break;
        case Method::point_on_arc_angle: put(out, on_arc_at(p[0], scalar(p[1]) * kRadPerDeg)); break;
        case Method::dirr_two_dirs: put(out, unit(call, cross(vec(p[0], Cls::dirr), vec(p[1], Cls::dirr)))); break;
        case Method::offset_cylindrical: {
            const double rad = scalar(p[0]), a = scalar(p[1]) * kRadPerDeg;
            put(out, V3{rad * std::cos(a), rad * std::sin(a), scalar(p[2])});
            break;
        }
        case Method::offset_spherical: {
            const double rad = scalar(p[0]), a = scalar(p[1]) * kRadPerDeg, e = scalar(p[2]) * kRadPerDeg;
            put(out, V3{rad * std::cos(e) * std::cos(a), rad * std::cos(e) * std::sin(a), rad * std::sin(e)});
            break;
        }
        case Method::arc_three_points:
        case Method::arc_center_two_points: {
            // Value: center, X (towards the start), Y, radius, end angle.
            const V3 a = point(p[0]), b = point(p[1]), c = point(p[2]);
            V3 center = a, start = b, end = c, normal = cross(b - a, c - a);
            if (r.method == Method::arc_three_points) {
                // The circumcenter of the three points, in their plane.
                const V3 u = b - a, v = c - a;
                const double nn = dot(normal, normal);
                if (!(std::sqrt(nn) > EQ_ask_length_tolerance())) call.fail(SO_ERR_DEGENERATE, "points on one line");
                center = a + (1.0 / (2 * nn)) * (dot(u, u) * cross(v, normal) + dot(v, v) * cross(normal, u));
                start = a;
                end = c;
            }
            const V3 n = unit(call, normal);
            const V3 X = unit(call, start - center), Y = cross(n, X);
            const V3 e = end - center;
            double sweep = std::atan2(dot(e, Y), dot(e, X));
            if (sweep <= 0) sweep += 2 * 3.14159265358979323846;
            put(out, center);
            put(out + 3, X);
            put(out + 6, Y);
            out[9] = norm(start - center);
            out[10] = sweep;
            break;
        }
        case Method::dirr_on_curve: {
            // The tangent: the chord of a small step about the fraction.
            const double f = scalar(p[1]), h = 1e-6;
            const double lo = f - h < 0 ? 0 : f - h, hi = f + h > 1 ? 1 : f + h;
            const V3 t = unit(call, on_curve(p[0], hi, nullptr) - on_curve(p[0], lo, nullptr));
            put(out, r.numbers[0] != 0 ? -1.0 * t : t);
            break;
        }
        case Method::point_conic_center: {
            double m[9];
            put(out, conic_frame(p[0], m));
            break;
        }
        case Method::dirr_axis_of_conic: {
            double m[9];
            conic_frame(p[0], m);
            put(out, r.numbers[0] != 0 ? -1.0 * v3(m + 6) : v3(m + 6));
            break;
        }
        case Method::point_csys_three_scalars: {
            // Coordinates in the transform's axes (times its scale).
            double x[13];
            row_of(call, p[3], Cls::xform);
            value_of(p[3], x);
            put(out, v3(x) + (x[12] * scalar(p[0])) * v3(x + 3) + (x[12] * scalar(p[1])) * v3(x + 6) +
                         (x[12] * scalar(p[2])) * v3(x + 9));
            break;
        }
        case Method::spline_general: break;  // its geometry is its entity's curve
        case Method::point_on_surface: {
            const geo::FacePlace f = geo::face_at(call, p[0], scalar(p[1]), scalar(p[2]));
            put(out, v3(f.point));
            break;
        }
        case Method::point_two_curves: {
            // Nearest to the help points (their middle), else to the start
            // of the curve.
            V3 ref{};
            if (p.size() > 2) {
                for (std::size_t i = 2; i < p.size(); ++i) ref = ref + point(p[i]);
                ref = (1.0 / static_cast<double>(p.size() - 2)) * ref;
            } else {
                ref = curve_start(p[1]);
            }
            double at[3], hit[3];
            put(at, ref);
            geo::intersect(call, p[0], p[1], at, hit);
            put(out, v3(hit));
            break;
        }
        case Method::point_along_curve: {
            double from[3], at[3];
            put(from, point(p[1]));
            geo::along_curve(call, p[0], from, scalar(p[2]), r.numbers[0] != 0, r.numbers[1] != 0, at);
            put(out, v3(at));
            break;
        }
        case Method::dirr_plane: {
            double q[3], n[3];
            geo::plane_of(call, p[0], q, n);
            put(out, reversed(r, unit(call, v3(n))));
            break;
        }
        case Method::dirr_axis_of_surface: {
            double a[3];
            geo::surface_axis(call, p[0], a);
            put(out, reversed(r, unit(call, v3(a))));
            break;
        }
        case Method::dirr_normal_to_surface: {
            double at[3];
            put(at, point(p[1]));
            put(out, reversed(r, unit(call, v3(geo::face_nearest(call, p[0], at).normal))));
            break;
        }
        case Method::dirr_on_surface: {
            // kind 0 the normal, 1 and 2 the u and v tangents, 3 the
            // reference direction within the tangent plane.
            const geo::FacePlace f = geo::face_at(call, p[0], scalar(p[1]), scalar(p[2]));
            const int kind = static_cast<int>(r.numbers[0]);
            V3 d = v3(f.normal);
            if (kind == 1) d = v3(f.su);
            if (kind == 2) d = v3(f.sv);
            if (kind == 3) {
                double du = 0, dv = 0, ref[3];
                put(ref, vec(p[3], Cls::dirr));
                geo::tangent_of(call, f, ref, &du, &dv);
                d = du * v3(f.su) + dv * v3(f.sv);
            }
            put(out, r.numbers[1] != 0 ? -1.0 * unit(call, d) : unit(call, d));
            break;
        }
        case Method::offset_curve_curvature: geo::curve_curvature(call, p[0], scalar(p[1]), out); break;
        case Method::offset_surface_curvature: {
            // kind 0 along u, 1 along v, 2 along the reference direction.
            const geo::FacePlace f = geo::face_at(call, p[0], scalar(p[1]), scalar(p[2]));
            const int kind = static_cast<int>(r.numbers[0]);
            double du = kind == 0 ? 1 : 0, dv = kind == 1 ? 1 : 0;
            if (kind == 2) {
                double ref[3];
                put(ref, vec(p[3], Cls::dirr));
                geo::tangent_of(call, f, ref, &du, &dv);
            }
            geo::face_curvature(call, f, du, dv, out);
            break;
        }
        case Method::curve_extract: curve_value(r, out); break;
        case Method::bcurve_thru_points: {
            // What the spline follows: its first and last point and the
            // points weighted by their place.
            const int n = static_cast<int>(r.numbers[0]);
            V3 sum{};
            for (int i = 0; i < n; ++i) sum = sum + static_cast<double>(i + 1) * point(p[i]);
            put(out, point(p[0]));
            put(out + 3, point(p[n - 1]));
            put(out + 6, sum);
            break;
        }
        case Method::arc_radius_angles: {
            double x[13];
            row_of(call, p[0], Cls::xform);
            value_of(p[0], x);
            const double radius = scalar(p[1]);
            const double sweep = p.size() > 2 ? scalar(p[2]) * kRadPerDeg : 2 * kPi;
            if (!(radius > EQ_ask_length_tolerance())) call.fail(SO_ERR_DEGENERATE, "a radius of %g", radius);
            if (!(sweep > 0 && sweep <= 2 * kPi + 1e-10)) call.fail(SO_ERR_DEGENERATE, "an arc of %g radians", sweep);
            std::copy(x, x + 9, out);
            out[9] = radius;
            out[10] = sweep;
            break;
        }
        case Method::arc_xform_two_points: {
            // In the transform's XY plane about its origin, from the first
            // point's direction to the second's, counter-clockwise about Z
            // (sense 1) or clockwise; a full circle when full is not 0.
            double x[13];
            row_of(call, p[0], Cls::xform);
            value_of(p[0], x);
            const V3 o = v3(x), Z = v3(x + 9);
            const auto in_plane = [&](V3 q) { return (q - o) - dot(q - o, Z) * Z; };
            const V3 a = in_plane(point(p[1])), b = in_plane(point(p[2]));
            const V3 X = unit(call, a), Y = cross(r.numbers[0] != 0 ? Z : -1.0 * Z, X);
            double sweep = std::atan2(dot(b, Y), dot(b, X));
            if (sweep <= 0) sweep += 2 * kPi;
            put(out, o);
            put(out + 3, X);
            put(out + 6, Y);
            out[9] = norm(a);
            out[10] = r.numbers[1] != 0 ? 2 * kPi : sweep;
            break;
        }
        case Method::xform_three_points: {
            // Origin at the first point, X towards the second, Y in the
            // plane of the three.
            const V3 o = point(p[0]);
            const V3 x = unit(call, point(p[1]) - o);
            const V3 z = unit(call, cross(x, point(p[2]) - o));
            put(out, o);
            put(out + 3, x);
            put(out + 6, cross(z, x));
            put(out + 9, z);
            out[12] = 1;
            break;
        }
        case Method::xform_assy_context: {
            // The axes of the second occurrence's part in those of the
            // first's: rows of the first's orientation times the second's.
            V3 a[3], b[3];
            for (int i = 0; i < 3; ++i) {
                double e[3] = {i == 0 ? 1.0 : 0.0, i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0}, ta[3], tb[3];
                OCC_transform_direction_p(p[1], e, ta);
                OCC_transform_direction_p(p[0], e, tb);
                a[i] = v3(ta);
                b[i] = v3(tb);
            }
            for (int i = 0; i < 3; ++i) put(out + 3 + 3 * i, V3{dot(a[0], b[i]), dot(a[1], b[i]), dot(a[2], b[i])});
            // The origin: where the occurrence's origin stands in the
            // context's axes.
            const double zero[3] = {0, 0, 0};
            double at[3];
            OCC_transform_point(p[0], zero, at);
            OCC_untransform_point(p[1], at, out);
            out[12] = 1;
            break;
        }
        case Method::extract:
            if (r.cls == Cls::point) {
                put(out, point(p[0]));
            } else if (r.cls == Cls::scalar) {
                out[0] = scalar(p[0]);
            } else {
                row_of(call, p[0], r.cls);
                value_of(p[0], out);
            }
            break;
    }
}

// The matrix rows and the arc data of a smart arc's value.
void arc_frame(const Row& r, double rows[9], double data[6]) {
    const V3 X = v3(r.value + 3), Y = v3(r.value + 6), Z = cross(X, Y), c = v3(r.value);
    put(rows, X);
    put(rows + 3, Y);
    put(rows + 6, Z);
    const double d[6] = {0, r.value[10], dot(c, X), dot(c, Y), dot(c, Z), r.value[9]};
    std::memcpy(data, d, sizeof d);
}

// The curve of a spline through its poles (the current points).
std::optional<hostnum::Curve> spline_curve(const Call& call, const Row& r) {
    const Eval ev{call, false};
    if (r.method == Method::curve_extract) return geo::spline_of_curve(call, r.parents[0], r.numbers[1]);
    if (r.method == Method::bcurve_thru_points) {
        // numbers: count, degree, closed, start slope given, end slope given.
        const int n = static_cast<int>(r.numbers[0]);
        std::vector<double> pts;
        for (int i = 0; i < n; ++i) {
            const V3 v = ev.point(r.parents[i]);
            pts.insert(pts.end(), {v.x, v.y, v.z});
        }
        double slopes[2][3];
        std::size_t next = static_cast<std::size_t>(n);
        for (int i = 0; i < 2; ++i)
            if (r.numbers[3 + i] != 0) put(slopes[i], ev.vec(r.parents[next++], Cls::dirr));
        const auto& params = r.spline->parameters;
        return geo::spline_through(call, pts, static_cast<int>(r.numbers[1]), r.numbers[2] != 0,
                                   params.empty() ? nullptr : params.data(), r.numbers[3] != 0 ? slopes[0] : nullptr,
                                   r.numbers[4] != 0 ? slopes[1] : nullptr);
    }
    const int n = static_cast<int>(r.parents.size());
    const int order = std::min<int>(r.spline->flags[1], n);
    std::vector<double> poles, knots;
    for (tag_t p : r.parents) {
        const V3 v = ev.point(p);
        for (double c : {v.x, v.y, v.z, 1.0}) poles.push_back(c);
    }
    const int inner = n - order;
    for (int i = 0; i < order; ++i) knots.push_back(0);
    for (int i = 1; i <= inner; ++i) knots.push_back(static_cast<double>(i) / (inner + 1));
    for (int i = 0; i < order; ++i) knots.push_back(1);
    return hostnum::Curve::spline(n, order, poles.data(), knots.data());
}

// Writes the value of a point, a line or an arc into its entity.
void show(tag_t t, const Row& r) {
    if (r.cls == Cls::point) POINT_set_coordinates(t, r.value);
    if (r.cls == Cls::line) LINE_set_end_points(t, r.value, r.value + 3);
    if (r.cls == Cls::spline) {
        const Call call("BCURVE_regenerate", nullptr);
        auto c = spline_curve(call, r);
        if (!c) call.fail(SO_ERR_DEGENERATE, "the points of spline %u define no curve", t);
        host::curves::attach_curve(t, *c);
    }
    if (r.cls == Cls::arc) {
        double rows[9], data[6];
        arc_frame(r, rows, data);
        unsigned int m = CURVE_ask_matrix_of_entity(t);
        double now[9] = {};
        if (m != 0) ES_ask_elements_of_matrix(m, now);
        bool same = m != 0;
        for (int i = 0; i < 9; ++i) same = same && std::fabs(now[i] - rows[i]) <= 1e-12;
        if (!same) {
            ES_create_matrix_in_part(host::objects::require(t).part, rows, 3, &m);
            ES_set_matrix_of_entity(t, m);
        }
        ARC_set_data(t, data);
    }
}

tag_t part_of_owner(const Call& call, tag_t owner) {
    call.live(owner);
    const tag_t part = PART_ask_part_of_object(owner);
    return part != 0 ? part : CONTEXT_ask_work_part();
}

// Makes the object: checks its parents, computes its value, creates it.
tag_t make(const Call& call, tag_t owner, int option, Cls cls, Method method, std::vector<tag_t> parents,
           const double* numbers = nullptr, int n_numbers = 0, std::shared_ptr<const Row::Spline> spline = nullptr) {
    const tag_t part = part_of_owner(call, owner);
    for (tag_t p : parents) call.live(p);
    Row r;
    r.spline = std::move(spline);
    r.cls = cls;
    r.method = method;
    r.parents = std::move(parents);
    r.option = option;
    for (int i = 0; i < n_numbers; ++i) r.numbers[i] = numbers[i];
    Eval{call, true}.compute(r, r.value);
    tag_t t = 0;
    if (cls == Cls::point) {
        ES_create_point(r.value, &t);  // a point of the work part
    } else if (cls == Cls::line) {
        double ends[6];
        std::memcpy(ends, r.value, sizeof ends);
        ES_create_line_in_part(part, ends, &t);
    } else if (cls == Cls::spline) {
        auto c = spline_curve(call, r);
        if (!c) call.fail(SO_ERR_DEGENERATE, "the points define no spline");
        t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, part});
        host::curves::attach_curve(t, *c);
    } else if (cls == Cls::arc) {
        double rows[9], data[6];
        unsigned int m = 0;
        arc_frame(r, rows, data);
        ES_create_matrix_in_part(part, rows, 3, &m);
        try {
            ES_create_arc(data, m, &t);
        } catch (...) {
            host::entity::destroy_with_dependents(m);  // the arc's matrix goes with it
            throw;
        }
    } else {
        t = host::entity::create({class_of(cls), 0, 0, part});
    }
    host::entity::attrs(t).smart = true;
    rows()[t] = r;
    return t;
}

Row& edit_row(const Call& call, tag_t t, Cls c) {
    row_of(call, t, c);
    return *rows().edit(t);
}

// Sets numbers of an object of a "doubles" method and computes its value.
void set_numbers(const Call& call, tag_t t, Cls c, Method only, int at, const double* v, int n) {
    Row& r = edit_row(call, t, c);
    if (r.method != only) call.fail(SO_ERR_WRONG_PARMS, "tag %u is not defined by values", t);
    Row next = r;
    for (int i = 0; i < n; ++i) next.numbers[at + i] = v[i];
    Eval{call, true}.compute(next, next.value);
    r = next;
    show(t, r);
}

void ask_value(const Call& call, tag_t t, Cls c, int at, double* out, int n) {
    call.need(out);
    const Row& r = row_of(call, t, c);
    for (int i = 0; i < n; ++i) out[i] = r.value[at + i];
}

std::vector<tag_t> smart_objects() {
    std::vector<tag_t> out;
    for (tag_t t : host::objects::live_objects())
        if (rows().find(t)) out.push_back(t);
    return out;
}

// Smart objects in an order where parents come before their children.
std::vector<tag_t> parents_first() {
    std::vector<tag_t> out;
    std::vector<tag_t> seen;
    const std::function<void(tag_t)> visit = [&](tag_t t) {
        const Row* r = rows().find(t);
        if (!r || std::find(seen.begin(), seen.end(), t) != seen.end()) return;
        seen.push_back(t);
        for (tag_t p : r->parents) visit(p);
        out.push_back(t);
    };
    for (tag_t t : smart_objects()) visit(t);
    return out;
}

// True when `target` is t or one of its ancestors.
bool depends_on(tag_t t, tag_t target) {
    if (t == target) return true;
    const Row* r = rows().find(t);
    if (!r) return false;
    for (tag_t p : r->parents)
        if (depends_on(p, target)) return true;
    return false;
}

// Draws a smart object's value, or a plain point or line, in the temporary
// display; scalars have nothing to draw.
void draw(tag_t t, int sequence, int color, int marker) {
    constexpr int kGeometry = 4, kSolid = 1, kThin = 0;
    DSS_view_spec_t spec{};
    DSS_TEMP_get_view_spec_from_opt(sequence, &spec);
    const auto segment = [&](V3 a, V3 b) {
        double pts[6];
        put(pts, a);
        put(pts + 3, b);
        DSS_TEMP_display_polyline(&spec, kGeometry, 2, pts, color, kSolid, kThin);
    };
    const Row* r = smart_row(t);
    const auto* e = host::curves::find(t);
    if (!r) {
        if (e && e->kind == host::curves::Kind::point)
            DSS_TEMP_display_markers(sequence, marker, color, kGeometry, 1, e->point);
        if (e && e->kind == host::curves::Kind::line) segment(v3(e->start()), v3(e->end()));
        return;
    }
    const double* v = r->value;
    switch (r->cls) {
        case Cls::point: DSS_TEMP_display_markers(sequence, marker, color, kGeometry, 1, v); break;
        case Cls::line: segment(v3(v), v3(v + 3)); break;
        case Cls::dirr:
        case Cls::offset: segment({}, v3(v)); break;
        case Cls::axis: segment(v3(v), v3(v) + v3(v + 3)); break;
        case Cls::xform:
            for (int i = 1; i <= 3; ++i) segment(v3(v), v3(v) + v[12] * v3(v + 3 * i));
            break;
        case Cls::arc: {
            double rows[9], data[6];
            arc_frame(*r, rows, data);
            const DSS_arc_t arc{data[0], data[1], {data[2], data[3], data[4]}, data[5]};
            DSS_TEMP_display_arc(&spec, kGeometry, rows, &arc, color, kSolid, kThin);
            break;
        }
        case Cls::scalar:
        case Cls::spline: break;
    }
}

const Row& any_row(const Call& call, tag_t t) {
    call.live(t);
    const Row* r = smart_row(t);
    // 875033, the modelling band's code of an object of another kind.
    if (!r) call.fail(EVC_ERR_NOT_A_CURVE, "tag %u is not a smart object", t);
    return *r;
}

void hand_out(const std::vector<tag_t>& tags, int* count, unsigned int** out) {
    *count = static_cast<int>(tags.size());
    *out = nullptr;
    if (tags.empty()) return;
    *out = static_cast<unsigned int*>(SM_alloc(tags.size() * sizeof(unsigned int)));
    std::memcpy(*out, tags.data(), tags.size() * sizeof(unsigned int));
}

// The parents of a method on a face at two fractions, with the reference
// where the kind asks for one.
std::vector<tag_t> surface_parents(const Call& call, unsigned int face, const unsigned int fractions[2], int kind,
                                   int last_kind, unsigned int reference) {
    call.need(fractions, "the fractions");
    if (kind < 0 || kind > last_kind) call.fail(HOST_ERR_BAD_ARGUMENT, "kind %d", kind);
    std::vector<tag_t> parents{face, fractions[0], fractions[1]};
    if (kind == last_kind) {
        if (reference == 0) call.fail(HOST_ERR_NULL_ARGUMENT, "kind %d needs a reference direction", kind);
        parents.push_back(reference);
    }
    return parents;
}

// ---- part files ----
// Section "SMRT" keeps the smart points, lines, arcs, directions, axes,
// scalars, offsets, transforms and splines written with a part, one row
// per object, parents before their children:
//   u8 class, u8 method, u8 dumb, i32 update option, dimensionality,
//   display marker, visibility, the parents (objects behind a count; none
//   when dumb), the method's 13 numbers, the 13 values held.
// Faces, edges, planes and curves of the part are parents like any other
// object: by their number in the file (a reopened body keeps the objects of
// its faces and edges, section "KBDY"), so that objects on faces, where
// curves and faces meet, along curves and of curvature follow them again.
// An object whose parents are not all written (a face or edge counts only
// with its body) goes out dumb: it keeps its value and follows nothing; so
// does a transform in an assembly context, whose occurrences no part file
// keeps. The reader refuses a row whose parents or numbers its method never
// makes (a count of parents other than its kind's, a flag other than 0 or
// 1, a kind out of range). A spline's row goes on with its record: i32 first
// flag, order, second flag and the two words, the kinds of its points (u8
// behind a count), its parameters (reals behind a count) and the objects
// its points' kinds use (behind a count); a spline through points keeps its
// count, degree, closure and slopes in its numbers.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

constexpr int kNotKept = -1;

bool is_flag(double v) { return v == 0 || v == 1; }
bool whole_in(double v, double lo, double hi) { return v >= lo && v <= hi && v == std::floor(v); }

// The number of parents a kept method takes (kNotKept for the others and
// for those whose row says how many: see parents_fit).
int kept_parents(Method m) {
    switch (m) {
        case Method::offset_curve_curvature: return 2;
        case Method::point_on_surface: return 3;
        case Method::dirr_doubles:
        case Method::axis_doubles:
        case Method::scalar_double:
        case Method::offset_doubles:
        case Method::xform_doubles: return 0;
        case Method::dirr_line:
        case Method::curve_extract:
        case Method::scalar_exp:
        case Method::scalar_length:
        case Method::extract:
        case Method::point_conic_center:
        case Method::dirr_axis_of_conic: return 1;
        case Method::point_on_curve:
        case Method::point_offset:
        case Method::point_on_axis:
        case Method::dirr_two_points:
        case Method::axis_point_dir:
        case Method::scalar_dist:
        case Method::offset_dir_dist:
        case Method::point_on_arc_angle:
        case Method::dirr_two_dirs:
        case Method::dirr_on_curve:
        case Method::line_two_points: return 2;
        case Method::point_three_scalars:
        case Method::offset_three_scalars:
        case Method::offset_cylindrical:
        case Method::offset_spherical:
        case Method::xform_three_points:
        case Method::arc_three_points:
        case Method::arc_center_two_points:
        case Method::arc_xform_two_points: return 3;
        case Method::xform_point_xy_dirs:
        case Method::xform_point_xz_dirs:
        case Method::xform_point_yz_dirs:
        case Method::point_csys_three_scalars: return 4;
        case Method::bcurve_thru_points:
        case Method::spline_general: return 0;  // as many as its record says (spline_fits)
        default: return kNotKept;
    }
}

// Whether a spline's numbers, record and parents agree: a spline through
// points takes its points and the slopes it names, a general one a point
// for each kind and the objects those kinds use; parameters, when given,
// one for each point and one more when closed.
bool spline_fits(const Row& r) {
    if (!r.spline) return false;
    const Row::Spline& s = *r.spline;
    const std::size_t n = r.parents.size();
    if (!std::all_of(s.parameters.begin(), s.parameters.end(), [](double v) { return std::isfinite(v); }))
        return false;
    if (r.method == Method::bcurve_thru_points) {
        const double count = r.numbers[0];
        if (!whole_in(count, 2, 1e6) || !whole_in(r.numbers[1], 1, 24) || !is_flag(r.numbers[2]) ||
            !is_flag(r.numbers[3]) || !is_flag(r.numbers[4]))
            return false;
        return static_cast<double>(n) == count + r.numbers[3] + r.numbers[4] && s.kinds.empty() &&
               s.objects.empty() &&
               (s.parameters.empty() || static_cast<double>(s.parameters.size()) == count + r.numbers[2]);
    }
    if (r.method != Method::spline_general) return false;
    if (s.flags[0] < 0 || s.flags[0] > 1 || s.flags[1] < 1 || s.flags[1] > 24 || s.flags[2] < 0 || s.flags[2] > 1 ||
        n < 2 || s.kinds.size() != n)
        return false;
    std::size_t used = 0;
    for (unsigned char k : s.kinds) {
        if (k > 4) return false;
        used += (k >= 1 ? 1 : 0) + (k == 2 || k == 4 ? 1 : 0) + (k >= 3 ? 1 : 0);
    }
    return s.objects.size() == used && (s.parameters.empty() || s.parameters.size() == n + s.flags[2]);
}

// Whether a kept method's row takes its parents and numbers (an arc of a
// radius takes its angle or none: a full circle; a copy of a curve its
// curve, whether it was asked as a spline and its tolerance; a direction
// on a face or a face's curvature its reference where its kind asks for
// one; the flags of reversal, per cent and the like are 0 or 1).
bool parents_fit(const Row& r) {
    const std::size_t n = r.parents.size();
    const double* v = r.numbers;
    switch (r.method) {
        case Method::curve_extract: return n == 1 && is_flag(v[0]) && std::isfinite(v[1]);
        case Method::arc_radius_angles: return n == 2 || n == 3;
        case Method::point_two_curves: return n >= 2 && n <= 4;
        case Method::point_along_curve: return n == 3 && is_flag(v[0]) && is_flag(v[1]);
        case Method::dirr_plane:
        case Method::dirr_axis_of_surface: return n == 1 && is_flag(v[0]);
        case Method::dirr_normal_to_surface: return n == 2 && is_flag(v[0]);
        case Method::dirr_on_surface: return whole_in(v[0], 0, 3) && is_flag(v[1]) && n == (v[0] == 3 ? 4u : 3u);
        case Method::offset_surface_curvature: return whole_in(v[0], 0, 2) && n == (v[0] == 2 ? 4u : 3u);
        default: break;
    }
    if (r.cls == Cls::spline) return spline_fits(r);
    return kept_parents(r.method) >= 0 && static_cast<std::size_t>(kept_parents(r.method)) == n;
}

// The class a kept method makes (an extract makes any kept class).
bool method_makes(Method m, Cls c) {
    switch (m) {
        case Method::extract: return true;
        case Method::point_on_curve:
        case Method::point_offset:
        case Method::point_three_scalars:
        case Method::point_on_axis:
        case Method::point_on_arc_angle:
        case Method::point_conic_center:
        case Method::point_csys_three_scalars:
        case Method::point_on_surface:
        case Method::point_two_curves:
        case Method::point_along_curve: return c == Cls::point;
        case Method::dirr_doubles:
        case Method::dirr_two_points:
        case Method::dirr_line:
        case Method::dirr_two_dirs:
        case Method::dirr_on_curve:
        case Method::dirr_axis_of_conic:
        case Method::dirr_plane:
        case Method::dirr_axis_of_surface:
        case Method::dirr_normal_to_surface:
        case Method::dirr_on_surface: return c == Cls::dirr;
        case Method::axis_doubles:
        case Method::axis_point_dir: return c == Cls::axis;
        case Method::scalar_double:
        case Method::scalar_exp:
        case Method::scalar_dist:
        case Method::scalar_length: return c == Cls::scalar;
        case Method::offset_doubles:
        case Method::offset_dir_dist:
        case Method::offset_three_scalars:
        case Method::offset_cylindrical:
        case Method::offset_spherical:
        case Method::offset_curve_curvature:
        case Method::offset_surface_curvature: return c == Cls::offset;
        case Method::line_two_points: return c == Cls::line;
        case Method::arc_three_points:
        case Method::arc_center_two_points:
        case Method::arc_xform_two_points:
        case Method::arc_radius_angles: return c == Cls::arc;
        case Method::bcurve_thru_points:
        case Method::spline_general: return c == Cls::spline;
        case Method::curve_extract: return c == Cls::line || c == Cls::arc || c == Cls::spline;
        case Method::xform_assy_context: return false;  // never kept
        default: return c == Cls::xform;
    }
}

// The smart objects written, parents first.
std::vector<tag_t> kept_objects(const pf::SaveContext& ctx) {
    std::vector<tag_t> out;
    const std::function<void(tag_t)> visit = [&](tag_t t) {
        const Row* r = rows().find(t);
        if (!r || !ctx.written(t) || std::find(out.begin(), out.end(), t) != out.end())
            return;
        for (tag_t p : r->parents) visit(p);
        out.push_back(t);
    };
    for (tag_t t : smart_objects()) visit(t);
    return out;
}

// Whether an object goes out with all it stands on: a face or edge of a
// kernel body only with its body (whose section brings the shape back).
bool written_whole(tag_t t, const pf::SaveContext& ctx) {
    if (!ctx.written(t)) return false;
    const int entity = host::kernel::entity_of(t);
    const int body = entity != 0 ? host::kernel::body_of(entity) : 0;
    return body == 0 || ctx.written(host::kernel::object_of(body));
}

bool keeps_parameters(const Row& r, const pf::SaveContext& ctx) {
    if (r.dumb || !method_makes(r.method, r.cls) || !parents_fit(r)) return false;
    const auto written = [&](tag_t p) { return written_whole(p, ctx); };
    return std::all_of(r.parents.begin(), r.parents.end(), written) &&
           (!r.spline || std::all_of(r.spline->objects.begin(), r.spline->objects.end(), written));
}

void write_smart(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, kept_objects(ctx), [&](pf::Writer& row, tag_t t) {
        const Row& r = *rows().find(t);
        const bool params = keeps_parameters(r, ctx);
        row.u8(static_cast<std::uint8_t>(r.cls));
        row.u8(static_cast<std::uint8_t>(r.method));
        row.u8(params ? 0 : 1);
        for (int v : {r.option, r.dimensionality, r.marker, r.visibility}) row.i32(v);
        fields::put_objects(row, ctx, params ? r.parents : std::vector<tag_t>{});
        for (double v : r.numbers) row.f64(v);
        for (double v : r.value) row.f64(v);
        if (r.cls != Cls::spline) return;
        const Row::Spline s = r.spline ? *r.spline : Row::Spline{};
        for (short v : {s.flags[0], s.flags[1], s.flags[2], s.words[0], s.words[1]}) row.i32(v);
        row.u32(static_cast<std::uint32_t>(s.kinds.size()));
        for (unsigned char k : s.kinds) row.u8(k);
        fields::put_reals(row, s.parameters);
        fields::put_objects(row, ctx, s.objects);
    });
}

// A spline's record after its row's values; a spline written without one
// (none ever was) is refused.
std::shared_ptr<const Row::Spline> read_spline(pf::Reader& row, pf::LoadContext& ctx) {
    if (row.done()) throw pf::FormatError("a smart spline without its record");
    auto s = std::make_shared<Row::Spline>();
    short* fields_of[] = {&s->flags[0], &s->flags[1], &s->flags[2], &s->words[0], &s->words[1]};
    for (short* v : fields_of) {
        const std::int32_t x = row.i32();
        if (x < -32768 || x > 32767) throw pf::FormatError("a smart spline's record out of range");
        *v = static_cast<short>(x);
    }
    const std::uint32_t kinds = fields::get_count(row, 1, "a smart spline");
    for (std::uint32_t i = 0; i < kinds; ++i) s->kinds.push_back(row.u8());
    s->parameters = fields::get_reals(row, "a smart spline");
    s->objects = fields::get_objects(row, ctx, "a smart spline");
    return s;
}

// The object a row names must be what the class makes: a point, line or
// arc entity, or an object of the class's own.
bool object_fits(tag_t t, Cls c) {
    const host::objects::Object* o = host::objects::find(t);
    if (!o) return false;
    const auto* e = host::curves::find(t);
    switch (c) {
        case Cls::point: return e && e->kind == host::curves::Kind::point;
        case Cls::line: return e && e->kind == host::curves::Kind::line;
        case Cls::arc: return e && e->kind == host::curves::Kind::arc;
        case Cls::spline: return o->type == HOST_TYPE_SPLINE;
        default: return o->cls == class_of(c) && o->type == 0;
    }
}

void read_smart(pf::Reader& in, pf::LoadContext& ctx) {
    constexpr std::size_t kRow = 3 + 4 * 4 + 4 + 8 * 26;
    constexpr int kMethods = static_cast<int>(Method::xform_three_points) + 1;
    std::vector<std::pair<tag_t, Row>> made;
    pf::read_rows(in, ctx, {"smart objects", kRow, false}, [&](tag_t t, pf::Reader& row) {
        Row r;
        const int cls = row.u8(), method = row.u8(), dumb = row.u8();
        if (cls > static_cast<int>(Cls::spline) || method >= kMethods || dumb > 1)
            throw pf::FormatError("a smart object of an unknown kind");
        r.cls = static_cast<Cls>(cls);
        r.method = static_cast<Method>(method);
        r.dumb = dumb != 0;
        for (int* v : {&r.option, &r.dimensionality, &r.marker, &r.visibility}) *v = row.i32();
        r.parents = fields::get_objects(row, ctx, "a smart object");
        for (double& v : r.numbers) v = row.f64();
        for (double& v : r.value) v = row.f64();
        if (r.cls == Cls::spline) r.spline = read_spline(row, ctx);
        if (!std::all_of(std::begin(r.value), std::end(r.value), [](double v) { return std::isfinite(v); }))
            throw pf::FormatError("a smart object's value is not finite");
        if (r.dumb ? !r.parents.empty() : !method_makes(r.method, r.cls))
            throw pf::FormatError("a smart object's parents do not fit its method");
        for (tag_t p : r.parents)
            if (p == 0 || p == t) throw pf::FormatError("a smart object's parent is missing or itself");
        if (!r.dumb && r.spline)
            for (tag_t o : r.spline->objects)
                if (o == 0 || o == t) throw pf::FormatError("a smart spline's object is missing or itself");
        made.emplace_back(t, std::move(r));
    });
    // Parents come before their children in a chain without cycles: each
    // object's ancestors among the rows are walked once.
    std::vector<std::pair<tag_t, int>> state;  // 1 on the walk, 2 done
    const auto row_of_made = [&](tag_t t) -> const Row* {
        for (const auto& [m, r] : made)
            if (m == t) return &r;
        return nullptr;
    };
    const std::function<void(tag_t)> walk = [&](tag_t t) {
        auto it = std::find_if(state.begin(), state.end(), [&](const auto& s) { return s.first == t; });
        if (it != state.end()) {
            if (it->second == 1) throw pf::FormatError("smart objects that are each other's parents");
            return;
        }
        const Row* r = row_of_made(t);
        if (!r) return;
        state.emplace_back(t, 1);
        const std::size_t at = state.size() - 1;
        for (tag_t p : r->parents) walk(p);
        state[at].second = 2;
    };
    for (const auto& m : made) walk(m.first);
    std::vector<tag_t> read;
    for (auto& [t, r] : made) {
        host::entity::attrs(t).smart = true;
        rows()[t] = std::move(r);
        read.push_back(t);
    }
    // The objects and parents are what their methods take: their curves,
    // faces and edges are read by other sections, so this is checked once
    // every section is in.
    ctx.after_sections([read = std::move(read)]() -> const char* {
        for (tag_t t : read) {
            const Row& r = *rows().find(t);
            if (!object_fits(t, r.cls)) return "a smart object's row names another kind of object";
            if (!r.dumb && !parents_fit(r)) return "a smart object's parents do not fit its method";
        }
        return nullptr;
    });
}

const bool smart_section_registered = [] {
    for (Cls c : {Cls::dirr, Cls::axis, Cls::scalar, Cls::offset, Cls::xform})
        host::part_rules::register_known_kind(static_cast<int>(class_of(c)), 0, 0, 0, "ENTS SMRT");
    pf::register_section({{'S', 'M', 'R', 'T'}, write_smart, read_smart});
    return true;
}();

}  // namespace

namespace host::smart {

void follow_update() {
    const Call call("UPDATE_do_update", nullptr);
    for (tag_t t : parents_first()) {
        const Row& now = *rows().find(t);
        if (now.dumb) continue;
        bool lost = false;
        for (tag_t p : now.parents) lost = lost || !host::objects::is_alive(p);
        Row& r = *rows().edit(t);
        if (lost) {
            r.dumb = true;
            r.parents.clear();
            continue;
        }
        Eval{call, false}.compute(r, r.value);
        show(t, r);
    }
}

}  // namespace host::smart

extern "C" {

// ---- points ----
unsigned int POINT_create_on_curve(unsigned int owner, int option, unsigned int curve, unsigned int fraction) {
    auto call = HOST_ENTRY(owner, option, curve, fraction);
    return make(call, owner, option, Cls::point, Method::point_on_curve, {curve, fraction});
}

unsigned int POINT_create_offset(unsigned int owner, int option, unsigned int point, unsigned int offset) {
    auto call = HOST_ENTRY(owner, option, point, offset);
    return make(call, owner, option, Cls::point, Method::point_offset, {point, offset});
}

unsigned int POINT_create_three_scalars(unsigned int owner, int option, const unsigned int scalars[3]) {
    auto call = HOST_ENTRY(owner, option, scalars);
    call.need(scalars);
    return make(call, owner, option, Cls::point, Method::point_three_scalars, {scalars[0], scalars[1], scalars[2]});
}

unsigned int POINT_create_on_axis(unsigned int owner, int option, unsigned int axis, unsigned int distance) {
    auto call = HOST_ENTRY(owner, option, axis, distance);
    return make(call, owner, option, Cls::point, Method::point_on_axis, {axis, distance});
}

void POINT_set_display_marker(unsigned int point, int marker) {
    auto call = HOST_ENTRY(point, marker);
    edit_row(call, point, Cls::point).marker = marker;
}

int POINT_ask_display_marker(unsigned int point) {
    auto call = HOST_ENTRY(point);
    return static_cast<int>(call.int_out(0, row_of(call, point, Cls::point).marker));
}

// ---- directions ----
unsigned int DIRR_create_doubles(unsigned int owner, int option, const void* base, const double direction[3]) {
    auto call = HOST_ENTRY(owner, option, base, direction);
    call.need(direction);
    return make(call, owner, option, Cls::dirr, Method::dirr_doubles, {}, direction, 3);
}

unsigned int DIRR_create_two_points(unsigned int owner, int option, const unsigned int points[2]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::dirr, Method::dirr_two_points, {points[0], points[1]});
}

unsigned int DIRR_create_line(unsigned int owner, int option, unsigned int line, int reverse) {
    auto call = HOST_ENTRY(owner, option, line, reverse);
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_line, {line}, &r, 1);
}

void DIRR_ask_direction(unsigned int dirr, double direction[3]) {
    auto call = HOST_ENTRY(dirr, direction);
    ask_value(call, dirr, Cls::dirr, 0, direction, 3);
}

void DIRR_set_direction(unsigned int dirr, const double direction[3]) {
    auto call = HOST_ENTRY(dirr, direction);
    set_numbers(call, dirr, Cls::dirr, Method::dirr_doubles, 0, call.need(direction), 3);
}

// ---- axes ----
unsigned int AXIS_create_doubles(unsigned int owner, int option, const double point[3], const double direction[3]) {
    auto call = HOST_ENTRY(owner, option, point, direction);
    call.need(point);
    call.need(direction);
    const double n[6] = {point[0], point[1], point[2], direction[0], direction[1], direction[2]};
    return make(call, owner, option, Cls::axis, Method::axis_doubles, {}, n, 6);
}

unsigned int AXIS_create_point_dir(unsigned int owner, int option, unsigned int point, unsigned int dirr) {
    auto call = HOST_ENTRY(owner, option, point, dirr);
    return make(call, owner, option, Cls::axis, Method::axis_point_dir, {point, dirr});
}

void AXIS_ask_point(unsigned int axis, double point[3]) {
    auto call = HOST_ENTRY(axis, point);
    ask_value(call, axis, Cls::axis, 0, point, 3);
}

void AXIS_ask_direction(unsigned int axis, double direction[3]) {
    auto call = HOST_ENTRY(axis, direction);
    ask_value(call, axis, Cls::axis, 3, direction, 3);
}

void AXIS_set_point(unsigned int axis, const double point[3]) {
    auto call = HOST_ENTRY(axis, point);
    set_numbers(call, axis, Cls::axis, Method::axis_doubles, 0, call.need(point), 3);
}

void AXIS_set_direction(unsigned int axis, const double direction[3]) {
    auto call = HOST_ENTRY(axis, direction);
    set_numbers(call, axis, Cls::axis, Method::axis_doubles, 3, call.need(direction), 3);
}

// ---- scalars ----
unsigned int SCALAR_create_double(unsigned int owner, int option, double value, int dimensionality) {
    auto call = HOST_ENTRY(owner, option, value, dimensionality);
    const tag_t t = make(call, owner, option, Cls::scalar, Method::scalar_double, {}, &value, 1);
    rows()[t].dimensionality = dimensionality;
    return t;
}

unsigned int SCALAR_create_exp(unsigned int owner, int option, unsigned int exp, int dimensionality) {
    auto call = HOST_ENTRY(owner, option, exp, dimensionality);
    call.live(exp);
    if (!host::expr::find(exp)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an expression", exp);
    const tag_t t = make(call, owner, option, Cls::scalar, Method::scalar_exp, {exp});
    rows()[t].dimensionality = dimensionality;
    return t;
}

unsigned int SCALAR_create_dist_2_points(unsigned int owner, int option, const unsigned int points[2]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::scalar, Method::scalar_dist, {points[0], points[1]});
}

unsigned int SCALAR_create_length_curve(unsigned int owner, int option, unsigned int curve, int dimensionality) {
    auto call = HOST_ENTRY(owner, option, curve, dimensionality);
    const tag_t t = make(call, owner, option, Cls::scalar, Method::scalar_length, {curve});
    rows()[t].dimensionality = dimensionality;
    return t;
}

double SCALAR_ask_double(unsigned int scalar) {
    auto call = HOST_ENTRY(scalar);
    return call.real_out(0, row_of(call, scalar, Cls::scalar).value[0]);
}

void SCALAR_set_double(unsigned int scalar, double value) {
    auto call = HOST_ENTRY(scalar, value);
    set_numbers(call, scalar, Cls::scalar, Method::scalar_double, 0, &value, 1);
}

unsigned int SCALAR_ask_exp(unsigned int scalar) {
    auto call = HOST_ENTRY(scalar);
    const Row& r = row_of(call, scalar, Cls::scalar);
    return r.method == Method::scalar_exp && !r.parents.empty() ? r.parents[0] : 0;
}

// ---- offsets ----
unsigned int OFFSET_create_doubles(unsigned int owner, int option, const void* base, const double offset[3]) {
    auto call = HOST_ENTRY(owner, option, base, offset);
    call.need(offset);
    return make(call, owner, option, Cls::offset, Method::offset_doubles, {}, offset, 3);
}

unsigned int OFFSET_create_dir_dist(unsigned int owner, int option, unsigned int dirr, unsigned int distance) {
    auto call = HOST_ENTRY(owner, option, dirr, distance);
    return make(call, owner, option, Cls::offset, Method::offset_dir_dist, {dirr, distance});
}

unsigned int OFFSET_create_three_scalars(unsigned int owner, int option, const unsigned int scalars[3]) {
    auto call = HOST_ENTRY(owner, option, scalars);
    call.need(scalars);
    return make(call, owner, option, Cls::offset, Method::offset_three_scalars, {scalars[0], scalars[1], scalars[2]});
}

void OFFSET_ask_offset(unsigned int offset, double value[3]) {
    auto call = HOST_ENTRY(offset, value);
    ask_value(call, offset, Cls::offset, 0, value, 3);
}

void OFFSET_set_offset(unsigned int offset, const double value[3]) {
    auto call = HOST_ENTRY(offset, value);
    set_numbers(call, offset, Cls::offset, Method::offset_doubles, 0, call.need(value), 3);
}

// ---- transforms ----
unsigned int XFORM_create_doubles(unsigned int owner, int option, const double origin[3], const double x[3],
                                  const double y[3], double scale) {
    auto call = HOST_ENTRY(owner, option, origin, scale);
    call.need(origin);
    call.need(x);
    call.need(y);
    double n[13] = {origin[0], origin[1], origin[2], x[0], x[1], x[2], y[0], y[1], y[2], 0, 0, 0, scale};
    return make(call, owner, option, Cls::xform, Method::xform_doubles, {}, n, 13);
}

unsigned int XFORM_create_point_xy_dirs(unsigned int owner, int option, unsigned int point, unsigned int x,
                                        unsigned int y, unsigned int scale) {
    auto call = HOST_ENTRY(owner, point, x, y);
    return make(call, owner, option, Cls::xform, Method::xform_point_xy_dirs, {point, x, y, scale});
}

unsigned int XFORM_create_three_points(unsigned int owner, int option, const unsigned int points[3]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::xform, Method::xform_three_points, {points[0], points[1], points[2]});
}

void XFORM_ask_point(unsigned int xform, double origin[3]) {
    auto call = HOST_ENTRY(xform, origin);
    ask_value(call, xform, Cls::xform, 0, origin, 3);
}

void XFORM_ask_x_direction(unsigned int xform, double x[3]) {
    auto call = HOST_ENTRY(xform, x);
    ask_value(call, xform, Cls::xform, 3, x, 3);
}

void XFORM_ask_y_direction(unsigned int xform, double y[3]) {
    auto call = HOST_ENTRY(xform, y);
    ask_value(call, xform, Cls::xform, 6, y, 3);
}

void XFORM_ask_z_direction(unsigned int xform, double z[3]) {
    auto call = HOST_ENTRY(xform, z);
    ask_value(call, xform, Cls::xform, 9, z, 3);
}

double XFORM_ask_scale(unsigned int xform) {
    auto call = HOST_ENTRY(xform);
    return call.real_out(0, row_of(call, xform, Cls::xform).value[12]);
}

void XFORM_ask_xform(unsigned int xform, double matrix[16]) {
    auto call = HOST_ENTRY(xform, matrix);
    call.need(matrix);
    const double* v = row_of(call, xform, Cls::xform).value;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) matrix[4 * i + j] = v[12] * v[3 + 3 * i + j];
        matrix[4 * i + 3] = v[i];
    }
    matrix[12] = matrix[13] = matrix[14] = 0;
    matrix[15] = 1;
}

void XFORM_set_point(unsigned int xform, const double origin[3]) {
    auto call = HOST_ENTRY(xform, origin);
    set_numbers(call, xform, Cls::xform, Method::xform_doubles, 0, call.need(origin), 3);
}

void XFORM_set_xy_directions(unsigned int xform, const double x[3], const double y[3]) {
    auto call = HOST_ENTRY(xform, x, y);
    call.need(x);
    call.need(y);
    const double n[6] = {x[0], x[1], x[2], y[0], y[1], y[2]};
    set_numbers(call, xform, Cls::xform, Method::xform_doubles, 3, n, 6);
}

void XFORM_set_scale(unsigned int xform, double scale) {
    auto call = HOST_ENTRY(xform, scale);
    set_numbers(call, xform, Cls::xform, Method::xform_doubles, 12, &scale, 1);
}

unsigned int XFORM_create_point_xz_dirs(unsigned int owner, int option, unsigned int point, unsigned int x,
                                        unsigned int z, unsigned int scale) {
    auto call = HOST_ENTRY(owner, point, x, z);
    return make(call, owner, option, Cls::xform, Method::xform_point_xz_dirs, {point, x, z, scale});
}

unsigned int XFORM_create_point_yz_dirs(unsigned int owner, int option, unsigned int point, unsigned int y,
                                        unsigned int z, unsigned int scale) {
    auto call = HOST_ENTRY(owner, point, y, z);
    return make(call, owner, option, Cls::xform, Method::xform_point_yz_dirs, {point, y, z, scale});
}

unsigned int POINT_create_on_arc_at_angle(unsigned int owner, int option, unsigned int arc, unsigned int angle,
                                          int value) {
    auto call = HOST_ENTRY(owner, option, arc, angle);
    (void)value;
    return make(call, owner, option, Cls::point, Method::point_on_arc_angle, {arc, angle});
}

unsigned int DIRR_create_on_curve(unsigned int owner, int option, unsigned int curve, unsigned int fraction,
                                  int reverse, int value) {
    auto call = HOST_ENTRY(owner, curve, fraction, reverse);
    (void)value;
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_on_curve, {curve, fraction}, &r, 1);
}

unsigned int DIRR_create_two_dirs(unsigned int owner, int option, const unsigned int dirs[2]) {
    auto call = HOST_ENTRY(owner, option, dirs);
    call.need(dirs);
    return make(call, owner, option, Cls::dirr, Method::dirr_two_dirs, {dirs[0], dirs[1]});
}

unsigned int OFFSET_create_cylindrical(unsigned int owner, int option, unsigned int radius, unsigned int angle,
                                       unsigned int height) {
    auto call = HOST_ENTRY(owner, radius, angle, height);
    return make(call, owner, option, Cls::offset, Method::offset_cylindrical, {radius, angle, height});
}

unsigned int OFFSET_create_spherical(unsigned int owner, int option, unsigned int radius, unsigned int angle,
                                     unsigned int elevation) {
    auto call = HOST_ENTRY(owner, radius, angle, elevation);
    return make(call, owner, option, Cls::offset, Method::offset_spherical, {radius, angle, elevation});
}

unsigned int POINT_create_center_of_conic(unsigned int owner, int option, unsigned int conic) {
    auto call = HOST_ENTRY(owner, option, conic);
    return make(call, owner, option, Cls::point, Method::point_conic_center, {conic});
}

unsigned int DIRR_create_axis_of_conic(unsigned int owner, int option, unsigned int conic, int reverse) {
    auto call = HOST_ENTRY(owner, option, conic, reverse);
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_axis_of_conic, {conic}, &r, 1);
}

unsigned int POINT_create_csys_3_scalars(unsigned int owner, const unsigned int scalars[3], int value,
                                         unsigned int xform) {
    auto call = HOST_ENTRY(owner, scalars, value, xform);
    call.need(scalars);
    return make(call, owner, value, Cls::point, Method::point_csys_three_scalars,
                {scalars[0], scalars[1], scalars[2], xform});
}

unsigned int POINT_create_extract_with_display_marker(unsigned int owner, int option, unsigned int point, int value,
                                                      int marker) {
    auto call = HOST_ENTRY(owner, option, point, marker);
    (void)value;
    const tag_t t = make(call, owner, option, Cls::point, Method::extract, {point});
    rows()[t].marker = marker;
    return t;
}

// ---- extracts: a copy that follows its source ----
unsigned int POINT_create_extract(unsigned int owner, int option, unsigned int point, int value) {
    auto call = HOST_ENTRY(owner, option, point, value);
    return make(call, owner, option, Cls::point, Method::extract, {point});
}

unsigned int DIRR_create_extract(unsigned int owner, int option, unsigned int dirr, int value) {
    auto call = HOST_ENTRY(owner, option, dirr, value);
    return make(call, owner, option, Cls::dirr, Method::extract, {dirr});
}

unsigned int AXIS_create_extract(unsigned int owner, int option, unsigned int axis, int value) {
    auto call = HOST_ENTRY(owner, option, axis, value);
    return make(call, owner, option, Cls::axis, Method::extract, {axis});
}

unsigned int SCALAR_create_extract(unsigned int owner, int option, unsigned int scalar, int value, int dimensionality) {
    auto call = HOST_ENTRY(owner, option, scalar, value);
    const tag_t t = make(call, owner, option, Cls::scalar, Method::extract, {scalar});
    rows()[t].dimensionality = dimensionality;
    return t;
}

unsigned int OFFSET_create_extract(unsigned int owner, int option, unsigned int offset, int value) {
    auto call = HOST_ENTRY(owner, option, offset, value);
    return make(call, owner, option, Cls::offset, Method::extract, {offset});
}

unsigned int XFORM_create_extract(unsigned int owner, int option, unsigned int xform, int value) {
    auto call = HOST_ENTRY(owner, option, xform, value);
    return make(call, owner, option, Cls::xform, Method::extract, {xform});
}

int XFORM_is_assy_context_xform(unsigned int xform) {
    auto call = HOST_ENTRY(xform);
    const bool assy = row_of(call, xform, Cls::xform).method == Method::xform_assy_context;
    return static_cast<int>(call.int_out(0, assy ? 1 : 0));
}

// ---- curves ----
unsigned int BCURVE_create_general(unsigned int owner, const SO_spline_t* record) {
    auto call = HOST_ENTRY(owner, record);
    const SO_spline_t& d = *call.need(record, "the spline record");
    if (d.first_flag < 0 || d.first_flag > 1 || d.order < 1 || d.order > 24 || d.second_flag < 0 || d.second_flag > 1 ||
        d.count < 2 || !d.kinds || !d.points)
        call.fail(HOST_ERR_BAD_ARGUMENT, "a spline record out of range");
    auto sp = std::make_shared<Row::Spline>();
    sp->flags[0] = static_cast<short>(d.first_flag);
    sp->flags[1] = static_cast<short>(d.order);
    sp->flags[2] = static_cast<short>(d.second_flag);
    sp->words[0] = static_cast<short>(d.word1);
    sp->words[1] = static_cast<short>(d.word2);
    std::vector<tag_t> points;
    for (int i = 0; i < d.count; ++i) {
        const int k = d.kinds[i];
        if (k < 0 || k > 4) call.fail(HOST_ERR_BAD_ARGUMENT, "kind %d of point %d", k, i);
        sp->kinds.push_back(static_cast<unsigned char>(k));
        points.push_back(d.points[i]);
        const auto take = [&](const unsigned int* objs, bool used) {
            if (!used) return;
            call.need(objs, "the objects of the kinds");
            call.live(objs[i]);
            sp->objects.push_back(objs[i]);
        };
        take(d.first_objects, k >= 1);
        take(d.second_objects, k == 2 || k == 4);
        take(d.third_objects, k >= 3);
    }
    if (d.parameters) sp->parameters.assign(d.parameters, d.parameters + d.count + d.second_flag);
    return make(call, owner, 0, Cls::spline, Method::spline_general, points, nullptr, 0, std::move(sp));
}

void BCURVE_ask_general(unsigned int spline, SO_spline_t* record) {
    auto call = HOST_ENTRY(spline, record);
    call.need(record, "the spline record");
    const Row& r = row_of(call, spline, Cls::spline);
    if (r.method != Method::spline_general || !r.spline)
        call.fail(SO_ERR_WRONG_PARMS, "spline %u is not defined by a general record", spline);
    const Row::Spline& sp = *r.spline;
    const int n = static_cast<int>(r.parents.size());
    const auto ints = [](std::size_t m) { return static_cast<int*>(SM_alloc(m * sizeof(int))); };
    const auto tags = [](std::size_t m) { return static_cast<unsigned int*>(SM_alloc(m * sizeof(unsigned int))); };
    SO_spline_t out{};
    out.first_flag = sp.flags[0];
    out.order = sp.flags[1];
    out.second_flag = sp.flags[2];
    out.count = n;
    out.word1 = sp.words[0];
    out.word2 = sp.words[1];
    int* kinds = ints(n);
    unsigned int* points = tags(n);
    unsigned int* objs[3] = {tags(n), tags(n), tags(n)};
    std::size_t next = 0;
    for (int i = 0; i < n; ++i) {
        const int k = sp.kinds[i];
        kinds[i] = k;
        points[i] = r.parents[i];
        const bool used[3] = {k >= 1, k == 2 || k == 4, k >= 3};
        for (int j = 0; j < 3; ++j) objs[j][i] = used[j] ? sp.objects[next++] : 0;
    }
    out.kinds = kinds;
    out.points = points;
    out.first_objects = objs[0];
    out.second_objects = objs[1];
    out.third_objects = objs[2];
    const std::size_t want = static_cast<std::size_t>(n + out.second_flag);
    if (sp.parameters.size() == want) {
        auto* params = static_cast<double*>(SM_alloc(want * sizeof(double)));
        std::copy(sp.parameters.begin(), sp.parameters.end(), params);
        out.parameters = params;
    }
    *record = out;
}

unsigned int ARC_create_three_points(unsigned int owner, int option, const unsigned int points[3]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::arc, Method::arc_three_points, {points[0], points[1], points[2]});
}

unsigned int ARC_create_center_two_points(unsigned int owner, int option, const unsigned int points[3]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::arc, Method::arc_center_two_points, {points[0], points[1], points[2]});
}

unsigned int LINE_create_two_points(unsigned int owner, int option, const unsigned int points[2]) {
    auto call = HOST_ENTRY(owner, option, points);
    call.need(points);
    return make(call, owner, option, Cls::line, Method::line_two_points, {points[0], points[1]});
}

// ---- any smart object ----
void SO_ask_parms(unsigned int object, SO_parms_t* parms) {
    auto call = HOST_ENTRY(object, parms);
    call.need(parms);
    const Row& r = any_row(call, object);
    *parms = SO_parms_t{};
    parms->parms_class =
        r.cls == Cls::xform && r.method != Method::xform_three_points ? "XFORM_parms_c" : parms_class(r.method);
    parms->n_parents = static_cast<int>(r.parents.size());
    for (std::size_t i = 0; i < r.parents.size() && i < 4; ++i) parms->parents[i] = r.parents[i];
    std::memcpy(parms->numbers, r.numbers, sizeof parms->numbers);
}

void SO_replace_parms(unsigned int object, unsigned int replacement) {
    auto call = HOST_ENTRY(object, replacement);
    const Row& r = any_row(call, object);
    const Row& by = any_row(call, replacement);
    if (r.cls != by.cls) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not of the class of tag %u", replacement, object);
    if (depends_on(replacement, object))
        call.fail(HOST_ERR_BAD_ARGUMENT, "tag %u is an ancestor of its replacement", object);
    Row next = r;
    next.method = by.method;
    next.parents = by.parents;
    std::memcpy(next.numbers, by.numbers, sizeof next.numbers);
    next.dimensionality = by.dimensionality;
    next.spline = by.spline;
    next.dumb = false;
    Eval{call, true}.compute(next, next.value);
    *rows().edit(object) = next;
    show(object, next);
}

void SO_delete_parms(unsigned int object) {
    auto call = HOST_ENTRY(object);
    any_row(call, object);
    Row& r = *rows().edit(object);
    r.parents.clear();
    r.dumb = true;
}

void SO_temp_display(unsigned int object, int sequence, int color, int marker) {
    auto call = HOST_ENTRY(object, sequence, color, marker);
    any_row(call, object);
    draw(object, sequence, color, marker);
}

void SO_temp_display_parents(unsigned int object, int sequence, int color, int marker) {
    auto call = HOST_ENTRY(object, sequence, color, marker);
    for (tag_t p : any_row(call, object).parents)
        if (host::objects::is_alive(p)) draw(p, sequence, color, marker);
}

int SO_ask_update_option(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return static_cast<int>(call.int_out(0, any_row(call, object).option));
}

int SO_ask_visibility_option(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return static_cast<int>(call.int_out(0, any_row(call, object).visibility));
}

void SO_set_visibility_option(unsigned int object, int option) {
    auto call = HOST_ENTRY(object, option);
    any_row(call, object);
    if (option != 0 && option != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "visibility option %d", option);
    rows().edit(object)->visibility = option;
}

int RM_ask_condemned_state(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const Row* r = smart_row(object);
    return static_cast<int>(call.int_out(0, r && r->visibility == 1 ? 1 : 0));
}

void SO_ask_parents(unsigned int object, int kind, int* count, unsigned int** tags) {
    auto call = HOST_ENTRY(object, kind, count, tags);
    call.need(count);
    call.need(tags);
    std::vector<tag_t> live;
    for (tag_t p : any_row(call, object).parents)
        if (host::objects::is_alive(p)) live.push_back(p);
    hand_out(live, count, tags);
}

void SO_ask_children(unsigned int object, int kind, int* count, unsigned int** tags) {
    auto call = HOST_ENTRY(object, kind, count, tags);
    call.need(count);
    call.need(tags);
    call.live(object);
    std::vector<tag_t> children;
    for (tag_t t : smart_objects())
        for (tag_t p : rows().find(t)->parents)
            if (p == object) {
                children.push_back(t);
                break;
            }
    hand_out(children, count, tags);
}

int RM_ask_out_of_date_state(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const Row& r = any_row(call, object);
    if (r.dumb) return static_cast<int>(call.int_out(0, 0));
    for (tag_t p : r.parents)
        if (!host::objects::is_alive(p)) return static_cast<int>(call.int_out(0, 1));
    double now[13];
    Eval{call, true}.compute(r, now);
    bool differs = false;
    for (int i = 0; i < 13; ++i) differs = differs || std::fabs(now[i] - r.value[i]) > 1e-12;
    return static_cast<int>(call.int_out(0, differs ? 1 : 0));
}

int SO_ask_parent_status(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const Row& r = any_row(call, object);
    int status = r.dumb ? SO_PARENTS_LOST : r.parents.empty() ? SO_PARENTS_NONE : SO_PARENTS_PRESENT;
    for (tag_t p : r.parents)
        if (!host::objects::is_alive(p)) status = SO_PARENTS_LOST;
    return static_cast<int>(call.int_out(0, status));
}

int RM_ask_got_dumb_state(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return static_cast<int>(call.int_out(0, any_row(call, object).dumb ? 1 : 0));
}

int SO_ask_update_error_code(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return static_cast<int>(call.int_out(0, any_row(call, object).dumb ? SO_ERR_PARENT_DELETED : 0));
}

// ---- on faces, planes and curves ----
unsigned int POINT_create_on_surface(unsigned int owner, int option, unsigned int face, unsigned int u,
                                     unsigned int v) {
    auto call = HOST_ENTRY(owner, face, u, v);
    return make(call, owner, option, Cls::point, Method::point_on_surface, {face, u, v});
}

unsigned int POINT_create_two_curves(unsigned int owner, int option, unsigned int first, unsigned int second,
                                     unsigned int help1, unsigned int help2) {
    auto call = HOST_ENTRY(owner, first, second, help1);
    std::vector<tag_t> parents{first, second};
    for (tag_t h : {help1, help2})
        if (h != 0) parents.push_back(h);
    return make(call, owner, option, Cls::point, Method::point_two_curves, parents);
}

unsigned int POINT_create_along_curve(unsigned int owner, int option, unsigned int curve, unsigned int point,
                                      unsigned int distance, int percent, int reverse) {
    auto call = HOST_ENTRY(owner, curve, point, distance);
    const double n[2] = {percent != 0 ? 1.0 : 0.0, reverse != 0 ? 1.0 : 0.0};
    return make(call, owner, option, Cls::point, Method::point_along_curve, {curve, point, distance}, n, 2);
}

unsigned int DIRR_create_plane(unsigned int owner, int option, unsigned int plane, int reverse) {
    auto call = HOST_ENTRY(owner, option, plane, reverse);
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_plane, {plane}, &r, 1);
}

unsigned int DIRR_create_axis_of_surface(unsigned int owner, int option, unsigned int face, int reverse) {
    auto call = HOST_ENTRY(owner, option, face, reverse);
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_axis_of_surface, {face}, &r, 1);
}

unsigned int DIRR_create_nor_to_surf_pt(unsigned int owner, int option, unsigned int face, unsigned int point,
                                        int reverse) {
    auto call = HOST_ENTRY(owner, face, point, reverse);
    const double r = reverse != 0 ? 1 : 0;
    return make(call, owner, option, Cls::dirr, Method::dirr_normal_to_surface, {face, point}, &r, 1);
}

unsigned int DIRR_create_on_surf(unsigned int owner, int option, unsigned int face, const unsigned int fractions[2],
                                 int kind, unsigned int reference, unsigned char flag) {
    auto call = HOST_ENTRY(owner, face, fractions, kind);
    const double n[2] = {static_cast<double>(kind), flag != 0 ? 1.0 : 0.0};
    return make(call, owner, option, Cls::dirr, Method::dirr_on_surface,
                surface_parents(call, face, fractions, kind, 3, reference), n, 2);
}

unsigned int OFFSET_create_curve_cvtr(unsigned int owner, int option, unsigned int curve, unsigned int fraction) {
    auto call = HOST_ENTRY(owner, option, curve, fraction);
    return make(call, owner, option, Cls::offset, Method::offset_curve_curvature, {curve, fraction});
}

unsigned int OFFSET_create_surf_cvtr(unsigned int owner, int option, unsigned int face, const unsigned int fractions[2],
                                     int kind, unsigned int reference) {
    auto call = HOST_ENTRY(owner, face, fractions, kind);
    const double n = kind;
    return make(call, owner, option, Cls::offset, Method::offset_surface_curvature,
                surface_parents(call, face, fractions, kind, 2, reference), &n, 1);
}

// ---- smart curves of other objects ----
unsigned int CURVE_create_extract(unsigned int owner, int option, unsigned int curve, int value, int as_spline,
                                  int dumb, double tolerance) {
    auto call = HOST_ENTRY(owner, curve, as_spline, tolerance);
    (void)value;
    call.live(curve);
    int kind = PX_CURVE_OTHER;
    const int type = ES_ask_entity_type(curve);
    if (type == HOST_TYPE_LINE) kind = PX_CURVE_LINE;
    if (type == HOST_TYPE_ARC) kind = PX_CURVE_CIRCLE;
    if (type == HOST_TYPE_SOLID) kind = PX_curve_ask_type(curve);
    const Cls cls = as_spline != 0            ? Cls::spline
                    : kind == PX_CURVE_LINE   ? Cls::line
                    : kind == PX_CURVE_CIRCLE ? Cls::arc
                                              : Cls::spline;
    const double n[2] = {as_spline != 0 ? 1.0 : 0.0, tolerance};
    const tag_t t = make(call, owner, option, cls, Method::curve_extract, {curve}, n, 2);
    if (dumb != 0) {
        Row& r = *rows().edit(t);
        r.parents.clear();
        r.dumb = true;
    }
    return t;
}

void BCURVE_create_thru_points(unsigned int owner, int option, const unsigned int* points, int count, int degree,
                               int closed, const double* parameters, unsigned int start_slope, unsigned int end_slope,
                               unsigned int* spline) {
    auto call = HOST_ENTRY(owner, points, count, degree);
    call.need(points, "the points");
    call.need(spline, "the spline output");
    if (count < 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d points", count);
    if (degree < 1 || degree > 24) call.fail(HOST_ERR_BAD_ARGUMENT, "degree %d", degree);
    std::vector<tag_t> parents(points, points + count);
    for (tag_t s : {start_slope, end_slope})
        if (s != 0) parents.push_back(s);
    auto sp = std::make_shared<Row::Spline>();
    if (parameters) sp->parameters.assign(parameters, parameters + count + (closed != 0 ? 1 : 0));
    const double n[5] = {static_cast<double>(count), static_cast<double>(degree), closed != 0 ? 1.0 : 0.0,
                         start_slope != 0 ? 1.0 : 0.0, end_slope != 0 ? 1.0 : 0.0};
    *spline = make(call, owner, option, Cls::spline, Method::bcurve_thru_points, parents, n, 5, std::move(sp));
}

unsigned int ARC_create_radius_angles(unsigned int owner, int option, unsigned int xform, unsigned int radius,
                                      unsigned int angle) {
    auto call = HOST_ENTRY(owner, xform, radius, angle);
    std::vector<tag_t> parents{xform, radius};
    if (angle != 0) parents.push_back(angle);
    return make(call, owner, option, Cls::arc, Method::arc_radius_angles, parents);
}

unsigned int ARC_create_xform_two_points(unsigned int owner, int option, unsigned int xform,
                                         const unsigned int points[2], int sense, int full) {
    auto call = HOST_ENTRY(owner, xform, points, sense);
    call.need(points, "the points");
    const double n[2] = {sense != 0 ? 1.0 : 0.0, full != 0 ? 1.0 : 0.0};
    return make(call, owner, option, Cls::arc, Method::arc_xform_two_points, {xform, points[0], points[1]}, n, 2);
}

// ---- transforms in an assembly context ----
unsigned int XFORM_assy_context_parms_create(unsigned int occurrence, unsigned int context, int option) {
    auto call = HOST_ENTRY(occurrence, context, option);
    for (tag_t o : {occurrence, context})
        if (OCC_is_part_occurrence(o) == 0) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no part occurrence", o);
    const tag_t part = CONTEXT_ask_work_part();
    if (part == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no work part");
    return make(call, part, option, Cls::xform, Method::xform_assy_context, {occurrence, context});
}

unsigned int XFORM_map_part_occurrence(unsigned int xform, unsigned int occurrence) {
    auto call = HOST_ENTRY(xform, occurrence);
    const Row& r = row_of(call, xform, Cls::xform);
    if (r.method != Method::xform_assy_context)
        call.fail(SO_ERR_WRONG_PARMS, "transform %u relates no occurrences", xform);
    if (OCC_is_part_occurrence(occurrence) == 0)
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no part occurrence", occurrence);
    const tag_t context = r.parents.size() > 1 ? r.parents[1] : 0;
    if (context == 0 || !host::objects::is_alive(context)) return 0;
    // The context occurrence within the occurrence's assembly: the same one
    // there; the assembly's root where the context is a root.
    const tag_t assembly = host::objects::require(occurrence).part;
    if (host::objects::require(context).part == assembly) return context;
    const tag_t root = OCC_ask_root_of_occ_part(OCC_ask_root_part_of_part_occ(context));
    return static_cast<unsigned int>(call.int_out(0, root == context ? OCC_ask_root_of_occ_part(assembly) : 0));
}

void SO_delete_non_deletables(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const Row& r = any_row(call, object);
    std::vector<tag_t> before;
    const std::function<void(tag_t)> gather = [&](tag_t t) {
        const Row* row = rows().find(t);
        if (!row) return;
        for (tag_t p : row->parents)
            if (std::find(before.begin(), before.end(), p) == before.end()) {
                before.push_back(p);
                gather(p);
            }
    };
    gather(object);
    (void)r;
    Row& edited = *rows().edit(object);
    edited.parents.clear();
    edited.dumb = true;
    // Hidden smart objects among its former ancestors that nothing uses any
    // more go, children before parents.
    for (bool removed = true; removed;) {
        removed = false;
        for (tag_t t : before) {
            const Row* row = rows().find(t);
            if (!row || row->visibility != 1 || !host::objects::is_alive(t)) continue;
            bool used = false;
            for (tag_t other : smart_objects())
                for (tag_t p : rows().find(other)->parents) used = used || p == t;
            if (used) continue;
            host::entity::destroy_with_dependents(t);
            removed = true;
        }
    }
}

}  // extern "C"
