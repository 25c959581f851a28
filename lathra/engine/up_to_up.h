// The re-pass over one part of a split .up program: the window and braking
// analysis of the conversion, run on feed codes, with the part's frames
// renumbered from 1.
#pragma once

#include "lathra/engine/braking.h"
#include "lathra/engine/port.h"

#include <string>

namespace lathra::engine {

enum class RepassStatus {
    Ok,
    CannotOpen,       // either file; nothing written
    BrakingError,     // the output holds the frames written before the error
    ValueOutOfRange,  // a frame the tape format cannot hold; as for a braking error
    WriteFailed
};

struct RepassResult {
    RepassStatus status = RepassStatus::Ok;
    double sum_x = 0, sum_y = 0, sum_z = 0;  // mm
    BrakingError braking;
    bool ok() const { return status == RepassStatus::Ok; }
};

class TUpToUp {
public:
    TUpToUp(std::string input, std::string output, int FeedMax, int A, int SpeedLimit, DialogPort& port);

    // The pass. Errors and, on success, the part's checksums are shown
    // through the port.
    RepassResult Run();

private:
    std::string input_, output_;
    int feed_max_, acceleration_, speed_limit_;
    DialogPort& port_;
};

}  // namespace lathra::engine
