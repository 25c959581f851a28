// The section of a body by a plane: the wires where the plane cuts it.
#include <BRepAlgoAPI_Section.hxx>
#include <gp_Pln.hxx>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind section;
}  // namespace steps

namespace {

void section(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    const gp_Dir n = direction(call, &step.p[3], "plane normal");
    BRepAlgoAPI_Section algo(step.other, gp_Pln(point(&step.p[0]), n), Standard_False);
    algo.ComputePCurveOn1(Standard_False);
    algo.Approximation(Standard_False);
    algo.Build();
    if (algo.HasErrors() || !algo.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the section failed");
    if (count(algo.Shape(), TopAbs_EDGE) == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the plane does not meet the body");
    finish_step(step, algo.Shape(), {step.other_named.get()}, &algo);
}

}  // namespace

namespace steps {
const StepKind section = {22, "section", hd::section, kStepFromOthers};
}  // namespace steps

const StepKindRegistration registered{steps::section};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_section_by_plane(int body, const double point[3], const double normal[3], int* wire) {
    auto call = HOST_ENTRY(body, point, normal, wire);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    call.need(wire, "the wire output");
    hd::Step s = step_of(steps::section, nums({point, normal}, {}));
    take_other(call, s, body);
    hd::run_step(call, s, TopoDS_Shape(), nullptr);
    // A section is a result, not a recipe: the new wire body keeps its shape.
    *wire = hd::commit_result(std::move(s));
}

}  // extern "C"
