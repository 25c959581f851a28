/* The host's temporary display: markers, lines, arcs and text drawn in the
 * graphics window without creating objects, kept until the next
 * regeneration of the display (DISPLAY_regenerate) erases them.
 *
 * Views are named by a display sequence: a view's number in the current
 * layout (1, 2, ...), or one of the host's choices -1 (the work view), -2
 * (every view of the layout), -3 (the views of the current drawing) and 0
 * (every view). A view specification of two words {view tag, sequence}
 * names the view by its tag when the tag is not 0, else by the sequence.
 * A view tag must be a view of the current layout and a sequence one of the
 * current layout's or a choice; anything else raises HOST_ERR_BAD_ARGUMENT,
 * as do a colour outside 0..216, a font outside 0..7, a width outside
 * 0..2, a marker type outside 1..11, a count below 1 and an arc of radius
 * not above 0. A null pointer raises HOST_ERR_NULL_ARGUMENT.
 *
 * The old text display gt533_ takes its arguments by address: the display
 * sequence, the packed text (the lines one after another), the line
 * lengths, the line count (0..80), the origin, the position code, a 64-bit
 * reserved word and the colour.
 */
#ifndef HOST_DISPLAY_TEMP_H
#define HOST_DISPLAY_TEMP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The arc of the temporary display and of the display primitives. */
typedef struct DSS_arc_s {
    double start_angle;
    double end_angle;
    double centre[3];
    double radius;
} DSS_arc_t;

typedef struct DSS_view_spec_s {
    unsigned int view;
    int sequence;
} DSS_view_spec_t;

void DSS_TEMP_get_view_spec_from_opt(int sequence, DSS_view_spec_t* spec);
void DSS_TEMP_display_markers(int sequence, int marker, int color, int layer_mode, int count, const double* points);
void DSS_TEMP_display_polyline(const DSS_view_spec_t* spec, int layer_mode, int count, const double* points, int color,
                               int font, int width);
void DSS_TEMP_display_arc(const DSS_view_spec_t* spec, int layer_mode, const double matrix[9], const DSS_arc_t* arc,
                          int color, int font, int width);
void DSS_TEMP_display_multiline_text(const DSS_view_spec_t* spec, int mode, int font_kind, const double origin[3],
                                     int count, char* const* lines, int alignment, int position, int64_t reserved,
                                     double size, int color);
void gt533_(const int* sequence, const char* text, const int* lengths, const int* count, const double origin[3],
            const int* position, const int64_t* reserved, const int* color);
/* Regenerates the graphics window: the temporary display and the display
 * list are erased, then what the window shows is drawn again (the
 * services that draw register with host::temp::on_regenerate). */
void DISPLAY_regenerate(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::temp {

enum class Kind { Markers, Polyline, Arc, MultilineText, OldText };

// One temporary drawing, as the service took it.
struct Drawn {
    Kind kind{};
    unsigned int view = 0;  // the view tag given (0: by sequence)
    int sequence = 0;       // the display sequence
    int color = 0, font = 0, width = 0;
    int fixed = 0;  // the fixed mode argument (4 for geometry)
    int marker = 0;
    std::vector<double> points;  // three doubles a point; the origin of text
    double matrix[9] = {};       // arcs: the matrix as taken
    DSS_arc_t arc = {};
    std::vector<std::string> lines;  // text
    int alignment = 0, position = 0;
    double size = 0;
};

// What is on the screen now, oldest first.
const std::vector<Drawn>& shown();
// Regenerations run (each erased the temporary display).
int regenerations();
// fn runs on every regeneration, after the window was erased, in order of
// registration (for the process).
void on_regenerate(void (*fn)());

}  // namespace host::temp
#endif

#endif
