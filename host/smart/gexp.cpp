// Geometric-expression features: the feature record, its operands and the
// geometric expression that measures them.
#include "host/smart/gexp.h"

#include <vector>

#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"

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
