// Registry of the host's state and the journal that rolls the model back.
//
// Model components (the object store first) take part in roll-backs;
// services (journal of calls, log, frames, memory counts, environment ...)
// only in resets. Components and services register themselves from any
// file, without editing this one.
//
// Roll-backs work on a journal of before-images. A checkpoint (an undo mark,
// a snapshot_model) costs the same whatever the size of the model: it only
// opens a new segment of the journal. A component records the state of an
// entry before its first change after the newest checkpoint, once per
// checkpoint (each entry carries the id of the newest checkpoint that holds
// its before-image, its stamp). Rolling back to a checkpoint puts the
// before-images of the later segments back, newest first; deleting a
// checkpoint merges its segment into the one before (keeping the older
// image of an entry recorded in both) or, for the oldest, drops it. So the
// cost of every step follows what changed, not the size of the model.
//
// Two ready components do the recording for the code that uses them; new
// components (kernel shapes kept as values, features, expressions) take one
// of them and get roll-backs for nothing:
//
//   - model_state<State>: one value. The first access after a checkpoint
//     copies the value into the journal (an access is taken as a change:
//     keep such values small, or use a TagTable). For example:
//
//         namespace {
//         struct Layers {
//             std::map<int, std::string> names;
//         };
//         Layers& layers() { return host::model_state<Layers>("layers"); }
//         const bool registered = (layers(), true);  // take part from the start
//         }
//
//   - TagTable<T>: rows keyed by tag, with a before-image per row; rows of
//     objects that die are dropped. Rows are found by direct index (tags
//     are dense), so a table of a row per object costs little more than
//     its rows. find() reads without recording; edit()
//     and operator[] hand out a row to change and record it.
//
// Values are copied into the journal, so a component whose entries hold
// big shared things (kernel shapes) keeps them as values with shared
// insides (handles): a before-image then costs a handle, not a shape.
//
// A reference obtained through a recording accessor must not be kept across
// the setting of a checkpoint: changes made through it afterwards would not
// be recorded. (Host routines get their references anew on every call; one
// that calls out to user code which may set a mark gets them anew after.)
//
// A component that needs more derives from ModelComponent and records its
// own UndoRecords through journal::add, guarded by journal::must_record.
#ifndef HOST_MODEL_H
#define HOST_MODEL_H

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace host {

// Checkpoint ids: ascending, never given twice (not even after a reset).
using stamp_t = std::uint32_t;

class ModelComponent {
public:
    virtual ~ModelComponent() = default;
    virtual const char* name() const = 0;
    // Back to the empty model (the journal is cleared by reset_model).
    virtual void reset() = 0;
};

// The component must live as long as the process (a static object).
void register_model_component(ModelComponent* component);
// fn runs on every host::reset_all, in order of registration.
void register_service_reset(const char* name, void (*fn)());

// A before-image in the journal. undo() puts it back and gives the entry
// the stamp `prev` it had before the record was made.
class MadeRecord;
class UndoRecord {
public:
    explicit UndoRecord(stamp_t prev_stamp) : prev(prev_stamp) {}
    virtual ~UndoRecord() = default;
    virtual void undo() = 0;
    // True when this record takes over the work of `later`, a record of the
    // same segment made after it, which then goes (consecutive creations
    // share one record).
    virtual bool absorb(const UndoRecord& later) { return (void)later, false; }
    virtual const MadeRecord* made() const { return nullptr; }
    const stamp_t prev;
};

// Entries with consecutive tags lo..hi that one owner made since the
// checkpoint: undoing takes them away again, newest first. A creation
// recorded right after the previous one of the same owner extends its
// record instead of adding one (undoing a creation may come later than the
// records made between: those were made before the entry existed).
class MadeRecord : public UndoRecord {
public:
    MadeRecord(const void* owner, unsigned int tag) : UndoRecord(0), owner_(owner), lo_(tag), hi_(tag) {}
    void undo() override {
        for (unsigned int t = hi_ + 1; t-- > lo_;) unmake(t);
    }
    bool absorb(const UndoRecord& later) override {
        const MadeRecord* m = later.made();
        if (!m || m->owner_ != owner_ || m->lo_ != hi_ + 1) return false;
        hi_ = m->hi_;
        return true;
    }
    const MadeRecord* made() const override { return this; }
    // Takes over the creation of `tag` by `owner` when it follows this
    // record's last one (as absorb, without a record to absorb).
    bool extend(const void* owner, unsigned int tag) {
        if (owner != owner_ || tag != hi_ + 1) return false;
        hi_ = tag;
        return true;
    }

protected:
    virtual void unmake(unsigned int tag) = 0;

private:
    const void* owner_;
    unsigned int lo_, hi_;
};

namespace journal {
// The id of the newest checkpoint, 0 when there is none (nothing is
// recorded then).
extern stamp_t open;
// True when an entry with this stamp must record its before-image before
// it changes; the caller then adds the record and sets the stamp to `open`.
inline bool must_record(stamp_t stamp) { return open != 0 && stamp < open; }
void add(std::unique_ptr<UndoRecord> record);
// Records that `owner` made the entry `tag`: one of the newest records
// takes it over when it can (consecutive creations), else `make` makes a
// record of it. Saves a record's allocation per creation in a row.
bool extend_made(const void* owner, unsigned int tag);
template <class Make>
void add_made(const void* owner, unsigned int tag, Make&& make) {
    if (open != 0 && !extend_made(owner, tag)) add(make());
}

// Opens a new segment; answers the checkpoint's id.
stamp_t checkpoint();
bool exists(stamp_t id);
// Undoes every record made after the checkpoint; the later checkpoints go,
// the checkpoint stays (empty). False when it does not exist.
bool rollback(stamp_t id);
// Deletes the checkpoint; the model stays as it is.
void drop(stamp_t id);
// Changes whenever checkpoints disappear other than through drop (a
// roll-back to an earlier one, a reset), so that holders of ids can look.
std::uint64_t generation();
// Records held, over all segments (for tests and measurements).
std::size_t records();
}  // namespace journal

// A checkpoint held as a value: copies share it, and the last copy to go
// deletes it (the model stays as it is).
struct ModelSnapshot {
    std::shared_ptr<const stamp_t> mark;
};
ModelSnapshot snapshot_model();
// Rolls the model back to the snapshot; snapshots taken after it are lost.
// False (nothing done) when the snapshot is gone: a roll-back to an earlier
// checkpoint or a reset took it away.
bool restore_model(const ModelSnapshot& snapshot);
// Resets every model component and clears the journal.
void reset_model();
// Resets every model component and every service.
void reset_all();

// A component holding one value, journaled whole: the first write access
// after a checkpoint copies the value into the journal. A component with
// more to do on a roll-back overrides undo_to.
template <class State>
class ModelValue : public ModelComponent {
public:
    explicit ModelValue(const char* name) : name_(name) {}
    const char* name() const override { return name_; }
    void reset() override {
        value_ = State{};
        stamp_ = 0;
    }
    // The value, to change: recorded once per checkpoint.
    State& write() {
        if (journal::must_record(stamp_)) {
            journal::add(std::make_unique<Image>(this, value_, stamp_));
            stamp_ = journal::open;
        }
        return value_;
    }
    const State& read() const { return value_; }

protected:
    // Puts the before-image back (the default: assignment).
    virtual void undo_to(State&& image) { value_ = std::move(image); }
    State value_{};

private:
    struct Image : UndoRecord {
        Image(ModelValue* c, const State& v, stamp_t prev) : UndoRecord(prev), owner(c), image(v) {}
        void undo() override {
            owner->undo_to(std::move(image));
            owner->stamp_ = prev;
        }
        ModelValue* owner;
        State image;
    };
    const char* name_;
    stamp_t stamp_ = 0;
};

// The value of the component of type State, registered under `name` on the
// first call (the name of later calls is not looked at), to change. Each
// State type is one component; it lives as long as the process.
template <class State>
ModelValue<State>& model_value(const char* name) {
    static ModelValue<State>* const component = [name] {
        auto* made = new ModelValue<State>(name);
        register_model_component(made);
        return made;
    }();
    return *component;
}
template <class State>
State& model_state(const char* name) {
    return model_value<State>(name).write();
}

// A sequence that grows and shrinks at its end and whose elements never
// move: pages of 2^PageBits elements, so that an element is found with one
// look into a small list of pages (a deque of big elements keeps a page per
// few of them, and its list of pages grows with the model).
template <class T, unsigned PageBits = 10>
class PagedVector {
public:
    template <class... Args>
    T& emplace_back(Args&&... args) {
        if ((size_ >> PageBits) == pages_.size()) {
            pages_.emplace_back();
            pages_.back().reserve(std::size_t{1} << PageBits);
        }
        ++size_;
        return pages_.back().emplace_back(std::forward<Args>(args)...);
    }
    void pop_back() {
        pages_.back().pop_back();
        --size_;
        if (pages_.back().empty()) pages_.pop_back();
    }
    T& operator[](std::size_t i) { return pages_[i >> PageBits][i & kMask]; }
    const T& operator[](std::size_t i) const { return pages_[i >> PageBits][i & kMask]; }
    T& back() { return pages_.back().back(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() {
        pages_.clear();
        size_ = 0;
    }

private:
    static constexpr std::size_t kMask = (std::size_t{1} << PageBits) - 1;
    std::vector<std::vector<T>> pages_;  // each reserved whole: its elements stay put
    std::size_t size_ = 0;
};

// Internal: a row of a TagTable, its value with the stamp. A row of a class
// value derives from it, so that the stamp takes room the value leaves at
// its end (a model holds a row per object in several tables).
template <class T, bool Derive = std::is_class_v<T> && !std::is_final_v<T>>
struct TableRow {
    T& value() { return value_; }
    const T& value() const { return value_; }
    T value_{};
    stamp_t stamp = 0;
};
template <class T>
struct TableRow<T, true> : T {
    TableRow() : T() {}
    T& value() { return *this; }
    const T& value() const { return *this; }
    stamp_t stamp = 0;
};

// Internal: notes that a TagTable holds rows in the page of tags `page`
// (tags page << kTagPageBits and on). An object's death visits only the
// tables noted for its page, after the store's destroy listeners (see
// host/base/services/objects.h), so that a model of many tables and many objects
// pays for the rows its objects have, not for every table.
inline constexpr unsigned kTagPageBits = 10;
void tag_table_page_used(unsigned int page, void (*drop)(void* table, unsigned int tag), void* table);

template <class T>
class TagTable : public ModelComponent {
public:
    explicit TagTable(const char* name) : name_(name) {
        register_model_component(this);
        tables().push_back(this);
    }
    // The table of rows of T made under `name`, or null. The part-file
    // section that saves a component's rows finds its table this way.
    static TagTable* named(const char* name) {
        for (TagTable* t : tables())
            if (std::strcmp(t->name_, name) == 0) return t;
        return nullptr;
    }
    const char* name() const override { return name_; }
    void reset() override {
        pages_.clear();
        rows_.clear();
        free_.clear();
    }

    // The row to read, or null.
    const T* find(unsigned int tag) const {
        const std::uint32_t n = number(tag);
        return n == 0 ? nullptr : &rows_[n - 1].value();
    }
    // The row to change, or null.
    T* edit(unsigned int tag) {
        const std::uint32_t n = number(tag);
        if (n == 0) return nullptr;
        Row& r = rows_[n - 1];
        touch(tag, r);
        return &r.value();
    }
    // The row to change, made (T{}) when there is none.
    T& operator[](unsigned int tag) {
        std::uint32_t& n = slot(tag);
        if (n != 0) {
            Row& r = rows_[n - 1];
            touch(tag, r);
            return r.value();
        }
        Row& r = make(n);
        if (journal::open != 0) {
            journal::add_made(this, tag, [&] { return std::make_unique<Made>(this, tag); });
            r.stamp = journal::open;
        }
        return r.value();
    }
    void erase(unsigned int tag) {
        const std::uint32_t n = number(tag);
        if (n == 0) return;
        Row& r = rows_[n - 1];
        if (journal::must_record(r.stamp))
            journal::add(std::make_unique<Image>(this, tag, std::move(r.value()), r.stamp));
        if (n == rows_.size()) {
            rows_.pop_back();  // the newest row (undoing creations erases newest first)
        } else {
            r.value() = T{};
            free_.push_back(n);
        }
        pages_[tag >> kPageBits][tag & ((1u << kPageBits) - 1)] = 0;
    }
    std::size_t size() const { return rows_.size() - free_.size(); }

private:
    // Rows live in pages (they never move) with a list of free ones; a
    // tag finds its row through pages of row numbers, one page per 1024
    // tags that have rows (tags are dense: handed out in sequence).
    static constexpr unsigned kPageBits = kTagPageBits;
    using Row = TableRow<T>;
    // Rows made since the checkpoint: undoing erases them.
    struct Made : MadeRecord {
        Made(TagTable* t, unsigned int k) : MadeRecord(t, k), table(t) {}
        void unmake(unsigned int tag) override { table->erase(tag); }
        TagTable* table;
    };
    // A row as it was.
    struct Image : UndoRecord {
        Image(TagTable* t, unsigned int k, T v, stamp_t prev)
            : UndoRecord(prev), table(t), tag(k), image(std::move(v)) {}
        void undo() override {
            std::uint32_t& n = table->slot(tag);
            Row& r = n != 0 ? table->rows_[n - 1] : table->make(n);
            r.value() = std::move(image);
            r.stamp = prev;
        }
        TagTable* table;
        unsigned int tag;
        T image;
    };
    // The row number of the tag (1 and up), 0 for none.
    std::uint32_t number(unsigned int tag) const {
        const std::size_t p = tag >> kPageBits;
        return p < pages_.size() && pages_[p] ? pages_[p][tag & ((1u << kPageBits) - 1)] : 0;
    }
    std::uint32_t& slot(unsigned int tag) {
        const std::size_t p = tag >> kPageBits;
        if (p >= pages_.size()) pages_.resize(p + 1);
        if (!pages_[p]) {
            pages_[p] = std::make_unique<std::uint32_t[]>(std::size_t{1} << kPageBits);
            tag_table_page_used(
                static_cast<unsigned int>(p), [](void* t, unsigned int tag) { static_cast<TagTable*>(t)->erase(tag); },
                this);
        }
        return pages_[p][tag & ((1u << kPageBits) - 1)];
    }
    // A fresh row (T{}, stamp 0); its number goes into n.
    Row& make(std::uint32_t& n) {
        if (!free_.empty()) {
            n = free_.back();
            free_.pop_back();
            rows_[n - 1].stamp = 0;
        } else {
            rows_.emplace_back();
            n = static_cast<std::uint32_t>(rows_.size());
        }
        return rows_[n - 1];
    }
    void touch(unsigned int tag, Row& row) {
        if (!journal::must_record(row.stamp)) return;
        journal::add(std::make_unique<Image>(this, tag, row.value(), row.stamp));
        row.stamp = journal::open;
    }
    static std::vector<TagTable*>& tables() {
        static std::vector<TagTable*> list;
        return list;
    }
    const char* name_;
    std::vector<std::unique_ptr<std::uint32_t[]>> pages_;
    PagedVector<Row, 8> rows_;
    std::vector<std::uint32_t> free_;
};

}  // namespace host

#endif
