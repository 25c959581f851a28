// Entity queries of the record manager over the object store.
#include "host/data/rm.h"

#include "host/data/parts.h"
#include "host/hook.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace {
const host::objects::Object& entity(const char* function, unsigned int object) {
    const host::objects::Object* o = host::objects::find(object);
    if (!o) ERROR_raise(function, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", function, object);
    return *o;
}
}  // namespace

extern "C" {

int RM_ask_entity_type(unsigned int object) {
    HOST_ENTRY(object);
    return entity("RM_ask_entity_type", object).type;
}

void RM_ask_entity_type_and_subtype(unsigned int object, int* type, int* subtype) {
    HOST_ENTRY(object, type, subtype);
    if (!type || !subtype)
        ERROR_raise("RM_ask_entity_type_and_subtype", 0, HOST_ERR_NULL_ARGUMENT,
                    "RM_ask_entity_type_and_subtype: an output is null");
    const auto& o = entity("RM_ask_entity_type_and_subtype", object);
    *type = o.type;
    *subtype = o.subtype;
}

unsigned int RM_ask_new_tag_of_entity(unsigned int eid) {
    HOST_ENTRY(eid);
    // The call names no part: an id that several open parts share means the
    // work part's object.
    return host::objects::tag_of_eid(eid, host::parts::work_part());
}

}  // extern "C"
