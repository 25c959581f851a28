// Fault simulation (see faultsim.h).
//
// simulate() runs the story twice in the test process. The clean run
// records the journal and the steps (where each begins and ends in the
// journal, and how it changed the live blocks). From them comes the plan:
// each host call that gets an error is given to the nearest step boundary
// at or before it (the story's start, a step's begin or a step's end),
// with its occurrence counted from there. The replay runs the story again
// and, at each boundary, forks one child per host call planned there; the
// child scripts the raise, goes on with the story, checks, writes its
// findings into a pipe and ends with _exit. The parent goes on with the
// story while a few children run, and takes their findings in the order of
// the runs. Each run works in a copy of the replay's directory as it was
// when the run was forked.
#include "tests/support/faultsim.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/base/services/error.h"
#include "tests/support/fresh_process.h"

namespace faultsim {
namespace {

namespace ctl = host::control;

// The error service's frame bookkeeping: no error is injected there.
bool gets_no_error(const char* name) {
    static const char* const exempt[] = {"ERROR_set_handler",         "ERROR_cancel_handler", "ERROR_ask_failure_code",
                                         "ERROR_acknowledge_handled", "ERROR_raise",          "ERROR_internal"};
    for (const char* e : exempt)
        if (std::strcmp(name, e) == 0) return true;
    return false;
}

// Releases of the host: when one of them gets the error, the host keeps
// what it was asked to give back, so the blocks it holds are no leak of the
// library (which reports the failure as its status).
bool is_release(const char* name) {
    static const char* const releases[] = {"SM_free",  "SM_free_to_mark", "TEXT_free",           "TEXT_free_locale",
                                           "EVC_free", "evcrvf",          "CM_delete_node_list", "BEAD_free_data",
                                           "ZQ_free_bspline"};
    for (const char* r : releases)
        if (std::strcmp(name, r) == 0) return true;
    return false;
}

// Seconds a run may take before it counts as hanging.
constexpr unsigned kRunSeconds = 60;

// Runs going at the same time (each waits on its own; the parent goes on
// with the story meanwhile).
constexpr std::size_t kParallel = 2;

enum class Mode { off, record, replay, child };

struct Step {
    std::string call;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool ended = false;  // false: the call did not come back (an error jumped past it)
    long blocks = 0;     // live blocks after the call minus before it
};

struct Injection {
    std::size_t index = 0;  // of the host call in the clean run's journal
    const char* name = "";
    int occurrence = 0;  // in the story, from 1
    int nth = 0;         // counted from the boundary where the run forks
};

struct Sim {
    Mode mode = Mode::off;
    std::string story;
    std::vector<Step> steps;  // of the clean run
    std::vector<Injection> at_start;
    std::vector<std::vector<Injection>> at_begin, at_end;  // per step
    std::size_t next_step = 0;
    long open_step = -1;
    std::size_t blocks_at_begin = 0;
    // Parent.
    std::size_t runs = 0;
    std::vector<Fault> faults;
    std::string root;  // the runs' directories are made in it
    // Child.
    Injection inj;
    long target = -1;  // the step the injected call belongs to, -1 for none
    bool target_ended = false;
    std::string model_before;
    std::size_t blocks_before = 0;
    int depth_before = 0;
    int failed_status = 0;  // of the step, while its leak check waits for the next one
    bool leak_check_due = false;
    bool frame_reported = false;
    int out_fd = -1;
    // The host log keeps only its newest lines: it is read at every step's
    // begin and end, so that an internal error noted early in a long story
    // is not lost. The first such line, and how many lines were read.
    std::string internal_line;
    std::size_t log_seen = 0;
};

Sim& sim() {
    static Sim s;
    return s;
}

// Reads the log lines noted since the last look for an internal error.
void scan_log() {
    Sim& s = sim();
    const std::size_t noted = host::error::lines_noted();
    if (noted < s.log_seen) s.log_seen = 0;  // the log was cleared since
    if (noted == s.log_seen) return;
    const std::vector<std::string> lines = ctl::log_lines();
    const std::size_t fresh = std::min(noted - s.log_seen, lines.size());
    for (std::size_t i = lines.size() - fresh; i < lines.size() && s.internal_line.empty(); ++i)
        if (lines[i].find("internal error") != std::string::npos) s.internal_line = lines[i];
    s.log_seen = noted;
}

// Starts the reading of the log afresh (the host was reset).
void forget_log() {
    sim().internal_line.clear();
    sim().log_seen = 0;
}

// ---- Findings of a child ---------------------------------------------------

void write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string one_line(std::string text, std::size_t max = 160) {
    for (char& c : text)
        if (c == '\n' || c == '\t' || c == '\r') c = ' ';
    if (text.size() > max) text = text.substr(0, max) + "...";
    return text;
}

void emit(const char* check, const std::string& detail) {
    write_all(sim().out_fd, std::string(check) + '\t' + one_line(detail, 400) + '\n');
}

// The library function a step's call text names (the first KX_ word), or
// the text itself.
std::string function_of(const std::string& call) {
    std::size_t at = call.find("KX_");
    if (at == std::string::npos) return call;
    std::size_t end = at;
    while (end < call.size() && (std::isalnum(static_cast<unsigned char>(call[end])) || call[end] == '_')) ++end;
    return call.substr(at, end - at);
}

bool is(const host::JournalRecord& r, const char* name) { return std::strcmp(r.name, name) == 0; }

// The injected call raised: it stands at its index and the raise follows it.
bool fired() {
    const Injection& in = sim().inj;
    return ctl::journal_size() > in.index + 1 && is(ctl::journal_at(in.index), in.name) &&
           is(ctl::journal_at(in.index + 1), "ERROR_raise") && ctl::journal_at(in.index + 1).arg[0] == kInjectedCode;
}

// The library told the host it handled the injected error.
bool acknowledged() {
    for (std::size_t i = sim().inj.index + 2; i < ctl::journal_size(); ++i) {
        const host::JournalRecord& r = ctl::journal_at(i);
        if (is(r, "ERROR_acknowledge_handled") && r.arg[0] == kInjectedCode) return true;
    }
    return false;
}

// The step armed a library frame before the injected call.
bool armed_before_raise(const Step& step) {
    for (std::size_t i = step.begin; i < sim().inj.index && i < ctl::journal_size(); ++i) {
        const host::JournalRecord& r = ctl::journal_at(i);
        if (is(r, "ERROR_set_handler") && r.arg[0] == 0) return true;
    }
    return false;
}

// The first line that differs: its head (which names the part of the
// model) and the two texts from where they part.
std::string first_difference(const std::string& a, const std::string& b) {
    std::istringstream x(a), y(b);
    std::string la, lb;
    while (true) {
        const bool ga = static_cast<bool>(std::getline(x, la));
        const bool gb = static_cast<bool>(std::getline(y, lb));
        if (!ga && !gb) return "";
        if (!ga) la.clear();
        if (!gb) lb.clear();
        if (ga && gb && la == lb) continue;
        std::size_t at = 0;
        while (at < la.size() && at < lb.size() && la[at] == lb[at]) ++at;
        const std::size_t from = at > 40 ? at - 8 : 0;
        return "\"" + one_line(la.substr(0, std::min<std::size_t>(at, 40))) + "\" from character " +
               std::to_string(from) + ": before \"" + one_line(la.substr(from), 48) + "\", after \"" +
               one_line(lb.substr(from), 48) + "\"";
    }
}

// At the end of the step that met the injected error.
void check_step(int status) {
    Sim& s = sim();
    ctl::clear_script(s.inj.name);
    if (!fired()) {
        emit("diverged", "the run did not reach the call as the clean run did");
        return;
    }
    s.frame_reported = ctl::frame_depth() != s.depth_before;
    if (s.frame_reported)
        emit("frame", std::to_string(s.depth_before) + " frames before the call, " +
                          std::to_string(ctl::frame_depth()) + " after it");
    const long delta = static_cast<long>(ctl::live_blocks()) - static_cast<long>(s.blocks_before);
    if (status != 0) {
        s.failed_status = status;
        s.leak_check_due = !is_release(s.inj.name);
        const std::string now = ctl::model_fingerprint();
        if (now != s.model_before)
            emit("model", "status " + std::to_string(status) + ", " + first_difference(s.model_before, now));
    } else {
        if (!acknowledged()) emit("swallowed", "status 0 after the host raised, the error not acknowledged");
        const long clean = s.steps[static_cast<std::size_t>(s.target)].blocks;
        if (delta != clean)
            emit("leak", "status 0, live blocks changed by " + std::to_string(delta) + ", in the clean run by " +
                             std::to_string(clean));
    }
}

// A failed call leaves the live blocks as they were, once the program has
// released what the call handed it (a load report, say): looked at when the
// story makes its next call or ends.
void check_leak() {
    Sim& s = sim();
    if (!s.leak_check_due) return;
    s.leak_check_due = false;
    const long delta = static_cast<long>(ctl::live_blocks()) - static_cast<long>(s.blocks_before);
    if (delta != 0)
        emit("leak", "status " + std::to_string(s.failed_status) + ", live blocks changed by " + std::to_string(delta));
}

// After the story, in a child: the checks of the whole run, then the end.
[[noreturn]] void finish_child(bool jumped, int depth_after) {
    Sim& s = sim();
    ctl::clear_script(s.inj.name);
    check_leak();
    if (!fired()) {
        if (s.target < 0 || !s.target_ended) emit("diverged", "the run did not reach the call as the clean run did");
    } else if (s.target >= 0 && !s.target_ended) {
        const Step& step = s.steps[static_cast<std::size_t>(s.target)];
        if (step.ended && armed_before_raise(step))
            emit("escaped", "the error passed the call's armed frame to the caller's handler");
    }
    // One frame stays armed after the story: the simulation's own, around it.
    if (!jumped && depth_after != 1 && !s.frame_reported)
        emit("frame", std::to_string(depth_after - 1) + " frames left armed after the story");
    scan_log();
    if (!s.internal_line.empty()) emit("log", s.internal_line);
    write_all(s.out_fd, "end\n");
    ::_exit(0);
}

// ---- Runs --------------------------------------------------------------------

// Makes `to` a copy of `from` (empty when `from` is empty); errors leave
// it as far as it got.
void copy_directory(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    if (!from.empty()) std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, ec);
    std::filesystem::create_directories(to, ec);
}

void become_child(const Injection& in, long target, int out_fd, int err_fd, const std::string& dir) {
    Sim& s = sim();
    s.mode = Mode::child;
    s.inj = in;
    s.target = target;
    s.out_fd = out_fd;
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
        ::dup2(null, 1);
        ::close(null);
    }
    if (err_fd >= 0) ::dup2(err_fd, 2);
    ::alarm(kRunSeconds);
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (target >= 0) {
        s.model_before = ctl::model_fingerprint();
        s.blocks_before = ctl::live_blocks();
        s.depth_before = ctl::frame_depth();
    }
    ctl::raise_on(in.name, kInjectedCode, in.nth);
}

std::string read_fd(int fd) {
    std::string out;
    char buf[4096];
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

// The line of a stopped child's standard error that says why it stopped.
std::string why_stopped(int status, int err_fd) {
    std::string how = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                      : WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                          : "stopped";
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) how = "no end within " + std::to_string(kRunSeconds) + " s";
    std::string err;
    if (err_fd >= 0) {
        ::lseek(err_fd, 0, SEEK_SET);
        err = read_fd(err_fd);
    }
    std::istringstream lines(err);
    std::string line, first;
    static const char* const telling[] = {"AddressSanitizer", "runtime error", "terminate called", "host: error"};
    while (std::getline(lines, line)) {
        if (first.empty() && !line.empty()) first = line;
        for (const char* t : telling)
            if (line.find(t) != std::string::npos) return how + ": " + one_line(line);
    }
    return first.empty() ? how : how + ": " + one_line(first);
}

void add_fault(const Injection& in, long target, const std::string& check, const std::string& detail) {
    Sim& s = sim();
    Fault f{s.story,
            in.name,
            in.occurrence,
            check,
            target >= 0 ? function_of(s.steps[static_cast<std::size_t>(target)].call) : std::string(),
            detail};
    if (target >= 0) f.detail += " [" + s.steps[static_cast<std::size_t>(target)].call + "]";
    s.faults.push_back(std::move(f));
}

// A run forked and not yet waited for.
struct Running {
    pid_t pid;
    int out_fd;  // the read end of its findings
    int err_fd;  // its standard error (a temporary file)
    Injection in;
    long target;
};

std::vector<Running>& running() {
    static std::vector<Running> list;
    return list;
}

// Waits for the oldest run and takes its findings, so that they come in the
// order of the runs.
void reap_oldest() {
    Running r = running().front();
    running().erase(running().begin());
    const std::string said = read_fd(r.out_fd);
    ::close(r.out_fd);
    int status = 0;
    while (::waitpid(r.pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::istringstream lines(said);
    std::string line;
    bool ended = false;
    while (std::getline(lines, line)) {
        if (line == "end") {
            ended = true;
            continue;
        }
        std::size_t tab = line.find('\t');
        add_fault(r.in, r.target, line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1));
    }
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        add_fault(r.in, r.target, "crash", why_stopped(status, r.err_fd));
    if (r.err_fd >= 0) ::close(r.err_fd);
}

void reap_all() {
    while (!running().empty()) reap_oldest();
}

// Forks the run of one injection. In the child it returns, and the story
// goes on; the parent keeps at most kParallel runs going.
void run(const Injection& in, long target) {
    Sim& s = sim();
    const std::size_t number = ++s.runs;
    std::fflush(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) {
        add_fault(in, target, "crash", "no pipe for the run");
        return;
    }
    char err_name[] = "/tmp/faultsim-stderr-XXXXXX";
    const int err_fd = ::mkstemp(err_name);
    if (err_fd >= 0) ::unlink(err_name);
    // The run's directory: the files as the story has them now, copied
    // before the parent goes on writing.
    std::error_code ec;
    const std::string dir = s.root + "/run-" + std::to_string(number);
    copy_directory(std::filesystem::current_path(ec), dir);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        for (const Running& r : running()) {
            ::close(r.out_fd);
            if (r.err_fd >= 0) ::close(r.err_fd);
        }
        running().clear();
        become_child(in, target, fds[1], err_fd, dir);
        return;
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        if (err_fd >= 0) ::close(err_fd);
        add_fault(in, target, "crash", "fork failed");
        return;
    }
    running().push_back({pid, fds[0], err_fd, in, target});
    while (running().size() >= kParallel) reap_oldest();
}

void run_all(const std::vector<Injection>& list, long target) {
    for (const Injection& in : list) {
        run(in, target);
        if (sim().mode == Mode::child) return;
    }
}

// ---- The story under a frame of the caller's own -----------------------------

struct Outcome {
    int result = -1;
    bool jumped = false;
    int depth_after = 0;
    std::size_t calls = 0;  // journal records of the story
};

jmp_buf g_buffer;
Outcome g_outcome;
const std::function<int()>* g_story = nullptr;

// Arms a frame with a jump buffer as a user program does, so that an error
// that leaves a function without a frame of its own comes back here instead
// of stopping the process; clears the journal after arming and turns it on
// (the runs are compared by their journals, whatever the story's fresh
// state left the switch at); runs the story.
// Nothing in this function has a destructor: a jump may land in it.
void run_under_frame() {
    g_outcome = Outcome{};
    if (setjmp(g_buffer) == 0) {
        const int id = ERROR_set_handler(ERROR__default_handler, g_buffer);
        ctl::set_journal(true);
        ctl::clear_journal();
        if (sim().mode == Mode::replay) run_all(sim().at_start, -1);
        g_outcome.result = (*g_story)();
        g_outcome.calls = ctl::journal_size();
        g_outcome.depth_after = ctl::frame_depth();
        if (sim().mode != Mode::child) ERROR_cancel_handler(id);
    } else {
        g_outcome.jumped = true;
        g_outcome.calls = ctl::journal_size();
        g_outcome.depth_after = ctl::frame_depth();
    }
}

// ---- The plan ----------------------------------------------------------------

void plan(const std::vector<host::JournalRecord>& journal) {
    Sim& s = sim();
    s.at_start.clear();
    s.at_begin.assign(s.steps.size(), {});
    s.at_end.assign(s.steps.size(), {});
    std::map<std::string_view, int> in_story;
    std::map<std::string_view, int> since_boundary;
    std::vector<Injection>* point = &s.at_start;
    std::size_t next = 0;  // the next step whose begin is not passed
    long inside = -1;      // the step whose range holds the call
    for (std::size_t k = 0; k < journal.size(); ++k) {
        // Move to the boundary at or before k.
        while (true) {
            if (inside >= 0 && k >= s.steps[static_cast<std::size_t>(inside)].end) {
                point = &s.at_end[static_cast<std::size_t>(inside)];
                inside = -1;
                since_boundary.clear();
                continue;
            }
            if (inside < 0 && next < s.steps.size() && k >= s.steps[next].begin) {
                inside = static_cast<long>(next++);
                point = &s.at_begin[static_cast<std::size_t>(inside)];
                since_boundary.clear();
                continue;
            }
            break;
        }
        const std::string_view name = journal[k].name;
        ++in_story[name];
        ++since_boundary[name];
        if (gets_no_error(journal[k].name)) continue;
        point->push_back({k, journal[k].name, in_story[name], since_boundary[name]});
    }
}

std::string internal_errors() {
    scan_log();
    return sim().internal_line;
}

}  // namespace
}  // namespace faultsim

// ---- Steps -------------------------------------------------------------------------

extern "C" void faultsim_begin(const char* call) {
    using namespace faultsim;
    Sim& s = sim();
    if (s.mode == Mode::off) return;
    scan_log();
    if (s.open_step >= 0 && s.mode == Mode::record) {
        // The open step never came back: an error jumped past it.
        s.steps[static_cast<std::size_t>(s.open_step)].end = ctl::journal_size();
    }
    const long step = static_cast<long>(s.next_step++);
    s.open_step = step;
    switch (s.mode) {
        case Mode::record:
            s.steps.push_back({call ? call : "", ctl::journal_size(), 0, false, 0});
            s.blocks_at_begin = ctl::live_blocks();
            break;
        case Mode::replay:
            if (static_cast<std::size_t>(step) < s.at_begin.size())
                run_all(s.at_begin[static_cast<std::size_t>(step)], step);
            break;
        case Mode::child: check_leak(); break;
        default: break;
    }
}

extern "C" int faultsim_end(int status) {
    using namespace faultsim;
    Sim& s = sim();
    if (s.mode == Mode::off || s.open_step < 0) return status;
    scan_log();
    const long step = s.open_step;
    s.open_step = -1;
    switch (s.mode) {
        case Mode::record: {
            Step& st = s.steps[static_cast<std::size_t>(step)];
            st.end = ctl::journal_size();
            st.ended = true;
            st.blocks = static_cast<long>(ctl::live_blocks()) - static_cast<long>(s.blocks_at_begin);
            break;
        }
        case Mode::replay:
            if (static_cast<std::size_t>(step) < s.at_end.size()) run_all(s.at_end[static_cast<std::size_t>(step)], -1);
            break;
        case Mode::child:
            if (step == s.target) {
                s.target_ended = true;
                check_step(status);
            }
            break;
        default: break;
    }
    return status;
}

namespace faultsim {

bool same_fault(const Fault& a, const Fault& b) {
    return a.story == b.story && a.call == b.call && a.occurrence == b.occurrence && a.check == b.check &&
           a.where == b.where;
}

namespace {
// The directories of one simulation: made on entry, the current directory
// given back and all of them removed on the way out.
class Directories {
public:
    explicit Directories(const std::string& seed) : seed_(seed) {
        std::error_code ec;
        home_ = std::filesystem::current_path(ec);
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "faultsim-XXXXXX").string();
        if (::mkdtemp(pattern.data())) root_ = pattern;
    }
    ~Directories() {
        std::error_code ec;
        std::filesystem::current_path(home_, ec);
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    Directories(const Directories&) = delete;
    Directories& operator=(const Directories&) = delete;
    const std::string& root() const { return root_; }
    // Makes <root>/<name> from the seed (empty without one) and works in it.
    void enter(const char* name) const {
        const std::filesystem::path dir = std::filesystem::path(root_) / name;
        copy_directory(seed_, dir);
        std::error_code ec;
        std::filesystem::current_path(dir, ec);
    }

private:
    std::string seed_;
    std::filesystem::path home_;
    std::string root_;
};
}  // namespace

Report simulate(const Story& story) {
    // The host is reset when the simulation ends, however it ends, so that
    // the last run's model is not held to the end of the process (the leak
    // checker would report its kernel geometry at exit when the story is the
    // last test of its process).
    struct ResetAtEnd {
        ~ResetAtEnd() { kxtest::fresh_process(); }
    } reset_at_end;
    Sim& s = sim();
    s = Sim{};
    s.story = story.name;
    Report report;
    report.story = story.name;
    const std::function<void()> fresh = story.fresh ? story.fresh : std::function<void()>(kxtest::fresh_process);
    g_story = &story.run;
    const Directories dirs(story.files);
    if (dirs.root().empty()) {
        report.problem = "no directory for the runs";
        return report;
    }
    s.root = dirs.root();

    // The clean run.
    s.mode = Mode::record;
    dirs.enter("clean");
    fresh();
    forget_log();
    run_under_frame();
    s.mode = Mode::off;
    std::vector<host::JournalRecord> journal = ctl::journal();
    journal.resize(g_outcome.calls);
    report.host_calls = journal.size();
    report.steps = s.steps.size();
    if (g_outcome.jumped || g_outcome.result != 0 || g_outcome.depth_after != 1) {
        report.problem = "the story fails without an injected error (result " + std::to_string(g_outcome.result) +
                         (g_outcome.jumped ? ", an error came back to the caller's frame" : "") + ")";
        return report;
    }
    if (std::string line = internal_errors(); !line.empty()) {
        report.problem = "the clean run notes an internal error: " + line;
        return report;
    }
    plan(journal);

    // The replay, which forks the runs.
    s.mode = Mode::replay;
    s.next_step = 0;
    s.open_step = -1;
    dirs.enter("replay");
    fresh();
    forget_log();
    run_under_frame();
    if (s.mode == Mode::child) finish_child(g_outcome.jumped, g_outcome.depth_after);
    s.mode = Mode::off;
    reap_all();

    bool same = g_outcome.calls == journal.size() && s.next_step == s.steps.size();
    for (std::size_t i = 0; same && i < journal.size(); ++i) same = is(ctl::journal_at(i), journal[i].name);
    if (g_outcome.jumped || g_outcome.result != 0 || !same)
        report.problem = "the replay did not repeat the clean run (result " + std::to_string(g_outcome.result) + ", " +
                         std::to_string(g_outcome.calls) + " host calls against " + std::to_string(journal.size()) +
                         ")";
    report.runs = s.runs;
    report.faults = std::move(s.faults);
    return report;
}

std::string describe(const Fault& f) {
    std::string out = f.call + " #" + std::to_string(f.occurrence);
    out += f.where.empty() ? " outside the story's steps" : " in " + f.where;
    out += ": " + f.check;
    if (!f.detail.empty()) out += " (" + f.detail + ")";
    return out;
}

std::string describe(const Report& r) {
    std::string out = r.story + ": " + std::to_string(r.host_calls) + " host calls, " + std::to_string(r.steps) +
                      " steps, " + std::to_string(r.runs) + " runs, " + std::to_string(r.faults.size()) + " faults\n";
    if (!r.problem.empty()) out += "  problem: " + r.problem + "\n";
    for (const Fault& f : r.faults) out += "  " + describe(f) + "\n";
    return out;
}

std::string faults_of(const Report& r) {
    std::string out;
    for (const Fault& f : r.faults) out += describe(f) + "\n";
    return out;
}

std::string faults_of(const Report& r, const std::vector<Fault>& not_faults) {
    std::string out;
    for (const Fault& f : r.faults) {
        bool known = false;
        for (const Fault& k : not_faults) known = known || same_fault(f, k);
        if (!known) out += describe(f) + "\n";
    }
    return out;
}

}  // namespace faultsim
