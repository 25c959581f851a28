// Edge blends: the registered variable-radius and cliff routines and their
// protected calls, the simple blend of a list of edges, and the blend
// records converted to and from the host's blend data.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kx_modl_blend.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_list.h"

#include "host/apps/modeling/blend/blend.h"
#include "host/store/entities/entity_store.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"

namespace {

constexpr const char* kModule = "kx_modl_edge_blend";
constexpr const char* kCreateMark = "Create blend (Kestrix Extension)";
constexpr const char* kNoLimit = "-1.0";
constexpr int kTextChars = KX_MODL_BLEND_TEXT_CHARS;

KX_MODL_var_blend_f_t g_var_blend = nullptr;
KX_MODL_cliff_blend_f_t g_cliff_blend = nullptr;

// A text of at most 255 characters of a 256-byte field (or of a buffer the
// caller's routine wrote), terminated in the destination.
template <std::size_t N>
void copy_text(char (&to)[N], const char* from) {
    const std::size_t n = strnlen(from, std::min<std::size_t>(N, kTextChars) - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

// Runs a registered routine in the user-program environment under a frame
// of its own: an error raised inside it is noted on the host log and the
// routine counts as having answered 0.
template <class Fn, class... A>
int protected_call(Fn* routine, const char* note, A... args) {
    if (!routine) return 0;
    const int env = RTENV_set_jqopen_env();
    int result = 0;
    {
        kx::frame_scope scope;
        try {
            result = kx::call_user(routine, args...);
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) {
                RTENV_set_env(env);
                throw;
            }
            ERROR_note(kModule, __LINE__, note);
            ERROR_acknowledge_handled(ERROR_ask_failure_code());
            result = 0;
        }
    }
    RTENV_set_env(env);
    return result;
}

// The host's blend data, released on every way out.
struct HostData {
    BLEND_ui_data_t data{};
    HostData() { BLEND_init_ui_data(&data); }
    ~HostData() {
        kx::release([&] { BLEND_clean_ui_data(&data); });
    }
    HostData(const HostData&) = delete;
    HostData& operator=(const HostData&) = delete;
};

// A record whose arrays are freed unless handed over.
struct OwnedRecord {
    edge_blend_data record{};
    OwnedRecord() = default;
    ~OwnedRecord() {
        kx::release([&] {
            for (int i = 0; i < record.number_of_edges && record.edges; ++i) SM_free(record.edges[i].points);
            SM_free(record.edges);
        });
    }
    OwnedRecord(const OwnedRecord&) = delete;
    OwnedRecord& operator=(const OwnedRecord&) = delete;
};

BLEND_edge_t* alloc_edges(int n) {
    auto* edges = static_cast<BLEND_edge_t*>(SM_alloc(static_cast<std::size_t>(n) * sizeof(BLEND_edge_t)));
    std::memset(edges, 0, static_cast<std::size_t>(n) * sizeof(BLEND_edge_t));
    return edges;
}

// Cheap checks of a caller's record before any host call.
int check_record(const edge_blend_data* d) {
    if (!d || d->number_of_edges < 0 || (d->number_of_edges > 0 && !d->edges)) return KX_MODL_ERR_NO_BLEND_DATA;
    for (int i = 0; i < d->number_of_edges; ++i) {
        const edge_blend_edge& e = d->edges[i];
        if (e.number_of_points < 0 || (e.number_of_points > 0 && !e.points)) return KX_MODL_ERR_NO_BLEND_DATA;
    }
    return 0;
}

// A limit text reaches the host only when it reads as a number above 0.
void copy_limit(char (&to)[BLEND_TEXT_CHARS], const char (&from)[kTextChars], bool active) {
    char text[kTextChars];
    copy_text(text, from);
    if (active && std::strtod(text, nullptr) > 0) copy_text(to, text);
    else std::strcpy(to, kNoLimit);
}

void record_to_host(const edge_blend_data& d, BLEND_ui_data_t* h) {
    h->blend_type = d.blend_type;
    h->flag = d.flag;
    h->limits_active = d.limits_active;
    h->tolerance = d.tolerance;
    copy_text(h->radius, d.default_radius);
    std::memcpy(h->options, d.options, 3);
    if (d.number_of_edges == 0) return;
    h->edges = alloc_edges(d.number_of_edges);
    h->number_of_edges = d.number_of_edges;
    for (int i = 0; i < d.number_of_edges; ++i) {
        const edge_blend_edge& e = d.edges[i];
        BLEND_edge_t& he = h->edges[i];
        he.edge = e.edge;
        copy_limit(he.limit_1, e.limit_1, d.limits_active != 0);
        copy_limit(he.limit_2, e.limit_2, d.limits_active != 0);
        if (d.blend_type == 1) he.cliff_edge = e.cliff_edge;
        if (e.number_of_points == 0) continue;
        const auto n = static_cast<std::size_t>(e.number_of_points);
        he.points = static_cast<BLEND_point_t*>(SM_alloc(n * sizeof(BLEND_point_t)));
        std::memset(he.points, 0, n * sizeof(BLEND_point_t));
        he.number_of_points = e.number_of_points;
        for (std::size_t j = 0; j < n; ++j) {
            he.points[j].parameter = he.points[j].edge_parameter = e.points[j].parameter;
            copy_text(he.points[j].radius, e.points[j].radius);
        }
    }
}

void preset_record(edge_blend_data* d) {
    std::memset(d, 0, sizeof *d);
    d->tolerance = srfc1_[0];
    std::strcpy(d->default_radius, ".25");
    d->options[0] = d->options[1] = d->options[2] = 1;
}

void host_to_record(const BLEND_ui_data_t& h, edge_blend_data* d) {
    d->blend_type = h.blend_type;
    d->flag = h.flag;
    d->limits_active = h.limits_active;
    d->tolerance = h.tolerance;
    copy_text(d->default_radius, h.radius);
    std::memcpy(d->options, h.options, 3);
    if (h.number_of_edges <= 0) return;
    const auto n = static_cast<std::size_t>(h.number_of_edges);
    auto* edges = static_cast<edge_blend_edge*>(SM_alloc(n * sizeof(edge_blend_edge)));
    std::memset(edges, 0, n * sizeof(edge_blend_edge));
    d->edges = edges;
    d->number_of_edges = h.number_of_edges;
    for (std::size_t i = 0; i < n; ++i) {
        const BLEND_edge_t& he = h.edges[i];
        edge_blend_edge& e = edges[i];
        e.edge = he.edge;
        copy_text(e.limit_1, he.limit_1);
        copy_text(e.limit_2, he.limit_2);
        if (h.blend_type == 1) e.cliff_edge = he.cliff_edge;
        if (he.number_of_points <= 0) continue;
        const auto k = static_cast<std::size_t>(he.number_of_points);
        e.points = static_cast<edge_blend_point*>(SM_alloc(k * sizeof(edge_blend_point)));
        std::memset(e.points, 0, k * sizeof(edge_blend_point));
        e.number_of_points = he.number_of_points;
        for (std::size_t j = 0; j < k; ++j) {
            e.points[j].parameter = he.points[j].parameter;
            copy_text(e.points[j].radius, he.points[j].radius);
        }
    }
}

// The feature checks of the edit and the query.
int check_blend_feature(tag feature) {
    if (es0022_(&feature) != 3 || !OM_is_subclass(OM_ask_class(feature), OM_CLASS_FEATURE))
        return KX_MODL_ERR_NO_OBJECT_DATA;
    if (!BLEND_is_edge_blend(feature)) return KX_MODL_ERR_WRONG_OBJECT;
    return 0;
}

bool live(tag object) { return object != NULL_TAG && host::objects::is_alive(object); }

// One edge of the simple blend: the routines' points and cliff edge.
int fill_simple_edge(tag edge, int option_1, int option_2, int option_3, double tolerance, BLEND_edge_t* he) {
    he->edge = edge;
    std::strcpy(he->limit_1, kNoLimit);
    std::strcpy(he->limit_2, kNoLimit);
    if (g_var_blend) {
        std::vector<std::array<double, 3>> points(KX_MODL_BLEND_MAX_POINTS);
        std::vector<std::array<char, kTextChars>> radii(KX_MODL_BLEND_MAX_POINTS);
        int count = 0;
        const int st = protected_call(g_var_blend, "User induced error caught in variable radius blend callback.", edge,
                                      reinterpret_cast<double(*)[3]>(points.data()),
                                      reinterpret_cast<char(*)[kTextChars]>(radii.data()), option_1, option_2, option_3,
                                      tolerance, &count);
        if (st != 0) return st;
        if (count < 0 || count > KX_MODL_BLEND_MAX_POINTS) return KX_MODL_ERR_NO_EDGES;
        if (count > 0) {
            const auto n = static_cast<std::size_t>(count);
            he->points = static_cast<BLEND_point_t*>(SM_alloc(n * sizeof(BLEND_point_t)));
            std::memset(he->points, 0, n * sizeof(BLEND_point_t));
            he->number_of_points = count;
            for (std::size_t j = 0; j < n; ++j) {
                unsigned int nearest = 0;
                double t = 0;
                BLEND_find_closest_edge(points[j].data(), 1, &he->edge, &nearest, &t);
                he->points[j].parameter = he->points[j].edge_parameter = t;
                char text[kTextChars];
                std::memcpy(text, radii[j].data(), kTextChars - 1);
                text[kTextChars - 1] = '\0';
                copy_text(he->points[j].radius, text);
            }
        }
    }
    if (g_cliff_blend && he->number_of_points == 0) {
        tag cliff = NULL_TAG;
        const int st =
            protected_call(g_cliff_blend, "User induced error caught in cliff blend callback.", edge, &cliff);
        if (st != 0) return st;
        if (!live(cliff)) return KX_MODL_ERR_NO_EDGES;
        he->cliff_edge = cliff;
    }
    return 0;
}

}  // namespace

KXAPI int KX_MODL_register_var_blend(KX_MODL_var_blend_f_t routine) {
    return kx::guarded([&] {
        g_var_blend = routine;
        kx::disallow_unload(reinterpret_cast<const void*>(routine));
        return 0;
    });
}

KXAPI int KX_MODL_unregister_var_blend(void) {
    g_var_blend = nullptr;
    return 0;
}

KXAPI int KX_MODL_register_cliff_blend(KX_MODL_cliff_blend_f_t routine) {
    return kx::guarded([&] {
        g_cliff_blend = routine;
        kx::disallow_unload(reinterpret_cast<const void*>(routine));
        return 0;
    });
}

KXAPI int KX_MODL_unregister_cliff_blend(void) {
    g_cliff_blend = nullptr;
    return 0;
}

// The mark of the simple blend stays as the user's undo step on success;
// a failure rolls back to it and deletes it.
KXAPI int KX_MODL_create_blend(const char* radius, tag_list* edges, int option_1, int option_2, int option_3,
                                          double tolerance, tag* feature) {
    std::vector<tag> items;
    return kx::frame(
        kx::Opts{.check_init = false, .acknowledge = kx::every_code},
        [&] {
            kx::clear(feature);
            if (int st = kx::check({{radius, 1}, {feature, 7}})) return st;
            if (strnlen(radius, kTextChars) >= kTextChars) return kx::param(1);
            items = kx::tags_of(edges);
            return items.empty() ? static_cast<int>(KX_MODL_ERR_NO_EDGES) : 0;
        },
        [&] {
            const kx::Bracket mark{.visibility = 1, .name = kCreateMark, .keep_on_success = true};
            const int st = kx::undo_bracket(mark, [&] {
                int status = 0;
                HostData host;
                BLEND_ui_data_t& d = host.data;
                d.edges = alloc_edges(static_cast<int>(items.size()));
                copy_text(d.radius, radius);
                d.flag = 1;
                d.tolerance = tolerance;
                d.options[0] = option_1 == 0 ? 1 : 0;
                d.options[1] = option_2 == 0 ? 1 : 0;
                d.options[2] = option_3 == 0 ? 1 : 0;
                for (tag edge : items) {
                    if (!live(edge)) continue;
                    BLEND_edge_t& he = d.edges[d.number_of_edges++];
                    status = fill_simple_edge(edge, option_1, option_2, option_3, tolerance, &he);
                    if (status != 0) break;
                }
                if (status == 0 && d.number_of_edges == 0) status = KX_MODL_ERR_NO_EDGES;
                tag made = NULL_TAG;
                if (status == 0) {
                    int error = 0;
                    BLEND_create_feature(&d, &made, &error);
                    status = error;
                }
                if (status == 0) *feature = made;
                return status;
            });
            if (st != 0) *feature = NULL_TAG;
            return st;
        });
}

KXAPI int KX_MODL_create_edge_blend(const edge_blend_data* data, tag* feature) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            kx::clear(feature);
            if (!feature) return kx::param(2);
            return check_record(data);
        },
        [&] {
            return kx::create_bracketed(1, feature, [&] {
                HostData host;
                record_to_host(*data, &host.data);
                tag made = NULL_TAG;
                int error = 0;
                BLEND_create_feature(&host.data, &made, &error);
                if (error != 0) return static_cast<int>(KX_MODL_ERR_BLEND_REFUSED);
                *feature = made;
                return 0;
            });
        });
}

KXAPI int KX_MODL_edit_edge_blend(tag feature, const edge_blend_data* data) {
    return kx::frame(
        kx::acknowledging, [&] { return check_record(data); },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                if (int st = check_blend_feature(feature)) return st;
                HostData host;
                record_to_host(*data, &host.data);
                int error = 0;
                BLEND__load_blend_parms(feature, &host.data, 0, &error);
                if (error != 0) return static_cast<int>(KX_MODL_ERR_BLEND_REFUSED);
                UPDATE_log_object_to_update(feature);
                return 0;
            });
        });
}

KXAPI int KX_MODL_ask_edge_blend(tag feature, edge_blend_data* data) {
    return kx::frame(
        kx::acknowledging, [&] { return data ? 0 : static_cast<int>(KX_MODL_ERR_NO_BLEND_DATA); },
        [&] {
            preset_record(data);
            if (int st = check_blend_feature(feature)) return st;
            // The caller's arrays are handed over only when the host data
            // was released as well.
            OwnedRecord out;
            preset_record(&out.record);
            {
                HostData host;
                BLEND__load_ui_data_from_parms(feature, &host.data);
                host_to_record(host.data, &out.record);
            }
            if (kx::detail::g_release_failure != 0) return 0;  // the frame takes it as the status
            *data = out.record;
            out.record.edges = nullptr;
            out.record.number_of_edges = 0;
            return 0;
        });
}

KXAPI int KX_MODL_ask_blend_parms(tag feature, int /*unused*/, char** radius) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            kx::clear(radius);
            return kx::check({{radius, 3}});
        },
        [&] {
            if (!BLEND_is_edge_blend(feature)) return static_cast<int>(KX_MODL_ERR_WRONG_KIND);
            const unsigned int exp = FREC_ask_parm_exp(feature, "Radius");
            char* text = nullptr;
            if (int st = EXP_ask_assignment_of_exp(exp, &text)) return st;
            *radius = text;
            return 0;
        });
}
