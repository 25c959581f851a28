// Projected curves: the caller's request checked and handed to the host's
// projection service as a feature or as plain curves in a group; the edit
// rewrites the feature's parameter object, keeping the outputs of each
// (curve, target) pair with it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/linalg.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_codes.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace {

constexpr const char* kModule = "kx_curve";
constexpr const char* kCreateMark = "Create proj curves (KXAPI)";
constexpr const char* kEditMark = "KX_CURVE_edit_proj_curves";
constexpr double kRadiansPerDegree = 0.01745329251994328;
constexpr int kNotProjection = KX_MODL_ERR_WRONG_KIND;       // 875004 "Not a curve projection feature tag"
constexpr int kBadVector = KX_MODL_ERR_BAD_ISO_DIRECTION;  // 875041
constexpr int kHostFailed = KX_MODL_ERR_NO_FACE_RANGE;     // 875030

const char* const kClassNames[] = {"CPROJ_normal_feature_parms_c", "CPROJ_point_feature_parms_c",
                                   "CPROJ_vector_feature_parms_c", "CPROJ_angvec_feature_parms_c",
                                   "CPROJ_line_feature_parms_c",   "CPROJ_arclen_feature_parms_c"};

bool unit_vector(const double v[3]) {
    double magnitude = 0, unit[3];
    return VEC3_unitize(v, EQ_ask_length_tolerance(), &magnitude, unit) == 1;
}

int check_curve(tag c) {
    const kx::curve::TypeOf t = kx::curve::type_of(c);
    if (t.type == HOST_TYPE_FEATURE) return DCRV_is_developed_curve_feature(c) ? 0 : kx::curve::kBadCurve;
    if (!kx::curve::is_live(c)) return KX_MODL_ERR_NO_OBJECT_DATA;
    if (es0017_(&c) == ES_CLASS_CURVE || t.type == HOST_TYPE_POINT || t.type == HOST_TYPE_SKETCH) return 0;
    return kx::curve::kBadCurve;
}

int check_target(tag target) {
    if (!kx::curve::is_live(target)) return KX_MODL_ERR_NO_OBJECT_DATA;
    const kx::curve::TypeOf t = kx::curve::type_of(target);
    if (t.type == HOST_TYPE_SOLID) return ES_solid_is_a_sheet_body(target) || t.subtype == 2 ? 0 : kx::curve::kBadCurve;
    return t.type == HOST_TYPE_PLANE || t.type == HOST_TYPE_DATUM_PLANE ? 0 : kx::curve::kBadCurve;
}

// The checks shared by create and edit; the first failure wins.
int validate(int n_curves, const tag* curves, int n_targets, const tag* targets, const proj_data& d) {
    if (n_curves < 1 || n_targets < 1 || !curves || !targets) return KX_MODL_ERR_EMPTY_LIST;
    if (d.proj_type < 1 || d.proj_type > 6) return KX_CURVE_ERR_PROJECTION_TYPE;
    if (d.proj_type == 4 && (d.angle >= 90 || d.angle <= -90)) return KX_CURVE_ERR_PROJECTION_ANGLE;
    for (int i = 0; i < n_curves; ++i)
        if (int st = check_curve(curves[i])) return st;
    for (int i = 0; i < n_targets; ++i)
        if (int st = check_target(targets[i])) return st;
    if (d.proj_type == 3 || d.proj_type == 4 || d.proj_type == 6) {
        if (!unit_vector(d.proj_vector)) return kBadVector;
        if (d.proj_type == 6 && !unit_vector(d.second_vector)) return kBadVector;
    }
    if (d.proj_type == 2 || d.proj_type == 6) {
        if (kx::curve::type_of(d.proj_object).type != HOST_TYPE_POINT) return kx::curve::kBadCurve;
    } else if (d.proj_type == 5) {
        const int t = kx::curve::type_of(d.proj_object).type;
        if (t != HOST_TYPE_DATUM_AXIS && t != HOST_TYPE_LINE) return kx::curve::kBadCurve;
    }
    return 0;
}

// The host record of a request.
CPROJ_rec_t to_host(const proj_data& d) {
    CPROJ_rec_t r{};
    r.kind = 2;
    r.version = CPROJ_latest_version;
    r.multiplicity = 1;
    cdUIaskoutput_quintic(0, &r.quintic);
    r.proj_vector[2] = r.second_vector[2] = 1;
    EXP_format_value(0, r.angle_text);
    r.proj_type = d.proj_type;
    switch (d.proj_type) {
        case 2:
        case 5: r.proj_object = d.proj_object; break;
        case 3:
            std::copy(d.proj_vector, d.proj_vector + 3, r.proj_vector);
            if (d.multiplicity == 2) r.multiplicity = 2;
            break;
        case 4:
            std::copy(d.proj_vector, d.proj_vector + 3, r.proj_vector);
            std::copy(d.angle_vector, d.angle_vector + 3, r.second_vector);
            // The angle's text is in degrees, as the caller gives it.
            EXP_format_value(d.angle, r.angle_text);
            r.angle = d.angle * kRadiansPerDegree;
            break;
        case 6:
            r.proj_object = d.proj_object;
            std::copy(d.proj_vector, d.proj_vector + 3, r.proj_vector);
            std::copy(d.second_vector, d.second_vector + 3, r.second_vector);
            r.arclength_option = d.arclength_option;
            break;
        default: r.proj_type = 1; break;
    }
    r.tolerance[0] = srfc1_[0];
    r.tolerance[1] = srfc1_[1];
    return r;
}

int make_feature(int n_curves, tag* curves, int n_targets, const tag* targets, CPROJ_rec_t& rec, tag* result) {
    return kx::curve::host_error_as(KX_CURVE_ERR_PROJECTION_FAILED, [&] {
        return kx::undo_bracket(1, kCreateMark, [&] {
            unsigned int feature = 0;
            int error = 0;
            CPROJ_create_feature(n_curves, curves, n_targets, targets, 0, &rec, 1, &feature, &error);
            if (error != 0 || feature == 0) return static_cast<int>(KX_CURVE_ERR_PROJECTION_FAILED);
            *result = feature;
            return 0;
        });
    });
}

// Plain curves of each curve's projection, in a new group (the result).
int make_curves(int n_curves, const tag* curves, int n_targets, const tag* targets, int output, CPROJ_rec_t& rec,
                tag* result) {
    const int kind = output == 2 ? 3 : 2;
    return kx::curve::host_error_as(KX_CURVE_ERR_PROJECTION_FAILED, [&] {
        return kx::undo_bracket(1, nullptr, [&] {
            tag group = NULL_TAG;
            for (int i = 0; i < n_curves; ++i) {
                int set = 0, n_views = 0, count = 0;
                unsigned int *views = nullptr, *made = nullptr;
                TS_create_set(&set);
                ES_VDG_ask_all_views(curves[i], &n_views, &views);
                CPROJ_create_curves(1, &curves[i], n_targets, targets, 0, 0, &rec, output, kind, set);
                TS_ask_set(set, &count, &made);
                for (int k = 0; k < count; ++k) {
                    if (group == NULL_TAG) es1500_(&group);
                    int n_has = 0;
                    unsigned int* has = nullptr;
                    ES_VDG_ask_all_views(made[k], &n_has, &has);
                    for (int v = 0; v < n_views; ++v)
                        if (std::find(has, has + n_has, views[v]) == has + n_has)
                            ES_VDG_make_dependent(made[k], views[v]);
                    SM_free(has);
                    GROUP_add_member_to_group(group, made[k]);
                    DSS_REGEN_regen_object(made[k]);
                }
                SM_free(made);
                SM_free(views);
                TS_free_set(set);
            }
            if (group == NULL_TAG) return static_cast<int>(KX_CURVE_ERR_PROJECTION_FAILED);
            *result = group;
            return 0;
        });
    });
}

// ---- the edit's lookup table -------------------------------------------------

struct Entry {
    tag curve, face;
    std::vector<tag> outputs;
};

// The old entries placed on the grid of (curve, face) pairs in four
// passes, each in table order taking the first free slot: both still
// present; the curve present; the face present; any free pair (else the
// entry keeps its old pair).
std::vector<Entry> place(const std::vector<Entry>& old, const std::vector<tag>& curves, const std::vector<tag>& faces) {
    const std::size_t nc = curves.size(), nf = faces.size();
    std::vector<bool> taken(nc * nf, false);
    std::vector<Entry> placed = old;
    std::vector<bool> done(old.size(), false);
    const auto index_of = [](const std::vector<tag>& v, tag t) {
        return static_cast<std::size_t>(std::find(v.begin(), v.end(), t) - v.begin());
    };
    const auto take = [&](std::size_t e, std::size_t c, std::size_t f) {
        taken[c * nf + f] = true;
        placed[e].curve = curves[c];
        placed[e].face = faces[f];
        done[e] = true;
    };
    for (std::size_t e = 0; e < old.size(); ++e) {
        const std::size_t c = index_of(curves, old[e].curve), f = index_of(faces, old[e].face);
        if (c < nc && f < nf && !taken[c * nf + f]) take(e, c, f);
    }
    for (std::size_t e = 0; e < old.size(); ++e) {
        const std::size_t c = index_of(curves, old[e].curve);
        if (done[e] || c >= nc) continue;
        for (std::size_t f = 0; f < nf && !done[e]; ++f)
            if (!taken[c * nf + f]) take(e, c, f);
    }
    for (std::size_t e = 0; e < old.size(); ++e) {
        const std::size_t f = index_of(faces, old[e].face);
        if (done[e] || f >= nf) continue;
        for (std::size_t c = 0; c < nc && !done[e]; ++c)
            if (!taken[c * nf + f]) take(e, c, f);
    }
    for (std::size_t e = 0; e < old.size(); ++e)
        for (std::size_t c = 0; c < nc && !done[e]; ++c)
            for (std::size_t f = 0; f < nf && !done[e]; ++f)
                if (!taken[c * nf + f]) take(e, c, f);
    return placed;
}

bool kept_curve(tag c, const std::vector<tag>& given) {
    const int type = kx::curve::type_of(c).type;
    if (type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE) {
        unsigned int sketch = 0;
        if (ES_find_sketch_of_member(c, &sketch) && std::find(given.begin(), given.end(), sketch) != given.end())
            return false;
        return true;
    }
    return type == HOST_TYPE_SKETCH || type == HOST_TYPE_POINT || type == HOST_TYPE_FEATURE || type == HOST_TYPE_SOLID;
}

// The new parameter object of an edit (arrays owned by `keep`).
struct NewParms {
    CPROJ_parms_t parms{};
    std::vector<tag> curves, faces;
    std::vector<CPROJ_lookup_t> lookup;
    std::vector<Entry> entries;
};

void edit_parms(tag feature, int n_curves, const tag* curves, int n_targets, const tag* targets, const proj_data& d) {
    if (kx::curve::type_of(feature).type != HOST_TYPE_FEATURE)
        ERROR_raise(kModule, __LINE__, KX_MODL_ERR_INVALID_FEATURE, "Invalid feature tag");
    if (!CPROJ_is_proj_feature(feature))
        ERROR_raise(kModule, __LINE__, kNotProjection, "Not a curve projection feature tag");
    CPROJ_parms_t old{};
    CPROJ_ask_feature_parms(feature, &old);
    const int base = OM_ask_class_of_name("CPROJ_feature_parms_c");
    if (!OM_is_subclass(old.cls, base)) {
        CPROJ_free_parms(&old);
        ERROR_raise(kModule, __LINE__, kNotProjection, "Not a curve projection feature tag");
    }
    const CPROJ_rec_t rec = to_host(d);
    NewParms n;
    CPROJ_parms_t& p = n.parms;
    p.proj_type = rec.proj_type;
    p.cls = OM_ask_class_of_name(kClassNames[p.proj_type - 1]);
    p.version = p.cls == old.cls ? old.version : CPROJ_latest_version;
    p.multiplicity = p.proj_type == 3 ? rec.multiplicity : old.multiplicity;
    p.out_quintic_typ = old.out_quintic_typ;
    p.algorithm_version = old.algorithm_version;
    p.tol = old.tol;
    if (p.proj_type == 2 || p.proj_type == 6) p.proj_pnt = rec.proj_object;
    if (p.proj_type == 5) p.proj_line = rec.proj_object;
    std::copy(rec.proj_vector, rec.proj_vector + 3, p.proj_vec);
    std::copy(rec.second_vector, rec.second_vector + 3, p.xvec);
    p.arcl_opt = rec.arclength_option;
    // The angle expression keeps degrees (the unit of the creation).
    const tag part = PART_ask_part_of_object(feature);
    const unsigned int old_angle = old.proj_type == 4 ? old.angle_exp : 0;
    if (p.proj_type == 4) {
        if (old_angle) {
            if (int code = EXP_edit_exp(part, old_angle, rec.angle_text)) ERROR_raise(kModule, __LINE__, code, "angle");
            p.angle_exp = old_angle;
        } else if (int code = EXP_create_system_exp(part, rec.angle_text, &p.angle_exp)) {
            ERROR_raise(kModule, __LINE__, code, "angle");
        }
    }
    std::vector<tag> given(curves, curves + n_curves);
    for (tag c : given)
        if (kept_curve(c, given)) n.curves.push_back(c);
    for (int i = 0; i < n_targets; ++i)
        if (const tag t = CPROJ_entity_ask_om_tag(targets[i])) n.faces.push_back(t);
    std::vector<Entry> old_entries;
    for (int i = 0; i < old.n_lookup; ++i) {
        const CPROJ_lookup_t& e = old.lookup[i];
        old_entries.push_back(Entry{e.input_curve, e.input_face,
                                    std::vector<tag>(e.output_curves, e.output_curves + std::max(e.n_outputs, 0))});
    }
    CPROJ_free_parms(&old);
    // The grid of (curve, target) pairs has a sketch's members in its place.
    std::vector<tag> grid;
    for (tag c : n.curves) {
        if (kx::curve::type_of(c).type != HOST_TYPE_SKETCH) {
            grid.push_back(c);
            continue;
        }
        for (int i = 1, count = ES_count_sketch_members(c); i <= count; ++i)
            grid.push_back(ES_read_sketch_member(c, i));
    }
    n.entries = place(old_entries, grid, n.faces);
    for (Entry& e : n.entries)
        n.lookup.push_back(CPROJ_lookup_t{e.curve, e.face, static_cast<int>(e.outputs.size()), e.outputs.data()});
    p.n_curves = static_cast<int>(n.curves.size());
    p.curves = n.curves.data();
    p.n_faces = static_cast<int>(n.faces.size());
    p.faces = n.faces.data();
    p.n_lookup = static_cast<int>(n.lookup.size());
    p.lookup = n.lookup.data();
    CPROJ_set_feature_parms(feature, &p);
    if (old_angle && p.proj_type != 4) EXP_delete_exp_tag(old_angle);
    UPDATE_log_object_to_update(feature);
}

tag* persistent_copy(const unsigned int* tags, int count) {
    if (count <= 0) return nullptr;
    auto* out = static_cast<tag*>(SM_alloc_persistent(sizeof(tag) * static_cast<std::size_t>(count)));
    std::copy(tags, tags + count, out);
    return out;
}

}  // namespace

KXAPI int KX_CURVE_create_proj_curves(int n_curves, tag* curves, int n_targets, tag* targets, int output,
                                                 proj_data* data, tag* result) {
    if (result) *result = NULL_TAG;
    return kx::frame(
        [&] {
            return kx::check({{data, 6}, {result, 7}});
        },
        [&] {
            CPROJ_rec_t rec{};
            std::vector<tag> copy;
            int st = kx::curve::host_error_as(KX_MODL_ERR_BAD_FLAG, [&] {
                rec = to_host(*data);
                if (targets && n_targets > 0) copy.assign(targets, targets + n_targets);
                return validate(n_curves, curves, n_targets, copy.data(), *data);
            });
            if (st != 0) return st;
            rec.n_targets = n_targets;
            rec.targets = copy.data();
            if (output == 3) return make_feature(n_curves, curves, n_targets, copy.data(), rec, result);
            return make_curves(n_curves, curves, n_targets, copy.data(), output, rec, result);
        });
}

KXAPI int KX_CURVE_edit_proj_curves(tag feature, int n_curves, tag* curves, int n_targets, tag* targets,
                                               proj_data* data) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{data, 6}});
        },
        [&] {
            bool marked = false;
            try {
                return kx::undo_bracket(1, kEditMark, [&] {
                    marked = true;
                    if (int code = validate(n_curves, curves, n_targets, targets, *data)) return code;
                    edit_parms(feature, n_curves, curves, n_targets, targets, *data);
                    return 0;
                });
            } catch (const host::HostError& e) {
                // The mark could not be set: noted on the host log, the
                // host's code is the status.
                if (!marked) {
                    char text[64];
                    std::snprintf(text, sizeof text, "Failed to set mark = code %d", e.code());
                    ERROR_note(kModule, __LINE__, text);
                }
                throw;
            }
        });
}

KXAPI int KX_CURVE_ask_proj_curves(tag feature, int* count, tag** curves) {
    kx::clear(count, curves);
    return kx::frame(
        [&] {
            return kx::check({{count, 2}, {curves, 3}});
        },
        [&] {
            return kx::curve::host_error_as(kHostFailed, [&] {
                if (!CPROJ_is_proj_feature(feature)) return static_cast<int>(kx::curve::kBadCurve);
                int n = 0;
                unsigned int* made = nullptr;
                DCRV_ask_dcurves_of_feature(feature, &n, &made);
                tag* out = persistent_copy(made, n);
                SM_free(made);
                *count = n;
                *curves = out;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_ask_proj_curve_parents(tag curve, tag* feature, tag* input_curve, tag* input_face) {
    kx::clear(feature, input_curve, input_face);
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{feature, 2}, {input_curve, 3}, {input_face, 4}});
        },
        [&] {
            if (kx::curve::type_of(curve).type == 0 || es0017_(&curve) != ES_CLASS_CURVE) return kx::curve::kBadCurve;
            const tag f = DCRV_ask_feature_of_dcurve(curve);
            if (f == NULL_TAG) return kx::curve::kBadCurve;
            unsigned int a = 0, b = 0;
            const int answer = CPROJ_ask_proj_curve_parents(f, curve, &a, &b);
            if (answer == 1) return kx::curve::kBadCurve;
            if (answer == 2) return kHostFailed;
            *feature = f;
            *input_curve = a;
            *input_face = b;
            return answer;
        });
}
