// The facet service's mesher (facet_mesh.h): the kernel's incremental
// mesher on a copy of the body's shape.
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepGProp_Face.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Poly_Triangulation.hxx>
#include <TopLoc_Location.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Face.hxx>

#include <algorithm>
#include <cmath>

#include "host/kernel/engine/brep.h"
#include "host/kernel/mesh/facet_mesh.h"

namespace hd = host::kernel::detail;

namespace host::kernel {

std::vector<MeshFace> mesh_body(int body, double chord, double angle) {
    const Call call("FACET_facet_body", nullptr);
    hd::ensure_started();
    const hd::Body b = hd::require_body(call, body);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        // The mesher stores its triangles in the shape's faces: a copy keeps
        // the body as it is.
        TopoDS_Shape shape = BRepBuilderAPI_Copy(b->shape).Shape();
        if (!(chord > 0)) {
            Bnd_Box box;
            BRepBndLib::Add(shape, box);
            double x0, y0, z0, x1, y1, z1;
            box.Get(x0, y0, z0, x1, y1, z1);
            chord = std::max({x1 - x0, y1 - y0, z1 - z0}) * 1e-3;
            if (!(chord > 0)) chord = 1e-3;
        }
        if (!(angle > 0)) angle = 0.5;
        BRepMesh_IncrementalMesh mesher(shape, chord, Standard_False, angle, Standard_False);
        if (!mesher.IsDone()) call.fail(KERNEL_ERR_EXCEPTION, "the mesher failed");
        std::vector<MeshFace> out;
        const std::vector<hd::Sub>& faces = b->named().faces;
        // The copy's faces in the same order as the body's.
        TopTools_IndexedMapOfShape copied;
        TopExp::MapShapes(shape, TopAbs_FACE, copied);
        for (int i = 1; i <= copied.Extent(); ++i) {
            const TopoDS_Face& f = TopoDS::Face(copied(i));
            MeshFace m;
            if (static_cast<std::size_t>(i - 1) < faces.size()) m.face = faces[i - 1].object;
            TopLoc_Location loc;
            Handle(Poly_Triangulation) tri = BRep_Tool::Triangulation(f, loc);
            if (tri.IsNull()) call.fail(KERNEL_ERR_EXCEPTION, "face %d was not meshed", i);
            const gp_Trsf t = loc.Transformation();
            const bool reversed = f.Orientation() == TopAbs_REVERSED;
            // The normal of the face (outwards: the face's orientation
            // counts) at each vertex's parameters.
            const BRepGProp_Face normals(f);
            for (int k = 1; k <= tri->NbNodes(); ++k) {
                const gp_Pnt p = tri->Node(k).Transformed(t);
                m.points.push_back({p.X(), p.Y(), p.Z()});
                gp_Vec n(0, 0, 0);
                if (tri->HasUVNodes()) {
                    const gp_Pnt2d uv = tri->UVNode(k);
                    m.params.push_back({uv.X(), uv.Y()});
                    gp_Pnt on;
                    normals.Normal(uv.X(), uv.Y(), on, n);
                } else {
                    m.params.push_back({0, 0});
                }
                if (n.Magnitude() > 1e-12) n.Normalize();
                m.normals.push_back({n.X(), n.Y(), n.Z()});
            }
            for (int k = 1; k <= tri->NbTriangles(); ++k) {
                int a, bb, c;
                tri->Triangle(k).Get(a, bb, c);
                if (reversed) std::swap(bb, c);
                m.triangles.push_back({a - 1, bb - 1, c - 1});
            }
            out.push_back(std::move(m));
        }
        return out;
    });
}

const void* body_version(int body) {
    const hd::Body b = hd::find_body(body);
    return b ? static_cast<const void*>(b->shape.TShape().get()) : nullptr;
}

}  // namespace host::kernel
