// Section curves: the caller's records checked and turned into the host's
// section record, the section made as a feature or as plain curves in a
// group, and a section feature's data and a section curve's parents asked
// back.
#include "kx_curve_section.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/entities/views.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/section/section.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_codes.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace {

namespace kc = kx::curve;

constexpr const char* kMarkName = "Sectioning (KXAPI)";
constexpr int kSmartAxisType = 241;
constexpr double kMinTolerance = 1e-10;

// ---- checks -----------------------------------------------------------------------

bool passes(const kc::TypeOf& t) {
    switch (t.type) {
        case HOST_TYPE_SOLID: return t.subtype == HOST_SUBTYPE_BODY || t.subtype == HOST_SUBTYPE_FACE;
        case HOST_TYPE_FACETED: return t.subtype == HOST_SUBTYPE_FACETED_BODY;
        case HOST_TYPE_PLANE:
        case HOST_TYPE_DATUM_PLANE:
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return true;
        default: return false;
    }
}

bool is_curve(int type) {
    return type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE;
}

int check_general(const section_general* g) {
    if (!g) return kx::param(1);
    if (g->count < 1) return KX_MODL_ERR_EMPTY_LIST;
    if (!g->objects) return kx::param(1);
    for (int i = 0; i < g->count; ++i)
        if (!passes(kc::type_of(g->objects[i]))) return KX_MODL_ERR_BAD_ENTITY_TYPE;
    if (g->associative < 0 || g->associative > 1 || g->join < 0 || g->join > 1) return KX_MODL_ERR_BAD_FLAG;
    if (g->output < 0 || g->output > 4) return KX_MODL_ERR_VALUE_OUT_OF_RANGE;
    if (g->tolerance < 0 || !(std::abs(g->tolerance) > kMinTolerance)) return KX_MODL_ERR_CENTROID_FAILED;
    return 0;
}

int check_planes(const section_planes* p) {
    if (!p) return kx::param(2);
    if (p->count < 1) return KX_MODL_ERR_EMPTY_LIST;
    if (!p->planes) return kx::param(2);
    for (int i = 0; i < p->count; ++i) {
        const int type = kc::type_of(p->planes[i]).type;
        if (type != HOST_TYPE_PLANE && type != HOST_TYPE_DATUM_PLANE) return KX_MODL_ERR_BAD_ENTITY_TYPE;
    }
    return 0;
}

int check_radial(const section_radial* r) {
    if (!r) return kx::param(2);
    const int axis = kc::type_of(r->axis).type;
    if ((axis != kSmartAxisType && axis != HOST_TYPE_DATUM_AXIS) || kc::type_of(r->point).type != HOST_TYPE_POINT)
        return KX_MODL_ERR_BAD_ENTITY_TYPE;
    return 0;
}

// A spacing outside 1 to 4 is refused with the curve's code: the host
// would have no spacing to use.
int check_perpcrv(const section_perpcrv* p) {
    if (!p) return kx::param(2);
    if (!is_curve(kc::type_of(p->curve).type) || p->spacing < 1 || p->spacing > 4) return KX_MODL_ERR_BAD_ENTITY_TYPE;
    return 0;
}

// ---- the host record ------------------------------------------------------------------

// The objects to cut, in the host's order: the solid bodies with a face
// the section service knows first, then the faces not among those bodies'
// faces, the facetted bodies, planes and curves. 875226 for an object the
// section service does not know.
int collect(const section_general& g, std::vector<tag>& out) {
    std::vector<tag> counted;  // faces of the bodies taken
    for (int i = 0; i < g.count; ++i) {
        const tag o = g.objects[i];
        if (INTSEC_entity_ask_om_tag(o) == NULL_TAG) return KX_MODL_ERR_BAD_ENTITY_TYPE;
        const kc::TypeOf t = kc::type_of(o);
        if (t.type != HOST_TYPE_SOLID || t.subtype != HOST_SUBTYPE_BODY) continue;
        int n = 0;
        unsigned int* raw = nullptr;
        PX_body_ask_faces_sm(o, &n, &raw);
        kx::host_ptr<unsigned int> faces(raw);
        int known = 0;
        for (int k = 0; k < n; ++k)
            if (INTSEC_entity_ask_om_tag(raw[k]) != NULL_TAG) {
                counted.push_back(raw[k]);
                ++known;
            }
        if (known > 0 && std::find(out.begin(), out.end(), o) == out.end()) out.push_back(o);
    }
    for (int i = 0; i < g.count; ++i) {
        const tag o = g.objects[i];
        const kc::TypeOf t = kc::type_of(o);
        if (t.type == HOST_TYPE_SOLID && t.subtype == HOST_SUBTYPE_BODY) continue;
        if (t.type == HOST_TYPE_SOLID && std::find(counted.begin(), counted.end(), o) != counted.end()) continue;
        out.push_back(o);
    }
    return 0;
}

// The host record of the caller's general record (the objects in `objects`).
INTSEC_data_t record_of(const section_general& g, std::vector<tag>& objects) {
    INTSEC_data_t r{};
    r.word0 = 0;
    r.associative = g.associative == 1 ? 1 : 0;
    r.n_objects = static_cast<int>(objects.size());
    r.objects = objects.data();
    r.perpcrv_scale = 1.0;
    switch (g.output) {
        case 1: r.output = 1, r.quintic = 0; break;
        case 3: r.output = 3, r.quintic = 1; break;
        case 2:
        case 4: r.output = 2, r.quintic = 0; break;
        default: r.output = 0, r.quintic = 0; break;
    }
    r.join = g.join == 1 ? 1 : 0;
    r.tolerance = g.tolerance;
    return r;
}

// ---- creation --------------------------------------------------------------------------

int create_associative(const INTSEC_data_t& r, tag* result) {
    tag feature = NULL_TAG;
    int status = 0;
    INTSEC_create_feature(&r, &feature, &status);
    if (status != 0 || feature == NULL_TAG) return KX_MODL_ERR_NO_SECTION;
    *result = feature;
    return 0;
}

int create_plain(const INTSEC_data_t& r, tag* result) {
    int n = 0;
    unsigned int* raw = nullptr;
    INTSEC_curves(&r, &n, &raw);
    kx::host_ptr<unsigned int> curves(raw);
    if (n < 1) return KX_MODL_ERR_NO_SECTION;
    const tag group = GROUP_create(n, raw);
    for (int i = 0; i < n; ++i) DSS_REGEN_regen_object(raw[i]);
    *result = group;
    return 0;
}

// The steps every creator shares: the entity types of the plane set
// (first), the general record, the plane set's checks and fields, the
// section made.
template <class First, class PlaneSet>
int section(section_general* general, tag* result, First&& first, PlaneSet&& plane_set) {
    return kx::frame(
        [&] {
            kx::clear(result);
            return kx::check({{result, 3}});
        },
        [&]() -> int {
            if (int st = first()) return st;
            if (int st = check_general(general)) return st;
            std::vector<tag> objects;
            std::vector<tag> planes;
            INTSEC_perpcrv_t perpcrv{};
            INTSEC_data_t r{};
            if (int st = plane_set(r, planes, perpcrv, false)) return st;
            // The whole section under one mark: any failure, a refusal by
            // the host's status included, goes back to it.
            const auto make = [&]() -> int {
                if (int st = collect(*general, objects)) return st;
                r = record_of(*general, objects);
                plane_set(r, planes, perpcrv, true);
                return r.associative ? create_associative(r, result) : create_plain(r, result);
            };
            const int st = general->associative == 1 ? kx::undo_bracket(1, kMarkName, make) : kc::model_change(make);
            if (st != 0) *result = NULL_TAG;
            return st;
        });
}

// ---- asking back ----------------------------------------------------------------------------

// The kind of the feature's plane set (0 to 3), or 875004.
int kind_of(tag feature, int* kind) {
    kx::check_class("kx_curve_section", __LINE__, feature, OM_CLASS_FEATURE);
    // An object that is no feature has no plane set either.
    if (kc::type_of(feature).type != HOST_TYPE_FEATURE) return KX_MODL_ERR_WRONG_KIND;
    const FREC_parms_t* p = FREC_ask_parms_of_frec(feature);
    if (!p) return KX_MODL_ERR_WRONG_KIND;
    static const char* const classes[] = {"INTSEC_selected_parms_c", "INTSEC_parallel_parms_c", "INTSEC_radial_parms_c",
                                          "INTSEC_perpcrv_parms_c"};
    for (int k = 0; k < 4; ++k) {
        const OM_class_t c = OM_ask_class_of_name(classes[k]);
        if (c != 0 && c == p->cls) {
            *kind = k;
            return 0;
        }
    }
    return KX_MODL_ERR_WRONG_KIND;
}

// A section feature's record when it is of the kind asked (875004 for
// another kind, 875030 when the host cannot give it); `fill` copies the
// plane set's data out, taking the arrays it hands to the caller.
template <class Fill>
int ask_data(tag feature, int want, section_general* general, Fill&& fill) {
    return kx::frame(
        [&] {
            return kx::check({{general, 2}});
        },
        [&]() -> int {
            int kind = -1;
            if (int st = kind_of(feature, &kind)) return st;
            if (kind != want) return KX_MODL_ERR_WRONG_KIND;
            INTSEC_data_t r{};
            INTSEC_init_data(&r);
            if (INTSEC_parms_to_data(feature, &r) != 0) return KX_MODL_ERR_NO_FACE_RANGE;
            // What is not handed to the caller goes back to the host.
            kx::host_ptr<unsigned int> objects(r.objects), planes(r.planes);
            kx::host_ptr<INTSEC_perpcrv_t> perpcrv(r.perpcrv);
            if (int st = fill(r, planes, perpcrv)) return st;
            general->objects = objects.release();
            general->count = r.n_objects;
            general->associative = 1;
            general->join = 0;
            general->output = r.output >= 1 && r.output <= 3 ? r.output : 0;
            general->tolerance = r.tolerance;
            return 0;
        });
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_section_from_planes(section_general* general, section_planes* planes, tag* result) {
    return section(
        general, result, [] { return 0; },
        [&](INTSEC_data_t& r, std::vector<tag>& kept, INTSEC_perpcrv_t&, bool fill) {
            if (!fill) {
                if (int st = check_planes(planes)) return st;
                kept.assign(planes->planes, planes->planes + planes->count);
                return 0;
            }
            r.kind = INTSEC_SELECTED;
            r.n_planes = static_cast<int>(kept.size());
            r.planes = kept.data();
            return 0;
        });
}

KXAPI int KX_CURVE_section_from_parallel_planes(section_general* general, section_parallel* parallel, tag* result) {
    return section(
        general, result, [] { return 0; },
        [&](INTSEC_data_t& r, std::vector<tag>&, INTSEC_perpcrv_t&, bool fill) {
            if (!fill) return parallel ? 0 : kx::param(2);
            r.kind = INTSEC_PARALLEL;
            r.parallel_base = parallel->base;
            std::copy(parallel->values, parallel->values + 3, r.parallel);
            return 0;
        });
}

KXAPI int KX_CURVE_section_from_radial_planes(section_general* general, section_radial* radial, tag* result) {
    return section(
        general, result, [&] { return check_radial(radial); },
        [&](INTSEC_data_t& r, std::vector<tag>&, INTSEC_perpcrv_t&, bool fill) {
            if (!fill) return 0;
            r.kind = INTSEC_RADIAL;
            r.radial_axis = radial->axis;
            r.radial_point = radial->point;
            std::copy(radial->values, radial->values + 3, r.radial);
            return 0;
        });
}

KXAPI int KX_CURVE_section_from_perpcrv_planes(section_general* general, section_perpcrv* perpcrv, tag* result) {
    return section(
        general, result, [&] { return check_perpcrv(perpcrv); },
        [&](INTSEC_data_t& r, std::vector<tag>&, INTSEC_perpcrv_t& block, bool fill) {
            if (!fill) return 0;
            r.kind = INTSEC_PERPCRV;
            block.curve = perpcrv->curve;
            block.other = perpcrv->other;
            block.spacing = perpcrv->spacing;
            std::copy(perpcrv->spacing_values, perpcrv->spacing_values + 11, block.values);
            r.perpcrv = &block;
            r.perpcrv_scale = 1.0;
            return 0;
        });
}

KXAPI int KX_CURVE_section_ask_type(tag feature, int* type) {
    return kx::frame([&] { return kx::check({{type, 2}}); }, [&] { return kind_of(feature, type); });
}

KXAPI int KX_CURVE_section_ask_planes_data(tag feature, section_general* general, section_planes* planes) {
    return ask_data(feature, INTSEC_SELECTED, general, [&](INTSEC_data_t& r, auto& held, auto&) -> int {
        if (!planes) return kx::param(3);
        planes->planes = held.release();
        planes->count = r.n_planes;
        return 0;
    });
}

KXAPI int KX_CURVE_section_ask_parallel_data(tag feature, section_general* general, section_parallel* parallel) {
    return ask_data(feature, INTSEC_PARALLEL, general, [&](INTSEC_data_t& r, auto&, auto&) -> int {
        if (!parallel) return kx::param(3);
        parallel->base = r.parallel_base;
        std::copy(r.parallel, r.parallel + 3, parallel->values);
        return 0;
    });
}

KXAPI int KX_CURVE_section_ask_radial_data(tag feature, section_general* general, section_radial* radial) {
    return ask_data(feature, INTSEC_RADIAL, general, [&](INTSEC_data_t& r, auto&, auto&) -> int {
        if (!radial) return kx::param(3);
        radial->axis = r.radial_axis;
        radial->point = r.radial_point;
        std::copy(r.radial, r.radial + 3, radial->values);
        return 0;
    });
}

KXAPI int KX_CURVE_section_ask_perpcrv_data(tag feature, section_general* general, section_perpcrv* perpcrv) {
    return ask_data(feature, INTSEC_PERPCRV, general, [&](INTSEC_data_t&, auto&, auto& block) -> int {
        if (!perpcrv) return kx::param(3);
        const INTSEC_perpcrv_t* b = block.get();
        if (!b) return KX_MODL_ERR_NO_FACE_RANGE;
        perpcrv->curve = b->curve;
        perpcrv->other = b->other;
        perpcrv->spacing = b->spacing;
        std::copy(b->values, b->values + 11, perpcrv->spacing_values);
        return 0;
    });
}

KXAPI int KX_CURVE_section_curve_ask_parents(tag curve, tag* feature, tag* object, tag* plane, int* index) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(feature);
            return 0;
        }),
        [&] {
            return kx::check({{feature, 2}, {object, 3}, {plane, 4}, {index, 5}});
        },
        [&]() -> int {
            if (curve == NULL_TAG || es0017_(&curve) != ES_CLASS_CURVE) return KX_MODL_ERR_WRONG_OBJECT;
            const tag f = DCRV_ask_feature_of_dcurve(curve);
            if (f == NULL_TAG) return KX_MODL_ERR_WRONG_OBJECT;
            const int answer = INTSEC_ask_section_curve_parents(f, curve, plane, object, index);
            if (answer == 1) return KX_MODL_ERR_WRONG_OBJECT;
            if (answer > 1) return KX_MODL_ERR_NO_FACE_RANGE;
            *feature = f;
            return answer;
        });
}

}  // extern "C"
