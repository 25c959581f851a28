// Groups: creation with members of several types, membership, removal,
// dissolving, and the refusals of each function.
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_group.h"
#include "tests/libkxapi/layer/layer_fixture.h"

namespace {

namespace hc = host::control;
using Groups = PartTest;

std::vector<tag> members_of(tag group) {
    tag* m = reinterpret_cast<tag*>(0x1);
    int n = -1;
    EXPECT_EQ(KX_GROUP_ask_group_data(group, &m, &n), 0);
    std::vector<tag> out;
    if (n > 0) {
        out.assign(m, m + n);
        KX_free(m);
    }
    return out;
}

TEST_F(Groups, MembersOfSeveralTypes) {
    const std::vector<tag> m = {object(HOST_TYPE_POINT), object(HOST_TYPE_LINE), object(HOST_TYPE_ARC),
                                object(HOST_TYPE_SOLID, HOST_SUBTYPE_EDGE), object(HOST_TYPE_CSYS)};
    tag g = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(m.data(), static_cast<int>(m.size()), &g), 0);
    EXPECT_EQ(members_of(g), m);
    for (tag t : m) {
        tag of = NULL_TAG;
        EXPECT_EQ(KX_GROUP_ask_group_of_tag(t, &of), 0);
        EXPECT_EQ(of, g);
    }
    // A group inside a group.
    const tag loose = object(HOST_TYPE_LINE);
    const std::vector<tag> outer = {g, loose};
    tag top = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(outer.data(), 2, &top), 0);
    tag of = NULL_TAG;
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(g, &of), 0);
    EXPECT_EQ(of, top);
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(top, &of), 0);
    EXPECT_EQ(of, NULL_TAG);
}

TEST_F(Groups, CreationRefusals) {
    const tag a = object(HOST_TYPE_LINE);
    tag g = 5;
    EXPECT_EQ(KX_GROUP_create_group(nullptr, 1, &g), 1105004);
    EXPECT_EQ(KX_GROUP_create_group(&a, 0, &g), 1105005);
    EXPECT_EQ(KX_GROUP_create_group(&a, -3, &g), 1105005);
    EXPECT_EQ(KX_GROUP_create_group(&a, 1, nullptr), 1105006);
    EXPECT_TRUE(host::objects::objects_of_type(HOST_TYPE_GROUP).empty());
    ASSERT_EQ(KX_GROUP_create_group(&a, 1, &g), 0);
    // A member in a group already: the host's refusal, acknowledged.
    tag second = 5;
    EXPECT_EQ(KX_GROUP_create_group(&a, 1, &second), 660017);
    EXPECT_EQ(second, NULL_TAG);
    EXPECT_EQ(hc::acknowledged_codes(), std::vector<int>{660017});
    EXPECT_EQ(hc::frame_depth(), 0);
    no_part();
    EXPECT_EQ(KX_GROUP_create_group(nullptr, 0, nullptr), 1105012);
    fresh();
    EXPECT_EQ(KX_GROUP_create_group(&a, 1, &g), 1105000);
}

TEST_F(Groups, AddAndRemoveTable) {
    const tag a = object(HOST_TYPE_LINE), b = object(HOST_TYPE_POINT), c = object(HOST_TYPE_ARC);
    const tag view = object(HOST_TYPE_VIEW);
    tag g1 = NULL_TAG, g2 = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(&a, 1, &g1), 0);
    ASSERT_EQ(KX_GROUP_create_group(&c, 1, &g2), 0);
    struct Row {
        const char* what;
        bool add;
        tag member, group;
        int code;
    };
    const Row rows[] = {
        {"add to a line", true, b, a, 1105005},
        {"add to no group", true, b, NULL_TAG, 1105005},
        {"add one that is in a group", true, a, g2, 1105004},
        {"add a view (not groupable)", true, view, g1, 1105004},
        {"add a group to itself", true, g1, g1, 660017},
        {"add", true, b, g1, 0},
        {"remove from the group it is not in", false, b, g2, 1105004},
        {"remove from a line", false, b, a, 1105005},
        {"remove with no group given", false, b, NULL_TAG, 0},
        {"remove again: nothing to do", false, b, NULL_TAG, 0},
        {"remove from its own group", false, a, g1, 0},
        {"remove a dead tag", false, 999999, NULL_TAG, 1105004},
    };
    for (const Row& r : rows)
        EXPECT_EQ(
            r.add ? KX_GROUP_add_member_to_group(r.member, r.group) : KX_GROUP_del_member_from_group(r.member, r.group),
            r.code)
            << r.what;
    EXPECT_TRUE(members_of(g1).empty());
    EXPECT_EQ(members_of(g2), std::vector<tag>{c});
}

TEST_F(Groups, AGroupWithoutMembersLeavesTheArrayAlone) {
    const tag a = object(HOST_TYPE_LINE);
    tag g = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(&a, 1, &g), 0);
    ASSERT_EQ(KX_GROUP_del_member_from_group(a, g), 0);
    tag* m = reinterpret_cast<tag*>(0x10);
    int n = 7;
    EXPECT_EQ(KX_GROUP_ask_group_data(g, &m, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(m, reinterpret_cast<tag*>(0x10));
    EXPECT_EQ(KX_GROUP_ask_group_data(a, &m, &n), 1105004);
    EXPECT_EQ(KX_GROUP_ask_group_data(g, nullptr, &n), 1105005);
    EXPECT_EQ(KX_GROUP_ask_group_data(g, &m, nullptr), 1105006);
}

TEST_F(Groups, MembersOutsideTheHostsTypeTableAreNotGroupable) {
    tag g = NULL_TAG;
    const tag a = object(HOST_TYPE_LINE);
    ASSERT_EQ(KX_GROUP_create_group(&a, 1, &g), 0);
    for (int type : {0, 256, 1000, -1}) {
        const tag odd = object(type);
        EXPECT_EQ(KX_GROUP_add_member_to_group(odd, g), 1105004) << type;
    }
    EXPECT_EQ(members_of(g), std::vector<tag>{a});
}

TEST_F(Groups, UngroupTopAndAll) {
    const tag a = object(HOST_TYPE_LINE), b = object(HOST_TYPE_POINT);
    tag inner = NULL_TAG, outer = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(&a, 1, &inner), 0);
    const tag both[] = {inner, b};
    ASSERT_EQ(KX_GROUP_create_group(both, 2, &outer), 0);
    EXPECT_EQ(KX_GROUP_ungroup_top(a), 1105004);
    EXPECT_EQ(KX_GROUP_ungroup_all(NULL_TAG), 1105004);
    ASSERT_EQ(KX_GROUP_ungroup_top(outer), 0);
    EXPECT_FALSE(host::objects::is_alive(outer));
    tag of = 1;
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(inner, &of), 0);
    EXPECT_EQ(of, NULL_TAG);
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(a, &of), 0);
    EXPECT_EQ(of, inner);  // the group inside stays
    const tag again[] = {inner, b};
    ASSERT_EQ(KX_GROUP_create_group(again, 2, &outer), 0);
    ASSERT_EQ(KX_GROUP_ungroup_all(outer), 0);
    EXPECT_FALSE(host::objects::is_alive(inner));
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(a, &of), 0);
    EXPECT_EQ(of, NULL_TAG);
    EXPECT_EQ(KX_GROUP_ask_group_of_tag(a, nullptr), 1105005);
}

TEST_F(Groups, AFailedReadingFreesItsArray) {
    const tag m[] = {object(HOST_TYPE_LINE), object(HOST_TYPE_POINT)};
    tag g = NULL_TAG;
    ASSERT_EQ(KX_GROUP_create_group(m, 2, &g), 0);
    const std::size_t blocks = hc::live_blocks();
    hc::raise_on("rm404_", 670004);
    tag* out = nullptr;
    int n = 5;
    EXPECT_EQ(KX_GROUP_ask_group_data(g, &out, &n), 670004);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(hc::live_blocks(), blocks);
}

}  // namespace
