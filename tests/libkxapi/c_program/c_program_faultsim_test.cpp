// The stories of the C user program under fault simulation: each story is
// replayed with a host error raised at each host call it makes, one run
// per call (tests/support/faultsim.h).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "known_faults.h"
#include "scenario.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::Fault;

using StoryFn = int (*)(const char*, char*, size_t);

const scenario_observer kObserver = {faultsim_begin, faultsim_end};

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kxfaultsim-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A story that keeps its files in the current directory; `files` holds
// what it reads.
faultsim::Story story(const char* name, StoryFn fn, const std::string& files = "") {
    faultsim::Story s{name, [fn] {
                          char why[512] = "";
                          return fn(".", why, sizeof why);
                      }};
    s.files = files;
    return s;
}

TEST(CProgramFaultSimulation, EveryRunEndsCleanOrIsAKnownFault) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // The part that the reopening story reads.
    kxtest::fresh_process();
    char why[512] = "";
    ASSERT_EQ(scenario_model(dir.path().c_str(), why, sizeof why), 0) << why;

    scenario_observe(&kObserver);
    const std::vector<faultsim::Story> stories = {
        story("model", scenario_model),
        story("reopen", scenario_reopen, dir.path()),
        story("error_handler", scenario_error_handler),
        story("refusals", scenario_refusals),
    };
    std::vector<Fault> found;
    std::size_t runs = 0;
    std::string figures;
    for (const faultsim::Story& s : stories) {
        faultsim::Report r = faultsim::simulate(s);
        EXPECT_EQ(r.problem, "") << s.name;
        EXPECT_GT(r.runs, 0u) << s.name;
        runs += r.runs;
        figures += faultsim::describe(r);
        found.insert(found.end(), r.faults.begin(), r.faults.end());
    }
    scenario_observe(nullptr);
    kxtest::fresh_process();
    std::printf("fault simulation of the C stories: %zu stories, %zu runs, %zu faults\n%s", stories.size(), runs,
                found.size(), figures.c_str());

    std::string fresh, gone;
    for (const Fault& f : found) {
        bool known = false;
        for (const Fault& k : kKnownFaults) known = known || faultsim::same_fault(f, k);
        if (!known)
            fresh += "  {\"" + f.story + "\", \"" + f.call + "\", " + std::to_string(f.occurrence) + ", \"" + f.check +
                     "\", \"" + f.where + "\"},  // " + f.detail + "\n";
    }
    for (const Fault& k : kKnownFaults) {
        bool still = false;
        for (const Fault& f : found) still = still || faultsim::same_fault(f, k);
        if (!still) gone += "  " + k.story + ": " + faultsim::describe(k) + "\n";
    }
    EXPECT_EQ(fresh, "") << "faults not in the table of known faults";
    EXPECT_EQ(gone, "") << "listed faults that no longer occur: remove their rows";
}

}  // namespace
