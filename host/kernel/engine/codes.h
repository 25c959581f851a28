/* The codes of the host's solid-kernel band (670401 to 670499), listed once:
 * the constants below and the host's texts of the codes
 * (host/kernel/engine/messages.cpp) both expand from this list.
 *
 * Every failure of the solid kernel reaches the caller as a host error with
 * one of these codes, raised into the caller's frame; the model is then as
 * it was before the call. A tolerance that is no value of at least 0
 * (the blend tolerance of the face blends) answers 670403. */
#ifndef HOST_KERNEL_CODES_H
#define HOST_KERNEL_CODES_H

#include "host/base/services/codes.h"

#define HOST_KERNEL_CODES(X)                                                                  \
    X(KERNEL_ERR_EXCEPTION, 670401, "The solid kernel stopped the operation with an error")   \
    X(KERNEL_ERR_NOT_DONE, 670402, "The solid kernel could not complete the operation")       \
    X(KERNEL_ERR_BAD_TOLERANCE, 670403, "The tolerance is no value of at least 0")            \
    X(KERNEL_ERR_DEGENERATE, 670404, "A size is zero, negative or not a number")              \
    X(KERNEL_ERR_BLEND_FAILED, 670405, "The blend or chamfer cannot be built on these edges") \
    X(KERNEL_ERR_DISJOINT, 670406, "The bodies of the boolean operation do not meet")         \
    X(KERNEL_ERR_SELF_INTERSECTING, 670407, "The profile intersects itself")                  \
    X(KERNEL_ERR_NO_ENTITY, 670408, "The tag names no entity of the solid kernel")            \
    X(KERNEL_ERR_WRONG_ENTITY, 670409, "The kernel entity is not of the required kind")       \
    X(KERNEL_ERR_EMPTY_RESULT, 670410, "The operation leaves nothing of the body")            \
    X(KERNEL_ERR_BAD_DATA, 670411, "The kernel data cannot be read")                          \
    X(KERNEL_ERR_NO_ANSWER, 670412, "The kernel finds no answer to the query")                \
    X(KERNEL_ERR_BAD_PARAMETER, 670413, "The operation has no parameter of this number")      \
    X(KERNEL_ERR_INVALID_RESULT, 670414, "The operation would give an invalid body")

HOST_CODE_CONSTANTS(HOST_KERNEL_CODES);

#endif
