// Inside of the kernel's curve-feature work: the host's curve record of a
// kernel edge. Only the kernel's own sources include this header.
#ifndef HOST_KERNEL_CURVEFEAT_EDGES_H
#define HOST_KERNEL_CURVEFEAT_EDGES_H

#include <TopoDS_Edge.hxx>

#include "host/numeric/curves.h"

namespace host {
class Call;
}

namespace host::kernel::curvefeat {

// The edge's curve as a spline record (exact where the kernel's curve
// converts exactly), running the way the edge runs (its orientation
// counted).
hostnum::Curve record_of_edge(const Call& call, const TopoDS_Edge& e);

}  // namespace host::kernel::curvefeat

#endif
