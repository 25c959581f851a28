// Isocline curve features: a sphere's latitude circle and a cylinder's
// lines against their closed forms, ranges, texts that do not fit, edits
// (only of isoclines) and the update; and an intersection feature that
// follows a change of its body alone.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "curve_fixture.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/store/entities/entity_delete.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/base/services/memory.h"
#include "kx_curve_feat.h"
#include "kx_undo.h"
#include "kxapi.h"

namespace {

using P = std::vector<double>;
constexpr double kFit = 0.0254;  // the modelling distance tolerance the curves are fitted to

class IsoclineFeatureTest : public CurveTest {
protected:
    tag body_object(int body) { return host::kernel::object_of(body); }
    std::vector<tag> faces(tag body) {
        std::vector<tag> out;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) out.push_back(host::kernel::object_of(f));
        return out;
    }
    // The sphere of radius 5 about the origin.
    tag sphere() {
        int body = 0;
        const double centre[3] = {0, 0, 0};
        ZQ_BODY_make_sphere(centre, 5, &body);
        return body_object(body);
    }
    // The lateral face of the cylinder of radius 3 about the z axis, z 0 to 5.
    tag cylinder_side() {
        int body = 0;
        const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        ZQ_BODY_make_cylinder(base, axis, 3, 5, &body);
        for (tag f : faces(body_object(body))) {
            double box[6];
            host::kernel::face_box(f, box);
            if (box[5] - box[2] > 1) return f;
        }
        return NULL_TAG;
    }
    static std::vector<tag> curves_of(tag feature) {
        int n = 0;
        tag* c = nullptr;
        EXPECT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &c), 0);
        std::vector<tag> out(c, c + n);
        KX_free(c);
        return out;
    }
    // Checks 33 points of every curve.
    template <class On>
    static void each_point(const std::vector<tag>& curves, On on) {
        for (tag c : curves) {
            const P l = curve_limits(c);
            for (int i = 0; i <= 32; ++i) on(point_at(c, l[0] + (l[1] - l[0]) * i / 32));
        }
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
};

TEST_F(IsoclineFeatureTest, ASphereSeenAlongZHasItsLatitudeCircle) {
    tag ball = sphere(), feature = NULL_TAG;
    std::vector<tag> fs = faces(ball);
    double z[3] = {0, 0, 1};
    char angle[] = "60";
    ASSERT_EQ(KX_CURVE_create_isocline(static_cast<int>(fs.size()), fs.data(), z, angle, nullptr, nullptr, &feature),
              0);
    ASSERT_NE(feature, NULL_TAG);
    const std::vector<tag> curves = curves_of(feature);
    ASSERT_FALSE(curves.empty());
    // The normal makes 60 degrees with z on the circle z = 5 cos 60 of
    // radius 5 sin 60.
    each_point(curves, [](const P& p) {
        EXPECT_NEAR(p[2], 2.5, kFit);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 5 * std::sin(std::numbers::pi / 3), kFit);
    });
    EXPECT_EQ(marks(), 0);

    int count = 0, n = 0;
    tag *faces_out = nullptr, *curves_out = nullptr;
    double direction[3] = {0, 0, 0};
    char *a = nullptr, *s = reinterpret_cast<char*>(1), *t = reinterpret_cast<char*>(1);
    ASSERT_EQ(KX_CURVE_ask_isocline(feature, &count, &faces_out, direction, &a, &s, &t, &n, &curves_out), 0);
    EXPECT_EQ(std::vector<tag>(faces_out, faces_out + count), fs);
    EXPECT_EQ(P(direction, direction + 3), P({0, 0, 1}));
    EXPECT_STREQ(a, "60");
    EXPECT_EQ(s, nullptr);  // no range: no second and third texts
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(std::vector<tag>(curves_out, curves_out + n), curves);
    KX_free(faces_out);
    KX_free(curves_out);
    KX_free(a);

    // An edit to 90 degrees: the equator, on the same curves after the update.
    char ninety[] = "90";
    ASSERT_EQ(KX_CURVE_edit_isocline(feature, static_cast<int>(fs.size()), fs.data(), z, ninety, nullptr, nullptr), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    EXPECT_EQ(curves_of(feature), curves);
    each_point(curves_of(feature), [](const P& p) {
        EXPECT_NEAR(p[2], 0, kFit);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 5, kFit);
    });
    EXPECT_EQ(marks(), 0);
}

TEST_F(IsoclineFeatureTest, ACylinderHasLinesAndARangeHasOneCurveEachAngle) {
    tag side = cylinder_side(), feature = NULL_TAG;
    ASSERT_NE(side, NULL_TAG);
    double x[3] = {1, 0, 0};
    char angle[] = "45";
    ASSERT_EQ(KX_CURVE_create_isocline(1, &side, x, angle, nullptr, nullptr, &feature), 0);
    // The normal (x, y, 0) / 3 makes 45 degrees with x where x = 3 cos 45:
    // two lines along the axis.
    std::vector<tag> curves = curves_of(feature);
    EXPECT_EQ(curves.size(), 2u);
    each_point(curves, [](const P& p) {
        EXPECT_NEAR(p[0], 3 * std::cos(std::numbers::pi / 4), 1e-6);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 3, 1e-6);
    });
    // From 30 to 60 by 15 degrees: three angles, two lines each.
    char step[] = "15", from[] = "30", to[] = "60";
    ASSERT_EQ(KX_CURVE_edit_isocline(feature, 1, &side, x, step, from, to), 0);
    curves = curves_of(feature);
    EXPECT_EQ(curves.size(), 6u);
    each_point(curves, [](const P& p) {
        const double c = p[0] / 3;
        double off = 1;
        for (double deg : {30.0, 45.0, 60.0})
            off = std::min(off, std::fabs(c - std::cos(deg * std::numbers::pi / 180)));
        EXPECT_NEAR(off, 0, 1e-6);
    });
    int count = 0, n = 0;
    tag *faces_out = nullptr, *curves_out = nullptr;
    double direction[3];
    char *a = nullptr, *s = nullptr, *t = nullptr;
    ASSERT_EQ(KX_CURVE_ask_isocline(feature, &count, &faces_out, direction, &a, &s, &t, &n, &curves_out), 0);
    EXPECT_STREQ(a, "15");
    EXPECT_STREQ(s, "30");
    EXPECT_STREQ(t, "60");
    EXPECT_EQ(n, 6);
    for (void* p : {static_cast<void*>(faces_out), static_cast<void*>(curves_out), static_cast<void*>(a),
                    static_cast<void*>(s), static_cast<void*>(t)})
        KX_free(p);
}

TEST_F(IsoclineFeatureTest, Codes) {
    tag side = cylinder_side();
    double x[3] = {1, 0, 0};
    char angle[] = "45";
    const std::string long_text(CURVEFEAT_TEXT_CHARS, '1');  // one more than a field holds
    std::string a = long_text, b = long_text, c = long_text;
    struct Case {
        std::string what;
        char *angle, *second, *third;
        int create_code, edit_code;
    };
    char thirty[] = "30", sixty[] = "60";
    const std::vector<Case> cases = {
        {"a long angle", a.data(), nullptr, nullptr, KX_ERR_BAD_PARAM_4, KX_ERR_BAD_PARAM_5},
        {"a long second", angle, b.data(), sixty, KX_ERR_BAD_PARAM_5, KX_ERR_BAD_PARAM_6},
        {"a long third", angle, thirty, c.data(), KX_ERR_BAD_PARAM_6, KX_ERR_BAD_PARAM_7},
        {"a range without its second", angle, nullptr, sixty, KX_ERR_BAD_PARAM_5, KX_ERR_BAD_PARAM_6},
        {"no angle", nullptr, nullptr, nullptr, KX_ERR_BAD_PARAM_4, KX_ERR_BAD_PARAM_5},
    };
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_isocline(1, &side, x, angle, nullptr, nullptr, &feature), 0);
    const std::vector<tag> before = curves_of(feature);
    for (const Case& k : cases) {
        tag made = 7;
        EXPECT_EQ(KX_CURVE_create_isocline(1, &side, x, k.angle, k.second, k.third, &made), k.create_code) << k.what;
        EXPECT_EQ(made, NULL_TAG) << k.what;
        EXPECT_EQ(KX_CURVE_edit_isocline(feature, 1, &side, x, k.angle, k.second, k.third), k.edit_code) << k.what;
    }
    EXPECT_EQ(curves_of(feature), before);

    // A plane's normal never turns: no curve, no feature, the model as before.
    int block = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {1, 1, 1};
    ZQ_BODY_make_block(origin, size, &block);
    tag flat = faces(body_object(block))[0], none = 7;
    const std::size_t features = host::feature::features_of_part(part).size();
    EXPECT_EQ(KX_CURVE_create_isocline(1, &flat, x, angle, nullptr, nullptr, &none), KX_MODL_ERR_ISOCLINE_FAILED);
    EXPECT_EQ(none, NULL_TAG);
    EXPECT_EQ(host::feature::features_of_part(part).size(), features);
    EXPECT_EQ(marks(), 0);

    // Editing takes isoclines only: another feature is refused and keeps its data.
    const unsigned int other = host::feature::create(part, "COMBINED_CURVE", {}, {});
    EXPECT_EQ(KX_CURVE_edit_isocline(other, 1, &side, x, angle, nullptr, nullptr), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(ISOCLINE_frec_is_a_isocline(other), 0);
    EXPECT_EQ(KX_CURVE_edit_isocline(NULL_TAG, 1, &side, x, angle, nullptr, nullptr), KX_ERR_BAD_PARAM_1);
    int count = 0, n = 0;
    tag *faces_out = nullptr, *curves_out = nullptr;
    double direction[3];
    char *s1 = nullptr, *s2 = nullptr, *s3 = nullptr;
    EXPECT_EQ(KX_CURVE_ask_isocline(other, &count, &faces_out, direction, &s1, &s2, &s3, &n, &curves_out),
              KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_ask_isocline(NULL_TAG, &count, &faces_out, direction, &s1, &s2, &s3, &n, &curves_out),
              KX_ERR_BAD_PARAM_1);
    // A failed edit (no face has the angle) leaves the feature as it was.
    double z[3] = {0, 0, 1};
    EXPECT_EQ(KX_CURVE_edit_isocline(feature, 1, &side, z, angle, nullptr, nullptr), CURVEFEAT_ERR_NO_CURVE);
    EXPECT_EQ(curves_of(feature), before);
    ASSERT_EQ(KX_CURVE_ask_isocline(feature, &count, &faces_out, direction, &s1, &s2, &s3, &n, &curves_out), 0);
    EXPECT_EQ(P(direction, direction + 3), P({1, 0, 0}));
    KX_free(faces_out);
    KX_free(curves_out);
    KX_free(s1);
    EXPECT_EQ(marks(), 0);
}

TEST_F(IsoclineFeatureTest, AnIntersectionFollowsAChangeOfItsBodyAlone) {
    int block = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {4, 2, 6};
    ZQ_BODY_make_block(origin, size, &block);
    tag body = body_object(block), feature = NULL_TAG;
    const double point[3] = {0, 0, 2.5}, normal[3] = {0, 0, 1};
    tag plane = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, point, normal);
    ASSERT_EQ(KX_CURVE_create_int_object(1, &body, 1, &plane, &feature), 0);
    // The block grows to 8 along x: its section, a rectangle of 12, becomes
    // one of 20.
    ZQ_BODY_edit_parameter(block, 0, 3, 8);
    ZQ_BODY_regenerate(block);
    ASSERT_EQ(UPDATE_do_update(), 0);
    double length = 0;
    for (tag c : curves_of(feature)) {
        const P l = curve_limits(c);
        P last = point_at(c, l[0]);
        for (int i = 1; i <= 64; ++i) {
            const P p = point_at(c, l[0] + (l[1] - l[0]) * i / 64);
            length += std::hypot(p[0] - last[0], p[1] - last[1], p[2] - last[2]);
            last = p;
        }
    }
    EXPECT_NEAR(length, 20, 1e-6);
}

}  // namespace
