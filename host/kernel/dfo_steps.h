// The steps of the direct face operations (dfo.cpp) and the shared pieces
// of the kernel's operations they use (operations.cpp). Inside of the
// solid kernel: only host/kernel/*.cpp include it.
#ifndef HOST_KERNEL_DFO_STEPS_H
#define HOST_KERNEL_DFO_STEPS_H

#include <vector>

#include "host/kernel/brep.h"

namespace host::kernel::detail {

// Op::faces_to_plane, Op::resize_faces, Op::offset_region and
// Op::region_transform.
void offset_region(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void faces_to_plane(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void resize_faces(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void region_transform(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);

// From operations.cpp: the faces of the tags (with the pieces each was
// split into), the naming and storing of a step's result, the check of a
// result, and a step applied to a body in place (the bodies of `consumed`
// go with it).
std::vector<TopoDS_Shape> faces_by_tag(const Call& call, const Named* named, const std::vector<int>& tags);
void finish_step(Step& step, const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
                 BRepBuilderAPI_MakeShape* history);
void need_valid_body(const Call& call, const TopoDS_Shape& shape);
// A deep copy of a step's input shape with its tags (body_ops.cpp): the
// offsets widen tolerances of the shapes they work on, and the input is
// shared with the body's earlier states (undo marks, the steps before).
// The copy's faces and edges keep the tags of those they were copied from.
struct Copied {
    TopoDS_Shape shape;
    Named named;
    Copied(const TopoDS_Shape& from, const Named* from_named);
};
void apply_step(const Call& call, int body, Step step, const std::vector<int>& consumed = {});

}  // namespace host::kernel::detail

#endif
