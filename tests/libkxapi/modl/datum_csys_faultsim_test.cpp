// A datum coordinate system made from a three-point transform and read
// back, under fault simulation: every run with a host error at one host
// call ends clean (no block leaked, no mark or frame left, the model as
// before).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/smart/smart.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_part = NULL_TAG, g_xform = NULL_TAG;

void model() {
    kxtest::fresh_process();
    g_part = host::parts::create("csys.prt");
    host::parts::set_work_part(g_part);
    const double at[3][3] = {{1, 2, 3}, {1, 12, 3}, {1, 2, 8}};
    unsigned int points[3] = {};
    for (int i = 0; i < 3; ++i) ES_create_point(at[i], &points[i]);
    g_xform = XFORM_create_three_points(g_part, 1, points);
    host::control::clear_journal();
}

int datum_csys() {
    STEP(KX_initialize());
    tag feature = NULL_TAG;
    STEP(KX_MODL_create_datum_csys(g_part, g_xform, 0, &feature));
    tag csys = NULL_TAG, origin = NULL_TAG, planes[3], axes[3];
    STEP(KX_MODL_ask_datum_csys_components(feature, &csys, &origin, planes, axes));
    return KX_MODL_ask_xform_tag_of_datum_csys(feature) == g_xform ? 0 : 1;
}

TEST(DatumCsysFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"datum csys", datum_csys, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
