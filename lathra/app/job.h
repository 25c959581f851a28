// The part of the job that follows the CAD tool: conversion of the tape,
// the report with checksums and time, the viewer and the splitting.
#pragma once

#include <string>

#include "lathra/app/command_line.h"
#include "lathra/engine/port.h"

namespace lathra::app {

// The settings taken from the main dialog when the job starts.
struct JobSettings {
    int machine = 2;
    int speed_limit = 100;  // mm/min
    int feed_max = 1200;    // mm/min
    int acceleration = 50;  // mm/s²
    bool free_numbering = false;
    bool circle_slowdown = true;
    bool notepad = false;
};

// The CAD system's postprocessor tool below its base directory.
std::string rvk_path(const std::string& base_dir);

// Converts the .ptp tape into the .up program, reports the checksums and the
// machining time, opens the viewer when asked and offers the splitting.
// Returns the exit status: 0 when the job went through (the settings are
// then saved), non-zero after an error that ended it (already shown).
int run_job(engine::DialogPort& dialogs, const TapeNames& tapes, const JobSettings& job);

}  // namespace lathra::app
