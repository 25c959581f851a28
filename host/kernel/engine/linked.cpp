// Copies of bodies for linked geometry (host/kernel/engine/linked.h).
#include "host/kernel/engine/linked.h"

#include <BRep_Builder.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/engine/brep.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;

namespace {

// The shape copied: the body's, or a sheet of the chosen faces.
TopoDS_Shape copied_shape(const host::Call& call, const hd::Body& src, int n, const int* faces) {
    if (n <= 0) return src->shape;
    call.need(faces, "the faces");
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (int i = 0; i < n; ++i) {
        hd::Body owner;
        const hd::Sub& f = hd::require_sub(call, faces[i], ZQ_CLASS_FACE, &owner);
        if (owner != src) call.fail(KERNEL_ERR_WRONG_ENTITY, "face %d is not a face of body %d", faces[i], src->tag);
        builder.Add(shell, f.shape);
    }
    return shell;
}

// The naming key under which a copy names the face or edge it copies from
// the source's face or edge x: the identity of x's object (its part's file
// name and its entity id), which lasts while the source is edited, saved
// and opened again; a face or edge without an object is named after its
// kernel tag.
std::string copy_key(const hd::Sub& x) {
    if (const host::objects::Object* o = x.object ? host::objects::find(x.object) : nullptr) {
        const host::objects::PartInfo* info = host::objects::part_info(o->part);
        return "l:" + (info ? info->file : std::string()) + ":" + std::to_string(o->eid);
    }
    return "s:" + std::to_string(x.tag) + ":0";
}

// Names the faces and edges of a copy after the source's faces and edges
// they are (every one of them is one: the copy shares the source's
// shapes), with the tags their keys have in `names` or new ones.
hd::Named name_copy(const TopoDS_Shape& shape, const hd::BodyState& src, hd::NameTable& names) {
    std::unordered_map<const TopoDS_TShape*, const hd::Sub*> of;
    for (const auto* subs : {&src.named().faces, &src.named().edges})
        for (const hd::Sub& x : *subs) of.emplace(x.shape.TShape().get(), &x);
    hd::Named out;
    std::unordered_set<int> used;
    const auto name = [&](const TopoDS_Shape& y, std::vector<hd::Sub>& into) {
        const auto it = of.find(y.TShape().get());
        std::string key = it != of.end() ? copy_key(*it->second) : "n:" + std::to_string(into.size());
        int t = 0;
        for (;; key += "'") {
            const auto [at, fresh] = names.emplace(key, 0);
            if (fresh) *at = hd::new_tag();
            if (used.insert(*at).second) {
                t = *at;
                break;
            }
        }
        into.push_back({t, y, 0});
    };
    TopTools_IndexedMapOfShape faces, edges;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    for (int i = 1; i <= faces.Extent(); ++i) name(faces(i), out.faces);
    for (int i = 1; i <= edges.Extent(); ++i) name(edges(i), out.edges);
    return out;
}

}  // namespace

void ZQ_BODY_copy_faces(int source, int n, const int faces[], const double matrix[12], int target, unsigned int part,
                        int* body) {
    auto call = HOST_ENTRY(source, n, target, part);
    call.need(body, "the body output");
    hd::ensure_started();
    const hd::Body src = hd::require_body(call, source);
    const hd::Body old = target != 0 ? hd::require_body(call, target) : nullptr;
    if (old == src) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d is copied into itself", source);
    const TopoDS_Shape shape = copied_shape(call, src, n, faces);
    hd::Step s;
    s.kind = &hd::steps::imported;
    // The keys of the copy made before: a face or edge copied from the same
    // source face or edge takes the tag it had.
    if (old && !old->steps.empty() && old->steps.front()->is(hd::steps::imported)) s.names = old->steps.front()->names;
    s.result = shape;
    s.named = std::make_shared<hd::Named>(name_copy(shape, *src, s.names));
    // Made again (a regeneration of the copy), the step gives its result
    // the tags it has now.
    s.other = shape;
    s.other_named = s.named;
    hd::BodyState b;
    if (old) {
        b = *old;
        b.steps.clear();
        b.loops.clear();
        b.vertices.clear();
    } else {
        b.tag = hd::new_tag();
        if (part != 0) b.object = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, 0, part, {}});
    }
    b.shape = s.result;
    b.set_named(s.named);
    b.add_step(std::move(s));
    hd::name_small(b, nullptr);
    const int made = b.tag;
    hd::commit({std::move(b)}, {}, true);
    if (matrix) ZQ_BODY_transform(made, matrix);
    *body = made;
}

void ZQ_BODY_copy(int source, const double matrix[12], int target, int* body) {
    [[maybe_unused]] auto call = HOST_ENTRY(source, matrix, target, body);
    ZQ_BODY_copy_faces(source, 0, nullptr, matrix, target, 0, body);
}

namespace host::kernel {

std::shared_ptr<const void> body_state(int body) { return detail::find_body(body); }

std::vector<std::pair<int, int>> copied_from(int body, int source) {
    std::vector<std::pair<int, int>> out;
    const hd::Body b = hd::find_body(body), src = hd::find_body(source);
    if (!b || !src || b->steps.empty() || !b->steps.front()->is(hd::steps::imported)) return out;
    const auto& names = b->steps.front()->names;
    for (const auto* subs : {&src->named().faces, &src->named().edges})
        for (const hd::Sub& x : *subs) {
            const int* it = names.find(copy_key(x));
            const hd::Loc* at = it ? hd::locate(*it) : nullptr;
            if (at && at->body == body) out.emplace_back(x.tag, *it);
        }
    return out;
}

std::vector<int> region_faces(int body, const std::vector<int>& seeds, const std::vector<int>& bounds, bool traverse) {
    std::vector<int> out;
    const hd::Body b = hd::find_body(body);
    if (!b) return out;
    const auto& faces = b->named().faces;
    std::unordered_map<int, std::size_t> index;  // tag -> place in faces
    for (std::size_t i = 0; i < faces.size(); ++i) index[faces[i].tag] = i;
    std::vector<char> in(faces.size(), 0), stop(faces.size(), 0);
    for (int t : bounds)
        if (const auto it = index.find(t); it != index.end()) stop[it->second] = 1;
    std::vector<std::size_t> todo;
    for (int t : seeds)
        if (const auto it = index.find(t); it != index.end() && !in[it->second] && !stop[it->second]) {
            in[it->second] = 1;
            todo.push_back(it->second);
        }
    if (traverse) {
        TopTools_IndexedDataMapOfShapeListOfShape edge_faces;
        TopExp::MapShapesAndAncestors(b->shape, TopAbs_EDGE, TopAbs_FACE, edge_faces);
        while (!todo.empty()) {
            const std::size_t f = todo.back();
            todo.pop_back();
            for (TopExp_Explorer e(faces[f].shape, TopAbs_EDGE); e.More(); e.Next()) {
                const TopTools_ListOfShape* around = edge_faces.Seek(e.Current());
                if (!around) continue;
                for (const TopoDS_Shape& g : *around) {
                    const auto it = index.find(b->tag_of(g));
                    if (it == index.end() || in[it->second] || stop[it->second]) continue;
                    in[it->second] = 1;
                    todo.push_back(it->second);
                }
            }
        }
    }
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (in[i]) out.push_back(faces[i].tag);
    return out;
}

}  // namespace host::kernel
