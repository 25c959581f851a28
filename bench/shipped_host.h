// The host as a user's process has it. A reset for tests clears every
// service and turns the call journal on, for the tests that read it; the
// shipped library starts with the journal off, and so do the benchmarks.
#pragma once

#include "host/control/control.h"

namespace bench {

inline void reset_host() {
    host::control::reset();
    host::control::set_journal(false);
}

}  // namespace bench
