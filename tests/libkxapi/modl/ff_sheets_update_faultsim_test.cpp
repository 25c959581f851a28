// Sheets made again by the update under fault simulation: a host error at
// any host call while a variable offset's and a thickened sheet's
// distances are edited and the model is updated (the offset, the solid on
// it and a reversed sheet made again) ends in a clean status with the
// model as before and no frame left.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/host_block.h"
#include "tests/support/faultsim.h"

namespace {

#define STEP FAULTSIM_STEP

// The assignments of the edits ("p7=8"), found before the story.
std::vector<std::string> g_edits;

std::string name_of(unsigned int exp) {
    char* text = nullptr;
    KX_MODL_ask_exp_tag_string(exp, &text);
    const std::string s = text ? text : "";
    KX_free(text);
    return s.substr(0, s.find('='));
}

std::vector<unsigned int> exps_of(unsigned int feature) {
    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(feature, &n, &exps);
    std::vector<unsigned int> out(exps, exps + n);
    SM_free(exps);
    return out;
}

// The block's top face offset by 5, the offset thickened by 2 and a second
// offset reversed.
void model() {
    const auto [part, block] = fresh_host_block("sheet_update.prt");
    KX_initialize();
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    unsigned int top = 0;
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) top = host::kernel::object_of(f);
    }
    double u[2], v[2];
    int ifail = 0, face = host::kernel::entity_of(top);
    KI_enpben(&face, u, v, &ifail);
    char five[] = "5";
    char* offsets[4] = {five, five, five, five};
    double points[4][2] = {{u[0], v[0]}, {u[1], v[0]}, {u[1], v[1]}, {u[0], v[1]}};
    tag sheets[2] = {};
    for (tag& s : sheets) KX_MODL_create_variable_offset(top, offsets, points, &s);
    tag thick = NULL_TAG, flip = NULL_TAG;
    KX_MODL_create_thicken_sheet(sheets[0], "2", "0", 0, &thick);
    KX_MODL_create_reverse_normal(sheets[1], 0, &flip);
    g_edits.clear();
    int n = 0;
    unsigned int* features = nullptr;
    for (tag s : sheets) {
        FREC_ask_body_features(s, &n, &features);
        for (unsigned int e : exps_of(features[0])) g_edits.push_back(name_of(e) + "=8");
        SM_free(features);
    }
    g_edits.push_back(name_of(exps_of(thick)[0]) + "=3");
    host::control::clear_journal();
}

int edits_and_update() {
    STEP(KX_initialize());
    for (const std::string& e : g_edits) STEP(KX_MODL_edit_exp(e.c_str()));
    STEP(KX_MODL_update());
    return 0;
}

TEST(SheetUpdateFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report rep =
        faultsim::simulate(faultsim::Story{"sheets made again by the update", edits_and_update, model});
    EXPECT_EQ(rep.problem, "");
    EXPECT_GT(rep.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(rep), "");
}

}  // namespace
