// The host's state lists of repairs (host/kernel/bsurf/bsurf.h): a state added
// with its three values; a full list keeps what it holds.
#include "host/kernel/bsurf/bsurf.h"
#include "host/base/hook.h"

extern "C" {

void BCEV_add_state(BC_states_t* states, int code, const double values[3]) {
    auto call = HOST_ENTRY(states, code);
    call.need(values, "the values");
    if (!states || states->count >= BC_MAX_STATES) return;
    BC_state_t& s = states->entry[states->count++];
    s.code = code;
    for (int i = 0; i < 3; ++i) s.value[i] = values[i];
}

int BCEV_ask_num_states(const BC_states_t* states) {
    auto call = HOST_ENTRY(states);
    call.need(states, "the state list");
    return states->count;
}

}  // extern "C"
