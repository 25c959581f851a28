// Dimensions of expressions: one object per feature that uses the
// expression, with a row naming both.
#include "host/model/expr/display.h"
#include "host/base/services/host_messages.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/model/expr/expr.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::expr {
namespace {
TagTable<Dimension> dimensions("expression dimensions");

// Part-file section "EDIM": the expression and the feature of each
// dimension. Payload: rows of objects (host/store/parts/part_file.h); a row: u32
// expression, u32 feature (object numbers). A dimension whose expression or
// feature is not written with the part gets no row. An expression or a
// feature that is none, or a row for an object that is no dimension, makes
// the file corrupt.
namespace pf = host::part_file;

bool is_dimension(const objects::Object* o) {
    return o && o->cls == OM_CLASS_RM_ENTITY && o->type == HOST_TYPE_DIMENSION;
}

void write_dimensions(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, unsigned int object) {
        const Dimension* d = is_dimension(objects::find(object)) ? dimensions.find(object) : nullptr;
        if (!d || !ctx.written(d->exp) || !ctx.written(d->feature) || d->exp == 0 || d->feature == 0) return;
        row.u32(ctx.index(d->exp));
        row.u32(ctx.index(d->feature));
    });
}

void read_dimensions(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, Dimension>> rows;
    pf::read_rows(in, ctx, {"dimension row", 8 + 8, false}, [&](unsigned int t, pf::Reader& row) {
        if (!is_dimension(objects::find(t))) throw pf::FormatError("a dimension row of an object that is no dimension");
        const std::uint32_t exp = row.u32(), feature = row.u32();
        Dimension d{exp == 0 ? 0 : ctx.tag_of(exp), feature == 0 ? 0 : ctx.tag_of(feature)};
        if (d.exp == 0 || objects::require(d.exp).cls != OM_CLASS_EXPRESSION)
            throw pf::FormatError("a dimension of no expression");
        if (d.feature == 0 || objects::require(d.feature).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a dimension on no feature");
        rows.emplace_back(t, d);
    });
    for (const auto& [t, d] : rows) dimensions[t] = d;
}

const bool section_registered =
    (host::part_rules::register_known_kind(OM_CLASS_RM_ENTITY, HOST_TYPE_DIMENSION, 0, 0, "ENTS EDIM"),
     pf::register_section({{'E', 'D', 'I', 'M'}, write_dimensions, read_dimensions}), true);
}  // namespace

std::vector<unsigned int> features_driven_by(unsigned int exp) {
    const unsigned int part = objects::require(exp).part;
    // The expression and the system expressions whose formulas reach it.
    std::vector<unsigned int> reach = {exp};
    for (bool grew = true; grew;) {
        grew = false;
        for (unsigned int t : of_part(part)) {
            const Expression* e = find(t);
            if (!e->system || std::find(reach.begin(), reach.end(), t) != reach.end()) continue;
            for (unsigned int u : e->uses)
                if (std::find(reach.begin(), reach.end(), u) != reach.end()) {
                    reach.push_back(t);
                    grew = true;
                    break;
                }
        }
    }
    // The features that use any of them, in time order.
    return users_of(reach);
}

const Dimension* find_dimension(unsigned int dimension) {
    return objects::is_alive(dimension) ? dimensions.find(dimension) : nullptr;
}

}  // namespace host::expr

extern "C" int EXP_DISP_display_expression(unsigned int exp, int* count, unsigned int** out) {
    auto call = HOST_ENTRY(exp, count, out);
    int status;
    if (call.status(status)) return status;
    call.need(count, "the count output");
    call.need(out, "the dimensions output");
    *count = 0;
    *out = nullptr;
    const host::expr::Expression* e = host::expr::find(exp);
    if (!e) return EXP_DISP_ERR_NO_EXPRESSION;
    const std::vector<unsigned int> features = host::expr::features_driven_by(exp);
    if (features.empty()) return EXP_DISP_ERR_NOT_DISPLAYED;
    const std::string name = e->name;
    const unsigned int part = host::objects::require(exp).part;
    std::vector<unsigned int> made;
    for (unsigned int f : features) {
        const unsigned int d = host::objects::create({OM_CLASS_RM_ENTITY, HOST_TYPE_DIMENSION, 0, part, name});
        host::expr::dimensions[d] = {exp, f};
        made.push_back(d);
    }
    *count = static_cast<int>(made.size());
    *out = static_cast<unsigned int*>(SM_alloc(made.size() * sizeof(unsigned int)));
    std::copy(made.begin(), made.end(), *out);
    return 0;
}

// The texts of expressions shown as dimensions.
HOST_CODE_TEXTS(HOST_EXPRESSION_DISPLAY_CODES);
