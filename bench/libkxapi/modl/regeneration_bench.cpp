// Regeneration after one edit in a chain of features.
//
// ChainEdit/N: a block with a chain of N holes, each a cylinder feature
// subtracted from it whose diameter is its own expression (d1 ... dN), made
// with the library's exported functions as a user makes them. Each round
// edits the diameter of the last, the middle and the first hole in turn
// (KX_MODL_edit_exp, outside the time) and times KX_MODL_update.
//
// Beside it, in the same process and on the same shapes, Open CASCADE alone
// does the least work that edit needs: from the body as it stood before the
// edited hole (kept from an untimed build of the chain with the same
// diameters, as a history-based modeller keeps it), it makes the edited
// cylinder and every later one and cuts them one by one with
// BRepAlgoAPI_Cut. The two sides alternate (the first of a pair changes from
// round to round), the volumes of both results are compared after every
// pair, and each side's median over the rounds counts.
//
// Counters, for each edited position (last, middle, first): host_<p>_s and
// occ_<p>_s (medians of processor time), ratio_<p> (host over Open
// CASCADE); last_over_first for each side; rounds; setup_s (building the
// chain through the library); load (the one-minute load average at the
// end). Goals: editing the last hole costs a small fraction of editing the
// first; the host's local regeneration within 1.2 times Open CASCADE's at
// 400 features.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/shipped_host.h"
#include "bench/occ_shapes.h"
#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_cre_prim.h"
#include "kx_modl_exp.h"
#include "libkxapi/core/kx_session.h"

namespace {

constexpr int kPerRow = 20;
constexpr double kPitch = 5, kThickness = 10, kDiameter = 3;
constexpr int kSubtract = 2;

using bench::cpu_seconds;
using bench::median;

// The plate that holds N holes, kPerRow to a row.
std::array<double, 3> plate_size(int n) {
    const int rows = (n + kPerRow - 1) / kPerRow;
    return {kPitch * (kPerRow + 1), kPitch * (rows + 1), kThickness};
}

std::array<double, 3> hole_base(int i) {
    return {kPitch * (i % kPerRow + 1), kPitch * (i / kPerRow + 1), -1};
}

// Hole I's diameter expression, and an assignment of VALUE to it.
std::string diameter_name(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "d%d", i + 1);
    return text;
}

std::string assignment(int i, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "d%d=%g", i + 1, value);
    return text;
}

// The chain through the library: the block's body.
tag build_chain(int n) {
    kx_reset_session_for_tests();
    bench::reset_host();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    const std::array<double, 3> size = plate_size(n);
    const std::string sx = std::to_string(size[0]), sy = std::to_string(size[1]), sz = std::to_string(size[2]);
    const char* sizes[] = {sx.c_str(), sy.c_str(), sz.c_str()};
    double corner[] = {0, 0, 0};
    tag block = NULL_TAG, body = NULL_TAG;
    if (KX_MODL_create_block(0, NULL_TAG, corner, sizes, &block) != 0) return NULL_TAG;
    if (KX_MODL_ask_feat_body(block, &body) != 0) return NULL_TAG;
    const std::string height = std::to_string(kThickness + 2);
    for (int i = 0; i < n; ++i) {
        const std::string name = diameter_name(i);
        if (KX_MODL_create_exp(assignment(i, kDiameter).c_str()) != 0) return NULL_TAG;
        std::array<double, 3> at = hole_base(i);
        double up[] = {0, 0, 1};
        tag hole = NULL_TAG;
        if (KX_MODL_create_cylinder(kSubtract, body, at.data(), height.c_str(), name.c_str(), up, &hole) != 0)
            return NULL_TAG;
    }
    return body;
}

double host_volume(tag body) {
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(ES_solid_ask_fermalith_tag(body), p);
    return p[ZQ_MP_VOLUME];
}

TopoDS_Shape occ_cut(const TopoDS_Shape& body, int i, double diameter) {
    const std::array<double, 3> at = hole_base(i);
    const double up[] = {0, 0, 1};
    return bench::occ::cut_cylinder(body, at.data(), up, diameter / 2, kThickness + 2);
}

// Open CASCADE's chain with the given diameters, kept as it stood before
// each hole of `before` (ascending).
std::vector<TopoDS_Shape> occ_prefixes(const std::vector<double>& diameters, const std::vector<int>& before) {
    const std::array<double, 3> size = plate_size(static_cast<int>(diameters.size()));
    TopoDS_Shape body = bench::occ::box(size[0], size[1], size[2]);
    std::vector<TopoDS_Shape> kept;
    std::size_t next = 0;
    for (int i = 0; next < before.size(); ++i) {
        while (next < before.size() && before[next] == i) {
            kept.push_back(body);
            ++next;
        }
        if (next < before.size()) body = occ_cut(body, i, diameters[static_cast<std::size_t>(i)]);
    }
    return kept;
}

void ChainEdit(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int rounds = static_cast<int>(state.range(1));
    // Edited in this order within a round, so that an edit never changes
    // the body kept before a later one.
    const std::array<int, 3> edited = {n - 1, n / 2, 0};
    const std::array<const char*, 3> label = {"last", "middle", "first"};
    std::array<std::vector<double>, 3> host_s, occ_s;
    double setup_s = 0;
    for (auto _ : state) {
        const double t0 = cpu_seconds();
        const tag body = build_chain(n);
        setup_s = cpu_seconds() - t0;
        if (body == NULL_TAG) {
            state.SkipWithError("the chain could not be built");
            break;
        }
        std::vector<double> diameters(static_cast<std::size_t>(n), kDiameter);
        // Both sides start warm.
        occ_prefixes(std::vector<double>(3, kDiameter), {0, 1, 2});
        for (int r = 0; r < rounds; ++r) {
            const std::vector<TopoDS_Shape> kept = occ_prefixes(diameters, {edited[2], edited[1], edited[0]});
            const double value = r % 2 == 0 ? 2.5 : kDiameter;
            for (std::size_t p = 0; p < edited.size(); ++p) {
                const int k = edited[p];
                diameters[static_cast<std::size_t>(k)] = value;
                const std::string edit = assignment(k, value);
                TopoDS_Shape occ_body;
                auto run_host = [&] {
                    if (KX_MODL_edit_exp(edit.c_str()) != 0) state.SkipWithError("edit refused");
                    const double s = cpu_seconds();
                    if (KX_MODL_update() != 0) state.SkipWithError("update failed");
                    host_s[p].push_back(cpu_seconds() - s);
                };
                auto run_occ = [&] {
                    const double s = cpu_seconds();
                    occ_body = kept[edited.size() - 1 - p];
                    for (int i = k; i < n; ++i) occ_body = occ_cut(occ_body, i, diameters[static_cast<std::size_t>(i)]);
                    occ_s[p].push_back(cpu_seconds() - s);
                };
                if ((r + static_cast<int>(p)) % 2 == 0) {
                    run_host();
                    run_occ();
                } else {
                    run_occ();
                    run_host();
                }
                const double vh = host_volume(body), vo = bench::occ::volume(occ_body);
                if (std::fabs(vh - vo) > 1e-6 * vo) state.SkipWithError("the host and Open CASCADE disagree");
            }
        }
    }
    state.counters["features"] = n;
    state.counters["rounds"] = rounds;
    state.counters["setup_s"] = setup_s;
    std::array<double, 3> host_m{}, occ_m{};
    for (std::size_t p = 0; p < label.size() && !host_s[p].empty(); ++p) {
        host_m[p] = median(host_s[p]);
        occ_m[p] = median(occ_s[p]);
        state.counters[std::string("host_") + label[p] + "_s"] = host_m[p];
        state.counters[std::string("occ_") + label[p] + "_s"] = occ_m[p];
        state.counters[std::string("ratio_") + label[p]] = host_m[p] / occ_m[p];
    }
    if (host_m[2] > 0) state.counters["host_last_over_first"] = host_m[0] / host_m[2];
    if (occ_m[2] > 0) state.counters["occ_last_over_first"] = occ_m[0] / occ_m[2];
    state.counters["load"] = bench::load_average();
    kx_reset_session_for_tests();
    bench::reset_host();
}
BENCHMARK(ChainEdit)
    ->Args({20, 7})
    ->Args({100, 5})
    ->Args({400, 3})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
