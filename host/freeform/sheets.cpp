// The host's constructors of sheets from faces, sheets and points
// (sheets.h).
#include "host/freeform/sheets.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/data/parts.h"
#include "host/expr/expr.h"
#include "host/feature/booleans.h"
#include "host/feature/feature.h"
#include "host/feature/freeform_defs.h"
#include "host/feature/records.h"
#include "host/hook.h"
#include "host/kernel/ff_bridge.h"
#include "host/kernel/ff_sheets.h"
#include "host/kernel/kernel.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/memory.h"

namespace {

namespace hf = host::feature;
namespace ff = host::freeform;
using tag_t = unsigned int;

// What a constructor makes: the feature (by `record`, which answers it or
// a code) on the body that `body` makes (a kernel tag), combined with the
// target when the boolean type asks and the body is a solid. Answers 0 or
// the code of the step that failed; the model is then as it was.
struct Made {
    tag_t feature = 0;
    tag_t body = 0;
};
int construct(const std::function<int()>& body, const std::function<int(tag_t* feature)>& record, int boolean_type,
              tag_t target, Made* made) {
    const host::ModelSnapshot before = host::snapshot_model();
    Made m;
    int refused = 0;
    const int code = hf::caught([&] {
        const int entity = body();
        pxlook_(&entity, &m.body);
        tag_t owner = m.body, tool = 0;
        int sign = FEAT_SIGN_NEW, step = 0;
        if (boolean_type >= FEAT_SIGN_UNITE && boolean_type <= FEAT_SIGN_INTERSECT && target != 0) {
            const int t = ES_solid_ask_fermalith_tag(target);
            ZQ_BODY_boolean(t, entity, boolean_type);
            int steps = 0;
            ZQ_BODY_ask_step_count(t, &steps);
            tool = m.body;
            owner = target;
            sign = boolean_type;
            step = steps - 1;
        }
        if ((refused = record(&m.feature)) != 0) return;
        ff::attach_body(m.feature, owner, tool, step, sign);
    });
    if (code != 0 || refused != 0) {
        host::restore_model(before);
        return code != 0 ? code : refused;
    }
    *made = m;
    return 0;
}

int plain_feature(const char* kind, const std::vector<std::string>& formulas, tag_t* feature) {
    const tag_t part = host::parts::work_part();
    std::vector<tag_t> exps;
    for (const std::string& f : formulas) {
        tag_t e = 0;
        if (int c = host::expr::create_system(part, f, &e)) return c;
        exps.push_back(e);
    }
    *feature = hf::create(part, kind);
    hf::detail::edit(*feature)->exps = exps;
    return 0;
}

double number_of(const char* text) { return text ? std::strtod(text, nullptr) : 0.0; }

}  // namespace

extern "C" {

void VAROFF_create_frec(unsigned int face, char* const texts[VAROFF_N_TEXTS], unsigned int* feature, int* error) {
    auto call = HOST_ENTRY(face, texts, feature, error);
    call.need(texts, "the texts");
    call.need(feature, "the feature output");
    call.need(error, "the error output");
    *feature = 0;
    *error = 0;
    for (int i = 0; i < VAROFF_N_TEXTS; ++i) call.need(texts[i], "a text");
    const tag_t part = host::parts::work_part();
    double d[4], uv[8];
    for (int i = 0; i < 4; ++i)
        if (int c = EXP_ask_value_of_exp_str(part, texts[i], &d[i])) {
            *error = c;
            return;
        }
    for (int i = 0; i < 8; ++i) uv[i] = number_of(texts[4 + i]);
    const int kernel_face = ES_solid_ask_fermalith_tag(face);
    if (kernel_face == 0 || !ES_solid_is_a_face(face)) {
        *error = FEAT_ERR_BAD_PARAMETERS;
        return;
    }
    const double tolerance = number_of(texts[12]);
    Made m;
    *error = construct(
        [&] {
            int body = 0;
            ZQ_FFS_offset_face(kernel_face, d, uv, tolerance, &body);
            return body;
        },
        [&](tag_t* f) {
            return plain_feature("VARIABLE_OFFSET", {texts[0], texts[1], texts[2], texts[3]}, f);
        },
        0, 0, &m);
    if (*error == 0) *feature = m.feature;
}

int FREC_ask_top_target_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r) call.dead_tag(feature);
    return r->body != 0 ? ES_solid_ask_fermalith_tag(r->body) : 0;
}

unsigned int BREF_ask_current_bref(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return BREF_ask_current_target(part);
}

int THICKEN_SHEET_construct(THICKEN_SHEET_rec_t* record, unsigned int* feature) {
    auto call = HOST_ENTRY(record, feature);
    int status;
    if (call.status(status)) return status;
    call.need(record, "the record");
    call.need(feature, "the feature output");
    *feature = 0;
    record->n_faces = 0;
    record->faces = nullptr;
    if (!ES_solid_is_a_sheet_body(record->sheet)) return THICKEN_NOT_A_SHEET;
    const tag_t part = host::parts::work_part();
    const std::string first(record->first_offset, strnlen(record->first_offset, THICKEN_SHEET_TEXT));
    const std::string second(record->second_offset, strnlen(record->second_offset, THICKEN_SHEET_TEXT));
    double a = 0, b = 0;
    if (EXP_ask_value_of_exp_str(part, first.c_str(), &a) != 0 || EXP_ask_value_of_exp_str(part, second.c_str(), &b) != 0)
        return THICKEN_BAD_OFFSET;
    const int boolean = record->boolean_type;
    const tag_t target = boolean >= 1 && boolean <= 3 ? record->target : 0;
    if (target != 0) {
        int type = 0;
        const int t = ES_solid_is_a_body(target) ? ES_solid_ask_fermalith_tag(target) : 0;
        if (t != 0) ZQ_BODY_ask_type(t, &type);
        if (type != ZQ_BODY_SOLID) return THICKEN_TARGET_NOT_SOLID;
    }
    const int sheet = ES_solid_ask_fermalith_tag(record->sheet);
    bool thickened = false;
    Made m;
    const int code = construct(
        [&] {
            int body = 0;
            ZQ_FFS_thicken(sheet, a, b, &body);
            thickened = true;
            return body;
        },
        [&](tag_t* f) {
            return ff::create_thicken(part, ff::ThickenDefinition{record->sheet, first, second}, f);
        },
        boolean, target, &m);
    if (code == 0) {
        *feature = m.feature;
        return THICKEN_DONE;
    }
    if (thickened) {
        if (target == 0) return THICKEN_BAD_OFFSET;
        static constexpr int kBooleanFailed[3] = {THICKEN_UNITE_FAILED, THICKEN_SUBTRACT_FAILED,
                                                  THICKEN_INTERSECT_FAILED};
        return kBooleanFailed[boolean - 1];
    }
    if (code == KERNEL_ERR_NOT_DONE) {
        // The faces of the sheet the kernel could not thicken.
        const std::vector<int> faces = host::kernel::faces_of(sheet);
        if (faces.empty()) return THICKEN_NOT_BUILT;
        record->faces = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * faces.size()));
        for (int f : faces) record->faces[record->n_faces++] = host::kernel::object_of(f);
        return THICKEN_FAILED_FACES;
    }
    return THICKEN_NOT_BUILT;
}

void BRIDGESRF_init_data(BRIDGESRF_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the bridge data");
    *data = BRIDGESRF_data_t{};
    data->directions[0] = data->directions[1] = 1;
    data->types[0] = data->types[1] = data->types[2] = data->types[3] = 1;
    data->n_faces = 2;
    data->tolerance = 0.0254;
    data->angle_tolerance = 0.5;
}

int BRIDGESRF_pi_method(BRIDGESRF_data_t* data, int* error) {
    auto call = HOST_ENTRY(data, error);
    call.need(data, "the bridge data");
    call.need(error, "the error output");
    int status;
    if (call.status(status)) return *error = status;
    data->created = 0;
    *error = 0;
    int faces[2], edges[2];
    for (int i = 0; i < 4; ++i) {
        if (i >= 2 && data->faces[i] == 0 && data->edges[i] == 0) continue;
        const int f = ES_solid_ask_fermalith_tag(data->faces[i]), e = ES_solid_ask_fermalith_tag(data->edges[i]);
        // Each edge must be one of its face's body's edges.
        if (f == 0 || e == 0 || !ES_solid_is_a_face(data->faces[i]) || !ES_solid_is_a_edge(data->edges[i]) ||
            host::kernel::body_of(f) != host::kernel::body_of(e))
            return *error = BRIDGESRF_ERR_BAD_INPUT;
        if (i < 2) faces[i] = f, edges[i] = e;
    }
    for (int d : data->directions)
        if (d != 1 && d != -1) return *error = BRIDGESRF_ERR_BAD_INPUT;
    Made m;
    const int code = construct(
        [&] {
            int body = 0;
            // The side faces with their edges and the side strings' curves.
            ZQ_FFS_bridge_sides_t sides{data->tolerance, 0, {}, {}, 0, {}, nullptr};
            for (int i = 2; i < 4; ++i)
                if (data->faces[i] != 0 && sides.n_faces < 2) {
                    sides.faces[sides.n_faces] = ES_solid_ask_fermalith_tag(data->faces[i]);
                    sides.edges[sides.n_faces++] = ES_solid_ask_fermalith_tag(data->edges[i]);
                }
            std::vector<unsigned int> curves;
            for (int i = 0; i < data->n_curves && i < 2; ++i) {
                const std::vector<unsigned int> objects = host::profiles::strings_of_cm(data->curves[i]).objects;
                sides.per_string[sides.n_strings++] = static_cast<int>(objects.size());
                curves.insert(curves.end(), objects.begin(), objects.end());
            }
            sides.objects = curves.data();
            ZQ_FFS_bridge(faces, edges, data->directions, &sides, &body);
            return body;
        },
        [&](tag_t* f) { return plain_feature("BRIDGE_SURFACE", {}, f); }, 0, 0, &m);
    if (code != 0) return *error = code >= KERNEL_ERR_EXCEPTION && code <= KERNEL_ERR_BAD_PARAMETER ? BRIDGESRF_ERR_NOT_BUILT : code;
    data->created = m.body;
    return 0;
}

int CLOUD_is_boundary_convex(const CLOUD_boundary_t* boundary, const double frame[12]) {
    auto call = HOST_ENTRY(boundary, frame);
    int status;
    if (call.status(status)) return status;
    call.need(boundary, "the boundary");
    const int n = boundary->n_points;
    if (n < 3 || !boundary->points) return 0;
    static constexpr double kWorld[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double* f = frame ? frame : kWorld;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        const double* p = boundary->points + 3 * i;
        const double q[3] = {p[0] - f[0], p[1] - f[1], p[2] - f[2]};
        x[i] = q[0] * f[3] + q[1] * f[4] + q[2] * f[5];
        y[i] = q[0] * f[6] + q[1] * f[7] + q[2] * f[8];
    }
    int turn = 0;
    double winding = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n, k = (i + 2) % n;
        const double ax = x[j] - x[i], ay = y[j] - y[i], bx = x[k] - x[j], by = y[k] - y[j];
        const double c = ax * by - ay * bx;
        const double scale = std::hypot(ax, ay) * std::hypot(bx, by);
        if (std::abs(c) <= 1e-9 * scale) continue;
        const int s = c > 0 ? 1 : -1;
        if (turn != 0 && s != turn) return 0;
        turn = s;
        winding += std::atan2(c, ax * bx + ay * by);
    }
    // Convex turns that go round more than once make a star, not a convex polygon.
    return turn != 0 && std::abs(winding) < 2 * M_PI + 1e-6 ? 1 : 0;
}

int CLOUD_surface_from_points(int n, const double points[], const double matrix[9], const CLOUD_boundary_t* boundary,
                              int degree_u, int degree_v, int patches_u, int patches_v, int option,
                              double* mean_error, double* max_error, int* farthest, unsigned int* result) {
    auto call = HOST_ENTRY(n, points, boundary, result);
    int status;
    if (call.status(status)) return status;
    call.need(points, "the points");
    call.need(result, "the result output");
    *result = 0;
    double fit[3] = {};
    Made m;
    const int code = construct(
        [&] {
            int body = 0;
            ZQ_FFS_cloud(n, points, matrix, degree_u, degree_v, patches_u, patches_v, fit, &body);
            return body;
        },
        [&](tag_t* f) {
            if (int c = plain_feature("SURFACE_FROM_CLOUD", {}, f)) return c;
            hf::detail::edit(*f)->numbers = {static_cast<double>(degree_u), static_cast<double>(degree_v),
                                             static_cast<double>(patches_u), static_cast<double>(patches_v),
                                             static_cast<double>(option)};
            return 0;
        },
        0, 0, &m);
    if (code != 0) return code;
    if (mean_error) *mean_error = fit[0];
    if (max_error) *max_error = fit[1];
    if (farthest) *farthest = static_cast<int>(fit[2]);
    *result = m.body;
    return 0;
}

int FLIPNORMAL_ask_other_features(unsigned int sheet) {
    auto call = HOST_ENTRY(sheet);
    int status;
    if (call.status(status)) return status;
    int count = 0;
    unsigned int* features = nullptr;
    FREC_ask_body_features(sheet, &count, &features);
    SM_free(features);
    return count > 1 ? 1 : 0;
}

int FLIPNORMAL_construct(unsigned int sheet, unsigned int* feature) {
    auto call = HOST_ENTRY(sheet, feature);
    int status;
    if (call.status(status)) return status;
    call.need(feature, "the feature output");
    *feature = 0;
    if (!ES_solid_is_a_sheet_body(sheet)) return 1;
    const host::ModelSnapshot before = host::snapshot_model();
    tag_t made = 0;
    const int code = hf::caught([&] {
        const int body = ES_solid_ask_fermalith_tag(sheet);
        ZQ_FFS_reverse(body);
        int steps = 0;
        ZQ_BODY_ask_step_count(body, &steps);
        if (plain_feature("FLIP_NORMAL", {}, &made) != 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "no feature");
        ff::attach_body(made, sheet, 0, steps - 1, FEAT_SIGN_NEW);
    });
    if (code != 0) {
        host::restore_model(before);
        return 3;
    }
    *feature = made;
    return 0;
}

}  // extern "C"
