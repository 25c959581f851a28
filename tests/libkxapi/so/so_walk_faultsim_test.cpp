// Smart points, scalars, offsets, axes, directions, transforms, smart arcs
// and splines, and the questions and displays of any smart object, under
// fault simulation: every run with a host error at one host call ends
// clean (a failed call leaves the model and the live blocks as they were,
// a failed question hands nothing back).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <numbers>

#include "host/control/control.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/profiles.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_p = 0, g_q = 0, g_r = 0, g_line = 0, g_arc = 0, g_plane = 0, g_exp = 0;

// A work part with three plain points, a line, an arc about (1, 1, 0) of
// radius 2 over half a turn, a plane and an expression, made straight
// through the host before the story.
void model() {
    kxtest::fresh_process();
    g_part = host::parts::create("walk.prt");
    host::parts::set_work_part(g_part);
    const double p[3] = {3, 1, 0}, q[3] = {1, 3, 0}, r[3] = {-1, 1, 0};
    ES_create_point(p, &g_p);
    ES_create_point(q, &g_q);
    ES_create_point(r, &g_r);
    const double ends[6] = {0.5, -1, 2, 4, 2, 5};
    ES_create_line_in_part(g_part, ends, &g_line);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0;
    ES_create_matrix_in_part(g_part, rows, 3, &m);
    const double arc[6] = {0, std::numbers::pi, 1, 1, 0, 2};
    ES_create_arc(arc, m, &g_arc);
    const double o[3] = {0, 0, 4}, up[3] = {0, 0.6, 0.8};
    g_plane = host::profiles::create_direction_object(g_part, HOST_TYPE_PLANE, o, up);
    EXP_create_exp(g_part, "depth=2.5", &g_exp);
    host::control::clear_journal();
}

// Scalars of values, expressions and curve lengths; points of scalars and
// offsets; offsets of every kind; extracts of each; display markers.
int points_scalars_offsets() {
    STEP(KX_initialize());
    const tag part = g_part;
    tag a = NULL_TAG, b = NULL_TAG, dim = NULL_TAG, ex = NULL_TAG, exd = NULL_TAG, len = NULL_TAG;
    STEP(KX_SO_create_scalar_double(part, 0, 1.5, &a));
    STEP(KX_SO_create_scalar_double(part, 0, 30, &b));
    STEP(KX_SO_create_scalar_double_dim(part, 0, 2.25, 1, &dim));
    STEP(KX_SO_create_scalar_exp(part, 0, g_exp, &ex));
    STEP(KX_SO_create_scalar_exp_dim(part, 0, g_exp, 1, &exd));
    STEP(KX_SO_create_scalar_length_crv(part, 0, g_line, &len));
    tag sx = NULL_TAG, sxd = NULL_TAG, got = NULL_TAG;
    STEP(KX_SO_create_scalar_extract(part, 0, len, 0, &sx));
    STEP(KX_SO_create_scalar_extract_dim(part, 0, dim, 0, 1, &sxd));
    double value = 0;
    STEP(KX_SO_ask_double_of_scalar(len, &value));
    STEP(KX_SO_ask_exp_of_scalar(ex, &got));

    tag three[3] = {a, ex, dim}, pt = NULL_TAG, back[3] = {};
    STEP(KX_SO_create_point_3_scalars(part, 0, three, &pt));
    STEP(KX_SO_ask_3_scalars_of_point(pt, back));

    double w[3] = {7, -8, 9}, v[3] = {0.5, 2, -3};
    tag od = NULL_TAG, odp = NULL_TAG, o3 = NULL_TAG, cyl = NULL_TAG, sph = NULL_TAG, ox = NULL_TAG;
    STEP(KX_SO_create_offset_double(part, 0, w, &od));
    STEP(KX_SO_create_offset_double_pnt(part, 0, nullptr, v, &odp));
    STEP(KX_SO_create_offset_3_scalars(part, 0, three, &o3));
    STEP(KX_SO_create_offset_cylindrical(part, 0, a, b, dim, &cyl));
    STEP(KX_SO_create_offset_spherical(part, 0, a, b, b, &sph));
    STEP(KX_SO_create_offset_extract(part, 0, sph, 0, &ox));
    double off[3] = {};
    STEP(KX_SO_ask_offset_of_offset(cyl, off));
    double moved[3] = {-2, 0.75, 4};
    STEP(KX_SO_set_offset_of_offset(od, moved));

    tag shifted = NULL_TAG, px = NULL_TAG, pm = NULL_TAG;
    STEP(KX_SO_create_point_offset(part, 0, g_p, od, &shifted));
    STEP(KX_SO_create_point_extract(part, 0, shifted, 0, &px));
    STEP(KX_SO_create_point_extract_with_disp_marker(part, 0, pt, 0, 4, &pm));
    STEP(KX_SO_set_display_marker_of_point(px, 3));
    int marker = 0;
    STEP(KX_SO_ask_display_marker_of_point(pm, &marker));
    return 0;
}

// Axes and directions of values, points, lines, planes and other
// directions; transforms of a point and two directions; their extracts,
// questions and edits.
int axes_directions_transforms() {
    STEP(KX_initialize());
    const tag part = g_part;
    double x[3] = {0.6, 0.8, 0}, y[3] = {-0.8, 0.6, 0}, at[3] = {1, 2, 3};
    tag dx = NULL_TAG, dy = NULL_TAG, dp = NULL_TAG, dl = NULL_TAG, dz = NULL_TAG, de = NULL_TAG;
    STEP(KX_SO_create_dirr_doubles(part, 0, x, &dx));
    STEP(KX_SO_create_dirr_doubles_pnt(part, 0, nullptr, y, &dy));
    STEP(KX_SO_create_dirr_plane(part, 0, g_plane, 0, &dp));
    STEP(KX_SO_create_dirr_line(part, 0, g_line, 1, &dl));
    tag both[2] = {dx, dy};
    STEP(KX_SO_create_dirr_two_dirs(part, 0, both, &dz));
    STEP(KX_SO_create_dirr_extract(part, 0, dl, 0, &de));
    double d[3] = {};
    STEP(KX_SO_ask_direction_of_dirr(dz, d));
    double tilted[3] = {0, 0.28, 0.96};
    STEP(KX_SO_set_direction_of_dirr(dx, tilted));

    tag ad = NULL_TAG, ap = NULL_TAG, ae = NULL_TAG, on = NULL_TAG, along = NULL_TAG;
    STEP(KX_SO_create_axis_doubles(part, 0, at, x, &ad));
    STEP(KX_SO_create_axis_point_dir(part, 0, g_q, dl, &ap));
    STEP(KX_SO_create_axis_extract(part, 0, ap, 0, &ae));
    STEP(KX_SO_create_scalar_double(part, 0, 2.5, &along));
    STEP(KX_SO_create_point_on_axis(part, 0, ap, along, &on));
    double ax[3] = {}, ad3[3] = {};
    STEP(KX_SO_ask_point_of_axis(ae, ax));
    STEP(KX_SO_ask_direction_of_axis(ap, ad3));
    double base[3] = {-1, 4, 2}, dir[3] = {0.36, 0.48, 0.8};
    STEP(KX_SO_set_point_of_axis(ad, base));
    STEP(KX_SO_set_direction_of_axis(ad, dir));

    tag scale = NULL_TAG, xy = NULL_TAG, xz = NULL_TAG, yz = NULL_TAG, xe = NULL_TAG;
    STEP(KX_SO_create_scalar_double(part, 0, 1.5, &scale));
    STEP(KX_SO_create_xform_pnt_xy_dirs(part, 0, g_p, dx, dy, scale, &xy));
    STEP(KX_SO_create_xform_pnt_xz_dirs(part, 0, g_q, dy, dz, scale, &xz));
    STEP(KX_SO_create_xform_pnt_yz_dirs(part, 0, g_r, dx, dz, scale, &yz));
    STEP(KX_SO_create_xform_extract(part, 0, xz, 0, &xe));
    tag s[3] = {scale, along, along}, in = NULL_TAG;
    STEP(KX_SO_create_point_3_scalars_csys(part, xe, 0, s, &in));
    double o[3] = {}, vx[3] = {}, vy[3] = {}, vz[3] = {}, k = 0;
    STEP(KX_SO_ask_point_of_xform(xy, o));
    STEP(KX_SO_ask_x_direction_of_xform(xz, vx));
    STEP(KX_SO_ask_y_direction_of_xform(yz, vy));
    STEP(KX_SO_ask_z_direction_of_xform(xe, vz));
    STEP(KX_SO_ask_scale_of_xform(xy, &k));
    logical assy = 1;
    STEP(KX_SO_is_assy_ctxt_xform(xy, &assy));
    // The edits of values work on a transform defined by values.
    double origin[3] = {2, -1, 0.5}, nx[3] = {0, 1, 0}, ny[3] = {0, 0, 1};
    tag byvalues = NULL_TAG;
    STEP(KX_SO_create_xform_doubles(part, 0, origin, x, y, 0.75, &byvalues));
    STEP(KX_SO_set_xy_direction_of_xform(byvalues, nx, ny));
    STEP(KX_SO_set_scale_of_xform(byvalues, 2.5));
    return 0;
}

// Arcs of points, points and directions of arcs and curves, a spline and
// its record, and the questions and displays of any smart object.
int curves_and_questions() {
    STEP(KX_initialize());
    const tag part = g_part;
    tag three[3] = {g_p, g_q, g_r}, centred[3] = {g_r, g_p, g_q}, arc = NULL_TAG, quarter = NULL_TAG;
    STEP(KX_SO_create_arc_three_points(part, 0, three, &arc));
    STEP(KX_SO_create_arc_center_2_pnts(part, 0, centred, &quarter));
    tag centre = NULL_TAG, normal = NULL_TAG, angle = NULL_TAG, on = NULL_TAG, frac = NULL_TAG, tangent = NULL_TAG;
    STEP(KX_SO_create_point_conic_center(part, 0, g_arc, &centre));
    STEP(KX_SO_create_dirr_axis_of_conic(part, 0, arc, 1, &normal));
    STEP(KX_SO_create_scalar_double(part, 0, 60, &angle));
    STEP(KX_SO_create_point_on_arc_angle(part, 0, g_arc, angle, 0, &on));
    STEP(KX_SO_create_scalar_double(part, 0, 0.3, &frac));
    STEP(KX_SO_create_dirr_on_curve(part, 0, quarter, frac, 0, 0, &tangent));

    int kinds[3] = {0, 1, 0};
    tag pts[3] = {g_p, on, g_r}, first[3] = {NULL_TAG, g_q, NULL_TAG};
    so_spline_data data{0, 3, 0, 3, kinds, pts, nullptr, first, nullptr, nullptr, 2, 5};
    tag spline = NULL_TAG;
    STEP(KX_SO_create_spline(part, &data, &spline));
    so_spline_data record{};
    STEP(KX_SO_ask_spline(spline, &record));
    KX_free(record.kinds);
    KX_free(record.points);
    KX_free(record.parameters);
    KX_free(record.first_objects);
    KX_free(record.second_objects);
    KX_free(record.third_objects);

    logical is = 0, sub = 0, dumb = 1;
    STEP(KX_SO_is_so(tangent, &is));
    STEP(KX_SO_is_subclass(spline, &sub));
    int option = -1, status = -1, code = -1, count = 0;
    STEP(KX_SO_ask_visibility_option(frac, &option));
    STEP(KX_SO_ask_parent_status(on, &status));
    tag* parents = nullptr;
    STEP(KX_SO_ask_parents(tangent, 0, &count, &parents));
    KX_free(parents);
    STEP(KX_SO_ask_update_error_code(centre, &code));
    STEP(KX_SO_has_become_dumb(normal, &dumb));
    STEP(KX_SO_display(on, -1, 5, 3));
    STEP(KX_SO_display_parents(tangent, -1, 6, 2));
    return 0;
}

void run(const char* name, int (*story)()) {
    const auto start = std::chrono::steady_clock::now();
    const faultsim::Report r = faultsim::simulate(faultsim::Story{name, story, model});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s (%.1f s)\n", faultsim::describe(r).c_str(), seconds);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(SmartWalkFaultSimulation, PointsScalarsAndOffsets) { run("so_points_scalars_offsets", points_scalars_offsets); }

TEST(SmartWalkFaultSimulation, AxesDirectionsAndTransforms) {
    run("so_axes_directions_transforms", axes_directions_transforms);
}

TEST(SmartWalkFaultSimulation, CurvesAndQuestions) { run("so_curves_and_questions", curves_and_questions); }

}  // namespace
