/* The codes of the features in the host's band of features and expressions
 * (670501 to 670599), listed once: the constants below and the host's texts
 * of the codes (host/model/feature/messages.cpp) both expand from this list. The
 * expressions' share of the band (and FEAT_ERR_NOT_A_PART, which both
 * raise) is host/model/expr/codes.h.
 *
 * A feature that fails to update raises FEAT_ERR_UPDATE_FAILED with a text
 * that names the feature ("BLEND(3): ..."). */
#ifndef HOST_FEATURE_CODES_H
#define HOST_FEATURE_CODES_H

#include "host/model/expr/codes.h"

#define HOST_FEATURE_CODES(X)                                                                       \
    X(FEAT_ERR_UPDATE_FAILED, 670531, "A feature failed to update")                                 \
    X(FEAT_ERR_UNKNOWN_KIND, 670532, "No feature of this kind can be made")                         \
    X(FEAT_ERR_BAD_PARAMETERS, 670533, "The feature's parameters are not those its kind takes")     \
    X(FEAT_ERR_BAD_REFERENCE, 670534, "A face or edge reference of the feature does not resolve")   \
    X(FEAT_ERR_BASE_FEATURE, 670535, "The feature that makes a body cannot be suppressed or moved") \
    X(FEAT_ERR_BAD_REORDER, 670536, "The feature cannot be moved there")

HOST_CODE_CONSTANTS(HOST_FEATURE_CODES);

#endif
