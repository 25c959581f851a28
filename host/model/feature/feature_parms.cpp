// A feature's parameter record and place for the parameter queries.
#include "host/model/feature/feature_parms.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/store/entities/entity_types.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/form_place.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"

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

bool is_groove(const std::string& kind) { return kind == "RECT_GROOVE" || kind == "BALL_GROOVE" || kind == "U_GROOVE"; }

// The expressions the constraint owns, in order.
std::vector<unsigned int> exps_of_constraint(unsigned int constraint) {
    const int set = OM_create_set();
    int n = 0;
    unsigned int* raw = nullptr;
    try {
        extract_system_exp_from_parm_constraint(constraint, set);
        OM_flatten_set(set, &n, &raw);
    } catch (...) {
        OM_delete_set(set);
        throw;
    }
    std::vector<unsigned int> out(raw, raw + n);
    SM_free(raw);
    OM_delete_set(set);
    return out;
}

// The groove's constraint that owns the expression, 0 for none.
unsigned int constraint_owning(unsigned int feature, unsigned int exp) {
    int n = 0;
    unsigned int* raw = nullptr;
    RPO_ask_constraints(feature, &n, &raw);
    const std::vector<unsigned int> constraints(raw, raw + n);
    SM_free(raw);
    for (unsigned int c : constraints) {
        const std::vector<unsigned int> exps = exps_of_constraint(c);
        if (std::find(exps.begin(), exps.end(), exp) != exps.end()) return c;
    }
    return 0;
}

// The datum object of the type that the feature made, 0 for none.
unsigned int datum_of(const hf::Record& r, int type) {
    for (unsigned int o : r.results) {
        const host::objects::Object* obj = host::objects::find(o);
        if (obj && obj->alive && obj->type == type) return o;
    }
    return 0;
}

// The point and unit direction of a datum object of the type.
void datum_data(const host::Call& call, unsigned int datum, int type, double point[3], double direction[3]) {
    const host::objects::Object* o = host::objects::find(datum);
    if (!o || !o->alive || o->type != type || !host::profiles::direction_data(datum, point, direction))
        call.fail(FPARMS_ERR_NO_DATUM, "object %u is no datum of type %d", datum, type);
}

template <class T>
T* alloc_copy(const std::vector<T>& v) {
    if (v.empty()) return nullptr;
    T* out = static_cast<T*>(SM_alloc(sizeof(T) * v.size()));
    std::copy(v.begin(), v.end(), out);
    return out;
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
    if (r.kind == "CIRCULAR_ISET") {
        // No radius: the number and the angle follow it.
        out.count = 3;
        out.slots[0] = 0;
        std::copy(r.exps.begin(), r.exps.begin() + 2, out.slots + 1);
    }
    if (is_groove(r.kind) && out.count > 0)
        if (const unsigned int c = constraint_owning(feature, out.slots[0])) out.slots[0] = c;
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
    } else if ((r.kind == "CYLINDER" || r.kind == "CIRCULAR_ISET") && r.numbers.size() >= 6) {
        const double len =
            std::sqrt(r.numbers[3] * r.numbers[3] + r.numbers[4] * r.numbers[4] + r.numbers[5] * r.numbers[5]);
        if (len == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "the %s has no axis", r.kind.c_str());
        for (int i = 0; i < 3; ++i) a[i] = r.numbers[3 + i] / len;
    } else if (r.kind == "BLOCK" || r.kind == "LINEAR_ISET") {
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
    } else if ((r.kind == "CYLINDER" || r.kind == "BLOCK" || r.kind == "CIRCULAR_ISET") && r.numbers.size() >= 3) {
        std::copy(r.numbers.begin(), r.numbers.begin() + 3, location);
    } else {
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a %s has no location", r.kind.c_str());
    }
}

unsigned int FPARMS_ask_constraint_exp(unsigned int constraint) {
    auto call = HOST_ENTRY(constraint);
    call.live(constraint);
    const std::vector<unsigned int> exps = exps_of_constraint(constraint);
    return exps.empty() ? 0 : exps.front();
}

unsigned int FPARMS_ask_datum_of_frec(unsigned int feature, int type) {
    auto call = HOST_ENTRY(feature, type);
    return datum_of(require(call, feature), type);
}

int DPLANE_ask_plane_kind(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record& r = require(call, feature);
    return r.exps.empty() ? 0 : 1;
}

void DPLANE_ask_end_points(unsigned int plane, double corners[12]) {
    auto call = HOST_ENTRY(plane, corners);
    call.need(corners, "the corners output");
    double p[3], n[3];
    datum_data(call, plane, HOST_TYPE_DATUM_PLANE, p, n);
    // Two axes of the plane: the model axis least along the normal, laid
    // onto the plane, and the normal's cross product with it.
    const int k = std::fabs(n[0]) <= std::fabs(n[1]) && std::fabs(n[0]) <= std::fabs(n[2]) ? 0
                  : std::fabs(n[1]) <= std::fabs(n[2])                                     ? 1
                                                                                           : 2;
    double u[3] = {-n[k] * n[0], -n[k] * n[1], -n[k] * n[2]};
    u[k] += 1.0;
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& c : u) c /= len;
    const double v[3] = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2], n[0] * u[1] - n[1] * u[0]};
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 3; ++i) corners[3 * c + i] = p[i] + signs[c][0] * u[i] + signs[c][1] * v[i];
}

void DAXIS_ask_point(unsigned int axis, double point[3]) {
    auto call = HOST_ENTRY(axis, point);
    call.need(point, "the point output");
    double d[3];
    datum_data(call, axis, HOST_TYPE_DATUM_AXIS, point, d);
}

void DATUM_ask_point_and_direction(unsigned int feature, double point[3], double direction[3]) {
    auto call = HOST_ENTRY(feature, point, direction);
    call.need(point, "the point output");
    call.need(direction, "the direction output");
    const hf::Record& r = require(call, feature);
    for (int type : {HOST_TYPE_DATUM_PLANE, HOST_TYPE_DATUM_AXIS})
        if (const unsigned int datum = datum_of(r, type)) {
            datum_data(call, datum, type, point, direction);
            return;
        }
    call.fail(FPARMS_ERR_NO_DATUM, "feature %u made no datum", feature);
}

int POINT_is_points_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    if (feature != 0) call.live(feature);
    const hf::Record* r = hf::find(feature);
    return r && r->kind == "POINT_SET" ? 1 : 0;
}

void FMI_invoke_ask_rm_children(unsigned int feature, int set) {
    auto call = HOST_ENTRY(feature, set);
    for (unsigned int o : require(call, feature).results)
        if (host::objects::is_alive(o)) OM_add_to_set(set, o);
}

void HOLLOW_ask_data(unsigned int feature, unsigned int* body, int* kind, char** thickness, unsigned int** open,
                     int* n_open, unsigned int** own, int* n_own, double** own_thickness, double* value,
                     int* closed) {
    auto call = HOST_ENTRY(feature, body, kind, thickness);
    for (const void* out : {static_cast<const void*>(body), static_cast<const void*>(kind),
                            static_cast<const void*>(thickness), static_cast<const void*>(open),
                            static_cast<const void*>(n_open), static_cast<const void*>(own),
                            static_cast<const void*>(n_own), static_cast<const void*>(own_thickness),
                            static_cast<const void*>(value), static_cast<const void*>(closed)})
        call.need(out, "an output");
    const hf::Record& r = require(call, feature);
    if (r.kind != "HOLLOW" || r.exps.size() != 1 || r.numbers.size() < 2)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "feature %u is no hollow", feature);
    const std::size_t opened = static_cast<std::size_t>(r.numbers[1]);
    std::vector<unsigned int> faces;
    for (int ref : r.refs) faces.push_back(host::kernel::object_of(ref));
    const std::vector<unsigned int> first(faces.begin(), faces.begin() + std::min(opened, faces.size()));
    const std::vector<unsigned int> second(faces.begin() + std::min(opened, faces.size()), faces.end());
    const std::vector<double> widths(r.numbers.begin() + 2, r.numbers.end());
    double v = 0;
    if (int st = EXP_ask_value_of_exp(r.exps[0], &v)) call.fail(st, "the hollow's thickness has no value");
    // The blocks go out together, or none does.
    char* text = nullptr;
    unsigned int *a = nullptr, *b = nullptr;
    double* w = nullptr;
    try {
        if (int st = EXP_ask_assignment_of_exp(r.exps[0], &text)) call.fail(st, "the hollow's thickness has no text");
        a = alloc_copy(first);
        b = alloc_copy(second);
        w = alloc_copy(widths);
    } catch (...) {
        SM_free(text);
        SM_free(a);
        SM_free(b);
        throw;
    }
    *body = r.body;
    *kind = static_cast<int>(r.numbers[0]);
    *thickness = text;
    *open = a;
    *n_open = static_cast<int>(first.size());
    *own = b;
    *n_own = static_cast<int>(second.size());
    *own_thickness = w;
    *value = v;
    *closed = *kind == 3 ? 1 : 0;
}
