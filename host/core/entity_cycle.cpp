// Cycling through a part's entities and feature records.
#include "host/core/entity_cycle.h"

#include "host/data/parts.h"
#include "host/hook.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace {

constexpr int kFeatureType = 205;

bool is_entity(const host::objects::Object& o) {
    if (o.cls == OM_CLASS_FEATURE || o.type == kFeatureType) return false;
    return OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY) || OM_is_subclass(o.cls, OM_CLASS_OCC_LW);
}
bool is_feature(const host::objects::Object& o) {
    return o.cls == OM_CLASS_FEATURE || (o.type == kFeatureType && OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY));
}

void need_part(const char* fn, unsigned int part) {
    if (!host::objects::part_info(part))
        ERROR_raise(fn, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live part", fn, part);
}
void need(const char* fn, const void* p) {
    if (!p) ERROR_raise(fn, 0, HOST_ERR_NULL_ARGUMENT, "%s: a pointer argument is null", fn);
}

// The first object of the part after `after` (tags grow with creation).
template <class Pred>
unsigned int next_in_part(unsigned int part, unsigned int after, Pred pred) {
    for (unsigned int t : host::objects::objects_of_part(part)) {
        if (t <= after) continue;
        const host::objects::Object* o = host::objects::find(t);
        if (o && pred(*o)) return t;
    }
    return 0;
}

}  // namespace

extern "C" {

void ES_cycle_entities_by_type(unsigned int part, int type, unsigned int* object) {
    HOST_ENTRY("ES_cycle_entities_by_type", part, type, object ? *object : 0);
    need("ES_cycle_entities_by_type", object);
    need_part("ES_cycle_entities_by_type", part);
    *object = next_in_part(part, *object, [type](const host::objects::Object& o) { return is_entity(o) && o.type == type; });
}

void ES_cycle_frecs(unsigned int part, unsigned int* feature) {
    HOST_ENTRY("ES_cycle_frecs", part, feature ? *feature : 0);
    need("ES_cycle_frecs", feature);
    need_part("ES_cycle_frecs", part);
    *feature = next_in_part(part, *feature, is_feature);
}

unsigned int RM_start_cycle_in_part(unsigned int part) {
    HOST_ENTRY("RM_start_cycle_in_part", part);
    need_part("RM_start_cycle_in_part", part);
    return next_in_part(part, 0, is_entity);
}

unsigned int RM_next_entity(unsigned int object) {
    HOST_ENTRY("RM_next_entity", object);
    const host::objects::Object* o = host::objects::find(object);
    if (!o) ERROR_raise("RM_next_entity", 0, HOST_ERR_DEAD_TAG, "RM_next_entity: tag %u is not a live object", object);
    return next_in_part(o->part, object, is_entity);
}

void es0067_(unsigned int* object) {
    HOST_ENTRY("es0067_", object ? *object : 0);
    need("es0067_", object);
    const unsigned int part = host::parts::work_part();
    need_part("es0067_", part);
    *object = next_in_part(part, *object, is_entity);
}

}  // extern "C"
