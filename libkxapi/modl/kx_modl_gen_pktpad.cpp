// The law, parameter and vector converters (kx_modl_gen_pktpad.h).
#include "libkxapi/modl/kx_modl_gen_pktpad.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/linalg.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace kx::law {
namespace {

constexpr const char* kModule = "kx_modl_gen_pktpad";
constexpr int kText = KX_MODL_VALUE_TEXT;

// A bounded copy: at most 132 characters and a terminator.
void copy_text(char* out, const char* text) {
    std::strncpy(out, text ? text : "", kText - 1);
    out[kText - 1] = '\0';
}

template <class T>
T* host_array(int n) {
    return static_cast<T*>(SM_alloc(sizeof(T) * static_cast<std::size_t>(n > 0 ? n : 0)));
}

// The value and expression of a text, as one entry of a law.
void fill_value(const char* text, double* value, unsigned int* exp) {
    tag e = NULL_TAG;
    value_from_text(text, value, &e);
    *exp = e;
}

void fill_expression(const char* text, unsigned int* exp) {
    double ignored = 0;
    fill_value(text, &ignored, exp);
    if (*exp != NULL_TAG) return;
    tag made = NULL_TAG;
    const int st = EXP_create_system_exp(CONTEXT_ask_work_part(), *text ? text : "0", &made);
    if (st != 0) ERROR_raise(kModule, __LINE__, st, "Expression error");
    *exp = made;
}

void two_values(host_law* law) {
    law->n_values = 2;
    law->parameters = host_array<double>(2);
    law->parameters[0] = 0.0;
    law->parameters[1] = 1.0;
    law->values = host_array<double>(2);
    law->expressions = host_array<unsigned int>(2);
}

host_law* new_host_law() {
    auto* law = static_cast<host_law*>(SM_alloc(sizeof(host_law)));
    std::memset(law, 0, sizeof(host_law));
    const double tol = srfc1_[0];
    law->one = 1.0;
    law->tolerance = tol;
    law->zero = 0.0;
    law->tolerance2 = tol;
    law->fine_tolerance = tol * 0.01;
    law->frame[3] = 1.0;
    return law;
}

// The law of a parameter into the host law (spine: the spine's curve for
// the methods by points, NULL_TAG without a spine).
void fill_law(const KX_MODL_law& in, bool with_spine, tag spine, host_law* law) {
    switch (in.method) {
        case 0:
            two_values(law);
            fill_value(in.u.values.start_value, &law->values[0], &law->expressions[0]);
            law->values[1] = law->values[0];
            law->expressions[1] = NULL_TAG;
            law->type = 1;
            return;
        case 1:
        case 2:
            two_values(law);
            fill_value(in.u.values.start_value, &law->values[0], &law->expressions[0]);
            fill_value(in.u.values.end_value, &law->values[1], &law->expressions[1]);
            law->type = in.method + 1;
            return;
        case 3:
        case 4:
            if (!with_spine) break;
            place_law_points_on_spine(in.u.spine_points.count, in.u.spine_points.points, spine, &law->n_values,
                                      &law->parameters, &law->positions, &law->values,
                                      reinterpret_cast<tag**>(&law->expressions));
            law->n_position_doubles = 3 * law->n_values;
            law->type = in.method == 3 ? 4 : 6;
            return;
        case 5: {
            two_values(law);
            law->values[0] = law->values[1] = 0.0;
            law->expressions[0] = law->expressions[1] = NULL_TAG;
            // The law keeps only the two expressions: a plain number becomes an
            // expression too, or its value would be lost.
            fill_expression(in.u.values.start_value, &law->exp_a);
            fill_expression(in.u.values.end_value, &law->exp_b);
            law->type = 5;
            return;
        }
        case 6: {
            int cm = 0;
            if (curve_from_string_list(&in.u.curve.law_curve, &cm, nullptr) != 0)
                ERROR_raise(kModule, __LINE__, kBadLaw, "Bad law curve in KX_MODL_law");
            law->law_curve = cm;
            law->base_direction = in.u.curve.base_direction;
            if (in.u.curve.base_direction != NULL_TAG) {
                if (in.u.curve.base_sense != 1 && in.u.curve.base_sense != -1)
                    ERROR_raise(kModule, __LINE__, kBadLaw, "Bad base direction in KX_MODL_law");
                law->base_sense = in.u.curve.base_sense;
            }
            law->type = 7;
            return;
        }
        default: break;
    }
    ERROR_raise(kModule, __LINE__, kBadLaw, "Invalid method type in KX_MODL_law");
}

// The host law back into a caller's law record (variant: the string
// conversion to use).
void law_to_caller(int variant, const host_law& law, bool with_spine, KX_MODL_law* out) {
    std::memset(out, 0, sizeof(*out));
    switch (law.type) {
        case 1:
            out->method = 0;
            format_law_value(law.values[0], law.expressions[0], out->u.values.start_value);
            return;
        case 2:
        case 3:
            out->method = law.type - 1;
            format_law_value(law.values[0], law.expressions[0], out->u.values.start_value);
            format_law_value(law.values[1], law.expressions[1], out->u.values.end_value);
            return;
        case 4:
        case 6:
            if (!with_spine) break;
            out->method = law.type == 4 ? 3 : 4;
            out->u.spine_points.count = law.n_values;
            law_points_to_caller(law.n_values, law.positions, law.values, law.expressions, &out->u.spine_points.points);
            return;
        case 5:
            out->method = 5;
            format_law_value(0.0, law.exp_a, out->u.values.start_value);
            format_law_value(0.0, law.exp_b, out->u.values.end_value);
            return;
        case 7:
            out->method = 6;
            string_from_law_curve(variant, law.law_curve, &out->u.curve.law_curve);
            out->u.curve.base_direction = law.base_direction;
            out->u.curve.base_sense = law.base_direction == NULL_TAG ? 0 : (law.base_sense == 1 ? 1 : -1);
            return;
        default: break;
    }
    ERROR_internal(kModule, __LINE__, "Unexpected law type");
}

}  // namespace

int is_plain_number(const char* text) {
    for (const char* c = text; c && *c; ++c)
        if (!((*c >= '0' && *c <= '9') || *c == '-' || *c == '+' || *c == ' ' || *c == '.')) return 0;
    return 1;
}

void value_from_text(const char* text, double* value, tag* exp) {
    if (is_plain_number(text)) {
        *value = std::atof(text ? text : "");
        *exp = NULL_TAG;
        return;
    }
    const unsigned int part = CONTEXT_ask_work_part();
    char* name = nullptr;
    char* rhs = nullptr;
    EXP_dissect_assignment(text, &name, &rhs);
    tag found = NULL_TAG;
    if (name) {
        found = EXP_ask_exp_of_var(part, name);
        SM_free(name);
        if (found != NULL_TAG && rhs) {
            const int st = EXP_edit_exp(part, found, rhs);
            if (st != 0) {
                SM_free(rhs);
                ERROR_raise(kModule, __LINE__, st, "Expression error");
            }
        }
    } else if (rhs) {
        found = EXP_ask_exp_of_var(part, rhs);
    }
    SM_free(rhs);
    if (found == NULL_TAG) {
        const int st = EXP_create_system_exp(part, text, &found);
        if (st != 0) ERROR_raise(kModule, __LINE__, st, "Expression error");
    }
    const int st = EXP_ask_value_of_exp(found, value);
    if (st != 0) ERROR_raise(kModule, __LINE__, st, "Expression error");
    *exp = found;
}

void format_law_value(double value, tag exp, char text[KX_MODL_VALUE_TEXT]) {
    if (exp != NULL_TAG) {
        char* assignment = nullptr;
        const int st = EXP_ask_assignment_of_exp(exp, &assignment);
        if (st != 0) ERROR_raise(kModule, __LINE__, st, "Expression error");
        copy_text(text, assignment);  // a longer assignment is cut at 132 characters
        SM_free(assignment);
        return;
    }
    char formatted[EXP_VALUE_CHARS];
    EXP_format_value(value, formatted);
    copy_text(text, formatted);
}

int curve_from_string_list(const string_list* strings, int* cm, tag* curve) {
    const double tolerances[2] = {srfc1_[0], srfc1_[1]};
    int profile = 0;
    CMP_create_cmp_profile(&profile);
    int error = 0;
    CMP_validate_strings(0, 2, 2, 0, reinterpret_cast<const CMP_strings_t*>(strings), tolerances, profile, &error);
    if (error != 0) {
        CMP_free_cmp_profile(profile);
        return 2;
    }
    *cm = CMP_set_cm_from_cmp(profile, 0, 0, 0, tolerances[0], 1);
    CMP_free_cmp_profile(profile);
    if (!curve) return 0;
    SKIN_profile_t skin{};
    int skin_error = 0;
    SKIN_assign_skin_profile(0, *cm, &skin, &skin_error);
    int result = 0;
    if (skin_error != 0) {
        *curve = NULL_TAG;
        result = 2;
    } else {
        int ignored = 0;
        *curve = convert_profile_2_cv(&skin, tolerances[0], &ignored);
    }
    SM_free(skin.curves);
    SM_free(skin.senses);
    SM_free(skin.starts);
    return result;
}

void string_from_law_curve(int variant, int cm, string_list* strings) {
    auto* out = reinterpret_cast<CMP_strings_t*>(strings);
    if (variant == 0) CMP_set_string_from_cm(1, &cm, out);
    else CMP_set_string_from_cm_1(1, &cm, out);
}

void place_law_points_on_spine(int n, const KX_MODL_law_point* points, tag spine, int* accepted, double** parameters,
                               double** positions, double** values, tag** exps) {
    const unsigned int ev = evcrvu(spine);
    double range[2];
    evcrvp(ev, range);
    const double t0 = range[0], t1 = range[1];
    double p0[3], p1[3];
    evcrve(ev, 0, t0, p0);
    evcrve(ev, 0, t1, p1);
    bool closed = true;
    for (int i = 0; i < 3; ++i)
        if (std::abs(p0[i] - p1[i]) > 1e-7) closed = false;
    double* par = host_array<double>(n);
    double* pos = host_array<double>(3 * n);
    double* val = host_array<double>(n);
    tag* ex = host_array<tag>(n);
    bool start_used = false;
    int count = 0;
    try {
        for (int i = 0; i < n; ++i) {
            double t = 0, foot[3];
            int status = 0;
            em015a(ev, points[i].position, &t, foot, &status);
            if (status == -1) continue;  // no foot point: the point is dropped
            if (t < t0 || std::abs(t0 - t) < 0.005) {
                t = (!closed || !start_used) ? t0 : t1;
                evcrve(ev, 0, t, foot);
                start_used = true;
            }
            if (t > t1 || std::abs(t1 - t) < 0.005) {
                if (!closed || start_used) {
                    t = t1;
                } else {
                    t = t0;
                    start_used = true;
                }
                evcrve(ev, 0, t, foot);
            }
            par[count] = t;
            for (int k = 0; k < 3; ++k) pos[3 * count + k] = foot[k];
            value_from_text(points[i].value, &val[count], &ex[count]);
            ++count;
        }
    } catch (...) {
        // Nothing half-made stays behind.
        SM_free(par);
        SM_free(pos);
        SM_free(val);
        SM_free(ex);
        evcrvf(ev);
        throw;
    }
    evcrvf(ev);
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (par[j] < par[i]) {
                std::swap(par[i], par[j]);
                for (int k = 0; k < 3; ++k) std::swap(pos[3 * i + k], pos[3 * j + k]);
                std::swap(val[i], val[j]);
                std::swap(ex[i], ex[j]);
            }
    *accepted = count;
    *parameters = par;
    *positions = pos;
    *values = val;
    *exps = ex;
}

void law_points_to_caller(int n, const double* positions, const double* values, const tag* exps,
                          KX_MODL_law_point** points) {
    auto* out = host_array<KX_MODL_law_point>(n);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) out[i].position[k] = positions[3 * i + k];
        format_law_value(values[i], exps[i], out[i].value);
    }
    *points = out;
}

void create_law_from_parm(const KX_MODL_parm* parm, char* value_text, host_law** law) {
    if (law) *law = nullptr;
    value_text[0] = '\0';
    if (parm->method == 0) {
        copy_text(value_text, parm->u.expression);
        return;
    }
    if (parm->method != 1 && parm->method != 2)
        ERROR_raise(kModule, __LINE__, kBadParmMethod, "Invalid method type in KX_MODL_parm");
    if (!parm->u.law) ERROR_raise(kModule, __LINE__, kBadLaw, "Law not defined in KX_MODL_parm");
    if (!law) ERROR_internal(kModule, __LINE__, "Law output expected but set to NULL");
    host_law* out = new_host_law();
    // A law that fails half-way is released, not left behind.
    try {
        tag spine = NULL_TAG;
        const KX_MODL_law* in = nullptr;
        if (parm->method == 1) {
            const auto* spine_law = static_cast<const KX_MODL_spine_law*>(parm->u.law);
            if (curve_from_string_list(&spine_law->spine, &out->spine, &spine) != 0)
                ERROR_raise(kModule, __LINE__, kBadLaw, "Bad spine in KX_MODL_parm");
            in = &spine_law->law;
        } else {
            in = static_cast<const KX_MODL_law*>(parm->u.law);
        }
        fill_law(*in, parm->method == 1, spine, out);
    } catch (...) {
        free_host_law(out);
        throw;
    }
    *law = out;
}

void free_host_law(host_law* law) {
    if (!law) return;
    SM_free(law->positions);
    SM_free(law->parameters);
    SM_free(law->values);
    SM_free(law->expressions);
    SM_free(law);
}

void law_to_parm(int variant, tag exp, const host_law* law, KX_MODL_parm* parm) {
    std::memset(parm, 0, sizeof(*parm));
    if (!law) {
        parm->method = 0;
        format_law_value(0.0, exp, parm->u.expression);
        return;
    }
    if (law->spine == 0) {
        auto* block = static_cast<KX_MODL_law*>(SM_alloc(sizeof(KX_MODL_law)));
        parm->method = 2;
        parm->u.law = block;
        law_to_caller(variant, *law, false, block);
        return;
    }
    auto* block = static_cast<KX_MODL_spine_law*>(SM_alloc(sizeof(KX_MODL_spine_law)));
    std::memset(block, 0, sizeof(*block));
    parm->method = 1;
    parm->u.law = block;
    string_from_law_curve(variant, law->spine, &block->spine);
    law_to_caller(variant, *law, true, &block->law);
}

void ask_law_parm_data(tag exp, const host_law* law, KX_MODL_parm* parm) { law_to_parm(0, exp, law, parm); }

void ask_blend_law_parm_data(tag exp, const host_law* law, KX_MODL_parm* parm) { law_to_parm(1, exp, law, parm); }

void free_law_parm_data(KX_MODL_parm* parm) {
    if (!parm || (parm->method != 1 && parm->method != 2)) return;
    SM_free(parm->u.law);
    parm->u.law = nullptr;
}

void set_vector_direction(const double direction[3], KX_MODL_vector* vector) {
    vector->reverse = 0;
    vector->type = 0;
    for (int i = 0; i < 3; ++i) vector->u.components[i] = direction[i];
}

namespace {

void face_normal(const KX_MODL_vector& v, double d[3]) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(v.u.face.face, &type, &subtype);
    // Only a face of a solid-kernel object carries a normal.
    if (type != HOST_TYPE_SOLID || subtype != HOST_SUBTYPE_FACE)
        ERROR_raise(kModule, __LINE__, kBadAxisOrFace, "Invalid entity type for face in KX_MODL_vector");
    const int face = ES_solid_ask_fermalith_tag(v.u.face.face);
    if (face == 0) ERROR_raise(kModule, __LINE__, kNoKernelFace, "");
    int surface = 0, reversed = 0;
    KI_idsoff(face, &surface, &reversed);
    double factors[2] = {1.0, 1.0};
    PART_ask_zr_scale_factors(CONTEXT_ask_work_part(), factors);
    double scaled[3];
    for (int i = 0; i < 3; ++i) scaled[i] = v.u.face.point[i] * factors[0];
    double uv[2] = {0, 0};
    int found = 0;
    KI_clpten(scaled, face, uv, &found);
    if (!found)
        ERROR_raise(kModule, __LINE__, kNoFaceDistance, "Could not find minimum distance to face in KX_MODL_vector");
    double point[3];
    KI_enpops(surface, uv[0], uv[1], point, d);
    if (reversed)
        for (int i = 0; i < 3; ++i) d[i] = -d[i];
}

}  // namespace

void ask_direction_of_vector(const KX_MODL_vector* vector, double direction[3]) {
    const KX_MODL_vector& v = *vector;
    double d[3] = {0, 0, 0};
    switch (v.type) {
        case 0:
            for (int i = 0; i < 3; ++i) d[i] = v.u.components[i];
            break;
        case 1: {
            const int type = ES_ask_entity_type(v.u.axis);
            if (type == HOST_TYPE_DATUM_PLANE) {
                DPLANE_ask_direction(v.u.axis, d);
            } else if (type == HOST_TYPE_PLANE) {
                double data[6];
                ES_ask_plane_data(v.u.axis, data);
                for (int i = 0; i < 3; ++i) d[i] = data[3 + i];
            } else if (type == HOST_TYPE_DATUM_AXIS) {
                DAXIS_ask_direction(v.u.axis, d);
            } else {
                ERROR_raise(kModule, __LINE__, kBadAxisOrFace, "Invalid entity type for axis in KX_MODL_vector");
            }
            break;
        }
        case 2: face_normal(v, d); break;
        case 3:
            for (int i = 0; i < 3; ++i) d[i] = v.u.points.end[i] - v.u.points.start[i];
            break;
        case 4: {
            double point[3];
            if (CMP_find_planar_normal(v.u.curves.curve_count, v.u.curves.curves, d, point) == 0)
                ERROR_raise(kModule, __LINE__, kNotPlanar, "Curves input to KX_MODL_vector are not planar");
            break;
        }
        default: ERROR_raise(kModule, __LINE__, kBadVectorType, "Invalid vector type in KX_MODL_vector");
    }
    for (int i = 0; i < 3; ++i) direction[i] = d[i];
    double magnitude = 0;
    VEC3_unitize(d, 1e-10, &magnitude, direction);
    if (v.reverse)
        for (int i = 0; i < 3; ++i) direction[i] = -direction[i];
}

}  // namespace kx::law
