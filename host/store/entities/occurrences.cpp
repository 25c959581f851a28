// Occurrences, their prototypes and their places (host/store/entities/occurrences.h).
#include "host/store/entities/occurrences.h"

#include <algorithm>
#include <map>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace ho = host::occurrences;

struct Occurrence {
    tag_t part_occurrence = 0;    // itself for a part occurrence; 0 for one made on its own
    ho::Place place;              // prototype: the component part for a part occurrence
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

// A new occurrence object of the kind given, placed; its directions turn
// the same way for OCC_transform_direction_p.
tag_t add(const host::objects::NewObject& spec, Occurrence o) {
    const tag_t t = host::entity::create(spec);
    host::entity::attrs(t).occurrence = true;
    if (o.part_occurrence == 0 && spec.cls == OM_CLASS_OCC_LW) o.part_occurrence = t;
    table()[t] = std::move(o);
    return t;
}

}  // namespace

namespace host::occurrences {

void Place::point(const double in[3], double out[3]) const {
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = in[0] * rows[i] + in[1] * rows[3 + i] + in[2] * rows[6 + i] + origin[i];
    std::copy(r, r + 3, out);
}

void Place::direction(const double in[3], double out[3]) const {
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = in[0] * rows[i] + in[1] * rows[3 + i] + in[2] * rows[6 + i];
    std::copy(r, r + 3, out);
}

unsigned int create_part_occurrence(unsigned int assembly, unsigned int component, const double rows[9],
                                    const double origin[3]) {
    objects::require(assembly);
    objects::require(component);
    // The assembly's root occurrence comes with its first component.
    if (roots().find(assembly) == nullptr) {
        Occurrence r;
        r.place.prototype = assembly;
        roots()[assembly] = Root{add({OM_CLASS_OCC_LW, 0, 0, assembly}, std::move(r))};
    }
    Occurrence o;
    o.place.prototype = component;
    if (rows) std::copy(rows, rows + 9, o.place.rows);
    if (origin) std::copy(origin, origin + 3, o.place.origin);
    return add({OM_CLASS_OCC_LW, 0, 0, assembly}, std::move(o));
}

unsigned int make_occurrence_of(unsigned int part, unsigned int prototype, const double rows[9],
                                const double origin[3]) {
    const objects::Object* p = objects::find(prototype);
    if (!p) ERROR_raise(__func__, 0, HOST_ERR_DEAD_TAG, "tag %u is not a live object", prototype);
    Occurrence o;
    o.place.prototype = prototype;
    std::copy(rows, rows + 9, o.place.rows);
    std::copy(origin, origin + 3, o.place.origin);
    return add({OM_CLASS_RM_ENTITY, p->type, p->subtype, part}, std::move(o));
}

bool set_rows(unsigned int occurrence, const double rows[9]) {
    const Occurrence* o = table().find(occurrence);
    if (!o) return false;
    const auto turn = [rows](tag_t t) {
        if (Occurrence* e = table().edit(t)) std::copy(rows, rows + 9, e->place.rows);
    };
    turn(occurrence);
    if (o->part_occurrence == occurrence)
        for (const auto& [prototype, made] : table().find(occurrence)->made) turn(made);
    return true;
}

const Place* place_of(unsigned int occurrence) {
    if (!objects::is_alive(occurrence)) return nullptr;
    const Occurrence* o = table().find(occurrence);
    return o && objects::is_alive(o->place.prototype) ? &o->place : nullptr;
}

}  // namespace host::occurrences

extern "C" {

unsigned int OCC_ask_part_occurrence(unsigned int occurrence) {
    auto call = HOST_ENTRY(occurrence);
    const Occurrence& o = require(call, occurrence);
    if (o.part_occurrence == 0) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no occurrence of a part", occurrence);
    return o.part_occurrence;
}

unsigned int OCC_ask_prototype_of_occ(unsigned int occurrence) {
    auto call = HOST_ENTRY(occurrence);
    const Occurrence* o = host::objects::is_alive(occurrence) ? table().find(occurrence) : nullptr;
    return static_cast<unsigned int>(call.int_out(0, o ? o->place.prototype : 0));
}

unsigned int OCC_find_occurrence(unsigned int part_occurrence, unsigned int prototype) {
    auto call = HOST_ENTRY(part_occurrence, prototype);
    const Occurrence& p = require(call, part_occurrence);
    const host::objects::Object& proto = call.live(prototype);
    if (p.part_occurrence != part_occurrence || proto.part != p.place.prototype) return 0;
    const auto it = p.made.find(prototype);
    if (it != p.made.end() && host::objects::is_alive(it->second)) return it->second;
    const tag_t assembly = host::objects::require(part_occurrence).part;
    Occurrence o{part_occurrence, p.place, {}};
    o.place.prototype = prototype;
    const tag_t t = add({OM_CLASS_RM_ENTITY, proto.type, proto.subtype, assembly}, std::move(o));
    table().edit(part_occurrence)->made[prototype] = t;
    return t;
}

int TAG_ask_tag_loaded(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const host::objects::Object& o = call.live(object);
    const tag_t part = o.cls == OM_CLASS_PART ? object : o.part;
    return static_cast<int>(call.int_out(0, host::parts::load_state(part) == PART_FULLY_LOADED ? 1 : 0));
}

void OCC_transform_point(unsigned int occurrence, const double point[3], double out[3]) {
    auto call = HOST_ENTRY(occurrence, point, out);
    call.need(point);
    call.need(out);
    require(call, occurrence).place.point(point, out);
}

void OCC_untransform_point(unsigned int occurrence, const double point[3], double out[3]) {
    auto call = HOST_ENTRY(occurrence, point, out);
    call.need(point);
    call.need(out);
    const ho::Place& p = require(call, occurrence).place;
    // The rows are orthonormal: the way back is their transpose.
    const double q[3] = {point[0] - p.origin[0], point[1] - p.origin[1], point[2] - p.origin[2]};
    for (int i = 0; i < 3; ++i) out[i] = q[0] * p.rows[3 * i] + q[1] * p.rows[3 * i + 1] + q[2] * p.rows[3 * i + 2];
}

void OCC_transform_direction(unsigned int occurrence, const double direction[3], double out[3]) {
    auto call = HOST_ENTRY(occurrence, direction, out);
    call.need(direction);
    call.need(out);
    require(call, occurrence).place.direction(direction, out);
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
