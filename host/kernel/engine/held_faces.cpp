// Faces of their own for face objects (see held_faces.h).
#include "host/kernel/engine/held_faces.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRep_Tool.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_Plane.hxx>
#include <Geom_SphericalSurface.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Ax3.hxx>

#include "host/kernel/engine/brep.h"

namespace hd = host::kernel::detail;

namespace {

gp_XYZ xyz(const double* v) { return {v[0], v[1], v[2]}; }

// The kernel surface of a face object's kernel face (null: none).
Handle(Geom_Surface) surface_of_object(unsigned int object) {
    const int tag = host::kernel::entity_of(object);
    const hd::Loc* l = tag ? hd::locate(tag) : nullptr;
    if (!l || l->cls != ZQ_CLASS_FACE) return nullptr;
    const hd::Body b = hd::find_body(l->body);
    return BRep_Tool::Surface(TopoDS::Face(b->named().faces[l->index].shape));
}

// The kernel's surface of the data (null when it cannot be built; throws
// the kernel's construction errors).
Handle(Geom_Surface) make_surface(const host::kernel::HeldSurface& s, bool with_base) {
    if (s.kind == ZQ_SURF_OFFSET) {
        if (!with_base) return nullptr;
        const Handle(Geom_Surface) base = surface_of_object(s.base);
        return base.IsNull() ? nullptr : new Geom_OffsetSurface(base, s.distance);
    }
    const gp_Ax3 frame(gp_Pnt(xyz(s.origin)), gp_Dir(xyz(s.axis)), gp_Dir(xyz(s.ref)));
    switch (s.kind) {
        case ZQ_SURF_PLANE: return new Geom_Plane(frame);
        case ZQ_SURF_CYLINDER: return new Geom_CylindricalSurface(frame, s.radii[0]);
        case ZQ_SURF_CONE: return new Geom_ConicalSurface(frame, s.radii[1], s.radii[0]);
        case ZQ_SURF_SPHERE: return new Geom_SphericalSurface(frame, s.radii[0]);
        case ZQ_SURF_TORUS: return new Geom_ToroidalSurface(frame, s.radii[0], s.radii[1]);
        default: return nullptr;
    }
}

}  // namespace

namespace host::kernel {

bool hold_face(unsigned int object, const HeldSurface& s) {
    hd::ensure_started();
    // A face of a body of the model has its kernel face already.
    if (const int tag = entity_of(object); tag && !is_held_sheet(body_of(tag))) return false;
    TopoDS_Face face;
    try {
        const Handle(Geom_Surface) surface = make_surface(s, true);
        if (surface.IsNull()) return false;
        BRepBuilderAPI_MakeFace make(surface, s.box[0], s.box[1], s.box[2], s.box[3], Precision::Confusion());
        if (!make.IsDone()) return false;
        face = make.Face();
    } catch (...) {
        return false;
    }
    if (!s.sense) face.Reverse();
    hd::BodyState b;
    b.tag = hd::new_tag();
    b.shape = face;
    b.edit_named().faces.push_back({hd::new_tag(), face, object});
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(face, TopAbs_EDGE, edges);
    for (int i = 1; i <= edges.Extent(); ++i) b.edit_named().edges.push_back({hd::new_tag(), edges(i), 0});
    hd::name_small(b, nullptr);
    hd::hold(std::move(b), object);
    return true;
}

void drop_held_face(unsigned int object) { hd::drop_held(object); }

bool is_held_sheet(int body) {
    const hd::Body b = hd::find_body(body);
    return b && hd::is_held(*b);
}

bool held_surface_point(const HeldSurface& s, double u, double v, double point[3]) {
    hd::ensure_started();
    try {
        const Handle(Geom_Surface) surface = make_surface(s, false);
        if (surface.IsNull()) return false;
        const gp_Pnt p = surface->Value(u, v);
        point[0] = p.X();
        point[1] = p.Y();
        point[2] = p.Z();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace host::kernel
