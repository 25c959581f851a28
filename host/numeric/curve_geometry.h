// The curve record as the solid kernel's geometry: points, derivatives,
// closest points, lengths and intersections of the host's curves are worked
// out by the kernel's geometry tools (its curves' evaluation, projection
// onto a curve, arc-length integration, extrema and curve-surface
// intersection), the same ones that answer for the kernel's edges. No
// kernel header comes in here: the kernel's curves of a record are an
// opaque KernelCurve (curve_kernel.h), kept with the record
// (hostnum::kernel_curve_of, curves.h).
#ifndef HOST_NUMERIC_CURVE_GEOMETRY_H
#define HOST_NUMERIC_CURVE_GEOMETRY_H

#include <memory>
#include <vector>

#include "host/numeric/curves.h"

namespace hostnum::geometry {

struct KernelCurve;

// The kernel's curves of a record: lines, arcs, conics and splines; null
// for a point or data the kernel refuses.
std::shared_ptr<const KernelCurve> build(const curve_struct& c);

// Point and derivatives 1..n at t (3 (n + 1) doubles, point first); t is
// taken as it is (a periodic record's caller wraps it). False when the
// kernel fails.
bool evaluate(const KernelCurve& k, double t, int n, double* out);

// The point of the curve within [lo, hi] nearest to ref and its parameter
// (a foot of a perpendicular or an end; the start wins a tie). Where a
// spline breaks, the end of the stretch before the break counts as a point
// of the curve at the break's parameter. False when the kernel fails.
bool closest(const KernelCurve& k, double lo, double hi, const double ref[3], double* t, double point[3]);

// Length of the curve over [a, b] (a <= b, both finite): the sum over the
// pieces between cuts (ascending, a first and b last), each integrated to
// a relative accuracy of about 1e-12. not_converged when the kernel fails
// or the length is not finite.
CurveError length(const KernelCurve& k, const double* cuts, int n_cuts, double* out);

// Where two curves within their ranges come within `tolerance` of each
// other: the kernel's extrema between them (and, for curves that run
// along each other, the ends of either that lie on the other), as the
// parameters on each and the point of the first. False when the kernel
// fails.
struct Meet {
    double ta = 0, tb = 0;
    double point[3] = {0, 0, 0};
};
bool meets(const KernelCurve& a, const KernelCurve& b, double tolerance, std::vector<Meet>* out);

// An analytic surface by its frame: origin, unit axis, unit reference
// direction at right angles to it, and its sizes.
//   plane     O + u X + v Y
//   cylinder  O + r (cos u X + sin u Y) + v A
//   cone      O + (r + v tan a)(cos u X + sin u Y) + v A
//   sphere    O + r (cos v (cos u X + sin u Y) + sin v A)
//   torus     O + (R + p cos v)(cos u X + sin u Y) + p sin v A
struct Surface {
    enum Kind { plane, cylinder, cone, sphere, torus } kind = plane;
    double origin[3] = {0, 0, 0};
    double axis[3] = {0, 0, 1};
    double ref[3] = {1, 0, 0};
    double radius = 0;      // cylinder, cone (at v 0), sphere r; torus R
    double minor = 0;       // torus p
    double half_angle = 0;  // cone a
};

// Where the curve over [lo, hi] of the record's parameter meets the
// surface (unbounded), within `tolerance`: the curve's parameter, the
// point, the surface's (u, v) as above, and 2 for a touch (the curve's
// tangent lies in the surface there), else 1. False when the kernel fails
// or takes no surface of the data.
struct SurfaceMeet {
    double t = 0;
    double point[3] = {0, 0, 0};
    double uv[2] = {0, 0};
    int kind = 1;
};
bool surface_meets(const KernelCurve& k, double lo, double hi, const Surface& s, double tolerance,
                   std::vector<SurfaceMeet>* out);

}  // namespace hostnum::geometry

#endif
