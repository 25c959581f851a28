/* The solid kernel's skins: sheets and bodies made from strings of curves
 * (curve objects or edges of bodies, end to end within a string).
 *
 * Strings are given as the host keeps them: a count of strings, the
 * number of objects of each and all objects string after string. Each
 * routine answers a new body (kernel tag) with its objects, made as one
 * fixed step (a regeneration gives it unchanged).
 *
 *   ZQ_SKIN_through   a surface through the strings in order (ruled: flat
 *                     between neighbours); a solid when solid is 1 and
 *                     every string is closed
 *   ZQ_SKIN_plane     a planar sheet bounded by the first closed string,
 *                     the further closed strings cut as holes
 *   ZQ_SKIN_sweep     the sections swept along the first guide string (a
 *                     second guide, when given, scales the section); a
 *                     solid when solid is 1 and the sections are closed
 *   ZQ_SKIN_mesh      a sheet spanning the outer primary and cross
 *                     strings, passing through the inner ones
 *
 * Questions: ZQ_SKIN_is_closed (every string's ends meet within the
 * tolerance), ZQ_SKIN_planarity (0: all strings lie in one plane, 1: they
 * do not, 2: a hole string crosses or lies outside the first string).
 *
 * Failures: KERNEL_ERR_WRONG_ENTITY for an object that is no curve or
 * edge, KERNEL_ERR_NOT_DONE when a string makes no chain or the kernel
 * cannot build the body.
 */
#ifndef HOST_KERNEL_SKIN_H
#define HOST_KERNEL_SKIN_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct ZQ_strings_s {
    int count;
    const int* per_string;
    const unsigned int* objects;
} ZQ_strings_t;

void ZQ_SKIN_through(const ZQ_strings_t* sections, int solid, int ruled, int* body);
void ZQ_SKIN_plane(const ZQ_strings_t* boundaries, int* body);
void ZQ_SKIN_sweep(const ZQ_strings_t* guides, const ZQ_strings_t* sections, int solid, int* body);

/* How a sweep along one guide turns and scales its sections.
 * Orientation (ZQ_SKIN_ORIENT_*): the section keeps its place to the guide
 * without twisting (fixed), turns with the guide's curvature (Frenet),
 * keeps a direction as its binormal (along a vector), or turns so that it
 * meets a second curve as the first guide does (by a curve; a second guide
 * string does the same whatever the orientation).
 * Scaling (ZQ_SKIN_SCALE_*): by a constant factor, or by a law running from
 * factors[0] at the guide's start to factors[1] at its end (law 1 linear,
 * 2 cubic, flat at both ends). Other methods, a factor not above 0, a
 * direction of no length or a missing curve fail KERNEL_ERR_BAD_PARAMETER. */
#define ZQ_SKIN_ORIENT_FIXED  1
#define ZQ_SKIN_ORIENT_FRENET 2
#define ZQ_SKIN_ORIENT_VECTOR 3
#define ZQ_SKIN_ORIENT_CURVE  4
#define ZQ_SKIN_SCALE_CONSTANT 1
#define ZQ_SKIN_SCALE_LAW      2
typedef struct ZQ_SKIN_sweep_law_s {
    int orientation;
    double direction[3];
    const ZQ_strings_t* curve; /* ZQ_SKIN_ORIENT_CURVE: one string */
    int scaling;
    int law;
    double factors[2];
} ZQ_SKIN_sweep_law_t;
void ZQ_SKIN_sweep_with(const ZQ_strings_t* guides, const ZQ_strings_t* sections, int solid,
                        const ZQ_SKIN_sweep_law_t* law, int* body);
void ZQ_SKIN_mesh(const ZQ_strings_t* primary, const ZQ_strings_t* cross, int* body);
int ZQ_SKIN_is_closed(const ZQ_strings_t* strings, double tolerance);
int ZQ_SKIN_planarity(const ZQ_strings_t* strings, double tolerance);
/* The skin `made` takes the place of the first step of `body` (a body that
 * a skin made): the body is made from it at its next regeneration, the
 * later steps run again on it. When the two have as many faces and edges,
 * those of `made` take the tags (and so the objects) of the first step's,
 * in order. `made` goes. */
void ZQ_SKIN_replace_first(int body, int made);
/* The area that a closed planar string encloses; 0 when it bounds none. */
double ZQ_SKIN_enclosed_area(const ZQ_strings_t* string);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::kernel {
// Points along every curve and edge of the strings (five on each), in
// order: what the strings are now. An object that is no curve or edge raises.
std::vector<double> skin_samples(const ZQ_strings_t& strings);
}  // namespace host::kernel
#endif

#endif
