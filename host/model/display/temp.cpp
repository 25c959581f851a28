// The temporary display: what was drawn, where and how, until the next
// regeneration.
#include "host/model/display/temp.h"

#include <cstring>

#include "host/model/display/context.h"
#include "host/model/display/layout.h"
#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::temp {
namespace {

struct Screen {
    std::vector<Drawn> shown;
    int regenerations = 0;
};
Screen& screen() { return service_state<Screen>("temporary display"); }
const bool registered = (screen(), true);

constexpr int kOldTextMaxLines = 80;

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The current layout's sequence of a view, or a host choice, checked.
void check_sequence(const Call& call, int sequence) {
    if (sequence <= 0 && sequence >= -3) return;
    const unsigned int layout = DISPLAY_ask_current_layout();
    const int views = layout ? host::layout::view_count(layout) : 0;
    if (sequence < 1 || sequence > views) call.fail(HOST_ERR_BAD_ARGUMENT, "no view of display sequence %d", sequence);
}

void check_spec(const Call& call, const DSS_view_spec_t* spec) {
    call.need(spec, "the view specification");
    if (spec->view == 0) return check_sequence(call, spec->sequence);
    const unsigned int layout = DISPLAY_ask_current_layout();
    if (layout == 0 || DISPLAY_ask_vseq_of_tag(layout, spec->view) == 0)
        call.fail(HOST_ERR_BAD_ARGUMENT, "view %u is not in the current layout", spec->view);
}

void check_looks(const Call& call, int color, int font, int width) {
    if (!in(color, 0, 216)) call.fail(HOST_ERR_BAD_ARGUMENT, "colour %d", color);
    if (!in(font, 0, 7)) call.fail(HOST_ERR_BAD_ARGUMENT, "font %d", font);
    if (!in(width, 0, 2)) call.fail(HOST_ERR_BAD_ARGUMENT, "width %d", width);
}

Drawn& show(Kind kind, const DSS_view_spec_t& spec, int color) {
    Drawn d;
    d.kind = kind;
    d.view = spec.view;
    d.sequence = spec.sequence;
    d.color = color;
    return screen().shown.emplace_back(std::move(d));
}

}  // namespace

const std::vector<Drawn>& shown() { return screen().shown; }

std::vector<void (*)()>& redrawers() {
    static std::vector<void (*)()> fns;
    return fns;
}
void on_regenerate(void (*fn)()) { redrawers().push_back(fn); }
int regenerations() { return screen().regenerations; }

}  // namespace host::temp

namespace ht = host::temp;

void DSS_TEMP_get_view_spec_from_opt(int sequence, DSS_view_spec_t* spec) {
    auto call = HOST_ENTRY(sequence, spec);
    call.need(spec, "the view specification");
    ht::check_sequence(call, sequence);
    *spec = {0, sequence};
}

void DSS_TEMP_display_markers(int sequence, int marker, int color, int layer_mode, int count, const double* points) {
    auto call = HOST_ENTRY(sequence, marker, color, count);
    call.need(points, "the points");
    ht::check_sequence(call, sequence);
    if (!ht::in(marker, 1, 11)) call.fail(HOST_ERR_BAD_ARGUMENT, "marker type %d", marker);
    ht::check_looks(call, color, 0, 0);
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    ht::Drawn& d = ht::show(ht::Kind::Markers, {0, sequence}, color);
    d.marker = marker;
    d.fixed = layer_mode;
    d.points.assign(points, points + 3 * count);
}

void DSS_TEMP_display_polyline(const DSS_view_spec_t* spec, int layer_mode, int count, const double* points, int color,
                               int font, int width) {
    auto call = HOST_ENTRY(spec ? spec->view : 0, spec ? spec->sequence : 0, count, color);
    call.need(points, "the points");
    ht::check_spec(call, spec);
    ht::check_looks(call, color, font, width);
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    ht::Drawn& d = ht::show(ht::Kind::Polyline, *spec, color);
    d.fixed = layer_mode, d.font = font, d.width = width;
    d.points.assign(points, points + 3 * count);
}

void DSS_TEMP_display_arc(const DSS_view_spec_t* spec, int layer_mode, const double matrix[9], const DSS_arc_t* arc,
                          int color, int font, int width) {
    auto call = HOST_ENTRY(spec ? spec->view : 0, spec ? spec->sequence : 0, arc ? arc->radius : 0.0, color);
    call.need(matrix, "the matrix");
    call.need(arc, "the arc");
    ht::check_spec(call, spec);
    ht::check_looks(call, color, font, width);
    if (!(arc->radius > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "radius %g", arc->radius);
    ht::Drawn& d = ht::show(ht::Kind::Arc, *spec, color);
    d.fixed = layer_mode, d.font = font, d.width = width;
    std::memcpy(d.matrix, matrix, sizeof d.matrix);
    d.arc = *arc;
}

void DSS_TEMP_display_multiline_text(const DSS_view_spec_t* spec, int mode, int font_kind, const double origin[3],
                                     int count, char* const* lines, int alignment, int position, int64_t reserved,
                                     double size, int color) {
    auto call = HOST_ENTRY(count, alignment, position, size);
    (void)reserved;
    call.need(origin, "the origin");
    call.need(lines, "the lines");
    ht::check_spec(call, spec);
    ht::check_looks(call, color, 0, 0);
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    if (!ht::in(alignment, 1, 3) || !ht::in(position, 0, 9))
        call.fail(HOST_ERR_BAD_ARGUMENT, "alignment %d, position %d", alignment, position);
    ht::Drawn& d = ht::show(ht::Kind::MultilineText, *spec, color);
    d.fixed = mode, d.font = font_kind, d.alignment = alignment, d.position = position, d.size = size;
    d.points.assign(origin, origin + 3);
    for (int i = 0; i < count; ++i) d.lines.emplace_back(call.need(lines[i], "a line"));
}

void gt533_(const int* sequence, const char* text, const int* lengths, const int* count, const double origin[3],
            const int* position, const int64_t* reserved, const int* color) {
    auto call = HOST_ENTRY(sequence ? *sequence : 0, count ? *count : 0, position ? *position : 0, color ? *color : 0);
    for (const void* p :
         {static_cast<const void*>(sequence), static_cast<const void*>(text), static_cast<const void*>(lengths),
          static_cast<const void*>(count), static_cast<const void*>(origin), static_cast<const void*>(position),
          static_cast<const void*>(reserved), static_cast<const void*>(color)})
        call.need(p);
    ht::check_sequence(call, *sequence);
    ht::check_looks(call, *color, 0, 0);
    if (!ht::in(*count, 0, ht::kOldTextMaxLines)) call.fail(HOST_ERR_BAD_ARGUMENT, "line count %d", *count);
    for (int i = 0; i < *count; ++i)
        if (lengths[i] < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "line length %d", lengths[i]);
    ht::Drawn& d = ht::show(ht::Kind::OldText, {0, *sequence}, *color);
    d.position = *position;
    d.points.assign(origin, origin + 3);
    const char* at = text;
    for (int i = 0; i < *count; ++i) {
        d.lines.emplace_back(at, static_cast<std::size_t>(lengths[i]));
        at += lengths[i];
    }
}

void DISPLAY_regenerate(void) {
    HOST_ENTRY();
    ht::screen().shown.clear();
    ++ht::screen().regenerations;
    host::context::clear_window();
    for (void (*fn)() : ht::redrawers()) fn();
}
