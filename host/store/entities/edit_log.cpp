// Sketch and update-log tail of edits, smart objects, coordinate-system
// activation (see edit_log.h).
#include "host/store/entities/edit_log.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::edit_log {
namespace {

// The live sketch that lists the object as a member, or 0.
tag_t sketch_of(tag_t object) {
    for (tag_t t : objects::objects_of_type(HOST_TYPE_SKETCH)) {
        const objects::Object* o = objects::find(t);
        if (!o || o->type != HOST_TYPE_SKETCH) continue;
        for (tag_t m : entity::members_of(t))
            if (m == object) return t;
    }
    return 0;
}

// The update log is model state: undo rolls it back with the model.
struct Log {
    std::vector<LogEntry> entries;
};
Log& log() { return model_state<Log>("update log"); }

struct Service {
    std::vector<tag_t> sketch_edits;
    tag_t activated = 0;
};
Service& svc() { return service_state<Service>("edit log"); }
const bool registered = (log(), svc(), true);

}  // namespace

std::vector<LogEntry> update_log() { return log().entries; }
std::vector<tag_t> sketch_edits() { return svc().sketch_edits; }
tag_t activated_object() { return svc().activated; }

}  // namespace host::edit_log

namespace he = host::edit_log;

extern "C" {

int SO_is_so(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const auto* a = host::entity::find(object);
    return static_cast<int>(call.int_out(0, a && a->smart ? 1 : 0));
}

void CS2_activate_cs_of_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    he::svc().activated = object;
}

int ES_find_sketch_of_member(unsigned int object, unsigned int* sketch) {
    auto call = HOST_ENTRY(object, sketch);
    call.live(object);
    const unsigned int s = he::sketch_of(object);
    if (sketch) *sketch = s;
    return static_cast<int>(call.int_out(0, s != 0 ? 1 : 0));
}

void sk_edit_curve_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0u);
    call.need(object, "the object");
    call.live(*object);
    he::svc().sketch_edits.push_back(*object);
}

void UPDATE_log_entity_to_update(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    he::log().entries.push_back({object, false, 0, 0});
}

void UPDATE_log_entity_int_app_data(unsigned int object, int kind, int value) {
    auto call = HOST_ENTRY(object, kind, value);
    call.live(object);
    he::log().entries.push_back({object, true, kind, value});
}

}  // extern "C"
