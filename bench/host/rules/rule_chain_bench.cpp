// A chain of 10 000 rules on the root, each reading the one before
// (r1 = 1, rN = r(N-1) + 1): evaluated from nothing, evaluated again after
// an edit of the first one (every rule recomputed), and read again from
// the cache; against the same 10 000 formulas compiled once and run in
// order by plain Lua, each reading the value before from a table.
// Compare ChainAfterEdit with PlainLua: the engine's share is the ratio.
#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <string>
#include <vector>

#include "bench/shipped_host.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/rules/rules.h"

namespace {

constexpr int kRules = 10'000;

std::string formula(int i) { return i == 1 ? "1" : "r" + std::to_string(i - 1) + " + 1"; }

void make_chain() {
    bench::reset_host();
    const unsigned int part = host::parts::create("chain.prt");
    int status = 0;
    KBL_init_part(1, part, &status);
    for (int i = 1; i <= kRules; ++i) {
        const std::string name = "r" + std::to_string(i);
        KBL_create_dynamic_rule("Root:", name.c_str(), "number", formula(i).c_str(), "parameter");
    }
}

double last() {
    KBL_value_t* v = nullptr;
    KBL_evaluate_rule_to_value(("Root:r" + std::to_string(kRules)).c_str(), &v);
    const double out = v ? v->payload.number : -1;
    KBL_free_value(v);
    host::rules::clear_trace();
    return out;
}

void ChainFirstEvaluation(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        make_chain();
        state.ResumeTiming();
        benchmark::DoNotOptimize(last());
    }
    state.SetItemsProcessed(state.iterations() * kRules);
}

void ChainAfterEdit(benchmark::State& state) {
    make_chain();
    last();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string one = std::to_string(++n % 7);
        state.ResumeTiming();
        KBL_create_dynamic_rule("Root:", "r1", "number", one.c_str(), "parameter");
        benchmark::DoNotOptimize(last());
    }
    state.SetItemsProcessed(state.iterations() * kRules);
}

void ChainFromCache(benchmark::State& state) {
    make_chain();
    last();
    for (auto _ : state) benchmark::DoNotOptimize(last());
}

void PlainLua(benchmark::State& state) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_newtable(L);  // the values, as the formulas' environment
    const int env = lua_gettop(L);
    std::vector<int> chunks;
    for (int i = 1; i <= kRules; ++i) {
        const std::string chunk = "return " + formula(i);
        luaL_loadbufferx(L, chunk.data(), chunk.size(), "=r", "t");
        lua_pushvalue(L, env);
        lua_setupvalue(L, -2, 1);
        chunks.push_back(luaL_ref(L, LUA_REGISTRYINDEX));
    }
    for (auto _ : state) {
        for (int i = 1; i <= kRules; ++i) {
            lua_rawgeti(L, LUA_REGISTRYINDEX, chunks[static_cast<std::size_t>(i) - 1]);
            lua_call(L, 0, 1);
            lua_setfield(L, env, ("r" + std::to_string(i)).c_str());
        }
        lua_getfield(L, env, ("r" + std::to_string(kRules)).c_str());
        benchmark::DoNotOptimize(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    state.SetItemsProcessed(state.iterations() * kRules);
    lua_close(L);
}

BENCHMARK(ChainFirstEvaluation)->Unit(benchmark::kMillisecond);
BENCHMARK(ChainAfterEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(ChainFromCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainLua)->Unit(benchmark::kMillisecond);

}  // namespace
