// Session utilities: host log, system information, timers, memory
// statistics, KLAM programs, the release, user libraries, environment
// variables, program name, customer defaults, application and manager state.
#include <string>
#include <vector>

#include "host/platform/preferences/customer_defaults.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"
#include "host/platform/system/klam.h"
#include "host/platform/system/loader.h"
#include "host/platform/system/system.h"
#include "kx_core.h"
#include "kx_misc.h"
#include "tests/libkxapi/core/fixture.h"

namespace {

namespace ctl = host::control;

class Misc : public FreshProcess {
protected:
    void open() { ASSERT_EQ(KX_initialize(), 0); }
};

// ---- Host log ---------------------------------------------------------------

TEST_F(Misc, SyslogPrintsTheTextAsItStandsNeverAsAFormat) {
    const char* text = "100% done: %s %d %n";
    EXPECT_EQ(KX_print_syslog(text, 0), 0);
    EXPECT_EQ(KX_print_syslog(text, 1), 0);
    EXPECT_EQ(ctl::log_lines(), (std::vector<std::string>{text, std::string("kx_util 311: ") + text}));
}

TEST_F(Misc, SyslogOfNoTextCallsNothing) {
    EXPECT_EQ(KX_print_syslog(nullptr, 1), 0);
    EXPECT_EQ(ctl::call_count("ERROR_note") + ctl::call_count("ERROR_lprintf"), 0);
}

// ---- System information --------------------------------------------------------

TEST_F(Misc, SystemInfoIsFilledAndFreed) {
    ctl::set_program_name("cadhost");
    const std::size_t start = ctl::live_blocks();
    KX_system_info_t info{};
    ASSERT_EQ(KX_ask_system_info(&info), 0);
    EXPECT_STREQ(info.program_name, "cadhost");
    ASSERT_NE(info.date_buf, nullptr);
    EXPECT_EQ(std::string(info.date_buf).size(), std::string("09-Dec-2026 23:55:51").size());
    for (const char* text : {info.user_name, info.node_name, info.machine_type, info.os_name, info.os_version})
        EXPECT_NE(text, nullptr);
    EXPECT_GT(info.physical_memory, 0);
    EXPECT_EQ(ctl::live_blocks(), start + 7);
    EXPECT_EQ(KX_free_system_info(&info), 0);
    EXPECT_EQ(ctl::live_blocks(), start);
    EXPECT_EQ(info.date_buf, nullptr);
    EXPECT_EQ(info.os_version, nullptr);
}

// ---- Timers ----------------------------------------------------------------------

TEST_F(Misc, TimerMeasuresElapsedAndProcessorTime) {
    KX_timer_t timer = 0;
    ASSERT_EQ(KX_begin_timer(&timer), 0);
    volatile double sink = 0;
    for (int i = 0; i < 200000; ++i) sink = sink + i * 0.5;
    KX_timer_values_t values{-1, -1};
    ASSERT_EQ(KX_end_timer(timer, &values), 0);
    EXPECT_GE(values.real_time, 0.0);
    EXPECT_GE(values.cpu_time, 0.0);
    EXPECT_EQ(ctl::calls("CLOCK_create_timer").at(0).arg[0], 1);
    EXPECT_EQ(ctl::calls("CLOCK_read_timer").at(0).arg[1], 2);
}

TEST_F(Misc, UnknownTimerIsAStatusNotTheEndOfTheProgram) {
    KX_timer_values_t values{};
    EXPECT_EQ(KX_end_timer(999, &values), HOST_ERR_BAD_HANDLE);
    EXPECT_EQ(KX_end_timer(1, nullptr), 1105005);
    EXPECT_EQ(KX_begin_timer(nullptr), 1105004);
}

// ---- Memory statistics -------------------------------------------------------------

class MemoryStats : public Misc {
protected:
    void TearDown() override {
        host::bsm::unregister_pool("Fermalith");
        Misc::TearDown();
    }
};

TEST_F(MemoryStats, ReadingAndGrowthIncludingTheKernelPool) {
    long long kernel_bytes = 1000;
    host::bsm::register_pool("Fermalith", [&](host::bsm::PoolFigures& f) {
        f = {kernel_bytes, kernel_bytes, 7};
        return true;
    });
    KX_bsm_stats_t stats{};
    ASSERT_EQ(KX_init_bsm_stats(&stats), 0);
    EXPECT_EQ(stats.kernel_bytes, 1000);
    EXPECT_EQ(stats.kernel_blocks, 7);
    void* block = SM_alloc(4096);
    kernel_bytes = 1500;
    ASSERT_EQ(KX_get_memory_usage(&stats), 0);
    EXPECT_GE(stats.bytes, 4096);
    EXPECT_EQ(stats.kernel_bytes, 500);
    EXPECT_EQ(stats.kernel_blocks, 7);
    EXPECT_GE(stats.blocks, 1);
    SM_free(block);
}

TEST_F(MemoryStats, KernelFiguresAreZeroWithoutAReadablePool) {
    KX_bsm_stats_t stats{};
    ASSERT_EQ(KX_init_bsm_stats(&stats), 0);  // no pool of that name
    EXPECT_EQ(stats.kernel_bytes, 0);
    EXPECT_EQ(stats.kernel_blocks, 0);
    host::bsm::register_pool("Fermalith", [](host::bsm::PoolFigures& f) {
        f = {9, 9, 9};
        return true;
    });
    ctl::return_status("BSM_ask_pool_statistics", BSM_POOL_UNREADABLE);
    ASSERT_EQ(KX_init_bsm_stats(&stats), 0);
    EXPECT_EQ(stats.kernel_bytes, 0);
    EXPECT_EQ(stats.kernel_blocks, 0);
}

// ---- KLAM programs ---------------------------------------------------------------------

TEST_F(Misc, KlamProgramsAndTheirStatuses) {
    EXPECT_EQ(KX_call_klam("any", 0, nullptr), 1105000);
    open();
    int seen_count = -1;
    void** seen_args = nullptr;
    int nested = -1;
    host::klam::define_program("count_args", [&](int count, void** args) {
        seen_count = count;
        seen_args = args;
        return 0;
    });
    host::klam::define_program("fails", [](int, void**) { return 3; });
    host::klam::define_program("calls_klam", [&](int, void**) {
        nested = KX_call_klam("count_args", 0, nullptr);
        return 0;
    });
    host::klam::define_program("raises", [](int, void**) -> int { ERROR_raise("klam", 1, 875200, "program error"); });
    int value = 5;
    void* args[1] = {&value};
    EXPECT_EQ(KX_call_klam("count_args", 1, args), 0);
    EXPECT_EQ(seen_count, 1);
    EXPECT_EQ(seen_args, args);
    EXPECT_EQ(KX_call_klam("fails", 0, nullptr), 875131);
    EXPECT_EQ(KX_call_klam("no_such_program", 0, nullptr), 875131);
    EXPECT_EQ(KX_call_klam("calls_klam", 0, nullptr), 0);
    EXPECT_EQ(nested, 875129);
    EXPECT_EQ(KX_call_klam("raises", 0, nullptr), 875200);
    EXPECT_EQ(inklam_(), 0) << "a failed program no longer runs";
    EXPECT_EQ(ctl::frame_depth(), 0);
}

// ---- Release ------------------------------------------------------------------------------

TEST_F(Misc, ReleaseTextOfTheCurrentRevision) {
    open();
    host::sys::set_revision(19);
    host::sys::set_release_text(19, "V19.0.1");
    char* release = nullptr;
    ASSERT_EQ(KX_get_release(&release), 0);
    EXPECT_STREQ(release, "V19.0.1");
    KX_free(release);
}

TEST_F(Misc, ReleaseFailureLeavesNoText) {
    open();
    const std::size_t start = ctl::live_blocks();
    host::sys::set_revision(77);  // no release text
    char* release = reinterpret_cast<char*>(&release);
    EXPECT_EQ(KX_get_release(&release), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(release, nullptr);
    EXPECT_EQ(ctl::live_blocks(), start);
    EXPECT_EQ(KX_get_release(nullptr), 1105004);
}

// ---- User libraries -------------------------------------------------------------------------

TEST_F(Misc, LoadsAUserLibraryAndCallsItsFunction) {
    open();
    KX_loaded_function_t f = nullptr;
    ASSERT_EQ(KX_load_library(KX_TEST_USER_LIBRARY, "user_library_scale", &f), 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)(int, int)>(f)(6, 7), 42);
    EXPECT_EQ(host::loader::loads(KX_TEST_USER_LIBRARY), 1);
    EXPECT_EQ(KX_unload_library(KX_TEST_USER_LIBRARY), 0);
    EXPECT_EQ(host::loader::loads(KX_TEST_USER_LIBRARY), 0);
}

TEST_F(Misc, LoadFailuresAndArguments) {
    open();
    const std::string too_long(300, 'x');
    struct Case {
        const char* library;
        const char* symbol;
        bool output;
        int status;
    } cases[] = {
        {"/no/such/library.so", "f", true, 1105019},
        {KX_TEST_USER_LIBRARY, "no_such_symbol", true, 1105020},
        {nullptr, "f", true, 1105004},
        {"", "f", true, 1105004},
        {KX_TEST_USER_LIBRARY, nullptr, true, 1105005},
        {KX_TEST_USER_LIBRARY, "", true, 1105005},
        {KX_TEST_USER_LIBRARY, "f", false, 1105006},
        {too_long.c_str(), "f", true, 1105004},
    };
    for (const Case& c : cases) {
        KX_loaded_function_t f = reinterpret_cast<KX_loaded_function_t>(&f);
        EXPECT_EQ(KX_load_library(c.library, c.symbol, c.output ? &f : nullptr), c.status)
            << (c.library ? c.library : "null") << " " << (c.symbol ? c.symbol : "null");
        if (c.output && c.status == 1105020) {
            EXPECT_EQ(f, nullptr) << "the loader's answer is stored";
        }
    }
    EXPECT_EQ(ctl::call_count("ldr_load"), 2);
    KX_unload_library(KX_TEST_USER_LIBRARY);  // the load that found no symbol
    EXPECT_EQ(host::loader::loads(KX_TEST_USER_LIBRARY), 0);
}

TEST_F(Misc, LoaderAnswersAndNameServiceFailure) {
    open();
    const std::pair<int, int> answers[] = {{0, 0},       {1, 1105019}, {2, 1105020},
                                           {3, 1105021}, {4, 1105022}, {-9, 1105022}};
    for (auto [answer, status] : answers) {
        ctl::return_status("ldr_load", answer);
        KX_loaded_function_t f = nullptr;
        EXPECT_EQ(KX_load_library("lib.so", "f", &f), status) << answer;
    }
    ctl::clear_scripts();
    ctl::return_status("fm1821_", -4);
    KX_loaded_function_t f = nullptr;
    EXPECT_EQ(KX_load_library("lib.so", "f", &f), -4);
    EXPECT_EQ(KX_unload_library("lib.so"), -4);
    EXPECT_EQ(ctl::call_count("ldr_load") + ctl::call_count("ldr_unload"), 6);
    EXPECT_EQ(KX_unload_library(""), 1105004);
}

TEST_F(Misc, BeforeInitialize) {
    KX_loaded_function_t f = nullptr;
    EXPECT_EQ(KX_load_library(KX_TEST_USER_LIBRARY, "user_library_scale", &f), 1105000);
    EXPECT_EQ(KX_unload_library(KX_TEST_USER_LIBRARY), 1105000);
    char* value = nullptr;
    EXPECT_EQ(KX_get_customer_default("x", 0, &value), 1105000);
    int app = 0;
    EXPECT_EQ(KX_ask_application_module(&app), 1105000);
    logical active = 0;
    EXPECT_EQ(KX_is_jqmanager_active(&active), 1105000);
    char* release = nullptr;
    EXPECT_EQ(KX_get_release(&release), 1105000);
}

// ---- Environment, program name, defaults, application ------------------------------------------

TEST_F(Misc, VariablesWithoutASession) {
    EXPECT_EQ(KX_set_variable("KX_MISC_TEST_VAR", "value"), 0);
    const char* value = nullptr;
    EXPECT_EQ(KX_translate_variable("KX_MISC_TEST_VAR", &value), 0);
    EXPECT_STREQ(value, "value");
    EXPECT_EQ(KX_translate_variable("KX_MISC_TEST_UNDEFINED", &value), 0);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(KX_set_variable("", "v"), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(KX_translate_variable(nullptr, &value), HOST_ERR_NULL_ARGUMENT);
}

TEST_F(Misc, ProgramNameByEnvironmentKind) {
    open();  // the user program's kind
    int flag = -1;
    kx3192_(&flag);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(KX_MISC_set_program_name("mine"), 0);
    EXPECT_STREQ(MACH_ask_program_name(), "mine");
    ctl::set_env_kind(3);
    kx3192_(&flag);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(KX_MISC_set_program_name("session"), 0);
    EXPECT_EQ(host::sys::session_program_name(), "session");
    EXPECT_STREQ(MACH_ask_program_name(), "mine");
}

TEST_F(Misc, CustomerDefaults) {
    open();
    host::preferences::set_customer_default(4, "Drafting_Font", "blockfont");
    char* value = nullptr;
    EXPECT_EQ(KX_get_customer_default("Drafting_Font", 4, &value), 0);
    EXPECT_STREQ(value, "blockfont");
    KX_free(value);
    value = reinterpret_cast<char*>(&value);
    EXPECT_EQ(KX_get_customer_default("Drafting_Font", 5, &value), 1);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(KX_get_customer_default("Unknown", 4, &value), 1);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(ctl::calls("cdUIgetDefault").at(0).arg[0], 9);
}

TEST_F(Misc, ApplicationAndManagerState) {
    open();
    host::sys::set_current_application(17);
    int app = 0;
    EXPECT_EQ(KX_ask_application_module(&app), 0);
    EXPECT_EQ(app, 17);
    logical active = 7;
    EXPECT_EQ(KX_is_jqmanager_active(&active), 0);
    EXPECT_EQ(active, 0);
    host::support::set_jqmanager_active(true);
    EXPECT_EQ(KX_is_jqmanager_active(&active), 0);
    EXPECT_EQ(active, 1);
}

}  // namespace
