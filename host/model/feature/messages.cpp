// The texts of the feature service's and the undo service's codes.
#include "host/base/services/host_messages.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"

// The feature service's texts.
namespace {
constexpr error_text_entry kFeatureTexts[] = {
    error_text_entry{FEAT_ERR_NOT_A_FEATURE, "The object is not a feature"},
    error_text_entry{FEAT_ERR_UNDELETABLE, "The feature cannot be deleted"},
#define HOST_FEATURE_ROW(name, code, text) error_text_entry{name, text},
    HOST_FEATURE_CODES(HOST_FEATURE_ROW)
#undef HOST_FEATURE_ROW
};
const host::messages::Rows feature_rows{kFeatureTexts};
}  // namespace

// The undo service's texts.
namespace {
constexpr error_text_entry kUndoTexts[] = {
    error_text_entry{UNDO_ERR_BUSY, "The undo service is busy calling a callback"},
    error_text_entry{UNDO_ERR_BAD_VISIBILITY, "The undo mark visibility must be 0, 1 or 2"},
    error_text_entry{UNDO_ERR_BAD_KIND, "Unknown kind of undo callback"},
    error_text_entry{UNDO_ERR_NO_MARK, "The mark does not exist"},
    error_text_entry{UNDO_ERR_NO_CALLBACK, "No undo callback is registered with this id"},
};
const host::messages::Rows undo_rows{kUndoTexts};
}  // namespace
