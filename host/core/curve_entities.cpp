// Curve entities: points, lines, arcs and conics with their defining data
// (see curve_entities.h).
#include "host/core/curve_entities.h"

#include <cmath>

#include "host/core/entity_store.h"
#include "host/core/wcs.h"
#include "host/data/parts.h"
#include "host/numeric/v3.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/objects.h"

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

void need(const char* fn, const void* p) {
    if (!p) ERROR_raise(fn, 0, HOST_ERR_NULL_ARGUMENT, "%s: a pointer argument is null", fn);
}

void need_finite(const char* fn, const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) ERROR_raise(fn, 0, HOST_ERR_BAD_ARGUMENT, "%s: value %d is not finite", fn, i);
}

const objects::Object& live(const char* fn, tag_t object) {
    const objects::Object* o = objects::find(object);
    if (!o) ERROR_raise(fn, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", fn, object);
    return *o;
}

// The data of an object that must be of the kind; with own_type set the
// object must also be an entity of the kind's type (not an edge).
Entity& of_kind(const char* fn, tag_t object, Kind kind, bool own_type) {
    const objects::Object& o = live(fn, object);
    Entity* e = table().edit(object);
    if (!e || e->kind != kind || (own_type && o.type == HOST_TYPE_KERNEL))
        ERROR_raise(fn, 0, HOST_ERR_WRONG_CLASS, "%s: tag %u is not %s", fn, object, kind_name(kind));
    return *e;
}

void need_matrix(const char* fn, tag_t matrix) {
    if (live(fn, matrix).type != HOST_TYPE_MATRIX)
        ERROR_raise(fn, 0, HOST_ERR_WRONG_CLASS, "%s: tag %u is not a matrix", fn, matrix);
}

void need_conic_type(const char* fn, int type) {
    if (type != HOST_CONIC_ELLIPSE && type != HOST_CONIC_PARABOLA && type != HOST_CONIC_HYPERBOLA)
        ERROR_raise(fn, 0, HOST_ERR_BAD_ARGUMENT, "%s: %d is not a conic type", fn, type);
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
    conic_point(v, type, v[CONIC_V_START], p);
    v[CONIC_V_START_X] = p[0];
    v[CONIC_V_START_Y] = p[1];
    conic_point(v, type, v[CONIC_V_END], p);
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

double to_curve_parameter(const Entity& e, double t) {
    if (e.kind == Kind::conic && e.conic_type == HOST_CONIC_HYPERBOLA) {
        const double b = std::fabs(e.conic[CONIC_V_K2]);
        return b > 0 ? std::asinh(t / b) : t;
    }
    return t;
}

double from_curve_parameter(const Entity& e, double t) {
    if (e.kind == Kind::conic && e.conic_type == HOST_CONIC_HYPERBOLA)
        return std::fabs(e.conic[CONIC_V_K2]) * std::sinh(t);
    return t;
}

std::optional<hostnum::Curve> curve_of(tag_t object) {
    const Entity* e = find(object);
    if (!e) return std::nullopt;
    switch (e->kind) {
        case Kind::point: return hostnum::Curve::point(e->point);
        case Kind::line: return hostnum::Curve::line(e->start, e->end);
        case Kind::arc: {
            double m[9], c[3];
            matrix_values(*e, m);
            to_absolute(m, e->arc + 2, c);
            return hostnum::Curve::arc(c, m, m + 3, e->arc[5], e->arc[0], e->arc[1]);
        }
        case Kind::conic: {
            double m[9], c[3], ul[3], vl[3], u[3], v[3];
            matrix_values(*e, m);
            const double* k = e->conic;
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
        case Kind::other: return e->other;
    }
    return std::nullopt;
}

void attach_line(tag_t object, const double start[3], const double end[3]) {
    Entity e;
    e.kind = Kind::line;
    copy3(e.start, start);
    copy3(e.end, end);
    table()[object] = e;
}

void attach_curve(tag_t object, const hostnum::Curve& curve) {
    Entity e;
    e.kind = Kind::other;
    e.other = curve;
    table()[object] = e;
}

void set_occurrence_orientation(tag_t occurrence, const double rows[9]) {
    Orientation& o = orientations()[occurrence];
    for (int i = 0; i < 9; ++i) o.rows[i] = rows[i];
}

void attach_arc(tag_t object, tag_t matrix, const double data[6]) {
    Entity e;
    e.kind = Kind::arc;
    e.matrix = matrix;
    for (int i = 0; i < 6; ++i) e.arc[i] = data[i];
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
    const int type = hc::live("ES_ask_entity_type", object).type;
    return static_cast<int>(call.int_out(0, type));
}

// ---- points ---------------------------------------------------------------

void ES_create_point(const double point[3], unsigned int* point_out) {
    HOST_ENTRY(point, point_out);
    hc::need("ES_create_point", point);
    hc::need("ES_create_point", point_out);
    hc::need_finite("ES_create_point", point, 3);
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, 0});
    hc::Entity e;
    e.kind = hc::Kind::point;
    hc::copy3(e.point, point);
    hc::table()[t] = e;
    *point_out = t;
}

void ES_ask_coordinates_of_point(unsigned int point, double coords[3]) {
    HOST_ENTRY(point, coords);
    hc::need("ES_ask_coordinates_of_point", coords);
    hc::copy3(coords, hc::of_kind("ES_ask_coordinates_of_point", point, hc::Kind::point, true).point);
}

void POINT_set_coordinates(unsigned int point, const double coords[3]) {
    HOST_ENTRY(point, coords);
    hc::need("POINT_set_coordinates", coords);
    hc::need_finite("POINT_set_coordinates", coords, 3);
    hc::copy3(hc::of_kind("POINT_set_coordinates", point, hc::Kind::point, true).point, coords);
    host::parts::note_change(point);
}

// ---- lines ----------------------------------------------------------------

void ES_create_line_in_part(unsigned int part, const double ends[6], unsigned int* line) {
    HOST_ENTRY(part, ends, line);
    hc::need("ES_create_line_in_part", ends);
    hc::need("ES_create_line_in_part", line);
    hc::need_finite("ES_create_line_in_part", ends, 6);
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, part});
    hc::Entity e;
    e.kind = hc::Kind::line;
    hc::copy3(e.start, ends);
    hc::copy3(e.end, ends + 3);
    hc::table()[t] = e;
    *line = t;
}

void ES_ask_coordinates_of_line(unsigned int line, double start[3], double end[3]) {
    HOST_ENTRY(line, start, end);
    hc::need("ES_ask_coordinates_of_line", start);
    hc::need("ES_ask_coordinates_of_line", end);
    const hc::Entity& e = hc::of_kind("ES_ask_coordinates_of_line", line, hc::Kind::line, false);
    hc::copy3(start, e.start);
    hc::copy3(end, e.end);
}

void LINE_set_end_points(unsigned int line, const double start[3], const double end[3]) {
    HOST_ENTRY(line, start, end);
    hc::need("LINE_set_end_points", start);
    hc::need("LINE_set_end_points", end);
    hc::need_finite("LINE_set_end_points", start, 3);
    hc::need_finite("LINE_set_end_points", end, 3);
    hc::Entity& e = hc::of_kind("LINE_set_end_points", line, hc::Kind::line, true);
    hc::copy3(e.start, start);
    hc::copy3(e.end, end);
    host::parts::note_change(line);
}

// ---- arcs -----------------------------------------------------------------

void ES_create_arc(const double data[6], unsigned int matrix, unsigned int* arc) {
    HOST_ENTRY(data, matrix, arc);
    hc::need("ES_create_arc", data);
    hc::need("ES_create_arc", arc);
    hc::need_finite("ES_create_arc", data, 6);
    hc::need_matrix("ES_create_arc", matrix);
    const unsigned int t =
        host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_ARC, 0, host::objects::find(matrix)->part});
    hc::Entity e;
    e.kind = hc::Kind::arc;
    e.matrix = matrix;
    for (int i = 0; i < 6; ++i) e.arc[i] = data[i];
    hc::table()[t] = e;
    *arc = t;
}

void ES_ask_data_of_arc(unsigned int arc, double data[6]) {
    HOST_ENTRY(arc, data);
    hc::need("ES_ask_data_of_arc", data);
    const hc::Entity& e = hc::of_kind("ES_ask_data_of_arc", arc, hc::Kind::arc, false);
    for (int i = 0; i < 6; ++i) data[i] = e.arc[i];
}

void ARC_set_data(unsigned int arc, const double data[6]) {
    HOST_ENTRY(arc, data);
    hc::need("ARC_set_data", data);
    hc::need_finite("ARC_set_data", data, 6);
    hc::Entity& e = hc::of_kind("ARC_set_data", arc, hc::Kind::arc, true);
    for (int i = 0; i < 6; ++i) e.arc[i] = data[i];
    host::parts::note_change(arc);
}

void ES_set_matrix_of_entity(unsigned int object, unsigned int matrix) {
    HOST_ENTRY(object, matrix);
    hc::live("ES_set_matrix_of_entity", object);
    hc::Entity* e = hc::table().edit(object);
    if (!e || (e->kind != hc::Kind::arc && e->kind != hc::Kind::conic))
        ERROR_raise("ES_set_matrix_of_entity", 0, HOST_ERR_WRONG_CLASS,
                    "ES_set_matrix_of_entity: tag %u carries no matrix", object);
    hc::need_matrix("ES_set_matrix_of_entity", matrix);
    e->matrix = matrix;
    host::parts::note_change(object);
}

unsigned int CURVE_ask_matrix_of_entity(unsigned int object) {
    auto call = HOST_ENTRY(object);
    hc::live("CURVE_ask_matrix_of_entity", object);
    const hc::Entity* e = hc::table().find(object);
    const unsigned int m = e && (e->kind == hc::Kind::arc || e->kind == hc::Kind::conic) ? e->matrix : 0;
    return static_cast<unsigned int>(call.int_out(0, m));
}

// ---- conics ---------------------------------------------------------------

void es0600_(const int* type, const double values[13], const unsigned int* matrix, unsigned int* conic) {
    HOST_ENTRY(type ? *type : 0, values, matrix ? *matrix : 0u, conic);
    hc::need("es0600_", type);
    hc::need("es0600_", values);
    hc::need("es0600_", matrix);
    hc::need("es0600_", conic);
    hc::need_conic_type("es0600_", *type);
    hc::need_finite("es0600_", values, CONIC_VALUE_COUNT);
    hc::need_matrix("es0600_", *matrix);
    const unsigned int t =
        host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_CONIC, *type, host::objects::find(*matrix)->part});
    hc::Entity e;
    e.kind = hc::Kind::conic;
    e.matrix = *matrix;
    e.conic_type = *type;
    for (int i = 0; i < CONIC_VALUE_COUNT; ++i) e.conic[i] = values[i];
    hc::refresh_end_points(e.conic, *type);
    hc::table()[t] = e;
    *conic = t;
}

void es0610_(const unsigned int* conic, double values[13]) {
    HOST_ENTRY(conic ? *conic : 0u, values);
    hc::need("es0610_", conic);
    hc::need("es0610_", values);
    const hc::Entity& e = hc::of_kind("es0610_", *conic, hc::Kind::conic, true);
    for (int i = 0; i < CONIC_VALUE_COUNT; ++i) values[i] = e.conic[i];
}

void CONIC_set_data(unsigned int conic, const CONIC_std_data_t* data) {
    HOST_ENTRY(conic, data);
    hc::need("CONIC_set_data", data);
    hc::Entity& e = hc::of_kind("CONIC_set_data", conic, hc::Kind::conic, true);
    if (data->type != e.conic_type)
        ERROR_raise("CONIC_set_data", 0, HOST_ERR_BAD_ARGUMENT, "CONIC_set_data: conic type %d on a conic of type %d",
                    data->type, e.conic_type);
    const double check[8] = {data->rotation, data->start,     data->end, data->center[0],
                             data->center[1], data->center[2], data->k1,  data->k2};
    hc::need_finite("CONIC_set_data", check, 8);
    hc::values_of_record(*data, e.conic);
    host::parts::note_change(conic);
}

void CONIC_ask_endpoints(const CONIC_std_data_t* data, double start[3], double end[3]) {
    HOST_ENTRY(data, start, end);
    hc::need("CONIC_ask_endpoints", data);
    hc::need("CONIC_ask_endpoints", start);
    hc::need("CONIC_ask_endpoints", end);
    hc::need_conic_type("CONIC_ask_endpoints", data->type);
    double v[CONIC_VALUE_COUNT];
    hc::values_of_record(*data, v);
    hc::conic_point(v, data->type, data->start, start);
    hc::conic_point(v, data->type, data->end, end);
}

// ---- the plane of three points --------------------------------------------

void k0541_(const double p1[3], const double p2[3], const double p3[3], double values[9], unsigned int* matrix,
            int* status) {
    HOST_ENTRY(p1, p2, p3, matrix);
    hc::need("k0541_", p1);
    hc::need("k0541_", p2);
    hc::need("k0541_", p3);
    hc::need("k0541_", values);
    hc::need("k0541_", matrix);
    hc::need("k0541_", status);
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
    hc::live("PX_curve_ask_type", edge);
    const hc::Entity* e = hc::table().find(edge);
    int kind = PX_CURVE_OTHER;
    if (e && e->kind == hc::Kind::line) kind = PX_CURVE_LINE;
    else if (e && e->kind == hc::Kind::arc) kind = PX_CURVE_CIRCLE;
    return static_cast<int>(call.int_out(0, kind));
}

void es7010_occ_(const unsigned int* object, int* kernel_entity) {
    HOST_ENTRY(object ? *object : 0u, kernel_entity);
    hc::need("es7010_occ_", object);
    hc::need("es7010_occ_", kernel_entity);
    const host::objects::Object& o = hc::live("es7010_occ_", *object);
    *kernel_entity = o.type == HOST_TYPE_KERNEL ? static_cast<int>(*object) : 0;
}

void KI_ougeef(const int* edge, int* curve, int* ifail) {
    HOST_ENTRY(edge ? *edge : 0, curve, ifail);
    hc::need("KI_ougeef", edge);
    hc::need("KI_ougeef", curve);
    hc::need("KI_ougeef", ifail);
    const hc::Entity* e = hc::find(static_cast<unsigned int>(*edge));
    const bool ok = e && (e->kind == hc::Kind::line || e->kind == hc::Kind::arc);
    *curve = ok ? *edge : 0;
    *ifail = ok ? 0 : 1;
}

void KI_outcur(const int* curve, double center[3], double axis[3], double* radius, int* ifail) {
    HOST_ENTRY(curve ? *curve : 0, center, axis, radius);
    hc::need("KI_outcur", curve);
    hc::need("KI_outcur", center);
    hc::need("KI_outcur", axis);
    hc::need("KI_outcur", radius);
    hc::need("KI_outcur", ifail);
    const hc::Entity* e = hc::find(static_cast<unsigned int>(*curve));
    if (!e || e->kind != hc::Kind::arc) {
        *ifail = 1;
        return;
    }
    double m[9];
    hc::matrix_values(*e, m);
    hc::to_absolute(m, e->arc + 2, center);
    hc::copy3(axis, m + 6);
    *radius = e->arc[5];
    *ifail = 0;
}

void KI_enpopc(const int* curve, const double* t, const int* n, const int* side, double point[3], int* ifail) {
    HOST_ENTRY(curve ? *curve : 0, t ? *t : 0.0, n ? *n : 0, side ? *side : 0);
    hc::need("KI_enpopc", curve);
    hc::need("KI_enpopc", t);
    hc::need("KI_enpopc", point);
    hc::need("KI_enpopc", ifail);
    const hc::Entity* e = hc::find(static_cast<unsigned int>(*curve));
    if (!e || (e->kind != hc::Kind::line && e->kind != hc::Kind::arc)) {
        *ifail = 1;
        return;
    }
    if (e->kind == hc::Kind::line) {
        for (int i = 0; i < 3; ++i) point[i] = e->start[i] + *t * (e->end[i] - e->start[i]);
    } else {
        double m[9], c[3];
        hc::matrix_values(*e, m);
        hc::to_absolute(m, e->arc + 2, c);
        const double r = e->arc[5], cs = std::cos(*t), sn = std::sin(*t);
        for (int i = 0; i < 3; ++i) point[i] = c[i] + r * (cs * m[i] + sn * m[3 + i]);
    }
    *ifail = 0;
}

// ---- occurrences ------------------------------------------------------------

void OCC_transform_direction_p(unsigned int occurrence, const double direction[3], double out[3]) {
    HOST_ENTRY(occurrence, direction, out);
    hc::need("OCC_transform_direction_p", direction);
    hc::need("OCC_transform_direction_p", out);
    const host::objects::Object& object = hc::live("OCC_transform_direction_p", occurrence);
    const host::entity::Attrs* attrs = host::entity::find(occurrence);
    if (object.cls != OM_CLASS_OCC_LW && !(attrs && attrs->occurrence))
        ERROR_raise("OCC_transform_direction_p", 0, HOST_ERR_WRONG_CLASS,
                    "OCC_transform_direction_p: tag %u is not an occurrence", occurrence);
    const hc::Orientation* o = hc::orientations().find(occurrence);
    const hc::Orientation identity;
    const double d[3] = {direction[0], direction[1], direction[2]};
    hc::to_absolute((o ? o : &identity)->rows, d, out);
}

}  // extern "C"
