// Support, start-up, display and file-interface services, captured streams
// and the reset of the whole host.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "host/store/entities/display.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/service_state.h"
#include "host/base/services/memory.h"
#include "host/platform/startup/startup.h"
#include "host/platform/support/support.h"
#include "tests/host/host_test.h"

namespace hc = host::control;

namespace {

using Services = HostTest;

TEST_F(Services, EnvironmentTableOverlaysTheProcess) {
    ::setenv("HOST_TEST_VARIABLE", "from process", 1);
    EXPECT_STREQ(ENV_translate_variable("HOST_TEST_VARIABLE"), "from process");
    hc::set_env("HOST_TEST_VARIABLE", "from host");
    EXPECT_STREQ(ENV_translate_variable("HOST_TEST_VARIABLE"), "from host");
    hc::unset_env("HOST_TEST_VARIABLE");
    EXPECT_EQ(ENV_translate_variable("HOST_TEST_VARIABLE"), nullptr);
    hc::set_env("JQII_JQOPEN_SESSION", "true");
    EXPECT_STREQ(ENV_translate_variable("JQII_JQOPEN_SESSION"), "true");
    hc::reset();
    EXPECT_STREQ(ENV_translate_variable("HOST_TEST_VARIABLE"), "from process");
    ::unsetenv("HOST_TEST_VARIABLE");
    EXPECT_EQ(hc::raised_code([] { ENV_translate_variable(nullptr); }), HOST_ERR_NULL_ARGUMENT);
}

TEST_F(Services, EnvironmentKindAbortAndDialogs) {
    EXPECT_EQ(RTENV_ask_env(), 0);
    hc::set_env_kind(2);
    EXPECT_EQ(RTENV_set_jqopen_env(), 2);
    EXPECT_EQ(RTENV_ask_env(), RTENV_KIND_USER_PROGRAM);

    host::support::set_abort_flag(true);
    EXPECT_EQ(ABORT_ask_flag_status(), 1);
    ABORT_clear_abort();
    EXPECT_EQ(ABORT_ask_flag_status(), 0);
    ABORT_increment_lock_level();
    ABORT_increment_lock_level();
    ABORT_decrement_lock_level();
    EXPECT_EQ(host::support::abort_lock_level(), 1);
    ABORT_decrement_lock_level();
    ABORT_decrement_lock_level();  // below zero: logged, stays 0
    EXPECT_EQ(host::support::abort_lock_level(), 0);
    EXPECT_EQ(hc::log_lines().size(), 1u);

    host::support::add_deferred_message_dialog("a");
    host::support::add_deferred_message_dialog("b");
    MT_discard_deferred_message_dialogs();
    EXPECT_TRUE(host::support::deferred_message_dialogs().empty());
    EXPECT_EQ(host::support::discarded_message_dialogs(), 2);
}

TEST_F(Services, ProgramNameCheckingLevelAndDebugTokens) {
    hc::set_program_name("my program");
    EXPECT_STREQ(MACH_ask_program_name(), "my program");
    MACH_set_program_name("other");
    EXPECT_STREQ(MACH_ask_program_name(), "other");
    EXPECT_EQ(hc::raised_code([] { MACH_set_program_name(nullptr); }), HOST_ERR_NULL_ARGUMENT);
    hc::set_checking_level(2);
    EXPECT_EQ(MACH__checking_level, 2);

    // Registered tokens last for the process: a name of its own per run
    // keeps the test repeatable.
    static int run = 0;
    const std::string token = "TEST_TOKEN_" + std::to_string(++run);
    host::support::set_debug_token(token, 1);
    EXPECT_EQ(RDEBUG_ask_flag(token.c_str(), 1), 0);  // not registered yet
    RDEBUG_register_token(token.c_str());
    EXPECT_EQ(RDEBUG_ask_flag(token.c_str(), 1), 1);
    EXPECT_EQ(RDEBUG_ask_flag(token.c_str(), 2), 0);
    host::support::set_debug_routine("kx_undo:KX_UNDO_set_mark", true);
    EXPECT_EQ(DEBUG_routine("kx_undo", "KX_UNDO_set_mark"), 1);
    EXPECT_EQ(DEBUG_routine("kx_undo", "KX_UNDO_delete_mark"), 0);

    hc::reset();
    EXPECT_EQ(MACH__checking_level, 0);
    EXPECT_EQ(RDEBUG_ask_flag(token.c_str(), 1), 0);  // the level is reset, the token stays registered
    const auto tokens = host::support::registered_debug_tokens();
    EXPECT_NE(std::find(tokens.begin(), tokens.end(), token), tokens.end());
}

TEST_F(Services, StartupStepsAreScriptable) {
    hc::return_status("STARTUP_before_interface", 1234);
    EXPECT_EQ(STARTUP_before_interface(), 1234);
    EXPECT_FALSE(host::startup::state().host_up);
    hc::clear_scripts();
    EXPECT_EQ(STARTUP_before_interface(), 0);
    EXPECT_EQ(STARTUP_after_interface(), 0);
    EXPECT_TRUE(host::startup::state().host_up);
    EXPECT_EQ(host::startup::state().before_runs, 1);
    EXPECT_EQ(host::startup::state().after_runs, 1);
    EXPECT_TRUE(host::fm::state().open);
}

TEST_F(Services, DisplayRecordsItsState) {
    auto f = hc::make_part("/d.prt", {{70}});
    DSS_set_suppress_display(2);
    EXPECT_EQ(DSS_ask_suppress_display(), 2);
    DSS_init_external_kxapi();
    VWDISP_load_cust_defaults();
    EXPECT_EQ(DSS_REGEN_regen_object(f.objects[0]), 0);
    EXPECT_EQ(UPDATE_do_update_no_message(), 0);
    const auto& s = host::display::state();
    EXPECT_TRUE(s.external_kxapi);
    EXPECT_EQ(s.cust_defaults_loads, 1);
    EXPECT_EQ(s.regenerated, std::vector<unsigned>{f.objects[0]});
    EXPECT_EQ(s.updates, 1);
    EXPECT_EQ(hc::raised_code([] { DSS_REGEN_regen_object(4242); }), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(hc::raised_code([] { dsp800_(nullptr); }), HOST_ERR_NULL_ARGUMENT);
    acom_[1268] = 2;
    hc::reset();
    EXPECT_EQ(acom_[1268], 0);
    EXPECT_EQ(host::display::state().suppress_level, 0);
}

TEST_F(Services, FileInterfaceShutdownAndTexts) {
    host::fm::set_open(true);
    int status = -1;
    fm1901_(&status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(host::fm::state().open);
    hc::return_status("fm1901_", 1020005);
    fm1901_(&status);
    EXPECT_EQ(status, 1020005);
    EXPECT_EQ(host::fm::state().shutdowns, 2);
    EXPECT_EQ(hc::raised_code([] { fm1901_(nullptr); }), HOST_ERR_NULL_ARGUMENT);

    std::size_t live = hc::live_blocks();
    char* text = CFI_get_error_text(-1);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "File does not exist");
    SM_free(text);
    EXPECT_EQ(CFI_get_error_text(-1105000), nullptr);
    host::fm::set_error_text(-1105000, "not initialised");
    text = CFI_get_error_text(-1105000);
    EXPECT_STREQ(text, "not initialised");
    SM_free(text);
    EXPECT_EQ(hc::live_blocks(), live);

    host::support::set_jqmanager_active(true);
    EXPECT_EQ(RTENV_ask_jqmanager_active(), 1);
    JQMGR_terminate();
    EXPECT_EQ(RTENV_ask_jqmanager_active(), 0);
    MOM_TCL_set_ui_add_funcs(0);
    EXPECT_EQ(host::fm::state().ui_add_funcs, 0);
    EXPECT_EQ(host::fm::state().jqmgr_terminations, 1);
}

TEST_F(Services, CaptureStreams) {
    hc::CaptureStreams cap;
    std::printf("to stdout %d\n", 1);
    std::cerr << "to stderr\n";
    std::fprintf(stderr, "more\n");
    cap.stop();
    EXPECT_EQ(cap.out(), "to stdout 1\n");
    EXPECT_EQ(cap.err(), "to stderr\nmore\n");
}

struct Cleared {
    int value = 0;
};
struct PartlyKept {
    int kept = 0;
    int cleared = 0;
    void reset() { cleared = 0; }
};

TEST_F(Services, ServiceStateResetsWithTheHost) {
    host::service_state<Cleared>("test cleared").value = 5;
    host::service_state<PartlyKept>("test partly kept") = {7, 8};
    hc::reset();
    EXPECT_EQ(host::service_state<Cleared>("test cleared").value, 0);
    EXPECT_EQ(host::service_state<PartlyKept>("test partly kept").kept, 7);
    EXPECT_EQ(host::service_state<PartlyKept>("test partly kept").cleared, 0);
}

}  // namespace
