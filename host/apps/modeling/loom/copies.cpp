// The geometry of links (host/apps/modeling/loom/loom.h): finding a link's sources, what
// they give now, and the copies made of them in the linked part.
//
// A linked object keeps its tag across updates: a new copy is made of the
// source and its data are moved into the linked object
// (RM_replace_object_data), after which the new copy goes. Linked bodies
// are copied into again by the kernel, which keeps their faces' and edges'
// tags (host/kernel/engine/linked.h).
//
// Copies of curves: a point stays a point, a conic a conic; any other
// curve (a curve of the part or an edge of a body) is taken through its
// curve: a straight one gives a line, a circular one an arc, and the rest
// a spline entity holding the moved curve. Transforms are linear maps with
// a translation; a mirror turns the frames of arcs and conics so that they
// stay right-handed.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/linked.h"
#include "host/apps/modeling/loom/loom_state.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace ho = host::objects;

namespace host::loom {
namespace {

// p' = R p + t.
struct Xf {
    double R[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double t[3] = {0, 0, 0};

    void point(const double in[3], double out[3]) const {
        direction(in, out);
        for (int i = 0; i < 3; ++i) out[i] += t[i];
    }
    void direction(const double in[3], double out[3]) const {
        const double a[3] = {in[0], in[1], in[2]};
        for (int i = 0; i < 3; ++i) out[i] = R[3 * i] * a[0] + R[3 * i + 1] * a[1] + R[3 * i + 2] * a[2];
    }
    double det() const {
        return R[0] * (R[4] * R[8] - R[5] * R[7]) - R[1] * (R[3] * R[8] - R[5] * R[6]) +
               R[2] * (R[3] * R[7] - R[4] * R[6]);
    }
    // This after b.
    Xf after(const Xf& b) const {
        Xf out;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                out.R[3 * i + j] = R[3 * i] * b.R[j] + R[3 * i + 1] * b.R[3 + j] + R[3 * i + 2] * b.R[6 + j];
        point(b.t, out.t);
        return out;
    }
};

Xf xf_of(const Link& l) {
    Xf x;
    if (!l.has_xform) return x;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) x.R[3 * i + j] = l.xform[4 * i + j];
        x.t[i] = l.xform[4 * i + 3];
    }
    return x;
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// The plane of a mirror link (a datum plane or a plane): a point and the
// unit normal.
bool plane_of(tag_t plane, double point[3], double normal[3]) {
    const ho::Object* o = plane ? ho::find(plane) : nullptr;
    if (!o || (o->type != HOST_TYPE_DATUM_PLANE && o->type != HOST_TYPE_PLANE)) return false;
    return host::profiles::direction_data(plane, point, normal);
}

bool is_curve(const ho::Object& o) {
    return o.type == HOST_TYPE_LINE || o.type == HOST_TYPE_ARC || o.type == HOST_TYPE_CONIC ||
           o.type == HOST_TYPE_SPLINE || (o.type == HOST_TYPE_SOLID && o.subtype == HOST_SUBTYPE_EDGE);
}
bool is_point_or_curve(const ho::Object& o) { return o.type == HOST_TYPE_POINT || is_curve(o); }

// ---- Fresh copies -----------------------------------------------------------

// A new arc or conic frame: the matrix's rows moved (Z made again from X
// and Y, so that a mirror keeps it right-handed), and a position given in
// the old frame taken into the new one.
struct Frame {
    double rows[9];
    void moved(const Xf& x, const double m[9], const double local[3], double out[3]) {
        x.direction(m, rows);
        x.direction(m + 3, rows + 3);
        cross(rows, rows + 3, rows + 6);
        // abs' = R (x X + y Y + z Z) + t, and R Z = det Z'.
        const double s = x.det() < 0 ? -1.0 : 1.0;
        out[0] = local[0] + dot(x.t, rows);
        out[1] = local[1] + dot(x.t, rows + 3);
        out[2] = s * local[2] + dot(x.t, rows + 6);
    }
};

tag_t fresh_conic(tag_t part, tag_t source, const Xf& x) {
    const host::curves::Entity& e = *host::curves::find(source);
    double m[9];
    host::curves::matrix_values(e, m);
    double values[CONIC_VALUE_COUNT];
    std::copy(e.conic(), e.conic() + CONIC_VALUE_COUNT, values);
    const double local[3] = {values[CONIC_V_CENTER_X], values[CONIC_V_CENTER_Y], values[CONIC_V_HEIGHT]};
    double moved[3];
    Frame f;
    f.moved(x, m, local, moved);
    values[CONIC_V_CENTER_X] = moved[0];
    values[CONIC_V_CENTER_Y] = moved[1];
    values[CONIC_V_HEIGHT] = moved[2];
    unsigned int matrix = 0, conic = 0;
    ES_create_matrix_in_part(part, f.rows, 3, &matrix);
    const int type = e.conic_type;
    es0600_(&type, values, &matrix, &conic);
    return conic;
}

// A new copy of a point or curve moved by x, in the part (points: the
// work part); 0 for an object that is neither.
tag_t fresh_copy(const Call& call, tag_t part, tag_t source, const Xf& x) {
    const ho::Object& o = call.live(source);
    tag_t out = 0;
    if (o.type == HOST_TYPE_POINT) {
        double p[3];
        ES_ask_coordinates_of_point(source, p);
        x.point(p, p);
        ES_create_point(p, &out);
        return out;
    }
    if (!is_curve(o)) return 0;
    if (o.type == HOST_TYPE_CONIC && host::curves::find(source)) return fresh_conic(part, source, x);
    const auto c = host::curves::curve_of(source);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u has no curve", source);
    const hostnum::Curve moved = c->transformed(x.R, x.t);
    const curve_struct& r = moved.record();
    if (r.type == CURVE_LINE) {
        double limits[2], ends[6];
        hostnum::curve_limits(r, limits);
        hostnum::curve_evaluate(r, 0, limits[0], ends, nullptr);
        hostnum::curve_evaluate(r, 0, limits[1], ends + 3, nullptr);
        ES_create_line_in_part(part, ends, &out);
    } else if (r.type == CURVE_ARC) {
        const auto& a = *static_cast<const curve_arc_data*>(r.data);
        double rows[9];
        std::copy(a.x_axis, a.x_axis + 3, rows);
        std::copy(a.y_axis, a.y_axis + 3, rows + 3);
        cross(rows, rows + 3, rows + 6);
        const double data[6] = {a.start_angle,           a.end_angle, dot(a.center, rows), dot(a.center, rows + 3),
                                dot(a.center, rows + 6), a.radius};
        unsigned int matrix = 0;
        ES_create_matrix_in_part(part, rows, 3, &matrix);
        ES_create_arc(data, matrix, &out);
    } else {
        out = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, part});
        host::curves::attach_curve(out, moved);
    }
    return out;
}

// Moves the data of a fresh copy into the linked object (made in the part
// when there is none yet) and lets the copy go; a matrix the linked object
// no longer uses goes with it.
tag_t put(tag_t part, tag_t linked, tag_t fresh) {
    if (linked == 0 || !ho::is_alive(linked)) {
        const ho::Object& f = ho::require(fresh);
        linked = host::entity::create({f.cls, f.type, f.subtype, part});
    }
    const tag_t old_matrix = CURVE_ask_matrix_of_entity(linked);
    RM_replace_object_data(linked, fresh);
    if (old_matrix != 0 && old_matrix != CURVE_ask_matrix_of_entity(linked) && ho::is_alive(old_matrix))
        ho::destroy(old_matrix);
    ho::destroy(fresh);
    return linked;
}

// The point a point link stands for, before its transform; false when the
// source gives none.
bool point_of(const Link& l, tag_t s, double p[3]) {
    const ho::Object* o = ho::find(s);
    if (!o) return false;
    if (l.kind == Kind::pt_point) {
        if (o->type != HOST_TYPE_POINT) return false;
        const host::curves::Entity* e = host::curves::find(s);
        if (!e) return false;
        std::copy(e->point, e->point + 3, p);
        return true;
    }
    if (!is_curve(*o)) return false;
    const auto c = host::curves::curve_of(s);
    if (!c) return false;
    const curve_struct& r = c->record();
    switch (l.kind) {
        case Kind::pt_curve: {
            double limits[2];
            hostnum::curve_limits(r, limits);
            return hostnum::curve_evaluate(r, 0, limits[0] + l.value * (limits[1] - limits[0]), p, nullptr) ==
                   hostnum::CurveError::ok;
        }
        case Kind::pt_center:
            if (r.type == CURVE_ARC) std::copy_n(static_cast<const curve_arc_data*>(r.data)->center, 3, p);
            else if (r.type == CURVE_CONIC) std::copy_n(static_cast<const curve_conic_data*>(r.data)->center, 3, p);
            else return false;
            return true;
        case Kind::pt_angle: {
            if (r.type != CURVE_ARC) return false;
            const auto& a = *static_cast<const curve_arc_data*>(r.data);
            for (int i = 0; i < 3; ++i)
                p[i] = a.center[i] + a.radius * (std::cos(l.value) * a.x_axis[i] + std::sin(l.value) * a.y_axis[i]);
            return true;
        }
        default: return false;
    }
}

// Numbers that tell a point's, curve's or plane's geometry.
void sample(tag_t object, std::vector<double>& out) {
    const ho::Object* o = ho::find(object);
    out.push_back(o ? o->type : 0);
    if (!o) return;
    double p[3], d[3];
    if (host::profiles::direction_data(object, p, d)) {
        out.insert(out.end(), {p[0], p[1], p[2], d[0], d[1], d[2]});
        return;
    }
    const auto c = host::curves::curve_of(object);
    if (!c) {
        if (o->type == HOST_TYPE_POINT)
            if (const host::curves::Entity* e = host::curves::find(object))
                out.insert(out.end(), e->point, e->point + 3);
        return;
    }
    const curve_struct& r = c->record();
    double limits[2];
    hostnum::curve_limits(r, limits);
    out.insert(out.end(), {static_cast<double>(r.type), limits[0], limits[1]});
    for (int k = 0; k <= 6; ++k) {
        hostnum::curve_evaluate(r, 0, limits[0] + k * (limits[1] - limits[0]) / 6, p, nullptr);
        out.insert(out.end(), p, p + 3);
    }
}

std::vector<tag_t> members_of(tag_t holder) {
    return host::entity::members_of(holder);
}

// The points and curves of a sketch, in order.
std::vector<tag_t> sketch_curves(tag_t sketch) {
    std::vector<tag_t> out;
    for (tag_t m : members_of(sketch))
        if (const ho::Object* o = ho::find(m); o && is_point_or_curve(*o)) out.push_back(m);
    return out;
}

// The bodies of a part (their objects), in the kernel's order.
std::vector<tag_t> bodies_of_part(tag_t part) {
    std::vector<tag_t> out;
    for (int b : host::kernel::bodies()) {
        const tag_t o = host::kernel::object_of(b);
        const ho::Object* obj = o ? ho::find(o) : nullptr;
        if (obj && obj->part == part) out.push_back(o);
    }
    return out;
}

std::vector<int> kernel_faces(const std::vector<Ref>& faces) {
    std::vector<int> out;
    for (const Ref& r : faces)
        if (const int f = host::kernel::entity_of(resolve(r))) out.push_back(f);
    return out;
}

// The source faces a face or region link copies now (kernel tags).
std::vector<int> faces_now(const Link& l, int body) {
    if (l.kind == Kind::face) return kernel_faces(l.items);
    return host::kernel::region_faces(body, kernel_faces(l.items), kernel_faces(l.bounds), l.traverse != 0);
}

// Copies point or curve sources into the linked objects `made` (one per
// source, in order; a source that is no point or curve is skipped).
void copy_curves(const Call& call, tag_t part, const std::vector<tag_t>& sources, const Xf& x,
                 std::vector<tag_t>& made) {
    std::vector<tag_t> out;
    for (tag_t s : sources) {
        const tag_t fresh = fresh_copy(call, part, s, x);
        if (fresh == 0) continue;
        const tag_t keep = out.size() < made.size() ? made[out.size()] : 0;
        out.push_back(put(part, keep, fresh));
    }
    for (std::size_t i = out.size(); i < made.size(); ++i)
        if (ho::is_alive(made[i])) ho::destroy(made[i]);
    made = std::move(out);
}

// A body copied into `body` (0: a new one in the part).
int copy_body(tag_t source_body, int n, const int* faces, const double* matrix, tag_t body, tag_t part) {
    int made = 0;
    const int src = host::kernel::entity_of(source_body);
    const int target = body ? host::kernel::entity_of(body) : 0;
    if (n == 0 && (target != 0 || part == host::parts::work_part())) ZQ_BODY_copy(src, matrix, target, &made);
    else ZQ_BODY_copy_faces(src, n, faces, matrix, target, part, &made);
    return made;
}

tag_t holder(tag_t link, tag_t part, int type, const std::vector<tag_t>& members) {
    if (link == 0) {
        return type == HOST_TYPE_SKETCH ? host::views::make_sketch(part, members)
                                        : host::views::make_group(part, members);
    }
    host::entity::rare(link).members = members;
    return link;
}

}  // namespace

tag_t resolve(const Ref& r) {
    if (r.tag != 0 && ho::is_alive(r.tag)) return r.tag;
    if (r.file.empty()) return 0;
    const tag_t part = PART_ask_part_of_filename(r.file.c_str());
    if (part == 0 || !host::parts::is_loaded(part)) return 0;
    const tag_t s = ho::tag_of_eid(r.eid, part);
    const ho::Object* o = ho::find(s);
    return o && o->part == part ? s : 0;
}

Ref ref_of(tag_t object) {
    Ref r;
    r.tag = object;
    const ho::Object* o = ho::find(object);
    if (!o) return r;
    r.eid = o->eid;
    const tag_t part = ho::part_info(object) ? object : o->part;
    if (const ho::PartInfo* info = ho::part_info(part)) r.file = info->file;
    return r;
}

tag_t resolve_source(const Link& l) {
    if (l.kind == Kind::part || l.kind == Kind::curve) {  // the source is a part
        if (l.source != 0 && ho::is_alive(l.source)) return l.source;
        const tag_t part = PART_ask_part_of_filename(l.source_file.c_str());
        return part != 0 && host::parts::is_loaded(part) ? part : 0;
    }
    Ref r;
    r.tag = l.source;
    r.file = l.source_file;
    r.eid = l.source_eid;
    const tag_t s = resolve(r);
    if (s == 0) return 0;
    const ho::Object& o = ho::require(s);
    switch (l.kind) {
        case Kind::body:
        case Kind::face:
        case Kind::region:
        case Kind::mirror: return ES_solid_is_a_body(s) ? s : 0;
        case Kind::sketch: return o.type == HOST_TYPE_SKETCH ? s : 0;
        case Kind::datum:
            return o.type == HOST_TYPE_DATUM_PLANE || o.type == HOST_TYPE_DATUM_AXIS || o.type == HOST_TYPE_PLANE ? s
                                                                                                                  : 0;
        default: return is_point_or_curve(o) ? s : 0;
    }
}

std::vector<tag_t> sources_of(const Link& l) {
    std::vector<tag_t> out{resolve_source(l)};
    for (const Ref& r : l.items) out.push_back(resolve(r));
    for (const Ref& r : l.bounds) out.push_back(resolve(r));
    if (l.kind == Kind::mirror) out.push_back(resolve(l.plane));
    if (l.kind == Kind::sketch && out[0] != 0)
        for (tag_t m : sketch_curves(out[0])) out.push_back(m);
    if (l.kind == Kind::part && out[0] != 0)
        for (tag_t b : bodies_of_part(out[0])) out.push_back(b);
    return out;
}

Seen seen_now(const Link& l) {
    Seen s;
    const std::vector<tag_t> sources = sources_of(l);
    const tag_t source = sources.front();
    switch (l.kind) {
        case Kind::body:
        case Kind::face:
        case Kind::region:
        case Kind::mirror:
            s.states.push_back(host::kernel::body_state(host::kernel::entity_of(source)));
            if (l.kind == Kind::mirror) {
                double p[3] = {0, 0, 0}, n[3] = {0, 0, 0};
                plane_of(resolve(l.plane), p, n);
                s.data.insert(s.data.end(), {p[0], p[1], p[2], n[0], n[1], n[2]});
            }
            for (std::size_t i = 1; i < sources.size(); ++i) s.data.push_back(sources[i]);
            break;
        case Kind::part:
            for (std::size_t i = 1; i < sources.size(); ++i) {
                s.states.push_back(host::kernel::body_state(host::kernel::entity_of(sources[i])));
                s.data.push_back(sources[i]);
            }
            break;
        default:
            for (std::size_t i = l.kind == Kind::curve ? 1 : 0; i < sources.size(); ++i) sample(sources[i], s.data);
            if (l.kind == Kind::pt_curve || l.kind == Kind::pt_angle) s.data.push_back(l.value);
            break;
    }
    return s;
}

bool copy(const Call& call, Link& l) {
    const std::vector<tag_t> sources = sources_of(l);
    const tag_t source = sources.front();
    if (source == 0) return false;
    const tag_t part = l.target_part;
    const Xf x = xf_of(l);
    const double* matrix = l.has_xform ? l.xform : nullptr;
    switch (l.kind) {
        case Kind::body: l.link = host::kernel::object_of(copy_body(source, 0, nullptr, matrix, l.link, part)); break;
        case Kind::face:
        case Kind::region: {
            const std::vector<int> faces = faces_now(l, host::kernel::entity_of(source));
            if (faces.empty()) return false;
            const int n = static_cast<int>(faces.size());
            l.link = host::kernel::object_of(copy_body(source, n, faces.data(), matrix, l.link, part));
            break;
        }
        case Kind::mirror: {
            double p[3], n[3];
            if (!plane_of(resolve(l.plane), p, n)) return false;
            const int body = copy_body(source, 0, nullptr, nullptr, l.link, part);
            ZQ_BODY_mirror(body, p, n);
            if (matrix) ZQ_BODY_transform(body, matrix);
            l.link = host::kernel::object_of(body);
            break;
        }
        case Kind::part: {
            std::vector<tag_t> made, from;
            for (std::size_t i = 1; i < sources.size(); ++i) {
                tag_t into = 0;
                for (std::size_t k = 0; k < l.made_from.size() && k < l.made.size(); ++k)
                    if (resolve(l.made_from[k]) == sources[i] && ho::is_alive(l.made[k])) into = l.made[k];
                made.push_back(host::kernel::object_of(copy_body(sources[i], 0, nullptr, matrix, into, part)));
                from.push_back(sources[i]);
            }
            for (tag_t old : l.made)
                if (std::find(made.begin(), made.end(), old) == made.end() && ho::is_alive(old))
                    ZQ_ENTITY_delete(host::kernel::entity_of(old));
            l.made = made;
            l.made_from.clear();
            for (tag_t f : from) l.made_from.push_back(ref_of(f));
            l.link = holder(l.link, part, HOST_TYPE_GROUP, l.made);
            break;
        }
        case Kind::datum: {
            double p[3], d[3];
            if (!host::profiles::direction_data(source, p, d)) return false;
            x.point(p, p);
            x.direction(d, d);
            const int type = ho::require(source).type;
            l.link = put(part, l.link, host::profiles::create_direction_object(part, type, p, d));
            break;
        }
        case Kind::sketch:
            copy_curves(call, part, sketch_curves(source), x, l.made);
            l.link = holder(l.link, part, HOST_TYPE_SKETCH, l.made);
            break;
        case Kind::curve:
        case Kind::string: {
            std::vector<tag_t> curves;
            for (std::size_t i = 1; i <= l.items.size(); ++i) {
                if (sources[i] == 0) return false;
                curves.push_back(sources[i]);
            }
            copy_curves(call, part, curves, x, l.made);
            l.link = holder(l.link, part, HOST_TYPE_GROUP, l.made);
            break;
        }
        default: {
            double p[3];
            if (!point_of(l, source, p)) return false;
            x.point(p, p);
            tag_t fresh = 0;
            ES_create_point(p, &fresh);
            l.link = put(part, l.link, fresh);
            break;
        }
    }
    l.seen = seen_now(l);
    return true;
}

std::vector<std::pair<tag_t, tag_t>> feature_map(const Link& l, bool faces) {
    std::vector<std::pair<tag_t, tag_t>> out;
    const std::vector<tag_t> sources = sources_of(l);
    const auto body_pairs = [&](tag_t source, tag_t linked) {
        out.emplace_back(source, linked);
        if (!faces) return;
        for (const auto& [from, to] :
             host::kernel::copied_from(host::kernel::entity_of(linked), host::kernel::entity_of(source))) {
            const tag_t a = host::kernel::object_of(from), b = host::kernel::object_of(to);
            if (a != 0 && b != 0) out.emplace_back(a, b);
        }
    };
    switch (l.kind) {
        case Kind::body:
        case Kind::face:
        case Kind::region:
        case Kind::mirror:
            if (sources.front() != 0) body_pairs(sources.front(), l.link);
            break;
        case Kind::part:
            for (std::size_t k = 0; k < l.made.size() && k < l.made_from.size(); ++k)
                if (const tag_t s = resolve(l.made_from[k])) body_pairs(s, l.made[k]);
            break;
        case Kind::sketch: {
            if (sources.front() == 0) break;
            out.emplace_back(sources.front(), l.link);
            const std::vector<tag_t> curves = sketch_curves(sources.front());
            for (std::size_t k = 0; k < curves.size() && k < l.made.size(); ++k) out.emplace_back(curves[k], l.made[k]);
            break;
        }
        case Kind::curve:
        case Kind::string:
            for (std::size_t k = 0; k < l.items.size() && k < l.made.size(); ++k)
                if (const tag_t s = resolve(l.items[k])) out.emplace_back(s, l.made[k]);
            break;
        default:
            if (sources.front() != 0) out.emplace_back(sources.front(), l.link);
            break;
    }
    return out;
}

}  // namespace host::loom
