// The rest of the knowledge-language interface under fault simulation: the
// session switches, the value makers and readers of every kind, instances
// of adopted bodies, rule flags, a class rule removed, user-library calls
// and the product-data manager's function queries. A host error at each
// host call must leave a clean status, no armed frame, no leaked block and
// the model as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/platform/pdm/kf_classes.h"
#include "host/model/rules/rules.h"
#include "host/platform/support/support.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_body = NULL_TAG;
KX_KF_instance_p_t g_root = nullptr, g_plate = nullptr;
knowledge_value g_self{};  // the root instance's value, as a user function finds it past its arguments

// A prepared part with a plate instance on its root, a block adopted
// under the root, a class file in the current directory, the tests' user
// library on the application path, and a manager that files a class and
// the function it refers to.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("kfwalk.prt");
    CONTEXT_set_work_part(g_part);
    std::ofstream("plate.kcl") << "{ rules = { width = { type = 'number', flags = 'parameter', formula = '35' },"
                                  " area = { type = 'number', formula = 'width * 7' } } }";
    host::support::set_env("KX_APPLICATION_PATH", KX_TEST_KF_FUNCTIONS_DIR);
    KX_KF_add_search_library(".");
    KX_KF_init_part(g_part);
    char* made = nullptr;
    KX_KF_create_child_rule(nullptr, "Root:", "p", "plate", 0, nullptr, nullptr, &made);
    KX_free(made);
    const double origin[3] = {0, 0, 0}, size[3] = {3, 5, 7};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    g_body = host::kernel::object_of(body);
    KX_KF_instance_p_t* instances = nullptr;
    KX_KF_adopt_jq_objects(&g_body, 1, &instances);
    KX_free(instances);
    g_root = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:"));
    g_plate = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:p:"));
    KBE_object_t object = KBE_create_instance_object(g_part, KBL_ask_instance("Root:"));
    DFK_convert_value(object, reinterpret_cast<KBL_value_t*>(&g_self));
    KBE_delete_object(object);
    host::support::set_jqmanager_active(true);
    host::pdm::kf_add_class("designs", "plate", {"area_fn"});
    host::pdm::kf_add_function("functions", "area_fn");
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

int session() {
    logical available = false;
    STEP(KX_KF_is_initialized(&available));
    STEP(KX_KF_set_user_override(1));
    STEP(KX_KF_set_user_override(0));
    STEP(KX_KF_set_user_class_dir("classes", 3));
    const char* dir = nullptr;
    STEP(KX_KF_ask_user_class_dir(&dir));
    // The host has no request server: the call answers its code.
    void* output = nullptr;
    step("KX_KF_start_pipeline", [&] { return KX_KF_start_pipeline(nullptr, nullptr, nullptr, &output); });
    int n = 0;
    char** names = nullptr;
    STEP(KX_KF_JQMGR_ask_user_dfa_funcs(nullptr, &n, &names));
    KX_free_string_array(n, names);
    STEP(KX_KF_JQMGR_list_user_funcs_referenced("plate", &n, &names));
    KX_free_string_array(n, names);
    logical exists = false;
    STEP(KX_KF_JQMGR_is_user_dfa_func_exists("area_fn", &exists));
    return step("KX_KF_JQMGR_is_folder_exists", [&] { return KX_KF_JQMGR_is_folder_exists("designs", &exists); });
}

int values() {
    knowledge_value_p_t yes = nullptr, seven = nullptr, along = nullptr, word = nullptr, error = nullptr,
                        named = nullptr, object = nullptr, text = nullptr, point = nullptr, self = nullptr,
                        list_value = nullptr;
    STEP(KX_KF_make_boolean(1, &yes));
    STEP(KX_KF_make_integer(-37, &seven));
    const double v[3] = {0.6, -0.8, 2.5};
    STEP(KX_KF_make_vector(v, &along));
    STEP(KX_KF_make_user(913, &word));
    STEP(KX_KF_make_error(1105019, &error));
    KX_KF_name_t name = nullptr;
    STEP(KX_KF_ask_name_of_string("flange", &name));
    STEP(KX_KF_make_name(name, &named));
    STEP(KX_KF_make_tag(g_body, &object));
    STEP(KX_KF_make_string("rib", &text));
    const double p[3] = {4.5, -1.25, 9};
    STEP(KX_KF_make_point(p, &point));
    logical b = false;
    int i = 0, kind = 0;
    double out[3] = {};
    tag t = NULL_TAG;
    char* s = nullptr;
    KX_KF_name_t n = nullptr;
    STEP(KX_KF_ask_boolean(yes, &b));
    STEP(KX_KF_ask_integer(seven, &i));
    STEP(KX_KF_ask_vector(along, out));
    STEP(KX_KF_ask_point(point, out));
    STEP(KX_KF_ask_user(word, &i));
    STEP(KX_KF_ask_error(error, &i));
    STEP(KX_KF_ask_name(named, &n));
    STEP(KX_KF_ask_tag(object, &t));
    STEP(KX_KF_ask_string(text, &s));
    STEP(KX_KF_ask_type(along, &kind));
    KX_KF_instance_p_t instance = nullptr, again = nullptr;
    STEP(KX_KF_ask_morvain_object(g_body, &instance));
    STEP(KX_KF_ask_jq_object(instance, &t));
    STEP(KX_KF_make_instance(instance, &self));
    STEP(KX_KF_ask_instance(self, &again));
    KX_KF_list_p_t list = nullptr, back = nullptr;
    STEP(KX_KF_list_push(list, seven, &list));
    STEP(KX_KF_list_push(list, point, &list));
    STEP(KX_KF_make_list(list, &list_value));
    STEP(KX_KF_ask_list(list_value, &back));
    int count = 0;
    STEP(KX_KF_count_list_items(list_value, &count));
    char* rule_name = nullptr;
    char* rule_type = nullptr;
    knowledge_value_p_t item = nullptr;
    const int st = step("KX_KF_ask_value_of_list_item",
                        [&] { return KX_KF_ask_value_of_list_item(g_plate, 1, &rule_name, &rule_type, &item); });
    KX_free(rule_name);
    KX_free(rule_type);
    if (st != 0) return st;
    STEP(KX_KF_free_rule_value(item));
    return step("KX_KF_free_list_object_contents", [&] { return KX_KF_free_list_object_contents(g_plate); });
}

// The twelve flag questions of a rule, then the rule removed from its
// class.
int rule_flags() {
    KX_KF_rule_p_t rule = nullptr;
    STEP(KX_KF_ask_rule_of_name("plate", "width", &rule));
    logical answer = false;
    STEP(KX_KF_is_child_rule(rule, &answer));
    STEP(KX_KF_is_parameter_rule(rule, &answer));
    STEP(KX_KF_is_canonical_rule(rule, &answer));
    STEP(KX_KF_is_modifiable_rule(rule, &answer));
    STEP(KX_KF_is_uncached_rule(rule, &answer));
    STEP(KX_KF_is_lookup_rule(rule, &answer));
    STEP(KX_KF_is_hidden_rule(rule, &answer));
    STEP(KX_KF_is_cached_rule(rule, &answer));
    STEP(KX_KF_is_method(rule, &answer));
    STEP(KX_KF_is_dynamic(rule, &answer));
    STEP(KX_KF_is_child_list_rule(rule, &answer));
    return step("KX_KF_delete_class_rule", [] { return KX_KF_delete_class_rule("plate", "area"); });
}

// The error number of a result record that holds an error value, else 0.
int error_of(const knowledge_value& v) {
    int number = 0;
    return KX_KF_ask_error(&v, &number) == 0 ? number : 0;
}

// Direct calls into the user library; the invocations answer nothing: the
// result record tells, as an error value of the code, when one failed.
int user_calls() {
    knowledge_value result{};
    step("KX_KF_invoke_kestrix_extension", [&] {
        KX_KF_invoke_kestrix_extension(g_root, call_args({number_value(7.5), text_value("testfn"), text_value("half")}),
                                       &result);
        return error_of(result);
    });
    step("KX_KF_invoke_kestrix_extension_dialog", [&] {
        KX_KF_invoke_kestrix_extension_dialog(g_root, call_args({number_value(3), text_value("testfn"), text_value("twice")}),
                                              &result);
        return error_of(result);
    });
    knowledge_value_p_t vector[] = {&g_self};
    KX_KF_instance_p_t found = nullptr;
    return step("KX_KF_ask_instance_of_args", [&] { return KX_KF_ask_instance_of_args(vector, 0, &found); });
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "") << story.name;
    EXPECT_GT(r.runs, 0u) << story.name;
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(KfWalkFaultSimulation, SessionAndManagerCallsEndClean) { expect_clean({"kf session", session, model}); }

TEST(KfWalkFaultSimulation, ValuesOfEveryKindEndClean) { expect_clean({"kf values of every kind", values, model}); }

TEST(KfWalkFaultSimulation, RuleFlagsAndClassRuleRemovalEndClean) { expect_clean({"kf rule flags", rule_flags, model}); }

TEST(KfWalkFaultSimulation, UserLibraryCallsEndClean) { expect_clean({"kf user calls", user_calls, model}); }

}  // namespace
