// The import of a part file under fault simulation: a saved part's block
// merged into the work part turned, moved and scaled. A host error at each
// host call of the import must leave a clean status, no armed frame, no
// leaked block and, where the import failed, the model as before it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

namespace fs = std::filesystem;

// A directory holding cube.prt, a part with a 10 x 20 x 30 block, saved and
// closed.
std::string library() {
    kxtest::fresh_process();
    KX_initialize();
    const fs::path dir = fs::temp_directory_path() / ("kx_import_walk_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const unsigned int cube = host::parts::create((dir / "cube.prt").string());
    CONTEXT_set_work_part(cube);
    const char* size[] = {"10", "20", "30"};
    const double at[] = {0, 0, 0};
    unsigned int f = 0;
    FEAT_create(cube, "BLOCK", 3, size, 3, at, 0, nullptr, 0, 0, &f);
    int components = 0, mode = 0, result = -1;
    unsigned int p = cube;
    base_save_part(&p, &components, &mode, &result);
    base_Part_Close(cube, 0, 1);
    kxtest::fresh_process();
    return result == 0 ? dir.string() : std::string();
}

void work_part() {
    kxtest::fresh_process();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("work.prt"));
}

int story() {
    const import_options options{{1, 2, 3, 4, 5}, {1, 0}};
    // X along Y, Y along -X: a quarter turn about Z.
    const double orientation[6] = {0, 1, 0, -1, 0, 0}, point[3] = {100, 0, 0};
    tag group = NULL_TAG;
    return faultsim::step("KX_PART_import",
                          [&] { return KX_PART_import("cube.prt", &options, orientation, point, 2.0, &group); });
}

TEST(PartImportFaultSimulation, EveryRunEndsClean) {
    const std::string files = library();
    ASSERT_NE(files, "");
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"part import", story, work_part, files});
    fs::remove_all(files);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
