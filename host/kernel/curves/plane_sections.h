// Sections of the kernel's bodies and faces by planes, their silhouettes
// seen along a direction, and the projection of curves onto a plane, made
// into curve entities of the work part. Host-internal C++: no host call of
// its own is journalled (the entities are made through the entity
// service). A kernel failure raises a code of the kernel band.
#ifndef HOST_KERNEL_PLANE_SECTIONS_H
#define HOST_KERNEL_PLANE_SECTIONS_H

#include <array>
#include <vector>

namespace host::kernel {

struct CutPlane {
    std::array<double, 3> point{};
    std::array<double, 3> normal{0, 0, 1};  // unit
};

// The curves (lines, arcs, splines) where the plane cuts the kernel
// entities (bodies and faces), in their order.
std::vector<unsigned int> section_curves(const std::vector<int>& entities, const CutPlane& plane);

// The lines where the plane cuts triangles (nine doubles each), joined
// where they meet end to end along one straight run.
std::vector<unsigned int> section_triangles(const std::vector<double>& triangles, const CutPlane& plane);

// The points where a curve entity crosses the plane.
std::vector<unsigned int> section_curve_entity(unsigned int curve, const CutPlane& plane);

// The silhouette of the body seen along `view` (from the viewer into the
// scene): the outlines of its curved faces (where they turn away from the
// viewer) and the edges along which one of its faces is turned towards the
// viewer and the other is not.
std::vector<unsigned int> silhouette_curves(int body, const std::array<double, 3>& view);

// The curve entity projected along the plane's normal onto the plane: a
// new entity, 0 when it projects to a point.
unsigned int project_onto_plane(unsigned int curve, const CutPlane& plane);

}  // namespace host::kernel

#endif
