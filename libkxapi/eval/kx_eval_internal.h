// The evaluator functions that other families of the library share.
// Internal to the library.
#ifndef KX_EVAL_KX_EVAL_INTERNAL_H
#define KX_EVAL_KX_EVAL_INTERNAL_H

#include "kx_eval.h"

namespace kx::eval {

// KX_EVAL_initialize and KX_EVAL_free: each a whole framed function.
int initialize(tag curve, evaluator* evaluator_out);
int free(evaluator evaluator_in);

}  // namespace kx::eval

#endif
