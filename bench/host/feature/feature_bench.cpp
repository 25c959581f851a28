// The feature layer and the expression service under load.
//
// ExpressionChain: 10,000 expressions, each using the one before
// (e1=e0+1, e2=e1+1 ...); the root is edited and the model updated, so
// that every expression of the chain is evaluated again in order. Time per
// edit and update.
//
// FeatureRegeneration: a plate (a block feature driven by expressions) with
// holes cut by cylinder features, 500 features in all; the plate's length
// is edited and the model updated, so that every feature is made again.
// Against it, in the same process and on the same shapes, Open CASCADE
// alone does the same work: the plate of the new length made and the same
// 499 cylinders cut from it one by one (BRepAlgoAPI_Cut). The two sides
// alternate (the first changes from round to round), the volumes are
// compared, and each side's median over the rounds counts. Counters:
// feature_s and occ_s (processor time), their ratio (the feature layer's
// and the host's share: expressions, records, tags, history, the update's
// bookkeeping), rounds and load (the one-minute load average).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "bench/shipped_host.h"
#include "bench/occ_shapes.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"

namespace {

using bench::cpu_seconds;

unsigned int fresh_part() {
    bench::reset_host();
    const unsigned int part = host::parts::create("bench.prt");
    CONTEXT_set_work_part(part);
    return part;
}

void ExpressionChain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const unsigned int part = fresh_part();
    unsigned int root = 0, e = 0;
    EXP_create_exp(part, "e0=1", &root);
    for (int i = 1; i < n; ++i) {
        const std::string a = "e" + std::to_string(i) + "=e" + std::to_string(i - 1) + "+1";
        EXP_create_exp(part, a.c_str(), &e);
    }
    int round = 0;
    for (auto _ : state) {
        const std::string formula = std::to_string(++round);
        if (EXP_edit_exp(part, root, formula.c_str()) != 0) state.SkipWithError("edit refused");
        UPDATE_do_update();
    }
    if (host::expr::value(e) != round + n - 1) state.SkipWithError("the chain's end has the wrong value");
    state.counters["expressions"] = n;
    bench::reset_host();
}
BENCHMARK(ExpressionChain)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5);

constexpr int kFeatures = 500;
constexpr double kPlate[3] = {520, 100, 10};
constexpr double kRadius = 1.5, kPitch = 5;

std::vector<double> hole_at(int i) {
    const int per_row = static_cast<int>(kPlate[0] / kPitch) - 2;
    return {(i % per_row + 1.5) * kPitch, (i / per_row + 1.5) * kPitch, -1, 0, 0, 1};
}

// The feature model; answers the plate's length expression and sets PLATE
// to the plate's body.
unsigned int build_features(unsigned int part, unsigned int& plate) {
    unsigned int length = 0, f = 0;
    EXP_create_exp(part, "length=520", &length);
    const char* block[] = {"length", "100", "10"};
    const double origin[3] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, block, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    const unsigned int body = FREC_ask_body(f);
    plate = body;
    const char* hole[] = {"3", "12"};
    for (int i = 1; i < kFeatures; ++i) {
        const std::vector<double> at = hole_at(i - 1);
        unsigned int h = 0;
        FEAT_create(part, "CYLINDER", 2, hole, 6, at.data(), 0, nullptr, body, FEAT_SIGN_SUBTRACT, &h);
    }
    return length;
}

// The same body with Open CASCADE alone, the plate LENGTH long: its volume.
double build_occ(double length) {
    TopoDS_Shape plate = bench::occ::box(length, kPlate[1], kPlate[2]);
    for (int i = 1; i < kFeatures; ++i) {
        const std::vector<double> at = hole_at(i - 1);
        plate = bench::occ::cut_cylinder(plate, at.data(), at.data() + 3, kRadius, kPlate[2] + 2);
    }
    return bench::occ::volume(plate);
}

double feature_volume(unsigned int body) {
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(ES_solid_ask_fermalith_tag(body), p);
    return p[ZQ_MP_VOLUME];
}

void FeatureRegeneration(benchmark::State& state) {
    const int rounds = static_cast<int>(state.range(0));
    bench::Paired p;
    for (auto _ : state) {
        build_occ(kPlate[0]);  // Open CASCADE starts warm too
        double volume = 0, occ = 0;
        auto features = [&] {
            const unsigned int part = fresh_part();
            unsigned int body = 0;
            const unsigned int length = build_features(part, body);
            const double t0 = cpu_seconds();
            EXP_edit_exp(part, length, "530");
            UPDATE_do_update();
            const double t = cpu_seconds() - t0;
            volume = feature_volume(body);
            return t;
        };
        auto kernel = [&] {
            const double t0 = cpu_seconds();
            occ = build_occ(530);
            return cpu_seconds() - t0;
        };
        for (int r = 0; r < rounds; ++r) {
            bench::alternate(p, 1, features, kernel, r % 2 == 1);
            if (std::fabs(volume - occ) > 1e-6 * occ) state.SkipWithError("the host and Open CASCADE disagree");
        }
    }
    state.counters["features"] = kFeatures;
    bench::report(state, p, "feature");
    bench::reset_host();
}
BENCHMARK(FeatureRegeneration)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
