// Session start and stop: the state machine per run-time environment kind,
// the start-up chain's registrations and set-up, the teardown and the
// journal of retired entry points.
#include <algorithm>
#include <string>
#include <vector>

#include "fixture.h"
#include "host/store/entities/display.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/platform/startup/startup.h"
#include "host/platform/support/support.h"
#include "kx_cam.h"
#include "kx_core.h"
#include "kx_text.h"
#include "libkxapi/core/kx_session.h"

namespace {

using Session = FreshProcess;

// One row: environment kind, a sequence of calls ('I' KX_initialize,
// 'T' KX_terminate) with the status each must answer, and the state after.
struct Row {
    const char* name;
    int kind;
    const char* calls;
    std::vector<int> statuses;
    int nesting;
    bool flag;
    int is_initialized;
};

class SessionStates : public FreshProcess, public ::testing::WithParamInterface<Row> {};

TEST_P(SessionStates, FollowTheTable) {
    const Row& r = GetParam();
    host::control::set_env_kind(r.kind);
    ASSERT_EQ(std::string(r.calls).size(), r.statuses.size());
    for (std::size_t i = 0; r.calls[i]; ++i) {
        const int st = r.calls[i] == 'I' ? KX_initialize() : KX_terminate();
        EXPECT_EQ(st, r.statuses[i]) << "call " << i << " (" << r.calls[i] << ")";
    }
    const kx::SessionState s = kx::session_state();
    EXPECT_EQ(s.nesting, r.nesting);
    EXPECT_EQ(s.initialized, r.flag);
    EXPECT_EQ(KX_is_initialized(), r.is_initialized);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SessionStates,
                         ::testing::Values(Row{"FirstInitKind0", 0, "I", {0}, 1, true, 1},
                                           Row{"NestedInit", 0, "II", {0, 0}, 2, true, 1},
                                           Row{"InnerTerminateKeepsSession", 0, "IIT", {0, 0, 0}, 1, true, 1},
                                           Row{"OuterTerminateTearsDown", 0, "IITT", {0, 0, 0, 0}, 0, false, 0},
                                           Row{"InitAfterTerminateRefused", 0, "ITI", {0, 0, 1105002}, 0, false, 0},
                                           Row{"RefusedForEver", 0, "ITII", {0, 0, 1105002, 1105002}, 0, false, 0},
                                           Row{"TerminateWithoutInit", 0, "T", {0}, 0, false, 0},
                                           Row{"SurplusTerminate", 0, "ITT", {0, 0, 0}, 0, false, 0},
                                           Row{"Kind1Like0", 1, "IITI", {0, 0, 0, 0}, 2, true, 1},
                                           Row{"Kind2LightStartUp", 2, "I", {0}, 1, true, 1},
                                           Row{"Kind2RestartsAfterTerminate", 2, "ITI", {0, 0, 0}, 1, true, 1},
                                           Row{"Kind3CountsAsInitialised", 3, "", {}, 0, false, 1},
                                           Row{"Kind3InitDoesNothing", 3, "IIT", {0, 0, 0}, 0, false, 1},
                                           Row{"Kind4", 4, "IT", {0, 0}, 0, false, 1},
                                           Row{"Kind5", 5, "I", {0}, 0, false, 1},
                                           Row{"Kind6IsNotInitialised", 6, "", {}, 0, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Session, FullStartUpRunsTheChainInOrder) {
    host::control::set_program_name("cadhost");
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(RTENV_ask_env(), 1);
    EXPECT_EQ(acom_[1268], 2);
    EXPECT_EQ(acom_[1085], 1);
    EXPECT_EQ(acom_[1224], 0);
    EXPECT_STREQ(MACH_ask_program_name(), "cadhost - External Kestrix Extension");
    EXPECT_TRUE(host::display::state().external_kxapi);
    EXPECT_EQ(host::display::state().cust_defaults_loads, 1);
    EXPECT_EQ(host::fm::state().ui_add_funcs, 0);
    EXPECT_EQ(host::startup::state().before_runs, 1);
    EXPECT_EQ(host::startup::state().after_runs, 1);
    const std::vector<std::string> order = {"STARTUP_before_interface",
                                            "RTENV_set_env",
                                            "STARTUP_after_interface",
                                            "ERROR_register_decoder_fn",
                                            "RDEBUG_register_token",
                                            "MACH_ask_program_name",
                                            "MACH_set_program_name",
                                            "DSS_init_external_kxapi",
                                            "VWDISP_load_cust_defaults",
                                            "MOM_TCL_set_ui_add_funcs",
                                            "MT_discard_deferred_message_dialogs"};
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_TRUE(host::control::called_before(order[i - 1], order[i])) << order[i - 1] << " / " << order[i];
}

// The host ran the start-up chain itself: the program's KX_initialize only
// nests, its KX_terminate tears down, and a later KX_initialize is refused
// as after any other session.
TEST_F(Session, SessionStartedByTheHost) {
    ASSERT_EQ(SYS_init_extkxapi(), 0);
    EXPECT_EQ(kx::session_state().nesting, 0);
    EXPECT_EQ(KX_initialize(), 0);
    EXPECT_EQ(kx::session_state().nesting, 1);
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_EQ(KX_is_initialized(), 0);
    EXPECT_EQ(KX_initialize(), 1105002);
    EXPECT_EQ(host::startup::state().before_runs, 1) << "the start-up chain ran once";
}

TEST_F(Session, RegistersTheBandsOnceInOrder) {
    ASSERT_EQ(KX_initialize(), 0);
    std::vector<int> bases;
    for (const auto& r : host::error::registrations()) {
        bases.push_back(r.base);
        EXPECT_EQ(r.decoder, &ERROR_decode_in_table);
        EXPECT_EQ(r.range, r.base == 1995000 ? 3000 : 5000);
    }
    EXPECT_EQ(bases, (std::vector<int>{1105000, 1130000, 1155000, 1100000, 1170000, 1190000, 1390000, 1175000, 1405000,
                                       1480000, 1465000, 1570000, 1995000, 3025000, 1345000, 1930000}));
    EXPECT_EQ(host::control::call_count("ERROR_register_decoder_fn"), 16);
    const auto tokens = host::support::registered_debug_tokens();
    EXPECT_NE(std::find(tokens.begin(), tokens.end(), "KX_UNDO"), tokens.end());
    EXPECT_STREQ(ERROR_decode(1105002), "KX_initialize may not be called once KX_terminate is called");

    // Nothing registers again within the process, also not in kind 2 after a teardown.
    host::control::set_env_kind(2);
    ASSERT_EQ(KX_terminate(), 0);
    host::control::clear_journal();
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(host::control::call_count("ERROR_register_decoder_fn"), 0);
    EXPECT_EQ(host::control::call_count("RDEBUG_register_token"), 0);
}

// A family that joins the session from its own source, ordered between the
// manufacturing modules (10) and the undo token (20): it sees the bands of
// the one before it and not yet the token of the one after, runs once per
// process, and its reset runs with the session's.
struct JoinedFamily {
    int startups = 0;
    int resets = 0;
    int last_base = 0;
    bool undo_token = false;
};
JoinedFamily joined;

const kx::session_member joined_member{"joined", 15,
                                       [] {
                                           ++joined.startups;
                                           joined.last_base = host::error::registrations().back().base;
                                           joined.undo_token = host::control::call_count("RDEBUG_register_token") > 0;
                                       },
                                       [] { ++joined.resets; }};

TEST_F(Session, FamiliesJoinTheStartUpInTheirOrder) {
    joined = {};
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(joined.startups, 1);
    EXPECT_EQ(joined.last_base, 1930000) << "the manufacturing bands are in before it";
    EXPECT_FALSE(joined.undo_token) << "the undo token comes after it";

    host::control::set_env_kind(2);
    ASSERT_EQ(KX_terminate(), 0);
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(joined.startups, 1) << "once per process";
    EXPECT_EQ(joined.resets, 0);

    fresh();
    EXPECT_EQ(joined.resets, 1);
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(joined.startups, 2) << "a fresh process starts it again";
}

TEST_F(Session, PreprocessingHookRegistersEachTime) {
    EXPECT_EQ(KX_CAM_PREPRO_init_module(), 0);
    EXPECT_EQ(KX_CAM_PREPRO_init_module(), 0);
    EXPECT_EQ(host::control::call_count("ERROR_register_decoder_fn"), 2);
    EXPECT_EQ(host::control::calls("ERROR_register_decoder_fn")[0].arg[0], 1930000);
    EXPECT_NE(ERROR_decode(1930001), nullptr);
}

TEST_F(Session, LightStartUpMakesNoExternalSetUp) {
    host::control::set_env_kind(2);
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(RTENV_ask_env(), 2);
    EXPECT_EQ(host::control::call_count("STARTUP_before_interface"), 0);
    EXPECT_EQ(host::control::call_count("MACH_set_program_name"), 0);
    EXPECT_EQ(host::control::call_count("ERROR_register_decoder_fn"), 16);
}

TEST_F(Session, StartUpFailureIsReturnedAndMarksNothing) {
    host::control::return_status("STARTUP_before_interface", 42);
    EXPECT_EQ(KX_initialize(), 42);
    kx::SessionState s = kx::session_state();
    EXPECT_FALSE(s.initialized);
    EXPECT_FALSE(s.once_started);
    EXPECT_EQ(s.nesting, 0);
    EXPECT_EQ(host::control::call_count("ERROR_register_decoder_fn"), 0);
    // A later call tries again.
    host::control::clear_script("STARTUP_before_interface");
    EXPECT_EQ(KX_initialize(), 0);
    EXPECT_EQ(kx::session_state().nesting, 1);
}

TEST_F(Session, TextModeIsResetByEveryInitialize) {
    struct Case {
        int kind;
        bool terminate_first;
    };
    for (Case c : {Case{0, false}, Case{0, true}, Case{3, false}}) {
        FreshProcess::fresh();
        host::control::set_env_kind(c.kind);
        if (c.terminate_first) {
            ASSERT_EQ(KX_initialize(), 0);
            ASSERT_EQ(KX_terminate(), 0);
        }
        EXPECT_EQ(KX_TEXT_set_text_mode(7), 0);
        EXPECT_EQ(kx::text_mode(), 7);
        KX_initialize();
        EXPECT_EQ(kx::text_mode(), 0) << "kind " << c.kind << " after terminate " << c.terminate_first;
    }
    // ...but not a nested one.
    FreshProcess::fresh();
    ASSERT_EQ(KX_initialize(), 0);
    KX_TEXT_set_text_mode(1);
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(kx::text_mode(), 1);
}

TEST_F(Session, CustomApplicationOnlyForExactlyTrue) {
    for (const char* value : {"true", "True", "TRUE", "true ", "yes", ""}) {
        FreshProcess::fresh();
        host::control::set_env("JQII_JQOPEN_SESSION", value);
        ASSERT_EQ(KX_initialize(), 0);
        const bool custom = std::string(value) == "true";
        EXPECT_EQ(kx::session_state().custom_app, custom) << value;
        EXPECT_EQ(KX_terminate(), 0);
        EXPECT_EQ(KX_is_initialized(), custom ? 1 : 0) << value;
        if (custom) {
            // The session stays open: further calls nest again.
            EXPECT_EQ(KX_initialize(), 0);
            EXPECT_EQ(kx::session_state().nesting, 1);
            EXPECT_EQ(host::control::call_count("DSS_set_suppress_display"), 0);
        }
    }
}

TEST_F(Session, ProgramNameSuffix) {
    const std::string suffix = " - External Kestrix Extension";
    struct Case {
        std::size_t length;
        std::string expected;
    };
    const std::string n90(90, 'a'), n120(120, 'b'), n99(99, 'c'), n200(200, 'd');
    for (const Case& c :
         {Case{90, n90 + suffix}, Case{99, n99 + suffix}, Case{120, n120.substr(0, 128 - suffix.size()) + suffix},
          Case{200, n200.substr(0, 128 - suffix.size()) + suffix}, Case{0, suffix}}) {
        FreshProcess::fresh();
        host::control::set_program_name(std::string(c.length, c.expected.empty() ? 'x' : c.expected[0]));
        if (c.length == 0) host::control::set_program_name("");
        ASSERT_EQ(KX_initialize(), 0);
        const std::string got = MACH_ask_program_name();
        EXPECT_EQ(got, c.expected) << "length " << c.length;
        EXPECT_LE(got.size(), 128u);
    }
}

TEST_F(Session, TeardownOfKind1) {
    ASSERT_EQ(KX_initialize(), 0);
    host::support::set_jqmanager_active(true);
    host::display::set_display_flag(1);
    acom_[1216] = 0x11;
    host::control::clear_journal();
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_EQ(host::display::state().suppress_level, 2);
    EXPECT_EQ(host::fm::state().jqmgr_terminations, 1);
    EXPECT_EQ(host::fm::state().shutdowns, 1);
    EXPECT_EQ(acom_[1204], 2);
    EXPECT_EQ(acom_[1216], 0x19);
    EXPECT_TRUE(host::control::called_before("DSS_set_suppress_display", "fm1901_"));
    EXPECT_TRUE(host::control::called_before("fm1901_", "dsp800_"));
}

TEST_F(Session, TeardownWithoutDisplayAndFileInterfaceStatus) {
    ASSERT_EQ(KX_initialize(), 0);
    host::display::set_display_flag(0);
    acom_[1216] = 0x1f;
    host::control::return_status("fm1901_", 1020005);
    const int st = KX_terminate();
    EXPECT_EQ(st, 1020005);
    EXPECT_EQ(acom_[1204], 1);
    EXPECT_EQ(acom_[1216], 0x17);
    EXPECT_EQ(host::fm::state().jqmgr_terminations, 0);
}

TEST_F(Session, TeardownOutsideKind1SkipsTheFileInterface) {
    host::control::set_env_kind(2);
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_EQ(host::control::call_count("fm1901_"), 0);
    EXPECT_EQ(host::control::call_count("DSS_set_suppress_display"), 1);
}

TEST_F(Session, SurplusTerminateIsNotedOnce) {
    KX__set_custom_app_open();
    ASSERT_EQ(KX_initialize(), 0);
    EXPECT_EQ(KX_terminate(), 0);  // count 0, session stays
    EXPECT_TRUE(host::control::log_lines().empty());
    EXPECT_EQ(KX_terminate(), 0);  // count would be -1
    const auto log = host::control::log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("KX_terminate: KX_terminate called too many times "), std::string::npos);
    EXPECT_NE(log[0].find("kx_initialize"), std::string::npos);
    EXPECT_NE(log[0].find("321"), std::string::npos);
    EXPECT_EQ(kx::session_state().nesting, 0);
}

TEST_F(Session, TerminateWithoutInitializeWritesNothing) {
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_TRUE(host::control::log_lines().empty());
    EXPECT_EQ(host::control::call_count("DSS_set_suppress_display"), 0);
}

// ---- The journal of retired entry points ------------------------------------

std::string terminate_and_capture() {
    host::control::CaptureStreams capture;
    KX_terminate();
    capture.stop();
    return capture.err();
}

TEST_F(Session, JournalReports) {
    const std::string count_line =
        " There were %d functions called that are listed in kx_retiring.h as functions that will be withdrawn\n";
    const std::string heading =
        " The following routines were called which are listed in kx_retiring.h as functions that will be "
        "withdrawn\n";
    auto with_total = [&](int n) {
        std::string s = count_line;
        s.replace(s.find("%d"), 2, std::to_string(n));
        return s;
    };
    struct Case {
        const char* env;  // null: not defined
        std::vector<const char*> calls;
        std::string report;
    };
    const std::vector<Case> cases = {
        {"2",
         {"KX_old_a", "KX_old_a", "KX_old_b"},
         heading + "KX_old_a was called 2 times\nKX_old_b was called 1 times\n"},
        {"2", {}, ""},
        {"1", {}, with_total(0)},
        {"1", {"KX_old_a", "KX_old_b", "KX_old_a"}, with_total(3)},
        {"12", {"KX_old_a"}, ""},
        {"", {"KX_old_a"}, ""},
        {"2 ", {"KX_old_a"}, ""},
        {nullptr, {"KX_old_a"}, ""},
    };
    for (const Case& c : cases) {
        FreshProcess::fresh();
        if (c.env) host::control::set_env("JQII_USING_RETIRING_FUNCTIONS", c.env);
        else host::control::unset_env("JQII_USING_RETIRING_FUNCTIONS");
        ASSERT_EQ(KX_initialize(), 0);
        for (const char* name : c.calls) kx::note_retired(name);
        EXPECT_EQ(terminate_and_capture(), c.report) << (c.env ? c.env : "(undefined)");
        // The journal is freed and empty afterwards.
        EXPECT_EQ(kx::session_state().retired_total, 0);
        EXPECT_EQ(kx::session_state().retired_names, 0);
    }
}

TEST_F(Session, JournalModeIsReadOnce) {
    host::control::set_env("JQII_USING_RETIRING_FUNCTIONS", "2");
    EXPECT_EQ(KX_ask_retiring_flag(), 2);
    host::control::set_env("JQII_USING_RETIRING_FUNCTIONS", "1");
    EXPECT_EQ(KX_ask_retiring_flag(), 2);
    EXPECT_EQ(host::control::call_count("ENV_translate_variable"), 1);
}

TEST_F(Session, SetRetiringFlagStopsTheEnvironmentRead) {
    host::control::set_env("JQII_USING_RETIRING_FUNCTIONS", "2");
    EXPECT_EQ(KX_set_retiring_flag(5), 0);
    EXPECT_EQ(KX_ask_retiring_flag(), 0);
    EXPECT_EQ(KX_set_retiring_flag(1), 0);
    EXPECT_EQ(KX_ask_retiring_flag(), 1);
    EXPECT_EQ(host::control::call_count("ENV_translate_variable"), 0);
}

TEST_F(Session, JournalMemoryIsReturnedAtTerminate) {
    host::control::set_env("JQII_USING_RETIRING_FUNCTIONS", "2");
    ASSERT_EQ(KX_initialize(), 0);
    const std::size_t before = host::control::live_blocks();
    for (const char* name : {"a", "b", "c", "a"}) KX_set_function_called(name);
    EXPECT_GT(host::control::live_blocks(), before);
    terminate_and_capture();
    EXPECT_EQ(host::control::live_blocks(), before);
}

}  // namespace
