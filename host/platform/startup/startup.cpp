// The host's start-up steps for an external program.
#include "host/platform/startup/startup.h"

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/fm.h"

namespace host::startup {
namespace {
State& st() { return service_state<State>("startup"); }
const bool registered = (st(), true);
}  // namespace
State state() { return st(); }
}  // namespace host::startup

extern "C" {

int STARTUP_before_interface(void) {
    auto call = HOST_ENTRY();
    int status;
    if (call.status(status) && status != 0) return status;
    auto& s = host::startup::st();
    ++s.before_runs;
    s.host_up = true;
    host::fm::set_open(true);
    return 0;
}

int STARTUP_after_interface(void) {
    auto call = HOST_ENTRY();
    int status;
    if (call.status(status) && status != 0) return status;
    ++host::startup::st().after_runs;
    return 0;
}

}  // extern "C"
