// Face and edge topology at scale.
//
// AdjacentFacesAndSharedEdges: on a body of 10,002 faces (a ruled loft
// through 2,501 square sections, four faces a span), asks the adjacent
// faces of every face with KX_MODL_ask_adjac_faces and the shared edges of
// every adjacent pair with KX_MODL_ask_shared_edges, and in the same
// process walks the same adjacency of the same shape with Open CASCADE's own
// maps. The sides alternate and each side's median over the rounds (the
// argument) counts (bench/paired_rounds.h). Counters: asked_s, occ_s,
// "ratio" the queries' time over the walk's (goal: within 3), rounds, load.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"

namespace {

using bench::cpu_seconds;

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
    bench::reset_host();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const int body = loft(2500);
    std::vector<tag> faces;
    for (int f : host::kernel::faces_of(body)) faces.push_back(host::kernel::object_of(f));
    std::size_t shared = 0;
    bench::Paired p;
    for (auto _ : state) {
        auto asked = [&] {
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
            return cpu_seconds() - t0;
        };
        auto walked = [&] {
            const double t0 = cpu_seconds();
            benchmark::DoNotOptimize(host::kernel::direct_adjacency_walk(body));
            return cpu_seconds() - t0;
        };
        bench::alternate(p, static_cast<int>(state.range(0)), asked, walked);
    }
    state.counters["faces"] = static_cast<double>(faces.size());
    state.counters["shared"] = static_cast<double>(shared);
    bench::report(state, p, "asked");
}
BENCHMARK(AdjacentFacesAndSharedEdges)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
