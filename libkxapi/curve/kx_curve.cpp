// Points, lines and circular arcs: create, read, edit, and the arc or circle
// through three points.
#include <cmath>
#include <numbers>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/numeric/conics.h"
#include "host/numeric/linalg.h"
#include "host/base/services/objects.h"
#include "kx_curve.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/csys/kx_csys_internal.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace kx::curve {

TypeOf type_of(tag object) {
    TypeOf t;
    if (object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr)
        RM_ask_entity_type_and_subtype(object, &t.type, &t.subtype);
    return t;
}

bool is_live(tag object) { return type_of(object).type != 0 && es0022_(&object) == 3; }

int refuse_smart(tag object) { return SO_is_so(object) ? kSmartObject : 0; }

int refuse_edit(tag object, int type, int code) {
    if (int st = refuse_smart(object)) return st;
    return type_of(object).type == type ? 0 : code;
}

tag matrix_of(tag object) {
    tag m = NULL_TAG;
    ES_ask_matrix_tag_of_entity(object, &m);
    return m;
}

void edit_tail(tag object) {
    DSS_REGEN_regen_object(object);
    if (ES_find_sketch_of_member(object, nullptr) == 1) sk_edit_curve_(&object);
    UPDATE_log_entity_to_update(object);
    UPDATE_log_entity_int_app_data(object, 3, 0);
}

}  // namespace kx::curve

namespace {

namespace kc = kx::curve;

constexpr double kTwoPi = 2 * std::numbers::pi;
// The largest sweep of an arc: two pi and a little slack.
constexpr double kSweepBound = 6.283185307279586;
// Radius and sweep of an arc must be above this.
constexpr double kArcMinimum = 1e-6;
// Points of the arc through three points must be farther apart than this.
constexpr double kPointTolerance = 1e-6;

bool is_line_or_straight_edge(tag object) {
    const kc::TypeOf t = kc::type_of(object);
    if (t.type == HOST_TYPE_LINE) return true;
    return t.type == HOST_TYPE_SOLID && t.subtype == HOST_SUBTYPE_EDGE && PX_curve_ask_type(object) == PX_CURVE_LINE;
}

bool is_arc_or_circular_edge(tag object) {
    const kc::TypeOf t = kc::type_of(object);
    if (t.type == HOST_TYPE_ARC) return true;
    return t.type == HOST_TYPE_SOLID && t.subtype == HOST_SUBTYPE_EDGE && PX_curve_ask_type(object) == PX_CURVE_CIRCLE;
}

double dist_sq(const double a[3], const double b[3]) {
    double s = 0;
    for (int i = 0; i < 3; ++i) s += (a[i] - b[i]) * (a[i] - b[i]);
    return s;
}

// The length test of a line: the ends must be farther apart than the
// modeller's length tolerance.
bool line_too_short(const line_data& l) {
    return !(dist_sq(l.start_point, l.end_point) > EQ_ask_length_squared_tolerance());
}

// The angle and matrix tests of an arc record, in the order of their codes.
int arc_angles_and_matrix(const arc_data& a) {
    if (std::fabs(a.end_angle - a.start_angle) > kSweepBound) return kc::kSweepTooLarge;
    if (a.end_angle < a.start_angle) return kc::kStartAfterEnd;
    if (kc::type_of(a.matrix_tag).type != HOST_TYPE_MATRIX) return kc::kNotMatrix;
    return 0;
}

bool arc_degenerate(const arc_data& a) {
    return !(std::fabs(a.radius) > kArcMinimum) || !(std::fabs(a.end_angle - a.start_angle) > kArcMinimum);
}

void arc_values(const arc_data& a, double v[6]) {
    v[0] = a.start_angle;
    v[1] = a.end_angle;
    v[2] = a.arc_center[0];
    v[3] = a.arc_center[1];
    v[4] = a.arc_center[2];
    v[5] = a.radius;
}

int no_active_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

// The tests of an arc record after its arguments: angles, matrix, size.
int check_arc(const arc_data& a) {
    if (int st = arc_angles_and_matrix(a)) return st;
    return arc_degenerate(a) ? kc::kDegenerate : 0;
}

// A new arc from a checked record, under a model-change mark.
int make_arc(const arc_data& a, tag* arc) {
    double v[6];
    arc_values(a, v);
    return kc::create(arc, [&](tag* out) { ES_create_arc(v, a.matrix_tag, out); });
}

// A new matrix object for a circular edge: Z along the axis of its kernel
// curve, X towards the curve's point at parameter 0.
tag matrix_of_circular_edge(tag edge) {
    int entity = 0, curve = 0, ifail = 0;
    es7010_occ_(&edge, &entity);
    KI_ougeef(&entity, &curve, &ifail);
    if (ifail != 0) ERROR_raise("kx_curve", 0, HOST_ERR_WRONG_CLASS, "edge %u has no kernel curve", edge);
    double center[3], axis[3], radius = 0;
    KI_outcur(&curve, center, axis, &radius, &ifail);
    if (ifail != 0) ERROR_raise("kx_curve", 0, HOST_ERR_WRONG_CLASS, "edge %u is not circular", edge);
    double n[3], p[3], d[3], x[3], y[3], nx[3];
    VEC3_unitize(axis, EQ_ask_length_tolerance(), nullptr, n);
    const double t0 = 0;
    const int zero = 0;
    KI_enpopc(&curve, &t0, &zero, &zero, p, &ifail);
    for (int i = 0; i < 3; ++i) d[i] = p[i] - center[i];
    VEC3_unitize(d, EQ_ask_length_tolerance(), nullptr, x);
    nx[0] = n[1] * x[2] - n[2] * x[1];
    nx[1] = n[2] * x[0] - n[0] * x[2];
    nx[2] = n[0] * x[1] - n[1] * x[0];
    VEC3_unitize(nx, EQ_ask_length_tolerance(), nullptr, y);
    // The kernel answers in the prototype's space: an occurrence's axes are
    // turned into the occurrence.
    if (OCC_is_occurrence(edge)) {
        OCC_transform_direction_p(edge, x, x);
        OCC_transform_direction_p(edge, y, y);
        OCC_transform_direction_p(edge, n, n);
    }
    double rows[9];
    MTX3_init_x_y_z(x, y, n, rows);
    tag matrix = NULL_TAG;
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), rows, 3, &matrix);
    return matrix;
}

// The arc through three points in the plane of the points (kind 1), or the
// full circle (kind 2). Runs under the frame and the undo mark.
int arc_thru_points(int kind, const double* p1, const double* p2, const double* p3, tag* arc) {
    double plane[9];
    tag plane_matrix = NULL_TAG;
    int status = 0;
    k0541_(p1, p2, p3, plane, &plane_matrix, &status);
    if (status == 0) ERROR_raise("kx_curve", 0, kc::kNoCircle, "");
    double q[3][3];
    h100_(p1, plane, q[0]);
    h100_(p2, plane, q[1]);
    h100_(p3, plane, q[2]);
    // The center lies on the perpendicular bisectors of q1 q2 and q1 q3.
    double a[2], b[2], e[2];
    for (int i = 1; i <= 2; ++i) {
        a[i - 1] = q[i][0] - q[0][0];
        b[i - 1] = q[i][1] - q[0][1];
        e[i - 1] = a[i - 1] * (q[i][0] + q[0][0]) / 2 + b[i - 1] * (q[i][1] + q[0][1]) / 2;
    }
    double cx = 0, cy = 0;
    if (h601_(&a[0], &b[0], &e[0], &a[1], &b[1], &e[1], &cx, &cy) != 2) ERROR_raise("kx_curve", 0, kc::kNoCircle, "");
    const double r = std::hypot(q[0][0] - cx, q[0][1] - cy);
    double start = 0, end = kTwoPi;
    if (kind == 1) {
        const double a1 = h053_(q[0][1] - cy, q[0][0] - cx);
        const double a2 = h053_(q[1][1] - cy, q[1][0] - cx);
        const double a3 = h053_(q[2][1] - cy, q[2][0] - cx);
        const bool forward = (a1 < a2 && a2 < a3) || (a3 < a1 && a1 < a2) || (a2 < a3 && a3 < a1);
        start = forward ? a1 : a3;
        end = forward ? a3 : a1;
        if (end < start) end += kTwoPi;
    }
    arc_data rec{};
    // The arc is made with the matrix of the work coordinate system and then
    // takes the plane's matrix, in whose frame its center is given (without
    // a work coordinate system it is made with the plane's matrix at once).
    const tag wcs = kx::csys::ask_wcs();
    if (wcs != NULL_TAG)
        if (const int st = kx::csys::ask_matrix_of_object(wcs, &rec.matrix_tag); st != 0) return st;
    if (rec.matrix_tag == NULL_TAG) rec.matrix_tag = plane_matrix;
    rec.start_angle = start;
    rec.end_angle = end;
    rec.arc_center[0] = cx;
    rec.arc_center[1] = cy;
    rec.arc_center[2] = q[0][2];
    rec.radius = r;
    if (const int st = check_arc(rec); st != 0) return st;
    if (const int st = make_arc(rec, arc); st != 0) return st;
    if (rec.matrix_tag != plane_matrix) kx::csys::edit_matrix_of_object(*arc, plane_matrix);
    return 0;
}

}  // namespace

extern "C" {

// ---- points -------------------------------------------------------------------

KXAPI int KX_CURVE_create_point(double point_coords[3], tag* point) {
    return kx::frame(
        [&] {
            kx::clear(point);
            if (int st = no_active_part()) return st;
            return kx::check({{point_coords, 1}, {point, 2}});
        },
        [&] { return kc::create(point, [&](tag* out) { ES_create_point(point_coords, out); }); });
}

KXAPI int KX_CURVE_ask_point_data(tag point, double point_coords[3]) {
    return kx::frame(
        [&] {
            if (kc::type_of(point).type != HOST_TYPE_POINT) return kc::kNotPoint;
            return kx::check({{point_coords, 2}});
        },
        [&] {
            ES_ask_coordinates_of_point(point, point_coords);
            return 0;
        });
}

KXAPI int KX_CURVE_edit_point_data(tag point, double point_coords[3]) {
    return kx::frame(
        [&] {
            if (int st = kc::refuse_edit(point, HOST_TYPE_POINT, kc::kNotPoint)) return st;
            return kx::check({{point_coords, 2}});
        },
        [&] {
            const double copy[3] = {point_coords[0], point_coords[1], point_coords[2]};
            return kc::edit(point, [&] { POINT_set_coordinates(point, copy); });
        });
}

// ---- lines --------------------------------------------------------------------

KXAPI int KX_CURVE_create_line(line_data* line_coords, tag* line) {
    return kx::frame(
        [&] {
            kx::clear(line);
            if (int st = no_active_part()) return st;
            return kx::check({{line_coords, 1}, {line, 2}});
        },
        [&] {
            if (line_too_short(*line_coords)) return kc::kDegenerate;
            double ends[6];
            for (int i = 0; i < 3; ++i) {
                ends[i] = line_coords->start_point[i];
                ends[3 + i] = line_coords->end_point[i];
            }
            return kc::create(line, [&](tag* out) { ES_create_line_in_part(0, ends, out); });
        });
}

KXAPI int KX_CURVE_ask_line_data(tag line, line_data* line_coords) {
    return kx::frame(
        [&] {
            if (!is_line_or_straight_edge(line)) return kc::kNotLine;
            return kx::check({{line_coords, 2}});
        },
        [&] {
            ES_ask_coordinates_of_line(line, line_coords->start_point, line_coords->end_point);
            return 0;
        });
}

KXAPI int KX_CURVE_edit_line_data(tag line, line_data* line_coords) {
    return kx::frame(
        [&] {
            if (int st = kc::refuse_edit(line, HOST_TYPE_LINE, kc::kNotLine)) return st;
            return kx::check({{line_coords, 2}});
        },
        [&] {
            // The data are tested before they are stored, so that a refused
            // edit leaves the line as it was.
            const line_data copy = *line_coords;
            if (line_too_short(copy)) return kc::kDegenerate;
            return kc::edit(line, [&] { LINE_set_end_points(line, copy.start_point, copy.end_point); });
        });
}

// ---- arcs ---------------------------------------------------------------------

KXAPI int KX_CURVE_create_arc(arc_data* arc_coords, tag* arc) {
    return kx::frame(
        [&] {
            kx::clear(arc);
            if (int st = no_active_part()) return st;
            if (int st = kx::check({{arc_coords, 1}, {arc, 2}})) return st;
            return check_arc(*arc_coords);
        },
        [&] { return make_arc(*arc_coords, arc); });
}

KXAPI int KX_CURVE_ask_arc_data(tag arc, arc_data* arc_coords) {
    return kx::frame(
        [&] {
            if (!is_arc_or_circular_edge(arc)) return kc::kNotArc;
            return kx::check({{arc_coords, 2}});
        },
        [&] {
            double v[6];
            ES_ask_data_of_arc(arc, v);
            arc_data rec{};
            rec.matrix_tag = kc::matrix_of(arc);
            // A circular edge gets a matrix of its own, made from its curve.
            if (kc::type_of(arc).type == HOST_TYPE_SOLID) rec.matrix_tag = matrix_of_circular_edge(arc);
            rec.start_angle = v[0];
            rec.end_angle = v[1];
            rec.arc_center[0] = v[2];
            rec.arc_center[1] = v[3];
            rec.arc_center[2] = v[4];
            rec.radius = v[5];
            *arc_coords = rec;
            return 0;
        });
}

KXAPI int KX_CURVE_edit_arc_data(tag arc, arc_data* arc_coords) {
    return kx::frame(
        [&] {
            if (int st = kc::refuse_edit(arc, HOST_TYPE_ARC, kc::kNotArc)) return st;
            if (int st = kx::check({{arc_coords, 2}})) return st;
            return arc_angles_and_matrix(*arc_coords);
        },
        [&] {
            // Tested before anything is stored: a refused edit leaves the
            // arc as it was.
            const arc_data copy = *arc_coords;
            if (arc_degenerate(copy)) return kc::kDegenerate;
            double v[6];
            arc_values(copy, v);
            return kc::edit(arc, [&] {
                ARC_set_data(arc, v);
                ES_set_matrix_of_entity(arc, copy.matrix_tag);
            });
        });
}

KXAPI int KX_CURVE_create_arc_thru_3pts(int create_type, double point_1[3], double point_2[3], double point_3[3],
                                        tag* arc) {
    const int st = kx::frame(
        kx::acknowledging,
        [&] {
            kx::clear(arc);
            return kx::check({{arc, 5}});
        },
        [&] {
            // The mark is set before the tests; a refused call has changed
            // nothing, so rolling back to the mark leaves the model as it is.
            return kc::model_change([&] {
                if (int st = no_active_part()) return st;
                if (create_type != 1 && create_type != 2) return kx::param(1);
                if (int st = kx::check({{point_1, 2}, {point_2, 3}, {point_3, 4}})) return st;
                const double t2 = kPointTolerance * kPointTolerance;
                if (!(dist_sq(point_1, point_2) > t2) || !(dist_sq(point_1, point_3) > t2)) return kx::param(2);
                if (!(dist_sq(point_2, point_3) > t2)) return kx::param(3);
                return arc_thru_points(create_type, point_1, point_2, point_3, arc);
            });
        });
    // The arc of a failed call was rolled back.
    if (st != 0 && arc) *arc = NULL_TAG;
    return st;
}

}  // extern "C"
