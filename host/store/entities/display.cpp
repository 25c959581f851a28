// Display services: suppression, external set-up, regeneration and update.
#include "host/store/entities/display.h"

#include "host/store/entities/entity_delete.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::display {
namespace {
State& st() { return service_state<State>("display"); }
const bool registered = (st(), true);
}  // namespace
const State& state() { return st(); }
void set_display_flag(int flag) { st().display_flag = flag; }
}  // namespace host::display

namespace hd = host::display;

extern "C" {

void DSS_set_suppress_display(int level) {
    HOST_ENTRY(level);
    hd::st().suppress_level = level;
}

int DSS_ask_suppress_display(void) {
    HOST_ENTRY();
    return hd::st().suppress_level;
}

void DSS_init_external_kxapi(void) {
    HOST_ENTRY();
    hd::st().external_kxapi = true;
}

void VWDISP_load_cust_defaults(void) {
    HOST_ENTRY();
    ++hd::st().cust_defaults_loads;
}

void dsp800_(int* flag) {
    auto call = HOST_ENTRY(flag);
    call.need(flag, "the flag output");
    *flag = static_cast<int>(call.int_out(0, hd::st().display_flag));
}

int DSS_REGEN_regen_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    int status;
    if (call.status(status)) return status;
    call.live(object);
    hd::st().regenerated.push_back(object);
    return 0;
}

int UPDATE_do_update_no_message(void) {
    auto call = HOST_ENTRY();
    int status;
    if (call.status(status)) return status;
    ++hd::st().updates;
    host::update_steps::run_model_update();
    return 0;
}

}  // extern "C"
