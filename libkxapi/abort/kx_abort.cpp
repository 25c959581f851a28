// Abort control: the host's abort flag and its lock level.
#include "kx_abort.h"
#include "kx_core.h"
#include "libkxapi/core/frame.h"

#include "host/platform/support/support.h"

KXAPI int KX_ABORT_ask_flag_status(logical* flag_status) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{flag_status, 1}});
        },
        [&] { *flag_status = ABORT_ask_flag_status() ? 1 : 0; });
}

KXAPI int KX_ABORT_clear_abort(void) {
    return kx::frame(kx::arm_first, [] { ABORT_clear_abort(); });
}

KXAPI int KX_ABORT_disable_abort(void) {
    return kx::frame(kx::arm_first, [] { ABORT_increment_lock_level(); });
}

KXAPI int KX_ABORT_enable_abort(void) {
    return kx::frame(kx::arm_first, [] { ABORT_decrement_lock_level(); });
}
