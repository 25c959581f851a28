// Part families, part attributes, history lists and matching parts under
// fault simulation: every run with a host error at one host call ends
// clean (a failed call leaves the model and the live blocks as they were).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/store/families/families.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_family = 0;

// A template part "plate.prt" with a family of two members, made straight
// through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int plate = host::parts::create("plate.prt");
    const char* attrs[] = {"width"};
    FAM_create_family(plate, "widths", 1, attrs, &g_family);
    const char* narrow[] = {"10"};
    const char* wide[] = {"40"};
    int member = 0;
    FAM_add_member(g_family, "narrow", narrow, &member);
    FAM_add_member(g_family, "wide", wide, &member);
    host::control::clear_journal();
}

int families() {
    STEP(KX_initialize());
    const tag plate = KX_PART_ask_display_part();
    STEP(KX_PART_set_description(plate, "Plates"));
    STEP(KX_PART_set_customer_area(plate, 5));
    tag narrow = NULL_TAG, instance = NULL_TAG;
    STEP(KX_PART_create_family_instance(g_family, 0, &narrow, &instance));
    logical is = 0;
    STEP(KX_PART_is_family_inst_current(narrow, &is));
    char name[KX_PART_MAX_NAME_CHARS + 1];
    STEP(KX_PART_ask_template_filename(narrow, name));
    STEP(KX_PART_apply_family_instance(g_family, 1));
    tag wide = NULL_TAG;
    STEP(KX_PART_find_family_instance(g_family, -1, "wide", 1, &wide));
    int changed = 0, n = 0;
    logical failed = 0;
    tag* parts = nullptr;
    int* codes = nullptr;
    tag updated = NULL_TAG;
    STEP(KX_PART_update_family_instance(g_family, 0, 1, &changed, &failed, &n, &parts, &codes, &updated));
    KX_free(parts);
    KX_free(codes);
    char* dir = nullptr;
    STEP(KX_PART_ask_fam_inst_save_dir(&dir));
    KX_free(dir);

    KX_PART_history_list_p_t list = nullptr;
    STEP(KX_PART_create_history_list(&list));
    STEP(KX_PART_ask_part_history(narrow, list));
    int version = 0, time = 0;
    const char *user = nullptr, *machine = nullptr, *program = nullptr;
    STEP(KX_PART_ask_nth_history(list, 0, &version, &time, &user, &machine, &program));
    STEP(KX_PART_delete_history_list(list));

    int count = 0;
    tag* recent = nullptr;
    STEP(KX_PART_ask_recent_display_part_list(&count, &recent));
    KX_free(recent);
    tag* matched = nullptr;
    char** names = nullptr;
    const int st = step("KX_PART_ask_cdp_matching_parts",
                        [&] { return KX_PART_ask_cdp_matching_parts(nullptr, &count, &matched, &names); });
    KX_free(matched);
    KX_free_string_array(st == 0 ? count : 0, names);
    return st;
}

TEST(FamilyFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"part_families", families, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
