// Boundary-representation queries: the kernel's state lists become arrays
// of records owned by the caller.
#include "kx_brep.h"
#include "libkxapi/core/frame.h"

#include "host/kernel/brep_states.h"
#include "host/services/memory.h"

namespace {

void clear_states(int* count, brep_state** states) {
    if (count) *count = 0;
    if (states) *states = nullptr;
}

// Turns the kernel's list into the caller's records and frees the list.
// The count is set first; with no array pointer only the count is given.
void convert_states(PX_BREP_state_t* list, int* count, brep_state** states) {
    const int n = PX_BREP_ask_num_states(list);
    *count = n;
    if (!states) {
        PX_BREP_free_states(list);
        return;
    }
    if (!list) {
        *states = nullptr;
        return;
    }
    auto* out = static_cast<brep_state*>(SM_alloc(static_cast<std::size_t>(n) * sizeof(brep_state)));
    *count = 0;
    for (const PX_BREP_state_t* s = list; s; s = s->next) {
        brep_state& r = out[(*count)++];
        r.first = s->first;
        r.second = s->second;
        for (int i = 0; i < 3; ++i) r.values[i] = s->values[i];
        r.third = s->third;
        r.fourth = s->fourth;
        r.fifth = s->fifth;
    }
    *states = out;
    PX_BREP_free_states(list);
}

// The frame of a query with states: the states are converted after the
// host's call whatever its result; a caught host error leaves them as
// cleared. count_param: the count's place in the argument list (the count
// is required).
template <class Host>
int with_states(int count_param, int* count, brep_state** states, Host&& host) {
    return kx::frame(
        [&] {
            if (!count) return kx::param(count_param);
            clear_states(count, states);
            return 0;
        },
        [&] {
            PX_BREP_state_t* list = nullptr;
            const int st = host(&list);
            convert_states(list, count, states);
            return st;
        });
}

}  // namespace

extern "C" KXAPI int KX_BREP_ask_topology(int entity, int cls, int limit, int* n_states, brep_state** states) {
    return with_states(4, n_states, states,
                       [&](PX_BREP_state_t** list) { return PX_BREP_ask_topology(entity, cls, limit, list); });
}

extern "C" KXAPI int KX_BREP_validate_topology(int body, int* n_states, brep_state** states) {
    return with_states(2, n_states, states,
                       [&](PX_BREP_state_t** list) { return PX_BREP_validate_topology(body, list); });
}

extern "C" KXAPI void KX_BREP_ask_identifier(int entity, int* identifier) {
    int found = 0;
    const int st = kx::frame([&] {
        kx::clear(identifier);
        if (!identifier) return kx::param(2);
        return PX_BREP_ask_identifier(entity, &found);
    });
    if (identifier) *identifier = st == 0 ? found : 0;
}
