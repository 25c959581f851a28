// Feature records, their order, host object lists and the feature deletion.
#include "host/model/feature/feature.h"

#include <algorithm>
#include <map>
#include <set>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/kind_check.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/handout.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace detail {

TagTable<Record>& records() {
    static TagTable<Record>* const table = new TagTable<Record>("features");
    return *table;
}
const bool records_made = (records(), true);

Record* edit(tag_t feature) { return objects::is_alive(feature) ? records().edit(feature) : nullptr; }

const Order& order() { return model_value<Order>("feature order").read(); }
Order& change_order() { return model_state<Order>("feature order"); }
const bool order_made = (change_order(), true);

int body_entity(const Record& r) { return r.body ? kernel::entity_of(r.body) : 0; }

std::vector<double> values_of(const Record& r) {
    std::vector<double> v;
    v.reserve(r.exps.size());
    for (tag_t e : r.exps) v.push_back(expr::value(e));
    return v;
}

void fail_naming(const Call& call, tag_t feature, int code, const std::string& text) {
    call.fail(code, "%s %s", display_name(feature).c_str(), text.c_str());
}

}  // namespace detail

namespace {

using namespace detail;


// A part's order drops features that died (deleted, or undone).
const std::vector<tag_t>& part_order(tag_t part) {
    static const std::vector<tag_t> none;
    const auto it = order().features.find(part);
    return it == order().features.end() ? none : it->second;
}


void require_live(const char* function, tag_t object) {
    if (!objects::is_alive(object))
        ERROR_raise(function, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", function, object);
}

const Record& require(const Call& call, tag_t feature) {
    call.live(feature);
    const Record* r = find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    return *r;
}

void tags_out(const std::vector<tag_t>& v, int* count, tag_t** out) {
    *count = static_cast<int>(v.size());
    *out = nullptr;
    if (v.empty()) return;
    *out = static_cast<tag_t*>(SM_alloc(v.size() * sizeof(tag_t)));
    std::copy(v.begin(), v.end(), *out);
}

std::vector<tag_t> live_order(tag_t part) {
    std::vector<tag_t> out;
    for (tag_t f : part_order(part))
        if (find(f)) out.push_back(f);
    return out;
}

int stamp_of(tag_t feature) {
    const objects::Object* o = objects::find(feature);
    if (!o) return 0;
    int n = 0;
    for (tag_t f : part_order(o->part)) {
        if (!find(f)) continue;
        ++n;
        if (f == feature) return n;
    }
    return 0;
}

// The feature that made the body (its first step); none for a body that a
// boolean consumed.
tag_t base_of(const Record& r) {
    const objects::Object* body = r.body ? objects::find(r.body) : nullptr;
    if (!body) return 0;
    for (tag_t f : live_order(body->part)) {
        const Record* x = find(f);
        if (x->body == r.body && x->step == 0) return f;
    }
    return 0;
}

std::vector<tag_t> children_of(tag_t feature) {
    std::vector<tag_t> out;
    const objects::Object* o = objects::find(feature);
    if (!o) return out;
    for (tag_t f : live_order(o->part)) {
        const Record* r = find(f);
        if (std::find(r->parents.begin(), r->parents.end(), feature) != r->parents.end()) out.push_back(f);
    }
    return out;
}

// Takes a deleted edit step out of its body: skipped, and the body made
// again without it.
// Parameter records handed out, by feature (service state: a view of the
// model, made anew on every request).
struct Parms {
    FREC_parms_t record{};
    std::vector<const char*> names;
    std::vector<tag_t> exps;
};
std::map<tag_t, Parms>& parms() { return service_state<std::map<tag_t, Parms>>("feature parameter records"); }
const bool parms_made = (parms(), true);

// The class of a kind's parameter objects, registered on first use under
// the class of all feature parameters.
OM_class_t parms_class(const std::string& kind) {
    const OM_class_t root = objects::register_class("FEATURE_parms_c", OM_CLASS_OBJECT);
    return objects::register_class(kind + "_parms_c", root);
}

// The face or edge object that carries a kernel tag now, 0 for none.
unsigned int resolve_ref(int entity, int (*is_kind)(unsigned int)) {
    const unsigned int object = kernel::object_of(entity);
    return object && is_kind(object) ? object : 0;
}

void take_out_of_body(const Record& r) {
    if (r.detached) return;  // not made through the kernel yet: made again without it
    const int body = body_entity(r);
    if (body == 0 || r.step <= 0 || r.built_skipped) return;
    ZQ_BODY_skip_step(body, r.step, 1);
    ZQ_BODY_regenerate(body);
}

}  // namespace

tag_t create(tag_t part, const std::string& kind, std::vector<tag_t> parents, std::vector<tag_t> results) {
    for (tag_t p : parents)
        if (!find(p))
            ERROR_raise("host::feature::create", 0, HOST_ERR_DEAD_TAG, "host::feature::create: %u is not a feature", p);
    for (tag_t r : results) require_live("host::feature::create", r);
    const tag_t t = objects::create({OM_CLASS_FEATURE, HOST_TYPE_FEATURE, 0, part, kind});
    Record& r = records()[t];
    r.kind = kind;
    r.parents = std::move(parents);
    r.results = std::move(results);
    change_order().features[part].push_back(t);
    return t;
}

const Record* find(tag_t feature) { return objects::is_alive(feature) ? records().find(feature) : nullptr; }

void expect_kind_when_read(part_file::LoadContext& ctx, unsigned int feature, std::vector<std::string> kinds,
                           const char* rule) {
    ctx.after_sections([feature, kinds = std::move(kinds), rule]() -> const char* {
        const Record* r = find(feature);
        return r && std::find(kinds.begin(), kinds.end(), r->kind) != kinds.end() ? nullptr : rule;
    });
}

void set_results(tag_t feature, std::vector<tag_t> results) {
    for (tag_t r : results) require_live("host::feature::set_results", r);
    if (Record* r = edit(feature)) r->results = std::move(results);
}

void set_undeletable(tag_t feature, bool on) {
    if (Record* r = edit(feature)) r->undeletable = on;
}

void set_flags(tag_t feature, bool browseable, bool controlled, bool meta) {
    if (Record* r = edit(feature)) {
        r->browseable = browseable;
        r->controlled = controlled;
        r->meta = meta;
    }
}

std::string display_name(tag_t feature) {
    const Record* r = find(feature);
    return r ? r->kind + "(" + std::to_string(stamp_of(feature)) + ")" : std::string();
}

std::vector<tag_t> features_of_part(tag_t part) { return live_order(part); }

namespace {
// The features of the expressions' part that use any of them, in time
// order: the expression service asks this (host::expr::users_of).
std::vector<tag_t> users_of(const std::vector<tag_t>& exps) {
    std::vector<tag_t> out;
    const objects::Object* o = exps.empty() ? nullptr : objects::find(exps[0]);
    if (!o) return out;
    const auto uses = [](tag_t f, const Record& r, tag_t exp) {
        return r.suppress_exp == exp || std::find(r.exps.begin(), r.exps.end(), exp) != r.exps.end() ||
               positioning_uses(f, exp);
    };
    for (tag_t f : live_order(o->part)) {
        const Record* r = find(f);
        if (std::any_of(exps.begin(), exps.end(), [&](tag_t exp) { return uses(f, *r, exp); })) out.push_back(f);
    }
    return out;
}
const bool users_registered = (expr::set_users_query(users_of), true);
}  // namespace

std::vector<tag_t> features_using(tag_t exp) { return users_of({exp}); }

bool is_inactive(tag_t feature) {
    const Record* r = find(feature);
    if (!r) return false;
    if (r->suppressed) return true;
    if (r->suppress_exp && expr::find(r->suppress_exp) && expr::value(r->suppress_exp) != 1) return true;
    const tag_t part = objects::require(feature).part;
    const auto cur = order().current.find(part);
    if (cur == order().current.end() || !find(cur->second)) return false;
    return stamp_of(feature) > stamp_of(cur->second);
}

}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

unsigned int CM_ask_object_of_eid(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    return host::objects::find(object)->eid;
}

void CM_ptcmtgli(int list, int position, int count, unsigned int object) {
    auto call = HOST_ENTRY(list, position, count, object);
    std::vector<unsigned int>& l = host::lists::require(call, list);
    if (position != 0 || count != 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "only appending one object is supported (position %d, count %d)", position,
                  count);
    l.push_back(object);
}

int FEAT_delete_one(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r) call.fail(HOST_ERR_DEAD_TAG, "%u is not a live feature", feature);
    if (r->detached) hf::attach(host::objects::require(feature).part);
    const hf::Record kept = *hf::find(feature);
    hf::take_out_of_body(kept);
    for (unsigned int o : kept.results)
        if (host::objects::is_alive(o)) host::objects::destroy(o);
    if (kept.step == 0 && kept.body && host::objects::is_alive(kept.body)) host::objects::destroy(kept.body);
    host::objects::destroy(feature);
    // Its own expressions go with it, when nothing else uses them.
    for (unsigned int e : kept.exps)
        if (host::expr::find(e)) EXP_delete_exp(e);
    return 0;
}

void ui_delete_feature_(int* list, int* status) {
    auto call = HOST_ENTRY(list, status);
    if (!list || !status) call.fail(HOST_ERR_NULL_ARGUMENT, "an argument is null");
    const std::vector<unsigned int>& l = host::lists::require(call, *list);
    *status = 0;

    // The listed features, then every feature that builds on one of them
    // (a feature on a body builds on the feature that made the body).
    std::set<unsigned int> doomed;
    for (unsigned int eid : l) {
        // Features are deleted in the work part: an id that another open
        // part shares names the work part's feature.
        const unsigned int t = host::objects::tag_of_eid(eid, host::parts::work_part());
        if (t == 0 || !hf::find(t)) {
            *status = FEAT_ERR_NOT_A_FEATURE;
            return;
        }
        doomed.insert(t);
    }
    std::vector<unsigned int> all;
    for (unsigned int part : host::parts::loaded_parts())
        for (unsigned int f : hf::live_order(part)) all.push_back(f);
    for (unsigned int f : host::objects::objects_of_type(HOST_TYPE_FEATURE))
        if (hf::find(f) && std::find(all.begin(), all.end(), f) == all.end()) all.push_back(f);
    for (bool grew = true; grew;) {
        grew = false;
        for (unsigned int t : all) {
            const hf::Record* r = doomed.count(t) ? nullptr : hf::find(t);
            if (!r) continue;
            const unsigned int base = hf::base_of(*r);
            if (std::any_of(r->parents.begin(), r->parents.end(),
                            [&](unsigned int p) { return doomed.count(p) > 0; }) ||
                (base != 0 && base != t && doomed.count(base))) {
                doomed.insert(t);
                grew = true;
            }
        }
    }
    // Later features first, so that each edit step leaves a body whose
    // later steps are gone already.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const unsigned int t = *it;
        if (!doomed.count(t)) continue;
        const hf::Record* r = hf::find(t);
        if (!r) continue;  // went with an earlier one
        if (r->undeletable) {
            *status = FEAT_ERR_UNDELETABLE;
            return;
        }
        if (int st = FEAT_delete_one(t); st != 0) {
            *status = st;
            return;
        }
    }
}

char* FREC_ask_feature_type(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return SM_string_copy(hf::require(call, feature).kind.c_str());
}

char* FREC_ask_name(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    hf::require(call, feature);
    return SM_string_copy(hf::display_name(feature).c_str());
}

int FREC_ask_time_stamp(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    hf::require(call, feature);
    return hf::stamp_of(feature);
}

int FREC_sort_frecs(unsigned int a, unsigned int b) {
    auto call = HOST_ENTRY(a, b);
    hf::require(call, a);
    hf::require(call, b);
    const int sa = hf::stamp_of(a), sb = hf::stamp_of(b);
    if (host::objects::require(a).part != host::objects::require(b).part) return a > b ? 1 : (a < b ? -1 : 0);
    return sa > sb ? 1 : (sa < sb ? -1 : 0);
}

unsigned int FREC_ask_frec_from_name(unsigned int part, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, part);
    call.need(name, "the name");
    for (unsigned int f : hf::live_order(part))
        if (hf::display_name(f) == name) return f;
    return 0;
}

int FREC_ask_system_exps_of_frec(unsigned int feature, int* count, unsigned int** exps) {
    auto call = HOST_ENTRY(feature, count, exps);
    call.need(count, "the count output");
    call.need(exps, "the expressions output");
    hf::tags_out(hf::require(call, feature).exps, count, exps);
    return 0;
}

int FMI_invoke_ask_exps(unsigned int feature, unsigned int** objects, char*** descriptors, int* count) {
    auto call = HOST_ENTRY(feature, objects, descriptors, count);
    call.need(objects, "the objects output");
    call.need(descriptors, "the descriptors output");
    call.need(count, "the count output");
    const hf::Record& r = hf::require(call, feature);
    // The parameters first, then the positioning constraints and the kept
    // values (host/model/feature/positioning.h).
    std::vector<unsigned int> found = r.exps;
    const hf::Kind* k = hf::find_kind(r.kind);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < r.exps.size(); ++i)
        texts.push_back(k && i < k->parameters.size() ? k->parameters[i] : "p" + std::to_string(i));
    for (const auto& [t, d] : hf::positioning_objects(feature)) {
        found.push_back(t);
        texts.push_back(d);
    }
    host::memory::Handout out;
    unsigned int* const tags = out.tags(found);
    char** const descriptor_texts = out.texts(texts);
    out.done();
    *count = static_cast<int>(found.size());
    *objects = tags;
    *descriptors = descriptor_texts;
    return 0;
}

const FREC_parms_t* FREC_ask_parms_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record& r = hf::require(call, feature);
    const hf::Kind* k = hf::find_kind(r.kind);
    if (!k || r.exps.size() != k->parameters.size()) return nullptr;
    hf::Parms& p = hf::parms()[feature];
    p.names.clear();
    for (const std::string& n : k->parameters) p.names.push_back(n.c_str());
    p.exps = r.exps;
    p.record.cls = static_cast<unsigned short>(hf::parms_class(r.kind));
    p.record.count = static_cast<int>(p.exps.size());
    p.record.names = p.names.data();
    p.record.exps = p.exps.data();
    return &p.record;
}

unsigned int FREC_ask_parm_exp(unsigned int feature, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, feature);
    call.need(name, "the parameter name");
    const hf::Record& r = hf::require(call, feature);
    const hf::Kind* k = hf::find_kind(r.kind);
    if (!k) return 0;
    for (std::size_t i = 0; i < k->parameters.size() && i < r.exps.size(); ++i)
        if (k->parameters[i] == name) return r.exps[i];
    return 0;
}

unsigned int FREC_ask_body(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).body;
}

unsigned int FREC_ask_tool_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).tool;
}

void FREC_ask_parents(unsigned int feature, int* count, unsigned int** parents) {
    auto call = HOST_ENTRY(feature, count, parents);
    call.need(count, "the count output");
    call.need(parents, "the parents output");
    hf::tags_out(hf::require(call, feature).parents, count, parents);
}

void FREC_ask_children(unsigned int feature, int* count, unsigned int** children) {
    auto call = HOST_ENTRY(feature, count, children);
    call.need(count, "the count output");
    call.need(children, "the children output");
    hf::require(call, feature);
    hf::tags_out(hf::children_of(feature), count, children);
}

void FREC_ask_features_of_part(unsigned int part, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(part, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    hf::tags_out(hf::live_order(part), count, features);
}

void FREC_ask_body_features(unsigned int body, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(body, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    const host::objects::Object& o = call.live(body);
    std::vector<unsigned int> out;
    for (unsigned int f : hf::live_order(o.part))
        if (hf::find(f)->body == body) out.push_back(f);
    hf::tags_out(out, count, features);
}

void FREC_ask_out_of_date_features_of_part(unsigned int part, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(part, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    std::vector<unsigned int> out;
    for (unsigned int f : hf::live_order(part)) {
        const hf::Record& r = *hf::find(f);
        if (r.step < 0) continue;
        if (r.out_of_date || r.built != hf::values_of(r) || r.built_skipped != hf::is_inactive(f)) out.push_back(f);
    }
    hf::tags_out(out, count, features);
}

int FREC_is_browseable(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).browseable ? 1 : 0;
}

int FREC_is_a_controlled_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).controlled ? 1 : 0;
}

int FREC_is_a_meta_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).meta ? 1 : 0;
}

int FREC_is_suppressed(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    hf::require(call, feature);
    return hf::is_inactive(feature) ? 1 : 0;
}

int FREC_set_suppressed(unsigned int feature, int on) {
    auto call = HOST_ENTRY(feature, on);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require(call, feature);
    if (on && r.step == 0) return FEAT_ERR_BASE_FEATURE;
    if (r.suppressed != (on != 0)) hf::edit(feature)->suppressed = on != 0;
    return 0;
}

int FREC_set_suppression_exp(unsigned int feature, unsigned int exp) {
    auto call = HOST_ENTRY(feature, exp);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require(call, feature);
    if (exp != 0 &&
        (!host::expr::find(exp) || host::objects::require(exp).part != host::objects::require(feature).part))
        return EXP_ERR_NOT_FOUND;
    if (exp != 0 && r.step == 0) return FEAT_ERR_BASE_FEATURE;
    hf::edit(feature)->suppress_exp = exp;
    return 0;
}

int FREC_reorder(unsigned int feature, unsigned int reference, int after) {
    auto call = HOST_ENTRY(feature, reference, after);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require(call, feature);
    hf::require(call, reference);
    const unsigned int part = host::objects::require(feature).part;
    if (host::objects::require(reference).part != part || reference == feature) return FEAT_ERR_BAD_REORDER;
    std::vector<unsigned int> now = hf::live_order(part);
    now.erase(std::find(now.begin(), now.end(), feature));
    auto at = std::find(now.begin(), now.end(), reference);
    now.insert(after ? at + 1 : at, feature);
    // On its body the feature keeps behind the body's first step.
    if (r.body) {
        if (r.detached) {
            if (int code = hf::caught([&] { hf::attach(part); })) return code;
        }
        if (r.step == 0) return FEAT_ERR_BASE_FEATURE;
        unsigned int prev = 0;  // the body's feature just before it in the new order
        for (unsigned int f : now) {
            if (f == feature) break;
            if (hf::find(f)->body == r.body) prev = f;
        }
        if (prev == 0) return FEAT_ERR_BASE_FEATURE;
        const int from = r.step, prev_step = hf::find(prev)->step;
        const int to = prev_step < from ? prev_step + 1 : prev_step;
        if (to != from) {
            const int body = hf::body_entity(r);
            if (body == 0) return FEAT_ERR_BAD_REFERENCE;
            ZQ_BODY_move_step(body, from, to);
            for (unsigned int f : now) {
                const hf::Record* x = hf::find(f);
                if (f == feature || x->body != r.body) continue;
                if (from < to && x->step > from && x->step <= to) --hf::edit(f)->step;
                if (to < from && x->step >= to && x->step < from) ++hf::edit(f)->step;
            }
            hf::Record& w = *hf::edit(feature);
            w.step = to;
            w.out_of_date = true;
        }
    }
    hf::change_order().features[part] = std::move(now);
    return 0;
}

int FREC_make_current_feature(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    unsigned int part = 0;
    if (feature != 0) {
        hf::require(call, feature);
        part = host::objects::require(feature).part;
    } else {
        part = host::parts::work_part();
    }
    const host::ModelSnapshot before = host::snapshot_model();
    auto& current = hf::change_order().current;
    const std::vector<unsigned int> all = hf::live_order(part);
    if (feature == 0 || all.empty() || all.back() == feature) current.erase(part);
    else current[part] = feature;
    const int code = hf::caught([] { hf::update(); });
    if (code != 0) host::restore_model(before);
    return code;
}

unsigned int FREC_ask_current_feature(unsigned int part) {
    HOST_ENTRY(part);
    const auto it = hf::order().current.find(part);
    if (it != hf::order().current.end() && hf::find(it->second)) return it->second;
    const std::vector<unsigned int> all = hf::live_order(part);
    return all.empty() ? 0 : all.back();
}

unsigned int FREF_ask_fref_of_face(unsigned int face) {
    HOST_ENTRY(face);
    return ES_solid_is_a_face(face) ? static_cast<unsigned int>(host::kernel::entity_of(face)) : 0;
}

unsigned int FREF_ask_face_of_fref(unsigned int fref) {
    HOST_ENTRY(fref);
    return hf::resolve_ref(static_cast<int>(fref), ES_solid_is_a_face);
}

unsigned int EREF_ask_eref_of_edge(unsigned int edge) {
    HOST_ENTRY(edge);
    return ES_solid_is_a_edge(edge) ? static_cast<unsigned int>(host::kernel::entity_of(edge)) : 0;
}

unsigned int EREF_ask_edge_of_eref(unsigned int eref) {
    HOST_ENTRY(eref);
    return hf::resolve_ref(static_cast<int>(eref), ES_solid_is_a_edge);
}

unsigned int FREF_ask_jq_eid_of_fref(unsigned int fref) {
    HOST_ENTRY(fref);
    return hf::resolve_ref(static_cast<int>(fref), ES_solid_is_a_face);
}

unsigned int EREF_ask_jq_eid_of_eref(unsigned int eref) {
    HOST_ENTRY(eref);
    return hf::resolve_ref(static_cast<int>(eref), ES_solid_is_a_edge);
}

unsigned int ASSO_ask_jq_eid_of_fref(unsigned int fref) {
    HOST_ENTRY(fref);
    return hf::resolve_ref(static_cast<int>(fref), ES_solid_is_a_face);
}

unsigned int ASSO_ask_jq_eid_of_eref(unsigned int eref) {
    HOST_ENTRY(eref);
    return hf::resolve_ref(static_cast<int>(eref), ES_solid_is_a_edge);
}

int ASSO_ask_zr_tag_of_fref(unsigned int fref) {
    HOST_ENTRY(fref);
    return hf::resolve_ref(static_cast<int>(fref), ES_solid_is_a_face) ? static_cast<int>(fref) : 0;
}

int ASSO_ask_zr_tag_of_eref(unsigned int eref) {
    HOST_ENTRY(eref);
    return hf::resolve_ref(static_cast<int>(eref), ES_solid_is_a_edge) ? static_cast<int>(eref) : 0;
}

unsigned int BREF_ask_bref_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require(call, feature).body;
}

unsigned int BREF_ask_jqeid_of_bref(unsigned int bref) {
    HOST_ENTRY(bref);
    return ES_solid_is_a_body(bref) ? bref : 0;
}

void BREF_ask_all_frecs_of_bref(unsigned int bref, int* count, unsigned int** features) {
    HOST_ENTRY(bref, count, features);
    FREC_ask_body_features(bref, count, features);
}

unsigned int CM_ask_eid_of_object(unsigned int eid) {
    HOST_ENTRY(eid);
    return host::objects::tag_of_eid(eid, host::parts::work_part());
}

void FREC_ask_references(unsigned int feature, int* count, int** refs) {
    auto call = HOST_ENTRY(feature, count, refs);
    call.need(count, "the count output");
    call.need(refs, "the references output");
    const std::vector<int>& v = hf::require(call, feature).refs;
    *count = static_cast<int>(v.size());
    *refs = nullptr;
    if (v.empty()) return;
    *refs = static_cast<int*>(SM_alloc(v.size() * sizeof(int)));
    std::copy(v.begin(), v.end(), *refs);
}

unsigned int MODL_ask_feature_of_rm_entity(unsigned int entity) {
    HOST_ENTRY(entity);
    const host::objects::Object* o = host::objects::find(entity);
    if (!o) return 0;
    for (host::feature::tag_t f : host::feature::features_of_part(o->part))
        for (host::feature::tag_t r : host::feature::find(f)->results)
            if (r == entity) return f;
    return 0;
}

void UPDATE_log_object_to_update(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const hf::Record* r = hf::find(object);
    if (r && !r->out_of_date) hf::edit(object)->out_of_date = true;
}

}  // extern "C"
