// Object queries, name origins, cycling, data exchange of several pairs
// and deletion of several objects under fault simulation: a host error at
// each host call the story makes must end clean (a failed call leaves the
// model and the live blocks as they were).
#include <gtest/gtest.h>

#include <cstdio>

#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

// A step of a function that answers something other than a status: the
// answer is looked at by the caller, the step's status is 0.
#define ANSWER_STEP(call) faultsim::step(#call, [&] { (void)(call); return 0; })

tag g_part = NULL_TAG;

void work_part() {
    kxtest::fresh_process();
    g_part = host::parts::create("objects_walk.prt");
    host::parts::set_work_part(g_part);
}

int objects() {
    STEP(KX_initialize());
    line_data a{{0, 0, 0}, {3, 4, 0}}, b{{1, 1, 2}, {6, -2, 2}}, c{{0, 5, 0}, {7, 5, 1}}, d{{2, 2, 2}, {2, 9, 2}};
    tag la = NULL_TAG, lb = NULL_TAG, lc = NULL_TAG, ld = NULL_TAG;
    STEP(KX_CURVE_create_line(&a, &la));
    STEP(KX_CURVE_create_line(&b, &lb));
    STEP(KX_CURVE_create_line(&c, &lc));
    STEP(KX_CURVE_create_line(&d, &ld));

    STEP(KX_OBJ_set_name(la, "RIM"));
    const double origin[3] = {10.5, -3.25, 0.125};
    STEP(KX_OBJ_set_name_origin(la, origin));
    double at[3] = {};
    STEP(KX_OBJ_ask_name_origin(la, at));
    int creation = 0, modification = 0;
    STEP(KX_OBJ_ask_cre_mod_versions(lb, &creation, &modification));
    tag part = NULL_TAG;
    STEP(KX_OBJ_ask_owning_part(lb, &part));
    ANSWER_STEP(KX_OBJ_ask_status(lc));
    ANSWER_STEP(KX_OBJ_is_object_a_promotion(lc));
    ANSWER_STEP(KX_OBJ_is_type_displayable(3));
    ANSWER_STEP(KX_OBJ_can_type_have_matrix(5));
    logical transferable = 0;
    STEP(KX_OBJ_is_type_transferable(5, &transferable));
    ANSWER_STEP(KX_OBJ_cycle_all(g_part, NULL_TAG));
    ANSWER_STEP(KX_OBJ_cycle_all(g_part, lb));

    const tag kept[2] = {la, lb}, others[2] = {lc, ld};
    STEP(KX_OBJ_replace_object_array_data(2, kept, others));
    const tag gone[2] = {lb, la};
    int* statuses = nullptr;
    STEP(KX_OBJ_delete_array_of_objects(2, gone, &statuses));
    KX_free(statuses);
    return 0;
}

TEST(ObjWalkFaultSimulation, QueriesExchangesAndDeletionsEndClean) {
    const faultsim::Report r = faultsim::simulate({"object queries and edits", objects, work_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
