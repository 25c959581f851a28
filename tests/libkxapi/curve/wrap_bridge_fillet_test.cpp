// Wrapped curves on a cylinder and a cone against the unrolling, plain
// bridge curves (ends, tangents, curvature), and curve fillets: the arc,
// the trims, sketch membership, and a failed trim that takes everything
// back.
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "curve_fixture.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/fillet.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/base/services/objects.h"
#include "kx_curve_feat.h"
#include "kx_obj.h"
#include "kx_undo.h"
#include "kxapi.h"

namespace {

using P = std::vector<double>;
constexpr double kPi = std::numbers::pi;

class CurveConstructionTest : public CurveTest {
protected:
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    // The curve's point and first two derivatives at t.
    static void derivs(tag curve, double t, double p[3], double d[6]) {
        auto c = host::curves::curve_of(curve);
        ASSERT_TRUE(c.has_value());
        hostnum::curve_evaluate(c->record(), 2, t, p, d);
    }
    // Length by chords.
    static double length(tag curve) {
        const P l = curve_limits(curve);
        double sum = 0;
        P last = point_at(curve, l[0]);
        for (int i = 1; i <= 256; ++i) {
            const P p = point_at(curve, l[0] + (l[1] - l[0]) * i / 256);
            sum += std::hypot(p[0] - last[0], p[1] - last[1], p[2] - last[2]);
            last = p;
        }
        return sum;
    }
    template <class On>
    static void each_point(tag curve, On on) {
        const P l = curve_limits(curve);
        for (int i = 0; i <= 32; ++i) on(point_at(curve, l[0] + (l[1] - l[0]) * i / 32));
    }
    // The face of the body whose surface is of the kind.
    static tag face_of_kind(int body, int kind) {
        for (int f : host::kernel::faces_of(body)) {
            host::kernel::SurfaceData s;
            const tag o = host::kernel::object_of(f);
            if (host::kernel::face_surface(o, &s) && s.kind == kind) return o;
        }
        return NULL_TAG;
    }
    tag plane(P point, P normal) {
        return host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, point.data(), normal.data());
    }
    // The one curve of a wrap feature.
    static tag wrapped_curve(tag feature) {
        int n = 0;
        tag* curves = nullptr;
        EXPECT_EQ(KX_CURVE_ask_wrap_curves(feature, &n, &curves), 0);
        EXPECT_EQ(n, 1);
        const tag out = n > 0 ? curves[0] : NULL_TAG;
        KX_free(curves);
        return out;
    }
    static P ends_of_line(tag l) {
        line_data d{};
        EXPECT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
        return {d.start_point[0], d.start_point[1], d.start_point[2], d.end_point[0], d.end_point[1], d.end_point[2]};
    }
    static void expect_near(const P& got, const P& want, double tol) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], tol) << "at " << i;
    }
};

constexpr double kFit = 0.0254;

// ---- wrap ----

TEST_F(CurveConstructionTest, AWrappedLineRunsRoundTheCylinderAndUnwrapsBack) {
    int body = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 3, 5, &body);
    tag side = face_of_kind(body, ZQ_SURF_CYLINDER), touch = plane({3, 0, 0}, {1, 0, 0});
    ASSERT_NE(side, NULL_TAG);
    // A quarter turn's length across the plane at height 1.
    tag flat = line(3, 0, 1, 3, 1.5 * kPi, 1);
    wrap_data d{1, 1, &side, touch, 1, &flat, const_cast<char*>("0"), 0, 0};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_wrap_object(&d, &feature), 0);
    EXPECT_EQ(marks(), 0);
    const tag wrapped = wrapped_curve(feature);
    each_point(wrapped, [](const P& p) {
        EXPECT_NEAR(std::hypot(p[0], p[1]), 3, kFit);
        EXPECT_NEAR(p[2], 1, kFit);
    });
    EXPECT_NEAR(length(wrapped), 1.5 * kPi, 2 * kFit);  // unrolling keeps lengths
    const P end = point_at(wrapped, curve_limits(wrapped)[1]);
    EXPECT_NEAR(end[0], 0, kFit);
    EXPECT_NEAR(std::fabs(end[1]), 3, kFit);
    tag input = NULL_TAG, face = NULL_TAG, reference = NULL_TAG, of = NULL_TAG;
    ASSERT_EQ(KX_CURVE_ask_wrap_curve_parents(wrapped, &input, &face, &reference, &of), 0);
    EXPECT_EQ(input, flat);
    EXPECT_EQ(face, side);
    EXPECT_EQ(reference, touch);
    EXPECT_EQ(of, feature);

    // The flat line moves up: the wrapped curve (the same tag) follows.
    line_data up{{3, 0, 2}, {3, 1.5 * kPi, 2}};
    ASSERT_EQ(KX_CURVE_edit_line_data(flat, &up), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    each_point(wrapped, [](const P& p) { EXPECT_NEAR(p[2], 2, kFit); });

    // The wrapped curve unwrapped: the flat line again.
    wrap_data u{2, 1, &side, touch, 1, const_cast<tag*>(&wrapped), const_cast<char*>("90"), 0.01, 0.5};
    tag unwrap = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_wrap_object(&u, &unwrap), 0);
    const tag back = wrapped_curve(unwrap);
    each_point(back, [](const P& p) {
        EXPECT_NEAR(p[0], 3, 0.01);
        EXPECT_NEAR(p[2], 2, 0.01);
    });
    EXPECT_NEAR(length(back), 1.5 * kPi, 0.02);

    // Asked back as given, and freed.
    wrap_data asked{};
    ASSERT_EQ(KX_CURVE_ask_wrap_parms(unwrap, &asked), 0);
    EXPECT_EQ(asked.kind, 2);
    ASSERT_EQ(asked.first_count, 1);
    EXPECT_EQ(asked.first_objects[0], side);
    EXPECT_EQ(asked.reference, touch);
    ASSERT_EQ(asked.second_count, 1);
    EXPECT_EQ(asked.second_objects[0], wrapped);
    EXPECT_STREQ(asked.text, "90");
    EXPECT_EQ(asked.first_value, 0.01);
    EXPECT_EQ(asked.second_value, 0.5);
    ASSERT_EQ(KX_CURVE_free_wrap_parms(&asked), 0);
    EXPECT_EQ(asked.first_objects, nullptr);
    EXPECT_EQ(asked.second_objects, nullptr);
    EXPECT_EQ(asked.text, nullptr);
}

TEST_F(CurveConstructionTest, AWrappedLineLiesOnTheConeAtItsDistanceFromTheApex) {
    int body = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cone(base, axis, 2, 0, 4, &body);  // apex (0, 0, 4)
    tag side = face_of_kind(body, ZQ_SURF_CONE);
    ASSERT_NE(side, NULL_TAG);
    // The plane touching along the line from (2, 0, 0) to the apex.
    tag touch = plane({2, 0, 0}, {2, 0, 1});
    // Across the touching line from the base point.
    tag flat = line(2, -1.5, 0, 2, 1.5, 0);
    wrap_data d{1, 1, &side, touch, 1, &flat, const_cast<char*>(""), 0, 0};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_wrap_object(&d, &feature), 0);
    const tag wrapped = wrapped_curve(feature);
    const P first = point_at(wrapped, curve_limits(wrapped)[0]);
    each_point(wrapped, [](const P& p) {
        EXPECT_NEAR(std::hypot(p[0], p[1]), (4 - p[2]) / 2, kFit);  // on the cone
    });
    // The ends keep their distances from the apex.
    EXPECT_NEAR(std::hypot(first[0], first[1], first[2] - 4), std::hypot(std::sqrt(20.0), 1.5), kFit);
    EXPECT_NEAR(length(wrapped), 3, 2 * kFit);
}

TEST_F(CurveConstructionTest, WrapCodes) {
    int body = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    ZQ_BODY_make_cylinder(base, axis, 3, 5, &body);
    tag side = face_of_kind(body, ZQ_SURF_CYLINDER), flat_face = face_of_kind(body, ZQ_SURF_PLANE);
    tag touch = plane({3, 0, 0}, {1, 0, 0}), away = plane({4, 0, 0}, {1, 0, 0});
    tag flat = line(3, 0, 1, 3, 2, 1);
    const std::string long_text(133, '1');
    struct Case {
        std::string what;
        int kind;
        tag face, reference, curve;
        const char* text;
        int code;
    };
    const std::vector<Case> cases = {
        {"kind 3", 3, side, touch, flat, "0", CURVEFEAT_ERR_BAD_INPUT},
        {"a plane that does not touch", 1, side, away, flat, "0", CURVEFEAT_ERR_BAD_INPUT},
        {"a planar face", 1, flat_face, touch, flat, "0", CURVEFEAT_ERR_BAD_INPUT},
        {"a curve off the face to unwrap", 2, side, touch, flat, "0", CURVEFEAT_ERR_BAD_INPUT},
        {"a text longer than its field", 1, side, touch, flat, long_text.c_str(), KX_ERR_BAD_PARAM_1},
    };
    for (const Case& c : cases) {
        tag face = c.face, curve = c.curve, feature = 7;
        wrap_data d{c.kind, 1, &face, c.reference, 1, &curve, const_cast<char*>(c.text), 0, 0};
        EXPECT_EQ(KX_CURVE_create_wrap_object(&d, &feature), c.code) << c.what;
        EXPECT_EQ(feature, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
    EXPECT_EQ(KX_CURVE_create_wrap_object(nullptr, nullptr), KX_ERR_BAD_PARAM_1);
    wrap_data good{1, 1, &side, touch, 1, &flat, const_cast<char*>("0"), 0, 0};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_wrap_object(&good, &feature), 0);
    // Another object to edit, or to ask.
    EXPECT_EQ(KX_CURVE_edit_wrap_object(&good, flat), KX_ERR_BAD_PARAM_2);
    wrap_data asked{};
    EXPECT_EQ(KX_CURVE_ask_wrap_parms(flat, &asked), KX_ERR_BAD_PARAM_1);
    int n = 0;
    tag* curves = nullptr;
    EXPECT_EQ(KX_CURVE_ask_wrap_curves(flat, &n, &curves), KX_ERR_BAD_PARAM_1);
    tag a = NULL_TAG, b = NULL_TAG, c = NULL_TAG, f = NULL_TAG;
    EXPECT_EQ(KX_CURVE_ask_wrap_curve_parents(flat, &a, &b, &c, &f), CURVEFEAT_ERR_WRONG_FEATURE);
    EXPECT_EQ(KX_CURVE_ask_wrap_curve_parents(NULL_TAG, &a, &b, &c, &f), KX_ERR_BAD_PARAM_1);
    // An edit of the cut and tolerance.
    wrap_data other = good;
    other.text = const_cast<char*>("10");
    other.first_value = 0.01;
    ASSERT_EQ(KX_CURVE_edit_wrap_object(&other, feature), 0);
    // A failed edit leaves the feature as it was.
    wrap_data bad = good;
    bad.reference = away;
    EXPECT_EQ(KX_CURVE_edit_wrap_object(&bad, feature), CURVEFEAT_ERR_BAD_INPUT);
    ASSERT_EQ(KX_CURVE_ask_wrap_parms(feature, &asked), 0);
    EXPECT_EQ(asked.reference, touch);
    EXPECT_STREQ(asked.text, "10");
    ASSERT_EQ(KX_CURVE_free_wrap_parms(&asked), 0);
    EXPECT_EQ(marks(), 0);
}

// ---- bridge curve ----

TEST_F(CurveConstructionTest, ABridgeCurveJoinsTheEndsAlongTheirTangents) {
    tag a = line(0, 0, 0, 1, 0, 0), b = line(3, 1, 0, 4, 1, 0);
    tag curves[2] = {a, b};
    double parameters[2] = {curve_limits(a)[1], curve_limits(b)[0]};
    struct Case {
        int reverse[2];
        double first_x, second_x;  // the signs of the bridge's tangents along x
    };
    for (const Case& c : {Case{{0, 0}, 1, 1}, Case{{1, 0}, -1, 1}, Case{{0, 1}, 1, -1}}) {
        int reverse[2] = {c.reverse[0], c.reverse[1]};
        tag bridge = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_bridge_curve(0, curves, parameters, reverse, &bridge), 0);
        const P l = curve_limits(bridge);
        double p[3], d[6];
        derivs(bridge, l[0], p, d);
        expect_near(P(p, p + 3), {1, 0, 0}, 1e-9);
        EXPECT_NEAR(d[1] / std::hypot(d[0], d[1], d[2]), 0, 1e-9);
        EXPECT_GT(d[0] * c.first_x, 0);
        derivs(bridge, l[1], p, d);
        expect_near(P(p, p + 3), {3, 1, 0}, 1e-9);
        EXPECT_NEAR(d[1] / std::hypot(d[0], d[1], d[2]), 0, 1e-9);
        EXPECT_GT(d[0] * c.second_x, 0);
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveConstructionTest, ACurvatureBridgeTakesTheArcsCurvature) {
    tag round = arc(0, 0, 2, 0, kPi / 2), b = line(-3, 4, 0, -4, 4, 0);
    tag curves[2] = {round, b};
    double parameters[2] = {kPi / 2, curve_limits(b)[0]};
    int reverse[2] = {0, 0};
    tag bridge = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_curve(1, curves, parameters, reverse, &bridge), 0);
    const P l = curve_limits(bridge);
    double p[3], d[6];
    derivs(bridge, l[0], p, d);
    expect_near(P(p, p + 3), {0, 2, 0}, 1e-9);
    const double speed = std::hypot(d[0], d[1], d[2]);
    const double turn = std::fabs(d[0] * d[4] - d[1] * d[3]);
    EXPECT_NEAR(turn / (speed * speed * speed), 0.5, 1e-9);  // the arc's 1 / radius
    // The line's end: no curvature.
    derivs(bridge, l[1], p, d);
    EXPECT_NEAR(std::fabs(d[0] * d[4] - d[1] * d[3]), 0, 1e-9);
}

TEST_F(CurveConstructionTest, BridgeCurveCodes) {
    tag a = line(0, 0, 0, 1, 0, 0), b = line(3, 1, 0, 4, 1, 0);
    const double at[3] = {5, 5, 0};
    unsigned int point = 0;
    ES_create_point(at, &point);
    double parameters[2] = {0, 0};
    int reverse[2] = {0, 0};
    struct Case {
        std::string what;
        tag first, second;
        int code;
    };
    const std::vector<Case> cases = {
        {"no first curve", NULL_TAG, b, KX_ERR_BAD_PARAM_1}, {"a point first", point, b, KX_ERR_BAD_PARAM_1},
        {"a point second", a, point, KX_ERR_BAD_PARAM_3},    {"no second curve", a, NULL_TAG, KX_ERR_BAD_PARAM_3},
        {"the same end twice", a, a, BRDGCRV_ERR_SAME_ENDS},
    };
    for (const Case& c : cases) {
        tag curves[2] = {c.first, c.second}, bridge = 7;
        EXPECT_EQ(KX_CURVE_create_bridge_curve(0, curves, parameters, reverse, &bridge), c.code) << c.what;
        EXPECT_EQ(bridge, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
}

// ---- fillet ----

class FilletTest : public CurveConstructionTest {
protected:
    tag fillet(tag a, tag b, P centre, double radius, int t0, int t1, int* status = nullptr) {
        tag objects[2] = {a, b}, out = NULL_TAG;
        int trims[2] = {t0, t1};
        const int st = KX_CURVE_create_fillet(0, objects, centre.data(), radius, trims, nullptr, &out);
        if (status) *status = st;
        else EXPECT_EQ(st, 0);
        return out;
    }
    static P arc_ends(tag a) {
        const P l = curve_limits(a);
        P out = point_at(a, l[0]);
        const P e = point_at(a, l[1]);
        out.insert(out.end(), e.begin(), e.end());
        return out;
    }
    static std::string name_of(tag object) {
        char name[KX_OBJ_NAME_LEN + 1] = {};
        EXPECT_EQ(KX_OBJ_ask_name(object, name), 0);
        return name;
    }
};

TEST_F(FilletTest, TheArcTouchesBothLinesAndTheTrimsStopAtIt) {
    tag a = line(0, 0, 0, 10, 0, 0), b = line(0, 0, 0, 0, 10, 0);
    const tag arc_made = fillet(a, b, {2.5, 1.5, 0}, 2, 1, 1);
    ASSERT_NE(arc_made, NULL_TAG);
    expect_near(arc_ends(arc_made), {2, 0, 0, 0, 2, 0}, 1e-7);
    // The arc bends toward the corner: its middle at 2 - sqrt 2.
    const P l = curve_limits(arc_made);
    expect_near(point_at(arc_made, (l[0] + l[1]) / 2), {2 - std::sqrt(2.0), 2 - std::sqrt(2.0), 0}, 1e-7);
    expect_near(ends_of_line(a), {2, 0, 0, 10, 0, 0}, 1e-7);
    expect_near(ends_of_line(b), {0, 2, 0, 0, 10, 0}, 1e-7);
    EXPECT_EQ(host::fillet::connections(arc_made), (std::vector<unsigned int>{a, b}));
    EXPECT_EQ(marks(), 0);

    // Untrimmed: the lines stay, the arc depends on them.
    tag c = line(20, 0, 0, 30, 0, 0), d = line(20, 0, 0, 20, 10, 0);
    const tag loose = fillet(c, d, {22, 2, 0}, 2, 0, 0);
    expect_near(ends_of_line(c), {20, 0, 0, 30, 0, 0}, 1e-12);
    EXPECT_EQ(host::fillet::associations(loose), (std::vector<unsigned int>{c, d}));
    EXPECT_TRUE(host::fillet::connections(loose).empty());
}

TEST_F(FilletTest, ALineAndAPoint) {
    tag a = line(0, 0, 0, 10, 0, 0);
    const double at[3] = {5, 3, 0};
    unsigned int point = 0;
    ES_create_point(at, &point);
    const tag made = fillet(a, point, {4, 2, 0}, 2, 1, 0);
    // The circle of radius 2 on the line through the point: centre x 5 - sqrt 3.
    const double cx = 5 - std::sqrt(3.0);
    expect_near(arc_ends(made), {cx, 0, 0, 5, 3, 0}, 1e-7);
    // The line keeps the piece the arc does not run along.
    expect_near(ends_of_line(a), {0, 0, 0, cx, 0, 0}, 1e-7);
}

TEST_F(FilletTest, ALineTrimmedToNothingIsDeleted) {
    tag a = line(0, 0, 0, 2, 0, 0), b = line(0, 0, 0, 0, 10, 0);
    fillet(a, b, {2, 2, 0}, 2, 1, 1);
    EXPECT_FALSE(host::objects::is_alive(a));
    expect_near(ends_of_line(b), {0, 2, 0, 0, 10, 0}, 1e-7);
}

TEST_F(FilletTest, ArcsJoinTheSketchOfBothCurvesNumberedInTurn) {
    const unsigned int sketch = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SKETCH, 0, part});
    tag bottom = line(0, 0, 0, 10, 0, 0), left = line(0, 0, 0, 0, 10, 0), right = line(10, 0, 0, 10, 10, 0);
    for (tag t : {bottom, left, right}) host::entity::add_member(sketch, t);
    const tag first = fillet(bottom, left, {2, 2, 0}, 2, 1, 1);
    const tag second = fillet(bottom, right, {8, 2, 0}, 2, 1, 1);
    const std::string a = name_of(first), b = name_of(second);
    ASSERT_EQ(a.rfind("ARC", 0), 0u);
    ASSERT_EQ(b.rfind("ARC", 0), 0u);
    EXPECT_EQ(std::stoi(b.substr(3)), std::stoi(a.substr(3)) + 1);
    const std::vector<unsigned int>& members = host::entity::members_of(sketch);
    for (tag arc_made : {first, second}) EXPECT_NE(std::find(members.begin(), members.end(), arc_made), members.end());
    const SK_data_t data = host::fillet::sketch_data(sketch);
    EXPECT_EQ(data.variables, 10);
    EXPECT_EQ(data.equations, 4);
    // The trimmed lines were re-edited in the sketch.
    const std::vector<unsigned int> edits = host::edit_log::sketch_edits();
    for (tag t : {bottom, left, right}) EXPECT_NE(std::find(edits.begin(), edits.end(), t), edits.end());
    expect_near(ends_of_line(bottom), {2, 0, 0, 8, 0, 0}, 1e-7);
    // Trimmed on one side only: no member.
    tag top = line(0, 10, 0, 10, 10, 0);
    host::entity::add_member(sketch, top);
    const tag third = fillet(top, right, {8, 8, 0}, 1, 1, 0);
    const std::vector<unsigned int>& now = host::entity::members_of(sketch);
    EXPECT_EQ(std::find(now.begin(), now.end(), third), now.end());
}

TEST_F(FilletTest, Codes) {
    tag a = line(0, 0, 0, 10, 0, 0), b = line(0, 0, 0, 0, 10, 0), skew = line(0, 0, 5, 0, 10, 8);
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    const tag flat = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, z);
    const double poles[16] = {0, 0, 0, 1, 0, 3, 0, 1, 0, 6, 0, 1, 0, 10, 0, 1};
    const double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    auto c = hostnum::Curve::spline(4, 4, poles, knots, hostnum::Curve::PoleForm::cartesian);
    ASSERT_TRUE(c.has_value());
    const tag spline = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, part});
    host::curves::attach_curve(spline, *c);
    struct Case {
        std::string what;
        int kind;
        tag first, second;
        double radius;
        int trims[2];
        int code;
    };
    const std::vector<Case> cases = {
        {"kind 1", 1, a, b, 2, {1, 1}, KX_ERR_BAD_PARAM_1},
        {"a trim flag 2", 0, a, b, 2, {2, 0}, KX_ERR_BAD_PARAM_7},
        {"a plane", 0, a, flat, 2, {0, 0}, KX_ERR_BAD_PARAM_2},
        {"radius 0", 0, a, b, 0, {0, 0}, KX_CURVE_ERR_FILLET_RADIUS},
        {"not in one plane", 0, a, skew, 2, {0, 0}, KX_CURVE_ERR_FILLET_NOT_PLANAR},
        // The line is trimmed, then the spline refuses: all taken back.
        {"a spline to trim", 0, a, spline, 2, {1, 1}, KX_MODL_ERR_TRIM_FAILED},
    };
    const int arcs = count_of_type(HOST_TYPE_ARC);
    for (const Case& k : cases) {
        tag objects[2] = {k.first, k.second}, out = 7;
        int trims[2] = {k.trims[0], k.trims[1]};
        double centre[3] = {2, 2, 0};
        EXPECT_EQ(KX_CURVE_create_fillet(k.kind, objects, centre, k.radius, trims, nullptr, &out), k.code) << k.what;
        EXPECT_EQ(out, NULL_TAG) << k.what;
        EXPECT_EQ(count_of_type(HOST_TYPE_ARC), arcs) << k.what;
        expect_near(ends_of_line(a), {0, 0, 0, 10, 0, 0}, 0);
        EXPECT_EQ(marks(), 0) << k.what;
    }
}

}  // namespace
