// Booleans: a tool body united with, subtracted from or intersected with a
// body. A tool made from numbers alone is made again from the boolean's
// numbers whenever the boolean runs, so editing them moves or resizes it.
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <TopExp_Explorer.hxx>

#include <memory>

#include "host/kernel/engine/step_support.h"
#include "host/kernel/ops/boolean.h"
#include "host/kernel/ops/trimmed_tool.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind boolean;
}  // namespace steps

// Trims a boolean's tool by the body's faces of its refs (trimmed_tool.cpp).
void trim_tool(const Call& call, Step& step, const Named* before_named, TopoDS_Shape& tool,
               std::shared_ptr<const Named>& tool_named);

namespace {

void boolean(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    if (step.tool) {
        Step made = *step.tool;
        made.p = step.p;
        made.kind->run(call, made, TopoDS_Shape(), nullptr);
        step.other = made.result;
        step.other_named = made.named;
    }
    TopoDS_Shape tool = step.other;
    std::shared_ptr<const Named> tool_named = step.other_named;
    if (step.trimmed) trim_tool(call, step, before_named, tool, tool_named);
    Bnd_Box a, b;
    BRepBndLib::Add(before, a);
    BRepBndLib::Add(tool, b);
    if (a.IsOut(b)) call.fail(KERNEL_ERR_DISJOINT, "the bodies are apart");
    std::unique_ptr<BRepAlgoAPI_BooleanOperation> op;
    switch (step.mode) {
        case ZQ_UNITE: op = std::make_unique<BRepAlgoAPI_Fuse>(); break;
        case ZQ_SUBTRACT: op = std::make_unique<BRepAlgoAPI_Cut>(); break;
        default: op = std::make_unique<BRepAlgoAPI_Common>(); break;
    }
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(tool);
    op->SetArguments(args);
    op->SetTools(tools);
    op->SetNonDestructive(Standard_True);
    op->Build();
    if (op->HasErrors() || !op->IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the boolean operation failed");
    const TopoDS_Shape result = op->Shape();
    const int faces = count(result, TopAbs_FACE);
    const bool apart = op->SectionEdges().IsEmpty();
    if (step.mode == ZQ_INTERSECT && faces == 0) call.fail(KERNEL_ERR_DISJOINT, "the bodies do not overlap");
    if (step.mode == ZQ_SUBTRACT && faces == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the tool removes the whole body");
    if (apart && step.mode == ZQ_UNITE &&
        count(result, TopAbs_SOLID) == count(before, TopAbs_SOLID) + count(tool, TopAbs_SOLID))
        call.fail(KERNEL_ERR_DISJOINT, "the bodies do not meet");
    if (apart && step.mode == ZQ_SUBTRACT) {
        bool touched = false;
        for (TopExp_Explorer f(tool, TopAbs_FACE); f.More() && !touched; f.Next())
            touched = !op->IsDeleted(f.Current());
        if (!touched) call.fail(KERNEL_ERR_DISJOINT, "the tool does not meet the body");
    }
    need_closed(call, result, tool, *op);
    finish_step(step, result, {before_named, tool_named.get()}, op.get());
}

}  // namespace

namespace steps {
const StepKind boolean = {11, "boolean", hd::boolean, 0};
}  // namespace steps

const StepKindRegistration registered{steps::boolean};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_boolean(int target, int tool, int operation) {
    auto call = HOST_ENTRY(target, tool, operation);
    if (operation < ZQ_UNITE || operation > ZQ_INTERSECT)
        call.fail(HOST_ERR_BAD_ARGUMENT, "boolean operation %d is none of 1 to 3", operation);
    if (target == tool) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is target and tool", target);
    hd::require_body(call, target);
    hd::Step s = step_of(steps::boolean, {});
    s.mode = operation;
    take_other(call, s, tool);
    // A primitive tool's numbers become the boolean's: editing them moves
    // or resizes the tool when the body is made again.
    const hd::Body t = hd::require_body(call, tool);
    if (t->steps.size() == 1 && (t->steps[0]->kind->flags & kStepFromNumbers)) {
        s.tool = t->steps[0];
        s.p = s.tool->p;
    }
    edit_body(call, target, std::move(s), {tool});
}

void ZQ_BODY_replace_step_tool(int body, int step, int tool) {
    auto call = HOST_ENTRY(body, step, tool);
    if (tool == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is target and tool", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body t = hd::require_body(call, tool);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) || !old->steps[step]->is(steps::boolean))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, body);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    edited->tool.reset();
    edited->p.clear();
    edited->other = t->shape;
    edited->other_named = t->shared_named();
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {tool});
}

void ZQ_BODY_take_step(int from, int step, int to) {
    auto call = HOST_ENTRY(from, step, to);
    if (from == to) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d gives a step to itself", from);
    const hd::Body src = hd::require_body(call, from);
    if (step < 1 || step >= static_cast<int>(src->steps.size()) || !src->steps[step]->is(steps::boolean))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, from);
    hd::Step moved = *src->steps[step];
    moved.edited = moved.skipped = false;
    edit_body(call, to, std::move(moved));
    change_step(call, from, step, [](hd::Step& s) { s.skipped = true; });
    ZQ_BODY_regenerate(from);
}

}  // extern "C"
