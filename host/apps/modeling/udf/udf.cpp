// User-defined features (see udf.h): definitions saved as part files,
// brought into a part, given values and placed.
#include "host/apps/modeling/udf/udf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/records.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/kernel/ops/tool_shapes.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/ops/trimmed_tool.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature::udf {
namespace {

namespace pf = host::part_file;

constexpr const char* kToolKind = "UDF_TOOL";
constexpr const char* kPlacedKind = "UDF";
// Parameters of both kinds: as many as the form kind with the most takes;
// the kinds with fewer leave the rest at 0.
constexpr std::size_t kParameters = 6;
// Fixed numbers: the form feature's place (form::kNumbers), then the
// exported kind's number in kExportable.
constexpr std::size_t kKindNumber = form::kNumbers;

struct Exportable {
    const char* kind;
    bool unites;
};
constexpr Exportable kExportable[] = {
    {"SIMPLE HOLE", false}, {"CBORE_HOLE", false}, {"CSUNK_HOLE", false}, {"BOSS", true},
    {"CYL_POCKET", false},  {"RECT_POCKET", false}, {"RECT_PAD", true},   {"RECT_SLOT", false},
    {"BALL_SLOT", false},   {"U_SLOT", false},      {"T_SLOT", false},    {"DOVE_TAIL_SLOT", false},
};

int exportable_index(const std::string& kind) {
    for (std::size_t i = 0; i < std::size(kExportable); ++i)
        if (kind == kExportable[i].kind) return static_cast<int>(i);
    return -1;
}

struct Parm {
    std::string prompt;
    std::string variable;
};

// A definition as the export makes it and a definition part holds it.
struct Definition {
    std::string name;
    int kind = 0;                         // in kExportable
    std::vector<std::string> formulas;    // of the kind's parameters
    std::vector<std::pair<std::string, std::string>> variables;  // name, value
    std::vector<Parm> parms;
    int placement = UDF_ATTACH_NONE;
    double place[9] = {};  // location, direction, X direction
};

// A UDF of a part (model state).
struct Udf {
    std::string name;
    std::vector<Parm> parms;
    int placement = 0;
    tag_t meta = 0;
};
TagTable<Udf>& udfs() {
    static TagTable<Udf> table("user-defined features");
    return table;
}
struct Meta {
    tag_t udf = 0;
    int placement = 0;
};
TagTable<Meta>& metas() {
    static TagTable<Meta> table("user-defined feature meta records");
    return table;
}
// Attribute arrays of faces by name, per feature: the face objects (they
// stay with the faces through the regenerations and a file's reading; the
// references answered are their kernel faces).
TagTable<std::map<std::string, std::vector<tag_t>>>& arrays() {
    static TagTable<std::map<std::string, std::vector<tag_t>>> table("feature attribute arrays");
    return table;
}

// The host's values of the protocol (no part of the model).
struct Session {
    int status = UDF_STATUS_IDLE;
    tag_t current = 0;
    std::optional<Definition> temp;  // read from a definition part
    tag_t imported = 0;              // the UDF the import made
    // The export being prepared.
    std::string file;
    std::vector<Parm> parms;
    int method = UDF_ATTACH_NONE;
    // The definition UDF_save_part writes, and the part it writes it for.
    const Definition* writing = nullptr;
    tag_t writing_part = 0;
    tag_t writing_body = 0;  // the tool's body the definition part carries
    // The objects of the work part before an import: the part import adds
    // the definition part's body and a group, which the UDF's own tool
    // replaces.
    std::vector<tag_t> before;
    struct Callback {
        int id;
        int reason;
        CALLBACK_routine_t routine;
        void* client;
    };
    std::vector<Callback> callbacks;
    int next_id = 1;
};
Session& session() { return host::service_state<Session>("user-defined feature session"); }
const bool registered = (udfs(), metas(), arrays(), session(), true);

const Udf& require_udf(const Call& call, tag_t udf) {
    const Udf* u = objects::is_alive(udf) ? udfs().find(udf) : nullptr;
    if (!u) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no user-defined feature", udf);
    return *u;
}

void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
bool unit(double v[3]) {
    const double n = std::sqrt(dot(v, v));
    if (!(n > 1e-12)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= n;
    return true;
}

// ---- the two kinds: the tool on its own and the placed feature ----

// The form tool's numbers of the exported kind at the record's place.
std::vector<double> tool_numbers(const Call& call, const Record& r, const std::vector<double>& v) {
    if (r.numbers.size() != kKindNumber + 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "a user-defined feature without place");
    const int index = static_cast<int>(r.numbers[kKindNumber]);
    if (index < 0 || index >= static_cast<int>(std::size(kExportable)))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "no form kind %d", index);
    const Kind* k = find_kind(kExportable[index].kind);
    if (!k || !k->kernel_numbers) call.fail(FEAT_ERR_UNKNOWN_KIND, "no kind %s", kExportable[index].kind);
    Record shape;
    shape.kind = k->name;
    shape.exps = r.exps;  // its positioning follows the feature's
    shape.numbers.assign(r.numbers.begin(), r.numbers.begin() + static_cast<std::ptrdiff_t>(kKindNumber));
    const std::vector<double> values(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k->parameters.size()));
    std::vector<double> dense;
    for (const auto& [i, x] : k->kernel_numbers(shape, values)) {
        if (static_cast<std::size_t>(i) >= dense.size()) dense.resize(static_cast<std::size_t>(i) + 1);
        dense[static_cast<std::size_t>(i)] = x;
    }
    return dense;
}

bool unites(const Record& r) { return kExportable[static_cast<int>(r.numbers[kKindNumber])].unites; }

void build_tool(const Call& call, Record& r, const std::vector<double>& v) {
    const std::vector<double> t = tool_numbers(call, r, v);
    int made = 0;
    ZQ_BODY_make_form_tool(static_cast<int>(t.size()), t.data(), &made);
    pxlook_(&made, &r.body);
    // The body is the UDF's tool (BREF_ask_tool_bref_of_meta answers it).
    r.tool = r.body;
    r.step = 0;
}

// A placed feature off its placement face (numbers[9] 0) works on its trim
// faces: the faces of its body that trim the tool.
bool trimmed(const Record& r) { return r.numbers[9] == 0 && !r.refs.empty(); }

void build_placed(const Call& call, Record& r, const std::vector<double>& v) {
    form::build_tool(call, r, tool_numbers(call, r, v), unites(r));
    if (!trimmed(r)) return;
    const int body = kernel::entity_of(r.body);
    ZQ_BODY_set_trim_faces(body, r.step, static_cast<int>(r.refs.size()), r.refs.data());
    ZQ_BODY_regenerate(body);
}
// The step's numbers of both kinds: those of the form tool.
std::vector<std::pair<int, double>> tool_step_numbers(const Record& r, const std::vector<double>& v) {
    const Call call("host::feature::udf::tool_step_numbers", nullptr);
    return form::all_numbers(tool_numbers(call, r, v));
}

std::vector<std::string> parameter_names() {
    std::vector<std::string> out;
    for (std::size_t i = 1; i <= kParameters; ++i) out.push_back("Parameter " + std::to_string(i));
    return out;
}

const bool kinds_made = [] {
    register_kind({kToolKind, parameter_names(), kAnyNumbers, 0, 0, false, build_tool, tool_step_numbers});
    register_kind({kPlacedKind, parameter_names(), kAnyNumbers, 0, 1000000, true, build_placed, tool_step_numbers});
    return true;
}();

// ---- the definition part's section ----

void write_definition(pf::Writer& out, const pf::SaveContext& ctx) {
    const Session& s = session();
    if (!s.writing || ctx.part != s.writing_part) return;
    const Definition& d = *s.writing;
    out.str("UDF1");
    out.str(kExportable[d.kind].kind);
    out.u32(static_cast<std::uint32_t>(d.formulas.size()));
    for (const std::string& f : d.formulas) out.str(f);
    out.u32(static_cast<std::uint32_t>(d.variables.size()));
    for (const auto& [name, value] : d.variables) {
        out.str(name);
        out.str(value);
    }
    out.u32(static_cast<std::uint32_t>(d.parms.size()));
    for (const Parm& p : d.parms) {
        out.str(p.variable);
        out.str(p.prompt);
    }
    out.i32(d.placement);
    for (double x : d.place) out.f64(x);
}

void read_definition(pf::Reader& in, pf::LoadContext&) {
    Definition d;
    if (in.str() != "UDF1") throw pf::FormatError("a user-defined feature definition of another version");
    d.kind = exportable_index(in.str());
    if (d.kind < 0) throw pf::FormatError("a user-defined feature of no kind that can be placed");
    const std::uint32_t n = in.u32();
    if (n > kParameters) throw pf::FormatError("too many parameters");
    for (std::uint32_t i = 0; i < n; ++i) d.formulas.push_back(in.str());
    const std::uint32_t nv = in.u32();
    if (nv > in.left() / 8) throw pf::FormatError("too many variables");
    for (std::uint32_t i = 0; i < nv; ++i) {
        std::string name = in.str();
        d.variables.emplace_back(std::move(name), in.str());
    }
    const std::uint32_t np = in.u32();
    if (np > in.left() / 8) throw pf::FormatError("too many prompts");
    for (std::uint32_t i = 0; i < np; ++i) {
        Parm p;
        p.variable = in.str();
        p.prompt = in.str();
        d.parms.push_back(std::move(p));
    }
    d.placement = in.i32();
    for (double& x : d.place) {
        x = in.f64();
        if (!std::isfinite(x)) throw pf::FormatError("a place that is not finite");
    }
    if (d.placement != UDF_ATTACH_NONE && d.placement != UDF_ATTACH_FACE)
        throw pf::FormatError("an unknown placement");
    session().temp = std::move(d);
}

const bool section_registered =
    (pf::register_section({{'U', 'D', 'F', 'D'}, write_definition, read_definition}), true);

// ---- the work part's sections ----
//   "UDFR": one row per user-defined feature of the part: str its
//     definition's name, its meta record, i32 its placement (0 or 1),
//     u32 count + per input parameter str prompt, str variable
//   "UDFM": one row per meta record: its UDF, i32 its placement count
//     (0 or more), u32 count + per attribute array str its name and its
//     objects
// Objects by their number in the file (row_fields.h). Files without these
// sections open without UDF records (the features stand as they are).

namespace fields = pf::fields;

template <class T>
std::vector<tag_t> rows_of(const pf::SaveContext& ctx, TagTable<T>& table) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (host::objects::is_alive(t) && table.find(t)) rows.push_back(t);
    return rows;
}

bool is_feature_object(tag_t t) { return t != 0 && find(t) != nullptr; }

// The features are read after these sections: the rows' features are
// checked once every section stands.
void expect_features_when_read(pf::LoadContext& ctx, std::vector<tag_t> features, const char* rule) {
    ctx.after_sections([features = std::move(features), rule]() -> const char* {
        return std::all_of(features.begin(), features.end(), is_feature_object) ? nullptr : rule;
    });
}

void write_udfs(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, rows_of(ctx, udfs()), [&](pf::Writer& row, tag_t t) {
        const Udf& u = *udfs().find(t);
        row.str(u.name);
        fields::put_object(row, ctx, u.meta);
        row.i32(u.placement);
        row.u32(static_cast<std::uint32_t>(u.parms.size()));
        for (const Parm& p : u.parms) {
            row.str(p.prompt);
            row.str(p.variable);
        }
    });
}

void read_udfs(pf::Reader& in, pf::LoadContext& ctx) {
    constexpr const char* what = "a user-defined feature";
    std::vector<std::pair<tag_t, Udf>> rows;
    pf::read_rows(in, ctx, {"user-defined feature row", 24, false}, [&](tag_t t, pf::Reader& row) {
        Udf u;
        u.name = row.str();
        u.meta = fields::get_object(row, ctx, what);
        expect_features_when_read(ctx, {t}, "a user-defined feature row of no feature");
        if (u.meta != 0)
            expect_features_when_read(ctx, {u.meta}, "a user-defined feature's meta record that is no feature");
        u.placement = row.i32();
        if (u.placement != UDF_ATTACH_NONE && u.placement != UDF_ATTACH_FACE)
            throw pf::FormatError("a user-defined feature of an unknown placement");
        for (std::uint32_t i = 0, n = fields::get_count(row, 8, what); i < n; ++i) {
            Parm p;
            p.prompt = row.str();
            p.variable = row.str();
            u.parms.push_back(std::move(p));
        }
        rows.emplace_back(t, std::move(u));
    });
    for (auto& [t, u] : rows) udfs()[t] = std::move(u);
}

void write_metas(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, rows_of(ctx, metas()), [&](pf::Writer& row, tag_t t) {
        const Meta& m = *metas().find(t);
        fields::put_object(row, ctx, m.udf);
        row.i32(m.placement);
        const auto* all = arrays().find(t);
        row.u32(all ? static_cast<std::uint32_t>(all->size()) : 0);
        if (all)
            for (const auto& [name, objects] : *all) {
                row.str(name);
                fields::put_objects(row, ctx, objects);
            }
    });
}

void read_metas(pf::Reader& in, pf::LoadContext& ctx) {
    constexpr const char* what = "a user-defined feature's meta record";
    std::vector<std::pair<tag_t, Meta>> rows;
    std::vector<std::pair<tag_t, std::map<std::string, std::vector<tag_t>>>> attributes;
    pf::read_rows(in, ctx, {"meta record row", 20, false}, [&](tag_t t, pf::Reader& row) {
        Meta m;
        m.udf = fields::get_object(row, ctx, what);
        expect_features_when_read(ctx, {t}, "a meta record row of no feature");
        if (m.udf != 0)
            expect_features_when_read(ctx, {m.udf}, "a meta record of a user-defined feature that is no feature");
        m.placement = row.i32();
        if (m.placement < 0) throw pf::FormatError("a meta record's placement count below 0");
        std::map<std::string, std::vector<tag_t>> all;
        for (std::uint32_t i = 0, n = fields::get_count(row, 8, what); i < n; ++i) {
            std::string name = row.str();
            all[std::move(name)] = fields::get_objects(row, ctx, what);
        }
        rows.emplace_back(t, m);
        if (!all.empty()) attributes.emplace_back(t, std::move(all));
    });
    for (auto& [t, m] : rows) metas()[t] = m;
    for (auto& [t, all] : attributes) arrays()[t] = std::move(all);
}

const bool work_sections_registered =
    (pf::register_section({{'U', 'D', 'F', 'R'}, write_udfs, read_udfs}),
     pf::register_section({{'U', 'D', 'F', 'M'}, write_metas, read_metas}), true);

// ---- trim faces given again ----

// After the bodies are made again: a trimming feature whose trim faces
// were given again (the redefinition's table) takes them, and its body is
// made again with them.
void follow_trim_faces() {
    const Call call("UPDATE_do_update", nullptr);
    for (tag_t part : parts::loaded_parts()) {
        std::vector<int> bodies;
        for (tag_t f : features_of_part(part)) {
            const Record& r = *find(f);
            const TrimFaces* t = trim_faces().find(f);
            if (r.kind != kPlacedKind || !t || r.detached || r.step < 1 || is_inactive(f)) continue;
            const std::vector<int> wanted = trim_refs(*t);
            if (wanted == (trimmed(r) ? r.refs : std::vector<int>())) continue;
            const int body = detail::body_entity(r);
            std::string text;
            if (const int code = caught(
                    [&] {
                        ZQ_BODY_set_trim_faces(body, r.step, static_cast<int>(wanted.size()), wanted.data());
                    },
                    &text))
                detail::fail_naming(call, f, code, "cannot take its trim faces: " + text);
            Record w = r;
            w.refs = wanted;
            w.numbers[9] = 0;
            *detail::edit(f) = std::move(w);
            std::vector<tag_t>& faces = arrays()[f][UDF_ATT_TARGET_TRIM];
            faces.clear();
            for (int k : wanted) faces.push_back(kernel::object_of(k));
            if (std::find(bodies.begin(), bodies.end(), body) == bodies.end()) bodies.push_back(body);
        }
        for (int body : bodies) ZQ_BODY_regenerate(body);
    }
}

const bool trims_followed = (add_follower(follow_trim_faces), true);

// ---- helpers of the placement ----

// The face object of a list entry that is a face reference, else 0.
tag_t face_of_entry(int entry) {
    if (entry <= 0) return 0;
    const tag_t face = FREF_ask_face_of_fref(static_cast<unsigned int>(entry));
    return face != 0 && ES_solid_is_a_face(face) ? face : 0;
}

// A plane: a point of it and its outward unit normal; false for none.
bool plane_of_entry(int entry, double point[3], double normal[3]) {
    if (const tag_t face = face_of_entry(entry)) {
        int type = 0, sense = 1;
        double r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(kernel::entity_of(face), &type, point, normal, &r1, &r2, &sense);
        if (type != ZQ_SURF_PLANE) return false;
        if (sense < 0)
            for (int i = 0; i < 3; ++i) normal[i] = -normal[i];
        return unit(normal);
    }
    if (const tag_t plane = CM_ask_dplane_of_entry(entry)) {
        double data[6];
        ES_ask_plane_data(plane, data);
        for (int i = 0; i < 3; ++i) {
            point[i] = data[i];
            normal[i] = data[3 + i];
        }
        return unit(normal);
    }
    return false;
}

// The rotation taking unit a onto unit b (rows).
void rotation(const double a[3], const double b[3], double m[9]) {
    double axis[3];
    cross(a, b, axis);
    const double c = dot(a, b);
    const double s = std::sqrt(dot(axis, axis));
    if (s < 1e-12) {
        if (c > 0) {
            const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            std::copy(id, id + 9, m);
            return;
        }
        // Half a turn about any axis across a.
        double any[3] = {std::fabs(a[0]) < 0.9 ? 1.0 : 0.0, std::fabs(a[0]) < 0.9 ? 0.0 : 1.0, 0.0};
        cross(a, any, axis);
        unit(axis);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[3 * i + j] = 2 * axis[i] * axis[j] - (i == j ? 1 : 0);
        return;
    }
    for (double& x : axis) x /= s;
    const double t = 1 - c;
    const double& x = axis[0];
    const double& y = axis[1];
    const double& z = axis[2];
    const double r[9] = {t * x * x + c,     t * x * y - s * z, t * x * z + s * y, t * x * y + s * z, t * y * y + c,
                         t * y * z - s * x, t * x * z - s * y, t * y * z + s * x, t * z * z + c};
    std::copy(r, r + 9, m);
}
void turn(const double m[9], const double v[3], double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2];
}

// The formula of an expression: its formula when it names nothing but the
// input parameters, else its value.
std::string exported_formula(tag_t exp, const std::vector<tag_t>& inputs) {
    const expr::Expression* e = expr::find(exp);
    if (!e) return "0";
    bool own = true;
    for (tag_t u : e->uses)
        if (std::find(inputs.begin(), inputs.end(), u) == inputs.end()) own = false;
    if (own) return e->formula;
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", e->value);
    return text;
}

// The exportable feature of the work part that uses one of the inputs.
tag_t feature_to_export(tag_t part, const std::vector<tag_t>& inputs) {
    for (tag_t f : features_of_part(part)) {
        const Record* r = find(f);
        if (!r || exportable_index(r->kind) < 0 || r->body == 0) continue;
        for (tag_t e : r->exps) {
            const expr::Expression* x = expr::find(e);
            if (!x) continue;
            for (tag_t u : x->uses)
                if (std::find(inputs.begin(), inputs.end(), u) != inputs.end()) return f;
        }
    }
    return 0;
}

// ---- what the placed feature is made of ----

// The placed feature's fixed numbers, faces and target body.
struct Placing {
    std::vector<double> numbers;
    std::vector<tag_t> refs;      // objects: the placement face, or the trim faces
    std::vector<int> trims;       // the trim faces' kernel tags
    tag_t target = 0;
};

// Without placement the tool stays where the import put it and goes into
// the part's current target body, else into the part's one body besides
// the tool.
void keep_place(const Call& call, tag_t part, const Record& tool, Placing& p) {
    p.target = BREF_ask_current_target(part);
    if (p.target == tool.body) p.target = 0;
    if (p.target == 0) {
        int n = 0;
        unsigned int* bodies = nullptr;
        BREF_ask_brefs_of_part(part, &n, &bodies);
        std::vector<tag_t> others;
        for (int i = 0; i < n; ++i)
            if (bodies[i] != tool.body) others.push_back(bodies[i]);
        SM_free(bodies);
        if (others.size() == 1) p.target = others[0];
    }
    if (p.target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the user-defined feature has no target body");
    p.numbers[9] = 0;
    p.numbers[10] = 0;
}

// With placement: the link list holds the placement, the target and the
// own face last. The tool turns so that the own face runs with the
// placement (against it for a feature that unites) and its location comes
// onto the placement's plane.
void place_on_link(const Call& call, tag_t part, const Record& tool, Placing& p) {
    int placement = 0, own = 0;
    for (tag_t entry : list_objects(CM_misc_ask_link_fref_list())) {
        const int e = static_cast<int>(entry);
        if (face_of_entry(e) || CM_ask_dplane_of_entry(e)) {
            if (placement == 0) placement = e;
            else own = e;
        } else if (const unsigned int body = kernel::object_of(e); body && ES_solid_is_a_body(body)) {
            p.target = body;
        }
    }
    if (p.target == 0) p.target = BREF_ask_current_target(part);
    double at[3], normal[3], own_at[3], own_normal[3];
    if (placement == 0 || own == 0 || !plane_of_entry(placement, at, normal) || !plane_of_entry(own, own_at, own_normal))
        call.fail(FEAT_ERR_BAD_REFERENCE, "the user-defined feature needs a planar placement and own face");
    if (p.target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the user-defined feature has no target body");
    const tag_t own_face = face_of_entry(own);
    if (own_face == 0 || ES_solid_ask_body(own_face) != tool.body)
        call.fail(FEAT_ERR_BAD_REFERENCE, "the own face is no face of the user-defined feature's tool");
    // The own face's middle as the point the tool turns about.
    double box[6];
    PX_ask_box(own_face, box);
    double centre[3];
    for (int i = 0; i < 3; ++i) centre[i] = (box[i] + box[3 + i]) / 2;
    const double lift = dot(centre, own_normal) - dot(own_at, own_normal);
    for (int i = 0; i < 3; ++i) centre[i] -= lift * own_normal[i];
    double wanted[3];
    for (int i = 0; i < 3; ++i) wanted[i] = unites(tool) ? -normal[i] : normal[i];
    double m[9];
    rotation(own_normal, wanted, m);
    double rel[3], moved[3];
    for (int i = 0; i < 3; ++i) rel[i] = tool.numbers[i] - centre[i];
    turn(m, rel, moved);
    // The location onto the placement's plane.
    double location[3];
    for (int i = 0; i < 3; ++i) location[i] = centre[i] + moved[i];
    const double off = dot(location, normal) - dot(at, normal);
    for (int i = 0; i < 3; ++i) p.numbers[i] = location[i] - off * normal[i];
    turn(m, &tool.numbers[3], &p.numbers[3]);
    turn(m, &tool.numbers[6], &p.numbers[6]);
    const tag_t placement_face = face_of_entry(placement);
    p.numbers[9] = placement_face != 0 && ES_solid_ask_body(placement_face) == p.target ? 1 : 0;
    p.numbers[10] = 0;
    if (p.numbers[9] != 0) p.refs.push_back(placement_face);
}

// The target trim faces recorded on the meta record trim the tool: they
// become the placed feature's faces (in place of the placement face).
void trim_by_target_faces(const Call& call, tag_t meta, Placing& p) {
    const auto* all = arrays().find(meta);
    if (!all) return;
    const auto it = all->find(UDF_ATT_TARGET_TRIM);
    if (it == all->end() || it->second.empty()) return;
    for (tag_t face : it->second) {
        if (!objects::is_alive(face) || !ES_solid_is_a_face(face) || ES_solid_ask_body(face) != p.target)
            call.fail(FEAT_ERR_BAD_REFERENCE, "a trim face is no face of the target body");
        p.trims.push_back(kernel::entity_of(face));
    }
    p.refs = it->second;
    p.numbers[9] = 0;
}

// A name the part has no expression of: the name, else with "_1", "_2" ...
std::string free_name(tag_t part, const std::string& name) {
    if (expr::lookup(part, name) == 0) return name;
    for (int i = 1;; ++i) {
        const std::string candidate = name + "_" + std::to_string(i);
        if (expr::lookup(part, candidate) == 0) return candidate;
    }
}

}  // namespace
}  // namespace host::feature::udf

namespace hu = host::feature::udf;
namespace hf = host::feature;

extern "C" {

void set_udf_status(int status) {
    HOST_ENTRY(status);
    hu::session().status = status;
}
int inq_udf_status_(void) {
    auto call = HOST_ENTRY();
    int scripted = 0;
    if (call.status(scripted)) return scripted;
    return hu::session().status;
}
void UDF_set_current_record(unsigned int udf) {
    HOST_ENTRY(udf);
    hu::session().current = udf;
}
unsigned int UDF_ask_current_record(void) {
    HOST_ENTRY();
    return hu::session().current;
}

int CALLBACK_add_to_list(int reason, CALLBACK_routine_t routine, void* client) {
    auto call = HOST_ENTRY(reason, routine, client);
    call.need(reinterpret_cast<const void*>(routine), "the routine");
    hu::Session& s = hu::session();
    s.callbacks.push_back({s.next_id, reason, routine, client});
    return s.next_id++;
}
void CALLBACK_remove_from_list(int id) {
    HOST_ENTRY(id);
    auto& list = hu::session().callbacks;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const auto& c) { return c.id == id; }), list.end());
}
void CALLBACK_call_list(int reason, const void* data) {
    HOST_ENTRY(reason, data);
    const auto list = hu::session().callbacks;  // a routine may change the list
    for (const auto& c : list)
        if (c.reason == reason) c.routine(data, c.client);
}

// ---- import ----

void udf_import_file(UDF_import_routine_t routine, int flag, UDF_import_record_t* record, int* status) {
    auto call = HOST_ENTRY(routine, flag, record, status);
    call.need(status, "the status output");
    *status = 0;
    call.need(reinterpret_cast<const void*>(routine), "the import routine");
    call.need(record, "the import record");
    record->udf = 0;
    hu::Session& s = hu::session();
    s.temp.reset();
    s.imported = 0;
    s.before = host::objects::objects_of_part(CONTEXT_ask_work_part());
    const host::ModelSnapshot before = host::snapshot_model();
    try {
        routine(record);
    } catch (...) {
        host::restore_model(before);
        s.temp.reset();
        throw;
    }
    s.temp.reset();
    if (s.status == UDF_STATUS_IMPORT_FAILED) {
        host::restore_model(before);
        record->udf = 0;
    }
}

void udf_set_udf_def_name(const char* file) {
    auto call = HOST_ENTRY_TEXT(file);
    call.need(file, "the file name");
    if (hu::session().temp) hu::session().temp->name = std::filesystem::path(file).filename().string();
}

unsigned int PART_ask_cm_part_of_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    const host::objects::Object& o = call.live(part);
    if (o.cls != OM_CLASS_PART) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no part", part);
    return part;
}

void mv_udf_temp_object_to_work_data(unsigned int part) {
    auto call = HOST_ENTRY(part);
    hu::Session& s = hu::session();
    if (!s.temp) {
        // The file held no definition (a part of its own).
        s.status = UDF_STATUS_IMPORT_FAILED;
        return;
    }
    // The body and group the part import brought along go again.
    std::vector<hf::tag_t> brought;
    for (hf::tag_t o : host::objects::objects_of_part(part)) {
        if (std::find(s.before.begin(), s.before.end(), o) != s.before.end()) continue;
        const host::objects::Object* x = host::objects::find(o);
        if (x && ((x->type == HOST_TYPE_SOLID && x->subtype == 0) || x->type == HOST_TYPE_GROUP)) brought.push_back(o);
    }
    if (!brought.empty()) {
        LM_open_list_for_delete();
        for (hf::tag_t o : brought) UPDATE_log_entity_to_delete(o);
        UPDATE_do_update();
    }
    const hu::Definition& d = *s.temp;
    std::vector<std::string> formulas = d.formulas;
    hu::Udf u;
    u.name = d.name;
    u.placement = d.placement;
    std::map<std::string, std::string> renamed;
    for (const auto& [name, value] : d.variables) {
        const std::string given = hu::free_name(part, name);
        hf::tag_t exp = 0;
        if (int code = host::expr::create(part, given, value, &exp))
            call.fail(code, "the variable %s cannot be made", given.c_str());
        if (given != name)
            for (std::string& f : formulas) f = host::expr::rename_in(f, name, given);
        renamed[name] = given;
    }
    for (const hu::Parm& p : d.parms) {
        const auto it = renamed.find(p.variable);
        u.parms.push_back({p.prompt, it != renamed.end() ? it->second : p.variable});
    }
    const hf::tag_t udf = hf::create(part, hu::kPlacedKind);
    hu::udfs()[udf] = std::move(u);
    s.imported = udf;
    s.temp->formulas = std::move(formulas);
}

void add_udf_data_to_udf_record(UDF_import_record_t* record) {
    auto call = HOST_ENTRY(record);
    call.need(record, "the import record");
    hu::Session& s = hu::session();
    if (s.imported == 0 || !s.temp) return;  // nothing was imported
    const hu::Definition& d = *s.temp;
    const hf::tag_t udf = s.imported;
    const hf::tag_t part = host::objects::require(udf).part;
    // The place carried as the part import carries bodies: p -> point + x X + y Y + z Z.
    const double* m = record->orientation;
    const auto carry = [&](const double* v, bool is_point, double* out) {
        for (int r = 0; r < 3; ++r)
            out[r] = v[0] * m[r] + v[1] * m[3 + r] + v[2] * m[6 + r] + (is_point ? record->point[r] : 0);
    };
    std::vector<double> numbers(hf::form::kNumbers + 1, 0.0);
    carry(d.place, true, &numbers[0]);
    carry(d.place + 3, false, &numbers[3]);
    carry(d.place + 6, false, &numbers[6]);
    numbers[9] = 1;  // placed on a face when placed
    numbers[10] = 0;
    numbers[hu::kKindNumber] = d.kind;
    std::vector<std::string> formulas = d.formulas;
    formulas.resize(hu::kParameters, "0");
    hf::tag_t meta = 0;
    if (int code = hf::create_built(part, hu::kToolKind, formulas, numbers, {}, 0, FEAT_SIGN_NEW, &meta))
        call.fail(code, "the tool of the user-defined feature cannot be made");
    hf::set_flags(meta, false, true, true);
    hu::udfs().edit(udf)->meta = meta;
    hu::metas()[meta] = {udf, 0};
    if (const hf::Record* r = hf::find(meta)) hf::set_results(udf, {r->body});
    record->udf = udf;
}

// ---- records ----

int UDF_frec_is_a_udf(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && hu::udfs().find(feature) ? 1 : 0;
}
unsigned int UDF_ask_meta_frec(unsigned int udf) {
    auto call = HOST_ENTRY(udf);
    return hu::require_udf(call, udf).meta;
}
unsigned int UDF_ask_udf_of_meta_frec(unsigned int meta) {
    HOST_ENTRY(meta);
    const hu::Meta* m = host::objects::is_alive(meta) ? hu::metas().find(meta) : nullptr;
    return m && host::objects::is_alive(m->udf) ? m->udf : 0;
}
const char* UDF_ask_parms_class(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && hu::udfs().find(feature) ? UDF_PARMS_CLASS_NAME : nullptr;
}
char* UDF_ask_udf_name(unsigned int udf) {
    auto call = HOST_ENTRY(udf);
    return SM_string_copy(hu::require_udf(call, udf).name.c_str());
}
int UDF_ask_exp_count(unsigned int udf) {
    auto call = HOST_ENTRY(udf);
    return static_cast<int>(hu::require_udf(call, udf).parms.size());
}
void get_prompt_name(unsigned int udf, int index, char prompt[256], char variable[256]) {
    auto call = HOST_ENTRY(udf, index, prompt, variable);
    call.need(prompt, "the prompt output");
    call.need(variable, "the variable output");
    const hu::Udf& u = hu::require_udf(call, udf);
    if (index < 0 || index >= static_cast<int>(u.parms.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "no input parameter %d", index);
    std::snprintf(prompt, 256, "%s", u.parms[static_cast<std::size_t>(index)].prompt.c_str());
    std::snprintf(variable, 256, "%s", u.parms[static_cast<std::size_t>(index)].variable.c_str());
}
int UDF_ask_placement_count(unsigned int udf) {
    auto call = HOST_ENTRY(udf);
    return hu::require_udf(call, udf).placement;
}
int UDF_ask_meta_placement_count(unsigned int meta) {
    HOST_ENTRY(meta);
    const hu::Meta* m = hu::metas().find(meta);
    return m ? m->placement : 0;
}
void UDF_set_meta_placement_count(unsigned int meta, int count) {
    auto call = HOST_ENTRY(meta, count);
    hu::Meta* m = host::objects::is_alive(meta) ? hu::metas().edit(meta) : nullptr;
    if (!m) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no meta record of a user-defined feature", meta);
    m->placement = count;
}

// ---- values ----

void udf_set_udf_parms(UDF_parms_routine_t routine, unsigned int udf, int count, void* scratch, int* status) {
    auto call = HOST_ENTRY(routine, udf, count, status);
    call.need(status, "the status output");
    *status = 0;
    call.need(reinterpret_cast<const void*>(routine), "the routine");
    const hu::Udf& u = hu::require_udf(call, udf);
    const hf::tag_t part = host::objects::require(udf).part;
    std::vector<UDF_parm_node_t> nodes(u.parms.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        nodes[i].prompt = u.parms[i].prompt.c_str();
        nodes[i].variable = u.parms[i].variable.c_str();
        nodes[i].exp = host::expr::lookup(part, u.parms[i].variable);
        nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
    }
    routine(nodes.empty() ? nullptr : nodes.data(), &count, scratch, status);
    if (*status == 0) *status = hf::caught([] { hf::update(); });
}

// ---- placement ----

int BREF_ask_zrtag_of_bref(unsigned int bref) {
    HOST_ENTRY(bref);
    return ES_solid_is_a_body(bref) ? host::kernel::entity_of(bref) : 0;
}
void BREF_ask_brefs_of_part(unsigned int part, int* count, unsigned int** brefs) {
    auto call = HOST_ENTRY(part, count, brefs);
    call.need(count, "the count output");
    call.need(brefs, "the body records output");
    std::vector<unsigned int> out;
    for (hf::tag_t f : hf::features_of_part(part)) {
        const hf::Record* r = hf::find(f);
        if (r && r->body && host::objects::is_alive(r->body) && std::find(out.begin(), out.end(), r->body) == out.end())
            out.push_back(r->body);
    }
    *count = static_cast<int>(out.size());
    *brefs = nullptr;
    if (!out.empty()) {
        *brefs = static_cast<unsigned int*>(SM_alloc(out.size() * sizeof(unsigned int)));
        std::copy(out.begin(), out.end(), *brefs);
    }
}
int FREF_ask_top_target_of_face(unsigned int face) {
    HOST_ENTRY(face);
    const unsigned int body = ES_solid_is_a_face(face) ? ES_solid_ask_body(face) : 0;
    return body ? host::kernel::entity_of(body) : 0;
}
int DATUM_ask_top_target_of_frec(unsigned int plane) {
    HOST_ENTRY(plane);
    const unsigned int body = DATUM_ask_target_of_dplane(plane);
    return body ? host::kernel::entity_of(body) : 0;
}
int DATUM_is_an_absolute_dplane(unsigned int plane) {
    HOST_ENTRY(plane);
    return DATUM_ask_target_of_dplane(plane) == 0 ? 1 : 0;
}
int DATUM_is_plane_extract(unsigned int plane) {
    HOST_ENTRY(plane);
    return 0;  // the host makes no extracted planes
}
int get_fref_type(int entry, double direction[3]) {
    auto call = HOST_ENTRY(entry, direction);
    call.need(direction, "the direction output");
    direction[0] = direction[1] = direction[2] = 0;
    double point[3];
    if (hu::plane_of_entry(entry, point, direction)) return FREF_TYPE_PLANE;
    direction[0] = direction[1] = direction[2] = 0;
    return hu::face_of_entry(entry) ? FREF_TYPE_FACE : 0;
}
void KI_cclist(int list, int other) {
    auto call = HOST_ENTRY(list, other);
    if (hf::list_kind(list) == 0 || hf::list_kind(other) == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "an unknown list");
    for (hf::tag_t o : hf::list_objects(other)) hf::detail::list_append(call, list, o);
}
unsigned int BREF_ask_bref_of_target(int target) {
    HOST_ENTRY(target);
    const unsigned int body = host::kernel::object_of(target);
    return body && ES_solid_is_a_body(body) ? body : 0;
}
void BREF_set_current_bref(unsigned int bref) {
    auto call = HOST_ENTRY(bref);
    if (!ES_solid_is_a_body(bref)) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no body", bref);
    BREF_set_current_target(bref);
}
void udf_rpo_kx(UDF_rpo_routine_t routine, const double direction[3], void* rpo_arg, void* ref_data, void* scratch,
                int* status) {
    auto call = HOST_ENTRY(routine, direction, rpo_arg, status);
    call.need(status, "the status output");
    call.need(direction, "the direction");
    *status = 0;
    if (!routine) return;
    int result = 0;
    routine(direction, rpo_arg, ref_data, scratch, &result);
    *status = result;
}
void FEAT_set_attribute_array(unsigned int feature, const char* name, int count, const unsigned int* values) {
    auto call = HOST_ENTRY_TEXT(name, feature, count);
    call.need(name, "the attribute name");
    if (!hf::find(feature)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    if (count < 0 || (count > 0 && !values)) call.fail(HOST_ERR_BAD_ARGUMENT, "an array of %d values", count);
    std::vector<hf::tag_t> faces;
    for (int i = 0; i < count; ++i) faces.push_back(FREF_ask_face_of_fref(values[i]));
    hu::arrays()[feature][name] = std::move(faces);
}
void FEAT_ask_attribute_array(unsigned int feature, const char* name, int* count, unsigned int** values) {
    auto call = HOST_ENTRY_TEXT(name, feature, count, values);
    call.need(name, "the attribute name");
    call.need(count, "the count output");
    call.need(values, "the values output");
    *count = 0;
    *values = nullptr;
    const auto* all = host::objects::is_alive(feature) ? hu::arrays().find(feature) : nullptr;
    if (!all) return;
    const auto it = all->find(name);
    if (it == all->end() || it->second.empty()) return;
    *count = static_cast<int>(it->second.size());
    *values = static_cast<unsigned int*>(SM_alloc(it->second.size() * sizeof(unsigned int)));
    for (std::size_t i = 0; i < it->second.size(); ++i) {
        const hf::tag_t face = it->second[i];
        (*values)[i] = host::objects::is_alive(face) ? FREF_ask_fref_of_face(face) : 0;
    }
}

void boolean_udf_kx(unsigned int udf, int* status) {
    auto call = HOST_ENTRY(udf, status);
    call.need(status, "the status output");
    *status = 0;
    int scripted = 0;
    if (call.status(scripted)) {
        *status = scripted;
        return;
    }
    const hu::Udf& u = hu::require_udf(call, udf);
    const hf::tag_t part = host::objects::require(udf).part;
    const hf::tag_t meta = u.meta;
    const hf::Record* tool = hf::find(meta);
    if (!tool || tool->kind != hu::kToolKind) call.fail(FEAT_ERR_BAD_REFERENCE, "the user-defined feature is placed");
    if (int code = hf::caught([] { hf::update(); })) {
        *status = code;
        return;
    }
    tool = hf::find(meta);
    hu::Placing p;
    p.numbers = tool->numbers;
    if (u.placement == UDF_ATTACH_NONE) hu::keep_place(call, part, *tool, p);
    else hu::place_on_link(call, part, *tool, p);
    hu::trim_by_target_faces(call, meta, p);
    std::vector<std::string> formulas;
    for (hf::tag_t e : tool->exps) {
        const host::expr::Expression* x = host::expr::find(e);
        formulas.push_back(x ? x->formula : "0");
    }
    hf::tag_t placed = 0;
    if (int code = hf::create_built(part, hu::kPlacedKind, formulas, p.numbers, p.refs, p.target, FEAT_SIGN_NEW,
                                    &placed)) {
        *status = code;
        return;
    }
    hf::set_flags(placed, true, false, true);
    const hu::Meta before = *hu::metas().find(meta);
    if (const auto* a = hu::arrays().find(meta)) hu::arrays()[placed] = *a;
    if (!p.trims.empty()) hf::trim_faces()[placed].faces = p.trims;
    hf::set_results(udf, {});
    FEAT_delete_one(meta);
    hu::metas()[placed] = before;
    hu::udfs().edit(udf)->meta = placed;
}

// ---- export ----

int valid_udf_kx(void) {
    auto call = HOST_ENTRY();
    int scripted = 0;
    if (call.status(scripted)) return scripted;
    const hf::tag_t work = CONTEXT_ask_work_part();
    if (work == 0) return FEAT_ERR_NOT_A_PART;
    for (hf::tag_t f : hf::features_of_part(work)) {
        const hf::Record* r = hf::find(f);
        if (r && r->body != 0 && hu::exportable_index(r->kind) >= 0) return 1;
    }
    return FEAT_ERR_NOT_A_FEATURE;
}
void init_ips_kx(void) {
    HOST_ENTRY();
    hu::Session& s = hu::session();
    s.file.clear();
    s.parms.clear();
    s.method = UDF_ATTACH_NONE;
}
void save_ips_kx(const char* file, int count, const UDF_input_parm_t* parms) {
    auto call = HOST_ENTRY_TEXT(file, count, parms);
    call.need(file, "the file name");
    if (count < 0 || (count > 0 && !parms)) call.fail(HOST_ERR_BAD_ARGUMENT, "%d input parameters", count);
    hu::Session& s = hu::session();
    s.file = file;
    s.parms.clear();
    for (int i = 0; i < count; ++i) {
        if (!parms[i].variable || !parms[i].prompt)
            call.fail(HOST_ERR_NULL_ARGUMENT, "input parameter %d has no variable or prompt", i);
        s.parms.push_back({parms[i].prompt, parms[i].variable});
    }
}
void save_att_method_kx(int method) {
    auto call = HOST_ENTRY(method);
    if (method != UDF_ATTACH_NONE && method != UDF_ATTACH_FACE)
        call.fail(HOST_ERR_BAD_ARGUMENT, "attach method %d", method);
    hu::session().method = method;
}
void bui_Export_UserFeature_kx(UDF_save_routine_t routine) {
    auto call = HOST_ENTRY(routine);
    call.need(reinterpret_cast<const void*>(routine), "the save routine");
    hu::Session& s = hu::session();
    const hf::tag_t work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(FEAT_ERR_NOT_A_PART, "no work part");
    if (s.file.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "the definition has no file");
    if (s.parms.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "the definition has no input parameters");
    std::vector<hf::tag_t> inputs;
    for (const hu::Parm& p : s.parms) {
        const hf::tag_t e = host::expr::lookup(work, p.variable);
        if (e == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "%s is no expression of the work part", p.variable.c_str());
        if (std::find(inputs.begin(), inputs.end(), e) != inputs.end())
            call.fail(FEAT_ERR_BAD_PARAMETERS, "%s is given twice", p.variable.c_str());
        for (const hu::Parm& q : s.parms)
            if (&q != &p && q.prompt == p.prompt)
                call.fail(FEAT_ERR_BAD_PARAMETERS, "the prompt \"%s\" is given twice", p.prompt.c_str());
        inputs.push_back(e);
    }
    const hf::tag_t f = hu::feature_to_export(work, inputs);
    if (f == 0) call.fail(FEAT_ERR_NOT_A_FEATURE, "no feature uses the input parameters");
    const hf::Record& r = *hf::find(f);
    hu::Definition d;
    d.kind = hu::exportable_index(r.kind);
    for (hf::tag_t e : r.exps) d.formulas.push_back(hu::exported_formula(e, inputs));
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%.15g", host::expr::value(inputs[i]));
        d.variables.emplace_back(s.parms[i].variable, value);
    }
    d.parms = s.parms;
    d.placement = s.method;
    const hf::form::Place p = hf::form::place_of(call, r);
    for (int i = 0; i < 3; ++i) {
        d.place[i] = p.at[i];
        d.place[3 + i] = p.dir[i];
        d.place[6 + i] = p.xdir[i];
    }
    // The definition part carries the tool as a body of its own; it is made
    // in the work part for the save and goes again after it.
    hf::Record shape = r;
    shape.numbers.assign(hf::form::kNumbers + 1, 0.0);
    std::copy(d.place, d.place + 9, shape.numbers.begin());
    shape.numbers[hu::kKindNumber] = d.kind;
    std::vector<double> values = hf::detail::values_of(r);
    values.resize(hu::kParameters, 0.0);
    const std::vector<double> numbers = hu::tool_numbers(call, shape, values);
    // The definition part: a part of its own holding the tool as a body and
    // the definition; it is made for the save and goes again after it.
    // The definition part: a part of its own holding the tool as a body and
    // the definition; made for the save, it goes again with everything else
    // the export made when the model is put back.
    struct Writing {
        host::ModelSnapshot before = host::snapshot_model();
        explicit Writing(const hu::Definition& d) { hu::session().writing = &d; }
        ~Writing() {
            hu::Session& s = hu::session();
            s.writing = nullptr;
            s.writing_part = 0;
            s.writing_body = 0;
            host::restore_model(before);
        }
    } writing(d);
    s.writing_part = host::parts::create(s.file);
    CONTEXT_set_work_part_quietly(s.writing_part);
    int body = 0;
    ZQ_BODY_make_form_tool(static_cast<int>(numbers.size()), numbers.data(), &body);
    pxlook_(&body, &s.writing_body);
    CONTEXT_set_work_part_quietly(work);
    routine(SM_string_copy(s.file.c_str()));
}
void UDF_save_part(const char* name, int* code) {
    auto call = HOST_ENTRY_TEXT(name, code);
    call.need(name, "the file name");
    call.need(code, "the code output");
    *code = 0;
    if (call.status(*code)) return;
    const hu::Session& s = hu::session();
    if (!s.writing) call.fail(HOST_ERR_BAD_ARGUMENT, "no definition is being exported");
    *code = host::part_file::write_part(name, s.writing_part, nullptr, false);
}

}  // extern "C"
