// Booleans between bodies as features and the edits of the feature tree
// that go with them (see booleans.h).
#include "host/apps/modeling/boolean/booleans.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/face_ops.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/linked.h"
#include "host/kernel/engine/steps.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

using namespace detail;

const char* kind_of(int operation) {
    switch (operation) {
        case FEAT_SIGN_UNITE: return "UNITE";
        case FEAT_SIGN_SUBTRACT: return "SUBTRACT";
        default: return "INTERSECT";
    }
}

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

// The kernel body of the body read from a file whose features are made
// again: booleans and plain root features are made from its steps (the
// tool of a boolean went into the body, so its step is where it is kept).
int saved_body(const Call& call, const Record& r) {
    const int old = attaching_body() ? kernel::entity_of(attaching_body()) : 0;
    if (old == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "a %s is made only by the join", r.kind.c_str());
    return old;
}

void build_boolean(const Call& call, Record& r, const std::vector<double>&) {
    const int old = saved_body(call, r);
    int body = 0, at = 0;
    ZQ_BODY_copy_step(old, r.step, kernel::entity_of(r.body), &body, &at);
    r.step = at;
}

// The root feature of a body that no feature made (cm_attach_solid_).
void build_body(const Call& call, Record& r, const std::vector<double>&) {
    const int old = saved_body(call, r);
    int body = 0, at = 0;
    ZQ_BODY_copy_step(old, 0, 0, &body, &at);
    pxlook_(&body, &r.body);
    r.step = 0;
}

std::vector<std::pair<int, double>> no_numbers(const Record&, const std::vector<double>&) { return {}; }

const bool kinds_made = [] {
    for (int op : {FEAT_SIGN_UNITE, FEAT_SIGN_SUBTRACT, FEAT_SIGN_INTERSECT})
        register_kind({kind_of(op), {}, 0, 0, 0, false, build_boolean, no_numbers});
    register_kind({"BODY", {}, 0, 0, 0, false, build_body, no_numbers});
    return true;
}();

// Promotions: promotion feature -> its base body.
using Promotions = std::map<tag_t, tag_t>;
const Promotions& promotions() { return model_value<Promotions>("promotions").read(); }
const bool promotions_made = (model_state<Promotions>("promotions"), true);

// The current target of each part: part -> body.
using Targets = std::map<tag_t, tag_t>;
const Targets& targets() { return model_value<Targets>("current targets").read(); }
const bool targets_made = (model_state<Targets>("current targets"), true);

tag_t root_of_body(tag_t body) {
    const objects::Object* o = objects::find(body);
    if (!o) return 0;
    for (tag_t f : features_of_part(o->part)) {
        const Record* r = find(f);
        if (r->body == body && r->step == 0) return f;
    }
    return 0;
}

const Record& require(const Call& call, tag_t feature) {
    call.live(feature);
    const Record* r = find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    return *r;
}

const Record& require_boolean(const Call& call, tag_t feature) {
    const Record& r = require(call, feature);
    if (!r.meta || r.step <= 0 || (r.sign < FEAT_SIGN_UNITE || r.sign > FEAT_SIGN_INTERSECT))
        call.fail(FEAT_ERR_NOT_A_FEATURE, "%s is no boolean", display_name(feature).c_str());
    return r;
}

int require_kernel_body(const Call& call, tag_t body) {
    const int e = ES_solid_is_a_body(body) ? kernel::entity_of(body) : 0;
    if (e == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no body of the kernel", body);
    return e;
}

// The tool features of booleans read from a part file: boolean -> the
// features of its tool, in time order. The tool's body is gone (the boolean
// consumed it) and is not in the file, so the boolean itself stands for it
// (tool_of) until its tool is replaced.
TagTable<std::vector<tag_t>> read_tools("boolean tools read");

// The body record of the boolean's tool: its body, or the boolean itself
// for a tool read from a part file; 0 for none.
tag_t tool_of(tag_t boolean) {
    const Record* r = find(boolean);
    if (!r || !r->meta) return 0;
    if (r->tool) return r->tool;
    return read_tools.find(boolean) ? boolean : 0;
}

// The features of a body, also of one that a boolean consumed, in time order.
std::vector<tag_t> features_of_body(tag_t body) {
    std::vector<tag_t> out;
    if (body == 0) return out;
    const Record* r = find(body);
    if (const std::vector<tag_t>* read = read_tools.find(body); read && r && !r->tool) {
        for (tag_t f : *read)
            if (find(f)) out.push_back(f);
        return out;
    }
    for (tag_t part : parts::loaded_parts())
        for (tag_t f : features_of_part(part))
            if (find(f)->body == body) out.push_back(f);
    return out;
}

// The solids after the first of the boolean's result as the target's steps
// up to the boolean make them now: made on a copy, without the step that
// keeps only the first solid, as bodies of their own.
std::vector<int> split_pieces(int target, int step) {
    int copy = 0, at = 0;
    for (int i = 0; i <= step; ++i)
        if (copy == 0 || step_count(copy) <= i) ZQ_BODY_copy_step(target, i, copy, &copy, &at);
    ZQ_BODY_skip_step(copy, at + 1, 1);
    ZQ_BODY_regenerate(copy);
    int n = 0;
    int* raw = nullptr;
    ZQ_BODY_separate(copy, &n, &raw);
    const std::vector<int> pieces(raw, raw + n);
    SM_free(raw);
    ZQ_ENTITY_delete(copy);
    return pieces;
}

// True when two bodies have the same box and as many faces and edges.
bool same_box(int a, int b) {
    double x[6] = {}, y[6] = {};
    ZQ_TOPOL_find_box(a, x);
    ZQ_TOPOL_find_box(b, y);
    for (int k = 0; k < 6; ++k)
        if (std::abs(x[k] - y[k]) > 1e-6 * (1 + std::abs(x[k]))) return false;
    return kernel::faces_of(a).size() == kernel::faces_of(b).size() &&
           kernel::edges_of(a).size() == kernel::edges_of(b).size();
}

// The bodies a boolean split off follow the update: each takes the shape of
// its solid as made again, in place (united with it, intersected with it,
// then its faces of one surface merged), so that it keeps its tag and the faces and edges that the kernel's
// naming carries over keep theirs (a body of the same shape takes over its
// objects at once). A boolean that now splits off another
// number of bodies fails the update.
void remake_split_bodies() {
    for (tag_t part : parts::loaded_parts())
        for (tag_t f : features_of_part(part)) {
            const Record& r = *find(f);
            if (!r.meta || r.step <= 0 || r.results.empty() || r.detached || is_inactive(f)) continue;
            const int target = kernel::entity_of(r.body);
            std::vector<int> olds;
            for (tag_t b : r.results)
                if (objects::is_alive(b) && kernel::entity_of(b)) olds.push_back(kernel::entity_of(b));
            if (target == 0 || olds.size() != r.results.size() || step_count(target) <= r.step + 1) continue;
            const std::vector<int> unite = split_pieces(target, r.step), meet = split_pieces(target, r.step);
            if (unite.size() != olds.size() || meet.size() != olds.size()) {
                for (int p : unite) ZQ_ENTITY_delete(p);
                for (int p : meet) ZQ_ENTITY_delete(p);
                const Call call("UPDATE_do_update", nullptr);
                call.fail(FEAT_ERR_UPDATE_FAILED, "%s splits off %zu bodies now, not %zu", display_name(f).c_str(),
                          unite.size(), olds.size());
            }
            for (std::size_t i = 0; i < olds.size(); ++i) {
                // Unchanged: the new solid takes the old one's objects.
                if (same_box(unite[i], olds[i])) {
                    ZQ_BODY_adopt(unite[i], olds[i]);
                    ZQ_ENTITY_delete(meet[i]);
                    continue;
                }
                std::vector<int> had = kernel::faces_of(olds[i]);
                for (int e : kernel::edges_of(olds[i])) had.push_back(e);
                ZQ_BODY_boolean(olds[i], unite[i], FEAT_SIGN_UNITE);
                ZQ_BODY_boolean(olds[i], meet[i], FEAT_SIGN_INTERSECT);
                // The booleans leave the old faces' bounds on the new faces:
                // merged, the piece has the faces of its shape, and a merged
                // face keeps the tag of the face it was before.
                ZQ_BODY_merge_faces(olds[i], static_cast<int>(had.size()), had.data());
            }
        }
}
const bool split_followed = (add_follower(remake_split_bodies), true);

// Part-file section "BOOL": the tools of the part's booleans. Payload:
// rows (part_file::write_rows), one per boolean with a tool:
//   u32 count + object numbers of the tool's features (time order)
// A file without the section opens with booleans that have no tool
// features. The reader refuses a row of an object that is no feature, and
// tool features that are no features of the part or the boolean itself.
namespace pf = host::part_file;

void write_tools(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> booleans;
    for (tag_t f : features_of_part(ctx.part))
        if (tool_of(f)) booleans.push_back(f);
    pf::write_rows(out, ctx, booleans, [&](pf::Writer& row, tag_t t) {
        std::vector<std::uint32_t> numbers;
        for (tag_t f : features_of_body(tool_of(t))) {
            // A record whose tool is its own body (an imported feature not
            // yet placed) is no tool of itself.
            if (f == t) continue;
            const std::uint32_t n = ctx.index(f);
            if (n != 0xFFFFFFFFu && n != 0) numbers.push_back(n);
        }
        if (numbers.empty()) return;
        row.u32(static_cast<std::uint32_t>(numbers.size()));
        for (std::uint32_t n : numbers) row.u32(n);
    });
}

void read_tools_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, std::vector<tag_t>>> rows;
    pf::read_rows(in, ctx, {"boolean row", 4, false}, [&](tag_t t, pf::Reader& row) {
        if (objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a boolean row of an object that is no feature");
        const std::uint32_t n = row.u32();
        if (n == 0 || n > row.left() / 4) throw pf::FormatError("a boolean's tool count beyond its row");
        std::vector<tag_t> tools;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t number = row.u32();
            if (number == 0) throw pf::FormatError("a boolean's tool feature is the part");
            const tag_t f = ctx.tag_of(number);
            const objects::Object* o = objects::find(f);
            if (!o || o->cls != OM_CLASS_FEATURE || f == t)
                throw pf::FormatError("a boolean's tool feature is no other feature");
            tools.push_back(f);
        }
        rows.emplace_back(t, std::move(tools));
    });
    for (auto& [t, tools] : rows) read_tools[t] = std::move(tools);
}

const bool tools_registered = (pf::register_section({{'B', 'O', 'O', 'L'}, write_tools, read_tools_section}), true);

// A tool goes into the boolean: its features are no longer made again on
// their own (their body is gone); the boolean keeps the tool as it was.
void absorb_tool(tag_t tool, Record& boolean) {
    for (tag_t f : features_of_body(tool)) {
        if (std::find(boolean.parents.begin(), boolean.parents.end(), f) == boolean.parents.end())
            boolean.parents.push_back(f);
        if (find(f)->step >= 0) edit(f)->step = -1;
    }
}

void tags_out(const std::vector<tag_t>& v, int* count, tag_t** out) {
    *count = static_cast<int>(v.size());
    *out = nullptr;
    if (v.empty()) return;
    *out = static_cast<tag_t*>(SM_alloc(v.size() * sizeof(tag_t)));
    std::copy(v.begin(), v.end(), *out);
}

// Runs f; on an error puts the model back as it was and raises it again
// from the call.
void all_or_nothing(const Call& call, const std::function<void()>& f) {
    const ModelSnapshot before = snapshot_model();
    std::string text;
    if (int code = caught(f, &text)) {
        restore_model(before);
        call.fail(code, "%s", text.c_str());
    }
}

// Runs f and then the update; answers 0, or the code of the first failure
// with the model as before.
int edit_and_update(const std::function<int()>& f) {
    const ModelSnapshot before = snapshot_model();
    int code = 0;
    const int raised = caught([&] {
        code = f();
        if (code == 0) update();
    });
    if (raised != 0) code = raised;
    if (code != 0) restore_model(before);
    return code;
}

std::vector<tag_t> nodes_of(const CM_node_t* list) {
    std::vector<tag_t> out;
    for (const CM_node_t* n = list; n; n = n->next) out.push_back(n->frec);
    return out;
}

CM_node_t* new_node(tag_t frec, CM_node_t* next) {
    auto* n = static_cast<CM_node_t*>(SM_alloc(sizeof(CM_node_t)));
    n->frec = frec;
    n->next = next;
    return n;
}

bool is_curve(tag_t object) {
    const objects::Object* o = objects::find(object);
    if (!o) return false;
    switch (o->type) {
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return true;
        default: return false;
    }
}

// The curves the feature's parents made (mode 1: also their ancestors').
std::vector<tag_t> parent_curves(tag_t feature, int mode) {
    std::vector<tag_t> features;
    std::vector<tag_t> todo = find(feature)->parents;
    while (!todo.empty()) {
        const tag_t f = todo.front();
        todo.erase(todo.begin());
        const Record* r = find(f);
        if (!r || std::find(features.begin(), features.end(), f) != features.end()) continue;
        features.push_back(f);
        if (mode == 1) todo.insert(todo.end(), r->parents.begin(), r->parents.end());
    }
    std::sort(features.begin(), features.end(), [](tag_t a, tag_t b) { return FREC_sort_frecs(a, b) < 0; });
    std::vector<tag_t> curves;
    for (tag_t f : features)
        for (tag_t o : find(f)->results)
            if (is_curve(o) && std::find(curves.begin(), curves.end(), o) == curves.end()) curves.push_back(o);
    return curves;
}

// The curves a showing made visible, by feature: curve -> its layer and
// blank status before.
using Shown = std::map<tag_t, std::map<tag_t, std::pair<int, int>>>;
const Shown& shown_curves() { return model_value<Shown>("shown parent curves").read(); }
const bool shown_made = (model_state<Shown>("shown parent curves"), true);

SHD_parent_curve_t* entries_out(const std::vector<SHD_parent_curve_t>& v) {
    if (v.empty()) return nullptr;
    auto* out = static_cast<SHD_parent_curve_t*>(SM_alloc(v.size() * sizeof(SHD_parent_curve_t)));
    std::copy(v.begin(), v.end(), out);
    return out;
}

}  // namespace

unsigned int make_promotion(unsigned int part, unsigned int base_body) {
    const tag_t f = create(part, "PROMOTION");
    model_state<Promotions>("promotions")[f] = base_body;
    return f;
}

}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

// ---- kernel lists -------------------------------------------------------------

void KI_pttgli(int list, int position, int count, int entity) {
    auto call = HOST_ENTRY(list, position, count, entity);
    if (position != 0 || count != 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "only appending one entity is supported (position %d, count %d)", position,
                  count);
    if (hf::list_kind(list) != KI_LIST_KERNEL) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no kernel list", list);
    hf::detail::list_append(call, list, static_cast<unsigned int>(entity));
}

void KI_colist(int list, int* count) {
    auto call = HOST_ENTRY(list, count);
    call.need(count, "the count output");
    if (hf::list_kind(list) == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a host list", list);
    *count = static_cast<int>(hf::list_objects(list).size());
}

void KI_gttgli(int list, int index, int* entity) {
    auto call = HOST_ENTRY(list, index, entity);
    call.need(entity, "the entity output");
    const std::vector<unsigned int> v = hf::list_objects(list);
    if (hf::list_kind(list) == 0 || index < 1 || static_cast<std::size_t>(index) > v.size())
        call.fail(HOST_ERR_BAD_ARGUMENT, "list %d has no item %d", list, index);
    *entity = static_cast<int>(v[index - 1]);
}

// ---- bodies for a boolean -----------------------------------------------------

unsigned int jq_misc_ftn_proto_in_work_part_(const unsigned int* body) {
    auto call = HOST_ENTRY(body);
    call.need(body, "the body");
    unsigned int b = *body;
    if (OCC_is_occurrence(b)) b = OCC_ask_prototype_of_occ(b);
    const host::objects::Object* o = host::objects::find(b);
    if (!o || !ES_solid_is_a_body(b) || o->part != host::parts::work_part()) return 0;
    return b;
}

unsigned int XFER_copy_proto_to_work_part(unsigned int body, int options) {
    auto call = HOST_ENTRY(body, options);
    const int entity = hf::require_kernel_body(call, body);
    unsigned int object = 0;
    hf::all_or_nothing(call, [&] {
        int copy = 0;
        ZQ_BODY_copy(entity, nullptr, 0, &copy);
        int status = 0;
        cm_attach_solid_(&copy, &status);
        if (status != 0) call.fail(status, "the copy of body %u is no modelled solid", body);
        pxlook_(&copy, &object);
    });
    return object;
}

void gt310_(const unsigned int* body) {
    auto call = HOST_ENTRY(body);
    call.need(body, "the body");
    const host::objects::Object& o = call.live(*body);
    if (!ES_solid_is_a_body(*body) || o.part != host::parts::work_part())
        call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no body of the work part", *body);
}

void gt311_(const unsigned int* body) {
    auto call = HOST_ENTRY(body);
    call.need(body, "the body");
    call.live(*body);
    if (!ES_solid_is_a_body(*body)) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no body", *body);
}

int cm_jq_solid_(const int* entity) {
    auto call = HOST_ENTRY(entity);
    call.need(entity, "the kernel body");
    const unsigned int object = host::kernel::object_of(*entity);
    return object && ES_solid_is_a_body(object) && hf::root_of_body(object) ? 1 : 0;
}

void cm_attach_solid_(const int* entity, int* status) {
    auto call = HOST_ENTRY(entity, status);
    call.need(entity, "the kernel body");
    call.need(status, "the status output");
    *status = 0;
    if (call.status(*status)) return;
    unsigned int object = host::kernel::object_of(*entity);
    if (object == 0) {
        es7008_(entity, &object, status);
        if (*status != 0) return;
    }
    if (!ES_solid_is_a_body(object)) {
        *status = FEAT_ERR_BAD_REFERENCE;
        return;
    }
    if (hf::root_of_body(object)) return;
    const unsigned int f = hf::create(host::objects::require(object).part, "BODY");
    hf::Record& r = *hf::detail::edit(f);
    r.body = object;
    r.step = 0;
}

int PROM_FEAT_is_base_body_of_prom(unsigned int body) {
    HOST_ENTRY(body);
    for (const auto& [feature, base] : hf::promotions())
        if (base == body && hf::find(feature)) return 1;
    return 0;
}

unsigned int FREC_ask_root_frec_of_body(unsigned int body) {
    HOST_ENTRY(body);
    return hf::root_of_body(body);
}

int FREC_inquire_valid_boolean(unsigned int target_root, unsigned int tool_root) {
    auto call = HOST_ENTRY(target_root, tool_root);
    const hf::Record& a = hf::require(call, target_root);
    const hf::Record& b = hf::require(call, tool_root);
    if (target_root == tool_root || a.controlled || b.controlled) return 0;
    return host::objects::require(target_root).part == host::objects::require(tool_root).part ? 1 : 0;
}

void join_solids(int list, int operation, int options, int* work, int* status) {
    auto call = HOST_ENTRY(list, operation, options, work);
    call.need(work, "the work word");
    call.need(status, "the status output");
    *status = 0;
    *work = 0;
    if (hf::list_kind(list) != KI_LIST_KERNEL) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no kernel list", list);
    const std::vector<unsigned int> in = hf::list_objects(list);
    if (in.size() != 2) call.fail(HOST_ERR_BAD_ARGUMENT, "the join takes two bodies, not %zu", in.size());
    if (operation < FEAT_SIGN_UNITE || operation > FEAT_SIGN_INTERSECT)
        call.fail(HOST_ERR_BAD_ARGUMENT, "boolean operation %d is none of 1 to 3", operation);
    const int target = static_cast<int>(in[0]), tool = static_cast<int>(in[1]);
    for (int e : {target, tool})
        if (!cm_jq_solid_(&e)) call.fail(FEAT_ERR_BAD_REFERENCE, "kernel body %d is no modelled solid", e);
    const unsigned int target_body = host::kernel::object_of(target), tool_body = host::kernel::object_of(tool);
    const unsigned int part = host::objects::require(target_body).part;
    std::vector<unsigned int> out{in[0]};
    hf::all_or_nothing(call, [&] {
        ZQ_BODY_boolean(target, tool, operation);
        const int step = hf::step_count(target) - 1;
        std::vector<unsigned int> results;
        int n = 0;
        int* raw = nullptr;
        ZQ_BODY_separate(target, &n, &raw);
        const std::vector<int> pieces(raw, raw + n);
        SM_free(raw);
        for (int piece : pieces) {
            unsigned int o = 0;
            pxlook_(&piece, &o);
            results.push_back(o);
            out.push_back(static_cast<unsigned int>(piece));
        }
        const unsigned int f = hf::create(part, hf::kind_of(operation), {hf::root_of_body(target_body)}, results);
        hf::Record r = *hf::find(f);
        r.body = target_body;
        r.tool = tool_body;
        r.sign = operation;
        r.step = step;
        r.meta = true;
        hf::absorb_tool(tool_body, r);
        *hf::detail::edit(f) = std::move(r);
        hf::detail::list_replace(call, list, out);
    });
    *status = FEAT_JOIN_DONE;
}

// ---- boolean features ---------------------------------------------------------

int META_is_eid_valid_for_replace(unsigned int body) {
    HOST_ENTRY(body);
    const host::objects::Object* o = host::objects::find(body);
    if (!o || !ES_solid_is_a_body(body) || ES_solid_is_a_sheet_body(body)) return 0;
    return o->part == host::parts::work_part() && hf::root_of_body(body) ? 1 : 0;
}

unsigned int BREF_ask_bref_of_eidbody(unsigned int body) {
    HOST_ENTRY(body);
    return ES_solid_is_a_body(body) ? body : 0;
}

void BREF_ask_tool_bref_of_meta(unsigned int feature, int* count, unsigned int** brefs) {
    auto call = HOST_ENTRY(feature, count, brefs);
    call.need(count, "the count output");
    call.need(brefs, "the body records output");
    hf::require(call, feature);
    std::vector<unsigned int> v;
    if (const unsigned int tool = hf::tool_of(feature)) v.push_back(tool);
    hf::tags_out(v, count, brefs);
}

void BREF_ask_frecs_of_bref(unsigned int bref, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(bref, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    hf::tags_out(bref ? hf::features_of_body(bref) : std::vector<unsigned int>{}, count, features);
}

void META_change_references(unsigned int feature, unsigned int old_bref, unsigned int new_bref) {
    auto call = HOST_ENTRY(feature, old_bref, new_bref);
    const hf::Record& r = hf::require_boolean(call, feature);
    if (!META_is_eid_valid_for_replace(new_bref))
        call.fail(FEAT_ERR_BAD_REFERENCE, "body %u cannot take part in %s", new_bref,
                  hf::display_name(feature).c_str());
    const unsigned int tool = hf::tool_of(feature);
    if (new_bref == r.body || new_bref == tool)
        call.fail(FEAT_ERR_BAD_REFERENCE, "body %u takes part in %s already", new_bref,
                  hf::display_name(feature).c_str());
    const bool target = old_bref == r.body;
    if (!target && old_bref != tool)
        call.fail(HOST_ERR_BAD_ARGUMENT, "body %u is neither target nor tool of %s", old_bref,
                  hf::display_name(feature).c_str());
    const int body = hf::require_kernel_body(call, r.body);
    const int with = hf::require_kernel_body(call, new_bref);
    hf::all_or_nothing(call, [&] {
        hf::Record w = *hf::find(feature);
        if (target) {
            ZQ_BODY_take_step(body, w.step, with);
            const unsigned int old_root = hf::root_of_body(w.body);
            std::replace(w.parents.begin(), w.parents.end(), old_root, hf::root_of_body(new_bref));
            w.body = new_bref;
            w.step = hf::step_count(with) - 1;
        } else {
            const std::vector<unsigned int> old_tool = hf::features_of_body(tool);
            std::erase_if(w.parents, [&](unsigned int p) {
                return std::find(old_tool.begin(), old_tool.end(), p) != old_tool.end();
            });
            hf::absorb_tool(new_bref, w);
            ZQ_BODY_replace_step_tool(body, w.step, with);
            w.tool = new_bref;
            w.out_of_date = true;
        }
        *hf::detail::edit(feature) = std::move(w);
    });
}

// ---- the current target -------------------------------------------------------

unsigned int CM__ask_current_part_ptr(int entity) {
    HOST_ENTRY(entity);
    return host::kernel::object_of(entity);
}

void BREF_set_current_target(unsigned int body) {
    auto call = HOST_ENTRY(body);
    const host::objects::Object& o = call.live(body);
    if (!ES_solid_is_a_body(body)) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no body", body);
    host::model_state<hf::Targets>("current targets")[o.part] = body;
}

unsigned int BREF_ask_current_target(unsigned int part) {
    HOST_ENTRY(part);
    const auto it = hf::targets().find(part);
    return it != hf::targets().end() && host::objects::is_alive(it->second) ? it->second : 0;
}

// ---- node lists ---------------------------------------------------------------

void CM_add_node_to_tail(CM_node_t** list, unsigned int frec) {
    auto call = HOST_ENTRY(list, frec);
    call.need(list, "the list");
    CM_node_t** end = list;
    while (*end) end = &(*end)->next;
    *end = hf::new_node(frec, nullptr);
}

void CM_add_unique_node_to_tail(CM_node_t** list, unsigned int frec) {
    auto call = HOST_ENTRY(list, frec);
    call.need(list, "the list");
    CM_node_t** end = list;
    for (; *end; end = &(*end)->next)
        if ((*end)->frec == frec) return;
    *end = hf::new_node(frec, nullptr);
}

void CM_add_node_to_head(CM_node_t** list, unsigned int frec) {
    auto call = HOST_ENTRY(list, frec);
    call.need(list, "the list");
    *list = hf::new_node(frec, *list);
}

void CM_delete_node_list(CM_node_t** list) {
    auto call = HOST_ENTRY(list);
    call.need(list, "the list");
    while (CM_node_t* n = *list) {
        *list = n->next;
        SM_free(n);
    }
}

// ---- reorder and suppression --------------------------------------------------

void reorder_feature(unsigned int reference, const CM_node_t* features, int method, int update, int* error) {
    auto call = HOST_ENTRY(reference, features, method, update);
    call.need(error, "the error word");
    *error = 0;
    if (call.status(*error)) return;
    hf::require(call, reference);
    if (method != 1 && method != 2) {
        *error = FEAT_ERR_BAD_REORDER;
        return;
    }
    const std::vector<unsigned int> moved = hf::nodes_of(features);
    *error = hf::edit_and_update([&] {
        unsigned int anchor = reference;
        for (unsigned int f : moved) {
            if (!hf::find(f)) return FEAT_ERR_NOT_A_FEATURE;
            if (int code = FREC_reorder(f, anchor, method == 2 ? 1 : 0)) return code;
            if (method == 2) anchor = f;  // the next one goes after it: the list's order stays
        }
        return 0;
    });
    (void)update;  // the edit is made whole with its update: a failure takes it back
}

int FMA_can_be_suppressed(unsigned int frec) {
    auto call = HOST_ENTRY(frec);
    const hf::Record& r = hf::require(call, frec);
    return r.step == 0 ? 0 : 1;
}

int ui_is_sketch_feature(unsigned int frec) {
    auto call = HOST_ENTRY(frec);
    return hf::require(call, frec).kind == "SKETCH" ? 1 : 0;
}

void SUP_suppress_feature_list(const CM_node_t* features, int options, int* error) {
    auto call = HOST_ENTRY(features, options, error);
    call.need(error, "the error word");
    *error = 0;
    if (call.status(*error)) return;
    const std::vector<unsigned int> list = hf::nodes_of(features);
    *error = hf::edit_and_update([&] {
        for (unsigned int f : list)
            if (int code = FREC_set_suppressed(f, 1)) return code;
        return 0;
    });
}

void SUP_unsuppress_feature_list(const CM_node_t* features, CM_node_t** unsuppressed, int* error) {
    auto call = HOST_ENTRY(features, unsuppressed, error);
    call.need(unsuppressed, "the list output");
    call.need(error, "the error word");
    *unsuppressed = nullptr;
    *error = 0;
    if (call.status(*error)) return;
    const std::vector<unsigned int> list = hf::nodes_of(features);
    std::vector<unsigned int> changed;
    *error = hf::edit_and_update([&] {
        for (unsigned int f : list) {
            const hf::Record* r = hf::find(f);
            if (!r) return FEAT_ERR_NOT_A_FEATURE;
            if (!r->suppressed) continue;
            if (int code = FREC_set_suppressed(f, 0)) return code;
            changed.push_back(f);
        }
        return 0;
    });
    if (*error == 0)
        for (unsigned int f : changed) CM_add_node_to_tail(unsuppressed, f);
}

int SUP_ask_suppress_frec(unsigned int frec) {
    auto call = HOST_ENTRY(frec);
    hf::require(call, frec);
    return hf::is_inactive(frec) ? 1 : 0;
}

unsigned int SUP_ask_suppress_exp(unsigned int frec) {
    auto call = HOST_ENTRY(frec);
    const unsigned int exp = hf::require(call, frec).suppress_exp;
    return exp && host::expr::find(exp) ? exp : 0;
}

void SUP_set_suppress_exp(unsigned int frec, unsigned int exp) {
    auto call = HOST_ENTRY(frec, exp);
    hf::require(call, frec);
    if (exp == 0) call.fail(HOST_ERR_NULL_ARGUMENT, "no expression");
    hf::all_or_nothing(call, [&] {
        if (int code = FREC_set_suppression_exp(frec, exp)) call.fail(code, "the expression cannot be attached");
        // The expression decides from now on, not the user.
        if (hf::find(frec)->suppressed) hf::detail::edit(frec)->suppressed = false;
    });
}

void SUP_unset_suppress_exp(unsigned int frec) {
    auto call = HOST_ENTRY(frec);
    hf::require(call, frec);
    const bool inactive = hf::is_inactive(frec);
    hf::all_or_nothing(call, [&] {
        if (int code = FREC_set_suppression_exp(frec, 0)) call.fail(code, "the expression cannot be removed");
        if (hf::find(frec)->suppressed != inactive) hf::detail::edit(frec)->suppressed = inactive;
    });
}

CM_node_t* get_design_feature_list(int suppressed, int browseable, int work_part, int all_bodies) {
    HOST_ENTRY(suppressed, browseable, work_part, all_bodies);
    std::vector<unsigned int> parts{host::parts::work_part()};
    if (!work_part) parts = host::parts::loaded_parts();
    CM_node_t* list = nullptr;
    CM_node_t** end = &list;
    for (unsigned int part : parts)
        for (unsigned int f : hf::features_of_part(part)) {
            const hf::Record& r = *hf::find(f);
            if ((suppressed && !hf::is_inactive(f)) || (browseable && !r.browseable) || (!all_bodies && !r.body))
                continue;
            *end = hf::new_node(f, nullptr);
            end = &(*end)->next;
        }
    return list;
}

// ---- parent curves ------------------------------------------------------------

void SHD_show_frec_parent_curves(unsigned int frec, int mode, int move_layer, int options, int* count_a,
                                 SHD_parent_curve_t** a, int* count_b, SHD_parent_curve_t** b) {
    auto call = HOST_ENTRY(frec, mode, move_layer, options);
    call.need(count_a, "count A");
    call.need(a, "array A");
    call.need(count_b, "count B");
    call.need(b, "array B");
    *count_a = *count_b = 0;
    *a = *b = nullptr;
    hf::require(call, frec);
    std::vector<SHD_parent_curve_t> shown, already;
    const auto mine = hf::shown_curves().find(frec);
    for (unsigned int c : hf::parent_curves(frec, mode)) {
        const int layer = ES_ask_entity_layer(c);
        if (mine != hf::shown_curves().end() && mine->second.count(c)) {
            const auto [was_layer, was_blank] = mine->second.at(c);
            shown.push_back({c, was_layer, was_blank, 0});
        } else if (ES_is_blanked(c)) {
            shown.push_back({c, layer, 1, 0});
            host::model_state<hf::Shown>("shown parent curves")[frec][c] = {layer, 1};
            ES_write_blank_status(c, 0);
            if (move_layer) ES_layer_move_entity(c, SHD_PARENT_CURVE_LAYER);
        } else {
            already.push_back({c, layer, 0, 0});
        }
    }
    *a = hf::entries_out(shown);
    *count_a = static_cast<int>(shown.size());
    *b = hf::entries_out(already);
    *count_b = static_cast<int>(already.size());
}

void SHD_hide_frec_parent_curves(unsigned int frec, int options, int count_a, const SHD_parent_curve_t* a, int count_b,
                                 SHD_parent_curve_t* b) {
    auto call = HOST_ENTRY(frec, options, count_a, count_b);
    hf::require(call, frec);
    if (count_a < 0 || count_b < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a negative count");
    if (count_a > 0) call.need(a, "array A");
    if (count_b > 0) call.need(b, "array B");
    for (int i = 0; i < count_a; ++i) {
        const auto mine = hf::shown_curves().find(frec);
        if (mine != hf::shown_curves().end() && mine->second.count(a[i].curve))
            host::model_state<hf::Shown>("shown parent curves")[frec].erase(a[i].curve);
        if (!hf::is_curve(a[i].curve)) continue;
        if (ES_ask_entity_layer(a[i].curve) != a[i].value_a) ES_layer_move_entity(a[i].curve, a[i].value_a);
        if (a[i].value_b) ES_write_blank_status(a[i].curve, 1);
    }
    for (int i = 0; i < count_b; ++i) b[i].keep = hf::is_curve(b[i].curve) ? 1 : 0;
}

}  // extern "C"
