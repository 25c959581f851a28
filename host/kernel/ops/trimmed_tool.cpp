// Tools of booleans trimmed by faces of the body (see udf_trim.h).
#include "host/kernel/ops/trimmed_tool.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Geom_Surface.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/step_support.h"
#include "host/base/services/error.h"
#include "host/kernel/ops/boolean.h"

namespace host::kernel::detail {
namespace {

// The face's surface over the face's parameters widened by `margin` each
// way (a closed direction whole), so that it cuts through the whole tool.
TopoDS_Face widened(const Call& call, const TopoDS_Face& face, double margin) {
    const Handle(Geom_Surface) s = BRep_Tool::Surface(face);
    if (s.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "a trim face has no surface");
    double u0, u1, v0, v1, su0, su1, sv0, sv1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    s->Bounds(su0, su1, sv0, sv1);
    if (s->IsUPeriodic()) {
        u1 = u0 + s->UPeriod();
    } else {
        u0 = std::max(su0, u0 - margin);
        u1 = std::min(su1, u1 + margin);
    }
    if (s->IsVPeriodic()) {
        v1 = v0 + s->VPeriod();
    } else {
        v0 = std::max(sv0, v0 - margin);
        v1 = std::min(sv1, v1 + margin);
    }
    BRepBuilderAPI_MakeFace made(s, u0, u1, v0, v1, 1e-7);
    if (!made.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "a trim face's surface cannot be carried on");
    return made.Face();
}

// Whether the point lies beyond the face: on the side its outward normal
// points to, measured at the point's foot on the face's surface.
bool beyond(const TopoDS_Face& face, const gp_Pnt& p) {
    const Handle(Geom_Surface) s = BRep_Tool::Surface(face);
    GeomAPI_ProjectPointOnSurf foot(p, s);
    if (foot.NbPoints() < 1) return false;
    double u = 0, v = 0;
    foot.LowerDistanceParameters(u, v);
    gp_Pnt at;
    gp_Vec du, dv;
    s->D1(u, v, at, du, dv);
    gp_Vec n = du.Crossed(dv);
    if (face.Orientation() == TopAbs_REVERSED) n.Reverse();
    return gp_Vec(at, p).Dot(n) > 0;
}

// The trim face nearest to the point.
const TopoDS_Face& nearest(const std::vector<TopoDS_Shape>& faces, const gp_Pnt& p) {
    const TopoDS_Shape vertex = BRepBuilderAPI_MakeVertex(p).Shape();
    std::size_t best = 0;
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < faces.size(); ++i) {
        BRepExtrema_DistShapeShape d(vertex, faces[i]);
        if (d.IsDone() && d.NbSolution() > 0 && d.Value() < least) {
            least = d.Value();
            best = i;
        }
    }
    return TopoDS::Face(faces[best]);
}

}  // namespace

void trim_tool(const Call& call, Step& step, const Named* before_named, TopoDS_Shape& tool,
               std::shared_ptr<const Named>& tool_named) {
    const std::vector<TopoDS_Shape> faces = faces_by_tag(call, before_named, step.refs);
    if (faces.empty()) return;
    Bnd_Box box;
    BRepBndLib::Add(tool, box);
    const double margin = std::sqrt(box.SquareExtent()) + 1;
    BRepAlgoAPI_Splitter split;
    TopTools_ListOfShape args, tools;
    args.Append(tool);
    for (const TopoDS_Shape& f : faces) tools.Append(widened(call, TopoDS::Face(f), margin));
    split.SetArguments(args);
    split.SetTools(tools);
    split.SetNonDestructive(Standard_True);
    split.Build();
    if (split.HasErrors() || !split.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the trim faces cannot cut the tool");
    BRep_Builder builder;
    TopoDS_Compound kept;
    builder.MakeCompound(kept);
    int n = 0;
    TopoDS_Shape last;
    for (TopExp_Explorer piece(split.Shape(), TopAbs_SOLID); piece.More(); piece.Next()) {
        GProp_GProps g;
        BRepGProp::VolumeProperties(piece.Current(), g);
        const gp_Pnt centre = g.CentreOfMass();
        if (beyond(nearest(faces, centre), centre)) continue;
        builder.Add(kept, piece.Current());
        last = piece.Current();
        ++n;
    }
    if (n == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the tool lies wholly beyond its trim faces");
    tool = n == 1 ? last : TopoDS_Shape(kept);
    tool_named = std::make_shared<Named>(name_result(tool, {tool_named.get()}, &split, step.names));
}

}  // namespace host::kernel::detail

namespace hd = host::kernel::detail;

extern "C" {

void ZQ_BODY_set_trim_faces(int body, int step, int n, const int faces[]) {
    auto call = HOST_ENTRY(body, step, n, faces);
    if (n < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d trim faces", n);
    if (n > 0) call.need(faces, "the trim faces");
    const hd::Body old = hd::require_body(call, body);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) || !old->steps[step]->is(hd::steps::boolean))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, body);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    edited->refs.assign(faces, faces + n);
    edited->trimmed = n > 0;
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {});
}

}  // extern "C"
