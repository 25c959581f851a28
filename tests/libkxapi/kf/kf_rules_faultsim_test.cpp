// The knowledge language under fault simulation: preparing a part, rules
// created, evaluated and listed, bodies adopted and the rule that refers to
// one, and the product-data manager's class queries; a host error at each
// host call must leave a clean status, no armed frame and no leaked block.
#include <gtest/gtest.h>

#include <fstream>

#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/platform/pdm/kf_classes.h"
#include "host/platform/support/support.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_body = NULL_TAG;

// A part with a block, a class file in the current directory, and a
// manager that runs and files one class.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("kf.prt");
    CONTEXT_set_work_part(g_part);
    std::ofstream("plate.kcl") << "{ rules = { width = { type = 'number', flags = 'parameter', formula = '20' },"
                                  " area = { type = 'number', formula = 'width * 10' } } }";
    const double origin[3] = {0, 0, 0}, size[3] = {1, 2, 3};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    g_body = host::kernel::object_of(body);
    host::support::set_jqmanager_active(true);
    host::pdm::kf_add_class("designs", "plate", {"hole"});
}

int rules() {
    STEP(KX_KF_add_search_library("."));
    STEP(KX_KF_init_part(g_part));
    char* made = nullptr;
    STEP(KX_KF_create_child_rule(nullptr, "Root:", "p", "plate", 0, nullptr, nullptr, &made));
    KX_free(made);
    STEP(KX_KF_create_rule("Root:", "twice", "number", "p.area * 2", nullptr));
    char* text = nullptr;
    STEP(KX_KF_evaluate_rule_to_string("Root:twice", &text));
    KX_free(text);
    knowledge_value_p_t value = nullptr;
    STEP(KX_KF_evaluate_rule("Root:p:area", &value));
    STEP(KX_KF_free_rule_value(value));
    int n = 0;
    char** names = nullptr;
    STEP(KX_KF_ask_rules("Root:", &n, &names));
    KX_free_string_array(n, names);
    STEP(KX_KF_ask_rules_of_class("plate", &n, &names));
    KX_free_string_array(n, names);
    KX_KF_instance_p_t* instances = nullptr;
    STEP(KX_KF_adopt_jq_objects(&g_body, 1, &instances));
    const char* chain = nullptr;
    STEP(KX_KF_ask_name_chain_of_instance(instances[0], &chain));
    const std::string local = std::string(chain).substr(5, std::string(chain).size() - 6);
    KX_free(instances);
    STEP(KX_KF_create_rule_no_update("Root:", "litres", "number", (local + ".volume / 1000").c_str(), nullptr));
    STEP(KX_KF_evaluate_rule_to_string("Root:litres", &text));
    KX_free(text);
    STEP(KX_KF_ask_rule_text_of_referencing_object(g_body, &text));
    KX_free(text);
    STEP(KX_KF_JQMGR_ask_user_dfa_classes("designs", &n, &names));
    KX_free_string_array(n, names);
    STEP(KX_KF_JQMGR_list_user_classes_referenced("plate", &n, &names));
    KX_free_string_array(n, names);
    logical exists = false;
    STEP(KX_KF_JQMGR_is_user_dfa_class_exists("plate", &exists));
    STEP(KX_KF_delete_instance_rule("Root:", "litres"));
    return step("KX_KF_revert", [] { return KX_KF_revert("Root:"); });
}

// The same part with the tests' library of user functions on the
// application path.
void model_with_functions() {
    model();
    host::support::set_env("KX_APPLICATION_PATH", KX_TEST_KF_FUNCTIONS_DIR);
}

int calls() {
    STEP(KX_KF_init_part(g_part));
    STEP(KX_KF_create_rule_no_update("Root:", "twice", "integer", "extension('testfn', 'twice', 21)", nullptr));
    knowledge_value_p_t value = nullptr;
    STEP(KX_KF_evaluate_rule("Root:twice", &value));
    STEP(KX_KF_free_rule_value(value));
    STEP(KX_KF_create_rule_no_update("Root:", "n", "integer", "extension('testfn.dll', 'count', 1, 2)", nullptr));
    char* text = nullptr;
    STEP(KX_KF_evaluate_rule_to_string("Root:n", &text));
    KX_free(text);
    text = nullptr;
    STEP(KX_KF_create_rule_no_update("Root:", "none", "any", "extension('nosuchlib', 'twice', 1)", nullptr));
    STEP(KX_KF_evaluate_rule_to_string("Root:none", &text));
    KX_free(text);
    return 0;
}

TEST(KfRulesFaultSimulation, RuleCallsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"rule calls", calls, model_with_functions});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(KfRulesFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"knowledge rules", rules, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
