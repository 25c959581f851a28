// Fuzz target: the conversion of a .ptp tape, with the braking analysis (a
// machine that brakes hard and one that barely brakes) and without it.
#include "fuzz/lathra/fuzz_support.h"
#include "lathra/engine/ptp_to_up.h"
#include "lathra/ui/scripted.h"

using namespace lathra::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& dir = lathra_fuzz::ScratchDir::get();
    const std::string ptp = lathra_fuzz::fresh_tape("job.ptp", data, size), up = dir / "job.up";
    struct Machine {
        int index, speed_limit, feed_max, acceleration;
        NumberingMode numbering;
        bool circle;
    };
    const Machine machines[] = {
        {2, 100, 1200, 50, NumberingMode::H33, true},
        {1, 50, 900, 1, NumberingMode::Free, false},
        {0, 100, 1000, 50, NumberingMode::Free, true},
    };
    for (const Machine& m : machines) {
        ConversionSettings s;
        s.machine = m.index;
        s.speed_limit = m.speed_limit;
        s.feed_max = m.feed_max;
        s.acceleration = m.acceleration;
        s.numbering = m.numbering;
        s.circle_slowdown = m.circle;
        lathra::ui::ScriptedPort port;
        const ConversionResult r = PtpToUp(ptp, up, s, port);
        // Success tells nothing; every error is told once.
        lathra_fuzz::require(r.ok() ? port.events.empty() : port.messages().size() == 1);
        // No scratch file is left beside the .up.
        lathra_fuzz::require(dir.only({"job.ptp", "job.up"}));
        lathra_fuzz::require(lathra_fuzz::read_file(ptp).size() == size);
    }
    return 0;
}
