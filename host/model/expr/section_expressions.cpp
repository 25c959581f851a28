// Part-file section "EXPR": the expressions of a part.
//
// Payload: rows (part_file::write_rows), one per expression, in the order
// they were made:
//   str name, str formula
//   f64 value
//   u32 flags (kSystem, kConstant)
//   i32 measure (0, or EXP_MEASURE_ of a geometric expression)
//   u32 count + object numbers of the faces or edges it measures
//
// The reader refuses what the expression service could not have made:
// names that are not valid or taken twice, formulas that do not read, that
// name no expression of the part or that depend on each other in a cycle,
// values that are not finite, a geometric expression of objects that are no
// faces or edges. Formulas are evaluated again in dependency order; a
// geometric expression keeps its value until the next update measures it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/expr/rows.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace he = host::expr;

constexpr std::uint32_t kSystem = 1u << 0;
constexpr std::uint32_t kConstant = 1u << 1;

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, he::of_part(ctx.part), [&](pf::Writer& row, unsigned int t) {
        const he::Expression& e = *he::find(t);
        // An expression whose formula names, or that measures, an object
        // left out of the file goes with its value as its formula.
        bool whole = true;
        for (unsigned int u : e.uses) whole = whole && ctx.written(u);
        for (unsigned int o : e.measured) whole = whole && ctx.written(o);
        row.str(e.name);
        if (whole) {
            row.str(e.formula);
        } else {
            char value[32];
            std::snprintf(value, sizeof value, "%.17g", e.value);
            row.str(value);
        }
        row.f64(e.value);
        row.u32((e.system ? kSystem : 0) | (e.constant ? kConstant : 0));
        row.i32(whole ? e.measure : 0);
        const std::vector<unsigned int> measured = whole ? e.measured : std::vector<unsigned int>();
        row.u32(static_cast<std::uint32_t>(measured.size()));
        for (unsigned int o : measured) row.u32(ctx.index(o));
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, he::Expression>> rows;
    std::map<std::string, unsigned int> names;
    pf::read_rows(in, ctx, {"expression row", 8, false}, [&](unsigned int t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_EXPRESSION)
            throw pf::FormatError("an expression row of an object that is no expression");
        he::Expression e;
        e.name = row.str();
        e.formula = row.str();
        e.value = row.f64();
        const std::uint32_t flags = row.u32();
        e.system = flags & kSystem;
        e.constant = flags & kConstant;
        e.measure = row.i32();
        if (e.measure < 0 || e.measure > EXP_MEASURE_ANGLE) throw pf::FormatError("an expression of no known measure");
        const std::uint32_t n = row.u32();
        if (n > row.left() / 4 || n != (e.measure == 0 ? 0u : e.measure == EXP_MEASURE_LENGTH ? 1u : 2u))
            throw pf::FormatError("a geometric expression of the wrong number of objects");
        for (std::uint32_t i = 0; i < n; ++i) {
            const host::objects::Object* o = host::objects::find(ctx.tag_of(row.u32()));
            if (!o || o->type != HOST_TYPE_SOLID ||
                (o->subtype != HOST_SUBTYPE_FACE && o->subtype != HOST_SUBTYPE_EDGE))
                throw pf::FormatError("a geometric expression measures no face or edge");
            e.measured.push_back(o->tag);
        }
        if (he::detail::check_name(ctx.part, e.name) != 0) throw pf::FormatError("an expression of a bad name");
        if (!names.emplace(e.name, t).second) throw pf::FormatError("two expressions of one name");
        rows.emplace_back(t, std::move(e));
    });
    if (rows.empty()) return;
    // Names to expressions, then the formulas in dependency order.
    std::map<unsigned int, he::Expression*> by_tag;
    for (auto& [t, e] : rows) {
        by_tag[t] = &e;
        if (e.measure) continue;
        std::vector<std::string> used;
        if (he::detail::read(ctx.part, e.formula, used) != 0) throw pf::FormatError("a formula that does not read");
        for (const std::string& u : used) {
            const auto it = names.find(u);
            if (it == names.end()) throw pf::FormatError("a formula names no expression of the part");
            e.uses.push_back(it->second);
        }
    }
    std::map<unsigned int, int> waiting;
    std::map<unsigned int, std::vector<unsigned int>> users;
    for (auto& [t, e] : rows) {
        waiting[t] = static_cast<int>(e.uses.size());
        for (unsigned int u : e.uses) users[u].push_back(t);
    }
    std::vector<unsigned int> ready;
    for (auto& [t, e] : rows)
        if (waiting[t] == 0) ready.push_back(t);
    std::size_t done = 0;
    while (!ready.empty()) {
        const unsigned int t = ready.back();
        ready.pop_back();
        ++done;
        he::Expression& e = *by_tag[t];
        if (!e.measure) {
            std::vector<std::pair<std::string, double>> values;
            for (unsigned int u : e.uses) values.emplace_back(by_tag[u]->name, by_tag[u]->value);
            if (he::detail::value_of(ctx.part, e.formula, values, e.value) != 0)
                throw pf::FormatError("a formula without a finite value");
        } else if (!std::isfinite(e.value)) {
            throw pf::FormatError("a measured value that is not finite");
        }
        for (unsigned int u : users[t])
            if (--waiting[u] == 0) ready.push_back(u);
    }
    if (done != rows.size()) throw pf::FormatError("expressions that depend on each other in a cycle");
    for (auto& [t, e] : rows) {
        host::objects::set_name(t, e.name);
        he::detail::store(t, std::move(e));
    }
    he::detail::renumber_system(ctx.part);
}

const bool registered = (pf::register_section({{'E', 'X', 'P', 'R'}, write_section, read_section}), true);

}  // namespace
