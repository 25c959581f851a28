// Foreign surface kinds: registration with the host. Every failure of the
// host is answered as 1 (and marked handled), never as the host's code.
#include "kx_forgeo.h"
#include "libkxapi/core/frame.h"

#include "host/kernel/foreign/forgeo.h"

namespace {

constexpr int kFailed = 1;
constexpr kx::Opts kRegistering{.check_init = true, .arm = true, .arm_first = true, .acknowledge = kx::every_code};

}  // namespace

KXAPI int KX_FORGEO_register_surface(const char* name, forgeo_evaluator evaluator, void* data) {
    const int st = kx::frame(kRegistering, [&] {
        if (!name || !evaluator || !data) return kFailed;
        FORGEO_register_surface(name, evaluator, data);
        return 0;
    });
    return st == 0 || st == kx::kNotInitialized ? st : kFailed;
}
