// Groups: membership through the entity store's member lists.
#include "host/store/entities/groups.h"

#include <algorithm>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

const int RM__record_type_codes[RM_RECORD_CODES] = {101, 102, 103, 104, 105, 106, 107, 108};

namespace {

using tag_t = unsigned int;

// The live group that holds the object, or 0.
tag_t group_of(tag_t object) {
    for (tag_t g : host::objects::objects_of_type(HOST_TYPE_GROUP)) {
        const std::vector<tag_t>& m = host::entity::members_of(g);
        if (std::find(m.begin(), m.end(), object) != m.end()) return g;
    }
    return 0;
}

const host::objects::Object& group(const host::Call& call, tag_t g) { return call.live_of_type(g, HOST_TYPE_GROUP); }

// Refuses an object that cannot join `into`.
void check_joinable(const host::Call& call, tag_t member, tag_t into) {
    const host::objects::Object& o = call.live(member);
    if (o.type < 1 || o.type > 255 || !(eprops_[o.type - 1] & ES_PROP_GROUPABLE))
        call.fail(GROUP_ERR_NOT_GROUPABLE, "objects of type %d cannot be grouped", o.type);
    if (group_of(member) != 0) call.fail(GROUP_ERR_NOT_GROUPABLE, "object %u is in a group already", member);
    // A group may not end up inside itself.
    for (tag_t g = into; g != 0; g = group_of(g))
        if (g == member) call.fail(GROUP_ERR_NOT_GROUPABLE, "group %u would hold itself", member);
}

void dissolve(tag_t g, bool nested) {
    // A group inside another leaves it as it goes.
    if (const tag_t parent = group_of(g)) {
        std::vector<tag_t>& pm = host::entity::rare(parent).members;
        pm.erase(std::remove(pm.begin(), pm.end(), g), pm.end());
    }
    host::entity::attrs(g);
    const std::vector<tag_t> members = host::entity::members_of(g);
    if (host::entity::find_rare(g)) host::entity::rare(g).members.clear();
    host::parts::note_change(g);
    if (nested)
        for (tag_t m : members)
            if (host::objects::is_alive(m) && host::objects::require(m).type == HOST_TYPE_GROUP) dissolve(m, true);
    host::objects::destroy(g);
}

}  // namespace

extern "C" {

unsigned int GROUP_create(int count, const unsigned int* members) {
    auto call = HOST_ENTRY(count, members);
    call.need(members, "the members");
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d members", count);
    const tag_t work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    for (int i = 0; i < count; ++i) {
        check_joinable(call, members[i], 0);
        if (std::find(members, members + i, members[i]) != members + i)
            call.fail(GROUP_ERR_NOT_GROUPABLE, "object %u is given twice", members[i]);
    }
    const tag_t g = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, work});
    for (int i = 0; i < count; ++i) host::entity::add_member(g, members[i]);
    return g;
}

void es1506_(const unsigned int* object, unsigned int* group_out, int* flag) {
    auto call = HOST_ENTRY(object ? *object : 0, group_out, flag);
    call.need(object, "the object");
    call.need(group_out, "the group output");
    call.need(flag, "the flag output");
    call.live(*object);
    *group_out = group_of(*object);
    *flag = *group_out != 0 ? 1 : 0;
}

int ES_count_group_members(unsigned int g) {
    auto call = HOST_ENTRY(g);
    group(call, g);
    host::entity::attrs(g);
    return static_cast<int>(host::entity::members_of(g).size());
}

void rm404_(const unsigned int* g, const int* code, const int* mode, const int* count, unsigned int* array) {
    auto call = HOST_ENTRY(g ? *g : 0, code ? *code : 0, mode ? *mode : 0, count ? *count : 0);
    call.need(g, "the group");
    call.need(code, "the code");
    call.need(mode, "the mode");
    call.need(count, "the count");
    group(call, *g);
    if (*code != RM__record_type_codes[RM_RECORD_GROUP_MEMBERS] || *mode != 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "record code %d, mode %d", *code, *mode);
    host::entity::attrs(*g);
    const std::vector<tag_t>& m = host::entity::members_of(*g);
    const std::size_t n = std::min(m.size(), static_cast<std::size_t>(std::max(*count, 0)));
    if (n > 0) call.need(array, "the array");
    std::copy(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(n), array);
}

void GROUP_add_member_to_group(unsigned int g, unsigned int member) {
    auto call = HOST_ENTRY(g, member);
    group(call, g);
    check_joinable(call, member, g);
    host::entity::add_member(g, member);
    host::parts::note_change(g);
}

void es1503_(const unsigned int* g, const unsigned int* member) {
    auto call = HOST_ENTRY(g ? *g : 0, member ? *member : 0);
    call.need(g, "the group");
    call.need(member, "the member");
    group(call, *g);
    std::vector<tag_t>& m = host::entity::rare(*g).members;
    auto it = std::find(m.begin(), m.end(), *member);
    if (it == m.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is not in group %u", *member, *g);
    m.erase(it);
    host::parts::note_change(*g);
}

void es1521_(const unsigned int* g) {
    auto call = HOST_ENTRY(g ? *g : 0);
    call.need(g, "the group");
    group(call, *g);
    dissolve(*g, false);
}

void es1523_(const unsigned int* g) {
    auto call = HOST_ENTRY(g ? *g : 0);
    call.need(g, "the group");
    group(call, *g);
    dissolve(*g, true);
}

}  // extern "C"
