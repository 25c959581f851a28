// Loading a translation file under fault simulation: a host error at any
// host call ends clean.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "kx_core.h"
#include "kx_text.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void model() {
    kxtest::fresh_process();
    KX_initialize();
}

int story() {
    {
        // In the run's own directory: no other run reads it.
        std::ofstream out("words.txt");
        out << "# shop floor words\nSpindle\tBroche\n\nFeed\tAvance\n";
    }
    STEP(KX_TEXT_load_translation_file("words.txt"));
    return 0;
}

TEST(MiscWalkTranslationFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"translation_walk", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
