// Groups through the host's group services.
#include "kx_group.h"
#include "libkxapi/core/frame.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/parts/rm.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

// The host code for objects that cannot join a group; acknowledged when
// creation reports it, so that the host does not report it again.
bool creation_refusal(int code) { return code == GROUP_ERR_NOT_GROUPABLE; }
constexpr kx::Opts kCreation{.acknowledge = creation_refusal};

bool live(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

bool is_group(tag object) { return live(object) && RM_ask_entity_type(object) == HOST_TYPE_GROUP; }

// The entity types that may be members: the host's property table holds
// types 1 to 255 only; any other type is not groupable.
bool groupable(tag object) {
    const int type = RM_ask_entity_type(object);
    return type >= 1 && type <= 255 && (eprops_[type - 1] & ES_PROP_GROUPABLE) != 0;
}

tag group_of(tag object) {
    tag group = NULL_TAG;
    int flag = 0;
    es1506_(&object, &group, &flag);
    return flag ? group : NULL_TAG;
}

}  // namespace

KXAPI int KX_GROUP_create_group(const tag* members, int count, tag* group) {
    return kx::frame(
        kCreation, kx::on_error([&] { kx::clear(group); }),
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            return kx::check({{members, 1}, {count > 0, 2}, {group, 3}});
        },
        [&] {
            *group = GROUP_create(count, members);
            return 0;
        });
}

KXAPI int KX_GROUP_ask_group_data(tag group, tag** members, int* count) {
    tag* array = nullptr;  // freed again when the host fails while filling it
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (array) SM_free(array);
            if (count) *count = 0;
        }),
        [&] {
            return kx::check({{members, 2}, {count, 3}});
        },
        [&] {
            if (!is_group(group)) return kx::param(1);
            *count = ES_count_group_members(group);
            if (*count <= 0) return 0;
            array = static_cast<tag*>(SM_alloc(static_cast<std::size_t>(*count) * sizeof(tag)));
            const int code = RM__record_type_codes[RM_RECORD_GROUP_MEMBERS], mode = 1;
            rm404_(&group, &code, &mode, count, array);
            *members = array;
            return 0;
        });
}

KXAPI int KX_GROUP_add_member_to_group(tag member, tag group) {
    return kx::frame([&] {
        if (!is_group(group)) return kx::param(2);
        if (!live(member) || group_of(member) != NULL_TAG || !groupable(member)) return kx::param(1);
        GROUP_add_member_to_group(group, member);
        return 0;
    });
}

KXAPI int KX_GROUP_del_member_from_group(tag member, tag group) {
    return kx::frame([&] {
        if (group != NULL_TAG && !is_group(group)) return kx::param(2);
        if (!live(member)) return kx::param(1);
        const tag holder = group_of(member);
        if (group == NULL_TAG) {
            if (holder == NULL_TAG) return 0;
        } else if (holder != group) {
            return kx::param(1);
        }
        es1503_(&holder, &member);
        return 0;
    });
}

KXAPI int KX_GROUP_ungroup_top(tag group) {
    return kx::frame([&] {
        if (!is_group(group)) return kx::param(1);
        es1521_(&group);
        return 0;
    });
}

KXAPI int KX_GROUP_ungroup_all(tag group) {
    return kx::frame([&] {
        if (!is_group(group)) return kx::param(1);
        es1523_(&group);
        return 0;
    });
}

KXAPI int KX_GROUP_ask_group_of_tag(tag object, tag* group) {
    return kx::frame(
        [&] {
            return kx::check({{group, 2}});
        },
        [&] {
            if (!live(object)) return kx::param(1);
            *group = group_of(object);
            return 0;
        });
}
