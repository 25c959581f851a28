// Routines shared by the form-feature creators and the other feature
// creators of the library: the process-wide positioning routine and its
// protected call. Internal to the library.
#ifndef KX_MODL_CRE_FEAT_SHARED_H
#define KX_MODL_CRE_FEAT_SHARED_H

#include "kx_types.h"

namespace kx::modl {

// A user routine run on each new form feature: 0 keeps the feature, any
// other answer takes it back.
using rpo_routine_t = int (*)(tag feature);

// The registered routine (null: none). Not guarded: one creation at a time.
void set_rpo_routine(rpo_routine_t routine);
rpo_routine_t rpo_routine();

// Runs the registered routine on the feature in the user-program run-time
// environment, under a frame of its own: 0 without a routine; an error
// raised inside the routine is noted on the host log and counts as 0.
int run_rpo_routine(tag feature);

}  // namespace kx::modl

#endif
