// The modeling settings, the registered routines, the tolerances and the
// string lists under fault simulation: a host error at each host call of
// the story must leave a clean status, no armed frame, no leaked block and,
// where a call failed, the settings as before it.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void empty_part() {
    kxtest::fresh_process();
    KX_initialize();
    host::parts::set_work_part(host::parts::create("settings.prt"));
    host::control::clear_journal();
}

int rpo(tag) { return 0; }

// The void functions of the story answer 0 when their result says so.
int settings() {
    STEP(KX_MODL_set_default_density(7.85, 1));
    STEP(KX_MODL_set_body_type_pref(ZQ_BODY_SHEET));
    STEP(KX_MODL_set_curve_fit_method(1));
    STEP(KX_MODL_set_dynamic_update(1));
    STEP(KX_MODL_set_immediate_children(1));
    STEP(KX_MODL_set_free_form_result(1));
    STEP(KX_MODL_register_rpo_routine(rpo));
    STEP(KX_MODL_unregister_rpo_routine());
    double distance = 0.0254, angle = 0.75;
    int result = -1;
    if (int st = faultsim::step("KX_MODL_set_distance_tolerance", [&] {
            KX_MODL_set_distance_tolerance(&distance, &result);
            return result;
        }))
        return st;
    result = -1;
    if (int st = faultsim::step("KX_MODL_set_angle_tolerance", [&] {
            KX_MODL_set_angle_tolerance(&angle, &result);
            return result;
        }))
        return st;
    string_list strings;
    if (int st = faultsim::step("KX_MODL_init_string_list", [&] {
            KX_MODL_init_string_list(&strings);
            return strings.count;
        }))
        return st;
    if (int st = faultsim::step("KX_MODL_create_string_list", [&] {
            KX_MODL_create_string_list(3, 7, &strings);
            return 0;
        }))
        return st;
    return faultsim::step("KX_MODL_free_string_list", [&] {
        KX_MODL_free_string_list(&strings);
        return strings.count;
    });
}

TEST(SettingsWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_settings", settings, empty_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
