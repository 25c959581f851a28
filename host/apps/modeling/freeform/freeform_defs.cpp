// Definitions of free-form features and extrusions (freeform_defs.h).
#include "host/apps/modeling/freeform/freeform_defs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/handout.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace hf = host::feature;
namespace ff = host::freeform;
using tag_t = unsigned int;
using Strings = ff::Strings;

constexpr int kSets = SKIN_SET_SECOND_METHOD;

struct SkinRow {
    int kind = 0;
    std::array<Strings, kSets> sets;       // by SKIN_SET_* - 1
    std::array<bool, kSets> present{};     // the feature has the set
    std::array<int, SKIN_N_PARAMS> params{};
    std::vector<tag_t> values;             // expressions
    std::array<tag_t, 3> record{};         // expressions
    unsigned char options = 0;
    int alignment = 0;
    int storage = 0;
    std::vector<unsigned int> frefs;
    std::array<int, SKIN_N_BOUNDARIES> numf{};
    std::array<int, SKIN_N_BOUNDARIES> continuity{};
    std::vector<double> built_from;        // the strings' geometry when built
};

struct ThickenRow {
    tag_t bref = 0;
    std::array<tag_t, 2> offsets{};  // expressions
};

struct ExtrusionRow {
    int method = 0;
    std::vector<SWEEP_gref_t> profile;
    tag_t taper = 0;                    // expressions, 0 where none
    std::array<tag_t, 2> limits{}, offsets{};
    bool region_set = false;
    std::array<double, 3> region{}, direction{};
    int sign = 0;
    std::array<unsigned int, 2> trim{};  // face references
    std::uintptr_t hung = 0;             // the analysed block hung on it
};

host::TagTable<SkinRow>& skins() {
    static auto* const t = new host::TagTable<SkinRow>("skin definitions");
    return *t;
}
host::TagTable<ThickenRow>& thickens() {
    static auto* const t = new host::TagTable<ThickenRow>("thicken definitions");
    return *t;
}
host::TagTable<ExtrusionRow>& extrusions() {
    static auto* const t = new host::TagTable<ExtrusionRow>("extrusion definitions");
    return *t;
}
const bool registered = (skins(), thickens(), extrusions(), true);

// A failed step of a creation: its code.
struct Refused {
    int code;
};

bool fits_kind(int kind) { return kind >= SKIN_KIND_SWEEP && kind <= SKIN_KIND_BPLANE; }

unsigned int fref_of(tag_t face) {
    if (face == 0) return 0;
    if (!ES_solid_is_a_face(face)) throw Refused{FEAT_ERR_BAD_PARAMETERS};
    return FREF_ask_fref_of_face(face);
}

// Makes a plain record of the type whose parameters are the expressions
// that `fill` makes (through exp_of) while it keeps its row; nothing is
// left when a step is refused.
int create_with(tag_t part, const char* type, tag_t* feature,
                const std::function<void(tag_t, const std::function<tag_t(const std::string&)>&)>& fill) {
    if (feature) *feature = 0;
    const host::objects::Object* p = host::objects::find(part);
    if (!p || p->cls != OM_CLASS_PART) return FEAT_ERR_NOT_A_PART;
    const host::ModelSnapshot before = host::snapshot_model();
    std::vector<tag_t> exps;
    const auto exp_of = [&](const std::string& formula) {
        tag_t e = 0;
        if (int code = host::expr::create_system(part, formula, &e)) throw Refused{code};
        exps.push_back(e);
        return e;
    };
    try {
        const tag_t t = hf::create(part, type);
        fill(t, exp_of);
        hf::detail::edit(t)->exps = exps;
        if (feature) *feature = t;
        return 0;
    } catch (const Refused& r) {
        host::restore_model(before);
        return r.code;
    }
}

// The feature's row in the table, or a raise.
template <class Row>
const Row& row_of(const host::Call& call, host::TagTable<Row>& table, tag_t feature, const char* sort) {
    call.live(feature);
    if (!hf::find(feature)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    const Row* r = table.find(feature);
    if (!r) call.fail(FEAT_ERR_BAD_PARAMETERS, "feature %u is no %s", feature, sort);
    return *r;
}

const SkinRow& skin_of(const host::Call& call, tag_t feature) { return row_of(call, skins(), feature, "skin feature"); }

const Strings& set_of(const host::Call& call, const SkinRow& r, int set) {
    if (set < 1 || set > kSets) call.fail(HOST_ERR_BAD_ARGUMENT, "string set %d", set);
    return r.sets[set - 1];
}

char* formula_copy(tag_t exp) {
    if (exp == 0) return nullptr;
    const host::expr::Expression* e = host::expr::find(exp);
    return e ? SM_string_copy(e->formula.c_str()) : nullptr;
}

void free_ap(SWEEP_ap_t* ap) {
    for (char* t : {ap->taper, ap->limits[0], ap->limits[1], ap->offsets[0], ap->offsets[1]}) SM_free(t);
    SM_free(ap);
}

// ---- the part file ------------------------------------------------------------
// Section "SKND", a row per skin feature: i32 kind; per string set a u8
// (1: the feature has it), u32 string count, per string i32 objects and
// i32 direction, and the objects (curves and edges); the parameter
// integers; the method value and record expressions; u8 options, i32
// alignment, i32 face storage; the faces (objects, 0 for none), four face
// counts and four continuities. A skin feature whose expressions or
// string objects did not go into the file goes without its row.

namespace pf = host::part_file;
namespace fields = host::part_file::fields;

bool all_written(const pf::SaveContext& ctx, const std::vector<tag_t>& objects) {
    return std::all_of(objects.begin(), objects.end(),
                       [&](tag_t o) { return o != 0 && ctx.index(o) != fields::kNotSaved; });
}

void write_skins(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t f) {
        const SkinRow* r = skins().find(f);
        if (!r || !hf::find(f)) return;
        std::vector<tag_t> needed(r->values.begin(), r->values.end());
        needed.insert(needed.end(), r->record.begin(), r->record.end());
        for (const Strings& s : r->sets) needed.insert(needed.end(), s.objects.begin(), s.objects.end());
        if (!all_written(ctx, needed)) return;
        row.i32(r->kind);
        for (int i = 0; i < kSets; ++i) {
            const Strings& s = r->sets[i];
            row.u8(r->present[i] ? 1 : 0);
            row.u32(static_cast<std::uint32_t>(s.per_string.size()));
            for (std::size_t j = 0; j < s.per_string.size(); ++j) {
                row.i32(s.per_string[j]);
                row.i32(s.dir[j]);
            }
            fields::put_objects(row, ctx, s.objects);
        }
        for (int p : r->params) row.i32(p);
        fields::put_objects(row, ctx, r->values);
        for (tag_t e : r->record) fields::put_object(row, ctx, e);
        row.u8(r->options);
        row.i32(r->alignment);
        row.i32(r->storage);
        std::vector<tag_t> faces;
        for (unsigned int ref : r->frefs) faces.push_back(ref ? FREF_ask_face_of_fref(ref) : 0);
        fields::put_objects(row, ctx, faces);
        for (int n : r->numf) row.i32(n);
        for (int c : r->continuity) row.i32(c);
    });
}

void read_skins(pf::Reader& in, pf::LoadContext& ctx) {
    constexpr const char* kWhat = "a skin definition";
    std::vector<std::pair<tag_t, SkinRow>> made;
    const auto expression = [&](tag_t e) {
        const host::objects::Object* o = host::objects::find(e);
        if (!o || o->cls != OM_CLASS_EXPRESSION) throw pf::FormatError("a skin definition names no expression");
        return e;
    };
    pf::read_rows(in, ctx, {kWhat, 4, false}, [&](tag_t f, pf::Reader& row) {
        SkinRow r;
        r.kind = row.i32();
        if (!fits_kind(r.kind)) throw pf::FormatError("a skin definition of no skin kind");
        for (int i = 0; i < kSets; ++i) {
            Strings& s = r.sets[i];
            r.present[i] = row.u8() != 0;
            const std::uint32_t n = fields::get_count(row, 8, kWhat);
            int total = 0;
            for (std::uint32_t j = 0; j < n; ++j) {
                s.per_string.push_back(row.i32());
                s.dir.push_back(row.i32());
                if (s.per_string.back() < 0) throw pf::FormatError("a skin string with a negative count");
                total += s.per_string.back();
            }
            s.objects = fields::get_objects(row, ctx, kWhat);
            if (static_cast<std::size_t>(total) != s.objects.size() ||
                std::find(s.objects.begin(), s.objects.end(), 0u) != s.objects.end())
                throw pf::FormatError("a skin string's objects disagree with its counts");
        }
        for (int& p : r.params) p = row.i32();
        for (tag_t e : fields::get_objects(row, ctx, kWhat)) r.values.push_back(expression(e));
        for (tag_t& e : r.record) e = expression(fields::get_object(row, ctx, kWhat));
        r.options = row.u8();
        r.alignment = row.i32();
        r.storage = row.i32();
        for (tag_t face : fields::get_objects(row, ctx, kWhat))
            r.frefs.push_back(face ? static_cast<unsigned int>(host::kernel::entity_of(face)) : 0u);
        for (int& n : r.numf) n = row.i32();
        for (int& c : r.continuity) c = row.i32();
        made.emplace_back(f, std::move(r));
    });
    for (auto& [f, r] : made) skins()[f] = std::move(r);
}

const bool section_registered = (pf::register_section({{'S', 'K', 'N', 'D'}, write_skins, read_skins}), true);

}  // namespace

namespace host::freeform {

const char* type_of_skin(int kind) {
    switch (kind) {
    case SKIN_KIND_CURVE_MESH: return "THRU_CURVE_MESH";
    case SKIN_KIND_THRU_CURVES: return "THRU_CURVE";
    case SKIN_KIND_SWEEP:
    case SKIN_KIND_RULED:
    case SKIN_KIND_BPLANE: return "SKIN";
    default: return "";
    }
}

int create_skin(tag_t part, const SkinDefinition& d, tag_t* feature) {
    if (feature) *feature = 0;
    if (!fits_kind(d.kind)) return FEAT_ERR_BAD_PARAMETERS;
    const int boundaries = std::accumulate(d.faces_per_boundary.begin(), d.faces_per_boundary.end(), 0);
    if (d.face_storage < 2 ? d.faces.size() > SKIN_N_BOUNDARIES
                           : std::any_of(d.faces_per_boundary.begin(), d.faces_per_boundary.end(),
                                         [](int n) { return n < 0; }) ||
                                 static_cast<std::size_t>(boundaries) != d.faces.size())
        return FEAT_ERR_BAD_PARAMETERS;
    return create_with(part, type_of_skin(d.kind), feature, [&](tag_t t, const auto& exp_of) {
        SkinRow r;
        r.kind = d.kind;
        const std::array<const Strings*, kSets> sets = {&d.first, &d.second, d.single ? &*d.single : nullptr,
                                                        d.method_curves[0] ? &*d.method_curves[0] : nullptr,
                                                        d.method_curves[1] ? &*d.method_curves[1] : nullptr};
        for (int i = 0; i < kSets; ++i) {
            if (!sets[i]) continue;
            const Strings& s = *sets[i];
            const int total = std::accumulate(s.per_string.begin(), s.per_string.end(), 0);
            if (s.dir.size() != s.per_string.size() || static_cast<std::size_t>(total) != s.objects.size())
                throw Refused{FEAT_ERR_BAD_PARAMETERS};
            r.sets[i] = s;
            r.present[i] = true;
        }
        r.params = d.params;
        for (const std::string& v : d.values) r.values.push_back(exp_of(v));
        for (int i = 0; i < 3; ++i) r.record[i] = exp_of(d.record[i]);
        r.options = d.options;
        r.alignment = d.alignment;
        r.storage = d.face_storage;
        for (tag_t f : d.faces) r.frefs.push_back(fref_of(f));
        if (r.storage < 2) r.frefs.resize(SKIN_N_BOUNDARIES, 0);
        r.numf = d.faces_per_boundary;
        r.continuity = d.continuity;
        skins()[t] = std::move(r);
    });
}

int create_thicken(tag_t part, const ThickenDefinition& d, tag_t* feature) {
    if (feature) *feature = 0;
    if (!ES_solid_is_a_sheet_body(d.sheet)) return FEAT_ERR_BAD_PARAMETERS;
    return create_with(part, kThickenType, feature, [&](tag_t t, const auto& exp_of) {
        ThickenRow r;
        r.bref = d.sheet;  // a body is referred to by its body object
        r.offsets = {exp_of(d.first_offset), exp_of(d.second_offset)};
        thickens()[t] = r;
    });
}

void restore_thicken(tag_t feature, tag_t sheet, tag_t first, tag_t second) {
    thickens()[feature] = ThickenRow{sheet, {first, second}};
}

int create_extrusion(tag_t part, const ExtrusionDefinition& d, tag_t* feature) {
    if (feature) *feature = 0;
    return create_with(part, kExtrusionType, feature, [&](tag_t t, const auto& exp_of) {
        ExtrusionRow r;
        r.method = d.method;
        for (tag_t o : d.profile) {
            if (!objects::is_alive(o)) throw Refused{FEAT_ERR_BAD_PARAMETERS};
            if (ES_solid_is_a_edge(o)) r.profile.push_back({0, EREF_ask_eref_of_edge(o)});
            else r.profile.push_back({o, 0});
        }
        const auto optional_exp = [&](const std::optional<std::string>& f) { return f ? exp_of(*f) : 0u; };
        r.taper = optional_exp(d.taper);
        for (int i = 0; i < 2; ++i) {
            r.limits[i] = optional_exp(d.limits[i]);
            r.offsets[i] = optional_exp(d.offsets[i]);
            r.trim[i] = fref_of(d.trim_faces[i]);
        }
        r.region_set = d.region_set;
        r.region = d.region;
        r.direction = d.direction;
        r.sign = d.sign;
        extrusions()[t] = std::move(r);
    });
}

void attach_body(tag_t feature, tag_t body, tag_t tool, int step, int sign) {
    hf::Record* r = hf::detail::edit(feature);
    if (!r) return;
    r->body = body;
    r->tool = tool;
    r->step = step;
    r->sign = sign;
    r->built = hf::detail::values_of(*r);
}

std::optional<SkinDefinition> skin_definition(tag_t feature) {
    const SkinRow* r = is_skin(feature) ? skins().find(feature) : nullptr;
    if (!r) return std::nullopt;
    SkinDefinition d;
    d.kind = r->kind;
    d.first = r->sets[0];
    d.second = r->sets[1];
    if (r->present[2]) d.single = r->sets[2];
    for (int i = 0; i < 2; ++i)
        if (r->present[3 + i]) d.method_curves[i] = r->sets[3 + i];
    d.params = r->params;
    for (tag_t e : r->values) {
        const host::expr::Expression* x = host::expr::find(e);
        d.values.push_back(x ? x->formula : "0");
    }
    d.options = r->options;
    d.alignment = r->alignment;
    d.face_storage = r->storage;
    d.faces_per_boundary = r->numf;
    d.continuity = r->continuity;
    return d;
}

std::vector<double> skin_values(tag_t feature) {
    std::vector<double> out;
    const SkinRow* r = is_skin(feature) ? skins().find(feature) : nullptr;
    if (!r) return out;
    for (tag_t e : r->values) {
        double v = 0;
        EXP_ask_value_of_exp(e, &v);
        out.push_back(v);
    }
    return out;
}

tag_t skin_of_exps(const std::vector<tag_t>& exps) {
    if (exps.size() < 3) return 0;
    const tag_t last = exps.back();
    for (tag_t t : hf::features_using(last))
        if (const SkinRow* r = skins().find(t); r && r->record[2] == last) return t;
    return 0;
}

std::vector<double> skin_built_from(tag_t feature) {
    const SkinRow* r = is_skin(feature) ? skins().find(feature) : nullptr;
    return r ? r->built_from : std::vector<double>{};
}

void set_skin_built_from(tag_t feature, std::vector<double> print) {
    if (!is_skin(feature) || skins().find(feature)->built_from == print) return;
    skins().edit(feature)->built_from = std::move(print);
}

bool is_skin(tag_t feature) { return hf::find(feature) && skins().find(feature); }
bool is_thicken(tag_t feature) { return hf::find(feature) && thickens().find(feature); }
bool is_extrusion(tag_t feature) { return hf::find(feature) && extrusions().find(feature); }
bool has_analysed_block(tag_t feature) {
    const ExtrusionRow* r = is_extrusion(feature) ? extrusions().find(feature) : nullptr;
    return r && r->hung != 0;
}

}  // namespace host::freeform

extern "C" {

int SKIN_ask_skin_kind(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    return skin_of(call, feature).kind;
}

void SKIN_ask_string_size(unsigned int feature, int set, int* n_strings, int* n_objects) {
    auto call = HOST_ENTRY(feature, set, n_strings, n_objects);
    call.need(n_strings, "the string count");
    call.need(n_objects, "the object count");
    const Strings& s = set_of(call, skin_of(call, feature), set);
    *n_strings = static_cast<int>(s.per_string.size());
    *n_objects = static_cast<int>(s.objects.size());
}

void SKIN_fill_string_list(unsigned int feature, int set, int room, CMP_strings_t* strings) {
    auto call = HOST_ENTRY(feature, set, room, strings);
    call.need(strings, "the string list");
    const Strings& s = set_of(call, skin_of(call, feature), set);
    const std::size_t n = s.per_string.size();
    if (strings->count < 0 || n > static_cast<std::size_t>(strings->count) || room < 0 ||
        s.objects.size() > static_cast<std::size_t>(room))
        call.fail(HOST_ERR_BAD_ARGUMENT, "%zu strings of %zu objects do not fit a list of %d strings and %d objects",
                  n, s.objects.size(), strings->count, room);
    if (n > 0) {
        call.need(strings->per_string, "the objects per string");
        call.need(strings->dir, "the directions");
    }
    if (!s.objects.empty()) call.need(strings->objects, "the objects");
    std::copy(s.per_string.begin(), s.per_string.end(), strings->per_string);
    std::copy(s.dir.begin(), s.dir.end(), strings->dir);
    std::copy(s.objects.begin(), s.objects.end(), strings->objects);
    strings->count = static_cast<int>(n);
}

void SKIN_ask_params(unsigned int feature, int params[SKIN_N_PARAMS]) {
    auto call = HOST_ENTRY(feature, params);
    call.need(params, "the parameters");
    const SkinRow& r = skin_of(call, feature);
    std::copy(r.params.begin(), r.params.end(), params);
}

unsigned int SKIN_ask_value_exp(unsigned int feature, int index) {
    auto call = HOST_ENTRY(feature, index);
    const SkinRow& r = skin_of(call, feature);
    if (index < 0 || static_cast<std::size_t>(index) >= r.values.size())
        call.fail(HOST_ERR_BAD_ARGUMENT, "value %d of %zu", index, r.values.size());
    return r.values[index];
}

void SKIN_ask_record_exps(unsigned int feature, unsigned int exps[3]) {
    auto call = HOST_ENTRY(feature, exps);
    call.need(exps, "the expressions");
    const SkinRow& r = skin_of(call, feature);
    std::copy(r.record.begin(), r.record.end(), exps);
}

int SKIN_ask_options(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    return skin_of(call, feature).options;
}

int SKIN_ask_alignment_method(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    return skin_of(call, feature).alignment;
}

void SKIN_ask_faces(unsigned int feature, SKIN_faces_t* faces) {
    auto call = HOST_ENTRY(feature, faces);
    call.need(faces, "the face record");
    const SkinRow& r = skin_of(call, feature);
    SKIN_faces_t out{};
    out.storage = r.storage;
    std::copy(r.numf.begin(), r.numf.end(), out.numf);
    std::copy(r.continuity.begin(), r.continuity.end(), out.continuity);
    out.n_refs = static_cast<int>(r.frefs.size());
    host::memory::Handout made;
    out.refs = made.tags(r.frefs);
    made.done();
    *faces = out;
}

unsigned int THICKEN_SHEET_ask_sheet_bref(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return row_of(call, thickens(), feature, "thickened sheet").bref;
}

void THICKEN_SHEET_ask_offsets(unsigned int feature, unsigned int exps[2]) {
    auto call = HOST_ENTRY(feature, exps);
    call.need(exps, "the expressions");
    const ThickenRow& r = row_of(call, thickens(), feature, "thickened sheet");
    std::copy(r.offsets.begin(), r.offsets.end(), exps);
}

int SWEEP_is_an_extruded_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    call.live(feature);
    return host::freeform::is_extrusion(feature) ? 1 : 0;
}

SWEEP_ap_t* SWEEP__ask_ap(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const ExtrusionRow& r = row_of(call, extrusions(), feature, "extrusion");
    if (r.hung != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "extrusion %u has its analysed parameters out already", feature);
    auto* ap = static_cast<SWEEP_ap_t*>(SM_alloc(sizeof(SWEEP_ap_t)));
    *ap = SWEEP_ap_t{};
    try {
        ap->method = r.method;
        ap->sign = static_cast<unsigned char>(r.sign);
        ap->taper = formula_copy(r.taper);
        for (int i = 0; i < 2; ++i) {
            ap->limits[i] = formula_copy(r.limits[i]);
            ap->offsets[i] = formula_copy(r.offsets[i]);
            ap->trim_frefs[i] = r.trim[i];
        }
        ap->region.set = r.region_set ? 1 : 0;
        std::copy(r.region.begin(), r.region.end(), ap->region.point);
        std::copy(r.direction.begin(), r.direction.end(), ap->direction);
        extrusions().edit(feature)->hung = reinterpret_cast<std::uintptr_t>(ap);
    } catch (...) {
        free_ap(ap);
        throw;
    }
    return ap;
}

void SWEEP__free_ap(unsigned int feature, SWEEP_ap_t* ap) {
    auto call = HOST_ENTRY(feature, ap);
    call.need(ap, "the analysed parameters");
    const ExtrusionRow& r = row_of(call, extrusions(), feature, "extrusion");
    if (r.hung != reinterpret_cast<std::uintptr_t>(ap))
        call.fail(HOST_ERR_BAD_BLOCK, "the block is not the one hung on extrusion %u", feature);
    extrusions().edit(feature)->hung = 0;
    free_ap(ap);
}

void SWEEP_ask_profile_grefs(unsigned int feature, int* count, SWEEP_gref_t** grefs) {
    auto call = HOST_ENTRY(feature, count, grefs);
    call.need(count, "the count");
    call.need(grefs, "the objects");
    const ExtrusionRow& r = row_of(call, extrusions(), feature, "extrusion");
    SWEEP_gref_t* out = nullptr;
    if (!r.profile.empty()) {
        out = static_cast<SWEEP_gref_t*>(SM_alloc(r.profile.size() * sizeof(SWEEP_gref_t)));
        std::copy(r.profile.begin(), r.profile.end(), out);
    }
    *count = static_cast<int>(r.profile.size());
    *grefs = out;
}

}  // extern "C"
