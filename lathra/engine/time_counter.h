// The machining-time estimate of a .up program: each frame's time from its
// length, its feed code and the acceleration, with its speed profile shaped
// by the feeds of the frames before and after it.
#pragma once

#include "lathra/engine/port.h"

#include <string>
#include <string_view>

namespace lathra::engine {

class TTimeCounter {
public:
    struct Entry {
        int feed = 0;      // mm/min
        float length = 0;  // mm
    };

    // A below 1 is taken as 1. With a port, a file that cannot be opened or
    // that holds a value the tape format cannot hold is reported through it.
    TTimeCounter(std::string file_name, int A, DialogPort* port = nullptr);

    // The total time in seconds; 0 for an empty file, and for a file that
    // cannot be opened or read or holds a value the tape format cannot hold
    // (then failed() is true). Each frame's time is computed in single
    // precision, the total in double: any tape that can be read fits.
    double Count();
    bool failed() const { return failed_; }

    // Reads one frame into `entry`.
    void ParseFrame(std::string_view frame, Entry& entry);
    // The time of the middle entry, between the previous and the next one.
    float FrameTime();

    Entry previous, middle, next;
    int current_feed = 0;
    bool rapid_mark = false;
    double total = 0;

private:
    std::string name_;
    int acceleration_;
    DialogPort* port_;
    bool first_ = true;
    bool failed_ = false;
};

}  // namespace lathra::engine
