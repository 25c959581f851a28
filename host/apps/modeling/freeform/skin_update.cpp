// Skin features in the feature service: their kinds ("SKIN", "THRU_CURVE",
// "THRU_CURVE_MESH") make their bodies from the definitions they keep, so
// that a part read from a file makes them again, and the update makes a
// skin's body again whenever the curves or edges of its strings changed.
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/freeform/sheet_rows.h"
#include "host/apps/modeling/freeform/skin_body.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/ops/through_curves.h"
#include "host/base/services/error.h"

namespace host::freeform {
namespace {

namespace hf = host::feature;
using host::Call;

// The feature a record of a skin kind belongs to, with its definition.
tag_t feature_of(const Call& call, const hf::Record& r) {
    const tag_t f = skin_of_exps(r.exps);
    if (f == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "a skin feature has no definition to be made from");
    return f;
}

// Makes the skin's step again as the part file keeps it (the body read
// from the file): a body of its own, or its boolean with the target. The
// curves may have changed since: the update's follower (below) makes the
// skin again from them right after.
void build_skin(const Call& call, hf::Record& r, const std::vector<double>&) {
    const tag_t f = feature_of(call, r);
    copy_step_from_file(call, r, "skin feature");
    set_skin_built_from(f, {});
}

std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

// After the bodies are made again: a skin whose strings changed makes its
// body (or its tool of the target) again from them, in time order, so that
// a skin made from another's edges follows it.
void follow_strings() {
    for (tag_t part : parts::loaded_parts())
        for (tag_t f : hf::features_of_part(part)) {
            const hf::Record* r = hf::find(f);
            if (!is_skin(f) || !r || r->detached || hf::is_inactive(f) || !hf::can_be_made_again(f, *r)) continue;
            const SkinDefinition d = *skin_definition(f);
            std::vector<double> print = strings_print(d);
            if (print == skin_built_from(f)) continue;
            hf::put_made_again(f, *r, make_skin_body(d, skin_values(f)));
            set_skin_built_from(f, std::move(print));
        }
}

const bool kinds_made = [] {
    const std::vector<std::string> values = {"Value 1", "Value 2", "Value 3", "Value 4", "Value 5", "Value 6"};
    const std::vector<std::string> record = {"Distance Tolerance", "Angle Tolerance", "Chaining Tolerance"};
    std::vector<std::string> all = values;
    all.insert(all.end(), record.begin(), record.end());
    for (const char* kind : {"SKIN", "THRU_CURVE"}) hf::register_kind({kind, all, 0, 0, 0, false, build_skin, no_numbers});
    hf::register_kind({"THRU_CURVE_MESH", record, 0, 0, 0, false, build_skin, no_numbers});
    hf::add_follower(follow_strings);
    return true;
}();

}  // namespace

// The sweep's orientation and scaling: its methods (parameters 3 and 4, a
// scaling law in parameter 2) with their values (three each).
static ZQ_SKIN_sweep_law_t law_of(const SkinDefinition& d, const std::vector<double>& values, ZQ_strings_t* curve) {
    const auto value = [&](std::size_t i) { return i < values.size() ? values[i] : 0.0; };
    ZQ_SKIN_sweep_law_t l{};
    l.orientation = d.params[3] == 0 ? ZQ_SKIN_ORIENT_FIXED : d.params[3];
    for (int i = 0; i < 3; ++i) l.direction[i] = value(i);
    if (d.method_curves[0]) {
        *curve = strings_view(*d.method_curves[0]);
        l.curve = curve;
    }
    l.scaling = d.params[4] == 0 ? ZQ_SKIN_SCALE_CONSTANT : d.params[4];
    l.law = l.scaling == ZQ_SKIN_SCALE_LAW ? d.params[2] : 0;
    l.factors[0] = value(3);
    l.factors[1] = value(4);
    return l;
}

ZQ_strings_t strings_view(const Strings& s) {
    return ZQ_strings_t{static_cast<int>(s.per_string.size()), s.per_string.data(), s.objects.data()};
}

int make_skin_body(const SkinDefinition& d, const std::vector<double>& values) {
    const ZQ_strings_t first = strings_view(d.first), second = strings_view(d.second);
    const int solid = (d.options >> 1) & 1;
    int body = 0;
    switch (d.kind) {
    case SKIN_KIND_CURVE_MESH: ZQ_SKIN_mesh(&first, &second, &body); break;
    case SKIN_KIND_THRU_CURVES: ZQ_SKIN_through(&first, solid, 0, &body); break;
    case SKIN_KIND_RULED: ZQ_SKIN_through(&first, solid, 1, &body); break;
    case SKIN_KIND_BPLANE: ZQ_SKIN_plane(&first, &body); break;
    default: {
        ZQ_strings_t curve{};
        const ZQ_SKIN_sweep_law_t law = law_of(d, values, &curve);
        ZQ_SKIN_sweep_with(&first, &second, solid, &law, &body);
        break;
    }
    }
    return body;
}

std::vector<double> strings_print(const SkinDefinition& d) {
    std::vector<double> out;
    const auto add = [&](const Strings& s) {
        const std::vector<double> points = kernel::skin_samples(strings_view(s));
        out.insert(out.end(), points.begin(), points.end());
    };
    add(d.first);
    add(d.second);
    if (d.single) add(*d.single);
    for (const auto& m : d.method_curves)
        if (m) add(*m);
    return out;
}

}  // namespace host::freeform
