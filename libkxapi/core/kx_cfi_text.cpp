// uc4599: the text of a negative code of the old numbered interface.
#include <cstdio>

#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/fm.h"
#include "host/base/services/memory.h"

namespace {
constexpr const char* kModule = "kx_cfi";
// The line number that the host's log shows with the note on a failed uc4599.
constexpr int kLineUc4599Failed = 4599;
}  // namespace

namespace kx {

namespace {

// The routine answers nothing: a host error is noted on the log and
// acknowledged, so that the host does not report it again.
constexpr Opts kNoting{.check_init = false, .acknowledge = every_code};

void note_failure(int st) {
    char line[64];
    std::snprintf(line, sizeof line, "Routine uc4599 failed with error %d", st);
    ERROR_note(kModule, kLineUc4599Failed, line);
}

}  // namespace

void old_code_text(int code, char* text) {
    if (!text) return;
    // The host's copy of the text, until it is given back.
    char* answer = nullptr;
    const int st = frame(kNoting, [&] {
        answer = CFI_get_error_text(code);
        copy_cut(text, answer);  // at most 132 characters and the NUL; none: empty
        SM_free(answer);
        answer = nullptr;
    });
    if (st != 0) note_failure(st);
    // The host refused to free the copy and keeps it. No caller can learn
    // of the block: it is given back once more, and a second refusal is
    // noted as well.
    if (answer) {
        const int again = frame(kNoting, [&] { SM_free(answer); });
        if (again != 0) note_failure(again);
    }
}

}  // namespace kx

extern "C" KXAPI void uc4599(int code, char* text) {
    kx::guarded([&] { kx::old_code_text(code, text); });
}
