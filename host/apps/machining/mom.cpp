// The manufacturing output manager's UI hook.
#include "host/base/hook.h"
#include "host/base/services/fm.h"

extern "C" void MOM_TCL_set_ui_add_funcs(int mode) {
    HOST_ENTRY(mode);
    host::fm::mutable_state().ui_add_funcs = mode;
}
