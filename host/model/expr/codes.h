/* The codes of the expression service, in the host's band of features and
 * expressions (670501 to 670599), listed once: the constants below and the
 * host's texts of the codes (host/model/expr/expr.cpp) both expand
 * from this list. The features' share of the band is
 * host/model/feature/codes.h.
 *
 * The expression service answers these codes (or raises them, as each
 * routine says) and leaves the expressions as they were. FEAT_ERR_NOT_A_PART
 * is the band's code for a tag that is no loaded part: the expression
 * service raises it, and so do the features. */
#ifndef HOST_EXPR_CODES_H
#define HOST_EXPR_CODES_H

#include "host/base/services/codes.h"

#define HOST_EXPR_CODES(X)                                                                                  \
    X(EXP_ERR_SYNTAX, 670501, "The formula cannot be read")                                                 \
    X(EXP_ERR_UNKNOWN_NAME, 670502, "The formula uses a name that is no expression of the part")            \
    X(EXP_ERR_NOT_FINITE, 670503, "The formula has no finite value (a division by zero or a bad argument)") \
    X(EXP_ERR_BAD_NAME, 670504, "The expression name is not a letter followed by letters, digits or _")     \
    X(EXP_ERR_RESERVED_NAME, 670505, "The name is that of a function, a constant or a unit")                \
    X(EXP_ERR_DUPLICATE, 670506, "The part has an expression of this name already")                         \
    X(EXP_ERR_CYCLE, 670507, "The expressions would depend on each other in a cycle")                       \
    X(EXP_ERR_NOT_FOUND, 670508, "The object is no expression")                                             \
    X(EXP_ERR_IN_USE, 670509, "The expression is used by other expressions or by features")                 \
    X(EXP_ERR_TOO_LONG, 670510, "The name or formula is too long")                                          \
    X(EXP_ERR_NO_NAME, 670511, "The assignment has no name")                                                \
    X(EXP_ERR_BAD_FILE_LINE, 670512, "A line of the expression file is no assignment")                      \
    X(EXP_ERR_NOT_EDITABLE, 670513, "A geometric expression takes its value from the model")                \
    X(EXP_ERR_NO_MEASURE, 670514, "The geometric expression cannot be measured on the model")               \
    X(FEAT_ERR_NOT_A_PART, 670537, "The object is no loaded part")

HOST_CODE_CONSTANTS(HOST_EXPR_CODES);

/* The longest expression name and formula the service takes. */
#define EXP_MAX_NAME_CHARS    30
#define EXP_MAX_FORMULA_CHARS 1024

#endif
