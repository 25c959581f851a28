// The geometry that smart objects of faces, planes and curves are computed
// from: places on kernel faces, planes, curvature, lengths along curves,
// intersections and splines through points. Internal to host/model/smart.
//
// Faces are face objects of kernel bodies (entity type 70, subtype 2),
// asked through the kernel's queries; a face's "fractions" are fractions of
// its parameter box (0 at the low end, 1 at the high end of u and v).
// Curves are whatever host::curves::curve_of answers for (lines, arcs,
// conics, splines, kernel edges); a curve's fraction is a fraction of its
// parameter range. Planes are plane objects (entity type 46) and planar
// faces; datum planes (197) give their normal only.
//
// Failures raise through the call: HOST_ERR_WRONG_CLASS for an object
// without the needed face, plane or curve, SO_ERR_DEGENERATE for a place
// without the needed normal or tangent, SO_ERR_NO_SOLUTION where nothing
// meets or a length runs beyond the curve.
#ifndef HOST_SMART_GEOMETRY_H
#define HOST_SMART_GEOMETRY_H

#include <optional>
#include <vector>

#include "host/numeric/curves.h"

namespace host {
class Call;
}

namespace host::smart::geometry {

using tag_t = unsigned int;

// A face's surface at one place: point, first and second derivatives, the
// face's unit normal and the kernel parameters.
struct FacePlace {
    double point[3] = {}, su[3] = {}, sv[3] = {}, suu[3] = {}, suv[3] = {}, svv[3] = {}, normal[3] = {};
    double u = 0, v = 0;
};

// At fractions of the face's parameter box.
FacePlace face_at(const Call& call, tag_t face, double fu, double fv);
// At the point of the face nearest to p.
FacePlace face_nearest(const Call& call, tag_t face, const double p[3]);
// The tangent (du, dv) of a direction projected into the tangent plane.
void tangent_of(const Call& call, const FacePlace& f, const double direction[3], double* du, double* dv);
// The curvature vector of the face along the tangent (du, dv): the normal
// curvature times the unit normal (towards the centre of curvature).
void face_curvature(const Call& call, const FacePlace& f, double du, double dv, double out[3]);

// A point and the unit normal of a plane object or a planar face (the
// face's outward normal). A datum plane keeps no point here: it answers
// its normal, and the origin where the point goes (its callers use the
// normal alone; the intersections take plane objects and faces only).
void plane_of(const Call& call, tag_t plane, double point[3], double normal[3]);
// The axis of a face's surface (a plane's normal).
void surface_axis(const Call& call, tag_t face, double axis[3]);

// The curve of an object (raises for none).
hostnum::Curve curve_of(const Call& call, tag_t curve);
// The curvature vector of the curve at the fraction (zero where straight).
void curve_curvature(const Call& call, tag_t curve, double fraction, double out[3]);
// The point at the distance along the curve from the point of it nearest
// to `from` (per cent of the curve's length when percent), towards the
// curve's end, or its start when reverse.
void along_curve(const Call& call, tag_t curve, const double from[3], double distance, bool percent, bool reverse,
                 double out[3]);
// The point where a curve meets a curve, or a face or plane (a) meets a
// curve (b): the one nearest to the reference.
void intersect(const Call& call, tag_t a, tag_t b, const double reference[3], double out[3]);

// A spline of the degree through the points (3 doubles each; closed: back
// to the first), with the parameters (null: chord lengths) and end
// directions (null: free).
hostnum::Curve spline_through(const Call& call, const std::vector<double>& points, int degree, bool closed,
                              const double* parameters, const double* start_slope, const double* end_slope);
// A cubic spline through points of the curve, as many as keep it within
// the tolerance of the curve.
hostnum::Curve spline_of_curve(const Call& call, tag_t curve, double tolerance);

}  // namespace host::smart::geometry

#endif
