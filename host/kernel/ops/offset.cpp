// Bodies hollowed, thickened or offset as a whole.
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepOffsetAPI_MakeThickSolid.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <cmath>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind hollow, thicken, offset;
}  // namespace steps

namespace {

void offset(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    // The offsets widen tolerances of the shape they work on: a copy keeps
    // the body's earlier states as they were.
    const Copied in(shape, shape_named);
    const TopoDS_Shape& before = in.shape;
    const Named* before_named = &in.named;
    const double d = step.p[0];
    if (!std::isfinite(d) || std::fabs(d) < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the distance %g is no size", d);
    BRepOffsetAPI_MakeThickSolid thick;
    BRepOffsetAPI_MakeOffsetShape off;
    BRepBuilderAPI_MakeShape* algo = nullptr;
    if (step.is(steps::hollow)) {
        need_positive(call, d, "wall thickness");
        TopTools_ListOfShape open;
        for (const TopoDS_Shape& f : subs_by_tag(call, before_named, step.refs, true)) open.Append(f);
        thick.MakeThickSolidByJoin(before, open, -d, 1e-6);
        algo = &thick;
    } else if (step.is(steps::thicken)) {
        thick.MakeThickSolidBySimple(before, d);
        algo = &thick;
    } else {
        off.PerformByJoin(before, d, 1e-6, BRepOffset_Skin, Standard_False, Standard_False, GeomAbs_Arc);
        algo = &off;
    }
    need_done(call, *algo, KERNEL_ERR_NOT_DONE);
    TopoDS_Shape result = algo->Shape();
    if (result.ShapeType() == TopAbs_SHELL) result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(result)).Solid();
    else if (result.ShapeType() == TopAbs_COMPOUND && !step.is(steps::thicken)) {
        TopExp_Explorer sh(result, TopAbs_SHELL);
        if (sh.More() && !TopExp_Explorer(result, TopAbs_SOLID).More())
            result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(sh.Current())).Solid();
    }
    if (step.is(steps::thicken)) result = material_inside(result);
    need_valid(call, result);
    if (TopExp_Explorer(result, TopAbs_SOLID).More() && !(signed_volume(result) > 0))
        call.fail(KERNEL_ERR_INVALID_RESULT, "the result is inside out");
    finish_step(step, result, {before_named}, algo);
}

}  // namespace

namespace steps {
const StepKind hollow = {19, "hollow", hd::offset, 0};
const StepKind thicken = {20, "thicken", hd::offset, 0};
const StepKind offset = {21, "offset", hd::offset, 0};
}  // namespace steps

const StepKindRegistration registered{steps::hollow, steps::thicken, steps::offset};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_hollow(int body, int n, const int faces[], double thickness) {
    auto call = HOST_ENTRY(body, n, faces, thickness);
    edit_at(call, body, steps::hollow, {thickness}, n, faces, "faces to open");
}

void ZQ_BODY_thicken(int body, double thickness) {
    auto call = HOST_ENTRY(body, thickness);
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SHEET)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", body);
    edit_body(call, body, step_of(steps::thicken, {thickness}));
}

void ZQ_BODY_offset(int body, double distance) {
    auto call = HOST_ENTRY(body, distance);
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SOLID)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no solid", body);
    edit_body(call, body, step_of(steps::offset, {distance}));
}

}  // extern "C"
