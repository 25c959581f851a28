// The object store, the class tree and persistent handles.
#include "host/services/objects.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "host/data/parts.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/memory.h"

namespace host::objects {
namespace {

constexpr tag_t kFirstTag = 10001;
// The counter cannot move past this id, so it is never given to an object.
constexpr std::uint32_t kLastEid = 0xFFFFFFFFu;

struct Store {
    std::unordered_map<tag_t, Object> objects;
    std::vector<tag_t> order;  // creation order, dead ones included
    std::unordered_map<tag_t, PartInfo> parts;
    tag_t next_tag = kFirstTag;
    std::uint32_t next_eid = 1;
};

class StoreComponent : public ModelComponent {
public:
    Store store;
    const char* name() const override { return "objects"; }
    std::shared_ptr<const void> snapshot() const override { return std::make_shared<Store>(store); }
    // Tags and entity ids stay unique across a restore: the counters never
    // go back, so a tag of an object that the restore removed stays dead.
    void restore(const void* s) override {
        tag_t next_tag = store.next_tag;
        std::uint32_t next_eid = store.next_eid;
        store = *static_cast<const Store*>(s);
        store.next_tag = std::max(store.next_tag, next_tag);
        store.next_eid = std::max(store.next_eid, next_eid);
    }
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

[[noreturn]] void dead_tag(const host::Call& call, tag_t t) { call.fail(HOST_ERR_DEAD_TAG, "tag %u is not a live object", t); }
Object& live(const host::Call& call, tag_t t) {
    Object* o = find(t);
    if (!o) dead_tag(call, t);
    return *o;
}

// The handle (the routine's errors are raised through its call).
char* compose(const Call& call, unsigned char dm, const char* file, unsigned sub_file, unsigned version) {
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

Parsed parse(const Call& call, const char* handle) {
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

namespace {

// Makes a live object with the entity id given.
tag_t make(const host::Call& call, const NewObject& spec, std::uint32_t eid) {
    Store& s = st();
    if (!known_class(spec.cls)) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown class %d", spec.cls);
    if (spec.part != 0 && !part_info(spec.part)) dead_tag(call, spec.part);
    Object o;
    o.tag = s.next_tag++;
    o.cls = spec.cls;
    o.type = spec.type;
    o.subtype = spec.subtype;
    o.part = spec.part;
    o.name = spec.name;
    o.eid = eid;
    s.order.push_back(o.tag);
    tag_t t = o.tag;
    s.objects.emplace(t, std::move(o));
    parts::note_change(t);
    return t;
}

}  // namespace

tag_t create(const NewObject& spec) {
    const host::Call call = api(__func__);
    Store& s = st();
    // The counter stops below the reserved id rather than wrap to ids that
    // live objects may hold.
    if (s.next_eid >= kLastEid) call.fail(HOST_ERR_NO_MEMORY, "entity ids are used up");
    const tag_t t = make(call, spec, s.next_eid);
    ++s.next_eid;
    return t;
}

std::vector<tag_t> create_with_eids(const std::vector<KeptObject>& kept) {
    const host::Call call = api(__func__);
    // Everything is checked before the first object is made.
    std::unordered_map<tag_t, std::unordered_set<std::uint32_t>> taken;  // part -> ids in use
    auto ids_of = [&taken](tag_t part) -> std::unordered_set<std::uint32_t>& {
        auto [it, fresh] = taken.try_emplace(part);
        if (fresh) {
            if (const Object* p = find(part)) it->second.insert(p->eid);
            for (tag_t t : objects_of_part(part)) it->second.insert(find(t)->eid);
        }
        return it->second;
    };
    for (const KeptObject& k : kept) {
        if (!known_class(k.spec.cls)) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown class %d", k.spec.cls);
        if (k.spec.part != 0 && !part_info(k.spec.part)) dead_tag(call, k.spec.part);
        if (k.eid == 0 || k.eid == kLastEid) call.fail(HOST_ERR_BAD_ARGUMENT, "entity id %" PRIu32 " cannot be given", k.eid);
        if (!ids_of(k.spec.part).insert(k.eid).second)
            call.fail(HOST_ERR_BAD_ARGUMENT, "entity id %" PRIu32 " is in use in part %u", k.eid, k.spec.part);
    }
    std::vector<tag_t> made;
    made.reserve(kept.size());
    for (const KeptObject& k : kept) {
        const tag_t t = make(call, k.spec, k.eid);
        reserve_eids(k.eid);
        made.push_back(t);
    }
    return made;
}

tag_t create_with_eid(const NewObject& spec, std::uint32_t eid) { return create_with_eids({{spec, eid}}).front(); }

void reserve_eids(std::uint32_t eid) {
    Store& s = st();
    if (eid < kLastEid && s.next_eid <= eid) s.next_eid = eid + 1;
}

tag_t create_part(const std::string& file, unsigned char dm) {
    if (!dm_name(dm))
        api(__func__).fail(HOST_ERR_BAD_HANDLE, "unknown data manager %d", dm);
    tag_t t = create({OM_CLASS_PART, 0, 0, 0, file});
    st().parts[t] = PartInfo{file, dm, 1};
    return t;
}

void destroy(tag_t object) {
    Object& o = live(api(__func__), object);
    if (o.cls == OM_CLASS_PART)
        for (tag_t member : objects_of_part(object)) destroy(member);
    Object* again = find(object);  // listeners may have touched the store
    if (!again) return;
    again->alive = false;
    st().parts.erase(object);
    for (std::size_t i = 0; i < listeners().size(); ++i) listeners()[i].fn(object);
}

Object* find(tag_t object) {
    auto& objs = st().objects;
    auto it = objs.find(object);
    return it == objs.end() || !it->second.alive ? nullptr : &it->second;
}

Object& require(tag_t object) { return live(api(__func__), object); }

bool is_alive(tag_t object) { return find(object) != nullptr; }

const PartInfo* part_info(tag_t part) {
    auto it = st().parts.find(part);
    return it == st().parts.end() ? nullptr : &it->second;
}

PartInfo& require_part(tag_t part) {
    auto it = st().parts.find(part);
    if (it == st().parts.end()) dead_tag(api(__func__), part);
    return it->second;
}

std::vector<tag_t> objects_of_part(tag_t part) {
    std::vector<tag_t> out;
    for (tag_t t : st().order) {
        const Object* o = find(t);
        if (o && o->part == part) out.push_back(t);
    }
    return out;
}

std::vector<tag_t> live_objects() {
    std::vector<tag_t> out;
    for (tag_t t : st().order)
        if (find(t)) out.push_back(t);
    return out;
}

tag_t tag_of_eid(std::uint32_t eid, tag_t part) {
    tag_t first = 0;
    for (tag_t t : st().order) {
        const Object* o = find(t);
        if (!o || o->eid != eid) continue;
        if (part != 0 && (o->part == part || t == part)) return t;
        if (first == 0) first = t;
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
    if (!known_class(parent))
        api(__func__).fail(HOST_ERR_BAD_ARGUMENT, "unknown parent class %d", parent);
    classes().push_back({name, parent});
    return static_cast<OM_class_t>(classes().size() - 1);
}

int add_destroy_listener(std::function<void(tag_t)> fn) {
    int id = next_listener++;
    listeners().push_back({id, std::move(fn)});
    return id;
}

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
    for (ho::tag_t t : ho::st().order) {
        const ho::Object* o = ho::find(t);
        if (!o || o->eid != p.sub_file) continue;
        const ho::PartInfo* part = o->cls == OM_CLASS_PART ? ho::part_info(o->tag) : ho::part_info(o->part);
        bool same = part ? (part->dm == p.dm && part->file == p.file) : (p.dm == 1 && p.file.empty());
        if (same) return t;  // the version is not compared (tolerant lookup)
    }
    return 0;
}

void* TAG_ask_pointer_of_tag(unsigned int object) {
    HOST_ENTRY(object);
    return ho::find(object);
}

}  // extern "C"
