// The wrapper with target of the feature edit frame.
#include "libkxapi/modl/kx_modl_edit_frame.h"

#include "kx_codes.h"

#include "host/apps/modeling/boolean/booleans.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"

namespace kx::modl {

void set_boolean_target(const char* module, int line, int sign, tag target) {
    if (sign == 0) return;
    const int body = ES_solid_is_a_body(target) ? ES_solid_ask_fermalith_tag(target) : 0;
    if (body == 0) ERROR_raise(module, line, KX_MODL_ERR_NO_KERNEL_ENTITY, "%s", "");
    BREF_set_current_target(CM__ask_current_part_ptr(body));
}

}  // namespace kx::modl
