// The texts of the solid kernel's codes (host/kernel/engine/codes.h).
#include "host/base/services/host_messages.h"
#include "host/kernel/engine/codes.h"

HOST_CODE_TEXTS(HOST_KERNEL_CODES);
