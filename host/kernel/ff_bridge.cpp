// The solid kernel's bridge sheets (ff_bridge.h).
#include "host/kernel/ff_bridge.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepGProp.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_Surface.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <vector>

#include "host/kernel/brep.h"
#include "host/kernel/kernel.h"
#include "host/services/error.h"

namespace hd = host::kernel::detail;

namespace {

using Call = host::Call;

constexpr int kSamples = 16;  // points along each edge

TopoDS_Face face_of(const Call& call, int tag) {
    int cls = 0;
    const TopoDS_Shape s = hd::shape_of(call, tag, &cls);
    if (cls != ZQ_CLASS_FACE) call.fail(KERNEL_ERR_WRONG_ENTITY, "kernel tag %d is no face", tag);
    return TopoDS::Face(s);
}

TopoDS_Face face_on(const Call& call, const Handle(Geom_Surface) & s, double u0, double u1, double v0, double v1) {
    BRepBuilderAPI_MakeFace make(s, u0, u1, v0, v1, 1e-7);
    if (!make.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no face can be made on the surface");
    return make.Face();
}

Handle(Geom_Surface) fit_grid(const Call& call, const TColgp_Array2OfPnt& grid, double tolerance) {
    GeomAPI_PointsToBSplineSurface fit;
    fit.Init(grid, 3, 8, GeomAbs_C2, std::max(tolerance, 1e-7));
    if (!fit.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface fits the points");
    return Handle(Geom_Surface)(fit.Surface());
}

// The unit normal of the face at (u, v), turned with the face.
gp_Dir normal_at(const Call& call, const TopoDS_Face& f, double u, double v) {
    BRepAdaptor_Surface s(f);
    BRepLProp_SLProps props(s, u, v, 1, 1e-9);
    if (!props.IsNormalDefined()) call.fail(KERNEL_ERR_DEGENERATE, "the face has no normal at (%g, %g)", u, v);
    gp_Dir n = props.Normal();
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

int commit(const Call& call, const TopoDS_Shape& shape) { return hd::commit_checked(call, shape, "sheet"); }

}  // namespace

extern "C" {

void ZQ_FFS_bridge(const int faces[2], const int edges[2], const int directions[2], int* body) {
    auto call = HOST_ENTRY(faces, edges, directions, body);
    call.need(faces, "the faces");
    call.need(edges, "the edges");
    call.need(directions, "the directions");
    call.need(body, "the body output");
    hd::ensure_started();
    struct Side {
        TopoDS_Face face;
        TopoDS_Edge edge;
        bool backwards = false;
    } side[2];
    for (int i = 0; i < 2; ++i) {
        side[i].face = face_of(call, faces[i]);
        int cls = 0;
        const TopoDS_Shape e = hd::shape_of(call, edges[i], &cls);
        if (cls != ZQ_CLASS_EDGE) call.fail(KERNEL_ERR_WRONG_ENTITY, "kernel tag %d is no edge", edges[i]);
        side[i].edge = TopoDS::Edge(e);
        side[i].backwards = directions[i] == -1;
    }
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        // Per side, points along the edge and the cross tangents leaving
        // the face there.
        std::vector<gp_Pnt> at[2];
        std::vector<gp_Vec> out[2];
        for (int i = 0; i < 2; ++i) {
            BRepAdaptor_Curve c(side[i].edge);
            const Handle(Geom_Surface) s = BRep_Tool::Surface(side[i].face);
            GProp_GProps g;
            BRepGProp::SurfaceProperties(side[i].face, g);
            const gp_Pnt inside = g.CentreOfMass();
            const double a = c.FirstParameter(), b = c.LastParameter();
            for (int k = 0; k <= kSamples; ++k) {
                double t = a + (b - a) * k / kSamples;
                if (side[i].backwards) t = a + b - t;
                gp_Pnt p;
                gp_Vec tangent;
                c.D1(t, p, tangent);
                GeomAPI_ProjectPointOnSurf project(p, s);
                if (!project.IsDone() || project.NbPoints() == 0)
                    call.fail(KERNEL_ERR_NOT_DONE, "the edge does not lie on its face");
                double u = 0, v = 0;
                project.LowerDistanceParameters(u, v);
                gp_Vec cross = gp_Vec(normal_at(call, side[i].face, u, v)).Crossed(tangent);
                if (cross.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the edge runs along the normal");
                cross.Normalize();
                if (cross.Dot(gp_Vec(p, inside)) > 0) cross.Reverse();
                at[i].push_back(p);
                out[i].push_back(cross);
            }
        }
        constexpr int kAcross = 8;
        TColgp_Array2OfPnt grid(1, kSamples + 1, 1, kAcross + 1);
        for (int k = 0; k <= kSamples; ++k) {
            const gp_Pnt p0 = at[0][k], p3 = at[1][k];
            const double span = p0.Distance(p3);
            if (span < 1e-9) call.fail(KERNEL_ERR_DEGENERATE, "the edges touch");
            const gp_Pnt p1 = p0.Translated(out[0][k] * (span / 3)), p2 = p3.Translated(out[1][k] * (span / 3));
            for (int j = 0; j <= kAcross; ++j) {
                const double w = static_cast<double>(j) / kAcross, r = 1 - w;
                const gp_XYZ q = p0.XYZ() * (r * r * r) + p1.XYZ() * (3 * r * r * w) + p2.XYZ() * (3 * r * w * w) +
                                 p3.XYZ() * (w * w * w);
                grid(k + 1, j + 1) = gp_Pnt(q);
            }
        }
        const Handle(Geom_Surface) fitted = fit_grid(call, grid, 1e-6);
        double a0 = 0, a1 = 0, b0 = 0, b1 = 0;
        fitted->Bounds(a0, a1, b0, b1);
        return commit(call, face_on(call, fitted, a0, a1, b0, b1));
    });
}

}  // extern "C"
