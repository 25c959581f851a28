// Bodies cut by a plane or a sheet: split in two, or trimmed to the side
// behind (mode 0) or in front (mode 1).
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <memory>
#include <vector>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind split, trim, cut_sheet;
}  // namespace steps

namespace {

// Keeps the part of `before` behind the plane (mode 0) or in front of it (1).
void cut_by_plane(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const gp_Dir n = direction(call, &step.p[3], "plane normal");
    const TopoDS_Shape behind = half_space_behind(&step.p[0], n);
    std::unique_ptr<BRepAlgoAPI_BooleanOperation> op;
    if (step.mode == 0) op = std::make_unique<BRepAlgoAPI_Common>();
    else op = std::make_unique<BRepAlgoAPI_Cut>();
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(behind);
    op->SetArguments(args);
    op->SetTools(tools);
    op->SetNonDestructive(Standard_True);
    op->Build();
    if (op->HasErrors() || !op->IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the cut by the plane failed");
    if (count(op->Shape(), TopAbs_FACE) == 0)
        call.fail(KERNEL_ERR_EMPTY_RESULT, "nothing of the body lies %s the plane",
                  step.mode == 0 ? "behind" : "in front of");
    need_valid(call, op->Shape());
    finish_step(step, op->Shape(), {before_named}, op.get());
}

// The outward normal of a face at the middle of its parameters, and that
// point.
gp_Vec outward(const TopoDS_Face& f, gp_Pnt& at) {
    const BRepAdaptor_Surface s(f);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(f, u0, u1, v0, v1);
    gp_Vec du, dv;
    s.D1((u0 + u1) / 2, (v0 + v1) / 2, at, du, dv);
    gp_Vec n = du.Crossed(dv);
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

// Whether a piece of a body cut by a sheet lies behind the sheet (against
// its normal): a face of the piece made from the sheet faces outwards along
// the sheet's normal; a piece the sheet does not touch is placed by its
// centre of mass.
bool behind_sheet(const TopoDS_Shape& piece, const TopoDS_Shape& sheet, BRepAlgoAPI_Splitter& split) {
    for (TopExp_Explorer sf(sheet, TopAbs_FACE); sf.More(); sf.Next()) {
        TopTools_ListOfShape images = split.Modified(sf.Current());
        if (images.IsEmpty()) images.Append(sf.Current());
        for (TopExp_Explorer pf(piece, TopAbs_FACE); pf.More(); pf.Next())
            for (const TopoDS_Shape& image : images)
                if (pf.Current().IsSame(image)) {
                    gp_Pnt at, on_sheet;
                    const gp_Vec piece_out = outward(TopoDS::Face(pf.Current()), at);
                    const gp_Vec sheet_normal = outward(TopoDS::Face(sf.Current()), on_sheet);
                    return piece_out.Dot(sheet_normal) > 0;
                }
    }
    GProp_GProps g;
    BRepGProp::VolumeProperties(piece, g);
    BRepExtrema_DistShapeShape d(BRepBuilderAPI_MakeVertex(g.CentreOfMass()).Shape(), sheet);
    if (!d.IsDone() || d.NbSolution() < 1) return true;
    gp_Pnt unused;
    const TopoDS_Shape near = d.SupportOnShape2(1);
    gp_Vec n(0, 0, 0);
    if (near.ShapeType() == TopAbs_FACE) n = outward(TopoDS::Face(near), unused);
    return gp_Vec(d.PointOnShape2(1), g.CentreOfMass()).Dot(n) <= 0;
}

// Keeps the pieces of `before` behind the sheet (mode 0) or in front (1).
void cut_by_sheet(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    BRepAlgoAPI_Splitter split;
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(step.other);
    split.SetArguments(args);
    split.SetTools(tools);
    split.SetNonDestructive(Standard_True);
    split.Build();
    if (split.HasErrors() || !split.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the cut by the sheet failed");
    if (count(split.Shape(), TopAbs_SOLID) < 2) call.fail(KERNEL_ERR_DISJOINT, "the sheet does not cut the body");
    BRep_Builder builder;
    TopoDS_Compound kept;
    builder.MakeCompound(kept);
    int n = 0;
    for (TopExp_Explorer solid(split.Shape(), TopAbs_SOLID); solid.More(); solid.Next())
        if (behind_sheet(solid.Current(), step.other, split) == (step.mode == 0)) {
            builder.Add(kept, solid.Current());
            ++n;
        }
    if (n == 0)
        call.fail(KERNEL_ERR_EMPTY_RESULT, "nothing of the body lies %s the sheet",
                  step.mode == 0 ? "behind" : "in front of");
    TopoDS_Shape result = kept;
    if (n == 1) result = TopoDS_Iterator(kept).Value();
    need_valid(call, result);
    finish_step(step, result, {before_named}, &split);
}

// Splits a body in two by the step's plane or sheet: the body keeps what
// lies behind, the new body *front takes the rest.
void split_body(const Call& call, int body, hd::Step back, int* front) {
    const hd::Body old = hd::require_body(call, body);
    hd::Step ahead = back;
    hd::run_step(call, back, old->shape, &old->named());
    // The front piece is a new body: the faces and edges it has of the
    // body's take new tags (the back piece keeps the old ones).
    ahead.mode = 1;
    hd::run_step(call, ahead, old->shape, &old->named());
    ahead.p.clear();  // the front body is made by the split alone: it is not made again
    ahead.kind = &steps::imported;
    ahead.other = ahead.result;
    ahead.other_named = ahead.named;

    hd::BodyState b = *old;
    b.shape = back.result;
    b.set_named(back.named);
    b.add_step(std::move(back));
    hd::name_small(b, old.get());
    hd::BodyState f;
    f.tag = hd::new_tag();
    f.shape = ahead.result;
    f.set_named(ahead.named);
    f.add_step(std::move(ahead));
    hd::name_small(f, nullptr);
    *front = f.tag;
    std::vector<hd::BodyState> put;
    put.push_back(std::move(b));
    put.push_back(std::move(f));
    hd::commit(std::move(put), {});
}

hd::Step sheet_step(const Call& call, int body, int sheet) {
    if (body == sheet) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d cuts itself", body);
    hd::Step s = step_of(steps::cut_sheet, {});
    const hd::Body tool = hd::require_body(call, sheet);
    if (hd::body_type(tool->shape) != ZQ_BODY_SHEET) call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", sheet);
    s.other = tool->shape;
    return s;
}

}  // namespace

namespace steps {
const StepKind split = {17, "split", hd::cut_by_plane, kStepFrontByMode};
const StepKind trim = {18, "trim", hd::cut_by_plane, 0};
const StepKind cut_sheet = {30, "cut_sheet", hd::cut_by_sheet, kStepFrontByMode};
}  // namespace steps

const StepKindRegistration registered{steps::split, steps::trim, steps::cut_sheet};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_split_by_plane(int body, const double point[3], const double normal[3], int* front) {
    auto call = HOST_ENTRY(body, point, normal, front);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    call.need(front, "the front body output");
    split_body(call, body, step_of(steps::split, nums({point, normal}, {})), front);
}

void ZQ_BODY_split_by_sheet(int body, int sheet, int* front) {
    auto call = HOST_ENTRY(body, sheet, front);
    call.need(front, "the front body output");
    split_body(call, body, sheet_step(call, body, sheet), front);
}

void ZQ_BODY_trim_by_sheet(int body, int sheet) {
    auto call = HOST_ENTRY(body, sheet);
    edit_body(call, body, sheet_step(call, body, sheet));
}

void ZQ_BODY_trim_by_plane(int body, const double point[3], const double normal[3]) {
    auto call = HOST_ENTRY(body, point, normal);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    edit_body(call, body, step_of(steps::trim, nums({point, normal}, {})));
}

}  // extern "C"
