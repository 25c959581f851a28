// Part attributes, file history and the recent-parts list with its sort.
#include "host/store/parts/part_info.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
using tag_t = unsigned int;

struct Entry {
    int version = 0;
    int time = 0;
    std::string user, machine, program;
};

struct Info {
    int area = 0;
    std::string description;
    int status = 0;
    std::vector<Entry> history;  // oldest first
};

struct Infos {
    std::map<tag_t, Info> parts;
};
Infos& infos() { return host::model_state<Infos>("part attributes and history"); }

// Reads without recording (a read is no change of the model).
const Info* info_of(tag_t part) {
    const Infos& all = const_cast<const Infos&>(infos());
    const auto found = all.parts.find(part);
    return found == all.parts.end() ? nullptr : &found->second;
}

// Descriptions handed out: every text given once, kept for the session.
struct Texts {
    std::set<std::string> texts;
};
Texts& texts() { return host::service_state<Texts>("part descriptions handed out"); }

}  // namespace

struct PART_sort_s {
    std::vector<std::string> files;
    std::vector<std::string> names;
    std::vector<char*> name_ptrs;
    std::vector<unsigned char> flags;
};

namespace {

struct HistoryListRecord {
    std::vector<Entry> entries;
    std::vector<int> places;
};

// The entry of the save under way: written into the file with the part's
// history, added to the history once the save went through.
struct Pending {
    tag_t part = 0;
    Entry entry;
};
Pending& pending() { return host::service_state<Pending>("part save under way"); }

struct Recent {
    std::vector<std::string> files;  // newest first
    bool disabled = false;
    std::set<std::unique_ptr<HistoryListRecord>> lists;
    std::map<PART_sort_t*, std::unique_ptr<PART_sort_s>> sorts;
};
Recent& recent_state() { return host::service_state<Recent>("recent parts"); }

const bool registered = (infos(), texts(), recent_state(), pending(), true);

void need_part(const host::Call& call, tag_t part) {
    if (!host::objects::part_info(part)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is no live part", part);
}

// A part attribute of a live part (its default for a part never given one).
template <class T>
T ask(const host::Call& call, tag_t part, T Info::*field) {
    need_part(call, part);
    const Info* i = info_of(part);
    return i ? i->*field : T{};
}

// Changes a part attribute of a live part, which is then modified.
template <class F>
int change(const host::Call& call, tag_t part, F&& f) {
    need_part(call, part);
    f(infos().parts[part]);
    host::parts::mark_modified(part);
    return 0;
}

std::string user_name() {
    const char* u = std::getenv("USER");
    return u && *u ? u : "unknown";
}

std::string machine_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "unknown";
    return name;
}

// ---- Saved with the part ----

void write_attributes(pf::Writer& out, const pf::SaveContext& ctx) {
    const Info* i = info_of(ctx.part);
    if (!i || (i->area == 0 && i->description.empty() && i->status == 0)) return;
    out.i32(i->area);
    out.str(i->description);
    out.i32(i->status);
}
void read_attributes(pf::Reader& in, pf::LoadContext& ctx) {
    Info& i = infos().parts[ctx.part];
    i.area = in.i32();
    i.description = in.str();
    if (i.description.find('\0') != std::string::npos) throw pf::FormatError("a description with a NUL");
    i.status = in.i32();
}

// Texts of an entry have fixed widths in the file, so that a part's file
// has the same size wherever it is saved.
constexpr std::size_t kUserBytes = 32, kMachineBytes = 64, kProgramBytes = 16;
constexpr std::size_t kEntryBytes = 8 + kUserBytes + kMachineBytes + kProgramBytes;

void write_fixed(pf::Writer& out, const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, '\0');
    out.raw(field);
}
std::string read_fixed(pf::Reader& in, std::size_t width) {
    const std::string_view field = in.raw(width);
    return std::string(field.substr(0, field.find('\0')));
}

void write_history(pf::Writer& out, const pf::SaveContext& ctx) {
    const Info* i = info_of(ctx.part);
    std::vector<Entry> history = i ? i->history : std::vector<Entry>{};
    if (pending().part == ctx.part && ctx.part != 0) history.push_back(pending().entry);
    if (history.empty()) return;
    out.u32(static_cast<std::uint32_t>(history.size()));
    for (const Entry& e : history) {
        out.i32(e.version);
        out.i32(e.time);
        write_fixed(out, e.user, kUserBytes);
        write_fixed(out, e.machine, kMachineBytes);
        write_fixed(out, e.program, kProgramBytes);
    }
}
void read_history(pf::Reader& in, pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / kEntryBytes) throw pf::FormatError("history count beyond the section");
    std::vector<Entry> history;
    for (std::uint32_t k = 0; k < n; ++k) {
        Entry e;
        e.version = in.i32();
        e.time = in.i32();
        e.user = read_fixed(in, kUserBytes);
        e.machine = read_fixed(in, kMachineBytes);
        e.program = read_fixed(in, kProgramBytes);
        if (e.version != static_cast<int>(k) + 1) throw pf::FormatError("history versions out of order");
        history.push_back(std::move(e));
    }
    infos().parts[ctx.part].history = std::move(history);
}

const bool sections = (pf::register_section({{'P', 'A', 'T', 'T'}, write_attributes, read_attributes}),
                       pf::register_section({{'H', 'I', 'S', 'T'}, write_history, read_history}), true);

HistoryListRecord* list_of(const host::Call& call, const PART_history_list_t* list) {
    call.need(list, "the history list");
    for (const auto& l : recent_state().lists)
        if (reinterpret_cast<const void*>(l.get()) == static_cast<const void*>(list)) return l.get();
    call.fail(HOST_ERR_BAD_ARGUMENT, "no history list %p", static_cast<const void*>(list));
}

std::string leaf(const std::string& file) { return std::filesystem::path(file).stem().string(); }

// The loaded part of a file name (0: none), without a call of the service.
unsigned int loaded_of(const std::string& file) {
    for (const unsigned int t : host::parts::loaded_parts())
        if (const host::objects::PartInfo* p = host::objects::part_info(t); p && p->file == file) return t;
    return 0;
}

void need_sort(const host::Call& call, PART_sort_t* sort) {
    if (!sort || !recent_state().sorts.count(sort))
        call.fail(HOST_ERR_BAD_ARGUMENT, "no sort %p", static_cast<void*>(sort));
}

}  // namespace

namespace host::part_info {

SaveStamp::SaveStamp(unsigned int part) {
    const Info* i = info_of(part);
    Pending& p = pending();
    p.part = part;
    p.entry = Entry{};
    p.entry.version = static_cast<int>(i ? i->history.size() : 0) + 1;
    p.entry.time = static_cast<int>(std::time(nullptr));
    p.entry.user = user_name();
    p.entry.machine = machine_name();
    p.entry.program = "kxhost";
}

SaveStamp::~SaveStamp() { pending() = Pending{}; }

void SaveStamp::keep() {
    Pending& p = pending();
    if (p.part == 0) return;
    infos().parts[p.part].history.push_back(std::move(p.entry));
    p = Pending{};
}

void note_displayed(unsigned int part) {
    Recent& r = recent_state();
    const host::objects::PartInfo* p = host::objects::part_info(part);
    if (r.disabled || !p) return;
    std::erase(r.files, p->file);
    r.files.insert(r.files.begin(), p->file);
    if (r.files.size() > PART_RECENT_MAX) r.files.resize(PART_RECENT_MAX);
}

std::vector<std::string> recent() { return recent_state().files; }

}  // namespace host::part_info

extern "C" {

int PART_ask_customer_area(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return ask(call, part, &Info::area);
}

int PART_set_customer_area(unsigned int part, int area) {
    auto call = HOST_ENTRY(part, area);
    return change(call, part, [&](Info& i) { i.area = area; });
}

const char* PART_ask_description(unsigned int part) {
    auto call = HOST_ENTRY(part);
    const std::string d = ask(call, part, &Info::description);
    return d.empty() ? nullptr : texts().texts.insert(d).first->c_str();
}

int PART_set_description(unsigned int part, const char* description) {
    auto call = HOST_ENTRY(part, description);
    return change(call, part, [&](Info& i) { i.description = description ? description : ""; });
}

int PART_ask_status(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return ask(call, part, &Info::status);
}

int PART_set_status(unsigned int part, int status) {
    auto call = HOST_ENTRY(part, status);
    return change(call, part, [&](Info& i) { i.status = status; });
}

int PART_create_history_list(PART_history_list_t** list) {
    auto call = HOST_ENTRY(list);
    call.need(list, "the list output");
    auto made = std::make_unique<HistoryListRecord>();
    *list = reinterpret_cast<PART_history_list_t*>(made.get());
    recent_state().lists.insert(std::move(made));
    return 0;
}

int PART_ask_history_of_part(unsigned int part, PART_history_list_t* list) {
    auto call = HOST_ENTRY(part, list);
    HistoryListRecord* l = list_of(call, list);
    need_part(call, part);
    if (const Info* i = info_of(part))
        for (std::size_t k = i->history.size(); k-- > 0;) {
            l->entries.push_back(i->history[k]);
            l->places.push_back(static_cast<int>(k) + 1);
        }
    return 0;
}

int PART_ask_number_of_histories(const PART_history_list_t* list) {
    auto call = HOST_ENTRY(list);
    return static_cast<int>(list_of(call, list)->entries.size());
}

int PART_ask_info_of_nth_history(const PART_history_list_t* list, int index, int* version, int* time,
                                 const char** program, const char** machine, int* sequence, const char** user) {
    auto call = HOST_ENTRY(list, index);
    const HistoryListRecord* l = list_of(call, list);
    if (index < 0 || index >= static_cast<int>(l->entries.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "history %d of %zu", index, l->entries.size());
    const Entry& e = l->entries[static_cast<std::size_t>(index)];
    if (version) *version = e.version;
    if (time) *time = e.time;
    if (program) *program = e.program.c_str();
    if (machine) *machine = e.machine.c_str();
    if (sequence) *sequence = l->places[static_cast<std::size_t>(index)];
    if (user) *user = e.user.c_str();
    return 0;
}

int PART_clear_history_list(PART_history_list_t* list) {
    auto call = HOST_ENTRY(list);
    HistoryListRecord* l = list_of(call, list);
    l->entries.clear();
    l->places.clear();
    return 0;
}

int PART_delete_history_list(PART_history_list_t* list) {
    auto call = HOST_ENTRY(list);
    HistoryListRecord* l = list_of(call, list);
    auto& lists = recent_state().lists;
    for (auto it = lists.begin(); it != lists.end(); ++it)
        if (it->get() == l) {
            lists.erase(it);
            break;
        }
    return 0;
}

int PART_list_all_mru_part_tags(int max, int* count, unsigned int** parts) {
    auto call = HOST_ENTRY(max, count, parts);
    call.need(count, "the count output");
    *count = 0;
    if (parts) *parts = nullptr;
    std::vector<unsigned int> found;
    for (const std::string& f : recent_state().files) {
        if (max >= 0 && static_cast<int>(found.size()) >= max) break;
        if (const unsigned int t = loaded_of(f)) found.push_back(t);
    }
    *count = static_cast<int>(found.size());
    if (parts && !found.empty()) {
        *parts = static_cast<unsigned int*>(SM_alloc(found.size() * sizeof(unsigned int)));
        std::copy(found.begin(), found.end(), *parts);
    }
    return 0;
}

int PART_disable_cdp_list_update(void) {
    HOST_ENTRY();
    recent_state().disabled = true;
    return 0;
}

int PART_enable_cdp_list_update(void) {
    HOST_ENTRY();
    recent_state().disabled = false;
    return 0;
}

int PART_initialize_sort_params(int key, int order, int key2, int order2, int limit, int unique,
                                PART_sort_params_t** params) {
    auto call = HOST_ENTRY(key, order, key2, order2);
    call.need(params, "the parameters output");
    *params = nullptr;
    const auto key_ok = [](int k) { return k == 0 || k == 1; };
    const auto order_ok = [](int o) { return o == 1 || o == -1; };
    if (!key_ok(key) || !key_ok(key2) || !order_ok(order) || !order_ok(order2))
        call.fail(HOST_ERR_BAD_ARGUMENT, "sort keys %d, %d with orders %d, %d", key, key2, order, order2);
    *params = static_cast<PART_sort_params_t*>(SM_alloc(sizeof(PART_sort_params_t)));
    **params = PART_sort_params_t{key, order, key2, order2, limit, unique};
    return 0;
}

int PART_initialize_sort(int value, unsigned char by_name, int mode, const PART_sort_params_t* params,
                         PART_sort_t** sort) {
    auto call = HOST_ENTRY(value, by_name, mode, params);
    call.need(params, "the sort parameters");
    call.need(sort, "the sort output");
    *sort = nullptr;
    if (mode < 0 || mode > 3) call.fail(HOST_ERR_BAD_ARGUMENT, "sort mode %d", mode);
    const std::vector<std::string>& files = recent_state().files;
    struct Item {
        std::string file;
        int recency;
    };
    std::vector<Item> items;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const bool loaded = loaded_of(files[i]) != 0;
        std::error_code ec;
        const bool pass = mode == 0 || (mode == 1 && loaded) || (mode == 2 && !loaded) ||
                          (mode == 3 && std::filesystem::is_regular_file(files[i], ec));
        if (pass) items.push_back({files[i], static_cast<int>(i)});
    }
    // Key 0 orders by recency (ascending: the oldest first), key 1 by
    // display name; order -1 turns a key round.
    const auto compare = [](int key, int order, const Item& a, const Item& b) {
        const int c = key == 0 ? (b.recency > a.recency) - (b.recency < a.recency) : leaf(a.file).compare(leaf(b.file));
        return order * (c < 0 ? -1 : c > 0 ? 1 : 0);
    };
    int k1 = params->key, o1 = params->order, k2 = params->key2, o2 = params->order2;
    if (by_name) std::swap(k1, k2), std::swap(o1, o2);
    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        const int c = compare(k1, o1, a, b);
        return c != 0 ? c < 0 : compare(k2, o2, a, b) < 0;
    });
    std::size_t cap = items.size();
    if (params->limit >= 0) cap = std::min(cap, static_cast<std::size_t>(params->limit));
    if (value > 0) cap = std::min(cap, static_cast<std::size_t>(value));
    items.resize(cap);
    auto made = std::make_unique<PART_sort_s>();
    for (const Item& it : items) {
        made->files.push_back(it.file);
        const unsigned int part = loaded_of(it.file);
        const Info* i = part ? info_of(part) : nullptr;
        const bool described = i && !i->description.empty();
        made->names.push_back(described ? i->description : it.file);
        made->flags.push_back(described ? 1 : 0);
    }
    for (std::string& n : made->names) made->name_ptrs.push_back(n.data());
    *sort = made.get();
    recent_state().sorts.emplace(*sort, std::move(made));
    return 0;
}

int PART_ask_match_data(PART_sort_t* sort, char*** names, unsigned char** flags) {
    auto call = HOST_ENTRY(sort, names, flags);
    call.need(names, "the names output");
    call.need(flags, "the flags output");
    *names = nullptr;
    *flags = nullptr;
    need_sort(call, sort);
    const std::size_t n = sort->names.size();
    if (n == 0) return 0;
    *names = sort->name_ptrs.data();
    *flags = static_cast<unsigned char*>(SM_alloc(n));
    std::copy(sort->flags.begin(), sort->flags.end(), *flags);
    return static_cast<int>(n);
}

unsigned int PART_ask_match_part_tag(int index, PART_sort_t* sort, unsigned char* loaded) {
    auto call = HOST_ENTRY(index, sort, loaded);
    need_sort(call, sort);
    if (index < 0 || index >= static_cast<int>(sort->files.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "match %d of %zu", index, sort->files.size());
    const unsigned int part = loaded_of(sort->files[static_cast<std::size_t>(index)]);
    if (loaded) *loaded = part != 0;
    return part;
}

char* PART_ask_desc_name_of_strip_leaf(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the name");
    const std::string l = leaf(name);
    char* out = static_cast<char*>(SM_alloc(l.size() + 1));
    std::memcpy(out, l.c_str(), l.size() + 1);
    return out;
}

int PART_terminate_sort(PART_sort_t* sort) {
    auto call = HOST_ENTRY(sort);
    need_sort(call, sort);
    recent_state().sorts.erase(sort);
    return 0;
}

}  // extern "C"
