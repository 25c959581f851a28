// The least of the KLAM run-time: named programs, one running at a time.
#include "host/platform/system/klam.h"

#include <map>
#include <string>

#include "host/base/hook.h"
#include "host/base/service_state.h"

namespace {

struct KlamState {
    std::map<std::string, host::klam::Program> programs;
    int count = 0;
    void** arguments = nullptr;
    bool running = false;
};
KlamState& st() { return host::service_state<KlamState>("klam"); }
const bool registered = (st(), true);

}  // namespace

namespace host::klam {
void define_program(const std::string& name, Program program) { st().programs[name] = std::move(program); }
}  // namespace host::klam

extern "C" {

int inklam_(void) {
    HOST_ENTRY();
    return st().running ? 1 : 0;
}

void KXKL_set_args_in_kxapi(int count, void** arguments) {
    HOST_ENTRY(count, arguments);
    st().count = count;
    st().arguments = arguments;
}

int KLX_run_klam_program(const char* program) {
    auto call = HOST_ENTRY_TEXT(program);
    int scripted;
    if (call.status(scripted)) return scripted;
    auto it = program ? st().programs.find(program) : st().programs.end();
    if (it == st().programs.end()) return KLX_NO_SUCH_PROGRAM;
    const host::klam::Program body = it->second;  // the program may define others
    struct Running {
        Running() { st().running = true; }
        ~Running() { st().running = false; }
    } running;
    return body(st().count, st().arguments);
}

}  // extern "C"
