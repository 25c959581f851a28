// Steps shared by the curve-feature functions. Internal to the library.
#ifndef KX_CURVE_KX_CURVE_FEAT_INTERNAL_H
#define KX_CURVE_KX_CURVE_FEAT_INTERNAL_H

#include <utility>

#include "libkxapi/core/frame.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace kx::curve {

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
