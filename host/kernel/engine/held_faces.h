/* Faces of their own for face objects: a face object that no kernel body
 * made (a fixture's face, a datum) can hold a kernel face, a sheet body of
 * that one face. The sheet has no body object: it lives as long as the
 * face object (its death drops the sheet, an undo past its making takes it
 * back), and the walkers over bodies and their objects (es7034_, es7008_,
 * the part file's kernel section) pass it by. Its face answers the kernel's
 * face queries like any face of a kernel body.
 *
 * Plain C++ over kernel tags and objects: no kernel library header comes
 * in here.
 */
#ifndef HOST_KERNEL_HELD_FACES_H
#define HOST_KERNEL_HELD_FACES_H

namespace host::kernel {

// The surface of a held face, in the kernel's parameters (a cone's v runs
// along its generators). X, the reference direction, must not lie along
// the axis; Y = axis x X.
struct HeldSurface {
    int kind = 0;  // ZQ_SURF_ plane, cylinder, cone, sphere, torus or offset
    double origin[3] = {0, 0, 0};
    double axis[3] = {0, 0, 1};
    double ref[3] = {1, 0, 0};
    double radii[2] = {0, 0};      // cylinder, sphere r; cone r and half angle; torus R and r
    double box[4] = {0, 1, 0, 1};  // {u0, u1, v0, v1}: the face's bounds
    bool sense = true;             // the face's normal runs with the surface's
    unsigned int base = 0;         // offset: the face object whose kernel surface is moved
    double distance = 0;           // offset: how far along that surface's normal
};

// Makes the face object's own kernel face on the surface, bounded by its
// box, in place of any it held. False, with nothing made (and nothing the
// object held before dropped), when the kernel cannot build it or the
// object is a face, edge or body of a kernel body of the model.
bool hold_face(unsigned int object, const HeldSurface& surface);
// Drops the kernel face the object holds (none: nothing happens).
void drop_held_face(unsigned int object);
// Whether a kernel body is a sheet held by a face object.
bool is_held_sheet(int body);
// The point at (u, v) of the surface (not bounded by a box; an offset's
// base is not looked at): false when the kernel cannot build it.
bool held_surface_point(const HeldSurface& surface, double u, double v, double point[3]);

}  // namespace host::kernel

#endif
