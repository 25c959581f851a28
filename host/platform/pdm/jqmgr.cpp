// The product-data manager's teardown.
#include "host/base/hook.h"
#include "host/base/services/fm.h"
#include "host/platform/support/support.h"

extern "C" void JQMGR_terminate(void) {
    HOST_ENTRY();
    host::support::set_jqmanager_active(false);
    ++host::fm::mutable_state().jqmgr_terminations;
}
