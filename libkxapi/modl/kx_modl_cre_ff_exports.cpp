// The exported free-form creators: frames around the creators of
// kx_modl_cre_ff.cpp, the target variants, string directions and the
// free-form result setting.
#include "kx_codes.h"
#include "kx_modl_cre_ff.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"

#include "host/kernel/curves/curve_queries.h"
#include "host/store/parts/rm.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/undo.h"
#include "host/apps/modeling/freeform/skinning.h"
#include "host/kernel/engine/kernel.h"

namespace ff = kx::modl::freeform;

namespace {

constexpr int kEntityBody = 70;
constexpr int kSubtypeEdge = 3;

// The kernel tag of the target, made the work part's current target; 0 or
// the code of a target with no kernel body.
int make_target_current(tag target) {
    if (ES_solid_ask_fermalith_tag(target) == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
    BREF_set_current_target(target);
    return 0;
}

int direction_of(const double point[3], tag object, int* direction) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    unsigned int snapshot = 0;
    tag curve = NULL_TAG;
    if (type == kEntityBody && subtype == kSubtypeEdge) {
        const unsigned int eref = CMP_ask_eref_of_edge(ES_solid_ask_fermalith_tag(object));
        if (CMP_create_snapshot(eref, 0, 1, &snapshot) != 0) return KX_MODL_ERR_WRONG_OBJECT;
        int error = 0;
        curve = CMP_ask_curve_snapshot(snapshot, 0, 0, -1.0, &error);
        if (error != 0) curve = NULL_TAG;
    } else if (es0017_(&object) == 1) {
        curve = object;
    }
    int st = KX_MODL_ERR_WRONG_OBJECT;
    if (curve != NULL_TAG) {
        *direction = CMP_get_sel_direction(curve, point, 0);
        st = 0;
    }
    if (snapshot != 0) CMP_delete_snapshot(snapshot);
    return st;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_sweep(string_list* guides, string_list* sections, string_list* spine,
                               sweep_method* orientation, sweep_method* scaling, int* alignment, int* section_method,
                               int* body_option, double tolerances[3], int* further, tag* result) {
    return kx::frame(
        kx::no_check, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; },
        [&] {
            return ff::create_sweep(guides, sections, spine, orientation, scaling, alignment, section_method,
                                    body_option, tolerances, further, result);
        });
}

KXAPI int KX_MODL_create_curve_mesh(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                                    int* mesh_method, int* body_option, int* mesh_flag, int boolean_type,
                                    double tolerances[3], tag faces[4], int continuity[4], tag* result) {
    return kx::frame(kx::no_check, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; }, [&] {
        return ff::create_curve_mesh(primary, cross, spine, end_option, mesh_method, body_option, mesh_flag,
                                     boolean_type, tolerances, faces, continuity, result);
    });
}

KXAPI int KX_MODL_create_thru_curves(string_list* sections, string_list* spine, int* patch_kind, int* alignment,
                                     double values[6], int* degree, int* closed, int* body_option, int boolean_type,
                                     double tolerances[3], tag faces[2], int continuity[2], tag* result) {
    return kx::frame(kx::no_check, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; }, [&] {
        return ff::create_thru_curves(sections, spine, patch_kind, alignment, values, degree, closed, body_option,
                                      boolean_type, tolerances, faces, continuity, result);
    });
}

KXAPI int KX_MODL_create_ruled(string_list* sections, string_list* spine, int* alignment, double values[6],
                               int* end_option, int* body_option, int boolean_type, double tolerances[3],
                               tag* result) {
    return kx::frame(kx::no_check, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; }, [&] {
        return ff::create_ruled(sections, spine, alignment, values, end_option, body_option, boolean_type, tolerances,
                                result, "KXAPI Create Ruled");
    });
}

KXAPI int KX_MODL_create_bplane(string_list* boundaries, double tolerances[3], tag* result) {
    return kx::frame(kx::no_check, kx::before_check([&] { return kx::clear(result), 0; }), [] { return 0; },
                     [&] { return ff::create_bplane(boundaries, tolerances, result); });
}

KXAPI int KX_MODL_create_curve_mesh1(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                                     int* mesh_method, int* body_option, int* reserved, int* mesh_flag,
                                     int boolean_type, tag target, double tolerances[3], tag faces[4],
                                     int continuity[4], int* further, tag* result) {
    (void)reserved;
    (void)further;
    return kx::frame(
        [&] {
            if (boolean_type < 0 || boolean_type > 3) return kx::param(8);
            if (boolean_type != 0 && target == NULL_TAG) return kx::param(9);
            kx::clear(result);
            return 0;
        },
        [&] {
            if (boolean_type != 0)
                if (int st = make_target_current(target)) return st;
            int scratch = 0;
            tag made = NULL_TAG;
            const int code = SKIN_cre_kx_curve_mesh1(
                1, &scratch, reinterpret_cast<const CMP_strings_t*>(primary),
                reinterpret_cast<const CMP_strings_t*>(cross), reinterpret_cast<const CMP_strings_t*>(spine),
                end_option, mesh_method, body_option, mesh_flag, boolean_type, boolean_type ? target : NULL_TAG,
                tolerances, faces, continuity, &made);
            return ff::target_variant_result(code, made, result);
        });
}

KXAPI int KX_MODL_create_thru_curves1(string_list* sections, string_list* spine, int* patch_kind, int* alignment,
                                      double values[6], int* degree, int* closed, int* reserved, int* body_option,
                                      int boolean_type, tag target, double tolerances[3], tag faces[2],
                                      int continuity[2], int* further1, int* further2, tag* result) {
    (void)reserved;
    (void)further1;
    (void)further2;
    return kx::frame(
        [&] {
            if (boolean_type < 0 || boolean_type > 3) return kx::param(9);
            if (boolean_type != 0 && target == NULL_TAG) return kx::param(10);
            return 0;
        },
        [&] {
            if (boolean_type != 0)
                if (int st = make_target_current(target)) return st;
            int scratch = 0;
            tag made = NULL_TAG;
            const int code = SKIN_cre_kx_thru_curves1(
                1, &scratch, reinterpret_cast<const CMP_strings_t*>(sections),
                reinterpret_cast<const CMP_strings_t*>(spine), patch_kind, alignment, values, 0, 0, 0, degree, closed,
                body_option, boolean_type, boolean_type ? target : NULL_TAG, tolerances, faces, continuity, &made);
            return ff::target_variant_result(code, made, result);
        });
}

KXAPI int KX_MODL_create_ruled1(string_list* sections, string_list* spine, int* alignment, double values[6],
                                int* end_option, int* body_option, int boolean_type, tag target,
                                double tolerances[3], tag* result) {
    return kx::frame(
        [&] {
            kx::clear(result);
            if (boolean_type < 0 || boolean_type > 3) return kx::param(7);
            if (boolean_type != 0 && target == NULL_TAG) return kx::param(8);
            return 0;
        },
        [&] {
            if (boolean_type != 0 && ES_solid_ask_fermalith_tag(target) == 0)
                return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            return ff::with_temp_mark("KXAPI Create Ruled1", [&] {
                if (boolean_type != 0) BREF_set_current_target(target);
                return ff::create_ruled(sections, spine, alignment, values, end_option, body_option, boolean_type,
                                        tolerances, result, "KXAPI Create Ruled");
            });
        });
}

KXAPI int KX_MODL_assign_string_directions(double points[][3], string_list* strings) {
    return kx::frame(kx::no_check, [&] {
        if (!strings || strings->count <= 0) return 0;
        if (!points || !strings->per_string || !strings->objects || !strings->dir)
            return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
        int at = 0;
        for (int i = 0; i < strings->count; ++i) {
            int direction = 0;
            if (int st = direction_of(points[i], strings->objects[at], &direction)) return st;
            strings->dir[i] = direction;
            at += strings->per_string[i];
        }
        return 0;
    });
}

KXAPI int KX_MODL_get_curve_edge_direction(double point[3], tag object, int* direction) {
    // Any failure to find the curve, a host error included, is one answer.
    const int st = kx::frame(
        [&] {
            kx::clear(direction);
            return point && direction ? 0 : static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
        },
        [&] { return direction_of(point, object, direction); });
    return st == 0 || st == KX_ERR_NOT_INITIALIZED ? st : static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
}

KXAPI int KX_MODL_ask_free_form_result(int* result) {
    return kx::frame([&] { return kx::check({{result, 1}}); },
                     [&] {
                         *result = simpsurf_[0] != 0 ? 1 : 0;
                         return 0;
                     });
}

KXAPI int KX_MODL_set_free_form_result(int value) {
    return kx::frame([&] {
        simpsurf_[0] = value != 0 ? 1 : 0;
        return 0;
    });
}

}  // extern "C"
