// Shaded images, animations and metafiles: the arguments are checked here,
// the pictures are made by the host's shading library and display system.
#include <cstring>

#include "kx_disp_output.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/disp/kx_disp_output_internal.h"

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/display/output.h"

namespace kx::disp {
int no_parts_for_output() {
    return CONTEXT_ask_root_part() == 0 || CONTEXT_ask_work_part() == 0 ? kx::kPartNotLoaded : 0;
}
}  // namespace kx::disp

namespace {
bool empty(const char* text) { return !text || !*text; }
}  // namespace

KXAPI int KX_DISP_batch_shade(const char* filename, int width, int height, int background) {
    return kx::frame(
        [&] {
            if (int st = kx::check({{!empty(filename), 1}, {width >= 1, 2}, {height >= 1, 3}})) return st;
            return kx::disp::no_parts_for_output();
        },
        [&] {
            SH_batch_shade(filename, width, height, background);
            return 0;
        });
}

KXAPI int KX_DISP_create_animation(const char* filename, const char* definition, int first_frame,
                                              int last_frame) {
    return kx::frame(
        [&] {
            if (int st = kx::check({{!empty(filename), 1},
                                    {!empty(definition), 2},
                                    {first_frame >= 0 && first_frame <= last_frame, 3}}))
                return st;
            return kx::disp::no_parts_for_output();
        },
        // The shading library's answer is the status, whatever it is.
        [&] { return SH_batch_animate(filename, definition, first_frame, last_frame); });
}

KXAPI int KX_DISP_export_windows_metafile(int destination, const char* filename) {
    return kx::frame([&] {
        if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
        if (destination != KX_DISP_METAFILE_CLIPBOARD && destination != KX_DISP_METAFILE_FILE) return kx::param(1);
        unsigned int handle = 0;
        if (destination == KX_DISP_METAFILE_FILE) {
            if (empty(filename) || strnlen(filename, KX_DISP_MAX_METAFILE_NAME + 1) > KX_DISP_MAX_METAFILE_NAME)
                return kx::param(2);
        } else {
            const unsigned int* words = DSS_DVC_ask_device_handle(DSS_DVC_ask_current_device());
            handle = words ? words[0] : 0;
            if (handle == 0) return kx::param(1);
        }
        DSS_WMF_create_metafile(destination, filename, 0, handle, 1.0, 0, 0);
        return 0;
    });
}
