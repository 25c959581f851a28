// Enlarged sheets: the top face of the 100 x 50 block widened by
// percentages of its parameter ranges (areas against closed forms), the
// checks in their order as a table, the definition read back, the edit
// followed by an update, and edits of features that are no enlarged sheet.
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/apps/modeling/freeform/enlarge.h"
#include "kx_modl_cre_ff.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;

// Four percentage texts the interface takes as char* [4].
struct Percent {
    std::array<std::string, 4> text;
    std::array<char*, 4> ptr{};
    Percent(std::array<std::string, 4> t) : text(std::move(t)) {
        for (int i = 0; i < 4; ++i) ptr[i] = text[i].data();
    }
    char** get() { return ptr.data(); }
};

class Enlarge : public FormFeature {
protected:
    static double area_of_result(tag feature) {
        const host::feature::Record* r = host::feature::find(feature);
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(r->results.front()), p);
        return p[ZQ_MP_AREA];
    }
    tag enlarge(int type, std::array<std::string, 4> texts, double tolerance = 0.01) {
        Percent p(std::move(texts));
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_enlarge(top_, type, p.get(), tolerance, &f), 0);
        return f;
    }
};

TEST_F(Enlarge, TenPercentOnEverySideMakesTheFaceOneHundredTwentyBySixty) {
    for (int type : {0, 1}) {
        const tag f = enlarge(type, {"10", "10", "10", "10"});
        ASSERT_NE(f, NULL_TAG);
        EXPECT_NEAR(area_of_result(f), 120.0 * 60.0, 1e-6) << "type " << type;
        EXPECT_EQ(marks(), 0);
    }
}

TEST_F(Enlarge, TypeOneShrinksTheFace) {
    const tag f = enlarge(1, {"-25", "-25", "0", "-50"});
    ASSERT_NE(f, NULL_TAG);
    EXPECT_NEAR(area_of_result(f), 50.0 * 25.0, 1e-6);
}

TEST_F(Enlarge, ChecksAnswerInTheirOrderAndChangeNothing) {
    struct Case {
        const char* what;
        tag face;
        int type;
        std::array<std::string, 4> texts;
        double tolerance;
        int code;
    };
    const std::string long_text(256, '1');
    const std::vector<Case> cases = {
        {"no face before a bad type", NULL_TAG, 7, {"0", "0", "0", "0"}, 0.01, 875245},
        {"type before tolerance", top_, 2, {"0", "0", "0", "0"}, 0.0, 875376},
        {"tolerance", top_, 0, {"0", "0", "0", "0"}, 0.0, 875036},
        {"text too long", top_, 0, {long_text, "0", "0", "0"}, 0.01, 1105006},
        {"an expression that does not evaluate", top_, 0, {"10", "nosuchname +", "0", "0"}, 0.01, 875013},
        {"type 0 below 0", top_, 0, {"-1", "0", "0", "0"}, 0.01, 875370},
        {"type 0 above 100", top_, 0, {"0", "0", "0", "101"}, 0.01, 875370},
        {"type 1 below -99", top_, 1, {"0", "0", "-100", "0"}, 0.01, 875370},
        {"type 1 u sum below -99", top_, 1, {"-60", "-50", "0", "0"}, 0.01, 875371},
        {"type 1 v sum below -99", top_, 1, {"0", "0", "-50", "-50"}, 0.01, 875371},
    };
    const std::size_t features = host::feature::features_of_part(part_).size();
    for (const Case& c : cases) {
        Percent p(c.texts);
        tag f = 1234;
        EXPECT_EQ(KX_MODL_create_enlarge(c.face, c.type, p.get(), c.tolerance, &f), c.code) << c.what;
        EXPECT_EQ(f, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
    EXPECT_EQ(host::feature::features_of_part(part_).size(), features);
    Percent edge({"-49", "-50", "0", "0"});
    tag f = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_enlarge(top_, 1, edge.get(), 0.01, &f), 0);
    EXPECT_NEAR(area_of_result(f), 1.0 * 50.0, 1e-6);
}

TEST_F(Enlarge, AskAnswersTheDefinitionInTextsOfTheirOwnLength) {
    const tag f = enlarge(1, {"10", "5*2", "-20", "0"}, 0.025);
    tag face = NULL_TAG;
    int type = -1;
    char* texts[4] = {};
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_enlarge(f, &face, &type, texts, &tolerance), 0);
    EXPECT_EQ(face, top_);
    EXPECT_EQ(type, 1);
    const char* want[4] = {"10", "5*2", "-20", "0"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(texts[i], want[i]);
        KX_free(texts[i]);
    }
    EXPECT_DOUBLE_EQ(tolerance, 0.025);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Enlarge, EditThenUpdateRebuildsTheSheetAndAskAnswersTheNewValues) {
    const tag f = enlarge(0, {"10", "10", "10", "10"});
    const tag body = host::feature::find(f)->results.front();
    Percent wider({"0", "50", "0", "100"});
    ASSERT_EQ(KX_MODL_edit_enlarge(f, 1, wider.get(), 0.5), 0);
    EXPECT_EQ(marks(), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area_of_result(f), 150.0 * 100.0, 1e-6);
    EXPECT_EQ(host::feature::find(f)->results.front(), body);  // the sheet keeps its object
    tag face = NULL_TAG;
    int type = -1;
    char* texts[4] = {};
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_enlarge(f, &face, &type, texts, &tolerance), 0);
    EXPECT_EQ(type, 1);
    EXPECT_STREQ(texts[3], "100");
    EXPECT_DOUBLE_EQ(tolerance, 0.5);
    for (char* t : texts) KX_free(t);
    // An edit refused by its checks leaves the definition as it was.
    Percent bad({"-60", "-50", "0", "0"});
    EXPECT_EQ(KX_MODL_edit_enlarge(f, 1, bad.get(), 0.5), 875371);
    EXPECT_EQ(KX_MODL_edit_enlarge(f, 3, wider.get(), 0.5), 875376);
    EXPECT_EQ(KX_MODL_edit_enlarge(f, 1, wider.get(), -1.0), 875036);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area_of_result(f), 150.0 * 100.0, 1e-6);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Enlarge, FeaturesThatAreNoEnlargedSheetAreRefusedUnchanged) {
    const tag block = host::feature::features_of_part(part_).front();
    Percent p({"1", "1", "1", "1"});
    EXPECT_EQ(KX_MODL_edit_enlarge(block, 0, p.get(), 0.01), 875233);
    tag face = 99;
    int type = 5;
    char* texts[4] = {};
    double tolerance = 0;
    EXPECT_EQ(KX_MODL_ask_enlarge(block, &face, &type, texts, &tolerance), 875233);
    EXPECT_EQ(face, NULL_TAG);
    // A sheet-parameter record of another kind of sheet.
    const tag f = enlarge(0, {"0", "0", "0", "0"});
    host::freeform::keep_sheet_parms(f, SS_KIND_TRIMMED, 0, "0.01");
    EXPECT_EQ(KX_MODL_edit_enlarge(f, 0, p.get(), 0.01), 875004);
    EXPECT_EQ(KX_MODL_ask_enlarge(f, &face, &type, texts, &tolerance), 875004);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Enlarge, TheEnlargeFunctionsCheckInitialisation) {
    kx_reset_session_for_tests();
    Percent p({"1", "1", "1", "1"});
    tag f = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_enlarge(top_, 0, p.get(), 0.01, &f), 1105000);
    EXPECT_EQ(KX_MODL_edit_enlarge(f, 0, p.get(), 0.01), 1105000);
}

}  // namespace
