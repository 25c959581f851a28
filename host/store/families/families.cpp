// Part families: families of template parts, their members and the
// instance parts made of them.
#include "host/store/families/families.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace fs = std::filesystem;
using tag_t = unsigned int;

struct Member {
    std::string name;
    std::vector<std::string> values;
};

struct Family {
    tag_t template_part = 0;
    std::string name;
    std::vector<std::string> attributes;
    std::vector<Member> members;
    std::string save_dir;
};

struct Instance {
    tag_t part = 0;
    std::string template_file;
    std::string family;
    std::string member;
    std::vector<std::string> values;
};

struct Families {
    std::map<tag_t, Family> families;
    std::map<tag_t, Instance> instances;
    std::string inst_save_dir;
    tag_t next = FAM_TAG_BASE;
};
Families& state() { return host::model_state<Families>("part families"); }
const Families& read() { return const_cast<const Families&>(state()); }

bool live_part(tag_t part) { return host::objects::part_info(part) != nullptr; }
std::string file_of(tag_t part) {
    const host::objects::PartInfo* p = host::objects::part_info(part);
    return p ? p->file : std::string();
}

// A family whose template is alive (null: none).
const Family* family_of(tag_t family) {
    const auto found = read().families.find(family);
    return found != read().families.end() && live_part(found->second.template_part) ? &found->second : nullptr;
}

const Instance* instance_of(tag_t instance) {
    const auto found = read().instances.find(instance);
    return found != read().instances.end() && live_part(found->second.part) ? &found->second : nullptr;
}

// The instance record of a part (0: none).
tag_t record_of_part(tag_t part) {
    for (const auto& [t, i] : read().instances)
        if (i.part == part) return t;
    return 0;
}

// The family an instance record belongs to: by the template's file and the
// family's name, among the families of loaded templates (0: not loaded).
tag_t family_of_instance(const Instance& i) {
    for (const auto& [t, f] : read().families)
        if (live_part(f.template_part) && f.name == i.family && file_of(f.template_part) == i.template_file) return t;
    return 0;
}

int member_index(const Family& f, const std::string& name) {
    for (std::size_t m = 0; m < f.members.size(); ++m)
        if (f.members[m].name == name) return static_cast<int>(m);
    return -1;
}

// Selects a member by number (0 or more) or by name (member -1): its
// number, or -1.
int select(const Family& f, int member, const char* name) {
    if (member >= 0) return member < static_cast<int>(f.members.size()) ? member : -1;
    return name ? member_index(f, name) : -1;
}

std::string instance_file(const Family& f, int member) {
    const fs::path template_file = file_of(f.template_part);
    fs::path dir = !f.save_dir.empty()             ? fs::path(f.save_dir)
                   : !read().inst_save_dir.empty() ? fs::path(read().inst_save_dir)
                                                   : template_file.parent_path();
    return (dir / (template_file.stem().string() + "_" + f.members[static_cast<std::size_t>(member)].name + ".prt"))
        .string();
}

tag_t loaded_of(const std::string& file) {
    for (const tag_t t : host::parts::loaded_parts())
        if (file_of(t) == file) return t;
    return 0;
}

tag_t new_tag() { return state().next++; }

// Runs f; when a host error comes through, the model goes back to what it
// was before (a part made or opened on the way goes again).
template <class F>
int atomically(F&& f) {
    const host::ModelSnapshot before = host::snapshot_model();
    try {
        return f();
    } catch (...) {
        host::restore_model(before);
        throw;
    }
}

// Makes (or renews) the instance record of a part for the member.
tag_t bind(tag_t part, tag_t family, int member) {
    const Family& f = *family_of(family);
    Instance i;
    i.part = part;
    i.template_file = file_of(f.template_part);
    i.family = f.name;
    i.member = f.members[static_cast<std::size_t>(member)].name;
    i.values = f.members[static_cast<std::size_t>(member)].values;
    tag_t t = record_of_part(part);
    if (!t) t = new_tag();
    state().instances[t] = std::move(i);
    return t;
}

// The loaded instance part of a member (0: none), opening its file or
// making it when asked to. *made: it was made now.
int instance_part(tag_t family, int member, bool load, tag_t* part, bool* made) {
    *part = 0;
    *made = false;
    const std::string file = instance_file(*family_of(family), member);
    if (const tag_t t = loaded_of(file)) {
        *part = t;
    } else if (load) {
        std::error_code ec;
        if (fs::exists(file, ec)) {
            PART_load_status_t status{};
            *part = BASE_open_part_quietly(file.c_str(), &status);
            for (int k = 0; k < status.n_parts; ++k) SM_free(status.file_names[k]);
            SM_free(status.file_names);
            SM_free(status.statuses);
            if (!*part) return PART_ERR_CORRUPT;
        } else {
            const int units = PART_ask_units(family_of(family)->template_part);
            *part = host::parts::create(file, units);
            *made = true;
        }
    }
    if (*part) {
        // A part opened from a file made elsewhere gets its record here.
        const tag_t record = record_of_part(*part);
        if (!record || family_of_instance(*instance_of(record)) != family) bind(*part, family, member);
    }
    return 0;
}

void need_live_part(const host::Call& call, tag_t part) {
    if (!live_part(part)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is no live part", part);
}

int copy_dir(char* buffer, const std::string& dir) {
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return 0;
}

int check_dir(const char* directory) {
    return directory && std::strlen(directory) > PART_MAX_NAME_CHARS ? PART_ERR_NAME_TOO_LONG : 0;
}

// ---- Saved with the parts ----

void write_families(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<const Family*> own;
    for (const auto& [t, f] : read().families)
        if (f.template_part == ctx.part) own.push_back(&f);
    if (own.empty()) return;
    out.u32(static_cast<std::uint32_t>(own.size()));
    for (const Family* f : own) {
        out.str(f->name);
        out.str(f->save_dir);
        out.u32(static_cast<std::uint32_t>(f->attributes.size()));
        for (const std::string& a : f->attributes) out.str(a);
        out.u32(static_cast<std::uint32_t>(f->members.size()));
        for (const Member& m : f->members) {
            out.str(m.name);
            for (const std::string& v : m.values) out.str(v);
        }
    }
}

// A count that cannot exceed the bytes left (each item takes at least
// `least` bytes).
std::uint32_t count(pf::Reader& in, std::size_t least) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / least) throw pf::FormatError("a count beyond the section");
    return n;
}

void read_families(pf::Reader& in, pf::LoadContext& ctx) {
    const std::uint32_t n = count(in, 16);
    std::vector<Family> read_back;
    for (std::uint32_t k = 0; k < n; ++k) {
        Family f;
        f.template_part = ctx.part;
        f.name = in.str();
        f.save_dir = in.str();
        const std::uint32_t na = count(in, 4);
        for (std::uint32_t a = 0; a < na; ++a) f.attributes.push_back(in.str());
        const std::uint32_t nm = count(in, 4 + 4 * na);
        for (std::uint32_t m = 0; m < nm; ++m) {
            Member member;
            member.name = in.str();
            for (std::uint32_t a = 0; a < na; ++a) member.values.push_back(in.str());
            f.members.push_back(std::move(member));
        }
        if (f.name.empty()) throw pf::FormatError("a family without a name");
        for (const Family& g : read_back)
            if (g.name == f.name) throw pf::FormatError("two families of one name");
        read_back.push_back(std::move(f));
    }
    for (Family& f : read_back) {
        const tag_t t = new_tag();
        state().families[t] = std::move(f);
    }
}

void write_instance(pf::Writer& out, const pf::SaveContext& ctx) {
    const tag_t record = record_of_part(ctx.part);
    if (!record) return;
    const Instance& i = read().instances.at(record);
    out.str(i.template_file);
    out.str(i.family);
    out.str(i.member);
    out.u32(static_cast<std::uint32_t>(i.values.size()));
    for (const std::string& v : i.values) out.str(v);
}

void read_instance(pf::Reader& in, pf::LoadContext& ctx) {
    Instance i;
    i.part = ctx.part;
    i.template_file = in.str();
    i.family = in.str();
    i.member = in.str();
    const std::uint32_t n = count(in, 4);
    for (std::uint32_t k = 0; k < n; ++k) i.values.push_back(in.str());
    state().instances[new_tag()] = std::move(i);
}

const bool registered = (state(), pf::register_section({{'F', 'A', 'M', 'S'}, write_families, read_families}),
                         pf::register_section({{'F', 'A', 'M', 'I'}, write_instance, read_instance}), true);

const Family& require_family(const host::Call& call, tag_t family) {
    const Family* f = family_of(family);
    if (!f) call.fail(PART_ERR_NO_FAMILY, "tag %u is no family", family);
    return *f;
}

int require_member(const host::Call& call, const Family& f, int member) {
    if (member < 0 || member >= static_cast<int>(f.members.size()))
        call.fail(PART_ERR_NO_MEMBER, "the family %s has no member %d", f.name.c_str(), member);
    return member;
}

}  // namespace

extern "C" {

void FAM_create_family(unsigned int template_part, const char* name, int n_attributes, const char* const attributes[],
                       unsigned int* family) {
    auto call = HOST_ENTRY(template_part, name, n_attributes, attributes);
    call.need(family, "the family output");
    *family = 0;
    need_live_part(call, template_part);
    call.need(name, "the family's name");
    if (!*name) call.fail(HOST_ERR_BAD_ARGUMENT, "a family needs a name");
    if (n_attributes < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d attributes", n_attributes);
    if (n_attributes > 0) call.need(attributes, "the attributes");
    for (const auto& [t, f] : read().families)
        if (f.template_part == template_part && f.name == name)
            call.fail(PART_ERR_FAMILY_EXISTS, "the part has a family %s already", name);
    Family f;
    f.template_part = template_part;
    f.name = name;
    for (int a = 0; a < n_attributes; ++a) {
        call.need(attributes[a], "an attribute's name");
        f.attributes.emplace_back(attributes[a]);
    }
    *family = new_tag();
    state().families[*family] = std::move(f);
    host::parts::mark_modified(template_part);
}

void FAM_add_member(unsigned int family, const char* name, const char* const values[], int* member) {
    auto call = HOST_ENTRY(family, name, values, member);
    call.need(member, "the member output");
    *member = -1;
    const Family& f = require_family(call, family);
    call.need(name, "the member's name");
    if (!*name || std::strchr(name, '/')) call.fail(HOST_ERR_BAD_ARGUMENT, "the member name \"%s\"", name);
    if (member_index(f, name) >= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "the family has a member %s already", name);
    if (!f.attributes.empty()) call.need(values, "the member's values");
    Member m;
    m.name = name;
    for (std::size_t a = 0; a < f.attributes.size(); ++a) {
        call.need(values[a], "a member's value");
        m.values.emplace_back(values[a]);
    }
    Family& edited = state().families.at(family);
    edited.members.push_back(std::move(m));
    *member = static_cast<int>(edited.members.size()) - 1;
    host::parts::mark_modified(edited.template_part);
}

void FAM_set_member_value(unsigned int family, int member, int attribute, const char* value) {
    auto call = HOST_ENTRY(family, member, attribute, value);
    const Family& f = require_family(call, family);
    require_member(call, f, member);
    call.need(value, "the value");
    if (attribute < 0 || attribute >= static_cast<int>(f.attributes.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "the family has no attribute %d", attribute);
    Family& edited = state().families.at(family);
    edited.members[static_cast<std::size_t>(member)].values[static_cast<std::size_t>(attribute)] = value;
    host::parts::mark_modified(edited.template_part);
}

void FAM_ask_member(unsigned int family, int member, const char** name, int* n_values, const char* const** values) {
    auto call = HOST_ENTRY(family, member, name, n_values);
    call.need(name, "the name output");
    call.need(n_values, "the count output");
    call.need(values, "the values output");
    const Family& f = require_family(call, family);
    const Member& m = f.members[static_cast<std::size_t>(require_member(call, f, member))];
    // The pointers go into a table kept with the call's thread until the next call.
    static thread_local std::vector<const char*> held;
    held.clear();
    for (const std::string& v : m.values) held.push_back(v.c_str());
    *name = m.name.c_str();
    *n_values = static_cast<int>(held.size());
    *values = held.data();
}

int FAM_ask_member_count(unsigned int family) {
    auto call = HOST_ENTRY(family);
    return static_cast<int>(require_family(call, family).members.size());
}

unsigned int FAM_ask_part(unsigned int family) {
    HOST_ENTRY(family);
    const Family* f = family_of(family);
    return f ? f->template_part : 0;
}

int FAM_create_instance(unsigned int part, unsigned int family, int member, int mode, unsigned int* instance) {
    auto call = HOST_ENTRY(part, family, member, mode);
    call.need(instance, "the instance output");
    *instance = 0;
    const Family* f = family_of(family);
    if (!f) return PART_ERR_NO_FAMILY;
    need_live_part(call, part);
    if (member < 0 || member >= static_cast<int>(f->members.size())) return PART_ERR_NO_MEMBER;
    if (mode != 1 && !record_of_part(part)) return PART_ERR_NO_INSTANCE;
    *instance = bind(part, family, member);
    return 0;
}

int FAM_delete_instance(unsigned int instance) {
    HOST_ENTRY(instance);
    if (!instance_of(instance)) return PART_ERR_NO_INSTANCE;
    state().instances.erase(instance);
    return 0;
}

void FAM_ask_data_of_instance(unsigned int instance, unsigned int* family, int* member) {
    auto call = HOST_ENTRY(instance, family, member);
    call.need(family, "the family output");
    call.need(member, "the member output");
    const Instance* i = instance_of(instance);
    if (!i) call.fail(PART_ERR_NO_INSTANCE, "tag %u is no instance record", instance);
    *family = family_of_instance(*i);
    *member = *family ? member_index(*family_of(*family), i->member) : -1;
}

int PART_find_family_instance(unsigned int family, int member, const char* name, int load, unsigned int* part,
                              unsigned char* made) {
    auto call = HOST_ENTRY(family, member, name, load);
    call.need(part, "the part output");
    *part = 0;
    if (made) *made = 0;
    const Family* f = family_of(family);
    if (!f) return PART_ERR_NO_FAMILY;
    const int m = select(*f, member, name);
    if (m < 0) return PART_ERR_NO_MEMBER;
    bool was_made = false;
    const int st = atomically([&] { return instance_part(family, m, load != 0, part, &was_made); });
    if (made) *made = was_made;
    return st;
}

int PART_create_family_instance(unsigned int family, int member, int mode, unsigned int* part, unsigned int* instance) {
    auto call = HOST_ENTRY(family, member, mode, part);
    call.need(part, "the part output");
    *part = 0;
    if (instance) *instance = 0;
    const Family* f = family_of(family);
    if (!f) return PART_ERR_NO_FAMILY;
    if (member < 0 || member >= static_cast<int>(f->members.size())) return PART_ERR_NO_MEMBER;
    bool made = false;
    if (const int st = atomically([&] { return instance_part(family, member, true, part, &made); }); st != 0) return st;
    if (instance) *instance = record_of_part(*part);
    return 0;
}

int PART_update_family_instance(unsigned int family, int member, int save, unsigned char* scratch,
                                unsigned char* save_failed, PART_save_failures_t* failures, int* changed,
                                unsigned int* part) {
    auto call = HOST_ENTRY(family, member, save, scratch);
    call.need(save_failed, "the save-failed output");
    call.need(failures, "the failure record");
    call.need(changed, "the changed output");
    call.need(part, "the part output");
    *save_failed = 0;
    *failures = PART_save_failures_t{};
    *changed = 0;
    *part = 0;
    if (scratch) *scratch = 0;
    const Family* f = family_of(family);
    if (!f) return PART_ERR_NO_FAMILY;
    if (member < 0 || member >= static_cast<int>(f->members.size())) return PART_ERR_NO_MEMBER;
    return atomically([&] {
        bool made = false;
        if (const int st = instance_part(family, member, true, part, &made); st != 0) return st;
        const tag_t record = record_of_part(*part);
        const std::vector<std::string> now = family_of(family)->members[static_cast<std::size_t>(member)].values;
        const std::vector<std::string> had = read().instances.at(record).values;
        for (std::size_t a = 0; a < now.size(); ++a)
            if (a >= had.size() || had[a] != now[a]) ++*changed;
        if (*changed > 0) {
            bind(*part, family, member);
            host::parts::mark_modified(*part);
        }
        if (save) {
            int code = PART_ERR_SAVE_NOT_DONE;
            if (PART_ask_modified(*part)) {
                unsigned int p = *part;
                int components = 0, mode = 0;
                base_save_part(&p, &components, &mode, &code);
            }
            if (code != 0) {
                *save_failed = 1;
                failures->parts = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int)));
                failures->codes = static_cast<int*>(SM_alloc(sizeof(int)));
                failures->count = 1;
                failures->parts[0] = *part;
                failures->codes[0] = code;
            }
        }
        return 0;
    });
}

void PART_free_save_failures(PART_save_failures_t* failures) {
    HOST_ENTRY(failures);
    if (!failures) return;
    SM_free(failures->parts);
    SM_free(failures->codes);
    *failures = PART_save_failures_t{};
}

int PART_is_family_instance(unsigned int part, unsigned char* is) {
    auto call = HOST_ENTRY(part, is);
    call.need(is, "the output");
    need_live_part(call, part);
    *is = record_of_part(part) != 0;
    return 0;
}

int PART_is_family_instance_current(unsigned int part, unsigned char* is) {
    auto call = HOST_ENTRY(part, is);
    call.need(is, "the output");
    need_live_part(call, part);
    *is = 0;
    const tag_t record = record_of_part(part);
    if (!record) return 0;
    const Instance& i = read().instances.at(record);
    const tag_t family = family_of_instance(i);
    if (!family) return 0;
    const Family& f = *family_of(family);
    const int m = member_index(f, i.member);
    *is = m >= 0 && f.members[static_cast<std::size_t>(m)].values == i.values;
    return 0;
}

int PART_is_family_template(unsigned int part, unsigned char* is) {
    auto call = HOST_ENTRY(part, is);
    call.need(is, "the output");
    need_live_part(call, part);
    *is = 0;
    for (const auto& [t, f] : read().families)
        if (f.template_part == part) *is = 1;
    return 0;
}

int PART_ask_families(unsigned int part, int* count, unsigned int** families) {
    auto call = HOST_ENTRY(part, count, families);
    call.need(count, "the count output");
    call.need(families, "the families output");
    *count = 0;
    *families = nullptr;
    need_live_part(call, part);
    std::vector<tag_t> own;
    for (const auto& [t, f] : read().families)
        if (f.template_part == part) own.push_back(t);
    if (own.empty()) return 0;
    *families = static_cast<unsigned int*>(SM_alloc(own.size() * sizeof(unsigned int)));
    std::copy(own.begin(), own.end(), *families);
    *count = static_cast<int>(own.size());
    return 0;
}

int PART_ask_family_instance(unsigned int part, unsigned int* instance) {
    auto call = HOST_ENTRY(part, instance);
    call.need(instance, "the instance output");
    need_live_part(call, part);
    *instance = record_of_part(part);
    return 0;
}

char* PART_ask_filename_of_tag(unsigned int tag) {
    auto call = HOST_ENTRY(tag);
    std::string file;
    if (const Family* f = family_of(tag)) file = file_of(f->template_part);
    else if (live_part(tag)) file = file_of(tag);
    else call.fail(HOST_ERR_DEAD_TAG, "tag %u is no part or family", tag);
    char* out = static_cast<char*>(SM_alloc(file.size() + 1));
    std::memcpy(out, file.c_str(), file.size() + 1);
    return out;
}

int PART_set_family_inst_save_dir(const char* directory) {
    HOST_ENTRY(directory);
    if (const int st = check_dir(directory)) return st;
    state().inst_save_dir = directory ? directory : "";
    return 0;
}

int PART_ask_family_inst_save_dir(char* buffer) {
    auto call = HOST_ENTRY(buffer);
    call.need(buffer, "the buffer");
    return copy_dir(buffer, read().inst_save_dir);
}

int PART_set_family_save_dir(unsigned int family, const char* directory) {
    HOST_ENTRY(family, directory);
    if (!family_of(family)) return PART_ERR_NO_FAMILY;
    if (const int st = check_dir(directory)) return st;
    Family& f = state().families.at(family);
    f.save_dir = directory ? directory : "";
    host::parts::mark_modified(f.template_part);
    return 0;
}

int PART_ask_family_save_dir(unsigned int family, char* buffer) {
    auto call = HOST_ENTRY(family, buffer);
    call.need(buffer, "the buffer");
    buffer[0] = '\0';
    const Family* f = family_of(family);
    if (!f) return PART_ERR_NO_FAMILY;
    return copy_dir(buffer, f->save_dir);
}

}  // extern "C"
