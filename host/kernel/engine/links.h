/* What the host's object-level face and edge queries (host/store/entities) ask of the
 * solid kernel: the surface of a face object and the curve of an edge, in
 * the terms those queries answer. Plain C++ over the kernel's tags and the
 * model's objects: no kernel library header comes in here.
 *
 * Surfaces are given with the kernel's own parameters (a plane's, a
 * cylinder's, a sphere's and a torus's are the ones the host's surface
 * queries describe; a cone's v runs along its generators). The helpers
 * answer false for an object without a kernel face or edge, and for a
 * surface or curve the kernel cannot answer; they never raise.
 *
 * An occurrence (host/store/entities/occurrences.h) of a face or edge object stands
 * for its prototype's kernel face or edge: the helpers over objects answer
 * with that geometry moved to the occurrence's place; those over kernel
 * tags answer in the prototype's space.
 */
#ifndef HOST_KERNEL_LINKS_H
#define HOST_KERNEL_LINKS_H

#include <optional>
#include <vector>

#include "host/numeric/curves.h"

namespace host::kernel {

struct SurfaceData {
    int kind = 0;                  // ZQ_SURF_ (the host's PX_SURF_ numbers)
    double origin[3] = {0, 0, 0};  // location (spun: a point of the axis)
    double axis[3] = {0, 0, 1};    // normal of a plane, axis otherwise (swept: the sweep direction)
    double radii[2] = {0, 0};      // cylinder, sphere r; cone r and half angle; torus R and r
    double box[4] = {0, 0, 0, 0};  // the face's parameter box {u0, u1, v0, v1}
    bool sense = true;             // the face's normal runs with the surface's
};

// The kernel face of a face object (0: none; an occurrence's prototype's).
int face_of_object(unsigned int object);
// The kernel edge of an edge object (0: none; an occurrence's prototype's).
int edge_of_object(unsigned int object);

// The surface of a face object; with `base`, the surface an offset surface
// is built on (false when the face's surface is no offset).
bool face_surface(unsigned int object, SurfaceData* out, bool base = false);
// The point of a face object's surface at (u, v).
bool face_point(unsigned int object, double u, double v, double point[3]);

// Where a host curve over [lo, hi] of its parameter meets a face object's
// kernel face (within the face's boundary): the curve's parameter, the
// point, the face's (u, v), and 2 for a touch (the curve runs along the
// surface there), else 1. False when the object has no kernel face or the
// kernel cannot take the curve.
struct CurveFaceHit {
    double t = 0;
    double point[3] = {0, 0, 0};
    double uv[2] = {0, 0};
    int kind = 1;
};
bool curve_face_hits(unsigned int face, const curve_struct& c, double lo, double hi, std::vector<CurveFaceHit>* hits);
// The box of a face object's kernel face (min x y z, max x y z).
bool face_box(unsigned int face, double box[6]);

// ZQ_CURVE_ kind of a kernel edge's curve (0: no edge).
int edge_curve_kind(int edge);
// The same of an edge object's curve, and the ends, circle and curve below.
int edge_kind_of(unsigned int object);
bool edge_ends_of(unsigned int object, double start[3], double end[3]);
bool edge_circle_of(unsigned int object, double centre[3], double axis[3], double x_axis[3], double* radius,
                    double range[2]);
std::optional<hostnum::Curve> edge_curve_of(unsigned int object);
// A circular kernel edge: centre, unit axis, unit reference direction (the
// curve's parameter 0), radius, and its parameter range (angles).
bool edge_circle(int edge, double centre[3], double axis[3], double x_axis[3], double* radius, double range[2]);
// The ends of a kernel edge, in the direction of its curve.
bool edge_ends(int edge, double start[3], double end[3]);
// The point of a kernel edge's curve at parameter t.
bool edge_point(int edge, double t, double point[3]);
// The edge's curve as the host's curve mathematics takes it, over the
// edge's interval: a line (parameter: distance from the start), an arc or
// an ellipse (parameter: angle), any other curve as its rational spline
// (the kernel's parameter).
std::optional<hostnum::Curve> edge_curve(int edge);

}  // namespace host::kernel

#endif
