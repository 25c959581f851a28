// The kernel's hollow with faces of their own thickness (body_ops.h), one
// step of the body's recipe.
#include "host/kernel/body_ops.h"

#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepOffsetAPI_MakeThickSolid.hxx>
#include <BRepOffset_MakeOffset.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <cmath>
#include <vector>

#include "host/kernel/brep.h"
#include "host/services/error.h"

namespace host::kernel::detail {

namespace {

// The faces of the tags (each with the pieces it was split into).
std::vector<TopoDS_Face> faces_of_tags(const Call& call, const Named* named, const std::vector<int>& tags) {
    std::vector<TopoDS_Face> out;
    for (int t : tags) {
        bool found = false;
        for (const Sub& s : named ? named->faces : std::vector<Sub>{}) {
            bool piece = false;
            for (const auto& [p, from] : named->pieces) piece = piece || (p == s.tag && from == t);
            if (s.tag == t || piece) {
                out.push_back(TopoDS::Face(s.shape));
                found = true;
            }
        }
        if (!found) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no face of the body", t);
    }
    return out;
}

// A thick solid whose faces of their own get their own offsets before the
// solid is made (the kernel's thick solid sets one offset for all).
class ThickByFaces : public BRepOffsetAPI_MakeThickSolid {
public:
    bool run(const TopoDS_Shape& before, const TopTools_ListOfShape& open, const std::vector<TopoDS_Face>& own,
             const std::vector<double>& values, double thickness) {
        myOffsetShape.Initialize(before, -thickness, 1e-6);
        for (TopTools_ListOfShape::Iterator it(open); it.More(); it.Next())
            myOffsetShape.AddFace(TopoDS::Face(it.Value()));
        for (std::size_t i = 0; i < own.size(); ++i) myOffsetShape.SetOffsetOnFace(own[i], -values[i]);
        myOffsetShape.MakeThickSolid();
        if (!myOffsetShape.IsDone()) return false;
        myShape = myOffsetShape.Shape();
        myLastUsedAlgo = OffsetAlgo_JOIN;
        Done();
        return true;
    }
};

void need_thickness(const Call& call, double t) {
    if (!(t > 0) || !std::isfinite(t)) call.fail(KERNEL_ERR_DEGENERATE, "a wall thickness of %g is not above 0", t);
}

}  // namespace

// step.p: the wall thickness, the number of faces to open, then the
// thickness of each face of its own; step.refs: the faces to open, then
// the faces of their own.
void hollow_faces_step(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    // The offset widens tolerances of the shape it works on: it works on a
    // copy, so that the body before it (shared with earlier states and the
    // undo journal) stays as it was. The copy's faces and edges keep the
    // tags of those they were copied from.
    BRepBuilderAPI_Copy copier(shape, Standard_True, Standard_False);
    const TopoDS_Shape before = copier.Shape();
    Named copied = shape_named ? *shape_named : Named{};
    for (Sub& sub : copied.faces) sub.shape = copier.ModifiedShape(sub.shape);
    for (Sub& sub : copied.edges) sub.shape = copier.ModifiedShape(sub.shape);
    const Named* before_named = &copied;
    const std::vector<double>& p = step.p;
    if (p.size() < 2) call.fail(KERNEL_ERR_BAD_PARAMETER, "a hollow takes its thickness and face count");
    const double thickness = p[0];
    need_thickness(call, thickness);
    const auto n_open = static_cast<std::size_t>(p[1]);
    if (n_open > step.refs.size() || p.size() - 2 != step.refs.size() - n_open)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "the hollow's faces and thicknesses do not match");
    const std::vector<int> open_tags(step.refs.begin(), step.refs.begin() + static_cast<long>(n_open));
    const std::vector<int> own_tags(step.refs.begin() + static_cast<long>(n_open), step.refs.end());
    TopTools_ListOfShape open;
    for (const TopoDS_Face& f : faces_of_tags(call, before_named, open_tags)) open.Append(f);
    const std::vector<TopoDS_Face> own = faces_of_tags(call, before_named, own_tags);
    // Each face of its own may have been split: every piece takes the
    // thickness of the face it came from.
    std::vector<double> own_values;
    for (std::size_t i = 0; i < own_tags.size(); ++i) {
        need_thickness(call, p[2 + i]);
        const std::vector<TopoDS_Face> pieces = faces_of_tags(call, before_named, {own_tags[i]});
        for (std::size_t k = 0; k < pieces.size(); ++k) own_values.push_back(p[2 + i]);
    }
    TopoDS_Shape result;
    ThickByFaces thick;
    if (!open.IsEmpty()) {
        if (!thick.run(before, open, own, own_values, thickness))
            call.fail(KERNEL_ERR_NOT_DONE, "the hollow cannot be made");
        result = thick.Shape();
        if (result.ShapeType() == TopAbs_SHELL) result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(result)).Solid();
    } else {
        // A closed hollow: the solid less the inward offset of its skin.
        BRepOffset_MakeOffset offset;
        offset.Initialize(before, -thickness, 1e-6);
        for (std::size_t i = 0; i < own.size(); ++i) offset.SetOffsetOnFace(own[i], -own_values[i]);
        offset.MakeOffsetShape();
        if (!offset.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the hollow's inner skin cannot be made");
        TopExp_Explorer sh(offset.Shape(), TopAbs_SHELL);
        if (!sh.More()) call.fail(KERNEL_ERR_NOT_DONE, "the hollow's inner skin cannot be made");
        BRepBuilderAPI_MakeSolid solid;
        for (TopExp_Explorer outer(before, TopAbs_SHELL); outer.More(); outer.Next())
            solid.Add(TopoDS::Shell(outer.Current()));
        TopoDS_Shell inner = TopoDS::Shell(sh.Current());
        inner.Reverse();
        solid.Add(inner);
        result = solid.Solid();
    }
    if (!BRepCheck_Analyzer(result).IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the hollow gives no valid body");
    GProp_GProps g;
    BRepGProp::VolumeProperties(result, g);
    if (!(g.Mass() > 0)) call.fail(KERNEL_ERR_INVALID_RESULT, "the hollow comes out inside out");
    step.result = result;
    step.named = std::make_shared<const Named>(
        name_result(result, {before_named}, open.IsEmpty() ? nullptr : &thick, step.names, true));
}

}  // namespace host::kernel::detail

namespace hd = host::kernel::detail;

extern "C" void ZQ_BODY_hollow_faces(int body, double thickness, int n_open, const int open[], int n_own,
                                     const int own[], const double own_thickness[]) {
    auto call = HOST_ENTRY(body, thickness, n_open, n_own);
    if (n_open < 0 || n_own < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a negative count of faces");
    if (n_open > 0) call.need(open, "the faces to open");
    if (n_own > 0) {
        call.need(own, "the faces of their own thickness");
        call.need(own_thickness, "their thicknesses");
    }
    hd::ensure_started();
    const hd::Body old = hd::require_body(call, body);
    hd::Step step;
    step.op = hd::Op::hollow_faces;
    step.p = {thickness, static_cast<double>(n_open)};
    for (int i = 0; i < n_own; ++i) step.p.push_back(own_thickness[i]);
    step.refs.assign(open, open + n_open);
    for (int i = 0; i < n_own; ++i) step.refs.push_back(own[i]);
    hd::run_step(call, step, old->shape, &old->named);
    hd::BodyState b = *old;
    b.shape = step.result;
    b.named = *step.named;
    b.add_step(std::move(step));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, {});
}
