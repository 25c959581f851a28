#include "tests/support/fresh_process.h"

#include "host/control/control.h"
#include "libkxapi/core/kx_session.h"

namespace kxtest {

void fresh_process() {
    kx_reset_session_for_tests();
    host::control::reset();
    host::control::clear_decoders();
}

}  // namespace kxtest
