/* Expressions shown as dimensions: EXP_DISP_display_expression makes, for
 * each feature whose parameters or positioning use the expression
 * (directly or through system expressions whose formulas name it), a
 * dimension object (entity type HOST_TYPE_DIMENSION) of the expression's
 * part, named as the expression, that shows its value on that feature.
 * Dimensions are part of the model: an undo mark set before rolls them
 * back.
 *
 * Answers (the routine changes nothing unless it answers 0):
 *   EXP_DISP_ERR_NO_EXPRESSION  the tag names no live expression
 *   EXP_DISP_ERR_NOT_DISPLAYED  no feature uses the expression: there is
 *                               nothing to put a dimension on
 * A null output raises HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_EXPR_DISPLAY_H
#define HOST_EXPR_DISPLAY_H

#include "host/base/services/codes.h"

#define HOST_EXPRESSION_DISPLAY_CODES(X)                                                                    \
    X(EXP_DISP_ERR_NO_EXPRESSION, 671042, "The object is no expression to show as a dimension")             \
    X(EXP_DISP_ERR_NOT_DISPLAYED, 1050051, "No feature uses the expression: there is nothing to dimension")
HOST_CODE_CONSTANTS(HOST_EXPRESSION_DISPLAY_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The dimensions made, in the time order of their features (SM_alloc). */
int EXP_DISP_display_expression(unsigned int exp, int* count, unsigned int** dimensions);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::expr {
struct Dimension {
    unsigned int exp = 0;
    unsigned int feature = 0;
};
// The features, in time order, that the expression drives: those using it
// or a system expression whose formula reaches it.
std::vector<unsigned int> features_driven_by(unsigned int exp);
// The row of a live dimension, or null.
const Dimension* find_dimension(unsigned int dimension);
}  // namespace host::expr
#endif

#endif
