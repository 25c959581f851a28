// Sheets sewn onto a sheet body, closing into a solid where they close.
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRep_Builder.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <memory>
#include <vector>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind sew;
}  // namespace steps

namespace {

// The sewing's history seen from the inputs: a sub-shape of an input goes
// to its copy, then to what the sewing made of the copy (the copy itself
// where the sewing left it).
class CopiedSewHistory : public BRepBuilderAPI_MakeShape {
public:
    CopiedSewHistory(BRepBuilderAPI_Copy& copy, BRepBuilderAPI_Sewing& sewing) : copy_(copy), sewing_(sewing) {}
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        for (const TopoDS_Shape& c : copy_.Modified(s))
            myGenerated.Append(sewing_.IsModifiedSubShape(c) ? sewing_.ModifiedSubShape(c) : c);
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape&) override {
        myGenerated.Clear();
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape&) override { return Standard_False; }

private:
    BRepBuilderAPI_Copy& copy_;
    BRepBuilderAPI_Sewing& sewing_;
};

void sew(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    if (!positive(step.p[0])) call.fail(KERNEL_ERR_DEGENERATE, "the tolerance %g is not positive", step.p[0]);
    // The sewing works on its inputs in place (tolerances, flags, curves
    // on surfaces of the shared edges): it sews a copy, so that the body
    // and the sheets stay as they were, byte for byte, whatever comes of
    // the sew.
    BRep_Builder builder;
    TopoDS_Compound inputs;
    builder.MakeCompound(inputs);
    // Adding freezes the body's shape, which the model's state shares: its
    // flag stays as it was (a roll-back of the sew finds the body as it was).
    const bool free = before.Free();
    builder.Add(inputs, before);
    before.TShape()->Free(free);
    builder.Add(inputs, step.other);
    BRepBuilderAPI_Copy copy(inputs, Standard_True, Standard_False);
    TopoDS_Iterator copied(copy.Shape());
    const TopoDS_Shape body_copy = copied.Value();
    copied.Next();
    const TopoDS_Shape others_copy = copied.Value();
    BRepBuilderAPI_Sewing sewing(step.p[0]);
    sewing.Add(body_copy);
    for (TopoDS_Iterator it(others_copy); it.More(); it.Next()) sewing.Add(it.Value());
    sewing.Perform();
    const TopoDS_Shape sewn = sewing.SewedShape();
    if (sewn.IsNull()) call.fail(KERNEL_ERR_NOT_DONE, "the sheets cannot be sewn");
    if (TopExp_Explorer(sewn, TopAbs_SHELL).More() && count(sewn, TopAbs_SHELL) > 1)
        call.fail(KERNEL_ERR_DISJOINT, "the sheets do not meet within the tolerance");
    TopoDS_Shape result = sewn;
    if (TopExp_Explorer shell(sewn, TopAbs_SHELL); shell.More()) result = solid_if_closed(shell.Current());
    need_valid(call, result);
    CopiedSewHistory history(copy, sewing);  // nothing of the inputs is left out
    finish_step(step, result, {before_named, step.other_named.get()}, &history);
}

}  // namespace

namespace steps {
const StepKind sew = {26, "sew", hd::sew, 0};
}  // namespace steps

const StepKindRegistration registered{steps::sew};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_sew(int body, int n, const int sheets[], double tolerance) {
    auto call = HOST_ENTRY(body, n, sheets, tolerance);
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no sheets to sew");
    call.need(sheets, "the sheets");
    hd::Step s = step_of(steps::sew, {tolerance});
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    auto named = std::make_shared<hd::Named>();
    for (int i = 0; i < n; ++i) {
        if (sheets[i] == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is sewn onto itself", body);
        const hd::Body sheet = hd::require_body(call, sheets[i]);
        if (hd::body_type(sheet->shape) != ZQ_BODY_SHEET)
            call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", sheets[i]);
        // Adding freezes the sheet's shape, which the body's state shares:
        // its flag stays as it was, so that a roll-back of the sew finds
        // the sheet unchanged.
        const bool free = sheet->shape.Free();
        builder.Add(all, sheet->shape);
        sheet->shape.TShape()->Free(free);
        named->faces.insert(named->faces.end(), sheet->named().faces.begin(), sheet->named().faces.end());
        named->edges.insert(named->edges.end(), sheet->named().edges.begin(), sheet->named().edges.end());
    }
    if (hd::body_type(hd::require_body(call, body)->shape) != ZQ_BODY_SHEET)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is no sheet", body);
    s.other = all;
    s.other_named = std::move(named);
    edit_body(call, body, std::move(s), std::vector<int>(sheets, sheets + n));
}

void ZQ_BODY_replace_sew_sheet(int body, int step, int index, int sheet) {
    auto call = HOST_ENTRY(body, step, index, sheet);
    if (sheet == body) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is sewn onto itself", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body made = hd::require_body(call, sheet);
    if (step < 1 || step >= static_cast<int>(old->steps.size()) || !old->steps[step]->is(steps::sew))
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
    named->faces.insert(named->faces.end(), made->named().faces.begin(), made->named().faces.end());
    named->edges.insert(named->edges.end(), made->named().edges.begin(), made->named().edges.end());
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

}  // extern "C"
