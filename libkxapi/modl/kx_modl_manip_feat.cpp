// The model update: every out-of-date feature is updated inside an
// important undo mark, and the model goes back to the mark when the update
// fails.
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
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
// run it inside theirs).
int update() {
    unsigned int mark = 0;
    const int st = kx::frame(kx::no_check, [&] {
        int error = 0;
        const unsigned int set = UNDO_JQ_set_mark(UNDO_VISIBLE, kMarkName, &error);
        if (error != 0) ERROR_raise("kx_modl_manip_feat", 0, error, "Failed to set mark before update");
        mark = set;
        unsigned char was = 0;
        if (int answer = UNDO_JQ_set_mark_importance(mark, 0, &was))
            ERROR_raise("kx_modl_manip_feat", 0, answer, "Failed to make mark %u important", mark);
        if (int code = UPDATE_do_update()) return code;
        // The last step that can fail: until the mark is gone the update
        // can still be taken back.
        if (int code = UNDO_JQ_delete_mark(mark, nullptr)) return code;
        mark = 0;
        return 0;
    });
    if (st == 0) return 0;
    // Roll-back and removal each under a frame of their own: an error of
    // theirs cannot hide the update's status.
    if (mark != 0) kx::frame(kx::no_check, [&] { return UNDO_JQ_undo_to_mark(mark, nullptr); });
    ERROR_acknowledge_handled(st);
    if (mark != 0) kx::frame(kx::no_check, [&] { return UNDO_JQ_delete_mark(mark, nullptr); });
    return st;
}

}  // namespace kx::modl

KXAPI int KX_MODL_update(void) {
    return kx::guarded([] { return kx::modl::update(); });
}
