// Face and edge topology at scale.
//
// AdjacentFacesAndSharedEdges: on a body of 10,002 faces (a ruled loft
// through 2,501 square sections, four faces a span), asks the adjacent
// faces of every face with KX_MODL_ask_adjac_faces and the shared edges of
// every adjacent pair with KX_MODL_ask_shared_edges, and in the same run
// walks the same adjacency with the kernel's own maps; the counter "ratio"
// is the queries' time over the walk's (goal: within 3).
#include <benchmark/benchmark.h>
#include <time.h>

#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

int loft(int spans) {
    std::vector<int> sections;
    for (int i = 0; i <= spans; ++i) {
        const double z = i, h = 10 + (i % 2);
        const double square[12] = {-h, -h, z, h, -h, z, h, h, z, -h, h, z};
        int wire = 0;
        ZQ_BODY_make_wire(4, square, 1, &wire);
        sections.push_back(wire);
    }
    int body = 0;
    ZQ_BODY_through_curves(static_cast<int>(sections.size()), sections.data(), 1, 1, &body);
    return body;
}

void AdjacentFacesAndSharedEdges(benchmark::State& state) {
    kx_reset_session_for_tests();
    host::control::reset();
    host::control::set_journal(false);
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const int body = loft(2500);
    std::vector<tag> faces;
    for (int f : host::kernel::faces_of(body)) faces.push_back(host::kernel::object_of(f));
    double asked = 0, walked = 0;
    std::size_t shared = 0;
    for (auto _ : state) {
        const double t0 = cpu_seconds();
        shared = 0;
        for (tag f : faces) {
            tag_list* adjacent = nullptr;
            KX_MODL_ask_adjac_faces(f, &adjacent);
            for (const tag_list* a = adjacent; a && a->item != NULL_TAG; a = a->next) {
                tag_list* edges = nullptr;
                KX_MODL_ask_shared_edges(f, a->item, &edges);
                for (const tag_list* e = edges; e; e = e->next) ++shared;
                KX_MODL_delete_list(&edges);
            }
            KX_MODL_delete_list(&adjacent);
        }
        const double t1 = cpu_seconds();
        benchmark::DoNotOptimize(host::kernel::direct_adjacency_walk(body));
        const double t2 = cpu_seconds();
        asked += t1 - t0;
        walked += t2 - t1;
    }
    state.counters["faces"] = static_cast<double>(faces.size());
    state.counters["shared"] = static_cast<double>(shared);
    state.counters["ratio"] = walked > 0 ? asked / walked : 0;
}
BENCHMARK(AdjacentFacesAndSharedEdges)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
