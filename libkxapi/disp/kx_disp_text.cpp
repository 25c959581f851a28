// Steps shared by the temporary display and the display primitives.
#include <cmath>
#include <numbers>

#include "host/model/display/layout.h"
#include "libkxapi/disp/kx_disp_internal.h"
#include "kx_codes.h"

namespace kx::disp {

namespace {
// The largest sweep of an arc: two pi and 1e-10.
constexpr double kSweepBound = 2 * std::numbers::pi + 1e-10;
}  // namespace

int arc_angles(double start, double end) {
    if (std::fabs(end - start) > kSweepBound) return KX_CURVE_ERR_SWEEP_TOO_LARGE;
    if (start > end) return KX_CURVE_ERR_START_AFTER_END;
    return 0;
}

int position_of(int reference) { return reference == 0 ? 7 : reference; }
int alignment_of(int reference) { return (position_of(reference) - 1) % 3 + 1; }

std::vector<std::string_view> all_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    for (;;) {
        const std::size_t nl = text.find('\n', from);
        if (nl == std::string_view::npos) {
            // The rest is a line unless a newline just closed the text.
            if (from < text.size() || lines.empty()) lines.push_back(text.substr(from));
            return lines;
        }
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
}

std::vector<std::string_view> filled_lines(std::string_view text, std::size_t most) {
    std::vector<std::string_view> lines;
    for (std::string_view line : all_lines(text))
        if (!line.empty() && lines.size() < most) lines.push_back(line);
    return lines;
}

double drafting_char_size() { return dimspc_[DIMSPC_CHAR_SIZE]; }

}  // namespace kx::disp
