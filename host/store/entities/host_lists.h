// Host lists: numbered lists of objects (kernel tags or entity ids) that
// the modeller's routines hand each other, made by KI_crlist and freed by
// KI_free_list (declared with the feature service, their first user). The
// kernel's file routines and the features both fill and read them, so they
// stand on the store floor.
#ifndef HOST_STORE_ENTITIES_HOST_LISTS_H
#define HOST_STORE_ENTITIES_HOST_LISTS_H

#include <vector>

#include "host/base/hook.h"

// Kinds of list: features (to delete), kernel tags.
#define KI_LIST_FEATURES 10001
#define KI_LIST_KERNEL 10003

namespace host::lists {

// The objects of a list, in order (empty for an unknown list).
std::vector<unsigned int> objects(int list);
int kind(int list);  // 0 for an unknown list
int count();         // lists not freed yet
// The objects of a list to change in place; an unknown list raises
// HOST_ERR_BAD_ARGUMENT.
std::vector<unsigned int>& require(const Call& call, int list);
void append(const Call& call, int list, unsigned int object);
void replace(const Call& call, int list, std::vector<unsigned int> objects);

}  // namespace host::lists

extern "C" {
#pragma GCC visibility push(default) /* exported: see host/base/export.h */
// A new empty list of the kind; answers 0 or a status.
int KI_crlist(int kind, int* list);
// Frees the list (its objects stay).
void KI_free_list(int list);
#pragma GCC visibility pop
}

#endif
