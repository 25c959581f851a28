// The texts of the solid kernel's codes (host/kernel/engine/codes.h).
#include "host/base/services/host_messages.h"
#include "host/kernel/engine/codes.h"

// The kernel's texts.
namespace {
constexpr error_text_entry kKernelTexts[] = {
#define HOST_KERNEL_ROW(name, code, text) error_text_entry{name, text},
    HOST_KERNEL_CODES(HOST_KERNEL_ROW)
#undef HOST_KERNEL_ROW
};
const host::messages::Rows kernel_rows{kKernelTexts};
}  // namespace
