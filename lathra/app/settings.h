// The settings file of lathra: section "Form" of an ini file with the
// machine, the three braking parameters and the numbering mode.
#pragma once

#include <filesystem>
#include <string>

#include "lathra/engine/frame_text.h"

namespace lathra::app {

// Highest feed the H33 feed code can carry in four characters.
using engine::kFeedMaxLimit;

struct Settings {
    int machine = 2;           // "Methods": machine index
    double speed_limit = 100;  // "SPEED_LIMIT", mm/min
    double feed_max = 1200;    // "FEED_MAX", mm/min (at most kFeedMaxLimit)
    double acceleration = 50;  // "ACCELERATION", mm/s²
    int numbering = 0;         // "SEQNO": 0 H33 numbering, else free
};

// A real number without needless decimals ("100", "12.5"), as the settings
// file holds it and the dialog's fields show it.
std::string real_text(double v);

// Where the settings live: "<exe name>.ini" in TEMP, else TMPDIR, else /tmp.
std::filesystem::path settings_file_path(const std::string& exe_name);

// Reads the five keys into `out` (a missing or unreadable key keeps its
// default). Returns -1 when the file cannot be opened, `out` then holds the
// defaults; 0 otherwise.
int LoadSettings(const std::filesystem::path& file, Settings& out);

// Replaces the file's content by section "Form" with the five keys.
// Returns -1 when the file cannot be written, 0 otherwise.
int SaveSettings(const std::filesystem::path& file, int machine, int numbering, int a, int feed_max, int speed_limit);

}  // namespace lathra::app
