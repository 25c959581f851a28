// Cycling through a part's entities and feature records.
//
// A step of a cycle finds the first object of the part after the last one
// handed out. Scanning the whole store for each step would make one cycle
// through a part quadratic in the number of objects, so the steps work on an
// index: per part, the tags of its objects in creation order (tags grow with
// creation), built by one pass over the store when a cycle starts. A step
// then finds its place by binary search and walks on from there, skipping
// objects that died or left the part since the index was built.
//
// The index of a part is built again when a cycle starts (a step from 0),
// when objects may have been made since it was built (the store's next tag
// has moved on: tags are handed out in sequence and never again, so an
// object made later has a tag at or above the one read at the build), and
// when the model was rolled back (which may bring objects back) or reset.
#include "host/core/entity_cycle.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/core/entity_types.h"
#include "host/data/parts.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/objects.h"

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

// ---- The index of the parts' objects ------------------------------------

struct PartIndex {
    std::vector<tag_t> tags;  // the part's objects when built, ascending
    tag_t next_tag = 0;       // the store's next tag when built
};

class CycleIndex : public host::ModelComponent {
public:
    CycleIndex() { host::register_model_component(this); }
    const char* name() const override { return "cycle index"; }
    // The index holds no model state: a snapshot is empty, and a roll-back
    // (which may bring objects back or take them away) drops the index.
    std::shared_ptr<const void> snapshot() const override { return std::make_shared<int>(0); }
    void restore(const void*) override { parts_.clear(); }
    void reset() override { parts_.clear(); }

    // The index of the part, built again when a cycle starts or when objects
    // were made since.
    const PartIndex& of(tag_t part, bool starting) {
        auto it = parts_.find(part);
        if (it == parts_.end() || starting || it->second.next_tag != host::objects::next_tag())
            it = parts_.insert_or_assign(part, build(part)).first;
        return it->second;
    }

private:
    static PartIndex build(tag_t part) {
        // In creation order: ascending tags.
        return {host::objects::objects_of_part(part), host::objects::next_tag()};
    }

    std::unordered_map<tag_t, PartIndex> parts_;
};

CycleIndex& cycle_index() {
    static auto* index = new CycleIndex;  // lives as long as the process
    return *index;
}
const bool index_registered = (cycle_index(), true);

// The first object of the part after `after` that the predicate accepts,
// or 0.
template <class Pred>
tag_t next_in_part(tag_t part, tag_t after, Pred pred) {
    const PartIndex& index = cycle_index().of(part, after == 0);
    for (auto it = std::upper_bound(index.tags.begin(), index.tags.end(), after); it != index.tags.end(); ++it) {
        const Object* o = host::objects::find(*it);
        if (o && o->part == part && pred(*o)) return *it;
    }
    return 0;
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

}  // extern "C"
