// B-surfaces under fault simulation: sheets from poles, trimmed by a
// circle and from a record, repair, the query, rows of points and the edit
// of a block's face; every run with a host error at one host call ends
// clean (no mark, frame or block left behind, the model as it was).
#include <gtest/gtest.h>

#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_matrix = 0, g_top = 0;

// A part with a 30 x 30 x 10 block feature and a matrix for the circle.
void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("bsurf.prt");
    host::parts::set_work_part(part);
    host::wcs::make_wcs(part);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    ES_create_matrix_in_part(part, rows, 3, &g_matrix);
    const char* sizes[3] = {"30", "30", "10"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    for (int f : host::kernel::faces_of(ES_solid_ask_fermalith_tag(FREC_ask_body(block)))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 9.999 && box[5] < 10.001) g_top = host::kernel::object_of(f);
    }
    host::control::clear_journal();
}

int b_surfaces() {
    STEP(KX_initialize());
    double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    std::vector<double> poles;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            poles.insert(poles.end(), {10.0 * i, 10.0 * j, j == 0 || j == 3 || i == 0 || i == 3 ? 10.0 : 14.0, 1});
    tag sheet = NULL_TAG;
    STEP(KX_MODL_create_bsurf(4, 4, 4, 4, knots, knots, poles.data(), &sheet, 0, 0));
    arc_data circle{g_matrix, 0, 6.283185307179586, {15, 15, 10}, 5};
    tag arc = NULL_TAG;
    STEP(KX_CURVE_create_arc(&circle, &arc));
    std::vector<double> flat = poles;
    for (std::size_t i = 2; i < flat.size(); i += 4) flat[i] = 10;
    int count = 1, sense = 1;
    STEP(KX_MODL_cre_trim_bsurf(4, 4, 4, 4, knots, knots, flat.data(), 1, &count, &sense, &arc, 0, 1e-6, &sheet, 0, 0));
    bsurface_data r{4, 4, 4, 4, 0, knots, knots, poles.data()};
    int n = 0;
    bsurface_state* states = nullptr;
    STEP(KX_MODL_create_bsurface(&r, &sheet, &n, &states));
    KX_free(states);
    STEP(KX_MODL_fix_bsurface_data(0.001, &r, &n, &states));
    KX_free(states);
    bsurface_data asked{};
    STEP(KX_MODL_ask_bsurf(sheet, &asked));
    STEP(KX_MODL_free_bsurf_data(&asked));
    double pts[3][9] = {{0, 0, 0, 1, 0, 1, 2, 0, 4}, {0, 1, 1, 1, 1, 2, 2, 1, 5}, {0, 2, 4, 1, 2, 5, 2, 2, 8}};
    bsurf_row rows[3] = {{3, pts[0], nullptr}, {3, pts[1], nullptr}, {3, pts[2], nullptr}};
    STEP(KX_MODL_create_bsurf_thru_pts(1, 0, 0, 2, 2, 3, rows, &sheet));
    STEP(KX_MODL_edit_bsurf(g_top, &r));
    return 0;
}

TEST(BSurfFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"b_surfaces", b_surfaces, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
