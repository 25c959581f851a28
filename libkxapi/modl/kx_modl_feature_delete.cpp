// Deleting features as one undoable edit.
#include "kx_modl.h"
#include "kx_undo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
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
// the mark and the host list go in every case.
int delete_features(const tag_list* features) {
    return kx::frame(kx::no_check, [&] {
        return kx::undo_bracket(1, kMarkName, [&] {
            kx::HostList list;
            const int count = ask_list_count(features);
            int st = KI_crlist(kFeatureList, &list.id);
            for (int i = 0; i < count && st == 0; ++i) {
                tag feature = NULL_TAG;
                ask_list_item(features, i, &feature);
                CM_ptcmtgli(list.id, 0, 1, CM_ask_object_of_eid(feature));
            }
            if (st == 0) ui_delete_feature_(&list.id, &st);
            return st;
        });
    });
}

}  // namespace kx::modl

KXAPI int KX_MODL_delete_feature(tag_list* features) {
    return kx::guarded([&] { return kx::modl::delete_features(features); });
}
