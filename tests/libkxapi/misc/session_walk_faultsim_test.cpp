// The session's own services under fault simulation: abort flags, the
// program name, environment variables, timers, memory, the system log,
// texts, callbacks, tag handles, user libraries and interpreted programs.
// Every run with a host error at one host call ends clean: the error
// becomes the status (or is acknowledged where the function answers no
// status), no frame stays armed, no block is kept.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/control/control.h"
#include "host/platform/system/klam.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;

void session() {
    kxtest::fresh_process();
    g_part = host::parts::create("session.prt");
    host::klam::define_program("count_args", [](int count, void**) { return count == 2 ? 0 : 1; });
    host::control::clear_journal();
}

int on_part(int, const void*, void*) { return 0; }
void on_tag(int, tag, void*) {}

int services() {
    STEP(KX_initialize());
    STEP(KX_is_initialized() ? 0 : 1);
    int value = 0;
    STEP(KX_ask_application_module(&value));
    STEP(KX_ask_codeset(&value));
    logical flag = 0;
    STEP(KX_is_jqmanager_active(&flag));
    STEP(KX_ABORT_enable_abort());
    STEP(KX_ABORT_ask_flag_status(&flag));
    STEP(KX_ABORT_clear_abort());
    STEP(KX_ABORT_disable_abort());
    STEP(KX_MISC_set_program_name("walker"));
    step("KX_set_function_called", [&] {
        KX_set_function_called("KX_walk_step");
        return 0;
    });
    STEP(KX_set_variable("KX_WALK_DEPTH", "17"));
    const char* depth = nullptr;
    STEP(KX_translate_variable("KX_WALK_DEPTH", &depth));
    KX_timer_t timer{};
    STEP(KX_begin_timer(&timer));
    KX_timer_values_t times{};
    STEP(KX_end_timer(timer, &times));
    KX_bsm_stats_t stats{};
    STEP(KX_get_memory_usage(&stats));
    void* block = nullptr;
    int error = 0;
    if (int st = step("KX_allocate_memory", [&] {
        block = KX_allocate_memory(40, &error);
        return error;
    })) return st;
    if (int st = step("KX_reallocate_memory", [&] {
        block = KX_reallocate_memory(block, 96, &error);
        return error;
    })) return st;
    step("KX_free", [&] {
        KX_free(block);
        return 0;
    });
    KX_system_info_t info{};
    STEP(KX_ask_system_info(&info));
    STEP(KX_free_system_info(&info));
    STEP(KX_print_syslog("walk of the session services", 0));
    int foreign = 0;
    step("kx3192_", [&] {
        kx3192_(&foreign);
        return 0;
    });
    step("KX__set_custom_app_open", [&] {
        KX__set_custom_app_open();
        return 0;
    });
    STEP(KX_set_retiring_flag(1));
    STEP(KX_ask_retiring_flag() == 1 ? 0 : 1);

    STEP(KX_TEXT_set_text_mode(1));
    char** none = nullptr;
    step("KX_free_string_array", [&] {
        KX_free_string_array(0, none);
        return 0;
    });

    KX_callback_id_t callback{};
    STEP(KX_add_callback_function(KX_save_part_reason, on_part, nullptr, &callback));
    STEP(KX_remove_callback_function(callback));
    unsigned int tag_callback = 0;
    STEP(KX_TAG_register_event_cb(on_tag, nullptr, &tag_callback));
    STEP(KX_TAG_unregister_event_cb(tag_callback));

    const tag part = g_part;
    char* handle = nullptr;
    if (int st = step("KX_TAG_ask_handle_of_tag", [&] { return (handle = KX_TAG_ask_handle_of_tag(part)) ? 0 : 1; })) return st;
    tag back = NULL_TAG;
    if (int st = step("KX_TAG_ask_tag_of_handle", [&] { return (back = KX_TAG_ask_tag_of_handle(handle)) == part ? 0 : 1; })) return st;
    char* file = nullptr;
    unsigned int sub = 0, version = 0;
    STEP(KX_TAG_decompose_handle(handle, &file, &sub, &version));
    KX_free(handle);
    // A part is no entity of the store: the answer is NULL_TAG.
    STEP(KX_TAG_ask_new_tag_of_entity(part) == NULL_TAG ? 0 : 1);
    char* composed = nullptr;
    STEP(KX_TAG_compose_handle(file, sub, version, &composed));
    KX_free(file);
    KX_free(composed);

    KX_loaded_function_t scale = nullptr;
    STEP(KX_load_library(KX_TEST_USER_LIBRARY, "user_library_scale", &scale));
    STEP(KX_unload_library(KX_TEST_USER_LIBRARY));
    int a = 4, b = 9;
    void* args[2] = {&a, &b};
    return step("KX_call_klam", [&] { return KX_call_klam("count_args", 2, args); });
}

TEST(SessionWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"session_services", services, session});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
