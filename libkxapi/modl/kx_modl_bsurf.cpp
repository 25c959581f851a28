// B-surfaces: sheets from poles and knots (whole, trimmed, with their
// edges), from a record with repair and through rows of points; repair and
// smoothing of a record; the B-surface of a face and a face given a new one.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/kernel/bsurf/bsurf.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/brep_states.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_modl_bsurf.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr std::int64_t kMaxCount = 2147483600;
constexpr int kMinOrder = 2;
constexpr int kMaxOrder = 25;
constexpr int kMaxDegree = 24;
constexpr double kMinWeight = 1e-10;
constexpr double kMinTolerance = 1e-10;
constexpr double kEditTolerance = 1e-10;
constexpr double kToleranceFactor = 1e-8;
constexpr int kFirstIllegalState = 60;
constexpr int kOptionNumber = 12;
constexpr int kLiveObject = 3;
constexpr int kBodyEntity = 70;
constexpr int kFaceSubtype = 2;
constexpr int kBodySubtype = 0;

// Kernel codes the mapping tables name.
constexpr int kKernelAborted = 901;
constexpr int kKernelDegenerate = 116;
constexpr int kKernelNoSheet = 914;
constexpr int kKernelCurvesOff = 1064;
constexpr int kHostAborted = 903;
constexpr int kHostAbortedToo = KX_MODL_ERR_HOST_ABORTED;
constexpr int kHitList[2] = {22, 68};

bool aborted(int code) { return code == kHostAborted || code == kHostAbortedToo; }

// ---- validation --------------------------------------------------------------

struct Loose {
    int nu, nv, ou, ov;
    const double* ku;
    const double* kv;
    const double* poles;
};

bool counts_ok(const Loose& d) {
    if (d.nu < 0 || d.nv < 0 || d.nu > kMaxCount || d.nv > kMaxCount) return false;
    if (static_cast<std::int64_t>(d.nu) * d.nv > kMaxCount) return false;
    return d.ou >= kMinOrder && d.ov >= kMinOrder && d.ou <= kMaxOrder && d.ov <= kMaxOrder && d.ou <= d.nu &&
           d.ov <= d.nv;
}

bool weights_ok(const Loose& d) {
    const std::int64_t n = static_cast<std::int64_t>(d.nu) * d.nv;
    for (std::int64_t i = 0; i < n; ++i)
        if (!(d.poles[4 * i + 3] > kMinWeight)) return false;
    return true;
}

bool knots_ordered(const double* k, int n) {
    for (int i = 1; i < n; ++i)
        if (k[i] < k[i - 1]) return false;
    return true;
}

// The loose data of the creators: any fault is 875046.
int check_bsurf_arrays(const Loose& d) {
    if (!d.ku || !d.kv || !d.poles || !counts_ok(d)) return KX_MODL_ERR_BSURF_DATA;
    if (!knots_ordered(d.ku, d.nu + d.ou) || !knots_ordered(d.kv, d.nv + d.ov)) return KX_MODL_ERR_BSURF_DATA;
    return weights_ok(d) ? 0 : KX_MODL_ERR_BSURF_DATA;
}

Loose loose_of(const bsurface_data& r) {
    return Loose{r.num_poles_u, r.num_poles_v, r.order_u, r.order_v, r.knots_u, r.knots_v, r.poles};
}

// A record: counts and orders (875046) and weights (875305); the knots'
// order is not checked.
int check_bsurface_data(const bsurface_data* r) {
    if (!r || !r->knots_u || !r->knots_v || !r->poles) return KX_MODL_ERR_BSURF_DATA;
    const Loose d = loose_of(*r);
    if (!counts_ok(d)) return KX_MODL_ERR_BSURF_DATA;
    return weights_ok(d) ? 0 : KX_MODL_ERR_BSURF_WEIGHT;
}

// The trimming loops, in the order of the checks.
int check_trim_loops(int n_loops, const int* counts, const int* senses, const tag* curves, double tolerance,
                     bool parameter_space) {
    if (n_loops < 1 || !counts) return KX_MODL_ERR_BSURF_NO_LOOPS;
    std::int64_t total = 0;
    for (int i = 0; i < n_loops; ++i) {
        if (counts[i] < 1) return KX_MODL_ERR_BSURF_NO_LOOPS;
        total += counts[i];
    }
    if (total > kMaxCount) return KX_MODL_ERR_BSURF_NO_LOOPS;
    if (!senses) return KX_MODL_ERR_BAD_ISO_DIRECTION;
    if (!curves) return KX_MODL_ERR_NO_OBJECT_DATA;
    for (std::int64_t k = 0; k < total; ++k) {
        if (senses[k] != 1 && senses[k] != -1) return KX_MODL_ERR_BAD_ISO_DIRECTION;
        const unsigned int c = curves[k];
        if (!host::objects::is_alive(c) || es0022_(&c) != kLiveObject) return KX_MODL_ERR_NO_OBJECT_DATA;
        if (es0017_(&c) != ES_CLASS_CURVE) return KX_MODL_ERR_WRONG_OBJECT;
        if (parameter_space) {
            int type = 0, subtype = 0;
            RM_ask_entity_type_and_subtype(c, &type, &subtype);
            if (type != HOST_TYPE_SPLINE) return KX_MODL_ERR_WRONG_OBJECT;
        }
    }
    return tolerance > kMinTolerance ? 0 : KX_MODL_ERR_BAD_TOLERANCE;
}

// ---- host resources held for a call ------------------------------------------

// The host memory taken from here on, released on every way out.
struct MemoryMark {
    int mark = SM_set_mark();
    ~MemoryMark() {
        const int m = mark;
        kx::release([m] { SM_free_to_mark(m); });
    }
};

// Kernel option 12 set to 1 for the call, its old value back on every way
// out (when it could be read).
struct Option12 {
    int old = 0;
    bool read = false;
    Option12() {
        int ifail = 0;
        KI_ouintp(&kOptionNumber, &old, &ifail);
        read = ifail == 0;
        const int one = 1;
        KI_seintp(&kOptionNumber, &one, &ifail);
    }
    ~Option12() {
        if (!read) return;
        const int value = old;
        kx::release([value] {
            int ifail = 0;
            KI_seintp(&kOptionNumber, &value, &ifail);
        });
    }
};

// The kernel's self-intersection check off for the call when it was on,
// and on again on every way out.
struct SelfIntersectionOff {
    bool was_on = ZQ_SESSION_ask_check_self_int() != 0;
    SelfIntersectionOff() {
        if (was_on) ZQ_SESSION_set_check_self_int(0);
    }
    ~SelfIntersectionOff() {
        if (was_on) kx::release([] { ZQ_SESSION_set_check_self_int(1); });
    }
};

struct Structure {
    BSRF_surface_t s{};
    ~Structure() {
        if (s.poles || s.knots_u || s.knots_v) kx::release([this] { ev4350(&s); });
    }
};

// ---- states ------------------------------------------------------------------

// The host's states as the caller's records: codes of 60 or more are
// noted on the log and left out.
std::vector<bsurface_state> mapped_states(const BC_states_t& list) {
    std::vector<bsurface_state> out;
    for (int i = 0; i < list.count; ++i) {
        const BC_state_t& s = list.entry[i];
        if (s.code >= kFirstIllegalState) {
            char text[48];
            std::snprintf(text, sizeof text, "illegal state %d", s.code);
            ERROR_note("kx_modl_bsurf", __LINE__, text);
            continue;
        }
        bsurface_state m{};
        m.state_code = s.code / 4;
        m.flag = s.code % 4;
        for (int j = 0; j < 3; ++j) m.value[j] = s.value[j];
        out.push_back(m);
    }
    return out;
}

void hand_out(const BC_states_t& list, int* count, bsurface_state** states) {
    const std::vector<bsurface_state> m = mapped_states(list);
    *states = kx::copy_array<bsurface_state>(m);
    if (count) *count = static_cast<int>(m.size());
}

void add_normalization(BC_states_t& states, int code, double scale, double offset) {
    const double v[3] = {scale, offset, 0};
    BCEV_add_state(&states, code, v);
}

// ---- the loose creators ---------------------------------------------------------

int constructor_code(int code, int other) {
    if (code == kKernelAborted) return KX_MODL_ERR_PARAMETER_MISSES_FACE;
    if (code == kKernelDegenerate) return KX_MODL_ERR_BSURF_DEGENERATE;
    return other;
}

void regenerate(tag body) { DSS_REGEN_regen_object(body); }

int create_whole(const Loose& d, tag* result, int w1, int w2) {
    MemoryMark memory;
    if (int st = check_bsurf_arrays(d)) return st;
    int partition = 0;
    UNDO_ZR_cre_partition(&partition);
    int surface = 0;
    if (int code = PX_cre_bs_tag(d.nu, d.nv, d.ou, d.ov, d.ku, d.kv, d.poles, &surface, w1, w2))
        return constructor_code(code, KX_MODL_ERR_NO_FEATURE_CREATED);
    int status = 0;
    const tag body = pxbsby_surf_brep(surface, &status);
    if (status != 0) {
        KI_delent(surface);
        return status == kKernelAborted ? KX_MODL_ERR_PARAMETER_MISSES_FACE : KX_MODL_ERR_NO_FEATURE_CREATED;
    }
    *result = body;
    regenerate(body);
    return 0;
}

int create_trimmed(const Loose& d, int n_loops, const int* counts, const int* senses, const tag* curves, int option,
                   double tolerance, bool parameter_space, tag* result, int w1, int w2) {
    MemoryMark memory;
    Option12 option12;
    if (int st = check_bsurf_arrays(d)) return st;
    if (int st = check_trim_loops(n_loops, counts, senses, curves, tolerance, parameter_space)) return st;
    int partition = 0;
    UNDO_ZR_cre_partition(&partition);
    int surface = 0;
    if (int code = PX_cre_bs_tag(d.nu, d.nv, d.ou, d.ov, d.ku, d.kv, d.poles, &surface, w1, w2))
        return constructor_code(code, KX_MODL_ERR_BSURF_TRIM_FAILED);
    tag sheet = NULL_TAG;
    const int code =
        parameter_space
            ? PX_sheet_from_2d_curves_surf(surface, n_loops, counts, senses, curves, tolerance, &sheet)
            : PX_sheet_from_surf_curves(surface, n_loops, counts, senses, curves, option, tolerance, &sheet);
    if (code != 0) {
        KI_error_set_hit_list(2, kHitList);
        KI_delent(surface);
        if (code == kKernelAborted) return KX_MODL_ERR_PARAMETER_MISSES_FACE;
        if (code == kKernelNoSheet) return KX_MODL_ERR_NO_EDGES;
        if (code == kKernelCurvesOff && !parameter_space) return KX_MODL_ERR_CENTROID_FAILED;
        return KX_MODL_ERR_BSURF_TRIM_FAILED;
    }
    *result = sheet;
    regenerate(sheet);
    return 0;
}

// A creation from loose data under the frame: a caught host error is 875029
// for the host's aborts, else `other`; the result stays clear on failure.
template <class Work>
int loose_frame(tag* result, int other, Work&& work) {
    bool caught = false;
    const int st = kx::frame(
        kx::no_check, kx::on_error([&] { caught = true; }),
        [&] {
            kx::clear(result);
            return 0;
        },
        [&] { return kx::create_bracketed(0, result, work); });
    if (!caught) return st;
    if (result) *result = NULL_TAG;
    return aborted(st) ? KX_MODL_ERR_PARAMETER_MISSES_FACE : other;
}

int create_edges(const Loose& d, tag* result, tag faces[2], tag edges[4], int w1, int w2, bool parameter_space) {
    std::optional<MemoryMark> memory;
    if (!parameter_space) memory.emplace();
    if (int st = check_bsurf_arrays(d)) return st;
    const int code = parameter_space
                         ? PX_cre_bs_2d_edges(d.nu, d.nv, d.ou, d.ov, d.ku, d.kv, d.poles, result, faces, edges, w1, w2)
                         : PX_cre_bs_edges(d.nu, d.nv, d.ou, d.ov, d.ku, d.kv, d.poles, result, faces, edges, w1, w2);
    if (code != 0) {
        *result = NULL_TAG;
        for (int i = 0; i < 2; ++i) faces[i] = NULL_TAG;
        for (int i = 0; i < 4; ++i) edges[i] = NULL_TAG;
        return constructor_code(code, KX_MODL_ERR_EDGE_CURVE_FAILED);
    }
    return 0;
}

int edges_export(const Loose& d, tag* result, tag faces[2], tag edges[4], int w1, int w2, bool parameter_space) {
    const auto clear_all = [&] {
        kx::clear(result);
        if (faces)
            for (int i = 0; i < 2; ++i) faces[i] = NULL_TAG;
        if (edges)
            for (int i = 0; i < 4; ++i) edges[i] = NULL_TAG;
    };
    bool caught = false;
    const int st = kx::frame(
        kx::no_check, kx::on_error([&] { caught = true; }),
        [&]() -> int {
            clear_all();
            if (!result || !faces || !edges) return KX_MODL_ERR_BSURF_DATA;
            return 0;
        },
        [&] {
            return kx::edit_with_tail([&] { return create_edges(d, result, faces, edges, w1, w2, parameter_space); });
        });
    if (!caught) return st;
    clear_all();
    if (parameter_space) return KX_MODL_ERR_EDGE_CURVE_FAILED;
    return aborted(st) ? KX_MODL_ERR_PARAMETER_MISSES_FACE : KX_MODL_ERR_NO_FEATURE_CREATED;
}

// ---- records ----------------------------------------------------------------------

// The repaired structure written back into the caller's record, when it
// fits the record's arrays; false (record unchanged) when it does not.
bool write_back(const BSRF_surface_t& s, bsurface_data* r, bool orders) {
    const std::int64_t given_poles = static_cast<std::int64_t>(r->num_poles_u) * r->num_poles_v;
    if (static_cast<std::int64_t>(s.nu) * s.nv > given_poles || s.nu + s.order_u > r->num_poles_u + r->order_u ||
        s.nv + s.order_v > r->num_poles_v + r->order_v)
        return false;
    bool rational = false;
    const std::size_t n = static_cast<std::size_t>(s.nu) * s.nv;
    for (std::size_t i = 0; i < n; ++i) {
        const double* p = s.poles + 4 * i;
        double* q = r->poles + 4 * i;
        const double w = p[3];
        if (w == 1.0) {
            std::memcpy(q, p, 4 * sizeof(double));
            continue;
        }
        rational = true;
        for (int c = 0; c < 3; ++c) q[c] = w * p[c];
        q[3] = w;
    }
    std::memcpy(r->knots_u, s.knots_u, sizeof(double) * static_cast<std::size_t>(s.nu + s.order_u));
    std::memcpy(r->knots_v, s.knots_v, sizeof(double) * static_cast<std::size_t>(s.nv + s.order_v));
    r->num_poles_u = s.nu;
    r->num_poles_v = s.nv;
    r->is_rational = rational ? 1 : 0;
    if (orders) {
        r->order_u = s.order_u;
        r->order_v = s.order_v;
    }
    return true;
}

// The work part's tolerance for a zero tolerance; 0 without a work part.
double part_tolerance() {
    const unsigned int part = CONTEXT_ask_work_part();
    if (part == 0) return 0;
    double f[2] = {1, 1};
    PART_ask_zr_scale_factors(part, f);
    return f[0] * kToleranceFactor;
}

struct RecordRun {
    BC_states_t states{};
    Structure structure;
};

int repair(RecordRun& run, double tolerance, bsurface_data* r, bool smoothing, int su, int sv, int w1, int w2) {
    if (smoothing && r && (su < 0 || sv < 0 || su >= r->order_u || sv >= r->order_v))
        return KX_MODL_ERR_BSURF_SMOOTHING;
    if (int st = check_bsurface_data(r)) return st;
    if (tolerance == 0.0) {
        tolerance = part_tolerance();
        if (tolerance == 0) return kx::kPartNotLoaded;
    }
    BSRF_surface_t& s = run.structure.s;
    BSRF_from_bsurf_data_uw(r->num_poles_u, r->num_poles_v, r->order_u, r->order_v, r->knots_u, r->knots_v, r->poles,
                            &s);
    int status = 0;
    if (!smoothing) {
        if (BSRF_fix_bsurf_knots_uw(&s, tolerance, &run.states) != 0) status = KX_MODL_ERR_BSURF_DATA;
        else if (BSRF_fix_bsurf_degen_uw(&s, tolerance, &run.states) != 0) status = KX_MODL_ERR_BSURF_DEGENERATE;
    } else {
        double scale = 1, offset = 0;
        if (BCEV_normalize_knots(s.order_u, s.nu, s.knots_u, &scale, &offset))
            add_normalization(run.states, BSRF_STATE_NORMALIZE_U, scale, offset);
        if (BCEV_normalize_knots(s.order_v, s.nv, s.knots_v, &scale, &offset))
            add_normalization(run.states, BSRF_STATE_NORMALIZE_V, scale, offset);
        if (BSRF_fix_bsurf_knots_uw(&s, tolerance, &run.states) != 0) status = KX_MODL_ERR_BSURF_DATA;
        else BSRF_smooth_bsurf_data_uw(su, sv, tolerance, w1, w2, &s, &run.states);
    }
    if (status == 0 && !write_back(s, r, !smoothing)) status = KX_MODL_ERR_BSURF_DATA;
    return status;
}

int record_export(double tolerance, bsurface_data* r, int* count, bsurface_state** states, bool smoothing, int su,
                  int sv, int w1, int w2, int count_param, int states_param) {
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (count) *count = 0;
        }),
        [&] {
            kx::clear(count, states);
            return kx::check({{count, count_param}, {states, states_param}});
        },
        [&] {
            // Inside the frame: a failed release of the structure is the status.
            RecordRun run;
            const int st = repair(run, tolerance, r, smoothing, su, sv, w1, w2);
            hand_out(run.states, count, states);
            return st;
        });
}

// ---- through points -------------------------------------------------------------------

int check_rows(int mode, int pu, int pv, int du, int dv, int n_rows, const bsurf_row* rows) {
    if (mode < 1 || mode > 3) return kx::param(1);
    if (pu != 0 && pu != 1) return kx::param(2);
    if (pv != 0 && pv != 1) return kx::param(3);
    if (du < 1 || du > kMaxDegree) return kx::param(4);
    if (dv < 1 || dv > kMaxDegree) return kx::param(5);
    const std::int64_t row_max = pv ? kMaxCount - 1 - dv : kMaxCount;
    if (!rows || n_rows < dv + 1 || n_rows > row_max) return kx::param(6);
    const std::int64_t point_max = pu ? kMaxCount - 1 - du : kMaxCount;
    std::int64_t total = 0;
    for (int r = 0; r < n_rows; ++r) {
        const int n = rows[r].num_points;
        if (n < du + 1 || n > point_max || !rows[r].points || (mode == 3 && !rows[r].weight)) return kx::param(7);
        total += n;
        if (total > kMaxCount) return kx::param(7);
    }
    return 0;
}

// The rows copied into host memory, four doubles a point.
struct Rows {
    std::vector<double*> rows;
    ~Rows() {
        for (double* r : rows) kx::release([r] { SM_free(r); });
    }
};

int thru_points(int mode, int pu, int pv, int du, int dv, int n_rows, const bsurf_row* rows, tag* result) {
    Rows copied;
    std::vector<int> counts;
    for (int r = 0; r < n_rows; ++r) {
        const int n = rows[r].num_points;
        double* q = static_cast<double*>(SM_alloc(4 * sizeof(double) * static_cast<std::size_t>(n)));
        copied.rows.push_back(q);
        counts.push_back(n);
        for (int i = 0; i < n; ++i) {
            const double w = mode == 3 ? rows[r].weight[i] : 1.0;
            if (!(w > 0)) ERROR_raise("kx_modl_bsurf", __LINE__, KX_MODL_ERR_BSURF_WEIGHT, "%s", "");
            for (int c = 0; c < 3; ++c) q[4 * i + c] = w * rows[r].points[3 * i + c];
            q[4 * i + 3] = w;
        }
    }
    int surface = 0;
    const int code = mode == 1 ? em4320(n_rows, counts.data(), copied.rows.data(), du, dv, pu, pv, &surface)
                               : em4329(n_rows, counts.data(), copied.rows.data(), du, dv, pu, pv, &surface);
    if (code != 0) ERROR_raise("kx_modl_bsurf", __LINE__, KX_MODL_ERR_NO_FEATURE_CREATED, "%s", "");
    tag body = NULL_TAG;
    if (kx::frame(kx::no_check, [&] { body = pxbsby_brep(surface, 0, 1); }) != 0)
        ERROR_raise("kx_modl_bsurf", __LINE__, KX_MODL_ERR_NO_FEATURE_CREATED, "%s", "");
    *result = body;
    regenerate(body);
    int* faces = nullptr;
    int n = 0;
    KI_idcoen_sm(ES_solid_ask_fermalith_tag(body), ZQ_CLASS_FACE, &faces, &n);
    const kx::host_ptr<int> held(faces);
    for (int i = 0; i < n; ++i) {
        unsigned int face = 0;
        pxlook_(&faces[i], &face);
        int type = 0;
        PX_face_ask_type(face, &type);
        if (type == ZQ_SURF_PLANE) ES_write_def_grid_counts(face);
    }
    return 0;
}

// ---- faces ----------------------------------------------------------------------

// The kernel face of a face object, or of a sheet's one face; 0 for none.
int kernel_face_of(tag object, int subtype) {
    int entity = 0;
    es7010_(&object, &entity);
    if (entity == 0 || subtype == kFaceSubtype) return entity;
    int* faces = nullptr;
    int n = 0;
    KI_idcoen_sm(entity, ZQ_CLASS_FACE, &faces, &n);
    const kx::host_ptr<int> held(faces);
    return n == 1 ? faces[0] : 0;
}

int ask(tag face, bsurface_data* r) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(face, &type, &subtype);
    if (type != kBodyEntity || (subtype != kFaceSubtype && subtype != kBodySubtype)) return KX_MODL_ERR_WRONG_OBJECT;
    const int kface = kernel_face_of(face, subtype);
    if (kface == 0) return KX_MODL_ERR_WRONG_OBJECT;
    unsigned int face_object = 0;
    pxlook_(&kface, &face_object);
    int surface_type = 0;
    PX_face_ask_type(face_object, &surface_type);
    int surface = 0;
    ZQ_FACE_ask_surf(kface, &surface);
    if (surface_type == ZQ_SURF_OFFSET) {
        int base = 0;
        KI_ouofsu(surface, &base);
        surface = base;
    } else if (surface_type != ZQ_SURF_BSURF) {
        return KX_MODL_ERR_WRONG_OBJECT;
    }
    bsurface_data out{};
    const int st = kx::frame(kx::no_check, [&] {
        PX_bsurf_ask(surface, &out.num_poles_u, &out.num_poles_v, &out.order_u, &out.order_v, &out.knots_u,
                     &out.knots_v, &out.poles, &out.is_rational);
    });
    if (surface_type == ZQ_SURF_OFFSET) KI_delent(surface);
    if (st != 0) return KX_MODL_ERR_WRONG_OBJECT;
    *r = out;
    return 0;
}

int check_bsurf_edit_data(const bsurface_data* r) {
    if (!r || !r->knots_u || !r->knots_v || !r->poles || r->num_poles_u <= 0 || r->num_poles_v <= 0 ||
        r->order_u == 0 || r->order_v == 0)
        return KX_MODL_ERR_BAD_FLAG;
    return 0;
}

// The feature that made the face (the latest), 0 for none.
tag feature_of_face(tag face) {
    int n = 0;
    unsigned int* frecs = nullptr;
    CM_ask_frecs_of_face(face, &n, &frecs);
    const kx::host_ptr<unsigned int> held(frecs);
    return n > 0 ? CM_ask_eid_of_object(frecs[n - 1]) : NULL_TAG;
}

tag root_feature(tag body) {
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_body_features(body, &n, &features);
    const kx::host_ptr<unsigned int> held(features);
    return n > 0 ? features[0] : NULL_TAG;
}

bool is_brep(tag feature) {
    const kx::host_ptr<char> kind(FREC_ask_feature_type(feature));
    return kind && std::strcmp(kind.get(), "BREP") == 0;
}

// The record's surface in place of the face's; 0, or the step that failed.
int replace_face_surface(tag face, const bsurface_data& r) {
    if (!ES_solid_is_a_face(face)) return 1;
    int old_surface = 0;
    if (j7043(face, &old_surface) == 0) return 2;
    if (old_surface == 0) return 3;
    Structure s;
    if (BSRF_fixed_from_bsurf_data(r.num_poles_u, r.num_poles_v, r.order_u, r.order_v, r.knots_u, r.knots_v, r.poles,
                                   kEditTolerance, &s.s) != 0)
        return 4;
    int surface = 0;
    if (BSRF_create_surf_with_pars(&s.s, &surface) != 0) return 5;
    if (pxresu_(face, surface) != 0) {
        KI_delent(surface);
        return 6;
    }
    return 0;
}

int edit(tag face, const bsurface_data& r) {
    const tag body = ES_solid_ask_body(face);
    const tag feature = feature_of_face(face);
    if (feature == NULL_TAG || feature != root_feature(body)) return KX_MODL_ERR_WRONG_KIND;
    if (!is_brep(feature) && FREC_ask_body(feature) == NULL_TAG) {
        if (!FMA_can_be_converted(feature)) return KX_MODL_ERR_BSURF_NOT_CONVERTIBLE;
        if (FMI_invoke_create_body(feature, 2) != 0) return KX_MODL_ERR_NO_FEATURE_CREATED;
    }
    if (!is_brep(feature) && convert_to_brep_feature(feature) != 0) return KX_MODL_ERR_BSURF_NOT_CONVERTED;
    if (replace_face_surface(face, r) != 0) return KX_MODL_ERR_NO_FEATURE_CREATED;
    UPDATE_log_object_to_update(feature);
    return 0;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                               double* knots_v, double* poles, tag* bsurf_obj, int host_word1, int host_word2) {
    const Loose d{num_poles_u, num_poles_v, order_u, order_v, knots_u, knots_v, poles};
    return loose_frame(bsurf_obj, KX_MODL_ERR_NO_FEATURE_CREATED, [&]() -> int {
        if (!bsurf_obj) return KX_MODL_ERR_BSURF_DATA;
        return create_whole(d, bsurf_obj, host_word1, host_word2);
    });
}

KXAPI int KX_MODL_cre_trim_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                 double* knots_v, double* poles, int num_loops, int* curves_per_loop, int* senses,
                                 tag* curves, int option, double tolerance, tag* bsurf_obj, int host_word1,
                                 int host_word2) {
    const Loose d{num_poles_u, num_poles_v, order_u, order_v, knots_u, knots_v, poles};
    return loose_frame(bsurf_obj, KX_MODL_ERR_NO_FEATURE_CREATED, [&]() -> int {
        if (!bsurf_obj) return KX_MODL_ERR_BSURF_DATA;
        return create_trimmed(d, num_loops, curves_per_loop, senses, curves, option, tolerance, false, bsurf_obj,
                              host_word1, host_word2);
    });
}

KXAPI int KX_MODL_cre_2dtrim_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                   double* knots_v, double* poles, int num_loops, int* curves_per_loop, int* senses,
                                   tag* curves, double tolerance, tag* bsurf_obj, int host_word1, int host_word2) {
    const Loose d{num_poles_u, num_poles_v, order_u, order_v, knots_u, knots_v, poles};
    return loose_frame(bsurf_obj, KX_MODL_ERR_NO_FEATURE_CREATED, [&]() -> int {
        if (!bsurf_obj) return KX_MODL_ERR_BSURF_DATA;
        return create_trimmed(d, num_loops, curves_per_loop, senses, curves, 0, tolerance, true, bsurf_obj, host_word1,
                              host_word2);
    });
}

KXAPI int KX_MODL_create_bs_edges(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                  double* knots_v, double* poles, tag* bsurf_obj, tag faces[2], tag edges[4],
                                  int host_word1, int host_word2) {
    const Loose d{num_poles_u, num_poles_v, order_u, order_v, knots_u, knots_v, poles};
    return edges_export(d, bsurf_obj, faces, edges, host_word1, host_word2, false);
}

KXAPI int KX_MODL_create_bs_2d_edges(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                     double* knots_v, double* poles, tag* bsurf_obj, tag faces[2], tag edges[4],
                                     int host_word1, int host_word2) {
    const Loose d{num_poles_u, num_poles_v, order_u, order_v, knots_u, knots_v, poles};
    return edges_export(d, bsurf_obj, faces, edges, host_word1, host_word2, true);
}

KXAPI int KX_MODL_create_bsurface(bsurface_data* data, tag* bsurf_obj, int* num_states, bsurface_state** states) {
    BC_states_t list{};
    return kx::frame(
        kx::acknowledging, kx::on_error([&] {
            if (bsurf_obj) *bsurf_obj = NULL_TAG;
            const int code = ERROR_ask_failure_code();
            if (!states) return;
            if (code == KX_MODL_ERR_PARAMETER_MISSES_FACE) {
                if (num_states) *num_states = 0;
                *states = nullptr;
            } else {
                kx::frame(kx::no_check, [&] { hand_out(list, num_states, states); });
            }
        }),
        [&] {
            kx::clear(bsurf_obj, states);
            return kx::check({{bsurf_obj, 2}});
        },
        [&]() -> int {
            int st = check_bsurface_data(data);
            if (st == 0) {
                st = kx::create_bracketed(0, bsurf_obj, [&]() -> int {
                    const int nu = data->num_poles_u, nv = data->num_poles_v;
                    const int ou = data->order_u, ov = data->order_v;
                    std::vector<double> ku(data->knots_u, data->knots_u + nu + ou);
                    std::vector<double> kv(data->knots_v, data->knots_v + nv + ov);
                    double scale = 1, offset = 0;
                    if (BCEV_normalize_knots(ou, nu, ku.data(), &scale, &offset))
                        add_normalization(list, BSRF_STATE_NORMALIZE_U, scale, offset);
                    if (BCEV_normalize_knots(ov, nv, kv.data(), &scale, &offset))
                        add_normalization(list, BSRF_STATE_NORMALIZE_V, scale, offset);
                    int partition = 0;
                    UNDO_ZR_cre_partition(&partition);
                    int surface = 0;
                    if (int code = PX_bsurface_create_fixed(ou, ov, nu, nv, ku.data(), kv.data(), data->poles, &surface,
                                                            &list))
                        return code;
                    int status = 0;
                    tag body = NULL_TAG;
                    {
                        SelfIntersectionOff off;
                        body = pxbsby_surf_brep(surface, &status);
                    }
                    if (status != 0) {
                        KI_delent(surface);
                        return status;
                    }
                    *bsurf_obj = body;
                    regenerate(body);
                    return 0;
                });
            }
            if (st != 0) {
                st = KX_MODL_ERR_NO_FEATURE_CREATED;
                *bsurf_obj = NULL_TAG;
            }
            if (states) hand_out(list, num_states, states);
            return st;
        });
}

KXAPI int KX_MODL_smooth_bsurface_data(int smooth_u, int smooth_v, double tolerance, int host_word1, int host_word2,
                                       bsurface_data* data, int* num_states, bsurface_state** states) {
    return record_export(tolerance, data, num_states, states, true, smooth_u, smooth_v, host_word1, host_word2, 7, 8);
}

KXAPI int KX_MODL_fix_bsurface_data(double tolerance, bsurface_data* data, int* num_states, bsurface_state** states) {
    return record_export(tolerance, data, num_states, states, false, 0, 0, 0, 0, 3, 4);
}

KXAPI int KX_MODL_create_bsurf_thru_pts(int mode, int periodic_u, int periodic_v, int degree_u, int degree_v,
                                        int num_rows, bsurf_row* rows, tag* bsurf_obj) {
    return kx::frame(
        kx::acknowledging,
        [&]() -> int {
            kx::clear(bsurf_obj);
            if (int st = check_rows(mode, periodic_u, periodic_v, degree_u, degree_v, num_rows, rows)) return st;
            return kx::check({{bsurf_obj, 8}});
        },
        [&] {
            return kx::create_bracketed(1, bsurf_obj, [&]() -> int {
                return thru_points(mode, periodic_u, periodic_v, degree_u, degree_v, num_rows, rows, bsurf_obj);
            });
        });
}

KXAPI int KX_MODL_ask_bsurf(tag face, bsurface_data* data) {
    return kx::frame(
        kx::acknowledging, kx::on_error([&] {
            // A failure after the arrays were handed over takes them back.
            if (!data) return;
            for (double** a : {&data->knots_u, &data->knots_v, &data->poles}) {
                double* block = std::exchange(*a, nullptr);
                if (block) kx::release([block] { SM_free(block); }, true);
            }
            *data = bsurface_data{};
        }),
        [&]() -> int {
            if (!data) return kx::param(2);
            const unsigned int f = face;
            if (!host::objects::is_alive(f)) return KX_MODL_ERR_NO_OBJECT_DATA;
            *data = bsurface_data{};
            return 0;
        },
        [&] { return kx::undo_bracket(1, nullptr, [&]() -> int { return ask(face, data); }); });
}

KXAPI int KX_MODL_free_bsurf_data(bsurface_data* data) {
    return kx::guarded([&] {
        if (!data) return 0;
        SM_free(data->knots_u);
        SM_free(data->knots_v);
        SM_free(data->poles);
        data->knots_u = data->knots_v = data->poles = nullptr;
        return 0;
    });
}

KXAPI int KX_MODL_edit_bsurf(tag face, bsurface_data* data) {
    if (int st = check_bsurf_edit_data(data)) return st;
    return kx::frame(kx::acknowledging,
                     [&] { return kx::undo_bracket(1, nullptr, [&]() -> int { return edit(face, *data); }); });
}

}  // extern "C"
