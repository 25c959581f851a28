// A coordinate system asked back, and the surface frames of a cylinder's
// and a sphere's faces asked through the numbered routine, under fault
// simulation: a host error at any host call ends clean. The numbered
// routine has no frame of its own, so the story calls it as a program
// does, under a handler of its own, and takes a jump back as the failure.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include "host/kernel/curves/kernel_surfaces.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_csys.h"
#include "libkxapi/csys/kx_csys_internal.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

tag g_csys = NULL_TAG;
unsigned int g_wall = 0, g_ball = 0;

// The face of the body whose surface is of the kind.
unsigned int face_of_kind(int body, int kind) {
    for (int f : host::kernel::faces_of(body)) {
        const unsigned int o = host::kernel::object_of(f);
        unsigned char sense = 0;
        int k = 0;
        double origin[3], axis[3], radii[2];
        PX_face_ask_data(o, &sense, &k, origin, axis, radii);
        if (k == kind) return o;
    }
    return 0;
}

// A coordinate system at (3, -2, 7) turned a third of a turn about Z, a
// cylinder of radius 1.5 along (0, 0.6, 0.8) and a sphere of radius 2.5.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("csys_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    const double c = -0.5, s = 0.8660254037844386;
    const double turned[9] = {c, s, 0, -s, c, 0, 0, 0, 1}, origin[3] = {3, -2, 7};
    tag matrix = NULL_TAG;
    KX_CSYS_create_matrix(turned, &matrix);
    KX_CSYS_create_csys(origin, matrix, &g_csys);
    const double base[3] = {1, 2, 3}, axis[3] = {0, 0.6, 0.8}, centre[3] = {-4, 0, 1};
    int cylinder = 0, sphere = 0;
    ZQ_BODY_make_cylinder(base, axis, 1.5, 4, &cylinder);
    ZQ_BODY_make_sphere(centre, 2.5, &sphere);
    g_wall = face_of_kind(cylinder, PX_SURF_CYLINDER);
    g_ball = face_of_kind(sphere, PX_SURF_SPHERE);
}

std::jmp_buf g_jump;
volatile int g_handler = -1;

// The surface frame of a face under a handler of the caller's own: the
// kernel's status word, or the code of a host error that jumped back.
// Nothing here has a destructor: the jump lands in it.
int surface_frame(unsigned int face) {
    if (setjmp(g_jump) == 0) {
        g_handler = KX_ERROR_set_handler(g_jump);
        if (g_handler == -1) return -1;
        const tag f = face;
        int kind = 0, sense = 1, status = -1;
        double origin[3], axis[3], reference[3], radii[2], box[4];
        kxoutsur_(&f, &kind, origin, axis, reference, radii, &sense, box, &status);
        KX_ERROR_cancel_handler(g_handler);
        return status;
    }
    KX_ERROR_cancel_handler(g_handler);  // the jump took it off: quiet
    return KX_ERROR_ask_failure_code();
}

int story() {
    tag matrix = NULL_TAG;
    double origin[3] = {};
    STEP(KX_CSYS_ask_csys_info(g_csys, &matrix, origin));
    if (matrix == NULL_TAG || origin[2] != 7) return -1;
    if (int st = faultsim::step("kxoutsur_", [] { return surface_frame(g_wall); })) return st;
    return faultsim::step("kxoutsur_", [] { return surface_frame(g_ball); });
}

TEST(MiscWalkCsysFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"csys_walk", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
