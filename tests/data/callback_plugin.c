/* A user library for the callback tests: loaded with dlopen, it registers a
 * part-event routine of its own; the test then unloads it and fires the
 * event. */
#include <stddef.h>

#include "host/base/services/error.h"
#include "kx_callback.h"

static int calls;
static unsigned int last_part;

/* Counts its calls; with user data it raises an error, as a faulty user
 * routine would. */
static int on_part_event(int reason, const void* object, void* user_data) {
    (void)reason;
    ++calls;
    last_part = *(const tag*)object;
    if (user_data != NULL) ERROR_raise("callback_plugin", 1, 750099, "failure inside the plugin's routine");
    return 0;
}

int callback_plugin_register(int reason, int fail, KX_callback_id_t* id) {
    static int fail_marker;
    return KX_add_callback_function(reason, on_part_event, fail ? &fail_marker : NULL, id);
}

int callback_plugin_calls(void) { return calls; }

unsigned int callback_plugin_last_part(void) { return last_part; }
