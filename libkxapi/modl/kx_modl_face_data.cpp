// Face data and face evaluation: the surface data of a face with its point
// moved near the middle of the face, the box of its surface parameters,
// and the evaluation of its surface at a parameter pair.
#include <cmath>
#include <cstring>

#include "kx_codes.h"
#include "kx_modl_face_data.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/rm.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/numeric/vec_parts.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kModule = "kx_modl_operation";
constexpr const char* kFaceDataMark = "JQ Open ask face data";

// Evaluation modes and the request word the host's evaluator takes for
// each (bits: 1 point, 2 first derivatives, 4 normal, 8/16/32 second,
// 64/128/256/512 third derivatives, 1024 unit normal).
struct Mode {
    int mode;
    int request;
};
constexpr Mode kModes[] = {{0, 0}, {1, 3}, {2, 59}, {3, 1019}, {10, 7}, {11, 1027}, {33, 2047}};

// The face's vectors in a value record: the point, then directions.
constexpr int kValueDoubles = 36;

bool is_face(tag face) {
    if (face == NULL_TAG || !TAG_ask_pointer_of_tag(face)) return false;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(face, &type, &subtype);
    return type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_FACE;
}

// The face a query works on: the face itself, or the prototype of an
// occurrence face, whose part must be fully loaded (1105024).
struct Target {
    tag face = NULL_TAG;        // the prototype's face
    tag occurrence = NULL_TAG;  // the caller's occurrence face, or none
};

Target target_of(tag face, const char* function) {
    if (!OCC_is_occurrence(face)) return {face, NULL_TAG};
    const tag prototype = OCC_ask_prototype_of_occ(face);
    if (prototype == NULL_TAG || !TAG_ask_tag_loaded(prototype))
        ERROR_raise(kModule, 0, kx::kNotFullyLoaded, "Error code %d from %s", kx::kNotFullyLoaded, function);
    return {prototype, face};
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// point + ((to - point) . d) d with d made unit: the foot of `to` on the
// axis through the point along d.
void foot_on_axis(double point[3], const double d[3], const double to[3]) {
    const double dd = dot(d, d);
    if (dd <= 0) return;
    const double w[3] = {to[0] - point[0], to[1] - point[1], to[2] - point[2]};
    const double k = dot(w, d) / dd;
    for (int i = 0; i < 3; ++i) point[i] += k * d[i];
}

// The radius and axial place of a cone at the middle of its parameter
// box: the point moves to the foot of the middle's surface point on the
// axis, the radius becomes that point's distance from the foot.
void cone_at_middle(int kernel_face, tag occurrence, double point[3], const double d[3], double* radius) {
    int surface = 0;
    ZQ_FACE_ask_surf(kernel_face, &surface);
    double u[2], v[2];
    int ifail = 0;
    KI_enpben(&kernel_face, u, v, &ifail);
    if (ifail != 0) ERROR_raise(kModule, 0, ifail, "the parameter box of kernel face %d", kernel_face);
    double out[18], normal[3];
    ZQ_SURF_eval(surface, (u[0] + u[1]) / 2, (v[0] + v[1]) / 2, 0, out, normal);
    double p[3] = {out[0] * pxsfac_[1], out[1] * pxsfac_[1], out[2] * pxsfac_[1]};
    if (occurrence != NULL_TAG) OCC_transform_point(occurrence, p, p);
    foot_on_axis(point, d, p);
    *radius = std::sqrt((p[0] - point[0]) * (p[0] - point[0]) + (p[1] - point[1]) * (p[1] - point[1]) +
                        (p[2] - point[2]) * (p[2] - point[2]));
}

struct FaceData {
    int type = 0;
    double point[3] = {0, 0, 0};
    double direction[3] = {0, 0, 0};
    double box[6] = {0, 0, 0, 0, 0, 0};
    double radius = 0, radius2 = 0;
    int sense = 0;
};

FaceData face_data(tag face, const char* function) {
    if (!is_face(face)) ERROR_raise(kModule, 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "tag %u is no face", face);
    const Target t = target_of(face, function);
    const int kernel_face = ES_solid_ask_fermalith_tag(t.face);
    if (kernel_face == 0) ERROR_raise(kModule, 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "face %u has no kernel face", face);
    FaceData f;
    get_face_data(0, kernel_face, &f.type, f.point, f.direction, &f.radius, &f.radius2);

    double factors[2] = {1, 1};
    PART_ask_zr_scale_factors(PART_ask_part_of_object(t.face), factors);
    for (double& c : f.point) c *= factors[0];
    f.radius *= factors[0];
    if (f.type == ZQ_SURF_TORUS) f.radius2 *= factors[0];

    f.sense = PX_face_ask_normal_direction(t.face) != 0 ? 1 : -1;
    if (t.occurrence != NULL_TAG) {
        OCC_transform_point(t.occurrence, f.point, f.point);
        OCC_transform_direction(t.occurrence, f.direction, f.direction);
    }

    PX_face_ask_box(face, f.box);
    const double centre[3] = {(f.box[0] + f.box[3]) / 2, (f.box[1] + f.box[4]) / 2, (f.box[2] + f.box[5]) / 2};
    switch (f.type) {
        case ZQ_SURF_PLANE: {
            const double w[3] = {centre[0] - f.point[0], centre[1] - f.point[1], centre[2] - f.point[2]};
            double across[3];
            h01905_(w, f.direction, across);
            for (int i = 0; i < 3; ++i) f.point[i] += across[i];
            break;
        }
        case ZQ_SURF_CONE: cone_at_middle(kernel_face, t.occurrence, f.point, f.direction, &f.radius); break;
        case ZQ_SURF_CYLINDER:
        case ZQ_SURF_TORUS: foot_on_axis(f.point, f.direction, centre); break;
        default: break;
    }
    pxzrus_(&face, &f.type);
    return f;
}

// Gives back the evaluator of the host on every way out.
using Evaluator = kx::held<void, evsrff>;

}  // namespace

KXAPI int KX_MODL_ask_face_data(tag face, int* type, double point[3], double direction[3], double box[6],
                                           double* radius, double* radius2, int* normal_sense) {
    const char* const function = __func__;
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check(
                {{type, 2}, {point, 3}, {direction, 4}, {box, 5}, {radius, 6}, {radius2, 7}, {normal_sense, 8}});
        },
        [&] {
            return kx::undo_bracket(1, kFaceDataMark, [&] {
                const FaceData f = face_data(face, function);
                *type = f.type;
                for (int i = 0; i < 3; ++i) {
                    point[i] = f.point[i];
                    direction[i] = f.direction[i];
                }
                for (int i = 0; i < 6; ++i) box[i] = f.box[i];
                *radius = f.radius;
                *radius2 = f.radius2;
                *normal_sense = f.sense;
                return 0;
            });
        });
}

KXAPI int KX_MODL_ask_face_uv_minmax(tag face, double box[4]) {
    const char* const function = __func__;
    return kx::frame(
        kx::acknowledging,
        [&] {
            return kx::check({{face != NULL_TAG, 1}, {box, 2}});
        },
        [&] {
            if (!is_face(face)) return 1;
            unsigned int entity = 0;
            int faces = 0;
            const tag on = target_of(face, function).face;
            es7034_(&on, &entity, &faces);
            if (entity == 0 || ES_solid_ask_fermalith_tag(on) == 0) return 1;
            double got[4];
            int status = 0;
            pxeval_(&entity, got, &status);
            pxerr_(&status);
            for (int i = 0; i < 4; ++i) box[i] = got[i];
            return 0;
        });
}

KXAPI int KX_MODL_evaluate_face(tag face, int mode, double uv[2], face_value_record* value) {
    const char* const function = __func__;
    return kx::frame(
        kx::acknowledging, kx::before_check([&] { return face == NULL_TAG ? kx::param(1) : 0; }),
        [&] {
            return kx::check({{uv, 3}, {value, 4}});
        },
        [&] {
            if (!TAG_ask_pointer_of_tag(face)) return 1;
            const Target t = target_of(face, function);
            const Evaluator evaluator(evsrfu(t.face));
            if (!evaluator) return 1;
            const Mode* m = nullptr;
            for (const Mode& k : kModes)
                if (k.mode == mode) m = &k;
            if (!m) return static_cast<int>(KX_MODL_ERR_VALUE_OUT_OF_RANGE);
            double r[kValueDoubles];
            evsrfe(evaluator.get(), m->request, uv, r);
            if (t.occurrence != NULL_TAG) {
                OCC_transform_point(t.occurrence, r, r);
                for (int i = 3; i < kValueDoubles; i += 3) OCC_transform_direction(t.occurrence, r + i, r + i);
            }
            static_assert(sizeof(face_value_record) == sizeof r);
            std::memcpy(value, r, sizeof r);
            return 0;
        });
}
