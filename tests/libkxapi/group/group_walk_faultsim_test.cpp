// Joining a group, asking an object's group and dissolving groups (the top
// level, or every level below) under fault simulation: a host error at each
// host call must end clean, and a failed call leaves the groups as they
// were.
#include <gtest/gtest.h>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_group.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_line = NULL_TAG, g_point = NULL_TAG, g_arc = NULL_TAG, g_inner = NULL_TAG, g_outer = NULL_TAG;

// A part with an arc and a group {line} inside a group {inner, point}, made
// straight through the host before the story.
void nested_groups() {
    kxtest::fresh_process();
    const tag part = host::parts::create("group_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    g_line = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, part});
    g_point = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, part});
    g_arc = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_ARC, 0, part});
    g_inner = GROUP_create(1, &g_line);
    const tag both[] = {g_inner, g_point};
    g_outer = GROUP_create(2, both);
}

// The arc joins the inner group, the line's group is asked, the outer
// group is dissolved one level, and then the inner one with all below it.
int join_ask_and_dissolve() {
    STEP(KX_initialize());
    STEP(KX_GROUP_add_member_to_group(g_arc, g_inner));
    tag of = NULL_TAG;
    STEP(KX_GROUP_ask_group_of_tag(g_line, &of));
    STEP(KX_GROUP_ungroup_top(g_outer));
    return faultsim::step("KX_GROUP_ungroup_all", [] { return KX_GROUP_ungroup_all(g_inner); });
}

// Dissolving every level of a nested group in one call.
int dissolve_all_levels() {
    STEP(KX_initialize());
    return faultsim::step("KX_GROUP_ungroup_all", [] { return KX_GROUP_ungroup_all(g_outer); });
}

TEST(GroupWalkFaultSimulation, JoinAskAndDissolveEndClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"group_join_ask_dissolve", join_ask_and_dissolve, nested_groups});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(GroupWalkFaultSimulation, DissolvingEveryLevelEndsClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"group_dissolve_all_levels", dissolve_all_levels, nested_groups});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
