// Face data, parameter boxes and evaluation of a cone's face and of its
// occurrence under fault simulation: every run with a host error at one
// host call ends clean (no mark, frame or block left behind).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_side = 0, g_occurrence = 0;

// A part with a cone about Z and an assembly holding it turned, made
// straight through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int assembly = host::parts::create("assembly.prt");
    const unsigned int part = host::parts::create("cone.prt");
    host::parts::set_work_part(part);
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int body = 0;
    ZQ_BODY_make_cone(base, z, 6, 2, 8, &body);
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_CONE) g_side = host::kernel::object_of(f);
    }
    const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, at[3] = {10, 0, 0};
    const unsigned int po = host::occurrences::create_part_occurrence(assembly, part, turned, at);
    g_occurrence = OCC_find_occurrence(po, g_side);
    host::parts::set_work_part(assembly);
    host::control::clear_journal();
}

int face_data() {
    STEP(KX_initialize());
    for (tag face : {g_side, g_occurrence}) {
        int type = 0, sense = 0;
        double point[3], direction[3], box[6], r = 0, r2 = 0;
        STEP(KX_MODL_ask_face_data(face, &type, point, direction, box, &r, &r2, &sense));
        double uv[4];
        STEP(KX_MODL_ask_face_uv_minmax(face, uv));
        double at[2] = {uv[0], uv[2]};
        face_value_record value;
        STEP(KX_MODL_evaluate_face(face, 33, at, &value));
    }
    return 0;
}

TEST(FaceDataFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"face_data", face_data, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
