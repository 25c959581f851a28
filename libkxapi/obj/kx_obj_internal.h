// Shared steps of the object functions (deletion, names). Internal to the
// library.
#ifndef KX_OBJ_KX_OBJ_INTERNAL_H
#define KX_OBJ_KX_OBJ_INTERNAL_H

#include <string>

#include "kx_types.h"

namespace kx::obj {

// The direct step of every deletion: 0, a refusal code, or 1155002 when
// the object must go through the delete list. Host errors pass on.
int delete_directly(tag object);
// Logs an object for deletion on the delete list: 0 or 1155000.
int log_for_delete(tag object);

// The delete list for one call: opened unless open already; finish() runs
// the model update when this call opened it; abandon() (on a host error)
// aborts the list when this call opened it.
class DeleteList {
public:
    DeleteList();
    DeleteList(const DeleteList&) = delete;
    DeleteList& operator=(const DeleteList&) = delete;
    int finish();
    void abandon() noexcept;
    bool opened() const { return opened_; }

private:
    bool opened_;
};

// The object's type and subtype (KX_OBJ_ask_type_and_subtype without its
// frame): 0, or 1105004 for a null or dead tag or an object of no type;
// host errors go to the caller's frame.
int type_and_subtype(tag object, int* type, int* subtype);

// The object's name; false when it has none.
bool read_name(tag object, std::string& name);

}  // namespace kx::obj

#endif
