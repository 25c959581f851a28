// Faces of a body offset, the body following them.
#include <BRepOffset_MakeOffset.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <cmath>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind offset_faces;
}  // namespace steps

namespace {

class OffsetHistory : public BRepBuilderAPI_MakeShape {
public:
    explicit OffsetHistory(BRepOffset_MakeOffset& offset) : offset_(offset) {}
    // The offset reports a moved face (or edge) as generated from the old
    // one: an image of the same kind is the same face moved.
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        for (const TopoDS_Shape& m : offset_.Modified(s)) myGenerated.Append(m);
        for (const TopoDS_Shape& g : offset_.Generated(s))
            if (g.ShapeType() == s.ShapeType()) myGenerated.Append(g);
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        for (const TopoDS_Shape& g : offset_.Generated(s))
            if (g.ShapeType() != s.ShapeType()) myGenerated.Append(g);
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape& s) override { return offset_.IsDeleted(s); }

private:
    BRepOffset_MakeOffset& offset_;
};

void offset_faces(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const double d = step.p[0];
    if (!std::isfinite(d) || std::fabs(d) < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the distance %g is no size", d);
    BRepOffset_MakeOffset offset;
    offset.Initialize(before, 0, 1e-6, BRepOffset_Skin, Standard_False, Standard_False, GeomAbs_Intersection);
    for (const TopoDS_Shape& f : subs_by_tag(call, before_named, step.refs, true))
        offset.SetOffsetOnFace(TopoDS::Face(f), d);
    offset.MakeOffsetShape();
    if (!offset.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the faces cannot be offset");
    TopoDS_Shape result = offset.Shape();
    if (TopExp_Explorer shell(result, TopAbs_SHELL); shell.More() && !TopExp_Explorer(result, TopAbs_SOLID).More())
        result = solid_if_closed(shell.Current());
    need_valid(call, result);
    OffsetHistory history(offset);
    finish_step(step, result, {before_named}, &history);
}

}  // namespace

namespace steps {
const StepKind offset_faces = {29, "offset_faces", hd::offset_faces, 0};
}  // namespace steps

const StepKindRegistration registered{steps::offset_faces};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_offset_faces(int body, int n, const int faces[], double distance) {
    auto call = HOST_ENTRY(body, n, faces, distance);
    edit_at(call, body, steps::offset_faces, {distance}, n, faces, "faces to offset");
}

}  // extern "C"
