// VRML and web-viewable output through the host's shading library.
#include "kx_disp_output.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/disp/kx_disp_output_internal.h"

#include "host/model/display/output.h"

namespace {
constexpr int kVrmlWidth = 800, kVrmlHeight = 600;  // the window a VRML viewpoint is fitted to
}  // namespace

KXAPI int KX_STD_create_vrml_file(const char* filename, double scale, int curves) {
    bool window_set = false;  // the window is reset also when the host fails
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (!window_set) return;
            kx::frame_scope scope;
            try {
                SH_reset_window();
            } catch (const host::HostError& e) {
                if (!scope.caught(e)) throw;
            }
        }),
        [&] {
            if (int st = kx::check({{filename && *filename, 1}, {scale > 0, 2}})) return st;
            return kx::disp::no_parts_for_output();
        },
        [&] {
            SH_set_window(kVrmlWidth, kVrmlHeight);
            window_set = true;
            SH_vrml(filename, scale, curves);
            window_set = false;
            SH_reset_window();
            return 0;
        });
}

KXAPI int KX_STD_create_vantrel_file(int w1, int w2, int w3, int w4, int w5, int w6, int w7, int w8, int w9,
                                                int w10, int w11, int w12, int w13) {
    return kx::frame([&] { return kx::disp::no_parts_for_output(); },
                     [&] {
                         SH_adaptive(w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11, w12, w13);
                         return 0;
                     });
}
