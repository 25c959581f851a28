// Fuzz target: splitting a .up program, with a limit taken from the input
// and a user who says yes to every question and splits once.
#include "fuzz/lathra/fuzz_support.h"
#include "lathra/engine/splitting.h"
#include "lathra/ui/scripted.h"

using namespace lathra::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& dir = lathra_fuzz::ScratchDir::get();
    const std::string up = lathra_fuzz::fresh_tape("job.up", data, size), second = dir / "part2.up";
    lathra::ui::ScriptedPort port;
    // A limit about half the tape: the cut falls inside it.
    port.answer(Answer::Yes).dialog(DialogAction::Ok, std::to_string(200 + size / 2));
    port.answer(Answer::Yes).dialog(DialogAction::Ok, second);
    const SplitOutcome o = RunSplitter(port, up, 100, 1200, 50);
    if (o.second_parts.empty()) {
        // No cut made (refused, or failed): nothing changed, nothing left.
        lathra_fuzz::require(lathra_fuzz::read_file(up).size() == size);
        lathra_fuzz::require(dir.only({"job.up"}));
    } else {
        lathra_fuzz::require(dir.only({"job.up", "part2.up"}));
    }
    return 0;
}
