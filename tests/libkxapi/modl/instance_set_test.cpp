// Instance sets, offsets and extracted faces on the 100 x 50 x 20 block.
#include <functional>

#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/model/feature/profiles.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using form_test::FormFeature;
using form_test::kBlockVolume;
using form_test::kPi;

class InstanceSet : public FormFeature {
protected:
    // A blind hole of diameter 6 and depth 10 into the top face.
    tag hole(double x, double y) {
        double at[] = {x, y, 20}, down[] = {0, 0, -1};
        tag h = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, down, "6", "10", "0", top_, NULL_TAG, &h), 0);
        return h;
    }
    static double hole_volume() { return kPi * 9.0 * 10.0; }
    static tag_list* list_of(std::initializer_list<tag> tags) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        for (tag t : tags) EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        return list;
    }
    // A datum-axis feature along Z through (50, 25).
    tag datum_axis() {
        const double p[] = {50, 25, 0}, d[] = {0, 0, 1};
        const tag axis = host::profiles::create_direction_object(part_, 196, p, d);
        return host::feature::create(part_, "DATUM_AXIS", {}, {axis});
    }
    int circular(tag_list* features, tag* set) {
        double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
        return KX_MODL_create_circular_iset(0, origin, "6", "60", axis, features, set);
    }
    static std::string kind(tag feature) {
        char* type = nullptr;
        EXPECT_EQ(KX_MODL_ask_feat_type(feature, &type), 0);
        const std::string out = type ? type : "";
        KX_free(type);
        return out;
    }
    static double area_of_body(tag feature) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(FREC_ask_body(feature)), p);
        return p[ZQ_MP_AREA];
    }
};

TEST_F(InstanceSet, CircularSetOfSixHolesCutsFiveCopies) {
    BREF_set_current_target(body_);
    const tag h = hole(30, 25);
    tag_list* list = list_of({h});
    tag set = NULL_TAG;
    ASSERT_EQ(circular(list, &set), 0);
    KX_MODL_delete_list(&list);
    ASSERT_NE(set, NULL_TAG);
    EXPECT_EQ(kind(set), "CIRCULAR_ISET");
    EXPECT_NEAR(volume(), kBlockVolume - 6 * hole_volume(), 1e-3);
    EXPECT_EQ(formulas(set), (std::vector<std::string>{"6", "60"}));
    // A set of two about the datum axis given last (the point and direction
    // are then not used).
    tag_list* with_axis = list_of({h, datum_axis()});
    tag second = NULL_TAG;
    double origin[] = {0, 0, 0}, axis[] = {1, 0, 0};
    ASSERT_EQ(KX_MODL_create_circular_iset(0, origin, "2", "180", axis, with_axis, &second), 0);
    KX_MODL_delete_list(&with_axis);
    // The copy at 180 degrees about (50, 25) lands on (70, 25): a sixth hole already there.
    EXPECT_NEAR(volume(), kBlockVolume - 6 * hole_volume(), 1e-3);
}

TEST_F(InstanceSet, LinearSetTwoByThree) {
    BREF_set_current_target(body_);
    tag_list* list = list_of({hole(10, 10)});
    tag set = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_linear_iset(0, "2", "30", "3", "15", list, &set), 0);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(kind(set), "LINEAR_ISET");
    EXPECT_NEAR(volume(), kBlockVolume - 6 * hole_volume(), 1e-3);
    // A longer block is made again with the set's copies on it.
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_features_of_part(part_, &n, &features);
    const std::string length = formulas(features[0])[0];
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(features[0], &n, &exps);
    SM_free(features);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[0], &text), 0);
    SM_free(exps);
    const std::string name = std::string(text).substr(0, std::string(text).find('='));
    KX_free(text);
    ASSERT_EQ(length, "100");
    ASSERT_EQ(KX_MODL_edit_exp((name + "=120").c_str()), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), 120.0 * 50.0 * 20.0 - 6 * hole_volume(), 1e-3);
}

TEST_F(InstanceSet, FeaturesThatCannotBeCopiedAreRefused) {
    BREF_set_current_target(body_);
    const tag h = hole(30, 25);
    unsigned int block = 0;
    {
        int n = 0;
        unsigned int* features = nullptr;
        FREC_ask_features_of_part(part_, &n, &features);
        block = features[0];
        SM_free(features);
    }
    const auto meta = [&](const char* kind) {
        const tag f = host::feature::create(part_, kind);
        host::feature::set_flags(f, true, false, true);
        return f;
    };
    struct Case {
        const char* what;
        std::function<std::vector<tag>()> features;
        int code;
    };
    const std::vector<Case> cases = {
        {"a datum axis alone", [&] { return std::vector<tag>{datum_axis()}; }, KX_MODL_ERR_WRONG_KIND},
        {"a datum axis before the hole",
         [&] {
             return std::vector<tag>{datum_axis(), h};
         },
         KX_MODL_ERR_WRONG_KIND},
        {"a suppressed hole",
         [&] {
             const tag s = hole(70, 25);
             EXPECT_EQ(FREC_set_suppressed(s, 1), 0);
             return std::vector<tag>{s};
         },
         KX_MODL_ERR_WRONG_KIND},
        {"a projected curve", [&] { return std::vector<tag>{host::feature::create(part_, "PROJECTED_CURVE")}; },
         KX_MODL_ERR_WRONG_KIND},
        {"a plain boolean", [&] { return std::vector<tag>{meta("UNITE")}; }, KX_MODL_ERR_WRONG_KIND},
        {"the feature that made the body", [&] { return std::vector<tag>{block}; }, KX_MODL_ERR_WRONG_KIND},
        // A user-defined feature passes the check; it has no tool the host can copy.
        {"a user-defined feature", [&] { return std::vector<tag>{meta("UDF")}; }, FEAT_ERR_BAD_REFERENCE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_create_list(&list), 0);
        for (tag t : c.features()) KX_MODL_put_list_item(list, t);
        const double before = volume();
        const int marks_before = marks();
        tag set = 7;
        EXPECT_EQ(circular(list, &set), c.code);
        EXPECT_EQ(set, NULL_TAG);
        EXPECT_NEAR(volume(), before, 1e-6);
        EXPECT_EQ(marks(), marks_before);
        KX_MODL_delete_list(&list);
    }
}

TEST_F(InstanceSet, NullArgumentsAndNoTargetGiveTheirCodes) {
    const tag h = hole(30, 25);
    tag_list* list = list_of({h});
    tag set = NULL_TAG;
    double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
    EXPECT_EQ(KX_MODL_create_circular_iset(0, origin, "6", "60", axis, nullptr, &set), KX_ERR_BAD_PARAM_5 + 1);
    EXPECT_EQ(KX_MODL_create_circular_iset(0, origin, "6", "60", axis, list, nullptr), KX_ERR_BAD_PARAM_5 + 2);
    EXPECT_EQ(KX_MODL_create_linear_iset(0, "2", nullptr, "3", "15", list, &set), 1105006);
    // The work part has no current target body yet.
    EXPECT_EQ(circular(list, &set), KX_MODL_ERR_NO_DATUM_TARGET);
    EXPECT_EQ(KX_MODL_create_linear_iset(0, "2", "30", "3", "15", list, &set), KX_MODL_ERR_NO_DATUM_TARGET);
    KX_MODL_delete_list(&list);
}

TEST_F(InstanceSet, FaceOffsetMovesTheTopFace) {
    BREF_set_current_target(body_);
    tag_list* faces = list_of({top_});
    tag offset = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_face_offset("5", faces, &offset), 0);
    KX_MODL_delete_list(&faces);
    EXPECT_EQ(kind(offset), "OFFSET");
    EXPECT_NEAR(volume(), kBlockVolume + 100.0 * 50.0 * 5.0, 1e-3);
    // The offset is made again from its expression by the update.
    unsigned int* exps = nullptr;
    int n = 0;
    FREC_ask_system_exps_of_frec(offset, &n, &exps);
    ASSERT_EQ(n, 1);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[0], &text), 0);
    SM_free(exps);
    const std::string assignment = std::string(text).substr(0, std::string(text).find('=')) + "=2";
    KX_free(text);
    EXPECT_EQ(KX_MODL_edit_exp(assignment.c_str()), 0);
    EXPECT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume + 100.0 * 50.0 * 2.0, 1e-3);
}

TEST_F(InstanceSet, FeatureOffsetMovesTheFacesTheFeatureMade) {
    BREF_set_current_target(body_);
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_features_of_part(part_, &n, &features);
    tag_list* list = list_of({features[0]});
    SM_free(features);
    tag offset = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_feature_offset("5", list, &offset), 0);
    KX_MODL_delete_list(&list);
    EXPECT_NEAR(volume(), 110.0 * 60.0 * 30.0, 1e-3);
    tag_list* none = list_of({});
    EXPECT_NE(KX_MODL_create_face_offset("5", none, &offset), 0);
    EXPECT_EQ(offset, NULL_TAG);
    KX_MODL_delete_list(&none);
}

TEST_F(InstanceSet, ExtractedFaceIsASheetOfTheFacesArea) {
    hole(30, 25);
    const tag top = face({0, 0, 1});
    struct Case {
        int mode;
        double area;
    };
    for (const Case& c : {Case{0, 5000.0 - kPi * 9.0}, Case{1, 5000.0}, Case{2, 5000.0}}) {
        SCOPED_TRACE(c.mode);
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_MODL_extract_face(top, c.mode, &feature), 0);
        EXPECT_EQ(kind(feature), "EXTRACT_FACE");
        EXPECT_TRUE(ES_solid_is_a_sheet_body(FREC_ask_body(feature)));
        EXPECT_NEAR(area_of_body(feature), c.area, 1e-3);
    }
    for (int mode : {3, -1}) {
        tag feature = 5;
        EXPECT_EQ(KX_MODL_extract_face(top, mode, &feature), 1105005);
        EXPECT_EQ(feature, NULL_TAG);
    }
    EXPECT_EQ(KX_MODL_extract_face(top, 0, nullptr), 1105006);
    tag feature = 5;
    EXPECT_NE(KX_MODL_extract_face(body_, 0, &feature), 0);
    EXPECT_EQ(feature, NULL_TAG);
}

}  // namespace
