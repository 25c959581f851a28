// Positioning constraints, kept values and instances of features: rows of
// the model keyed by the constraint's or the feature's tag.
#include "host/model/feature/positioning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/model/feature/form_place.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/handout.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"

namespace host::feature {
namespace {

const OM_class_t kConstraintClass = objects::register_class(RPO_CONSTRAINT_CLASS_NAME, OM_CLASS_OBJECT);
// Constraints go into part files with their features.
const bool constraint_kind_known = (part_rules::register_known_kind(kConstraintClass, 0, 0, 0, "RCON"), true);

struct Constraint {
    tag_t feature = 0;
    tag_t target = 0;
    std::vector<tag_t> exps;
};
TagTable<Constraint> constraints("positioning constraints");

// Per feature: its constraints and kept values with their descriptors, and
// its place in an instance set.
struct Positioning {
    std::vector<std::pair<tag_t, std::string>> objects;
    tag_t master = 0;  // the set's initial master, 0: no instance
    int row = 0, column = 0;
};
TagTable<Positioning> positioning("feature positioning");

// The record of a positioning dimension or link-face constraint (kind 0),
// by the constraint's tag: the tool object (0: the feature's location), the
// unit direction in which a larger value moves the feature, the value
// measured when it was made and the value the feature was last built with.
struct Dimension {
    int kind = 0;
    tag_t tool = 0;
    double axis[3] = {0, 0, 0};
    double base = 0;
    double built = 0;
};
TagTable<Dimension> dimensions("positioning dimensions");
// The qualifier pairs a redefinition gave a dimension (redefine_rows.h).
using Qualifiers = DimQualifiers;
TagTable<Qualifiers> qualifiers("positioning dimension qualifiers");
// How many dimensions were ever made (0: no feature moves; saves looking).
struct DimensionCount {
    int n = 0;
};
int dimension_count() { return model_value<DimensionCount>("positioning dimension count").read().n; }
const bool dimension_count_registered = (dimension_count(), true);

const Record& require_feature(const Call& call, tag_t feature) {
    call.live(feature);
    const Record* r = find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    return *r;
}

const Constraint& require_constraint(const Call& call, tag_t constraint) {
    call.live(constraint);
    const Constraint* c = constraints.find(constraint);
    if (!c) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no positioning constraint", constraint);
    return *c;
}

// Part-file sections (part_file::write_rows; objects by their number,
// kNone: none).
//   "RCON": one row per positioning constraint:
//     u32 its feature, u32 the object it positions against,
//     u32 count + its expressions
//   "RPOS": one row per feature with positioning:
//     u32 count + per constraint or kept value: u32 number, str descriptor
//     u32 the initial master of its instance set, i32 row, i32 column
// Files without them open with features that have no positioning. The
// readers refuse numbers of no object of the kind the row needs (a feature,
// an expression, a constraint or an expression as a positioning object).
// An object not written with the part is left out of its row (a dead
// target or master: none).
namespace pf = host::part_file;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::uint32_t number_of(const pf::SaveContext& ctx, tag_t t) {
    const std::uint32_t n = t != 0 && objects::is_alive(t) ? ctx.index(t) : kNone;
    return n == 0 ? kNone : n;
}

tag_t object_numbered(const pf::LoadContext& ctx, std::uint32_t n, bool (*accept)(const objects::Object&)) {
    if (n == 0) throw pf::FormatError("a positioning row names the part");
    const objects::Object* o = objects::find(ctx.tag_of(n));
    if (!o || !accept(*o)) throw pf::FormatError("a positioning row names an object of the wrong kind");
    return o->tag;
}

bool is_feature(const objects::Object& o) { return o.cls == OM_CLASS_FEATURE; }
bool is_expression(const objects::Object& o) { return o.cls == OM_CLASS_EXPRESSION; }
bool is_constraint(const objects::Object& o) { return o.cls == kConstraintClass; }
bool is_positioning(const objects::Object& o) { return is_constraint(o) || is_expression(o); }
bool is_any(const objects::Object& o) { return o.cls != OM_CLASS_PART; }

std::uint32_t count_in(pf::Reader& row, std::size_t bytes) {
    const std::uint32_t n = row.u32();
    if (n > row.left() / bytes) throw pf::FormatError("a positioning count beyond its row");
    return n;
}

void write_constraints(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (constraints.find(t) && objects::is_alive(t)) rows.push_back(t);
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Constraint& c = *constraints.find(t);
        if (number_of(ctx, c.feature) == kNone) return;
        std::vector<std::uint32_t> exps;
        for (tag_t e : c.exps)
            if (number_of(ctx, e) != kNone) exps.push_back(number_of(ctx, e));
        row.u32(number_of(ctx, c.feature));
        row.u32(number_of(ctx, c.target));
        row.u32(static_cast<std::uint32_t>(exps.size()));
        for (std::uint32_t n : exps) row.u32(n);
    });
}

void read_constraints(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Constraint>> rows;
    pf::read_rows(in, ctx, {"positioning constraint row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_constraint(objects::require(t))) throw pf::FormatError("a constraint row of no constraint");
        Constraint c;
        c.feature = object_numbered(ctx, row.u32(), is_feature);
        const std::uint32_t target = row.u32();
        if (target != kNone) c.target = object_numbered(ctx, target, is_any);
        for (std::uint32_t i = 0, n = count_in(row, 4); i < n; ++i)
            c.exps.push_back(object_numbered(ctx, row.u32(), is_expression));
        rows.emplace_back(t, std::move(c));
    });
    for (auto& [t, c] : rows) constraints[t] = std::move(c);
}

void write_positioning(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (positioning.find(t) && objects::is_alive(t)) rows.push_back(t);
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Positioning& p = *positioning.find(t);
        std::vector<std::pair<std::uint32_t, const std::string*>> kept;
        for (const auto& [o, d] : p.objects)
            if (number_of(ctx, o) != kNone) kept.emplace_back(number_of(ctx, o), &d);
        const std::uint32_t master = find(p.master) ? number_of(ctx, p.master) : kNone;
        if (kept.empty() && master == kNone) return;
        row.u32(static_cast<std::uint32_t>(kept.size()));
        for (const auto& [n, d] : kept) {
            row.u32(n);
            row.str(*d);
        }
        row.u32(master);
        row.i32(master == kNone ? 0 : p.row);
        row.i32(master == kNone ? 0 : p.column);
    });
}

void read_positioning(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Positioning>> rows;
    pf::read_rows(in, ctx, {"feature positioning row", 16, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(objects::require(t))) throw pf::FormatError("a positioning row of no feature");
        Positioning p;
        for (std::uint32_t i = 0, n = count_in(row, 8); i < n; ++i) {
            const tag_t o = object_numbered(ctx, row.u32(), is_positioning);
            p.objects.emplace_back(o, row.str());
        }
        const std::uint32_t master = row.u32();
        if (master != kNone) p.master = object_numbered(ctx, master, is_feature);
        p.row = row.i32();
        p.column = row.i32();
        rows.emplace_back(t, std::move(p));
    });
    for (auto& [t, p] : rows) positioning[t] = std::move(p);
}

//   "RDIM": one row per positioning dimension or link-face constraint:
//     i32 kind, u32 its tool object (kNone: the location),
//     f64 x 3 its direction, f64 the value measured, f64 the value built
void write_dimensions(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (dimensions.find(t) && constraints.find(t) && objects::is_alive(t)) rows.push_back(t);
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Dimension& d = *dimensions.find(t);
        row.i32(d.kind);
        row.u32(number_of(ctx, d.tool));
        for (double a : d.axis) row.f64(a);
        row.f64(d.base);
        row.f64(d.built);
    });
}

void read_dimensions(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Dimension>> rows;
    pf::read_rows(in, ctx, {"positioning dimension row", 48, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_constraint(objects::require(t))) throw pf::FormatError("a dimension row of no constraint");
        Dimension d;
        d.kind = row.i32();
        if (d.kind < 0 || d.kind > RPO_DIM_ANGLE) throw pf::FormatError("a dimension of no kind");
        const std::uint32_t tool = row.u32();
        if (tool != kNone) d.tool = object_numbered(ctx, tool, is_any);
        for (double& a : d.axis) a = row.f64();
        d.base = row.f64();
        d.built = row.f64();
        for (double v : {d.axis[0], d.axis[1], d.axis[2], d.base, d.built})
            if (!std::isfinite(v)) throw pf::FormatError("a dimension's number is not finite");
        rows.emplace_back(t, d);
    });
    if (!rows.empty()) model_state<DimensionCount>("positioning dimension count").n += static_cast<int>(rows.size());
    for (auto& [t, d] : rows) dimensions[t] = d;
}

const bool sections_registered =
    (pf::register_section({{'R', 'C', 'O', 'N'}, write_constraints, read_constraints}),
     pf::register_section({{'R', 'P', 'O', 'S'}, write_positioning, read_positioning}),
     pf::register_section({{'R', 'D', 'I', 'M'}, write_dimensions, read_dimensions}), true);

// ---- the geometry of dimensions ----------------------------------------------

double dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Frame {
    double x[3], y[3], z[3], o[3];
    void to_plane(const double q[3], double out[2]) const {
        const double d[3] = {q[0] - o[0], q[1] - o[1], q[2] - o[2]};
        out[0] = dot3(d, x);
        out[1] = dot3(d, y);
    }
};

// The frame of a planar face: origin on its plane, Z its outward normal, X
// the model's X laid onto the plane (else the model's Y).
Frame frame_of_face(const Call& call, tag_t face) {
    const int k = objects::is_alive(face) ? kernel::entity_of(face) : 0;
    if (k == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the link face is gone");
    int type = 0, sense = 0;
    double p[3], n[3], r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(k, &type, p, n, &r1, &r2, &sense);
    if (type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "the link face is not planar");
    Frame f{};
    const double s = sense < 0 ? -1 : 1;
    for (int i = 0; i < 3; ++i) {
        f.z[i] = n[i] * s;
        f.o[i] = p[i];
    }
    const double ax[3] = {1, 0, 0}, ay[3] = {0, 1, 0};
    const double* pick = std::fabs(dot3(ax, f.z)) < 0.99 ? ax : ay;
    const double k2 = dot3(pick, f.z);
    for (int i = 0; i < 3; ++i) f.x[i] = pick[i] - k2 * f.z[i];
    const double len = std::sqrt(dot3(f.x, f.x));
    for (double& v : f.x) v /= len;
    f.y[0] = f.z[1] * f.x[2] - f.z[2] * f.x[1];
    f.y[1] = f.z[2] * f.x[0] - f.z[0] * f.x[2];
    f.y[2] = f.z[0] * f.x[1] - f.z[1] * f.x[0];
    return f;
}

struct Side {
    double point[2] = {0, 0};
    double segment[4] = {0, 0, 0, 0};
    double third[2] = {0, 0};
    bool edge = false;
};

void finish_side(Side& s) {
    const double dx = s.segment[2] - s.segment[0], dy = s.segment[3] - s.segment[1];
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len > 1e-12) {
        s.third[0] = dx / len;
        s.third[1] = dy / len;
    }
}

// A side of a dimension: an edge's ends, a planar face's point nearest to
// `near`, or the point `near` itself (object 0).
Side side_of(const Call& call, const Frame& f, tag_t object, const double near[3], bool tool_side) {
    Side s;
    double n2[2];
    f.to_plane(near, n2);
    if (object == 0) {
        s.point[0] = s.segment[0] = s.segment[2] = n2[0];
        s.point[1] = s.segment[1] = s.segment[3] = n2[1];
        return s;
    }
    if (!objects::is_alive(object)) call.fail(FEAT_ERR_BAD_REFERENCE, "a reference of the dimension is gone");
    // A straight side: an edge, a line, or a centerline of the feature (from
    // the location along it); a point side: a point, an arc's centre, a
    // round feature's centerline (the location).
    double a[3], b[3], along[3];
    bool straight = false, point = false;
    const int entity_type = objects::require(object).type;
    if (centerline_direction(call, object, along)) {
        for (int i = 0; i < 3; ++i) {
            a[i] = near[i];
            b[i] = near[i] + along[i];
        }
        straight = dot3(along, along) > 0;
        point = !straight;
    } else if (ES_solid_is_a_edge(object)) {
        PX_edge_ask_vertices(object, a, b);
        straight = true;
    } else if (entity_type == HOST_TYPE_LINE) {
        ES_ask_coordinates_of_line(object, a, b);
        straight = true;
    } else if (entity_type == HOST_TYPE_POINT) {
        ES_ask_coordinates_of_point(object, a);
        point = true;
    } else if (entity_type == HOST_TYPE_ARC) {
        double data[6], m[9];
        ES_ask_data_of_arc(object, data);
        ES_ask_elements_of_matrix(CURVE_ask_matrix_of_entity(object), m);
        for (int i = 0; i < 3; ++i) a[i] = data[2] * m[i] + data[3] * m[3 + i] + data[4] * m[6 + i];
        point = true;
    }
    if (point) {
        f.to_plane(a, s.point);
        s.segment[0] = s.segment[2] = s.point[0];
        s.segment[1] = s.segment[3] = s.point[1];
        return s;
    }
    if (straight) {
        f.to_plane(a, &s.segment[0]);
        f.to_plane(b, &s.segment[2]);
        s.edge = true;
        finish_side(s);
        if (tool_side) {
            s.point[0] = s.segment[0];
            s.point[1] = s.segment[1];
        } else {
            // The point of the edge's line nearest to `near`.
            const double t = (n2[0] - s.segment[0]) * s.third[0] + (n2[1] - s.segment[1]) * s.third[1];
            s.point[0] = s.segment[0] + t * s.third[0];
            s.point[1] = s.segment[1] + t * s.third[1];
        }
        return s;
    }
    const int k = ES_solid_is_a_face(object) ? kernel::entity_of(object) : 0;
    int type = 0, sense = 0;
    double p[3] = {0, 0, 0}, n[3] = {0, 0, 0}, r1 = 0, r2 = 0;
    if (k != 0) ZQ_FACE_ask_data(k, &type, p, n, &r1, &r2, &sense);
    if (type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no edge or planar face", object);
    const double d[3] = {near[0] - p[0], near[1] - p[1], near[2] - p[2]};
    const double h = dot3(d, n);
    const double q[3] = {near[0] - h * n[0], near[1] - h * n[1], near[2] - h * n[2]};
    f.to_plane(q, s.point);
    s.segment[0] = s.segment[2] = s.point[0];
    s.segment[1] = s.segment[3] = s.point[1];
    return s;
}

// The feature's location now (its record's place with its dimensions).
void location_of(const Call& call, tag_t feature, double at[3]) {
    const form::Place p = form::place_of(call, require_feature(call, feature));
    for (int i = 0; i < 3; ++i) at[i] = p.at[i];
}

tag_t link_face_constraint(tag_t feature) {
    for (const auto& [t, d] : positioning_objects(feature))
        if (const Dimension* dim = dimensions.find(t); dim && dim->kind == 0 && constraints.find(t)) return t;
    return 0;
}

// Where the target side is measured from: the tool's first point when it
// is straight (an edge's or a line's start; a centerline starts at the
// location), else the location.
void tool_start(const Call& call, tag_t tool, bool straight, const double at[3], double near[3]) {
    double a[3], b[3], along[3];
    std::copy(at, at + 3, near);
    if (tool == 0 || !straight || centerline_direction(call, tool, along)) return;
    if (ES_solid_is_a_edge(tool)) PX_edge_ask_vertices(tool, a, b);
    else ES_ask_coordinates_of_line(tool, a, b);
    std::copy(a, a + 3, near);
}

// Both sides of a dimension in its feature's link frame.
void sides_of(const Call& call, tag_t constraint, Side* target, Side* tool) {
    const Constraint& c = require_constraint(call, constraint);
    const Dimension* d = dimensions.find(constraint);
    if (!d || d->kind == 0) call.fail(HOST_ERR_WRONG_CLASS, "constraint %u is no dimension", constraint);
    const tag_t link = link_face_constraint(c.feature);
    if (link == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature has no link face");
    const Frame f = frame_of_face(call, constraints.find(link)->target);
    double at[3];
    location_of(call, c.feature, at);
    *tool = side_of(call, f, d->tool, at, true);
    double near[3];
    tool_start(call, d->tool, tool->edge, at, near);
    *target = side_of(call, f, c.target, near, false);
}

const char* descriptor_of(int kind) {
    switch (kind) {
        case RPO_DIM_HORIZONTAL: return "Horizontal";
        case RPO_DIM_VERTICAL: return "Vertical";
        case RPO_DIM_PARALLEL: return "Parallel";
        case RPO_DIM_PERPENDICULAR: return "Perpendicular";
        case RPO_DIM_PARALLEL_EDGE: return "Parallel at a Distance";
        case RPO_DIM_ANGLE: return "Angle";
        default: return nullptr;
    }
}

// The value a dimension of the kind measures between the sides, and the
// direction (in the plane) in which a larger value moves the tool.
double measure(const Call& call, int kind, const Side& target, const Side& tool, double dir[2]) {
    dir[0] = dir[1] = 0;
    const double dx = tool.point[0] - target.point[0], dy = tool.point[1] - target.point[1];
    const auto sign = [](double v) { return v < 0 ? -1.0 : 1.0; };
    switch (kind) {
        case RPO_DIM_HORIZONTAL: dir[0] = sign(dx); return std::fabs(dx);
        case RPO_DIM_VERTICAL: dir[1] = sign(dy); return std::fabs(dy);
        case RPO_DIM_PARALLEL: {
            const double len = std::sqrt(dx * dx + dy * dy);
            if (len < 1e-9) call.fail(FEAT_ERR_BAD_REFERENCE, "the dimension's points coincide");
            dir[0] = dx / len;
            dir[1] = dy / len;
            return len;
        }
        case RPO_DIM_PERPENDICULAR:
            // To a face: straight from its nearest point.
            if (!target.edge) return measure(call, RPO_DIM_PARALLEL, target, tool, dir);
            [[fallthrough]];
        case RPO_DIM_PARALLEL_EDGE: {
            if (!target.edge || (target.third[0] == 0 && target.third[1] == 0))
                call.fail(FEAT_ERR_BAD_REFERENCE, "the target of the dimension is no straight edge");
            if (kind == RPO_DIM_PARALLEL_EDGE && !tool.edge)
                call.fail(FEAT_ERR_BAD_REFERENCE, "the tool of the dimension is no edge");
            const double n[2] = {-target.third[1], target.third[0]};
            const double d = (tool.point[0] - target.segment[0]) * n[0] + (tool.point[1] - target.segment[1]) * n[1];
            dir[0] = sign(d) * n[0];
            dir[1] = sign(d) * n[1];
            return std::fabs(d);
        }
        case RPO_DIM_ANGLE: {
            if (!target.edge || !tool.edge || (target.third[0] == 0 && target.third[1] == 0) ||
                (tool.third[0] == 0 && tool.third[1] == 0))
                call.fail(FEAT_ERR_BAD_REFERENCE, "an angle needs two straight edges");
            const double c = target.third[0] * tool.third[0] + target.third[1] * tool.third[1];
            return std::acos(std::clamp(std::fabs(c), 0.0, 1.0)) * 180 / 3.14159265358979323846;
        }
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "no dimension kind %d", kind);
    }
}

double value_of(tag_t constraint) {
    const Constraint* c = constraints.find(constraint);
    return c && !c->exps.empty() && expr::find(c->exps[0]) ? expr::value(c->exps[0]) : 0;
}

}  // namespace

tag_t add_constraint(tag_t feature, const std::string& descriptor, tag_t target, const std::vector<tag_t>& exps) {
    const Call call("host::feature::add_constraint", nullptr);
    require_feature(call, feature);
    if (target != 0) call.live(target);
    const tag_t part = objects::require(feature).part;
    for (tag_t e : exps)
        if (!expr::find(e) || objects::require(e).part != part)
            call.fail(EXP_ERR_NOT_FOUND, "tag %u is no expression of the feature's part", e);
    const tag_t t = objects::create({kConstraintClass, 0, 0, part, descriptor});
    constraints[t] = Constraint{feature, target, exps};
    positioning[feature].objects.emplace_back(t, descriptor);
    return t;
}

tag_t add_kept_value(tag_t feature, const std::string& descriptor, const std::string& formula) {
    const Call call("host::feature::add_kept_value", nullptr);
    require_feature(call, feature);
    tag_t exp = 0;
    if (int code = expr::create_system(objects::require(feature).part, formula, &exp, true))
        call.fail(code, "the kept value %s cannot be made", formula.c_str());
    positioning[feature].objects.emplace_back(exp, descriptor);
    return exp;
}

void make_instance(tag_t feature, tag_t master, int row, int column) {
    const Call call("host::feature::make_instance", nullptr);
    require_feature(call, feature);
    require_feature(call, master);
    Positioning& p = positioning[feature];
    p.master = master;
    p.row = row;
    p.column = column;
}

std::vector<std::pair<tag_t, std::string>> positioning_objects(tag_t feature) {
    std::vector<std::pair<tag_t, std::string>> out;
    if (const Positioning* p = positioning.find(feature))
        for (const auto& [t, d] : p->objects)
            if (objects::is_alive(t)) out.emplace_back(t, d);
    return out;
}

bool positioning_uses(tag_t feature, tag_t exp) {
    for (const auto& [t, d] : positioning_objects(feature)) {
        if (t == exp) return true;
        const Constraint* c = constraints.find(t);
        if (c && std::find(c->exps.begin(), c->exps.end(), exp) != c->exps.end()) return true;
    }
    return false;
}

void positioning_offset(const Record& r, double offset[3]) {
    offset[0] = offset[1] = offset[2] = 0;
    if (dimension_count() == 0 || r.exps.empty()) return;
    for (tag_t f : features_using(r.exps[0])) {
        const Record* owner = find(f);
        if (!owner || owner->exps != r.exps) continue;
        for (const auto& [t, desc] : positioning_objects(f)) {
            const Dimension* d = dimensions.find(t);
            if (!d || d->kind == 0 || d->kind == RPO_DIM_ANGLE) continue;
            const double by = d->built - d->base;
            for (int i = 0; i < 3; ++i) offset[i] += by * d->axis[i];
        }
    }
}

bool positioning_moved(tag_t feature) {
    if (dimension_count() == 0) return false;
    for (const auto& [t, desc] : positioning_objects(feature))
        if (const Dimension* d = dimensions.find(t); d && d->kind != 0 && value_of(t) != d->built) return true;
    return false;
}

void positioning_settle(tag_t feature) {
    if (dimension_count() == 0) return;
    for (const auto& [t, desc] : positioning_objects(feature))
        if (const Dimension* d = dimensions.find(t); d && d->kind != 0 && value_of(t) != d->built)
            dimensions.edit(t)->built = value_of(t);
}

}  // namespace host::feature

namespace hf = host::feature;

host::TagTable<hf::DimQualifiers>& hf::dimension_qualifiers() { return qualifiers; }

extern "C" {

int RPO_ask_exp_desc_of_frec(unsigned int feature, int* count, char*** descriptors, void*** objects) {
    auto call = HOST_ENTRY(feature, count, descriptors, objects);
    call.need(count, "the count output");
    call.need(descriptors, "the descriptors output");
    call.need(objects, "the objects output");
    hf::require_feature(call, feature);
    std::vector<std::pair<unsigned int, std::string>> found;
    for (const auto& [t, d] : hf::positioning_objects(feature))
        if (const hf::Constraint* c = hf::constraints.find(t))
            for (unsigned int e : c->exps)
                if (host::expr::find(e)) found.emplace_back(e, d);
    std::vector<std::string> texts;
    for (const auto& [e, d] : found) texts.push_back(d);
    host::memory::Handout out;
    char** const descriptor_texts = out.texts(texts);
    void** const pointers = out.pointers(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) pointers[i] = TAG_ask_pointer_of_tag(found[i].first);
    out.done();
    *count = static_cast<int>(found.size());
    *descriptors = descriptor_texts;
    *objects = pointers;
    return 0;
}

unsigned int RPO_ask_constraint_target(unsigned int constraint) {
    auto call = HOST_ENTRY(constraint);
    const unsigned int target = hf::require_constraint(call, constraint).target;
    return host::objects::is_alive(target) ? target : 0;
}

void extract_system_exp_from_parm_constraint(unsigned int constraint, int set) {
    auto call = HOST_ENTRY(constraint, set);
    for (unsigned int e : hf::require_constraint(call, constraint).exps)
        if (host::expr::find(e)) OM_add_to_set(set, e);
}

int ISET_ask_instance_position(unsigned int feature, int* row, int* column) {
    auto call = HOST_ENTRY(feature, row, column);
    call.need(row, "the row output");
    call.need(column, "the column output");
    *row = *column = 0;
    hf::require_feature(call, feature);
    const hf::Positioning* p = hf::positioning.find(feature);
    if (!p || !hf::find(p->master)) return 0;
    *row = p->row;
    *column = p->column;
    return 1;
}

int RPO_create_dimension(unsigned int feature, int kind, unsigned int target, unsigned int tool, const char* formula,
                         unsigned int* constraint) {
    auto call = HOST_ENTRY(feature, kind, target, tool);
    int scripted = 0;
    if (call.status(scripted)) return scripted;
    call.need(constraint, "the constraint output");
    *constraint = 0;
    const hf::Record& r = hf::require_feature(call, feature);
    const char* descriptor = hf::descriptor_of(kind);
    if (!descriptor) call.fail(HOST_ERR_BAD_ARGUMENT, "no dimension kind %d", kind);
    const hf::form::Place place = hf::form::place_of(call, r);
    if (!place.on_face || r.refs.empty()) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature is placed on no face");
    const unsigned int face = host::kernel::object_of(r.refs[0]);
    const auto own = [&](unsigned int o, bool made_by_feature) {
        call.live(o);
        if (!ES_solid_is_a_face(o) && !ES_solid_is_a_edge(o))
            call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face or edge", o);
        if (ES_solid_ask_body(o) != r.body) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is not of the body", o);
        (void)made_by_feature;
    };
    own(target, false);
    if (tool != 0) own(tool, true);
    // Measure the sides as they are now.
    const hf::Frame f = hf::frame_of_face(call, face);
    hf::Side tool_side = hf::side_of(call, f, tool, place.at, true);
    double near[3] = {place.at[0], place.at[1], place.at[2]};
    if (tool != 0 && tool_side.edge) {
        double b[3];
        PX_edge_ask_vertices(tool, near, b);
    }
    const hf::Side target_side = hf::side_of(call, f, target, near, false);
    double dir[2];
    const double base = hf::measure(call, kind, target_side, tool_side, dir);
    std::string text;
    if (formula) {
        text = formula;
    } else {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", base);
        text = buf;
    }
    unsigned int exp = 0;
    const unsigned int part = host::objects::require(feature).part;
    if (int code = host::expr::create_system(part, text, &exp)) return code;
    if (hf::link_face_constraint(feature) == 0) {
        const unsigned int link = hf::add_constraint(feature, "Link Face", face, {});
        hf::dimensions[link] = hf::Dimension{};
    }
    const unsigned int c = hf::add_constraint(feature, descriptor, target, {exp});
    hf::Dimension d;
    d.kind = kind;
    d.tool = tool;
    for (int i = 0; i < 3; ++i) d.axis[i] = dir[0] * f.x[i] + dir[1] * f.y[i];
    d.base = d.built = base;
    hf::dimensions[c] = d;
    host::model_state<hf::DimensionCount>("positioning dimension count").n += 1;
    *constraint = c;
    return 0;
}

void RPO_ask_constraints(unsigned int feature, int* count, unsigned int** out) {
    auto call = HOST_ENTRY(feature, count, out);
    call.need(count, "the count output");
    call.need(out, "the constraints output");
    hf::require_feature(call, feature);
    std::vector<unsigned int> found;
    for (const auto& [t, d] : hf::positioning_objects(feature))
        if (hf::constraints.find(t)) found.push_back(t);
    *count = static_cast<int>(found.size());
    *out = nullptr;
    if (found.empty()) return;
    *out = static_cast<unsigned int*>(SM_alloc(found.size() * sizeof(unsigned int)));
    std::copy(found.begin(), found.end(), *out);
}

const char* RPO_ask_constraint_class(unsigned int constraint) {
    auto call = HOST_ENTRY(constraint);
    hf::require_constraint(call, constraint);
    const hf::Dimension* d = hf::dimensions.find(constraint);
    if (!d) return nullptr;
    return d->kind == 0 ? RPO_LINK_FACE_CLASS_NAME : RPO_DIM_CLASS_NAME;
}

void RPO_ask_dimension(unsigned int constraint, int* kind, unsigned int* exp, unsigned int* target, unsigned int* tool,
                       int side_flags[2]) {
    auto call = HOST_ENTRY(constraint, kind, exp, target);
    for (const void* out :
         {static_cast<const void*>(kind), static_cast<const void*>(exp), static_cast<const void*>(target),
          static_cast<const void*>(tool), static_cast<const void*>(side_flags)})
        call.need(out, "an output");
    const hf::Constraint& c = hf::require_constraint(call, constraint);
    const hf::Dimension* d = hf::dimensions.find(constraint);
    if (!d) call.fail(HOST_ERR_WRONG_CLASS, "constraint %u has no dimension record", constraint);
    *kind = d->kind;
    *exp = !c.exps.empty() && host::expr::find(c.exps[0]) ? c.exps[0] : 0;
    *target = host::objects::is_alive(c.target) ? c.target : 0;
    *tool = host::objects::is_alive(d->tool) ? d->tool : 0;
    side_flags[0] = 0;
    side_flags[1] = 1;
}

unsigned int rpo_ask_link_face_constraint(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    hf::require_feature(call, feature);
    return hf::link_face_constraint(feature);
}

void rpo_ask_face1_csys(unsigned int constraint, double frame[12]) {
    auto call = HOST_ENTRY(constraint, frame);
    call.need(frame, "the frame output");
    const hf::Constraint& c = hf::require_constraint(call, constraint);
    const hf::Dimension* d = hf::dimensions.find(constraint);
    if (!d || d->kind != 0) call.fail(HOST_ERR_WRONG_CLASS, "constraint %u is no link-face constraint", constraint);
    const hf::Frame f = hf::frame_of_face(call, c.target);
    for (int i = 0; i < 3; ++i) {
        frame[i] = f.x[i];
        frame[3 + i] = f.y[i];
        frame[6 + i] = f.z[i];
        frame[9 + i] = f.o[i];
    }
}

void RPO_get_dim_geometry(unsigned int constraint, int side, double point[2], double segment[4], double third[2],
                          int* status) {
    auto call = HOST_ENTRY(constraint, side, point, status);
    call.need(status, "the status output");
    call.need(point, "the point output");
    call.need(segment, "the segment output");
    call.need(third, "the third output");
    *status = 0;
    if (side != 0 && side != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no side %d", side);
    hf::Side target, tool;
    *status = hf::caught([&] { hf::sides_of(call, constraint, &target, &tool); });
    if (*status != 0) return;
    const hf::Side& s = side == 0 ? target : tool;
    for (int i = 0; i < 2; ++i) point[i] = s.point[i];
    for (int i = 0; i < 4; ++i) segment[i] = s.segment[i];
    for (int i = 0; i < 2; ++i) third[i] = s.third[i];
}

unsigned int ISET_ask_initial_master_of_ins(unsigned int instance) {
    auto call = HOST_ENTRY(instance);
    hf::require_feature(call, instance);
    const hf::Positioning* p = hf::positioning.find(instance);
    return p && hf::find(p->master) ? p->master : 0;
}

unsigned int RPO_ask_frec_of_rpo_dim(unsigned int constraint) {
    [[maybe_unused]] auto call = HOST_ENTRY(constraint);
    const hf::Constraint* c = host::objects::is_alive(constraint) ? hf::constraints.find(constraint) : nullptr;
    return c && hf::find(c->feature) ? c->feature : 0;
}

void RPO_set_dim_references(unsigned int constraint, unsigned int tool_ref, unsigned int tool_entity,
                            const int tool_pair[2], unsigned int target_ref, unsigned int target_entity,
                            const int target_pair[2], const double matrix[16]) {
    auto call = HOST_ENTRY(constraint, tool_ref, target_ref, target_entity);
    call.need(tool_pair, "the tool qualifiers");
    call.need(target_pair, "the target qualifiers");
    call.need(matrix, "the matrix");
    const hf::Constraint& c = hf::require_constraint(call, constraint);
    const hf::Dimension* d = hf::dimensions.find(constraint);
    if (!d || d->kind == 0) call.fail(HOST_ERR_WRONG_CLASS, "constraint %u is no dimension", constraint);
    const auto object_of_ref = [&](unsigned int ref, unsigned int plain) -> unsigned int {
        if (ref == 0) return plain;
        unsigned int o = FREF_ask_face_of_fref(ref);
        if (o == 0) o = EREF_ask_edge_of_eref(ref);
        if (o == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u names no face or edge", ref);
        return o;
    };
    const unsigned int target = object_of_ref(target_ref, target_entity);
    const unsigned int tool = object_of_ref(tool_ref, tool_entity);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the dimension needs a target");
    const hf::Record& r = hf::require_feature(call, c.feature);
    const unsigned int link_face = hf::link_face_constraint(c.feature);
    if (link_face == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature has no link face");
    const hf::Frame f = hf::frame_of_face(call, hf::constraints.find(link_face)->target);
    // Where the feature stands without this dimension's own move.
    const hf::form::Place place = hf::form::place_of(call, r);
    double at[3];
    for (int i = 0; i < 3; ++i) at[i] = place.at[i] - (d->built - d->base) * d->axis[i];
    const hf::Side tool_side = hf::side_of(call, f, tool, at, true);
    double near[3];
    hf::tool_start(call, tool, tool_side.edge, at, near);
    const hf::Side target_side = hf::side_of(call, f, target, near, false);
    double dir[2];
    const double base = hf::measure(call, d->kind, target_side, tool_side, dir);
    hf::Dimension nd = *d;
    nd.tool = tool;
    for (int i = 0; i < 3; ++i) nd.axis[i] = dir[0] * f.x[i] + dir[1] * f.y[i];
    nd.base = nd.built = base;
    *hf::dimensions.edit(constraint) = nd;
    hf::constraints.edit(constraint)->target = target;
    hf::Qualifiers& q = hf::qualifiers[constraint];
    q.pairs[0] = tool_pair[0];
    q.pairs[1] = tool_pair[1];
    q.pairs[2] = target_pair[0];
    q.pairs[3] = target_pair[1];
}

void RPO_ask_dim_qualifiers(unsigned int constraint, int tool_pair[2], int target_pair[2]) {
    auto call = HOST_ENTRY(constraint);
    call.need(tool_pair, "the tool qualifiers");
    call.need(target_pair, "the target qualifiers");
    hf::require_constraint(call, constraint);
    const hf::Qualifiers* q = hf::qualifiers.find(constraint);
    const hf::Qualifiers none;
    if (!q) q = &none;
    tool_pair[0] = q->pairs[0];
    tool_pair[1] = q->pairs[1];
    target_pair[0] = q->pairs[2];
    target_pair[1] = q->pairs[3];
}

}  // extern "C"
