/* The host's file interface of the old numbered entry points (its shutdown and
 * the texts of its negative codes), the product-data manager's teardown and
 * the manufacturing UI hook.
 *
 * CFI_get_error_text answers a copy (SM_alloc; free with SM_free) of the text
 * of a negative old-interface code, or NULL when the code has none. Its table
 * holds a few file-interface texts; tests add to it with
 * host::fm::set_error_text. */
#ifndef HOST_SERVICES_FM_H
#define HOST_SERVICES_FM_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Shuts the file interface down; writes 0 or a file-interface code into *status. */
void fm1901_(int* status);
char* CFI_get_error_text(int code);
void JQMGR_terminate(void);              /* host/platform/pdm */
void MOM_TCL_set_ui_add_funcs(int mode); /* host/apps/machining */

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>

namespace host::fm {
struct State {
    bool open;      // the file interface is up (set by the start-up, cleared by fm1901_)
    int shutdowns;  // fm1901_ runs
    int jqmgr_terminations;
    int ui_add_funcs;  // last mode given to MOM_TCL_set_ui_add_funcs, -1 none
};
State state();
State& mutable_state();  // host internal: the pdm and machining parts write their fields
void set_open(bool open);
void set_error_text(int code, const std::string& text);  // empty text removes the row
// Services whose files and handles end with the file interface register
// here; fm1901_ runs them, in order of registration, before it answers.
void on_shutdown(void (*fn)());
}  // namespace host::fm
#endif

#endif
