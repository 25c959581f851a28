// Deleting features as one undoable edit.
#include "kx_modl.h"
#include "kx_undo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_feature_delete.h"
#include "libkxapi/core/kx_list.h"

#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"

namespace {

constexpr const char* kMarkName = "JQ Open Delete Feature";
constexpr int kFeatureList = KI_LIST_FEATURES;

}  // namespace

namespace kx::modl {

// The frame is armed before the mark is set, so that an error while setting
// it becomes the status. On failure the model is rolled back to the mark;
// the mark and the host list are freed in every case.
int delete_features(const tag_list* features) {
    unsigned int mark = 0;
    int list = 0;
    bool undone = false;
    // Rolls back (when the deletion failed), deletes the mark and frees
    // the list. Each step is marked done before its host call, so that
    // after an error the steps left over can be finished.
    auto finish = [&](bool roll_back) {
        if (mark != 0 && roll_back && !undone) {
            undone = true;
            UNDO_JQ_undo_to_mark(mark, nullptr);
        }
        if (mark != 0) {
            const unsigned int done = mark;
            mark = 0;
            UNDO_JQ_delete_mark(done, nullptr);
        }
        if (list != 0) {
            const int done = list;
            list = 0;
            KI_free_list(done);
        }
    };
    const int status = kx::frame(kx::no_check, [&] {
        int mark_status = 0;
        mark = UNDO_JQ_set_mark(1, kMarkName, &mark_status);
        if (mark_status != 0) mark = 0;

        const int count = ask_list_count(features);

        int st = KI_crlist(kFeatureList, &list);
        for (int i = 0; i < count && st == 0; ++i) {
            tag feature = NULL_TAG;
            ask_list_item(features, i, &feature);
            CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(feature));
        }
        if (st == 0) ui_delete_feature_(&list, &st);
        finish(st != 0);
        return st;
    });
    // A host error came back: roll back and free under frames of their
    // own, so that an error on the way cannot hide the first one.
    while (mark != 0 || list != 0)
        kx::frame(kx::no_check, [&] {
            finish(true);
            return 0;
        });
    return status;
}

}  // namespace kx::modl

KXAPI int KX_MODL_delete_feature(tag_list* features) {
    return kx::guarded([&] { return kx::modl::delete_features(features); });
}
