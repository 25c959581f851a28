#include "lathra/app/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lathra::app {
namespace {

std::vector<char*> c_argv(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// posix_spawn: no shell, so blanks and shell characters in the arguments
// reach the program as they are. Returns the error number or 0.
int spawn(const std::vector<std::string>& argv, pid_t& pid) {
    auto cargv = c_argv(argv);
    // A name without a slash is searched in PATH (the viewer); a path is
    // started as it is.
    const bool search = argv[0].find('/') == std::string::npos;
    return search ? ::posix_spawnp(&pid, argv[0].c_str(), nullptr, nullptr, cargv.data(), environ)
                  : ::posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, cargv.data(), environ);
}

}  // namespace

std::string machine_environment(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

ProgramEnd run_and_wait(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.push_back(program);
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramEnd end;
    pid_t pid = 0;
    if (program.empty() || spawn(argv, pid) != 0) return end;
    end.started = true;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            // Lost track of it: it cannot count as a success.
            end.code = -1;
            return end;
        }
    }
    if (WIFSIGNALED(status)) {
        end.signalled = true;
        end.code = WTERMSIG(status);
    } else {
        end.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return end;
}

bool start_detached(const std::vector<std::string>& argv, std::string& error) {
    if (argv.empty() || argv[0].empty()) {
        error = "no program to start";
        return false;
    }
    pid_t pid = 0;
    const int rc = spawn(argv, pid);
    if (rc != 0) {
        error = argv[0] + ": " + std::strerror(rc);
        return false;
    }
    return true;
}

std::vector<std::string> viewer_command(const std::string& file) {
    std::vector<std::string> cmd;
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const std::string v = machine_environment(var);
        std::size_t i = 0;
        while (i < v.size()) {
            while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
            std::size_t j = i;
            while (j < v.size() && v[j] != ' ' && v[j] != '\t') ++j;
            if (j > i) cmd.emplace_back(v.substr(i, j - i));
            i = j;
        }
        if (!cmd.empty()) break;
    }
    if (cmd.empty()) cmd.emplace_back("xdg-open");
    cmd.push_back(file);
    return cmd;
}

std::string executable_name(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.filename().empty()) return self.filename().string();
    if (argv0 != nullptr && *argv0 != '\0') return std::filesystem::path(argv0).filename().string();
    return "lathra";
}

}  // namespace lathra::app
