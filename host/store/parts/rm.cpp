// Entity queries of the record manager over the object store.
#include "host/store/parts/rm.h"

#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

extern "C" {

int RM_ask_entity_type(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return call.live(object).type;
}

void RM_ask_entity_type_and_subtype(unsigned int object, int* type, int* subtype) {
    auto call = HOST_ENTRY(object, type, subtype);
    if (!type || !subtype) call.fail(HOST_ERR_NULL_ARGUMENT, "an output is null");
    const auto& o = call.live(object);
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
