// Holes made one by one on a plate.
//
// SimpleHoles/N: makes N holes of diameter 5 on a 500 x 500 x 10 plate with
// KX_MODL_create_simple_hole and, in the same process and on the same
// shapes, the same N cylinders cut one by one from a plate of the same size
// by Open CASCADE alone (BRepAlgoAPI_Cut). The two sides alternate (the
// first changes from round to round), the volumes are compared, and each
// side's median over the rounds counts. Counters: holes_s and occ_s
// (processor time), "ratio" the creator's time over Open CASCADE's (goal:
// within 1.5), rounds and load (the one-minute load average).
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/shipped_host.h"
#include "bench/occ_shapes.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kx_core.h"
#include "kx_modl_cre_feat.h"
#include "libkxapi/core/kx_session.h"

namespace {

using bench::cpu_seconds;

// The plate's top face (outward normal +Z).
tag top_face(unsigned int body) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

// N holes through the library on a fresh plate: seconds, and the body's
// volume in VOLUME (negative when a hole failed).
double library_holes(int n, double& volume) {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    const unsigned int part = host::parts::create("bench.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[] = {"500", "500", "10"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    const unsigned int body = FREC_ask_body(block);
    const tag top = top_face(body);
    const double t0 = cpu_seconds();
    for (int i = 0; i < n; ++i) {
        double at[] = {10.0 + 20 * (i % 25), 10.0 + 20 * (i / 25), 10}, down[] = {0, 0, -1};
        tag hole = NULL_TAG;
        if (KX_MODL_create_simple_hole(at, down, "5", "5", "0", top, NULL_TAG, &hole) != 0) {
            volume = -1;
            return cpu_seconds() - t0;
        }
    }
    const double t1 = cpu_seconds();
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(ES_solid_ask_fermalith_tag(body), p);
    volume = p[ZQ_MP_VOLUME];
    return t1 - t0;
}

// The same N holes with Open CASCADE alone: seconds, and the volume.
double occ_holes(int n, double& volume) {
    const double t0 = cpu_seconds();
    TopoDS_Shape plate = bench::occ::box(500, 500, 10);
    for (int i = 0; i < n; ++i) {
        const double base[] = {10.0 + 20 * (i % 25), 10.0 + 20 * (i / 25), 11}, down[] = {0, 0, -1};
        plate = bench::occ::cut_cylinder(plate, base, down, 2.5, 6);
    }
    const double t1 = cpu_seconds();
    volume = bench::occ::volume(plate);
    return t1 - t0;
}

void SimpleHoles(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int rounds = static_cast<int>(state.range(1));
    bench::Paired p;
    for (auto _ : state) {
        double v = 0, w = 0;
        occ_holes(5, w);  // Open CASCADE starts warm too
        for (int r = 0; r < rounds; ++r) {
            bench::alternate(
                p, 1, [&] { return library_holes(n, v); }, [&] { return occ_holes(n, w); }, r % 2 == 1);
            if (v < 0)
                state.SkipWithError("a hole failed");
            else if (std::fabs(v - w) > 1e-6 * w)
                state.SkipWithError("the library and Open CASCADE disagree");
        }
    }
    state.counters["holes"] = n;
    bench::report(state, p, "holes");
    kx_reset_session_for_tests();
    bench::reset_host();
}
BENCHMARK(SimpleHoles)->Args({500, 5})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
