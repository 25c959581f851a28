// Joined-curve features: the chain made one curve that follows its
// curves, the tolerances in the caller's order, and the codes (the host's
// answers of a creation as a table).
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/model/feature/feature.h"
#include "host/numeric/tolerances.h"
#include "kx_curve_feat.h"
#include "kx_undo.h"
#include "kxapi.h"
#include "string_list_fixture.h"

namespace {

using P = std::vector<double>;

class JoinedFeatureTest : public StringListCurveTest {
protected:
    static P end_of(tag curve, int which) {
        const P l = curve_limits(curve);
        return point_at(curve, l[which]);
    }
    static void expect_at(const P& p, const P& want) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], want[k], 1e-9);
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    std::size_t features() { return host::feature::features_of_part(part).size(); }
};

TEST_F(JoinedFeatureTest, TheChainBecomesOneCurveThatFollowsItsCurves) {
    tag a = line(0, 0, 0, 1, 0, 0), b = line(1, 0, 0, 1, 1, 0);
    string_list s = strings_of({a, b});
    tag feature = NULL_TAG, joined = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_joined_feature(&s, 1, &feature, &joined), 0);
    ASSERT_NE(feature, NULL_TAG);
    ASSERT_NE(joined, NULL_TAG);
    expect_at(end_of(joined, 0), {0, 0, 0});
    expect_at(end_of(joined, 1), {1, 1, 0});
    EXPECT_EQ(marks(), 0);

    // Asked back: the strings, the method and the tolerances in the
    // caller's order (the distance tolerance first and third).
    string_list back{};
    int method = 0;
    double tol[3] = {0, 0, 0};
    ASSERT_EQ(KX_CURVE_ask_joined_parms(feature, &back, &method, tol), 0);
    made.push_back(back);
    ASSERT_EQ(back.count, 1);
    EXPECT_EQ(std::vector<tag>(back.objects, back.objects + back.per_string[0]), (std::vector<tag>{a, b}));
    EXPECT_EQ(method, 1);
    EXPECT_EQ(P(tol, tol + 3), P({srfc1_[0], srfc1_[1], srfc1_[0]}));

    // Edited: method and tolerances come back as given.
    double given[3] = {0.01, 0.2, 0.3};
    ASSERT_EQ(KX_CURVE_edit_joined_feature(feature, &s, 3, given), 0);
    string_list again{};
    ASSERT_EQ(KX_CURVE_ask_joined_parms(feature, &again, &method, tol), 0);
    made.push_back(again);
    EXPECT_EQ(method, 3);
    EXPECT_EQ(P(tol, tol + 3), P(given, given + 3));

    // The second line moves: the joined curve (the same tag) follows at the
    // update.
    line_data moved{{1, 0, 0}, {1, 2, 0}};
    ASSERT_EQ(KX_CURVE_edit_line_data(b, &moved), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    int n = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &curves), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(curves[0], joined);
    KX_free(curves);
    EXPECT_NEAR(end_of(joined, 1)[1], 2, srfc1_[0]);
}

TEST_F(JoinedFeatureTest, CreationCodes) {
    tag a = line(0, 0, 0, 1, 0, 0), b = line(1, 0, 0, 1, 1, 0), apart = line(5, 5, 0, 6, 5, 0);
    string_list chain = strings_of({a, b}), gap = strings_of({a, apart});
    const std::size_t before = features();
    tag feature = 7, joined = 7;
    for (int method : {0, 4})
        EXPECT_EQ(KX_CURVE_create_joined_feature(&chain, method, &feature, &joined), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_create_joined_feature(nullptr, 1, &feature, &joined), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_create_joined_feature(&gap, 1, &feature, &joined), KX_CURVE_ERR_JOIN_GAP);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(joined, NULL_TAG);
    // The host's answers of the creation.
    const std::vector<std::pair<int, int>> answers = {
        {1, 875153}, {3, 875152},  {4, 875005},   {5, 875151},        {6, 875135},  {7, 875027},
        {8, 875033}, {9, 1105005}, {10, 1105004}, {1395037, 1105004}, {42, 875030},
    };
    for (const auto& [host_answer, code] : answers) {
        host::control::return_status("CRV_JOIN_create_frec", host_answer);
        EXPECT_EQ(KX_CURVE_create_joined_feature(&chain, 1, &feature, &joined), code) << host_answer;
        host::control::clear_script("CRV_JOIN_create_frec");
        EXPECT_EQ(feature, NULL_TAG) << host_answer;
    }
    EXPECT_EQ(features(), before);
    EXPECT_EQ(marks(), 0);
}

TEST_F(JoinedFeatureTest, EditAndAskCodes) {
    tag a = line(0, 0, 0, 1, 0, 0), b = line(1, 0, 0, 1, 1, 0);
    string_list s = strings_of({a, b});
    tag feature = NULL_TAG, joined = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_joined_feature(&s, 2, &feature, &joined), 0);
    const unsigned int other = host::feature::create(part, "COMBINED_CURVE", {}, {});
    double tol[3] = {0.01, 0.2, 0.3};
    int method = 0;
    string_list out{};
    struct Case {
        std::string what;
        tag feature;
        string_list* curves;
        int method;
        int code;
    };
    const std::vector<Case> cases = {
        {"no curves", feature, nullptr, 1, KX_ERR_BAD_PARAM_2},
        {"method 4", feature, &s, 4, KX_ERR_BAD_PARAM_3},
        {"a null feature", NULL_TAG, &s, 1, KX_ERR_BAD_PARAM_1},
        {"another feature", other, &s, 1, KX_ERR_BAD_PARAM_1},
        {"a curve", a, &s, 1, KX_ERR_BAD_PARAM_1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_CURVE_edit_joined_feature(c.feature, c.curves, c.method, tol), c.code) << c.what;
        if (c.curves && c.method == 1) {
            EXPECT_EQ(KX_CURVE_ask_joined_parms(c.feature, &out, &method, tol), c.code) << c.what;
        }
    }
    // Nothing changed: the feature keeps method 2.
    ASSERT_EQ(KX_CURVE_ask_joined_parms(feature, &out, &method, tol), 0);
    made.push_back(out);
    EXPECT_EQ(method, 2);
    EXPECT_EQ(marks(), 0);
}

}  // namespace
