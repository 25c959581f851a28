// The conversion of a .ptp tape into the H33 control program (.up).
#pragma once

#include "lathra/engine/braking.h"
#include "lathra/engine/frame_text.h"
#include "lathra/engine/tape_io.h"
#include "lathra/engine/port.h"

#include <string>

namespace lathra::engine {

enum class NumberingMode { H33 = 0, Free = 1 };

struct ConversionSettings {
    int machine = 2;        // 0 is "NONE": no braking analysis
    int speed_limit = 100;  // mm/min allowed at a full reversal
    int feed_max = 1200;    // mm/min (held to kFeedMaxLimit)
    int acceleration = 50;  // mm/s²
    NumberingMode numbering = NumberingMode::H33;
    bool circle_slowdown = true;  // restore the feed after braking on an arc
};

enum class ConversionStatus {
    Ok,
    CannotOpenPtp,    // nothing written
    CannotCreateUp,   // nothing written
    BrakingError,     // the .up holds the frames written before the error
    ValueOutOfRange,  // a frame the tape format cannot hold; as for a braking error
    WriteFailed       // the .up was left as it was
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::Ok;
    double sum_x = 0, sum_y = 0, sum_z = 0;  // checksums in mm
    BrakingError braking;                    // for BrakingError
    std::string bad_frame;                   // for ValueOutOfRange
    bool ok() const { return status == ConversionStatus::Ok; }
};

// Converts `ptp_name` into `up_name`. Every error has been shown through the
// port when it returns; the .up file is replaced only when the conversion
// ran (in full, or up to a braking error).
ConversionResult PtpToUp(const std::string& ptp_name, const std::string& up_name, const ConversionSettings& settings,
                         DialogPort& port);

// The conversion without braking analysis, on opened files; returns the
// checksums (mm) in sum_x, sum_y, sum_z. It stops at a frame the tape format
// cannot hold (see LineReader).
void none_methods(LineReader& in, TapeWriter& out, const ConversionSettings& settings, ConversionResult& result);

// Shows the message of a braking error of the conversion (-21 or -22) in a
// box captioned "lathra"; other codes show nothing.
void print_error(DialogPort& port, int code, const std::string& frame);

}  // namespace lathra::engine
