// Undo marks and the routines of the undo service's events under fault
// simulation: marks are set between edits, asked, made visible or not,
// rolled back to and deleted, with a host error raised at each host call
// the story makes; every run must end clean (a failed call leaves the
// marks and the model as they were).
#include <gtest/gtest.h>

#include <cstdio>

#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_undo.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

// A fresh process with a work part.
void work_part() {
    kxtest::fresh_process();
    host::parts::set_work_part(host::parts::create("undo_walk.prt"));
}

int g_events = 0;
void count_event(int, KX_UNDO_mark_id_t, void*, void* user_data) {
    ++g_events;
    ++*static_cast<int*>(user_data);
}

int point(double x) {
    double at[3] = {x, 2 * x - 1, 0.5};
    tag t = NULL_TAG;
    return KX_CURVE_create_point(at, &t);
}

// Marks between points: the undos roll points back, the queries and
// visibility edits look at and change the marks alone.
int marks() {
    STEP(KX_initialize());
    static int seen = 0;
    unsigned int on_set = 0, on_undo = 0;
    STEP(KX_UNDO_register_misc_cb(0, nullptr, KX_UNDO_visible, count_event, &seen, &on_set));
    STEP(KX_UNDO_register_misc_cb(2, &seen, KX_UNDO_visible, count_event, &seen, &on_undo));
    KX_UNDO_mark_id_t first = 0, second = 0, third = 0, fourth = 0;
    STEP(KX_UNDO_set_mark(KX_UNDO_visible, "first", &first));
    STEP(point(1.5));
    STEP(KX_UNDO_set_mark(KX_UNDO_invisible, "second", &second));
    STEP(point(2.5));
    STEP(KX_UNDO_set_mark(KX_UNDO_visible, "third", &third));
    STEP(point(3.5));
    STEP(KX_UNDO_set_mark(KX_UNDO_invisible, "fourth", &fourth));
    STEP(point(4.5));

    int exists = 0, number = 0, visibility = 0;
    STEP(KX_UNDO_ask_any_mark_exist(KX_UNDO_visible, &exists));
    STEP(KX_UNDO_ask_number_of_marks(KX_UNDO_invisible, &number));
    STEP(KX_UNDO_ask_mark_visibility(second, "second", &visibility));
    KX_UNDO_mark_id_t next = 0;
    STEP(KX_UNDO_ask_next_vis_mark(&next));
    STEP(KX_UNDO_set_mark_visibility(second, nullptr, KX_UNDO_visible));
    STEP(KX_UNDO_set_to_mark_visibility(third, nullptr, KX_UNDO_invisible));
    STEP(KX_UNDO_set_mark_visibility(fourth, nullptr, KX_UNDO_visible));

    STEP(KX_UNDO_disable_misc_cbs());
    STEP(KX_UNDO_undo_to_last_mark(KX_UNDO_visible, ""));
    STEP(KX_UNDO_enable_misc_cbs());
    STEP(KX_UNDO_undo_to_prev_mark(KX_UNDO_invisible, fourth, ""));
    STEP(KX_UNDO_unregister_misc_cb(on_set));
    STEP(KX_UNDO_undo_to_next_vis_mark());
    KX_UNDO_mark_id_t fifth = 0, sixth = 0;
    STEP(KX_UNDO_set_mark(KX_UNDO_visible, "fifth", &fifth));
    STEP(point(5.5));
    STEP(KX_UNDO_set_mark(KX_UNDO_invisible, "sixth", &sixth));
    STEP(KX_UNDO_delete_to_mark(fifth, nullptr));
    STEP(KX_UNDO_delete_all_misc_cbs());
    STEP(KX_UNDO_delete_all_marks());
    return 0;
}

TEST(UndoWalkFaultSimulation, MarksEndClean) {
    const faultsim::Report r = faultsim::simulate({"undo marks", marks, work_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
