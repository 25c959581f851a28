// Bodies of several solids taken apart, and steps of one body made again on
// another.
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <memory>
#include <vector>

#include "host/kernel/engine/step_support.h"
#include "host/kernel/engine/steps.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail::steps {
extern const StepKind first_piece;
}  // namespace host::kernel::detail::steps

namespace host::kernel::detail {

namespace {

std::vector<TopoDS_Shape> solids_of(const TopoDS_Shape& shape) {
    std::vector<TopoDS_Shape> out;
    for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) out.push_back(s.Current());
    return out;
}


}  // namespace

void first_piece(const Call&, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::vector<TopoDS_Shape> solids = solids_of(before);
    step.result = solids.size() > 1 ? solids.front() : before;
    step.named = std::make_shared<Named>(name_result(step.result, {before_named}, nullptr, step.names));
}

}  // namespace host::kernel::detail

namespace hd = host::kernel::detail;

extern "C" {

void ZQ_BODY_separate(int body, int* n, int** pieces) {
    auto call = HOST_ENTRY(body, n, pieces);
    call.need(n, "the count output");
    call.need(pieces, "the pieces output");
    *n = 0;
    *pieces = nullptr;
    const hd::Body old = hd::require_body(call, body);
    const std::vector<TopoDS_Shape> solids = hd::solids_of(old->shape);
    if (solids.size() < 2) return;
    hd::Step keep;
    keep.kind = &hd::steps::first_piece;
    hd::run_step(call, keep, old->shape, &old->named());
    hd::BodyState b = *old;
    b.shape = keep.result;
    b.set_named(keep.named);
    b.add_step(std::move(keep));
    hd::name_small(b, old.get());
    std::vector<hd::BodyState> put;
    put.push_back(std::move(b));
    // The other solids are new bodies made as they are: the faces and edges
    // they have of the body take new tags (the body may bring them back
    // when it is made again).
    for (std::size_t i = 1; i < solids.size(); ++i) put.push_back(hd::imported_body(call, solids[i]));
    std::vector<int> tags;
    for (std::size_t i = 1; i < put.size(); ++i) tags.push_back(put[i].tag);
    hd::commit(std::move(put), {});
    *pieces = static_cast<int*>(SM_alloc(tags.size() * sizeof(int)));
    for (int t : tags) (*pieces)[(*n)++] = t;
}

void ZQ_BODY_copy_step(int from, int step, int to, int* body, int* at) {
    auto call = HOST_ENTRY(from, step, to, body);
    call.need(body, "the body output");
    call.need(at, "the place output");
    *body = *at = 0;
    const hd::Body src = hd::require_body(call, from);
    const int n = static_cast<int>(src->steps.size());
    if (step < 0 || step >= n || (to == 0) != (step == 0))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d cannot be made again there", step, from);
    std::vector<hd::Step> steps{*src->steps[step]};
    if (step + 1 < n && src->steps[step + 1]->is(hd::steps::first_piece)) steps.push_back(*src->steps[step + 1]);
    hd::BodyState b;
    hd::Body old;
    if (to != 0) {
        old = hd::require_body(call, to);
        b = *old;
    } else {
        b.tag = hd::new_tag();
    }
    *at = static_cast<int>(b.steps.size());
    for (hd::Step& s : steps) {
        s.edited = s.skipped = false;  // the caller skips it again where it was skipped
        hd::run_step(call, s, b.shape, old || !b.steps.empty() ? &b.named() : nullptr);
        b.shape = s.result;
        b.set_named(s.named);
        b.add_step(std::move(s));
    }
    hd::name_small(b, old.get());
    const int tag = b.tag;
    hd::commit({std::move(b)}, {});
    *body = tag;
}

}  // extern "C"

namespace host::kernel::detail {

namespace steps {
const StepKind first_piece = {33, "first_piece", hd::first_piece, 0};
}  // namespace steps

const StepKindRegistration registered{steps::first_piece};

}  // namespace host::kernel::detail
