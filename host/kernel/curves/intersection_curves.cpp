// Intersection curves of the host's curve features (host/kernel/curves/derived_curves.h):
// the kernel's section of two bodies, faces or planes.
#include <BRepAlgoAPI_Section.hxx>
#include <BRep_Tool.hxx>
#include <GeomConvert.hxx>
#include <GeomConvert_ApproxCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <gp_Pln.hxx>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/curves/edge_records.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace host::kernel::curvefeat {
namespace {

gp_Pln plane_of(const Plane& p) {
    return gp_Pln(gp_Pnt(p.point[0], p.point[1], p.point[2]), gp_Dir(p.normal[0], p.normal[1], p.normal[2]));
}

TopoDS_Shape shape_of_member(const Call& call, const Member& m) {
    int entity = 0;
    es7010_(&m.object, &entity);
    if (!entity) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no body or face of the kernel", m.object);
    return hd::shape_of(call, entity);
}

}  // namespace

hostnum::Curve record_of_edge(const Call& call, const TopoDS_Edge& e) {
    double f = 0, l = 0;
    const Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
    if (c.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "a kernel edge has no curve");
    Handle(Geom_TrimmedCurve) t = new Geom_TrimmedCurve(c, f, l);
    Handle(Geom_BSplineCurve) s;
    try {
        s = GeomConvert::CurveToBSplineCurve(t);
    } catch (const Standard_Failure&) {
        GeomConvert_ApproxCurve approx(t, 1e-7, GeomAbs_C2, 64, 8);
        if (!approx.HasResult()) throw;
        s = approx.Curve();
    }
    if (e.Orientation() == TopAbs_REVERSED) {
        s = Handle(Geom_BSplineCurve)::DownCast(s->Copy());
        s->Reverse();
    }
    const hostnum::geometry::SplineData d = hostnum::geometry::spline_data(s);
    auto r = hostnum::Curve::spline(d.n, d.order, d.poles.data(), d.knots.data(), hostnum::Curve::PoleForm::cartesian);
    if (!r) call.fail(KERNEL_ERR_NOT_DONE, "the kernel's edge makes no spline");
    return *r;
}

std::vector<hostnum::Curve> intersect(const Call& call, const Member& first, const Member& second) {
    hd::ensure_started();
    if (!first.object && !second.object) call.fail(HOST_ERR_BAD_ARGUMENT, "two planes make no intersection curve");
    const TopoDS_Shape a = first.object ? shape_of_member(call, first) : TopoDS_Shape();
    const TopoDS_Shape b = second.object ? shape_of_member(call, second) : TopoDS_Shape();
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        std::vector<hostnum::Curve> out;
        auto collect = [&](BRepAlgoAPI_Section& section) {
            section.Build();
            if (!section.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the kernel's section failed");
            for (TopExp_Explorer x(section.Shape(), TopAbs_EDGE); x.More(); x.Next())
                out.push_back(record_of_edge(call, TopoDS::Edge(x.Current())));
        };
        if (!first.object) {
            BRepAlgoAPI_Section section(b, plane_of(first.plane), false);
            collect(section);
        } else if (!second.object) {
            BRepAlgoAPI_Section section(a, plane_of(second.plane), false);
            collect(section);
        } else {
            BRepAlgoAPI_Section section(a, b, false);
            collect(section);
        }
        return out;
    });
}

}  // namespace host::kernel::curvefeat
