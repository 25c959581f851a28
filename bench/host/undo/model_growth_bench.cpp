// A model that grows: points in one part, 1 000 to 1 000 000 of them, each
// created inside its own undo mark as the library does (set a mark, create,
// delete the mark); then one cycle through all of them, a lookup by name,
// an undo to a mark set halfway through the creation, a save, a close and
// a reopen. The costs should stay flat per object: compare the counters of
// the sizes (per-object time and bytes at 1 000 000 within twice those at
// 1 000), and the save and reopen against writing and reading the same
// number of bytes with plain file I/O.
//
// Counters (per object unless said): create_us; bytes (heap in use per
// point, no mark held: measured when the halfway mark is set);
// bytes_marked (the same after the creation, the second half's records
// held by the halfway mark); cycle_ns; lookup_us (one lookup, whole);
// undo_ns (per point undone); save_ns, close_ns, reopen_ns; file_bytes
// (whole); sync_ms (whole: the fsync inside the save that makes the part
// file durable before it replaces the old one); plain_ms and plain_sync_ms
// (whole: the plain I/O without and with the fsync); cpu_ms and
// plain_cpu_ms (whole: processor time of a round and of the plain I/O).
//
// The save, close and reopen are done in three rounds (the reopened part
// saved again), each followed by the plain I/O of the same bytes (write a
// new file and read it back, once with and once without an fsync after the
// write), so that the two sides of a ratio meet the same load of the
// machine and the same state of the page cache. Per round, three ratios;
// the counters are the medians over the rounds (of the ratios, and of each
// time on its own):
//   io_ratio_sync  (save + close + reopen) / (plain write + fsync + read):
//                  both sides durable (the goal is judged on this one);
//   io_ratio       (save - sync + close + reopen) / (plain write + read):
//                  neither side waits for the disk;
//   io_ratio_cpu   the same as io_ratio in processor time (user and
//                  system) of the process: what the machine's load does not
//                  change much.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/shipped_host.h"
#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_cycle.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/base/services/memory.h"

namespace {

using Clock = std::chrono::steady_clock;
double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }
// Processor time of the process (user and system), in seconds.
double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}
std::size_t heap_in_use() { return mallinfo2().uordblks; }

std::string file_in_temp(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + name + "." + std::to_string(getpid());
}

unsigned int create_point(int i) {
    int status = 0;
    const unsigned int mark = UNDO_JQ_set_mark(UNDO_INVISIBLE, "Create Point", &status);
    const double p[3] = {static_cast<double>(i), 0.5 * i, 1.0};
    unsigned int point = 0;
    ES_create_point(p, &point);
    UNDO_JQ_delete_mark(mark, nullptr);
    return point;
}

void free_status(PART_load_status_t& s) {
    for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
    SM_free(s.file_names);
    SM_free(s.statuses);
}

// Wall and processor time, in seconds.
struct Took {
    double wall = 0, cpu = 0;
};

// Writing and reading `bytes` with plain stdio; with `sync`, the written
// file is made durable (fsync) before it is read.
Took plain_io(const std::string& file, std::size_t bytes, bool sync) {
    std::vector<char> data(bytes, 'x');
    const auto t = Clock::now();
    const double c = cpu_seconds();
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    if (sync) {
        std::fflush(f);
        ::fsync(fileno(f));
    }
    std::fclose(f);
    f = std::fopen(file.c_str(), "rb");
    std::vector<char> back(bytes);
    benchmark::DoNotOptimize(std::fread(back.data(), 1, back.size(), f));
    std::fclose(f);
    const Took took{seconds_since(t), cpu_seconds() - c};
    std::remove(file.c_str());
    return took;
}

double median3(double a, double b, double c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); }

// One save, close and reopen of the work part; the part reopened.
struct Round {
    double save = 0, sync = 0, close = 0, reopen = 0, cpu = 0;
    double total() const { return save + close + reopen; }
};
Round save_close_reopen(unsigned int& part, const std::string& file, benchmark::State& state) {
    Round r;
    const double c = cpu_seconds();
    auto t = Clock::now();
    int components = 0, mode = 2, result = 0;
    unsigned int p = part;
    base_save_part(&p, &components, &mode, &result);
    r.save = seconds_since(t);
    r.sync = host::part_file::last_sync_seconds();
    if (result != 0) state.SkipWithError("the save failed");
    t = Clock::now();
    base_Part_Close(part, 0, 1);
    r.close = seconds_since(t);
    t = Clock::now();
    PART_load_status_t ls{};
    part = 0;
    BASE_open_part(file.c_str(), &part, &ls);
    free_status(ls);
    r.reopen = seconds_since(t);
    r.cpu = cpu_seconds() - c;
    if (part == 0) state.SkipWithError("the reopen failed");
    return r;
}

void BM_model_growth(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string file = file_in_temp("growth.prt");
    for (auto _ : state) {
        bench::reset_host();
        const unsigned int part = host::parts::create(file);
        host::parts::set_work_part(part);

        // Create, with a visible mark set halfway.
        const std::size_t heap0 = heap_in_use();
        unsigned int halfway = 0, named = 0;
        int status = 0;
        auto t = Clock::now();
        double bytes = 0;
        for (int i = 0; i < n; ++i) {
            if (i == n / 2) {
                bytes = static_cast<double>(heap_in_use() - heap0) / i;
                halfway = UNDO_JQ_set_mark(UNDO_VISIBLE, "Halfway", &status);
            }
            const unsigned int p = create_point(i);
            if (i == n / 4) named = p;
        }
        const double create_s = seconds_since(t);
        const double bytes_marked = static_cast<double>(heap_in_use() - heap0) / n;
        int result = 0;
        ES_add_entity_name(named, "QUARTER", 7, &result);

        // Cycle all.
        t = Clock::now();
        int seen = 0;
        for (unsigned int o = RM_start_cycle_in_part(part); o != 0; o = RM_next_entity(o)) ++seen;
        const double cycle_s = seconds_since(t);
        if (seen != n) state.SkipWithError("the cycle missed points");

        // Look one up by name (the mean of a thousand lookups).
        constexpr int kLookups = 1000;
        t = Clock::now();
        unsigned int found = 0;
        for (int k = 0; k < kLookups; ++k) {
            found = 0;
            ES_cycle_entities_by_name(part, "quarter", &found);
        }
        const double lookup_s = seconds_since(t) / kLookups;
        if (found != named) state.SkipWithError("the lookup missed");

        // Undo to the mark set halfway (the name, given after the mark, goes
        // too); then as many points again, so that the part saved holds n + 1.
        t = Clock::now();
        UNDO_JQ_undo_to_mark(halfway, nullptr);
        const double undo_s = seconds_since(t);
        UNDO_JQ_delete_all_marks();
        const int kept = n / 2;
        for (int i = 0; i < kept + 1; ++i) create_point(-i);
        const int saved = kept + kept + 1;

        // Save, close, reopen, then the plain I/O of the same bytes: three
        // rounds.
        unsigned int current = part;
        Round rounds[3];
        Took plain[3], plain_sync[3];
        std::size_t file_bytes = 0;
        for (int k = 0; k < 3; ++k) {
            rounds[k] = save_close_reopen(current, file, state);
            std::FILE* f = std::fopen(file.c_str(), "rb");
            std::fseek(f, 0, SEEK_END);
            file_bytes = static_cast<std::size_t>(std::ftell(f));
            std::fclose(f);
            // The first write after a round meets the page cache fullest:
            // the two kinds take turns at it.
            if (k % 2 == 0) plain[k] = plain_io(file_in_temp("plain.bin"), file_bytes, false);
            plain_sync[k] = plain_io(file_in_temp("plain.bin"), file_bytes, true);
            if (k % 2 == 1) plain[k] = plain_io(file_in_temp("plain.bin"), file_bytes, false);
        }
        std::remove(file.c_str());
        auto median = [](auto&& of) { return median3(of(0), of(1), of(2)); };

        state.counters["create_us"] = create_s / n * 1e6;
        state.counters["bytes"] = bytes;
        state.counters["bytes_marked"] = bytes_marked;
        state.counters["cycle_ns"] = cycle_s / n * 1e9;
        state.counters["lookup_us"] = lookup_s * 1e6;
        state.counters["undo_ns"] = undo_s / (n - n / 2) * 1e9;
        state.counters["save_ns"] = median([&](int k) { return rounds[k].save; }) / saved * 1e9;
        state.counters["close_ns"] = median([&](int k) { return rounds[k].close; }) / saved * 1e9;
        state.counters["reopen_ns"] = median([&](int k) { return rounds[k].reopen; }) / saved * 1e9;
        state.counters["sync_ms"] = median([&](int k) { return rounds[k].sync; }) * 1e3;
        state.counters["file_bytes"] = static_cast<double>(file_bytes);
        state.counters["plain_ms"] = median([&](int k) { return plain[k].wall; }) * 1e3;
        state.counters["plain_sync_ms"] = median([&](int k) { return plain_sync[k].wall; }) * 1e3;
        state.counters["io_ratio"] =
            median([&](int k) { return (rounds[k].total() - rounds[k].sync) / plain[k].wall; });
        state.counters["io_ratio_sync"] = median([&](int k) { return rounds[k].total() / plain_sync[k].wall; });
        state.counters["io_ratio_cpu"] = median([&](int k) { return rounds[k].cpu / plain[k].cpu; });
        state.counters["cpu_ms"] = median([&](int k) { return rounds[k].cpu; }) * 1e3;
        state.counters["plain_cpu_ms"] = median([&](int k) { return plain[k].cpu; }) * 1e3;
    }
    bench::reset_host();
}
BENCHMARK(BM_model_growth)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
