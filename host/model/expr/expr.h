/* The host's expression service: the named formulas of a part that drive
 * feature parameters.
 *
 * An expression is an object of class OM_CLASS_EXPRESSION (type 65536) of
 * a part with a row in the service's table: its name, its formula, its
 * value and the expressions its formula names. Names are a letter or _
 * followed by letters, digits or _, at most EXP_MAX_NAME_CHARS characters,
 * unique in the part (case counts), and none of the formula language's
 * functions, constants or units. A system expression is one made without a
 * name (a feature's parameters are): it is named "p<n>" with the next free
 * number of its part, and answers true to EXP_is_a_system_exp.
 *
 * Formulas are evaluated by muparser. The host adds:
 *   - names of other expressions of the same part, by which the formula
 *     refers to them (the references come from the parser's list of the
 *     variables used); an unknown name gives EXP_ERR_UNKNOWN_NAME, a name
 *     that leads back to the expression itself EXP_ERR_CYCLE;
 *   - angles in degrees: sin, cos, tan take degrees, asin, acos, atan and
 *     atan2(y, x) answer degrees; pi is a constant;
 *   - units as constants in the part's unit of length: mm, cm, m, inch, ft
 *     ("2*inch" is 50.8 in a millimetre part, 2 in an inch part), and deg
 *     (1) and rad (180/pi) for angles.
 * A formula with an assignment or more than one result is refused as
 * EXP_ERR_SYNTAX, and one whose value is not finite (a division by zero)
 * as EXP_ERR_NOT_FINITE.
 *
 * Changing a formula re-evaluates every expression that depends on it,
 * in dependency order; any failure among them leaves every expression as
 * it was. Renaming rewrites every formula that names the expression.
 * Deleting refuses an expression that another expression or a feature
 * uses. Features see new values at the next update (host/model/feature/).
 *
 * A constant expression is a system expression whose value a feature keeps
 * for itself (not offered to the user); a geometric expression measures the
 * model (a distance between two faces or edges, the length of an edge, the
 * angle between two planar faces or straight edges, in degrees) and the
 * update measures it again after every regeneration. Its formula is its
 * value; editing it gives EXP_ERR_NOT_EDITABLE.
 *
 * Assignment texts are "name=formula"; EXP_dissect_assignment splits one at
 * its first '=' that is no part of "==", "<=", ">=" or "!=".
 *
 * Files of expressions (import and export) are text, one assignment a
 * line; empty lines and lines beginning with "//" are passed over. Import
 * modes: EXP_IMPORT_REPLACE (0: expressions of the file's names take its
 * formulas, the others are made), EXP_IMPORT_KEEP (1: only names the part
 * does not have are made), EXP_IMPORT_DELETE (2: the part's expressions of
 * the file's names are deleted). An import is done whole or not at all.
 *
 * Every routine is journalled. Routines answering an int status answer 0
 * or a code of host/model/expr/codes.h and change nothing on failure; null
 * pointers raise HOST_ERR_NULL_ARGUMENT, a tag that is no live expression
 * raises EXP_ERR_NOT_FOUND (where the routine raises rather than answers),
 * a part that is none raises FEAT_ERR_NOT_A_PART. Expressions are part of
 * the model: undo marks roll them back with features and bodies.
 */
#ifndef HOST_EXPR_EXPR_H
#define HOST_EXPR_EXPR_H

#include "host/model/expr/codes.h"

#define EXP_IMPORT_REPLACE 0
#define EXP_IMPORT_KEEP    1
#define EXP_IMPORT_DELETE  2

/* Kinds of geometric expressions. */
#define EXP_MEASURE_DISTANCE 1
#define EXP_MEASURE_LENGTH   2
#define EXP_MEASURE_ANGLE    3

/* Characters EXP_format_value writes at most, with the terminator. */
#define EXP_VALUE_CHARS 32

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- by name and by tag ---- */
int EXP_create_exp(unsigned int part, const char* assignment, unsigned int* exp);
int EXP_create_exp_tag(unsigned int part, const char* assignment, unsigned int* exp);
/* A system expression of the formula (no name part). */
int EXP_create_system_exp(unsigned int part, const char* formula, unsigned int* exp);
int EXP_create_system_exp_tag(unsigned int part, const char* formula, unsigned int* exp);
/* A geometric expression (name null: a system one) measuring `count`
 * objects (faces or edges of bodies). */
int EXP_create_geometric_exp(unsigned int part, const char* name, int measure, int count, const unsigned int* objects,
                             unsigned int* exp);
int EXP_delete_exp(unsigned int exp);
/* As EXP_delete_exp, but raises its code. */
void EXP_delete_exp_tag(unsigned int exp);
int EXP_edit_exp(unsigned int part, unsigned int exp, const char* formula);
int EXP_rename_exp(unsigned int exp, const char* name);
/* The expression of the name in the part, 0 for none. */
unsigned int EXP_ask_exp_of_var(unsigned int part, const char* name);
unsigned int EXP_ask_exp_tag_of_var(unsigned int part, const char* name);
int EXP_ask_value_of_exp(unsigned int exp, double* value);
int EXP_ask_value_of_exp_tag(unsigned int exp, double* value);
/* The assignment "name=formula" (SM_alloc). */
int EXP_ask_assignment_of_exp(unsigned int exp, char** assignment);
int EXP_ask_assignment_of_exp_tag(unsigned int exp, char** assignment);
/* The formula alone (SM_alloc). */
int EXP_ask_exp_str_of_exp(unsigned int exp, char** formula);
/* The value of a formula in the part without making an expression: 0 or a
 * code (then *value is 0). */
int EXP_ask_value_of_exp_str(unsigned int part, const char* formula, double* value);
/* The names a formula uses (SM_alloc'd array of SM_alloc'd texts). */
int EXP_ask_vars_of_exp_str(unsigned int part, const char* formula, int* count, char*** names);
/* 1 when the formula reads (whatever the names it uses), else 0. */
int EXP_is_valid_syntax(const char* formula);
void EXP_format_value(double value, char text[EXP_VALUE_CHARS]);
/* Splits at the assignment's '=': name and formula as SM_alloc'd texts
 * (trimmed), *name null when there is no name part, *formula null when
 * the formula part is empty. */
void EXP_dissect_assignment(const char* assignment, char** name, char** formula);
int EXP_is_a_system_exp(unsigned int exp);
int EXP_is_const_exp(unsigned int exp);
int EXP_is_geom_exp(unsigned int exp);
/* The part's expressions in the order they were made (SM_alloc). */
void EXP_ask_exps(unsigned int part, int* count, unsigned int** exps);
/* The features whose parameters or suppression use the expression, in
 * time order (SM_alloc); answers 0. */
int EXP_ask_features_of_exp(unsigned int exp, int* count, unsigned int** features);
/* The objects of class cls (or its subclasses) that refer to the
 * expression: the expressions using it and the features using it (SM_alloc). */
void EXP_ask_refs_of_exp(unsigned int exp, int cls, int* count, unsigned int** refs);
/* Answers 0, -1 when the file cannot be read, or a code for a line or a
 * mode it refuses; the counts of expressions made, changed (or deleted)
 * and of the lines read. */
int EXP_import_expressions(unsigned int part, int mode, const char* file, int* made, int* changed, int* lines);
/* Writes the part's expressions (system ones only with `kind` 1) to the
 * file; answers 0, -1 when it cannot be written, 1 when the file exists
 * and `overwrite` is 0. */
int EXP_export_expressions(unsigned int part, int kind, const char* file, int overwrite);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::expr {

using tag_t = unsigned int;

struct Expression {
    std::string name;
    std::string formula;
    double value = 0;
    bool system = false;
    bool constant = false;
    int measure = 0;              // EXP_MEASURE_ for a geometric one
    std::vector<tag_t> measured;  // the objects it measures
    std::vector<tag_t> uses;      // the expressions its formula names
};

// The row of a live expression, or null.
const Expression* find(tag_t exp);
double value(tag_t exp);
std::string assignment(tag_t exp);
std::vector<tag_t> of_part(tag_t part);
tag_t lookup(tag_t part, const std::string& name);
// Creates a system expression (constant: kept by a feature for itself);
// answers 0 or a code.
int create_system(tag_t part, const std::string& formula, tag_t* exp, bool constant = false);
int create(tag_t part, const std::string& name, const std::string& formula, tag_t* exp);
int edit(tag_t exp, const std::string& formula);
// Measures every geometric expression of the part again and re-evaluates
// what depends on one that changed; raises on failure.
void remeasure(tag_t part);
// Measures a geometric expression of other objects (as many as before):
// 0 or a code, nothing changed on failure; dependents are evaluated again.
int set_measured(tag_t exp, const std::vector<tag_t>& objects);
// Identifier-wise replacement of `from` by `to` in a formula.
std::string rename_in(const std::string& formula, const std::string& from, const std::string& to);

// The objects above the expressions that use them (the features): the
// feature service registers the query, which answers the users of any of
// the expressions (of one part) in the time order of their part. With no
// query registered nothing uses an expression.
using UsersQuery = std::vector<tag_t> (*)(const std::vector<tag_t>& exps);
void set_users_query(UsersQuery query);
std::vector<tag_t> users_of(const std::vector<tag_t>& exps);

}  // namespace host::expr
#endif

#endif
