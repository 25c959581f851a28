// Edge blends whose radius varies along the edge, and the nearest point of
// an edge. Inside of the solid kernel: only host/kernel/engine/*.cpp include it.
#ifndef HOST_KERNEL_BLENDS_H
#define HOST_KERNEL_BLENDS_H

#include <vector>

#include <BRepFilletAPI_MakeFillet.hxx>
#include <TopoDS_Shape.hxx>

#include "host/base/hook.h"

namespace host::kernel::detail {

// Adds the edges to the blend with the numbers of a varying blend step:
// the default radius first, then for each edge in order its count k of
// points and k pairs (parameter 0..1 along the edge, radius). An edge
// without points takes the default radius; one point gives a constant
// radius; more give a radius through the points (held constant before the
// first and after the last). Bad numbers fail with KERNEL_ERR_DEGENERATE.
void add_varying_blends(const Call& call, BRepFilletAPI_MakeFillet& algo, const std::vector<TopoDS_Shape>& edges,
                        const std::vector<double>& p);

// The size of a varying blend step's numbers for the edges' point counts.
std::size_t varying_blend_size(const std::vector<double>& p, std::size_t edges);

}  // namespace host::kernel::detail

#endif
