// Feature and body queries at scale.
//
// NextFeatureWalk/N: walks a part of N features from the first to the last
// with KX_MODL_ask_next_feature (goal: ten times the features cost at most a
// hundred times as much).
//
// BodyFaces: lists the faces of a prism of 10,000 faces with
// KX_MODL_ask_body_faces and, in the same process, walks the same shape's
// faces with Open CASCADE's own enumeration. The sides alternate and each
// side's median over the rounds (the argument) counts
// (bench/paired_rounds.h). Counters: listed_ms, occ_ms, "ratio" the list's
// time over the walk's (goal: within 2), rounds, load.
#include <benchmark/benchmark.h>

#include "bench/shipped_host.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/walk.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/kx_session.h"

namespace {

using bench::cpu_seconds;

unsigned int fresh_part() {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    const unsigned int part = host::parts::create("bench.prt");
    CONTEXT_set_work_part(part);
    return part;
}

void NextFeatureWalk(benchmark::State& state) {
    const unsigned int part = fresh_part();
    const int n = static_cast<int>(state.range(0));
    unsigned int first = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned int f = host::feature::create(part, "DATUM");
        if (i == 0) first = f;
    }
    for (auto _ : state) {
        int walked = 0;
        for (tag f = first; f != NULL_TAG; ++walked) KX_MODL_ask_next_feature(f, &f);
        benchmark::DoNotOptimize(walked);
    }
    state.counters["features"] = n;
}
BENCHMARK(NextFeatureWalk)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

void BodyFaces(benchmark::State& state) {
    fresh_part();
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    int prism = 0;
    ZQ_BODY_make_prism(base, axis, 1000, 9998, 10, &prism);
    const unsigned int body = host::kernel::object_of(prism);
    bench::Paired p;
    for (auto _ : state) {
        auto listed = [&] {
            const double t0 = cpu_seconds();
            tag_list* faces = nullptr;
            KX_MODL_ask_body_faces(body, &faces);
            const double t = cpu_seconds() - t0;
            KX_MODL_delete_list(&faces);  // the caller's clean-up, not timed
            return t;
        };
        auto walked = [&] {
            const double t0 = cpu_seconds();
            benchmark::DoNotOptimize(host::kernel::direct_face_walk(prism));
            return cpu_seconds() - t0;
        };
        bench::alternate(p, static_cast<int>(state.range(0)), listed, walked);
    }
    bench::report(state, p, "listed", 1e3, "_ms");
}
BENCHMARK(BodyFaces)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
