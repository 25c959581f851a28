// The kernel's own enumeration of a body's faces, without the host's tags
// and objects: the reference that benchmarks hold the face queries against.
#ifndef HOST_KERNEL_WALK_H
#define HOST_KERNEL_WALK_H

#include <cstddef>

namespace host::kernel {

// Walks the faces of the body's shape with the kernel's explorer; answers
// how many it met (0 for no body).
std::size_t direct_face_walk(int body);

}  // namespace host::kernel

#endif
