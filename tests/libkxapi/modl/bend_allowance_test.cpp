// Bend allowance and forming of sheet-metal features: the formula and the
// forming state of each kind, the answers for kinds without them, and the
// refusals before any work.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/sheetmetal/sheetmetal.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"

namespace {

class BendAllowance : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("sheet.prt");
        host::parts::set_work_part(part_);
        const char* formulas[3] = {"100", "50", "2"};
        const double origin[3] = {0, 0, 0};
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    tag make(int kind, const char* formula = "(Radius+Thickness*0.44)*rad(Angle)") {
        unsigned int f = 0;
        EXPECT_EQ(SMD_create_feature(part_, kind, formula, &f), 0);
        return f;
    }
    static std::string formula(tag f, int expect = 0) {
        char* text = nullptr;
        EXPECT_EQ(KX_MODL_ask_bend_allowance_formula(f, &text), expect);
        std::string out = text ? text : "<null>";
        KX_free(text);
        return out;
    }
    static std::vector<double> state_factors() {
        std::vector<double> out;
        for (const auto& c : host::control::calls("PIPNAV_set_state")) out.push_back(c.real(1));
        return out;
    }

    unsigned int part_ = 0;
    unsigned int block_ = 0;
};

TEST_F(BendAllowance, FormulaOfEachKindIsReadAndSet) {
    for (int kind : {SMD_FLANGE, SMD_FLANGE_ALT, SMD_GENERAL_FLANGE, SMD_BRIDGE, SMD_BEND}) {
        SCOPED_TRACE(kind);
        const tag f = make(kind, "K*T");
        EXPECT_EQ(formula(f), "K*T");
        // A percent sign is text, never a format.
        EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(f, "%s%d+0.5*T"), 0);
        EXPECT_EQ(formula(f), "%s%d+0.5*T");
    }
}

TEST_F(BendAllowance, KindWithoutFormulaAnswersEmptyTextAndStatus) {
    // A copy of the library, empty, for every kind without a formula; the
    // status tells whether the bend-allowance table is in use.
    EXPECT_EQ(formula(block_, 1), "");
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(block_, "T"), 1);
    SMDUTL_set_def_use_bat(1);
    EXPECT_EQ(formula(block_, 2), "");
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(block_, "T"), 2);
}

TEST_F(BendAllowance, BendFormulaLongerThanItsFieldIsRefused) {
    const tag bend = make(SMD_BEND, "T");
    const std::string longest(SMBEND_FORMULA_CHARS - 1, 'T');
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(bend, longest.c_str()), 0);
    EXPECT_EQ(formula(bend), longest);
    const std::string too_long(SMBEND_FORMULA_CHARS, 'T');
    host::control::set_journal(true);
    host::control::clear_journal();
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(bend, too_long.c_str()), 1105005);
    EXPECT_EQ(host::control::call_count("SMBEND_set_baf"), 0);
    EXPECT_EQ(formula(bend), longest);
}

TEST_F(BendAllowance, StatesOfFlangesAndBends) {
    const tag flange = make(SMD_FLANGE), bend = make(SMD_BEND), bridge = make(SMD_BRIDGE),
              general = make(SMD_GENERAL_FLANGE);
    int state = -1;
    double factor = -1;
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(flange, &state, &factor), 0);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(factor, 1.0);
    // A bend half formed.
    double half = 0.5;
    EXPECT_EQ(KX_MODL_edit_formable_feature_state(bend, 2, &half), 0);
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(bend, &state, &factor), 0);
    EXPECT_EQ(state, 2);
    EXPECT_EQ(factor, 0.5);
    // The requested state reaches the host: state 0 unforms whatever the value.
    double any = 0.7;
    host::control::set_journal(true);
    host::control::clear_journal();
    EXPECT_EQ(KX_MODL_edit_formable_feature_state(bend, 0, &any), 0);
    ASSERT_EQ(host::control::calls("PIPNAV_set_state").size(), 1u);
    EXPECT_EQ(host::control::calls("PIPNAV_set_state")[0].arg[2], 0);
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(bend, &state, &factor), 0);
    EXPECT_EQ(state, 0);
    // A flange's value is the share of its 90-degree form.
    host::control::clear_journal();
    double quarter = 0.25;
    EXPECT_EQ(KX_MODL_edit_formable_feature_state(flange, 2, &quarter), 0);
    EXPECT_EQ(state_factors(), std::vector<double>{22.5});
    EXPECT_EQ(host::control::calls("PIPNAV_set_state")[0].arg[2], 2);
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(flange, &state, &factor), 0);
    EXPECT_EQ(state, 2);
    EXPECT_EQ(factor, 0.25);
    host::control::clear_journal();
    double one = 1.0;
    EXPECT_EQ(KX_MODL_edit_formable_feature_state(flange, 1, &one), 0);
    EXPECT_EQ(state_factors(), std::vector<double>{90.0});
    // General flanges and bridges have no factor; other kinds no state.
    for (tag f : {bridge, general}) {
        EXPECT_EQ(KX_MODL_ask_formable_feature_state(f, &state, &factor), 3);
        EXPECT_EQ(KX_MODL_edit_formable_feature_state(f, 1, &one), 3);
    }
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(block_, &state, &factor), 1);
    EXPECT_EQ(KX_MODL_edit_formable_feature_state(block_, 1, &one), 1);
}

TEST_F(BendAllowance, FormingAndUnformingEveryKind) {
    const std::vector<tag> features = {make(SMD_FLANGE), make(SMD_GENERAL_FLANGE), make(SMD_BRIDGE), make(SMD_BEND)};
    unsigned char changed = 0;
    // Formed already: nothing changes, the flag stays as the caller set it.
    EXPECT_EQ(KX_MODL_form_features(4, features.data(), &changed), 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(KX_MODL_unform_features(4, features.data(), &changed), 0);
    EXPECT_EQ(changed, 1);
    int state = -1;
    double factor = -1;
    EXPECT_EQ(KX_MODL_ask_formable_feature_state(features[0], &state, &factor), 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(GENFLG_ask_state(features[1]), 0);
    EXPECT_EQ(SMBRIDGE_ask_state(features[2]), 0);
    EXPECT_EQ(SMBEND_ask_p_factor(features[3]), 0.0);
    // A feature of another kind among them: the others are formed, the
    // answer is 1.
    const std::vector<tag> mixed = {features[0], block_, features[3]};
    changed = 0;
    EXPECT_EQ(KX_MODL_form_features(3, mixed.data(), &changed), 1);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(FLANGE_ask_proc_factor(features[0]), 1.0);
    EXPECT_EQ(SMBEND_ask_p_factor(features[3]), 1.0);
    // Forming does not reshape the body.
    EXPECT_EQ(host::feature::find(block_)->step, 0);
}

TEST_F(BendAllowance, RefusalsBeforeAnyWork) {
    const tag flange = make(SMD_FLANGE);
    const tag with_null[2] = {flange, NULL_TAG};
    unsigned char changed = 0;
    char* text = nullptr;
    int state = 0;
    double value = 1.0;
    host::control::set_journal(true);
    host::control::clear_journal();
    const struct {
        const char* what;
        int status;
        int expect;
    } cases[] = {
        {"ask formula of null", KX_MODL_ask_bend_allowance_formula(NULL_TAG, &text), 875123},
        {"ask formula to null", KX_MODL_ask_bend_allowance_formula(flange, nullptr), 875179},
        {"edit formula of null", KX_MODL_edit_bend_allowance_formula(NULL_TAG, "T"), 875123},
        {"edit null formula", KX_MODL_edit_bend_allowance_formula(flange, nullptr), 875179},
        {"form null array", KX_MODL_form_features(2, nullptr, &changed), 875123},
        {"form null tag", KX_MODL_form_features(2, with_null, &changed), 875123},
        {"form to null flag", KX_MODL_unform_features(1, with_null, nullptr), 875179},
        {"ask state to null", KX_MODL_ask_formable_feature_state(flange, &state, nullptr), 875179},
        {"edit state 3", KX_MODL_edit_formable_feature_state(flange, 3, &value), 875179},
        {"edit state -1", KX_MODL_edit_formable_feature_state(flange, -1, &value), 875179},
        {"edit null value", KX_MODL_edit_formable_feature_state(flange, 1, nullptr), 875179},
        {"edit dead tag", KX_MODL_edit_formable_feature_state(9999999, 1, &value), 875253},
        {"ask dead tag", KX_MODL_ask_bend_allowance_formula(9999999, &text), 875253},
    };
    for (const auto& c : cases) EXPECT_EQ(c.status, c.expect) << c.what;
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(host::control::call_count("PIPNAV_set_state"), 0);
    EXPECT_EQ(host::control::call_count("FLANGE_set_baf"), 0);
    // A dead tag among live ones: the others are formed, the answer is 875253.
    EXPECT_EQ(KX_MODL_unform_features(1, &flange, &changed), 0);
    const tag dead_first[2] = {9999999, flange};
    EXPECT_EQ(KX_MODL_form_features(2, dead_first, &changed), 875253);
    EXPECT_EQ(FLANGE_ask_proc_factor(flange), 1.0);
}

TEST_F(BendAllowance, HostErrorBecomesStatusAndIsAcknowledged) {
    const tag bend = make(SMD_BEND);
    host::control::raise_on("SMBEND_set_baf", 670099);
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(bend, "T"), 670099);
    const auto acked = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acked.begin(), acked.end(), 670099), acked.end());
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(BendAllowance, PartFileKeepsFormulasFactorsAndStates) {
    const std::vector<tag> features = {make(SMD_FLANGE, "K*T"), make(SMD_FLANGE_ALT, "%s+T"),
                                       make(SMD_GENERAL_FLANGE, "G*T"), make(SMD_BRIDGE, "B*T"), make(SMD_BEND, "R+T")};
    double quarter = 0.25, half = 0.5;
    ASSERT_EQ(KX_MODL_edit_formable_feature_state(features[0], 2, &quarter), 0);
    ASSERT_EQ(KX_MODL_edit_formable_feature_state(features[4], 2, &half), 0);
    unsigned char changed = 0;
    ASSERT_EQ(KX_MODL_unform_features(1, &features[2], &changed), 0);
    const auto asked = [](tag f) {
        int state = -1;
        double factor = -1;
        const int status = KX_MODL_ask_formable_feature_state(f, &state, &factor);
        return std::make_tuple(SMDUTL_ask_smd_feature_type(f), formula(f), status, state, factor);
    };
    std::vector<decltype(asked(0))> before;
    for (tag f : features) before.push_back(asked(f));
    const int general_state = GENFLG_ask_state(features[2]), bridge_state = SMBRIDGE_ask_state(features[3]);
    SMBEND_record_t bend{};
    SMBEND_ask_smbend(features[4], &bend);
    std::map<unsigned int, unsigned int> read = reopen_part(part_, kxtest::fresh_process);
    for (std::size_t i = 0; i < features.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(asked(read[features[i]]), before[i]);
    }
    EXPECT_EQ(GENFLG_ask_state(read[features[2]]), general_state);
    EXPECT_EQ(SMBRIDGE_ask_state(read[features[3]]), bridge_state);
    SMBEND_record_t bend_read{};
    SMBEND_ask_smbend(read[features[4]], &bend_read);
    EXPECT_EQ(bend_read.angle, bend.angle);
    EXPECT_EQ(bend_read.radius, bend.radius);
    EXPECT_EQ(bend_read.p_factor, bend.p_factor);
    EXPECT_STREQ(bend_read.formula, bend.formula);
    // What was read edits as what was made.
    EXPECT_EQ(KX_MODL_edit_bend_allowance_formula(read[features[0]], "T/2"), 0);
    EXPECT_EQ(formula(read[features[0]]), "T/2");
}

// Rows of section "SMTL" that no sheet-metal feature has are refused as a
// corrupt file, the model as it was.
TEST_F(BendAllowance, DamagedSheetMetalRowsAreRefused) {
    make(SMD_FLANGE, "K*T");
    // The row starts at byte 12 (count, object number, size): the kind,
    // the formula (length and 3 bytes), the factor, the state.
    const kxtest::RowDamage damages[] = {
        {"kind 7", "SMTL", 12, kxtest::le32(0), kxtest::le32(7)},
        {"empty formula", "SMTL", 16, kxtest::le32(3), kxtest::le32(0)},
        {"factor 2", "SMTL", 23, kxtest::f64_bytes(1.0), kxtest::f64_bytes(2.0)},
        {"state 5", "SMTL", 31, kxtest::le32(1), kxtest::le32(5)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
}

TEST_F(BendAllowance, NotInitialised) {
    kxtest::fresh_process();
    char* text = nullptr;
    EXPECT_EQ(KX_MODL_ask_bend_allowance_formula(1, &text), 1105000);
    unsigned char changed = 0;
    EXPECT_EQ(KX_MODL_form_features(0, nullptr, &changed), 1105000);
}

}  // namespace
