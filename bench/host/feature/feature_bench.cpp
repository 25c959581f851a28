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
// Against it, in the same run and in alternating rounds, the kernel's own
// routines do the same: the same body built with the kernel's calls, the
// same parameter edited (ZQ_BODY_edit_parameter) and the body regenerated
// (ZQ_BODY_regenerate). Counters: feature layer and kernel seconds of
// processor time (the least of the rounds) and their ratio (the feature
// layer's share: expressions, records, the update's bookkeeping).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

unsigned int fresh_part() {
    host::control::reset();
    host::control::set_journal(false);
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
    host::control::reset();
}
BENCHMARK(ExpressionChain)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5);

constexpr int kFeatures = 500;
constexpr double kPlate[3] = {520, 100, 10};
constexpr double kRadius = 1.5, kPitch = 5;

std::vector<double> hole_at(int i) {
    const int per_row = static_cast<int>(kPlate[0] / kPitch) - 2;
    return {(i % per_row + 1.5) * kPitch, (i / per_row + 1.5) * kPitch, -1, 0, 0, 1};
}

// The feature model; answers the plate's length expression.
unsigned int build_features(unsigned int part) {
    unsigned int length = 0, f = 0;
    EXP_create_exp(part, "length=520", &length);
    const char* block[] = {"length", "100", "10"};
    const double origin[3] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, block, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    const unsigned int body = FREC_ask_body(f);
    const char* hole[] = {"3", "12"};
    for (int i = 1; i < kFeatures; ++i) {
        const std::vector<double> at = hole_at(i - 1);
        unsigned int h = 0;
        FEAT_create(part, "CYLINDER", 2, hole, 6, at.data(), 0, nullptr, body, FEAT_SIGN_SUBTRACT, &h);
    }
    return length;
}

// The same body with the kernel's calls.
int build_kernel() {
    const double origin[3] = {0, 0, 0};
    int plate = 0;
    ZQ_BODY_make_block(origin, kPlate, &plate);
    for (int i = 1; i < kFeatures; ++i) {
        const std::vector<double> at = hole_at(i - 1);
        int tool = 0;
        ZQ_BODY_make_cylinder(at.data(), at.data() + 3, kRadius, kPlate[2] + 2, &tool);
        ZQ_BODY_boolean(plate, tool, ZQ_SUBTRACT);
    }
    return plate;
}

void FeatureRegeneration(benchmark::State& state) {
    const int rounds = static_cast<int>(state.range(0));
    double best_features = 1e300, best_kernel = 1e300;
    for (auto _ : state) {
        for (int r = 0; r < rounds; ++r) {
            const unsigned int part = fresh_part();
            const unsigned int length = build_features(part);
            double t0 = cpu_seconds();
            EXP_edit_exp(part, length, "530");
            UPDATE_do_update();
            best_features = std::min(best_features, cpu_seconds() - t0);

            fresh_part();
            const int plate = build_kernel();
            t0 = cpu_seconds();
            ZQ_BODY_edit_parameter(plate, 0, 3, 530);
            ZQ_BODY_regenerate(plate);
            best_kernel = std::min(best_kernel, cpu_seconds() - t0);
        }
    }
    state.counters["features"] = kFeatures;
    state.counters["feature_s"] = best_features;
    state.counters["kernel_s"] = best_kernel;
    state.counters["ratio"] = best_features / best_kernel;
    host::control::reset();
}
BENCHMARK(FeatureRegeneration)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
