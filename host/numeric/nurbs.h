// Knot vectors of rational B-splines: their check and their breakpoints.
// The splines themselves are evaluated on the solid kernel (curves.h).
//
// Poles are four doubles in weighted form (w x, w y, w z, w); there are
// n + order knots, non-decreasing; the curve runs over
// [knots[order - 1], knots[n]].
#ifndef HOST_NUMERIC_NURBS_H
#define HOST_NUMERIC_NURBS_H

#include <vector>

namespace hostnum::nurbs {

// Knot vector and weights check: 2 <= order <= 26, n >= order, knots
// non-decreasing and finite, no knot repeated more than order times, a
// non-empty range, every weight above zero.
bool valid(int n_poles, int order, const double* poles, const double* knots);

// The distinct knots in the range (the ends of the non-empty spans).
std::vector<double> breakpoints(int n_poles, int order, const double* knots);

}  // namespace hostnum::nurbs

#endif
