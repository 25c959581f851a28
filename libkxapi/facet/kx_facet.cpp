// Facetted models: checks of tags and indices, the caller's parameter
// record to the host's and back, lengths between the part's units and the
// host's, and the host's facet service.
#include "kx_facet.h"

#include <cstring>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/entities/display.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/kernel/mesh/facet.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_codes.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr const char* kModule = "kx_facet";
constexpr const char* kNoWorkPart = "No current work part";

const char* text_of(int code) {
#define KX_FACET_TEXT(name, number, text) \
    if (code == (number)) return text;
    KX_FACET_CODES(KX_FACET_TEXT)
#undef KX_FACET_TEXT
    return "";
}

// Raises a code of this module with its text, naming the module and line.
[[noreturn]] void raise(int line, int code) {
    ERROR_raise(kModule, line, code, "%s", text_of(code));
    __builtin_unreachable();
}

// Codes this module raises and answers itself: acknowledged, so that the
// host does not report them again.
bool own_code(int code) { return code == KX_FACET_ERR_VERSION || code == KX_FACET_ERR_DEGENERATE; }

// ---- checks ----------------------------------------------------------------

// E and M: an occurrence refused when editing; the object (the prototype
// of an occurrence) must be a model.
void check_model(tag model, bool edit) {
    const bool occurrence = model != NULL_TAG && TAG_allocated_tag(model) && OCC_is_occurrence(model);
    if (edit && occurrence) raise(__LINE__, KX_FACET_ERR_OCCURRENCE);
    const tag object = occurrence ? OCC_ask_prototype_of_occ(model) : model;
    const OM_class_t model_class = OM_ask_class_of_name("FACET_topology_c");
    if (object == NULL_TAG || !TAG_allocated_tag(object) || model_class == 0 ||
        !OM_is_subclass(OM_ask_class(object), model_class))
        raise(__LINE__, KX_FACET_ERR_INVALID_MODEL);
}

// F: a facet id of a facet that has vertices.
void check_facet(tag model, int facet) {
    if (facet < 0 || facet >= FACET_ask_num_facet_ids(model) || FACET_ask_num_vertices_of_facet(model, facet) < 1)
        raise(__LINE__, KX_FACET_ERR_INVALID_FACET);
}

// V and G: a vertex or edge of the facet.
void check_in_facet(tag model, int facet, int index, int code) {
    if (index < 0 || index >= FACET_ask_num_vertices_of_facet(model, facet)) raise(__LINE__, code);
}

// A: a face id of the model.
void check_face(tag model, int face_id) {
    if (face_id < 0 || face_id >= FACET_ask_num_faces(model)) raise(__LINE__, KX_FACET_ERR_INVALID_FACE);
}

// ---- lengths ------------------------------------------------------------------

struct Scale {
    double from_host = 1;  // lengths coming back
    double to_host = 1;    // lengths going to the host
};

Scale scale_of(tag object) {
    double f[2] = {1, 1};
    PART_ask_zr_scale_factors(object, f);
    return {f[0], f[1]};
}

// ---- parameters -----------------------------------------------------------------

facet_parameters defaults() {
    facet_parameters p{};
    p.version = KX_FACET_PARAMETERS_VERSION;
    p.limit_count = 3;
    p.max_length = 1000;
    p.option_1 = 1;
    p.precision_kind = 1;
    p.direction[2] = 1;
    return p;
}

bool new_layout(const facet_parameters& p) {
    return p.version == KX_FACET_PARAMETERS_VERSION || p.version == KX_FACET_PARAMETERS_VERSION_V1;
}

// The fields the two layouts share, from limit_count to precision_kind.
template <class Record>
void shared_to_host(const Record& p, double k, FACET_parms_t& h) {
    h.limit_count = p.limit_count;
    h.tolerance_1_set = static_cast<unsigned char>(p.tolerance_1_set);
    h.tolerance_1_distance = p.tolerance_1_distance * k;
    h.tolerance_1_angle = p.tolerance_1_angle;
    h.tolerance_2_set = static_cast<unsigned char>(p.tolerance_2_set);
    h.tolerance_2_distance = p.tolerance_2_distance * k;
    h.tolerance_2_angle = p.tolerance_2_angle;
    h.max_length = p.max_length * k;
    h.option_1 = static_cast<unsigned char>(p.option_1);
    h.option_2 = static_cast<unsigned char>(p.option_2);
    h.length_2 = p.length_2 * k;
    h.precision_kind = p.precision_kind;
}

// The caller's record into the host's (which holds the host's values for
// what an older record lacks).
void to_host(const facet_parameters* given, double k, FACET_parms_t& h) {
    if (!new_layout(*given)) {
        shared_to_host(*reinterpret_cast<const facet_parameters_old*>(given), k, h);
        h.option_3 = 0;
        return;
    }
    const facet_parameters& p = *given;
    shared_to_host(p, k, h);
    h.option_3 = static_cast<unsigned char>(p.option_3);
    h.option_4 = static_cast<unsigned char>(p.option_4);
    std::memcpy(h.direction, p.direction, sizeof h.direction);
    h.length_3 = p.length_3 * k;
    if (p.version == KX_FACET_PARAMETERS_VERSION) h.option_5 = static_cast<unsigned char>(p.option_5);
    if (p.version == KX_FACET_PARAMETERS_VERSION_V1 && p.option_3) h.option_5 = 1;
}

// The host's record back into the caller's; a record of another version
// is first filled with the defaults.
void from_host(const FACET_parms_t& h, double k, facet_parameters* p) {
    if (!new_layout(*p)) *p = defaults();
    p->limit_count = h.limit_count;
    p->tolerance_1_set = static_cast<char>(h.tolerance_1_set);
    p->tolerance_1_distance = h.tolerance_1_distance * k;
    p->tolerance_1_angle = h.tolerance_1_angle;
    p->tolerance_2_set = static_cast<char>(h.tolerance_2_set);
    p->tolerance_2_distance = h.tolerance_2_distance * k;
    p->tolerance_2_angle = h.tolerance_2_angle;
    p->max_length = h.max_length * k;
    p->option_1 = static_cast<char>(h.option_1);
    p->option_2 = static_cast<char>(h.option_2);
    p->length_2 = h.length_2 * k;
    p->precision_kind = h.precision_kind;
    p->option_3 = static_cast<char>(h.option_3);
    p->option_4 = static_cast<char>(h.option_4);
    std::memcpy(p->direction, h.direction, sizeof h.direction);
    p->length_3 = h.length_3 * k;
    if (p->version == KX_FACET_PARAMETERS_VERSION) p->option_5 = static_cast<char>(h.option_5);
}

// The host parameters for faceting `object`'s part: the work part's
// defaults, replaced by the caller's record when given.
FACET_parms_t host_parms(tag object, const facet_parameters* given) {
    FACET_parms_t h{};
    FACET_ask_faceting_parms(CONTEXT_ask_work_part(), &h);
    if (given) to_host(given, scale_of(object).to_host, h);
    return h;
}

// ---- frames ------------------------------------------------------------------------

// The steps of adding a facet: the mesh's box, the vertex and normal
// indices, the facet.
int add_facet(tag model, int n, double vertices[][3], double normals[][3], int hints[], int* facet) {
    {
        const tag mesh = FACET_ask_model_of_topol(model);
        if (!BBOX_has_box(mesh)) {
            const double box[6] = {-10000, -10000, -10000, 10000, 10000, 10000};
            BBOX_create_or_edit_axial(mesh, box);
        }
        const double k = scale_of(model).to_host;
        std::vector<int> vi(static_cast<std::size_t>(n)), ni(static_cast<std::size_t>(n), -1);
        for (int i = 0; i < n; ++i) {
            const double p[3] = {vertices[i][0] * k, vertices[i][1] * k, vertices[i][2] * k};
            vi[static_cast<std::size_t>(i)] = FACET_ask_vertex_index(mesh, p, 1);
            if (normals) ni[static_cast<std::size_t>(i)] = FACET_ask_vertex_normal_index(mesh, normals[i]);
        }
        for (int i = 0; i < n; ++i)
            if (vi[static_cast<std::size_t>(i)] == vi[static_cast<std::size_t>((i + 1) % n)]) {
                *facet = -1;
                raise(__LINE__, KX_FACET_ERR_DEGENERATE);
            }
        *facet = FACET_topol_add_fct_with_hints(model, n, vi.data(), normals ? ni.data() : nullptr, hints);
        return 0;
    }
}

const kx::Opts kFacetOpts{.acknowledge = own_code};

// A query of a model: M (and F when facet is not -2), then the work.
template <class Work>
int model_query(tag model, Work&& work) {
    return kx::frame(kFacetOpts, [&]() -> int {
        check_model(model, false);
        return work();
    });
}

template <class Work>
int facet_query(tag model, int facet, Work&& work) {
    return model_query(model, [&]() -> int {
        check_facet(model, facet);
        return work();
    });
}

template <class Work>
int model_edit(tag model, Work&& work) {
    return kx::frame(kFacetOpts, [&]() -> int {
        check_model(model, true);
        return work();
    });
}

}  // namespace

extern "C" {

KXAPI int KX_FACET_set_default_parameters(facet_parameters* parameters) {
    return kx::frame(kFacetOpts, [&]() -> int {
        if (!parameters) return kx::param(1);
        if (!new_layout(*parameters)) raise(__LINE__, KX_FACET_ERR_VERSION);
        const tag work = CONTEXT_ask_work_part();
        if (work == NULL_TAG) ERROR_raise(kModule, __LINE__, KX_PART_ERR_CLEANUP_FAILED, "%s", kNoWorkPart);
        FACET_parms_t h{};
        FACET_ask_faceting_parms(work, &h);
        to_host(parameters, scale_of(work).to_host, h);
        FACET_set_faceting_parms(work, &h);
        return 0;
    });
}

KXAPI int KX_FACET_ask_default_parameters(facet_parameters* parameters) {
    return kx::frame(kFacetOpts, [&]() -> int {
        if (!parameters) return kx::param(1);
        const tag root = CONTEXT_ask_root_part();
        if (root == NULL_TAG) ERROR_raise(kModule, __LINE__, KX_PART_ERR_CLEANUP_FAILED, "%s", kNoWorkPart);
        FACET_parms_t h{};
        FACET_ask_faceting_parms(root, &h);
        from_host(h, scale_of(root).from_host, parameters);
        return 0;
    });
}

KXAPI int KX_FACET_facet_solid(tag solid, facet_parameters* parameters, tag* model) {
    return kx::frame(
        kFacetOpts,
        [&] {
            kx::clear(model);
            return kx::check({{model, 3}});
        },
        [&]() -> int {
            const FACET_parms_t h = host_parms(solid, parameters);
            return kx::create_bracketed(0, model, [&]() -> int {
                int failure = 0;
                FACET_facet_body(solid, "", &h, model, &failure);
                if (failure != 0) return failure;
                DSS_REGEN_regen_object(*model);
                return 0;
            });
        });
}

KXAPI int KX_FACET_update_model(tag model, facet_parameters* parameters) {
    return model_edit(model, [&]() -> int {
        FACET_parms_t h{};
        if (parameters) {
            FACET_ask_faceting_parms(CONTEXT_ask_work_part(), &h);
            to_host(parameters, scale_of(model).to_host, h);
        } else {
            FACET_ask_parms_of_topology(model, &h);
        }
        FACET_refacet_body_with_parms(model, &h);
        return 0;
    });
}

KXAPI int KX_FACET_create_model(tag part, tag* model) {
    return kx::frame(
        kFacetOpts,
        [&] {
            kx::clear(model);
            return kx::check({{model, 2}});
        },
        [&]() -> int {
            facet_parameters p = defaults();
            FACET_parms_t h{};
            FACET_ask_faceting_parms(CONTEXT_ask_root_part(), &h);
            from_host(h, scale_of(part).from_host, &p);
            if (p.precision_kind == 2) FACET_create_model("", part, 0, model);
            else FACET_create_double_model("", part, 0, model);
            return 0;
        });
}

KXAPI int KX_FACET_model_edits_done(tag model) {
    return model_edit(model, [&] {
        return kx::edit_with_tail([&] {
            FACET_topol_creation_done(model);
            DSS_REGEN_regen_object(model);
            return 0;
        });
    });
}

KXAPI int KX_FACET_add_facet_to_model(tag model, int n, double vertices[][3], double normals[][3], int hints[],
                                      int* facet) {
    return model_edit(model, [&]() -> int {
        if (n < 3) raise(__LINE__, KX_FACET_ERR_INSUFFICIENT_VERTICES);
        if (!vertices) return kx::param(3);
        if (!facet) return kx::param(6);
        return kx::edit_with_tail([&] { return add_facet(model, n, vertices, normals, hints, facet); });
    });
}

KXAPI int KX_FACET_del_facet_from_model(tag model, int facet) {
    return model_edit(model, [&] {
        check_facet(model, facet);
        FACET_topol_delete_facet(model, facet);
        return 0;
    });
}

KXAPI int KX_FACET_set_adjacent_facet(tag model, int facet, int edge, int adjacent) {
    return model_edit(model, [&] {
        check_facet(model, facet);
        FACET_set_facet_at_edge(model, facet, edge, adjacent);
        return 0;
    });
}

KXAPI int KX_FACET_rebuild_adjacencies(tag model) {
    return model_edit(model, [&] {
        FACET_rebuild_topology(model);
        return 0;
    });
}

KXAPI int KX_FACET_disassoc_from_solid(tag model) {
    return model_edit(model, [&] {
        FACET_disassociate_from_def(model);
        return 0;
    });
}

KXAPI int KX_FACET_cycle_facets(tag model, int* facet) {
    return model_query(model, [&]() -> int {
        if (!facet) return kx::param(2);
        *facet = *facet == -1 ? FACET_ask_first_facet_id(model) : FACET_ask_next_facet_id(model, *facet);
        return 0;
    });
}

KXAPI int KX_FACET_ask_n_facets_in_model(tag model, int* count) {
    return model_query(model, [&]() -> int {
        if (!count) return kx::param(2);
        int n = 0;
        for (int f = FACET_ask_first_facet_id(model); f != -1; f = FACET_ask_next_facet_id(model, f)) ++n;
        *count = n;
        return 0;
    });
}

KXAPI int KX_FACET_ask_max_facet_verts(tag model, int* count) {
    return model_query(model, [&]() -> int {
        if (!count) return kx::param(2);
        *count = FACET_ask_max_fct_verts_in_topl(model);
        return 0;
    });
}

KXAPI int KX_FACET_ask_num_verts_in_facet(tag model, int facet, int* count) {
    return facet_query(model, facet, [&]() -> int {
        if (!count) return kx::param(3);
        *count = FACET_ask_num_vertices_of_facet(model, facet);
        return 0;
    });
}

KXAPI int KX_FACET_ask_vertices_of_facet(tag model, int facet, int* count, double vertices[][3]) {
    return facet_query(model, facet, [&]() -> int {
        if (!count) return kx::param(3);
        if (!vertices) return kx::param(4);
        *count = FACET_ask_vertices_of_facet(model, facet, vertices);
        const double k = scale_of(model).from_host;
        for (int i = 0; i < *count; ++i)
            for (int c = 0; c < 3; ++c) vertices[i][c] *= k;
        return 0;
    });
}

KXAPI int KX_FACET_ask_normals_of_facet(tag model, int facet, int* count, double normals[][3]) {
    return facet_query(model, facet, [&]() -> int {
        if (!count) return kx::param(3);
        if (!normals) return kx::param(4);
        *count = FACET_ask_normals_of_facet(model, facet, normals);
        return 0;
    });
}

KXAPI int KX_FACET_ask_params_of_facet(tag model, int facet, int* count, double params[][2]) {
    return facet_query(model, facet, [&]() -> int {
        if (!count) return kx::param(3);
        if (!params) return kx::param(4);
        *count = FACET_ask_params_of_facet(model, facet, params);
        return 0;
    });
}

KXAPI int KX_FACET_ask_adjacent_facet(tag model, int facet, int edge, int* adjacent, int* adjacent_edge) {
    return facet_query(model, facet, [&]() -> int {
        check_in_facet(model, facet, edge, KX_FACET_ERR_INVALID_EDGE);
        if (!adjacent) return kx::param(4);
        if (!adjacent_edge) return kx::param(5);
        int other = -1;
        if (!FACET_ask_facet_at_edge(model, facet, edge, &other)) {
            *adjacent = -1;
            *adjacent_edge = -1;
            return 0;
        }
        *adjacent = other;
        *adjacent_edge = FACET_identify_common_edge(model, facet, edge, other);
        return 0;
    });
}

KXAPI int KX_FACET_find_edge_in_facet(tag model, int facet, double point_1[3], double point_2[3], int* sense,
                                      int* edge) {
    return facet_query(model, facet, [&]() -> int {
        if (!point_1) return kx::param(3);
        if (!point_2) return kx::param(4);
        if (!sense) return kx::param(5);
        if (!edge) return kx::param(6);
        const double k = scale_of(model).to_host;
        const double a[3] = {point_1[0] * k, point_1[1] * k, point_1[2] * k};
        const double b[3] = {point_2[0] * k, point_2[1] * k, point_2[2] * k};
        // Found, not made: a point of no vertex matches nothing.
        const int va = FACET_ask_vertex_index(model, a, 0), vb = FACET_ask_vertex_index(model, b, 0);
        const int n = FACET_ask_num_vertices_of_facet(model, facet);
        std::vector<double> v(static_cast<std::size_t>(n) * 3);
        FACET_ask_vertices_of_facet(model, facet, reinterpret_cast<double(*)[3]>(v.data()));
        std::vector<int> idx(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) idx[static_cast<std::size_t>(i)] = FACET_ask_vertex_index(model, &v[3 * i], 0);
        for (int i = 0; i < n && va != -1; ++i) {
            if (idx[static_cast<std::size_t>(i)] != va) continue;
            if (idx[static_cast<std::size_t>((i + 1) % n)] == vb) {
                *edge = i;
                *sense = 0;
                return 0;
            }
            if (idx[static_cast<std::size_t>((i + n - 1) % n)] == vb) {
                *edge = (i + n - 1) % n;
                *sense = 1;
                return 0;
            }
            break;
        }
        return KX_FACET_ERR_EDGE_NOT_FOUND;
    });
}

KXAPI int KX_FACET_ask_vertex_convexity(tag model, int facet, int vertex, int* convexity) {
    return facet_query(model, facet, [&]() -> int {
        check_in_facet(model, facet, vertex, KX_FACET_ERR_INVALID_VERTEX);
        if (!convexity) return kx::param(4);
        *convexity = FACET_ask_vertex_convexity(model, facet, vertex);
        return 0;
    });
}

KXAPI int KX_FACET_ask_edge_convexity(tag model, int facet, int edge, int* convexity) {
    return facet_query(model, facet, [&]() -> int {
        check_in_facet(model, facet, edge, KX_FACET_ERR_INVALID_EDGE);
        if (!convexity) return kx::param(4);
        *convexity = FACET_ask_edge_convexity(model, facet, edge);
        return 0;
    });
}

KXAPI int KX_FACET_is_facet_convex(tag model, int facet, char* convex) {
    return facet_query(model, facet, [&]() -> int {
        if (!convex) return kx::param(3);
        *convex = static_cast<char>(FACET_is_facet_convex(model, facet));
        return 0;
    });
}

KXAPI int KX_FACET_is_model_convex(tag model, char* convex) {
    return model_query(model, [&]() -> int {
        if (!convex) return kx::param(2);
        *convex = static_cast<char>(FACET_is_topol_convex(model));
        return 0;
    });
}

KXAPI int KX_FACET_ask_plane_equation(tag model, int facet, double normal[3], double* d) {
    return facet_query(model, facet, [&]() -> int {
        if (!normal) return kx::param(3);
        if (!d) return kx::param(4);
        FACET_ask_facet_plane_eqn(model, facet, normal, d);
        *d *= scale_of(model).from_host;
        return 0;
    });
}

KXAPI int KX_FACET_is_model_up_to_date(tag model, char* up_to_date) {
    return model_query(model, [&]() -> int {
        if (!up_to_date) return kx::param(2);
        *up_to_date = FACET_is_topology_out_of_date(model) == 0 ? 1 : 0;
        return 0;
    });
}

KXAPI int KX_FACET_ask_solid_of_model(tag model, tag* solid) {
    return model_query(model, [&]() -> int {
        if (!solid) return kx::param(2);
        const tag s = FACET_ask_definition(model);
        *solid = s != NULL_TAG && TAG_allocated_tag(s) && RM_ask_entity_type(s) == HOST_TYPE_SOLID ? s : NULL_TAG;
        return 0;
    });
}

KXAPI int KX_FACET_ask_available_solid(tag model, tag* solid) {
    return kx::frame(
        kFacetOpts, kx::on_error([&] { kx::clear(solid); }),
        [&] {
            return kx::check({{solid, 2}});
        },
        [&]() -> int {
            check_model(model, false);
            *solid = FACET_is_solid_body_available(model) ? FACET_ask_definition(model) : NULL_TAG;
            return 0;
        });
}

KXAPI int KX_FACET_ask_models_of_solid(tag solid, int* count, tag** models) {
    return kx::frame(
        kFacetOpts,
        [&] {
            kx::clear(count, models);
            return kx::check({{count, 2}, {models, 3}});
        },
        [&]() -> int {
            int n = 0;
            kx::host_ptr<unsigned int> found;
            unsigned int* raw = nullptr;
            FACET_ask_dependent_topologys(solid, &n, &raw);
            found.reset(raw);
            tag* out = kx::alloc_array<tag>(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) out[i] = raw[i];
            *models = out;
            *count = n;
            return 0;
        });
}

KXAPI int KX_FACET_ask_model_parameters(tag model, facet_parameters* parameters) {
    return model_query(model, [&]() -> int {
        if (!parameters) return kx::param(2);
        FACET_parms_t h{};
        FACET_ask_parms_of_topology(model, &h);
        from_host(h, scale_of(model).from_host, parameters);
        return 0;
    });
}

KXAPI int KX_FACET_ask_face_id_of_solid_face(tag model, tag face, int* face_id) {
    return model_query(model, [&]() -> int {
        const tag proto = face != NULL_TAG && TAG_allocated_tag(face) && OCC_is_occurrence(face)
                              ? OCC_ask_prototype_of_occ(face)
                              : face;
        if (proto == NULL_TAG || !TAG_allocated_tag(proto) || !ES_solid_is_a_face(proto))
            raise(__LINE__, KX_FACET_ERR_INVALID_SOLID_FACE);
        if (!face_id) return kx::param(3);
        *face_id = FACET_ask_face_id_of_tag(model, face);
        return 0;
    });
}

KXAPI int KX_FACET_ask_solid_face_of_facet(tag model, int facet, tag* face) {
    return facet_query(model, facet, [&]() -> int {
        if (!face) return kx::param(3);
        *face = FACET_ask_solid_face_of_facet(model, facet);
        return 0;
    });
}

KXAPI int KX_FACET_ask_solid_face_of_face_id(tag model, int face_id, tag* face) {
    return model_query(model, [&]() -> int {
        check_face(model, face_id);
        if (!face) return kx::param(3);
        *face = FACET_ask_tag_of_face_id(model, face_id);
        return 0;
    });
}

KXAPI int KX_FACET_ask_face_id_of_facet(tag model, int facet, int* face_id) {
    return facet_query(model, facet, [&]() -> int {
        if (!face_id) return kx::param(3);
        *face_id = FACET_ask_face_id_of_facet(model, facet);
        return 0;
    });
}

KXAPI int KX_FACET_ask_num_faces(tag model, int* count) {
    return model_query(model, [&]() -> int {
        if (!count) return kx::param(2);
        *count = FACET_ask_num_faces(model);
        return 0;
    });
}

KXAPI int KX_FACET_ask_num_facets_in_face(tag model, int face_id, int* count) {
    return model_query(model, [&]() -> int {
        check_face(model, face_id);
        if (!count) return kx::param(3);
        *count = FACET_ask_facets_in_face(model, face_id);
        return 0;
    });
}

KXAPI int KX_FACET_cycle_facets_in_face(tag model, int face_id, int* facet) {
    return model_query(model, [&]() -> int {
        check_face(model, face_id);
        if (!facet) return kx::param(3);
        if (*facet == -1) {
            *facet = FACET_ask_first_facet_in_face(model, face_id);
            return 0;
        }
        check_facet(model, *facet);
        *facet = FACET_ask_next_facet_in_face(model, face_id, *facet);
        return 0;
    });
}

}  // extern "C"
