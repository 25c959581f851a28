// The host's part service: part list, displayed and work part, units, load
// states, load-failure records, and opening, saving and closing part files.
#include "host/store/parts/parts.h"
#include "host/base/services/host_messages.h"
#include "host/store/parts/part_info.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/store/entities/events.h"
#include "host/store/parts/part_file.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"

namespace host::parts {
namespace {

namespace pf = host::part_file;

// ---- State ----------------------------------------------------------------------

struct Model {
    std::map<tag_t, PartState> parts;  // loaded parts and load-failure records
    std::vector<tag_t> order;          // loaded parts, in order of entering
    std::vector<tag_t> failures;       // load-failure records, oldest first
    tag_t display = 0;
    tag_t work = 0;
    std::map<tag_t, std::vector<std::string>> csets;
    tag_t next_cset = 1;
};

struct Component : ModelValue<Model> {
    Component() : ModelValue<Model>("parts") {}
    void undo_to(Model&& image) override;
    void reset() override;
};

void default_load_fail_routine(const PROM_load_failure_t* failure);

struct Services {
    PROM_load_fail_msg_fn load_fail = default_load_fail_routine;
    bool view_expanded = false;
    bool part_close_mark = false;
    int menubar_updates = 0;
};
Services services;

void forget(tag_t part);

Component& component() {
    static Component* c = [] {
        auto* made = new Component;
        register_model_component(made);
        register_service_reset("parts", [] { services = Services{}; });
        // A part that dies by any road leaves the list.
        objects::add_destroy_listener([](tag_t t) { forget(t); });
        return made;
    }();
    return *c;
}
Model& md() { return component().write(); }
const bool registered = (component(), true);

// The common block's copy of the work part's units.
void publish_units() {
    const Model& m = component().read();
    const auto it = m.parts.find(m.work);
    acom_[PART_ACOM_UNITS_WORD] = m.work == 0 || it == m.parts.end() ? 0 : it->second.units == PART_UNITS_INCH ? 2 : 1;
}

void Component::undo_to(Model&& image) {
    Model& m = value_;
    const tag_t next = m.next_cset;
    std::map<tag_t, int> saves;
    for (const auto& [t, state] : m.parts) saves[t] = state.saves;
    m = std::move(image);
    m.next_cset = std::max(m.next_cset, next);
    // A part written to its file since the snapshot no longer matches its
    // file once rolled back: it is modified, whatever the snapshot says.
    for (auto& [t, state] : m.parts) {
        auto it = saves.find(t);
        if (it == saves.end() || it->second == state.saves) continue;
        state.saves = it->second;
        state.modified = true;
    }
    publish_units();
}
void Component::reset() {
    ModelValue<Model>::reset();
    publish_units();
}

void erase_from(std::vector<tag_t>& v, tag_t t) { v.erase(std::remove(v.begin(), v.end(), t), v.end()); }

void forget(tag_t part) {
    // Every object that dies comes here: most are no parts, and those are
    // told apart by a look at the list without a record for undo.
    if (component().read().parts.count(part) == 0) return;
    Model& m = md();
    m.parts.erase(part);
    erase_from(m.order, part);
    erase_from(m.failures, part);
    if (m.display == part) m.display = 0;
    if (m.work == part) {
        m.work = 0;
        publish_units();
    }
}

// Functions that answer through a result argument: a status that a test
// scripted for the call goes there; true when there was one.
template <class Call>
bool scripted_result(const Call& call, int* result) {
    int status;
    if (!call.status(status)) return false;
    *result = status;
    return true;
}

// The state of a live part of the service (a load-failure record included);
// the call raises for any other tag.
PartState& require_state(const host::Call& call, tag_t part) {
    auto it = md().parts.find(part);
    if (it == md().parts.end() || !objects::is_alive(part)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is not a part", part);
    return it->second;
}
PartState& require_loaded(const host::Call& call, tag_t part) {
    PartState& s = require_state(call, part);
    if (s.load_state == PART_NOT_LOADED) call.fail(PART_ERR_NOT_LOADED, "part %u is not loaded", part);
    return s;
}
// The C++ interface's checks raise in the name of the function itself.
host::Call api(const char* function) { return host::Call(function, nullptr); }

std::string file_of(tag_t part) { return objects::require_part(part).file; }

std::string base_name(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}
std::string stem(const std::string& file) {
    std::string b = base_name(file);
    const std::size_t dot = b.rfind('.');
    return dot == std::string::npos || dot == 0 ? b : b.substr(0, dot);
}
std::string directory_of(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}
// True when a component's file name, relative names taken relative to the
// listing part's directory, is no longer than PART_MAX_NAME_CHARS.
bool resolves(const std::string& parent_file, const std::string& component) {
    if (!component.empty() && component[0] == '/') return component.size() <= PART_MAX_NAME_CHARS;
    return directory_of(parent_file).size() + component.size() <= PART_MAX_NAME_CHARS;
}
// A component's file, as its part lists it: relative names are relative to
// the listing part's directory. A name that would grow beyond
// PART_MAX_NAME_CHARS so stays as listed (such a component is not loaded,
// see load_components): every file name in the session is bounded.
std::string resolve(const std::string& parent_file, const std::string& component) {
    if (!resolves(parent_file, component) || (!component.empty() && component[0] == '/')) return component;
    return directory_of(parent_file) + component;
}

int check_name(const char* name) {
    if (!name || !*name) return PART_ERR_BAD_NAME;
    if (std::strlen(name) > PART_MAX_NAME_CHARS) return PART_ERR_NAME_TOO_LONG;
    return 0;
}

tag_t find_loaded(const std::string& file) {
    for (tag_t t : md().order)
        if (file_of(t) == file) return t;
    return 0;
}
tag_t find_failure(const std::string& file) {
    for (tag_t t : md().failures)
        if (file_of(t) == file) return t;
    return 0;
}
// Tolerant search: the exact file name, else the same name without
// directory.
tag_t find_tolerant(const std::string& name, bool with_failures) {
    auto search = [&](const std::vector<tag_t>& list) -> tag_t {
        for (tag_t t : list)
            if (file_of(t) == name) return t;
        const std::string b = base_name(name);
        for (tag_t t : list)
            if (base_name(file_of(t)) == b) return t;
        return 0;
    };
    if (tag_t t = search(md().order)) return t;
    return with_failures ? search(md().failures) : 0;
}

// ---- Events and the displayed and work part ------------------------------------------

void change_work(tag_t part) {
    Model& m = md();
    if (m.work == part) return;
    const tag_t previous = m.work;
    m.work = part;
    publish_units();
    if (part != 0) events::fire_part_event(events::kWorkPartChanged, part, previous);
}
void change_display(tag_t part) {
    md().display = part;
    if (part != 0) part_info::note_displayed(part);
    change_work(part);
}
// After a part left: the most recently loaded part that remains takes over
// the display (and the work part) when the one that left held it.
void settle_display() {
    Model& m = md();
    const tag_t next = m.order.empty() ? 0 : m.order.back();
    if (m.display == 0) m.display = next;
    if (m.work == 0) change_work(m.display);
}

// ---- Entering and leaving ----------------------------------------------------------

tag_t enter(tag_t part, PartState state) {
    Model& m = md();
    m.parts[part] = std::move(state);
    m.order.push_back(part);
    return part;
}

tag_t add_failure_record(const std::string& file, int code) {
    Model& m = md();
    if (tag_t old = find_failure(file)) {
        m.parts[old].failure_code = code;
        m.parts[old].failure_group = code == PART_ERR_FILE_NOT_FOUND ? 1 : 2;
        return old;
    }
    const tag_t t = objects::create_part(file);
    PartState s;
    s.load_state = PART_NOT_LOADED;
    s.failure_code = code;
    s.failure_group = code == PART_ERR_FILE_NOT_FOUND ? 1 : 2;
    m.parts[t] = s;
    m.failures.push_back(t);
    return t;
}

// Removes the part from the session: the delete event first, then the part
// and its objects die (the destroy listener takes it off the lists).
void leave(tag_t part) {
    const bool loaded = md().parts[part].load_state != PART_NOT_LOADED;
    if (loaded) events::fire_part_event(events::kDeleted, part);
    if (objects::is_alive(part)) objects::destroy(part);
    forget(part);
}

struct Loaded {
    tag_t part = 0;
    int code = 0;
};

// Reads and applies one file; nothing stays in the session on failure.
Loaded load_file(const std::string& file) {
    Loaded r;
    pf::FileImage image;
    if ((r.code = pf::load(file, image)) != 0) return r;
    const tag_t old_record = find_failure(file);
    r.part = pf::apply(image, file, &r.code);
    if (r.part == 0) return r;
    if (old_record) leave(old_record);
    // The part's own section (read by apply) made its state; keep it.
    PartState s = md().parts.count(r.part) ? md().parts[r.part] : PartState{};
    md().parts.erase(r.part);
    s.load_state = PART_FULLY_LOADED;
    s.modified = false;
    enter(r.part, s);
    return r;
}

struct Report {
    std::vector<tag_t> group1, group2;
};
// Failures of one open: every failed component once, and one report for
// each part whose components failed (the load-failure routine gets each).
struct Failures {
    std::vector<tag_t> group1, group2;
    std::vector<Report> reports;
};

// Loads the components that the part lists (recursively); those that fail
// become load-failure records, and the parts that list them are partially
// loaded.
void load_components(tag_t part, Failures& failed) {
    const std::vector<std::string> components = md().parts[part].components;
    const std::string parent = file_of(part);
    Report report;
    for (const std::string& c : components) {
        const std::string file = resolve(parent, c);
        Loaded r;
        if (!resolves(parent, c)) {
            r.code = PART_ERR_NAME_TOO_LONG;  // the record keeps the name as listed
        } else {
            if (find_loaded(file)) continue;
            r = load_file(file);
        }
        if (r.part != 0) {
            load_components(r.part, failed);
            continue;
        }
        const tag_t record = add_failure_record(file, r.code);
        const bool missing = r.code == PART_ERR_FILE_NOT_FOUND;
        (missing ? report.group1 : report.group2).push_back(record);
        auto& group = missing ? failed.group1 : failed.group2;
        if (std::find(group.begin(), group.end(), record) == group.end()) group.push_back(record);
        md().parts[part].load_state = PART_PARTIALLY_LOADED;
    }
    if (!report.group1.empty() || !report.group2.empty()) failed.reports.push_back(std::move(report));
}

void fill_status(PART_load_status_t* status, const std::vector<std::pair<std::string, int>>& entries) {
    if (!status) return;
    status->failed = entries.empty() ? 0 : 1;
    status->n_parts = static_cast<int>(entries.size());
    status->file_names = nullptr;
    status->statuses = nullptr;
    if (entries.empty()) return;
    // All or nothing: an error while the record is filled frees what was
    // made and leaves the record empty, so the caller has nothing to free.
    char** names = nullptr;
    int* codes = nullptr;
    try {
        names = static_cast<char**>(SM_alloc(entries.size() * sizeof(char*)));
        std::fill_n(names, entries.size(), nullptr);
        codes = static_cast<int*>(SM_alloc(entries.size() * sizeof(int)));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            names[i] = SM_string_copy(entries[i].first.c_str());
            codes[i] = entries[i].second;
        }
    } catch (...) {
        if (names)
            for (std::size_t i = 0; i < entries.size(); ++i) SM_free(names[i]);
        SM_free(names);
        SM_free(codes);
        status->failed = 0;
        status->n_parts = 0;
        throw;
    }
    status->file_names = names;
    status->statuses = codes;
}

void default_load_fail_routine(const PROM_load_failure_t* failure) {
    auto note = [](int n, const unsigned int* parts, const char* why) {
        for (int i = 0; i < n; ++i) {
            const objects::Object* o = objects::find(parts[i]);
            ERROR_lprintf("Part %s could not be loaded: %s", o ? o->name.c_str() : "?", why);
        }
    };
    note(failure->n_group1, failure->group1, "file not found");
    note(failure->n_group2, failure->group2, "file cannot be read");
}

// Opening: the file, then its components; the report goes to `status`.
int open_part(const char* name, tag_t* part, PART_load_status_t* status, bool quiet) {
    if (part) *part = 0;
    std::vector<std::pair<std::string, int>> entries;
    int code = check_name(name);
    if (code == 0 && find_loaded(name)) code = PART_ERR_ALREADY_LOADED;
    Loaded r;
    if (code == 0) {
        r = load_file(name);
        code = r.code;
    }
    if (code != 0) {
        entries.emplace_back(name ? name : "", code);
        fill_status(status, entries);
        return code;
    }
    Failures failed;
    load_components(r.part, failed);
    for (tag_t t : failed.group1) entries.emplace_back(file_of(t), md().parts[t].failure_code);
    for (tag_t t : failed.group2) entries.emplace_back(file_of(t), md().parts[t].failure_code);
    fill_status(status, entries);
    if (part) *part = r.part;
    events::fire_part_event(events::kOpened, r.part, md().parts[r.part].load_state == PART_FULLY_LOADED ? 0u : 1u);
    change_display(r.part);
    if (!quiet)
        for (Report& report : failed.reports) {
            PROM_load_failure_t record{};
            record.n_group1 = static_cast<int>(report.group1.size());
            record.group1 = report.group1.data();
            record.n_group2 = static_cast<int>(report.group2.size());
            record.group2 = report.group2.data();
            services.load_fail(&record);
        }
    return 0;
}

// Writes the part to `file` (its own file when empty).
int save_to(tag_t part, const std::string& file) { return pf::write_part(file, part, nullptr, true); }

// Runs a notification of a save whose file is in place (the rename and
// saved events). The save is done by then: an error raised in the
// notification is noted on the host log and acknowledged, so that the save
// does not answer a failure while its new file stands on disk.
void notify_saved(const std::function<void()>& notify) {
    const int id = host::arm_library_frame();
    try {
        notify();
        ERROR_cancel_handler(id);
    } catch (const HostError& e) {
        if (!e.for_library_frame()) throw;
        const int code = ERROR_ask_failure_code();
        ERROR_note("parts", __LINE__, ("a notification of a save failed: " + std::string(e.what())).c_str());
        ERROR_acknowledge_handled(code);
    }
}

// The part's file was written: it is saved.
void saved(tag_t part, part_info::SaveStamp& stamp) {
    md().parts[part].modified = false;
    ++md().parts[part].saves;
    stamp.keep();
    notify_saved([&] { events::fire_part_event(events::kSaved, part); });
}

int save_part(tag_t part, bool components) {
    auto it = md().parts.find(part);
    if (it == md().parts.end()) return PART_ERR_NO_WORK_PART;
    if (it->second.load_state == PART_NOT_LOADED) return PART_ERR_NOT_LOADED;
    part_info::SaveStamp stamp(part);
    if (int code = save_to(part, file_of(part)); code != 0) return code;
    saved(part, stamp);
    if (components) {
        const std::string parent = file_of(part);
        for (const std::string& c : std::vector<std::string>(md().parts[part].components)) {
            const tag_t t = find_loaded(resolve(parent, c));
            if (t && md().parts[t].modified)
                if (int code = save_part(t, true); code != 0) return code;
        }
    }
    return 0;
}

void rename_to(tag_t part, const std::string& name) {
    objects::require_part(part).file = name;
    objects::set_name(part, name);
    events::fire_part_event(events::kRenamed, part);
}

// True when a loaded part other than `self` lists `file` as a component.
bool listed_by_other(const std::string& file, tag_t self) {
    for (tag_t t : md().order) {
        if (t == self) continue;
        for (const std::string& c : md().parts[t].components)
            if (resolve(file_of(t), c) == file) return true;
    }
    return false;
}

int close_part(tag_t part, int scope, int option) {
    PartState& s = md().parts[part];
    if (s.load_state != PART_NOT_LOADED && s.modified && option == 0) return PART_ERR_MODIFIED;
    if (s.modified && option == 1) ERROR_lprintf("Closing modified part %s", file_of(part).c_str());
    std::vector<tag_t> components;
    if (scope == 1) {
        const std::string parent = file_of(part);
        for (const std::string& c : s.components) {
            const std::string file = resolve(parent, c);
            tag_t t = find_loaded(file);
            if (!t) t = find_failure(file);
            if (t && !listed_by_other(file, part)) components.push_back(t);
        }
    }
    leave(part);
    int code = 0;
    for (tag_t c : components)
        if (md().parts.count(c))
            if (int st = close_part(c, 1, option); st != 0 && code == 0) code = st;
    settle_display();
    return code;
}

}  // namespace

// ---- C++ interface -----------------------------------------------------------------

std::vector<tag_t> loaded_parts() { return md().order; }
std::vector<tag_t> failure_records() { return md().failures; }
const PartState* state(tag_t part) {
    auto it = md().parts.find(part);
    return it == md().parts.end() ? nullptr : &it->second;
}
int load_state(tag_t part) {
    const PartState* s = state(part);
    return s ? s->load_state : PART_NOT_LOADED;
}
bool is_loaded(tag_t part) { return load_state(part) != PART_NOT_LOADED; }
tag_t display_part() { return md().display; }
tag_t work_part() { return md().work; }
void set_display_part(tag_t part) {
    if (part != 0) require_loaded(api(__func__), part);
    change_display(part);
}
void set_work_part(tag_t part) {
    if (part != 0) require_loaded(api(__func__), part);
    change_work(part);
}
void mark_modified(tag_t part) {
    PartState& s = require_loaded(api(__func__), part);
    if (s.modified) return;
    s.modified = true;
    events::fire_part_event(events::kModified, part);
}
void note_change(tag_t object) {
    const objects::Object* o = objects::find(object);
    if (!o) return;
    const tag_t part = o->cls == OM_CLASS_PART ? o->tag : o->part;
    if (part != 0 && is_loaded(part)) mark_modified(part);
}
// Every object made marks its loaded part modified.
const bool notes_changes = (objects::set_change_note(&note_change), true);
void add_component(tag_t part, const std::string& file) {
    PartState& s = require_loaded(api(__func__), part);
    if (std::find(s.components.begin(), s.components.end(), file) == s.components.end()) {
        s.components.push_back(file);
        mark_modified(part);
    }
}
tag_t create(const std::string& file, int host_units) {
    if (int code = check_name(file.c_str()); code != 0) api(__func__).fail(code, "bad file name");
    if (find_loaded(file)) api(__func__).fail(PART_ERR_ALREADY_LOADED, "%s is loaded already", file.c_str());
    if (tag_t old = find_failure(file)) leave(old);
    PartState s;
    s.units = host_units;
    s.modified = true;
    const tag_t t = enter(objects::create_part(file), s);
    events::fire_part_event(events::kCreated, t);
    change_display(t);
    return t;
}
tag_t create_cset(const std::vector<std::string>& files) {
    const tag_t id = md().next_cset++;
    md().csets[id] = files;
    return id;
}
void set_view_expanded(bool on) { services.view_expanded = on; }
bool part_close_mark() { return services.part_close_mark; }
int menubar_updates() { return services.menubar_updates; }
PROM_load_fail_msg_fn load_fail_routine() { return services.load_fail; }

// ---- File sections of the part itself ----------------------------------------------

namespace {

void write_part_section(pf::Writer& out, const pf::SaveContext& ctx) {
    const PartState* s = state(ctx.part);
    const PartState empty;
    if (!s) s = &empty;
    out.str(file_of(ctx.part));
    out.i32(s->units);
    out.u8(s->compress.compress_solids);
    out.u8(s->compress.compress_features);
    out.u8(s->compress.compress_expressions);
}
void read_part_section(pf::Reader& in, pf::LoadContext& ctx) {
    PartState& s = md().parts[ctx.part];
    (void)in.str();  // the name at save; the part takes the name it is opened under
    s.units = in.i32();
    if (s.units != PART_UNITS_MM && s.units != PART_UNITS_INCH) throw pf::FormatError("bad units");
    s.compress.compress_solids = in.u8();
    s.compress.compress_features = in.u8();
    s.compress.compress_expressions = in.u8();
}
void write_refs_section(pf::Writer& out, const pf::SaveContext& ctx) {
    const PartState* s = state(ctx.part);
    if (!s || s->components.empty() || !ctx.with_attributes) return;
    out.u32(static_cast<std::uint32_t>(s->components.size()));
    for (const std::string& c : s->components) out.str(c);
}
void read_refs_section(pf::Reader& in, pf::LoadContext& ctx) {
    PartState& s = md().parts[ctx.part];
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("component count beyond the section");
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string c = in.str();
        if (check_name(c.c_str()) != 0 || c.size() > PART_MAX_NAME_CHARS ||
            std::any_of(c.begin(), c.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; }))
            throw pf::FormatError("bad component name");
        if (std::find(s.components.begin(), s.components.end(), c) != s.components.end())
            throw pf::FormatError("component listed twice");
        s.components.push_back(std::move(c));
    }
}
const bool sections_registered = [] {
    pf::register_section({{'P', 'A', 'R', 'T'}, write_part_section, read_part_section});
    pf::register_section({{'R', 'E', 'F', 'S'}, write_refs_section, read_refs_section});
    return true;
}();

}  // namespace
}  // namespace host::parts

// ---- The host's C interface ----------------------------------------------------------

using host::parts::tag_t;
namespace hp = host::parts;

extern "C" {

void base_new_part(const char* name, int* length, int* units, int* result) {
    auto call = HOST_ENTRY_TEXT(name, length ? *length : 0, units ? *units : 0);
    call.need(result, "result");
    if (hp::scripted_result(call, result)) return;
    call.need(units, "units");
    *result = hp::check_name(name);
    if (*result == 0 && *units != 1 && *units != 2) *result = PART_ERR_BAD_UNITS;
    if (*result == 0 && hp::find_loaded(name)) *result = PART_ERR_ALREADY_LOADED;
    if (*result != 0) return;
    hp::create(name, *units == 2 ? PART_UNITS_INCH : PART_UNITS_MM);
}

int BASE_open_part(const char* name, unsigned int* part, PART_load_status_t* status) {
    auto call = HOST_ENTRY_TEXT(name, part, status);
    int st;
    if (call.status(st)) return st;
    call.need(status, "load status");
    return hp::open_part(name, part, status, false);
}

unsigned int BASE_open_part_quietly(const char* name, PART_load_status_t* status) {
    auto call = HOST_ENTRY_TEXT(name, status);
    call.need(status, "load status");
    tag_t part = 0;
    hp::open_part(name, &part, status, true);
    return part;
}

PROM_load_fail_msg_fn PROM_reg_prom_load_fail_msg_fn(PROM_load_fail_msg_fn fn) {
    HOST_ENTRY(fn);
    PROM_load_fail_msg_fn previous = hp::services.load_fail;
    hp::services.load_fail = fn ? fn : hp::default_load_fail_routine;
    return previous;
}

void base_save_part(unsigned int* part, int* components, int* mode, int* result) {
    auto call = HOST_ENTRY(part ? *part : 0u, components ? *components : 0, mode ? *mode : 0);
    call.need(result, "result");
    if (hp::scripted_result(call, result)) return;
    const tag_t target = part && *part ? *part : hp::md().work;
    if (target == 0) {
        *result = PART_ERR_NO_WORK_PART;
        return;
    }
    hp::require_state(call, target);
    *result = hp::save_part(target, components && *components == 1);
}

void base_part_save_as(const char* name, int* length, int* mode, int* result) {
    auto call = HOST_ENTRY_TEXT(name, length ? *length : 0, mode ? *mode : 0);
    call.need(result, "result");
    if (hp::scripted_result(call, result)) return;
    const tag_t part = hp::md().work;
    if ((*result = hp::check_name(name)) != 0) return;
    if (part == 0) {
        *result = PART_ERR_NO_WORK_PART;
        return;
    }
    const tag_t other = hp::find_loaded(name);
    if (other != 0 && other != part) {
        *result = PART_ERR_ALREADY_LOADED;
        return;
    }
    host::part_info::SaveStamp stamp(part);
    if ((*result = hp::save_to(part, name)) != 0) return;
    if (hp::file_of(part) != name) hp::notify_saved([&] { hp::rename_to(part, name); });
    hp::saved(part, stamp);
}

void PART_save_all_parts(PART_save_failures_t* failures) {
    auto call = HOST_ENTRY(failures);
    call.need(failures, "failures");
    std::vector<std::pair<tag_t, int>> failed;
    for (tag_t t : hp::md().order)
        if (hp::md().parts[t].modified)
            if (int code = hp::save_part(t, false); code != 0) failed.emplace_back(t, code);
    *failures = PART_save_failures_t{};
    failures->count = static_cast<int>(failed.size());
    if (failed.empty()) return;
    failures->parts = static_cast<unsigned int*>(SM_alloc(failed.size() * sizeof(unsigned int)));
    failures->codes = static_cast<int*>(SM_alloc(failed.size() * sizeof(int)));
    for (std::size_t i = 0; i < failed.size(); ++i) {
        failures->parts[i] = failed[i].first;
        failures->codes[i] = failed[i].second;
    }
}

void base_Part_Reopen(unsigned int part, int scope, int option, PART_reopen_result_t* result) {
    auto call = HOST_ENTRY(part, scope, option, result);
    call.need(result, "result");
    hp::require_loaded(call, part);
    *result = PART_reopen_result_t{};
    std::vector<tag_t> targets{part};
    if (scope == 1) {
        const std::string parent = hp::file_of(part);
        for (const std::string& c : hp::md().parts[part].components)
            if (tag_t t = hp::find_loaded(hp::resolve(parent, c))) targets.push_back(t);
    }
    // All or nothing: every step that can fail (reading each file into a
    // new part beside the old one, the result's blocks) comes first; the
    // old parts leave only once all of it went through. An error before
    // the swap takes the new parts out again, unannounced, and leaves the
    // old ones loaded and untouched.
    std::vector<PART_reopen_entry_t> entries;
    std::vector<std::pair<tag_t, tag_t>> swaps;  // old part, its new copy
    PART_reopen_entry_t** blocks = nullptr;
    std::size_t made = 0;
    try {
        for (tag_t t : targets) {
            PART_reopen_entry_t e{};
            const hp::PartState& s = hp::md().parts[t];
            if (s.modified && option == 0) {
                e.failed = 1;
                e.code = PART_ERR_MODIFIED;
                entries.push_back(e);
                continue;
            }
            hp::Loaded r = hp::load_file(hp::file_of(t));
            if (r.part == 0) {
                e.failed = 1;
                e.code = r.code;
            } else {
                e.part = r.part;
                swaps.emplace_back(t, r.part);
            }
            entries.push_back(e);
        }
        blocks = static_cast<PART_reopen_entry_t**>(SM_alloc(entries.size() * sizeof(PART_reopen_entry_t*)));
        for (; made < entries.size(); ++made) {
            blocks[made] = static_cast<PART_reopen_entry_t*>(SM_alloc(sizeof(PART_reopen_entry_t)));
            *blocks[made] = entries[made];
        }
    } catch (...) {
        for (std::size_t i = 0; i < made; ++i) SM_free(blocks[i]);
        if (blocks) SM_free(blocks);
        for (const auto& [old, fresh] : swaps)
            if (host::objects::is_alive(fresh)) host::objects::destroy(fresh);  // the listener forgets it
        throw;
    }
    // The swap: the old part leaves (its delete event first), the new one
    // is announced and takes over the display and work part it held.
    for (const auto& [old, fresh] : swaps) {
        const bool was_display = hp::md().display == old;
        const bool was_work = hp::md().work == old;
        hp::leave(old);
        host::events::fire_part_event(host::events::kOpened, fresh);
        if (was_display) hp::md().display = fresh;
        if (was_work) hp::change_work(fresh);
    }
    hp::settle_display();
    result->count = static_cast<int>(entries.size());
    result->entries = blocks;
    for (const PART_reopen_entry_t& e : entries)
        if (e.failed) result->any_failed = 1;
}

void PART_free_reopen_result(PART_reopen_result_t* result) {
    HOST_ENTRY(result);
    if (!result || !result->entries) return;
    for (int i = 0; i < result->count; ++i) SM_free(result->entries[i]);
    SM_free(result->entries);
    result->entries = nullptr;
    result->count = 0;
}

int PART_export_part(const char* name, int count, const unsigned int* objects, const PART_export_options_t* options) {
    auto call = HOST_ENTRY_TEXT(name, count, objects, options);
    int status;
    if (call.status(status)) return status;
    call.need(options, "options");
    if (int code = hp::check_name(name); code != 0) return code;
    if (count <= 0 || !objects) call.fail(PART_ERR_EXPORT, "no objects to export");
    if (options->params_mode < 0 || options->params_mode > 2 || options->exp_mode < 0 || options->exp_mode > 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "bad export mode");
    const tag_t part = host::objects::require(objects[0]).part;
    // The objects in the order given, each once (looked up in a set: an
    // export of many objects stays linear).
    std::vector<tag_t> list;
    std::unordered_set<tag_t> listed;
    for (int i = 0; i < count; ++i) {
        const host::objects::Object& o = host::objects::require(objects[i]);
        if (o.cls == OM_CLASS_PART || o.part == 0 || o.part != part || !hp::is_loaded(part))
            call.fail(PART_ERR_EXPORT, "object cannot be exported");
        if (listed.insert(objects[i]).second) list.push_back(objects[i]);
    }
    // Expression mode 1 takes the part's expressions along.
    if (options->exp_mode == 1)
        for (tag_t t : host::objects::objects_of_part(part))
            if (host::objects::require(t).cls == OM_CLASS_EXPRESSION && listed.insert(t).second) list.push_back(t);
    return host::part_file::write_part(name, part, &list, options->new_status != 0);
}

int base_Part_Close(unsigned int part, int scope, int option) {
    auto call = HOST_ENTRY(part, scope, option);
    int status;
    if (call.status(status)) return status;
    hp::require_state(call, part);
    return hp::close_part(part, scope, option);
}

void PART_delete_all_parts(void) {
    HOST_ENTRY();
    for (tag_t t : std::vector<tag_t>(hp::md().order)) hp::leave(t);
    for (tag_t t : std::vector<tag_t>(hp::md().failures)) hp::leave(t);
    hp::md().display = 0;
    hp::md().work = 0;
    hp::publish_units();
}

int PART_cleanup(int option) {
    HOST_ENTRY(option);
    if (option != 0 && option != 1) return 0;
    for (tag_t t : std::vector<tag_t>(hp::md().failures)) hp::leave(t);
    if (option == 1) {
        for (tag_t t : std::vector<tag_t>(hp::md().order)) {
            if (!hp::md().parts.count(t)) continue;
            const hp::PartState& s = hp::md().parts[t];
            if (!s.modified && t != hp::md().display && t != hp::md().work && !hp::listed_by_other(hp::file_of(t), t))
                hp::leave(t);
        }
        hp::settle_display();
    }
    return 1;
}

void PART_load_cset(unsigned int set, PART_load_status_t* status) {
    auto call = HOST_ENTRY(set, status);
    call.need(status, "load status");
    auto it = hp::md().csets.find(set);
    if (it == hp::md().csets.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown part set");
    std::vector<std::pair<std::string, int>> entries;
    for (const std::string& file : std::vector<std::string>(it->second)) {
        if (hp::find_loaded(file)) continue;
        PART_load_status_t one{};
        tag_t part = 0;
        hp::open_part(file.c_str(), &part, &one, true);
        for (int i = 0; i < one.n_parts; ++i) {
            entries.emplace_back(one.file_names[i], one.statuses[i]);
            SM_free(one.file_names[i]);
        }
        SM_free(one.file_names);
        SM_free(one.statuses);
    }
    hp::fill_status(status, entries);
}

void PART_unload_cset(unsigned int set, int option) {
    auto call = HOST_ENTRY(set, option);
    auto it = hp::md().csets.find(set);
    if (it == hp::md().csets.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "unknown part set");
    for (const std::string& file : std::vector<std::string>(it->second))
        if (tag_t t = hp::find_loaded(file)) hp::close_part(t, 0, option);
}

unsigned int CONTEXT_ask_root_part(void) {
    HOST_ENTRY();
    return hp::md().display;
}
unsigned int CONTEXT_ask_work_part(void) {
    HOST_ENTRY();
    return hp::md().work;
}
int CONTEXT_ask_in_context(void) {
    HOST_ENTRY();
    const hp::Model& m = hp::component().read();
    return m.work != 0 && m.work != m.display ? 1 : 0;
}
void CONTEXT_set_work_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    if (part != 0) hp::require_loaded(call, part);
    hp::set_work_part(part);
}
void CONTEXT_set_work_part_quietly(unsigned int part) {
    auto call = HOST_ENTRY(part);
    if (part != 0) hp::require_loaded(call, part);
    hp::md().work = part;
    hp::publish_units();
}
void PART_ensure_parts_fully_loaded(int option, int count, const unsigned int* parts, int flags,
                                    PART_load_status_t* status) {
    auto call = HOST_ENTRY(option, count, parts, status);
    (void)flags;
    call.need(status, "load status");
    if (count > 0) call.need(parts, "the parts");
    std::vector<std::pair<std::string, int>> entries;
    for (int i = 0; i < count; ++i) {
        if (hp::require_loaded(call, parts[i]).load_state != PART_PARTIALLY_LOADED) continue;
        hp::md().parts[parts[i]].load_state = PART_FULLY_LOADED;
        hp::Failures failed;
        hp::load_components(parts[i], failed);
        for (const auto* group : {&failed.group1, &failed.group2})
            for (tag_t t : *group) entries.emplace_back(hp::file_of(t), hp::md().parts[t].failure_code);
    }
    hp::fill_status(status, entries);
}
void PART_set_displayed_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    if (part != 0) hp::require_loaded(call, part);
    hp::set_display_part(part);
}
int PART_ask_num_parts(void) {
    HOST_ENTRY();
    return static_cast<int>(hp::md().order.size());
}
unsigned int PART_ask_nth_part(int index) {
    HOST_ENTRY(index);
    const auto& order = hp::md().order;
    return index >= 0 && static_cast<std::size_t>(index) < order.size() ? order[static_cast<std::size_t>(index)] : 0;
}
int PART_is_part_loaded(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "name");
    return hp::find_loaded(name) != 0;
}
unsigned int PART_ask_part_of_filename(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "name");
    return hp::find_tolerant(name, false);
}
int PART_is_part_loaded_tol(const char* name, int* state) {
    auto call = HOST_ENTRY_TEXT(name, state);
    int status;
    if (call.status(status)) return status;
    call.need(name, "name");
    call.need(state, "state");
    const tag_t t = hp::find_tolerant(name, true);
    *state = t ? hp::md().parts[t].load_state : PART_NOT_LOADED;
    return 0;
}
int PART_ask_modified(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return hp::require_state(call, part).modified ? 1 : 0;
}
void PART_set_modified(unsigned int part) {
    auto call = HOST_ENTRY(part);
    hp::require_loaded(call, part);
    hp::mark_modified(part);
}
char* PART_ask_filename_of_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    if (call.outputs() > 0) return SM_string_copy(call.text_out(0, ""));
    hp::require_state(call, part);
    return SM_string_copy(hp::file_of(part).c_str());
}
char* PART_name_for_display(int mode, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mode);
    if (call.outputs() > 0) return SM_string_copy(call.text_out(0, ""));
    call.need(name, "name");
    const std::string n(name);
    const std::string shown = mode == 0 ? hp::base_name(n) : mode == 4 ? hp::stem(n) : n;
    return SM_string_copy(shown.c_str());
}
char* PART_get_stripped_part_name(unsigned int part) {
    auto call = HOST_ENTRY(part);
    hp::require_state(call, part);
    return SM_string_copy(hp::file_of(part).c_str());
}
unsigned int EXP_ask_part_of_name(const char* display_name) {
    auto call = HOST_ENTRY_TEXT(display_name);
    call.need(display_name, "name");
    for (tag_t t : hp::md().order)
        if (hp::stem(hp::file_of(t)) == display_name || hp::base_name(hp::file_of(t)) == display_name) return t;
    call.fail(PART_ERR_NOT_LOADED, "no loaded part of that name");
}
int PART_ask_units(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return hp::require_loaded(call, part).units;
}
void PART_rename_part(unsigned int part, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, part);
    hp::require_loaded(call, part);
    if (int code = hp::check_name(name); code != 0) call.fail(code, "bad file name");
    const tag_t other = hp::find_loaded(name);
    if (other != 0 && other != part) call.fail(PART_ERR_ALREADY_LOADED, "name in use");
    hp::rename_to(part, name);
    hp::mark_modified(part);
}
void PART_ask_compression_flags(unsigned int part, PART_compress_flags_t* flags) {
    auto call = HOST_ENTRY(part, flags);
    const hp::PartState& s = hp::require_loaded(call, part);
    call.need(flags, "flags");
    *flags = s.compress;
}
void PART_set_compression_flags(unsigned int part, const PART_compress_flags_t* flags) {
    auto call = HOST_ENTRY(part, flags);
    hp::PartState& s = hp::require_loaded(call, part);
    call.need(flags, "flags");
    s.compress = *flags;
}

int DMV_is_view_expanded(void) {
    HOST_ENTRY();
    return hp::services.view_expanded ? 1 : 0;
}
void FR_ZRMARK_set_part_close(int on) {
    HOST_ENTRY(on);
    hp::services.part_close_mark = on != 0;
}
void JQUI_update_menubar(void) {
    HOST_ENTRY();
    ++hp::services.menubar_updates;
}

int JQMGR_decode_cli_part_file(const char* name, char** decoded) {
    auto call = HOST_ENTRY_TEXT(name, decoded);
    call.need(decoded, "decoded");
    *decoded = nullptr;
    int status;
    if (call.status(status) && status != 0) return status;
    call.need(name, "name");
    static constexpr char kPrefix[] = "@DB/";
    if (std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) {
        *decoded = SM_string_copy(name);
        return 0;
    }
    if (!RTENV_ask_jqmanager_active()) return PART_ERR_PDM_NOT_ACTIVE;
    const std::string rest(name + sizeof kPrefix - 1);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 >= rest.size() ||
        rest.find('/', slash + 1) != std::string::npos)
        return PART_ERR_PDM_BAD_NAME;
    *decoded = SM_string_copy((rest.substr(0, slash) + "_" + rest.substr(slash + 1) + ".prt").c_str());
    return 0;
}

}  // extern "C"

// The part service's texts.
static_assert(PART_MAX_NAME_CHARS == 255);  // quoted in the texts
HOST_CODE_TEXTS(HOST_PART_CODES);
