// Cycling through a part's entities and feature records.
//
// A step of a cycle finds the first object of the part after the last one
// handed out, through the store's list of each part's objects in creation
// order (tags grow with creation): a binary search finds its place, and it
// walks on from there, skipping objects that died or left the part. A step
// by name goes through the store's index of names.
#include "host/store/entities/entity_cycle.h"

#include <cstring>
#include <string_view>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using host::objects::Object;
using tag_t = unsigned int;

bool is_entity(const Object& o) {
    if (o.cls == OM_CLASS_FEATURE || o.type == HOST_TYPE_FEATURE) return false;
    return OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY) || OM_is_subclass(o.cls, OM_CLASS_OCC_LW);
}
bool is_feature(const Object& o) {
    return o.cls == OM_CLASS_FEATURE || (o.type == HOST_TYPE_FEATURE && OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY));
}

void need_part(const host::Call& call, tag_t part) {
    if (!host::objects::part_info(part)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is not a live part", part);
}

// The first object of the part after `after` that the predicate accepts,
// or 0. The store keeps each part's objects in creation order, so a step
// starts where the last one ended instead of walking the part.
template <class Pred>
tag_t next_in_part(tag_t part, tag_t after, Pred pred) {
    return host::objects::next_of_part(part, after, pred);
}

// The next object of the part after *object whose name is `name` and that
// the predicate accepts, through the store's index of names.
void next_named(const host::Call& call, unsigned int part, const char* name, unsigned int* object,
                bool (*pred)(const Object&)) {
    call.need(object, "the object");
    call.need(name, "the name");
    if (!host::objects::part_info(part)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is not a live part", part);
    *object = host::objects::next_named(part, std::string_view(name, std::strlen(name)), *object, pred);
}

}  // namespace

extern "C" {

void ES_cycle_entities_by_type(unsigned int part, int type, unsigned int* object) {
    auto call = HOST_ENTRY(part, type, object ? *object : 0);
    call.need(object);
    need_part(call, part);
    *object = next_in_part(part, *object, [type](const Object& o) { return is_entity(o) && o.type == type; });
}

void ES_cycle_frecs(unsigned int part, unsigned int* feature) {
    auto call = HOST_ENTRY(part, feature ? *feature : 0);
    call.need(feature);
    need_part(call, part);
    *feature = next_in_part(part, *feature, is_feature);
}

unsigned int RM_start_cycle_in_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    need_part(call, part);
    return next_in_part(part, 0, is_entity);
}

unsigned int RM_next_entity(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return next_in_part(call.live(object).part, object, is_entity);
}

void es0067_(unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    call.need(object);
    const unsigned int part = host::parts::work_part();
    need_part(call, part);
    *object = next_in_part(part, *object, is_entity);
}

void ES_cycle_entities_by_name(unsigned int part, const char* name, unsigned int* object) {
    auto call = HOST_ENTRY_TEXT(name, part, object ? *object : 0);
    next_named(call, part, name, object, is_entity);
}

void ES_cycle_frecs_by_name(unsigned int part, const char* name, unsigned int* feature) {
    auto call = HOST_ENTRY_TEXT(name, part, feature ? *feature : 0);
    next_named(call, part, name, feature, is_feature);
}

}  // extern "C"
