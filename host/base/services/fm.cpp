// The old numbered file interface's shutdown and error texts.
#include "host/base/services/fm.h"

#include <map>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::fm {
namespace {

// Texts of the file interface's own negative codes.
const std::map<int, std::string>& builtin_texts() {
    static const std::map<int, std::string> table = {
        {-1, "File does not exist"},
        {-2, "File already exists"},
        {-3, "Directory does not exist"},
        {-4, "Invalid file specification"},
        {-5, "Access to the file is denied"},
        {-6, "Channel is not open"},
        {-7, "End of file reached"},
        {-8, "No space left on the device"},
        {-9, "Text is too long for its field"},
        {-11, "Channel is of the wrong kind"},
        {-12, "File is not a part file"},
    };
    return table;
}

struct FmState {
    State state{false, 0, 0, -1};
    std::map<int, std::string> texts = builtin_texts();
};
FmState& st() { return service_state<FmState>("fm"); }
const bool registered = (st(), true);

}  // namespace

State state() { return st().state; }
State& mutable_state() { return st().state; }
void set_open(bool open) { st().state.open = open; }
// Registrations live as long as the process: services make them once.
std::vector<void (*)()>& shutdown_hooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}
void on_shutdown(void (*fn)()) { shutdown_hooks().push_back(fn); }

void set_error_text(int code, const std::string& text) {
    if (text.empty()) st().texts.erase(code);
    else st().texts[code] = text;
}

}  // namespace host::fm

extern "C" {

void fm1901_(int* status) {
    auto call = HOST_ENTRY(status);
    call.need(status, "the status output");
    auto& s = host::fm::st().state;
    ++s.shutdowns;
    s.open = false;
    for (auto fn : host::fm::shutdown_hooks()) fn();
    int scripted;
    *status = call.status(scripted) ? scripted : 0;
}

char* CFI_get_error_text(int code) {
    HOST_ENTRY(code);
    const auto& texts = host::fm::st().texts;
    auto it = texts.find(code);
    return it == texts.end() ? nullptr : SM_string_copy(it->second.c_str());
}

}  // extern "C"
