// Projected curves (host/apps/modeling/curvefeat/curvefeat.h): curves, edges and points
// projected onto faces, sheets and planes, as features with a lookup table
// or as plain curves.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/views.h"
#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "PROJECTED_CURVE";

const char* const kClassNames[] = {"CPROJ_normal_feature_parms_c", "CPROJ_point_feature_parms_c",
                                   "CPROJ_vector_feature_parms_c", "CPROJ_angvec_feature_parms_c",
                                   "CPROJ_line_feature_parms_c",   "CPROJ_arclen_feature_parms_c"};

int base_class() {
    static const int c = host::objects::register_class("CPROJ_feature_parms_c", OM_CLASS_OBJECT);
    return c;
}

int class_of_type(int type) {
    static const std::vector<int> classes = [] {
        std::vector<int> c;
        for (const char* n : kClassNames) c.push_back(host::objects::register_class(n, base_class()));
        return c;
    }();
    return type >= 1 && type <= 6 ? classes[type - 1] : 0;
}
const bool classes_made = (class_of_type(1), true);

struct Entry {
    tag_t curve = 0, face = 0;
    std::vector<tag_t> outputs;
};

struct ProjParams {
    int cls = 0;
    int version = CPROJ_latest_version;
    int type = 1;
    tag_t pnt = 0, line = 0;
    double vec[3] = {0, 0, 1}, xvec[3] = {0, 0, 1};
    int arcl = 0;
    tag_t angle_exp = 0;  // degrees
    double tol = 0;
    int multiplicity = 1, quintic = 0, algorithm = 1;
    std::vector<tag_t> curves, faces;
    std::vector<Entry> lookup;
    std::vector<double> inputs;  // fingerprint of what it was made from
};
host::TagTable<ProjParams>& params() {
    static auto* const t = new host::TagTable<ProjParams>("projected curves");
    return *t;
}
const bool registered = (params(), true);

bool is_plane(tag_t o) {
    const int t = ES_ask_entity_type(o);
    return t == HOST_TYPE_PLANE || t == HOST_TYPE_DATUM_PLANE;
}

// The faces (or planes) a target stands for.
std::vector<tag_t> faces_of_target(tag_t target) {
    if (!host::objects::is_alive(target)) return {};
    if (ES_solid_is_a_sheet_body(target)) {
        std::vector<tag_t> out;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(target)))
            if (const tag_t o = host::kernel::object_of(f)) out.push_back(o);
        return out;
    }
    if (ES_solid_is_a_face(target) || is_plane(target)) return {target};
    return {};
}

// The curves an input stands for (a curve feature: its curves; a sketch:
// its members).
std::vector<tag_t> curves_of_input(tag_t input) {
    if (!host::objects::is_alive(input)) return {};
    if (const host::feature::Record* r = host::feature::find(input)) return r->results;
    if (host::objects::require(input).type == HOST_TYPE_SKETCH) {
        std::vector<tag_t> members;
        for (int i = 1, n = ES_count_sketch_members(input); i <= n; ++i)
            members.push_back(ES_read_sketch_member(input, i));
        return members;
    }
    return {input};
}

std::vector<tag_t> expand(const std::vector<tag_t>& in, std::vector<tag_t> (*f)(tag_t)) {
    std::vector<tag_t> out;
    for (tag_t t : in)
        for (tag_t x : f(t))
            if (std::find(out.begin(), out.end(), x) == out.end()) out.push_back(x);
    return out;
}

void rotate(const double v[3], const double axis[3], double angle, double out[3]) {
    double k[3] = {axis[0], axis[1], axis[2]};
    const double n = std::sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
    if (!(n > 0)) {
        std::copy(v, v + 3, out);
        return;
    }
    for (double& x : k) x /= n;
    const double c = std::cos(angle), s = std::sin(angle);
    const double kv = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    const double kx[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2], k[0] * v[1] - k[1] * v[0]};
    for (int i = 0; i < 3; ++i) out[i] = v[i] * c + kx[i] * s + k[i] * kv * (1 - c);
}

kc::Projection how_of(const host::Call& call, const ProjParams& p) {
    kc::Projection h;
    h.tolerance = p.tol > 0 ? p.tol : 1e-4;
    std::copy(p.vec, p.vec + 3, h.direction);
    switch (p.type) {
        case 2:
            h.kind = 2;
            ES_ask_coordinates_of_point(p.pnt, h.point);
            break;
        case 3:
        case 6:
            h.kind = 3;
            h.both = p.type == 3 && p.multiplicity == 2;
            break;
        case 4: {
            h.kind = 3;
            const double degrees = p.angle_exp ? host::expr::value(p.angle_exp) : 0.0;
            rotate(p.vec, p.xvec, degrees * std::numbers::pi / 180, h.direction);
            break;
        }
        case 5: {
            h.kind = 5;
            if (ES_ask_entity_type(p.line) == HOST_TYPE_LINE) {
                double e[3];
                ES_ask_coordinates_of_line(p.line, h.point, e);
                for (int i = 0; i < 3; ++i) h.direction[i] = e[i] - h.point[i];
            } else if (!host::profiles::direction_data(p.line, h.point, h.direction)) {
                call.fail(CURVEFEAT_ERR_BAD_INPUT, "object %u is no line or datum axis", p.line);
            }
            break;
        }
        default: h.kind = 1; break;
    }
    return h;
}

// One piece of a projection: a curve, or a point of a projected point.
struct Piece {
    std::optional<hostnum::Curve> curve;
    double point[3] = {0, 0, 0};
};

std::vector<Piece> project(const host::Call& call, const ProjParams& p, tag_t curve, tag_t face) {
    const kc::Projection how = how_of(call, p);
    std::vector<Piece> out;
    kc::Plane plane{};
    const bool planar = is_plane(face);
    if (planar) {
        if (ES_ask_entity_type(face) == HOST_TYPE_PLANE) {
            double d[6];
            ES_ask_plane_data(face, d);
            std::copy(d, d + 3, plane.point);
            std::copy(d + 3, d + 6, plane.normal);
        } else if (!host::profiles::direction_data(face, plane.point, plane.normal)) {
            call.fail(CURVEFEAT_ERR_BAD_INPUT, "datum plane %u has no data", face);
        }
    }
    if (ES_ask_entity_type(curve) == HOST_TYPE_POINT) {
        double at[3], q[3];
        ES_ask_coordinates_of_point(curve, at);
        const bool hit = planar ? kc::project_point_onto_plane(at, plane, how, q)
                                : kc::project_point_onto_face(call, at, face, how, q);
        if (hit) {
            Piece piece;
            std::copy(q, q + 3, piece.point);
            out.push_back(piece);
        }
        return out;
    }
    const auto curves =
        planar ? kc::project_onto_plane(call, curve, plane, how) : kc::project_onto_face(call, curve, face, how);
    for (const auto& c : curves) out.push_back(Piece{c, {0, 0, 0}});
    return out;
}

tag_t make_output(const Piece& piece) {
    if (piece.curve) return host::curvefeat::new_curve(*piece.curve);
    tag_t t = 0;
    ES_create_point(piece.point, &t);
    return t;
}

// The outputs of an entry made again from the pieces: kept tags where the
// kind of output stays, new ones for further pieces, the rest deleted.
void renew(std::vector<tag_t>& outputs, const std::vector<Piece>& pieces) {
    std::vector<tag_t> now;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const tag_t old = i < outputs.size() && host::objects::is_alive(outputs[i]) ? outputs[i] : 0;
        const bool point = !pieces[i].curve;
        if (old && point == (ES_ask_entity_type(old) == HOST_TYPE_POINT)) {
            if (point) POINT_set_coordinates(old, pieces[i].point);
            else host::curves::attach_curve(old, *pieces[i].curve);
            now.push_back(old);
        } else {
            if (old) host::entity::destroy_with_dependents(old);
            now.push_back(make_output(pieces[i]));
        }
    }
    for (std::size_t i = pieces.size(); i < outputs.size(); ++i)
        if (host::objects::is_alive(outputs[i])) host::entity::destroy_with_dependents(outputs[i]);
    outputs = std::move(now);
}

std::vector<tag_t> all_outputs(const ProjParams& p) {
    std::vector<tag_t> out;
    for (const Entry& e : p.lookup)
        for (tag_t o : e.outputs)
            if (host::objects::is_alive(o)) out.push_back(o);
    return out;
}

std::vector<tag_t> watched(const ProjParams& p) {
    std::vector<tag_t> w = expand(p.curves, curves_of_input);
    const std::vector<tag_t> f = expand(p.faces, faces_of_target);
    w.insert(w.end(), f.begin(), f.end());
    if (p.pnt) w.push_back(p.pnt);
    if (p.line) w.push_back(p.line);
    return w;
}

std::vector<double> fingerprint_of(const ProjParams& p) {
    std::vector<double> fp = host::curvefeat::fingerprint(watched(p));
    fp.push_back(p.angle_exp ? host::expr::value(p.angle_exp) : 0.0);
    return fp;
}

// Makes every entry again, makes entries for the pairs that have none and
// drops those of pairs the feature no longer has (with their curves).
void regenerate(const host::Call& call, ProjParams& p) {
    const std::vector<tag_t> curves = expand(p.curves, curves_of_input);
    const std::vector<tag_t> faces = expand(p.faces, faces_of_target);
    for (tag_t c : curves)
        for (tag_t f : faces) {
            const bool known = std::any_of(p.lookup.begin(), p.lookup.end(),
                                           [&](const Entry& e) { return e.curve == c && e.face == f; });
            if (!known) p.lookup.push_back(Entry{c, f, {}});
        }
    // Entries of pairs the feature no longer has go with their curves.
    std::vector<Entry> kept;
    for (Entry& e : p.lookup) {
        const bool listed = std::find(curves.begin(), curves.end(), e.curve) != curves.end() &&
                            std::find(faces.begin(), faces.end(), e.face) != faces.end();
        if (!listed) {
            renew(e.outputs, {});
            continue;
        }
        renew(e.outputs, project(call, p, e.curve, e.face));
        kept.push_back(std::move(e));
    }
    p.lookup = std::move(kept);
}

ProjParams from_record(const host::Call& call, const CPROJ_rec_t& r, tag_t part) {
    ProjParams p;
    p.type = r.proj_type >= 1 && r.proj_type <= 6 ? r.proj_type : 1;
    p.cls = class_of_type(p.type);
    p.version = r.version;
    if (p.type == 2 || p.type == 6) p.pnt = r.proj_object;
    if (p.type == 5) p.line = r.proj_object;
    std::copy(r.proj_vector, r.proj_vector + 3, p.vec);
    std::copy(r.second_vector, r.second_vector + 3, p.xvec);
    p.arcl = r.arclength_option;
    p.tol = r.tolerance[0];
    p.multiplicity = r.multiplicity;
    p.quintic = r.quintic;
    if (p.type == 4) {
        // The angle's expression holds degrees, the unit the caller gives.
        const std::string text = r.angle_text[0] ? r.angle_text : "0";
        if (const int code = host::expr::create_system(part, text, &p.angle_exp))
            call.fail(code, "angle %s", text.c_str());
    }
    return p;
}

const ProjParams& proj_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const ProjParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no projection feature", feature);
    return *p;
}

void check_inputs(const host::Call& call, int n_curves, const unsigned int* curves, int n_targets,
                  const unsigned int* targets) {
    if (n_curves < 1 || n_targets < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d curves, %d targets", n_curves, n_targets);
    call.need(curves, "the curves");
    call.need(targets, "the targets");
    for (int i = 0; i < n_curves; ++i) call.live(curves[i]);
    for (int i = 0; i < n_targets; ++i) call.live(targets[i]);
}

void follow() {
    host::curvefeat::follow_kind("CPROJ_update", kKind,
                                 {[](tag_t f) {
                                      const ProjParams* p = params().find(f);
                                      return p ? &p->inputs : nullptr;
                                  },
                                  [](tag_t f) { return fingerprint_of(*params().find(f)); },
                                  [](const host::Call& call, tag_t f, const std::vector<double>& now) {
                                      ProjParams p = *params().find(f);
                                      regenerate(call, p);
                                      p.inputs = now;
                                      host::feature::set_results(f, all_outputs(p));
                                      params()[f] = p;
                                  }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A projection's row: i32 version, i32 type (1 to 6), u32 point (kNone:
// none; type 2 needs one), u32 line or datum axis (kNone: none; type 5
// needs one), 3 f64 vector, 3 f64 second vector, i32 arc-length option,
// u32 angle expression (kNone: none), f64 tolerance, i32 multiplicity, i32
// quintic, i32 algorithm version, u32 count and the input curves (curves,
// points or curve features; one at least), u32 count and the targets
// (faces, sheets, planes; one at least), u32 count of lookup entries, per
// entry u32 input curve, u32 target face and u32 count and the output
// curves (splines or points, each in one entry only). The parameter
// object's class follows from the type.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const ProjParams& p = *params().find(feature);
    out.w().i32(p.version);
    out.w().i32(p.type);
    out.tag(p.pnt);
    out.tag(p.line);
    for (double v : p.vec) out.w().f64(v);
    for (double v : p.xvec) out.w().f64(v);
    out.w().i32(p.arcl);
    out.tag(p.angle_exp);
    out.w().f64(p.tol);
    out.w().i32(p.multiplicity);
    out.w().i32(p.quintic);
    out.w().i32(p.algorithm);
    out.tags(p.curves);
    out.tags(p.faces);
    out.w().u32(static_cast<std::uint32_t>(p.lookup.size()));
    for (const Entry& e : p.lookup) {
        out.tag(e.curve);
        out.tag(e.face);
        out.tags_in_file(e.outputs);  // a curve deleted since is no output
    }
}

bool curve_or_point(const host::objects::Object& o) { return fr::curve(o) || fr::point(o); }

std::function<void()> read_row(fr::In& in, tag_t feature) {
    using host::part_file::FormatError;
    ProjParams p;
    p.version = in.r().i32();
    p.type = in.range(1, 6);
    p.cls = class_of_type(p.type);
    p.pnt = in.tag(fr::point, true);
    p.line = in.tag(fr::axis, true);
    if ((p.type == 2 && !p.pnt) || (p.type == 5 && !p.line))
        throw FormatError("a projection lacks the point or line of its type");
    for (double& v : p.vec) v = in.real();
    for (double& v : p.xvec) v = in.real();
    p.arcl = in.r().i32();
    p.angle_exp = in.tag(fr::expression, true);
    p.tol = in.real();
    p.multiplicity = in.r().i32();
    p.quintic = in.r().i32();
    p.algorithm = in.r().i32();
    p.curves = in.tags(fr::input);
    p.faces = in.tags(fr::target);
    if (p.curves.empty() || p.faces.empty()) throw FormatError("a projection without curves or targets");
    const std::uint32_t n = in.count(12);
    std::vector<tag_t> seen;
    for (std::uint32_t i = 0; i < n; ++i) {
        Entry e;
        e.curve = in.tag(curve_or_point);
        e.face = in.tag(fr::target);
        e.outputs = in.tags(fr::output);
        for (tag_t o : e.outputs) {
            if (std::find(seen.begin(), seen.end(), o) != seen.end())
                throw FormatError("a projection's curve in two places");
            seen.push_back(o);
        }
        p.lookup.push_back(std::move(e));
    }
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

template <class T>
T* sm_copy(const std::vector<T>& v) {
    if (v.empty()) return nullptr;
    T* out = static_cast<T*>(SM_alloc(sizeof(T) * v.size()));
    std::copy(v.begin(), v.end(), out);
    return out;
}

}  // namespace

extern "C" {

int CPROJ_is_proj_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

void CPROJ_create_feature(int n_curves, const unsigned int* curves, int n_targets, const unsigned int* targets,
                          int flags, const CPROJ_rec_t* record, int kind, unsigned int* feature, int* error) {
    auto call = HOST_ENTRY(n_curves, n_targets, flags, kind);
    call.need(record, "the projection record");
    call.need(feature, "the feature output");
    call.need(error, "the error output");
    *feature = 0;
    *error = 0;
    if (int status; call.status(status)) {
        *error = status;
        return;
    }
    check_inputs(call, n_curves, curves, n_targets, targets);
    const tag_t part = CONTEXT_ask_work_part();
    ProjParams p = from_record(call, *record, part);
    p.curves.assign(curves, curves + n_curves);
    p.faces.assign(targets, targets + n_targets);
    regenerate(call, p);
    const std::vector<tag_t> outputs = all_outputs(p);
    if (outputs.empty()) {
        if (p.angle_exp) EXP_delete_exp(p.angle_exp);
        *error = CURVEFEAT_ERR_NO_CURVE;
        return;
    }
    const tag_t f = host::feature::create(part, kKind, host::curvefeat::producers(p.curves), outputs);
    p.inputs = fingerprint_of(p);
    params()[f] = p;
    *feature = f;
}

void CPROJ_create_curves(int n_curves, const unsigned int* curves, int n_targets, const unsigned int* targets, int a,
                         int b, const CPROJ_rec_t* record, int output_kind, int kind, int set) {
    auto call = HOST_ENTRY(n_curves, n_targets, output_kind, set);
    (void)a, (void)b, (void)kind;
    call.need(record, "the projection record");
    check_inputs(call, n_curves, curves, n_targets, targets);
    int count = 0;
    unsigned int* had = nullptr;
    TS_ask_set(set, &count, &had);  // checks the set
    SM_free(had);
    ProjParams p = from_record(call, *record, CONTEXT_ask_work_part());
    std::vector<tag_t> made;
    for (tag_t c : expand(std::vector<tag_t>(curves, curves + n_curves), curves_of_input))
        for (tag_t f : expand(std::vector<tag_t>(targets, targets + n_targets), faces_of_target))
            for (const Piece& piece : project(call, p, c, f)) made.push_back(make_output(piece));
    if (p.angle_exp) EXP_delete_exp(p.angle_exp);
    host::curvefeat::add_to_set(set, made);
}

void CPROJ_ask_feature_parms(unsigned int feature, CPROJ_parms_t* parms) {
    auto call = HOST_ENTRY(feature, parms);
    call.need(parms, "the parameters output");
    const ProjParams& p = proj_params(call, feature);
    CPROJ_parms_t out{};
    out.cls = p.cls;
    out.version = p.version;
    out.proj_type = p.type;
    out.proj_pnt = p.pnt;
    out.proj_line = p.line;
    std::copy(p.vec, p.vec + 3, out.proj_vec);
    std::copy(p.xvec, p.xvec + 3, out.xvec);
    out.arcl_opt = p.arcl;
    out.angle_exp = p.angle_exp;
    out.tol = p.tol;
    out.multiplicity = p.multiplicity;
    out.out_quintic_typ = p.quintic;
    out.algorithm_version = p.algorithm;
    out.n_curves = static_cast<int>(p.curves.size());
    out.curves = sm_copy(p.curves);
    out.n_faces = static_cast<int>(p.faces.size());
    out.faces = sm_copy(p.faces);
    out.n_lookup = static_cast<int>(p.lookup.size());
    if (out.n_lookup > 0) {
        out.lookup = static_cast<CPROJ_lookup_t*>(SM_alloc(sizeof(CPROJ_lookup_t) * p.lookup.size()));
        for (std::size_t i = 0; i < p.lookup.size(); ++i) {
            const Entry& e = p.lookup[i];
            out.lookup[i] = CPROJ_lookup_t{e.curve, e.face, static_cast<int>(e.outputs.size()), sm_copy(e.outputs)};
        }
    }
    *parms = out;
}

void CPROJ_set_feature_parms(unsigned int feature, const CPROJ_parms_t* parms) {
    auto call = HOST_ENTRY(feature, parms);
    call.need(parms, "the parameters");
    const ProjParams& old = proj_params(call, feature);
    if (parms->proj_type < 1 || parms->proj_type > 6 || parms->cls != class_of_type(parms->proj_type))
        call.fail(HOST_ERR_BAD_ARGUMENT, "class %d is not that of projection type %d", parms->cls, parms->proj_type);
    ProjParams p;
    p.cls = parms->cls;
    p.version = parms->version;
    p.type = parms->proj_type;
    p.pnt = parms->proj_pnt;
    p.line = parms->proj_line;
    std::copy(parms->proj_vec, parms->proj_vec + 3, p.vec);
    std::copy(parms->xvec, parms->xvec + 3, p.xvec);
    p.arcl = parms->arcl_opt;
    p.angle_exp = parms->angle_exp;
    p.tol = parms->tol;
    p.multiplicity = parms->multiplicity;
    p.quintic = parms->out_quintic_typ;
    p.algorithm = parms->algorithm_version;
    p.curves.assign(parms->curves, parms->curves + std::max(parms->n_curves, 0));
    p.faces.assign(parms->faces, parms->faces + std::max(parms->n_faces, 0));
    for (int i = 0; i < parms->n_lookup; ++i) {
        const CPROJ_lookup_t& e = parms->lookup[i];
        p.lookup.push_back(Entry{e.input_curve, e.input_face,
                                 std::vector<tag_t>(e.output_curves, e.output_curves + std::max(e.n_outputs, 0))});
    }
    // Outputs no entry keeps any more go.
    const std::vector<tag_t> kept = all_outputs(p);
    for (tag_t o : all_outputs(old))
        if (std::find(kept.begin(), kept.end(), o) == kept.end()) host::entity::destroy_with_dependents(o);
    host::feature::set_results(feature, kept);
    p.inputs.clear();  // made again at the next update
    params()[feature] = p;
}

void CPROJ_free_parms(CPROJ_parms_t* parms) {
    auto call = HOST_ENTRY(parms);
    call.need(parms, "the parameters");
    for (int i = 0; i < parms->n_lookup; ++i) SM_free(parms->lookup[i].output_curves);
    SM_free(parms->lookup);
    SM_free(parms->curves);
    SM_free(parms->faces);
    *parms = CPROJ_parms_t{};
}

unsigned int CPROJ_entity_ask_om_tag(unsigned int target) {
    HOST_ENTRY(target);
    if (!host::objects::is_alive(target)) return 0;
    return ES_solid_is_a_face(target) || ES_solid_is_a_sheet_body(target) || is_plane(target) ? target : 0;
}

int CPROJ_ask_proj_curve_parents(unsigned int feature, unsigned int curve, unsigned int* input_curve,
                                 unsigned int* input_face) {
    auto call = HOST_ENTRY(feature, curve, input_curve, input_face);
    if (int status; call.status(status)) return status;
    call.need(input_curve, "the input curve output");
    call.need(input_face, "the input face output");
    const ProjParams* p = host::objects::is_alive(feature) ? params().find(feature) : nullptr;
    if (!p) return 1;
    for (const Entry& e : p->lookup)
        if (std::find(e.outputs.begin(), e.outputs.end(), curve) != e.outputs.end()) {
            *input_curve = e.curve;
            *input_face = e.face;
            return 0;
        }
    return 2;
}

}  // extern "C"
