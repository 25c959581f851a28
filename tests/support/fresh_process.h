// The starting state of a process, for tests that run whole programs in
// one test process: the library's session and the whole host as they are
// when the process has just loaded them.
#ifndef TESTS_SUPPORT_FRESH_PROCESS_H
#define TESTS_SUPPORT_FRESH_PROCESS_H

namespace kxtest {

// Resets the library's session state and every service and model
// component of the host, and drops the registered message decoders (the
// library registers them again when a session starts).
void fresh_process();

}  // namespace kxtest

#endif
