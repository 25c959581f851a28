// Smart points of faces and curves (at places of a face, where curves and
// faces meet, along a curve) and the smart curves made from other objects
// (extracts, splines through points, arcs in a transform's plane).
#include "host/numeric/tolerances.h"
#include "kx_so.h"
#include "libkxapi/so/kx_so_internal.h"

extern "C" {

KXAPI int KX_SO_create_point_on_surface(tag owner, int option, tag surface, tag u, tag v, tag* point) {
    return kx::so::create(
        {{owner != NULL_TAG, 1}, {surface != NULL_TAG, 3}, {u != NULL_TAG, 4}, {v != NULL_TAG, 5}, {point, 6}}, point,
        [&] { return POINT_create_on_surface(owner, option, surface, u, v); });
}

KXAPI int KX_SO_create_point_two_curves(tag owner, int option, tag curve1, tag curve2, tag help1, tag help2,
                                        tag* point) {
    return kx::so::create({{owner != NULL_TAG, 1}, {curve1 != NULL_TAG, 3}, {curve2 != NULL_TAG, 4}, {point, 7}}, point,
                          [&] { return POINT_create_two_curves(owner, option, curve1, curve2, help1, help2); });
}

// The host function of two curves takes the face or plane first.
KXAPI int KX_SO_create_point_surface_crv(tag owner, int option, tag surface, tag curve, tag help1, tag help2,
                                         tag* point) {
    return kx::so::create({{owner != NULL_TAG, 1}, {surface != NULL_TAG, 3}, {curve != NULL_TAG, 4}, {point, 7}}, point,
                          [&] { return POINT_create_two_curves(owner, option, surface, curve, help1, help2); });
}

KXAPI int KX_SO_create_point_along_curve(tag owner, int option, tag curve, tag point, tag distance, int percent,
                                         int reverse, tag* result) {
    return kx::so::create(
        {{owner != NULL_TAG, 1},
         {curve != NULL_TAG, 3},
         {point != NULL_TAG, 4},
         {distance != NULL_TAG, 5},
         {result, 8}},
        result, [&] { return POINT_create_along_curve(owner, option, curve, point, distance, percent, reverse); });
}

KXAPI int KX_SO_create_curve_extract(tag owner, int option, tag curve, int value, int as_spline, int dumb,
                                     tag* result) {
    return kx::so::create({{owner != NULL_TAG, 1}, {curve != NULL_TAG, 3}, {result, 7}}, result, [&] {
        return CURVE_create_extract(owner, option, curve, value, as_spline, dumb, srfc1_[0]);
    });
}

// The result is tested too (1105028): the host writes through it.
KXAPI int KX_SO_create_bcurve_thru_points(tag owner, int option, tag* points, int count, int degree, int closed,
                                          double* parameters, tag start_slope, tag end_slope, tag* spline) {
    return kx::so::ask({{points, 3}, {spline, 10}}, [&] {
        BCURVE_create_thru_points(owner, option, points, count, degree, closed, parameters, start_slope, end_slope,
                                  spline);
    });
}

KXAPI int KX_SO_create_arc_radius_angles(tag owner, int option, tag xform, tag radius, tag angle, tag* arc) {
    return kx::so::create({{owner != NULL_TAG, 1}, {xform != NULL_TAG, 3}, {radius != NULL_TAG, 4}, {arc, 6}}, arc,
                          [&] { return ARC_create_radius_angles(owner, option, xform, radius, angle); });
}

// Counter-clockwise about the transform's Z, not a full circle.
KXAPI int KX_SO_create_arc_xform_2_points(tag owner, int option, tag xform, tag points[2], tag* arc) {
    return kx::so::create({{owner != NULL_TAG, 1}, {xform != NULL_TAG, 3}, {arc, 5}}, arc,
                          [&] { return ARC_create_xform_two_points(owner, option, xform, points, 1, 0); });
}

}  // extern "C"
