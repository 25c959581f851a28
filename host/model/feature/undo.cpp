// The undo service: marks that are checkpoints of the model's journal, and
// its miscellaneous callbacks.
#include "host/model/feature/undo.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"

namespace host::undo {
namespace {

struct Mark {
    unsigned int id;
    std::string name;
    int visibility;
    stamp_t checkpoint;  // in the model's journal
};

struct MiscCallback {
    unsigned int id;
    int kind;
    void* owner;
    int visibility;
    UNDO_misc_cb_fn_t routine;
    void* user_data;
};

struct State {
    std::vector<Mark> marks;  // oldest first
    std::uint64_t generation = journal::generation();
    unsigned int next_mark = 1;  // ids are never given twice
    std::vector<MiscCallback> callbacks;
    unsigned int next_callback = 1;
    bool callbacks_enabled = true;
    int calling = 0;  // depth of callbacks being called
};
State& st() {
    static State s;
    return s;
}
void reset_undo() { st() = State{}; }
const bool registered = (register_service_reset("undo", reset_undo), true);

// Marks whose checkpoint went with a roll-back to an earlier snapshot of
// the model or a reset of the model go too.
void prune() {
    if (st().generation == journal::generation()) return;
    st().generation = journal::generation();
    auto& m = st().marks;
    m.erase(std::remove_if(m.begin(), m.end(), [](const Mark& k) { return !journal::exists(k.checkpoint); }), m.end());
}

bool good_visibility(int v) { return v >= UNDO_INVISIBLE && v <= UNDO_TEMPORARY; }

// Index of the named mark (id first, else the newest with the name), or -1.
long find_mark(unsigned int id, const char* name) {
    prune();
    const auto& m = st().marks;
    if (id != 0) {
        for (std::size_t i = 0; i < m.size(); ++i)
            if (m[i].id == id) return static_cast<long>(i);
        return -1;
    }
    if (!name) return -1;
    for (std::size_t i = m.size(); i-- > 0;)
        if (m[i].name == name) return static_cast<long>(i);
    return -1;
}

// Newest mark of the visibility (and name, when given) before index `before`.
long newest_of(int visibility, const char* name, std::size_t before) {
    prune();
    const auto& m = st().marks;
    for (std::size_t i = std::min(before, m.size()); i-- > 0;)
        if (m[i].visibility == visibility && (!name || !*name || m[i].name == name)) return static_cast<long>(i);
    return -1;
}

// Calls the miscellaneous callbacks of the kind for a mark of the visibility
// (visibility -1: every callback of the kind).
void notify(int kind, unsigned int mark, int visibility) {
    if (!st().callbacks_enabled || st().callbacks.empty()) return;
    std::vector<unsigned int> ids;
    for (const MiscCallback& c : st().callbacks)
        if (c.kind == kind && (visibility < 0 || c.visibility == visibility)) ids.push_back(c.id);
    for (unsigned int id : ids) {
        auto& cbs = st().callbacks;
        auto it = std::find_if(cbs.begin(), cbs.end(), [&](const MiscCallback& c) { return c.id == id; });
        if (it == cbs.end()) continue;  // removed by an earlier callback
        const MiscCallback cb = *it;
        ++st().calling;
        struct Down {
            ~Down() { --st().calling; }
        } down;
        cb.routine(kind, mark, cb.owner, cb.user_data);
    }
}

bool busy() { return st().calling > 0; }

// Rolls the model back to the mark at index i; the marks after it go.
int undo_to(long i) {
    if (i < 0) return UNDO_ERR_NO_MARK;
    if (busy()) return UNDO_ERR_BUSY;
    const unsigned int id = st().marks[i].id;
    const int visibility = st().marks[i].visibility;
    notify(UNDO_CB_BEFORE_UNDO, id, visibility);
    i = find_mark(id, nullptr);  // a callback may have changed the marks
    if (i < 0) return UNDO_ERR_NO_MARK;
    journal::rollback(st().marks[i].checkpoint);  // the later checkpoints go with it
    st().marks.erase(st().marks.begin() + i + 1, st().marks.end());
    st().generation = journal::generation();
    notify(UNDO_CB_AFTER_UNDO, id, visibility);
    return 0;
}

// Removes the marks from index i on (to_end) or only the mark at i.
int delete_from(long i, bool to_end) {
    if (i < 0) return UNDO_ERR_NO_MARK;
    if (busy()) return UNDO_ERR_BUSY;
    auto& m = st().marks;
    std::vector<std::pair<unsigned int, int>> gone;
    const std::size_t last = to_end ? m.size() : static_cast<std::size_t>(i) + 1;
    // Oldest first: each segment of the journal is merged once.
    for (std::size_t k = static_cast<std::size_t>(i); k < last; ++k) {
        gone.emplace_back(m[k].id, m[k].visibility);
        journal::drop(m[k].checkpoint);
    }
    m.erase(m.begin() + i, m.begin() + static_cast<long>(last));
    for (auto [id, visibility] : gone) notify(UNDO_CB_MARK_DELETED, id, visibility);
    return 0;
}

}  // namespace

std::vector<MarkInfo> marks() {
    prune();
    std::vector<MarkInfo> out;
    for (const Mark& m : st().marks) out.push_back({m.id, m.name, m.visibility});
    return out;
}

int misc_callback_count() { return static_cast<int>(st().callbacks.size()); }

}  // namespace host::undo

namespace hu = host::undo;

#define UNDO_SCRIPTED_STATUS(call)                      \
    do {                                                \
        int scripted_;                                  \
        if ((call).status(scripted_)) return scripted_; \
    } while (0)

extern "C" {

unsigned int UNDO_JQ_set_mark(int visibility, const char* name, int* status) {
    auto call = HOST_ENTRY_TEXT(name, visibility, status);
    call.need(status, "the status output");
    *status = 0;
    int scripted;
    if (call.status(scripted) && scripted != 0) {
        *status = scripted;
        return 0;
    }
    if (!hu::good_visibility(visibility)) {
        *status = UNDO_ERR_BAD_VISIBILITY;
        return 0;
    }
    if (hu::busy()) {
        *status = UNDO_ERR_BUSY;
        return 0;
    }
    const unsigned int id = hu::st().next_mark++;
    hu::prune();
    hu::st().marks.push_back({id, name ? name : "", visibility, host::journal::checkpoint()});
    hu::notify(UNDO_CB_MARK_SET, id, visibility);
    return id;
}

int UNDO_JQ_ask_mark_exist(unsigned int mark, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mark);
    return static_cast<int>(call.int_out(0, hu::find_mark(mark, name) >= 0 ? 1 : 0));
}

int UNDO_JQ_undo_to_mark(unsigned int mark, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mark);
    UNDO_SCRIPTED_STATUS(call);
    return hu::undo_to(hu::find_mark(mark, name));
}

int UNDO_JQ_undo_to_last_mark(int visibility, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, visibility);
    UNDO_SCRIPTED_STATUS(call);
    if (!hu::good_visibility(visibility)) return UNDO_ERR_BAD_VISIBILITY;
    return hu::undo_to(hu::newest_of(visibility, name, hu::st().marks.size()));
}

int UNDO_JQ_undo_to_previous_mark(int visibility, unsigned int previous_to, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, visibility, previous_to);
    UNDO_SCRIPTED_STATUS(call);
    if (!hu::good_visibility(visibility)) return UNDO_ERR_BAD_VISIBILITY;
    const long to = hu::find_mark(previous_to, nullptr);
    if (to < 0) return UNDO_ERR_NO_MARK;
    return hu::undo_to(hu::newest_of(visibility, nullptr, static_cast<std::size_t>(to)));
}

int UNDO_JQ_ask_mark_visibility(unsigned int mark, const char* name, int* visibility) {
    auto call = HOST_ENTRY_TEXT(name, mark, visibility);
    UNDO_SCRIPTED_STATUS(call);
    call.need(visibility, "the output");
    const long i = hu::find_mark(mark, name);
    if (i < 0) return UNDO_ERR_NO_MARK;
    *visibility = hu::st().marks[i].visibility;
    return 0;
}

int UNDO_JQ_set_mark_visibility(unsigned int mark, const char* name, int visibility) {
    auto call = HOST_ENTRY_TEXT(name, mark, visibility);
    UNDO_SCRIPTED_STATUS(call);
    if (!hu::good_visibility(visibility)) return UNDO_ERR_BAD_VISIBILITY;
    const long i = hu::find_mark(mark, name);
    if (i < 0) return UNDO_ERR_NO_MARK;
    hu::st().marks[i].visibility = visibility;
    hu::notify(UNDO_CB_VISIBILITY_SET, hu::st().marks[i].id, visibility);
    return 0;
}

int UNDO_JQ_set_to_mark_visibility(unsigned int mark, const char* name, int visibility) {
    auto call = HOST_ENTRY_TEXT(name, mark, visibility);
    UNDO_SCRIPTED_STATUS(call);
    if (!hu::good_visibility(visibility)) return UNDO_ERR_BAD_VISIBILITY;
    const long i = hu::find_mark(mark, name);
    if (i < 0) return UNDO_ERR_NO_MARK;
    std::vector<unsigned int> changed;
    for (std::size_t k = static_cast<std::size_t>(i); k < hu::st().marks.size(); ++k) {
        hu::st().marks[k].visibility = visibility;
        changed.push_back(hu::st().marks[k].id);
    }
    for (unsigned int id : changed) hu::notify(UNDO_CB_VISIBILITY_SET, id, visibility);
    return 0;
}

int UNDO_JQ_ask_any_mark_exist(int visibility) {
    auto call = HOST_ENTRY(visibility);
    return static_cast<int>(call.int_out(0, hu::newest_of(visibility, nullptr, hu::st().marks.size()) >= 0));
}

int UNDO_JQ_ask_number_of_marks(int visibility) {
    auto call = HOST_ENTRY(visibility);
    hu::prune();
    const auto& m = hu::st().marks;
    const auto n = std::count_if(m.begin(), m.end(), [&](const hu::Mark& k) { return k.visibility == visibility; });
    return static_cast<int>(call.int_out(0, n));
}

int UNDO_JQ_delete_mark(unsigned int mark, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mark);
    UNDO_SCRIPTED_STATUS(call);
    return hu::delete_from(hu::find_mark(mark, name), false);
}

int UNDO_JQ_delete_all_marks(void) {
    auto call = HOST_ENTRY();
    UNDO_SCRIPTED_STATUS(call);
    if (hu::busy()) return UNDO_ERR_BUSY;
    for (const hu::Mark& m : hu::st().marks) host::journal::drop(m.checkpoint);
    hu::st().marks.clear();
    hu::notify(UNDO_CB_ALL_DELETED, 0, -1);
    return 0;
}

int UNDO_JQ_delete_to_mark(unsigned int mark, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mark);
    UNDO_SCRIPTED_STATUS(call);
    return hu::delete_from(hu::find_mark(mark, name), true);
}

int UNDO_JQ_ask_next_vis_mark(unsigned int* mark) {
    auto call = HOST_ENTRY(mark);
    UNDO_SCRIPTED_STATUS(call);
    call.need(mark, "the output");
    const long i = hu::newest_of(UNDO_VISIBLE, nullptr, hu::st().marks.size());
    *mark = i < 0 ? 0 : hu::st().marks[i].id;
    return i < 0 ? UNDO_ERR_NO_MARK : 0;
}

int UNDO_JQ_undo_to_next_vis_mark(void) {
    auto call = HOST_ENTRY();
    UNDO_SCRIPTED_STATUS(call);
    return hu::undo_to(hu::newest_of(UNDO_VISIBLE, nullptr, hu::st().marks.size()));
}

int UNDO_JQ_register_misc_cb(int kind, void* owner, int visibility, UNDO_misc_cb_fn_t routine, void* user_data,
                             unsigned int* id) {
    auto call = HOST_ENTRY(kind, visibility, routine, id);
    UNDO_SCRIPTED_STATUS(call);
    if (!routine || !id) call.fail(HOST_ERR_NULL_ARGUMENT, "the routine or the id output is null");
    if (kind < UNDO_CB_MARK_SET || kind > UNDO_CB_VISIBILITY_SET) return UNDO_ERR_BAD_KIND;
    if (!hu::good_visibility(visibility)) return UNDO_ERR_BAD_VISIBILITY;
    *id = hu::st().next_callback++;
    hu::st().callbacks.push_back({*id, kind, owner, visibility, routine, user_data});
    return 0;
}

int UNDO_JQ_unregister_misc_cb(unsigned int id) {
    auto call = HOST_ENTRY(id);
    UNDO_SCRIPTED_STATUS(call);
    auto& cbs = hu::st().callbacks;
    auto it = std::find_if(cbs.begin(), cbs.end(), [&](const hu::MiscCallback& c) { return c.id == id; });
    if (it == cbs.end()) return UNDO_ERR_NO_CALLBACK;
    cbs.erase(it);
    return 0;
}

int UNDO_JQ_delete_all_misc_cbs(void) {
    auto call = HOST_ENTRY();
    UNDO_SCRIPTED_STATUS(call);
    hu::st().callbacks.clear();
    return 0;
}

int UNDO_JQ_disable_misc_cbs(void) {
    auto call = HOST_ENTRY();
    UNDO_SCRIPTED_STATUS(call);
    hu::st().callbacks_enabled = false;
    return 0;
}

int UNDO_JQ_enable_misc_cbs(void) {
    auto call = HOST_ENTRY();
    UNDO_SCRIPTED_STATUS(call);
    hu::st().callbacks_enabled = true;
    return 0;
}

}  // extern "C"
