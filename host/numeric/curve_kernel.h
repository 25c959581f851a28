// The kernel's curves of a host curve record. This header brings in the
// kernel library's headers: only sources built with the kernel's include
// path (host/kernel/engine/*.cpp, host/numeric/curve_geometry.cpp) include it.
#ifndef HOST_NUMERIC_CURVE_KERNEL_H
#define HOST_NUMERIC_CURVE_KERNEL_H

#include <GeomAdaptor_Curve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Curve.hxx>
#include <Geom_Surface.hxx>

#include <vector>

#include "host/numeric/curve_geometry.h"

namespace hostnum::geometry {

// The kernel's curves of a record: its parameter u is scale t + offset of
// the record's t; a periodic record repeats every `period` of t. A spline
// whose knots hold a value `order` times inside its range (a break in the
// curve) is one kernel curve per stretch between such knots; every other
// record is one piece. Piece i answers for t in [pieces[i].lo,
// pieces[i].hi): the first piece from minus infinity, the last to plus
// infinity (a spline continues its end stretches).
struct KernelCurve {
    struct Piece {
        Handle(Geom_Curve) curve;
        Handle(GeomAdaptor_Curve) adaptor;  // the same curve, with the kernel's evaluation cache
        double lo = 0, hi = 0;
    };
    std::vector<Piece> pieces;
    double scale = 1, offset = 0;
    double lo = 0, hi = 0, period = 0;
    bool spline = false;
    double u(double t) const { return scale * t + offset; }
    double t(double u) const { return (u - offset) / scale; }
    // The piece that answers at t.
    const Piece& at(double t) const;
    // The stretch of [a, b] (record parameters, a <= b) piece i answers
    // for, in the kernel's parameters within the piece's own bounds; false
    // when it is empty.
    bool stretch(size_t i, double a, double b, double* u0, double* u1) const;
};

// Where the curve over [lo, hi] of the record's parameter meets a kernel
// surface: the kernel's intersection points, with touches the kernel's
// extrema between curve and surface find closer than `tolerance`. uv are
// the surface's parameters; kind 2 where the curve's tangent lies in the
// surface, else 1. False when the kernel fails.
bool surface_meets(const KernelCurve& k, double lo, double hi, const Handle(Geom_Surface) & surface, double tolerance,
                   std::vector<SurfaceMeet>* out);

// A kernel spline as the host keeps one: poles with their weights (x, y,
// z, w each), the full knot sequence, order = degree + 1; a periodic
// spline comes clamped.
struct SplineData {
    int n = 0, order = 0;
    std::vector<double> poles, knots;
};
SplineData spline_data(Handle(Geom_BSplineCurve) c);

}  // namespace hostnum::geometry

#endif
