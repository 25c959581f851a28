// Deleting features from inside the library. Internal to the library.
#ifndef KX_MODL_KX_MODL_FEATURE_DELETE_H
#define KX_MODL_KX_MODL_FEATURE_DELETE_H

#include "kx_modl.h"

namespace kx::modl {

// Deletes the features of the list as one undoable edit (KX_MODL_delete_feature).
int delete_features(const tag_list* features);

}  // namespace kx::modl

#endif
