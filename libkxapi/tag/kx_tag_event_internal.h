// Tag events: the registrations' reset and their room, for the callback
// reset and for tests. Internal to the library.
#ifndef KX_TAG_KX_TAG_EVENT_INTERNAL_H
#define KX_TAG_KX_TAG_EVENT_INTERNAL_H

namespace kx {

// Forgets every tag-event registration and the hook id (ids given before
// stay unknown).
void reset_tag_events();

}  // namespace kx

extern "C" {
// Room of the tag-event registration array: 0 while there is none, then 16,
// doubled whenever it is full.
int kx_tag_event_capacity_for_tests(void);
}

#endif
