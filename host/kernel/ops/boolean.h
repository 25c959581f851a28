// The boolean's kind of step, for the operations that look for booleans
// among a body's steps (a tool trimmed, copied or taken to another body).
// Inside of the solid kernel: only host/kernel/ sources include it.
#ifndef HOST_KERNEL_OPS_BOOLEAN_H
#define HOST_KERNEL_OPS_BOOLEAN_H

#include "host/kernel/engine/step_kinds.h"

namespace host::kernel::detail::steps {
extern const StepKind boolean;
}  // namespace host::kernel::detail::steps

#endif
