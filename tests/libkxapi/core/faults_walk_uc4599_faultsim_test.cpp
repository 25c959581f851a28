// The text of a negative code of the old numbered interface (uc4599) under
// fault simulation: a host error at each host call of the story must leave
// no armed frame, no leaked block, and the error acknowledged (the routine
// answers nothing, so the host must not report the error again).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "host/base/services/fm.h"
#include "host/control/control.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

void session() {
    kxtest::fresh_process();
    KX_initialize();
    host::fm::set_error_text(-23, "Directory not writable");
    host::control::clear_journal();
}

int code_texts() {
    char text[133];
    std::memset(text, 'X', sizeof text);
    // A code with a text and one without.
    for (int code : {-23, -41})
        if (int st = faultsim::step("uc4599", [&] {
                uc4599(code, text);
                return 0;
            }))
            return st;
    return 0;
}

TEST(Uc4599WalkFaultSimulation, CodeTextsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"uc4599_walk", code_texts, session});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
