// Offset curves and offset features: a line chain and an arc offset in
// each corner mode against their closed forms, the codes as tables, edits
// and the model update, the part file, failures that leave the model as it
// was; spline features made, given another spline and asked.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "kx_curve_feat.h"
#include "kx_modl.h"
#include "kx_undo.h"
#include "kxapi.h"
#include "string_list_fixture.h"
#include "tests/support/faultsim.h"

namespace {

using P = std::vector<double>;
using Seg = std::array<double, 4>;  // x0, y0, x1, y1 of a curve in the plane z = 0

class OffsetTest : public StringListCurveTest {
protected:
    void SetUp() override {
        StringListCurveTest::SetUp();
        bottom = line(0, 0, 0, 10, 0, 0);
        side = line(10, 0, 0, 10, 10, 0);
        chain = strings_of({bottom, side});
    }
    // An offset record of the chain.
    offset_data data(string_list* curves, int type, const char* first, const char* second = nullptr,
                     double extension = 0) {
        texts = offset_type_data{const_cast<char*>(first), const_cast<char*>(second), extension};
        return offset_data{curves, 0.001, 0, type, &texts};
    }
    std::vector<tag> plain(offset_data d, int expect = 0) {
        int n = -1;
        tag* c = nullptr;
        EXPECT_EQ(KX_CURVE_create_offset_curve(&d, &n, &c), expect);
        std::vector<tag> out(c, c + (c ? n : 0));
        KX_free(c);
        return out;
    }
    static std::vector<tag> curves_of(tag feature) {
        int n = 0;
        tag* c = nullptr;
        EXPECT_EQ(KX_CURVE_ask_offset_curves(feature, &n, &c), 0);
        std::vector<tag> out(c, c + (c ? n : 0));
        KX_free(c);
        return out;
    }
    static P end_of(tag c, int which) { return point_at(c, curve_limits(c)[which]); }
    // The curves run from (x0, y0) to (x1, y1) each, in order, in z = 0.
    static void expect_segments(const std::vector<tag>& curves, const std::vector<Seg>& segs, const std::string& what) {
        ASSERT_EQ(curves.size(), segs.size()) << what;
        for (std::size_t i = 0; i < segs.size(); ++i) {
            const P a = end_of(curves[i], 0), b = end_of(curves[i], 1);
            EXPECT_NEAR(a[0], segs[i][0], 1e-6) << what << " curve " << i;
            EXPECT_NEAR(a[1], segs[i][1], 1e-6) << what << " curve " << i;
            EXPECT_NEAR(b[0], segs[i][2], 1e-6) << what << " curve " << i;
            EXPECT_NEAR(b[1], segs[i][3], 1e-6) << what << " curve " << i;
            EXPECT_NEAR(a[2], 0, 1e-9) << what;
        }
    }
    // Every point of each curve (but the one numbered `arc`) lies on its
    // chord: the pieces of a line chain are straight.
    static void expect_straight(const std::vector<tag>& curves, std::size_t arc, const std::string& what) {
        for (std::size_t k = 0; k < curves.size(); ++k) {
            if (k == arc) continue;
            const P a = end_of(curves[k], 0), b = end_of(curves[k], 1), l = curve_limits(curves[k]);
            const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
            for (int i = 0; i <= 16; ++i) {
                const P p = point_at(curves[k], l[0] + (l[1] - l[0]) * i / 16);
                const double off = ((b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0])) / length;
                EXPECT_NEAR(off, 0, 1e-7) << what << " curve " << k;
            }
        }
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    static std::size_t live() { return host::objects::live_objects().size(); }

    tag bottom = NULL_TAG, side = NULL_TAG;
    string_list chain{};
    offset_type_data texts{};
};

// The L of the fixture turns left: a positive distance goes outside it
// (the side of tangent x normal), where the corner opens; a negative one
// inside, where the pieces cross.
TEST_F(OffsetTest, ALineChainInEachCornerMode) {
    struct Case {
        int type;
        const char* distance;
        double extension;
        std::vector<Seg> segs;
    };
    const std::vector<Case> cases = {
        // Each curve on its own: apart outside, crossing inside.
        {1, "1", 0, {{0, -1, 10, -1}, {11, 0, 11, 10}}},
        {1, "-1", 0, {{0, 1, 10, 1}, {9, 0, 9, 10}}},
        // Rounded: an arc about the corner outside, trimmed inside.
        {2, "1", 0, {{0, -1, 10, -1}, {10, -1, 11, 0}, {11, 0, 11, 10}}},
        {2, "-1", 0, {{0, 1, 9, 1}, {9, 1, 9, 10}}},
        // Extended until they meet.
        {3, "1", 0, {{0, -1, 11, -1}, {11, -1, 11, 10}}},
        {3, "-1", 0, {{0, 1, 9, 1}, {9, 1, 9, 10}}},
        {4, "1", 1.5, {{0, -1, 11, -1}, {11, -1, 11, 10}}},
        {4, "2", 2, {{0, -2, 12, -2}, {12, -2, 12, 10}}},
    };
    for (const Case& c : cases) {
        const std::string what = "type " + std::to_string(c.type) + " distance " + c.distance;
        const std::vector<tag> out = plain(data(&chain, c.type, c.distance, nullptr, c.extension));
        expect_segments(out, c.segs, what);
        expect_straight(out, c.segs.size() == 3 ? 1 : out.size(), what);
        for (tag t : out) EXPECT_EQ(host::objects::find(t)->type, HOST_TYPE_SPLINE) << what;
        // Plain curves: no feature owns them, no mark is left.
        for (tag t : out) EXPECT_EQ(DCRV_ask_feature_of_dcurve(t), 0u) << what;
        EXPECT_EQ(marks(), 0) << what;
    }
    EXPECT_TRUE(host::feature::features_of_part(part).empty());
    // The rounded corner is a quarter circle about the corner.
    const std::vector<tag> round = plain(data(&chain, 2, "1"));
    ASSERT_EQ(round.size(), 3u);
    const P l = curve_limits(round[1]);
    for (int i = 0; i <= 8; ++i) {
        const P p = point_at(round[1], l[0] + (l[1] - l[0]) * i / 8);
        EXPECT_NEAR(std::hypot(p[0] - 10, p[1]), 1, 1e-7);
        EXPECT_GE(p[0], 10 - 1e-9);
        EXPECT_LE(p[1], 1e-9);
    }
}

// A corner that needs more than the extension allowed is refused; nothing
// is made.
TEST_F(OffsetTest, AnExtensionTooShortIsRefused) {
    const std::size_t before = live();
    EXPECT_TRUE(plain(data(&chain, 4, "1", nullptr, 0.5), OFFSET_ERR_EXTENSION).empty());
    EXPECT_TRUE(plain(data(&chain, 8, "1", "45", 0.5), OFFSET_ERR_EXTENSION).empty());
    EXPECT_EQ(live(), before);
    EXPECT_EQ(marks(), 0);
}

// An arc running counterclockwise: a positive distance widens it; by
// height and draft angle it rises and widens by height x tan(angle).
TEST_F(OffsetTest, AnArcInEachCornerMode) {
    string_list one = strings_of({arc(0, 0, 5, 0, kPi / 2)});
    struct Case {
        int type;
        const char* first;
        const char* second;
        double radius, z;
    };
    const std::vector<Case> cases = {
        {1, "1", nullptr, 6, 0}, {2, "1", nullptr, 6, 0}, {3, "-1", nullptr, 4, 0}, {4, "2", nullptr, 7, 0},
        {5, "2", "45", 7, 2},    {6, "3", "0", 5, 3},     {7, "1", "-45", 4, 1},    {8, "-2", "45", 3, -2},
    };
    for (const Case& c : cases) {
        const std::string what = "type " + std::to_string(c.type);
        const std::vector<tag> out = plain(data(&one, c.type, c.first, c.second, 1));
        ASSERT_EQ(out.size(), 1u) << what;
        const P l = curve_limits(out[0]);
        for (int i = 0; i <= 16; ++i) {
            const P p = point_at(out[0], l[0] + (l[1] - l[0]) * i / 16);
            EXPECT_NEAR(std::hypot(p[0], p[1]), c.radius, 1e-7) << what;
            EXPECT_NEAR(p[2], c.z, 1e-9) << what;
        }
        // It runs as the arc runs: from the x axis to the y axis.
        EXPECT_NEAR(end_of(out[0], 0)[0], c.radius, 1e-7) << what;
        EXPECT_NEAR(end_of(out[0], 1)[1], c.radius, 1e-7) << what;
    }
}

TEST_F(OffsetTest, Directions) {
    double normal[3], side_dir[3], start[6];
    ASSERT_EQ(KX_CURVE_ask_offset_direction(&chain, normal, side_dir, start), 0);
    const std::vector<double> expected_normal{0, 0, 1}, expected_side{0, -1, 0}, expected_start{0, 0, 0, 1, 0, 0};
    EXPECT_EQ(std::vector<double>(normal, normal + 3), expected_normal);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(side_dir[i], expected_side[i], 1e-12);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(start[i], expected_start[i], 1e-12);
    // Given the other way round, the chain runs from the top of the side.
    string_list back = strings_of({side, bottom});
    ASSERT_EQ(KX_CURVE_ask_offset_direction(&back, normal, side_dir, start), 0);
    EXPECT_NEAR(start[1], 10, 1e-12);
    EXPECT_NEAR(start[4], -1, 1e-12);
    EXPECT_NEAR(side_dir[0], -1, 1e-12);
    EXPECT_EQ(marks(), 0);

    // A chain in no plane, and a line along the normal: directions, but no
    // offset.
    tag up = line(10, 10, 0, 10, 10, 5);
    string_list bent = strings_of({bottom, side, up}), vertical = strings_of({up});
    for (string_list* s : {&bent, &vertical}) {
        EXPECT_EQ(KX_CURVE_ask_offset_direction(s, normal, side_dir, start), 0);
        EXPECT_EQ(std::vector<double>(normal, normal + 3), expected_normal);
        EXPECT_TRUE(plain(data(s, 1, "1"), KX_CURVE_ERR_OFFSET_NO_PLANE).empty());
    }
    // A single straight line lies in the plane across the normal.
    string_list flat = strings_of({bottom});
    ASSERT_EQ(KX_CURVE_ask_offset_direction(&flat, normal, side_dir, start), 0);
    EXPECT_NEAR(side_dir[1], -1, 1e-12);
    expect_segments(plain(data(&flat, 1, "2")), {{0, -2, 10, -2}}, "one line");
}

TEST_F(OffsetTest, Codes) {
    const std::string too_long(256, '1');
    offset_data d = data(&chain, 1, "1");
    struct Case {
        std::string what;
        offset_data data;
        int code;
    };
    offset_type_data no_text{nullptr, nullptr, 0}, long_text{const_cast<char*>(too_long.c_str()), nullptr, 0},
        long_angle{const_cast<char*>("1"), const_cast<char*>(too_long.c_str()), 0},
        no_angle{const_cast<char*>("1"), nullptr, 0}, bad_formula{const_cast<char*>("1+"), nullptr, 0};
    const std::vector<Case> cases = {
        {"no curves", {nullptr, 0, 0, 1, &texts}, KX_ERR_BAD_PARAM_1},
        {"no type data", {&chain, 0, 0, 1, nullptr}, KX_ERR_BAD_PARAM_1},
        {"type 0", {&chain, 0, 0, 0, &texts}, KX_ERR_BAD_PARAM_1},
        {"type 9", {&chain, 0, 0, 9, &texts}, KX_ERR_BAD_PARAM_1},
        {"no distance text", {&chain, 0, 0, 1, &no_text}, KX_ERR_BAD_PARAM_1},
        {"a distance text of 256 characters", {&chain, 0, 0, 1, &long_text}, KX_ERR_BAD_PARAM_1},
        {"an angle text of 256 characters", {&chain, 0, 0, 5, &long_angle}, KX_ERR_BAD_PARAM_1},
        {"no angle text", {&chain, 0, 0, 7, &no_angle}, KX_ERR_BAD_PARAM_1},
        {"a text without a value", {&chain, 0, 0, 1, &bad_formula}, EXP_ERR_SYNTAX},
    };
    const std::size_t before = live();
    for (const Case& c : cases) {
        offset_data cd = c.data;
        int n = 5;
        tag* out = reinterpret_cast<tag*>(&n);
        EXPECT_EQ(KX_CURVE_create_offset_curve(&cd, &n, &out), c.code) << c.what;
        EXPECT_EQ(n, 0) << c.what;
        EXPECT_EQ(out, nullptr) << c.what;
        tag f = 9;
        EXPECT_EQ(KX_CURVE_create_offset_object(&cd, &f), c.code) << c.what;
        EXPECT_EQ(f, NULL_TAG) << c.what;
    }
    // The feature takes types 1, 3, 5 and 7 only.
    for (int type : {2, 4, 6, 8}) {
        offset_data t = data(&chain, type, "1", "10", 5);
        tag f = 9;
        EXPECT_EQ(KX_CURVE_create_offset_object(&t, &f), KX_ERR_BAD_PARAM_1) << type;
        EXPECT_EQ(f, NULL_TAG);
    }
    EXPECT_EQ(live(), before);
    EXPECT_EQ(marks(), 0);
    int n = 0;
    tag* out = nullptr;
    EXPECT_EQ(KX_CURVE_create_offset_curve(nullptr, &n, &out), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_create_offset_curve(&d, nullptr, &out), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_create_offset_curve(&d, &n, nullptr), KX_ERR_BAD_PARAM_3);
    // A text of 255 characters fits.
    std::string sum;
    while (sum.size() < 253) sum += "0+";
    sum += "1";
    sum.insert(0, 255 - sum.size(), ' ');
    ASSERT_EQ(sum.size(), 255u);
    texts.first_text = const_cast<char*>(sum.c_str());
    EXPECT_EQ(KX_CURVE_create_offset_curve(&d, &n, &out), 0);
    EXPECT_EQ(n, 2);
    KX_free(out);
    texts.first_text = const_cast<char*>("1");

    // Asks and edits of what is no offset feature.
    offset_data asked{};
    EXPECT_EQ(KX_CURVE_ask_offset_parms(bottom, &asked), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_ask_offset_curves(bottom, &n, &out), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_edit_offset_object(&d, NULL_TAG), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_edit_offset_object(&d, bottom), KX_ERR_BAD_PARAM_2);
    const unsigned int other = host::feature::create(part, "COMBINED_CURVE", {}, {});
    EXPECT_EQ(KX_CURVE_edit_offset_object(&d, other), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_free_offset_parms(nullptr), KX_ERR_BAD_PARAM_1);
    double v[6];
    EXPECT_EQ(KX_CURVE_ask_offset_direction(nullptr, v, v, v), KX_ERR_BAD_PARAM_1);

    // No active part.
    host::parts::set_work_part(0);
    tag f = 9;
    EXPECT_EQ(KX_CURVE_create_offset_curve(&d, &n, &out), KX_PART_ERR_NOT_LOADED);
    EXPECT_EQ(KX_CURVE_create_offset_object(&d, &f), KX_PART_ERR_NOT_LOADED);
    EXPECT_EQ(f, NULL_TAG);
    EXPECT_EQ(KX_CURVE_ask_offset_curves(other, &n, &out), KX_PART_ERR_NOT_LOADED);
}

TEST_F(OffsetTest, AFeatureIsAskedEditedAndFollowsItsExpression) {
    unsigned int e = 0;
    ASSERT_EQ(EXP_create_exp(part, "gap=1", &e), 0);
    offset_data d = data(&chain, 3, "gap");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_offset_object(&d, &feature), 0);
    EXPECT_EQ(marks(), 0);
    const std::vector<tag> made = curves_of(feature);
    expect_segments(made, {{0, -1, 11, -1}, {11, -1, 11, 10}}, "made");
    int n = 0;
    tag* all = nullptr;
    ASSERT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &all), 0);
    EXPECT_EQ(std::vector<tag>(all, all + n), made);
    KX_free(all);

    offset_data asked{};
    ASSERT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), 0);
    EXPECT_EQ(asked.offset_type, 3);
    EXPECT_STREQ(asked.type_data->first_text, "gap");
    EXPECT_EQ(asked.type_data->second_text, nullptr);
    EXPECT_DOUBLE_EQ(asked.tolerance, 0.001);
    EXPECT_DOUBLE_EQ(asked.distance_tolerance, srfc1_[0]);
    ASSERT_NE(asked.curves, nullptr);
    ASSERT_EQ(asked.curves->count, 1);
    EXPECT_EQ(std::vector<tag>(asked.curves->objects, asked.curves->objects + 2), (std::vector<tag>{bottom, side}));
    ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);
    EXPECT_EQ(asked.curves, nullptr);
    EXPECT_EQ(asked.type_data, nullptr);

    // The expression changes: the curves follow at the update, keeping their
    // tags.
    ASSERT_EQ(EXP_edit_exp(part, e, "2"), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    EXPECT_EQ(curves_of(feature), made);
    expect_segments(made, {{0, -2, 12, -2}, {12, -2, 12, 10}}, "followed");

    // A curve of the chain moves: the curves follow at the update.
    line_data longer{{10, 0, 0}, {10, 20, 0}};
    ASSERT_EQ(KX_CURVE_edit_line_data(side, &longer), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    EXPECT_EQ(curves_of(feature), made);
    expect_segments(made, {{0, -2, 12, -2}, {12, -2, 12, 20}}, "followed the side");

    // An edit to each curve on its own by height and angle.
    offset_data edit = data(&chain, 5, "1", "45");
    ASSERT_EQ(KX_CURVE_edit_offset_object(&edit, feature), 0);
    EXPECT_EQ(marks(), 0);
    const std::vector<tag> edited = curves_of(feature);
    ASSERT_EQ(edited.size(), 2u);
    EXPECT_NEAR(end_of(edited[0], 0)[1], -1, 1e-7);
    EXPECT_NEAR(end_of(edited[0], 0)[2], 1, 1e-9);
    EXPECT_NEAR(end_of(edited[1], 1)[0], 11, 1e-7);
    EXPECT_NEAR(end_of(edited[1], 1)[1], 20, 1e-7);
    ASSERT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), 0);
    EXPECT_EQ(asked.offset_type, 5);
    EXPECT_STREQ(asked.type_data->first_text, "1");
    EXPECT_STREQ(asked.type_data->second_text, "45");
    ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);

    // Refused edits leave the feature as it was.
    const std::string too_long(256, '1');
    offset_type_data rounded{const_cast<char*>("1"), nullptr, 0},
        long_text{const_cast<char*>(too_long.c_str()), nullptr, 0}, no_value{const_cast<char*>("1+"), nullptr, 0};
    struct Refused {
        offset_data data;
        int code;
    };
    for (Refused r : {Refused{{&chain, 0, 0, 2, &rounded}, KX_ERR_BAD_PARAM_1},
                      Refused{{&chain, 0, 0, 1, &long_text}, KX_ERR_BAD_PARAM_1},
                      Refused{{&chain, 0, 0, 1, &no_value}, EXP_ERR_SYNTAX}})
        EXPECT_EQ(KX_CURVE_edit_offset_object(&r.data, feature), r.code);
    EXPECT_EQ(curves_of(feature), edited);
    EXPECT_NEAR(end_of(edited[0], 0)[2], 1, 1e-9);
    EXPECT_EQ(marks(), 0);
}

// Freeing parameters of a type the ask never answers frees the curves only.
TEST_F(OffsetTest, FreeingTheParametersOfAnotherTypeLeavesItsTexts) {
    offset_data asked{};
    asked.curves = static_cast<string_list*>(SM_alloc(sizeof(string_list)));
    *asked.curves = string_list{0, nullptr, nullptr, nullptr};
    KX_MODL_create_string_list(1, 1, asked.curves);
    asked.offset_type = 2;
    asked.type_data = &texts;
    ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);
    EXPECT_EQ(asked.curves, nullptr);
    EXPECT_EQ(asked.type_data, &texts);
}

// A failure on the way (injected into the host) leaves the model, the
// marks and the caller's outputs as they were.
TEST_F(OffsetTest, InjectedFailuresLeaveTheModelAsItWas) {
    offset_data d = data(&chain, 3, "1");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_offset_object(&d, &feature), 0);
    const std::vector<tag> made = curves_of(feature);
    const std::size_t before = live();
    auto unchanged = [&](const std::string& what) {
        EXPECT_EQ(live(), before) << what;
        EXPECT_EQ(curves_of(feature), made) << what;
        expect_segments(made, {{0, -1, 11, -1}, {11, -1, 11, 10}}, what);
        EXPECT_EQ(marks(), 0) << what;
    };
    // Plain curves: the feature made on the way goes again.
    for (const char* routine : {"OFFCRV_validate_input", "OFFCRV_create_profile", "OFFCRV_compute_vectors_profile",
                                "OFFCRV_create_frec", "OFFCRV_ask_offset_curves", "OFFCRV_remove_parms"}) {
        host::control::raise_on(routine, faultsim::kInjectedCode);
        int n = 3;
        tag* out = reinterpret_cast<tag*>(&n);
        EXPECT_EQ(KX_CURVE_create_offset_curve(&d, &n, &out), faultsim::kInjectedCode) << routine;
        EXPECT_EQ(out, nullptr) << routine;
        host::control::clear_scripts();
        unchanged(routine);
    }
    // An edit: the feature keeps its curves and parameters.
    for (const char* routine : {"OFFCRV_ask_quintic_type", "OFFCRV_update_frec", "CMP_validate_strings"}) {
        host::control::raise_on(routine, faultsim::kInjectedCode);
        offset_data edit = data(&chain, 1, "4");
        EXPECT_EQ(KX_CURVE_edit_offset_object(&edit, feature), faultsim::kInjectedCode) << routine;
        host::control::clear_scripts();
        unchanged(routine);
        offset_data asked{};
        ASSERT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), 0);
        EXPECT_EQ(asked.offset_type, 3) << routine;
        EXPECT_STREQ(asked.type_data->first_text, "1") << routine;
        ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);
    }
    // An ask that fails half way hands nothing out.
    host::control::raise_on("CMP_set_string_from_cm", faultsim::kInjectedCode);
    offset_data asked{};
    EXPECT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), faultsim::kInjectedCode);
    EXPECT_EQ(asked.curves, nullptr);
    EXPECT_EQ(asked.type_data, nullptr);
}

TEST_F(OffsetTest, AFeatureReadBackFromItsFile) {
    offset_data d = data(&chain, 7, "2", "45");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_offset_object(&d, &feature), 0);
    const std::map<unsigned int, unsigned int> read = reopen_part(part, [&] {
        for (string_list& s : made) KX_MODL_free_string_list(&s);
        made.clear();
        fresh();
    });
    auto now = [&](tag t) { return read.at(t); };
    feature = now(feature);
    offset_data asked{};
    ASSERT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), 0);
    EXPECT_EQ(asked.offset_type, 7);
    EXPECT_STREQ(asked.type_data->second_text, "45");
    EXPECT_EQ(std::vector<tag>(asked.curves->objects, asked.curves->objects + 2),
              (std::vector<tag>{now(bottom), now(side)}));
    ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);
    // The read feature takes an edit.
    string_list again = strings_of({now(bottom), now(side)});
    offset_data edit = data(&again, 1, "1");
    ASSERT_EQ(KX_CURVE_edit_offset_object(&edit, feature), 0);
    expect_segments(curves_of(feature), {{0, -1, 10, -1}, {11, 0, 11, 10}}, "edited after reading");
    ASSERT_EQ(KX_CURVE_ask_offset_parms(feature, &asked), 0);
    EXPECT_EQ(asked.offset_type, 1);
    EXPECT_STREQ(asked.type_data->first_text, "1");
    ASSERT_EQ(KX_CURVE_free_offset_parms(&asked), 0);
}

// A closed chain closes its offset too: the last piece meets the first at
// a corner of its own.
TEST_F(OffsetTest, AClosedChainClosesItsOffset) {
    tag top = line(10, 10, 0, 0, 10, 0), left = line(0, 10, 0, 0, 0, 0);
    string_list square = strings_of({bottom, side, top, left});
    const std::vector<Seg> inside = {{1, 1, 9, 1}, {9, 1, 9, 9}, {9, 9, 1, 9}, {1, 9, 1, 1}};
    expect_segments(plain(data(&square, 3, "1")),
                    {{-1, -1, 11, -1}, {11, -1, 11, 11}, {11, 11, -1, 11}, {-1, 11, -1, -1}}, "extended outside");
    expect_segments(plain(data(&square, 3, "-1")), inside, "extended inside");
    expect_segments(plain(data(&square, 2, "-1")), inside, "rounded inside");
    // Rounded outside: four sides and four quarter circles, end to end.
    const std::vector<tag> round = plain(data(&square, 2, "1"));
    ASSERT_EQ(round.size(), 8u);
    for (std::size_t i = 0; i < round.size(); ++i) {
        const P end = end_of(round[i], 1), next = end_of(round[(i + 1) % round.size()], 0);
        EXPECT_NEAR(std::hypot(end[0] - next[0], end[1] - next[1]), 0, 1e-7) << i;
    }
    string_list circle = strings_of({arc(0, 0, 5, 0, kTwoPi)});
    for (double d : {1.0, -1.0}) {
        const std::vector<tag> out = plain(data(&circle, 3, d > 0 ? "1" : "-1"));
        ASSERT_EQ(out.size(), 1u);
        const P l = curve_limits(out[0]);
        for (int i = 0; i <= 16; ++i) {
            const P p = point_at(out[0], l[0] + (l[1] - l[0]) * i / 16);
            EXPECT_NEAR(std::hypot(p[0], p[1]), 5 + d, 1e-7);
        }
    }
}

// ---- spline features -------------------------------------------------------------

class SplineFeatureTest : public OffsetTest {
protected:
    // A spline: the offset of a line (the offsets are splines).
    tag spline(double y) {
        string_list one = strings_of({line(0, y, 0, 5, y, 0)});
        const std::vector<tag> out = plain(data(&one, 1, "1"));
        return out.empty() ? NULL_TAG : out[0];
    }
};

TEST_F(SplineFeatureTest, MadeGivenAnotherSplineAndAsked) {
    const tag first = spline(0), second = spline(5);
    tag feature = NULL_TAG, held = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_feature(first, &feature), 0);
    ASSERT_NE(feature, NULL_TAG);
    ASSERT_EQ(KX_CURVE_ask_spline_feature(feature, &held), 0);
    EXPECT_EQ(held, first);
    ASSERT_EQ(KX_CURVE_edit_spline_feature(second, feature), 0);
    ASSERT_EQ(KX_CURVE_ask_spline_feature(feature, &held), 0);
    EXPECT_EQ(held, second);
    // The update gives the feature its new curve.
    ASSERT_EQ(UPDATE_do_update(), 0);
    int n = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &curves), 0);
    EXPECT_EQ(std::vector<tag>(curves, curves + n), std::vector<tag>{second});
    KX_free(curves);
    EXPECT_EQ(marks(), 0);
}

TEST_F(SplineFeatureTest, Codes) {
    const tag s = spline(0);
    tag feature = 9, held = 9;
    EXPECT_EQ(KX_CURVE_create_spline_feature(NULL_TAG, &feature), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(KX_CURVE_create_spline_feature(s, nullptr), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_edit_spline_feature(NULL_TAG, s), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_edit_spline_feature(s, NULL_TAG), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_CURVE_ask_spline_feature(NULL_TAG, &held), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(held, NULL_TAG);
    EXPECT_EQ(KX_CURVE_ask_spline_feature(s, nullptr), KX_ERR_BAD_PARAM_2);
    // A line is no spline: the host refuses it.
    const std::size_t before = live();
    EXPECT_EQ(KX_CURVE_create_spline_feature(bottom, &feature), KX_MODL_ERR_SPLINE_HOST);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(live(), before);
    // Edits refused by the host leave the feature as it was.
    ASSERT_EQ(KX_CURVE_create_spline_feature(s, &feature), 0);
    EXPECT_EQ(KX_CURVE_edit_spline_feature(bottom, feature), CURVEFEAT_ERR_BAD_INPUT);
    EXPECT_EQ(KX_CURVE_edit_spline_feature(s, bottom), CURVEFEAT_ERR_WRONG_FEATURE);
    EXPECT_EQ(KX_CURVE_ask_spline_feature(bottom, &held), CURVEFEAT_ERR_WRONG_FEATURE);
    ASSERT_EQ(KX_CURVE_ask_spline_feature(feature, &held), 0);
    EXPECT_EQ(held, s);
    // Failures on the way are rolled back: no update is left logged.
    const tag other = spline(3);
    host::control::raise_on("UPDATE_log_entity_to_update", faultsim::kInjectedCode);
    EXPECT_EQ(KX_CURVE_edit_spline_feature(other, feature), faultsim::kInjectedCode);
    host::control::clear_scripts();
    ASSERT_EQ(KX_CURVE_ask_spline_feature(feature, &held), 0);
    EXPECT_EQ(held, s);
    EXPECT_EQ(marks(), 0);
}

// ---- fault simulation ---------------------------------------------------------------

#define STEP FAULTSIM_STEP

int offsets() {
    tag part = NULL_TAG, a = NULL_TAG, b = NULL_TAG;
    STEP(KX_initialize());
    STEP(KX_PART_new("offsets.prt", 1, &part));
    line_data l1{{0, 0, 0}, {10, 0, 0}}, l2{{10, 0, 0}, {10, 10, 0}};
    STEP(KX_CURVE_create_line(&l1, &a));
    STEP(KX_CURVE_create_line(&l2, &b));
    int per[1] = {2}, dir[1] = {1};
    tag objects[2] = {a, b};
    string_list chain{1, per, dir, objects};
    offset_type_data texts{const_cast<char*>("1"), nullptr, 0};
    offset_data d{&chain, 0.001, 0, 2, &texts};
    int n = 0;
    tag* curves = nullptr;
    STEP(KX_CURVE_create_offset_curve(&d, &n, &curves));
    KX_free(curves);
    d.offset_type = 3;
    tag feature = NULL_TAG;
    STEP(KX_CURVE_create_offset_object(&d, &feature));
    offset_data asked{};
    STEP(KX_CURVE_ask_offset_parms(feature, &asked));
    STEP(KX_CURVE_free_offset_parms(&asked));
    texts.first_text = const_cast<char*>("2");
    d.offset_type = 1;
    STEP(KX_CURVE_edit_offset_object(&d, feature));
    STEP(KX_CURVE_ask_offset_curves(feature, &n, &curves));
    KX_free(curves);
    double normal[3], side[3], start[6];
    STEP(KX_CURVE_ask_offset_direction(&chain, normal, side, start));
    tag spline = NULL_TAG, other = NULL_TAG, held = NULL_TAG;
    STEP(KX_CURVE_create_offset_curve(&d, &n, &curves));
    spline = curves[0];
    other = curves[1];
    KX_free(curves);
    tag sf = NULL_TAG;
    STEP(KX_CURVE_create_spline_feature(spline, &sf));
    STEP(KX_CURVE_edit_spline_feature(other, sf));
    return faultsim::step("KX_CURVE_ask_spline_feature", [&] { return KX_CURVE_ask_spline_feature(sf, &held); });
}

TEST(OffsetFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"offsets", offsets});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
