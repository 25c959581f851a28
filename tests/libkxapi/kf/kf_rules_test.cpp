// The knowledge language through the interface: every function's trace
// lines, ASCII checks and codes in one table; part preparation; the search
// path with and without the user override; listings; rule creation on the
// root and with children; evaluation to text and to a value; revert.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/rules/rules.h"
#include "host/base/services/memory.h"
#include "kx_core.h"
#include "kx_kf.h"
#include "libkxapi/core/kx_session.h"

namespace {

constexpr const char* kPlateClass = R"kcl({ rules = {
    width = { type = "number", flags = "parameter", formula = "20" },
    area  = { type = "number", formula = "width * 10" },
    hole  = { type = "child", class = "hole", params = { d = "width / 4" } },
    holes = { type = "child list", class = "hole", count = "2" } } })kcl";
constexpr const char* kHoleClass = R"kcl({ rules = {
    d = { type = "number", flags = "parameter", formula = "1" },
    r = { type = "number", formula = "d / 2" } } })kcl";

constexpr const char* kNonAscii = "caf\xc3\xa9";

class KfRules : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("kfr.prt");
        CONTEXT_set_work_part(part_);
        dir_ =
            std::filesystem::temp_directory_path() / ("kx_kfr_" + std::to_string(::getpid()) + "_" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        write("plate", kPlateClass);
        write("hole", kHoleClass);
        ASSERT_EQ(KX_KF_add_search_library(dir_.string().c_str()), 0);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove_all(dir_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    void write(const std::string& cls, const std::string& text) const { std::ofstream(dir_ / (cls + ".kcl")) << text; }
    // The part prepared with a plate "p" under the root.
    void prepare() {
        ASSERT_EQ(KX_KF_init_part(part_), 0);
        char* made = nullptr;
        ASSERT_EQ(KX_KF_create_child_rule(nullptr, "Root:", "p", "plate", 0, nullptr, nullptr, &made), 0);
        KX_free(made);
        host::rules::clear_trace();
    }
    static std::vector<std::string> path() {
        std::vector<std::string> out;
        char** p = KBL_ask_library_search_path();
        for (int i = 0; p && p[i]; ++i) {
            out.emplace_back(p[i]);
            SM_free(p[i]);
        }
        SM_free(p);
        return out;
    }
    // The trace lines written by the function (lines of the engine's own
    // evaluation left out).
    static std::vector<std::string> kf_lines() {
        std::vector<std::string> out;
        for (const std::string& l : host::rules::trace())
            if (l.find("KX_KF_") != std::string::npos) out.push_back(l);
        return out;
    }
    static std::string str(char* text) {
        std::string s = text ? text : "(null)";
        KX_free(text);
        return s;
    }
    static std::vector<std::string> strs(int n, char** names) {
        std::vector<std::string> out(names, names + n);
        KX_free_string_array(n, names);
        return out;
    }

    unsigned int part_ = 0;
    std::filesystem::path dir_;
};

// One function: a call that succeeds, the trace it writes, and a call with
// a non-ASCII text where it checks one.
struct Row {
    const char* name;
    std::function<int()> call;
    std::vector<std::string> lines;
    std::function<int()> non_ascii;
};

std::vector<Row> rows(KX_KF_rule_p_t area) {
    static KX_KF_rule_p_t rule = nullptr;
    static char* text = nullptr;
    static int n = 0;
    static char** names = nullptr;
    static logical yes = 0;
    static KX_KF_list_p_t list = nullptr;
    static knowledge_value_p_t value = nullptr;
    auto std_lines = [](const std::string& f) { return std::vector<std::string>{"pre " + f, f}; };
    auto drop = [] {
        KX_free(text);
        text = nullptr;
        KX_free_string_array(n, names);
        names = nullptr;
        n = 0;
    };
    auto with = [drop](int st) {
        drop();
        return st;
    };
    auto rule_of = [area] { return area; };
    std::vector<Row> out = {
        {"KX_KF_ask_classes", [=] { return with(KX_KF_ask_classes(0, &n, &names)); }, std_lines("KX_KF_ask_classes"),
         nullptr},
        {"KX_KF_ask_all_classes", [=] { return with(KX_KF_ask_all_classes(&n, &names)); },
         std_lines("KX_KF_ask_all_classes"), nullptr},
        {"KX_KF_ask_ancestor_classes", [=] { return with(KX_KF_ask_ancestor_classes("plate", &n, &names)); },
         std_lines("KX_KF_ask_ancestor_classes"),
         [=] { return with(KX_KF_ask_ancestor_classes(kNonAscii, &n, &names)); }},
        {"KX_KF_ask_rules_of_class", [=] { return with(KX_KF_ask_rules_of_class("plate", &n, &names)); },
         std_lines("KX_KF_ask_rules_of_class"), [=] { return with(KX_KF_ask_rules_of_class(kNonAscii, &n, &names)); }},
        {"KX_KF_ask_rules", [=] { return with(KX_KF_ask_rules("Root:p:", &n, &names)); }, std_lines("KX_KF_ask_rules"),
         [=] { return with(KX_KF_ask_rules(kNonAscii, &n, &names)); }},
        {"KX_KF_ask_parameters", [=] { return with(KX_KF_ask_parameters("plate", &names, &n)); },
         std_lines("KX_KF_ask_parameters"), [=] { return with(KX_KF_ask_parameters(kNonAscii, &names, &n)); }},
        {"KX_KF_ask_rule_types", [=] { return with(KX_KF_ask_rule_types(&n, &names)); },
         std_lines("KX_KF_ask_rule_types"), nullptr},
        {"KX_KF_create_rule", [=] { return KX_KF_create_rule("Root:p:", "extra", "number", "1", nullptr); },
         std_lines("KX_KF_create_rule"),
         [=] { return KX_KF_create_rule("Root:p:", kNonAscii, "number", "1", nullptr); }},
        {"KX_KF_create_rule_no_update",
         [=] { return KX_KF_create_rule_no_update("Root:p:", "extra2", "number", "2", nullptr); },
         std_lines("KX_KF_create_rule"),
         [=] { return KX_KF_create_rule_no_update("Root:p:", "x", "number", kNonAscii, nullptr); }},
        {"KX_KF_delete_instance_rule", [=] { return KX_KF_delete_instance_rule("Root:p:", "extra2"); },
         std_lines("KX_KF_delete_instance_rule"), [=] { return KX_KF_delete_instance_rule("Root:p:", kNonAscii); }},
        {"KX_KF_revert", [=] { return KX_KF_revert("Root:p:"); }, std_lines("KX_KF_revert"),
         [=] { return KX_KF_revert(kNonAscii); }},
        {"KX_KF_ask_rule_type", [=] { return with(KX_KF_ask_rule_type(rule_of(), &text)); },
         std_lines("KX_KF_ask_rule_type"), nullptr},
        {"KX_KF_ask_rule_name", [=] { return with(KX_KF_ask_rule_name(rule_of(), &text)); },
         std_lines("KX_KF_ask_rule_name"), nullptr},
        {"KX_KF_ask_default_formula", [=] { return with(KX_KF_ask_default_formula(rule_of(), &text)); },
         std_lines("KX_KF_ask_default_formula"), nullptr},
        {"KX_KF_is_cached_rule",
         [=] { return KX_KF_is_cached_rule(rule_of(), &yes); },
         {"pre KX_KF_is_cached_rule", "pre KX_KF_is_cached_rule"},
         nullptr},
        {"KX_KF_is_local", [=] { return KX_KF_is_local("Root:p:area", nullptr, &yes); }, std_lines("KX_KF_is_local"),
         [=] { return KX_KF_is_local(kNonAscii, nullptr, &yes); }},
        {"KX_KF_is_rule_in_class", [=] { return KX_KF_is_rule_in_class("plate", "area", &yes); },
         std_lines("KX_KF_is_rule_in_class"), [=] { return KX_KF_is_rule_in_class("plate", kNonAscii, &yes); }},
        {"KX_KF_ask_rule_of_instance", [=] { return KX_KF_ask_rule_of_instance("Root:p:", "area", &rule); },
         std_lines("KX_KF_ask_rule_of_instance"), [=] { return KX_KF_ask_rule_of_instance(kNonAscii, "area", &rule); }},
        {"KX_KF_ask_parameter_type", [=] { return with(KX_KF_ask_parameter_type("Root:p:", "width", &text)); },
         std_lines("KX_KF_ask_parameter_type"),
         [=] { return with(KX_KF_ask_parameter_type("Root:p:", kNonAscii, &text)); }},
        {"KX_KF_ask_parameter_formula", [=] { return with(KX_KF_ask_parameter_formula("Root:p:", "width", &text)); },
         std_lines("KX_KF_ask_parameter_formula"),
         [=] { return with(KX_KF_ask_parameter_formula(kNonAscii, "width", &text)); }},
        {"KX_KF_is_rule_computed", [=] { return KX_KF_is_rule_computed("Root:p:", "area", &yes); },
         std_lines("KX_KF_is_rule_computed"), [=] { return KX_KF_is_rule_computed("Root:p:", kNonAscii, &yes); }},
        {"KX_KF_ask_instance_class", [=] { return with(KX_KF_ask_instance_class("Root:p:", &text)); },
         std_lines("KX_KF_ask_instance_class"), [=] { return with(KX_KF_ask_instance_class(kNonAscii, &text)); }},
        {"KX_KF_ask_list_of_instance", [=] { return KX_KF_ask_list_of_instance("Root:p:holes_1:", &list); },
         std_lines("KX_KF_ask_list_of_instance"), [=] { return KX_KF_ask_list_of_instance(kNonAscii, &list); }},
        {"KX_KF_is_child_list_instance", [=] { return KX_KF_is_child_list_instance("Root:p:", &yes); },
         std_lines("KX_KF_is_child_list_instance"), [=] { return KX_KF_is_child_list_instance(kNonAscii, &yes); }},
        {"KX_KF_evaluate_rule",
         [=] {
             const int st = KX_KF_evaluate_rule("Root:p:area", &value);
             KBL_free_value(reinterpret_cast<KBL_value_t*>(value));
             return st;
         },
         std_lines("KX_KF_evaluate_rule"), [=] { return KX_KF_evaluate_rule(kNonAscii, &value); }},
        {"KX_KF_evaluate_rule_to_string", [=] { return with(KX_KF_evaluate_rule_to_string("Root:p:area", &text)); },
         std_lines("KX_KF_evaluate_rule_to_string"),
         [=] { return with(KX_KF_evaluate_rule_to_string(kNonAscii, &text)); }},
    };
    for (const char* p :
         {"is_child_rule", "is_parameter_rule", "is_canonical_rule", "is_modifiable_rule", "is_uncached_rule",
          "is_lookup_rule", "is_hidden_rule", "is_method", "is_dynamic", "is_child_list_rule"}) {
        const std::string f = std::string("KX_KF_") + p;
        using Pred = int (*)(KX_KF_rule_p_t, logical*);
        static const std::vector<std::pair<std::string, Pred>> preds = {
            {"KX_KF_is_child_rule", KX_KF_is_child_rule},
            {"KX_KF_is_parameter_rule", KX_KF_is_parameter_rule},
            {"KX_KF_is_canonical_rule", KX_KF_is_canonical_rule},
            {"KX_KF_is_modifiable_rule", KX_KF_is_modifiable_rule},
            {"KX_KF_is_uncached_rule", KX_KF_is_uncached_rule},
            {"KX_KF_is_lookup_rule", KX_KF_is_lookup_rule},
            {"KX_KF_is_hidden_rule", KX_KF_is_hidden_rule},
            {"KX_KF_is_method", KX_KF_is_method},
            {"KX_KF_is_dynamic", KX_KF_is_dynamic},
            {"KX_KF_is_child_list_rule", KX_KF_is_child_list_rule}};
        Pred fn = nullptr;
        for (const auto& [name, pred] : preds)
            if (name == f) fn = pred;
        out.push_back({"predicate", [=] { return fn(rule_of(), &yes); }, std_lines(f), nullptr});
    }
    out.push_back({"KX_KF_delete_class_rule",
                   [=] { return KX_KF_delete_class_rule("plate", "area"); },
                   {"pre KX_KF_celete_class_rule", "KX_KF_celete_class_rule"},
                   [=] { return KX_KF_delete_class_rule(kNonAscii, "area"); }});
    return out;
}

TEST_F(KfRules, EveryFunctionTracesChecksAsciiAndNeedsTheSession) {
    prepare();
    KX_KF_rule_p_t area = reinterpret_cast<KX_KF_rule_p_t>(KBL_ask_rule_of_name("plate", "area"));
    ASSERT_NE(area, nullptr);
    for (const Row& r : rows(area)) {
        SCOPED_TRACE(r.lines.front());
        host::rules::clear_trace();
        EXPECT_EQ(r.call(), 0);
        EXPECT_EQ(kf_lines(), r.lines);
        if (r.non_ascii) {
            host::rules::clear_trace();
            EXPECT_EQ(r.non_ascii(), 1105031);
            const std::vector<std::string> lines = kf_lines();
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.front(), r.lines.front());
            EXPECT_EQ(lines.back(), r.lines.back()) << "the closing line on failure too";
        }
    }
    kx_reset_session_for_tests();
    for (const Row& r : rows(area)) {
        SCOPED_TRACE(r.lines.front());
        host::rules::clear_trace();
        EXPECT_EQ(r.call(), 1105000);
        EXPECT_TRUE(kf_lines().empty());
    }
}

TEST_F(KfRules, PartPreparationMapsTheEnginesAnswers) {
    host::rules::clear_trace();
    EXPECT_EQ(KX_KF_init_part(0), 3130025) << "no such part";
    EXPECT_EQ(kf_lines(), (std::vector<std::string>{"pre KX_KF_init_part", "KX_KF_init_part"}));
    write("broken", "{ rules = ");
    EXPECT_EQ(KX_KF_init_part(part_), 3130027) << "a class file skipped";
    std::filesystem::remove(dir_ / "broken.kcl");
    EXPECT_EQ(KX_KF_init_part(part_), 0);
    logical on = 0;
    ASSERT_EQ(KX_KF_is_initialized(&on), 0);
    EXPECT_TRUE(on);
}

TEST_F(KfRules, SearchDirectoryGoesLastOrFirstWithTheOverride) {
    const std::string home = dir_.string();
    EXPECT_EQ(path(), std::vector<std::string>{home}) << "one directory on an empty path";
    ASSERT_EQ(KX_KF_add_search_library("/tmp/kx_b"), 0);
    EXPECT_EQ(path(), (std::vector<std::string>{home, "/tmp/kx_b"}));
    ASSERT_EQ(KX_KF_set_user_override(1), 0);
    ASSERT_EQ(KX_KF_add_search_library("/tmp/kx_c"), 0);
    EXPECT_EQ(path(), (std::vector<std::string>{"/tmp/kx_c", home, "/tmp/kx_b"}));
    EXPECT_EQ(KX_KF_add_search_library(nullptr), 1105004);
    EXPECT_EQ(path().size(), 3u);
}

TEST_F(KfRules, ClassSelectorsOutsideTheRangeListAllClasses) {
    prepare();
    int n = 0;
    char** names = nullptr;
    ASSERT_EQ(KX_KF_ask_classes(2, &n, &names), 0);
    const std::vector<std::string> all = strs(n, names);
    for (int selector : {5, -1}) {
        ASSERT_EQ(KX_KF_ask_classes(selector, &n, &names), 0);
        EXPECT_EQ(strs(n, names), all) << selector;
    }
    ASSERT_EQ(KX_KF_ask_classes(0, &n, &names), 0);
    EXPECT_EQ(strs(n, names), (std::vector<std::string>{"hole", "plate"}));
    ASSERT_EQ(KX_KF_ask_parameters("plate", &names, &n), 0);
    EXPECT_EQ(strs(n, names), std::vector<std::string>{"width"});
}

TEST_F(KfRules, DynamicRulesOnTheRootEvaluateToTextAndValue) {
    prepare();
    ASSERT_EQ(KX_KF_create_rule(nullptr, "twice", "Number", "p.area * 2", nullptr), 0) << "NULL chain is the root";
    int n = 0;
    char** names = nullptr;
    ASSERT_EQ(KX_KF_ask_rules("Root:", &n, &names), 0);
    EXPECT_EQ(strs(n, names), (std::vector<std::string>{"p", "twice"}));
    char* text = nullptr;
    ASSERT_EQ(KX_KF_evaluate_rule_to_string("Root:twice", &text), 0);
    EXPECT_EQ(str(text), "400");
    knowledge_value_p_t v = nullptr;
    ASSERT_EQ(KX_KF_evaluate_rule("Root:twice", &v), 0);
    double d = 0;
    ASSERT_EQ(KX_KF_ask_number(v, &d), 0);
    EXPECT_EQ(d, 400);
    KX_KF_free_rule_value(v);
    logical local = 0;
    ASSERT_EQ(KX_KF_is_local("Root:twice", nullptr, &local), 0);
    EXPECT_TRUE(local);
    // A failing evaluation answers the engine's code and clears the output.
    v = reinterpret_cast<knowledge_value_p_t>(1);
    EXPECT_EQ(KX_KF_evaluate_rule("Root:missing", &v), KBL_ERR_NO_RULE);
    EXPECT_EQ(v, nullptr);
}

TEST_F(KfRules, ChildRulesNeedThePartOrTheRoot) {
    prepare();
    struct Case {
        const char* chain;
        const char* type;
        int status;
    };
    for (const Case& c : {Case{"Root:nowhere:", "child", 1105005}, Case{"root:", "Child", 0},
                          Case{"Root:nowhere:", "number", KBL_ERR_NO_INSTANCE}}) {
        host::rules::clear_trace();
        EXPECT_EQ(KX_KF_create_rule_no_update(c.chain, "c1", c.type, "plate", nullptr), c.status) << c.chain;
        if (c.status == 1105005) {
            EXPECT_TRUE(kf_lines().empty()) << "refused before the trace";
        }
        if (c.status == KBL_ERR_NO_INSTANCE) {
            EXPECT_EQ(kf_lines(), (std::vector<std::string>{"pre KX_KF_create_rule", "KX_KF_create_rule failed",
                                                            "KX_KF_create_rule"}));
        }
        KX_KF_delete_instance_rule("Root:", "c1");
    }
    EXPECT_EQ(KX_KF_create_rule("Root:", "c2", nullptr, "x", nullptr), 1105006) << "a rule type is required";
    char* made = nullptr;
    EXPECT_EQ(KX_KF_create_child_rule(nullptr, "Root:nowhere:", "c", "hole", 0, nullptr, nullptr, &made), 1105005);
    char* pn[] = {const_cast<char*>("d")};
    char* pv[] = {const_cast<char*>("8")};
    EXPECT_EQ(KX_KF_create_child_rule(nullptr, "Root:p:", "c", "hole", -1, pn, pv, &made), 1105013);
    ASSERT_EQ(KX_KF_create_child_rule(nullptr, "Root:p:", "c", "hole", 1, pn, pv, &made), 0);
    EXPECT_EQ(str(made), "Root:p:c:");
    char* text = nullptr;
    ASSERT_EQ(KX_KF_evaluate_rule_to_string("Root:p:c:r", &text), 0);
    EXPECT_EQ(str(text), "4");
    char* bad[] = {const_cast<char*>(kNonAscii)};
    EXPECT_EQ(KX_KF_create_child_rule(nullptr, "Root:p:", "c3", "hole", 1, pn, bad, &made), 1105031);
    EXPECT_EQ(made, nullptr);
    ASSERT_EQ(KX_KF_revert("Root:p:"), 0);
    int n = 0;
    char** names = nullptr;
    ASSERT_EQ(KX_KF_ask_rules("Root:p:", &n, &names), 0);
    EXPECT_EQ(n, 0) << "revert removes the dynamic rules";
    KX_free_string_array(n, names);
}

TEST_F(KfRules, ChainQueriesAnswerTheEngine) {
    prepare();
    char* text = nullptr;
    ASSERT_EQ(KX_KF_ask_instance_class("Root:p:", &text), 0);
    EXPECT_EQ(str(text), "plate");
    ASSERT_EQ(KX_KF_ask_parameter_type("Root:p:", "width", &text), 0);
    EXPECT_EQ(str(text), "number");
    KX_KF_list_p_t list = nullptr;
    EXPECT_EQ(KX_KF_ask_list_of_instance("Root:p:", &list), 3095003) << "no item of a child list";
    logical yes = 0;
    ASSERT_EQ(KX_KF_is_child_list_instance("Root:p:holes_1:", &yes), 0);
    EXPECT_TRUE(yes);
    KX_KF_rule_p_t rule = nullptr;
    ASSERT_EQ(KX_KF_ask_rule_of_name("plate", "width", &rule), 0);
    ASSERT_NE(rule, nullptr);
    ASSERT_EQ(KX_KF_is_parameter_rule(rule, &yes), 0);
    EXPECT_TRUE(yes);
    ASSERT_EQ(KX_KF_is_child_rule(rule, &yes), 0);
    EXPECT_FALSE(yes);
    KX_KF_instance_p_t inst = reinterpret_cast<KX_KF_instance_p_t>(KBL_ask_instance("Root:p:"));
    const char* chain = nullptr;
    ASSERT_EQ(KX_KF_ask_name_chain_of_instance(inst, &chain), 0);
    EXPECT_STREQ(chain, "Root:p:");
    int not_an_instance = 0;
    EXPECT_EQ(KX_KF_ask_name_chain_of_instance(reinterpret_cast<KX_KF_instance_p_t>(&not_an_instance), &chain),
              1105004);
}

TEST_F(KfRules, AdoptedBodiesSumTheirVolumesAndAnUnadoptableObjectFailsAll) {
    prepare();
    const double origin[3] = {0, 0, 0}, a[3] = {1, 2, 3}, b[3] = {2, 2, 2};
    int one = 0, two = 0;
    ZQ_BODY_make_block(origin, a, &one);
    ZQ_BODY_make_block(origin, b, &two);
    const tag bodies[3] = {host::kernel::object_of(one), host::kernel::object_of(two), 999999u};
    KX_KF_instance_p_t* insts = reinterpret_cast<KX_KF_instance_p_t*>(1);
    EXPECT_EQ(KX_KF_adopt_jq_objects(bodies, 0, &insts), 1105004);
    EXPECT_EQ(insts, nullptr);
    EXPECT_TRUE(kf_lines().empty()) << "refused before the trace";
    insts = reinterpret_cast<KX_KF_instance_p_t*>(1);
    EXPECT_EQ(KX_KF_adopt_jq_objects(bodies, 3, &insts), 1105004) << "no such object at index 2";
    EXPECT_EQ(insts, nullptr);
    ASSERT_EQ(KX_KF_adopt_jq_objects(bodies, 2, &insts), 0);
    ASSERT_NE(insts, nullptr);
    const char* chains[2] = {};
    for (int i = 0; i < 2; ++i) ASSERT_EQ(KX_KF_ask_name_chain_of_instance(insts[i], &chains[i]), 0);
    KX_free(insts);
    std::string formula;
    for (const char* c : chains) {
        const std::string chain = c;
        formula += (formula.empty() ? "" : " + ") + chain.substr(5, chain.size() - 6) + ".volume";
    }
    ASSERT_EQ(KX_KF_create_rule("Root:", "total", "number", formula.c_str(), nullptr), 0);
    char* text = nullptr;
    ASSERT_EQ(KX_KF_evaluate_rule_to_string("Root:total", &text), 0);
    EXPECT_EQ(std::stod(str(text)), 14) << "6 + 8";
}

TEST_F(KfRules, ThePipelineClearsItsOutputAndPassesTheHostsCode) {
    int arg = 0;
    void* out = &arg;
    host::rules::clear_trace();
    EXPECT_EQ(KX_KF_start_pipeline(&arg, nullptr, nullptr, &out), KBL_ERR_NO_SERVER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host::rules::trace(), std::vector<std::string>{"request server not available"}) << "no trace lines";
    EXPECT_EQ(KX_KF_start_pipeline(&arg, nullptr, nullptr, nullptr), 1105007);
    kx_reset_session_for_tests();
    out = &arg;
    EXPECT_EQ(KX_KF_start_pipeline(&arg, nullptr, nullptr, &out), 1105000);
}

}  // namespace
