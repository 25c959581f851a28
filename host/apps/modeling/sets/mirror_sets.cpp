// Mirror sets as features of the update service, and the instance-set
// questions they ask (see mirror_sets.h).
#include "host/apps/modeling/sets/mirror_sets.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/sets/instance_set_rows.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/tool_copies.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

using namespace detail;

constexpr const char* kMirror = "MIRROR_SET";
// Fixed numbers: the plane's point and unit normal, and the operation the
// copies are applied with (that of the inputs, ZQ_UNITE ...).
enum { kPoint = 0, kNormal = 3, kOperation = 6, kNumbers = 7 };

bool is_instance_set(const Record& r) { return r.kind == "CIRCULAR_ISET" || r.kind == "LINEAR_ISET"; }

bool has_tool(const Record& r) { return cuts_or_unites_a_tool(r); }
bool same_body(const Record& x, const Record& r) { return on_same_body(x, r); }

// The plane of a mirror set: the reference and the object that carried it
// when it was given, a planar face or a datum plane (kept for the part
// file: face references are kernel tags, which a part read again gives
// anew).
struct PlaneRow {
    unsigned int fref = 0;
    tag_t face = 0;
};
TagTable<PlaneRow>& planes() {
    static auto* const t = new TagTable<PlaneRow>("mirror planes");
    return *t;
}
const bool planes_made = (planes(), true);

bool is_datum_plane(tag_t object) {
    const objects::Object* o = objects::find(object);
    return o && o->alive && o->type == HOST_TYPE_DATUM_PLANE;
}

unsigned int fref_of(const PlaneRow& row) {
    if (is_datum_plane(row.face)) return create_dplane_fref(row.face);
    if (row.face && objects::is_alive(row.face)) return FREF_ask_fref_of_face(row.face);
    return row.fref;
}

// The face or datum plane of a plane reference (0 for none).
tag_t plane_object(unsigned int fref) {
    if (fref == 0) return 0;
    if (const tag_t datum = CM_ask_dplane_of_entry(static_cast<int>(fref))) return datum;
    return FREF_ask_face_of_fref(fref);
}

// The point and normal of a planar face's or a datum plane's reference, or
// false.
bool plane_numbers(unsigned int fref, double out[6]) {
    if (const tag_t datum = fref ? CM_ask_dplane_of_entry(static_cast<int>(fref)) : 0)
        return profiles::direction_data(datum, out + kPoint, out + kNormal);
    const tag_t face = fref ? FREF_ask_face_of_fref(fref) : 0;
    const int entity = face ? kernel::entity_of(face) : 0;
    if (entity == 0) return false;
    int type = 0, sense = 0;
    double r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(entity, &type, out + kPoint, out + kNormal, &r1, &r2, &sense);
    return type == ZQ_SURF_PLANE;
}

// The reflection about the plane as a move of ZQ_BODY_make_instance_tool
// (rows of a 3 x 4 matrix): x' = x - 2 ((x - p) . n) n.
std::vector<double> reflection(const std::vector<double>& numbers) {
    const double* p = &numbers[kPoint];
    const double* n = &numbers[kNormal];
    const double pn = p[0] * n[0] + p[1] * n[1] + p[2] * n[2];
    std::vector<double> m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m.push_back((i == j ? 1.0 : 0.0) - 2 * n[i] * n[j]);
        m.push_back(2 * pn * n[i]);
    }
    return m;
}

bool is_base_of(const Record& x, const Record& r) { return same_body(x, r) && x.step == 0; }

// The steps of the body whose tools the set mirrors: each input's, an
// instance set's with its sources'; each once.
std::vector<int> input_steps(const Call& call, const Record& r) {
    std::vector<int> steps;
    const auto add = [&](const Record& x) {
        if (!has_tool(x) || !same_body(x, r))
            call.fail(FEAT_ERR_BAD_REFERENCE, "a mirrored feature is no tool of the set's body");
        if (std::find(steps.begin(), steps.end(), x.step) == steps.end()) steps.push_back(x.step);
    };
    for (tag_t p : r.parents) {
        const Record* x = find(p);
        if (!x) call.fail(FEAT_ERR_NOT_A_FEATURE, "a mirrored feature is gone");
        if (is_base_of(*x, r)) continue;
        if (is_instance_set(*x))
            for (tag_t s : x->parents)
                if (const Record* source = find(s); source && has_tool(*source)) add(*source);
        add(*x);
    }
    if (steps.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "no features to mirror");
    return steps;
}

// The mirrored copies of the inputs' tools, a new kernel body; *operation
// the inputs' operation.
int mirrored_tool(const Call& call, const Record& r, int body, int* operation) {
    const std::vector<int> steps = input_steps(call, r);
    const std::vector<double> move = reflection(r.numbers);
    int tool = 0;
    ZQ_BODY_make_instance_tool(body, static_cast<int>(steps.size()), steps.data(), 1, move.data(), &tool, operation);
    return tool;
}

int body_of(const Call& call, const Record& r) {
    const int body = kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the set's body has no kernel body");
    return body;
}

void build_mirror(const Call& call, Record& r, const std::vector<double>&) {
    const int body = body_of(call, r);
    int operation = 0;
    int tool = mirrored_tool(call, r, body, &operation);
    pxlook_(&tool, &r.tool);
    r.numbers[kOperation] = operation;
    ZQ_BODY_boolean(body, tool, operation);
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    r.step = n - 1;
}

std::vector<std::pair<int, double>> no_numbers(const Record&, const std::vector<double>&) { return {}; }

const bool kind_made = [] {
    register_kind({kMirror, {}, kNumbers, 0, 0, true, build_mirror, no_numbers});
    // The set's parameter objects belong under the host's class of mirror
    // patterns.
    const OM_class_t root = objects::register_class("FEATURE_parms_c", OM_CLASS_OBJECT);
    const OM_class_t patterns = objects::register_class("DM_mirror_pattern_c", root);
    objects::register_class(std::string(kMirror) + "_parms_c", patterns);
    return true;
}();

std::vector<tag_t> copy_in(const Call& call, const unsigned int* tags, int count) {
    if (count < 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "no features to mirror");
    call.need(tags, "the features");
    std::vector<tag_t> out(tags, tags + count);
    for (tag_t t : out)
        if (!find(t)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no live feature", t);
    return out;
}

// The one body the inputs live on.
tag_t body_of_inputs(const Call& call, const std::vector<tag_t>& inputs) {
    tag_t body = 0;
    for (tag_t t : inputs) {
        const Record& x = *find(t);
        if (x.body == 0 || (body != 0 && x.body != body))
            call.fail(FEAT_ERR_BAD_REFERENCE, "the features to mirror do not live on one body");
        body = x.body;
    }
    return body;
}

std::vector<double> numbers_of_plane(const Call& call, unsigned int fref) {
    std::vector<double> n(kNumbers, 0.0);
    if (!plane_numbers(fref, n.data()))
        call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u is no planar face or datum plane", fref);
    return n;
}

const Record& require_mirror(const Call& call, tag_t set) {
    call.live(set);
    const Record* r = find(set);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", set);
    if (r->kind != kMirror) call.fail(FEAT_ERR_BAD_REFERENCE, "feature %u is no mirror set", set);
    return *r;
}

// Runs the change; on a host error the model goes back as it was and the
// error goes on with its code.
template <class F>
void whole_or_nothing(const Call& call, F&& change) {
    const ModelSnapshot before = snapshot_model();
    std::string text;
    if (const int code = caught(change, &text)) {
        restore_model(before);
        call.fail(code, "%s", text.c_str());
    }
}

// Makes the set's copies again, from its record as `change` changes it
// (other inputs or plane), in place of its step's tool; the update makes
// the body again.
template <class Change>
void remake(const Call& call, tag_t set, Change&& change) {
    attach(objects::require(set).part);  // a part read from a file: its bodies made again first
    Record r = *find(set);
    change(r);
    const int body = body_of(call, r);
    int operation = 0;
    int tool = mirrored_tool(call, r, body, &operation);
    if (operation != static_cast<int>(r.numbers[kOperation]))
        call.fail(FEAT_ERR_BAD_REFERENCE, "the features cut where the set's copies unite, or unite where they cut");
    pxlook_(&tool, &r.tool);
    ZQ_BODY_replace_step_tool(body, r.step, tool);
    r.out_of_date = true;
    *edit(set) = std::move(r);
}

}  // namespace

bool is_mirror_set(const Record& r) { return r.kind == kMirror; }

void mirror_set_copies(const Call& call, tag_t set, std::vector<int>* steps, std::vector<double>* moves) {
    const Record& r = *find(set);
    *steps = input_steps(call, r);
    moves->clear();
    // A plane on a datum plane follows it; a face's place is taken once.
    const PlaneRow* row = planes().find(set);
    if (!row || !is_datum_plane(row->face)) return;
    std::vector<double> numbers = r.numbers;
    if (!plane_numbers(fref_of(*row), numbers.data())) return;
    *moves = reflection(numbers);
    if (numbers != r.numbers) edit(set)->numbers = std::move(numbers);
}

}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

unsigned int MOD_UI_ask_fref_of_disp_entity(unsigned int entity) {
    HOST_ENTRY(entity);
    if (entity == 0 || !host::objects::is_alive(entity)) return 0;
    const bool datum = hf::is_datum_plane(entity);
    if (!datum && !ES_solid_is_a_face(entity)) return 0;
    const unsigned int fref = datum ? create_dplane_fref(entity) : FREF_ask_fref_of_face(entity);
    double numbers[6];
    return hf::plane_numbers(fref, numbers) ? fref : 0;
}

unsigned int DM_create_mirror_pattern(const unsigned int features[], int count, unsigned int plane, int flag) {
    auto call = HOST_ENTRY(features, count, plane, flag);
    if (flag != 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "mirror pattern flag %d", flag);
    const std::vector<hf::tag_t> inputs = hf::copy_in(call, features, count);
    const hf::tag_t body = hf::body_of_inputs(call, inputs);
    std::vector<double> numbers = hf::numbers_of_plane(call, plane);
    const hf::tag_t part = host::objects::require(body).part;
    const auto current = hf::detail::order().current.find(part);
    if (current != hf::detail::order().current.end() && hf::find(current->second))
        call.fail(FEAT_ERR_BAD_REORDER, "a feature other than the last is current");
    hf::tag_t made = 0;
    hf::whole_or_nothing(call, [&] {
        hf::attach(part);
        std::vector<hf::tag_t> parents;
        for (hf::tag_t f : hf::features_of_part(part))
            if (hf::find(f)->body == body && hf::find(f)->step == 0) parents.push_back(f);
        for (hf::tag_t f : inputs)
            if (std::find(parents.begin(), parents.end(), f) == parents.end()) parents.push_back(f);
        const hf::tag_t t = hf::create(part, hf::kMirror, parents);
        hf::Record r = *hf::find(t);
        r.numbers = std::move(numbers);
        r.body = body;
        r.sign = FEAT_SIGN_NEW;
        hf::build_mirror(call, r, {});
        *hf::detail::edit(t) = std::move(r);
        hf::planes()[t] = hf::PlaneRow{plane, hf::plane_object(plane)};
        made = t;
    });
    return made;
}

unsigned int DM_ask_mirror_plane(unsigned int set) {
    auto call = HOST_ENTRY(set);
    hf::require_mirror(call, set);
    const hf::PlaneRow* row = hf::planes().find(set);
    return row ? hf::fref_of(*row) : 0;
}

void DM_ask_user_input_frec(unsigned int set, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(set, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    const hf::Record& r = hf::require_mirror(call, set);
    std::vector<unsigned int> inputs;
    for (hf::tag_t p : r.parents)
        if (const hf::Record* x = hf::find(p); x && !hf::is_base_of(*x, r)) inputs.push_back(p);
    *count = static_cast<int>(inputs.size());
    *features = static_cast<unsigned int*>(SM_alloc(std::max<std::size_t>(inputs.size(), 1) * sizeof(unsigned int)));
    std::copy(inputs.begin(), inputs.end(), *features);
}

void DM_replace_input_frec(unsigned int set, const unsigned int features[], int count, int flag) {
    auto call = HOST_ENTRY(set, features, count, flag);
    if (flag != 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "input replacement flag %d", flag);
    const hf::Record& r = hf::require_mirror(call, set);
    const std::vector<hf::tag_t> inputs = hf::copy_in(call, features, count);
    if (hf::body_of_inputs(call, inputs) != r.body)
        call.fail(FEAT_ERR_BAD_REFERENCE, "the features do not live on the set's body");
    for (hf::tag_t f : inputs)
        if (f == set || FREC_sort_frecs(f, set) > 0)
            call.fail(FEAT_ERR_BAD_REFERENCE, "feature %u is not older than the set", f);
    hf::whole_or_nothing(call, [&] {
        hf::remake(call, set, [&](hf::Record& w) {
            std::vector<hf::tag_t> parents;
            for (hf::tag_t p : w.parents)
                if (const hf::Record* x = hf::find(p); x && hf::is_base_of(*x, w)) parents.push_back(p);
            for (hf::tag_t f : inputs)
                if (std::find(parents.begin(), parents.end(), f) == parents.end()) parents.push_back(f);
            w.parents = std::move(parents);
        });
    });
}

void DM_mirror_replace_dplane(unsigned int set, unsigned int plane) {
    auto call = HOST_ENTRY(set, plane);
    hf::require_mirror(call, set);
    const std::vector<double> numbers = hf::numbers_of_plane(call, plane);
    hf::whole_or_nothing(call, [&] {
        hf::remake(call, set, [&](hf::Record& w) {
            std::copy(numbers.begin(), numbers.begin() + hf::kOperation, w.numbers.begin());
        });
        hf::planes()[set] = hf::PlaneRow{plane, hf::plane_object(plane)};
    });
}

int ISET_is_an_initial_master_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    int n = 0;
    unsigned int* sets = nullptr;
    ISET_ask_instances_of_master(feature, &n, &sets);
    SM_free(sets);
    return n > 0 ? 1 : 0;
}

void ISET_ask_instances_of_master(unsigned int master, int* count, unsigned int** instances) {
    auto call = HOST_ENTRY(master, count, instances);
    call.need(count, "the count output");
    call.need(instances, "the instances output");
    *count = 0;
    *instances = nullptr;
    const hf::Record* m = hf::find(master);
    if (!m || !hf::has_tool(*m)) return;
    std::vector<unsigned int> out;
    for (hf::tag_t f : hf::features_of_part(host::objects::require(master).part)) {
        const hf::Record& r = *hf::find(f);
        if (hf::is_instance_set(r) && std::find(r.parents.begin(), r.parents.end(), master) != r.parents.end())
            out.push_back(f);
    }
    if (out.empty()) return;
    *count = static_cast<int>(out.size());
    *instances = static_cast<unsigned int*>(SM_alloc(out.size() * sizeof(unsigned int)));
    std::copy(out.begin(), out.end(), *instances);
}

}  // extern "C"

// Part-file section "MIRR": the planes of the part's mirror sets. Payload:
// rows (part_file::write_rows), one per mirror set:
//   u32 object number of the face or datum plane that carried the plane
//       (0xFFFFFFFF: gone)
// A set read without its row has no plane reference (its copies stay where
// they were made). The reader refuses a row of an object that is no
// feature and a plane that is no face or datum plane.
namespace {

namespace pf = host::part_file;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void write_planes(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<unsigned int> sets;
    for (unsigned int f : hf::features_of_part(ctx.part))
        if (hf::planes().find(f) && hf::find(f)) sets.push_back(f);
    pf::write_rows(out, ctx, sets, [&](pf::Writer& row, unsigned int t) {
        const hf::PlaneRow& r = *hf::planes().find(t);
        const unsigned int face = hf::plane_object(hf::fref_of(r));
        const std::uint32_t number = face ? ctx.index(face) : kNone;
        row.u32(number == 0 ? kNone : number);
    });
}

void read_planes(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, hf::PlaneRow>> rows;
    pf::read_rows(in, ctx, {"mirror plane row", 12, false}, [&](unsigned int t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a mirror plane row of an object that is no feature");
        hf::PlaneRow r;
        const std::uint32_t number = row.u32();
        if (number != kNone) {
            const host::objects::Object* o = number == 0 ? nullptr : host::objects::find(ctx.tag_of(number));
            if (!o ||
                ((o->type != HOST_TYPE_SOLID || o->subtype != HOST_SUBTYPE_FACE) && o->type != HOST_TYPE_DATUM_PLANE))
                throw pf::FormatError("a mirror plane that is no face or datum plane");
            r.face = o->tag;
        }
        rows.emplace_back(t, r);
    });
    for (auto& [t, r] : rows) hf::planes()[t] = r;
}

const bool section_registered = (pf::register_section({{'M', 'I', 'R', 'R'}, write_planes, read_planes}), true);

}  // namespace
