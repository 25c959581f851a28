// The caller's own error handlers: a caller arms a jump buffer of its own,
// and a host error raised in a later call of the interface returns there.
#include "kx_core.h"

#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "host/base/services/error.h"

KXAPI int KX_ERROR_set_handler(jmp_buf buffer) {
    return kx::guarded([&] {
        if (!buffer || !kx::session_open()) return -1;
        return ERROR_set_handler(ERROR__default_handler, buffer);
    });
}

KXAPI void KX_ERROR_cancel_handler(int handler_id) {
    kx::guarded([&] {
        if (handler_id == -1 || !kx::session_open()) return;
        ERROR_cancel_handler(handler_id);
    });
}

KXAPI int KX_ERROR_ask_failure_code(void) {
    return kx::guarded([] {
        if (!kx::session_open()) return kx::kNotInitialized;
        return ERROR_ask_failure_code();
    });
}
