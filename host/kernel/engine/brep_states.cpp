// State lists of the kernel's boundary-representation services: the
// entities of a body described one node each, and the faults of a check.
#include "host/kernel/engine/brep_states.h"

#include <memory>
#include <utility>

#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace hk = host::kernel;

// Builds a list in order, owning it until it is handed out.
class StateList {
public:
    StateList() = default;
    StateList(const StateList&) = delete;
    StateList& operator=(const StateList&) = delete;
    ~StateList() { PX_BREP_free_states(head_); }

    void add(const PX_BREP_state_t& s) {
        auto* node = new PX_BREP_state_t(s);
        node->next = nullptr;
        (tail_ ? tail_->next : head_) = node;
        tail_ = node;
    }
    PX_BREP_state_t* release() {
        tail_ = nullptr;
        return std::exchange(head_, nullptr);
    }

private:
    PX_BREP_state_t* head_ = nullptr;
    PX_BREP_state_t* tail_ = nullptr;
};

void box_centre(int entity, double out[3]) {
    double box[6];
    ZQ_TOPOL_find_box(entity, box);
    for (int i = 0; i < 3; ++i) out[i] = (box[i] + box[i + 3]) / 2;
}

int count_connected(int entity, int cls) {
    int* found = nullptr;
    int n = 0;
    const int st = KI_idcoen_sm(entity, cls, &found, &n);
    SM_free(found);
    return st == 0 ? n : 0;
}

// Type and number of parts of one entity.
void type_and_parts(int entity, int cls, int* type, int* parts) {
    int ifail = 0, sense = 0;
    double p[3], d[3], r = 0, r2 = 0;
    *type = 0;
    *parts = 0;
    switch (cls) {
        case ZQ_CLASS_FACE:
            ZQ_FACE_ask_data(entity, type, p, d, &r, &r2, &sense);
            *parts = count_connected(entity, ZQ_CLASS_LOOP);
            break;
        case ZQ_CLASS_LOOP:
            KI_enloty(&entity, type, &ifail);
            *parts = count_connected(entity, ZQ_CLASS_EDGE);
            break;
        case ZQ_CLASS_EDGE:
            ZQ_EDGE_ask_curve_data(entity, type, p, d, &r);
            *parts = count_connected(entity, ZQ_CLASS_VERTEX);
            break;
        case ZQ_CLASS_BODY:
            ZQ_BODY_ask_type(entity, type);
            *parts = count_connected(entity, ZQ_CLASS_FACE);
            break;
        default: break;
    }
}

}  // namespace

extern "C" {

int PX_BREP_ask_num_states(const PX_BREP_state_t* states) {
    int n = 0;
    for (; states; states = states->next) ++n;
    return n;
}

void PX_BREP_free_states(PX_BREP_state_t* states) {
    while (states) delete std::exchange(states, states->next);
}

int PX_BREP_ask_topology(int entity, int cls, int limit, PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(entity, cls, limit, states);
    call.need(states, "the state list output");
    *states = nullptr;
    int* found = nullptr;
    int n = 0;
    if (const int st = KI_idcoen_sm(entity, cls, &found, &n))
        call.fail(st, "entity %d has no entities of class %d", entity, cls);
    // The kernel's array is given back with SM_free once read; a raise on
    // the way takes it back quietly (a destructor must not raise).
    std::unique_ptr<int, void (*)(void*) noexcept> hold(found, &host::memory::take_back);
    if (limit > 0 && n > limit) n = limit;
    StateList list;
    for (int i = 0; i < n; ++i) {
        PX_BREP_state_t s{};
        s.first = cls;
        s.second = found[i];
        box_centre(found[i], s.values);
        type_and_parts(found[i], cls, &s.third, &s.fourth);
        s.fifth = static_cast<int>(hk::object_of(found[i]));
        list.add(s);
    }
    SM_free(hold.release());
    *states = list.release();
    return 0;
}

int PX_BREP_validate_topology(int body, PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(body, states);
    call.need(states, "the state list output");
    *states = nullptr;
    int fault = ZQ_FAULT_NONE;
    ZQ_BODY_check(body, &fault);
    StateList list;
    if (fault != ZQ_FAULT_NONE) {
        PX_BREP_state_t s{};
        s.first = fault;
        s.second = body;
        box_centre(body, s.values);
        list.add(s);
    }
    *states = list.release();
    return 0;
}

int PX_BREP_ask_identifier(int entity, int* identifier) {
    auto call = HOST_ENTRY(entity, identifier);
    call.need(identifier, "the identifier output");
    int cls = 0;
    ZQ_ENTITY_ask_class(entity, &cls);  // raises for no entity
    *identifier = entity;
    return 0;
}

int PX_ask_ptag_of_jq_eid(unsigned int object) {
    HOST_ENTRY(object);
    if (object == 0 || TAG_ask_pointer_of_tag(object) == nullptr) return -1;
    return hk::entity_of(object);
}

}  // extern "C"
