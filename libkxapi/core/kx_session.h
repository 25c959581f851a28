// Session state that other parts of the library read, and the reset that
// lets tests simulate a fresh process. Internal to the library.
#ifndef KX_CORE_KX_SESSION_H
#define KX_CORE_KX_SESSION_H

#include "kx_types.h"

namespace kx {

// The text mode (KX_TEXT_set_text_mode): 1 selects creating C strings as
// new host strings, any other value initialising them from the bytes.
int text_mode();
void set_text_mode(int mode);

// Registers the library's message table of the band starting at base with
// the host's error service (a base without a table of the library: nothing).
void register_band(int base);

// A retired entry point reports one use of itself: asks the journal's mode
// and records the call (mode 1: counted; mode 2: counted under `name`).
// `name` is the entry point's exported name, a literal.
void note_retired(const char* name);

// Registers the STL band 1570000 once per process (the start-up and the
// STL module both call it).
void register_stl_band();

// A family's part in the session: what it registers once per process when
// the session starts (after the library's message bands), and what it puts
// back when tests reset the session. The start-up does not name the
// families: each declares one registration object in its own source,
//
//     const kx::session_member registered{"undo", 20, [] { RDEBUG_register_token("KX_UNDO"); }};
//
// Start-up steps run in ascending order (then by family name), resets in
// the same order.
struct session_member {
    session_member(const char* family, int order, void (*startup)(), void (*reset)() = nullptr);
};

// A view of the session state, for tests and diagnostics.
struct SessionState {
    bool initialized;
    int nesting;
    bool once_started;
    bool custom_app;
    int text_mode;
    int retiring_mode;  // the journal's stored mode (without reading the environment)
    int retired_total;  // calls counted in mode 1
    int retired_names;  // distinct names counted in mode 2
};
SessionState session_state();

}  // namespace kx

extern "C" {
// Puts every process-wide state of the session (flags, nesting count, text
// mode, the retired-function journal, the once-per-process guards) back to
// its value at load, as if the process had just started. The journal's
// names are freed without a report. For tests: call it together with the
// host's reset (host::control::reset(), and host::control::clear_decoders()
// when the registrations should run again).
void kx_reset_session_for_tests(void);
}

#endif
