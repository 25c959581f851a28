// Shared with the old numbered surface functions: the frame of a face's
// surface, and the orientation matrix built from it.
#ifndef KX_CSYS_KX_CSYS_INTERNAL_H
#define KX_CSYS_KX_CSYS_INTERNAL_H

#include "kx_types.h"

// Surface frame of a face, every argument by address: surface kind, origin,
// axis direction, reference direction (unit; zero when the surface gives
// none), two radius values, sense flag (in and out: 1 or 0), parameter box
// {u0, u1, v0, v1} and a status word (cleared first; a kernel status ends
// the routine early). No frame of its own: host errors go to the caller's.
extern "C" KXAPI void kxoutsur_(const tag* face, int* kind, double origin[3], double axis[3], double reference[3],
                                double radii[2], int* sense, double box[4], int* status);

namespace kx {

// Status code of a face whose surface gives no orientation (its reference
// direction runs along its axis, or it has none).
inline constexpr int kNoSurfaceFrame = KX_ERR_BAD_PARAM_1;

// The orientation matrix of a solid-kernel object, made as a new matrix
// object in the work part; status 0 with NULL_TAG for objects without a
// surface of the classes that have one. Runs inside the caller's frame.
int face_matrix(tag object, tag* matrix);

namespace csys {

// The library's own uses of the coordinate-system functions (KX_CSYS_...):
// the work without a frame; host errors go to the caller's frame.
tag ask_wcs();
int ask_matrix_of_object(tag object, tag* matrix);
void edit_matrix_of_object(tag object, tag matrix);

}  // namespace csys

}  // namespace kx

#endif
