// Positioning constraints, kept values and instances of features: rows of
// the model keyed by the constraint's or the feature's tag.
#include "host/feature/positioning.h"

#include <algorithm>

#include "host/data/part_file.h"
#include "host/data/part_rules.h"
#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/handout.h"
#include "host/services/memory.h"
#include "host/services/objects.h"
#include "host/services/sets.h"

namespace host::feature {
namespace {

const OM_class_t kConstraintClass = objects::register_class(RPO_CONSTRAINT_CLASS_NAME, OM_CLASS_OBJECT);
// Constraints go into part files with their features.
const bool constraint_kind_known = (part_rules::register_known_kind(kConstraintClass, 0, 0, 0), true);

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

const bool sections_registered =
    (pf::register_section({{'R', 'C', 'O', 'N'}, write_constraints, read_constraints}),
     pf::register_section({{'R', 'P', 'O', 'S'}, write_positioning, read_positioning}), true);

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

}  // namespace host::feature

namespace hf = host::feature;

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

unsigned int ISET_ask_initial_master_of_ins(unsigned int instance) {
    auto call = HOST_ENTRY(instance);
    hf::require_feature(call, instance);
    const hf::Positioning* p = hf::positioning.find(instance);
    return p && hf::find(p->master) ? p->master : 0;
}

}  // extern "C"
