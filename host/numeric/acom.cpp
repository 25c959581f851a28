// The host's common block acom_.
#include "host/numeric/acom.h"

#include <cstring>

#include "host/base/service_state.h"

extern "C" {
int acom_[ACOM_WORDS];
}

namespace {
void reset_acom() { std::memset(acom_, 0, sizeof acom_); }
const bool registered = (host::register_service_reset("acom", reset_acom), true);
}  // namespace
