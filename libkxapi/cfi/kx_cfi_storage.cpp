// File services of the host's file interface: file existence, child
// processes, storage files and their streams (the old numbered entry
// points of the same module are in kx_cfi.cpp).
#include <cstddef>

#include "kx_cfi.h"
#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/memory.h"
#include "host/platform/cfi/storage.h"

// The caller's element records are the host's, filled in place.
static_assert(sizeof(KX_CFI_element_t) == sizeof(CFI_storage_element));
static_assert(offsetof(KX_CFI_element_t, name) == offsetof(CFI_storage_element, name));
static_assert(offsetof(KX_CFI_element_t, type) == offsetof(CFI_storage_element, type));
static_assert(offsetof(KX_CFI_element_t, size) == offsetof(CFI_storage_element, size));
static_assert(KX_CFI_MODE_READ == CFI_MODE_READ && KX_CFI_MODE_WRITE == CFI_MODE_WRITE &&
              KX_CFI_MODE_CREATE == CFI_MODE_CREATE && KX_CFI_MODE_TRUNCATE == CFI_MODE_TRUNCATE);
static_assert(KX_CFI_ERR_END_OF_STREAM == CFI_ERR_END_OF_FILE && KX_CFI_ERR_NOT_WRITTEN == CFI_ERR_NO_SPACE &&
              KX_CFI_ERR_POSITION == CFI_ERR_POSITION && KX_CFI_ERR_DAMAGED == CFI_ERR_DAMAGED);
static_assert(KX_CFI_CHILD_RUNNING == CFI_CHILD_RUNNING && KX_CFI_CHILD_EXITED == CFI_CHILD_EXITED &&
              KX_CFI_CHILD_SIGNALLED == CFI_CHILD_SIGNALLED);

namespace {

bool empty(const char* text) { return !text || !*text; }

CFI_storage_p_t host_of(KX_CFI_storage_t s) { return reinterpret_cast<CFI_storage_p_t>(s); }
CFI_stream_p_t host_of(KX_CFI_stream_t s) { return reinterpret_cast<CFI_stream_p_t>(s); }
KX_CFI_storage_t ours(CFI_storage_p_t s) { return reinterpret_cast<KX_CFI_storage_t>(s); }
KX_CFI_stream_t ours(CFI_stream_p_t s) { return reinterpret_cast<KX_CFI_stream_t>(s); }

// Program name, argument list and start of a child (KX_CFI_spawn).
int spawn(const char* program, int argument_count, char** arguments, int wait, int* process) {
    int status = 0;
    fm2310_(&status);
    if (status != 0) return status;
    for (int i = 0; i < argument_count; ++i) CFI_add_argument(arguments[i]);
    char* full = nullptr;
    status = CFI_spawn_format_program_name(program, 3, 0, &full);
    // The full name is freed in every case, by a call that may raise
    // itself: not from a destructor.
    if (status == 0) {
        int unused = 0;
        try {
            status = CFI_spawn(full, 0, wait, process, &unused);
        } catch (...) {
            SM_free(full);
            throw;
        }
    }
    SM_free(full);
    return status;
}

}  // namespace

extern "C" {

KXAPI int KX_CFI_ask_file_exist(const char* file_spec, int* status) {
    if (!status) return kx::param(2);
    return kx::guarded([&] {
        const int answer = CFI_ask_file_exist(file_spec);
        *status = answer == 0 ? 0 : 1;
        return answer == 0 || answer == 1 ? 0 : answer;
    });
}

KXAPI int KX_CFI_spawn(const char* program, int argument_count, char** arguments, int wait, int* process) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            if (process) *process = 0;
            return 0;
        }),
        // A count without its vector, or below 0, would read what is not there.
        [&] {
            return kx::check({{argument_count >= 0, 2}, {argument_count == 0 || arguments, 3}, {process, 5}});
        },
        [&] { return spawn(program, argument_count, arguments, wait, process); });
}

KXAPI int KX_CFI_spawn_check_status(int process, int* state, int* code) {
    return kx::frame([&] { return CFI_ask_child_status(process, state, code); });
}

KXAPI int KX_CFI_open_storage_file(const char* file_name, int mode, KX_CFI_storage_t* storage) {
    return kx::frame(
        [&] {
            return kx::check({{!empty(file_name), 1}, {mode != 0, 2}, {storage, 3}});
        },
        [&] { *storage = ours(CFI_open_storage_file(file_name, mode)); });
}

KXAPI int KX_CFI_open_storage(KX_CFI_storage_t parent, const char* name, int mode, KX_CFI_storage_t* storage) {
    return kx::frame(
        [&] {
            return kx::check({{parent, 1}, {!empty(name), 2}, {mode != 0, 3}, {storage, 4}});
        },
        [&] { *storage = ours(CFI_open_storage(host_of(parent), name, mode)); });
}

KXAPI int KX_CFI_close_storage(KX_CFI_storage_t storage) {
    return kx::frame([&] { return kx::check({{storage, 1}}); }, [&] { return CFI_close_storage(host_of(storage)); });
}

KXAPI int KX_CFI_open_stream(KX_CFI_storage_t storage, const char* name, int mode, KX_CFI_stream_t* stream) {
    return kx::frame(
        [&] {
            return kx::check({{storage, 1}, {!empty(name), 2}, {mode != 0, 3}, {stream, 4}});
        },
        [&] { *stream = ours(CFI_open_stream(host_of(storage), name, mode)); });
}

KXAPI int KX_CFI_close_stream(KX_CFI_stream_t stream) {
    return kx::frame([&] { return kx::check({{stream, 1}}); }, [&] { return CFI_close_stream(host_of(stream)); });
}

KXAPI int KX_CFI_ask_stream_current_pos(KX_CFI_stream_t stream, long long* position) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}, {position, 2}});
        },
        [&] { *position = CFI_ask_stream_current_pos(host_of(stream)); });
}

KXAPI int KX_CFI_set_stream_absolute_pos(KX_CFI_stream_t stream, long long position) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}});
        },
        [&] { return CFI_set_stream_absolute_pos(host_of(stream), position) == position ? 0 : KX_CFI_ERR_POSITION; });
}

KXAPI int KX_CFI_set_stream_relative_pos(KX_CFI_stream_t stream, long long offset) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}});
        },
        [&] { return CFI_set_stream_relative_pos(host_of(stream), offset); });
}

KXAPI int KX_CFI_write_to_stream(KX_CFI_stream_t stream, unsigned int count, const void* buffer) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}, {count != 0, 2}, {buffer, 3}});
        },
        [&] { return CFI_write_to_stream(host_of(stream), count, buffer) == count ? 0 : KX_CFI_ERR_NOT_WRITTEN; });
}

KXAPI int KX_CFI_read_from_stream(KX_CFI_stream_t stream, unsigned int count, void* buffer) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}, {count != 0, 2}, {buffer, 3}});
        },
        [&] { return CFI_read_from_stream(host_of(stream), count, buffer) == count ? 0 : KX_CFI_ERR_END_OF_STREAM; });
}

KXAPI int KX_CFI_copy_storage_element(KX_CFI_storage_t source, const char* name, KX_CFI_storage_t target,
                                      const char* new_name) {
    return kx::frame(
        [&] {
            return kx::check({{source, 1}, {!empty(name), 2}, {target, 3}, {!empty(new_name), 4}});
        },
        [&] { return CFI_copy_storage_element(host_of(source), name, host_of(target), new_name, 1); });
}

KXAPI int KX_CFI_is_storage_file(const char* file_name, logical* is_storage) {
    return kx::frame(
        [&] {
            return kx::check({{!empty(file_name), 1}, {is_storage, 2}});
        },
        [&] { *is_storage = static_cast<logical>(CFI_is_storage_file(file_name) & 0xff); });
}

KXAPI int KX_CFI_convert_stream_to_fileid(KX_CFI_stream_t stream, int mode, int* channel) {
    return kx::frame(
        [&] {
            if (!channel) return kx::param(3);
            *channel = -1;
            return kx::check({{stream, 1}, {mode >= 0, 2}});
        },
        [&] { *channel = CFI_convert_stream_to_fileid(host_of(stream), mode); });
}

KXAPI int KX_CFI_release_stream_fileid(KX_CFI_stream_t stream, int channel) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}, {channel >= 0, 2}});
        },
        [&] { return CFI_release_stream_fileid(host_of(stream), channel); });
}

KXAPI int KX_CFI_ask_stream_stats(KX_CFI_stream_t stream, KX_CFI_stream_stats_t* stats) {
    return kx::frame(
        [&] {
            return kx::check({{stream, 1}, {stats, 2}});
        },
        [&] {
            CFI_stream_stats s{};
            CFI_ask_stream_stats(host_of(stream), &s);
            *stats = {s.size, s.position, s.mode, s.channel};
        });
}

KXAPI int KX_CFI_ask_storage_contents(KX_CFI_storage_t storage, int* count, KX_CFI_element_t** contents) {
    return kx::frame(
        [&] {
            return kx::check({{storage, 1}, {count, 2}, {contents, 3}});
        },
        [&] {
            *count = CFI_ask_storage_contents(host_of(storage), reinterpret_cast<CFI_storage_element**>(contents));
        });
}

}  // extern "C"
