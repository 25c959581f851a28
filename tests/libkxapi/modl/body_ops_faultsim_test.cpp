// Patterns, process aids, scales, hollows, datums and body operations
// under fault simulation: a host error at each host call of the story must
// leave a clean status, no armed frame, no leaked block and, where a call
// failed, the model and the undo marks as before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/pattern/pattern.h"
#include "host/apps/modeling/process_aid/process_aid.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_body = 0, g_pattern = 0, g_datum = 0, g_plane = 0, g_top = 0;

// A 100 x 50 x 20 block, a pattern, a process-aid datum and a datum plane.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("bodyops.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"100", "50", "20"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    g_body = FREC_ask_body(block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_body))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 19.5) g_top = host::kernel::object_of(f);
    }
    g_pattern = PATTERN_create(g_part, 0);
    unsigned int source = 0;
    ES_create_point(origin, &source);
    PROCESS_AID_datum_t data{PROCESS_AID_KIND_SPOT, source, 0, nullptr, 0, {0, 0, 0}, 0, nullptr};
    PROCESS_AID_create_datum(g_part, &data, &g_datum);
    const double at[3] = {30, 0, 0}, x[3] = {1, 0, 0};
    g_plane = host::profiles::create_direction_object(g_part, HOST_TYPE_DATUM_PLANE, at, x);
}

int story() {
    STEP(KX_PATT_set_shading(1));
    STEP(KX_PATT_set_params(g_pattern, 1, 0, 1));
    int kind = 0;
    tag feature = NULL_TAG;
    STEP(KX_PROCESS_AID_is_datum_object(g_datum, 0, &kind, &feature));
    char factors[3][KX_MODL_SCALE_SLOT_CHARS] = {"2", "1", "1"};
    tag* features = nullptr;
    tag body = g_body;
    STEP(KX_MODL_create_scale(0, &body, 1, NULL_TAG, NULL_TAG, NULL_TAG, factors, &features));
    KX_free(features);
    tag open[1] = {g_top};
    STEP(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 0, nullptr, nullptr, &feature));
    STEP(KX_MODL_create_mirror_body(g_body, g_plane, &feature));
    int n = 0;
    tag* pieces = nullptr;
    STEP(KX_MODL_split_body(1, &body, g_plane, &n, &pieces));
    KX_free(pieces);
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(BodyOpsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"body operations", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// The block with a line across its top, a second block of the kernel's
// own against its end face, and two bounded planes side by side.
unsigned int g_line = 0, g_end = 0, g_tool_face = 0, g_sheet = 0, g_beside = 0;

void face_model() {
    model();
    const double ends[6] = {30, 0, 20, 30, 50, 20};
    ES_create_line_in_part(0, ends, &g_line);
    const double origin[3] = {100, 0, 0}, size[3] = {20, 50, 20};
    int tool = 0;
    ZQ_BODY_make_block(origin, size, &tool);
    const auto face_at_x = [](int body, double x) {
        for (int f : host::kernel::faces_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (box[0] > x - 1e-6 && box[3] < x + 1e-6) return host::kernel::object_of(f);
        }
        return 0u;
    };
    g_end = face_at_x(host::kernel::entity_of(g_body), 100);
    g_tool_face = face_at_x(tool, 100);
    // Sheets of 10 x 10 and 7 x 10 below the block, made by features.
    const auto bplane = [](double x0, double x1) {
        const double z = -30;
        const double corners[4][3] = {{x0, 0, z}, {x1, 0, z}, {x1, 10, z}, {x0, 10, z}};
        std::vector<unsigned int> sides(4);
        for (int i = 0; i < 4; ++i) {
            double ends[6];
            std::copy(corners[i], corners[i] + 3, ends);
            std::copy(corners[(i + 1) % 4], corners[(i + 1) % 4] + 3, ends + 3);
            ES_create_line_in_part(0, ends, &sides[static_cast<std::size_t>(i)]);
        }
        int per[1] = {4}, dir[1] = {1};
        string_list s{1, per, dir, sides.data()};
        double tolerances[3] = {0.001, 0.5, 0.02};
        tag feature = NULL_TAG;
        KX_MODL_create_bplane(&s, tolerances, &feature);
        return FREC_ask_body(feature);
    };
    g_sheet = bplane(0, 10);
    g_beside = bplane(10, 17);
}

int face_story() {
    tag curves[2] = {g_line, NULL_TAG};
    tag feature = NULL_TAG;
    STEP(KX_MODL_create_subdiv_face(curves, 0, g_top, 0, 0, &feature));
    tag targets[1] = {g_end}, tools[1] = {g_tool_face};
    tag_list* made = nullptr;
    STEP(KX_MODL_create_sew(1, 1, targets, 1, tools, 0.001, 0, &made, &feature));
    KX_MODL_delete_list(&made);
    tag sheets[1] = {g_sheet}, beside[1] = {g_beside};
    STEP(KX_MODL_create_sew(0, 1, sheets, 1, beside, 0.001, 0, &made, &feature));
    KX_MODL_delete_list(&made);
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(BodyOpsFaultSimulation, FaceDivisionAndSewsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"face operations", face_story, face_model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
