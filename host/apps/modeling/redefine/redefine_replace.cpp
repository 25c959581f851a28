// Replacing features by other features (redefine_replace.h): the children
// of the old features move onto the new ones, then the old ones go.
#include "host/apps/modeling/redefine/redefine_replace.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"

namespace hf = host::feature;

namespace {

using tag_t = unsigned int;

int datum_kind(const hf::Record& r) {
    if (r.kind == "DATUM_PLANE") return FREC_DATUM_PLANE;
    if (r.kind == "DATUM_AXIS") return FREC_DATUM_AXIS;
    return 0;
}

bool is_root(tag_t feature, const hf::Record& r) { return r.body != 0 && r.step == 0 && !r.detached && feature != 0; }

bool contains(const std::vector<tag_t>& v, tag_t t) { return std::find(v.begin(), v.end(), t) != v.end(); }

std::vector<tag_t> array(int n, const tag_t* a) { return n > 0 && a ? std::vector<tag_t>(a, a + n) : std::vector<tag_t>{}; }

// The feature and the records it controls.
std::vector<tag_t> with_codependents(tag_t feature) {
    std::vector<tag_t> out{feature};
    int n = 0;
    tag_t* raw = nullptr;
    FREC_ask_children(feature, &n, &raw);
    const std::vector<tag_t> children(raw, raw + n);
    SM_free(raw);
    for (tag_t c : children)
        if (const hf::Record* r = hf::find(c); r && r->controlled) out.push_back(c);
    return out;
}

// Bodies an old feature made.
std::vector<tag_t> bodies_made(const std::vector<tag_t>& old) {
    std::vector<tag_t> out;
    for (tag_t f : old)
        if (const hf::Record* r = hf::find(f); r && is_root(f, *r)) out.push_back(r->body);
    return out;
}

// The datum plane a datum plane feature made (0 for none).
tag_t plane_made(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    if (!r || datum_kind(*r) != FREC_DATUM_PLANE) return 0;
    for (tag_t t : r->results)
        if (host::objects::is_alive(t) && host::objects::require(t).type == HOST_TYPE_DATUM_PLANE) return t;
    return 0;
}

// Whether the form feature stands on or runs to a datum plane an old
// feature made.
bool on_plane_of(tag_t feature, const std::vector<tag_t>& old) {
    std::vector<tag_t> planes;
    if (const hf::DatumPlacement* d = hf::datum_placements().find(feature)) planes.push_back(d->plane);
    if (const hf::DatumThrough* d = hf::datum_throughs().find(feature))
        planes.insert(planes.end(), d->planes.begin(), d->planes.end());
    return std::any_of(old.begin(), old.end(), [&](tag_t f) {
        const tag_t made = plane_made(f);
        return made != 0 && contains(planes, made);
    });
}

// The child's datum planes made by an old feature become those of its
// replacement: the update moves the child onto them.
void onto_new_planes(tag_t child, const std::map<tag_t, tag_t>& planes) {
    const auto mapped = [&](tag_t p) {
        const auto it = planes.find(p);
        return it == planes.end() ? p : it->second;
    };
    if (const hf::DatumPlacement* d = hf::datum_placements().find(child); d && mapped(d->plane) != d->plane)
        hf::datum_placements().edit(child)->plane = mapped(d->plane);
    if (const hf::DatumThrough* d = hf::datum_throughs().find(child)) {
        std::vector<tag_t> now = d->planes;
        for (tag_t& p : now) p = mapped(p);
        if (now != d->planes) hf::datum_throughs().edit(child)->planes = std::move(now);
    }
}

std::vector<tag_t> children_of(const std::vector<tag_t>& old, const std::vector<tag_t>& news) {
    std::vector<tag_t> out;
    if (old.empty()) return out;
    const std::vector<tag_t> bodies = bodies_made(old);
    for (tag_t f : hf::features_of_part(host::objects::require(old[0]).part)) {
        if (contains(old, f) || contains(news, f)) continue;
        const hf::Record* r = hf::find(f);
        if (!r) continue;
        const bool on_parent = std::any_of(r->parents.begin(), r->parents.end(), [&](tag_t p) { return contains(old, p); });
        if (on_parent || (r->body != 0 && contains(bodies, r->body)) || on_plane_of(f, old)) out.push_back(f);
    }
    return out;
}

std::vector<tag_t> outside_parents(const hf::Record& r, const std::vector<tag_t>& old) {
    std::vector<tag_t> out;
    for (int ref : r.refs)
        for (tag_t m : hf::makers_of(ref))
            if (contains(old, m) && !contains(out, static_cast<tag_t>(ref))) out.push_back(static_cast<tag_t>(ref));
    return out;
}

// A map value or key as a kernel tag: a face or edge object gives its
// kernel tag, anything else is taken as a reference.
int as_ref(tag_t t) {
    if (host::objects::is_alive(t) && (ES_solid_is_a_face(t) || ES_solid_is_a_edge(t))) return host::kernel::entity_of(t);
    return static_cast<int>(t);
}

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

}  // namespace

extern "C" {

int FREC_ask_datum_kind(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r ? datum_kind(*r) : 0;
}

int FREC_is_replaceable(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record& r = hf::require_record(call, feature);
    if (r.controlled) return 0;
    return datum_kind(r) != 0 || is_root(feature, r) ? 1 : 0;
}

int FREC_is_valid_replacement(unsigned int candidate, unsigned int old) {
    auto call = HOST_ENTRY(candidate, old);
    const hf::Record& c = hf::require_record(call, candidate);
    const hf::Record& o = hf::require_record(call, old);
    if (candidate == old || c.controlled) return 0;
    if (host::objects::require(candidate).part != host::objects::require(old).part) return 0;
    if (datum_kind(o) != 0 || datum_kind(c) != 0) return datum_kind(o) == datum_kind(c) ? 1 : 0;
    return is_root(old, o) && is_root(candidate, c) && c.body != o.body ? 1 : 0;
}

unsigned int BREF_ask_top_bref_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return hf::require_record(call, feature).body;
}

void MODL_REDEF_add_codep_repl_frecs(unsigned int feature, int set) {
    auto call = HOST_ENTRY(feature, set);
    hf::require_record(call, feature);
    for (tag_t f : with_codependents(feature)) OM_add_to_set(set, f);
}

void MODL_REDEF_add_codep_replm_frecs(unsigned int feature, int set) {
    auto call = HOST_ENTRY(feature, set);
    hf::require_record(call, feature);
    for (tag_t f : with_codependents(feature)) OM_add_to_set(set, f);
}

void MODL_REDEF_ask_children_to_reparent(int n_old, const unsigned int old[], int n_new, const unsigned int news[],
                                         int* count, unsigned int** children) {
    auto call = HOST_ENTRY(n_old, old, n_new, news);
    call.need(count, "the count output");
    call.need(children, "the children output");
    const std::vector<tag_t> o = array(n_old, old), n = array(n_new, news);
    for (tag_t f : o) hf::require_record(call, f);
    hf::hand_out(children_of(o, n), count, children);
}

void MODL_REDEF_ask_ext_parents_of_frec(unsigned int child, int n_old, const unsigned int old[], int* count,
                                        unsigned int** refs) {
    auto call = HOST_ENTRY(child, n_old, old);
    call.need(count, "the count output");
    call.need(refs, "the references output");
    hf::hand_out(outside_parents(hf::require_record(call, child), array(n_old, old)), count, refs);
}

int MODL_REDEF_replace_frecs(int n_old, const unsigned int old[], int n_new, const unsigned int news[], int n_children,
                             const unsigned int children[], int n_map, const unsigned int keys[],
                             const unsigned int values[], int option, int* unhandled) {
    auto call = HOST_ENTRY(n_old, n_new, n_children, n_map);
    int status = 0;
    if (call.status(status)) return status;
    call.need(unhandled, "the unhandled output");
    *unhandled = 0;
    const std::vector<tag_t> o = array(n_old, old), n = array(n_new, news), kids = array(n_children, children);
    if (o.empty() || n.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "nothing to replace");
    std::map<int, int> refs;
    std::map<tag_t, tag_t> features;
    for (int i = 0; i < n_map; ++i) {
        if (contains(o, keys[i])) features[keys[i]] = values[i];
        else refs[as_ref(keys[i])] = as_ref(values[i]);
    }
    // Everything the map must answer, before anything changes; a child on
    // an old body whose step is no tool of its own cannot move.
    const std::vector<tag_t> old_bodies = bodies_made(o);
    for (tag_t c : kids) {
        const hf::Record& r = hf::require_record(call, c);
        for (tag_t p : outside_parents(r, o))
            if (!refs.count(static_cast<int>(p))) ++*unhandled;
        if (r.body != 0 && contains(old_bodies, r.body) && r.step > 0 && r.tool == 0) ++*unhandled;
    }
    if (*unhandled > 0) return 0;
    // Datum planes of old datum plane features go to their replacements'.
    std::map<tag_t, tag_t> planes;
    for (tag_t f : o) {
        const auto it = features.find(f);
        const tag_t from = plane_made(f), to = plane_made(it != features.end() ? it->second : n[0]);
        if (from != 0 && to != 0) planes[from] = to;
    }
    tag_t new_body = 0;
    for (tag_t f : n)
        if (const hf::Record* r = hf::find(f); r && r->body) {
            new_body = r->body;
            break;
        }
    return hf::caught([&] {
        for (tag_t c : kids) {
            onto_new_planes(c, planes);
            hf::Record w = *hf::find(c);
            for (tag_t& p : w.parents)
                if (auto it = features.find(p); it != features.end()) p = it->second;
            std::vector<int> moved = w.refs;
            for (int& ref : moved)
                if (auto it = refs.find(ref); it != refs.end()) ref = it->second;
            std::vector<double> numbers = w.numbers;
            // A form feature whose placement face changed stands on the new one.
            const bool placed = w.kind.find("HOLE") != std::string::npos || w.kind.find("BOSS") != std::string::npos ||
                                w.kind.find("POCKET") != std::string::npos || w.kind.find("PAD") != std::string::npos ||
                                w.kind.find("SLOT") != std::string::npos || w.kind.find("GROOVE") != std::string::npos;
            const bool on_face =
                placed && !w.refs.empty() && (w.numbers.size() == 6 || (w.numbers.size() > 9 && w.numbers[9] != 0));
            if (on_face && moved[0] != w.refs[0]) numbers = hf::numbers_on_face(call, w, moved[0]);
            const bool rehome = w.body != 0 && contains(old_bodies, w.body) && w.step > 0 && new_body != 0;
            if (rehome) {
                const int from = host::kernel::entity_of(w.body), to = host::kernel::entity_of(new_body);
                if (from == 0 || to == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "a body of the replacement is gone");
                // The step runs on the new body at once: at its new place.
                if (const hf::Kind* k = hf::find_kind(w.kind); k && k->kernel_numbers) {
                    hf::Record there = w;
                    there.numbers = numbers;
                    there.refs = moved;
                    for (const auto& [index, value] : k->kernel_numbers(there, hf::detail::values_of(w)))
                        ZQ_BODY_edit_parameter(from, w.step, index, value);
                }
                ZQ_BODY_take_step(from, w.step, to);
                w.body = new_body;
                w.step = step_count(to) - 1;
            }
            *hf::detail::edit(c) = w;
            if (moved == w.refs && numbers == w.numbers) continue;
            if (w.step < 1) continue;
            std::vector<unsigned int> objects;
            for (int ref : moved) objects.push_back(host::kernel::object_of(ref));
            if (int st = FEAT_redefine(c, static_cast<int>(objects.size()), objects.data(), static_cast<int>(numbers.size()),
                                       numbers.data()))
                call.fail(st, "%s cannot move onto the replacement", hf::display_name(c).c_str());
        }
        if (option != 0) return;
        // The old features and what goes with them, latest first.
        std::vector<tag_t> gone;
        for (tag_t f : o)
            for (tag_t g : with_codependents(f))
                if (!contains(gone, g)) gone.push_back(g);
        std::sort(gone.begin(), gone.end(), [](tag_t a, tag_t b) { return FREC_sort_frecs(a, b) > 0; });
        for (tag_t g : gone)
            if (hf::find(g))
                if (int st = FEAT_delete_one(g)) call.fail(st, "%s cannot be deleted", hf::display_name(g).c_str());
    });
}

}  // extern "C"
