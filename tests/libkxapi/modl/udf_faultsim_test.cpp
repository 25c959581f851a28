// The user-defined-feature protocol under fault simulation: a pocket
// exported, imported back, given its depth by prompt and placed on the
// block's bottom face; every run with a host error at one host call ends
// clean (the model, the marks and the host's lists as before a call that
// failed, no frame or block left behind).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/udf/udf.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "libkxapi/core/frame.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_top = 0, g_bottom = 0;

unsigned int face_of(unsigned int body, double nz) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense * nz > 0.999) return host::kernel::object_of(f);
    }
    return 0;
}

// A 100 x 50 x 20 block with a 30 x 20 x 8 pocket in its top driven by
// pocket_len and pocket_depth, made through the host before the story.
void model() {
    const auto [part, block] = fresh_host_block("udf.prt");
    const unsigned int body = FREC_ask_body(block);
    g_top = face_of(body, 1);
    g_bottom = face_of(body, -1);
    unsigned int exp = 0;
    host::expr::create(part, "pocket_depth", "8", &exp);
    host::expr::create(part, "pocket_len", "30", &exp);
    int list = 0;
    KI_crlist(KI_LIST_FEATURES, &list);
    CM_ptcmtgli(list, 0, 1, FREF_ask_fref_of_face(g_top));
    CM_misc_set_link_fref_list(list);
    const char* at[] = {"50", "25", "20"};
    const char* down[] = {"0", "0", "-1"};
    const char* x[] = {"1", "0", "0"};
    const char* parms[] = {"pocket_len", "20", "pocket_depth", "0", "0", "0"};
    int status = 0;
    ui_create_rect_pocket(at, down, x, parms, &status);
    CM_misc_set_link_fref_list(0);
    KI_free_list(list);
    BREF_set_current_target(body);
    host::control::clear_journal();
}

int protocol() {
    STEP(KX_initialize());
    const udf_input_parm inputs[] = {{"pocket_depth", "Depth?"}, {"pocket_len", "Length?"}};
    STEP(KX_MODL_export_udf("pocket.udf", 2, inputs, 1));
    double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, point[3] = {0, 0, 0};
    tag udf = NULL_TAG;
    STEP(KX_MODL_import_udf("pocket.udf", orientation, point, &udf));
    char prompt[] = "Depth?";
    char value[] = "5";
    char* prompts[] = {prompt};
    char* values[] = {value};
    STEP(KX_MODL_set_udf_parms(udf, prompts, values, 1));
    char* name = nullptr;
    char** asked_prompts = nullptr;
    char** asked_values = nullptr;
    int n = 0;
    STEP(KX_MODL_ask_udf_parms(udf, &name, &asked_prompts, &asked_values, &n));
    KX_free(name);
    KX_free_string_array(n, asked_prompts);
    KX_free_string_array(n, asked_values);
    // The tool's top face, asked of the host under a frame of the library's.
    tag own = NULL_TAG;
    STEP(kx::frame(kx::no_check, [&] {
        own = face_of(FREC_ask_body(UDF_ask_meta_frec(udf)), 1);
        return 0;
    }));
    tag placed = NULL_TAG;
    STEP(KX_MODL_boolean_udf(udf, g_bottom, own, nullptr, 0, nullptr, 0, nullptr, 0, &placed));
    return 0;
}

// The pocket placed on the bottom face with the top face as its trim face
// (the tool is cut by it before the boolean), and a second definition
// exported without placement cutting where its import put it, 5 lower.
int trimmed_and_unplaced() {
    STEP(KX_initialize());
    const udf_input_parm inputs[] = {{"pocket_depth", "Depth?"}};
    STEP(KX_MODL_export_udf("pocket.udf", 1, inputs, 1));
    STEP(KX_MODL_export_udf("loose.udf", 1, inputs, 0));
    double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, point[3] = {0, 0, 0};
    tag udf = NULL_TAG;
    STEP(KX_MODL_import_udf("pocket.udf", orientation, point, &udf));
    tag own = NULL_TAG;
    STEP(kx::frame(kx::no_check, [&] {
        own = face_of(FREC_ask_body(UDF_ask_meta_frec(udf)), 1);
        return 0;
    }));
    tag trims[] = {g_top};
    tag placed = NULL_TAG;
    STEP(KX_MODL_boolean_udf(udf, g_bottom, own, nullptr, 1, trims, 0, nullptr, 0, &placed));
    tag loose = NULL_TAG;
    point[2] = -5;
    STEP(KX_MODL_import_udf("loose.udf", orientation, point, &loose));
    STEP(KX_MODL_boolean_udf(loose, NULL_TAG, NULL_TAG, nullptr, 0, nullptr, 0, nullptr, 0, &placed));
    return 0;
}

TEST(UdfFaultSimulation, TrimmedAndUnplacedRunsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"udf_trimmed", trimmed_and_unplaced, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(UdfFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"udf", protocol, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
