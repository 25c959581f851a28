/* A user library for the form-feature tests: loaded with dlopen, it
 * registers a positioning routine of its own that counts the features it
 * sees; the test then lets go of the library and makes features. */
#include "kx_modl_cre_feat.h"

static int calls;
static tag last;

static int position(tag feature) {
    ++calls;
    last = feature;
    return 0;
}

int rpo_plugin_register(void) { return KX_MODL_register_rpo_routine(position); }

int rpo_plugin_calls(void) { return calls; }

tag rpo_plugin_last(void) { return last; }
