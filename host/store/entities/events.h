/* The host's event services: part events (a part is created, opened, saved,
 * deleted, modified, renamed; the work part changes) and tag events, each
 * dispatched to the routines hooked into the host for it.
 *
 * Part events are hooked per host reason value with CALLBACK_add_function
 * (the reason values PART_..._reason below are data of the host's data
 * library) and, for the change of work part, with
 * CONTEXT_add_chg_work_part_cb. Each hook gets a hook id (> 0); a hook is
 * removed through the service that added it (CALLBACK_remove_function,
 * CONTEXT_remove_chg_work_part_cb). Tag events are hooked with
 * TAG_register_event_cb.
 *
 * Other host parts fire events with the plain C++ functions of
 * host::events (below): a part service that saves a part calls
 *
 *     host::events::fire_part_event(host::events::kSaved, part);
 *
 * The host calls the hooks of one event in the order they were added; a
 * hook removed while an event is being dispatched is not called any more
 * for it, a hook added meanwhile is called from the next event on.
 *
 * Event data handed to a part-event hook (the first 32-bit word always
 * names the part, except for the open event, where it is the second):
 *   created, saved, deleted, renamed: struct PART_event_data, flag 0;
 *   modified:                          struct PART_event_data, flag 1 when
 *                                      the modification counts (0: a change
 *                                      that does not touch the model);
 *   opened:                            struct PART_open_event_data;
 *   work part changed:                 struct CONTEXT_work_part_event_data.
 *
 * Tag events: the host calls each tag-event hook with (event, object);
 * the host fires TAG_EVENT_DELETED for every object of the object store
 * that dies. Other events are fired by the services concerned.
 *
 * Checks: a null routine raises HOST_ERR_NULL_ARGUMENT, an unknown reason
 * value HOST_ERR_BAD_ARGUMENT. Removing an unknown hook id answers 0 (false)
 * and removes nothing.
 */
#ifndef HOST_CORE_EVENTS_H
#define HOST_CORE_EVENTS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

struct PART_event_data {
    unsigned int part;
    unsigned char flag;
};

struct PART_open_event_data {
    unsigned int load_status; /* 0: the part loaded fully */
    unsigned int part;
};

struct CONTEXT_work_part_event_data {
    unsigned int work_part; /* the new work part */
    unsigned int previous;  /* the work part before, 0 for none */
};

/* A part-event hook: the event's data and the client data given when it
 * was added. */
typedef void (*CALLBACK_function_t)(const void* event_data, void* client_data);

/* The host's part-event reason values (data of the host's data library). A
 * value of 0 means the part service has not published its reasons yet. */
extern int PART_create_part_reason;
extern int PART_open_part_reason;
extern int PART_save_part_reason;
extern int PART_delete_part_reason;
extern int PART_modified_reason;
extern int PART_rename_part_reason;

int CALLBACK_add_function(int reason_value, CALLBACK_function_t routine, void* client_data);
/* 1 when the hook was removed, 0 for an unknown id. */
int CALLBACK_remove_function(int hook_id);

int CONTEXT_add_chg_work_part_cb(CALLBACK_function_t routine, void* client_data);
/* 1 when the hook was removed, 0 for an unknown id. */
int CONTEXT_remove_chg_work_part_cb(int hook_id);

#define TAG_EVENT_CREATED  1
#define TAG_EVENT_DELETED  2
#define TAG_EVENT_MODIFIED 3

/* A tag-event hook: the event and the object. */
typedef void (*TAG_event_fn_t)(int event, unsigned int object);

/* Hooks a routine for every tag event; options must be 0. Answers the hook
 * id (> 0). */
int TAG_register_event_cb(TAG_event_fn_t routine, int options);
/* 1 when the hook was removed, 0 for an unknown id. */
int TAG_unregister_event_cb(int hook_id);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::events {

// Part-event reasons as the host's services fire them.
enum PartReason {
    kCreated = 0,
    kOpened = 1,
    kSaved = 2,
    kDeleted = 3,
    kModified = 4,
    kRenamed = 5,
    kWorkPartChanged = 6,
};

// Fires a part event for the part (reason 0 to 6; other values raise
// HOST_ERR_BAD_ARGUMENT). A modification fires with flag 1, an open with
// load status 0, a change of work part with no previous work part.
void fire_part_event(int reason, unsigned int part);
// The same with the event's other word: the modification flag (reason 4),
// the load status (reason 1) or the previous work part (reason 6); ignored
// for the other reasons.
void fire_part_event(int reason, unsigned int part, unsigned int extra);
// Fires a tag event to every tag-event hook.
void fire_tag_event(int event, unsigned int object);

// Observation for tests.
int part_hook_count(int reason);  // hooks in place for the reason (0 to 6)
int tag_hook_count();
// Sets the six reason values to 0 (not published yet) or back to theirs.
void publish_reason_values(bool on);

}  // namespace host::events
#endif

#endif
