// Profiles swept into bodies: extruded along a direction, revolved about an
// axis, or swept along a guide wire.
#include <BRepOffsetAPI_MakePipe.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Ax1.hxx>

#include <cmath>
#include <memory>
#include <numbers>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind extrude, revolve, sweep;
}  // namespace steps

namespace {

void sweep(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    const TopoDS_Shape profile = profile_face(call, step.other);
    std::unique_ptr<BRepBuilderAPI_MakeShape> algo;
    if (step.is(steps::extrude)) {
        const gp_Dir d = direction(call, &step.p[0], "direction");
        need_positive(call, step.p[3], "length");
        algo = std::make_unique<BRepPrimAPI_MakePrism>(profile, gp_Vec(d) * step.p[3]);
    } else if (step.is(steps::revolve)) {
        const double angle = step.p[6];
        if (!std::isfinite(angle) || std::fabs(angle) < 1e-9 || std::fabs(angle) > 2 * std::numbers::pi + 1e-12)
            call.fail(KERNEL_ERR_DEGENERATE, "the angle %g is not within a turn", angle);
        algo = std::make_unique<BRepPrimAPI_MakeRevol>(
            profile, gp_Ax1(point(&step.p[0]), direction(call, &step.p[3], "axis")), angle);
    } else {
        TopExp_Explorer w(step.other2, TopAbs_WIRE);
        if (!w.More()) call.fail(KERNEL_ERR_WRONG_ENTITY, "the guide has no wire");
        algo = std::make_unique<BRepOffsetAPI_MakePipe>(TopoDS::Wire(w.Current()), profile);
    }
    algo->Build();
    need_done(call, *algo, KERNEL_ERR_NOT_DONE);
    need_valid(call, algo->Shape());
    finish_step(step, algo->Shape(), {step.other_named.get()}, algo.get());
}

}  // namespace

namespace steps {
const StepKind extrude = {8, "extrude", hd::sweep, kStepFromOthers};
const StepKind revolve = {9, "revolve", hd::sweep, kStepFromOthers};
const StepKind sweep = {10, "sweep", hd::sweep, kStepFromOthers};
}  // namespace steps

const StepKindRegistration registered{steps::extrude, steps::revolve, steps::sweep};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_extrude(int profile, const double direction[3], double length, int* body) {
    auto call = HOST_ENTRY(profile, direction, length, body);
    call.need(direction, "the direction");
    call.need(body, "the body output");
    hd::Step s = step_of(steps::extrude, nums({direction}, {length}));
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_revolve(int profile, const double point[3], const double axis[3], double angle, int* body) {
    auto call = HOST_ENTRY(profile, point, axis, angle);
    call.need(point, "the axis point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    hd::Step s = step_of(steps::revolve, nums({point, axis}, {angle}));
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_sweep(int profile, int guide, int* body) {
    auto call = HOST_ENTRY(profile, guide, body);
    call.need(body, "the body output");
    hd::Step s = step_of(steps::sweep, {});
    take_other(call, s, profile);
    s.other2 = hd::require_body(call, guide)->shape;
    *body = make_body(call, std::move(s));
}

}  // extern "C"
