// Fault simulation: a story (a sequence of library calls from a fresh
// process) is run once with the journal on, and then again with a host
// error raised at each host call that run made, one run per call. Every
// run must end clean:
//
//   - the library call that met the error answers a non-zero status, or
//     succeeds cleanly (the host's error acknowledged as handled);
//   - a call that armed a frame lets no host error pass to its caller;
//   - no frame is left armed;
//   - no block is leaked: a failed call leaves as many live blocks as
//     before it (counted when the story makes its next call or ends, so
//     that what the program releases after the call, a load report say,
//     is no leak; nor are the blocks of a release of the host that got the
//     error: the host kept them), a successful one changes them as in the
//     clean run;
//   - the model (objects, names, display data, attributes, curves, parts,
//     work coordinate system, undo marks, update log) is as before a call
//     that failed;
//   - nothing is noted on the host log as an internal error;
//   - the process does not stop (abort, sanitizer report, hang).
//
// A story tells the simulation which library calls it checks the status of:
//
//     faultsim::Story story{"colour", [] {
//         if (int st = faultsim::step("KX_initialize", [] { return KX_initialize(); })) return st;
//         ...
//         return faultsim::step("KX_OBJ_set_color", [&] { return KX_OBJ_set_color(line, 5); });
//     }};
//     faultsim::Report report = faultsim::simulate(story);
//
// (a story in C calls faultsim_begin and faultsim_end around the calls).
// Host calls outside such steps get the injected error too; there the
// process checks (frames, log, stopping) apply.
//
// Each run is a child process forked at the nearest step boundary before
// its host call, so a run repeats only the start of one step, and a run
// that stops its process is a finding rather than the end of the test; a
// few runs go at the same time, in directories of their own. The
// host calls of the error service's frame bookkeeping (arming, cancelling,
// asking the failure code, acknowledging) get no error: the real service
// does not fail there, and the frames are what the checks watch.
#ifndef TESTS_SUPPORT_FAULTSIM_H
#define TESTS_SUPPORT_FAULTSIM_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

extern "C" {
// Around a library call whose status the story looks at; end answers the
// status. Without a simulation running they do nothing.
void faultsim_begin(const char* call);
int faultsim_end(int status);
}

namespace faultsim {

// The code of the injected error: in the host's own band, raised by nothing
// else, mapped by no one.
inline constexpr int kInjectedCode = 670099;

// Runs f (a library call answering its status) as a step of the story.
template <class F>
int step(const char* call, F&& f) {
    faultsim_begin(call);
    return faultsim_end(static_cast<int>(f()));
}

// A step of a story function: the call is the step, and a status other
// than 0 ends the story with it.
#define FAULTSIM_STEP(call)                                                    \
    do {                                                                       \
        if (int st_ = faultsim::step(#call, [&] { return call; })) return st_; \
    } while (0)

struct Story {
    std::string name;
    // The story, from a fresh process: 0 when it went through.
    std::function<int()> run;
    // Puts the process in its starting state before each run; empty:
    // kxtest::fresh_process.
    std::function<void()> fresh = {};
    // Every run works in a directory of its own as the current directory
    // (a copy of this one when given, else empty; a forked run starts with
    // a copy of the directory it was forked in), so that what one run
    // writes no other run reads: a story names its files relative to the
    // current directory.
    std::string files = {};
};

// What the checks found at one host call. The first five fields name it;
// detail says more.
struct Fault {
    std::string story;
    std::string call;    // the host routine that raised
    int occurrence = 0;  // its n-th call in the story, from 1
    std::string check;   // swallowed, escaped, frame, leak, model, log, crash, diverged
    std::string where;   // the library function of the step that met the error; "" outside steps
    std::string detail = {};
};
bool same_fault(const Fault& a, const Fault& b);  // all but detail

struct Report {
    std::string story;
    std::size_t host_calls = 0;  // made by the clean run
    std::size_t steps = 0;       // library calls the story checks
    std::size_t runs = 0;        // one per host call that gets an error
    std::vector<Fault> faults;
    // Not empty when the story itself failed without an injected error, or
    // the replay made other calls than the clean run: no runs are made then.
    std::string problem;
};

Report simulate(const Story& story);

// "story: N host calls, S steps, R runs, F faults" and a line per fault.
std::string describe(const Report& report);
std::string describe(const Fault& fault);
// A line per fault of the report (empty when the runs ended clean).
std::string faults_of(const Report& report);
// The same leaving out the findings listed as no faults (same_fault).
std::string faults_of(const Report& report, const std::vector<Fault>& not_faults);

}  // namespace faultsim

#endif
