// Bodies made from numbers alone: blocks, cylinders, cones, spheres, tori,
// prisms, wires, acorns and the tool shapes of tool_shapes.cpp.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>

#include <cmath>
#include <numbers>
#include <vector>

#include "host/kernel/engine/step_support.h"
#include "host/kernel/ops/tool_shapes.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind block, cylinder, cone, sphere, torus, prism, wire, acorn, tool;
}  // namespace steps

// The solid of a tool's numbers (tool_shapes.cpp).
TopoDS_Shape form_tool_shape(const Call& call, const std::vector<double>& p);

namespace {

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

void primitive(const Call& call, Step& step, const TopoDS_Shape&, const Named*) {
    const std::vector<double>& p = step.p;
    need_finite(call, p);
    TopoDS_Shape s;
    if (step.is(steps::block)) {
        need_positive(call, p[3], "length");
        need_positive(call, p[4], "width");
        need_positive(call, p[5], "height");
        s = BRepPrimAPI_MakeBox(point(&p[0]), p[3], p[4], p[5]).Shape();
    } else if (step.is(steps::cylinder)) {
        need_positive(call, p[6], "radius");
        need_positive(call, p[7], "height");
        s = BRepPrimAPI_MakeCylinder(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7]).Shape();
    } else if (step.is(steps::cone)) {
        if (!(p[6] >= 0 && p[7] >= 0) || (!positive(p[6]) && !positive(p[7])) || std::fabs(p[6] - p[7]) < kLinear)
            call.fail(KERNEL_ERR_DEGENERATE, "the cone's radii %g and %g do not make a cone", p[6], p[7]);
        need_positive(call, p[8], "height");
        s = BRepPrimAPI_MakeCone(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7], p[8]).Shape();
    } else if (step.is(steps::sphere)) {
        need_positive(call, p[3], "radius");
        s = BRepPrimAPI_MakeSphere(point(&p[0]), p[3]).Shape();
    } else if (step.is(steps::torus)) {
        need_positive(call, p[6], "major radius");
        need_positive(call, p[7], "minor radius");
        if (p[6] <= p[7])
            call.fail(KERNEL_ERR_SELF_INTERSECTING, "a torus with major radius %g and minor radius %g intersects itself",
                      p[6], p[7]);
        s = BRepPrimAPI_MakeTorus(gp_Ax2(point(&p[0]), direction(call, &p[3], "axis")), p[6], p[7]).Shape();
    } else if (step.is(steps::prism)) {
        need_positive(call, p[6], "radius");
        need_positive(call, p[8], "height");
        const int sides = static_cast<int>(p[7]);
        if (sides < 3 || sides != p[7]) call.fail(KERNEL_ERR_DEGENERATE, "a prism needs 3 sides or more, not %g", p[7]);
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
    } else if (step.is(steps::wire)) {
        s = polygon(call, std::vector<double>(p.begin(), p.end() - 1), p.back() != 0);
    } else if (step.is(steps::tool)) {
        s = form_tool_shape(call, p);
    } else {  // acorn
        s = BRepBuilderAPI_MakeVertex(point(&p[0])).Shape();
    }
    finish_step(step, s, {}, nullptr);
}

}  // namespace

namespace steps {
const StepKind block = {0, "block", hd::primitive, kStepFromNumbers};
const StepKind cylinder = {1, "cylinder", hd::primitive, kStepFromNumbers};
const StepKind cone = {2, "cone", hd::primitive, kStepFromNumbers};
const StepKind sphere = {3, "sphere", hd::primitive, kStepFromNumbers};
const StepKind torus = {4, "torus", hd::primitive, kStepFromNumbers};
const StepKind prism = {5, "prism", hd::primitive, kStepFromNumbers};
const StepKind wire = {6, "wire", hd::primitive, 0};
const StepKind acorn = {7, "acorn", hd::primitive, 0};
const StepKind tool = {35, "tool", hd::primitive, kStepFromNumbers};
}  // namespace steps

const StepKindRegistration registered{steps::block, steps::cylinder, steps::cone, steps::sphere, steps::torus, steps::prism, steps::wire, steps::acorn, steps::tool};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_make_block(const double origin[3], const double size[3], int* body) {
    auto call = HOST_ENTRY(origin, size, body);
    call.need(origin, "the origin");
    call.need(size, "the size");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::block, nums({origin, size}, {})));
}

void ZQ_BODY_make_cylinder(const double base[3], const double axis[3], double radius, double height, int* body) {
    auto call = HOST_ENTRY(radius, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::cylinder, nums({base, axis}, {radius, height})));
}

void ZQ_BODY_make_cone(const double base[3], const double axis[3], double r1, double r2, double height, int* body) {
    auto call = HOST_ENTRY(r1, r2, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::cone, nums({base, axis}, {r1, r2, height})));
}

void ZQ_BODY_make_sphere(const double centre[3], double radius, int* body) {
    auto call = HOST_ENTRY(radius, body);
    call.need(centre, "the centre");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::sphere, nums({centre}, {radius})));
}

void ZQ_BODY_make_torus(const double centre[3], const double axis[3], double major, double minor, int* body) {
    auto call = HOST_ENTRY(major, minor, body);
    call.need(centre, "the centre");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::torus, nums({centre, axis}, {major, minor})));
}

void ZQ_BODY_make_prism(const double base[3], const double axis[3], double radius, int sides, double height,
                        int* body) {
    auto call = HOST_ENTRY(radius, sides, height, body);
    call.need(base, "the base point");
    call.need(axis, "the axis");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::prism, nums({base, axis}, {radius, double(sides), height})));
}

void ZQ_BODY_make_form_tool(int n, const double numbers[], int* body) {
    auto call = HOST_ENTRY(n, numbers, body);
    call.need(numbers, "the numbers");
    call.need(body, "the body output");
    if (n < ZQ_FORM_FIRST_POINT) call.fail(HOST_ERR_BAD_ARGUMENT, "%d numbers make no tool", n);
    *body = make_body(call, step_of(steps::tool, std::vector<double>(numbers, numbers + n)));
}

void ZQ_BODY_make_wire(int n, const double points[], int closed, int* body) {
    auto call = HOST_ENTRY(n, points, closed, body);
    call.need(body, "the body output");
    if (n < 2 || (closed && n < 3)) call.fail(KERNEL_ERR_DEGENERATE, "a wire of %d points", n);
    call.need(points, "the points");
    std::vector<double> p(points, points + 3 * n);
    p.push_back(closed ? 1 : 0);
    *body = make_body(call, step_of(steps::wire, std::move(p)));
}

void ZQ_BODY_make_acorn(const double point[3], int* body) {
    auto call = HOST_ENTRY(point, body);
    call.need(point, "the point");
    call.need(body, "the body output");
    *body = make_body(call, step_of(steps::acorn, nums({point}, {})));
}

}  // extern "C"
