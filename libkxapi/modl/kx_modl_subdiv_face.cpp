// Face division: the face turned into its kernel face and divided by the
// host under the "Subdivide Face (Kestrix Extension)" mark, the model then
// brought up to date.
#include "host/apps/modeling/bodyops/subdivide.h"
#include "host/store/entities/display.h"
#include "host/kernel/engine/kernel.h"
#include "kx_codes.h"
#include "kx_modl_body_ops.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace {

constexpr const char* kMark = "Subdivide Face (Kestrix Extension)";

}  // namespace

KXAPI int KX_MODL_create_subdiv_face(tag* curves, int project, tag face, int, int, tag* feature) {
    return kx::frame(
        [&] {
            kx::clear(feature);
            if (!curves) return static_cast<int>(KX_MODL_ERR_EMPTY_LIST);
            return feature ? 0 : kx::param(6);
        },
        [&] {
            unsigned int record = 0;
            const int st = kx::undo_bracket(1, kMark, [&] {
                const int entity = ES_solid_ask_fermalith_tag(face);
                if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
                if (int made = MODL_divide_create_frec(entity, curves, project, &record)) return made;
                return UPDATE_do_update_no_message();
            });
            if (st == 0) *feature = record;
            return st;
        });
}
