// Boundary-representation queries: the kernel's state lists become arrays
// of records owned by the caller.
#include "kx_brep.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/kernel/foreign/forgeo.h"
#include "host/kernel/engine/brep_states.h"
#include "host/store/entities/curve_entities.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"

#include <cstddef>

// The kernel's geometry records reach the caller as they are.
static_assert(sizeof(brep_geometry) == sizeof(PX_BREP_geometry_t));
static_assert(offsetof(brep_geometry, spline) == offsetof(PX_BREP_geometry_t, spline));
static_assert(sizeof(brep_face_set) == sizeof(PX_BREP_face_set_t));
static_assert(sizeof(brep_spline) == sizeof(ZQ_bspline_t));
static_assert(offsetof(brep_spline, vknots) == offsetof(ZQ_bspline_t, vknots));
static_assert(sizeof(brep_foreign_surface) == sizeof(FORGEO_surface_def_t));
static_assert(offsetof(brep_foreign_surface, nv) == offsetof(FORGEO_surface_def_t, nv));

namespace {

void clear_states(int* count, brep_state** states) {
    if (count) *count = 0;
    if (states) *states = nullptr;
}

// The kernel's state list, given back on every way out.
using HeldStates = kx::held<PX_BREP_state_t, PX_BREP_free_states>;

// Turns the kernel's list into the caller's records and frees the list.
// With no array pointer only the count is given. Nothing is handed out
// unless the conversion goes through.
void convert_states(PX_BREP_state_t* raw, int* count, brep_state** states) {
    const HeldStates list(raw);
    const int n = PX_BREP_ask_num_states(raw);
    if (!states) {
        *count = n;
        return;
    }
    kx::host_ptr<brep_state> out(kx::alloc_array<brep_state>(static_cast<std::size_t>(n)));
    int i = 0;
    for (const PX_BREP_state_t* s = raw; s; s = s->next) {
        brep_state& r = out.get()[i++];
        r.first = s->first;
        r.second = s->second;
        for (int k = 0; k < 3; ++k) r.values[k] = s->values[k];
        r.third = s->third;
        r.fourth = s->fourth;
        r.fifth = s->fifth;
    }
    *count = n;
    *states = out.release();
}

// The frame of a query with states: the states are converted after the
// host's call whatever its result; a caught host error leaves them as
// cleared, and gives back what the host's routine had made when it raised
// (the call's memory). count_param: the count's place in the argument list
// (the count is required). cleared: clears the query's other outputs when
// the call fails.
template <class Host, class Cleared = kx::detail::NoStep>
int with_states(int count_param, int* count, brep_state** states, Host&& host, Cleared cleared = {}) {
    kx::FailureMemory memory;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            memory.release();
            clear_states(count, states);
            cleared();
        }),
        [&] {
            if (!count) return kx::param(count_param);
            clear_states(count, states);
            return 0;
        },
        [&] {
            memory.set();
            PX_BREP_state_t* list = nullptr;
            const int st = host(&list);
            convert_states(list, count, states);
            return st;
        });
}

}  // namespace

KXAPI int KX_BREP_ask_topology(int entity, int cls, int limit, int* n_states, brep_state** states) {
    return with_states(4, n_states, states,
                       [&](PX_BREP_state_t** list) { return PX_BREP_ask_topology(entity, cls, limit, list); });
}

KXAPI int KX_BREP_validate_topology(int body, int* n_states, brep_state** states) {
    return with_states(2, n_states, states,
                       [&](PX_BREP_state_t** list) { return PX_BREP_validate_topology(body, list); });
}

KXAPI int KX_BREP_ask_edge_class(int edge, double tolerance, int* edge_class) {
    return kx::frame([&] { return PX_BREP_ask_edge_class(edge, tolerance, edge_class); });
}

KXAPI int KX_BREP_ask_geometry(int n, const int entities[], int as_spline, int* n_geometry,
                                          brep_geometry** geometry, int* n_states, brep_state** states) {
    // The records are handed out only once the states are converted too.
    kx::clear(n_geometry, geometry);
    int found = 0;
    PX_BREP_geometry_t* records = nullptr;
    return with_states(
        6, n_states, states,
        [&](PX_BREP_state_t** list) {
            const int st = PX_BREP_ask_geometry(n, entities, as_spline, n_geometry ? &found : nullptr,
                                                 geometry ? &records : nullptr, list);
            if (n_geometry) *n_geometry = found;
            if (geometry) *geometry = reinterpret_cast<brep_geometry*>(records);
            return st;
        },
        [&] { kx::clear(n_geometry, geometry); });
}

// Every record's spline form and then the array are given back, each
// through kx::release: a free that fails does not keep the others from the
// host, and the first failure is the answer.
KXAPI int KX_BREP_free_geometry_data(int n, brep_geometry* geometry) {
    return kx::frame([&] {
        if (!geometry) return 0;
        auto* records = reinterpret_cast<PX_BREP_geometry_t*>(geometry);
        for (int i = 0; i < n; ++i) kx::release([&] { ZQ_free_bspline(&records[i].spline); });
        kx::release([&] { SM_free(records); });
        return 0;
    });
}

KXAPI int KX_BREP_release_topology(int n, const int bodies[]) {
    return kx::frame([&] { return PX_BREP_release_topology(n, bodies); });
}

KXAPI int KX_BREP_ask_topology_source(int entity, int* step) {
    return kx::frame([&] { return PX_BREP_ask_topology_source(entity, step); });
}

KXAPI int KX_BREP_make_body(const brep_face_set* faces, int* body, int* n_states, brep_state** states) {
    return with_states(3, n_states, states, [&](PX_BREP_state_t** list) {
        return PX_BREP_make_body(reinterpret_cast<const PX_BREP_face_set_t*>(faces), body, list);
    });
}

// The kernel body is found before anything else: an object without one is
// refused before the host's frame is armed.
KXAPI int KX_BREP_heal_body(tag body, double tolerance, double max_tolerance, int* changed, int* n_states,
                                       brep_state** states) {
    int kernel_body = 0;
    return kx::frame(
        [&] {
            if (!n_states) return kx::param(5);
            clear_states(n_states, states);
            kernel_body = PX_ask_ptag_of_jq_eid(body);
            return kernel_body == 0 || kernel_body == -1 ? static_cast<int>(KX_BREP_ERR_NO_KERNEL_BODY) : 0;
        },
        [&] {
            PX_BREP_state_t* list = nullptr;
            const int st = PX_BREP_heal_body(kernel_body, tolerance, max_tolerance, changed, &list);
            convert_states(list, n_states, states);
            return st;
        });
}

KXAPI void KX_BREP_ask_identifier(int entity, int* identifier) {
    int found = 0;
    // The kernel's failure is answered as 0, and so acknowledged.
    const int st = kx::frame(kx::acknowledging, [&] {
        kx::clear(identifier);
        if (!identifier) return kx::param(2);
        return PX_BREP_ask_identifier(entity, &found);
    });
    if (identifier) *identifier = st == 0 ? found : 0;
}

KXAPI int KX_BREP_attach_geometry(int body, int n, const brep_geometry geometry[], int tags[], int* n_states,
                                             brep_state** states) {
    return with_states(5, n_states, states, [&](PX_BREP_state_t** list) {
        return PX_BREP_attach_geometry(body, n, reinterpret_cast<const PX_BREP_geometry_t*>(geometry), tags, list);
    });
}

KXAPI int KX_BREP_delete_geometry(int geometry) {
    return kx::frame([&] { return PX_BREP_delete_geometry(geometry); });
}

namespace {

constexpr int kSheetFailed = 1;

// The frame of the sheet functions: no initialisation check, and any host
// error is answered as 1.
template <class Work>
int sheet_frame(Work&& work) {
    bool failed = false;
    const int st = kx::frame(
        kx::no_check, kx::on_error([&] { failed = true; }), [] { return 0; }, work);
    return failed ? kSheetFailed : st;
}

}  // namespace

KXAPI int KX_BREP_create_sheet(const brep_foreign_surface* surface, tag* sheet) {
    kx::clear(sheet);
    // A failure after the sheet was made takes it away again.
    return sheet_frame([&] {
        return kx::edit_with_tail([&] {
            int partition = 0;
            UNDO_ZR_cre_partition(&partition);
            int foreign = 0;
            FORGEO_create_surface(reinterpret_cast<const FORGEO_surface_def_t*>(surface), &foreign);
            if (foreign == 0) return 0;
            int body = 0;
            KI_crbyge(foreign, 0, 0, 0, &body);
            int status = 0;
            es7008_(&body, sheet, &status);
            return status;
        });
    });
}

KXAPI int KX_BREP_ask_sheet(tag sheet, brep_foreign_surface* surface) {
    kx::clear(surface);
    return sheet_frame([&] {
        int body = 0;
        es7010_occ_(&sheet, &body);
        int identifier = 0, sense = 0;
        KI_idsoff(body, &identifier, &sense);
        FORGEO_ask_surface(identifier, sheet, reinterpret_cast<FORGEO_surface_def_t*>(surface));
        return 0;
    });
}
