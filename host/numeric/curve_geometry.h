// The curve record as the solid kernel's geometry: closest points and
// lengths of the host's conics and splines are worked out by the kernel's
// geometry tools (projection onto a curve, arc-length integration), the
// same ones that answer for the kernel's edges. No kernel header comes in
// here; curves.cpp uses these through the record alone.
#ifndef HOST_NUMERIC_CURVE_GEOMETRY_H
#define HOST_NUMERIC_CURVE_GEOMETRY_H

#include <vector>

#include "host/numeric/curves.h"

namespace hostnum::geometry {

// The parameter of the point of the curve within [lo, hi] nearest to ref
// (a foot of a perpendicular or an end); false when the kernel cannot take
// the record (the caller then compares the ends).
bool closest(const curve_struct& c, double lo, double hi, const double ref[3], double* t);

// Length of the curve over [a, b] (a <= b, both finite): the sum over the
// pieces between cuts (ascending, a first and b last), each integrated to
// a relative accuracy of about 1e-12. not_converged when the kernel cannot
// take the record or the length is not finite.
CurveError length(const curve_struct& c, const double* cuts, int n_cuts, double* out);

// Where two curves within their ranges come within `tolerance` of each
// other: the kernel's extrema between them (and, for curves that run
// along each other, the ends of either that lie on the other), as the
// parameters on each and the point of the first. False when the kernel
// cannot take either record.
struct Meet {
    double ta = 0, tb = 0;
    double point[3] = {0, 0, 0};
};
bool meets(const curve_struct& a, const curve_struct& b, double tolerance, std::vector<Meet>* out);

}  // namespace hostnum::geometry

#endif
