// Beads and sheet-metal forming under fault simulation: a host error at
// each host call of the story must leave a clean status, no armed frame, no
// leaked block and, where a call failed, the model and the undo marks as
// before it.
#include <gtest/gtest.h>

#include <cstring>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/apps/modeling/sheetmetal/sheetmetal.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_top = 0, g_line = 0, g_flange = 0, g_bend = 0;

// A 100 x 50 x 20 plate, a line across its top, a flange and a bend.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("beads.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"100", "50", "20"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(block)))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 19.5) g_top = host::kernel::object_of(f);
    }
    const double ends[6] = {50, 0, 20, 50, 50, 20};
    ES_create_line_in_part(g_part, ends, &g_line);
    SMD_create_feature(g_part, SMD_FLANGE, "K*T", &g_flange);
    SMD_create_feature(g_part, SMD_BEND, "K*T", &g_bend);
}

KX_MODL_parm text(const char* t) {
    KX_MODL_parm p{};
    std::strcpy(p.u.expression, t);
    return p;
}

int story() {
    tag curves[1] = {g_line}, faces[1] = {g_top};
    bead_section section{1, curves, 0, nullptr};
    bead_faces placement{1, faces, 2};
    bead_secondary secondary{};
    secondary.set = &placement;
    std::strcpy(secondary.text, "1");
    bead_plane plane{};
    KX_MODL_vector axis{};
    axis.u.components[2] = 1;
    KX_MODL_law law{};
    law.method = 1;
    std::strcpy(law.u.values.start_value, "1");
    std::strcpy(law.u.values.end_value, "2");
    KX_MODL_parm p[8] = {text("4"), text("10"), text("1"), text("1"), text("20"), text("0"), text("5"), text("30")};
    p[2].method = 2;
    p[2].u.law = &law;
    bead_shape shape{2, &p[0], &p[1], 1, &p[2], 0, &p[3], 1, &p[4], &p[5], &p[6], &p[7], 1, 2, 3};
    tag bead = NULL_TAG;
    STEP(KX_MODL_create_bead(&section, &placement, &secondary, &plane, &axis, &shape, &bead));
    bead_section s{};
    bead_faces f{};
    bead_secondary sec{};
    bead_plane pl{};
    KX_MODL_vector ax{};
    bead_shape sh{};
    STEP(KX_MODL_ask_bead(bead, &s, &f, &sec, &pl, &ax, &sh));
    STEP(KX_MODL_free_bead(&s, &f, &sec, &pl, &ax, &sh));
    p[0] = text("6");
    shape.shape_type = 1;
    STEP(KX_MODL_edit_bead(bead, &section, &placement, &secondary, &plane, &axis, &shape));
    STEP(KX_MODL_update());
    const tag features[2] = {g_flange, g_bend};
    unsigned char changed = 0;
    STEP(KX_MODL_unform_features(2, features, &changed));
    double half = 0.5;
    STEP(KX_MODL_edit_formable_feature_state(g_bend, 2, &half));
    int state = 0;
    double factor = 0;
    STEP(KX_MODL_ask_formable_feature_state(g_bend, &state, &factor));
    STEP(KX_MODL_edit_bend_allowance_formula(g_bend, "0.5*T"));
    char* formula = nullptr;
    STEP(KX_MODL_ask_bend_allowance_formula(g_flange, &formula));
    KX_free(formula);
    return faultsim::step("KX_MODL_form_features", [&] { return KX_MODL_form_features(2, features, &changed); });
}

TEST(BeadFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"beads", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
