// Two sides of a comparison timed in the same process: ours (the host or
// the library) and Open CASCADE alone on the same shapes. The sides
// alternate, the first of a pair changing from round to round, so that both
// meet the same load of the machine; each side's median over the rounds
// counts. Times are processor time of the process: on a shared machine the
// wall clock counts other programs' work too.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

inline double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The one-minute load average of the machine, or -1.
inline double load_average() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

struct Paired {
    std::vector<double> ours, occ;
    double ours_median() const { return median(ours); }
    double occ_median() const { return median(occ); }
    double ratio() const { return occ_median() > 0 ? ours_median() / occ_median() : 0; }
};

// Runs ROUNDS pairs; each side is a function answering its seconds.
// FLIP changes which side goes first in the first round.
template <class Ours, class Occ>
void alternate(Paired& p, int rounds, Ours&& ours, Occ&& occ, bool flip = false) {
    for (int r = 0; r < rounds; ++r) {
        if ((r % 2 == 0) != flip) {
            p.ours.push_back(ours());
            p.occ.push_back(occ());
        } else {
            p.occ.push_back(occ());
            p.ours.push_back(ours());
        }
    }
}

// Counters <ours>_s and occ_s (the medians, or SCALE times them with the
// given suffixes), ratio, rounds and load.
inline void report(benchmark::State& state, const Paired& p, const std::string& ours, double scale = 1,
                   const std::string& unit = "_s") {
    state.counters[ours + unit] = scale * p.ours_median();
    state.counters["occ" + unit] = scale * p.occ_median();
    state.counters["ratio"] = p.ratio();
    state.counters["rounds"] = static_cast<double>(p.ours.size());
    state.counters["load"] = load_average();
}

}  // namespace bench
