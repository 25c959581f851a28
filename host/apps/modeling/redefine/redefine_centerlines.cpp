// Positioning centerlines of form features (redefine_centerlines.h): curves
// of the feature's part, kept per feature in the order made.
#include "host/apps/modeling/redefine/redefine_centerlines.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/model/feature/form_place.h"
#include "host/model/feature/records.h"
#include "host/model/feature/redefine_rows.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

// Per feature: its centerlines; per centerline: its feature and which it is
// (0 the arc, 1 the line along X, 2 the line along Y); redefine_rows.h.
using Lines = FeatureLines;
using Line = CenterLine;

bool has(const std::string& kind, const char* word) { return kind.find(word) != std::string::npos; }

// 0 none, 1 round (an arc), 2 along X (two lines).
int form_of(const Record& r) {
    if (r.body == 0 || r.step < 0 || has(r.kind, "GROOVE")) return 0;
    if (r.numbers.size() != 6 && r.numbers.size() < static_cast<std::size_t>(form::kNumbers)) return 0;
    if (has(r.kind, "HOLE") || has(r.kind, "BOSS") || has(r.kind, "CYL_POCKET")) return 1;
    if (has(r.kind, "PAD") || has(r.kind, "POCKET") || has(r.kind, "SLOT")) return 2;
    return 0;
}

double size_of(const Record& r) {
    const std::vector<double> v = detail::values_of(r);
    return !v.empty() && v[0] > 0 && std::isfinite(v[0]) ? v[0] : 1.0;
}

std::vector<tag_t> make_lines(const Call& call, tag_t feature, const Record& r) {
    const int form = form_of(r);
    if (form == 0) return {};
    const form::Place p = form::place_of(call, r);
    const tag_t part = objects::require(feature).part;
    const double size = size_of(r);
    std::vector<tag_t> made;
    if (form == 1) {
        // The arc's frame: X, Y across the axis, Z along it; its centre in
        // that frame.
        double y[3];
        form::y_direction(p, y);
        const double m[9] = {p.xdir[0], p.xdir[1], p.xdir[2], y[0], y[1], y[2], p.dir[0], p.dir[1], p.dir[2]};
        unsigned int matrix = 0;
        ES_create_matrix_in_part(part, m, 3, &matrix);
        const double data[6] = {0,
                                2 * 3.14159265358979323846,
                                m[0] * p.at[0] + m[1] * p.at[1] + m[2] * p.at[2],
                                m[3] * p.at[0] + m[4] * p.at[1] + m[5] * p.at[2],
                                m[6] * p.at[0] + m[7] * p.at[1] + m[8] * p.at[2],
                                size / 2};
        unsigned int arc = 0;
        ES_create_arc(data, matrix, &arc);
        made.push_back(arc);
    } else {
        double y[3];
        form::y_direction(p, y);
        for (const double* d : {static_cast<const double*>(p.xdir), static_cast<const double*>(y)}) {
            const double ends[6] = {p.at[0] - d[0] * size / 2, p.at[1] - d[1] * size / 2, p.at[2] - d[2] * size / 2,
                                    p.at[0] + d[0] * size / 2, p.at[1] + d[1] * size / 2, p.at[2] + d[2] * size / 2};
            unsigned int line = 0;
            ES_create_line_in_part(part, ends, &line);
            made.push_back(line);
        }
    }
    for (std::size_t i = 0; i < made.size(); ++i)
        centerline_rows()[made[i]] = Line{feature, form == 1 ? 0 : static_cast<int>(i) + 1};
    return made;
}

std::vector<tag_t> live_lines(tag_t feature) {
    std::vector<tag_t> out;
    if (const Lines* l = feature_centerlines().find(feature))
        for (tag_t t : l->lines)
            if (objects::is_alive(t)) out.push_back(t);
    return out;
}

}  // namespace

}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

void RPO_CL_get_centerlines(unsigned int feature, int* count, unsigned int** lines) {
    auto call = HOST_ENTRY(feature, count, lines);
    call.need(count, "the count output");
    call.need(lines, "the lines output");
    *count = 0;
    *lines = nullptr;
    const hf::Record& r = hf::require_record(call, feature);
    std::vector<unsigned int> found = hf::live_lines(feature);
    if (found.empty()) {
        found = hf::make_lines(call, feature, r);
        if (!found.empty()) hf::feature_centerlines()[feature].lines = found;
    }
    hf::hand_out(found, count, lines);
}

int RPO_CL_is_cl_of_feat(unsigned int object, unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(object, feature);
    const std::vector<unsigned int> lines = hf::live_lines(feature);
    return object != 0 && std::find(lines.begin(), lines.end(), object) != lines.end() ? 1 : 0;
}

}  // extern "C"
