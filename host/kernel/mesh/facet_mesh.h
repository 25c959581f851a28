// The kernel's mesher for the facet service: the triangles of a body's
// faces within a chordal and an angular tolerance. Host-internal C++; no
// host call is journalled.
#ifndef HOST_KERNEL_FACET_MESH_H
#define HOST_KERNEL_FACET_MESH_H

#include <array>
#include <vector>

namespace host::kernel {

struct MeshFace {
    unsigned int face = 0;  // the face's object (0: a body without objects)
    // Vertices with the surface's unit normal (outwards) and parameters.
    std::vector<std::array<double, 3>> points, normals;
    std::vector<std::array<double, 2>> params;
    // Triangles by vertex index into the arrays above, counter-clockwise
    // seen from outside the body.
    std::vector<std::array<int, 3>> triangles;
};

// The faces of the body (kernel tag) meshed in the kernel's face order;
// raises the kernel band's code when the mesher fails. A tolerance not
// above 0 takes the mesher's default for the body's size.
std::vector<MeshFace> mesh_body(int body, double chord, double angle);

// A value that changes whenever the body's shape changes (null for no
// body): a model made from the body is out of date when it differs.
const void* body_version(int body);

}  // namespace host::kernel

#endif
