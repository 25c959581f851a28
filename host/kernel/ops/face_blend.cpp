// Blends between two sets of faces, along every edge a face of one set
// shares with a face of the other.
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRep_Builder.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <set>
#include <vector>

#include "host/kernel/engine/step_support.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind face_blend;
}  // namespace steps

namespace {

// A blend between two sets of faces (refs: the first set, then the second;
// p: the radius and, when the sets are not single faces, the size of the
// first set): it runs along every edge a face of the first set shares with
// a face of the second, so the faces keep the blend when a regeneration
// splits or moves those edges.
void face_blend(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    need_positive(call, step.p[0], "radius");
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
        finish_step(step, algo.Shape(), {before_named}, &algo);
    });
}

}  // namespace

namespace steps {
const StepKind face_blend = {32, "face_blend", hd::face_blend, 0};
}  // namespace steps

const StepKindRegistration registered{steps::face_blend};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_blend_faces(int body, int face1, int face2, double radius) {
    auto call = HOST_ENTRY(body, face1, face2, radius);
    const int faces[2] = {face1, face2};
    edit_at(call, body, steps::face_blend, {radius}, 2, faces, "faces to blend");
}

void ZQ_BODY_blend_face_sets(int body, int n_first, const int first[], int n_second, const int second[],
                             double radius) {
    auto call = HOST_ENTRY(body, n_first, n_second, radius);
    if (n_first < 1 || n_second < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a face set is empty");
    call.need(first, "the first faces");
    call.need(second, "the second faces");
    std::vector<int> faces(first, first + n_first);
    faces.insert(faces.end(), second, second + n_second);
    edit_at(call, body, steps::face_blend, {radius, static_cast<double>(n_first)}, static_cast<int>(faces.size()),
            faces.data(), "faces to blend");
}

void ZQ_BODY_blend_face_sets_as_faces(int body, int n_first, const int first[], int n_second,
                                                 const int second[], double radius, int* sheet, int* n_met, int** met) {
    auto call = HOST_ENTRY(body, n_first, n_second, radius);
    call.need(sheet, "the sheet output");
    call.need(n_met, "the count output");
    call.need(met, "the faces output");
    *sheet = 0;
    *n_met = 0;
    *met = nullptr;
    if (n_first < 1 || n_second < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a face set is empty");
    call.need(first, "the first faces");
    call.need(second, "the second faces");
    hd::ensure_started();
    const hd::Body old = hd::require_body(call, body);
    // The blend is worked out on the body's shape as a step would be, and
    // only its new faces are kept.
    hd::Step s;
    s.kind = &steps::face_blend;
    s.p = {radius, static_cast<double>(n_first)};
    s.refs.assign(first, first + n_first);
    s.refs.insert(s.refs.end(), second, second + n_second);
    hd::run_step(call, s, old->shape, &old->named());
    std::set<int> before;
    for (const hd::Sub& f : old->named().faces) before.insert(f.tag);
    TopTools_IndexedDataMapOfShapeListOfShape faces_of_edge;
    TopExp::MapShapesAndAncestors(s.result, TopAbs_EDGE, TopAbs_FACE, faces_of_edge);
    std::set<int> meets;
    hd::Step made;
    made.kind = &steps::imported;
    hd::guarded(call, KERNEL_ERR_BLEND_FAILED, [&] {
        BRep_Builder builder;
        TopoDS_Compound faces;
        builder.MakeCompound(faces);
        for (const hd::Sub& f : s.named->faces) {
            if (before.count(f.tag)) continue;
            builder.Add(faces, f.shape);
            for (TopExp_Explorer x(f.shape, TopAbs_EDGE); x.More(); x.Next()) {
                if (!faces_of_edge.Contains(x.Current())) continue;
                for (const TopoDS_Shape& g : faces_of_edge.FindFromKey(x.Current()))
                    for (const hd::Sub& h : s.named->faces)
                        if (h.shape.IsSame(g) && before.count(h.tag)) meets.insert(h.tag);
            }
        }
        made.result = faces;
    });
    if (!TopExp_Explorer(made.result, TopAbs_FACE).More())
        call.fail(KERNEL_ERR_BLEND_FAILED, "the blend makes no faces");
    made.named = std::make_shared<hd::Named>(hd::name_result(made.result, {}, nullptr, made.names, false));
    *sheet = hd::commit_result(std::move(made));
    if (!meets.empty()) {
        *met = static_cast<int*>(SM_alloc(meets.size() * sizeof(int)));
        std::copy(meets.begin(), meets.end(), *met);
        *n_met = static_cast<int>(meets.size());
    }
}

}  // extern "C"
