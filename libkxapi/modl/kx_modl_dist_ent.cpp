// Measurement and comparison: the minimum distance between two objects
// (with hints, and to facetted models), the extreme point of a face or
// edge, geometry and topology comparison of faces and edges, and the box
// of any displayable object.
#include <algorithm>
#include <cmath>

#include "kx_codes.h"
#include "kx_modl_geometry.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_measure.h"

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace km = kx::modl::measure;

namespace {

constexpr const char* kModule = "kx_modl_dist_ent";
constexpr const char* kCompareMark = "Comparing Topology";

// Measurement codes of the host and the interface's codes for them.
constexpr int kNoGeometry = MEASURE_ERR_NO_GEOMETRY;
constexpr int kNoAnswer = MEASURE_ERR_NO_ANSWER;
bool measurement_code(int code) { return code == kNoGeometry || code == kNoAnswer; }
int mapped_measurement(int code) {
    return code == kNoGeometry ? static_cast<int>(KX_MODL_ERR_DEGENERATE)
           : code == kNoAnswer ? static_cast<int>(KX_MODL_ERR_NO_MEASUREMENT)
                               : code;
}

bool is_facetted(tag object) {
    int type = 0, subtype = 0;
    return km::type_of(object, &type, &subtype) && type == HOST_TYPE_FACETED;
}

bool face_or_edge(tag object, int* subtype) {
    int type = 0;
    return km::type_of(object, &type, subtype) && type == HOST_TYPE_SOLID &&
           (*subtype == HOST_SUBTYPE_FACE || *subtype == HOST_SUBTYPE_EDGE);
}

int kernel_entity(tag object) {
    int entity = 0;
    es7010_occ_(&object, &entity);
    return entity;
}

int minimum_distance(tag object1, tag object2, int given1, const double* guess1, int given2, const double* guess2,
                     double* distance, double point1[3], double point2[3], double* accuracy) {
    static const double origin[3] = {0, 0, 0};
    const double* hint1 = guess1 ? guess1 : origin;
    const double* hint2 = guess2 ? guess2 : origin;
    int flag1 = given1 != 0 ? 1 : 0, flag2 = given2 != 0 ? 1 : 0;
    // The hint of a body (or of a facetted model) is not used.
    if (km::is_solid(object1, HOST_SUBTYPE_BODY) || is_facetted(object1)) flag1 = 0;
    if (km::is_solid(object2, HOST_SUBTYPE_BODY) || is_facetted(object2)) flag2 = 0;
    if (!is_facetted(object1) && !is_facetted(object2)) {
        int error = 0;
        s392_(&object1, &object2, &flag1, hint1, &flag2, hint2, distance, point1, point2, &error);
        if (error != 0) ERROR_raise(kModule, 0, error, "Measurement failed.");
        *accuracy = 0;
        return 0;
    }
    MEASURE_distance_t d{};
    if (FACET_measure_distance(object1, object2, &d, accuracy) != 0)
        ERROR_raise(kModule, 0, KX_MODL_ERR_TOPOLOGY_CLASS, "Measurement failed.");
    *distance = d.distance;
    std::copy(d.point1, d.point1 + 3, point1);
    std::copy(d.point2, d.point2 + 3, point2);
    return 0;
}

// The host's answer for an occurrence that belongs to no part occurrence.
bool no_part_occurrence(int code) { return code == HOST_ERR_WRONG_CLASS; }

// The edge of the occurrence of a face that stands for the prototype's
// edge into *out; none when the face is an occurrence of no part
// occurrence. Under a frame of its own: the query that asks has none. Any
// other failure is the status: the edge is part of the answer, and an
// answer without it would pass for one whose extreme lies inside the face.
int edge_in_occurrence(tag face, tag edge, tag* out) {
    tag found = NULL_TAG;
    const int st = kx::frame(kx::Opts{.check_init = false, .acknowledge = no_part_occurrence}, [&] {
        found = OCC_find_occurrence(OCC_ask_part_occurrence(face), edge);
        return 0;
    });
    if (no_part_occurrence(st)) return 0;
    if (st == 0) *out = found;
    return st;
}

// The minimum distance under its frame, the measurement's codes mapped.
int measured(tag object1, tag object2, int given1, const double* guess1, int given2, const double* guess2,
             double* distance, double point1[3], double point2[3], double* accuracy) {
    return kx::guarded([&] {
        const int st = kx::frame(
            kx::Opts{.acknowledge = measurement_code},
            [&] {
                return kx::check({{distance, 7}, {point1, 8}, {point2, 9}, {accuracy, 10}});
            },
            [&] {
                return minimum_distance(object1, object2, given1, guess1, given2, guess2, distance, point1, point2,
                                        accuracy);
            });
        return mapped_measurement(st);
    });
}

// The box of a curve through the kernel: a wire body of the curve, boxed,
// and taken back. 1105004 for an object that is no curve.
int curve_box(tag object, double box[6]) {
    if (!TAG_ask_pointer_of_tag(object) || es0017_(&object) != ES_CLASS_CURVE) return kx::param(1);
    kx::probe_under_mark([&] {
        int body = 0;
        ZQ_CURVE_make_wire_body_2(object, &body);
        ZQ_TOPOL_find_box(body, box);
    });
    const double factor = km::model_factor(object);
    for (int i = 0; i < 6; ++i) box[i] *= factor;
    return 0;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_ask_minimum_dist_2(tag object1, tag object2, int guess1_given, double guess1[3], int guess2_given,
                                     double guess2[3], double* distance, double point1[3], double point2[3],
                                     double* accuracy) {
    return measured(object1, object2, guess1_given, guess1, guess2_given, guess2, distance, point1, point2, accuracy);
}

KXAPI int KX_MODL_ask_minimum_dist(tag object1, tag object2, int guess1_given, double guess1[3], int guess2_given,
                                   double guess2[3], double* distance, double point1[3], double point2[3]) {
    double accuracy = 0;
    return measured(object1, object2, guess1_given, guess1, guess2_given, guess2, distance, point1, point2, &accuracy);
}

KXAPI int KX_MODL_ask_extreme(tag object, double dir1[3], double dir2[3], double dir3[3], tag* subentity,
                              double point[3]) {
    return kx::frame(
        kx::bare,
        [&] {
            kx::clear(subentity);
            return kx::check({{dir1, 2}, {dir2, 3}, {dir3, 4}, {subentity, 5}, {point, 6}});
        },
        [&] {
            int subtype = 0, type = 0;
            if (!km::type_of(object, &type, &subtype)) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            if (!face_or_edge(object, &subtype)) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const int entity = kernel_entity(object);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            // Directions of an occurrence's space taken into its prototype's.
            const bool occurrence = OCC_is_occurrence(object);
            double dirs[3][3];
            const double* given[3] = {dir1, dir2, dir3};
            for (int k = 0; k < 3; ++k) {
                std::copy(given[k], given[k] + 3, dirs[k]);
                if (!occurrence) continue;
                const double zero[3] = {0, 0, 0};
                double o[3];
                OCC_untransform_point(object, zero, o);
                OCC_untransform_point(object, given[k], dirs[k]);
                for (int i = 0; i < 3; ++i) dirs[k][i] -= o[i];
            }
            double at[3] = {0, 0, 0};
            int sub = 0, fail = 0;
            KI_enexen(&entity, dirs[0], dirs[1], dirs[2], at, &sub, &fail);
            if (fail == MEASURE_ERR_BAD_DIRECTION) return static_cast<int>(KX_MODL_ERR_NO_EXTREME);
            if (fail != 0) return fail;
            for (int i = 0; i < 3; ++i) point[i] = at[i] * pxsfac_[1];
            if (occurrence) OCC_transform_point(object, point, point);
            if (subtype == HOST_SUBTYPE_FACE && sub != 0) {
                int cls = 0;
                ZQ_ENTITY_ask_class(sub, &cls);
                if (cls == ZQ_CLASS_EDGE) {
                    unsigned int edge = 0;
                    pxlook_(&sub, &edge);
                    if (occurrence && edge != NULL_TAG) return edge_in_occurrence(object, edge, subentity);
                    *subentity = edge;
                }
            }
            return 0;
        });
}

KXAPI int KX_MODL_compare(tag object1, tag object2, int type, int* result) {
    return kx::frame(
        kx::bare,
        [&] {
            kx::clear(result);
            return kx::check({{result, 4}});
        },
        [&] {
            int t1 = 0, s1 = 0, t2 = 0, s2 = 0;
            if (!km::type_of(object1, &t1, &s1) || !km::type_of(object2, &t2, &s2))
                return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            if (!face_or_edge(object1, &s1) || !face_or_edge(object2, &s2))
                return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            if (s1 != s2) return static_cast<int>(KX_MODL_ERR_NOT_SAME_SUBTYPE);
            if (type != 1) return static_cast<int>(KX_MODL_ERR_BAD_COMPARISON);
            const int e1 = kernel_entity(object1), e2 = kernel_entity(object2);
            if (e1 == 0 || e2 == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            int g1 = 0, g2 = 0, fail = 0;
            if (s1 == HOST_SUBTYPE_FACE) {
                int sense = 0;
                KI_idsoff(e1, &g1, &sense);
                KI_idsoff(e2, &g2, &sense);
            } else {
                KI_ougeef(&e1, &g1, &fail);
                if (fail == 0) KI_ougeef(&e2, &g2, &fail);
                if (fail != 0) return fail;
            }
            KI_eneqge(&g1, &g2, result, &fail);
            return fail;
        });
}

KXAPI int KX_MODL_compare_topology(tag object1, tag object2, int geometry, double tolerance, int* same, int counts1[3],
                                   int counts2[3]) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{same, 5}, {counts1, 6}, {counts2, 7}});
        },
        [&] {
            int s1 = 0, s2 = 0;
            if (!face_or_edge(object1, &s1) || !face_or_edge(object2, &s2) || s1 != s2)
                return static_cast<int>(KX_MODL_ERR_TOPOLOGY_CLASS);
            if (kernel_entity(object1) == 0 || kernel_entity(object2) == 0)
                return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            return kx::undo_bracket(1, kCompareMark, [&] {
                const int st = COMPARE_TOPOL_compare(object1, object2, geometry, tolerance, same, counts1, counts2);
                switch (st) {
                    case 1: return static_cast<int>(KX_MODL_ERR_TOPOLOGY_CLASS);
                    case 2: return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
                    case 3: return static_cast<int>(KX_MODL_ERR_TOPOLOGY_FAILED);
                    default: return st;
                }
            });
        });
}

KXAPI int KX_MODL_ask_bounding_box(tag object, double box[6]) {
    return kx::frame(
        [&] {
            return kx::check({{box, 2}});
        },
        [&] {
            if (object == NULL_TAG || !RM_is_entity_displayable(object)) return kx::param(1);
            int type = 0, subtype = 0;
            km::type_of(object, &type, &subtype);
            if (type == HOST_TYPE_SOLID) {
                PX_ask_box(object, box);
                return 0;
            }
            double got[6] = {0, 0, 0, 0, 0, 0};
            const int route = kx::frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code},
                                        [&] { return curve_box(object, got); });
            if (route == 0) {
                std::copy(got, got + 6, box);
                return 0;
            }
            // The display's fit accumulator: x min, x max, y min ...
            static const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
            double fit[6] = {1e10, -1e10, 1e10, -1e10, 1e10, -1e10};
            if (!DSS_FIT_add_obj_to_bounding_box(object, identity, fit)) return kx::param(1);
            for (int i = 0; i < 3; ++i) {
                box[i] = fit[2 * i];
                box[3 + i] = fit[2 * i + 1];
            }
            return 0;
        });
}

}  // extern "C"
