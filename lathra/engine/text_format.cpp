#include "lathra/engine/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace lathra::engine {

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, again);
    }
    va_end(again);
    return out;
}

double checksum_shown(double mm) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.2f", mm);
    return std::strcmp(buf, "-0.00") == 0 ? 0.0 : mm;
}

}  // namespace lathra::engine
