// The whole job a user runs (the conversion of a .ptp tape into the .up
// program and the machining time estimate, through the job's own entry with
// its default settings) against a plain two-pass line copy of the same tape:
// the tape copied line by line into one file, and that file copied line by
// line into another, with stdio.
//
// The tape holds about a million frames made from the toolpaths of the
// bundled tapes (the rounded pocket of the example job with its tool change,
// spindle, coolant, arcs, corners and reversal; the arcs and stops of a test
// tape), each repetition turned by a quarter turn, mirrored, scaled and run
// at other feeds, with other tools.
//
// The two sides alternate over the rounds; the medians count. Counters:
// medians of wall time and of processor time of each side (ms) and their
// ratios, the rounds, the mean load of the machine (1-minute average) while
// they ran, the tape's frames and bytes.
#include "lathra/app/job.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace engine = lathra::engine;

constexpr int kFrames = 1000000;
constexpr int kRounds = 9;

// Answers every question with No (no length limit: the job ends after the
// report) and remembers whether an error was shown.
class QuietPort : public engine::DialogPort {
public:
    engine::Answer message(const engine::Message& m) override {
        if (m.kind == engine::MessageKind::Error) error = m.text;
        return m.buttons == engine::Buttons::YesNo ? engine::Answer::No : engine::Answer::Ok;
    }
    engine::DialogResult edit_dialog(const engine::EditDialogView&) override { return {}; }
    std::optional<std::string> save_file_dialog(const engine::SaveFileRequest&) override { return std::nullopt; }
    std::string error;
};

// The frames of a bundled tape: every line but the tape's start ("%"), its
// end ("END") and the program end (M30), without the frame numbers.
std::vector<std::string> toolpath_frames(const fs::path& tape) {
    std::ifstream in(tape, std::ios::binary);
    std::vector<std::string> frames;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == "%" || line == "END" || line.find("M30") != std::string::npos) continue;
        std::size_t at = 0;
        if (line[0] == 'N')
            for (at = 1; at < line.size() && line[at] >= '0' && line[at] <= '9';) ++at;
        frames.push_back(line.substr(at));
    }
    return frames;
}

// One repetition's placement of a toolpath.
struct Placement {
    int quarter_turns = 0;  // 0..3, counter-clockwise in XY
    bool mirrored = false;  // X mirrored (after the turn): arcs change direction
    double scale = 1;
    double feed_scale = 1;
    int tool = 1;
};

// A word's number written as the bundled tapes write it: a sign when the
// original had one, digits to the original's width.
void put_number(std::string& out, long value, bool sign, std::size_t width) {
    char buf[32];
    if (sign) std::snprintf(buf, sizeof buf, "%c%0*ld", value < 0 ? '-' : '+', static_cast<int>(width), std::labs(value));
    else std::snprintf(buf, sizeof buf, "%0*ld", static_cast<int>(width), std::labs(value));
    out += buf;
}

std::string place(const std::string& frame, const Placement& at) {
    struct Word {
        char letter;
        std::string value;
    };
    std::vector<Word> words;
    for (std::size_t i = 0; i < frame.size();) {
        std::size_t e = i + 1;
        while (e < frame.size() && !(frame[e] >= 'A' && frame[e] <= 'Z')) ++e;
        words.push_back({frame[i], frame.substr(i + 1, e - i - 1)});
        i = e;
    }
    auto find = [&](char letter) -> Word* {
        for (Word& w : words)
            if (w.letter == letter) return &w;
        return nullptr;
    };
    // Offsets in XY (X, Y and the arc centre I, J) turned and mirrored;
    // unsigned centre offsets (magnitudes) only change places.
    auto turn = [&](char a, char b) {
        Word *wa = find(a), *wb = find(b);
        if (!wa && !wb) return;
        const auto is_signed = [](const Word* w) {
            return w && !w->value.empty() && (w->value[0] == '+' || w->value[0] == '-');
        };
        const bool signed_words = is_signed(wa) || is_signed(wb);
        double u = wa ? std::strtod(wa->value.c_str(), nullptr) : 0;
        double v = wb ? std::strtod(wb->value.c_str(), nullptr) : 0;
        for (int q = 0; q < at.quarter_turns; ++q) {
            const double t = u;
            u = signed_words ? -v : v;
            v = t;
        }
        if (at.mirrored && signed_words) u = -u;
        const long lu = std::lround(u * at.scale), lv = std::lround(v * at.scale);
        std::string su, sv;
        put_number(su, lu, signed_words, 6);
        put_number(sv, lv, signed_words, 6);
        // A frame with one of the two words keeps one, for the axis that
        // moves after the turn, as a tape writer leaves out an axis that
        // does not move.
        if (wa && wb) {
            wa->value = su;
            wb->value = sv;
        } else if (wa) {
            wa->value = lu != 0 ? su : sv;
            if (lu == 0) wa->letter = b;
        } else {
            wb->value = lv != 0 ? sv : su;
            if (lv == 0) wb->letter = a;
        }
    };
    turn('X', 'Y');
    turn('I', 'J');
    std::string out;
    for (const Word& w : words) {
        out += w.letter;
        if (w.letter == 'Z' && !w.value.empty()) {
            put_number(out, std::lround(std::strtod(w.value.c_str(), nullptr) * at.scale), true, 6);
        } else if (w.letter == 'F') {
            const long f = std::lround(std::strtod(w.value.c_str(), nullptr) * at.feed_scale);
            put_number(out, f, false, w.value.size());
        } else if (w.letter == 'T') {
            put_number(out, at.tool, false, w.value.size());
        } else if (w.letter == 'G' && at.mirrored && (w.value == "02" || w.value == "03")) {
            out += w.value == "02" ? "03" : "02";
        } else {
            out += w.value;
        }
    }
    return out;
}

struct Tape {
    fs::path path;
    long long frames = 0;
    long long bytes = 0;
};

Tape make_tape(const fs::path& dir) {
    const fs::path source(KX_SOURCE_DIR);
    const std::vector<std::vector<std::string>> toolpaths = {
        toolpath_frames(source / "examples/base/mach/auxiliary/mill.ptp"),
        toolpath_frames(source / "tests/lathra/engine/data/arc_stops.ptp"),
    };
    Tape tape;
    tape.path = dir / "job.ptp";
    std::ofstream out(tape.path, std::ios::binary);
    out << "%\n";
    static const double kScales[] = {1.0, 1.5, 2.0, 0.75, 3.0};
    static const double kFeedScales[] = {1.0, 0.75, 1.25, 0.5, 1.5, 0.9};
    long long n = 0;
    char number[16];
    for (int r = 0; n < kFrames; ++r) {
        const Placement at{r % 4, (r / 4) % 2 == 1, kScales[r % 5], kFeedScales[r % 6], 1 + r % 8};
        for (const std::string& frame : toolpaths[static_cast<std::size_t>(r) % toolpaths.size()]) {
            if (n >= kFrames) break;
            std::snprintf(number, sizeof number, "N%03lld", ++n % 1000);
            out << number << place(frame, at) << '\n';
        }
    }
    std::snprintf(number, sizeof number, "N%03lld", (n + 1) % 1000);
    out << number << "M30\nEND";
    out.close();
    tape.frames = n + 2;
    tape.bytes = static_cast<long long>(fs::file_size(tape.path));
    return tape;
}

// The job as the program runs it when "Постпроцесс" is pressed, after the
// CAD tool has written the tape: the default settings of the main dialog.
bool run_whole_job(const Tape& tape, const fs::path& up, std::string& error) {
    QuietPort port;
    const lathra::app::TapeNames names{tape.path.string(), up.string()};
    const int status = lathra::app::run_job(port, names, lathra::app::JobSettings{});
    error = port.error;
    return status == 0 && error.empty();
}

// An ordinary line copy with stdio.
bool copy_lines(const fs::path& from, const fs::path& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    bool ok = in && out;
    char* line = nullptr;
    std::size_t cap = 0;
    ssize_t n;
    while (ok && (n = ::getline(&line, &cap, in)) >= 0)
        ok = std::fwrite(line, 1, static_cast<std::size_t>(n), out) == static_cast<std::size_t>(n);
    std::free(line);
    if (in) std::fclose(in);
    if (out && std::fclose(out) != 0) ok = false;
    return ok;
}

bool two_pass_copy(const Tape& tape, const fs::path& dir) {
    return copy_lines(tape.path, dir / "copy1.up") && copy_lines(dir / "copy1.up", dir / "copy2.up");
}

struct Clock {
    double wall = 0, cpu = 0;  // seconds
    static Clock now() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        return {wall, static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec)};
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

void BM_WholeJob_Against_TwoPassLineCopy(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("lathra_job_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const Tape tape = make_tape(dir);
    const fs::path up = dir / "job.up";
    std::vector<double> job_wall, job_cpu, copy_wall, copy_cpu;
    double load_sum = 0;
    for (auto _ : state) {
        std::string error;
        // Both sides once before the rounds: the tape in the page cache.
        if (!run_whole_job(tape, up, error) || !two_pass_copy(tape, dir)) {
            state.SkipWithError(("the job or the copy failed: " + error).c_str());
            break;
        }
        for (int round = 0; round < kRounds; ++round) {
            double load[1] = {0};
            if (getloadavg(load, 1) == 1) load_sum += load[0];
            for (int side = 0; side < 2; ++side) {
                const bool job = (side == 0) == (round % 2 == 0);
                const Clock t0 = Clock::now();
                const bool ok = job ? run_whole_job(tape, up, error) : two_pass_copy(tape, dir);
                const Clock t1 = Clock::now();
                if (!ok) state.SkipWithError(("the job or the copy failed: " + error).c_str());
                (job ? job_wall : copy_wall).push_back(t1.wall - t0.wall);
                (job ? job_cpu : copy_cpu).push_back(t1.cpu - t0.cpu);
            }
        }
        state.SetIterationTime(median(job_wall));
    }
    if (!job_wall.empty()) {
        const double jw = median(job_wall), jc = median(job_cpu), cw = median(copy_wall), cc = median(copy_cpu);
        state.counters["job_ms"] = 1e3 * jw;
        state.counters["copy_ms"] = 1e3 * cw;
        state.counters["ratio"] = jw / cw;
        state.counters["job_cpu_ms"] = 1e3 * jc;
        state.counters["copy_cpu_ms"] = 1e3 * cc;
        state.counters["cpu_ratio"] = jc / cc;
        state.counters["rounds"] = kRounds;
        state.counters["load"] = load_sum / kRounds;
        state.counters["frames"] = static_cast<double>(tape.frames);
        state.counters["bytes"] = static_cast<double>(tape.bytes);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_WholeJob_Against_TwoPassLineCopy)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
