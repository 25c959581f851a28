// The object store, the class tree and persistent handles.
#include "host/base/services/objects.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_map>
#include <utility>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::objects {
namespace {

constexpr tag_t kFirstTag = 10001;
// The counter cannot move past this id, so it is never given to an object.
constexpr std::uint32_t kLastEid = 0xFFFFFFFFu;

// The store keeps one slot per tag handed out (tags are dense: handed out
// in sequence, never again), dead ones included, in pages so that slots
// never move. Changes are journaled per object: a slot records its
// before-image on its first change after a checkpoint (see host/base/model.h).
// The counters are no model state: they never go back, so a tag or an
// entity id is never given twice.
//
// Indexes kept along (not journaled: every change, the journal's undoing
// included, goes through the functions that keep them):
//   - per part, its objects' tags in creation order (dead ones included),
//     with a flag telling whether their entity ids ascend in that order (as
//     they do unless ids were given, so that a binary search finds one);
//   - names: the tags of named objects by a hash of part and name (letters
//     in upper case), for the lookups by name;
//   - per entity type, its objects' tags in creation order (dead ones
//     included), for the queries that look for objects of one type.
// A slot derives from its object so that the stamp takes the room the
// object leaves at its end.
struct Slot : Object {
    Slot(Object&& o, stamp_t s) : Object(std::move(o)), stamp(s) {}
    Object& object() { return *this; }
    const Object& object() const { return *this; }
    stamp_t stamp = 0;
};
struct Members {
    std::deque<tag_t> tags;
    bool eids_ascending = true;
};
struct Store {
    PagedVector<Slot> slots;  // slot of tag t: t - kFirstTag
    std::unordered_map<tag_t, Members> members;
    std::unordered_multimap<std::uint64_t, tag_t> names;
    std::unordered_map<int, std::deque<tag_t>> types;
    tag_t next_tag = kFirstTag;
    std::uint32_t next_eid = 1;
};

class StoreComponent : public ModelComponent {
public:
    Store store;
    const char* name() const override { return "objects"; }
    void reset() override { store = Store{}; }
};

StoreComponent& component() {
    static StoreComponent* c = [] {
        auto* made = new StoreComponent;
        register_model_component(made);
        return made;
    }();
    return *c;
}
Store& st() { return component().store; }
// The store registers itself at load even when nobody asked for it yet.
const bool registered = (component(), true);

// The data-manager rows of the live parts.
TagTable<PartInfo>& part_rows() {
    static auto* t = new TagTable<PartInfo>("part infos");  // lives as long as the process
    return *t;
}
const bool part_rows_registered = (part_rows(), true);

Slot* slot(tag_t t) {
    Store& s = st();
    if (t < kFirstTag || t >= s.next_tag) return nullptr;
    const std::size_t i = t - kFirstTag;
    return i < s.slots.size() ? &s.slots[i] : nullptr;
}

std::uint64_t name_key(tag_t part, std::string_view name) {
    std::uint64_t h = 1469598103934665603ull ^ part;  // FNV-1a over the part and the name in upper case
    for (char c : name) {
        h ^= static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
        h *= 1099511628211ull;
    }
    return h;
}
void index_name(const Object& o) {
    if (!o.name.empty()) st().names.emplace(name_key(o.part, o.name), o.tag);
}
void unindex_name(const Object& o) {
    if (o.name.empty()) return;
    auto [b, e] = st().names.equal_range(name_key(o.part, o.name));
    for (auto it = b; it != e; ++it)
        if (it->second == o.tag) {
            st().names.erase(it);
            return;
        }
}

// The first place in an ascending list of tags holding a tag above
// `after`. The tags of a list are mostly dense (handed out in sequence), so
// the place is guessed by proportion and searched for around the guess in
// steps that double: a cycle step costs the same in a list of any length.
std::deque<tag_t>::const_iterator first_after(const std::deque<tag_t>& tags, tag_t after) {
    const std::size_t n = tags.size();
    if (n == 0 || after < tags.front()) return tags.begin();
    if (after >= tags.back()) return tags.end();
    const double span = static_cast<double>(tags.back() - tags.front());
    std::size_t lo =
        static_cast<std::size_t>(static_cast<double>(after - tags.front()) / span * static_cast<double>(n - 1));
    lo = std::min(lo, n - 1);
    // Widen [lo, hi) until tags[lo] <= after < tags[hi].
    std::size_t hi = lo + 1, step = 1;
    while (lo > 0 && tags[lo] > after) {
        hi = lo;
        lo = lo > step ? lo - step : 0;
        step *= 2;
    }
    step = 1;
    while (hi < n && tags[hi] <= after) {
        lo = hi;
        hi = std::min(n, hi + step);
        step *= 2;
    }
    return std::upper_bound(tags.begin() + static_cast<std::ptrdiff_t>(lo),
                            tags.begin() + static_cast<std::ptrdiff_t>(hi), after);
}

// Tags of a list in creation order (ascending).
void insert_sorted(std::deque<tag_t>& tags, tag_t t) {
    if (tags.empty() || tags.back() < t) tags.push_back(t);
    else tags.insert(std::lower_bound(tags.begin(), tags.end(), t), t);
}
void remove_from(std::deque<tag_t>& tags, tag_t t) {
    if (!tags.empty() && tags.back() == t) {
        tags.pop_back();
        return;
    }
    auto it = std::lower_bound(tags.begin(), tags.end(), t);
    if (it != tags.end() && *it == t) tags.erase(it);
}
void retype(tag_t t, int from, int to) {
    if (from == to) return;
    remove_from(st().types[from], t);
    insert_sorted(st().types[to], t);
}

// Journal records of the store.
struct Made : MadeRecord {  // undoing creations: the objects die for good
    explicit Made(tag_t t) : MadeRecord(&st(), t) {}
    void unmake(tag_t tag) override {
        Slot* s = slot(tag);
        if (!s) return;
        unindex_name(*s);
        // The objects of a record mostly share part and type: their lists
        // are looked up once (a map's values stay where they are).
        if (!part_tags || s->part != part) {
            part = s->part;
            part_tags = &st().members[part].tags;
        }
        if (!type_tags || s->type != type) {
            type = s->type;
            type_tags = &st().types[type];
        }
        remove_from(*part_tags, tag);
        remove_from(*type_tags, tag);
        s->alive = false;
        s->name = std::string();
    }
    tag_t part = 0;
    int type = 0;
    std::deque<tag_t>* part_tags = nullptr;
    std::deque<tag_t>* type_tags = nullptr;
};
struct Was : UndoRecord {  // an object as it was
    Was(const Object& o, stamp_t prev) : UndoRecord(prev), image(o) {}
    void undo() override {
        Slot* s = slot(image.tag);
        if (!s) return;
        unindex_name(s->object());
        retype(image.tag, s->object().type, image.type);
        s->object() = std::move(image);
        s->stamp = prev;
        index_name(s->object());
    }
    Object image;
};

// The slot of a live or dead object, about to change.
Object& changing(Slot& s) {
    if (journal::must_record(s.stamp)) {
        journal::add(std::make_unique<Was>(s.object(), s.stamp));
        s.stamp = journal::open;
    }
    return s.object();
}

// Where a new object goes: its part's list and its type's list (looked up
// once for a run of objects that share them).
struct Lists {
    tag_t part = 0;
    int type = 0;
    Members* members = nullptr;
    std::deque<tag_t>* type_tags = nullptr;
    void find_for(tag_t p, int t) {
        if (!members || p != part) {
            part = p;
            members = &st().members[p];
        }
        if (!type_tags || t != type) {
            type = t;
            type_tags = &st().types[t];
        }
    }
};

// Where a change is noted (set_change_note): constant-initialised, so a
// registration made during start-up is never overwritten.
void (*g_change_note)(tag_t) = nullptr;
void note_change(tag_t object) {
    if (g_change_note) g_change_note(object);
}

// Makes the object; `noted` false leaves the note of the change to the
// caller (note_change).
tag_t make(const NewObject& spec, std::uint32_t eid, Lists& lists, bool noted = true) {
    Store& s = st();
    Object o;
    o.tag = s.next_tag++;
    o.cls = spec.cls;
    o.type = spec.type;
    o.subtype = spec.subtype;
    o.part = spec.part;
    o.name = spec.name;
    o.eid = eid;
    s.slots.emplace_back(std::move(o), journal::open);
    const Object& made = s.slots.back().object();
    lists.find_for(made.part, made.type);
    Members& m = *lists.members;
    if (m.eids_ascending && !m.tags.empty() && slot(m.tags.back())->object().eid > eid) m.eids_ascending = false;
    m.tags.push_back(made.tag);
    lists.type_tags->push_back(made.tag);
    index_name(made);
    journal::add_made(&st(), made.tag, [&] { return std::make_unique<Made>(made.tag); });
    if (noted) note_change(made.tag);
    return made.tag;
}
tag_t make(const NewObject& spec, std::uint32_t eid) {
    Lists lists;
    return make(spec, eid, lists);
}

// The live object of the part (the part itself included) with the entity
// id, or 0.
tag_t eid_in(tag_t part, std::uint32_t eid) {
    if (const Slot* p = slot(part); p && p->object().alive && p->object().eid == eid) return part;
    auto it = st().members.find(part);
    if (it == st().members.end()) return 0;
    const Members& m = it->second;
    auto live_with = [eid, part](tag_t t) {
        const Object& o = slot(t)->object();
        return o.alive && o.eid == eid && o.part == part;
    };
    if (m.eids_ascending) {
        auto at = std::lower_bound(m.tags.begin(), m.tags.end(), eid,
                                   [](tag_t t, std::uint32_t v) { return slot(t)->object().eid < v; });
        for (; at != m.tags.end() && slot(*at)->object().eid == eid; ++at)
            if (live_with(*at)) return *at;
        return 0;
    }
    for (tag_t t : m.tags)
        if (live_with(t)) return t;
    return 0;
}

struct ClassInfo {
    std::string name;
    OM_class_t parent;
};
std::vector<ClassInfo>& classes() {
    static std::vector<ClassInfo> list = {
        {"", 0},
        {"OM_object_c", 0},
        {"RM_entity_c", OM_CLASS_OBJECT},
        {"PART_c", OM_CLASS_OBJECT},
        {"FEATURE_c", OM_CLASS_OBJECT},
        {"EXPRESSION_c", OM_CLASS_OBJECT},
        {"OCC_light_weight_occ_c", OM_CLASS_OBJECT},
    };
    return list;
}
bool known_class(OM_class_t c) { return c > 0 && static_cast<std::size_t>(c) < classes().size(); }

struct Listener {
    int id;
    std::function<void(tag_t)> fn;
};
std::vector<Listener>& listeners() {
    static std::vector<Listener> list;
    return list;
}
int next_listener = 1;
void (*row_drop)(tag_t) = nullptr;

struct DataManager {
    unsigned char number;
    const char* name;
};
constexpr DataManager kDataManagers[] = {{1, "NF"}, {2, "PD"}};
constexpr std::size_t kHandleTail = 18;  // "#xxxxxxxx#xxxxxxxx"

const char* dm_name(unsigned char dm) {
    for (const auto& d : kDataManagers)
        if (d.number == dm) return d.name;
    return nullptr;
}

// The C++ interface's checks raise in the name of the function itself.
host::Call api(const char* function) { return host::Call(function, nullptr); }

[[noreturn]] void dead_tag(const host::Call& call, tag_t t) { call.dead_tag(t); }
const Object& live(const host::Call& call, tag_t t) {
    const Object* o = find(t);
    if (!o) dead_tag(call, t);
    return *o;
}

char* compose(const host::Call& call, unsigned char dm, const char* file, unsigned sub_file, unsigned version) {
    const char* name = dm_name(dm);
    if (!name) call.fail(HOST_ERR_BAD_HANDLE, "unknown data manager %d", dm);
    std::string h = std::string(name) + file;
    char tail[kHandleTail + 1];
    std::snprintf(tail, sizeof tail, "#%08x#%08x", sub_file, version);
    h += tail;
    return SM_string_copy(h.c_str());
}

bool parse_hex8(const char* p, unsigned& out) {
    out = 0;
    for (int i = 0; i < 8; ++i) {
        char c = p[i];
        unsigned d;
        if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
        else return false;
        out = out * 16 + d;
    }
    return true;
}

struct Parsed {
    unsigned char dm;
    std::string file;
    unsigned sub_file;
    unsigned version;
};

Parsed parse(const host::Call& call, const char* handle) {
    std::size_t n = std::strlen(handle);
    Parsed p{};
    bool ok = n >= 2 + kHandleTail;
    if (ok) {
        const char* tail = handle + n - kHandleTail;
        ok = tail[0] == '#' && tail[9] == '#' && parse_hex8(tail + 1, p.sub_file) && parse_hex8(tail + 10, p.version);
    }
    if (ok) {
        ok = false;
        for (const auto& d : kDataManagers)
            if (std::strncmp(handle, d.name, 2) == 0) {
                p.dm = d.number;
                ok = true;
            }
    }
    if (!ok) call.fail(HOST_ERR_BAD_HANDLE, "malformed handle \"%s\"", handle);
    p.file.assign(handle + 2, n - 2 - kHandleTail);
    return p;
}

}  // namespace

tag_t create(const NewObject& spec) {
    const host::Call call = api(__func__);
    if (!known_class(spec.cls)) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown class %d", spec.cls);
    if (spec.part != 0 && !part_info(spec.part)) dead_tag(call, spec.part);
    // The counter stops below the reserved id rather than wrap to ids that
    // live objects may hold.
    if (st().next_eid >= kLastEid) call.fail(HOST_ERR_NO_MEMORY, "entity ids are used up");
    return make(spec, st().next_eid++);
}

std::vector<tag_t> create_with_eids(const std::vector<KeptObject>& kept) {
    const host::Call call = api(__func__);
    // Everything is checked before the first object is made.
    auto in_use = [&call](const KeptObject& k) {
        call.fail(HOST_ERR_BAD_ARGUMENT, "entity id %" PRIu32 " is in use in part %u", k.eid, k.spec.part);
    };
    std::vector<std::pair<tag_t, std::uint32_t>> given;  // (part, id), to find ids given twice
    given.reserve(kept.size());
    // A part's checks are made once for a run of objects in it; a part
    // without objects yet (one being read from a file) has no ids in use
    // but its own.
    tag_t checked_part = 0;
    bool part_empty = false;
    for (const KeptObject& k : kept) {
        if (!known_class(k.spec.cls)) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown class %d", k.spec.cls);
        if (given.empty() || k.spec.part != checked_part) {
            if (k.spec.part != 0 && !part_info(k.spec.part)) dead_tag(call, k.spec.part);
            checked_part = k.spec.part;
            const auto it = st().members.find(checked_part);
            part_empty = it == st().members.end() || it->second.tags.empty();
        }
        if (k.eid == 0 || k.eid == kLastEid)
            call.fail(HOST_ERR_BAD_ARGUMENT, "entity id %" PRIu32 " cannot be given", k.eid);
        const Slot* p = part_empty ? slot(k.spec.part) : nullptr;
        if (part_empty ? p && p->object().alive && p->object().eid == k.eid : eid_in(k.spec.part, k.eid) != 0)
            in_use(k);
        given.emplace_back(k.spec.part, k.eid);
    }
    if (!std::is_sorted(given.begin(), given.end())) std::sort(given.begin(), given.end());  // as a file gives them
    if (auto twice = std::adjacent_find(given.begin(), given.end()); twice != given.end())
        in_use({{OM_CLASS_RM_ENTITY, 0, 0, twice->first}, twice->second});
    std::vector<tag_t> made;
    made.reserve(kept.size());
    Lists lists;
    tag_t noted = 0;
    for (const KeptObject& k : kept) {
        const tag_t t = make(k.spec, k.eid, lists, false);
        made.push_back(t);
        reserve_eids(k.eid);
        // A change of a loaded part marks it modified: once per run of
        // objects of one part is enough.
        if (made.size() == 1 || k.spec.part != noted) {
            noted = k.spec.part;
            note_change(t);
        }
    }
    return made;
}

tag_t create_with_eid(const NewObject& spec, std::uint32_t eid) { return create_with_eids({{spec, eid}}).front(); }

void reserve_eids(std::uint32_t eid) {
    Store& s = st();
    if (eid < kLastEid && s.next_eid <= eid) s.next_eid = eid + 1;
}

tag_t create_part(const std::string& file, unsigned char dm) {
    if (!dm_name(dm)) api(__func__).fail(HOST_ERR_BAD_HANDLE, "unknown data manager %d", dm);
    tag_t t = create({OM_CLASS_PART, 0, 0, 0, file});
    part_rows()[t] = PartInfo{file, dm, 1};
    return t;
}

void set_change_note(void (*note)(tag_t object)) { g_change_note = note; }

void destroy(tag_t object) {
    live(api(__func__), object);
    if (slot(object)->object().cls == OM_CLASS_PART)
        for (tag_t member : objects_of_part(object))
            if (find(member)) destroy(member);  // one that went with an earlier member (a body's faces) is gone
    if (!find(object)) return;                  // listeners may have touched the store
    changing(*slot(object)).alive = false;
    part_rows().erase(object);
    for (std::size_t i = 0; i < listeners().size(); ++i) listeners()[i].fn(object);
    if (row_drop) row_drop(object);
}

const Object* find(tag_t object) {
    const Slot* s = slot(object);
    return s && s->object().alive ? &s->object() : nullptr;
}

const Object& require(tag_t object) { return live(api(__func__), object); }

bool is_alive(tag_t object) { return find(object) != nullptr; }

void set_name(tag_t object, std::string_view name) {
    live(api(__func__), object);
    Object& o = changing(*slot(object));
    if (o.name == name) return;
    unindex_name(o);
    o.name.assign(name);
    index_name(o);
}

void set_type(tag_t object, int type, int subtype) {
    live(api(__func__), object);
    Object& o = changing(*slot(object));
    retype(object, o.type, type);
    o.type = type;
    o.subtype = subtype;
}

const PartInfo* part_info(tag_t part) { return part_rows().find(part); }

PartInfo& require_part(tag_t part) {
    PartInfo* info = part_rows().edit(part);
    if (!info) dead_tag(api(__func__), part);
    return *info;
}

std::vector<tag_t> objects_of_part(tag_t part) {
    std::vector<tag_t> out;
    auto it = st().members.find(part);
    if (it == st().members.end()) return out;
    for (tag_t t : it->second.tags)
        if (const Object* o = find(t); o && o->part == part) out.push_back(t);
    return out;
}

tag_t next_of_part(tag_t part, tag_t after, const std::function<bool(const Object&)>& accept) {
    auto it = st().members.find(part);
    if (it == st().members.end()) return 0;
    const auto& tags = it->second.tags;
    for (auto at = first_after(tags, after); at != tags.end(); ++at)
        if (const Object* o = find(*at); o && o->part == part && accept(*o)) return *at;
    return 0;
}

tag_t next_named(tag_t part, std::string_view name, tag_t after, const std::function<bool(const Object&)>& accept) {
    auto same = [name](const std::string& n) {
        if (n.size() != name.size()) return false;
        for (std::size_t i = 0; i < n.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(n[i])) != std::toupper(static_cast<unsigned char>(name[i])))
                return false;
        return true;
    };
    tag_t best = 0;
    auto [b, e] = st().names.equal_range(name_key(part, name));
    for (auto it = b; it != e; ++it) {
        const tag_t t = it->second;
        if (t <= after || (best != 0 && t >= best)) continue;
        const Object* o = find(t);
        if (o && o->part == part && same(o->name) && accept(*o)) best = t;
    }
    return best;
}

std::vector<tag_t> objects_of_type(int type) {
    std::vector<tag_t> out;
    auto it = st().types.find(type);
    if (it == st().types.end()) return out;
    for (tag_t t : it->second)
        if (is_alive(t)) out.push_back(t);
    return out;
}

std::vector<tag_t> live_objects() {
    std::vector<tag_t> out;
    const auto& slots = st().slots;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i].alive) out.push_back(slots[i].tag);
    return out;
}

tag_t tag_of_eid(std::uint32_t eid, tag_t part) {
    if (part != 0)
        if (const tag_t t = eid_in(part, eid)) return t;
    // The first one made with it in any part: the least tag.
    tag_t first = 0;
    for (const auto& [p, m] : st().members) {
        const tag_t t = eid_in(p, eid);
        if (t != 0 && (first == 0 || t < first)) first = t;
    }
    return first;
}

// The live object with the entity id whose handle names the data manager
// and the file, or 0; the first one made when several have it.
tag_t tag_of_handle(unsigned char dm, const std::string& file, std::uint32_t eid) {
    auto matches = [&](const PartInfo* info) {
        return info ? info->dm == dm && info->file == file : dm == 1 && file.empty();
    };
    tag_t first = 0;
    auto take = [&first](tag_t t) {
        if (t != 0 && (first == 0 || t < first)) first = t;
    };
    for (const auto& [p, m] : st().members) {
        if (p == 0) continue;
        if (const PartInfo* info = part_info(p); info && matches(info)) take(eid_in(p, eid));
    }
    // Objects of no part (parts among them: they go by their own file).
    if (auto it = st().members.find(0); it != st().members.end())
        for (tag_t t : it->second.tags) {
            const Object* o = find(t);
            if (!o || o->eid != eid) continue;
            if (matches(o->cls == OM_CLASS_PART ? part_info(t) : nullptr)) take(t);
        }
    return first;
}

tag_t next_tag() { return st().next_tag; }

bool is_subclass(OM_class_t cls, OM_class_t ancestor) {
    if (!known_class(ancestor)) return false;
    for (OM_class_t c = cls; known_class(c); c = classes()[static_cast<std::size_t>(c)].parent)
        if (c == ancestor) return true;
    return false;
}

OM_class_t register_class(const std::string& name, OM_class_t parent) {
    for (std::size_t i = 1; i < classes().size(); ++i)
        if (classes()[i].name == name) return static_cast<OM_class_t>(i);
    if (!known_class(parent)) api(__func__).fail(HOST_ERR_BAD_ARGUMENT, "unknown parent class %d", parent);
    classes().push_back({name, parent});
    return static_cast<OM_class_t>(classes().size() - 1);
}

int add_destroy_listener(std::function<void(tag_t)> fn) {
    int id = next_listener++;
    listeners().push_back({id, std::move(fn)});
    return id;
}

void set_row_drop(void (*fn)(tag_t)) { row_drop = fn; }

void remove_destroy_listener(int id) {
    auto& list = listeners();
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->id == id) {
            list.erase(it);
            return;
        }
}

}  // namespace host::objects

namespace ho = host::objects;

extern "C" {

OM_class_t OM_ask_class(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return call.live(object).cls;
}

int OM_is_subclass(OM_class_t cls, OM_class_t ancestor) {
    HOST_ENTRY(cls, ancestor);
    return ho::is_subclass(cls, ancestor);
}

void OM_check_tag_class(const char* module, int line, unsigned int object, OM_class_t cls) {
    auto call = HOST_ENTRY(object, cls, line);
    const char* mod = module ? module : call.name();
    const ho::Object* o = ho::find(object);
    if (!o) ERROR_raise(mod, line, HOST_ERR_DEAD_TAG, "Tag %u is not a live object", object);
    if (!OM_is_subclass(o->cls, cls)) {
        const char* want = OM_ask_class_name(cls);
        ERROR_raise(mod, line, HOST_ERR_WRONG_CLASS, "Tag %u of class %s is not of class %s", object,
                    ho::classes()[static_cast<std::size_t>(o->cls)].name.c_str(), want ? want : "(unknown)");
    }
}

OM_class_t OM_ask_class_of_name(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the name");
    for (std::size_t i = 1; i < ho::classes().size(); ++i)
        if (ho::classes()[i].name == name) return static_cast<OM_class_t>(i);
    return 0;
}

const char* OM_ask_class_name(OM_class_t cls) {
    HOST_ENTRY(cls);
    return ho::known_class(cls) ? ho::classes()[static_cast<std::size_t>(cls)].name.c_str() : nullptr;
}

unsigned char TAG_ask_dm_of_name(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the name");
    for (const auto& d : ho::kDataManagers)
        if (std::strcmp(name, d.name) == 0) return d.number;
    call.fail(HOST_ERR_BAD_HANDLE, "unknown data manager \"%s\"", name);
}

void TAG_ask_name_of_dm(unsigned char dm, char* name) {
    auto call = HOST_ENTRY(dm, name);
    call.need(name, "the name buffer");
    const char* n = ho::dm_name(dm);
    if (!n) call.fail(HOST_ERR_BAD_HANDLE, "unknown data manager %d", dm);
    std::snprintf(name, 4, "%s", n);
}

char* TAG_compose_handle(unsigned char dm, const char* file_part, unsigned int sub_file, unsigned int version) {
    auto call = HOST_ENTRY_TEXT(file_part, dm, sub_file, version);
    call.need(file_part, "the file part");
    return ho::compose(call, dm, file_part, sub_file, version);
}

void TAG_decompose_handle(const char* handle, unsigned char* dm, char** file_part, unsigned int* sub_file,
                          unsigned int* version) {
    auto call = HOST_ENTRY_TEXT(handle);
    call.need(handle, "the handle");
    call.need(dm, "the data-manager output");
    call.need(file_part, "the file-part output");
    call.need(sub_file, "the sub-file output");
    call.need(version, "the version output");
    ho::Parsed p = ho::parse(call, handle);
    *file_part = SM_string_copy(p.file.c_str());
    *dm = p.dm;
    *sub_file = p.sub_file;
    *version = p.version;
}

char* TAG_ask_handle_of_tag(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const ho::Object& o = call.live(object);
    const ho::PartInfo* part = o.cls == OM_CLASS_PART ? ho::part_info(o.tag) : ho::part_info(o.part);
    static const ho::PartInfo none{"", 1, 0};
    if (!part) part = &none;
    return ho::compose(call, part->dm, part->file.c_str(), o.eid, part->version);
}

unsigned int TAG_ask_tag_of_handle_tol(const char* handle) {
    auto call = HOST_ENTRY_TEXT(handle);
    call.need(handle, "the handle");
    ho::Parsed p = ho::parse(call, handle);
    return ho::tag_of_handle(p.dm, p.file, p.sub_file);  // the version is not compared (tolerant lookup)
}

void* TAG_ask_pointer_of_tag(unsigned int object) {
    HOST_ENTRY(object);
    return const_cast<ho::Object*>(ho::find(object));
}

unsigned int OM_ask_tag(const void* object) {
    auto call = HOST_ENTRY(object);
    call.need(object, "the object");
    const unsigned int t = static_cast<const ho::Object*>(object)->tag;
    if (ho::find(t) != object) call.fail(HOST_ERR_DEAD_TAG, "the object is no live object");
    return t;
}

}  // extern "C"
