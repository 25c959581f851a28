// The frame of a solid-kernel face's surface and the orientation matrix
// made from it.
#include <cmath>

#include "host/store/entities/entity_delete.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/numeric/conics.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/numeric/linalg.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/csys/kx_csys_internal.h"
#include "libkxapi/mtx/kx_mtx_internal.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Kernel surface classes that have an orientation: plane, cylinder, cone, sphere.
bool has_orientation(int surface_class) {
    return surface_class == 16 || surface_class == 17 || surface_class == 18 || surface_class == 22;
}

// unit(p - origin) through the kernel's routine; zero when p is the origin.
void direction_from(const double* p, const double* origin, double* out) {
    const double d[3] = {p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
    int ok = 0;
    double unit[3] = {0, 0, 0};
    vunt3_(d, unit, &ok);
    for (int i = 0; i < 3; ++i) out[i] = ok ? unit[i] : 0.0;
}

}  // namespace

extern "C" KXAPI void kxoutsur_(const tag* face, int* kind, double origin[3], double axis[3], double reference[3],
                                double radii[2], int* sense, double box[4], int* status) {
    kx::guarded([&] {
        *status = 0;
        unsigned char s = *sense != 0;
        const unsigned int f = *face;
        PX_face_ask_data(f, &s, kind, origin, axis, radii);
        bool offset = false;
        if (*kind == PX_SURF_OFFSET) {
            PX_ofs_face_ask_base_data(f, &s, kind, origin, axis, radii);
            offset = true;
        }
        pxeval_(&f, box, status);
        if (*status != 0) return;
        if (*kind == PX_SURF_SPUN) {
            void* list = nullptr;
            if (offset) PX_su_surface_ask_data(f, &s, origin, axis, &list);
            else PX_su_face_ask_data(f, &s, origin, axis, &list);
            delist_(&list);
        } else if (*kind == PX_SURF_SWEPT) {
            if (offset) PX_se_surface_ask_data(f, &s, origin, axis);
            else PX_se_face_ask_data(f, &s, origin, axis);
            origin[0] = origin[1] = origin[2] = 0.0;
        }
        // The reference direction: towards a point of the surface.
        double u = 0, v = 0, p[3];
        if (*kind == PX_SURF_PLANE) u = 1;
        const bool cone_with_radius = *kind == PX_SURF_CONE && !h805_(radii[0], 0.0, 1);
        if (cone_with_radius) v = 1;
        pxpben_(&f, &u, &v, p);
        if (cone_with_radius)
            for (int i = 0; i < 3; ++i) p[i] += pxsfac_[1] * axis[i];
        direction_from(p, origin, reference);
        if (*kind == PX_SURF_SPHERE) {
            const double pole_u = 0, pole_v = kHalfPi;
            double pole[3];
            pxpben_(&f, &pole_u, &pole_v, pole);
            direction_from(pole, origin, axis);
        }
        if (*kind == PX_SURF_CONE)
            for (int i = 2; i < 4; ++i)
                if (std::fabs(box[i]) < 1e-7) box[i] = 0.0;
        *sense = s ? 1 : 0;
    });
}

namespace kx {

int face_matrix(tag object, tag* matrix) {
    const unsigned int face = object;
    unsigned int entity = 0;
    int faces = 0;
    es7034_(&face, &entity, &faces);
    if (entity == 0) return 0;
    int surface_class = 0;
    pxpsus_(&entity, &surface_class);
    if (surface_class == 65) {
        unsigned int base = 0;
        pxbase_(&entity, &base);
        if (base == 0) return 0;
        pxpsus_(&base, &surface_class);
    }
    if (!has_orientation(surface_class)) return 0;

    int kind = 0, sense = 0, status = 0;
    double origin[3], axis[3], reference[3] = {0, 0, 0}, radii[2], box[4];
    kxoutsur_(&object, &kind, origin, axis, reference, radii, &sense, box, &status);
    if (status != 0) pxerr_(&status);

    // Z along the axis, Y at right angles to the axis and the reference
    // direction, X completing the frame. A reference direction along the
    // axis (or none) gives no frame: no degenerate matrix is made.
    double rows[9], c[3], magnitude;
    if (!VEC3_unitize(axis, 0.0, &magnitude, rows + 6)) return kNoSurfaceFrame;
    kx::linalg::cross(rows + 6, reference, c);
    if (!VEC3_unitize(c, 1e-10, &magnitude, rows + 3)) return kNoSurfaceFrame;
    kx::linalg::cross(rows + 3, rows + 6, c);
    if (!VEC3_unitize(c, 0.0, &magnitude, rows)) return kNoSurfaceFrame;
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), rows, 3, matrix);
    return 0;
}

}  // namespace kx
