/* Feature records and the host's feature deletion.
 *
 * A feature is an object of class OM_CLASS_FEATURE (entity type 205) with a
 * record: its kind ("BLOCK", "HOLE" ...), the features it builds on
 * (parents) and the objects it made (results). Deleting a feature deletes
 * the features that build on it (recursively) and the objects each made.
 * Records are part of the model: undo marks roll them back.
 *
 * The deletion goes through a host object list:
 *   KI_crlist(kind, &list)            a new empty list (kind 10001: features
 *                                     to delete); answers 0 or a status
 *   KI_free_list(list)                frees the list (its objects stay)
 *   CM_ask_object_of_eid(tag)         the modeller's object of a tag (its
 *                                     persistent entity id)
 *   CM_ptcmtgli(list, 0, 1, object)   appends one object to the list
 *   ui_delete_feature_(&list, &status) deletes the listed features with
 *                                     their dependents; writes the status
 * The listed ids are looked up in the work part first (open parts may
 * share entity ids), else in any part.
 * The deletion takes the features one at a time, in creation order, each
 * through FEAT_delete_one (journalled; a test may script it to raise, or
 * to answer a status, which stops the deletion there). A feature marked
 * undeletable (host::feature::set_undeletable) stops the deletion with
 * FEAT_ERR_UNDELETABLE when its turn comes; the features deleted before it
 * stay deleted (the caller's undo mark restores them).
 *
 * Checks: a dead tag raises HOST_ERR_DEAD_TAG, a null pointer
 * HOST_ERR_NULL_ARGUMENT, an unknown list or a bad position or count
 * HOST_ERR_BAD_ARGUMENT. Codes written by the deletion (the host's
 * internal band): FEAT_ERR_NOT_A_FEATURE for a listed object that is not a
 * live feature, FEAT_ERR_UNDELETABLE. An empty list deletes nothing and
 * writes 0.
 */
#ifndef HOST_FEATURE_FEATURE_H
#define HOST_FEATURE_FEATURE_H

#define KI_LIST_FEATURES 10001

#define FEAT_ERR_NOT_A_FEATURE 670301
#define FEAT_ERR_UNDELETABLE   670302

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

int KI_crlist(int kind, int* list);
void KI_free_list(int list);
unsigned int CM_ask_object_of_eid(unsigned int object);
void CM_ptcmtgli(int list, int position, int count, unsigned int object);
void ui_delete_feature_(int* list, int* status);
/* One step of the deletion: deletes the feature and the objects it made;
 * answers 0. */
int FEAT_delete_one(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::feature {

struct Record {
    std::string kind;
    std::vector<unsigned int> parents;
    std::vector<unsigned int> results;
    bool undeletable = false;
};

// Creates a feature of the part (a live part) building on the parents (live
// features) and owning the results (live objects).
unsigned int create(unsigned int part, const std::string& kind, std::vector<unsigned int> parents = {},
                    std::vector<unsigned int> results = {});
// The record of a live feature, or null.
const Record* find(unsigned int feature);
void set_undeletable(unsigned int feature, bool on);
// The objects of a host list, in order (empty for an unknown list).
std::vector<unsigned int> list_objects(int list);
int list_kind(int list);   // 0 for an unknown list
int list_count();          // host lists not freed yet

}  // namespace host::feature
#endif

#endif
