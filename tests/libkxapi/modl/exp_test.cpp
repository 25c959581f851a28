// Expressions through the interface on the host's expression service: by
// name in the work part and by tag, files of expressions, splitting an
// assignment, the expressions of features with their descriptors, and an
// expression shown as a dimension.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/display.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"
#include "kx_core.h"
#include "kx_modl_exp.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace fs = std::filesystem;

class Expressions : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("exp.prt");
        CONTEXT_set_work_part(part_);
        ASSERT_EQ(make("length=100"), 0);
        ASSERT_EQ(make("twice=length*2"), 0);
        block_ = block("length");
        dir_ = fs::temp_directory_path() / ("kx_exp_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        host::control::clear_journal();
    }
    void TearDown() override {
        fresh();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    int make(const char* assignment) const {
        unsigned int t = 0;
        return EXP_create_exp(part_, assignment, &t);
    }
    tag block(const char* length) const {
        unsigned int f = 0;
        const char* formulas[] = {length, "50", "20"};
        const double at[] = {0, 0, 0};
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, formulas, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &f), 0);
        return f;
    }
    tag named(const char* name) const { return EXP_ask_exp_of_var(part_, name); }
    // Every expression of the part as its assignment, in order.
    std::vector<std::string> assignments() const {
        std::vector<std::string> out;
        for (unsigned int t : host::expr::of_part(part_)) out.push_back(host::expr::assignment(t));
        return out;
    }
    double value(const char* name) const {
        double v = 0;
        EXPECT_EQ(KX_MODL_eval_exp(name, &v), 0) << name;
        return v;
    }
    std::string file(const char* name, const std::string& text) const {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << text;
        return path;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> take(int n, char** texts) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) out.emplace_back(texts[i]);
        KX_free_string_array(n, texts);
        return out;
    }
    static std::vector<tag> take(int n, tag* tags) {
        std::vector<tag> out(tags, tags + n);
        KX_free(tags);
        return out;
    }

    unsigned int part_ = 0, block_ = 0;
    fs::path dir_;
};

// ---- by name -----------------------------------------------------------------

TEST_F(Expressions, ByNameCreateEditEvaluateRenameDelete) {
    ASSERT_EQ(KX_MODL_create_exp("half=twice/4"), 0);
    EXPECT_EQ(value("half"), 50);
    ASSERT_EQ(KX_MODL_edit_exp("length = 40"), 0);
    EXPECT_EQ(value("twice"), 80);
    EXPECT_EQ(value("half"), 20);
    ASSERT_EQ(KX_MODL_rename_exp("twice", "double_length"), 0);
    char text[KX_MODL_EXP_TEXT];
    ASSERT_EQ(KX_MODL_ask_exp("half", text), 0);
    EXPECT_STREQ(text, "half=double_length/4");
    ASSERT_EQ(KX_MODL_delete_exp("half"), 0);
    double v = -1;
    EXPECT_EQ(KX_MODL_eval_exp("half", &v), 1050007);
}

// Every refusal of the by-name functions, and every formula the host
// refuses: the code, and the expressions as they were.
TEST_F(Expressions, ByNameRefusalsLeaveTheExpressionsAsTheyWere) {
    double v = 0;
    char text[KX_MODL_EXP_TEXT];
    struct Row {
        const char* what;
        std::function<int()> call;
        int code;
    };
    const std::vector<Row> rows = {
        {"edit without a name", [] { return KX_MODL_edit_exp("5"); }, 1050006},
        {"edit of an unknown name", [] { return KX_MODL_edit_exp("zz=1"); }, 1050007},
        {"eval of an unknown name", [&] { return KX_MODL_eval_exp("zz", &v); }, 1050007},
        {"ask of an unknown name", [&] { return KX_MODL_ask_exp("zz", text); }, 1050007},
        {"rename of an unknown name", [] { return KX_MODL_rename_exp("zz", "y"); }, 1050007},
        {"delete of an unknown name", [] { return KX_MODL_delete_exp("zz"); }, 1050007},
        {"create of null", [] { return KX_MODL_create_exp(nullptr); }, 875013},
        {"edit of null", [] { return KX_MODL_edit_exp(nullptr); }, 875013},
        {"delete of null", [] { return KX_MODL_delete_exp(nullptr); }, 1105004},
        {"eval of null", [&] { return KX_MODL_eval_exp(nullptr, &v); }, 1105004},
        {"eval into null", [] { return KX_MODL_eval_exp("length", nullptr); }, 1105005},
        {"ask of null", [&] { return KX_MODL_ask_exp(nullptr, text); }, 1105004},
        {"ask into null", [] { return KX_MODL_ask_exp("length", nullptr); }, 1105005},
        {"rename of null", [] { return KX_MODL_rename_exp(nullptr, "y"); }, 1105004},
        {"rename to null", [] { return KX_MODL_rename_exp("length", nullptr); }, 1105005},
        {"import of null", [] { return KX_MODL_import_exp(nullptr, 0); }, 1105004},
        {"export to null", [] { return KX_MODL_export_exp(nullptr); }, 1105004},
        // The host's codes.
        {"a formula that does not read", [] { return KX_MODL_create_exp("bad=length*"); }, EXP_ERR_SYNTAX},
        {"an unknown name in a formula", [] { return KX_MODL_create_exp("c=nothere+1"); }, EXP_ERR_UNKNOWN_NAME},
        {"a name in use", [] { return KX_MODL_create_exp("length=3"); }, EXP_ERR_DUPLICATE},
        {"a cycle", [] { return KX_MODL_edit_exp("length=twice"); }, EXP_ERR_CYCLE},
        {"an empty formula", [] { return KX_MODL_edit_exp("length="); }, EXP_ERR_SYNTAX},
        {"a division by zero", [] { return KX_MODL_edit_exp("length=1/0"); }, EXP_ERR_NOT_FINITE},
        {"rename to a name in use", [] { return KX_MODL_rename_exp("twice", "length"); }, EXP_ERR_DUPLICATE},
        {"delete of a used expression", [] { return KX_MODL_delete_exp("length"); }, EXP_ERR_IN_USE},
    };
    const std::vector<std::string> before = assignments();
    for (const Row& r : rows) {
        EXPECT_EQ(r.call(), r.code) << r.what;
        EXPECT_EQ(assignments(), before) << r.what;
    }
}

TEST_F(Expressions, AskCopiesTheAssignmentAndCutsOneLongerThanTheBuffer) {
    std::string formula = "1";
    while (formula.size() < 200) formula += "+1";
    ASSERT_EQ(KX_MODL_create_exp(("long_one=" + formula).c_str()), 0);
    char text[KX_MODL_EXP_TEXT + 8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(KX_MODL_ask_exp("long_one", text), 1105005);
    const std::string whole = "long_one=" + formula;
    EXPECT_EQ(std::string(text), whole.substr(0, 132));
    EXPECT_EQ(text[KX_MODL_EXP_TEXT], 'x');  // nothing written past the buffer
    // By tag the whole text comes back.
    char* all = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(named("long_one"), &all), 0);
    EXPECT_EQ(std::string(all), whole);
    KX_free(all);
}

TEST_F(Expressions, NamesAreLookedUpInTheWorkPartOnly) {
    const unsigned int other = host::parts::create("other.prt");
    CONTEXT_set_work_part(part_);
    unsigned int t = 0;
    ASSERT_EQ(EXP_create_exp(other, "elsewhere=1", &t), 0);
    double v = 0;
    EXPECT_EQ(KX_MODL_eval_exp("elsewhere", &v), 1050007);
    logical found = 0;
    ASSERT_EQ(KX_MODL_is_exp_in_part(other, "elsewhere", &found), 0);
    EXPECT_EQ(found, 1);
    ASSERT_EQ(KX_MODL_is_exp_in_part(block_, "elsewhere", &found), 0);  // an object of the work part
    EXPECT_EQ(found, 0);
    ASSERT_EQ(KX_MODL_is_exp_in_part(block_, "twice", &found), 0);
    EXPECT_EQ(found, 1);
}

TEST_F(Expressions, IsExpInPartRefusals) {
    logical found = 1;
    EXPECT_EQ(KX_MODL_is_exp_in_part(NULL_TAG, "length", &found), 1105004);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(KX_MODL_is_exp_in_part(part_, nullptr, &found), 1105005);
    EXPECT_EQ(KX_MODL_is_exp_in_part(part_, "length", nullptr), 1105006);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_is_exp_in_part(part_, "length", &found), 1105000);
}

// Most expression functions work without an open session.
TEST_F(Expressions, WorkWithoutASession) {
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_create_exp("depth=length/10"), 0);
    EXPECT_EQ(value("depth"), 10);
    tag t = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_exp_tag("2+2", &t), 0);
    int n = 0;
    char** texts = nullptr;
    tag* exps = nullptr;
    EXPECT_EQ(KX_MODL_ask_exp_desc_of_feat(block_, &n, &texts, &exps), 0);
    EXPECT_EQ(n, 3);
    KX_free_string_array(n, texts);
    KX_free(exps);
}

// ---- files ---------------------------------------------------------------------

TEST_F(Expressions, ImportModes) {
    struct Row {
        int mode;
        const char* text;
        std::vector<std::string> after;
    };
    const std::vector<Row> rows = {
        // Names of the file take its formulas, new ones are made.
        {0, "// sizes\nlength=7\n\nextra=length+1\n", {"length=7", "twice=length*2", "extra=length+1"}},
        // Only new names are made.
        {1, "length=7\nextra=length+1\n", {"length=100", "twice=length*2", "extra=length+1"}},
        // The file's names are deleted.
        {2, "twice=0\nnone_such=1\n", {"length=100"}},
    };
    for (const Row& r : rows) {
        // Each mode from the same start: the import is taken back after.
        int st = 0;
        const unsigned int mark = UNDO_JQ_set_mark(1, "row", &st);
        ASSERT_EQ(KX_MODL_import_exp(file("in.exp", r.text).c_str(), r.mode), 0) << r.mode;
        // The block's own system expressions stay out of the comparison.
        std::vector<std::string> named_after;
        for (unsigned int t : host::expr::of_part(part_))
            if (!EXP_is_a_system_exp(t)) named_after.push_back(host::expr::assignment(t));
        EXPECT_EQ(named_after, r.after) << r.mode;
        ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    }
}

TEST_F(Expressions, ImportRefusalsLeaveTheExpressionsAsTheyWere) {
    const std::vector<std::string> before = assignments();
    // A mode out of range refuses before anything is read.
    EXPECT_EQ(KX_MODL_import_exp(file("in.exp", "length=1\n").c_str(), 3), 1105005);
    EXPECT_EQ(KX_MODL_import_exp(file("in.exp", "length=1\n").c_str(), -1), 1105005);
    EXPECT_EQ(host::control::call_count("EXP_import_expressions"), 0);
    // A file that cannot be read.
    EXPECT_EQ(KX_MODL_import_exp((dir_ / "missing.exp").c_str(), 0), 875018);
    // A line that is no assignment, a cycle, a bad formula: the host's code.
    EXPECT_EQ(KX_MODL_import_exp(file("in.exp", "length=1\n5\n").c_str(), 0), EXP_ERR_BAD_FILE_LINE);
    EXPECT_EQ(KX_MODL_import_exp(file("in.exp", "length=twice\n").c_str(), 0), EXP_ERR_CYCLE);
    EXPECT_EQ(KX_MODL_import_exp(file("in.exp", "extra=1\nlength=(\n").c_str(), 0), EXP_ERR_SYNTAX);
    EXPECT_EQ(assignments(), before);
}

TEST_F(Expressions, ExportWritesTheNamedExpressionsAndReadsBack) {
    const std::string path = (dir_ / "out.exp").string();
    ASSERT_EQ(KX_MODL_export_exp(path.c_str()), 0);
    const std::string text = read(path);
    EXPECT_NE(text.find("length=100\n"), std::string::npos);
    EXPECT_NE(text.find("twice=length*2\n"), std::string::npos);
    EXPECT_EQ(text.find("p0="), std::string::npos);  // the block's system expressions stay out
    // Written again over the same file, then read back after a change.
    ASSERT_EQ(KX_MODL_export_exp(path.c_str()), 0);
    ASSERT_EQ(KX_MODL_edit_exp("length=1"), 0);
    ASSERT_EQ(KX_MODL_import_exp(path.c_str(), 0), 0);
    EXPECT_EQ(value("twice"), 200);
}

TEST_F(Expressions, FileCodesOfTheHostsAnswers) {
    struct Row {
        const char* routine;
        int answer;
        int code;
    };
    const std::vector<Row> rows = {
        {"EXP_export_expressions", -1, 875018}, {"EXP_export_expressions", 1, 875019},
        {"EXP_export_expressions", 7, 875019},  {"EXP_import_expressions", -1, 875018},
        {"EXP_import_expressions", -9, 875018}, {"EXP_import_expressions", 670512, 670512},
    };
    const std::string path = file("in.exp", "length=1\n");
    for (const Row& r : rows) {
        host::control::return_status(r.routine, r.answer);
        const bool exporting = std::strcmp(r.routine, "EXP_export_expressions") == 0;
        EXPECT_EQ(exporting ? KX_MODL_export_exp(path.c_str()) : KX_MODL_import_exp(path.c_str(), 0), r.code)
            << r.routine << " " << r.answer;
        host::control::clear_scripts();
    }
    EXPECT_EQ(KX_MODL_export_exp((dir_ / "no_dir" / "out.exp").c_str()), 875018);
}

// ---- by tag --------------------------------------------------------------------

TEST_F(Expressions, ByTagNamedAndSystemExpressions) {
    tag named_one = NULL_TAG, system_one = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_exp_tag("depth=length/4", &named_one), 0);
    ASSERT_EQ(KX_MODL_create_exp_tag("3*2", &system_one), 0);
    EXPECT_EQ(named_one, named("depth"));
    EXPECT_EQ(EXP_is_a_system_exp(named_one), 0);
    EXPECT_EQ(EXP_is_a_system_exp(system_one), 1);
    double v = 0;
    ASSERT_EQ(KX_MODL_ask_exp_tag_value(system_one, &v), 0);
    EXPECT_EQ(v, 6);
    ASSERT_EQ(KX_MODL_ask_exp_tag_value(named_one, &v), 0);
    EXPECT_EQ(v, 25);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(named_one, &text), 0);
    EXPECT_STREQ(text, "depth=length/4");
    KX_free(text);
    ASSERT_EQ(KX_MODL_delete_exp_tag(system_one), 0);
    EXPECT_EQ(host::expr::find(system_one), nullptr);
}

TEST_F(Expressions, ByTagRefusals) {
    tag t = 5;
    double v = 0;
    char* text = reinterpret_cast<char*>(1);
    logical geometric = 1;
    const std::vector<std::string> before = assignments();
    EXPECT_EQ(KX_MODL_create_exp_tag(nullptr, &t), 875013);
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(KX_MODL_create_exp_tag("a=1", nullptr), 1105005);
    EXPECT_EQ(KX_MODL_create_exp_tag("length=1", &t), EXP_ERR_DUPLICATE);
    EXPECT_EQ(KX_MODL_create_exp_tag("1+", &t), EXP_ERR_SYNTAX);
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(KX_MODL_delete_exp_tag(NULL_TAG), 875013);
    EXPECT_EQ(KX_MODL_delete_exp_tag(named("length")), EXP_ERR_IN_USE);
    EXPECT_EQ(KX_MODL_delete_exp_tag(block_), EXP_ERR_NOT_FOUND);
    EXPECT_EQ(KX_MODL_ask_exp_tag_value(NULL_TAG, &v), 875013);
    EXPECT_EQ(KX_MODL_ask_exp_tag_value(named("length"), nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_exp_tag_string(NULL_TAG, &text), 875013);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(KX_MODL_ask_exp_tag_string(named("length"), nullptr), 1105005);
    EXPECT_EQ(KX_MODL_is_geometric_expression(NULL_TAG, &geometric), 1105004);
    EXPECT_EQ(geometric, 0);
    EXPECT_EQ(KX_MODL_is_geometric_expression(named("length"), nullptr), 1105005);
    EXPECT_EQ(assignments(), before);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_is_geometric_expression(named("length"), &geometric), 1105000);
}

TEST_F(Expressions, GeometricExpressions) {
    const int body = host::kernel::entity_of(FREC_ask_body(block_));
    const unsigned int edge = host::kernel::object_of(host::kernel::edges_of(body).front());
    unsigned int measured = 0;
    ASSERT_EQ(EXP_create_geometric_exp(part_, "edge_length", EXP_MEASURE_LENGTH, 1, &edge, &measured), 0);
    logical geometric = 0;
    ASSERT_EQ(KX_MODL_is_geometric_expression(measured, &geometric), 0);
    EXPECT_EQ(geometric, 1);
    ASSERT_EQ(KX_MODL_is_geometric_expression(named("length"), &geometric), 0);
    EXPECT_EQ(geometric, 0);
}

TEST_F(Expressions, DissectAnAssignment) {
    struct Row {
        const char* assignment;
        const char* name;
        const char* formula;
        bool found;
        int code;
    };
    const std::vector<Row> rows = {
        {"length=5", "length", "5", true, 0}, {" new_one = length+1 ", "new_one", "length+1", false, 0},
        {"4+1", "", "4+1", false, 0},         {"a<=b", "", "a<=b", false, 0},
        {"depth=", "depth", "", false, 0},    {nullptr, "", "", false, 875013},
    };
    for (const Row& r : rows) {
        char* name = nullptr;
        char* formula = nullptr;
        tag exp = 7;
        EXPECT_EQ(KX_MODL_dissect_exp_string(r.assignment, &name, &formula, &exp), r.code) << r.name;
        ASSERT_NE(name, nullptr);
        ASSERT_NE(formula, nullptr);
        EXPECT_STREQ(name, r.name);
        EXPECT_STREQ(formula, r.formula);
        EXPECT_EQ(exp, r.found ? named(r.name) : NULL_TAG) << r.name;
        KX_free(name);
        KX_free(formula);
    }
    char* name = nullptr;
    char* formula = nullptr;
    tag exp = NULL_TAG;
    EXPECT_EQ(KX_MODL_dissect_exp_string("a=1", nullptr, &formula, &exp), 1105005);
    EXPECT_EQ(KX_MODL_dissect_exp_string("a=1", &name, &formula, nullptr), 1105007);
    EXPECT_EQ(name, nullptr);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_dissect_exp_string("a=1", &name, &formula, &exp), 1105000);
    EXPECT_EQ(name, nullptr);
}

// ---- features ------------------------------------------------------------------

class FeatureExpressions : public Expressions {
protected:
    void SetUp() override {
        Expressions::SetUp();
        face_ = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(block_))).front());
        unsigned int t = 0;
        ASSERT_EQ(EXP_create_system_exp(part_, "12", &t), 0);
        distance_ = t;
        ASSERT_EQ(EXP_create_system_exp(part_, "3", &t), 0);
        loose_ = t;
        // A constraint against a face through a named and a system
        // expression: it offers the system one.
        placed_ = host::feature::add_constraint(block_, "Perpendicular", face_, {named("twice"), distance_});
        // One that refers to nothing, and one without a system expression:
        // both offer nothing.
        host::feature::add_constraint(block_, "Point onto Line", 0, {loose_});
        host::feature::add_constraint(block_, "Horizontal", face_, {named("length")});
        kept_ = host::feature::add_kept_value(block_, "Draft Angle", "0");
        host::control::clear_journal();
    }
    std::vector<tag> params() const {
        const FREC_parms_t* p = FREC_ask_parms_of_frec(block_);
        return {p->exps, p->exps + p->count};
    }

    unsigned int face_ = 0, distance_ = 0, loose_ = 0, placed_ = 0, kept_ = 0;
};

TEST_F(FeatureExpressions, DescriptorsKeepOfferedExpressionsOnly) {
    int n = -1;
    char** texts = nullptr;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_desc_of_feat(block_, &n, &texts, &exps), 0);
    std::vector<tag> expected = params();
    expected.push_back(distance_);
    EXPECT_EQ(take(n, exps), expected);
    EXPECT_EQ(take(n, texts), (std::vector<std::string>{"Length (XC)", "Width (YC)", "Height (ZC)", "Perpendicular"}));
    // The second entry gives the same, and the host's sets are all gone.
    ASSERT_EQ(KX_MODL_ask_exp_desc_of_frec(block_, &n, &texts, &exps), 0);
    EXPECT_EQ(n, 4);
    KX_free_string_array(n, texts);
    KX_free(exps);
    EXPECT_EQ(host::objects::set_count(), 0);
}

TEST_F(FeatureExpressions, AFeatureOfConstantsOnlyOffersNone) {
    const unsigned int plain = host::feature::create(part_, "PLAIN");
    host::feature::add_kept_value(plain, "Taper", "0");
    host::feature::add_constraint(plain, "Point onto Point", 0, {});
    int n = -1;
    char** texts = reinterpret_cast<char**>(1);
    tag* exps = reinterpret_cast<tag*>(1);
    ASSERT_EQ(KX_MODL_ask_exp_desc_of_feat(plain, &n, &texts, &exps), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(texts, nullptr);
    EXPECT_EQ(exps, nullptr);
}

TEST_F(FeatureExpressions, AnInstanceAtTheOriginAnswersForItsMaster) {
    struct Row {
        int row, column;
        bool master;
    };
    for (const Row& r : {Row{0, 0, true}, Row{1, 0, false}, Row{0, 2, false}}) {
        const unsigned int instance = host::feature::create(part_, "INSTANCE");
        host::feature::make_instance(instance, block_, r.row, r.column);
        int n = -1;
        char** texts = nullptr;
        tag* exps = nullptr;
        ASSERT_EQ(KX_MODL_ask_exp_desc_of_feat(instance, &n, &texts, &exps), 0);
        EXPECT_EQ(n, r.master ? 4 : 0) << r.row << "," << r.column;
        KX_free_string_array(n, texts);
        KX_free(exps);
    }
}

TEST_F(FeatureExpressions, PositioningExpressionsWithDescriptors) {
    int n = -1;
    char** texts = nullptr;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_rpo_desc_of_feat(block_, &n, &texts, &exps), 0);
    EXPECT_EQ(take(n, exps), (std::vector<tag>{named("twice"), distance_, loose_, named("length")}));
    EXPECT_EQ(take(n, texts),
              (std::vector<std::string>{"Perpendicular", "Perpendicular", "Point onto Line", "Horizontal"}));
    const unsigned int plain = host::feature::create(part_, "PLAIN");
    ASSERT_EQ(KX_MODL_ask_rpo_desc_of_frec(plain, &n, &texts, &exps), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(texts, nullptr);
    EXPECT_EQ(exps, nullptr);
}

TEST_F(FeatureExpressions, FeatureQueriesRefuseWhatIsNoFeature) {
    const unsigned int body = FREC_ask_body(block_);
    int n = -1;
    char** texts = reinterpret_cast<char**>(1);
    tag* exps = reinterpret_cast<tag*>(1);
    using Query = int (*)(tag, int*, char***, tag**);
    for (Query q : {KX_MODL_ask_exp_desc_of_feat, KX_MODL_ask_exp_desc_of_frec, KX_MODL_ask_rpo_desc_of_feat,
                    KX_MODL_ask_rpo_desc_of_frec}) {
        for (tag t : std::vector<tag>{NULL_TAG, body, named("length")}) {
            EXPECT_EQ(q(t, &n, &texts, &exps), 875233);
            EXPECT_EQ(n, 0);
            EXPECT_EQ(texts, nullptr);
            EXPECT_EQ(exps, nullptr);
        }
        EXPECT_EQ(q(block_, nullptr, &texts, &exps), 1105005);
        EXPECT_EQ(q(block_, &n, nullptr, &exps), 1105006);
        EXPECT_EQ(q(block_, &n, &texts, nullptr), 1105007);
    }
    EXPECT_EQ(KX_MODL_ask_exps_of_feature(body, &n, &exps), 875233);
    EXPECT_EQ(KX_MODL_ask_exps_of_feature(block_, nullptr, &exps), 1105005);
    EXPECT_EQ(KX_MODL_ask_exps_of_part(NULL_TAG, &n, &exps), 1105004);
    EXPECT_EQ(KX_MODL_ask_features_of_exp(NULL_TAG, &n, &exps), 875013);
    tag owner = 5;
    char* text = reinterpret_cast<char*>(1);
    EXPECT_EQ(KX_MODL_ask_owning_feat_of_exp(NULL_TAG, &owner), 875013);
    EXPECT_EQ(owner, NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_descriptor_of_exp(NULL_TAG, &text), 875013);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(KX_MODL_ask_owning_feat_of_exp(named("length"), nullptr), 1105005);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_ask_owning_feat_of_exp(named("length"), &owner), 1105000);
    EXPECT_EQ(KX_MODL_ask_descriptor_of_exp(named("length"), &text), 1105000);
}

TEST_F(FeatureExpressions, ExpressionsOfFeaturePartAndExpression) {
    int n = -1;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_exps_of_feature(block_, &n, &exps), 0);
    EXPECT_EQ(take(n, exps), params());
    ASSERT_EQ(KX_MODL_ask_exps_of_part(block_, &n, &exps), 0);  // through an object of the part
    EXPECT_EQ(take(n, exps), host::expr::of_part(part_));
    ASSERT_EQ(KX_MODL_ask_features_of_exp(distance_, &n, &exps), 0);
    EXPECT_EQ(take(n, exps), (std::vector<tag>{block_}));
    ASSERT_EQ(KX_MODL_ask_features_of_exp(named("twice"), &n, &exps), 0);
    EXPECT_EQ(take(n, exps), (std::vector<tag>{block_}));
}

TEST_F(FeatureExpressions, OwningFeatureAndDescriptorOfAnExpression) {
    const unsigned int second = block("twice");
    // twice is used by the block's constraint and by another feature's.
    host::feature::add_constraint(host::feature::create(part_, "PLAIN"), "Distance", face_, {named("twice")});
    unsigned int unused = 0;
    ASSERT_EQ(EXP_create_exp(part_, "unused=1", &unused), 0);
    struct Row {
        const char* what;
        tag exp;
        tag owner;
        const char* descriptor;  // null: none
    };
    const std::vector<Row> rows = {
        {"a parameter", params()[1], block_, "Width (YC)"},
        {"a constraint's system expression", distance_, block_, "Perpendicular"},
        {"a kept value", kept_, block_, nullptr},
        {"a constraint that refers to nothing", loose_, block_, nullptr},
        {"used by two features", named("twice"), NULL_TAG, nullptr},
        {"used by none", unused, NULL_TAG, nullptr},
        {"a parameter of the second block", FREC_ask_parm_exp(second, "Length (XC)"), second, "Length (XC)"},
    };
    for (const Row& r : rows) {
        tag owner = 99;
        ASSERT_EQ(KX_MODL_ask_owning_feat_of_exp(r.exp, &owner), 0) << r.what;
        EXPECT_EQ(owner, r.owner) << r.what;
        char* text = reinterpret_cast<char*>(1);
        ASSERT_EQ(KX_MODL_ask_descriptor_of_exp(r.exp, &text), 0) << r.what;
        if (r.descriptor) {
            ASSERT_NE(text, nullptr) << r.what;
            EXPECT_STREQ(text, r.descriptor) << r.what;
            KX_free(text);
        } else {
            EXPECT_EQ(text, nullptr) << r.what;
        }
    }
}

// ---- dimensions ----------------------------------------------------------------

TEST_F(Expressions, ADimensionOnEachFeatureThatUsesTheExpressionStaysAsAnUndoStep) {
    // Two more blocks whose lengths twice drives (through their parameters).
    const unsigned int second = block("twice"), third = block("twice/2");
    const std::size_t marks = host::undo::marks().size();
    int n = 0;
    tag* dims = nullptr;
    ASSERT_EQ(KX_MODL_get_dimension_data(named("twice"), &n, &dims), 0);
    ASSERT_EQ(n, 2);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(RM_ask_entity_type(dims[i]), HOST_TYPE_DIMENSION);
        EXPECT_EQ(host::expr::find_dimension(dims[i])->exp, named("twice"));
    }
    EXPECT_EQ(host::expr::find_dimension(dims[0])->feature, second);
    EXPECT_EQ(host::expr::find_dimension(dims[1])->feature, third);
    ASSERT_EQ(host::undo::marks().size(), marks + 1);
    EXPECT_EQ(host::undo::marks().back().name, "Create dimension from expressions");
    EXPECT_EQ(host::undo::marks().back().visibility, 1);
    // Undoing the step takes the dimension away.
    ASSERT_EQ(UNDO_JQ_undo_to_mark(host::undo::marks().back().id, nullptr), 0);
    EXPECT_EQ(host::expr::find_dimension(dims[0]), nullptr);
    EXPECT_EQ(host::expr::find_dimension(dims[1]), nullptr);
    KX_free(dims);
}

// The host's answers and errors on display, as the caller sees them; no
// mark and no dimension stay behind.
TEST_F(Expressions, DimensionCodes) {
    unsigned int unused = 0;
    ASSERT_EQ(EXP_create_exp(part_, "unused=1", &unused), 0);
    struct Row {
        const char* what;
        tag exp;
        std::function<void()> script;
        int code;
    };
    const std::vector<Row> rows = {
        {"no feature uses it", unused, [] {}, 875362},
        {"no expression", block_, [] {}, 875013},
        {"a raised 1050051", named("length"), [] { host::control::raise_on("EXP_DISP_display_expression", 1050051); },
         875362},
        {"a raised 671042", named("length"), [] { host::control::raise_on("EXP_DISP_display_expression", 671042); },
         875013},
        {"another raised code", named("length"), [] { host::control::raise_on("EXP_DISP_display_expression", 670099); },
         670099},
        {"another answer", named("length"), [] { host::control::return_status("EXP_DISP_display_expression", 5); }, 5},
        {"a null expression", NULL_TAG, [] {}, 1105004},
    };
    const std::size_t marks = host::undo::marks().size();
    for (const Row& r : rows) {
        r.script();
        int n = 3;
        tag* dims = reinterpret_cast<tag*>(1);
        EXPECT_EQ(KX_MODL_get_dimension_data(r.exp, &n, &dims), r.code) << r.what;
        EXPECT_EQ(n, 0) << r.what;
        EXPECT_EQ(dims, nullptr) << r.what;
        EXPECT_EQ(host::undo::marks().size(), marks) << r.what;
        EXPECT_TRUE(host::objects::objects_of_type(HOST_TYPE_DIMENSION).empty()) << r.what;
        EXPECT_EQ(host::control::frame_depth(), 0) << r.what;
        host::control::clear_scripts();
    }
    // Raised errors are acknowledged.
    const std::vector<int> acknowledged = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acknowledged.begin(), acknowledged.end(), 1050051), acknowledged.end());
    int n = 0;
    tag* dims = nullptr;
    EXPECT_EQ(KX_MODL_get_dimension_data(named("length"), nullptr, &dims), 1105005);
    EXPECT_EQ(KX_MODL_get_dimension_data(named("length"), &n, nullptr), 1105006);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_get_dimension_data(named("length"), &n, &dims), 1105000);
}

// Host errors injected into the edits: the status is the host's code and
// the expressions are as they were.
TEST_F(Expressions, InjectedHostErrorsLeaveTheExpressionsAsTheyWere) {
    struct Row {
        const char* routine;
        std::function<int()> call;
    };
    tag t = NULL_TAG;
    const std::string in = file("in.exp", "length=3\nextra=1\n");
    const std::vector<Row> rows = {
        {"EXP_create_exp", [] { return KX_MODL_create_exp("extra=1"); }},
        {"EXP_edit_exp", [] { return KX_MODL_edit_exp("length=3"); }},
        {"EXP_dissect_assignment", [] { return KX_MODL_edit_exp("length=3"); }},
        {"EXP_ask_exp_of_var", [] { return KX_MODL_rename_exp("twice", "thrice"); }},
        {"EXP_rename_exp", [] { return KX_MODL_rename_exp("twice", "thrice"); }},
        {"EXP_delete_exp", [] { return KX_MODL_delete_exp("twice"); }},
        {"EXP_import_expressions", [&] { return KX_MODL_import_exp(in.c_str(), 0); }},
        {"EXP_create_system_exp_tag", [&] { return KX_MODL_create_exp_tag("1+2", &t); }},
        {"EXP_create_exp_tag", [&] { return KX_MODL_create_exp_tag("extra=2", &t); }},
        {"EXP_delete_exp_tag", [&] { return KX_MODL_delete_exp_tag(named("twice")); }},
    };
    const std::vector<std::string> before = assignments();
    for (const Row& r : rows) {
        host::control::raise_on(r.routine, 670099);
        EXPECT_EQ(r.call(), 670099) << r.routine;
        EXPECT_EQ(assignments(), before) << r.routine;
        EXPECT_EQ(host::control::frame_depth(), 0) << r.routine;
        host::control::clear_scripts();
    }
    EXPECT_EQ(t, NULL_TAG);
}

}  // namespace
