// Curve queries: classes, evaluators, the curve common block, properties,
// the analysis record, surfaces of faces and intersections (see
// curve_queries.h).
#include "host/kernel/curves/curve_queries.h"
#include "host/base/services/host_messages.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/links.h"
#include "host/base/model.h"
#include "host/numeric/curve_geometry.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/numeric/v3.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

extern "C" {
CRVCOM_t crvcom_ = {0, 0, 0.0, 0.0};
}

namespace host::crvanl {
namespace {
TagTable<CRVANL_CARecord_t>& table() {
    static TagTable<CRVANL_CARecord_t> t("curve analysis records");
    return t;
}
const bool registered = (table(), true);
}  // namespace
void set_record(unsigned int curve, const CRVANL_CARecord_t& record) { table()[curve] = record; }
CRVANL_CARecord_t default_record() {
    CRVANL_CARecord_t r{};
    r.scale = 1.0;
    r.density = 10;
    return r;
}
}  // namespace host::crvanl

namespace {

using hostnum::Curve;
using hostnum::V3;

constexpr double kTwoPi = 2 * std::numbers::pi;
// Curves (and a curve and a surface) closer than this meet.
constexpr double kMeet = 1e-7;
// Samples along a curve when searching for inflections.
constexpr int kSamples = 512;

void reset_crvcom() { crvcom_ = CRVCOM_t{0, 0, 0.0, 0.0}; }
const bool registered = (host::register_service_reset("curve common", reset_crvcom), true);

Curve curve_or_raise(const host::Call& call, unsigned int object) {
    call.live(object);
    std::optional<Curve> c = host::curves::curve_of(object);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u carries no curve", object);
    return std::move(*c);
}

V3 eval(const curve_struct& c, double t) {
    double p[3];
    hostnum::curve_evaluate(c, 0, t, p, nullptr);
    return V3::load(p);
}

void eval2(const curve_struct& c, double t, V3& p, V3& d1, V3& d2) {
    double pt[3], d[6];
    hostnum::curve_evaluate(c, 2, t, pt, d);
    p = V3::load(pt);
    d1 = V3::load(d);
    d2 = V3::load(d + 3);
}

V3 unit(V3 v) {
    const double n = hostnum::norm(v);
    return n > 0 ? (1 / n) * v : v;
}

struct Range {
    double lo, hi;
};
Range limits(const curve_struct& c) {
    double l[2];
    hostnum::curve_limits(c, l);
    return {l[0], l[1]};
}

// A root of f on [a, b] where f(a) and f(b) differ in sign.
template <class F>
double bisect(F f, double a, double b) {
    double fa = f(a);
    for (int i = 0; i < 200 && (b - a) > 1e-16 * (1 + std::fabs(a) + std::fabs(b)); ++i) {
        const double m = 0.5 * (a + b), fm = f(m);
        if (fm == 0) return m;
        if ((fm < 0) == (fa < 0)) {
            a = m;
            fa = fm;
        } else {
            b = m;
        }
    }
    return 0.5 * (a + b);
}

// ---- surfaces -------------------------------------------------------------------

struct Frame {
    V3 o, x, y, z;
};

// A face's analytic surface in its own frame.
struct Surface {
    int kind = PX_SURF_PLANE;
    Frame f;
    double r1 = 0, r2 = 0, half_angle = 0;
    double box[4] = {0, 0, 0, 0};
    // A kernel face's cone runs v along its generators (the host's table
    // runs it along the axis).
    bool v_along_generator = false;
};

Surface surface_of(const host::Call& call, unsigned int face) {
    Surface s;
    unsigned char sense = 0;
    double origin[3], axis[3], radii[2];
    PX_face_ask_data(face, &sense, &s.kind, origin, axis, radii);
    if (s.kind < PX_SURF_PLANE || s.kind > PX_SURF_TORUS)
        call.fail(HOST_ERR_OUT_OF_SCOPE, "surface kind %d is not intersected by this host", s.kind);
    int status = 0;
    pxeval_(&face, s.box, &status);
    if (status != 0) call.fail(HOST_ERR_WRONG_CLASS, "tag %u has no parameter box", face);
    s.f.o = V3::load(origin);
    s.f.z = unit(V3::load(axis));
    // The reference direction from a point of the surface.
    const double one = 1, zero = 0;
    double p[3];
    V3 x;
    if (s.kind == PX_SURF_PLANE) {
        pxpben_(&face, &one, &zero, p);
        x = V3::load(p) - s.f.o;
    } else if (s.kind == PX_SURF_CONE && radii[0] == 0) {
        pxpben_(&face, &zero, &one, p);
        x = V3::load(p) - s.f.o - s.f.z;
    } else {
        pxpben_(&face, &zero, &zero, p);
        x = V3::load(p) - s.f.o;
    }
    s.f.x = unit(x - hostnum::dot(x, s.f.z) * s.f.z);
    s.f.y = hostnum::cross(s.f.z, s.f.x);
    s.r1 = radii[0];
    s.r2 = radii[1];
    if (s.kind == PX_SURF_CONE) {
        s.half_angle = radii[1];
        s.r2 = 0;
        s.v_along_generator = host::kernel::face_of_object(face) != 0;
    }
    return s;
}

V3 local(const Frame& f, V3 p) {
    const V3 d = p - f.o;
    return {hostnum::dot(d, f.x), hostnum::dot(d, f.y), hostnum::dot(d, f.z)};
}

void uv_of(const Surface& s, V3 p, double uv[2]) {
    const V3 l = local(s.f, p);
    const double rho = std::hypot(l.x, l.y);
    double u = std::atan2(l.y, l.x);
    if (u < 0) u += kTwoPi;
    switch (s.kind) {
        case PX_SURF_PLANE:
            uv[0] = l.x;
            uv[1] = l.y;
            return;
        case PX_SURF_CYLINDER:
            uv[0] = u;
            uv[1] = l.z;
            return;
        case PX_SURF_CONE:
            uv[0] = u;
            uv[1] = s.v_along_generator ? l.z / std::cos(s.half_angle) : l.z;
            return;
        case PX_SURF_SPHERE:
            uv[0] = u;
            uv[1] = std::atan2(l.z, rho);
            return;
        default:
            uv[0] = u;
            uv[1] = std::atan2(l.z, rho - s.r1);
            return;
    }
}

bool in_box(const Surface& s, double uv[2]) {
    const bool angular = s.kind != PX_SURF_PLANE;
    const double eps = 1e-9;
    if (s.box[0] < s.box[1]) {
        double u = uv[0];
        if (angular) {
            while (u < s.box[0] - eps) u += kTwoPi;
            while (u >= s.box[0] + kTwoPi - eps) u -= kTwoPi;
        }
        if (u < s.box[0] - eps || u > s.box[1] + eps) return false;
        uv[0] = u;
    }
    if (s.box[2] < s.box[3] && (uv[1] < s.box[2] - eps || uv[1] > s.box[3] + eps)) return false;
    return true;
}

struct Hit {
    double t;
    double t2;
    V3 p;
    double uv[2];
    int kind;
};

// The face's surface as the kernel's geometry tools take it.
hostnum::geometry::Surface kernel_surface(const Surface& s) {
    hostnum::geometry::Surface k;
    switch (s.kind) {
        case PX_SURF_PLANE: k.kind = hostnum::geometry::Surface::plane; break;
        case PX_SURF_CYLINDER: k.kind = hostnum::geometry::Surface::cylinder; break;
        case PX_SURF_CONE: k.kind = hostnum::geometry::Surface::cone; break;
        case PX_SURF_SPHERE: k.kind = hostnum::geometry::Surface::sphere; break;
        default: k.kind = hostnum::geometry::Surface::torus; break;
    }
    s.f.o.store(k.origin);
    s.f.z.store(k.axis);
    s.f.x.store(k.ref);
    k.radius = s.r1;
    k.minor = s.r2;
    k.half_angle = s.half_angle;
    return k;
}

// Intersections of the curve over [lo, hi] with the surface within the
// face's parameter box: the kernel's intersection of the curve with the
// surface.
std::vector<Hit> curve_surface_hits(const host::Call& call, const curve_struct& c, double lo, double hi,
                                    const Surface& s) {
    if (c.type == CURVE_POINT) return {};  // a point crosses no face
    const auto kernel = hostnum::kernel_curve_of(c);
    std::vector<hostnum::geometry::SurfaceMeet> meets;
    if (!kernel || !hostnum::geometry::surface_meets(*kernel, lo, hi, kernel_surface(s), kMeet, &meets))
        call.fail(KERNEL_ERR_NO_ANSWER, "the kernel cannot meet the curve with the surface");
    std::vector<Hit> hits;
    for (const auto& m : meets) {
        Hit h{m.t, 0, V3::load(m.point), {0, 0}, m.kind};
        uv_of(s, h.p, h.uv);
        if (in_box(s, h.uv)) hits.push_back(h);
    }
    return hits;
}

// Intersections of two curves within their ranges: where the kernel finds
// them closer than kMeet; a touch where their tangents run together.
std::vector<Hit> curve_curve_hits(const curve_struct& a, const curve_struct& b) {
    std::vector<hostnum::geometry::Meet> meets;
    if (a.type == CURVE_POINT || b.type == CURVE_POINT) {
        // A point meets a curve where it lies on it.
        const bool first = a.type == CURVE_POINT;
        const V3 p = eval(first ? a : b, 0);
        double ref[3], q[3], t = 0;
        p.store(ref);
        if (hostnum::curve_closest_point(first ? b : a, ref, &t, q) == hostnum::CurveError::ok &&
            hostnum::norm(p - V3::load(q)) < kMeet) {
            hostnum::geometry::Meet m;
            m.ta = first ? 0 : t;
            m.tb = first ? t : 0;
            p.store(m.point);
            meets.push_back(m);
        }
        std::vector<Hit> hits;
        for (const auto& x : meets) hits.push_back({x.ta, x.tb, V3::load(x.point), {x.tb, 0}, 1});
        return hits;
    }
    const auto ka = hostnum::kernel_curve_of(a), kb = hostnum::kernel_curve_of(b);
    if (ka && kb) hostnum::geometry::meets(*ka, *kb, kMeet, &meets);
    std::vector<Hit> hits;
    for (const auto& m : meets) {
        Hit h{m.ta, m.tb, V3::load(m.point), {m.tb, 0}, 1};
        bool dup = false;
        for (const Hit& o : hits) dup = dup || hostnum::norm(o.p - h.p) < 1e-7;
        if (dup) continue;
        V3 p, da, dda, q, db, ddb;
        eval2(a, m.ta, p, da, dda);
        eval2(b, m.tb, q, db, ddb);
        const double sine = hostnum::norm(hostnum::cross(unit(da), unit(db)));
        h.kind = sine < 1e-6 ? 2 : 1;
        hits.push_back(h);
    }
    return hits;
}

const Hit* nearest(const std::vector<Hit>& hits, const double* reference) {
    const Hit* best = nullptr;
    double bd = 0;
    const V3 r = V3::load(reference);
    for (const Hit& h : hits) {
        const double d = hostnum::norm(h.p - r);
        if (!best || d < bd) {
            best = &h;
            bd = d;
        }
    }
    return best;
}

int curve_face(const host::Call& call, unsigned int curve, unsigned int face, const double* reference, int* status,
               double* point, double* parameter, double* uv, bool extended) {
    call.need(reference);
    call.need(status);
    call.need(point);
    call.need(parameter);
    call.need(uv);
    const Curve c = curve_or_raise(call, curve);
    call.live(face);
    // A face of a kernel body: the kernel meets the curve with its surface
    // within its boundary; a face of the host's table: its analytic surface
    // within its parameter box.
    double kernel_box[6];
    const bool kernel = host::kernel::face_box(face, kernel_box);
    const Surface s = kernel ? Surface{} : surface_of(call, face);
    const curve_struct& rec = c.record();
    Range r = limits(rec);
    if (extended) {
        const int type = hostnum::evaluator_type(rec);
        if (type == EVAL_ARC || type == EVAL_ELLIPSE) {
            r.hi = r.lo + kTwoPi;
        } else if (type == EVAL_LINE) {
            // Far enough to pass the whole face: from the curve's start to
            // the face's frame (or box), and the face's size.
            const V3 lo = V3::load(kernel_box), hi = V3::load(kernel_box + 3);
            const double size = kernel ? hostnum::norm(hi - lo) : std::fabs(s.r1) + s.r2;
            const V3 at = kernel ? 0.5 * (lo + hi) : s.f.o;
            const double reach = (r.hi - r.lo) + hostnum::norm(eval(rec, r.lo) - at) + size + 1;
            r.lo -= 10 * reach;
            r.hi += 10 * reach;
        } else {
            const double m = 0.5 * (r.lo + r.hi), w = 0.5 * (r.hi - r.lo);
            r.lo = m - 10 * w;
            r.hi = m + 10 * w;
        }
    }
    std::vector<Hit> hits;
    if (kernel) {
        std::vector<host::kernel::CurveFaceHit> meets;
        if (!host::kernel::curve_face_hits(face, rec, r.lo, r.hi, &meets))
            call.fail(KERNEL_ERR_NO_ANSWER, "the kernel cannot meet curve %u with face %u", curve, face);
        for (const auto& m : meets) hits.push_back({m.t, 0, V3::load(m.point), {m.uv[0], m.uv[1]}, m.kind});
    } else {
        hits = curve_surface_hits(call, rec, r.lo, r.hi, s);
    }
    // Of hits as near to the reference, the first along the curve.
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.t < b.t; });
    const Hit* h = nearest(hits, reference);
    *status = 0;
    if (!h) return 1;
    *status = h->kind;
    h->p.store(point);
    *parameter = h->t;
    uv[0] = h->uv[0];
    uv[1] = h->uv[1];
    return 0;
}

// Answers scripted by a test (for geometry this host does not compute):
// status, point x y z, parameter, then two more values (u v, or the second
// curve's parameter).
bool scripted_hit(const host::Call& call, int* status, double* point, double* parameter, double* uv) {
    if (call.outputs() == 0 || !status || !point || !parameter || !uv) return false;
    *status = static_cast<int>(call.int_out(0, 1));
    for (int i = 0; i < 3; ++i) point[i] = call.real_out(1 + i, 0);
    *parameter = call.real_out(4, 0);
    uv[0] = call.real_out(5, 0);
    uv[1] = call.real_out(6, 0);
    return true;
}

// The intersections of a curve with a face, over the curve's own range or
// extended beyond it, for the routine that entered: a scripted answer or the
// computed one.
int curve_face_answer(const host::Call& call, bool extended, unsigned int curve, unsigned int face,
                      const double* reference, int* status, double* point, double* parameter, double* uv) {
    int scripted;
    if (call.status(scripted)) return scripted;
    if (scripted_hit(call, status, point, parameter, uv)) return 0;
    return curve_face(call, curve, face, reference, status, point, parameter, uv, extended);
}

}  // namespace

extern "C" {

// The evaluator service (host/numeric/evc.cpp) is pure curve mathematics;
// making an evaluator of an entity reads the entity's curve here.
unsigned int EVC_initialize(unsigned int curve) {
    auto call = HOST_ENTRY(curve);
    if (int st; call.status(st)) return static_cast<unsigned int>(st);
    call.live(curve);
    auto c = host::curves::curve_of(curve);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "%u carries no curve", curve);
    return host::evc::make(*c);
}

int es0017_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0u);
    call.need(object);
    const host::objects::Object& o = call.live(*object);
    int cls = ES_CLASS_OTHER;
    switch (o.type) {
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: cls = ES_CLASS_CURVE; break;
        case HOST_TYPE_POINT: cls = ES_CLASS_POINT; break;
        case HOST_TYPE_SOLID:
            cls = o.subtype == HOST_SUBTYPE_BODY   ? ES_CLASS_BODY
                  : o.subtype == HOST_SUBTYPE_FACE ? ES_CLASS_FACE
                  : o.subtype == HOST_SUBTYPE_EDGE ? ES_CLASS_EDGE
                                                   : 0;
            break;
        default: break;
    }
    return static_cast<int>(call.int_out(0, cls));
}

unsigned int evcrvu_p(unsigned int curve) {
    auto call = HOST_ENTRY(curve);
    if (call.outputs() > 0) return static_cast<unsigned int>(call.int_out(0, 0));
    if (!host::objects::is_alive(curve) || !host::curves::curve_of(curve)) return 0;
    return EVC_initialize(curve);
}

unsigned int evcrvu(unsigned int curve) {
    auto call = HOST_ENTRY(curve);
    call.live(curve);
    if (!host::curves::curve_of(curve)) call.fail(EVC_ERR_NOT_A_CURVE, "tag %u carries no curve", curve);
    return EVC_initialize(curve);
}

void evcrve(unsigned int evaluator, int n, double parameter, double* result) {
    auto call = HOST_ENTRY(evaluator, n, parameter, result);
    call.need(result);
    if (n < 0 || n > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d derivatives", n);
    EVC_evaluate(evaluator, n, parameter, result, n > 0 ? result + 3 : nullptr);
}

void evcrvf(unsigned int evaluator) {
    HOST_ENTRY(evaluator);
    EVC_free(evaluator);
}

int em05_(const unsigned int* curve) {
    auto call = HOST_ENTRY(curve ? *curve : 0u);
    call.need(curve);
    const Curve c = curve_or_raise(call, *curve);
    const Range r = limits(c.record());
    const bool open = hostnum::norm(eval(c.record(), r.lo) - eval(c.record(), r.hi)) > 1e-9;
    return static_cast<int>(call.int_out(0, open ? 1 : 2));
}

void CRV_PROPS_calc_centroid(unsigned int evaluator, double centroid[3], int* failed) {
    auto call = HOST_ENTRY(evaluator, centroid, failed);
    call.need(centroid);
    call.need(failed);
    const curve_struct* c = host::evc::record(evaluator);
    if (!c) call.fail(HOST_ERR_BAD_HANDLE, "%u is no evaluator", evaluator);
    // Composite 8-point Gauss-Legendre quadrature of the length element.
    static const double x[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static const double w[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745, 0.1012285362903763};
    const Range r = limits(*c);
    const int pieces = 128;
    double length = 0;
    V3 moment;
    for (int k = 0; k < pieces; ++k) {
        const double a = r.lo + (r.hi - r.lo) * k / pieces, b = r.lo + (r.hi - r.lo) * (k + 1) / pieces;
        const double m = 0.5 * (a + b), h = 0.5 * (b - a);
        for (int j = 0; j < 8; ++j) {
            const double t = m + (j < 4 ? -x[j] : x[j - 4]) * h;
            V3 p, d1, d2;
            eval2(*c, t, p, d1, d2);
            const double ds = w[j % 4] * h * hostnum::norm(d1);
            length += ds;
            moment += ds * p;
        }
    }
    *failed = length > 1e-12 ? 0 : 1;
    if (*failed == 0) ((1 / length) * moment).store(centroid);
}

void CRV_PROPS_calc_inflection_pts(unsigned int curve, int option, double start, double end, int* count,
                                   double** data) {
    auto call = HOST_ENTRY(curve, option, count, data);
    call.need(count);
    call.need(data);
    if (option != 0 && option != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "option %d", option);
    *count = 0;
    *data = nullptr;
    const Curve c = curve_or_raise(call, curve);
    const curve_struct& rec = c.record();
    const Range r = limits(rec);
    const double a = r.lo + (r.hi - r.lo) * start / 100, b = r.lo + (r.hi - r.lo) * end / 100;
    if (!(b > a)) return;
    // The bending C' x C'' against a fixed direction: the direction of the
    // strongest bending on the range.
    auto bend = [&](double t) {
        V3 p, d1, d2;
        eval2(rec, t, p, d1, d2);
        return hostnum::cross(d1, d2);
    };
    std::vector<double> ts(kSamples + 1);
    std::vector<V3> w(kSamples + 1);
    V3 ref;
    double strongest = 0;
    for (int i = 0; i <= kSamples; ++i) {
        ts[i] = a + (b - a) * i / kSamples;
        w[i] = bend(ts[i]);
        if (hostnum::norm(w[i]) > strongest) {
            strongest = hostnum::norm(w[i]);
            ref = w[i];
        }
    }
    std::vector<double> found;
    if (strongest > 1e-12) {
        ref = unit(ref);
        auto side = [&](double t) { return hostnum::dot(bend(t), ref); };
        // Changes of sense between samples clearly on either side (samples
        // where the curve is straight are passed over).
        const double small = 1e-9 * strongest;
        int last = -1;
        for (int i = 0; i <= kSamples; ++i) {
            const double si = hostnum::dot(w[i], ref);
            if (std::fabs(si) <= small) continue;
            if (last >= 0 && (hostnum::dot(w[last], ref) < 0) != (si < 0))
                found.push_back(bisect(side, ts[last], ts[i]));
            last = i;
        }
    }
    if (found.empty()) return;
    const int per = option == 0 ? 1 : 4;
    double* out = static_cast<double*>(SM_alloc(found.size() * per * sizeof(double)));
    for (std::size_t i = 0; i < found.size(); ++i) {
        out[i * per] = (found[i] - r.lo) / (r.hi - r.lo) * 100;
        if (option == 1) eval(rec, found[i]).store(out + i * per + 1);
    }
    *count = static_cast<int>(found.size());
    *data = out;
}

void e7009_(const unsigned int* curve, double* w1, double* w2) {
    auto call = HOST_ENTRY(curve ? *curve : 0u, w1, w2);
    call.need(curve);
    const Curve c = curve_or_raise(call, *curve);
    const Range r = limits(c.record());
    crvcom_.curve = *curve;
    crvcom_.type = host::objects::find(*curve)->type;
    crvcom_.t0 = r.lo;
    crvcom_.t1 = r.hi;
    if (w1) {
        std::fill(w1, w1 + CRV_WORK_DOUBLES, 0.0);
        w1[0] = *curve;
        w1[1] = crvcom_.type;
        w1[2] = r.lo;
        w1[3] = r.hi;
    }
    if (w2) {
        std::fill(w2, w2 + CRV_WORK_DOUBLES, 0.0);
        eval(c.record(), r.lo).store(w2);
        eval(c.record(), r.hi).store(w2 + 3);
    }
}

void em7013_(const double* from, const double* to, double* length, int* status) {
    auto call = HOST_ENTRY(from ? *from : 0.0, to ? *to : 0.0, length, status);
    call.need(from);
    call.need(to);
    call.need(length);
    call.need(status);
    std::optional<Curve> c = crvcom_.curve ? host::curves::curve_of(crvcom_.curve) : std::nullopt;
    if (!c) {
        *status = 1;
        return;
    }
    double l = 0;
    *status = hostnum::curve_arc_length(c->record(), *from, *to, &l) == hostnum::CurveError::ok ? 0 : 1;
    if (*status == 0) *length = l;
}

void em24_(const double* w1, const double* w2, const double* orientation, double* angle) {
    auto call = HOST_ENTRY(w1, w2, orientation, angle);
    call.need(w1);
    call.need(w2);
    call.need(orientation);
    call.need(angle);
    const V3 axis = V3::load(orientation);
    if (!(hostnum::norm(axis) > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "the orientation is zero");
    const V3 n = unit(axis);
    const Curve c = curve_or_raise(call, static_cast<unsigned int>(w1[0]));
    const curve_struct& rec = c.record();
    const double lo = w1[2], hi = w1[3];
    const int steps = 4096;
    double total = 0;
    bool have = false;
    V3 prev;
    for (int i = 0; i <= steps; ++i) {
        V3 p, d1, d2;
        eval2(rec, lo + (hi - lo) * i / steps, p, d1, d2);
        const V3 tp = d1 - hostnum::dot(d1, n) * n;
        if (!(hostnum::norm(tp) > 1e-12 * (1 + hostnum::norm(d1)))) continue;
        if (have) total += std::atan2(hostnum::dot(hostnum::cross(prev, tp), n), hostnum::dot(prev, tp));
        prev = tp;
        have = true;
    }
    *angle = total;
}

void CRVANL_read_CARecord(unsigned int curve, CRVANL_CARecord_t* record) {
    auto call = HOST_ENTRY(curve, record);
    call.need(record);
    call.live(curve);
    const CRVANL_CARecord_t* r = host::crvanl::table().find(curve);
    *record = r ? *r : host::crvanl::default_record();
}

void map02_(const double in[3], double out[3]) {
    auto call = HOST_ENTRY(in, out);
    call.need(in);
    call.need(out);
    for (int i = 0; i < 3; ++i) out[i] = in[i];
}

void map13_(const double in[3], double out[3]) {
    auto call = HOST_ENTRY(in, out);
    call.need(in);
    call.need(out);
    for (int i = 0; i < 3; ++i) out[i] = in[i];
}

int PX_intersect_edge_and_face(unsigned int curve, unsigned int face, const double reference[3], int* status,
                               double point[3], double* parameter, double uv[2]) {
    auto call = HOST_ENTRY(curve, face, reference, point);
    return curve_face_answer(call, false, curve, face, reference, status, point, parameter, uv);
}

int CRV_int_ext_curve_and_face(unsigned int curve, unsigned int face, const double reference[3], int* status,
                               double point[3], double* parameter, double uv[2]) {
    auto call = HOST_ENTRY(curve, face, reference, point);
    return curve_face_answer(call, true, curve, face, reference, status, point, parameter, uv);
}

void em10_(const unsigned int* first, const unsigned int* second, const double reference[3], int* status,
           double point[3], double* first_parameter, double* second_parameter) {
    auto call = HOST_ENTRY(first ? *first : 0u, second ? *second : 0u, reference, status);
    double uv[2] = {0, 0};
    if (status && point && first_parameter && second_parameter &&
        scripted_hit(call, status, point, first_parameter, uv)) {
        *second_parameter = uv[0];
        return;
    }
    call.need(first);
    call.need(second);
    call.need(reference);
    call.need(status);
    call.need(point);
    call.need(first_parameter);
    call.need(second_parameter);
    const Curve a = curve_or_raise(call, *first);
    const Curve b = curve_or_raise(call, *second);
    const std::vector<Hit> hits = curve_curve_hits(a.record(), b.record());
    const Hit* h = nearest(hits, reference);
    *status = 0;
    if (!h) return;
    *status = h->kind;
    h->p.store(point);
    *first_parameter = h->t;
    *second_parameter = h->t2;
}

}  // extern "C"

// The curve evaluator's text.
HOST_CODE_TEXTS(HOST_EVALUATOR_CODES);
