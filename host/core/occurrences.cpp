// Part occurrences and the occurrences of their component's objects
// (host/core/occurrences.h).
#include "host/core/occurrences.h"

#include <map>

#include "host/core/curve_entities.h"
#include "host/core/entity_store.h"
#include "host/core/views.h"
#include "host/data/parts.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace {

using tag_t = unsigned int;

struct Occurrence {
    tag_t part_occurrence = 0;    // itself for a part occurrence
    tag_t prototype = 0;          // the component part for a part occurrence
    std::map<tag_t, tag_t> made;  // of a part occurrence: prototype -> occurrence
};

host::TagTable<Occurrence>& table() {
    static host::TagTable<Occurrence>* const t = new host::TagTable<Occurrence>("occurrences");
    return *t;
}
const bool made = (table(), true);

// The root part occurrence of each assembly part.
struct Root {
    tag_t occurrence = 0;
};
host::TagTable<Root>& roots() {
    static host::TagTable<Root>* const t = new host::TagTable<Root>("root occurrences");
    return *t;
}
const bool made_roots = (roots(), true);

const Occurrence& require(const host::Call& call, tag_t occurrence) {
    call.live(occurrence);
    const Occurrence* o = table().find(occurrence);
    if (!o) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an occurrence", occurrence);
    return *o;
}

}  // namespace

namespace host::occurrences {

unsigned int create_part_occurrence(unsigned int assembly, unsigned int component, const double rows[9]) {
    objects::require(assembly);
    objects::require(component);
    // The assembly's root occurrence comes with its first component.
    if (roots().find(assembly) == nullptr) {
        const tag_t root = entity::create({OM_CLASS_OCC_LW, 0, 0, assembly});
        entity::attrs(root).occurrence = true;
        table()[root] = Occurrence{root, assembly, {}};
        roots()[assembly] = Root{root};
    }
    const tag_t t = entity::create({OM_CLASS_OCC_LW, 0, 0, assembly});
    entity::attrs(t).occurrence = true;
    table()[t] = Occurrence{t, component, {}};
    if (rows) curves::set_occurrence_orientation(t, rows);
    return t;
}

}  // namespace host::occurrences

extern "C" {

unsigned int OCC_ask_part_occurrence(unsigned int occurrence) {
    auto call = HOST_ENTRY(occurrence);
    return require(call, occurrence).part_occurrence;
}

// Occurrences of this service, then those made with a placement of their
// own (host/core/views.h); 0 for an object that is no occurrence.
unsigned int OCC_ask_prototype_of_occ(unsigned int occurrence) {
    auto call = HOST_ENTRY(occurrence);
    const Occurrence* o = table().find(occurrence);
    return static_cast<unsigned int>(call.int_out(0, o ? o->prototype : host::views::prototype_of(occurrence)));
}

unsigned int OCC_find_occurrence(unsigned int part_occurrence, unsigned int prototype) {
    auto call = HOST_ENTRY(part_occurrence, prototype);
    const Occurrence& p = require(call, part_occurrence);
    const host::objects::Object& proto = call.live(prototype);
    if (p.part_occurrence != part_occurrence || proto.part != p.prototype) return 0;
    const auto it = p.made.find(prototype);
    if (it != p.made.end() && host::objects::is_alive(it->second)) return it->second;
    const tag_t assembly = host::objects::require(part_occurrence).part;
    const tag_t t = host::entity::create({OM_CLASS_RM_ENTITY, proto.type, proto.subtype, assembly});
    host::entity::attrs(t).occurrence = true;
    table()[t] = Occurrence{part_occurrence, prototype, {}};
    table().edit(part_occurrence)->made[prototype] = t;
    return t;
}

int TAG_ask_tag_loaded(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const host::objects::Object& o = call.live(object);
    const tag_t part = o.cls == OM_CLASS_PART ? object : o.part;
    return static_cast<int>(call.int_out(0, host::parts::load_state(part) == PART_FULLY_LOADED ? 1 : 0));
}

int OCC_is_part_occurrence(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const Occurrence* o = table().find(object);
    return static_cast<int>(call.int_out(0, o && o->part_occurrence == object ? 1 : 0));
}

unsigned int OCC_ask_part_of_occ_part(unsigned int prototype) {
    auto call = HOST_ENTRY(prototype);
    const host::objects::Object& o = call.live(prototype);
    return o.cls == OM_CLASS_PART ? prototype : o.part;
}

unsigned int OCC_ask_root_part_of_part_occ(unsigned int part_occurrence) {
    auto call = HOST_ENTRY(part_occurrence);
    const Occurrence& o = require(call, part_occurrence);
    if (o.part_occurrence != part_occurrence)
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no part occurrence", part_occurrence);
    return host::objects::require(part_occurrence).part;
}

unsigned int OCC_ask_root_of_occ_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    call.live(part);
    const Root* root = roots().find(part);
    const tag_t t = root && host::objects::is_alive(root->occurrence) ? root->occurrence : 0;
    return static_cast<unsigned int>(call.int_out(0, t));
}

}  // extern "C"
