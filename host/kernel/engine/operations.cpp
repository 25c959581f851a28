// Operations of the solid kernel: primitives, sweeps, booleans, blends,
// transforms, splits, sections, hollows and offsets.
//
// Every operation is a step: it checks its numbers (a size that is zero,
// negative or not finite is KERNEL_ERR_DEGENERATE), runs the kernel's
// algorithm on immutable input shapes (booleans in non-destructive mode, so
// that shapes kept by undo marks never change), refuses a result the kernel
// did not finish or finds invalid, names the result's faces and edges from
// the algorithm's history, and only then commits the new body state. A
// failure on the way leaves the model as it was.
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepAlgoAPI_Section.hxx>
#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepTools.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_GTransform.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepGProp.hxx>
#include <BRepOffsetAPI_MakeFilling.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepOffsetAPI_MakePipe.hxx>
#include <BRepOffsetAPI_MakeThickSolid.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepOffset_MakeOffset.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeHalfSpace.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <gp_Ax2.hxx>
#include <gp_GTrsf.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "host/kernel/engine/blends.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/form_tools.h"
#include "host/kernel/engine/dfo_steps.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail {

// The solid of a form tool's numbers (form_tools.cpp).
TopoDS_Shape form_tool_shape(const Call& call, const std::vector<double>& p);

namespace {

constexpr double kLinear = 1e-7;  // the kernel's confusion tolerance

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

}  // namespace

TopoDS_Shape material_inside(const TopoDS_Shape& shape) {
    if (shape.ShapeType() != TopAbs_SOLID || !(signed_volume(shape) < 0)) return shape;
    BRep_Builder builder;
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    for (TopExp_Explorer shell(shape, TopAbs_SHELL); shell.More(); shell.Next())
        builder.Add(solid, shell.Current().Reversed());
    return solid;
}

namespace {

// `code` names what failed when the kernel's check refuses the result: a
// blend or chamfer that gives an invalid body is one that cannot be built
// on its edges.
void need_valid(const Call& call, const TopoDS_Shape& shape, int code = KERNEL_ERR_INVALID_RESULT) {
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
void finish(Step& step, const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
            BRepBuilderAPI_MakeShape* history) {
    step.result = result;
    // A body made from bodies that stay (profiles, guides, the body cut by
    // a section) or from part of a body that stays (the front of a split)
    // takes none of their tags: it may share their shapes.
    const bool from_others = step.op == Op::extrude || step.op == Op::revolve || step.op == Op::sweep ||
                             step.op == Op::plane || step.op == Op::loft || step.op == Op::section ||
                             step.op == Op::mesh;
    const bool front = (step.op == Op::split || step.op == Op::cut_sheet) && step.mode == 1;
    const bool inherit = !from_others && !front;
    step.named = std::make_shared<const Named>(name_result(result, inputs, history, step.names, inherit));
}

void primitive(const Call& call, Step& step);

}  // namespace

// Trims a boolean's tool by the body's faces of its refs (udf_trim.cpp).
void trim_tool(const Call& call, Step& step, const Named* before_named, TopoDS_Shape& tool,
               std::shared_ptr<const Named>& tool_named);

namespace {

void boolean(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    if (step.tool) {
        Step made = *step.tool;
        made.p = step.p;
        primitive(call, made);
        step.other = made.result;
        step.other_named = made.named;
    }
    TopoDS_Shape tool = step.other;
    std::shared_ptr<const Named> tool_named = step.other_named;
    if (step.trimmed) trim_tool(call, step, before_named, tool, tool_named);
    Bnd_Box a, b;
    BRepBndLib::Add(before, a);
    BRepBndLib::Add(tool, b);
    if (a.IsOut(b)) call.fail(KERNEL_ERR_DISJOINT, "the bodies are apart");
    std::unique_ptr<BRepAlgoAPI_BooleanOperation> op;
    switch (step.mode) {
        case ZQ_UNITE: op = std::make_unique<BRepAlgoAPI_Fuse>(); break;
        case ZQ_SUBTRACT: op = std::make_unique<BRepAlgoAPI_Cut>(); break;
        default: op = std::make_unique<BRepAlgoAPI_Common>(); break;
    }
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(tool);
    op->SetArguments(args);
    op->SetTools(tools);
    op->SetNonDestructive(Standard_True);
    op->Build();
    if (op->HasErrors() || !op->IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the boolean operation failed");
    const TopoDS_Shape result = op->Shape();
    const int faces = count(result, TopAbs_FACE);
    const bool apart = op->SectionEdges().IsEmpty();
    if (step.mode == ZQ_INTERSECT && faces == 0) call.fail(KERNEL_ERR_DISJOINT, "the bodies do not overlap");
    if (step.mode == ZQ_SUBTRACT && faces == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the tool removes the whole body");
    if (apart && step.mode == ZQ_UNITE &&
        count(result, TopAbs_SOLID) == count(before, TopAbs_SOLID) + count(tool, TopAbs_SOLID))
        call.fail(KERNEL_ERR_DISJOINT, "the bodies do not meet");
    if (apart && step.mode == ZQ_SUBTRACT) {
        bool touched = false;
        for (TopExp_Explorer f(tool, TopAbs_FACE); f.More() && !touched; f.Next())
            touched = !op->IsDeleted(f.Current());
        if (!touched) call.fail(KERNEL_ERR_DISJOINT, "the tool does not meet the body");
    }
    need_closed(call, result, tool, *op);
    finish(step, result, {before_named, tool_named.get()}, op.get());
}

void blend(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::vector<TopoDS_Shape> edges = subs_by_tag(call, before_named, step.refs, false);
    guarded(call, KERNEL_ERR_BLEND_FAILED, [&] {
        if (step.op == Op::blend || step.op == Op::varying_blend) {
            BRepFilletAPI_MakeFillet algo(before);
            if (step.op == Op::varying_blend) add_varying_blends(call, algo, edges, step.p);
            for (const TopoDS_Shape& e : step.op == Op::blend ? edges : std::vector<TopoDS_Shape>{}) {
                if (step.p[0] == step.p[1]) algo.Add(step.p[0], TopoDS::Edge(e));
                else algo.Add(step.p[0], step.p[1], TopoDS::Edge(e));
            }
            algo.Build();
            need_done(call, algo, KERNEL_ERR_BLEND_FAILED);
            need_valid(call, algo.Shape(), KERNEL_ERR_BLEND_FAILED);
            finish(step, algo.Shape(), {before_named}, &algo);
        } else {
            BRepFilletAPI_MakeChamfer algo(before);
            TopTools_IndexedDataMapOfShapeListOfShape faces_of_edge;
            if (step.p.size() > 1) TopExp::MapShapesAndAncestors(before, TopAbs_EDGE, TopAbs_FACE, faces_of_edge);
            for (const TopoDS_Shape& e : edges) {
                if (step.p.size() > 1 && faces_of_edge.Contains(e) && !faces_of_edge.FindFromKey(e).IsEmpty())
                    algo.Add(step.p[0], step.p[1], TopoDS::Edge(e), TopoDS::Face(faces_of_edge.FindFromKey(e).First()));
                else
                    algo.Add(step.p[0], TopoDS::Edge(e));
            }
            algo.Build();
            need_done(call, algo, KERNEL_ERR_BLEND_FAILED);
            need_valid(call, algo.Shape(), KERNEL_ERR_BLEND_FAILED);
            finish(step, algo.Shape(), {before_named}, &algo);
        }
    });
}

// A blend between two sets of faces (refs: the first set, then the second;
// p: the radius and, when the sets are not single faces, the size of the
// first set): it runs along every edge a face of the first set shares with
// a face of the second, so the faces keep the blend when a regeneration
// splits or moves those edges.
void face_blend(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::size_t n_first = step.p.size() > 1 ? static_cast<std::size_t>(step.p[1]) : 1;
    if (step.refs.size() < 2 || n_first < 1 || n_first >= step.refs.size())
        call.fail(HOST_ERR_BAD_ARGUMENT, "a face blend takes two sets of faces");
    const std::vector<int> set_1(step.refs.begin(), step.refs.begin() + static_cast<std::ptrdiff_t>(n_first));
    const std::vector<int> set_2(step.refs.begin() + static_cast<std::ptrdiff_t>(n_first), step.refs.end());
    const std::vector<TopoDS_Shape> first = subs_by_tag(call, before_named, set_1, true);
    const std::vector<TopoDS_Shape> second = subs_by_tag(call, before_named, set_2, true);
    TopTools_IndexedMapOfShape edges_a, shared;
    for (const TopoDS_Shape& f : first) TopExp::MapShapes(f, TopAbs_EDGE, edges_a);
    for (const TopoDS_Shape& f : second)
        for (TopExp_Explorer x(f, TopAbs_EDGE); x.More(); x.Next())
            if (edges_a.Contains(x.Current())) shared.Add(x.Current());
    if (shared.IsEmpty())
        call.fail(KERNEL_ERR_BLEND_FAILED, "faces %d and %d do not meet along an edge", set_1[0], set_2[0]);
    guarded(call, KERNEL_ERR_BLEND_FAILED, [&] {
        BRepFilletAPI_MakeFillet algo(before);
        for (int i = 1; i <= shared.Extent(); ++i) algo.Add(step.p[0], TopoDS::Edge(shared(i)));
        algo.Build();
        need_done(call, algo, KERNEL_ERR_BLEND_FAILED);
        need_valid(call, algo.Shape());
        finish(step, algo.Shape(), {before_named}, &algo);
    });
}

void transform(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    gp_Trsf t;
    const std::vector<double>& p = step.p;
    if (step.op == Op::mirror) {
        t.SetMirror(gp_Ax2(point(&p[0]), direction(call, &p[3], "mirror normal")));
    } else if (step.op == Op::scale) {
        need_positive(call, p[3], "scale factor");
        t.SetScale(point(&p[0]), p[3]);
    } else {
        const gp_Mat m(p[0], p[1], p[2], p[4], p[5], p[6], p[8], p[9], p[10]);
        const double det = m.Determinant();
        if (!std::isfinite(det) || std::fabs(det) < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the matrix is singular");
        // A similarity (rotation and uniform scale) keeps the surfaces'
        // kinds; any other affine map turns them into B-surfaces.
        const double s = std::cbrt(det);
        const gp_Mat q = m.Multiplied(m.Transposed());
        bool similar = true;
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j)
                similar = similar && std::fabs(q(i, j) - (i == j ? s * s : 0.0)) < 1e-12 * std::max(1.0, s * s);
        if (!similar) {
            gp_GTrsf g;
            g.SetVectorialPart(m);
            g.SetTranslationPart(gp_XYZ(p[3], p[7], p[11]));
            BRepBuilderAPI_GTransform algo(before, g, Standard_True);
            need_done(call, algo, KERNEL_ERR_NOT_DONE);
            need_valid(call, algo.Shape());
            finish(step, algo.Shape(), {before_named}, &algo);
            return;
        }
        t.SetValues(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11]);
    }
    BRepBuilderAPI_Transform algo(before, t, Standard_True);
    need_done(call, algo, KERNEL_ERR_NOT_DONE);
    finish(step, algo.Shape(), {before_named}, &algo);
}

// Keeps the part of `before` behind the plane (mode 0) or in front of it (1).
void cut_by_plane(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const gp_Dir n = direction(call, &step.p[3], "plane normal");
    const TopoDS_Shape behind = half_space_behind(&step.p[0], n);
    std::unique_ptr<BRepAlgoAPI_BooleanOperation> op;
    if (step.mode == 0) op = std::make_unique<BRepAlgoAPI_Common>();
    else op = std::make_unique<BRepAlgoAPI_Cut>();
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(behind);
    op->SetArguments(args);
    op->SetTools(tools);
    op->SetNonDestructive(Standard_True);
    op->Build();
    if (op->HasErrors() || !op->IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the cut by the plane failed");
    if (count(op->Shape(), TopAbs_FACE) == 0)
        call.fail(KERNEL_ERR_EMPTY_RESULT, "nothing of the body lies %s the plane",
                  step.mode == 0 ? "behind" : "in front of");
    need_valid(call, op->Shape());
    finish(step, op->Shape(), {before_named}, op.get());
}

TopoDS_Shape polygon(const Call& call, const std::vector<double>& p, bool closed) {
    BRepBuilderAPI_MakePolygon poly;
    const std::size_t n = p.size() / 3;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && point(&p[3 * i]).Distance(point(&p[3 * i - 3])) < kLinear)
            call.fail(KERNEL_ERR_DEGENERATE, "points %zu and %zu of the wire coincide", i, i + 1);
        poly.Add(point(&p[3 * i]));
    }
    if (closed) poly.Close();
    if (!poly.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the wire cannot be made");
    return poly.Wire();
}

void primitive(const Call& call, Step& step) {
    const std::vector<double>& p = step.p;
    need_finite(call, p);
    TopoDS_Shape s;
    switch (step.op) {
        case Op::block:
            need_positive(call, p[3], "length");
            need_positive(call, p[4], "width");
            need_positive(call, p[5], "height");
            s = BRepPrimAPI_MakeBox(point(&p[0]), p[3], p[4], p[5]).Shape();
            break;
        case Op::cylinder:
            need_positive(call, p[6], "radius");
            need_positive(call, p[7], "height");
            s = BRepPrimAPI_MakeCylinder(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7]).Shape();
            break;
        case Op::cone:
            if (!(p[6] >= 0 && p[7] >= 0) || (!positive(p[6]) && !positive(p[7])) || std::fabs(p[6] - p[7]) < kLinear)
                call.fail(KERNEL_ERR_DEGENERATE, "the cone's radii %g and %g do not make a cone", p[6], p[7]);
            need_positive(call, p[8], "height");
            s = BRepPrimAPI_MakeCone(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7], p[8]).Shape();
            break;
        case Op::sphere:
            need_positive(call, p[3], "radius");
            s = BRepPrimAPI_MakeSphere(point(&p[0]), p[3]).Shape();
            break;
        case Op::torus:
            need_positive(call, p[6], "major radius");
            need_positive(call, p[7], "minor radius");
            if (p[6] <= p[7])
                call.fail(KERNEL_ERR_SELF_INTERSECTING,
                          "a torus with major radius %g and minor radius %g intersects itself", p[6], p[7]);
            s = BRepPrimAPI_MakeTorus(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7]).Shape();
            break;
        case Op::prism: {
            need_positive(call, p[6], "radius");
            need_positive(call, p[8], "height");
            const int sides = static_cast<int>(p[7]);
            if (sides < 3 || sides != p[7])
                call.fail(KERNEL_ERR_DEGENERATE, "a prism needs 3 sides or more, not %g", p[7]);
            const gp_Ax2 ax(point(&p[0]), direction(call, &p[3], "axis"));
            std::vector<double> corners;
            for (int i = 0; i < sides; ++i) {
                const double a = 2 * std::numbers::pi * i / sides;
                const gp_Pnt c = ax.Location().Translated(gp_Vec(ax.XDirection()) * (p[6] * std::cos(a)) +
                                                          gp_Vec(ax.YDirection()) * (p[6] * std::sin(a)));
                corners.insert(corners.end(), {c.X(), c.Y(), c.Z()});
            }
            const TopoDS_Face base =
                BRepBuilderAPI_MakeFace(TopoDS::Wire(polygon(call, corners, true)), Standard_True).Face();
            s = BRepPrimAPI_MakePrism(base, gp_Vec(ax.Direction()) * p[8]).Shape();
            break;
        }
        case Op::wire: s = polygon(call, std::vector<double>(p.begin(), p.end() - 1), p.back() != 0); break;
        case Op::form_tool: s = form_tool_shape(call, p); break;
        default:  // acorn
            s = BRepBuilderAPI_MakeVertex(point(&p[0])).Shape();
            break;
    }
    finish(step, s, {}, nullptr);
}

void sweep(const Call& call, Step& step) {
    const TopoDS_Shape profile = profile_face(call, step.other);
    std::unique_ptr<BRepBuilderAPI_MakeShape> algo;
    if (step.op == Op::extrude) {
        const gp_Dir d = direction(call, &step.p[0], "direction");
        need_positive(call, step.p[3], "length");
        algo = std::make_unique<BRepPrimAPI_MakePrism>(profile, gp_Vec(d) * step.p[3]);
    } else if (step.op == Op::revolve) {
        const double angle = step.p[6];
        if (!std::isfinite(angle) || std::fabs(angle) < 1e-9 || std::fabs(angle) > 2 * std::numbers::pi + 1e-12)
            call.fail(KERNEL_ERR_DEGENERATE, "the angle %g is not within a turn", angle);
        algo = std::make_unique<BRepPrimAPI_MakeRevol>(
            profile, gp_Ax1(point(&step.p[0]), direction(call, &step.p[3], "axis")), angle);
    } else {
        TopExp_Explorer w(step.other2, TopAbs_WIRE);
        if (!w.More()) call.fail(KERNEL_ERR_WRONG_ENTITY, "the guide has no wire");
        algo = std::make_unique<BRepOffsetAPI_MakePipe>(TopoDS::Wire(w.Current()), profile);
    }
    algo->Build();
    need_done(call, *algo, KERNEL_ERR_NOT_DONE);
    need_valid(call, algo->Shape());
    finish(step, algo->Shape(), {step.other_named.get()}, algo.get());
}

void offset(const Call& call, Step& step, const TopoDS_Shape& shape, const Named* shape_named) {
    // The offsets widen tolerances of the shape they work on: a copy keeps
    // the body's earlier states as they were.
    const Copied in(shape, shape_named);
    const TopoDS_Shape& before = in.shape;
    const Named* before_named = &in.named;
    const double d = step.p[0];
    if (!std::isfinite(d) || std::fabs(d) < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the distance %g is no size", d);
    BRepOffsetAPI_MakeThickSolid thick;
    BRepOffsetAPI_MakeOffsetShape off;
    BRepBuilderAPI_MakeShape* algo = nullptr;
    if (step.op == Op::hollow) {
        need_positive(call, d, "wall thickness");
        TopTools_ListOfShape open;
        for (const TopoDS_Shape& f : subs_by_tag(call, before_named, step.refs, true)) open.Append(f);
        thick.MakeThickSolidByJoin(before, open, -d, 1e-6);
        algo = &thick;
    } else if (step.op == Op::thicken) {
        thick.MakeThickSolidBySimple(before, d);
        algo = &thick;
    } else {
        off.PerformByJoin(before, d, 1e-6, BRepOffset_Skin, Standard_False, Standard_False, GeomAbs_Arc);
        algo = &off;
    }
    need_done(call, *algo, KERNEL_ERR_NOT_DONE);
    TopoDS_Shape result = algo->Shape();
    if (result.ShapeType() == TopAbs_SHELL) result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(result)).Solid();
    else if (result.ShapeType() == TopAbs_COMPOUND && step.op != Op::thicken) {
        TopExp_Explorer sh(result, TopAbs_SHELL);
        if (sh.More() && !TopExp_Explorer(result, TopAbs_SOLID).More())
            result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(sh.Current())).Solid();
    }
    if (step.op == Op::thicken) result = material_inside(result);
    need_valid(call, result);
    if (TopExp_Explorer(result, TopAbs_SOLID).More() && !(signed_volume(result) > 0))
        call.fail(KERNEL_ERR_INVALID_RESULT, "the result is inside out");
    finish(step, result, {before_named}, algo);
}

void section(const Call& call, Step& step) {
    const gp_Dir n = direction(call, &step.p[3], "plane normal");
    BRepAlgoAPI_Section algo(step.other, gp_Pln(point(&step.p[0]), n), Standard_False);
    algo.ComputePCurveOn1(Standard_False);
    algo.Approximation(Standard_False);
    algo.Build();
    if (algo.HasErrors() || !algo.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the section failed");
    if (count(algo.Shape(), TopAbs_EDGE) == 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "the plane does not meet the body");
    finish(step, algo.Shape(), {step.other_named.get()}, &algo);
}

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

TopoDS_Shape solid_if_closed(const TopoDS_Shape& s) {
    if (s.ShapeType() == TopAbs_SHELL && BRep_Tool::IsClosed(s)) {
        BRepBuilderAPI_MakeSolid solid(TopoDS::Shell(s));
        if (solid.IsDone()) return solid.Solid();
    }
    return s;
}

void sew(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    if (!positive(step.p[0])) call.fail(KERNEL_ERR_DEGENERATE, "the tolerance %g is not positive", step.p[0]);
    BRepBuilderAPI_Sewing sewing(step.p[0]);
    sewing.Add(before);
    for (TopoDS_Iterator it(step.other); it.More(); it.Next()) sewing.Add(it.Value());
    sewing.Perform();
    const TopoDS_Shape sewn = sewing.SewedShape();
    if (sewn.IsNull()) call.fail(KERNEL_ERR_NOT_DONE, "the sheets cannot be sewn");
    if (TopExp_Explorer(sewn, TopAbs_SHELL).More() && count(sewn, TopAbs_SHELL) > 1)
        call.fail(KERNEL_ERR_DISJOINT, "the sheets do not meet within the tolerance");
    TopoDS_Shape result = sewn;
    if (TopExp_Explorer shell(sewn, TopAbs_SHELL); shell.More()) result = solid_if_closed(shell.Current());
    need_valid(call, result);
    SewHistory history(sewing);  // nothing of the inputs is left out
    finish(step, result, {before_named, step.other_named.get()}, &history);
}

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
    finish(step, result, {before_named}, &history);
}

void sheet_from_grid(const Call& call, Step& step) {
    const int nu = static_cast<int>(step.p[0]), nv = static_cast<int>(step.p[1]);
    const int base = step.op == Op::bsurface ? 4 : 2;
    TColgp_Array2OfPnt grid(1, nu, 1, nv);
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) grid(i + 1, j + 1) = point(&step.p[base + 3 * (j * nu + i)]);
    Handle(Geom_Surface) surface;
    if (step.op == Op::points_sheet) {
        GeomAPI_PointsToBSplineSurface fit;
        fit.Interpolate(grid);
        if (!fit.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface passes through the points");
        surface = fit.Surface();
    } else {
        const int du = static_cast<int>(step.p[2]), dv = static_cast<int>(step.p[3]);
        const auto knots = [](int n, int degree, TColStd_Array1OfReal& k, TColStd_Array1OfInteger& m) {
            for (int i = 1; i <= n - degree + 1; ++i) {
                k(i) = i - 1;
                m(i) = i == 1 || i == n - degree + 1 ? degree + 1 : 1;
            }
        };
        TColStd_Array1OfReal uk(1, nu - du + 1), vk(1, nv - dv + 1);
        TColStd_Array1OfInteger um(1, nu - du + 1), vm(1, nv - dv + 1);
        knots(nu, du, uk, um);
        knots(nv, dv, vk, vm);
        surface = new Geom_BSplineSurface(grid, uk, vk, um, vm, du, dv);
    }
    BRepBuilderAPI_MakeFace face(surface, 1e-7);
    if (!face.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the surface cannot bound a face");
    need_valid(call, face.Shape());
    finish(step, face.Shape(), {}, nullptr);
}

void curve_mesh(const Call& call, Step& step) {
    BRepOffsetAPI_MakeFilling fill;
    int bounds = 0;
    for (TopExp_Explorer e(step.other, TopAbs_EDGE); e.More(); e.Next(), ++bounds)
        fill.Add(TopoDS::Edge(e.Current()), GeomAbs_C0, Standard_True);
    if (bounds == 0 || !BRep_Tool::IsClosed(step.other))
        call.fail(KERNEL_ERR_WRONG_ENTITY, "the boundary is not closed");
    for (const TopoDS_Shape& curves : step.more)
        for (TopExp_Explorer e(curves, TopAbs_EDGE); e.More(); e.Next())
            fill.Add(TopoDS::Edge(e.Current()), GeomAbs_C0, Standard_False);
    fill.Build();
    need_done(call, fill, KERNEL_ERR_NOT_DONE);
    need_valid(call, fill.Shape());
    finish(step, fill.Shape(), {step.other_named.get()}, &fill);
}

void loft(const Call& call, Step& step) {
    BRepOffsetAPI_ThruSections algo(step.mode & 1, (step.mode & 2) != 0);
    for (const TopoDS_Shape& s : step.more) {
        TopExp_Explorer w(s, TopAbs_WIRE);
        if (w.More()) algo.AddWire(TopoDS::Wire(w.Current()));
        else if (TopExp_Explorer v(s, TopAbs_VERTEX); v.More()) algo.AddVertex(TopoDS::Vertex(v.Current()));
    }
    algo.Build();
    need_done(call, algo, KERNEL_ERR_NOT_DONE);
    need_valid(call, algo.Shape());
    finish(step, algo.Shape(), {step.other_named.get()}, &algo);
}

// The outward normal of a face at the middle of its parameters, and that
// point.
gp_Vec outward(const TopoDS_Face& f, gp_Pnt& at) {
    const BRepAdaptor_Surface s(f);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(f, u0, u1, v0, v1);
    gp_Vec du, dv;
    s.D1((u0 + u1) / 2, (v0 + v1) / 2, at, du, dv);
    gp_Vec n = du.Crossed(dv);
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

// Whether a piece of a body cut by a sheet lies behind the sheet (against
// its normal): a face of the piece made from the sheet faces outwards along
// the sheet's normal; a piece the sheet does not touch is placed by its
// centre of mass.
bool behind_sheet(const TopoDS_Shape& piece, const TopoDS_Shape& sheet, BRepAlgoAPI_Splitter& split) {
    for (TopExp_Explorer sf(sheet, TopAbs_FACE); sf.More(); sf.Next()) {
        TopTools_ListOfShape images = split.Modified(sf.Current());
        if (images.IsEmpty()) images.Append(sf.Current());
        for (TopExp_Explorer pf(piece, TopAbs_FACE); pf.More(); pf.Next())
            for (const TopoDS_Shape& image : images)
                if (pf.Current().IsSame(image)) {
                    gp_Pnt at, on_sheet;
                    const gp_Vec piece_out = outward(TopoDS::Face(pf.Current()), at);
                    const gp_Vec sheet_normal = outward(TopoDS::Face(sf.Current()), on_sheet);
                    return piece_out.Dot(sheet_normal) > 0;
                }
    }
    GProp_GProps g;
    BRepGProp::VolumeProperties(piece, g);
    BRepExtrema_DistShapeShape d(BRepBuilderAPI_MakeVertex(g.CentreOfMass()).Shape(), sheet);
    if (!d.IsDone() || d.NbSolution() < 1) return true;
    gp_Pnt unused;
    const TopoDS_Shape near = d.SupportOnShape2(1);
    gp_Vec n(0, 0, 0);
    if (near.ShapeType() == TopAbs_FACE) n = outward(TopoDS::Face(near), unused);
    return gp_Vec(d.PointOnShape2(1), g.CentreOfMass()).Dot(n) <= 0;
}

// Keeps the pieces of `before` behind the sheet (mode 0) or in front (1).
void cut_by_sheet(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    BRepAlgoAPI_Splitter split;
    TopTools_ListOfShape args, tools;
    args.Append(before);
    tools.Append(step.other);
    split.SetArguments(args);
    split.SetTools(tools);
    split.SetNonDestructive(Standard_True);
    split.Build();
    if (split.HasErrors() || !split.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the cut by the sheet failed");
    if (count(split.Shape(), TopAbs_SOLID) < 2) call.fail(KERNEL_ERR_DISJOINT, "the sheet does not cut the body");
    BRep_Builder builder;
    TopoDS_Compound kept;
    builder.MakeCompound(kept);
    int n = 0;
    for (TopExp_Explorer solid(split.Shape(), TopAbs_SOLID); solid.More(); solid.Next())
        if (behind_sheet(solid.Current(), step.other, split) == (step.mode == 0)) {
            builder.Add(kept, solid.Current());
            ++n;
        }
    if (n == 0)
        call.fail(KERNEL_ERR_EMPTY_RESULT, "nothing of the body lies %s the sheet",
                  step.mode == 0 ? "behind" : "in front of");
    TopoDS_Shape result = kept;
    if (n == 1) result = TopoDS_Iterator(kept).Value();
    need_valid(call, result);
    finish(step, result, {before_named}, &split);
}

}  // namespace

// A bead (bead_sweep.cpp).
void bead_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
// A hollow with faces of their own thickness (body_ops.cpp).
void hollow_faces_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void sew_faces_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void subdivide_face_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);
void merge_faces_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);

void run_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    ensure_started();
    guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        need_finite(call, step.p);
        switch (step.op) {
            case Op::block:
            case Op::cylinder:
            case Op::cone:
            case Op::sphere:
            case Op::torus:
            case Op::prism:
            case Op::wire:
            case Op::form_tool:
            case Op::acorn: primitive(call, step); break;
            case Op::extrude:
            case Op::revolve:
            case Op::sweep: sweep(call, step); break;
            case Op::boolean: boolean(call, step, before, before_named); break;
            case Op::blend:
            case Op::chamfer:
                for (double r : step.p) need_positive(call, r, step.op == Op::blend ? "radius" : "distance");
                blend(call, step, before, before_named);
                break;
            case Op::varying_blend: blend(call, step, before, before_named); break;
            case Op::face_blend:
                need_positive(call, step.p[0], "radius");
                face_blend(call, step, before, before_named);
                break;
            case Op::transform:
            case Op::mirror:
            case Op::scale: transform(call, step, before, before_named); break;
            case Op::split:
            case Op::trim: cut_by_plane(call, step, before, before_named); break;
            case Op::hollow:
            case Op::thicken:
            case Op::offset: offset(call, step, before, before_named); break;
            case Op::section: section(call, step); break;
            case Op::imported: finish(step, step.other, {step.other_named.get()}, nullptr); break;
            case Op::plane: {
                const TopoDS_Shape face = profile_face(call, step.other);
                if (face.ShapeType() != TopAbs_FACE) call.fail(KERNEL_ERR_WRONG_ENTITY, "the profile is not closed");
                finish(step, face, {step.other_named.get()}, nullptr);
                break;
            }
            case Op::loft: loft(call, step); break;
            case Op::sew: sew(call, step, before, before_named); break;
            case Op::points_sheet:
            case Op::bsurface: sheet_from_grid(call, step); break;
            case Op::offset_faces: offset_faces(call, step, before, before_named); break;
            case Op::cut_sheet: cut_by_sheet(call, step, before, before_named); break;
            case Op::mesh: curve_mesh(call, step); break;
            case Op::first_piece: first_piece(call, step, before, before_named); break;
            case Op::bead: bead_step(call, step, before, before_named); break;
            case Op::faces_to_plane: faces_to_plane(call, step, before, before_named); break;
            case Op::resize_faces: resize_faces(call, step, before, before_named); break;
            case Op::region_transform: region_transform(call, step, before, before_named); break;
            case Op::offset_region: offset_region(call, step, before, before_named); break;
            case Op::hollow_faces: hollow_faces_step(call, step, before, before_named); break;
            case Op::sew_faces: sew_faces_step(call, step, before, before_named); break;
            case Op::subdivide_face: subdivide_face_step(call, step, before, before_named); break;
            case Op::merge_faces: merge_faces_step(call, step, before, before_named); break;
        }
    });
}

}  // namespace host::kernel::detail

// ---- the routines -------------------------------------------------------------

namespace hd = host::kernel::detail;

namespace {

using hd::Op;

std::vector<double> nums(std::initializer_list<const double*> arrays3, std::initializer_list<double> more) {
    std::vector<double> v;
    for (const double* a : arrays3) v.insert(v.end(), a, a + 3);
    v.insert(v.end(), more);
    return v;
}

// A new body made by one step.
int make_body(const host::Call& call, hd::Step step) {
    hd::run_step(call, step, TopoDS_Shape(), nullptr);
    hd::BodyState b;
    b.tag = hd::new_tag();
    b.shape = step.result;
    b.named = *step.named;
    b.add_step(std::move(step));
    hd::name_small(b, nullptr);
    const int tag = b.tag;
    hd::commit({std::move(b)}, {});
    return tag;
}

// Applies a step to a body (in place); `consumed` bodies go.
void edit_body(const host::Call& call, int body, hd::Step step, const std::vector<int>& consumed = {}) {
    const hd::Body old = hd::require_body(call, body);
    hd::run_step(call, step, old->shape, &old->named);
    hd::BodyState b = *old;
    b.shape = step.result;
    b.named = *step.named;
    b.add_step(std::move(step));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, consumed);
}

// The shape and tags of another body taken as an input of a step.
void take_other(const host::Call& call, hd::Step& step, int other) {
    const hd::Body o = hd::require_body(call, other);
    step.other = o->shape;
    step.other_named = std::make_shared<const hd::Named>(o->named);
}

hd::Step step_of(Op op, std::vector<double> p) {
    hd::Step s;
    s.op = op;
    s.p = std::move(p);
    return s;
}

// An edit of a body that works on n of its faces or edges.
void edit_at(const host::Call& call, int body, Op op, std::vector<double> p, int n, const int* refs, const char* what) {
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no %s given", what);
    call.need(refs, what);
    hd::Step s = step_of(op, std::move(p));
    s.refs.assign(refs, refs + n);
    edit_body(call, body, std::move(s));
}

}  // namespace

namespace host::kernel::detail {

std::vector<TopoDS_Shape> faces_by_tag(const Call& call, const Named* named, const std::vector<int>& tags) {
    return subs_by_tag(call, named, tags, true);
}
void finish_step(Step& step, const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
                 BRepBuilderAPI_MakeShape* history) {
    finish(step, result, inputs, history);
}
void need_valid_body(const Call& call, const TopoDS_Shape& shape) { need_valid(call, shape); }
void apply_step(const Call& call, int body, Step step, const std::vector<int>& consumed) {
    edit_body(call, body, std::move(step), consumed);
}

}  // namespace host::kernel::detail

extern "C" {

void ZQ_BODY_make_block(const double origin[3], const double size[3], int* body) {
    auto call = HOST_ENTRY(origin, size, body);
    call.need(origin, "the origin");
    call.need(size, "the size");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::block, nums({origin, size}, {})));
}

void ZQ_BODY_make_cylinder(const double base[3], const double axis[3], double radius, double height, int* body) {
    auto call = HOST_ENTRY(radius, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::cylinder, nums({base, axis}, {radius, height})));
}

void ZQ_BODY_make_cone(const double base[3], const double axis[3], double r1, double r2, double height, int* body) {
    auto call = HOST_ENTRY(r1, r2, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::cone, nums({base, axis}, {r1, r2, height})));
}

void ZQ_BODY_make_sphere(const double centre[3], double radius, int* body) {
    auto call = HOST_ENTRY(radius, body);
    call.need(centre, "the centre");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::sphere, nums({centre}, {radius})));
}

void ZQ_BODY_make_torus(const double centre[3], const double axis[3], double major, double minor, int* body) {
    auto call = HOST_ENTRY(major, minor, body);
    call.need(centre, "the centre");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::torus, nums({centre, axis}, {major, minor})));
}

void ZQ_BODY_make_prism(const double base[3], const double axis[3], double radius, int sides, double height,
                        int* body) {
    auto call = HOST_ENTRY(radius, sides, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::prism, nums({base, axis}, {radius, double(sides), height})));
}

void ZQ_BODY_make_form_tool(int n, const double numbers[], int* body) {
    auto call = HOST_ENTRY(n, numbers, body);
    call.need(numbers, "the numbers");
    call.need(body, "the body output");
    if (n < ZQ_FORM_FIRST_POINT) call.fail(HOST_ERR_BAD_ARGUMENT, "%d numbers make no tool", n);
    *body = make_body(call, step_of(Op::form_tool, std::vector<double>(numbers, numbers + n)));
}

void ZQ_BODY_make_wire(int n, const double points[], int closed, int* body) {
    auto call = HOST_ENTRY(n, points, closed, body);
    call.need(body, "the body output");
    if (n < 2 || (closed && n < 3)) call.fail(KERNEL_ERR_DEGENERATE, "a wire of %d points", n);
    call.need(points, "the points");
    std::vector<double> p(points, points + 3 * n);
    p.push_back(closed ? 1 : 0);
    *body = make_body(call, step_of(Op::wire, std::move(p)));
}

void ZQ_BODY_make_acorn(const double point[3], int* body) {
    auto call = HOST_ENTRY(point, body);
    call.need(point, "the point");
    call.need(body, "the body output");
    *body = make_body(call, step_of(Op::acorn, nums({point}, {})));
}

void ZQ_BODY_extrude(int profile, const double direction[3], double length, int* body) {
    auto call = HOST_ENTRY(profile, direction, length, body);
    call.need(direction, "the direction");
    call.need(body, "the body output");
    hd::Step s = step_of(Op::extrude, nums({direction}, {length}));
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_revolve(int profile, const double point[3], const double axis[3], double angle, int* body) {
    auto call = HOST_ENTRY(profile, point, axis, angle);
    call.need(point, "the axis point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    hd::Step s = step_of(Op::revolve, nums({point, axis}, {angle}));
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_sweep(int profile, int guide, int* body) {
    auto call = HOST_ENTRY(profile, guide, body);
    call.need(body, "the body output");
    hd::Step s = step_of(Op::sweep, {});
    take_other(call, s, profile);
    s.other2 = hd::require_body(call, guide)->shape;
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_make_plane_sheet(int profile, int* body) {
    auto call = HOST_ENTRY(profile, body);
    call.need(body, "the body output");
    hd::Step s = step_of(Op::plane, {});
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_through_curves(int n, const int profiles[], int solid, int ruled, int* body) {
    auto call = HOST_ENTRY(n, profiles, solid, ruled);
    call.need(body, "the body output");
    if (n < 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d profiles: two or more are needed", n);
    call.need(profiles, "the profiles");
    hd::Step s = step_of(Op::loft, {});
    s.mode = (solid ? 1 : 0) | (ruled ? 2 : 0);
    take_other(call, s, profiles[0]);
    for (int i = 0; i < n; ++i) s.more.push_back(hd::require_body(call, profiles[i])->shape);
    *body = make_body(call, std::move(s));
}

}  // extern "C"

namespace {
void grid_body(const host::Call& call, Op op, int nu, int nv, const double* points, std::vector<double> head,
               int* body) {
    call.need(body, "the body output");
    if (nu < 2 || nv < 2) call.fail(KERNEL_ERR_DEGENERATE, "a grid of %d x %d points", nu, nv);
    call.need(points, "the points");
    std::vector<double> p = std::move(head);
    p.insert(p.end(), points, points + 3 * nu * nv);
    *body = make_body(call, step_of(op, std::move(p)));
}
}  // namespace

extern "C" {

void ZQ_BODY_curve_mesh(int boundary, int n, const int curves[], int* body) {
    auto call = HOST_ENTRY(boundary, n, curves, body);
    call.need(body, "the body output");
    if (n > 0) call.need(curves, "the curves");
    hd::Step s = step_of(Op::mesh, {});
    take_other(call, s, boundary);
    for (int i = 0; i < n; ++i) s.more.push_back(hd::require_body(call, curves[i])->shape);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_points_sheet(int nu, int nv, const double points[], int* body) {
    auto call = HOST_ENTRY(nu, nv, points, body);
    grid_body(call, Op::points_sheet, nu, nv, points, {double(nu), double(nv)}, body);
}

void ZQ_BODY_bsurface(int nu, int nv, const double poles[], int degree_u, int degree_v, int* body) {
    auto call = HOST_ENTRY(nu, nv, degree_u, degree_v);
    if (degree_u < 1 || degree_v < 1 || degree_u >= nu || degree_v >= nv || degree_u > 25 || degree_v > 25)
        call.fail(KERNEL_ERR_DEGENERATE, "degrees %d x %d do not fit %d x %d poles", degree_u, degree_v, nu, nv);
    grid_body(call, Op::bsurface, nu, nv, poles, {double(nu), double(nv), double(degree_u), double(degree_v)}, body);
}

void ZQ_BODY_sew(int body, int n, const int sheets[], double tolerance) {
    auto call = HOST_ENTRY(body, n, sheets, tolerance);
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no sheets to sew");
    call.need(sheets, "the sheets");
    hd::Step s = step_of(Op::sew, {tolerance});
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    auto named = std::make_shared<hd::Named>();
    for (int i = 0; i < n; ++i) {
        if (sheets[i] == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is sewn onto itself", body);
        const hd::Body sheet = hd::require_body(call, sheets[i]);
        if (hd::body_type(sheet->shape) != ZQ_BODY_SHEET)
            call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", sheets[i]);
        builder.Add(all, sheet->shape);
        named->faces.insert(named->faces.end(), sheet->named.faces.begin(), sheet->named.faces.end());
        named->edges.insert(named->edges.end(), sheet->named.edges.begin(), sheet->named.edges.end());
    }
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SHEET)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", body);
    s.other = all;
    s.other_named = std::move(named);
    edit_body(call, body, std::move(s), std::vector<int>(sheets, sheets + n));
}

void ZQ_BODY_offset_faces(int body, int n, const int faces[], double distance) {
    auto call = HOST_ENTRY(body, n, faces, distance);
    edit_at(call, body, Op::offset_faces, {distance}, n, faces, "faces to offset");
}

void ZQ_BODY_boolean(int target, int tool, int operation) {
    auto call = HOST_ENTRY(target, tool, operation);
    if (operation < ZQ_UNITE || operation > ZQ_INTERSECT)
        call.fail(HOST_ERR_BAD_ARGUMENT, "boolean operation %d is none of 1 to 3", operation);
    if (target == tool) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is target and tool", target);
    hd::require_body(call, target);
    hd::Step s = step_of(Op::boolean, {});
    s.mode = operation;
    take_other(call, s, tool);
    // A primitive tool's numbers become the boolean's: editing them moves
    // or resizes the tool when the body is made again.
    const hd::Body t = hd::require_body(call, tool);
    if (t->steps.size() == 1 && (t->steps[0]->op <= Op::prism || t->steps[0]->op == Op::form_tool)) {
        s.tool = t->steps[0];
        s.p = s.tool->p;
    }
    edit_body(call, target, std::move(s), {tool});
}

void ZQ_BODY_blend_edges(int body, int n, const int edges[], double r1, double r2) {
    auto call = HOST_ENTRY(body, n, r1, r2);
    edit_at(call, body, Op::blend, {r1, r2}, n, edges, "edges to blend");
}

void ZQ_BODY_blend_edges_varying(int body, int n, const int edges[], int n_numbers, const double numbers[]) {
    auto call = HOST_ENTRY(body, n, n_numbers);
    if (n_numbers < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no radius given");
    call.need(numbers, "the radii");
    edit_at(call, body, Op::varying_blend, std::vector<double>(numbers, numbers + n_numbers), n, edges,
            "edges to blend");
}

void ZQ_BODY_blend_faces(int body, int face1, int face2, double radius) {
    auto call = HOST_ENTRY(body, face1, face2, radius);
    const int faces[2] = {face1, face2};
    edit_at(call, body, Op::face_blend, {radius}, 2, faces, "faces to blend");
}

void ZQ_BODY_blend_face_sets(int body, int n_first, const int first[], int n_second, const int second[],
                             double radius) {
    auto call = HOST_ENTRY(body, n_first, n_second, radius);
    if (n_first < 1 || n_second < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a face set is empty");
    call.need(first, "the first faces");
    call.need(second, "the second faces");
    std::vector<int> faces(first, first + n_first);
    faces.insert(faces.end(), second, second + n_second);
    edit_at(call, body, Op::face_blend, {radius, static_cast<double>(n_first)}, static_cast<int>(faces.size()),
            faces.data(), "faces to blend");
}

void ZQ_BODY_chamfer_edges(int body, int n, const int edges[], double distance) {
    auto call = HOST_ENTRY(body, n, distance);
    edit_at(call, body, Op::chamfer, {distance}, n, edges, "edges to chamfer");
}

void ZQ_BODY_chamfer_edges2(int body, int n, const int edges[], double d1, double d2) {
    auto call = HOST_ENTRY(body, n, d1, d2);
    edit_at(call, body, Op::chamfer, d1 == d2 ? std::vector<double>{d1} : std::vector<double>{d1, d2}, n, edges,
            "edges to chamfer");
}

void ZQ_BODY_transform(int body, const double matrix[12]) {
    auto call = HOST_ENTRY(body, matrix);
    call.need(matrix, "the matrix");
    edit_body(call, body, step_of(Op::transform, std::vector<double>(matrix, matrix + 12)));
}

void ZQ_BODY_mirror(int body, const double point[3], const double normal[3]) {
    auto call = HOST_ENTRY(body, point, normal);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    edit_body(call, body, step_of(Op::mirror, nums({point, normal}, {})));
}

void ZQ_BODY_scale(int body, const double centre[3], double factor) {
    auto call = HOST_ENTRY(body, centre, factor);
    call.need(centre, "the centre");
    edit_body(call, body, step_of(Op::scale, nums({centre}, {factor})));
}

}  // extern "C"

namespace {
// Splits a body in two by the step's plane or sheet: the body keeps what
// lies behind, the new body *front takes the rest.
void split_body(const host::Call& call, int body, hd::Step back, int* front) {
    const hd::Body old = hd::require_body(call, body);
    hd::Step ahead = back;
    hd::run_step(call, back, old->shape, &old->named);
    // The front piece is a new body: the faces and edges it has of the
    // body's take new tags (the back piece keeps the old ones).
    ahead.mode = 1;
    hd::run_step(call, ahead, old->shape, &old->named);
    ahead.p.clear();  // the front body is made by the split alone: it is not made again
    ahead.op = Op::imported;
    ahead.other = ahead.result;
    ahead.other_named = ahead.named;

    hd::BodyState b = *old;
    b.shape = back.result;
    b.named = *back.named;
    b.add_step(std::move(back));
    hd::name_small(b, old.get());
    hd::BodyState f;
    f.tag = hd::new_tag();
    f.shape = ahead.result;
    f.named = *ahead.named;
    f.add_step(std::move(ahead));
    hd::name_small(f, nullptr);
    *front = f.tag;
    std::vector<hd::BodyState> put;
    put.push_back(std::move(b));
    put.push_back(std::move(f));
    hd::commit(std::move(put), {});
}

hd::Step sheet_step(const host::Call& call, int body, int sheet) {
    if (body == sheet) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d cuts itself", body);
    hd::Step s = step_of(Op::cut_sheet, {});
    const hd::Body tool = hd::require_body(call, sheet);
    if (hd::body_type(tool->shape) != ZQ_BODY_SHEET) call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", sheet);
    s.other = tool->shape;
    return s;
}
}  // namespace

extern "C" {

void ZQ_BODY_split_by_plane(int body, const double point[3], const double normal[3], int* front) {
    auto call = HOST_ENTRY(body, point, normal, front);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    call.need(front, "the front body output");
    split_body(call, body, step_of(Op::split, nums({point, normal}, {})), front);
}

void ZQ_BODY_split_by_sheet(int body, int sheet, int* front) {
    auto call = HOST_ENTRY(body, sheet, front);
    call.need(front, "the front body output");
    split_body(call, body, sheet_step(call, body, sheet), front);
}

void ZQ_BODY_trim_by_sheet(int body, int sheet) {
    auto call = HOST_ENTRY(body, sheet);
    edit_body(call, body, sheet_step(call, body, sheet));
}

void ZQ_BODY_trim_by_plane(int body, const double point[3], const double normal[3]) {
    auto call = HOST_ENTRY(body, point, normal);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    edit_body(call, body, step_of(Op::trim, nums({point, normal}, {})));
}

}  // extern "C"

namespace host::kernel::detail {

BodyState imported_body(const Call& call, const TopoDS_Shape& shape) {
    Step s;
    s.op = Op::imported;
    s.other = shape;
    run_step(call, s, TopoDS_Shape(), nullptr);
    BodyState b;
    b.tag = new_tag();
    b.shape = s.result;
    b.named = *s.named;
    b.add_step(std::move(s));
    name_small(b, nullptr);
    return b;
}

int commit_checked(const Call& call, const TopoDS_Shape& shape, const char* what) {
    BRepCheck_Analyzer check(shape);
    if (!check.IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the %s would be invalid", what);
    Step s;
    s.op = Op::imported;
    s.result = shape;
    s.named = std::make_shared<const Named>(name_result(shape, {}, nullptr, s.names, false));
    return commit_result(std::move(s));
}

int commit_result(Step s) {
    s.op = Op::imported;
    s.p.clear();
    s.other = s.result;
    s.other_named = s.named;
    BodyState b;
    b.tag = new_tag();
    b.shape = s.result;
    b.named = *s.named;
    b.add_step(std::move(s));
    name_small(b, nullptr);
    const int tag = b.tag;
    commit({std::move(b)}, {});
    return tag;
}

}  // namespace host::kernel::detail

extern "C" {

void ZQ_BODY_section_by_plane(int body, const double point[3], const double normal[3], int* wire) {
    auto call = HOST_ENTRY(body, point, normal, wire);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    call.need(wire, "the wire output");
    hd::Step s = step_of(Op::section, nums({point, normal}, {}));
    take_other(call, s, body);
    hd::run_step(call, s, TopoDS_Shape(), nullptr);
    // A section is a result, not a recipe: the new wire body keeps its shape.
    *wire = hd::commit_result(std::move(s));
}

void ZQ_BODY_hollow(int body, int n, const int faces[], double thickness) {
    auto call = HOST_ENTRY(body, n, faces, thickness);
    edit_at(call, body, Op::hollow, {thickness}, n, faces, "faces to open");
}

void ZQ_BODY_thicken(int body, double thickness) {
    auto call = HOST_ENTRY(body, thickness);
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SHEET)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", body);
    edit_body(call, body, step_of(Op::thicken, {thickness}));
}

void ZQ_BODY_offset(int body, double distance) {
    auto call = HOST_ENTRY(body, distance);
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SOLID)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no solid", body);
    edit_body(call, body, step_of(Op::offset, {distance}));
}

void ZQ_ENTITY_delete(int body) {
    auto call = HOST_ENTRY(body);
    if (hd::drop_point(body)) return;
    hd::require_body(call, body);
    hd::commit({}, {body});
}

void ZQ_BODY_ask_step_count(int body, int* count) {
    auto call = HOST_ENTRY(body, count);
    call.need(count, "the count output");
    *count = static_cast<int>(hd::require_body(call, body)->steps.size());
}

namespace {
// The step of the regeneration that failed last (-1: none).
int failed_step = -1;

// Changes one step of the body (a copy: the states share their steps) and
// marks it for the next regeneration.
void change_step(const host::Call& call, int body, int step, const std::function<void(hd::Step&)>& change) {
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
}  // namespace

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

void ZQ_BODY_replace_step_tool(int body, int step, int tool) {
    auto call = HOST_ENTRY(body, step, tool);
    if (tool == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is target and tool", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body t = hd::require_body(call, tool);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) || old->steps[step]->op != Op::boolean)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, body);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(*b.steps[step]);
    edited->tool.reset();
    edited->p.clear();
    edited->other = t->shape;
    edited->other_named = std::make_shared<const hd::Named>(t->named);
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {tool});
}

void ZQ_BODY_replace_sew_sheet(int body, int step, int index, int sheet) {
    auto call = HOST_ENTRY(body, step, index, sheet);
    if (sheet == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is sewn onto itself", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body made = hd::require_body(call, sheet);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) || old->steps[step]->op != Op::sew)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no sew of sheets", step, body);
    if (hd::body_type(made->shape) != ZQ_BODY_SHEET) call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", sheet);
    const hd::Step& was = *old->steps[step];
    std::vector<TopoDS_Shape> sheets;
    for (TopoDS_Iterator it(was.other); it.More(); it.Next()) sheets.push_back(it.Value());
    if (index < 0 || index >= static_cast<int>(sheets.size()))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d sews no sheet %d", step, body, index);
    // The faces and edges of the sheet replaced leave the step's names;
    // the new sheet's come in.
    TopTools_IndexedMapOfShape leaving;
    TopExp::MapShapes(sheets[static_cast<std::size_t>(index)], TopAbs_FACE, leaving);
    TopExp::MapShapes(sheets[static_cast<std::size_t>(index)], TopAbs_EDGE, leaving);
    auto named = std::make_shared<hd::Named>();
    if (was.other_named)
        for (auto [from, to] : {std::pair{&was.other_named->faces, &named->faces},
                                std::pair{&was.other_named->edges, &named->edges}})
            for (const hd::Sub& x : *from)
                if (!leaving.Contains(x.shape)) to->push_back(x);
    named->faces.insert(named->faces.end(), made->named.faces.begin(), made->named.faces.end());
    named->edges.insert(named->edges.end(), made->named.edges.begin(), made->named.edges.end());
    sheets[static_cast<std::size_t>(index)] = made->shape;
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    for (const TopoDS_Shape& s : sheets) builder.Add(all, s);
    hd::BodyState b = *old;
    auto edited = std::make_shared<hd::Step>(was);
    edited->other = all;
    edited->other_named = std::move(named);
    edited->edited = true;
    b.steps[step] = std::move(edited);
    hd::commit({std::move(b)}, {sheet});
}

void ZQ_BODY_take_step(int from, int step, int to) {
    auto call = HOST_ENTRY(from, step, to);
    if (from == to) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d gives a step to itself", from);
    const hd::Body src = hd::require_body(call, from);
    if (step < 1 || step >= static_cast<int>(src->steps.size()) || src->steps[step]->op != Op::boolean)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, from);
    hd::Step moved = *src->steps[step];
    moved.edited = moved.skipped = false;
    edit_body(call, to, std::move(moved));
    change_step(call, from, step, [](hd::Step& s) { s.skipped = true; });
    ZQ_BODY_regenerate(from);
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
    b.named = *named;
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, {});
}

}  // extern "C"
