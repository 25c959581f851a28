// Silhouettes and shadow outlines of bodies in a view (through the host's
// hidden-line renderer), and curves simplified into lines and arcs.
#include "kx_curve_silhouette.h"

#include <cmath>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/platform/cfi/cfi.h"
#include "host/store/parts/parts.h"
#include "host/store/layers/layers.h"
#include "host/kernel/curves/splines.h"
#include "host/apps/modeling/section/hidden_lines.h"
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

constexpr int kHiddenLineWord = 31;
constexpr int kStart = 1, kCount = 3, kFetch = 4, kEnd = 5;

bool live(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

// Only a solid body is rendered: entity type 70 with subtype 0.
bool is_body(tag object) {
    const kc::TypeOf t = kc::type_of(object);
    return t.type == HOST_TYPE_SOLID && t.subtype == HOST_SUBTYPE_BODY;
}

// The view's transform handed to the renderer; answers the rows as
// assembled (the plane of the view: the origin column, the third row).
std::vector<double> set_view_transform(tag view) {
    double m[9], o[3], p[3];
    VIEW_ask_matrix(view, m);
    VIEW_ask_origin(view, o);
    VIEW_ask_perspective_vector(view, p);
    double s = VIEW_ask_scale(view);
    if (std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]) <= 1e-10) s = 1.0;
    std::vector<double> rows = {m[0], m[1], m[2], o[0], m[3], m[4], m[5], o[1],
                                m[6], m[7], m[8], o[2], p[0], p[1], p[2], s};
    double handed[16];
    h111_(rows.data(), handed);
    DSS_SOLID_set_transform_matrix(handed);
    return rows;
}

void hidden_lines(int operation, int* index = nullptr, tag* curve = nullptr) {
    int i = index ? *index : 0;
    hl205_(&operation, &i, curve);
    if (index) *index = i;
}

// A curve of the renderer made a member of the view.
void make_view_dependent(tag curve, tag view) {
    ES_set_view_dependent(curve, 0);
    ES_VDG_make_dependent(curve, view);
    ES_set_view_dependent(curve, 1);
}

// The curves the renderer collected, each made dependent on the view.
std::vector<tag> collected(tag view) {
    int n = 0;
    hidden_lines(kCount, &n);
    std::vector<tag> out;
    for (int i = 1; i <= n; ++i) {
        int k = i;
        tag c = NULL_TAG;
        hidden_lines(kFetch, &k, &c);
        make_view_dependent(c, view);
        out.push_back(c);
    }
    return out;
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_create_silhouette(tag body, tag view, int* count, tag** curves) {
    return kx::frame(
        [&] {
            kx::clear(count, curves);
            return kx::check({{count, 3}, {curves, 4}});
        },
        [&]() -> int {
            hidlin_[kHiddenLineWord] = 1;
            if (CONTEXT_ask_in_context()) return KX_ERR_EDITING_IN_CONTEXT;
            if (!live(body) || !live(view)) return KX_MODL_ERR_INVALID_FEATURE;
            if (!is_body(body)) return KX_MODL_ERR_WRONG_OBJECT;
            // The caller's array is handed out once the mark is gone.
            kx::host_ptr<tag> out;
            std::size_t made_count = 0;
            const int st = kc::model_change([&]() -> int {
                hidden_lines(kStart);
                set_view_transform(view);
                DSS_REND_init_list();
                DSS_REND_add_to_list(body);
                DSS_REND_render_solids(0, 0, 4, 0, 1, 0, 0);
                DSS_REND_delete_list();
                const std::vector<tag> made = collected(view);
                out.reset(kx::alloc_array<tag>(made.size()));
                for (std::size_t i = 0; i < made.size(); ++i) {
                    out.get()[i] = made[i];
                    DSS_REGEN_regen_object(made[i]);
                }
                hidden_lines(kEnd);
                made_count = made.size();
                return 0;
            });
            if (st != 0) return st;
            *count = static_cast<int>(made_count);
            *curves = out.release();
            return 0;
        });
}

KXAPI int KX_CURVE_create_shadow_outline(int body_count, tag bodies[], tag view, int* loop_count, int** curves_per_loop,
                                         tag*** loop_curves, int projection) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(loop_count, curves_per_loop, loop_curves);
            return 0;
        }),
        [&] {
            return kx::check({{body_count >= 0, 1},
                              {bodies || body_count == 0, 2},
                              {loop_count, 4},
                              {curves_per_loop, 5},
                              {loop_curves, 6}});
        },
        [&]() -> int {
            if (CONTEXT_ask_in_context()) return KX_ERR_EDITING_IN_CONTEXT;
            for (int i = 0; i < body_count; ++i) {
                if (!live(bodies[i])) return KX_MODL_ERR_INVALID_FEATURE;
                if (!is_body(bodies[i])) return KX_MODL_ERR_WRONG_OBJECT;
            }
            if (!live(view)) return KX_MODL_ERR_INVALID_FEATURE;
            // The caller's arrays, handed out once the mark is gone.
            kx::host_ptr<int> per_loop;
            kx::host_ptr<tag*> arrays;
            std::vector<kx::host_ptr<tag>> each;
            int loops = 0;
            const int st = kc::model_change([&]() -> int {
                // Rendered: the layers both the work view and the global
                // mask show.
                const int sequence = DSS_VIEW_ask_work_vseq();
                unsigned int in_view[LAYER_MASK_WORDS], shown_everywhere[LAYER_MASK_WORDS];
                dsp453_(&sequence, in_view);
                dsp456_(shown_everywhere);
                const auto on = [](const unsigned int* mask, int layer) {
                    return layer >= 0 && layer < 32 * LAYER_MASK_WORDS &&
                           mbtts_(reinterpret_cast<const int*>(mask), &layer) == 1;
                };
                hidden_lines(kStart);
                const std::vector<double> rows = set_view_transform(view);
                DSS_REND_init_list();
                int shown = 0;
                for (int i = 0; i < body_count; ++i) {
                    const int layer = ES_ask_entity_layer(bodies[i]);
                    if (on(in_view, layer) && on(shown_everywhere, layer) && !ES_is_blanked(bodies[i])) {
                        DSS_REND_add_to_list(bodies[i]);
                        ++shown;
                    }
                }
                if (shown == 0) ERROR_raise("kx_curve", 4315, KX_CURVE_ERR_NO_SOLIDS, "No Solids Found");
                hidlin_[kHiddenLineWord] = 1;
                DSS_REND_render_solids(0, 0, 21, 1, 1, 1, 0);
                DSS_REND_delete_list();
                const std::vector<tag> silhouettes = collected(view);
                if (silhouettes.empty()) {
                    hidden_lines(kEnd);
                    return 0;
                }
                // Projected onto the view's plane: through the view's origin,
                // normal to its Z row.
                const double plane[6] = {rows[3], rows[7], rows[11], rows[8], rows[9], rows[10]};
                const int options[6] = {3, 2, 1, 0, 0, 1};
                std::vector<tag> projected;
                for (tag s : silhouettes) {
                    int n = 0;
                    unsigned int* raw = nullptr;
                    CPROJ_create_curves_plane(s, plane, projection, options, &n, &raw);
                    kx::host_ptr<unsigned int> made(raw);
                    for (int k = 0; k < n; ++k) projected.push_back(raw[k]);
                }
                int outer = 0, inner = 0;
                int* sizes_raw = nullptr;
                unsigned int* members_raw = nullptr;
                CRV_LST_make_loops(static_cast<int>(projected.size()), projected.data(), 1e-10, &outer, &inner,
                                   &sizes_raw, &members_raw);
                kx::host_ptr<int> sizes(sizes_raw);
                kx::host_ptr<unsigned int> members(members_raw);
                for (tag s : silhouettes) kc::delete_temporary(s);
                hidden_lines(kEnd);
                // Curves that close no loop are of no use to the caller.
                std::vector<tag> kept;
                loops = outer + inner;
                for (int i = 0, at = 0; i < loops; ++i)
                    for (int k = 0; k < sizes_raw[i]; ++k) kept.push_back(members_raw[at++]);
                for (tag p : projected)
                    if (std::find(kept.begin(), kept.end(), p) == kept.end()) kc::delete_temporary(p);
                for (tag p : kept) DSS_REGEN_regen_object(p);
                if (loops == 0) return 0;
                per_loop.reset(kx::alloc_array<int>(static_cast<std::size_t>(loops)));
                arrays.reset(kx::alloc_array<tag*>(static_cast<std::size_t>(loops)));
                for (int i = 0, at = 0; i < loops; ++i) {
                    each.emplace_back(kx::alloc_array<tag>(static_cast<std::size_t>(sizes_raw[i])));
                    for (int k = 0; k < sizes_raw[i]; ++k) each.back().get()[k] = members_raw[at++];
                    per_loop.get()[i] = sizes_raw[i];
                }
                return 0;
            });
            if (st != 0 || loops == 0) return st;
            for (int i = 0; i < loops; ++i) arrays.get()[i] = each[static_cast<std::size_t>(i)].release();
            *loop_count = loops;
            *curves_per_loop = per_loop.release();
            *loop_curves = arrays.release();
            return 0;
        });
}

KXAPI int KX_CURVE_create_simplified_curve(int count, tag curves[], double tolerance, int* result_count,
                                           tag** results) {
    return kx::frame(
        [&] {
            kx::clear(result_count, results);
            if (count < 1) return static_cast<int>(KX_MODL_ERR_COUNT_BELOW_ONE);
            if (!(tolerance > 0.0)) return static_cast<int>(KX_MODL_ERR_BAD_TOLERANCE);
            return kx::check({{curves, 2}, {result_count, 4}, {results, 5}});
        },
        [&]() -> int {
            kx::host_ptr<tag> out;
            int made = 0;
            const int st = kc::model_change([&]() -> int {
                std::vector<tag> use;
                std::vector<tag> copies;
                // The edge copies go on every way out.
                struct Copies {
                    std::vector<tag>& list;
                    ~Copies() {
                        for (tag t : list) kx::release([t] { kc::delete_temporary(t); });
                    }
                } cleanup{copies};
                for (int i = 0; i < count; ++i) {
                    tag object = curves[i];
                    const int cls = object == NULL_TAG ? 0 : es0017_(&object);
                    if (cls == ES_CLASS_CURVE) {
                        use.push_back(object);
                    } else if (cls == ES_CLASS_EDGE) {
                        tag copy = NULL_TAG;
                        int error = 0;
                        kfp_edge(object, tolerance, &copy, &error);
                        if (error != 0 || copy == NULL_TAG) return KX_MODL_ERR_OPERATION_FAILED;
                        copies.push_back(copy);
                        use.push_back(copy);
                    } else {
                        return KX_MODL_ERR_WRONG_OBJECT;
                    }
                }
                unsigned int* raw = nullptr;
                const int answer = CRV_SIMP_simplify_curves(count, use.data(), tolerance, &made, &raw);
                kx::host_ptr<unsigned int> segments(raw);
                if (answer != 0 || made == 0) return KX_MODL_ERR_OPERATION_FAILED;
                out.reset(kx::alloc_array<tag>(static_cast<std::size_t>(made)));
                for (int i = 0; i < made; ++i) {
                    DSS_REGEN_regen_object(raw[i]);
                    out.get()[i] = raw[i];
                }
                return 0;
            });
            if (st != 0) return st;
            *result_count = made;
            *results = out.release();
            return 0;
        });
}

}  // extern "C"
