// Copies of bodies for linked geometry (host/kernel/linked.h).
#include "host/kernel/linked.h"

#include "host/kernel/brep.h"

namespace hd = host::kernel::detail;

void ZQ_BODY_copy(int source, const double matrix[12], int target, int* body) {
    auto call = HOST_ENTRY(source, matrix, target, body);
    call.need(body, "the body output");
    hd::ensure_started();
    const hd::Body src = hd::require_body(call, source);
    const hd::Body old = target != 0 ? hd::require_body(call, target) : nullptr;
    hd::Step s;
    s.op = hd::Op::imported;
    s.other = src->shape;
    hd::run_step(call, s, TopoDS_Shape(), nullptr);
    hd::BodyState b;
    if (old) {
        b = *old;
        b.steps.clear();
        b.loops.clear();
        b.vertices.clear();
    } else {
        b.tag = hd::new_tag();
    }
    b.shape = s.result;
    b.named = *s.named;
    b.add_step(std::move(s));
    hd::name_small(b, nullptr);
    const int made = b.tag;
    hd::commit({std::move(b)}, {}, true);
    if (matrix) ZQ_BODY_transform(made, matrix);
    *body = made;
}

namespace host::kernel {
std::shared_ptr<const void> body_state(int body) { return detail::find_body(body); }
}  // namespace host::kernel
