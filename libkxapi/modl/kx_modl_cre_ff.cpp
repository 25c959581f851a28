// Free-form features from strings of curves: sweep, curve mesh, through
// curves, ruled, bounded plane and their target variants, handed to the
// host's skinning service, and the host answers turned into the codes of
// the modelling band.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

#include "kx_codes.h"
#include "kx_modl_cre_ff.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/numeric/linalg.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/undo.h"
#include "host/apps/modeling/freeform/skinning.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace kx::modl::freeform {

namespace {

constexpr int kMaxStrings = 150;
constexpr int kMaxDegree = 2147483600;
constexpr double kLeastTolerance = 1e-9;
constexpr int kEntityBody = 70;

// ---- the creation parameter block (process-wide, kept between calls) ----
struct CreationBlock {
    char text[SKIN_N_TEXTS][256]{};
    char* texts[SKIN_N_TEXTS]{};
    int ints[SKIN_N_INTS]{};
    char* align[SKIN_N_ALIGN]{};
    CreationBlock() {
        for (int i = 0; i < SKIN_N_TEXTS; ++i) texts[i] = text[i];
    }
};
CreationBlock g_block;

void put_text(int i, double value) {
    char t[EXP_VALUE_CHARS];
    EXP_format_value(value, t);
    std::snprintf(g_block.text[i], sizeof g_block.text[i], "%s", t);
}

void tolerance_texts(const double tolerances[3]) {
    for (int i = 0; i < 3; ++i) put_text(i, tolerances[i]);
}

void alignment_texts(const double values[6]) {
    for (int i = 0; i < SKIN_N_ALIGN; ++i) {
        put_text(3 + i, values[i]);
        g_block.align[i] = g_block.texts[3 + i];
    }
}

// ---- counts of the caller's lists ----

// The number of strings, or -1 for a list that cannot be read.
int strings_in(const string_list* l) {
    if (!l || l->count < 0) return -1;
    if (l->count > 0 && (!l->per_string || !l->objects)) return -1;
    return l->count;
}
int spine_strings(const string_list* l) { return l ? strings_in(l) : 0; }
bool within(int n, int lo, int hi) { return n >= lo && n <= hi; }
int value_of(const int* p, int otherwise = -1) { return p ? *p : otherwise; }

const CMP_strings_t* host_list(const string_list* l) { return reinterpret_cast<const CMP_strings_t*>(l); }

// ---- profiles ----
class Profiles {
public:
    Profiles() {
        for (int& p : ids_) CMP_reset_cmp_profile(&p);
    }
    ~Profiles() {
        kx::release([this] {
            for (int& p : ids_)
                if (p != 0) {
                    const int id = std::exchange(p, 0);
                    CMP_free_cmp_profile(id);
                }
        });
    }
    Profiles(const Profiles&) = delete;
    Profiles& operator=(const Profiles&) = delete;
    // Validates the strings into profile `slot`: the role's code or 0.
    int validate(int slot, int role, int kind, int option, const string_list* l, const double tolerances[3],
                 Role band) {
        CMP_create_cmp_profile(&ids_[slot]);
        int error = 0;
        CMP_validate_strings(0, role, kind, option, host_list(l), tolerances, ids_[slot], &error);
        return error == 0 ? 0 : class_code(band, error);
    }
    int operator[](int slot) const { return ids_[slot]; }
    const int* all() const { return ids_.data(); }

private:
    std::array<int, SKIN_N_PROFILES> ids_{};
};

// ---- the temporary mark ----
}  // namespace

int with_temp_mark(const char* name, const std::function<int()>& work) {
    unsigned int mark = 0;
    CMERR_set_temp_undo_mark(&mark, name);
    // A release failure pending further out stays with the work out there.
    const int outer_pending = std::exchange(kx::detail::g_release_failure, 0);
    int st = 0;
    try {
        // A release that failed in the work fails it; the mark goes only
        // once nothing can fail any more.
        st = kx::detail::merge_release_failure(work());
        if (st != 0) CMERR_undo_and_delete_mark(mark, 0);
        else UNDO_JQ_delete_to_mark(mark, nullptr);
    } catch (...) {
        kx::detail::merge_release_failure(-1);  // the error in flight is the status
        kx::detail::g_release_failure = outer_pending;
        // A failing roll-back is noted; the error in flight stays the status.
        kx::frame_scope scope;
        try {
            CMERR_undo_and_delete_mark(mark, 0);
        } catch (const host::HostError&) {
        }
        throw;
    }
    kx::detail::g_release_failure = outer_pending;
    return st;
}

namespace {

void regenerate_created_object(tag result) {
    if (result == NULL_TAG) return;
    if (RM_ask_entity_type(result) == kEntityBody) UPDATE_do_update_no_message();
    DSS_REGEN_regen_object(result);
}

// Moves the given faces to the front; flags mark the slots given.
void compact_faces(tag* faces, int n, int* flags) {
    int at = 0;
    for (int i = 0; i < n; ++i) {
        flags[i] = faces && faces[i] != NULL_TAG ? 1 : 0;
        if (faces && faces[i] != NULL_TAG) faces[at++] = faces[i];
    }
    for (int i = at; faces && i < n; ++i) faces[i] = NULL_TAG;
}

bool has_length(const double v[3]) {
    double magnitude = 0, unit[3];
    return VEC3_unitize(v, EQ_ask_length_tolerance(), &magnitude, unit) == 1;
}

// The caller's tolerances with a first value below 1e-9 replaced by the
// modelling distance tolerance.
std::array<double, 3> working_tolerances(const double t[3]) {
    std::array<double, 3> w{t[0], t[1], t[2]};
    if (w[0] < kLeastTolerance) w[0] = srfc1_[0];
    return w;
}

int solid_boolean(int body_option, int allowed, int boolean_type, int* solid) {
    *solid = body_option == 1 && allowed ? 1 : 0;
    return within(boolean_type, 0, 3) && *solid == 1 ? boolean_type : 0;
}

}  // namespace

int class_code(Role role, int error_class) {
    static constexpr int kBands[5][6] = {
        // class 1, 2, 4, 5, 6, count
        {875080, 875076, 875077, 875078, 875075, 875079},  // guide
        {875086, 875082, 875083, 875084, 875081, 875085},  // section
        {875092, 875088, 875089, 875090, 875087, 875091},  // spine
        {875098, 875094, 875095, 875096, 875093, 875097},  // primary
        {875104, 875100, 875101, 875102, 875099, 875103},  // cross
    };
    const int* band = kBands[static_cast<int>(role)];
    switch (error_class) {
    case 1: return band[0];
    case 2: return band[1];
    case 3: return KX_MODL_ERR_STRINGS_NOT_CHAINED;
    case 4: return band[2];
    case 5: return band[3];
    case 6: return band[4];
    case 7: return KX_MODL_ERR_STRINGS_CLASS_7;
    default: return KX_MODL_ERR_NAMED_OBJECT;
    }
}

int translate_free_form_code(int code) {
    static constexpr std::array<std::array<int, 2>, 58> kTable = {{
        {670018, 875105}, {670039, 875068}, {670041, 875372}, {670047, 875044}, {670069, 875059},
        {670071, 875061}, {670072, 875377}, {670113, 875060}, {670155, 875058}, {670157, 875288},
        {670158, 875240}, {670159, 875062}, {670173, 875064}, {670174, 875065}, {670175, 875067},
        {670217, 875071}, {670218, 875070}, {670220, 875074}, {670221, 875069}, {670223, 875077},
        {670224, 875078}, {670226, 875075}, {670227, 875086}, {670228, 875082}, {670232, 875083},
        {670241, 875084}, {670242, 875081}, {670252, 875085}, {670267, 875087}, {670268, 875088},
        {670274, 875089}, {670275, 875090}, {670307, 875091}, {670330, 875092}, {670333, 875053},
        {670334, 875073}, {670335, 875080}, {670336, 875076}, {670337, 875057}, {670340, 875056},
        {670341, 875093}, {670342, 875094}, {670343, 875095}, {670344, 875096}, {670345, 875097},
        {670348, 875098}, {670350, 875099}, {670351, 875100}, {670353, 875101}, {670354, 875102},
        {670356, 875103}, {670358, 875104}, {670359, 875192}, {670365, 875377}, {670366, 875373},
        {670368, 875385}, {671019, 875113}, {671410, 875055},
    }};
    for (const auto& row : kTable)
        if (row[0] == code) return row[1];
    return code;
}

int target_variant_result(int code, tag made, tag* result) {
    if (code != 0) return translate_free_form_code(code);
    if (result) *result = made;
    return 0;
}

int create_sweep(string_list* guides, string_list* sections, string_list* spine, sweep_method* orientation,
                 sweep_method* scaling, int* alignment, int* section_method, int* body_option, double tolerances[3],
                 int* further, tag* result) {
    if (result) *result = NULL_TAG;
    if (!within(value_of(alignment), 1, 2)) return KX_MODL_ERR_ALIGNMENT;
    const int n_guides = strings_in(guides);
    if (!within(n_guides, 1, 3)) return KX_MODL_ERR_GUIDE_COUNT;
    if (!within(spine_strings(spine), 0, 1)) return KX_MODL_ERR_SPINE_COUNT;
    const int n_sections = strings_in(sections);
    if (!within(n_sections, 1, kMaxStrings)) return KX_MODL_ERR_SECTION_COUNT;
    if (n_guides == 1) {
        const int o = orientation ? orientation->method : -1;
        const int s = scaling ? scaling->method : -1;
        if (!within(o, 1, 7)) return KX_MODL_ERR_ORIENTATION_METHOD;
        if (!within(s, 1, 5) && s != 8) return KX_MODL_ERR_SCALING_METHOD;
        if (s == 2 && !within(scaling->sub_method, 1, 2)) return KX_MODL_ERR_SCALING_SUB_METHOD;
    }
    if (n_sections > 1 && !within(value_of(section_method), 1, 2)) return KX_MODL_ERR_SECTION_METHOD;
    if (!tolerances || !result) return KX_MODL_ERR_NO_FEATURE_CREATED;
    return with_temp_mark("KXAPI Create Sweep", [&] {
        tag made = NULL_TAG;
        int detail = 0;
        const int error_class = SKIN_cre_kx_sweep(
            1, 0, host_list(guides), host_list(sections), spine ? host_list(spine) : nullptr,
            reinterpret_cast<const SKIN_method_t*>(orientation), reinterpret_cast<const SKIN_method_t*>(scaling),
            alignment, section_method, body_option, tolerances, further, 0, &made, &detail);
        switch (error_class) {
        case 0: *result = made; return 0;
        case 1: return class_code(Role::guide, detail);
        case 2: return class_code(Role::section, detail);
        case 3: return class_code(Role::spine, detail);
        case 4: return static_cast<int>(KX_MODL_ERR_NO_FEATURE_CREATED);
        case 5:
        case 6: return translate_free_form_code(detail);
        default:
            ERROR_internal("kx_modl_cre_ff", __LINE__, "unknown error class of %i returned by creation\n",
                           error_class);
        }
    });
}

int create_curve_mesh(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                      int* mesh_method, int* body_option, int* mesh_flag, int boolean_type, double tolerances[3],
                      tag faces[4], int continuity[4], tag* result) {
    if (result) *result = NULL_TAG;
    if (!within(strings_in(primary), 2, kMaxStrings)) return KX_MODL_ERR_PRIMARY_COUNT;
    if (!within(strings_in(cross), 2, kMaxStrings)) return KX_MODL_ERR_CROSS_COUNT;
    const int n_spine = spine_strings(spine);
    if (!within(n_spine, 0, 1)) return KX_MODL_ERR_SPINE_COUNT;
    if (!within(value_of(mesh_method), 1, 3)) return KX_MODL_ERR_MESH_METHOD;
    if (!within(value_of(mesh_flag), 0, 1)) return KX_MODL_ERR_MESH_FLAG;
    if (!within(value_of(end_option), 0, 3)) return KX_MODL_ERR_END_OPTION;
    if (!tolerances || !result) return KX_MODL_ERR_NO_FEATURE_CREATED;
    return with_temp_mark("KXAPI Create Curve Mesh", [&] {
        Profiles p;
        tolerance_texts(tolerances);
        g_block.ints[0] = *mesh_method;
        g_block.ints[3] = *mesh_flag;
        if (int st = p.validate(0, 1, SKIN_KIND_CURVE_MESH, *end_option, primary, tolerances, Role::primary)) return st;
        if (int st = p.validate(1, 2, SKIN_KIND_CURVE_MESH, 0, cross, tolerances, Role::cross)) return st;
        if (n_spine == 1) {
            if (!SKIN_ask_cvmesh_spine_condition(p[0])) return static_cast<int>(KX_MODL_ERR_SPINE_CONDITION);
            if (int st = p.validate(4, 5, SKIN_KIND_CURVE_MESH, 0, spine, tolerances, Role::spine)) return st;
            if (!SKIN_check_perp_spine_condition(p[4], p[0], tolerances))
                return static_cast<int>(KX_MODL_ERR_SPINE_NOT_PERPENDICULAR);
        }
        SKIN_toward_first_profile(tolerances[0], p[0], 0, p[1]);
        SKIN_set_plane_tol_condition(0, p[0], tolerances[0]);
        SKIN_set_plane_tol_condition(0, p[1], tolerances[0]);
        const int allowed = SKIN_ask_solid_condition(1, 0, p[0], p[1]);
        int solid = 0;
        const int boolean = solid_boolean(value_of(body_option, 0), allowed, boolean_type, &solid);
        int flags[4] = {};
        compact_faces(faces, 4, flags);
        tag made = NULL_TAG;
        int failed = 0;
        SKIN_CONSTR_create_frec(SKIN_KIND_CURVE_MESH, boolean, g_block.texts, g_block.ints, g_block.align, p.all(),
                                solid, faces, flags, continuity, 0, nullptr, 4, &made, &failed);
        regenerate_created_object(made);
        if (failed) return static_cast<int>(KX_MODL_ERR_NO_FEATURE_CREATED);
        *result = made;
        return 0;
    });
}

int create_thru_curves(string_list* sections, string_list* spine, int* patch_kind, int* alignment, double values[6],
                       int* degree, int* closed, int* body_option, int boolean_type, double tolerances[3],
                       tag faces[2], int continuity[2], tag* result) {
    if (result) *result = NULL_TAG;
    const int n = strings_in(sections);
    if (!within(n, 2, kMaxStrings)) return KX_MODL_ERR_SECTION_COUNT;
    const int align = value_of(alignment);
    if (!within(align, 1, 6)) return KX_MODL_ERR_ALIGNMENT;
    if (align == 3 && (!values || !has_length(values))) return KX_MODL_ERR_TRANSFORM_REFUSED;
    if (align == 5 && spine_strings(spine) != 1) return KX_MODL_ERR_SPINE_COUNT;
    const int kind = value_of(patch_kind);
    if (!within(kind, 1, 2)) return KX_MODL_ERR_PATCH_KIND;
    if (kind == 2) {
        const int c = value_of(closed);
        if (!within(c, 0, 1) || (c == 1 && n < 3)) return KX_MODL_ERR_CLOSED_FLAG;
        if (!within(value_of(degree), 1, kMaxDegree)) return KX_MODL_ERR_DEGREE;
    }
    if (!tolerances || !result) return KX_MODL_ERR_NO_FEATURE_CREATED;
    const std::array<double, 3> tol = working_tolerances(tolerances);
    return with_temp_mark("KXAPI Create Thru Curves", [&] {
        Profiles p;
        tolerance_texts(tolerances);
        double six[6] = {};
        if ((align == 3 || align == 4) && values) std::copy(values, values + (align == 3 ? 3 : 6), six);
        alignment_texts(six);
        g_block.ints[0] = align == 6 ? 7 : align;
        g_block.ints[1] = kind == 2 && *closed == 1 ? 3 : kind;
        g_block.ints[3] = kind == 1 ? 0 : *degree;
        g_block.ints[4] = kind == 1 ? 0 : *closed;
        if (kind == 2 && n < *degree + 1) return static_cast<int>(KX_MODL_ERR_SECTION_COUNT);
        g_block.ints[2] = SKIN_ask_fit_method(tolerances[0], g_block.ints[0]);
        if (int st = p.validate(0, 1, SKIN_KIND_THRU_CURVES, 0, sections, tol.data(), Role::section)) return st;
        if (align == 5)
            if (int st = p.validate(4, 5, SKIN_KIND_THRU_CURVES, 0, spine, tol.data(), Role::spine)) return st;
        SKIN_set_plane_tol_condition(0, p[0], tol[0]);
        const int allowed = SKIN_ask_solid_condition(1, 0, p[0], p[4]);
        int solid = 0;
        const int boolean = solid_boolean(value_of(body_option, 0), allowed, boolean_type, &solid);
        int flags[2] = {};
        compact_faces(faces, 2, flags);
        static constexpr double kPair[2] = {1.0, 1.0};
        tag made = NULL_TAG;
        int failed = 0;
        SKIN_CONSTR_create_frec(SKIN_KIND_THRU_CURVES, boolean, g_block.texts, g_block.ints, g_block.align, p.all(),
                                solid, faces, flags, continuity, 0, kPair, 4, &made, &failed);
        regenerate_created_object(made);
        if (failed) return static_cast<int>(KX_MODL_ERR_NO_FEATURE_CREATED);
        *result = made;
        return 0;
    });
}

int create_ruled(string_list* sections, string_list* spine, int* alignment, double values[6], int* end_option,
                 int* body_option, int boolean_type, double tolerances[3], tag* result, const char* mark) {
    if (result) *result = NULL_TAG;
    if (strings_in(sections) != 2) return KX_MODL_ERR_SECTION_COUNT;
    const int align = value_of(alignment);
    if (!within(align, 1, 5)) return KX_MODL_ERR_ALIGNMENT;
    if (align == 3 && (!values || !has_length(values))) return KX_MODL_ERR_TRANSFORM_REFUSED;
    const int n_spine = spine_strings(spine);
    if (align == 5 && n_spine != 1) return KX_MODL_ERR_SPINE_COUNT;
    if (!within(value_of(end_option), 0, 1)) return KX_MODL_ERR_END_OPTION;
    if (!within(n_spine, 0, 1)) return KX_MODL_ERR_SPINE_COUNT;
    if (!tolerances || !result) return KX_MODL_ERR_NO_FEATURE_CREATED;
    const std::array<double, 3> tol = working_tolerances(tolerances);
    return with_temp_mark(mark, [&] {
        Profiles p;
        tolerance_texts(tolerances);
        double six[6] = {};
        if ((align == 3 || align == 4) && values) std::copy(values, values + (align == 3 ? 3 : 6), six);
        alignment_texts(six);
        g_block.ints[0] = align;
        g_block.ints[1] = 2;
        g_block.ints[3] = 1;
        g_block.ints[4] = 0;
        g_block.ints[2] = SKIN_ask_fit_method(tolerances[0], align);
        if (int st = p.validate(0, 1, SKIN_KIND_RULED, *end_option, sections, tol.data(), Role::section)) return st;
        if (align == 5)
            if (int st = p.validate(4, 5, SKIN_KIND_RULED, 0, spine, tol.data(), Role::spine)) return st;
        SKIN_set_plane_tol_condition(0, p[0], tol[0]);
        const int allowed = SKIN_ask_solid_condition(1, 0, p[0], p[4]);
        int solid = 0;
        const int boolean = solid_boolean(value_of(body_option, 0), allowed, boolean_type, &solid);
        tag made = NULL_TAG;
        int failed = 0;
        SKIN_ui_create(SKIN_KIND_RULED, boolean, g_block.texts, g_block.ints, g_block.align, p.all(), solid, &made,
                       &failed);
        regenerate_created_object(made);
        if (failed) return static_cast<int>(KX_MODL_ERR_NO_FEATURE_CREATED);
        *result = made;
        return 0;
    });
}

int create_bplane(string_list* boundaries, double tolerances[3], tag* result) {
    if (result) *result = NULL_TAG;
    if (!within(strings_in(boundaries), 1, kMaxStrings)) return KX_MODL_ERR_SECTION_COUNT;
    if (!tolerances || !result) return KX_MODL_ERR_NO_FEATURE_CREATED;
    return with_temp_mark("KXAPI Create Bplane", [&] {
        Profiles p;
        tolerance_texts(tolerances);
        const double working[3] = {srfc1_[0], tolerances[1], tolerances[2]};
        CMP_strings_t* reordered = CMP_reorder_strings(host_list(boundaries), 1, 5, 0, working);
        int st = 0;
        {
            struct Release {
                CMP_strings_t* l;
                ~Release() {
                    kx::release([this] { CMP_free_string_list(l); });
                    // Arrays the host could not take back go to the allocator.
                    kx::release([this] {
                        for (void* a : {static_cast<void*>(l->per_string), static_cast<void*>(l->dir),
                                        static_cast<void*>(l->objects)})
                            if (a) SM_free(a);
                        *l = CMP_strings_t{};
                    });
                    kx::release([this] { SM_free(l); });
                }
            } release{reordered};
            st = p.validate(0, 1, SKIN_KIND_BPLANE, 0, reinterpret_cast<const string_list*>(reordered), working,
                            Role::section);
        }
        if (st != 0) return st;
        switch (SKIN_ask_bplane_condition(0, p[0])) {
        case SKIN_BPLANE_NOT_PLANAR: return static_cast<int>(KX_MODL_ERR_SPINE_CONDITION);
        case SKIN_BPLANE_CROSSING: return static_cast<int>(KX_MODL_ERR_SECTION_CLASS_6);
        default: break;
        }
        tag made = NULL_TAG;
        int failed = 0;
        SKIN_ui_create(SKIN_KIND_BPLANE, 0, g_block.texts, g_block.ints, g_block.align, p.all(), 0, &made, &failed);
        regenerate_created_object(made);
        if (failed) return static_cast<int>(KX_MODL_ERR_NO_FEATURE_CREATED);
        *result = made;
        return 0;
    });
}

}  // namespace kx::modl::freeform
