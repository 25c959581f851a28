// Sheets on foreign surfaces under fault simulation: a sheet made on the
// user library's saddle and the definition asked back. A host error at any
// host call ends clean (the sheet is made whole or not at all).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("sheet_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    // Kept loaded for the process: the host holds its evaluator.
    static void* lib = dlopen(KX_TEST_FORGEO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    auto reg = reinterpret_cast<int (*)(const char*)>(dlsym(lib, "forgeo_plugin_register"));
    reg("saddle");
}

int story() {
    const brep_foreign_surface def{"saddle", {-1, 0.5}, {-0.25, 1}, 3, 4};
    tag sheet = NULL_TAG;
    STEP(KX_BREP_create_sheet(&def, &sheet));
    brep_foreign_surface back{};
    STEP(KX_BREP_ask_sheet(sheet, &back));
    return 0;
}

TEST(SheetWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"foreign_sheet", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
