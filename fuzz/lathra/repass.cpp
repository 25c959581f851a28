// Fuzz target: the re-pass over a part of a split .up program.
#include "fuzz/lathra/fuzz_support.h"
#include "lathra/engine/up_to_up.h"
#include "lathra/ui/scripted.h"

using namespace lathra::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = lathra_fuzz::fresh_tape("part.up", data, size),
                      out = lathra_fuzz::ScratchDir::get() / "out.up";
    for (const int acceleration : {50, 1}) {
        lathra::ui::ScriptedPort port;
        const RepassResult r = TUpToUp(in, out, 1200, acceleration, 100, port).Run();
        // The checksums on success, or the one error message.
        lathra_fuzz::require(port.messages().size() == 1);
        lathra_fuzz::require(r.ok() == (port.messages()[0].caption == "lathra"));
    }
    return 0;
}
