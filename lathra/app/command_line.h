// The command line of lathra: the job base (-Defo=<base> or -Defo:<base>),
// the output base (-O:<base>) and the names of the two tapes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lathra::app {

class CommandLine {
public:
    // argv[0] is the program's own path.
    CommandLine(int argc, const char* const* argv);
    explicit CommandLine(std::vector<std::string> argv) : argv_(std::move(argv)) {}

    bool has_arguments() const { return argv_.size() > 1; }
    // The arguments without the program's path, as they were given.
    std::vector<std::string> arguments() const;
    // The argument part as one text, the arguments joined with blanks.
    std::string param() const;
    // The whole command line, the program's path included.
    std::string whole() const;

    // Scans the arguments: one containing "-O:" gives the output base, its
    // text from the fourth character on (the last such argument counts);
    // "-Defo:", "-Defo=" and "-PAUSE:" are known and change nothing.
    std::optional<std::string> output_base() const;

private:
    std::vector<std::string> argv_;
};

// The job base: the text after "-Defo" and one more character (":" or "=")
// up to the end of that argument. Empty when no argument holds "-Defo".
std::string job_base(const std::vector<std::string>& arguments);

struct TapeNames {
    std::string ptp;
    std::string up;
};

// Named from the output base when there is one, else from the job base.
TapeNames tape_names(const std::string& job_base, const std::optional<std::string>& output_base);

}  // namespace lathra::app
