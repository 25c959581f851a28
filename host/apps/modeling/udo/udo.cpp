// The user-defined-object service: classes, their routines, objects with
// data, links and owned objects, and the features that stand for them.
#include "host/apps/modeling/udo/udo.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/row_fields.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::udo {
namespace {

constexpr int kMethodKinds = 7;
constexpr const char* kFeatureKind = "UDO";

struct Class {
    std::string name;
    // A class known only from a part file read: the program that defines
    // it takes it over when it creates its class of this name.
    bool from_file = false;
    bool has_friendly = false;
    std::string friendly;
    UDOBJ_method_fn methods[kMethodKinds] = {};
};
struct Classes {
    std::vector<Class> list;  // class id n is list[n - 1]
};
Classes& classes() { return service_state<Classes>("udo classes"); }

struct Udo {
    unsigned int class_id = 0;
    int status = 0;
    int version = 0;
    int owned_selection = 0;
    std::vector<int> ints;
    std::map<int, std::vector<double>> doubles;  // by kind
    std::vector<std::string> strings;
    std::vector<UDOBJ_link_t> links;
    std::vector<tag_t> owned;
    tag_t owner = 0;  // for an owned object: its owner
    tag_t feature = 0;
};

// Rows of user-defined objects and of the objects they own or link to
// (an owned object keeps its owner in its row).
TagTable<Udo>& rows() {
    static auto* t = new TagTable<Udo>("udo objects");  // lives as long as the process
    return *t;
}

void on_destroy(tag_t object);
void redraw();
// The listener comes before the table's own, so that a dying object's row
// is still there when the listener runs.
const bool registered =
    (objects::add_destroy_listener(on_destroy), rows(), classes(), temp::on_regenerate(redraw), true);

const int kDoubleKinds[] = {UDOBJ_KIND_DOUBLES, UDOBJ_KIND_LENGTHS, UDOBJ_KIND_AREAS, UDOBJ_KIND_VOLUMES};
bool is_double_kind(int kind) {
    return std::find(std::begin(kDoubleKinds), std::end(kDoubleKinds), kind) != std::end(kDoubleKinds);
}

const unsigned int kLinkCodes[] = {UDOBJ_LINK_CODE_1, UDOBJ_LINK_CODE_2, UDOBJ_LINK_CODE_3, UDOBJ_LINK_CODE_4};

Class& class_of(const Call& call, unsigned int id) {
    if (id == 0 || id > classes().list.size()) call.fail(HOST_ERR_BAD_ARGUMENT, "no class %u", id);
    return classes().list[id - 1];
}

bool is_udo(tag_t t) {
    const objects::Object* o = objects::find(t);
    return o && o->type == HOST_TYPE_UDO;
}

// The row of a live user-defined object, to change.
Udo& udo_row(const Call& call, tag_t udo) {
    call.live_of_type(udo, HOST_TYPE_UDO);
    return rows()[udo];
}
const Udo& udo_read(const Call& call, tag_t udo) {
    call.live_of_type(udo, HOST_TYPE_UDO);
    const Udo* r = rows().find(udo);
    static const Udo empty;
    return r ? *r : empty;
}

int bad(const char* what, int value) {
    (void)what, (void)value;
    return HOST_ERR_BAD_ARGUMENT;
}

void check_link(const Call& call, const UDOBJ_link_t& l) {
    if (l.link_type < 1 || l.link_type > 4) call.fail(HOST_ERR_BAD_ARGUMENT, "link type %d", l.link_type);
    call.live(l.assoc_object);
}

// Calls a routine under a frame of the host's own; an error raised inside
// is noted and its code answered.
template <class Fn>
int run_method(Fn&& fn) {
    const int id = arm_library_frame();
    try {
        const int answer = fn();
        ERROR_cancel_handler(id);
        return answer;
    } catch (const HostError& e) {
        if (!e.for_library_frame()) throw;
        const int code = ERROR_ask_failure_code();
        ERROR_note("udo", __LINE__, ("a routine of a user-defined class failed: " + std::string(e.what())).c_str());
        return code;
    }
}

UDOBJ_method_fn method_of(tag_t udo, int kind) {
    const Udo* r = rows().find(udo);
    if (!r || r->class_id == 0 || r->class_id > classes().list.size()) return nullptr;
    return classes().list[r->class_id - 1].methods[kind];
}

void on_destroy(tag_t object) {
    // Objects linked to the dead one go out of date.
    for (tag_t other : objects::objects_of_type(HOST_TYPE_UDO)) {
        const Udo* o = rows().find(other);
        if (!o || std::none_of(o->links.begin(), o->links.end(),
                               [&](const UDOBJ_link_t& l) { return l.assoc_object == object; }))
            continue;
        Udo& w = rows()[other];
        for (UDOBJ_link_t& l : w.links)
            if (l.assoc_object == object) l.status = 1;
        w.status = 1;
    }
    const Udo* r = rows().find(object);
    if (!r) return;
    const tag_t owner = r->owner;
    if (owner && rows().find(owner)) {
        auto& owned = rows()[owner].owned;
        owned.erase(std::remove(owned.begin(), owned.end(), object), owned.end());
    }
    const std::vector<tag_t> owned = r->owned;
    for (tag_t o : owned)
        if (rows().find(o)) rows()[o].owner = 0;
    const auto routine = reinterpret_cast<UDOBJ_plain_method_fn>(method_of(object, UDOBJ_METHOD_DELETE));
    if (routine) run_method([&] { return routine(object); });
}

std::vector<tag_t> links_to(tag_t object) {
    std::vector<tag_t> found;
    for (tag_t u : objects::objects_of_type(HOST_TYPE_UDO)) {
        const Udo* r = rows().find(u);
        if (!r) continue;
        const bool linked = std::any_of(r->links.begin(), r->links.end(),
                                        [&](const UDOBJ_link_t& l) { return l.assoc_object == object; }) ||
                            std::find(r->owned.begin(), r->owned.end(), object) != r->owned.end();
        if (linked) found.push_back(u);
    }
    return found;
}

// Part-file section "UDOB": the user-defined objects with their data. The
// class goes by its name (ids are the session's): a class that the session
// does not know yet is made from the file, and the program that defines it
// takes it over. Payload: rows of objects (host/store/parts/part_file.h); a row:
//   str class name, u8 friendly name given, str friendly name
//   i32 status, i32 version, i32 owned-object selection
//   u32 count + i32 integers
//   per kind of doubles (plain, length, area, volume): u32 count + f64
//   u32 count + str strings
//   u32 count + per link i32 type, u32 object, u32 view, i32 status
//   u32 count + u32 owned objects
//   u32 feature
// Objects go by their number in the file (kNotSaved: none, or one not
// written with the part, read back as 0). An empty class name, a negative
// version, a selection other than 0 and 1, a link type outside 1 to 4, an owned
// object owned twice or the object itself, a feature that is no
// user-defined feature, or a row for an object that is no user-defined
// object, makes the file corrupt.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

struct FileRow {
    Udo row;
    std::string class_name;
    bool has_friendly = false;
    std::string friendly;
};

void write_udos(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t object) {
        if (!is_udo(object)) return;
        const Udo* r = rows().find(object);
        const Udo none;
        if (!r) r = &none;
        if (r->class_id == 0 || r->class_id > classes().list.size()) return;
        const Class& c = classes().list[r->class_id - 1];
        row.str(c.name);
        row.u8(c.has_friendly ? 1 : 0);
        row.str(c.friendly);
        row.i32(r->status);
        row.i32(r->version);
        row.i32(r->owned_selection);
        row.u32(static_cast<std::uint32_t>(r->ints.size()));
        for (int v : r->ints) row.i32(v);
        for (int kind : kDoubleKinds) {
            const auto it = r->doubles.find(kind);
            fields::put_reals(row, it == r->doubles.end() ? std::vector<double>() : it->second);
        }
        row.u32(static_cast<std::uint32_t>(r->strings.size()));
        for (const std::string& v : r->strings) row.str(v);
        row.u32(static_cast<std::uint32_t>(r->links.size()));
        for (const UDOBJ_link_t& l : r->links) {
            row.i32(l.link_type);
            fields::put_object(row, ctx, l.assoc_object);
            fields::put_object(row, ctx, l.object_view);
            row.i32(l.status);
        }
        fields::put_objects(row, ctx, r->owned);
        fields::put_object(row, ctx, objects::is_alive(r->feature) ? r->feature : 0);
    });
}

void read_udos(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, FileRow>> read;
    pf::read_rows(in, ctx, {"user-defined object row", 8 + 40, false}, [&](tag_t t, pf::Reader& row) {
        const objects::Object& o = objects::require(t);
        if (o.cls != OM_CLASS_RM_ENTITY || o.type != HOST_TYPE_UDO)
            throw pf::FormatError("a user-defined object row of an object that is no such object");
        FileRow f;
        f.class_name = row.str();
        if (f.class_name.empty() || f.class_name.find('\0') != std::string::npos)
            throw pf::FormatError("a user-defined object's class name");
        f.has_friendly = row.u8() != 0;
        f.friendly = row.str();
        if (f.friendly.find('\0') != std::string::npos) throw pf::FormatError("a user-defined class's friendly name");
        Udo& r = f.row;
        r.status = row.i32();
        r.version = row.i32();
        r.owned_selection = row.i32();
        if (r.version < 0 || (r.owned_selection != 0 && r.owned_selection != 1))
            throw pf::FormatError("a user-defined object's version or selection");
        r.ints.resize(fields::get_count(row, 4, "a user-defined object"));
        for (int& v : r.ints) v = row.i32();
        for (int kind : kDoubleKinds) {
            std::vector<double> v = fields::get_reals(row, "a user-defined object");
            if (!v.empty()) r.doubles[kind] = std::move(v);
        }
        r.strings.resize(fields::get_count(row, 4, "a user-defined object"));
        for (std::string& v : r.strings) {
            v = row.str();
            if (v.find('\0') != std::string::npos) throw pf::FormatError("a user-defined object's string");
        }
        r.links.resize(fields::get_count(row, 16, "a user-defined object"));
        for (UDOBJ_link_t& l : r.links) {
            l.link_type = row.i32();
            l.assoc_object = fields::get_object(row, ctx, "a user-defined object's link");
            l.object_view = fields::get_object(row, ctx, "a user-defined object's link");
            l.status = row.i32();
            if (l.link_type < 1 || l.link_type > 4) throw pf::FormatError("a user-defined object's link type");
        }
        for (tag_t owned : fields::get_objects(row, ctx, "a user-defined object"))
            if (owned != 0) r.owned.push_back(owned);
        r.feature = fields::get_object(row, ctx, "a user-defined object");
        if (r.feature != 0) {
            const objects::Object& fo = objects::require(r.feature);
            const feature::Record* fr = feature::find(r.feature);
            // The feature's record may come later in the file: its kind is
            // checked once every section is read (see owned_rule).
            if (fo.cls != OM_CLASS_FEATURE || (fr && fr->kind != kFeatureKind))
                throw pf::FormatError("a user-defined object's feature is no user-defined feature");
        }
        read.emplace_back(t, std::move(f));
    });
    // An object has at most one owner and never owns itself.
    std::map<tag_t, tag_t> owners;
    for (const auto& [t, f] : read)
        for (tag_t owned : f.row.owned)
            if (owned == t || !owners.emplace(owned, t).second)
                throw pf::FormatError("an object owned twice or by itself");
    for (auto& [t, f] : read) {
        auto& list = classes().list;
        const std::string& class_name = f.class_name;
        auto c = std::find_if(list.begin(), list.end(), [&](const Class& k) { return k.name == class_name; });
        if (c == list.end()) {
            Class made;
            made.name = f.class_name;
            made.from_file = true;
            made.has_friendly = f.has_friendly;
            made.friendly = f.friendly;
            list.push_back(std::move(made));
            c = list.end() - 1;
        }
        f.row.class_id = static_cast<unsigned int>(c - list.begin()) + 1;
        rows()[t] = std::move(f.row);
    }
    for (const auto& [owned, owner] : owners) rows()[owned].owner = owner;
}

// The feature that a user-defined object names is one of its kind (the
// records are read in a section of their own).
const char* feature_rule(tag_t part) {
    for (tag_t u : objects::objects_of_type(HOST_TYPE_UDO)) {
        if (objects::require(u).part != part) continue;
        const Udo* r = rows().find(u);
        if (!r || r->feature == 0) continue;
        const feature::Record* f = feature::find(r->feature);
        if (!f || f->kind != kFeatureKind) return "a user-defined object's feature is no user-defined feature";
    }
    return nullptr;
}

// User-defined objects are kept by section "UDOB".
const bool kind_registered =
    (part_rules::register_known_kind(OM_CLASS_RM_ENTITY, HOST_TYPE_UDO, 0, 0, "ENTS UDOB"), true);
const bool section_registered =
    (pf::register_section({{'U', 'D', 'O', 'B'}, write_udos, read_udos}), part_rules::register_rule(feature_rule), true);

template <class T>
T* sm_copy(const std::vector<T>& v) {
    if (v.empty()) return nullptr;
    T* out = static_cast<T*>(SM_alloc(v.size() * sizeof(T)));
    std::copy(v.begin(), v.end(), out);
    return out;
}

char* sm_string(const std::string& s) {
    char* out = static_cast<char*>(SM_alloc(s.size() + 1));
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

int context_method(tag_t udo, int kind, int mode, void* record) {
    const auto routine = reinterpret_cast<UDOBJ_context_method_fn>(method_of(udo, kind));
    if (!routine) return 0;
    display_context_s context{mode, record};
    return run_method([&] { return routine(udo, &context); });
}

// A regeneration draws every user-defined object of the work part.
void redraw() {
    const tag_t part = CONTEXT_ask_work_part();
    for (tag_t u : objects::objects_of_type(HOST_TYPE_UDO)) {
        if (objects::require(u).part != part) continue;
        DSS_display_record_t record{};
        context_method(u, UDOBJ_METHOD_DISPLAY, DSS_MODE_DISPLAY, &record);
    }
}

}  // namespace

std::optional<Info> info(tag_t udo) {
    const Udo* r = rows().find(udo);
    if (!r || !is_udo(udo)) return std::nullopt;
    return Info{r->class_id, r->status, r->version, r->owned_selection, r->links, r->owned, r->owner, r->feature};
}

int call_with_context(tag_t udo, int kind, int mode, void* record) { return context_method(udo, kind, mode, record); }
int display(tag_t udo, DSS_display_record_t& r) {
    return context_method(udo, UDOBJ_METHOD_DISPLAY, DSS_MODE_DISPLAY, &r);
}
int fit(tag_t udo, DSS_fit_record_t& r) { return context_method(udo, UDOBJ_METHOD_FIT, DSS_MODE_FIT, &r); }
int pick(tag_t udo, DSS_pick_record_t& r) { return context_method(udo, UDOBJ_METHOD_SELECT, DSS_MODE_PICK, &r); }
int select_area(tag_t udo, DSS_area_record_t& r) { return context_method(udo, UDOBJ_METHOD_SELECT, DSS_MODE_AREA, &r); }
int attention_point(tag_t udo, DSS_attention_record_t& r) {
    return context_method(udo, UDOBJ_METHOD_ATTENTION, DSS_MODE_ATTENTION, &r);
}
int update(tag_t udo) {
    const auto routine = reinterpret_cast<UDOBJ_plain_method_fn>(method_of(udo, UDOBJ_METHOD_UPDATE));
    return routine ? run_method([&] { return routine(udo); }) : 0;
}
int information(tag_t udo) {
    const auto routine = reinterpret_cast<UDOBJ_plain_method_fn>(method_of(udo, UDOBJ_METHOD_INFO));
    return routine ? run_method([&] { return routine(udo); }) : 0;
}

}  // namespace host::udo

namespace hu = host::udo;

// ---- Classes ----

unsigned int UDOBJ_create_class(const char* name, const char* friendly_name) {
    auto call = HOST_ENTRY_TEXT(name, friendly_name);
    call.need(name, "the class name");
    if (*name == '\0') call.fail(HOST_ERR_BAD_ARGUMENT, "an empty class name");
    auto& list = hu::classes().list;
    for (hu::Class& c : list) {
        if (c.name != name) continue;
        if (!c.from_file) call.fail(HOST_ERR_BAD_ARGUMENT, "class %s exists already", name);
        // The class of objects read from a part file: the program's now.
        c.from_file = false;
        c.has_friendly = friendly_name != nullptr;
        c.friendly = friendly_name ? friendly_name : "";
        return static_cast<unsigned int>(&c - list.data()) + 1;
    }
    hu::Class c;
    c.name = name;
    c.has_friendly = friendly_name != nullptr;
    if (friendly_name) c.friendly = friendly_name;
    list.push_back(std::move(c));
    return static_cast<unsigned int>(list.size());
}

unsigned char UDOBJ_is_class_valid(unsigned int class_id) {
    HOST_ENTRY(class_id);
    return class_id >= 1 && class_id <= hu::classes().list.size();
}

const char* UDOBJ_ask_class_name(unsigned int class_id) {
    auto call = HOST_ENTRY(class_id);
    return hu::class_of(call, class_id).name.c_str();
}

const char* UDOBJ_ask_friendly_name(unsigned int class_id) {
    auto call = HOST_ENTRY(class_id);
    const hu::Class& c = hu::class_of(call, class_id);
    return c.has_friendly ? c.friendly.c_str() : nullptr;
}

int UDOBJ_register_method(unsigned int class_id, int kind, UDOBJ_method_fn routine) {
    auto call = HOST_ENTRY(class_id, kind, reinterpret_cast<const void*>(routine));
    int status;
    if (call.status(status)) return status;
    if (!UDOBJ_is_class_valid(class_id) || kind < 0 || kind >= hu::kMethodKinds) return hu::bad("method", kind);
    hu::classes().list[class_id - 1].methods[kind] = routine;
    return 0;
}

// ---- Objects and features ----

namespace {

// The steps of the creations, shared without entering the routines again
// (a creation of an object with its feature is one host step).
int make_udo(const host::Call& call, unsigned int class_id, unsigned int* udo) {
    if (!UDOBJ_is_class_valid(class_id)) return hu::bad("class", static_cast<int>(class_id));
    const unsigned int part = CONTEXT_ask_work_part();
    call.live(part);
    *udo = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_UDO, 0, part});
    hu::rows()[*udo].class_id = class_id;
    return 0;
}

void make_feature(const host::Call& call, unsigned int udo, unsigned int* feature) {
    const hu::Udo& r = hu::udo_read(call, udo);
    if (r.feature != 0 && host::objects::is_alive(r.feature))
        call.fail(HOST_ERR_BAD_ARGUMENT, "object %u has a feature already", udo);
    *feature = host::feature::create(host::objects::require(udo).part, hu::kFeatureKind, {}, {udo});
    hu::rows()[udo].feature = *feature;
}

}  // namespace

int UDOBJ_create_udo(unsigned int class_id, unsigned int* udo) {
    auto call = HOST_ENTRY(class_id, udo);
    call.need(udo, "the object output");
    int status;
    if (call.status(status)) return status;
    return make_udo(call, class_id, udo);
}

int UDOBJ_create_udo_feature_from_udo(unsigned int udo, unsigned int* feature) {
    auto call = HOST_ENTRY(udo, feature);
    call.need(feature, "the feature output");
    make_feature(call, udo, feature);
    return 0;
}

int UDOBJ_create_udo_feature(unsigned int class_id, unsigned int* udo, unsigned int* feature) {
    auto call = HOST_ENTRY(class_id, udo, feature);
    call.need(udo, "the object output");
    call.need(feature, "the feature output");
    if (int st = make_udo(call, class_id, udo); st != 0) return st;
    make_feature(call, *udo, feature);
    return 0;
}

unsigned char UDOBJ_is_udo_feature(unsigned int object) {
    HOST_ENTRY(object);
    const host::feature::Record* f = host::feature::find(object);
    return f && f->kind == hu::kFeatureKind;
}

unsigned int UDOBJ_ask_udo_of_udo_feature(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const host::feature::Record* f = host::feature::find(feature);
    if (!f || f->kind != hu::kFeatureKind)
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no user-defined feature", feature);
    for (unsigned int r : f->results)
        if (hu::is_udo(r) && hu::rows().find(r) && hu::rows().find(r)->feature == feature) return r;
    return 0;
}

unsigned int UDOBJ_ask_udo_feature_of_udo(unsigned int udo) {
    auto call = HOST_ENTRY(udo);
    const host::udo::tag_t f = hu::udo_read(call, udo).feature;
    return host::objects::is_alive(f) ? f : 0;
}

int UDOBJ_edit_udo_of_udo_feature(unsigned int udo, unsigned int feature) {
    auto call = HOST_ENTRY(udo, feature);
    hu::udo_read(call, udo);
    const host::udo::tag_t old = UDOBJ_ask_udo_of_udo_feature(feature);
    if (old == udo) return 0;
    if (UDOBJ_ask_udo_feature_of_udo(udo) != 0) return hu::bad("object with a feature", static_cast<int>(udo));
    if (old) hu::rows()[old].feature = 0;
    hu::rows()[udo].feature = feature;
    return 0;
}

namespace {

// The arrays of a data record live in one host block, laid out in the
// record's order, so that freeing the record is one release that either
// happens or not.
class Arena {
public:
    // Room for n values of T (aligned for T).
    template <class T>
    void reserve(std::size_t n) {
        if (n == 0) return;
        size_ = align(size_, alignof(T)) + n * sizeof(T);
    }
    void reserve_text(const std::string& s) { size_ += s.size() + 1; }
    void allocate() { base_ = size_ ? static_cast<char*>(SM_alloc(size_)) : nullptr, at_ = 0; }
    template <class T>
    T* take(std::size_t n) {
        if (n == 0) return nullptr;
        at_ = align(at_, alignof(T));
        T* p = reinterpret_cast<T*>(base_ + at_);
        at_ += n * sizeof(T);
        return p;
    }
    char* text(const std::string& s) {
        char* p = base_ + at_;
        std::memcpy(p, s.c_str(), s.size() + 1);
        at_ += s.size() + 1;
        return p;
    }

private:
    static std::size_t align(std::size_t at, std::size_t a) { return (at + a - 1) / a * a; }
    std::size_t size_ = 0, at_ = 0;
    char* base_ = nullptr;
};

const std::vector<double>& doubles_of(const hu::Udo& r, int kind) {
    static const std::vector<double> none;
    const auto it = r.doubles.find(kind);
    return it == r.doubles.end() ? none : it->second;
}

// The block of a record: its first array in layout order.
void* block_of(const UDOBJ_data_t& d) {
    for (void* p : {static_cast<void*>(d.ints), static_cast<void*>(d.doubles), static_cast<void*>(d.lengths),
                    static_cast<void*>(d.areas), static_cast<void*>(d.volumes), static_cast<void*>(d.strings),
                    static_cast<void*>(d.links)})
        if (p) return p;
    return nullptr;
}

}  // namespace

int UDOBJ_ask_udo_data(unsigned int udo, UDOBJ_data_t* data) {
    auto call = HOST_ENTRY(udo, data);
    call.need(data, "the data record");
    const hu::Udo& r = hu::udo_read(call, udo);
    const int kinds[4] = {UDOBJ_KIND_DOUBLES, UDOBJ_KIND_LENGTHS, UDOBJ_KIND_AREAS, UDOBJ_KIND_VOLUMES};
    Arena arena;
    arena.reserve<int>(r.ints.size());
    for (int k : kinds) arena.reserve<double>(doubles_of(r, k).size());
    arena.reserve<char*>(r.strings.size());
    arena.reserve<UDOBJ_link_t>(r.links.size());
    for (const std::string& t : r.strings) arena.reserve_text(t);
    arena.allocate();

    UDOBJ_data_t d{};
    d.class_id = r.class_id;
    d.num_ints = static_cast<int>(r.ints.size());
    d.ints = arena.take<int>(r.ints.size());
    std::copy(r.ints.begin(), r.ints.end(), d.ints);
    int* counts[4] = {&d.num_doubles, &d.num_lengths, &d.num_areas, &d.num_volumes};
    double** arrays[4] = {&d.doubles, &d.lengths, &d.areas, &d.volumes};
    for (int i = 0; i < 4; ++i) {
        const std::vector<double>& v = doubles_of(r, kinds[i]);
        *counts[i] = static_cast<int>(v.size());
        *arrays[i] = arena.take<double>(v.size());
        std::copy(v.begin(), v.end(), *arrays[i]);
    }
    d.num_strings = static_cast<int>(r.strings.size());
    d.strings = arena.take<char*>(r.strings.size());
    d.num_links = static_cast<int>(r.links.size());
    d.links = arena.take<UDOBJ_link_t>(r.links.size());
    std::copy(r.links.begin(), r.links.end(), d.links);
    for (std::size_t i = 0; i < r.strings.size(); ++i) d.strings[i] = arena.text(r.strings[i]);
    *data = d;
    return 0;
}

int UDOBJ_free_udo_data(UDOBJ_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the data record");
    SM_free(block_of(*data));
    *data = UDOBJ_data_t{};
    return 0;
}

int UDOBJ_ask_udo_class_name(unsigned int udo, char** name) {
    auto call = HOST_ENTRY(udo, name);
    call.need(name, "the name output");
    const hu::Udo& r = hu::udo_read(call, udo);
    *name = hu::sm_string(hu::class_of(call, r.class_id).name);
    return 0;
}

int UDOBJ_cycle_udos_by_class(unsigned int part, unsigned int class_id, unsigned int* udo) {
    auto call = HOST_ENTRY(part, class_id, udo);
    call.need(udo, "the object");
    if (!host::objects::part_info(part)) call.dead_tag(part);
    if (!UDOBJ_is_class_valid(class_id)) return hu::bad("class", static_cast<int>(class_id));
    *udo = host::objects::next_of_part(part, *udo, [&](const host::objects::Object& o) {
        if (o.type != HOST_TYPE_UDO) return false;
        const hu::Udo* r = hu::rows().find(o.tag);
        return r && r->class_id == class_id;
    });
    return 0;
}

int UDOBJ_version_udo(unsigned int udo, int version) {
    auto call = HOST_ENTRY(udo, version);
    hu::Udo& r = hu::udo_row(call, udo);
    if (version < r.version) return hu::bad("version", version);
    r.version = version;
    return 0;
}

void UDOBJ_set_status(unsigned int udo, int status) {
    auto call = HOST_ENTRY(udo, status);
    hu::Udo& r = hu::udo_row(call, udo);
    r.status = status;
    if (status == 0)
        for (UDOBJ_link_t& l : r.links) l.status = 0;
}

// ---- Data ----

int UDOBJ_add_integers(unsigned int udo, int count, const int* values) {
    auto call = HOST_ENTRY(udo, count, values);
    if (count < 1) return hu::bad("count", count);
    call.need(values, "the values");
    auto& v = hu::udo_row(call, udo).ints;
    v.insert(v.end(), values, values + count);
    return 0;
}

int UDOBJ_add_doubles(unsigned int udo, int kind, int count, const double* values) {
    auto call = HOST_ENTRY(udo, kind, count, values);
    if (!hu::is_double_kind(kind)) return hu::bad("kind", kind);
    if (count < 1) return hu::bad("count", count);
    call.need(values, "the values");
    auto& v = hu::udo_row(call, udo).doubles[kind];
    v.insert(v.end(), values, values + count);
    return 0;
}

int UDOBJ_add_strings(unsigned int udo, int count, char* const* strings) {
    auto call = HOST_ENTRY(udo, count, strings);
    if (count < 1) return hu::bad("count", count);
    call.need(strings, "the strings");
    for (int i = 0; i < count; ++i) call.need(strings[i], "a string");
    auto& v = hu::udo_row(call, udo).strings;
    v.insert(v.end(), strings, strings + count);
    return 0;
}

int UDOBJ_edit_integers(unsigned int udo, const int* values) {
    auto call = HOST_ENTRY(udo, values);
    call.need(values, "the values");
    auto& v = hu::udo_row(call, udo).ints;
    std::copy(values, values + v.size(), v.begin());
    return 0;
}

int UDOBJ_edit_doubles(unsigned int udo, int kind, const double* values) {
    auto call = HOST_ENTRY(udo, kind, values);
    if (!hu::is_double_kind(kind)) return hu::bad("kind", kind);
    call.need(values, "the values");
    auto& v = hu::udo_row(call, udo).doubles[kind];
    std::copy(values, values + v.size(), v.begin());
    return 0;
}

int UDOBJ_edit_strings(unsigned int udo, char* const* strings) {
    auto call = HOST_ENTRY(udo, strings);
    call.need(strings, "the strings");
    auto& v = hu::udo_row(call, udo).strings;
    for (std::size_t i = 0; i < v.size(); ++i) call.need(strings[i], "a string");
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = strings[i];
    return 0;
}

int UDOBJ_delete_records(unsigned int udo, int kind, int first, int count) {
    auto call = HOST_ENTRY(udo, kind, first, count);
    hu::Udo& r = hu::udo_row(call, udo);
    auto erase = [&](auto& v) {
        if (first < 0 || count < 0 || static_cast<std::size_t>(first) + static_cast<std::size_t>(count) > v.size())
            return hu::bad("records", first);
        v.erase(v.begin() + first, v.begin() + first + count);
        return 0;
    };
    if (kind == UDOBJ_KIND_INTEGERS) return erase(r.ints);
    if (kind == UDOBJ_KIND_STRINGS) return erase(r.strings);
    if (hu::is_double_kind(kind)) return erase(r.doubles[kind]);
    return hu::bad("kind", kind);
}

// ---- Links and ownership ----

int UDOBJ_add_links(unsigned int udo, int count, const UDOBJ_link_t* links) {
    auto call = HOST_ENTRY(udo, count, links);
    if (count < 1) return hu::bad("count", count);
    call.need(links, "the links");
    for (int i = 0; i < count; ++i) hu::check_link(call, links[i]);
    auto& v = hu::udo_row(call, udo).links;
    for (int i = 0; i < count; ++i) v.push_back({links[i].link_type, links[i].assoc_object, links[i].object_view, 0});
    return 0;
}

int UDOBJ_add_owning_links(unsigned int udo, int count, const unsigned int* objects) {
    auto call = HOST_ENTRY(udo, count, objects);
    if (count < 1) return hu::bad("count", count);
    call.need(objects, "the objects");
    hu::udo_read(call, udo);
    for (int i = 0; i < count; ++i) {
        call.live(objects[i]);
        const hu::Udo* o = hu::rows().find(objects[i]);
        if (objects[i] == udo || (o && o->owner != 0 && o->owner != udo))
            call.fail(HOST_ERR_BAD_ARGUMENT, "object %u cannot be owned by %u", objects[i], udo);
    }
    for (int i = 0; i < count; ++i) {
        auto& owned = hu::rows()[udo].owned;
        if (std::find(owned.begin(), owned.end(), objects[i]) == owned.end()) owned.push_back(objects[i]);
        hu::rows()[objects[i]].owner = udo;
    }
    return 0;
}

int UDOBJ_edit_link(unsigned int udo, const UDOBJ_link_t* link, int index) {
    auto call = HOST_ENTRY(udo, link, index);
    call.need(link, "the link");
    hu::check_link(call, *link);
    auto& v = hu::udo_row(call, udo).links;
    if (index < 0 || static_cast<std::size_t>(index) >= v.size()) return hu::bad("index", index);
    v[static_cast<std::size_t>(index)] = {link->link_type, link->assoc_object, link->object_view, 0};
    return 0;
}

int UDOBJ_edit_links(unsigned int udo, const UDOBJ_link_t* links, int count, int first) {
    auto call = HOST_ENTRY(udo, links, count, first);
    call.need(links, "the links");
    for (int i = 0; i < count; ++i) hu::check_link(call, links[i]);
    auto& v = hu::udo_row(call, udo).links;
    if (count < 1 || first < 0 || static_cast<std::size_t>(first) + static_cast<std::size_t>(count) > v.size())
        return hu::bad("links", first);
    for (int i = 0; i < count; ++i)
        v[static_cast<std::size_t>(first + i)] = {links[i].link_type, links[i].assoc_object, links[i].object_view, 0};
    return 0;
}

int UDOBJ_delete_link(unsigned int udo, const UDOBJ_link_t* link) {
    auto call = HOST_ENTRY(udo, link);
    call.need(link, "the link");
    auto& v = hu::udo_row(call, udo).links;
    const auto end = std::remove_if(v.begin(), v.end(), [&](const UDOBJ_link_t& l) {
        return l.link_type == link->link_type && l.assoc_object == link->assoc_object;
    });
    if (end == v.end()) return hu::bad("link", link->link_type);
    v.erase(end, v.end());
    return 0;
}

int UDOBJ_delete_owning_link(unsigned int udo, unsigned int owned) {
    auto call = HOST_ENTRY(udo, owned);
    auto& v = hu::udo_row(call, udo).owned;
    const auto it = std::find(v.begin(), v.end(), owned);
    if (it == v.end()) return hu::bad("owned object", static_cast<int>(owned));
    v.erase(it);
    if (hu::rows().find(owned)) hu::rows()[owned].owner = 0;
    return 0;
}

unsigned char UDOBJ_is_linked_to_udo(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    return !hu::links_to(object).empty();
}

unsigned char UDOBJ_is_owned(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const hu::Udo* r = hu::rows().find(object);
    return r && r->owner != 0;
}

int UDOBJ_ask_links_of_object(unsigned int object, unsigned int** udos) {
    auto call = HOST_ENTRY(object, udos);
    call.need(udos, "the objects output");
    call.live(object);
    const std::vector<host::udo::tag_t> found = hu::links_to(object);
    *udos = hu::sm_copy(found);
    return static_cast<int>(found.size());
}

void UDOBJ_ask_owning_udo(unsigned int object, unsigned int* owner) {
    auto call = HOST_ENTRY(object, owner);
    call.need(owner, "the owner output");
    call.live(object);
    const hu::Udo* r = hu::rows().find(object);
    *owner = r ? r->owner : 0;
}

int UDOBJ_ask_owned_objects(unsigned int udo, unsigned int** objects) {
    auto call = HOST_ENTRY(udo, objects);
    call.need(objects, "the objects output");
    const hu::Udo& r = hu::udo_read(call, udo);
    *objects = hu::sm_copy(r.owned);
    return static_cast<int>(r.owned.size());
}

int UDOBJ_set_owned_object_selection(unsigned int udo, int selection) {
    auto call = HOST_ENTRY(udo, selection);
    if (selection != 0 && selection != 1) return hu::bad("selection", selection);
    hu::udo_row(call, udo).owned_selection = selection;
    return 0;
}

void UDOBJ_find_and_set_link(unsigned int udo, unsigned int link_code, unsigned int linked, int status) {
    auto call = HOST_ENTRY(udo, link_code, linked, status);
    const auto code = std::find(std::begin(hu::kLinkCodes), std::end(hu::kLinkCodes), link_code);
    if (code == std::end(hu::kLinkCodes)) call.fail(HOST_ERR_BAD_ARGUMENT, "link code %#x", link_code);
    const int type = static_cast<int>(code - std::begin(hu::kLinkCodes)) + 1;
    bool found = false;
    for (UDOBJ_link_t& l : hu::udo_row(call, udo).links)
        if (l.link_type == type && l.assoc_object == linked) l.status = status, found = true;
    if (!found) call.fail(HOST_ERR_BAD_ARGUMENT, "no link of type %d to %u", type, linked);
}
