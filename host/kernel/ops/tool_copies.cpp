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

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/ops/tool_copies.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/kernel/ops/boolean.h"

namespace hd = host::kernel::detail;

namespace {

// A new body of the shape, tagged afresh (it takes no tags of the shapes
// it was copied from).
int new_body(const TopoDS_Shape& shape) {
    hd::Step s;
    s.result = shape;
    s.named = std::make_shared<hd::Named>(hd::name_result(shape, {}, nullptr, s.names, false));
    return hd::commit_result(std::move(s));
}

gp_Trsf move_of(const host::Call& call, const double* m) {
    gp_Trsf t;
    hd::guarded(call, KERNEL_ERR_DEGENERATE,
                [&] { t.SetValues(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11]); });
    return t;
}

// What a tool of copies was made of: for each step copied, its tool shape
// and, when the boolean makes its tool from numbers, that maker and the
// numbers (the same maker and numbers make the same tool again); and the
// moves. Kept by the tool's shape, which steps hold as they took it.
struct Copied {
    TopoDS_Shape shape;
    std::shared_ptr<const hd::Step> maker;
    std::vector<double> numbers;
};
struct Recipe {
    TopoDS_Shape tool;  // keeps the key alive
    std::vector<Copied> copied;
    std::vector<double> moves;
};
std::mutex g_recipes_lock;
std::map<const TopoDS_TShape*, Recipe>& recipes() {
    static auto* const r = new std::map<const TopoDS_TShape*, Recipe>;
    return *r;
}

// The boolean steps named, all of one operation (*op).
std::vector<std::shared_ptr<const hd::Step>> copied_steps(const host::Call& call, const hd::Body& b, int body,
                                                          int n_steps, const int steps[], int* op) {
    std::vector<std::shared_ptr<const hd::Step>> out;
    *op = 0;
    for (int i = 0; i < n_steps; ++i) {
        if (steps[i] < 0 || static_cast<std::size_t>(steps[i]) >= b->steps.size())
            call.fail(HOST_ERR_BAD_ARGUMENT, "body %d has no step %d", body, steps[i]);
        const std::shared_ptr<const hd::Step>& s = b->steps[static_cast<std::size_t>(steps[i])];
        if (!s->is(hd::steps::boolean) || s->other.IsNull())
            call.fail(KERNEL_ERR_WRONG_ENTITY, "step %d of body %d is no boolean", steps[i], body);
        if (*op != 0 && s->mode != *op)
            call.fail(HOST_ERR_BAD_ARGUMENT, "the steps are booleans of different operations");
        *op = s->mode;
        out.push_back(s);
    }
    return out;
}

Copied copied_of(const hd::Step& s) { return {s.other, s.tool, s.tool ? s.p : std::vector<double>{}}; }

bool same_tool(const Copied& a, const Copied& b) {
    return a.shape.TShape() == b.shape.TShape() || (a.maker && a.maker == b.maker && a.numbers == b.numbers);
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
    int op = 0;
    const std::vector<std::shared_ptr<const hd::Step>> copied = copied_steps(call, b, body, n_steps, steps, &op);
    std::vector<TopoDS_Shape> tools;
    for (const auto& s : copied) tools.push_back(s->other);
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
    Recipe recipe{hd::require_body(call, *tool)->shape, {}, std::vector<double>(moves, moves + 12 * n_moves)};
    for (const auto& s : copied) recipe.copied.push_back(copied_of(*s));
    const std::lock_guard<std::mutex> lock(g_recipes_lock);
    recipes()[recipe.tool.TShape().get()] = std::move(recipe);
}

void ZQ_BODY_ask_instance_copies(int body, int step, int n_steps, const int steps[], int* n_moves, double** moves,
                                 int* current) {
    auto call = HOST_ENTRY(body, step, n_steps, current);
    call.need(n_moves, "the move count output");
    call.need(moves, "the moves output");
    call.need(current, "the current output");
    *n_moves = 0;
    *moves = nullptr;
    *current = 0;
    if (n_steps > 0) call.need(steps, "the steps");
    hd::ensure_started();
    const hd::Body b = hd::require_body(call, body);
    if (step < 1 || static_cast<std::size_t>(step) >= b->steps.size() || !b->steps[step]->is(hd::steps::boolean))
        call.fail(KERNEL_ERR_BAD_PARAMETER, "step %d of body %d is no boolean", step, body);
    Recipe recipe;
    {
        const std::lock_guard<std::mutex> lock(g_recipes_lock);
        const auto it = recipes().find(b->steps[step]->other.TShape().get());
        if (it == recipes().end())
            call.fail(KERNEL_ERR_WRONG_ENTITY, "the tool of step %d of body %d is no tool of copies", step, body);
        recipe = it->second;
    }
    int op = 0;
    const std::vector<std::shared_ptr<const hd::Step>> now = copied_steps(call, b, body, n_steps, steps, &op);
    bool same = now.size() == recipe.copied.size();
    for (std::size_t i = 0; same && i < now.size(); ++i) same = same_tool(copied_of(*now[i]), recipe.copied[i]);
    *current = same ? 1 : 0;
    *n_moves = static_cast<int>(recipe.moves.size() / 12);
    *moves = static_cast<double*>(SM_alloc(std::max<std::size_t>(recipe.moves.size(), 1) * sizeof(double)));
    std::copy(recipe.moves.begin(), recipe.moves.end(), *moves);
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
