// The steps of the direct face operations (dfo.cpp) and the shared pieces
// of the kernel's operations they use (operations.cpp). Inside of the
// solid kernel: only host/kernel/engine/*.cpp include it.
#ifndef HOST_KERNEL_DFO_STEPS_H
#define HOST_KERNEL_DFO_STEPS_H

#include <BRepBuilderAPI_Sewing.hxx>
#include <TopTools_MapOfShape.hxx>

#include <vector>

#include "host/kernel/engine/brep.h"

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
// The sewing's record of what became of each face and edge, in the form
// that naming reads; the shapes of `gone` (faces left out of the sewing)
// are deleted.
class SewHistory : public BRepBuilderAPI_MakeShape {
public:
    explicit SewHistory(BRepBuilderAPI_Sewing& sewing, const TopTools_MapOfShape* gone = nullptr)
        : sewing_(sewing), gone_(gone) {}
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        if (sewing_.IsModifiedSubShape(s)) myGenerated.Append(sewing_.ModifiedSubShape(s));
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape&) override {
        myGenerated.Clear();
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape& s) override { return gone_ && gone_->Contains(s); }

private:
    BRepBuilderAPI_Sewing& sewing_;
    const TopTools_MapOfShape* gone_;
};

void apply_step(const Call& call, int body, Step step, const std::vector<int>& consumed = {});

}  // namespace host::kernel::detail

#endif
