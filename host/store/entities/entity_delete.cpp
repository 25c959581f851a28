// The list manager, the model update and the deletion routines.
#include "host/store/entities/entity_delete.h"

#include <algorithm>
#include <map>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

int a6503_[8] = {};  // C linkage from the declaration in the header

namespace host::entity {
namespace {

struct Lists {
    std::map<int, ListState> lists;
    int current = 1;
    int updates = 0;
    std::vector<unsigned int> deleted;
};
Lists& lm() { return service_state<Lists>("list manager"); }
const bool registered = (lm(), true);

ListState& cur() { return lm().lists[lm().current]; }

ListState& open_current(const Call& call) {
    ListState& l = cur();
    if (!l.open) call.fail(HOST_ERR_INTERNAL, "list %d is not open", lm().current);
    return l;
}

OM_class_t cso_class() {
    static OM_class_t c = objects::register_class("CSO_c", OM_CLASS_RM_ENTITY);
    return c;
}
const bool cso_registered = (cso_class(), true);

// Deletion of types 32 and 33.
void delete_kind(const Call& call, const unsigned int* object, int* state, int* extra) {
    call.need(object);
    call.need(state);
    call.need(extra);
    call.live(*object);
    if (attrs(*object).in_use) {
        *state = 2;
        *extra = 0;
        return;
    }
    destroy_with_dependents(*object);
    *state = 1;
    *extra = 1;
}

}  // namespace

const ListState& list_state(int list) { return lm().lists[list]; }
int current_list() { return lm().current; }
int updates_run() { return lm().updates; }
const std::vector<unsigned int>& deleted_by_update() { return lm().deleted; }

namespace {
// Constant-initialised: a registration made during start-up stays.
bool (*g_kernel_body_faces)(unsigned int, unsigned int*, int*) = nullptr;
}  // namespace

void set_kernel_body_faces(bool (*answer)(unsigned int object, unsigned int* entity, int* faces)) {
    g_kernel_body_faces = answer;
}

void destroy_with_dependents(unsigned int object) {
    const objects::Object* o = objects::find(object);
    if (!o) return;
    std::vector<unsigned int> held;
    if (o->type == HOST_TYPE_SOLID || o->type == HOST_TYPE_DRAWING) {
        attrs(object);
        held = members_of(object);
    }
    parts::note_change(object);
    objects::destroy(object);
    for (unsigned int t : held)
        if (objects::is_alive(t)) destroy_with_dependents(t);
}

}  // namespace host::entity

namespace he = host::entity;

namespace host::update_steps {
namespace {
std::vector<void (*)()>& steps() {
    static std::vector<void (*)()> added;
    return added;
}
// Constant-initialised: a registration made during start-up stays.
void (*g_model_update)() = nullptr;
}  // namespace
void add(void (*step)()) { steps().push_back(step); }
void set_model_update(void (*update)()) { g_model_update = update; }
void run_model_update() {
    if (g_model_update) g_model_update();
}
}  // namespace host::update_steps

extern "C" {

int LM_is_list_open(int list) {
    HOST_ENTRY(list);
    auto it = he::lm().lists.find(list);
    return it != he::lm().lists.end() && it->second.open ? 1 : 0;
}

void LM_open_list(void) {
    auto call = HOST_ENTRY();
    he::ListState& l = he::cur();
    if (l.open) call.fail(HOST_ERR_INTERNAL, "list %d is open", he::lm().current);
    l = he::ListState{};
    l.open = true;
}

void LM_open_list_for_delete(void) {
    auto call = HOST_ENTRY();
    he::ListState& l = he::cur();
    if (l.open) call.fail(HOST_ERR_INTERNAL, "list %d is open", he::lm().current);
    l = he::ListState{};
    l.open = true;
    l.for_delete = true;
}

int LM_change_current_list(int list) {
    auto call = HOST_ENTRY(list);
    if (list < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "list %d", list);
    const int before = he::lm().current;
    he::lm().current = list;
    return before;
}

void LM_abort_list(void) {
    HOST_ENTRY();
    he::cur() = he::ListState{};
}

void UPDATE_log_entity_to_delete(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    auto& v = he::open_current(call).to_delete;
    if (std::find(v.begin(), v.end(), object) == v.end()) v.push_back(object);
}

int UPDATE_do_update(void) {
    auto call = HOST_ENTRY();
    int status;
    if (call.status(status)) return status;
    he::ListState l = he::cur();
    he::cur() = he::ListState{};
    ++he::lm().updates;
    for (unsigned int t : l.to_delete)
        if (host::objects::is_alive(t)) {
            he::lm().deleted.push_back(t);
            he::destroy_with_dependents(t);
        }
    host::update_steps::run_model_update();
    for (void (*step)() : host::update_steps::steps()) step();
    return 0;
}

int esinsx_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    call.need(object);
    call.live(*object);
    return static_cast<int>(call.int_out(0, he::attrs(*object).in_use ? 1 : 0));
}

void es3290_(const unsigned int* object, int* state, int* extra) {
    auto call = HOST_ENTRY(object ? *object : 0);
    he::delete_kind(call, object, state, extra);
}

void es3390_(const unsigned int* object, int* state, int* extra) {
    auto call = HOST_ENTRY(object ? *object : 0);
    he::delete_kind(call, object, state, extra);
}

void es7034_(const unsigned int* object, unsigned int* entity, int* faces) {
    auto call = HOST_ENTRY(object ? *object : 0);
    call.need(object);
    call.need(entity);
    call.need(faces);
    call.live(*object);
    // A face or edge of a kernel body: the object is the entity the surface
    // and curve queries take, and its body is the kernel's. The sheet a face
    // object holds is no body of the model: the
    // face's body is its owner, as for a face without a kernel face.
    if (he::g_kernel_body_faces && he::g_kernel_body_faces(*object, entity, faces)) return;
    const unsigned int owner = he::attrs(*object).owner;
    const bool in_body = owner != 0 && host::objects::is_alive(owner);
    *entity = in_body ? *object : 0;
    if (in_body) he::attrs(owner);
    *faces = in_body ? static_cast<int>(he::members_of(owner).size()) : 0;
}

void es1512_(const unsigned int* group, int* context) {
    auto call = HOST_ENTRY(group ? *group : 0, context);
    call.need(group);
    call.need(context);
    call.live(*group);
    he::attrs(*group);
    if (he::find_rare(*group)) he::rare(*group).members.clear();
}

int CSO_ask_class(void) {
    HOST_ENTRY();
    return he::cso_class();
}

void CSO_delete_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live_of_class(object, he::cso_class(), "a smart object");
    he::destroy_with_dependents(object);
}

}  // extern "C"
