// Bodies that follow another body (linked geometry, host/loom/): a copy of
// a body's shape made into a body of its own, and the identity of a body's
// current shape, by which a link tells that its source has changed.
#ifndef HOST_KERNEL_LINKED_H
#define HOST_KERNEL_LINKED_H

#include <memory>

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

/* Copies the shape of kernel body `source` into body `target` (its shape is
 * replaced; its body object stays, its faces and edges are made anew) or,
 * with target 0, into a new body with its objects in the work part; then
 * moves the copy by `matrix` (as ZQ_BODY_transform; null: no move).
 * *body is the body written. */
void ZQ_BODY_copy(int source, const double matrix[12], int target, int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::kernel {
// The current state of a kernel body (null for no body). Every edit gives
// a body a new state; a holder keeps the state alive, so two answers are
// the same pointer only when the body has not changed between them.
std::shared_ptr<const void> body_state(int body);
}  // namespace host::kernel
#endif

#endif
