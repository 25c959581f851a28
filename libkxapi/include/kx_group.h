/* Groups: objects of the part that collect other objects under one tag. */
#ifndef KX_GROUP_H
#define KX_GROUP_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_GROUP_create_group(const tag* members, int count, tag* group);
/* *members is allocated by the library (free it with KX_free). */
KXAPI int KX_GROUP_ask_group_data(tag group, tag** members, int* count);
KXAPI int KX_GROUP_add_member_to_group(tag member, tag group);
KXAPI int KX_GROUP_del_member_from_group(tag member, tag group);
KXAPI int KX_GROUP_ungroup_top(tag group);
KXAPI int KX_GROUP_ungroup_all(tag group);
KXAPI int KX_GROUP_ask_group_of_tag(tag object, tag* group);

KX_END_DECLS

#endif
