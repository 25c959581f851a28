// Free-form sheets made from faces, sheets and points: variable offsets,
// thickened sheets, bridge faces, surfaces fitted to point clouds and
// reversed normals, each under a temporary undo mark of the free-form
// family and handed to the host's sheet constructors.
#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "kx_codes.h"
#include "kx_modl_cre_ff.h"
#include "kx_mtx.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/mtx/kx_mtx_internal.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/sheets.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace ff = kx::modl::freeform;

namespace {

constexpr int kEntityBody = 70;
constexpr int kAlive = 3;
constexpr std::size_t kVaroffText = 256;
constexpr std::size_t kThickenChars = THICKEN_SHEET_TEXT - 1;

bool alive(tag t) { return t != NULL_TAG && TAG_ask_pointer_of_tag(t) && es0022_(&t) == kAlive; }
tag entity_of(tag t) {
    unsigned int entity = 0;
    int faces = 0;
    es7034_(&t, &entity, &faces);
    return entity;
}
bool is_edge(tag t) { return es0017_(&t) == ES_CLASS_EDGE; }

// The fourteen texts handed to the host, from the host allocator; freed
// when the call is over (the host keeps copies of its own).
class VaroffTexts {
public:
    VaroffTexts() {
        try {
            for (char*& t : texts_) {
                t = static_cast<char*>(SM_alloc(kVaroffText));
                t[0] = '\0';
            }
        } catch (...) {
            free_all();  // no destructor runs for a constructor that fails
            throw;
        }
    }
    ~VaroffTexts() { free_all(); }
    VaroffTexts(const VaroffTexts&) = delete;
    VaroffTexts& operator=(const VaroffTexts&) = delete;
    void put(int i, const char* text) { std::snprintf(texts_[i], kVaroffText, "%s", text); }
    void put(int i, double value) {
        char t[EXP_VALUE_CHARS];
        EXP_format_value(value, t);
        put(i, t);
    }
    char* const* all() const { return texts_.data(); }

private:
    void free_all() {
        kx::release([this] {
            for (char*& t : texts_)
                if (t) SM_free(std::exchange(t, nullptr));
        });
    }
    std::array<char*, VAROFF_N_TEXTS> texts_{};
};

int variable_offset(tag face, char* offsets[4], double points[4][2], tag* result) {
    if (!offsets) return KX_ERR_BAD_PARAM_2;
    for (int i = 0; i < 4; ++i)
        if (!offsets[i] || std::strlen(offsets[i]) >= kVaroffText) return KX_ERR_BAD_PARAM_2;
    if (!points) return KX_ERR_BAD_PARAM_3;
    return ff::with_temp_mark("KXAPI Create Variable Offset", [&] {
        kx::clear(result);
        const unsigned int entity = entity_of(face);
        int kernel_face = 0;
        if (entity != 0) es7010_occ_(&entity, &kernel_face);
        if (kernel_face == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
        double u[2] = {}, v[2] = {};
        int ifail = 0;
        KI_enpben(&kernel_face, u, v, &ifail);
        if (ifail != 0) return static_cast<int>(KX_MODL_ERR_FACE_PARAMETERS);
        for (int i = 0; i < 4; ++i)
            if (!(points[i][0] >= u[0] && points[i][0] <= u[1] && points[i][1] >= v[0] && points[i][1] <= v[1]))
                return static_cast<int>(KX_ERR_BAD_PARAM_3);
        VaroffTexts texts;
        for (int i = 0; i < 4; ++i) texts.put(i, offsets[i]);
        for (int i = 0; i < 4; ++i) {
            texts.put(4 + 2 * i, points[i][0]);
            texts.put(5 + 2 * i, points[i][1]);
        }
        texts.put(12, srfc1_[0]);
        texts.put(13, srfc1_[1]);
        unsigned int feature = 0;
        int error = 0;
        VAROFF_create_frec(entity, texts.all(), &feature, &error);
        if (error != 0) return static_cast<int>(KX_MODL_ERR_OFFSET_NOT_MADE);
        const int top = FREC_ask_top_target_of_frec(feature);
        unsigned int body = 0;
        pxlook_(&top, &body);
        if (body == NULL_TAG) return static_cast<int>(KX_MODL_ERR_OFFSET_NOT_MADE);
        *result = body;
        return 0;
    });
}

int thicken_answer(int answer, THICKEN_SHEET_rec_t& record) {
    switch (answer) {
    case THICKEN_DONE: return 0;
    case THICKEN_NOT_A_SHEET: return KX_MODL_ERR_THICKEN_NOT_SHEET;
    case THICKEN_FAILED_FACES:
        if (record.n_faces != 0) SM_free(std::exchange(record.faces, nullptr));
        return KX_MODL_ERR_THICKEN_FAILED;
    case THICKEN_BAD_OFFSET: return KX_MODL_ERR_THICKEN_OFFSET;
    case THICKEN_UNITE_FAILED: return KX_MODL_ERR_UNITE_FAILED;
    case THICKEN_SUBTRACT_FAILED: return KX_MODL_JOIN_DONE;
    case THICKEN_INTERSECT_FAILED: return KX_MODL_ERR_INTERSECT_FAILED;
    case THICKEN_TARGET_NOT_SOLID: return KX_MODL_ERR_TARGET_NOT_SOLID;
    default: return KX_MODL_ERR_THICKEN_FAILED;
    }
}

int thicken_sheet(tag sheet, const char* first, const char* second, int boolean_type, tag* result) {
    return ff::with_temp_mark("KXAPI Create Thicken Sheet", [&] {
        if (boolean_type < 0 || boolean_type > 3) return static_cast<int>(KX_ERR_BAD_PARAM_3);
        unsigned int target = 0;
        if (boolean_type != 0) {
            const unsigned int bref = BREF_ask_current_bref(CONTEXT_ask_work_part());
            if (bref == 0) return static_cast<int>(KX_ERR_BAD_PARAM_3);
            target = BREF_ask_jqeid_of_bref(bref);
        }
        if (!first || std::strlen(first) > kThickenChars) return static_cast<int>(KX_ERR_BAD_PARAM_2);
        if (!second || std::strlen(second) > kThickenChars) return static_cast<int>(KX_ERR_BAD_PARAM_3);
        THICKEN_SHEET_rec_t record{};
        record.sheet = sheet;
        std::memcpy(record.first_offset, first, std::strlen(first) + 1);
        std::memcpy(record.second_offset, second, std::strlen(second) + 1);
        record.boolean_type = boolean_type;
        record.target = target;
        record.tolerance = srfc1_[0];
        unsigned int feature = 0;
        const int st = thicken_answer(THICKEN_SHEET_construct(&record, &feature), record);
        if (st == 0) *result = feature;
        return st;
    });
}

// The validated profiles of the side strings, freed on every way out.
class SideProfiles {
public:
    ~SideProfiles() {
        kx::release([this] {
            for (int& p : ids_)
                if (p != 0) CMP_free_cmp_profile(std::exchange(p, 0));
        });
    }
    // Validates the side string into profile i; its curve in *curve.
    int take(int i, const string_list* strings, int* curve) {
        CMP_create_cmp_profile(&ids_[i]);
        const double tolerances[2] = {srfc1_[0], 0.0};
        int error = 0;
        CMP_validate_strings(0, 1, 2, 0, reinterpret_cast<const CMP_strings_t*>(strings), tolerances, ids_[i], &error);
        if (error != 0) return ff::class_code(ff::Role::primary, error);
        *curve = CMP_set_cm_from_cmp(ids_[i], 0, 0, 0, srfc1_[0], 1);
        return 0;
    }

private:
    std::array<int, 2> ids_{};
};

int bridge_face(int bridge_type, tag faces[2], tag edges[2], int directions[2], string_list* string1,
                string_list* string2, tag side_faces[2], tag side_edges[2], tag* result) {
    if (bridge_type != 1 && bridge_type != 2) return KX_CURVE_ERR_BRIDGE_METHOD;
    const tag sf[2] = {side_faces ? side_faces[0] : NULL_TAG, side_faces ? side_faces[1] : NULL_TAG};
    const tag se[2] = {side_edges ? side_edges[0] : NULL_TAG, side_edges ? side_edges[1] : NULL_TAG};
    if (!faces || !edges) return KX_MODL_ERR_NO_OBJECT_DATA;
    bool ok = true;
    for (int i = 0; i < 2; ++i) {
        ok = alive(faces[i]) && ok;
        ok = alive(edges[i]) && ok;
        if (sf[i] != NULL_TAG) ok = alive(sf[i]) && ok;
        if (se[i] != NULL_TAG) ok = alive(se[i]) && ok;
    }
    if (!ok) return KX_MODL_ERR_NO_OBJECT_DATA;
    unsigned int main_entity[2] = {}, side_entity[2] = {};
    for (int i = 0; i < 2; ++i) {
        ok = (main_entity[i] = entity_of(faces[i])) != 0 && ok;
        if (sf[i] != NULL_TAG) ok = (side_entity[i] = entity_of(sf[i])) != 0 && ok;
    }
    if (!ok) return KX_MODL_ERR_FACE_DATA;
    for (int i = 0; i < 2; ++i) {
        ok = is_edge(edges[i]) && ok;
        if (se[i] != NULL_TAG) ok = is_edge(se[i]) && ok;
    }
    if (!ok) return KX_MODL_ERR_BODY_EDGES_UNAVAILABLE;
    if (!directions || (directions[0] != 1 && directions[0] != -1) || (directions[1] != 1 && directions[1] != -1))
        return KX_MODL_ERR_EDGE_DIRECTION;
    return ff::with_temp_mark("KXAPI Create Bridge Face", [&] {
        SideProfiles profiles;
        int curves[2] = {};
        int n_curves = 0;
        // The second side string counts only with a first.
        if (string1) {
            if (int st = profiles.take(0, string1, &curves[n_curves])) return st;
            ++n_curves;
            if (string2) {
                if (int st = profiles.take(1, string2, &curves[n_curves])) return st;
                ++n_curves;
            }
        }
        const int sides = (sf[0] != NULL_TAG) + (sf[1] != NULL_TAG);
        if (sides + n_curves > 2) return static_cast<int>(KX_MODL_ERR_TOO_MANY_SIDES);
        BRIDGESRF_data_t data;
        BRIDGESRF_init_data(&data);
        int n_faces = 2;
        for (int i = 0; i < 2; ++i) {
            data.faces[i] = main_entity[i];
            data.edges[i] = edges[i];
            data.directions[i] = directions[i];
            data.types[i] = bridge_type;
            if (sf[i] != NULL_TAG) {
                data.faces[n_faces] = side_entity[i];
                data.edges[n_faces] = se[i];
                data.types[n_faces] = bridge_type;
                ++n_faces;
            }
        }
        data.n_faces = n_faces;
        data.curves[0] = curves[0];
        data.curves[1] = curves[1];
        data.n_curves = n_curves;
        data.tolerance = srfc1_[0];
        data.angle_tolerance = 0.0;
        int error = 0;
        BRIDGESRF_pi_method(&data, &error);
        switch (error) {
        case 0: *result = data.created; return 0;
        case BRIDGESRF_ERR_BAD_INPUT: return static_cast<int>(KX_MODL_ERR_BRIDGE_INPUT);
        case BRIDGESRF_ERR_NOT_BUILT: return static_cast<int>(KX_MODL_ERR_BSURF_NOT_CONVERTIBLE);
        default: return static_cast<int>(KX_MODL_ERR_BRIDGE_FAILED);
        }
    });
}

void regenerate_created_object(tag made) {
    if (made == NULL_TAG) return;
    if (RM_ask_entity_type(made) == kEntityBody) UPDATE_do_update_no_message();
    DSS_REGEN_regen_object(made);
}

int surf_from_cloud(int n, double points[][3], double directions[6], cloud_boundary* boundary, int degree_u,
                    int degree_v, int patches_u, int patches_v, int option, double* mean_error, double* max_error,
                    int* farthest, tag* result) {
    return ff::with_temp_mark("KXAPI Create Surface From Cloud", [&] {
        kx::clear(result);
        double frame[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
        bool matrix_failed = false;
        if (directions) matrix_failed = kx::mtx::frame_of_rows(directions, directions + 3, frame + 3) != 0;
        const CLOUD_boundary_t host_boundary{boundary ? boundary->n_points : 0, boundary ? boundary->points : nullptr};
        const bool convex =
            !boundary || CLOUD_is_boundary_convex(&host_boundary, directions && !matrix_failed ? frame : nullptr);
        if (n < 1 || !points) return static_cast<int>(KX_MODL_ERR_POINT_COUNT);
        if (matrix_failed) return static_cast<int>(KX_MODL_ERR_ORIENTATION);
        if (!convex) return static_cast<int>(KX_MODL_ERR_BOUNDARY_NOT_CONVEX);
        if (degree_u < 1 || degree_u > 24) return static_cast<int>(KX_MODL_ERR_DEGREE_U);
        if (degree_v < 1 || degree_v > 24) return static_cast<int>(KX_MODL_ERR_DEGREE);
        if (patches_u < 1 || patches_v < 1) return static_cast<int>(KX_MODL_ERR_PATCHES);
        if (option != 0 && option != 1) return static_cast<int>(KX_MODL_ERR_CLOUD_OPTION);
        // In 64 bits the product of two sums of 32-bit numbers cannot overflow.
        const long long needed = (static_cast<long long>(patches_u) + degree_u) *
                                 (static_cast<long long>(degree_v) + patches_v);
        if (n < needed) return static_cast<int>(KX_MODL_ERR_TOO_FEW_POINTS);
        unsigned int made = 0;
        const int st = CLOUD_surface_from_points(n, &points[0][0], directions ? frame + 3 : nullptr,
                                                 boundary ? &host_boundary : nullptr, degree_u, degree_v, patches_u,
                                                 patches_v, option, mean_error, max_error, farthest, &made);
        if (st != 0) return st;
        regenerate_created_object(made);
        *result = made;
        return 0;
    });
}

int reverse_normal(tag sheet, int force, tag* result) {
    return ff::with_temp_mark("KXAPI Create Reverse Normal", [&] {
        if (FLIPNORMAL_ask_other_features(sheet) && force == 0) return static_cast<int>(KX_MODL_ERR_LATER_FEATURES);
        unsigned int feature = 0;
        switch (FLIPNORMAL_construct(sheet, &feature)) {
        case 0: *result = feature; return 0;
        case 1: return static_cast<int>(KX_MODL_ERR_NOT_REVERSIBLE);
        case 2: return static_cast<int>(KX_MODL_ERR_LATER_FEATURES);
        default: return static_cast<int>(KX_MODL_ERR_REVERSE_FAILED);
        }
    });
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_variable_offset(tag face, char* offsets[4], double points[4][2], tag* result) {
    return kx::frame(kx::acknowledging, [&] {
        kx::clear(result);
        return variable_offset(face, offsets, points, result);
    });
}

KXAPI int KX_MODL_create_thicken_sheet(tag sheet, const char* first_offset, const char* second_offset,
                                       int boolean_type, tag* result) {
    return kx::frame(kx::acknowledging, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; },
                     [&] { return thicken_sheet(sheet, first_offset, second_offset, boolean_type, result); });
}

KXAPI int KX_MODL_create_bridge_face(int bridge_type, void* /*reserved*/, tag faces[2], tag edges[2],
                                     int directions[2], string_list* side_string1, string_list* side_string2,
                                     tag side_faces[2], tag side_edges[2], tag* result) {
    return kx::frame(kx::acknowledging, [&] {
        kx::clear(result);
        return bridge_face(bridge_type, faces, edges, directions, side_string1, side_string2, side_faces,
                           side_edges, result);
    });
}

KXAPI int KX_MODL_create_surf_from_cloud(int n_points, double points[][3], double directions[6],
                                         cloud_boundary* boundary, int degree_u, int degree_v, int patches_u,
                                         int patches_v, int option, double* mean_error, double* max_error,
                                         int* farthest, tag* result) {
    return kx::frame(kx::acknowledging, [&] {
        return surf_from_cloud(n_points, points, directions, boundary, degree_u, degree_v, patches_u, patches_v,
                               option, mean_error, max_error, farthest, result);
    });
}

KXAPI int KX_MODL_create_reverse_normal(tag sheet, int force, tag* result) {
    return kx::frame(kx::acknowledging, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; },
                     [&] { return reverse_normal(sheet, force, result); });
}

}  // extern "C"
