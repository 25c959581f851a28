// Assemblies: the work part.
#include "kx_assem.h"
#include "libkxapi/core/frame.h"

#include "host/store/parts/parts.h"

KXAPI tag KX_ASSEM_ask_work_part(void) {
    // The session is checked first: a closed session answers NULL_TAG
    // without asking the host; a host error gives NULL_TAG too.
    tag work = NULL_TAG;
    const int st = kx::frame([&] { work = CONTEXT_ask_work_part(); });
    return st == 0 ? work : NULL_TAG;
}
