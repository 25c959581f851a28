// Fuzz target: the machining-time estimate of a .up program.
#include "fuzz/lathra/fuzz_support.h"
#include "lathra/engine/time_counter.h"
#include "lathra/ui/scripted.h"

#include <cmath>

using namespace lathra::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string up = lathra_fuzz::fresh_tape("job.up", data, size);
    for (const int acceleration : {50, 1, 0}) {
        lathra::ui::ScriptedPort port;
        TTimeCounter counter(up, acceleration, &port);
        const double t = counter.Count();
        // Any readable tape gives a finite time; a refused one gives 0 and
        // its message.
        lathra_fuzz::require(std::isfinite(t));
        lathra_fuzz::require(counter.failed() ? t == 0 && port.messages().size() == 1 : port.events.empty());
    }
    return 0;
}
