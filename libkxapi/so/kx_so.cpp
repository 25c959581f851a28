// Smart objects: creators by defining method, their values, the edits of
// the simple kinds (logged for the next update), transforms, lines, and the
// questions that apply to every smart object.
//
// Every function arms its error frame before the initialisation check and
// tests its tag and pointer arguments by position before any host call.
#include <cstring>
#include <initializer_list>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"
#include "kx_so.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/so/kx_so_internal.h"

namespace {

using kx::so::ask;
using kx::so::create;
using kx::so::set_logged;
using kx::so::xform_check;

// The identity placement: origin, X, Y, Z, scale.
constexpr double kIdentity[13] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1};

// A transform question: null output 1105005; NULL_TAG the identity.
template <class F>
int ask_xform(tag xform, const void* out, F host, int at, int n, double* values) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{out, 2}});
        },
        [&] {
            if (xform == NULL_TAG) {
                for (int i = 0; i < n; ++i) values[i] = kIdentity[at + i];
                return 0;
            }
            if (int st = xform_check(xform, kx::param(1))) return st;
            host();
            return 0;
        });
}

// The update-state questions: 875033 (the host's code of an object of another
// kind) for an object that is no smart object.
template <class F>
int ask_state(tag object, logical* answer, F host) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {answer, 2}});
        },
        [&] {
            if (!SO_is_subclass(object)) return EVC_ERR_NOT_A_CURVE;
            *answer = host(object) != 0;
            return 0;
        });
}

}  // namespace

extern "C" {

// ---- points ----

KXAPI int KX_SO_create_point_on_curve(tag owner, int option, tag curve, tag position, tag* point) {
    return create({{owner != NULL_TAG, 1}, {curve != NULL_TAG, 3}, {position != NULL_TAG, 4}, {point, 5}}, point,
                  [&] { return POINT_create_on_curve(owner, option, curve, position); });
}

KXAPI int KX_SO_create_point_offset(tag owner, int option, tag point, tag offset, tag* result) {
    return create({{owner != NULL_TAG, 1}, {point != NULL_TAG, 3}, {offset != NULL_TAG, 4}, {result, 5}}, result,
                  [&] { return POINT_create_offset(owner, option, point, offset); });
}

KXAPI int KX_SO_create_point_3_scalars(tag owner, int option, tag scalars[3], tag* point) {
    return create({{owner != NULL_TAG, 1}, {point, 4}}, point,
                  [&] { return POINT_create_three_scalars(owner, option, scalars); });
}

// The result pointer is tested too: a null one would be written through.
KXAPI int KX_SO_create_point_on_axis(tag owner, int option, tag axis, tag position, tag* point) {
    return create({{owner != NULL_TAG, 1}, {axis != NULL_TAG, 3}, {position != NULL_TAG, 4}, {point, 5}}, point,
                  [&] { return POINT_create_on_axis(owner, option, axis, position); });
}

// A null output is refused (1105005): the scalars would be written through it.
KXAPI int KX_SO_ask_3_scalars_of_point(tag point, tag scalars[3]) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{scalars, 2}});
        },
        [&] {
            SO_parms_t parms{};
            if (point == NULL_TAG || !SO_is_so(point)) return SO_ERR_WRONG_PARMS;
            SO_ask_parms(point, &parms);
            if (!parms.parms_class || std::strcmp(parms.parms_class, "POINT_three_scalars_parms_c") != 0)
                return SO_ERR_WRONG_PARMS;
            for (int i = 0; i < 3; ++i) scalars[i] = parms.parents[i];
            return 0;
        });
}

KXAPI int KX_SO_set_display_marker_of_point(tag point, int marker) {
    return ask({{point != NULL_TAG, 1}}, [&] { POINT_set_display_marker(point, marker); });
}

// The output is tested too (1105005).
KXAPI int KX_SO_ask_display_marker_of_point(tag point, int* marker) {
    return ask({{point != NULL_TAG, 1}, {marker, 2}}, [&] { *marker = POINT_ask_display_marker(point); });
}

// ---- axes ----

KXAPI int KX_SO_create_axis_doubles(tag owner, int option, double point[3], double direction[3], tag* axis) {
    return create({{owner != NULL_TAG, 1}, {point, 3}, {direction, 4}, {axis, 5}}, axis,
                  [&] { return AXIS_create_doubles(owner, option, point, direction); });
}

KXAPI int KX_SO_create_axis_point_dir(tag owner, int option, tag point, tag direction, tag* axis) {
    return create({{owner != NULL_TAG, 1}, {point != NULL_TAG, 3}, {direction != NULL_TAG, 4}, {axis, 5}}, axis,
                  [&] { return AXIS_create_point_dir(owner, option, point, direction); });
}

KXAPI int KX_SO_ask_point_of_axis(tag axis, double point[3]) {
    return ask({{axis != NULL_TAG, 1}, {point, 2}}, [&] { AXIS_ask_point(axis, point); });
}

KXAPI int KX_SO_ask_direction_of_axis(tag axis, double direction[3]) {
    return ask({{axis != NULL_TAG, 1}, {direction, 2}}, [&] { AXIS_ask_direction(axis, direction); });
}

KXAPI int KX_SO_set_point_of_axis(tag axis, double point[3]) {
    return set_logged(axis, {{axis != NULL_TAG, 1}, {point, 2}}, [&] { AXIS_set_point(axis, point); });
}

KXAPI int KX_SO_set_direction_of_axis(tag axis, double direction[3]) {
    return set_logged(axis, {{axis != NULL_TAG, 1}, {direction, 2}}, [&] { AXIS_set_direction(axis, direction); });
}

// ---- directions ----

KXAPI int KX_SO_create_dirr_doubles(tag owner, int option, double direction[3], tag* dirr) {
    static const int no_base[2] = {0, 0};
    return create({{owner != NULL_TAG, 1}, {direction, 3}, {dirr, 4}}, dirr,
                  [&] { return DIRR_create_doubles(owner, option, no_base, direction); });
}

// The direction (parameter 4) answers 1105006 and the result 1105007.
KXAPI int KX_SO_create_dirr_doubles_pnt(tag owner, int option, void* base, double direction[3], tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {direction, 3}, {dirr, 4}}, dirr,
                  [&] { return DIRR_create_doubles(owner, option, base, direction); });
}

KXAPI int KX_SO_create_dirr_two_points(tag owner, int option, tag points[2], tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {dirr, 4}}, dirr,
                  [&] { return DIRR_create_two_points(owner, option, points); });
}

KXAPI int KX_SO_create_dirr_line(tag owner, int option, tag line, int reverse, tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {line != NULL_TAG, 3}, {dirr, 5}}, dirr,
                  [&] { return DIRR_create_line(owner, option, line, reverse); });
}

KXAPI int KX_SO_ask_direction_of_dirr(tag dirr, double direction[3]) {
    return ask({{dirr != NULL_TAG, 1}, {direction, 2}}, [&] { DIRR_ask_direction(dirr, direction); });
}

KXAPI int KX_SO_set_direction_of_dirr(tag dirr, double direction[3]) {
    return set_logged(dirr, {{dirr != NULL_TAG, 1}, {direction, 2}}, [&] { DIRR_set_direction(dirr, direction); });
}

// ---- scalars ----

KXAPI int KX_SO_create_scalar_double(tag owner, int option, double value, tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {scalar, 4}}, scalar,
                  [&] { return SCALAR_create_double(owner, option, value, 0); });
}

KXAPI int KX_SO_create_scalar_double_dim(tag owner, int option, double value, int dimensionality, tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {scalar, 5}}, scalar,
                  [&] { return SCALAR_create_double(owner, option, value, dimensionality); });
}

KXAPI int KX_SO_create_scalar_exp(tag owner, int option, tag exp, tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {exp != NULL_TAG, 3}, {scalar, 4}}, scalar,
                  [&] { return SCALAR_create_exp(owner, option, exp, 0); });
}

KXAPI int KX_SO_create_scalar_exp_dim(tag owner, int option, tag exp, int dimensionality, tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {exp != NULL_TAG, 3}, {scalar, 5}}, scalar,
                  [&] { return SCALAR_create_exp(owner, option, exp, dimensionality); });
}

KXAPI int KX_SO_create_scalar_dist_2_pnts(tag owner, int option, tag points[2], tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {scalar, 4}}, scalar,
                  [&] { return SCALAR_create_dist_2_points(owner, option, points); });
}

KXAPI int KX_SO_create_scalar_length_crv(tag owner, int option, tag curve, tag* scalar) {
    return create({{owner != NULL_TAG, 1}, {curve != NULL_TAG, 3}, {scalar, 4}}, scalar,
                  [&] { return SCALAR_create_length_curve(owner, option, curve, 0); });
}

KXAPI int KX_SO_set_double_of_scalar(tag scalar, double value) {
    return set_logged(scalar, {{scalar != NULL_TAG, 1}}, [&] { SCALAR_set_double(scalar, value); });
}

KXAPI int KX_SO_ask_double_of_scalar(tag scalar, double* value) {
    return ask({{scalar != NULL_TAG, 1}, {value, 2}}, [&] { *value = SCALAR_ask_double(scalar); });
}

KXAPI int KX_SO_ask_exp_of_scalar(tag scalar, tag* exp) {
    return ask({{scalar != NULL_TAG, 1}, {exp, 2}}, [&] { *exp = SCALAR_ask_exp(scalar); });
}

// ---- offsets ----

KXAPI int KX_SO_create_offset_double(tag owner, int option, double offset[3], tag* result) {
    static const int no_base[2] = {0, 0};
    return create({{owner != NULL_TAG, 1}, {offset, 3}, {result, 4}}, result,
                  [&] { return OFFSET_create_doubles(owner, option, no_base, offset); });
}

// The offset (parameter 4) answers 1105006 and the result 1105007.
KXAPI int KX_SO_create_offset_double_pnt(tag owner, int option, void* base, double offset[3], tag* result) {
    return create({{owner != NULL_TAG, 1}, {offset, 3}, {result, 4}}, result,
                  [&] { return OFFSET_create_doubles(owner, option, base, offset); });
}

KXAPI int KX_SO_create_offset_dir_dist(tag owner, int option, tag direction, tag distance, tag* result) {
    return create({{owner != NULL_TAG, 1}, {direction != NULL_TAG, 3}, {distance != NULL_TAG, 4}, {result, 5}}, result,
                  [&] { return OFFSET_create_dir_dist(owner, option, direction, distance); });
}

KXAPI int KX_SO_create_offset_3_scalars(tag owner, int option, tag scalars[3], tag* result) {
    return create({{owner != NULL_TAG, 1}, {result, 4}}, result,
                  [&] { return OFFSET_create_three_scalars(owner, option, scalars); });
}

KXAPI int KX_SO_ask_offset_of_offset(tag offset, double value[3]) {
    return ask({{offset != NULL_TAG, 1}, {value, 2}}, [&] { OFFSET_ask_offset(offset, value); });
}

KXAPI int KX_SO_set_offset_of_offset(tag offset, double value[3]) {
    return set_logged(offset, {{offset != NULL_TAG, 1}, {value, 2}}, [&] { OFFSET_set_offset(offset, value); });
}

// ---- transforms ----

KXAPI int KX_SO_create_xform_doubles(tag owner, int option, double origin[3], double x_direction[3],
                                     double y_direction[3], double scale, tag* xform) {
    return create({{owner != NULL_TAG, 1}, {origin, 3}, {x_direction, 4}, {y_direction, 5}, {xform, 7}}, xform,
                  [&] { return XFORM_create_doubles(owner, option, origin, x_direction, y_direction, scale); });
}

KXAPI int KX_SO_create_xform_pnt_xy_dirs(tag owner, int option, tag point, tag x_direction, tag y_direction, tag scale,
                                         tag* xform) {
    return create({{owner != NULL_TAG, 1},
                   {point != NULL_TAG, 3},
                   {x_direction != NULL_TAG, 4},
                   {y_direction != NULL_TAG, 5},
                   {scale != NULL_TAG, 6},
                   {xform, 7}},
                  xform,
                  [&] { return XFORM_create_point_xy_dirs(owner, option, point, x_direction, y_direction, scale); });
}

KXAPI int KX_SO_ask_point_of_xform(tag xform, double origin[3]) {
    return ask_xform(
        xform, origin, [&] { XFORM_ask_point(xform, origin); }, 0, 3, origin);
}

KXAPI int KX_SO_ask_x_direction_of_xform(tag xform, double x_direction[3]) {
    return ask_xform(
        xform, x_direction, [&] { XFORM_ask_x_direction(xform, x_direction); }, 3, 3, x_direction);
}

KXAPI int KX_SO_ask_y_direction_of_xform(tag xform, double y_direction[3]) {
    return ask_xform(
        xform, y_direction, [&] { XFORM_ask_y_direction(xform, y_direction); }, 6, 3, y_direction);
}

KXAPI int KX_SO_ask_z_direction_of_xform(tag xform, double z_direction[3]) {
    return ask_xform(
        xform, z_direction, [&] { XFORM_ask_z_direction(xform, z_direction); }, 9, 3, z_direction);
}

KXAPI int KX_SO_ask_scale_of_xform(tag xform, double* scale) {
    return ask_xform(
        xform, scale, [&] { *scale = XFORM_ask_scale(xform); }, 12, 1, scale);
}

KXAPI int KX_SO_ask_matrix_of_xform(tag xform, double matrix[16]) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{matrix, 2}});
        },
        [&] {
            if (xform == NULL_TAG) {
                for (int i = 0; i < 16; ++i) matrix[i] = i % 5 == 0 ? 1 : 0;
                return 0;
            }
            if (int st = xform_check(xform, kx::param(1))) return st;
            XFORM_ask_xform(xform, matrix);
            return 0;
        });
}

KXAPI int KX_SO_set_point_of_xform(tag xform, double origin[3]) {
    return set_logged(xform, {{xform != NULL_TAG, 1}, {origin, 2}}, [&] { XFORM_set_point(xform, origin); });
}

KXAPI int KX_SO_set_xy_direction_of_xform(tag xform, double x_direction[3], double y_direction[3]) {
    return set_logged(xform, {{xform != NULL_TAG, 1}, {x_direction, 2}, {y_direction, 3}},
                      [&] { XFORM_set_xy_directions(xform, x_direction, y_direction); });
}

KXAPI int KX_SO_set_scale_of_xform(tag xform, double scale) {
    return set_logged(xform, {{xform != NULL_TAG, 1}}, [&] { XFORM_set_scale(xform, scale); });
}

KXAPI int KX_SO_create_xform_pnt_xz_dirs(tag owner, int option, tag point, tag x_direction, tag z_direction, tag scale,
                                         tag* xform) {
    return create({{owner != NULL_TAG, 1},
                   {point != NULL_TAG, 3},
                   {x_direction != NULL_TAG, 4},
                   {z_direction != NULL_TAG, 5},
                   {scale != NULL_TAG, 6},
                   {xform, 7}},
                  xform,
                  [&] { return XFORM_create_point_xz_dirs(owner, option, point, x_direction, z_direction, scale); });
}

KXAPI int KX_SO_create_xform_pnt_yz_dirs(tag owner, int option, tag point, tag y_direction, tag z_direction, tag scale,
                                         tag* xform) {
    return create({{owner != NULL_TAG, 1},
                   {point != NULL_TAG, 3},
                   {y_direction != NULL_TAG, 4},
                   {z_direction != NULL_TAG, 5},
                   {scale != NULL_TAG, 6},
                   {xform, 7}},
                  xform,
                  [&] { return XFORM_create_point_yz_dirs(owner, option, point, y_direction, z_direction, scale); });
}

KXAPI int KX_SO_create_xform_extract(tag owner, int option, tag xform, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {xform != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return XFORM_create_extract(owner, option, xform, value); });
}

// The answer is cleared before anything else; a null answer is refused.
KXAPI int KX_SO_is_assy_ctxt_xform(tag xform, logical* answer) {
    return kx::frame(
        kx::arm_first, kx::before_check([&] {
            kx::clear(answer);
            return 0;
        }),
        [&] {
            return kx::check({{answer, 2}});
        },
        [&] {
            if (int st = xform_check(xform, kx::param(1))) return st;
            *answer = XFORM_is_assy_context_xform(xform) != 0;
            return 0;
        });
}

// ---- extracts ----

KXAPI int KX_SO_create_point_on_arc_angle(tag owner, int option, tag arc, tag angle, int value, tag* point) {
    return create({{owner != NULL_TAG, 1}, {arc != NULL_TAG, 3}, {angle != NULL_TAG, 4}, {point, 6}}, point,
                  [&] { return POINT_create_on_arc_at_angle(owner, option, arc, angle, value); });
}

KXAPI int KX_SO_create_dirr_on_curve(tag owner, int option, tag curve, tag position, int reverse, int value,
                                     tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {curve != NULL_TAG, 3}, {position != NULL_TAG, 4}, {dirr, 7}}, dirr,
                  [&] { return DIRR_create_on_curve(owner, option, curve, position, reverse, value); });
}

KXAPI int KX_SO_create_point_conic_center(tag owner, int option, tag conic, tag* point) {
    return create({{owner != NULL_TAG, 1}, {conic != NULL_TAG, 3}, {point, 4}}, point,
                  [&] { return POINT_create_center_of_conic(owner, option, conic); });
}

KXAPI int KX_SO_create_dirr_axis_of_conic(tag owner, int option, tag conic, int reverse, tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {conic != NULL_TAG, 3}, {dirr, 5}}, dirr,
                  [&] { return DIRR_create_axis_of_conic(owner, option, conic, reverse); });
}

// The host takes owner, scalars, value, transform.
KXAPI int KX_SO_create_point_3_scalars_csys(tag owner, tag xform, int value, tag scalars[3], tag* point) {
    return create({{owner != NULL_TAG, 1}, {xform != NULL_TAG, 2}, {point, 5}}, point,
                  [&] { return POINT_create_csys_3_scalars(owner, scalars, value, xform); });
}

KXAPI int KX_SO_create_point_extract_with_disp_marker(tag owner, int option, tag point, int value, int marker,
                                                      tag* result) {
    return create({{owner != NULL_TAG, 1}, {point != NULL_TAG, 3}, {result, 6}}, result,
                  [&] { return POINT_create_extract_with_display_marker(owner, option, point, value, marker); });
}

KXAPI int KX_SO_create_dirr_two_dirs(tag owner, int option, tag directions[2], tag* dirr) {
    return create({{owner != NULL_TAG, 1}, {dirr, 4}}, dirr,
                  [&] { return DIRR_create_two_dirs(owner, option, directions); });
}

KXAPI int KX_SO_create_offset_cylindrical(tag owner, int option, tag radius, tag angle, tag height, tag* result) {
    return create(
        {{owner != NULL_TAG, 1}, {radius != NULL_TAG, 3}, {angle != NULL_TAG, 4}, {height != NULL_TAG, 5}, {result, 6}},
        result, [&] { return OFFSET_create_cylindrical(owner, option, radius, angle, height); });
}

KXAPI int KX_SO_create_offset_spherical(tag owner, int option, tag radius, tag angle, tag elevation, tag* result) {
    return create({{owner != NULL_TAG, 1},
                   {radius != NULL_TAG, 3},
                   {angle != NULL_TAG, 4},
                   {elevation != NULL_TAG, 5},
                   {result, 6}},
                  result, [&] { return OFFSET_create_spherical(owner, option, radius, angle, elevation); });
}

KXAPI int KX_SO_create_point_extract(tag owner, int option, tag point, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {point != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return POINT_create_extract(owner, option, point, value); });
}

KXAPI int KX_SO_create_axis_extract(tag owner, int option, tag axis, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {axis != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return AXIS_create_extract(owner, option, axis, value); });
}

KXAPI int KX_SO_create_dirr_extract(tag owner, int option, tag dirr, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {dirr != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return DIRR_create_extract(owner, option, dirr, value); });
}

KXAPI int KX_SO_create_scalar_extract(tag owner, int option, tag scalar, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {scalar != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return SCALAR_create_extract(owner, option, scalar, value, 0); });
}

KXAPI int KX_SO_create_scalar_extract_dim(tag owner, int option, tag scalar, int value, int dimensionality,
                                          tag* result) {
    return create({{owner != NULL_TAG, 1}, {scalar != NULL_TAG, 3}, {result, 6}}, result,
                  [&] { return SCALAR_create_extract(owner, option, scalar, value, dimensionality); });
}

KXAPI int KX_SO_create_offset_extract(tag owner, int option, tag offset, int value, tag* result) {
    return create({{owner != NULL_TAG, 1}, {offset != NULL_TAG, 3}, {result, 5}}, result,
                  [&] { return OFFSET_create_extract(owner, option, offset, value); });
}

// ---- curves ----

// The record's ranges; the kinds are checked by the host.
bool spline_record_ok(const so_spline_data* d) {
    return d && (d->first_flag == 0 || d->first_flag == 1) && d->order >= 1 && d->order <= 24 &&
           (d->second_flag == 0 || d->second_flag == 1) && d->count >= 2 && d->kinds && d->points;
}

KXAPI int KX_SO_create_spline(tag owner, so_spline_data* data, tag* spline) {
    return create({{owner != NULL_TAG, 1}, {spline_record_ok(data), 2}, {spline, 3}}, spline, [&] {
        const SO_spline_t copy{data->first_flag,     data->order,         data->second_flag, data->count,
                               data->kinds,          data->points,        data->parameters,  data->first_objects,
                               data->second_objects, data->third_objects, data->word1,       data->word2};
        return BCURVE_create_general(owner, &copy);
    });
}

KXAPI int KX_SO_ask_spline(tag spline, so_spline_data* data) {
    // The host makes the record's arrays one by one: when it fails half way
    // the arrays it had made go back (the call's memory) and the caller's
    // record stays as it was.
    kx::FailureMemory memory;
    return kx::frame(kx::arm_first, kx::on_error([&] { memory.release(); }),
                     [&] { return kx::check({{spline != NULL_TAG, 1}, {data, 2}}); }, [&] {
        memory.set();
        SO_spline_t r{};
        BCURVE_ask_general(spline, &r);
        *data = so_spline_data{r.first_flag,
                               r.order,
                               r.second_flag,
                               r.count,
                               const_cast<int*>(r.kinds),
                               const_cast<tag*>(r.points),
                               const_cast<double*>(r.parameters),
                               const_cast<tag*>(r.first_objects),
                               const_cast<tag*>(r.second_objects),
                               const_cast<tag*>(r.third_objects),
                               r.word1,
                               r.word2};
        return 0;
    });
}

KXAPI int KX_SO_create_arc_three_points(tag owner, int option, tag points[3], tag* arc) {
    return create({{owner != NULL_TAG, 1}, {arc, 4}}, arc,
                  [&] { return ARC_create_three_points(owner, option, points); });
}

KXAPI int KX_SO_create_arc_center_2_pnts(tag owner, int option, tag points[3], tag* arc) {
    return create({{owner != NULL_TAG, 1}, {arc, 4}}, arc,
                  [&] { return ARC_create_center_two_points(owner, option, points); });
}

KXAPI int KX_SO_create_line_two_points(tag owner, int option, tag points[2], tag* line) {
    return create({{owner != NULL_TAG, 1}, {line, 4}}, line,
                  [&] { return LINE_create_two_points(owner, option, points); });
}

// ---- any smart object ----

KXAPI int KX_SO_is_subclass(tag object, logical* answer) {
    return ask({{object != NULL_TAG, 1}, {answer, 2}}, [&] { *answer = SO_is_subclass(object) != 0; });
}

KXAPI int KX_SO_is_so(tag object, logical* answer) {
    return ask({{object != NULL_TAG, 1}, {answer, 2}}, [&] { *answer = SO_is_so(object) != 0; });
}

KXAPI int KX_SO_ask_visibility_option(tag object, int* option) {
    return ask({{object != NULL_TAG, 1}, {option, 2}}, [&] { *option = SO_ask_visibility_option(object); });
}

// A shown object comes back on the display; a hidden one leaves it.
KXAPI int KX_SO_set_visibility_option(tag object, int option) {
    // The option and the display go under one invisible mark: a failure
    // after the option is set takes it back.
    return kx::so::ask_status({{object != NULL_TAG, 1}}, [&] {
        return kx::edit_with_tail([&] {
            const bool was = RM_ask_condemned_state(object) != 0;
            SO_set_visibility_option(object, option);
            const bool now = RM_ask_condemned_state(object) != 0;
            if (was != now) DSS_REGEN_regen_object(object);
            return 0;
        });
    });
}

KXAPI int KX_SO_replace_parms(tag object, tag replacement) {
    return ask({{object != NULL_TAG, 1}, {replacement != NULL_TAG, 2}}, [&] { SO_replace_parms(object, replacement); });
}

KXAPI int KX_SO_delete_parms(tag object) {
    return ask({{object != NULL_TAG, 1}}, [&] { SO_delete_parms(object); });
}

KXAPI int KX_SO_delete_non_deletables(tag object) {
    return ask({{object != NULL_TAG, 1}}, [&] { SO_delete_non_deletables(object); });
}

KXAPI int KX_SO_ask_parent_status(tag object, int* status) {
    return ask({{object != NULL_TAG, 1}, {status, 2}}, [&] { *status = SO_ask_parent_status(object); });
}

KXAPI int KX_SO_display(tag object, int sequence, int color, int marker) {
    return ask({{object != NULL_TAG, 1}}, [&] { SO_temp_display(object, sequence, color, marker); });
}

KXAPI int KX_SO_display_parents(tag object, int sequence, int color, int marker) {
    return ask({{object != NULL_TAG, 1}}, [&] { SO_temp_display_parents(object, sequence, color, marker); });
}

KXAPI int KX_SO_ask_update_error_code(tag object, int* code) {
    return ask({{object != NULL_TAG, 1}, {code, 2}}, [&] { *code = SO_ask_update_error_code(object); });
}

KXAPI int KX_SO_ask_parents(tag object, int kind, int* count, tag** parents) {
    return ask({{object != NULL_TAG, 1}, {count, 3}, {parents, 4}},
               [&] { SO_ask_parents(object, kind, count, parents); });
}

KXAPI int KX_SO_ask_children(tag object, int kind, int* count, tag** children) {
    return ask({{object != NULL_TAG, 1}, {count, 3}, {children, 4}},
               [&] { SO_ask_children(object, kind, count, children); });
}

KXAPI int KX_SO_is_out_of_date(tag object, logical* answer) {
    return ask_state(object, answer, RM_ask_out_of_date_state);
}

KXAPI int KX_SO_has_become_dumb(tag object, logical* answer) {
    return ask_state(object, answer, RM_ask_got_dumb_state);
}

}  // extern "C"
