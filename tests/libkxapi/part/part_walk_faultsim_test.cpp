// Parts under fault simulation: a saved part holding two bodies, their
// features and an expression is opened (quietly, as a part set, again over
// itself), asked about, exported and saved; and the family, history-list
// and matching-part settings of a family template are asked and set. Every
// run with a host error at one host call ends clean: a failed open keeps
// no host block and no part, a failed query hands nothing back.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/families/families.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

constexpr const char* kFile = "stock.prt";
constexpr int kSolid = 70;

unsigned int g_set = 0;

// Frees what an open reports.
void release(load_status& s) {
    KX_free_string_array(s.n_parts, s.file_names);
    KX_free(s.statuses);
    s = load_status{};
}

// "stock.prt" saved and closed: a 60 x 35 x 12 block and a cylinder of
// radius 4.5 beside it, an expression lip = 7.25; and a part set naming
// the file.
void saved_part() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create(kFile);
    CONTEXT_set_work_part(part);
    const char* sizes[3] = {"60", "35", "12"};
    const double origin[3] = {0, 0, 0}, axis[6] = {90, 10, 0, 0, 0, 1};
    unsigned int block = 0, cylinder = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const char* dims[2] = {"9", "21"};
    FEAT_create(part, "CYLINDER", 2, dims, 6, axis, 0, nullptr, 0, FEAT_SIGN_NEW, &cylinder);
    KX_MODL_create_exp("lip=7.25");
    KX_PART_save();
    KX_PART_close(part, 0, 2);
    g_set = host::parts::create_cset({kFile});
    host::control::clear_journal();
}

int open_saved() {
    STEP(KX_initialize());
    STEP(KX_PART_is_loaded(kFile));
    tag part = NULL_TAG;
    load_status status{};
    const int opened = step("KX_PART_open_quiet", [&] { return KX_PART_open_quiet(kFile, &part, &status); });
    release(status);
    if (opened) return opened;
    STEP(KX_PART_set_display_part(part));
    tag shown = NULL_TAG;
    if (int st = step("KX_PART_ask_display_part", [&] { return (shown = KX_PART_ask_display_part()) == part ? 0 : 1; })) return st;
    STEP(KX_PART_ask_num_parts() == 1 ? 0 : 1);
    STEP(KX_PART_ask_nth_part(0) == part ? 0 : 1);
    STEP(KX_PART_ask_part_tag(kFile) == part ? 0 : 1);
    STEP(KX_ASSEM_ask_work_part() == part ? 0 : 1);
    char display[KX_PART_MAX_NAME_CHARS + 1] = {};
    STEP(KX_PART_name_for_display(kFile, display));
    tag found = NULL_TAG;
    STEP(KX_PART_ask_tag_of_disp_name(display, &found));
    int state = 0;
    STEP(KX_PART_ask_status(part, &state));
    STEP(KX_PART_set_status(part, 1));
    STEP(KX_PART_is_modified(part) ? 0 : 1);
    const char* description = nullptr;
    STEP(KX_PART_ask_description(part, &description));
    int area = 0;
    STEP(KX_PART_ask_customer_area(part, &area));
    KX_PART_compress_flags_t flags{};
    STEP(KX_PART_ask_compression_flags(part, &flags));
    flags.compress_solids = !flags.compress_solids;
    STEP(KX_PART_set_compression_flags(part, &flags));

    tag bodies[2] = {NULL_TAG, NULL_TAG};
    STEP(KX_OBJ_cycle_objs_in_part(part, kSolid, &bodies[0]));
    bodies[1] = bodies[0];
    STEP(KX_OBJ_cycle_objs_in_part(part, kSolid, &bodies[1]));
    STEP(KX_PART_export("both.prt", 2, bodies));
    const KX_PART_export_options_t options{1, 2, 1};
    STEP(KX_PART_export_with_options("one.prt", 1, bodies, &options));

    int saved = 0;
    tag* parts = nullptr;
    int* codes = nullptr;
    const int st = step("KX_PART_save_all", [&] { return KX_PART_save_all(&saved, &parts, &codes); });
    KX_free(parts);
    KX_free(codes);
    if (st) return st;
    tag again = NULL_TAG;
    STEP(KX_PART_reopen(part, 0, 2, &again));
    STEP(KX_PART_cleanup(1));
    STEP(KX_PART_close(again, 0, 2));
    const int set_opened = step("KX_PART_open_cset", [&] { return KX_PART_open_cset(g_set, &status); });
    release(status);
    if (set_opened) return set_opened;
    return step("KX_PART_close_cset", [&] { return KX_PART_close_cset(g_set); });
}

TEST(PartWalkFaultSimulation, OpeningASavedPartWithBodiesEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"part_open_saved", open_saved, saved_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    // The open of a part set arms no frame of its own: it leaves host
    // errors to the caller's frame, as its documented behaviour says.
    std::vector<faultsim::Fault> by_design;
    for (const faultsim::Fault& f : r.faults)
        if (f.where == "KX_PART_open_cset" && f.check == "escaped") by_design.push_back(f);
    EXPECT_EQ(faultsim::faults_of(r, by_design), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

unsigned int g_family = 0;

// A template part "bracket.prt" with a family of two members.
void family() {
    kxtest::fresh_process();
    const unsigned int bracket = host::parts::create("bracket.prt");
    const char* attrs[] = {"height"};
    FAM_create_family(bracket, "heights", 1, attrs, &g_family);
    const char* low[] = {"15"};
    const char* high[] = {"55"};
    int member = 0;
    FAM_add_member(g_family, "low", low, &member);
    FAM_add_member(g_family, "high", high, &member);
    host::control::clear_journal();
}

int families() {
    STEP(KX_initialize());
    const tag bracket = KX_PART_ask_display_part();
    int count = 0;
    tag* families = nullptr;
    const int st = step("KX_PART_ask_families", [&] { return KX_PART_ask_families(bracket, &count, &families); });
    KX_free(families);
    if (st) return st;
    logical is = 0;
    STEP(KX_PART_is_family_template(bracket, &is));
    STEP(KX_PART_is_family_instance(bracket, &is));
    tag instance = NULL_TAG;
    STEP(KX_PART_ask_family_instance(bracket, &instance));
    STEP(KX_PART_set_family_save_dir(g_family, "members"));
    char* dir = nullptr;
    const int asked = step("KX_PART_ask_family_save_dir", [&] { return KX_PART_ask_family_save_dir(g_family, &dir); });
    KX_free(dir);
    if (asked) return asked;
    STEP(KX_PART_set_fam_inst_save_dir("instances"));

    KX_PART_history_list_p_t list = nullptr;
    STEP(KX_PART_create_history_list(&list));
    STEP(KX_PART_ask_part_history(bracket, list));
    STEP(KX_PART_ask_num_histories(list, &count));
    STEP(KX_PART_clear_history_list(list));
    STEP(KX_PART_delete_history_list(list));

    matching_parts_params params{};
    STEP(KX_PART_ask_cdp_default_params(&params));
    STEP(KX_PART_disable_cdp_list_update());
    return step("KX_PART_enable_cdp_list_update", [] { return KX_PART_enable_cdp_list_update(); });
}

TEST(PartWalkFaultSimulation, FamilyAndHistorySettingsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"part_family_settings", families, family});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
