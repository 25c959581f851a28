// The kernel's curve of a host curve record. This header brings in the
// kernel library's headers: only sources built with the kernel's include
// path (host/kernel/*.cpp, host/numeric/curve_geometry.cpp) include it.
#ifndef HOST_NUMERIC_CURVE_KERNEL_H
#define HOST_NUMERIC_CURVE_KERNEL_H

#include <Geom_Curve.hxx>

#include <optional>

#include "host/numeric/curves.h"

namespace hostnum::geometry {

// The kernel's curve of a record: its parameter u is scale t + offset of
// the record's t; a periodic record repeats every `period` of t.
struct KernelCurve {
    Handle(Geom_Curve) curve;
    double scale = 1, offset = 0;
    double lo = 0, hi = 0, period = 0;
    double u(double t) const { return scale * t + offset; }
    double t(double u) const { return (u - offset) / scale; }
};

// Lines, arcs, conics and splines; none for a point or data the kernel
// refuses.
std::optional<KernelCurve> kernel_curve(const curve_struct& c);

}  // namespace hostnum::geometry

#endif
