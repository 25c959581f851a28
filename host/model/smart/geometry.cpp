// Faces, planes, curvature, lengths along curves, intersections and splines
// through points for the smart objects (host/model/smart/geometry.h).
#include "host/model/smart/geometry.h"

#include <algorithm>
#include <cmath>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_types.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/curves/splines.h"
#include "host/base/services/error.h"
#include "host/model/smart/smart.h"

namespace host::smart::geometry {

namespace {

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

constexpr double kTiny = 1e-14;

// The kernel face of a face object.
int kernel_face(const Call& call, tag_t face) {
    call.live(face);
    int e = 0;
    es7010_(&face, &e);
    int cls = 0;
    if (e != 0) ZQ_ENTITY_ask_class(e, &cls);
    if (cls != ZQ_CLASS_FACE) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no face of a kernel body", face);
    return e;
}

FacePlace place(int face, double u, double v) {
    double out[18], normal[3];
    ZQ_SURF_eval(face, u, v, 2, out, normal);
    FacePlace f;
    double* dst[6] = {f.point, f.su, f.sv, f.suu, f.suv, f.svv};
    for (int i = 0; i < 6; ++i) std::copy(out + 3 * i, out + 3 * i + 3, dst[i]);
    std::copy(normal, normal + 3, f.normal);
    f.u = u;
    f.v = v;
    return f;
}

// The kernel's data of a face object: type, point, direction, sense.
int face_data(const Call& call, tag_t face, double point[3], double direction[3], int* sense) {
    const int e = kernel_face(call, face);
    int type = 0;
    double r = 0, r2 = 0;
    ZQ_FACE_ask_data(e, &type, point, direction, &r, &r2, sense);
    return type;
}

bool is_face(tag_t object) { return ES_ask_entity_type(object) == HOST_TYPE_SOLID && ES_solid_is_a_face(object) != 0; }

}  // namespace

FacePlace face_at(const Call& call, tag_t face, double fu, double fv) {
    const int e = kernel_face(call, face);
    double box[4];
    ZQ_FACE_ask_uv_box(e, box);
    return place(e, box[0] + fu * (box[1] - box[0]), box[2] + fv * (box[3] - box[2]));
}

FacePlace face_nearest(const Call& call, tag_t face, const double p[3]) {
    const int e = kernel_face(call, face);
    double uv[2];
    int found = 0;
    KI_clpten(p, e, uv, &found);
    if (!found) call.fail(SO_ERR_NO_SOLUTION, "no point of face %u is near the point", face);
    return place(e, uv[0], uv[1]);
}

void tangent_of(const Call& call, const FacePlace& f, const double d[3], double* du, double* dv) {
    const double E = dot(f.su, f.su), F = dot(f.su, f.sv), G = dot(f.sv, f.sv);
    const double a = dot(d, f.su), b = dot(d, f.sv), det = E * G - F * F;
    if (!(std::fabs(det) > kTiny)) call.fail(SO_ERR_DEGENERATE, "the face has no tangent plane there");
    *du = (G * a - F * b) / det;
    *dv = (E * b - F * a) / det;
    if (!(std::fabs(*du) + std::fabs(*dv) > 1e-12)) call.fail(SO_ERR_DEGENERATE, "the direction is normal to the face");
}

void face_curvature(const Call& call, const FacePlace& f, double du, double dv, double out[3]) {
    const double E = dot(f.su, f.su), F = dot(f.su, f.sv), G = dot(f.sv, f.sv);
    const double L = dot(f.suu, f.normal), M = dot(f.suv, f.normal), N = dot(f.svv, f.normal);
    const double first = E * du * du + 2 * F * du * dv + G * dv * dv;
    if (!(first > kTiny)) call.fail(SO_ERR_DEGENERATE, "no tangent along the direction");
    const double k = (L * du * du + 2 * M * du * dv + N * dv * dv) / first;
    for (int i = 0; i < 3; ++i) out[i] = k * f.normal[i];
}

void plane_of(const Call& call, tag_t plane, double point[3], double normal[3]) {
    call.live(plane);
    const int type = ES_ask_entity_type(plane);
    if (type == HOST_TYPE_PLANE) {
        double data[6];
        ES_ask_plane_data(plane, data);
        std::copy(data, data + 3, point);
        std::copy(data + 3, data + 6, normal);
        return;
    }
    if (type == HOST_TYPE_DATUM_PLANE) {
        DPLANE_ask_direction(plane, normal);
        std::fill(point, point + 3, 0.0);
        return;
    }
    int sense = 1;
    if (!is_face(plane) || face_data(call, plane, point, normal, &sense) != ZQ_SURF_PLANE)
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is neither a plane nor a planar face", plane);
    if (sense < 0)
        for (int i = 0; i < 3; ++i) normal[i] = -normal[i];
}

void surface_axis(const Call& call, tag_t face, double axis[3]) {
    double point[3];
    int sense = 1;
    face_data(call, face, point, axis, &sense);
}

hostnum::Curve curve_of(const Call& call, tag_t curve) {
    call.live(curve);
    auto c = host::curves::curve_of(curve);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u has no curve", curve);
    return std::move(*c);
}

void curve_curvature(const Call& call, tag_t curve, double fraction, double out[3]) {
    const hostnum::Curve c = curve_of(call, curve);
    double lim[2], p[3], d[6];
    hostnum::curve_limits(c.record(), lim);
    if (hostnum::curve_evaluate(c.record(), 2, lim[0] + fraction * (lim[1] - lim[0]), p, d) != hostnum::CurveError::ok)
        call.fail(SO_ERR_DEGENERATE, "curve %u cannot be evaluated", curve);
    // kN = (r'' |r'|^2 - (r' . r'') r') / |r'|^4
    const double s2 = dot(d, d), s = dot(d, d + 3);
    if (!(s2 > kTiny)) call.fail(SO_ERR_DEGENERATE, "curve %u has no tangent there", curve);
    for (int i = 0; i < 3; ++i) out[i] = (d[3 + i] * s2 - s * d[i]) / (s2 * s2);
}

void along_curve(const Call& call, tag_t curve, const double from[3], double distance, bool percent, bool reverse,
                 double out[3]) {
    const hostnum::Curve c = curve_of(call, curve);
    const curve_struct& r = c.record();
    double lim[2], t0 = 0, foot[3];
    hostnum::curve_limits(r, lim);
    const auto length = [&](double a, double b) {
        double l = 0;
        if (hostnum::curve_arc_length(r, a, b, &l) != hostnum::CurveError::ok)
            call.fail(SO_ERR_DEGENERATE, "the length of curve %u", curve);
        return l;
    };
    if (hostnum::curve_closest_point(r, from, &t0, foot) != hostnum::CurveError::ok)
        call.fail(SO_ERR_DEGENERATE, "curve %u has no point near the point", curve);
    if (percent) distance = distance / 100 * length(lim[0], lim[1]);
    if (distance < 0) {
        distance = -distance;
        reverse = !reverse;
    }
    const double end = reverse ? lim[0] : lim[1];
    if (distance > length(t0, end) * (1 + 1e-12) + 1e-12)
        call.fail(SO_ERR_NO_SOLUTION, "the distance runs beyond the end of curve %u", curve);
    // Halving the parameter interval until the length meets the distance.
    double lo = t0, hi = end;
    for (int i = 0; i < 80 && std::fabs(hi - lo) > 1e-15 * (1 + std::fabs(hi)); ++i) {
        const double mid = 0.5 * (lo + hi);
        (length(t0, mid) < distance ? lo : hi) = mid;
    }
    if (hostnum::curve_evaluate(r, 0, 0.5 * (lo + hi), out, nullptr) != hostnum::CurveError::ok)
        call.fail(SO_ERR_DEGENERATE, "curve %u cannot be evaluated", curve);
}

namespace {

// Where the curve crosses the plane: the crossing nearest to the reference.
void curve_meets_plane(const Call& call, tag_t curve, const double q[3], const double n[3], const double ref[3],
                       double out[3]) {
    const hostnum::Curve c = curve_of(call, curve);
    const curve_struct& r = c.record();
    double lim[2];
    hostnum::curve_limits(r, lim);
    const auto at = [&](double t, double p[3]) {
        hostnum::curve_evaluate(r, 0, t, p, nullptr);
        return (p[0] - q[0]) * n[0] + (p[1] - q[1]) * n[1] + (p[2] - q[2]) * n[2];
    };
    constexpr int kSteps = 64;
    double best = -1, p[3];
    double prev_t = lim[0], prev = at(prev_t, p);
    for (int i = 1; i <= kSteps; ++i) {
        const double t = lim[0] + (lim[1] - lim[0]) * i / kSteps;
        const double g = at(t, p);
        if ((prev <= 0 && g >= 0) || (prev >= 0 && g <= 0)) {
            double lo = prev_t, hi = t, glo = prev;
            for (int k = 0; k < 100; ++k) {
                const double mid = 0.5 * (lo + hi), gm = at(mid, p);
                if ((glo <= 0) == (gm <= 0)) lo = mid, glo = gm;
                else hi = mid;
            }
            double hit[3];
            at(0.5 * (lo + hi), hit);
            const double d = std::hypot(hit[0] - ref[0], hit[1] - ref[1], hit[2] - ref[2]);
            if (best < 0 || d < best) {
                best = d;
                std::copy(hit, hit + 3, out);
            }
        }
        prev_t = t;
        prev = g;
    }
    if (best < 0) call.fail(SO_ERR_NO_SOLUTION, "curve %u does not meet the plane", curve);
}

}  // namespace

void intersect(const Call& call, tag_t a, tag_t b, const double reference[3], double out[3]) {
    call.live(a);
    call.live(b);
    int status = 0;
    double t = 0, uv[2];
    if (is_face(a)) {
        if (PX_intersect_edge_and_face(b, a, reference, &status, out, &t, uv) != 0)
            call.fail(SO_ERR_NO_SOLUTION, "curve %u does not meet face %u", b, a);
        return;
    }
    const int type = ES_ask_entity_type(a);
    if (type == HOST_TYPE_PLANE) {
        double q[3], n[3];
        plane_of(call, a, q, n);
        curve_meets_plane(call, b, q, n, reference, out);
        return;
    }
    double t2 = 0;
    em10_(&a, &b, reference, &status, out, &t, &t2);
    if (status == 0) call.fail(SO_ERR_NO_SOLUTION, "curves %u and %u do not meet", a, b);
}

hostnum::Curve spline_through(const Call& call, const std::vector<double>& points, int degree, bool closed,
                              const double* parameters, const double* start_slope, const double* end_slope) {
    const int n = static_cast<int>(points.size() / 3);
    std::vector<BC_df_point_t> pts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        std::copy(points.begin() + 3 * i, points.begin() + 3 * i + 3, pts[i].point);
        pts[i].slope_type = BC_SLOPE_NONE;
        pts[i].curvature_type = BC_CURV_NONE;
    }
    const auto slope = [&](BC_df_point_t& q, const double* s) {
        if (!s) return;
        q.slope_type = BC_SLOPE_DIRECTION;
        std::copy(s, s + 3, q.slope);
    };
    if (n > 0) {
        slope(pts.front(), start_slope);
        slope(pts.back(), end_slope);
    }
    if (closed && n > 0) {
        BC_df_point_t last = pts.front();
        last.slope_type = BC_SLOPE_NONE;
        pts.push_back(last);
    }
    const int m = static_cast<int>(pts.size());
    std::vector<double> params(static_cast<std::size_t>(m), 0.0);
    if (parameters) {
        std::copy(parameters, parameters + m, params.begin());
    } else {
        for (int i = 1; i < m; ++i)
            params[i] =
                params[i - 1] + std::hypot(pts[i].point[0] - pts[i - 1].point[0], pts[i].point[1] - pts[i - 1].point[1],
                                           pts[i].point[2] - pts[i - 1].point[2]);
        if (m > 1 && params[m - 1] > 0)
            for (double& t : params) t /= params[m - 1];
    }
    const BC_df_t df{degree, closed ? 1 : 0, m, pts.data(), params.data()};
    if (int st = BCDF_check_defining_data(&df)) call.fail(st, "the points define no spline");
    BCEV_bcurve_t made{};
    if (int st = BCEV_create_exact(&df, &made)) call.fail(st, "the points define no spline");
    const std::vector<double> poles(made.poles, made.poles + 4 * made.n);
    const std::vector<double> knots(made.knots, made.knots + made.n + made.order);
    const int count = made.n, order = made.order;
    BCEV_free_bcurve(&made);
    auto c =
        hostnum::Curve::spline(count, order, poles.data(), knots.data(), hostnum::Curve::PoleForm::cartesian, closed);
    if (!c) c = hostnum::Curve::spline(count, order, poles.data(), knots.data(), hostnum::Curve::PoleForm::cartesian);
    if (!c) call.fail(SO_ERR_DEGENERATE, "the points define no spline");
    return std::move(*c);
}

hostnum::Curve spline_of_curve(const Call& call, tag_t curve, double tolerance) {
    const hostnum::Curve c = curve_of(call, curve);
    const curve_struct& r = c.record();
    double lim[2];
    hostnum::curve_limits(r, lim);
    const bool closed = hostnum::curve_is_periodic(r);
    const auto point = [&](double t, double* p) { hostnum::curve_evaluate(r, 0, t, p, nullptr); };
    if (!(tolerance > 0)) tolerance = 1e-6;
    // Twice as many points each round until the spline's points half way
    // between them lie within the tolerance of the curve.
    constexpr int kMostPoints = 513;
    for (int pieces = 4;; pieces *= 2) {
        const int n = closed ? pieces : pieces + 1;
        std::vector<double> pts(3 * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) point(lim[0] + (lim[1] - lim[0]) * i / pieces, &pts[3 * i]);
        hostnum::Curve s = spline_through(call, pts, 3, closed, nullptr, nullptr, nullptr);
        double worst = 0;
        for (int i = 0; i < pieces; ++i) {
            double want[3], got[3], t = 0;
            point(lim[0] + (lim[1] - lim[0]) * (i + 0.5) / pieces, want);
            hostnum::curve_closest_point(s.record(), want, &t, got);
            worst = std::max(worst, std::hypot(want[0] - got[0], want[1] - got[1], want[2] - got[2]));
        }
        if (worst <= tolerance || 2 * pieces + 1 > kMostPoints) return s;
    }
}

}  // namespace host::smart::geometry
