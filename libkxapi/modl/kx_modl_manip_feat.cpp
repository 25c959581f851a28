// The model update: every out-of-date feature is updated inside an
// important undo mark, and the model goes back to the mark when the update
// fails.
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_edit_frame.h"

#include "host/store/entities/entity_delete.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"

namespace {

constexpr const char* kMarkName = kx::modl::marks::kModelUpdate;

}  // namespace

namespace kx::modl {

// The update without a boundary guard of its own (the library's callers
// run it inside theirs): under an important mark, which the update needs.
int update() {
    const int st = kx::frame(kx::no_check, [&] {
        return kx::undo_bracket(
            kx::Bracket{.visibility = UNDO_VISIBLE, .name = kMarkName, .need_mark = true, .important = true},
            [] { return UPDATE_do_update(); });
    });
    if (st != 0) ERROR_acknowledge_handled(st);
    return st;
}

}  // namespace kx::modl

KXAPI int KX_MODL_update(void) {
    return kx::guarded([] { return kx::modl::update(); });
}
