// The runner of the solid kernel's steps, and what every operation shares.
//
// Every operation is a step: it checks its numbers (a size that is zero,
// negative or not finite is KERNEL_ERR_DEGENERATE), runs the kernel's
// algorithm on immutable input shapes (booleans in non-destructive mode, so
// that shapes kept by undo marks never change), refuses a result the kernel
// did not finish or finds invalid, names the result's faces and edges from
// the algorithm's history, and only then commits the new body state. A
// failure on the way leaves the model as it was. The operations themselves
// live in host/kernel/ops/, one source each, and register their kinds of
// step (step_kinds.h); the runner finds a step's operation through its kind.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeHalfSpace.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Solid.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "host/kernel/engine/step_support.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

bool positive(double v) { return std::isfinite(v) && v > kLinear; }

void need_positive(const Call& call, double v, const char* what) {
    if (!positive(v)) call.fail(KERNEL_ERR_DEGENERATE, "the %s %g is not a positive size", what, v);
}

gp_Pnt point(const double* p) { return gp_Pnt(p[0], p[1], p[2]); }

gp_Dir direction(const Call& call, const double* d, const char* what) {
    const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!std::isfinite(n) || n < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the %s is a zero vector", what);
    return gp_Dir(d[0], d[1], d[2]);
}

void need_finite(const Call& call, const std::vector<double>& p) {
    for (double v : p)
        if (!std::isfinite(v)) call.fail(KERNEL_ERR_DEGENERATE, "a number of the operation is not finite");
}

void need_done(const Call& call, const BRepBuilderAPI_MakeShape& algo, int code) {
    if (!algo.IsDone()) call.fail(code, "the kernel could not complete the operation");
}

double signed_volume(const TopoDS_Shape& shape) {
    GProp_GProps g;
    BRepGProp::VolumeProperties(shape, g);
    return g.Mass();
}


TopoDS_Shape material_inside(const TopoDS_Shape& shape) {
    if (shape.ShapeType() != TopAbs_SOLID || !(signed_volume(shape) < 0)) return shape;
    BRep_Builder builder;
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    for (TopExp_Explorer shell(shape, TopAbs_SHELL); shell.More(); shell.Next())
        builder.Add(solid, shell.Current().Reversed());
    return solid;
}


// `code` names what failed when the kernel's check refuses the result: a
// blend or chamfer that gives an invalid body is one that cannot be built
// on its edges.
void need_valid(const Call& call, const TopoDS_Shape& shape, int code) {
    if (shape.IsNull()) call.fail(KERNEL_ERR_EMPTY_RESULT, "the operation gave nothing");
    if (!BRepCheck_Analyzer(shape).IsValid()) call.fail(code, "the result is not a valid body");
}

// The check of a boolean's result, which must stay cheap on big bodies
// (booleans are the common edit, one after another): the kernel's own
// error report has been read already; here every edge of a solid must
// bound faces on both sides, and the faces that came from the tool (small
// next to the body) get the full check.
void need_closed(const Call& call, const TopoDS_Shape& result, const TopoDS_Shape& tool,
                 BRepBuilderAPI_MakeShape& history) {
    if (result.IsNull()) call.fail(KERNEL_ERR_EMPTY_RESULT, "the operation gave nothing");
    for (TopExp_Explorer solid(result, TopAbs_SOLID); solid.More(); solid.Next()) {
        TopTools_IndexedDataMapOfShapeListOfShape uses;
        TopExp::MapShapesAndAncestors(solid.Current(), TopAbs_EDGE, TopAbs_FACE, uses);
        for (int i = 1; i <= uses.Extent(); ++i)
            if (uses(i).Extent() < 2 && !BRep_Tool::Degenerated(TopoDS::Edge(uses.FindKey(i))))
                call.fail(KERNEL_ERR_INVALID_RESULT, "the result has a free edge");
    }
    for (TopExp_Explorer f(tool, TopAbs_FACE); f.More(); f.Next()) {
        const TopTools_ListOfShape& images = history.Modified(f.Current());
        if (images.IsEmpty() && !history.IsDeleted(f.Current()) && !BRepCheck_Analyzer(f.Current()).IsValid())
            call.fail(KERNEL_ERR_INVALID_RESULT, "the result is not a valid body");
        for (const TopoDS_Shape& image : images)
            if (!BRepCheck_Analyzer(image).IsValid())
                call.fail(KERNEL_ERR_INVALID_RESULT, "the result is not a valid body");
    }
}

int count(const TopoDS_Shape& s, TopAbs_ShapeEnum kind) {
    TopTools_IndexedMapOfShape m;
    TopExp::MapShapes(s, kind, m);
    return m.Extent();
}

// The face of a closed planar profile; refuses a profile that crosses itself.
TopoDS_Shape profile_face(const Call& call, const TopoDS_Shape& profile) {
    if (TopExp_Explorer(profile, TopAbs_FACE).More()) return profile;  // a sheet profile
    TopExp_Explorer wires(profile, TopAbs_WIRE);
    if (!wires.More()) call.fail(KERNEL_ERR_WRONG_ENTITY, "the profile has no wire");
    const TopoDS_Wire w = TopoDS::Wire(wires.Current());
    if (!BRep_Tool::IsClosed(w)) return w;  // an open profile sweeps into a sheet
    BRepBuilderAPI_MakeFace face(w, Standard_True);
    if (!face.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the profile is not planar");
    if (!BRepCheck_Analyzer(face.Shape()).IsValid())
        call.fail(KERNEL_ERR_SELF_INTERSECTING, "the profile intersects itself");
    return face.Shape();
}

TopoDS_Shape half_space_behind(const double* p, const gp_Dir& n) {
    const gp_Pnt origin = point(p);
    const TopoDS_Face plane = BRepBuilderAPI_MakeFace(gp_Pln(origin, n)).Face();
    return BRepPrimAPI_MakeHalfSpace(plane, origin.Translated(gp_Vec(n).Reversed())).Solid();
}

// The faces or edges of the given tags, each with the pieces it was split
// into since it was named.
std::vector<TopoDS_Shape> subs_by_tag(const Call& call, const Named* named, const std::vector<int>& tags, bool faces) {
    std::vector<TopoDS_Shape> out;
    for (int t : tags) {
        bool found = false;
        if (named)
            for (const Sub& s : faces ? named->faces : named->edges) {
                bool piece = false;
                for (const auto& [p, from] : named->pieces) piece = piece || (p == s.tag && from == t);
                if (s.tag == t || piece) {
                    out.push_back(s.shape);
                    found = true;
                }
            }
        if (!found) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no %s of the body", t, faces ? "face" : "edge");
    }
    return out;
}

// Names and stores the result of an algorithm.
void finish_step(Step& step, const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
            BRepBuilderAPI_MakeShape* history) {
    step.result = result;
    // A body made from bodies that stay (profiles, guides, the body cut by
    // a section) or from part of a body that stays (the front of a split)
    // takes none of their tags: it may share their shapes.
    const bool from_others = (step.kind->flags & kStepFromOthers) != 0;
    const bool front = (step.kind->flags & kStepFrontByMode) != 0 && step.mode == 1;
    const bool inherit = !from_others && !front;
    step.named = std::make_shared<Named>(name_result(result, inputs, history, step.names, inherit));
}

TopoDS_Shape solid_if_closed(const TopoDS_Shape& s) {
    if (s.ShapeType() == TopAbs_SHELL && BRep_Tool::IsClosed(s)) {
        BRepBuilderAPI_MakeSolid solid(TopoDS::Shell(s));
        if (solid.IsDone()) return solid.Solid();
    }
    return s;
}

namespace {

// A shape taken as it is, with its tags.
void take_as_is(const Call&, Step& step, const TopoDS_Shape&, const Named*) {
    finish_step(step, step.other, {step.other_named.get()}, nullptr);
}

}  // namespace

namespace steps {
const StepKind imported = {23, "imported", hd::take_as_is, 0};
}  // namespace steps

const StepKindRegistration registered{steps::imported};

void run_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    ensure_started();
    guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        need_finite(call, step.p);
        step.kind->run(call, step, before, before_named);
    });
}

std::vector<double> nums(std::initializer_list<const double*> arrays3, std::initializer_list<double> more) {
    std::vector<double> v;
    for (const double* a : arrays3) v.insert(v.end(), a, a + 3);
    v.insert(v.end(), more);
    return v;
}

// A new body made by one step.
int make_body(const Call& call, hd::Step step) {
    hd::run_step(call, step, TopoDS_Shape(), nullptr);
    hd::BodyState b;
    b.tag = hd::new_tag();
    b.shape = step.result;
    b.set_named(step.named);
    b.add_step(std::move(step));
    hd::name_small(b, nullptr);
    const int tag = b.tag;
    hd::commit({std::move(b)}, {});
    return tag;
}

// Applies a step to a body (in place); `consumed` bodies go.
void edit_body(const Call& call, int body, hd::Step step, const std::vector<int>& consumed) {
    const hd::Body old = hd::require_body(call, body);
    hd::run_step(call, step, old->shape, &old->named());
    hd::BodyState b = *old;
    b.shape = step.result;
    b.set_named(step.named);
    b.add_step(std::move(step));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, consumed);
}

// The shape and tags of another body taken as an input of a step.
void take_other(const Call& call, hd::Step& step, int other) {
    const hd::Body o = hd::require_body(call, other);
    step.other = o->shape;
    step.other_named = std::make_shared<hd::Named>(o->named());
}

hd::Step step_of(const StepKind& kind, std::vector<double> p) {
    hd::Step s;
    s.kind = &kind;
    s.p = std::move(p);
    return s;
}

// An edit of a body that works on n of its faces or edges.
void edit_at(const Call& call, int body, const StepKind& kind, std::vector<double> p, int n, const int* refs, const char* what) {
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no %s given", what);
    call.need(refs, what);
    hd::Step s = step_of(kind, std::move(p));
    s.refs.assign(refs, refs + n);
    edit_body(call, body, std::move(s));
}

std::vector<TopoDS_Shape> faces_by_tag(const Call& call, const Named* named, const std::vector<int>& tags) {
    return subs_by_tag(call, named, tags, true);
}

BodyState imported_body(const Call& call, const TopoDS_Shape& shape) {
    Step s;
    s.kind = &steps::imported;
    s.other = shape;
    run_step(call, s, TopoDS_Shape(), nullptr);
    BodyState b;
    b.tag = new_tag();
    b.shape = s.result;
    b.set_named(s.named);
    b.add_step(std::move(s));
    name_small(b, nullptr);
    return b;
}

int commit_checked(const Call& call, const TopoDS_Shape& shape, const char* what) {
    BRepCheck_Analyzer check(shape);
    if (!check.IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the %s would be invalid", what);
    Step s;
    s.kind = &steps::imported;
    s.result = shape;
    s.named = std::make_shared<Named>(name_result(shape, {}, nullptr, s.names, false));
    return commit_result(std::move(s));
}

int commit_result(Step s) {
    s.kind = &steps::imported;
    s.p.clear();
    s.other = s.result;
    s.other_named = s.named;
    BodyState b;
    b.tag = new_tag();
    b.shape = s.result;
    b.set_named(s.named);
    b.add_step(std::move(s));
    name_small(b, nullptr);
    const int tag = b.tag;
    commit({std::move(b)}, {});
    return tag;
}

namespace {
// The step of the regeneration that failed last (-1: none).
int failed_step = -1;
}  // namespace

void change_step(const Call& call, int body, int step, const std::function<void(hd::Step&)>& change) {
    const hd::Body old = hd::require_body(call, body);
    if (step < 0 || step >= static_cast<int>(old->steps.size()))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d has no step %d", body, step);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    change(*edited);
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {});
}

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_ENTITY_delete(int body) {
    auto call = HOST_ENTRY(body);
    if (hd::drop_point(body)) return;
    hd::require_body(call, body);
    hd::commit(std::vector<hd::BodyState>{}, {body});
}

void ZQ_BODY_ask_step_count(int body, int* count) {
    auto call = HOST_ENTRY(body, count);
    call.need(count, "the count output");
    *count = static_cast<int>(hd::require_body(call, body)->steps.size());
}

void ZQ_BODY_skip_step(int body, int step, int skip) {
    auto call = HOST_ENTRY(body, step, skip);
    change_step(call, body, step, [&](hd::Step& s) { s.skipped = skip != 0; });
}

void ZQ_BODY_move_step(int body, int from, int to) {
    auto call = HOST_ENTRY(body, from, to);
    const hd::Body old = hd::require_body(call, body);
    const int n = static_cast<int>(old->steps.size());
    if (from < 1 || from >= n || to < 1 || to >= n)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d cannot move step %d to %d", body, from, to);
    hd::BodyState b = *old;
    auto moved = b.steps[from];
    b.steps.erase(b.steps.begin() + from);
    b.steps.insert(b.steps.begin() + to, moved);
    hd::commit({std::move(b)}, {});
    change_step(call, body, std::min(from, to), [](hd::Step&) {});
}

void ZQ_BODY_ask_step_refs(int body, int step, int* count, int** places) {
    auto call = HOST_ENTRY(body, step, count, places);
    call.need(count, "the count output");
    call.need(places, "the places output");
    *count = 0;
    *places = nullptr;
    const hd::Body b = hd::require_body(call, body);
    if (step < 1 || step >= static_cast<int>(b->steps.size()))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d has no step %d after its first", body, step);
    const hd::Step& s = *b->steps[step];
    const hd::Named* before = b->steps[step - 1]->named.get();
    if (s.refs.empty()) return;
    *places = static_cast<int*>(SM_alloc(s.refs.size() * sizeof(int)));
    for (int t : s.refs) {
        int place = -1;
        for (int cls = 0; cls < 2 && place < 0 && before; ++cls) {
            const std::vector<hd::Sub>& subs = cls == 0 ? before->faces : before->edges;
            for (std::size_t i = 0; i < subs.size(); ++i)
                if (subs[i].tag == t) place = static_cast<int>(2 * i) + cls;
        }
        (*places)[(*count)++] = place;
    }
}

void ZQ_BODY_ask_failed_step(int* step) {
    auto call = HOST_ENTRY(step);
    call.need(step, "the step output");
    *step = failed_step;
}

void ZQ_BODY_edit_parameter(int body, int step, int index, double value) {
    auto call = HOST_ENTRY(body, step, index, value);
    const hd::Body old = hd::require_body(call, body);
    if (step < 0 || step >= static_cast<int>(old->steps.size()) || index < 0 ||
        index >= static_cast<int>(old->steps[step]->p.size()))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d has no parameter %d in step %d", body, index, step);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    edited->p[index] = value;
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {});
}

void ZQ_BODY_regenerate(int body) {
    auto call = HOST_ENTRY(body);
    failed_step = -1;
    const hd::Body old = hd::require_body(call, body);
    std::size_t first = 0;
    while (first < old->steps.size() && !old->steps[first]->edited) ++first;
    if (first == old->steps.size()) return;
    hd::BodyState b = *old;
    TopoDS_Shape before = first > 0 ? b.steps[first - 1]->result : TopoDS_Shape();
    const hd::Named* named = first > 0 ? b.steps[first - 1]->named.get() : nullptr;
    std::shared_ptr<const hd::Named> kept = first > 0 ? b.steps[first - 1]->named : nullptr;
    for (std::size_t i = first; i < b.steps.size(); ++i) {
        auto s = std::make_shared<hd::Step>(*b.steps[i]);
        s->edited = false;
        failed_step = static_cast<int>(i);
        if (s->skipped) {
            if (i == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the first step of body %d is skipped", body);
            s->result = before;
            s->named = kept;
        } else {
            hd::run_step(call, *s, before, named);
        }
        before = s->result;
        named = s->named.get();
        kept = s->named;
        b.steps[i] = std::move(s);
    }
    failed_step = -1;
    b.shape = before;
    b.set_named(std::move(kept));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, {});
}

}  // extern "C"
