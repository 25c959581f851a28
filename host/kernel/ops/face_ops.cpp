// The kernel's operations of the whole-body features (body_ops.h): the
// hollow with faces of their own thickness, the sew of two bodies at faces
// taken out of each, the division of a face by curves, each one step of the
// body's recipe; and a saved step run again on a body made anew.
#include "host/kernel/ops/face_ops.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepGProp_Face.hxx>
#include <BRepLib.hxx>
#include <BRepProj_Projection.hxx>
#include <BRepTools_History.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS_Compound.hxx>
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
#include <ShapeUpgrade_UnifySameDomain.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/step_support.h"
#include "host/base/services/error.h"

namespace host::kernel::detail::steps {
extern const StepKind hollow_faces, sew_faces, subdivide_face, merge_faces;
}  // namespace host::kernel::detail::steps

namespace host::kernel::detail {

namespace {

std::vector<TopoDS_Face> faces_of_tags(const Call& call, const Named* named, const std::vector<int>& tags) {
    std::vector<TopoDS_Face> out;
    for (const TopoDS_Shape& f : faces_by_tag(call, named, tags)) out.push_back(TopoDS::Face(f));
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

Copied::Copied(const TopoDS_Shape& from, const Named* from_named) {
    BRepBuilderAPI_Copy copier(from, Standard_True, Standard_False);
    shape = copier.Shape();
    if (from_named) named = *from_named;
    for (Sub& sub : named.faces) sub.shape = copier.ModifiedShape(sub.shape);
    for (Sub& sub : named.edges) sub.shape = copier.ModifiedShape(sub.shape);
}

// step.p: the wall thickness, the number of faces to open, then the
// thickness of each face of its own; step.refs: the faces to open, then
// the faces of their own.
void hollow_faces_step(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    // The offset works on a copy (it widens tolerances).
    const Copied in(shape, shape_named);
    const TopoDS_Shape& before = in.shape;
    const Named* before_named = &in.named;
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
    step.named = std::make_shared<Named>(
        name_result(result, {before_named}, open.IsEmpty() ? nullptr : &thick, step.names, true));
}


namespace {

int count_of(const TopoDS_Shape& s, TopAbs_ShapeEnum kind) {
    int n = 0;
    for (TopExp_Explorer e(s, kind); e.More(); e.Next()) ++n;
    return n;
}

}  // namespace

// step.p: the tolerance, then the places of the tool's faces in its list
// of faces (places stay what they are in a part file, where tags are
// given anew); step.refs: the body's faces; step.other: the tool.
void sew_faces_step(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    if (step.p.size() < 2 || step.refs.empty())
        call.fail(KERNEL_ERR_BAD_PARAMETER, "a sew of faces takes its tolerance and faces");
    const double tolerance = step.p[0];
    if (!(tolerance > 0)) call.fail(KERNEL_ERR_DEGENERATE, "the tolerance %g is not above 0", tolerance);
    const Copied body(shape, shape_named);
    const Copied tool(step.other, step.other_named.get());
    TopTools_MapOfShape gone;
    for (const TopoDS_Shape& f : faces_by_tag(call, &body.named, step.refs)) gone.Add(f);
    for (std::size_t i = 1; i < step.p.size(); ++i) {
        const double place = step.p[i];
        if (place < 0 || place >= static_cast<double>(tool.named.faces.size()))
            call.fail(KERNEL_ERR_NO_ENTITY, "the tool has no face %g", place);
        gone.Add(tool.named.faces[static_cast<std::size_t>(place)].shape);
    }
    BRepBuilderAPI_Sewing sewing(tolerance);
    for (const TopoDS_Shape* s : {&body.shape, &tool.shape})
        for (TopExp_Explorer f(*s, TopAbs_FACE); f.More(); f.Next())
            if (!gone.Contains(f.Current())) sewing.Add(f.Current());
    sewing.Perform();
    const TopoDS_Shape sewn = sewing.SewedShape();
    if (sewn.IsNull() || count_of(sewn, TopAbs_SHELL) != 1)
        call.fail(KERNEL_ERR_DISJOINT, "the bodies do not meet at the faces given");
    const TopoDS_Shell shell = TopoDS::Shell(TopExp_Explorer(sewn, TopAbs_SHELL).Current());
    TopoDS_Shape result = shell;
    if (BRep_Tool::IsClosed(shell)) {
        TopoDS_Solid solid = BRepBuilderAPI_MakeSolid(shell).Solid();
        BRepLib::OrientClosedSolid(solid);
        result = solid;
    } else if (body_type(shape) == ZQ_BODY_SOLID) {
        call.fail(KERNEL_ERR_DISJOINT, "the faces left do not close up into a solid");
    }
    need_valid(call, result);
    SewHistory history(sewing, &gone);
    finish_step(step, result, {&body.named, &tool.named}, &history);
}

// step.p: the projection; step.refs: the face; step.other: the wires.
void subdivide_face_step(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    if (step.p.size() != 1 || step.refs.size() != 1)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "a face division takes one face and its projection");
    const Copied in(shape, shape_named);
    // The face with the pieces it was split into since.
    const std::vector<TopoDS_Face> faces = faces_of_tags(call, &in.named, step.refs);
    TopoDS_Shape cutting = step.other;
    if (step.p[0] != 0) {
        BRepGProp_Face props(faces[0]);
        double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
        props.Bounds(u0, u1, v0, v1);
        gp_Pnt middle;
        gp_Vec normal;
        props.Normal((u0 + u1) / 2, (v0 + v1) / 2, middle, normal);
        if (normal.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the face has no normal at its middle");
        BRep_Builder builder;
        TopoDS_Compound on_face;
        builder.MakeCompound(on_face);
        for (const TopoDS_Face& f : faces)
            for (TopExp_Explorer e(step.other, TopAbs_EDGE); e.More(); e.Next()) {
                BRepProj_Projection projection(e.Current(), f, gp_Dir(normal));
                if (projection.IsDone()) builder.Add(on_face, projection.Shape());
            }
        cutting = on_face;
    }
    if (count_of(cutting, TopAbs_EDGE) == 0) call.fail(KERNEL_ERR_NOT_DONE, "the curves do not meet the face");
    BRepAlgoAPI_Splitter splitter;
    TopTools_ListOfShape arguments, tools;
    arguments.Append(in.shape);
    tools.Append(cutting);
    splitter.SetArguments(arguments);
    splitter.SetTools(tools);
    splitter.SetNonDestructive(Standard_True);
    splitter.Build();
    if (splitter.HasErrors() || !splitter.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the face cannot be divided");
    int pieces = 0;
    for (const TopoDS_Face& f : faces) pieces += std::max(1, splitter.Modified(f).Extent());
    if (pieces <= static_cast<int>(faces.size())) call.fail(KERNEL_ERR_NOT_DONE, "the curves do not divide the face");
    // The body keeps its kind: a solid, or a sheet of the divided faces.
    const TopoDS_Shape made = splitter.Shape();
    TopoDS_Shape result;
    if (TopExp_Explorer solid(made, TopAbs_SOLID); solid.More()) {
        result = solid.Current();
    } else if (TopExp_Explorer sheet(made, TopAbs_SHELL); sheet.More()) {
        result = sheet.Current();
    } else {
        BRep_Builder builder;
        TopoDS_Shell faces;
        builder.MakeShell(faces);
        for (TopExp_Explorer f(made, TopAbs_FACE); f.More(); f.Next()) builder.Add(faces, f.Current());
        result = faces;
    }
    need_valid(call, result);
    finish_step(step, result, {&in.named}, &splitter);
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
    hd::Step step;
    step.kind = &hd::steps::hollow_faces;
    step.p = {thickness, static_cast<double>(n_open)};
    for (int i = 0; i < n_own; ++i) step.p.push_back(own_thickness[i]);
    step.refs.assign(open, open + n_open);
    for (int i = 0; i < n_own; ++i) step.refs.push_back(own[i]);
    hd::edit_body(call, body, std::move(step));
}

extern "C" void ZQ_BODY_sew_faces(int body, int n, const int faces[], int tool, int n_tool, const int tool_faces[],
                                  double tolerance) {
    auto call = HOST_ENTRY(body, n, tool, tolerance);
    if (n < 1 || n_tool < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no faces to sew");
    call.need(faces, "the body's faces");
    call.need(tool_faces, "the tool's faces");
    if (tool == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is sewn to itself", body);
    const hd::Body t = hd::require_body(call, tool);
    hd::Step step;
    step.kind = &hd::steps::sew_faces;
    step.p = {tolerance};
    for (int i = 0; i < n_tool; ++i) {
        const auto& subs = t->named().faces;
        const auto at = std::find_if(subs.begin(), subs.end(), [&](const hd::Sub& f) { return f.tag == tool_faces[i]; });
        if (at == subs.end()) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no face of the tool", tool_faces[i]);
        step.p.push_back(static_cast<double>(at - subs.begin()));
    }
    step.refs.assign(faces, faces + n);
    step.other = t->shape;
    step.other_named = t->shared_named();
    hd::edit_body(call, body, std::move(step), {tool});
}

namespace {

// The wire bodies as one compound: the curves a face division divides by.
TopoDS_Compound division_wires(const host::Call& call, int n, const int wires[]) {
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no curves to divide the face by");
    call.need(wires, "the wires");
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    for (int i = 0; i < n; ++i) builder.Add(all, hd::require_body(call, wires[i])->shape);
    return all;
}

// True when the edges of the two shapes, in order, run through the same
// points (sampled along each at the same fractions of its range).
bool same_edges(const TopoDS_Shape& a, const TopoDS_Shape& b) {
    constexpr double kSame = 1e-9;
    constexpr int kSamples = 5;
    TopExp_Explorer x(a, TopAbs_EDGE), y(b, TopAbs_EDGE);
    for (; x.More() && y.More(); x.Next(), y.Next()) {
        const BRepAdaptor_Curve p(TopoDS::Edge(x.Current())), q(TopoDS::Edge(y.Current()));
        for (int i = 0; i < kSamples; ++i) {
            const double t = static_cast<double>(i) / (kSamples - 1);
            const gp_Pnt at = p.Value(p.FirstParameter() + t * (p.LastParameter() - p.FirstParameter()));
            const gp_Pnt to = q.Value(q.FirstParameter() + t * (q.LastParameter() - q.FirstParameter()));
            if (at.Distance(to) > kSame) return false;
        }
    }
    return !x.More() && !y.More();
}

}  // namespace

namespace host::kernel::detail {

namespace {

// The history of a face merge as the naming reads histories: the merged
// face is an image of each of its pieces.
class MergeHistory : public BRepBuilderAPI_MakeShape {
public:
    explicit MergeHistory(const Handle(BRepTools_History) & history) : history_(history) {}
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        if (!history_.IsNull()) myGenerated = history_->Modified(s);
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        if (!history_.IsNull()) myGenerated = history_->Generated(s);
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape& s) override {
        return !history_.IsNull() && history_->IsRemoved(s);
    }

private:
    Handle(BRepTools_History) history_;
};

// The faces and edges with those of `keep` first, in its order: the naming
// gives a merged face or edge the tag of its first piece.
std::vector<Sub> kept_first(const std::vector<Sub>& subs, const std::vector<int>& keep) {
    std::vector<Sub> out;
    for (int t : keep)
        for (const Sub& s : subs)
            if (s.tag == t) out.push_back(s);
    for (const Sub& s : subs)
        if (std::find(keep.begin(), keep.end(), s.tag) == keep.end()) out.push_back(s);
    return out;
}

}  // namespace

// step.refs: the faces and edges whose tags win on merged ones.
void merge_faces_step(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    const Copied in(shape, shape_named);
    ShapeUpgrade_UnifySameDomain unify(in.shape, Standard_True, Standard_True, Standard_False);
    unify.Build();
    const TopoDS_Shape result = unify.Shape();
    if (result.IsNull()) call.fail(KERNEL_ERR_NOT_DONE, "the faces cannot be merged");
    need_valid(call, result);
    Named ordered;
    ordered.faces = kept_first(in.named.faces, step.refs);
    ordered.edges = kept_first(in.named.edges, step.refs);
    ordered.pieces = in.named.pieces;
    MergeHistory history(unify.History());
    finish_step(step, result, {&ordered}, &history);
}

}  // namespace host::kernel::detail

extern "C" void ZQ_BODY_merge_faces(int body, int n, const int keep[]) {
    auto call = HOST_ENTRY(body, n);
    if (n < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a count of %d faces to keep", n);
    if (n > 0) call.need(keep, "the faces to keep");
    hd::Step step;
    step.kind = &hd::steps::merge_faces;
    if (n > 0) step.refs.assign(keep, keep + n);
    hd::edit_body(call, body, std::move(step));
}

extern "C" void ZQ_BODY_subdivide_face(int body, int face, int n, const int wires[], int project) {
    auto call = HOST_ENTRY(body, face, n, project);
    const TopoDS_Compound all = division_wires(call, n, wires);
    if (project != 0 && project != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no projection %d", project);
    hd::Step step;
    step.kind = &hd::steps::subdivide_face;
    step.p = {static_cast<double>(project)};
    step.refs = {face};
    step.other = all;
    hd::edit_body(call, body, std::move(step));
}

extern "C" void ZQ_BODY_divide_face_again(int body, int step, int n, const int wires[], int* changed) {
    auto call = HOST_ENTRY(body, step, n, changed);
    call.need(changed, "the changed output");
    *changed = 0;
    const TopoDS_Compound all = division_wires(call, n, wires);
    const hd::Body old = hd::require_body(call, body);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) ||
        !old->steps[static_cast<std::size_t>(step)]->is(hd::steps::subdivide_face))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no face division", step, body);
    if (same_edges(old->steps[static_cast<std::size_t>(step)]->other, all)) return;
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[static_cast<std::size_t>(step)]);
    edited->other = all;
    edited->edited = true;
    b.steps[static_cast<std::size_t>(step)] = std::move(edited);
    hd::commit({std::move(b)}, {});
    *changed = 1;
}

extern "C" void ZQ_BODY_run_step_again(int body, int from, int step, int n, const int refs[]) {
    auto call = HOST_ENTRY(body, from, step, n);
    if (n > 0) call.need(refs, "the faces or edges");
    const hd::Body saved = hd::require_body(call, from);
    if (step < 1 || step >= static_cast<int>(saved->steps.size()) || n < 0 ||
        static_cast<std::size_t>(n) > saved->steps[static_cast<std::size_t>(step)]->refs.size())
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d cannot be made again here", step, from);
    hd::Step s = *saved->steps[static_cast<std::size_t>(step)];
    std::copy(refs, refs + n, s.refs.begin());
    s.edited = s.skipped = false;
    hd::edit_body(call, body, std::move(s));
}

namespace host::kernel::detail {

namespace steps {
const StepKind hollow_faces = {41, "hollow_faces", hd::hollow_faces_step, 0};
const StepKind sew_faces = {42, "sew_faces", hd::sew_faces_step, 0};
const StepKind subdivide_face = {43, "subdivide_face", hd::subdivide_face_step, 0};
const StepKind merge_faces = {44, "merge_faces", hd::merge_faces_step, 0};
}  // namespace steps

const StepKindRegistration registered{steps::hollow_faces, steps::sew_faces, steps::subdivide_face, steps::merge_faces};

}  // namespace host::kernel::detail
