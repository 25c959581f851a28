// Smart objects of faces, planes and curves, smart curves made from other
// objects and transforms in an assembly context under fault simulation:
// every run with a host error at one host call ends clean (a failed call
// leaves the model, the work part and the live blocks as they were).
#include <gtest/gtest.h>

#include <string>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_wall = 0, g_occurrence = 0, g_object = 0;

// A part with a cylinder of radius 2 about Z, and an assembly using it,
// made straight through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int assembly = host::parts::create("assembly.prt");
    g_part = host::parts::create("faces.prt");
    host::parts::set_work_part(g_part);
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int body = 0;
    ZQ_BODY_make_cylinder(base, z, 2, 10, &body);
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER) g_wall = host::kernel::object_of(f);
    }
    const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    g_occurrence = host::occurrences::create_part_occurrence(assembly, g_part, turned);
    const double p[3] = {1, 0, 0};
    ES_create_point(p, &g_object);
    host::parts::set_work_part(assembly);
    host::control::clear_journal();
}

int faces_and_curves() {
    STEP(KX_initialize());
    const tag part = g_part;
    tag u = NULL_TAG, v = NULL_TAG, on = NULL_TAG, normal = NULL_TAG, axis = NULL_TAG, d = NULL_TAG, k = NULL_TAG;
    STEP(KX_SO_create_scalar_double(part, 0, 0.25, &u));
    STEP(KX_SO_create_scalar_double(part, 0, 0.5, &v));
    STEP(KX_SO_create_point_on_surface(part, 0, g_wall, u, v, &on));
    STEP(KX_SO_create_dirr_surface_axis(part, 0, g_wall, 0, &axis));
    double far[3] = {5, 0, 3};
    tag outside = NULL_TAG;
    STEP(KX_CURVE_create_point(far, &outside));
    STEP(KX_SO_create_dirr_normal_to_surface_point(part, 0, g_wall, outside, 0, &normal));
    surface_dirr_data sd{g_wall, u, v, 3, axis, 1};
    STEP(KX_SO_create_dirr_on_surf(part, 0, &sd, &d));
    STEP(KX_SO_ask_dirr_on_surf(d, &sd));
    surf_cvtr_data sc{g_wall, u, v, 0, NULL_TAG};
    STEP(KX_SO_create_offset_surf_cvtr(part, 0, &sc, &k));
    STEP(KX_SO_ask_offset_surf_cvtr(k, &sc));

    line_data l{{0, 0, 0}, {6, 0, 6}}, across{{0, 0, 3}, {6, 0, 3}};
    tag slope = NULL_TAG, flat = NULL_TAG, hit = NULL_TAG, cross = NULL_TAG, along = NULL_TAG, dist = NULL_TAG;
    STEP(KX_CURVE_create_line(&l, &slope));
    STEP(KX_CURVE_create_line(&across, &flat));
    STEP(KX_SO_create_point_surface_crv(part, 0, g_wall, slope, NULL_TAG, NULL_TAG, &hit));
    STEP(KX_SO_create_point_two_curves(part, 0, slope, flat, outside, NULL_TAG, &cross));
    STEP(KX_SO_create_scalar_double(part, 0, 2, &dist));
    STEP(KX_SO_create_point_along_curve(part, 0, slope, outside, dist, 0, 0, &along));
    curve_cvtr_data cc{slope, u};
    tag kc = NULL_TAG;
    STEP(KX_SO_create_offset_curve_cvtr(part, 0, &cc, &kc));
    STEP(KX_SO_ask_offset_curve_cvtr(kc, &cc));

    tag copy = NULL_TAG, spline = NULL_TAG, xf = NULL_TAG, arc = NULL_TAG, quarter = NULL_TAG, angle = NULL_TAG;
    STEP(KX_SO_create_curve_extract(part, 0, slope, 0, 1, 0, &copy));
    tag points[3] = {outside, hit, cross};
    STEP(KX_SO_create_bcurve_thru_points(part, 0, points, 3, 2, 0, nullptr, axis, NULL_TAG, &spline));
    double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    STEP(KX_SO_create_xform_doubles(part, 0, o, x, y, 1, &xf));
    STEP(KX_SO_create_scalar_double(part, 0, 90, &angle));
    STEP(KX_SO_create_arc_radius_angles(part, 0, xf, dist, angle, &arc));
    tag two[2] = {outside, cross};
    STEP(KX_SO_create_arc_xform_2_points(part, 0, xf, two, &quarter));

    STEP(KX_SO_set_double_of_scalar(u, 0.5));
    STEP(KX_MODL_update());
    STEP(KX_SO_set_visibility_option(dist, 1));
    STEP(KX_SO_delete_non_deletables(along));

    tag context = NULL_TAG, mapped = NULL_TAG;
    STEP(KX_SO_create_xform_assy_ctxt(g_object, NULL_TAG, g_occurrence, &context));
    STEP(KX_SO_ask_assy_ctxt_part_occ(context, g_occurrence, &mapped));
    return 0;
}

TEST(SmartFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"smart_faces_and_curves", faces_and_curves, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
