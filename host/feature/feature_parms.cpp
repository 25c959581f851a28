// A feature's parameter record and place for the parameter queries.
#include "host/feature/feature_parms.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/feature/feature.h"
#include "host/feature/form_detail.h"
#include "host/hook.h"
#include "host/services/objects.h"

namespace hf = host::feature;

namespace {

const hf::Record& require(const host::Call& call, unsigned int feature) {
    call.live(feature);
    const hf::Record* r = hf::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    return *r;
}

// Slots a form feature bounded by through faces does not use.
const std::map<std::string, std::vector<int>>& through_unused() {
    static const std::map<std::string, std::vector<int>> table = {
        {"SIMPLE HOLE", {1, 2}}, {"CBORE_HOLE", {3, 4}}, {"CSUNK_HOLE", {3, 4}}, {"RECT_SLOT", {2}},
        {"BALL_SLOT", {2}},      {"U_SLOT", {3}},        {"T_SLOT", {4}},        {"DOVE_TAIL_SLOT", {3}},
    };
    return table;
}

// Form features placed with a location and a direction; the ones that
// also run along their X direction report it as their second direction.
bool is_placed(const std::string& kind) {
    static const std::set<std::string> kinds = {
        "SIMPLE HOLE", "CBORE_HOLE",     "CSUNK_HOLE",  "BOSS",        "CYL_POCKET",
        "RECT_PAD",    "RECT_POCKET",    "RECT_SLOT",   "BALL_SLOT",   "U_SLOT",
        "T_SLOT",      "DOVE_TAIL_SLOT", "RECT_GROOVE", "BALL_GROOVE", "U_GROOVE",
    };
    return kinds.count(kind) != 0;
}
bool runs_along_x(const std::string& kind) {
    return kind == "RECT_PAD" || kind == "RECT_POCKET" || kind.ends_with("_SLOT");
}

}  // namespace

int FPARMS_ask_class_of_kind(const char* kind) {
    auto call = HOST_ENTRY_TEXT(kind);
    call.need(kind, "the kind");
    const OM_class_t root = host::objects::register_class("FEATURE_parms_c", OM_CLASS_OBJECT);
    return host::objects::register_class(std::string(kind) + "_parms_c", root);
}

int FPARMS_ask_record(unsigned int feature, FPARMS_record_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the record");
    const hf::Record& r = require(call, feature);
    const hf::Kind* k = hf::find_kind(r.kind);
    if (!k || r.exps.size() != k->parameters.size() || r.exps.size() > FPARMS_MAX_SLOTS) return 0;
    FPARMS_record_t out{};
    out.cls = FPARMS_ask_class_of_kind(r.kind.c_str());
    out.count = static_cast<int>(r.exps.size());
    if (r.kind == "CHAMFER" && !r.numbers.empty()) out.type = static_cast<short>(r.numbers[0]);
    std::copy(r.exps.begin(), r.exps.end(), out.slots);
    const auto unused = through_unused().find(r.kind);
    if (unused != through_unused().end() && !hf::form::place_of(call, r).through.empty())
        for (int slot : unused->second) out.slots[slot] = 0;
    *record = out;
    return 1;
}

void FPARMS_ask_directions(unsigned int feature, double first[3], double second[3], int* count) {
    auto call = HOST_ENTRY(feature, first, second, count);
    call.need(first, "the first direction");
    call.need(second, "the second direction");
    call.need(count, "the count");
    const hf::Record& r = require(call, feature);
    double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
    int n = 1;
    if (is_placed(r.kind)) {
        const hf::form::Place p = hf::form::place_of(call, r);
        std::copy(p.dir, p.dir + 3, a);
        if (runs_along_x(r.kind)) {
            std::copy(p.xdir, p.xdir + 3, b);
            n = 2;
        }
    } else if (r.kind == "CYLINDER" && r.numbers.size() >= 6) {
        const double len =
            std::sqrt(r.numbers[3] * r.numbers[3] + r.numbers[4] * r.numbers[4] + r.numbers[5] * r.numbers[5]);
        if (len == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "the cylinder has no axis");
        for (int i = 0; i < 3; ++i) a[i] = r.numbers[3 + i] / len;
    } else if (r.kind == "BLOCK") {
        a[0] = 1;
        b[1] = 1;
        n = 2;
    } else {
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a %s has no directions", r.kind.c_str());
    }
    std::copy(a, a + 3, first);
    std::copy(b, b + 3, second);
    *count = n;
}

void FPARMS_ask_location(unsigned int feature, double location[3]) {
    auto call = HOST_ENTRY(feature, location);
    call.need(location, "the location");
    const hf::Record& r = require(call, feature);
    if (is_placed(r.kind)) {
        const hf::form::Place p = hf::form::place_of(call, r);
        std::copy(p.at, p.at + 3, location);
    } else if ((r.kind == "CYLINDER" || r.kind == "BLOCK") && r.numbers.size() >= 3) {
        std::copy(r.numbers.begin(), r.numbers.begin() + 3, location);
    } else {
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a %s has no location", r.kind.c_str());
    }
}
