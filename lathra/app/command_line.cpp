#include "lathra/app/command_line.h"

namespace lathra::app {

CommandLine::CommandLine(int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) argv_.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

std::vector<std::string> CommandLine::arguments() const {
    if (argv_.size() <= 1) return {};
    return {argv_.begin() + 1, argv_.end()};
}

std::string CommandLine::param() const {
    std::string out;
    for (std::size_t i = 1; i < argv_.size(); ++i) {
        if (i > 1) out += ' ';
        out += argv_[i];
    }
    return out;
}

std::string CommandLine::whole() const {
    std::string out = argv_.empty() ? std::string() : argv_[0];
    const std::string p = param();
    if (!p.empty()) out += ' ' + p;
    return out;
}

std::optional<std::string> CommandLine::output_base() const {
    std::optional<std::string> out;
    for (std::size_t i = 1; i < argv_.size(); ++i) {
        const std::string& a = argv_[i];
        if (a.find("-O:") != std::string::npos) out = a.size() > 3 ? a.substr(3) : std::string();
        // "-Defo:", "-Defo=" and "-PAUSE:" are the CAD system's own
        // arguments; the tool reads them, the scan leaves them alone.
    }
    return out;
}

std::string job_base(const std::vector<std::string>& arguments) {
    for (const auto& a : arguments) {
        const auto pos = a.find("-Defo");
        if (pos == std::string::npos) continue;
        const auto start = pos + 6;  // "-Defo" and the ":" or "="
        return start < a.size() ? a.substr(start) : std::string();
    }
    return {};
}

TapeNames tape_names(const std::string& job_base, const std::optional<std::string>& output_base) {
    const std::string& base = output_base ? *output_base : job_base;
    return {base + ".ptp", base + ".up"};
}

}  // namespace lathra::app
