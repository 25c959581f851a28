// Surfaces of solid-kernel faces (see kernel_surfaces.h).
#include "host/kernel/curves/kernel_surfaces.h"

#include <cmath>
#include <optional>

#include "host/store/entities/occurrences.h"
#include "host/base/hook.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/held_faces.h"
#include "host/kernel/engine/links.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

namespace ks = host::kernel_surfaces;
namespace hk = host::kernel;

constexpr double kTwoPi = 6.283185307179586;

// What a defined face keeps besides its kernel face: the map from the
// kernel's parameters to the ones it was defined in (u = ku + u_shift,
// v = kv * v_scale + v_shift), the face its offset is built on, and, for a
// face the kernel cannot build, the data as given (answered as recorded).
struct Defined {
    double u_shift = 0, v_scale = 1, v_shift = 0;
    unsigned int base = 0;
    std::optional<ks::Surface> data;
};

host::TagTable<Defined>& table() {
    static host::TagTable<Defined> t("kernel surfaces");
    return t;
}
const bool registered = (table(), true);

// The record of a defined face (an occurrence's: its prototype's); null
// for any other face.
const Defined* defined(unsigned int face) {
    if (const Defined* d = table().find(face)) return d;
    const host::occurrences::Place* p = host::occurrences::place_of(face);
    return p ? table().find(p->prototype) : nullptr;
}

// The recorded data of a face the kernel could not build (null: none).
const ks::Surface* data_of(unsigned int face) {
    const Defined* d = defined(face);
    return d && d->data ? &*d->data : nullptr;
}

const ks::Surface& require_data(unsigned int face, const host::Call& call) {
    const ks::Surface* s = data_of(face);
    if (s == nullptr) call.fail(HOST_ERR_WRONG_CLASS, "tag %u carries no kernel surface", face);
    return *s;
}

[[noreturn]] void out_of_scope(const host::Call& call) {
    call.fail(HOST_ERR_OUT_OF_SCOPE, "swept and spun surfaces are not computed by this host");
}

void copy3(const double* from, double* to) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
}

// The kernel face's surface of a face object (base: the surface its offset
// is built on), its box in the parameters the face was defined in.
bool kernel_data(unsigned int face, bool base, hk::SurfaceData* k) {
    if (!hk::face_surface(face, k, base)) return false;
    if (const Defined* d = defined(face); d && !d->data) {
        k->box[0] += d->u_shift;
        k->box[1] += d->u_shift;
        k->box[2] = k->box[2] * d->v_scale + d->v_shift;
        k->box[3] = k->box[3] * d->v_scale + d->v_shift;
    }
    return true;
}

void give(bool sense_with, int kind_of, const double* origin_of, const double* axis_of, const double* radii_of,
          unsigned char* sense, int* kind, double* origin, double* axis, double* radii) {
    *sense = sense_with ? 1 : 0;
    *kind = kind_of;
    copy3(origin_of, origin);
    copy3(axis_of, axis);
    radii[0] = radii_of[0];
    radii[1] = radii_of[1];
}
void give_kernel(const hk::SurfaceData& k, unsigned char* sense, int* kind, double* origin, double* axis,
                 double* radii) {
    give(k.sense, k.kind, k.origin, k.axis, k.radii, sense, kind, origin, axis, radii);
}
void give_data(const ks::Surface& s, unsigned char* sense, int* kind, double* origin, double* axis, double* radii) {
    give(s.sense, s.kind, s.origin, s.axis, s.radii, sense, kind, origin, axis, radii);
}

// The axis of a kernel face's spun surface (or the direction of a swept
// one; base: of the surface an offset is built on). The profile list is
// not handed out (null). Recorded swept and spun data have no profile:
// they are not computed here.
void profile_axis(const host::Call& call, unsigned int face, bool base, int kind, unsigned char* sense, double* origin,
                  double* axis, void** list) {
    hk::SurfaceData k;
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

// The held surface of the data, in the kernel's parameters by the map.
hk::HeldSurface held_of(const ks::Surface& s, const Defined& d) {
    hk::HeldSurface h;
    h.kind = s.kind;
    copy3(s.origin, h.origin);
    copy3(s.axis, h.axis);
    copy3(s.ref, h.ref);
    h.radii[0] = s.radii[0];
    h.radii[1] = s.radii[1];
    h.box[0] = s.box[0] - d.u_shift;
    h.box[1] = s.box[1] - d.u_shift;
    h.box[2] = (s.box[2] - d.v_shift) / d.v_scale;
    h.box[3] = (s.box[3] - d.v_shift) / d.v_scale;
    h.sense = s.sense;
    h.base = s.base;
    h.distance = s.distance;
    return h;
}

// A shift of the kernel's parameters onto the given ones: a whole number
// of periods on a periodic direction, else none.
double period_shift(double given, double kernel) {
    const double turns = std::round((given - kernel) / kTwoPi);
    return std::fabs(given - kernel - turns * kTwoPi) < 1e-9 * (1 + std::fabs(given)) ? turns * kTwoPi : 0.0;
}

}  // namespace

namespace host::kernel_surfaces {

void define(unsigned int face, const Surface& surface) {
    Defined d;
    d.base = surface.kind == PX_SURF_OFFSET ? surface.base : 0;
    // A cone's kernel v runs along its generators; an offset has the
    // parameters of its base.
    if (surface.kind == PX_SURF_CONE) d.v_scale = std::cos(surface.radii[1]);
    const Defined* base = d.base ? table().find(d.base) : nullptr;
    if (base) {
        d.u_shift = base->u_shift;
        d.v_scale = base->v_scale;
        d.v_shift = base->v_shift;
    }
    const bool box_ok = surface.box[0] < surface.box[1] && surface.box[2] < surface.box[3];
    const bool kind_ok = (surface.kind >= PX_SURF_PLANE && surface.kind <= PX_SURF_TORUS) ||
                         (surface.kind == PX_SURF_OFFSET && base && !base->data);
    if (box_ok && kind_ok && d.v_scale > 0 && host::kernel::hold_face(face, held_of(surface, d))) {
        // The kernel may have moved a periodic direction's bounds by whole
        // periods: the map takes them back.
        host::kernel::SurfaceData k;
        if (host::kernel::face_surface(face, &k)) {
            d.u_shift += period_shift(surface.box[0], k.box[0] + d.u_shift);
            d.v_shift += period_shift(surface.box[2], k.box[2] * d.v_scale + d.v_shift);
        }
    } else {
        host::kernel::drop_held_face(face);
        d.data = surface;
    }
    table()[face] = std::move(d);
}

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
    hk::SurfaceData k;
    const ks::Surface* s = data_of(*face);
    const int cls = kernel_data(*face, false, &k) ? ks::surface_class(k.kind) : s ? ks::surface_class(s->kind) : 0;
    *surface_class = static_cast<int>(call.int_out(0, cls));
}

void pxbase_(const unsigned int* face, unsigned int* base) {
    auto call = HOST_ENTRY(face ? *face : 0u);
    call.need(face);
    call.need(base);
    // A defined offset is built on its base face while that face lives; an
    // offset of a kernel body on a surface, not on a face.
    hk::SurfaceData k;
    const Defined* d = defined(*face);
    if (!d && !kernel_data(*face, false, &k)) require_data(*face, call);
    const unsigned int b = d && d->base && table().find(d->base) ? d->base : 0;
    *base = static_cast<unsigned int>(call.int_out(0, b));
}

void PX_face_ask_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                      double radii[2]) {
    auto call = HOST_ENTRY(face, sense, kind, origin);
    for (const void* p :
         {static_cast<const void*>(sense), static_cast<const void*>(kind), static_cast<const void*>(origin),
          static_cast<const void*>(axis), static_cast<const void*>(radii)})
        call.need(p);
    hk::SurfaceData k;
    if (kernel_data(face, false, &k)) give_kernel(k, sense, kind, origin, axis, radii);
    else give_data(require_data(face, call), sense, kind, origin, axis, radii);
}

void PX_ofs_face_ask_base_data(unsigned int face, unsigned char* sense, int* kind, double origin[3], double axis[3],
                               double radii[2]) {
    auto call = HOST_ENTRY(face, sense, kind, origin);
    for (const void* p :
         {static_cast<const void*>(sense), static_cast<const void*>(kind), static_cast<const void*>(origin),
          static_cast<const void*>(axis), static_cast<const void*>(radii)})
        call.need(p);
    hk::SurfaceData k;
    if (kernel_data(face, false, &k)) {
        const bool face_sense = k.sense;
        if (!kernel_data(face, true, &k)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an offset face", face);
        give_kernel(k, sense, kind, origin, axis, radii);
        // The base of a defined offset is a face with a sense of its own.
        hk::SurfaceData b;
        const Defined* d = defined(face);
        if (d && !d->data && d->base && kernel_data(d->base, false, &b)) *sense = face_sense == b.sense ? 1 : 0;
        return;
    }
    // Recorded data: the base face's surface, as the kernel or the record has it.
    const ks::Surface& s = require_data(face, call);
    if (s.kind != PX_SURF_OFFSET) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not an offset face", face);
    bool base_sense = true;
    if (kernel_data(s.base, false, &k)) {
        if (k.kind == PX_SURF_OFFSET) call.fail(HOST_ERR_OUT_OF_SCOPE, "an offset of an offset surface");
        give_kernel(k, sense, kind, origin, axis, radii);
        base_sense = k.sense;
    } else {
        const ks::Surface& b = require_data(s.base, call);
        if (b.kind == PX_SURF_OFFSET) call.fail(HOST_ERR_OUT_OF_SCOPE, "an offset of an offset surface");
        give_data(b, sense, kind, origin, axis, radii);
        base_sense = b.sense;
    }
    *sense = s.sense == base_sense ? 1 : 0;
}

void pxeval_(const unsigned int* face, double box[4], int* status) {
    auto call = HOST_ENTRY(face ? *face : 0u, box, status);
    call.need(face);
    call.need(box);
    call.need(status);
    hk::SurfaceData k;
    const bool kernel = kernel_data(*face, false, &k);
    const ks::Surface* s = kernel ? nullptr : data_of(*face);
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
    const Defined* d = defined(*face);
    const Defined plain;
    const Defined& map = d ? *d : plain;
    const double ku = *u - map.u_shift, kv = (*v - map.v_shift) / map.v_scale;
    if (hk::face_of_object(*face) != 0) {
        const bool mapped = d && !d->data;  // recorded data over a body's face: that face answers
        if (!hk::face_point(*face, mapped ? ku : *u, mapped ? kv : *v, point))
            call.fail(KERNEL_ERR_EXCEPTION, "the kernel has no point of face %u at (%g, %g)", *face, *u, *v);
        return;
    }
    // Recorded data: the kernel's surface of it where the kernel builds one
    // (a box it cannot bound a face by); else what a test scripts, the
    // recorded origin unless it does.
    const ks::Surface& s = require_data(*face, call);
    if (s.kind == PX_SURF_SWEPT || s.kind == PX_SURF_SPUN) out_of_scope(call);
    if (hk::held_surface_point(held_of(s, map), ku, kv, point)) return;
    for (int i = 0; i < 3; ++i) point[i] = call.real_out(static_cast<std::size_t>(i), s.origin[i]);
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
