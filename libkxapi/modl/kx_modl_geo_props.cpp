// Geometric properties and geometry checks: normalised curve parameters,
// curve properties and evaluation, closure and periodicity, maximum
// curvature, face parameters and properties, vector angles, the
// dimensionality of an object, and the data-quality checks of bodies,
// faces and edges with the kernel's fault tokens mapped to codes.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_geometry.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_measure.h"
#include "libkxapi/modl/kx_modl_topology.h"

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "host/numeric/evc.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace km = kx::modl::measure;
namespace tp = kx::modl::topology;

namespace kx::modl::measure {

bool type_of(tag object, int* type, int* subtype) {
    *type = *subtype = 0;
    if (object == NULL_TAG || !TAG_ask_pointer_of_tag(object)) return false;
    RM_ask_entity_type_and_subtype(object, type, subtype);
    return true;
}

bool is_solid(tag object, int subtype) {
    int t = 0, s = 0;
    return type_of(object, &t, &s) && t == HOST_TYPE_SOLID && s == subtype;
}

int fault_code(int token) {
    static constexpr int kCodes[][2] = {
        {13801, KX_MODL_FAULT_POINT_ON_CURVE}, {13802, KX_MODL_FAULT_GEOMETRY},
        {13803, KX_MODL_FAULT_TOPOLOGY},       {13804, KX_MODL_FAULT_POINT_ON_SURFACE},
        {13805, KX_MODL_FAULT_NO_CURVE},       {13806, KX_MODL_FAULT_SELF_INTERSECT},
        {13807, KX_MODL_FAULT_SAME_PARAMETER}, {13808, KX_MODL_FAULT_ORIENTATION},
        {13810, KX_MODL_FAULT_NOT_CONNECTED},  {13812, KX_MODL_FAULT_EMPTY},
        {13816, KX_MODL_FAULT_REDUNDANT},      {13817, KX_MODL_FAULT_LOOP_ORDER},
        {13818, KX_MODL_FAULT_NOT_CLOSED},     {13819, KX_MODL_FAULT_BAD_LOOP},
        {13820, KX_MODL_FAULT_13820},          {13821, KX_MODL_FAULT_13821},
        {13822, KX_MODL_FAULT_13822},          {13823, KX_MODL_FAULT_13823},
        {13824, KX_MODL_FAULT_13824},          {13825, KX_MODL_FAULT_13825},
        {13826, KX_MODL_FAULT_13826},          {13827, KX_MODL_FAULT_13827},
        {13828, KX_MODL_FAULT_13828},          {13829, KX_MODL_FAULT_13829},
        {13830, KX_MODL_FAULT_13830},          {13831, KX_MODL_FAULT_13831},
        {13832, KX_MODL_FAULT_13832},          {13833, KX_MODL_FAULT_13833},
        {13834, KX_MODL_FAULT_13834},          {13835, KX_MODL_FAULT_13835},
        {13836, KX_MODL_FAULT_OTHER},
    };
    for (const auto& row : kCodes)
        if (row[0] == token) return row[1];
    return KX_MODL_FAULT_UNKNOWN;
}

double model_factor(tag object) {
    double factors[2] = {1, 1};
    PART_ask_zr_scale_factors(PART_ask_part_of_object(object), factors);
    return factors[0];
}

}  // namespace kx::modl::measure

namespace {

constexpr const char* kModule = "kx_modl_geo_props";
constexpr double kPi = std::numbers::pi;
constexpr double kDegree = 0.01745329251994328;
// The curvature below which a curve counts as straight stands for a
// radius of 1 / kLimit - 1.
constexpr double kLimit = 1e-19;
// Edge vectors of an oriented box shorter than this count as zero.
constexpr double kZeroEdge = 1e-9;
// The kernel's interface parameters that the checks set for their length.
constexpr int kParamSelfIntersect = 10;
constexpr int kParamCheckFaults = 12;

int es_class(tag object) { return TAG_ask_pointer_of_tag(object) ? es0017_(&object) : -1; }

// A curve evaluator held for the length of a call; none (id 0) for an
// object without a curve, a point included.
class Evaluator {
public:
    explicit Evaluator(tag curve) : id_(evcrvu_p(curve)) {
        if (id_ != 0 && EVC_ask_curve_type(id_) == 0) evcrvf(std::exchange(id_, 0u));
    }
    ~Evaluator() {
        if (id_ != 0) kx::release([id = id_] { evcrvf(id); });
    }
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;
    unsigned int id() const { return id_; }

private:
    unsigned int id_;
};

// A kernel interface parameter set for the length of a check and put back
// on every way out.
class KernelOption {
public:
    KernelOption(int n, int value) : n_(n) {
        int fail = 0;
        KI_ouintp(&n_, &was_, &fail);
        KI_seintp(&n_, &value, &fail);
    }
    ~KernelOption() {
        kx::release([this] {
            int fail = 0;
            KI_seintp(&n_, &was_, &fail);
        });
    }
    KernelOption(const KernelOption&) = delete;
    KernelOption& operator=(const KernelOption&) = delete;

private:
    int n_;
    int was_ = 0;
};

// The parameter range and the period of a curve (0: not periodic).
void range_and_period(tag curve, double range[2], double* period) {
    es0330_(&curve, range);
    int type = 0, subtype = 0;
    km::type_of(curve, &type, &subtype);
    *period = 0;
    if (type == HOST_TYPE_ARC || (type == HOST_TYPE_CONIC && subtype == HOST_CONIC_ELLIPSE)) *period = 2 * kPi;
    else if (em05_(&curve) == 2) *period = range[1] - range[0];
}

int curve_parm(tag curve, const double ref[3], double* parm, double* point, int extend) {
    if (es_class(curve) != ES_CLASS_CURVE) return KX_MODL_ERR_WRONG_OBJECT;
    double t = 0, foot[3] = {0, 0, 0};
    int count = 0;
    em0150_(&curve, ref, &extend, &t, foot, &count);
    if (extend == 1) {
        if (count < 1) return KX_MODL_ERR_NO_FACE_RANGE;
        std::copy(foot, foot + 3, point);
    }
    double range[2], period = 0;
    range_and_period(curve, range, &period);
    if (period > 0) {
        int shifted = 0, periods = 0;
        h006_(&t, &range[0], &range[1], &period, &shifted, &periods);
        if (shifted == 1) t += periods * period;
    }
    *parm = range[1] != range[0] ? (t - range[0]) / (range[1] - range[0]) : 0;
    return 0;
}

struct Props {
    double point[3], tangent[3], a[3], b[3];
    double torsion = 0, radius = 0;
};

// The properties at a normalised parameter of a curve or edge.
Props curve_props(tag curve, double parm) {
    e7009_(&curve, nullptr, nullptr);
    const double t0 = crvcom_.t0, t1 = crvcom_.t1, t = t0 + (t1 - t0) * parm;
    Props p;
    e7008_(&t, p.point, p.tangent);
    double frame[9], curvature = 0;
    e7004_(&t, frame, &p.torsion, &curvature);
    std::copy(frame + 6, frame + 9, p.a);
    std::copy(frame + 3, frame + 6, p.b);
    p.radius = std::abs(curvature) > EQ_ask_length_tolerance() ? 1 / curvature : 1 / kLimit - 1;
    for (double& c : p.tangent) c *= t1 - t0;
    return p;
}

void unitize(double v[3], double tolerance) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (n > tolerance)
        for (int i = 0; i < 3; ++i) v[i] /= n;
}

void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// The dimensionality of a face or edge from the oriented box of its
// geometry: the number of edges of the box that are not zero; below 3 the
// box's origin and the direction the non-zero edges give. -1 when the
// kernel gives no box.
int box_rule(tag object, double data[6]) {
    double origin[3], edges[9];
    if (BoxSurface(object, origin, edges) != 0) return -1;
    bool zero[3];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const double* e = edges + 3 * i;
        zero[i] = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]) < kZeroEdge;
        if (!zero[i]) ++n;
    }
    if (n == 3) return 3;
    std::copy(origin, origin + 3, data);
    if (n == 1) {
        for (int i = 0; i < 3; ++i)
            if (!zero[i]) std::copy(edges + 3 * i, edges + 3 * i + 3, data + 3);
    } else if (n == 2) {
        // Cyclic order: the two edges that follow the zero one.
        for (int i = 0; i < 3; ++i)
            if (zero[i]) cross(edges + 3 * ((i + 1) % 3), edges + 3 * ((i + 2) % 3), data + 3);
    }
    unitize(data + 3, kZeroEdge);
    return n;
}

// A sheet body is planar when all its faces are, in one plane direction.
int body_dimensionality(tag body, double data[6]) {
    int kind = 0;
    PX_body_ask_type(body, &kind);
    if (kind != ZQ_BODY_SHEET) return 3;
    int* faces = nullptr;
    int n = 0;
    if (KI_idcoen_sm(ES_solid_ask_fermalith_tag(body), ZQ_CLASS_FACE, &faces, &n) != 0 || n == 0) {
        kx::free_and_clear(faces);
        ERROR_raise(kModule, 0, KX_MODL_ERR_NO_INTERMEDIATE_LIST, "the faces of body %u", body);
    }
    kx::host_ptr<int> held(faces);
    double first[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < n; ++i) {
        unsigned int face = 0;
        pxlook_(&faces[i], &face);
        double d[6] = {0, 0, 0, 0, 0, 0};
        const int dim = face ? box_rule(face, d) : 3;
        if (dim == 3 || dim < 0) return 3;
        if (i == 0) {
            std::copy(d, d + 6, first);
            continue;
        }
        double c[3];
        cross(first + 3, d + 3, c);
        if (std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) > EQ_ask_length_tolerance()) return 3;
    }
    std::copy(first, first + 6, data);
    return 2;
}

// The dimensionality of a curve through its evaluator; -1 (the status)
// when it has none.
int curve_dimensionality(tag curve, int* dim, double data[6]) {
    const Evaluator ev(curve);
    if (ev.id() == 0) return -1;
    switch (EVC_ask_curve_type(ev.id())) {
        case EVAL_LINE: {
            double end[3];
            ES_ask_coordinates_of_line(curve, data, end);
            for (int i = 0; i < 3; ++i) data[3 + i] = end[i] - data[i];
            unitize(data + 3, EQ_ask_length_tolerance());
            *dim = 1;
            return 0;
        }
        case EVAL_ARC:
        case EVAL_ELLIPSE:
        case EVAL_PARABOLA:
        case EVAL_HYPERBOLA: {
            const Props p = curve_props(curve, 0.5);
            std::copy(p.point, p.point + 3, data);
            std::copy(p.a, p.a + 3, data + 3);
            *dim = 2;
            return 0;
        }
        case EVAL_SPLINE: {
            const int d = em0945(ev.id(), data);
            if (d < 1 || d > 3) return KX_MODL_ERR_OPERATION_FAILED;
            *dim = d;
            return 0;
        }
        default: return KX_MODL_ERR_OPERATION_FAILED;
    }
}

void copy_check(const MEASURE_check_t& r, geometry_check_result* out, double factor) {
    out->count = r.count;
    out->code = r.token != 0 ? km::fault_code(r.token) : 0;
    out->entity = r.first;
    for (int i = 0; i < 3; ++i) out->point[i] = r.point[i] * factor;
}

// The kernel face of a face object (of an occurrence: its prototype's),
// 0 for none.
int kernel_face(tag face) {
    int entity = 0;
    es7010_occ_(&face, &entity);
    return entity;
}

// The kernel entity of a solid or sheet body, 0 for none.
int kernel_body(tag body) {
    if (!km::is_solid(body, HOST_SUBTYPE_BODY)) return 0;
    if (!ES_solid_is_a_body(body) && !ES_solid_is_a_sheet_body(body)) return 0;
    int entity = 0;
    es7010_occ_(&body, &entity);
    return entity;
}

tag prototype_of(tag object) { return OCC_is_occurrence(object) ? OCC_ask_prototype_of_occ(object) : object; }

}  // namespace

extern "C" {

KXAPI int KX_MODL_ask_curve_parm(tag curve, double ref_pnt[3], double* parm, double curve_pnt[3]) {
    return kx::frame(
        [&] {
            return kx::check({{ref_pnt, 2}, {parm, 3}, {curve_pnt, 4}});
        },
        [&] { return curve_parm(curve, ref_pnt, parm, curve_pnt, 1); });
}

KXAPI int KX_MODL_ask_curve_parm_no_ext(tag curve, double ref_pnt[3], double* parm) {
    return kx::frame(
        [&] {
            return kx::check({{ref_pnt, 2}, {parm, 3}});
        },
        [&] { return curve_parm(curve, ref_pnt, parm, nullptr, 0); });
}

KXAPI int KX_MODL_ask_curve_props(tag curve, double parm, double point[3], double tangent[3], double vector_a[3],
                                  double vector_b[3], double* torsion, double* radius) {
    return kx::frame(
        [&] {
            return kx::check({{point, 3}, {tangent, 4}, {vector_a, 5}, {vector_b, 6}, {torsion, 7}, {radius, 8}});
        },
        [&] {
            const int cls = es_class(curve);
            if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const Props p = curve_props(curve, parm);
            std::copy(p.point, p.point + 3, point);
            std::copy(p.tangent, p.tangent + 3, tangent);
            std::copy(p.a, p.a + 3, vector_a);
            std::copy(p.b, p.b + 3, vector_b);
            *torsion = p.torsion;
            *radius = p.radius;
            return 0;
        });
}

// Before initialisation the answer is 0 (not closed), so that no status
// reads as "closed".
KXAPI int KX_MODL_ask_curve_closed(tag curve) {
    return kx::guarded([&] {
        if (!kx::session_open()) return 0;
        const int cls = es_class(curve);
        if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return 0;
        // An edge whose curve the host cannot take is not closed for it.
        if (Evaluator(curve).id() == 0) return 0;
        return em05_(&curve) == 2 ? 1 : 0;
    });
}

KXAPI int KX_MODL_ask_curve_periodicity(tag curve, int* periodicity) {
    return kx::frame(
        [&] {
            return kx::check({{periodicity, 2}});
        },
        [&] {
            const Evaluator ev(curve);
            if (ev.id() == 0) return -1;
            if (em05_(&curve) == 1) *periodicity = 0;
            else *periodicity = EVC_is_curve_periodic(ev.id()) ? 1 : 2;
            return 0;
        });
}

KXAPI int KX_MODL_evaluate_curve(tag curve, double* parm, int* deriv_flag, double* values) {
    return kx::frame(
        [&] {
            return kx::check({{parm, 2}, {deriv_flag, 3}, {values, 4}});
        },
        [&] {
            int type = 0, subtype = 0;
            km::type_of(curve, &type, &subtype);
            switch (type) {
                case HOST_TYPE_POINT:
                case HOST_TYPE_LINE:
                case HOST_TYPE_ARC:
                case HOST_TYPE_CONIC:
                case HOST_TYPE_SPLINE: break;
                default: return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            }
            if (*deriv_flag < 0 || *deriv_flag > 2) return static_cast<int>(KX_MODL_ERR_VALUE_OUT_OF_RANGE);
            const Evaluator ev(curve);
            if (ev.id() == 0) return static_cast<int>(KX_MODL_ERR_OPERATION_FAILED);
            double range[2];
            evcrvp(ev.id(), range);
            const double span = range[1] - range[0];
            const double t = std::abs(span) > EQ_ask_length_tolerance() ? range[0] + span * *parm : 0;
            evcrve(ev.id(), *deriv_flag, t, values);
            return 0;
        });
}

// A tag that is no curve is refused (nothing would be computed for it).
KXAPI int KX_MODL_ask_max_curvature(tag curve, double range[2], int* reserved, double* curvature, double* parm) {
    (void)reserved;
    return kx::frame(
        [&] {
            return kx::check({{range, 2}, {curvature, 4}, {parm, 5}});
        },
        [&] {
            if (es_class(curve) != ES_CLASS_CURVE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const int st = CRV_PROPS_calc_max_curvature(curve, range[0], range[1], curvature, parm);
            return st == 2 ? kx::param(2) : st;
        });
}

KXAPI int KX_MODL_ask_face_parm(tag face, double ref_pnt[3], double parm[2], double face_pnt[3]) {
    return kx::frame(
        [&] {
            return kx::check({{ref_pnt, 2}, {parm, 3}, {face_pnt, 4}});
        },
        [&] { return MODL_ask_face_parm(face, ref_pnt, parm, face_pnt); });
}

KXAPI int KX_MODL_ask_face_props(tag face, double parm[2], double point[3], double u1[3], double v1[3], double u2[3],
                                 double v2[3], double unit_norm[3], double radii[2]) {
    return kx::frame(
        [&] {
            return kx::check({{parm, 2}, {point, 3}, {u1, 4}, {v1, 5}, {u2, 6}, {v2, 7}, {unit_norm, 8}, {radii, 9}});
        },
        [&] { return MODL_ask_face_props(face, parm, point, u1, v1, u2, v2, unit_norm, radii); });
}

KXAPI int KX_MODL_ask_vector_angle(double vec1[3], double vec2[3], double* small_angle, double* large_angle) {
    return kx::frame(
        [&] {
            return kx::check({{vec1, 1}, {vec2, 2}, {small_angle, 3}, {large_angle, 4}});
        },
        [&] {
            double a = 0;
            h061_(vec1, vec2, &a);
            *small_angle = std::min(a, kPi - a);
            *large_angle = std::max(a, kPi - a);
            return 0;
        });
}

KXAPI int KX_MODL_ask_obj_dimensionality(tag object, int* dimensionality, double data[6]) {
    return kx::frame(
        [&] {
            if (int st = kx::check({{dimensionality, 2}, {data, 3}})) return st;
            *dimensionality = -1;
            std::fill(data, data + 6, 0.0);
            return 0;
        },
        [&]() -> int {
            int type = 0, subtype = 0;
            if (!km::type_of(object, &type, &subtype)) return KX_MODL_ERR_NO_OBJECT_DATA;
            double d[6] = {0, 0, 0, 0, 0, 0};
            int dim = -1;
            if (type == HOST_TYPE_SOLID) {
                if (subtype == HOST_SUBTYPE_FACE || subtype == HOST_SUBTYPE_EDGE) dim = box_rule(object, d);
                else dim = body_dimensionality(object, d);
                if (dim < 0 || dim > 3) return KX_MODL_ERR_OPERATION_FAILED;
            } else if (type == HOST_TYPE_POINT) {
                ES_ask_coordinates_of_point(object, d);
                dim = 0;
            } else if (type <= HOST_TYPE_SPLINE) {
                if (int st = curve_dimensionality(object, &dim, d)) return st;
            } else {
                return KX_MODL_ERR_OPERATION_FAILED;
            }
            *dimensionality = dim;
            std::copy(d, d + 6, data);
            return 0;
        });
}

KXAPI int KX_MODL_ask_tiny_geometry(tag object, double tolerance, geometry_check_result* result) {
    return kx::frame(
        [&] {
            return kx::check({{result, 3}});
        },
        [&] {
            const int cls = es_class(object);
            if (cls < ES_CLASS_CURVE || cls > ES_CLASS_EDGE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const double tol = tolerance > 0 ? tolerance : MODL_ask_distance_tol();
            MEASURE_check_t r{};
            if (do_tiny(object, tol * pxsfac_[0], &r) != 0) return static_cast<int>(KX_MODL_ERR_CHECK_FAILED);
            copy_check(r, result, pxsfac_[1]);
            return 0;
        });
}

KXAPI int KX_MODL_ask_misalign_geometry(tag object, double frame[9], double angle, geometry_check_result* result) {
    return kx::frame(
        [&] {
            return kx::check({{result, 4}});
        },
        [&] {
            const int cls = es_class(object);
            if (cls < ES_CLASS_CURVE || cls > ES_CLASS_EDGE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const double tol = angle > 0 ? angle : MODL_ask_angular_tol();
            MEASURE_check_t r{};
            if (do_misaligned(object, frame, tol, &r) != 0) return static_cast<int>(KX_MODL_ERR_CHECK_FAILED);
            copy_check(r, result, pxsfac_[1]);
            return 0;
        });
}

KXAPI int KX_MODL_ask_body_boundaries(tag body, int* num_boundaries, int** num_edges, tag** edges) {
    return kx::frame(
        [&] {
            kx::clear(num_boundaries, num_edges, edges);
            return kx::check({{num_boundaries, 2}, {num_edges, 3}, {edges, 4}});
        },
        [&] {
            if (es_class(body) != ES_CLASS_BODY) return static_cast<int>(KX_MODL_ERR_NOT_A_BODY);
            tp::Context c{body, NULL_TAG};
            if (OCC_is_occurrence(body)) {
                c.prototype = OCC_ask_prototype_of_occ(body);
                c.part_occurrence = OCC_ask_part_occurrence(body);
                if (c.prototype == NULL_TAG || !TAG_ask_tag_loaded(c.prototype))
                    ERROR_raise(kModule, 0, kx::kNotFullyLoaded, "Error code %d from %s", kx::kNotFullyLoaded,
                                "KX_MODL_ask_body_boundaries");
            }
            int entity = 0;
            es7010_occ_(&body, &entity);
            if (entity == 0) ERROR_raise(kModule, 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "body %u has no kernel body", body);
            int n = 0, *counts = nullptr, *found = nullptr;
            ZQ_BODY_find_laminar_edges(entity, &n, &counts, &found);
            kx::host_ptr<int> held_counts(counts), held_edges(found);
            if (n < 1) return 0;
            int total = 0;
            for (int i = 0; i < n; ++i) total += counts[i];
            const std::vector<tag> tags = tp::tags_of(std::vector<int>(found, found + total), c);
            int* out_counts = kx::copy_array(std::span<const int>(counts, static_cast<std::size_t>(n)));
            try {
                *edges = kx::copy_array(std::span<const tag>(tags));
            } catch (...) {
                kx::release([&] { SM_free(out_counts); }, true);
                throw;
            }
            *num_edges = out_counts;
            *num_boundaries = n;
            return 0;
        });
}

KXAPI int KX_MODL_ask_edge_smoothness(tag edge, double angle, logical* smooth) {
    return kx::frame(
        [&] {
            return kx::check({{smooth, 3}});
        },
        [&] {
            if (es_class(edge) != ES_CLASS_EDGE) return static_cast<int>(KX_MODL_ERR_BODY_EDGES_UNAVAILABLE);
            int entity = 0;
            es7010_occ_(&edge, &entity);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            const double degrees = angle > 0 ? angle : MODL_ask_angular_tol();
            int is = 0;
            ZQ_EDGE_is_smooth(entity, degrees * kDegree, &is);
            if (!is) {
                // An edge of fewer than two faces joins nothing.
                int* faces = nullptr;
                int n = 0;
                const int st = KI_idcoen_sm(entity, ZQ_CLASS_FACE, &faces, &n);
                kx::host_ptr<int> held(faces);
                if (st == 0 && n < 2) is = 1;
            }
            *smooth = is ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_MODL_ask_edge_tolerance(tag edge, double* tolerance) {
    return kx::frame(
        [&] {
            return kx::check({{tolerance, 2}});
        },
        [&] {
            if (es_class(edge) != ES_CLASS_EDGE) return static_cast<int>(KX_MODL_ERR_BODY_EDGES_UNAVAILABLE);
            int entity = 0;
            es7010_occ_(&edge, &entity);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            double t = 0;
            int fail = 0;
            KI_outlen(&entity, &t, &fail);
            if (fail != 0) return fail;
            *tolerance = t * pxsfac_[1];
            return 0;
        });
}

KXAPI int KX_MODL_ask_face_spikes(tag face, geometry_check_result* result) {
    return kx::frame(
        [&] {
            return kx::check({{result, 2}});
        },
        [&] {
            if (!km::is_solid(face, HOST_SUBTYPE_FACE)) return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            const int entity = kernel_face(face);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            MEASURE_check_t r{};
            if (do_spikes_cuts(entity, MODL_ask_distance_tol() * pxsfac_[0], &r) != 0)
                return static_cast<int>(KX_MODL_ERR_CHECK_FAILED);
            copy_check(r, result, pxsfac_[1]);
            return 0;
        });
}

// The arrays hold KX_MODL_MAX_MIN_RADII radii; the host never answers
// more. An error raised on a face the kernel finds faulty is 875313.
KXAPI int KX_MODL_ask_face_min_radii(tag face, int* count, double radii[], double positions[], double params[]) {
    int entity = 0;
    return kx::guarded([&] {
        const int st = kx::frame(
            [&] {
                kx::clear(count);
                return kx::check({{count, 2}, {radii, 3}, {positions, 4}, {params, 5}});
            },
            [&] {
                if (face == NULL_TAG || !TAG_ask_pointer_of_tag(face) || es0022_(&face) != 3)
                    return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
                if (!km::is_solid(face, HOST_SUBTYPE_FACE)) return static_cast<int>(KX_MODL_ERR_FACE_DATA);
                entity = kernel_face(face);
                if (entity == 0) return static_cast<int>(KX_MODL_ERR_FACE_DATA);
                *count = 0;
                int n = 0;
                PX_face_ask_min_radii(entity, KX_MODL_MAX_MIN_RADII, &n, radii, positions, params);
                const double factor = km::model_factor(prototype_of(face));
                for (int i = 0; i < n; ++i) {
                    radii[i] *= factor;
                    for (int k = 0; k < 3; ++k) positions[3 * i + k] *= factor;
                    if (OCC_is_occurrence(face)) OCC_transform_point(face, positions + 3 * i, positions + 3 * i);
                }
                *count = n;
                return 0;
            });
        if (st == 0 || entity == 0) return st;
        // The kernel's check of the face tells a fault of the face from
        // another failure.
        return kx::guarded([&] {
            int faults = 0;
            kx::frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code}, [&] {
                const int zero = 0;
                int list = 0, fail = 0;
                KI_chcken(&entity, &zero, &zero, &faults, &list, nullptr, nullptr, &fail);
                if (list != 0) KI_delist(&list, &fail);
                return 0;
            });
            return faults > 0 ? static_cast<int>(KX_MODL_FAULT_ORIENTATION) : st;
        });
    });
}

KXAPI int KX_MODL_ask_face_self_intersect(tag face, int* fault, double point[3]) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(fault);
            if (point) std::fill(point, point + 3, 0.0);
            return 0;
        }),
        [&] {
            return kx::check({{fault, 2}, {point, 3}});
        },
        [&] {
            if (!km::is_solid(face, HOST_SUBTYPE_FACE) || !ES_solid_is_a_face(prototype_of(face)))
                return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            const int entity = kernel_face(face);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            const KernelOption option(kParamSelfIntersect, 1);
            int token = 0;
            double at[3] = {0, 0, 0};
            const int st = do_face_self_intersect(entity, &token, at);
            *fault = token != 0 ? km::fault_code(token) : 0;
            const double factor = km::model_factor(prototype_of(face));
            for (int i = 0; i < 3; ++i) point[i] = at[i] * factor;
            return st;
        });
}

KXAPI int KX_MODL_ask_face_smoothness(tag face, logical* smooth) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            if (smooth) *smooth = 1;
            return 0;
        }),
        [&] {
            return kx::check({{smooth, 2}});
        },
        [&] {
            if (!km::is_solid(face, HOST_SUBTYPE_FACE) || !ES_solid_is_a_face(prototype_of(face)))
                return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            const int entity = kernel_face(face);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            const KernelOption option(kParamCheckFaults, 0);
            int faults = 0;
            const int st = do_face_smooth(entity, &faults);
            *smooth = faults == 0 ? 1 : 0;
            return st;
        });
}

KXAPI int KX_MODL_ask_body_structures(tag body, int* count, structure_fault** faults) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(count, faults);
            return 0;
        }),
        [&] {
            return kx::check({{count, 2}, {faults, 3}});
        },
        [&] {
            const int entity = kernel_body(body);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NOT_A_BODY);
            const KernelOption option(kParamCheckFaults, 0);
            int n = 0;
            MEASURE_fault_t* found = nullptr;
            if (do_structures(entity, &n, &found) != 0) return static_cast<int>(KX_MODL_ERR_STRUCTURE_CHECK_FAILED);
            kx::host_ptr<MEASURE_fault_t> held(found);
            if (n < 1) return 0;
            structure_fault* out = kx::alloc_array<structure_fault>(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) out[i] = {km::fault_code(found[i].token), found[i].object};
            *faults = out;
            *count = n;
            return 0;
        });
}

KXAPI int KX_MODL_ask_body_consistency(tag body, int* count, int** codes, geometry_check_result* result) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(count, codes);
            if (result) *result = geometry_check_result{};
            return 0;
        }),
        [&] {
            return kx::check({{count, 2}, {codes, 3}, {result, 4}});
        },
        [&] {
            const int entity = kernel_body(body);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NOT_A_BODY);
            const KernelOption option(kParamCheckFaults, 0);
            int n = 0, *tokens = nullptr;
            MEASURE_check_t r{};
            if (do_consistency(entity, &n, &tokens, &r) != 0)
                return static_cast<int>(KX_MODL_ERR_STRUCTURE_CHECK_FAILED);
            kx::host_ptr<int> held(tokens);
            if (n > 0) {
                int* out = kx::alloc_array<int>(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i) out[i] = km::fault_code(tokens[i]);
                *codes = out;
            }
            *count = n;
            copy_check(r, result, pxsfac_[1]);
            return 0;
        });
}

KXAPI int KX_MODL_ask_face_face_intersect(tag body, int* count, geometry_check_result* result) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(count);
            return 0;
        }),
        [&] {
            return kx::check({{count, 2}, {result, 3}});
        },
        [&] {
            const int entity = kernel_body(body);
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NOT_A_BODY);
            MEASURE_check_t r{};
            const int st = do_ff_intersect(entity, count, &r);
            copy_check(r, result, pxsfac_[1]);
            return st;
        });
}

}  // extern "C"
