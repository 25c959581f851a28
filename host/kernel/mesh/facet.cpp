// The facet service (facet.h): facetted models as rows of a model table.
#include "host/kernel/mesh/facet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/kernel/mesh/facet_mesh.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
using Point = std::array<double, 3>;

constexpr double kSame = 1e-9;  // points closer than this are one vertex
constexpr double kFlat = 1e-9;  // distance from a plane that counts as on it

struct Facet {
    std::vector<int> vertices;  // empty: deleted
    std::vector<int> normals;   // -1: none
    std::vector<std::array<double, 2>> params;
    std::vector<int> adjacent;  // per edge, -1: none
    int face = -1;
};

struct Model {
    tag_t part = 0;
    bool single = false;
    std::vector<Point> points, normals;
    std::vector<Facet> facets;
    std::vector<tag_t> faces;  // face id -> solid face object
    tag_t definition = 0;      // the solid body (object)
    const void* built_from = nullptr;
    FACET_parms_t parms{};
    bool has_box = false;
    double box[6] = {};
};

host::TagTable<Model>& models() {
    static auto* t = new host::TagTable<Model>("facet models");  // lives as long as the process
    return *t;
}

// The faceting parameters of each part (model state).
struct PartParms {
    std::map<tag_t, FACET_parms_t> by_part;
};
PartParms& part_parms() { return host::model_state<PartParms>("faceting parameters"); }
const bool registered = (models(), part_parms(), true);

OM_class_t model_class() {
    static const OM_class_t c = host::objects::register_class("FACET_topology_c", OM_CLASS_RM_ENTITY);
    return c;
}

FACET_parms_t default_parms() {
    FACET_parms_t p{};
    p.limit_count = 3;
    p.max_length = 1000;
    p.option_1 = 1;
    p.precision_kind = 1;
    p.direction[2] = 1;
    return p;
}

// The model of a tag: the prototype's for an occurrence.
tag_t resolve(tag_t model) {
    const tag_t proto = host::views::prototype_of(model);
    return proto != 0 ? proto : model;
}

const Model& model_of(const host::Call& call, tag_t& model) {
    call.live(model);
    model = resolve(model);
    const Model* m = models().find(model);
    if (!m || host::objects::require(model).cls != model_class())
        call.fail(HOST_ERR_WRONG_CLASS, "object %u is no facetted model", model);
    return *m;
}

Model& edit_model(const host::Call& call, tag_t model) {
    model_of(call, model);
    return models()[model];
}

const Facet& facet_of(const host::Call& call, const Model& m, int facet) {
    if (facet < 0 || static_cast<std::size_t>(facet) >= m.facets.size() ||
        m.facets[static_cast<std::size_t>(facet)].vertices.empty())
        call.fail(HOST_ERR_BAD_ARGUMENT, "facet %d is no facet of the model", facet);
    return m.facets[static_cast<std::size_t>(facet)];
}

int check_index(const host::Call& call, const Facet& f, int i, const char* what) {
    if (i < 0 || static_cast<std::size_t>(i) >= f.vertices.size())
        call.fail(HOST_ERR_BAD_ARGUMENT, "%s %d is not in the facet", what, i);
    return i;
}

int check_face(const host::Call& call, const Model& m, int face) {
    if (face < 0 || static_cast<std::size_t>(face) >= m.faces.size())
        call.fail(HOST_ERR_BAD_ARGUMENT, "face id %d is not in the model", face);
    return face;
}

double dist2(const Point& a, const Point& b) {
    const double x = a[0] - b[0], y = a[1] - b[1], z = a[2] - b[2];
    return x * x + y * y + z * z;
}

int find_in(const std::vector<Point>& pool, const Point& p) {
    for (std::size_t i = 0; i < pool.size(); ++i)
        if (dist2(pool[i], p) <= kSame * kSame) return static_cast<int>(i);
    return -1;
}

int find_or_add(std::vector<Point>& pool, const Point& p, bool create) {
    if (const int i = find_in(pool, p); i >= 0 || !create) return i;
    pool.push_back(p);
    return static_cast<int>(pool.size() - 1);
}

// Vertices of a whole mesh merged through a grid of cells larger than the
// merging distance: a point is looked for in its cell and the cells around.
class VertexGrid {
public:
    explicit VertexGrid(std::vector<Point>& pool) : pool_(pool) {}
    int find_or_add(const Point& p) {
        const Key k = key_of(p);
        for (long dx = -1; dx <= 1; ++dx)
            for (long dy = -1; dy <= 1; ++dy)
                for (long dz = -1; dz <= 1; ++dz) {
                    const auto it = cells_.find({k[0] + dx, k[1] + dy, k[2] + dz});
                    if (it == cells_.end()) continue;
                    for (int i : it->second)
                        if (dist2(pool_[static_cast<std::size_t>(i)], p) <= kSame * kSame) return i;
                }
        pool_.push_back(p);
        const int i = static_cast<int>(pool_.size() - 1);
        cells_[k].push_back(i);
        return i;
    }

private:
    using Key = std::array<long, 3>;
    static constexpr double kCell = 1e-6;
    static Key key_of(const Point& p) {
        return {std::lround(p[0] / kCell), std::lround(p[1] / kCell), std::lround(p[2] / kCell)};
    }
    std::vector<Point>& pool_;
    std::map<Key, std::vector<int>> cells_;
};

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Newell's normal (unit; zero for a degenerate polygon) and the plane's d.
Point plane_of(const Model& m, const Facet& f, double* d) {
    Point n{0, 0, 0};
    const std::size_t k = f.vertices.size();
    for (std::size_t i = 0; i < k; ++i) {
        const Point& a = m.points[static_cast<std::size_t>(f.vertices[i])];
        const Point& b = m.points[static_cast<std::size_t>(f.vertices[(i + 1) % k])];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    const double len = std::sqrt(dot(n, n));
    if (len > 0)
        for (double& c : n) c /= len;
    if (d) *d = -dot(n, m.points[static_cast<std::size_t>(f.vertices[0])]);
    return n;
}

// Every edge's adjacent facet: the facet whose edge runs the other way
// between the same two vertices.
void rebuild(Model& m) {
    std::map<std::pair<int, int>, std::pair<int, int>> edges;  // (from, to) -> (facet, edge)
    for (std::size_t f = 0; f < m.facets.size(); ++f) {
        Facet& x = m.facets[f];
        x.adjacent.assign(x.vertices.size(), -1);
        for (std::size_t e = 0; e < x.vertices.size(); ++e)
            edges[{x.vertices[e], x.vertices[(e + 1) % x.vertices.size()]}] = {static_cast<int>(f),
                                                                               static_cast<int>(e)};
    }
    for (std::size_t f = 0; f < m.facets.size(); ++f) {
        Facet& x = m.facets[f];
        for (std::size_t e = 0; e < x.vertices.size(); ++e) {
            const auto it = edges.find({x.vertices[(e + 1) % x.vertices.size()], x.vertices[e]});
            if (it != edges.end()) x.adjacent[e] = it->second.first;
        }
    }
}

// The edge of facet g that runs between the ends of facet f's edge e.
int common_edge(const Model& m, const Facet& f, int e, int g) {
    if (g < 0 || static_cast<std::size_t>(g) >= m.facets.size()) return -1;
    const Facet& y = m.facets[static_cast<std::size_t>(g)];
    const int a = f.vertices[static_cast<std::size_t>(e)];
    const int b = f.vertices[(static_cast<std::size_t>(e) + 1) % f.vertices.size()];
    for (std::size_t i = 0; i < y.vertices.size(); ++i) {
        const int c = y.vertices[i], d = y.vertices[(i + 1) % y.vertices.size()];
        if ((c == b && d == a) || (c == a && d == b)) return static_cast<int>(i);
    }
    return -1;
}

int edge_convexity(const Model& m, const Facet& f, int e) {
    const int g = f.adjacent.empty() ? -1 : f.adjacent[static_cast<std::size_t>(e)];
    if (g < 0 || m.facets[static_cast<std::size_t>(g)].vertices.empty()) return FACET_OPEN_EDGE;
    const Facet& y = m.facets[static_cast<std::size_t>(g)];
    double d = 0;
    const Point n = plane_of(m, f, &d);
    // The vertex of the neighbour farthest from this facet's plane decides.
    double far = 0;
    for (int v : y.vertices) {
        const double s = dot(n, m.points[static_cast<std::size_t>(v)]) + d;
        if (std::fabs(s) > std::fabs(far)) far = s;
    }
    if (std::fabs(far) <= kFlat) return FACET_FLAT;
    return far < 0 ? FACET_CONVEX : FACET_CONCAVE;
}

bool polygon_convex(const Model& m, const Facet& f) {
    const Point n = plane_of(m, f, nullptr);
    const std::size_t k = f.vertices.size();
    for (std::size_t i = 0; i < k; ++i) {
        const Point& a = m.points[static_cast<std::size_t>(f.vertices[i])];
        const Point& b = m.points[static_cast<std::size_t>(f.vertices[(i + 1) % k])];
        const Point& c = m.points[static_cast<std::size_t>(f.vertices[(i + 2) % k])];
        if (dot(cross(sub(b, a), sub(c, b)), n) < -kFlat) return false;
    }
    return true;
}

void fill_from_body(const host::Call& call, Model& m, tag_t body, const FACET_parms_t& p) {
    const int entity = host::kernel::entity_of(body);
    if (entity == 0) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no solid body", body);
    const double chord = p.tolerance_1_set ? p.tolerance_1_distance : 0;
    const double angle = p.tolerance_1_set ? p.tolerance_1_angle : 0;
    const std::vector<host::kernel::MeshFace> faces = host::kernel::mesh_body(entity, chord, angle);
    m.points.clear();
    m.normals.clear();
    m.facets.clear();
    m.faces.clear();
    VertexGrid points(m.points), normals(m.normals);
    for (const host::kernel::MeshFace& face : faces) {
        const int id = static_cast<int>(m.faces.size());
        m.faces.push_back(face.face);
        std::vector<int> vi, ni;
        for (std::size_t k = 0; k < face.points.size(); ++k) {
            vi.push_back(points.find_or_add(face.points[k]));
            ni.push_back(normals.find_or_add(face.normals[k]));
        }
        for (const auto& t : face.triangles) {
            Facet f;
            for (int c : t) {
                f.vertices.push_back(vi[static_cast<std::size_t>(c)]);
                f.normals.push_back(ni[static_cast<std::size_t>(c)]);
                f.params.push_back(face.params[static_cast<std::size_t>(c)]);
            }
            // A sliver whose corners merged into one vertex is no facet.
            if (f.vertices[0] == f.vertices[1] || f.vertices[1] == f.vertices[2] || f.vertices[0] == f.vertices[2])
                continue;
            f.face = id;
            m.facets.push_back(std::move(f));
        }
    }
    rebuild(m);
    m.definition = body;
    m.built_from = host::kernel::body_version(entity);
    m.parms = p;
}

tag_t new_model(tag_t part, bool single) {
    const tag_t t = host::entity::create({model_class(), HOST_TYPE_FACETED, HOST_SUBTYPE_FACETED_BODY, part});
    Model& m = models()[t];
    m.part = host::objects::require(t).part;
    m.single = single;
    m.parms = default_parms();
    return t;
}

template <class T>
int copy_out(const Model& m, const Facet& f, T out[][3], const std::vector<int>& idx, const std::vector<Point>& pool) {
    (void)m;
    for (std::size_t i = 0; i < idx.size(); ++i)
        for (int c = 0; c < 3; ++c) out[i][c] = idx[i] < 0 ? 0.0 : pool[static_cast<std::size_t>(idx[i])][c];
    return static_cast<int>(f.vertices.size());
}

// ---- part files: section "FCTM" ------------------------------------------------------
//
// One row per model (part_file::write_rows), in this order:
//   u8 single precision, u8 has a box, 6 f64 the box
//   u32 object number of the solid it was made from (kNone: none)
//   the faceting parameters: i32 limit_count, u8 tolerance_1_set,
//     f64 distance, f64 angle, u8 tolerance_2_set, f64 distance, f64 angle,
//     f64 max_length, u8 option_1, u8 option_2, f64 length_2,
//     i32 precision_kind, u8 option_3, u8 option_4, 3 f64 direction,
//     f64 length_3, u8 option_5
//   u32 count + 3 f64 per vertex; u32 count + 3 f64 per vertex normal
//   u32 count + u32 object number per face (kNone: none)
//   u32 count of facet ids; per facet: u32 vertex count (0: deleted), per
//     vertex i32 vertex index, i32 normal index (-1: none), 2 f64
//     parameters, i32 adjacent facet (-1: none); then i32 face id (-1: none)
// The reader refuses what the service could not have made: a row of an
// object that is no model, an index out of its pool, a facet of one or
// two vertices, a number that is not finite, a solid that is no solid
// body, a face that is no solid face. A model read with its solid counts
// as up to date with the solid as read (until it is faceted again).

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
namespace pf = host::part_file;

void write_parms(pf::Writer& out, const FACET_parms_t& p) {
    out.i32(p.limit_count);
    out.u8(p.tolerance_1_set);
    out.f64(p.tolerance_1_distance);
    out.f64(p.tolerance_1_angle);
    out.u8(p.tolerance_2_set);
    out.f64(p.tolerance_2_distance);
    out.f64(p.tolerance_2_angle);
    out.f64(p.max_length);
    out.u8(p.option_1);
    out.u8(p.option_2);
    out.f64(p.length_2);
    out.i32(p.precision_kind);
    out.u8(p.option_3);
    out.u8(p.option_4);
    for (double d : p.direction) out.f64(d);
    out.f64(p.length_3);
    out.u8(p.option_5);
}

double finite_real(pf::Reader& in) {
    const double d = in.f64();
    if (!std::isfinite(d)) throw pf::FormatError("a facetted model's number is not finite");
    return d;
}

FACET_parms_t read_parms(pf::Reader& in) {
    FACET_parms_t p{};
    p.limit_count = in.i32();
    p.tolerance_1_set = in.u8();
    p.tolerance_1_distance = finite_real(in);
    p.tolerance_1_angle = finite_real(in);
    p.tolerance_2_set = in.u8();
    p.tolerance_2_distance = finite_real(in);
    p.tolerance_2_angle = finite_real(in);
    p.max_length = finite_real(in);
    p.option_1 = in.u8();
    p.option_2 = in.u8();
    p.length_2 = finite_real(in);
    p.precision_kind = in.i32();
    p.option_3 = in.u8();
    p.option_4 = in.u8();
    for (double& d : p.direction) d = finite_real(in);
    p.length_3 = finite_real(in);
    p.option_5 = in.u8();
    return p;
}

void write_points(pf::Writer& out, const std::vector<Point>& pool) {
    out.u32(static_cast<std::uint32_t>(pool.size()));
    for (const Point& p : pool)
        for (double d : p) out.f64(d);
}

std::vector<Point> read_points(pf::Reader& in) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 24) throw pf::FormatError("a facetted model's count beyond its row");
    std::vector<Point> pool(n);
    for (Point& p : pool)
        for (double& d : p) d = finite_real(in);
    return pool;
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (host::facet::is_model(t)) rows.push_back(t);
    const auto number = [&](tag_t object) {
        const std::uint32_t i = object == 0 ? kNone : ctx.index(object);
        return i;
    };
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Model& m = *models().find(t);
        row.u8(m.single ? 1 : 0);
        row.u8(m.has_box ? 1 : 0);
        for (double d : m.box) row.f64(d);
        row.u32(number(m.definition));
        write_parms(row, m.parms);
        write_points(row, m.points);
        write_points(row, m.normals);
        row.u32(static_cast<std::uint32_t>(m.faces.size()));
        for (tag_t f : m.faces) row.u32(number(f));
        row.u32(static_cast<std::uint32_t>(m.facets.size()));
        for (const Facet& f : m.facets) {
            row.u32(static_cast<std::uint32_t>(f.vertices.size()));
            for (std::size_t i = 0; i < f.vertices.size(); ++i) {
                row.i32(f.vertices[i]);
                row.i32(f.normals[i]);
                row.f64(f.params[i][0]);
                row.f64(f.params[i][1]);
                row.i32(f.adjacent.empty() ? -1 : f.adjacent[i]);
            }
            row.i32(f.face);
        }
    });
}

int read_index(pf::Reader& in, int below, bool none_ok) {
    const std::int32_t i = in.i32();
    if ((i == -1 && none_ok) || (i >= 0 && i < below)) return i;
    throw pf::FormatError("a facetted model's index out of its range");
}

// By the object's kind alone: the kernel's bodies may be read after this
// section.
bool is_solid(tag_t t, int subtype) {
    const host::objects::Object* o = host::objects::find(t);
    return o && o->type == HOST_TYPE_SOLID && o->subtype == subtype;
}

tag_t read_object(pf::Reader& in, const pf::LoadContext& ctx, bool (*ok)(tag_t)) {
    const std::uint32_t n = in.u32();
    if (n == kNone) return 0;
    const tag_t t = ctx.tag_of(n);
    if (n == 0 || !ok(t)) throw pf::FormatError("a facetted model refers to an object of the wrong kind");
    return t;
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Model>> read;
    pf::read_rows(in, ctx, {"facetted model row", 8, false}, [&](tag_t t, pf::Reader& row) {
        const host::objects::Object& o = host::objects::require(t);
        if (o.cls != model_class() || o.type != HOST_TYPE_FACETED || o.subtype != HOST_SUBTYPE_FACETED_BODY)
            throw pf::FormatError("a facetted model row of an object that is no model");
        Model m;
        m.part = o.part;
        m.single = row.u8() != 0;
        m.has_box = row.u8() != 0;
        for (double& d : m.box) d = finite_real(row);
        m.definition = read_object(row, ctx, [](tag_t b) { return is_solid(b, HOST_SUBTYPE_BODY); });
        m.parms = read_parms(row);
        m.points = read_points(row);
        m.normals = read_points(row);
        const std::uint32_t faces = row.u32();
        if (faces > row.left() / 4) throw pf::FormatError("a facetted model's count beyond its row");
        for (std::uint32_t i = 0; i < faces; ++i)
            m.faces.push_back(read_object(row, ctx, [](tag_t f) { return is_solid(f, HOST_SUBTYPE_FACE); }));
        const std::uint32_t facets = row.u32();
        if (facets > row.left() / 8) throw pf::FormatError("a facetted model's count beyond its row");
        const int points = static_cast<int>(m.points.size()), normals = static_cast<int>(m.normals.size());
        for (std::uint32_t k = 0; k < facets; ++k) {
            Facet f;
            const std::uint32_t n = row.u32();
            if (n == 1 || n == 2 || n > row.left() / 28) throw pf::FormatError("a facet of too few vertices");
            for (std::uint32_t i = 0; i < n; ++i) {
                f.vertices.push_back(read_index(row, points, false));
                f.normals.push_back(read_index(row, normals, true));
                const double u = finite_real(row), v = finite_real(row);
                f.params.push_back({u, v});
                f.adjacent.push_back(read_index(row, static_cast<int>(facets), true));
            }
            f.face = read_index(row, static_cast<int>(m.faces.size()), true);
            m.facets.push_back(std::move(f));
        }
        read.emplace_back(t, std::move(m));
    });
    for (auto& [t, m] : read) models()[t] = std::move(m);
}

const bool section_registered = [] {
    host::part_rules::register_known_kind(model_class(), HOST_TYPE_FACETED, HOST_SUBTYPE_FACETED_BODY,
                                          HOST_SUBTYPE_FACETED_BODY, "ENTS FCTM");
    pf::register_section({{'F', 'C', 'T', 'M'}, write_section, read_section});
    return true;
}();
}  // namespace

namespace host::facet {

bool is_model(unsigned int object) {
    const objects::Object* o = objects::find(object);
    return o && o->cls == model_class() && models().find(object);
}

std::vector<double> triangles(unsigned int model) {
    std::vector<double> out;
    const Model* m = models().find(model);
    if (!m) return out;
    for (const Facet& f : m->facets)
        for (std::size_t i = 1; i + 1 < f.vertices.size(); ++i)
            for (int v : {f.vertices[0], f.vertices[i], f.vertices[i + 1]})
                for (int c = 0; c < 3; ++c) out.push_back(m->points[static_cast<std::size_t>(v)][c]);
    return out;
}

}  // namespace host::facet

extern "C" {

void FACET_ask_faceting_parms(unsigned int part, FACET_parms_t* parms) {
    auto call = HOST_ENTRY(part, parms);
    call.need(parms, "the parameters output");
    const auto& table = part_parms().by_part;
    const auto it = table.find(part);
    *parms = it == table.end() ? default_parms() : it->second;
}

void FACET_set_faceting_parms(unsigned int part, const FACET_parms_t* parms) {
    auto call = HOST_ENTRY(part, parms);
    call.need(parms, "the parameters");
    call.live(part);
    part_parms().by_part[part] = *parms;
}

void FACET_ask_parms_of_topology(unsigned int model, FACET_parms_t* parms) {
    auto call = HOST_ENTRY(model, parms);
    call.need(parms, "the parameters output");
    *parms = model_of(call, model).parms;
}

void FACET_facet_body(unsigned int body, const char* name, const FACET_parms_t* parms, unsigned int* model,
                      int* failure) {
    auto call = HOST_ENTRY_TEXT(name, body, parms, model, failure);
    call.need(parms, "the parameters");
    call.need(model, "the model output");
    call.need(failure, "the failure output");
    *model = 0;
    *failure = 0;
    if (!ES_solid_is_a_body(body)) {
        *failure = HOST_ERR_WRONG_CLASS;
        return;
    }
    // Meshed first, kept afterwards: a failure makes nothing.
    Model made;
    const int code = host::caught([&] { fill_from_body(call, made, body, *parms); });
    if (code != 0) {
        *failure = code;
        return;
    }
    const tag_t t = new_model(host::objects::require(body).part, parms->precision_kind == 2);
    made.part = host::objects::require(t).part;
    made.single = parms->precision_kind == 2;
    models()[t] = std::move(made);
    *model = t;
}

void FACET_refacet_body_with_parms(unsigned int model, const FACET_parms_t* parms) {
    auto call = HOST_ENTRY(model, parms);
    call.need(parms, "the parameters");
    Model copy = model_of(call, model);
    if (!ES_solid_is_a_body(copy.definition)) call.fail(HOST_ERR_BAD_ARGUMENT, "the model has no solid to facet");
    fill_from_body(call, copy, copy.definition, *parms);
    models()[model] = std::move(copy);
}

unsigned int FACET_ask_definition(unsigned int model) {
    auto call = HOST_ENTRY(model);
    return model_of(call, model).definition;
}

int FACET_is_solid_body_available(unsigned int model) {
    auto call = HOST_ENTRY(model);
    return ES_solid_is_a_body(model_of(call, model).definition) ? 1 : 0;
}

void FACET_disassociate_from_def(unsigned int model) {
    auto call = HOST_ENTRY(model);
    Model& m = edit_model(call, model);
    m.definition = 0;
    m.built_from = nullptr;
}

int FACET_is_topology_out_of_date(unsigned int model) {
    auto call = HOST_ENTRY(model);
    const Model& m = model_of(call, model);
    if (m.definition == 0 || m.built_from == nullptr) return 0;
    const int entity = host::kernel::entity_of(m.definition);
    return entity == 0 || host::kernel::body_version(entity) != m.built_from ? 1 : 0;
}

void FACET_ask_dependent_topologys(unsigned int solid, int* count, unsigned int** models_out) {
    auto call = HOST_ENTRY(solid, count, models_out);
    call.need(count, "the count output");
    call.need(models_out, "the models output");
    *count = 0;
    *models_out = nullptr;
    std::vector<tag_t> found;
    for (tag_t t : host::objects::objects_of_type(HOST_TYPE_FACETED))
        if (const Model* m = models().find(t); m && m->definition == solid && solid != 0) found.push_back(t);
    if (found.empty()) return;
    *models_out = static_cast<unsigned int*>(SM_alloc(found.size() * sizeof(unsigned int)));
    std::copy(found.begin(), found.end(), *models_out);
    *count = static_cast<int>(found.size());
}

void FACET_create_model(const char* name, unsigned int part, int work, unsigned int* model) {
    auto call = HOST_ENTRY_TEXT(name, part, work, model);
    call.need(model, "the model output");
    if (part != 0) call.live(part);
    *model = new_model(part, true);
}

void FACET_create_double_model(const char* name, unsigned int part, int work, unsigned int* model) {
    auto call = HOST_ENTRY_TEXT(name, part, work, model);
    call.need(model, "the model output");
    if (part != 0) call.live(part);
    *model = new_model(part, false);
}

unsigned int FACET_ask_model_of_topol(unsigned int model) {
    auto call = HOST_ENTRY(model);
    model_of(call, model);
    return model;
}

int BBOX_has_box(unsigned int mesh) {
    auto call = HOST_ENTRY(mesh);
    return model_of(call, mesh).has_box ? 1 : 0;
}

void BBOX_create_or_edit_axial(unsigned int mesh, const double box[6]) {
    auto call = HOST_ENTRY(mesh, box);
    call.need(box, "the box");
    Model& m = edit_model(call, mesh);
    m.has_box = true;
    std::copy(box, box + 6, m.box);
}

int FACET_ask_vertex_index(unsigned int mesh, const double point[3], int create) {
    auto call = HOST_ENTRY(mesh, point, create);
    call.need(point, "the point");
    const Point p{point[0], point[1], point[2]};
    if (!create) return find_in(model_of(call, mesh).points, p);
    return find_or_add(edit_model(call, mesh).points, p, true);
}

int FACET_ask_vertex_normal_index(unsigned int mesh, const double normal[3]) {
    auto call = HOST_ENTRY(mesh, normal);
    call.need(normal, "the normal");
    return find_or_add(edit_model(call, mesh).normals, {normal[0], normal[1], normal[2]}, true);
}

int FACET_topol_add_fct_with_hints(unsigned int model, int n, const int* vertices, const int* normals,
                                   const int* hints) {
    auto call = HOST_ENTRY(model, n, vertices, hints);
    call.need(vertices, "the vertex indices");
    Model& m = edit_model(call, model);
    if (n < 3) call.fail(HOST_ERR_BAD_ARGUMENT, "a facet of %d vertices", n);
    Facet f;
    for (int i = 0; i < n; ++i) {
        if (vertices[i] < 0 || static_cast<std::size_t>(vertices[i]) >= m.points.size())
            call.fail(HOST_ERR_BAD_ARGUMENT, "vertex index %d is not in the model", vertices[i]);
        const int ni = normals ? normals[i] : -1;
        if (ni >= 0 && static_cast<std::size_t>(ni) >= m.normals.size())
            call.fail(HOST_ERR_BAD_ARGUMENT, "normal index %d is not in the model", ni);
        f.vertices.push_back(vertices[i]);
        f.normals.push_back(ni);
        f.params.push_back({0, 0});
    }
    f.adjacent.assign(static_cast<std::size_t>(n), -1);
    m.facets.push_back(std::move(f));
    return static_cast<int>(m.facets.size() - 1);
}

void FACET_topol_delete_facet(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    facet_of(call, model_of(call, model), facet);
    Model& m = models()[model];
    m.facets[static_cast<std::size_t>(facet)] = Facet{};
    for (Facet& x : m.facets)
        for (int& a : x.adjacent)
            if (a == facet) a = -1;
}

void FACET_set_facet_at_edge(unsigned int model, int facet, int edge, int adjacent) {
    auto call = HOST_ENTRY(model, facet, edge, adjacent);
    const Model& r = model_of(call, model);
    check_index(call, facet_of(call, r, facet), edge, "edge");
    if (adjacent != -1) facet_of(call, r, adjacent);
    models()[model].facets[static_cast<std::size_t>(facet)].adjacent[static_cast<std::size_t>(edge)] = adjacent;
}

void FACET_rebuild_topology(unsigned int model) {
    auto call = HOST_ENTRY(model);
    rebuild(edit_model(call, model));
}

void FACET_topol_creation_done(unsigned int model) {
    auto call = HOST_ENTRY(model);
    rebuild(edit_model(call, model));
}

int FACET_ask_num_facet_ids(unsigned int model) {
    auto call = HOST_ENTRY(model);
    return static_cast<int>(model_of(call, model).facets.size());
}

int FACET_ask_first_facet_id(unsigned int model) {
    auto call = HOST_ENTRY(model);
    const Model& m = model_of(call, model);
    for (std::size_t i = 0; i < m.facets.size(); ++i)
        if (!m.facets[i].vertices.empty()) return static_cast<int>(i);
    return -1;
}

int FACET_ask_next_facet_id(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    const Model& m = model_of(call, model);
    for (std::size_t i = static_cast<std::size_t>(std::max(facet + 1, 0)); i < m.facets.size(); ++i)
        if (!m.facets[i].vertices.empty()) return static_cast<int>(i);
    return -1;
}

int FACET_ask_max_fct_verts_in_topl(unsigned int model) {
    auto call = HOST_ENTRY(model);
    std::size_t most = 0;
    for (const Facet& f : model_of(call, model).facets) most = std::max(most, f.vertices.size());
    return static_cast<int>(most);
}

int FACET_ask_num_vertices_of_facet(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    const Model& m = model_of(call, model);
    if (facet < 0 || static_cast<std::size_t>(facet) >= m.facets.size()) return 0;
    return static_cast<int>(m.facets[static_cast<std::size_t>(facet)].vertices.size());
}

int FACET_ask_vertices_of_facet(unsigned int model, int facet, double vertices[][3]) {
    auto call = HOST_ENTRY(model, facet, vertices);
    call.need(vertices, "the vertices output");
    const Model& m = model_of(call, model);
    const Facet& f = facet_of(call, m, facet);
    return copy_out(m, f, vertices, f.vertices, m.points);
}

int FACET_ask_normals_of_facet(unsigned int model, int facet, double normals[][3]) {
    auto call = HOST_ENTRY(model, facet, normals);
    call.need(normals, "the normals output");
    const Model& m = model_of(call, model);
    const Facet& f = facet_of(call, m, facet);
    return copy_out(m, f, normals, f.normals, m.normals);
}

int FACET_ask_params_of_facet(unsigned int model, int facet, double params[][2]) {
    auto call = HOST_ENTRY(model, facet, params);
    call.need(params, "the parameters output");
    const Facet& f = facet_of(call, model_of(call, model), facet);
    for (std::size_t i = 0; i < f.params.size(); ++i) {
        params[i][0] = f.params[i][0];
        params[i][1] = f.params[i][1];
    }
    return static_cast<int>(f.vertices.size());
}

int FACET_ask_facet_at_edge(unsigned int model, int facet, int edge, int* adjacent) {
    auto call = HOST_ENTRY(model, facet, edge, adjacent);
    call.need(adjacent, "the adjacent output");
    const Facet& f = facet_of(call, model_of(call, model), facet);
    check_index(call, f, edge, "edge");
    *adjacent = f.adjacent.empty() ? -1 : f.adjacent[static_cast<std::size_t>(edge)];
    return *adjacent >= 0 ? 1 : 0;
}

int FACET_identify_common_edge(unsigned int model, int facet, int edge, int adjacent) {
    auto call = HOST_ENTRY(model, facet, edge, adjacent);
    const Model& m = model_of(call, model);
    const Facet& f = facet_of(call, m, facet);
    return common_edge(m, f, check_index(call, f, edge, "edge"), adjacent);
}

int FACET_ask_vertex_convexity(unsigned int model, int facet, int vertex) {
    auto call = HOST_ENTRY(model, facet, vertex);
    const Model& m = model_of(call, model);
    const Facet& f = facet_of(call, m, facet);
    const int v = f.vertices[static_cast<std::size_t>(check_index(call, f, vertex, "vertex"))];
    // Every edge of the model that ends at the vertex.
    bool convex = false, concave = false;
    for (const Facet& x : m.facets)
        for (std::size_t e = 0; e < x.vertices.size(); ++e) {
            if (x.vertices[e] != v && x.vertices[(e + 1) % x.vertices.size()] != v) continue;
            const int c = edge_convexity(m, x, static_cast<int>(e));
            convex = convex || c == FACET_CONVEX;
            concave = concave || c == FACET_CONCAVE;
        }
    if (convex && concave) return FACET_MIXED;
    return convex ? FACET_CONVEX : concave ? FACET_CONCAVE : FACET_FLAT;
}

int FACET_ask_edge_convexity(unsigned int model, int facet, int edge) {
    auto call = HOST_ENTRY(model, facet, edge);
    const Model& m = model_of(call, model);
    const Facet& f = facet_of(call, m, facet);
    return edge_convexity(m, f, check_index(call, f, edge, "edge"));
}

int FACET_is_facet_convex(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    const Model& m = model_of(call, model);
    return polygon_convex(m, facet_of(call, m, facet)) ? 1 : 0;
}

int FACET_is_topol_convex(unsigned int model) {
    auto call = HOST_ENTRY(model);
    const Model& m = model_of(call, model);
    for (const Facet& f : m.facets) {
        if (f.vertices.empty()) continue;
        if (!polygon_convex(m, f)) return 0;
        for (std::size_t e = 0; e < f.vertices.size(); ++e)
            if (edge_convexity(m, f, static_cast<int>(e)) == FACET_CONCAVE) return 0;
    }
    return 1;
}

void FACET_ask_facet_plane_eqn(unsigned int model, int facet, double normal[3], double* d) {
    auto call = HOST_ENTRY(model, facet, normal, d);
    call.need(normal, "the normal output");
    call.need(d, "the distance output");
    const Model& m = model_of(call, model);
    const Point n = plane_of(m, facet_of(call, m, facet), d);
    std::copy(n.begin(), n.end(), normal);
}

int FACET_ask_num_faces(unsigned int model) {
    auto call = HOST_ENTRY(model);
    return static_cast<int>(model_of(call, model).faces.size());
}

int FACET_ask_face_id_of_tag(unsigned int model, unsigned int face) {
    auto call = HOST_ENTRY(model, face);
    const Model& m = model_of(call, model);
    const auto it = std::find(m.faces.begin(), m.faces.end(), face);
    return face == 0 || it == m.faces.end() ? -1 : static_cast<int>(it - m.faces.begin());
}

unsigned int FACET_ask_tag_of_face_id(unsigned int model, int face_id) {
    auto call = HOST_ENTRY(model, face_id);
    const Model& m = model_of(call, model);
    return m.faces[static_cast<std::size_t>(check_face(call, m, face_id))];
}

unsigned int FACET_ask_solid_face_of_facet(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    const Model& m = model_of(call, model);
    const int id = facet_of(call, m, facet).face;
    return id < 0 ? 0 : m.faces[static_cast<std::size_t>(id)];
}

int FACET_ask_face_id_of_facet(unsigned int model, int facet) {
    auto call = HOST_ENTRY(model, facet);
    const Model& m = model_of(call, model);
    return facet_of(call, m, facet).face;
}

int FACET_ask_facets_in_face(unsigned int model, int face_id) {
    auto call = HOST_ENTRY(model, face_id);
    const Model& m = model_of(call, model);
    check_face(call, m, face_id);
    return static_cast<int>(std::count_if(m.facets.begin(), m.facets.end(),
                                          [&](const Facet& f) { return !f.vertices.empty() && f.face == face_id; }));
}

int FACET_ask_first_facet_in_face(unsigned int model, int face_id) {
    auto call = HOST_ENTRY(model, face_id);
    const Model& m = model_of(call, model);
    check_face(call, m, face_id);
    for (std::size_t i = 0; i < m.facets.size(); ++i)
        if (!m.facets[i].vertices.empty() && m.facets[i].face == face_id) return static_cast<int>(i);
    return -1;
}

int FACET_ask_next_facet_in_face(unsigned int model, int face_id, int facet) {
    auto call = HOST_ENTRY(model, face_id, facet);
    const Model& m = model_of(call, model);
    check_face(call, m, face_id);
    for (std::size_t i = static_cast<std::size_t>(std::max(facet + 1, 0)); i < m.facets.size(); ++i)
        if (!m.facets[i].vertices.empty() && m.facets[i].face == face_id) return static_cast<int>(i);
    return -1;
}

}  // extern "C"
