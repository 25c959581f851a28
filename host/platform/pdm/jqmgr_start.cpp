// The product-data manager's start for a user program that asks for it.
#include "host/platform/cfi/cfi.h"
#include "host/base/hook.h"
#include "host/platform/support/support.h"

extern "C" void JQMGR_initialise_if_required(void) {
    HOST_ENTRY();
    // The manager runs only where the environment names its server.
    if (ENV_translate_variable("JQMGR_SERVER")) host::support::set_jqmanager_active(true);
}
