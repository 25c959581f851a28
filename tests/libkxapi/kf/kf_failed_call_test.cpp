// Host errors raised inside knowledge-language calls: each row names the
// function, the host routine that raises (its nth call within the call)
// and what must hold. A query that fails answers the injected code, hands
// out nothing and leaves the live blocks as before it; a rule-call
// invocation (which answers nothing) lets no error out, gives the
// engine's arguments back and leaves the error value of the code in its
// result record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/store/parts/parts.h"
#include "host/model/rules/rules.h"
#include "kx_core.h"
#include "kx_kf.h"
#include "libkxapi/core/kx_session.h"

namespace {

constexpr int kInjected = 670099;

class KfFailedCall : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("kffail.prt");
        CONTEXT_set_work_part(part_);
        std::ofstream("bracket.kcl") << "{ rules = { depth = { type = 'number', flags = 'parameter', formula = '12' },"
                                        " mass = { type = 'number', formula = 'depth * 3' } } }";
        host::control::set_env("KX_APPLICATION_PATH", KX_TEST_KF_FUNCTIONS_DIR);
        ASSERT_EQ(KX_KF_add_search_library("."), 0);
        ASSERT_EQ(KX_KF_init_part(part_), 0);
        char* made = nullptr;
        ASSERT_EQ(KX_KF_create_child_rule(nullptr, "Root:", "b", "bracket", 0, nullptr, nullptr, &made), 0);
        KX_free(made);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    unsigned int part_ = 0;
};

struct Row {
    const char* name;
    const char* routine;
    int nth;  // the routine's nth call within the call raises
};

// The engine wrote the rule's name (and its value) when the type's text
// failed; a copy for the caller failed after the engine handed out all
// three.
TEST_F(KfFailedCall, AFailedItemQueryHandsOutNothingAndKeepsNothing) {
    const Row rows[] = {
        {"the type's text", "TEXT_create_string", 2},
        {"the name's text", "TEXT_create_string", 1},
        {"the copy of the name", "SM_string_copy", 1},
        {"the copy of the type", "SM_string_copy", 2},
        {"the caller's value record", "SM_alloc", 3},
    };
    auto* bracket = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:b:"));
    ASSERT_NE(bracket, nullptr);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::size_t blocks = host::control::live_blocks();
        char* name = nullptr;
        char* type = nullptr;
        knowledge_value_p_t item = nullptr;
        host::control::raise_on(r.routine, kInjected, r.nth);
        const int st = KX_KF_ask_value_of_list_item(bracket, 2, &name, &type, &item);
        host::control::clear_scripts();
        EXPECT_EQ(st, kInjected);
        EXPECT_EQ(name, nullptr);
        EXPECT_EQ(type, nullptr);
        EXPECT_EQ(item, nullptr);
        EXPECT_EQ(host::control::live_blocks(), blocks);
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
    // Without an error the item is the rule "mass" (in name order) of 36.
    char* name = nullptr;
    char* type = nullptr;
    knowledge_value_p_t item = nullptr;
    ASSERT_EQ(KX_KF_ask_value_of_list_item(bracket, 2, &name, &type, &item), 0);
    EXPECT_STREQ(name, "mass");
    EXPECT_STREQ(type, "number");
    double mass = 0;
    ASSERT_EQ(KX_KF_ask_number(item, &mass), 0);
    EXPECT_EQ(mass, 36.0);
    KX_free(name);
    KX_free(type);
    KX_KF_free_rule_value(item);
}

KX_KF_rule_invocation_arguments_p_t call_args(std::vector<knowledge_value> items) {
    auto* args =
        static_cast<KX_KF_rule_invocation_arguments_p_t>(std::calloc(1, sizeof(KX_KF_rule_invocation_arguments_t)));
    args->count = static_cast<int>(items.size());
    args->items = static_cast<knowledge_value*>(std::calloc(items.size() + 1, sizeof(knowledge_value)));
    std::memcpy(args->items, items.data(), items.size() * sizeof(knowledge_value));
    return args;
}

knowledge_value text_value(const char* text) {
    knowledge_value v{};
    v.kind = 15;
    v.payload.pointer = const_cast<char*>(text);
    return v;
}

knowledge_value number_value(double d) {
    knowledge_value v{};
    v.kind = 12;
    v.payload.number = d;
    return v;
}

// The loader failing, the run-time environment not answering, the runner
// failing, and the type that cannot be put back: no error reaches the
// caller, the arguments go back to the engine, the result holds the code.
TEST_F(KfFailedCall, AFailedInvocationKeepsTheErrorInItsResult) {
    const Row rows[] = {
        {"loading the library", "ldr_load", 1},
        {"the environment asked", "RTENV_ask_env", 1},
        {"the runner", "KXEXIT_run_kestrix_extension_internal", 1},
        {"the exit type set", "KXEXIT_set_user_exit_type", 1},
    };
    auto* root = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:"));
    using Invoke = void (*)(KX_KF_instance_p_t, KX_KF_rule_invocation_arguments_p_t, knowledge_value*);
    const std::pair<const char*, Invoke> entries[] = {{"plain", KX_KF_invoke_kestrix_extension},
                                                      {"dialog", KX_KF_invoke_kestrix_extension_dialog}};
    for (const auto& [entry, invoke] : entries) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(entry) + ": " + r.name);
            knowledge_value result{};
            const int freed_before = host::control::call_count("KBL_free_invocation_arguments");
            host::control::raise_on(r.routine, kInjected, r.nth);
            const std::optional<int> escaped = host::control::raised_code([&] {
                invoke(root, call_args({number_value(6.5), text_value("testfn"), text_value("half")}), &result);
            });
            host::control::clear_scripts();
            EXPECT_FALSE(escaped.has_value()) << (escaped ? *escaped : 0);
            EXPECT_EQ(host::control::call_count("KBL_free_invocation_arguments"), freed_before + 1);
            int number = 0;
            EXPECT_EQ(KX_KF_ask_error(&result, &number), 0);
            EXPECT_EQ(number, kInjected);
            EXPECT_EQ(host::control::frame_depth(), 0);
        }
        // Without an error the function halves its argument.
        knowledge_value result{};
        invoke(root, call_args({number_value(6.5), text_value("testfn"), text_value("half")}), &result);
        double d = 0;
        ASSERT_EQ(KX_KF_ask_number(&result, &d), 0);
        EXPECT_EQ(d, 3.25);
    }
}

}  // namespace
