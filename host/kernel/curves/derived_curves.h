/* The solid kernel's work for the host's curve features (host/apps/modeling/curvefeat/):
 * projections of curves onto planes and onto faces, the combined curve of
 * two swept curves, and the joining of curve chains into one spline. Plain
 * C++ over model objects and the host's curve records: no kernel library
 * header comes in here.
 *
 * Curves are given as model objects: a curve entity (line, arc, conic,
 * spline) or an edge object of a kernel body. What the kernel makes comes
 * back as curve records of the host's curve mathematics (splines; exact
 * where the kernel's result is exact). A failure of the kernel raises a
 * host error of the kernel band (KERNEL_ERR_EXCEPTION) on the call given.
 */
#ifndef HOST_KERNEL_CURVEFEAT_H
#define HOST_KERNEL_CURVEFEAT_H

#include "host/base/services/codes.h"

#include <optional>
#include <vector>

#include "host/numeric/curves.h"
#include "host/numeric/v3.h"

/* Codes of the planar offsets of a chain of curves (below). */
#define HOST_CHAIN_OFFSET_CODES(X)                                                       \
    X(OFFSET_ERR_NO_PLANE, 1395069) /* the chain lies in no plane */                     \
    X(OFFSET_ERR_EXTENSION, 671381) /* a corner needs a longer extension than allowed */ \
    X(OFFSET_ERR_CHAIN, 671382) /* the curves make no chain */
HOST_BARE_CODE_CONSTANTS(HOST_CHAIN_OFFSET_CODES);

namespace host {
class Call;
}

namespace host::kernel::curvefeat {

using tag_t = unsigned int;

// The curve record of a curve entity or an edge object (empty for any
// other object).
std::optional<hostnum::Curve> curve_record(tag_t object);

// How a projection runs. kind: 1 along the target's normal, 2 toward
// `point`, 3 along `direction`, 5 toward the line through `point` along
// `direction`. both: along the direction and against it (kind 3).
struct Projection {
    int kind = 1;
    double direction[3] = {0, 0, 1};
    double point[3] = {0, 0, 0};
    bool both = false;
    double tolerance = 1e-4;
};

// A plane target: a point of it and its unit normal.
struct Plane {
    double point[3];
    double normal[3];
};

// The projection of a curve or edge object onto a face object (its kernel
// face, within its boundary) or onto a plane: the pieces, each running the
// way the input runs. None when the curve misses the target.
std::vector<hostnum::Curve> project_onto_face(const Call& call, tag_t curve, tag_t face, const Projection& how);
std::vector<hostnum::Curve> project_onto_plane(const Call& call, tag_t curve, const Plane& plane,
                                               const Projection& how);
// The projection of a point onto a face object or a plane; false when it
// misses.
bool project_point_onto_face(const Call& call, const double point[3], tag_t face, const Projection& how, double out[3]);
bool project_point_onto_plane(const double point[3], const Plane& plane, const Projection& how, double out[3]);

// The combined curve: where the sweep of `first` along `first_dir` meets
// the sweep of `second` along `second_dir` (both sweeps run both ways, far
// beyond the curves). The pieces, joined where they meet within the
// tolerance.
std::vector<hostnum::Curve> combine(const Call& call, tag_t first, const double first_dir[3], tag_t second,
                                    const double second_dir[3], double tolerance);

// Joining curves (entities or edges) into splines. Codes of a join:
enum JoinCode {
    join_ok = 0,
    join_gap = 1,        // the curves do not make one chain (an end meets no other end)
    join_branch = 3,     // three or more ends meet at one place
    join_none = 4,       // no curves
    join_closed = 5,     // a closed curve among several
    join_no_spline = 6,  // the kernel made no spline of the chain
    join_dead = 7,       // a tag of no live object
    join_not_curve = 8,  // an object that is no curve or edge
    join_method = 9,     // a method other than 1, 2 or 3
    join_null = 10,      // no array of curves
};
// Method 1: the exact chain as one spline (the pieces raised to the highest
// degree among them); 2: a cubic spline through the chain within the
// tolerance, smooth at the joints; 3: the same of degree 5.
struct Joined {
    int code = join_ok;
    std::optional<hostnum::Curve> curve;
    bool closed = false;
};
Joined join(const Call& call, const std::vector<tag_t>& curves, int method, double tolerance);
// The curves sorted into chains (ends meeting within the tolerance), in the
// order of their first curve; each chain's curves in chain order.
std::vector<std::vector<tag_t>> chains(const Call& call, const std::vector<tag_t>& curves, double tolerance);

// One member of an intersection set: a body or face object of the
// kernel, or a plane (point and unit normal) when `object` is 0.
struct Member {
    tag_t object = 0;
    Plane plane{};
};
// The curves where `first` meets `second` (each curve one piece of the
// kernel's section: a line, arc or spline along a face's boundary or
// across it). None when they do not meet.
std::vector<hostnum::Curve> intersect(const Call& call, const Member& first, const Member& second);

// The isocline curves of a face object: where the face's unit normal (its
// outward sense) makes `angle` degrees with the direction, within the
// face's boundary, each fitted within `tolerance` (degree 5 with quintic,
// else 3). None where the normal never makes the angle (a plane, a
// cylinder seen along its axis).
std::vector<hostnum::Curve> isocline(const Call& call, tag_t face, const double direction[3], double angle,
                                     double tolerance, int quintic);

// A spline through the points within the tolerance (consecutive repeats
// dropped; degree 1 through two or three points). None for fewer than two
// distinct points.
std::optional<hostnum::Curve> fit_points(const Call& call, const std::vector<hostnum::V3>& points, double tolerance);
// Planar offsets of a chain of curves (curve or edge objects in chain
// order, each meeting the next within `tolerance`). The chain runs from the
// end of its first curve that the second does not meet to the far end of
// its last (a single curve runs as it runs).
// The chain's frame: the unit normal of its plane (turned so that it makes
// no obtuse angle with the reference direction; a straight chain takes the
// part of the reference across it), its start point and unit tangent there,
// its end point, and the side a positive offset goes at the start
// (tangent x normal: the outside of a chain running counterclockwise about
// the normal). planar is false for a chain in no plane (normal then the
// reference direction).
struct ChainFrame {
    bool planar = false;
    double normal[3] = {0, 0, 1};
    double start[3] = {0, 0, 0};
    double tangent[3] = {1, 0, 0};
    double end[3] = {0, 0, 0};
    double side[3] = {0, 0, 0};
};
ChainFrame chain_frame(const Call& call, const std::vector<tag_t>& curves, const double reference[3], double tolerance);
// How to offset: in the chain's plane (its frame toward `normal`) by `distance` (toward the frame's
// side when positive), then along the normal by `lift`. corners 0: each
// curve on its own (the pieces neither meet nor are trimmed); 1: the pieces
// extended along themselves until they meet (a corner that needs more than
// `extension` on a piece raises OFFSET_ERR_EXTENSION) and trimmed where they
// cross; 2: rounded by arcs about the corner, trimmed where they cross.
struct OffsetHow {
    double normal[3] = {0, 0, 1};
    double distance = 0;
    double lift = 0;
    int corners = 0;
    double extension = 1e8;
    double tolerance = 1e-4;
};
// The offset curves in chain order, each running the way the chain runs
// (straight pieces in line with each other are one curve).
std::vector<hostnum::Curve> offset_chain(const Call& call, const std::vector<tag_t>& curves, const OffsetHow& how);

}  // namespace host::kernel::curvefeat

#endif
