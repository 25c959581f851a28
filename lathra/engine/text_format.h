// printf-style formatting into a std::string, for the messages and frames
// that the tape stages build from their formats.
#pragma once

#include <string>

namespace lathra::engine {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace lathra::engine
