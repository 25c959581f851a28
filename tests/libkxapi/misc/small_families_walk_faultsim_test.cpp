// Attributes, layers and coordinate mapping under fault simulation: every
// run with a host error at one host call ends clean (a failed edit leaves
// the model as it was, a failed query hands nothing back).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

void part() {
    kxtest::fresh_process();
    host::parts::set_work_part(host::parts::create("tags.prt"));
    host::control::clear_journal();
}

int small_families() {
    STEP(KX_initialize());
    double at[3] = {4.5, -1.25, 8};
    tag point = NULL_TAG;
    STEP(KX_CURVE_create_point(at, &point));
    attribute_value qty{};
    qty.type = KX_ATTR_integer;
    qty.value.integer = 37;
    STEP(KX_ATTR_assign(point, "QTY", qty));
    int title_type = 0;
    STEP(KX_ATTR_find_attribute(point, KX_ATTR_integer, "QTY", &title_type));
    int index = 0;
    char title[KX_ATTR_MAX_TITLE_LEN + 1] = {};
    attribute_value got{};
    STEP(KX_ATTR_cycle(point, &index, KX_ATTR_integer, title, &got));
    STEP(KX_ATTR_delete_all(point, KX_ATTR_integer));
    tag part_attr = NULL_TAG;
    STEP(KX_ATTR_ask_part_attribute(&part_attr));

    int layer = 0, status = 0;
    STEP(KX_LAYER_ask_work_layer(&layer));
    STEP(KX_LAYER_ask_status(layer + 3, &status));
    STEP(KX_LAYER_set_all_but_work(KX_LAYER_REFERENCE_LAYER));

    tag matrix = NULL_TAG;
    STEP(KX_CSYS_ask_matrix_of_object(point, &matrix));
    double mapped[3];
    return step("KX_CSYS_map_point", [&] { return KX_CSYS_map_point(KX_CSYS_WCS_COORDS, at, KX_CSYS_ROOT_COORDS, mapped); });
}

TEST(SmallFamiliesWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"small_families", small_families, part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
