#include "lathra/app/job.h"

#include "lathra/app/main_dialog.h"
#include "lathra/app/platform.h"
#include "lathra/engine/ptp_to_up.h"
#include "lathra/engine/splitting.h"
#include "lathra/engine/time_counter.h"

namespace lathra::app {

std::string rvk_path(const std::string& base_dir) { return base_dir + "/mach/auxiliary/rvk"; }

int run_job(engine::DialogPort& dialogs, const TapeNames& tapes, const JobSettings& job) {
    // The conversion.
    engine::ConversionSettings conv;
    conv.machine = job.machine;
    conv.speed_limit = job.speed_limit;
    conv.feed_max = job.feed_max;
    conv.acceleration = job.acceleration;
    conv.numbering = job.free_numbering ? engine::NumberingMode::Free : engine::NumberingMode::H33;
    conv.circle_slowdown = job.circle_slowdown;
    const engine::ConversionResult result = engine::PtpToUp(tapes.ptp, tapes.up, conv, dialogs);
    // A braking error or a tape that cannot be read or written ends the
    // program; the message has been shown.
    if (!result.ok()) return kExitFailed;

    // The report: checksums and the machining time.
    engine::TTimeCounter counter(tapes.up, job.acceleration, &dialogs);
    const double seconds = counter.Count();
    if (counter.failed()) return kExitFailed;  // the message has been shown
    engine::show_message(dialogs, std::string(text::kLathra),
                         job_report(tapes.up, result.sum_x, result.sum_y, result.sum_z, seconds), engine::Buttons::Ok,
                         engine::MessageKind::Confirmation);

    // The result in the user's viewer, without waiting for it.
    if (job.notepad) {
        std::string error;
        if (!start_detached(viewer_command(tapes.up), error))
            engine::show_message(dialogs, std::string(text::kLathra), error, engine::Buttons::Ok,
                                 engine::MessageKind::Error);
    }

    // The splitting, when the tape is too long for the machine.
    const engine::SplitOutcome split =
        engine::RunSplitter(dialogs, tapes.up, job.speed_limit, job.feed_max, job.acceleration);
    return split.ok() ? kExitOk : kExitFailed;
}

}  // namespace lathra::app
