// Helpers of the lathra program tests: scratch directories, environment
// variables set for one test, files, and starting the built program.
#pragma once

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lathra_test {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "lathra-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// Sets (or, with nullopt, removes) an environment variable for the life of
// the object.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value) ::setenv(name_.c_str(), value->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Changes the working directory for the life of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
    ~ScopedCwd() {
        std::error_code ec;
        fs::current_path(old_, ec);
    }

private:
    fs::path old_;
};

inline void write_file(const fs::path& p, const std::string& text, bool executable = false) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    if (executable)
        fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                        fs::perm_options::replace);
}

inline std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits up to a few seconds for a file that a program started without
// waiting writes.
inline bool wait_for_file(const fs::path& p) {
    for (int i = 0; i < 200; ++i) {
        if (fs::exists(p) && fs::file_size(p) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

// A CAD base directory whose rvk stand-in records its arguments, one a
// line, in $RVK_LOG and copies $RVK_TAPE to $RVK_WRITE_TO when both are set.
inline void make_base_dir(const fs::path& base) {
    write_file(base / "mach/auxiliary/rvk",
               "#!/bin/sh\n"
               "[ -n \"$RVK_LOG\" ] && for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$RVK_LOG\"; done\n"
               "[ -n \"$RVK_TAPE\" ] && [ -n \"$RVK_WRITE_TO\" ] && cp \"$RVK_TAPE\" \"$RVK_WRITE_TO\"\n"
               "exit 0\n",
               true);
}

struct RunResult {
    int exit_code = -1;
    std::string out;
};

// Starts a program (searched in PATH when it has no slash) with `input` on
// its standard input through a pipe; standard output is collected.
// `env` adds to or (with nullopt) removes from this process's environment.
inline RunResult run_program(const std::vector<std::string>& argv, const std::string& input,
                             const std::map<std::string, std::optional<std::string>>& env = {}) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string kv = *e;
        const auto eq = kv.find('=');
        if (eq != std::string::npos) vars[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : env) {
        if (v) vars[k] = *v;
        else vars.erase(k);
    }
    std::vector<std::string> env_text;
    for (const auto& [k, v] : vars) env_text.push_back(k + "=" + v);
    std::vector<char*> cenv, cargv;
    for (auto& s : env_text) cenv.push_back(s.data());
    cenv.push_back(nullptr);
    std::vector<std::string> args = argv;
    for (auto& s : args) cargv.push_back(s.data());
    cargv.push_back(nullptr);

    int in_pipe[2], out_pipe[2];
    if (::pipe(in_pipe) != 0 || ::pipe(out_pipe) != 0) return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out_pipe[1], 1);
    posix_spawn_file_actions_addclose(&fa, in_pipe[1]);
    posix_spawn_file_actions_addclose(&fa, out_pipe[0]);
    // A program that ends before reading all its input must not take the
    // test down with SIGPIPE; the program itself gets the default action.
    std::signal(SIGPIPE, SIG_IGN);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t def;
    sigemptyset(&def);
    sigaddset(&def, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &def);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, cargv[0], &fa, &attr, cargv.data(), cenv.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    RunResult r;
    if (rc != 0) {
        ::close(in_pipe[1]);
        ::close(out_pipe[0]);
        return r;
    }
    // Feeds the input from a thread so that a program that writes much
    // before it reads never blocks against us.
    std::thread feeder([fd = in_pipe[1], &input] {
        std::size_t done = 0;
        while (done < input.size()) {
            const ssize_t n = ::write(fd, input.data() + done, input.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out_pipe[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<std::size_t>(n));
    ::close(out_pipe[0]);
    feeder.join();
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

}  // namespace lathra_test
