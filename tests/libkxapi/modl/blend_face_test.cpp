// Face blends: the geometry the kernel builds between two face sets, the
// record preset, and the refusals that leave the model as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "tests/libkxapi/modl/blend_face_fixture.h"

namespace {

TEST_F(FaceBlend, InitPresetsTheRecord) {
    face_blend_data d{};
    std::memset(&d, 0x5a, sizeof d);
    ASSERT_EQ(KX_MODL_init_face_blend_data(&d), 0);
    EXPECT_STREQ(d.radius, "0.25");
    EXPECT_EQ(d.trim_option, 0);
    EXPECT_EQ(d.radius_type, 0);
    EXPECT_EQ(d.flag_1 + d.flag_2 + d.flag_3, 0);
    EXPECT_EQ(d.flag_4, 1);
    EXPECT_EQ(d.flag_5, 1);
    EXPECT_EQ(d.faces_1, nullptr);
    EXPECT_EQ(d.laws, nullptr);
    ASSERT_NE(d.tolerance, nullptr);
    EXPECT_GT(std::strtod(d.tolerance, nullptr), 0);
    // Each record has its own texts: a second preset leaves the first.
    face_blend_data other{};
    ASSERT_EQ(KX_MODL_init_face_blend_data(&other), 0);
    EXPECT_NE(other.tolerance, d.tolerance);
    EXPECT_STREQ(other.tolerance, d.tolerance);
    for (face_blend_data* r : {&d, &other}) {
        KX_free(r->tolerance);
        KX_free(r->radius);
    }
}

// Constant radii between face sets: the blend follows every edge where a
// face of the first set meets one of the second, as the edge blend of
// those edges does.
TEST_F(FaceBlend, ConstantRadiusGeometry) {
    struct Row {
        const char* radius;  // null: the default 0.25
        bool both_sides;     // second set: front and back instead of front
        int faces;
        double volume;
    };
    for (const Row& row :
         {Row{"5", false, 7, 100000 - removed(5, 100)}, Row{nullptr, false, 7, 100000 - removed(0.25, 100)},
          Row{"2*2", true, 8, 100000 - 2 * removed(4, 100)}}) {
        SCOPED_TRACE(row.radius ? row.radius : "(default)");
        SetUp();
        std::vector<tag> first{bottom()};
        std::vector<tag> second{front()};
        if (row.both_sides) second.push_back(back());
        face_blend_data d = record(first, second, row.radius);
        tag feature = NULL_TAG;
        ASSERT_EQ(create(d, &feature), 0);
        EXPECT_NE(feature, NULL_TAG);
        EXPECT_EQ(faces(), row.faces);
        EXPECT_NEAR(volume(), row.volume, 0.01);
        // The update builds the same body again.
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), row.volume, 0.01);
    }
}

// Refusals: the code, and no feature made.
TEST_F(FaceBlend, Refusals) {
    struct Row {
        const char* what;
        int code;
        void (*spoil)(face_blend_data&);
    };
    const Row rows[] = {
        {"empty first set", 671034, [](face_blend_data& d) { d.number_of_faces_1 = 0; }},
        {"negative second count", 671034, [](face_blend_data& d) { d.number_of_faces_2 = -1; }},
        {"null faces", 671034, [](face_blend_data& d) { d.faces_2 = nullptr; }},
        {"null curves with a count", 671034, [](face_blend_data& d) { d.number_of_curves = 2; }},
        {"radius type 9", 671032, [](face_blend_data& d) { d.radius_type = 9; }},
        {"radius type -1", 671032, [](face_blend_data& d) { d.radius_type = -1; }},
        {"trim option 6", 671033, [](face_blend_data& d) { d.trim_option = 6; }},
        {"radius 0", 671035, [](face_blend_data& d) { d.radius = const_cast<char*>("0"); }},
        {"radius no expression", 671035, [](face_blend_data& d) { d.radius = const_cast<char*>("@@"); }},
        {"law type without law", 671035, [](face_blend_data& d) { d.radius_type = 1; }},
        {"laws without curves", 671033, [](face_blend_data& d) { d.radius_type = 2; }},
        {"negative tolerance", 670403, [](face_blend_data& d) { d.tolerance = const_cast<char*>("-1"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<tag> first{bottom()}, second{front()};
        face_blend_data d = record(first, second, "5");
        char* own = d.tolerance;
        row.spoil(d);
        const int before = features();
        tag feature = 99;
        int n1 = 5, n2 = 5;
        tag *r1 = nullptr, *r2 = nullptr;
        EXPECT_EQ(KX_MODL_create_face_blend(&d, nullptr, &feature, &n1, &r1, &n2, &r2), row.code);
        EXPECT_EQ(feature, NULL_TAG);
        EXPECT_EQ(n1 + n2, 0);
        EXPECT_EQ(features(), before);
        EXPECT_NEAR(volume(), 100000, 1e-6);
        KX_free(own);
    }
}

}  // namespace

namespace {

// A blend whose radius is a constant law: its value is the radius, and
// setting it changes the body at the next update.
TEST_F(FaceBlend, LawRadiiSetTheRadius) {
    std::vector<tag> first{bottom()}, second{front()};
    face_blend_data d = record(first, second, nullptr);
    d.radius_type = 1;
    KX_MODL_law law{};
    law.method = 0;
    std::strcpy(law.u.values.start_value, "5");
    KX_MODL_parm parm{};
    parm.method = 2;
    parm.u.law = &law;
    KX_MODL_parm* laws[3] = {&parm, nullptr, nullptr};
    d.laws = laws;
    tag feature = NULL_TAG;
    ASSERT_EQ(create(d, &feature), 0);
    EXPECT_NEAR(volume(), 100000 - removed(5, 100), 0.01);
    double* radii = nullptr;
    int count = 0;
    ASSERT_EQ(KX_MODL_ask_face_blend_law_radii(feature, &radii, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_DOUBLE_EQ(radii[0], 5);
    KX_free(radii);
    EXPECT_EQ(KX_MODL_ask_face_blend_law_range1_radii(feature, &radii, &count), 671128);
    const double two[2] = {3, 4};
    EXPECT_EQ(KX_MODL_set_face_blend_law_radii(feature, two, 2), 671128);
    EXPECT_EQ(KX_MODL_set_face_blend_law_range2_radii(feature, two, 1), 671128);
    EXPECT_EQ(KX_MODL_set_face_blend_law_radii(NULL_TAG, two, 1), 875179);
    EXPECT_EQ(KX_MODL_set_face_blend_law_radii(body_, two, 1), 875033);
    ASSERT_EQ(KX_MODL_set_face_blend_law_radii(feature, two, 1), 0);
    EXPECT_NEAR(volume(), 100000 - removed(5, 100), 0.01) << "the body changes at the update";
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), 100000 - removed(3, 100), 0.01);
    ASSERT_EQ(KX_MODL_ask_face_blend_law_radii(feature, &radii, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_DOUBLE_EQ(radii[0], 3);
    KX_free(radii);
}

// The code a caller gets means what its text says: 670403 is the blend
// tolerance the face blends refuse (never a body the kernel finds invalid),
// a blend the kernel builds invalid is 670405, an invalid body of any other
// operation 670414.
TEST_F(FaceBlend, EachCodeReadsAsWhatHappened) {
    const struct {
        int code;
        const char* text;
    } rows[] = {
        {670403, "The tolerance is no value of at least 0"},
        {670405, "The blend or chamfer cannot be built on these edges"},
        {670414, "The operation would give an invalid body"},
    };
    for (const auto& row : rows) {
        char text[KX_MESSAGE_BUFSIZE] = {};
        EXPECT_EQ(KX_get_fail_message(row.code, text), 0) << row.code;
        EXPECT_STREQ(text, row.text);
    }
}

}  // namespace
