/* The host's display services as the interface library uses them: display
 * suppression, the external-program display set-up, the view-display customer
 * defaults, the display flag, display regeneration of objects and the model
 * update. Regenerating or updating a tag of no live object raises
 * HOST_ERR_DEAD_TAG; a null output pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_CORE_DISPLAY_H
#define HOST_CORE_DISPLAY_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void DSS_set_suppress_display(int level);
int DSS_ask_suppress_display(void);
void DSS_init_external_kxapi(void);
void VWDISP_load_cust_defaults(void);
/* Writes the host display flag (0: no graphics display) into *flag. */
void dsp800_(int* flag);
/* Regenerates the display of one object; answers 0. */
int DSS_REGEN_regen_object(unsigned int object);
/* Runs a model update without messages; answers 0. */
int UPDATE_do_update_no_message(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::display {
struct State {
    int suppress_level;
    bool external_kxapi;                    // DSS_init_external_kxapi has run
    int cust_defaults_loads;                // VWDISP_load_cust_defaults runs
    int display_flag;                       // what dsp800_ answers
    std::vector<unsigned int> regenerated;  // objects, in order
    int updates;                            // model updates run
};
const State& state();
void set_display_flag(int flag);
}  // namespace host::display
#endif

#endif
