// Directory search paths: one host routine behind each function.
#include "kx_dirpath.h"
#include "libkxapi/core/frame.h"

#include "host/platform/paths/dirpath.h"

namespace {
DIRPATH_p_t host_of(KX_DIRPATH_t p) { return reinterpret_cast<DIRPATH_p_t>(p); }
KX_DIRPATH_t ours(DIRPATH_p_t p) { return reinterpret_cast<KX_DIRPATH_t>(p); }

// A create routine: the new path in the output (parameter n), null when the
// host fails. A null output is refused: there is nowhere to hand the path.
template <class Create>
int create(KX_DIRPATH_t* path, int n, Create make) {
    return kx::frame(
        kx::standard, kx::on_error([&] { *path = nullptr; }),
        [&] {
            return kx::check({{path, n}});
        },
        [&] { *path = ours(make()); });
}
}  // namespace

extern "C" {

KXAPI int KX_DIRPATH_create_from_env(const char* variable, KX_DIRPATH_t* path) {
    return create(path, 2, [&] { return DIRPATH_create_from_env(variable); });
}

KXAPI int KX_DIRPATH_create_from_dirs(int count, const char* const* dirs, KX_DIRPATH_t* path) {
    return create(path, 3, [&] { return DIRPATH_create_from_dirs(count, dirs); });
}

KXAPI int KX_DIRPATH_append(KX_DIRPATH_t path, const char* dir) {
    return kx::frame([&] { return DIRPATH_append(host_of(path), dir); });
}

KXAPI int KX_DIRPATH_append_from_env(KX_DIRPATH_t path, const char* variable) {
    return kx::frame([&] { return DIRPATH_append_from_env(host_of(path), variable); });
}

KXAPI int KX_DIRPATH_append_from_dirs(KX_DIRPATH_t path, int count, const char* const* dirs) {
    return kx::frame([&] { return DIRPATH_append_from_dirs(host_of(path), count, dirs); });
}

KXAPI int KX_DIRPATH_ask_dirs(KX_DIRPATH_t path, int* count, char*** dirs) {
    return kx::frame([&] { return DIRPATH_ask_dirs(host_of(path), count, dirs); });
}

KXAPI int KX_DIRPATH_ask_dir_count(KX_DIRPATH_t path) {
    return kx::frame([&] { return DIRPATH_ask_dir_count(host_of(path)); });
}

KXAPI int KX_DIRPATH_ask_dir_index(KX_DIRPATH_t path) {
    return kx::frame([&] { return DIRPATH_ask_dir_index(host_of(path)); });
}

KXAPI int KX_DIRPATH_ask_nth_dir(KX_DIRPATH_t path, int index, char** dir) {
    return kx::frame([&] { return DIRPATH_ask_nth_dir(host_of(path), index, dir); });
}

KXAPI int KX_DIRPATH_find_file(KX_DIRPATH_t path, const char* name, char** full) {
    return kx::frame([&] { return DIRPATH_find_file(host_of(path), name, full); });
}

KXAPI int KX_DIRPATH_start_dir_iteration(KX_DIRPATH_t path) {
    return kx::frame([&] { return DIRPATH_start_dir_iteration(host_of(path)); });
}

KXAPI int KX_DIRPATH_ask_next_dir(KX_DIRPATH_t path, char** dir) {
    return kx::frame([&] { return DIRPATH_ask_next_dir(host_of(path), dir); });
}

KXAPI int KX_DIRPATH_ask_prev_dir(KX_DIRPATH_t path, char** dir) {
    return kx::frame([&] { return DIRPATH_ask_prev_dir(host_of(path), dir); });
}

KXAPI int KX_DIRPATH_ask_curr_dir(KX_DIRPATH_t path, char** dir) {
    return kx::frame([&] { return DIRPATH_ask_curr_dir(host_of(path), dir); });
}

}  // extern "C"
