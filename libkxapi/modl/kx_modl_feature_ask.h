// The frame of the feature queries that answer in one output. Internal to
// the library.
#ifndef KX_MODL_KX_MODL_FEATURE_ASK_H
#define KX_MODL_KX_MODL_FEATURE_ASK_H

#include "kx_codes.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_query.h"

namespace kx::modl {

// 0 for a live feature, else the code of a tag that is no feature.
inline int not_a_feature(tag feature) { return is_feature(feature) ? 0 : KX_MODL_ERR_NOT_A_FEATURE; }

// Clears the output (argument 2), refuses a null output and a tag that is
// no feature, then stores what `value` yields for the feature.
template <class T, class Value>
int ask_of_feature(tag feature, T* out, Value value) {
    return kx::frame(
        [&] {
            kx::clear(out);
            if (!out) return kx::param(2);
            return not_a_feature(feature);
        },
        [&] {
            *out = value();
            return 0;
        });
}

}  // namespace kx::modl

#endif
