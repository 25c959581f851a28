// The solid kernel's store: bodies by kernel tag as a model component, the
// index from kernel tags and objects to where they live, and the commit
// that makes an operation's result current together with its objects.
//
// A snapshot is the map of bodies: every body is an immutable state behind
// a shared pointer (its shapes are immutable values too), so setting a mark
// copies one pointer per body whatever the size of the bodies. The index is
// rebuilt lazily after a restore. Kernel tags are handed out in ascending
// order and never again, not even after a restore (only a reset starts
// them anew).
#include <BRepCheck_Analyzer.hxx>
#include <BinTools.hxx>
#include <Message.hxx>
#include <Message_PrinterOStream.hxx>
#include <Standard_Failure.hxx>
#include <TopAbs.hxx>
#include <TopExp_Explorer.hxx>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <memory>
#include <vector>
#include <cstdint>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KX_LSAN_PAUSE()  __lsan_disable()
#define KX_LSAN_RESUME() __lsan_enable()
#else
#define KX_LSAN_PAUSE()  ((void)0)
#define KX_LSAN_RESUME() ((void)0)
#endif

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/engine/brep.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::kernel::detail {
namespace {

using Map = std::map<int, Body>;

// A table from dense keys (kernel tags and object tags are handed out in
// sequence from 1) to values, in pages of 1024 made on first use: a value
// costs its own bytes, where a hash map costs a node and a bucket besides.
// A value equal to V{} (a body of 0, a kernel tag of 0) is no entry.
template <class V>
class DenseIndex {
public:
    const V* find(std::int64_t key) const {
        if (key < 0) return nullptr;
        const auto p = static_cast<std::size_t>(key) >> kBits;
        if (p >= pages_.size() || !pages_[p]) return nullptr;
        const V& v = pages_[p][static_cast<std::size_t>(key) & kMask];
        return empty(v) ? nullptr : &v;
    }
    V* find(std::int64_t key) { return const_cast<V*>(std::as_const(*this).find(key)); }
    // The entry of the key, made (V{}) when there is none.
    V& operator[](std::int64_t key) {
        const auto p = static_cast<std::size_t>(key) >> kBits;
        if (p >= pages_.size()) pages_.resize(p + 1);
        if (!pages_[p]) pages_[p] = std::make_unique<V[]>(std::size_t{1} << kBits);
        return pages_[p][static_cast<std::size_t>(key) & kMask];
    }
    void erase(std::int64_t key) {
        if (V* v = find(key)) *v = V{};
    }
    void clear() { pages_.clear(); }

private:
    static constexpr unsigned kBits = 10;
    static constexpr std::size_t kMask = (std::size_t{1} << kBits) - 1;
    static bool empty(const V& v) {
        if constexpr (std::is_same_v<V, Loc>)
            return v.body == 0;
        else
            return v == V{};
    }
    std::vector<std::unique_ptr<V[]>> pages_;
};

// The bodies by kernel tag, journaled body by body: the first change of a
// body after a checkpoint records the body it was (or that there was none),
// so that what a step costs follows the bodies it changes, not how many
// the model holds.
class Store : public ModelComponent {
public:
    Store() { register_model_component(this); }
    const char* name() const override { return "solid kernel"; }
    void reset() override {
        bodies_.clear();
        stamps_.clear();
        next = 1;
        stale = true;
    }
    const Map& bodies() const { return bodies_; }
    // Puts a body in (replacing the one of its tag) or takes one out.
    void put(int tag, Body body) {
        record(tag);
        bodies_[tag] = std::move(body);
    }
    void drop(int tag) {
        record(tag);
        bodies_.erase(tag);
    }

    int next = 1;
    // Index: kernel tag -> place; object -> kernel tag.
    DenseIndex<Loc> where;
    DenseIndex<int> by_object;
    bool stale = true;
    bool shared = false;  // some tag is held by two bodies (see index_body)

    // A body made again from another body's steps (a copy made while the
    // update works) gives its faces and edges the tags they have in the
    // other body, for as long as both live: the later one indexed is the
    // one found. When either goes, the other's entries must come back, so
    // the index is then built again from the bodies.
    void index_body(const BodyState& b) {
        where[b.tag] = {b.tag, ZQ_CLASS_BODY, 0};
        if (b.object) by_object[b.object] = b.tag;
        const auto add = [&](const std::vector<Sub>& subs, int cls) {
            for (std::size_t i = 0; i < subs.size(); ++i) {
                Loc& at = where[subs[i].tag];
                if (at.body != 0 && at.body != b.tag) shared = true;
                at = {b.tag, cls, static_cast<int>(i)};
                if (subs[i].object) by_object[subs[i].object] = subs[i].tag;
            }
        };
        add(b.named().faces, ZQ_CLASS_FACE);
        add(b.named().edges, ZQ_CLASS_EDGE);
        add(b.loops, ZQ_CLASS_LOOP);
        add(b.vertices, ZQ_CLASS_VERTEX);
    }
    void unindex_body(const BodyState& b) {
        if (shared) {
            stale = true;
            return;
        }
        where.erase(b.tag);
        if (b.object) by_object.erase(b.object);
        for (const auto* subs : {&b.named().faces, &b.named().edges, &b.loops, &b.vertices})
            for (const Sub& s : *subs) {
                where.erase(s.tag);
                if (s.object) by_object.erase(s.object);
            }
    }

private:
    // A body as it was before the first change after a checkpoint (none:
    // the tag held no body).
    struct Image : UndoRecord {
        Image(Store* s, int t, std::optional<Body> was, stamp_t prev)
            : UndoRecord(prev), store(s), tag(t), image(std::move(was)) {}
        void undo() override {
            if (image)
                store->bodies_[tag] = std::move(*image);
            else
                store->bodies_.erase(tag);
            store->stamps_[tag] = prev;
            store->stale = true;
        }
        Store* store;
        int tag;
        std::optional<Body> image;
    };
    void record(int tag) {
        stamp_t& stamp = stamps_[tag];
        if (!journal::must_record(stamp)) return;
        const auto it = bodies_.find(tag);
        journal::add(std::make_unique<Image>(this, tag, it == bodies_.end() ? std::nullopt : std::optional<Body>(it->second),
                                             stamp));
        stamp = journal::open;
    }
    Map bodies_;
    std::unordered_map<int, stamp_t> stamps_;  // per tag, as TagTable rows keep theirs

public:
    void fresh() {
        if (!stale) return;
        where.clear();
        by_object.clear();
        shared = false;
        for (const auto& [tag, b] : bodies()) index_body(*b);
        stale = false;
    }
};

Store& store() {
    // The store itself lives as long as the process (components and exit
    // handlers that go later may still reach it), but the bodies it holds
    // are given back when the process ends. The kernel's arrays keep their
    // storage through a pointer shifted by the array's lower bound, which
    // the leak checker cannot follow: bodies left in the model at the end
    // would be reported as leaked. The handler is registered while the
    // library is loaded, before the statics made later, so it runs after
    // those are destroyed and before the leak check, which is registered
    // first of all.
    static Store* const s = [] {
        auto* made = new Store;
        std::atexit([] { store().reset(); });
        return made;
    }();
    return *s;
}
const bool registered = (store(), true);

// Bodies whose object dies by other hands (an object deletion, a part
// closed) leave the kernel with it, and the objects of their faces and
// edges die too.
bool committing = false;
const int listener = host::objects::add_destroy_listener([](unsigned int object) {
    if (committing) return;
    Store& s = store();
    s.fresh();
    const int* entity = s.by_object.find(object);
    if (!entity) return;
    const auto b = s.bodies().find(*entity);
    if (b == s.bodies().end()) {  // a face or edge: its body goes with its own object
        drop_held(object);        // or, a held sheet, with its face's
        return;
    }
    const Body gone = b->second;
    s.unindex_body(*gone);
    s.drop(gone->tag);
    committing = true;
    for (const auto* subs : {&gone->named().faces, &gone->named().edges})
        for (const Sub& x : *subs)
            if (x.object && host::objects::is_alive(x.object)) host::objects::destroy(x.object);
    committing = false;
});

const char* sub_name(int cls) {
    switch (cls) {
        case ZQ_CLASS_VERTEX: return "vertex";
        case ZQ_CLASS_EDGE: return "edge";
        case ZQ_CLASS_LOOP: return "loop";
        case ZQ_CLASS_FACE: return "face";
        default: return "body";
    }
}

}  // namespace

void ensure_started() {
    static const bool started = [] {
        // The kernel keeps process-lifetime tables (type descriptors, the
        // default messenger) made on first use: make them here, once, with
        // leak tracking paused, and silence the messenger's console printer
        // so that nothing of the kernel reaches the host's standard output.
        KX_LSAN_PAUSE();
        const Handle(Message_Messenger)& m = Message::DefaultMessenger();
        m->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        KX_LSAN_RESUME();
        return true;
    }();
    (void)started;
}

TopoDS_Shape read_brep(std::istream& in) {
    ensure_started();
    struct Quiet {
        std::streambuf* const kept = std::cout.rdbuf(nullptr);
        ~Quiet() {
            std::cout.rdbuf(kept);
            std::cout.clear();
        }
    } quiet;
    TopoDS_Shape shape;
    try {
        BinTools::Read(shape, in);
    } catch (...) {
        return TopoDS_Shape();
    }
    return shape;
}

void rethrow_as(const Call& call, int code) {
    try {
        throw;
    } catch (const HostError&) {
        throw;
    } catch (const Standard_Failure& e) {
        const char* msg = e.GetMessageString();
        call.fail(code, "%s%s%s", e.DynamicType()->Name(), msg && *msg ? ": " : "", msg ? msg : "");
    } catch (const std::bad_alloc&) {
        call.fail(HOST_ERR_NO_MEMORY, "the kernel ran out of memory");
    } catch (const std::exception& e) {
        call.fail(code, "%s", e.what());
    } catch (...) {
        call.fail(code, "unknown kernel failure");
    }
}

bool is_held(const BodyState& body) {
    return !body.object && body.named().faces.size() == 1 && body.named().faces[0].object;
}

void drop_held(unsigned int object) {
    Store& s = store();
    s.fresh();
    const int* entity = s.by_object.find(object);
    const Loc* l = entity ? locate(*entity) : nullptr;
    const Body b = l ? find_body(l->body) : nullptr;
    if (!b || !is_held(*b)) return;
    s.unindex_body(*b);
    s.drop(b->tag);
}

void hold(BodyState body, unsigned int object) {
    drop_held(object);
    Store& s = store();
    auto made = std::make_shared<const BodyState>(std::move(body));
    s.index_body(*made);
    const int tag = made->tag;
    s.put(tag, std::move(made));
}

Body find_body(int tag) {
    const auto it = store().bodies().find(tag);
    return it == store().bodies().end() ? nullptr : it->second;
}

Body require_body(const Call& call, int tag) {
    Body b = find_body(tag);
    if (!b) {
        const Loc* l = locate(tag);
        call.fail(l ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY, "kernel tag %d is %s", tag,
                  l ? "no body" : "no entity");
    }
    return b;
}

const Loc* locate(int tag) {
    Store& s = store();
    s.fresh();
    return s.where.find(tag);
}

const Sub& require_sub(const Call& call, int tag, int cls, Body* owner) {
    const Loc* l = locate(tag);
    if (!l || l->cls == ZQ_CLASS_BODY) {
        if (l) call.fail(KERNEL_ERR_WRONG_ENTITY, "kernel tag %d is a body, not a %s", tag, sub_name(cls));
        call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no entity", tag);
    }
    if (cls && l->cls != cls)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "kernel tag %d is a %s, not a %s", tag, sub_name(l->cls), sub_name(cls));
    const BodyState& b = *store().bodies().at(l->body);
    if (owner) *owner = store().bodies().at(l->body);
    switch (l->cls) {
        case ZQ_CLASS_FACE: return b.named().faces[l->index];
        case ZQ_CLASS_EDGE: return b.named().edges[l->index];
        case ZQ_CLASS_LOOP: return b.loops[l->index];
        default: return b.vertices[l->index];
    }
}

TopoDS_Shape shape_of(const Call& call, int tag, int* cls, Body* owner) {
    const Loc* l = locate(tag);
    if (!l) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no entity", tag);
    if (cls) *cls = l->cls;
    if (l->cls == ZQ_CLASS_BODY) {
        Body b = find_body(tag);
        if (owner) *owner = b;
        return b->shape;
    }
    return require_sub(call, tag, 0, owner).shape;
}

int new_tag() { return store().next++; }

int body_type(const TopoDS_Shape& shape) {
    if (shape.IsNull()) return 0;
    if (TopExp_Explorer(shape, TopAbs_SOLID).More()) return ZQ_BODY_SOLID;
    if (TopExp_Explorer(shape, TopAbs_FACE).More()) return ZQ_BODY_SHEET;
    if (TopExp_Explorer(shape, TopAbs_EDGE).More()) return ZQ_BODY_WIRE;
    if (TopExp_Explorer(shape, TopAbs_VERTEX).More()) return ZQ_BODY_ACORN;
    return 0;
}

void commit(std::vector<BodyState> put, const std::vector<int>& remove, bool with_objects) {
    Store& s = store();
    s.fresh();
    // Objects the old states had, by kernel tag.
    std::unordered_map<int, unsigned int> old_objects;
    std::vector<Body> old;
    for (const BodyState& b : put)
        if (Body o = find_body(b.tag)) old.push_back(o);
    for (int t : remove)
        if (Body o = find_body(t)) old.push_back(o);
    for (const Body& o : old)
        for (const auto* subs : {&o->named().faces, &o->named().edges})
            for (const Sub& x : *subs)
                if (x.object) old_objects[x.tag] = x.object;

    committing = true;
    struct Done {
        ~Done() { committing = false; }
    } done;
    // Objects first: nothing of the store changes until they are made.
    for (BodyState& b : put) {
        if (Body o = find_body(b.tag); o && !b.object) b.object = o->object;
        if (with_objects && !b.object) b.object = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, 0, 0, {}});
        if (!b.object) continue;
        const unsigned int part = host::objects::require(b.object).part;
        std::vector<unsigned int> members;
        for (auto [subs, subtype] : {std::pair{&b.edit_named().faces, 2}, std::pair{&b.edit_named().edges, 3}})
            for (Sub& x : *subs) {
                // The faces of a state made again from an earlier step may
                // name the objects that step's faces had then; one that has
                // died since is no longer theirs.
                if (x.object && !host::objects::is_alive(x.object)) x.object = 0;
                // A face or edge keeps the object its tag had (a body read
                // from a file brings its objects along).
                if (const auto it = old_objects.find(x.tag); it != old_objects.end()) {
                    if (!x.object) x.object = it->second;
                    if (x.object == it->second) old_objects.erase(it);
                }
                if (!x.object)
                    x.object = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, subtype, part, {}});
                host::entity::attrs(x.object).owner = b.object;
                if (subtype == 2) members.push_back(x.object);
            }
        host::entity::rare(b.object).members = std::move(members);
    }
    for (const auto& [tag, object] : old_objects)
        if (host::objects::is_alive(object)) host::objects::destroy(object);
    for (int t : remove) {
        const auto it = s.bodies().find(t);
        if (it == s.bodies().end()) continue;
        const unsigned int object = it->second->object;
        s.unindex_body(*it->second);
        s.drop(t);
        if (object && host::objects::is_alive(object)) host::objects::destroy(object);
    }
    for (BodyState& b : put) {
        if (Body o = find_body(b.tag)) s.unindex_body(*o);
        auto made = std::make_shared<const BodyState>(std::move(b));
        s.index_body(*made);
        const int made_tag = made->tag;
        s.put(made_tag, std::move(made));
    }
}

void commit(BodyState put, const std::vector<int>& remove, bool with_objects) {
    std::vector<BodyState> one;
    one.push_back(std::move(put));
    commit(std::move(one), remove, with_objects);
}

}  // namespace host::kernel::detail

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace host::kernel {

unsigned int object_of(int entity) {
    const hd::Loc* l = hd::locate(entity);
    if (!l) return 0;
    const hd::BodyState& b = *hd::store().bodies().at(l->body);
    switch (l->cls) {
        case ZQ_CLASS_BODY: return b.object;
        case ZQ_CLASS_FACE: return b.named().faces[l->index].object;
        case ZQ_CLASS_EDGE: return b.named().edges[l->index].object;
        default: return 0;
    }
}

int entity_of(unsigned int object) {
    hd::Store& s = hd::store();
    s.fresh();
    const int* entity = s.by_object.find(object);
    return !entity || !host::objects::is_alive(object) ? 0 : *entity;
}

int body_of(int entity) {
    const hd::Loc* l = hd::locate(entity);
    return l ? l->body : 0;
}

std::vector<int> faces_of(int body) {
    std::vector<int> out;
    if (hd::Body b = hd::find_body(body))
        for (const hd::Sub& f : b->named().faces) out.push_back(f.tag);
    return out;
}

std::vector<int> edges_of(int body) {
    std::vector<int> out;
    if (hd::Body b = hd::find_body(body))
        for (const hd::Sub& e : b->named().edges) out.push_back(e.tag);
    return out;
}

std::vector<int> bodies() {
    std::vector<int> out;
    for (const auto& [tag, b] : hd::store().bodies()) out.push_back(tag);
    return out;
}

}  // namespace host::kernel

// ---- kernel tags and model objects ------------------------------------------

extern "C" {

// The faces and edges of `body` may be listed in another order than
// from's: each takes the objects of the one of from's in its place.
void ZQ_BODY_adopt(int body, int from) {
    auto call = HOST_ENTRY(body, from);
    if (body == from) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d adopts itself", body);
    hd::Store& s = hd::store();
    s.fresh();
    const hd::Body b = hd::require_body(call, body), f = hd::require_body(call, from);
    // Each face or edge of `body` and the one of `from` in its place: the
    // same place in the list when that lies where it does, else the first
    // not yet taken that does (a body made again may list them in another
    // order); none for a body of another shape.
    const auto box_of = [](const hd::Sub& x) {
        std::array<double, 6> out{};
        ZQ_TOPOL_find_box(x.tag, out.data());
        return out;
    };
    const auto at = [](const std::array<double, 6>& x, const std::array<double, 6>& y) {
        for (int k = 0; k < 6; ++k)
            if (std::abs(x[k] - y[k]) > 1e-6 * (1 + std::abs(x[k]))) return false;
        return true;
    };
    const auto places = [&](const std::vector<hd::Sub>& x, const std::vector<hd::Sub>& y) {
        std::vector<std::size_t> out;
        if (x.size() != y.size()) return out;
        std::vector<std::array<double, 6>> theirs;
        for (const hd::Sub& t : y) theirs.push_back(box_of(t));
        std::vector<bool> taken(y.size(), false);
        for (std::size_t i = 0; i < x.size(); ++i) {
            const std::array<double, 6> mine = box_of(x[i]);
            const auto free_at = [&](std::size_t j) { return !taken[j] && at(mine, theirs[j]); };
            std::size_t j = i;
            if (!free_at(j))
                for (j = 0; j < y.size() && !free_at(j);) ++j;
            if (j == y.size()) return std::vector<std::size_t>{};
            taken[j] = true;
            out.push_back(j);
        }
        return out;
    };
    const std::vector<std::size_t> face_places = places(b->named().faces, f->named().faces),
                                   edge_places = places(b->named().edges, f->named().edges);
    if (face_places.size() != b->named().faces.size() || edge_places.size() != b->named().edges.size())
        call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d is not of the shape of body %d", body, from);
    std::vector<unsigned int> gone;
    hd::BodyState n = *b;
    if (n.object) gone.push_back(n.object);
    n.object = f->object;
    n.density = f->density;
    for (auto [mine, theirs, place] : {std::tuple{&n.edit_named().faces, &f->named().faces, &face_places},
                                       std::tuple{&n.edit_named().edges, &f->named().edges, &edge_places}})
        for (std::size_t i = 0; i < mine->size(); ++i) {
            if ((*mine)[i].object) gone.push_back((*mine)[i].object);
            (*mine)[i].object = (*theirs)[(*place)[i]].object;
        }
    hd::committing = true;
    s.unindex_body(*b);
    s.unindex_body(*f);
    s.drop(from);
    auto made = std::make_shared<const hd::BodyState>(std::move(n));
    s.index_body(*made);
    s.put(body, std::move(made));
    for (unsigned int o : gone)
        if (host::objects::is_alive(o)) host::objects::destroy(o);
    hd::committing = false;
}

void pxlook_(const int* entity, unsigned int* object) {
    auto call = HOST_ENTRY(entity ? *entity : 0, object);
    call.need(entity, "the kernel entity");
    call.need(object, "the object output");
    *object = hk::object_of(*entity);
}

void es7010_(const unsigned int* object, int* entity) {
    auto call = HOST_ENTRY(object ? *object : 0u, entity);
    call.need(object, "the object");
    call.need(entity, "the kernel entity output");
    *entity = hk::entity_of(*object);
}

int ES_solid_ask_fermalith_tag(unsigned int object) {
    HOST_ENTRY(object);
    return hk::entity_of(object);
}

void es7009_(const unsigned int* object, unsigned int* body) {
    auto call = HOST_ENTRY(object ? *object : 0u, body);
    call.need(object, "the object");
    call.need(body, "the body output");
    const hd::Loc* l = hd::locate(hk::entity_of(*object));
    *body = l ? hk::object_of(l->body) : 0;
}

unsigned int ES_solid_ask_body(unsigned int object) {
    HOST_ENTRY(object);
    const hd::Loc* l = hd::locate(hk::entity_of(object));
    return l ? hk::object_of(l->body) : 0;
}

void es7008_(const int* entity, unsigned int* object, int* status) {
    auto call = HOST_ENTRY(entity ? *entity : 0, object, status);
    call.need(entity, "the kernel entity");
    call.need(object, "the object output");
    call.need(status, "the status output");
    *object = 0;
    hd::Body b = hd::find_body(*entity);
    if (!b || hd::is_held(*b)) {  // a held sheet belongs to its face object
        *status = 1;
        return;
    }
    if (!b->object) {
        hd::BodyState copy = *b;
        hd::commit({std::move(copy)}, {}, true);
        b = hd::find_body(*entity);
    }
    *object = b->object;
    *status = 0;
}

namespace {
int class_of_object(unsigned int object) {
    const hd::Loc* l = hd::locate(hk::entity_of(object));
    return l ? l->cls : 0;
}
}  // namespace

int ES_solid_is_a_body(unsigned int object) {
    HOST_ENTRY(object);
    return class_of_object(object) == ZQ_CLASS_BODY;
}

int ES_solid_is_a_face(unsigned int object) {
    HOST_ENTRY(object);
    return class_of_object(object) == ZQ_CLASS_FACE;
}

int ES_solid_is_a_edge(unsigned int object) {
    HOST_ENTRY(object);
    return class_of_object(object) == ZQ_CLASS_EDGE;
}

int ES_solid_is_a_sheet_body(unsigned int object) {
    HOST_ENTRY(object);
    hd::Body b = hd::find_body(hk::entity_of(object));
    return b && hd::body_type(b->shape) == ZQ_BODY_SHEET;
}

}  // extern "C"
