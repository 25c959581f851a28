// Coordinate systems, orientation matrices and the work coordinate system.
// Matrix and coordinate-system objects live in the host's part; here the
// arguments are checked and the host called.
#include "kx_csys.h"

#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/store/entities/csys_support.h"
#include "host/numeric/linalg.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/csys/kx_csys_internal.h"

namespace {

constexpr int kBadSpace = KX_CSYS_ERR_BAD_SPACE;
constexpr int kNullMatrix = KX_MODL_ERR_NO_OBJECT_DATA;  // modelling codes without a text here
constexpr int kNotAMatrix = KX_MODL_ERR_WRONG_OBJECT;

// The host's number of a coordinate space (1, 2, 3 -> 3, 4, 5), or 0.
int host_space(int space) { return space >= 1 && space <= 3 ? space + 2 : 0; }

// Entity type of a tag, 0 for no live object (asked without raising).
int type_of(tag object) { return host::objects::is_alive(object) ? RM_ask_entity_type(object) : 0; }

// The checks of the two coordinate-system builders.
int check_csys_args(tag matrix) {
    if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
    if (matrix == NULL_TAG) return kNullMatrix;
    if (type_of(matrix) != HOST_TYPE_MATRIX) return kNotAMatrix;
    return 0;
}

// Display, sketch and update bookkeeping after an object's matrix changed.
void after_matrix_edit(tag object) {
    if (DSS_ask_suppress_display() == 2) DSS_REGEN_regen_object(object);
    if (ES_find_sketch_of_member(object, nullptr) == 1) {
        unsigned int o = object;
        sk_edit_curve_(&o);
    }
    UPDATE_log_entity_to_update(object);
    UPDATE_log_entity_int_app_data(object, 3, 0);
}

// The work coordinate system becomes the coordinate system, and the display
// follows: the new one, its skeleton, the previous one, the work plane.
void set_wcs_and_show(tag csys) {
    const unsigned int previous = WCS_set(csys);
    if (DSS_ask_suppress_display() == 3) return;
    if (WCS_is_permanent()) {
        DSS_REGEN_regen_object(WCS_ask_tag());
    } else if (!WCS_is_temporary()) {
        DSS_update_work_plane_emphasis(0);
        return;
    }
    DSS_REGEN_regen_object(WCS_ask_skeleton());
    if (ES_is_eligible_for_display(previous)) DSS_REGEN_regen_object(previous);
    DSS_update_work_plane_emphasis(0);
}

}  // namespace

namespace kx::csys {

tag ask_wcs() { return WCS_ask_tag(); }

int ask_matrix_of_object(tag object, tag* matrix) {
    if (type_of(object) != HOST_TYPE_SOLID) {
        ES_ask_matrix_tag_of_entity(object, matrix);
        return 0;
    }
    return face_matrix(object, matrix);
}

void edit_matrix_of_object(tag object, tag matrix) {
    ES_replace_matrix_of_entity(object, matrix);
    after_matrix_edit(object);
}

}  // namespace kx::csys

extern "C" {

KXAPI int KX_CSYS_map_point(int input_space, const double point[3], int output_space, double result[3]) {
    const int in = host_space(input_space), out = host_space(output_space);
    if (in == 0 || out == 0) return kBadSpace;
    return kx::frame(kx::no_check, [&] {
        CONTEXT_adjust_point(in, point, out, result);
        return 0;
    });
}

KXAPI int KX_CSYS_create_matrix(const double values[9], tag* matrix) {
    kx::clear(matrix);  // first of all, so that every refusal leaves NULL_TAG
    return kx::frame(
        [&] {
            if (values == nullptr || !MTX3_is_ortho_normal(values)) return kx::param(1);
            return kx::check({{matrix, 2}});
        },
        [&] {
            ES_create_matrix_in_part(CONTEXT_ask_work_part(), values, 3, matrix);
            return 0;
        });
}

KXAPI int KX_CSYS_ask_matrix_values(tag matrix, double values[9]) {
    return kx::frame([&] {
        ES_ask_elements_of_matrix(matrix, values);
        return 0;
    });
}

KXAPI int KX_CSYS_ask_matrix_of_object(tag object, tag* matrix) {
    return kx::frame([&] { kx::clear(matrix); }, [&] { return kx::csys::ask_matrix_of_object(object, matrix); });
}

KXAPI int KX_CSYS_edit_matrix_of_object(tag object, tag matrix) {
    return kx::frame([&] { return kx::edit_with_tail([&] { kx::csys::edit_matrix_of_object(object, matrix); }); });
}

KXAPI int KX_CSYS_create_csys(const double origin[3], tag matrix, tag* csys) {
    return kx::frame([&] { return check_csys_args(matrix); },
                     [&] {
                         return kx::create_bracketed(0, csys, [&] {
                             ES_create_csys_0(origin, matrix, csys);
                             DSS_REGEN_regen_object(*csys);
                         });
                     });
}

KXAPI int KX_CSYS_create_temp_csys(const double origin[3], tag matrix, tag* csys) {
    return kx::frame([&] { return check_csys_args(matrix); },
                     [&] {
                         return kx::create_bracketed(0, csys, [&] {
                             unsigned int work_matrix = 0;
                             ES_create_csys_in_wkpt(matrix, &work_matrix, origin, 1, csys);
                         });
                     });
}

KXAPI int KX_CSYS_ask_csys_info(tag csys, tag* matrix, double origin[3]) {
    return kx::frame([&] {
        ES_ask_csys_origin(csys, origin);
        ES_ask_matrix_tag_of_entity(csys, matrix);
        return 0;
    });
}

KXAPI int KX_CSYS_set_origin(tag csys, const double origin[3]) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{csys != NULL_TAG, 1}, {origin, 2}});
        },
        [&] {
            const unsigned int c = csys;
            es4520_(&c, origin);
            return 0;
        });
}

KXAPI int KX_CSYS_set_wcs(tag csys) {
    // A host error on the way is handled here: the host does not report it
    // again. The display steps after WCS_set run under the edit's mark.
    return kx::frame(
        kx::acknowledging, [&] { return type_of(csys) == HOST_TYPE_CSYS ? 0 : kx::param(1); },
        [&] { return kx::edit_with_tail([&] { set_wcs_and_show(csys); }); });
}

KXAPI int KX_CSYS_ask_wcs(tag* csys) {
    return kx::frame(
        [&] {
            return kx::check({{csys, 1}});
        },
        [&] {
            *csys = kx::csys::ask_wcs();
            return 0;
        });
}

}  // extern "C"
