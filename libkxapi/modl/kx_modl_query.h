// Steps shared by the feature and body queries. Internal to the library.
#ifndef KX_MODL_KX_MODL_QUERY_H
#define KX_MODL_KX_MODL_QUERY_H

#include <vector>

#include "kx_types.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"

namespace kx::modl {

// True when the tag names a live feature (object type 205); a null or dead
// tag is no feature.
bool is_feature(tag object);
// 0 for a body (type 70, subtype 0); 875027 for a tag that names no
// object, 875032 for another object.
int check_body(tag body);
// Host tags of kernel entities, in order (0 for an entity without object).
std::vector<tag> objects_of(const int* entities, int count);

// The last step of a list query's work: hands the list that make() builds
// to the caller. Call it once every holder of the work has let go: when a
// release of the work failed, its failure is pending and is the call's
// status (the frame takes it), and a failed query hands out nothing, so
// the list is not made then. Answers the work's status, 0.
// True when a release of the call's work failed: its failure is pending and
// becomes the call's status, so the work hands out nothing.
inline bool release_failed() { return kx::detail::g_release_failure != 0; }

template <class Make>
int hand_out_list(tag_list** out, Make&& make) {
    if (release_failed()) return 0;
    *out = make();
    return 0;
}

}  // namespace kx::modl

#endif
