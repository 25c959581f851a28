// Sheets: the face of a closed planar profile, a surface through a grid
// of points or over a grid of poles, a surface filling a boundary of curves
// and a body through a row of sections.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepOffsetAPI_MakeFilling.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <vector>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind plane, loft, points_sheet, bsurface, mesh;
}  // namespace steps

namespace {

void plane_sheet(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    const TopoDS_Shape face = profile_face(call, step.other);
    if (face.ShapeType() != TopAbs_FACE) call.fail(KERNEL_ERR_WRONG_ENTITY, "the profile is not closed");
    finish_step(step, face, {step.other_named.get()}, nullptr);
}

void sheet_from_grid(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    const int nu = static_cast<int>(step.p[0]), nv = static_cast<int>(step.p[1]);
    const int base = step.is(steps::bsurface) ? 4 : 2;
    TColgp_Array2OfPnt grid(1, nu, 1, nv);
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) grid(i + 1, j + 1) = point(&step.p[base + 3 * (j * nu + i)]);
    Handle(Geom_Surface) surface;
    if (step.is(steps::points_sheet)) {
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
    finish_step(step, face.Shape(), {}, nullptr);
}

void curve_mesh(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
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
    finish_step(step, fill.Shape(), {step.other_named.get()}, &fill);
}

void loft(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    BRepOffsetAPI_ThruSections algo(step.mode & 1, (step.mode & 2) != 0);
    for (const TopoDS_Shape& s : step.more) {
        TopExp_Explorer w(s, TopAbs_WIRE);
        if (w.More()) algo.AddWire(TopoDS::Wire(w.Current()));
        else if (TopExp_Explorer v(s, TopAbs_VERTEX); v.More()) algo.AddVertex(TopoDS::Vertex(v.Current()));
    }
    algo.Build();
    need_done(call, algo, KERNEL_ERR_NOT_DONE);
    need_valid(call, algo.Shape());
    finish_step(step, algo.Shape(), {step.other_named.get()}, &algo);
}

void grid_body(const Call& call, const StepKind& kind, int nu, int nv, const double* points, std::vector<double> head,
               int* body) {
    call.need(body, "the body output");
    if (nu < 2 || nv < 2) call.fail(KERNEL_ERR_DEGENERATE, "a grid of %d x %d points", nu, nv);
    call.need(points, "the points");
    std::vector<double> p = std::move(head);
    p.insert(p.end(), points, points + 3 * nu * nv);
    *body = make_body(call, step_of(kind, std::move(p)));
}

}  // namespace

namespace steps {
const StepKind plane = {24, "plane", hd::plane_sheet, kStepFromOthers};
const StepKind loft = {25, "loft", hd::loft, kStepFromOthers};
const StepKind points_sheet = {27, "points_sheet", hd::sheet_from_grid, 0};
const StepKind bsurface = {28, "bsurface", hd::sheet_from_grid, 0};
const StepKind mesh = {31, "mesh", hd::curve_mesh, kStepFromOthers};
}  // namespace steps

const StepKindRegistration registered{steps::plane, steps::loft, steps::points_sheet, steps::bsurface, steps::mesh};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_make_plane_sheet(int profile, int* body) {
    auto call = HOST_ENTRY(profile, body);
    call.need(body, "the body output");
    hd::Step s = step_of(steps::plane, {});
    take_other(call, s, profile);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_through_curves(int n, const int profiles[], int solid, int ruled, int* body) {
    auto call = HOST_ENTRY(n, profiles, solid, ruled);
    call.need(body, "the body output");
    if (n < 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d profiles: two or more are needed", n);
    call.need(profiles, "the profiles");
    hd::Step s = step_of(steps::loft, {});
    s.mode = (solid ? 1 : 0) | (ruled ? 2 : 0);
    take_other(call, s, profiles[0]);
    for (int i = 0; i < n; ++i) s.more.push_back(hd::require_body(call, profiles[i])->shape);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_curve_mesh(int boundary, int n, const int curves[], int* body) {
    auto call = HOST_ENTRY(boundary, n, curves, body);
    call.need(body, "the body output");
    if (n > 0) call.need(curves, "the curves");
    hd::Step s = step_of(steps::mesh, {});
    take_other(call, s, boundary);
    for (int i = 0; i < n; ++i) s.more.push_back(hd::require_body(call, curves[i])->shape);
    *body = make_body(call, std::move(s));
}

void ZQ_BODY_points_sheet(int nu, int nv, const double points[], int* body) {
    auto call = HOST_ENTRY(nu, nv, points, body);
    grid_body(call, steps::points_sheet, nu, nv, points, {double(nu), double(nv)}, body);
}

void ZQ_BODY_bsurface(int nu, int nv, const double poles[], int degree_u, int degree_v, int* body) {
    auto call = HOST_ENTRY(nu, nv, degree_u, degree_v);
    if (degree_u < 1 || degree_v < 1 || degree_u >= nu || degree_v >= nv || degree_u > 25 || degree_v > 25)
        call.fail(KERNEL_ERR_DEGENERATE, "degrees %d x %d do not fit %d x %d poles", degree_u, degree_v, nu, nv);
    grid_body(call, steps::bsurface, nu, nv, poles, {double(nu), double(nv), double(degree_u), double(degree_v)}, body);
}

}  // extern "C"
