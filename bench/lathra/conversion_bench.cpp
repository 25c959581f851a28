// Converting a tape of one million frames, against a plain line copy of the
// same file: a contour tape as it comes from a CAM system, and a worst case
// with braking at nearly every frame.
#include "lathra/engine/ptp_to_up.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class NullPort : public lathra::engine::DialogPort {
public:
    lathra::engine::Answer message(const lathra::engine::Message&) override { return lathra::engine::Answer::Ok; }
    lathra::engine::DialogResult edit_dialog(const lathra::engine::EditDialogView&) override { return {}; }
    std::optional<std::string> save_file_dialog(const lathra::engine::SaveFileRequest&) override {
        return std::nullopt;
    }
};

constexpr int kFrames = 1000000;

fs::path tape_path(const char* kind) {
    return fs::temp_directory_path() /
           ("lathra_bench_" + std::string(kind) + "_" + std::to_string(::getpid()) + ".ptp");
}

// A worst case: a corner, a reversal, a short move, an arc or a stop at
// nearly every frame, so that most frames get a braking frame after them.
const fs::path& stress_tape() {
    static const fs::path path = [] {
        fs::path p = tape_path("stress");
        std::FILE* f = std::fopen(p.c_str(), "wb");
        static const char* const pattern[] = {
            "G17G01X+001000F600", "Y+001000", "X-000500Y+000200", "X+000500F1500", "G02X+001000Y-001000I+001000",
            "G01X+002000",        "X-002000", "Y+000020",         "Y+003000F900",  "M03S500",
        };
        const int n = sizeof pattern / sizeof *pattern;
        for (int i = 0; i < kFrames; ++i) std::fprintf(f, "N%05d%s\n", i % 100000, pattern[i % n]);
        std::fclose(f);
        return p;
    }();
    return path;
}

// A contour tape as a CAM system writes it: circles of 72 short segments,
// each run ended by a sharp corner, an arc, a feed change and a spindle
// frame.
const fs::path& contour_tape() {
    static const fs::path path = [] {
        fs::path p = tape_path("contour");
        std::FILE* f = std::fopen(p.c_str(), "wb");
        int i = 0;
        auto frame = [&](const char* text) { std::fprintf(f, "N%05d%s\n", i++ % 100000, text); };
        char buf[64];
        while (i < kFrames) {
            frame("G17G01X+001000F800");
            for (int k = 0; k < 72 && i < kFrames; ++k) {
                const double a = k * 3.14159265358979 / 36;
                std::snprintf(buf, sizeof buf, "X%+07ldY%+07ld", std::lround(400 * std::cos(a)),
                              std::lround(400 * std::sin(a)));
                frame(buf);
            }
            frame("Y-005000");
            frame("G02X+002000Y-002000I+002000F600");
            frame("G01X+003000F1000");
            frame("M08");
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

lathra::engine::ConversionSettings settings(int machine) {
    lathra::engine::ConversionSettings s;
    s.machine = machine;
    s.speed_limit = 100;
    s.feed_max = 1200;
    s.acceleration = 50;
    return s;
}

void convert(benchmark::State& state, const fs::path& tape, int machine) {
    NullPort port;
    const fs::path out = tape.string() + ".up";
    for (auto _ : state) {
        const auto r = lathra::engine::PtpToUp(tape.string(), out.string(), settings(machine), port);
        if (!r.ok()) state.SkipWithError("conversion failed");
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    fs::remove(out);
}

void copy_lines(benchmark::State& state, const fs::path& tape) {
    const fs::path out = tape.string() + ".copy";
    for (auto _ : state) {
        std::FILE* in = std::fopen(tape.c_str(), "rb");
        std::FILE* o = std::fopen(out.c_str(), "wb");
        char* line = nullptr;
        std::size_t cap = 0;
        ssize_t n;
        while ((n = ::getline(&line, &cap, in)) >= 0) std::fwrite(line, 1, static_cast<std::size_t>(n), o);
        std::free(line);
        std::fclose(in);
        std::fclose(o);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    fs::remove(out);
}

// The conversion with braking analysis, without it (machine "NONE"), and a
// plain line copy of the same tape, for each of the two tapes.
void BM_Contour_PtpToUp(benchmark::State& s) { convert(s, contour_tape(), 2); }
void BM_Contour_NoneMethods(benchmark::State& s) { convert(s, contour_tape(), 0); }
void BM_Contour_LineCopy(benchmark::State& s) { copy_lines(s, contour_tape()); }
void BM_Stress_PtpToUp(benchmark::State& s) { convert(s, stress_tape(), 2); }
void BM_Stress_NoneMethods(benchmark::State& s) { convert(s, stress_tape(), 0); }
void BM_Stress_LineCopy(benchmark::State& s) { copy_lines(s, stress_tape()); }

struct Cleanup {
    ~Cleanup() {
        std::error_code ec;
        fs::remove(tape_path("stress"), ec);
        fs::remove(tape_path("contour"), ec);
    }
} cleanup;

}  // namespace

BENCHMARK(BM_Contour_PtpToUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contour_NoneMethods)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contour_LineCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stress_PtpToUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stress_NoneMethods)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stress_LineCopy)->Unit(benchmark::kMillisecond);
