// Initialisation hooks of the manufacturing modules that the session
// start-up runs. Internal to the library.
#ifndef KX_CAM_KX_CAM_INTERNAL_H
#define KX_CAM_KX_CAM_INTERNAL_H

namespace kx::cam {

// The pre-processing module's hook: registers its message band. Host
// errors pass to the caller.
int init_prepro_module();

}  // namespace kx::cam

#endif
