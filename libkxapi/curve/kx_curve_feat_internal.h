// Steps shared by the curve-feature functions. Internal to the library.
#ifndef KX_CURVE_KX_CURVE_FEAT_INTERNAL_H
#define KX_CURVE_KX_CURVE_FEAT_INTERNAL_H

#include <algorithm>
#include <cstddef>
#include <utility>

#include "host/base/services/memory.h"

#include "libkxapi/core/frame.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace kx::curve {

inline void free_host_block(void* block) { SM_free(block); }
// A copy for the caller, given back when a later step of the call fails.
using CallerCopy = kx::held<void, free_host_block>;

// A copy of the host's tags for the caller (to free with KX_free); null
// for none.
inline tag* tags_for_caller(int n, const unsigned int* from) {
    if (n <= 0 || !from) return nullptr;
    auto* out = static_cast<tag*>(SM_alloc_persistent(sizeof(tag) * static_cast<std::size_t>(n)));
    std::copy(from, from + n, out);
    return out;
}

// A frame whose work gives back the host memory it took when a host error
// ends it (the host's records of a half-done step).
template <class Pro, class Work>
int frame_with_memory(const kx::Opts& opts, Pro&& prologue, Work&& work) {
    CallMemory memory;
    return kx::frame(opts, kx::on_error([&] { memory.release(); }), std::forward<Pro>(prologue), [&] {
        memory.set();
        return work();
    });
}

// Runs f under a frame of its own (with its memory given back on an
// error): a host error raised inside answers `code` (the error is
// acknowledged: it is answered here); else f's status.
template <class F>
int host_error_as(int code, F&& f) {
    bool failed = false;
    CallMemory memory;
    const int st = kx::frame(
        kx::Opts{.check_init = false, .acknowledge = kx::every_code}, kx::on_error([&] {
            memory.release();
            failed = true;
        }),
        [] { return 0; },
        [&] {
            memory.set();
            return f();
        });
    return failed ? code : st;
}

}  // namespace kx::curve

#endif
