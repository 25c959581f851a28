// The knowledge engine: class files and name chains, cached evaluation and
// invalidation counted through the trace, formulas that fail in every way,
// the class-file reader, the value services' lists, adoption of bodies,
// library calls, part preparation.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"
#include "tests/host/model/rules/rules_test.h"

namespace {

using host::rules::clear_trace;
using host::rules::trace;
using host::rules::trace_count;

std::vector<std::string> evaluations() {
    std::vector<std::string> out;
    for (const std::string& l : trace())
        if (l.rfind("evaluate ", 0) == 0) out.push_back(l.substr(9));
    return out;
}

TEST_F(RulesTest, BracketAreaIsTheProductOfItsParameters) {
    prepare_bracket();
    EXPECT_EQ(number("Root:b:area"), 200);
    EXPECT_EQ(evaluations(), (std::vector<std::string>{"Root:b", "Root:b:width", "Root:b:height", "Root:b:area"}));
    clear_trace();
    EXPECT_EQ(number("Root:b:area"), 200);
    EXPECT_TRUE(evaluations().empty()) << "read again from the cache";
    EXPECT_EQ(KBL_is_rule_computed("Root:b:", "area"), 1);
}

TEST_F(RulesTest, AnEditRecomputesOnlyItsDependants) {
    prepare_bracket();
    ASSERT_EQ(number("Root:b:area"), 200);
    ASSERT_EQ(number("Root:b:hole:area"), 3.14159265358979323846 * 2.5 * 2.5);
    EXPECT_EQ(KBL_is_rule_computed("Root:b:", "height"), 1);
    clear_trace();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "30", nullptr), 0);
    EXPECT_EQ(KBL_is_rule_computed("Root:b:", "area"), 0);
    EXPECT_EQ(KBL_is_rule_computed("Root:b:", "height"), 1);
    EXPECT_EQ(number("Root:b:area"), 300);
    EXPECT_EQ(evaluations(), (std::vector<std::string>{"Root:b:width", "Root:b:area"}));
    clear_trace();
    EXPECT_DOUBLE_EQ(number("Root:b:hole:d"), 7.5);  // the parameter the parent gives reads the edit
    EXPECT_EQ(evaluations(), (std::vector<std::string>{"Root:b:hole:d"}));
    // Reverting the instance puts the class's formula back; reverting
    // everything takes the bracket itself away.
    const char* const chains[] = {"Root:b:"};
    ASSERT_EQ(KBL_revert(1, chains, 0), 0);
    EXPECT_EQ(number("Root:b:area"), 200);
    ASSERT_EQ(KBL_revert(0, nullptr, 0), 0);
    int st = 0;
    eval("Root:b:area", &st);
    EXPECT_EQ(st, KBL_ERR_NO_INSTANCE);
}

TEST_F(RulesTest, NameChainsReachChildrenAndListItems) {
    prepare_bracket();
    EXPECT_STREQ(KBL_ask_instance_class("Root:"), "root");
    EXPECT_STREQ(KBL_ask_instance_class("Root:b:"), "bracket");
    EXPECT_STREQ(KBL_ask_instance_class("root:b"), "bracket");
    EXPECT_STREQ(KBL_ask_instance_class("Root:b:hole:"), "hole");
    EXPECT_STREQ(KBL_ask_instance_class("Root:b:holes_3:"), "hole");
    EXPECT_EQ(KBL_ask_instance_class("Root:b:holes_4:"), nullptr);
    EXPECT_EQ(KBL_ask_instance_class("Root:b:nothing:"), nullptr);
    EXPECT_EQ(KBL_ask_instance_class("Top:b:"), nullptr);
    KBL_instance_t hole = KBL_ask_instance("Root:b:hole:");
    ASSERT_NE(hole, nullptr);
    EXPECT_STREQ(KBL_ask_name_chain_of_instance(hole), "Root:b:hole:");
    EXPECT_EQ(KBE_ask_object_class(hole), KBE_CLASS_INSTANCE);
    // Rules of the ancestor class, and the list rule's items.
    const KBL_value_t label = eval("Root:b:label");
    ASSERT_EQ(label.kind, unsigned(KBL_KIND_STRING));
    EXPECT_STREQ(label.payload.text, "shape");
    const KBL_value_t holes = eval("Root:b:holes");
    ASSERT_EQ(holes.kind, unsigned(KBL_KIND_LIST));
    EXPECT_EQ(KBL_count_list_items(&holes), 3);
    const KBL_value_t* second = KBL__list_nth(2, static_cast<KBL_list_t>(holes.payload.pointer));
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(KBL_ask_name_chain_of_instance(static_cast<KBL_instance_t>(second->payload.pointer)),
                 "Root:b:holes_2:");
    // Rule handles.
    KBL_rule_t width = KBL_ask_rule_of_instance("Root:b:", "width");
    ASSERT_NE(width, nullptr);
    EXPECT_STREQ(KBL_ask_rule_type(width), "number");
    EXPECT_STREQ(KBL_ask_default_formula(width), "20");
    EXPECT_EQ(KBL_ask_rule_of_name("bracket", "label"), KBL_ask_rule_of_name("shape", "label"));
    int st = 0;
    eval("Root:b:missing", &st);
    EXPECT_EQ(st, KBL_ERR_NO_RULE);
    eval("Root:x:area", &st);
    EXPECT_EQ(st, KBL_ERR_NO_INSTANCE);
}

// A host text's characters, the text given back.
std::string text_of(TEXT_p_t text) {
    std::string s(static_cast<std::size_t>(TEXT_strlen(text)) + 1, '\0');
    TEXT_strcpy(s.data(), text);
    TEXT_free(text);
    return s.c_str();
}

// The texts of a listing, the host blocks given back.
std::vector<std::string> texts(int count, TEXT_p_t* array) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(text_of(array[i]));
    SM_free(array);
    return out;
}

TEST_F(RulesTest, ListingsAndPredicates) {
    prepare_bracket();
    using V = std::vector<std::string>;
    int n = 0;
    TEXT_p_t* a = nullptr;
    ASSERT_EQ(KBL_ask_all_classes(0, &n, &a), 0);
    EXPECT_EQ(texts(n, a), (V{"bracket", "hole", "shape"}));
    ASSERT_EQ(KBL_ask_all_classes(1, &n, &a), 0);
    EXPECT_EQ(texts(n, a), (V{"root", "model_object", "model_body"}));
    ASSERT_EQ(KBL_ask_all_classes(2, &n, &a), 0);
    EXPECT_EQ(n, 6);
    texts(n, a);
    ASSERT_EQ(KBL_ask_component_classes("bracket", &n, &a), 0);
    EXPECT_EQ(texts(n, a), (V{"shape"}));
    ASSERT_EQ(KBL_ask_rules_of_class("bracket", &n, &a), 0);
    EXPECT_EQ(texts(n, a), (V{"area", "height", "hole", "holes", "kind", "label", "width"}));
    ASSERT_EQ(KBL_ask_parameters("bracket", &a, &n), 0);
    EXPECT_EQ(texts(n, a), (V{"height", "width"}));
    EXPECT_EQ(KBL_ask_parameters("nothing", &a, &n), KBL_ERR_NO_CLASS);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "25", nullptr), 0);
    ASSERT_EQ(KBL_ask_dynamic_rules("Root:b:", &n, &a), 0);
    EXPECT_EQ(texts(n, a), (V{"width"}));
    EXPECT_EQ(KBL_is_local("Root:b:width", nullptr), 1);
    EXPECT_EQ(KBL_is_local("Root:b:height", nullptr), 0);
    EXPECT_STREQ(KBL_ask_param_formula("Root:b:", "width"), "25");
    EXPECT_EQ(KBL_ask_param_formula("Root:b:", "area"), nullptr);
    ASSERT_EQ(KBL_ask_rule_types(&n, &a), 0);
    EXPECT_EQ(texts(n, a).size(), 16u);
    EXPECT_EQ(KBL_is_rule_in_class("bracket", "label"), 1);
    EXPECT_EQ(KBL_is_rule_in_class("shape", "area"), 0);
    struct Row {
        const char* cls;
        const char* rule;
        int (*predicate)(KBL_rule_t);
        int answer;
    };
    for (const Row& r :
         {Row{"bracket", "width", KBL_is_parameter_rule, 1}, Row{"bracket", "area", KBL_is_parameter_rule, 0},
          Row{"bracket", "area", KBL_is_cached_rule, 1}, Row{"bracket", "hole", KBL_is_child_rule, 1},
          Row{"bracket", "holes", KBL_is_child_list_rule, 1}, Row{"bracket", "hole", KBL_is_child_list_rule, 0},
          Row{"model_body", "volume", KBL_is_uncached_rule, 1}, Row{"model_body", "volume", KBL_is_cached_rule, 0},
          Row{"bracket", "width", KBL_is_dynamic, 0}, Row{"bracket", "area", KBL_is_modifiable_rule, 0}})
        EXPECT_EQ(r.predicate(KBL_ask_rule_of_name(r.cls, r.rule)), r.answer) << r.cls << "." << r.rule;
    EXPECT_EQ(KBL_is_dynamic(KBL_ask_rule_of_instance("Root:b:", "width")), 1);
    TEXT_p_t text = nullptr;
    ASSERT_EQ(KBL_evaluate_rule("Root:b:area", &text), 0);
    EXPECT_EQ(text_of(text), "250");
    // Items of a child list.
    EXPECT_EQ(KBL_is_child_list_instance("Root:b:holes_2:"), 1);
    EXPECT_EQ(KBL_is_child_list_instance("Root:b:hole:"), 0);
    KBL_list_t holes = KBL_ask_list_of_instance("Root:b:holes_1:");
    KBL__list_length(holes, &n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(KBL_ask_list_of_instance("Root:b:"), nullptr);
    EXPECT_EQ(KBL_ask_part_from_name_chain_tol("Root:b:"), part_);
    EXPECT_EQ(KBL_ask_part_from_name_chain_tol("Root:nothing:"), 0u);
    // A class rule deleted: the instances lose it, its handle stays readable.
    KBL_rule_t label = KBL_ask_rule_of_name("shape", "label");
    ASSERT_EQ(KBL_delete_class_rule("shape", "label"), 0);
    EXPECT_STREQ(KBL_ask_rule_name(label), "label");
    int st = 0;
    eval("Root:b:label", &st);
    EXPECT_EQ(st, KBL_ERR_NO_RULE);
    EXPECT_EQ(KBL_delete_class_rule("shape", "label"), KBL_ERR_NO_RULE);
}

TEST_F(RulesTest, FormulasReachInstancesAndMakeEveryKind) {
    prepare_bracket();
    struct Row {
        const char* formula;
        const char* type;
        unsigned kind;
    };
    const Row rows[] = {
        {"b.hole.r", "number", KBL_KIND_NUMBER},
        {"#b.holes", "integer", KBL_KIND_INTEGER},
        {"point(1, 2, 3)", "point", KBL_KIND_POINT},
        {"vector(0, 0, 1)", "vector", KBL_KIND_VECTOR},
        {"b.kind", "name", KBL_KIND_NAME},
        {"{1, 'two', true}", "list", KBL_KIND_LIST},
        {"b.width > 5", "boolean", KBL_KIND_BOOLEAN},
        {"user(7)", "user", KBL_KIND_USER},
        {"b", "instance", KBL_KIND_INSTANCE},
        {"error_value(42)", "any", KBL_KIND_ERROR},
        {"b.hole.parent.width", "number", KBL_KIND_NUMBER},
    };
    int i = 0;
    for (const Row& r : rows) {
        const std::string name = "r" + std::to_string(i++);
        ASSERT_EQ(KBL_create_dynamic_rule("Root:", name.c_str(), r.type, r.formula, nullptr), 0) << r.formula;
        const KBL_value_t v = eval(("Root:" + name).c_str());
        EXPECT_EQ(v.kind, r.kind) << r.formula << " " << error_of(v);
    }
    EXPECT_EQ(eval("Root:r0").payload.number, 2.5);
    EXPECT_EQ(eval("Root:r1").payload.word, 3);
    EXPECT_EQ(eval("Root:r2").payload.doubles[2], 3);
    EXPECT_STREQ(DFK_ask_string(static_cast<KBL_name_t>(eval("Root:r4").payload.pointer)), "plate");
    EXPECT_EQ(error_of(eval("Root:r9")), 42);
    EXPECT_EQ(eval("Root:r10").payload.number, 20);
}

struct FailRow {
    const char* title;
    const char* formula;
    int code;
};

class FailingFormulas : public RulesTest, public ::testing::WithParamInterface<FailRow> {};

// A formula that fails gives an error value; the engine goes on.
TEST_P(FailingFormulas, GiveAnErrorValue) {
    const FailRow& r = GetParam();
    host::rules::set_instruction_limit(200'000);
    prepare_bracket();  // the class below is read when first needed
    write("bad", std::string("{ rules = { x = { type = 'number', formula = [==[") + r.formula + "]==] } } }");
    ASSERT_EQ(KBL_create_child_rule(nullptr, "Root:", "bad", "bad", 0, nullptr, nullptr, nullptr), 0);
    int st = -1;
    const KBL_value_t v = eval("Root:bad:x", &st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(error_of(v), r.code) << r.formula;
    EXPECT_EQ(number("Root:b:area"), 200);
    host::rules::set_instruction_limit(0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailingFormulas,
    ::testing::Values(
        FailRow{"syntax", "1 +", KBL_ERR_FORMULA}, FailRow{"statement", "x = 1", KBL_ERR_FORMULA},
        FailRow{"raise", "error('no')", KBL_ERR_RAISED}, FailRow{"unknown_name", "nothing + 1", KBL_ERR_RAISED},
        FailRow{"files", "io.open('/etc/passwd')", KBL_ERR_RAISED}, FailRow{"process", "os.exit(1)", KBL_ERR_RAISED},
        FailRow{"loader", "require('x')", KBL_ERR_RAISED}, FailRow{"compiler", "load('return 1')()", KBL_ERR_RAISED},
        FailRow{"debugger", "debug.getinfo(1)", KBL_ERR_RAISED}, FailRow{"catching", "pcall(error)", KBL_ERR_RAISED},
        FailRow{"runaway", "(function() while true do end end)()", KBL_ERR_LIMIT},
        FailRow{"caught_runaway", "(function() for i = 1, 1e9 do local ok = string.rep('x', 1) end end)()",
                KBL_ERR_LIMIT},
        FailRow{"memory", "#string.rep('x', 1 << 30)", KBL_ERR_LIMIT},
        FailRow{"recursion", "(function(f) return f(f) end)(function(f) return f(f) + 1 end)", KBL_ERR_LIMIT},
        FailRow{"self", "x + 1", KBL_ERR_CYCLE}, FailRow{"wrong_type", "'text'", KBL_ERR_TYPE},
        FailRow{"nothing", "nil", KBL_ERR_TYPE}, FailRow{"function", "print", KBL_ERR_RAISED},
        FailRow{"no_library", "extension('lib', 'entry')", KBL_ERR_NO_EXTENSION}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(RulesTest, ACycleIsAnErrorUntilMended) {
    prepare_bracket();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "a", "number", "c + 1", nullptr), 0);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "c", "number", "a + 1", nullptr), 0);
    EXPECT_EQ(error_of(eval("Root:a")), KBL_ERR_CYCLE);
    EXPECT_EQ(error_of(eval("Root:c")), KBL_ERR_CYCLE);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "a", "number", "1", nullptr), 0);
    EXPECT_EQ(number("Root:c"), 2);
}

TEST_F(RulesTest, RuleEditsThatAreRefused) {
    prepare_bracket();
    EXPECT_EQ(KBL_create_dynamic_rule("Root:b:", "area", "number", "1", nullptr), KBL_ERR_NOT_MODIFIABLE);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:b:", "w", "number", "1 +", nullptr), KBL_ERR_FORMULA);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:b:", "w", "colour", "1", nullptr), KBL_ERR_BAD_RULE);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:b:", "end", "number", "1", nullptr), KBL_ERR_BAD_RULE);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:b:", "w", "number", "1", "sticky"), KBL_ERR_BAD_RULE);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:q:", "w", "number", "1", nullptr), KBL_ERR_NO_INSTANCE);
    EXPECT_EQ(KBL_create_dynamic_rule("Root:", "k", "child", "no_such_class", nullptr), KBL_ERR_NO_CLASS);
    EXPECT_EQ(KBL_delete_instance_rule("Root:b:", "width"), KBL_ERR_NO_RULE);
    EXPECT_EQ(number("Root:b:area"), 200);
}

struct ClassTextRow {
    const char* title;
    const char* text;
    int code;
};

class ClassTexts : public ::testing::TestWithParam<ClassTextRow> {
protected:
    void SetUp() override { host::control::reset(); }
    void TearDown() override { host::control::reset(); }
};

TEST_P(ClassTexts, AreReadOrRefused) {
    EXPECT_EQ(host::rules::read_class_text("c", GetParam().text), GetParam().code) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClassTexts,
    ::testing::Values(
        ClassTextRow{"empty_class", "{}", 0}, ClassTextRow{"bracket", kBracketClass, 0},
        ClassTextRow{"shorthand", "{ rules = { a = '1 + 2' } }", 0},
        ClassTextRow{"not_a_table", "42", KBL_ERR_CLASS_FILE}, ClassTextRow{"syntax", "{ rules = ", KBL_ERR_CLASS_FILE},
        ClassTextRow{"calls", "os.exit(1)", KBL_ERR_CLASS_FILE},
        ClassTextRow{"runaway", "(function() while true do end end)()", KBL_ERR_CLASS_FILE},
        ClassTextRow{"rule_list", "{ rules = { 1 } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"bad_type", "{ rules = { a = { type = 'colour', formula = '1' } } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"bad_flag", "{ rules = { a = { flags = 'sticky', formula = '1' } } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"no_formula", "{ rules = { a = { type = 'number' } } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"child_without_class", "{ rules = { a = { type = 'child' } } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"bad_name", "{ rules = { ['not a name'] = '1' } }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"bad_ancestors", "{ ancestors = 'shape' }", KBL_ERR_CLASS_FILE},
        ClassTextRow{"bad_params", "{ rules = { a = { type = 'child', class = 'x', params = { 1 } } } }",
                     KBL_ERR_CLASS_FILE},
        ClassTextRow{"binary", "\x1bLua", KBL_ERR_CLASS_FILE}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(RulesTest, PreparationReportsWhatStopsIt) {
    int status = -1;
    EXPECT_EQ(KBL_init_part(1, 0, &status), 2);
    EXPECT_EQ(status, KBL_ERR_NO_PART);
    write("broken", "{ rules = ");
    EXPECT_EQ(KBL_init_part(1, part_, &status), 0);
    EXPECT_EQ(status, KBL_WARN_SKIPPED_FILES);
    write("orphan", "{ ancestors = { 'nowhere' } }");
    for (int pass = 1; pass <= 7; ++pass) EXPECT_EQ(KBL_init_part(pass, part_, &status), 1);
    write("nowhere", "{}");
    EXPECT_EQ(KBL_init_part(1, part_, &status), 0) << "a later pass sees the mended files";
    write("badformula", "{ rules = { a = '1 +' } }");
    EXPECT_EQ(KBL_init_part(1, part_, &status), 3);
    EXPECT_EQ(status, KBL_ERR_FORMULA);
}

TEST_F(RulesTest, ValueServicesWalkLists) {
    const KBE_dfk_table_t& s = *KBE_ask_dfk_table();
    KBL_list_t list = nullptr;
    for (int i = 1; i <= 3; ++i) {
        KBL_value_t* v = s.create_value(KBL_KIND_INTEGER, &i);
        list = s.list_push(list, v, 0);
        KBL_free_value(v);
    }
    int n = 0;
    KBL__list_length(list, &n);
    EXPECT_EQ(n, 3);
    std::uint32_t first_word = 0;
    std::memcpy(&first_word, list, sizeof first_word);
    EXPECT_NE(first_word & KBL_KIND_MASK, unsigned(KBL_KIND_LIST)) << "a bare list is no list value";
    EXPECT_EQ(KBL__list_nth(1, list)->payload.word, 3);
    EXPECT_EQ(KBL__list_nth(3, list)->payload.word, 1);
    EXPECT_EQ(KBL__list_nth(4, list), nullptr);
    EXPECT_EQ(KBL__list_nth(0, list), nullptr);
    KBL_value_t first{};
    KBL_list_t rest = s.list_pop(list, &first);
    EXPECT_EQ(first.payload.word, 3);
    KBL__list_length(rest, &n);
    EXPECT_EQ(n, 2);
    KBL__list_length(list, &n);
    EXPECT_EQ(n, 3) << "a pop leaves the list it was given";
    EXPECT_EQ(host::control::raised_code([&] { s.list_pop(nullptr, &first); }), KBL_ERR_EMPTY_LIST);
    int fake = 8;
    EXPECT_EQ(host::control::raised_code([&] { KBL__list_length(reinterpret_cast<KBL_list_t>(&fake), &n); }),
              KBL_ERR_UNKNOWN);
    // Texts are the value's own copies.
    char text[] = "abc";
    const char* p = text;
    KBL_value_t* sv = s.create_value(KBL_KIND_STRING, &p);
    text[0] = 'x';
    EXPECT_STREQ(sv->payload.text, "abc");
    KBL_free_value(sv);
    EXPECT_EQ(host::control::raised_code([&] { KBL_free_value(sv); }), KBL_ERR_UNKNOWN) << "freed twice";
    // Nothing of the engine is known after a reset.
    host::control::reset();
    EXPECT_EQ(KBE_is_known(list), 0);
}

TEST_F(RulesTest, AdoptedBodiesAnswerFromTheModel) {
    const double origin[3] = {0, 0, 0}, size[3] = {20, 20, 20};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    const unsigned int object = host::kernel::object_of(body);
    prepare_bracket();
    KBE_object_t adopted = KLINK_ask_object_to_adopt(object, nullptr, nullptr);
    ASSERT_NE(adopted, nullptr);
    EXPECT_EQ(KLINK_ask_object_to_adopt(object, nullptr, nullptr), adopted);
    const int only_faces[] = {70, -1}, face_subtype[] = {2, -1};
    EXPECT_EQ(KLINK_ask_object_to_adopt(object, only_faces, face_subtype), nullptr);
    EXPECT_EQ(KLINK_ask_object_instance(adopted), nullptr);
    ASSERT_EQ(KLINK_ui_adopt_objects(1, &adopted, "Root:"), 0);
    KBL_instance_t inst = KLINK_ask_object_instance(adopted);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(KLINK_ask_external_jq_object(adopted), object);
    EXPECT_EQ(KLINK_ask_external_jq_object(inst), object);
    const std::string chain = KBL_ask_name_chain_of_instance(inst);
    EXPECT_NEAR(number((chain + "volume").c_str()), 8000, 1e-6);
    const KBL_value_t o = eval((chain + "object").c_str());
    ASSERT_EQ(o.kind, unsigned(KBL_KIND_OBJECT));
    EXPECT_EQ(o.payload.pointer, adopted);
    // A rule reading the body follows the model's edit.
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "litres", "number",
                                      (chain.substr(5, chain.size() - 6) + ".volume / 1000").c_str(), nullptr),
              0);
    EXPECT_NEAR(number("Root:litres"), 8, 1e-9);
    const double centre[3] = {0, 0, 0};
    ZQ_BODY_scale(body, centre, 0.5);
    EXPECT_NEAR(number((chain + "volume").c_str()), 1000, 1e-6);
    EXPECT_NEAR(number("Root:litres"), 1, 1e-9);
    EXPECT_EQ(KLINK_ask_object_to_adopt(object, nullptr, nullptr), adopted) << "the same adoption after the edit";
    // A body that is gone: its volume is an error, and the next preparation
    // takes its instance away.
    ZQ_ENTITY_delete(body);
    EXPECT_NE(error_of(eval((chain + "volume").c_str())), 0);
    int status = 0;
    ASSERT_EQ(KBL_init_part(1, part_, &status), 0);
    EXPECT_EQ(KBE_is_known(inst), 0);
    EXPECT_EQ(KLINK_ask_object_instance(adopted), nullptr);
}

// A library call from a formula: the arguments, then the library and entry.
int g_count = 0;
std::string g_names;
void sum_invocation(KBL_instance_t instance, KBL_invocation_args_t* args, KBL_value_t* result) {
    g_count = args->count;
    g_names = std::string(KBL_ask_invocation_argument(instance, args, args->count - 1)->payload.text) + "/" +
              KBL_ask_invocation_argument(instance, args, args->count)->payload.text;
    double sum = 0;
    for (int i = 0; i < args->count - 2; ++i) {
        const KBL_value_t& v = args->items[i];
        sum += (v.kind & KBL_KIND_MASK) == KBL_KIND_INTEGER ? v.payload.word : v.payload.number;
    }
    result->kind = KBL_KIND_NUMBER;
    result->payload.number = sum;
    KBL_free_invocation_arguments(args, 0);
}

TEST_F(RulesTest, ExtensionCallsGoToTheRegisteredInvocation) {
    prepare_bracket();
    KBL_register_invocation(sum_invocation);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "s", "number", "extension('libsum', 'add', 1, 2.5, b.width)", nullptr),
              0);
    EXPECT_EQ(number("Root:s"), 23.5);
    EXPECT_EQ(g_count, 5);
    EXPECT_EQ(g_names, "libsum/add");
    KBL_register_invocation(nullptr);
}

// A library call that evaluates another rule while its formula waits.
void nested_invocation(KBL_instance_t, KBL_invocation_args_t* args, KBL_value_t* result) {
    KBL_free_invocation_arguments(args, 0);
    KBL_value_t* v = nullptr;
    if (KBL_evaluate_rule_to_value("Root:b:area", &v) == 0 && v) {
        *result = *v;
        KBL_free_value(v);
    }
}

TEST_F(RulesTest, ALibraryCallThatEvaluatesKeepsTheCallersReads) {
    prepare_bracket();
    KBL_register_invocation(nested_invocation);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "s", "number", "extension('lib', 'area') + b.height", nullptr), 0);
    EXPECT_EQ(number("Root:s"), 210);
    // The read after the call still makes s a reader of the height.
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "height", "number", "1", nullptr), 0);
    EXPECT_EQ(KBL_is_rule_computed("Root:", "s"), 0);
    EXPECT_EQ(number("Root:s"), 21);
    KBL_register_invocation(nullptr);
}

// A parameter that many rules read: an edit recomputes each of them once,
// and only those that still read it after their own edits.
TEST_F(RulesTest, ManyReadersOfOneParameter) {
    prepare_bracket();
    constexpr int kRules = 40;
    const auto name = [](int i) { return "w" + std::to_string(i); };
    const auto all = [&] {
        double sum = 0;
        for (int i = 0; i < kRules; ++i) sum += number(("Root:" + name(i)).c_str());
        return sum;
    };
    for (int i = 0; i < kRules; ++i)
        ASSERT_EQ(KBL_create_dynamic_rule("Root:", name(i).c_str(), "number",
                                          ("b.width + " + std::to_string(i)).c_str(), nullptr),
                  0);
    EXPECT_EQ(all(), kRules * 20 + kRules * (kRules - 1) / 2);
    clear_trace();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "30", nullptr), 0);
    EXPECT_EQ(all(), kRules * 30 + kRules * (kRules - 1) / 2);
    EXPECT_EQ(evaluations().size(), std::size_t{kRules + 1});
    // The even ones stop reading the width.
    for (int i = 0; i < kRules; i += 2)
        ASSERT_EQ(KBL_create_dynamic_rule("Root:", name(i).c_str(), "number", std::to_string(i).c_str(), nullptr), 0);
    all();
    clear_trace();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "40", nullptr), 0);
    all();
    std::vector<std::string> again = evaluations();
    std::sort(again.begin(), again.end());
    std::vector<std::string> odd = {"Root:b:width"};
    for (int i = 1; i < kRules; i += 2) odd.push_back("Root:" + name(i));
    std::sort(odd.begin(), odd.end());
    EXPECT_EQ(again, odd);
}

// Every kind of edit of the knowledge tree goes back with the model's undo.
TEST_F(RulesTest, EditsGoBackWithTheModel) {
    const double origin[3] = {0, 0, 0}, size[3] = {1, 2, 3};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    KBE_object_t adopted = KLINK_ask_object_to_adopt(host::kernel::object_of(body), nullptr, nullptr);
    prepare_bracket();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "30", nullptr), 0);
    ASSERT_EQ(number("Root:b:area"), 300);
    KBL_rule_t width = KBL_ask_rule_of_instance("Root:b:", "width");
    const host::ModelSnapshot mark = host::snapshot_model();
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "40", nullptr), 0);
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "extra", "number", "b.area + 1", nullptr), 0);
    ASSERT_EQ(KBL_create_child_rule(nullptr, "Root:", "c", "hole", 0, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(KBL_delete_instance_rule("Root:b:", "width"), 0);
    ASSERT_EQ(KBL_delete_class_rule("hole", "area"), 0);
    const char* const chains[] = {"Root:"};
    ASSERT_EQ(KBL_revert(1, chains, 0), 0);
    ASSERT_EQ(KLINK_ui_adopt_objects(1, &adopted, "Root:"), 0);
    ASSERT_EQ(KBL_activate_user_class_dir("/nowhere", 0), 0);
    EXPECT_EQ(KBL_ask_instance("Root:b:"), nullptr) << "reverted away with the root's rules";
    ASSERT_TRUE(host::restore_model(mark));
    EXPECT_EQ(number("Root:b:area"), 300) << "the width of before the mark";
    EXPECT_EQ(KBL_ask_rule_of_instance("Root:b:", "width"), width) << "the same rule comes back";
    EXPECT_EQ(KBL_ask_rule_of_instance("Root:", "extra"), nullptr);
    EXPECT_EQ(KBL_ask_instance("Root:c:"), nullptr);
    ASSERT_NE(KBL_ask_instance("Root:b:"), nullptr) << "the revert went back";
    EXPECT_NE(KBL_ask_rule_of_name("hole", "area"), nullptr);
    EXPECT_EQ(number("Root:b:hole:area"), 3.14159265358979323846 * 3.75 * 3.75);
    EXPECT_EQ(KLINK_ask_object_instance(adopted), nullptr);
    EXPECT_STREQ(KBL_ask_user_class_dir(), "");
    // Without a mark nothing is recorded, and the edits stay.
    ASSERT_EQ(KBL_create_dynamic_rule("Root:b:", "width", "number", "50", nullptr), 0);
    EXPECT_EQ(number("Root:b:area"), 500);
}

TEST_F(RulesTest, TheRulesThatReadAnAdoptedBody) {
    const double origin[3] = {0, 0, 0}, size[3] = {1, 2, 3};
    int one = 0, two = 0;
    ZQ_BODY_make_block(origin, size, &one);
    ZQ_BODY_make_block(origin, size, &two);
    prepare_bracket();
    KBE_object_t a = KLINK_ask_object_to_adopt(host::kernel::object_of(one), nullptr, nullptr);
    KBE_object_t b = KLINK_ask_object_to_adopt(host::kernel::object_of(two), nullptr, nullptr);
    KBE_object_t both[] = {a, b};
    ASSERT_EQ(KLINK_ui_adopt_objects(2, both, "Root:"), 0);
    const auto local = [](KBE_object_t o) {
        const std::string chain = KBL_ask_name_chain_of_instance(KLINK_ask_object_instance(o));
        return chain.substr(5, chain.size() - 6);
    };
    ASSERT_EQ(KBL_create_dynamic_rule("Root:", "total", "number",
                                      (local(a) + ".volume + " + local(b) + ".volume").c_str(), nullptr),
              0);
    ASSERT_EQ(
        KBL_create_dynamic_rule("Root:b:", "big", "boolean", ("parent." + local(a) + ".volume > 1").c_str(), nullptr),
        0);
    ASSERT_EQ(number("Root:total"), 12);
    ASSERT_EQ(eval("Root:b:big").kind, unsigned(KBL_KIND_BOOLEAN));
    const auto texts = [](KBE_object_t o) {
        int n = -1;
        TEXT_p_t* t = nullptr;
        EXPECT_EQ(KLINK_ask_reference_object_rule_text(o, &n, &t), 0);
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) {
            char* l = TEXT_to_locale_sized(t[i], -1);
            out.emplace_back(l);
            TEXT_free_locale(l);
            TEXT_free(t[i]);
        }
        SM_free(t);
        return out;
    };
    EXPECT_EQ(texts(a), (std::vector<std::string>{"Root:b:big", "Root:total"}));
    EXPECT_EQ(texts(b), std::vector<std::string>{"Root:total"});
    EXPECT_TRUE(texts(nullptr).empty());
    // A pointer that is no adopted object is refused before it is read.
    int n = 0;
    TEXT_p_t* t = nullptr;
    const int frame = host::arm_library_frame();
    try {
        KLINK_ask_reference_object_rule_text(reinterpret_cast<KBE_object_t>(&n), &n, &t);
        ERROR_cancel_handler(frame);
        ADD_FAILURE() << "accepted";
    } catch (const host::HostError& e) {
        EXPECT_EQ(e.code(), KBL_ERR_UNKNOWN);
    }
}

}  // namespace
