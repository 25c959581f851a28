// Steps shared by the part and attribute functions: decoding a part name
// through the product-data manager, copying a part name into a caller's
// buffer, and a frame that tells the host which caught errors the function
// handled. Internal to the library.
#ifndef KX_PART_KX_PART_UTIL_H
#define KX_PART_KX_PART_UTIL_H

#include "host/data/parts.h"
#include "host/services/error.h"
#include "kx_part.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

namespace kx {

// Decodes the caller's part name (JQMGR_decode_cli_part_file) and runs
// work(decoded). A nonzero answer of the decoder is the status and work
// does not run. The decoded copy is freed on every path, also when a host
// error unwinds through here.
template <class Work>
int with_decoded_name(const char* name, Work&& work) {
    char* raw = nullptr;
    const int st = JQMGR_decode_cli_part_file(name, &raw);
    host_ptr<char> decoded(raw);
    if (st != 0) return st;
    return work(static_cast<const char*>(decoded.get()));
}

// Copies a name that the host made (a file name, a display name ...) into
// a caller's buffer of KX_PART_MAX_NAME_CHARS + 1 bytes, cut when longer,
// and frees the host's string; the part functions that hand out names all
// copy this way.
inline void copy_part_name(char* buffer, char* host_name) {
    host_ptr<char> held(host_name);
    copy_cut(buffer, held.get(), KX_PART_MAX_NAME_CHARS);
}

// kx::frame with the standard options, and when a host error was caught in
// the work: on_error() runs (clearing outputs ...) and, when
// acknowledge(code) is true, the host is told that the error was handled
// (ERROR_acknowledge_handled) before the code is returned.
template <class Ack, class OnError, class Pro, class Work>
int frame_ack(Ack&& acknowledge, OnError&& on_error, Pro&& prologue, Work&& work) {
    return guarded([&]() -> int {
        bool started = false, finished = false;
        const int st = frame(prologue, [&]() -> int {
            started = true;
            const int r = work();
            finished = true;
            return r;
        });
        if (started && !finished) {
            on_error();
            if (acknowledge(st)) ERROR_acknowledge_handled(st);
        }
        return st;
    });
}

inline constexpr auto no_error_step = [] {};

}  // namespace kx

#endif
