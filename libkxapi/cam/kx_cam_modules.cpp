// The manufacturing modules' part in the session start-up: their message
// band and their initialisation hooks, run once per process.
#include "kx_core.h"
#include "libkxapi/cam/kx_cam_internal.h"
#include "libkxapi/core/kx_session.h"

namespace {

// Initialisation hooks of the manufacturing modules. All but the
// pre-processing one have nothing to set up.
int cam_init_module() { return 0; }
int setup_init_module() { return 0; }
int param_init_module() { return 0; }
int oper_init_module() { return 0; }
int ncgroup_init_module() { return 0; }
int library_init_module() { return 0; }
int cutter_init_module() { return 0; }

bool hooks_pending = true;

void init_cam_modules() {
    if (!hooks_pending) return;
    kx::register_band(KX_BAND_CAM);
    cam_init_module();
    setup_init_module();
    param_init_module();
    oper_init_module();
    ncgroup_init_module();
    library_init_module();
    kx::cam::init_prepro_module();
    cutter_init_module();
    hooks_pending = false;
}

const kx::session_member registered{"cam", 10, init_cam_modules, [] { hooks_pending = true; }};

}  // namespace
