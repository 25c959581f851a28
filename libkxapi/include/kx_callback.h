/* User callbacks: routines of a program that the interface calls when the
 * host does something to a part, or reports an event on an object.
 *
 * Routines are called oldest registration first. An error raised inside a
 * routine is noted on the host log and never passed on; the routines after
 * it still run for a part event, and are skipped for that tag event.
 * Registering a routine keeps the shared library that holds it loaded for
 * the rest of the process. */
#ifndef KX_CALLBACK_H
#define KX_CALLBACK_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Part-event reasons. */
#define KX_create_part_reason      0
#define KX_open_part_reason        1
#define KX_save_part_reason        2
#define KX_delete_part_reason      3
#define KX_modified_part_reason    4
#define KX_rename_part_reason      5
#define KX_change_work_part_reason 6

/* A part-event routine: the reason, a pointer to the tag of the part the
 * event concerns, and the user data given at registration. Its answer is
 * not used. */
typedef int (*KX_callback_fn_t)(int reason, const void* object, void* user_data);

/* Identifies one registration; an opaque key, not an address. */
typedef void* KX_callback_id_t;

/* Codes: 1105004 bad reason, 1105005 null routine, 1105007 null id output,
 * 750008 the host has not published its part-event reasons yet. */
KXAPI int KX_add_callback_function(int reason, KX_callback_fn_t routine, void* user_data,
                                   KX_callback_id_t* callback_id);
/* Codes: 1105004 null id, 750007 an id that is not registered (unknown or
 * already removed). */
KXAPI int KX_remove_callback_function(KX_callback_id_t callback_id);

/* A tag-event routine: the host's event (1 created, 2 deleted, 3 modified)
 * and the object, then the user data given at registration. */
typedef void (*KX_TAG_event_cb_t)(int event, tag object, void* user_data);

/* Registration ids count from 1; once every registration is removed the
 * next one is 1 again. Codes: 1105004 null routine, 1105006 null id output. */
KXAPI int KX_TAG_register_event_cb(KX_TAG_event_cb_t routine, void* user_data, unsigned int* callback_id);
/* Code 1105004: no registration with this id. */
KXAPI int KX_TAG_unregister_event_cb(unsigned int callback_id);

KX_END_DECLS

#endif
