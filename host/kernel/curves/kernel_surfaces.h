/* Surfaces of solid-kernel faces: the kernel queries that frame a face's
 * surface (kind, origin, axis, radii, parameter box, points).
 *
 * A face object with a kernel face (a face of a kernel body, entity type
 * 70 subtype 2, or a face defined below) answers with its kernel face's
 * surface (host/kernel/engine/links.h). Surfaces, with X the reference direction
 * (unit, at right angles to the axis A) and Y = A x X:
 *   plane     4001  P(u, v) = O + u X + v Y                          class 16
 *   cylinder  4002  O + r (cos u X + sin u Y) + v A                  class 17
 *   cone      4003  O + (r + v sin a)(cos u X + sin u Y) + v cos a A class 18
 *                   (radii: r, the half angle a; v along the generators)
 *   sphere    4004  O + r (cos v (cos u X + sin u Y) + sin v A)      class 22
 *   torus     4005  O + (R + p cos v)(cos u X + sin u Y) + p sin v A class 19
 *                   (radii: R, p)
 *   offset    4008  a surface moved along its normal                 class 65
 * A kernel body's offset face is built on a surface, not a face (pxbase_
 * answers 0); spun and swept faces answer their axis or direction.
 *
 * Defined faces (host::kernel_surfaces::define, a fixture): the face
 * object gets a kernel face of its own, the surface on a frame carrying
 * the given reference direction, bounded by the given parameter box, held
 * as a sheet body without a body object (host/kernel/engine/held_faces.h: it dies
 * with the face object and goes with an undo past the definition). Its
 * answers keep the parameters it was defined in:
 *   - a cone's v runs along the axis, O + (r + v tan a)(...) + v A: the
 *     face keeps the scale cos a between that v and the kernel's;
 *   - a box the kernel moved by whole periods is answered as given;
 *   - an offset keeps its base face object (pxbase_ answers it while it
 *     lives): its kernel face is the offset, at the distance, of the base's
 *     kernel surface, in the base's parameters; its base data's sense is
 *     1 when the offset's and the base's senses agree.
 * Data the kernel cannot build stays recorded as given, and its queries
 * answer the recorded values: a plane or axis whose reference direction
 * lies along its axis, a box that is empty or inverted (v from 5e-8 to
 * -3e-8), an offset without a base (or on a base that is recorded data),
 * swept (4009) and spun (4010) surfaces, which have no profile. pxpben_ of
 * such a face answers the point of the kernel's surface of the data where
 * the kernel builds one (only the box was wrong), else what a test scripts
 * for it (x, y, z), the recorded origin unless it does; of swept and spun
 * data it raises HOST_ERR_OUT_OF_SCOPE, as do their profile queries.
 *
 * Checks: a face without a surface raises HOST_ERR_WRONG_CLASS (pxpsus_
 * answers class 0 for it, pxeval_ status 1), a null
 * pointer HOST_ERR_NULL_ARGUMENT. pxerr_ raises HOST_ERR_BAD_ARGUMENT for
 * a non-zero kernel status.
 */
#ifndef HOST_CORE_KERNEL_SURFACES_H
#define HOST_CORE_KERNEL_SURFACES_H

#include "host/numeric/tolerances.h" /* the kernel's length factors pxsfac_ */

#define PX_SURF_PLANE    4001
#define PX_SURF_CYLINDER 4002
#define PX_SURF_CONE     4003
#define PX_SURF_SPHERE   4004
#define PX_SURF_TORUS    4005
#define PX_SURF_OFFSET   4008
#define PX_SURF_SWEPT    4009
#define PX_SURF_SPUN     4010

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Kernel surface class of the face's surface (0 for an entity without one). */
void pxpsus_(const unsigned int* face, int* surface_class);
/* The face whose surface an offset face's surface is built on (0: none). */
void pxbase_(const unsigned int* face, unsigned int* base);
/* Kind, origin, axis and radii of the face's surface; *sense becomes 1 when
 * the face's normal runs with the surface's, else 0. */
void PX_face_ask_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                      double radii[2]);
/* The same data of the base surface of an offset face. */
void PX_ofs_face_ask_base_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                               double radii[2]);
/* The face's parameter box {u0, u1, v0, v1}; *status 0, or 1 for a face
 * without a surface. */
void pxeval_(const unsigned int* face, double box[4], int* status);
/* The point of the face's surface at (u, v). */
void pxpben_(const unsigned int* face, const double* u, const double* v, double point[3]);
/* Reports a non-zero kernel status as a host error. */
void pxerr_(const int* status);
/* Profiles of spun and swept surfaces (outside this host: they raise). */
void PX_su_face_ask_data(unsigned int face, unsigned char* sense, double origin[3], double axis[3], void** list);
void PX_su_surface_ask_data(unsigned int face, unsigned char* sense, double origin[3], double axis[3], void** list);
void PX_se_face_ask_data(unsigned int face, unsigned char* sense, double origin[3], double axis[3]);
void PX_se_surface_ask_data(unsigned int face, unsigned char* sense, double origin[3], double axis[3]);
/* Releases a list handed out by the kernel queries (null is fine). */
void delist_(void** list);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::kernel_surfaces {

struct Surface {
    int kind = PX_SURF_PLANE;
    double origin[3] = {0, 0, 0};
    double axis[3] = {0, 0, 1};
    double ref[3] = {1, 0, 0};
    double radii[2] = {0, 0};
    double box[4] = {0, 1, 0, 1};
    bool sense = true;
    unsigned int base = 0;  // offset: the face whose surface is moved
    double distance = 0;    // offset: how far along the base's normal
};

// Fixture: gives a face object a kernel face on the surface (see above;
// model state: undo marks roll it back). Redefining replaces it.
void define(unsigned int face, const Surface& surface);
// Kernel surface class of a kind (65 for an offset, 0 for none).
int surface_class(int kind);

}  // namespace host::kernel_surfaces
#endif

#endif
