// Support services: environment kind, abort, message dialogs, program name,
// checking level, environment variables and debug tokens.
#include "host/platform/support/support.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

extern "C" {
int MACH__checking_level = 0;
int DEBUG_indentation = 0;
}

namespace host::support {
namespace {

const char* const kDefaultProgramName = "Dravenholt";

struct SupportState {
    int env_kind = 0;
    bool jqmanager_active = false;
    bool abort_flag = false;
    int lock_level = 0;
    std::vector<std::string> deferred_dialogs;
    int discarded = 0;
    std::string program_name = kDefaultProgramName;
    // Host environment table: a value, or nothing for a hidden variable.
    std::map<std::string, std::optional<std::string>> env;
    std::map<std::string, std::string> process_answers;  // answers taken from the process environment
    std::map<std::string, int> token_levels;
    std::set<std::string> routines;
    // The checking level and the debug indentation are the host's C
    // globals; they reset with the service.
    void reset() {
        *this = SupportState{};
        MACH__checking_level = 0;
        DEBUG_indentation = 0;
    }
};

SupportState& st() { return service_state<SupportState>("support"); }
// Registered debug tokens survive a reset: the library registers them once.
std::vector<std::string>& tokens() {
    static std::vector<std::string> list;
    return list;
}

const bool registered = (st(), true);

}  // namespace

void set_env_kind(int kind) { st().env_kind = kind; }
void set_program_name(const std::string& name) { st().program_name = name; }
void set_env(const std::string& name, const std::string& value) { st().env[name] = value; }
void unset_env(const std::string& name) { st().env[name] = std::nullopt; }
void set_jqmanager_active(bool on) { st().jqmanager_active = on; }
void set_abort_flag(bool on) { st().abort_flag = on; }
int abort_lock_level() { return st().lock_level; }
void add_deferred_message_dialog(const std::string& text) { st().deferred_dialogs.push_back(text); }
std::vector<std::string> deferred_message_dialogs() { return st().deferred_dialogs; }
int discarded_message_dialogs() { return st().discarded; }
std::vector<std::string> registered_debug_tokens() { return tokens(); }
void set_debug_token(const std::string& token, int level) {
    if (level <= 0) st().token_levels.erase(token);
    else st().token_levels[token] = level;
}
void set_debug_routine(const std::string& pattern, bool on) {
    if (on) st().routines.insert(pattern);
    else st().routines.erase(pattern);
}

}  // namespace host::support

namespace hs = host::support;

extern "C" {

int RTENV_ask_env(void) {
    HOST_ENTRY();
    return hs::st().env_kind;
}

void RTENV_set_env(int kind) {
    HOST_ENTRY(kind);
    hs::st().env_kind = kind;
}

int RTENV_ask_jqmanager_active(void) {
    auto call = HOST_ENTRY();
    int scripted;
    if (call.status(scripted)) return scripted;
    return hs::st().jqmanager_active ? 1 : 0;
}

int RTENV_set_jqopen_env(void) {
    HOST_ENTRY();
    int before = hs::st().env_kind;
    hs::st().env_kind = RTENV_KIND_USER_PROGRAM;
    return before;
}

int ABORT_ask_flag_status(void) {
    HOST_ENTRY();
    return hs::st().abort_flag ? 1 : 0;
}

void ABORT_clear_abort(void) {
    HOST_ENTRY();
    hs::st().abort_flag = false;
}

void ABORT_increment_lock_level(void) {
    HOST_ENTRY();
    ++hs::st().lock_level;
}

void ABORT_decrement_lock_level(void) {
    HOST_ENTRY();
    if (hs::st().lock_level == 0) {
        ERROR_lprintf("%s: the abort lock level is already 0", __func__);
        return;
    }
    --hs::st().lock_level;
}

void MT_discard_deferred_message_dialogs(void) {
    HOST_ENTRY();
    auto& s = hs::st();
    s.discarded += static_cast<int>(s.deferred_dialogs.size());
    s.deferred_dialogs.clear();
}

const char* MACH_ask_program_name(void) {
    HOST_ENTRY();
    return hs::st().program_name.c_str();
}

void MACH_set_program_name(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the name");
    hs::st().program_name = name;
}

const char* ENV_translate_variable(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the variable name");
    auto& s = hs::st();
    auto it = s.env.find(name);
    if (it != s.env.end()) return it->second ? it->second->c_str() : nullptr;
    const char* value = std::getenv(name);
    if (!value) return nullptr;
    std::string& answer = s.process_answers[name];
    if (answer != value) answer = value;  // keeps an earlier answer valid while the value stays
    return answer.c_str();
}

void RDEBUG_register_token(const char* token) {
    auto call = HOST_ENTRY_TEXT(token);
    call.need(token, "the token");
    for (const auto& t : hs::tokens())
        if (t == token) return;
    hs::tokens().emplace_back(token);
}

int RDEBUG_ask_flag(const char* token, int level) {
    auto call = HOST_ENTRY_TEXT(token, level);
    call.need(token, "the token");
    bool known = false;
    for (const auto& t : hs::tokens()) known = known || t == token;
    if (!known) return 0;
    auto it = hs::st().token_levels.find(token);
    return it != hs::st().token_levels.end() && it->second >= level ? 1 : 0;
}

int DEBUG_routine(const char* module, const char* function) {
    auto call = HOST_ENTRY_TEXT(function);
    call.need(module, "the module");
    call.need(function, "the function");
    const auto& r = hs::st().routines;
    return r.count("*") || r.count(module) || r.count(std::string(module) + ":" + function) ? 1 : 0;
}

}  // extern "C"
