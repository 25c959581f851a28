// User exits: the running exit's type, the application search and the
// runner of user library functions.
#include "host/platform/system/user_exit.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"
#include "host/platform/system/loader.h"

namespace {

struct UserExits {
    int type = 0;
};
UserExits& st() { return host::service_state<UserExits>("kxexit"); }
const bool registered = (st(), true);

constexpr const char* kModule = "kxexit";
constexpr int kLineNoLibrary = 101;
constexpr int kLineNoEntry = 102;
constexpr int kLineUserFailed = 103;

// The name without a ".dll" or ".so" at its end.
std::string base_name(const std::string& name) {
    for (const char* ext : {".dll", ".so"}) {
        const std::size_t n = std::strlen(ext);
        if (name.size() > n && name.compare(name.size() - n, n, ext) == 0) return name.substr(0, name.size() - n);
    }
    return name;
}

void note(int line, const std::string& text) { ERROR_note(kModule, line, text.c_str()); }

}  // namespace

extern "C" {

int KXEXIT_ask_user_exit_type(void) {
    HOST_ENTRY();
    return st().type;
}

void KXEXIT_set_user_exit_type(int type) {
    HOST_ENTRY(type);
    st().type = type;
}

int JQOPEN_find_shared_library(const char* kind, int* word, const char* name, char found[KXEXIT_NAME_CHARS]) {
    auto call = HOST_ENTRY_TEXT(name, kind, word, found);
    call.need(found, "the found path");
    found[0] = '\0';
    if (word) *word = 0;
    if (!kind || std::strcmp(kind, "application") != 0 || !name || !*name) return 0;
    const char* path = ENV_translate_variable("KX_APPLICATION_PATH");
    if (!path) return 0;
    const std::string base = base_name(name);
    if (base.find('/') != std::string::npos) return 0;  // a name, not a path
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty()) continue;
        if (word) ++*word;
        const std::string file = dir + "/" + base + ".so";
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) continue;
        if (file.size() >= KXEXIT_NAME_CHARS) return 0;
        std::memcpy(found, file.c_str(), file.size() + 1);
        return 1;
    }
    return 0;
}

int KXEXIT_run_kestrix_extension_internal(const char* library, const KXEXIT_run_options_t* options, void* instance,
                                          const char* entry, KXEXIT_cleanup_fn cleanup, KXEXIT_adapter_fn adapter,
                                          void* context) {
    auto call = HOST_ENTRY_TEXT(library, entry, options, instance);
    call.need(library, "the library");
    call.need(entry, "the entry point");
    call.need(adapter, "the adapter");
    int scripted;
    if (call.status(scripted)) return scripted;
    std::string file = library;
    if (file.find('/') == std::string::npos && std::filesystem::path(file).extension().empty()) file += ".so";
    int status = 0;
    void* address = ldr_load(file.c_str(), entry, &status);
    if (status == LDR_NO_SYMBOL) {
        ldr_unload(file.c_str());
        note(kLineNoEntry, "the library " + file + " has no entry point " + entry);
        return KXEXIT_ERR_NO_ENTRY;
    }
    if (status != 0 || !address) {
        note(kLineNoLibrary, "the library " + file + " cannot be loaded");
        return KXEXIT_ERR_NO_LIBRARY;
    }
    const int env = RTENV_ask_env();
    const int type = st().type;
    int code = 0;
    const int id = host::arm_library_frame();
    try {
        adapter(address, context);
        ERROR_cancel_handler(id);
    } catch (const host::HostError&) {
        code = ERROR_ask_failure_code();
    } catch (...) {
        ERROR_cancel_handler(id);
        code = KXEXIT_ERR_USER_FAILED;
    }
    RTENV_set_env(env);
    st().type = type;
    if (code != 0) {
        note(kLineUserFailed, "error " + std::to_string(code) + " in " + entry + " of " + file);
        code = KXEXIT_ERR_USER_FAILED;
    }
    if (options && options->unload) ldr_unload(file.c_str());
    if (cleanup) cleanup();
    return code;
}

}  // extern "C"
