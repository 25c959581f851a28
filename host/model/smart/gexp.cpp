// Geometric-expression features: the feature record, its operands and the
// geometric expression that measures them.
#include "host/model/smart/gexp.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;

struct Gexp {
    int measure = 0;
    GEXP_operand_t ops[3] = {};
    tag_t exp = 0;
};

host::TagTable<Gexp>& gexps() {
    static auto* t = new host::TagTable<Gexp>("geometric expression features");
    return *t;
}
const bool registered = (gexps(), true);

// Objects the expression measures: an angle's first two.
int measured_of(int measure) { return measure == EXP_MEASURE_LENGTH ? 1 : 2; }

const char* kind_of(int measure) {
    return measure == EXP_MEASURE_LENGTH  ? "GEOM_LENGTH"
           : measure == EXP_MEASURE_ANGLE ? "GEOM_ANGLE"
                                          : "GEOM_DISTANCE";
}

std::vector<GEXP_operand_t> operands(const Call& call, std::initializer_list<const GEXP_operand_t*> given) {
    std::vector<GEXP_operand_t> out;
    for (const GEXP_operand_t* o : given) out.push_back(*call.need(o, "an operand"));
    return out;
}

std::vector<tag_t> measured(int measure, const std::vector<GEXP_operand_t>& ops) {
    std::vector<tag_t> out;
    for (int i = 0; i < measured_of(measure); ++i) out.push_back(ops[i].object);
    return out;
}

int create(const Call& call, tag_t part, int measure, const std::vector<GEXP_operand_t>& ops, tag_t* feature) {
    call.need(feature, "the feature output");
    const std::vector<tag_t> objs = measured(measure, ops);
    tag_t exp = 0;
    if (int code = EXP_create_geometric_exp(part, nullptr, measure, static_cast<int>(objs.size()), objs.data(), &exp))
        return code;
    const tag_t f = host::feature::create(part, kind_of(measure), {}, {exp});
    Gexp& g = gexps()[f];
    g.measure = measure;
    g.exp = exp;
    for (std::size_t i = 0; i < ops.size(); ++i) g.ops[i] = ops[i];
    *feature = f;
    return 0;
}

const Gexp& require(const Call& call, tag_t feature, int measure) {
    call.live(feature);
    const Gexp* g = gexps().find(feature);
    if (!g || (measure != 0 && g->measure != measure))
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a geometric-expression feature of the kind", feature);
    return *g;
}

int edit(const Call& call, tag_t feature, int measure, const std::vector<GEXP_operand_t>& ops) {
    const Gexp& g = require(call, feature, measure);
    if (int code = host::expr::set_measured(g.exp, measured(measure, ops))) return code;
    Gexp& w = *gexps().edit(feature);
    for (std::size_t i = 0; i < ops.size(); ++i) w.ops[i] = ops[i];
    return 0;
}

void ask(const Call& call, tag_t feature, int measure, std::initializer_list<GEXP_operand_t*> out) {
    for (GEXP_operand_t* o : out) call.need(o, "an operand output");
    const Gexp& g = require(call, feature, measure);
    int i = 0;
    for (GEXP_operand_t* o : out) *o = g.ops[i++];
}

// ---- part files: section "GEXP" ----
//
// One row per geometric-expression feature (part_file::write_rows):
//   i32 measure (EXP_MEASURE_), u32 object number of its expression, then
//   per operand (two of a distance, three of an angle, one of a length)
//   u32 object number of the object (kNotSaved: none, or not in the file),
//   u8 1 when the companion is an object of the file, then u32 its object
//   number, else the companion's own value (a companion is kept as given)
// The expression's formula and the objects it measures go with the
// expressions (section "EXPR"). The reader refuses a row of an object that
// is no feature, an unknown measure, an expression that is none, measured
// objects that are no faces or edges; once the part is read, a feature of
// another kind than its measure's. It stores nothing before the whole
// section has read.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

int operand_count(int measure) { return measure == EXP_MEASURE_ANGLE ? 3 : measured_of(measure); }

// An object of the file's or none (the part itself is no operand).
void put_operand_object(pf::Writer& out, const pf::SaveContext& ctx, tag_t t) {
    fields::put_object(out, ctx, t == ctx.part ? 0 : t);
}

void put_companion(pf::Writer& out, const pf::SaveContext& ctx, tag_t t) {
    const bool object = t != 0 && t != ctx.part && host::objects::is_alive(t) && ctx.written(t);
    out.u8(object ? 1 : 0);
    out.u32(object ? ctx.index(t) : t);
}

tag_t get_companion(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint8_t object = in.u8();
    if (object > 1) throw pf::FormatError("a geometric expression's companion of no known kind");
    const std::uint32_t v = in.u32();
    if (!object) return v;
    if (v == 0) throw pf::FormatError("a geometric expression's companion is the part");
    return ctx.tag_of(v);
}

void write_gexps(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (gexps().find(t)) rows.push_back(t);
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Gexp& g = *gexps().find(t);
        if (!ctx.written(g.exp)) return;  // its expression stays out: a plain feature
        row.i32(g.measure);
        fields::put_object(row, ctx, g.exp);
        for (int i = 0; i < operand_count(g.measure); ++i) {
            put_operand_object(row, ctx, g.ops[i].object);
            put_companion(row, ctx, g.ops[i].companion);
        }
    });
}

void read_gexps(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Gexp>> read;
    pf::read_rows(in, ctx, {"geometric expression feature", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a geometric expression row of an object that is no feature");
        Gexp g;
        g.measure = row.i32();
        if (g.measure < EXP_MEASURE_DISTANCE || g.measure > EXP_MEASURE_ANGLE)
            throw pf::FormatError("a geometric expression of no known measure");
        g.exp = fields::get_object(row, ctx, "a geometric expression feature");
        const host::objects::Object* e = g.exp ? host::objects::find(g.exp) : nullptr;
        if (!e || e->cls != OM_CLASS_EXPRESSION) throw pf::FormatError("a geometric expression feature without one");
        for (int i = 0; i < operand_count(g.measure); ++i) {
            g.ops[i].object = fields::get_object(row, ctx, "a geometric expression feature");
            g.ops[i].companion = get_companion(row, ctx);
            const host::objects::Object* o = g.ops[i].object ? host::objects::find(g.ops[i].object) : nullptr;
            if (i < measured_of(g.measure) && o &&
                (o->type != HOST_TYPE_SOLID || (o->subtype != HOST_SUBTYPE_FACE && o->subtype != HOST_SUBTYPE_EDGE)))
                throw pf::FormatError("a geometric expression measures no face or edge");
        }
        read.emplace_back(t, g);
    });
    for (const auto& [t, g] : read) gexps()[t] = g;
}

// Every geometric expression feature read is of its measure's kind.
const char* features_of_their_measure(tag_t part) {
    for (tag_t t : host::objects::objects_of_part(part)) {
        const Gexp* g = gexps().find(t);
        if (!g) continue;
        const host::feature::Record* r = host::feature::find(t);
        if (!r || r->kind != kind_of(g->measure)) return "a geometric expression feature of another kind";
    }
    return nullptr;
}

const bool section_registered = (pf::register_section({{'G', 'E', 'X', 'P'}, write_gexps, read_gexps}),
                                 host::part_rules::register_rule(features_of_their_measure), true);

}  // namespace

extern "C" {

int GEXP_create_distance_feature(unsigned int part, const GEXP_operand_t* first, const GEXP_operand_t* second,
                                 unsigned int* feature) {
    auto call = HOST_ENTRY(part, first, second, feature);
    int status;
    if (call.status(status)) return status;
    return create(call, part, EXP_MEASURE_DISTANCE, operands(call, {first, second}), feature);
}

int GEXP_create_angle_feature(unsigned int part, const GEXP_operand_t* first, const GEXP_operand_t* second,
                              const GEXP_operand_t* third, unsigned int* feature) {
    auto call = HOST_ENTRY(part, first, second, third);
    int status;
    if (call.status(status)) return status;
    return create(call, part, EXP_MEASURE_ANGLE, operands(call, {first, second, third}), feature);
}

int GEXP_create_length_feature(unsigned int part, unsigned int object, unsigned int companion, unsigned int* feature) {
    auto call = HOST_ENTRY(part, object, companion, feature);
    int status;
    if (call.status(status)) return status;
    return create(call, part, EXP_MEASURE_LENGTH, {GEXP_operand_t{object, companion}}, feature);
}

int GEXP_edit_distance_feature(unsigned int feature, const GEXP_operand_t* first, const GEXP_operand_t* second) {
    auto call = HOST_ENTRY(feature, first, second);
    int status;
    if (call.status(status)) return status;
    return edit(call, feature, EXP_MEASURE_DISTANCE, operands(call, {first, second}));
}

int GEXP_edit_angle_feature(unsigned int feature, const GEXP_operand_t* first, const GEXP_operand_t* second,
                            const GEXP_operand_t* third) {
    auto call = HOST_ENTRY(feature, first, second, third);
    int status;
    if (call.status(status)) return status;
    return edit(call, feature, EXP_MEASURE_ANGLE, operands(call, {first, second, third}));
}

int GEXP_edit_length_feature(unsigned int feature, unsigned int object, unsigned int companion) {
    auto call = HOST_ENTRY(feature, object, companion);
    int status;
    if (call.status(status)) return status;
    return edit(call, feature, EXP_MEASURE_LENGTH, {GEXP_operand_t{object, companion}});
}

int GEXP_ask_distance_parms(unsigned int feature, GEXP_operand_t* first, GEXP_operand_t* second) {
    auto call = HOST_ENTRY(feature, first, second);
    int status;
    if (call.status(status)) return status;
    ask(call, feature, EXP_MEASURE_DISTANCE, {first, second});
    return 0;
}

int GEXP_ask_angle_parms(unsigned int feature, GEXP_operand_t* first, GEXP_operand_t* second, GEXP_operand_t* third) {
    auto call = HOST_ENTRY(feature, first, second, third);
    int status;
    if (call.status(status)) return status;
    ask(call, feature, EXP_MEASURE_ANGLE, {first, second, third});
    return 0;
}

int GEXP_ask_length_parms(unsigned int feature, unsigned int* object, unsigned int* companion) {
    auto call = HOST_ENTRY(feature, object, companion);
    int status;
    if (call.status(status)) return status;
    call.need(object, "the object output");
    call.need(companion, "the companion output");
    const Gexp& g = require(call, feature, EXP_MEASURE_LENGTH);
    *object = g.ops[0].object;
    *companion = g.ops[0].companion;
    return 0;
}

unsigned int GEXP_ask_exp(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return static_cast<unsigned int>(call.int_out(0, require(call, feature, 0).exp));
}

}  // extern "C"
