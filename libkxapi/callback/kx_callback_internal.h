// User routines registered with the library: keeping their shared library
// loaded, and the reset of the registrations for tests. Internal to the
// library.
#ifndef KX_CALLBACK_KX_CALLBACK_INTERNAL_H
#define KX_CALLBACK_KX_CALLBACK_INTERNAL_H

#include "kx_types.h"

namespace kx {

// Keeps the shared object that holds the routine loaded for the rest of the
// process (once per object; the program itself and unknown addresses are
// left alone). Every module that registers a user routine calls it.
void disallow_unload(const void* routine);

}  // namespace kx

extern "C" {
// Forgets every part-event and tag-event registration and every hook id,
// as in a new process (the host's own hooks go with the host's reset). For
// tests: call it together with host::control::reset().
void kx_reset_callbacks_for_tests(void);
// Room of the tag-event registration array: 0 while there is none, then 16,
// doubled whenever it is full.
int kx_tag_event_capacity_for_tests(void);
}

#endif
