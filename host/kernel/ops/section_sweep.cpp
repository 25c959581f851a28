// The solid kernel's bead (bead_sweep.h): the section swept along the
// guide, bounded, and united with the body as one step of its recipe.
#include "host/kernel/ops/section_sweep.h"

#include <BRepAdaptor_CompCurve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepOffsetAPI_MakePipeShell.hxx>
#include <BRepPrimAPI_MakeHalfSpace.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRep_Tool.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomLProp_SLProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Pln.hxx>

#include <cmath>
#include <numbers>
#include <vector>

#include "host/kernel/engine/step_support.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/numeric/curve_kernel.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"

namespace host::kernel::detail::steps {
extern const StepKind section_sweep;
}  // namespace host::kernel::detail::steps

namespace host::kernel::detail {
namespace {

gp_Pnt at(const gp_Pnt& o, const gp_Vec& s, const gp_Vec& u, double x, double y) { return o.Translated(s * x + u * y); }

// The face of a tag in the body before the step (a split face: its first
// piece).
TopoDS_Face face_of(const Call& call, const Named* named, int tag) {
    if (named)
        for (const Sub& s : named->faces) {
            bool piece = false;
            for (const auto& [p, from] : named->pieces) piece = piece || (p == s.tag && from == tag);
            if (s.tag == tag || piece) return TopoDS::Face(s.shape);
        }
    call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no face of the body", tag);
}

// The face's outward normal at the point of it nearest p.
gp_Vec normal_near(const Call& call, const TopoDS_Face& f, const gp_Pnt& p) {
    const Handle(Geom_Surface) s = BRep_Tool::Surface(f);
    GeomAPI_ProjectPointOnSurf proj(p, s);
    if (!proj.IsDone() || proj.NbPoints() == 0) call.fail(KERNEL_ERR_NOT_DONE, "no point of the face is near the bead");
    double u = 0, v = 0;
    proj.LowerDistanceParameters(u, v);
    GeomLProp_SLProps props(s, u, v, 1, 1e-9);
    if (!props.IsNormalDefined()) call.fail(KERNEL_ERR_DEGENERATE, "the face has no normal near the bead");
    gp_Vec n(props.Normal());
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

// The face's normal at the middle of its parameter box.
gp_Vec middle_normal(const Call& call, const TopoDS_Face& f) {
    BRepAdaptor_Surface a(f);
    const double u = (a.FirstUParameter() + a.LastUParameter()) / 2;
    const double v = (a.FirstVParameter() + a.LastVParameter()) / 2;
    return normal_near(call, f, a.Value(u, v));
}

// The guide: the curves' edges joined end to end.
TopoDS_Wire guide_of(const Call& call, int n, const unsigned int curves[]) {
    BRepBuilderAPI_MakeWire wire;
    for (int i = 0; i < n; ++i) {
        const auto rec = curvefeat::curve_record(curves[i]);
        if (!rec) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u is no curve", curves[i]);
        const auto k = hostnum::geometry::build(rec->record());
        if (!k) call.fail(KERNEL_ERR_WRONG_ENTITY, "the kernel takes no curve of object %u", curves[i]);
        double lim[2];
        hostnum::curve_limits(rec->record(), lim);
        for (std::size_t p = 0; p < k->pieces.size(); ++p) {
            double u0 = 0, u1 = 0;
            if (!k->stretch(p, lim[0], lim[1], &u0, &u1)) continue;
            BRepBuilderAPI_MakeEdge edge(k->pieces[p].curve, u0, u1);
            if (!edge.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "curve %u has no length", curves[i]);
            wire.Add(edge.Edge());
            if (!wire.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the section curves do not run end to end");
        }
    }
    if (!wire.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the section curves make no chain");
    return wire.Wire();
}

// The closed section in the plane through o spanned by s (across) and u
// (up), its base sunk by `sink` below o.
TopoDS_Wire section_of(const Call& call, const std::vector<double>& p, const gp_Pnt& o, const gp_Vec& s,
                       const gp_Vec& u, double sink) {
    const double w = p[ZQ_BEAD_WIDTH] / 2, d = p[ZQ_BEAD_DEPTH];
    const gp_Pnt a = at(o, s, u, -w, -sink), b = at(o, s, u, w, -sink), c = at(o, s, u, w, 0), e = at(o, s, u, -w, 0);
    BRepBuilderAPI_MakeWire wire;
    wire.Add(BRepBuilderAPI_MakeEdge(a, b).Edge());
    wire.Add(BRepBuilderAPI_MakeEdge(b, c).Edge());
    switch (static_cast<int>(p[ZQ_BEAD_SHAPE])) {
        case 0: {
            GC_MakeArcOfCircle arc(c, at(o, s, u, 0, d), e);
            if (!arc.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the round section has no arc");
            wire.Add(BRepBuilderAPI_MakeEdge(arc.Value()).Edge());
            break;
        }
        case 1: {
            const double top = w - d * std::tan(p[ZQ_BEAD_ANGLE] * std::numbers::pi / 180);
            if (!(top > 1e-6) || !(p[ZQ_BEAD_ANGLE] >= 0) || !(p[ZQ_BEAD_ANGLE] < 90))
                call.fail(KERNEL_ERR_DEGENERATE, "the U section's sides meet below its depth");
            const gp_Pnt f = at(o, s, u, top, d), g = at(o, s, u, -top, d);
            wire.Add(BRepBuilderAPI_MakeEdge(c, f).Edge());
            wire.Add(BRepBuilderAPI_MakeEdge(f, g).Edge());
            wire.Add(BRepBuilderAPI_MakeEdge(g, e).Edge());
            break;
        }
        case 2: {
            const gp_Pnt f = at(o, s, u, 0, d);
            wire.Add(BRepBuilderAPI_MakeEdge(c, f).Edge());
            wire.Add(BRepBuilderAPI_MakeEdge(f, e).Edge());
            break;
        }
        default: call.fail(KERNEL_ERR_DEGENERATE, "no bead section of shape %g", p[ZQ_BEAD_SHAPE]);
    }
    wire.Add(BRepBuilderAPI_MakeEdge(e, a).Edge());
    if (!wire.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the bead section does not close");
    return wire.Wire();
}

TopoDS_Shape common(const Call& call, const TopoDS_Shape& a, const TopoDS_Shape& b) {
    BRepAlgoAPI_Common op(a, b);
    if (op.HasErrors() || !op.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the bead cannot be bounded");
    return op.Shape();
}

// The sweep kept over the bounding faces: their prisms along their
// normals, reaching `reach` to either side.
TopoDS_Shape over_faces(const Call& call, const TopoDS_Shape& sweep, const std::vector<TopoDS_Face>& faces,
                        double reach) {
    TopoDS_Shape kept;
    for (const TopoDS_Face& f : faces) {
        const gp_Vec n = middle_normal(call, f).Normalized();
        gp_Trsf back;
        back.SetTranslation(n * -reach);
        const TopoDS_Shape start = BRepBuilderAPI_Transform(f, back, true).Shape();
        BRepPrimAPI_MakePrism prism(start, n * (2 * reach));
        if (!prism.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the bounding face makes no prism");
        const TopoDS_Shape piece = common(call, sweep, prism.Shape());
        if (kept.IsNull()) {
            kept = piece;
        } else {
            BRepAlgoAPI_Fuse op(kept, piece);
            if (op.HasErrors() || !op.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the bead cannot be bounded");
            kept = op.Shape();
        }
    }
    return kept;
}

int solids(const TopoDS_Shape& s) {
    int n = 0;
    for (TopExp_Explorer x(s, TopAbs_SOLID); x.More(); x.Next()) ++n;
    return n;
}

}  // namespace

void bead_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::vector<double>& p = step.p;
    if (p.size() != ZQ_BEAD_NUMBERS) call.fail(KERNEL_ERR_BAD_PARAMETER, "a bead takes %d numbers", ZQ_BEAD_NUMBERS);
    const auto n_place = static_cast<std::size_t>(p[ZQ_BEAD_N_PLACEMENT]);
    if (n_place < 1 || n_place > step.refs.size()) call.fail(KERNEL_ERR_NO_ENTITY, "a bead needs a placement face");
    if (!(p[ZQ_BEAD_WIDTH] > 0) || !(p[ZQ_BEAD_DEPTH] > 0))
        call.fail(KERNEL_ERR_DEGENERATE, "the bead's width %g and depth %g must be above 0", p[ZQ_BEAD_WIDTH],
                  p[ZQ_BEAD_DEPTH]);
    const TopoDS_Wire guide = TopoDS::Wire(step.other);
    BRepAdaptor_CompCurve path(guide);
    gp_Pnt o;
    gp_Vec t;
    path.D1(path.FirstParameter(), o, t);
    if (t.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the section curves have no direction at the start");
    t.Normalize();
    gp_Vec u;
    if (p[ZQ_BEAD_HAS_RISE] != 0) u = gp_Vec(p[ZQ_BEAD_RISE], p[ZQ_BEAD_RISE + 1], p[ZQ_BEAD_RISE + 2]);
    else u = normal_near(call, face_of(call, before_named, step.refs[0]), o);
    u -= t * u.Dot(t);
    if (u.Magnitude() < 1e-9) call.fail(KERNEL_ERR_DEGENERATE, "the bead would rise along its curves");
    u.Normalize();
    const gp_Vec s = t.Crossed(u);
    const double sink = std::min(p[ZQ_BEAD_DEPTH], p[ZQ_BEAD_WIDTH]) / 4;
    const TopoDS_Wire section = section_of(call, p, o, s, u, sink);
    BRepOffsetAPI_MakePipeShell pipe(guide);
    pipe.SetMode(gp_Dir(u));
    pipe.Add(section);
    pipe.Build();
    if (!pipe.IsDone() || !pipe.MakeSolid()) call.fail(KERNEL_ERR_NOT_DONE, "the bead section cannot be swept");
    TopoDS_Shape tool = pipe.Shape();
    switch (static_cast<int>(p[ZQ_BEAD_BOUND])) {
        case 0: break;
        case 1: {
            std::vector<TopoDS_Face> faces;
            for (std::size_t i = n_place; i < step.refs.size(); ++i)
                faces.push_back(face_of(call, before_named, step.refs[i]));
            if (faces.empty())
                for (std::size_t i = 0; i < n_place; ++i) faces.push_back(face_of(call, before_named, step.refs[i]));
            tool = over_faces(call, tool, faces, 2 * (p[ZQ_BEAD_DEPTH] + p[ZQ_BEAD_WIDTH]) + 1);
            break;
        }
        case 2: {
            const gp_Pnt q(p[ZQ_BEAD_PLANE_POINT], p[ZQ_BEAD_PLANE_POINT + 1], p[ZQ_BEAD_PLANE_POINT + 2]);
            const gp_Vec n(p[ZQ_BEAD_PLANE_NORM], p[ZQ_BEAD_PLANE_NORM + 1], p[ZQ_BEAD_PLANE_NORM + 2]);
            if (n.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the bounding plane has no normal");
            const TopoDS_Face plane = BRepBuilderAPI_MakeFace(gp_Pln(q, gp_Dir(n))).Face();
            tool = common(call, tool, BRepPrimAPI_MakeHalfSpace(plane, o).Solid());
            break;
        }
        default: call.fail(KERNEL_ERR_BAD_PARAMETER, "no bead bound %g", p[ZQ_BEAD_BOUND]);
    }
    if (solids(tool) == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "nothing of the bead lies within its bounds");
    BRepAlgoAPI_Fuse op;
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(tool);
    op.SetArguments(args);
    op.SetTools(tools);
    op.SetNonDestructive(Standard_True);
    op.Build();
    if (op.HasErrors() || !op.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the bead cannot be united with the body");
    const TopoDS_Shape result = op.Shape();
    if (solids(result) != solids(before)) call.fail(KERNEL_ERR_DISJOINT, "the bead does not meet the body");
    if (!BRepCheck_Analyzer(result).IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the bead gives no valid body");
    step.result = result;
    step.named = std::make_shared<Named>(name_result(result, {before_named}, &op, step.names, true));
}

}  // namespace host::kernel::detail

namespace hd = host::kernel::detail;

namespace {

// The body of a bead's inputs, checked.
hd::Body checked_inputs(const host::Call& call, int body, int n_curves, const unsigned int curves[], int n_refs,
                        const int refs[], const double numbers[]) {
    if (n_curves < 1 || n_refs < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a bead needs curves and faces");
    call.need(curves, "the section curves");
    call.need(refs, "the faces");
    call.need(numbers, "the bead's numbers");
    hd::ensure_started();
    return hd::require_body(call, body);
}

}  // namespace

namespace {

// Runs a bead step of the numbers, faces and guide on the body.
void add_bead(const host::Call& call, const hd::Body& old, const TopoDS_Shape& guide, int n_refs, const int refs[],
              const double numbers[]) {
    hd::Step step;
    step.kind = &hd::steps::section_sweep;
    step.p.assign(numbers, numbers + ZQ_BEAD_NUMBERS);
    step.refs.assign(refs, refs + n_refs);
    step.other = guide;
    hd::run_step(call, step, old->shape, &old->named());
    hd::BodyState b = *old;
    b.shape = step.result;
    b.set_named(step.named);
    b.add_step(std::move(step));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, {});
}

// The bead step `step` of the body.
const hd::Step& bead_of(const host::Call& call, const hd::Body& body, int step) {
    if (step < 0 || step >= static_cast<int>(body->steps.size()) || !body->steps[step]->is(hd::steps::section_sweep))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no bead", step, body->tag);
    return *body->steps[step];
}

}  // namespace

extern "C" void ZQ_BODY_bead(int body, int n_curves, const unsigned int curves[], int n_refs, const int refs[],
                             const double numbers[ZQ_BEAD_NUMBERS]) {
    auto call = HOST_ENTRY(body, n_curves, n_refs);
    const hd::Body old = checked_inputs(call, body, n_curves, curves, n_refs, refs, numbers);
    TopoDS_Shape guide;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { guide = hd::guide_of(call, n_curves, curves); });
    add_bead(call, old, guide, n_refs, refs, numbers);
}

extern "C" void ZQ_BODY_bead_again(int body, int from, int step, int n_refs, const int refs[],
                                   const double numbers[ZQ_BEAD_NUMBERS]) {
    auto call = HOST_ENTRY(body, from, step, n_refs);
    const unsigned int no_curve = 0;
    const hd::Body old = checked_inputs(call, body, 1, &no_curve, n_refs, refs, numbers);
    const hd::Body saved = hd::require_body(call, from);
    add_bead(call, old, bead_of(call, saved, step).other, n_refs, refs, numbers);
}

extern "C" void ZQ_BODY_set_bead_inputs(int body, int step, int n_curves, const unsigned int curves[], int n_refs,
                                        const int refs[], const double numbers[ZQ_BEAD_NUMBERS]) {
    auto call = HOST_ENTRY(body, step, n_curves, n_refs);
    const hd::Body old = checked_inputs(call, body, n_curves, curves, n_refs, refs, numbers);
    auto edited = std::make_shared<hd::Step>(bead_of(call, old, step));
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { edited->other = hd::guide_of(call, n_curves, curves); });
    edited->p.assign(numbers, numbers + ZQ_BEAD_NUMBERS);
    edited->refs.assign(refs, refs + n_refs);
    edited->edited = true;
    hd::BodyState b = *old;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {});
}

namespace host::kernel::detail {

namespace steps {
const StepKind section_sweep = {36, "section_sweep", hd::bead_step, 0};
}  // namespace steps

const StepKindRegistration registered{steps::section_sweep};

}  // namespace host::kernel::detail
