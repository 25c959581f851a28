// Instance sets, offsets and extracted faces as features of the update
// service (see instance_sets.h).
#include "host/apps/modeling/sets/instance_sets.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/positioning.h"
#include "host/apps/modeling/sets/instance_set_rows.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/tool_copies.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

constexpr const char* kCircular = "CIRCULAR_ISET";
constexpr const char* kLinear = "LINEAR_ISET";
constexpr const char* kOffset = "OFFSET";
constexpr const char* kExtract = "EXTRACT_FACE";
// Fixed numbers before the sources: a circular set's point, direction and
// method; a linear set's method.
constexpr std::size_t kCircularHead = 7;
constexpr std::size_t kLinearHead = 1;

tag_t g_created = 0;

// The record of a feature for a query (null for none): a dead tag raises.
const Record* looked_up(const Call& call, tag_t feature) {
    if (feature != 0 && !objects::is_alive(feature)) call.fail(HOST_ERR_DEAD_TAG, "tag %u is dead", feature);
    return find(feature);
}

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

int body_of(const Call& call, const Record& r) {
    const int body = kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    return body;
}

// A whole count of copies, at least `least`.
int whole(const Call& call, double v, int least, const char* what) {
    if (!std::isfinite(v) || v != std::floor(v) || v < least || v > 10000)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "%s %g is no whole number from %d", what, v, least);
    return static_cast<int>(v);
}

// Copies the sources' tools by the moves and applies them to the body in
// one step.
void build_copies(const Call& call, Record& r, std::size_t head, const std::vector<double>& moves) {
    const int body = body_of(call, r);
    const std::vector<int> steps = instance_source_steps(call, r, head);
    int tool = 0, operation = 0;
    ZQ_BODY_make_instance_tool(body, static_cast<int>(steps.size()), steps.data(), static_cast<int>(moves.size() / 12),
                               moves.data(), &tool, &operation);
    pxlook_(&tool, &r.tool);
    ZQ_BODY_boolean(body, tool, operation);
    r.step = step_count(body) - 1;
}

// Turns about the axis (point p, unit direction d) by k * angle, k from 1.
std::vector<double> circular_moves(const Call& call, const Record& r, const std::vector<double>& v) {
    const int n = whole(call, v[0], 2, "the number of instances");
    const double* p = r.numbers.data();
    double d[3] = {r.numbers[3], r.numbers[4], r.numbers[5]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 1e-12)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the axis has no direction");
    for (double& c : d) c /= len;
    std::vector<double> moves;
    for (int k = 1; k < n; ++k) {
        const double a = v[1] * k * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
        const double m[3][3] = {{t * d[0] * d[0] + c, t * d[0] * d[1] - s * d[2], t * d[0] * d[2] + s * d[1]},
                                {t * d[0] * d[1] + s * d[2], t * d[1] * d[1] + c, t * d[1] * d[2] - s * d[0]},
                                {t * d[0] * d[2] - s * d[1], t * d[1] * d[2] + s * d[0], t * d[2] * d[2] + c}};
        for (int i = 0; i < 3; ++i) {
            moves.insert(moves.end(), {m[i][0], m[i][1], m[i][2]});
            moves.push_back(p[i] - (m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2]));
        }
    }
    return moves;
}

// Shifts by i * spacing X and j * spacing Y, all but the first place.
std::vector<double> linear_moves(const Call& call, const std::vector<double>& v) {
    const int nx = whole(call, v[0], 1, "the number along X"), ny = whole(call, v[2], 1, "the number along Y");
    if (nx * ny < 2) call.fail(FEAT_ERR_BAD_PARAMETERS, "a linear set of one instance");
    std::vector<double> moves;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            if (i != 0 || j != 0) moves.insert(moves.end(), {1, 0, 0, i * v[1], 0, 1, 0, j * v[3], 0, 0, 1, 0});
    return moves;
}

void build_circular(const Call& call, Record& r, const std::vector<double>& v) {
    build_copies(call, r, kCircularHead, circular_moves(call, r, v));
}

void build_linear(const Call& call, Record& r, const std::vector<double>& v) {
    build_copies(call, r, kLinearHead, linear_moves(call, v));
}

std::vector<std::pair<int, double>> no_numbers(const Record&, const std::vector<double>&) { return {}; }

void build_offset(const Call& call, Record& r, const std::vector<double>& v) {
    const int body = body_of(call, r);
    ZQ_BODY_offset_faces(body, static_cast<int>(r.refs.size()), r.refs.data(), v[0]);
    r.step = step_count(body) - 1;
}
std::vector<std::pair<int, double>> offset_numbers(const Record&, const std::vector<double>& v) { return {{0, v[0]}}; }

void build_extract(const Call&, Record& r, const std::vector<double>&) {
    int sheet = 0;
    ZQ_FACE_extract(static_cast<int>(r.numbers[0]), static_cast<int>(r.numbers[1]), &sheet);
    pxlook_(&sheet, &r.body);
    r.step = 0;
}

const bool kinds_made = [] {
    register_kind({kCircular, {"Number", "Angle"}, kAnyNumbers, 0, 0, true, build_circular, no_numbers});
    register_kind({kLinear,
                   {"Number X", "Spacing X", "Number Y", "Spacing Y"},
                   kAnyNumbers,
                   0,
                   0,
                   true,
                   build_linear,
                   no_numbers});
    register_kind({kOffset, {"Offset"}, 0, 1, 1000000, true, build_offset, offset_numbers});
    register_kind({kExtract, {}, 2, 0, 0, false, build_extract, no_numbers});
    return true;
}();

double coordinate(const Call& call, const char* text) {
    call.need(text, "a coordinate text");
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "\"%s\" is no coordinate", text);
    return v;
}

// The features of a host list of entity ids.
std::vector<tag_t> features_of_list(const Call& call, int list) {
    std::vector<tag_t> out;
    for (tag_t eid : list_objects(list)) {
        const tag_t f = CM_ask_eid_of_object(eid);
        if (!find(f)) call.fail(FEAT_ERR_NOT_A_FEATURE, "entity %u is no feature", eid);
        out.push_back(f);
    }
    return out;
}

// The one body the features live on; raises for none or several.
tag_t body_of_features(const Call& call, const std::vector<tag_t>& features) {
    if (features.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "no features given");
    tag_t body = 0;
    for (tag_t f : features) {
        const Record* r = find(f);
        if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", f);
        if (r->body == 0 || (body != 0 && r->body != body))
            call.fail(FEAT_ERR_BAD_REFERENCE, "the features do not live on one body");
        body = r->body;
    }
    return body;
}

// Makes the set and adds its sources to its parents.
int make_set(tag_t body, const char* kind, const std::vector<std::string>& formulas, std::vector<double> numbers,
             const std::vector<tag_t>& sources) {
    for (tag_t f : sources) numbers.push_back(static_cast<double>(f));
    tag_t made = 0;
    const int status =
        create_built(objects::require(body).part, kind, formulas, numbers, {}, body, FEAT_SIGN_NEW, &made);
    if (status != 0) return status;
    Record* r = detail::edit(made);
    for (tag_t f : sources)
        if (std::find(r->parents.begin(), r->parents.end(), f) == r->parents.end()) r->parents.push_back(f);
    g_created = made;
    return 0;
}

int make_offset(const Call& call, const char* offset, const std::vector<tag_t>& faces) {
    call.need(offset, "the offset text");
    if (faces.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "no faces to offset");
    const tag_t body = ES_solid_ask_body(faces[0]);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face of a body", faces[0]);
    tag_t made = 0;
    const int status =
        create_built(objects::require(body).part, kOffset, {offset}, {}, faces, body, FEAT_SIGN_NEW, &made);
    if (status == 0) g_created = made;
    return status;
}

// The set's record; raises for a tag of no instance set.
const Record& require_set(const Call& call, tag_t set) {
    const Record* r = looked_up(call, set);
    if (!r || (r->kind != kCircular && r->kind != kLinear))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "feature %u is no instance set", set);
    return *r;
}

std::vector<tag_t> members_of(const Record& set) {
    const std::size_t head = set.kind == kCircular ? kCircularHead : kLinearHead;
    std::vector<tag_t> out;
    for (std::size_t i = head; i < set.numbers.size(); ++i) out.push_back(static_cast<tag_t>(set.numbers[i]));
    return out;
}

// The live set that copies the master, 0 for none.
tag_t set_of_master(tag_t master) {
    if (master == 0) return 0;
    for (tag_t f : features_of_part(objects::require(master).part)) {
        const Record* r = find(f);
        if (!r || (r->kind != kCircular && r->kind != kLinear)) continue;
        const std::vector<tag_t> m = members_of(*r);
        if (std::find(m.begin(), m.end(), master) != m.end()) return f;
    }
    return 0;
}

// The move of place (row, column) of the set, as the set was last built.
void motion_of(const Call& call, const Record& set, int row, int column, double m[16]) {
    std::fill(m, m + 16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
    if (set.built.size() != set.exps.size())
        call.fail(FEAT_ERR_BAD_PARAMETERS, "the set has not been built");
    if (set.kind == kLinear) {
        m[3] = column * set.built[1];
        m[7] = row * set.built[3];
        return;
    }
    const double* p = set.numbers.data();
    double d[3] = {set.numbers[3], set.numbers[4], set.numbers[5]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 1e-12)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the axis has no direction");
    for (double& c : d) c /= len;
    const double a = set.built[1] * column * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    const double r[3][3] = {{t * d[0] * d[0] + c, t * d[0] * d[1] - s * d[2], t * d[0] * d[2] + s * d[1]},
                            {t * d[0] * d[1] + s * d[2], t * d[1] * d[1] + c, t * d[1] * d[2] - s * d[0]},
                            {t * d[0] * d[2] - s * d[1], t * d[1] * d[2] + s * d[0], t * d[2] * d[2] + c}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[4 * i + j] = r[i][j];
        m[4 * i + 3] = p[i] - (r[i][0] * p[0] + r[i][1] * p[1] + r[i][2] * p[2]);
    }
}

}  // namespace
}  // namespace host::feature

namespace hf = host::feature;

char* ui_get_feature_type(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    if (r->meta) return SM_string_copy("META");
    if (r->kind == "PROJECTED_CURVE") return SM_string_copy("PROJ_DCURVE");
    return SM_string_copy(r->kind.c_str());
}

int ui_is_datum_axis_feature(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && r->kind == "DATUM_AXIS" ? 1 : 0;
}

int is_design_feature(unsigned int feature, int mode) {
    auto call = HOST_ENTRY(feature, mode);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && r->browseable ? 1 : 0;
}

int FREC_is_it_one_of_the_booleans(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && (r->kind == "UNITE" || r->kind == "SUBTRACT" || r->kind == "INTERSECT") ? 1 : 0;
}

int UDF_is_a_udf_meta_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && r->meta && r->kind == "UDF" ? 1 : 0;
}

int COPY_BODY_ask_copy_tool_of_meta(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && r->meta && r->kind == "COPY_BODY" ? 1 : 0;
}

int FMA_can_be_instanced(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::looked_up(call, feature);
    return r && !r->meta && r->tool != 0 && r->step > 0 && r->kind != hf::kCircular && r->kind != hf::kLinear ? 1 : 0;
}

void ui_create_circular_iset(int list, const char* const origin[3], const char* number, unsigned int axis_feature,
                             const char* angle, const double direction[3], int method, int* status) {
    auto call = HOST_ENTRY(list, axis_feature, method, status);
    call.need(status, "the status output");
    *status = 0;
    hf::g_created = 0;
    call.need(number, "the number text");
    call.need(angle, "the angle text");
    const std::vector<hf::tag_t> sources = hf::features_of_list(call, list);
    const hf::tag_t body = hf::body_of_features(call, sources);
    double p[3] = {}, d[3] = {};
    if (axis_feature != 0) {
        const hf::Record* a = hf::find(axis_feature);
        if (!a || a->kind != "DATUM_AXIS" || a->results.empty() || !host::profiles::direction_data(a->results[0], p, d))
            call.fail(FEAT_ERR_BAD_REFERENCE, "feature %u is no datum axis", axis_feature);
    } else {
        call.need(origin, "the axis point texts");
        call.need(direction, "the axis direction");
        for (int i = 0; i < 3; ++i) {
            p[i] = hf::coordinate(call, origin[i]);
            d[i] = direction[i];
        }
    }
    *status = hf::make_set(body, hf::kCircular, {number, angle}, {p[0], p[1], p[2], d[0], d[1], d[2], double(method)},
                           sources);
}

void ui_create_linear_iset(int list, const char* number_x, const char* spacing_x, const char* number_y,
                           const char* spacing_y, int method, int* status) {
    auto call = HOST_ENTRY(list, method, status);
    call.need(status, "the status output");
    *status = 0;
    hf::g_created = 0;
    for (const char* t : {number_x, spacing_x, number_y, spacing_y}) call.need(t, "a parameter text");
    const std::vector<hf::tag_t> sources = hf::features_of_list(call, list);
    const hf::tag_t body = hf::body_of_features(call, sources);
    *status = hf::make_set(body, hf::kLinear, {number_x, spacing_x, number_y, spacing_y}, {double(method)}, sources);
}

void ui_create_offset_facs1_(const char* offset, const int* list, int* status) {
    auto call = HOST_ENTRY(offset, list, status);
    call.need(status, "the status output");
    *status = 0;
    hf::g_created = 0;
    call.need(list, "the face list");
    std::vector<hf::tag_t> faces;
    for (hf::tag_t entity : hf::list_objects(*list)) faces.push_back(host::kernel::object_of(static_cast<int>(entity)));
    *status = hf::make_offset(call, offset, faces);
}

void ui_create_offset_ftrs1_(const char* offset, const int* list, int* status) {
    auto call = HOST_ENTRY(offset, list, status);
    call.need(status, "the status output");
    *status = 0;
    hf::g_created = 0;
    call.need(list, "the feature list");
    std::vector<hf::tag_t> faces;
    for (hf::tag_t f : hf::features_of_list(call, *list)) {
        int n = 0;
        int* raw = nullptr;
        ZQ_GROUP_ask_entities(f, &n, &raw);
        for (int i = 0; i < n; ++i) {
            const hf::tag_t face = host::kernel::object_of(raw[i]);
            if (face != 0 && std::find(faces.begin(), faces.end(), face) == faces.end()) faces.push_back(face);
        }
        SM_free(raw);
    }
    *status = hf::make_offset(call, offset, faces);
}

void MODL_extract_face(unsigned int face, int mode, int flag, unsigned int* result) {
    auto call = HOST_ENTRY(face, mode, flag, result);
    call.need(result, "the result output");
    *result = 0;
    hf::g_created = 0;
    if (!ES_solid_is_a_face(face)) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face", face);
    const int entity = host::kernel::entity_of(face);
    hf::tag_t made = 0;
    const int status = hf::create_built(host::objects::require(face).part, hf::kExtract, {},
                                        {double(entity), double(mode)}, {}, 0, FEAT_SIGN_NEW, &made);
    if (status != 0) call.fail(status, "the face cannot be extracted");
    hf::g_created = made;
    *result = made;
}

unsigned int CM_GBL_ask_created_frec(void) {
    auto call = HOST_ENTRY();
    int scripted = 0;
    if (call.status(scripted)) return static_cast<unsigned int>(scripted);
    // The host hands out entity ids; CM_ask_eid_of_object turns them into tags.
    return hf::g_created == 0 ? 0 : host::objects::require(hf::g_created).eid;
}

void ISET_ask_members(unsigned int set, int* count, unsigned int** members) {
    auto call = HOST_ENTRY(set, count, members);
    call.need(count, "the count output");
    call.need(members, "the members output");
    const std::vector<hf::tag_t> m = hf::members_of(hf::require_set(call, set));
    *members = nullptr;
    *count = 0;
    if (m.empty()) return;
    *members = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * m.size()));
    std::copy(m.begin(), m.end(), *members);
    *count = static_cast<int>(m.size());
}

unsigned int ISET_ask_master_instance(unsigned int set) {
    auto call = HOST_ENTRY(set);
    const std::vector<hf::tag_t> m = hf::members_of(hf::require_set(call, set));
    if (m.empty()) return 0;
    for (hf::tag_t f : hf::features_of_part(host::objects::require(set).part)) {
        int row = 0, column = 0;
        if (f != set && ISET_ask_instance_position(f, &row, &column) && row == 0 && column == 0 &&
            ISET_ask_initial_master_of_ins(f) == m.front())
            return f;
    }
    return 0;
}

unsigned int ui_get_iset_feature(unsigned int instance) {
    auto call = HOST_ENTRY(instance);
    hf::looked_up(call, instance);
    return hf::set_of_master(ISET_ask_initial_master_of_ins(instance));
}

int ISET_is_iset_deleted(unsigned int instance) {
    auto call = HOST_ENTRY(instance);
    hf::looked_up(call, instance);
    const hf::tag_t master = ISET_ask_initial_master_of_ins(instance);
    return master != 0 && hf::set_of_master(master) == 0 ? 1 : 0;
}

void ISET_ask_composite_motion(unsigned int instance, double motion[16]) {
    auto call = HOST_ENTRY(instance, motion);
    call.need(motion, "the motion output");
    int row = 0, column = 0;
    if (!ISET_ask_instance_position(instance, &row, &column))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "feature %u is no instance", instance);
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (const hf::Record* set = hf::find(hf::set_of_master(ISET_ask_initial_master_of_ins(instance))))
        hf::motion_of(call, *set, row, column, m);
    std::copy(m, m + 16, motion);
}

std::size_t host::feature::instance_set_head(const std::string& kind) {
    return kind == kCircular ? kCircularHead : kind == kLinear ? kLinearHead : 0;
}

std::vector<double> host::feature::instance_set_moves(const Call& call, const Record& r,
                                                      const std::vector<double>& values) {
    if (values.size() != (r.kind == kCircular ? 2u : 4u))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "the set has %zu parameters", values.size());
    return r.kind == kCircular ? circular_moves(call, r, values) : linear_moves(call, values);
}
