// User callbacks: part events and tag events dispatched from the host to
// the registered routines, oldest first, with errors inside a routine kept
// from the host, registrations removed while their event runs, and the
// argument and id checks.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/events.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "kx_callback.h"
#include "kx_core.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"

namespace {

struct Call {
    std::string who;
    int reason;
    tag object;
    int env;
};
std::vector<Call> calls;

class Callbacks : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        calls.clear();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::objects::create_part("cb_part");
        host::control::clear_log();
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }
    KX_callback_id_t add(int reason, KX_callback_fn_t fn, void* data = nullptr) {
        KX_callback_id_t id = nullptr;
        EXPECT_EQ(KX_add_callback_function(reason, fn, data, &id), 0);
        return id;
    }
    unsigned int part = 0;
};

int record(const char* who, int reason, const void* object) {
    calls.push_back({who, reason, *static_cast<const tag*>(object), RTENV_ask_env()});
    return 0;
}
int cb_a(int r, const void* o, void*) { return record("A", r, o); }
int cb_b(int r, const void* o, void*) { return record("B", r, o); }
int cb_c(int r, const void* o, void*) { return record("C", r, o); }
int cb_raise(int r, const void* o, void*) {
    record("R", r, o);
    ERROR_raise("user", 1, 750099, "user routine failed");
}
// Arms a frame of its own and leaves it armed when it fails: the library's
// frame cleans up behind it.
int cb_leaky(int r, const void* o, void*) {
    record("L", r, o);
    ERROR_set_handler(ERROR__default_handler, nullptr);
    ERROR_raise("user", 2, 750098, "user routine failed with a frame left armed");
}
int cb_throws(int r, const void* o, void*) {
    record("T", r, o);
    throw std::runtime_error("not a host error");
}

std::string order() {
    std::string out;
    for (const Call& c : calls) out += c.who;
    return out;
}

TEST_F(Callbacks, RoutinesRunOldestFirstWithReasonObjectAndUserEnvironment) {
    add(2, cb_a);
    add(2, cb_b);
    add(2, cb_c);
    add(3, cb_a);
    host::control::set_env_kind(4);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "ABC");
    for (const Call& c : calls) {
        EXPECT_EQ(c.reason, 2);
        EXPECT_EQ(c.object, part);
        EXPECT_EQ(c.env, RTENV_KIND_USER_PROGRAM);
    }
    EXPECT_EQ(RTENV_ask_env(), 4);                   // restored
    EXPECT_EQ(host::events::part_hook_count(2), 1);  // one dispatcher for the reason
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Callbacks, EveryReasonReachesItsRoutineWithTheEventsObject) {
    for (int reason = 0; reason <= 6; ++reason) add(reason, cb_a);
    const unsigned int other = host::objects::create_part("other");
    for (int reason = 0; reason <= 6; ++reason) {
        calls.clear();
        host::events::fire_part_event(reason, part, reason == 4 ? 1 : other);
        ASSERT_EQ(calls.size(), 1u) << reason;
        EXPECT_EQ(calls[0].reason, reason);
        EXPECT_EQ(calls[0].object, part) << reason;
    }
    // The work-part hook goes through the work-part service, the others
    // through the callback service with the host's reason values.
    EXPECT_EQ(host::control::call_count("CONTEXT_add_chg_work_part_cb"), 1);
    const auto added = host::control::calls("CALLBACK_add_function");
    ASSERT_EQ(added.size(), 6u);
    EXPECT_EQ(added[2].arg[0], PART_save_part_reason);
}

TEST_F(Callbacks, ModificationWithFlagZeroCallsNobody) {
    add(4, cb_a);
    host::events::fire_part_event(host::events::kModified, part, 0);
    EXPECT_EQ(order(), "");
    host::events::fire_part_event(host::events::kModified, part);
    EXPECT_EQ(order(), "A");
}

TEST_F(Callbacks, ErrorInsideARoutineIsNotedAndTheChainGoesOn) {
    add(2, cb_a);
    add(2, cb_raise);
    add(2, cb_leaky);
    add(2, cb_throws);
    add(2, cb_c);
    host::control::set_env_kind(3);
    // The host fires the event outside any frame: an error reaching it would
    // stop the program.
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "ARLTC");
    const auto log = host::control::log_lines();
    const std::string note = "kx_callback 329: User induced error caught in KX callback.";
    EXPECT_EQ(std::count(log.begin(), log.end(), note), 3) << ::testing::PrintToString(log);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(RTENV_ask_env(), 3);
}

// The host calls of one protected call, in order, from the journal.
std::vector<std::string> protected_call_steps() {
    std::vector<std::string> out;
    for (const std::string& n : host::control::call_names())
        if (n == "RTENV_set_jqopen_env" || n == "ERROR_set_handler" || n == "ERROR_note" || n == "RTENV_set_env")
            out.push_back(n);
    return out;
}

TEST_F(Callbacks, FailingRoutineIsNotedBeforeTheEnvironmentIsRestored) {
    add(2, cb_raise);
    host::control::clear_journal();
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(protected_call_steps(),
              (std::vector<std::string>{"RTENV_set_jqopen_env", "ERROR_set_handler", "ERROR_note", "RTENV_set_env"}));
}

TEST_F(Callbacks, RemovingTheOnlyRoutineUnhooksTheReasonAndTheIdIsThenUnknown) {
    KX_callback_id_t id = add(2, cb_a);
    EXPECT_EQ(host::events::part_hook_count(2), 1);
    EXPECT_EQ(KX_remove_callback_function(id), 0);
    EXPECT_EQ(host::events::part_hook_count(2), 0);
    EXPECT_EQ(KX_remove_callback_function(id), 750007);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "");
}

TEST_F(Callbacks, WorkPartHookIsRemovedThroughTheWorkPartService) {
    KX_callback_id_t id = add(6, cb_a);
    EXPECT_EQ(host::events::part_hook_count(6), 1);
    EXPECT_EQ(KX_remove_callback_function(id), 0);
    EXPECT_EQ(host::control::call_count("CONTEXT_remove_chg_work_part_cb"), 1);
    EXPECT_EQ(host::control::call_count("CALLBACK_remove_function"), 0);
    EXPECT_EQ(host::events::part_hook_count(6), 0);
    host::events::fire_part_event(host::events::kWorkPartChanged, part);
    EXPECT_EQ(order(), "");
}

TEST_F(Callbacks, UnknownIdsAreRefusedWithoutBeingFollowed) {
    KX_callback_id_t id = add(2, cb_a);
    int local = 0;
    EXPECT_EQ(KX_remove_callback_function(&local), 750007);
    EXPECT_EQ(KX_remove_callback_function(reinterpret_cast<KX_callback_id_t>(0x12345678)), 750007);
    EXPECT_EQ(KX_remove_callback_function(nullptr), 1105004);
    EXPECT_EQ(KX_remove_callback_function(id), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// Routines that change the registrations of their own event.
KX_callback_id_t victim = nullptr;
KX_callback_id_t self_id = nullptr;
std::vector<int> victim_statuses;
int cb_removes_victim(int r, const void* o, void*) {
    record("X", r, o);
    victim_statuses.push_back(KX_remove_callback_function(victim));
    return 0;
}
int cb_removes_itself(int r, const void* o, void*) {
    record("S", r, o);
    EXPECT_EQ(KX_remove_callback_function(self_id), 0);
    return 0;
}
int cb_adds(int r, const void* o, void*) {
    record("+", r, o);
    KX_callback_id_t id = nullptr;
    EXPECT_EQ(KX_add_callback_function(2, cb_c, nullptr, &id), 0);
    return 0;
}

TEST_F(Callbacks, RemovalDuringDispatchDoesNotBreakIt) {
    victim_statuses.clear();
    add(2, cb_a);
    self_id = add(2, cb_removes_itself);
    add(2, cb_removes_victim);
    victim = add(2, cb_b);
    add(2, cb_adds);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "ASX+");  // B was removed before its turn, C waits for the next event
    calls.clear();
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "AX+C");
    // The second time the victim's id is unknown.
    EXPECT_EQ(victim_statuses, (std::vector<int>{0, 750007}));
}

TEST_F(Callbacks, LastRoutineRemovedDuringDispatchUnhooksSafely) {
    self_id = add(2, cb_removes_itself);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "S");
    EXPECT_EQ(host::events::part_hook_count(2), 0);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "S");
}

TEST_F(Callbacks, ArgumentChecksComeBeforeAnything) {
    KX_callback_id_t id = reinterpret_cast<KX_callback_id_t>(1);
    EXPECT_EQ(KX_add_callback_function(7, cb_a, nullptr, &id), 1105004);
    EXPECT_EQ(KX_add_callback_function(-1, cb_a, nullptr, &id), 1105004);
    EXPECT_EQ(KX_add_callback_function(2, nullptr, nullptr, &id), 1105005);
    EXPECT_EQ(KX_add_callback_function(2, cb_a, nullptr, nullptr), 1105007);
    EXPECT_EQ(host::control::call_count("CALLBACK_add_function"), 0);
    EXPECT_EQ(host::control::call_count("ERROR_set_handler"), 0);
    for (int r = 0; r <= 6; ++r) EXPECT_EQ(host::events::part_hook_count(r), 0);
}

TEST_F(Callbacks, ReasonsNotPublishedByTheHost) {
    host::events::publish_reason_values(false);
    KX_callback_id_t id = reinterpret_cast<KX_callback_id_t>(1);
    EXPECT_EQ(KX_add_callback_function(2, cb_a, nullptr, &id), 750008);
    EXPECT_EQ(id, nullptr);
    EXPECT_EQ(host::events::part_hook_count(2), 0);
    // The work part needs no reason value.
    EXPECT_EQ(KX_add_callback_function(6, cb_a, nullptr, &id), 0);
    host::events::publish_reason_values(true);
    EXPECT_EQ(KX_add_callback_function(2, cb_a, nullptr, &id), 0);
}

TEST_F(Callbacks, HookFailureRegistersNothing) {
    host::control::raise_on("CALLBACK_add_function", 670004, 1);
    KX_callback_id_t id = nullptr;
    EXPECT_EQ(KX_add_callback_function(2, cb_a, nullptr, &id), 670004);
    EXPECT_EQ(id, nullptr);
    host::control::clear_scripts();
    EXPECT_EQ(KX_add_callback_function(2, cb_b, nullptr, &id), 0);
    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(order(), "B");
}

TEST_F(Callbacks, WithoutSession) {
    ASSERT_EQ(KX_terminate(), 0);
    KX_callback_id_t id = nullptr;
    unsigned int tid = 0;
    EXPECT_EQ(KX_add_callback_function(2, cb_a, nullptr, &id), 1105000);
    EXPECT_EQ(KX_remove_callback_function(&id), 1105000);
    EXPECT_EQ(KX_TAG_register_event_cb([](int, tag, void*) {}, nullptr, &tid), 1105000);
    EXPECT_EQ(KX_TAG_unregister_event_cb(1), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// ---- Tag events ---------------------------------------------------------------

struct TagCall {
    char who;
    int event;
    tag object;
    void* data;
};
std::vector<TagCall> tag_calls;
void tag_a(int e, tag o, void* d) { tag_calls.push_back({'a', e, o, d}); }
void tag_b(int e, tag o, void* d) { tag_calls.push_back({'b', e, o, d}); }
void tag_raise(int e, tag o, void* d) {
    tag_calls.push_back({'r', e, o, d});
    ERROR_raise("user", 3, 750097, "tag routine failed");
}
unsigned int tag_victim = 0;
void tag_removes(int e, tag o, void* d) {
    tag_calls.push_back({'x', e, o, d});
    EXPECT_EQ(KX_TAG_unregister_event_cb(tag_victim), 0);
}

std::string tag_order() {
    std::string out;
    for (const TagCall& c : tag_calls) out += c.who;
    return out;
}

class TagEvents : public Callbacks {
protected:
    void SetUp() override {
        Callbacks::SetUp();
        tag_calls.clear();
    }
    unsigned int reg(KX_TAG_event_cb_t fn, void* data = nullptr) {
        unsigned int id = 0;
        EXPECT_EQ(KX_TAG_register_event_cb(fn, data, &id), 0);
        return id;
    }
};

TEST_F(TagEvents, IdsCountFromOneAndRoutinesRunInOrder) {
    int data = 0;
    EXPECT_EQ(reg(tag_a, &data), 1u);
    EXPECT_EQ(reg(tag_b), 2u);
    EXPECT_EQ(reg(tag_a), 3u);
    host::events::fire_tag_event(TAG_EVENT_MODIFIED, 4242);
    EXPECT_EQ(tag_order(), "aba");
    EXPECT_EQ(tag_calls[0].event, TAG_EVENT_MODIFIED);
    EXPECT_EQ(tag_calls[0].object, 4242u);
    EXPECT_EQ(tag_calls[0].data, &data);
    EXPECT_EQ(host::events::tag_hook_count(), 1);
}

TEST_F(TagEvents, ObjectThatDiesIsATagEvent) {
    const unsigned int obj = host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, part, "line"});
    reg(tag_a);
    host::objects::destroy(obj);
    ASSERT_EQ(tag_calls.size(), 1u);
    EXPECT_EQ(tag_calls[0].event, TAG_EVENT_DELETED);
    EXPECT_EQ(tag_calls[0].object, obj);
}

TEST_F(TagEvents, ErrorSkipsTheLaterRoutinesOfThatEventOnly) {
    reg(tag_a);
    reg(tag_raise);
    reg(tag_b);
    host::control::clear_journal();
    host::events::fire_tag_event(TAG_EVENT_MODIFIED, 1);
    EXPECT_EQ(tag_order(), "ar");
    const auto log = host::control::log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "kx_misc 890: User induced error caught in KX event callback.");
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(protected_call_steps(),
              (std::vector<std::string>{"RTENV_set_jqopen_env", "ERROR_set_handler", "ERROR_note", "RTENV_set_env"}));
    tag_calls.clear();
    host::events::fire_tag_event(TAG_EVENT_MODIFIED, 1);
    EXPECT_EQ(tag_order(), "ar");
}

TEST_F(TagEvents, UnregisterThenIdsStartAgainAndManyRegistrationsGrow) {
    std::vector<unsigned int> ids;
    EXPECT_EQ(kx_tag_event_capacity_for_tests(), 0);
    for (int i = 0; i < 17; ++i) {
        ids.push_back(reg(i % 2 ? tag_b : tag_a));
        EXPECT_EQ(kx_tag_event_capacity_for_tests(), i < 16 ? 16 : 32) << "registration " << i + 1;
    }
    EXPECT_EQ(ids.back(), 17u);
    host::events::fire_tag_event(TAG_EVENT_CREATED, 9);
    EXPECT_EQ(tag_calls.size(), 17u);
    EXPECT_EQ(KX_TAG_unregister_event_cb(99), 1105004);
    for (unsigned int id : ids) EXPECT_EQ(KX_TAG_unregister_event_cb(id), 0);
    EXPECT_EQ(KX_TAG_unregister_event_cb(ids[0]), 1105004);
    EXPECT_EQ(host::events::tag_hook_count(), 0);
    EXPECT_EQ(kx_tag_event_capacity_for_tests(), 0);
    EXPECT_EQ(reg(tag_a), 1u);
    EXPECT_EQ(host::control::call_count("TAG_register_event_cb"), 2);
}

TEST_F(TagEvents, HostRefusingToUnhookKeepsTheCount) {
    const unsigned int id = reg(tag_a);
    host::control::return_status("TAG_unregister_event_cb", 0);
    EXPECT_EQ(KX_TAG_unregister_event_cb(id), 1105004);
    host::control::clear_scripts();
    EXPECT_EQ(reg(tag_b), 2u);
}

TEST_F(TagEvents, RemovalDuringDispatch) {
    reg(tag_removes);
    tag_victim = reg(tag_b);
    reg(tag_a);
    host::events::fire_tag_event(TAG_EVENT_MODIFIED, 5);
    EXPECT_EQ(tag_order(), "xa");
}

TEST_F(TagEvents, BadArguments) {
    unsigned int id = 0;
    EXPECT_EQ(KX_TAG_register_event_cb(nullptr, nullptr, &id), 1105004);
    EXPECT_EQ(KX_TAG_register_event_cb(tag_a, nullptr, nullptr), 1105006);
    EXPECT_EQ(host::events::tag_hook_count(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// ---- A routine in a user library ------------------------------------------------

#ifdef KX_TEST_PLUGIN_PATH
TEST_F(Callbacks, RoutineOfAnUnloadedUserLibraryStaysCallable) {
    void* lib = dlopen(KX_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto reg_fn = reinterpret_cast<int (*)(int, int, KX_callback_id_t*)>(dlsym(lib, "callback_plugin_register"));
    auto calls_fn = reinterpret_cast<int (*)()>(dlsym(lib, "callback_plugin_calls"));
    auto part_fn = reinterpret_cast<unsigned int (*)()>(dlsym(lib, "callback_plugin_last_part"));
    ASSERT_TRUE(reg_fn && calls_fn && part_fn);
    // The library stays loaded for the rest of the process, so its counter
    // keeps what earlier runs of this test added.
    const int calls_before = calls_fn();
    KX_callback_id_t ok_id = nullptr, failing_id = nullptr;
    ASSERT_EQ(reg_fn(2, 0, &ok_id), 0);
    ASSERT_EQ(reg_fn(2, 1, &failing_id), 0);
    add(2, cb_a);

    // The program lets go of the library; the registration keeps it loaded.
    ASSERT_EQ(dlclose(lib), 0);
    void* again = dlopen(KX_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(again, nullptr) << "the user library was unloaded";
    dlclose(again);

    host::events::fire_part_event(host::events::kSaved, part);
    EXPECT_EQ(calls_fn() - calls_before, 2);
    EXPECT_EQ(part_fn(), part);
    EXPECT_EQ(order(), "A");  // after the plugin's failing routine
    const auto log = host::control::log_lines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "kx_callback 329: User induced error caught in KX callback."), 1);

    // Removing the registrations does not allow unloading again.
    EXPECT_EQ(KX_remove_callback_function(ok_id), 0);
    EXPECT_EQ(KX_remove_callback_function(failing_id), 0);
    void* still = dlopen(KX_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(still, nullptr);
    if (still) dlclose(still);
}
#else
TEST_F(Callbacks, RoutineOfAnUnloadedUserLibraryStaysCallable) {
    GTEST_SKIP() << "the test plugin is not built (KX_TEST_PLUGIN_PATH is not defined)";
}
#endif

}  // namespace
