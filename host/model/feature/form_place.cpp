// The place of a form feature as its record keeps it (form_place.h).
#include "host/model/feature/form_place.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "host/model/feature/positioning.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature::form {
namespace {

constexpr const char* kModule = "form_place";

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void unit(double v[3], const char* what) {
    const double n = std::sqrt(dot(v, v));
    if (!(n > 1e-10) || !std::isfinite(n))
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the %s has no length", what);
    for (int i = 0; i < 3; ++i) v[i] /= n;
}

// A unit vector across d.
void across(const double d[3], double x[3]) {
    const double a[3] = {1, 0, 0}, b[3] = {0, 1, 0};
    const double* pick = std::fabs(d[0]) < 0.9 ? a : b;
    const double k = dot(pick, d);
    for (int i = 0; i < 3; ++i) x[i] = pick[i] - k * d[i];
    unit(x, "X direction");
}

}  // namespace

bool is_built_form(const Record& r) {
    static const char* const kForms[] = {"HOLE", "BOSS", "POCKET", "PAD", "SLOT", "GROOVE"};
    if (r.body == 0 || r.step < 0) return false;
    if (r.numbers.size() != 6 && r.numbers.size() < static_cast<std::size_t>(kNumbers)) return false;
    return std::any_of(std::begin(kForms), std::end(kForms),
                       [&](const char* k) { return r.kind.find(k) != std::string::npos; });
}

Place place_of(const Call& call, const Record& r) {
    Place p{};
    const bool first_kinds = r.numbers.size() == 6;
    if (!first_kinds && r.numbers.size() < static_cast<std::size_t>(kNumbers))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a form feature without its place");
    double offset[3] = {0, 0, 0};
    positioning_offset(r, offset);
    for (int i = 0; i < 3; ++i) {
        p.at[i] = r.numbers[i] + offset[i];
        p.dir[i] = r.numbers[3 + i];
    }
    unit(p.dir, "direction");
    if (first_kinds || dot(&r.numbers[6], &r.numbers[6]) == 0) {
        across(p.dir, p.xdir);
    } else {
        const double k = dot(&r.numbers[6], p.dir);
        for (int i = 0; i < 3; ++i) p.xdir[i] = r.numbers[6 + i] - k * p.dir[i];
        unit(p.xdir, "X direction");
    }
    p.on_face = first_kinds || r.numbers[9] != 0;
    const std::size_t n_thru = first_kinds ? r.refs.size() - 1 : static_cast<std::size_t>(r.numbers[10]);
    if (n_thru > r.refs.size()) call.fail(FEAT_ERR_BAD_REFERENCE, "a form feature lost its through faces");
    for (auto it = r.refs.end() - static_cast<std::ptrdiff_t>(n_thru); it != r.refs.end(); ++it)
        p.through.push_back({*it, 0});
    // A datum plane deleted since is run to no more.
    for (unsigned int plane : datum_through_planes(r))
        if (objects::is_alive(plane)) p.through.push_back({0, plane});
    return p;
}

void y_direction(const Place& p, double y[3]) {
    y[0] = p.dir[1] * p.xdir[2] - p.dir[2] * p.xdir[1];
    y[1] = p.dir[2] * p.xdir[0] - p.dir[0] * p.xdir[2];
    y[2] = p.dir[0] * p.xdir[1] - p.dir[1] * p.xdir[0];
}

std::vector<unsigned int>& planes_being_made() {
    static std::vector<unsigned int> planes;
    return planes;
}

}  // namespace host::feature::form
