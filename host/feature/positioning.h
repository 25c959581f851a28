/* Positioning of features and the instances of instance sets, as far as
 * the expressions of a feature reach them.
 *
 * A positioning constraint is an object of class PARM_CONSTRAINT_c (a
 * child of the object class) of the feature's part: it places the feature
 * against another object (its constraint field: that object, 0 while it
 * refers to none) through expressions (its distances: usually one system
 * expression, and a named one where the user gave a name), and carries a
 * descriptor naming its kind ("Horizontal", "Parallel at a Distance" ...).
 * A feature may also keep values for itself: constant expressions with a
 * descriptor each, which it never offers to the user.
 *
 * FMI_invoke_ask_exps lists a feature's parameter expressions, then its
 * constraints, then its kept values, each with its descriptor; the
 * feature uses (host::feature::features_using) the expressions of its
 * constraints and its kept values as it uses its parameters.
 *
 * An instance of an instance set is a feature made from the set's initial
 * master at a place (row, column) of the set; the instance at (0, 0) stands
 * where the master stands.
 *
 * Constraints and instances are part of the model (undo rolls them back)
 * and of part files (sections "RCON" and "RPOS", positioning.cpp).
 * Checks: a tag of no live feature raises FEAT_ERR_NOT_A_FEATURE (a dead
 * tag HOST_ERR_DEAD_TAG), of no live constraint HOST_ERR_WRONG_CLASS, a
 * null pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_POSITIONING_H
#define HOST_FEATURE_POSITIONING_H

#define RPO_CONSTRAINT_CLASS_NAME "PARM_CONSTRAINT_c"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

/* The positioning expressions of the feature: the expressions of its
 * constraints in order, each with its constraint's descriptor, as host
 * objects (OM_ask_tag gives their tags). Arrays SM_alloc (null when
 * empty), descriptors SM_alloc'd texts; answers 0. */
int RPO_ask_exp_desc_of_frec(unsigned int feature, int* count, char*** descriptors, void*** objects);
/* The object the constraint positions against (its constraint field), 0
 * for none. */
unsigned int RPO_ask_constraint_target(unsigned int constraint);
/* Adds the constraint's expressions to the set (host/services/sets.h). */
void extract_system_exp_from_parm_constraint(unsigned int constraint, int set);
/* 1 when the feature is an instance of an instance set (its row and
 * column written), else 0 (both 0). */
int ISET_ask_instance_position(unsigned int feature, int* row, int* column);
/* The initial master of the set of the instance; 0 for a feature that is
 * no instance. */
unsigned int ISET_ask_initial_master_of_ins(unsigned int instance);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <utility>
#include <vector>

namespace host::feature {

// A new constraint of the feature (a live feature) against `target` (a live
// object or 0) through the expressions (live, of the feature's part).
unsigned int add_constraint(unsigned int feature, const std::string& descriptor, unsigned int target,
                            const std::vector<unsigned int>& exps);
// A value the feature keeps for itself: a new constant system expression of
// the formula; raises the expression service's code on a bad formula.
unsigned int add_kept_value(unsigned int feature, const std::string& descriptor, const std::string& formula);
// Makes the feature an instance of the set of `master` at (row, column).
void make_instance(unsigned int feature, unsigned int master, int row, int column);
// The constraints and kept values of the feature with their descriptors,
// in the order added.
std::vector<std::pair<unsigned int, std::string>> positioning_objects(unsigned int feature);
// True when one of the feature's constraints or kept values uses the
// expression.
bool positioning_uses(unsigned int feature, unsigned int exp);

}  // namespace host::feature
#endif

#endif
