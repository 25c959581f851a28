// Face data of the solid kernel: the face-type numbers and the parameter
// box of a kernel face (face_data.h).
#include "host/kernel/engine/face_data.h"

#include <BRepTools.hxx>
#include <Standard_Failure.hxx>
#include <TopoDS_Face.hxx>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"

namespace hd = host::kernel::detail;

namespace {

struct TypePair {
    int surface;
    int face;
};
constexpr TypePair kFaceTypes[] = {
    {ZQ_SURF_PLANE, PX_FACE_PLANE},   {ZQ_SURF_CYLINDER, PX_FACE_CYLINDER}, {ZQ_SURF_CONE, PX_FACE_CONE},
    {ZQ_SURF_SPHERE, PX_FACE_SPHERE}, {ZQ_SURF_TORUS, PX_FACE_TORUS},       {ZQ_SURF_SPUN, PX_FACE_REVOLVED},
    {ZQ_SURF_BSURF, PX_FACE_SPLINE},  {ZQ_SURF_SWEPT, PX_FACE_EXTRUDED},    {ZQ_SURF_OFFSET, PX_FACE_OFFSET},
};

bool is_surface_type(int type) { return type >= ZQ_SURF_PLANE && type <= ZQ_SURF_OTHER; }

int face_type_of(int surface) {
    for (const TypePair& p : kFaceTypes)
        if (p.surface == surface) return p.face;
    return 0;
}

}  // namespace

extern "C" {

void pxzrus_(const unsigned int* face, int* type) {
    auto call = HOST_ENTRY(face ? *face : 0u, type ? *type : 0);
    call.need(face, "the face");
    call.need(type, "the type word");
    call.live(*face);
    int surface = *type;
    if (!is_surface_type(surface)) {
        surface = 0;
        if (const int k = host::kernel::face_of_object(*face)) {
            double p[3], d[3], r = 0, r2 = 0;
            int sense = 0;
            ZQ_FACE_ask_data(k, &surface, p, d, &r, &r2, &sense);
        }
    }
    *type = static_cast<int>(call.int_out(0, face_type_of(surface)));
}

void KI_enpben(const int* face, double u[2], double v[2], int* ifail) {
    auto call = HOST_ENTRY(face ? *face : 0, u, v, ifail);
    call.need(face, "the face");
    call.need(u, "the u range output");
    call.need(v, "the v range output");
    call.need(ifail, "the failure output");
    if (call.status(*ifail)) return;
    const hd::Loc* l = hd::locate(*face);
    if (!l || l->cls != ZQ_CLASS_FACE) {
        *ifail = l ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY;
        return;
    }
    const TopoDS_Face& f = TopoDS::Face(hd::require_sub(call, *face, ZQ_CLASS_FACE).shape);
    double box[4];
    try {
        BRepTools::UVBounds(f, box[0], box[1], box[2], box[3]);
    } catch (const Standard_Failure&) {
        *ifail = KERNEL_ERR_EXCEPTION;
        return;
    }
    u[0] = box[0];
    u[1] = box[1];
    v[0] = box[2];
    v[1] = box[3];
    *ifail = 0;
}

}  // extern "C"
