// Holes made one by one on a plate.
//
// SimpleHoles/N: makes N holes of diameter 5 on a 500 x 500 x 10 plate with
// KX_MODL_create_simple_hole and, in the same run, the same N subtractions
// of cylinders done by the kernel directly on a plate of its own; the
// counter "ratio" is the creator's time over the kernel's (goal: within
// 1.5).
#include <benchmark/benchmark.h>
#include <time.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kx_core.h"
#include "kx_modl_cre_feat.h"
#include "libkxapi/core/kx_session.h"

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

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

void SimpleHoles(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    double made = 0, direct = 0;
    for (auto _ : state) {
        kx_reset_session_for_tests();
        host::control::reset();
        host::control::set_journal(false);
        KX_initialize();
        const unsigned int part = host::parts::create("bench.prt");
        CONTEXT_set_work_part(part);
        const char* sizes[] = {"500", "500", "10"};
        const double origin[] = {0, 0, 0};
        unsigned int block = 0;
        FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
        const tag top = top_face(FREC_ask_body(block));
        const double size[] = {500, 500, 10};
        int plate = 0;
        ZQ_BODY_make_block(origin, size, &plate);

        const double t0 = cpu_seconds();
        for (int i = 0; i < n; ++i) {
            double at[] = {10.0 + 20 * (i % 25), 10.0 + 20 * (i / 25), 10}, down[] = {0, 0, -1};
            tag hole = NULL_TAG;
            if (KX_MODL_create_simple_hole(at, down, "5", "5", "0", top, NULL_TAG, &hole) != 0)
                state.SkipWithError("a hole failed");
        }
        const double t1 = cpu_seconds();
        for (int i = 0; i < n; ++i) {
            const double base[] = {10.0 + 20 * (i % 25), 10.0 + 20 * (i / 25), 11}, axis[] = {0, 0, -1};
            int tool = 0;
            ZQ_BODY_make_cylinder(base, axis, 2.5, 6, &tool);
            ZQ_BODY_boolean(plate, tool, ZQ_SUBTRACT);
        }
        const double t2 = cpu_seconds();
        made += t1 - t0;
        direct += t2 - t1;
    }
    state.counters["ratio"] = direct > 0 ? made / direct : 0;
}
BENCHMARK(SimpleHoles)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
