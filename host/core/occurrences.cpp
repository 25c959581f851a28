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

}  // extern "C"
