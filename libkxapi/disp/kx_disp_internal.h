// Steps shared by the temporary display and the display primitives: the
// arc's angle rules, the reference code of text and the lines of a text.
// Internal to the library.
#ifndef KX_DISP_KX_DISP_INTERNAL_H
#define KX_DISP_KX_DISP_INTERNAL_H

#include <string_view>
#include <vector>

namespace kx::disp {

// 1480004 when the sweep exceeds two pi (with 1e-10 of slack), 1480005 when
// the start is above the end, else 0.
int arc_angles(double start, double end);

// Position code of a reference code (0 is taken as 7) and the horizontal
// alignment of its column (1 left, 2 centre, 3 right).
int position_of(int reference);
int alignment_of(int reference);

// The lines of a text: every line, empty ones included (a final newline
// opens none; an empty text is one empty line) ...
std::vector<std::string_view> all_lines(std::string_view text);
// ... or its non-empty lines only, at most `most` of them.
std::vector<std::string_view> filled_lines(std::string_view text, std::size_t most);

// The drafting character size of the drafting preferences.
double drafting_char_size();

}  // namespace kx::disp

#endif
