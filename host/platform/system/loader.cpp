// Loading user libraries with the dynamic loader, and resolving their names.
#include "host/platform/system/loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

#include "host/base/hook.h"
#include "host/base/service_state.h"

namespace {

struct Loaded {
    void* handle = nullptr;
    int loads = 0;
};

// Libraries stay loaded across host resets (the process holds them), so
// their table is not a reset service state.
std::map<std::string, Loaded>& loaded() {
    static std::map<std::string, Loaded> table;
    return table;
}

constexpr int kBadSpecification = -4;

}  // namespace

namespace host::loader {
int loads(const char* resolved_name) {
    auto it = loaded().find(resolved_name ? resolved_name : "");
    return it == loaded().end() ? 0 : it->second.loads;
}
}  // namespace host::loader

extern "C" {

void fm1821_(const int* length, const char* name, const int* mode, int* out_length, char* out_name, int* status) {
    auto call = HOST_ENTRY(length ? *length : -1, mode ? *mode : -1);
    call.need(status, "the status output");
    call.need(out_length, "the length output");
    call.need(out_name, "the name output");
    *out_length = 0;
    int scripted;
    if (call.status(scripted)) {
        *status = scripted;
        return;
    }
    if (!length || !name || !mode || *mode != 0 || *length < 1 || *length > FM_NAME_MAX) {
        *status = kBadSpecification;
        return;
    }
    std::string resolved(name, static_cast<std::size_t>(*length));
    if (resolved.find('/') != std::string::npos && resolved[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) resolved = std::string(cwd) + "/" + resolved;
    }
    if (resolved.size() > FM_NAME_MAX) {
        *status = kBadSpecification;
        return;
    }
    std::memcpy(out_name, resolved.data(), resolved.size());
    *out_length = static_cast<int>(resolved.size());
    *status = 0;
}

void* ldr_load(const char* library, const char* symbol, int* status) {
    auto call = HOST_ENTRY_TEXT(library, symbol);
    call.need(library, "the library name");
    call.need(symbol, "the symbol name");
    call.need(status, "the status output");
    if (call.status(*status)) return nullptr;
    auto it = loaded().find(library);
    void* handle = it != loaded().end() ? it->second.handle : nullptr;
    if (!handle) {
        dlerror();
        handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            *status = why && std::strstr(why, "memory") ? LDR_NO_MEMORY : LDR_BAD_LIBRARY;
            return nullptr;
        }
        it = loaded().emplace(library, Loaded{handle, 0}).first;
    }
    ++it->second.loads;
    dlerror();
    void* address = dlsym(handle, symbol);
    *status = address ? 0 : LDR_NO_SYMBOL;
    return address;
}

int ldr_unload(const char* library) {
    auto call = HOST_ENTRY_TEXT(library);
    call.need(library, "the library name");
    auto it = loaded().find(library);
    if (it == loaded().end()) return 1;
    if (--it->second.loads <= 0) {
        dlclose(it->second.handle);
        loaded().erase(it);
    }
    return 0;
}

}  // extern "C"
