// Bodies that follow another body (linked geometry, host/apps/modeling/loom/): a copy of
// a body's shape, or of some of its faces, made into a body of its own,
// and the identity of a body's current shape, by which a link tells that
// its source has changed.
//
// The faces and edges of a copy are named after the objects of the
// source's faces and edges they copy, so that copying again into the same
// body (an update of the link) gives a face or edge copied from the same
// source face or edge the tag, and so the object, it had: the source's
// faces and edges keep their objects across its own edits, and the names
// of both bodies last when their parts are saved and opened again.
#ifndef HOST_KERNEL_LINKED_H
#define HOST_KERNEL_LINKED_H

#include <memory>

#ifdef __cplusplus
#include <utility>
#include <vector>
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Copies the shape of kernel body `source` into body `target` (its shape is
 * replaced; its body object stays, its faces and edges keep their tags and
 * objects where they copy the same faces and edges of the source as
 * before) or, with target 0, into a new body with its objects in the work
 * part; then moves the copy by `matrix` (as ZQ_BODY_transform; null: no
 * move). *body is the body written. */
void ZQ_BODY_copy(int source, const double matrix[12], int target, int* body);
/* The same for n faces of the source (kernel tags; n 0: the whole body),
 * copied as one sheet; a new body's objects go into `part` (0: the work
 * part). */
void ZQ_BODY_copy_faces(int source, int n, const int faces[], const double matrix[12], int target, unsigned int part,
                        int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::kernel {
// The current state of a kernel body (null for no body). Every edit gives
// a body a new state; a holder keeps the state alive, so two answers are
// the same pointer only when the body has not changed between them.
std::shared_ptr<const void> body_state(int body);
// The faces and edges of a copy made by ZQ_BODY_copy(_faces) and the
// faces and edges of the source body they copy: {source kernel tag, copy's
// kernel tag}, faces first, in the source's order (empty for a body that
// is no copy of the source).
std::vector<std::pair<int, int>> copied_from(int body, int source);
// The faces of a body that a region holds (kernel tags, in the body's
// order): the seed faces and, with traverse, every face reached from them
// across edges without crossing a bounding face (bounding faces are not
// part of the region). Faces of another body are left out.
std::vector<int> region_faces(int body, const std::vector<int>& seeds, const std::vector<int>& bounds, bool traverse);
}  // namespace host::kernel
#endif

#endif
