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
// its implementation with kx::set_undo_service. Until one is installed the
// default service sets no mark (mark id 0) and its undo and delete do
// nothing, so a bracketed edit behaves as an edit without a mark: on failure
// the model keeps whatever the failed steps changed.
#ifndef KX_CORE_KX_UNDO_BRACKET_H
#define KX_CORE_KX_UNDO_BRACKET_H

#include <type_traits>

#include "host/services/error.h"
#include "kx_types.h"

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
};

// The service in use; never null.
UndoService& undo_service();
// Installs a service (it must outlive its use); null restores the default.
void set_undo_service(UndoService* service);

// Rolls back to the mark and deletes it while a host error is on its way
// out of the edit. The raise has consumed the function's frame already, so
// this runs under a frame of its own: an error of the roll-back itself is
// noted on the host log (and its code becomes the function's status)
// instead of reaching a frame further out or stopping the program.
void roll_back_after_error(UndoService& undo, mark_id mark, const char* name);

template <class Edit>
int undo_bracket(int visibility, const char* name, Edit&& edit) {
    UndoService& undo = undo_service();
    const mark_id mark = undo.set_mark(visibility, name);
    int status = 0;
    try {
        if constexpr (std::is_void_v<decltype(edit())>) edit();
        else status = static_cast<int>(edit());
    } catch (...) {
        roll_back_after_error(undo, mark, name);
        throw;
    }
    if (status != 0) undo.undo_to_mark(mark, name);
    undo.delete_mark(mark, name);
    return status;
}

}  // namespace kx

#endif
