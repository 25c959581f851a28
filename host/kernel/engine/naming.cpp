// Persistent identity of faces and edges across operations.
//
// After an operation, every face and edge of the result gets its tag in
// this order (the order matters: a blended edge is deleted but generates
// the blend face):
//  1. the same shape as an input's face or edge: that tag;
//  2. an image of a modified input face or edge with tag T: T for the
//     first image, the naming key "s:T:k" for the k-th further piece;
//  3. generated from an input face or edge T: the key "g:T:k";
//  4. anything else: a face "n:k" (k-th such face), an edge "a:F1,F2:k"
//     after the tags of the faces it bounds.
// A key's tag is kept in the step's table of names, so that running the
// step again (a regeneration with other numbers) gives the faces and edges
// made in the same way the tags they had. A key met for the first time
// gets a new tag.
#include <TopExp.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "host/kernel/engine/brep.h"

namespace host::kernel::detail {
namespace {

using Key = const TopoDS_TShape*;

struct Origins {
    std::unordered_map<Key, int> same;       // rule 1
    std::unordered_map<Key, int> modified;   // rule 2
    std::unordered_map<Key, int> generated;  // rule 3
};

void collect(const std::vector<Sub>& subs, BRepBuilderAPI_MakeShape* history, Origins& o) {
    for (const Sub& s : subs) {
        if (!history) {
            o.same.emplace(s.shape.TShape().get(), s.tag);
            continue;
        }
        const TopTools_ListOfShape& gen = history->Generated(s.shape);
        for (const TopoDS_Shape& g : gen) o.generated.emplace(g.TShape().get(), s.tag);
        if (history->IsDeleted(s.shape)) continue;
        const TopTools_ListOfShape& mod = history->Modified(s.shape);
        if (mod.IsEmpty()) {
            o.same.emplace(s.shape.TShape().get(), s.tag);
            continue;
        }
        for (const TopoDS_Shape& m : mod) o.modified.emplace(m.TShape().get(), s.tag);
    }
}

int tag_of_key(NameTable& names, const std::string& key) {
    if (const int* t = names.find(key)) return *t;
    const int t = new_tag();
    names.emplace(key, t);
    return t;
}

}  // namespace

Named name_result(const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
                  BRepBuilderAPI_MakeShape* history, NameTable& names, bool inherit) {
    Origins o;
    std::unordered_map<int, int> piece_of;  // pieces of earlier splits
    for (const Named* n : inputs) {
        if (!n) continue;
        collect(n->faces, history, o);
        collect(n->edges, history, o);
        for (const auto& [piece, from] : n->pieces) piece_of.emplace(piece, from);
    }
    std::vector<std::pair<int, int>> split_pieces;
    std::unordered_set<int> used;
    std::unordered_map<int, int> pieces;         // further pieces per modified tag
    std::unordered_map<int, int> generated;      // images generated per tag
    std::unordered_map<std::string, int> fresh;  // k per new key stem

    const auto take = [&](const TopoDS_Shape& s, const std::string& stem_of_new) {
        const Key k = s.TShape().get();
        if (const auto it = o.same.find(k); it != o.same.end() && inherit && used.insert(it->second).second)
            return it->second;
        const int* source = nullptr;
        if (const auto it = o.modified.find(k); it != o.modified.end()) source = &it->second;
        else if (const auto same = o.same.find(k); same != o.same.end() && !inherit) source = &same->second;
        if (source) {
            if (inherit && used.insert(*source).second) return *source;
            const int t = tag_of_key(names, "s:" + std::to_string(*source) + ":" + std::to_string(pieces[*source]++));
            used.insert(t);
            if (inherit) split_pieces.emplace_back(t, *source);
            return t;
        }
        std::string key;
        if (const auto it = o.generated.find(k); it != o.generated.end())
            key = "g:" + std::to_string(it->second) + ":" + std::to_string(generated[it->second]++);
        else key = stem_of_new + ":" + std::to_string(fresh[stem_of_new]++);
        int t = tag_of_key(names, key);
        while (!used.insert(t).second) t = tag_of_key(names, key += "'");
        return t;
    };

    Named out;
    TopTools_IndexedMapOfShape faces, edges;
    TopExp::MapShapes(result, TopAbs_FACE, faces);
    TopExp::MapShapes(result, TopAbs_EDGE, edges);
    out.faces.reserve(faces.Extent());
    out.edges.reserve(edges.Extent());
    std::unordered_map<Key, int> face_tag;
    for (int i = 1; i <= faces.Extent(); ++i) {
        const int t = take(faces(i), "n");
        face_tag[faces(i).TShape().get()] = t;
        out.faces.push_back({t, faces(i), 0});
    }
    TopTools_IndexedDataMapOfShapeListOfShape edge_faces;
    TopExp::MapShapesAndAncestors(result, TopAbs_EDGE, TopAbs_FACE, edge_faces);
    for (int i = 1; i <= edges.Extent(); ++i) {
        std::vector<int> around;
        if (const TopTools_ListOfShape* fs = edge_faces.Seek(edges(i)))
            for (const TopoDS_Shape& f : *fs) around.push_back(face_tag[f.TShape().get()]);
        std::sort(around.begin(), around.end());
        around.erase(std::unique(around.begin(), around.end()), around.end());
        std::string stem = "a:";
        for (std::size_t j = 0; j < around.size(); ++j) stem += (j ? "," : "") + std::to_string(around[j]);
        out.edges.push_back({take(edges(i), stem), edges(i), 0});
    }
    // Pieces of earlier splits that are still there stay pieces of their
    // origin (a piece of a piece belongs to the first origin).
    if (inherit) {
        std::unordered_set<int> present;
        for (const auto* subs : {&out.faces, &out.edges})
            for (const Sub& x : *subs) present.insert(x.tag);
        for (const auto& [piece, from] : piece_of)
            if (present.count(piece)) out.pieces.emplace_back(piece, from);
        for (auto [piece, from] : split_pieces) {
            if (const auto it = piece_of.find(from); it != piece_of.end()) from = it->second;
            out.pieces.emplace_back(piece, from);
        }
        std::sort(out.pieces.begin(), out.pieces.end());
    }
    names.shrink();
    return out;
}

void name_small(BodyState& state, const BodyState* old) {
    std::unordered_map<Key, int> had;
    if (old) {
        for (const Sub& s : old->loops) had.emplace(s.shape.TShape().get(), s.tag);
        for (const Sub& s : old->vertices) had.emplace(s.shape.TShape().get(), s.tag);
    }
    const auto tag = [&](const TopoDS_Shape& s) {
        const auto it = had.find(s.TShape().get());
        if (it == had.end()) return new_tag();
        const int t = it->second;
        had.erase(it);  // one tag per entity
        return t;
    };
    state.loops.clear();
    state.vertices.clear();
    TopTools_IndexedMapOfShape wires, vertices;
    for (const Sub& f : state.named().faces) TopExp::MapShapes(f.shape, TopAbs_WIRE, wires);
    TopExp::MapShapes(state.shape, TopAbs_VERTEX, vertices);
    state.loops.reserve(static_cast<std::size_t>(wires.Extent()));
    state.vertices.reserve(static_cast<std::size_t>(vertices.Extent()));
    for (int i = 1; i <= wires.Extent(); ++i) state.loops.push_back({tag(wires(i)), wires(i), 0});
    for (int i = 1; i <= vertices.Extent(); ++i) state.vertices.push_back({tag(vertices(i)), vertices(i), 0});
}

}  // namespace host::kernel::detail

namespace host::kernel::detail {

const std::shared_ptr<const Named>& BodyState::no_names() {
    static const std::shared_ptr<const Named> none = std::make_shared<Named>();
    return none;
}

Named& BodyState::edit_named() {
    const bool alone = named_.use_count() == 1 || (named_.use_count() == 2 && !steps.empty() &&
                                                    steps.back().use_count() == 1 && steps.back()->named == named_);
    if (!alone) named_ = std::make_shared<Named>(*named_);
    return const_cast<Named&>(*named_);  // made non-constant, held by this state (and its own newest step)
}

int BodyState::tag_of(const TopoDS_Shape& shape) const {
    if (!lookup.value) {
        auto m = std::make_shared<std::unordered_map<const TopoDS_TShape*, int>>();
        for (const auto* subs : {&named().faces, &named().edges, &loops, &vertices})
            for (const Sub& s : *subs) m->emplace(s.shape.TShape().get(), s.tag);
        lookup.value = std::move(m);
    }
    const auto it = lookup.value->find(shape.TShape().get());
    return it == lookup.value->end() ? 0 : it->second;
}

}  // namespace host::kernel::detail
