// Temporary display: markers, lines, arcs and text handed to the host's
// temporary-display service, with the view resolved, the work part's
// creation defaults filled in and text split into lines.
#include <cstdint>
#include <cstring>
#include <string>

#include "kx_disp_temp.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/disp/kx_disp_internal.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/display/layout.h"
#include "host/model/display/temp.h"
#include "host/numeric/linalg.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace kd = kx::disp;

constexpr int kBadView = KX_ERR_BAD_PARAM_1;
constexpr int kGeometry = 4;  // the service's mode for temporary geometry
constexpr int kTextMode = 0;  // ... and for text
constexpr int kTextFont = 3;
constexpr std::size_t kLineBuffer = 132;     // a multi-line text's line, terminator included
constexpr std::size_t kOldTextLines = 132;   // lines the older text display takes ...
constexpr std::size_t kOldTextPacked = 80;   // ... of which it packs the first
constexpr std::size_t kOldTextArea = 42240;  // characters of its packing area

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }

int no_active_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

bool colour_ok(const display_properties* p) { return p && in(p->color, 0, 216); }
bool looks_ok(const display_properties* p) { return colour_ok(p) && in(p->font, 0, 7) && in(p->line_width, -1, 2); }

// The display sequence of the caller's view choice, or the refusal.
struct View {
    int status = 0;
    int sequence = 0;
    DSS_view_spec_t spec{};
};

// A view tag must be a live view of the current layout.
int sequence_of_view(tag view, bool by_type_only) {
    if (view == NULL_TAG || TAG_ask_pointer_of_tag(view) == nullptr) return 0;
    int type = 0, subtype = 0;
    if (by_type_only) type = RM_ask_entity_type(view);
    else RM_ask_entity_type_and_subtype(view, &type, &subtype);
    if (type != HOST_TYPE_VIEW) return 0;
    const tag layout = DISPLAY_ask_current_layout();
    return layout == NULL_TAG ? 0 : DISPLAY_ask_vseq_of_tag(layout, view);
}

View resolve(tag view, int view_type, bool by_type_only = false) {
    View v;
    if (view_type == KX_DISP_USE_VIEW_TAG) {
        v.sequence = sequence_of_view(view, by_type_only);
        if (v.sequence == 0) v.status = kBadView;
        v.spec = {view, 0};
        return v;
    }
    v.sequence = view_type == KX_DISP_USE_ALL_ACTIVE ? 0 : -view_type;
    v.spec = {NULL_TAG, v.sequence};
    return v;
}

// Font and width: the caller's, or the work part's creation defaults for
// font 0 and width -1.
struct Looks {
    int status, font, width;
};
Looks looks(const display_properties& p) {
    int color = 0, font = 0, width = 0;
    const int st = ES_ask_creation_display_data(CONTEXT_ask_work_part(), 0, -1, 0, &color, &font, &width);
    return {st, p.font == KX_DISP_FONT_DEFAULT ? font : p.font,
            p.line_width == KX_DISP_WIDTH_DEFAULT ? width : p.line_width};
}

int view_checks(tag view, int view_type) {
    if (view_type == KX_DISP_USE_VIEW_TAG && view == NULL_TAG) return kx::param(1);
    return in(view_type, 0, 4) ? 0 : kx::param(2);
}

// The multi-line text: one 132-byte host buffer a line, longer lines cut.
// The buffers are taken after a host memory mark and freed to it, in one
// call, so that a failure anywhere leaves no buffer behind (the frame's
// error step frees to the mark when the call fails); `mark` is -1 until set.
int multiline_text(const View& v, const char* text, const double origin[3], int reference, const display_properties& p,
                   double size, int& mark) {
    const double mec = ACOM_ask_MEC();
    // A units factor that is not above 0 would divide the size away.
    if (mec > 0) size /= mec;
    DSS_view_spec_t spec{};
    DSS_TEMP_get_view_spec_from_opt(v.sequence, &spec);
    const auto lines = kd::all_lines(text);
    mark = SM_set_mark();
    char** array = static_cast<char**>(SM_alloc(lines.size() * sizeof(char*)));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        array[i] = static_cast<char*>(SM_alloc(kLineBuffer));
        kx::copy_cut(array[i], std::string(lines[i]).c_str(), kLineBuffer - 1);
    }
    DSS_TEMP_display_multiline_text(&spec, kTextMode, kTextFont, origin, static_cast<int>(lines.size()), array,
                                    kd::alignment_of(reference), kd::position_of(reference), 0, size, p.color);
    SM_free_to_mark(mark);
    mark = -1;
    return 0;
}

// The older text display: the non-empty lines packed one after another.
int old_text(const View& v, const char* text, const double origin[3], int reference, const display_properties& p) {
    auto lines = kd::filled_lines(text, kOldTextLines);
    if (lines.size() > kOldTextPacked) lines.resize(kOldTextPacked);
    std::string packed;
    int lengths[kOldTextPacked] = {};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lengths[i] = static_cast<int>(lines[i].size());
        packed.append(lines[i]);
    }
    // The packing area is bounded: a text that does not fit is refused.
    if (packed.size() > kOldTextArea) return kx::param(3);
    const int sequence = v.sequence, count = static_cast<int>(lines.size());
    const int position = kd::position_of(reference), color = p.color;
    const std::int64_t reserved = 0;
    gt533_(&sequence, packed.c_str(), lengths, &count, origin, &position, &reserved, &color);
    return 0;
}

}  // namespace

KXAPI int KX_DISP_display_temporary_point(tag view, int view_type, const double point[3],
                                                     const display_properties* properties, int marker_type) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            if (int st = view_checks(view, view_type)) return st;
            return kx::check({{point, 3}, {colour_ok(properties), 4}, {in(marker_type, 1, 11), 5}});
        },
        [&] {
            const View v = resolve(view, view_type);
            if (v.status != 0) return v.status;
            DSS_TEMP_display_markers(v.sequence, marker_type, properties->color, kGeometry, 1, point);
            return 0;
        });
}

KXAPI int KX_DISP_display_temporary_line(tag view, int view_type, const double start[3], const double end[3],
                                                    const display_properties* properties) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            if (int st = view_checks(view, view_type)) return st;
            return kx::check({{start, 3}, {end, 4}, {looks_ok(properties), 5}});
        },
        [&] {
            const View v = resolve(view, view_type);
            if (v.status != 0) return v.status;
            const Looks l = looks(*properties);
            if (l.status != 0) return l.status;
            const double points[6] = {start[0], start[1], start[2], end[0], end[1], end[2]};
            DSS_TEMP_display_polyline(&v.spec, kGeometry, 2, points, properties->color, l.font, l.width);
            return 0;
        });
}

KXAPI int KX_DISP_display_temporary_arc(tag view, int view_type, const double matrix[9], double start_angle,
                                                   double end_angle, const double centre[3], double radius,
                                                   const display_properties* properties) {
    return kx::frame(
        [&] {
            if (int st = no_active_part()) return st;
            if (int st = view_checks(view, view_type)) return st;
            if (!matrix || !MTX3_is_ortho_normal(matrix)) return kx::param(3);
            if (int st = kd::arc_angles(start_angle, end_angle)) return st;
            return kx::check({{centre, 6}, {radius > 0, 7}, {looks_ok(properties), 8}});
        },
        [&] {
            const View v = resolve(view, view_type);
            if (v.status != 0) return v.status;
            const Looks l = looks(*properties);
            if (l.status != 0) return l.status;
            // The service takes the transpose of the arc's matrix.
            double transposed[9];
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) transposed[3 * c + r] = matrix[3 * r + c];
            const DSS_arc_t arc{start_angle, end_angle, {centre[0], centre[1], centre[2]}, radius};
            DSS_TEMP_display_arc(&v.spec, kGeometry, transposed, &arc, properties->color, l.font, l.width);
            return 0;
        });
}

KXAPI int KX_DISP_display_temporary_text(tag view, int view_type, const char* text, const double origin[3],
                                                    int reference, const display_properties* properties,
                                                    double char_size, int multiline) {
    int mark = -1;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (mark >= 0) SM_free_to_mark(mark);
        }),
        [&] {
            if (int st = no_active_part()) return st;
            if (!text) return kx::param(3);
            if (!(char_size > 0)) char_size = kd::drafting_char_size();
            return kx::check({{origin, 4}, {in(reference, 0, 9), 5}, {colour_ok(properties), 6}});
        },
        [&] {
            if (int st = view_checks(view, view_type)) return st;
            const View v = resolve(view, view_type, true);
            if (v.status != 0) return v.status;
            if (multiline == 1) return multiline_text(v, text, origin, reference, *properties, char_size, mark);
            return old_text(v, text, origin, reference, *properties);
        });
}
