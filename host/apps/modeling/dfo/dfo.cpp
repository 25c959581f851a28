// Direct face operations of the modelling library (host/apps/modeling/dfo/dfo.h): the
// operation data, the features made from it through the feature service
// and the solid kernel, and the data read back from a feature.
#include "host/apps/modeling/dfo/dfo.h"
#include "host/base/services/host_messages.h"
#include "host/store/parts/row_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/ops/face_edits.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace hf = host::feature;

enum class Op { constraint, resize, replace, offset, pattern, scale, move };

constexpr std::array<const char*, 7> kKinds = {"FACE_CONSTRAINT", "RESIZE_FACE", "REPLACE_FACE", "OFFSET_REGION",
                                               "PATTERN_FACE",    "LOCAL_SCALE", "MOVE_REGION"};

struct Transform {
    int type = 0;
    std::array<tag_t, 3> objects{};
    std::string text;
    tag_t owner = 0;  // the move feature that uses it
};
struct Transforms {
    int next = 0;
    std::map<int, Transform> rows;
};
Transforms& transforms() { return host::model_state<Transforms>("direct face operation transforms"); }

// What a feature keeps of the data it was made from (its texts are its
// expressions).
struct DfoRow {
    Op op = Op::offset;
    std::array<std::vector<tag_t>, 3> sets;
    DFO_constraint_t constraint{};  // the value text is the expression
    int number_of_constraints = 0;
    int value = 0;
    unsigned char value_absent = 0, option = 0;
    int kind = 0;
    std::array<int, 2> count{};
    std::array<tag_t, 2> direction{};
    tag_t axis = 0, plane = 0;
    int scale_type = 0;
    std::array<tag_t, 3> reference{};
    std::array<std::string, LSCALE_FACTOR_TEXTS> factors;  // as given (the used ones: expressions)
    int transform = 0;                                     // a move's transform (its text is the expression)
};
host::TagTable<DfoRow>& rows() {
    static auto* const t = new host::TagTable<DfoRow>("direct face operations");
    return *t;
}
const bool registered = (rows(), transforms(), true);

[[noreturn]] void raise(int code, const char* what) { ERROR_raise("dfo", __LINE__, code, "%s", what); }

const DfoRow* row_of(tag_t feature, Op op) {
    const hf::Record* r = hf::find(feature);
    const DfoRow* row = rows().find(feature);
    return r && row && row->op == op && r->kind == kKinds[static_cast<int>(op)] ? row : nullptr;
}
const DfoRow& require_row(tag_t feature, Op op) {
    const DfoRow* row = row_of(feature, op);
    if (!row) raise(DFO_ERR_NOT_DFO, DFO_error_get_msg(DFO_ERR_NOT_DFO));
    return *row;
}

// ---- texts, arrays and geometry ----------------------------------------------

template <std::size_t N>
void put_text(char (&field)[N], const std::string& text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}
template <std::size_t N>
std::string text_of(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

std::vector<tag_t> copy_in(int n, const tag_t* items) {
    if (n <= 0 || !items) return {};
    return std::vector<tag_t>(items, items + n);
}
tag_t* copy_out(const std::vector<tag_t>& v) {
    if (v.empty()) return nullptr;
    auto* out = static_cast<tag_t*>(SM_alloc(v.size() * sizeof(tag_t)));
    std::copy(v.begin(), v.end(), out);
    return out;
}

// The formulas of the feature's expressions, in the kind's order.
std::vector<std::string> formulas_of(tag_t feature) {
    std::vector<std::string> out;
    for (tag_t e : hf::find(feature)->exps) {
        const host::expr::Expression* x = host::expr::find(e);
        out.push_back(x ? x->formula : "");
    }
    return out;
}

// New formulas for the feature's expressions (equal ones stay).
void edit_formulas(tag_t feature, const std::vector<std::string>& formulas) {
    const hf::Record& r = *hf::find(feature);
    const tag_t part = host::objects::require(feature).part;
    const std::vector<std::string> now = formulas_of(feature);
    for (std::size_t i = 0; i < formulas.size() && i < r.exps.size(); ++i)
        if (formulas[i] != now[i])
            if (int code = EXP_edit_exp(part, r.exps[i], formulas[i].c_str())) raise(code, "the text is no expression");
}

struct Line {
    double at[3];
    double along[3];
};

bool is_type(tag_t object, int type) {
    const host::objects::Object* o = host::objects::find(object);
    return o && o->alive && o->type == type;
}

void unit(double v[3]) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(n > 1e-10) || !std::isfinite(n)) raise(DFO_ERR_REFERENCE, "the object gives no direction");
    for (int i = 0; i < 3; ++i) v[i] /= n;
}

bool face_data(tag_t face, int want, Line& out) {
    if (!host::objects::is_alive(face) || !ES_solid_is_a_face(face)) return false;
    int type = 0, sense = 0;
    double r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(ES_solid_ask_fermalith_tag(face), &type, out.at, out.along, &r1, &r2, &sense);
    if (type != want) return false;
    if (want == ZQ_SURF_PLANE)
        for (double& d : out.along) d *= sense;
    return true;
}

bool straight(tag_t object, Line& out) {
    const bool line = is_type(object, HOST_TYPE_LINE);
    if (!line && !(host::objects::is_alive(object) && ES_solid_is_a_edge(object))) return false;
    if (!line) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(ES_solid_ask_fermalith_tag(object), &type, p, d, &r);
        if (type != ZQ_CURVE_LINE) return false;
    }
    double end[3];
    ES_ask_coordinates_of_line(object, out.at, end);
    for (int i = 0; i < 3; ++i) out.along[i] = end[i] - out.at[i];
    unit(out.along);
    return true;
}

// A direction: a line or straight edge (start to end), a planar face (its
// outward normal).
Line direction_of(tag_t object) {
    Line l{};
    if (!straight(object, l) && !face_data(object, ZQ_SURF_PLANE, l))
        raise(DFO_ERR_REFERENCE, "the object gives no direction");
    unit(l.along);
    return l;
}
// An axis: a line or straight edge, a cylindrical face.
Line axis_of(tag_t object) {
    Line l{};
    if (!straight(object, l) && !face_data(object, ZQ_SURF_CYLINDER, l))
        raise(DFO_ERR_REFERENCE, "the object gives no axis");
    unit(l.along);
    return l;
}
Line plane_of(tag_t object) {
    Line l{};
    if (!face_data(object, ZQ_SURF_PLANE, l)) raise(DFO_ERR_REFERENCE, "the object gives no plane");
    unit(l.along);
    return l;
}
std::array<double, 3> point_of(tag_t object) {
    if (!is_type(object, HOST_TYPE_POINT)) raise(DFO_ERR_POINT, DFO_error_get_msg(DFO_ERR_POINT));
    std::array<double, 3> p{};
    ES_ask_coordinates_of_point(object, p.data());
    return p;
}

// ---- maps of 12 numbers (3 rows of 4) ----------------------------------------

using Map = std::array<double, 12>;

Map identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}; }

Map translation(const double v[3], double by) {
    Map m = identity();
    for (int i = 0; i < 3; ++i) m[4 * i + 3] = v[i] * by;
    return m;
}

// The linear part m about the point c: x -> m (x - c) + c.
Map about(const std::array<double, 9>& m, const double c[3]) {
    Map out{};
    for (int i = 0; i < 3; ++i) {
        double t = c[i];
        for (int j = 0; j < 3; ++j) {
            out[4 * i + j] = m[3 * i + j];
            t -= m[3 * i + j] * c[j];
        }
        out[4 * i + 3] = t;
    }
    return out;
}

std::array<double, 9> rotation(const double axis[3], double angle) {
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const double x = axis[0], y = axis[1], z = axis[2];
    return {t * x * x + c,     t * x * y - s * z, t * x * z + s * y, t * x * y + s * z, t * y * y + c,
            t * y * z - s * x, t * x * z - s * y, t * y * z + s * x, t * z * z + c};
}

// The rotation turning unit a onto unit b.
std::array<double, 9> turning(const double a[3], const double b[3]) {
    double axis[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const double s = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    const double c = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    if (s < 1e-12) {
        if (c > 0) return {1, 0, 0, 0, 1, 0, 0, 0, 1};
        // Opposite: half a turn about any axis across a.
        double across[3] = {0, -a[2], a[1]};
        if (std::fabs(a[0]) > 0.9 * std::sqrt(a[1] * a[1] + a[2] * a[2] + a[0] * a[0]))
            across[0] = -a[1], across[1] = a[0], across[2] = 0;
        unit(across);
        return rotation(across, std::numbers::pi);
    }
    for (double& v : axis) v /= s;
    return rotation(axis, std::atan2(s, c));
}

Map mirror(const double p[3], const double n[3]) {
    std::array<double, 9> m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[3 * i + j] = (i == j ? 1.0 : 0.0) - 2 * n[i] * n[j];
    return about(m, p);
}

constexpr double kDegrees = std::numbers::pi / 180;

// The kernel's numbers of a region step: keep, n1, M1, n2, M2.
std::vector<double> region_numbers(bool keep, int n1, const Map& m1, int n2, const Map& m2) {
    std::vector<double> p{keep ? 1.0 : 0.0, double(n1)};
    p.insert(p.end(), m1.begin(), m1.end());
    p.push_back(n2);
    p.insert(p.end(), m2.begin(), m2.end());
    return p;
}

// Record numbers of a pattern: kind, n1, n2, six numbers of geometry.
std::vector<double> pattern_numbers(const hf::Record& r, const std::vector<double>& v) {
    const double* g = &r.numbers[3];
    const int n1 = static_cast<int>(r.numbers[1]), n2 = static_cast<int>(r.numbers[2]);
    switch (static_cast<int>(r.numbers[0])) {
        case PTRN_RECTANGULAR: return region_numbers(true, n1, translation(g, v[0]), n2, translation(g + 3, v[1]));
        case PTRN_CIRCULAR: return region_numbers(true, n1, about(rotation(g + 3, v[0] * kDegrees), g), 1, identity());
        default: return region_numbers(true, 2, mirror(g, g + 3), 1, identity());
    }
}

// Record numbers of a local scale: type, centre.
std::vector<double> scale_numbers(const hf::Record& r, const std::vector<double>& v) {
    const int type = static_cast<int>(r.numbers[0]);
    const double fx = v[0], fy = type == 2 ? v[1] : v[0], fz = type == 0 ? v[0] : type == 1 ? v[1] : v[2];
    return region_numbers(false, 2, about({fx, 0, 0, 0, fy, 0, 0, 0, fz}, &r.numbers[1]), 1, identity());
}

// Record numbers of a move: motion type, twelve numbers of geometry.
std::vector<double> move_numbers(const hf::Record& r, const std::vector<double>& v) {
    const double* g = &r.numbers[1];
    Map m = identity();
    switch (static_cast<int>(r.numbers[0])) {
        case TRANS_POINT_TO_POINT: {
            const double d[3] = {g[3] - g[0], g[4] - g[1], g[5] - g[2]};
            m = translation(d, 1);
            break;
        }
        case TRANS_DISTANCE: m = translation(g, v[0]); break;
        case TRANS_ANGLE: m = about(rotation(g + 3, v[0] * kDegrees), g); break;
        default: {
            // Turned about the from axis's point, then moved onto the to axis.
            m = about(turning(g + 3, g + 9), g);
            for (int i = 0; i < 3; ++i) m[4 * i + 3] += g[6 + i] - g[i];
            break;
        }
    }
    return region_numbers(false, 2, m, 1, identity());
}

std::vector<std::pair<int, double>> indexed(const std::vector<double>& p) {
    std::vector<std::pair<int, double>> out;
    for (std::size_t i = 0; i < p.size(); ++i) out.emplace_back(static_cast<int>(i), p[i]);
    return out;
}

int body_of(const hf::Record& r) {
    const int body = host::kernel::entity_of(r.body);
    if (body == 0) raise(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    return body;
}
void set_step(hf::Record& r, int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    r.step = n - 1;
}

// ---- the kinds ------------------------------------------------------------------

// Faces moved onto a plane: the last reference is the plane's face.
void build_to_plane(const host::Call&, hf::Record& r, const std::vector<double>& v) {
    const int body = body_of(r);
    ZQ_BODY_offset_faces_to(body, static_cast<int>(r.refs.size()) - 1, r.refs.data(), r.refs.back(),
                            v.empty() ? 0.0 : v[0]);
    set_step(r, body);
}
std::vector<std::pair<int, double>> to_plane_numbers(const hf::Record&, const std::vector<double>& v) {
    return {{0, v.empty() ? 0.0 : v[0]}};
}

void build_resize(const host::Call&, hf::Record& r, const std::vector<double>& v) {
    const int body = body_of(r);
    ZQ_BODY_resize_faces(body, static_cast<int>(r.refs.size()), r.refs.data(), v[0]);
    set_step(r, body);
}
void build_offset(const host::Call&, hf::Record& r, const std::vector<double>& v) {
    const int body = body_of(r);
    ZQ_BODY_offset_region(body, static_cast<int>(r.refs.size()), r.refs.data(), v[0]);
    set_step(r, body);
}
std::vector<std::pair<int, double>> first_value(const hf::Record&, const std::vector<double>& v) { return {{0, v[0]}}; }

template <std::vector<double> (*numbers)(const hf::Record&, const std::vector<double>&)>
void build_region(const host::Call&, hf::Record& r, const std::vector<double>& v) {
    const int body = body_of(r);
    const std::vector<double> p = numbers(r, v);
    ZQ_BODY_transform_region(body, static_cast<int>(r.refs.size()), r.refs.data(), p.data());
    set_step(r, body);
}
template <std::vector<double> (*numbers)(const hf::Record&, const std::vector<double>&)>
std::vector<std::pair<int, double>> region_kernel_numbers(const hf::Record& r, const std::vector<double>& v) {
    return indexed(numbers(r, v));
}

const bool kinds_made = [] {
    constexpr int many = 1000000;
    hf::register_kind({kKinds[0], {"Value"}, 0, 2, many, true, build_to_plane, to_plane_numbers});
    hf::register_kind({kKinds[1], {"Radius"}, 0, 1, many, true, build_resize, first_value});
    hf::register_kind({kKinds[2], {}, 0, 2, many, true, build_to_plane, to_plane_numbers});
    hf::register_kind({kKinds[3], {"Offset"}, 0, 1, many, true, build_offset, first_value});
    hf::register_kind({kKinds[4],
                       {"Value 1", "Value 2"},
                       9,
                       1,
                       many,
                       true,
                       build_region<pattern_numbers>,
                       region_kernel_numbers<pattern_numbers>});
    hf::register_kind({kKinds[5],
                       {"Factor 1", "Factor 2", "Factor 3"},
                       4,
                       1,
                       many,
                       true,
                       build_region<scale_numbers>,
                       region_kernel_numbers<scale_numbers>});
    hf::register_kind(
        {kKinds[6], {"Value"}, 13, 1, many, true, build_region<move_numbers>, region_kernel_numbers<move_numbers>});
    return true;
}();

// ---- regions ----------------------------------------------------------------------

// The row of the feature whose region the region still is (the seed and
// second sets as loaded), else null.
const DfoRow* loaded_as(const DFO_region_t& region) {
    const DfoRow* row = region.feature ? rows().find(region.feature) : nullptr;
    if (!row || !hf::find(region.feature)) return nullptr;
    for (int s = 0; s < 2; ++s) {
        const int n = region.number_of_faces[s];
        if (n != static_cast<int>(row->sets[s].size()) || (n > 0 && !region.faces[s]) ||
            !std::equal(row->sets[s].begin(), row->sets[s].end(), region.faces[s]))
            return nullptr;
    }
    return row;
}

// The region's faces (seed and second sets, each once) and their body;
// false when there are none or they are not faces of one solid body.
bool extract(const DFO_region_t& region, std::vector<tag_t>& faces, tag_t& body) {
    faces.clear();
    body = 0;
    if (const DfoRow* own = loaded_as(region)) {
        for (int s = 0; s < 2; ++s)
            for (tag_t f : own->sets[s])
                if (std::find(faces.begin(), faces.end(), f) == faces.end()) faces.push_back(f);
        body = FREC_ask_body(region.feature);
        return true;
    }
    for (int s = 0; s < 2; ++s) {
        if (region.number_of_faces[s] < 0 || (region.number_of_faces[s] > 0 && !region.faces[s])) return false;
        for (int i = 0; i < region.number_of_faces[s]; ++i) {
            const tag_t f = region.faces[s][i];
            if (!host::objects::is_alive(f) || !ES_solid_is_a_face(f)) return false;
            const tag_t b = ES_solid_ask_body(f);
            if (body != 0 && b != body) return false;
            body = b;
            if (std::find(faces.begin(), faces.end(), f) == faces.end()) faces.push_back(f);
        }
    }
    int type = 0;
    if (body != 0) PX_body_ask_type(body, &type);
    return !faces.empty() && type == ZQ_BODY_SOLID;
}

void put_extracted(DFO_region_t* region, const std::vector<tag_t>& faces) {
    region->number_of_extracted = static_cast<int>(faces.size());
}

// The region's faces for a create or edit (processed or not), raising
// DFO_ERR_REGION when there are none.
std::vector<tag_t> region_faces(const DFO_region_t& region, tag_t* body) {
    std::vector<tag_t> faces;
    tag_t b = 0;
    if (!extract(region, faces, b)) raise(DFO_ERR_REGION, DFO_error_get_msg(DFO_ERR_REGION));
    if (body) *body = b;
    return faces;
}

void keep_sets(DfoRow& row, const DFO_region_t& region, int sets) {
    for (int s = 0; s < 3; ++s)
        row.sets[s] = s < sets ? copy_in(region.number_of_faces[s], region.faces[s]) : std::vector<tag_t>{};
}

void give_sets(const DfoRow& row, tag_t feature, DFO_region_t* region) {
    DFO_region_init(region);
    region->feature = feature;
    for (int s = 0; s < 3; ++s) {
        region->faces[s] = copy_out(row.sets[s]);
        region->number_of_faces[s] = static_cast<int>(row.sets[s].size());
    }
}

// A move feature owns its transform: the transform's text is then the
// feature's expression.
void own_transform(const DfoRow& row, tag_t feature) {
    if (row.op != Op::move) return;
    const auto it = transforms().rows.find(row.transform);
    if (it != transforms().rows.end()) it->second.owner = feature;
}

// Makes the feature (kernel failures become DFO_ERR_KERNEL; an expression's
// code passes) and keeps its row.
tag_t make(Op op, tag_t body, const std::vector<std::string>& formulas, const std::vector<double>& numbers,
           const std::vector<tag_t>& refs, DfoRow row) {
    const tag_t part = host::objects::require(body).part;
    tag_t made = 0;
    const int code = host::feature::create_built(part, kKinds[static_cast<int>(op)], formulas, numbers, refs, body,
                                                 FEAT_SIGN_NEW, &made);
    if (code >= KERNEL_ERR_EXCEPTION && code <= KERNEL_ERR_BAD_PARAMETER)
        raise(DFO_ERR_KERNEL, DFO_error_get_msg(DFO_ERR_KERNEL));
    if (code != 0) raise(code, "the feature cannot be made");
    row.op = op;
    own_transform(row, made);
    rows()[made] = std::move(row);
    return made;
}

// Gives an edited feature its references, numbers and texts; the update
// makes it again.
void remake(tag_t feature, Op op, const std::vector<tag_t>& refs, const std::vector<double>& numbers,
            const std::vector<std::string>& formulas, DfoRow row) {
    if (int code = FEAT_redefine(feature, static_cast<int>(refs.size()), refs.data(), static_cast<int>(numbers.size()),
                                 numbers.data()))
        raise(code == FEAT_ERR_BAD_REFERENCE ? DFO_ERR_REGION : code, "the feature cannot take the new data");
    edit_formulas(feature, formulas);
    row.op = op;
    own_transform(row, feature);
    rows()[feature] = std::move(row);
    UPDATE_log_object_to_update(feature);
}

// The faces of a body that the row's sets name, for a feature being edited:
// the faces must be faces of the feature's body.
tag_t need_same_body(tag_t feature, tag_t body) {
    const tag_t own = FREC_ask_body(feature);
    if (body != own) raise(DFO_ERR_REGION, DFO_error_get_msg(DFO_ERR_REGION));
    return body;
}

// ---- per operation ----------------------------------------------------------------

struct Built {
    tag_t body = 0;
    std::vector<tag_t> refs;
    std::vector<double> numbers;
    std::vector<std::string> formulas;
    DfoRow row;
};

Built constraint_of(const DFO_data_t& d) {
    Built b;
    std::vector<tag_t> faces;
    tag_t body = 0;
    if (d.region.number_of_faces[0] > 0 || d.region.number_of_faces[1] > 0) faces = region_faces(d.region, &body);
    if (DFO_data_check_from_face(d.constraint.from_face) || DFO_data_check_to_object(d.constraint.to_object) ||
        ES_solid_ask_body(d.constraint.to_object) != ES_solid_ask_body(d.constraint.from_face) ||
        (body != 0 && body != ES_solid_ask_body(d.constraint.from_face)))
        raise(DFO_ERR_CONSTRAINT, DFO_error_get_msg(DFO_ERR_CONSTRAINT));
    b.body = ES_solid_ask_body(d.constraint.from_face);
    b.refs.push_back(d.constraint.from_face);
    for (tag_t f : faces)
        if (f != d.constraint.from_face && f != d.constraint.to_object) b.refs.push_back(f);
    b.refs.push_back(d.constraint.to_object);
    b.formulas = {text_of(d.constraint.value)};
    keep_sets(b.row, d.region, 3);
    b.row.constraint = d.constraint;
    b.row.constraint.value[0] = '\0';
    b.row.number_of_constraints = d.number_of_constraints;
    return b;
}

// The region of the first set alone (resize and replace work on it).
DFO_region_t first_set(const DFO_region_t& r) {
    DFO_region_t out{};
    out.number_of_faces[0] = r.number_of_faces[0];
    out.faces[0] = r.faces[0];
    out.feature = r.feature;
    return out;
}

Built resize_of(const RESIZEF_data_t& d) {
    Built b;
    b.refs = region_faces(first_set(d.region), &b.body);
    b.formulas = {text_of(d.resize)};
    keep_sets(b.row, d.region, 3);
    b.row.sets[1].clear();
    return b;
}

Built replace_of(const REPF_data_t& d) {
    Built b;
    b.refs = region_faces(first_set(d.region), &b.body);
    if (d.region.number_of_faces[2] < 1 || !d.region.faces[2])
        raise(DFO_ERR_REPLACEMENT, DFO_error_get_msg(DFO_ERR_REPLACEMENT));
    const tag_t with = d.region.faces[2][0];
    if (!host::objects::is_alive(with) || !ES_solid_is_a_face(with) || ES_solid_ask_body(with) != b.body ||
        std::find(b.refs.begin(), b.refs.end(), with) != b.refs.end())
        raise(DFO_ERR_REPLACEMENT, DFO_error_get_msg(DFO_ERR_REPLACEMENT));
    b.refs.push_back(with);
    keep_sets(b.row, d.region, 3);
    b.row.sets[1].clear();
    b.row.value = d.value;
    b.row.value_absent = d.value == 0 ? 1 : 0;
    b.row.option = d.option;
    return b;
}

Built offset_of(const OFST_data_t& d) {
    Built b;
    b.refs = region_faces(d.region, &b.body);
    b.formulas = {text_of(d.offset)};
    keep_sets(b.row, d.region, 3);
    return b;
}

Built pattern_of(const PTRN_data_t& d) {
    Built b;
    b.refs = region_faces(d.region, &b.body);
    keep_sets(b.row, d.region, 2);
    b.row.kind = d.kind;
    Line g{};
    int n1 = 2, n2 = 1;
    switch (d.kind) {
        case PTRN_RECTANGULAR: {
            const Line a = direction_of(d.direction[0]), c = direction_of(d.direction[1]);
            std::copy(a.along, a.along + 3, g.at);
            std::copy(c.along, c.along + 3, g.along);
            n1 = d.count[0];
            n2 = d.count[1];
            b.formulas = {text_of(d.spacing[0]), text_of(d.spacing[1])};
            break;
        }
        case PTRN_CIRCULAR:
            g = axis_of(d.axis);
            n1 = d.count[0];
            b.formulas = {text_of(d.angle), "0"};
            break;
        case PTRN_MIRROR:
            g = plane_of(d.plane);
            b.formulas = {"0", "0"};
            break;
        default: raise(DFO_ERR_REGION, "no pattern of this kind");
    }
    if (n1 < 1 || n2 < 1 || n1 * n2 < 2) raise(DFO_ERR_COUNT, DFO_error_get_msg(DFO_ERR_COUNT));
    b.numbers = {double(d.kind), double(n1), double(n2), g.at[0], g.at[1], g.at[2], g.along[0], g.along[1], g.along[2]};
    b.row.count = {d.count[0], d.count[1]};
    b.row.direction = {d.direction[0], d.direction[1]};
    b.row.axis = d.axis;
    b.row.plane = d.plane;
    return b;
}

// The factor texts a scale type uses: type 0 the first, type 1 the second
// and third, type 2 the fourth to sixth.
std::pair<int, int> factor_range(int type) {
    switch (type) {
        case 0: return {0, 1};
        case 1: return {1, 3};
        case 2: return {3, 6};
        default: return {0, 0};
    }
}

Built scale_of(const LSCALE_data_t& d) {
    Built b;
    b.refs = region_faces(d.region, &b.body);
    if (d.scale_type < 0 || d.scale_type > 2) raise(DFO_ERR_SCALE_TYPE, DFO_error_get_msg(DFO_ERR_SCALE_TYPE));
    keep_sets(b.row, d.region, 3);
    b.row.scale_type = d.scale_type;
    std::copy(d.reference, d.reference + 3, b.row.reference.begin());
    const tag_t centre = d.reference[d.scale_type == 2 ? 2 : 0];
    const std::array<double, 3> c = centre ? point_of(centre) : std::array<double, 3>{};
    b.numbers = {double(d.scale_type), c[0], c[1], c[2]};
    const auto [from, to] = factor_range(d.scale_type);
    b.formulas = {"1", "1", "1"};
    for (int i = from; i < to; ++i) b.formulas[i - from] = text_of(d.factor[i]);
    for (int i = 0; i < LSCALE_FACTOR_TEXTS; ++i) b.row.factors[i] = text_of(d.factor[i]);
    return b;
}

Built move_of(const MOVEF_data_t& d) {
    Built b;
    b.refs = region_faces(d.region, &b.body);
    keep_sets(b.row, d.region, 3);
    const auto it = transforms().rows.find(d.transform);
    if (it == transforms().rows.end() || it->second.type != d.motion_type)
        raise(DFO_ERR_TRANSFORM, DFO_error_get_msg(DFO_ERR_TRANSFORM));
    const Transform t = it->second;
    std::vector<double> g(12, 0.0);
    const auto put = [&](int at, const double* v) { std::copy(v, v + 3, g.begin() + at); };
    switch (t.type) {
        case TRANS_POINT_TO_POINT:
            put(0, point_of(t.objects[0]).data());
            put(3, point_of(t.objects[1]).data());
            break;
        case TRANS_DISTANCE: put(0, direction_of(t.objects[0]).along); break;
        case TRANS_ANGLE: {
            Line a = axis_of(t.objects[0]);
            if (t.objects[1]) std::copy_n(point_of(t.objects[1]).data(), 3, a.at);
            put(0, a.at);
            put(3, a.along);
            break;
        }
        default: {
            const Line from = axis_of(t.objects[0]), to = axis_of(t.objects[1]);
            put(0, from.at);
            put(3, from.along);
            put(6, to.at);
            put(9, to.along);
            break;
        }
    }
    b.numbers = {double(t.type)};
    b.numbers.insert(b.numbers.end(), g.begin(), g.end());
    b.formulas = {t.type == TRANS_DISTANCE || t.type == TRANS_ANGLE ? t.text : "0"};
    b.row.transform = d.transform;
    return b;
}

template <class Data>
tag_t create_op(const host::Call& call, Op op, Data* data, Built (*of)(const Data&)) {
    call.need(data, "the operation data");
    Built b = of(*data);
    const tag_t made = make(op, b.body, b.formulas, b.numbers, b.refs, std::move(b.row));
    return host::objects::require(made).eid;
}

template <class Data>
const DFO_region_t& region_of(const Data& d) {
    return d.region;
}

template <class Data>
void edit_op(const host::Call& call, tag_t feature, Op op, Data* data, Built (*of)(const Data&)) {
    call.need(data, "the operation data");
    require_row(feature, op);
    Built b = of(*data);
    need_same_body(feature, b.body);
    // A region as the feature has it may name faces that the operation
    // took: the feature keeps the faces it works on.
    const bool gone = std::any_of(b.refs.begin(), b.refs.end(), [](tag_t f) { return !host::objects::is_alive(f); });
    if (gone && !loaded_as(region_of(*data))) raise(DFO_ERR_REGION, DFO_error_get_msg(DFO_ERR_REGION));
    remake(feature, op, gone ? std::vector<tag_t>{} : b.refs, b.numbers, b.formulas, std::move(b.row));
}

// A loaded region: the feature's sets in new arrays.
template <class Data>
void load_region(tag_t feature, Op op, Data* data) {
    give_sets(require_row(feature, op), feature, &data->region);
}

}  // namespace

extern "C" {

// ---- regions ----

void DFO_region_init(DFO_region_t* region) {
    auto call = HOST_ENTRY(region);
    call.need(region, "the region");
    std::memset(region, 0, sizeof *region);
}

int DFO_region_process(DFO_region_t* region) {
    auto call = HOST_ENTRY(region);
    int status = 0;
    if (call.status(status)) return status;
    call.need(region, "the region");
    std::vector<tag_t> faces;
    tag_t body = 0;
    if (!extract(*region, faces, body)) return DFO_ERR_REGION;
    put_extracted(region, faces);
    return 0;
}

void DFO_region_extract_faces(DFO_region_t* region) {
    auto call = HOST_ENTRY(region);
    call.need(region, "the region");
    std::vector<tag_t> faces;
    tag_t body = 0;
    extract(*region, faces, body);
    put_extracted(region, faces);
}

void DFO_region_extraction_clear(DFO_region_t* region) {
    auto call = HOST_ENTRY(region);
    call.need(region, "the region");
    region->number_of_extracted = 0;
}

// ---- face constraint ----

void DFO_data_init_data(unsigned int feature, int mode, DFO_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the face constraint data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    DFO_data_feature_data_read(feature, data);
}

int DFO_data_check_seed(const unsigned int faces[], int n) {
    auto call = HOST_ENTRY(faces, n);
    int status = 0;
    if (call.status(status)) return status;
    if (n < 1 || !faces) return DFO_ERR_SEED;
    DFO_region_t r{};
    r.number_of_faces[0] = n;
    r.faces[0] = const_cast<unsigned int*>(faces);
    std::vector<tag_t> v;
    tag_t body = 0;
    return extract(r, v, body) ? 0 : DFO_ERR_SEED;
}

int DFO_data_check_from_face(unsigned int face) {
    auto call = HOST_ENTRY(face);
    int status = 0;
    if (call.status(status)) return status;
    Line l{};
    return face_data(face, ZQ_SURF_PLANE, l) ? 0 : DFO_ERR_FROM_FACE;
}

int DFO_data_check_to_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    int status = 0;
    if (call.status(status)) return status;
    Line l{};
    return face_data(object, ZQ_SURF_PLANE, l) ? 0 : DFO_ERR_TO_OBJECT;
}

int DFO_data_check_point(unsigned int point) {
    auto call = HOST_ENTRY(point);
    int status = 0;
    if (call.status(status)) return status;
    return is_type(point, HOST_TYPE_POINT) ? 0 : DFO_ERR_POINT;
}

unsigned int DFO_util_dirr_get_parent(unsigned int object) {
    HOST_ENTRY(object);
    if (host::objects::is_alive(object) && (ES_solid_is_a_face(object) || ES_solid_is_a_edge(object)))
        return ES_solid_ask_body(object);
    return object;
}

int DFO_constraint_validate(const DFO_data_t* data) {
    auto call = HOST_ENTRY(data);
    int status = 0;
    if (call.status(status)) return status;
    call.need(data, "the face constraint data");
    const DFO_constraint_t& c = data->constraint;
    Line from{}, to{};
    if (data->number_of_constraints != 1 || c.from_face == c.to_object ||
        !face_data(c.from_face, ZQ_SURF_PLANE, from) || !face_data(c.to_object, ZQ_SURF_PLANE, to) ||
        ES_solid_ask_body(c.from_face) != ES_solid_ask_body(c.to_object))
        return DFO_ERR_CONSTRAINT;
    const double across = from.along[0] * to.along[0] + from.along[1] * to.along[1] + from.along[2] * to.along[2];
    if (std::fabs(std::fabs(across) - 1) > 1e-9) return DFO_ERR_CONSTRAINT;
    double value = 0;
    const tag_t part = host::objects::require(c.from_face).part;
    if (EXP_ask_value_of_exp_str(part, text_of(c.value).c_str(), &value) != 0) return DFO_ERR_CONSTRAINT;
    return 0;
}

const char* DFO_error_get_msg(int code) {
    HOST_ENTRY(code);
    switch (code) {
#define HOST_DFO_TEXT(name, number, text) \
    case number: return text;
        HOST_DFO_CODES(HOST_DFO_TEXT)
#undef HOST_DFO_TEXT
        default: return "";
    }
}

unsigned int DFO_create(DFO_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::constraint, data, constraint_of);
}

void DFO_edit(unsigned int feature, DFO_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::constraint, data, constraint_of);
}

void DFO_data_set_current(DFO_data_t* data) { HOST_ENTRY(data); }

int DFO_is_dfo_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::constraint) ? 1 : 0;
}

void DFO_data_feature_data_read(unsigned int feature, DFO_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    call.need(data, "the face constraint data");
    const DfoRow& row = require_row(feature, Op::constraint);
    give_sets(row, feature, &data->region);
    data->number_of_constraints = row.number_of_constraints;
    data->constraint = row.constraint;
    put_text(data->constraint.value, formulas_of(feature)[0]);
}

// ---- resize face ----

void RESIZEF_data_init_data(unsigned int feature, int mode, RESIZEF_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the resize data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    load_region(feature, Op::resize, data);
    put_text(data->resize, formulas_of(feature)[0]);
}
unsigned int RESIZEF_create(RESIZEF_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::resize, data, resize_of);
}
void RESIZEF_edit(unsigned int feature, RESIZEF_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::resize, data, resize_of);
}
int RESIZEF_is_resizef_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::resize) ? 1 : 0;
}

// ---- replace face ----

void REPF_data_init_data(unsigned int feature, int mode, REPF_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the replace data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    load_region(feature, Op::replace, data);
    const DfoRow& row = *rows().find(feature);
    data->value = row.value;
    data->value_absent = row.value_absent;
    data->option = row.option;
}
unsigned int REPF_create(REPF_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::replace, data, replace_of);
}
void REPF_edit(unsigned int feature, REPF_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::replace, data, replace_of);
}
int REPF_is_repf_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::replace) ? 1 : 0;
}

// ---- offset region ----

void OFST_data_init_data(unsigned int feature, int mode, OFST_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the offset data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    load_region(feature, Op::offset, data);
    put_text(data->offset, formulas_of(feature)[0]);
}
unsigned int OFST_create(OFST_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::offset, data, offset_of);
}
void OFST_edit(unsigned int feature, OFST_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::offset, data, offset_of);
}
int OFST_is_ofst_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::offset) ? 1 : 0;
}

// ---- face patterns ----

void PTRN_data_init_data(unsigned int feature, int mode, PTRN_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the pattern data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    load_region(feature, Op::pattern, data);
    const DfoRow& row = *rows().find(feature);
    const std::vector<std::string> f = formulas_of(feature);
    data->kind = row.kind;
    for (int i = 0; i < 2; ++i) {
        data->count[i] = row.count[i];
        char text[32];
        std::snprintf(text, sizeof text, "%d", row.count[i]);
        put_text(data->count_text[i], text);
        data->direction[i] = row.direction[i];
    }
    data->axis = row.axis;
    data->plane = row.plane;
    if (row.kind == PTRN_RECTANGULAR) {
        put_text(data->spacing[0], f[0]);
        put_text(data->spacing[1], f[1]);
    } else if (row.kind == PTRN_CIRCULAR) {
        put_text(data->angle, f[0]);
    }
}
unsigned int PTRN_create(PTRN_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::pattern, data, pattern_of);
}
void PTRN_edit(unsigned int feature, PTRN_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::pattern, data, pattern_of);
}
int PTRN_is_ptrn_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::pattern) ? 1 : 0;
}

// ---- local scale ----

void LSCALE_load_data(unsigned int feature, int mode, LSCALE_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the local scale data");
    const DfoRow& row = require_row(feature, Op::scale);
    give_sets(row, feature, &data->region);
    data->type = data->scale_type = row.scale_type;
    std::copy(row.reference.begin(), row.reference.end(), data->reference);
    const std::vector<std::string> f = formulas_of(feature);
    for (int i = 0; i < LSCALE_FACTOR_TEXTS; ++i) put_text(data->factor[i], row.factors[i]);
    const auto [from, to] = factor_range(row.scale_type);
    for (int i = from; i < to; ++i) put_text(data->factor[i], f[i - from]);
}
unsigned int LSCALE_create(LSCALE_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::scale, data, scale_of);
}
void LSCALE_edit(unsigned int feature, LSCALE_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::scale, data, scale_of);
}
int LSCALE_is_lscale_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::scale) ? 1 : 0;
}

// ---- move region ----

void MOVEF_data_init_data(unsigned int feature, int mode, MOVEF_data_t* data) {
    auto call = HOST_ENTRY(feature, mode, data);
    call.need(data, "the move data");
    std::memset(data, 0, sizeof *data);
    if (feature == 0 || mode != 1) return;
    load_region(feature, Op::move, data);
    const DfoRow& row = *rows().find(feature);
    data->transform = row.transform;
    const auto it = transforms().rows.find(row.transform);
    data->motion_type = it == transforms().rows.end() ? 0 : it->second.type;
}
unsigned int MOVEF_create(MOVEF_data_t* data) {
    auto call = HOST_ENTRY(data);
    return create_op(call, Op::move, data, move_of);
}
void MOVEF_edit(unsigned int feature, MOVEF_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    edit_op(call, feature, Op::move, data, move_of);
}
int MOVEF_is_movef_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return row_of(feature, Op::move) ? 1 : 0;
}

}  // extern "C"

// ---- transforms ----

namespace {

int new_transform(Transform t) {
    Transforms& all = transforms();
    const int id = ++all.next;
    all.rows[id] = std::move(t);
    return id;
}

void set_transform(const host::Call& call, int id, Transform t) {
    Transforms& all = transforms();
    const auto it = all.rows.find(id);
    if (it == all.rows.end() || it->second.type != t.type)
        call.fail(DFO_ERR_TRANSFORM, "%s", DFO_error_get_msg(DFO_ERR_TRANSFORM));
    it->second = std::move(t);
}

std::string text_or_empty(const char* text) { return text ? std::string(text, strnlen(text, DFO_TEXT_CHARS - 1)) : ""; }

}  // namespace

extern "C" {

int TRANS_pp_create(unsigned int from_point, unsigned int to_point) {
    HOST_ENTRY(from_point, to_point);
    return new_transform({TRANS_POINT_TO_POINT, {from_point, to_point, 0}, ""});
}
int TRANS_dist_create(unsigned int direction, const char* displacement) {
    HOST_ENTRY_TEXT(displacement, direction);
    return new_transform({TRANS_DISTANCE, {direction, 0, 0}, text_or_empty(displacement)});
}
int TRANS_angle_create(unsigned int axis, unsigned int point, const char* angle) {
    HOST_ENTRY_TEXT(angle, axis, point);
    return new_transform({TRANS_ANGLE, {axis, point, 0}, text_or_empty(angle)});
}
int TRANS_aa_create(unsigned int from_axis, unsigned int to_axis, unsigned int pivot_point) {
    HOST_ENTRY(from_axis, to_axis, pivot_point);
    return new_transform({TRANS_AXIS_TO_AXIS, {from_axis, to_axis, pivot_point}, ""});
}
void TRANS_pp_edit(unsigned int from_point, unsigned int to_point, int transform) {
    auto call = HOST_ENTRY(from_point, to_point, transform);
    set_transform(call, transform, {TRANS_POINT_TO_POINT, {from_point, to_point, 0}, ""});
}
void TRANS_dist_edit(unsigned int direction, const char* displacement, int transform) {
    auto call = HOST_ENTRY_TEXT(displacement, direction, transform);
    set_transform(call, transform, {TRANS_DISTANCE, {direction, 0, 0}, text_or_empty(displacement)});
}
void TRANS_angle_edit(unsigned int axis, unsigned int point, const char* angle, int transform) {
    auto call = HOST_ENTRY_TEXT(angle, axis, point, transform);
    set_transform(call, transform, {TRANS_ANGLE, {axis, point, 0}, text_or_empty(angle)});
}
void TRANS_aa_edit(unsigned int from_axis, unsigned int to_axis, unsigned int pivot_point, int transform) {
    auto call = HOST_ENTRY(from_axis, to_axis, pivot_point, transform);
    set_transform(call, transform, {TRANS_AXIS_TO_AXIS, {from_axis, to_axis, pivot_point}, ""});
}
void TRANS_delete(int transform) {
    auto call = HOST_ENTRY(transform);
    if (transforms().rows.erase(transform) == 0)
        call.fail(DFO_ERR_TRANSFORM, "%s", DFO_error_get_msg(DFO_ERR_TRANSFORM));
}
void TRANS_ask_data(int transform, int* motion_type, unsigned int objects[3], char text[DFO_TEXT_CHARS]) {
    auto call = HOST_ENTRY(transform, motion_type, objects, text);
    call.need(motion_type, "the motion type output");
    call.need(objects, "the objects output");
    call.need(text, "the text output");
    const Transforms& all = transforms();
    const auto it = all.rows.find(transform);
    if (it == all.rows.end()) call.fail(DFO_ERR_TRANSFORM, "%s", DFO_error_get_msg(DFO_ERR_TRANSFORM));
    *motion_type = it->second.type;
    std::copy(it->second.objects.begin(), it->second.objects.end(), objects);
    // The text of a distance or angle is the expression of the feature
    // that owns the transform.
    std::string t = it->second.text;
    const tag_t owner = it->second.owner;
    if (owner != 0 && t != "" && row_of(owner, Op::move)) t = formulas_of(owner)[0];
    const std::size_t n = std::min(t.size(), std::size_t{DFO_TEXT_CHARS - 1});
    std::memcpy(text, t.data(), n);
    text[n] = '\0';
}

}  // extern "C"

// ---- part-file section "DFOP": what the direct face operations keep ----------
//
// Payload: rows (part_file::write_rows), one per direct face operation:
//   i32 operation (0 face constraint, 1 resize, 2 replace, 3 offset,
//       4 pattern, 5 local scale, 6 move region)
//   3 x (u32 count + u32 object numbers)   the face sets
//   constraint: i32 type, 4 x u32 objects (from face, to object, to
//       parent, point), str value, i32 number of constraints
//   i32 replace value, u8 value absent, u8 option
//   pattern: i32 kind, 2 x i32 counts, 2 x u32 direction objects, u32 axis,
//       u32 plane
//   local scale: i32 scale type, 3 x u32 reference objects, 6 x str factors
//   u8 transform kept; when kept: i32 motion type, 3 x u32 objects, str text
// An object not saved with the part (a face the operation took away) is
// written as 0xFFFFFFFF and read back as 0. A move's transform is read back
// as a new transform owned by the feature. The reader refuses operations,
// pattern kinds, scale and motion types out of range and texts longer than
// their fields.
namespace {

namespace pf = host::part_file;
namespace fl = host::part_file::fields;
using fl::put_object;
using fl::put_objects;
using fl::put_reals;
constexpr std::string_view kWhat = "a direct face operation";

std::string get_text(pf::Reader& in, std::size_t field) {
    std::string t = in.str();
    if (t.size() >= field || t.find('\0') != std::string::npos)
        throw pf::FormatError("a direct face operation's text is too long");
    return t;
}

struct ReadOp {
    tag_t feature = 0;
    DfoRow row;
    bool has_transform = false;
    Transform transform;
};

void write_operations(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> ops;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (const DfoRow* r = rows().find(f); r && row_of(f, r->op)) ops.push_back(f);
    pf::write_rows(out, ctx, ops, [&](pf::Writer& row, tag_t t) {
        const DfoRow& r = *rows().find(t);
        row.i32(static_cast<int>(r.op));
        for (const auto& set : r.sets) {
            row.u32(static_cast<std::uint32_t>(set.size()));
            for (tag_t f : set) put_object(row, ctx, f);
        }
        const DFO_constraint_t& c = r.constraint;
        row.i32(c.constraint_type);
        for (tag_t o : {c.from_face, c.to_object, c.to_parent, c.point}) put_object(row, ctx, o);
        row.str(text_of(c.value));
        row.i32(r.number_of_constraints);
        row.i32(r.value);
        row.u8(r.value_absent);
        row.u8(r.option);
        row.i32(r.kind);
        row.i32(r.count[0]);
        row.i32(r.count[1]);
        for (tag_t o : {r.direction[0], r.direction[1], r.axis, r.plane}) put_object(row, ctx, o);
        row.i32(r.scale_type);
        for (tag_t o : r.reference) put_object(row, ctx, o);
        for (const std::string& f : r.factors) row.str(f);
        const auto it = r.op == Op::move ? transforms().rows.find(r.transform) : transforms().rows.end();
        row.u8(it != transforms().rows.end() ? 1 : 0);
        if (it == transforms().rows.end()) return;
        row.i32(it->second.type);
        for (tag_t o : it->second.objects) put_object(row, ctx, o);
        row.str(it->second.text);
    });
}

void read_operations(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<ReadOp> read;
    pf::read_rows(in, ctx, {"direct face operation row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a direct face operation row of an object that is no feature");
        ReadOp op;
        op.feature = t;
        DfoRow& r = op.row;
        const int kind = row.i32();
        if (kind < 0 || kind >= static_cast<int>(kKinds.size()))
            throw pf::FormatError("a direct face operation of no known kind");
        r.op = static_cast<Op>(kind);
        for (auto& set : r.sets) {
            const std::uint32_t n = row.u32();
            if (n > row.left() / 4) throw pf::FormatError("a direct face operation's count beyond its row");
            set.resize(n);
            for (tag_t& f : set) f = fl::get_object(row, ctx, kWhat);
        }
        DFO_constraint_t& c = r.constraint;
        c.constraint_type = row.i32();
        for (unsigned int* o : {&c.from_face, &c.to_object, &c.to_parent, &c.point}) *o = fl::get_object(row, ctx, kWhat);
        put_text(c.value, get_text(row, DFO_TEXT_CHARS));
        r.number_of_constraints = row.i32();
        r.value = row.i32();
        r.value_absent = row.u8();
        r.option = row.u8();
        r.kind = row.i32();
        r.count[0] = row.i32();
        r.count[1] = row.i32();
        for (tag_t* o : {&r.direction[0], &r.direction[1], &r.axis, &r.plane}) *o = fl::get_object(row, ctx, kWhat);
        r.scale_type = row.i32();
        for (tag_t& o : r.reference) o = fl::get_object(row, ctx, kWhat);
        for (std::string& f : r.factors) f = get_text(row, LSCALE_FACTOR_CHARS);
        const std::uint8_t kept = row.u8();
        if (kept > 1 || (kept == 1 && r.op != Op::move))
            throw pf::FormatError("a transform kept by an operation other than a move");
        if (kept) {
            op.has_transform = true;
            op.transform.type = row.i32();
            for (tag_t& o : op.transform.objects) o = fl::get_object(row, ctx, kWhat);
            op.transform.text = get_text(row, DFO_TEXT_CHARS);
            op.transform.owner = t;
            if (op.transform.type < TRANS_POINT_TO_POINT || op.transform.type > TRANS_AXIS_TO_AXIS)
                throw pf::FormatError("a transform of no known motion type");
        }
        if (r.kind < PTRN_RECTANGULAR || r.kind > PTRN_MIRROR || r.scale_type < 0 || r.scale_type > 2 ||
            r.value_absent > 1)
            throw pf::FormatError("a direct face operation holds values the host does not make");
        read.push_back(std::move(op));
    });
    for (ReadOp& op : read) {
        if (op.has_transform) {
            Transforms& all = transforms();
            op.row.transform = ++all.next;
            all.rows[op.row.transform] = std::move(op.transform);
        }
        rows()[op.feature] = std::move(op.row);
    }
}

const bool section_registered = (pf::register_section({{'D', 'F', 'O', 'P'}, write_operations, read_operations}), true);

}  // namespace

// The texts of the direct face operations.
HOST_CODE_TEXTS(HOST_DFO_CODES);
