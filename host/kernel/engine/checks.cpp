// The kernel's body check and its fault-token lists, its interface and
// modelling parameters, and the faces of a feature's step
// (host/model/feature/queries.h).
#include <BOPAlgo_CheckResult.hxx>
#include <BRepAlgoAPI_Check.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <Precision.hxx>
#include <ShapeAnalysis_FreeBounds.hxx>
#include <TopExp_Explorer.hxx>

#include <algorithm>
#include <map>
#include <vector>

#include "host/kernel/engine/checks.h"
#include "host/kernel/engine/brep.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

namespace hd = host::kernel::detail;

struct Lists {
    std::map<int, std::vector<int>> lists;
    int next = 1;
    int params[2] = {0, 1};  // interface parameters 10 and 12
    int journal = 0;         // interface parameter 2: the journal state
};
Lists& st() { return host::service_state<Lists>("kernel check lists"); }
const bool made = (st(), true);

int* param(const host::Call& call, const int* n) {
    call.need(n, "the parameter number");
    if (*n == 10) return &st().params[0];
    if (*n == 12) return &st().params[1];
    if (*n == 2) return &st().journal;
    return nullptr;
}

int token_of(int fault) {
    switch (fault) {
        case ZQ_FAULT_GEOMETRY: return KI_FAULT_GEOMETRY;
        case ZQ_FAULT_TOPOLOGY: return KI_FAULT_TOPOLOGY;
        case ZQ_FAULT_SELF_INTERSECT: return KI_FAULT_SELF_INTERSECT;
        case ZQ_FAULT_ORIENTATION: return KI_FAULT_ORIENTATION;
        default: return fault;
    }
}

// Whether faces or edges of the shape cross or touch each other away from
// the edges and vertices they share. The kernel's checker works on a copy
// of the shape (it may widen tolerances where it finds contacts), so the
// body's shapes stay as they are.
bool self_intersecting(const TopoDS_Shape& shape) {
    BRepAlgoAPI_Check check(shape, Standard_False, Standard_True);
    for (const BOPAlgo_CheckResult& r : check.Result())
        if (r.GetCheckStatus() == BOPAlgo_SelfIntersect) return true;
    return false;
}

}  // namespace

extern "C" {

// The first fault found, in this order: bad geometry of a face or edge,
// faces that do not close up around a solid, faces or edges that cross
// each other, a solid inside out, anything else the kernel's checker
// finds. A scripted answer replaces the kernel's.
void ZQ_BODY_check(int body, int* fault) {
    auto call = HOST_ENTRY(body, fault);
    call.need(fault, "the fault output");
    const hd::Body b = hd::require_body(call, body);
    if (call.outputs() > 0) {
        *fault = static_cast<int>(call.int_out(0, ZQ_FAULT_NONE));
        return;
    }
    *fault = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        for (const auto* subs : {&b->named().edges, &b->named().faces})
            for (const hd::Sub& s : *subs)
                if (!BRepCheck_Analyzer(s.shape).IsValid()) return ZQ_FAULT_GEOMETRY;
        const bool solid = hd::body_type(b->shape) == ZQ_BODY_SOLID;
        if (solid) {
            ShapeAnalysis_FreeBounds free(b->shape);
            if (TopExp_Explorer(free.GetClosedWires(), TopAbs_EDGE).More() ||
                TopExp_Explorer(free.GetOpenWires(), TopAbs_EDGE).More())
                return ZQ_FAULT_TOPOLOGY;
        }
        if (self_intersecting(b->shape)) return ZQ_FAULT_SELF_INTERSECT;
        if (solid) {
            GProp_GProps g;
            BRepGProp::VolumeProperties(b->shape, g);
            if (g.Mass() < 0) return ZQ_FAULT_ORIENTATION;
        }
        return BRepCheck_Analyzer(b->shape).IsValid() ? ZQ_FAULT_NONE : ZQ_FAULT_TOPOLOGY;
    });
}

void KI_oumodp(const int* n, double* value, int* ifail) {
    auto call = HOST_ENTRY(n ? *n : 0);
    call.need(n, "the parameter number");
    call.need(value, "the value output");
    call.need(ifail, "the failure output");
    // Parameter 1: the kernel's length precision (kernel lengths; with
    // pxsfac_ the lower bound of the modelling distance tolerance); 2: its
    // angle precision (radians).
    *ifail = *n == 1 || *n == 2 ? 0 : 1;
    *value = *n == 1 ? call.real_out(0, Precision::Confusion()) : *n == 2 ? Precision::Angular() : 0;
}

void KI_ouintp(const int* n, int* value, int* ifail) {
    auto call = HOST_ENTRY(n ? *n : 0);
    call.need(value, "the value output");
    call.need(ifail, "the failure output");
    const int* p = param(call, n);
    *ifail = p ? 0 : 1;
    *value = p ? *p : 0;
}

void KI_seintp(const int* n, const int* value, int* ifail) {
    auto call = HOST_ENTRY(n ? *n : 0, value ? *value : 0);
    call.need(value, "the value");
    call.need(ifail, "the failure output");
    int* p = param(call, n);
    *ifail = p ? 0 : 1;
    if (p) *p = *value;
}

// Scripted outputs: the fault tokens (each an output), replacing the
// kernel's own answer.
void KI_chcken(const int* body, const int* opt1, const int* opt2, int* nfault, int* faults, int* entities, int* places,
               int* ifail) {
    auto call = HOST_ENTRY(body ? *body : 0, opt1 ? *opt1 : 0, opt2 ? *opt2 : 0);
    call.need(body, "the body");
    call.need(nfault, "the fault count output");
    call.need(faults, "the fault list output");
    call.need(ifail, "the failure output");
    *nfault = 0;
    *faults = 0;
    if (entities) *entities = 0;
    if (places) *places = 0;
    int status;
    if (call.status(status) && status != 0) {
        *ifail = status;
        return;
    }
    *ifail = 0;
    std::vector<int> tokens;
    if (call.outputs() > 0) {
        for (std::size_t i = 0; i < call.outputs(); ++i) tokens.push_back(static_cast<int>(call.int_out(i, 0)));
    } else if (const hd::Loc* at = hd::locate(*body); at && at->cls == ZQ_CLASS_FACE) {
        // A face: the kernel's checker on the face alone.
        if (!BRepCheck_Analyzer(hd::require_sub(call, *body, ZQ_CLASS_FACE).shape).IsValid())
            tokens.push_back(KI_FAULT_GEOMETRY);
    } else {
        int fault = ZQ_FAULT_NONE;
        ZQ_BODY_check(*body, &fault);
        if (fault != ZQ_FAULT_NONE) tokens.push_back(token_of(fault));
    }
    if (tokens.empty()) return;
    const int id = st().next++;
    st().lists[id] = tokens;
    *nfault = static_cast<int>(tokens.size());
    *faults = id;
}

static void members_out(const std::vector<hd::Sub>& subs, int* count, int** entities) {
    *count = 0;
    *entities = nullptr;
    if (subs.empty()) return;
    *entities = static_cast<int*>(SM_alloc(subs.size() * sizeof(int)));
    for (std::size_t i = 0; i < subs.size(); ++i) (*entities)[i] = subs[i].tag;
    *count = static_cast<int>(subs.size());
}

void ZQ_BODY_ask_faces(int body, int* count, int** entities) {
    auto call = HOST_ENTRY(body, count, entities);
    call.need(count, "the count output");
    call.need(entities, "the entities output");
    members_out(hd::require_body(call, body)->named().faces, count, entities);
}

void ZQ_BODY_ask_edges(int body, int* count, int** entities) {
    auto call = HOST_ENTRY(body, count, entities);
    call.need(count, "the count output");
    call.need(entities, "the entities output");
    members_out(hd::require_body(call, body)->named().edges, count, entities);
}

void KI_gtinli(const int* list, const int* i, int* value, int* ifail) {
    auto call = HOST_ENTRY(list ? *list : 0, i ? *i : 0);
    call.need(list, "the list");
    call.need(i, "the index");
    call.need(value, "the value output");
    call.need(ifail, "the failure output");
    const auto it = st().lists.find(*list);
    if (it == st().lists.end() || *i < 1 || static_cast<std::size_t>(*i) > it->second.size()) {
        *ifail = 1;
        *value = 0;
        return;
    }
    *ifail = 0;
    *value = it->second[static_cast<std::size_t>(*i - 1)];
}

void KI_delist(const int* list, int* ifail) {
    auto call = HOST_ENTRY(list ? *list : 0);
    call.need(list, "the list");
    call.need(ifail, "the failure output");
    *ifail = st().lists.erase(*list) == 1 ? 0 : 1;
}

int KI_list_count(void) { return static_cast<int>(st().lists.size()); }


}  // extern "C"

#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include "host/kernel/engine/walk.h"

namespace host::kernel {

std::size_t direct_face_walk(int body) {
    const detail::Body b = detail::find_body(body);
    if (!b) return 0;
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(b->shape, TopAbs_FACE, faces);
    return static_cast<std::size_t>(faces.Extent());
}

}  // namespace host::kernel

namespace host::kernel {

std::vector<int> faces_made_by_step(int body, int step) {
    const Call call("ZQ_BODY_faces_of_step", nullptr);
    if (body == 0 || step < 0) return {};
    const hd::Body b = hd::require_body(call, body);
    if (static_cast<std::size_t>(step) >= b->steps.size()) return {};
    const hd::Step& s = *b->steps[static_cast<std::size_t>(step)];
    if (!s.named || s.skipped) return {};
    std::vector<int> before;
    if (step > 0 && b->steps[static_cast<std::size_t>(step - 1)]->named)
        for (const hd::Sub& f : b->steps[static_cast<std::size_t>(step - 1)]->named->faces) before.push_back(f.tag);
    std::vector<int> out;
    for (const hd::Sub& f : s.named->faces) {
        if (std::find(before.begin(), before.end(), f.tag) != before.end()) continue;
        const hd::Loc* at = hd::locate(f.tag);
        if (at && at->body == body) out.push_back(f.tag);
    }
    // The body's order.
    std::vector<int> ordered;
    for (const hd::Sub& f : b->named().faces)
        if (std::find(out.begin(), out.end(), f.tag) != out.end()) ordered.push_back(f.tag);
    return ordered;
}

}  // namespace host::kernel
