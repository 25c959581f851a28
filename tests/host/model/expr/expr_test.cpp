// The expression service: evaluation with units and degrees, dependencies,
// cycles, bad input, renames, deletion, assignment texts, files of
// expressions in each import mode, geometric expressions, undo.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "tests/host/model/feature/feature_model_test.h"

namespace {

namespace fs = std::filesystem;

class Expressions : public FeatureModelTest {
protected:
    // Every expression of the part as "name=formula value".
    std::string all() const {
        std::string out;
        for (unsigned int t : host::expr::of_part(part_)) {
            char v[EXP_VALUE_CHARS];
            EXP_format_value(host::expr::value(t), v);
            out += host::expr::assignment(t) + " " + v + "\n";
        }
        return out;
    }
    std::string file(const char* name) const {
        return (fs::temp_directory_path() / (std::string("kx_expr_") + name)).string();
    }
    static void write(const std::string& path, const char* text) { std::ofstream(path) << text; }
};

struct ValueRow {
    const char* title;
    int units;
    const char* formula;
    double value;
};

class ExpressionValue : public Expressions, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(ExpressionValue, Evaluates) {
    const ValueRow& row = GetParam();
    if (row.units == PART_UNITS_INCH) {
        part_ = host::parts::create("inch.prt", PART_UNITS_INCH);
        CONTEXT_set_work_part(part_);
    }
    ASSERT_EQ(make("base=4"), 0);
    const std::string assignment = std::string("x=") + row.formula;
    ASSERT_EQ(make(assignment.c_str()), 0) << row.formula;
    EXPECT_NEAR(value("x"), row.value, 1e-12 * (1 + std::abs(row.value))) << row.formula;
    double direct = 0;
    EXPECT_EQ(EXP_ask_value_of_exp_str(part_, row.formula, &direct), 0);
    EXPECT_EQ(direct, value("x"));
}

INSTANTIATE_TEST_SUITE_P(Table, ExpressionValue,
                         ::testing::Values(ValueRow{"Arithmetic", PART_UNITS_MM, "1+2*3", 7},
                                           ValueRow{"OtherExpression", PART_UNITS_MM, "base*2.5", 10},
                                           ValueRow{"SineOfDegrees", PART_UNITS_MM, "sin(30)", 0.5},
                                           ValueRow{"CosineOfDegrees", PART_UNITS_MM, "cos(60)", 0.5},
                                           ValueRow{"TangentOfDegrees", PART_UNITS_MM, "tan(45)", 1},
                                           ValueRow{"ArcSineInDegrees", PART_UNITS_MM, "asin(1)", 90},
                                           ValueRow{"ArcTangentOfTwo", PART_UNITS_MM, "atan2(1, 1)", 45},
                                           ValueRow{"FunctionOfSeveral", PART_UNITS_MM, "max(base, 9) + min(1, 2)", 10},
                                           ValueRow{"Pi", PART_UNITS_MM, "pi", 3.141592653589793},
                                           ValueRow{"RadiansToDegrees", PART_UNITS_MM, "pi*rad", 180},
                                           ValueRow{"InchInMillimetres", PART_UNITS_MM, "2*inch", 50.8},
                                           ValueRow{"FeetAndMetres", PART_UNITS_MM, "ft + m", 1304.8},
                                           ValueRow{"InchInAnInchPart", PART_UNITS_INCH, "2*inch", 2},
                                           ValueRow{"MillimetresInAnInchPart", PART_UNITS_INCH, "25.4*mm", 1},
                                           ValueRow{"Comparison", PART_UNITS_MM, "base >= 4", 1},
                                           ValueRow{"Conditional", PART_UNITS_MM, "base > 3 ? 10 : 20", 10}),
                         [](const ::testing::TestParamInfo<ValueRow>& info) { return std::string(info.param.title); });

struct BadRow {
    const char* title;
    std::string assignment;
    int code;
};

class ExpressionRefusal : public Expressions, public ::testing::WithParamInterface<BadRow> {};

TEST_P(ExpressionRefusal, GivesItsCodeAndChangesNothing) {
    const BadRow& row = GetParam();
    ASSERT_EQ(make("length=100"), 0);
    ASSERT_EQ(make("inverse=1/(length-99)"), 0);
    const std::string before = all();
    EXPECT_EQ(make(row.assignment.c_str()), row.code) << row.assignment;
    EXPECT_EQ(all(), before);
    // The same formula as an edit of an existing expression.
    const std::size_t eq = row.assignment.find('=');
    if (eq != std::string::npos && eq <= EXP_MAX_NAME_CHARS && row.code != EXP_ERR_BAD_NAME &&
        row.code != EXP_ERR_RESERVED_NAME && row.code != EXP_ERR_DUPLICATE && row.assignment.size() < 200) {
        const int edit = set("length", row.assignment.substr(eq + 1).c_str());
        EXPECT_NE(edit, 0);
        EXPECT_EQ(all(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionRefusal,
    ::testing::Values(
        BadRow{"UnknownName", "x=width+1", EXP_ERR_UNKNOWN_NAME}, BadRow{"UnknownFunction", "x=foo(2)", EXP_ERR_SYNTAX},
        BadRow{"DivisionByZero", "x=1/0", EXP_ERR_NOT_FINITE}, BadRow{"NoRealValue", "x=sqrt(-1)", EXP_ERR_NOT_FINITE},
        BadRow{"MissingOperand", "x=2+", EXP_ERR_SYNTAX}, BadRow{"UnbalancedBracket", "x=(2+3", EXP_ERR_SYNTAX},
        BadRow{"EmptyFormula", "x=", EXP_ERR_SYNTAX}, BadRow{"SecondAssignment", "x=a=3", EXP_ERR_SYNTAX},
        BadRow{"TwoResults", "x=1,2", EXP_ERR_SYNTAX}, BadRow{"TextLiteral", "x=\"a\"", EXP_ERR_SYNTAX},
        BadRow{"ControlCharacter", "x=1\x01+2", EXP_ERR_SYNTAX},
        BadRow{"NameOfAFunction", "sin=3", EXP_ERR_RESERVED_NAME}, BadRow{"NameOfAUnit", "mm=3", EXP_ERR_RESERVED_NAME},
        BadRow{"NameOfAConstant", "pi=3", EXP_ERR_RESERVED_NAME},
        BadRow{"NameWithADigitFirst", "1x=3", EXP_ERR_BAD_NAME}, BadRow{"NameWithASpace", "a b=3", EXP_ERR_BAD_NAME},
        BadRow{"NoName", "=3", EXP_ERR_BAD_NAME}, BadRow{"NameTaken", "length=5", EXP_ERR_DUPLICATE},
        BadRow{"NameTooLong", std::string(31, 'n') + "=1", EXP_ERR_TOO_LONG},
        BadRow{"FormulaTooLong", "x=" + std::string(2000, '1'), EXP_ERR_TOO_LONG},
        BadRow{"TextOfAnyLength", std::string(100000, 'q'), EXP_ERR_TOO_LONG},
        BadRow{"ReferenceToItself", "x=x+1", EXP_ERR_CYCLE}),
    [](const ::testing::TestParamInfo<BadRow>& info) { return std::string(info.param.title); });

TEST_F(Expressions, EditThatBreaksADependentChangesNothing) {
    ASSERT_EQ(make("length=100"), 0);
    ASSERT_EQ(make("inverse=1/(length-99)"), 0);
    const std::string before = all();
    EXPECT_EQ(set("length", "99"), EXP_ERR_NOT_FINITE);
    EXPECT_EQ(all(), before);
}

TEST_F(Expressions, CycleIsRefusedAndNothingChanges) {
    ASSERT_EQ(make("b=1"), 0);
    ASSERT_EQ(make("a=b+1"), 0);
    const std::string before = all();
    EXPECT_EQ(set("b", "a+1"), EXP_ERR_CYCLE);
    EXPECT_EQ(set("b", "b*1.2"), EXP_ERR_CYCLE);
    EXPECT_EQ(all(), before);
    ASSERT_EQ(make("c=a*2"), 0);
    EXPECT_EQ(set("b", "c"), EXP_ERR_CYCLE);  // a longer way round
    EXPECT_EQ(value("a"), 2);
}

TEST_F(Expressions, EditsReachEveryDependentInOrder) {
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("b=a*2"), 0);
    ASSERT_EQ(make("c=b+a"), 0);
    ASSERT_EQ(make("d=c*b"), 0);
    ASSERT_EQ(set("a", "3"), 0);
    EXPECT_EQ(value("b"), 6);
    EXPECT_EQ(value("c"), 9);
    EXPECT_EQ(value("d"), 54);
}

TEST_F(Expressions, RenameRewritesEveryFormulaThatUsesTheName) {
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("ab=2"), 0);
    ASSERT_EQ(make("c=a+ab*a"), 0);
    ASSERT_EQ(EXP_rename_exp(exp("a"), "alpha"), 0);
    EXPECT_EQ(exp("a"), 0u);
    EXPECT_EQ(host::expr::assignment(exp("c")), "c=alpha+ab*alpha");
    ASSERT_EQ(set("alpha", "2"), 0);
    EXPECT_EQ(value("c"), 6);
    const std::string before = all();
    EXPECT_EQ(EXP_rename_exp(exp("alpha"), "ab"), EXP_ERR_DUPLICATE);
    EXPECT_EQ(EXP_rename_exp(exp("alpha"), "cos"), EXP_ERR_RESERVED_NAME);
    EXPECT_EQ(EXP_rename_exp(exp("alpha"), "2x"), EXP_ERR_BAD_NAME);
    EXPECT_EQ(all(), before);
}

TEST_F(Expressions, DeletionIsRefusedWhileReferenced) {
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("b=a*2"), 0);
    EXPECT_EQ(EXP_delete_exp(exp("a")), EXP_ERR_IN_USE);
    EXPECT_EQ(raised([&] { EXP_delete_exp_tag(exp("a")); }), EXP_ERR_IN_USE);
    EXPECT_NE(exp("a"), 0u);
    EXPECT_EQ(EXP_delete_exp(exp("b")), 0);
    EXPECT_EQ(EXP_delete_exp(exp("a")), 0);
    EXPECT_EQ(host::expr::of_part(part_).size(), 0u);
}

TEST_F(Expressions, SystemExpressionsTakeTheNextFreeNumber) {
    unsigned int p0 = 0, p1 = 0;
    ASSERT_EQ(EXP_create_system_exp_tag(part_, "5", &p0), 0);
    ASSERT_EQ(make("p1=7"), 0);
    ASSERT_EQ(EXP_create_system_exp(part_, "p0+p1", &p1), 0);
    EXPECT_EQ(host::expr::assignment(p0), "p0=5");
    EXPECT_EQ(host::expr::assignment(p1), "p2=p0+p1");
    EXPECT_EQ(EXP_is_a_system_exp(p1), 1);
    EXPECT_EQ(EXP_is_a_system_exp(exp("p1")), 0);
    EXPECT_EQ(host::expr::value(p1), 12);
    unsigned int none = 9;
    EXPECT_EQ(EXP_create_exp(part_, "5", &none), EXP_ERR_NO_NAME);
}

struct DissectRow {
    const char* text;
    const char* name;     // null: no name part
    const char* formula;  // null: none
};

class Dissect : public Expressions, public ::testing::WithParamInterface<DissectRow> {};

TEST_P(Dissect, SplitsAtTheAssignment) {
    const DissectRow& row = GetParam();
    char *name = nullptr, *formula = nullptr;
    EXP_dissect_assignment(row.text, &name, &formula);
    EXPECT_EQ(name ? std::string(name) : "<none>", row.name ? row.name : "<none>");
    EXPECT_EQ(formula ? std::string(formula) : "<none>", row.formula ? row.formula : "<none>");
    SM_free(name);
    SM_free(formula);
}

INSTANTIATE_TEST_SUITE_P(Table, Dissect,
                         ::testing::Values(DissectRow{"a=1", "a", "1"}, DissectRow{" len = 2 * w ", "len", "2 * w"},
                                           DissectRow{"x == 1", nullptr, "x == 1"},
                                           DissectRow{"b = c <= 2", "b", "c <= 2"},
                                           DissectRow{"c != d", nullptr, "c != d"}, DissectRow{"5", nullptr, "5"},
                                           DissectRow{"a=", "a", nullptr}, DissectRow{"", nullptr, nullptr}));

struct ImportRow {
    const char* title;
    int mode;
    const char* file;
    int answer;
    const char* after;  // all() afterwards; null: as before
};

class Import : public Expressions, public ::testing::WithParamInterface<ImportRow> {};

TEST_P(Import, AppliesTheModeWholeOrNotAtAll) {
    const ImportRow& row = GetParam();
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("b=a*2"), 0);
    ASSERT_EQ(make("c=3"), 0);
    const std::string before = all();
    const std::string path = file(row.title);
    write(path, row.file);
    int made = -1, changed = -1, lines = -1;
    EXPECT_EQ(EXP_import_expressions(part_, row.mode, path.c_str(), &made, &changed, &lines), row.answer);
    EXPECT_EQ(all(), row.after ? row.after : before);
    fs::remove(path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Import,
    ::testing::Values(ImportRow{"ReplaceExisting", EXP_IMPORT_REPLACE, "// made elsewhere\na=10\n\nd=e+a\ne=1\n", 0,
                                "a=10 10\nb=a*2 20\nc=3 3\nd=e+a 11\ne=1 1\n"},
                      ImportRow{"KeepExisting", EXP_IMPORT_KEEP, "a=10\nd=a+1\n", 0,
                                "a=1 1\nb=a*2 2\nc=3 3\nd=a+1 2\n"},
                      ImportRow{"DeleteImported", EXP_IMPORT_DELETE, "c=0\n", 0, "a=1 1\nb=a*2 2\n"},
                      ImportRow{"DeleteRefusedWhileUsed", EXP_IMPORT_DELETE, "c=0\na=0\n", EXP_ERR_IN_USE, nullptr},
                      ImportRow{"LineWithoutName", EXP_IMPORT_REPLACE, "d=1\n5+5\n", EXP_ERR_BAD_FILE_LINE, nullptr},
                      ImportRow{"CycleAcrossLines", EXP_IMPORT_REPLACE, "d=e+1\ne=d+1\n", EXP_ERR_CYCLE, nullptr},
                      ImportRow{"BadFormulaLate", EXP_IMPORT_REPLACE, "a=5\nd=1/0\n", EXP_ERR_NOT_FINITE, nullptr},
                      ImportRow{"ReservedName", EXP_IMPORT_REPLACE, "cos=1\n", EXP_ERR_RESERVED_NAME, nullptr}),
    [](const ::testing::TestParamInfo<ImportRow>& info) { return std::string(info.param.title); });

TEST_F(Expressions, ImportOfAFileThatCannotBeReadAnswersNegative) {
    int made = 0, changed = 0, lines = 0;
    EXPECT_EQ(EXP_import_expressions(part_, 0, "/nonexistent/dir/x.exp", &made, &changed, &lines), -1);
    EXPECT_EQ(raised([&] { EXP_import_expressions(part_, 3, "x", &made, &changed, &lines); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(Expressions, ExportedFileImportsIntoAnotherPartAsItWas) {
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("c=sin(30)"), 0);
    ASSERT_EQ(make("b=a*2+c"), 0);
    const std::string path = file("export");
    fs::remove(path);
    ASSERT_EQ(EXP_export_expressions(part_, 0, path.c_str(), 0), 0);
    EXPECT_EQ(EXP_export_expressions(part_, 0, path.c_str(), 0), 1);  // there already
    EXPECT_EQ(EXP_export_expressions(part_, 0, "/nonexistent/dir/x.exp", 1), -1);
    const std::string before = all();
    part_ = host::parts::create("other.prt");
    int made = 0, changed = 0, lines = 0;
    ASSERT_EQ(EXP_import_expressions(part_, EXP_IMPORT_REPLACE, path.c_str(), &made, &changed, &lines), 0);
    EXPECT_EQ(made, 3);
    EXPECT_EQ(all(), before);
    fs::remove(path);
}

TEST_F(Expressions, GeometricExpressionsFollowTheModel) {
    build();
    const int body = body_of(block_);
    unsigned int front = 0, back = 0, side = 0;
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type != ZQ_SURF_PLANE) continue;
        if (std::abs(std::abs(d[1]) - 1) < 1e-9) (p[1] < 25 ? front : back) = host::kernel::object_of(f);
        if (std::abs(std::abs(d[0]) - 1) < 1e-9) side = host::kernel::object_of(f);
    }
    ASSERT_NE(front, 0u);
    ASSERT_NE(back, 0u);
    const unsigned int faces[] = {front, back};
    unsigned int gap = 0, angle = 0;
    ASSERT_EQ(EXP_create_geometric_exp(part_, "gap", EXP_MEASURE_DISTANCE, 2, faces, &gap), 0);
    const unsigned int corner[] = {front, side};
    ASSERT_EQ(EXP_create_geometric_exp(part_, "corner", EXP_MEASURE_ANGLE, 2, corner, &angle), 0);
    ASSERT_EQ(make("half=gap/2"), 0);
    EXPECT_NEAR(value("gap"), 50, 1e-9);
    EXPECT_NEAR(value("corner"), 90, 1e-9);
    EXPECT_EQ(EXP_is_geom_exp(gap), 1);
    EXPECT_EQ(set("gap", "3"), EXP_ERR_NOT_EDITABLE);

    ASSERT_EQ(set("width", "60"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(value("gap"), 60, 1e-9);
    EXPECT_NEAR(value("half"), 30, 1e-9);
    unsigned int none = 0;
    const unsigned int dead[] = {front, host::objects::next_tag() + 10};
    EXPECT_EQ(EXP_create_geometric_exp(part_, "flat", EXP_MEASURE_ANGLE, 2, dead, &none), EXP_ERR_NO_MEASURE);
    EXPECT_EQ(raised([&] { EXP_create_geometric_exp(part_, "len", EXP_MEASURE_LENGTH, 2, faces, &none); }),
              HOST_ERR_BAD_ARGUMENT);
}

TEST_F(Expressions, UndoTakesExpressionChangesBack) {
    ASSERT_EQ(make("a=1"), 0);
    ASSERT_EQ(make("b=a*2"), 0);
    const std::string before = all();
    int st = 0;
    const unsigned int mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "exp", &st);
    ASSERT_EQ(set("a", "5"), 0);
    ASSERT_EQ(EXP_rename_exp(exp("b"), "bee"), 0);
    ASSERT_EQ(make("c=9"), 0);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(all(), before);
    EXPECT_EQ(exp("c"), 0u);
}

TEST_F(Expressions, QueriesOfNamesAndTexts) {
    ASSERT_EQ(make("a=1"), 0);
    char* text = nullptr;
    ASSERT_EQ(EXP_ask_assignment_of_exp_tag(exp("a"), &text), 0);
    EXPECT_STREQ(text, "a=1");
    SM_free(text);
    int n = 0;
    char** names = nullptr;
    ASSERT_EQ(EXP_ask_vars_of_exp_str(part_, "a*b + sin(a)", &n, &names), 0);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(names[0], "a");
    EXPECT_STREQ(names[1], "b");
    for (int i = 0; i < n; ++i) SM_free(names[i]);
    SM_free(names);
    EXPECT_EQ(EXP_is_valid_syntax("a*(b+1)"), 1);
    EXPECT_EQ(EXP_is_valid_syntax("a*(b+"), 0);
    double v = 0;
    EXPECT_EQ(EXP_ask_value_of_exp_str(part_, "a+zz", &v), EXP_ERR_UNKNOWN_NAME);
    EXPECT_EQ(raised([&] { EXP_ask_value_of_exp(part_, &v); }), EXP_ERR_NOT_FOUND);
}

}  // namespace
