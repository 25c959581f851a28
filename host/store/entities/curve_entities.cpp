// Curve entities: points, lines, arcs and conics with their defining data
// (see curve_entities.h).
#include "host/store/entities/curve_entities.h"

#include <cmath>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/numeric/v3.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::curves {
namespace {

constexpr double kLengthTolerance = 1e-6;

TagTable<Entity>& table() {
    static TagTable<Entity> t("curve entities");
    return t;
}
const bool registered = [] {
    table();
    entity::on_replace_data([](tag_t kept, tag_t other) {
        if (const Entity* e = table().find(other)) table()[kept] = *e;
        else table().erase(kept);
    });
    return true;
}();

// Orientations of occurrences (rows X, Y, Z); identity when none is kept.
struct Orientation {
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};
TagTable<Orientation>& orientations() {
    static TagTable<Orientation> t("occurrence orientations");
    return t;
}
const bool orientations_registered = (orientations(), true);

const char* kind_name(Kind k) {
    switch (k) {
        case Kind::point: return "a point";
        case Kind::line: return "a line";
        case Kind::arc: return "an arc";
        case Kind::conic: return "a conic";
        default: return "a curve";
    }
}

void need_finite(const Call& call, const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) call.fail(HOST_ERR_BAD_ARGUMENT, "value %d is not finite", i);
}

// The data of an object that must be of the kind; with own_type set the
// object must also be an entity of the kind's type (not an edge).
Entity& of_kind(const Call& call, tag_t object, Kind kind, bool own_type) {
    const objects::Object& o = call.live(object);
    Entity* e = table().edit(object);
    if (!e || e->kind != kind || (own_type && o.type == HOST_TYPE_SOLID))
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not %s", object, kind_name(kind));
    return *e;
}

void need_conic_type(const Call& call, int type) {
    if (type != HOST_CONIC_ELLIPSE && type != HOST_CONIC_PARABOLA && type != HOST_CONIC_HYPERBOLA)
        call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a conic type", type);
}

void copy3(double* to, const double* from) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
}

// Point of the matrix's frame in absolute coordinates.
void to_absolute(const double m[9], const double p[3], double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = p[0] * m[i] + p[1] * m[3 + i] + p[2] * m[6 + i];
}

// The end points of the values from their parameters.
void refresh_end_points(double v[CONIC_VALUE_COUNT], int type) {
    double p[3];
    hostnum::conic_point(v, type, v[CONIC_V_START], p);
    v[CONIC_V_START_X] = p[0];
    v[CONIC_V_START_Y] = p[1];
    hostnum::conic_point(v, type, v[CONIC_V_END], p);
    v[CONIC_V_END_X] = p[0];
    v[CONIC_V_END_Y] = p[1];
}

void values_of_record(const CONIC_std_data_t& d, double v[CONIC_VALUE_COUNT]) {
    v[CONIC_V_START] = d.start;
    v[CONIC_V_END] = d.end;
    v[CONIC_V_HEIGHT] = d.center[2];
    v[CONIC_V_CENTER_X] = d.center[0];
    v[CONIC_V_CENTER_Y] = d.center[1];
    v[CONIC_V_K1] = d.k1;
    v[CONIC_V_K2] = d.k2;
    v[CONIC_V_SIN] = std::sin(d.rotation);
    v[CONIC_V_COS] = std::cos(d.rotation);
    refresh_end_points(v, d.type);
}

double sign(double x) { return x < 0 ? -1.0 : 1.0; }

}  // namespace

const Entity* find(tag_t object) { return objects::is_alive(object) ? table().find(object) : nullptr; }

void matrix_values(const Entity& e, double m[9]) {
    static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const objects::Object* o = e.matrix ? objects::find(e.matrix) : nullptr;
    if (o && o->type == HOST_TYPE_MATRIX) {
        ES_ask_elements_of_matrix(e.matrix, m);
    } else {
        for (int i = 0; i < 9; ++i) m[i] = identity[i];
    }
}

double to_curve_parameter(const Entity& e, double t) {
    if (e.kind == Kind::conic && e.conic_type == HOST_CONIC_HYPERBOLA) {
        const double b = std::fabs(e.conic()[CONIC_V_K2]);
        return b > 0 ? std::asinh(t / b) : t;
    }
    return t;
}

double from_curve_parameter(const Entity& e, double t) {
    if (e.kind == Kind::conic && e.conic_type == HOST_CONIC_HYPERBOLA)
        return std::fabs(e.conic()[CONIC_V_K2]) * std::sinh(t);
    return t;
}

namespace {
EdgeCurves& edge_curves() {
    static EdgeCurves answers;
    return answers;
}
}  // namespace

void set_edge_curves(const EdgeCurves& answers) { edge_curves() = answers; }

std::optional<hostnum::Curve> curve_of(tag_t object) {
    if (edge_curves().curve_of)
        if (auto c = edge_curves().curve_of(object)) return c;
    const Entity* e = find(object);
    if (!e) return std::nullopt;
    switch (e->kind) {
        case Kind::point: return hostnum::Curve::point(e->point);
        case Kind::line: return hostnum::Curve::line(e->start(), e->end());
        case Kind::arc: {
            double m[9], c[3];
            matrix_values(*e, m);
            to_absolute(m, e->arc() + 2, c);
            return hostnum::Curve::arc(c, m, m + 3, e->arc()[5], e->arc()[0], e->arc()[1]);
        }
        case Kind::conic: {
            double m[9], c[3], ul[3], vl[3], u[3], v[3];
            matrix_values(*e, m);
            const double* k = e->conic();
            const double center[3] = {k[CONIC_V_CENTER_X], k[CONIC_V_CENTER_Y], k[CONIC_V_HEIGHT]};
            to_absolute(m, center, c);
            ul[0] = k[CONIC_V_COS];
            ul[1] = k[CONIC_V_SIN];
            ul[2] = 0;
            vl[0] = -k[CONIC_V_SIN];
            vl[1] = k[CONIC_V_COS];
            vl[2] = 0;
            to_absolute(m, ul, u);
            to_absolute(m, vl, v);
            const double k1 = k[CONIC_V_K1], k2 = k[CONIC_V_K2];
            if (e->conic_type == HOST_CONIC_ELLIPSE)
                return hostnum::Curve::ellipse(c, u, v, k1, k2, k[CONIC_V_START], k[CONIC_V_END]);
            const double su[3] = {sign(k1) * u[0], sign(k1) * u[1], sign(k1) * u[2]};
            if (e->conic_type == HOST_CONIC_PARABOLA)
                return hostnum::Curve::parabola(c, su, v, std::fabs(k1) / 4, k[CONIC_V_START], k[CONIC_V_END]);
            return hostnum::Curve::hyperbola(c, su, v, std::fabs(k1), std::fabs(k2),
                                             to_curve_parameter(*e, k[CONIC_V_START]),
                                             to_curve_parameter(*e, k[CONIC_V_END]));
        }
        case Kind::other: return e->other();
    }
    return std::nullopt;
}

void attach_line(tag_t object, const double start[3], const double end[3]) {
    Entity e;
    e.kind = Kind::line;
    copy3(e.start(), start);
    copy3(e.end(), end);
    table()[object] = e;
}

void attach_curve(tag_t object, const hostnum::Curve& curve) {
    Entity e;
    e.kind = Kind::other;
    e.other() = curve;
    table()[object] = e;
}

void set_occurrence_orientation(tag_t occurrence, const double rows[9]) {
    // Occurrences with a place keep their rows there, so every query sees
    // one orientation.
    if (host::occurrences::set_rows(occurrence, rows)) return;
    Orientation& o = orientations()[occurrence];
    for (int i = 0; i < 9; ++i) o.rows[i] = rows[i];
}

void attach_arc(tag_t object, tag_t matrix, const double data[6]) {
    Entity e;
    e.kind = Kind::arc;
    e.matrix = matrix;
    for (int i = 0; i < 6; ++i) e.arc()[i] = data[i];
    table()[object] = e;
}

}  // namespace host::curves

namespace hc = host::curves;

extern "C" {

double EQ_ask_length_tolerance(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, hc::kLengthTolerance);
}

double EQ_ask_length_squared_tolerance(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, hc::kLengthTolerance * hc::kLengthTolerance);
}

int ES_ask_entity_type(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const int type = call.live(object).type;
    return static_cast<int>(call.int_out(0, type));
}

// ---- points ---------------------------------------------------------------

void ES_create_point(const double point[3], unsigned int* point_out) {
    auto call = HOST_ENTRY(point, point_out);
    call.need(point);
    call.need(point_out);
    hc::need_finite(call, point, 3);
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, 0});
    hc::Entity e;
    e.kind = hc::Kind::point;
    hc::copy3(e.point, point);
    hc::table()[t] = e;
    *point_out = t;
}

void ES_ask_coordinates_of_point(unsigned int point, double coords[3]) {
    auto call = HOST_ENTRY(point, coords);
    call.need(coords);
    hc::copy3(coords, hc::of_kind(call, point, hc::Kind::point, true).point);
}

void POINT_set_coordinates(unsigned int point, const double coords[3]) {
    auto call = HOST_ENTRY(point, coords);
    call.need(coords);
    hc::need_finite(call, coords, 3);
    hc::copy3(hc::of_kind(call, point, hc::Kind::point, true).point, coords);
    host::parts::note_change(point);
}

// ---- lines ----------------------------------------------------------------

void ES_create_line_in_part(unsigned int part, const double ends[6], unsigned int* line) {
    auto call = HOST_ENTRY(part, ends, line);
    call.need(ends);
    call.need(line);
    hc::need_finite(call, ends, 6);
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, part});
    hc::Entity e;
    e.kind = hc::Kind::line;
    hc::copy3(e.start(), ends);
    hc::copy3(e.end(), ends + 3);
    hc::table()[t] = e;
    *line = t;
}

void ES_ask_coordinates_of_line(unsigned int line, double start[3], double end[3]) {
    auto call = HOST_ENTRY(line, start, end);
    call.need(start);
    call.need(end);
    if (const auto& k = hc::edge_curves(); k.kind_of && k.kind_of(line) == PX_CURVE_LINE) {
        k.ends_of(line, start, end);
        return;
    }
    const hc::Entity& e = hc::of_kind(call, line, hc::Kind::line, false);
    hc::copy3(start, e.start());
    hc::copy3(end, e.end());
}

void LINE_set_end_points(unsigned int line, const double start[3], const double end[3]) {
    auto call = HOST_ENTRY(line, start, end);
    call.need(start);
    call.need(end);
    hc::need_finite(call, start, 3);
    hc::need_finite(call, end, 3);
    hc::Entity& e = hc::of_kind(call, line, hc::Kind::line, true);
    hc::copy3(e.start(), start);
    hc::copy3(e.end(), end);
    host::parts::note_change(line);
}

// ---- arcs -----------------------------------------------------------------

void ES_create_arc(const double data[6], unsigned int matrix, unsigned int* arc) {
    auto call = HOST_ENTRY(data, matrix, arc);
    call.need(data);
    call.need(arc);
    hc::need_finite(call, data, 6);
    call.live_of_type(matrix, HOST_TYPE_MATRIX);
    const unsigned int t =
        host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_ARC, 0, host::objects::find(matrix)->part});
    hc::Entity e;
    e.kind = hc::Kind::arc;
    e.matrix = matrix;
    for (int i = 0; i < 6; ++i) e.arc()[i] = data[i];
    hc::table()[t] = e;
    *arc = t;
}

void ES_ask_data_of_arc(unsigned int arc, double data[6]) {
    auto call = HOST_ENTRY(arc, data);
    call.need(data);
    // A circular kernel edge: its angles, and its centre in the frame of
    // its circle (X towards the curve's parameter 0, Z along the axis).
    double c[3], z[3], x[3], r = 0, range[2];
    if (const auto& k = hc::edge_curves(); k.circle_of && k.circle_of(arc, c, z, x, &r, range)) {
        const hostnum::V3 C = hostnum::V3::load(c), Z = hostnum::V3::load(z), X = hostnum::V3::load(x);
        const double v[6] = {range[0],           range[1], hostnum::dot(C, X), hostnum::dot(C, hostnum::cross(Z, X)),
                             hostnum::dot(C, Z), r};
        for (int i = 0; i < 6; ++i) data[i] = v[i];
        return;
    }
    const hc::Entity& e = hc::of_kind(call, arc, hc::Kind::arc, false);
    for (int i = 0; i < 6; ++i) data[i] = e.arc()[i];
}

void ARC_set_data(unsigned int arc, const double data[6]) {
    auto call = HOST_ENTRY(arc, data);
    call.need(data);
    hc::need_finite(call, data, 6);
    hc::Entity& e = hc::of_kind(call, arc, hc::Kind::arc, true);
    for (int i = 0; i < 6; ++i) e.arc()[i] = data[i];
    host::parts::note_change(arc);
}

void ES_set_matrix_of_entity(unsigned int object, unsigned int matrix) {
    auto call = HOST_ENTRY(object, matrix);
    call.live(object);
    hc::Entity* e = hc::table().edit(object);
    if (!e || (e->kind != hc::Kind::arc && e->kind != hc::Kind::conic))
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u carries no matrix", object);
    call.live_of_type(matrix, HOST_TYPE_MATRIX);
    e->matrix = matrix;
    host::parts::note_change(object);
}

unsigned int CURVE_ask_matrix_of_entity(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const hc::Entity* e = hc::table().find(object);
    const unsigned int m = e && (e->kind == hc::Kind::arc || e->kind == hc::Kind::conic) ? e->matrix : 0;
    return static_cast<unsigned int>(call.int_out(0, m));
}

// ---- conics ---------------------------------------------------------------

void es0600_(const int* type, const double values[13], const unsigned int* matrix, unsigned int* conic) {
    auto call = HOST_ENTRY(type ? *type : 0, values, matrix ? *matrix : 0u, conic);
    call.need(type);
    call.need(values);
    call.need(matrix);
    call.need(conic);
    hc::need_conic_type(call, *type);
    hc::need_finite(call, values, CONIC_VALUE_COUNT);
    call.live_of_type(*matrix, HOST_TYPE_MATRIX);
    const unsigned int t =
        host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_CONIC, *type, host::objects::find(*matrix)->part});
    hc::Entity e;
    e.kind = hc::Kind::conic;
    e.matrix = *matrix;
    e.conic_type = *type;
    for (int i = 0; i < CONIC_VALUE_COUNT; ++i) e.conic()[i] = values[i];
    hc::refresh_end_points(e.conic(), *type);
    hc::table()[t] = e;
    *conic = t;
}

void es0610_(const unsigned int* conic, double values[13]) {
    auto call = HOST_ENTRY(conic ? *conic : 0u, values);
    call.need(conic);
    call.need(values);
    const hc::Entity& e = hc::of_kind(call, *conic, hc::Kind::conic, true);
    for (int i = 0; i < CONIC_VALUE_COUNT; ++i) values[i] = e.conic()[i];
}

void CONIC_set_data(unsigned int conic, const CONIC_std_data_t* data) {
    auto call = HOST_ENTRY(conic, data);
    call.need(data);
    hc::Entity& e = hc::of_kind(call, conic, hc::Kind::conic, true);
    if (data->type != e.conic_type)
        call.fail(HOST_ERR_BAD_ARGUMENT, "conic type %d on a conic of type %d", data->type, e.conic_type);
    const double check[8] = {data->rotation,  data->start,     data->end, data->center[0],
                             data->center[1], data->center[2], data->k1,  data->k2};
    hc::need_finite(call, check, 8);
    hc::values_of_record(*data, e.conic());
    host::parts::note_change(conic);
}

void CONIC_ask_endpoints(const CONIC_std_data_t* data, double start[3], double end[3]) {
    auto call = HOST_ENTRY(data, start, end);
    call.need(data);
    call.need(start);
    call.need(end);
    hc::need_conic_type(call, data->type);
    double v[CONIC_VALUE_COUNT];
    hc::values_of_record(*data, v);
    hostnum::conic_point(v, data->type, data->start, start);
    hostnum::conic_point(v, data->type, data->end, end);
}

// ---- the plane of three points --------------------------------------------

void k0541_(const double p1[3], const double p2[3], const double p3[3], double values[9], unsigned int* matrix,
            int* status) {
    auto call = HOST_ENTRY(p1, p2, p3, matrix);
    call.need(p1);
    call.need(p2);
    call.need(p3);
    call.need(values);
    call.need(matrix);
    call.need(status);
    *status = 0;
    *matrix = 0;
    const hostnum::V3 a = hostnum::V3::load(p2) - hostnum::V3::load(p1);
    const hostnum::V3 b = hostnum::V3::load(p3) - hostnum::V3::load(p1);
    const hostnum::V3 n = hostnum::cross(a, b);
    const double la = hostnum::norm(a), lb = hostnum::norm(b), ln = hostnum::norm(n);
    if (!(la > 0) || !(lb > 0) || ln <= 1e-9 * la * lb) return;
    const hostnum::V3 x = (1 / la) * a, z = (1 / ln) * n, y = hostnum::cross(z, x);
    x.store(values);
    y.store(values + 3);
    z.store(values + 6);
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), values, 3, matrix);
    *status = 1;
}

// ---- solid-kernel curve type -------------------------------------------------

int PX_curve_ask_type(unsigned int edge) {
    auto call = HOST_ENTRY(edge);
    call.live(edge);
    const hc::Entity* e = hc::table().find(edge);
    int kind = PX_CURVE_OTHER;
    if (const int k = hc::edge_curves().kind_of ? hc::edge_curves().kind_of(edge) : 0)
        kind = k == PX_CURVE_LINE || k == PX_CURVE_CIRCLE ? k : PX_CURVE_OTHER;
    else if (e && e->kind == hc::Kind::line) kind = PX_CURVE_LINE;
    else if (e && e->kind == hc::Kind::arc) kind = PX_CURVE_CIRCLE;
    return static_cast<int>(call.int_out(0, kind));
}

// ---- occurrences ------------------------------------------------------------

void OCC_transform_direction_p(unsigned int occurrence, const double direction[3], double out[3]) {
    auto call = HOST_ENTRY(occurrence, direction, out);
    call.need(direction);
    call.need(out);
    const host::objects::Object& object = call.live(occurrence);
    const host::entity::Attrs* attrs = host::entity::find(occurrence);
    if (object.cls != OM_CLASS_OCC_LW && !(attrs && attrs->occurrence))
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an occurrence", occurrence);
    if (const host::occurrences::Place* place = host::occurrences::place_of(occurrence)) {
        place->direction(direction, out);
        return;
    }
    const hc::Orientation* o = hc::orientations().find(occurrence);
    const hc::Orientation identity;
    const double d[3] = {direction[0], direction[1], direction[2]};
    hc::to_absolute((o ? o : &identity)->rows, d, out);
}

}  // extern "C"
