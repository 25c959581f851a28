// Direct face operations under fault simulation: a host error at each host
// call of the story must leave a clean status, no armed frame, no leaked
// block and, where a call failed, the model and the undo marks as before it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_body = 0, g_line = 0, g_point = 0;
std::vector<tag> g_boss, g_side;

std::vector<tag> faces_in(const double box[6]);

// A 100 x 50 x 20 block with a 10 x 10 x 5 boss on its top, a line along x
// and a point.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("dfo_faults.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[] = {"100", "50", "20"};
    const char* boss[] = {"10", "10", "5"};
    const double origin[3] = {0, 0, 0}, boss_at[3] = {10, 10, 20};
    unsigned int f = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    g_body = FREC_ask_body(f);
    FEAT_create(g_part, "BLOCK", 3, boss, 3, boss_at, 0, nullptr, g_body, FEAT_SIGN_UNITE, &f);
    const double ends[6] = {0, 0, 0, 10, 0, 0};
    ES_create_line_in_part(g_part, ends, &g_line);
    const double at[3] = {5, 30, 0};
    ES_create_point(at, &g_point);
    const double boss_box[6] = {10, 10, 20, 20, 20, 25}, side_box[6] = {100, 0, 0, 100, 50, 20};
    g_boss = faces_in(boss_box);
    g_side = faces_in(side_box);
}

// Faces of the body whose boxes lie inside the box.
std::vector<tag> faces_in(const double box[6]) {
    std::vector<tag> out;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_body))) {
        double b[6];
        ZQ_TOPOL_find_box(f, b);
        bool inside = true;
        for (int i = 0; i < 3; ++i) inside = inside && b[i] >= box[i] - 1e-6 && b[3 + i] <= box[3 + i] + 1e-6;
        if (inside) out.push_back(host::kernel::object_of(f));
    }
    return out;
}

void free_region(dfo_region* r) {
    if (!r) return;
    KX_free(r->seed_faces);
    KX_free(r->second_faces);
    KX_free(r->third_faces);
    KX_free(r);
}

int story() {
    std::vector<tag> boss = g_boss, side = g_side;
    dfo_region region{};
    region.seed_faces = side.data();
    region.number_of_seed_faces = static_cast<int>(side.size());
    tag offset = NULL_TAG;
    STEP(KX_MODL_create_offset_region(&region, "5", &offset));
    dfo_region* back = nullptr;
    char text[KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_offset_region(offset, &back, text));
    free_region(back);
    STEP(KX_MODL_edit_offset_region(offset, nullptr, "8"));

    region.seed_faces = boss.data();
    region.number_of_seed_faces = static_cast<int>(boss.size());
    move_distance m{};
    m.direction = g_line;
    std::strcpy(m.displacement, "20");
    tag move = NULL_TAG;
    STEP(KX_MODL_create_move_region(1, &region, &m, &move));
    int type = 0;
    void* motion = nullptr;
    STEP(KX_MODL_ask_move_region(move, &type, &back, &motion));
    free_region(back);
    KX_free(motion);
    move_point_to_point pp{g_point, g_point};
    STEP(KX_MODL_edit_move_region(move, 0, nullptr, &pp));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(DfoFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_dfo", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
