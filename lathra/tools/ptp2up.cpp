// ptp2up: converts a .ptp tape into an H33 program from the command line,
// without the dialog program: prints the checksums and the machining time.
//
//   ptp2up [-m machine] [-s speed_limit] [-f feed_max] [-a acceleration]
//          [--free] [--no-circle] input.ptp output.up
//
// Messages go to standard error; the exit status is 0 on success, 1 after a
// conversion error, 2 for a bad command line.
#include "lathra/engine/ptp_to_up.h"
#include "lathra/engine/text_format.h"
#include "lathra/engine/time_counter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class StderrPort : public lathra::engine::DialogPort {
public:
    lathra::engine::Answer message(const lathra::engine::Message& m) override {
        std::fprintf(stderr, "%s: %s\n", m.caption.c_str(), m.text.c_str());
        return m.buttons == lathra::engine::Buttons::YesNo ? lathra::engine::Answer::No : lathra::engine::Answer::Ok;
    }
    lathra::engine::DialogResult edit_dialog(const lathra::engine::EditDialogView& v) override {
        return {lathra::engine::DialogAction::Cancel, v.field_text};
    }
    std::optional<std::string> save_file_dialog(const lathra::engine::SaveFileRequest&) override {
        return std::nullopt;
    }
};

int usage() {
    std::fputs(
        "usage: ptp2up [-m machine] [-s speed_limit] [-f feed_max] [-a acceleration]\n"
        "              [--free] [--no-circle] input.ptp output.up\n",
        stderr);
    return 2;
}

bool number(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    lathra::engine::ConversionSettings settings;
    std::string files[2];
    int nfiles = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        int* target = a == "-m"   ? &settings.machine
                      : a == "-s" ? &settings.speed_limit
                      : a == "-f" ? &settings.feed_max
                      : a == "-a" ? &settings.acceleration
                                  : nullptr;
        if (target) {
            if (i + 1 >= argc || !number(argv[++i], *target)) return usage();
        } else if (a == "--free") {
            settings.numbering = lathra::engine::NumberingMode::Free;
        } else if (a == "--no-circle") {
            settings.circle_slowdown = false;
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else if (nfiles < 2) {
            files[nfiles++] = a;
        } else {
            return usage();
        }
    }
    if (nfiles != 2 || settings.machine > 4) return usage();
    settings.feed_max = lathra::engine::clamp_feed_max(settings.feed_max);

    StderrPort port;
    const auto r = lathra::engine::PtpToUp(files[0], files[1], settings, port);
    if (!r.ok()) return 1;
    lathra::engine::TTimeCounter counter(files[1], settings.acceleration, &port);
    const double t = counter.Count();
    if (counter.failed()) return 1;
    using lathra::engine::checksum_shown;
    std::printf("SUMX =%10.2f mm\nSUMY =%10.2f mm\nSUMZ =%10.2f mm\ntime %10.0f s\n", checksum_shown(r.sum_x),
                checksum_shown(r.sum_y), checksum_shown(r.sum_z), t);
    return 0;
}
