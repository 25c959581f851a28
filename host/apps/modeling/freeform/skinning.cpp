// The host's skinning service (skinning.h).
#include "host/apps/modeling/freeform/skinning.h"
#include "host/apps/modeling/freeform/skin_body.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/model/feature/undo.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/ops/through_curves.h"
#include "host/base/model.h"
#include "host/numeric/evc.h"
#include "host/base/services/objects.h"
#include <map>
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

int simpsurf_[4] = {0, 0, 0, 0};

namespace {

namespace hp = host::profiles;
namespace ff = host::freeform;
using host::Call;
using tag_t = unsigned int;

hp::Strings strings_of_profile(int profile) {
    if (profile == 0) return {};
    return hp::strings_of_cm(CMP_set_cm_from_cmp(profile, 0, 0, 0, 0.0, 0));
}

hp::Strings strings_of_list(const CMP_strings_t* s) {
    hp::Strings out;
    if (!s || s->count <= 0 || !s->per_string || !s->objects) return out;
    int at = 0;
    for (int i = 0; i < s->count; ++i) {
        out.per_string.push_back(s->per_string[i]);
        out.dir.push_back(s->dir ? s->dir[i] : 1);
        out.objects.insert(out.objects.end(), s->objects + at, s->objects + at + s->per_string[i]);
        at += s->per_string[i];
    }
    return out;
}

ZQ_strings_t view(const hp::Strings& s) { return ff::strings_view(s); }

// What a constructor makes: the kind's body from its strings.
struct Making {
    ff::SkinDefinition definition;
    std::vector<double> values;  // the method values
    int boolean_type = 0;
    int solid = 0;
};

int made_body(const Making& m) { return ff::make_skin_body(m.definition, m.values); }

// Makes the body and the feature holding the definition; a failure leaves
// the model as it was and answers the code.
int construct(const Making& m, tag_t* result) {
    *result = 0;
    const tag_t part = host::parts::work_part();
    const host::ModelSnapshot before = host::snapshot_model();
    std::string text;
    tag_t feature = 0;
    const int code = host::feature::caught(
        [&] {
            const int made = made_body(m);
            tag_t body = 0, tool = 0;
            pxlook_(&made, &body);
            int sign = FEAT_SIGN_NEW, step = 0;
            const tag_t target = BREF_ask_current_target(part);
            int type = 0;
            ZQ_BODY_ask_type(made, &type);
            if (m.boolean_type >= FEAT_SIGN_UNITE && m.boolean_type <= FEAT_SIGN_INTERSECT && target != 0 &&
                type == ZQ_BODY_SOLID) {
                const int t = ES_solid_ask_fermalith_tag(target);
                tool = body;
                ZQ_BODY_boolean(t, made, m.boolean_type);
                int steps = 0;
                ZQ_BODY_ask_step_count(t, &steps);
                body = target;
                sign = m.boolean_type;
                step = steps - 1;
            }
            if (int c = ff::create_skin(part, m.definition, &feature)) host::Call("SKIN_create", nullptr).fail(c, "the definition is refused");
            ff::attach_body(feature, body, tool, step, sign);
            ff::set_skin_built_from(feature, ff::strings_print(m.definition));
        },
        &text);
    if (code != 0) {
        host::restore_model(before);
        return code;
    }
    *result = feature;
    return 0;
}

Making making_of(int kind, int boolean_type, char* const texts[SKIN_N_TEXTS], const int ints[SKIN_N_INTS],
                 char* const align[SKIN_N_ALIGN], const int profiles[SKIN_N_PROFILES], int solid) {
    Making m;
    ff::SkinDefinition& d = m.definition;
    d.kind = kind;
    d.first = strings_of_profile(profiles[0]);
    d.second = strings_of_profile(profiles[1]);
    if (profiles[4] != 0) d.single = strings_of_profile(profiles[4]);
    std::copy(ints, ints + SKIN_N_INTS, d.params.begin());
    d.alignment = ints[0];
    for (int i = 0; i < 3; ++i) d.record[i] = texts[i] && *texts[i] ? texts[i] : "0";
    // A bounded plane keeps six values of nothing like the others of its
    // record type.
    for (int i = 0; i < SKIN_N_ALIGN; ++i)
        if (kind == SKIN_KIND_THRU_CURVES || kind == SKIN_KIND_RULED) d.values.emplace_back(align[i] && *align[i] ? align[i] : "0");
        else if (kind == SKIN_KIND_BPLANE) d.values.emplace_back("0");
    d.options = solid ? 2 : 0;
    m.boolean_type = boolean_type;
    m.solid = solid;
    return m;
}

double enclosed(const hp::Strings& s, std::size_t string) {
    // The area of the string's own planar sheet, 0 when it bounds none.
    hp::Strings one;
    int at = 0;
    for (std::size_t i = 0; i < string; ++i) at += s.per_string[i];
    one.per_string = {s.per_string[string]};
    one.dir = {1};
    one.objects.assign(s.objects.begin() + at, s.objects.begin() + at + s.per_string[string]);
    const ZQ_strings_t v = view(one);
    return ZQ_SKIN_enclosed_area(&v);
}

// Validates strings of a role into a fresh profile: the validation class
// (0 valid); the profile is freed.
int validate(const CMP_strings_t* strings, int role, int kind, const double tolerances[3], hp::Strings* out) {
    int profile = 0, error = 0;
    CMP_create_cmp_profile(&profile);
    CMP_validate_strings(0, role, kind, 0, strings, tolerances, profile, &error);
    if (error == 0 && out) *out = strings_of_profile(profile);
    CMP_free_cmp_profile(profile);
    return error;
}

void tolerance_texts(const double tolerances[3], std::array<std::string, 3>& record) {
    for (int i = 0; i < 3; ++i) {
        char t[EXP_VALUE_CHARS];
        EXP_format_value(tolerances[i], t);
        record[i] = t;
    }
}

// Host codes of the skinning band for a failed validation of a role.
constexpr int kNotChained = 670155;
constexpr int kCreationFailed = 670047;
int role_code(int error, int band_code) { return error == CMP_ERR_NOT_CONNECTED ? kNotChained : band_code; }

}  // namespace

extern "C" {

void CMERR_set_temp_undo_mark(unsigned int* mark, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, mark);
    call.need(mark, "the mark output");
    int status = 0;
    *mark = UNDO_JQ_set_mark(UNDO_VISIBLE, name, &status);
    if (status != 0) call.fail(status, "no temporary mark can be set");
}

void CMERR_undo_and_delete_mark(unsigned int mark, int flag) {
    auto call = HOST_ENTRY(mark, flag);
    if (int c = UNDO_JQ_undo_to_mark(mark, nullptr)) call.fail(c, "mark %u cannot be undone to", mark);
    if (int c = UNDO_JQ_delete_mark(mark, nullptr)) call.fail(c, "mark %u cannot be deleted", mark);
}

void CMP_reset_cmp_profile(int* profile) {
    auto call = HOST_ENTRY(profile);
    call.need(profile, "the profile");
    *profile = 0;
}

CMP_strings_t* CMP_reorder_strings(const CMP_strings_t* strings, int a, int b, int c, const double tolerances[3]) {
    auto call = HOST_ENTRY(strings, a, b, c);
    call.need(strings, "the strings");
    call.need(tolerances, "the tolerances");
    hp::Strings s = strings_of_list(strings);
    std::size_t outer = 0;
    double best = -1;
    for (std::size_t i = 0; i < s.per_string.size(); ++i)
        if (const double area = enclosed(s, i); area > best + 1e-12) {
            best = area;
            outer = i;
        }
    if (outer != 0) {
        // Move the outer string to the front.
        std::vector<std::size_t> order{outer};
        for (std::size_t i = 0; i < s.per_string.size(); ++i)
            if (i != outer) order.push_back(i);
        hp::Strings r;
        std::vector<int> starts(s.per_string.size(), 0);
        for (std::size_t i = 1; i < starts.size(); ++i) starts[i] = starts[i - 1] + s.per_string[i - 1];
        for (std::size_t i : order) {
            r.per_string.push_back(s.per_string[i]);
            r.dir.push_back(s.dir[i]);
            r.objects.insert(r.objects.end(), s.objects.begin() + starts[i], s.objects.begin() + starts[i] + s.per_string[i]);
        }
        s = std::move(r);
    }
    auto* out = static_cast<CMP_strings_t*>(SM_alloc(sizeof(CMP_strings_t)));
    *out = CMP_strings_t{};
    try {
        const std::size_t n = s.per_string.size();
        out->per_string = static_cast<int*>(SM_alloc(sizeof(int) * n));
        out->dir = static_cast<int*>(SM_alloc(sizeof(int) * n));
        out->objects = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * s.objects.size()));
    } catch (...) {
        SM_free(out->per_string);
        SM_free(out->dir);
        SM_free(out);
        throw;
    }
    out->count = static_cast<int>(s.per_string.size());
    std::copy(s.per_string.begin(), s.per_string.end(), out->per_string);
    std::copy(s.dir.begin(), s.dir.end(), out->dir);
    std::copy(s.objects.begin(), s.objects.end(), out->objects);
    return out;
}

void CMP_free_string_list(CMP_strings_t* strings) {
    auto call = HOST_ENTRY(strings);
    call.need(strings, "the strings");
    SM_free(strings->per_string);
    SM_free(strings->dir);
    SM_free(strings->objects);
    *strings = CMP_strings_t{};
}

int SKIN_ask_solid_condition(int a, int b, int profile, int other) {
    auto call = HOST_ENTRY(a, b, profile, other);
    int status;
    if (call.status(status)) return status;
    const hp::Strings s = strings_of_profile(profile);
    const ZQ_strings_t v = view(s);
    return ZQ_SKIN_is_closed(&v, srfc1_[0]);
}

void SKIN_set_plane_tol_condition(int a, int profile, double tolerance) { HOST_ENTRY(a, profile, tolerance); }

void SKIN_toward_first_profile(double tolerance, int profile, int a, int other) {
    HOST_ENTRY(tolerance, profile, a, other);
}

int SKIN_ask_cvmesh_spine_condition(int profile) {
    auto call = HOST_ENTRY(profile);
    int status;
    if (call.status(status)) return status;
    return 1;
}

int SKIN_check_perp_spine_condition(int spine, int profile, const double tolerances[3]) {
    auto call = HOST_ENTRY(spine, profile, tolerances);
    int status;
    if (call.status(status)) return status;
    return 1;
}

int SKIN_ask_fit_method(double tolerance, int alignment) {
    auto call = HOST_ENTRY(tolerance, alignment);
    int status;
    if (call.status(status)) return status;
    // Interpolation through the curves with no tolerance, else a fit.
    return tolerance > 0 ? 2 : 1;
}

int SKIN_ask_bplane_condition(int a, int profile) {
    auto call = HOST_ENTRY(a, profile);
    int status;
    if (call.status(status)) return status;
    const hp::Strings s = strings_of_profile(profile);
    const ZQ_strings_t v = view(s);
    switch (ZQ_SKIN_planarity(&v, srfc1_[0])) {
    case 0: return 0;
    case 1: return SKIN_BPLANE_NOT_PLANAR;
    default: return SKIN_BPLANE_CROSSING;
    }
}

int SKIN_CONSTR_create_frec(int kind, int boolean_type, char* const texts[SKIN_N_TEXTS], const int ints[SKIN_N_INTS],
                            char* const align[SKIN_N_ALIGN], const int profiles[SKIN_N_PROFILES], int solid,
                            const unsigned int* faces, const int* flags, const int* continuity, int a,
                            const double* pair, int n, unsigned int* result, int* failed) {
    auto call = HOST_ENTRY(kind, boolean_type, solid, a);
    for (const void* p : {static_cast<const void*>(texts), static_cast<const void*>(ints),
                          static_cast<const void*>(align), static_cast<const void*>(profiles),
                          static_cast<const void*>(result), static_cast<const void*>(failed)})
        call.need(p, "an argument");
    (void)pair;
    Making m = making_of(kind, boolean_type, texts, ints, align, profiles, solid);
    const int boundaries = kind == SKIN_KIND_CURVE_MESH ? 4 : 2;
    if (faces && flags) {
        m.definition.face_storage = 0;
        for (int i = 0; i < boundaries; ++i) m.definition.faces.push_back(faces[i]);
    }
    if (continuity)
        for (int i = 0; i < boundaries; ++i) m.definition.continuity[i] = continuity[i];
    const int code = construct(m, result);
    *failed = code != 0 ? 1 : 0;
    return code;
}

int SKIN_ui_create(int kind, int boolean_type, char* const texts[SKIN_N_TEXTS], const int ints[SKIN_N_INTS],
                   char* const align[SKIN_N_ALIGN], const int profiles[SKIN_N_PROFILES], int solid,
                   unsigned int* result, int* failed) {
    auto call = HOST_ENTRY(kind, boolean_type, solid);
    call.need(result, "the result");
    call.need(failed, "the failure output");
    call.need(profiles, "the profiles");
    const int code = construct(making_of(kind, boolean_type, texts, ints, align, profiles, solid), result);
    *failed = code != 0 ? 1 : 0;
    return code;
}


int SKIN_cre_kx_sweep(int a, int b, const CMP_strings_t* guides, const CMP_strings_t* sections,
                      const CMP_strings_t* spine, const SKIN_method_t* orientation, const SKIN_method_t* scaling,
                      const int* alignment, const int* section_method, const int* body_option,
                      const double tolerances[3], const void* further, int c, unsigned int* result, int* detail) {
    auto call = HOST_ENTRY(a, b, c);
    (void)further;
    call.need(result, "the result");
    call.need(detail, "the detail output");
    call.need(tolerances, "the tolerances");
    *result = 0;
    *detail = 0;
    Making m;
    ff::SkinDefinition& d = m.definition;
    d.kind = SKIN_KIND_SWEEP;
    if (int e = validate(guides, 1, 1, tolerances, &d.first)) return *detail = e, 1;
    if (int e = validate(sections, 2, 1, tolerances, &d.second)) return *detail = e, 2;
    if (spine && spine->count > 0) {
        hp::Strings s;
        if (int e = validate(spine, 5, 1, tolerances, &s)) return *detail = e, 3;
        d.single = s;
    }
    const SKIN_method_t none{};
    const SKIN_method_t& o = orientation ? *orientation : none;
    const SKIN_method_t& sc = scaling ? *scaling : none;
    d.params = {0, 0, section_method ? *section_method : 0, o.method, sc.method};
    if (sc.method == 2) d.params[2] = sc.sub_method;
    for (const SKIN_method_t* r : {&o, &sc}) {
        m.values.insert(m.values.end(), r->values, r->values + 3);
        for (double v : r->values) {
            char t[EXP_VALUE_CHARS];
            EXP_format_value(v, t);
            d.values.emplace_back(t);
        }
    }
    if (o.curves && o.curves->count > 0) d.method_curves[0] = strings_of_list(o.curves);
    if (sc.curves && sc.curves->count > 0) d.method_curves[1] = strings_of_list(sc.curves);
    d.alignment = alignment ? *alignment : 1;
    tolerance_texts(tolerances, d.record);
    m.solid = body_option && *body_option == 1 ? 1 : 0;
    d.options = m.solid ? 2 : 0;
    if (construct(m, result) != 0) return 4;
    return 0;
}

int SKIN_cre_kx_curve_mesh1(int a, int* scratch, const CMP_strings_t* primary, const CMP_strings_t* cross,
                            const CMP_strings_t* spine, const int* end_option, const int* method, const int* body_option,
                            const int* mesh_flag, int boolean_type, unsigned int target, const double tolerances[3],
                            const unsigned int* faces, const int* continuity, unsigned int* result) {
    auto call = HOST_ENTRY(a, boolean_type, target);
    (void)scratch;
    (void)end_option;
    call.need(result, "the result");
    call.need(tolerances, "the tolerances");
    Making m;
    ff::SkinDefinition& d = m.definition;
    d.kind = SKIN_KIND_CURVE_MESH;
    if (int e = validate(primary, 1, 2, tolerances, &d.first)) return role_code(e, 670348);
    if (int e = validate(cross, 2, 2, tolerances, &d.second)) return role_code(e, 670358);
    if (spine && spine->count > 0) {
        hp::Strings s;
        if (int e = validate(spine, 5, 2, tolerances, &s)) return role_code(e, 670330);
        d.single = s;
    }
    d.params = {method ? *method : 1, 0, 0, mesh_flag ? *mesh_flag : 0, 0};
    d.alignment = d.params[0];
    tolerance_texts(tolerances, d.record);
    for (int i = 0; faces && i < SKIN_N_BOUNDARIES; ++i) d.faces.push_back(faces[i]);
    for (int i = 0; continuity && i < SKIN_N_BOUNDARIES; ++i) d.continuity[i] = continuity[i];
    m.solid = body_option && *body_option == 1 ? 1 : 0;
    d.options = m.solid ? 2 : 0;
    m.boolean_type = target ? boolean_type : 0;
    return construct(m, result) != 0 ? kCreationFailed : 0;
}

int SKIN_cre_kx_thru_curves1(int a, int* scratch, const CMP_strings_t* sections, const CMP_strings_t* spine,
                             const int* patch, const int* alignment, const double* values, int z1, int z2, int z3,
                             const int* degree, const int* closed, const int* body_option, int boolean_type,
                             unsigned int target, const double tolerances[3], const unsigned int* faces,
                             const int* continuity, unsigned int* result) {
    auto call = HOST_ENTRY(a, z1, boolean_type, target);
    (void)scratch;
    call.need(result, "the result");
    call.need(tolerances, "the tolerances");
    Making m;
    ff::SkinDefinition& d = m.definition;
    d.kind = SKIN_KIND_THRU_CURVES;
    if (int e = validate(sections, 1, 3, tolerances, &d.first)) return role_code(e, 670227);
    const int align = alignment ? *alignment : 1;
    if (align == 5) {
        hp::Strings s;
        if (int e = validate(spine, 5, 3, tolerances, &s)) return role_code(e, 670330);
        d.single = s;
    }
    const int kind = patch ? *patch : 1;
    d.params = {align == 6 ? 7 : align, kind, SKIN_ask_fit_method(tolerances[0], align), kind == 1 ? 0 : (degree ? *degree : 3),
                kind == 1 ? 0 : (closed ? *closed : 0)};
    d.alignment = d.params[0];
    for (int i = 0; i < SKIN_N_ALIGN; ++i) {
        char t[EXP_VALUE_CHARS];
        EXP_format_value(values ? values[i] : 0.0, t);
        d.values.emplace_back(t);
    }
    tolerance_texts(tolerances, d.record);
    for (int i = 0; faces && i < 2; ++i) d.faces.push_back(faces[i]);
    for (int i = 0; continuity && i < 2; ++i) d.continuity[i] = continuity[i];
    m.solid = body_option && *body_option == 1 ? 1 : 0;
    d.options = m.solid ? 2 : 0;
    m.boolean_type = target ? boolean_type : 0;
    return construct(m, result) != 0 ? kCreationFailed : 0;
}


unsigned int CMP_ask_eref_of_edge(int edge) {
    auto call = HOST_ENTRY(edge);
    unsigned int object = 0;
    pxlook_(&edge, &object);
    if (object == 0) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no edge", edge);
    return EREF_ask_eref_of_edge(object);
}

namespace {
std::map<unsigned int, unsigned int>& snapshots() {
    static auto* const m = new std::map<unsigned int, unsigned int>;
    return *m;
}
unsigned int g_next_snapshot = 1;
}  // namespace

int CMP_create_snapshot(unsigned int eref, int a, int b, unsigned int* snapshot) {
    auto call = HOST_ENTRY(eref, a, b, snapshot);
    int status;
    if (call.status(status)) return status;
    call.need(snapshot, "the snapshot output");
    const unsigned int edge = EREF_ask_edge_of_eref(eref);
    if (edge == 0) return KERNEL_ERR_NO_ENTITY;
    *snapshot = g_next_snapshot++;
    snapshots()[*snapshot] = edge;
    return 0;
}

unsigned int CMP_ask_curve_snapshot(unsigned int snapshot, int a, int b, double tolerance, int* error) {
    auto call = HOST_ENTRY(snapshot, a, b, tolerance);
    call.need(error, "the error output");
    const auto it = snapshots().find(snapshot);
    *error = it == snapshots().end() || !host::objects::is_alive(it->second) ? 1 : 0;
    return *error ? 0 : it->second;
}

void CMP_delete_snapshot(unsigned int snapshot) {
    auto call = HOST_ENTRY(snapshot);
    if (snapshots().erase(snapshot) == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%u is no snapshot", snapshot);
}

int CMP_get_sel_direction(unsigned int curve, const double point[3], int a) {
    auto call = HOST_ENTRY(curve, point, a);
    int status;
    if (call.status(status)) return status;
    call.need(point, "the point");
    const unsigned int ev = EVC_initialize(curve);
    double lim[2], p0[3], p1[3];
    EVC_ask_curve_limits(ev, lim);
    EVC_evaluate(ev, 0, lim[0], p0, nullptr);
    EVC_evaluate(ev, 0, lim[1], p1, nullptr);
    EVC_free(ev);
    const auto d = [&](const double* q) { return std::hypot(q[0] - point[0], q[1] - point[1], q[2] - point[2]); };
    return d(p0) <= d(p1) ? 1 : -1;
}

}  // extern "C"
