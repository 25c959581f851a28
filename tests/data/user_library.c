/* A user library for the library-loading tests: loaded by name and called
 * through the address the interface hands back. */
int user_library_scale(int value, int factor) { return value * factor; }

static int loads;

/* Counts the times the library was started since it was loaded. */
int user_library_starts(void) { return ++loads; }
