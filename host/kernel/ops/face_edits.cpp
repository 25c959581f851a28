// Direct face operations of the solid kernel (host/kernel/ops/face_edits.h): faces
// moved onto a plane, faces given a radius, and a region of faces taken
// off the body and put back moved, copied or scaled.
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Defeaturing.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_GTransform.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRep_Tool.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepOffset_MakeOffset.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <gp_GTrsf.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <cmath>
#include <memory>

#include "host/kernel/ops/face_edits.h"
#include "host/kernel/engine/step_support.h"
#include "host/base/services/error.h"

namespace host::kernel::detail::steps {
extern const StepKind faces_to_plane, resize_faces, region_transform, offset_region;
}  // namespace host::kernel::detail::steps

namespace host::kernel::detail {
namespace {

constexpr double kParallel = 1e-9;

// The history of several algorithms run one after the other, in the form
// that naming reads: an input face or edge becomes what the last algorithm
// made of what the earlier ones made of it.
class ChainHistory : public BRepBuilderAPI_MakeShape {
public:
    void add(std::unique_ptr<BRepBuilderAPI_MakeShape> algo) { chain_.push_back(std::move(algo)); }
    std::size_t size() const { return chain_.size(); }
    // `face` lives on as `with`, a face of the tool of algorithm `stage`.
    void carry(const TopoDS_Shape& face, const TopoDS_Shape& with, std::size_t stage) {
        carried_.push_back({face, with, stage});
    }
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        const TopTools_ListOfShape images = follow(s);
        if (!(images.Extent() == 1 && images.First().IsSame(s)))
            for (const TopoDS_Shape& i : images) myGenerated.Append(i);
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape&) override {
        myGenerated.Clear();
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape& s) override { return follow(s).IsEmpty(); }

private:
    struct Carried {
        TopoDS_Shape face, with;
        std::size_t stage;
    };
    TopTools_ListOfShape follow(const TopoDS_Shape& s) {
        TopTools_ListOfShape now;
        std::size_t first = 0;
        now.Append(s);
        for (const Carried& c : carried_)
            if (c.face.IsSame(s)) {
                now.Clear();
                now.Append(c.with);
                first = c.stage;
            }
        for (std::size_t k = first; k < chain_.size(); ++k) {
            TopTools_ListOfShape next;
            for (const TopoDS_Shape& x : now) {
                if (chain_[k]->IsDeleted(x)) continue;
                const TopTools_ListOfShape& m = chain_[k]->Modified(x);
                if (m.IsEmpty()) next.Append(x);
                else
                    for (const TopoDS_Shape& y : m) next.Append(y);
            }
            now = next;
        }
        return now;
    }
    std::vector<std::unique_ptr<BRepBuilderAPI_MakeShape>> chain_;
    std::vector<Carried> carried_;
};

// The outward normal of a planar face and a point of its plane; false for
// a face that is not planar.
bool plane_of(const TopoDS_Face& f, gp_Pnt& at, gp_Dir& normal) {
    const BRepAdaptor_Surface s(f);
    if (s.GetType() != GeomAbs_Plane) return false;
    const gp_Pln p = s.Plane();
    at = p.Location();
    normal = p.Axis().Direction();
    if (f.Orientation() == TopAbs_REVERSED) normal.Reverse();
    return true;
}

// Offsets each face by its own distance (faces not given stay), the rest of
// the solid following; false (nothing stored) when the kernel's offset
// cannot make a valid solid of it.
bool offset_each(Step& step, const TopoDS_Shape& before, const Named* before_named,
                 const std::vector<std::pair<TopoDS_Face, double>>& moves) {
    BRepOffset_MakeOffset offset;
    TopoDS_Shape result;
    try {
        offset.Initialize(before, 0, 1e-6, BRepOffset_Skin, Standard_False, Standard_False, GeomAbs_Intersection);
        for (const auto& [face, d] : moves)
            if (std::fabs(d) >= kLinear) offset.SetOffsetOnFace(face, d);
        offset.MakeOffsetShape();
        if (!offset.IsDone()) return false;
        result = offset.Shape();
        if (result.IsNull()) return false;
        if (!TopExp_Explorer(result, TopAbs_SOLID).More()) {
            // The offset may hand back the closed shell of the solid.
            TopExp_Explorer shell(result, TopAbs_SHELL);
            if (!shell.More() || !BRep_Tool::IsClosed(shell.Current())) return false;
            BRepBuilderAPI_MakeSolid solid(TopoDS::Shell(shell.Current()));
            if (!solid.IsDone()) return false;
            result = solid.Solid();
        }
        if (!BRepCheck_Analyzer(result).IsValid()) return false;
    } catch (const Standard_Failure&) {
        return false;
    }
    // The offset reports a moved face as generated from the old one.
    class History : public BRepBuilderAPI_MakeShape {
    public:
        explicit History(BRepOffset_MakeOffset& o) : o_(o) {}
        const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
            myGenerated.Clear();
            for (const TopoDS_Shape& m : o_.Modified(s)) myGenerated.Append(m);
            for (const TopoDS_Shape& g : o_.Generated(s))
                if (g.ShapeType() == s.ShapeType()) myGenerated.Append(g);
            return myGenerated;
        }
        const TopTools_ListOfShape& Generated(const TopoDS_Shape& s) override {
            myGenerated.Clear();
            for (const TopoDS_Shape& g : o_.Generated(s))
                if (g.ShapeType() != s.ShapeType()) myGenerated.Append(g);
            return myGenerated;
        }
        Standard_Boolean IsDeleted(const TopoDS_Shape& s) override { return o_.IsDeleted(s); }

    private:
        BRepOffset_MakeOffset& o_;
    } history(offset);
    finish_step(step, result, {before_named}, &history);
    return true;
}

// A map of 12 numbers (3 rows of 4) as the kernel's transformation.
gp_GTrsf map_of(const double* m) {
    gp_GTrsf g;
    g.SetVectorialPart(gp_Mat(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]));
    g.SetTranslationPart(gp_XYZ(m[3], m[7], m[11]));
    return g;
}

// The shape moved by the map: a similarity (rotation, mirror and uniform
// scale) keeps the surfaces' kinds, any other affine map turns them into
// B-surfaces.
TopoDS_Shape mapped(const Call& call, const TopoDS_Shape& s, const gp_GTrsf& g) {
    const gp_Mat m = g.VectorialPart();
    const double det = m.Determinant();
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the map is singular");
    const double k = std::cbrt(std::fabs(det));
    const gp_Mat q = m.Multiplied(m.Transposed());
    bool similar = true;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            similar = similar && std::fabs(q(i, j) - (i == j ? k * k : 0.0)) < 1e-12 * std::max(1.0, k * k);
    if (similar) {
        gp_Trsf t;
        const gp_XYZ v = g.TranslationPart();
        t.SetValues(m(1, 1), m(1, 2), m(1, 3), v.X(), m(2, 1), m(2, 2), m(2, 3), v.Y(), m(3, 1), m(3, 2), m(3, 3),
                    v.Z());
        BRepBuilderAPI_Transform algo(s, t, Standard_True);
        if (!algo.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the region cannot be moved");
        return algo.Shape();
    }
    BRepBuilderAPI_GTransform algo(s, g, Standard_True);
    if (!algo.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the region cannot be scaled");
    return algo.Shape();
}

double volume(const TopoDS_Shape& s) {
    if (s.IsNull()) return 0;
    GProp_GProps g;
    BRepGProp::VolumeProperties(s, g);
    return std::fabs(g.Mass());
}

// One boolean of the region's rebuild, kept in the chain's history.
TopoDS_Shape put_back(const Call& call, ChainHistory& history, const TopoDS_Shape& body, const TopoDS_Shape& tool,
                      bool unite) {
    std::unique_ptr<BRepAlgoAPI_BooleanOperation> op;
    if (unite) op = std::make_unique<BRepAlgoAPI_Fuse>();
    else op = std::make_unique<BRepAlgoAPI_Cut>();
    TopTools_ListOfShape args, tools;
    args.Append(body);
    tools.Append(tool);
    op->SetArguments(args);
    op->SetTools(tools);
    op->SetNonDestructive(Standard_True);
    op->Build();
    if (op->HasErrors() || !op->IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the region cannot be put back");
    const TopoDS_Shape result = op->Shape();
    history.add(std::move(op));
    return result;
}

// What `a` has that `b` has not.
TopoDS_Shape difference(const Call& call, const TopoDS_Shape& a, const TopoDS_Shape& b) {
    BRepAlgoAPI_Cut cut;
    TopTools_ListOfShape args, tools;
    args.Append(a);
    tools.Append(b);
    cut.SetArguments(args);
    cut.SetTools(tools);
    cut.SetNonDestructive(Standard_True);
    cut.Build();
    if (cut.HasErrors() || !cut.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the region cannot be taken off");
    return cut.Shape();
}

// Moves planar faces along their outward normals by their distances: the
// prism a face sweeps is united with the body (outwards) or cut from it
// (inwards), and the face lives on as the prism's far end.
void push_pull(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named,
               const std::vector<std::pair<TopoDS_Face, double>>& moves) {
    ChainHistory history;
    TopoDS_Shape result = before;
    for (const auto& [face, d] : moves) {
        if (std::fabs(d) < kLinear) continue;
        gp_Pnt at;
        gp_Dir n;
        plane_of(face, at, n);
        BRepPrimAPI_MakePrism prism(BRepBuilderAPI_Copy(face).Shape(), gp_Vec(n) * d);
        prism.Build();
        if (!prism.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the face cannot be moved");
        const std::size_t stage = history.size();
        result = put_back(call, history, result, prism.Shape(), d > 0);
        history.carry(face, prism.LastShape(), stage);
    }
    if (TopExp_Explorer(result, TopAbs_SOLID).More()) {
        int solids = 0;
        TopoDS_Shape only;
        for (TopExp_Explorer x(result, TopAbs_SOLID); x.More(); x.Next(), ++solids) only = x.Current();
        if (solids != 1) call.fail(KERNEL_ERR_NOT_DONE, "moving the faces splits the body");
        result = only;
    } else {
        call.fail(KERNEL_ERR_EMPTY_RESULT, "moving the faces leaves nothing of the body");
    }
    need_valid(call, result);
    finish_step(step, result, {before_named}, &history);
}

// Moves each face along its outward normal by its distance: the kernel's
// offset, in which the faces around follow; where it cannot make the change
// and the faces are planar, each face sweeps its prism (push_pull).
void move_faces(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named,
                const std::vector<std::pair<TopoDS_Face, double>>& moves) {
    bool any = false, planar = true;
    for (const auto& [face, d] : moves) {
        any = any || std::fabs(d) >= kLinear;
        gp_Pnt at;
        gp_Dir n;
        planar = planar && plane_of(face, at, n);
    }
    if (!any) {
        // Nothing moves: the body stays as it is.
        finish_step(step, before, {before_named}, nullptr);
        return;
    }
    if (offset_each(step, before, before_named, moves)) return;
    if (!planar) call.fail(KERNEL_ERR_NOT_DONE, "the faces cannot be moved");
    push_pull(call, step, before, before_named, moves);
}

}  // namespace

void faces_to_plane(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    if (step.refs.size() < 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no faces to move onto a plane");
    const std::vector<int> moving(step.refs.begin(), step.refs.end() - 1);
    const std::vector<TopoDS_Shape> reference = faces_by_tag(call, before_named, {step.refs.back()});
    gp_Pnt at;
    gp_Dir n;
    if (!plane_of(TopoDS::Face(reference[0]), at, n))
        call.fail(KERNEL_ERR_WRONG_ENTITY, "the reference face %d is not planar", step.refs.back());
    std::vector<std::pair<TopoDS_Face, double>> moves;
    for (const TopoDS_Shape& s : faces_by_tag(call, before_named, moving)) {
        if (s.IsSame(reference[0])) call.fail(KERNEL_ERR_WRONG_ENTITY, "a face is moved onto itself");
        gp_Pnt p;
        gp_Dir m;
        if (!plane_of(TopoDS::Face(s), p, m)) call.fail(KERNEL_ERR_WRONG_ENTITY, "a face to move is not planar");
        const double across = m.Dot(n);
        if (std::fabs(std::fabs(across) - 1) > kParallel)
            call.fail(KERNEL_ERR_WRONG_ENTITY, "a face to move is not parallel to the reference face");
        // The distance counts from the reference's plane towards the side
        // the face lies on now.
        const double now = gp_Vec(at, p).Dot(gp_Vec(n));
        const double side = now < -kLinear ? -1 : 1;
        moves.emplace_back(TopoDS::Face(s), (side * step.p[0] - now) / across);
    }
    move_faces(call, step, before, before_named, moves);
}

void resize_faces(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const double radius = step.p[0];
    if (!std::isfinite(radius) || radius < kLinear)
        call.fail(KERNEL_ERR_DEGENERATE, "the radius %g is no size", radius);
    std::vector<std::pair<TopoDS_Face, double>> moves;
    for (const TopoDS_Shape& s : faces_by_tag(call, before_named, step.refs)) {
        const TopoDS_Face f = TopoDS::Face(s);
        const BRepAdaptor_Surface surface(f);
        double now = 0;
        switch (surface.GetType()) {
            case GeomAbs_Cylinder: now = surface.Cylinder().Radius(); break;
            case GeomAbs_Sphere: now = surface.Sphere().Radius(); break;
            default: call.fail(KERNEL_ERR_WRONG_ENTITY, "a face to resize has no radius");
        }
        // The surface's normal points away from its axis or centre: a face
        // with it (a boss) grows outwards, a face against it (a hole)
        // inwards.
        const bool outwards = f.Orientation() != TopAbs_REVERSED;
        moves.emplace_back(f, outwards ? radius - now : now - radius);
    }
    move_faces(call, step, before, before_named, moves);
}

void offset_region(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const double d = step.p[0];
    if (!std::isfinite(d)) call.fail(KERNEL_ERR_DEGENERATE, "the distance %g is no size", d);
    std::vector<std::pair<TopoDS_Face, double>> moves;
    for (const TopoDS_Shape& s : faces_by_tag(call, before_named, step.refs)) moves.emplace_back(TopoDS::Face(s), d);
    move_faces(call, step, before, before_named, moves);
}

void region_transform(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::vector<double>& p = step.p;
    const int n1 = static_cast<int>(p[1]), n2 = static_cast<int>(p[14]);
    if (p.size() != ZQ_REGION_NUMBERS || n1 < 1 || n2 < 1 || n1 != p[1] || n2 != p[14] || n1 * n2 < 2)
        call.fail(KERNEL_ERR_DEGENERATE, "the region is put back %g x %g times", p[1], p[14]);
    const std::vector<TopoDS_Shape> faces = faces_by_tag(call, before_named, step.refs);
    // The body without the region: the kernel closes the gap it leaves.
    auto defeature = std::make_unique<BRepAlgoAPI_Defeaturing>();
    defeature->SetShape(before);
    for (const TopoDS_Shape& f : faces) defeature->AddFaceToRemove(f);
    defeature->SetRunParallel(Standard_False);
    defeature->SetToFillHistory(Standard_True);
    defeature->Build();
    if (defeature->HasErrors() || !defeature->IsDone())
        call.fail(KERNEL_ERR_NOT_DONE, "the region cannot be taken off the body");
    const TopoDS_Shape base = defeature->Shape();
    // What the region adds to the body and what it takes away.
    const TopoDS_Shape added = difference(call, before, base);
    const TopoDS_Shape taken = difference(call, base, before);
    const double scale = std::max(1.0, volume(before));
    const bool adds = volume(added) > 1e-9 * scale, takes = volume(taken) > 1e-9 * scale;
    if (!adds && !takes) call.fail(KERNEL_ERR_NOT_DONE, "the region changes nothing of the body");
    const bool keep = p[0] != 0;
    ChainHistory history;
    TopoDS_Shape result = before;
    if (!keep) {
        result = base;
        history.add(std::move(defeature));
    }
    const gp_GTrsf m1 = map_of(&p[2]), m2 = map_of(&p[15]);
    for (int i = 0; i < n1; ++i)
        for (int j = 0; j < n2; ++j) {
            if (i == 0 && j == 0) continue;
            gp_GTrsf t = m1.Powered(i);
            t.Multiply(m2.Powered(j));
            if (adds) result = put_back(call, history, result, mapped(call, added, t), true);
            if (takes) result = put_back(call, history, result, mapped(call, taken, t), false);
        }
    if (TopExp_Explorer(result, TopAbs_SOLID).More()) {
        int solids = 0;
        TopoDS_Shape only;
        for (TopExp_Explorer s(result, TopAbs_SOLID); s.More(); s.Next(), ++solids) only = s.Current();
        if (solids != 1) call.fail(KERNEL_ERR_NOT_DONE, "the region put back does not meet the body");
        result = only;
    }
    need_valid(call, result);
    finish_step(step, result, {before_named}, &history);
}

}  // namespace host::kernel::detail

namespace hd = host::kernel::detail;

namespace {

void edit_faces(const host::Call& call, int body, const hd::StepKind& kind, std::vector<double> p, int n, const int* faces,
                const char* what) {
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no %s given", what);
    call.need(faces, what);
    hd::Step s;
    s.kind = &kind;
    s.p = std::move(p);
    s.refs.assign(faces, faces + n);
    hd::edit_body(call, body, std::move(s));
}

}  // namespace

extern "C" {

void ZQ_BODY_offset_faces_to(int body, int n, const int faces[], int reference, double distance) {
    auto call = HOST_ENTRY(body, n, reference, distance);
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no faces to move");
    call.need(faces, "the faces to move");
    std::vector<int> refs(faces, faces + n);
    refs.push_back(reference);
    edit_faces(call, body, hd::steps::faces_to_plane, {distance}, n + 1, refs.data(), "faces to move");
}

void ZQ_BODY_offset_region(int body, int n, const int faces[], double distance) {
    auto call = HOST_ENTRY(body, n, faces, distance);
    edit_faces(call, body, hd::steps::offset_region, {distance}, n, faces, "faces to offset");
}

void ZQ_BODY_resize_faces(int body, int n, const int faces[], double radius) {
    auto call = HOST_ENTRY(body, n, faces, radius);
    edit_faces(call, body, hd::steps::resize_faces, {radius}, n, faces, "faces to resize");
}

void ZQ_BODY_transform_region(int body, int n, const int faces[], const double numbers[ZQ_REGION_NUMBERS]) {
    auto call = HOST_ENTRY(body, n, faces, numbers);
    call.need(numbers, "the region's numbers");
    edit_faces(call, body, hd::steps::region_transform, std::vector<double>(numbers, numbers + ZQ_REGION_NUMBERS), n,
               faces, "faces of the region");
}

void ZQ_BODY_set_step_refs(int body, int step, int n, const int refs[]) {
    auto call = HOST_ENTRY(body, step, n, refs);
    const hd::Body old = hd::require_body(call, body);
    if (step < 1 || step >= static_cast<int>(old->steps.size()))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d has no step %d working on faces", body, step);
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no faces or edges given");
    call.need(refs, "the faces or edges");
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    edited->refs.assign(refs, refs + n);
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {});
}

}  // extern "C"

namespace host::kernel::detail {

namespace steps {
const StepKind faces_to_plane = {37, "faces_to_plane", hd::faces_to_plane, 0};
const StepKind resize_faces = {38, "resize_faces", hd::resize_faces, 0};
const StepKind region_transform = {39, "region_transform", hd::region_transform, 0};
const StepKind offset_region = {40, "offset_region", hd::offset_region, 0};
}  // namespace steps

const StepKindRegistration registered{steps::faces_to_plane, steps::resize_faces, steps::region_transform, steps::offset_region};

}  // namespace host::kernel::detail
