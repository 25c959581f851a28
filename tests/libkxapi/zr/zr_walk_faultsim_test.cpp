// The kernel level's partitions, tags, objects of bare kernel bodies,
// trimmed curves and data files under fault simulation: a host error at
// any host call ends clean (a failed call leaves the model and the live
// blocks as they were, and hands nothing over).
#include <gtest/gtest.h>

#include <string>

#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_body = 0;
int g_bare = 0;

// A part with a block feature's body, and a bare kernel block with no
// model object, made through the host before the story.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("zr_walk.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"7", "11", "13"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    g_body = FREC_ask_body(block);
    const double at[] = {20, 0, 0}, size[] = {3, 5, 2};
    ZQ_BODY_make_block(at, size, &g_bare);
}

int partitions_and_objects() {
    zr_partition first = 0, current = 0;
    STEP(KX_ZR_ask_current_partition(&first));
    zr_partition made = 0;
    STEP(KX_ZR_create_partition(&made));
    STEP(KX_ZR_set_current_partition(first));
    STEP(KX_ZR_ask_current_partition(&current));
    zr_tag highest = 0;
    STEP(KX_ZR_ask_current_highest_tag(&highest));
    int remaining = 0;
    STEP(KX_ZR_ask_tags_remaining(&remaining));
    tag object = NULL_TAG;
    STEP(KX_ZR_create_obj_from_zr_tag(g_bare, &object));
    line_data l{{1, 2, 0}, {4, 6, 0}};
    tag line = NULL_TAG;
    STEP(KX_CURVE_create_line(&l, &line));
    zr_tag edge = 0;
    return faultsim::step("KX_ZR_create_zr_trimmed_curve", [&] { return KX_ZR_create_zr_trimmed_curve(line, &edge); });
}

int files() {
    const tag one[] = {g_body};
    int written = 0, fail = 0;
    STEP(KX_ZR_export_linked_data(1, one, "linked.kxk", 0, 0, &written, &fail));
    tag_list* back = nullptr;
    const int st = faultsim::step("KX_ZR_import_data", [&] { return KX_ZR_import_data("linked.kxk", &back); });
    if (back) KX_MODL_delete_list(&back);
    return st;
}

TEST(ZrWalkFaultSimulation, PartitionsTagsAndObjects) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"zr_partitions_and_objects", partitions_and_objects, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(ZrWalkFaultSimulation, LinkedExportAndImport) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"zr_linked_files", files, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
