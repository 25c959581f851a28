// Trimmed sheets: the projection record translated between the caller's
// direction record and the host's method record, around the host's
// trimmed-sheet service, each call under its temporary undo mark.
#include "kx_codes.h"
#include "kx_modl_cre_ff.h"
#include "kx_modl_law.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"

#include "host/apps/modeling/freeform/trimmed_sheet.h"

namespace ff = kx::modl::freeform;

namespace {

enum class Payload { doubles, object, none };

struct Method {
    int caller_type;
    int host_method;
    Payload payload;
};

constexpr Method kMethods[] = {
    {0, 0, Payload::doubles}, {1, 1, Payload::object}, {5, 2, Payload::none},
    {6, 3, Payload::doubles}, {7, 4, Payload::object}, {8, 5, Payload::none},
};

// The caller's record in the host's terms; false for a type of no method.
bool to_host(const KX_MODL_vector& v, ST_projection_t& h) {
    for (const Method& m : kMethods) {
        if (m.caller_type != v.type) continue;
        h = ST_projection_t{};
        h.method = m.host_method;
        if (m.payload == Payload::doubles)
            for (int i = 0; i < 3; ++i) h.u.direction[i] = v.u.components[i];
        if (m.payload == Payload::object) h.u.object = v.u.axis;
        return true;
    }
    return false;
}

// The host's record written back into the type and payload of the caller's.
bool to_caller(const ST_projection_t& h, KX_MODL_vector& v) {
    for (const Method& m : kMethods) {
        if (m.host_method != h.method) continue;
        v.type = m.caller_type;
        if (m.payload == Payload::doubles)
            for (int i = 0; i < 3; ++i) v.u.components[i] = h.u.direction[i];
        if (m.payload == Payload::object) v.u.axis = h.u.object;
        return true;
    }
    return false;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_trimmed_sheet(tag sheet, int n_bounds, tag* bounds, KX_MODL_vector* projection,
                                       int n_points, double* points, int region, double distance_tolerance,
                                       double angle_tolerance, tag* body, int* n_faces, tag* feature) {
    return kx::frame(kx::no_check, [&] {
        return ff::with_temp_mark("KXAPI Create Trimmed Sheet", [&] {
            ST_projection_t method{};
            if (!projection || !to_host(*projection, method)) return static_cast<int>(KX_MODL_ERR_PROJECTION_METHOD);
            return ST_kx_create_trimmed_sheet(sheet, n_bounds, bounds, &method, n_points, points, region,
                                              distance_tolerance, angle_tolerance, body, n_faces, feature);
        });
    });
}

KXAPI int KX_MODL_edit_trimmed_sheet(tag feature, int n_bounds, tag* bounds, KX_MODL_vector* projection,
                                     int n_points, double* points, int region, double distance_tolerance,
                                     double angle_tolerance) {
    return kx::frame(kx::no_check, [&] {
        return ff::with_temp_mark("KXAPI Edit Trimmed Sheet", [&] {
            ST_projection_t method{};
            if (!projection || !to_host(*projection, method)) return static_cast<int>(KX_MODL_ERR_PROJECTION_METHOD);
            return ST_kx_edit_trimmed_sheet(feature, n_bounds, bounds, &method, n_points, points, region,
                                            distance_tolerance, angle_tolerance);
        });
    });
}

KXAPI int KX_MODL_ask_trimmed_sheet(tag feature, tag* sheet, int* n_bounds, tag** bounds,
                                    KX_MODL_vector* projection, int* n_points, double** points, int* region,
                                    double tolerances[2]) {
    return kx::frame(kx::no_check, [&] {
        return ff::with_temp_mark("KXAPI Ask Trimmed Sheet", [&] {
            ST_projection_t method{};
            const int st = ST_kx_ask_trimmed_sheet(feature, sheet, n_bounds, bounds, &method, n_points, points,
                                                   region, tolerances);
            if (st != 0) return st;
            if (projection && to_caller(method, *projection)) return 0;
            // Nothing the caller cannot read back is handed out.
            kx::free_and_clear(*bounds);
            kx::free_and_clear(*points);
            return static_cast<int>(KX_MODL_ERR_PROJECTION_METHOD);
        });
    });
}

}  // extern "C"
