/* The host's two start-up steps for an external program: the first brings up
 * the host before the interface library marks itself initialised, the second
 * completes it afterwards. Each answers 0 or a start-up code; a test scripts
 * another answer with host::control::return_status("STARTUP_before_interface", code).
 * A failed step leaves the host as it was; a successful one is counted. */
#ifndef HOST_STARTUP_STARTUP_H
#define HOST_STARTUP_STARTUP_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int STARTUP_before_interface(void);
int STARTUP_after_interface(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::startup {
struct State {
    int before_runs;  // successful runs of the first step
    int after_runs;   // successful runs of the second step
    bool host_up;     // the first step has succeeded since the last reset
};
State state();
}  // namespace host::startup
#endif

#endif
