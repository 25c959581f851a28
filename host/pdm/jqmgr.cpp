// The product-data manager's teardown.
#include "host/hook.h"
#include "host/services/fm.h"
#include "host/support/support.h"

extern "C" void JQMGR_terminate(void) {
    HOST_ENTRY();
    host::support::set_jqmanager_active(false);
    ++host::fm::mutable_state().jqmgr_terminations;
}
