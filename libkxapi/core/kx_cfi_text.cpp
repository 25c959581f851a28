// uc4599: the text of a negative code of the old numbered interface.
#include <cstdio>

#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/fm.h"

namespace {
constexpr const char* kModule = "kx_cfi";
// The line number that the host's log shows with the note on a failed uc4599.
constexpr int kLineUc4599Failed = 4599;
}  // namespace

namespace kx {

void old_code_text(int code, char* text) {
    if (!text) return;
    const int st = frame(no_check, [&] {
        host_ptr<char> answer(CFI_get_error_text(code));
        copy_cut(text, answer.get());  // at most 132 characters and the NUL; none: empty
    });
    if (st != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "Routine uc4599 failed with error %d", st);
        ERROR_note(kModule, kLineUc4599Failed, line);
    }
}

}  // namespace kx

extern "C" KXAPI void uc4599(int code, char* text) {
    kx::guarded([&] { kx::old_code_text(code, text); });
}
