// Registry of model components and host services; the journal of
// before-images that rolls the model back.
#include "host/base/model.h"

#include <algorithm>

#include "host/base/services/objects.h"

namespace host {

namespace {
std::vector<ModelComponent*>& components() {
    static std::vector<ModelComponent*> list;
    return list;
}
std::vector<std::pair<const char*, void (*)()>>& services() {
    static std::vector<std::pair<const char*, void (*)()>> list;
    return list;
}

// One segment of the journal: the records made while its checkpoint was the
// newest (plus those merged into it from deleted later checkpoints).
struct Segment {
    stamp_t id;
    std::vector<std::unique_ptr<UndoRecord>> records;
};
struct Journal {
    std::vector<Segment> segments;  // oldest first
    stamp_t next_id = 1;            // never goes back
    std::uint64_t generation = 0;
};
Journal& jr() {
    static Journal j;
    return j;
}

long index_of(stamp_t id) {
    auto& s = jr().segments;
    auto it = std::lower_bound(s.begin(), s.end(), id, [](const Segment& g, stamp_t v) { return g.id < v; });
    return it != s.end() && it->id == id ? static_cast<long>(it - s.begin()) : -1;
}
void reopen() { journal::open = jr().segments.empty() ? 0 : jr().segments.back().id; }

// Appends the record to the segment unless one of its last few records
// takes its work over.
constexpr std::size_t kLookBack = 4;
void append(Segment& g, std::unique_ptr<UndoRecord> record) {
    auto& r = g.records;
    for (std::size_t k = 1; k <= kLookBack && k <= r.size(); ++k)
        if (r[r.size() - k]->absorb(*record)) return;
    r.push_back(std::move(record));
}

void undo_segment(Segment& g) {
    for (auto it = g.records.rbegin(); it != g.records.rend(); ++it) (*it)->undo();
    g.records.clear();
}

// Drops every segment (a reset); the records are not undone.
void clear_journal() {
    jr().segments.clear();
    ++jr().generation;
    reopen();
}
}  // namespace

namespace journal {
stamp_t open = 0;

void add(std::unique_ptr<UndoRecord> record) {
    if (open == 0) return;
    append(jr().segments.back(), std::move(record));
}

namespace {
// The creation records that extended last, by owner: the next creation of
// an owner mostly follows its last one, wherever its record stands in the
// segment (records made in between were made before the entry existed, so
// undoing them first is right).
struct LastMade {
    const void* owner = nullptr;
    stamp_t segment = 0;
    std::size_t index = 0;
    MadeRecord* record = nullptr;
};
constexpr std::size_t kLastMade = 4;
LastMade last_made[kLastMade];
std::size_t last_made_next = 0;

LastMade* last_of(const void* owner) {
    for (LastMade& l : last_made)
        if (l.owner == owner) return &l;
    return nullptr;
}
}  // namespace

bool extend_made(const void* owner, unsigned int tag) {
    if (open == 0) return false;
    auto& r = jr().segments.back().records;
    LastMade* last = last_of(owner);
    // The record is still the one noted only when it stands at its place in
    // the open segment (roll-backs and deletions of marks move or free it).
    if (last && last->segment == open && last->index < r.size() && r[last->index].get() == last->record &&
        last->record->extend(owner, tag))
        return true;
    for (std::size_t k = 1; k <= kLookBack && k <= r.size(); ++k) {
        UndoRecord& rec = *r[r.size() - k];
        if (const MadeRecord* m = rec.made(); m && const_cast<MadeRecord*>(m)->extend(owner, tag)) {
            if (!last) {
                last = &last_made[last_made_next];
                last_made_next = (last_made_next + 1) % kLastMade;
            }
            *last = {owner, open, r.size() - k, const_cast<MadeRecord*>(m)};
            return true;
        }
    }
    return false;
}

stamp_t checkpoint() {
    const stamp_t id = jr().next_id++;
    jr().segments.push_back({id, {}});
    open = id;
    return id;
}

bool exists(stamp_t id) { return index_of(id) >= 0; }

bool rollback(stamp_t id) {
    const long i = index_of(id);
    if (i < 0) return false;
    auto& s = jr().segments;
    // Nothing is recorded while the journal itself puts images back.
    open = 0;
    for (long k = static_cast<long>(s.size()) - 1; k >= i; --k) undo_segment(s[static_cast<std::size_t>(k)]);
    if (static_cast<std::size_t>(i) + 1 < s.size()) {
        s.erase(s.begin() + i + 1, s.end());
        ++jr().generation;
    }
    reopen();
    return true;
}

void drop(stamp_t id) {
    const long i = index_of(id);
    if (i < 0) return;
    auto& s = jr().segments;
    if (i > 0) {
        // An entry whose before-image the previous segment (or a segment
        // merged into it) holds already keeps that older image.
        Segment& into = s[static_cast<std::size_t>(i) - 1];
        for (auto& r : s[static_cast<std::size_t>(i)].records)
            if (r->prev < into.id) append(into, std::move(r));
    }
    s.erase(s.begin() + i);
    reopen();
}

std::uint64_t generation() { return jr().generation; }

std::size_t records() {
    std::size_t n = 0;
    for (const Segment& g : jr().segments) n += g.records.size();
    return n;
}
}  // namespace journal

void register_model_component(ModelComponent* component) { components().push_back(component); }

void register_service_reset(const char* name, void (*fn)()) { services().emplace_back(name, fn); }

ModelSnapshot snapshot_model() {
    const stamp_t id = journal::checkpoint();
    return {std::shared_ptr<const stamp_t>(new stamp_t(id), [](const stamp_t* p) {
        journal::drop(*p);
        delete p;
    })};
}

bool restore_model(const ModelSnapshot& snapshot) { return snapshot.mark && journal::rollback(*snapshot.mark); }

void reset_model() {
    clear_journal();
    for (ModelComponent* c : components()) c->reset();
}

void reset_all() {
    reset_model();
    for (auto& [name, fn] : services()) fn();
}

namespace {
// Per page of tags, the tables that have held rows there (a table stays
// listed after its rows went: dropping from it then finds nothing).
struct PageTable {
    void (*drop)(void* table, unsigned int tag);
    void* table;
};
std::vector<std::vector<PageTable>>& tables_by_page() {
    static std::vector<std::vector<PageTable>> pages;
    return pages;
}
void drop_rows(unsigned int tag) {
    const auto& pages = tables_by_page();
    const std::size_t p = tag >> kTagPageBits;
    if (p >= pages.size()) return;
    // Dropping a row changes no list (tables are noted when they make rows).
    for (const PageTable& t : pages[p]) t.drop(t.table, tag);
}
}  // namespace

void tag_table_page_used(unsigned int page, void (*drop)(void* table, unsigned int tag), void* table) {
    static const bool listening = (objects::set_row_drop(drop_rows), true);
    (void)listening;
    auto& pages = tables_by_page();
    if (page >= pages.size()) pages.resize(page + 1);
    for (const PageTable& t : pages[page])
        if (t.table == table) return;
    pages[page].push_back({drop, table});
}

}  // namespace host
