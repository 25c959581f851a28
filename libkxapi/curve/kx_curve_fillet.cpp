// The curve fillet: an arc of a radius between two curves (or a curve and
// a point), optionally trimming the curves to it, kept consistent with the
// sketches that hold them.
#include <cstdio>
#include <cstring>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/fillet.h"
#include "kx_codes.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"
#include "libkxapi/curve/kx_curve_internal.h"
#include "libkxapi/obj/kx_obj_internal.h"

namespace {

// The number of the last fillet arc named in a sketch, for the process.
int g_sketch_arcs = 0;

bool is_fillet_object(int type) {
    return type == HOST_TYPE_POINT || type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC ||
           type == HOST_TYPE_SPLINE;
}

// The arc joins the sketch of both its curves: variables, equations,
// membership, a name and an update entry.
void join_sketch(tag sketch, tag arc) {
    SK_data_t data{};
    estc12_(&sketch, &data);
    int first = 0;
    sk_create_variables(sketch, arc, 5, &first);
    sk_cre_arc_axm_eqns(sketch, arc, first);
    estt20_(&sketch, &arc);
    char name[133];
    const int length = std::snprintf(name, sizeof name, "ARC%d", ++g_sketch_arcs);
    int result = 0;
    ES_add_entity_name(arc, name, length, &result);
    const int kind = 5;
    tol002_(&kind);
    UPDATE_log_entity_to_update(arc);
}

// Logs the disconnected curves for deletion under the update lock, then
// updates the model.
int delete_and_update(const tag objects[2], const bool disconnected[2]) {
    kx::obj::DeleteList list;
    const int was = UPDATE_lock(1);
    try {
        for (int i = 0; i < 2; ++i)
            if (disconnected[i]) UPDATE_log_entity_to_delete(objects[i]);
    } catch (...) {
        kx::release([&] { UPDATE_lock(was); }, true);
        list.abandon();
        throw;
    }
    UPDATE_lock(was);
    if (list.opened()) return list.finish();
    return UPDATE_do_update();
}

int make_fillet(tag objects[2], const double centre[3], double radius, const int trims[2], tag* fillet) {
    unsigned int arc = 0;
    int status = 0;
    double trim_points[6] = {0, 0, 0, 0, 0, 0}, values[2] = {0, 0}, angles[2] = {0, 0};
    k0568_(objects, centre, &radius, &arc, &status, trim_points, values, angles);
    switch (status) {
        case FILLET_NOT_PLANAR: return KX_CURVE_ERR_FILLET_NOT_PLANAR;
        case FILLET_BAD_RADIUS: return KX_CURVE_ERR_FILLET_RADIUS;
        case FILLET_NO_ARC: return KX_CURVE_ERR_FILLET_NO_ARC;
        default: break;
    }
    bool point[2], in_sketch[2] = {false, false}, disconnected[2] = {false, false};
    tag sketch[2] = {NULL_TAG, NULL_TAG};
    for (int i = 0; i < 2; ++i) point[i] = kx::curve::type_of(objects[i]).type == HOST_TYPE_POINT;
    const bool both_trims = trims[0] == 1 && trims[1] == 1;
    if (!point[0] && both_trims) sweep_connect_curves(arc, objects);
    for (int i = 0; i < 2; ++i)
        if (!point[i]) in_sketch[i] = ES_find_sketch_of_member(objects[i], &sketch[i]) == 1;
    for (int i = 0; i < 2; ++i) {
        if (point[i] || trims[i] != 1) continue;
        // A point of the arc between its ends shows which piece goes.
        double w1[CRV_WORK_DOUBLES], w2[CRV_WORK_DOUBLES], inside[3];
        e7009_(&arc, w1, w2);
        const double mid = (w1[2] + w1[3]) / 2;
        e0500_(w1, &mid, inside);
        const int mode = 1;
        int trimmed = 0;
        k0576_(&objects[i], &arc, &mode, inside, trim_points + 3 * i, &values[i], &trimmed);
        if (trimmed == TRIM_REFUSED) return KX_MODL_ERR_TRIM_FAILED;
        if (trimmed == TRIM_NOTHING_LEFT) {
            sweep_disconnect(objects[i]);
            disconnected[i] = true;
        } else if (in_sketch[i]) {
            sk_edit_curve_(&objects[i]);
        }
    }
    const bool one_sketch = !point[0] && !point[1] && in_sketch[0] && in_sketch[1] && sketch[0] == sketch[1];
    if (one_sketch && both_trims) {
        join_sketch(sketch[0], arc);
    } else if (point[0] || point[1] || !both_trims) {
        unsigned int curves[2];
        int n = 0;
        for (int i = 0; i < 2; ++i) {
            if (point[i]) continue;
            curves[n++] = objects[i];
            if (trims[i] == 1 && !disconnected[i]) {
                UPDATE_log_entity_to_update(objects[i]);
                UPDATE_log_entity_int_app_data(objects[i], 3, 0);
            }
        }
        UPDATE_log_entity_to_update(arc);
        UPDATE_log_entity_int_app_data(arc, 3, 0);
        du533_(&arc, &n, curves);
    }
    if (int st = delete_and_update(objects, disconnected)) return st;
    DSS_REGEN_regen_object(arc);
    *fillet = arc;
    return 0;
}

}  // namespace

KXAPI int KX_CURVE_create_fillet(int kind, tag objects[2], double centre[3], double radius, int trims[2],
                                            int* further, tag* fillet) {
    (void)further;  // accepted, not read
    kx::clear(fillet);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (!objects) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            for (int i = 0; i < 2; ++i)
                if (!is_fillet_object(kx::curve::type_of(objects[i]).type)) return static_cast<int>(KX_ERR_BAD_PARAM_2);
            if (!trims) return static_cast<int>(KX_ERR_BAD_PARAM_7);
            for (int i = 0; i < 2; ++i)
                if (trims[i] != 0 && trims[i] != 1) return static_cast<int>(KX_ERR_BAD_PARAM_7);
            return kx::check({{centre, 3}, {fillet, 8}});
        },
        [&] {
            if (kind != 0) return static_cast<int>(KX_ERR_BAD_PARAM_1);
            // The arc, the trims and the sketch records are one change: a
            // failure on the way takes them all back.
            return kx::curve::model_change([&] { return make_fillet(objects, centre, radius, trims, fillet); });
        });
}
