// The fault simulation's own checks, on small stories whose calls stand in
// for library functions: each does one thing wrong when the host raises,
// and the simulation must name that fault at that host call, and nothing
// at the calls where it behaves.
#include "tests/support/faultsim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "libkxapi/core/frame.h"

namespace {

namespace ctl = host::control;

// A library-like call: a boundary guard, a library frame around the work,
// the caught host error as the status.
template <class Work>
int framed(Work&& work) {
    return kx::guarded([&]() -> int {
        const int id = host::arm_library_frame();
        try {
            work();
        } catch (const host::HostError& e) {
            if (!e.for_library_frame()) throw;
            return ERROR_ask_failure_code();
        }
        ERROR_cancel_handler(id);
        return 0;
    });
}

void note() { ERROR_note("faultsim_test", 1, "working"); }

// ---- The calls, each with its fault --------------------------------------------

int sound() {
    return framed([] { note(); });
}

int swallows() {
    return kx::guarded([]() -> int {
        const int id = host::arm_library_frame();
        try {
            note();
        } catch (const host::HostError&) {
            return 0;
        }
        ERROR_cancel_handler(id);
        return 0;
    });
}

int acknowledges() {
    return kx::guarded([]() -> int {
        const int id = host::arm_library_frame();
        try {
            note();
        } catch (const host::HostError&) {
            ERROR_acknowledge_handled(ERROR_ask_failure_code());
            return 0;
        }
        ERROR_cancel_handler(id);
        return 0;
    });
}

int leaks() {
    return framed([] {
        void* block = SM_alloc(8);
        note();
        SM_free(block);
    });
}

int changes_then_fails() {
    return framed([] {
        int status = 0;
        UNDO_JQ_set_mark(UNDO_VISIBLE, "half done", &status);
        note();
    });
}

int leaves_a_frame() {
    return kx::guarded([]() -> int {
        const int outer = host::arm_library_frame();
        const int inner = host::arm_library_frame();
        try {
            note();
        } catch (const host::HostError&) {
            return ERROR_ask_failure_code();  // the outer frame stays armed
        }
        ERROR_cancel_handler(inner);
        ERROR_cancel_handler(outer);
        return 0;
    });
}

int lets_an_error_pass() {
    return kx::guarded([]() -> int {
        const int status = framed([] { note(); });
        ERROR_lprintf("after the frame");  // outside the frame it armed
        return status;
    });
}

int cancels_the_consumed_frame() {
    return kx::guarded([]() -> int {
        const int id = host::arm_library_frame();
        try {
            note();
        } catch (const host::HostError&) {
            ERROR_cancel_handler(id);
            return ERROR_ask_failure_code();
        }
        ERROR_cancel_handler(id);
        return 0;
    });
}

int raises_in_a_destructor() {
    return framed([] {
        struct Release {
            ~Release() { ERROR_lprintf("released"); }
        } release;
        note();
    });
}

// ---- Stories -----------------------------------------------------------------------

faultsim::Story story_of(const char* name, int (*call)()) {
    return {name, [name, call] { return faultsim::step(name, call); }};
}

struct Expected {
    const char* host_call;
    int occurrence;
    const char* check;
};

struct Case {
    const char* name;
    int (*call)();
    std::vector<Expected> faults;
};

// The faults by what names them (their details left out).
std::string listed(const std::vector<faultsim::Fault>& faults) {
    std::string out;
    for (const faultsim::Fault& f : faults)
        out += f.story + ": " + f.call + " #" + std::to_string(f.occurrence) + " " + f.check + " in " + f.where + "\n";
    return out;
}

TEST(FaultSimulation, NamesEachFaultAtItsHostCall) {
    const Case cases[] = {
        {"sound", sound, {}},
        {"swallows", swallows, {{"ERROR_note", 1, "swallowed"}}},
        {"acknowledges", acknowledges, {}},
        // A free that the host refuses keeps its block: no leak of the story's.
        {"leaks", leaks, {{"ERROR_note", 1, "leak"}}},
        {"changes_then_fails", changes_then_fails, {{"ERROR_note", 1, "model"}}},
        {"leaves_a_frame", leaves_a_frame, {{"ERROR_note", 1, "frame"}}},
        {"lets_an_error_pass", lets_an_error_pass, {{"ERROR_lprintf", 1, "escaped"}}},
        {"cancels_the_consumed_frame", cancels_the_consumed_frame, {{"ERROR_note", 1, "log"}}},
        {"raises_in_a_destructor", raises_in_a_destructor, {{"ERROR_lprintf", 1, "crash"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const faultsim::Report r = faultsim::simulate(story_of(c.name, c.call));
        EXPECT_EQ(r.problem, "");
        EXPECT_EQ(r.steps, 1u);
        EXPECT_GT(r.runs, 0u);
        std::vector<faultsim::Fault> want;
        for (const Expected& e : c.faults) want.push_back({c.name, e.host_call, e.occurrence, e.check, c.name});
        EXPECT_EQ(listed(r.faults), listed(want)) << faultsim::describe(r);
    }
    ctl::reset();
}

TEST(FaultSimulation, RunsOnceForEachHostCallButTheFrameBookkeeping) {
    // Two notes inside the frame, one outside any step: three runs; arming,
    // cancelling and the failure code get no error.
    const faultsim::Story story{"counted", [] {
                                    kx::guarded([] { ERROR_lprintf("outside"); });
                                    return faultsim::step("two notes", [] {
                                        return framed([] {
                                            note();
                                            note();
                                        });
                                    });
                                }};
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_EQ(r.runs, 3u);
    EXPECT_EQ(r.host_calls, 5u);  // lprintf, set_handler, note, note, cancel
    // The error raised outside every step comes back to the caller's frame:
    // no fault there.
    EXPECT_EQ(listed(r.faults), "");
    ctl::reset();
}

TEST(FaultSimulation, AStoryThatFailsOrChangesItsCallsIsAProblemNotARun) {
    const faultsim::Story failing{"failing", [] { return faultsim::step("refused", [] { return 7; }); }};
    faultsim::Report r = faultsim::simulate(failing);
    EXPECT_NE(r.problem, "");
    EXPECT_EQ(r.runs, 0u);

    static int runs_made = 0;
    runs_made = 0;
    const faultsim::Story wandering{"wandering", [] {
                                        ++runs_made;
                                        return faultsim::step("notes", [] {
                                            return framed([] {
                                                for (int i = 0; i < runs_made; ++i) note();
                                            });
                                        });
                                    }};
    r = faultsim::simulate(wandering);
    EXPECT_NE(r.problem, "");
    ctl::reset();
}

TEST(FaultSimulation, EachRunWorksOnItsOwnCopyOfTheStorysFiles) {
    // The story adds a line to a file it was given and wants to find its
    // own line only: a run that wrote into another's directory would show.
    const std::filesystem::path seed = std::filesystem::temp_directory_path() / "faultsim-test-seed";
    std::filesystem::remove_all(seed);
    std::filesystem::create_directories(seed);
    std::ofstream(seed / "given.txt") << "given\n";
    faultsim::Story story{"files", [] {
                              const int status = faultsim::step("note", [] { return framed([] { note(); }); });
                              std::ofstream("given.txt", std::ios::app) << "run\n";
                              std::ifstream in("given.txt");
                              std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                              return text == "given\nrun\n" ? status : 99;
                          }};
    story.files = seed.string();
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_EQ(r.runs, 1u);
    EXPECT_EQ(listed(r.faults), "");
    std::filesystem::remove_all(seed);
    ctl::reset();
}

}  // namespace
