// Copies of boolean tools for instance sets, and sheets extracted from
// faces.
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom_Surface.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Trsf.hxx>

#include <memory>
#include <vector>

#include "host/kernel/brep.h"
#include "host/kernel/codes.h"
#include "host/kernel/instances.h"
#include "host/services/error.h"

namespace hd = host::kernel::detail;

namespace {

// A new body of the shape, tagged afresh (it takes no tags of the shapes
// it was copied from).
int new_body(const TopoDS_Shape& shape) {
    hd::Step s;
    s.result = shape;
    s.named = std::make_shared<const hd::Named>(hd::name_result(shape, {}, nullptr, s.names, false));
    return hd::commit_result(std::move(s));
}

gp_Trsf move_of(const host::Call& call, const double* m) {
    gp_Trsf t;
    hd::guarded(call, KERNEL_ERR_DEGENERATE,
                [&] { t.SetValues(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11]); });
    return t;
}

}  // namespace

extern "C" {

void ZQ_BODY_make_instance_tool(int body, int n_steps, const int steps[], int n_moves, const double moves[], int* tool,
                                int* operation) {
    auto call = HOST_ENTRY(body, n_steps, n_moves, tool);
    call.need(tool, "the tool output");
    call.need(operation, "the operation output");
    *tool = 0;
    *operation = 0;
    if (n_steps < 1 || n_moves < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no steps or no moves to copy");
    call.need(steps, "the steps");
    call.need(moves, "the moves");
    hd::ensure_started();
    const hd::Body b = hd::require_body(call, body);
    std::vector<TopoDS_Shape> tools;
    int op = 0;
    for (int i = 0; i < n_steps; ++i) {
        if (steps[i] < 0 || static_cast<std::size_t>(steps[i]) >= b->steps.size())
            call.fail(HOST_ERR_BAD_ARGUMENT, "body %d has no step %d", body, steps[i]);
        const hd::Step& s = *b->steps[static_cast<std::size_t>(steps[i])];
        if (s.op != hd::Op::boolean || s.other.IsNull())
            call.fail(KERNEL_ERR_WRONG_ENTITY, "step %d of body %d is no boolean", steps[i], body);
        if (op != 0 && s.mode != op) call.fail(HOST_ERR_BAD_ARGUMENT, "the steps are booleans of different operations");
        op = s.mode;
        tools.push_back(s.other);
    }
    TopoDS_Compound all;
    BRep_Builder builder;
    builder.MakeCompound(all);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        for (int k = 0; k < n_moves; ++k) {
            const gp_Trsf t = move_of(call, moves + 12 * k);
            for (const TopoDS_Shape& s : tools) builder.Add(all, BRepBuilderAPI_Transform(s, t, Standard_True).Shape());
        }
    });
    *tool = new_body(all);
    *operation = op;
}

void ZQ_FACE_extract(int face, int mode, int* sheet) {
    auto call = HOST_ENTRY(face, mode, sheet);
    call.need(sheet, "the sheet output");
    *sheet = 0;
    if (mode < 0 || mode > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "extract mode %d is none of 0 to 2", mode);
    hd::ensure_started();
    const TopoDS_Face f = TopoDS::Face(hd::require_sub(call, face, ZQ_CLASS_FACE).shape);
    TopoDS_Shape made = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&]() -> TopoDS_Shape {
        const Handle(Geom_Surface) surface = BRep_Tool::Surface(f);
        if (mode == 1) {
            BRepBuilderAPI_MakeFace m(surface, BRepTools::OuterWire(f), Standard_True);
            if (!m.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the face's outer loop makes no face");
            TopoDS_Shape out = m.Shape();
            if (f.Orientation() == TopAbs_REVERSED) out.Reverse();
            return out;
        }
        if (mode == 2) {
            double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
            BRepTools::UVBounds(f, u0, u1, v0, v1);
            BRepBuilderAPI_MakeFace m(surface, u0, u1, v0, v1, 1e-7);
            if (!m.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the face's surface makes no face");
            TopoDS_Shape out = m.Shape();
            if (f.Orientation() == TopAbs_REVERSED) out.Reverse();
            return out;
        }
        return BRepBuilderAPI_Copy(f).Shape();
    });
    *sheet = new_body(made);
}

}  // extern "C"
