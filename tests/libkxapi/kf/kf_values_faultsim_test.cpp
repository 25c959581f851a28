// Values of the knowledge language under fault simulation: every run with
// a host error at one host call ends clean (no frame left armed, no block
// leaked, the error answered as the status).
#include <gtest/gtest.h>

#include "kxapi.h"
#include "tests/support/faultsim.h"

namespace {

#define STEP FAULTSIM_STEP

int values() {
    STEP(KX_initialize());
    tag part = NULL_TAG;
    STEP(KX_PART_new("values.prt", 1, &part));
    knowledge_value_p_t number = nullptr, text = nullptr, frame = nullptr, point = nullptr, list_value = nullptr;
    STEP(KX_KF_make_number(2.5, &number));
    STEP(KX_KF_make_string("flange", &text));
    const double p[3] = {1, 2, 3};
    STEP(KX_KF_make_point(p, &point));
    const double f[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    STEP(KX_KF_make_frame(f, &frame));
    double back[16] = {};
    int st = faultsim::step("KX_KF_ask_frame", [&] { return KX_KF_ask_frame(frame, back); });
    if (st != 0) return st;
    KX_free(frame);
    KX_KF_name_t name = nullptr;
    STEP(KX_KF_ask_name_of_string("rib", &name));
    char* name_text = nullptr;
    STEP(KX_KF_ask_string_of_name(name, &name_text));
    KX_free(name_text);
    KX_KF_list_p_t list = nullptr;
    STEP(KX_KF_list_push(list, number, &list));
    STEP(KX_KF_list_push(list, text, &list));
    STEP(KX_KF_list_push(list, point, &list));
    STEP(KX_KF_make_list(list, &list_value));
    int count = 0;
    STEP(KX_KF_ask_list_count(list_value, &count));
    knowledge_value_p_t item = nullptr, first = nullptr;
    STEP(KX_KF_ask_list_item(list, 2, &item));
    KX_KF_list_p_t rest = nullptr;
    STEP(KX_KF_list_pop(list, &first, &rest));
    double d = 0;
    return faultsim::step("KX_KF_ask_number", [&] { return KX_KF_ask_number(number, &d); });
}

TEST(KfValuesFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"knowledge values", values});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
