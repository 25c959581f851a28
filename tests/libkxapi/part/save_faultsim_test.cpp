// Saves under fault simulation: a host error at any host call of a save
// leaves the file on disk as it was before the save (or no file, before
// the first), no temporary file beside it, and the part as it was; a save
// that goes through leaves a file that opens again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

constexpr const char* kFile = "kept.prt";

std::optional<std::string> file_bytes() {
    std::ifstream in(kFile, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Stops the run with the broken rule: the simulation reports the stop,
// with this line, as the finding of its host call.
[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "save check: %s\n", what);
    std::abort();
}

// Saves, and checks the file against what was there before.
int save_checked() {
    const std::optional<std::string> before = file_bytes();
    const int st = step("KX_PART_save", [] { return KX_PART_save(); });
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename() != kFile) broken("a file left beside the part file");
    const std::optional<std::string> after = file_bytes();
    if (st != 0) {
        if (after != before) broken("a failed save changed the file");
    } else {
        host::part_file::Image image;
        if (!after || host::part_file::decode(*after, image) != 0) broken("a saved file does not decode");
    }
    return st;
}

unsigned int g_part = 0, g_top = 0;

// A part "kept.prt" (not saved yet) holding a 100 x 50 x 20 block, made
// straight through the host before the story.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create(kFile);
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"100", "50", "20"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(block)))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 19.5) g_top = host::kernel::object_of(f);
    }
    host::control::clear_journal();
}

int saves() {
    tag part = g_part;
    STEP(KX_initialize());
    // A blind hole of tip angle 118 in the block: the kernel's data and the
    // feature steps go into the file too.
    double at[3] = {30, 20, 20}, into[3] = {0, 0, -1};
    tag hole = NULL_TAG;
    STEP(KX_MODL_create_simple_hole(at, into, "10", "8", "118", g_top, NULL_TAG, &hole));
    line_data l{{0, 0, 0}, {40, 0, 0}}, m{{40, 0, 0}, {40, 25, 0}};
    tag a = NULL_TAG, b = NULL_TAG;
    STEP(KX_CURVE_create_line(&l, &a));
    STEP(KX_CURVE_create_line(&m, &b));
    STEP(KX_OBJ_set_name(a, "EDGE_A"));
    KX_LAYER_category_info_t info{};
    std::strcpy(info.name, "CLAMPS");
    info.layer_mask[6] = true;
    std::strcpy(info.descr, "Clamping fixtures");
    tag category = NULL_TAG;
    STEP(KX_LAYER_create_category(&info, &category));
    boundary_settings s{1, 0.375, 2.5};
    const boundary_member members[] = {{a, 3}, {b, -7}};
    tag bound = NULL_TAG;
    STEP(KX_BOUND_create_boundary(1, NULL_TAG, s, 2, members, &bound));
    udo_class_id cls = 0;
    STEP(KX_UDOBJ_create_class("Probe_points", "Probe points", &cls));
    tag udo = NULL_TAG, feature = NULL_TAG;
    STEP(KX_UDOBJ_create_udo_feature(cls, &udo, &feature));
    const int ints[] = {7, -3};
    STEP(KX_UDOBJ_add_integers(udo, 2, ints));
    STEP(KX_OBJ_set_name(feature, "PROBE_FEATURE"));
    if (int st = save_checked()) return st;
    // A second save over the first file.
    line_data n{{40, 25, 0}, {0, 25, 0}};
    tag c = NULL_TAG;
    STEP(KX_CURVE_create_line(&n, &c));
    if (int st = save_checked()) return st;
    // The file saved opens again.
    STEP(KX_PART_close(part, 0, 2));
    load_status status{};
    const int st = step("KX_PART_open", [&] { return KX_PART_open(kFile, &part, &status); });
    KX_free_string_array(status.n_parts, status.file_names);
    KX_free(status.statuses);
    return st;
}

TEST(SaveFaultSimulation, AFailedSaveLeavesTheFileAsItWas) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"saves", saves, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
