/* The host's support services: run-time environment kind, abort handling,
 * deferred message dialogs, program name and checking level, environment
 * variables and debug tokens.
 *
 * Environment variables: ENV_translate_variable reads the host's own table
 * first (host::support::set_env / unset_env; an unset entry hides the process
 * variable) and falls back to the process environment. The answer stays valid
 * until the variable is next set or the host is reset.
 *
 * Run-time environment kind: 0 after a reset (a plain host session);
 * RTENV_set_jqopen_env switches to kind 1 (the user-program kind, the same
 * one that the start-up of an external program sets) and answers the kind
 * in force before.
 */
#ifndef HOST_SUPPORT_SUPPORT_H
#define HOST_SUPPORT_SUPPORT_H

#define RTENV_KIND_USER_PROGRAM 1

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int RTENV_ask_env(void);
void RTENV_set_env(int kind);
int RTENV_ask_jqmanager_active(void); /* 1 when the product-data manager runs */
int RTENV_set_jqopen_env(void);       /* answers the kind in force before */

int ABORT_ask_flag_status(void); /* 1 when the user asked to abort */
void ABORT_clear_abort(void);
void ABORT_increment_lock_level(void);
void ABORT_decrement_lock_level(void); /* below 0: noted on the host log, stays 0 */

void MT_discard_deferred_message_dialogs(void);

/* The answer stays valid until the name is next set or the host is reset. */
const char* MACH_ask_program_name(void);
void MACH_set_program_name(const char* name);
/* Checking level of the host's debug checks; 0 is off. */
extern int MACH__checking_level;

/* Value of an environment variable, or NULL when it is not defined. */
const char* ENV_translate_variable(const char* name);

void RDEBUG_register_token(const char* token);
/* 1 when the token is registered and set at the given level or higher. */
int RDEBUG_ask_flag(const char* token, int level);
/* 1 when routine debugging is on for the module and function: set for
 * "module", "module:function" or "*" (host::support::set_debug_routine). */
int DEBUG_routine(const char* module, const char* function);
/* Indentation of the debug trace (read and written by its users). */
extern int DEBUG_indentation;

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::support {
void set_env_kind(int kind);
void set_program_name(const std::string& name);
void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);  // hides a process variable too
void set_jqmanager_active(bool on);
void set_abort_flag(bool on);
int abort_lock_level();
void add_deferred_message_dialog(const std::string& text);
std::vector<std::string> deferred_message_dialogs();
int discarded_message_dialogs();  // how many were discarded so far
std::vector<std::string> registered_debug_tokens();
void set_debug_token(const std::string& token, int level);  // level 0 clears
void set_debug_routine(const std::string& pattern, bool on);
}  // namespace host::support
#endif

#endif
