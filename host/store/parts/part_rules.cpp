// What a part may hold (see part_rules.h).
#include "host/store/parts/part_rules.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/numeric/conics.h"
#include "host/numeric/linalg.h"
#include "host/base/services/objects.h"

namespace host::part_rules {
namespace {

namespace hc = host::curves;

// The type that expressions carry.
constexpr int kExpressionType = 65536;
// Subtypes of views: the drawing's view kinds.
constexpr int kLastViewSubtype = 9;

// The kinds of object the store's own creators make, with the sections that
// keep what their objects hold (services above the store register theirs
// with register_known_kind). Light-weight occurrences take the kinds of
// model entities.
constexpr Kind kKinds[] = {
    {OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, 0, "ENTS CRVS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, 0, "ENTS CRVS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_ARC, 0, 0, "ENTS CRVS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_CONIC, HOST_CONIC_ELLIPSE, HOST_CONIC_HYPERBOLA, "ENTS CRVS"},
    {OM_CLASS_RM_ENTITY, CURVE_SPLINE, 0, 0, "ENTS CRVS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_CATEGORY, 0, 0, "ENTS LAYC"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_BOUNDARY, 0, 0, "ENTS BNDY"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_CSYS, 0, 0, "ENTS CSYS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_MATRIX, 0, 0, "ENTS CSYS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_VIEW, 0, kLastViewSubtype, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_DRAWING, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_COMPONENT, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_REFSET, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, HOST_SUBTYPE_BODY, HOST_SUBTYPE_BODY, "ENTS KBDY"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, HOST_SUBTYPE_FACE, HOST_SUBTYPE_EDGE, "ENTS KBDY CRVS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_SKETCH, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_DRAFTING, 0, 0, "ENTS"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_PLANE, 0, 0, "ENTS DIRN"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_DATUM_AXIS, 0, 0, "ENTS DIRN"},
    {OM_CLASS_RM_ENTITY, HOST_TYPE_DATUM_PLANE, 0, 0, "ENTS DIRN"},
    {OM_CLASS_FEATURE, HOST_TYPE_FEATURE, 0, 0, "FEAT"},
    {OM_CLASS_EXPRESSION, kExpressionType, 0, 0, "EXPR"},
};

constexpr int kEdgeSubtype = HOST_SUBTYPE_EDGE;
constexpr int kBodySubtype = HOST_SUBTYPE_BODY;

// Limits of the curve creators.
constexpr double kLengthSquaredTolerance = 1e-12;     // the modeller's length tolerance, squared
constexpr double kArcMinimum = 1e-6;                  // radius and sweep of an arc
constexpr double kArcSweepBound = 6.283185307279586;  // a turn and a little slack
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kEllipseSlack = 1e-11;      // an ellipse's sweep beyond a turn
constexpr double kSmallestSemiAxis = 1e-10;  // a hyperbola's k2, a parabola's k1
// tan(pi / 2) in doubles, and a little slack: a hyperbola's end at an
// asymptote's angle lies at v = k2 tan(pi / 2).
constexpr double kAsymptote = 1.7e16;
constexpr double kRotationSlack = 1e-9;

bool finite(const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

bool is_type(tag_t t, int type) {
    const objects::Object* o = objects::find(t);
    return o && o->type == type;
}

// A reference of `object` must name a live object of its part other than
// itself and the part.
bool reference_ok(tag_t object, tag_t ref, tag_t part) {
    const objects::Object* o = objects::find(ref);
    return o && ref != object && ref != part && o->part == part;
}

const char* conic_rule(const hc::Entity& e, int subtype) {
    const double* v = e.conic();
    if (!finite(v, CONIC_VALUE_COUNT)) return "a conic value is not finite";
    if (e.conic_type != subtype) return "a conic of another type than its object";
    const double s = v[CONIC_V_SIN], c = v[CONIC_V_COS];
    if (!(std::fabs(s * s + c * c - 1) <= kRotationSlack)) return "a conic's rotation is no rotation";
    const double start = v[CONIC_V_START], end = v[CONIC_V_END], k1 = v[CONIC_V_K1], k2 = v[CONIC_V_K2];
    switch (e.conic_type) {
        case HOST_CONIC_ELLIPSE:
            if (!(start >= 0 && start <= kTwoPi && end >= start && end - start <= kTwoPi + kEllipseSlack))
                return "an ellipse's range";
            if (!(k1 > 0 && k2 > 0)) return "an ellipse's semi-axes";
            break;
        case HOST_CONIC_HYPERBOLA:
            if (k1 == 0 || !(std::fabs(k2) > kSmallestSemiAxis)) return "a hyperbola's semi-axes";
            if (!(std::fabs(start / k2) <= kAsymptote && std::fabs(end / k2) <= kAsymptote))
                return "a hyperbola's range beyond its asymptotes";
            if (std::atan(end / k2) < std::atan(start / k2)) return "a hyperbola's range runs backwards";
            break;
        case HOST_CONIC_PARABOLA:
            if (!(std::fabs(k1) > kSmallestSemiAxis)) return "a parabola's focal value";
            break;
        default: return "an unknown conic type";
    }
    // The creator refuses conics whose end points are not finite.
    for (double t : {start, end}) {
        double p[3];
        hostnum::conic_point(v, e.conic_type, t, p);
        if (!finite(p, 3)) return "a conic's end point is not finite";
    }
    return nullptr;
}

// The rule that the curve data of an object break, or null.
const char* curve_rule(const objects::Object& o, const hc::Entity* e, bool occurrence) {
    const bool edge = o.type == HOST_TYPE_SOLID && o.subtype == kEdgeSubtype;
    hc::Kind want;
    switch (o.type) {
        case HOST_TYPE_POINT: want = hc::Kind::point; break;
        case HOST_TYPE_LINE: want = hc::Kind::line; break;
        case HOST_TYPE_ARC: want = hc::Kind::arc; break;
        case HOST_TYPE_CONIC: want = hc::Kind::conic; break;
        case CURVE_SPLINE: want = hc::Kind::other; break;
        default:
            // A solid-kernel edge may carry a line, an arc or another curve.
            if (!e) return nullptr;
            if (!edge) return "curve data on an object that has no curve";
            if (e->kind == hc::Kind::point || e->kind == hc::Kind::conic) return "an edge with a point or conic";
            want = e->kind;
            break;
    }
    if (!e) return occurrence ? nullptr : "a curve object without curve data";
    if (e->kind != want) return "curve data of another kind than its object";
    if ((e->kind == hc::Kind::arc || e->kind == hc::Kind::conic) && e->matrix != 0 &&
        (!reference_ok(o.tag, e->matrix, o.part) || !is_type(e->matrix, HOST_TYPE_MATRIX)))
        return "a curve's matrix is no matrix of its part";
    switch (e->kind) {
        case hc::Kind::point: return finite(e->point, 3) ? nullptr : "a point is not finite";
        case hc::Kind::line: {
            if (!finite(e->start(), 3) || !finite(e->end(), 3)) return "a line is not finite";
            double d = 0;
            for (int i = 0; i < 3; ++i) d += (e->end()[i] - e->start()[i]) * (e->end()[i] - e->start()[i]);
            return d > kLengthSquaredTolerance ? nullptr : "a line without length";
        }
        case hc::Kind::arc: {
            const double* a = e->arc();
            if (!finite(a, 6)) return "an arc is not finite";
            const double sweep = a[1] - a[0];
            if (!(sweep > kArcMinimum && sweep <= kArcSweepBound)) return "an arc's range";
            return std::fabs(a[5]) > kArcMinimum ? nullptr : "an arc's radius";
        }
        case hc::Kind::conic: return conic_rule(*e, o.subtype);
        case hc::Kind::other:
            if (!e->other() || hostnum::curve_check(e->other()->record()) != hostnum::CurveError::ok)
                return "a curve that defines no curve";
            return o.type != CURVE_SPLINE || e->other()->record().type == CURVE_SPLINE
                       ? nullptr
                       : "a spline object without a spline";
    }
    return nullptr;
}

// The rule that the values of a matrix or coordinate system break, or null:
// a matrix is orthonormal, as the matrix creator requires; an origin is
// finite and a coordinate system's matrix a matrix of its part.
const char* frame_rule(const objects::Object& o) {
    if (o.type == HOST_TYPE_MATRIX) {
        double m[9];
        ES_ask_elements_of_matrix(o.tag, m);
        return finite(m, 9) && MTX3_is_ortho_normal(m) ? nullptr : "a matrix that is not orthonormal";
    }
    if (o.type == HOST_TYPE_CSYS) {
        double origin[3];
        ES_ask_csys_origin(o.tag, origin);
        if (!finite(origin, 3)) return "an origin that is not finite";
        unsigned int matrix = 0;
        ES_ask_matrix_tag_of_entity(o.tag, &matrix);
        if (matrix != 0 && (!reference_ok(o.tag, matrix, o.part) || !is_type(matrix, HOST_TYPE_MATRIX)))
            return "a coordinate system's matrix is no matrix of its part";
    }
    return nullptr;
}

// The rule that the entity-store row of an object breaks, or null.
const char* row_rule(const objects::Object& o, const entity::Attrs& a) {
    static const entity::Rare none;
    const entity::Rare* r = entity::find_rare(o.tag);
    if (!r) r = &none;
    if (!finite(r->location, 3)) return "a name location is not finite";
    if (a.owner != 0) {
        if (!reference_ok(o.tag, a.owner, o.part)) return "an owner that is no other object of the part";
        const objects::Object& owner = objects::require(a.owner);
        if (owner.type != HOST_TYPE_SOLID || owner.subtype != kBodySubtype) return "an owner that is no body";
    }
    for (tag_t v : r->views)
        if (!reference_ok(o.tag, v, o.part) || !is_type(v, HOST_TYPE_VIEW)) return "a view that is no view of the part";
    if (!r->members.empty()) {
        const bool holder = o.type == HOST_TYPE_GROUP || o.type == HOST_TYPE_SKETCH || o.type == HOST_TYPE_DRAWING ||
                            (o.type == HOST_TYPE_SOLID && o.subtype == kBodySubtype);
        if (!holder) return "members of an object that holds none";
        for (tag_t m : r->members)
            if (!reference_ok(o.tag, m, o.part)) return "a member that is no other object of the part";
    }
    return nullptr;
}

// True when the members of the holders (the objects with members, in the
// part's order) form a cycle.
bool members_cycle(const std::vector<tag_t>& objects) {
    enum class Mark { none, open, done };
    std::unordered_map<tag_t, Mark> mark;
    // Iterative depth-first search: a file may nest members deeply.
    for (tag_t root : objects) {
        // Only holders start a cycle (and only they get marks as roots).
        if (entity::members_of(root).empty()) continue;
        if (mark[root] != Mark::none) continue;
        std::vector<std::pair<tag_t, std::size_t>> stack{{root, 0}};
        mark[root] = Mark::open;
        while (!stack.empty()) {
            auto& [t, next] = stack.back();
            const std::vector<tag_t>& members = entity::members_of(t);
            if (next < members.size()) {
                const tag_t m = members[next++];
                Mark& mm = mark[m];
                if (mm == Mark::open) return true;
                if (mm == Mark::none) {
                    mm = Mark::open;
                    stack.emplace_back(m, 0);
                }
                continue;
            }
            mark[t] = Mark::done;
            stack.pop_back();
        }
    }
    return false;
}

}  // namespace

namespace {
std::vector<Kind>& registered_kinds() {
    static std::vector<Kind> kinds;
    return kinds;
}
}  // namespace

std::vector<Kind> kinds() {
    std::vector<Kind> all(std::begin(kKinds), std::end(kKinds));
    all.insert(all.end(), registered_kinds().begin(), registered_kinds().end());
    return all;
}

bool known_kind(int cls, int type, int subtype) {
    if (cls == OM_CLASS_OCC_LW) cls = OM_CLASS_RM_ENTITY;
    const auto match = [&](const Kind& k) {
        return k.cls == cls && k.type == type && subtype >= k.first_subtype && subtype <= k.last_subtype;
    };
    return std::any_of(std::begin(kKinds), std::end(kKinds), match) ||
           std::any_of(registered_kinds().begin(), registered_kinds().end(), match);
}

void register_known_kind(int cls, int type, int first_subtype, int last_subtype, const char* kept_by) {
    registered_kinds().push_back({cls, type, first_subtype, last_subtype, kept_by ? kept_by : ""});
}

const char* unkept(int cls, int type, int subtype, std::string_view name) {
    if (!known_kind(cls, type, subtype)) return "an object of a kind that is never made";
    if (!valid_name(name)) return "an object's name";
    return nullptr;
}

namespace {
std::vector<const char* (*)(tag_t)>& registered_rules() {
    static std::vector<const char* (*)(tag_t)> rules;
    return rules;
}
}  // namespace

void register_rule(const char* (*rule)(tag_t part)) { registered_rules().push_back(rule); }

bool valid_name(std::string_view name) {
    if (name.size() > kMaxObjectName) return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

const char* broken_rule(tag_t part) {
    const objects::Object* p = objects::find(part);
    if (!p || !objects::part_info(part)) return "no live part";
    if (p->eid == 0 || p->eid == kReservedEid) return "the part's entity id";
    const std::vector<tag_t> objects = objects::objects_of_part(part);
    // Entity ids given twice are found by sorting (a hash set per object
    // would cost more than the rest of the checks); the holders of members
    // are noted on the way for the search for cycles.
    std::vector<std::uint32_t> eids;
    eids.reserve(objects.size());
    std::vector<tag_t> holders;
    for (tag_t t : objects) {
        const objects::Object& o = objects::require(t);
        if (const char* rule = unkept(o.cls, o.type, o.subtype, o.name)) return rule;
        if (o.eid == 0 || o.eid == kReservedEid) return "an object's entity id";
        eids.push_back(o.eid);
        const entity::Attrs* a = entity::find(t);
        if (a) {
            if (const char* rule = row_rule(o, *a)) return rule;
            if (!entity::members_of(t).empty()) holders.push_back(t);
        }
        const bool occurrence = o.cls == OM_CLASS_OCC_LW || (a && a->occurrence);
        if (const char* rule = curve_rule(o, hc::find(t), occurrence)) return rule;
        if (const char* rule = frame_rule(o)) return rule;
    }
    if (const entity::Attrs* a = entity::find(part)) {
        const entity::Rare* r = entity::find_rare(part);
        if (r && (!r->members.empty() || !r->views.empty())) return "the part refers to objects";
        if (a->owner != 0) return "the part refers to objects";
        if (r && !finite(r->location, 3)) return "a name location is not finite";
    }
    // Ids read from a file ascend: the sort is then a pass.
    if (!std::is_sorted(eids.begin(), eids.end())) std::sort(eids.begin(), eids.end());
    if (std::adjacent_find(eids.begin(), eids.end()) != eids.end() ||
        std::binary_search(eids.begin(), eids.end(), p->eid))
        return "an object's entity id";
    if (members_cycle(holders)) return "members that hold each other";
    for (const auto rule : registered_rules())
        if (const char* broken = rule(part)) return broken;
    return nullptr;
}

}  // namespace host::part_rules
