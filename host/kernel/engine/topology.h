/* Topology answers of the solid kernel for the face and edge queries of
 * the interface: face types, face classes, the topology class of a face,
 * the display grid counts of faces, the feature records on a face, the
 * identifier reference map of faces and edges, and the distance of two
 * points.
 *
 * Face types (pxzrus_, face_data.h): the interface's number for the surface of a face
 * object (the kernel's surface type in brackets):
 *   22 plane (4001), 16 cylinder (4002), 17 cone (4003), 18 sphere (4004),
 *   19 torus (4005), 43 spline (4006), 65 offset (4008), 46 extruded
 *   (4009), 20 revolved (4010); 0 for another surface.
 *
 * Topology class of a face (PX_face_ask_topol_type), by its loops:
 *   1 no loop (a surface closed on itself without boundary);
 *   2 one loop without seam (a disc-like patch);
 *   3 several loops without seam (a patch with holes);
 *   4 loops with one seam (closed around in one direction: the side of a
 *     cylinder or cone, a sphere);
 *   5 loops with seams in both directions (a whole torus).
 *
 * Grid counts: the number of U and V display grid lines of a face object;
 * 0 and 0 until set (host::kernel::set_grid_counts, a fixture; model
 * state, undo marks roll it back).
 *
 * Checks: a null pointer raises HOST_ERR_NULL_ARGUMENT, an object of no
 * live face HOST_ERR_DEAD_TAG (es7172_, pxzrus_ and ES_read_grid_counts),
 * one that is no face HOST_ERR_WRONG_CLASS.
 */
#ifndef HOST_KERNEL_TOPOLOGY_H
#define HOST_KERNEL_TOPOLOGY_H

#define PX_FACE_TYPE_CYLINDER 16
#define PX_FACE_TYPE_CONE     17
#define PX_FACE_TYPE_SPHERE   18
#define PX_FACE_TYPE_TORUS    19
#define PX_FACE_TYPE_REVOLVED 20
#define PX_FACE_TYPE_PLANE    22
#define PX_FACE_TYPE_SPLINE   43
#define PX_FACE_TYPE_EXTRUDED 46
#define PX_FACE_TYPE_OFFSET   65

/* The host's face class of es7172_ for a face on an offset surface. */
#define PX_FACE_CLASS_OFFSET 200

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The host's class of a face: 200 for a face on an offset surface, else 0. */
void es7172_(const unsigned int* face, int* face_class);
/* Topology class 1 to 5 of the face object (see above). */
void PX_face_ask_topol_type(unsigned int face, int* topology);
/* Display grid counts of the face object. */
void ES_read_grid_counts(unsigned int face, int* u_count, int* v_count);
/* The distance between two points. */
double h300_(const double a[3], const double b[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <cstddef>

namespace host::kernel {

// Fixture: the display grid counts of a face object.
void set_grid_counts(unsigned int face, int u_count, int v_count);

// The kernel's own adjacency walk over a body's shape, without the host's
// tags and objects: for every face its neighbours across its edges, and for
// every such pair the edges they share; answers how many shared edges it
// met (0 for no body). The reference of the topology queries' benchmark.
std::size_t direct_adjacency_walk(int body);

}  // namespace host::kernel
#endif

#endif
