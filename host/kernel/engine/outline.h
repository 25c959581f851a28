// The outline of a kernel body for drawing: each edge that is not
// degenerate as a polyline of points (three doubles each) within the chordal
// tolerance. Host-internal C++; no host call is journalled.
#ifndef HOST_KERNEL_OUTLINE_H
#define HOST_KERNEL_OUTLINE_H

#include <vector>

namespace host::kernel {
// Empty for a tag of no body.
std::vector<std::vector<double>> edge_polylines(int body, double tolerance);
}  // namespace host::kernel

#endif
