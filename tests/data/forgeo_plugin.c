/* A user library for the foreign-surface tests: loaded with dlopen, it
 * registers the kind "saddle", z = scale u v over the square -1..1, whose
 * evaluator counts its calls and refuses parameters outside the square. */
#include "kx_forgeo.h"

static double scale = 2.5;
static int calls;

static int saddle(void* data, const double uv[2], double point[3]) {
    const double s = *(const double*)data;
    ++calls;
    if (uv[0] < -1 || uv[0] > 1 || uv[1] < -1 || uv[1] > 1) return 7;
    point[0] = uv[0];
    point[1] = uv[1];
    point[2] = s * uv[0] * uv[1];
    return 0;
}

int forgeo_plugin_register(const char* name) { return KX_FORGEO_register_surface(name, saddle, &scale); }

int forgeo_plugin_calls(void) { return calls; }
