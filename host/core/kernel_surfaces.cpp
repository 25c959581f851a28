// Surfaces of solid-kernel faces (see kernel_surfaces.h).
#include "host/core/kernel_surfaces.h"

#include <cmath>

#include "host/hook.h"
#include "host/kernel/codes.h"
#include "host/kernel/links.h"
#include "host/model.h"
#include "host/numeric/v3.h"
#include "host/services/error.h"
#include "host/services/memory.h"

namespace {

namespace ks = host::kernel_surfaces;
using hostnum::V3;

host::TagTable<ks::Surface>& table() {
    static host::TagTable<ks::Surface> t("kernel surfaces");
    return t;
}
const bool registered = (table(), true);

const ks::Surface& surface(unsigned int face, const host::Call& call) {
    const ks::Surface* s = table().find(face);
    if (s == nullptr) call.fail(HOST_ERR_WRONG_CLASS, "tag %u carries no kernel surface", face);
    return *s;
}

// The surface an offset is built on.
const ks::Surface& base_of(const ks::Surface& s, const host::Call& call) {
    if (s.kind != PX_SURF_OFFSET) return s;
    const ks::Surface& b = surface(s.base, call);
    if (b.kind == PX_SURF_OFFSET) call.fail(HOST_ERR_OUT_OF_SCOPE, "an offset of an offset surface");
    return b;
}

[[noreturn]] void out_of_scope(const host::Call& call) {
    call.fail(HOST_ERR_OUT_OF_SCOPE, "swept and spun surfaces are not computed by this host");
}

// The point of a surface that is not an offset (a kind not computed here
// raises through the call).
V3 point_of(const ks::Surface& s, double u, double v, const host::Call& call) {
    const V3 O = V3::load(s.origin), A = V3::load(s.axis), X = V3::load(s.ref);
    const V3 Y = hostnum::cross(A, X);
    const V3 radial = std::cos(u) * X + std::sin(u) * Y;
    switch (s.kind) {
        case PX_SURF_PLANE: return O + u * X + v * Y;
        case PX_SURF_CYLINDER: return O + s.radii[0] * radial + v * A;
        case PX_SURF_CONE: return O + (s.radii[0] + v * std::tan(s.radii[1])) * radial + v * A;
        case PX_SURF_SPHERE: return O + s.radii[0] * (std::cos(v) * radial + std::sin(v) * A);
        case PX_SURF_TORUS: return O + (s.radii[0] + s.radii[1] * std::cos(v)) * radial + s.radii[1] * std::sin(v) * A;
        default: out_of_scope(call);
    }
}

// Unit normal of a surface that is not an offset, from its partial derivatives.
V3 normal_of(const ks::Surface& s, double u, double v, const host::Call& call) {
    const double h = 1e-6;
    const V3 pu = point_of(s, u + h, v, call) - point_of(s, u - h, v, call);
    const V3 pv = point_of(s, u, v + h, call) - point_of(s, u, v - h, call);
    const V3 n = hostnum::cross(pu, pv);
    const double len = hostnum::norm(n);
    return len > 0 ? (1 / len) * n : V3{};
}

void copy3(const double* from, double* to) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
}

// A face of a real kernel body answers from the kernel; a face object
// without a kernel face answers from the host's table.
bool kernel_data(unsigned int face, bool base, host::kernel::SurfaceData* k) {
    return host::kernel::face_surface(face, k, base);
}

void give_kernel(const host::kernel::SurfaceData& k, unsigned char* sense, int* kind, double* origin, double* axis,
                 double* radii) {
    *sense = k.sense ? 1 : 0;
    *kind = k.kind;
    copy3(k.origin, origin);
    copy3(k.axis, axis);
    radii[0] = k.radii[0];
    radii[1] = k.radii[1];
}

// The axis of a kernel face's spun surface (or the direction of a swept
// one; base: of the surface an offset is built on). The profile list is
// not handed out (null). Faces of the host's table are not computed here.
void profile_axis(const host::Call& call, unsigned int face, bool base, int kind, unsigned char* sense, double* origin,
                  double* axis, void** list) {
    host::kernel::SurfaceData k;
    if (!kernel_data(face, base, &k)) out_of_scope(call);
    if (k.kind != kind) call.fail(HOST_ERR_WRONG_CLASS, "face %u has no surface of kind %d", face, kind);
    for (const void* p :
         {static_cast<const void*>(sense), static_cast<const void*>(origin), static_cast<const void*>(axis)})
        call.need(p);
    *sense = k.sense ? 1 : 0;
    copy3(k.origin, origin);
    copy3(k.axis, axis);
    if (list != nullptr) *list = nullptr;
}

void give_data(const ks::Surface& s, unsigned char* sense, int* kind, double* origin, double* axis, double* radii) {
    *sense = s.sense ? 1 : 0;
    *kind = s.kind;
    copy3(s.origin, origin);
    copy3(s.axis, axis);
    radii[0] = s.radii[0];
    radii[1] = s.radii[1];
}

}  // namespace

namespace host::kernel_surfaces {

void define(unsigned int face, const Surface& surface) { table()[face] = surface; }

int surface_class(int kind) {
    switch (kind) {
        case PX_SURF_PLANE: return 16;
        case PX_SURF_CYLINDER: return 17;
        case PX_SURF_CONE: return 18;
        case PX_SURF_SPHERE: return 22;
        case PX_SURF_TORUS: return 19;
        case PX_SURF_OFFSET: return 65;
        case PX_SURF_SWEPT: return 24;
        case PX_SURF_SPUN: return 25;
        default: return 0;
    }
}

}  // namespace host::kernel_surfaces

extern "C" {

void pxpsus_(const unsigned int* face, int* surface_class) {
    auto call = HOST_ENTRY(face ? *face : 0u);
    call.need(face);
    call.need(surface_class);
    // An entity without a surface (a body, an edge) has no surface class.
    host::kernel::SurfaceData k;
    const ks::Surface* s = table().find(*face);
    const int cls = kernel_data(*face, false, &k) ? ks::surface_class(k.kind) : s ? ks::surface_class(s->kind) : 0;
    *surface_class = static_cast<int>(call.int_out(0, cls));
}

void pxbase_(const unsigned int* face, unsigned int* base) {
    auto call = HOST_ENTRY(face ? *face : 0u);
    call.need(face);
    call.need(base);
    host::kernel::SurfaceData k;
    if (kernel_data(*face, false, &k)) {  // a kernel offset is built on a surface, not on a face
        *base = static_cast<unsigned int>(call.int_out(0, 0));
        return;
    }
    const ks::Surface& s = surface(*face, call);
    const unsigned int b = s.kind == PX_SURF_OFFSET && table().find(s.base) ? s.base : 0;
    *base = static_cast<unsigned int>(call.int_out(0, b));
}

void PX_face_ask_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                      double radii[2]) {
    auto call = HOST_ENTRY(face, sense, kind, origin);
    for (const void* p :
         {static_cast<const void*>(sense), static_cast<const void*>(kind), static_cast<const void*>(origin),
          static_cast<const void*>(axis), static_cast<const void*>(radii)})
        call.need(p);
    host::kernel::SurfaceData k;
    if (kernel_data(face, false, &k)) give_kernel(k, sense, kind, origin, axis, radii);
    else give_data(surface(face, call), sense, kind, origin, axis, radii);
}

void PX_ofs_face_ask_base_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                               double radii[2]) {
    auto call = HOST_ENTRY(face, sense, kind, origin);
    for (const void* p :
         {static_cast<const void*>(sense), static_cast<const void*>(kind), static_cast<const void*>(origin),
          static_cast<const void*>(axis), static_cast<const void*>(radii)})
        call.need(p);
    host::kernel::SurfaceData k;
    if (kernel_data(face, false, &k)) {
        if (!kernel_data(face, true, &k)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an offset face", face);
        give_kernel(k, sense, kind, origin, axis, radii);
        return;
    }
    const ks::Surface& s = surface(face, call);
    if (s.kind != PX_SURF_OFFSET) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an offset face", face);
    const ks::Surface& b = base_of(s, call);
    give_data(b, sense, kind, origin, axis, radii);
    *sense = (s.sense == b.sense) ? 1 : 0;
}

void pxeval_(const unsigned int* face, double box[4], int* status) {
    auto call = HOST_ENTRY(face ? *face : 0u, box, status);
    call.need(face);
    call.need(box);
    call.need(status);
    host::kernel::SurfaceData k;
    const bool kernel = kernel_data(*face, false, &k);
    const ks::Surface* s = kernel ? nullptr : table().find(*face);
    *status = static_cast<int>(call.int_out(0, kernel || s ? 0 : 1));
    if (*status != 0 || (!kernel && s == nullptr)) return;
    for (int i = 0; i < 4; ++i) box[i] = kernel ? k.box[i] : s->box[i];
}

void pxpben_(const unsigned int* face, const double* u, const double* v, double point[3]) {
    auto call = HOST_ENTRY(face ? *face : 0u, u ? *u : 0.0, v ? *v : 0.0, point);
    call.need(face);
    call.need(u);
    call.need(v);
    call.need(point);
    if (host::kernel::face_of_object(*face) != 0) {
        if (!host::kernel::face_point(*face, *u, *v, point))
            call.fail(KERNEL_ERR_EXCEPTION, "the kernel has no point of face %u at (%g, %g)", *face, *u, *v);
        return;
    }
    const ks::Surface& s = surface(*face, call);
    const ks::Surface& b = base_of(s, call);
    V3 p = point_of(b, *u, *v, call);
    if (s.kind == PX_SURF_OFFSET) p += s.distance * normal_of(b, *u, *v, call);
    p.store(point);
}

void pxerr_(const int* status) {
    auto call = HOST_ENTRY(status ? *status : 0);
    call.need(status);
    if (*status != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "kernel error %d", *status);
}

void PX_su_face_ask_data(unsigned int face, unsigned char* sense, double* origin, double* axis, void** list) {
    auto call = HOST_ENTRY(face);
    profile_axis(call, face, false, PX_SURF_SPUN, sense, origin, axis, list);
}

void PX_su_surface_ask_data(unsigned int face, unsigned char* sense, double* origin, double* axis, void** list) {
    auto call = HOST_ENTRY(face);
    profile_axis(call, face, true, PX_SURF_SPUN, sense, origin, axis, list);
}

void PX_se_face_ask_data(unsigned int face, unsigned char* sense, double* origin, double* axis) {
    auto call = HOST_ENTRY(face);
    profile_axis(call, face, false, PX_SURF_SWEPT, sense, origin, axis, nullptr);
}

void PX_se_surface_ask_data(unsigned int face, unsigned char* sense, double* origin, double* axis) {
    auto call = HOST_ENTRY(face);
    profile_axis(call, face, true, PX_SURF_SWEPT, sense, origin, axis, nullptr);
}

void delist_(void** list) {
    HOST_ENTRY(list);
    if (list != nullptr && *list != nullptr) {
        SM_free(*list);
        *list = nullptr;
    }
}

}  // extern "C"
