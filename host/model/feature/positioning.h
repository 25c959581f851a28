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

/* Positioning dimensions (RPO_create_dimension): constraints that place a
 * form feature on its placement face (its link face) from their
 * expressions. Each measures, in the link face's frame (origin on the
 * face's plane, Z its outward normal, X the model's X laid onto the plane,
 * else the model's Y; Y = Z x X), between a target object of the body (an
 * edge or a face: side 0) and the feature (one of its edges or faces, or,
 * with none, its location: side 1):
 *   RPO_DIM_HORIZONTAL  along X;
 *   RPO_DIM_VERTICAL    along Y;
 *   RPO_DIM_PARALLEL    straight from the target's point to the tool's;
 *   RPO_DIM_PERPENDICULAR  from the target edge's line (a face: its nearest
 *                       point) to the tool's point;
 *   RPO_DIM_PARALLEL_EDGE  between parallel target and tool edges;
 *   RPO_DIM_ANGLE       the angle (degrees, 0 to 90) between the lines of
 *                       the target and tool edges
 *                       (it reads, it does not move the feature).
 * A side's point is the tool's point (the location, or its edge's first
 * point) or the target's point nearest to it; its segment the edge's two
 * ends (a point twice for a face or a location); its third pair the
 * segment's unit direction (0, 0 when it has none). When a dimension's
 * value differs from the distance it measured when made, the feature moves
 * by the difference along the dimension (made again at the next update).
 * Its record is of class RPO_DIM_CLASS_NAME; a feature's first dimension
 * also makes its link-face constraint (class RPO_LINK_FACE_CLASS_NAME),
 * which comes first among its constraints. */
#define RPO_DIM_CLASS_NAME       "DIM_CONSTRAINT_PARMS_c"
#define RPO_LINK_FACE_CLASS_NAME "LINK_FACE_PARMS_c"
#define RPO_DIM_HORIZONTAL       1
#define RPO_DIM_VERTICAL         2
#define RPO_DIM_PARALLEL         3
#define RPO_DIM_PERPENDICULAR    4
#define RPO_DIM_PARALLEL_EDGE    5
#define RPO_DIM_ANGLE            6

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The positioning expressions of the feature: the expressions of its
 * constraints in order, each with its constraint's descriptor, as host
 * objects (OM_ask_tag gives their tags). Arrays SM_alloc (null when
 * empty), descriptors SM_alloc'd texts; answers 0. */
int RPO_ask_exp_desc_of_frec(unsigned int feature, int* count, char*** descriptors, void*** objects);
/* The object the constraint positions against (its constraint field), 0
 * for none. */
unsigned int RPO_ask_constraint_target(unsigned int constraint);
/* Adds the constraint's expressions to the set (host/base/services/sets.h). */
void extract_system_exp_from_parm_constraint(unsigned int constraint, int set);
/* 1 when the feature is an instance of an instance set (its row and
 * column written), else 0 (both 0). */
int ISET_ask_instance_position(unsigned int feature, int* row, int* column);
/* The initial master of the set of the instance; 0 for a feature that is
 * no instance. */
unsigned int ISET_ask_initial_master_of_ins(unsigned int instance);

/* A new dimension of the kind on the form feature (placed on a face)
 * against the target (an edge or face of the feature's body, not made by
 * the feature) from the tool (an edge or face the feature made, 0: its
 * location), its value the formula (null: the distance measured now, as
 * "%.15g"); answers 0 or a code (FEAT_ERR_BAD_REFERENCE for references it
 * cannot measure, the expression service's code for a bad formula). */
int RPO_create_dimension(unsigned int feature, int kind, unsigned int target, unsigned int tool, const char* formula,
                         unsigned int* constraint);
/* The feature's constraints in the order made, SM_alloc (null for none). */
void RPO_ask_constraints(unsigned int feature, int* count, unsigned int** constraints);
/* The class name of the constraint's record, null for a constraint without
 * one (a plain constraint). */
const char* RPO_ask_constraint_class(unsigned int constraint);
/* The dimension's kind (0 for the link-face constraint), expression (0 for
 * none), target and tool objects as made (0: none, or no longer alive) and
 * side flags of its references in order (target first: 0, tool: 1). */
void RPO_ask_dimension(unsigned int constraint, int* kind, unsigned int* exp, unsigned int* target, unsigned int* tool,
                       int side_flags[2]);
/* The feature's link-face constraint, 0 for none. */
unsigned int rpo_ask_link_face_constraint(unsigned int feature);
/* The frame of the link face: X, Y, Z rows, then the origin. */
void rpo_ask_face1_csys(unsigned int constraint, double frame[12]);
/* A side's geometry of a dimension (side 0 target, 1 tool) in the frame of
 * its feature's link face; writes the status (0, or
 * FEAT_ERR_BAD_REFERENCE for a reference that is gone). */
void RPO_get_dim_geometry(unsigned int constraint, int side, double point[2], double segment[4], double third[2],
                          int* status);
/* The feature the positioning constraint positions; 0 for a tag of no
 * live constraint. */
unsigned int RPO_ask_frec_of_rpo_dim(unsigned int constraint);
/* Gives a dimension other references: the tool side (a face or edge
 * reference, else the plain object: a centerline of the feature, a curve;
 * 0 and 0: the feature's location) and the target side (a reference of the
 * body, else a plain object: a line, a point), each with its qualifier pair
 * (kept as given), and a 4x4 matrix (read as given, kept for the journal).
 * The dimension keeps its value and now measures between the new sides:
 * the feature stands where its other dimensions put it and this one moves
 * it, at the next update, until it stands at the value from the new target.
 * Raises FEAT_ERR_BAD_REFERENCE for sides it cannot measure,
 * HOST_ERR_WRONG_CLASS for a constraint that is no dimension. */
void RPO_set_dim_references(unsigned int constraint, unsigned int tool_ref, unsigned int tool_entity,
                            const int tool_pair[2], unsigned int target_ref, unsigned int target_entity,
                            const int target_pair[2], const double matrix[16]);
/* The qualifier pairs the dimension was last given (0 0 for none). */
void RPO_ask_dim_qualifiers(unsigned int constraint, int tool_pair[2], int target_pair[2]);

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

struct Record;
// How far the feature's dimensions move the feature of the record from its
// location (0 for none), at the values the feature is built with.
void positioning_offset(const Record& record, double offset[3]);
// True when a dimension of the feature has a value other than the one the
// feature is built with; positioning_settle takes the values now (the
// update does before it makes the feature again).
bool positioning_moved(unsigned int feature);
void positioning_settle(unsigned int feature);

}  // namespace host::feature
#endif

#endif
