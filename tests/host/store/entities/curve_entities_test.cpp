// The host's curve entities: storage, checks, undo snapshots, the curves
// they evaluate as, the edit log, and the plane-geometry routines.
#include <cmath>
#include <numbers>
#include <optional>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/numeric/conics.h"
#include "host/numeric/curves.h"
#include "tests/host/host_test.h"

namespace {

constexpr double kPi = std::numbers::pi;

class CurveEntities : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        part = host::parts::create("entities.prt");
        host::parts::set_work_part(part);
        const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        ES_create_matrix_in_part(part, id, 3, &identity);
    }
    static std::optional<int> code(const std::function<void()>& f) { return host::control::raised_code(f); }
    static double eval_point(unsigned int t, double param, int i) {
        auto c = host::curves::curve_of(t);
        double p[3] = {0, 0, 0};
        if (c) hostnum::curve_evaluate(c->record(), 0, param, p, nullptr);
        return p[i];
    }
    unsigned int part = 0, identity = 0;
};

TEST_F(CurveEntities, StoresAndAnswersEachKind) {
    const double p[3] = {1, 2, 3};
    unsigned int pt = 0, ln = 0, ar = 0;
    ES_create_point(p, &pt);
    const double ends[6] = {0, 0, 0, 3, 4, 0};
    ES_create_line_in_part(0, ends, &ln);
    const double arc[6] = {0, kPi, 1, 1, 0, 2};
    ES_create_arc(arc, identity, &ar);
    EXPECT_EQ(host::objects::find(pt)->type, HOST_TYPE_POINT);
    EXPECT_EQ(host::objects::find(ln)->part, part);
    EXPECT_EQ(host::objects::find(ar)->type, HOST_TYPE_ARC);
    EXPECT_EQ(ES_ask_entity_type(ln), HOST_TYPE_LINE);
    EXPECT_EQ(CURVE_ask_matrix_of_entity(ar), identity);
    EXPECT_EQ(CURVE_ask_matrix_of_entity(ln), 0u);

    double s[3], e[3], data[6];
    ES_ask_coordinates_of_line(ln, s, e);
    EXPECT_EQ(e[1], 4);
    ES_ask_data_of_arc(ar, data);
    EXPECT_EQ(data[5], 2);
    // The arc's point at pi/2: center (1, 1, 0) + 2 Y.
    EXPECT_NEAR(eval_point(ar, kPi / 2, 1), 3, 1e-12);

    // Wrong kinds, nulls, non-finite values.
    EXPECT_EQ(code([&] { ES_ask_data_of_arc(ln, data); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(code([&] { ES_ask_coordinates_of_point(ln, s); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(code([&] { ES_create_arc(arc, ln, &ar); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(code([&] { ES_create_point(p, nullptr); }), HOST_ERR_NULL_ARGUMENT);
    const double bad[3] = {0, NAN, 0};
    EXPECT_EQ(code([&] { POINT_set_coordinates(pt, bad); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(code([&] { ES_set_matrix_of_entity(ln, identity); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(code([&] { ES_ask_coordinates_of_line(12345, s, e); }), HOST_ERR_DEAD_TAG);
}

TEST_F(CurveEntities, SnapshotsRollTheDataBack) {
    const double ends[6] = {0, 0, 0, 1, 0, 0};
    unsigned int ln = 0;
    ES_create_line_in_part(0, ends, &ln);
    UPDATE_log_entity_to_update(ln);
    const host::ModelSnapshot snap = host::snapshot_model();
    const double s[3] = {5, 5, 5}, e[3] = {6, 6, 6};
    LINE_set_end_points(ln, s, e);
    UPDATE_log_entity_int_app_data(ln, 3, 0);
    unsigned int other = 0;
    ES_create_line_in_part(0, ends, &other);
    host::restore_model(snap);

    double a[3], b[3];
    ES_ask_coordinates_of_line(ln, a, b);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(host::curves::find(other), nullptr);
    EXPECT_EQ(host::edit_log::update_log().size(), 1u);

    // A destroyed entity drops its data.
    host::objects::destroy(ln);
    EXPECT_EQ(host::curves::find(ln), nullptr);
}

TEST_F(CurveEntities, ReplacingObjectDataMovesTheCurve) {
    const double ends[6] = {0, 0, 0, 1, 0, 0}, other_ends[6] = {0, 0, 0, 0, 7, 0};
    unsigned int kept = 0, other = 0;
    ES_create_line_in_part(0, ends, &kept);
    ES_create_line_in_part(0, other_ends, &other);
    RM_replace_object_data(kept, other);
    double s[3], e[3];
    ES_ask_coordinates_of_line(kept, s, e);
    EXPECT_EQ(e[1], 7);
}

TEST_F(CurveEntities, ConicsKeepTheirEndPointsAndEvaluate) {
    // Conic values of a parabola opening to -x (k1 < 0) and a hyperbola
    // whose k1 is negative (the left branch), both turned by 30 degrees.
    for (int type : {HOST_CONIC_PARABOLA, HOST_CONIC_HYPERBOLA, HOST_CONIC_ELLIPSE}) {
        const double rot = kPi / 6;
        double v[13] = {
            -1,           2, 4, 99, 99, 99, 99, 1, -1, type == HOST_CONIC_ELLIPSE ? 2.0 : -2.0, 0.5, std::sin(rot),
            std::cos(rot)};
        unsigned int c = 0;
        es0600_(&type, v, &identity, &c);
        EXPECT_EQ(host::objects::find(c)->subtype, type);
        double back[13];
        es0610_(&c, back);
        double end[3];
        hostnum::conic_point(back, type, back[CONIC_V_END], end);
        EXPECT_NEAR(back[CONIC_V_END_X], end[0], 1e-15);  // stored end points follow the parameters
        EXPECT_NEAR(back[CONIC_V_END_Y], end[1], 1e-15);

        // The curve evaluates the same points as the conic's own formula.
        const host::curves::Entity* e = host::curves::find(c);
        ASSERT_NE(e, nullptr);
        for (double t : {-1.0, 0.3, 2.0}) {
            double q[3];
            hostnum::conic_point(back, type, t, q);
            const double ct = host::curves::to_curve_parameter(*e, t);
            EXPECT_NEAR(host::curves::from_curve_parameter(*e, ct), t, 1e-12);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(eval_point(c, ct, i), q[i], 1e-12) << type << " " << t;
        }
    }
    const int bad_type = 5;
    double v[13] = {};
    unsigned int c = 0;
    EXPECT_EQ(code([&] { es0600_(&bad_type, v, &identity, &c); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(CurveEntities, EditLogFollowsSketchesAndSmartObjects) {
    const double p[3] = {0, 0, 0};
    unsigned int pt = 0, sketch_of = 99;
    ES_create_point(p, &pt);
    EXPECT_EQ(ES_find_sketch_of_member(pt, &sketch_of), 0);
    EXPECT_EQ(sketch_of, 0u);
    EXPECT_EQ(SO_is_so(pt), 0);
    const unsigned int sketch = host::entity::create({OM_CLASS_RM_ENTITY, 134, 0, part});
    host::entity::add_member(sketch, pt);
    host::entity::attrs(pt).smart = true;
    EXPECT_EQ(ES_find_sketch_of_member(pt, &sketch_of), 1);
    EXPECT_EQ(sketch_of, sketch);
    EXPECT_EQ(SO_is_so(pt), 1);
    sk_edit_curve_(&pt);
    CS2_activate_cs_of_object(pt);
    EXPECT_EQ(host::edit_log::sketch_edits().size(), 1u);
    EXPECT_EQ(host::edit_log::activated_object(), pt);
    host::objects::destroy(sketch);
    EXPECT_EQ(ES_find_sketch_of_member(pt, nullptr), 0);
}

TEST_F(CurveEntities, PlaneOfThreePoints) {
    const double a[3] = {1, 1, 1}, b[3] = {2, 1, 1}, c[3] = {1, 1, 3};
    double m[9];
    unsigned int matrix = 0;
    int status = -1;
    k0541_(a, b, c, m, &matrix, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(host::objects::find(matrix)->type, HOST_TYPE_MATRIX);
    EXPECT_NEAR(m[0], 1, 1e-15);   // X towards b
    EXPECT_NEAR(m[7], -1, 1e-15);  // Z = X x (c - a) = -Y
    EXPECT_NEAR(m[5], 1, 1e-15);   // Y = Z x X = +z
    double q[3];
    h100_(c, m, q);
    EXPECT_NEAR(q[2], -1, 1e-15);  // all three points share the plane height
    h100_(a, m, q);
    EXPECT_NEAR(q[2], -1, 1e-15);
    const double d[3] = {3, 1, 1};
    k0541_(a, b, d, m, &matrix, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(matrix, 0u);
}

TEST(ConicMath, Routines) {
    EXPECT_NEAR(h053_(-1, 0), 1.5 * kPi, 1e-15);
    EXPECT_EQ(h053_(0, 0), 0);
    EXPECT_EQ(h053_(-0.0, 1), 0);
    EXPECT_EQ(h805_(1, 1 + 1e-11, 1), 1);
    EXPECT_EQ(h805_(1, 1 + 1e-9, 1), 0);
    EXPECT_EQ(h805_(1, 1 + 1e-9, 2), 1);

    double x = 7, y = 7;
    const double one = 1, two = 2, zero = 0, three = 3, four = 4;
    EXPECT_EQ(h601_(&one, &one, &two, &one, &zero, &one, &x, &y), 2);  // x + y = 2, x = 1
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    x = y = 7;
    EXPECT_EQ(h601_(&one, &one, &two, &two, &two, &four, &x, &y), 1);   // the same line
    EXPECT_EQ(h601_(&one, &one, &two, &two, &two, &three, &x, &y), 0);  // parallel
    EXPECT_EQ(x, 7);

    const double m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    double t[9];
    h110_(m, t);
    EXPECT_EQ(t[1], -1);
    EXPECT_EQ(t[3], 1);
}

TEST(ConicMath, ClassificationOfTheGeneralForm) {
    struct Case {
        double k[6];
        int status, type;
        double cx, cy, k1, k2;
    } cases[] = {
        // (x-1)^2/4 + (y+2)^2 = 1
        {{0.25, 0, 1, -0.5, 4, 4.25 - 1}, 0, 2, 1, -2, 2, 1},
        // x^2/9 - y^2/4 = 1 (scaled by 36)
        {{4, 0, -9, 0, 0, -36}, 0, 4, 0, 0, 3, 2},
        // y^2/4 - x^2 = 1: the transverse axis along y
        {{-1, 0, 0.25, 0, 0, -1}, 0, 4, 0, 0, 2, 1},
        // y^2 = 4 (x - 1): vertex (1, 0), k1 4
        {{0, 0, 1, -4, 0, 4}, 0, 3, 1, 0, 4, 0},
        {{1, 0, 1, 0, 0, 1}, 1, 0, 0, 0, 0, 0},   // no real points
        {{1, 0, -1, 0, 0, 0}, 1, 0, 0, 0, 0, 0},  // two lines
        {{0, 0, 0, 1, 1, 1}, 1, 0, 0, 0, 0, 0},   // a line
        {{1, 0, 0, 0, 0, -1}, 1, 0, 0, 0, 0, 0},  // two parallel lines
    };
    for (const Case& c : cases) {
        int status = -1, type = -1;
        double d[13];
        k0680_(c.k, &status, &type, d);
        EXPECT_EQ(status != 0, c.status != 0);
        if (c.status != 0) continue;
        EXPECT_EQ(type, c.type);
        EXPECT_NEAR(d[0], c.cx, 1e-12);
        EXPECT_NEAR(d[1], c.cy, 1e-12);
        if (c.type == 2) {  // either axis may come first
            EXPECT_NEAR(std::max(d[2], d[3]), std::max(c.k1, c.k2), 1e-12);
            EXPECT_NEAR(std::min(d[2], d[3]), std::min(c.k1, c.k2), 1e-12);
        } else {
            EXPECT_NEAR(d[2], c.k1, 1e-12);
            EXPECT_NEAR(d[3], c.k2, 1e-12);
        }
        // Points of the standard form satisfy the general equation.
        double v[13];
        d[4] = -0.5;
        d[5] = 0.5;
        if (type == 2) k0671_(d, v);
        else if (type == 3) k0672_(d, v);
        else k0673_(d, v);
        for (double t : {v[0], 0.5 * (v[0] + v[1]), v[1]}) {
            double p[3];
            hostnum::conic_point(v, type, t, p);
            const double r = c.k[0] * p[0] * p[0] + c.k[1] * p[0] * p[1] + c.k[2] * p[1] * p[1] + c.k[3] * p[0] +
                             c.k[4] * p[1] + c.k[5];
            EXPECT_NEAR(r, 0, 1e-10) << type;
        }
    }
}

}  // namespace
