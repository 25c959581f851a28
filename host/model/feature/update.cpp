// Kinds of features the host builds, their creation and the update that
// makes bodies again after edits.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/records.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/model/smart/smart.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/ops/through_curves.h"
#include "host/kernel/engine/steps.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

using namespace detail;

std::map<std::string, Kind>& kinds() {
    static std::map<std::string, Kind> table;
    return table;
}

Failure& failure() { return service_state<Failure>("feature update failure"); }

std::vector<void (*)()>& followers() {
    static std::vector<void (*)()> list;
    return list;
}
const bool registered = (failure(), true);

// ---- the host's own kinds ---------------------------------------------------

int require_entity(const Call& call, tag_t object) {
    const int e = kernel::entity_of(object);
    if (e == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no body, face or edge of the kernel", object);
    return e;
}

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

void build_block(const Call& call, Record& r, const std::vector<double>& v) {
    int made = 0;
    ZQ_BODY_make_block(r.numbers.data(), v.data(), &made);
    place_primitive(call, r, made);
}
std::vector<std::pair<int, double>> block_numbers(const Record&, const std::vector<double>& v) {
    return {{3, v[0]}, {4, v[1]}, {5, v[2]}};
}

void build_cylinder(const Call& call, Record& r, const std::vector<double>& v) {
    int made = 0;
    ZQ_BODY_make_cylinder(r.numbers.data(), r.numbers.data() + 3, v[0] / 2, v[1], &made);
    place_primitive(call, r, made);
}
std::vector<std::pair<int, double>> cylinder_numbers(const Record&, const std::vector<double>& v) {
    return {{6, v[0] / 2}, {7, v[1]}};
}

// A blend's fixed numbers, when it has any, give its edges radii by points
// (ZQ_BODY_blend_edges_varying after the radius); without any every edge
// takes the radius.
void build_blend(const Call& call, Record& r, const std::vector<double>& v) {
    const int body = require_entity(call, r.body);
    if (r.numbers.empty()) {
        ZQ_BODY_blend_edges(body, static_cast<int>(r.refs.size()), r.refs.data(), v[0], v[0]);
    } else {
        std::vector<double> numbers{v[0]};
        numbers.insert(numbers.end(), r.numbers.begin(), r.numbers.end());
        ZQ_BODY_blend_edges_varying(body, static_cast<int>(r.refs.size()), r.refs.data(),
                                    static_cast<int>(numbers.size()), numbers.data());
    }
    r.step = step_count(body) - 1;
}
std::vector<std::pair<int, double>> blend_numbers(const Record& r, const std::vector<double>& v) {
    if (r.numbers.empty()) return {{0, v[0]}, {1, v[0]}};
    std::vector<std::pair<int, double>> out{{0, v[0]}};
    for (std::size_t i = 0; i < r.numbers.size(); ++i) out.emplace_back(static_cast<int>(i) + 1, r.numbers[i]);
    return out;
}

// A face blend's one fixed number is the size of its first face set: its
// references are the first set and then the second.
void build_face_blend(const Call& call, Record& r, const std::vector<double>& v) {
    const int body = require_entity(call, r.body);
    const int n_first = static_cast<int>(r.numbers[0]);
    const int n_all = static_cast<int>(r.refs.size());
    if (n_first < 1 || n_first >= n_all) call.fail(FEAT_ERR_BAD_PARAMETERS, "the face sets of a face blend are empty");
    ZQ_BODY_blend_face_sets(body, n_first, r.refs.data(), n_all - n_first, r.refs.data() + n_first, v[0]);
    r.step = step_count(body) - 1;
}
std::vector<std::pair<int, double>> face_blend_numbers(const Record& r, const std::vector<double>& v) {
    return {{0, v[0]}, {1, r.numbers[0]}};
}

const bool kinds_made = [] {
    register_kind({"BLOCK", {"Length (XC)", "Width (YC)", "Height (ZC)"}, 3, 0, 0, false, build_block, block_numbers});
    register_kind({"CYLINDER", {"Diameter", "Height"}, 6, 0, 0, false, build_cylinder, cylinder_numbers});
    register_kind({"BLEND", {"Radius"}, kAnyNumbers, 1, 1000000, true, build_blend, blend_numbers});
    register_kind({"FACE_BLEND", {"Radius"}, 1, 2, 1000000, true, build_face_blend, face_blend_numbers});
    return true;
}();

// ---- creation ---------------------------------------------------------------

int check_request(tag_t part, const Kind* k, const std::vector<std::string>& formulas,
                  const std::vector<double>& numbers, const std::vector<tag_t>& refs, tag_t target, int sign) {
    const objects::Object* p = objects::find(part);
    if (!p || p->cls != OM_CLASS_PART) return FEAT_ERR_NOT_A_PART;
    if (!k || !k->build) return FEAT_ERR_UNKNOWN_KIND;
    const std::size_t given_min = k->parameters.size() - (k->derive ? k->derived : 0);
    if ((formulas.size() != k->parameters.size() && formulas.size() != given_min) ||
        (k->numbers != kAnyNumbers && numbers.size() != static_cast<std::size_t>(k->numbers)) ||
        refs.size() < static_cast<std::size_t>(k->refs_min) || refs.size() > static_cast<std::size_t>(k->refs_max) ||
        sign < FEAT_SIGN_NEW || sign > FEAT_SIGN_INTERSECT || (k->needs_target && sign != FEAT_SIGN_NEW))
        return FEAT_ERR_BAD_PARAMETERS;
    for (double n : numbers)
        if (!std::isfinite(n)) return FEAT_ERR_BAD_PARAMETERS;
    const bool wants_target = k->needs_target || sign != FEAT_SIGN_NEW;
    if (wants_target != (target != 0)) return FEAT_ERR_BAD_PARAMETERS;
    if (target && (!ES_solid_is_a_body(target) || objects::require(target).part != part)) return FEAT_ERR_BAD_REFERENCE;
    for (tag_t r : refs) {
        if (!ES_solid_is_a_face(r) && !ES_solid_is_a_edge(r)) return FEAT_ERR_BAD_REFERENCE;
        if (ES_solid_ask_body(r) != target) return FEAT_ERR_BAD_REFERENCE;
    }
    const auto cur = order().current.find(part);
    if (cur != order().current.end() && find(cur->second)) return FEAT_ERR_BAD_REORDER;
    return 0;
}

}  // namespace

namespace {
tag_t g_attaching = 0;
}  // namespace

tag_t detail::attaching_body() { return g_attaching; }

// A primitive's body: new, or united with, subtracted from or intersected
// with the target.
void detail::place_primitive(const Call& call, Record& r, int made) {
    if (r.sign == FEAT_SIGN_NEW) {
        pxlook_(&made, &r.body);
        r.step = 0;
        return;
    }
    const int target = require_entity(call, r.body);
    unsigned int tool = 0;
    pxlook_(&made, &tool);
    r.tool = tool;
    ZQ_BODY_boolean(target, made, r.sign);
    r.step = step_count(target) - 1;
}

void register_kind(const Kind& kind) { kinds()[kind.name] = kind; }

void add_follower(void (*follow)()) {
    if (std::find(followers().begin(), followers().end(), follow) == followers().end()) followers().push_back(follow);
}

namespace {
std::vector<Taker>& takers() {
    static auto* const t = new std::vector<Taker>;  // services added as the library loads
    return *t;
}
}  // namespace

void add_taker(Taker taker) { takers().push_back(taker); }

bool is_taken(tag_t feature) {
    return std::any_of(takers().begin(), takers().end(), [&](const Taker& t) { return t.is_taken(feature); });
}

bool can_be_made_again(tag_t feature, const Record& r) { return (r.body != 0 && r.step >= 0) || is_taken(feature); }

void put_made_again(tag_t feature, const Record& r, int made) {
    for (const Taker& t : takers())
        if (t.take(feature, made)) return;
    const int body = kernel::entity_of(r.body);
    if (r.step == 0) ZQ_SKIN_replace_first(body, made);
    else ZQ_BODY_replace_step_tool(body, r.step, made);
    ZQ_BODY_regenerate(body);
}

const Kind* find_kind(const std::string& name) {
    const auto it = kinds().find(name);
    return it == kinds().end() ? nullptr : &it->second;
}

const Failure& last_failure() { return failure(); }

int create_built(tag_t part, const std::string& kind, const std::vector<std::string>& formulas,
                 const std::vector<double>& numbers, const std::vector<tag_t>& refs, tag_t target, int sign,
                 tag_t* feature) {
    if (feature) *feature = 0;
    const Kind* k = find_kind(kind);
    if (int code = check_request(part, k, formulas, numbers, refs, target, sign)) return code;
    const ModelSnapshot before = snapshot_model();
    if (target) {
        if (int code = caught([&] { attach(part); })) {
            restore_model(before);
            return code;
        }
    }
    std::vector<tag_t> exps;
    for (const std::string& f : formulas) {
        tag_t e = 0;
        if (int code = expr::create_system(part, f, &e)) {
            restore_model(before);
            return code;
        }
        exps.push_back(e);
    }
    // Parameters that follow from the given ones name their expressions.
    if (exps.size() < k->parameters.size()) {
        std::vector<std::string> names;
        for (tag_t e : exps) names.push_back(expr::find(e)->name);
        for (const std::string& f : k->derive(names)) {
            tag_t e = 0;
            if (int code = expr::create_system(part, f, &e)) {
                restore_model(before);
                return code;
            }
            exps.push_back(e);
        }
    }
    const tag_t t = create(part, kind);
    Record r = *find(t);
    r.exps = exps;
    r.numbers = numbers;
    for (tag_t o : refs) r.refs.push_back(kernel::entity_of(o));
    r.body = target;
    r.sign = sign;
    r.built = values_of(r);
    if (target)
        for (tag_t f : features_of_part(part)) {
            const Record* x = find(f);
            if (x->body == target && x->step == 0) r.parents.push_back(f);
        }
    const Call call("FEAT_create", nullptr);
    const int code = caught([&] { k->build(call, r, r.built); });
    if (code != 0) {
        restore_model(before);
        return code;
    }
    *edit(t) = std::move(r);
    if (feature) *feature = t;
    return 0;
}

namespace {

// A new body made by the first `count` steps of `from`, run again.
int copy_first_steps(int from, int count) {
    int body = 0, at = 0;
    for (int step = 0; step < count; ZQ_BODY_ask_step_count(body, &step))
        ZQ_BODY_copy_step(from, step, body, &body, &at);
    return body;
}

}  // namespace

void attach(tag_t part) {
    const Call call("FEAT_attach", nullptr);
    std::vector<tag_t> bodies;  // in the time order of their first feature
    for (tag_t f : features_of_part(part)) {
        const Record& r = *find(f);
        if (r.detached && std::find(bodies.begin(), bodies.end(), r.body) == bodies.end()) bodies.push_back(r.body);
    }
    struct Attaching {
        ~Attaching() { g_attaching = 0; }
    } attaching;
    for (tag_t body : bodies) {
        g_attaching = body;
        std::vector<tag_t> chain;
        for (tag_t f : features_of_part(part))
            if (find(f)->body == body) chain.push_back(f);
        const int old = kernel::entity_of(body);
        if (old == 0) fail_naming(call, chain[0], FEAT_ERR_BAD_REFERENCE, "has no body of its own to make again");
        std::vector<Record> made;
        int entity = 0;
        // A body that no feature made: the steps before its first feature
        // are made again from the steps read with it, as they were.
        tag_t base = 0;
        if (const int first = find(chain[0])->step; first > 0) {
            std::string text;
            const int code = caught([&] { entity = copy_first_steps(old, first); }, &text);
            if (code != 0) fail_naming(call, chain[0], code, "has no body to be made again on: " + text);
            pxlook_(&entity, &base);
        }
        for (tag_t f : chain) {
            Record r = *find(f);
            const Kind* k = find_kind(r.kind);
            if (!k) fail_naming(call, f, FEAT_ERR_UNKNOWN_KIND, "is of no kind the host builds");
            std::string text;
            const int code = caught(
                [&] {
                    if (entity == 0) {
                        r.body = 0;
                        k->build(call, r, r.built);
                        entity = kernel::entity_of(r.body);
                    } else {
                        r.body = made.empty() ? base : made[0].body;
                        const std::vector<int> faces = kernel::faces_of(entity), edges = kernel::edges_of(entity);
                        std::vector<int> refs;
                        for (int place : r.refs) {
                            const std::vector<int>& subs = place % 2 == 0 ? faces : edges;
                            if (place < 0 || static_cast<std::size_t>(place / 2) >= subs.size())
                                call.fail(FEAT_ERR_BAD_REFERENCE, "a face or edge it works on is not there");
                            refs.push_back(subs[place / 2]);
                        }
                        // A form feature read back names its faces by their
                        // objects: the saved body's faces, of the same planes.
                        r.refs = form_refs(f, refs);
                        k->build(call, r, r.built);
                    }
                    if (r.built_skipped) {
                        ZQ_BODY_skip_step(entity, r.step, 1);
                        ZQ_BODY_regenerate(entity);
                    }
                },
                &text);
            if (code != 0) fail_naming(call, f, code, "cannot be made again: " + text);
            r.detached = false;
            made.push_back(std::move(r));
        }
        std::string text;
        if (int code = caught([&] { ZQ_BODY_adopt(entity, old); }, &text))
            fail_naming(call, chain[0], code, "makes a body other than the one saved: " + text);
        for (std::size_t i = 0; i < chain.size(); ++i) {
            made[i].body = body;
            // The objects are the new body's now: its faces from here on.
            if (form_faces().find(chain[i])) {
                made[i].refs = form_refs(chain[i], made[i].refs);
                form_faces().erase(chain[i]);
            }
            *edit(chain[i]) = std::move(made[i]);
        }
    }
}

void update() {
    const Call call("UPDATE_do_update", nullptr);
    failure() = Failure{};
    const ModelSnapshot before = snapshot_model();
    // A failure names its feature; the model goes back as it was.
    const auto fail = [&](tag_t feature, int code, const std::string& text) {
        const std::string name = display_name(feature);
        restore_model(before);
        failure() = Failure{feature, code, name + " failed to update: " + text};
        call.fail(FEAT_ERR_UPDATE_FAILED, "%s failed to update: %s", name.c_str(), text.c_str());
    };
    // Smart objects follow the model (host/model/smart/smart.h).
    const auto follow_smart = [&] {
        std::string text;
        if (int code = caught([&] { smart::follow_update(); }, &text)) {
            restore_model(before);
            failure() = Failure{0, code, text};
            call.fail(FEAT_ERR_UPDATE_FAILED, "smart objects failed to update: %s", text.c_str());
        }
    };
    for (tag_t part : parts::loaded_parts()) {
        const std::vector<tag_t> features = features_of_part(part);
        if (features.empty()) continue;
        {
            std::string text;
            if (int code = caught([&] { attach(part); }, &text)) {
                restore_model(before);
                failure() = Failure{0, code, text};
                call.fail(FEAT_ERR_UPDATE_FAILED, "%s", text.c_str());
            }
        }
        // Bodies to make again, in the time order of their first changed feature.
        std::vector<int> bodies;
        std::vector<tag_t> changed;
        for (tag_t f : features) {
            const Record& r = *find(f);
            const Kind* k = find_kind(r.kind);
            if (!k || r.step < 0) continue;
            const std::vector<double> values = values_of(r);
            const bool skip = is_inactive(f);
            // A feature also moves when one of its positioning dimensions changed.
            const bool moved = positioning_moved(f);
            if (!r.out_of_date && values == r.built && skip == r.built_skipped && !moved) continue;
            if (skip && r.step == 0) fail(f, FEAT_ERR_BASE_FEATURE, "the feature that makes a body cannot be left out");
            const int body = body_entity(r);
            if (body == 0) fail(f, FEAT_ERR_BAD_REFERENCE, "its body is gone");
            std::string text;
            const int code = caught(
                [&] {
                    if (skip != r.built_skipped) ZQ_BODY_skip_step(body, r.step, skip ? 1 : 0);
                    if (moved) positioning_settle(f);
                    if (values != r.built || r.out_of_date || moved)
                        for (const auto& [index, v] : k->kernel_numbers(r, values))
                            ZQ_BODY_edit_parameter(body, r.step, index, v);
                },
                &text);
            if (code != 0) fail(f, code, text);
            if (std::find(bodies.begin(), bodies.end(), body) == bodies.end()) bodies.push_back(body);
            changed.push_back(f);
        }
        for (int body : bodies) {
            std::string text;
            const int code = caught([&] { ZQ_BODY_regenerate(body); }, &text);
            if (code == 0) continue;
            int step = -1;
            ZQ_BODY_ask_failed_step(&step);
            tag_t culprit = 0;
            for (tag_t f : features) {
                const Record& r = *find(f);
                if (body_entity(r) == body && r.step == step) culprit = f;
            }
            fail(culprit, code, text);
        }
        // Kinds that make curves follow their parents and parameters: the
        // smart objects among those parents (a smart line joined, on the
        // bodies just made) come first, and the smart objects on the curves
        // made follow again at the end.
        follow_smart();
        for (tag_t f : features) {
            const Record& r = *find(f);
            const Kind* k = find_kind(r.kind);
            if (!k || !k->regenerate || is_inactive(f)) continue;
            std::string text;
            if (int code = caught([&] { k->regenerate(call, f); }, &text)) fail(f, code, text);
            changed.push_back(f);
        }
        for (tag_t f : changed) {
            Record& w = *edit(f);
            w.built = values_of(w);
            w.built_skipped = is_inactive(f);
            w.out_of_date = false;
            positioning_settle(f);
        }
        std::string text;
        if (int code = caught([&] { expr::remeasure(part); }, &text)) fail(0, code, text);
    }
    std::string text;
    for (void (*follow)() : followers())
        if (int code = caught(follow, &text)) {
            restore_model(before);
            failure() = Failure{0, code, text};
            call.fail(FEAT_ERR_UPDATE_FAILED, "%s", text.c_str());
        }
    follow_smart();
}

// The store's routines that update the model (UPDATE_do_update ...) run
// this update.
const bool update_registered = (update_steps::set_model_update(&update), true);

}  // namespace host::feature

extern "C" {

int FEAT_create(unsigned int part, const char* kind, int n_formulas, const char* const formulas[], int n_numbers,
                const double numbers[], int n_refs, const unsigned int refs[], unsigned int target, int sign,
                unsigned int* feature) {
    auto call = HOST_ENTRY_TEXT(kind, part, n_formulas, target, sign);
    int status;
    if (call.status(status)) return status;
    call.need(kind, "the kind");
    call.need(feature, "the feature output");
    if (n_formulas < 0 || n_numbers < 0 || n_refs < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a negative count");
    if (n_formulas > 0) call.need(formulas, "the formulas");
    if (n_numbers > 0) call.need(numbers, "the numbers");
    if (n_refs > 0) call.need(refs, "the references");
    std::vector<std::string> f;
    for (int i = 0; i < n_formulas; ++i) f.emplace_back(call.need(formulas[i], "a formula"));
    return host::feature::create_built(part, kind, f, std::vector<double>(numbers, numbers + n_numbers),
                                       std::vector<unsigned int>(refs, refs + n_refs), target, sign, feature);
}

const char* FREC_ask_update_failure_message(void) {
    HOST_ENTRY();
    return host::feature::last_failure().text.c_str();
}

}  // extern "C"
