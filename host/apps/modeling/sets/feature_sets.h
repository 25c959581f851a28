/* Feature sets of the modelling library: named groups of features of a
 * part that are handled and hidden together.
 *
 * A set is a feature record of the part (kind "FSET", a meta record: the
 * host's type name of it is "META") with a row of its own: its name, the
 * flag it was made with, its members (features of the part made before it,
 * in the order given; a member that dies drops out) and its hidden flag.
 * Other services keep their own groups as feature sets of a kind of their
 * own (host::feature_sets::create). The rows are model state (undo takes
 * them back) and are saved with the part (section "FSET").
 *
 * Hiding a set takes its members out of the feature browser (they are no
 * longer browseable features); showing it puts back those it took out,
 * unless another hidden set still holds them. The members of a hidden set
 * that change are hidden or shown with it.
 *
 * FSET_create_fset (members, count, flag, name): a new set of the work part
 * named `name`, its tag; a flag other than 0 makes it hidden from the
 * start. Raises FEAT_ERR_BAD_PARAMETERS for an empty name or one that a
 * set of the part has already, FEAT_ERR_NOT_A_FEATURE for a member that is
 * no live feature, FEAT_ERR_BAD_REFERENCE for a member of another part or
 * one given twice.
 * FSET_replace_members (set, members, count): the set's members become
 * those given (count 0: none), checked as at creation; a member must be
 * older than the set (else FEAT_ERR_BAD_REFERENCE).
 * FSET_set_hidden_flag (set, state): hides the set (state not 0) or shows
 * it; answers the hidden flag now (1 or 0).
 * FSET_frec_is_a_group: 1 for a set, 0 for any other object.
 * FSET_frec_is_a_member: 1 when a set holds the feature.
 * FSET_frec_ask_groups_of_member: the sets that hold the feature, in time
 * order (SM_alloc; null for none).
 * FSET_ask_group_members: the set's members (SM_alloc, a block also when
 * there are none).
 * FSET_ask_fset_of_name (part, name): the set of that name, 0 for none.
 * A routine given a set that is none raises FEAT_ERR_NOT_A_FEATURE (no
 * feature) or FEAT_ERR_BAD_REFERENCE (a feature that is no set); null
 * pointers with positive counts and null outputs raise
 * HOST_ERR_NULL_ARGUMENT.
 *
 * UPDATE_log_object_created (object): logs a new feature for the next
 * update, which makes the body it lives on again from it (a feature of no
 * body: nothing to make); a dead object raises HOST_ERR_DEAD_TAG.
 */
#ifndef HOST_FEATURE_FEATURE_SETS_H
#define HOST_FEATURE_FEATURE_SETS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

unsigned int FSET_create_fset(const unsigned int members[], int count, int flag, const char* name);
void FSET_replace_members(unsigned int set, const unsigned int members[], int count);
int FSET_set_hidden_flag(unsigned int set, int state);
int FSET_frec_is_a_group(unsigned int object);
int FSET_frec_is_a_member(unsigned int feature);
void FSET_frec_ask_groups_of_member(unsigned int feature, int* count, unsigned int** sets);
void FSET_ask_group_members(unsigned int set, int* count, unsigned int** members);
unsigned int FSET_ask_fset_of_name(unsigned int part, const char* name);
void UPDATE_log_object_created(unsigned int object);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::feature_sets {

using tag_t = unsigned int;

// A set of the part as FSET_create_fset makes it, its record of the kind
// given (a meta record only for the host's own kind "FSET"); raises as
// FSET_create_fset does.
tag_t create(tag_t part, const std::string& kind, const std::string& name, const std::vector<tag_t>& members,
             int flag);
// The live members of a set (empty for no set).
std::vector<tag_t> members(tag_t set);
bool is_set(tag_t object);

}  // namespace host::feature_sets
#endif

#endif
