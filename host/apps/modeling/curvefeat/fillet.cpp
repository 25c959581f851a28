// The host's curve fillet (host/apps/modeling/curvefeat/fillet.h).
#include "host/apps/modeling/curvefeat/fillet.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/numeric/tolerances.h"
#include "host/numeric/v3.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
using hostnum::V3;

V3 unit(V3 a) { return (1 / norm(a)) * a; }
V3 load(const double* p) { return V3::load(p); }

constexpr double kOn = 1e-6;  // a point this near a curve lies on it

host::TagTable<std::vector<tag_t>>& connected() {
    static auto* const t = new host::TagTable<std::vector<tag_t>>("fillet connections");
    return *t;
}
// The fillets each curve is connected to.
host::TagTable<std::vector<tag_t>>& connected_to() {
    static auto* const t = new host::TagTable<std::vector<tag_t>>("fillets of connected curves");
    return *t;
}
host::TagTable<std::vector<tag_t>>& associated() {
    static auto* const t = new host::TagTable<std::vector<tag_t>>("fillet associations");
    return *t;
}
host::TagTable<SK_data_t>& sketches() {
    static auto* const t = new host::TagTable<SK_data_t>("sketch records");
    return *t;
}
struct Lock {
    int locked = 0;
};
Lock& lock() { return host::service_state<Lock>("update lock"); }
const bool registered = (connected(), connected_to(), associated(), sketches(), lock(), true);

// One object of a fillet: a point, or a curve with its record.
struct Member {
    bool is_point = false;
    V3 point{};
    std::optional<hostnum::Curve> curve;

    // The nearest point of the object to q, and its curve parameter.
    V3 foot(V3 q, double* t) const {
        *t = 0;
        if (is_point) return point;
        double at[3], f[3];
        q.store(at);
        hostnum::curve_closest_point(curve->record(), at, t, f);
        return load(f);
    }
    std::vector<V3> samples() const {
        if (is_point) return {point};
        double lim[2];
        hostnum::curve_limits(curve->record(), lim);
        std::vector<V3> out;
        for (int i = 0; i <= 16; ++i) {
            double p[3];
            hostnum::curve_evaluate(curve->record(), 0, lim[0] + (lim[1] - lim[0]) * i / 16, p, nullptr);
            out.push_back(load(p));
        }
        return out;
    }
};

Member member_of(const host::Call& call, tag_t object) {
    const host::objects::Object& o = call.live(object);
    Member m;
    if (o.type == HOST_TYPE_POINT) {
        m.is_point = true;
        double p[3];
        ES_ask_coordinates_of_point(object, p);
        m.point = load(p);
        return m;
    }
    m.curve = host::kernel::curvefeat::curve_record(object);
    if (!m.curve) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no curve or point", object);
    return m;
}

// The plane through the points: false when they lie on a line (or less).
bool plane_of(const std::vector<V3>& pts, V3* normal) {
    const V3 p0 = pts[0];
    V3 far = p0;
    for (const V3& p : pts)
        if (norm(p - p0) > norm(far - p0)) far = p;
    V3 n{};
    for (const V3& p : pts) {
        const V3 c = cross(far - p0, p - p0);
        if (norm(c) > norm(n)) n = c;
    }
    if (norm(n) < 1e-12 * std::max(1.0, norm(far - p0) * norm(far - p0))) return false;
    n = unit(n);
    for (const V3& p : pts)
        if (std::fabs(dot(p - p0, n)) > kOn) return false;
    *normal = n;
    return true;
}

// The curve's point and first derivative at t.
void at(const hostnum::Curve& c, double t, V3* p, V3* d) {
    double at[3] = {0, 0, 0}, der[3] = {0, 0, 0};
    hostnum::curve_evaluate(c.record(), 1, t, at, der);
    *p = load(at);
    *d = load(der);
}

}  // namespace

namespace host::fillet {

std::vector<tag_t> connections(tag_t fillet) {
    const auto* v = connected().find(fillet);
    return v ? *v : std::vector<tag_t>{};
}
std::vector<tag_t> associations(tag_t fillet) {
    const auto* v = associated().find(fillet);
    return v ? *v : std::vector<tag_t>{};
}
SK_data_t sketch_data(tag_t sketch) {
    const SK_data_t* d = sketches().find(sketch);
    return d ? *d : SK_data_t{};
}
bool update_locked() { return lock().locked != 0; }

}  // namespace host::fillet

extern "C" {

void k0568_(const unsigned int objects[2], const double centre[3], const double* radius, unsigned int* fillet,
            int* status, double trim_points[6], double values[2], double angles[2]) {
    auto call = HOST_ENTRY(objects, centre, radius);
    for (const void* p :
         {static_cast<const void*>(objects), static_cast<const void*>(centre), static_cast<const void*>(radius),
          static_cast<const void*>(fillet), static_cast<const void*>(status), static_cast<const void*>(trim_points),
          static_cast<const void*>(values), static_cast<const void*>(angles)})
        call.need(p);
    *fillet = 0;
    *status = 0;
    if (int scripted; call.status(scripted)) {
        *status = scripted;
        return;
    }
    const double r = *radius;
    if (!(r > 0) || !std::isfinite(r)) {
        *status = FILLET_BAD_RADIUS;
        return;
    }
    const Member m[2] = {member_of(call, objects[0]), member_of(call, objects[1])};
    std::vector<V3> pts = m[0].samples();
    for (const V3& p : m[1].samples()) pts.push_back(p);
    V3 n{};
    if (!plane_of(pts, &n)) {
        *status = FILLET_NOT_PLANAR;
        return;
    }
    // The centre in the plane: distance r from both objects, found by
    // Newton's method from the given centre.
    const V3 u = unit(std::fabs(n.x) < 0.9 ? cross(n, V3{1, 0, 0}) : cross(n, V3{0, 1, 0}));
    const V3 w = cross(n, u);
    const V3 hint = load(centre);
    V3 c = hint - dot(hint - pts[0], n) * n;
    auto residual = [&](V3 q, double f[2]) {
        for (int i = 0; i < 2; ++i) {
            double t = 0;
            f[i] = norm(q - m[i].foot(q, &t)) - r;
        }
    };
    bool done = false;
    for (int it = 0; it < 100 && !done; ++it) {
        double f[2];
        residual(c, f);
        if (std::fabs(f[0]) < 1e-11 && std::fabs(f[1]) < 1e-11) {
            done = true;
            break;
        }
        const double h = 1e-7 * std::max(1.0, r);
        double fu[2], fw[2];
        residual(c + h * u, fu);
        residual(c + h * w, fw);
        const double j[2][2] = {{(fu[0] - f[0]) / h, (fw[0] - f[0]) / h}, {(fu[1] - f[1]) / h, (fw[1] - f[1]) / h}};
        const double det = j[0][0] * j[1][1] - j[0][1] * j[1][0];
        if (!(std::fabs(det) > 1e-14)) break;
        const double du = (f[0] * j[1][1] - f[1] * j[0][1]) / det, dw = (j[0][0] * f[1] - j[1][0] * f[0]) / det;
        c = c - du * u - dw * w;
    }
    V3 touch[2];
    double t[2];
    for (int i = 0; i < 2; ++i) touch[i] = m[i].foot(c, &t[i]);
    if (!done || !std::isfinite(c.x) || norm(touch[0] - touch[1]) < kOn) {
        *status = FILLET_NO_ARC;
        return;
    }
    // The arc from the first touching point to the second, the short way:
    // its frame has X toward the first, Z along the plane's normal turned
    // so that the second lies at a positive angle below pi.
    const V3 X = unit(touch[0] - c);
    V3 Z = n;
    V3 Y = cross(Z, X);
    if (dot(touch[1] - c, Y) < 0) {
        Z = -Z;
        Y = -Y;
    }
    const double end = std::atan2(dot(touch[1] - c, Y), dot(touch[1] - c, X));
    const double rows[9] = {X[0], X[1], X[2], Y[0], Y[1], Y[2], Z[0], Z[1], Z[2]};
    unsigned int matrix = 0;
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), rows, 3, &matrix);
    const double data[6] = {0, end, dot(c, X), dot(c, Y), dot(c, Z), r};
    ES_create_arc(data, matrix, fillet);
    for (int i = 0; i < 2; ++i) {
        touch[i].store(trim_points + 3 * i);
        values[i] = t[i];
    }
    angles[0] = 0;
    angles[1] = end;
}

void k0576_(const unsigned int* object, const unsigned int* fillet, const int* mode, const double inside[3],
            const double point[3], const double* value, int* status) {
    auto call = HOST_ENTRY(object ? *object : 0u, fillet ? *fillet : 0u, mode ? *mode : 0);
    for (const void* p :
         {static_cast<const void*>(object), static_cast<const void*>(fillet), static_cast<const void*>(mode),
          static_cast<const void*>(inside), static_cast<const void*>(point), static_cast<const void*>(value),
          static_cast<const void*>(status)})
        call.need(p);
    *status = 0;
    if (int scripted; call.status(scripted)) {
        *status = scripted;
        return;
    }
    call.live(*fillet);
    const int type = call.live(*object).type;
    const auto c = host::kernel::curvefeat::curve_record(*object);
    if ((type != HOST_TYPE_LINE && type != HOST_TYPE_ARC) || !c) {
        *status = TRIM_REFUSED;
        return;
    }
    // The trim point on the curve, and the way the fillet runs from it.
    const V3 q = load(point);
    double t = 0;
    double ends[3];
    hostnum::curve_closest_point(c->record(), point, &t, ends);
    const V3 foot = load(ends);
    if (norm(foot - q) > kOn) {
        *status = TRIM_REFUSED;
        return;
    }
    V3 p{}, d{};
    at(*c, t, &p, &d);
    const bool keep_before = dot(d, load(inside) - p) > 0;  // the fillet runs on ahead
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    const double from = keep_before ? lim[0] : t, to = keep_before ? t : lim[1];
    if (!(to - from > 1e-9 * std::max(1.0, lim[1] - lim[0]))) {
        *status = TRIM_NOTHING_LEFT;
        return;
    }
    if (type == HOST_TYPE_LINE) {
        double start[3], stop[3];
        ES_ask_coordinates_of_line(*object, start, stop);
        if (keep_before) LINE_set_end_points(*object, start, ends);
        else LINE_set_end_points(*object, ends, stop);
    } else {
        double data[6];
        ES_ask_data_of_arc(*object, data);
        // The arc's parameter is its angle.
        if (keep_before) data[1] = t;
        else data[0] = t;
        ARC_set_data(*object, data);
    }
}

void e0500_(const double* w1, const double* parameter, double point[3]) {
    auto call = HOST_ENTRY(w1, parameter, point);
    call.need(w1, "the work buffer");
    call.need(parameter, "the parameter");
    call.need(point, "the point output");
    const tag_t curve = static_cast<tag_t>(w1[0]);
    call.live(curve);
    const auto c = host::kernel::curvefeat::curve_record(curve);
    if (!c) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no curve", curve);
    hostnum::curve_evaluate(c->record(), 0, *parameter, point, nullptr);
}

void sweep_connect_curves(unsigned int fillet, const unsigned int objects[2]) {
    auto call = HOST_ENTRY(fillet, objects);
    call.need(objects, "the objects");
    call.live(fillet);
    for (int i = 0; i < 2; ++i) call.live(objects[i]);
    connected()[fillet] = {objects[0], objects[1]};
    for (int i = 0; i < 2; ++i) {
        std::vector<tag_t>& of = connected_to()[objects[i]];
        if (std::find(of.begin(), of.end(), fillet) == of.end()) of.push_back(fillet);
    }
}

void sweep_disconnect(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const std::vector<tag_t>* of = connected_to().find(object);
    if (!of) return;
    for (tag_t f : std::vector<tag_t>(*of))
        if (const std::vector<tag_t>* v = connected().find(f)) {
            std::vector<tag_t> left = *v;
            left.erase(std::remove(left.begin(), left.end(), object), left.end());
            connected()[f] = left;
        }
    connected_to().erase(object);
}

void du533_(const unsigned int* fillet, const int* count, const unsigned int* objects) {
    auto call = HOST_ENTRY(fillet ? *fillet : 0u, count ? *count : 0);
    call.need(fillet, "the fillet");
    call.need(count, "the count");
    call.live(*fillet);
    if (*count > 0) call.need(objects, "the objects");
    std::vector<tag_t> v;
    for (int i = 0; i < *count; ++i) v.push_back(call.live(objects[i]).tag);
    associated()[*fillet] = v;
}

void estc12_(const unsigned int* sketch, SK_data_t* data) {
    auto call = HOST_ENTRY(sketch ? *sketch : 0u);
    call.need(sketch, "the sketch");
    call.need(data, "the data output");
    call.live_of_type(*sketch, HOST_TYPE_SKETCH);
    *data = host::fillet::sketch_data(*sketch);
    host::entity::attrs(*sketch);
    data->members = static_cast<int>(host::entity::members_of(*sketch).size());
}

void sk_create_variables(unsigned int sketch, unsigned int object, int kind, int* first) {
    auto call = HOST_ENTRY(sketch, object, kind);
    call.need(first, "the first variable output");
    call.live_of_type(sketch, HOST_TYPE_SKETCH);
    call.live(object);
    if (kind != 5) call.fail(HOST_ERR_BAD_ARGUMENT, "variables of kind %d", kind);
    SK_data_t d = host::fillet::sketch_data(sketch);
    *first = d.variables + 1;
    d.variables += 5;
    sketches()[sketch] = d;
}

void sk_cre_arc_axm_eqns(unsigned int sketch, unsigned int arc, int first) {
    auto call = HOST_ENTRY(sketch, arc, first);
    call.live_of_type(sketch, HOST_TYPE_SKETCH);
    call.live_of_type(arc, HOST_TYPE_ARC);
    SK_data_t d = host::fillet::sketch_data(sketch);
    if (first < 1 || first + 4 > d.variables) call.fail(HOST_ERR_BAD_ARGUMENT, "no variables from %d", first);
    // The arc's ends on its centre at its radius.
    d.equations += 2;
    sketches()[sketch] = d;
}

void estt20_(const unsigned int* sketch, const unsigned int* member) {
    auto call = HOST_ENTRY(sketch ? *sketch : 0u, member ? *member : 0u);
    call.need(sketch, "the sketch");
    call.need(member, "the member");
    call.live_of_type(*sketch, HOST_TYPE_SKETCH);
    call.live(*member);
    host::entity::add_member(*sketch, *member);
}

double tol002_(const int* kind) {
    auto call = HOST_ENTRY(kind ? *kind : 0);
    call.need(kind, "the kind");
    if (*kind != 5) call.fail(HOST_ERR_BAD_ARGUMENT, "tolerance kind %d", *kind);
    return srfc1_[0];
}

int UPDATE_lock(int locked) {
    HOST_ENTRY(locked);
    const int before = lock().locked;
    lock().locked = locked ? 1 : 0;
    return before;
}

}  // extern "C"
