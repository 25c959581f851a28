/* A user program of the session utilities, written against the public
 * headers only: it writes to the log, times itself, loads a user library
 * and calls a function in it, starts a child and waits for it, keeps data
 * in a storage file and reads it back, and finds that file along a search
 * path. It answers 0, or the number of the step that failed. */
#include <stdio.h>
#include <string.h>

#include "kxapi.h"

typedef int (*scale_fn)(int, int);

int user_program_run(const char* dir, const char* library, char* report, size_t size) {
    char file[512];
    char missing[512];
    char data[16] = {0};
    const char* dirs[2];
    char* found = NULL;
    char sh_c[] = "-c";
    char sh_exit[] = "exit 4";
    char* args[2];
    KX_timer_t timer = 0;
    KX_timer_values_t times;
    KX_loaded_function_t function = NULL;
    KX_CFI_storage_t storage = NULL;
    KX_CFI_stream_t stream = NULL;
    KX_DIRPATH_t path = NULL;
    int process = 0, state = -1, code = -1, scaled = 0;

    args[0] = sh_c;
    args[1] = sh_exit;
    snprintf(file, sizeof file, "%s/data.kxs", dir);
    snprintf(missing, sizeof missing, "%s/missing", dir);

    if (KX_initialize() != 0) return 1;
    KX_print_syslog("user program started", 0);
    if (KX_begin_timer(&timer) != 0) return 2;

    if (KX_load_library(library, "user_library_scale", &function) != 0) return 3;
    scaled = ((scale_fn)function)(6, 7);

    if (KX_CFI_spawn("sh", 2, args, 1, &process) != 0) return 4;
    if (KX_CFI_spawn_check_status(process, &state, &code) != 0 || state != KX_CFI_CHILD_EXITED) return 5;

    if (KX_CFI_open_storage_file(file, KX_CFI_MODE_WRITE | KX_CFI_MODE_CREATE, &storage) != 0) return 6;
    if (KX_CFI_open_stream(storage, "kept", KX_CFI_MODE_WRITE | KX_CFI_MODE_CREATE, &stream) != 0) return 7;
    if (KX_CFI_write_to_stream(stream, 9, "kept data") != 0) return 8;
    if (KX_CFI_close_stream(stream) != 0 || KX_CFI_close_storage(storage) != 0) return 9;
    if (KX_CFI_open_storage_file(file, KX_CFI_MODE_READ, &storage) != 0) return 10;
    if (KX_CFI_open_stream(storage, "kept", KX_CFI_MODE_READ, &stream) != 0) return 11;
    if (KX_CFI_read_from_stream(stream, 9, data) != 0) return 12;
    if (KX_CFI_close_stream(stream) != 0 || KX_CFI_close_storage(storage) != 0) return 13;

    dirs[0] = missing;
    dirs[1] = dir;
    if (KX_DIRPATH_create_from_dirs(2, dirs, &path) != 0) return 14;
    if (KX_DIRPATH_find_file(path, "data.kxs", &found) != 0) return 15;

    if (KX_end_timer(timer, &times) != 0) return 16;
    snprintf(report, size, "scaled %d, child %d, data \"%s\", found %s", scaled, code, data,
             strcmp(found, file) == 0 ? "the file" : found);
    KX_free(found);
    KX_print_syslog(report, 1);
    if (KX_unload_library(library) != 0) return 17;
    return KX_terminate() == 0 ? 0 : 18;
}
