// Datum planes and axes, points features and hollows read back.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "kx_codes.h"
#include "kx_modl_parms.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_parms_shared.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/store/entities/entity_types.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/feature_parms.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/model/feature/profiles.h"
#include "host/base/services/memory.h"
#include "host/base/services/sets.h"

namespace {

namespace km = kx::modl;

constexpr int kOtherKind = KX_MODL_ERR_WRONG_KIND;

// A datum query of a feature that made no datum of the kind: the host's
// code is taken as the feature being of another kind.
bool no_datum(int code) { return code == FPARMS_ERR_NO_DATUM; }
int as_other_kind(int st) { return no_datum(st) ? kOtherKind : st; }
constexpr kx::Opts kDatumFrame{.acknowledge = no_datum};

// The assignment of an expression (none: NULL), held until handed out.
kx::host_ptr<char> assignment(unsigned int exp) {
    char* text = nullptr;
    if (exp != 0)
        if (int st = EXP_ask_assignment_of_exp(exp, &text))
            ERROR_raise("kx_modl_parms", 0, st, "the expression %u has no assignment", exp);
    return kx::host_ptr<char>(text);
}

bool is_angle_plane(const std::string& type) {
    return type == "EDGE_ANGLE_DATUM_PLANE" || type == "AXIS_ANGLE_DATUM_PLANE" || type == "CYL_ANGLE_DATUM_PLANE";
}

// A host set of objects, deleted by close() or when the call ends.
struct HostSet {
    int id = OM_create_set();
    void close() { OM_delete_set(std::exchange(id, 0)); }
    ~HostSet() {
        if (id != 0) kx::release([s = id] { OM_delete_set(s); });
    }
};

}  // namespace

KXAPI int KX_MODL_ask_datum_plane_parms(tag feature, double point[3], double normal[3], char** offset,
                                                   char** angle) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            for (double* v : {point, normal})
                if (v) std::fill(v, v + 3, 0.0);
            kx::clear(offset, angle);
            return 0;
        }),
        [&] { return kx::check({{point, 2}, {normal, 3}, {offset, 4}, {angle, 5}}); },
        [&] {
            if (!km::is_feature(feature)) return kOtherKind;
            const unsigned int plane = FPARMS_ask_datum_of_frec(feature, HOST_TYPE_DATUM_PLANE);
            if (plane == 0) return kOtherKind;
            const kx::host_ptr<char> raw(ui_get_feature_type(feature));
            const std::string type = raw ? raw.get() : "";
            kx::host_ptr<char> first, turned;
            if (type == "DATUM_PLANE" && DPLANE_ask_plane_kind(feature) == 1) {
                const FREC_parms_t* parms = FREC_ask_parms_of_frec(feature);
                if (parms && parms->count > 0) first = assignment(parms->exps[0]);
            } else if (is_angle_plane(type)) {
                turned = assignment(FREC_ask_parm_exp(feature, "Angle"));
            }
            double corners[12], n[3];
            DPLANE_ask_end_points(plane, corners);
            DPLANE_ask_direction(plane, n);
            const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int i = 0; i < 3; ++i) {
                point[i] = (corners[6 + i] - corners[i]) * 0.5 + corners[i];
                normal[i] = len > 0 ? n[i] / len : 0.0;
            }
            *offset = first.release();
            *angle = turned.release();
            return 0;
        });
}

KXAPI int KX_MODL_ask_datum_axis_parms(tag feature, double point[3], double direction[3]) {
    const int st = kx::frame(
        kDatumFrame,
        kx::before_check([&] {
            for (double* v : {point, direction})
                if (v) std::fill(v, v + 3, 0.0);
            return 0;
        }),
        [&] { return kx::check({{point, 2}, {direction, 3}}); },
        [&] {
            if (!km::is_feature(feature)) return kOtherKind;
            double p[3], d[3];
            const int st = kx::undo_bracket(1, nullptr, [&] {
                const unsigned int axis = FPARMS_ask_datum_of_frec(feature, HOST_TYPE_DATUM_AXIS);
                DAXIS_ask_point(axis, p);
                DAXIS_ask_direction(axis, d);
                return 0;
            });
            if (st != 0) return st;
            std::copy(p, p + 3, point);
            std::copy(d, d + 3, direction);
            return 0;
        });
    return as_other_kind(st);
}

KXAPI int KX_MODL_ask_datum_point_and_direction(tag feature, double point[3], double direction[3]) {
    const int st = kx::frame(kDatumFrame, [&] { return kx::check({{point, 2}, {direction, 3}}); },
                             [&] {
                                 if (!km::is_feature(feature)) return kOtherKind;
                                 DATUM_ask_point_and_direction(feature, point, direction);
                                 return 0;
                             });
    return as_other_kind(st);
}

KXAPI int KX_MODL_ask_points_parms(tag feature, int* count, tag** points) {
    return kx::frame([&] { return kx::check({{count, 2}, {points, 3}}); },
                     [&] {
                         if (!km::is_feature(feature) || !POINT_is_points_frec(feature)) return kOtherKind;
                         HostSet children;
                         FMI_invoke_ask_rm_children(feature, children.id);
                         int n = 0;
                         unsigned int* raw = nullptr;
                         OM_flatten_set(children.id, &n, &raw);
                         kx::host_ptr<unsigned int> found(raw);
                         children.close();
                         *count = n;
                         *points = found.release();
                         return 0;
                     });
}

KXAPI int KX_MODL_ask_hollow_data(tag feature, tag* body, int* kind, char** thickness, tag** open,
                                             int* n_open, tag** own, int* n_own, double** own_thickness,
                                             double* value, int* closed) {
    return kx::frame(kx::standard, kx::before_check([&] {
                         kx::clear(thickness, open, own, own_thickness);
                         return 0;
                     }),
                     [&] {
                         return kx::check({{body, 2},
                                           {kind, 3},
                                           {thickness, 4},
                                           {open, 5},
                                           {n_open, 6},
                                           {own, 7},
                                           {n_own, 8},
                                           {own_thickness, 9},
                                           {value, 10}});
                     },
                     [&] {
                         FPARMS_record_t record{};
                         if (!kx::modl::parms::record_of(feature, {{"HOLLOW"}}, &record)) return kOtherKind;
                         HOLLOW_ask_data(feature, body, kind, thickness, open, n_open, own, n_own, own_thickness,
                                         value, closed);
                         return 0;
                     });
}
