// Rule calls into a user library built by the tests (rule formulas and
// direct invocations: the result record, the user-exit type and the run-time
// environment, names the call refuses), the rule that refers to an adopted
// object, the product-data manager's class queries, and edits that an undo
// mark takes back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/kernel/engine/kernel.h"
#include "host/platform/pdm/kf_classes.h"
#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"
#include "host/platform/system/user_exit.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_kf.h"
#include "libkxapi/core/kx_session.h"

namespace {

class KfCalls : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("kfc.prt");
        CONTEXT_set_work_part(part_);
        host::control::set_env("KX_APPLICATION_PATH", std::string("/nonexistent:") + KX_TEST_KF_FUNCTIONS_DIR);
        ASSERT_EQ(KX_KF_init_part(part_), 0);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    // The value of a new rule "r" on the root with the formula.
    static knowledge_value rule_value(const std::string& formula, const char* type = "any") {
        KX_KF_delete_instance_rule("Root:", "r");
        EXPECT_EQ(KX_KF_create_rule_no_update("Root:", "r", type, formula.c_str(), nullptr), 0) << formula;
        knowledge_value_p_t v = nullptr;
        EXPECT_EQ(KX_KF_evaluate_rule("Root:r", &v), 0) << formula;
        knowledge_value out{};
        if (v) {
            out = *v;
            KX_KF_free_rule_value(v);
        }
        return out;
    }
    static int error_of(const knowledge_value& v) {
        int number = 0;
        return KX_KF_ask_error(&v, &number) == 0 ? number : 0;
    }
    static bool logged(const std::string& part) {
        for (const std::string& l : host::error::log_lines())
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

    unsigned int part_ = 0;
};

TEST_F(KfCalls, RulesCallTheUserLibrary) {
    knowledge_value v = rule_value("extension('testfn', 'twice', 21)");
    int i = 0;
    ASSERT_EQ(KX_KF_ask_integer(&v, &i), 0);
    EXPECT_EQ(i, 42);
    struct Case {
        const char* formula;
        double number;
    };
    for (const Case& c :
         {Case{"extension('testfn.dll', 'twice', 1.25)", 2.5}, Case{"extension('testfn.so', 'half', 5.0)", 2.5},
          Case{"extension('testfn', 'half', 2.0 ^ 0.5) ^ 2", 0.5}}) {
        v = rule_value(c.formula);
        double d = 0;
        ASSERT_EQ(KX_KF_ask_number(&v, &d), 0) << c.formula;
        EXPECT_DOUBLE_EQ(d, c.number) << c.formula;
    }
    // The instance's value lies just past the arguments, with no arguments
    // too, and the function finds its instance there.
    for (const auto& [formula, n] :
         {std::pair{"extension('testfn', 'count', 1, 'two', 3.5)", 3}, std::pair{"extension('testfn', 'count')", 0}}) {
        v = rule_value(formula);
        ASSERT_EQ(KX_KF_ask_integer(&v, &i), 0) << formula;
        EXPECT_EQ(i, n) << formula;
    }
    v = rule_value("extension('testfn', 'self')", "string");
    char* text = nullptr;
    ASSERT_EQ(KX_KF_ask_string(&v, &text), 0);
    EXPECT_STREQ(text, "Root:");
}

TEST_F(KfCalls, CallsThatCannotRunGiveTheRuleAnErrorValue) {
    struct Case {
        std::string formula;
        int error;
        const char* log;
    };
    const Case cases[] = {
        {"extension('nosuchlib', 'twice', 1)", KX_ERR_BAD_LIBRARY, "nosuchlib"},
        {"extension('testfn', 'nosuchentry')", KX_ERR_NO_ENTRY_POINT, "nosuchentry"},
        {"extension(string.rep('a', 256), 'twice')", KX_ERR_BAD_LIBRARY, "no library"},
        {"extension(string.rep('a', 255), 'twice')", KX_ERR_BAD_LIBRARY, "cannot be loaded"},
        {"extension('testfn', string.rep('b', 300))", KX_ERR_NO_ENTRY_POINT, "no entry point"},
    };
    for (const Case& c : cases) {
        host::error::clear_log();
        EXPECT_EQ(error_of(rule_value(c.formula)), c.error) << c.formula;
        EXPECT_TRUE(logged(c.log)) << c.formula;
    }
    // A function that sets no result leaves the formula without a value.
    EXPECT_EQ(error_of(rule_value("extension('testfn', 'nothing')")), KBL_ERR_TYPE);
}

// Arguments as the engine hands them over: calloc'd, given back by the
// invocation.
KX_KF_rule_invocation_arguments_p_t call_args(std::vector<knowledge_value> items) {
    auto* args =
        static_cast<KX_KF_rule_invocation_arguments_p_t>(std::calloc(1, sizeof(KX_KF_rule_invocation_arguments_t)));
    args->count = static_cast<int>(items.size());
    args->items = static_cast<knowledge_value*>(std::calloc(items.size() + 1, sizeof(knowledge_value)));
    if (!items.empty()) std::memcpy(args->items, items.data(), items.size() * sizeof(knowledge_value));
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

TEST_F(KfCalls, DirectInvocationsFillOrKeepTheResult) {
    KX_KF_instance_p_t root = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:"));
    knowledge_value result{};
    result.kind = 7;
    result.engine = 77;
    result.payload.word = 5;
    KX_KF_invoke_kestrix_extension(root, call_args({text_value("testfn"), text_value("nothing")}), &result);
    EXPECT_EQ(result.kind, 7u) << "no result: the record is left alone";
    EXPECT_EQ(result.payload.word, 5);
    KX_KF_invoke_kestrix_extension(root, call_args({number_value(5), text_value("testfn"), text_value("half")}),
                                   &result);
    EXPECT_EQ(result.kind, 12u);
    EXPECT_EQ(result.payload.number, 2.5) << "the double copied whole";
    EXPECT_EQ(result.engine, 77u) << "the engine's word stays";
    // Names that are no strings, and fewer than two items.
    for (auto items : {std::vector<knowledge_value>{number_value(1), text_value("twice")},
                       std::vector<knowledge_value>{text_value("testfn")}, std::vector<knowledge_value>{}}) {
        result = knowledge_value{};
        KX_KF_invoke_kestrix_extension(root, call_args(items), &result);
        EXPECT_EQ(error_of(result), KX_ERR_BAD_LIBRARY) << items.size();
    }
    result = knowledge_value{};
    KX_KF_invoke_kestrix_extension(root, call_args({text_value("testfn"), number_value(1)}), &result);
    EXPECT_EQ(error_of(result), KX_ERR_NO_ENTRY_POINT);
    // The instance of the arguments, and a vector that is not there.
    knowledge_value self{};
    KX_KF_instance_p_t found = nullptr;
    KBE_object_t object = KBE_create_instance_object(part_, KBL_ask_instance("Root:"));
    DFK_convert_value(object, reinterpret_cast<KBL_value_t*>(&self));
    KBE_delete_object(object);
    knowledge_value_p_t vector[] = {&self};
    ASSERT_EQ(KX_KF_ask_instance_of_args(vector, 0, &found), 0);
    EXPECT_EQ(found, root);
    EXPECT_EQ(KX_KF_ask_instance_of_args(nullptr, 0, &found), 1105004);
}

TEST_F(KfCalls, InvocationsNestAndPutTypeAndEnvironmentBack) {
    RTENV_set_env(0);
    ASSERT_EQ(KXEXIT_ask_user_exit_type(), 0);
    knowledge_value result{};
    KX_KF_invoke_kestrix_extension(nullptr, call_args({text_value("testfn"), text_value("probe")}), &result);
    EXPECT_EQ(result.payload.word, 30) << "type 3, the environment not switched";
    // A dialog call (type 1 in the interface's environment) around a plain
    // one (type 3): each finds and leaves what the one around it set.
    KX_KF_invoke_kestrix_extension_dialog(nullptr, call_args({text_value("testfn"), text_value("nest")}), &result);
    EXPECT_EQ(result.payload.word, 11 * 10000 + 31 * 100 + 11);
    EXPECT_EQ(KXEXIT_ask_user_exit_type(), 0);
    EXPECT_EQ(RTENV_ask_env(), 0);
    // A function that changes both and raises: both come back, the log
    // tells, the result stays.
    host::error::clear_log();
    result = knowledge_value{};
    KX_KF_invoke_kestrix_extension_dialog(nullptr, call_args({text_value("testfn"), text_value("fails")}), &result);
    EXPECT_EQ(result.kind, 0u);
    EXPECT_EQ(KXEXIT_ask_user_exit_type(), 0);
    EXPECT_EQ(RTENV_ask_env(), 0);
    EXPECT_TRUE(logged("750098"));
}

TEST_F(KfCalls, TheRuleThatRefersToAnAdoptedBody) {
    const double origin[3] = {0, 0, 0}, a[3] = {1, 2, 3};
    int one = 0, two = 0;
    ZQ_BODY_make_block(origin, a, &one);
    ZQ_BODY_make_block(origin, a, &two);
    const tag bodies[2] = {host::kernel::object_of(one), host::kernel::object_of(two)};
    KX_KF_instance_p_t* insts = nullptr;
    ASSERT_EQ(KX_KF_adopt_jq_objects(bodies, 2, &insts), 0);
    std::string locals[2];
    for (int i = 0; i < 2; ++i) {
        const char* chain = nullptr;
        ASSERT_EQ(KX_KF_ask_name_chain_of_instance(insts[i], &chain), 0);
        locals[i] = std::string(chain).substr(5);
        locals[i].pop_back();
    }
    KX_free(insts);
    ASSERT_EQ(KX_KF_create_rule("Root:", "total", "number", (locals[0] + ".volume + " + locals[1] + ".volume").c_str(),
                                nullptr),
              0);
    ASSERT_EQ(KX_KF_create_rule("Root:", "first", "number", (locals[0] + ".volume").c_str(), nullptr), 0);
    char* text = nullptr;
    ASSERT_EQ(KX_KF_evaluate_rule_to_string("Root:total", &text), 0);
    KX_free(text);
    ASSERT_EQ(KX_KF_evaluate_rule_to_string("Root:first", &text), 0);
    KX_free(text);
    host::rules::clear_trace();
    text = reinterpret_cast<char*>(1);
    ASSERT_EQ(KX_KF_ask_rule_text_of_referencing_object(bodies[1], &text), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Root:total");
    KX_free(text);
    EXPECT_EQ(host::rules::trace(), (std::vector<std::string>{"pre KX_KF_ask_rule_text_of_referencing_object",
                                                              "KX_KF_ask_rule_text_of_referencing_object"}));
    // Two rules read the first body: no one text (and none kept).
    text = reinterpret_cast<char*>(1);
    ASSERT_EQ(KX_KF_ask_rule_text_of_referencing_object(bodies[0], &text), 0);
    EXPECT_EQ(text, nullptr);
    unsigned int exp = 0;
    ASSERT_EQ(EXP_create_exp(part_, "len=5", &exp), 0);
    ASSERT_EQ(KX_KF_ask_rule_text_of_referencing_object(exp, &text), 0);
    EXPECT_EQ(text, nullptr) << "no rule reads an expression";
    text = reinterpret_cast<char*>(1);
    EXPECT_EQ(KX_KF_ask_rule_text_of_referencing_object(999999u, &text), 1105004) << "no such object";
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(KX_KF_ask_rule_text_of_referencing_object(bodies[0], nullptr), 1105005);
}

TEST_F(KfCalls, ManagerQueriesFollowTheManagersCodes) {
    char** names = nullptr;
    int n = -1;
    logical yes = 1;
    // Every query: refused while the manager does not run, and before the
    // session is open with the manager's own code.
    const std::vector<std::function<int()>> queries = {
        [&] { return KX_KF_JQMGR_ask_user_dfa_classes("f1", &n, &names); },
        [&] { return KX_KF_JQMGR_ask_user_dfa_funcs("f1", &n, &names); },
        [&] { return KX_KF_JQMGR_list_user_classes_referenced("bracket", &n, &names); },
        [&] { return KX_KF_JQMGR_list_user_funcs_referenced("bracket", &n, &names); },
        [&] { return KX_KF_JQMGR_is_user_dfa_class_exists("bracket", &yes); },
        [&] { return KX_KF_JQMGR_is_user_dfa_func_exists("area_fn", &yes); },
        [&] { return KX_KF_JQMGR_is_folder_exists("f1", &yes); },
    };
    for (const auto& q : queries) EXPECT_EQ(q(), 641106);
    kx_reset_session_for_tests();
    n = -1;
    EXPECT_EQ(KX_KF_JQMGR_ask_user_dfa_classes("f1", &n, &names), 641049);
    EXPECT_EQ(n, 0) << "the count is cleared before the session check";
    for (const auto& q : queries) EXPECT_EQ(q(), 641049);
    ASSERT_EQ(KX_initialize(), 0);
    host::support::set_jqmanager_active(true);
    host::pdm::kf_add_class("f1", "bracket", {"hole", "area_fn"});
    host::pdm::kf_add_class("f1", "hole");
    host::pdm::kf_add_function("f2", "area_fn");
    const auto list = [&](int st) {
        EXPECT_EQ(st, 0);
        std::vector<std::string> out(names, names + n);
        KX_free_string_array(n, names);
        return out;
    };
    EXPECT_EQ(list(KX_KF_JQMGR_ask_user_dfa_classes("f1", &n, &names)), (std::vector<std::string>{"bracket", "hole"}));
    EXPECT_EQ(list(KX_KF_JQMGR_ask_user_dfa_funcs(nullptr, &n, &names)), std::vector<std::string>{"area_fn"});
    EXPECT_EQ(list(KX_KF_JQMGR_list_user_classes_referenced("bracket", &n, &names)), std::vector<std::string>{"hole"});
    EXPECT_EQ(list(KX_KF_JQMGR_list_user_funcs_referenced("bracket", &n, &names)), std::vector<std::string>{"area_fn"});
    struct Exists {
        int (*test)(const char*, logical*);
        const char* name;
        bool answer;
    };
    for (const Exists& e :
         {Exists{KX_KF_JQMGR_is_user_dfa_class_exists, "bracket", true},
          Exists{KX_KF_JQMGR_is_user_dfa_class_exists, "area_fn", false},
          Exists{KX_KF_JQMGR_is_user_dfa_func_exists, "area_fn", true},
          Exists{KX_KF_JQMGR_is_user_dfa_func_exists, "bracket", false},
          Exists{KX_KF_JQMGR_is_folder_exists, "f2", true}, Exists{KX_KF_JQMGR_is_folder_exists, "f3", false}}) {
        yes = !e.answer;
        ASSERT_EQ(e.test(e.name, &yes), 0) << e.name;
        EXPECT_EQ(yes != 0, e.answer) << e.name;
    }
    // The manager's failure 920001 comes back as 943001, others as they are.
    EXPECT_EQ(KX_KF_JQMGR_ask_user_dfa_classes("nofolder", &n, &names), 943001);
    EXPECT_EQ(KX_KF_JQMGR_list_user_classes_referenced("noclass", &n, &names), 943001);
    host::control::return_status("JQMGR_KF_is_dfa_folder_exists", 920001);
    EXPECT_EQ(KX_KF_JQMGR_is_folder_exists("f1", &yes), 943001);
    host::control::return_status("JQMGR_KF_is_dfa_folder_exists", 920005);
    EXPECT_EQ(KX_KF_JQMGR_is_folder_exists("f1", &yes), 920005);
    EXPECT_EQ(KX_KF_JQMGR_is_folder_exists(nullptr, &yes), 1105004);
    EXPECT_EQ(KX_KF_JQMGR_ask_user_dfa_classes("f1", nullptr, &names), 1105005);
}

TEST_F(KfCalls, FailedEditsLeaveTheKnowledgeTreeAsBefore) {
    // A rule that the update then refuses goes with the undo mark.
    host::control::return_status("UPDATE_do_update", 670111);
    EXPECT_EQ(KX_KF_create_rule("Root:", "x", "number", "1", nullptr), 670111);
    logical local = 1;
    ASSERT_EQ(KX_KF_is_local("Root:x", nullptr, &local), 0);
    EXPECT_FALSE(local);
    host::control::clear_script("UPDATE_do_update");
    // Adoptions before an object that cannot be adopted go too.
    const double origin[3] = {0, 0, 0}, a[3] = {1, 2, 3};
    int body = 0;
    ZQ_BODY_make_block(origin, a, &body);
    const tag objects[2] = {host::kernel::object_of(body), 999999u};
    KX_KF_instance_p_t* insts = nullptr;
    EXPECT_EQ(KX_KF_adopt_jq_objects(objects, 2, &insts), 1105004);
    const std::string chain = "Root:object_" + std::to_string(objects[0]) + ":";
    EXPECT_EQ(KBL_ask_instance(chain.c_str()), nullptr);
    ASSERT_EQ(KX_KF_adopt_jq_objects(objects, 1, &insts), 0);
    EXPECT_NE(KBL_ask_instance(chain.c_str()), nullptr);
    KX_free(insts);
}

}  // namespace
