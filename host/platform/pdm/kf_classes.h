/* The product-data manager's knowledge classes: user classes and user
 * functions (the manager's "dfa" items) filed in folders, and for each item
 * the classes and functions it refers to.
 *
 * The listings hand out an array of texts (SM_alloc'd array of SM_alloc'd
 * texts, sorted; no array when there is none). A folder or item the manager
 * does not hold answers JQMGR_KF_ERR_FAILED; a NULL folder lists every
 * folder. The existence tests set *exists to 1 when the item is there and
 * leave it alone otherwise; they answer 0.
 *
 * The manager holds nothing until the tests file items (host::pdm::kf_*);
 * whether it runs at all is RTENV_ask_jqmanager_active's answer. */
#ifndef HOST_PDM_KF_CLASSES_H
#define HOST_PDM_KF_CLASSES_H

#include "host/base/services/codes.h"

#define HOST_PDM_CODES(X)                                                    \
    X(JQMGR_KF_ERR_FAILED, 920001) /* the manager cannot answer the query */
HOST_BARE_CODE_CONSTANTS(HOST_PDM_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The classes (classes non-zero) and functions (funcs non-zero) filed in
 * the folder `where`. */
int JQMGR_KF_get_all_designs_or_funcs(const char* where, int classes, int funcs, int* count, char*** names);
/* The classes and functions that the item `name` refers to. */
int JQMGR_KF_list_classes_referenced(const char* name, int* count, char*** names, int classes, int funcs);
int JQMGR_KF_is_dfa_class_exists(const char* name, unsigned char* exists);
int JQMGR_KF_is_dfa_func_exists(const char* name, unsigned char* exists);
int JQMGR_KF_is_dfa_folder_exists(const char* folder, unsigned char* exists);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::pdm {
void kf_add_folder(const std::string& folder);
// Files a class or a function in the folder (made when missing), with the
// items it refers to.
void kf_add_class(const std::string& folder, const std::string& name, const std::vector<std::string>& refers = {});
void kf_add_function(const std::string& folder, const std::string& name, const std::vector<std::string>& refers = {});
}  // namespace host::pdm
#endif

#endif
