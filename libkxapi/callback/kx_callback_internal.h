// User routines registered with the library: keeping their shared library
// loaded, and the reset of the registrations for tests. Internal to the
// library.
#ifndef KX_CALLBACK_KX_CALLBACK_INTERNAL_H
#define KX_CALLBACK_KX_CALLBACK_INTERNAL_H

#include "kx_types.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/tag/kx_tag_event_internal.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"

namespace kx {

// Keeps the shared object that holds the routine loaded for the rest of the
// process (once per object; the program itself and unknown addresses are
// left alone). Every module that registers a user routine calls it.
void disallow_unload(const void* routine);

// Runs f in the user-program run-time environment under an error frame of
// its own. When an error (or any exception) comes back, on_error notes it,
// then the frame and the environment are restored and nothing is passed on.
template <class F, class OnError>
void run_protected(F&& f, OnError&& on_error) {
    const int env = RTENV_set_jqopen_env();
    {
        // Unless an error consumed it, the scope's frame is cancelled on the
        // way out, and with it any frame that the routine armed and left
        // behind.
        kx::frame_scope scope;
        try {
            f();
        } catch (const host::HostError& e) {
            scope.caught(e);
            on_error();
        } catch (...) {
            on_error();
        }
    }
    RTENV_set_env(env);
}


}  // namespace kx

extern "C" {
// Forgets every part-event and tag-event registration and every hook id,
// as in a new process (the host's own hooks go with the host's reset). For
// tests: call it together with host::control::reset().
void kx_reset_callbacks_for_tests(void);
}

#endif
