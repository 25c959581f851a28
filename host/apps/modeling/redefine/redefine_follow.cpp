// Form features follow the datum planes they stand on or run to: at every
// update, after the bodies are made again, a feature on a datum plane that
// moved takes the plane's place and normal (on the side it ran before), and
// a hole or slot running to a datum plane that moved takes the new depth or
// length; their steps are edited and their bodies made again. A feature
// whose plane was deleted stays where it is; a hole or slot whose plane
// to run to was deleted runs its own depth or length again. A feature that cannot follow (a
// plane now behind it) fails the update, naming it (the model is then as it
// was before the update).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"

namespace host::feature {
namespace {

bool differ(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return true;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 1e-9) return true;
    return false;
}

// Brings the feature's record onto its datum planes as they lie now;
// answers whether its step must be made again.
bool follow_planes(tag_t feature) {
    const Record& r = *find(feature);
    bool moved = false;
    std::vector<double> numbers = r.numbers;
    const DatumPlacement* on = datum_placements().find(feature);
    const bool on_plane = r.numbers.size() >= static_cast<std::size_t>(form::kNumbers) && r.numbers[9] == 0;
    if (on && on_plane && numbers_on_datum_plane(r, on->plane, &numbers)) moved = differ(numbers, r.numbers);
    std::vector<double> seen;
    const DatumThrough* to = datum_throughs().find(feature);
    if (to && !datum_plane_numbers(to->planes, &seen)) to = nullptr;
    if (to) {
        // Read from a file: built on the planes as they were read.
        if (to->seen.empty()) datum_throughs().edit(feature)->seen = seen;
        else if (differ(seen, to->seen)) moved = true;
    }
    if (!moved) return false;
    detail::edit(feature)->numbers = std::move(numbers);
    if (to) datum_throughs().edit(feature)->seen = std::move(seen);
    return true;
}

void follow_datum_planes() {
    if (datum_placements().size() == 0 && datum_throughs().size() == 0) return;
    const Call call("host::feature::follow_datum_planes", nullptr);
    for (tag_t part : parts::loaded_parts()) {
        std::vector<int> bodies;
        for (tag_t f : features_of_part(part)) {
            if (!datum_placements().find(f) && !datum_throughs().find(f)) continue;
            const Record* r = find(f);
            const Kind* k = r ? find_kind(r->kind) : nullptr;
            if (!k || r->step < 1 || r->detached || !is_form_feature(f) || is_inactive(f)) continue;
            if (!follow_planes(f)) continue;
            const Record& now = *find(f);
            const int body = detail::body_entity(now);
            std::string text;
            const int code = caught(
                [&] {
                    for (const auto& [index, v] : k->kernel_numbers(now, now.built))
                        ZQ_BODY_edit_parameter(body, now.step, index, v);
                },
                &text);
            if (code != 0) detail::fail_naming(call, f, code, "cannot follow its datum plane: " + text);
            if (std::find(bodies.begin(), bodies.end(), body) == bodies.end()) bodies.push_back(body);
        }
        for (int body : bodies) ZQ_BODY_regenerate(body);
    }
}

const bool followed = (add_follower(follow_datum_planes), true);

}  // namespace
}  // namespace host::feature
