// The solid kernel's sheets from faces, sheets and points (derived_sheets.h).
#include "host/kernel/ops/derived_sheets.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepOffsetAPI_MakeThickSolid.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_Surface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/step_support.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace {

using Call = host::Call;

constexpr int kSamples = 16;  // grid intervals of a fitted surface

int commit(const Call& call, const TopoDS_Shape& shape) { return hd::commit_checked(call, shape, "sheet"); }

TopoDS_Face face_of(const Call& call, int tag) {
    int cls = 0;
    const TopoDS_Shape s = hd::shape_of(call, tag, &cls);
    if (cls != ZQ_CLASS_FACE) call.fail(KERNEL_ERR_WRONG_ENTITY, "kernel tag %d is no face", tag);
    return TopoDS::Face(s);
}

TopoDS_Shape sheet_of(const Call& call, int body) {
    const hd::Body b = hd::require_body(call, body);
    if (hd::body_type(b->shape) != ZQ_BODY_SHEET) call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", body);
    return b->shape;
}

// Solves a x = b (n x n, row-major) by elimination with partial pivoting;
// false when the matrix is singular.
bool solve(std::vector<double> a, std::vector<double>& b, int n) {
    double scale = 0;
    for (double v : a) scale = std::max(scale, std::abs(v));
    if (!(scale > 0)) return false;
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(a[r * n + c]) > std::abs(a[p * n + c])) p = r;
        if (std::abs(a[p * n + c]) <= 1e-12 * scale) return false;
        if (p != c) {
            for (int k = 0; k < n; ++k) std::swap(a[p * n + k], a[c * n + k]);
            std::swap(b[p], b[c]);
        }
        for (int r = c + 1; r < n; ++r) {
            const double f = a[r * n + c] / a[c * n + c];
            if (f == 0) continue;
            for (int k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
            b[r] -= f * b[c];
        }
    }
    for (int c = n - 1; c >= 0; --c) {
        double s = b[c];
        for (int k = c + 1; k < n; ++k) s -= a[c * n + k] * b[k];
        b[c] = s / a[c * n + c];
    }
    return true;
}

// The distance function through the four points: coefficients of
// 1, u, v, uv.
std::array<double, 4> distance_law(const double d[4], const double uv[8]) {
    std::vector<double> a(16), b(d, d + 4);
    for (int i = 0; i < 4; ++i) {
        const double u = uv[2 * i], v = uv[2 * i + 1];
        a[i * 4 + 0] = 1;
        a[i * 4 + 1] = u;
        a[i * 4 + 2] = v;
        a[i * 4 + 3] = u * v;
    }
    if (solve(a, b, 4)) return {b[0], b[1], b[2], b[3]};
    // Least squares over 1, u, v.
    std::vector<double> n(9, 0.0), r(3, 0.0);
    for (int i = 0; i < 4; ++i) {
        const double row[3] = {1, uv[2 * i], uv[2 * i + 1]};
        for (int j = 0; j < 3; ++j) {
            r[j] += row[j] * d[i];
            for (int k = 0; k < 3; ++k) n[j * 3 + k] += row[j] * row[k];
        }
    }
    if (solve(n, r, 3)) return {r[0], r[1], r[2], 0};
    return {(d[0] + d[1] + d[2] + d[3]) / 4, 0, 0, 0};
}

TopoDS_Face face_on(const Call& call, const Handle(Geom_Surface) & s, double u0, double u1, double v0, double v1) {
    BRepBuilderAPI_MakeFace make(s, u0, u1, v0, v1, 1e-7);
    if (!make.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no face can be made on the surface");
    return make.Face();
}

Handle(Geom_Surface) fit_grid(const Call& call, const TColgp_Array2OfPnt& grid, double tolerance) {
    GeomAPI_PointsToBSplineSurface fit;
    fit.Init(grid, 3, 8, GeomAbs_C2, std::max(tolerance, 1e-7));
    if (!fit.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface fits the points");
    return Handle(Geom_Surface)(fit.Surface());
}

// The unit normal of the face at (u, v), turned with the face.
gp_Dir normal_at(const Call& call, const TopoDS_Face& f, double u, double v) {
    BRepAdaptor_Surface s(f);
    BRepLProp_SLProps props(s, u, v, 1, 1e-9);
    if (!props.IsNormalDefined()) call.fail(KERNEL_ERR_DEGENERATE, "the face has no normal at (%g, %g)", u, v);
    gp_Dir n = props.Normal();
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

// Cox-de Boor: the values of the n basis functions of the degree at t over
// the flat knot vector.
std::vector<double> basis(const std::vector<double>& knots, int degree, int n, double t) {
    const int m = static_cast<int>(knots.size()) - 1;
    std::vector<double> b(m, 0.0);
    int span = degree;
    while (span < n - 1 && t >= knots[span + 1]) ++span;
    b[span] = 1;
    for (int p = 1; p <= degree; ++p)
        for (int i = 0; i + p < m; ++i) {
            double v = 0;
            const double l = knots[i + p] - knots[i], r = knots[i + p + 1] - knots[i + 1];
            if (l > 0) v += (t - knots[i]) / l * b[i];
            if (r > 0) v += (knots[i + p + 1] - t) / r * b[i + 1];
            b[i] = v;
        }
    b.resize(n);
    return b;
}

// Uniform clamped knots over [lo, hi]: flat, distinct and multiplicities.
struct Knots {
    std::vector<double> flat;
    TColStd_Array1OfReal distinct;
    TColStd_Array1OfInteger mults;
    Knots(double lo, double hi, int degree, int patches) : distinct(1, patches + 1), mults(1, patches + 1) {
        for (int i = 0; i <= patches; ++i) {
            const double k = lo + (hi - lo) * i / patches;
            distinct(i + 1) = k;
            const int m = i == 0 || i == patches ? degree + 1 : 1;
            mults(i + 1) = m;
            flat.insert(flat.end(), m, k);
        }
    }
    // Where the pole's influence centres (linear functions keep their
    // values there).
    double greville(int i, int degree) const {
        double s = 0;
        for (int k = 1; k <= degree; ++k) s += flat[i + k];
        return s / degree;
    }
};

}  // namespace

extern "C" {

void ZQ_FFS_offset_face(int face, const double distances[4], const double uv[8], double tolerance, int* body) {
    auto call = HOST_ENTRY(face, distances, uv, body);
    call.need(distances, "the distances");
    call.need(uv, "the points");
    call.need(body, "the body output");
    hd::ensure_started();
    const TopoDS_Face f = face_of(call, face);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        const Handle(Geom_Surface) s = BRep_Tool::Surface(f);
        double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        const double sign = f.Orientation() == TopAbs_REVERSED ? -1.0 : 1.0;
        const bool equal = distances[1] == distances[0] && distances[2] == distances[0] && distances[3] == distances[0];
        if (equal) {
            const Handle(Geom_Surface) off = new Geom_OffsetSurface(s, sign * distances[0]);
            return commit(call, face_on(call, off, u0, u1, v0, v1));
        }
        const std::array<double, 4> law = distance_law(distances, uv);
        TColgp_Array2OfPnt grid(1, kSamples + 1, 1, kSamples + 1);
        for (int i = 0; i <= kSamples; ++i)
            for (int j = 0; j <= kSamples; ++j) {
                const double u = u0 + (u1 - u0) * i / kSamples, v = v0 + (v1 - v0) * j / kSamples;
                const double d = law[0] + law[1] * u + law[2] * v + law[3] * u * v;
                const gp_Dir n = normal_at(call, f, u, v);
                grid(i + 1, j + 1) = s->Value(u, v).Translated(gp_Vec(n) * d);
            }
        const Handle(Geom_Surface) fitted = fit_grid(call, grid, tolerance);
        double a0 = 0, a1 = 0, b0 = 0, b1 = 0;
        fitted->Bounds(a0, a1, b0, b1);
        return commit(call, face_on(call, fitted, a0, a1, b0, b1));
    });
}

void ZQ_FFS_thicken(int sheet, double first, double second, int* body) {
    auto call = HOST_ENTRY(sheet, first, second, body);
    call.need(body, "the body output");
    hd::ensure_started();
    sheet_of(call, sheet);
    const hd::Body b = hd::require_body(call, sheet);
    // The offsets widen the tolerances of what they work on: a copy.
    const hd::Copied copy(b->shape, &b->named());
    const TopoDS_Shape shape = copy.shape;
    if (!std::isfinite(first) || !std::isfinite(second) || first == second)
        call.fail(KERNEL_ERR_DEGENERATE, "offsets %g and %g enclose nothing", first, second);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        TopoDS_Shape base = shape;
        if (second != 0) {
            BRepOffsetAPI_MakeOffsetShape off;
            off.PerformBySimple(shape, second);
            if (!off.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the sheet cannot be offset by %g", second);
            base = off.Shape();
        }
        BRepOffsetAPI_MakeThickSolid thick;
        thick.MakeThickSolidBySimple(base, first - second);
        if (!thick.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the sheet cannot be thickened");
        TopoDS_Shape result = thick.Shape();
        if (result.ShapeType() == TopAbs_SHELL) result = BRepBuilderAPI_MakeSolid(TopoDS::Shell(result)).Solid();
        if (!TopExp_Explorer(result, TopAbs_SOLID).More()) call.fail(KERNEL_ERR_NOT_DONE, "no solid came out");
        return commit(call, hd::material_inside(result));
    });
}

void ZQ_FFS_cloud(int n, const double points[], const double frame[9], int degree_u, int degree_v, int patches_u,
                  int patches_v, double fit[3], int* body) {
    auto call = HOST_ENTRY(n, points, frame, body);
    call.need(points, "the points");
    call.need(body, "the body output");
    if (degree_u < 1 || degree_v < 1 || patches_u < 1 || patches_v < 1 || degree_u > 25 || degree_v > 25)
        call.fail(KERNEL_ERR_DEGENERATE, "degrees %d x %d, patches %d x %d", degree_u, degree_v, patches_u, patches_v);
    const long long nu = static_cast<long long>(patches_u) + degree_u, nv = static_cast<long long>(patches_v) + degree_v;
    if (nu * nv > n || nu * nv > 4096) call.fail(KERNEL_ERR_DEGENERATE, "%d points fix no surface of %lld poles", n, nu * nv);
    hd::ensure_started();
    static constexpr double kWorld[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double* m = frame ? frame : kWorld;
    const gp_Vec axis[3] = {{m[0], m[1], m[2]}, {m[3], m[4], m[5]}, {m[6], m[7], m[8]}};
    std::vector<std::array<double, 3>> local(n);
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (int i = 0; i < n; ++i) {
        const gp_Vec p(points[3 * i], points[3 * i + 1], points[3 * i + 2]);
        for (int k = 0; k < 3; ++k) local[i][k] = p.Dot(axis[k]);
        for (int k = 0; k < 2; ++k) lo[k] = std::min(lo[k], local[i][k]), hi[k] = std::max(hi[k], local[i][k]);
    }
    if (!(hi[0] - lo[0] > 1e-9) || !(hi[1] - lo[1] > 1e-9))
        call.fail(KERNEL_ERR_DEGENERATE, "the points span no area over the frame");
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        const Knots ku(lo[0], hi[0], degree_u, patches_u), kv(lo[1], hi[1], degree_v, patches_v);
        const int iu = static_cast<int>(nu), iv = static_cast<int>(nv), unknowns = iu * iv;
        // Normal equations of the heights' least squares.
        std::vector<double> a(static_cast<std::size_t>(unknowns) * unknowns, 0.0), r(unknowns, 0.0);
        for (int i = 0; i < n; ++i) {
            const std::vector<double> bu = basis(ku.flat, degree_u, iu, local[i][0]);
            const std::vector<double> bv = basis(kv.flat, degree_v, iv, local[i][1]);
            std::vector<std::pair<int, double>> row;
            for (int x = 0; x < iu; ++x)
                for (int y = 0; y < iv; ++y)
                    if (bu[x] * bv[y] != 0) row.emplace_back(x * iv + y, bu[x] * bv[y]);
            for (const auto& [j, wj] : row) {
                r[j] += wj * local[i][2];
                for (const auto& [k, wk] : row) a[static_cast<std::size_t>(j) * unknowns + k] += wj * wk;
            }
        }
        if (!solve(a, r, unknowns)) call.fail(KERNEL_ERR_NOT_DONE, "the points do not fix every pole");
        if (fit) {
            double sum = 0, worst = -1;
            int farthest = 0;
            for (int i = 0; i < n; ++i) {
                const std::vector<double> bu = basis(ku.flat, degree_u, iu, local[i][0]);
                const std::vector<double> bv = basis(kv.flat, degree_v, iv, local[i][1]);
                double z = 0;
                for (int x = 0; x < iu; ++x)
                    for (int y = 0; y < iv; ++y) z += bu[x] * bv[y] * r[x * iv + y];
                const double off = std::abs(z - local[i][2]);
                sum += off;
                if (off > worst) worst = off, farthest = i;
            }
            fit[0] = sum / n;
            fit[1] = worst;
            fit[2] = farthest;
        }
        TColgp_Array2OfPnt poles(1, iu, 1, iv);
        for (int x = 0; x < iu; ++x)
            for (int y = 0; y < iv; ++y) {
                const gp_Vec p = axis[0] * ku.greville(x, degree_u) + axis[1] * kv.greville(y, degree_v) +
                                 axis[2] * r[x * iv + y];
                poles(x + 1, y + 1) = gp_Pnt(p.XYZ());
            }
        const Handle(Geom_Surface) s =
            new Geom_BSplineSurface(poles, ku.distinct, kv.distinct, ku.mults, kv.mults, degree_u, degree_v);
        return commit(call, face_on(call, s, lo[0], hi[0], lo[1], hi[1]));
    });
}

void ZQ_FFS_reverse(int sheet) {
    auto call = HOST_ENTRY(sheet);
    hd::ensure_started();
    const TopoDS_Shape shape = sheet_of(call, sheet);
    const hd::Body old = hd::require_body(call, sheet);
    hd::Step s;
    s.kind = &hd::steps::imported;
    s.other = shape.Reversed();
    s.other_named = std::make_shared<hd::Named>(old->named());
    hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] { hd::edit_body(call, sheet, std::move(s)); });
}

int ZQ_FFS_reverse_again(int sheet, int step) {
    auto call = HOST_ENTRY(sheet, step);
    int status;
    if (call.status(status)) return status;
    const hd::Body b = hd::require_body(call, sheet);
    if (step < 1 || static_cast<std::size_t>(step) >= b->steps.size() || !b->steps[step]->is(hd::steps::imported))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no reversal", step, sheet);
    const hd::Step& before = *b->steps[step - 1];
    // A reversal shares the shapes it turns over.
    if (b->steps[step]->other.TShape() == before.result.TShape()) return 0;
    auto s = std::make_shared<hd::Step>(*b->steps[step]);
    s->other = before.result.Reversed();
    s->other_named = before.named;
    s->edited = true;
    hd::BodyState n = *b;
    n.steps[step] = std::move(s);
    hd::commit({std::move(n)}, {});
    return 1;
}

}  // extern "C"
