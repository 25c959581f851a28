// Rational B-spline evaluation: knot spans, basis functions with their
// derivatives, and points with derivatives of any order.
//
// Poles are four doubles in weighted form (w x, w y, w z, w); there are
// n + order knots, non-decreasing; the curve runs over
// [knots[order - 1], knots[n]].
#ifndef HOST_NUMERIC_NURBS_H
#define HOST_NUMERIC_NURBS_H

#include <vector>

namespace hostnum::nurbs {

// Knot vector and weights check: order >= 2, n >= order, knots
// non-decreasing and finite, no knot repeated more than order times, a
// non-empty range, every weight above zero.
bool valid(int n_poles, int order, const double* poles, const double* knots);

// Index i of the knot span [knots[i], knots[i + 1]) that holds t, with
// order - 1 <= i <= n - 1; parameters outside the range take the first or
// last non-empty span.
int find_span(int n_poles, int order, const double* knots, double t);

// Basis functions of span i at t and their derivatives up to nd:
// ders[k * order + r] is derivative k of the function of pole i - order + 1 + r.
void basis_derivatives(int order, const double* knots, int span, double t, int nd, double* ders);

// Point and derivatives 1..n (3 (n + 1) doubles, point first).
void evaluate(int n_poles, int order, const double* poles, const double* knots, double t, int n, double* out);

// The distinct knots in the range (the ends of the non-empty spans).
std::vector<double> breakpoints(int n_poles, int order, const double* knots);

}  // namespace hostnum::nurbs

#endif
