// Steps shared by the feature and body queries. Internal to the library.
#ifndef KX_MODL_KX_MODL_QUERY_H
#define KX_MODL_KX_MODL_QUERY_H

#include <vector>

#include "kx_types.h"

namespace kx::modl {

// True when the tag names a live feature (object type 205); a null or dead
// tag is no feature.
bool is_feature(tag object);
// 0 for a body (type 70, subtype 0); 875027 for a tag that names no
// object, 875032 for another object.
int check_body(tag body);
// Host tags of kernel entities, in order (0 for an entity without object).
std::vector<tag> objects_of(const int* entities, int count);

}  // namespace kx::modl

#endif
