// The state of a host service (memory counts, error frames and log, texts,
// listing, events, support answers ...): what a reset of the host clears but
// an undo mark does not snapshot (model components are for that, see
// host/base/model.h). A service whose state must be C globals (a common block)
// registers its reset with register_service_reset.
//
//     namespace {
//     struct Listing {
//         std::string text;
//         bool shown = false;
//     };
//     Listing& st() { return host::service_state<Listing>("listing"); }
//     const bool registered = (st(), true);  // reset from the start
//     }
//
// Each State type is one service value, made on first use; every
// host::reset_all makes it State{} again, or calls State::reset() when the
// type has one (for state that partly outlives a reset, such as the live
// blocks of the memory service).
#ifndef HOST_SERVICE_STATE_H
#define HOST_SERVICE_STATE_H

namespace host {

// fn runs on every host::reset_all, in order of registration (host/base/model.h).
void register_service_reset(const char* name, void (*fn)());

template <class State>
State& service_state(const char* name) {
    static State value{};
    static const bool registered = (register_service_reset(name,
                                                           [] {
                                                               if constexpr (requires { value.reset(); }) value.reset();
                                                               else value = State{};
                                                           }),
                                    true);
    (void)registered;
    return value;
}

}  // namespace host

#endif
