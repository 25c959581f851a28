// Dimensions of expressions: one object per feature that uses the
// expression, with a row naming both.
#include "host/expr/display.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/core/entity_types.h"
#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/memory.h"
#include "host/services/objects.h"

namespace host::expr {
namespace {
TagTable<Dimension> dimensions("expression dimensions");
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
    std::vector<unsigned int> out;
    for (unsigned int f : feature::features_of_part(part))
        for (unsigned int r : reach) {
            const std::vector<unsigned int> users = feature::features_using(r);
            if (std::find(users.begin(), users.end(), f) != users.end()) {
                out.push_back(f);
                break;
            }
        }
    return out;
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
