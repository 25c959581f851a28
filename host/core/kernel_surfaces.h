/* Surfaces of solid-kernel faces: the kernel queries that frame a face's
 * surface (kind, origin, axis, radii, parameter box, points).
 *
 * A face object of a kernel body (entity type 70, subtype 2) answers with
 * its kernel face's surface, in the kernel's parameters (host/kernel/
 * links.h): the same as below, except that a cone's v runs along its
 * generators, (r + v sin a)(cos u X + sin u Y) + v cos a A; offset faces
 * have a surface for a base, not a face (pxbase_ answers 0); spun and
 * swept faces answer their axis or direction. A face object without a
 * kernel face may carry a surface from the host's table
 * (host::kernel_surfaces::define). Surfaces, with X the reference direction (unit,
 * at right angles to the axis A) and Y = A x X:
 *   plane     4001  P(u, v) = O + u X + v Y                          class 16
 *   cylinder  4002  O + r (cos u X + sin u Y) + v A                  class 17
 *   cone      4003  O + (r + v tan a)(cos u X + sin u Y) + v A       class 18
 *                   (radii: r, the half angle a)
 *   sphere    4004  O + r (cos v (cos u X + sin u Y) + sin v A)      class 22
 *   torus     4005  O + (R + p cos v)(cos u X + sin u Y) + p sin v A class 19
 *                   (radii: R, p)
 *   offset    4008  the base face's surface moved along its normal   class 65
 * Swept (4009) and spun (4010) surfaces of the table are outside what
 * this host computes: their queries raise HOST_ERR_OUT_OF_SCOPE.
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
#pragma GCC visibility push(default) /* exported: see host/export.h */

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

// Fixture: gives a face a surface (model state: undo marks roll it back).
void define(unsigned int face, const Surface& surface);
// Kernel surface class of a kind (65 for an offset, 0 for none).
int surface_class(int kind);

}  // namespace host::kernel_surfaces
#endif

#endif
