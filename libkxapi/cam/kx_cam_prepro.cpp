// The pre-processing module of manufacturing: its initialisation hook.
#include "kx_cam.h"
#include "kx_core.h"
#include "libkxapi/cam/kx_cam_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"

namespace kx::cam {

int init_prepro_module() {
    register_band(KX_BAND_CAM_PREPRO);
    return 0;
}

}  // namespace kx::cam

KXAPI int KX_CAM_PREPRO_init_module(void) {
    return kx::guarded([] { return kx::cam::init_prepro_module(); });
}
