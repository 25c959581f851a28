// What lathra needs of the operating system: the machine environment,
// starting programs directly (never through a shell), and the user's viewer.
#pragma once

#include <string>
#include <vector>

namespace lathra::app {

// A variable of the machine environment; empty when it is not set.
std::string machine_environment(const char* name);

// How a program that was waited for ended.
struct ProgramEnd {
    bool started = false;
    bool signalled = false;  // a signal ended it
    int code = 0;            // its exit status, or the number of the signal
    bool succeeded() const { return started && !signalled && code == 0; }
};

// Starts `program` with `args` (argv[1] onwards) directly, without a shell,
// and waits for it to end.
ProgramEnd run_and_wait(const std::string& program, const std::vector<std::string>& args);

// Starts a program without waiting for it. Returns false (and fills `error`)
// when it could not be started.
bool start_detached(const std::vector<std::string>& argv, std::string& error);

// The command that shows a text file to the user: $VISUAL, else $EDITOR
// (split at blanks, so "emacs -nw" works), else xdg-open; the file name is
// its last argument.
std::vector<std::string> viewer_command(const std::string& file);

// The name of the running executable without its directory.
std::string executable_name(const char* argv0);

}  // namespace lathra::app
