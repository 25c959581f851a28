// Intersection curve features: a plane through a block and through a
// cylinder against their closed forms, the codes as a table, the parents of
// each curve, and edits that the model update keeps.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "curve_fixture.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "kx_curve_feat.h"
#include "kx_modl.h"
#include "kx_undo.h"
#include "kxapi.h"

namespace {

using P = std::vector<double>;

class IntersectionCurveTest : public CurveTest {
protected:
    tag datum_plane(double z) {
        const double point[3] = {0, 0, z}, normal[3] = {0, 0, 1};
        return host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, point, normal);
    }
    // The block [0, 4] x [0, 2] x [0, 6].
    tag block() {
        int body = 0;
        const double origin[3] = {0, 0, 0}, size[3] = {4, 2, 6};
        ZQ_BODY_make_block(origin, size, &body);
        return host::kernel::object_of(body);
    }
    // The cylinder of radius 3 about the z axis from z = 0 to 5.
    tag cylinder() {
        int body = 0;
        const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        ZQ_BODY_make_cylinder(base, axis, 3, 5, &body);
        return host::kernel::object_of(body);
    }
    std::vector<tag> faces(tag body) {
        std::vector<tag> out;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) out.push_back(host::kernel::object_of(f));
        return out;
    }
    static std::vector<tag> curves_of(tag feature) {
        int n = 0;
        tag* c = nullptr;
        EXPECT_EQ(KX_CURVE_ask_int_curves(feature, &n, &c), 0);
        std::vector<tag> out(c, c + n);
        KX_free(c);
        return out;
    }
    // Every curve's points (16 per curve) satisfy `on`; answers the total
    // length by chords.
    static double check_points(const std::vector<tag>& curves, const std::function<void(const P&)>& on) {
        double length = 0;
        for (tag c : curves) {
            const P l = curve_limits(c);
            P last = point_at(c, l[0]);
            for (int i = 0; i <= 64; ++i) {
                const P p = point_at(c, l[0] + (l[1] - l[0]) * i / 64);
                on(p);
                length += std::hypot(p[0] - last[0], p[1] - last[1], p[2] - last[2]);
                last = p;
            }
        }
        return length;
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
};

TEST_F(IntersectionCurveTest, APlaneThroughABlockIsItsRectangle) {
    tag body = block(), plane = datum_plane(2.5), feature = NULL_TAG;
    ASSERT_NE(body, NULL_TAG);
    ASSERT_EQ(KX_CURVE_create_int_object(1, &body, 1, &plane, &feature), 0);
    const std::vector<tag> curves = curves_of(feature);
    ASSERT_FALSE(curves.empty());
    const double length = check_points(curves, [](const P& p) {
        EXPECT_NEAR(p[2], 2.5, 1e-7);
        // On the rectangle's boundary: x at 0 or 4, or y at 0 or 2.
        const double off = std::min({std::fabs(p[0]), std::fabs(p[0] - 4), std::fabs(p[1]), std::fabs(p[1] - 2)});
        EXPECT_NEAR(off, 0, 1e-7);
    });
    EXPECT_NEAR(length, 12, 1e-6);
    // Each curve lies on the body and the plane.
    for (tag c : curves) {
        tag f = NULL_TAG, parents[2] = {9, 9};
        ASSERT_EQ(KX_CURVE_ask_int_curve_parents(c, &f, parents), 0);
        EXPECT_EQ(f, feature);
        EXPECT_EQ(parents[0], body);
        EXPECT_EQ(parents[1], plane);
    }
    int n1 = 0, n2 = 0;
    tag *s1 = nullptr, *s2 = nullptr;
    ASSERT_EQ(KX_CURVE_ask_int_parms(feature, &n1, &s1, &n2, &s2), 0);
    EXPECT_EQ(std::vector<tag>(s1, s1 + n1), std::vector<tag>{body});
    EXPECT_EQ(std::vector<tag>(s2, s2 + n2), std::vector<tag>{plane});
    KX_free(s1);
    KX_free(s2);
    // The curves of any curve feature: the same.
    int n = 0;
    tag* all = nullptr;
    ASSERT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &all), 0);
    EXPECT_EQ(std::vector<tag>(all, all + n), curves);
    KX_free(all);
    EXPECT_EQ(KX_CURVE_ask_feature_curves(NULL_TAG, &n, &all), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_CURVE_ask_feature_curves(body, &n, &all), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(marks(), 0);  // a made feature leaves no mark behind
}

TEST_F(IntersectionCurveTest, APlaneThroughACylinderIsItsCircle) {
    tag body = cylinder(), plane = datum_plane(1.5), feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(1, &plane, 1, &body, &feature), 0);
    const double length = check_points(curves_of(feature), [](const P& p) {
        EXPECT_NEAR(p[2], 1.5, 1e-7);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 3, 1e-6);
    });
    EXPECT_NEAR(length, 2 * std::numbers::pi * 3, 1e-2);
    // The faces of the body as a set: the same circle, on the lateral face.
    std::vector<tag> fs = faces(body);
    tag by_faces = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(static_cast<int>(fs.size()), fs.data(), 1, &plane, &by_faces), 0);
    for (tag c : curves_of(by_faces)) {
        tag f = NULL_TAG, parents[2] = {0, 0};
        ASSERT_EQ(KX_CURVE_ask_int_curve_parents(c, &f, parents), 0);
        EXPECT_NE(std::find(fs.begin(), fs.end(), parents[0]), fs.end());
        EXPECT_EQ(parents[1], plane);
    }
}

TEST_F(IntersectionCurveTest, Codes) {
    tag a = block(), b = cylinder(), p = datum_plane(1), q = datum_plane(2), line = NULL_TAG;
    line_data ld{{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(KX_CURVE_create_line(&ld, &line), 0);
    tag face_a = faces(a)[0], face_b = faces(b)[0];
    struct Case {
        std::string what;
        std::vector<tag> set1, set2;
        int code;
    };
    const std::vector<Case> cases = {
        {"faces of two bodies in set 1", {face_a, face_b}, {p}, KX_ERR_BAD_PARAM_2},
        {"faces of two bodies in set 2", {p}, {face_a, face_b}, KX_ERR_BAD_PARAM_4},
        {"a body and a plane in set 1", {a, p}, {b}, KX_ERR_BAD_PARAM_2},
        {"two bodies in set 2", {p}, {a, b}, KX_ERR_BAD_PARAM_4},
        {"a curve in set 1", {line}, {p}, KX_ERR_BAD_PARAM_2},
        {"an empty set 1", {}, {p}, KX_ERR_BAD_PARAM_2},
        {"two datum planes", {p}, {q}, KX_CURVE_ERR_TWO_DATUM_PLANES},
        {"sets that do not meet", {a}, {datum_plane(50)}, CURVEFEAT_ERR_NO_CURVE},
    };
    for (const Case& c : cases) {
        std::vector<tag> s1 = c.set1, s2 = c.set2;
        tag feature = 7;
        EXPECT_EQ(KX_CURVE_create_int_object(static_cast<int>(s1.size()), s1.data(), static_cast<int>(s2.size()),
                                             s2.data(), &feature),
                  c.code)
            << c.what;
        EXPECT_EQ(feature, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(1, &a, 1, &p, &feature), 0);
    int n = 0;
    tag* out = nullptr;
    // Not a feature; a feature of another kind.
    EXPECT_EQ(KX_CURVE_edit_int_object(1, &a, 1, &q, line), KX_ERR_BAD_PARAM_5);
    EXPECT_EQ(KX_CURVE_ask_int_curves(line, &n, &out), KX_ERR_BAD_PARAM_1);
    const unsigned int other = host::feature::create(part, "COMBINED_CURVE", {}, {});
    EXPECT_EQ(KX_CURVE_edit_int_object(1, &a, 1, &q, other), KX_MODL_ERR_WRONG_KIND);
    EXPECT_EQ(KX_CURVE_ask_int_curves(other, &n, &out), KX_MODL_ERR_WRONG_KIND);
    tag f = 5, parents[2] = {5, 5};
    EXPECT_EQ(KX_CURVE_ask_int_curve_parents(NULL_TAG, &f, parents), KX_ERR_BAD_PARAM_1);
    // A curve of no feature: no feature, no parents.
    ASSERT_EQ(KX_CURVE_ask_int_curve_parents(line, &f, parents), 0);
    EXPECT_EQ(f, NULL_TAG);
    EXPECT_EQ(parents[0], NULL_TAG);
    EXPECT_EQ(parents[1], NULL_TAG);
}

TEST_F(IntersectionCurveTest, EditsMoveTheCurvesAndTheUpdateKeepsThem) {
    tag body = block(), low = datum_plane(1), high = datum_plane(4), feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(1, &body, 1, &low, &feature), 0);
    const std::vector<tag> before = curves_of(feature);
    ASSERT_EQ(KX_CURVE_edit_int_object(1, &body, 1, &high, feature), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    const std::vector<tag> after = curves_of(feature);
    EXPECT_EQ(after, before);  // the curves keep their tags
    check_points(after, [](const P& p) { EXPECT_NEAR(p[2], 4, 1e-7); });
    for (tag c : after) {
        tag f = NULL_TAG, parents[2] = {0, 0};
        ASSERT_EQ(KX_CURVE_ask_int_curve_parents(c, &f, parents), 0);
        EXPECT_EQ(parents[1], high);
    }
    // A failed edit leaves the feature as it was.
    tag far = datum_plane(50);
    EXPECT_EQ(KX_CURVE_edit_int_object(1, &body, 1, &far, feature), CURVEFEAT_ERR_NO_CURVE);
    EXPECT_EQ(curves_of(feature), before);
    check_points(curves_of(feature), [](const P& p) { EXPECT_NEAR(p[2], 4, 1e-7); });
    // The plane moves: the curves follow at the update.
    const double point[3] = {0, 0, 5}, normal[3] = {0, 0, 1};
    host::profiles::set_direction(high, point, normal);
    ASSERT_EQ(UPDATE_do_update(), 0);
    EXPECT_EQ(curves_of(feature), before);
    const double length = check_points(curves_of(feature), [](const P& p) { EXPECT_NEAR(p[2], 5, 1e-7); });
    EXPECT_NEAR(length, 12, 1e-6);
    // A parent deleted since answers NULL_TAG.
    host::entity::destroy_with_dependents(high);
    tag f = NULL_TAG, parents[2] = {9, 9};
    ASSERT_EQ(KX_CURVE_ask_int_curve_parents(after[0], &f, parents), 0);
    EXPECT_EQ(parents[0], body);
    EXPECT_EQ(parents[1], NULL_TAG);
}

}  // namespace
