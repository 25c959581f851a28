// The undo bracket, and the rule every edit of the library keeps:
//
//     A non-zero status means that the model, the undo marks and the
//     caller's outputs are as they were before the call (outputs that the
//     function clears first stay cleared); status 0 means that the whole
//     change is made and no mark of the library is left behind.
//
// An edit keeps it in one of two ways:
//   - a single storing step that is the last step that can fail (a setter
//     that only hands the value to the host, a creation without a display
//     tail): nothing is stored before it, nothing can fail after it;
//   - any other edit (several stores, or a display, sketch, update-log or
//     model-update tail after the store, or a release of a held block
//     after it) runs whole, tail included, under the bracket below: with a
//     mark of visibility 1 where the edit is an undo step of the user (the
//     curve family), else with an invisible one (kx::edit_with_tail).
// A release that fails in clean-up fails the bracketed edit too
// (kx::release, frame.h), so it is rolled back as well. Parts (creation,
// opening) are not undone by marks: their functions close what they made
// when a later step fails.
//
// The undo bracket: an edit made through several host steps is bracketed
// with an undo mark that is rolled back when the edit fails and deleted when
// it succeeds. A failed edit deletes its mark too, after the roll-back: the
// host keeps a mark that it has undone to, and the bracket's mark must not
// stay behind as an undo step that changes nothing. Internal to the library.
//
//     return kx::frame(prologue, [&] {
//         return kx::undo_bracket(1, "Create thing", [&] {
//             ...host steps...
//             return 0;
//         });
//     });
//
// The bracket belongs inside the work of a frame: a host error raised in
// the edit rolls back to the mark, deletes it and then goes on to the
// frame, which turns it into the status. A non-zero status of the edit
// rolls back and deletes the mark too.
//
// The undo service behind the bracket is a seam: the undo module installs
// its implementation with kx::set_undo_service; a step of the service that
// fails raises its code. Until one is installed the
// default service sets no mark (mark id 0) and its undo and delete do
// nothing, so a bracketed edit behaves as an edit without a mark: on failure
// the model keeps whatever the failed steps changed.
#ifndef KX_CORE_KX_UNDO_BRACKET_H
#define KX_CORE_KX_UNDO_BRACKET_H

#include <type_traits>
#include <utility>

#include "host/base/services/error.h"
#include "kx_types.h"
#include "libkxapi/core/frame.h"

namespace kx {

using mark_id = unsigned int;

class UndoService {
public:
    virtual ~UndoService() = default;
    // Sets a mark of the visibility (0 to 2) and name; answers its id.
    virtual mark_id set_mark(int visibility, const char* name) = 0;
    // Rolls the model back to the mark (and removes the marks after it).
    virtual void undo_to_mark(mark_id mark, const char* name) = 0;
    // Removes the mark; the model stays as it is.
    virtual void delete_mark(mark_id mark, const char* name) = 0;
    // Removes the mark and every mark set after it; the model stays.
    virtual void delete_to_mark(mark_id mark, const char* name) = 0;
    // Sets a mark as set_mark does, and tells why none was set: *status is
    // 0, or the undo service's code with mark id 0. A service whose marks
    // cannot be refused answers set_mark's mark and 0.
    virtual mark_id try_set_mark(int visibility, const char* name, int* status) {
        *status = 0;
        return set_mark(visibility, name);
    }
    // Makes the mark important (an update's mark, which the user's undo
    // stops at). A service without importance leaves the mark as it is.
    virtual void make_important(mark_id) {}
};

// The service in use; never null.
UndoService& undo_service();
// Installs a service (it must outlive its use); null restores the default.
void set_undo_service(UndoService* service);

// Rolls back to the mark and deletes it while a host error is on its way
// out of the edit. The raise has consumed the function's frame already, so
// each step runs under a frame of its own: an error of the roll-back itself
// is noted on the host log (the error that failed the edit stays the
// status) instead of reaching a frame further out or stopping the program;
// the mark is deleted also when the roll-back to it failed.
// With to_mark the mark goes with delete_to_mark (every mark set after it
// too).
void roll_back_after_error(UndoService& undo, mark_id mark, const char* name, bool to_mark = false);

// How a bracket sets and closes its mark.
struct Bracket {
    int visibility = 1;
    const char* name = nullptr;  // null: a mark without a name
    // The mark stays when the edit succeeds, as the undo step of the user
    // that the edit makes (the few edits whose marks the user undoes); a
    // failure still rolls back to it and deletes it.
    bool keep_on_success = false;
    // The mark is closed with delete_to_mark, after a roll-back too, so
    // that no mark that the edit's host steps set outlives it.
    bool to_mark = false;
    // No edit without its mark: when the undo service sets none, the
    // bracket answers the service's code (1105000-band or the undo band's)
    // before the edit starts.
    bool need_mark = false;
    // The mark is made important before the edit (the model update's).
    bool important = false;
};

template <class Edit>
int undo_bracket(const Bracket& b, Edit&& edit) {
    UndoService& undo = undo_service();
    int set_status = 0;
    const mark_id mark = undo.try_set_mark(b.visibility, b.name, &set_status);
    if (b.need_mark && set_status != 0) return set_status;
    const auto close = [&] {
        if (b.to_mark) undo.delete_to_mark(mark, b.name);
        else undo.delete_mark(mark, b.name);
    };
    // A release failure pending further out stays with the work out there.
    const int outer_pending = std::exchange(detail::g_release_failure, 0);
    int status = 0;
    try {
        if (b.important && mark != 0) undo.make_important(mark);
        if constexpr (std::is_void_v<decltype(edit())>) edit();
        else status = static_cast<int>(edit());
        // A release that failed in the edit fails the edit.
        status = detail::merge_release_failure(status);
        // A failed edit goes back to the mark. An error of the roll-back
        // or of the mark's deletion goes the way of an error in the edit
        // (below), which tries both again.
        if (status != 0) undo.undo_to_mark(mark, b.name);
        // The last step that can fail: until the mark is gone the edit can
        // still be taken back (a failure to delete it rolls the edit back).
        if (status != 0 || !b.keep_on_success) close();
    } catch (...) {
        detail::merge_release_failure(-1);  // the error in flight is the status: only noted
        detail::g_release_failure = outer_pending;
        roll_back_after_error(undo, mark, b.name, b.to_mark);
        throw;
    }
    detail::g_release_failure = outer_pending;
    return status;
}

template <class Edit>
int undo_bracket(int visibility, const char* name, Edit&& edit, bool keep_on_success = false) {
    return undo_bracket(Bracket{.visibility = visibility, .name = name, .keep_on_success = keep_on_success},
                        std::forward<Edit>(edit));
}

// A new object made under a bracket of the visibility: make() stores its
// tag in *out; when the creation fails (status or host error) it is taken
// back and *out is NULL_TAG again.
template <class Make>
int create_bracketed(int visibility, tag* out, Make&& make) {
    struct ClearUnlessMade {
        tag* out;
        bool made = false;
        ~ClearUnlessMade() {
            if (!made && out) *out = NULL_TAG;
        }
    } clear_unless_made{out};
    const int st = undo_bracket(visibility, nullptr, std::forward<Make>(make));
    clear_unless_made.made = st == 0;
    return st;
}

// A look at the model that has to change it on the way (a body made only to
// be measured, a record hung on a feature only to be read): probe() runs
// under a mark of visibility 1 without a name that the model always goes
// back to, and the mark goes, whatever the probe answers and also when it
// raises. Its status is the answer; what it found must be held outside the
// model (a copy, a block of memory).
template <class Probe>
int probe_under_mark(Probe&& probe) {
    UndoService& undo = undo_service();
    const mark_id mark = undo.set_mark(1, nullptr);
    int status = 0;
    try {
        if constexpr (std::is_void_v<decltype(probe())>) probe();
        else status = static_cast<int>(probe());
        undo.undo_to_mark(mark, nullptr);
        undo.delete_mark(mark, nullptr);
    } catch (...) {
        roll_back_after_error(undo, mark, nullptr);
        throw;
    }
    return status;
}

// An edit of the model with steps after its store that may still fail (see
// the rule above), under an invisible mark.
template <class Edit>
int edit_with_tail(Edit&& edit) {
    return undo_bracket(0, nullptr, std::forward<Edit>(edit));
}

}  // namespace kx

#endif
