// printf-style formatting into a std::string, for the messages and frames
// that the tape stages build from their formats.
#pragma once

#include <string>

namespace lathra::engine {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A sum in mm for printing with two decimals: a value that rounds to zero
// becomes plain zero, so that it never prints as "-0.00".
double checksum_shown(double mm);

}  // namespace lathra::engine
